// The initial flow state: relaxation factors, residual scales from the
// inflow groups, start fields, hydrostatic pressure and wall roughness.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/startup.h"
#include "support/case_runner.h"
#include "support/in_dir.h"
#include "support/small_grid.h"
#include "support/three_cell_grid.h"

namespace {

SmallGrid column(int nz) {
  SmallGrid g;
  g.nx = 1, g.ny = 1, g.nz = nz;
  g.water = [](int, int) { return 3.0; };
  return g;
}

}  // namespace

// Letter N starts the flow state before the slide computations: the first
// call logs the relaxation factors, clamped to their bounds (both strict).
TEST(StartupCase, LetterNLogsTheRelaxationFactors) {
  struct Case {
    std::string k3;
    std::string line;
  };
  const Case cases[] = {
      {"K 3 2.0 2.0 2.0 0.001 0.005 0.005\n", "Relaxation: 0.001000 0.001000 0.010000 0.010000"},
      {"K 3 1.99 1.0 1.0 0.0011 1.5 0.02\n", "Relaxation: 1.990000 0.001100 1.500000 0.020000"},
      {"", "Relaxation: 0.800000 0.200000 0.500000 0.500000"},
  };
  for (const Case& c : cases) {
    CaseDir d;
    d.write("control", threeCellControl("UN", "F 248 1\n" + c.k3));
    d.write("unstruc", ThreeCellGrid{}.text());
    d.run();
    EXPECT_TRUE(d.boogieHas(c.line)) << c.k3 << d.boogie();
  }
}

// The first call sets the fields and logs; a second call keeps the fields and
// logs nothing.
TEST(Startup, FirstCallInitialisesLaterCallsRefresh) {
  InProjectDir p;
  column(2).build();
  startup();
  const std::string first = p.dir().boogie();
  EXPECT_NE(first.find("Relaxation: "), std::string::npos);
  EXPECT_DOUBLE_EQ(Ckinen[1], NormK);
  EXPECT_DOUBLE_EQ(Cepsilon[2], NormEps);
  EXPECT_DOUBLE_EQ(NormResidual[1], 0.1);
  EXPECT_DOUBLE_EQ(NormResidual[4], 10.0);
  EXPECT_EQ(block[0].lastCell, NoCells);
  EXPECT_EQ(FlagNeedsToBeInterpolated, 0);
  FlagInitialized = 1;
  Cxvel[1] = 0.7;
  startup();
  EXPECT_EQ(p.dir().boogie(), first);
  EXPECT_DOUBLE_EQ(Cxvel[1], 0.7);
}

// With F 181 the start pressure is hydrostatic: 9810 Pa per metre of water
// above the cell centre. A column of two cells with half heights 1 m (below)
// and 0.5 m (on top) starts with 19620 Pa and 4905 Pa.
TEST(Startup, HydrostaticStartPressure) {
  InProjectDir p;
  SmallGrid g = column(3);
  g.build();
  FlagGravity = 1;
  startup();
  for (int k = 1; k <= 3; ++k) EXPECT_NEAR(Cpres[g.cell(2, 2, k)], 9810.0 * (3.0 - (k - 0.5)), 1e-9) << k;

  InProjectDir q;
  SmallGrid two = column(2);
  two.build();
  Ckdist[1] = 1.0, Ckdist[2] = 0.5;
  FlagGravity = 1;
  startup();
  EXPECT_DOUBLE_EQ(Cpres[2], 4905.0);
  EXPECT_DOUBLE_EQ(Cpres[1], 19620.0);
}

// One inflow group of 1000 l/s over 10 m2: U close to 0.1 m/s and the residual
// scales of the discharge and momentum; the group's k and epsilon.
TEST(Startup, InflowGroupGivesScalesAndTurbulence) {
  InProjectDir p;
  column(1).build();
  NoSurfaces = 2;
  Farea[1] = 4.0, Farea[2] = 6.0;
  DischargeGroup& G = DischargeStruct[1];
  G.inflow = 1, G.discharge = 1000.0, G.surfno = 2, G.face[0] = 1, G.face[1] = 2;
  startup();
  const double U = 1000 * 0.001 / (10 + 1e-5), k = 0.0025 * U * U;
  EXPECT_DOUBLE_EQ(G.area, 10.0);
  EXPECT_DOUBLE_EQ(NormResidual[4], 1010.0);
  EXPECT_NEAR(NormResidual[1], 0.1 + 1000 * U, 1e-9);
  EXPECT_NEAR(G.kinen, k, 1e-15);
  EXPECT_NEAR(G.epsilon, 0.8 * k * std::sqrt(k / (10 + 1e-10)), 1e-18);
  EXPECT_NEAR(Ckinen[1], k, 1e-15);
}

// An inflow group with a discharge whose faces give no area is refused
// instead of dividing the discharge by almost nothing.
TEST(Startup, InflowWithoutAreaIsRefused) {
  InProjectDir p;
  column(1).build();
  DischargeGroup& G = DischargeStruct[2];
  G.inflow = 1, G.discharge = 500.0, G.surfno = 0;
  EXPECT_EXIT(startup(), ::testing::ExitedWithCode(255), "");
  EXPECT_NE(p.dir().boogie().find("Error: inflow discharge group 2 has a discharge of 500.000000 l/s but no inflow area"),
            std::string::npos)
      << p.dir().boogie();
  // An outflow group without faces is no division.
  G.inflow = 0;
  startup();
}

// Wall roughness from Manning's number when F 16 is negative, at least 1e-5.
TEST(Startup, WallRoughness) {
  struct Case {
    double ks, manning, expected;
  };
  for (const Case& c : {Case{-1.0, 26.0, 1.0}, Case{-1.0, 260.0, 1e-5}, Case{0.05, 26.0, 0.05}, Case{0.0, 26.0, 1e-5}}) {
    InProjectDir p;
    column(2).build();
    XksWall = c.ks;
    ManningInit = c.manning;
    startup();
    EXPECT_NEAR(XksWall, c.expected, 1e-15);
    EXPECT_NEAR(Croughness[1], c.expected, 1e-15);
    EXPECT_NEAR(Croughness[2], c.expected, 1e-15);
  }
}

// G 18 records: every cell takes the last record's values; a record without a
// pressure keeps the one before.
TEST(Startup, InitialValuesOfG18) {
  InProjectDir p;
  column(3).build();
  UInitNo = 2;
  const double rec[3][7] = {{}, {0, 1, 2, 3, 4000, 0.1, 0.01}, {0, 0.5, 0.6, 0.7, -1, 0.2, 0.02}};
  for (int r = 1; r <= 2; ++r)
    for (int q = 0; q < 7; ++q) UInit[r][q] = rec[r][q];
  startup();
  for (int c = 1; c <= 3; ++c) {
    EXPECT_DOUBLE_EQ(Cxvel[c], 0.5);
    EXPECT_DOUBLE_EQ(Czvel[c], 0.7);
    EXPECT_DOUBLE_EQ(Ckinen[c], 0.2);
    EXPECT_DOUBLE_EQ(Cpres[c], 4000.0);  // the second record gives no pressure
  }
}

// Wind without inflow groups on one column of two cells (3 m deep, Ckdist
// of cell 1 0.75 m, surface 1 m2): at W = 4 m/s T = W^2 A = 16, M = 0.1 + 16,
// S = 10 + 0.1 T, k = 0.0033333 W^2.5 1.2 0.5 0.001 and epsilon =
// 0.164317 2.5 sqrt(k) / 0.75, with k and epsilon scaled by S; a breath of
// 5e-6 m/s adds 0.0001 A to M and a tenth of that to S, with fixed k and
// epsilon and both turbulence scales 0.0001 S.
TEST(Startup, ResidualScalesOfTheWind) {
  struct Case {
    double W, M, S, k, eps, n5, n6;
  };
  const double k4 = 0.0033333 * std::pow(4.0, 2.5) * 1.2 * 0.5 * 0.001, e4 = 0.164317 * 2.5 * std::sqrt(k4) / 0.75;
  const double Ssmall = 10.0 + 0.1 * 0.0001;
  const Case cases[] = {{4.0, 16.1, 11.6, k4, e4, 11.6 * k4, 11.6 * e4},
                        {5e-6, 0.1001, Ssmall, 1.9999800000000003e-11, 3.599928000360001e-17, 0.0001 * Ssmall,
                         0.0001 * Ssmall}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.W);
    InProjectDir p;
    column(2).build();
    ASSERT_NEAR(Ckdist[1], 0.75, 1e-12);
    Wind[0] = c.W;
    startup();
    EXPECT_NEAR(NormResidual[1], c.M, 1e-12);
    EXPECT_NEAR(NormResidual[4], c.S, 1e-12);
    EXPECT_NEAR(NormResidual[5], c.n5, 1e-9 * c.n5);
    EXPECT_NEAR(NormResidual[6], c.n6, 1e-9 * c.n6);
    EXPECT_NEAR(Ckinen[1], c.k, 1e-9 * c.k);
    EXPECT_NEAR(Cepsilon[2], c.eps, 1e-9 * c.eps);
  }
}

// G 40 (F 67 1) and G 41 profiles at the cell centres z = 0.75 and 2.25 m,
// points listed from the top: temperature (3, 10), (0, 20): 17.5 and 12.5;
// component 1 (3, 0), (1.5, 1), (0, 5): 3 and 0.5, in a transient run also
// at the previous step.
TEST(Startup, InitialProfilesOfG40AndG41) {
  InProjectDir p;
  NoComponents = 2;
  TimeStep = 1.0;
  column(2).build();
  ASSERT_NE(Ccomp, nullptr);
  ASSERT_NE(Ccomp_old, nullptr);
  TemperatureFlag = 1;
  NoVerttemp = 2;
  Verttemp[1][0] = 3.0, Verttemp[1][1] = 10.0;
  Verttemp[2][0] = 0.0, Verttemp[2][1] = 20.0;
  NoQI = 1;
  NoVariable[0] = 1;
  NoVertInit[0] = 3;
  const double pts[3][2] = {{3.0, 0.0}, {1.5, 1.0}, {0.0, 5.0}};
  for (int n = 0; n < 3; ++n) VertQInit[0][n + 1][0] = pts[n][0], VertQInit[0][n + 1][1] = pts[n][1];
  startup();
  EXPECT_NEAR(Ccomp[0][1], 17.5, 1e-12);
  EXPECT_NEAR(Ccomp[0][2], 12.5, 1e-12);
  EXPECT_NEAR(Ccomp[1][1], 3.0, 1e-12);
  EXPECT_NEAR(Ccomp[1][2], 0.5, 1e-12);
  EXPECT_NEAR(Ccomp_old[1][1], 3.0, 1e-12);
  NoVerttemp = NoQI = 0;
}

// F 90: 1 gives the lowest cell of each column and its bed cell the
// roughness of the grid column (0.2 m), the cell above keeps F 16 (0.05 m);
// 2 gives the bottom cell the bed cell's roughness (0.3 m) once the flow has
// started, not before.
TEST(Startup, BedRoughnessByF90) {
  struct Case {
    int f90, initialized;
    double bottom;
  };
  for (const Case& c : {Case{1, 0, 0.2}, Case{2, 1, 0.3}, Case{2, 0, 0.05}, Case{0, 1, 0.05}}) {
    SCOPED_TRACE(::testing::Message() << "F 90 " << c.f90 << " started " << c.initialized);
    InProjectDir p;
    column(2).build();
    XksWall = 0.05;
    FlagRoughness = c.f90;
    FlagInitialized = c.initialized;
    roughness[2][2] = 0.2;
    Broughness[1] = 0.3;
    WBStart = 1, WBEnd = NoBCells;
    startup();
    EXPECT_NEAR(Croughness[1], c.bottom, 1e-15);
    EXPECT_NEAR(Croughness[2], 0.05, 1e-15);
    if (c.f90 == 1) {
      EXPECT_NEAR(Broughness[1], 0.2, 1e-15);
    }
    FlagInitialized = 0;
  }
}
