// Discharge groups on grids in real projected coordinates (x = 500 000,
// y = 7 000 000) with blocks that do not start at the first grid lines: the
// reference point of a group of several polyline points, how near a point
// must lie to a block side, and the generated inflow whose points stay after
// the first iteration (F 314 first value 4).
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "grid/fieldmap.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/projected_blocks.h"

namespace {

constexpr double X0 = 500000.0, Y0 = 7000000.0;

void setPolyline(DischargeGroup& G, const std::vector<std::pair<double, double>>& pts) {
  G.xyno = 0;
  for (auto [x, y] : pts) {
    G.x[G.xyno] = x;
    G.y[G.xyno] = y;
    ++G.xyno;
  }
}

}  // namespace

// The reference column of a group (G 6 third integer): with several points
// the first point takes no part; the centre of the bounding box of the
// others picks the nearest of them (squared distance), and the boundary
// segment whose midpoint is that point gives the column and its top cell.
// Block of 4 x 3 columns of 10 m; west side midpoints (X0, Y0 + 5, 15, 25)
// belong to columns (2, 2..4), south side midpoint (X0 + 15, Y0) to (3, 2).
TEST(DischargeGroupReference, PointOfAGroupOfSeveralPoints) {
  struct Case {
    const char* name;
    std::vector<std::pair<double, double>> points;
    int i, j;
  };
  const Case cases[] = {
      // Only the second point counts.
      {"two points", {{X0, Y0 + 5}, {X0, Y0 + 25}}, 2, 4},
      // Box of points 1..3: centre (X0 + 7.5, Y0 + 7.5); squared distances
      // 62.5, 112.5, 112.5. With the first point the centre would be
      // (X0 + 7.5, Y0 + 12.5) and the third point nearest.
      {"first point outside the box", {{X0, Y0 + 25}, {X0, Y0 + 5}, {X0, Y0 + 15}, {X0 + 15, Y0}}, 2, 2},
      // Centre (X0, Y0 + 15): the middle point, neither the first nor the
      // last of the counted ones.
      {"middle point nearest", {{X0 + 15, Y0}, {X0, Y0 + 5}, {X0, Y0 + 15}, {X0, Y0 + 25}}, 2, 3},
      // Centre (X0 + 17.5, Y0 + 2.5): the point in the middle in x.
      {"centre in x", {{X0, Y0 + 25}, {X0, Y0 + 5}, {X0 + 25, Y0}, {X0 + 35, Y0}}, 4, 2},
      // The first point lies at the centre of the others but takes no part;
      // of the two equally near points the first stays.
      {"equal distances", {{X0, Y0 + 15}, {X0, Y0 + 5}, {X0, Y0 + 25}}, 2, 2},
      // A single point is the reference point.
      {"one point", {{X0 + 15, Y0}}, 3, 2},
      // The midpoint must lie within 0.0001 x sqrt(top face area of 100 m2)
      // = 0.001 m of the reference point in x and in y.
      {"0.0005 m off the midpoint", {{X0 + 15, Y0 + 0.0005}}, 3, 2},
      {"0.0015 m off the midpoint", {{X0 + 15, Y0 + 0.0015}}, 0, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    InProjectDir p;
    ProjectedBlocks g;
    BoxColumns b{2, 5, 2, 4, 2, X0, Y0, 10.0, 10.0, 1.0};
    b.refSearch = 1;
    g.blocks = {b};
    g.build();
    DischargeGroup& G = DischargeStruct[3];
    G.discharge = 100.0;
    setPolyline(G, k.points);
    InterpolateBoundary();
    ASSERT_GE(G.surfno, 2);
    kSurf = 3;
    // No column found leaves no cell to test against the group (the test of
    // membership belongs to other grid files).
    if (k.i == 0) FlagReadUnstruc = 4;
    SetiPresjPres();
    EXPECT_EQ(iPres, k.i);
    EXPECT_EQ(jPres, k.j);
    EXPECT_EQ(iSurf, k.i ? g.cell(1, k.i, k.j, 2) : 0);  // the top cell of the column
    char line[80];
    std::snprintf(line, sizeof line, "G 6/62 2D reference indexes: %d %d 0 0\n", k.i, k.j);
    EXPECT_NE(p.dir().boogie().find(line), std::string::npos) << p.dir().boogie();
  }
}

// A polyline point selects a block side when its distance |dx| + |dy| to the
// side's midpoint is below 0.1 x sqrt(c), c the cross product of the
// diagonals of the block's last column: 10 m columns give sqrt(200) / 10 =
// 1.414 m, 2 m columns sqrt(8) / 10 = 0.283 m. Each block measures with its
// own columns. Block 1 (columns i = 4..5, j = 3..4, 10 m) starts at X0, Y0;
// block 2 (columns i = 7..8, j = 3..4, 2 m) lies 100 m east and is mirrored
// (y falls with j, its columns run clockwise); its west side midpoints are
// (X0 + 100, Y0 + 3) and (X0 + 100, Y0 + 1) of columns (7, 3) and (7, 4).
TEST(DischargeGroupTolerance, BlocksAwayFromTheOrigin) {
  struct Case {
    const char* name;
    double x, y;
    int surfaces;
    int cell;  // block, i, j of the bottom cell whose face comes first: given below
  };
  const Case cases[] = {
      {"1.40 m west of block 1", X0 - 1.40, Y0 + 5, 3, 1},
      {"1.42 m west of block 1", X0 - 1.42, Y0 + 5, 0, 0},
      {"1.40 m diagonally off block 1", X0 - 0.70, Y0 + 5.70, 3, 1},
      {"1.44 m diagonally off block 1 (1.02 m straight)", X0 - 0.72, Y0 + 5.72, 0, 0},
      {"0.25 m west of block 2", X0 + 100 - 0.25, Y0 + 3, 3, 2},
      {"0.30 m west of block 2", X0 + 100 - 0.30, Y0 + 3, 0, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    InProjectDir p;
    ProjectedBlocks g;
    g.gridLinesX = 9;
    g.blocks = {{4, 5, 3, 4, 3, X0, Y0, 10.0, 10.0, 1.0}, {7, 8, 3, 4, 3, X0 + 100, Y0 + 4, 2.0, -2.0, 1.0}};
    g.build();
    DischargeGroup& G = DischargeStruct[4];
    G.discharge = 50.0;
    setPolyline(G, {{k.x, k.y}});
    InterpolateBoundary();
    ASSERT_EQ(G.surfno, k.surfaces);
    if (k.surfaces == 0) continue;
    // The west faces of the column's cells, top first.
    const int i = k.cell == 1 ? 4 : 7, j = 3;
    for (int e = 0; e < 3; ++e) EXPECT_EQ(G.face[e], Cflatew[g.cell(k.cell, i, j, 3 - e)]) << e;
    EXPECT_DOUBLE_EQ(G.area, k.cell == 1 ? 30.0 : 6.0);
  }
}

// F 314 first value 4: the inflow points along the first grid line of block 1
// follow the depth test before the first iteration and stay from then on,
// when only the faces are attached again; value 2 takes the depth test at
// every call. A segment counts when the water depths of its two grid points
// add up to more than F 86 (0.4 m): depths 2, 2, 0.2, 0.2 at grid points
// j = 1..4 keep the segments of j = 2 and 3 and drop j = 4 (0.2 + 0.2).
TEST(GeneratedInflow, PointsOfUpwardVariantFourStayAfterTheFirstIteration) {
  struct Case {
    int up;
    int iter;
    int points, surfaces;
  };
  const Case cases[] = {
      {4, 0, 3, 6},  // before the first iteration: the depths of now (all 2 m)
      {4, 1, 2, 4},  // the points stored at iteration 0 stay
      {4, 9, 2, 4},
      {2, 1, 3, 6},  // value 2 tests the depths of now
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << "F 314 " << k.up << ", iteration " << k.iter);
    InProjectDir p;
    ProjectedBlocks g;
    g.blocks = {{2, 3, 2, 4, 2, X0, Y0, 10.0, 10.0, 1.0}};
    g.build();
    MinVertDist0 = 0.4;
    FlagGenerateUpFlux = k.up;
    discharges[1] = 2.0;
    // The first call, before the first iteration, on shallow water at the
    // north end of the first grid line.
    Iter = 0;
    zval[1][3][znumber] = zval[1][4][znumber] = 0.2;
    setFluxes();
    const DischargeGroup& G = DischargeStruct[1];
    ASSERT_EQ(G.xyno, 2);
    ASSERT_EQ(G.surfno, 4);
    // The water rises; the grid is built again and the groups attached anew.
    zval[1][3][znumber] = zval[1][4][znumber] = 2.0;
    Iter = k.iter;
    g.build();
    setFluxes();
    EXPECT_EQ(G.xyno, k.points);
    EXPECT_EQ(G.surfno, k.surfaces);
    EXPECT_DOUBLE_EQ(G.area, 10.0 * k.surfaces);
    EXPECT_DOUBLE_EQ(G.discharge, 2000.0);
    for (int n = 0; n < G.xyno; ++n) {
      EXPECT_DOUBLE_EQ(G.x[n], X0) << n;
      EXPECT_DOUBLE_EQ(G.y[n], Y0 + 5 + 10 * n) << n;
    }
    // The faces: the west faces of every cell of the selected columns, each
    // column from its top cell down.
    for (int e = 0; e < G.surfno; ++e) {
      const int column = e / 2, level = 2 - e % 2;
      EXPECT_EQ(G.face[e], Cflatew[g.cell(1, 2, 2 + column, level)]) << e;
      EXPECT_EQ(Fflagflow[G.face[e]], 1) << e;
    }
  }
}
