// The transient kinematic surface on generated boxes of 1 m columns (block 1:
// columns i = 2..nx+1, j = 2..ny+1, grid points i = 1..nx+1, j = 1..ny+1),
// water 1 m deep over a flat bed, group 1 (inflow) along the west edge and
// group 2 (outflow) along the east edge: the level change of each F 36
// formula, the corner weights, the limits, the volume of a move, the mud
// layer and the sub-bed block.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "flow/stages.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/slidestate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"
#include "surface/surface.h"
#include "surface/tfs.h"

namespace {

double& zs(int i, int j) { return zval[i][j][znumber]; }

int lowest(int i, int j) { return static_cast<int>(zval[i][j][0]); }
int top(int i, int j) {
  int c = lowest(i, j);
  while (Ccellt[c] > 0) c = Ccellt[c];
  return c;
}

struct Box {
  InProjectDir dir;
  int nx, ny;
  explicit Box(int nx_ = 6, int ny_ = 3, int thixo = 0, double depth = 1.0) : nx(nx_), ny(ny_) {
    setRunStateInitial();
    FlagThixo = thixo;
    FlowGrid g = FlowGrid::box(nx, ny, depth);
    EXPECT_TRUE(g.build());
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) zval[i][j][znumber + 1] = zs(i, j);
    for (int f = 0; f <= NoSurfaces; ++f) Fflux[f] = 0.0;
    for (int c = 0; c <= NoCells; ++c) Cxvel[c] = Cyvel[c] = Czvel[c] = Cpres[c] = 0.0;
    TimeStep = 1.0;
    FlagTFS = 16;
    FlagTSC = 1;  // no regeneration unless a test asks for it
    for (int b = 0; b < 100; ++b) SurfUpdate[b] = 1;
    for (int k = 0; k < MaxSlides; ++k) BVal[k] = BNo[k] = 0, kFlux[k] = 0.0;
  }
  // Every cell moves with (u, v).
  static void flow(double u, double v) {
    for (int c = 1; c <= NoCells; ++c) Cxvel[c] = u, Cyvel[c] = v;
  }
};

// The grid points of the block and their levels.
std::vector<double> levels() {
  std::vector<double> v;
  for (int i = 1; i <= block[1].i2; ++i)
    for (int j = 1; j <= block[1].j2; ++j) v.push_back(zs(i, j));
  return v;
}

// ---- Level change by F 36 ----

// The top cell of column (4, 3) of a box 0.4 m deep (two cells): a 1 m2 top
// face, fluxes east 30, west 10, north 5, south 1 and bottom 2 kg/s,
// pressure 5000 Pa, velocities (0.12, 0.16, 0.1); the lowest cell lets 8 kg/s
// out to the east. N = 30 - 10 + 5 - 1 = 24 kg/s, M = -(24 - 2) 0.001 =
// -0.022 m, V = w = 0.1 m, Nb = 8 kg/s; time step 1 s, F 175 0.1.
TEST(TfsLevelChange, EachFormulaGivesItsHandComputedChange) {
  Box box(6, 3, 0, 0.4);
  const int c = top(4, 3), c0 = lowest(4, 3);
  ASSERT_NE(c, c0);
  ASSERT_NEAR(Faz[Cflatet[c]], 1.0, 1e-12);
  Fflux[Cflatee[c]] = 30, Fflux[Cflatew[c]] = 10, Fflux[Cflaten[c]] = 5, Fflux[Cflates[c]] = 1, Fflux[Cflateb[c]] = 2;
  Fflux[Cflatee[c0]] = 8;
  Cxvel[c] = 0.12, Cyvel[c] = 0.16, Czvel[c] = 0.1, Cpres[c] = 5000.0;
  double h = 0.0;
  for (int x = c; x > 0; x = Ccellb[x]) h += 2.0 * Ckdist[x];
  ASSERT_NEAR(h, 0.4, 1e-9);
  const double M = -0.022, V = 0.1;
  const double r19 = 3.33333 * 0.2 / 0.4 - 1.0;  // 0.667
  struct Row {
    int formula;
    double expected;
  } rows[] = {
      {1, (5000.0 / 9810.0 - Ckdist[c]) * 0.1},
      {11, M * 0.1},
      {12, -0.008},
      {13, 0.1 * (0.12 * Fvx[Cflatet[c]] + 0.16 * Fvy[Cflatet[c]] + 0.1)},
      {14, V},
      {15, 0.5 * (M + V)},
      {16, M},
      {17, 0.5 * M + 0.5 * V},
      {18, 0.001 * (std::min(2.0, 46.0) - 24.0)},
      {19, r19 * 0.5 * (M + V) + (1 - r19) * -0.008},
  };
  ASSERT_GT(r19, 0.0);
  ASSERT_LT(r19, 1.0);
  for (const Row& r : rows) {
    FlagTFS = r.formula;
    EXPECT_NEAR(tfsLevelChange(c0, c, Cbed[c0], 4, 3), r.expected, 1e-12) << r.formula;
  }
}

// F 36 19 uses the bottom-flux term alone where the flow is slow for its depth
// and the averaged term of formula 15 alone where it is fast.
TEST(TfsLevelChange, Formula19BlendsByTheSpeedOverTheDepth) {
  Box box(6, 3, 0, 0.4);
  const int c = top(4, 3);
  Fflux[Cflatee[c]] = 30, Fflux[Cflatew[c]] = 10, Czvel[c] = 0.1;
  FlagTFS = 19;
  Cxvel[c] = 0.01;  // r < 0
  EXPECT_NEAR(tfsLevelChange(c, c, Cbed[c], 4, 3), -0.02, 1e-12);
  Cxvel[c] = 1.0;  // r > 1
  const double M = -0.02, V = 0.1;
  EXPECT_NEAR(tfsLevelChange(c, c, Cbed[c], 4, 3), 0.5 * (M + V), 1e-12);
}

// F 530 1 clamps the change to the half height of the top cell, F 359 lets a
// slow column fall but not rise.
TEST(TfsLevelChange, HeightAndVelocityLimits) {
  Box box(6, 3, 0, 0.4);
  const int c = top(4, 3);
  Fflux[Cflatew[c]] = 1000.0;  // 1 m of inflow in a step
  EXPECT_NEAR(tfsLevelChange(c, c, Cbed[c], 4, 3), 1.0, 1e-12);
  FlagLimitSurf = 1;
  EXPECT_NEAR(tfsLevelChange(c, c, Cbed[c], 4, 3), Ckdist[c], 1e-12);
  Fflux[Cflatew[c]] = -1000.0;
  EXPECT_NEAR(tfsLevelChange(c, c, Cbed[c], 4, 3), -Ckdist[c], 1e-12);
  FlagLimitSurf = 0;
  SurfULimit = 0.5;
  Cxvel[c] = 0.2;
  EXPECT_NEAR(tfsLevelChange(c, c, Cbed[c], 4, 3), -1.0, 1e-12);
  Fflux[Cflatew[c]] = 1000.0;
  EXPECT_EQ(tfsLevelChange(c, c, Cbed[c], 4, 3), 0.0);
  Cxvel[c] = 1.5;  // (1.5 - 0.5) x 0.001 x 1 s
  EXPECT_NEAR(tfsLevelChange(c, c, Cbed[c], 4, 3), 0.001, 1e-12);
}

// ---- Corner weights ----

// Uniform flow towards +x (the column 1 m deep): below Fr 1 the change goes to
// the west corners 1 and 4, from Fr 1 on to the east corners 2 and 3.
TEST(TfsCornerWeights, UpwindWeightsFollowTheFroudeNumber) {
  struct Row {
    double u;
    double w[5];
  } rows[] = {{0.5, {0, 0.5, 0, 0, 0.5}}, {3.2, {0, 0, 0.5, 0.5, 0}}};
  for (const Row& r : rows) {
    Box box;
    Box::flow(r.u, 0.0);
    const int c0 = lowest(4, 3), c = top(4, 3);
    double dz = 0.01, w[5];
    tfsCornerWeights(c0, c, dz, w);
    for (int k = 1; k <= 4; ++k) EXPECT_NEAR(w[k], r.w[k], 1e-12) << r.u << " corner " << k;
    EXPECT_NEAR(BFroude[Cbed[c0]], r.u / std::sqrt(9.81), 1e-9);
  }
}

// Still water has no upwind side: the four corners share the change equally
// instead of losing it.
TEST(TfsCornerWeights, StillWaterSharesTheChangeEqually) {
  Box box;
  const int c0 = lowest(4, 3);
  double dz = 0.01, w[5];
  tfsCornerWeights(c0, top(4, 3), dz, w);
  for (int k = 1; k <= 4; ++k) EXPECT_DOUBLE_EQ(w[k], 0.25) << k;
  EXPECT_DOUBLE_EQ(dz, 0.01);
}

// A column at the south wall with F 472: equal weights, the wall corners 1
// and 2 doubled by the default wall factor.
TEST(TfsCornerWeights, SouthWallWithSideDampingGetsHalfAndQuarterShares) {
  Box box;
  Box::flow(0.5, 0.0);
  FlagSideSurfDamp = 1;
  double dz = 0.01, w[5];
  tfsCornerWeights(lowest(4, 2), top(4, 2), dz, w);
  const double expected[5] = {0, 0.5, 0.5, 0.25, 0.25};
  for (int k = 1; k <= 4; ++k) EXPECT_DOUBLE_EQ(w[k], expected[k]) << k;
}

// ---- One move: corners, limits and volume ----

// TFSminFlag 1: a corner 0.1 m deep moves by at most 0.01 m either way; a
// corner 1 m deep takes its full share.
TEST(TfsColumnUpdate, MinFlagLimitsAShallowCornerToATenthOfItsDepth) {
  for (double sign : {1.0, -1.0}) {
    Box box;
    const int c = top(4, 3);
    Fflux[Cflateb[c]] = sign * 400.0;  // 0.4 m, 0.1 m to each corner
    zval[3][2][1] = 0.9;               // corner 1 stands 0.1 m deep
    tfsColumnUpdate(1, 4, 3, 0);
    EXPECT_NEAR(zs(3, 2), 1.0 + sign * 0.01, 1e-12);
    EXPECT_NEAR(zs(4, 3), 1.0 + sign * 0.1, 1e-12);
    EXPECT_NEAR(zs(4, 2), 1.0 + sign * 0.1, 1e-12);
    EXPECT_NEAR(zs(3, 3), 1.0 + sign * 0.1, 1e-12);
  }
}

// The water volume of the block changes by the net inflow through the top
// cells' sides and bottoms (a known, uneven flux field), whether the columns
// lie inside or at the walls and block corners, with upwind and with equal
// weights: the wall factor 2 makes up for the wall corners being shared by
// half as many columns.
TEST(TfsColumnUpdate, AMoveChangesTheVolumeByTheNetInflow) {
  for (int upwind : {1, 0}) {
    for (double u : {0.3, 4.0}) {
      Box box(6, 4);
      FlagSurfUpwind = upwind;
      TFSminFlag = 0;
      Box::flow(u, 0.2 * u);
      double expected = 0.0;
      for (int i = 2; i <= 7; ++i)
        for (int j = 2; j <= 5; ++j) {
          const int c = top(i, j);
          const double in = 3.0 * std::sin(1.7 * i + 0.9 * j) + 1.0 * std::cos(i * j);
          Fflux[Cflatew[c]] = in;  // a face shared with the next column takes its last value
          Fflux[Cflateb[c]] = 0.5 * std::cos(2.3 * i - j);
        }
      for (int i = 2; i <= 7; ++i)
        for (int j = 2; j <= 5; ++j) {
          const int c = top(i, j);
          const double N = Fflux[Cflatee[c]] - Fflux[Cflatew[c]] + Fflux[Cflaten[c]] - Fflux[Cflates[c]];
          expected += -(N - Fflux[Cflateb[c]]) * 0.001 * TimeStep;  // 1 m2 columns
        }
      ASSERT_GT(std::fabs(expected), 0.001);
      const double before = computeVolRes();
      for (int i = 2; i <= 7; ++i)
        for (int j = 2; j <= 5; ++j) tfsColumnUpdate(1, i, j, 0);
      EXPECT_NEAR(computeVolRes() - before, expected, 1e-12) << upwind << " " << u;
    }
  }
}

// ---- The whole move ----

// A closed still basin: 100 moves leave every level where it was, and with
// F 36 14 (velocity) as well.
TEST(SurfaceTfs, AStillBasinKeepsItsLevels) {
  for (int formula : {16, 14, 15}) {
    Box box;
    FlagTFS = formula;
    for (int g = 1; g <= 2; ++g) DischargeStruct[g].surfno = 0;
    FlagSurfRegen = 1;  // the grid generated anew in every move
    const std::vector<double> before = levels();
    for (int n = 0; n < 100; ++n) surface_tfs(0, 1);
    EXPECT_EQ(levels(), before) << formula;
  }
}

// A sediment run without F 166 1 moves the levels and keeps the grid; with it
// the grid is generated for the new levels and the flow driver is told so.
TEST(SurfaceTfs, RegeneratesOnlyWhereTheRunAllowsIt) {
  Box box;
  const int c = top(4, 3);
  Fflux[Cflateb[c]] = 100.0;  // 0.1 m, equal shares at rest
  FlagGridChange = 0;
  surface_tfs(0, 1);
  EXPECT_EQ(FlagGridChange, 0);
  EXPECT_NEAR(zs(3, 3), 1.025, 1e-12);
  FlagSurfRegen = 1;
  const double top3 = Czcenter[top(4, 3)] + Ckdist[top(4, 3)];
  surface_tfs(0, 1);
  EXPECT_EQ(FlagGridChange, 1);
  EXPECT_GT(Czcenter[top(4, 3)] + Ckdist[top(4, 3)], top3 + 0.01);
}

// F 325 keeps the level before the move in the next slot.
TEST(SurfaceTfs, SlideFlagKeepsTheLevelBeforeTheMove) {
  Box box;
  FlagSlide = 1;
  const int c = top(4, 3);
  Fflux[Cflateb[c]] = 100.0;
  surface_tfs(0, 1);
  EXPECT_NEAR(zs(4, 3), 1.025, 1e-12);
  EXPECT_EQ(zval[4][3][znumber + 1], 1.0);
}

// ---- Mud layer (F 236) ----

// F 236 1: a falling mud surface stops at the non-erodible level.
TEST(TfsMudLayer, TheSurfaceDoesNotSinkBelowTheNonErodibleLevel) {
  Box box(6, 3, 1);
  ASSERT_GT(surfaceCount(), 6);
  FlagTFS = 17;
  TFS17WeightPresCorr = 1.0;
  for (int i = 0; i <= xnumber + 1; ++i)
    for (int j = 0; j <= ynumber + 1; ++j) Surfaces[3][i][j] = 0.7;
  const int c = top(4, 3);
  Fflux[Cflatee[c]] = 500.0;  // 0.5 m out
  EXPECT_NEAR(tfsLevelChange(c, c, Cbed[c], 4, 3), -0.3, 1e-12);
}

// F 236 2: a rising layer expands by E, and its solid fraction falls with the
// thickness above its lower boundary Bthixolev (not above a fixed datum).
TEST(TfsMudLayer, ExpansionScalesTheRiseAndThinsTheSolidFraction) {
  Box box(6, 3, 1);
  FlagThixo = 2;
  FlagTFS = 17;
  TFS17WeightPresCorr = 1.0;
  ThixoExpansion = 2.0;
  const int c = top(4, 3), b = Cbed[c];
  Bthixolev[b] = 0.5;  // layer 0.5 m thick below the top at 1 m
  Bsolidfraction[1][b] = 0.6;
  Fflux[Cflatew[c]] = 100.0;  // 0.1 m
  EXPECT_NEAR(tfsLevelChange(c, c, b, 4, 3), 0.2, 1e-12);
  // t = 1.0 - 0.5 + 0.1 = 0.6: 0.6 x 0.6 / (0.6 + 0.1)
  EXPECT_NEAR(Bsolidfraction[1][b], 0.36 / 0.7, 1e-12);
}

// F 236 3: the mean change of the column's slide is taken off before the
// expansion.
TEST(TfsMudLayer, TheSlideMeanIsTakenOff) {
  Box box(6, 3, 1);
  FlagThixo = 3;
  FlagTFS = 17;
  TFS17WeightPresCorr = 1.0;
  const int c = top(4, 3), b = Cbed[c];
  Bcellth[b] = 7;
  BVal[0] = 3, BVal[1] = 7, kFlux[0] = 5.0, kFlux[1] = 0.04;
  Fflux[Cflatew[c]] = 100.0;
  EXPECT_NEAR(tfsLevelChange(c, c, b, 4, 3), 0.06, 1e-12);
}

// In the water block (F 236 1) the mud-surface sums stay at the corners of
// the column: nothing is written at shifted grid points.
TEST(TfsMudLayer, WaterBlockSumsStayAtItsOwnCorners) {
  Box box(6, 3, 1);
  for (int i = 0; i <= xnumber + 1; ++i)
    for (int j = 0; j <= ynumber + 1; ++j) Surfaces[6][i][j] = Surfaces[3][i][j] = 0.0;
  FlagFixSurfSlide = 1;
  const int c = top(4, 3);
  Fflux[Cflateb[c]] = 100.0;
  tfsColumnUpdate(1, 4, 3, block[1].j2);
  double sum = 0.0;
  for (int i = 0; i <= xnumber + 1; ++i)
    for (int j = 0; j <= ynumber + 1; ++j) {
      const bool corner = (i == 3 || i == 4) && (j == 2 || j == 3);
      const bool inBlock = i >= 1 && i <= 7 && j >= 1 && j <= 4;
      EXPECT_NEAR(Surfaces[6][i][j], corner ? 0.025 : 0.0, 1e-12) << i << " " << j;
      if (inBlock) {
        EXPECT_NEAR(zs(i, j), corner ? 1.025 : 1.0, 1e-12) << i << " " << j;
      }
      sum += Surfaces[6][i][j];
    }
  EXPECT_NEAR(sum, 0.1, 1e-12);
}

// The sub-bed block (here columns j = 4..5 of the box, under the water block
// j = 2..3, dj = 2): its moved surface becomes the bed of the water block,
// its mud-surface sums and (F 347) its changes reach the grid points above.
TEST(TfsMudLayer, SubBedBlockHandsItsSurfaceToTheWaterBlock) {
  Box box(4, 4, 1);
  FlagThixo = 2;
  FlagFixSurfSlide = 1;
  block[2] = block[1];
  block[2].j1 = 4;
  block[2].subBed = 1;
  block[1].j2 = 3;
  NoBlocks = 2;
  for (int i = 0; i <= xnumber + 1; ++i)
    for (int j = 0; j <= ynumber + 1; ++j) Surfaces[6][i][j] = 0.0;
  const int c = top(3, 4);  // sub-bed column (3, 4) under water column (3, 2)
  Fflux[Cflateb[c]] = 100.0;
  surface_tfs(0, 2);
  EXPECT_NEAR(zs(2, 4), 1.025, 1e-12);
  EXPECT_NEAR(Surfaces[6][2][4], 0.025, 1e-12);
  EXPECT_NEAR(Surfaces[6][2][2], 0.025, 1e-12);  // the grid point above
  EXPECT_NEAR(Surfaces[6][4][2], 0.0, 1e-12);  // above (4, 4), no corner of the column
  // F 347: the water level above the moved corner (2, 4) took the change.
  EXPECT_NEAR(zs(2, 2), 1.025, 1e-12);
  EXPECT_NEAR(zs(4, 2), 1.0, 1e-12);
  for (int i = 1; i <= 5; ++i)
    for (int j = 3; j <= 5; ++j) EXPECT_EQ(zval[i][j - 2][1], zs(i, j)) << i << " " << j;
}

// ---- Mud-layer fluxes ----

// Without slides the routine returns at once, also without a sub-bed block.
TEST(ThixoFluxes, AnEmptySlideListChangesNothing) {
  Box box(6, 3, 1);
  kFlux[0] = 0.5;
  computeThixoFluxes();
  EXPECT_EQ(kFlux[0], 0.5);
}

// Slides without a sub-bed block end the run with -99 and say why.
TEST(ThixoFluxesDeath, SlidesWithoutASubBedBlockEndTheRun) {
  GTEST_FLAG_SET(death_test_style, "fast");
  Box box(6, 3, 1);
  BVal[0] = 1;
  BNo[0] = 1;
  EXPECT_EXIT(computeThixoFluxes(), ::testing::ExitedWithCode(256 - 99), "");
  EXPECT_NE(box.dir.dir().read("boogie").find("no sub-bed block"), std::string::npos);
}

// The mean change over the bed cells of each slide (a marker listed twice
// gets its sum twice); with E = 1 the solid fraction is kept.
TEST(ThixoFluxes, MeanChangePerSlide) {
  Box box(4, 2, 1);
  block[1].subBed = 1;
  for (int b = 1; b <= NoBCells; ++b) Bsolidfraction[1][b] = 0.6;
  // Two cells per column are needed: single-cell columns are skipped.
  // The box has one cell per column at 1 m with the default levels, so the
  // columns are taken as they are when they hold more.
  int counted = 0;
  for (int i = 2; i <= 5; ++i)
    for (int j = 2; j <= 3; ++j) {
      const int b = pointbed[i][j];
      Bcellth[b] = i <= 3 ? 4 : 9;
      Fflux[Cflatew[top(i, j)]] = i <= 3 ? 20.0 : -30.0;
      if (Ccellt[Bcellt[b]] != 0) ++counted;
    }
  ASSERT_EQ(counted, 8) << "the box needs several cells per column";
  BVal[0] = 4, BNo[0] = 4;
  BVal[1] = 9, BNo[1] = 5;  // one bed cell of slide 9 is not counted here
  BVal[2] = 4, BNo[2] = 4;
  computeThixoFluxes();
  // Each column's top cell: west inflow, east outflow of the next column's
  // west face.
  double sum4 = 0.0, sum9 = 0.0;
  for (int i = 2; i <= 5; ++i)
    for (int j = 2; j <= 3; ++j) {
      const int c = top(i, j);
      const double dz = -(Fflux[Cflatee[c]] - Fflux[Cflatew[c]]) * 0.001;
      (i <= 3 ? sum4 : sum9) += std::max(dz, -2.0 * 1.0);
    }
  EXPECT_NEAR(kFlux[0], sum4 / 4, 1e-12);
  EXPECT_NEAR(kFlux[1], sum9 / 5, 1e-12);
  EXPECT_NEAR(kFlux[2], kFlux[0], 1e-12);
  for (int b = 1; b <= NoBCells; ++b) EXPECT_EQ(Bsolidfraction[1][b], 0.6);
}

}  // namespace

namespace {

// An inflow step at the west group of a box carrying 0.2 m/s eastwards: the
// top cells' faces of the inflow group pass qIn, every other east-west face
// of the top cells the old discharge qOut (kg/s per face), so the columns
// next to the inlet gain (qIn - qOut) per face and step. The outlet level is
// held by the series at 1 m.
double inflowStepVolumeError(int damp) {
  Box box(24, 2);  // the outlet damping reaches nine rows: far from the inlet
  surfaceDownstreamDamp = damp;
  Box::flow(0.2, 0.0);
  TFSminFlag = 0;
  ArrayTimeSteps = 4;
  allocate1(TimeInTime, 5), allocate1(TimeInHinn, 5), allocate1(TimeInHout, 5);
  TimeInTime[0] = 0, TimeInTime[1] = 1000, TimeInHout[0] = TimeInHout[1] = 1.0;
  TimeInNo = 2;
  const double qIn = 30.0, qOut = 10.0;
  int inletFaces = 0, outletFaces = 0;
  for (int c = 1; c <= NoCells; ++c) {
    if (Ccellt[c] != 0) continue;
    for (int f : {Cflatew[c], Cflatee[c]}) Fflux[f] = qOut;
  }
  for (int g : {1, 2})
    for (int k = 0; k < DischargeStruct[g].surfno; ++k) {
      const int f = DischargeStruct[g].face[k];
      const int c = Fcell1[f] != 0 ? Fcell1[f] : Fcell2[f];
      if (Ccellt[c] != 0) continue;
      Fflux[f] = g == 1 ? qIn : qOut;
      ++(g == 1 ? inletFaces : outletFaces);
    }
  EXPECT_EQ(inletFaces, 2);
  EXPECT_EQ(outletFaces, 2);
  const double before = computeVolRes();
  const int steps = 10;
  for (int n = 0; n < steps; ++n) {
    stimet = n * TimeStep;
    surface_tfs(0, 1);
  }
  const double expected = steps * TimeStep * (qIn * inletFaces - qOut * outletFaces) * 0.001;
  return (computeVolRes() - before - expected) / expected;
}

}  // namespace

// Without outlet damping, with the default F 353 1 (the inlet points
// extrapolated from the rows behind) and with F 353 4 (relaxed rows), the
// volume of the block grows by the net inflow within 1 %. (The row smoothing
// of F 353 2, 3, 5 and 6 at the inlet is a rule of its own that moves water.)
TEST(SurfaceTfs, AnInflowStepFillsTheBlockByTheNetInflow) {
  for (int damp : {0, 1, 4}) EXPECT_NEAR(inflowStepVolumeError(damp), 0.0, 0.01) << damp;
}

namespace {

// Debug letter J in a flume one column wide: every 100th iteration the
// discharges through two cross-sections (1 m2 each at 0.5 m/s); a first
// section beyond the block (F 452 third value 9 in a block of six columns)
// is taken at the block's last column.
TEST(SurfaceTfs, LetterJWritesTheCrossSectionDischarges) {
  for (int sec : {1, 9}) {
    Box box(6, 1);
    Box::flow(0.5, 0.0);
    for (int c = 1; c <= NoCells; ++c) Czvel[c] = 0.0;
    debugging = 'J';
    surfaceDampSec = sec;
    Iter = 100;
    surface_tfs(0, 1);
    Iter = 150;
    surface_tfs(0, 1);
    const std::string log = box.dir.dir().boogie();
    const size_t at = log.find("Cross-continuity = 0.500000 0.500000 m3/s\n");
    EXPECT_NE(at, std::string::npos) << log;
    EXPECT_EQ(log.find("Cross-continuity", at + 1), std::string::npos) << "one line per 100 iterations";
  }
}

// A grid that cannot be generated for the new levels ends the run with the
// status of the failure and its reason, instead of measuring a broken grid.
TEST(SurfaceTfsDeathTest, AFailedRegenerationStopsTheRun) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  Box box;
  FlagSurfRegen = 1;
  MaxCeller = 10;  // the F 65 cell count the regeneration must keep to
  EXPECT_EXIT(
      {
        std::atexit([] {
          std::ifstream in("boogie");
          std::cerr << in.rdbuf();
        });
        surface_tfs(0, 1);
      },
      ::testing::ExitedWithCode(255),
      "Error: the grid could not be regenerated after the transient surface move \\(status -[0-9]+\\)");
}

}  // namespace

namespace {

// With E = 2 the slide mean counts a rise twice, and the solid fraction is
// left to the move itself (written once per move, not here as well).
TEST(ThixoFluxes, ExpansionScalesTheMeanWithoutWritingTheFraction) {
  Box box(4, 2, 1);
  block[1].subBed = 1;
  ThixoExpansion = 2.0;
  FlagSurfUpwind = 0;
  for (int b = 1; b <= NoBCells; ++b) Bsolidfraction[1][b] = 0.6, Bcellth[b] = 0;
  const int c = top(3, 2), b = pointbed[3][2];
  ASSERT_NE(Ccellt[Bcellt[b]], 0);
  Bcellth[b] = 5;
  Fflux[Cflateb[c]] = 30.0;  // 0.03 m
  BVal[0] = 5, BNo[0] = 2;
  computeThixoFluxes();
  EXPECT_NEAR(kFlux[0], 2.0 * 0.03 / 2, 1e-12);
  for (int k = 1; k <= NoBCells; ++k) EXPECT_EQ(Bsolidfraction[1][k], 0.6);
}

// F 262 with F 333: the groundwater table in the mud layer follows the moved
// mud surface, by the share of the layer it fills (1) or by 0.7 of the mean
// change (3). Column (4, 3) rises by 0.1 m at its four corners; the layer's
// lower boundary lies at 0, the table at 0.5 under a surface at 1 m.
TEST(TfsMudLayer, GroundwaterFollowsTheMudSurface) {
  struct Row {
    int gt;
    double expected;
  } rows[] = {{1, 0.5 + 0.25 * (0.5 / 1.1) * 0.4}, {3, 0.5 + 0.7 * 0.25 * 0.4}};
  for (const Row& r : rows) {
    Box box(6, 3, 1);
    FlagGroundwater = 1;
    FlagGT = r.gt;
    ASSERT_TRUE(allocate1(Bgroundwater, NoBCells + 2));
    const int c = top(4, 3), b = pointbed[4][3];
    for (int k = 1; k <= NoBCells; ++k) Bthixolev[k] = 0.0, Bgroundwater[k] = 0.5;
    Fflux[Cflateb[c]] = 400.0;  // 0.4 m, 0.1 m at each corner
    tfsColumnUpdate(1, 4, 3, 0);
    EXPECT_NEAR(Bgroundwater[b], r.expected, 1e-12) << r.gt;
  }
}

// F 262: when the sub-bed block hands its surface to the water block, the
// groundwater table g of each sub-bed column (i, j) first rises by half the
// height of the mud surface zs (mean of its corners) above the bed zb of the
// water column (i, j - 2) when g lies above the layer's lower boundary T;
// then it takes the water level zw of that water column when zw lies above
// zs, else min(g, zs). Sub-bed columns j = 4..5 (zs = 1 m) under the water
// columns j = 2..3 (bed 0, water 1 m, but 1.4 m at the grid points (4,1) and
// (4,2)): zw = 1.2 for the water columns (4,2), (5,2), 1.1 for (4,3), (5,3),
// else 1. g = 0.3 and T = 0 unless given:
//   (2,4): 0.3 + 0.5 = 0.8;  (3,4) g 0.7: 1.2, held at zs = 1;
//   (2,5) g 0.9 below T = 1: no rise, 0.9;  (3,5): 0.8;
//   (4,4), (5,4): zw = 1.2;  (4,5), (5,5): zw = 1.1.
TEST(TfsMudLayer, SubBedGroundwaterFollowsTheWaterBlock) {
  Box box(4, 4, 1);
  FlagThixo = 2;
  FlagGroundwater = 1;
  block[2] = block[1];
  block[2].j1 = 4;
  block[2].subBed = 1;
  block[1].j2 = 3;
  NoBlocks = 2;
  ASSERT_TRUE(allocate1(Bgroundwater, NoBCells + 2));
  ASSERT_NE(Bthixolev, nullptr);
  for (int j : {1, 2}) zs(4, j) = zval[4][j][znumber + 1] = 1.4;
  for (int k = 1; k <= NoBCells; ++k) Bthixolev[k] = 0.0, Bgroundwater[k] = 0.3;
  Bgroundwater[pointbed[3][4]] = 0.7;
  Bgroundwater[pointbed[2][5]] = 0.9;
  Bthixolev[pointbed[2][5]] = 1.0;
  surface_tfs(0, 2);
  const double expected[6][6] = {{}, {}, {0, 0, 0, 0, 0.8, 0.9}, {0, 0, 0, 0, 1.0, 0.8}, {0, 0, 0, 0, 1.2, 1.1},
                                 {0, 0, 0, 0, 1.2, 1.1}};
  for (int i = 2; i <= 5; ++i)
    for (int j = 4; j <= 5; ++j) EXPECT_NEAR(Bgroundwater[pointbed[i][j]], expected[i][j], 1e-12) << i << " " << j;
}

}  // namespace
