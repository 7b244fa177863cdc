// Pond removal of the adaptive grid (F 394): the flood fill from the bed
// cells of the discharge groups empties a hollow behind a dry bank and keeps
// the river, with and without the wet-edge marks of F 394 above 1000.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "grid/generate.h"
#include "grid/geometry.h"
#include "grid/grid_builder.h"
#include "grid/gridsplit.h"
#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"

namespace {

class Ponds : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::make_unique<InProjectDir>();
    setRunStateInitial();
  }
  void TearDown() override {
    dir_.reset();
    setRunStateInitial();
  }

  // 8 x 6 columns (i 2..9, j 2..7); 1 m of water; grid lines j = bank and
  // bank + 1 stand 2 m high, so the columns between them are dry and the
  // columns on the far side form a hollow. The first build numbers the bed
  // cells; group 1 then lists the bed cell of column (seedI, seedJ).
  static void build(int flag, int bank, int seedI, int seedJ) {
    FlagRemovePonds = flag;
    BlockGrid g;
    g.nx = 8;
    g.ny = 6;
    g.bed = [bank](int, int j) { return j == bank || j == bank + 1 ? 2.0 : 0.0; };
    g.prepare();
    ASSERT_EQ(UnstructureBuild(), 1);
    metric();
    BedMake();
    DischargeGroup& G = DischargeStruct[1];
    G.surfno = 1;
    G.noBedCells = 1;
    G.bedCell[0] = pointbed[seedI][seedJ];
    ASSERT_GT(G.bedCell[0], 0);
  }

 private:
  std::unique_ptr<InProjectDir> dir_;
};

bool wet(int i, int j) { return lowestCellOf(i, j) != 0; }

}  // namespace

// Bank on lines 4 and 5 (column j = 5 dry): the river j = 2..4 holds the
// group's single bed cell, the hollow j = 6, 7 is emptied, its bed cells stay
// unmarked.
TEST_F(Ponds, HollowBehindADryBankIsEmptied) {
  build(1, 4, 3, 3);
  const int hollow = pointbed[5][6];
  ASSERT_TRUE(wet(5, 6));
  ASSERT_EQ(UnstructureBuild(), 1);
  for (int i = 2; i <= 9; ++i) {
    for (int j = 2; j <= 4; ++j) EXPECT_TRUE(wet(i, j)) << i << " " << j;
    EXPECT_FALSE(wet(i, 5));
    EXPECT_FALSE(wet(i, 6)) << i;
    EXPECT_FALSE(wet(i, 7)) << i;
  }
  EXPECT_EQ(Bponds[hollow], 0);
  EXPECT_EQ(Bponds[pointbed[9][4]], 1);
}

// The same with the wet-edge marks (F 394 1001) and the river along the last
// row (bank on lines 3 and 4, column j = 4 dry, hollow j = 2, 3, river
// j = 5..7): the marks of the last row and the last column let the fill
// reach every river column.
TEST_F(Ponds, WetEdgeMarksReachTheLastRowAndColumn) {
  build(1001, 3, 5, 6);
  ASSERT_NE(ridgeI, nullptr);
  ASSERT_TRUE(wet(5, 2));
  ASSERT_EQ(UnstructureBuild(), 1);
  for (int i = 2; i <= 9; ++i) {
    EXPECT_FALSE(wet(i, 2)) << i;
    EXPECT_FALSE(wet(i, 3)) << i;
    for (int j = 5; j <= 7; ++j) EXPECT_TRUE(wet(i, j)) << i << " " << j;
  }
  EXPECT_EQ(ridgeI[9][7], 1);
  EXPECT_EQ(ridgeJ[9][7], 1);
}

// A group without listed bed cells changes nothing.
TEST_F(Ponds, NoListedBedCellKeepsEverything) {
  build(1, 4, 3, 3);
  DischargeStruct[1].noBedCells = 0;
  ASSERT_EQ(UnstructureBuild(), 1);
  EXPECT_TRUE(wet(5, 6));
}

// The distributions other than the adaptive one accept F 394 and do not
// remove ponds: every column is wet or dry as without F 394, and the hollow
// keeps its cells.
TEST_F(Ponds, OtherDistributionsKeepTheHollow) {
  auto wetMap = [] {
    std::vector<bool> m;
    for (int i = 2; i <= 9; ++i)
      for (int j = 2; j <= 7; ++j) m.push_back(wet(i, j));
    return m;
  };
  for (int method : {2, 5, 6}) {
    SCOPED_TRACE(method);
    std::vector<bool> maps[2];
    for (int flag : {0, 1}) {
      InProjectDir d;  // every build on arrays of its own
      setRunStateInitial();
      UMethod = method;
      build(flag, 4, 3, 3);
      ASSERT_EQ(UnstructureBuild(), 1);
      maps[flag] = wetMap();
      EXPECT_TRUE(wet(5, 7));
    }
    EXPECT_EQ(maps[1], maps[0]);
  }
}
