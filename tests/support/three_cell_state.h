// The three-cell grid of three_cell_grid.h read by U in-process, inside a
// temporary project directory: bed cells 1..3 under the columns (2,2), (3,2)
// and (4,2). The options are set before the arrays are allocated.
#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "grid/grid_read.h"
#include "support/in_dir.h"
#include "support/three_cell_grid.h"

struct ThreeCellState {
  InProjectDir d;
  ThreeCellGrid g;
  explicit ThreeCellState(int sizes = 2, int layers = 2, const std::function<void()>& options = {}) {
    useThreeCellSizes();
    lnumber = sizes;
    NoBedLayers = layers;
    if (options) options();
    EXPECT_EQ(sialloc(), 0);
    d.dir().write("unstruc", g.text());
    EXPECT_EQ(ReadUnstructure(), 0);
  }
  const CaseDir& dir() const { return d.dir(); }
};
