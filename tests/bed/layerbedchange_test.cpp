// The layer-thickness bed change (F 255 4 and 5): corner levels from the
// layer stacks, and the cohesion of the active layer from the bed levels.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "bed/bed.h"
#include "sediment/morphology.h"
#include "sediment/sediment_fixture.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"
#include "support/in_dir.h"

namespace {

// A box of nx x ny 1 m columns with a multi-layer bed of three layers: the
// columns are (2..nx+1, 2..ny+1), the grid lines 1..nx+1 and 1..ny+1. Each
// column gets its own stack and every corner its own fixed bed; no regrid.
struct LayerBox {
  InProjectDir dir;
  explicit LayerBox(int nx = 3, int ny = 3, void (*options)() = nullptr) {
    if (options) options();
    FlagTSC = 3;
    NoBedLayers = 3;
    FlagBedchangeOption = 5;
    TimeStep = 1.0;
    SedimentBox box;
    box.nx = nx;
    box.ny = ny;
    box.sizes = 2;
    EXPECT_TRUE(box.build());
    BedRecIter = 0;
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) {
        Surfaces[3][i][j] = -1.0 + 0.01 * i - 0.003 * j * j;
        Surfaces[1][i][j] = 0.25;
      }
    for (int i = 2; i <= nx + 1; ++i)
      for (int j = 2; j <= ny + 1; ++j) {
        const int b = pointbed[i][j];
        BlayerTop[b] = 1 + (i + j) % 2;
        for (int k = 0; k <= BlayerTop[b]; ++k) BSedDistrib[k][0][b] = 0.2 + 0.01 * i + 0.001 * j * k;
      }
  }
  static double level(int i, int j) {
    const int b = pointbed[i][j];
    double t = 0.0;
    for (int k = 0; k <= BlayerTop[b]; ++k) t += BSedDistrib[k][0][b];
    return 0.25 * (Surfaces[3][i][j] + Surfaces[3][i - 1][j] + Surfaces[3][i][j - 1] + Surfaces[3][i - 1][j - 1]) +
           t;
  }
  // The mean level of the wet columns around corner (i, j); NaN for none.
  static double expected(int i, int j) {
    double s = 0.0;
    int n = 0;
    for (auto [I, J] : {std::pair{i, j}, {i + 1, j}, {i, j + 1}, {i + 1, j + 1}}) {
      if (I < 2 || J < 2 || I > xnumber || J > ynumber) continue;
      if (Bcellt[pointbed[I][J]] < 1) continue;
      s += level(I, J);
      ++n;
    }
    return n ? s / n : std::numeric_limits<double>::quiet_NaN();
  }
};

}  // namespace

// bedchange5: each corner becomes the mean over its wet columns of the mean
// fixed bed plus the stack thickness; a dry column is left out, and the
// accumulated change follows the corner.
TEST(LayerBedChange, Bedchange5SetsEachCornerToTheMeanOfItsWetColumns) {
  LayerBox box;
  Bcellt[pointbed[4][4]] = 0;  // a dry column in a grid corner of the block
  double before[6][6], S1[6][6];
  for (int i = 1; i <= 4; ++i)
    for (int j = 1; j <= 4; ++j) before[i][j] = zval[i][j][1], S1[i][j] = Surfaces[1][i][j];
  Bbedchange[1][5] = 0.3;
  bedchange5();
  for (int i = 1; i <= 4; ++i)
    for (int j = 1; j <= 4; ++j) {
      SCOPED_TRACE(std::to_string(i) + " " + std::to_string(j));
      const double e = LayerBox::expected(i, j);
      if (std::isnan(e)) {
        EXPECT_EQ(zval[i][j][1], before[i][j]);
        continue;
      }
      EXPECT_NEAR(zval[i][j][1], e, 1e-14);
      EXPECT_NEAR(Surfaces[1][i][j] - S1[i][j], zval[i][j][1] - before[i][j], 1e-14);
    }
  // The corner of the dry column alone keeps its level.
  EXPECT_EQ(zval[4][4][1], before[4][4]);
  EXPECT_EQ(Bbedchange[1][5], 0.0);
  EXPECT_NEAR(Bedlev[pointbed[3][3]], LayerBox::level(3, 3), 1e-15);
}

// bedchange4 in the first step moves the corners without touching the
// accumulated change; later steps add every corner change to it.
TEST(LayerBedChange, Bedchange4AddsToTheAccumulatedChangeOnlyAfterTheFirstStep) {
  for (int later : {0, 1}) {
    SCOPED_TRACE(later);
    LayerBox box;
    for (int b = 1; b <= NoBCells; ++b) Bedmove[b] = 0.01;
    double before[6][6];
    for (int i = 1; i <= 4; ++i)
      for (int j = 1; j <= 4; ++j) before[i][j] = zval[i][j][1];
    bedchange4(later);
    for (int i = 1; i <= 4; ++i)
      for (int j = 1; j <= 4; ++j)
        EXPECT_NEAR(Surfaces[1][i][j], 0.25 + later * (zval[i][j][1] - before[i][j]), 1e-14) << i << " " << j;
  }
}

// The coarse corner under a nested bed cell takes the nested corner's level
// once, in the tail after its smoothing, and its accumulated change
// only after the first step: bed cell (4, 4) stands nested over (2, 2).
TEST(LayerBedChange, TheNestedCopyTakesTheChangeOnlyAfterTheFirstStep) {
  for (int later : {0, 1}) {
    SCOPED_TRACE(later);
    LayerBox box;
    NoNestflater = 2;
    if (!Bnestcoarse) allocate1(Bnestcoarse, static_cast<size_t>(bedCellCapacity()));
    for (int b = 0; b < bedCellCapacity(); ++b) Bnestcoarse[b] = 0;
    const int fine = pointbed[4][4], coarse = pointbed[2][2];
    Bnestcoarse[fine] = coarse;
    const int I = Bkooi[coarse], J = Bkooj[coarse], i = Bkooi[fine], j = Bkooj[fine];
    ASSERT_FALSE(I == i && J == j);
    Surfaces[1][i][j] = 0.75;
    const double coarseChange = Surfaces[1][I][J];
    for (int b = 1; b <= NoBCells; ++b) Bedmove[b] = 0.01;
    bedchange4(later);
    EXPECT_EQ(zval[I][J][1], zval[i][j][1]);
    if (later)
      EXPECT_EQ(Surfaces[1][I][J], Surfaces[1][i][j]);
    else
      EXPECT_EQ(Surfaces[1][I][J], coarseChange) << "the first step leaves the accumulated change";
  }
}

// A block wider than one column: the grid lines j1-1 and j2 move by
// Bedmove of the columns next to them (the mean of two, one at the east
// end and at the west corner), the inner lines take the stack levels.
TEST(LayerBedChange, Bedchange4MovesTheOuterLinesByBedmove) {
  LayerBox box;
  auto move = [](int i, int j) { return 0.001 * i + 0.0001 * j; };
  for (int i = 2; i <= 4; ++i)
    for (int j = 2; j <= 4; ++j) Bedmove[pointbed[i][j]] = move(i, j);
  double before[6][6];
  for (int i = 1; i <= 4; ++i)
    for (int j = 1; j <= 4; ++j) before[i][j] = zval[i][j][1];
  bedchange4(1);
  for (auto [line, jc] : {std::pair{1, 2}, {4, 4}}) {
    EXPECT_NEAR(zval[1][line][1] - before[1][line], move(2, jc), 1e-15);
    EXPECT_NEAR(zval[2][line][1] - before[2][line], 0.5 * (move(2, jc) + move(3, jc)), 1e-15);
    EXPECT_NEAR(zval[3][line][1] - before[3][line], 0.5 * (move(3, jc) + move(4, jc)), 1e-15);
    EXPECT_NEAR(zval[4][line][1] - before[4][line], move(4, jc), 1e-15);
  }
  for (int i = 1; i <= 4; ++i)
    for (int j = 2; j <= 3; ++j) EXPECT_NEAR(zval[i][j][1], LayerBox::expected(i, j), 1e-14) << i << " " << j;
}

// F 144 5 filters Bedmove before bedchange4 turns it into corner levels: the
// outer lines move by the filtered change, not by the raw one.
TEST(LayerBedChange, Bedchange4FiltersTheColumnChangesFirstUnderF144Five) {
  auto options = [] {
    FlagBedSmooth = 5;
    ParamBedSmooth = 0.8;
  };
  auto spike = [] {
    for (int b = 1; b <= NoBCells; ++b) Bedmove[b] = 0.01;
    Bedmove[pointbed[3][2]] = 0.04;
  };
  double filtered[6];
  {
    LayerBox box(3, 3, options);
    spike();
    bedsmooth();
    for (int i = 2; i <= 4; ++i) filtered[i] = Bedmove[pointbed[i][2]];
  }
  ASSERT_GT(filtered[2], 0.011);  // the filter spreads the spike to its neighbours
  LayerBox box(3, 3, options);
  spike();
  double before[6];
  for (int i = 1; i <= 4; ++i) before[i] = zval[i][1][1];
  bedchange4(1);
  EXPECT_NEAR(zval[1][1][1] - before[1], filtered[2], 1e-15);
  EXPECT_NEAR(zval[2][1][1] - before[2], 0.5 * (filtered[2] + filtered[3]), 1e-15);
  EXPECT_NEAR(zval[4][1][1] - before[4], filtered[4], 1e-15);
}

// A block one column wide in j takes every corner from the stacks.
TEST(LayerBedChange, Bedchange4OnOneRowTakesAllCornersFromTheStacks) {
  LayerBox box(3, 1);
  for (int b = 1; b <= NoBCells; ++b) Bedmove[b] = 0.5;
  bedchange4(1);
  for (int i = 1; i <= 4; ++i)
    for (int j = 1; j <= 2; ++j) EXPECT_NEAR(zval[i][j][1], LayerBox::expected(i, j), 1e-14) << i << " " << j;
}

// A layer thickness that is not a number ends the run with status -4 and
// the three lines.
TEST(LayerBedChange, ANanThicknessEndsTheRun) {
  LayerBox box;
  const int b = pointbed[3][2];
  BSedDistrib[0][0][b] = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EXIT(bedchange5(), ::testing::ExitedWithCode(256 - 4), "");
  const std::string log = box.dir.dir().boogie();
  EXPECT_NE(log.find("Error in bedchange5: NAN5: nan\nIter = 0, b=" + std::to_string(b) +
                     ", i,j = (3,2)\nBSedDistrib[0][b] = nan "),
            std::string::npos)
      << log;
  EXPECT_EXIT(bedchange4(1), ::testing::ExitedWithCode(256 - 4), "");
  const std::string log4 = box.dir.dir().boogie();
  EXPECT_NE(log4.find("Error in bedchange4: NAN2: nan\nIter = 0, b=" + std::to_string(b) + ", i,j = (2,2)\n"),
            std::string::npos)
      << log4;
}

// The cohesion of the active layer: a table of one row gives its value in
// every wet column of block 1; mode 5 gives half the initial cohesion for a
// deposit of half MinVertDist0 above the lowest level reached.
TEST(Cohesion, OneTableRowAndModeFive) {
  {
    LayerBox box(3, 3, [] {
      NoCohesiveDepth = 1;
      cohesiveDepth[0] = 0.1;
      cohesiveArr[0] = 7.0;
    });
    for (int i = 1; i <= 4; ++i)
      for (int j = 1; j <= 4; ++j) Surfaces[0][i][j] = zval[i][j][1] + 0.3 * (i % 2);
    computeCohesion();
    for (int i = 2; i <= 4; ++i)
      for (int j = 2; j <= 4; ++j) EXPECT_EQ(Bcohesion[BlayerTop[pointbed[i][j]]][pointbed[i][j]], 7.0);
  }
  LayerBox box(3, 3, [] {
    FlagCohesion = 5;
    InitValueCohesion = 4.0;
  });
  MinVertDist0 = 0.2;
  ASSERT_NE(BcohesionLevel, nullptr);
  const int b = pointbed[3][3];
  const double L = 0.25 * (zval[3][3][1] + zval[2][3][1] + zval[3][2][1] + zval[2][2][1]);
  BcohesionLevel[b] = L - 0.1;
  computeCohesion();
  EXPECT_NEAR(Bcohesion[BlayerTop[b]][b], 2.0, 1e-12);
  // Below the lowest level reached: the level follows, full cohesion.
  BcohesionLevel[b] = L + 1.0;
  computeCohesion();
  EXPECT_EQ(BcohesionLevel[b], L);
  EXPECT_EQ(Bcohesion[BlayerTop[b]][b], 4.0);
}
