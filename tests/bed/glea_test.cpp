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

}  // namespace

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
