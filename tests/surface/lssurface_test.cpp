// The explicit LS surface (F 36 50): the column level changes of the inner
// step, the corner rules and the regeneration of the update.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <vector>

#include "flow/stages.h"
#include "grid/generate.h"
#include "grid/geometry.h"
#include "grid/grid_builder.h"
#include "grid/sloping_bank.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "surface/lssurface.h"

namespace {

// A basin of nx x ny columns 1 m apart, bed 0, water `water`, built, measured
// and with its bed cells numbered, for F 36 50.
void basin(int nx, int ny, double water = 1.0) {
  BlockGrid g;
  g.nx = nx;
  g.ny = ny;
  g.water = [water](int, int) { return water; };
  FlagTFS = 50;
  g.prepare();
  MinVertDist0 = 0.005;
  MinVertDist1 = 0.1;
  ASSERT_EQ(UnstructureBuild(), 1);
  metric();
  BedMake();
  for (int f = 0; f <= NoSurfaces; ++f) Fflux[f] = 0.0;
}

int bedOf(int i, int j) { return pointbed[i][j]; }

double waterAt(int i, int j) { return zval[i][j][znumber]; }

}  // namespace

// The side coefficient by the blending number: the outflow side (F < 0)
// carries 0.95 |F| in slow flow, the inflow side in fast flow, fading to the
// diffusive 0.05 |F| toward Fr 1, where the full subcritical form holds.
TEST(LSSurface, SideCoefficientFollowsTheFroudeTable) {
  struct Row {
    double F, Fr, want;
  };
  const std::vector<Row> rows = {
      {-10, 0.2, 10.0},           {10, 0.2, 0.5},   {-10, 0.5, 10.0},  {-10, 0.75, 9.5 * 0.5 + 0.5},
      {-10, 0.999, 9.5 * 0.002 + 0.5}, {-10, 1.0, 10.0}, {10, 1.0, 0.5}, {10, 1.001, 9.5 * 0.002 + 0.5},
      {10, 1.25, 9.5 * 0.5 + 0.5}, {-10, 1.25, 0.5},  {10, 1.5, 10.0},   {10, 3.0, 10.0},
      {-10, 3.0, 0.5},            {0, 0.2, 0.0},
  };
  for (const Row& r : rows) EXPECT_NEAR(surface_LS_coeff(r.F, r.Fr), r.want, 1e-9) << r.F << " " << r.Fr;
}

// One inner step: a column's change is the flux through the face under its
// top cell times 0.001 x TimeStep / Barea, whatever the other faces carry;
// a second step adds to it; columns without flux keep 0.
TEST(LSSurface, InnerStepAddsTheFluxUnderTheTopCell) {
  InProjectDir dir;
  basin(4, 3);
  TimeStep = 2.0;
  const int c = lowestCell(3, 3), top = topCell(3, 3);
  ASSERT_NE(c, top);
  for (int x = c; x > 0; x = Ccellt[x]) {
    Fflux[Cflatet[x]] = 3.0;  // the faces further down and the top face differ
    Fflux[Cflatew[x]] = 0.5;
  }
  Fflux[Cflateb[top]] = 7.0;
  surface_LS();
  const int b = bedOf(3, 3);
  ASSERT_NEAR(Barea[b], 1.0, 1e-12);
  EXPECT_NEAR(Bdeltah[b], 7.0 * 0.001 * 2.0 / Barea[b], 1e-15);
  // The bottom cell's coefficients: 4.5 kg/s in through the west side of the
  // column in slow flow gives the diffusive part alone there; the storage
  // term is the depth times the bottom area times 1000 / TimeStep.
  EXPECT_NEAR(Caw[c], 0.05 * 4.5, 1e-12);
  EXPECT_NEAR(Cae[c], 0.0, 1e-12);
  EXPECT_NEAR(Cap[c], 0.05 * 4.5 + 1.0 * 1.0 * 1000.0 / 2.0, 1e-9);
  surface_LS();
  EXPECT_NEAR(Bdeltah[b], 2 * 7.0 * 0.001 * 2.0, 1e-15);
  for (int i = 2; i <= 5; ++i)
    for (int j = 2; j <= 4; ++j)
      if (bedOf(i, j) != b) {
        EXPECT_EQ(Bdeltah[bedOf(i, j)], 0.0) << i << " " << j;
      }
  EXPECT_EQ(Bdeltah[0], 0.0);
}

// A column of a single cell has no face under its top cell: what enters it
// through its sides raises it, so a filling shallow column rises.
TEST(LSSurface, ASingleCellColumnRisesByItsSideInflow) {
  InProjectDir dir;
  basin(4, 3, 0.05);
  TimeStep = 10.0;
  const int c = lowestCell(3, 3);
  ASSERT_EQ(Ccellt[c], 0);
  Fflux[Cflatew[c]] = 3.0;   // in from the west
  Fflux[Cflatee[c]] = 1.0;   // out to the east
  Fflux[Cflates[c]] = 0.5;   // in from the south
  Fflux[Cflaten[c]] = -0.5;  // in from the north
  surface_LS();
  EXPECT_NEAR(Bdeltah[bedOf(3, 3)], (3.0 - 1.0 + 0.5 + 0.5) * 0.001 * 10.0, 1e-15);
}

// The update with plain means (F 227 1) in a sediment run without F 166: every
// grid point moves by the mean change of its columns, a block corner point by
// its one column's whole change; the grid is not regenerated.
TEST(LSSurface, UpdateMovesEachPointByTheMeanOfItsColumns) {
  InProjectDir dir;
  basin(4, 3);
  FlagTSC = 1;
  TFSfroudeforward = 1;
  const int cells = NoCells;
  auto D = [](int i, int j) { return 0.01 * i + 0.001 * j * j; };
  for (int i = 2; i <= 5; ++i)
    for (int j = 2; j <= 4; ++j) Bdeltah[bedOf(i, j)] = D(i, j);
  surface_LS_update();
  EXPECT_NEAR(waterAt(3, 3), 1.0 + 0.25 * (D(3, 3) + D(4, 3) + D(3, 4) + D(4, 4)), 1e-12);
  EXPECT_NEAR(waterAt(1, 1), 1.0 + D(2, 2), 1e-12);
  EXPECT_NEAR(waterAt(5, 4), 1.0 + D(5, 4), 1e-12);
  EXPECT_NEAR(waterAt(1, 3), 1.0 + 0.5 * (D(2, 3) + D(2, 4)), 1e-12);
  EXPECT_NEAR(zval[3][3][znumber + 1], waterAt(3, 3), 0.0);
  EXPECT_EQ(NoCells, cells);
  EXPECT_EQ(Bdeltah[bedOf(3, 3)], D(3, 3));
  EXPECT_EQ(FlagGridChange, 0);
}

// F 227 2: weights from the flow direction. With no flow every weight is
// equal and the point moves by the plain mean (not the mean divided again by
// the number of columns); with a slow flow to the east an interior point takes
// its change mostly from the columns east of it (downstream of the point).
TEST(LSSurface, FroudeWeightedCornersTakeTheWeightedMean) {
  for (double u : {0.0, 1.0}) {
    InProjectDir dir;
    basin(4, 3);
    FlagTSC = 1;
    TFSfroudeforward = 2;
    for (int c = 1; c <= NoCells; ++c) Cxvel[c] = u;
    auto D = [](int i, int j) { return 0.01 * i + 0.002 * j; };
    for (int i = 2; i <= 5; ++i)
      for (int j = 2; j <= 4; ++j) Bdeltah[bedOf(i, j)] = D(i, j);
    surface_LS_update();
    const double west = D(3, 3) + D(3, 4), east = D(4, 3) + D(4, 4);
    // Centres half a metre from the point in x and y: cos = +-0.7071.
    const double ww = 0.5 * (1 - std::sqrt(0.5)), we = 0.5 * (1 + std::sqrt(0.5));
    const double want = u == 0.0 ? 0.25 * (west + east) : (ww * west + we * east) / (2 * ww + 2 * we);
    EXPECT_NEAR(waterAt(3, 3), 1.0 + want, 1e-9) << u;
  }
}

// Other corner rules move no point; the smoothing runs for F 154 1 only.
TEST(LSSurface, OnlyRuleOneOrTwoMovesAndOnlyF154OneSmooths) {
  for (int rule : {3, -1}) {
    for (int smooth : {0, 1, 2, 3, 4, 5}) {
      if (rule == 3 && smooth > 0) continue;
      InProjectDir dir;
      basin(4, 3);
      FlagTSC = 1;
      TFSfroudeforward = rule;
      SurfUpdate[1] = 1;
      SurfSmoothFlag = smooth;
      SurfSmoothVal = 0.5;
      Bdeltah[bedOf(3, 3)] = 0.04;
      surface_LS_update();
      if (rule == 3) {
        for (int i = 1; i <= 5; ++i)
          for (int j = 1; j <= 4; ++j) EXPECT_EQ(waterAt(i, j), 1.0);
        continue;
      }
      // Grid point (3, 3) has the column (3, 3) among its four; (4, 3) not.
      if (smooth == 1) {
        EXPECT_GT(waterAt(4, 3), 1.0) << smooth;
        EXPECT_LT(waterAt(3, 3), 1.01) << smooth;
      } else {
        EXPECT_NEAR(waterAt(3, 3), 1.01, 1e-12) << smooth;
        EXPECT_EQ(waterAt(4, 3), 1.0) << smooth;
      }
    }
  }
}

// Outside a sediment run (or with F 166 1) the update builds the grid for the
// new levels: the top points stand at the raised level, the changes are
// cleared by the bed-cell numbering and the driver is told of the new grid.
TEST(LSSurface, UpdateRegeneratesTheGridForTheNewLevels) {
  for (int tsc : {0, 1}) {
    InProjectDir dir;
    basin(4, 3);
    FlagTSC = tsc;
    FlagSurfRegen = tsc;
    for (int b = 1; b <= NoBCells; ++b) Bdeltah[b] = 0.1;
    surface_LS_update();
    EXPECT_EQ(FlagGridChange, 1);
    for (int b = 1; b <= NoBCells; ++b) EXPECT_EQ(Bdeltah[b], 0.0);
    const int t = topCell(3, 3);
    EXPECT_NEAR(Pz[Cpoint7[t]], 1.1, 1e-12);
    EXPECT_NEAR(Czcenter[t] + Ckdist[t], 1.1, 1e-9);
  }
}

// The corner weight: 0 where the cell's flow points at the grid point, 1
// where it points away, reversed above Fr 1.5 and blended in between; a
// centre on the grid point and a cell without flow weigh 0.5.
TEST(LSSurface, VectorWeightFollowsTheFlowDirection) {
  InProjectDir dir;
  basin(4, 3);
  const int c = lowestCell(3, 3);  // centre (1.5, 1.5)
  const int b = bedOf(3, 3);
  Cxvel[c] = 1.0;
  Cyvel[c] = 1.0;
  struct Row {
    double Fr;
    int i, j;
    double want;
  };
  // Grid point (3, 3) at (2, 2) lies downstream, (2, 2) at (1, 1) upstream.
  for (const Row& r : std::vector<Row>{{0.2, 3, 3, 0.0}, {0.2, 2, 2, 1.0}, {2.0, 3, 3, 1.0}, {2.0, 2, 2, 0.0},
                                       {1.0, 3, 3, 0.5}, {0.75, 3, 3, 0.25}, {0.2, 2, 3, 0.5}}) {
    BFroude[b] = r.Fr;
    EXPECT_NEAR(VectorWeight(c, r.i, r.j), r.want, 1e-9) << r.Fr << " " << r.i << " " << r.j;
  }
  BFroude[b] = 0.2;
  Cxcenter[c] = xval[3][3];
  Cycenter[c] = yval[3][3];
  EXPECT_NEAR(VectorWeight(c, 3, 3), 0.5, 1e-12);
  Cxvel[c] = Cyvel[c] = 0.0;
  EXPECT_NEAR(VectorWeight(c, 2, 2), 0.5, 1e-12);
  EXPECT_EQ(VectorWeight(0, 2, 2), 0.0);
}

// The energy-line difference: the head slope between the two top cells,
// limited to 0.3, times their distance, less the rise of the top level.
TEST(LSSurface, EnergyLineDifferenceIsTheLimitedHeadSlopeLessTheLevelRise) {
  InProjectDir dir;
  basin(4, 3);
  const int a = topCell(2, 3), b = topCell(4, 3);  // 2 m apart
  Cpres[a] = 0.0;
  Cpres[b] = 9810.0 * 0.2;
  Czcenter[b] += 0.05;
  EXPECT_NEAR(surface_EL(a, b), 0.1 * 2.0 - 0.05, 1e-12);
  Cpres[b] = 9810.0 * 5;
  EXPECT_NEAR(surface_EL(a, b), 0.3 * 2.0 - 0.05, 1e-12);
  Cpres[b] = -9810.0 * 5;
  EXPECT_NEAR(surface_EL(a, b), -0.3 * 2.0 - 0.05, 1e-12);
}

// A basin filled at a constant inflow: Q (kg/s) enters the columns through
// the sides of their lowest cells, shared over the columns by a gentle
// gradient, and rises through every face up to the top cell, as continuity
// of the lower cells makes it. After 20 inner steps the update raises the
// corners and builds the grid anew; the water volume of the new grid has
// grown by the inflow volume within 1 %.
TEST(LSSurface, AFilledBasinHoldsTheInflowVolume) {
  InProjectDir dir;
  basin(6, 4);
  FlagTSC = 0;
  TFSfroudeforward = 1;
  TimeStep = 5.0;
  const double Q = 40.0;  // kg/s, 0.04 m3/s over 24 m2
  auto volume = [] {
    double v = 0;
    for (int c = 1; c <= NoCells; ++c) v += cellVolume(c);
    return v;
  };
  const double before = volume();
  double shares = 0;
  for (int i = 2; i <= 7; ++i)
    for (int j = 2; j <= 5; ++j) shares += 1.0 + 0.05 * (i - 4.5);
  const int steps = 20;
  for (int s = 0; s < steps; ++s) {
    for (int i = 2; i <= 7; ++i)
      for (int j = 2; j <= 5; ++j) {
        const double q = Q * (1.0 + 0.05 * (i - 4.5)) / shares;
        for (int x = lowestCell(i, j); x > 0 && Ccellt[x] > 0; x = Ccellt[x]) Fflux[Cflatet[x]] = q;
      }
    surface_LS();
  }
  surface_LS_update();
  const double gained = volume() - before, inflow = Q * 0.001 * TimeStep * steps;
  EXPECT_NEAR(gained, inflow, 0.01 * inflow);
}

// Where every column's flow points at the grid point in slow flow, every
// weight is 0: the point takes the plain mean instead of dividing by zero.
TEST(LSSurface, FroudeWeightedCornerWithoutWeightTakesThePlainMean) {
  InProjectDir dir;
  basin(4, 3);
  FlagTSC = 1;
  TFSfroudeforward = 2;
  // The four columns around grid point (3, 3) at (2, 2) m, each flowing
  // straight at it.
  const int cols[4][2] = {{3, 3}, {3, 4}, {4, 4}, {4, 3}};
  const double dirs[4][2] = {{1, 1}, {1, -1}, {-1, -1}, {-1, 1}};
  for (int q = 0; q < 4; ++q)
    for (int c = lowestCell(cols[q][0], cols[q][1]); c > 0; c = Ccellt[c]) {
      Cxvel[c] = 0.1 * dirs[q][0];
      Cyvel[c] = 0.1 * dirs[q][1];
    }
  double sum = 0;
  for (int q = 0; q < 4; ++q) sum += Bdeltah[bedOf(cols[q][0], cols[q][1])] = 0.01 * (q + 1);
  surface_LS_update();
  EXPECT_NEAR(waterAt(3, 3), 1.0 + 0.25 * sum, 1e-12);
}

// A regeneration that does not fit the F 65 sizes ends the run with the
// report of the generator instead of going on with a half-built grid.
TEST(LSSurfaceDeathTest, AFailedRegenerationEndsTheRun) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  InProjectDir dir;
  basin(4, 3);
  MaxCeller = NoCells;
  EXPECT_EXIT(
      {
        std::atexit([] {
          std::ifstream in("boogie");
          std::cerr << in.rdbuf();
        });
        surface_LS_update();
      },
      ::testing::ExitedWithCode(256 - 4), "Error: Unstructured arrays are too small. Increase with the F 65 data set.");
}

// Two blocks side by side share the grid line between them (block 1 columns
// i = 2..3, block 2 columns i = 4..5): a point on it moves once, by the mean
// of its columns, not once for each block.
TEST(LSSurface, APointSharedByTwoBlocksMovesOnce) {
  InProjectDir dir;
  BlockGrid g;
  g.nx = 4;
  g.ny = 3;
  FlagTFS = 50;
  g.prepare();
  MinVertDist0 = 0.005;
  MinVertDist1 = 0.1;
  block[1].i2 = 3;
  block[2] = block[1];
  block[2].i1 = 4;
  block[2].i2 = 5;
  NoBlocks = 2;
  ASSERT_EQ(UnstructureBuild(), 1);
  metric();
  BedMake();
  FlagTSC = 1;
  TFSfroudeforward = 1;
  for (int b = 1; b <= NoBCells; ++b) Bdeltah[b] = 0.01;
  surface_LS_update();
  for (int j = 1; j <= 4; ++j) {
    EXPECT_NEAR(waterAt(3, j), 1.01, 1e-12) << j;
    EXPECT_NEAR(waterAt(2, j), 1.01, 1e-12) << j;
    EXPECT_NEAR(waterAt(4, j), 1.01, 1e-12) << j;
  }
}

// F 168: the coarse levels of the column multigrid are rebuilt for the new
// grid after the regeneration.
TEST(LSSurface, UpdateRebuildsTheCoarseLevelsWithF168) {
  for (int f168 : {0, 1}) {
    InProjectDir dir;
    Flag2DAccSolver = f168;
    basin(4, 3);
    NoMGlevels = 0;
    surface_LS_update();
    EXPECT_EQ(NoMGlevels > 0, f168 == 1) << f168;
    if (f168 == 1) {
      EXPECT_EQ(block[2].kind, 2);
    }
  }
}
