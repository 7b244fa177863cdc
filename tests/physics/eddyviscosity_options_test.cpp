// Options of the eddy viscosity that act per column or per bed cell: dune and
// near-bed viscosity, roughness layer, triangle edges, bed forms, damping
// factor, thixotropic layer and the low-Reynolds forms 9 to 13.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "physics/physics.h"
#include "physics_fixture.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/slidestate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

using namespace physics_test;

namespace {

// One column of two cells, 1 m deep on a 1 x 1 m bed cell; k and eps give
// 9.001; u = 0.6, v = 0.8 (speed 1); depth 1, Froude 0.5, dunes 0.2 m.
void column() {
  SmallGrid g;
  g.nx = g.ny = 1;
  g.build();
  fillAreaVectors();
  setField(Ckinen, [](int) { return 0.01; });
  setField(Cepsilon, [](int) { return 0.001; });
  setField(Cxvel, [](int) { return 0.6; });
  setField(Cyvel, [](int) { return 0.8; });
  Bdepth[1] = 1.0;
  BFroude[1] = 0.5;
  Bedformheight[1] = 0.2;
  Barea[1] = 1.0;
}

struct Expect {
  double h1, v1, h2, v2;  // Cgamma and CgammaV of the bottom and the upper cell
};

void check(const char* what, int equation, const std::function<void()>& set, Expect e) {
  setControlDefaults();
  FlagThixoIsComputing = 0;
  column();
  set();
  Equation = equation;
  GammaCalc(1, NoCells);
  EXPECT_NEAR(Cgamma[1], e.h1, 1e-9 * e.h1) << what;
  EXPECT_NEAR(CgammaV[1], e.v1, 1e-9 * e.v1) << what;
  EXPECT_NEAR(Cgamma[2], e.h2, 1e-9 * e.h2) << what;
  EXPECT_NEAR(CgammaV[2], e.v2, 1e-9 * e.v2) << what;
}

}  // namespace

TEST(EddyViscosityOptions, DuneInducedViscosity) {
  const double b = 9.001, s = std::sqrt(9.81), eps = 0.7692 * b;
  const double i1 = 0.2 * 1000 * 0.5 * s * 0.25 / 14.0, i2 = 0.2 * 1000 * 0.5 * s / (28.8 * 0.25);
  const double i3 = 1000 * 0.2 * 0.5 * s;
  struct Case {
    int value, equation;
    Expect e;
  };
  const Case cases[] = {
      {1, 1, {b, b + i1, b, b + i1}}, {1, 5, {b, b, b, b}},
      {2, 5, {b + i2, b + i2, b + i2, b + i2}},
      {3, 1, {b + i3, b + i3, b + i3, b + i3}},
      {4, 1, {b, b + 200.0, b, b + 200.0}},  // speed 1 x 1000 x dune height
      {5, 1, {b, b + 500.0, b, b + 500.0}},  // speed 1 x 1000 x half the depth
      {5, 6, {eps, eps, eps, eps}},
      {6, 6, {eps, eps + 0.7692 * 500.0, eps, eps + 0.7692 * 500.0}},
  };
  InProjectDir dir;
  for (const Case& k : cases)
    check(("F 281 " + std::to_string(k.value) + " eq " + std::to_string(k.equation)).c_str(), k.equation,
          [&k] { FlagDuneEddy = k.value; }, k.e);
  // Value 3 stays out of the flow of a slide layer.
  check("F 281 3 in a slide flow", 1, [] { FlagDuneEddy = 3; FlagThixoIsComputing = 1; }, {b, b, b, b});
  FlagThixoIsComputing = 0;
}

TEST(EddyViscosityOptions, NearBedViscosityAndRoughnessLayer) {
  const double b = 9.001;
  const double bottomInc = 0.3 / 1.0 * 1.0, cellInc = 2 * 0.25 * 0.3 * 1000 * 1.0;
  const double fr = std::sqrt((0.6 - 0.2) / 0.8);
  struct Case {
    const char* what;
    int equation;
    std::function<void()> set;
    Expect e;
  };
  const Case cases[] = {
      {"F 144 2", 1, [] { FlagBedSmooth = 2; ParamBedSmooth = 0.3; }, {b + bottomInc, b, b, b}},
      {"F 144 4", 1, [] { FlagBedSmooth = 4; ParamBedSmooth = 0.3; }, {b + bottomInc, b + bottomInc, b, b}},
      {"F 144 7", 1, [] { FlagBedSmooth = 7; ParamBedSmooth = 0.3; }, {b + cellInc, b + cellInc, b + cellInc, b + cellInc}},
      {"F 144 8", 1, [] { FlagBedSmooth = 8; ParamBedSmooth = 0.3; BFroude[1] = 0.6; },
       {b + fr * cellInc, b + fr * cellInc, b + fr * cellInc, b + fr * cellInc}},
      {"F 144 8 slow", 1, [] { FlagBedSmooth = 8; ParamBedSmooth = 0.3; BFroude[1] = 0.1; }, {b, b, b, b}},
      // Centre heights 0.25 and 0.75 against a layer of 0.3 m.
      {"F 189 12", 1, [] { FlagDrevan = 12; ParamDrevan = 2.0; Bedformheight[1] = 0.3; }, {2 * b, 2 * b, b, b}},
      {"F 189 13", 5, [] { FlagDrevan = 13; ParamDrevan = 2.0; Bedformheight[1] = 0.3; }, {b + 2, b + 2, b, b}},
      {"F 189 13 below the first centre", 5, [] { FlagDrevan = 13; ParamDrevan = 2.0; Bedformheight[1] = 0.2; },
       {b, b, b, b}},
      {"F 189 14", 1, [] { FlagDrevan = 14; ParamDrevan = 2.0; }, {b + 2, b + 2, b + 2, b + 2}},
      {"F 189 14 sediment", 7, [] { FlagDrevan = 14; ParamDrevan = 2.0; }, {b, b, b, b}},
  };
  InProjectDir dir;
  for (const Case& k : cases) check(k.what, k.equation, k.set, k.e);
}

TEST(EddyViscosityOptions, VerticalFactorsDampingAndThixotropicLayer) {
  const double b = 9.001;
  struct Case {
    const char* what;
    int equation;
    std::function<void()> set;
    Expect e;
  };
  auto tri = [](int v) {
    return [v] {
      FlagTriEdges = v;
      if (!Btriedges) {
        ASSERT_TRUE(allocate1(Btriedges, NoBCells + 1));
      }
      Btriedges[0] = 1;
      Btriedges[1] = 2;
    };
  };
  const Case cases[] = {
      {"F 548 1", 1, tri(1), {b, 100 * b, b, 100 * b}},
      {"F 548 2", 2, tri(2), {b, 20 * b, b, 20 * b}},
      {"F 548 3", 3, tri(3), {b, 5 * b, b, 5 * b}},
      {"F 548 for k", 5, tri(1), {b, b, b, b}},
      {"F 290", 1, [] { GammaVertCoeff1 = 10.0; }, {b, 2 * b, b, 2 * b}},  // 10 x 0.2 / 1
      {"F 290 below 1", 1, [] { GammaVertCoeff1 = 2.0; }, {b, b, b, b}},
      {"F 290 for k", 5, [] { GammaVertCoeff1 = 10.0; }, {b, b, b, b}},
      {"F 71 5", 1, [] {
         TurbDensFlag = 5;
         if (!CdampDensity) {
           ASSERT_TRUE(allocate1(CdampDensity, NoCells + 1));
         }
         CdampDensity[1] = 0.25;
         CdampDensity[2] = 0.5;
       }, {0.25 * b, 0.25 * b, 0.5 * b, 0.5 * b}},
      {"F 236 1", 1, [] { FlagThixo = 1; ThixoEddyvisc = -50.0; }, {50, 50, 50, 50}},
      {"slide flow", 1, [] {
         FlagThixoIsComputing = 1;
         block[1].subBed = 1;
         ThixoEddyvisc = 70.0;
       }, {70, 70, 70, 70}},
  };
  InProjectDir dir;
  for (const Case& k : cases) check(k.what, k.equation, k.set, k.e);
  FlagThixoIsComputing = 0;
}

// The low-Reynolds forms 9, 10, 12 and 13 on 3 x 3 columns of w x w metres,
// 1 m deep (H = 0.5), k of the bottom cells 0.01 (s = sqrt(0.003)).
TEST(EddyViscosityOptions, LowReynoldsColumnForms) {
  const double b = 9.001, s = std::sqrt(0.3 * 0.01), M = 1000 * 0.22 * s * 0.5;
  struct Case {
    int model;
    double width;
    double middle, edge;  // CgammaV of the middle and of an edge column
  };
  const Case cases[] = {
      {10, 20.0, std::sqrt(b * M) + 0.001, std::sqrt(b * M) + 0.001},  // 0.025 < 0.1, never M
      {10, 4.0, b, b},                                                // 0.125
      {12, 20.0, M + 0.001, M + 0.001},                               // 0.025 < 0.1
      {12, 4.0, std::sqrt(b * M) + 0.001, std::sqrt(b * M) + 0.001},  // 0.125 < 0.2
      {12, 2.0, b, b},                                                // 0.25
      {13, 20.0, b, M + 0.001},  // the middle column's top cell has four neighbours
  };
  InProjectDir dir;
  for (const Case& k : cases) {
    setControlDefaults();
    SmallGrid g;
    g.nx = g.ny = 3;
    g.dx = g.dy = k.width;
    g.build();
    fillAreaVectors();
    for (int bc = 1; bc <= NoBCells; ++bc) Barea[bc] = k.width * k.width;
    setField(Ckinen, [](int) { return 0.01; });
    setField(Cepsilon, [](int) { return 0.001; });
    TurbulenceModel = k.model;
    Equation = 1;
    GammaCalc(1, NoCells);
    for (int kk = 1; kk <= 2; ++kk) {
      EXPECT_NEAR(CgammaV[g.cell(3, 3, kk)], k.middle, 1e-9) << k.model << " " << k.width;
      EXPECT_NEAR(CgammaV[g.cell(2, 3, kk)], k.edge, 1e-9) << k.model << " " << k.width;
      EXPECT_NEAR(Cgamma[g.cell(2, 3, kk)], b, 1e-9);
    }
  }
  // Model 9 in still water: f = (1 + 4.1 Re_t^-0.75)(1 - exp(-0.03846 y+))^2,
  // Re_t = k^2 1e6 / eps, with a small k so that y+ is of order 1.
  setControlDefaults();
  column();
  setField(Cxvel, [](int) { return 0.0; });
  setField(Cyvel, [](int) { return 0.0; });
  setField(Ckinen, [](int) { return 1e-9; });
  setField(Cepsilon, [](int) { return 1e-16; });
  TurbulenceModel = 9;
  Equation = 1;
  GammaCalc(1, NoCells);
  const double gamma = 90.0 * 1e-18 / (1e-16 + 1e-20) + 0.001, Ret = 1e-18 * 1e6 / 1e-16;
  for (int c = 1; c <= 2; ++c) {
    const double yp = std::sqrt(0.3 * 1e-9) * (c == 1 ? 0.25 : 0.75) * 1e6;
    const double e = 1.0 - std::exp(-0.03846 * yp);
    const double f = (1.0 + 4.1 * std::pow(Ret, -0.75)) * e * e;
    EXPECT_NEAR(CgammaV[c], f * gamma + 0.001, 1e-9) << c;
  }
}

// The slide layer: two columns of four cells (Ckdist 0.125) on 1 x 1 m bed
// cells in a block of subBed 1; v in the two lowest cells of a column and
// 10 v above.
TEST(EddyViscosityOptions, SlideLayerViscosity) {
  const double b = 9.001;
  // The creep viscosity worked by hand, second cells c (level 2):
  //   column 1: T = 2 x 3 x 0.125 = 0.75, d = 0.5 - 0.25 = 0.25 > 0: e = 0.34, T = 0.5,
  //             a = 0.4125, t = 0.9125; R1 = 0.7525 x 9810 x 0.8 + 100 = 6005.62,
  //             Q1 = 1.2525 x 9810 = 12287.025
  //   column 2: d = 0.2 - 0.5 < 0: e = 0, T = 0.75, a = 0.61875, t = 1.36875;
  //             R2 = 0.61875 x 7848 + 100 = 4955.95, Q2 = 1.36875 x 9810 = 13427.4375
  //   K/n = 0.125, U/n = (0.3 + 0.5)/2 = 0.4, R = 10961.57, Q = 25714.4625
  //   v = 0.125 R / (max(0, 1 - 0.4) x 2 x R/Q + 1e-8 + 0.4) + 1000 = 2503.172...
  const double R = 10961.57, Q = 25714.4625;
  const double creep = 0.125 * R / (0.6 * 2.0 * R / Q + 1e-8 + 0.4) + 1000.0;
  const double resting = 0.125 * R / (1e-8 + 0.4) + 1000.0;  // kSF above F 334: no time term
  struct Case {
    const char* what;
    int nz;
    std::function<void()> set;
    double low, high;  // Cgamma = CgammaV of levels 1, 2 and of levels 3 and up
  };
  const Case cases[] = {
      {"given value", 4, [] { ThixoEddyvisc = 300.0; }, 300.0, 3000.0},
      {"one cell per column", 1, [] {}, 1e7, 1e7},
      {"one cell per column, given value", 1, [] { ThixoEddyvisc = 45.0; }, 45.0, 45.0},
      {"creep viscosity", 4, [] {}, creep, 10 * creep},
      {"creep viscosity, slide at rest", 4, [] { kSF[0] = 1.5; }, resting, 10 * resting},
      {"roughness layer after it", 4, [] { ThixoEddyvisc = 300.0; FlagDrevan = 14; ParamDrevan = 2.0; }, 302.0,
       3002.0},
      {"block not a slide layer", 4, [] { block[1].subBed = 0; }, b, b},
      {"no layer (F 236 0)", 4, [] { FlagThixo = 0; }, b, b},
      // The sweep ends before the last cell: not this call's step.
      {"sweep short of the last cell", 4, [] { WCEnd = NoCells - 1; }, b, b},
  };
  InProjectDir dir;
  for (const Case& k : cases) {
    setControlDefaults();
    SmallGrid g;
    g.nx = 2;
    g.ny = 1;
    g.nz = k.nz;
    g.build();
    fillAreaVectors();
    setField(Ckinen, [](int) { return 0.01; });
    setField(Cepsilon, [](int) { return 0.001; });
    setField(Cxvel, [](int) { return 0.0; });
    if (k.nz > 1) {
      Cxvel[g.cell(2, 2, 2)] = 0.3;
      Cxvel[g.cell(3, 2, 2)] = -0.5;
    }
    if (!Bthixolev) {
      ASSERT_TRUE(allocate1(Bthixolev, NoBCells + 1));
    }
    if (!Bgroundwater) {
      ASSERT_TRUE(allocate1(Bgroundwater, NoBCells + 1));
    }
    Bthixolev[1] = 0.5;
    Bgroundwater[1] = 0.25;
    Bthixolev[2] = 0.2;
    Bgroundwater[2] = 0.5;
    FlagThixo = 2;
    ThixoCritshear = 100.0;
    TimeStep = 2.0;
    kSF[0] = 0.4;
    block[1].subBed = 1;
    k.set();
    Equation = 1;
    GammaCalc(WCStart, WCEnd);
    for (int i = 2; i <= 3; ++i)
      for (int lev = 1; lev <= k.nz; ++lev) {
        const int c = g.cell(i, 2, lev);
        if (c > WCEnd) continue;
        const double e = lev <= 2 ? k.low : k.high;
        EXPECT_NEAR(Cgamma[c], e, 1e-9 * e) << k.what << " cell " << c;
        EXPECT_NEAR(CgammaV[c], e, 1e-9 * e) << k.what << " cell " << c;
      }
  }
  kSF[0] = 0.0;
  block[1].subBed = 0;
}
