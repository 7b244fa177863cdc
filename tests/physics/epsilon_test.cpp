// Epsilon of the one-equation turbulence models from k, on a channel of
// 4 x 2 columns 1 m deep (4 cell layers).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "physics/physics.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"

namespace {

// k of cell c: a different value in every cell, 0 in cell 1.
double kOf(int c) { return 0.01 * (c - 1); }

// The log of the project, on stderr at the end of a death test's child.
void logToStderr() {
  if (FILE* f = std::fopen("boogie", "r")) {
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) std::fwrite(buf, 1, n, stderr);
    std::fclose(f);
  }
}

}  // namespace

// Each model with its length: 18 the eddy viscosity (coeffEpsilon 90 gives
// back the epsilon that made the k-epsilon viscosity 90 k^2/epsilon), 19 the
// height of the near-bed density current, 20 the depth of the column; k = 0
// gives 0.
TEST(ComputeEpsilon, EachModelDividesByItsLength) {
  struct Row {
    int model;
    double coefficient;
    const char* length;
  } rows[] = {{18, 90.0, "viscosity"}, {19, 1.0, "current height"}, {20, 0.3, "depth"}};
  for (const Row& r : rows) {
    InProjectDir p;
    ASSERT_TRUE(FlowGrid::box(4, 2, 1.0).build());
    TurbulenceModel = r.model;
    coeffEpsilon = r.coefficient;
    ASSERT_TRUE(allocate1(BTheight, static_cast<std::size_t>(bedCellCapacity())));
    for (int b = 1; b <= NoBCells; ++b) BTheight[b] = 0.25 * b;
    const double eps0 = 0.003;
    for (int c = 1; c <= NoCells; ++c) {
      Ckinen[c] = kOf(c);
      Cgamma[c] = 90.0 * kOf(c) * kOf(c) / eps0;
      Cepsilon[c] = -1.0;
    }
    computeEpsilon();
    for (int c = 1; c <= NoCells; ++c) {
      const double k = kOf(c);
      double expected;
      if (r.model == 18)
        expected = c == 1 ? 0.0 : eps0;
      else if (r.model == 19)
        expected = r.coefficient * std::pow(k, 1.5) / BTheight[Cbed[c]];
      else
        expected = r.coefficient * std::pow(k, 1.5) / 1.0;
      EXPECT_NEAR(Cepsilon[c], expected, 1e-12 * std::fabs(expected)) << r.length << ", cell " << c;
    }
    if (r.model == 20) {
      EXPECT_DOUBLE_EQ(Bdepth[Cbed[1]], 1.0);
    }
  }
}

// A column of zero depth: coeffEpsilon k^1.5 times 1e20, no division by 0.
TEST(ComputeEpsilon, AZeroDepthGivesALargeFiniteEpsilon) {
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::box(2, 1).build());
  TurbulenceModel = 20;
  Bdepth[Cbed[1]] = 0.0;
  Ckinen[1] = 0.04;
  computeEpsilon();
  EXPECT_DOUBLE_EQ(Cepsilon[1], 0.008 * 1e20);
}

// Another model, or model 19 without the heights of F 71, ends the run with
// the message and status -8.
TEST(ComputeEpsilonDeathTest, OtherModelsAndMissingHeightsEndWithStatusMinus8) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (int model : {0, 6, 17, 19}) {
    InProjectDir p;
    ASSERT_TRUE(FlowGrid::box(2, 1).build());
    TurbulenceModel = model;
    EXPECT_EXIT(
        {
          std::atexit(logToStderr);
          computeEpsilon();
        },
        ::testing::ExitedWithCode(248), "Error in combination of F 24 and F 328 in control file")
        << model;
  }
}
