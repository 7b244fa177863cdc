// The GLEA slope check (F 266 1) of the bank columns: a slab steeper than
// the friction allows fails and its corners move towards their mean by
// 0.4 g (Rc/R + 0.02) in all, summing to zero, never below the fixed bed.
#include <gtest/gtest.h>

#include <cmath>

#include "bed/bed.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "grid/generate.h"
#include "grid/geometry.h"
#include "grid/grid_builder.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"

namespace {

// A 3 x 3 box whose bed rises eastwards by `slope` per metre, 10 m of water;
// the check works on column (ci, cj) alone.
struct Bank {
  InProjectDir dir;
  Bank(double slope, int ci, int cj) {
    FlowGrid g;
    g.nx = 3;
    g.ny = 3;
    g.bed = [slope](int i, int) { return slope * i; };
    g.water = [](int, int) { return 10.0; };
    EXPECT_TRUE(g.build());
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) Surfaces[3][i][j] = -100.0, Surfaces[1][i][j] = 0.0;
    block[1].i1 = block[1].i2 = ci;
    block[1].j1 = block[1].j2 = cj;
    FlagGLEA = 1;
  }
};

struct Moves {
  double sum = 0.0, size = 0.0;
};
Moves cornerMoves(int i, int j, const double before[4]) {
  const int ci[4] = {i - 1, i, i, i - 1}, cj[4] = {j - 1, j - 1, j, j};
  Moves m;
  for (int k = 0; k < 4; ++k) {
    const double d = zval[ci[k]][cj[k]][1] - before[k];
    m.sum += d;
    m.size += std::fabs(d);
  }
  return m;
}

// The water block of 6 x 4 columns (1 m) on the sub-bed block of the
// groundwater model (F 262 2): the bed rises by `slope` per metre and the
// water level by `rise` per metre, both along i (alongI) or both along j.
// Under wet columns the groundwater table stands at the water level, so the
// wet neighbours of a column give the seepage gradient `rise`.
struct SeepageBank {
  InProjectDir dir;
  SeepageBank(double slope, double rise, bool alongI) {
    setRunStateInitial();
    FlagGroundwater = 2;
    TimeStep = 1.0;
    TransInnerIter = 2;
    BlockGrid g;
    g.nx = 6;
    g.ny = 4;
    g.rows = 9;
    g.bed = [=](int i, int j) { return 10.0 + slope * (alongI ? i - 1 : j - 1); };
    g.water = [=](int i, int j) { return 20.0 + rise * (alongI ? i - 1 : j - 1); };
    g.prepare();
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) Surfaces[3][i][j] = -100.0, Surfaces[1][i][j] = 0.0;
    EXPECT_EQ(UnstructureBuild(), 1);
    BedMake();
    metric();
    FlagGLEA = 1;
  }
};

double movedAnywhere() {
  double sum = 0.0;
  for (int i = 0; i <= xnumber + 1; ++i)
    for (int j = 0; j <= ynumber + 1; ++j) sum += std::fabs(Surfaces[1][i][j]);
  return sum;
}

}  // namespace

// The seepage force of the groundwater adds to the weight where the table
// falls with the bed (water flowing out of the bank down the slope) and
// takes from it where it rises against the bed, alike along i and along j.
// Written as (h_w - h_e) gx along i but (h_n - h_s) gy along j, with the
// weight term of both directions carrying gx, the same bank would fail when
// it lies along j and hold when it lies along i: the rows along i below
// fail only with the seepage taken down the slope (h_e - h_w) gx.
// A bank column whose bed rises s per metre carries a slab 0.4 s thick on
// its 1 m2: weight W = 0.4 s 9810 rho f (f the solid fraction), friction
// 0.65 W, driving force s W / (2 a) + 2 r s c 9810 with a the half length of
// the bottom cell along the slope, c its half width across it (0.5) and 2 r
// the table difference between the two neighbours along the slope (r per
// metre). It fails once r > r* = 0.4 rho f (0.65 - s / (2 a)) / (2 c); with
// s = 0.5 and a = 0.555 (the sloping cell, about sqrt(1 + s2) / 2 = 0.559;
// the levels of the water above move it by 0.01), r* = 0.53 x 0.2 = 0.106 m
// per metre.
TEST(Glea, SeepageDrivesDownTheSlopeAlongIAndJ) {
  const double s = 0.5;
  struct Row {
    bool alongI;
    double rise;
    bool fails;
  } rows[] = {
      {true, 0.14, true},  {true, 0.07, false},  {true, -0.14, false},
      {false, 0.14, true}, {false, 0.07, false}, {false, -0.14, false},
  };
  for (const Row& r : rows) {
    SeepageBank bank(s, r.rise, r.alongI);
    ASSERT_EQ(density, 2.65);
    ASSERT_EQ(SolidFrac, 0.5);
    // Columns whose both neighbours along the slope are wet and one across
    // it is dry: (4, 2) and (4, 5) along i, (2, 3), (2, 4), (7, 3), (7, 4)
    // along j (the others of rows 3..5 at the ends fail or hold with them).
    const int c = static_cast<int>(r.alongI ? zval[4][2][0] : zval[2][3][0]);
    ASSERT_GT(c, 0);
    const double along = r.alongI ? Cidist[c] : Cjdist[c], across = r.alongI ? Cjdist[c] : Cidist[c];
    EXPECT_NEAR(along, 0.555, 0.012);
    EXPECT_NEAR(across, 0.5, 1e-9);
    EXPECT_NEAR(0.4 * 2.65 * 0.5 * (0.65 - s / (2 * along)) / (2 * across), 0.106, 0.005);
    if (r.alongI) {
      block[1].i1 = block[1].i2 = 4;
    } else {
      block[1].j1 = 3;
    }
    computeGLEA();
    EXPECT_EQ(movedAnywhere() > 0.0, r.fails) << (r.alongI ? "i " : "j ") << r.rise;
  }
}

// A dry cohesionless bank fails when steeper than atan(SlopeGLEA); with
// cohesion as large as the friction the move is 0.4 g x 1.02.
TEST(Glea, BankColumnsFailOrHoldByTheirSlope) {
  struct Row {
    double slope, cohesionShare;  // cohesion as a share of the friction part
    int ci, cj;
    bool fails;
    double factor;  // Rc / R + 0.02
  } rows[] = {
      {0.8, 0.0, 2, 2, true, 0.02},  {0.5, 0.0, 2, 2, false, 0.0}, {2.0, 1.0, 2, 3, true, 1.02},
      {0.8, 1.0, 2, 2, false, 0.0},  // the cohesion holds it
      {0.8, 0.0, 3, 3, false, 0.0},  // four wet neighbours
      {0.0, 0.0, 2, 2, false, 0.0},  // a flat bottom
  };
  for (const Row& r : rows) {
    Bank bank(r.slope, r.ci, r.cj);
    const double g = r.slope;  // level difference across the 1 m bottom
    CohesionGLEA = r.cohesionShare * SlopeGLEA * density * 9810.0 * SolidFrac * 0.4 * g;
    const int ci[4] = {r.ci - 1, r.ci, r.ci, r.ci - 1}, cj[4] = {r.cj - 1, r.cj - 1, r.cj, r.cj};
    double before[4];
    for (int k = 0; k < 4; ++k) before[k] = zval[ci[k]][cj[k]][1];
    computeGLEA();
    const Moves m = cornerMoves(r.ci, r.cj, before);
    EXPECT_NEAR(m.sum, 0.0, 1e-12) << r.slope;
    EXPECT_NEAR(m.size, r.fails ? 0.4 * g * r.factor : 0.0, 1e-9) << r.slope << " " << r.ci << r.cj;
    if (r.fails) {
      EXPECT_GT(zval[ci[0]][cj[0]][1], before[0]);  // the low corner rises
      EXPECT_LT(zval[ci[1]][cj[1]][1], before[1]);
    }
  }
}

// F 266 2 runs no check; the fixed bed stops a falling corner, while the
// accumulated change records the whole move.
TEST(Glea, SecondValueAndTheFixedBed) {
  {
    Bank bank(0.8, 2, 2);
    FlagGLEA = 2;
    const double z = zval[2][1][1];
    computeGLEA();
    EXPECT_EQ(zval[2][1][1], z);
  }
  {
    Bank bank(0.8, 2, 2);
    const double z = zval[2][1][1];
    Surfaces[3][2][1] = z - 0.001;
    computeGLEA();
    const double move = -0.4 * 0.8 * 0.02 / 4.0;
    EXPECT_EQ(zval[2][1][1], z - 0.001);
    EXPECT_NEAR(Surfaces[1][2][1], move, 1e-12);
    EXPECT_NEAR(Surfaces[1][2][2], move, 1e-12);
    EXPECT_NEAR(Surfaces[1][1][1], -move, 1e-12);
  }
}
