// Friction of bed, side walls and lid by the rough log law, and the wall
// values of k and epsilon.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "physics/physics.h"
#include "physics_fixture.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

using namespace physics_test;

namespace {

// One column of two cells of 1 x 1 x 0.5 m; walls only where asked.
struct WallCell {
  SmallGrid g;
  WallCell() {
    g.nx = g.ny = 1;
    g.build();
    fillAreaVectors();
    for (int f = 0; f <= NoSurfaces; ++f) Fflagflow[f] = 0;
  }
  static constexpr int bottom = 1;
  static void wall(int f) { Fflagflow[f] = -1; }
  static void clear() {
    for (int c = 0; c <= NoCells; ++c) Cap[c] = Csource[c] = 0.0;
  }
};

// The log-law state of the bottom cell: u = u* ln(30 y / ks) / kappa at its
// centre (y = 0.25 m) and k = u*^2 / sqrt(Cmu).
struct LogLayer {
  double ustar = 0.05, ks = 0.05, y = 0.25;
  double uplus() const { return std::log(30.0 * y / ks) / 0.4; }
  double k() const { return ustar * ustar / std::sqrt(0.09); }
  void set(double angle) const {
    const double U = ustar * uplus();
    setField(Cxvel, [&](int) { return U * std::cos(angle); });
    setField(Cyvel, [&](int) { return U * std::sin(angle); });
    setField(Czvel, [](int) { return 0.0; });
    setField(Ckinen, [&](int) { return k(); });
    setField(Croughness, [&](int) { return ks; });
  }
};

// 31.62 stands for sqrt(1000) in the wall laws: 2e-4 relative covers it.
constexpr double kRounding = 2e-4;

// Net force of the velocity equation eq on cell c: Csource - Cap * velocity.
double netForce(int eq, int c) {
  const double* v = eq == 1 ? Cxvel : eq == 2 ? Cyvel : Czvel;
  return Csource[c] - Cap[c] * v[c];
}

}  // namespace

// A bed cell in the log layer: the wall force is density x u*^2 x area
// against the flow, whatever its direction; the normal velocity is free.
TEST(WallLaws, BedForceInLogLayerIsDensityTimesUstarSquaredTimesArea) {
  InProjectDir dir;
  WallCell w;
  LogLayer L;
  w.wall(Cflateb[w.bottom]);
  const double tau = 1000.0 * L.ustar * L.ustar * 1.0;  // A = 1 m2
  for (double angle : {0.0, 0.6}) {
    L.set(angle);
    double fx, fy;
    Equation = 1;
    w.clear();
    wall_laws(1, NoCells);
    fx = netForce(1, w.bottom);
    Equation = 2;
    w.clear();
    wall_laws(1, NoCells);
    fy = netForce(2, w.bottom);
    EXPECT_NEAR(std::hypot(fx, fy), tau, kRounding * tau) << angle;
    EXPECT_NEAR(std::atan2(-fy, -fx), angle, 1e-12);
    EXPECT_EQ(Cap[2], 0.0);  // the upper cell has no wall
  }
  setField(Czvel, [](int) { return 0.2; });
  Equation = 3;
  w.clear();
  wall_laws(1, NoCells);
  EXPECT_GT(Cap[w.bottom], 0.0);
  EXPECT_NEAR(netForce(3, w.bottom), 0.0, 1e-12);
}

// In the same cell the k production of the wall law equals its dissipation,
// both 1000 u*^3 u+ V / y; epsilon is fixed at Cmu^0.75 k^1.5 / (kappa y).
TEST(WallLaws, BedCellKProductionEqualsDissipation) {
  InProjectDir dir;
  WallCell w;
  LogLayer L;
  L.set(0.3);
  w.wall(Cflateb[w.bottom]);
  const double V = 0.5, both = 1000.0 * std::pow(L.ustar, 3) * L.uplus() * V / L.y;
  Equation = 5;
  setField(Cap, [](int) { return 99.0; });  // turbulence sources of a wall cell are replaced
  setField(Csource, [](int) { return 99.0; });
  wall_laws(1, NoCells);
  const double production = Csource[w.bottom], dissipation = Cap[w.bottom] * L.k();
  EXPECT_NEAR(production, both, kRounding * both);
  EXPECT_NEAR(dissipation, both, 1e-9 * both);
  EXPECT_EQ(Cap[2], 99.0);
  Equation = 6;
  w.clear();
  wall_laws(1, NoCells);
  EXPECT_EQ(Cap[w.bottom], 1e30);
  EXPECT_NEAR(Csource[w.bottom] / Cap[w.bottom], std::pow(L.ustar, 3) / (0.4 * L.y), 1e-9);
  // F 15 value 11 fixes k at the log-law value u*^2 / sqrt(Cmu).
  FlagWallAll = 11;
  Equation = 5;
  w.clear();
  wall_laws(1, NoCells);
  EXPECT_EQ(Cap[w.bottom], 1e20);
  EXPECT_NEAR(Csource[w.bottom] / Cap[w.bottom], L.k(), 1e-5 * L.k());
}

// Side walls take the roughness of F 16, never the cell's; a channel one cell
// wide gets one term per wall; the vertical velocity is braked in full.
TEST(WallLaws, SideWallsUseTheWallRoughness) {
  InProjectDir dir;
  WallCell w;
  setField(Ckinen, [](int) { return 0.01; });
  setField(Croughness, [](int) { return 0.3; });
  setField(Cxvel, [](int) { return 0.2; });
  setField(Cyvel, [](int) { return 0.5; });
  setField(Czvel, [](int) { return 0.1; });
  XksWall = 0.01;
  w.wall(Cflatee[w.bottom]);
  const double a = 31.62 * std::sqrt(300.0 * 0.01), A = 0.5, y = 0.5;
  const double cf = a * 0.4 * A / std::log(30.0 * y / 0.01);
  struct Case {
    int eq;
    double force;  // on the bottom cell
  };
  for (const Case& k : {Case{1, 0.0}, Case{2, -cf * 0.5}, Case{3, -cf * 0.1}}) {
    Equation = k.eq;
    w.clear();
    wall_laws(1, NoCells);
    EXPECT_NEAR(Cap[w.bottom], cf, 1e-12) << k.eq;
    EXPECT_NEAR(netForce(k.eq, w.bottom), k.force, 1e-12) << k.eq;
  }
  w.wall(Cflatew[w.bottom]);
  Equation = 2;
  w.clear();
  wall_laws(1, NoCells);
  EXPECT_NEAR(Cap[w.bottom], 2.0 * cf, 1e-12);
}

// F 397 value 3: the viscous law a A / y+ below y+ = 11.63, the log law above.
TEST(WallLaws, ViscousSublayerSwitchAtYPlus1163) {
  InProjectDir dir;
  WallCell w;
  w.wall(Cflateb[w.bottom]);
  setField(Croughness, [](int) { return 0.001; });
  FlagWallLimiterU = 3;
  Equation = 1;
  const double y = 0.25;
  for (double yp : {11.62, 11.64}) {
    const double k = std::pow(yp / (1e6 * y), 2) / 0.3;
    setField(Ckinen, [k](int) { return k; });
    w.clear();
    wall_laws(1, NoCells);
    const double a = 31.62 * std::sqrt(300.0 * k);
    const double expected = yp < 11.63 ? a / yp : a / (std::log(30.0 * y / 0.001) / 0.4);
    EXPECT_NEAR(Cap[w.bottom], expected, 1e-9 * expected) << yp;
  }
}

// Bed u+ limiters: the floor F 139; F 397 value 4 ramps u+ linearly to the log
// law at y = ks F 397-value and is continuous there; value 6 holds u+ at
// least 11.5 y / ks + 1 below half the roughness.
TEST(WallLaws, BedUplusLimiters) {
  struct Case {
    const char* what;
    int limiter;
    double ks, uplus;
  };
  const Case cases[] = {
      {"log law", 0, 0.05, std::log(150.0) / 0.4},
      {"MinUPlus floor", 0, 10.0, 1.0},  // ln(0.75) < 0
      {"ramp at half the threshold", 4, 5.0, 0.5 * std::log(3.0) / 0.4},
      {"ramp just below the threshold", 4, 2.5 * (1 + 1e-9), std::log(3.0) / 0.4},
      {"log just above the threshold", 4, 2.5 * (1 - 1e-9), std::log(3.0) / 0.4},
      {"limiter 6", 6, 5.0, 11.5 * 0.25 / 5.0 + 1.0},  // log law gives ln(1.5) / 0.4 only
  };
  InProjectDir dir;
  for (const Case& k : cases) {
    setControlDefaults();
    WallCell w;
    w.wall(Cflateb[w.bottom]);
    setField(Ckinen, [](int) { return 0.01; });
    setField(Croughness, [&k](int) { return k.ks; });
    FlagWallLimiterU = k.limiter;
    Equation = 1;
    w.clear();
    wall_laws(1, NoCells);
    const double a = 31.62 * std::sqrt(300.0 * 0.01);
    EXPECT_NEAR(a / Cap[w.bottom], k.uplus, 1e-6 * k.uplus) << k.what;
  }
}

// Epsilon fixings: a corner of side wall and bed gets the mean of its two
// wall values; with F 546 an n or s wall and the bed add up instead.
TEST(WallLaws, EpsilonCornerFixings) {
  InProjectDir dir;
  WallCell w;
  const double k = 0.01, c75 = std::pow(0.09, 0.75), k15 = std::pow(k, 1.5);
  setField(Ckinen, [k](int) { return k; });
  setField(Croughness, [](int) { return 0.01; });
  w.wall(Cflateb[w.bottom]);
  w.wall(Cflatee[w.bottom]);
  w.wall(Cflatew[w.bottom]);  // same pair: one fixing
  Equation = 6;
  w.clear();
  wall_laws(1, NoCells);
  const double bed = c75 * k15 / (0.4 * 0.25), side = c75 * k15 / (0.4 * 0.5);
  EXPECT_EQ(Cap[w.bottom], 2e30);
  EXPECT_NEAR(Csource[w.bottom] / Cap[w.bottom], 0.5 * (bed + side), 1e-12);
  // North wall and bed with F 546.
  Fflagflow[Cflatee[w.bottom]] = Fflagflow[Cflatew[w.bottom]] = 0;
  w.wall(Cflaten[w.bottom]);
  FlagWallCorner = 1;
  w.clear();
  wall_laws(1, NoCells);
  EXPECT_EQ(Cap[w.bottom], 1e30);
  EXPECT_NEAR(Csource[w.bottom] / Cap[w.bottom], bed + side, 1e-12);
}

// Wall families not built as a law clear the wall cells and add nothing; the
// water surface under F 185 value 1 gets k^1.5 / (0.43 depth).
TEST(WallLaws, OtherFamiliesClearAndSurfaceEpsilon) {
  InProjectDir dir;
  WallCell w;
  setField(Ckinen, [](int) { return 0.01; });
  w.wall(Cflateb[w.bottom]);
  FlagWallAll = 3;
  Equation = 1;
  setField(Cap, [](int) { return 9.0; });
  setField(Csource, [](int) { return 9.0; });
  wall_laws(1, NoCells);
  EXPECT_EQ(Cap[w.bottom], 0.0);
  EXPECT_EQ(Csource[w.bottom], 0.0);
  EXPECT_EQ(Cap[2], 9.0);
  FlagWallAll = 0;
  FlagSurfEps = 1;
  Equation = 6;
  w.clear();
  wall_laws(1, NoCells);
  EXPECT_EQ(Cap[2], 1e30);
  EXPECT_NEAR(Csource[2] / Cap[2], std::pow(0.01, 1.5) / (0.43 * 1.0), 1e-12);
}

// Wall terms are the same on one range and on the drivers' chunks with one or
// four threads, also where thin columns (F 92) get their bed terms.
TEST(WallLaws, SameWallTermsOnChunksAndThreads) {
  InProjectDir dir;
  ASSERT_TRUE(FlowGrid::sloping(8, 4).build());
  markWallsBelowSurface();
  setField(Ckinen, [](int c) { return 0.001 * (1 + c % 7); });
  setField(Cxvel, [](int c) { return 0.3 + 0.01 * (c % 3); });
  setField(Cyvel, [](int c) { return 0.05 * (c % 5); });
  setField(Czvel, [](int c) { return 0.01 * (c % 2); });
  setField(Croughness, [](int c) { return 0.01 + 0.001 * (c % 4); });
  setField(Cgamma, [](int) { return 1.0; });
  XksWall = 0.02;
  PorosWallFlag = 1;
  MinVertDist = 1.1;  // columns less than 2.2 m deep count as thin
  int thin = 0;
  for (int c = 1; c <= NoCells; ++c)
    if (Ccellb[c] == 0) {
      double s = 0;
      for (int t = c; t > 0; t = Ccellt[t]) s += Ckdist[t];
      thin += s < MinVertDist;
    }
  ASSERT_GT(thin, 0);
  for (int eq : {1, 2, 3, 5, 6}) {
    Equation = eq;
    for (int c = 0; c <= NoCells; ++c) Cap[c] = Csource[c] = 1.0;
    wall_laws(WCStart, WCEnd);
    const std::vector<double> cap = copy(Cap), src = copy(Csource);
    for (auto [parts, threads] : {std::pair{4, 1}, {4, 4}, {9, 4}}) {
      for (int c = 0; c <= NoCells; ++c) Cap[c] = Csource[c] = 1.0;
      runChunked(wall_laws, parts, threads);
      for (int c = 1; c <= NoCells; ++c) {
        ASSERT_EQ(Cap[c], cap[c]) << "eq " << eq << " cell " << c;
        ASSERT_EQ(Csource[c], src[c]) << "eq " << eq << " cell " << c;
      }
    }
  }
}
