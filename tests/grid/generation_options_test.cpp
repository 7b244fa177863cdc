// Options of the adaptive grid generation, each on a small block built by the
// whole driver: side cuts at shallow grid lines, corner levels at shallow and
// steep lines, substitute side neighbours, the numbering order, nested-block
// levels, columns kept wet by a minimum water level, and dead-end marks.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <utility>
#include <vector>

#include "grid/generate.h"
#include "grid/grid_builder.h"
#include "grid/sloping_bank.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"

namespace {

void fixedLimits(double d0 = 0.005, double d1 = 0.1) {
  MinVertDist0 = d0;
  MinVertDist1 = d1;
}

// Arrays sized for these small blocks (at most a few hundred cells): the
// driver clears them whole at every build.
void smallArrays(BlockGrid& g) {
  g.cells = 1000;
  g.faces = 3000;
  g.points = 2000;
}

}  // namespace

// F 159 2nd integer 9, 10, 13: a side link is cut when both grid lines of the
// side are shallower than MinVertDist0, 0 or MinVertDist1. Block 5 x 4, 1 m
// deep; the shallow lines are (3,2), (3,3) (the side between columns (3,3) and
// (4,3)) and (4,4), (5,4) (the side between columns (5,4) and (5,5)). Columns
// keep 9 cells each, so joined cells lie at the same levels.
TEST(GenerationOptions, SideLinksCutAtShallowLines) {
  struct Case {
    int value;
    double depth;      // of the shallow lines
    double limit1;     // MinVertDist1
    bool bothLines;    // both lines of each side shallow, or only (3,2) and (4,4)
    bool cut;
  };
  const Case cases[] = {
      {0, 0.05, 0.1, true, false},    {9, 0.05, 0.1, true, false},   {13, 0.05, 0.1, true, true},
      {13, 0.125, 0.125, true, false},  // exactly MinVertDist1 deep: not below it
      {13, 0.05, 0.1, false, false},    // one shallow line is not enough
      {9, 0.003, 0.1, true, true},      {10, 0.003, 0.1, true, false}, {10, -0.125, 0.1, true, true},
      {12, -0.125, 0.1, true, false},
  };
  for (const Case& cs : cases) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 5;
    g.ny = 4;
    g.bed = [&cs](int i, int j) {
      const bool shallow = (i == 3 && j == 2) || (i == 4 && j == 4) ||
                           (cs.bothLines && ((i == 3 && j == 3) || (i == 5 && j == 4)));
      return shallow ? 1.0 - cs.depth : 0.0;
    };
    smallArrays(g);
    g.prepare();
    fixedLimits(0.005, cs.limit1);
    FlagGridStab2 = cs.value;
    ASSERT_EQ(UnstructureBuild(), 1);
    const std::string label = "F 159 2nd " + std::to_string(cs.value) + " depth " + std::to_string(cs.depth);
    ASSERT_EQ(columnCells(3, 3), 9) << label;
    ASSERT_EQ(columnCells(4, 3), 9) << label;
    ASSERT_EQ(columnCells(5, 4), 9) << label;
    ASSERT_EQ(columnCells(5, 5), 9) << label;
    for (int p = 0; p < 9; ++p) {
      const int w = lowestCell(3, 3) + p, e = lowestCell(4, 3) + p;
      const int s = lowestCell(5, 4) + p, n = lowestCell(5, 5) + p;
      EXPECT_EQ(Ccelle[w], cs.cut ? 0 : e) << label << " level " << p;
      EXPECT_EQ(Ccellw[e], cs.cut ? 0 : w) << label << " level " << p;
      EXPECT_EQ(Ccelln[s], cs.cut ? 0 : n) << label << " level " << p;
      EXPECT_EQ(Ccells[n], cs.cut ? 0 : s) << label << " level " << p;
      // Cut sides get a face each, with the cell on its own side only.
      EXPECT_EQ(Cflatee[w] == Cflatew[e], !cs.cut) << label;
      EXPECT_EQ(Fcell1[Cflatee[w]], w) << label;
      EXPECT_EQ(Fcell2[Cflatee[w]], cs.cut ? 0 : e) << label;
      EXPECT_EQ(Fcell1[Cflatew[e]], cs.cut ? 0 : w) << label;
      EXPECT_EQ(Fcell2[Cflaten[s]], cs.cut ? 0 : n) << label;
      EXPECT_EQ(Fcell1[Cflates[n]], cs.cut ? 0 : s) << label;
      // The other sides of these columns stay joined.
      EXPECT_EQ(Ccelln[w], lowestCell(3, 4) + p) << label;
      EXPECT_EQ(Ccelle[e], lowestCell(5, 3) + p) << label;
      EXPECT_EQ(Ccellw[s], lowestCell(4, 4) + p) << label;
      EXPECT_EQ(Ccellw[n], lowestCell(4, 5) + p) << label;
    }
    // A cut side leaves two points at the shared corner lines, one on each
    // side; they lie at the same place.
    EXPECT_EQ(cornerOrderFault(false), "") << label;
  }
}

// Corner levels at shallow grid lines. Across the channel the rows of grid
// lines j = 1..6 have beds 0.95 (a shallow bank, 0.05 m deep), `low` three
// times, 0.95 again and 1.2 (dry), under water at 1.0; MinVertDist1 = 0.1.
// F 159 5th integer 3 lowers the bottom of a shallow line to MinVertDist1
// below the water where the bed rises more than 0.37 per metre of plan
// distance towards that line (the upper end of a steep edge is marked, in i as
// in j); 2 lowers every shallow line to F 387 below the water, 8 lifts the
// water side to F 387 above the bed, and 1 deepens the beds of wet corners to
// MinVertDist1 in the block grid itself.
TEST(GenerationOptions, CornerLevelsAtShallowAndSteepLines) {
  struct Case {
    int rule;         // F 159 5th integer
    double low;       // bed of the middle rows
    double spacing;   // plan distance of the grid lines across the channel
    double minDepth;  // F 387
    char across;
    double bottom;    // bottom of the lowest cells at the shallow lines
    double top;       // top of the top cells there
    double bedAfter;  // bed of the shallow lines in the block grid afterwards
  };
  const Case cases[] = {
      {0, 0.0, 1, -1, 'j', 0.95, 1.0, 0.95},  {3, 0.0, 1, -1, 'j', 0.90, 1.0, 0.95},
      {3, 0.0, 1, -1, 'i', 0.90, 1.0, 0.95},
      {3, 0.57, 1, -1, 'j', 0.90, 1.0, 0.95},  // rise 0.38 per metre
      {3, 0.59, 1, -1, 'j', 0.95, 1.0, 0.95},  // rise 0.36 per metre
      {3, 0.0, 3, -1, 'j', 0.95, 1.0, 0.95},   // rise 0.95 over 3 m
      {2, 0.59, 1, 0.2, 'j', 0.80, 1.0, 0.95},  {8, 0.59, 1, 0.2, 'j', 0.95, 1.15, 0.95},
      {1, 0.59, 1, -1, 'j', 0.90, 1.0, 0.90},
  };
  for (const Case& cs : cases) {
    InProjectDir dir;
    SlopingBank bank;
    bank.rows = {0.95, cs.low, cs.low, cs.low, 0.95, 1.2};
    bank.across = cs.across;
    BlockGrid g = bank.grid();
    smallArrays(g);
    g.prepare();
    if (cs.spacing != 1)
      for (int i = 0; i <= xnumber + 1; ++i)
        for (int j = 0; j <= ynumber + 1; ++j) (cs.across == 'j' ? yval : xval)[i][j] *= cs.spacing;
    fixedLimits();
    FlagGridStab5 = cs.rule;
    MinDepthGrid = cs.minDepth;
    ASSERT_EQ(UnstructureBuild(), 1);
    // The shallow lines of rows 1 and 5, seen from the lowest and top cells of
    // the column whose corner 1 they are.
    for (int row : {1, 5})
      for (int along = 2; along <= 4; ++along) {
        const int i = cs.across == 'j' ? along : row, j = cs.across == 'j' ? row : along;
        const std::string label = "F 159 5th " + std::to_string(cs.rule) + " low " + std::to_string(cs.low) +
                                  " across " + cs.across + " line " + std::to_string(i) + " " + std::to_string(j);
        ASSERT_GT(lowestCell(i + 1, j + 1), 0) << label;
        EXPECT_NEAR(Pz[Cpoint1[lowestCell(i + 1, j + 1)]], cs.bottom, 1e-9) << label;
        EXPECT_NEAR(Pz[Cpoint5[topCell(i + 1, j + 1)]], cs.top, 1e-9) << label;
        EXPECT_DOUBLE_EQ(zval[i][j][1], cs.bedAfter) << label;
      }
    EXPECT_EQ(cornerOrderFault(false), "");
    // An unset F 387 is replaced by MinVertDist0 and kept.
    if (cs.minDepth < 0) { EXPECT_DOUBLE_EQ(MinDepthGrid, 0.005); }
  }
}

// F 114 20: a cell above the bottom of its column that has no neighbour on a
// side takes the neighbour of the lowest cell of its column there. A pit: the
// grid line (4,4) is 4 m deep, all others 1 m, so the four columns around it
// get 9 cells and all others 4 (levels 10 and 5). The cells 2..6 of a pit
// column have no neighbour towards a 4-cell column and take its lowest cell;
// all other cells get no substitutes.
TEST(GenerationOptions, SubstituteSideNeighbours) {
  InProjectDir dir;
  FlagPresGrad = 20;
  BlockGrid g;
  g.nx = 6;
  g.ny = 6;
  g.water = [](int, int) { return 10.0; };
  g.bed = [](int i, int j) { return i == 4 && j == 4 ? 6.0 : 9.0; };
  smallArrays(g);
  g.prepare();
  fixedLimits();
  ASSERT_EQ(UnstructureBuild(), 1);
  ASSERT_NE(CcellAe, nullptr);
  // Column -> the columns whose lowest cells stand in on the sides e, w, n, s
  // ({0, 0} for none).
  using Col = std::pair<int, int>;
  const std::map<Col, std::array<Col, 4>> pit = {
      {{4, 4}, {{{0, 0}, {3, 4}, {0, 0}, {4, 3}}}},
      {{5, 4}, {{{6, 4}, {0, 0}, {0, 0}, {5, 3}}}},
      {{4, 5}, {{{0, 0}, {3, 5}, {4, 6}, {0, 0}}}},
      {{5, 5}, {{{6, 5}, {0, 0}, {5, 6}, {0, 0}}}},
  };
  int* substitutes[4] = {CcellAe, CcellAw, CcellAn, CcellAs};
  int checked = 0;
  for (int i = 2; i <= 7; ++i)
    for (int j = 2; j <= 7; ++j) {
      const auto it = pit.find({i, j});
      ASSERT_EQ(columnCells(i, j), it == pit.end() ? 4 : 9) << i << " " << j;
      for (int p = 1; p <= columnCells(i, j); ++p) {
        const int c = lowestCell(i, j) + p - 1;
        for (int s = 0; s < 4; ++s) {
          int expected = 0;
          if (it != pit.end() && p >= 2 && p <= 6 && it->second[s].first > 0)
            expected = lowestCell(it->second[s].first, it->second[s].second);
          EXPECT_EQ(substitutes[s][c], expected) << "column " << i << " " << j << " cell " << p << " side " << s;
          checked += expected > 0;
        }
      }
    }
  EXPECT_EQ(checked, 4 * 2 * 5);
}

// F 165: the cells of the northernmost row of columns are numbered first, yet
// the columns are still built row by row from the south (the first face made
// is the south face of column (2,2)). Block 2 x 3, 9 cells per column.
TEST(GenerationOptions, NumberingOrderOfColumns) {
  struct Case {
    int f165;
    int lowest[3][2];  // lowest cell of columns (2..3, j) for j = 2, 3, 4
  };
  const Case cases[] = {
      {0, {{1, 10}, {19, 28}, {37, 46}}},
      {1, {{37, 46}, {19, 28}, {1, 10}}},
      {2, {{37, 46}, {19, 28}, {1, 10}}},
  };
  for (const Case& cs : cases) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 2;
    g.ny = 3;
    smallArrays(g);
    g.prepare();
    fixedLimits();
    FlagUnstrucDir = cs.f165;
    ASSERT_EQ(UnstructureBuild(), 1);
    ASSERT_EQ(NoCells, 54);
    for (int j = 2; j <= 4; ++j)
      for (int i = 2; i <= 3; ++i) {
        EXPECT_EQ(lowestCell(i, j), cs.lowest[j - 2][i - 2]) << "F 165 " << cs.f165 << " column " << i << " " << j;
        EXPECT_EQ(columnCells(i, j), 9);
        // Bed cells keep their numbering, i outer.
        EXPECT_EQ(pointbed[i][j], (i - 2) * 3 + j - 1);
      }
    EXPECT_EQ(Cflates[lowestCell(2, 2)], 1) << cs.f165;
    EXPECT_EQ(cornerOrderFault(), "") << cs.f165;
    EXPECT_EQ(block[1].firstCell, 1);
    EXPECT_EQ(block[1].lastCell, 54);
  }
}

// Nested blocks: F 238 1st integer 1 sets the water level, 2 the bed level of
// every grid line of a nested block to F 238 2nd; blocks that are not nested
// keep theirs. The depth factor of a nested block ignores F 192. Block 3 x 3,
// bed 0, water 1 (the deepest line of the run, before the levels are moved):
// a line of depth h gets int(9 (h ratio)^0.6) + 2 levels.
TEST(GenerationOptions, NestedBlockLevelsAndDepthFactor) {
  struct Case {
    int nest;
    int f238;
    double level;  // F 238 2nd
    double f192;
    int cells;     // per column
    double bed, water;
  };
  const Case cases[] = {
      {1, 1, 0.5, 1.0, 6, 0.0, 0.5},    // 0.5^0.6 = 0.660: 7 levels
      {1, 2, 0.25, 1.0, 8, 0.25, 1.0},  // 0.75^0.6 = 0.841: 9 levels
      {0, 1, 0.5, 1.0, 9, 0.0, 1.0},
      {0, 2, 0.25, 1.0, 9, 0.0, 1.0},
      {1, 0, 0.5, 0.25, 9, 0.0, 1.0},   // F 192 not used
      {0, 0, 0.5, 0.25, 4, 0.0, 1.0},   // 0.25^0.6 = 0.435: 5 levels
  };
  for (const Case& cs : cases) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 3;
    g.ny = 3;
    smallArrays(g);
    g.prepare();
    zval[5][2][znumber] = 1.0;  // a grid line beyond the block
    zval[2][5][1] = 0.125;
    block[1].nestLevel = cs.nest;
    fixedLimits();
    FlagNestTop = cs.f238;
    LevelNestTop = cs.level;
    NestNoRatio = cs.f192;
    ASSERT_EQ(UnstructureBuild(), 1);
    const std::string label = "nest " + std::to_string(cs.nest) + " F 238 " + std::to_string(cs.f238);
    for (int i = 1; i <= 4; ++i)
      for (int j = 1; j <= 4; ++j) {
        EXPECT_DOUBLE_EQ(zval[i][j][1], cs.bed) << label << " line " << i << " " << j;
        EXPECT_DOUBLE_EQ(zval[i][j][znumber], cs.water) << label << " line " << i << " " << j;
      }
    EXPECT_DOUBLE_EQ(zval[5][2][znumber], 1.0) << label;
    EXPECT_DOUBLE_EQ(zval[2][5][1], 0.125) << label;
    for (int i = 2; i <= 4; ++i)
      for (int j = 2; j <= 4; ++j) {
        ASSERT_EQ(columnCells(i, j), cs.cells) << label << " column " << i << " " << j;
        EXPECT_NEAR(Pz[Cpoint1[lowestCell(i, j)]], cs.bed, 1e-12) << label;
        EXPECT_NEAR(Pz[Cpoint7[topCell(i, j)]], cs.water, 1e-12) << label;
      }
  }
}

// F 371 above 50: a column of block 1 that the counts leave dry gets one cell
// when its bed cell has a minimum water level above -10 m. The bank: rows of
// grid lines j = 1..3 1 m deep, 4..6 dry (bed 1.5 over water 1.0); the
// columns of rows j = 5 and 6 are dry. The first build numbers the bed cells;
// column (3,5) then gets its level and the grid is built again.
TEST(GenerationOptions, MinimumWaterLevelKeepsOneCell) {
  struct Case {
    int f371;
    double level;
    int cells;
  };
  const Case cases[] = {{60, -5.0, 1}, {60, -10.0, 0}, {51, -9.99, 1}, {50, -5.0, 0}, {60, -1000.0, 0}};
  for (const Case& cs : cases) {
    InProjectDir dir;
    FlagNoGridSplit = cs.f371;
    SlopingBank bank;
    bank.rows = {0, 0, 0, 1.5, 1.5, 1.5};
    BlockGrid g = bank.grid();
    smallArrays(g);
    g.prepare();
    fixedLimits();
    ASSERT_EQ(UnstructureBuild(), 1);
    ASSERT_NE(Bminwaterlevel, nullptr);
    ASSERT_EQ(columnCells(3, 5), 0);
    ASSERT_EQ(columnCells(3, 4), 9);
    ASSERT_EQ(pointbed[3][5], 9);
    NoBCells = 20;
    Bminwaterlevel[pointbed[3][5]] = cs.level;
    ASSERT_EQ(UnstructureBuild(), 1);
    EXPECT_EQ(columnCells(3, 5), cs.cells) << "F 371 " << cs.f371 << " level " << cs.level;
    for (int i = 2; i <= 5; ++i) {
      EXPECT_EQ(columnCells(i, 6), 0) << cs.f371;
      if (i != 3) { EXPECT_EQ(columnCells(i, 5), 0) << cs.f371; }
      EXPECT_EQ(columnCells(i, 4), 9) << cs.f371;
    }
  }
}

// Dead-end marks: a channel one column wide of 25 single cells (0.05 m deep:
// two levels per line), numbered 1..25 from the west. A cell with no unmarked
// neighbour is marked; with one, only when it is not an inflow or outflow cell.
// 21 passes in cell order: marks run east in one pass, but west only one cell
// per pass, so from a closed east end 21 cells are marked.
TEST(GenerationOptions, DeadEndMarks) {
  struct Case {
    int inoutWest, inoutEast;
    int firstMarked;  // cells firstMarked..25 are marked (26: none)
  };
  const Case cases[] = {{0, 0, 1}, {1, 1, 26}, {1, 0, 5}, {0, 1, 1}};
  for (const Case& cs : cases) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 25;
    g.ny = 1;
    g.bed = [](int, int) { return 0.95; };
    smallArrays(g);
    g.prepare();
    fixedLimits();
    Cinout[1] = cs.inoutWest;
    Cinout[25] = cs.inoutEast;
    ASSERT_EQ(UnstructureBuild(), 1);
    ASSERT_EQ(NoCells, 25);
    for (int c = 1; c <= 25; ++c) {
      ASSERT_EQ(lowestCell(c + 1, 2), c);
      EXPECT_EQ(Conecell[c], c >= cs.firstMarked ? 1 : 0)
          << "cell " << c << " inflow/outflow " << cs.inoutWest << " " << cs.inoutEast;
    }
  }
}
