// The cell builder, the edge test and the joins between blocks.
#include <gtest/gtest.h>

#include "grid/generate.h"
#include "grid/grid_builder.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/in_dir.h"

namespace {

void unitCell(double x0) {
  NewCell = {};
  const double xs[5] = {0, x0, x0 + 1, x0 + 1, x0}, ys[5] = {0, 0, 0, 1, 1};
  for (int m = 1; m <= 4; ++m) {
    NewCell.x[m] = NewCell.x[m + 4] = xs[m];
    NewCell.y[m] = NewCell.y[m + 4] = ys[m];
    NewCell.z[m] = 0;
    NewCell.z[m + 4] = 1;
  }
}

}  // namespace

TEST(MakeCell, FirstCellThenItsEastNeighbourShareTheFace) {
  InProjectDir dir;
  BlockGrid g;
  g.prepare();
  unitCell(0);
  NewCell.cell[SideE] = 2;
  MakeCell(1);
  EXPECT_EQ(NoSurfaces, 6);
  EXPECT_EQ(NoPoints, 8);
  // New surfaces in the side order s, e, n, w, b, t; the cell on the low side
  // of e, n, t.
  const int* flate[7] = {nullptr, Cflates, Cflatee, Cflaten, Cflatew, Cflateb, Cflatet};
  for (int s = 1; s <= 6; ++s) {
    EXPECT_EQ(flate[s][1], s);
    const bool low = s == SideE || s == SideN || s == SideT;
    EXPECT_EQ(Fcell1[s], low ? 1 : 0) << s;
    EXPECT_EQ(Fcell2[s], low ? 0 : 1) << s;
  }
  EXPECT_EQ(Ccelle[1], 2);

  unitCell(1);
  NewCell.cell[SideW] = 1;
  NewCell.flate[SideW] = Cflatee[1];
  MakeCell(2);
  EXPECT_EQ(NoSurfaces, 11);
  EXPECT_EQ(NoPoints, 12);
  EXPECT_EQ(Cflatew[2], Cflatee[1]);
  EXPECT_EQ(Fcell1[Cflatee[1]], 1);
  EXPECT_EQ(Fcell2[Cflatee[1]], 2);
  EXPECT_EQ(Cpoint1[2], Cpoint2[1]);
  EXPECT_EQ(Cpoint4[2], Cpoint3[1]);
  EXPECT_EQ(Cpoint8[2], Cpoint7[1]);
  EXPECT_EQ(Cpoint5[2], Cpoint6[1]);
  EXPECT_EQ(cornerOrderFault(), "");
  for (int c : {1, 2}) {
    EXPECT_NEAR(cellVolume(c), 1.0, 1e-12);
    EXPECT_LT(closureDefect(c), 1e-12);
  }
}

// F 299: a vertical edge of zero height collapses to the point below it when
// that point is already known (here from the given bottom surface).
TEST(MakeCell, WedgeOptionCollapsesZeroHeightEdgesOnKnownCorners) {
  for (int wedge : {0, 1}) {
    InProjectDir dir;
    BlockGrid g;
    g.prepare();
    FlagUnstrucWedge = wedge;
    unitCell(0);
    MakeCell(1);
    unitCell(0);
    for (int m = 1; m <= 4; ++m) {
      NewCell.z[m] = 1;
      NewCell.z[m + 4] = m == 1 ? 1 : 2;
    }
    NewCell.flate[SideB] = Cflatet[1];
    const int points = NoPoints;
    MakeCell(2);
    EXPECT_EQ(NoPoints - points, wedge ? 3 : 4) << wedge;
    EXPECT_EQ(Cpoint5[2] == Cpoint1[2], wedge == 1);
    EXPECT_EQ(Cpoint1[2], Cpoint5[1]);
  }
}

TEST(CheckXY, EdgesCoincideWithinTheConnectLimit) {
  InProjectDir dir;
  const double L = ConnectLimit;
  struct Case {
    double xa, xb, xc, xd, ya, yb, yc, yd;
    int expected;
  };
  const Case cases[] = {
      {0, 1, 0, 1, 0, 0, 0, 0, 1},
      {0, 1, 1, 0, 0, 0, 0, 0, 2},
      {0, 1, 0.5 * L, 1 + 0.5 * L, 0, 0, 0, 0, 1},
      {0, 1, L, 1, 0, 0, 0, 0, 0},
      {0, 1, 0, 1, 0, 0, 0, 2 * L, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(checkXY(c.xa, c.xb, c.xc, c.xd, c.ya, c.yb, c.yc, c.yd), c.expected) << c.xc << " " << c.yd;
}

// Two blocks side by side sharing a grid line in plan: columns of 5 and 3
// cells joined under F 64 11 pair the top two levels and the lowest cells.
TEST(Connect, ColumnsOfFiveAndThreeCellsJoinTopDownAndAtTheBottom) {
  InProjectDir dir;
  BlockGrid g;
  g.nx = 1;
  g.ny = 1;
  g.prepare();
  // Build the two columns by hand: west column of 5 cells at x 0..1, east of
  // 3 cells at x 1..2, with no neighbours between them.
  auto column = [](double x0, int first, int n) {
    for (int k = 0; k < n; ++k) {
      unitCell(x0);
      for (int m = 1; m <= 4; ++m) {
        NewCell.z[m] = k;
        NewCell.z[m + 4] = k + 1;
      }
      NewCell.cell[SideB] = k > 0 ? first + k - 1 : 0;
      NewCell.cell[SideT] = k + 1 < n ? first + k + 1 : 0;
      NewCell.flate[SideB] = k > 0 ? Cflatet[first + k - 1] : 0;
      MakeCell(first + k);
    }
  };
  column(0, 1, 5);
  column(1, 6, 3);
  NoCells = 8;
  WCStart = 1;
  WCEnd = 8;
  NoConnFlate = 0;
  UMethod = 11;
  ASSERT_EQ(Connect(Cpoint2[5], Cpoint3[5], 5, SideE), 1);
  EXPECT_EQ(NoConnFlate, 3);
  EXPECT_EQ(Ccelle[5], 8);
  EXPECT_EQ(Ccellw[8], 5);
  EXPECT_EQ(Ccelle[4], 7);
  EXPECT_EQ(Ccelle[3], 0);
  EXPECT_EQ(Ccelle[2], 0);
  EXPECT_EQ(Ccelle[1], 6);
  EXPECT_EQ(Ccellw[6], 1);
  // Each pair lists the west cell's surface first; both carry both cells.
  EXPECT_EQ(connFlate[1][0], Cflatee[5]);
  EXPECT_EQ(connFlate[1][1], Cflatew[8]);
  EXPECT_EQ(connFlate[3][0], Cflatee[1]);
  EXPECT_EQ(connFlate[3][1], Cflatew[6]);
  EXPECT_EQ(Fcell1[Cflatee[1]], 1);
  EXPECT_EQ(Fcell2[Cflatee[1]], 6);
  EXPECT_EQ(Fcell1[Cflatew[6]], 1);
  EXPECT_EQ(Fcell2[Cflatew[6]], 6);
  EXPECT_EQ(Fcell2[Cflatee[3]], 0);
}

TEST(Connect, FullPairListStopsBeforeAPairWithoutRow) {
  InProjectDir dir;
  BlockGrid g;
  g.nx = 1;
  g.ny = 1;
  g.prepare();
  for (int c = 1; c <= 2; ++c) {
    unitCell(c - 1);
    MakeCell(c);
  }
  NoCells = 2;
  WCStart = 1;
  WCEnd = 2;
  NoConnFlate = MaxConnFlate - 1;
  EXPECT_EQ(Connect(Cpoint2[1], Cpoint3[1], 1, SideE), -47);
  EXPECT_EQ(NoConnFlate, MaxConnFlate - 1);
  EXPECT_EQ(Ccelle[1], 0);
  EXPECT_EQ(Ccellw[2], 0);
  EXPECT_NE(dir.dir().boogie().find("Error, increase 5th integer on F 65 data set, now at: "), std::string::npos);
}
