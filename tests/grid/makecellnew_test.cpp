// The cell builder of the level-based distributions: corner points reused
// from the neighbour columns through the structured map, and its point order.
#include <gtest/gtest.h>

#include <string>

#include "grid/generate.h"
#include "grid/grid_builder.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/in_dir.h"

namespace {

// NewCell for the box x0..x1, y0..y1, z0..z1, with no neighbours and no
// surfaces given.
void box(double x0, double x1, double y0, double y1, double z0, double z1) {
  NewCell = {};
  const double xs[5] = {0, x0, x1, x1, x0}, ys[5] = {0, y0, y0, y1, y1};
  for (int m = 1; m <= 4; ++m) {
    NewCell.x[m] = NewCell.x[m + 4] = xs[m];
    NewCell.y[m] = NewCell.y[m + 4] = ys[m];
    NewCell.z[m] = z0;
    NewCell.z[m + 4] = z1;
  }
}

void prepare() {
  BlockGrid g;
  g.nx = 4;
  g.ny = 4;
  g.cells = 100;  // a few cells only: small arrays keep the set-up quick
  g.faces = 100;
  g.points = 100;
  g.prepare();
}

int corners(int c, int m) {
  const int* p[9] = {nullptr, Cpoint1, Cpoint2, Cpoint3, Cpoint4, Cpoint5, Cpoint6, Cpoint7, Cpoint8};
  return p[m][c];
}

}  // namespace

// A lone cell makes its surfaces in the order s, e, n, w, b, t and the missing
// corners of each in the order of that surface's corners: s 1, 5, 6, 2, then e
// 3, 7, then n 4, 8.
TEST(MakeCellNew, PointOrderOfALoneCell) {
  InProjectDir dir;
  prepare();
  box(1, 2, 0, 1, 0, 1);
  MakeCellNew(1, 3, 3, 5);
  NoCells = 1;
  EXPECT_EQ(NoSurfaces, 6);
  EXPECT_EQ(NoPoints, 8);
  const int expected[9] = {0, 1, 4, 5, 7, 2, 3, 6, 8};
  for (int m = 1; m <= 8; ++m) {
    EXPECT_EQ(corners(1, m), expected[m]) << "corner " << m;
    EXPECT_DOUBLE_EQ(Px[expected[m]], NewCell.x[m]) << m;
    EXPECT_DOUBLE_EQ(Py[expected[m]], NewCell.y[m]) << m;
    EXPECT_DOUBLE_EQ(Pz[expected[m]], NewCell.z[m]) << m;
  }
  const int faces[7] = {0, Cflates[1], Cflatee[1], Cflaten[1], Cflatew[1], Cflateb[1], Cflatet[1]};
  for (int s = 1; s <= 6; ++s) EXPECT_EQ(faces[s], s);
  EXPECT_EQ(cornerOrderFault(), "");
  EXPECT_NEAR(cellVolume(1), 1.0, 1e-12);
}

// Without a west surface, a cell of the west column one level up gives its
// corners 2 and 3 as corners 5 and 8 of the new cell; without a south
// surface, one of the south column one level up gives its corners 4 and 3 as
// corners 5 and 6 - each only when both corners are still unknown.
TEST(MakeCellNew, CornersFromTheColumnsOneLevelUp) {
  enum Source { New, WestUp2, WestUp3, SouthUp4, SouthUp3, SouthFace8, SouthFace7 };
  struct Case {
    const char* what;
    bool westUp, southUp, southFace;
    Source c5, c6, c8;
    int newPoints;
  };
  const Case cases[] = {
      {"none", false, false, false, New, New, New, 8},
      {"west", true, false, false, WestUp2, New, WestUp3, 6},
      {"south", false, true, false, SouthUp4, SouthUp3, New, 6},
      {"west then south", true, true, false, WestUp2, New, WestUp3, 6},
      {"south surface given", true, false, true, SouthFace8, SouthFace7, New, 4},
  };
  for (const Case& cs : cases) {
    InProjectDir dir;
    prepare();
    // Cell 1 in the west column one level up, cell 2 in the south column one
    // level up, cell 3 in the south column at the same level.
    box(0, 1, 0, 1, 1, 2);
    MakeCell(1);
    box(1, 2, -1, 0, 1, 2);
    MakeCell(2);
    box(1, 2, -1, 0, 0, 1);
    MakeCell(3);
    if (cs.westUp) num[2][3][6] = 1;
    if (cs.southUp) num[3][2][6] = 2;
    box(1, 2, 0, 1, 0, 1);
    if (cs.southFace) {
      NewCell.cell[SideS] = 3;
      NewCell.flate[SideS] = Cflaten[3];
    }
    const int before = NoPoints;
    MakeCellNew(4, 3, 3, 5);
    EXPECT_EQ(NoPoints - before, cs.newPoints) << cs.what;
    auto source = [&](Source s) {
      switch (s) {
        case WestUp2: return Cpoint2[1];
        case WestUp3: return Cpoint3[1];
        case SouthUp4: return Cpoint4[2];
        case SouthUp3: return Cpoint3[2];
        case SouthFace8: return Cpoint8[3];
        case SouthFace7: return Cpoint7[3];
        default: return -1;
      }
    };
    const Source want[3] = {cs.c5, cs.c6, cs.c8};
    const int m[3] = {5, 6, 8};
    for (int q = 0; q < 3; ++q) {
      if (want[q] == New) {
        EXPECT_GT(corners(4, m[q]), before) << cs.what << " corner " << m[q];
      } else {
        EXPECT_EQ(corners(4, m[q]), source(want[q])) << cs.what << " corner " << m[q];
      }
    }
    NoCells = 4;
    // Reused points lie where the new cell's corners are.
    EXPECT_EQ(cornerOrderFault(false), "") << cs.what;
  }
}

// F 64 2 only: a cell with no cell below makes its bottom surface before all
// others, and a vertical edge of zero height then collapses onto its bottom
// point whatever F 299 says.
TEST(MakeCellNew, BottomFirstForLevelsBetweenBedAndSurface) {
  struct Case {
    int method;
    bool cellBelow;
    int bottom;   // surface number of the bottom face
    int points;   // made by the cell
    bool collapsed;
  };
  const Case cases[] = {
      {2, false, 1, 7, true},
      {2, true, 5, 8, false},
      {11, false, 5, 8, false},
      {32, false, 5, 8, false},
  };
  for (const Case& cs : cases) {
    InProjectDir dir;
    prepare();
    UMethod = cs.method;
    if (cs.cellBelow) num[3][3][4] = 9;
    box(1, 2, 0, 1, 0, 1);
    NewCell.z[5] = 0;  // corner 1 has zero height
    MakeCellNew(1, 3, 3, 5);
    const std::string label = "F 64 " + std::to_string(cs.method) + (cs.cellBelow ? " above a cell" : "");
    EXPECT_EQ(Cflateb[1], cs.bottom) << label;
    EXPECT_EQ(Fcell1[Cflateb[1]], 0) << label;
    EXPECT_EQ(Fcell2[Cflateb[1]], 1) << label;
    EXPECT_EQ(NoSurfaces, 6) << label;
    EXPECT_EQ(NoPoints, cs.points) << label;
    EXPECT_EQ(Cpoint5[1] == Cpoint1[1], cs.collapsed) << label;
    if (cs.bottom == 1) {
      for (int m = 1; m <= 4; ++m) { EXPECT_EQ(corners(1, m), m) << label; }
    }
  }
}

// F 64 2 only: the first cell of the south (west) column at this level or
// above lends its corner points to corners 1 and 2 (1 and 4) - with the
// corners above them - when they lie no higher than the new corners.
TEST(MakeCellNew, BottomCornersFromTheNeighbourColumns) {
  struct Case {
    int method;
    char side;
    int level;      // of the neighbour cell (the new cell is at 5)
    double bottom;  // of the neighbour cell
    bool taken;
  };
  const Case cases[] = {
      {2, 's', 5, 0.0, true},  {2, 's', 5, -0.5, true}, {2, 's', 5, 0.5, false},
      {2, 's', 7, 0.0, true},  {2, 's', 4, 0.0, false}, {11, 's', 5, 0.0, false},
      {2, 'w', 5, 0.0, true},  {2, 'w', 5, 0.5, false},
  };
  for (const Case& cs : cases) {
    InProjectDir dir;
    prepare();
    UMethod = cs.method;
    if (cs.side == 's') {
      box(1, 2, -1, 0, cs.bottom, cs.bottom + 1);
      MakeCell(1);
      num[3][2][cs.level] = 1;
    } else {
      box(0, 1, 0, 1, cs.bottom, cs.bottom + 1);
      MakeCell(1);
      num[2][3][cs.level] = 1;
    }
    num[3][3][4] = 9;  // a cell below: the bottom surface is not made first
    box(1, 2, 0, 1, 0, 1);
    MakeCellNew(2, 3, 3, 5);
    const std::string label = std::string("F 64 ") + std::to_string(cs.method) + " side " + cs.side + " level " +
                              std::to_string(cs.level) + " bottom " + std::to_string(cs.bottom);
    // The neighbour's corners on the shared edge, and the new cell's corners there.
    const int a = cs.side == 's' ? Cpoint4[1] : Cpoint2[1];
    const int b = Cpoint3[1];
    const int ma = 1, mb = cs.side == 's' ? 2 : 4;
    EXPECT_EQ(corners(2, ma) == a, cs.taken) << label;
    EXPECT_EQ(corners(2, ma + 4) == a, cs.taken) << label;
    EXPECT_EQ(corners(2, mb) == b, cs.taken) << label;
    EXPECT_EQ(corners(2, mb + 4) == b, cs.taken) << label;
  }
}
