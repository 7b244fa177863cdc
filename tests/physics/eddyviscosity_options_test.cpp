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
