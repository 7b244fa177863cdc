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

// Mode 4 stops on the mean change of its backward sweep: a loose limit (F 345
// 1e-3) stops it short of the solution that limit 0 reaches to rounding, and
// F 239 2nd value bounds the sweeps.
TEST(SurfaceSolver, ModeFourStopsOnTheResidual) {
  InProjectDir d;
  row(6);
  residualCasulli = 0.0;
  surfaceSolver(4);
  double exact = 0.0;
  for (int c = 1; c <= 6; ++c) exact = std::fmax(exact, std::fabs(Cf[c] - (c - 1) / 5.0));
  EXPECT_LT(exact, 1e-12);
  row(6);
  residualCasulli = 1e-3;
  surfaceSolver(4);
  double loose = 0.0;
  for (int c = 1; c <= 6; ++c) loose = std::fmax(loose, std::fabs(Cf[c] - (c - 1) / 5.0));
  EXPECT_GT(loose, 1e-4);
  EXPECT_LT(loose, 1e-2);
}

// Mode 8 with its diagonal links at 0 sweeps the same five-point equation by
// grid column and reaches the same linear solution; mode 83 holds every
// value at least at BLevFroude.
TEST(SurfaceSolver, ModeEightWithoutDiagonalLinksAgreesWithModeFour) {
  InProjectDir d;
  row(6);
  for (double** a : {&Caee, &Caww, &Cass, &Cann})
    if (!*a) {
      ASSERT_TRUE(allocate1(*a, static_cast<std::size_t>(NoCells + 1)));
    }
  surfaceSolver(8);
  for (int c = 1; c <= 6; ++c) EXPECT_NEAR(Cf[c], (c - 1) / 5.0, 1e-3) << c;
  row(6);
  ASSERT_TRUE(allocate1(BLevFroude, static_cast<std::size_t>(bedCellCapacity())));
  for (int b = 1; b <= NoBCells; ++b) BLevFroude[b] = 0.5;
  surfaceSolver(83);
  for (int c = 1; c <= 5; ++c) EXPECT_GE(Cf[c], 0.5) << c;
  EXPECT_NEAR(Cf[6], 1.0, 1e-15);
}

// Mode 42 makes three passes even when F 239 asks for none: i downwards, so
// that the value of the fixed east end travels west pass by pass.
TEST(SurfaceSolver, ModeFortyTwoMakesThreePassesWhateverTheIterationCount) {
  InProjectDir d;
  for (int iterations : {0, 1000}) {
    row(5);
    iterSurfSolv1 = iterSurfSolv2 = iterations;
    surfaceSolver(42);
    const double expected[] = {0, 0, 0.21875, 0.4375, 0.6875, 1.0};
    for (int c = 1; c <= 5; ++c) EXPECT_NEAR(Cf[c], expected[c], 1e-15) << c << " " << iterations;
  }
}

// A row without diagonal and without source (an isolated column that takes
// the mean of neighbours it has none of) keeps its value in every mode
// instead of turning into 0/0.
TEST(SurfaceSolver, ARowWithoutDiagonalKeepsItsValue) {
  InProjectDir d;
  for (int mode : {4, 43, 8, 83, 42}) {
    row(5);
    for (double** a : {&Caee, &Caww, &Cass, &Cann})
      if (!*a) {
      ASSERT_TRUE(allocate1(*a, static_cast<std::size_t>(NoCells + 1)));
    }
    Cap[3] = Cae[3] = Caw[3] = Csource[3] = 0.0;
    Cae[2] = Caw[4] = 0.0;
    Cap[2] = Cap[4] = 1.0;
    Cf[3] = 0.3;
    surfaceSolver(mode);
    EXPECT_EQ(Cf[3], 0.3) << mode;
    for (int c = 1; c <= 5; ++c) EXPECT_TRUE(std::isfinite(Cf[c])) << mode << " " << c;
  }
}

// The lowest levels of the grid-split prevention bound the water levels of
// the surface solves, not the roughness field that the roughness
// interpolation solves with mode 4.
TEST(SurfaceSolver, TheGridSplitBoundLeavesTheRoughnessAlone) {
  InProjectDir d;
  row(3);
  ASSERT_TRUE(allocate1(Bminlevdh, static_cast<std::size_t>(bedCellCapacity())));
  for (int b = 1; b <= NoBCells; ++b) Bminlevdh[b] = 0.7;
  FlagNoGridSplit = 1;
  for (int c = 0; c <= NoCells; ++c) Croughness[c] = Cfn[c];
  Cf = Croughness;
  surfaceSolver(4);
  EXPECT_NEAR(Cf[1], 0.0, 1e-15);
  EXPECT_NEAR(Cf[2], 0.5, 1e-3);
  Cf = Cfn;
}

// Mode 8 on 4 x 4 columns with unequal weights on all eight links and the
// source that makes f = i + 2 j the exact solution; the border columns are
// fixed. Each diagonal weight multiplies its own neighbour: a swapped
// diagonal gives another answer.
TEST(SurfaceSolver, ModeEightCouplesEachDiagonalToItsNeighbour) {
  InProjectDir d;
  SmallGrid g;
  g.nx = 4;
  g.ny = 4;
  g.nz = 1;
  g.build();
  for (double** a : {&Caee, &Caww, &Cass, &Cann})
    if (!*a) {
      ASSERT_TRUE(allocate1(*a, static_cast<std::size_t>(NoCells + 1)));
    }
  Cf = Cfn;
  auto f = [](int i, int j) { return i + 2.0 * j; };
  for (int i = g.i1(); i <= g.i2(); ++i)
    for (int j = g.j1(); j <= g.j2(); ++j) {
      const int c = g.cell(i, j, 1);
      Cf[c] = 0.0;
      if (i == g.i1() || i == g.i2() || j == g.j1() || j == g.j2()) {
        Cae[c] = Caw[c] = Can[c] = Cas[c] = Caee[c] = Cass[c] = Cann[c] = Caww[c] = 0.0;
        Cap[c] = 1e20;
        Csource[c] = 1e20 * f(i, j);
        continue;
      }
      Cae[c] = Caw[c] = Can[c] = Cas[c] = 1.0;
      Caee[c] = 2.0;  // north-east
      Cass[c] = 3.0;  // south-east
      Cann[c] = 4.0;  // north-west
      Caww[c] = 5.0;  // south-west
      Cap[c] = 18.0;
      Csource[c] = -(2.0 * 3 + 3.0 * (1 - 2) + 4.0 * (-1 + 2) + 5.0 * (-1 - 2));
    }
  surfaceSolver(8);
  for (int i = g.i1(); i <= g.i2(); ++i)
    for (int j = g.j1(); j <= g.j2(); ++j) EXPECT_NEAR(Cf[g.cell(i, j, 1)], f(i, j), 1e-9) << i << " " << j;
}
