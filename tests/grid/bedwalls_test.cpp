// The bed-layer distributions with steep walls (F 64 7, 37), cracks (F 64 9)
// and sliding shoreline corners (F 64 10): the marks, the corner rules, the
// corner moves and the links, on block grids filled in-process.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "grid/bedwalls.h"
#include "grid/generate.h"
#include "grid/geometry.h"
#include "grid/grid_builder.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"

namespace {

int columnCells(int i, int j) {
  int n = 0;
  for (int c = static_cast<int>(zval[i][j][0]); c > 0; c = Ccellt[c]) ++n;
  return n;
}

// The c-th cell of column (i, j) from the bottom (1 = the lowest).
int cellOf(int i, int j, int c) {
  int cell = static_cast<int>(zval[i][j][0]);
  for (int q = 1; q < c && cell > 0; ++q) cell = Ccellt[cell];
  return cell;
}

// The grid of a test with the distribution chosen before the arrays are
// allocated (the crack maps exist only under F 64 9).
void prepareWith(const BlockGrid& g, int method) {
  setRunStateInitial();
  UMethod = method;
  g.prepare();
}

// Largest component of the sum of a cell's face vectors as metric gives them,
// each pointing out of the cell.
double metricClosure(int c) {
  double s[3] = {0, 0, 0};
  for (int f : {Cflates[c], Cflatee[c], Cflaten[c], Cflatew[c], Cflateb[c], Cflatet[c]}) {
    const double sign = Fcell1[f] == c ? 1.0 : -1.0;
    s[0] += sign * Fax[f];
    s[1] += sign * Fay[f];
    s[2] += sign * Faz[f];
  }
  return std::max({std::fabs(s[0]), std::fabs(s[1]), std::fabs(s[2])});
}

// Every cell closed before and after metric, none of negative volume, links
// mutual, every surface in the corner order of its side, entry 0 of the cell
// arrays naming nothing.
void expectSoundWalls(const std::string& label) {
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
  for (int* a : {Cpoint1, Cpoint5, Cpoint7, Cflates, Cflatee, Cflatet, Ccelle, Ccellw, Ccellt, Ccellb})
    EXPECT_EQ(a[0], 0) << label;
  FlagHaveDoneMetric = 0;
  metric();
  for (int c = 1; c <= NoCells; ++c) {
    ASSERT_LT(metricClosure(c), 1e-9) << label << " cell " << c;
    ASSERT_GT(Cvol[c], 0) << label << " cell " << c;
  }
}

}  // namespace

// ---------------------------------------------------------------- F 64 9

// Crack faces across i: the count jumps by more than F 232 1st value while
// the bed rises toward the shallower column (F 232 3rd value the limit);
// between columns of 6 and 3 cells the face cracks when the bed rises toward
// the shallow one, never for a jump of 1. The slope is the mean bed
// difference over the plan distance of the side middles, a quarter of the
// difference of the four bed sums.
TEST(CrackGrid, FaceCracksWhereTheBedRisesTowardTheShallowerColumn) {
  struct Case {
    int west, east;   // cells of columns (3, 2) and (4, 2)
    double rise;      // bed rise per metre toward the east
    double limit;     // F 232 3rd value
    int crack;        // crackI[3][2]
  };
  const Case cases[] = {
      {6, 3, 0.3, 0.0, -3}, {6, 3, -0.3, 0.0, 0}, {3, 6, -0.3, 0.0, 3}, {3, 6, 0.3, 0.0, 0},
      {4, 3, 0.3, 0.0, 0},  {3, 4, -0.3, 0.0, 0}, {6, 4, 0.3, 0.0, -2}, {6, 3, 0.0, 0.0, 0},
      // the slope is half the rise here: 0.15 passes a limit of 0.1, 0.05 does not
      {3, 6, 0.1, 0.1, 3},  {6, 3, 0.1, 0.1, 0},  {6, 3, 0.3, 0.1, -3}, {3, 6, 0.3, 0.1, 0},
  };
  for (const Case& cs : cases) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 4, g.ny = 1;
    g.water = [](int, int) { return 10.0; };
    g.bed = [&](int i, int) { return cs.rise * (i - 1); };
    prepareWith(g, 9);
    FlagGridVVANG = cs.limit;
    for (int i = 2; i <= 5; ++i) ant[i][2] = 6;
    ant[3][2] = cs.west;
    ant[4][2] = cs.east;
    findCracks(2, 5, 2, 2);
    EXPECT_EQ(crackI[3][2], cs.crack) << cs.west << " " << cs.east << " rise " << cs.rise << " limit " << cs.limit;
  }
}

// One deep column (4, 3) among columns of 3 cells, the bed rising to the east:
// only its east face cracks. Its two ends are inner grid lines (count 1, one
// level less) without the F 232 extension; with it the lone face vanishes in
// the first pass. A crack face on the block border counts 2 there.
TEST(CrackGrid, LoneFaceVanishesInTheExtensionAndACrackLeavingTheBlockCountsTwo) {
  for (int expand : {0, 1}) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 4, g.ny = 4;
    g.water = [](int, int) { return 10.0; };
    g.bed = [](int i, int) { return 0.3 * (i - 1); };
    prepareWith(g, 9);
    FlagGridQexpand = expand;
    for (int i = 2; i <= 5; ++i)
      for (int j = 2; j <= 5; ++j) ant[i][j] = 3;
    ant[4][3] = 6;
    for (int i = 1; i <= 5; ++i)
      for (int j = 1; j <= 5; ++j) antlin[i][j] = 5;
    findCracks(2, 5, 2, 5);
    const std::string label = "F 232 2nd " + std::to_string(expand);
    EXPECT_EQ(crackI[3][3], 0) << label;  // the bed rises into the deep column
    EXPECT_EQ(crackJ[4][3], 0) << label;
    EXPECT_EQ(crackJ[4][2], 0) << label;
    EXPECT_EQ(crackI[4][3], expand ? 0 : -3) << label;
    EXPECT_EQ(vv[4][2], expand ? 0 : 1) << label;
    EXPECT_EQ(vv[4][3], expand ? 0 : 1) << label;
    EXPECT_EQ(antlin[4][2], expand ? 5 : 4) << label;
    EXPECT_EQ(antlin[4][3], expand ? 5 : 4) << label;
    EXPECT_EQ(antlin[3][3], 5) << label;
  }
  InProjectDir dir;
  BlockGrid g;
  g.nx = 4, g.ny = 4;
  g.water = [](int, int) { return 10.0; };
  g.bed = [](int i, int) { return 0.3 * (i - 1); };
  prepareWith(g, 9);
  for (int i = 2; i <= 5; ++i)
    for (int j = 2; j <= 5; ++j) ant[i][j] = 3;
  ant[4][5] = 6;  // on the north border row
  for (int i = 1; i <= 5; ++i)
    for (int j = 1; j <= 5; ++j) antlin[i][j] = 5;
  findCracks(2, 5, 2, 5);
  EXPECT_EQ(crackI[4][5], -3);
  EXPECT_EQ(vv[4][5], 2);  // border: passing
  EXPECT_EQ(vv[4][4], 1);  // inner end
  EXPECT_EQ(vn[4][5], 3);
  EXPECT_EQ(antlin[4][5], 5);
  EXPECT_EQ(antlin[4][4], 4);
}

// Corner rule of F 64 9 at a corner whose grid line has L = 5 levels (h 1/4)
// in a column of 10 cells (znumber 11). At a passing crack with vn 3 the
// lowest cell's bottom reaches f = 1.75, every other corner at most 1.5; where
// three cracks meet the levels go on without limit; at a crack end the bottom
// stays on the bed; a grid line without cracks runs out of levels (mark -1)
// and holds the higher cells at the first level above the bed.
TEST(CrackGrid, CornerFractionsBesideCracks) {
  struct Case {
    int marks;        // vv of the corner's grid line
    int smallest;     // vn
    double lowest;    // bottom of the lowest cell
    double highest;   // largest fraction of every other corner
    int markAfter;    // vv after the build
  };
  const Case cases[] = {{2, 3, 1.75, 1.5, 2}, {2, 1, 2.5, 2.25, 2}, {3, 3, 2.5, 2.25, 3}, {1, 3, 1.0, 1.0, 1},
                        {0, 0, 1.0, 0.75, -1}};
  for (const Case& cs : cases) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 2, g.ny = 1;
    prepareWith(g, 9);
    // column (2, 2), corner 2 on grid line (2, 1): its east face a crack
    // toward a column 3 cells shallower, its south face none
    crackI[2][2] = -3;
    antlin[2][1] = 5;
    vv[2][1] = cs.marks;
    vn[2][1] = cs.smallest;
    const std::string label = "vv " + std::to_string(cs.marks) + " vn " + std::to_string(cs.smallest);
    EXPECT_DOUBLE_EQ(crackCornerFraction(2, 2, 2, 2, 1, false), cs.lowest) << label;
    if (cs.marks == 2 && cs.smallest == 3) {
      EXPECT_DOUBLE_EQ(crackCornerFraction(2, 2, 2, 3, 2, false), 1.5);
    }
    // A higher cell's bottom is the top of the cell below (their surface is
    // shared): the tops bound every corner above the lowest.
    double highest = 0;
    for (int k = 2; k <= 11; ++k) {
      if (k > 2) crackCornerFraction(2, 2, 2, k, k - 1, false);
      highest = std::max(highest, crackCornerFraction(2, 2, 2, k, k - 1, true));
    }
    EXPECT_DOUBLE_EQ(highest, cs.highest) << label;
    EXPECT_EQ(vv[2][1], cs.markAfter) << label;
    // The top cell reaches the water level; below it the spacing is h.
    EXPECT_EQ(crackCornerFraction(2, 2, 2, 11, 10, true), 0.0) << label;
    EXPECT_DOUBLE_EQ(crackCornerFraction(2, 2, 2, 11, 10, false), 0.25) << label;
  }
  // Only a face across which this column is the deeper one makes the corner
  // pass: seen from the shallow side the levels go on without limit.
  InProjectDir dir;
  BlockGrid g;
  g.nx = 2, g.ny = 1;
  prepareWith(g, 9);
  crackI[2][2] = 3;
  antlin[2][1] = 5;
  vv[2][1] = 2;
  vn[2][1] = 3;
  EXPECT_DOUBLE_EQ(crackCornerFraction(2, 2, 2, 2, 1, false), 2.5);
}

// A bed step of 6 m between grid lines 4 and 5 under 10 m of water: columns
// of 10 cells west of it, 6 cells east; the step faces crack, the border ends
// of the crack count 2, and the deep column's corners on the step line go on
// below the bed by vn = 4 spacings of the 7-level line. Across the crack the
// cells link at equal k, the lowest cells included.
TEST(CrackGrid, CellsBesideACrackLinkAtEqualLevelAndReachBelowTheStep) {
  InProjectDir dir;
  BlockGrid g;
  g.nx = 4, g.ny = 2;
  g.water = [](int, int) { return 10.0; };
  g.bed = [](int i, int) { return i >= 4 ? 6.0 : 0.0; };
  prepareWith(g, 9);
  ASSERT_EQ(UnstructureBuild(), 1);
  EXPECT_EQ(antlin[3][2], 11);
  EXPECT_EQ(antlin[4][2], 7);
  for (int j = 2; j <= 3; ++j) {
    EXPECT_EQ(crackI[4][j], -4) << j;
    ASSERT_EQ(columnCells(4, j), 10) << j;
    ASSERT_EQ(columnCells(5, j), 6) << j;
  }
  EXPECT_EQ(vv[4][1], 2);
  EXPECT_EQ(vv[4][2], 2);
  EXPECT_EQ(vv[4][3], 2);
  EXPECT_EQ(vn[4][2], 4);
  for (int j = 2; j <= 3; ++j) {
    // Cells 1..4 of the deep column face the step: no neighbour; cells 5..10
    // link to the shallow column's cells 1..6 both ways.
    for (int c = 1; c <= 4; ++c) EXPECT_EQ(Ccelle[cellOf(4, j, c)], 0) << j << " " << c;
    for (int c = 1; c <= 6; ++c) {
      EXPECT_EQ(Ccelle[cellOf(4, j, c + 4)], cellOf(5, j, c)) << j << " " << c;
      EXPECT_EQ(Ccellw[cellOf(5, j, c)], cellOf(4, j, c + 4)) << j << " " << c;
    }
    // The lowest cell's bottom on the step line lies 1 + 4/6 of the 4 m depth
    // below the water, the next cells' 1.5.
    const int low = cellOf(4, j, 1);
    EXPECT_NEAR(Pz[Cpoint2[low]], 10 - 4 * (1 + 4.0 / 6), 1e-9) << j;
    EXPECT_NEAR(Pz[Cpoint6[low]], 10 - 4 * 1.5, 1e-9) << j;
    EXPECT_NEAR(Pz[Cpoint1[low]], 0.0, 1e-9) << j;
    // The shallow column's lowest cell spans the bed to the first level.
    const int shallow = cellOf(5, j, 1);
    EXPECT_NEAR(Pz[Cpoint1[shallow]], 6.0, 1e-9) << j;
    EXPECT_NEAR(Pz[Cpoint5[shallow]], 10 - 4 * 5.0 / 6, 1e-9) << j;
  }
  expectSoundWalls("crack step");
}

// A count jump of 4 where the side middles see a falling bed: the deep
// column's deep corner lies on grid line (3, 1), while (3, 2) is a dry bank,
// so the mean bed falls toward the shallow column. No crack: the bed-layer
// links hold.
TEST(CrackGrid, JumpWithAFallingBedKeepsTheBedLayerLinks) {
  InProjectDir dir;
  BlockGrid g;
  g.nx = 4, g.ny = 1;
  g.water = [](int, int) { return 10.0; };
  g.bed = [](int i, int j) { return i == 3 && j == 2 ? 20.0 : i >= 4 ? 6.0 : 0.0; };
  prepareWith(g, 9);
  ASSERT_EQ(UnstructureBuild(), 1);
  EXPECT_EQ(crackI[4][2], 0);
  ASSERT_GT(columnCells(4, 2), columnCells(5, 2));
  EXPECT_EQ(Ccelle[cellOf(4, 2, 1)], cellOf(5, 2, 1));
  EXPECT_EQ(Ccellw[cellOf(5, 2, 1)], cellOf(4, 2, 1));
  expectSoundWalls("no crack");
}

// ---------------------------------------------------------------- F 64 10

namespace {

// Column (2, 2) of a one-column block whose four corner grid lines have the
// given depths and the plan spacings dx, dy; NewCell holds its grid corners.
void shoreColumn(double d1, double d2, double d3, double d4, double dx, double dy) {
  BlockGrid g;
  g.nx = 1, g.ny = 1;
  g.water = [](int, int) { return 10.0; };
  prepareWith(g, 10);
  const double d[2][2] = {{d1, d4}, {d2, d3}};
  for (int i = 1; i <= 2; ++i)
    for (int j = 1; j <= 2; ++j) {
      zval[i][j][1] = 10.0 - d[i - 1][j - 1];
      xval[i][j] = (i - 1) * dx;
      yval[i][j] = (j - 1) * dy;
    }
  const int ci[5] = {0, 1, 2, 2, 1}, cj[5] = {0, 1, 1, 2, 2};
  for (int m = 1; m <= 4; ++m) {
    NewCell.x[m] = NewCell.x[m + 4] = xval[ci[m]][cj[m]];
    NewCell.y[m] = NewCell.y[m + 4] = yval[ci[m]][cj[m]];
  }
}

}  // namespace

// Corners 1, 2 and 4 dry, no south or west neighbour, the south-west column
// empty: corner 1 goes onto the nearer of corners 2 and 4 as they lie before
// their own moves (4 when both are equally near); then 2 and 4 slide toward
// the wet corner 3 by F 89 at most.
TEST(ShoreCorners, DryCornerBetweenDryCornersGoesOntoTheNearerOne) {
  struct Case {
    double dx, dy;
    double x1, y1;  // corner 1 after the moves
  };
  for (const Case cs : {Case{10, 10, 0, 10}, Case{10, 20, 10, 0}, Case{20, 10, 0, 10}}) {
    InProjectDir dir;
    shoreColumn(-1.0, -1.0, 1.0, -1.0, cs.dx, cs.dy);
    moveShoreCorners(2, 2, 0, 0, 0, 0);
    const std::string label = std::to_string(cs.dx) + " x " + std::to_string(cs.dy);
    EXPECT_DOUBLE_EQ(NewCell.x[1], cs.x1) << label;
    EXPECT_DOUBLE_EQ(NewCell.y[1], cs.y1) << label;
    EXPECT_DOUBLE_EQ(NewCell.x[5], cs.x1) << label;
    EXPECT_DOUBLE_EQ(NewCell.y[5], cs.y1) << label;
    // 2 toward 3 and 4 toward 3, half-way (t 0.5 by the waterline, at most F 89)
    EXPECT_DOUBLE_EQ(NewCell.x[2], cs.dx) << label;
    EXPECT_DOUBLE_EQ(NewCell.y[2], 0.5 * cs.dy) << label;
    EXPECT_DOUBLE_EQ(NewCell.x[4], 0.5 * cs.dx) << label;
    EXPECT_DOUBLE_EQ(NewCell.y[8], cs.dy) << label;
    EXPECT_DOUBLE_EQ(NewCell.x[3], cs.dx) << label;  // wet: never moved
  }
}

// A dry corner slides toward the wet one to the waterline between them, at
// most the fraction F 89 of the edge; a depth of exactly 0 is neither dry nor
// wet; a column whose lowest cell has all four neighbours is never changed.
TEST(ShoreCorners, DryCornerSlidesToTheWaterlineWithinF89) {
  struct Case {
    double d1, d4;
    double limit;  // F 89
    double y1;     // corner 1 after the move (edge 10 m)
  };
  for (const Case cs : {Case{-0.2, 0.6, 0.5, 2.5}, Case{-1.0, 0.2, 0.5, 5.0}, Case{-1.0, 0.2, 0.9, 10 * 1.0 / 1.2},
                        Case{0.0, 0.6, 0.5, 0.0}, Case{-0.2, 0.0, 0.5, 0.0}}) {
    InProjectDir dir;
    // corners 2 and 3 wet: only step 1 (a west neighbour, no south one)
    shoreColumn(cs.d1, 1.0, 1.0, cs.d4, 10, 10);
    DistGridHoriz = cs.limit;
    moveShoreCorners(2, 2, 0, 0, 7, 7);
    EXPECT_NEAR(NewCell.y[1], cs.y1, 1e-12) << cs.d1 << " " << cs.d4 << " " << cs.limit;
    EXPECT_NEAR(NewCell.y[5], cs.y1, 1e-12) << cs.d1 << " " << cs.d4;
    EXPECT_EQ(NewCell.x[1], 0.0);
  }
  for (double d : {-1.0, 0.5}) {
    InProjectDir dir;
    shoreColumn(-1.0, d, 1.0, -1.0, 10, 10);
    moveShoreCorners(2, 2, 5, 6, 7, 8);
    for (int m = 1; m <= 8; ++m) {
      EXPECT_EQ(NewCell.x[m], m == 2 || m == 3 || m == 6 || m == 7 ? 10.0 : 0.0) << m;
      EXPECT_EQ(NewCell.y[m], (m >= 3 && m <= 4) || m >= 7 ? 10.0 : 0.0) << m;
    }
  }
}

// The south border grid line 0.2 m above the water, the next line 0.6 m deep,
// 10 m apart: every point of the border line lies 2.5 m north of it after the
// build (the first column by step 9, the inner ones by steps 1 and 2, the
// last by step 10, the shared corners through the west surfaces); 1.0 m dry
// and 0.2 m deep give 5.0 m (F 89 0.5).
TEST(ShoreCorners, DryBorderLineMovesTowardTheWaterline) {
  struct Case {
    double dry, deep, shift;
  };
  for (const Case cs : {Case{0.2, 0.6, 2.5}, Case{1.0, 0.2, 5.0}}) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 3, g.ny = 1;
    g.water = [](int, int) { return 10.0; };
    g.bed = [&](int, int j) { return j == 1 ? 10.0 + cs.dry : 10.0 - cs.deep; };
    prepareWith(g, 10);
    for (int i = 1; i <= 4; ++i)
      for (int j = 1; j <= 2; ++j) yval[i][j] *= 10;
    ASSERT_EQ(UnstructureBuild(), 1);
    ASSERT_GT(NoCells, 0);
    int border = 0;
    for (int p = 1; p <= NoPoints; ++p) {
      EXPECT_GT(Py[p], 1.0) << p;  // none left on the border line
      if (Py[p] < 5.5) {
        EXPECT_NEAR(Py[p], cs.shift, 1e-12) << p;
        ++border;
      }
    }
    EXPECT_GT(border, 0);
    expectSoundWalls("dry border " + std::to_string(cs.dry));
  }
}

// ---------------------------------------------------------------- F 64 7, 37

// A step of 2.5 m over a 1 m edge marks its upper grid line, rising or
// falling, along i and along j; a slope of exactly 2 marks nothing.
TEST(SteepWalls, StepSteeperThanTwoMarksItsUpperGridLine) {
  struct Case {
    double step;
    bool alongJ;
    int upperI, upperJ;  // the marked line, 0 for none
  };
  const Case cases[] = {{2.5, false, 3, 2}, {-2.5, false, 2, 2}, {2.0, false, 0, 0}, {-2.0, false, 0, 0},
                        {2.5, true, 2, 3},  {-2.5, true, 2, 2},  {2.0, true, 0, 0}};
  for (const Case& cs : cases) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 3, g.ny = 3;
    g.water = [](int, int) { return 10.0; };
    // the bed steps between grid lines 2 and 3 (of i or of j)
    g.bed = [&](int i, int j) { return (cs.alongJ ? j : i) >= 3 ? 5.0 + cs.step : 5.0; };
    prepareWith(g, 7);
    markSteepLines(2, 4, 2, 4);
    int marked = 0;
    for (int i = 1; i <= 4; ++i)
      for (int j = 1; j <= 4; ++j)
        if (vv[i][j] != 0) {
          ++marked;
          EXPECT_EQ(vv[i][j], 1);
          EXPECT_EQ(cs.alongJ ? j : i, cs.alongJ ? cs.upperJ : cs.upperI) << cs.step << " " << cs.alongJ;
        }
    EXPECT_EQ(marked, cs.upperI == 0 ? 0 : 4) << cs.step << " " << cs.alongJ;
  }
}

// The corner rule of F 64 7 on a grid line with L = 5 levels (g = 4): steep,
// the levels go on below the bed (f 1.5 half the depth below it); not steep,
// the lowest cell's bottom stays on the bed, the line is marked -1 and the
// higher cells keep to the first level above the bed.
TEST(SteepWalls, CornerFractionsOnSteepAndOrdinaryLines) {
  InProjectDir dir;
  BlockGrid g;
  g.nx = 2, g.ny = 1;
  prepareWith(g, 7);
  antlin[2][1] = 5;
  vv[2][1] = 1;
  EXPECT_NEAR(steepCornerFraction(2, 1, 6, 1, false), 1.5, 1e-9);  // znumber 11: (11 - 6 + 1) / 4
  EXPECT_NEAR(steepCornerFraction(2, 1, 6, 1, true), 1.25, 1e-9);
  EXPECT_EQ(vv[2][1], 1);
  vv[2][1] = 0;
  EXPECT_EQ(steepCornerFraction(2, 1, 6, 1, false), 1.0);
  EXPECT_EQ(vv[2][1], -1);
  EXPECT_NEAR(steepCornerFraction(2, 1, 6, 1, true), 0.75, 1e-9);
  EXPECT_NEAR(steepCornerFraction(2, 1, 7, 2, false), 0.75, 1e-9);
  EXPECT_NEAR(steepCornerFraction(2, 1, 9, 4, true), 0.5, 1e-9);
  // a cell within the levels: unchanged by the mark
  vv[2][1] = 0;
  EXPECT_NEAR(steepCornerFraction(2, 1, 9, 4, false), 0.75, 1e-9);
  EXPECT_EQ(steepCornerFraction(2, 1, 8, 3, false), 1.0);
  EXPECT_EQ(vv[2][1], 0);
}

// A bed step of 6 m between grid lines 2 and 3 under 10 m of water: line 3
// is steep. The deep column's corners there continue below the bed (the cell
// whose bottom fraction is 1.5 has its corner half the depth below the bed),
// and across the steep side the cells link at equal k, the shallow column's
// lowest cell to the deep column's cell at its level.
TEST(SteepWalls, DeepColumnGoesOnBelowTheStepAndLinksAtEqualLevel) {
  for (int method : {7, 37}) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 3, g.ny = 1;
    g.water = [](int, int) { return 10.0; };
    g.bed = [](int i, int) { return i >= 3 ? 6.0 : 0.0; };
    prepareWith(g, method);
    ASSERT_EQ(UnstructureBuild(), 1);
    const std::string label = "F 64 " + std::to_string(method);
    EXPECT_EQ(vv[3][1], 1) << label;
    EXPECT_EQ(vv[2][1], 0) << label;
    EXPECT_EQ(antlin[3][1], 7) << label;
    ASSERT_EQ(columnCells(3, 2), 10) << label;
    ASSERT_EQ(columnCells(4, 2), 6) << label;
    // corner 2 of the deep column on the steep line: fractions 10/6, 9/6 ..
    const int second = cellOf(3, 2, 2);
    EXPECT_NEAR(Pz[Cpoint2[second]], 6.0 - 0.5 * 4.0, 1e-9) << label;
    EXPECT_NEAR(Pz[Cpoint2[cellOf(3, 2, 1)]], 10 - 4 * 10.0 / 6, 1e-9) << label;
    for (int c = 1; c <= 4; ++c) EXPECT_EQ(Ccelle[cellOf(3, 2, c)], 0) << label << " " << c;
    for (int c = 1; c <= 6; ++c) {
      EXPECT_EQ(Ccelle[cellOf(3, 2, c + 4)], cellOf(4, 2, c)) << label << " " << c;
      EXPECT_EQ(Ccellw[cellOf(4, 2, c)], cellOf(3, 2, c + 4)) << label << " " << c;
    }
    expectSoundWalls(label);
  }
}

// ------------------------------------------------- fixed-level blocks

// A fixed-level block (nz 4, d1 2 m, d2 10 m) gets nz cells in every wet
// column under F 64 7, 9 and 10 and never builds cell 0; under 9 and 10 its
// levels are those of the record on every grid line, under 7 a wet column's
// own grid line spans d2 - d1 .. d2.
TEST(BedWallsFixedLevelBlock, GetsItsCellsInEveryWetColumn) {
  for (int method : {7, 37, 9, 10}) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 2, g.ny = 2;
    g.water = [](int, int) { return 1.0; };
    prepareWith(g, method);
    block[1].bedFlag = 0;
    block[1].levelCount = 4;
    block[1].d1 = 2.0;
    block[1].d2 = 10.0;
    ASSERT_EQ(UnstructureBuild(), 1);
    const std::string label = "F 64 " + std::to_string(method);
    EXPECT_EQ(NoCells, 16) << label;
    for (int i = 2; i <= 3; ++i)
      for (int j = 2; j <= 3; ++j) {
        EXPECT_EQ(columnCells(i, j), 4) << label;
        EXPECT_EQ(zval[i][j][11], 10.0) << label;
        if (method == 7 || method == 37) {
          EXPECT_EQ(zval[i][j][1], 8.0) << label;
        } else {
          EXPECT_EQ(zval[i][j][9], 9.0) << label;
        }
      }
    if (method == 9 || method == 10) {
      const int low = cellOf(2, 2, 1);
      EXPECT_EQ(Pz[Cpoint1[low]], 8.0) << label;
      EXPECT_EQ(Pz[Cpoint5[low]], 8.5) << label;
    }
    expectSoundWalls(label);
  }
}

// The size limits are tested before each cell: a build that runs out of room
// ends with fewer cells than the limit, never past the arrays.
TEST(BedWalls, SizeLimitsStopTheBuildBeforeAnyArrayOverflows) {
  for (int method : {7, 9, 10})
    for (int points : {9, 30, 61}) {
      InProjectDir dir;
      BlockGrid g;
      g.points = points;
      prepareWith(g, method);
      EXPECT_LT(UnstructureBuild(), 0) << method << " " << points;
      EXPECT_LT(NoPoints, points - 1) << method << " " << points;
    }
}
