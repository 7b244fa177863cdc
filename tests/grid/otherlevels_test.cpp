// The vertical distributions besides the adaptive one, on block grids filled
// in-process: level counts, corner levels, cell counts and the links between
// columns, and the common frame (empty selections, size limits, fixed-level
// blocks).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "grid/generate.h"
#include "grid/grid_builder.h"
#include "grid/joined_blocks.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"

namespace {

int cellsInColumn(int i, int j) {
  int n = 0;
  for (int c = static_cast<int>(zval[i][j][0]); c > 0; c = Ccellt[c]) ++n;
  return n;
}

// The c-th cell of column (i, j) from the bottom (1 = the lowest).
int cellAt(int i, int j, int c) {
  int cell = static_cast<int>(zval[i][j][0]);
  for (int q = 1; q < c && cell > 0; ++q) cell = Ccellt[cell];
  return cell;
}

// The level table 0, 1, .., 10 m (znumber 11).
void metreTable() {
  for (int k = 1; k <= 11; ++k) zdistrib[k] = k - 1;
}

// Every cell closed, its surfaces in the corner order of their sides, no
// negative volume, and the neighbour links mutual.
void expectSoundGrid(const std::string& label) {
  for (int c = 1; c <= NoCells; ++c) {
    ASSERT_LT(closureDefect(c), 1e-9) << label << " cell " << c;
    ASSERT_GE(cellVolume(c), -1e-12) << label << " cell " << c;
    if (Ccelle[c]) {
      ASSERT_EQ(Ccellw[Ccelle[c]], c) << label << " cell " << c;
    }
    if (Ccelln[c]) {
      ASSERT_EQ(Ccells[Ccelln[c]], c) << label << " cell " << c;
    }
    if (Ccellt[c]) {
      ASSERT_EQ(Ccellb[Ccellt[c]], c) << label << " cell " << c;
    }
  }
  EXPECT_EQ(cornerOrderFault(false), "") << label;
  // Entry 0 names no cell.
  EXPECT_EQ(Cpoint1[0], 0) << label;
  EXPECT_EQ(Cflatet[0], 0) << label;
  EXPECT_EQ(Ccellt[0], 0) << label;
}

// A fresh run state (MaxDepth grows over the builds of a run), then the grid.
void prepare(const BlockGrid& g) {
  setRunStateInitial();
  g.prepare();
}

double totalVolume() {
  double v = 0;
  for (int c = 1; c <= NoCells; ++c) v += cellVolume(c);
  return v;
}

}  // namespace

// F 64 0: the table is cut at the bed of each grid line; the bed moves onto
// the highest table level at or below it (within 1e-8), or up to the lowest.
TEST(TableLevels, CutAtTheBedMovesTheBedOntoATableLevel) {
  struct Case {
    double bed;
    double cut;
    int levels;
  };
  const Case cases[] = {{3.5, 3, 8}, {3.0, 3, 8}, {3.0 - 0.5e-8, 3, 8}, {3.0 - 2e-8, 2, 9}, {-1.0, 0, 11}, {9.5, 9, 2}};
  for (int method : {0, 30})
    for (const Case& cs : cases) {
      InProjectDir dir;
      BlockGrid g;
      g.nx = 2, g.ny = 1;
      g.bed = [&](int, int) { return cs.bed; };
      g.water = [](int, int) { return 7.0; };  // replaced by the table top
      prepare(g);
      metreTable();
      UMethod = method;
      ASSERT_EQ(UnstructureBuild(), 1);
      const std::string label = "F 64 " + std::to_string(method) + " bed " + std::to_string(cs.bed);
      EXPECT_EQ(antlin[2][1], cs.levels) << label;
      const int kc = 11 - cs.levels + 1;
      for (int k = 1; k <= kc; ++k) EXPECT_EQ(zval[2][1][k], cs.cut) << label << " slot " << k;
      for (int k = kc; k <= 11; ++k) EXPECT_EQ(zval[2][1][k], k - 1.0) << label << " slot " << k;
      EXPECT_EQ(cellsInColumn(2, 2), cs.levels - 1) << label;
      EXPECT_NEAR(totalVolume(), 2 * (10 - cs.cut), 1e-9) << label;
      expectSoundGrid(label);
    }
}

// F 64 0: corners cut at table levels 3, 3, 5, 6 give znumber - 3 level
// cells; the levelling puts the shallow corners' lower slots on the table and
// keeps their cut bed in slot 1.
TEST(TableLevels, ColumnWithCornersCutAtDifferentLevelsIsLevelled) {
  InProjectDir dir;
  BlockGrid g;
  g.nx = 1, g.ny = 1;
  // corners (1,1), (2,1), (2,2), (1,2): cut at levels 3, 3, 5, 6
  g.bed = [](int i, int j) { return i == 1 && j == 1 ? 2.5 : i == 2 && j == 1 ? 2.2 : i == 2 ? 4.5 : 5.3; };
  g.water = [](int, int) { return 10.0; };
  prepare(g);
  metreTable();
  UMethod = 0;
  ASSERT_EQ(UnstructureBuild(), 1);
  EXPECT_EQ(antlin[1][1], 9);
  EXPECT_EQ(antlin[2][2], 7);
  EXPECT_EQ(antlin[1][2], 6);
  ASSERT_EQ(cellsInColumn(2, 2), 8);
  const int low = cellAt(2, 2, 1);
  for (int p : {Cpoint1[low], Cpoint2[low], Cpoint3[low], Cpoint4[low]}) EXPECT_EQ(Pz[p], 2.0);
  for (int p : {Cpoint5[low], Cpoint6[low], Cpoint7[low], Cpoint8[low]}) EXPECT_EQ(Pz[p], 3.0);
  // The corner cut at 5 (bed 4) and the one cut at 6 (bed 5).
  EXPECT_EQ(zval[2][2][1], 4.0);
  EXPECT_EQ(zval[2][2][3], 2.0);
  EXPECT_EQ(zval[2][2][4], 3.0);
  EXPECT_EQ(zval[2][2][5], 4.0);
  EXPECT_EQ(zval[1][2][1], 5.0);
  EXPECT_EQ(zval[1][2][3], 2.0);
  EXPECT_EQ(zval[1][2][4], 3.0);
  EXPECT_EQ(zval[1][2][5], 4.0);
  EXPECT_EQ(zval[1][2][6], 5.0);
  EXPECT_NEAR(totalVolume(), 8.0, 1e-9);
  expectSoundGrid("levelled column");
}

// An outblocked column (G 13) has no cells under F 64 0 and 30 and gets its
// cells by depth under every other value.
TEST(TableLevels, OutblockedColumnHasNoCellsOnlyUnderTheFixedCut) {
  for (int method : {0, 30, 1, 5, 6, 12, 2}) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 3, g.ny = 1;
    g.water = [](int, int) { return 10.0; };
    g.bed = [](int, int) { return 3.5; };
    prepare(g);
    metreTable();
    bedOutBlock[3][2] = 1;
    UMethod = method;
    ASSERT_EQ(UnstructureBuild(), 1);
    const bool out = method == 0 || method == 30;
    const std::string label = "F 64 " + std::to_string(method);
    EXPECT_EQ(cellsInColumn(3, 2) == 0, out) << label;
    EXPECT_EQ(zval[3][2][0] == 0, out) << label;
    EXPECT_GT(cellsInColumn(2, 2), 0) << label;
    EXPECT_EQ(Ccelle[cellAt(2, 2, 1)] == 0, out) << label;
    expectSoundGrid(label);
  }
}

// F 64 1: the levels below the bed are pulled up onto it; a bed below table
// level 2 leaves the cell between bed and table level 2 out.
TEST(TableLevels, SecondCutPullsLevelsOntoTheBed) {
  for (int method : {1, 31}) {
    {
      InProjectDir dir;
      BlockGrid g;
      g.nx = 1, g.ny = 1;
      g.bed = [](int, int) { return 3.5; };
      g.water = [](int, int) { return 4.2; };
      prepare(g);
      metreTable();
      UMethod = method;
      ASSERT_EQ(UnstructureBuild(), 1);
      EXPECT_EQ(antlin[2][2], 8);
      for (int k = 1; k <= 4; ++k) EXPECT_EQ(zval[2][2][k], 3.5) << k;
      for (int k = 5; k <= 11; ++k) EXPECT_EQ(zval[2][2][k], k - 1.0) << k;
      EXPECT_EQ(cellsInColumn(2, 2), 7);
      EXPECT_NEAR(totalVolume(), 6.5, 1e-9);
      expectSoundGrid("bed 3.5");
    }
    InProjectDir dir;
    BlockGrid g;
    g.nx = 1, g.ny = 1;
    g.bed = [](int, int) { return 0.5; };
    prepare(g);
    metreTable();
    UMethod = method;
    ASSERT_EQ(UnstructureBuild(), 1);
    EXPECT_EQ(antlin[2][2], 10);
    EXPECT_EQ(zval[2][2][1], 0.5);
    for (int k = 2; k <= 11; ++k) EXPECT_EQ(zval[2][2][k], k - 1.0) << k;
    ASSERT_EQ(cellsInColumn(2, 2), 9);
    const int low = cellAt(2, 2, 1);
    EXPECT_EQ(Pz[Cpoint1[low]], 1.0);
    EXPECT_EQ(Pz[Cpoint7[low]], 2.0);
    expectSoundGrid("bed 0.5");
  }
}

// F 64 1 cuts within 1e-6: a level just below the bed is pulled onto it.
TEST(TableLevels, SecondCutToleranceIsAMicrometre) {
  struct Case {
    double bed;
    int levels;
  };
  for (const Case cs : {Case{3.0 - 0.5e-6, 8}, Case{3.0 - 2e-6, 9}}) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 1, g.ny = 1;
    g.bed = [&](int, int) { return cs.bed; };
    prepare(g);
    metreTable();
    UMethod = 1;
    ASSERT_EQ(UnstructureBuild(), 1);
    EXPECT_EQ(antlin[2][2], cs.levels) << cs.bed;
    EXPECT_EQ(zval[2][2][11 - cs.levels + 1], cs.bed) << cs.bed;
    EXPECT_EQ(zval[2][2][11 - cs.levels + 2], 12.0 - cs.levels) << cs.bed;
  }
}

// F 64 1: a steep column loses the cells of its deep corner, by the square
// root of its plan area; a column whose corners run clockwise keeps them.
TEST(TableLevels, SteepColumnIsReducedOnlyWhenItsCornersRunCounterclockwise) {
  for (bool clockwise : {false, true}) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 1, g.ny = 1;
    // depths 10, 10, 10 and 2 m at corner (1,2)
    g.bed = [](int i, int j) { return i == 1 && j == 2 ? 8.0 : 0.0; };
    prepare(g);
    metreTable();
    if (clockwise)
      for (int i = 1; i <= 2; ++i)
        for (int j = 1; j <= 2; ++j) xval[i][j] = -xval[i][j];
    UMethod = 1;
    ASSERT_EQ(UnstructureBuild(), 1);
    EXPECT_EQ(antlin[2][2], 10);
    EXPECT_EQ(antlin[1][2], 3);
    // e = 8 - 1 = 7 m, r = 7 x 10 / 10 = 7 (at most 10 - 3)
    EXPECT_EQ(cellsInColumn(2, 2), clockwise ? 9 : 2) << clockwise;
  }
}

// A block with fixed levels: nz + 1 levels from d2 - d1 to d2 on every grid
// line and nz cells per column, under every value of this family; the count
// stays below znumber.
TEST(FixedLevelBlock, GetsItsLevelsAndCellsUnderEveryDistribution) {
  struct Case {
    int nz;
    int cells;
  };
  for (int method : {0, 30, 1, 31, 2, 32, 5, 35, 6, 36, 12})
    for (const Case cs : {Case{4, 4}, Case{11, 10}, Case{0, 0}, Case{-3, 0}}) {
      InProjectDir dir;
      BlockGrid g;
      g.nx = 2, g.ny = 2;
      g.bed = [](int, int) { return 0.0; };
      g.water = [](int, int) { return 1.0; };
      prepare(g);
      block[1].bedFlag = 0;
      block[1].levelCount = cs.nz;
      block[1].d1 = 2.0;
      block[1].d2 = 10.0;
      UMethod = method;
      ASSERT_EQ(UnstructureBuild(), 1);
      const std::string label = "F 64 " + std::to_string(method) + " nz " + std::to_string(cs.nz);
      EXPECT_EQ(NoCells, 4 * cs.cells) << label;
      for (int i = 2; i <= 3; ++i)
        for (int j = 2; j <= 3; ++j) EXPECT_EQ(cellsInColumn(i, j), cs.cells) << label;
      if (cs.nz == 4) {
        for (int i = 1; i <= 3; ++i)
          for (int j = 1; j <= 3; ++j)
            for (int m = 0; m <= 4; ++m) EXPECT_EQ(zval[i][j][7 + m], 8 + 0.5 * m) << label;
        const int low = cellAt(2, 2, 1);
        EXPECT_EQ(Pz[Cpoint1[low]], 8.0) << label;
        EXPECT_EQ(Pz[Cpoint5[low]], 8.5) << label;
        EXPECT_NEAR(totalVolume(), 8.0, 1e-9) << label;
      }
      if (cs.nz == 11) {
        EXPECT_NEAR(totalVolume(), 8.0, 1e-9) << label;  // capped at znumber - 1 levels
      }
      expectSoundGrid(label);
    }
}

// F 64 5, znumber 12, D = 4 m: lines 4, 1 and 0.005 m deep get 12, 6 and 2
// levels; a column with corner counts 12, 6, 6, 6 has 11 cells whose lowest 6
// lie flat on the bed at the shallow corners, the top 5 dividing the depth
// there into fifths.
TEST(SpreadLevels, CountsAgainstTheDepthOfTheBuildAndPinchAtShallowCorners) {
  for (int method : {5, 35}) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 2, g.ny = 1;
    g.levels = 12;
    g.water = [](int, int) { return 4.0; };
    g.bed = [](int i, int j) { return i == 2 && j == 2 ? 0.0 : i == 3 && j == 1 ? 3.995 : 3.0; };
    prepare(g);
    UMethod = method;
    MinVertDist0 = 0.0025;
    MinVertDist1 = 0.01;
    ASSERT_EQ(UnstructureBuild(), 1);
    EXPECT_EQ(antlin[2][2], 12);
    EXPECT_EQ(antlin[1][1], 6);
    EXPECT_EQ(antlin[3][1], 2);
    EXPECT_EQ(cellsInColumn(2, 2), 11);
    EXPECT_EQ(cellsInColumn(3, 2), 11);
    // Column (2, 2), corner 1 on grid line (1, 1): bed 3, water 4.
    for (int c = 1; c <= 11; ++c) {
      const int cell = cellAt(2, 2, c);
      const double bottom = c <= 6 ? 3.0 : 4.0 - (12 - c) * 0.2, top = c <= 5 ? 3.0 : 4.0 - (11 - c) * 0.2;
      // on the bed exactly (the fraction is clamped to 1 within 1e-5)
      if (c <= 6) {
        EXPECT_EQ(Pz[Cpoint1[cell]], 3.0) << c;
        EXPECT_EQ(Pz[Cpoint5[cell]], 3.0) << c;
      }
      EXPECT_NEAR(Pz[Cpoint1[cell]], bottom, 1e-9) << c;
      EXPECT_NEAR(Pz[Cpoint5[cell]], top, 1e-9) << c;
      // corner 3 on the 4 m line: elevenths of the depth
      EXPECT_NEAR(Pz[Cpoint7[cell]], 4.0 - (11 - c) * 4.0 / 11, 1e-9) << c;
    }
    EXPECT_NEAR(totalVolume(), 0.25 * (1 + 1 + 4 + 1) + 0.25 * (1 + 0.005 + 1 + 4), 1e-9);
    expectSoundGrid("F 64 " + std::to_string(method));
  }
}

// A corner whose bed lies above the water level has all its levels at the
// water level.
TEST(SpreadLevels, CornerAboveTheWaterHasItsLevelsAtTheWater) {
  for (int method : {2, 5, 6, 12}) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 1, g.ny = 1;
    g.water = [](int, int) { return 4.0; };
    g.bed = [](int i, int j) { return i == 1 && j == 1 ? 4.5 : 0.0; };
    prepare(g);
    UMethod = method;
    ASSERT_EQ(UnstructureBuild(), 1);
    for (int c = 1; c <= cellsInColumn(2, 2); ++c) {
      const int cell = cellAt(2, 2, c);
      EXPECT_EQ(Pz[Cpoint1[cell]], 4.0) << method << " " << c;
      EXPECT_EQ(Pz[Cpoint5[cell]], 4.0) << method << " " << c;
    }
    expectSoundGrid("F 64 " + std::to_string(method));
  }
}

// F 87 sets the exponent of F 64 2/32 and 12; 5/35 and 6/36 keep 0.6. A line
// of a quarter of the depth scale, znumber 12, F 87 1.
TEST(SpreadLevels, ExponentOfTheCountsFollowsF87OnlyWhereItApplies) {
  struct Case {
    int method;
    int levels;
  };
  for (const Case cs : {Case{2, 4}, Case{32, 4}, Case{12, 4}, Case{5, 6}, Case{35, 6}, Case{6, 6}, Case{36, 6}}) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 2, g.ny = 1;
    g.levels = 12;
    g.water = [](int, int) { return 4.0; };
    g.bed = [](int i, int) { return i == 1 ? 0.0 : 3.0; };
    prepare(g);
    UMethod = cs.method;
    GridDistCoeff = 1.0;
    MaxDepth209 = 4.0 - 1e-10;  // so that F 64 2 has the scale of the others
    MinVertDist0 = 0.0025;
    MinVertDist1 = 0.01;
    ASSERT_EQ(UnstructureBuild(), 1);
    EXPECT_EQ(antlin[1][1], 12) << cs.method;
    EXPECT_EQ(antlin[2][1], cs.levels) << cs.method;
    expectSoundGrid("F 64 " + std::to_string(cs.method));
  }
}

// The steep-column reduction of F 64 2: corner depths 4, 2, 1, 1 m across a
// column whose shorter edge at (i, j) is 1 m, counts 11, 8, 6, 6: e = 2 m,
// r = 2 x 11 / 4 = 5 (at most 11 - 6), so 5 cells stay; F 64 5 keeps 10. The
// deepest line of the run has znumber - 1 levels (the depth scale carries
// 1e-10 m).
TEST(SpreadLevels, SteepColumnLosesTheCellsOfItsDeepCornerUnderTheSecondValue) {
  struct Case {
    int method;
    int cells;
  };
  for (const Case cs : {Case{2, 5}, Case{32, 5}, Case{5, 11}, Case{35, 11}}) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 1, g.ny = 1;
    g.levels = 12;
    g.water = [](int, int) { return 4.0; };
    g.bed = [](int i, int j) { return i == 2 && j == 2 ? 0.0 : i == 2 ? 2.0 : 3.0; };
    prepare(g);
    UMethod = cs.method;
    MinVertDist0 = 0.0025;
    MinVertDist1 = 0.01;
    ASSERT_EQ(UnstructureBuild(), 1);
    const bool second = cs.method == 2 || cs.method == 32;
    EXPECT_EQ(antlin[2][2], second ? 11 : 12) << cs.method;
    EXPECT_EQ(antlin[2][1], 8) << cs.method;
    EXPECT_EQ(antlin[1][1], 6) << cs.method;
    EXPECT_EQ(cellsInColumn(2, 2), cs.cells) << cs.method;
    expectSoundGrid("F 64 " + std::to_string(cs.method));
  }
}

// F 64 2 counts against the largest depth of the run (MaxDepth, or F 209):
// a fixed depth scale below the real depth caps the count at znumber.
TEST(SpreadLevels, CountsStayWithinZnumberBeyondTheDepthScale) {
  for (int method : {2, 32}) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 2, g.ny = 1;
    g.water = [](int, int) { return 4.0; };
    prepare(g);
    UMethod = method;
    MaxDepth209 = 1.0;
    ASSERT_EQ(UnstructureBuild(), 1);
    EXPECT_EQ(antlin[2][2], 11);
    EXPECT_EQ(cellsInColumn(2, 2), 10);
    EXPECT_NEAR(totalVolume(), 8.0, 1e-9);
    expectSoundGrid("F 64 " + std::to_string(method));
  }
}

// F 64 6: a wet line has at least 3 levels; a column beside a deeper one links
// its lowest cell to the lowest cell of the deep column both ways, the deep
// column's cells above it have no neighbour there up to the shallow column's
// count, and the cells above link at equal level.
TEST(BedLayer, LowestCellsOfUnequalColumnsAreJoined) {
  for (int method : {6, 36}) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 2, g.ny = 1;
    g.water = [](int, int) { return 10.0; };
    // lines i = 1, 2, 3: 10 m, 2 m, 0.0011 m deep
    g.bed = [](int i, int) { return i == 1 ? 0.0 : i == 2 ? 8.0 : 10.0 - 0.0011; };
    prepare(g);
    UMethod = method;
    ASSERT_EQ(UnstructureBuild(), 1);
    EXPECT_EQ(antlin[1][1], 11);
    EXPECT_EQ(antlin[2][1], 2 + static_cast<int>(std::pow(0.2, 0.6) * 9));  // 5
    EXPECT_EQ(antlin[3][1], 3);  // raised to 3
    const int deep = 10, shallow = 4;
    ASSERT_EQ(cellsInColumn(2, 2), deep);
    ASSERT_EQ(cellsInColumn(3, 2), shallow);
    EXPECT_EQ(Ccelle[cellAt(2, 2, 1)], cellAt(3, 2, 1));
    EXPECT_EQ(Ccellw[cellAt(3, 2, 1)], cellAt(2, 2, 1));
    for (int c = 2; c <= deep - shallow + 1; ++c) {
      const int cell = cellAt(2, 2, c);
      EXPECT_EQ(Ccelle[cell], 0) << c;
      // No higher cell reaches below the first level above the bed (8.5 m on
      // the 2 m line): its east edge there has zero height.
      EXPECT_NEAR(Pz[Cpoint2[cell]], 8.5, 1e-9) << c;
      EXPECT_NEAR(Pz[Cpoint6[cell]], 8.5, 1e-9) << c;
    }
    for (int c = 2; c <= shallow; ++c) {
      EXPECT_EQ(Ccelle[cellAt(2, 2, deep - shallow + c)], cellAt(3, 2, c)) << c;
      EXPECT_EQ(Ccellw[cellAt(3, 2, c)], cellAt(2, 2, deep - shallow + c)) << c;
    }
    // The lowest cell reaches the first level above the bed at every corner.
    const int low = cellAt(3, 2, 1);
    EXPECT_NEAR(Pz[Cpoint5[low]], 8.0 + 2.0 / 4, 1e-9);
    EXPECT_NEAR(Pz[Cpoint6[low]], 10 - 0.0011 / 2, 1e-9);
    // Total volume: the plan times the mean depth of the trapezoids.
    EXPECT_NEAR(totalVolume(), 0.5 * (10 + 2) + 0.5 * (2 + 0.0011), 1e-9);
    expectSoundGrid("F 64 " + std::to_string(method));
  }
}

// F 64 12: a 1-cell column beside a 4-cell one; two single-cell columns are
// not linked where the depths of their shared side sum to less than
// MinVertDist.
TEST(BedLayer, SingleCellColumnsAndTheThinLinkCut) {
  {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 3, g.ny = 1;
    g.water = [](int, int) { return 10.0; };
    // lines 10, 2, 0.3, 0.3 m deep
    g.bed = [](int i, int) { return i == 1 ? 0.0 : i == 2 ? 8.0 : 9.7; };
    prepare(g);
    UMethod = 12;
    MinVertDist0 = 0.001;
    MinVertDist1 = 0.5;
    ASSERT_EQ(UnstructureBuild(), 1);
    ASSERT_EQ(cellsInColumn(3, 2), 4);
    ASSERT_EQ(cellsInColumn(4, 2), 1);
    EXPECT_EQ(Ccelle[cellAt(3, 2, 1)], cellAt(4, 2, 1));
    EXPECT_EQ(Ccellw[cellAt(4, 2, 1)], cellAt(3, 2, 1));
    for (int c = 2; c <= 4; ++c) EXPECT_EQ(Ccelle[cellAt(3, 2, c)], 0) << c;
    expectSoundGrid("F 64 12 1 beside 4");
  }
  struct Case {
    double south, north;
    bool linked;
  };
  for (const Case cs : {Case{0.0004, -0.2, false}, Case{0.0006, 0.0006, true}, Case{0.0004, 0.0005, false}}) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 2, g.ny = 1;
    g.water = [](int, int) { return 1.0; };
    g.bed = [&](int i, int j) { return i != 2 ? 0.7 : 1.0 - (j == 1 ? cs.south : cs.north); };
    prepare(g);
    UMethod = 12;
    MinVertDist0 = 0.001;
    MinVertDist1 = 0.5;
    ASSERT_EQ(UnstructureBuild(), 1);
    ASSERT_EQ(cellsInColumn(2, 2), 1);
    ASSERT_EQ(cellsInColumn(3, 2), 1);
    const int west = cellAt(2, 2, 1), east = cellAt(3, 2, 1);
    EXPECT_EQ(Ccelle[west], cs.linked ? east : 0) << cs.south << " " << cs.north;
    EXPECT_EQ(Ccellw[east], cs.linked ? west : 0) << cs.south << " " << cs.north;
    expectSoundGrid("F 64 12 thin link");
  }
}

// Values that select no distribution build an empty grid and say so.
TEST(OtherDistributions, ValuesWithoutADistributionGiveTheEmptyGridWarning) {
  for (int method : {16, 17, 29, 34, 39, 64, 99}) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 2, g.ny = 1;
    prepare(g);
    UMethod = method;
    EXPECT_EQ(UnstructureBuild(), 1) << method;
    EXPECT_EQ(NoCells, 0) << method;
    EXPECT_TRUE(dir.dir().boogieHas("Warning: No cells were generated in grid")) << method;
  }
}

// The size limits end the generation on the cell after which a count reaches
// its limit minus 1: with 100 cells the 99th; with room for too few points
// the cell that would pass them is not built.
TEST(OtherDistributions, SizeLimitsStopTheBuildBeforeAnyArrayOverflows) {
  for (int method : {0, 1, 2, 5, 6, 12}) {
    InProjectDir dir;
    BlockGrid g;
    g.cells = 100;
    prepare(g);
    metreTable();
    for (int k = 1; k <= 11; ++k) zdistrib[k] *= 0.1;
    UMethod = method;
    const int r = UnstructureBuild();
    const std::string label = "F 64 " + std::to_string(method);
    EXPECT_LT(r, 0) << label;
    EXPECT_EQ(NoCells, 99) << label;
    EXPECT_NE(Cpoint7[99], 0) << label;
    EXPECT_TRUE(dir.dir().boogieHas("NoCells=99, MaxCeller=100")) << label;
  }
  for (int points : {9, 20, 61}) {
    InProjectDir dir;
    BlockGrid g;
    g.points = points;
    prepare(g);
    UMethod = 5;
    EXPECT_LT(UnstructureBuild(), 0) << points;
    EXPECT_LT(NoPoints, points - 1) << points;
  }
  // No room for a single cell: still a failure, never a result of 0.
  InProjectDir dir;
  BlockGrid g;
  g.cells = 1;
  prepare(g);
  UMethod = 5;
  EXPECT_EQ(UnstructureBuild(), -1);
  EXPECT_EQ(NoCells, 0);
}

// Two blocks side by side, the window of B starting at the column beside A's
// last one: no cell links across the block border, so that the blocks stay
// apart until they are joined (each cell's links are mutual).
TEST(OtherDistributions, BlocksSideBySideAreNotLinkedAcrossTheirBorder) {
  for (int method : {0, 1, 2, 5, 6, 12})
    for (bool eastFirst : {false, true}) {
      InProjectDir dir;
      setRunStateInitial();
      JoinedBlocks g;
      g.bFirst = eastFirst;
      g.zlevels = 11;
      g.water = [](double u, double) { return u < 2 ? 1.0 : 0.6; };
      g.prepare();
      for (int k = 1; k <= 11; ++k) zdistrib[k] = 0.1 * (k - 1);
      UMethod = method;
      ASSERT_EQ(UnstructureBuild(), 1) << method;
      const int a = static_cast<int>(zval[3][2][0]), b = static_cast<int>(zval[4][2][0]);
      ASSERT_GT(a, 0) << method;
      ASSERT_GT(b, 0) << method;
      for (int c = a; c > 0; c = Ccellt[c]) EXPECT_EQ(Ccelle[c], 0) << method;
      for (int c = b; c > 0; c = Ccellt[c]) EXPECT_EQ(Ccellw[c], 0) << method;
      expectSoundGrid("two blocks F 64 " + std::to_string(method) + (eastFirst ? " east first" : ""));
    }
}

// A full list of nested faces is reported where it fills, and the run ends
// with its own status.
TEST(OtherDistributions, FullNestedFaceListIsReportedAsSuch) {
  InProjectDir dir;
  setRunStateInitial();
  MaxNester = 3;
  NestedBlock g;
  g.prepare();
  UMethod = 5;
  EXPECT_EQ(UnstructureBuild(), -46);
  EXPECT_TRUE(dir.dir().boogieHas(
      "Error: the list of nested faces is full. Increase the 4th integer on the F 65 data set."));
  EXPECT_FALSE(dir.dir().boogieHas("Error: Unstructured arrays are too small. Increase with the F 65 data set."));
  EXPECT_EXIT(Unstructure(), ::testing::ExitedWithCode(256 - 46), "");
}
