// Level differences between neighbouring columns and limiting depths, on a
// generated box of 4 x 3 columns of 1 m (block 1: columns i = 2..5,
// j = 2..4), 1 m of water over a flat bed, whose pressures, fluxes and
// levels are then set by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"
#include "surface/surface.h"

namespace {

constexpr double g = 9.81;

int lowest(int i, int j) { return static_cast<int>(zval[i][j][0]); }
int top(int i, int j) {
  int c = lowest(i, j);
  while (Ccellt[c] > 0) c = Ccellt[c];
  return c;
}
double topLevel(int c) { return Czcenter[c] + Ckdist[c]; }

struct Box {
  InProjectDir dir;
  explicit Box(double slopeI = 0.0) {
    setRunStateInitial();
    FlowGrid grid = FlowGrid::box(4, 3, 1.0);
    grid.water = [slopeI](int i, int) { return 1.0 + slopeI * i; };
    EXPECT_TRUE(grid.build());
  }
};

// Critical depth of the unit discharge q: (q^2 / g)^(1/3).
double criticalDepth(double q) { return std::cbrt(q * q / g); }
// Depth at which Manning's speed M h^(2/3) sqrt(S) equals U.
double manningDepth(double U, double M, double S) { return std::pow(U / (M * std::sqrt(S)), 1.5); }

}  // namespace

// ---- computeDhSurf and relatives ----

// Equal pressures ask for a level surface: the result is minus the present
// difference of the top-face levels (here the surface rises 0.1 m per line
// eastwards).
TEST(LevelDifference, EqualPressuresGiveMinusTheTopLevelDifference) {
  Box box(0.1);
  const int t = top(3, 3), n = top(4, 3);
  ASSERT_GT(std::fabs(topLevel(t) - topLevel(n)), 0.05);
  Cpres[t] = Cpres[n] = 4321.0;
  EXPECT_NEAR(computeDhSurf(1.0, n, t), -(topLevel(t) - topLevel(n)), 1e-12);
}

// A head of 0.1 m over 1 m: slope 0.1, cut at Diffslope, scaled by the
// backwater factor only with F 477 above 2; computeDhSurf2 gives the bare
// head difference times the distance.
TEST(LevelDifference, HeadSlopesAreCutAtDiffslopeAndScaledOnlyAboveF477Two) {
  struct Row {
    const char* name;
    int f477;
    double scale, diffslope, d, slope;
  };
  const Row rows[] = {{"plain", 0, 0.5, 100.0, 1.0, 0.1},
                      {"F 477 2 ignores the factor", 2, 0.5, 100.0, 1.0, 0.1},
                      {"F 477 3 scales", 3, 0.5, 100.0, 1.0, 0.05},
                      {"cut at Diffslope", 0, 1.0, 0.02, 1.0, 0.02},
                      {"cut below -Diffslope", 0, 1.0, 0.02, -1.0, -0.02},
                      {"distance 2 m", 0, 1.0, 100.0, 2.0, 0.05}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Box box;
    const int t = top(3, 3), n = top(4, 3);
    Cpres[t] = 981.0;  // 0.1 m of head above its neighbour
    Cpres[n] = 0.0;
    FlagScaleFreeSource = r.f477;
    scaleBackwater2 = r.scale;
    Diffslope = r.diffslope;
    const double dz = topLevel(t) - topLevel(n);
    EXPECT_NEAR(computeDhSurf(r.d, n, t), r.d * r.slope - dz, 1e-12);
  }
  Box box;
  const int t = top(3, 3), n = top(4, 3);
  Cpres[t] = 981.0;
  Cpres[n] = 0.0;
  FlagScaleFreeSource = 3;
  scaleBackwater2 = 0.5;
  EXPECT_NEAR(computeDhSurf2(1.0, n, t), 0.1, 1e-12);
}

// The friction form: a flux of 2000 kg/s through 1 m2 top faces is 2 m/s;
// Manning's friction slope U^2 / (M^2 R^(4/3)) with R the sum of the two
// half heights, signed by the flow direction and cut at Diffslope.
TEST(LevelDifference, ManningFormGivesTheFrictionSlopeOfTheFaceFlux) {
  Box box;
  const int t = top(3, 3), n = top(4, 3);
  const int f = Cflatee[t];
  ASSERT_NEAR(Farea[Cflatet[t]], 1.0, 1e-12);
  Fflux[f] = 2000.0;
  const double R = Ckdist[t] + Ckdist[n];
  const double slope = 4.0 / (20.0 * 20.0 * std::pow(R, 4.0 / 3.0));
  ASSERT_LT(slope, Diffslope);
  EXPECT_NEAR(computeDhMann(1.5, 20.0, n, t, f, 1), 1.5 * slope, 1e-4 * slope);
  EXPECT_NEAR(computeDhMann(1.5, 20.0, n, t, f, -1), -1.5 * slope, 1e-4 * slope);
  Diffslope = 0.1 * slope;
  EXPECT_NEAR(computeDhMann(1.5, 20.0, n, t, f, 1), 1.5 * 0.1 * slope, 1e-12);
}

TEST(LevelDifference, DistanceAndWaterSurfaceSlope) {
  Box box;
  EXPECT_NEAR(computeDist1(lowest(2, 2), lowest(4, 3)), std::sqrt(5.0), 1e-12);
  // z = 0.01 x^2 along i (x = i - 1), level across: forward at the first
  // line, central inside, backward at the last.
  for (int i = 1; i <= 5; ++i)
    for (int j = 1; j <= 4; ++j) zval[i][j][znumber] = 0.01 * (i - 1.0) * (i - 1.0);
  EXPECT_NEAR(computeSlopeWatersurface(1, 2), 0.01, 1e-12);
  EXPECT_NEAR(computeSlopeWatersurface(3, 1), 0.04, 1e-12);
  EXPECT_NEAR(computeSlopeWatersurface(5, 4), 0.07, 1e-12);
  // Across, 0.05 per metre: the larger of the two slopes.
  for (int i = 1; i <= 5; ++i)
    for (int j = 1; j <= 4; ++j) zval[i][j][znumber] += 0.05 * j;
  EXPECT_NEAR(computeSlopeWatersurface(3, 2), 0.05, 1e-12);
}

// ---- computeLimdepth ----

// One table: below its Froude limit every formula gives 0, values outside the
// table give 0, and above the limit each formula gives its depth, worked out
// from the critical depth of the unit discharge U h (h = U^2 / (g Fr^2)) or
// from Manning's normal depth on a steep bed (bed normal 0.8: slope angle
// acos 0.8) with ks 0.01 m.
TEST(LimitingDepth, EveryFormulaByTable) {
  const double ks = 0.01, theta = std::acos(0.8);
  auto hc = [](double U, double Fr) { return criticalDepth(U * U * U / (g * Fr * Fr)); };
  const double m0 = 26.0 / std::pow(0.3333 * ks, 1.0 / 6.0), m9 = 26.0 / std::pow(ks, 1.0 / 6.0);
  const double m11 = 26.0 / std::pow(0.333333 * ks, 1.0 / 6.0);
  struct Row {
    const char* name;
    int formula;
    double Fr, U;
    bool steep;
    double expected;
  };
  const Row rows[] = {
      {"0 below Fr 1", 0, 0.99, 2.0, false, 0.0},
      {"0 flat: critical depth", 0, 2.0, 2.0, false, hc(2.0, 2.0)},
      {"0 steep: normal depth", 0, 2.0, 2.0, true, manningDepth(2.0, m0, theta)},
      {"1 is none", 1, 3.0, 2.0, false, 0.0},
      {"2 below Fr 1", 2, 0.99, 2.0, false, 0.0},
      {"2 a quarter of the velocity head", 2, 3.0, 2.0, false, 4.0 / (4 * g)},
      {"2 halfway at Fr 1.5", 2, 1.5, 2.0, false, 0.5 * 4.0 / (4 * g)},
      {"5 below Fr 1", 5, 0.99, 2.0, false, 0.0},
      {"5 the velocity head", 5, 1.2, 2.0, false, 0.5 * 4.0 / g},
      {"9 below Fr 1", 9, 0.99, 2.0, false, 0.0},
      {"9 flat: critical depth", 9, 1.5, 2.0, false, hc(2.0, 1.5)},
      {"9 steep: normal depth", 9, 1.5, 2.0, true, manningDepth(2.0, m9, theta)},
      {"10 below Fr 0.9", 10, 0.89, 2.0, false, 0.0},
      {"10 flat, Fr 0.95: a quarter of U^2 / 4g", 10, 0.95, 2.0, false, 0.25 * 4.0 / (4 * g)},
      {"10 flat, Fr 1.02: 0.6 of U^2 / 4g", 10, 1.02, 2.0, false, 0.6 * 4.0 / (4 * g)},
      {"10 flat, Fr 2", 10, 2.0, 2.0, false, 4.0 / (4 * g)},
      {"10 steep: the smaller normal depth", 10, 2.0, 2.0, true, manningDepth(2.0, m0, theta)},
      {"11 below Fr 1", 11, 0.99, 2.0, false, 0.0},
      {"11 flat, Fr 2", 11, 2.0, 2.0, false, hc(2.0, 2.0) * std::pow(0.5, 2.0 / 3.0)},
      {"11 flat, Fr 1.05: half of it", 11, 1.05, 2.0, false, 0.5 * hc(2.0, 1.05) * std::pow(0.5, 2.0 / 3.0)},
      {"11 steep: normal depth", 11, 2.0, 2.0, true, manningDepth(2.0, m11, theta)},
      {"3 is none", 3, 3.0, 2.0, false, 0.0},
      {"12 is none", 12, 3.0, 2.0, false, 0.0},
      {"-1 is none", -1, 3.0, 2.0, false, 0.0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Box box;
    const int c = lowest(3, 3);
    Croughness[c] = ks;
    if (r.steep) Fvz[Cflateb[c]] = 0.8;
    ASSERT_NEAR(Fvz[Cflateb[c]], r.steep ? 0.8 : 1.0, 1e-12);
    FlagSurfLimit3 = r.formula;
    const double h = computeLimdepth(r.Fr, r.U, c);
    if (r.expected == 0.0)
      EXPECT_EQ(h, 0.0);
    else
      EXPECT_NEAR(h, r.expected, 1e-6 * r.expected);
  }
}
