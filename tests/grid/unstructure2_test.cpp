// The second grid generator (F 488) on block grids filled in-process: level
// counts, points, consecutive cells, the three surface groups and the cell
// links derived from them.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "grid/generate.h"
#include "grid/geometry.h"
#include "grid/grid_builder.h"
#include "state/log.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"

namespace {

double totalVolume() {
  double v = 0;
  for (int c = 1; c <= NoCells; ++c) v += cellVolume(c);
  return v;
}

double worstClosure() {
  double w = 0;
  for (int c = 1; c <= NoCells; ++c) w = std::max(w, closureDefect(c));
  return w;
}

std::vector<double> lineLevels(int i, int j) {
  std::vector<double> z;
  for (int m = 0; m < antlin[i][j]; ++m) z.push_back(Pz[pointint[i][j] + m]);
  return z;
}

int cellsUp(int i, int j) {
  int n = 0;
  for (int c = pointcell[i][j]; c > 0; c = Ccellt[c]) ++n;
  return n;
}

// The F 488 1 channel: bed layer 0.3 m under the table 0, 0.1 .. 1.0.
void tableChannel() {
  UMethod2 = 1;
  TurbThick = 0.3;
  FlagReadG3 = 1;
  for (int k = 1; k <= 11; ++k) zdistrib[k] = 0.1 * (k - 1);
}

// Every cell agrees with its faces (the same points in the order of the
// side, the cell on the right side of each); a side without a face is
// pinched to zero area. "" when all agree, else the first fault.
std::string faceFault() {
  const int order[7][4] = {{0, 0, 0, 0}, {1, 5, 6, 2}, {2, 3, 7, 6}, {4, 8, 7, 3},
                           {1, 4, 8, 5}, {1, 2, 3, 4}, {5, 6, 7, 8}};
  for (int c = 1; c <= NoCells; ++c) {
    const int corner[9] = {0,          Cpoint1[c], Cpoint2[c], Cpoint3[c], Cpoint4[c],
                           Cpoint5[c], Cpoint6[c], Cpoint7[c], Cpoint8[c]};
    const int face[7] = {0, Cflates[c], Cflatee[c], Cflaten[c], Cflatew[c], Cflateb[c], Cflatet[c]};
    for (int s = 1; s <= 6; ++s) {
      const int f = face[s];
      const std::string where = "cell " + std::to_string(c) + " side " + std::to_string(s);
      if (f == 0) {
        if (s >= 5) return where + " has no face";
        const Vec d1 = sub(point(corner[order[s][2]]), point(corner[order[s][0]]));
        const Vec d2 = sub(point(corner[order[s][3]]), point(corner[order[s][1]]));
        const Vec a = cross(d1, d2);
        if (std::fabs(a[0]) + std::fabs(a[1]) + std::fabs(a[2]) > 1e-12) return where + " open";
        continue;
      }
      const int fp[4] = {Fpoint1[f], Fpoint2[f], Fpoint3[f], Fpoint4[f]};
      for (int q = 0; q < 4; ++q)
        if (fp[q] != corner[order[s][q]]) return where;
      const bool low = s == 2 || s == 3 || s == 6;
      if ((low ? Fcell1[f] : Fcell2[f]) != c) return "orientation of " + where;
    }
  }
  return "";
}

}  // namespace

// F 488 2: the bed layer reaches the surface, so the straight channel has the
// counts of the adaptive grid (10 levels per line, the depth scale carrying
// 1e-10 m) and no table levels.
TEST(Unstructure2, BedFollowingGridOfTheStraightChannel) {
  InProjectDir dir;
  UMethod2 = 2;
  BlockGrid g;
  g.prepare();
  ASSERT_EQ(UnstructureBuild(), 0);
  EXPECT_EQ(NoCells, 900);
  EXPECT_EQ(NoPoints, 1260);
  EXPECT_EQ(NoSurfaces, 3025);
  EXPECT_NEAR(totalVolume(), 100.0, 1e-9);
  EXPECT_LT(worstClosure(), 1e-12);
  EXPECT_EQ(faceFault(), "");
  for (int c = 1; c <= NoCells; ++c) ASSERT_GT(cellVolume(c), 0.0) << c;
  EXPECT_DOUBLE_EQ(TurbTop[5][3], 1.0);
  const std::vector<double> z = lineLevels(5, 3);
  ASSERT_EQ(z.size(), 10u);
  for (int m = 0; m < 10; ++m) EXPECT_NEAR(z[m], m / 9.0, 1e-12) << m;
  // Columns number their cells from the bed up; surface groups in the order
  // normal to i, normal to j, horizontal.
  EXPECT_EQ(pointcell[2][2], 1);
  EXPECT_EQ(pointcell[3][2], 10);
  EXPECT_EQ(static_cast<int>(zval[3][2][0]), 10);
  EXPECT_EQ(cellsUp(3, 2), 9);
  EXPECT_EQ(intSurfI[1][2], 1);
  EXPECT_EQ(intSurfJ[2][1], 21 * 5 * 9 + 1);
  EXPECT_EQ(intSurfK[2][2], 21 * 5 * 9 + 20 * 6 * 9 + 1);
  EXPECT_EQ(Ccelle[1], 10);
  EXPECT_EQ(Ccellw[10], 1);
  EXPECT_EQ(Ccelln[1], pointcell[2][3]);
  EXPECT_EQ(Ccellw[1], 0);
  EXPECT_EQ(Ccellt[9], 0);
  EXPECT_EQ(Ccellb[1], 0);
  // Bed cells of every column, i outer.
  EXPECT_EQ(pointbed[3][2], 6);
  EXPECT_EQ(Cbed[pointcell[3][2]], 6);
  EXPECT_EQ(Cbed[0], 0);
  EXPECT_EQ(block[1].firstCell, 1);
  EXPECT_EQ(block[1].lastCell, 900);
  EXPECT_EQ(block[1].lastSurface, 3025);
  EXPECT_EQ(block[1].lastPoint, 1260);
  EXPECT_EQ(block[1].active, 1);
  EXPECT_EQ(NoCells0, 900);
  EXPECT_EQ(WCEnd, 900);
  EXPECT_EQ(WFEnd, 3025);
  EXPECT_EQ(FlagHaveDoneMetric, 0);
  EXPECT_TRUE(dir.dir().boogieHas("Generating grid with F 64 11 algorithm2. ")) << dir.dir().boogie();
  EXPECT_FALSE(dir.dir().boogieHas("Generating grid with F 64 11 algorithm. "));
}

// F 488 1 with F 509 0.3 and the table 0, 0.1 .. 1.0: (0.3)^0.6 x 9 + 2 gives
// 6 bed-layer levels 0.06 m apart, the table levels 0.4 .. 0.9 lie more than
// half a spacing inside, then the surface: 13 levels, 12 cells per column,
// more than znumber.
TEST(Unstructure2, BedLayerUnderTableLevels) {
  InProjectDir dir;
  tableChannel();
  BlockGrid g;
  g.prepare();
  ASSERT_EQ(UnstructureBuild(), 0);
  EXPECT_EQ(antlinT[5][3], 6);
  EXPECT_EQ(antlin[5][3], 13);
  EXPECT_EQ(antT[5][3], 5);
  EXPECT_EQ(ant[5][3], 12);
  const std::vector<double> want{0, 0.06, 0.12, 0.18, 0.24, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 1.0};
  const std::vector<double> z = lineLevels(5, 3);
  ASSERT_EQ(z.size(), want.size());
  for (std::size_t m = 0; m < want.size(); ++m) EXPECT_NEAR(z[m], want[m], 1e-12) << m;
  EXPECT_EQ(NoCells, 1200);
  EXPECT_EQ(NoPoints, 1638);
  EXPECT_EQ(NoSurfaces, 4000);
  EXPECT_NEAR(totalVolume(), 100.0, 1e-9);
  EXPECT_LT(worstClosure(), 1e-12);
  EXPECT_EQ(faceFault(), "");
  EXPECT_EQ(cellsUp(5, 3), 12);
}

// Without G 3 the table runs from the lowest bed to the highest surface with
// the F 510 exponent; a table level nearer than half a bed-layer spacing to
// TurbTop or to the surface gets no point.
TEST(Unstructure2, OwnLevelTableAndItsHalfSpacingMargins) {
  InProjectDir dir;
  UMethod2 = 1;
  TurbThick = 0.3;
  GridDistCoeff2 = 2.0;
  BlockGrid g;
  g.prepare();
  ASSERT_EQ(UnstructureBuild(), 0);
  for (int k = 1; k <= 11; ++k) EXPECT_NEAR(zdistrib[k], std::pow((k - 1) / 10.0, 2.0), 1e-12) << k;
  // Table 0.36, 0.49, 0.64, 0.81 (0.25 and 1.0 fall inside the margins).
  const std::vector<double> want{0, 0.06, 0.12, 0.18, 0.24, 0.3, 0.36, 0.49, 0.64, 0.81, 1.0};
  EXPECT_EQ(lineLevels(5, 3).size(), want.size());
  for (std::size_t m = 0; m < want.size(); ++m) EXPECT_NEAR(lineLevels(5, 3)[m], want[m], 1e-12) << m;
}

// F 511 above 1 packs the bed layer towards the bed (t^c); below 1 towards
// TurbTop (1 - u^(1/c)); F 519 keeps the points under the surface.
TEST(Unstructure2, BedLayerSpacingExponents) {
  struct Row {
    double c;
    double second;  // level of the second point of six
  };
  for (const Row r : {Row{2.0, 0.3 * 0.04}, Row{0.5, 0.3 * (1 - 0.64)}}) {
    InProjectDir dir;
    tableChannel();
    GridDistCoeff3 = r.c;
    BlockGrid g;
    g.prepare();
    ASSERT_EQ(UnstructureBuild(), 0);
    const std::vector<double> z = lineLevels(5, 3);
    EXPECT_NEAR(z[0], 0.0, 1e-12) << r.c;
    EXPECT_NEAR(z[1], r.second, 1e-12) << r.c;
    EXPECT_NEAR(z[5], 0.3, 1e-12) << r.c;
    EXPECT_NEAR(totalVolume(), 100.0, 1e-9);
  }
}

// Different bed layers on the two sides of a vertical group: the deeper west
// end has more bed-layer levels. The lowest vertical surface joins the lowest
// cells of both columns, the higher ones the cells counted down from the top
// of each bed layer; all cells stay closed and agree with their faces.
TEST(Unstructure2, LowestVerticalSurfaceJoinsTheLowestCells) {
  InProjectDir dir;
  UMethod2 = 2;
  BlockGrid g;
  g.water = [](int i, int) { return i <= 8 ? 1.0 : 0.3; };
  g.prepare();
  ASSERT_EQ(UnstructureBuild(), 0);
  // Grid line 8 is 1 m deep (10 levels), line 9 0.3 m (int(0.3^0.6 x 9 + 2) = 6).
  ASSERT_EQ(antlinT[8][3], 10);
  ASSERT_EQ(antlinT[9][3], 6);
  EXPECT_EQ(ant[9][3], 9);   // column 9 lies between lines 8 and 9
  EXPECT_EQ(ant[10][3], 5);  // between lines 9 and 10
  const int f = intSurfI[9][3];  // the surface group on grid line 9
  EXPECT_EQ(Fcell1[f], pointcell[9][3]);
  EXPECT_EQ(Fcell2[f], pointcell[10][3]);
  // The top surface of the group joins the top cells.
  EXPECT_EQ(Fcell1[f + 4], pointcell[9][3] + 8);
  EXPECT_EQ(Fcell2[f + 4], pointcell[10][3] + 4);
  EXPECT_LT(worstClosure(), 1e-12);
  EXPECT_EQ(faceFault(), "");
  double volume = 0;
  for (int i = 2; i <= 21; ++i)
    for (int j = 2; j <= 6; ++j) {
      const double d[4] = {g.water(i - 1, j - 1), g.water(i, j - 1), g.water(i, j), g.water(i - 1, j)};
      volume += 0.25 * (d[0] + d[1] + d[2] + d[3]);
    }
  EXPECT_NEAR(totalVolume(), volume, 1e-9);
}

// A grid line with one bed-layer level (0 < depth < MinVertDist0) makes every
// bed-layer surface of its groups meet it in one point: zero-height edges.
// Ta = 1 at a corner of a deeper column.
TEST(Unstructure2, OneLevelGridLineGivesZeroHeightEdges) {
  InProjectDir dir;
  UMethod2 = 2;
  BlockGrid g;
  g.water = [](int i, int j) { return i == 8 && j == 3 ? 0.002 : 1.0; };
  g.prepare();
  ASSERT_EQ(UnstructureBuild(), 0);
  ASSERT_EQ(antlinT[8][3], 1);
  const int p = pointint[8][3];
  EXPECT_NEAR(Pz[p], 0.002, 1e-12);  // one point, at TurbTop with F 511 1.0
  // The group on grid line 8 between lines (8,2) and (8,3): every surface
  // has both of its points at (8,3) on that one point.
  const int f = intSurfI[8][3];
  for (int t = 0; t < 9; ++t) {
    EXPECT_EQ(Fpoint2[f + t], p) << t;
    EXPECT_EQ(Fpoint3[f + t], p) << t;
  }
  EXPECT_LT(worstClosure(), 1e-12);
  EXPECT_EQ(faceFault(), "");
  for (int c = 1; c <= NoCells; ++c) ASSERT_GE(cellVolume(c), -1e-15) << c;
}

// At the edge of a block the column outside has no cells: the vertical
// surfaces there have one cell, on their inner side.
TEST(Unstructure2, BlockEdgeSurfacesHaveTheirInnerCellOnly) {
  InProjectDir dir;
  tableChannel();
  BlockGrid g;
  g.prepare();
  ASSERT_EQ(UnstructureBuild(), 0);
  for (int t = 0; t < 12; ++t) {
    const int west = intSurfI[1][3] + t, east = intSurfI[21][3] + t, south = intSurfJ[5][1] + t;
    EXPECT_EQ(Fcell1[west], 0) << t;
    EXPECT_EQ(Fcell2[west], pointcell[2][3] + t) << t;
    EXPECT_EQ(Fcell1[east], pointcell[21][3] + t) << t;
    EXPECT_EQ(Fcell2[east], 0) << t;
    EXPECT_EQ(Fcell1[south], 0) << t;
    EXPECT_EQ(Ccellw[pointcell[2][3] + t], 0) << t;
  }
}

// A column whose cells above the bed layer were taken away after the level
// counts shows 0 (a wall) on the surfaces that lost their cell; where both
// sides lost it the surface has neither cells nor points, and so no area.
TEST(Unstructure2, SurfacesThatLostTheirCellsAreWallsOrEmpty) {
  InProjectDir dir;
  tableChannel();
  BlockGrid g;
  g.prepare();
  ASSERT_EQ(UnstructureBuild(), 0);
  // Columns (5,3) and (6,3) keep their bed layer (5 cells), (6,3) one cell
  // above it; the group on grid line 5 between them is rebuilt.
  ant[5][3] = 5;
  ant[6][3] = 6;
  NoSurfaces = 0;
  makeSurfaces2(2, 21, 2, 6);
  const int f = intSurfI[5][3];  // 5 bed-layer surfaces, 7 above
  for (int t = 0; t < 5; ++t) {
    EXPECT_EQ(Fcell1[f + t], pointcell[5][3] + t) << t;
    EXPECT_EQ(Fcell2[f + t], pointcell[6][3] + t) << t;
  }
  EXPECT_EQ(Fcell1[f + 11], 0);
  EXPECT_EQ(Fcell2[f + 11], pointcell[6][3] + 5);  // the top pair first
  for (int t = 5; t < 11; ++t) {
    EXPECT_EQ(Fcell1[f + t], 0) << t;
    EXPECT_EQ(Fcell2[f + t], 0) << t;
    for (const int* pnt : {Fpoint1, Fpoint2, Fpoint3, Fpoint4}) EXPECT_EQ(pnt[f + t], 0) << t;
  }
  metric();
  for (int t = 5; t < 11; ++t) EXPECT_EQ(Farea[f + t], 0.0) << t;
  EXPECT_GT(Farea[f + 11], 0.0);
}

// A dry column (bed above the surface at all its corners) gets no cells but a
// bed cell; its neighbours meet it in walls.
TEST(Unstructure2, DryColumnsHaveNoCellsButBedCells) {
  InProjectDir dir;
  UMethod2 = 2;
  BlockGrid g;
  g.bed = [](int, int j) { return j <= 2 ? 2.0 : 0.0; };
  g.prepare();
  ASSERT_EQ(UnstructureBuild(), 0);
  EXPECT_EQ(ant[5][2], 0);
  EXPECT_EQ(pointcell[5][2], 0);
  EXPECT_GT(pointbed[5][2], 0);
  EXPECT_EQ(Cbed[0], 0);
  EXPECT_GT(ant[5][3], 0);
  EXPECT_EQ(Ccells[pointcell[5][3]], 0);
  EXPECT_EQ(Fcell1[Cflates[pointcell[5][3]]], 0);
  EXPECT_LT(worstClosure(), 1e-12);
  EXPECT_EQ(faceFault(), "");
}

// The bed-layer count stops at znumber, also when F 192 asks for more.
TEST(Unstructure2, BedLayerCountStopsAtZnumber) {
  InProjectDir dir;
  UMethod2 = 2;
  NestNoRatio = 3.0;
  BlockGrid g;
  g.prepare();
  ASSERT_EQ(UnstructureBuild(), 0);
  EXPECT_EQ(antlinT[5][3], 11);
  EXPECT_EQ(ant[5][3], 10);
  EXPECT_NEAR(totalVolume(), 100.0, 1e-9);
  EXPECT_EQ(faceFault(), "");
}

// A second build of the same block grid gives the same numbering, and the
// previous lowest cells are kept.
TEST(Unstructure2, SecondBuildRepeatsTheGrid) {
  InProjectDir dir;
  tableChannel();
  BlockGrid g;
  g.bed = [](int i, int) { return 0.01 * i; };
  g.prepare();
  ASSERT_EQ(UnstructureBuild(), 0);
  std::vector<int> before;
  for (int f = 1; f <= NoSurfaces; ++f)
    for (const int* a : {Fcell1, Fcell2, Fpoint1, Fpoint3}) before.push_back(a[f]);
  const int low = pointcell[5][3];
  ASSERT_EQ(UnstructureBuild(), 0);
  std::vector<int> after;
  for (int f = 1; f <= NoSurfaces; ++f)
    for (const int* a : {Fcell1, Fcell2, Fpoint1, Fpoint3}) after.push_back(a[f]);
  EXPECT_EQ(before, after);
  EXPECT_EQ(pointcell_old[5][3], low);
}

// F 503: at a column whose three corner neighbours are dry, the corner grid
// line takes the smaller counts of its diagonal grid line when that has fewer
// than three levels; corner 4 mirrors the others (grid line (i-1, j) limited
// by (i, j-1)).
TEST(Unstructure2, Triangular10LimitsCornerLinesByTheirDiagonal) {
  struct Row {
    int corner;
    int dry[3][2];  // relative to the column
    int line[2], diagonal[2];
  };
  const Row rows[] = {{1, {{-1, -1}, {-1, 0}, {0, -1}}, {-1, -1}, {0, 0}},
                      {2, {{1, -1}, {1, 0}, {0, -1}}, {0, -1}, {-1, 0}},
                      {3, {{1, 0}, {1, 1}, {0, 1}}, {0, 0}, {-1, -1}},
                      {4, {{-1, 1}, {0, 1}, {-1, 0}}, {-1, 0}, {0, -1}}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.corner);
    InProjectDir dir;
    UMethod2 = 2;
    BlockGrid g;
    g.prepare();
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) {
        ant[i][j] = 0;
        antlin[i][j] = antlinT[i][j] = 8;
      }
    const int i = 5, j = 4;
    for (int a = -1; a <= 1; ++a)
      for (int b = -1; b <= 1; ++b) ant[i + a][j + b] = 3;
    for (const auto& d : r.dry) ant[i + d[0]][j + d[1]] = 0;
    antlin[i + r.diagonal[0]][j + r.diagonal[1]] = 2;
    antlinT[i + r.diagonal[0]][j + r.diagonal[1]] = 1;
    UnstrucTriangular10();
    EXPECT_EQ(antlin[i + r.line[0]][j + r.line[1]], 2);
    EXPECT_EQ(antlinT[i + r.line[0]][j + r.line[1]], 1);
    // The other corner lines keep their counts.
    int untouched = 0;
    for (const auto& c : {std::pair{-1, -1}, {0, -1}, {0, 0}, {-1, 0}})
      if (c != std::pair{r.line[0], r.line[1]} && c != std::pair{r.diagonal[0], r.diagonal[1]})
        untouched += antlin[i + c.first][j + c.second] == 8;
    EXPECT_EQ(untouched, 2);
    // Three levels at the diagonal limit nothing.
    antlin[i + r.line[0]][j + r.line[1]] = 8;
    antlin[i + r.diagonal[0]][j + r.diagonal[1]] = 3;
    UnstrucTriangular10();
    EXPECT_EQ(antlin[i + r.line[0]][j + r.line[1]], 8);
  }
}

// The previous sub-bed block is the only last block a build takes away.
TEST(Unstructure2, OnlyASubBedBlockIsDroppedBeforeTheBuild) {
  InProjectDir dir;
  BlockGrid g;
  g.prepare();
  NoBlocks = 2;
  block[2] = block[1];
  block[2].j1 = 9;
  block[2].j2 = 8;
  FlagThixo = 2;
  dropPreviousSubBedBlock();
  EXPECT_EQ(NoBlocks, 2);
  block[2].subBed = 1;
  dropPreviousSubBedBlock();
  EXPECT_EQ(NoBlocks, 1);
  dropPreviousSubBedBlock();
  EXPECT_EQ(NoBlocks, 1);
}

// F 65 too small for the points: the message names the point that does not
// fit and the run ends with -4 before any point is written beyond the arrays.
TEST(Unstructure2, PointOverflowEndsTheRun) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        InProjectDir dir;
        UMethod2 = 2;
        BlockGrid g;
        g.points = 1000;
        g.prepare();
        UnstructureBuild();
      },
      ::testing::ExitedWithCode(252), "");
  EXPECT_EXIT(
      {
        InProjectDir dir;
        UMethod2 = 2;
        BlockGrid g;
        g.faces = 3000;
        g.prepare();
        UnstructureBuild();
      },
      ::testing::ExitedWithCode(252), "");
  EXPECT_EXIT(
      {
        InProjectDir dir;
        UMethod2 = 2;
        BlockGrid g;
        g.cells = 900;
        g.prepare();
        UnstructureBuild();
      },
      ::testing::ExitedWithCode(252), "");
}

// The arrays cannot be allocated on the first build: the two lines, and the
// run ends (-1) instead of going on with absent arrays.
TEST(Unstructure2, AllocationFailureEndsTheRun) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        InProjectDir dir;
        UMethod2 = 2;
        xnumber = 23;
        ynumber = 8;
        znumber = 11;
        lnumber = 1;
        sialloc();
        NoBlocks = 1;
        block[1].i1 = block[1].j1 = 2;
        block[1].i2 = 21;
        block[1].j2 = 6;
        alloc::setMemoryLimit(alloc::liveBytes() + 1000);
        Unstructure();
        std::fprintf(stderr, "went on\n");
      },
      ::testing::ExitedWithCode(255), "");
}

// F 531: once the bed cells are numbered, a grid line whose mean bed
// roughness of the four columns around it exceeds F 531 times the bed-layer
// thickness gets two bed-layer levels.
TEST(Unstructure2, RoughBedGetsTwoBedLayerLevels) {
  InProjectDir dir;
  UMethod2 = 2;
  GridRoughnessParam = 0.1;
  BlockGrid g;
  g.prepare();
  ASSERT_EQ(UnstructureBuild(), 0);  // numbers the bed cells, no roughness yet
  EXPECT_EQ(antlinT[5][3], 10);
  ASSERT_NE(Broughness, nullptr);
  for (int i = 2; i <= 6; ++i)
    for (int j = 2; j <= 6; ++j) Broughness[pointbed[i][j]] = 0.5;  // 0.5 / 1 m > 0.1
  ASSERT_EQ(UnstructureBuild(), 0);
  EXPECT_EQ(antlinT[3][3], 2);
  EXPECT_EQ(antlinT[5][3], 2);
  EXPECT_EQ(antlinT[6][3], 2);   // mean 0.25 of two rough and two smooth columns
  EXPECT_EQ(antlinT[7][3], 10);  // the columns 7 and 8 around line 7 are smooth
  EXPECT_EQ(ant[4][3], 1);
  EXPECT_NEAR(totalVolume(), 100.0, 1e-9);
  EXPECT_EQ(faceFault(), "");
}

// F 548: a column of two or more cells next to a single-cell column is
// marked with its cell count; the array is marked as filled.
TEST(Unstructure2, TriangleEdgeMarks) {
  InProjectDir dir;
  UMethod2 = 2;
  FlagTriEdges = 1;
  BlockGrid g;
  g.water = [](int i, int) { return i >= 15 ? 0.05 : 1.0; };  // 0.05 m: two levels
  g.prepare();
  ASSERT_EQ(UnstructureBuild(), 0);
  ASSERT_NE(Btriedges, nullptr);
  EXPECT_EQ(ant[15][3], 9);
  EXPECT_EQ(ant[16][3], 1);
  EXPECT_EQ(Btriedges[pointbed[15][3]], 9);
  EXPECT_EQ(Btriedges[pointbed[14][3]], 0);
  EXPECT_EQ(Btriedges[pointbed[16][3]], 0);
  EXPECT_EQ(Btriedges[0], 1);
}

// F 492 2: a dry edge (both its grid lines with one level) between wet
// columns gets one level more than the columns have cells, and its water
// level is raised to the bed plus MinVertDist0 in the block grid.
TEST(Unstructure2, DryEdgeBetweenWetColumnsIsOpened) {
  InProjectDir dir;
  UMethod2 = 2;
  FlagGridStabFix1 = 2;
  BlockGrid g;
  g.water = [](int i, int j) { return i == 8 && (j == 2 || j == 3) ? -0.5 : 1.0; };
  g.prepare();
  ASSERT_EQ(UnstructureBuild(), 0);
  EXPECT_EQ(antlin[8][2], 10);
  EXPECT_EQ(antlin[8][3], 10);
  EXPECT_DOUBLE_EQ(zval[8][3][znumber], MinVertDist0);
  EXPECT_DOUBLE_EQ(zval[8][2][znumber], MinVertDist0);
  EXPECT_EQ(ant[8][3], 9);
  EXPECT_LT(worstClosure(), 1e-12);
  EXPECT_EQ(faceFault(), "");
}
