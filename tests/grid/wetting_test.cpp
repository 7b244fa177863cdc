// Water columns wet for the first time after a grid change, on hand-made
// columns of block 1: the variant that reads the bottom cells of the
// neighbouring columns and fills what stays empty from its cross-section, and
// the pressure seeding along j of the variants 3 and 4.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "grid/fieldmap.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"

namespace {

// A column (i, j): wet before (old) with its pressure and x velocity in every
// cell, newly wet, or dry now; cells of the new grid.
struct Col {
  int i, j;
  bool old;
  int cells;  // 0: dry
  double p = 0.0, u = 0.0;
};

struct Columns {
  std::vector<Col> cols;
  int j1 = 2, j2 = 2;
  // Pairs of columns whose bottom cells are not linked (a wall between them).
  std::vector<std::pair<int, int>> walls;

  int bottom(int i, int j) const { return static_cast<int>(zval[i][j][0]); }

  void build() {
    int iMax = 2, jMax = 2;
    for (const Col& c : cols) iMax = std::max(iMax, c.i), jMax = std::max(jMax, c.j);
    xnumber = iMax + 3, ynumber = jMax + 3, znumber = 12, lnumber = 2;
    MaxCeller = 400, MaxFlater = 800, MaxPunkter = 800;
    TimeStep = 1.0;
    ASSERT_EQ(sialloc(), 0);
    ASSERT_GT(AllocateArrays(1, 1, 1), 0.0);
    NoBlocks = 1;
    block[1] = BlockRecord{};
    block[1].i1 = 2, block[1].i2 = iMax, block[1].j1 = j1, block[1].j2 = j2;
    NoBCells = static_cast<int>(cols.size());
    int cell = 0;
    for (int b = 1; b <= NoBCells; ++b) {
      const Col& k = cols[b - 1];
      pointbed[k.i][k.j] = b;
      Bkooi[b] = k.i, Bkooj[b] = k.j;
      Bnocells_old[b] = k.old ? 1 : 0;
      Bcellt_old[b] = k.old ? b : 0;
      Bnocells[b] = k.cells;
      Bcellt[b] = k.cells > 0 ? cell + 1 : 0;
      zval[k.i][k.j][0] = Bcellt[b];
      for (int m = 0; m < k.cells; ++m) {
        const int c = ++cell;
        Ccellb[c] = m > 0 ? c - 1 : 0;
        Ccellt[c] = m < k.cells - 1 ? c + 1 : 0;
        Cbed[c] = b;
        Cpres[c] = k.p, Cxvel[c] = k.u;
        Ckinen[c] = k.old ? 0.01 : 0.5, Cepsilon[c] = k.old ? 0.001 : 0.5, CinvAp[c] = k.old ? 1e-3 : 0.5;
        Cconc[1][c] = 0.3;
      }
    }
    NoCells = cell;
    for (const Col& a : cols)
      for (const Col& b : cols) {
        const int ca = bottom(a.i, a.j), cb = bottom(b.i, b.j);
        if (!ca || !cb || walled(a, b)) continue;
        if (b.i == a.i + 1 && b.j == a.j) Ccelle[ca] = cb, Ccellw[cb] = ca;
        if (b.j == a.j + 1 && b.i == a.i) Ccelln[ca] = cb, Ccells[cb] = ca;
      }
  }
  bool walled(const Col& a, const Col& b) const {
    for (auto [x, y] : walls) {
      const Col &p = cols[x], &q = cols[y];
      if ((p.i == a.i && p.j == a.j && q.i == b.i && q.j == b.j) || (q.i == a.i && q.j == a.j && p.i == b.i && p.j == b.j))
        return true;
    }
    return false;
  }
};

}  // namespace

// Bottom cells of the neighbouring columns: a new column between two old ones
// takes the mean pressure (9810 and 19620 Pa: 14715) and 0.2 x the sum of the
// x velocities (1 and 2 m/s: 0.6), even where the east neighbour cell of its
// bottom cell is the upper cell of a deeper column (pressure 5000 there);
// a side without a neighbour cell (a wall) does not count. Pressures that
// cancel (9810 and -9810 Pa) leave the column without a pressure: its
// velocities, k and epsilon are cleared again (its cross-section has no other
// column), CinvAp keeps the mean.
TEST(WettingExtrapolation5, BottomCellsOfTheNeighbouringColumns) {
  struct Row {
    const char* what;
    bool eastWall, eastUpper;
    double eastP, p, u, k;
  };
  const std::vector<Row> rows = {
      {"both sides", false, false, 19620.0, 14715.0, 0.6, 0.01},
      {"east neighbour cell above the east bottom cell", false, true, 19620.0, 14715.0, 0.6, 0.01},
      {"a wall on the east side", true, false, 19620.0, 9810.0, 0.2, 0.01},
      {"pressures that cancel", false, false, -9810.0, 0.0, 0.0, 0.0},
  };
  for (const Row& r : rows) {
    InProjectDir d;
    ExtrapIter = 3;
    Columns g;
    g.cols = {{2, 2, true, 1, 9810.0, 1.0}, {3, 2, false, 2}, {4, 2, true, 2, r.eastP, 2.0}};
    if (r.eastWall) g.walls = {{1, 2}};
    g.build();
    const int c = g.bottom(3, 2), east = g.bottom(4, 2);
    if (r.eastUpper) {
      Cpres[east + 1] = 5000.0;
      Ccelle[c] = east + 1;
    }
    WettingExtrapolation5();
    EXPECT_DOUBLE_EQ(Cpres[c], r.p) << r.what;
    EXPECT_NEAR(Cxvel[c], r.u, 1e-12) << r.what;
    EXPECT_NEAR(Ckinen[c], r.k, 1e-15) << r.what;  // ExtrapRelK 1 x the mean
    EXPECT_NEAR(Cepsilon[c], 0.1 * r.k, 1e-15) << r.what;
    EXPECT_NEAR(CinvAp[c], 1e-3, 1e-15) << r.what;
    // The cell above takes the bottom cell's values; concentrations are 0.
    EXPECT_EQ(Cpres[c + 1], Cpres[c]) << r.what;
    EXPECT_EQ(Cxvel[c + 1], Cxvel[c]) << r.what;
    EXPECT_EQ(Cconc[1][c], 0.0) << r.what;
    EXPECT_EQ(Cconc[1][c + 1], 0.0) << r.what;
    // The old columns keep their values.
    EXPECT_EQ(Cpres[g.bottom(2, 2)], 9810.0);
  }
}

// A new column that no sweep reaches (walls all round) takes the mean bottom
// pressure of the wet columns of its cross-section i over j1..j2 of block 1
// (9810 and 29430 Pa: 19620; a wet column without pressure and the columns
// of the next cross-section do not count), with zero velocities, k and
// epsilon; with no pressure in its cross-section it keeps 0.
TEST(WettingExtrapolation5, CrossSectionFillOfAColumnNoSweepReaches) {
  for (bool anyPressure : {true, false}) {
    InProjectDir d;
    ExtrapIter = 2;
    Columns g;
    g.j1 = 2, g.j2 = 5;
    const double p2 = anyPressure ? 9810.0 : 0.0, p3 = anyPressure ? 29430.0 : 0.0;
    g.cols = {{2, 2, true, 1, 1e5, 1.0}, {2, 3, true, 1, 1e5, 1.0}, {2, 4, true, 1, 1e5, 1.0}, {2, 5, true, 1, 1e5, 1.0},
              {3, 2, true, 1, p2, 1.0},  {3, 3, true, 1, p3, 1.0},  {3, 4, false, 2},          {3, 5, true, 1, 0.0, 1.0}};
    g.walls = {{2, 6}, {5, 6}, {6, 7}};
    g.build();
    const int c = g.bottom(3, 4);
    WettingExtrapolation5();
    EXPECT_DOUBLE_EQ(Cpres[c], anyPressure ? 19620.0 : 0.0);
    EXPECT_DOUBLE_EQ(Cpres[c + 1], Cpres[c]);
    for (double* f : {Cxvel, Cyvel, Czvel, Ckinen, Cepsilon}) {
      EXPECT_EQ(f[c], 0.0);
      EXPECT_EQ(f[c + 1], 0.0);
    }
  }
}

// The pressure seeding along j of block 1 (j1 = 2, j2 = 5: columns with
// j > 5 / 2 + 1 = 3 look down, the others up) in the cross-section i = 2:
// old columns at j = 2 (9810 Pa) and j = 5 (29430 Pa), new columns at j = 3
// and 4 linked only to each other. The column at j = 3 finds the old one at
// j = 5 (29430), the one at j = 4 that at j = 2 (9810). Variant 3 seeds after
// the sweeps, which find nothing; variant 4 before them, and one iteration
// then carries 9810 from j = 4 to j = 3. Only from the first flow iteration
// on, and not in variant 2.
TEST(WettingExtrapolation2, PressureSeedingAlongJ) {
  struct Row {
    int algo, iter, sweeps;
    double p3, p4;
  };
  const std::vector<Row> rows = {
      {2, 1, 1, 0.0, 0.0},          {3, 1, 1, 29430.0, 9810.0}, {3, 1, 0, 29430.0, 9810.0},
      {3, 0, 1, 0.0, 0.0},          {4, 1, 1, 9810.0, 9810.0},  {4, 1, 0, 29430.0, 9810.0},
      {4, 0, 1, 0.0, 0.0},
  };
  for (const Row& r : rows) {
    InProjectDir d;
    ExtrapAlgo2 = r.algo;
    ExtrapIter = r.sweeps;
    Iter = r.iter;
    Columns g;
    g.j1 = 2, g.j2 = 5;
    g.cols = {{2, 2, true, 1, 9810.0, 1.0}, {2, 3, false, 2}, {2, 4, false, 1}, {2, 5, true, 1, 29430.0, 1.0}};
    g.walls = {{0, 1}, {2, 3}};
    g.build();
    WettingExtrapolation2();
    const int c3 = g.bottom(2, 3), c4 = g.bottom(2, 4);
    EXPECT_DOUBLE_EQ(Cpres[c3], r.p3) << r.algo << " " << r.iter << " " << r.sweeps;
    EXPECT_DOUBLE_EQ(Cpres[c4], r.p4) << r.algo << " " << r.iter << " " << r.sweeps;
    EXPECT_DOUBLE_EQ(Cpres[c3 + 1], r.p3) << "the cell above follows the bottom cell";
    EXPECT_EQ(Cxvel[c3], 0.0) << "only the pressure is seeded";
  }
}
