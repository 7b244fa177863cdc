// The solver of the surface equation.
#include <gtest/gtest.h>

#include <cmath>

#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/alloc.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"
#include "surface/surfacesolver.h"

namespace {

// A row of n columns of one cell: the ends fixed at 0 and 1 by a huge
// diagonal, the cells between with unit weights to both sides, so that the
// solution is linear.
SmallGrid row(int n) {
  SmallGrid g;
  g.nx = n;
  g.ny = 1;
  g.nz = 1;
  g.build();
  for (int c = 0; c <= NoCells; ++c) Cap[c] = Cae[c] = Caw[c] = Can[c] = Cas[c] = Csource[c] = Cfn[c] = 0.0;
  for (int c = 1; c <= NoCells; ++c) {
    Cae[c] = Ccelle[c] ? 1.0 : 0.0;
    Caw[c] = Ccellw[c] ? 1.0 : 0.0;
    Cap[c] = Cae[c] + Caw[c];
  }
  Cap[1] = 1e20;
  Csource[1] = 0.0;
  Cap[n] = 1e20;
  Csource[n] = 1e20;
  Cf = Cfn;
  return g;
}

}  // namespace

// Mode 4 sweeps until the mean change falls below F 345: the linear
// solution to within its stopping limit; the fixed cells keep their values.
TEST(SurfaceSolver, ModeFourSolvesTheEquation) {
  InProjectDir d;
  row(6);
  surfaceSolver(4);
  for (int c = 1; c <= 6; ++c) EXPECT_NEAR(Cf[c], (c - 1) / 5.0, 1e-3) << c;
  EXPECT_NEAR(Cf[1], 0.0, 1e-15);
  EXPECT_NEAR(Cf[6], 1.0, 1e-15);
  // One iteration only (F 239 2nd value): a forward and a backward sweep.
  row(6);
  iterSurfSolv2 = 1;
  surfaceSolver(4);
  // Forward: 0, 0, 0, 0, 0.5; backward from cell 5: 0.5, 0.25, 0.125, 0.0625.
  const double expected[] = {0, 0, 0.0625, 0.125, 0.25, 0.5, 1.0};
  for (int c = 1; c <= 6; ++c) EXPECT_NEAR(Cf[c], expected[c], 1e-15) << c;
}

// With the two-dimensional multigrid on (F 168, F 343 3) mode 4 runs its
// multigrid step before the sweeps and still reaches the linear solution.
TEST(SurfaceSolver, ModeFourWithTheMultigridStepReachesTheSameSolution) {
  InProjectDir d;
  row(6);
  Flag2DAccSolver = 1;
  BlockCasulli = 3;
  surfaceSolver(4);
  for (int c = 1; c <= 6; ++c) EXPECT_NEAR(Cf[c], (c - 1) / 5.0, 1e-3) << c;
  Flag2DAccSolver = 0;
  BlockCasulli = 0;
}

// Mode 42 makes exactly three passes by grid column, i downwards, j up and
// back; a block whose surface is not updated is left alone.
TEST(SurfaceSolver, ModeFortyTwoAndTheUpdatedBlocks) {
  InProjectDir d;
  row(3);
  surfaceSolver(42);
  EXPECT_NEAR(Cf[2], 0.5, 1e-15);
  row(3);
  SurfUpdate[1] = 0;
  surfaceSolver(4);
  surfaceSolver(42);
  EXPECT_EQ(Cf[2], 0.0);
}

// With F 371 every column cell of block 1 ends at least at its lowest
// allowed value.
TEST(SurfaceSolver, LowerBoundOfTheGridSplitPrevention) {
  InProjectDir d;
  row(3);
  ASSERT_TRUE(allocate1(Bminlevdh, static_cast<std::size_t>(bedCellCapacity())));
  for (int b = 1; b <= NoBCells; ++b) Bminlevdh[b] = 0.7;
  FlagNoGridSplit = 1;
  surfaceSolver(42);
  EXPECT_EQ(Cf[1], 0.7);
  EXPECT_EQ(Cf[2], 0.7);
  EXPECT_NEAR(Cf[3], 1.0, 1e-15);
}
