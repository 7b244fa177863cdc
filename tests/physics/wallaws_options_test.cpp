// Limiters, pressure-gradient corrections and variants of the wall laws and
// of the wall values of k and epsilon.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "physics/physics.h"
#include "physics_fixture.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

using namespace physics_test;

namespace {

// nx x ny columns of nz cells, 1 m wide and 1 m deep, no walls yet; k 0.01.
SmallGrid grid(int ny, int nz) {
  SmallGrid g;
  g.nx = 1;
  g.ny = ny;
  g.nz = nz;
  g.build();
  fillAreaVectors();
  for (int f = 0; f <= NoSurfaces; ++f) Fflagflow[f] = 0;
  setField(Ckinen, [](int) { return 0.01; });
  setField(Croughness, [](int) { return 10.0; });
  setField(Cxvel, [](int) { return 0.5; });
  XksWall = 0.01;
  return g;
}

void solveFor(int eq, int first = 1, int last = -1) {
  Equation = eq;
  for (int c = 0; c <= NoCells; ++c) Cap[c] = Csource[c] = 0.0;
  wall_laws(first, last < 0 ? NoCells : last);
}

const double kA = 31.62 * std::sqrt(300.0 * 0.01);  // a of k = 0.01
const double kC75 = std::pow(0.09, 0.75);

}  // namespace

// Velocity limiters and corrections of F 397, F 273 and F 494, each on a
// cell whose friction coefficient is worked by hand.
TEST(WallLawOptions, VelocityFrictionVariants) {
  struct Case {
    const char* what;
    std::function<int()> set;  // returns the cell to look at
    double cap;
  };
  const double logTop = kA * 0.4 / std::log(30.0 * 0.5 / 0.01);
  const double bedUp = std::max(std::log(30.0 * 0.5 / 10.0) / 0.4, 1.0);
  const double g = 100.0 / (4.0 * 0.5);  // |p_n - p_s| / (4 Cjdist)
  const double q = 300.0 * 0.01, x = g * 3.16228e-5 / std::pow(std::sqrt(q), 3.0);
  const double kappa4 = (0.6 * x + 0.4) / (x + 1.0);
  const Case cases[] = {
      {"bed, no limiter", [] { Fflagflow[Cflateb[1]] = -1; return 1; }, kA / bedUp},
      // One-cell column 1 m high, y = 0.5 below ks x 0.1 = 1: brake 1000 A y 1e4 ks / (100 y).
      {"F 397 1", [] { Fflagflow[Cflateb[1]] = -1; FlagWallLimiterU = 1; return 1; }, kA / bedUp + 1e6},
      {"F 494", [] {
         Fflagflow[Cflateb[1]] = -1;
         FlagConcProf = 1;
         Cconc[0][1] = 0.1;
         return 1;
       }, kA / (bedUp * 1.25)},
      {"lid, log law", [] { Fflagflow[Cflatet[1]] = -1; setField(Cgamma, [](int) { return 1.0; }); return 1; },
       logTop},
      {"F 397 5 laminar lid", [] {
         Fflagflow[Cflatet[1]] = -1;
         FlagWallLimiterU = 5;
         setField(Cgamma, [](int) { return 0.001; });
         return 1;
       }, 0.001 * 1.0 / 0.5},
      {"F 397 5 turbulent lid", [] {
         Fflagflow[Cflatet[1]] = -1;
         FlagWallLimiterU = 5;
         setField(Cgamma, [](int) { return 0.0011; });
         return 1;
       }, logTop},
      // Middle column of three along j: east wall, neighbours north and south.
      {"F 273 1", [] {
         Fflagflow[Cflatee[2]] = -1;
         FlagGENMIX = 1;
         Cpres[3] = 100.0;
         return 2;
       }, 31.62 * std::sqrt(q + g * 0.5) * 0.4 / std::log(30.0 * 0.5 / 0.01)},
      {"F 273 4", [] {
         Fflagflow[Cflatee[2]] = -1;
         FlagGENMIX = 4;
         Cpres[3] = 100.0;
         return 2;
       }, 31.62 * std::sqrt(q) * kappa4 / std::log(30.0 * 0.5 / 0.01)},
      {"F 273 1 at the end of the wall", [] {
         Fflagflow[Cflatee[1]] = -1;
         FlagGENMIX = 1;
         Cpres[2] = 100.0;
         return 1;
       }, kA * 0.4 / std::log(30.0 * 0.5 / 0.01)},
  };
  InProjectDir dir;
  for (const Case& k : cases) {
    setControlDefaults();
    grid(3, 1);
    for (int c = 0; c <= NoCells; ++c) Cpres[c] = 0.0;
    const int c = k.set();
    solveFor(2);
    EXPECT_NEAR(Cap[c], k.cap, 1e-9 * k.cap) << k.what;
  }
}

// u+ of the k wall law at the bed (read back from the dissipation
// sqrt(k) 1000 Cmu^0.75 u+ / y V): y = 0.5 in a one-cell column, ks = 10.
TEST(WallLawOptions, BedUplusOfTheKLaw) {
  struct Case {
    int limiter;
    double depth, uplus;
  };
  const double ub = std::max(1.0, 2.5 * std::log(30.0 * 0.5 / 10.0));
  const Case cases[] = {
      {0, 1.0, ub},
      {1, 1.0, 0.31927 * 50.0 * std::pow(1.0, 0.16666667)},  // (2y)^(1/6) of a top cell
      {2, 0.729, 0.31927 * 50.0 * std::pow(0.729, 0.16666667)},
      {6, 1.0, 11.5 * 0.5 / 10.0 + 1.0},
  };
  InProjectDir dir;
  for (const Case& k : cases) {
    setControlDefaults();
    grid(1, 1);
    Fflagflow[Cflateb[1]] = -1;
    Bdepth[1] = k.depth;
    FlagWallLimiterK = k.limiter;
    solveFor(5);
    const double uplus = Cap[1] * 0.5 / (std::sqrt(0.01) * 1000.0 * kC75 * 1.0);
    EXPECT_NEAR(uplus, k.uplus, 1e-6 * k.uplus) << "F 397 k " << k.limiter;
  }
}

// Second turbulence quantity at the wall: epsilon, omega of model 16,
// nothing for models 14 and 15, the distance floor of F 409, and the
// water-surface value of F 185 value 3.
TEST(WallLawOptions, EpsilonAndOmegaWallValues) {
  struct Case {
    const char* what;
    std::function<void()> set;
    int cell;
    double cap, value;
  };
  const double k15 = std::pow(0.01, 1.5);
  const Case cases[] = {
      {"bed epsilon", [] { Fflagflow[Cflateb[1]] = -1; }, 1, 1e30, kC75 * k15 / (0.4 * 0.5)},
      {"bed epsilon F 494", [] {
         Fflagflow[Cflateb[1]] = -1;
         FlagConcProf = 1;
         Cconc[0][1] = 0.1;
       }, 1, 1e30, 1.25 * kC75 * k15 / (0.4 * 0.5)},
      {"omega model 16", [] {
         Fflagflow[Cflateb[1]] = -1;
         TurbulenceModel = 16;
         Cconc[0][1] = 0.1;
       }, 1, 1e30, 1.25 * std::sqrt(0.01) / (0.21908 * 0.5)},
      {"model 14", [] { Fflagflow[Cflateb[1]] = -1; TurbulenceModel = 14; }, 1, 0.0, 0.0},
      {"model 15", [] { Fflagflow[Cflateb[1]] = -1; TurbulenceModel = 15; }, 1, 0.0, 0.0},
      {"F 409", [] {
         Fflagflow[Cflaten[1]] = -1;
         FlagMinDistEps = 1;
         MinDistEps = 2.0;
       }, 1, 1e30, kC75 * k15 / (0.4 * 2.0)},
      {"model 3 far from walls", [] { TurbulenceModel = 3; }, 1, 1e30, kC75 * k15 / (0.4 * 0.5)},
  };
  InProjectDir dir;
  for (const Case& k : cases) {
    setControlDefaults();
    grid(1, 1);
    k.set();
    solveFor(6);
    EXPECT_EQ(Cap[k.cell], k.cap) << k.what;
    if (k.cap > 0) {
      EXPECT_NEAR(Csource[k.cell] / Cap[k.cell], k.value, 1e-9 * k.value) << k.what;
    } else {
      EXPECT_EQ(Csource[k.cell], 0.0) << k.what;
    }
  }
  // F 185 value 3 under the surface of a column of three cells:
  // d = 0.5 [(k3 - k2)(nu3 + nu2) - (k2 - k1)(nu2 + nu1)].
  setControlDefaults();
  grid(1, 3);
  const double kk[] = {0, 0.05, 0.02, 0.01}, nu[] = {0, 3.0, 2.0, 1.0};
  setField(Ckinen, [&](int c) { return kk[c]; });
  setField(CgammaV, [&](int c) { return nu[c]; });
  FlagSurfEps = 3;
  solveFor(6);
  EXPECT_EQ(Cap[3], 1e30);
  EXPECT_NEAR(Csource[3] / Cap[3], 0.5 * ((0.01 - 0.02) * 3.0 - (0.02 - 0.05) * 5.0), 1e-15);
  EXPECT_EQ(Cap[2], 0.0);
}

// Model 3 sets k in every cell from the wall law with the plan-area distance;
// F 15 value 11 fixes k at a side wall with u+ = 2.5 ln(30 y / ks_wall).
TEST(WallLawOptions, WholeFieldKAndFixedSideWallK) {
  InProjectDir dir;
  grid(1, 2);
  TurbulenceModel = 3;
  setField(Cxvel, [](int) { return 0.6; });
  setField(Cyvel, [](int) { return 0.8; });
  solveFor(5);
  const double y = 0.5, up = 2.5 * std::log(30.0 * y / 0.01), V = 0.5;
  for (int c = 1; c <= 2; ++c) {
    EXPECT_NEAR(Cap[c], 0.1 * 1000.0 * kC75 * up / y * V, 1e-9);
    EXPECT_NEAR(Csource[c], kA / up * 1.0 / y * V, 1e-9);
  }
  setControlDefaults();
  grid(1, 2);
  setField(Cyvel, [](int) { return 0.8; });
  FlagWallAll = 11;
  Fflagflow[Cflatee[2]] = -1;
  solveFor(5);
  const double upSide = 2.5 * std::log(30.0 * 0.5 / 0.01);
  EXPECT_EQ(Cap[2], 1e20);
  EXPECT_NEAR(Csource[2] / Cap[2], 3.33333 * (0.25 + 0.64) / (upSide * upSide), 1e-12);
}

// F 92 value 1: cells thinner than F 86 lose their terms; a column thinner
// than F 86 gets its bed law in every cell at the height of its centre.
TEST(WallLawOptions, ThinCellsAndThinColumns) {
  InProjectDir dir;
  grid(1, 2);  // cells 0.5 m high, Ckdist 0.25, column half depth 0.5
  setField(Croughness, [](int) { return 0.01; });
  PorosWallFlag = 1;
  MinVertDist = 0.3;
  Equation = 1;
  for (int c = 0; c <= NoCells; ++c) Cap[c] = Csource[c] = 5.0;
  wall_laws(1, NoCells);
  EXPECT_EQ(Cap[1], 0.0);
  EXPECT_EQ(Cap[2], 0.0);
  MinVertDist = 0.6;
  solveFor(1);
  for (int c = 1; c <= 2; ++c) {
    const double y = c == 1 ? 0.25 : 0.75;
    EXPECT_NEAR(Cap[c], kA * 0.4 / std::log(30.0 * y / 0.01), 1e-9) << c;
  }
  // k of the thin column: the rough log law u+ = ln(30 y / ks) / kappa at the
  // height of each centre, production and dissipation as at a bed.
  solveFor(5);
  for (int c = 1; c <= 2; ++c) {
    const double y = c == 1 ? 0.25 : 0.75, up = std::log(30.0 * y / 0.01) / 0.4, V = 0.5;
    EXPECT_NEAR(Cap[c], 0.1 * 1000.0 * kC75 * up / y * V, 1e-9) << c;
    EXPECT_NEAR(Csource[c], kA / up * 0.25 / y * V, 1e-9) << c;
  }
  // An empty range changes no cell but sets kappa and floors the roughness.
  Xkappa = 0.3;
  XksWall = -2.0;
  solveFor(1, 2, 1);
  EXPECT_EQ(Xkappa, 0.4);
  EXPECT_EQ(XksWall, 1e-6);
  EXPECT_EQ(Cap[1], 0.0);
}

// Pressure gradient along a side wall (F 273): the middle of three cells in a
// row along j, east wall, p = 100 Pa north and 0 south, so |dp| / (4 d) = 50.
TEST(WallLawOptions, PressureGradientAlongSideWalls) {
  const double k15 = std::pow(0.01, 1.5), y = 0.5, V = 1.0, g = 50.0;
  const double q = 300.0 * 0.01, lnw = std::log(30.0 * y / 0.01);
  const double xe = 3.16228e-5 / (5196.1 * k15) * g, kappaE = (0.6 * xe + 0.4) / (xe + 1.0);
  const double xk = 3.16228e-5 / std::pow(std::sqrt(q), 3.0) * g, slope = (xk + 1.0) / (0.6 * xk + 0.4);
  struct Case {
    const char* what;
    int genmix, equation;
    double v;
    double ratio;   // epsilon: Csource / Cap
    double cap, source;  // k: Cap and Csource
  };
  const double U2 = 0.25 + 0.09;
  const Case cases[] = {
      {"eps 4", 4, 6, 0.3, kC75 * k15 / (kappaE * y), 0, 0},
      {"eps 5", 5, 6, 0.3, kC75 * k15 / (kappaE * y), 0, 0},
      {"eps 2 along the gradient", 2, 6, 0.3, kC75 * k15 / (0.4 / (1.0 + 300.0 * 0.01 * 100.0 * y / 1.0) * y), 0, 0},
      {"eps 2 against it", 2, 6, -0.3, kC75 * k15 / (0.4 * y), 0, 0},
      {"eps 1", 1, 6, 0.3, kC75 * k15 / (0.4 * y), 0, 0},
      {"k 1", 1, 5, 0.3, 0, 0.1 * 1000 * kC75 * 2.5 * lnw / y * V, (kA / (2.5 * lnw) + g * y) * U2 / y * V},
      {"k 4", 4, 5, 0.3, 0, 0.1 * 1000 * kC75 * slope * lnw / y * V, kA / (slope * lnw) * U2 / y * V},
  };
  InProjectDir dir;
  for (const Case& k : cases) {
    setControlDefaults();
    grid(3, 1);
    for (int c = 0; c <= NoCells; ++c) Cpres[c] = 0.0;
    Cpres[3] = 100.0;
    setField(Cyvel, [&k](int) { return k.v; });
    Fflagflow[Cflatee[2]] = -1;
    FlagGENMIX = k.genmix;
    solveFor(k.equation);
    if (k.equation == 6) {
      EXPECT_EQ(Cap[2], 1e30) << k.what;
      EXPECT_NEAR(Csource[2] / Cap[2], k.ratio, 1e-9 * k.ratio) << k.what;
    } else {
      EXPECT_NEAR(Cap[2], k.cap, 1e-9 * k.cap) << k.what;
      EXPECT_NEAR(Csource[2], k.source, 1e-9 * k.source) << k.what;
    }
  }
}
