// Carry-over of the fields to a changed grid on grids of two blocks: the
// redistribution by position, the plastics booked by columns that fell dry,
// the thixotropic levels and hydrostatic start of a sub-bed block, the
// sub-bed columns and their second cells for the next change.
#include <gtest/gtest.h>

#include <vector>

#include "grid/fieldmap.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/projected_blocks.h"

namespace {

// Cells of the old grid are numbered apart from the new ones (from 500 up),
// so that a value read at the wrong grid's number shows.
constexpr int kOldBase = 500;

// Transient arrays with two sizes; the options that allocate optional
// families are set by the caller before the grid is built.
void transientModel() {
  TimeStep = 1.0;
  lnumber = 2;
}

// The old column of bed cell b: n cells from old cell `first`, the values of
// the x velocity (the pressure is 1000 times, size 1 a thousandth, size 2 a
// ten-thousandth of it).
void oldColumn(int b, int first, const std::vector<double>& u, double depth) {
  const int n = static_cast<int>(u.size());
  Bnocells_old[b] = n;
  Bcellt_old[b] = n > 0 ? first : 0;
  Bdepth_old[b] = depth;
  for (int m = 0; m < n; ++m) {
    const int c = first + m;
    Cxvel_old[c] = u[m];
    Cyvel_old[c] = -u[m];
    Czvel_old[c] = 0.1 * u[m];
    Cpres_old[c] = 1000.0 * u[m];
    Ckinen_old[c] = 0.01 * u[m];
    Cepsilon_old[c] = 0.001 * u[m];
    CinvAp_old[c] = 1e-4 * u[m];
    Cconc_old[1][c] = 1e-3 * u[m];
    Cconc_old[2][c] = 1e-4 * u[m];
  }
}

void makeDry(int b) {
  Bcellt[b] = 0;
  Bnocells[b] = 0;
  Bdepth[b] = 0.0;
  zval[Bkooi[b]][Bkooj[b]][0] = 0.0;
}

}  // namespace

// Redistribution by position (F 147 second value 1): a middle cell m of n new
// cells takes old cells a, a + 1 at x = (m + 1) n_old / n, clamped to
// 1..n_old - 1, a = int(x), weight x - int(x) on the upper one; the bottom and
// top cells take the old bottom and top. One column in each block, with old
// values 10, 20, 40 (, 80):
//   3 -> 7 cells: x = 6/7 -> 1 (10), 9/7 (10 + 10 2/7), 12/7 (10 + 10 5/7),
//                 15/7 -> 2 (20), 18/7 -> 2 (20); top 40
//   4 -> 5 cells: x = 1.6 (10 + 0.6 x 10 = 16), 2.4 (20 + 0.4 x 20 = 28),
//                 3.2 -> 3 (40); top 80
TEST(CarryOver, RedistributionByPositionInBothBlocks) {
  InProjectDir p;
  transientModel();
  ExtrapAlgo1 = 1;
  ProjectedBlocks g;
  g.maxLevels = 7;
  g.blocks = {{2, 2, 2, 2, 7, 0.0, 0.0, 1.0, 1.0, 1.0}, {5, 5, 2, 2, 5, 10.0, 0.0, 1.0, 1.0, 1.0}};
  g.build();
  oldColumn(1, kOldBase + 1, {10, 20, 40}, 7.0);
  oldColumn(2, kOldBase + 11, {10, 20, 40, 80}, 5.0);
  FlagNeedsToBeInterpolated = 1;
  InterpolateGrid();

  struct Case {
    int block, i;
    std::vector<double> u;
  };
  const Case cases[] = {
      {1, 2, {10, 10, 10 + 20.0 / 7, 10 + 50.0 / 7, 20, 20, 40}},
      {2, 5, {10, 16, 28, 40, 80}},
  };
  for (const Case& k : cases)
    for (int m = 0; m < static_cast<int>(k.u.size()); ++m) {
      const int c = g.cell(k.block, k.i, 2, m + 1);
      SCOPED_TRACE(testing::Message() << "block " << k.block << " cell " << m + 1);
      EXPECT_NEAR(Cxvel[c], k.u[m], 1e-12);
      EXPECT_NEAR(Cyvel[c], -k.u[m], 1e-12);
      EXPECT_NEAR(Cpres[c], 1000.0 * k.u[m], 1e-9);
      EXPECT_NEAR(Cepsilon[c], 0.001 * k.u[m], 1e-15);
      // No mass correction by this method.
      EXPECT_NEAR(Cconc[1][c], 1e-3 * k.u[m], 1e-15);
      EXPECT_NEAR(Cconc[0][c], 1.1e-3 * k.u[m], 1e-15);
      EXPECT_NEAR(Cxvel_old[c], k.u[m], 1e-12);
    }
}

// Plastics (F 417): a column that fell dry books 2 x concentration x half
// height x density x 1000 of its former bottom cell per size, on top of what
// it held; the half height is that of the old grid (kept with F 147 second
// value 2), else the old depth over the old cell count. A column still wet and
// a column dry before and after book nothing.
TEST(CarryOver, PlasticsOfColumnsThatFellDry) {
  struct Case {
    int algo1;
    double halfHeight;
  };
  for (const Case& k : {Case{2, 0.1}, Case{1, 0.25}}) {
    SCOPED_TRACE(k.algo1);
    InProjectDir p;
    transientModel();
    FlagPlastics = 1;
    ExtrapAlgo1 = k.algo1;
    ProjectedBlocks g;
    g.blocks = {{2, 4, 2, 2, 2, 500000.0, 7000000.0, 10.0, 10.0, 0.5}};
    g.build();
    ASSERT_NE(BplasticDeposits, nullptr);
    ASSERT_DOUBLE_EQ(density, 2.65);
    oldColumn(1, kOldBase + 1, {10, 500}, 1.0);  // wet before, dry now
    oldColumn(2, kOldBase + 3, {10, 10}, 1.0);   // wet before and now
    oldColumn(3, 0, {}, 0.0);                    // dry before and now
    if (Ckdist_old) Ckdist_old[kOldBase + 1] = 0.1, Ckdist_old[kOldBase + 2] = 0.4;
    makeDry(1);
    makeDry(3);
    for (int b = 1; b <= 3; ++b) BplasticDeposits[1][b] = BplasticDeposits[2][b] = 0.7;
    FlagNeedsToBeInterpolated = 1;
    InterpolateGrid();
    // Size 1 at 0.01, size 2 at 0.001 in the former bottom cell.
    EXPECT_NEAR(BplasticDeposits[1][1], 0.7 + 2.0 * 0.01 * k.halfHeight * 2650.0, 1e-9);
    EXPECT_NEAR(BplasticDeposits[2][1], 0.7 + 2.0 * 0.001 * k.halfHeight * 2650.0, 1e-9);
    for (int b : {2, 3}) {
      EXPECT_DOUBLE_EQ(BplasticDeposits[1][b], 0.7) << b;
      EXPECT_DOUBLE_EQ(BplasticDeposits[2][b], 0.7) << b;
    }
  }
}

// A sub-bed block (the last block, F 236 1): after the first iteration its
// cells above the thixotropic level of their column get TransInnerIter / 2 and
// 1.2, the others -2 and 0 (a centre on the level is not above it), and its
// columns start hydrostatic: 9810 x (full heights above + own half height).
// The ordinary block keeps its carried fields and no levels. Before the first
// iteration no level is set; without a sub-bed block nothing of this happens.
TEST(CarryOver, SubBedBlockLevelsAndHydrostaticStart) {
  struct Case {
    int iter, subBed;
    std::vector<int> levels1, levels2;  // Cthixolev of the two sub-bed columns
  };
  const Case cases[] = {
      {1, 1, {-2, 3, 3}, {-2, -2, 3}},
      {0, 1, {0, 0, 0}, {0, 0, 0}},
      {1, 0, {0, 0, 0}, {0, 0, 0}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "Iter " << k.iter << " sub-bed " << k.subBed);
    InProjectDir p;
    transientModel();
    FlagThixo = 1;
    TransInnerIter = 7;
    Iter = k.iter;
    ProjectedBlocks g;
    BoxColumns subBed{5, 6, 2, 2, 3, 20.0, 0.0, 1.0, 1.0, 1.0};
    subBed.subBed = k.subBed;
    g.blocks = {{2, 2, 2, 2, 3, 0.0, 0.0, 1.0, 1.0, 1.0}, subBed};
    g.build();
    ASSERT_NE(Bthixolev, nullptr);
    for (int b = 1; b <= 3; ++b) oldColumn(b, kOldBase + 10 * b, {1, 2, 3}, 3.0);
    Bthixolev[1] = -5.0;  // every cell of the ordinary column lies above
    Bthixolev[2] = 1.0;   // centres 0.5 | 1.5, 2.5
    Bthixolev[3] = 1.5;   // centres 0.5, 1.5 | 2.5
    for (int c = 1; c <= NoCells; ++c) Cthixolev[c] = 9, Cthixorat[c] = 9.0;
    FlagNeedsToBeInterpolated = 1;
    InterpolateGrid();
    for (int m = 1; m <= 3; ++m) {
      const int c = g.cell(1, 2, 2, m);
      EXPECT_EQ(Cthixolev[c], 0);
      EXPECT_EQ(Cthixorat[c], 0.0);
      EXPECT_DOUBLE_EQ(Cpres[c], 1000.0 * m);
    }
    const double hydrostatic[] = {24525.0, 14715.0, 4905.0};
    for (int col = 0; col < 2; ++col)
      for (int m = 1; m <= 3; ++m) {
        const int c = g.cell(2, 5 + col, 2, m);
        const int level = (col == 0 ? k.levels1 : k.levels2)[m - 1];
        EXPECT_EQ(Cthixolev[c], level) << "column " << col << " cell " << m;
        EXPECT_EQ(Cthixorat[c], level > 0 ? 1.2 : 0.0) << "column " << col << " cell " << m;
        EXPECT_DOUBLE_EQ(Cpres[c], k.subBed ? hydrostatic[m - 1] : 1000.0 * m) << "column " << col << " cell " << m;
        EXPECT_DOUBLE_EQ(Cpres_old[c], Cpres[c]);
      }
  }
}

// Sub-bed columns of block 2 (F 236 2 with F 339): the cells above the bottom
// take the old cells from the old second cell t on when the count is kept;
// without an old second cell (t <= 1) they stand still with a hydrostatic
// pressure; otherwise they take the mean velocity of the n_old - 1 old cells
// from t and the bottom cell stands still. Afterwards the old second cells
// are 0 for block 1 and, for block 2, the cell above the old bottom number.
TEST(CarryOver, SubBedColumnsOfTheSecondBlock) {
  InProjectDir p;
  transientModel();
  FlagThixo = 2;
  FlagUnstrucThixo = 1;
  ProjectedBlocks g;
  g.blocks = {{2, 2, 2, 2, 3, 0.0, 0.0, 1.0, 1.0, 1.0}, {5, 8, 2, 2, 3, 20.0, 0.0, 1.0, 1.0, 1.0}};
  g.build();
  ASSERT_NE(Bcelltt_old, nullptr);
  oldColumn(1, kOldBase + 1, {1, 2, 3}, 3.0);
  // Bed cell 2: the count is kept; t points to old cells holding 7 and 8.
  oldColumn(2, kOldBase + 10, {1, 2, 3}, 3.0);
  Cxvel_old[kOldBase + 40] = 7, Cxvel_old[kOldBase + 41] = 8;
  Cyvel_old[kOldBase + 40] = -7, Cyvel_old[kOldBase + 41] = -8;
  Czvel_old[kOldBase + 40] = 0.7, Czvel_old[kOldBase + 41] = 0.8;
  Cpres_old[kOldBase + 40] = 70, Cpres_old[kOldBase + 41] = 80;
  Bcelltt_old[2] = kOldBase + 40;
  // Bed cell 3: two old cells and no old second cell (t = 1; old cell 1 holds
  // a velocity that must not be taken).
  oldColumn(3, kOldBase + 20, {4, 5}, 3.0);
  Cxvel_old[1] = 5.0;
  Bcelltt_old[3] = 1;
  // Bed cell 4: four old cells, t at three old cells of 3, 6 and 12 (mean 7);
  // the old cell after them is not one of them.
  oldColumn(4, kOldBase + 30, {1, 2, 3, 4}, 3.0);
  Cxvel_old[kOldBase + 50] = 3, Cxvel_old[kOldBase + 51] = 6, Cxvel_old[kOldBase + 52] = 12;
  Cxvel_old[kOldBase + 53] = 100;
  Czvel_old[kOldBase + 50] = 0.3, Czvel_old[kOldBase + 51] = 0.6, Czvel_old[kOldBase + 52] = 1.2;
  Bcelltt_old[4] = kOldBase + 50;
  // Bed cell 5: its old bottom number is cell 2 of the new grid, below cell 3.
  oldColumn(5, 2, {1, 2, 3}, 3.0);
  Bcelltt_old[5] = kOldBase + 40;
  Bcelltt_old[1] = 55;
  FlagNeedsToBeInterpolated = 1;
  InterpolateGrid();

  auto cell = [&](int i, int m) { return g.cell(2, i, 2, m); };
  // Bed cell 2 (column i = 5): bottom carried, cells 2 and 3 from t, t + 1.
  EXPECT_DOUBLE_EQ(Cxvel[cell(5, 1)], 1.0);
  EXPECT_DOUBLE_EQ(Cxvel[cell(5, 2)], 7.0);
  EXPECT_DOUBLE_EQ(Cxvel[cell(5, 3)], 8.0);
  EXPECT_DOUBLE_EQ(Cyvel[cell(5, 3)], -8.0);
  EXPECT_DOUBLE_EQ(Czvel[cell(5, 2)], 0.7);
  EXPECT_DOUBLE_EQ(Cpres[cell(5, 1)], 1000.0);
  EXPECT_DOUBLE_EQ(Cpres[cell(5, 2)], 70.0);
  EXPECT_DOUBLE_EQ(Cpres[cell(5, 3)], 80.0);
  // Bed cell 3 (column i = 6): still, hydrostatic from the top of the column.
  const double hydrostatic[] = {24525.0, 14715.0, 4905.0};
  for (int m = 1; m <= 3; ++m) {
    EXPECT_EQ(Cxvel[cell(6, m)], 0.0) << m;
    EXPECT_EQ(Cyvel[cell(6, m)], 0.0) << m;
    EXPECT_EQ(Czvel[cell(6, m)], 0.0) << m;
    EXPECT_DOUBLE_EQ(Cpres[cell(6, m)], hydrostatic[m - 1]) << m;
  }
  // Bed cell 4 (column i = 7): the mean of the three old cells from t.
  EXPECT_EQ(Cxvel[cell(7, 1)], 0.0);
  EXPECT_EQ(Czvel[cell(7, 1)], 0.0);
  for (int m : {2, 3}) {
    EXPECT_DOUBLE_EQ(Cxvel[cell(7, m)], 7.0) << m;
    EXPECT_DOUBLE_EQ(Czvel[cell(7, m)], 0.7) << m;
  }
  // The old second cells for the next change.
  EXPECT_EQ(Bcelltt_old[1], 0);
  EXPECT_EQ(Bcelltt_old[5], 3);
  for (int b : {2, 3, 4}) EXPECT_EQ(Bcelltt_old[b], 0) << b;  // their old numbers lie beyond the new cells
}
