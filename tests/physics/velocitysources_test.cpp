// The momentum source sequence and the terms only it adds: turbidity and
// thermocline buoyancy, diagonal doublings, shallow-face damping, bridge drag;
// the dune and roughness-layer drags.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "flow/stages.h"
#include "physics/physics.h"
#include "physics_fixture.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

using namespace physics_test;

namespace {

// nx x ny columns of nz cells, 1 m by 1 m, bed at 0, water at depth.
SmallGrid grid(int nx, int ny, int nz, double depth = 1.0) {
  SmallGrid g;
  g.nx = nx;
  g.ny = ny;
  g.nz = nz;
  g.water = [depth](int, int) { return depth; };
  g.build();
  fillAreaVectors();
  markWallsBelowSurface();
  for (int b = 1; b <= NoBCells; ++b) Barea[b] = g.dx * g.dy;
  return g;
}

void clearEquation() {
  for (int c = 0; c <= NoCells; ++c) Cap[c] = Csource[c] = 0.0;
}

double sum(const double* a) {
  double s = 0;
  for (int c = 1; c <= NoCells; ++c) s += a[c];
  return s;
}

}  // namespace

// The sequence adds wind to u and v and never to w.
TEST(VelocitySources, WindNeverActsOnW) {
  InProjectDir dir;
  grid(2, 2, 2);
  Wind[0] = 10.0;
  Wind[1] = 1.0;
  Wind[2] = 0.0;
  for (int eq : {1, 3}) {
    Equation = eq;
    Cf = eq == 1 ? Cxvel : Czvel;
    clearEquation();
    VelocitySources();
    if (eq == 1)
      EXPECT_GT(sum(Csource), 0.0);
    else
      EXPECT_EQ(sum(Csource), 0.0);
  }
}

// The turbidity current acts on w only and only above a factor of 0.001:
// -9.81 x 1000 x (s - 1) x F 18 x c x volume.
TEST(VelocitySources, TurbidityCurrentAboveTheThresholdOnWOnly) {
  InProjectDir dir;
  grid(1, 1, 2);
  for (int c = 1; c <= NoCells; ++c) Cconc[0][c] = 0.01;
  struct Case {
    double sourDens;
    int eq;
    double expected;  // per cell of 0.5 m3
  };
  const Case cases[] = {{0.001, 3, 0.0}, {0.002, 1, 0.0}, {0.002, 3, -0.5 * 9810.0 * 1.65 * 0.002 * 0.01}};
  for (const Case& k : cases) {
    SourDens = k.sourDens;
    Equation = k.eq;
    Cf = Czvel;
    clearEquation();
    VelocitySources();
    for (int c = 1; c <= NoCells; ++c) EXPECT_NEAR(Csource[c], k.expected, 1e-12) << k.sourDens << " eq " << k.eq;
  }
}

// The thermocline buoyancy is 1000 x volume x (rho(thermocline) - rho(T)),
// without a gravity factor, on w only, and it replaces the density-gradient
// force. Cells of 0.5 m3 at 20 deg C under a thermocline of 10 deg C: by
// hand 1000 x 0.5 x (0.99969795 - 0.99820079) = 0.74858.
TEST(VelocitySources, ThermoclineBuoyancyWeighsTheDensityDifference) {
  InProjectDir dir;
  NoComponents = 1;
  TemperatureFlag = 1;
  grid(2, 1, 2);
  FlagThermocline = 1;
  Thermocline = 10.0;
  relaxDensityTurb = 1.0;
  UMethod = 0;
  for (int c = 1; c <= NoCells; ++c) Ccomp[0][c] = c <= 2 ? 20.0 : 4.0;
  for (int eq : {1, 2, 3}) {
    Equation = eq;
    Cf = eq == 1 ? Cxvel : eq == 2 ? Cyvel : Czvel;
    clearEquation();
    VelocitySources();
    for (int c = 1; c <= NoCells; ++c) {
      const double expected =
          eq == 3 ? 1000.0 * Cvol[c] * (waterDensity(10.0) - waterDensity(Ccomp[0][c])) : 0.0;
      EXPECT_NEAR(Csource[c], expected, 1e-12) << "eq " << eq << " cell " << c;
    }
  }
  // Water at 20 deg C is lighter than at 10 and rises; at 4 deg C it sinks.
  ASSERT_DOUBLE_EQ(Cvol[1], 0.5);
  EXPECT_NEAR(Csource[1], 0.74858, 1e-5);
  EXPECT_GT(Csource[1], 0.0);
  EXPECT_LT(Csource[3], 0.0);
  EXPECT_NEAR(waterDensity(4.029325), 0.9999726, 1e-15);
}

// F 291 2: a steepness ratio of exactly 1.1 leaves the cell alone, above it
// the diagonal doubles with the source that keeps the field. F 291 3: two
// neighbouring qualifying cells each end with four times their diagonal.
TEST(VelocitySources, DoublingsUnderSteepBottomFaces) {
  InProjectDir dir;
  grid(3, 1, 1);
  Equation = 1;
  Cf = Cxvel;
  setField(Cxvel, [](int c) { return 0.1 * c; });
  // Cells 1 and 2 steep (bed-cell area 1.2 over a bottom face of 1), cell 3
  // exactly at 1.1.
  Barea[1] = Barea[2] = 1.2;
  Barea[3] = 1.1;
  FlagDamp2 = 2;
  for (int c = 1; c <= NoCells; ++c) Cap[c] = 10.0, Csource[c] = 0.0;
  VelocitySources();
  EXPECT_DOUBLE_EQ(Cap[1], 20.0);
  EXPECT_DOUBLE_EQ(Csource[1], 10.0 * Cxvel[1]);
  EXPECT_DOUBLE_EQ(Cap[3], 10.0);
  EXPECT_EQ(Csource[3], 0.0);

  FlagDamp2 = 3;
  for (int c = 1; c <= NoCells; ++c) Cap[c] = 10.0, Csource[c] = 0.0;
  VelocitySources();
  EXPECT_DOUBLE_EQ(Cap[1], 40.0);
  EXPECT_DOUBLE_EQ(Cap[2], 40.0);
  // The field stays a solution: Cap phi - Csource grows from 10 phi by the
  // doubling only through the source.
  EXPECT_DOUBLE_EQ(Cap[1] * Cxvel[1] - Csource[1], 10.0 * Cxvel[1]);
  // Cell 3 is the east neighbour of qualifying cell 2 only.
  EXPECT_DOUBLE_EQ(Cap[3], 20.0);
  // F 291 1 doubles single-cell columns only: here all are.
  FlagDamp2 = 1;
  for (int c = 1; c <= NoCells; ++c) Cap[c] = 10.0, Csource[c] = 0.0;
  VelocitySources();
  EXPECT_DOUBLE_EQ(Cap[1], 20.0);
  EXPECT_DOUBLE_EQ(Cap[3], 10.0);
}

// Damping at shallow faces: depth over the two lowest cell heights at 0.5
// adds nothing; below it, each cell of both columns gets
// 1000 (1 - r^2) |u . n|; a face with dry corners (d <= 0) the full 1000.
TEST(VelocitySources, ShallowFaceDamping) {
  InProjectDir dir;
  FlagShallowDamp = 1;
  struct Case {
    double depth;   // water depth everywhere (m)
    double factor;  // expected 1000 (1 - r^2)
  };
  // Two cells of 0.5 m per column: the lowest cells have half heights of
  // 0.25 m each, so r = depth / 0.5; the depth at the face is set on its two
  // corner grid lines, apart from the cells.
  const Case cases[] = {{0.25, 0.0}, {0.2, 1000.0 * (1 - 0.16)}, {-0.2, 1000.0}};
  for (const Case& k : cases) {
    grid(2, 1, 2, 1.0);  // cells 0.5 m high: Ckdist 0.25 each, sum 0.5
    // Grid lines at the east face (i = 2, j = 1 and 2): water depth k.depth.
    for (int j = 1; j <= 2; ++j) {
      zval[2][j][1] = 0.0;
      zval[2][j][znumber] = k.depth;
    }
    setField(Cxvel, [](int) { return 0.2; });
    setField(Cyvel, [](int) { return 0.1; });
    Equation = 1;
    Cf = Cxvel;
    clearEquation();
    VelocitySources();
    // r = depth / 0.5; both columns (cells 1, 2 and 3, 4) get the term.
    for (int c = 1; c <= NoCells; ++c) EXPECT_NEAR(Cap[c], k.factor * 0.2, 1e-9) << k.depth << " cell " << c;
  }
}

// Bridge boxes: the overlap of each cell with the box times coefficient x
// width x 1000, times the horizontal speed below a coefficient of 0.7.
TEST(VelocitySources, BridgeDragLinearFromCoefficientPointSeven) {
  InProjectDir dir;
  grid(2, 1, 4);  // cells 0.25 m high
  setField(Cxvel, [](int) { return 0.3; });
  setField(Cyvel, [](int) { return 0.4; });
  Equation = 2;
  Cf = Cyvel;
  BridgeNo = 1;
  for (double coefficient : {0.7, 0.69}) {
    Bridge[1] = BridgeBox{2, 2, 2, 2, 0.6, 2.0, coefficient};
    clearEquation();
    VelocitySources();
    const double speed = coefficient < 0.7 ? 0.5 : 1.0;
    // Column (2, 2): cells 1..4; the box covers 0.6..1.0 of it.
    EXPECT_EQ(Cap[1], 0.0);
    EXPECT_EQ(Cap[2], 0.0);
    EXPECT_NEAR(Cap[3], 0.15 * coefficient * 1000.0 * speed, 1e-9) << coefficient;
    EXPECT_NEAR(Cap[4], 0.25 * coefficient * 1000.0 * speed, 1e-9) << coefficient;
    for (int c = 5; c <= 8; ++c) EXPECT_EQ(Cap[c], 0.0) << "outside the box";
  }
}

// The one-cell term, the triangle doubling and the boundary conditions come
// in; the deferred correction and the vegetation of other options stay out.
TEST(VelocitySources, OneCellTermAndTriangleDoubling) {
  InProjectDir dir;
  grid(2, 1, 1);
  Equation = 1;
  Cf = Cxvel;
  setField(Cxvel, [](int) { return 1.0; });
  OneCellSource = 1;
  Conecell[1] = 1;
  FlagCorrTrekant = 11;
  Ctrekant[2] = 3;
  clearEquation();
  VelocitySources();
  // The one-cell term comes before the doubling.
  EXPECT_DOUBLE_EQ(Cap[1], 1000.0 * Cvol[1]);
  EXPECT_EQ(Cap[2], 0.0);
  for (int c = 1; c <= NoCells; ++c) Cap[c] = 5.0, Csource[c] = 0.0;
  OneCellSource = 0;
  VelocitySources();
  EXPECT_DOUBLE_EQ(Cap[2], 10.0);
  EXPECT_DOUBLE_EQ(Csource[2], 5.0);
  EXPECT_DOUBLE_EQ(Cap[1], 5.0);
}

// Dune drag by hand for one column, none without bed forms, none for k, and
// a quarter per cell when the column has twice the cells.
TEST(DuneDrag, ByHandAndAQuarterPerCellWithTwiceTheCells) {
  InProjectDir dir;
  std::vector<double> perCell;
  for (int nz : {2, 4}) {
    SetArraysZero();
    setControlDefaults();
    grid(1, 1, nz, 2.0);
    const int top = nz;
    Cxvel[top] = 0.6;
    Cyvel[top] = 0.8;
    Bedformheight[1] = 0.5;
    Equation = 4;
    clearEquation();
    computeDragDune();
    EXPECT_EQ(sum(Cap), 0.0);
    Equation = 1;
    computeDragDune();
    const double ks = 1.1 * 0.5 * (1 - std::exp(-25.0 * 0.5 / (7.3 * 2.0)));
    const double D = std::pow(ks, 0.333) * (1.0 / nz) * 9810.0 / 676.0 / nz;
    for (int c = 1; c <= NoCells; ++c) EXPECT_NEAR(Cap[c], D, 1e-12) << nz;
    perCell.push_back(Cap[1]);
    Bedformheight[1] = 0.0;
    clearEquation();
    computeDragDune();
    EXPECT_EQ(sum(Cap), 0.0);
  }
  EXPECT_NEAR(perCell[1], perCell[0] / 4.0, 1e-15);
}

// The coefficient has neither the plan area nor the depth of the column in
// it (the depth acts through ks alone): ks 0.1, U 1, n 2 gives
// 0.1^0.333 * 0.5 * 9810/676 / 2 whatever the column's size.
TEST(DuneDrag, TheCoefficientIsTheColumnFormula) {
  EXPECT_NEAR(duneDragCoefficient(0.1, 1.0, 2), std::pow(0.1, 0.333) * 0.5 * 9810.0 / 676.0 / 2.0, 1e-12);
  EXPECT_EQ(duneDragCoefficient(0.1, 1.0, 0), 0.0);
}

// Roughness-layer drag by hand: a column of four cells of 0.25 m, ks 0.6 m:
// cells 1 (z 0.125) and 2 (0.375) lie below ks, cell 3 (0.625) is the first
// above and gives the reference speed.
TEST(RoughnessLayerDrag, ExcessOverTheLinearProfileByHand) {
  InProjectDir dir;
  grid(1, 1, 4);
  ParamDrevan = 2.0;
  for (int c = 1; c <= 4; ++c) Croughness[c] = 0.6;
  const double u[] = {0, 0.5, 0.2, 0.6, 0.7};
  setField(Cxvel, [&](int c) { return u[c]; });
  setField(Cyvel, [](int) { return 0.0; });
  Equation = 3;
  clearEquation();
  computeDrevan(1, NoCells);
  EXPECT_EQ(sum(Cap), 0.0);
  Equation = 2;
  computeDrevan(1, NoCells);
  const double Uks = 0.6;
  EXPECT_NEAR(Cap[1], (0.5 - 0.125 / 0.6 * Uks) * 1000.0 * 0.25 * 2.0, 1e-9);
  EXPECT_EQ(Cap[2], 0.0);  // slower than the profile
  EXPECT_EQ(Cap[3], 0.0);
  EXPECT_EQ(Cap[4], 0.0);
  // A roughness above every cell but the top: no reference, the top cell is
  // never damped.
  for (int c = 1; c <= 4; ++c) Croughness[c] = 5.0;
  clearEquation();
  computeDrevan(1, NoCells);
  for (int c = 1; c <= 3; ++c) EXPECT_NEAR(Cap[c], u[c] * 1000.0 * 0.25 * 2.0, 1e-9) << c;
  EXPECT_EQ(Cap[4], 0.0);
  // The bottom cell's centre above ks: nothing.
  for (int c = 1; c <= 4; ++c) Croughness[c] = 0.1;
  clearEquation();
  computeDrevan(1, NoCells);
  EXPECT_EQ(sum(Cap), 0.0);
}
