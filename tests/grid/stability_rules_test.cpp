// The stability rules on the level counts of grid lines and on the cells of
// columns, each run alone on counts and depths set by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "grid/generate.h"
#include "grid/grid_builder.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "support/in_dir.h"

namespace {

// Level counts of grid lines as a picture: one string per row of grid lines,
// the northernmost row (highest j) first, one digit per line i = 1, 2, ...
using Picture = std::vector<std::string>;

int linesI(const Picture& p) { return static_cast<int>(p[0].size()); }
int linesJ(const Picture& p) { return static_cast<int>(p.size()); }

// A block whose grid lines are those of the picture (columns i = 2..nx+1,
// j = 2..ny+1), water at 1 m over a bed at 0, counts from the picture.
void prepareLines(const Picture& p) {
  BlockGrid g;
  g.nx = linesI(p) - 1;
  g.ny = linesJ(p) - 1;
  g.cells = 100;  // no cells are built here: small arrays keep the set-up quick
  g.faces = 100;
  g.points = 100;
  g.prepare();
  for (int r = 0; r < linesJ(p); ++r)
    for (int q = 0; q < linesI(p); ++q) antlin[q + 1][linesJ(p) - r] = p[r][q] - '0';
}

Picture countsNow(int ni, int nj) {
  Picture p(nj, std::string(ni, '?'));
  for (int r = 0; r < nj; ++r)
    for (int q = 0; q < ni; ++q) p[r][q] = static_cast<char>('0' + antlin[q + 1][nj - r]);
  return p;
}

// A 4 x 4 block, water at 0 over a bed 1 m down, except the corners (2,2),
// (3,2), (3,3), (2,3) of column (3,3), which get the depths given; 6 levels
// on every grid line, 5 cells in every column.
void columnOfDepths(const double depth[4]) {
  BlockGrid g;
  g.nx = 4;
  g.ny = 4;
  g.water = [](int, int) { return 0.0; };
  g.bed = [](int, int) { return -1.0; };
  g.cells = 100;
  g.faces = 100;
  g.points = 100;
  g.prepare();
  const int ci[4] = {2, 3, 3, 2}, cj[4] = {2, 2, 3, 3};
  for (int q = 0; q < 4; ++q) zval[ci[q]][cj[q]][1] = -depth[q];
  for (int i = 1; i <= 5; ++i)
    for (int j = 1; j <= 5; ++j) antlin[i][j] = 6;
  for (int i = 2; i <= 5; ++i)
    for (int j = 2; j <= 5; ++j) ant[i][j] = 5;
}

std::string show(const Picture& p) {
  std::string s;
  for (const std::string& row : p) s += "\n  " + row;
  return s;
}

}  // namespace

// F 159 2nd integer 2, 3, 11 open a pair of dry lines whose four lines across
// the pair are all wet; 12 opens a pair only when the lines beyond both ends
// are dry too (an isolated pair) and one line on each side is wet; 14 as 12
// without the ends. Opening gives two levels and lowers the bed to
// MinVertDist0 + 1e-6 below the water level, unless it lies lower already.
// The side cuts 9, 10 and 13 act in the cells and leave the counts alone.
TEST(GridStability, DryPairsBetweenWetLinesAreOpened) {
  const Picture pairI = {"9999999", "9999999", "9991199", "9999999", "9999999"};
  const Picture pairIOpen = {"9999999", "9999999", "9992299", "9999999", "9999999"};
  // Four dry lines in a row: the pairs (3,3)-(4,3) and (5,3)-(6,3) each have
  // wet lines all round; only the middle pair (4,3)-(5,3) has dry ends.
  const Picture row = {"9999999", "9999999", "9911119", "9999999", "9999999"};
  const Picture rowAll = {"9999999", "9999999", "9922229", "9999999", "9999999"};
  const Picture rowMiddle = {"9999999", "9999999", "9912219", "9999999", "9999999"};
  const Picture pairJ = {"9999999", "9991999", "9991999", "9999999", "9999999"};
  const Picture pairJOpen = {"9999999", "9992999", "9992999", "9999999", "9999999"};
  // Dry lines (4,2)..(4,5): the pair (4,3)-(4,4) is the first met and has dry
  // lines beyond both ends.
  const Picture column = {"9991999", "9991999", "9991999", "9991999", "9999999"};
  const Picture columnOpen = {"9991999", "9992999", "9992999", "9991999", "9999999"};
  struct Case {
    int value;
    const Picture* before;
    const Picture* after;
  };
  const Case cases[] = {
      {0, &pairI, &pairI},       {2, &pairI, &pairIOpen},    {3, &pairI, &pairIOpen},
      {9, &pairI, &pairI},       {10, &pairI, &pairI},       {11, &pairI, &pairIOpen},
      {12, &pairI, &pairI},      {13, &pairI, &pairI},       {14, &pairI, &pairIOpen},
      {2, &row, &rowAll},        {11, &row, &rowAll},        {12, &row, &rowMiddle},
      {14, &row, &rowAll},       {2, &pairJ, &pairJOpen},    {11, &pairJ, &pairJOpen},
      {12, &pairJ, &pairJ},      {14, &pairJ, &pairJOpen},   {2, &column, &columnOpen},
      {12, &column, &columnOpen},
  };
  for (const Case& cs : cases) {
    InProjectDir dir;
    const Picture& before = *cs.before;
    prepareLines(before);
    MinVertDist0 = 0.005;
    MinVertDist1 = 0.1;
    FlagPresDebug = 2;  // isolated wet lines stay: only the rule under test acts
    FlagGridStab2 = cs.value;
    // Dry lines stand 0.2 m above the water, except (4,3), whose bed lies
    // 0.1 m below it already.
    for (int r = 0; r < linesJ(before); ++r)
      for (int q = 0; q < linesI(before); ++q)
        if (before[r][q] == '1') zval[q + 1][linesJ(before) - r][1] = 1.2;
    zval[4][3][1] = 0.9;
    Grid1Stability(2, linesI(before), 2, linesJ(before));
    EXPECT_EQ(countsNow(linesI(before), linesJ(before)), *cs.after)
        << "F 159 2nd " << cs.value << show(before) << "\ngave" << show(countsNow(linesI(before), linesJ(before)));
    for (int r = 0; r < linesJ(before); ++r)
      for (int q = 0; q < linesI(before); ++q) {
        const int i = q + 1, j = linesJ(before) - r;
        double expected = before[r][q] == '1' ? 1.2 : 0.0;
        if (i == 4 && j == 3) expected = 0.9;
        else if (before[r][q] == '1' && (*cs.after)[r][q] == '2') expected = 1.0 - 0.005 - 1e-6;
        EXPECT_NEAR(zval[i][j][1], expected, 1e-12) << "F 159 2nd " << cs.value << " line " << i << " " << j;
      }
  }
}

// F 508: 1 limits every line of the block next to a dry line by its wet
// neighbour (or, with both neighbours of a direction dry, by the neighbours
// that have a count), in one forward sweep; 2 the same over the inner lines
// only; 3 adds a backward sweep; 4 raises a dry line to 2 levels when one
// neighbour is dry and the other has more than 2 levels, forward then
// backward. Lines beyond the block count 0 and limit nothing.
TEST(GridStability, CountsNextToDryLines) {
  // (2,3) dry, (4,3) with 4 levels.
  const Picture a = {"99999", "91949", "99999", "99999"};
  // 2: only (3,3), between the dry line and the 4, is limited to 4.
  const Picture a2 = {"99999", "91449", "99999", "99999"};
  // 1: the edge line (1,3) has no wet neighbour in i and takes the dry (2,3);
  // (5,3) takes the 4 of (4,3); the edge row j = 4 takes the row below.
  const Picture a1 = {"11444", "11444", "99999", "99999"};
  // A count lowered late in the forward sweep, at (4,5), reaches (4,4) below
  // it (whose other neighbour (4,3) is dry) only in the backward sweep.
  const Picture c = {"9999999", "9999999", "9919499", "9999999", "9991999", "9999999", "9999999"};
  const Picture cForward = {"9999999", "9999999", "9914499", "9999999", "9991999", "9999999", "9999999"};
  const Picture cBoth = {"9999999", "9999999", "9914499", "9994999", "9991999", "9999999", "9999999"};
  // Two dry lines side by side: the west one, next to a 9, is raised; then
  // the east one has no dry neighbour left.
  const Picture b = {"99999", "91199", "99999", "99999"};
  const Picture b4 = {"99999", "92199", "99999", "99999"};
  struct Case {
    int value;
    const Picture* before;
    const Picture* after;
  };
  const Case cases[] = {
      {0, &a, &a},        {1, &a, &a1},      {2, &a, &a2},      {3, &a, &a1},    {4, &a, &a},
      {1, &c, &cForward}, {2, &c, &cForward}, {3, &c, &cBoth},  {4, &c, &c},     {4, &b, &b4},
      {0, &b, &b},
  };
  for (const Case& cs : cases) {
    InProjectDir dir;
    const Picture& before = *cs.before;
    prepareLines(before);
    MinVertDist0 = 0.005;
    MinVertDist1 = 0.1;
    FlagPresDebug = 2;
    FlagGridStab9 = cs.value;
    Grid1Stability(2, linesI(before), 2, linesJ(before));
    EXPECT_EQ(countsNow(linesI(before), linesJ(before)), *cs.after)
        << "F 508 " << cs.value << show(before) << "\ngave" << show(countsNow(linesI(before), linesJ(before)));
  }
}

// F 380: rules that empty or reshape shallow columns, on column (3,3) of a
// 4 x 4 block whose corner lines (2,2), (3,2), (3,3), (2,3) have the depths
// given; every other line is 1 m deep. MinVertDist0 = 0.0625 m.
TEST(GridStability, ShallowColumnsByF380) {
  struct Case {
    int value;
    double depth[4];  // corners (2,2), (3,2), (3,3), (2,3)
    int cells;        // of column (3,3) afterwards (5 before)
    double depth33;   // depth of line (3,3) afterwards
  };
  const Case cases[] = {
      // 4: mean depth below MinVertDist0
      {4, {0.03125, 0.0625, 0.0625, 0.0625}, 0, 0.0625},
      {4, {0.03125, 0.0625, 0.09375, 0.0625}, 5, 0.09375},  // mean exactly MinVertDist0
      {4, {-1.0, 0.125, 0.0625, 0.0625}, 0, 0.0625},        // a negative corner pulls the mean down
      // 8: mean of the positive depths below MinVertDist0
      {8, {-1.0, 0.125, 0.0625, 0.0625}, 5, 0.0625},
      {8, {-1.0, 0.125, 0.03125, 0.0625}, 0, 0.03125},
      // 7: mean depth below 0
      {7, {-0.5, 0.25, 0.125, 0.0625}, 0, 0.125},
      {7, {-0.25, 0.125, 0.0625, 0.0625}, 5, 0.0625},  // mean exactly 0
      // 1: water below the bed at two diagonal corners
      {1, {-0.125, 1.0, -0.125, 1.0}, 0, -0.125},
      {1, {1.0, -0.125, 1.0, -0.125}, 0, 1.0},
      {1, {-0.125, -0.125, 1.0, 1.0}, 5, 1.0},  // two corners of one side
      {0, {-1.0, -1.0, -1.0, -1.0}, 5, -1.0},
      // 6: three corners shallower than MinVertDist0 raise the bed of the
      // fourth to MinVertDist0 below the water; two leave it
      {6, {0.03125, 0.03125, 1.0, 0.03125}, 5, 0.0625},
      {6, {0.03125, 0.03125, 1.0, 1.0}, 5, 1.0},
  };
  for (const Case& cs : cases) {
    InProjectDir dir;
    columnOfDepths(cs.depth);
    MinVertDist0 = 0.0625;
    MinVertDist1 = 0.125;
    FlagGridStab1 = 0;  // the neighbour rules would act on the emptied column's neighbours
    FlagGridStab4 = 0;
    FlagGridStab7 = cs.value;
    Grid2Stability(2, 5, 2, 5);
    EXPECT_EQ(ant[3][3], cs.cells) << "F 380 " << cs.value << " depths " << cs.depth[0] << " " << cs.depth[1] << " "
                                   << cs.depth[2] << " " << cs.depth[3];
    EXPECT_DOUBLE_EQ(zval[3][3][znumber] - zval[3][3][1], cs.depth33) << "F 380 " << cs.value;
    for (int i = 2; i <= 5; ++i)
      for (int j = 2; j <= 5; ++j)
        if (i != 3 || j != 3) { EXPECT_EQ(ant[i][j], 5) << "F 380 " << cs.value << " column " << i << " " << j; }
  }
}

// F 159 2nd integer 1, 4, 6, 7: a shallow edge between two wet columns is
// deepened at both its grid lines. The edge between columns (3,3) and (3,4)
// is formed by the lines (2,3) and (3,3); every other line is 1 m deep, so no
// other edge is shallow. MinVertDist0 = 0.05 m, MinVertDist1 = 0.1 m.
TEST(GridStability, ShallowEdgesBetweenWetColumnsAreDeepened) {
  struct Case {
    int value;
    double d1, d2;     // depths of (2,3) and (3,3)
    bool northEmpty;   // column (3,4) without cells
    double e1, e2;     // depths afterwards
  };
  const Case cases[] = {
      {1, 0.03, 0.04, false, 0.04, 0.04},  // 0.07 < 1.6 x 0.05: both to 0.8 x 0.05
      {1, 0.05, 0.04, false, 0.05, 0.04},  // 0.09: left
      {1, 0.055, 0.03, false, 0.055, 0.03},  // 0.085: left, though one line is below 0.04
      {1, 0.03, 0.04, true, 0.03, 0.04},   // one column empty: no edge between wet columns
      {4, 0.03, 0.04, false, 0.1, 0.1},    // 0.07 < 4 x 0.05: both to 2 x 0.05
      {7, 0.03, 0.04, false, 0.1, 0.1},    // 0.07 < MinVertDist1: both to it
      {7, 0.06, 0.05, false, 0.06, 0.05},  // 0.11: left
      // mean 0.035 below the corner-depth sums of the columns / 16, 2.07 / 16
      {6, 0.03, 0.04, false, 2.07 / 16, 2.07 / 16},
      {0, 0.03, 0.04, false, 0.03, 0.04},
  };
  for (const Case& cs : cases) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 4;
    g.ny = 4;
    g.cells = 100;
    g.faces = 100;
    g.points = 100;
    g.water = [](int, int) { return 0.0; };
    g.bed = [&cs](int i, int j) { return i == 2 && j == 3 ? -cs.d1 : i == 3 && j == 3 ? -cs.d2 : -1.0; };
    g.prepare();
    for (int i = 1; i <= 5; ++i)
      for (int j = 1; j <= 5; ++j) antlin[i][j] = 6;
    for (int i = 2; i <= 5; ++i)
      for (int j = 2; j <= 5; ++j) ant[i][j] = 5;
    if (cs.northEmpty) ant[3][4] = 0;
    MinVertDist0 = 0.05;
    MinVertDist1 = 0.1;
    FlagGridStab1 = 0;
    FlagGridStab4 = 0;
    FlagGridStab2 = cs.value;
    Grid2Stability(2, 5, 2, 5);
    EXPECT_NEAR(-zval[2][3][1], cs.e1, 1e-12) << "F 159 2nd " << cs.value << " depths " << cs.d1 << " " << cs.d2;
    EXPECT_NEAR(-zval[3][3][1], cs.e2, 1e-12) << "F 159 2nd " << cs.value << " depths " << cs.d1 << " " << cs.d2;
    for (int i = 1; i <= 5; ++i)
      for (int j = 1; j <= 5; ++j)
        if (!(j == 3 && (i == 2 || i == 3))) { EXPECT_DOUBLE_EQ(zval[i][j][1], -1.0) << i << " " << j; }
  }
}

// Columns that were dry in the previous grid: F 430 empties an inner column
// none of whose four side neighbours had cells before; F 529 1 empties one
// whose mean depth is below MinVertDist2 (0.5 m). Block 4 x 4 of 1 m deep
// lines, except the corners of column (3,3), 0.25 m deep.
TEST(GridStability, NewlyWetColumns) {
  struct Case {
    int f430, f529;
    int wasWet33, wasWet23;  // lowest cells of (3,3) and (2,3) in the previous grid
    const char* after;       // cells of columns (2..5, j), j = 5 first, '-' for none
  };
  const Case cases[] = {
      // F 430: only the inner columns (3..4, 3..4) are judged; (3,3) keeps
      // its cells through its west neighbour (2,3)
      {1, 0, 0, 0, "5555 5--5 5--5 5555"},
      {1, 0, 0, 7, "5555 5--5 55-5 5555"},
      {1, 0, 9, 0, "5555 55-5 5-55 5555"},  // its own previous cells count for its neighbours only
      // F 529 1: (3,3) is the only column shallower than 0.5 m on average
      {0, 1, 0, 0, "5555 5555 5-55 5555"},
      {0, 1, 9, 0, "5555 5555 5555 5555"},
      {0, 2, 0, 0, "5555 5555 5555 5555"},
  };
  for (const Case& cs : cases) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 4;
    g.ny = 4;
    g.cells = 100;
    g.faces = 100;
    g.points = 100;
    g.water = [](int, int) { return 0.0; };
    g.bed = [](int i, int j) { return (i == 2 || i == 3) && (j == 2 || j == 3) ? -0.25 : -1.0; };
    g.prepare();
    for (int i = 1; i <= 5; ++i)
      for (int j = 1; j <= 5; ++j) antlin[i][j] = 6;
    for (int i = 2; i <= 5; ++i)
      for (int j = 2; j <= 5; ++j) {
        ant[i][j] = 5;
        pointcell_old[i][j] = 0;
      }
    pointcell_old[3][3] = cs.wasWet33;
    pointcell_old[2][3] = cs.wasWet23;
    if (cs.f529 > 0)  // F 529 judges every column that was dry: the others were wet
      for (int i = 2; i <= 5; ++i)
        for (int j = 2; j <= 5; ++j)
          if (!(i == 3 && j == 3)) pointcell_old[i][j] = 1;
    MinVertDist0 = 0.005;
    MinVertDist1 = 0.1;
    MinVertDist2 = 0.5;
    FlagGridStab1 = 0;
    FlagGridStab4 = 0;
    FlagLimitExpansion = cs.f430;
    FlagGridStab11 = cs.f529;
    Grid2Stability(2, 5, 2, 5);
    std::string after;
    for (int j = 5; j >= 2; --j) {
      for (int i = 2; i <= 5; ++i) after += ant[i][j] > 0 ? static_cast<char>('0' + ant[i][j]) : '-';
      if (j > 2) after += ' ';
    }
    EXPECT_EQ(after, cs.after) << "F 430 " << cs.f430 << " F 529 " << cs.f529 << " previous " << cs.wasWet33 << " "
                               << cs.wasWet23;
  }
}

// F 380 5: the water levels at the corners of a column that was dry in the
// previous grid are held within 0.02 times the column diagonal (here the
// square root of 2 m) of the water level at its deepest corner, the first of
// equals in the order (3,3), (2,3), (3,2), (2,2). Column (3,3) is the only one
// that was dry; the water stands at 0 except where given.
TEST(GridStability, WaterLevelsOfANewColumnFollowItsDeepestCorner) {
  const double band = 0.02 * std::sqrt(2.0);
  struct Case {
    const char* what;
    double water33;
    double bed[4];  // at (3,3), (2,3), (3,2), (2,2)
    bool wasWet;
    double after[4];  // water at (3,3), (2,3), (3,2), (2,2)
  };
  const Case cases[] = {
      {"(3,3) deepest", 0.5, {-1, -1, -1, -1}, false, {0.5, 0.5 - band, 0.5 - band, 0.5 - band}},
      {"(2,2) deepest", 0.5, {-1, -1, -1, -3}, false, {band, 0.0, 0.0, 0.0}},
      {"equal depths", 0.5, {-0.5, -1, -1, -1}, false, {0.5, 0.5 - band, 0.5 - band, 0.5 - band}},
      {"wet before", 0.5, {-1, -1, -1, -1}, true, {0.5, 0.0, 0.0, 0.0}},
      {"no corner under water", 0.5, {1, 1, 1, 1}, false, {0.5, 0.0, 0.0, 0.0}},
  };
  const int ci[4] = {3, 2, 3, 2}, cj[4] = {3, 3, 2, 2};
  for (const Case& cs : cases) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 4;
    g.ny = 4;
    g.cells = 100;
    g.faces = 100;
    g.points = 100;
    g.water = [&cs](int i, int j) { return i == 3 && j == 3 ? cs.water33 : 0.0; };
    g.bed = [&cs, &ci, &cj](int i, int j) {
      for (int q = 0; q < 4; ++q)
        if (i == ci[q] && j == cj[q]) return cs.bed[q];
      return -1.0;
    };
    g.prepare();
    for (int i = 2; i <= 5; ++i)
      for (int j = 2; j <= 5; ++j) {
        ant[i][j] = 5;
        pointcell_old[i][j] = 1;
      }
    pointcell_old[3][3] = cs.wasWet ? 1 : 0;
    MinVertDist0 = 0.005;
    MinVertDist1 = 0.1;
    FlagGridStab1 = 0;
    FlagGridStab4 = 0;
    FlagGridStab7 = 5;
    Grid2Stability(2, 5, 2, 5);
    for (int q = 0; q < 4; ++q)
      EXPECT_NEAR(zval[ci[q]][cj[q]][znumber], cs.after[q], 1e-12) << cs.what << " corner " << ci[q] << " " << cj[q];
    EXPECT_EQ(ant[3][3], 5) << cs.what;
  }
}

// Rules on the level counts of a 4 x 4 block (lines 1..5), 1 m of water:
//   1.11 (F 159 4th 2): the block's edge lines take the larger count of
//     themselves and the line one step inside, the west and east edges
//     first (rows j1..j2), then the south and north edges (lines i1..i2),
//     in place; the south-west and north-west corner lines stay.
//   1.2 (F 383 1): where the lines (i, j) and (i-1, j-1) of a column are
//     shallower than MinVertDist0 (0.05), the other two corners take at
//     most 2 levels; likewise for the other diagonal.
//   1.12 (F 64 114): a column whose corner depths sum below 0 limits its
//     four corners to 2 levels.
TEST(GridStability, EdgeLinesDiagonalsAndNegativeColumns) {
  {
    InProjectDir dir;
    const Picture before = {"33333", "36653", "36653", "36653", "33333"};
    const Picture after = {"36655", "66655", "66655", "66655", "36655"};
    prepareLines(before);
    FlagGridStab4 = 2;
    Grid1Stability(2, 5, 2, 5);
    EXPECT_EQ(countsNow(5, 5), after) << show(countsNow(5, 5));
  }
  struct Case {
    const char* what;
    std::vector<std::pair<int, int>> shallow;  // lines 0.01 m deep
    double deepest;                            // depth of line (2,2) when negative
    int f383, f64;
    Picture after;
  };
  const Case cases[] = {
      {"F 383 1, diagonal (2,2)-(3,3)", {{2, 2}, {3, 3}}, 0.0, 1, 0, {"66666", "66666", "62666", "66266", "66666"}},
      {"F 383 1, diagonal (3,2)-(2,3)", {{3, 2}, {2, 3}}, 0.0, 1, 0, {"66666", "66666", "66266", "62666", "66666"}},
      {"F 383 0", {{2, 2}, {3, 3}}, 0.0, 0, 0, {"66666", "66666", "66666", "66666", "66666"}},
      {"F 64 114", {}, -0.5, 0, 114, {"66666", "66666", "62266", "62266", "66666"}},
      {"F 64 11", {}, -0.5, 0, 11, {"66666", "66666", "66666", "66666", "66666"}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    InProjectDir dir;
    prepareLines({"66666", "66666", "66666", "66666", "66666"});
    for (auto [i, j] : k.shallow) zval[i][j][1] = zval[i][j][znumber] - 0.01;
    if (k.deepest < 0.0) {
      zval[2][2][1] = zval[2][2][znumber] - k.deepest;  // 0.5 m above the water
      for (auto [i, j] : {std::pair{3, 2}, {3, 3}, {2, 3}}) zval[i][j][1] = zval[i][j][znumber] - 0.1;
    }
    for (int i = 2; i <= 5; ++i)
      for (int j = 2; j <= 5; ++j) ant[i][j] = 5;
    MinVertDist0 = 0.05;
    FlagGridStab6 = k.f383;
    UMethod = k.f64;
    Grid1Stability(2, 5, 2, 5);
    EXPECT_EQ(countsNow(5, 5), k.after) << show(countsNow(5, 5));
  }
}

// Rules on the cells of column (3,3) of a 4 x 4 block (5 cells each; every
// line 1 m deep unless given; corners (2,2), (3,2), (3,3), (2,3)):
//   2.1: F 64 111 empties a column whose corner depths sum below 0; 112 one
//     whose mean depth is below MinVertDist2 (0.2);
//   2.2 F 380 2 (from the second iteration): ks = max(bed roughness, 3 x the
//     last grain size 0.1 m) = 0.3; empty when the sum of the positive
//     corner depths / ks is below 0.4 (0.08 / 0.3: yes; 0.16 / 0.3: no);
//     F 380 3: when their mean / ks is below 0.1 (0.025 / 0.3: yes, 0.04: no).
TEST(GridStability, ShallowColumnsByF64AndF380Roughness) {
  struct Case {
    const char* what;
    int f64, f380, iter;
    double depth[4];
    int cells;
  };
  const Case cases[] = {
      {"F 64 111, sum below 0", 111, 0, 1, {-0.5, 0.1, 0.1, 0.1}, 0},
      {"F 64 111, sum above 0", 111, 0, 1, {-0.1, 0.1, 0.1, 0.1}, 5},
      {"F 64 112, mean below F 162", 112, 0, 1, {0.15, 0.15, 0.15, 0.15}, 0},
      {"F 64 112, mean above F 162", 112, 0, 1, {0.25, 0.25, 0.25, 0.25}, 5},
      {"F 380 2", 11, 2, 2, {0.02, 0.02, 0.02, 0.02}, 0},
      {"F 380 2, deeper", 11, 2, 2, {0.04, 0.04, 0.04, 0.04}, 5},
      {"F 380 2, first iteration", 11, 2, 1, {0.02, 0.02, 0.02, 0.02}, 5},
      {"F 380 3", 11, 3, 1, {0.025, 0.025, 0.025, 0.025}, 0},
      {"F 380 3, positive depths only", 11, 3, 1, {0.02, 0.02, -0.5, 0.02}, 0},
      {"F 380 3, deeper", 11, 3, 1, {0.04, 0.04, 0.04, 0.04}, 5},
  };
  for (const Case& cs : cases) {
    SCOPED_TRACE(cs.what);
    InProjectDir dir;
    columnOfDepths(cs.depth);
    gsize[lnumber] = 0.1;
    MinVertDist2 = 0.2;
    Iter = cs.iter;
    FlagGridStab1 = 0;
    FlagGridStab4 = 0;
    UMethod = cs.f64;
    FlagGridStab7 = cs.f380;
    Grid2Stability(2, 5, 2, 5);
    EXPECT_EQ(ant[3][3], cs.cells);
    for (int i = 2; i <= 5; ++i)
      for (int j = 2; j <= 5; ++j)
        if (i != 3 || j != 3) {
          EXPECT_EQ(ant[i][j], 5) << i << " " << j;
        }
  }
}

// 2.3 (F 159 4th 5): column (3,3) with three dry corners ((2,2), (3,2),
// (2,3); (3,3) wet) is emptied when the column south of it is empty, since
// both its south corners are dry; with the south column there it stays (its
// dry west corners face a column that has cells). F 159 4th 1 (rule 2.5
// alone) keeps it: it is joined to the east column through the wet (3,3).
TEST(GridStability, MostlyDryEdgeColumnsByF159Fourth) {
  struct Case {
    int fourth;
    bool southEmpty;
    int cells;
  };
  const Case cases[] = {{5, true, 0}, {5, false, 5}, {1, true, 5}};
  for (const Case& cs : cases) {
    SCOPED_TRACE(::testing::Message() << "F 159 4th " << cs.fourth << " south empty " << cs.southEmpty);
    InProjectDir dir;
    prepareLines({"66666", "66666", "61666", "61166", "66666"});
    for (int i = 2; i <= 5; ++i)
      for (int j = 2; j <= 5; ++j) ant[i][j] = 5;
    if (cs.southEmpty) ant[3][2] = 0;
    FlagGridStab1 = 0;
    FlagGridStab4 = cs.fourth;
    Grid2Stability(2, 5, 2, 5);
    EXPECT_EQ(ant[3][3], cs.cells);
  }
}

// With the bed layer (F 488, its level counts in antlinT), 1 m of water,
// MinVertDist0 0.05 m, MinVertDist1 0.1 m:
//   1.1 (F 528 2): the inner lines next to the line (3,3), which is shallow
//     (0.07 m, between the two), get 2 levels in both maps; (3,3) keeps 6.
//   1.10 (F 528 1): the dry line (3,3) between wet lines west and east (its
//     bed 0.02 m under the water) is opened: 2 levels in both maps and the
//     bed lowered to 0.05 m under the water.
TEST(GridStability, BedLayerRulesOfF528) {
  struct Case {
    int value;
    Picture before, after;
    double depth33, depthAfter;
  };
  const Case cases[] = {
      {2, {"66666", "66666", "66666", "66666", "66666"}, {"66666", "66266", "62626", "66266", "66666"}, 0.07, 0.07},
      {1, {"66666", "66666", "66166", "66666", "66666"}, {"66666", "66666", "66266", "66666", "66666"}, 0.02, 0.05},
      {0, {"66666", "66666", "66166", "66666", "66666"}, {"66666", "66666", "66166", "66666", "66666"}, 0.02, 0.02},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.value);
    InProjectDir dir;
    UMethod2 = 1;
    prepareLines(k.before);
    ASSERT_NE(antlinT, nullptr);
    for (int i = 1; i <= 5; ++i)
      for (int j = 1; j <= 5; ++j) antlinT[i][j] = antlin[i][j];
    zval[3][3][1] = zval[3][3][znumber] - k.depth33;
    MinVertDist0 = 0.05;
    MinVertDist1 = 0.1;
    FlagGridStab10 = k.value;
    Grid1Stability(2, 5, 2, 5);
    EXPECT_EQ(countsNow(5, 5), k.after) << show(countsNow(5, 5));
    for (int i = 1; i <= 5; ++i)
      for (int j = 1; j <= 5; ++j) EXPECT_EQ(antlinT[i][j], antlin[i][j]) << i << " " << j;
    EXPECT_NEAR(zval[3][3][znumber] - zval[3][3][1], k.depthAfter, 1e-12);
  }
}

// F 383 2: each column first takes the smallest count of its four corners;
// then every inner line (i1..i2-1, j1..j2-1) takes at most 2 levels when the
// smallest of these column minima over the columns (i-1,j-1), (i,j-1),
// (i-1,j), (i,j), plus its own count, is below 6, else half that sum with the
// remainder dropped. The minima are all taken before any line changes; the
// columns i1-1 and j1-1 are not set by the rule and hold 0 here, so a line
// next to the south or west edge gets min(A, A / 2) for A >= 6, else 2.
// Worked for the picture below (window 2..5 x 2..5):
//   (2,2) 9 -> 9 / 2 = 4; (3,2) 5 -> 2; (4,2) 9 -> 4; (2,3) 6 -> 6 / 2 = 3;
//   (2,4) dry: 1 + 0 < 6, min(1, 2) keeps it dry; (3,3): the columns
//   (2,2)..(3,3) reach down to line (1,1), minimum 4, (4 + 9) / 2 = 6;
//   (4,3): minimum 5 of line (3,2), (5 + 9) / 2 = 7; (3,4): column (2,4)
//   holds the dry line, (1 + 9) / 2 = 5; (4,4): column (3,4) holds it too,
//   (1 + 7) / 2 = 4. Lines on the block's edges i = 1, 5 and j = 1, 5 keep
//   their counts. The work map is 0 again over the window afterwards.
TEST(GridStability, SmoothingAgainstTheSmallestCountsOfF383) {
  const Picture before = {"99993", "91979", "96999", "99599", "49999"};
  const Picture smoothed = {"99993", "91549", "93679", "94249", "49999"};
  for (int f383 : {2, 0}) {
    SCOPED_TRACE(f383);
    InProjectDir dir;
    prepareLines(before);
    FlagPresDebug = 2;  // isolated wet lines stay: only the rule under test acts
    FlagGridStab6 = f383;
    Grid1Stability(2, 5, 2, 5);
    EXPECT_EQ(countsNow(5, 5), f383 == 2 ? smoothed : before) << show(countsNow(5, 5));
    for (int i = 1; i <= 5; ++i)
      for (int j = 1; j <= 5; ++j) EXPECT_EQ(antmin[i][j], 0) << i << " " << j;
  }
}

// F 159 2nd integer 5 and 8 on the edge between the columns (3,3) and (3,4),
// formed by the lines (2,3) and (3,3) (depths 0.03 and 0.04 m unless given);
// every other line is 1 m deep except (2,2), 0.6 m, so that the two columns'
// corner-depth sums differ: (3,3) 1.67 m, (3,4) 2.07 m. The edge is deepened
// when the mean depth of its two lines is below t; t starts at MinVertDist0
// (5) or MinVertDist1 (8) and rises to the corner-depth sum / 16 of a column
// that has one cell and an empty column beyond it (the far side from the
// edge: (3,2) for (3,3), (3,5) for (3,4)). Value 8 deepens only the wet lines
// of the edge. MinVertDist0 = 0.05 m, MinVertDist1 = 0.1 m.
TEST(GridStability, ShallowEdgesBesideSingleCellColumnsByF159Second) {
  struct Case {
    const char* what;
    int value;
    double d1, d2;        // depths of (2,3) and (3,3)
    int single;           // 0, 33: column (3,3) or 34: column (3,4) has one cell
    bool farEmpty;        // the column beyond the single one is empty
    bool dry23;           // line (2,3) has one level
    double e1, e2;        // depths afterwards
  };
  const Case cases[] = {
      {"5, no single column: t = 0.05", 5, 0.03, 0.04, 0, false, false, 0.05, 0.05},
      {"5, mean 0.0525 not below 0.05", 5, 0.06, 0.045, 0, false, false, 0.06, 0.045},
      {"5, (3,3) single, (3,2) empty: 1.67 / 16", 5, 0.03, 0.04, 33, true, false, 1.67 / 16, 1.67 / 16},
      {"5, (3,4) single, (3,5) empty: 2.07 / 16", 5, 0.03, 0.04, 34, true, false, 2.07 / 16, 2.07 / 16},
      {"5, (3,3) single beside a wet column", 5, 0.03, 0.04, 33, false, false, 0.05, 0.05},
      {"5, dry line deepened too", 5, 0.03, 0.04, 0, false, true, 0.05, 0.05},
      {"8, no single column: t = 0.1", 8, 0.03, 0.04, 0, false, false, 0.1, 0.1},
      {"8, mean 0.105 not below 0.1", 8, 0.09, 0.12, 0, false, false, 0.09, 0.12},
      {"8, (3,3) single, (3,2) empty: 1.67 / 16", 8, 0.03, 0.04, 33, true, false, 1.67 / 16, 1.67 / 16},
      {"8, (3,4) single, (3,5) empty: 2.07 / 16", 8, 0.03, 0.04, 34, true, false, 2.07 / 16, 2.07 / 16},
      {"8, the dry line stays", 8, 0.03, 0.04, 0, false, true, 0.03, 0.1},
  };
  for (const Case& cs : cases) {
    SCOPED_TRACE(cs.what);
    InProjectDir dir;
    const double depths[4] = {0.6, 1.0, cs.d2, cs.d1};  // (2,2), (3,2), (3,3), (2,3)
    columnOfDepths(depths);
    if (cs.dry23) antlin[2][3] = 1;
    if (cs.single == 33) {
      ant[3][3] = 1;
      if (cs.farEmpty) ant[3][2] = 0;
    } else if (cs.single == 34) {
      ant[3][4] = 1;
      if (cs.farEmpty) ant[3][5] = 0;
    }
    MinVertDist0 = 0.05;
    MinVertDist1 = 0.1;
    FlagGridStab1 = 0;
    FlagGridStab4 = 0;
    FlagGridStab2 = cs.value;
    Grid2Stability(2, 5, 2, 5);
    EXPECT_NEAR(-zval[2][3][1], cs.e1, 1e-12);
    EXPECT_NEAR(-zval[3][3][1], cs.e2, 1e-12);
    EXPECT_DOUBLE_EQ(zval[2][2][1], -0.6);
    for (int i = 1; i <= 5; ++i)
      for (int j = 1; j <= 5; ++j)
        if (!(j == 3 && (i == 2 || i == 3)) && !(i == 2 && j == 2)) {
          EXPECT_DOUBLE_EQ(zval[i][j][1], -1.0) << i << " " << j;
        }
  }
}
