// Light and biology source terms of the water-quality components, worked by
// hand on one column of three cells under a constant irradiance.
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>

#include "flow/components.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

// One column 2 m by 1 m, 1.5 m deep, three cells 0.5 m high (half height
// h = 0.25, Cvol 1 m3, V = 1000, top faces 2 m2, At = 2000), cells 1..3 from
// the bed up. Components: 0 the temperature 20, 1 = 2, 3, 4 and
// 2 = 0.5, 1.5, 2.5. Time step 2 s, one inner iteration, one timei record with
// the irradiance 100; component 1 is solved.
class WqLight : public ::testing::Test {
 protected:
  InProjectDir dir;
  SmallGrid g;

  void SetUp() override {
    setRunStateInitial();
    NoComponents = 3;
    TimeStep = 2.0;
    TransInnerIter = 1;
    g.nx = 1, g.ny = 1, g.nz = 3;
    g.dx = 2.0;
    g.water = [](int, int) { return 1.5; };
    g.build();
    setRecordsInitial();
    ASSERT_NE(Ccomp, nullptr);
    ASSERT_NE(Irradi, nullptr);
    const double c1[] = {2.0, 3.0, 4.0}, c2[] = {0.5, 1.5, 2.5};
    for (int c = 1; c <= 3; ++c) {
      Ccomp[0][c] = 20.0;
      Ccomp[1][c] = c1[c - 1];
      Ccomp[2][c] = c2[c - 1];
    }
    TimeInNo = 1;
    TimeInTime[0] = 0.0;
    Irradi[0] = 100.0;
    stimet = 10.0;
    Equation = 9;
    clear();
  }
  void clear() {
    for (int c = 0; c <= NoCells; ++c) Cap[c] = Csource[c] = 0.0;
  }
  static ReactionTerm term(int type, std::initializer_list<int> a, std::initializer_list<double> p) {
    ReactionTerm t{};
    t.type = type;
    t.component = 1;
    int i = 0;
    for (int v : a) t.arg[i++] = v;
    i = 0;
    for (double v : p) t.parameter[i++] = v;
    return t;
  }
  static void terms(std::initializer_list<ReactionTerm> list) {
    NoTerms = 0;
    for (const ReactionTerm& t : list) QTerms[NoTerms++] = t;
  }
};

// E(r) in a cell of V = 1000 with dt = 2, N = 1, r per day by the factor
// 1.182033e-5.
double E(double r) { return (std::exp(1.182033e-5 * r * 2.0) - 1.0) * 1000.0 / 2.0; }

TEST_F(WqLight, GridIsAsDescribed) {
  ASSERT_EQ(NoCells, 3);
  EXPECT_DOUBLE_EQ(Ckdist[2], 0.25);
  EXPECT_DOUBLE_EQ(Cvol[2], 1.0);
  EXPECT_DOUBLE_EQ(Farea[Cflatet[2]], 2.0);
}

// Type 6100 with the shading of component 2: kappa = 0.2 C2 + 0.5 = 0.6, 0.8,
// 1.0 in cells 1, 2, 3, each evaluated with the cell's own concentration.
// Depths: the top cell 0.25 (half its height); below it the top cell's half,
// the full heights between and half of the cell itself: 0.5 and 1.0.
TEST_F(WqLight, LightComponentThroughTheColumn) {
  terms({term(6100, {1, 2}, {0.2, 0.5})});
  CompSource();
  const double light[] = {0.0, 100.0 * std::exp(-0.6 * 1.0), 100.0 * std::exp(-0.8 * 0.5), 100.0 * std::exp(-1.0 * 0.25)};
  for (int c = 1; c <= 3; ++c) {
    EXPECT_DOUBLE_EQ(Cap[c], 1e30) << c;
    EXPECT_NEAR(Csource[c] / 1e30, light[c], 1e-9) << c;
  }
  // Two shading components multiply: the temperature 20 with 0.01 per degree
  // adds kappa 0.2.
  clear();
  terms({term(6100, {2, 2, 0}, {0.2, 0.5, 0.01, 0.0})});
  CompSource();
  EXPECT_NEAR(Csource[1] / 1e30, 100.0 * std::exp(-0.6 * 1.0) * std::exp(-0.2 * 1.0), 1e-9);
  EXPECT_NEAR(Csource[3] / 1e30, 100.0 * std::exp(-1.0 * 0.25) * std::exp(-0.2 * 0.25), 1e-9);
}

TEST_F(WqLight, LightSeriesIsInterpolatedAtTheCurrentTime) {
  TimeInNo = 2;
  TimeInTime[1] = 20.0;
  Irradi[1] = 300.0;  // 200 at 10 s
  terms({term(6100, {1, 2}, {0.0, 0.0})});
  CompSource();
  EXPECT_NEAR(Csource[2] / 1e30, 200.0, 1e-9);
}

// Growth limited by light, type 152: r = clamp(2 (1 - exp(-I / 50)), p3, p4),
// Csource += E(r) C in cell 2 (C = 3); I = 100 exp(-kappa 0.5).
TEST_F(WqLight, LightLimitedGrowth) {
  struct Case {
    double I0, kappa, lo, hi, r;
  };
  const double L100 = 2.0 * (1.0 - std::exp(-2.0)), L = 2.0 * (1.0 - std::exp(-100.0 * std::exp(-0.5) / 50.0));
  const Case cases[] = {
      {100.0, 0.0, 0.1, 5.0, L100},
      {100.0, 1.0, 0.1, 5.0, L},
      {100.0, 0.0, 0.1, 1.0, 1.0},  // upper bound
      {0.0, 0.0, 0.1, 5.0, 0.1},    // no light: growth at the lower bound
  };
  for (const Case& k : cases) {
    clear();
    Irradi[0] = k.I0;
    terms({term(152, {0}, {k.kappa, 2.0, 50.0, k.lo, k.hi})});
    CompSource();
    EXPECT_NEAR(Csource[2], E(k.r) * 3.0, 1e-9) << k.I0 << " " << k.kappa;
  }
}

// The rate types in cell 2: C = 3, C2 = 1.5, T = 20, the light 100 at every
// cell (no extinction) and q = 1e-9, so that every light limitation
// p (1 - exp(-x / q)) is its p.
TEST_F(WqLight, RateTypesByHand) {
  const double q = 1e-9;
  struct Case {
    ReactionTerm t;
    double source;
  };
  const Case cases[] = {
      {term(42, {}, {0.0, 0.0, 0.4, q}), E(0.4) * 3.0},
      {term(162, {2}, {0.0, 0.0, 0.4, q, 0.5, 1.0}), E(0.5) * 3.0},  // lower bound 0.5
      // min(0.4, 0.5 M(1.5, 0.5) = 0.375, 0.5 M(20, 60) = 0.125)
      {term(281, {2, 0}, {0.0, 0.0, 0.4, q, 0.5, 0.5, 60.0, 1.0}), E(0.125) * 3.0},
      {term(361, {2, 2, 0}, {0.4, q, 0.5, 0.5, 60.0, 1.0}), E(0.125) * 3.0},
      // min(0.4, 0.5 M(1.5, 1.5) = 0.25)
      {term(252, {2, 2}, {0.4, q, 0.5, 1.5, 1.0}), E(0.25) * 3.0},
      // uptake: min(0.4, 0.5 M(3, 1) = 0.375, 0.5 M(20, 60) = 0.125) x 2
      {term(291, {2, 0}, {0.0, 0.0, 0.4, q, 0.5, 1.0, 60.0, 1.0, 2.0}), -E(0.25) * 3.0},
      {term(371, {2, 0}, {0.4, q, 0.5, 1.0, 60.0, 1.0, 2.0}), -E(0.25) * 3.0},
      // min(0.4, 0.375) x 2
      {term(261, {2}, {0.4, q, 0.5, 1.0, 1.0, 2.0}), -E(0.75) * 3.0},
      {term(121, {2}, {2.0}), E(1.5 * 2.0 * 3.0)},
      // clamp(min(0.4, 1.5 / (1.5 + 1.5)), 0, 0.3)
      {term(272, {2, 2}, {0.0, 0.0, 0.4, q, 1.5, 0.0, 0.3}), E(0.3) * 3.0},
      // relaxation towards the light (100) and towards component 2 (1.5)
      {term(133, {2}, {0.0, 0.0, 4.0}), (100.0 - 3.0) * 0.5 * 1000.0 / 2.0},
      {term(113, {2}, {0.0, 0.0, 4.0}), (1.5 - 3.0) * 0.5 * 1000.0 / 2.0},
      {term(113, {2}, {0.0, 0.0, 0.0}), (1.5 - 3.0) * 1000.0 / 2.0},  // no time scale: the full step
  };
  for (const Case& k : cases) {
    clear();
    terms({k.t});
    CompSource();
    EXPECT_NEAR(Csource[2], k.source, 1e-9 * (1.0 + std::fabs(k.source))) << "type " << k.t.type;
    EXPECT_EQ(Cap[2], 0.0) << "type " << k.t.type;
  }
}

TEST_F(WqLight, TemperatureFactor) {
  Ccomp[0][2] = 22.0;
  const ReactionTerm t = term(252, {2, 2}, {0.4, 1e-9, 0.5, 1.5, 1.05});
  terms({t});
  CompSource();
  EXPECT_NEAR(Csource[2], E(0.25) * 3.0, 1e-9);  // flag 0: factor 1
  clear();
  TemperatureFlag = 1;
  CompSource();
  EXPECT_NEAR(Csource[2], E(0.25 * 1.05 * 1.05) * 3.0, 1e-9);
}

// Fixed values in cell 2 (C = 3): Cap 1e30, Csource the value times 1e30.
TEST_F(WqLight, FixedValueTypes) {
  struct Case {
    ReactionTerm t;
    double value;
  };
  const Case cases[] = {
      {term(132, {2}, {0.0, 0.0, 1.0}), 100.0},                    // p2 below the step: the light
      {term(132, {2}, {0.0, 0.0, 4.0}), 0.5 * 100.0 + 0.5 * 3.0},  // s = 0.5
      {term(151, {0}, {0.0, 0.0, 0.0, 0.0, 1.0}), 1.5},            // never above 1.5
      {term(151, {0}, {0.0, 0.0, 0.0, 2.0, 1.0}), 0.7},            // never below 0.7
      {term(161, {2}, {0.0, 0.0, 0.0, 0.0, 0.0, 1.0}), 1.5},
      // 3 + (p2 100 / (p5 + 100) - p3 C2 - p4) dt = 3 + (0.5 - 0.3 - 0.05) 2
      {term(282, {2, 2}, {0.0, 0.0, 1.0, 0.2, 0.05, 100.0, 0.0, 10.0}), 3.3},
      {term(282, {2, 2}, {0.0, 0.0, 1.0, 0.2, 0.05, 100.0, 0.0, 3.2}), 3.2},
  };
  for (const Case& k : cases) {
    clear();
    terms({k.t});
    CompSource();
    EXPECT_EQ(Cap[2], 1e30) << "type " << k.t.type;
    EXPECT_NEAR(Csource[2] / 1e30, k.value, 1e-12) << "type " << k.t.type;
  }
  // Inside its range the colony density moves by its rate: 1 - 0.1 x 2.
  Ccomp[1][2] = 1.0;
  clear();
  terms({term(151, {0}, {0.0, 0.0, 0.0, 0.1, 1.0})});
  CompSource();
  EXPECT_NEAR(Csource[2] / 1e30, 0.8, 1e-12);
}

TEST_F(WqLight, FixedValueReplacesEarlierTerms) {
  // The light of type 6100 and the growth of type 152 come first and are gone.
  terms({term(151, {0}, {0.0, 0.0, 0.0, 0.0, 1.0}), term(152, {0}, {0.0, 2.0, 50.0, 0.1, 5.0}),
         term(6100, {1, 2}, {0.0, 0.0})});
  CompSource();
  EXPECT_EQ(Cap[2], 1e30);
  EXPECT_DOUBLE_EQ(Csource[2], 1.5e30);
}

// Before its first interval the series is extended along it: records 100 at
// 10 s and 300 at 20 s give -100 at 0 s, which counts as dark where the terms
// take the light as not negative.
TEST_F(WqLight, NegativeLightCountsAsDark) {
  TimeInNo = 2;
  TimeInTime[0] = 10.0, TimeInTime[1] = 20.0;
  Irradi[0] = 100.0, Irradi[1] = 300.0;
  stimet = 0.0;
  terms({term(6100, {1, 2}, {0.0, 0.0})});
  CompSource();
  EXPECT_EQ(Csource[2], 0.0);
  clear();
  terms({term(42, {}, {0.0, 0.0, 0.4, 50.0})});
  CompSource();
  EXPECT_EQ(Csource[2], 0.0);
}

// Migration, type 51, in cell 2 alone (C = 3, the others 0): F = 3 x
// clamp((p2 - 100) / 50, -1, 1) x 0.001 x 2000 = +-6.
TEST_F(WqLight, MigrationUpInTheDarkDownInTheLight) {
  Ccomp[1][1] = Ccomp[1][3] = 0.0;
  struct Case {
    double p2, s1, s2, s3;
  };
  const Case cases[] = {{200.0, 0.0, -6.0, 6.0}, {50.0, 6.0, -6.0, 0.0}, {125.0, 0.0, -3.0, 3.0}};
  for (const Case& k : cases) {
    clear();
    terms({term(51, {}, {0.0, 0.0, k.p2, 0.001, 50.0})});
    CompSource();
    EXPECT_NEAR(Csource[1], k.s1, 1e-12) << k.p2;
    EXPECT_NEAR(Csource[2], k.s2, 1e-12) << k.p2;
    EXPECT_NEAR(Csource[3], k.s3, 1e-12) << k.p2;
  }
}

// Buoyancy in cell 2 alone: the velocity 0.545 (1 - rho) d^2 / (p nu).
TEST_F(WqLight, BuoyancyTypes) {
  Ccomp[1][1] = Ccomp[1][3] = 0.0;
  const double nu20 = 1e-6 * std::exp(0.55234 - 0.026668 * 20.0);
  struct Case {
    ReactionTerm t;
    double F;  // moved from cell 2, up when positive
  };
  const Case cases[] = {
      // colony of density C2 = 1.5 sinks: w = -0.5 x 0.545 / nu(20) x 1e-7
      {term(221, {2, 0}, {1e-6, 1e-5}), 3.0 * -0.5 * 0.545 / nu20 * 1e-7 * 2000.0},
      {term(131, {2}, {1e-6, 1e-5, 20.0}), 3.0 * -0.5 * 0.545 / nu20 * 1e-7 * 2000.0},
      // unlimited it would sink 2.67 m/s: limited to 2 h / dt = 0.25 m/s
      {term(131, {2}, {1e-5, 1e-5, 20.0}), 3.0 * -0.25 * 2000.0},
      // type 81 with its own density: rho = 3 - 0.01 x 2 held at 1.5; nu 1e-6
      {term(81, {}, {0.0, 0.0, 0.0, 0.0, 0.01, 0.0, 1e-5, 1e-3}), 3.0 * -0.5 * 0.545 / 1e-6 * 1e-7 * 2000.0},
  };
  for (const Case& k : cases) {
    clear();
    terms({k.t});
    CompSource();
    EXPECT_NEAR(Csource[2], -std::fabs(k.F), 1e-9) << "type " << k.t.type;
    EXPECT_NEAR(k.F > 0 ? Csource[3] : Csource[1], std::fabs(k.F), 1e-9) << "type " << k.t.type;
  }
  // A light colony (C = 1 - 0.01 x 2 = 0.98) rises.
  Ccomp[1][2] = 1.0;
  clear();
  terms({term(81, {}, {0.0, 0.0, 0.0, 0.0, 0.01, 0.0, 1e-5, 1e-3})});
  CompSource();
  const double F = 1.0 * 0.02 * 0.545 / 1e-6 * 1e-7 * 2000.0;
  EXPECT_NEAR(Csource[2], -F, 1e-9);
  EXPECT_NEAR(Csource[3], F, 1e-9);
}

TEST_F(WqLight, OnlyTheSolvedComponentsTerms) {
  ReactionTerm t = term(6100, {1, 2}, {0.2, 0.5});
  t.component = 2;
  terms({t});
  CompSource();
  for (int c = 1; c <= 3; ++c) EXPECT_EQ(Cap[c], 0.0) << c;
}

}  // namespace
