// A box of nx x ny columns of 1 m for the routines that move sediment
// between columns: the columns are (2..nx+1, 2..ny+1), the grid lines
// 1..nx+1 and 1..ny+1. Every column gets its own layer stack (layers of the
// solid fraction of new deposits, fractions differing by column and layer)
// and, with `unequal`, its own bed area, so that a move that forgets the
// areas changes the volume. The corner bed levels are the stack levels'
// corner means; the non-erodible bed lies at -2 m.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "bed/stackmoves.h"
#include "sediment/sediment_fixture.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"

struct StackBox {
  InProjectDir dir;
  int nx, ny, sizes;
  // layers: NoBedLayers; tsc: F 37; options: sets further options before
  // the arrays are allocated.
  StackBox(int nx_, int ny_, int layers, int tsc = 3, int sizes_ = 3, bool unequal = true,
           void (*options)() = nullptr)
      : nx(nx_), ny(ny_), sizes(sizes_) {
    if (options) options();
    FlagTSC = tsc;
    NoBedLayers = layers;
    SolidFrac = 0.6;
    TimeStep = 1.0;
    SedimentBox box;
    box.nx = nx;
    box.ny = ny;
    box.sizes = sizes;
    EXPECT_TRUE(box.build());
    for (int n = 1; n <= sizes; ++n) gsize[n] = 0.001 * n;
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) {
        Surfaces[3][i][j] = -2.0;
        Surfaces[1][i][j] = 0.0;
      }
    for (int i = 2; i <= nx + 1; ++i)
      for (int j = 2; j <= ny + 1; ++j) {
        const int b = pointbed[i][j];
        if (unequal) Barea[b] = 0.6 + 0.35 * i + 0.2 * j * j;
        setStack(i, j, {1.0, 0.4, 0.2});
      }
  }
  // Sets the stack of column (i, j) from the bottom up (at most the layers
  // there are room for); fractions differ by layer and column.
  void setStack(int i, int j, std::vector<double> thick) const {
    const int b = pointbed[i][j];
    const int top = std::min<int>(static_cast<int>(thick.size()), NoBedLayers) - 1;
    for (int k = 0; k <= NoBedLayers; ++k) {
      BSedDistrib[k][0][b] = 0.0;
      for (int n = 1; n <= sizes; ++n) BSedDistrib[k][n][b] = 0.0;
    }
    for (int k = 0; k <= top; ++k) {
      BSedDistrib[k][0][b] = thick[k];
      double sum = 0.0;
      for (int n = 1; n <= sizes; ++n) sum += BSedDistrib[k][n][b] = 1.0 + ((i + 2 * j + 3 * k) * n) % 5;
      for (int n = 1; n <= sizes; ++n) BSedDistrib[k][n][b] /= sum;
      if (Bsolidfraction) Bsolidfraction[k][b] = SolidFrac;
    }
    BlayerTop[b] = top;
  }
  // The corner bed levels from the stack levels: each corner the mean of the
  // columns of the box around it.
  void cornersFromStacks() const {
    for (int i = 1; i <= nx + 1; ++i)
      for (int j = 1; j <= ny + 1; ++j) {
        double s = 0.0;
        int c = 0;
        for (int I = i; I <= i + 1; ++I)
          for (int J = j; J <= j + 1; ++J)
            if (I >= 2 && J >= 2 && I <= nx + 1 && J <= ny + 1) s += columnStackLevel(I, J), ++c;
        zval[i][j][1] = s / c;
      }
  }
  // Grain volume (m3) of size n over the box: the multi-layer stacks with
  // their solid fractions, the two-layer bed as thickness x fraction.
  double grains(int n) const {
    double v = 0.0;
    for (int i = 2; i <= nx + 1; ++i)
      for (int j = 2; j <= ny + 1; ++j) {
        const int b = pointbed[i][j];
        if (Bsolidfraction)
          v += stackGrains(b, n);
        else
          for (int k = 0; k <= BlayerTop[b]; ++k) v += BSedDistrib[k][0][b] * BSedDistrib[k][n][b] * Barea[b];
      }
    return v;
  }
  std::vector<double> allGrains() const {
    std::vector<double> g;
    for (int n = 1; n <= sizes; ++n) g.push_back(grains(n));
    return g;
  }
  static void expectSameGrains(const std::vector<double>& before, const std::vector<double>& after, const char* what) {
    ASSERT_EQ(before.size(), after.size());
    for (std::size_t n = 0; n < before.size(); ++n)
      EXPECT_NEAR(after[n], before[n], 1e-12 * before[n]) << what << " size " << n + 1;
  }
  static int bed(int i, int j) { return pointbed[i][j]; }
};
