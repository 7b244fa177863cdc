// Reads a grid file into the model state in-process (inside InProjectDir):
// G 1 6 4 2 1 and small F 65 sizes, the block-grid arrays, then U.
#pragma once

#include <gtest/gtest.h>

#include "io/modelfiles.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "support/case_runner.h"
#include "support/three_cell_grid.h"

inline void useThreeCellSizes() {
  xnumber = 6, ynumber = 4, znumber = 2, lnumber = 1;
  MaxCeller = 200, MaxFlater = 400, MaxPunkter = 400, MaxNester = 100, MaxConnFlate = 100;
}

inline void readGrid(const CaseDir& d, const ThreeCellGrid& g) {
  if (!xval) {
    useThreeCellSizes();
    ASSERT_EQ(sialloc(), 0);
  }
  d.write("unstruc", g.text());
  ASSERT_EQ(ReadUnstructure(), 0);
}
