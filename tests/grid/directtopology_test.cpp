// The direct-topology distributions (F 64 14, 15): the points of the grid
// lines, the surfaces each cell makes, the bed layer and the join of the
// lowest cells, the size limits, on block grids filled in-process.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

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

int lowestOf(int i, int j) { return static_cast<int>(zval[i][j][0]); }

int cellOfColumn(int i, int j, int c) {
  int cell = lowestOf(i, j);
  for (int q = 1; q < c && cell > 0; ++q) cell = Ccellt[cell];
  return cell;
}

int columnCount(int i, int j) {
  int n = 0;
  for (int c = lowestOf(i, j); c > 0; c = Ccellt[c]) ++n;
  return n;
}

// znumber 10, F 87 1: a grid line of depth r D has 1 + int(9 r) levels.
void prepareDirect(BlockGrid& g, int method) {
  g.levels = 10;
  setRunStateInitial();
  UMethod = method;
  g.prepare();
  GridDistCoeff = 1.0;
}

// Every cell closed, no negative volume, links mutual, and every surface
// named by the cells it names: a surface whose Fcell1 or Fcell2 is c is one
// of c's six surfaces.
void expectClosedTopology(const std::string& label) {
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
  for (int f = 1; f <= NoSurfaces; ++f)
    for (int c : {Fcell1[f], Fcell2[f]}) {
      if (c == 0) continue;
      const bool named = Cflates[c] == f || Cflatee[c] == f || Cflaten[c] == f || Cflatew[c] == f ||
                         Cflateb[c] == f || Cflatet[c] == f;
      ASSERT_TRUE(named) << label << " surface " << f << " names cell " << c;
    }
  EXPECT_EQ(Cpoint1[0], 0) << label;
  EXPECT_EQ(Ccellt[0], 0) << label;
}

double gridVolume() {
  double v = 0;
  for (int c = 1; c <= NoCells; ++c) v += cellVolume(c);
  return v;
}

}  // namespace

// F 64 14, znumber 10: a grid line half as deep as the deepest has 5 levels,
// its points at 0, 1/4, 1/2, 3/4 and 1 of the depth above the bed at k = 6..10
// and the bed point repeated below; a dry grid line has its one point on the
// bed.
TEST(DirectTopology, PointsOfAGridLineSpreadFromTheBed) {
  for (int method : {14, 15}) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 2, g.ny = 1;
    g.water = [](int, int) { return 2.0; };
    g.bed = [](int i, int j) { return i == 3 && j == 2 ? 0.0 : i == 1 && j == 1 ? 2.5 : 1.0; };
    prepareDirect(g, method);
    ASSERT_EQ(UnstructureBuild(), 1);
    const std::string label = "F 64 " + std::to_string(method);
    EXPECT_EQ(antlin[2][1], 5) << label;
    for (int k = 6; k <= 10; ++k) {
      const int p = numc[2][1][k];
      EXPECT_NEAR(Pz[p], 1.0 + 0.25 * (k - 6), 1e-12) << label << " " << k;
      EXPECT_EQ(Px[p], 1.0) << label;
      EXPECT_EQ(Py[p], 0.0) << label;
    }
    for (int k = 1; k <= 5; ++k) EXPECT_EQ(numc[2][1][k], numc[2][1][6]) << label << " " << k;
    // the dry line (1, 1): one point, on the bed
    EXPECT_EQ(antlin[1][1], 1) << label;
    EXPECT_EQ(Pz[numc[1][1][10]], 2.5) << label;
    EXPECT_EQ(numc[1][1][1], numc[1][1][10]) << label;
    expectClosedTopology(label);
  }
}

// F 64 14: a column of 3 cells between grid lines of 4 levels: 3 bottom
// surfaces (the lowest with no cell below), one top surface, and its west
// and south surfaces shared with the west and south columns; its east and
// north sides are the surfaces its neighbours make.
TEST(DirectTopology, CellsMakeTheSurfacesTheyNeed) {
  InProjectDir dir;
  BlockGrid g;
  g.nx = 3, g.ny = 3;
  g.water = [](int, int) { return 1.0; };
  g.bed = [](int i, int j) { return i == 4 && j == 4 ? 0.0 : 0.6; };  // depth 0.4: 4 levels
  prepareDirect(g, 14);
  ASSERT_EQ(UnstructureBuild(), 1);
  ASSERT_EQ(columnCount(3, 3), 3);
  int bottoms = 0;
  for (int c = 1; c <= 3; ++c) {
    const int cell = cellOfColumn(3, 3, c);
    EXPECT_EQ(num[3][3][7 + c], cell);
    const int fb = Cflateb[cell];
    ASSERT_GT(fb, 0);
    ++bottoms;
    EXPECT_EQ(Fcell2[fb], cell);
    EXPECT_EQ(Fcell1[fb], c == 1 ? 0 : cellOfColumn(3, 3, c - 1));
    // shared with the west and south neighbours at the same level
    EXPECT_EQ(Cflatew[cell], Cflatee[cellOfColumn(2, 3, c)]) << c;
    EXPECT_EQ(Cflates[cell], Cflaten[cellOfColumn(3, 2, c)]) << c;
    EXPECT_EQ(Fcell1[Cflatew[cell]], cellOfColumn(2, 3, c)) << c;
    EXPECT_EQ(Cflatee[cell], Cflatew[cellOfColumn(4, 3, c)]) << c;
  }
  EXPECT_EQ(bottoms, 3);
  const int top = cellOfColumn(3, 3, 3);
  EXPECT_EQ(Fcell1[Cflatet[top]], top);
  EXPECT_EQ(Fcell2[Cflatet[top]], 0);
  // The corner order of the bottom surface is that of its side.
  const int low = cellOfColumn(3, 3, 1);
  EXPECT_EQ(Fpoint1[Cflateb[low]], Cpoint1[low]);
  EXPECT_EQ(Fpoint3[Cflateb[low]], Cpoint3[low]);
  // The east surface at the edge of the wet area: corners 2, 3, 7, 6.
  const int edge = cellOfColumn(4, 3, 1);
  EXPECT_EQ(Fcell1[Cflatee[edge]], edge);
  EXPECT_EQ(Fpoint1[Cflatee[edge]], Cpoint2[edge]);
  EXPECT_EQ(Fpoint2[Cflatee[edge]], Cpoint3[edge]);
  EXPECT_EQ(Fpoint3[Cflatee[edge]], Cpoint7[edge]);
  EXPECT_EQ(Fpoint4[Cflatee[edge]], Cpoint6[edge]);
  expectClosedTopology("F 64 14");
}

// F 64 15: a column of 4 cells beside one of 2, neither reduced: the bed
// layer keeps every cell above the lowest at or above the first level above
// the bed, the lowest cells become each other's west and east neighbours,
// and the surface that joined the cells at equal level before stays the
// zero-height side of the deep column's cell; every cell is closed and
// names one surface per side. F 64 14 links at equal level.
TEST(DirectTopology, BedLayerJoinsTheLowestCellsOfUnequalColumns) {
  for (int method : {14, 15}) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 2, g.ny = 2;
    g.water = [](int, int) { return 1.0; };
    // lines i = 1 half deep (5 levels), the others a quarter (3), (3, 3) deep
    g.bed = [](int i, int j) { return i == 3 && j == 3 ? 0.0 : i == 1 ? 0.5 : 0.75; };
    prepareDirect(g, method);
    ASSERT_EQ(UnstructureBuild(), 1);
    const std::string label = "F 64 " + std::to_string(method);
    ASSERT_EQ(columnCount(2, 2), 4) << label;
    ASSERT_EQ(columnCount(3, 2), 2) << label;
    const int deep = lowestOf(2, 2), shallow = lowestOf(3, 2);
    if (method == 15) {
      EXPECT_EQ(Ccelle[deep], shallow) << label;
      EXPECT_EQ(Ccellw[shallow], deep) << label;
      EXPECT_EQ(Cflatew[shallow], Cflatee[deep]) << label;
      EXPECT_EQ(Fcell1[Cflatee[deep]], deep) << label;
      EXPECT_EQ(Fcell2[Cflatee[deep]], shallow) << label;
      // the deep column's third cell no longer faces the shallow one
      EXPECT_EQ(Ccelle[cellOfColumn(2, 2, 3)], 0) << label;
      // the bed layer: the second cell of the deep column starts at the
      // first level above the bed of the shallow corners (0.75 + 0.125)
      EXPECT_NEAR(Pz[Cpoint2[cellOfColumn(2, 2, 2)]], 0.875, 1e-12) << label;
    } else {
      EXPECT_EQ(Ccelle[deep], 0) << label;
      EXPECT_EQ(Ccelle[cellOfColumn(2, 2, 3)], shallow) << label;
    }
    EXPECT_NEAR(gridVolume(), 0.25 * (0.5 + 0.25 + 0.25 + 0.5) + 0.25 + 0.25 * (0.5 + 0.25 + 0.25 + 0.5) +
                                  0.25 * (0.25 * 3 + 1.0),
                1e-9)
        << label;
    expectClosedTopology(label);
  }
}

// The F 65 sizes are tested before the points of a grid line and before each
// cell: a grid that does not fit ends the build with a negative result and
// never writes beyond the arrays.
TEST(DirectTopology, SizeLimitsStopTheBuildBeforeAnyArrayOverflows) {
  struct Case {
    int cells, faces, points;
  };
  for (int method : {14, 15})
    for (const Case cs : {Case{50000, 80000, 30}, Case{50000, 40, 50000}, Case{5, 80000, 50000}}) {
      InProjectDir dir;
      BlockGrid g;
      g.cells = cs.cells, g.faces = cs.faces, g.points = cs.points;
      prepareDirect(g, method);
      EXPECT_LT(UnstructureBuild(), 0) << method;
      EXPECT_LT(NoPoints, cs.points - 1) << method;
      EXPECT_LT(NoSurfaces, cs.faces - 1) << method;
      EXPECT_LT(NoCells, cs.cells) << method;
      EXPECT_TRUE(dir.dir().boogieHas("Error: Unstructured arrays are too small. Increase with the F 65 data set."));
    }
}
