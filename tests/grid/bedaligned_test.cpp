// The bed-aligned distributions (F 64 3, 33, 4): corner levels counted from
// the bed, the links of unequal columns, the F 231 smoothing, on block grids
// filled in-process.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "grid/bedaligned.h"
#include "grid/generate.h"
#include "grid/geometry.h"
#include "grid/grid_builder.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"

namespace {

// The m-th cell of column (i, j) from the bed.
int cellUp(int i, int j, int m) {
  int cell = static_cast<int>(zval[i][j][0]);
  for (int q = 1; q < m && cell > 0; ++q) cell = Ccellt[cell];
  return cell;
}

int cellsUp(int i, int j) {
  int n = 0;
  for (int c = static_cast<int>(zval[i][j][0]); c > 0; c = Ccellt[c]) ++n;
  return n;
}

// Every cell closed, none of negative volume, links mutual, surfaces in the
// corner order of their sides; metric finds every cell's volume.
void expectSoundAligned(const std::string& label) {
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
  EXPECT_EQ(Cpoint1[0], 0) << label;
  EXPECT_EQ(Ccellt[0], 0) << label;
}

// znumber 6 and F 87 1: a grid line as deep as the deepest has 6 levels, one
// 0.6 of that depth 2 + int(0.6 x 4) = 4.
void prepareAligned(BlockGrid& g, int method) {
  g.levels = 6;
  setRunStateInitial();
  g.prepare();
  UMethod = method;
  GridDistCoeff = 1.0;
}

}  // namespace

// A corner with L = 4 levels in a column of 5 cells (water 1 m, bed 0.4 m
// there): under F 64 3 and 33 cells 1..3 take thirds of the depth from the
// bed, cells 4 and 5 have zero height at the water level; under F 64 4 cells
// 3 and 4 have zero height at the last level below the water (b + 2/3 of the
// depth) and the top cell spans the upper third.
TEST(BedAligned, CellsAboveACornersLevelsAreSqueezedAtTheTopOrBelowIt) {
  struct Case {
    int method;
    double bed;      // of the shallow corners
    int levels;      // of corner 1
    double z[6][2];  // bottom and top at corner 1 of cells 1..5
  };
  const Case cases[] = {
      {3, 0.4, 4, {{}, {0.4, 0.6}, {0.6, 0.8}, {0.8, 1.0}, {1.0, 1.0}, {1.0, 1.0}}},
      {33, 0.4, 4, {{}, {0.4, 0.6}, {0.6, 0.8}, {0.8, 1.0}, {1.0, 1.0}, {1.0, 1.0}}},
      {4, 0.4, 4, {{}, {0.4, 0.6}, {0.6, 0.8}, {0.8, 0.8}, {0.8, 0.8}, {0.8, 1.0}}},
      // one interval (L = 2): no raising under F 64 4, the lowest cell spans
      // the depth, the others have zero height at the water level
      {4, 0.8, 2, {{}, {0.8, 1.0}, {1.0, 1.0}, {1.0, 1.0}, {1.0, 1.0}, {1.0, 1.0}}},
      {3, 0.8, 2, {{}, {0.8, 1.0}, {1.0, 1.0}, {1.0, 1.0}, {1.0, 1.0}, {1.0, 1.0}}},
  };
  for (const Case& cs : cases) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 1, g.ny = 1;
    g.bed = [&](int i, int j) { return i == 2 && j == 2 ? 0.0 : cs.bed; };
    prepareAligned(g, cs.method);
    ASSERT_EQ(UnstructureBuild(), 1);
    const std::string label = "F 64 " + std::to_string(cs.method) + " bed " + std::to_string(cs.bed);
    EXPECT_EQ(antlin[2][2], 6) << label;
    EXPECT_EQ(antlin[1][1], cs.levels) << label;
    ASSERT_EQ(cellsUp(2, 2), 5) << label;
    EXPECT_EQ(num[2][2][1], static_cast<int>(zval[2][2][0])) << label;  // numbered from the bed
    for (int m = 1; m <= 5; ++m) {
      const int c = cellUp(2, 2, m);
      EXPECT_NEAR(Pz[Cpoint1[c]], cs.z[m][0], 1e-9) << label << " cell " << m;
      EXPECT_NEAR(Pz[Cpoint5[c]], cs.z[m][1], 1e-9) << label << " cell " << m;
      // the deep corner: fifths of the depth from the bed
      EXPECT_NEAR(Pz[Cpoint3[c]], (m - 1) / 5.0, 1e-9) << label << " cell " << m;
      EXPECT_NEAR(Pz[Cpoint7[c]], m / 5.0, 1e-9) << label << " cell " << m;
    }
    expectSoundAligned(label);
  }
}

// A column of 5 cells beside one of 3: under F 64 3 the cells link at equal
// position from the bed; under F 64 4 cells 1 and 2 link at equal position,
// the top cells (5 and 3) link to each other and cells 3 and 4 of the deeper
// column have no neighbour on that side.
TEST(BedAligned, UnequalColumnsLinkByPositionFromTheBed) {
  for (int method : {3, 4}) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 2, g.ny = 1;
    g.bed = [](int i, int) { return i == 1 ? 0.0 : 0.4; };
    prepareAligned(g, method);
    ASSERT_EQ(UnstructureBuild(), 1);
    const std::string label = "F 64 " + std::to_string(method);
    ASSERT_EQ(cellsUp(2, 2), 5) << label;
    ASSERT_EQ(cellsUp(3, 2), 3) << label;
    for (int m = 1; m <= 2; ++m) {
      EXPECT_EQ(Ccelle[cellUp(2, 2, m)], cellUp(3, 2, m)) << label << " " << m;
      EXPECT_EQ(Ccellw[cellUp(3, 2, m)], cellUp(2, 2, m)) << label << " " << m;
    }
    if (method == 3) {
      EXPECT_EQ(Ccelle[cellUp(2, 2, 3)], cellUp(3, 2, 3)) << label;
      EXPECT_EQ(Ccelle[cellUp(2, 2, 4)], 0) << label;
      EXPECT_EQ(Ccelle[cellUp(2, 2, 5)], 0) << label;
    } else {
      EXPECT_EQ(Ccelle[cellUp(2, 2, 5)], cellUp(3, 2, 3)) << label;
      EXPECT_EQ(Ccellw[cellUp(3, 2, 3)], cellUp(2, 2, 5)) << label;
      EXPECT_EQ(Ccelle[cellUp(2, 2, 3)], 0) << label;
      EXPECT_EQ(Ccelle[cellUp(2, 2, 4)], 0) << label;
    }
    // The water between bed and surface: the plan times the mean corner depth.
    double v = 0;
    for (int c = 1; c <= NoCells; ++c) v += cellVolume(c);
    EXPECT_NEAR(v, 0.25 * (1 + 1 + 0.6 + 0.6) + 0.6, 1e-9) << label;
    expectSoundAligned(label);
  }
}

// F 231 1: two columns of 6 cells side by side whose shared face runs over
// grid lines of 4 and 5 levels: the deeper line takes 6 levels (the south
// one when both are equally deep); with 7 levels on one of them nothing
// changes.
TEST(BedAligned, SmoothingLiftsTheDeeperLineOfAFace) {
  struct Case {
    int south, north;          // levels of grid lines (2, 1) and (2, 2)
    double southDepth, northDepth;
    int southAfter, northAfter;
  };
  const Case cases[] = {{4, 5, 0.5, 0.8, 4, 6}, {5, 4, 0.8, 0.5, 6, 4}, {4, 5, 0.7, 0.7, 6, 5}, {4, 7, 0.5, 0.8, 4, 7}};
  for (const Case& cs : cases) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 2, g.ny = 2;
    g.bed = [&](int i, int j) { return i == 2 && j == 1 ? 1 - cs.southDepth : i == 2 && j == 2 ? 1 - cs.northDepth : 0; };
    prepareAligned(g, 3);
    ant[2][2] = ant[3][2] = 6;
    ant[2][3] = 0;
    antlin[2][1] = cs.south;
    antlin[2][2] = cs.north;
    smoothCounts(2, 3, 2, 3);
    EXPECT_EQ(antlin[2][1], cs.southAfter) << cs.south << " " << cs.north;
    EXPECT_EQ(antlin[2][2], cs.northAfter) << cs.south << " " << cs.north;
  }
}
