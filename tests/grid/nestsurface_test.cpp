// Water levels of a nested block from the coarse grid beneath it: each grid
// point takes the top-face level of the coarse column under its column (or
// under a neighbouring column), then the inner points are smoothed twice.
#include <gtest/gtest.h>

#include <vector>

#include "grid/fieldmap.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

// Columns i = 2..6, j = 2..3 of two cells, water at 1 m. The coarse columns
// (2, 2) and (2, 3) have their top faces at A = 1.2 and B = 1.6 m; block 2
// (nested, columns i = 4..6, j = 2..3, grid points i = 3..6, j = 1..3) lies
// over them: its row j = 2 over (2, 2), its row j = 3 over (2, 3) except the
// column (6, 3), which has no coarse column and takes that of its west
// neighbour (east lies outside the block; west comes before south, which
// would give A). The column (4, 2) has none either and takes that of its
// east neighbour; the points (3, 1) and (4, 1) below the block's first row
// look at it as their column (4, 2), not at a column of row 1.
//   Transfer: points j = 1, 2 take A, points j = 3 take B.
//   Smoothing of the inner points (4, 2) and (5, 2), in place, level :=
//   0.5 level + 0.125 x (sum of the four neighbours):
//     rising:  (4,2) 0.6 + 0.125 (3 A + B) = 1.25;
//              (5,2) 0.6 + 0.125 (1.25 + A + A + B) = 1.25625;
//     falling: (5,2) 0.628125 + 0.125 (1.25 + A + A + B) = 1.284375;
//              (4,2) 0.625 + 0.125 (A + 1.284375 + A + B) = 1.285546875.
TEST(NestedSurface, LevelsOfTheNestedBlockFromTheCoarseColumns) {
  struct Row {
    const char* what;
    int nestLevel;
    bool coarse;
  };
  const std::vector<Row> rows = {
      {"nested block over coarse columns", 1, true},
      {"no coarse column anywhere: the levels stay", 1, false},
      {"an ordinary second block", 0, true},
  };
  for (const Row& r : rows) {
    InProjectDir d;
    FlagNestTop = 3;
    SmallGrid g;
    g.nx = 5, g.ny = 2, g.nz = 2;
    g.build();
    ASSERT_NE(Bnestcoarse, nullptr);
    NoBlocks = 2;
    block[2] = BlockRecord{};
    block[2].i1 = 4, block[2].i2 = 6, block[2].j1 = 2, block[2].j2 = 3, block[2].nestLevel = r.nestLevel;
    const double A = 1.2, B = 1.6;
    // Top cells (cell 2 of the column); the bottom cells lie lower.
    Czcenter[g.cell(2, 2, 2)] = 1.1, Ckdist[g.cell(2, 2, 2)] = 0.1;
    Czcenter[g.cell(2, 3, 2)] = 1.5, Ckdist[g.cell(2, 3, 2)] = 0.1;
    Czcenter[g.cell(2, 2, 1)] = 0.25, Ckdist[g.cell(2, 2, 1)] = 0.25;
    Czcenter[g.cell(2, 3, 1)] = 0.25, Ckdist[g.cell(2, 3, 1)] = 0.25;
    for (int b = 0; b <= NoBCells; ++b) Bnestcoarse[b] = 0;
    if (r.coarse) {
      for (int i : {5, 6}) Bnestcoarse[g.bedCell(i, 2)] = g.bedCell(2, 2);
      for (int i : {4, 5}) Bnestcoarse[g.bedCell(i, 3)] = g.bedCell(2, 3);
    }
    interpolateSurfaceNested();
    const bool moves = r.coarse && r.nestLevel > 0;
    for (int i = 3; i <= 6; ++i) {
      double want[4] = {0.0, A, A, B};
      if (i == 4) want[2] = 1.285546875;
      if (i == 5) want[2] = 1.284375;
      for (int j = 1; j <= 3; ++j)
        EXPECT_NEAR(zval[i][j][znumber], moves ? want[j] : 1.0, 1e-12) << r.what << " at " << i << "," << j;
    }
    // The coarse block's own points are not touched.
    EXPECT_NEAR(zval[2][2][znumber], 1.0, 1e-12) << r.what;
  }
}
