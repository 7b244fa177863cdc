// Link weights and coefficient builders of the surface-height equation.
#include <gtest/gtest.h>

#include <cmath>

#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"
#include "surface/heightequation.h"

namespace {

struct WeightCase {
  const char* what;
  int f36, f278;
  double cosv, Fr, expected;
};

}  // namespace

// The weight of one link by F 36 and F 278, one row per rule.
TEST(SurfaceCoeff, LinkWeightTable) {
  InProjectDir d;
  const WeightCase cases[] = {
      {"subcritical downstream, p = cos", 0, 0, 0.5, 0.5, 1.03},
      {"subcritical downstream, p = 10 cos^2", 0, 0, 0.05, 0.5, 0.03 + 0.025 / 0.5},
      {"cos exactly 0", 0, 0, 0.0, 0.5, 0.0},
      {"subcritical upstream", 0, 0, -0.5, 0.5, 0.0},
      {"supercritical downstream", 0, 0, 0.5, 2.0, 0.0},
      {"supercritical upstream, q = -cos", 0, 0, -0.5, 2.0, 1.0},
      {"supercritical upstream, q = 5 cos^2", 0, 0, -0.1, 2.0, 0.1},
      {"Fr exactly 1", 0, 0, 0.5, 1.0, 0.0},
      {"F 36 7, Fr 0.5, cos 0.05", 7, 0, 0.05, 0.5, 0.08},
      {"F 36 7, Fr 0.8", 7, 0, 0.5, 0.8, 0.53},
      {"F 36 7, Fr 1.5 upstream", 7, 0, -0.5, 1.5, 0.25},
      {"F 36 7, Fr 3 upstream", 7, 0, -0.5, 3.0, 0.5},
      {"F 278 1", 0, 1, 0.5, 0.5, 0.25},
      {"F 278 1 negative", 0, 1, -0.5, 0.5, 0.0},
      {"F 278 2 negative product", 0, 2, 0.5, 1.5, 0.1},
      {"F 278 2", 0, 2, 0.5, 0.5, 0.35},
      {"F 278 3", 0, 3, 0.5, 0.5, 0.4},
      {"F 278 4", 0, 4, 0.5, 0.5, 0.75},
      {"F 278 5", 0, 5, -0.9, 3.0, 1.0},
      {"F 278 6 at -0.1", 0, 6, -0.1, 0.5, 1.0},
      {"F 278 6 below", 0, 6, -0.2, 0.5, 0.0},
      {"F 278 7 downstream", 0, 7, 0.0, 0.5, 1.0},
      {"F 278 7 supercritical upstream", 0, 7, -0.6, 3.0, 0.72},
      {"F 278 8 at Fr 1 downstream", 0, 8, 0.5, 1.0, 0.0},
      {"F 278 8 at Fr 1 upstream", 0, 8, -0.5, 1.0, 0.0},
      {"F 278 8 subcritical", 0, 8, 0.5, 0.5, 1.0},
      {"F 278 8 supercritical upstream", 0, 8, -0.5, 1.5, 1.0},
      {"F 278 9", 0, 9, 0.0, 0.0, 1.0},
      {"F 278 10", 0, 10, 0.5, 0.7, 5.5},
      {"F 278 10 low Froude", 0, 10, 0.5, 0.1, 0.5},
      {"F 278 11", 0, 11, -0.5, 1.5, 35.0},
      {"F 278 12", 0, 12, -0.5, 1.5, 0.0},
      {"F 278 13", 0, 13, 0.5, 1.0, 0.5},
      {"F 278 13 upstream", 0, 13, -0.5, 0.5, (std::tanh(10.0) + 1) / 2},
      {"F 278 14", 0, 14, 0.5, 0.4, 2.0},
      {"F 278 15", 0, 15, 0.5, 1.5, 0.5 / (1 + 1e-8)},
      {"F 278 16", 0, 16, 0.5, 1.05, 0.5},
      {"F 278 17", 0, 17, 0.5, 0.45, 2.0},
      {"F 278 18", 0, 18, -0.1, 1.5, 0.5},
      {"F 278 19 limited to 1", 0, 19, 0.5, 0.5, 1.0},
      {"F 278 19 negative", 0, 19, 0.5, 2.0, 0.0},
      {"F 278 20", 0, 20, 0.1, 0.5, 1.1 / 0.6},
      {"F 278 20 near the upstream limit", 0, 20, -0.06, 0.5, 1.0},
      {"F 278 21", 0, 21, 0.4, 3.0, 0.4},
      {"F 278 21 upstream", 0, 21, -0.3, 0.5, 0.0},
  };
  solverFroudeLimit = 2.0;
  for (const WeightCase& k : cases) {
    FlagTFS = k.f36;
    FlagTFS3 = k.f278;
    EXPECT_NEAR(computeCoeffSurf(k.cosv, k.Fr), k.expected, 1e-9) << k.what;
  }
}

// F 154 5 and F 406 are added to every weight, also to a link of weight 0.
TEST(SurfaceCoeff, SmoothingAndAddedValueRaiseEveryWeight) {
  InProjectDir d;
  SurfSmoothFlag = 5;
  SurfSmoothVal = 0.2;
  AddValTFS7 = 0.1;
  EXPECT_NEAR(computeCoeffSurf(-0.5, 0.5), 0.3, 1e-12);
  EXPECT_NEAR(computeCoeffSurf(0.5, 0.5), 1.33, 1e-12);
  SurfSmoothFlag = 4;
  EXPECT_NEAR(computeCoeffSurf(-0.5, 0.5), 0.1, 1e-12);
}

// A neighbour at rest (Froude number 0) downstream of a column keeps a finite
// weight that grows as the Froude number falls.
TEST(SurfaceCoeff, ANeighbourAtRestHasAFiniteWeight) {
  InProjectDir d;
  const double w0 = computeCoeffSurf(0.5, 0.0);
  EXPECT_TRUE(std::isfinite(w0));
  EXPECT_GT(w0, computeCoeffSurf(0.5, 0.1));
  FlagTFS3 = 0;
  FlagTFS = 8;
  EXPECT_TRUE(std::isfinite(computeCoeffSurf(1.0, -0.0)));
}

namespace {

// 3 x 3 columns of one cell, 1 m apart, 1 m deep; flow eastwards.
SmallGrid nine() {
  SmallGrid g;
  g.nx = 3;
  g.ny = 3;
  g.nz = 1;
  g.build();
  for (double** a : {&Caee, &Caww, &Cass, &Cann})
    if (!*a) allocate1(*a, static_cast<std::size_t>(NoCells + 1));
  Cf = Cfn;
  for (int c = 1; c <= NoCells; ++c) {
    Cxvel[c] = 1.0;
    Cyvel[c] = 0.0;
  }
  return g;
}

}  // namespace

// The row of F 36 8 for the middle column, by hand: flow eastwards at Froude
// number 0.5 gives the east link 0.03 + 1 / 0.5 and the two eastern diagonal
// links (cos 1/sqrt 2) 0.03 + 0.7071 / 0.5 times their distance sqrt 2; the
// western and the cross links get 0. The source is the weight times the head
// difference minus the level difference.
TEST(SurfaceCoeff, RowOfTheNinePointPressureEquation) {
  InProjectDir d;
  const SmallGrid g = nine();
  FlagTFS = 8;
  for (int b = 1; b <= NoBCells; ++b) BFroude[b] = 0.5;
  const int c = g.cell(3, 3, 1), e = g.cell(4, 3, 1), ne = g.cell(4, 4, 1), se = g.cell(4, 2, 1);
  Cpres[c] = 9810 * 0.02;  // 2 cm of head above the eastern columns
  clearSurfaceEquation(true);
  coeffTFS8Column(c);
  const double diag = (0.03 + std::sqrt(0.5) / 0.5) * std::sqrt(2.0);
  EXPECT_NEAR(Cae[c], 2.03, 1e-6);
  EXPECT_NEAR(Caee[c], diag, 1e-6);
  EXPECT_NEAR(Cass[c], diag, 1e-6);
  EXPECT_EQ(Caw[c], 0.0);
  EXPECT_EQ(Can[c], 0.0);
  EXPECT_EQ(Cas[c], 0.0);
  EXPECT_EQ(Cann[c], 0.0);
  EXPECT_EQ(Caww[c], 0.0);
  EXPECT_NEAR(Cap[c], 2.03 + 2 * diag, 1e-6);
  EXPECT_NEAR(Csource[c], 0.02 * (2.03 + 2 * diag), 1e-6);
  (void)e;
  (void)ne;
  (void)se;
}

// Upstream of a supercritical column the level may fall by at most the
// depth: a huge pressure behind it is cut at minus twice the half depth.
TEST(SurfaceCoeff, AnUpstreamLinkFallsByAtMostTheDepth) {
  InProjectDir d;
  const SmallGrid g = nine();
  FlagTFS = 8;
  for (int b = 1; b <= NoBCells; ++b) BFroude[b] = 2.0;
  const int c = g.cell(3, 3, 1), w = g.cell(2, 3, 1);
  Cpres[w] = 9810 * 50.0;
  clearSurfaceEquation(true);
  coeffTFS8Column(c);
  // cos -1 at Fr 2: weight Fr * 1, distance 1; r = max(-50, -1).
  EXPECT_NEAR(Caw[c], 2.0, 1e-9);
  EXPECT_NEAR(Csource[c], -1.0 * 2.0, 1e-9);
}

// The builder of F 36 8 fixes the reference column at the end; a column at
// rest gets no coupling and no source, so nothing moves.
TEST(SurfaceCoeff, BuilderOfFThirtySixEightFixesTheReference) {
  InProjectDir d;
  const SmallGrid g = nine();
  FlagTFS = 8;
  for (int c = 1; c <= NoCells; ++c) Cxvel[c] = 0.0;
  iPres = 3;
  jPres = 3;
  GlobZRef = 1.1;
  computeCoeffTFS8();
  const int ref = g.cell(3, 3, 1), other = g.cell(2, 2, 1);
  EXPECT_EQ(Cap[ref], 1e20);
  EXPECT_NEAR(Csource[ref] / Cap[ref], 0.1, 1e-12);
  EXPECT_EQ(zval[3][3][znumber + 1], 1.1);
  EXPECT_EQ(Csource[other], 0.0);
  EXPECT_EQ(Cap[other], 1e-20);
}

// F 283 2: a column with a corner shallower than F 94 takes the plain mean
// of its neighbours, whatever the pressures; one without neighbours keeps
// Cap 0 and Csource 0 (the solver leaves its value).
TEST(SurfaceCoeff, ShallowColumnsOfTheFroudeLimiterTakeTheMeanOfTheirNeighbours) {
  InProjectDir d;
  const SmallGrid g = nine();
  FlagTFS = 7;
  FlagSurfLimit4 = 2;
  MinVertDist0 = 2.0;  // every column is shallower
  Cpres[g.cell(3, 3, 1)] = 9810.0;
  computeCoeffTFS7();
  const int c = g.cell(3, 3, 1), corner = g.cell(2, 2, 1);
  EXPECT_EQ(Cap[c], 8.0);
  EXPECT_EQ(Csource[c], 0.0);
  for (double* a : {Can, Cann, Caw, Caww, Cas, Cass, Cae, Caee}) EXPECT_EQ(a[c], 1.0);
  EXPECT_EQ(Cap[corner], 3.0);
}

// The five-point builder of F 36 4: a subcritical column with its east
// neighbour 1 cm lower in head gets the east weight over the distance and
// that share of the head difference as source; Cap is the sum of the links.
TEST(SurfaceCoeff, FivePointBuilder) {
  InProjectDir d;
  const SmallGrid g = nine();
  FlagTFS = 4;
  for (int c = 1; c <= NoCells; ++c) Cxvel[c] = 0.5;  // Fr = 0.5 / sqrt(9.81) at 1 m depth
  const int c = g.cell(3, 3, 1), e = g.cell(4, 3, 1);
  Cpres[c] = 98.1;
  computeCoeffTFS4();
  const double Fr = 0.5 / std::sqrt(9.81);
  EXPECT_NEAR(Cae[c], 0.03 + 1.0 / Fr, 1e-6);
  EXPECT_EQ(Caw[c], 0.0);
  EXPECT_NEAR(Cap[c], Cae[c] + 1e-20, 1e-12);
  EXPECT_NEAR(Csource[c], 0.01 * Cae[c], 1e-6);
  (void)e;
}

// The options of the F 36 7 builder on the middle column of 3 x 3 columns of
// one cell (1 m apart, 1 m deep, flow eastwards, flat surface): with F 36 7
// and Fr 0.5 the east link weighs 0.03 + 1 x (4 - 2) and the two eastern
// diagonals 0.03 + 0.7071 x 2; S, the half sum of |cos|, is 1 + sqrt 2.
TEST(SurfaceCoeff, OptionsOfTheFroudeLimiterBuilder) {
  InProjectDir d;
  const double east = 2.03, diag = 0.03 + std::sqrt(0.5) * 2.0, S = 1.0 + std::sqrt(2.0);
  struct Case {
    const char* what;
    void (*set)(const SmallGrid&);
    double cap, source;
  };
  const Case cases[] = {
      {"base formula", [](const SmallGrid&) {}, east + 2 * diag, 0.0},
      {"F 322 adds Fr to the diagonal", [](const SmallGrid&) { FlagTimeSurf = 2; }, east + 2 * diag + 1.0, 0.0},
      {"F 405 adds the time term", [](const SmallGrid&) { FlagTFS7 = 2, TimeStep = 4.0; }, east + 2 * diag + 0.5, 0.0},
      {"F 352 2nd 1 cuts the link to a supercritical neighbour downstream",
       [](const SmallGrid& g) {
         FlagTFS6 = 1;
         BFroude[g.bedCell(4, 3)] = 2.0;
       },
       2 * diag, 0.0},
      {"F 352 1st weighs by the neighbour's Froude number",
       [](const SmallGrid& g) {
         FlagTFS5 = 1;
         for (int b = 1; b <= NoBCells; ++b)
           if (b != g.bedCell(3, 3)) BFroude[b] = 0.9;
       },
       1.03 + 2 * (0.03 + std::sqrt(0.5)), 0.0},
      {"F 246 2nd 1 bumps the diagonal at Fr 1",
       [](const SmallGrid&) {
         FlagSurfLimit2 = 1;
         for (int b = 1; b <= NoBCells; ++b) BFroude[b] = 1.0;
       },
       S, 0.0},
      {"F 246 2nd 5 makes an uncoupled row an identity of change 0",
       [](const SmallGrid&) {
         FlagSurfLimit2 = 5;
         for (int b = 1; b <= NoBCells; ++b) BFroude[b] = 1.0;
       },
       1.0, 0.0},
      {"head differences, F 233 0",
       [](const SmallGrid& g) {
         for (int c = 1; c <= NoCells; ++c) Cpres[c] = c == g.cell(3, 3, 1) ? 0.0 : 98.1;
       },
       east + 2 * diag, -0.01 * (east + 2 * diag)},
      {"F 246 1st 2 with the critical depth of F 246 3rd -1 floors the fall",
       [](const SmallGrid& g) {
         FlagSurfLimit1 = 2;
         FlagSurfLimit3 = -1;
         for (int b = 1; b <= NoBCells; ++b) BFroude[b] = 1.5;
         for (int c = 1; c <= NoCells; ++c) Cpres[c] = c == g.cell(3, 3, 1) ? 0.0 : 98.1;
       },
       0.5 + 2 * 0.5 * std::sqrt(0.5), 0.0},
      {"without the floor the same fall stays",
       [](const SmallGrid& g) {
         for (int b = 1; b <= NoBCells; ++b) BFroude[b] = 1.5;
         for (int c = 1; c <= NoCells; ++c) Cpres[c] = c == g.cell(3, 3, 1) ? 0.0 : 98.1;
       },
       0.5 + 2 * 0.5 * std::sqrt(0.5), -0.01 * (0.5 + 2 * 0.5 * std::sqrt(0.5))},
  };
  for (const Case& k : cases) {
    setControlDefaults();
    const SmallGrid g = nine();
    FlagTFS = 7;
    for (int c = 1; c <= NoCells; ++c) Cpres[c] = 0.0;
    for (int b = 1; b <= NoBCells; ++b) {
      BFroude[b] = 0.5;
      Bdepth[b] = 1.0;
    }
    k.set(g);
    computeCoeffTFS7();
    const int c = g.cell(3, 3, 1);
    EXPECT_NEAR(Cap[c], k.cap, 1e-5) << k.what;
    EXPECT_NEAR(Csource[c], k.source, 1e-5) << k.what;
  }
}

// The options of the five-point builder on the middle column (flow eastwards
// at 0.5 m/s, 1 m deep, east neighbour 1 cm lower in head).
TEST(SurfaceCoeff, OptionsOfTheFivePointBuilder) {
  InProjectDir d;
  const double Fr = 0.5 / std::sqrt(9.81), east = 0.03 + 1.0 / Fr;
  // 4 m/s at 1 m: Fr 1.28, the upstream link weighs Fr; q = 4 m2/s has the
  // critical depth (q^2 / g)^(1/3) = 1.177 m.
  const double fast = 4.0 / std::sqrt(9.81), critical = std::cbrt(16.0 / 9.81);
  struct Case {
    const char* what;
    void (*set)();
    double cap, source;
  };
  const Case cases[] = {
      {"base", [] {}, east, 0.01 * east},
      {"F 246 2nd 7 adds 0.05 to the source", [] { FlagSurfLimit2 = 7; }, east, 0.01 * east + 0.05},
      {"F 322 adds Fr to the diagonal", [] { FlagTimeSurf = 2; }, east + 2 * Fr, 0.01 * east},
      {"F 246 2nd 2 at rest: Cap at least 1",
       [] {
         FlagSurfLimit2 = 2;
         for (int c = 1; c <= NoCells; ++c) Cxvel[c] = 0.0;
       },
       1.0, 0.0},
      {"F 246 2nd 5 at rest: identity of change 0",
       [] {
         FlagSurfLimit2 = 5;
         for (int c = 1; c <= NoCells; ++c) Cxvel[c] = 0.0;
       },
       1.0, 0.0},
      {"F 246 2nd 4 at rest: the critical depth of Fr 0, minus the depth",
       [] {
         FlagSurfLimit2 = 4;
         for (int c = 1; c <= NoCells; ++c) Cxvel[c] = 0.0;
         for (int b = 1; b <= NoBCells; ++b) Bdepth[b] = 0.8;
       },
       1.0, -0.8},
      {"F 246 1st 2 on a flat bed: the level stands at least at the critical depth",
       [] {
         FlagSurfLimit1 = 2;
         for (int c = 1; c <= NoCells; ++c) Cxvel[c] = 4.0, Cpres[c] = 0.0;
       },
       fast, (critical - 1.0) * fast},
  };
  for (const Case& k : cases) {
    setControlDefaults();
    const SmallGrid g = nine();
    FlagTFS = 4;
    for (int c = 1; c <= NoCells; ++c) {
      Cxvel[c] = 0.5;
      Cpres[c] = c == g.cell(3, 3, 1) ? 98.1 : 0.0;
    }
    k.set();
    computeCoeffTFS4();
    const int c = g.cell(3, 3, 1);
    EXPECT_NEAR(Cap[c], k.cap, 1e-6) << k.what;
    EXPECT_NEAR(Csource[c], k.source, 1e-6) << k.what;
  }
}

// F 233 7: the column-mean head difference of a link counts only beyond the
// spread of the two top faces' corners (own highest to the neighbour's
// lowest when it drives towards the neighbour, own lowest to its highest the
// other way). Two columns that share no corner: own corners 1.00..1.10 m,
// the neighbour's 0.95..0.98 m.
TEST(SurfaceCoeff, F233SevenCountsOnlyTheHeadBeyondTheCornerSpread) {
  InProjectDir d;
  const SmallGrid g = nine();
  const int t = g.cell(2, 2, 1), T = g.cell(4, 4, 1);
  const double own[4] = {1.0, 1.05, 1.1, 1.02}, nb[4] = {0.95, 0.97, 0.98, 0.96};
  const int op[4] = {Cpoint5[t], Cpoint6[t], Cpoint7[t], Cpoint8[t]};
  const int np[4] = {Cpoint5[T], Cpoint6[T], Cpoint7[T], Cpoint8[T]};
  for (int k = 0; k < 4; ++k) Pz[op[k]] = own[k], Pz[np[k]] = nb[k];
  const struct {
    double dp, expected;
  } rows[] = {{0.1, 0.0}, {0.3, 0.15}, {-0.01, -0.03}, {-0.2, -0.22}};
  for (const auto& r : rows) EXPECT_NEAR(clippedHeadDifference(r.dp, t, T), r.expected, 1e-12) << r.dp;
}
