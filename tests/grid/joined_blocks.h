// Block grids of more than one block, filled in-process for the grid
// generation tests (run inside InProjectDir):
// - JoinedBlocks: two blocks whose edges meet in plan, joined east-west or
//   south-north;
// - NestedBlock: a coarse block of 3 x 3 columns of 1 m with a nested block of
//   2 x 2 columns of 0.5 m over its middle column.
#pragma once

#include <algorithm>
#include <functional>

#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

// Two blocks A (west or south in plan) and B (east or north of A). A has
// `aAcross` columns of 1 m across the joint, B `bAcross`; along the joint A has
// `aAlong` columns of 1 m and B `bAlong` columns of `bWidth` m, both starting
// at 0. Plan: across the joint A's grid lines lie at u = 0..aAcross, B's at
// u = aAcross..aAcross + bAcross, so B's first line lies on A's last.
//
// Block-grid indices, for the joint east-west (u = x, v = y): A's lines
// i = 1..aAcross+1, its columns i = 2..aAcross+1; B's lines start at
// i = aAcross+1 when `sharedLine` (A's last line index is B's first: the
// windows touch and B's first column is the index neighbour of A's last
// column) or one index further (i = aAcross+2) otherwise. Rows j = 1..along+1
// for both. For the joint south-north (`northward`) i and j swap roles.
// `bFirst` makes B block 1 and A block 2.
struct JoinedBlocks {
  int zlevels = 7;
  int aAcross = 2, bAcross = 2, aAlong = 2, bAlong = 2;
  double bWidth = 1.0;
  bool sharedLine = true, northward = false, bFirst = false;
  std::function<double(double u, double v)> bed = [](double, double) { return 0.0; };
  std::function<double(double u, double v)> water = [](double, double) { return 1.0; };
  // Levels of the slots 2..zlevels-1 of zval of a grid line of A (0) or B (1),
  // from its bed and water level; unset slots stay 0.
  std::function<double(int blockAB, int k, double bed, double water)> slot;

  int firstLineB() const { return aAcross + (sharedLine ? 1 : 2); }
  // Column (across, along) of A or B as block-grid column (i, j); across and
  // along count from 1.
  int colI(int ab, int across, int along) const { return northward ? along + 1 : index(ab, across); }
  int colJ(int ab, int across, int along) const { return northward ? index(ab, across) : along + 1; }
  int blockOf(int ab) const { return (ab == 1) == bFirst ? 1 : 2; }

  void prepare() const {
    setRecordsInitial();
    const int acrossLines = firstLineB() + bAcross, alongLines = std::max(aAlong, bAlong) + 1;
    xnumber = (northward ? alongLines : acrossLines) + 2;
    ynumber = (northward ? acrossLines : alongLines) + 2;
    znumber = zlevels;
    lnumber = 1;
    MaxCeller = 2000;
    MaxFlater = 8000;
    MaxPunkter = 4000;
    sialloc();
    AllocateArrays(1, 1, 1);
    NoBlocks = 2;
    for (int ab = 0; ab <= 1; ++ab) {
      BlockRecord& b = block[blockOf(ab)];
      b = BlockRecord{};
      const int lo = index(ab, 1), hi = index(ab, ab == 0 ? aAcross : bAcross);
      const int along = ab == 0 ? aAlong : bAlong;
      b.i1 = northward ? 2 : lo;
      b.i2 = northward ? along + 1 : hi;
      b.j1 = northward ? lo : 2;
      b.j2 = northward ? hi : along + 1;
      b.bedFlag = 1;
      b.levelCount = znumber;
      const int first = lo - 1;
      const int across = ab == 0 ? aAcross : bAcross;
      const double width = ab == 0 ? 1.0 : bWidth, u0 = ab == 0 ? 0.0 : aAcross;
      for (int a = 0; a <= across; ++a)
        for (int l = 0; l <= along; ++l) {
          const int i = northward ? l + 1 : first + a, j = northward ? first + a : l + 1;
          const double u = u0 + a, v = l * width;
          xval[i][j] = northward ? v : u;
          yval[i][j] = northward ? u : v;
          zval[i][j][1] = bed(u, v);
          zval[i][j][znumber] = water(u, v);
          if (slot)
            for (int k = 2; k < znumber; ++k) zval[i][j][k] = slot(ab, k, zval[i][j][1], zval[i][j][znumber]);
        }
    }
  }

 private:
  // Index across the joint of column `across` (from 1) of A (0) or B (1).
  int index(int ab, int across) const { return ab == 0 ? across + 1 : firstLineB() + across; }
};

// Block 1 (nest level 0): 3 x 3 columns of 1 m, grid lines i, j = 1..4 at
// x, y = 0..3. Block 2 (nest level 1): 2 x 2 columns of 0.5 m over block 1's
// middle column, grid lines i = 6..8, j = 1..3 at x, y = 1, 1.5, 2; its
// columns are i = 7, 8 and j = 2, 3. Bed 0, water 1 m everywhere.
struct NestedBlock {
  int zlevels = 7;

  void prepare() const {
    setRecordsInitial();
    xnumber = 10;
    ynumber = 6;
    znumber = zlevels;
    lnumber = 1;
    MaxCeller = 2000;
    MaxFlater = 8000;
    MaxPunkter = 4000;
    sialloc();
    AllocateArrays(1, 1, 1);
    NoBlocks = 2;
    block[1] = BlockRecord{};
    block[1].i1 = 2, block[1].i2 = 4, block[1].j1 = 2, block[1].j2 = 4;
    block[2] = BlockRecord{};
    block[2].i1 = 7, block[2].i2 = 8, block[2].j1 = 2, block[2].j2 = 3, block[2].nestLevel = 1;
    for (int b = 1; b <= 2; ++b) {
      block[b].bedFlag = 1;
      block[b].levelCount = znumber;
    }
    auto line = [](int i, int j, double x, double y) {
      xval[i][j] = x;
      yval[i][j] = y;
      zval[i][j][1] = 0.0;
      zval[i][j][znumber] = 1.0;
    };
    for (int i = 1; i <= 4; ++i)
      for (int j = 1; j <= 4; ++j) line(i, j, i - 1, j - 1);
    for (int i = 6; i <= 8; ++i)
      for (int j = 1; j <= 3; ++j) line(i, j, 1 + 0.5 * (i - 6), 1 + 0.5 * (j - 1));
  }
};
