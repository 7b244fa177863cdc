// Grids of more than one block: cell and bed-cell numbering block after block,
// the joins between blocks (level pairs, uneven edges) and the outer faces of
// a nested block. Expected numbers are worked out by hand in the comments.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "grid/fieldmap.h"
#include "grid/generate.h"
#include "grid/joined_blocks.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"

namespace {

int lowestCell(int i, int j) { return static_cast<int>(zval[i][j][0]); }

// The cells of column (i, j) from the bottom up.
std::vector<int> columnCells(int i, int j) {
  std::vector<int> cells;
  for (int c = lowestCell(i, j); c > 0 && cells.size() <= static_cast<std::size_t>(znumber); c = Ccellt[c])
    cells.push_back(c);
  return cells;
}

// Depth profile across the joint: 1 m on the grid lines u = 0, 1 and 0.3 m from
// u = 2 on. With 7 levels and the deepest line 1 m, a 1 m line gets
// int(5 x (1 / (1 + 1e-10))^0.6) + 2 = 6 levels and a 0.3 m line
// int(5 x 0.3^0.6) + 2 = int(2.43) + 2 = 4: A's columns have 5 cells, B's 3.
double deepWest(double u, double) { return u <= 1 ? 1.0 : 0.3; }
// The mirror: 0.3 m up to u = 2, 1 m from u = 3: A's columns 3 cells, B's 5.
double deepEast(double u, double) { return u >= 3 ? 1.0 : 0.3; }

}  // namespace

// Blocks are generated one after the other: each block's cells, surfaces and
// points follow those of the block before it, its columns are numbered j
// outer, i inner (rows from the north with F 165 1), and every column of every
// block gets a bed cell, blocks in order, i outer. The windows touch (B's first
// grid line index is A's last), so a row or column range that runs past its
// block meets the other block's columns. Sides facing the other block stay
// without neighbour: only Connect may join across a window edge.
TEST(MultiBlockGrid, CellsAndBedCellsAreNumberedBlockAfterBlock) {
  struct Case {
    bool northward, bFirst;
    int f165;
    // Per column A(1,1), A(2,1), A(1,2), A(2,2), B(1,1), B(2,1), B(1,2),
    // B(2,2) as (across, along): lowest cell and bed cell.
    int lowest[8], bed[8];
  };
  // Counts per block (2 x 2 columns of n cells): cells 4n; surfaces
  // 3 x 2 x n twice for the side faces plus 4 (n + 1) horizontal ones; points
  // 9 lines x (n + 1) levels. A (n = 5): 20 cells, 84 surfaces, 54 points;
  // B (n = 3): 12 cells, 52 surfaces, 36 points.
  const Case cases[] = {
      // A is block 1: rows j = 2, 3 of columns i = 2, 3, then B's i = 4, 5.
      {false, false, 0, {1, 6, 11, 16, 21, 24, 27, 30}, {1, 3, 2, 4, 5, 7, 6, 8}},
      // B is block 1 (columns i = 4, 5), A follows.
      {false, true, 0, {13, 18, 23, 28, 1, 4, 7, 10}, {5, 7, 6, 8, 1, 3, 2, 4}},
      // Joint south-north: across is j, along is i; A's rows j = 2, 3, B's
      // j = 4, 5. With F 165 1 rows are numbered from the north: A's row 3
      // holds A(2,1) 1..5, A(2,2) 6..10, then B's row 5. Bed cells i outer.
      {true, false, 1, {11, 1, 16, 6, 27, 21, 30, 24}, {1, 2, 3, 4, 5, 6, 7, 8}},
      // B first, rows from the south: B's row 4 holds B(1,1) 1..3, B(1,2) 4..6.
      {true, true, 0, {13, 23, 18, 28, 1, 7, 4, 10}, {5, 6, 7, 8, 1, 2, 3, 4}},
  };
  for (const Case& cs : cases) {
    const std::string row = std::to_string(cs.northward) + " " + std::to_string(cs.bFirst);
    InProjectDir dir;
    JoinedBlocks g;
    g.northward = cs.northward;
    g.bFirst = cs.bFirst;
    g.water = deepWest;
    g.prepare();
    FlagUnstrucDir = cs.f165;
    ASSERT_EQ(UnstructureBuild(), 1) << row;
    EXPECT_EQ(NoCells, 32) << row;
    EXPECT_EQ(NoSurfaces, 136) << row;
    EXPECT_EQ(NoPoints, 90) << row;

    const int b1 = g.blockOf(0), b2 = g.blockOf(1);  // blocks of A and of B
    const int aFirst = cs.bFirst ? 13 : 1, bFirst = cs.bFirst ? 1 : 21;
    EXPECT_EQ(block[b1].firstCell, aFirst) << row;
    EXPECT_EQ(block[b1].lastCell, aFirst + 19) << row;
    EXPECT_EQ(block[b2].firstCell, bFirst) << row;
    EXPECT_EQ(block[b2].lastCell, bFirst + 11) << row;
    EXPECT_EQ(block[b1].firstSurface, cs.bFirst ? 53 : 1) << row;
    EXPECT_EQ(block[b1].lastSurface, cs.bFirst ? 136 : 84) << row;
    EXPECT_EQ(block[b2].firstSurface, cs.bFirst ? 1 : 85) << row;
    EXPECT_EQ(block[b2].lastSurface, cs.bFirst ? 52 : 136) << row;
    EXPECT_EQ(block[b1].firstPoint, cs.bFirst ? 37 : 1) << row;
    EXPECT_EQ(block[b1].lastPoint, cs.bFirst ? 90 : 54) << row;
    EXPECT_EQ(block[b2].firstPoint, cs.bFirst ? 1 : 55) << row;
    EXPECT_EQ(block[b2].lastPoint, cs.bFirst ? 36 : 90) << row;

    int q = 0;
    for (int ab = 0; ab <= 1; ++ab)
      for (int along = 1; along <= 2; ++along)
        for (int across = 1; across <= 2; ++across, ++q) {
          const int i = g.colI(ab, across, along), j = g.colJ(ab, across, along);
          const std::string at = row + " column " + std::to_string(i) + "," + std::to_string(j);
          const int n = ab == 0 ? 5 : 3;
          const std::vector<int> cells = columnCells(i, j);
          ASSERT_EQ(cells.size(), static_cast<std::size_t>(n)) << at;
          EXPECT_EQ(Ccellb[cells[0]], 0) << at;
          for (int k = 0; k < n; ++k) {
            EXPECT_EQ(cells[k], cs.lowest[q] + k) << at;
            EXPECT_EQ(Cbed[cells[k]], cs.bed[q]) << at;
          }
          EXPECT_EQ(pointbed[i][j], cs.bed[q]) << at;
          EXPECT_EQ(Bkooi[cs.bed[q]], i) << at;
          EXPECT_EQ(Bkooj[cs.bed[q]], j) << at;
          // The side towards the other block (A's across 2 east or north, B's
          // across 1 west or south) has no neighbour; the other side has the
          // cell at the same level of the block's other column.
          if ((ab == 0) != (across == 2)) continue;
          int* toOther = ab == 0 ? (cs.northward ? Ccelln : Ccelle) : (cs.northward ? Ccells : Ccellw);
          int* inward = ab == 0 ? (cs.northward ? Ccells : Ccellw) : (cs.northward ? Ccelln : Ccelle);
          const int inner = ab == 0 ? 1 : 2;
          const std::vector<int> next = columnCells(g.colI(ab, inner, along), g.colJ(ab, inner, along));
          for (int k = 0; k < n; ++k) {
            EXPECT_EQ(toOther[cells[k]], 0) << at;
            EXPECT_EQ(inward[cells[k]], next[k]) << at;
          }
        }
  }
}

// Two blocks side by side whose joint grid lines coincide, 5 cells in every
// column: the driver joins the free sides of the top cells (NoConnect > 0),
// level by level from the top down. Blocks A (block 1) and B: A's joint
// columns hold cells 6..10 and 16..20, B's 21..25 and 31..35 (east-west), or
// A's 11..15 and 16..20, B's 21..25 and 26..30 (south-north).
// Each joined side keeps its own surface; both carry the west (south) cell as
// Fcell1 and the east (north) cell as Fcell2; each connFlate row lists the
// west (south) surface first, in the order the top cells are visited. With
// room for 7 pairs (F 65 5th 8) the eighth level is not joined and the build
// ends with -47.
TEST(MultiBlockGrid, DriverJoinsEqualColumnsLevelByLevel) {
  struct Case {
    bool northward;
    int bAcross, maxConn;
    std::pair<int, int> lowest[2];  // (A cell, B cell) of each joined column pair, in visiting order
    int result, joined;
  };
  const Case cases[] = {
      {false, 2, 1000, {{6, 21}, {16, 31}}, 1, 10},
      {true, 2, 1000, {{11, 21}, {16, 26}}, 1, 10},
      {false, 2, 8, {{6, 21}, {16, 31}}, -47, 7},
  };
  for (const Case& cs : cases) {
    const std::string row = std::to_string(cs.northward) + " " + std::to_string(cs.bAcross) + " " +
                            std::to_string(cs.maxConn);
    InProjectDir dir;
    MaxConnFlate = cs.maxConn;
    JoinedBlocks g;
    g.northward = cs.northward;
    g.bAcross = cs.bAcross;
    g.prepare();
    NoConnect = 1;
    ASSERT_EQ(UnstructureBuild(), cs.result) << row;
    ASSERT_EQ(NoCells, 20 + 10 * cs.bAcross) << row;
    EXPECT_EQ(NoConnFlate, cs.joined) << row;
    if (cs.result == 1) { EXPECT_EQ(NoConnFlate0, cs.joined) << row; }
    int* toB = cs.northward ? Ccelln : Ccelle;
    int* toA = cs.northward ? Ccells : Ccellw;
    int* faceToB = cs.northward ? Cflaten : Cflatee;
    int* faceToA = cs.northward ? Cflates : Cflatew;
    int r = 0;
    for (const auto& [a0, b0] : cs.lowest)
      for (int level = 4; level >= 0; --level) {
        ++r;
        const int a = a0 + level, b = b0 + level;
        const std::string at = row + " level " + std::to_string(r);
        const int fa = faceToB[a], fb = faceToA[b];
        if (r > cs.joined) {
          EXPECT_EQ(toB[a], 0) << at;
          EXPECT_EQ(toA[b], 0) << at;
          EXPECT_EQ(Fcell2[fa], 0) << at;
          EXPECT_EQ(Fcell1[fb], 0) << at;
          continue;
        }
        EXPECT_EQ(toB[a], b) << at;
        EXPECT_EQ(toA[b], a) << at;
        EXPECT_NE(fa, fb) << at;
        EXPECT_EQ(Fcell1[fa], a) << at;
        EXPECT_EQ(Fcell2[fa], b) << at;
        EXPECT_EQ(Fcell1[fb], a) << at;
        EXPECT_EQ(Fcell2[fb], b) << at;
        EXPECT_EQ(connFlate[r][0], fa) << at;
        EXPECT_EQ(connFlate[r][1], fb) << at;
      }
  }
}

// Joined columns of unequal height, one generated grid per row: A's joint
// column (3, 2) and B's (4, 2). Connect is called as the driver calls it, for
// the east side of A's top cell. Under F 64 11 the columns are paired from the
// top down until the shorter one ends; its lowest cell then pairs with the
// lowest cell of the longer column, over the last row, and the cells between
// stay unjoined. Under F 64 1 the pairing stops at the end of the shorter
// column. Positions count from 1 at the bottom of a column.
TEST(MultiBlockGrid, UnequalColumnsPairFromTheTopAndAtTheBottom) {
  struct Case {
    bool longWest;  // A 5 cells and B 3, or A 3 and B 5
    int method;
    std::vector<int> eastOfA, westOfB;             // partner position per cell from the bottom, 0 none
    std::vector<std::pair<int, int>> pairs;        // connFlate rows as (A position, B position)
  };
  const Case cases[] = {
      {true, 11, {1, 0, 0, 2, 3}, {1, 4, 5}, {{5, 3}, {4, 2}, {1, 1}}},
      {true, 1, {0, 0, 1, 2, 3}, {3, 4, 5}, {{5, 3}, {4, 2}, {3, 1}}},
      {false, 11, {1, 4, 5}, {1, 0, 0, 2, 3}, {{3, 5}, {2, 4}, {1, 1}}},
      {false, 1, {3, 4, 5}, {0, 0, 1, 2, 3}, {{3, 5}, {2, 4}, {1, 3}}},
  };
  for (const Case& cs : cases) {
    const std::string row = std::to_string(cs.longWest) + " F 64 " + std::to_string(cs.method);
    InProjectDir dir;
    JoinedBlocks g;
    g.water = cs.longWest ? deepWest : deepEast;
    g.prepare();
    ASSERT_EQ(UnstructureBuild(), 1) << row;
    const std::vector<int> a = columnCells(3, 2), b = columnCells(4, 2);
    ASSERT_EQ(a.size(), cs.eastOfA.size()) << row;
    ASSERT_EQ(b.size(), cs.westOfB.size()) << row;
    ASSERT_EQ(Ccelle[a.back()], 0) << row;

    UMethod = cs.method;
    NoConnFlate = 0;
    const int top = a.back();
    ASSERT_EQ(Connect(Cpoint2[top], Cpoint3[top], top, SideE), 1) << row;
    ASSERT_EQ(NoConnFlate, static_cast<int>(cs.pairs.size())) << row;
    for (std::size_t k = 0; k < a.size(); ++k) {
      const int p = cs.eastOfA[k], partner = p > 0 ? b[p - 1] : 0;
      EXPECT_EQ(Ccelle[a[k]], partner) << row << " A " << k + 1;
      EXPECT_EQ(Fcell1[Cflatee[a[k]]], a[k]) << row << " A " << k + 1;
      EXPECT_EQ(Fcell2[Cflatee[a[k]]], partner) << row << " A " << k + 1;
    }
    for (std::size_t k = 0; k < b.size(); ++k) {
      const int p = cs.westOfB[k], partner = p > 0 ? a[p - 1] : 0;
      EXPECT_EQ(Ccellw[b[k]], partner) << row << " B " << k + 1;
      EXPECT_EQ(Fcell1[Cflatew[b[k]]], partner) << row << " B " << k + 1;
      EXPECT_EQ(Fcell2[Cflatew[b[k]]], b[k]) << row << " B " << k + 1;
    }
    for (std::size_t r = 0; r < cs.pairs.size(); ++r) {
      EXPECT_EQ(connFlate[r + 1][0], Cflatee[a[cs.pairs[r].first - 1]]) << row << " pair " << r + 1;
      EXPECT_EQ(connFlate[r + 1][1], Cflatew[b[cs.pairs[r].second - 1]]) << row << " pair " << r + 1;
    }
  }
}

// F 348 1: the uneven edge between block 1 (west, 2 rows of 1 m) and block 2
// (east, 3 rows of 2/3 m), 5 cells in every column. Arc positions along the
// joint: west rows 0.5, 1.5; east rows 1/3, 1, 5/3. West row j = 2 takes east
// row j = 2 (1/3 nearest 0.5), west row 3 takes east row 4 (5/3 nearest 1.5);
// east row 3 is chosen by none and keeps no west neighbours.
// Mid-levels from the level slots of zval, for the four cells that have a cell
// above: west slots evenly (k - 1) / 6 give 1/12, 3/12, 5/12, 7/12; east slots
// 0, .3, .35, .4, .45 give .15, .325, .375, .425. Nearest: west cells 1..4 take
// east cells 1, 2, 4, 4; east cells 1..4 take west cells 1, 2, 3, 3. Top cells
// take no part.
TEST(MultiBlockGrid, UnevenEdgePairsRowsByArcAndCellsByMidLevel) {
  InProjectDir dir;
  JoinedBlocks g;
  g.sharedLine = false;
  g.bAlong = 3;
  g.bWidth = 2.0 / 3.0;
  g.slot = [](int ab, int k, double, double) {
    const double east[8] = {0, 0, 0.3, 0.35, 0.4, 0.45, 0.5, 1.0};
    return ab == 0 ? (k - 1) / 6.0 : east[k];
  };
  g.prepare();
  UnevenConnect = 1;
  ASSERT_EQ(UnstructureBuild(), 1);
  // Block 1's east column i = 3; block 2's lines start at i = 4, its west
  // column is i = 5.
  const int westRow[2] = {2, 3}, eastRowOf[2] = {2, 4};
  const int eastOfWest[5] = {1, 2, 4, 4, 0}, westOfEast[5] = {1, 2, 3, 3, 0};
  for (int r = 0; r < 2; ++r) {
    const std::vector<int> w = columnCells(3, westRow[r]), e = columnCells(5, eastRowOf[r]);
    ASSERT_EQ(w.size(), 5u);
    ASSERT_EQ(e.size(), 5u);
    for (int k = 0; k < 5; ++k) {
      const int pe = eastOfWest[k] > 0 ? e[eastOfWest[k] - 1] : 0;
      const int pw = westOfEast[k] > 0 ? w[westOfEast[k] - 1] : 0;
      EXPECT_EQ(Ccelle[w[k]], pe) << "west row " << westRow[r] << " cell " << k + 1;
      EXPECT_EQ(Fcell2[Cflatee[w[k]]], pe) << "west row " << westRow[r] << " cell " << k + 1;
      EXPECT_EQ(Ccellw[e[k]], pw) << "east row " << eastRowOf[r] << " cell " << k + 1;
      EXPECT_EQ(Fcell1[Cflatew[e[k]]], pw) << "east row " << eastRowOf[r] << " cell " << k + 1;
    }
  }
  for (int c : columnCells(5, 3)) {
    EXPECT_EQ(Ccellw[c], 0) << c;
    EXPECT_EQ(Fcell1[Cflatew[c]], 0) << c;
  }
  EXPECT_EQ(NoConnFlate, 0);
}

// A nested block is counted with the depth factor 1 where the other blocks use
// F 192: with F 192 0.25, block 1's 1 m lines get int(5 x 0.25^0.6) + 2 =
// int(2.18) + 2 = 4 levels (3 cells per column, cells 1..27), the nested
// block's 6 levels (5 cells per column, cells 28..47). Its cells are marked
// nested (CflagDim 2), and the largest nest level of the grid is 1.
TEST(MultiBlockGrid, NestedBlockIsCountedWithoutTheF192Factor) {
  InProjectDir dir;
  NestedBlock g;
  g.prepare();
  NestNoRatio = 0.25;
  ASSERT_EQ(UnstructureBuild(), 1);
  EXPECT_EQ(block[1].firstCell, 1);
  EXPECT_EQ(block[1].lastCell, 27);
  EXPECT_EQ(block[2].firstCell, 28);
  EXPECT_EQ(block[2].lastCell, 47);
  EXPECT_EQ(nestlevmax, 1);
  for (int i = 2; i <= 4; ++i)
    for (int j = 2; j <= 4; ++j) EXPECT_EQ(columnCells(i, j).size(), 3u) << i << " " << j;
  const int lowest[2][2] = {{28, 38}, {33, 43}};  // [i - 7][j - 2], rows j outer
  for (int i = 7; i <= 8; ++i)
    for (int j = 2; j <= 3; ++j) {
      const std::vector<int> cells = columnCells(i, j);
      ASSERT_EQ(cells.size(), 5u) << i << " " << j;
      EXPECT_EQ(cells[0], lowest[i - 7][j - 2]) << i << " " << j;
    }
  for (int c = 1; c <= NoCells; ++c) EXPECT_EQ(CflagDim[c], c >= 28 ? 2 : 0) << c;
}

// The outer faces of the nested block (columns i = 7, 8, j = 2, 3; 5 cells
// each, cells 28..32 at (7, 2), 33..37 at (8, 2), 38..42 at (7, 3), 43..47 at
// (8, 3)) are listed column by column, i outer, j inner, each cell from the
// bottom with its free edge sides in the order east, south, west, north, the
// top cell then its top face with F 241 1. F 280 3 lists the west sides only.
// The list holds MaxNester - 1 entries: one more ends the build with -46,
// keeping what was listed.
TEST(MultiBlockGrid, NestedBlockListsItsOuterFaces) {
  struct Column {
    int first;
    const char* sides;
  };
  const Column all[4] = {{28, "SW"}, {38, "WN"}, {33, "ES"}, {43, "EN"}};
  const Column west[2] = {{28, "W"}, {38, "W"}};
  struct Case {
    int f280, f241, maxNester;
    const Column* columns;
    int columnCount;
    int result, listed;
  };
  const Case cases[] = {
      {0, 0, 10000, all, 4, 0, 40},
      {3, 0, 10000, west, 2, 0, 10},
      {0, 1, 10000, all, 4, 0, 44},
      {0, 0, 41, all, 4, 0, 40},
      {0, 0, 40, all, 4, -46, 39},
  };
  for (const Case& cs : cases) {
    const std::string row = "F 280 " + std::to_string(cs.f280) + " F 241 " + std::to_string(cs.f241) +
                            " MaxNester " + std::to_string(cs.maxNester);
    InProjectDir dir;
    MaxNester = cs.maxNester;
    NestedBlock g;
    g.prepare();
    NestNoRatio = 0.25;  // block 1: cells 1..27, as in the test above
    FlagNestFluxInterpol = cs.f280;
    NestSurf = cs.f241;
    ASSERT_EQ(UnstructureBuild(), cs.result == 0 ? 1 : cs.result) << row;
    ASSERT_EQ(NoNestflater, cs.listed) << row;
    std::vector<std::pair<int, int>> expected;  // (cell, face)
    for (int q = 0; q < cs.columnCount; ++q)
      for (int c = cs.columns[q].first; c < cs.columns[q].first + 5; ++c) {
        for (const char* s = cs.columns[q].sides; *s; ++s) {
          const int* face = *s == 'E' ? Cflatee : *s == 'S' ? Cflates : *s == 'W' ? Cflatew : Cflaten;
          expected.emplace_back(c, face[c]);
        }
        if (cs.f241 == 1 && c == cs.columns[q].first + 4) expected.emplace_back(c, Cflatet[c]);
      }
    for (int n = 1; n <= cs.listed; ++n) {
      EXPECT_EQ(Npcelle[n], expected[n - 1].first) << row << " entry " << n;
      EXPECT_EQ(Npflate[n], expected[n - 1].second) << row << " entry " << n;
      EXPECT_EQ(Npblock[n], 2) << row << " entry " << n;
    }
  }
}

// The maps between the nested block and block 1 by grid points (F 261 1), on
// the grid of the tests above. Bed cells: block 1 i outer, j inner, (2,2) 1,
// (2,3) 2, .., (4,4) 9; the nested block (7,2) 10, (7,3) 11, (8,2) 12, (8,3) 13.
// Search radius of block 1: its middle column (3, 3) has no cell sizes yet,
// so the square root of its area, 1 m. A nested column takes the column of
// block 1 whose grid point (i, j) lies nearest to its own, the first in i
// outer, j inner order of equally near ones: (7,2) at (1.5,1.5) is 0.71 m from
// the points (1,1), (1,2), (2,1), (2,2) of the columns (2,2), (2,3), (3,2),
// (3,3) and takes (2,2); (7,3) at (1.5,2) ties (2,3) and (3,3) and takes
// (2,3); (8,2) at (2,1.5) takes (3,2); (8,3) at (2,2) lies on (3,3).
// Grid points of block 1 take the nearest point of the nested block closer
// than 1 m: the four at (1,1), (2,1), (1,2), (2,2) lie on the nested block's
// corners; points 1 m or more away get none.
TEST(MultiBlockGrid, NestedColumnsAndPointsFindTheCoarseOnesBeneath) {
  InProjectDir dir;
  FlagCoupledNesting = 1;
  NestedBlock g;
  g.prepare();
  NestNoRatio = 0.25;
  ASSERT_EQ(UnstructureBuild(), 1);
  ASSERT_NE(Bnestcoarse, nullptr);
  ASSERT_NE(pointnest, nullptr);
  NoBCells = 13;  // as the bed-cell indexing counts them
  for (int b = 0; b <= 13; ++b) Bnestcoarse[b] = 99;  // values of an older grid
  computeBnestcoarse();
  const int expected[14] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 4, 5};
  for (int b = 0; b <= 13; ++b) EXPECT_EQ(Bnestcoarse[b], expected[b]) << "bed cell " << b;

  for (int i = 1; i <= 4; ++i)
    for (int j = 1; j <= 4; ++j) {
      int wi = 0, wj = 0;
      if (i >= 2 && i <= 3 && j >= 2 && j <= 3) {
        wi = i == 2 ? 6 : 8;
        wj = j == 2 ? 1 : 3;
      }
      EXPECT_EQ(pointnest[i][j][0], wi) << i << " " << j;
      EXPECT_EQ(pointnest[i][j][1], wj) << i << " " << j;
    }
  for (int i = 6; i <= 8; ++i)
    for (int j = 1; j <= 3; ++j) EXPECT_EQ(pointnest[i][j][0], 0) << i << " " << j;
}
