// The faces of the discharge groups and the reference columns of the water
// level: generated groups, polylines mapped onto block boundaries, groups
// attached again after a grid change, G 6 / G 62 reference cells.
#include <gtest/gtest.h>

#include <string>

#include "grid/fieldmap.h"
#include "grid/geometry.h"
#include "grid/grid_read.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/case_runner.h"
#include "support/in_dir.h"
#include "support/small_grid.h"
#include "support/three_cell_grid.h"

namespace {

// The three-cell grid with groups 1 and 2 left without faces and points.
std::string gridWithEmptyGroups() {
  std::string t = ThreeCellGrid{}.text();
  const std::string in = "1 0 0 1 999 1 1 1000.000000 0.000000\n4 \n0.000000 5.000000\n";
  const std::string out = "0 0 0 1 999 1 1 1000.000000 0.000000\n13 \n30.000000 5.000000\n";
  t.replace(t.find(in), in.size(), "1 0 0 1 999 0 0 0.000000 0.000000\n");
  t.replace(t.find(out), out.size(), "0 0 0 1 999 0 0 0.000000 0.000000\n");
  return t;
}

// A block of 3 x 2 columns of 3 cells, 1 m by 1 m by 1 m.
SmallGrid channel() {
  SmallGrid g;
  g.nx = 3, g.ny = 2, g.nz = 3;
  g.water = [](int, int) { return 3.0; };
  return g;
}

void polyline(DischargeGroup& G, std::initializer_list<std::pair<double, double>> pts) {
  G.xyno = 0;
  for (auto [x, y] : pts) {
    G.x[G.xyno] = x;
    G.y[G.xyno] = y;
    ++G.xyno;
  }
}

}  // namespace

// F 314 builds group 1 along the west and group 2 along the east grid line of
// block 1 and takes the discharges of F 237 (m3/s) in l/s.
TEST(DischargeGroupsCase, GeneratedGroupsAreReportedAfterTheGridIsRead) {
  CaseDir d;
  d.write("control", threeCellControl("U", "F 314 1 1\nF 237 1 1.5\nF 237 2 2.5\n"));
  d.write("unstruc", gridWithEmptyGroups());
  ASSERT_EQ(d.run(), 1) << d.boogie();
  EXPECT_TRUE(d.boogieHas("Group 1, surfaces 1, xyno 1, discharge 1500.000000 l/s Dirichlet boundary condition"))
      << d.boogie();
  EXPECT_TRUE(d.boogieHas("Group 2, surfaces 1, xyno 1, discharge 2500.000000 l/s Dirichlet boundary condition"));
  EXPECT_TRUE(d.boogieHas("G 6/62 2D reference indexes: 0 0 0 0"));
  EXPECT_EQ(d.boogie().find("Zero inflow/outflow area"), std::string::npos);
}

// The reference cell of G 6 gives its column; a cell outside the grid and a
// cell outside its reference group end the run with their messages.
TEST(DischargeGroupsCase, ReferenceCellsOfG6) {
  struct Case {
    std::string extra;
    int status;
    std::string line;
  };
  const Case cases[] = {
      {"F 36 2\nG 6 2 0 0 0.1 0.01\n", 1, "G 6/62 2D reference indexes: 3 2 0 0"},
      {"F 36 2\nG 6 2 3 0 0.1 0.01\n", 1, "G 6/62 2D reference indexes: 3 2 4 2"},
      {"F 36 2\nG 6 99 0 0 0.1 0.01\n", 255, "for cell number 99, first integer on the data set."},
      {"F 36 2\nG 6 2 0 1 0.1 0.01\n", 252, "Error in G 6 or G 62 data set: Cell number 2 is not in discharge group 1"},
      // The reference group alone: its faces give the column and the cell.
      {"F 36 2\nG 6 0 0 2 0.1 0.01\n", 1, "G 6/62 2D reference indexes: 4 2 0 0"},
  };
  for (const Case& c : cases) {
    CaseDir d;
    d.write("control", threeCellControl("U", c.extra));
    d.write("unstruc", ThreeCellGrid{}.text());
    EXPECT_EQ(d.run(), c.status) << c.extra << d.boogie();
    EXPECT_TRUE(d.boogie().find(c.line) != std::string::npos) << c.extra << d.boogie();
  }
}

// The levels of the table of F 314 choose the faces of each column.
TEST(DischargeGroups, GeneratedGroupLevels) {
  struct Case {
    int up, down;
    int group, surfaces, points;
    double area;
  };
  const Case cases[] = {
      {1, 0, 1, 6, 2, 6.0},   // every cell of the two west columns
      {0, 1, 2, 6, 2, 6.0},   // every cell of the two east columns
      {0, 3, 2, 2, 2, 2.0},   // bottom cells only
      {12, 0, 1, 0, 2, 0.0},  // level 12 lies above every column
      {2, 0, 1, 6, 2, 6.0},   // the depth test keeps both points
  };
  for (const Case& c : cases) {
    InProjectDir p;
    channel().build();
    FlagGenerateUpFlux = c.up;
    FlagGenerateDownFlux = c.down;
    discharges[c.group] = 0.5;
    setFluxes();
    const DischargeGroup& G = DischargeStruct[c.group];
    EXPECT_EQ(G.surfno, c.surfaces) << c.up << " " << c.down;
    EXPECT_EQ(G.xyno, c.points) << c.up << " " << c.down;
    EXPECT_DOUBLE_EQ(G.area, c.area) << c.up << " " << c.down;
    EXPECT_DOUBLE_EQ(G.discharge, 500.0);
    EXPECT_EQ(G.inflow, c.group == 1 ? 1 : 0);
    for (int e = 0; e < G.surfno; ++e) {
      EXPECT_EQ(Fflagflow[G.face[e]], 1);
      const int cell = Fcell1[G.face[e]] != 0 ? Fcell1[G.face[e]] : Fcell2[G.face[e]];
      EXPECT_EQ(Cinout[cell], c.group == 1 ? 1 : -2);
    }
    const bool warned = p.dir().boogie().find("Zero inflow/outflow area for discharge group no.") != std::string::npos;
    EXPECT_EQ(warned, c.surfaces == 0) << c.up;
  }
}

// Polyline points near the west side of a column attach the faces of its cells
// in the level range, each face once however many points select it; a point
// far from every boundary and a point at a dry column attach nothing.
TEST(DischargeGroups, PolylinePointsSelectColumnsAndLevels) {
  struct Case {
    const char* name;
    std::initializer_list<std::pair<double, double>> points;
    int low, top;
    int surfaces;
  };
  const Case cases[] = {
      {"one point", {{0.0, 0.5}}, 1, 999, 3},
      {"the same side twice", {{0.0, 0.5}, {0.0, 0.52}}, 1, 999, 3},
      {"two columns", {{0.0, 0.5}, {0.0, 1.5}}, 1, 999, 6},
      {"upper levels", {{0.0, 0.5}}, 2, 999, 2},
      {"bottom cell only", {{0.0, 0.5}}, 3, 2, 1},
      {"far away", {{40.0, 40.0}}, 1, 999, 0},
  };
  for (const Case& c : cases) {
    InProjectDir p;
    channel().build();
    DischargeGroup& G = DischargeStruct[3];
    G.discharge = 100.0;
    G.lowLevel = c.low;
    G.topLevel = c.top;
    polyline(G, c.points);
    InterpolateBoundary();
    EXPECT_EQ(G.surfno, c.surfaces) << c.name;
    EXPECT_DOUBLE_EQ(G.area, c.surfaces * 1.0) << c.name;
  }
  InProjectDir p;
  channel().build();
  zval[2][2][0] = 0;  // the nearest column is dry
  DischargeGroup& G = DischargeStruct[3];
  G.discharge = 100.0;
  polyline(G, {{0.0, 0.5}});
  InterpolateBoundary();
  EXPECT_EQ(G.surfno, 0);
}

// After a grid change every group with polyline points is attached again,
// also one whose discharge is zero at that moment (a timei series or the
// computed outflow may raise it later); a group without points keeps none of
// the faces of the grid before.
TEST(DischargeGroups, GroupsWithPointsAreAttachedAgainWhateverTheirDischarge) {
  InProjectDir p;
  channel().build();
  DischargeGroup& fromFile = DischargeStruct[4];
  fromFile.discharge = 100.0;
  fromFile.surfno = 2;
  fromFile.face[0] = 7, fromFile.face[1] = 9;
  DischargeGroup& noDischarge = DischargeStruct[5];
  noDischarge.surfno = 1;
  noDischarge.face[0] = 11;
  noDischarge.lowLevel = 1;
  noDischarge.topLevel = 999;
  polyline(noDischarge, {{0.0, 0.5}});
  InterpolateBoundary();
  EXPECT_EQ(fromFile.surfno, 0);
  EXPECT_DOUBLE_EQ(fromFile.area, 0.0);
  EXPECT_TRUE(p.dir().boogie().find("Warning: discharge group 4 has no polyline; its 2 surfaces") != std::string::npos);
  ASSERT_GT(noDischarge.surfno, 0);
  for (int e = 0; e < noDischarge.surfno; ++e) EXPECT_EQ(Fflagflow[noDischarge.face[e]], 1) << e;
  EXPECT_GT(noDischarge.area, 0.0);
}

// The groups read with a grid are flow faces after the read; a grid built
// afterwards leaves them stale until BedMake attaches them again, also in a
// steady run.
TEST(DischargeGroups, ReadGroupsAreFlowFacesAndBuiltGridsAttachThemAgain) {
  InProjectDir p;
  readGrid(p.dir(), ThreeCellGrid{});
  EXPECT_EQ(Fflagflow[4], 1);
  EXPECT_EQ(Fflagflow[13], 1);
  EXPECT_EQ(Cinout[1], 1);
  EXPECT_EQ(Cinout[3], -2);
  EXPECT_FALSE(groupFacesStale());

  // A new grid's geometry (as after a build): the lists are stale, BedMake of
  // a steady run attaches the groups from their polylines.
  DischargeStruct[1].face[0] = 5;  // a face the old grid had there
  FlagHaveDoneMetric = 0;
  metric();
  EXPECT_TRUE(groupFacesStale());
  BedMake();
  EXPECT_FALSE(groupFacesStale());
  EXPECT_EQ(DischargeStruct[1].surfno, 1);
  EXPECT_EQ(DischargeStruct[1].face[0], 4);
  EXPECT_EQ(DischargeStruct[2].face[0], 13);
}

// With threads, the groups are attached in a parallel region; the lists,
// marks and messages are those of the serial order.
TEST(DischargeGroups, ParallelAttachmentMatchesSerial) {
  auto run = [](int threads) {
    InProjectDir p;
    channel().build();
    NoProcessesSolver = threads;
    FlagOpenMP[10] = threads > 0 ? 0 : 1;
    for (int g = 1; g <= 9; ++g) {
      DischargeStruct[g].discharge = 10.0 * g;
      DischargeStruct[g].inflow = g % 2;
      polyline(DischargeStruct[g], {{0.0, 0.5 + (g % 2)}, {4.0, 0.5 + (g % 3 == 0)}});
    }
    InterpolateBoundary();
    std::string s;
    for (int g = 1; g <= 9; ++g)
      for (int e = 0; e < DischargeStruct[g].surfno; ++e) s += std::to_string(DischargeStruct[g].face[e]) + ",";
    for (int c = 1; c <= NoCells; ++c) s += std::to_string(Cinout[c]) + ";";
    return s + p.dir().boogie();
  };
  EXPECT_EQ(run(0), run(4));
}
