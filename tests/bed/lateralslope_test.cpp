// Lateral bed-slope transport (F 78 101..199): sediment moves between
// neighbouring columns along j from the higher to the lower one, in
// proportion to the slope, with the same volume on both sides whatever the
// column areas.
#include <gtest/gtest.h>

#include <cmath>

#include "bed/bed.h"
#include "bed/stackbox.h"
#include "sediment/morphology.h"

namespace {

// One row of columns along j (1 x ny) whose corner levels rise northwards by
// `rise` per column; Bedmove set per column.
void rampAlongJ(const StackBox& box, double rise) {
  for (int i = 1; i <= box.nx + 1; ++i)
    for (int j = 1; j <= box.ny + 1; ++j) zval[i][j][1] = rise * j;
}

// The bottom cells get the shear that makes theta = 1 (divisor sqrt(0.46)).
void thetaOne() {
  for (int b = 1; b <= NoBCells; ++b) {
    Bd50[b] = 0.002;
    Ckinen[Bcellt[b]] = 9810.0 * Bd50[b] / 300.0;
  }
}

}  // namespace

// Two layers: the giver's active layer loses Bedmove x |S| x P / sqrt(0.4
// theta^2 + 0.06), the receiver gains that volume over its own area, and
// every size keeps its volume, also when the receiver's active layer
// overflows into its inactive layer.
TEST(LateralSlope, TwoLayerMethod101MovesTheHandAmountAndKeepsEverySize) {
  StackBox box(2, 2, 2, 2);
  BedLoadVectorFlag = 101;
  TopThickness = 0.05;
  rampAlongJ(box, 0.1);  // S = 0.1 (centres 1 m apart)
  thetaOne();
  const int a = StackBox::bed(2, 2), b = StackBox::bed(2, 3);
  box.setStack(2, 2, {1.0, 0.049});
  box.setStack(2, 3, {1.0, 0.05});
  Bedmove[a] = 0.0;
  Bedmove[b] = 0.02;
  const auto before = box.allGrains();
  const double m = 0.02 * 0.1 * 0.6 / std::sqrt(0.46);
  computeExplicitF78();
  EXPECT_NEAR(Bedmove[b], 0.02 - m, 1e-15);
  EXPECT_NEAR(Bedmove[a] * Barea[a], m * Barea[b], 1e-15);
  // The receiver's active layer is full at 0.05 m; the rest went below.
  EXPECT_NEAR(BSedDistrib[1][0][a], 0.05, 1e-15);
  EXPECT_NEAR(BSedDistrib[0][0][a], 1.0 + m * Barea[b] / Barea[a] - 0.001, 1e-14);
  StackBox::expectSameGrains(before, box.allGrains(), "two layers, 101");
}

// The cap of each two-layer method on what the giving active layer gives in
// one pair treatment (103 treats the pair forwards and backwards).
TEST(LateralSlope, TwoLayerCapsOfTheActiveLayer) {
  struct Row {
    int method;
    double share;  // of the active thickness, over the call
  } rows[] = {{101, 0.5}, {102, 0.999}, {103, 0.4}, {104, 0.5}};
  for (const Row& r : rows) {
    StackBox box(2, 2, 2, 2);
    BedLoadVectorFlag = r.method;
    TopThickness = 0.05;
    rampAlongJ(box, 1.0);
    const int a = StackBox::bed(2, 2), b = StackBox::bed(2, 3);
    box.setStack(2, 2, {2.0, 0.04});
    box.setStack(2, 3, {2.0, 0.04});
    Bedmove[a] = 0.0;
    Bedmove[b] = 100.0;  // far beyond every cap
    for (int c = 1; c <= NoCells; ++c) {
      Cxvel[c] = 100.0;
      for (int n = 1; n <= box.sizes; ++n) Cconc[n][c] = 0.3;
    }
    const auto before = box.allGrains();
    computeExplicitF78();
    // The inactive layer refills the active one: its thickness stays.
    EXPECT_NEAR(100.0 - Bedmove[b], r.share * 0.04, 1e-12) << r.method;
    EXPECT_NEAR(BSedDistrib[1][0][b], 0.04, 1e-15) << r.method;
    StackBox::expectSameGrains(before, box.allGrains(), "two-layer cap");
  }
}

// Nothing moves on a flat pair, without deposition in the higher column
// (101), or with more than two layers for 102..199.
TEST(LateralSlope, NothingMovesWithoutSlopeDepositOrMethod) {
  struct Row {
    int layers, method;
    double rise, bedmove;
  } rows[] = {{2, 101, 0.0, 0.02}, {2, 101, 0.1, 0.0}, {2, 101, 0.1, -0.01}, {5, 101, 0.0, 0.02},
              {5, 101, 0.1, -0.02}, {5, 102, 0.1, 0.02}, {5, 150, 0.1, 0.02}, {2, 150, 0.1, 0.02}};
  for (const Row& r : rows) {
    StackBox box(2, 2, r.layers, r.layers == 2 ? 2 : 3);
    BedLoadVectorFlag = r.method;
    rampAlongJ(box, r.rise);
    const int b = StackBox::bed(2, 3);
    Bedmove[b] = r.bedmove;
    const double top = BSedDistrib[BlayerTop[b]][0][b];
    computeExplicitF78();
    EXPECT_EQ(Bedmove[b], r.bedmove) << r.layers << " " << r.method;
    EXPECT_EQ(BSedDistrib[BlayerTop[b]][0][b], top) << r.layers << " " << r.method;
  }
}

// Five layers: method 101 moves through the stacks; on unequal areas every
// size keeps its grain volume, the lower column gains, Bedmove stays.
TEST(LateralSlope, FiveLayersMoveThroughTheStacksKeepingEverySize) {
  StackBox box(2, 4, 5);
  BedLoadVectorFlag = 101;
  thetaOne();
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 5; ++j) zval[i][j][1] = 0.3 * j * j;
  for (int b = 1; b <= NoBCells; ++b) Bedmove[b] = 0.05;
  const double lowBefore = stackThickness(StackBox::bed(2, 2));
  const auto before = box.allGrains();
  computeExplicitF78();
  StackBox::expectSameGrains(before, box.allGrains(), "five layers, 101");
  EXPECT_GT(stackThickness(StackBox::bed(2, 2)), lowBefore + 1e-3);
  for (int b = 1; b <= NoBCells; ++b) EXPECT_EQ(Bedmove[b], 0.05);
}
