// The depth-averaged block appended by the grid generator (F 68 1, F 311).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "grid/generate.h"
#include "grid/grid_builder.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"

namespace {

// 10 x 5 columns; the grid lines from x = 6 m on lie dry (bed above water),
// which leaves 6 x 5 columns with cells.
BlockGrid partlyDry() {
  BlockGrid g;
  g.nx = 10;
  g.ny = 5;
  g.bed = [](int i, int) { return i >= 7 ? 2.0 : 0.0; };
  g.water = [](int, int) { return 1.0; };
  return g;
}

struct Column {
  int i, j;
};

// The wet columns of block 1, j outer and i inner.
std::vector<Column> wetColumns() {
  std::vector<Column> w;
  for (int j = block[1].j1; j <= block[1].j2; ++j)
    for (int i = block[1].i1; i <= block[1].i2; ++i)
      if (static_cast<int>(zval[i][j][0]) > 0) w.push_back({i, j});
  return w;
}

int topCell(int c) {
  while (Ccellt[c] != 0) c = Ccellt[c];
  return c;
}

}  // namespace

// F 68 1 on 10 x 5 columns of which 30 are wet: 30 depth-averaged cells
// numbered after the three-dimensional cells, j outer and i inner, each marked
// in CflagDim, reaching from the bed corners of the column's lowest cell to
// the surface corners of its top cell, with the side neighbours of the
// columns; block 2 of kind 1 holds them. A second build renews the block in
// place.
TEST(HydroStaticMake, OneCellPerWetColumnAfterTheThreeDimensionalGrid) {
  InProjectDir dir;
  Hydrostatic = 1;
  const BlockGrid g = partlyDry();
  g.prepare();
  for (int build = 1; build <= 2; ++build) {
    SCOPED_TRACE(build);
    ASSERT_EQ(UnstructureBuild(), 1);
    const std::vector<Column> wet = wetColumns();
    ASSERT_EQ(wet.size(), 30u);
    ASSERT_EQ(NoBlocks, 2);
    const BlockRecord& b = block[2];
    EXPECT_EQ(b.kind, 1);
    EXPECT_EQ(b.nestLevel, 0);
    EXPECT_EQ(b.firstCell, NoCells0 + 1);
    EXPECT_EQ(b.lastCell, NoCells);
    EXPECT_EQ(NoCells - NoCells0, 30);
    EXPECT_EQ(b.lastSurface, NoSurfaces);
    EXPECT_EQ(WCStart, b.firstCell);
    EXPECT_EQ(WCEnd, NoCells);
    for (int c = 1; c <= NoCells0; ++c) ASSERT_EQ(CflagDim[c], 0) << c;
    for (std::size_t k = 0; k < wet.size(); ++k) {
      const int i = wet[k].i, j = wet[k].j;
      const int c = NoCells0 + 1 + static_cast<int>(k);
      ASSERT_EQ(num[i][j][1], c) << i << " " << j;
      EXPECT_EQ(CflagDim[c], 1);
      EXPECT_EQ(Ccellt[c], 0);
      EXPECT_EQ(Ccellb[c], 0);
      const int low = static_cast<int>(zval[i][j][0]), top = topCell(low);
      EXPECT_EQ(Pz[Cpoint1[c]], Pz[Cpoint1[low]]);
      EXPECT_EQ(Pz[Cpoint3[c]], Pz[Cpoint3[low]]);
      EXPECT_EQ(Pz[Cpoint5[c]], Pz[Cpoint5[top]]);
      EXPECT_EQ(Pz[Cpoint7[c]], Pz[Cpoint7[top]]);
      EXPECT_EQ(Px[Cpoint5[c]], Px[Cpoint1[c]]);
      // Side neighbours are the depth-averaged cells of the wet neighbour
      // columns, 0 towards a dry column or the block edge.
      EXPECT_EQ(Ccellw[c], num[i - 1][j][1]);
      EXPECT_EQ(Ccelle[c], num[i + 1][j][1]);
      EXPECT_EQ(Ccells[c], num[i][j - 1][1]);
      EXPECT_EQ(Ccelln[c], num[i][j + 1][1]);
      if (Ccellw[c]) {
        EXPECT_EQ(Cflatew[c], Cflatee[Ccellw[c]]);
      }
      if (Ccells[c]) {
        EXPECT_EQ(Cflates[c], Cflaten[Ccells[c]]);
      }
    }
    // The dry columns have no cell.
    for (int i = block[1].i1; i <= block[1].i2; ++i)
      for (int j = block[1].j1; j <= block[1].j2; ++j)
        if (static_cast<int>(zval[i][j][0]) <= 0) {
          EXPECT_EQ(num[i][j][1], 0);
        }
  }
}

// F 311: every column of block 1 has a cell, the dry ones too, with its
// corners at the block-grid bed and water levels; slot 0 of zval names it.
TEST(HydroStaticMake, ShallowWaterBlockCoversEveryColumnOfBlock1) {
  InProjectDir dir;
  FlagShallowWater = 1;
  const BlockGrid g = partlyDry();
  g.prepare();
  ASSERT_EQ(UnstructureBuild(), 1);
  ASSERT_EQ(NoBlocks, 2);
  const BlockRecord& b = block[2];
  EXPECT_EQ(b.kind, 1);
  EXPECT_EQ(b.lastCell - b.firstCell + 1, 50);
  EXPECT_EQ(b.i1, block[1].i1);
  EXPECT_EQ(b.j2, block[1].j2);
  int c = b.firstCell;
  for (int j = block[1].j1; j <= block[1].j2; ++j)
    for (int i = block[1].i1; i <= block[1].i2; ++i, ++c) {
      ASSERT_EQ(static_cast<int>(zval[i][j][0]), c);
      EXPECT_EQ(num[i][j][1], c);
      EXPECT_EQ(CflagDim[c], 1);
      EXPECT_EQ(Pz[Cpoint1[c]], zval[i - 1][j - 1][1]);
      EXPECT_EQ(Pz[Cpoint7[c]], zval[i][j][znumber]);
      EXPECT_EQ(Px[Cpoint3[c]], xval[i][j]);
    }
}

// Without F 68 1 or F 311 a block of kind 1 left from an earlier build is
// dropped.
TEST(HydroStaticMake, ABlockOfAnEarlierBuildIsDroppedWithoutTheOption) {
  InProjectDir dir;
  Hydrostatic = 1;
  const BlockGrid g = partlyDry();
  g.prepare();
  ASSERT_EQ(UnstructureBuild(), 1);
  ASSERT_EQ(NoBlocks, 2);
  Hydrostatic = 0;
  ASSERT_EQ(UnstructureBuild(), 1);
  EXPECT_EQ(NoBlocks, 1);
  EXPECT_EQ(NoCells, NoCells0);
}

// F 65 sizes that hold the three-dimensional grid but not the block: the
// build fails with the F 65 message before any array is passed, and the
// block record is not counted.
TEST(HydroStaticMake, TooSmallSizesFailBeforeTheArraysArePassed) {
  int cells3d = 0;
  {
    InProjectDir probe;
    partlyDry().prepare();
    ASSERT_EQ(UnstructureBuild(), 1);
    cells3d = NoCells0;
  }
  InProjectDir dir;
  Hydrostatic = 1;
  BlockGrid g = partlyDry();
  g.cells = cells3d + 12;  // room for a few depth-averaged cells only
  g.prepare();
  EXPECT_LT(UnstructureBuild(), 0);
  EXPECT_LT(NoCells, MaxCeller - 1);
  EXPECT_EQ(NoBlocks, 1);
  const std::string message =
      "Error: Unstructured arrays are too small. Increase with the F 65 data set.\n \t\t\t\tNoPoints, NoSurfaces, NoCells = ";
  EXPECT_NE(dir.dir().boogie().find(message), std::string::npos) << dir.dir().boogie();
}
