// The classic sand slides (F 56 sweep counts): corner pairs steeper than the
// angle of repose are cut back, with one size by the corner levels alone and
// with several sizes through the two bed layers.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "bed/bed.h"
#include "bed/sandslide.h"
#include "sediment/sediment_fixture.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"
#include "support/in_dir.h"

namespace {

// A flat box of nx x ny 1 m columns (columns 2..nx+1, 2..ny+1; grid lines
// 1..nx+1, 1..ny+1) whose corner bed levels are then set to a ramp rising
// towards the east with the given slope; the fixed bed lies `fixed` below.
struct Ramp {
  InProjectDir dir;
  int nx, ny;
  Ramp(int nx_, int ny_, int sizes, int tsc, double slope, double fixed) : nx(nx_), ny(ny_) {
    FlagTSC = tsc;
    NoBedLayers = 2;
    TimeStep = 1.0;
    SedimentBox box;
    box.nx = nx;
    box.ny = ny;
    box.sizes = sizes;
    EXPECT_TRUE(box.build());
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) {
        zval[i][j][1] = slope * i;
        Surfaces[3][i][j] = zval[i][j][1] - fixed;
        Surfaces[1][i][j] = 0.0;
      }
  }
  // Plan area of grid corner (i, j): the columns of the box around it.
  double cornerArea(int i, int j) const {
    double A = 0.0;
    for (int I = i; I <= i + 1; ++I)
      for (int J = j; J <= j + 1; ++J)
        if (I >= 2 && J >= 2 && I <= nx + 1 && J <= ny + 1) A += armap[I][J];
    return A;
  }
  // The largest level difference of neighbouring corners along i and j.
  double steepest() const {
    double d = 0.0;
    for (int i = 1; i <= nx + 1; ++i)
      for (int j = 1; j <= ny + 1; ++j) {
        if (i > 1) d = std::max(d, std::fabs(zval[i][j][1] - zval[i - 1][j][1]));
        if (j > 1) d = std::max(d, std::fabs(zval[i][j][1] - zval[i][j - 1][1]));
      }
    return d;
  }
};

double sizeVolume(int n) {
  double v = 0.0;
  for (int b = 1; b <= NoBCells; ++b)
    v += Barea[b] * (BSedDistrib[0][0][b] * BSedDistrib[0][n][b] + BSedDistrib[1][0][b] * BSedDistrib[1][n][b]);
  return v;
}

}  // namespace

// One size: a ramp at twice the critical slope relaxes under 250 sweeps to
// the angle of repose within half a degree, never below the fixed bed, with
// the volume (change x corner area) held and every change in Surfaces[1].
TEST(SandSlide, OneSizeRampRelaxesToTheAngleOfRepose) {
  const double A = 0.5;
  Ramp r(8, 2, 1, 3, 2.0 * A, 10.0);
  IterAvalanche = 250;
  AngleAvalanche = A;
  double before[12][6];
  for (int i = 1; i <= 9; ++i)
    for (int j = 1; j <= 3; ++j) before[i][j] = zval[i][j][1];
  computeSandSlide();
  const double repose = std::atan(A) * 180.0 / M_PI;
  EXPECT_LT(std::atan(r.steepest()) * 180.0 / M_PI, repose + 0.5);
  EXPECT_GT(std::atan(r.steepest()) * 180.0 / M_PI, repose - 0.5);
  double volume = 0.0, scale = 0.0;
  for (int i = 1; i <= 9; ++i)
    for (int j = 1; j <= 3; ++j) {
      const double d = zval[i][j][1] - before[i][j];
      volume += d * r.cornerArea(i, j);
      scale += std::fabs(d) * r.cornerArea(i, j);
      EXPECT_GE(zval[i][j][1], Surfaces[3][i][j]);
      EXPECT_NEAR(Surfaces[1][i][j], d, 1e-12);
    }
  EXPECT_GT(scale, 1.0);
  EXPECT_NEAR(volume, 0.0, 1e-9);
}

// The fixed bed stops the higher corner: with the non-erodible level 0.2
// under the bed no corner goes below it, the lower corners rise by the same
// volume, and the slope is left steeper where the fixed bed holds it.
TEST(SandSlide, OneSizeStopsAtTheFixedBed) {
  const double A = 0.5;
  Ramp r(8, 2, 1, 3, 2.0 * A, 0.2);
  IterAvalanche = 250;
  AngleAvalanche = A;
  double before[12][6];
  for (int i = 1; i <= 9; ++i)
    for (int j = 1; j <= 3; ++j) before[i][j] = zval[i][j][1];
  computeSandSlide();
  double volume = 0.0, lowest = 1.0;
  for (int i = 1; i <= 9; ++i)
    for (int j = 1; j <= 3; ++j) {
      volume += (zval[i][j][1] - before[i][j]) * r.cornerArea(i, j);
      lowest = std::min(lowest, zval[i][j][1] - Surfaces[3][i][j]);
    }
  EXPECT_GE(lowest, 0.0);
  EXPECT_NEAR(lowest, 0.0, 1e-12);  // some corner stands on the fixed bed
  EXPECT_NEAR(volume, 0.0, 1e-9);
}

// A pair at exactly the critical difference is not touched; F 56 0 and the
// multi-layer bed with several sizes change nothing.
TEST(SandSlide, NothingMovesAtCritOrWithoutAClassicMethod) {
  {
    Ramp r(4, 1, 1, 3, 1.0, 10.0);  // crit = 2 x 0.5 x 1 = the step
    IterAvalanche = 5;
    AngleAvalanche = 1.0;
    const double z = zval[3][1][1];
    computeSandSlide();
    EXPECT_EQ(zval[3][1][1], z);
    IterAvalanche = 0;
    zval[3][1][1] = 10.0;
    computeSandSlide();
    EXPECT_EQ(zval[3][1][1], 10.0);
  }
  Ramp r(4, 1, 3, 3, 3.0, 10.0);
  IterAvalanche = 5;
  const double z = zval[3][1][1];
  computeSandSlide();
  EXPECT_EQ(zval[3][1][1], z);
}

// Three sizes on a two-layer bed: every pair ends at crit (the four pairs
// alike), each size's volume in the two layers is held, and the fractions of
// every layer stay within 0..1 with sum 1. The receiving top layers are
// filled to the active thickness.
TEST(SandSlide, SeveralSizesEndAtCritAndHoldEachSize) {
  const double A = 0.3;
  Ramp r(6, 3, 3, 2, 2.5 * A, 10.0);
  IterAvalanche = 400;
  AngleAvalanche = A;
  gsize[1] = 0.001;
  gsize[2] = 0.002;
  gsize[3] = 0.004;
  TopThickness = 0.1;
  for (int b = 1; b <= NoBCells; ++b) {
    const double f = 0.1 + 0.05 * (b % 5);
    BSedDistrib[1][0][b] = 0.05;
    BSedDistrib[1][1][b] = f, BSedDistrib[1][2][b] = 0.5, BSedDistrib[1][3][b] = 0.5 - f;
    BSedDistrib[0][0][b] = 5.0;
    BSedDistrib[0][1][b] = 0.6, BSedDistrib[0][2][b] = 0.3 - 0.02 * (b % 3), BSedDistrib[0][3][b] = 0.1 + 0.02 * (b % 3);
  }
  double before[4];
  for (int n = 1; n <= 3; ++n) before[n] = sizeVolume(n);
  computeSandSlide();
  const double crit = 2.0 * 0.5 * A;
  EXPECT_LT(r.steepest(), crit * (1.0 + 1e-6));
  EXPECT_GT(r.steepest(), crit * 0.99);
  for (int n = 1; n <= 3; ++n) EXPECT_NEAR(sizeVolume(n), before[n], 1e-9) << n;
  bool filled = false;
  for (int b = 1; b <= NoBCells; ++b)
    for (int k = 0; k <= 1; ++k) {
      double sum = 0.0;
      for (int n = 1; n <= 3; ++n) {
        EXPECT_GE(BSedDistrib[k][n][b], -1e-15);
        EXPECT_LE(BSedDistrib[k][n][b], 1.0 + 1e-15);
        sum += BSedDistrib[k][n][b];
      }
      EXPECT_NEAR(sum, 1.0, 1e-12) << b << " " << k;
      if (k == 1 && BSedDistrib[1][0][b] > 0.05 + 1e-9) filled = true;
      EXPECT_LE(BSedDistrib[1][0][b], 0.1 + 1e-12);
    }
  EXPECT_TRUE(filled);
}


// A corner on the border of the block window counts the bed cells across it:
// block 1 is narrowed to the columns 2..3 of a row of three, the column
// beyond (4, 2) belongs to no column of the window (armap 0) but is the east
// neighbour of column (3, 2) (bed cell area 1 m2). Corner (3, 2) rises 1.5 m
// over a flat bed; crit = 2 x 0.5 m x 0.5 = 0.5 m. One sweep of column
// (3, 2): pair (3,2)-(2,2), areas 1 + 1 (across) and 2: each moves half of
// the excess 1.0; pair (3,2)-(3,1), areas 2 and 1 + 1 (across): half of the
// excess 0.5 again. The levels end 0.75, 0.5 and 0.25, the volume kept.
TEST(SandSlide, CornerAreasAtTheBorderOfTheBlockWindow) {
  InProjectDir dir;
  FlagTSC = 3;
  NoBedLayers = 2;
  TimeStep = 1.0;
  SedimentBox box;
  box.nx = 3;
  box.ny = 1;
  ASSERT_TRUE(box.build());
  for (int i = 0; i <= xnumber + 1; ++i)
    for (int j = 0; j <= ynumber + 1; ++j) {
      zval[i][j][1] = 0.0;
      Surfaces[3][i][j] = -10.0;
      Surfaces[1][i][j] = 0.0;
    }
  block[1].i2 = 3;
  armap[4][2] = 0.0;
  const int c = static_cast<int>(zval[3][2][0]);
  ASSERT_GT(Ccelle[c], 0);
  ASSERT_NEAR(Barea[Cbed[Ccelle[c]]], 1.0, 1e-12);
  ASSERT_NEAR(Cidist[c], 0.5, 1e-12);
  zval[3][2][1] = 1.5;
  IterAvalanche = 1;
  AngleAvalanche = 0.5;
  computeSandSlide();
  EXPECT_NEAR(zval[3][2][1], 0.75, 1e-12);
  EXPECT_NEAR(zval[2][2][1], 0.5, 1e-12);
  EXPECT_NEAR(zval[3][1][1], 0.25, 1e-12);
  EXPECT_NEAR(zval[2][1][1], 0.0, 1e-12);
}
