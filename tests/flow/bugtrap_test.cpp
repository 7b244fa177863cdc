// Coefficient trap of the parallel coefficient build: the marker fill, the
// check after a full build by the real coefficient maker, after a build that
// skipped faces, and its limits.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <utility>

#include "flow/cellequations.h"
#include "flow/control.h"
#include "state/log.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/flowstate.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"

namespace {

std::string logText() {
  std::ifstream in("boogie");
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct Fixture {
  InProjectDir dir;
  Fixture() {
    setRunStateInitial();
    EXPECT_TRUE(FlowGrid::box(4, 3, 2.0).build());
    for (int c = 1; c <= NoCells; ++c) Cgamma[c] = CgammaV[c] = 0.01;
    Equation = 1;
    Iter = 12;
    logTruncate();
  }
};

double* const* sixArrays[6] = {&Cab, &Cat, &Cas, &Cae, &Caw, &Can};
double* const* secondArrays[6] = {&Cabb, &Catt, &Cass, &Caee, &Caww, &Cann};

void allocateSecondNeighbours() {
  for (double** a : {&Caee, &Caww, &Cass, &Cann, &Catt, &Cabb})
    ASSERT_TRUE(allocate1(*a, static_cast<std::size_t>(MaxCeller)));
}

void setAll(double v) {
  for (int c = 1; c <= NoCells; ++c)
    for (double* const* a : sixArrays) (*a)[c] = v;
}

}  // namespace

// The fill writes the marker into the cells of its range and nowhere else,
// not even the empty slot 0 when the range runs beyond the grid.
TEST(CoefficientTrap, FillMarksTheCellsOfItsRangeOnly) {
  Fixture x;
  ompbugtrap = 1;
  setAll(0.0);
  ompbugtrapFunction(3, 5);
  for (int c = 1; c <= NoCells; ++c)
    for (double* const* a : sixArrays) EXPECT_EQ((*a)[c], c >= 3 && c <= 5 ? -10.0 : 0.0) << "cell " << c;
  ompbugtrapFunction(-4, MaxCeller + 10);
  for (double* const* a : sixArrays) {
    EXPECT_EQ((*a)[0], 0.0);
    EXPECT_EQ((*a)[NoCells], -10.0);
    EXPECT_EQ((*a)[NoCells + 1], 0.0);
  }
}

// The second-neighbour coefficients get the marker only with F 223 2 and the
// second-order scheme for the velocities.
TEST(CoefficientTrap, SecondNeighbourFill) {
  struct Case {
    int trap, sou1;
    bool filled;
  };
  const Case cases[] = {{2, 1, true}, {2, 0, false}, {1, 1, false}, {3, 1, false}};
  for (const Case& k : cases) {
    Fixture x;
    allocateSecondNeighbours();
    ompbugtrap = k.trap;
    sou[1] = k.sou1;
    ompbugtrapFunction(1, NoCells);
    for (int c : {1, NoCells})
      for (double* const* a : secondArrays)
        EXPECT_EQ((*a)[c], k.filled ? -10.0 : 0.0) << "F 223 " << k.trap << ", sou " << k.sou1 << ", cell " << c;
    EXPECT_EQ(Cae[1], -10.0);
  }
  // Without the arrays the fill leaves them alone.
  Fixture x;
  ompbugtrap = 2;
  sou[1] = 1;
  ompbugtrapFunction(1, NoCells);
  EXPECT_EQ(Caee, nullptr);
  EXPECT_EQ(Cab[NoCells], -10.0);
}

// The coefficient maker writes every side of every cell: nothing to report.
TEST(CoefficientTrap, FullBuildLogsNothing) {
  Fixture x;
  ompbugtrap = 1;
  ompbugtrapFunction(WCStart, WCEnd);
  coeff_make(1, NoSurfaces);
  computeOmpbugtrap();
  EXPECT_EQ(logText(), "");
  EXPECT_EQ(RunErrorReported, 0);
  int positive = 0;
  for (int c = 1; c <= NoCells; ++c)
    for (double* const* a : sixArrays) positive += (*a)[c] > 0.0;
  EXPECT_GT(positive, 0);  // the build did write coefficients
}

// A chunk of faces skipped: every side whose face was not built is reported,
// by cell, in the order b, t, s, e, w, n.
TEST(CoefficientTrap, SkippedFacesAreReportedInOrder) {
  Fixture x;
  ompbugtrap = 1;
  ompbugtrapFunction(WCStart, WCEnd);
  const int half = NoSurfaces / 2;
  coeff_makeFaces(1, half);
  // The sides the built faces wrote (side codes 1 s, 2 e, 3 n, 4 w, 5 b, 6 t).
  std::set<std::pair<int, int>> written;
  for (int f = 1; f <= half; ++f) {
    written.insert({Fcell1[f], Ftype1[f]});
    written.insert({Fcell2[f], Ftype2[f]});
  }
  const struct {
    int side;
    const char* name;
  } order[6] = {{5, "Cab"}, {6, "Cat"}, {1, "Cas"}, {2, "Cae"}, {4, "Caw"}, {3, "Can"}};
  std::string expected;
  int missing = 0;
  for (int c = 1; c <= NoCells; ++c)
    for (const auto& o : order)
      if (!written.count({c, o.side})) {
        expected += "Error in setting coefficients: " + std::string(o.name) + "[" + std::to_string(c) +
                    "] = -10.000000 for Iter = 12\n";
        ++missing;
      }
  ASSERT_GT(missing, 0);
  ASSERT_LT(missing, 6 * NoCells);
  computeOmpbugtrap();
  EXPECT_EQ(logText(), expected);
  EXPECT_EQ(RunErrorReported, 1);
}

// The limit -0.01 and the order of the six coefficients within one cell.
TEST(CoefficientTrap, ReportLimitAndOrder) {
  Fixture x;
  ompbugtrap = 1;
  setAll(0.5);
  Cab[2] = -10.0, Cat[2] = -0.0100001, Cas[2] = -0.01, Cae[2] = -0.001, Caw[2] = -0.5, Can[2] = 0.0;
  Can[3] = -1.0, Caw[3] = -2.0, Cae[3] = -3.0, Cas[3] = -4.0, Cat[3] = -5.0, Cab[3] = -6.0;
  computeOmpbugtrap();
  EXPECT_EQ(logText(),
            "Error in setting coefficients: Cab[2] = -10.000000 for Iter = 12\n"
            "Error in setting coefficients: Cat[2] = -0.010000 for Iter = 12\n"
            "Error in setting coefficients: Caw[2] = -0.500000 for Iter = 12\n"
            "Error in setting coefficients: Cab[3] = -6.000000 for Iter = 12\n"
            "Error in setting coefficients: Cat[3] = -5.000000 for Iter = 12\n"
            "Error in setting coefficients: Cas[3] = -4.000000 for Iter = 12\n"
            "Error in setting coefficients: Cae[3] = -3.000000 for Iter = 12\n"
            "Error in setting coefficients: Caw[3] = -2.000000 for Iter = 12\n"
            "Error in setting coefficients: Can[3] = -1.000000 for Iter = 12\n");
}

// The check runs with F 223 1 and 2 (with 2 the markers would otherwise reach
// the solver unreported), over the work range only, and not otherwise.
TEST(CoefficientTrap, WhenTheCheckRuns) {
  struct Case {
    int trap;
    bool checks;
  };
  const Case cases[] = {{0, false}, {1, true}, {2, true}, {3, false}};
  for (const Case& k : cases) {
    Fixture x;
    ompbugtrap = k.trap;
    setAll(1.0);
    Cae[NoCells] = -10.0;
    computeOmpbugtrap();
    const std::string line =
        "Error in setting coefficients: Cae[" + std::to_string(NoCells) + "] = -10.000000 for Iter = 12\n";
    EXPECT_EQ(logText(), k.checks ? line : "") << "F 223 " << k.trap;
    EXPECT_EQ(RunErrorReported, k.checks ? 1 : 0) << "F 223 " << k.trap;
  }
  Fixture x;
  ompbugtrap = 1;
  setAll(1.0);
  Cae[1] = Cae[NoCells] = -10.0;
  WCStart = 2;
  WCEnd = NoCells - 1;
  computeOmpbugtrap();
  EXPECT_EQ(logText(), "");
  EXPECT_EQ(RunErrorReported, 0);
}
