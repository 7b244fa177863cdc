// Grid generation from a block grid filled in-process.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "grid/generate.h"
#include "grid/grid_builder.h"
#include "state/log.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"

namespace {

int cellsInColumn(int i, int j) {
  int n = 0;
  for (int c = static_cast<int>(zval[i][j][0]); c > 0; c = Ccellt[c]) ++n;
  return n;
}

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

}  // namespace

// The straight channel: 21 x 6 grid lines 1 m apart, bed 0, water 1 m. Every
// line is as deep as the deepest, which gives znumber - 1 levels (the depth
// scale carries 1e-10 m), so 9 cells per column.
TEST(Unstructure, StraightChannelCountsClosedCellsAndVolume) {
  InProjectDir dir;
  BlockGrid g;
  g.prepare();
  ASSERT_EQ(UnstructureBuild(), 1);

  EXPECT_EQ(NoCells, 900);
  EXPECT_EQ(NoPoints, 1260);
  EXPECT_EQ(NoSurfaces, 3025);
  EXPECT_LT(worstClosure(), 1e-12);
  EXPECT_NEAR(totalVolume(), 100.0, 1e-9);
  EXPECT_EQ(cornerOrderFault(), "");
  for (int c = 1; c <= NoCells; ++c) ASSERT_GT(cellVolume(c), 0.0) << c;

  EXPECT_DOUBLE_EQ(MaxDepth, 1.0);
  EXPECT_DOUBLE_EQ(MinVertDist1, 0.1);
  EXPECT_DOUBLE_EQ(MinVertDist0, 0.005);
  EXPECT_EQ(block[1].firstCell, 1);
  EXPECT_EQ(block[1].lastCell, 900);
  EXPECT_EQ(block[1].firstSurface, 1);
  EXPECT_EQ(block[1].lastSurface, 3025);
  EXPECT_EQ(block[1].lastPoint, 1260);
  EXPECT_EQ(block[1].active, 1);
  EXPECT_EQ(NoCells0, 900);
  EXPECT_EQ(FlagHaveDoneMetric, 0);
  EXPECT_EQ(FlagGridHasChanged, 1);
  EXPECT_EQ(FlagNeedsToBeInterpolated, 1);

  // Columns hang from the surface with consecutive numbers from the bottom;
  // bed cells number every column, i outer.
  for (int i = 2; i <= 21; ++i)
    for (int j = 2; j <= 6; ++j) {
      ASSERT_EQ(cellsInColumn(i, j), 9) << i << " " << j;
      const int low = static_cast<int>(zval[i][j][0]);
      EXPECT_EQ(num[i][j][3], low);
      EXPECT_EQ(num[i][j][11], low + 8);
      EXPECT_EQ(num[i][j][2], 0);
      EXPECT_EQ(pointbed[i][j], (i - 2) * 5 + (j - 1));
      EXPECT_EQ(Cbed[low + 4], pointbed[i][j]);
    }
  // Inner cells have all four side neighbours; the channel walls none.
  const int c = num[5][3][6];
  EXPECT_EQ(Ccelle[c], num[6][3][6]);
  EXPECT_EQ(Ccellw[c], num[4][3][6]);
  EXPECT_EQ(Ccelln[c], num[5][4][6]);
  EXPECT_EQ(Ccells[c], num[5][2][6]);
  EXPECT_EQ(Ccells[num[5][2][6]], 0);
  EXPECT_EQ(Ccellw[num[2][4][6]], 0);

  const std::string log = dir.dir().boogie();
  EXPECT_NE(log.find("Generating grid with F 64 11 algorithm. \n"), std::string::npos);
  EXPECT_NE(log.find("End Unstructure 900 cells\n"), std::string::npos);
}

TEST(Unstructure, SecondBuildOfTheSameBlockGridGivesTheSameNumbering) {
  InProjectDir dir;
  BlockGrid g;
  g.bed = [](int i, int j) { return 0.02 * i + 0.05 * (j == 1); };
  g.prepare();
  ASSERT_EQ(UnstructureBuild(), 1);
  const int cells = NoCells, faces = NoSurfaces, points = NoPoints;
  std::vector<int> before;
  for (int c = 1; c <= NoCells; ++c)
    for (const int* a : {Cpoint1, Cpoint7, Ccelle, Ccelln, Ccellt, Cflatew, Cflateb}) before.push_back(a[c]);
  for (int f = 1; f <= NoSurfaces; ++f)
    for (const int* a : {Fcell1, Fcell2, Fpoint1, Fpoint3}) before.push_back(a[f]);

  ASSERT_EQ(UnstructureBuild(), 1);
  EXPECT_EQ(NoCells, cells);
  EXPECT_EQ(NoSurfaces, faces);
  EXPECT_EQ(NoPoints, points);
  std::vector<int> after;
  for (int c = 1; c <= NoCells; ++c)
    for (const int* a : {Cpoint1, Cpoint7, Ccelle, Ccelln, Ccellt, Cflatew, Cflateb}) after.push_back(a[c]);
  for (int f = 1; f <= NoSurfaces; ++f)
    for (const int* a : {Fcell1, Fcell2, Fpoint1, Fpoint3}) after.push_back(a[f]);
  EXPECT_EQ(before, after);
  // The previous grid's lowest cells are kept for the rules that need them.
  EXPECT_EQ(pointcell_old[5][3], static_cast<int>(zval[5][3][0]));
}

// Levels per grid line follow (depth / deepest)^0.6; a column gets its richest
// corner's count minus one. Water 4 m deep at i = 1, the depth falling along
// the channel; limits 0.005 m and 0.1 m from the 1 m2 columns.
TEST(Unstructure, SlopingBedGivesFewerCellsInShallowerColumns) {
  struct Case {
    double depth;  // at every grid line i >= 2 of the channel
    int cells;     // cells of the columns between two such lines
    int firstRow;  // cells of the columns next to the 4 m lines
  };
  const Case cases[] = {
      {4.0, 9, 9},    // as deep as the deepest line: 10 levels (znumber - 1, see the channel test)
      {1.0, 4, 9},    // a quarter of it: int(9 x 0.25^0.6) + 2 = 5 levels
      {0.05, 1, 9},   // shallower than MinVertDist1: 2 levels
      {0.001, 0, 0},  // shallower than MinVertDist0: dry; the strip left along the
                      // 4 m lines has too few connected neighbours and goes too
  };
  for (const Case& cs : cases) {
    InProjectDir dir;
    BlockGrid g;
    g.water = [](int, int) { return 10.0; };
    // Grid lines i = 1 are 4 m deep, the rest cs.depth; the first column row
    // i = 2 then takes the 4 m corner's count.
    g.bed = [d = cs.depth](int i, int) { return i == 1 ? 6.0 : 10.0 - d; };
    g.prepare();
    ASSERT_EQ(UnstructureBuild(), 1);
    EXPECT_EQ(cellsInColumn(2, 3), cs.firstRow) << cs.depth;
    for (int i = 3; i <= 21; ++i)
      for (int j = 2; j <= 6; ++j) ASSERT_EQ(cellsInColumn(i, j), cs.cells) << cs.depth << " " << i << " " << j;
    EXPECT_LT(worstClosure(), 1e-9) << cs.depth;
    // The column volumes add up to the water between bed and surface.
    const double expected = cs.cells > 0 ? 5 * (0.5 * (4.0 + cs.depth)) + 95 * cs.depth : 0.0;
    EXPECT_NEAR(totalVolume(), expected, 1e-9) << cs.depth;
    if (cs.firstRow == 0) { EXPECT_TRUE(dir.dir().boogieHas("Warning: No cells were generated in grid")) << dir.dir().boogie(); }
    for (int c = 1; c <= NoCells; ++c) ASSERT_GE(cellVolume(c), -1e-12) << c;
  }
}

// A continuous slope: the counts fall monotonically with the depth and every
// cell stays closed with positive volume.
TEST(Unstructure, SlopingBedCountsFallWithDepth) {
  InProjectDir dir;
  BlockGrid g;
  g.bed = [](int i, int) { return 0.045 * (i - 1); };  // depth 1 m down to 0.1 m
  g.prepare();
  ASSERT_EQ(UnstructureBuild(), 1);
  int previous = 99;
  for (int i = 2; i <= 21; ++i) {
    const int n = cellsInColumn(i, 3);
    EXPECT_LE(n, previous) << i;
    previous = n;
    // The richest corner is the upstream line (i - 1).
    EXPECT_EQ(n, antlin[i - 1][3] - 1) << i;
  }
  EXPECT_EQ(cellsInColumn(2, 3), 9);
  EXPECT_LT(cellsInColumn(21, 3), 5);
  EXPECT_LT(worstClosure(), 1e-9);
  for (int c = 1; c <= NoCells; ++c) ASSERT_GT(cellVolume(c), 0.0) << c;
  // Pinched cells may carry a second point at the place of a neighbour's
  // corner; the corners still lie where the surfaces say.
  EXPECT_EQ(cornerOrderFault(false), "");
  // Planar bed: the volume is the water between bed and surface.
  EXPECT_NEAR(totalVolume(), 5 * 20 * (1.0 - 0.045 * 10), 1e-9);
}

// The grid lines of the bank row j = 1 are dry (bed 0.2 m above the water):
// the columns next to it keep their 9 cells, which pinch to zero height at the
// dry corners, closed and of positive volume.
TEST(Unstructure, DryBankRowGivesCellsThatPinchOutAtTheDryCorners) {
  InProjectDir dir;
  BlockGrid g;
  g.bed = [](int, int j) { return j == 1 ? 1.2 : 0.0; };
  g.prepare();
  ASSERT_EQ(UnstructureBuild(), 1);
  EXPECT_EQ(NoCells, 900);
  for (int i = 2; i <= 21; ++i) {
    ASSERT_EQ(antlin[i - 1][1], 1);
    ASSERT_EQ(cellsInColumn(i, 2), 9);
    for (int c = static_cast<int>(zval[i][2][0]); c > 0; c = Ccellt[c]) {
      // Corners 1, 2 lie on the dry line j = 1: zero height, at the water level.
      EXPECT_DOUBLE_EQ(Pz[Cpoint1[c]], 1.0);
      EXPECT_DOUBLE_EQ(Pz[Cpoint5[c]], 1.0);
      EXPECT_DOUBLE_EQ(Pz[Cpoint6[c]], Pz[Cpoint2[c]]);
      EXPECT_GT(Pz[Cpoint8[c]], Pz[Cpoint4[c]]);
      EXPECT_GT(cellVolume(c), 0.0) << c;
      EXPECT_LT(closureDefect(c), 1e-12) << c;
    }
  }
  // Half a cubic metre per bank column, one per inner column.
  EXPECT_NEAR(totalVolume(), 20 * 0.5 + 80 * 1.0, 1e-9);
  EXPECT_EQ(cornerOrderFault(false), "");
}

// A single wet grid line in dry land becomes dry unless F 183 is 2; kept, its
// four columns form a lone group that still has two connected neighbours each.
TEST(Unstructure, IsolatedWetGridLineDriesUnlessF183Is2) {
  for (int f183 : {0, 2}) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 10;
    g.ny = 8;
    g.bed = [](int i, int j) { return j <= 3 || (i == 9 && j == 7) ? 0.0 : 2.0; };
    g.prepare();
    FlagPresDebug = f183;
    ASSERT_EQ(UnstructureBuild(), 1);
    for (int i = 2; i <= 11; ++i) EXPECT_EQ(cellsInColumn(i, 2), 9) << i;
    for (int i : {9, 10})
      for (int j : {7, 8}) EXPECT_EQ(cellsInColumn(i, j), f183 == 2 ? 9 : 0) << f183 << " " << i << " " << j;
    EXPECT_EQ(antlin[9][7], f183 == 2 ? 10 : 1);
    EXPECT_LT(worstClosure(), 1e-9);
  }
}

// F 65 sizes: a grid holds at most size - 2 cells, surfaces and points. The
// channel needs 900 cells, 3025 surfaces and 1260 points.
TEST(Unstructure, SizeLimitsStopBeforeAnythingIsWrittenPastTheArrays) {
  struct Case {
    int cells, faces, points;
    bool fits;
  };
  const Case cases[] = {
      {902, 3027, 1262, true},  {901, 80000, 50000, false}, {50000, 3026, 50000, false},
      {50000, 80000, 1261, false}, {300, 80000, 50000, false}, {50000, 80000, 13, false},
  };
  for (const Case& cs : cases) {
    InProjectDir dir;
    BlockGrid g;
    g.cells = cs.cells;
    g.faces = cs.faces;
    g.points = cs.points;
    g.prepare();
    const int r = UnstructureBuild();
    if (cs.fits) {
      EXPECT_EQ(r, 1);
      EXPECT_EQ(NoCells, 900);
      continue;
    }
    EXPECT_EQ(r, -std::max({NoCells, NoSurfaces, NoPoints})) << cs.cells << " " << cs.faces << " " << cs.points;
    // Cell numbers may be handed out up to the limit, but no cell is built at
    // or beyond MaxCeller - 1.
    int lastBuilt = 0;
    for (int c = 1; c < cs.cells; ++c)
      if (Cflateb[c] != 0) lastBuilt = c;
    EXPECT_LT(lastBuilt, cs.cells - 1);
    EXPECT_LT(NoSurfaces, cs.faces - 1);
    EXPECT_LT(NoPoints, cs.points - 1);
    const std::string log = dir.dir().boogie();
    const char* lines[] = {
        "Error: Unstructured arrays are too small. Increase with the F 65 data set.\n",
        "The coordinates are written to the koosurf file. This can be imported in \n",
        "the Grid Editor (Add block from koosurf)\n",
        "The NoMovePoints are written to the control.new file on the W 6 data sets.\n",
        "You may copy the W 6 data sets from control.new file into your control file.\n",
        "The control.new file does not contain all data sets, so don't use it to replace \n",
        "the control file.\n\n",
    };
    std::size_t at = 0;
    for (const char* line : lines) {
      const std::size_t p = log.find(line, at);
      ASSERT_NE(p, std::string::npos) << line << log;
      at = p;
    }
    const std::string counts = "NoPoints=" + std::to_string(NoPoints) + ", MaxPoints=" + std::to_string(cs.points) +
                               "\nNoSurface=" + std::to_string(NoSurfaces) + ", MaxFlater=" +
                               std::to_string(cs.faces) + "\nNoCells=" + std::to_string(NoCells) +
                               ", MaxCeller=" + std::to_string(cs.cells) + "\n";
    EXPECT_NE(log.find(counts), std::string::npos) << log;
    EXPECT_TRUE(dir.dir().exists("koosurf.1"));
  }
}

// Print points of the time-series log keep their cell: the level counts the
// cells below it; a level beyond the column gives its top cell.
TEST(Unstructure, PrintPointsFindTheirCellsAgain) {
  InProjectDir dir;
  BlockGrid g;
  g.prepare();
  TimePrintNo = 1;
  TimePrint[0].n = 3;
  const int levels[3] = {0, 3, 20};
  for (int p = 0; p < 3; ++p) {
    TimePrint[0].letter[p] = 'u';
    TimePrint[0].i[p] = 5;
    TimePrint[0].j[p] = 3;
    TimePrint[0].k[p] = levels[p];
  }
  ASSERT_EQ(UnstructureBuild(), 1);
  const int low = static_cast<int>(zval[5][3][0]);
  EXPECT_EQ(TimePrint[0].number[0], low);
  EXPECT_EQ(TimePrint[0].number[1], low + 3);
  EXPECT_EQ(TimePrint[0].number[2], low + 8);
  TimePrintNo = 0;
}

// Two blocks side by side whose edge grid lines coincide, with a bed sloping
// across the joint and a dry bank row: every cell keeps the corner order and
// sides of the cell builder, columns are numbered from the bottom up with slot
// 0 of zval the lowest cell, and the joined columns name each other level by
// level with the west cell's surface first in each pair.
TEST(Unstructure, TwoJoinedBlocksKeepTheGridConventions) {
  InProjectDir dir;
  BlockGrid g;
  g.nx = 12;
  g.ny = 4;
  g.prepare();
  // Block 1: columns 2..6 (lines 1..6); block 2: columns 9..13 (lines 8..13),
  // its first grid line 8 at the place of block 1's last line 6.
  NoBlocks = 2;
  block[1].i2 = 6;
  block[2] = block[1];
  block[2].i1 = 9;
  block[2].i2 = 13;
  NoConnect = 1;
  for (int i = 1; i <= 13; ++i)
    for (int j = 1; j <= 5; ++j) {
      const double x = i <= 6 ? i - 1 : i - 3;
      xval[i][j] = x;
      yval[i][j] = j - 1;
      zval[i][j][1] = j == 1 ? 1.2 : 0.04 * x;  // dry bank at j = 1, bed rising east
      zval[i][j][znumber] = 1.0;
    }
  ASSERT_EQ(UnstructureBuild(), 1);
  ASSERT_GT(NoCells, 0);
  EXPECT_EQ(cornerOrderFault(false), "");
  EXPECT_LT(worstClosure(), 1e-9);
  for (int c = 1; c <= NoCells; ++c) ASSERT_GE(cellVolume(c), -1e-12) << c;
  EXPECT_EQ(block[2].firstCell, block[1].lastCell + 1);
  EXPECT_EQ(block[2].lastCell, NoCells);
  for (int b = 1; b <= 2; ++b)
    for (int i = block[b].i1; i <= block[b].i2; ++i)
      for (int j = 2; j <= 5; ++j) {
        const int low = static_cast<int>(zval[i][j][0]);
        ASSERT_GT(low, 0) << i << " " << j;
        EXPECT_EQ(Ccellb[low], 0);
        int n = 0;
        for (int c = low; c > 0; c = Ccellt[c], ++n) {
          EXPECT_EQ(c, low + n);
          EXPECT_GE(c, block[b].firstCell);
          EXPECT_LE(c, block[b].lastCell);
        }
      }
  // The joint: every cell of the east column of block 1 that names a cell on
  // its east side names one of the west column of block 2, and back.
  int joined = 0;
  for (int j = 2; j <= 5; ++j)
    for (int c = static_cast<int>(zval[6][j][0]); c > 0; c = Ccellt[c]) {
      const int e = Ccelle[c];
      if (e == 0) continue;
      ++joined;
      EXPECT_EQ(Ccellw[e], c);
      EXPECT_GE(e, block[2].firstCell);
      EXPECT_EQ(Fcell1[Cflatee[c]], c);
      EXPECT_EQ(Fcell2[Cflatee[c]], e);
      EXPECT_EQ(Fcell1[Cflatew[e]], c);
      EXPECT_EQ(Fcell2[Cflatew[e]], e);
    }
  EXPECT_EQ(joined, NoConnFlate);
  for (int r = 1; r <= NoConnFlate; ++r) {
    const int f1 = connFlate[r][0], f2 = connFlate[r][1];
    EXPECT_LE(f1, block[1].lastSurface) << r;
    EXPECT_GE(f2, block[2].firstSurface) << r;
    EXPECT_EQ(Fcell1[f1], Fcell1[f2]) << r;
    EXPECT_EQ(Fcell2[f1], Fcell2[f2]) << r;
  }
}

// F 159 5th integer 4 on a warped steep bed (slopes above 20 degrees): the
// build succeeds with closed cells whose faces name their neighbours both
// ways (a link the neighbour does not return is a wall), as the default
// rule gives on the same bed; columns with a bed-plane count have their
// lower cells lowered at the corners above the plane.
TEST(Unstructure, BedPlaneLayoutGivesClosedCellsWithMutualLinks) {
  auto warped = [](BlockGrid& g) {
    g.nx = 12;
    g.ny = 6;
    g.bed = [](int i, int j) { return 0.5 * (i - 1) + 0.3 * (j % 2) + 3.0 * (i == 4 && j == 3); };
    g.water = [](int, int) { return 8.0; };
  };
  for (int rule : {0, 4}) {
    SCOPED_TRACE(rule);
    InProjectDir dir;
    BlockGrid g;
    warped(g);
    g.prepare();
    FlagGridStab5 = rule;
    ASSERT_EQ(UnstructureBuild(), 1);
    ASSERT_GT(NoCells, 0);
    EXPECT_EQ(cornerOrderFault(false), "");
    EXPECT_LT(worstClosure(), 1e-9);
    for (int c = 1; c <= NoCells; ++c) {
      ASSERT_GE(cellVolume(c), -1e-12) << c;
      if (const int e = Ccelle[c]) {
        EXPECT_EQ(Ccellw[e], c) << c;
        EXPECT_EQ(Cflatew[e], Cflatee[c]) << c;
        EXPECT_EQ(Fcell1[Cflatee[c]], c) << c;
        EXPECT_EQ(Fcell2[Cflatee[c]], e) << c;
      }
      if (const int n = Ccelln[c]) {
        EXPECT_EQ(Ccells[n], c) << c;
        EXPECT_EQ(Cflates[n], Cflaten[c]) << c;
      }
    }
    int counted = 0;
    for (int i = 2; i <= 13; ++i)
      for (int j = 2; j <= 7; ++j) counted += vv[i][j] > 0;
    if (rule == 4)
      EXPECT_GT(counted, 0);
    else
      EXPECT_EQ(counted, 0);
  }
}

// The bed-plane lowering by hand on one column of 1 m x 1 m whose corner 3
// stands 2 m above the others, water at 3 m: the diagonals (1, 1, 2) and
// (1, -1, 0) give the upward unit normal (-1, -1, 1)/sqrt(3) (20 degrees
// exceeded); the plane runs through corner 4, so corner 1 stands
// h = 1/sqrt(3) above it. With a levels at corner 1 its count is
// int(h / (3 / (a - 1))) and the bottom of the lowest cell there is lowered
// by that count times 3 / a below the bed; corner 2 lies on the plane and
// keeps its bed level; the column's count is the largest of its corners'.
// Rule 0 keeps both at the bed.
TEST(Unstructure, BedPlaneCountLowersTheLowestCellAtACornerAboveThePlane) {
  for (int rule : {0, 4}) {
    SCOPED_TRACE(rule);
    InProjectDir dir;
    BlockGrid g;
    g.nx = 1;
    g.ny = 1;
    g.bed = [](int i, int j) { return i == 2 && j == 2 ? 2.0 : 0.0; };
    g.water = [](int, int) { return 3.0; };
    g.prepare();
    FlagGridStab1 = FlagGridStab4 = 0;  // keep the single column
    FlagGridStab5 = rule;
    ASSERT_EQ(UnstructureBuild(), 1);
    const int lowest = static_cast<int>(zval[2][2][0]);
    ASSERT_GT(lowest, 0);
    const int a = antlin[1][1];
    ASSERT_GT(a, 1);
    const int count = static_cast<int>((1.0 / std::sqrt(3.0)) / (3.0 / (a - 1)));
    ASSERT_GE(count, 1);
    const double expected = rule == 4 ? -count * 3.0 / a : 0.0;
    EXPECT_NEAR(Pz[Cpoint1[lowest]], expected, 1e-9);
    EXPECT_NEAR(Pz[Cpoint2[lowest]], 0.0, 1e-9);
    // Corner 3 stands as high above the plane, 1 m under water: the
    // column's count is the larger of the two.
    const int a3 = antlin[2][2];
    const int count3 = a3 > 1 ? static_cast<int>((1.0 / std::sqrt(3.0)) / (1.0 / (a3 - 1))) : 0;
    EXPECT_EQ(vv[2][2], rule == 4 ? std::max(count, count3) : 0);
  }
}

// F 358: every build whose time lies strictly inside the window adds one
// sample per grid point of the window (grid points 3..4 x 2..3 here): the
// depth, the bed level, |bed - Surfaces[0]| and the ratio of the summed
// |Fflux / Faz| of the top faces of the cells that have a cell above them to
// the summed horizontal speed of those cells. The first sample clears the
// window; points outside it are not touched. Block 4 x 3, water at 1 m, bed
// 0.05 i + 0.01 j, Surfaces[0] at -0.25 m. The first build sees no flow (no
// ratio); before the second every face has |Fflux / Faz| = 0.3 / 0.5 = 0.6
// and every cell speed 0.5, except the top cells (speed 5) and their top
// faces (ratio 18), which do not count: ratio 0.6 / 0.5 = 1.2.
TEST(Unstructure, BedStatisticsSumOneSamplePerBuildInsideTheTimeWindow) {
  struct Case {
    double time;
    int samples;
  };
  for (const Case cs : {Case{2.0, 2}, Case{1.0, 0}, Case{3.0, 0}}) {
    SCOPED_TRACE(cs.time);
    InProjectDir dir;
    BedStatI1 = 3;
    BedStatI2 = 4;
    BedStatJ1 = 2;
    BedStatJ2 = 3;
    BedStatTime1 = 1.0;
    BedStatTime2 = 3.0;
    BlockGrid g;
    g.nx = 4;
    g.ny = 3;
    g.cells = 200;  // 108 cells: small arrays keep the set-up quick
    g.faces = 600;
    g.points = 300;
    g.bed = [](int i, int j) { return 0.05 * i + 0.01 * j; };
    g.prepare();
    ASSERT_NE(bedStatK, nullptr);
    for (int i = 0; i <= 5; ++i)
      for (int j = 0; j <= 4; ++j) {
        bedStatDepth[i][j] = bedStatBed[i][j] = bedStatDev[i][j] = bedStatK[i][j] = 7.0;
        Surfaces[0][i][j] = -0.25;
      }
    stimet = cs.time;
    BedStatNo = 0;
    ASSERT_EQ(UnstructureBuild(), 1);
    for (int f = 1; f <= NoSurfaces; ++f) {
      Faz[f] = 0.5;
      Fflux[f] = -0.3;
    }
    for (int c = 1; c <= NoCells; ++c) {
      const bool top = Ccellt[c] == 0;
      Cxvel[c] = top ? 3.0 : 0.3;
      Cyvel[c] = top ? -4.0 : -0.4;
      if (top) Fflux[Cflatet[c]] = 9.0;
    }
    ASSERT_EQ(UnstructureBuild(), 1);
    EXPECT_EQ(BedStatNo, cs.samples);
    for (int i = 0; i <= 5; ++i)
      for (int j = 0; j <= 4; ++j) {
        const bool in = cs.samples > 0 && i >= 3 && i <= 4 && j >= 2 && j <= 3;
        const double bed = 0.05 * i + 0.01 * j;
        EXPECT_NEAR(bedStatDepth[i][j], in ? 2 * (1.0 - bed) : 7.0, 1e-12) << i << " " << j;
        EXPECT_NEAR(bedStatBed[i][j], in ? 2 * bed : 7.0, 1e-12) << i << " " << j;
        EXPECT_NEAR(bedStatDev[i][j], in ? 2 * (bed + 0.25) : 7.0, 1e-12) << i << " " << j;
        EXPECT_NEAR(bedStatK[i][j], in ? 1.2 : 7.0, 1e-12) << i << " " << j;
      }
  }
}

// A block whose last column row reaches row ynumber of the block grid (G 1
// 2nd integer) ends the run with -44 and its message, before any cell is
// made; one row more in the block grid and the same block builds.
TEST(Unstructure, BlockReachingTheLastRowEndsTheRun) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (int rows : {0, 1}) {
    SCOPED_TRACE(rows);
    EXPECT_EXIT(
        {
          InProjectDir dir;
          BlockGrid g;
          g.nx = 4;
          g.ny = 3;
          g.rows = rows;  // j2 = ny + 1 = ynumber + 1 - rows
          g.prepare();
          std::atexit([] {
            std::ifstream in("boogie");
            std::cerr << in.rdbuf() << "cells " << NoCells << "\n";
          });
          UnstructureBuild();
        },
        ::testing::ExitedWithCode(256 - 44),
        "Error in allocation of blocks: increase 2nd integer on G 1 data set\n\ncells 0\n");
  }
  InProjectDir dir;
  BlockGrid g;
  g.nx = 4;
  g.ny = 3;
  g.rows = 2;
  g.prepare();
  EXPECT_EQ(UnstructureBuild(), 1);
  EXPECT_EQ(NoCells, 4 * 3 * 9);
}
