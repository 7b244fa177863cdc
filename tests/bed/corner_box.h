// A 3 x 3 box of 1 m columns (uniform areas) for the bed-change tests, no
// regrid unless asked. Its columns are (2..4, 2..4), its grid lines 1..4;
// the middle column is (3, 3). The non-erodible level lies 5 m below the bed.
#pragma once

#include <gtest/gtest.h>

#include "sediment/sediment_fixture.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/in_dir.h"

struct CornerBox {
  InProjectDir dir;
  // n x m columns (m 0: n x n).
  explicit CornerBox(int regrid = 0, int n = 3, int m = 0) {
    FlagTSC = 2;
    TimeStep = 1.0;
    SedimentBox box;
    box.nx = n;
    box.ny = m > 0 ? m : n;
    EXPECT_TRUE(box.build());
    BedRecIter = regrid;
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) {
        Surfaces[0][i][j] = zval[i][j][1];
        Surfaces[3][i][j] = zval[i][j][1] - 5.0;
      }
  }
  static int bedAt(int i, int j) { return pointbed[i][j]; }
};

// Bed volume (m3 above level 0): each grid line stands for a quarter of the
// wet columns around it.
inline double bedVolume() {
  auto wet = [](int i, int j) { return i <= xnumber + 1 && j <= ynumber + 1 && zval[i][j][0] >= 1.0 ? 1.0 : 0.0; };
  double V = 0.0;
  for (int i = 0; i <= xnumber; ++i)
    for (int j = 0; j <= ynumber; ++j)
      V += zval[i][j][1] * 0.25 * (wet(i, j) + wet(i + 1, j) + wet(i + 1, j + 1) + wet(i, j + 1));
  return V;
}
