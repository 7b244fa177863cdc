// The bed-cell index built by BedMake.
#include <gtest/gtest.h>

#include <vector>

#include "grid/geometry.h"
#include "grid/grid_read.h"
#include "state/arrays.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"

namespace {

std::vector<double> bedDepths(const double* a) { return {a[1], a[2], a[3]}; }
std::vector<int> bedInts(const int* a) { return {a[1], a[2], a[3]}; }

}  // namespace

// Columns set up by hand: three blocks, one of another kind; a column of three
// cells, a dry column, a column of one cell, and a chain that loops.
TEST(BedMake, NumbersColumnsAndWalksThem) {
  InProjectDir p;
  useThreeCellSizes();
  ASSERT_EQ(sialloc(), 0);
  ASSERT_GT(AllocateArrays(1, 1, 1), 0.0);
  NoBlocks = 3;
  block[1] = BlockRecord{};
  block[1].i1 = 2, block[1].i2 = 3, block[1].j1 = 2, block[1].j2 = 2;
  block[2] = BlockRecord{};
  block[2].i1 = 2, block[2].i2 = 2, block[2].j1 = 3, block[2].j2 = 3;
  block[3] = BlockRecord{};
  block[3].i1 = 4, block[3].i2 = 4, block[3].j1 = 2, block[3].j2 = 2, block[3].kind = 1;
  NoCells = 5;
  zval[2][2][0] = 1;  // cells 1, 2, 3 upward
  Ccellt[1] = 2, Ccellt[2] = 3;
  Ckdist[1] = 0.5, Ckdist[2] = 1.0, Ckdist[3] = 1.5;
  zval[2][3][0] = 4;  // one cell
  Ckdist[4] = 0.25;
  Cbed[5] = 9;  // a cell in no column keeps no bed cell
  BedMake();

  EXPECT_EQ(NoBCells, 3);
  EXPECT_EQ(pointbed[2][2], 1);
  EXPECT_EQ(pointbed[3][2], 2);
  EXPECT_EQ(pointbed[2][3], 3);
  EXPECT_EQ(pointbed[4][2], 0);
  EXPECT_EQ(block[1].firstBedCell, 1);
  EXPECT_EQ(block[1].lastBedCell, 2);
  EXPECT_EQ(block[2].firstBedCell, 3);
  EXPECT_EQ(block[2].lastBedCell, 3);
  EXPECT_EQ(block[3].firstBedCell, 4);
  EXPECT_EQ(block[3].lastBedCell, 3);
  EXPECT_EQ(bedInts(Bcellt), (std::vector<int>{1, 0, 4}));
  EXPECT_EQ(bedInts(Bnocells), (std::vector<int>{3, 0, 1}));
  EXPECT_EQ(bedDepths(Bdepth), (std::vector<double>{6.0, 0.0, 0.5}));
  EXPECT_EQ(std::vector<int>(Cbed, Cbed + 6), (std::vector<int>{0, 1, 1, 1, 3, 0}));
  EXPECT_EQ(Bkooi[3], 2);
  EXPECT_EQ(Bkooj[3], 3);

  // A column whose cells point upward at themselves ends after every cell once.
  zval[3][2][0] = 5;
  Ccellt[5] = 5;
  BedMake();
  EXPECT_EQ(Bnocells[2], 5);
  EXPECT_EQ(Cbed[5], 2);
}

// Two grids read one after the other: the columns of the first stay
// available as the old columns, and a BedMake on the unchanged grid keeps them.
TEST(BedMake, OldColumnsOfTheGridReadBefore) {
  InProjectDir p;
  readGrid(p.dir(), ThreeCellGrid{});
  EXPECT_EQ(bedDepths(Bdepth), (std::vector<double>{1.0, 1.0, 1.0}));

  ThreeCellGrid deeper;
  deeper.top0 = 2.5;
  deeper.columnCell[1] = 0;  // the middle column falls dry
  readGrid(p.dir(), deeper);
  EXPECT_EQ(bedInts(Bcellt), (std::vector<int>{1, 0, 3}));
  EXPECT_EQ(bedInts(Bnocells), (std::vector<int>{1, 0, 1}));
  EXPECT_EQ(bedDepths(Bdepth), (std::vector<double>{2.5, 0.0, 2.5}));
  EXPECT_EQ(bedInts(Bcellt_old), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(bedInts(Bnocells_old), (std::vector<int>{1, 1, 1}));
  EXPECT_EQ(bedDepths(Bdepth_old), (std::vector<double>{1.0, 1.0, 1.0}));
  EXPECT_EQ(Cbed[2], 0);

  BedMake();
  EXPECT_EQ(bedDepths(Bdepth_old), (std::vector<double>{1.0, 1.0, 1.0}));
  EXPECT_EQ(FlagGridHasChanged, 0);
}

// The numbering is made once: a block added later gets no bed cells and the
// bed data of the numbered columns stay, until NoBCells is set to 0.
TEST(BedMake, NumbersOnlyWhenNoBedCellsExist) {
  InProjectDir p;
  useThreeCellSizes();
  ASSERT_EQ(sialloc(), 0);
  ASSERT_GT(AllocateArrays(1, 1, 1), 0.0);
  NoBlocks = 1;
  block[1] = BlockRecord{};
  block[1].i1 = 2, block[1].i2 = 3, block[1].j1 = 2, block[1].j2 = 2;
  NoCells = 2;
  zval[2][2][0] = 1;
  zval[3][2][0] = 2;
  BedMake();
  ASSERT_EQ(NoBCells, 2);
  Binout[2] = 0.75;
  Bcellth[1] = 7;

  NoBlocks = 2;
  block[2] = BlockRecord{};
  block[2].i1 = 2, block[2].i2 = 2, block[2].j1 = 3, block[2].j2 = 3;
  NoCells = 3;
  zval[2][3][0] = 3;
  BedMake();
  EXPECT_EQ(NoBCells, 2);
  EXPECT_EQ(pointbed[2][3], 0);
  EXPECT_EQ(Cbed[3], 0);
  EXPECT_EQ(Binout[2], 0.75);
  EXPECT_EQ(Bcellth[1], 7);
  EXPECT_EQ(Bcellt[2], 2);

  NoBCells = 0;
  BedMake();
  EXPECT_EQ(NoBCells, 3);
  EXPECT_EQ(pointbed[2][3], 3);
  EXPECT_EQ(Cbed[3], 3);
  EXPECT_EQ(Binout[2], 0.0);
}
