// The coarse levels above the grid: the level counts and cell counts of the
// column multigrid, its links, the coarsest single cell dropped, the cell
// limit; the real coarse grids of the grid sequencing with their blocks,
// links, surfaces and cell limit.
#include "grid/coarselevels.h"

#include <gtest/gtest.h>

#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

int cellsOf(int r) { return block[r].lastCell - block[r].firstCell + 1; }

}  // namespace

// One block of 100 x 50 wet columns: E = 101, seven levels. The grid has one
// cell layer (znumber 2), so the levels reach beyond the layer slots of num:
// they must fit its slots all the same.
TEST(AlgMGMake, OneHundredByFiftyColumnsGiveSevenLevels) {
  InProjectDir dir;
  SmallGrid g;
  g.nx = 100, g.ny = 50, g.nz = 1;
  Flag2DAccSolver = 1;
  g.build();
  AlgMGMake();
  EXPECT_EQ(NoMGlevels, 7);
  EXPECT_EQ(NoCells, 5000) << "the grid's own count stays";
  EXPECT_EQ(NoBlocks, 1);
  const int expected[] = {5000, 1250, 325, 91, 28, 8};
  for (int L = 2; L <= 7; ++L) {
    EXPECT_EQ(block[L].kind, 2) << L;
    EXPECT_EQ(block[L].gridLevel, L) << L;
    EXPECT_EQ(cellsOf(L), expected[L - 2]) << "level " << L;
  }
  EXPECT_EQ(block[2].firstCell, 5001);
  for (int L = 3; L <= 7; ++L) EXPECT_EQ(block[L].firstCell, block[L - 1].lastCell + 1) << L;

  // Level 2: one cell per column, linked to its column and to the level-2
  // cells of the neighbour columns.
  const int c = g.cell(10, 20, 1), n = MGSCpoint[c][0];
  EXPECT_EQ(MGSCpoint[n][1], c);
  EXPECT_EQ(MGSCpoint[n][2], c);
  EXPECT_EQ(CflagDim[n], 1);
  EXPECT_EQ(Ccelle[n], MGSCpoint[g.cell(11, 20, 1)][0]);
  EXPECT_EQ(Ccelln[n], MGSCpoint[g.cell(10, 21, 1)][0]);
  EXPECT_EQ(Ccellt[n], 0);
  // Level 3 joins 2 x 2 level-2 cells, children south-west, north-west,
  // north-east, south-east; its east neighbour is the group two columns on.
  const int a = MGSCpoint[g.cell(2, 2, 1)][0], p = MGSCpoint[a][0];
  EXPECT_EQ(MGSCpoint[p][1], a);
  EXPECT_EQ(MGSCpoint[p][2], MGSCpoint[g.cell(2, 3, 1)][0]);
  EXPECT_EQ(MGSCpoint[p][3], MGSCpoint[g.cell(3, 3, 1)][0]);
  EXPECT_EQ(MGSCpoint[p][4], MGSCpoint[g.cell(3, 2, 1)][0]);
  const int east = MGSCpoint[MGSCpoint[g.cell(4, 2, 1)][0]][0];
  EXPECT_EQ(Ccelle[p], east);
  EXPECT_EQ(Ccellw[east], p);
  EXPECT_EQ(Ccellw[p], 0);
}

// A single column: E = 2 gives three levels, but level 3 would hold one cell:
// two levels, the level-3 record cleared. A column of one cell is its own
// range.
TEST(AlgMGMake, ASingleColumnKeepsLevelTwoOnly) {
  InProjectDir dir;
  SmallGrid g;
  g.nx = 1, g.ny = 1, g.nz = 1;
  Flag2DAccSolver = 2;
  g.build();
  AlgMGMake();
  EXPECT_EQ(NoMGlevels, 2);
  EXPECT_EQ(block[3].kind, 0);
  EXPECT_EQ(block[3].gridLevel, 0);
  EXPECT_EQ(block[2].firstCell, 2);
  EXPECT_EQ(MGSCpoint[1][0], 2);
  EXPECT_EQ(MGSCpoint[2][1], 1);
  EXPECT_EQ(MGSCpoint[2][2], 1);
}

// Columns of several cells: every cell of the column, the top one included,
// has the level-2 cell as its parent.
TEST(AlgMGMake, EveryCellOfAColumnPointsToItsLevelTwoCell) {
  InProjectDir dir;
  SmallGrid g;
  g.nx = 3, g.ny = 2, g.nz = 4;
  Flag2DAccSolver = 1;
  g.build();
  AlgMGMake();
  for (int i = g.i1(); i <= g.i2(); ++i)
    for (int j = g.j1(); j <= g.j2(); ++j) {
      const int n = MGSCpoint[g.cell(i, j, 1)][0];
      EXPECT_EQ(MGSCpoint[n][1], g.cell(i, j, 1));
      EXPECT_EQ(MGSCpoint[n][2], g.cell(i, j, 4));
      for (int k = 1; k <= 4; ++k) EXPECT_EQ(MGSCpoint[g.cell(i, j, k)][0], n);
    }
}

TEST(AlgMGMake, TooFewCellsForTheLevelsEndTheRun) {
  InProjectDir dir;
  SmallGrid g;
  g.nx = 10, g.ny = 10, g.nz = 2;
  Flag2DAccSolver = 1;
  MaxCeller = 230;  // 200 cells and 100 columns
  g.build();
  EXPECT_EXIT(AlgMGMake(), ::testing::ExitedWithCode(255), "");
  EXPECT_NE(dir.dir().boogie().find("Error: Number of cells in the unstructured arrays are too small\n"
                                  "when using the multi-grid solver, as it needs extra arrays. \n"
                                  "Increase the array sizes on the F 65 data set.\n"
                                  "Current value that needs increase: 230\n"),
            std::string::npos)
      << dir.dir().boogie();
}

// F 152 3 on 3 x 3 wet columns: nine level-2 cells with their column indices,
// one level-3 cell (only the group at the first anchor is complete); both
// levels counted as blocks and cells, with surfaces of their own.
TEST(MGSCoarserGridMake2D, ThreeByThreeColumnsGiveNineAndOneCells) {
  InProjectDir dir;
  SmallGrid g;
  g.nx = 3, g.ny = 3, g.nz = 2;
  MGSNo = 3;
  g.build();
  const int cells = NoCells, faces = NoSurfaces;
  MGSCoarserGridMake2D();
  EXPECT_EQ(NoBlocks, 3);
  EXPECT_EQ(NoCells, cells + 10);
  EXPECT_EQ(block[2].gridLevel, 2);
  EXPECT_EQ(block[3].gridLevel, 3);
  EXPECT_EQ(cellsOf(2), 9);
  EXPECT_EQ(cellsOf(3), 1);
  for (int i = g.i1(); i <= g.i2(); ++i)
    for (int j = g.j1(); j <= g.j2(); ++j) {
      const int n = MGSCpoint[g.cell(i, j, 1)][0];
      EXPECT_GE(n, block[2].firstCell);
      EXPECT_EQ(MGSCpoint[n][1], g.cell(i, j, 1));
      EXPECT_EQ(MGSCpoint[n][4], g.cell(i, j, 2));
      EXPECT_EQ(Cisolve[n], i);
      EXPECT_EQ(Cjsolve[n], j);
      EXPECT_EQ(Cpoint1[n], Cpoint1[g.cell(i, j, 1)]);
      EXPECT_EQ(Cpoint7[n], Cpoint7[g.cell(i, j, 2)]);
    }
  const int top = block[3].firstCell;
  EXPECT_EQ(MGSCpoint[top][1], MGSCpoint[g.cell(2, 2, 1)][0]);
  EXPECT_EQ(MGSCpoint[top][3], MGSCpoint[g.cell(3, 3, 1)][0]);
  EXPECT_EQ(Cpoint3[top], Cpoint3[MGSCpoint[g.cell(3, 3, 1)][0]]);
  // A level-2 cell of the middle row shares its faces with its neighbours.
  const int m = MGSCpoint[g.cell(3, 3, 1)][0], e = MGSCpoint[g.cell(4, 3, 1)][0];
  EXPECT_EQ(Ccelle[m], e);
  EXPECT_EQ(Cflatee[m], Cflatew[e]);
  EXPECT_EQ(Fcell1[Cflatee[m]], m);
  EXPECT_EQ(Fcell2[Cflatee[m]], e);
  EXPECT_GT(NoSurfaces, faces);
  EXPECT_EQ(WCStart, top);
  EXPECT_EQ(WCEnd, NoCells);
}

// The cell limit is tested on level 2 as well: a level that does not fit
// ends the run instead of going on half built.
TEST(MGSCoarserGridMake2D, ALevelThatDoesNotFitEndsTheRun) {
  InProjectDir dir;
  SmallGrid g;
  g.nx = 4, g.ny = 4, g.nz = 2;
  MGSNo = 2;
  MaxCeller = 40;  // 32 cells; 16 more do not fit
  g.build();
  EXPECT_EXIT(MGSCoarserGridMake2D(), ::testing::ExitedWithCode(255), "");
  EXPECT_NE(
      dir.dir().boogie().find("Error: Unstructured arrays are too small. Increase cell numbers in the F 65 data set.\n"),
      std::string::npos)
      << dir.dir().boogie();
}

// One level is the real grid alone: nothing is appended.
TEST(MGSCoarserGridMake2D, OneLevelAppendsNothing) {
  InProjectDir dir;
  SmallGrid g;
  g.nx = 3, g.ny = 3, g.nz = 2;
  MGSNo = 1;
  g.build();
  const int cells = NoCells;
  MGSCoarserGridMake2D();
  EXPECT_EQ(NoCells, cells);
  EXPECT_EQ(NoBlocks, 1);
}
