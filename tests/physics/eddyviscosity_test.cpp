// Eddy viscosity of the turbulence models: textbook values, floors, caps,
// damping, additions and independence of the cell chunks.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "physics/physics.h"
#include "physics_fixture.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

using namespace physics_test;

namespace {

// A 2 x 2 column grid of two cells per column, 1 m deep, uniform k and eps.
void uniformGrid(double k, double eps) {
  SmallGrid g;
  g.build();
  fillAreaVectors();
  markWallsBelowSurface();
  setField(Ckinen, [k](int) { return k; });
  setField(Cepsilon, [eps](int) { return eps; });
}

}  // namespace

// Cmu k^2/eps times the density of water, plus the floor F 72 + F 34, capped
// by F 88; the k-omega models give k/omega as a dynamic viscosity too.
TEST(EddyViscosity, ModelValuesForSetKAndEpsilon) {
  struct Case {
    int model, equation;
    double k, eps, artEddy, expected;
  };
  const Case cases[] = {
      {0, 1, 0.01, 0.001, 0.0, 0.09 * 1000 * 0.01 * 0.01 / 0.001 + 0.001},          // 9.001
      {0, 1, 1.0, 1e-6, 0.0, 1000.0},                                                // cap F 88
      {0, 1, 0.01, 0.001, 0.5, 9.001 + 0.5},                                         // F 34 added
      {1, 1, 0.01, 0.001, 0.0, 0.0845 * 1000 * 0.01 * 0.01 / 0.001 + 0.001},         // RNG Cmu
      {0, 6, 0.01, 0.001, 0.0, 0.7692 * 9.001},                                      // epsilon diffusivity
      {1, 6, 0.01, 0.001, 0.0, 8.451},                                               // RNG keeps it
      {3, 6, 0.01, 0.001, 0.0, 9.001},                                               // as does model 3
      {4, 1, 0.01, 0.001, 0.0, 0.001},                                               // constant: the floor
      {5, 1, 0.01, 0.001, 0.0, 0.001},                                               // no wind: the floor
      {15, 1, 0.01, 0.5, 0.0, 1000.0 * 0.01 / 0.5},                                  // k over omega
      {16, 6, 0.01, 0.5, 0.0, 1000.0 * 0.01 / 0.5},
      {20, 1, 0.01, 0.001, 0.0, 9.001},
  };
  InProjectDir dir;
  for (const Case& k : cases) {
    setControlDefaults();
    uniformGrid(k.k, k.eps);
    TurbulenceModel = k.model;
    ArtEddyVisc = k.artEddy;
    Equation = k.equation;
    GammaCalc(1, NoCells);
    for (int c = 1; c <= NoCells; ++c) {
      EXPECT_NEAR(Cgamma[c], k.expected, 1e-9 * k.expected) << "model " << k.model << " eq " << k.equation;
      EXPECT_EQ(CgammaV[c], Cgamma[c]);
    }
  }
}

// F 235 value 24 averages with the previous value; F 121 keeps CgammaV.
TEST(EddyViscosity, AveragingWithPreviousValueAndFrozenVertical) {
  InProjectDir dir;
  uniformGrid(0.01, 0.001);
  setField(Cgamma, [](int) { return 3.0; });
  setField(CgammaV, [](int) { return 7.0; });
  FlagCorrTrekant = 24;
  FlagTurbDLL = 1;
  Equation = 1;
  GammaCalc(1, NoCells);
  for (int c = 1; c <= NoCells; ++c) {
    EXPECT_DOUBLE_EQ(Cgamma[c], 0.5 * 9.001 + 0.5 * 3.0);
    EXPECT_EQ(CgammaV[c], 7.0);
  }
  // Models 4 and 6 keep the floor even then.
  TurbulenceModel = 4;
  GammaCalc(1, NoCells);
  EXPECT_DOUBLE_EQ(Cgamma[1], 0.001);
}

// Wind-driven models: u* = sqrt(0.0012 W / 1000) with W = U^2 for 5 m/s.
TEST(EddyViscosity, WindDrivenModels) {
  InProjectDir dir;
  uniformGrid(0.01, 0.001);
  Wind[0] = 5.0;
  const double ustar = std::sqrt(0.0012 * 25.0 * 0.001);
  Equation = 1;
  TurbulenceModel = 7;  // 1000 * 0.11 * depth * u*, depth 1 m
  GammaCalc(1, NoCells);
  for (int c = 1; c <= NoCells; ++c) EXPECT_NEAR(Cgamma[c], 0.001 + 110.0 * ustar, 1e-12);
  TurbulenceModel = 5;  // 400 * Cmu^0.25 * half height of the top cell * u*
  GammaCalc(1, NoCells);
  for (int c = 1; c <= NoCells; ++c) EXPECT_NEAR(Cgamma[c], 0.001 + 400.0 * 0.5477 * 0.25 * ustar, 1e-12);
}

// Model 5 gives the whole range one value, from the first top cell of the
// range: columns 1 m deep in i = 2 and 3 m deep in i = 3, two cells each, so
// the first top cell (the first column's) has the half height 0.25 m and
// every cell, the deep column's too, gets 400 * 0.5477 * 0.25 * u*. A chunk
// of the work range takes the work range's first top cell; a range of the
// deep column alone takes its own, 0.75 m.
TEST(EddyViscosity, ModelFiveTakesTheFirstTopCellOfTheRange) {
  InProjectDir dir;
  SmallGrid g;
  g.nx = 2, g.ny = 1, g.nz = 2;
  g.water = [](int i, int) { return i == 2 ? 1.0 : 3.0; };
  g.build();
  fillAreaVectors();
  setField(Ckinen, [](int) { return 0.01; });
  setField(Cepsilon, [](int) { return 0.001; });
  ASSERT_DOUBLE_EQ(Ckdist[g.cell(2, 2, 2)], 0.25);
  ASSERT_DOUBLE_EQ(Ckdist[g.cell(3, 2, 2)], 0.75);
  Wind[0] = 5.0;
  TurbulenceModel = 5;
  Equation = 1;
  WCStart = 1, WCEnd = NoCells;
  const double ustar = std::sqrt(0.0012 * 25.0 * 0.001);
  const double shallow = 0.001 + 400.0 * 0.5477 * 0.25 * ustar, deep = 0.001 + 400.0 * 0.5477 * 0.75 * ustar;
  GammaCalc(1, NoCells);
  for (int c = 1; c <= NoCells; ++c) EXPECT_NEAR(Cgamma[c], shallow, 1e-12) << c;
  setField(Cgamma, [](int) { return 0.0; });
  GammaCalc(1, 3);
  GammaCalc(4, NoCells);
  for (int c = 1; c <= NoCells; ++c) EXPECT_NEAR(Cgamma[c], shallow, 1e-12) << "chunks, cell " << c;
  WCStart = 3;
  GammaCalc(3, NoCells);
  for (int c = 3; c <= NoCells; ++c) EXPECT_NEAR(Cgamma[c], deep, 1e-12) << "deep column alone, cell " << c;
}

// Additions and factors: each applies only beyond its dead band and to the
// equations it names.
TEST(EddyViscosity, AdditionsAndFactors) {
  struct Case {
    const char* what;
    int equation;
    double artDiff, multVert, multHor, multVertU, multHorU;
    double expectH, expectV;  // factors on 9.001 plus the addition
  };
  const double b = 9.001;
  const Case cases[] = {
      {"ArtDiff 0.001 adds nothing", 1, 0.001, 1, 1, 1, 1, b, b},
      {"ArtDiff 0.0011 adds", 1, 0.0011, 1, 1, 1, 1, b + 0.0011, b + 0.0011},
      {"F 149 inside band", 5, 0, 1.005, 0.995, 1, 1, b, b},
      {"F 149 vertical", 5, 0, 1.5, 1, 1, 1, b, 1.5 * b},
      {"F 149 horizontal", 7, 0, 1, 2.0, 1, 1, 2.0 * b, b},
      {"F 544 1.5 velocities", 2, 0, 1, 1, 1.5, 1.5, 1.5 * b, 1.5 * b},
      {"F 544 1.5 not for k", 5, 0, 1, 1, 1.5, 1.5, b, b},
      {"F 544 0.5 for k", 5, 0, 1, 1, 0.5, 0.5, 0.5 * b, 0.5 * b},
  };
  InProjectDir dir;
  for (const Case& k : cases) {
    setControlDefaults();
    uniformGrid(0.01, 0.001);
    Equation = k.equation;
    ArtDiff = k.artDiff;
    TurbMultVert = k.multVert;
    TurbMultHor = k.multHor;
    TurbMultVertU = k.multVertU;
    TurbMultHorU = k.multHorU;
    GammaCalc(1, NoCells);
    EXPECT_NEAR(Cgamma[3], k.expectH, 1e-9) << k.what;
    EXPECT_NEAR(CgammaV[3], k.expectV, 1e-9) << k.what;
  }
}

// Corner columns (F 440) multiply Cgamma of the whole column; on the 2 x 2
// grid every column is a corner, on a 3 x 3 grid the middle one is not.
TEST(EddyViscosity, CornerColumnFactor) {
  InProjectDir dir;
  SmallGrid g;
  g.nx = g.ny = 3;
  g.build();
  fillAreaVectors();
  setField(Ckinen, [](int) { return 0.01; });
  setField(Cepsilon, [](int) { return 0.001; });
  VertDiffTrekant = 4.0;
  Equation = 1;
  GammaCalc(1, NoCells);
  for (int k = 1; k <= 2; ++k) {
    EXPECT_NEAR(Cgamma[g.cell(2, 2, k)], 4.0 * 9.001, 1e-9);  // corner
    EXPECT_NEAR(Cgamma[g.cell(3, 2, k)], 9.001, 1e-9);        // edge, neighbours east and west
    EXPECT_NEAR(Cgamma[g.cell(3, 3, k)], 9.001, 1e-9);        // middle
  }
}

// Stratification damping: (1 + beta Ri)^alpha for a stable pair, 1 for a
// neutral one; Ri = -9.81 (drho/dz) (dz/du)^2 with the excess density of the
// suspension (s - 1) C.
TEST(EddyViscosity, StratificationDampingOfAPair) {
  InProjectDir dir;
  uniformGrid(0.01, 0.001);
  TDbeta = 10.0;
  TDalpha = -0.5;
  const int lower = 1, upper = 2;  // one column, Ckdist 0.25 each
  setField(Cxvel, [](int c) { return c == 2 ? 0.5 : 0.0; });
  EXPECT_EQ(coeff_turbdens(lower, upper), 1.0);  // no density difference
  FlagTSC = 1;
  Cconc[0][lower] = 0.01;
  Cconc[0][upper] = 0.0;
  const double drho = -(2.65 - 1.0) * 0.01, dz = 0.5;
  const double s = dz / (0.5 + 1e-6);
  const double Ri = -9.81 * (drho / dz) * s * s;
  EXPECT_NEAR(coeff_turbdens(lower, upper), std::pow(1.0 + 10.0 * Ri, -0.5), 1e-12);
  EXPECT_NEAR(densityDamp(lower, upper), 9.81 * drho / dz, 1e-12);
  // Unstable: heavier water above gives 1.
  Cconc[0][lower] = 0.0;
  Cconc[0][upper] = 0.01;
  EXPECT_EQ(coeff_turbdens(lower, upper), 1.0);
  // F 71 value 2 applies it in GammaCalc (both cells of the column see the pair 1..2).
  Cconc[0][lower] = 0.01;
  Cconc[0][upper] = 0.0;
  TurbDensFlag = 2;
  Equation = 1;
  GammaCalc(1, 2);
  EXPECT_NEAR(Cgamma[1], 9.001 * std::pow(1.0 + 10.0 * Ri, -0.5), 1e-9);
}

// The realizable model without velocity gradients: Cmu = 1/4.04 is not below
// 0.09, so the value is 90 k^2/eps without floor.
TEST(EddyViscosity, RealizableWithoutGradients) {
  InProjectDir dir;
  uniformGrid(0.01, 0.001);
  setField(Cxvel, [](int) { return 0.7; });
  TurbulenceModel = 17;
  Equation = 1;
  GammaCalc(1, NoCells);
  for (int c = 1; c <= NoCells; ++c) EXPECT_NEAR(Cgamma[c], 9.0, 1e-12);
}

// Realizable model in a pure shear u = G z: S has only S_xz = S_zx = G/2,
// so tr(S^3) = 0, W = 0, phi = pi/6 and A_s = sqrt(6) cos(pi/6); the rotation
// has O_xz = -O_zx = G/2, so U* = sqrt(S_ij S_ij + O_ij O_ij) = G.
TEST(EddyViscosity, RealizableInPureShear) {
  InProjectDir dir;
  SmallGrid g;
  g.nz = 4;
  g.build();
  fillAreaVectors();
  const double G = 2.0, k = 0.01, eps = 0.001;
  setField(Ckinen, [k](int) { return k; });
  setField(Cepsilon, [eps](int) { return eps; });
  setField(Cxvel, [G](int c) { return G * Czcenter[c]; });
  TurbulenceModel = 17;
  Equation = 1;
  GammaCalc(1, NoCells);
  const double As = std::sqrt(6.0) * std::cos(std::acos(0.0) / 3.0);
  const double Cmu = 1.0 / (4.04 + As * k * G / eps);
  ASSERT_LT(Cmu, 0.09);
  const int c = g.cell(2, 2, 2);  // a cell with cells above and below
  EXPECT_NEAR(Cgamma[c], 1000.0 * Cmu * k * k / eps, 1e-9);
}

// Low-Reynolds vertical forms: model 8 with a fast deep column keeps CgammaV
// = Cgamma; model 11 in a shallow column (half depth against the bottom face)
// gives M + 0.001 with M = 1000 * 0.22 * sqrt(0.3 k_bottom) * H.
TEST(EddyViscosity, LowReynoldsVerticalForms) {
  InProjectDir dir;
  uniformGrid(0.01, 0.001);
  Equation = 1;
  TurbulenceModel = 8;
  setField(Cxvel, [](int) { return 1.0; });  // Re = 1e6 >= 3000
  GammaCalc(1, NoCells);
  for (int c = 1; c <= NoCells; ++c) EXPECT_EQ(CgammaV[c], Cgamma[c]);
  // Still water with a small k: y+ of each cell, f = 1 - exp(-0.0002 y+ - 0.00065 y+^2).
  setField(Cxvel, [](int) { return 0.0; });
  setField(Ckinen, [](int) { return 1e-9; });
  setField(Cepsilon, [](int) { return 1e-16; });
  const double gamma = 90.0 * 1e-18 / (1e-16 + 1e-20) + 0.001;
  const double sSmall = std::sqrt(0.3 * 1e-9);
  GammaCalc(1, NoCells);
  for (int k = 1; k <= 2; ++k) {
    const double y = k == 1 ? 0.25 : 0.75, yp = sSmall * y * 1e6;
    const double f = 1.0 - std::exp(-0.0002 * yp - 0.00065 * yp * yp);
    ASSERT_LT(f, 0.2);
    EXPECT_NEAR(CgammaV[k], f * gamma + 0.001, 1e-9) << "cell " << k;
  }
  // Model 11 on columns 8 m wide and 1 m deep: H / L = 0.5 / 8 lies between
  // 0.05 and 0.1, so sqrt(Cgamma M) + 0.001 applies; 20 m wide gives 0.025
  // and M + 0.001, M = 1000 * 0.22 * sqrt(0.3 k_bottom) * H.
  TurbulenceModel = 11;
  const double s = std::sqrt(0.3 * 0.01), M = 1000.0 * 0.22 * s * 0.5;
  for (double width : {8.0, 20.0}) {
    SmallGrid w;
    w.dx = w.dy = width;
    w.build();
    fillAreaVectors();
    setField(Ckinen, [](int) { return 0.01; });
    setField(Cepsilon, [](int) { return 0.001; });
    GammaCalc(1, NoCells);
    const double expected = width == 8.0 ? std::sqrt(9.001 * M) + 0.001 : M + 0.001;
    for (int c = 1; c <= NoCells; ++c) EXPECT_NEAR(CgammaV[c], expected, 1e-9) << "width " << width;
  }
}

// The field of one call over the whole range equals the field of the drivers'
// chunks, on one thread or four, for models and steps that work per column.
TEST(EddyViscosity, SameFieldOnOneRangeAndOnChunks) {
  struct Case {
    const char* what;
    std::function<void()> set;
  };
  const Case cases[] = {
      {"model 0", [] {}},
      {"model 7 wind", [] { TurbulenceModel = 7; Wind[0] = 8.0; }},
      {"model 5 wind", [] { TurbulenceModel = 5; Wind[0] = 8.0; }},
      {"model 8", [] { TurbulenceModel = 8; }},
      {"model 9", [] { TurbulenceModel = 9; }},
      {"model 12", [] { TurbulenceModel = 12; }},
      {"model 13", [] { TurbulenceModel = 13; }},
      {"corner columns", [] { VertDiffTrekant = 3.0; }},
      {"dune eddy 5", [] { FlagDuneEddy = 5; }},
      {"roughness layer 12", [] { FlagDrevan = 12; ParamDrevan = 2.0; }},
      {"stratification", [] { TurbDensFlag = 2; TDbeta = 10; TDalpha = -0.5; FlagTSC = 1; }},
      {"slide layer", [] {
         FlagThixo = 2;
         block[1].subBed = 1;
         TimeStep = 1.0;
         ThixoCritshear = 50.0;
         FlagDrevan = 12;
         ParamDrevan = 2.0;
       }},
  };
  // The generated grid, and a hand-built one whose columns are numbered
  // upward from their bottom cells, so that chunks begin inside columns.
  // Each case starts afresh, options, arrays and grid.
  auto build = [](int grid) {
    if (grid == 0) {
      ASSERT_TRUE(FlowGrid::sloping(8, 4).build());
    } else {
      SmallGrid g;
      g.nx = g.ny = 3;
      g.nz = 5;
      g.water = [](int i, int j) { return 1.0 + 0.3 * i + 0.1 * j; };
      g.build();
      fillAreaVectors();
    }
    ASSERT_GT(NoCells, 40);
    for (int b = 1; b <= NoBCells; ++b) {
      Bedformheight[b] = 0.3;
      Barea[b] = 1.0;
      Bdepth[b] = 1.5;
    }
    setField(Ckinen, [](int c) { return 0.001 * (1 + c % 7); });
    setField(Cepsilon, [](int c) { return 1e-4 * (1 + c % 5); });
    setField(Cxvel, [](int c) { return 0.01 * (c % 11); });
    setField(Cyvel, [](int c) { return 0.02 * (c % 3); });
    setField(Cconc[0], [](int c) { return 0.001 * (c % 4); });
  };
  for (int grid : {0, 1}) {
  for (const Case& k : cases) {
    InProjectDir dir;
    build(grid);
    ASSERT_GT(NoCells, 40);
    k.set();
    Equation = 1;
    int compared = 0;
    setField(Cgamma, [](int) { return 0.0; });
    setField(CgammaV, [](int) { return 0.0; });
    GammaCalc(WCStart, WCEnd);
    const std::vector<double> g = copy(Cgamma), gv = copy(CgammaV);
    for (auto [parts, threads] : {std::pair{4, 1}, {4, 4}, {7, 4}, {13, 4}}) {
      setField(Cgamma, [](int) { return 0.0; });
      setField(CgammaV, [](int) { return 0.0; });
      runChunked(GammaCalc, parts, threads);
      for (int c = 1; c <= NoCells; ++c) {
        ASSERT_EQ(Cgamma[c], g[c]) << k.what << ", " << parts << " chunks, cell " << c;
        ASSERT_EQ(CgammaV[c], gv[c]) << k.what << ", " << parts << " chunks, cell " << c;
        ++compared;
      }
    }
    ASSERT_EQ(compared, 4 * NoCells) << k.what;
  }
  }
}
