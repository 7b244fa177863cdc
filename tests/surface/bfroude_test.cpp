// Column depth and Froude number per bed cell: the height-weighted mean
// velocity, dry columns, the twist of the bed face, the Froude-limit level of
// F 351 with F 36 7 and 9, and the column-mean pressure of F 233 6 and 7, on a
// hand-built grid of 2 x 2 columns of two cells.
#include <gtest/gtest.h>

#include <cmath>

#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"
#include "surface/surface.h"

namespace {

// Bed cells 1..4 are the columns (2,2), (2,3), (3,2), (3,3); column b holds
// the cells 2b-1 (bottom) and 2b (top). Flat bed at 0, water at 1 m: two
// cells of 0.5 m (half height 0.25).
struct Columns {
  InProjectDir dir;
  SmallGrid grid;

  Columns() {
    setRunStateInitial();
    grid.nx = grid.ny = grid.nz = 2;
    grid.build();
    for (int b = 1; b <= NoBCells; ++b) Barea[b] = 1.0;
  }

  static void velocity(int b, double u, double v) {
    for (int c : {2 * b - 1, 2 * b}) Cxvel[c] = u, Cyvel[c] = v;
  }
  static void allocateLimit() { ASSERT_TRUE(allocate1(BLevFroude, static_cast<std::size_t>(bedCellCapacity()))); }
};

const double kFr1 = 0.3192754284;  // 1 / sqrt(9.81): 1 m/s in 1 m of water

}  // namespace

TEST(ColumnFroude, DepthAndFroudeNumberOfAColumn) {
  struct Case {
    const char* what;
    double u, v;
    double froude;
  };
  const Case cases[] = {
      {"1 m/s along x", 1.0, 0.0, kFr1},
      {"1 m/s oblique", 0.6, -0.8, kFr1},
      {"2 m/s along y", 0.0, 2.0, 2.0 * kFr1},
      {"at rest", 0.0, 0.0, 0.0},
  };
  for (const Case& k : cases) {
    Columns x;
    Columns::velocity(3, k.u, k.v);
    computeBFroude(1, 4);
    EXPECT_NEAR(Bdepth[3], 1.0, 1e-12) << k.what;
    EXPECT_NEAR(BFroude[3], k.froude, 1e-9) << k.what;
    EXPECT_EQ(BFroude[1], 0.0) << k.what;
  }
}

// Cells of 0.2 m and 0.8 m at 2 and 0.5 m/s: the column carries
// (0.1 x 2 + 0.4 x 0.5) / 0.5 = 0.8 m/s, not the plain mean 1.25 m/s.
TEST(ColumnFroude, VelocityIsWeightedByCellHeight) {
  Columns x;
  Ckdist[5] = 0.1, Ckdist[6] = 0.4;
  Cxvel[5] = 2.0, Cxvel[6] = 0.5;
  computeBFroude(3, 3);
  EXPECT_NEAR(Bdepth[3], 1.0, 1e-12);
  EXPECT_NEAR(BFroude[3], 0.8 * kFr1, 1e-9);
}

// A column without cells, or whose bottom cell lies beyond the grid, is dry;
// its limit level (F 36 9) comes from the empty cell 0.
TEST(ColumnFroude, DryColumn) {
  for (int bottom : {0, -3, 100, 1 << 30}) {
    Columns x;
    Columns::allocateLimit();
    solverFroude = 1;
    FlagTFS = 9;
    Columns::velocity(2, 1.0, 0.0);
    Bcellt[2] = bottom;
    BLevFroude[2] = 3.0;
    computeBFroude(1, 4);
    EXPECT_EQ(Bdepth[2], 2e-20) << bottom;
    EXPECT_EQ(BFroude[2], 0.0) << bottom;
    EXPECT_EQ(BLevFroude[2], 0.0) << bottom;
    EXPECT_NEAR(Bdepth[1], 1.0, 1e-12) << bottom;
  }
}

// Only first..last is written; an empty range writes nothing, and a range
// beyond the bed cells stops at the last bed cell.
TEST(ColumnFroude, RangeOfBedCells) {
  Columns x;
  for (int b = 0; b <= 6; ++b) Bdepth[b] = BFroude[b] = Bfly[b] = 7.0;
  computeBFroude(3, 2);
  for (int b = 0; b <= 6; ++b) EXPECT_EQ(Bdepth[b], 7.0) << b;
  computeBFroude(2, 3);
  EXPECT_EQ(Bdepth[1], 7.0);
  EXPECT_NEAR(Bdepth[2], 1.0, 1e-12);
  EXPECT_NEAR(Bdepth[3], 1.0, 1e-12);
  EXPECT_EQ(Bdepth[4], 7.0);
  computeBFroude(-5, 50);
  EXPECT_EQ(Bdepth[0], 7.0);
  EXPECT_NEAR(Bdepth[4], 1.0, 1e-12);
  EXPECT_EQ(Bdepth[5], 7.0);
}

// Column (3,3) = bed cell 4 has the corners (2,2), (3,2), (3,3), (2,3).
TEST(ColumnFroude, TwistOfTheBedFace) {
  struct Case {
    const char* what;
    double z22, z32, z33, z23;  // bed levels of the corners
    double area;
    double fly;
  };
  const Case cases[] = {
      {"flat", 0.3, 0.3, 0.3, 0.3, 1.0, 0.0},
      {"plane sloped both ways", 0.0, 0.2, 0.5, 0.3, 1.0, 0.0},
      // 0.5 (zb(i,j) + zb(i-1,j-1) - zb(i,j-1) - zb(i-1,j)) / sqrt(area)
      {"one corner raised", 0.0, 0.0, 1.0, 0.0, 4.0, 0.25},
      {"twisted the other way", 0.0, 0.4, 0.0, 0.2, 1.0, -0.3},
  };
  for (const Case& k : cases) {
    Columns x;
    zval[2][2][1] = k.z22, zval[3][2][1] = k.z32, zval[3][3][1] = k.z33, zval[2][3][1] = k.z23;
    Barea[4] = k.area;
    computeBFroude(4, 4);
    EXPECT_NEAR(Bfly[4], k.fly, 1e-12) << k.what;
  }
}

// F 36 9: the level of the bottom face of the column plus the depth at which
// its speed has the Froude number L; stored in iterations 0 and 1, relaxed
// 0.1 / 0.9 from iteration 2 on. A dry column takes the entries of cell 0.
TEST(ColumnFroude, LimitLevelOfF36Nine) {
  struct Case {
    int iter;
    double limit;
    double previous;
    double expected;
  };
  // 1 m/s over a bed at 0.2 m: hL = 1 / (9.81 L^2).
  const Case cases[] = {
      {0, 1.0, 5.0, 0.2 + 0.1019367992},
      {1, 1.0, 5.0, 0.2 + 0.1019367992},
      {1, 0.5, 5.0, 0.2 + 0.4077471967},
      {2, 1.0, 5.0, 0.1 * (0.2 + 0.1019367992) + 0.9 * 5.0},
  };
  for (const Case& k : cases) {
    Columns x;
    Columns::allocateLimit();
    solverFroude = 1;
    solverFroudeLimit = k.limit;
    FlagTFS = 9;
    Iter = k.iter;
    Czcenter[5] += 0.2;  // bottom face of column 3 at 0.2 m
    Columns::velocity(3, 1.0, 0.0);
    BLevFroude[3] = k.previous;
    BLevFroude[2] = 1.0;
    Bcellt[2] = 0;
    computeBFroude(1, 4);
    EXPECT_NEAR(BLevFroude[3], k.expected, 1e-9) << k.iter << " " << k.limit;
    EXPECT_NEAR(BLevFroude[2], k.iter < 2 ? 0.0 : 0.9, 1e-12) << k.iter;
  }
}

// F 36 7: hL minus the largest corner depth for a column at Froude 0.1 or
// more, else the mark -10; relaxed from iteration 2 on unless the previous
// value was the mark.
TEST(ColumnFroude, LimitDepthOfF36Seven) {
  struct Case {
    const char* what;
    double speed;
    int iter;
    double previous;
    double expected;
  };
  // Column 4 (corners (2,2), (3,2), (3,3), (2,3)); corner (3,3) 1.5 m deep,
  // the others 1 m. Froude 0.1 at 0.1 sqrt(9.81) = 0.3132092 m/s.
  const double h1 = 1.0 / 9.81;  // hL at 1 m/s, L = 1
  const Case cases[] = {
      {"fast, first iteration", 1.0, 1, 3.0, h1 - 1.5},
      {"fast, relaxed", 1.0, 2, 3.0, 0.1 * (h1 - 1.5) + 0.9 * 3.0},
      {"fast after the mark", 1.0, 2, -10.0, h1 - 1.5},
      {"just above Froude 0.1", 0.3133, 0, 3.0, 0.3133 * 0.3133 / 9.81 - 1.5},
      {"just below Froude 0.1", 0.3131, 2, 3.0, -10.0},
  };
  for (const Case& k : cases) {
    Columns x;
    Columns::allocateLimit();
    solverFroude = 1;
    FlagTFS = 7;
    Iter = k.iter;
    zval[3][3][znumber] = 1.5;
    Columns::velocity(4, k.speed, 0.0);
    BLevFroude[4] = k.previous;
    computeBFroude(4, 4);
    EXPECT_NEAR(BLevFroude[4], k.expected, 1e-9) << k.what;
  }
}

// The limit level is left alone with F 351 2 and with F 36 other than 7, 9.
TEST(ColumnFroude, LimitLevelUntouchedOtherwise) {
  struct Case {
    int solver, tfs;
  };
  const Case cases[] = {{2, 9}, {2, 7}, {0, 9}, {1, 0}, {1, 8}};
  for (const Case& k : cases) {
    Columns x;
    Columns::allocateLimit();
    solverFroude = k.solver;
    FlagTFS = k.tfs;
    Columns::velocity(3, 1.0, 0.0);
    BLevFroude[3] = 4.5;
    computeBFroude(1, 4);
    EXPECT_EQ(BLevFroude[3], 4.5) << k.solver << " " << k.tfs;
  }
}

TEST(ColumnFroude, ColumnMeanPressureOfF233) {
  for (int f233 : {0, 6, 7}) {
    Columns x;
    ASSERT_TRUE(allocate1(Bpresavg, static_cast<std::size_t>(bedCellCapacity())));
    FlagNonHydrostaticSurf = f233;
    Cpres[5] = 1000.0, Cpres[6] = 3000.0;
    Bpresavg[3] = -1.0;
    computeBFroude(1, 4);
    EXPECT_EQ(Bpresavg[3], f233 ? 2000.0 : -1.0) << f233;
  }
}
