// The turbulence and wall kernels of the fast flow driver against the
// general routines.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "physics/physics.h"
#include "physics_fixture.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

using namespace physics_test;

namespace {

struct FastGrid {
  SmallGrid g;
  FastGrid() {
    g.nx = 2;
    g.ny = 2;
    g.nz = 3;
    g.build();
    fillAreaVectors();
    for (int f = 0; f <= NoSurfaces; ++f) Fflagflow[f] = 0;
    EXPECT_TRUE(allocate2(Csourcem, 5, NoCells + 1));
    EXPECT_TRUE(allocate2(CinvApf, 5, NoCells + 1));
    CsourcemRows = 5;
    WCStart = 1;
    WCEnd = NoCells;
    setField(Cxvel, [](int c) { return 0.2 + 0.3 * Czcenter[c] + 0.05 * Cycenter[c]; });
    setField(Cyvel, [](int c) { return 0.05 - 0.1 * Cxcenter[c] * Czcenter[c]; });
    setField(Czvel, [](int c) { return 0.01 * Cxcenter[c]; });
    setField(Ckinen, [](int c) { return 0.002 + 0.0001 * c; });
    setField(Cepsilon, [](int c) { return 0.0003 + 0.00002 * c; });
    setField(Cgamma, [](int c) { return 3.0 + 0.1 * c; });
    setField(Croughness, [](int) { return 0.05; });
    XksWall = 0.05;
  }
  ~FastGrid() { CsourcemRows = 0; }
  static void clearRows() {
    for (int r = 0; r < 5; ++r)
      for (int c = 0; c <= NoCells; ++c) CinvApf[r][c] = Csourcem[r][c] = 0.0;
  }
  // Cap and Csource of the general routine for equation eq.
  static void general(int eq, void (*fn)(int, int)) {
    Equation = eq;
    for (int c = 0; c <= NoCells; ++c) Cap[c] = Csource[c] = 0.0;
    fn(1, NoCells);
  }
};

void expectRel(double a, double b, const char* what, int c) {
  EXPECT_NEAR(a, b, 1e-12 * std::fabs(b) + 1e-300) << what << " cell " << c;
}

}  // namespace

// A bed face with Croughness = XksWall: the five rows of wallFast hold the
// terms of the wall laws of u, v, w, k and epsilon (F 15 0).
TEST(FastKernels, WallRowsEqualTheWallLawsAtTheBed) {
  InProjectDir dir;
  FastGrid g;
  const int c = 1;  // a bottom cell
  Fflagflow[Cflateb[c]] = -1;
  g.clearRows();
  wallFast();
  for (int eq : {1, 2, 3, 5, 6}) {
    g.general(eq, wall_laws);
    const int r = eq <= 3 ? eq - 1 : eq - 2;
    expectRel(CinvApf[r][c], Cap[c], "diagonal", eq);
    expectRel(Csourcem[r][c], Csource[c], "source", eq);
  }
  // Cells without a wall keep the rows the driver left.
  EXPECT_EQ(CinvApf[0][2], 0.0);
}

// The listed differences: opposite side walls give two k terms and two
// epsilon fixings in the fast kernel, one of each in the wall laws; the
// roughness of F 16 is held at 0.0001 or more.
TEST(FastKernels, OppositeWallsCountTwiceAndTheWallRoughnessIsFloored) {
  InProjectDir dir;
  FastGrid g;
  const int c = 1;
  Fflagflow[Cflatee[c]] = Fflagflow[Cflatew[c]] = -1;
  g.clearRows();
  wallFast();
  g.general(5, wall_laws);
  expectRel(CinvApf[3][c], 2.0 * Cap[c], "k diagonal", c);
  expectRel(Csourcem[3][c], 2.0 * Csource[c], "k source", c);
  g.general(6, wall_laws);
  EXPECT_EQ(CinvApf[4][c], 2e30);
  expectRel(Csourcem[4][c] / CinvApf[4][c], Csource[c] / Cap[c], "epsilon value", c);
  // Velocities: one term per face in both.
  g.general(1, wall_laws);
  expectRel(CinvApf[0][c], Cap[c], "u diagonal", c);
  XksWall = 0.00005;
  wallFast();
  EXPECT_EQ(XksWall, 0.0001);
  EXPECT_EQ(Xkappa, 0.4);
}

// turbulenceFast: the k rows are the production and sink of the k
// equation; the epsilon source is 1.44 times the production times eps/k,
// the term of the epsilon equation built with its own reduced viscosity
// (1/1.3 of the velocities'), and its sink 1.92 eps/k.
TEST(FastKernels, TurbulenceRowsEqualTheKAndEpsilonEquations) {
  InProjectDir dir;
  FastGrid g;
  g.clearRows();
  turbulenceFast();
  const std::vector<double> gamma = copy(Cgamma);
  g.general(5, turbulence);
  for (int c = 1; c <= NoCells; ++c) {
    expectRel(Csourcem[3][c], Csource[c], "k production", c);
    expectRel(CinvApf[3][c], Cap[c], "k sink", c);
  }
  for (int c = 1; c <= NoCells; ++c) Cgamma[c] = gamma[c] / 1.3;
  g.general(6, turbulence);
  for (int c = 1; c <= NoCells; ++c) {
    EXPECT_NEAR(Csourcem[4][c], Csource[c], 1e-9 * std::fabs(Csource[c])) << c;
    expectRel(CinvApf[4][c], Cap[c], "epsilon sink", c);
  }
  for (int c = 1; c <= NoCells; ++c) Cgamma[c] = gamma[c];
  // RNG: k production times 0.719, the epsilon source from the full one.
  const std::vector<double> k3 = copy(Csourcem[3]), e4 = copy(Csourcem[4]);
  TurbulenceModel = 1;
  g.clearRows();
  turbulenceFast();
  for (int c = 1; c <= NoCells; ++c) {
    expectRel(Csourcem[3][c], 0.719 * k3[c], "RNG k", c);
    expectRel(Csourcem[4][c], e4[c], "RNG epsilon", c);
  }
  // Models 2..7 leave the rows as the driver cleared them.
  TurbulenceModel = 6;
  g.clearRows();
  turbulenceFast();
  for (int c = 1; c <= NoCells; ++c) EXPECT_EQ(Csourcem[3][c] + CinvApf[4][c], 0.0);
}

// A wall cell keeps the k source the driver left; its sinks are still set.
TEST(FastKernels, WallCellsHaveNoProduction) {
  InProjectDir dir;
  FastGrid g;
  Fflagflow[Cflateb[1]] = -1;
  g.clearRows();
  turbulenceFast();
  EXPECT_EQ(Csourcem[3][1], 0.0);
  EXPECT_GT(Csourcem[3][2], 0.0);
  EXPECT_GT(CinvApf[3][1], 0.0);
}

// Without k and epsilon equations (F 24 4..7) the fast driver asks for the
// velocity rows alone: they are the wall terms of the full call, and the k
// and epsilon rows keep what they held.
TEST(FastKernels, VelocityRowsAloneLeaveTheTurbulenceRows) {
  InProjectDir dir;
  FastGrid g;
  const int c = 1;
  Fflagflow[Cflateb[c]] = -1;
  g.clearRows();
  wallFast();
  double ap[3], b[3];
  for (int r = 0; r < 3; ++r) {
    ap[r] = CinvApf[r][c];
    b[r] = Csourcem[r][c];
    EXPECT_GT(ap[r], 0.0);
  }
  g.clearRows();
  for (int r = 3; r < 5; ++r) CinvApf[r][c] = Csourcem[r][c] = 7.0;
  wallFast(false);
  for (int r = 0; r < 3; ++r) {
    EXPECT_EQ(CinvApf[r][c], ap[r]) << r;
    EXPECT_EQ(Csourcem[r][c], b[r]) << r;
  }
  for (int r = 3; r < 5; ++r) {
    EXPECT_EQ(CinvApf[r][c], 7.0) << r;
    EXPECT_EQ(Csourcem[r][c], 7.0) << r;
  }
}
