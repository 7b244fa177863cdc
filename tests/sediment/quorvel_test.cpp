// Profiles at the interpolation points (F 329 entry 10 = 19): the sums of
// makeQuorvel, divided by the number of calls, give the profile of the
// column that holds the point at 200 levels between its bed and its water
// level.
#include <gtest/gtest.h>

#include <fstream>

#include "sediment/morphology.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"

// A velocity linear in z comes back at the levels between the lowest and
// highest cell centres, 0 beyond; a point that no grid line encloses keeps
// sums of 0; the tables hold every point of the file.
TEST(Quorvel, LinearProfileBetweenTheCellCentres) {
  InProjectDir dir;
  PrintArrayFlags[10] = 19;
  FlowGrid g = FlowGrid::box(3, 3, 1.0);
  g.levels = 12;  // 10 cells of 0.1 m
  ASSERT_TRUE(g.build());
  std::ofstream("interpol") << "M 1.5 1.5\nM 100.0 1.5\nM 0.5 2.5\nM 2.5 0.5\nM 1.2 1.0\n";
  NoInterpol = -1;
  NoQuorInterpols = 0;
  for (int c = 1; c <= NoCells; ++c) {
    Cxvel[c] = 2.0 * Czcenter[c] + 1.0;
    Cconc[0][c] = 0.5 * Czcenter[c];
  }
  makeQuorvel();
  makeQuorvel();
  ASSERT_EQ(NoQuorInterpols, 2);
  ASSERT_EQ(NoQuorPoints, 5);
  for (int p : {0, 2, 3, 4}) {
    int inside = 0;
    for (int n = 0; n < 200; ++n) {
      const double z = n / 199.0;
      EXPECT_NEAR(quorz[p][n] / 2, z, 1e-12);
      const bool between = z > 0.05 + 1e-12 && z < 0.95 - 1e-12;
      if (!between && !(z < 0.05 - 1e-12 || z > 0.95 + 1e-12)) continue;  // at a centre
      EXPECT_NEAR(quorxvel[p][n] / 2, between ? 2.0 * z + 1.0 : 0.0, 1e-12) << p << " " << n;
      EXPECT_NEAR(quorc[p][n][0] / 2, between ? 0.5 * z : 0.0, 1e-12);
      inside += between ? 1 : 0;
    }
    EXPECT_GT(inside, 170) << p;
  }
  for (int n = 0; n < 200; ++n) {
    EXPECT_EQ(quorxvel[1][n], 0.0);
    EXPECT_EQ(quorz[1][n], 0.0);
  }
}

// Without points the calls are only counted.
TEST(Quorvel, WithoutPointsOnlyCounts) {
  InProjectDir dir;
  PrintArrayFlags[10] = 19;
  FlowGrid g = FlowGrid::box(3, 3, 1.0);
  ASSERT_TRUE(g.build());
  NoInterpol = -1;
  NoQuorInterpols = 0;
  makeQuorvel();
  EXPECT_EQ(NoQuorInterpols, 1);
  EXPECT_EQ(quorz, nullptr);
}
