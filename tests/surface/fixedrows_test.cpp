// Fixed rows and weir rows of the surface-height equation, on a generated box
// of 4 x 3 columns of 1 m (block 1: columns i = 2..5, j = 2..4), 1 m of water
// over a flat bed, discharge group 1 (inflow) along the west edge and group 2
// (outflow) along the east edge. Every row starts at Cap 7, Csource 3, so
// that a row the routines leave alone shows.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"
#include "surface/surface.h"

namespace {

std::vector<int> columnCells(int i, int j) {
  std::vector<int> v;
  for (int c = static_cast<int>(zval[i][j][0]); c > 0 && v.size() < 100; c = Ccellt[c]) v.push_back(c);
  return v;
}
int lowest(int i, int j) { return columnCells(i, j).front(); }
double topLevel(int c) { return Czcenter[c] + Ckdist[c]; }

struct Box {
  InProjectDir dir;
  Box() {
    setRunStateInitial();
    FlowGrid g = FlowGrid::box(4, 3, 1.0);
    EXPECT_TRUE(g.build());
    for (int c = 1; c <= NoCells; ++c) {
      Cap[c] = 7.0;
      Csource[c] = 3.0;
      Cxvel[c] = Cyvel[c] = 0.0;
    }
    iPres = jPres = 0;
  }
};

// Every cell of column (i, j) moves at (u, v).
void columnVelocity(int i, int j, double u, double v) {
  for (int c : columnCells(i, j)) {
    Cxvel[c] = u;
    Cyvel[c] = v;
  }
}

void oneWeir(int i1, int i2, int j1, int j2) {
  NoWeirs = 1;
  Weirs[0] = {i1, i2, j1, j2, 10.0, 1.7, 1.5};
}

}  // namespace

// ---- computeWeirs ----

// Q = 1.7 (h - 10)^1.5 with Q = 3.4 m3/s: h = 10 + 2^(2/3) = 11.587 m. The
// weir along row 3 (columns (3, 3), (4, 3)) takes the x flux through the 1 m2
// east and west faces of each column: 1.7 m/s in each column passes 3.4
// m3/s. A flow running back over the crest holds the level at the crest.
TEST(Weirs, TheWeirFormulaFixesTheColumnsOfTheWeir) {
  struct Row {
    const char* name;
    double u;
    double level;
  };
  const Row rows[] = {{"3.4 m3/s over the crest", 1.7, 11.587}, {"no flow", 0.0, 10.0}, {"reverse flow", -1.7, 10.0}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Box box;
    oneWeir(3, 4, 3, 3);
    columnVelocity(3, 3, r.u, 5.0);  // the y speed does not cross this weir
    columnVelocity(4, 3, r.u, 5.0);
    computeWeirs();
    for (int i : {3, 4}) {
      const int c = lowest(i, 3);
      EXPECT_EQ(Cap[c], 7.0 + 1e30);
      EXPECT_NEAR(Csource[c] / 1e30, r.level, 5e-4);
      EXPECT_FALSE(std::isnan(Csource[c]));
      EXPECT_EQ(Cap[Ccellt[c]], 7.0);
    }
    EXPECT_EQ(Cap[lowest(2, 3)], 7.0);
    EXPECT_EQ(Cap[lowest(3, 2)], 7.0);
  }
}

// A weir along line i (i1 = i2) takes the y flux through the south and north
// faces; one whose ranges are both single values lies along its row; one
// with neither equality is passed over.
TEST(Weirs, TheShapeOfTheRangesChoosesTheFaces) {
  {
    Box box;
    oneWeir(3, 3, 2, 4);
    for (int j = 2; j <= 4; ++j) columnVelocity(3, j, 9.0, 3.4 / 3);
    computeWeirs();
    for (int j = 2; j <= 4; ++j) EXPECT_NEAR(Csource[lowest(3, j)] / 1e30, 11.587, 5e-4) << j;
  }
  for (bool alongX : {true, false}) {
    Box box;
    oneWeir(3, 3, 3, 3);
    columnVelocity(3, 3, alongX ? 3.4 : 0.0, alongX ? 0.0 : 3.4);
    computeWeirs();
    EXPECT_NEAR(Csource[lowest(3, 3)] / 1e30, alongX ? 11.587 : 10.0, 5e-4) << alongX;
  }
  {
    Box box;
    oneWeir(3, 4, 2, 3);
    columnVelocity(3, 2, 1.7, 1.7);
    computeWeirs();
    for (int c = 1; c <= NoCells; ++c) ASSERT_EQ(Cap[c], 7.0);
  }
}

// ---- setSurfaceBoundary ----

// The reference column is fixed at its lowest cell even when slot 0 holds a
// higher cell of it: the change towards the reference level for the level
// methods, the level itself for F 36 9.
TEST(SurfaceBoundary, TheReferenceColumnIsFixedAtItsLowestCell) {
  for (int tfs : {4, 9}) {
    SCOPED_TRACE(tfs);
    Box box;
    const std::vector<int> col = columnCells(3, 3);
    ASSERT_GE(col.size(), 3u);
    zval[3][3][0] = col[2];
    iPres = 3;
    jPres = 3;
    GlobZRef = 1.25;
    FlagTFS = tfs;
    setSurfaceBoundary();
    EXPECT_EQ(Cap[col[0]], 1e20);
    const double expected = tfs == 9 ? 1.25 : 1.25 - topLevel(col.back());
    EXPECT_NEAR(Csource[col[0]] / 1e20, expected, 1e-12);
    for (std::size_t k = 1; k < col.size(); ++k) EXPECT_EQ(Cap[col[k]], 7.0);
  }
}

// The outlet group fixes each of its columns through the face of its lowest
// cell only, all with the same value; the second reference column and group
// take the second level.
TEST(SurfaceBoundary, OutletGroupsFixTheirColumnsThroughTheirLowestCells) {
  {
    Box box;
    kSurf = 2;
    GlobZRef = 0.9;
    FlagTFS = 4;
    setSurfaceBoundary();
    for (int j = 2; j <= 4; ++j) {
      const std::vector<int> col = columnCells(5, j);
      EXPECT_EQ(Cap[col[0]], 1e20);
      EXPECT_NEAR(Csource[col[0]] / 1e20, 0.9 - topLevel(col.back()), 1e-12);
      for (std::size_t k = 1; k < col.size(); ++k) EXPECT_EQ(Cap[col[k]], 7.0);
    }
    for (int j = 2; j <= 4; ++j) EXPECT_EQ(Cap[lowest(2, j)], 7.0);
  }
  {
    Box box;
    kSurf2 = 1;
    jSurf = 1;
    iPres2 = 3;
    jPres2 = 4;
    GlobZRef2 = 1.4;
    FlagTFS = 9;
    setSurfaceBoundary();
    EXPECT_NEAR(Csource[lowest(2, 3)] / 1e20, 1.4, 1e-12);
    EXPECT_NEAR(Csource[lowest(3, 4)] / 1e20, 1.4, 1e-12);
  }
}

// F 36 9: an inflow group of 100 l/s over 10 m2 (0.01 m/s) adds 0.01 x face
// area / plan area per face to the lowest cell of the face's column; an
// outflow group of 50 l/s over 10 m2 takes 0.005 x face area / plan area.
// Each column here has 1 m2 of faces on the group and 1 m2 of plan.
TEST(SurfaceBoundary, F36NineAddsTheGroupDischargesToTheColumnSources) {
  Box box;
  FlagTFS = 9;
  iPres = 3;
  jPres = 3;
  GlobZRef = 0.0;
  DischargeArray[1] = 100.0;
  DischargeStruct[1].area = 10.0;
  DischargeArray[2] = 50.0;
  DischargeStruct[2].area = 10.0;
  for (int j = 2; j <= 4; ++j) {
    double faces = 0.0;
    for (int k = 0; k < DischargeStruct[1].surfno; ++k) {
      const int f = DischargeStruct[1].face[k];
      const int c = Fcell1[f] != 0 ? Fcell1[f] : Fcell2[f];
      if (Bkooj[Cbed[c]] == j) faces += Farea[f];
    }
    ASSERT_NEAR(faces, 1.0, 1e-9);
  }
  setSurfaceBoundary();
  for (int j = 2; j <= 4; ++j) {
    EXPECT_NEAR(Csource[lowest(2, j)], 3.0 + 0.01, 1e-12) << j;
    EXPECT_NEAR(Csource[lowest(5, j)], 3.0 - 0.005, 1e-12) << j;
    EXPECT_EQ(Csource[Ccellt[lowest(2, j)]], 3.0);
  }
}

// F 36 9 with one reference column: the start values of the column cells
// rise to at least the reference level; higher values stay.
TEST(SurfaceBoundary, F36NineRaisesTheStartLevelsToTheReference) {
  Box box;
  FlagTFS = 9;
  iPres = 3;
  jPres = 3;
  GlobZRef = 1.2;
  for (int c = 1; c <= NoCells; ++c) Cf[c] = 0.5;
  Cf[lowest(4, 2)] = 2.0;
  setSurfaceBoundary();
  for (int i = 2; i <= 5; ++i)
    for (int j = 2; j <= 4; ++j) EXPECT_EQ(Cf[lowest(i, j)], i == 4 && j == 2 ? 2.0 : 1.2) << i << " " << j;
  EXPECT_EQ(Cf[Ccellt[lowest(2, 2)]], 0.5);
}

// A weir column on the outlet keeps the weir level: the weir row comes last.
TEST(SurfaceBoundary, AWeirOnTheOutletKeepsTheWeirLevel) {
  Box box;
  kSurf = 2;
  GlobZRef = 0.9;
  FlagTFS = 9;
  setSurfaceBoundary();
  oneWeir(5, 5, 3, 3);
  columnVelocity(5, 3, 3.4, 0.0);
  computeWeirs();
  const int c = lowest(5, 3);
  EXPECT_NEAR(Csource[c] / Cap[c], 11.587, 5e-4);
  EXPECT_NEAR(Csource[lowest(5, 2)] / Cap[lowest(5, 2)], 0.9, 1e-12);
}
