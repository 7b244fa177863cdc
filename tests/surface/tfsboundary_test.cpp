// The boundary levels and the second smoother of the transient kinematic
// surface, on generated boxes of 1 m columns (block 1: columns i = 2..nx+1,
// j = 2..ny+1, grid points i = 1..nx+1, j = 1..ny+1) with group 1 (inflow)
// along the west edge and group 2 (outflow) along the east edge.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"
#include "surface/surface.h"
#include "surface/tfs.h"

namespace {

double& zs(int i, int j) { return zval[i][j][znumber]; }

struct Box {
  InProjectDir dir;
  int nx, ny;
  explicit Box(int nx_ = 6, int ny_ = 3, double bed = 0.0, double water = 1.0) : nx(nx_), ny(ny_) {
    setRunStateInitial();
    FlowGrid g = FlowGrid::box(nx, ny, water);
    g.bed = [bed](int, int) { return bed; };
    EXPECT_TRUE(g.build());
    for (int c = 0; c <= NoCells; ++c) Cxvel[c] = Cyvel[c] = Czvel[c] = 0.0;
    setLevels([water](int, int) { return water; });
  }
  int east() const { return nx + 1; }
  static void setLevels(const std::function<double(int, int)>& z) {
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) zval[i][j][znumber] = zval[i][j][znumber + 1] = z(i, j);
  }
};

// A timei series of (time, upstream level, downstream level) records.
void series(const std::vector<std::array<double, 3>>& r) {
  const int n = static_cast<int>(r.size());
  ArrayTimeSteps = 10;
  ASSERT_TRUE(allocate1(TimeInTime, 11));
  ASSERT_TRUE(allocate1(TimeInHinn, 11));
  ASSERT_TRUE(allocate1(TimeInHout, 11));
  for (int k = 0; k < n; ++k) TimeInTime[k] = r[k][0], TimeInHinn[k] = r[k][1], TimeInHout[k] = r[k][2];
  TimeInNo = n;
}

std::vector<double> line(int i, int ny) {
  std::vector<double> v;
  for (int j = 1; j <= ny + 1; ++j) v.push_back(zs(i, j));
  return v;
}

// ---- Time-series levels ----

// The outlet grid points follow the downstream level at stimet: held at the
// first record before it, interpolated between records, held at the last one
// after the series; a series with a single record holds it at all times.
TEST(TfsSeriesLevels, OutletFollowsTheDownstreamLevelInTime) {
  struct Row {
    std::vector<std::array<double, 3>> records;
    double t, expected;
  } rows[] = {
      {{{10, 0, 1.0}, {20, 0, 1.2}, {30, 0, 1.1}}, 5.0, 1.0},
      {{{10, 0, 1.0}, {20, 0, 1.2}, {30, 0, 1.1}}, 15.0, 1.1},
      {{{10, 0, 1.0}, {20, 0, 1.2}, {30, 0, 1.1}}, 25.0, 1.15},
      {{{10, 0, 1.0}, {20, 0, 1.2}, {30, 0, 1.1}}, 45.0, 1.1},
      {{{10, 0, 1.05}}, 0.0, 1.05},
      {{{10, 0, 1.05}}, 99.0, 1.05},
  };
  for (const Row& r : rows) {
    Box box;
    series(r.records);
    stimet = r.t;
    tfsSeriesLevels();
    for (int j = 1; j <= 4; ++j) {
      EXPECT_NEAR(zs(box.east(), j), r.expected, 1e-12) << r.t << " " << j;
      EXPECT_EQ(zs(box.east() - 1, j), 1.0);
      EXPECT_EQ(zs(1, j), 1.0) << "an upstream column of zeros is no level";
    }
  }
}

// Levels at and below 0 m are real levels: a channel below the datum gets
// them at both ends; the upstream level sets the inflow side.
TEST(TfsSeriesLevels, LevelsBelowTheDatumAreApplied) {
  Box box(6, 3, -2.0, -0.1);
  series({{0, -0.05, 0.0}, {10, 0.05, -0.2}});
  stimet = 5.0;
  tfsSeriesLevels();
  for (int j = 1; j <= 4; ++j) {
    EXPECT_NEAR(zs(box.east(), j), -0.1, 1e-12) << j;
    EXPECT_NEAR(zs(1, j), 0.0, 1e-12) << j;
  }
}

// F 439 1: record 0 raised by the outlet deposit depth at the outlet, the
// series in time at the inlet.
TEST(TfsSeriesLevels, DepositDepthsRaiseRecordZero) {
  Box box;
  series({{0, 1.3, 1.0}, {10, 1.5, 1.2}});
  stimet = 5.0;
  depthDepositOut = 0.1;
  depthDepositIn = 0.05;
  FlagDepthDeposit = 1;
  tfsSeriesLevels();
  EXPECT_NEAR(zs(box.east(), 2), 1.1, 1e-12);
  EXPECT_NEAR(zs(1, 2), 1.4, 1e-12);
}

// ---- Least outlet depth ----

// However low the outlet level is set, the outlet grid points keep
// TFSminDepth of water; the other points are not touched.
TEST(TfsMinimumOutletDepth, OutletDepthNeverFallsBelowTheMinimum) {
  Box box;
  series({{0, 0, -0.5}});
  tfsSeriesLevels();
  tfsMinimumOutletDepth();
  for (int j = 1; j <= 4; ++j) {
    EXPECT_NEAR(zs(box.east(), j), 0.02, 1e-12) << j;
    EXPECT_EQ(zs(1, j), 1.0);
  }
  TFSminDepth = 0.3;
  tfsMinimumOutletDepth();
  EXPECT_NEAR(zs(box.east(), 2), 0.3, 1e-12);
}

// ---- Outlet damping ----

// A sloping surface z = 1 + 0.01 i with the flow at 0.5 m/s eastwards.
void slopingFlow() {
  Box::setLevels([](int i, int) { return 1.0 + 0.01 * i; });
  for (int c = 1; c <= NoCells; ++c) Cxvel[c] = 0.5;
}

// The friction drop over a boundary column 1 m long and 1 m deep at 0.5 m/s
// with W 1 50: S = 0.25 / (50^2 1^1.333).
constexpr double kDelta = 0.25 / 2500.0;

// F 353 2 and 3 are the same rule; both relax the rows behind the east
// outlet and extrapolate the west inlet.
TEST(TfsOutletDamping, Variants2And3Agree) {
  std::vector<std::vector<double>> results;
  for (int variant : {2, 3}) {
    Box box;
    slopingFlow();
    surfaceDownstreamDamp = variant;
    tfsOutletDamping();
    std::vector<double> all;
    for (int i = 1; i <= 7; ++i)
      for (double z : line(i, 3)) all.push_back(z);
    results.push_back(all);
  }
  EXPECT_EQ(results[0], results[1]);
  // Relax east (at the south wall, where one outlet column relaxes the line):
  // row 6 takes 0.9 of row 7 plus the drop, row 5 0.8 of the new row 6.
  Box box;
  slopingFlow();
  surfaceDownstreamDamp = 2;
  tfsOutletDamping();
  const double z6 = 0.9 * (1.07 + kDelta) + 0.1 * 1.06;
  EXPECT_NEAR(zs(6, 1), z6, 1e-9);
  EXPECT_NEAR(zs(5, 1), 0.8 * (z6 + kDelta) + 0.2 * 1.05, 1e-9);
  EXPECT_NEAR(zs(7, 1), 1.07, 1e-12);
}

// F 353 1: the east outlet points are set from the row behind less the drop
// while no series gives the outlet level, and left to the series otherwise;
// the inlet is extrapolated from the four rows behind it, each carried out
// along the (negative) slope of an inflow (seen at the south wall, where the
// first inlet column alone does it, before the volume it moves is given back
// behind).
TEST(TfsOutletDamping, Variant1SetsTheOutletUnlessTheSeriesDoes) {
  {
    Box box;
    slopingFlow();
    surfaceDownstreamDamp = 1;
    tfsOutletDamping();
    EXPECT_NEAR(zs(7, 2), 1.06 - kDelta, 1e-9);
    const double d = -kDelta;
    EXPECT_NEAR(zs(1, 1), 0.5 * (1.02 - d) + 0.3 * (1.03 - 2 * d) + 0.15 * (1.04 - 3 * d) + 0.05 * (1.05 - 4 * d), 1e-9);
  }
  {
    Box box;
    slopingFlow();
    series({{0, 0, 1.07}});
    surfaceDownstreamDamp = 1;
    tfsOutletDamping();
    EXPECT_NEAR(zs(7, 2), 1.07, 1e-12);
  }
}

// F 353 5 with F 452 0.5 0.5: the rows behind the west boundary are smoothed
// with weights 0.25 (next row in), 0.5 (the row), 0.25 (row towards the
// boundary); line j = 1 takes the rule once (one inlet column there).
TEST(TfsOutletDamping, RowSmoothingOfF452) {
  Box box;
  DischargeStruct[2].surfno = 0;  // the west inlet alone
  Box::setLevels([](int i, int) { return i == 3 ? 1.2 : 1.0; });
  surfaceDownstreamDamp = 5;
  surfaceDampSec = 2;
  series({{0, 1.0, 0}});  // the inlet level comes from the series
  tfsOutletDamping();
  const double z2 = 0.25 * 1.2 + 0.5 * 1.0 + 0.25 * 1.0;
  EXPECT_NEAR(zs(2, 1), z2, 1e-12);
  EXPECT_NEAR(zs(3, 1), 0.25 * 1.0 + 0.5 * 1.2 + 0.25 * z2, 1e-12);
  EXPECT_NEAR(zs(4, 1), 1.0, 1e-12);
  EXPECT_NEAR(zs(1, 1), 1.0, 1e-12);
}

// A block shorter than the reach of the rules: the relaxations, the
// extrapolation and a smoothing of 20 rows stay inside the block's grid
// points, and the points outside it keep their levels.
TEST(TfsOutletDamping, ShortBlocksKeepTheReachInside) {
  for (int variant = 1; variant <= 6; ++variant) {
    Box box(2, 2);
    Box::setLevels([](int i, int j) { return 1.0 + 0.01 * i + 0.001 * j; });
    for (int c = 1; c <= NoCells; ++c) Cxvel[c] = 0.5;
    surfaceDownstreamDamp = variant;
    surfaceDampSec = 20;
    tfsOutletDamping();
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) {
        const bool block = i >= 1 && i <= 3 && j >= 1 && j <= 3;
        if (block)
          EXPECT_TRUE(std::isfinite(zs(i, j))) << variant;
        else
          EXPECT_EQ(zs(i, j), 1.0 + 0.01 * i + 0.001 * j) << variant << " " << i << " " << j;
      }
  }
}

// ---- Second smoother ----

// A spike of +0.5 m or -0.5 m at grid point (4, 3) of a flat surface at 1 m:
// the cap and bands of each rule (neighbours 2 m apart along i and j).
TEST(SurfaceSmoother2, CapsAndBandsOfTheRules) {
  struct Row {
    int rule, slopeFlag;
    double up, down;
  } rows[] = {
      {3, 0, 1.2, 0.5},    // mean + 0.1 x 2 m, no lower cap
      {4, 0, 1.02, 0.94},  // band from 3 r below to r above, r = 0.02
      {5, 0, 1.02, 0.94},
      {6, 0, 1.2, 0.8},    // r = 0.1 x 2 m either way
      {7, 0, 1.4, 0.6},
      {0, 1, 1.1, 0.5},    // slope cap 0.05 x 2 m above the point behind
  };
  for (const Row& r : rows)
    for (double spike : {0.5, -0.5}) {
      Box box;
      Box::setLevels([spike](int i, int j) { return i == 4 && j == 3 ? 1.0 + spike : 1.0; });
      FlagSurfSmooth = r.rule;
      FlagSurfSlope = r.slopeFlag;
      SurfSlopeVal = 0.05;
      surface_smoother2(1);
      EXPECT_NEAR(zs(4, 3), spike > 0 ? r.up : r.down, 1e-12) << r.rule << " " << spike;
      EXPECT_EQ(zs(6, 2), 1.0) << r.rule;
    }
}

// Rule 3 leaves a flat wet surface as it is.
TEST(SurfaceSmoother2, Rule3LeavesAFlatSurfaceAlone) {
  Box box;
  FlagSurfSmooth = 3;
  surface_smoother2(1);
  for (int i = 1; i <= 7; ++i)
    for (int j = 1; j <= 4; ++j) EXPECT_EQ(zs(i, j), 1.0);
}

// Rule 1 never raises a level: a point that rose in the move keeps its level,
// a point whose level before the move stood above the friction level of its
// columns is lowered by the difference, and a point at a supercritical column
// is left alone.
TEST(SurfaceSmoother2, Rule1NeverRaisesALevel) {
  Box box;
  for (int c = 1; c <= NoCells; ++c) Cxvel[c] = 0.5;
  for (int b = 1; b <= NoBCells; ++b) BFroude[b] = 0.2;
  zs(4, 3) = 1.1;                           // rose by 0.1 in the move
  zval[3][3][znumber + 1] = 1.2, zs(3, 3) = 1.1;  // stood 0.2 above the water of its columns
  zval[6][3][znumber + 1] = 1.2, zs(6, 3) = 1.1;
  BFroude[Cbed[static_cast<int>(zval[7][4][0])]] = 1.5;  // a corner column of (6, 3) shoots
  std::vector<double> before;
  for (int i = 1; i <= 7; ++i)
    for (int j = 1; j <= 4; ++j) before.push_back(zs(i, j));
  FlagSurfSmooth = 1;
  surface_smoother2(1);
  size_t k = 0;
  for (int i = 1; i <= 7; ++i)
    for (int j = 1; j <= 4; ++j) EXPECT_LE(zs(i, j), before[k++]) << i << " " << j;
  EXPECT_EQ(zs(4, 3), 1.1);
  EXPECT_NEAR(zs(3, 3), 1.0 - 0.1, 1e-4);  // friction level of 1 m columns at 0.5 m/s: 1.0 + 1e-4
  EXPECT_EQ(zs(6, 3), 1.1);
}

// Rule 2: where the level falls in the +i direction by more than the friction
// slope allows, the upstream point is lowered to the friction drop.
TEST(SurfaceSmoother2, Rule2LimitsADropToTheFrictionSlope) {
  Box box;
  for (int c = 1; c <= NoCells; ++c) Cxvel[c] = 0.5, Croughness[c] = 0.01;
  for (int j = 1; j <= 4; ++j) zs(3, j) = 1.1;
  FlagSurfSmooth = 2;
  surface_smoother2(1);
  // q = u Fvy of the side face = 0.5, h = 1 m, d = 1 m.
  const double s = 0.25 * std::pow(0.01, 0.333333) / (676.0 * 1.0);
  for (int j = 1; j <= 4; ++j) {
    EXPECT_NEAR(zs(3, j), 1.0 + s, 1e-9) << j;
    EXPECT_EQ(zs(4, j), 1.0);
    EXPECT_EQ(zs(2, j), 1.0);
  }
}

}  // namespace
