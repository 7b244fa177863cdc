// The sub-bed block appended by the grid generator below block 1 (F 236 from
// 2, F 262): its window, levels, numbering and links, the sliding layer that
// follows the slide levels of the bed cells, and the layouts it refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "grid/fieldmap.h"
#include "grid/geometry.h"
#include "grid/generate.h"
#include "grid/grid_builder.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"

namespace {

// Host block 2..11 x 2..21 (10 x 20 columns) on a sloping bed, water 1 m
// above the highest bed, room for the sub-bed rows up to 43.
BlockGrid hostGrid() {
  BlockGrid g;
  g.nx = 10;
  g.ny = 20;
  g.rows = 26;  // ynumber 46
  g.bed = [](int i, int j) { return 0.1 * i + 0.05 * j; };
  g.water = [](int, int) { return 4.0; };
  return g;
}

// The non-erodible level: 2 m below the bed, except on the lines of the
// first host row, where it lies above the bed.
double nonErodible(int i, int jh) { return jh == 1 ? zval[i][jh][1] + 0.5 : zval[i][jh][1] - 2.0; }

void prepareHost(const BlockGrid& g) {
  setRunStateInitial();
  g.prepare();
  for (int i = 0; i <= xnumber; ++i)
    for (int j = 0; j <= ynumber; ++j) Surfaces[3][i][j] = nonErodible(i, j);
}

int cellsOf(int i, int j) {
  int n = 0;
  for (int c = static_cast<int>(zval[i][j][0]); c > 0 && n <= znumber; c = Ccellt[c]) ++n;
  return n;
}

double minZ(int c) {
  return std::min({Pz[Cpoint1[c]], Pz[Cpoint2[c]], Pz[Cpoint3[c]], Pz[Cpoint4[c]]});
}

void expectClosedCells(int from, int to) {
  for (int c = from; c <= to; ++c) {
    ASSERT_GT(Cpoint1[c], 0) << c;
    ASSERT_LT(closureDefect(c), 1e-9) << c;
    ASSERT_GE(cellVolume(c), -1e-12) << c;
  }
}

}  // namespace

// First build with F 262: window 2..11 x 24..43, one cell per column from
// min(Surfaces[3], bed - 1 mm) to the host bed, numbered j outer and i inner
// after the host block's cells; the sliding-layer boundary at the bed; two
// blocks after every build.
TEST(SubBedBlock, FirstBuildGivesOneCellPerColumnBelowTheBed) {
  InProjectDir dir;
  FlagGroundwater = 1;
  const BlockGrid g = hostGrid();
  prepareHost(g);
  for (int build = 1; build <= 3; ++build) {
    SCOPED_TRACE(build);
    ASSERT_EQ(UnstructureBuild(), 1);
    ASSERT_EQ(NoBlocks, 2);
    const BlockRecord& s = block[2];
    EXPECT_EQ(s.i1, 2);
    EXPECT_EQ(s.i2, 11);
    EXPECT_EQ(s.j1, 24);
    EXPECT_EQ(s.j2, 43);
    EXPECT_EQ(s.subBed, 1);
    EXPECT_EQ(SurfUpdate[2], 0);
    EXPECT_EQ(s.firstCell, block[1].lastCell + 1);
    EXPECT_EQ(s.lastCell, NoCells);
    EXPECT_EQ(NoCells - block[1].lastCell, 200);
    EXPECT_EQ(NoCells0, NoCells);
    EXPECT_EQ(NoBlocks0, 2);
    EXPECT_EQ(WCStart, 1);
    EXPECT_EQ(WCEnd, NoCells);
    int expected = block[1].lastCell;
    for (int j = 24; j <= 43; ++j)
      for (int i = 2; i <= 11; ++i) {
        ASSERT_EQ(static_cast<int>(zval[i][j][0]), ++expected) << i << " " << j;
        ASSERT_EQ(cellsOf(i, j), 1);
      }
    // Lines: plan and top from the host line 22 rows south, the bottom at
    // the non-erodible level or 1 mm below the bed where that is higher.
    for (int i = 1; i <= 11; ++i)
      for (int j = 23; j <= 43; ++j) {
        const int jh = j - 22;
        const double bed = zval[i][jh][1];
        ASSERT_EQ(xval[i][j], xval[i][jh]);
        ASSERT_EQ(yval[i][j], yval[i][jh]);
        ASSERT_DOUBLE_EQ(zval[i][j][znumber], bed);
        ASSERT_DOUBLE_EQ(zval[i][j][1], std::min(nonErodible(i, jh), bed - 0.001)) << i << " " << j;
        ASSERT_DOUBLE_EQ(Surfaces[5][i][j], bed);
        ASSERT_DOUBLE_EQ(Surfaces[5][i][jh], bed);
        ASSERT_DOUBLE_EQ(Surfaces[3][i][j], Surfaces[3][i][jh]);
      }
    // The cell of column (5, 30) spans the levels of its corner lines.
    const int c = static_cast<int>(zval[5][30][0]);
    EXPECT_DOUBLE_EQ(Pz[Cpoint1[c]], zval[4][29][1]);
    EXPECT_DOUBLE_EQ(Pz[Cpoint7[c]], zval[5][30][znumber]);
    EXPECT_EQ(Ccelle[c], static_cast<int>(zval[6][30][0]));
    EXPECT_EQ(Ccells[c], static_cast<int>(zval[5][29][0]));
    EXPECT_EQ(Ccellb[c], 0);
    EXPECT_EQ(Ccellt[c], 0);
    expectClosedCells(1, NoCells);
    EXPECT_EQ(cornerOrderFault(false), "");
  }
}

// The bed cells of the sub-bed columns come from BedMake after the build; a
// slide that has set a 4 x 4 patch of them to 1 m below the bed gives the
// next build a sliding layer inside the patch: a bottom cell below it and a
// stack of at least three thin cells above it, not linked to the bottom cell
// from above, while lines with fewer than three sliding columns keep the
// boundary at the bed.
TEST(SubBedBlock, SlidingLayerFollowsTheSlideLevels) {
  InProjectDir dir;
  FlagThixo = 2;
  FlagThixoDamp = 0;
  const BlockGrid g = hostGrid();
  prepareHost(g);
  ASSERT_EQ(UnstructureBuild(), 1);
  BedMake();
  ASSERT_TRUE(Bthixolev);
  for (int i = 2; i <= 11; ++i)
    for (int j = 24; j <= 43; ++j) ASSERT_GT(pointbed[i][j], 0) << i << " " << j;
  // Patch: sub-bed columns 4..7 x 28..31.
  for (int i = 4; i <= 7; ++i)
    for (int j = 28; j <= 31; ++j) {
      const int b = pointbed[i][j];
      Bcellth[b] = 1;
      Bthixolev[b] = zval[i][j - 22][1] - 1.0;  // a level near the column's bed
    }
  const int hostLast = block[1].lastCell;
  ASSERT_EQ(UnstructureBuild(), 1);
  ASSERT_EQ(NoBlocks, 2);
  EXPECT_EQ(block[1].lastCell, hostLast);
  // Inner patch lines: all four columns slide, the mean of their levels.
  for (int i = 4; i <= 6; ++i)
    for (int j = 28; j <= 30; ++j) {
      double mean = 0;
      for (int q = 0; q < 4; ++q) mean += Bthixolev[pointbed[i + q % 2][j + q / 2]];
      mean /= 4;
      ASSERT_NEAR(Surfaces[5][i][j], std::max(mean, Surfaces[3][i][j]), 1e-9) << i << " " << j;
      ASSERT_LT(Surfaces[5][i][j], zval[i][j][znumber] - 0.5);
      ASSERT_GE(antlin[i][j], 4);
    }
  // A line with two sliding columns (the patch corner) keeps the bed.
  EXPECT_DOUBLE_EQ(Surfaces[5][3][27], zval[3][27][znumber]);
  EXPECT_DOUBLE_EQ(Surfaces[5][7][31], zval[7][31][znumber]);
  EXPECT_EQ(antlin[7][31], 1);
  // The column (5, 29) has its four corners inside the patch.
  const int bottom = static_cast<int>(zval[5][29][0]);
  ASSERT_GT(ant[5][29], 2);
  const int lowest = num[5][29][znumber - ant[5][29] + 1];
  EXPECT_EQ(num[5][29][2], bottom);
  EXPECT_EQ(Ccellt[bottom], lowest);
  EXPECT_EQ(Ccellb[lowest], 0);
  EXPECT_EQ(Cflateb[lowest], Cflatet[bottom]);
  EXPECT_EQ(Fcell1[Cflatet[bottom]], bottom);
  EXPECT_EQ(Fcell2[Cflatet[bottom]], 0);
  EXPECT_EQ(cellsOf(5, 29), 1 + ant[5][29]);
  EXPECT_NEAR(Pz[Cpoint5[bottom]], Surfaces[5][4][28], 1e-12);
  int c = lowest;
  for (int k = 1; k < ant[5][29]; ++k) {
    ASSERT_EQ(Ccellb[Ccellt[c]], c);
    c = Ccellt[c];
  }
  EXPECT_NEAR(Pz[Cpoint7[c]], zval[5][29][znumber], 1e-12);
  // A column away from the patch has its one bottom cell.
  EXPECT_EQ(cellsOf(10, 40), 1);
  expectClosedCells(1, NoCells);
  // Apart from the open side of the sliding-layer boundary, every surface
  // names its cells in the order of its sides.
  std::vector<int> open;
  for (int cell = block[2].firstCell; cell <= NoCells; ++cell)
    if (Ccellb[cell] == 0 && Cflateb[cell] > 0 && Fcell1[Cflateb[cell]] > 0 && Fcell2[Cflateb[cell]] == 0) {
      open.push_back(Cflateb[cell]);
      Fcell2[Cflateb[cell]] = cell;
    }
  EXPECT_EQ(open.size(), 16u);  // the columns 4..7 x 28..31 that touch a patch line
  EXPECT_EQ(cornerOrderFault(false), "");
  for (int f : open) Fcell2[f] = 0;
  // F 236 3: at most one cell above the sliding layer.
  FlagThixo = 3;
  ASSERT_EQ(UnstructureBuild(), 1);
  int most = 0;
  for (int i = 2; i <= 11; ++i)
    for (int j = 24; j <= 43; ++j) most = std::max(most, ant[i][j]);
  EXPECT_EQ(most, 1);
  EXPECT_EQ(cellsOf(5, 29), 2);
  expectClosedCells(block[2].firstCell, NoCells);
}

// An outblocked host box (G 13) leaves its sub-bed columns without cells and
// without numbers: every cell up to NoCells is built.
TEST(SubBedBlock, OutblockedColumnsGetNoNumber) {
  InProjectDir dir;
  FlagGroundwater = 1;
  const BlockGrid g = hostGrid();
  prepareHost(g);
  OutBlockNo = 1;
  OutBlock[1] = {0, 3, 4, 5, 6, 0, 0};
  ASSERT_EQ(UnstructureBuild(), 1);
  EXPECT_EQ(NoCells - block[2].firstCell + 1, 200 - 4);
  for (int i = 3; i <= 4; ++i)
    for (int j = 27; j <= 28; ++j) EXPECT_EQ(zval[i][j][0], 0.0) << i << " " << j;
  EXPECT_GT(zval[5][27][0], 0.0);
  expectClosedCells(1, NoCells);
}

// Layouts the block cannot be appended to end the build with -1 and a
// message: a second block after block 1, too few rows in the block grid.
TEST(SubBedBlock, RefusesGridsWithoutRoom) {
  {
    InProjectDir dir;
    FlagGroundwater = 1;
    BlockGrid g = hostGrid();
    g.rows = 20;  // ynumber 40: rows up to 43 do not fit
    prepareHost(g);
    EXPECT_EQ(UnstructureBuild(), -1);
    EXPECT_NE(dir.dir().boogie().find("Error in allocation of blocks: increase 2nd integer on G 1 data set"),
              std::string::npos);
  }
  {
    InProjectDir dir;
    FlagGroundwater = 1;
    BlockGrid g = hostGrid();
    g.nx = 11;
    prepareHost(g);
    NoBlocks = 2;  // a second ordinary block east of block 1
    block[1].i2 = 10;
    block[2] = block[1];
    block[2].i1 = block[2].i2 = 11;
    EXPECT_EQ(UnstructureBuild(), -1);
    EXPECT_NE(dir.dir().boogie().find("Slides and groundwater need a grid of one block"), std::string::npos)
        << dir.dir().boogie();
    EXPECT_EQ(block[2].subBed, 0);
  }
}

// F 65 too small for the sub-bed cells: the overflow report, minus the
// largest count, and the build fails.
TEST(SubBedBlock, SizeLimitGivesTheOverflowReport) {
  for (int variant = 0; variant <= 1; ++variant) {
    SCOPED_TRACE(variant);
    InProjectDir dir;
    FlagGroundwater = 1;
    FlagThixoGrid = variant;
    BlockGrid g = hostGrid();
    g.cells = 20000;
    g.points = 2300;  // the host block takes 2121, the sub-bed block about 460 more
    prepareHost(g);
    EXPECT_EQ(UnstructureBuild(), -1);
    EXPECT_NE(dir.dir().boogie().find("Error: Unstructured arrays are too small. Increase with the F 65 data set.\n"),
              std::string::npos);
    EXPECT_LT(NoPoints, MaxPunkter);
    EXPECT_LT(NoSurfaces, MaxFlater);
  }
}

// F 289 2nd integer: the whole column from Surfaces[3] to the bed divided like
// a water column (2 m give several cells), no bottom cell of its own.
TEST(SubBedBlock, WaterColumnVariantDividesTheWholeColumn) {
  InProjectDir dir;
  FlagGroundwater = 1;
  FlagThixoGrid = 1;
  const BlockGrid g = hostGrid();
  prepareHost(g);
  for (int build = 1; build <= 2; ++build) {
    ASSERT_EQ(UnstructureBuild(), 1);
    ASSERT_EQ(NoBlocks, 2);
    EXPECT_EQ(block[2].j1, 24);
    EXPECT_EQ(block[2].lastCell, NoCells);
    const int c = static_cast<int>(zval[5][30][0]);
    ASSERT_GT(c, block[1].lastCell);
    EXPECT_GT(cellsOf(5, 30), 1);
    EXPECT_EQ(Ccellb[c], 0);
    EXPECT_NEAR(minZ(c), std::min({Surfaces[3][4][29], Surfaces[3][5][29], Surfaces[3][4][30], Surfaces[3][5][30]}),
                1e-12);
    int top = c;
    while (Ccellt[top] > 0) top = Ccellt[top];
    EXPECT_NEAR(Pz[Cpoint7[top]], zval[5][30][znumber], 1e-12);
    expectClosedCells(1, NoCells);
  }
}

// The one-cell variant: one cell per column from min(Surfaces[3], bed - 0.1 m)
// to the host bed on the first call, numbered j outer and i inner after the
// host block; Surfaces[7] is left as it was.
TEST(SubBedBlock, OneCellVariantReachesTenCentimetresBelowTheBed) {
  InProjectDir dir;
  FlagGroundwater = 1;
  const BlockGrid g = hostGrid();
  prepareHost(g);
  ASSERT_EQ(UnstructureBuild(), 1);
  ASSERT_EQ(NoBlocks, 2);  // the build's own sub-bed block, made again below
  for (int i = 0; i <= xnumber; ++i)
    for (int j = 0; j <= ynumber; ++j) Surfaces[7][i][j] = 3.0;
  const int hostLast = block[1].lastCell;
  ASSERT_EQ(UnstrucThixo4(1), 0);
  ASSERT_EQ(NoBlocks, 2);
  EXPECT_EQ(block[2].subBed, 1);
  EXPECT_EQ(block[2].j1, 24);
  EXPECT_EQ(NoCells - hostLast, 200);
  int expected = hostLast;
  for (int j = 24; j <= 43; ++j)
    for (int i = 2; i <= 11; ++i) {
      ASSERT_EQ(static_cast<int>(zval[i][j][0]), ++expected);
      ASSERT_EQ(num[i][j][2], expected);
      ASSERT_EQ(cellsOf(i, j), 1);
    }
  // The first host row's lines have the non-erodible level above the bed.
  EXPECT_DOUBLE_EQ(zval[5][23][1], zval[5][1][1] - 0.1);
  EXPECT_DOUBLE_EQ(zval[5][30][1], zval[5][8][1] - 2.0);
  EXPECT_EQ(Surfaces[7][5][30], 3.0);
  const int c = static_cast<int>(zval[5][30][0]);
  EXPECT_DOUBLE_EQ(Pz[Cpoint1[c]], zval[4][29][1]);
  EXPECT_DOUBLE_EQ(Pz[Cpoint7[c]], zval[5][8][1]);
  EXPECT_EQ(Ccelle[c], static_cast<int>(zval[6][30][0]));
  EXPECT_EQ(Ccelln[c], static_cast<int>(zval[5][31][0]));
  expectClosedCells(hostLast + 1, NoCells);
}

// The two-stack variant after a slide has set every sub-bed bed cell's slide
// level to -0.5 m: the boundary S5 = -0.5 on every line, the non-erodible
// level 2 m below the bed. With znumber 11 (H = 5), MaxDepth 4 (ratio 0.25)
// and F 87 0.6, at the corner lines of column (5, 29), beds 0.7 .. 0.85:
// lower thickness 0.65 .. 0.8: (0.1625 .. 0.2)^0.6 x 4 + 2 = 3.34 .. 3.52,
// 3 levels, 2 cells at slots 4, 5; upper thickness 1.2 .. 1.35:
// (0.3 .. 0.3375)^0.6 x 5 = 2.43 .. 2.61, 2 + 2 = 4 levels, 3 cells at
// slots 9..11. The stacks are joined through a shared surface.
TEST(SubBedBlock, TwoStackVariantJoinsTheStacksAtTheBoundary) {
  InProjectDir dir;
  FlagThixo = 2;
  FlagThixoDamp = 0;
  const BlockGrid g = hostGrid();
  prepareHost(g);
  ASSERT_EQ(UnstructureBuild(), 1);
  BedMake();
  ASSERT_TRUE(Bthixolev);
  for (int b = 1; b <= NoBCells; ++b) Bthixolev[b] = -0.5;
  MaxDepth = 4.0;
  NestNoRatio = 1.0;
  GridDistCoeff = 0.6;
  MinVertDist0 = 0.01;
  MinVertDist1 = 0.05;
  ASSERT_EQ(znumber, 11);
  const int before = NoCells;
  ASSERT_EQ(UnstrucThixo(1), 0);
  ASSERT_EQ(NoBlocks, 2);
  EXPECT_EQ(block[2].firstCell, before + 1);  // after the current counts
  EXPECT_DOUBLE_EQ(Surfaces[5][5][29], -0.5);
  EXPECT_EQ(antmin[4][28], 3);
  EXPECT_EQ(antlin[5][29], 4);
  EXPECT_EQ(antmax[5][29], 2);
  EXPECT_EQ(ant[5][29], 3);
  EXPECT_EQ(cellsOf(5, 29), 5);
  const int first = static_cast<int>(zval[5][29][0]);
  EXPECT_EQ(num[5][29][4], first);
  EXPECT_EQ(num[5][29][5], first + 1);
  EXPECT_EQ(num[5][29][9], first + 2);
  EXPECT_EQ(num[5][29][11], first + 4);
  const int topLower = first + 1, lowestUpper = first + 2;
  EXPECT_EQ(Ccellt[topLower], lowestUpper);
  EXPECT_EQ(Ccellb[lowestUpper], topLower);
  EXPECT_EQ(Cflateb[lowestUpper], Cflatet[topLower]);
  EXPECT_EQ(Fcell2[Cflatet[topLower]], lowestUpper);
  // Corner 1 (line (4, 28), bed 0.7, non-erodible -1.3), to the 1e-10 of the
  // level counts: -1.3, halfway to -0.5, -0.5, two thirds of the way from the bed down, the bed.
  const double corner[5] = {-1.3, -0.9, -0.5, (2.0 * -0.5 + 0.7) / 3.0, 0.7};
  EXPECT_NEAR(Pz[Cpoint1[first]], corner[0], 1e-9);
  EXPECT_NEAR(Pz[Cpoint5[first]], corner[1], 1e-9);
  EXPECT_NEAR(Pz[Cpoint5[topLower]], corner[2], 1e-9);
  EXPECT_NEAR(Pz[Cpoint5[lowestUpper]], corner[3], 1e-9);
  EXPECT_NEAR(Pz[Cpoint5[first + 4]], corner[4], 1e-9);
  EXPECT_EQ(Ccelle[first], num[6][29][4]);
  expectClosedCells(before + 1, NoCells);
}
