// The smooth (F 15 5), transitional (8, 9) and mixed (19) wall laws.
#include <gtest/gtest.h>

#include <cmath>

#include "physics/physics.h"
#include "physics/walllaw.h"
#include "physics_fixture.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

using namespace physics_test;

namespace {

// nx x 1 columns of two cells of 1 x 1 x 0.5 m (y = 0.25 m at the bed, 0.5
// m at the side walls); no walls until asked.
struct Cells {
  SmallGrid g;
  explicit Cells(int nx = 1) {
    g.nx = nx;
    g.ny = 1;
    g.build();
    fillAreaVectors();
    for (int f = 0; f <= NoSurfaces; ++f) Fflagflow[f] = 0;
    setField(Cxvel, [](int) { return 0.3; });
    setField(Cyvel, [](int) { return 0.1; });
    setField(Czvel, [](int) { return 0.0; });
    setField(Ckinen, [](int) { return 0.002; });
    setField(Croughness, [](int) { return 0.05; });
    XksWall = 0.05;
  }
  static void wall(int f) { Fflagflow[f] = -1; }
  static void run(int eq) {
    Equation = eq;
    for (int c = 0; c <= NoCells; ++c) Cap[c] = Csource[c] = 0.0;
    wall_laws(1, NoCells);
  }
};

// k that gives y+ at y = 0.25 m with Cmu 0.09: y+ = 1e6 y sqrt(0.3 k).
double kForYplus(double yplus) {
  const double s = yplus / (1e6 * 0.25);
  return s * s / 0.3;
}

// u+ of the k term in cell 1 of a bed wall: Cap = sqrt(k) 1000 Cmu^0.75 u+ / y V.
double kUplus(double k) { return Cap[1] * 0.25 / (0.5 * std::sqrt(k) * 1000.0 * std::pow(0.09, 0.75)); }

}  // namespace

// Family 5 switches the velocities at y+ 11.626 and k at 11.63: between the
// two the velocity has the log law and k the viscous one.
TEST(WallFamilies, SmoothLawSwitchesAt11626ForVelocitiesAnd1163ForK) {
  InProjectDir dir;
  Cells w;
  FlagWallAll = 5;
  w.wall(Cflateb[1]);
  struct Row {
    double yplus;
    bool logVelocity, logK;
  };
  for (const Row r : {Row{11.62, false, false}, Row{11.628, true, false}, Row{11.64, true, true}}) {
    const double k = kForYplus(r.yplus);
    setField(Ckinen, [k](int) { return k; });
    const double a = 31.62 * std::sqrt(300.0 * k);
    w.run(1);
    const double cf = r.logVelocity ? a * 0.4 / std::log(9.0 * r.yplus) : a / r.yplus;
    EXPECT_NEAR(Cap[1], cf, 1e-9 * cf) << r.yplus;
    w.run(5);
    const double up = r.logK ? 2.5 * std::log(9.0 * r.yplus) : r.yplus;
    EXPECT_NEAR(kUplus(k), up, 1e-6 * up) << r.yplus;
  }
}

// Family 8: the smooth branch below ks+ 2.25 and the rough one above 90 meet
// the transitional form within 0.01, where it is ln(Y)/kappa + 5.5 and
// ln(y/ks)/kappa + 8.5; u+ never falls below 0.025.
TEST(WallFamilies, TransitionalLawMeetsTheSmoothAndRoughBranches) {
  const double yplus = 500.0, ustar = 0.02, y = 1e-6 * yplus / ustar;
  auto at = [&](double ksPlus) { return transitionalUplus(yplus, ustar, ksPlus / (1e6 * ustar), 0.4); };
  EXPECT_NEAR(at(2.2499999), 2.5 * std::log(9.0 * yplus), 1e-12);
  EXPECT_NEAR(at(2.25), at(2.2499999), 0.01);
  EXPECT_NEAR(at(2.25), 2.5 * std::log(yplus) + 5.5, 1e-3);
  const double ks90 = 90.0 / (1e6 * ustar);
  EXPECT_NEAR(at(90.0000001), 2.5 * std::log(30.0 * y / ks90), 1e-6);
  EXPECT_NEAR(at(90.0), at(90.0000001), 0.01);
  EXPECT_NEAR(at(90.0), 2.5 * std::log(y / ks90) + 8.5, 0.01);
  // Below y+ 11.7 the value at 11.7 scaled down, not below 0.025.
  EXPECT_NEAR(transitionalUplus(5.85, ustar, 1e-9, 0.4), 0.5 * 2.5 * std::log(9.0 * 11.7), 1e-9);
  EXPECT_EQ(transitionalUplus(1e-4, ustar, 1e-9, 0.4), 0.025);
  // The same law of the modular implementation (F 305), by y+ and y / ks.
  FlagWallAll = 8;
  EXPECT_NEAR(wall_laws_uplus(yplus, yplus / 2.25), 2.5 * std::log(yplus) + 5.5, 1e-3);
  EXPECT_NEAR(wall_laws_uplus(yplus, yplus / 90.0), 2.5 * std::log(yplus / 90.0) + 8.5, 0.01);
  EXPECT_EQ(wall_laws_uplus(1e-4, 1.0), 0.025);
  FlagWallAll = 0;
  setControlDefaults();
}

// Fully rough walls (ks+ above 90) give family 8 the terms of the standard
// law (F 15 0) for the velocities, k and epsilon; in the transitional range
// the friction is lower.
TEST(WallFamilies, FullyRoughTransitionalLawEqualsTheStandardLaw) {
  InProjectDir dir;
  Cells w;
  w.wall(Cflateb[1]);
  w.wall(Cflatew[1]);
  for (int eq : {1, 2, 3, 5, 6}) {
    FlagWallAll = 0;
    w.run(eq);
    const double ap = Cap[1], su = Csource[1];
    FlagWallAll = 8;
    w.run(eq);
    EXPECT_NEAR(Cap[1], ap, 1e-12 * std::fabs(ap)) << eq;
    EXPECT_NEAR(Csource[1], su, 1e-12 * std::fabs(su) + 1e-15) << eq;
  }
  // ks = 0.2 mm: ks+ = 1e6 u* ks = 4.9, transitional.
  setField(Croughness, [](int) { return 0.0002; });
  XksWall = 0.0002;
  FlagWallAll = 0;
  w.run(1);
  const double rough = Cap[1];
  FlagWallAll = 8;
  w.run(1);
  EXPECT_LT(Cap[1], rough);
  // F 494: suspended sediment lowers kappa of the bed face by 2.5 c + 1,
  // which raises the rough u+ by that factor.
  setField(Croughness, [](int) { return 0.05; });
  XksWall = 0.05;
  Fflagflow[Cflatew[1]] = 0;
  w.run(1);
  const double clear = Cap[1];
  ASSERT_NE(Cconc, nullptr);
  Cconc[0][1] = 0.2;
  FlagConcProf = 1;
  w.run(1);
  EXPECT_NEAR(Cap[1], clear / 1.5, 1e-12 * clear);
  Cconc[0][1] = 0.0;
}

// Family 9 corrects the bed face for the velocity through the bed: u+ +
// f u+^2 with f = 0.25 v+ held within -0.025..0.1.
TEST(WallFamilies, FlowThroughTheBedChangesTheBedFriction) {
  InProjectDir dir;
  Cells w;
  w.wall(Cflateb[1]);
  const double ustar = std::sqrt(0.3 * 0.002);
  FlagWallAll = 8;
  w.run(1);
  const double cf8 = Cap[1];
  const double up8 = 31.62 * std::sqrt(300.0 * 0.002) * 1.0 / cf8;
  struct Row {
    double vplus, f;
  };
  for (const Row r : {Row{0.2, 0.05}, Row{1.0, 0.1}, Row{-0.04, -0.01}, Row{-1.0, -0.025}}) {
    setField(Czvel, [&](int) { return r.vplus * ustar; });
    FlagWallAll = 9;
    w.run(1);
    const double up9 = 31.62 * std::sqrt(300.0 * 0.002) / Cap[1];
    EXPECT_NEAR(up9, up8 + r.f * up8 * up8, 1e-9 * up9) << r.vplus;
  }
  // k: family 9 treats the lid and the bed each by itself, family 8 as one pair.
  setField(Czvel, [](int) { return 0.0; });
  w.wall(Cflatet[1]);
  FlagWallAll = 8;
  w.run(5);
  const double pair = Cap[1];
  FlagWallAll = 9;
  w.run(5);
  EXPECT_NEAR(Cap[1], 2.0 * pair, 1e-9 * pair);
}

// Family 19: the side walls are smooth (no roughness), the lid takes F 16,
// the bed the cell roughness.
TEST(WallFamilies, MixedLawTakesTheRoughnessOfLidAndBedOnly) {
  InProjectDir dir;
  Cells w;
  FlagWallAll = 19;
  struct Row {
    int face;
    bool byWall, byCell;
  };
  for (const Row r : {Row{Cflatee[1], false, false}, Row{Cflatet[1], true, false}, Row{Cflateb[1], false, true}}) {
    for (int f = 0; f <= NoSurfaces; ++f) Fflagflow[f] = 0;
    w.wall(r.face);
    XksWall = 0.05;
    setField(Croughness, [](int) { return 0.05; });
    w.run(1);
    const double base = Cap[1];
    ASSERT_GT(base, 0.0);
    XksWall = 0.01;
    w.run(1);
    EXPECT_EQ(Cap[1] != base, r.byWall) << r.face;
    XksWall = 0.05;
    setField(Croughness, [](int) { return 0.01; });
    w.run(1);
    EXPECT_EQ(Cap[1] != base, r.byCell) << r.face;
  }
  // The side wall's friction is the smooth law a kappa A / ln(9 y+).
  for (int f = 0; f <= NoSurfaces; ++f) Fflagflow[f] = 0;
  w.wall(Cflatee[1]);
  w.run(1);
  const double yplus = 1e6 * 0.5 * std::sqrt(0.3 * 0.002), a = 31.62 * std::sqrt(300.0 * 0.002);
  EXPECT_NEAR(Cap[1], 0.4 * a * 0.5 / std::log(9.0 * yplus), 1e-9);
}

// F 312: where the neighbour across the wall direction flows back (cosine
// -1) the epsilon distance grows by 2.1, so epsilon falls by 2.1.
TEST(WallFamilies, FlowTurningBackEnlargesTheEpsilonDistance) {
  InProjectDir dir;
  Cells w(2);
  FlagWallAll = 19;
  w.wall(Cflatew[1]);
  w.run(6);
  const double plain = Csource[1] / Cap[1];
  EXPECT_NEAR(plain, std::pow(0.09, 0.75) * std::pow(0.002, 1.5) / (0.4 * 0.5), 1e-12);
  FlagModEpsilon = 1;
  const int east = Ccelle[1];
  Cxvel[east] = -Cxvel[1];
  Cyvel[east] = -Cyvel[1];
  w.run(6);
  EXPECT_NEAR(Csource[1] / Cap[1], plain / 2.1, 1e-12);
  // A neighbour flowing across (cosine 0) changes nothing.
  Cxvel[east] = -Cyvel[1];
  Cyvel[east] = Cxvel[1];
  w.run(6);
  EXPECT_NEAR(Csource[1] / Cap[1], plain, 1e-15);
}

// The k-omega model 16 fixes omega = sqrt(k) / (Cmu^0.25 kappa y) at the
// walls of every family; models 14 and 15 fix nothing.
TEST(WallFamilies, OmegaWallValueOfModel16) {
  InProjectDir dir;
  Cells w;
  w.wall(Cflateb[1]);
  for (int family : {5, 8, 9, 19}) {
    FlagWallAll = family;
    TurbulenceModel = 16;
    w.run(6);
    EXPECT_EQ(Cap[1], 1e30);
    EXPECT_NEAR(Csource[1] / Cap[1], std::sqrt(0.002) / (0.21908 * 0.25), 1e-12) << family;
    TurbulenceModel = 15;
    w.run(6);
    EXPECT_EQ(Cap[1], 0.0) << family;
  }
}
