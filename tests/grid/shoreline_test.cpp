// The shoreline step of grid generation (F 102): corner points of wet columns
// slide along the block-grid edges to the depth limit, corners reaching into
// dry land are snapped or pulled and coded, and the inflow edge keeps its
// grid lines.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <vector>

#include "grid/generate.h"
#include "grid/grid_builder.h"
#include "grid/geometry.h"
#include "grid/shoreline.h"
#include "grid/sloping_bank.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"

namespace {

// Grid line of corner k (1..8) of a cell of column (i, j).
void cornerLine(int i, int j, int k, int& gi, int& gj) {
  const int q = (k - 1) % 4 + 1;
  gi = q == 1 || q == 4 ? i - 1 : i;
  gj = q == 1 || q == 2 ? j - 1 : j;
}

int cornerPoint(int k, int c) {
  int* const p[9] = {nullptr, Cpoint1, Cpoint2, Cpoint3, Cpoint4, Cpoint5, Cpoint6, Cpoint7, Cpoint8};
  return p[k][c];
}

double depth(int i, int j) { return zval[i][j][znumber] - zval[i][j][1]; }

// Every point of every cell of block 1 with the grid line it belongs to.
std::map<int, std::pair<int, int>> pointLines() {
  std::map<int, std::pair<int, int>> out;
  for (int i = block[1].i1; i <= block[1].i2; ++i)
    for (int j = block[1].j1; j <= block[1].j2; ++j)
      for (int c = lowestCell(i, j); c > 0; c = Ccellt[c])
        for (int k = 1; k <= 8; ++k) {
          int gi, gj;
          cornerLine(i, j, k, gi, gj);
          out[cornerPoint(k, c)] = {gi, gj};
        }
  return out;
}

double worstClosure() {
  double w = 0;
  for (int c = 1; c <= NoCells; ++c) w = std::max(w, closureDefect(c));
  return w;
}

double smallestVolume() {
  double v = 1e300;
  for (int c = 1; c <= NoCells; ++c) v = std::min(v, cellVolume(c));
  return v;
}

// A channel along i whose bed rises across it (rows j = 1..6): rows 1..3 deep,
// row 4 just dry (bed 0.2 m above the water), rows 5 and 6 a high bank, so
// that the shore corners of row 4 slide to the depth limit and those of a
// steeper shore (set by `steep`) stop at F 89.
SlopingBank bank(bool steep) {
  SlopingBank b;
  b.rows = {0.0, 0.0, 0.3, steep ? 3.0 : 1.2, 3.0, 3.0};
  b.length = 6;
  return b;
}

}  // namespace

// Every moved corner lies on a block-grid edge from its grid line, at the
// depth limit h when that lies within F 89 of the edge, else exactly at F 89;
// corners that meet no shore keep their grid lines; all cells stay closed
// with a volume of 0 or more.
TEST(ShorelineMoves, MovedCornersLieOnTheirEdgesAtTheDepthLimitOrAtF89) {
  for (bool steep : {false, true}) {
    for (double f89 : {0.5, 0.2}) {
      InProjectDir dir;
      bank(steep).grid().prepare();
      FlagMinLevUnstruc = 1;
      DistGridHoriz = f89;
      ASSERT_EQ(UnstructureBuild(), 1);
      const double h = MinVertDist0;
      ASSERT_GT(h, 0.0);
      int moved = 0, atLimit = 0, atCap = 0;
      for (auto [p, line] : pointLines()) {
        const auto [gi, gj] = line;
        const double dx = Px[p] - xval[gi][gj], dy = Py[p] - yval[gi][gj];
        if (std::hypot(dx, dy) < 1e-12) continue;
        ++moved;
        // The edge it lies on: toward one of the four neighbour grid lines.
        bool found = false;
        for (auto [ni, nj] : {std::pair{gi - 1, gj}, {gi + 1, gj}, {gi, gj - 1}, {gi, gj + 1}}) {
          const double ex = xval[ni][nj] - xval[gi][gj], ey = yval[ni][nj] - yval[gi][gj];
          const double L2 = ex * ex + ey * ey, f = (dx * ex + dy * ey) / L2;
          if (std::fabs(dx * ey - dy * ex) > 1e-9 || f <= 0) continue;
          found = true;
          const double d0 = depth(gi, gj), d1 = depth(ni, nj);
          ASSERT_LT(d0, h) << p;
          ASSERT_GT(d1, h) << p;
          const double fh = (h - d0) / (d1 - d0);
          EXPECT_LE(f, f89 + 1e-12) << p;
          if (fh < f89) {
            EXPECT_NEAR(f, fh, 1e-12) << p;
            ++atLimit;
          } else {
            EXPECT_NEAR(f, f89, 1e-12) << p;
            ++atCap;
          }
        }
        EXPECT_TRUE(found) << "point " << p << " off every edge of (" << gi << "," << gj << ")";
      }
      // The shore grid lines (row 4) inside the channel: i = 2..6 are the
      // corners of two wet columns each, i = 1 and 7 of the end columns.
      EXPECT_GT(moved, 0);
      if (steep || f89 < 0.25) {
        EXPECT_GT(atCap, 0) << steep << f89;
      } else {
        EXPECT_GT(atLimit, 0) << steep << f89;
      }
      EXPECT_LT(worstClosure(), 1e-9);
      EXPECT_GE(smallestVolume(), -1e-12);
      EXPECT_EQ(cornerOrderFault(false), "");
    }
  }
}

// A corner at exactly the depth limit does not move (all tests are strict);
// without F 102, or with F 533 0, nothing moves at all.
TEST(ShorelineMoves, NothingMovesWithoutF102OrF533OrAtTheLimitItself) {
  struct Case {
    int f102, f533;
    bool atLimit;
  };
  for (const Case& k : {Case{0, 1, false}, Case{1, 0, false}, Case{1, 1, true}}) {
    InProjectDir dir;
    SlopingBank b = bank(false);
    b.grid().prepare();
    FlagMinLevUnstruc = k.f102;
    FlagHorMove = k.f533;
    MinVertDist1 = 0.1;
    MinVertDist0 = 0.005;
    if (k.atLimit) {
      for (int i = 1; i <= 7; ++i) zval[i][4][1] = zval[i][4][znumber] - 0.005;
      MinVertDist0 = zval[1][4][znumber] - zval[1][4][1];
    }
    ASSERT_EQ(UnstructureBuild(), 1);
    for (auto [p, line] : pointLines())
      EXPECT_LT(std::hypot(Px[p] - xval[line.first][line.second], Py[p] - yval[line.first][line.second]), 1e-12)
          << k.f102 << " " << k.f533 << " point " << p;
  }
}

// F 102 2 raises the water level to bed + MinVertDist0 on the grid lines
// i1-1..i2-1, j1..j2 only; the limit is half MinVertDist0.
TEST(ShorelineMoves, F102Value2RaisesTheWaterLevelsOfItsWindow) {
  InProjectDir dir;
  SlopingBank b = bank(false);
  b.grid().prepare();
  MinVertDist0 = 0.005;
  MinVertDist1 = 0.1;
  FlagMinLevUnstruc = 2;
  EXPECT_DOUBLE_EQ(shorelineDepthLimit(), 0.0025);
  ASSERT_EQ(UnstructureBuild(), 1);
  for (int i = 1; i <= 7; ++i)
    for (int j = 1; j <= 6; ++j) {
      const bool window = i <= 6 && j >= 2;
      const double bed = zval[i][j][1];
      const double want = window ? std::max(1.0, bed + 0.005) : 1.0;
      EXPECT_DOUBLE_EQ(zval[i][j][znumber], want) << i << " " << j;
    }
  for (int f : {1, 4}) {
    FlagMinLevUnstruc = f;
    EXPECT_DOUBLE_EQ(shorelineDepthLimit(), 0.005);
  }
  FlagMinLevUnstruc = 3;
  EXPECT_DOUBLE_EQ(shorelineDepthLimit(), 0.1);
}

// F 159 5th value 6: column (4, 3) has its west edge (grid lines (3, 2),
// (3, 3)) shallower than MinVertDist0, a wet column west of it, dry columns
// to the south and south-west and wet ones to the north and north-west: the
// edge collapses onto its northern corner, in every cell of the column.
TEST(ShorelineMoves, F159Value6CollapsesAShallowEdgeOntoItsWetEnd) {
  for (int f159 : {0, 6}) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 6;
    g.ny = 6;
    g.bed = [](int i, int j) {
      if (j <= 2) return i == 3 && j == 2 ? 0.999 : 1.2;
      if (j == 3 && i == 3) return 0.999;
      return 0.0;
    };
    g.prepare();
    MinVertDist0 = 0.005;
    MinVertDist1 = 0.1;
    FlagMinLevUnstruc = 1;
    FlagGridStab5 = f159;
    FlagTriangleAlgo = 9;
    ASSERT_EQ(UnstructureBuild(), 1);
    const int c = lowestCell(4, 3);
    ASSERT_GT(c, 0);
    ASSERT_GT(lowestCell(3, 3), 0);
    ASSERT_EQ(lowestCell(4, 2), 0);
    const double wantX = 2.0, wantY = f159 == 6 ? 2.0 : 1.0;
    for (int x = c; x > 0; x = Ccellt[x]) {
      EXPECT_DOUBLE_EQ(Px[Cpoint1[x]], wantX) << f159;
      EXPECT_DOUBLE_EQ(Py[Cpoint1[x]], wantY) << f159;
      EXPECT_DOUBLE_EQ(Py[Cpoint5[x]], wantY) << f159;
    }
    EXPECT_LT(worstClosure(), 1e-9);
    EXPECT_GE(smallestVolume(), -1e-12);
  }
}

// F 390 1: the triangulation of F 493 1 slides the shore corner of the west
// edge of block 1 down that edge; an inflow polyline point at the middle of
// the edge puts it back on its grid line, and a point that marks no edge
// changes nothing.
TEST(ShorelineMoves, F390KeepsTheInflowPointsOnTheirGridLines) {
  for (int f390 : {0, 1}) {
    for (bool marks : {true, false}) {
      InProjectDir dir;
      bank(false).grid().prepare();
      FlagMinLevUnstruc = 1;
      FlagTriangleAlgo = 1;
      FlagFixGrid = f390;
      DischargeStruct[1].inflow = 1;
      DischargeStruct[1].xyno = 1;
      // Column (2, 4) is the shore column at the west edge (grid line i = 1);
      // its edge runs from (1, 3) to (1, 4).
      DischargeStruct[1].x[0] = marks ? 0.0 : 5.0;
      DischargeStruct[1].y[0] = marks ? 2.5 : 2.5;
      ASSERT_EQ(UnstructureBuild(), 1);
      const int c = lowestCell(2, 4);
      ASSERT_GT(c, 0);
      const bool back = f390 == 1 && marks;
      const int p = Cpoint4[c];
      EXPECT_EQ(std::hypot(Px[p] - xval[1][4], Py[p] - yval[1][4]) < 1e-12, back) << f390 << marks;
      for (int x = c; x > 0; x = Ccellt[x])
        EXPECT_EQ(std::hypot(Px[Cpoint8[x]] - xval[1][4], Py[Cpoint8[x]] - yval[1][4]) < 1e-12, back);
      EXPECT_LT(worstClosure(), 1e-9);
    }
  }
}

// The default triangulation on a basin whose only wet grid line is (4, 4)
// (F 183 2 keeps it): the four columns around it hold one cell each, and each
// reaches into dry land at the corner opposite the wet line. That corner, with
// its bed above the water, snaps onto an adjacent corner (corner 4 for corner
// 1, 3 for 2, 4 for 3, 1 for 4 at equal distances), the side between them has
// zero area, and each cell gets the code of its corner. setCorrTrekant then
// turns the code-1 cell with its code-2 east and code-4 north neighbours into
// 13, 14, 24; the code-3 cell keeps its code.
//
// With `low` the dry grid line (3, 3) holds a water level half a metre below
// the others, so that the corner of column (4, 4) there stands below the bed
// point it snaps onto: the corner line is lifted with it and the cell keeps a
// volume of 0 or more instead of turning inside out.
TEST(ShorelineTriangles, SingleCellCornerColumnsSnapAndTakeTheirCodes) {
  for (int f235 : {0, 1, 29}) for (bool low : {false, true}) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 6;
    g.ny = 6;
    g.bed = [](int i, int j) { return i == 4 && j == 4 ? 0.95 : 1.2; };
    g.water = [low](int i, int j) { return low && i == 3 && j == 3 ? 0.5 : 1.0; };
    g.prepare();
    FlagPresDebug = 2;
    FlagMinLevUnstruc = 1;
    FlagCorrTrekant = f235;
    ASSERT_EQ(UnstructureBuild(), 1);
    const int sw = lowestCell(4, 4), se = lowestCell(5, 4), ne = lowestCell(5, 5), nw = lowestCell(4, 5);
    for (int c : {sw, se, ne, nw}) {
      ASSERT_GT(c, 0);
      ASSERT_EQ(Ccellt[c], 0) << "one cell";
    }
    metric();
    // Column (4, 4): corner 1 onto 4, so the west side vanishes; (5, 4):
    // corner 2 onto 3, east side; (5, 5): corner 3 onto 4, north side;
    // (4, 5): corner 4 onto 1, west side.
    struct Want {
      int c, k, onto, face;
    };
    const bool moved = f235 != 29;
    for (const Want& w : {Want{sw, 1, 4, Cflatew[sw]}, Want{se, 2, 3, Cflatee[se]}, Want{ne, 3, 4, Cflaten[ne]},
                          Want{nw, 4, 1, Cflatew[nw]}}) {
      const int p = cornerPoint(w.k, w.c), q = cornerPoint(w.onto, w.c);
      const double dist = std::hypot(Px[p] - Px[q], Py[p] - Py[q]) + std::fabs(Pz[p] - Pz[q]);
      EXPECT_EQ(dist < 1e-12, moved) << f235 << " cell " << w.c;
      if (moved) {
        EXPECT_LT(std::fabs(Farea[w.face]), 1e-12) << w.c;
      }
      EXPECT_GE(cellVolume(w.c), -1e-12) << f235 << low;
      for (int k = 1; k <= 4; ++k) EXPECT_GE(Pz[cornerPoint(k + 4, w.c)], Pz[cornerPoint(k, w.c)]) << w.c << " " << k;
    }
    if (f235 == 1) {
      EXPECT_EQ(Ctrekant[sw], 13);
      EXPECT_EQ(Ctrekant[se], 14);
      EXPECT_EQ(Ctrekant[nw], 24);
      EXPECT_EQ(Ctrekant[ne], 3);
    } else {
      for (int c = 1; c <= NoCells; ++c) EXPECT_EQ(Ctrekant[c], 0) << f235;
    }
    EXPECT_LT(worstClosure(), 1e-9);
  }
}

// The pair and triple codes, cell by cell in ascending order: each row of the
// table on cells whose neighbours are set by hand.
TEST(ShorelineTriangles, SetCorrTrekantCombinesNeighbouringCodes) {
  struct Case {
    std::vector<int> codes;  // cells 1..6 as a 3 x 2 patch: 1 2 3 / 4 5 6 (4..6 north of 1..3)
    std::vector<int> want;
    bool southLast = false;  // 1..3 north of 4..6 instead
  };
  const std::vector<Case> cases = {
      {{1, 2, 0, 4, 0, 0}, {13, 14, 0, 24, 0, 0}},
      {{1, 2, 0, 0, 0, 0}, {5, 6, 0, 0, 0, 0}},
      {{1, 0, 0, 4, 3, 0}, {23, 0, 0, 22, 21, 0}},
      {{1, 0, 0, 4, 0, 0}, {12, 0, 0, 11, 0, 0}},
      {{0, 2, 0, 4, 3, 0}, {0, 18, 0, 20, 19, 0}},
      {{1, 2, 0, 0, 3, 0}, {5, 6, 0, 0, 3, 0}},
      {{0, 3, 0, 1, 2, 0}, {0, 17, 0, 15, 16, 0}, true},
      {{0, 2, 0, 0, 3, 0}, {0, 7, 0, 0, 8, 0}},
      {{0, 0, 0, 4, 3, 0}, {0, 0, 0, 10, 9, 0}},
      {{3, 0, 0, 2, 0, 0}, {3, 0, 0, 2, 0, 0}},
  };
  for (const Case& k : cases) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 2;
    g.ny = 1;
    g.prepare();
    NoCells = 6;
    for (int c = 1; c <= 6; ++c) {
      const int col = (c - 1) % 3, row = (c - 1) / 3;
      Ccelle[c] = col < 2 ? c + 1 : 0;
      Ccellw[c] = col > 0 ? c - 1 : 0;
      const int south = k.southLast ? 1 : 0;  // the row of the southern cells
      Ccelln[c] = row == south ? (k.southLast ? c - 3 : c + 3) : 0;
      Ccells[c] = row != south ? (k.southLast ? c + 3 : c - 3) : 0;
      Ctrekant[c] = k.codes[c - 1];
    }
    FlagCorrTrekant = 1;
    setCorrTrekant();
    for (int c = 1; c <= 6; ++c) EXPECT_EQ(Ctrekant[c], k.want[c - 1]) << "cell " << c;
    // Outside 1..30 nothing changes.
    for (int c = 1; c <= 6; ++c) Ctrekant[c] = k.codes[c - 1];
    FlagCorrTrekant = 31;
    setCorrTrekant();
    for (int c = 1; c <= 6; ++c) EXPECT_EQ(Ctrekant[c], k.codes[c - 1]);
  }
}

// The pull of a corner whose own depth is not negative: x and y go from the
// corner toward the diagonal corner by 1 - w, with w = 0.45 while the
// shallower adjacent corner is at most half the limit deep, else 0.9 q.
TEST(ShorelineTriangles, APulledCornerMovesTowardTheDiagonalByTheDepthWeight) {
  for (double adj : {0.001, 0.004}) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 6;
    g.ny = 6;
    // The wet line (4, 4) is deep enough for one cell; its neighbour lines
    // (3, 4), (4, 3) and the corner line (3, 3) are just wet (depth adj and
    // 0.001), the rest dry, so column (4, 4) has its corner 1 at (3, 3).
    g.bed = [adj](int i, int j) {
      if (i == 4 && j == 4) return 0.95;
      if ((i == 3 && j == 4) || (i == 4 && j == 3)) return 1.0 - adj;
      if (i == 3 && j == 3) return 0.999;
      return 1.2;
    };
    g.prepare();
    MinVertDist0 = 0.005;
    MinVertDist1 = 0.1;
    FlagPresDebug = 2;
    FlagMinLevUnstruc = 1;
    FlagHorMove = 0;
    const double h = 0.005, q = adj / h, w = q <= 0.5 ? 0.45 : 0.9 * q;
    ASSERT_EQ(UnstructureBuild(), 1);
    const int c = lowestCell(4, 4);
    ASSERT_GT(c, 0);
    EXPECT_NEAR(Px[Cpoint1[c]], w * 2.0 + (1 - w) * 3.0, 1e-12) << adj;
    EXPECT_NEAR(Py[Cpoint1[c]], w * 2.0 + (1 - w) * 3.0, 1e-12) << adj;
    EXPECT_NEAR(Px[Cpoint5[c]], Px[Cpoint1[c]], 1e-12);
    EXPECT_LT(worstClosure(), 1e-9);
  }
}

// The other triangulation routines of F 493 on the basin whose only wet grid
// line is (4, 4) (F 183 2 keeps it), without the edge moves (F 533 0): the
// corner 1 of column (4, 4), at grid line (3, 3) = (2, 2) m, reaches into
// dry land (its three columns dry, its depth -0.2 m, both adjacent corners
// dry, the diagonal corner 5 cm deep). Where it goes, in plan and height,
// with the points above it following in plan.
TEST(ShorelineTriangles, EachTriangulationRoutineMovesTheDryCornerItsWay) {
  struct Case {
    int f493, f456;
    double x, y, zBed, zTop;
  };
  const double h = 0.005;
  const Case cases[] = {
      {1, 0, 2.0, 2.0, 1.0, 1.0},    // both adjacent corners shallow: stays
      {1, 1, 2.5, 2.5, 1.0, 1.0},    // F 456 1: the midpoint of corners 2 and 4
      {1, 2, 2.25, 2.25, 1.0, 1.0},  // other F 456: halfway to that midpoint
      {2, 0, 2.4, 2.4, 1.0, 1.0},    // 0.35, 0.25, 0.25, 0.15 of the four lines
      {3, 0, 2.4, 2.4, 1.0, 1.0},    // 0.4 / 0.2 / 0.4, height kept in bounds
      {4, 0, 2.4, 2.4, 1.0, 1.0},
      {5, 0, 2.5, 2.5, 1.0, 1.0},    // toward the diagonal, at most half way
      {6, 0, 2.4, 2.4, 1.0 - h, 1.0},  // heights over the last h below the surface
      {7, 0, 2.0, 2.0, 1.0, 1.0},    // no routine
  };
  for (const Case& k : cases) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 6;
    g.ny = 6;
    g.bed = [](int i, int j) { return i == 4 && j == 4 ? 0.95 : 1.2; };
    g.prepare();
    MinVertDist0 = h;
    MinVertDist1 = 0.1;
    FlagPresDebug = 2;
    FlagMinLevUnstruc = 1;
    FlagHorMove = 0;
    FlagTriangleAlgo = k.f493;
    FlagMinLevCorner = k.f456;
    ASSERT_EQ(UnstructureBuild(), 1);
    const int c = lowestCell(4, 4);
    ASSERT_GT(c, 0);
    ASSERT_EQ(Ccellt[c], 0);
    const int p = Cpoint1[c], q = Cpoint5[c];
    EXPECT_NEAR(Px[p], k.x, 1e-12) << k.f493 << " " << k.f456;
    EXPECT_NEAR(Py[p], k.y, 1e-12) << k.f493 << " " << k.f456;
    EXPECT_NEAR(Px[q], k.x, 1e-12) << k.f493;
    EXPECT_NEAR(Py[q], k.y, 1e-12) << k.f493;
    EXPECT_NEAR(Pz[p], k.zBed, 1e-12) << k.f493;
    EXPECT_NEAR(Pz[q], k.zTop, 1e-12) << k.f493;
    for (int x = 1; x <= NoCells; ++x) EXPECT_GE(cellVolume(x), -1e-12) << k.f493 << " cell " << x;
    EXPECT_LT(worstClosure(), 1e-9);
    if (k.f493 == 2) {
      // Column (5, 4) has no south and no east neighbour: its corner 2 takes
      // 0.25, 0.25, 0.35, 0.15 of the lines (4, 3), (4, 4), (5, 3), (5, 4).
      const int e = lowestCell(5, 4);
      EXPECT_NEAR(Px[Cpoint2[e]], 3.5, 1e-12);
      EXPECT_NEAR(Py[Cpoint2[e]], 2.4, 1e-12);
    }
  }
}

// The options of the default triangulation on the same basin: F 245 2nd
// value snaps a corner whose depth is not negative (here a dry line lowered
// to a depth of 1 mm); F 245 3rd value 1 keeps the lowest cell of the corner
// at most h thick below the surface point, 2 spreads h evenly; F 235 23
// lowers the diagonal corner of a single cell 3 h below the point above it;
// F 235 29 leaves single cells alone.
TEST(ShorelineTriangles, DefaultTriangulationOptions) {
  const double h = 0.005;
  struct Case {
    int f235, f245b, f245c;
    bool shallowCorner;
    double x, y, zBed, zTop, zDiag;
  };
  const double pulled = 0.45 * 2.0 + 0.55 * 3.0;  // q = -0.2 / h <= 0.5: w 0.45
  const Case cases[] = {
      {1, 0, 0, true, pulled, pulled, 0.999, 1.0, 0.95},  // not negative: pulled
      {1, 1, 0, true, 2.0, 3.0, 1.0, 1.0, 0.95},          // F 245 2nd: snapped onto 4
      {1, 0, 1, false, 2.0, 3.0, 1.0, 1.0, 0.95},         // snap, then max(z, zt - h)
      {1, 0, 2, false, 2.0, 3.0, 1.0 - h, 1.0, 0.95},     // zt - h, + h / 1 cell
      {23, 0, 0, false, 2.0, 3.0, 1.0, 1.0, 1.0 - 3 * h},
      {29, 0, 0, false, 2.0, 2.0, 1.0, 1.0, 0.95},
  };
  for (const Case& k : cases) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 6;
    g.ny = 6;
    g.bed = [&k](int i, int j) {
      if (i == 4 && j == 4) return k.f235 == 23 ? 0.99 : 0.95;  // 1 cm deep: within 3 h
      if (k.shallowCorner && i == 3 && j == 3) return 0.999;
      return 1.2;
    };
    g.prepare();
    MinVertDist0 = h;
    MinVertDist1 = 0.1;
    FlagPresDebug = 2;
    FlagMinLevUnstruc = 1;
    FlagHorMove = 0;
    FlagCorrTrekant = k.f235;
    FlagCorrTrekant2 = k.f245b;
    FlagCorrTrekant3 = k.f245c;
    ASSERT_EQ(UnstructureBuild(), 1);
    const int c = lowestCell(4, 4);
    ASSERT_GT(c, 0);
    const int p = Cpoint1[c], q = Cpoint5[c];
    const std::string tag = std::to_string(k.f235) + " " + std::to_string(k.f245b) + " " + std::to_string(k.f245c);
    EXPECT_NEAR(Px[p], k.x, 1e-12) << tag;
    EXPECT_NEAR(Py[p], k.y, 1e-12) << tag;
    EXPECT_NEAR(Pz[p], k.zBed, 1e-12) << tag;
    EXPECT_NEAR(Pz[q], k.zTop, 1e-12) << tag;
    EXPECT_NEAR(Pz[Cpoint3[c]], k.zDiag, 1e-12) << tag;
    for (int x = 1; x <= NoCells; ++x) EXPECT_GE(cellVolume(x), -1e-12) << tag << " cell " << x;
  }
}

// The height rules that come with a triangle code on the same basin (wet
// line 5 mm deep, cell roughness 5 cm): F 235 14 lowers the adjacent corners
// h and the diagonal one 2 h below the points above them; F 235 15 lowers the
// diagonal corner by the roughness; F 235 16, for a column shallower than a
// quarter of the roughness, lowers the deepest corner by 0.2 x the roughness.
TEST(ShorelineTriangles, HeightRulesOfTheTriangleCodes) {
  const double h = 0.005, ks = 0.05;
  struct Case {
    int f235;
    double zAdjacent, zDiag;
  };
  for (const Case& k : {Case{14, 1.0 - h, 1.0 - 2 * h}, Case{15, 1.0, 1.0 - ks}, Case{16, 1.0, 1.0 - 0.2 * ks},
                        Case{1, 1.0, 1.0}}) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 6;
    g.ny = 6;
    g.bed = [](int i, int j) { return i == 4 && j == 4 ? 1.0 - 0.0051 : 1.2; };
    g.prepare();
    MinVertDist0 = h;
    MinVertDist1 = 0.1;
    FlagPresDebug = 2;
    FlagMinLevUnstruc = 1;
    FlagHorMove = 0;
    FlagCorrTrekant = k.f235;
    for (int c = 0; c < MaxCeller; ++c) Croughness[c] = ks;
    ASSERT_EQ(UnstructureBuild(), 1);
    const int c = lowestCell(4, 4);
    ASSERT_GT(c, 0);
    EXPECT_EQ(Ctrekant[c], 13);  // with its east and north neighbours
    EXPECT_NEAR(Pz[Cpoint2[c]], k.zAdjacent, 1e-12) << k.f235;
    EXPECT_NEAR(Pz[Cpoint3[c]], std::min(1.0 - 0.0051, k.zDiag), 1e-12) << k.f235;
    for (int x = 1; x <= NoCells; ++x) EXPECT_GE(cellVolume(x), -1e-12) << k.f235 << " cell " << x;
  }
}

// F 235 15 with the edge moves: the moved corner of every cell of a shore
// column is kept no higher than the top of the lowest cell at the wet end of
// its edge (point X); without it the corner stays at the water level.
TEST(ShorelineMoves, F235Value15KeepsMovedCornersBelowTheFirstLevelAtTheWetEnd) {
  for (int f235 : {0, 15}) {
    InProjectDir dir;
    bank(false).grid().prepare();
    FlagMinLevUnstruc = 1;
    FlagTriangleAlgo = 9;
    FlagCorrTrekant = f235;
    ASSERT_EQ(UnstructureBuild(), 1);
    // Column (4, 4): its corner 4 (grid line (3, 4)) slides down the west edge
    // toward corner 1; X is corner 5 of its lowest cell.
    const int c = lowestCell(4, 4);
    ASSERT_GT(c, 0);
    ASSERT_GT(Ccellt[c], 0);
    ASSERT_GT(std::fabs(Py[Cpoint4[c]] - yval[3][4]), 1e-6);
    const double zx = Pz[Cpoint5[c]];
    ASSERT_LT(zx, 1.0);
    for (int x = c; x > 0; x = Ccellt[x]) EXPECT_NEAR(Pz[Cpoint4[x]], f235 == 15 ? zx : 1.0, 1e-12) << f235;
    EXPECT_NEAR(Pz[Cpoint8[topCell(4, 4)]], 1.0, 1e-12);
    EXPECT_GE(smallestVolume(), -1e-12);
  }
}

// F 391 2: a single wet column in the north-east corner of its block (no east
// or north neighbour, no south or west one) with its corners 1, 2, 4 shallower
// than MinVertDist0 gets its deep corner 3 lifted to MinVertDist0 below the
// point above it. F 235 29 keeps the column itself unmoved.
TEST(ShorelineTriangles, F391Value2LiftsTheDeepCornerOfALoneColumn) {
  for (int f391 : {0, 2}) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 3;
    g.ny = 3;
    g.bed = [](int i, int j) { return i == 4 && j == 4 ? 0.95 : 0.999; };
    g.prepare();
    MinVertDist0 = 0.005;
    MinVertDist1 = 0.1;
    FlagPresDebug = 2;
    FlagMinLevUnstruc = 1;
    FlagHorMove = 0;
    FlagCorrTrekant = 29;
    FlagGridStab8 = f391;
    FlagGridStab1 = FlagGridStab4 = 0;  // keep a column without neighbours
    ASSERT_EQ(UnstructureBuild(), 1);
    const int c = lowestCell(4, 4);
    ASSERT_GT(c, 0);
    ASSERT_EQ(Ccellt[c], 0);
    EXPECT_NEAR(Pz[Cpoint3[c]], f391 == 2 ? Pz[Cpoint7[c]] - 0.005 : 0.95, 1e-12);
    EXPECT_GE(smallestVolume(), -1e-12);
  }
}

// F 159 5th value 7 with F 493 1: the deep corner 1 of the column in the
// south-west corner of the block (its diagonal and southern columns lie
// outside, its corner 4 is shallow) is raised in every cell to the bed
// point of corner 4.
TEST(ShorelineTriangles, F159Value7RaisesADeepCornerBesideDryColumns) {
  for (int f159 : {0, 7}) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 3;
    g.ny = 3;
    g.bed = [](int i, int j) { return i == 1 && j == 1 ? 0.5 : 0.999; };
    g.prepare();
    MinVertDist0 = 0.005;
    MinVertDist1 = 0.1;
    FlagPresDebug = 2;
    FlagMinLevUnstruc = 1;
    FlagHorMove = 0;
    FlagTriangleAlgo = 1;
    FlagGridStab5 = f159;
    FlagGridStab1 = FlagGridStab4 = 0;  // keep a column without neighbours
    ASSERT_EQ(UnstructureBuild(), 1);
    const int c = lowestCell(2, 2);
    ASSERT_GT(c, 0);
    const double bed4 = Pz[Cpoint4[c]];
    for (int x = c; x > 0; x = Ccellt[x])
      if (f159 == 7) {
        EXPECT_GE(Pz[Cpoint1[x]], bed4 - 1e-12);
      }
    EXPECT_NEAR(Pz[Cpoint1[c]], f159 == 7 ? bed4 : 0.5, 1e-12);
    EXPECT_GE(smallestVolume(), -1e-12);
    EXPECT_LT(worstClosure(), 1e-9);
  }
}

// F 493 3 moves a corner only when all three columns around it are dry, F 493
// 4 when its two side columns are: corner 1 of column (5, 5) at grid line
// (4, 4) has dry columns south and west of it but a wet one diagonally.
TEST(ShorelineTriangles, F493Values3And4DifferInTheDiagonalColumn) {
  for (int f493 : {3, 4}) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 6;
    g.ny = 6;
    g.bed = [](int i, int j) { return (i == 3 && j == 3) || (i == 5 && j == 5) ? 0.95 : 0.999; };
    g.prepare();
    MinVertDist0 = 0.005;
    MinVertDist1 = 0.1;
    FlagPresDebug = 2;
    FlagMinLevUnstruc = 1;
    FlagHorMove = 0;
    FlagTriangleAlgo = f493;
    ASSERT_EQ(UnstructureBuild(), 1);
    const int c = lowestCell(5, 5);
    ASSERT_GT(c, 0);
    ASSERT_GT(lowestCell(4, 4), 0);
    ASSERT_EQ(lowestCell(5, 4), 0);
    ASSERT_EQ(lowestCell(4, 5), 0);
    const bool moved = std::hypot(Px[Cpoint1[c]] - xval[4][4], Py[Cpoint1[c]] - yval[4][4]) > 1e-9;
    EXPECT_EQ(moved, f493 == 4);
    EXPECT_GE(smallestVolume(), -1e-12);
  }
}

// F 492: the neighbours of a column from its cell links (0) or from the
// lowest cells of the neighbouring columns (1). Two blocks side by side
// without a connection: the column (3, 2) in the south-east corner of block 1
// has no east link, yet the column east of it (block 2) holds cells. Its
// corner 2 (grid line (3, 1)), 1 mm deep between shallow corners, is pulled
// toward the diagonal corner with the links and stays with the columns.
TEST(ShorelineTriangles, F492TakesTheNeighboursFromTheColumns) {
  for (int f492 : {0, 1}) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 4;
    g.ny = 3;
    g.bed = [](int i, int j) { return (i == 2 && j == 1) || (i == 3 && j <= 2) ? 0.999 : 0.0; };
    g.prepare();
    block[1].i2 = 3;
    block[2] = block[1];
    block[2].i1 = 4;
    block[2].i2 = 5;
    NoBlocks = 2;
    MinVertDist0 = 0.005;
    MinVertDist1 = 0.1;
    FlagMinLevUnstruc = 1;
    FlagHorMove = 0;
    FlagGridStabFix1 = f492;
    ASSERT_EQ(UnstructureBuild(), 1);
    const int c = lowestCell(3, 2);
    ASSERT_GT(c, 0);
    ASSERT_GT(lowestCell(4, 2), 0);
    ASSERT_EQ(Ccelle[c], 0);
    const double w = 0.45;  // the shallower adjacent corner 1 mm deep: q 0.2
    const double x = f492 == 0 ? w * 2.0 + (1 - w) * 1.0 : 2.0;
    const double y = f492 == 0 ? w * 0.0 + (1 - w) * 1.0 : 0.0;
    EXPECT_NEAR(Px[Cpoint2[c]], x, 1e-12) << f492;
    EXPECT_NEAR(Py[Cpoint2[c]], y, 1e-12) << f492;
    EXPECT_GE(smallestVolume(), -1e-12);
  }
}

// F 235 17 in a column with a dry corner: a corner deeper than h whose three
// outward grid lines hold more than one level each is lowered toward their
// depth: dz = d - D / (n + 0.5), the full dz at the bed, fading upward; the
// surface point stays. Column (3, 3): dry corner line (2, 2), corner 3 at
// line (3, 3) 0.1 m deep, its outward lines (4, 4), (4, 3), (3, 4) 0.5 m deep.
TEST(ShorelineTriangles, F235Value17LowersADeepCornerTowardItsOutwardLines) {
  for (int f235 : {0, 17}) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 6;
    g.ny = 6;
    g.bed = [](int i, int j) {
      if (i == 2 && j == 2) return 1.2;
      if (i == 3 && j == 3) return 0.9;
      return 0.5;
    };
    g.prepare();
    MinVertDist0 = 0.005;
    MinVertDist1 = 0.1;
    FlagMinLevUnstruc = 1;
    FlagHorMove = 0;
    FlagCorrTrekant = f235;
    ASSERT_EQ(UnstructureBuild(), 1);
    const int c = lowestCell(3, 3);
    ASSERT_GT(c, 0);
    ASSERT_GT(Ccellt[c], 0);
    const double dz = 0.1 - 1.5 / 3.5;
    EXPECT_NEAR(Pz[Cpoint3[c]], f235 == 17 ? 0.9 + dz : 0.9, 1e-12);
    EXPECT_NEAR(Pz[Cpoint7[topCell(3, 3)]], 1.0, 1e-12);
    EXPECT_GE(smallestVolume(), -1e-12);
  }
}
