// The optional array families: each exists exactly under the options that
// call for it, and adds exactly its bytes to the allocation total.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "support/case_runner.h"
#include "support/in_dir.h"

namespace {

// Small sizes, so that the byte totals are easy to state.
void smallModel() {
  MaxCeller = 100;
  MaxFlater = 200;
  MaxPunkter = 150;
  MaxNester = 10;
  MaxConnFlate = 5;
  xnumber = 6;
  ynumber = 5;
  znumber = 4;
  lnumber = 1;
  ArrayTimeSteps = 9;
}

double allocatedWith(const std::function<void()>& set) {
  InProjectDir dir;
  smallModel();
  set();
  return AllocateArrays(1, 1, 1);
}

struct Toggle {
  const char* name;
  std::function<void()> set;
  double bytes;  // what the option adds (negative: removes)
};

void PrintTo(const Toggle& t, std::ostream* os) { *os << t.name; }

class OptionToggle : public ::testing::TestWithParam<Toggle> {};

TEST_P(OptionToggle, ChangesTheTotalByItsFamiliesExactly) {
  const double base = allocatedWith([] {});
  ASSERT_GT(base, 0);
  EXPECT_DOUBLE_EQ(allocatedWith(GetParam().set) - base, GetParam().bytes);
}

constexpr double nc = 100, nf = 200, nt = 10, nb = (6 + 3) * (5 + 3), nx = 8, ny = 7;
constexpr double D = 8, I = 4, P = 8;  // double, int, pointer

INSTANTIATE_TEST_SUITE_P(
    Families, OptionToggle,
    ::testing::Values(
        // Transient: seven previous-step fields, the previous concentrations
        // (2 rows) and the boundary time series.
        Toggle{"Transient", [] { TimeStep = 1.0; },
               7 * nc * D + (2 * nc * D + 2 * P) + 6 * nt * D + (nt * 10 * D + nt * P) + (nt * 20 * D + nt * P) +
                   (nt * 3 * D + nt * P)},
        Toggle{"TransientSecondOrderTime", [] { TimeStep = 1.0; FlagTimeOrder = 1; },
               10 * nc * D + (2 * nc * D + 2 * P) + 6 * nt * D + (nt * 10 * D + nt * P) + (nt * 20 * D + nt * P) +
                   (nt * 3 * D + nt * P)},
        Toggle{"NoResidualFields", [] { FlagResidual = 0; }, -6 * nc * D},
        // A second-order scheme for any equation (here k) brings the second
        // neighbours, which the coefficient maker of that equation writes.
        Toggle{"SecondOrderForK", [] { sou[5] = 1; }, 6 * nc * D},
        Toggle{"SecondOrderComponents", [] { SouComp = 1; }, 6 * nc * D},
        Toggle{"ShallowWater", [] { FlagShallowWater = 1; }, 3 * (3 * nc * D + 3 * P) + 2 * (4 * nf * D + 4 * P)},
        Toggle{"Components", [] { NoComponents = 3; }, 3 * nc * D + 3 * P},
        Toggle{"ComponentsTransientExtra",
               [] {
                 NoComponents = 2;
                 TimeStep = 1.0;
               },
               2 * (2 * nc * D + 2 * P) + 7 * nc * D + (2 * nc * D + 2 * P) + 6 * nt * D + (nt * 10 * D + nt * P) +
                   (nt * 20 * D + nt * P) + (nt * 3 * D + nt * P)},
        Toggle{"FastDriverOneSize", [] { FlagFastWatersolve = 1; }, 3 * (5 * nc * D + 5 * P)},
        Toggle{"GroundwaterPerBedCell", [] { FlagGroundwater = 1; }, nb * D},
        Toggle{"GridSplitLevels", [] { FlagNoGridSplit = 1; }, 2 * nb * D},
        Toggle{"UMethod2Maps", [] { UMethod2 = 1; }, 6 * (nx * ny * I + nx * P) + 3 * (nx * ny * D + nx * P)},
        Toggle{"TracerTables", [] { FlagTracer = 1; }, 3 * 1000 * D + 1000 * I},
        Toggle{"Vegetation",
               [] {
                 FlagDragDLL = 1;
                 VegVars = 2;
                 VegLevels = 4;
                 VegTimes = 3;
               },
               nc * D + (nb * 3 * 3 * 4 * D + nb * 3 * 3 * P + nb * 3 * P + nb * P) + 4 * D}),
    [](const auto& info) { return std::string(info.param.name); });

struct Presence {
  const char* name;
  std::function<void()> set;
  std::function<bool()> holds;
};

void PrintTo(const Presence& p, std::ostream* os) { *os << p.name; }

class FamilyPresence : public ::testing::TestWithParam<Presence> {};

TEST_P(FamilyPresence, FollowsItsCondition) {
  InProjectDir dir;
  smallModel();
  GetParam().set();
  ASSERT_GT(AllocateArrays(1, 1, 1), 0);
  EXPECT_TRUE(GetParam().holds());
}

INSTANTIATE_TEST_SUITE_P(
    Conditions, FamilyPresence,
    ::testing::Values(
        Presence{"SteadyHasNoPreviousStep", [] {},
                 [] { return !Cxvel_old && !CinvAp_old && !Cconc_old && !Ccomp_old && !TimeInTime && !QDinn; }},
        Presence{"OneSizeHasNoPerSizeCoefficients", [] {}, [] { return !Catm && !Csourcem && !Caee; }},
        // The face marks of the lists come with the lists; the export's face
        // list only with an export.
        Presence{"NoListsNoListFaceMarks", [] {}, [] { return !Fqndum && !Fopenfoam && Fin; }},
        Presence{"FastDriverGetsFiveSourceRows", [] { FlagFastWatersolve = 1; },
                 [] { return Csourcem && CsourcemRows == 5 && Cff && CinvApf && !Catm; }},
        // A negative F 170 with several sizes still gets the per-size sources
        // the solvers write.
        Presence{"NegativeF170WithTwoSizes", [] { FlagFastWatersolve = -1; lnumber = 2; },
                 [] { return Csourcem && CsourcemRows == 3 && Catm && !Cff; }},
        Presence{"FastDriverManySizes", [] { FlagFastWatersolve = 1; lnumber = 6; },
                 [] { return Csourcem && CsourcemRows == 7; }},
        Presence{"MultigridTwoColumns", [] { MGSNo = 2; }, [] { return MGSCpoint && MGSCpointCols == 2; }},
        Presence{"MultigridFiveColumns", [] { MGSNo = 3; }, [] { return MGSCpoint && MGSCpointCols == 5; }},
        Presence{"Acc2DFiveColumns", [] { Flag2DAccSolver = 2; }, [] { return MGSCpoint && MGSCpointCols == 5; }},
        Presence{"QuasiNeighboursFirstOrder", [] { QNFlag = 1; }, [] { return Cqnae && Cncelle && Fqndum && !Cqnaee && !Caee; }},
        Presence{"QuasiNeighboursSecondOrder", [] { QNFlag = 1; sou[1] = 1; }, [] { return Cqnaee && Caee; }},
        Presence{"SurfaceMethodSeven", [] { FlagTFS = 7; }, [] { return Caee && Cabb; }},
        Presence{"SimpleVariants", [] { FlagSIMPLE = 1; }, [] { return CinvApP && !CxvelP; }},
        Presence{"SimpleVariantTwo", [] { FlagSIMPLE = 2; }, [] { return CinvApP && CxvelP && CzvelP; }},
        Presence{"ArmourLayers", [] { FlagTSC = 3; },
                 [] { return Barmourthick && Bbedchange && Bedlev && Bsolidfraction && Catm; }},
        Presence{"CarryOverGeometry", [] {}, [] { return Ckdist_old && !Czcenter_old; }},
        Presence{"CarryOverCentres", [] { ExtrapAlgo1 = 0; }, [] { return Czcenter_old && !Ckdist_old; }},
        Presence{"MinimumLevelsStartAtMinus1000", [] { FlagNoGridSplit = 1; },
                 [] {
                   return Bminwaterlevel[0] == 0.0 && Bminwaterlevel[1] == -1000.0 &&
                          Bminwaterlevel[bedCellCapacity() - 1] == -1000.0;
                 }}),
    [](const auto& info) { return std::string(info.param.name); });

// On the real engine: F 17 1.0 adds exactly its families to the logged total.
double loggedMbytes(const std::string& boogie) {
  const std::string key = " Mbytes unstructured arrays";
  size_t e = boogie.find(key);
  if (e == std::string::npos) return -1;
  size_t b = boogie.rfind("Have allocated", e);
  return std::stod(boogie.substr(b + 14, e - b - 14));
}

TEST(AllocationFigure, TimeStepAddsThePreviousStepFamilies) {
  const std::string sizes = "F 65 50000 80000 50000 10000 1000\nG 1 300 300 11 1\nF 81 200\n";
  CaseResult steady = runControl(sizes);
  CaseResult transient = runControl(sizes + "F 17 1.0\n");
  ASSERT_EQ(steady.status, 1) << steady.boogie;
  ASSERT_EQ(transient.status, 1) << transient.boogie;
  const double c = 50000, t = 201;
  const double added = 7 * c * 8 + (2 * c * 8 + 2 * 8) + 6 * t * 8 + (t * 10 * 8 + t * 8) + (t * 20 * 8 + t * 8) +
                       (t * 3 * 8 + t * 8);
  EXPECT_NEAR(loggedMbytes(transient.boogie) - loggedMbytes(steady.boogie), added * 1e-6, 0.0101);
}

}  // namespace
