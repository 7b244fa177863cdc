// The slide methods 200..207 of F 56 / F 270: tilting steep columns back
// to the angle of repose, moving layer sediment to the lower neighbour, and
// moving the pending bed change.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "bed/bed.h"
#include "bed/stackbox.h"

namespace {

struct Plane {
  double angle, mean;
};

// The slope angle of column (i, j) by its diagonals, and its mean level.
Plane planeOf(int i, int j) {
  const int ci[4] = {i - 1, i, i, i - 1}, cj[4] = {j - 1, j - 1, j, j};
  double x[4], y[4], z[4];
  for (int k = 0; k < 4; ++k) x[k] = xval[ci[k]][cj[k]], y[k] = yval[ci[k]][cj[k]], z[k] = zval[ci[k]][cj[k]][1];
  const double d1[3] = {x[2] - x[0], y[2] - y[0], z[2] - z[0]}, d2[3] = {x[1] - x[3], y[1] - y[3], z[1] - z[3]};
  const double n[3] = {d2[1] * d1[2] - d2[2] * d1[1], d2[2] * d1[0] - d2[0] * d1[2], d2[0] * d1[1] - d2[1] * d1[0]};
  const double N = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  return {std::acos(n[2] / N), 0.25 * (z[0] + z[1] + z[2] + z[3])};
}

// One column (2, 2) whose corners rise eastwards by `slope` per metre and
// northwards by a tenth of it; the fixed bed `cover` below the lowest corner.
struct OneColumn {
  StackBox box;
  OneColumn(double slope, double cover) : box(1, 1, 2, 2, 1, false) {
    for (int i = 1; i <= 2; ++i)
      for (int j = 1; j <= 2; ++j) {
        zval[i][j][1] = slope * (i - 1) + 0.1 * slope * (j - 1);
        Surfaces[3][i][j] = -cover;
        Surfaces[1][i][j] = 0.0;
      }
  }
};

}  // namespace

// Method 200 turns a column steeper than phi to phi about its centre: the
// mean level stays, the accumulated change records the moves; a flatter
// column stays as it is.
TEST(SlideMethods, TiltTurnsASteepColumnToTheAngleOfRepose) {
  for (double slope : {1.5, 0.5}) {
    OneColumn c(slope, 50.0);
    IterAvalanche = 200;
    AngleAvalanche = 0.6;
    const Plane before = planeOf(2, 2);
    computeSandSlide();
    const Plane after = planeOf(2, 2);
    EXPECT_NEAR(after.mean, before.mean, 1e-12) << slope;
    if (before.angle > std::atan(0.6)) {
      EXPECT_NEAR(after.angle, std::atan(0.6), 1e-9) << slope;
    } else {
      EXPECT_EQ(after.angle, before.angle) << slope;
    }
    double change = 0.0;
    for (int i = 1; i <= 2; ++i)
      for (int j = 1; j <= 2; ++j) change += Surfaces[1][i][j];
    EXPECT_NEAR(change, 0.0, 1e-12);
  }
}

// A corner that the tilt would take below the fixed bed stays on it; the
// others carry the lowering that keeps the mean level, none below its
// fixed bed.
TEST(SlideMethods, TiltKeepsTheMeanWithoutDiggingIntoTheFixedBed) {
  OneColumn c(1.0, 1.0);
  // A twisted column: the plane at phi would take corner (1, 2) 0.41 m below
  // its fixed bed.
  const double z[4] = {-0.2, 1.8, -0.75, 1.5}, fixed[4] = {-2.6, 0.1, -3.0, 0.9};
  const int ci[4] = {1, 2, 2, 1}, cj[4] = {1, 1, 2, 2};
  for (int k = 0; k < 4; ++k) zval[ci[k]][cj[k]][1] = z[k], Surfaces[3][ci[k]][cj[k]] = fixed[k];
  IterAvalanche = 200;
  AngleAvalanche = 0.3;
  const Plane before = planeOf(2, 2);
  computeSandSlide();
  EXPECT_NEAR(planeOf(2, 2).mean, before.mean, 1e-12);
  EXPECT_EQ(zval[1][2][1], 0.9);
  for (int k = 0; k < 4; ++k) {
    EXPECT_GE(zval[ci[k]][cj[k]][1], fixed[k]) << k;
    EXPECT_NEAR(Surfaces[1][ci[k]][cj[k]], zval[ci[k]][cj[k]][1] - z[k], 1e-15) << k;
  }
  EXPECT_LT(planeOf(2, 2).angle, before.angle);
}

// 201: without velocity the critical slope is the mean of the two of F 270;
// 207 reaches phi through the sine rule in its two passes.
TEST(SlideMethods, BlendedAndTwoPassTilts) {
  {
    OneColumn c(1.5, 50.0);
    IterAvalanche = 201;
    for (int n = 1; n <= NoCells; ++n) Cxvel[n] = Cyvel[n] = 0.0;
    AngleAvalanche = 0.8;
    AngleAvalancheUp = 0.4;
    computeSandSlide();
    EXPECT_NEAR(planeOf(2, 2).angle, std::atan(0.6), 1e-9);
  }
  {
    OneColumn c(1.5, 50.0);
    IterAvalanche = 207;
    AngleAvalanche = 0.6;
    const Plane before = planeOf(2, 2);
    computeSandSlide();
    EXPECT_NEAR(planeOf(2, 2).angle, std::atan(0.6), 1e-9);
    EXPECT_NEAR(planeOf(2, 2).mean, before.mean, 1e-12);
  }
}

// 202, 203 and 204 on unequal column areas: every size keeps its grain
// volume and the step between the columns shrinks.
TEST(SlideMethods, LayerMovesKeepEverySizeOnUnequalAreas) {
  for (int method : {202, 203, 204}) {
    StackBox box(4, method == 202 ? 3 : 1, 5);
    IterAvalanche = method;
    AngleAvalanche = 0.1;
    for (int j = 2; j <= (method == 202 ? 4 : 2); ++j) {
      box.setStack(2, j, {1.0, 0.5, 0.3, 0.2});
      box.setStack(3, j, {0.6, 0.1});
    }
    if (method == 202) box.setStack(4, 4, {1.5, 0.6, 0.2});
    const double step = columnStackLevel(2, 2) - columnStackLevel(3, 2);
    const auto before = box.allGrains();
    computeSandSlide();
    StackBox::expectSameGrains(before, box.allGrains(), "layer slide");
    EXPECT_LT(columnStackLevel(2, 2) - columnStackLevel(3, 2), step - 0.1) << method;
  }
}

// 203 onto a full stack: the receiver merges two layers first and holds
// NoBedLayers layers again with the moved layer and its solid fraction on
// top; a column never gives its layer 0.
TEST(SlideMethods, TopLayerMoveOntoAFullStackKeepsLayerZero) {
  StackBox box(2, 1, 3, 3, 2, false);
  IterAvalanche = 203;
  AngleAvalanche = 0.01;
  box.setStack(2, 2, {2.0, 0.3});
  box.setStack(3, 2, {0.2, 0.1, 0.05});
  const int p = StackBox::bed(2, 2), q = StackBox::bed(3, 2);
  Bsolidfraction[1][p] = 0.45;
  const double f1 = BSedDistrib[1][1][p];
  computeSandSlide();
  EXPECT_EQ(BlayerTop[q], 2);
  EXPECT_DOUBLE_EQ(BSedDistrib[2][0][q], 0.3);
  EXPECT_EQ(BSedDistrib[2][1][q], f1);
  EXPECT_EQ(Bsolidfraction[2][q], 0.45);
  EXPECT_EQ(BlayerTop[p], 0);
  // The source now holds its layer 0 alone: a further call leaves it.
  box.setStack(3, 2, {0.1});
  computeSandSlide();
  EXPECT_EQ(BlayerTop[p], 0);
  EXPECT_EQ(BSedDistrib[0][0][p], 2.0);
}

// 205 and 206 keep the sum of Bedmove of each pair; 206 moves the whole
// pending deposit of the higher column and never an erosion.
TEST(SlideMethods, PendingChangeMovesKeepThePairSums) {
  for (int method : {205, 206}) {
    for (double pending : {0.02, -0.02}) {
      StackBox box(3, 1, 5, 3, 2, false);
      IterAvalanche = method;
      AngleAvalanche = 0.1;
      for (int i = 1; i <= 4; ++i)
        for (int j = 1; j <= 2; ++j) zval[i][j][1] = i == 1 ? 1.0 : 0.0;  // 206: column 2 the highest
      box.setStack(2, 2, {1.0, 0.8});  // 205: column 2 the highest
      const int a = StackBox::bed(2, 2), b = StackBox::bed(3, 2), c = StackBox::bed(4, 2);
      Bedmove[a] = pending, Bedmove[b] = 0.001, Bedmove[c] = 0.0;
      Bbedchange[1][a] = 0.5 * pending, Bbedchange[2][a] = 0.5 * pending;
      const double sum = Bedmove[a] + Bedmove[b] + Bedmove[c];
      computeSandSlide();
      EXPECT_NEAR(Bedmove[a] + Bedmove[b] + Bedmove[c], sum, 1e-15) << method;
      if (method == 206 && pending < 0.0) {
        EXPECT_EQ(Bedmove[a], pending);
      } else if (method == 206) {
        EXPECT_EQ(Bedmove[a], 0.0);
        EXPECT_NEAR(Bedmove[b], 0.021, 1e-15);
        EXPECT_NEAR(Bbedchange[1][b], 0.01, 1e-15);
      } else {
        EXPECT_LT(Bedmove[a], pending - 0.03);
      }
    }
  }
}
