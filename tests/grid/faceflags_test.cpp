// Flow flags and orientation of the faces, collapsed faces, face levels of
// the discharge groups and donor cells of nested-block faces.
#include <gtest/gtest.h>

#include "grid/fieldmap.h"
#include "grid/geometry.h"
#include "grid/grid_read.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

// Cell 1 of the three-cell grid: south face 1, north 3, bottom 5, top 6; its
// west face 4 belongs to group 1, the east face 13 of cell 3 to group 2; face
// 2 lies between cells 1 and 2.
TEST(FaceFlowFlags, BoundaryFacesByWallOption) {
  struct Case {
    int wall;
    int bottom, top, side;
  };
  const Case cases[] = {{0, -1, 0, -1}, {3, -1, 0, -1}, {4, -1, -1, -1}, {1, -1, 0, 0},
                        {2, -1, 0, 0},  {6, -1, 0, 0},  {5, 0, -1, 0}};
  for (const Case& c : cases) {
    InProjectDir p;
    WallFlag = c.wall;
    readGrid(p.dir(), ThreeCellGrid{});
    EXPECT_EQ(Fflagflow[5], c.bottom) << "F 70 " << c.wall;
    EXPECT_EQ(Fflagflow[6], c.top) << "F 70 " << c.wall;
    EXPECT_EQ(Fflagflow[1], c.side) << "F 70 " << c.wall;
    EXPECT_EQ(Fflagflow[3], c.side) << "F 70 " << c.wall;
    EXPECT_EQ(Fflagflow[2], 1) << "F 70 " << c.wall;
    // The group faces are flow faces once the groups are attached.
    EXPECT_EQ(Fflagflow[4], 1);
    EXPECT_EQ(Fflagflow[13], 1);
    EXPECT_EQ(Fin[6], -1);  // no Fcell2
    EXPECT_EQ(Fin[5], 1);   // Fcell2 meets it at its bottom
    EXPECT_EQ(Fin[2], 1);   // Fcell2 meets it at its west side
  }
}

// A boundary side face of no area above the bottom of a column: a flow face
// of kind 2 where the column's bottom cell has a neighbour on that side.
TEST(FaceFlowFlags, CollapsedBoundaryFaces) {
  struct Case {
    int side;              // 2 east, 3 north (the cell is Fcell1), 1 south, 4 west (Fcell2)
    bool bottomNeighbour;
    int expected;
  };
  const Case cases[] = {{2, true, 2}, {2, false, 0}, {3, true, 2}, {3, false, 0},
                        {1, true, 2}, {1, false, 0}, {4, true, 2}, {4, false, 0}};
  for (const Case& c : cases) {
    InProjectDir p;
    SmallGrid g;
    g.nx = 3, g.ny = 3, g.nz = 2;
    g.build();
    const int upper = g.cell(3, 3, 2), bottom = g.cell(3, 3, 1);
    int* link[5] = {nullptr, Ccells, Ccelle, Ccelln, Ccellw};
    int* flate[5] = {nullptr, Cflates, Cflatee, Cflaten, Cflatew};
    const int f = flate[c.side][upper];
    link[c.side][upper] = 0;
    if (!c.bottomNeighbour) link[c.side][bottom] = 0;
    const bool low = c.side == 1 || c.side == 4;
    Fcell1[f] = low ? 0 : upper;
    Fcell2[f] = low ? upper : 0;
    Ftype1[f] = low ? 0 : c.side;
    Ftype2[f] = low ? c.side : 0;
    EXPECT_EQ(findFlagflowTriangle(f), c.expected) << c.side << c.bottomNeighbour;
    // A bottom cell's own collapsed face is never of kind 2.
    const int fb = flate[c.side][bottom];
    Fcell1[fb] = low ? 0 : bottom;
    Fcell2[fb] = low ? bottom : 0;
    Ftype1[fb] = low ? 0 : c.side;
    Ftype2[fb] = low ? c.side : 0;
    EXPECT_EQ(findFlagflowTriangle(fb), 0);
  }
}

// Group faces are opened by the flags and attached again; face levels count
// the cells from the face's cell down; nesting faces are opened unless they
// lie on the bed of a block that keeps its bed.
TEST(FaceFlowFlags, GroupLevelsAndNestingFaces) {
  InProjectDir p;
  MaxNester = 10;
  FlagCyclic = 1;
  SmallGrid g;
  g.nx = 2, g.ny = 1, g.nz = 3;
  g.build();
  for (int f = 1; f <= NoSurfaces; ++f) {
    Ftype1[f] = Fcell1[f] ? 2 : 0;
    Ftype2[f] = Fcell2[f] ? 4 : 0;
  }
  const int bottomFace = Cflateb[g.cell(2, 2, 1)];
  Ftype2[bottomFace] = 5;
  DischargeGroup& G = DischargeStruct[1];
  G.surfno = 3;
  G.face[0] = Cflatew[g.cell(2, 2, 3)];
  G.face[1] = Cflatew[g.cell(2, 2, 2)];
  G.face[2] = Cflatew[g.cell(2, 2, 1)];
  NoNestflater = 2;
  Npflate[1] = bottomFace;
  Npblock[1] = 1;
  Npflate[2] = Cflatee[g.cell(2, 2, 1)];  // an inner face
  Npblock[2] = 1;
  block[1].bedFlag = 1;
  FlagHaveDoneMetric = 0;
  setFaceFlowFlags();
  EXPECT_EQ(G.faceLevel[0], 3);
  EXPECT_EQ(G.faceLevel[1], 2);
  EXPECT_EQ(G.faceLevel[2], 1);
  EXPECT_EQ(Fflagflow[G.face[0]], 0);  // until the group is attached again
  EXPECT_EQ(Fflagflow[bottomFace], -1);
  EXPECT_EQ(Fflagflow[Npflate[2]], 0);
  block[1].bedFlag = 0;
  setFaceFlowFlags();
  EXPECT_EQ(Fflagflow[bottomFace], 0);
}

// Donor cells of a nesting face: the nearest top cells in front of the face,
// each taken at the level nearest to the face centre; slots without a
// candidate take the cell of the slot before.
TEST(FaceFlowFlags, DonorCellsOfNestingFaces) {
  InProjectDir p;
  MaxNester = 10;
  SmallGrid g;
  g.nx = 3, g.ny = 1, g.nz = 2;
  g.build();
  for (int f = 1; f <= NoSurfaces; ++f) {
    Ftype1[f] = Fcell1[f] ? 2 : 0;
    Ftype2[f] = Fcell2[f] ? 4 : 0;
  }
  // The east face of the lower cell of the first column: the two columns
  // east of it lie in front of it.
  const int own = g.cell(2, 2, 1), f = Cflatee[own];
  Fpoint1[f] = Cpoint2[own], Fpoint2[f] = Cpoint3[own], Fpoint3[f] = Cpoint7[own], Fpoint4[f] = Cpoint6[own];
  NoNestflater = 2;
  Npflate[1] = f;
  Npflate[2] = f;
  for (int m = 0; m < 4; ++m) Ncell[1][m] = 77;  // values of an older grid
  setFaceFlowFlags();
  EXPECT_EQ(Ncell[1][0], g.cell(3, 2, 1));
  EXPECT_EQ(Ncell[1][1], g.cell(4, 2, 1));
  EXPECT_EQ(Ncell[1][2], g.cell(4, 2, 1));  // no third column in front
  EXPECT_EQ(Ncell[1][3], g.cell(4, 2, 1));
  EXPECT_NEAR(Nvect[1][0][0], 1.0, 1e-12);
  EXPECT_NEAR(Nvect[1][0][2], 0.0, 1e-12);
}
