// The thixotropic layer on a hand-made two-block grid: block 1 the water
// (no cells of its own here), block 2 the layer, a sub-bed block.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "flow/stages.h"
#include "physics/physics.h"
#include "physics_fixture.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

using namespace physics_test;

namespace {

// nx x ny columns of nz cells, 1 m deep, all of them the layer (block 2).
struct LayerGrid {
  SmallGrid g;
  LayerGrid(int nx, int ny, int nz) {
    g.nx = nx;
    g.ny = ny;
    g.nz = nz;
    g.build();
    fillAreaVectors();
    EXPECT_TRUE(allocate1(Cthixolev, NoCells + 1));
    EXPECT_TRUE(allocate1(Cthixorat, NoCells + 1));
    EXPECT_TRUE(allocate1(Bthixolev, NoBCells + 1));
    EXPECT_TRUE(allocate1(Cxvel_old, NoCells + 1));
    for (int c = 0; c <= NoCells; ++c) {
      Cthixolev[c] = 0;
      Cthixorat[c] = 0.0;
      Cxvel_old[c] = 0.0;
    }
    block[2] = block[1];
    block[2].subBed = 1;
    block[1].subBed = 0;
    block[1].firstCell = 1;
    block[1].lastCell = 0;
    block[1].firstBedCell = 1;
    block[1].lastBedCell = 0;
    NoBlocks = 2;
    for (int b = 0; b <= NoBCells; ++b) Bthixolev[b] = -100.0;  // far below the layer
  }
};

}  // namespace

// Cell c's place from the top of its column (1 = top) in a grid of nz layers.
int fromTop(int c, int nz) { return nz - (c - 1) % nz; }

// A level layer under hydrostatic pressure has no driving force; a uniform
// horizontal pressure gradient g drives each cell by g times the height of
// the layer above its centre (per m of width and m2 of bed), and the ratio
// of variant 0 stays at that value over the resistance once it holds it.
TEST(ThixoLayer, DrivingForceOfALevelLayer) {
  InProjectDir dir;
  LayerGrid L(3, 1, 4);  // cells 0.25 m high, 1 x 1 m in plan
  ThixoMySlope = 0.0;
  ThixoCritshear = 1000.0;
  TimeStep = 1e-20;  // steady: no inertia, whatever the previous field holds
  setField(Cxvel_old, [](int) { return 0.5; });
  setField(Cpres, [](int c) { return 9810.0 * (1.0 - Czcenter[c]); });
  ThixoDamp2(2);
  for (int c = 1; c <= NoCells; ++c) EXPECT_LT(std::fabs(Cthixorat[c]), 1e-9) << c;

  const double g = 100.0;  // Pa per m along x
  setField(Cpres, [g](int c) { return 9810.0 * (1.0 - Czcenter[c]) + g * Cxcenter[c]; });
  auto expected = [g](int c) { return g * (0.125 + 0.25 * (fromTop(c, 4) - 1)) / 1000.0; };
  for (int c = 1; c <= NoCells; ++c) Cthixorat[c] = expected(c);
  ThixoDamp(2);
  for (int c = 1; c <= NoCells; ++c) EXPECT_NEAR(Cthixorat[c], expected(c), 1e-6 * expected(c)) << c;
}

// Variant 2 (and 1): after a call the ratio never decreases upwards in a
// column, and a cell moves (state 2) exactly when it lies above the level.
TEST(ThixoLayer, SmoothedVariantRatioGrowsUpwardsAndStatesFollowTheLevel) {
  InProjectDir dir;
  LayerGrid L(3, 2, 4);
  ThixoMySlope = 0.8;
  setField(Cpres, [](int c) { return 9810.0 * (1.0 - Czcenter[c]) + 3000.0 * Cxcenter[c] * Czcenter[c]; });
  for (int b = 1; b <= NoBCells; ++b) Bthixolev[b] = 0.4;
  for (int call = 0; call < 5; ++call) ThixoDamp2(2);
  for (int c = 1; c <= NoCells; ++c) {
    if (Ccellb[c] > 0) {
      EXPECT_GE(Cthixorat[c], Cthixorat[Ccellb[c]]) << c;
    }
    EXPECT_EQ(Cthixolev[c], Bthixolev[Cbed[c]] > Czcenter[c] ? 0 : 2) << c;
  }
}

// Variant 3 counters: a ratio of 3.7 raises the counter by 3 (whichever way
// the layer moved in the previous step), 1.0 leaves it, 0.5 lowers it by 1;
// above a moving cell every cell holds at least 2; a bottom cell ends with
// 0, or 1 when its centre lies above the layer level.
TEST(ThixoLayer, Variant3CountsByTheIntegerPartOfTheRatio) {
  InProjectDir dir;
  LayerGrid L(1, 3, 4);  // three columns without west and east neighbours
  ThixoMySlope = 0.8;
  ThixoCritshear = 1000.0;
  TimeStep = 1.0;
  setField(Cpres, [](int) { return 0.0; });
  // Ratio = inertia / 1000 = 2000 |u0| 0.125 / 1000.
  const int A = 1, B = 5, C = 9;  // bottom cells of the columns
  for (int c = 1; c <= NoCells; ++c) Cthixolev[c] = 5;
  Cxvel_old[A + 1] = -14.8;  // 3.7, moving westwards
  Cxvel_old[A + 2] = Cxvel_old[A + 3] = 2.0;
  Cthixolev[A + 2] = Cthixolev[A + 3] = 0;
  for (int k = 1; k <= 3; ++k) {
    Cxvel_old[B + k] = 4.0;   // 1.0
    Cxvel_old[C + k] = -2.0;  // 0.5
  }
  ThixoDamp3(2);
  EXPECT_NEAR(Cthixorat[A + 1], 3.7, 1e-12);
  EXPECT_EQ(Cthixolev[A + 1], 8);
  EXPECT_EQ(Cthixolev[A + 2], 2);
  EXPECT_EQ(Cthixolev[A + 3], 2);
  for (int k = 1; k <= 3; ++k) {
    EXPECT_EQ(Cthixolev[B + k], 5) << k;
    EXPECT_EQ(Cthixolev[C + k], 4) << k;
  }
  for (int bottom : {A, B, C}) EXPECT_EQ(Cthixolev[bottom], 1) << bottom;
  EXPECT_EQ(Cthixolev[0], 0);
}

// The pressure load of a column above the water level W 1: whole cells
// above it, the cell that reaches down to it from the given height.
TEST(ThixoLayer, HydrostaticLoadOfAColumn) {
  InProjectDir dir;
  LayerGrid L(1, 1, 4);
  setField(Cpres, [](int) { return 1000.0; });
  level = 1.0;
  EXPECT_EQ(computeAccHystatForce(4, 0.6), 0.0);  // wholly at or below the level
  level = 0.5;
  EXPECT_NEAR(computeAccHystatForce(4, 0.6), 0.25 * 1000.0 + (0.75 - 0.6) * 1000.0, 1e-9);
  EXPECT_EQ(computeAccHystatForce(0, 0.6), 0.0);
}

// The level of the moving layer is smoothed along grid lines only: a level
// above both neighbours of its line comes down to them, but the last column
// of one line is not compared with the first of the next.
TEST(ThixoLayer, LevelSmoothingStaysWithinAGridLine) {
  struct Row {
    int nx, ny;
    double expected;
  };
  for (const Row r : {Row{1, 3, 0.1}, Row{2, 2, 0.55}}) {
    InProjectDir dir;
    LayerGrid L(r.nx, r.ny, 1);
    ThixoCritshear = 1000.0;
    TimeStep = 1.0;
    setField(Cpres, [](int) { return 0.0; });
    for (int b = 1; b <= NoBCells; ++b) Bthixolev[b] = 0.0;
    Bthixolev[2] = 0.5;
    // Every cell rests and relaxes its level towards its top (1 m) by a tenth.
    ThixoDamp3(2);
    EXPECT_NEAR(Bthixolev[2], r.expected, 1e-12) << r.nx;
    EXPECT_NEAR(Bthixolev[1], 0.1, 1e-12) << r.nx;
  }
}

// The friction of the layer acts on the second cell of each column alone:
// F 338 viscosity times the bottom area over half the cell height.
TEST(ThixoLayer, LayerFrictionOnTheSecondCellOnly) {
  InProjectDir dir;
  LayerGrid L(2, 1, 4);
  setField(Cap, [](int) { return 1.0; });
  wall_thixo();
  for (int c = 1; c <= NoCells; ++c) {
    const bool second = Ccellb[c] > 0 && Ccellb[Ccellb[c]] == 0;
    EXPECT_NEAR(Cap[c], second ? 1.0 + 1000.0 * 1.0 / 0.125 : 1.0, 1e-9) << c;
  }
  // Without a sub-bed block nothing changes.
  block[2].subBed = 0;
  setField(Cap, [](int) { return 1.0; });
  wall_thixo();
  for (int c = 1; c <= NoCells; ++c) EXPECT_EQ(Cap[c], 1.0);
}

// The damping rules of F 289 on the cells of the sub-bed block; no rule
// reverses or raises a velocity.
TEST(ThixoLayer, VelocityDampingRules) {
  InProjectDir dir;
  LayerGrid L(3, 1, 2);  // cells 1..6; the layer block holds cells 3..6
  block[2].firstCell = 3;
  const double u = 0.4;
  struct Row {
    int rule;
    double ratio, neighbour;
    int state;
    double factor;  // on cell 3 (bottom of the middle column)
  };
  const Row rows[] = {
      {1, 0.5, 0.5, 0, 0.0},  {1, 0.5, 0.5, 1, 1.0},   {2, -0.1, 0.5, 0, 0.0},    {2, 0.1, 0.5, 0, 1.0},
      {3, 0.9, 0.5, 0, 0.0},  {3, 1.0, 0.5, 0, 1.0},   {4, 0.5, 0.5, 0, 0.5},     {4, -0.5, 0.5, 0, 0.0},
      {4, 3.0, 0.5, 0, 1.0},  {5, 0.9, 0.5, 0, 0.0625}, {5, 0.9, -2.0, 0, 0.0},   {5, 2.0, 1.5, 0, 1.0},
      {7, 2.0, 2.0, 5, 0.0},  {6, 2.0, 2.0, 5, 1.0},   {9, -1.0, -1.0, 0, 1.0},
  };
  for (const Row& r : rows) {
    FlagThixoDampVel = r.rule;
    setField(Cxvel, [u](int) { return u; });
    setField(Cyvel, [u](int) { return -u; });
    setField(Czvel, [u](int) { return u; });
    setField(Cthixorat, [&](int) { return r.neighbour; });
    Cthixorat[3] = r.ratio;
    for (int c = 1; c <= NoCells; ++c) Cthixolev[c] = r.state;
    Bthixolev[Cbed[3]] = 0.0;  // rule 6: cell 3's centre lies above the level
    Fflux[Cflatew[3]] = 1.0;   // rule 5: the west neighbour counts
    ThixoVelDamp();
    EXPECT_NEAR(Cxvel[3], r.factor * u, 1e-15) << r.rule << " " << r.ratio;
    EXPECT_NEAR(Cyvel[3], -r.factor * u, 1e-15) << r.rule << " " << r.ratio;
    EXPECT_EQ(Cxvel[1], u) << r.rule;  // not in the layer block
    for (int c = 1; c <= NoCells; ++c) {
      EXPECT_GE(Cxvel[c] * u, 0.0) << r.rule << " cell " << c;
      EXPECT_LE(std::fabs(Cxvel[c]), u) << r.rule << " cell " << c;
    }
  }
  // Neither block a sub-bed block: nothing happens.
  block[2].subBed = 0;
  FlagThixoDampVel = 1;
  setField(Cxvel, [u](int) { return u; });
  ThixoVelDamp();
  EXPECT_EQ(Cxvel[3], u);
}

// Variant 0: a ratio above 1.1 counts a cell up, one below 0.9 down, one
// between keeps its counter; resting cells move the level of the layer
// towards the top of a resting top cell or the face under a moving cell,
// and the level then counts the cells above it up.
TEST(ThixoLayer, Variant0CountsAndMovesTheLevel) {
  InProjectDir dir;
  LayerGrid L(1, 2, 4);  // no west or east neighbours: inertia only
  ThixoCritshear = 1000.0;
  TimeStep = 1.0;
  setField(Cpres, [](int) { return 0.0; });
  // Ratio held at X by u0 = 4 X (2000 u0 0.125 / 1000 = X).
  auto hold = [](int c, double X, int counter) {
    Cthixorat[c] = X;
    Cxvel_old[c] = 4.0 * X;
    Cthixolev[c] = counter;
  };
  hold(1, 1.2, 0);
  hold(2, 1.2, 0);
  hold(3, 1.2, 0);
  hold(4, 1.0, 0);
  for (int c = 5; c <= 8; ++c) hold(c, 0.5, 3);
  ThixoDamp(2);
  const int expected[9] = {0, 1, 2, 2, 1, 1, 2, 2, 2};
  for (int c = 1; c <= 8; ++c) EXPECT_EQ(Cthixolev[c], expected[c]) << c;
  EXPECT_NEAR(Bthixolev[1], 0.9 * -100.0 + 0.1 * 1.0, 1e-12);
  EXPECT_NEAR(Bthixolev[2], 0.9 * -100.0 + 0.05 * (0.375 + 0.125), 1e-12);
  EXPECT_NEAR(Cthixorat[2], 1.2, 1e-12);
}

// Variant 1 solves the ratio as a cell equation on the layer's cells: the
// result is finite, grows upwards in each column and sets the states by the
// level.
TEST(ThixoLayer, Variant1SolvesTheRatioOnTheLayer) {
  InProjectDir dir;
  LayerGrid L(3, 1, 4);
  WCStart = 1;
  WCEnd = NoCells;
  Equation = 1;
  ThixoMySlope = 0.8;
  setField(Cgamma, [](int) { return 1.0; });
  setField(Cpres, [](int c) { return 9810.0 * (1.0 - Czcenter[c]) + 200.0 * Cxcenter[c]; });
  for (int b = 1; b <= NoBCells; ++b) Bthixolev[b] = 0.3;
  ThixoDamp1(2);
  for (int c = 1; c <= NoCells; ++c) {
    EXPECT_TRUE(std::isfinite(Cthixorat[c])) << c;
    if (Ccellb[c] > 0) {
      EXPECT_GE(Cthixorat[c], Cthixorat[Ccellb[c]]) << c;
    }
    EXPECT_EQ(Cthixolev[c], Bthixolev[Cbed[c]] > Czcenter[c] ? 0 : 2) << c;
  }
  EXPECT_EQ(WCStart, 1);
  EXPECT_EQ(WCEnd, NoCells);
}
