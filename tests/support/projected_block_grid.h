// Block-grid lines at real projected coordinates (x near 500 000 m, y near
// 7 000 000 m), for tests of writers and searches that must not assume a grid
// starting at 0. Only the block-grid arrays are filled; no cells.
//
// Grid line (i, j) lies at
//   x = 500000 + 10 i + 0.5 j,   y = 7000000 + 20 j + 0.25 i,
// its bed at 100 + 0.1 i + 0.01 j and its water level at 103 + 0.001 i, so
// that every value written with six decimals is exact and tells i and j apart.
// Block 1 covers the columns i = 3..5, j = 3..5 (grid lines 2..5 each way),
// so neither its first row nor its first column is grid line 1. Call inside
// an InProjectDir.
#pragma once

#include <gtest/gtest.h>

#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

struct ProjectedBlockGrid {
  static double x(int i, int j) { return 500000.0 + 10.0 * i + 0.5 * j; }
  static double y(int i, int j) { return 7000000.0 + 20.0 * j + 0.25 * i; }
  static double bed(int i, int j) { return 100.0 + 0.1 * i + 0.01 * j; }
  static double water(int i) { return 103.0 + 0.001 * i; }

  // G 1 sizes and the block-grid arrays; block 1 as above, and a second block
  // beside it in j (columns i = 3..4, j = 8..9) when `twoBlocks`.
  static void build(bool twoBlocks = false) {
    xnumber = 8, ynumber = 11, znumber = 3, lnumber = 1;
    ASSERT_EQ(sialloc(), 0);
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) {
        xval[i][j] = x(i, j);
        yval[i][j] = y(i, j);
        zval[i][j][1] = bed(i, j);
        zval[i][j][2] = 0.5 * (bed(i, j) + water(i));
        zval[i][j][znumber] = water(i);
      }
    NoBlocks = NoBlocks0 = twoBlocks ? 2 : 1;
    block[1].i1 = 3, block[1].i2 = 5, block[1].j1 = 3, block[1].j2 = 5;
    block[2].i1 = 3, block[2].i2 = 4, block[2].j1 = 8, block[2].j2 = 9;
  }
};
