// Production, buoyancy and sinks of the k and epsilon (omega) equations.
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
#include "support/flow_grid.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

using namespace physics_test;

namespace {

// 3 x 3 columns of four cells, 1 m deep: cells of 1 x 1 x 0.25 m. The middle
// column's second and third cells touch no wall.
struct ShearGrid {
  SmallGrid g;
  ShearGrid() {
    g.nx = g.ny = 3;
    g.nz = 4;
    g.build();
    fillAreaVectors();
    markWallsBelowSurface();
    setField(Cgamma, [](int) { return 5.0; });
    setField(Ckinen, [](int) { return 0.02; });
    setField(Cepsilon, [](int) { return 0.003; });
  }
  int inner(int k) const { return g.cell(3, 3, k); }
};

}  // namespace

// u = G z: Phi_S = (T_xz + T_zx)^2 = (G V)^2, so the k production is
// Cgamma G^2 V, and the Kato-Launder form gives the same for a pure shear.
TEST(TurbulenceSources, LinearShearProduction) {
  InProjectDir dir;
  ShearGrid s;
  const double G = 0.8, V = 0.25;
  setField(Cxvel, [G](int c) { return G * Czcenter[c]; });
  Equation = 5;
  for (int kl : {0, 1}) {
    FlagKatoLaunder = kl;
    turbulence(1, NoCells);
    for (int k : {2, 3}) EXPECT_NEAR(Csource[s.inner(k)], 5.0 * G * G * V, 1e-12) << "F 272 " << kl;
  }
}

// The strain the k pass keeps serves the epsilon pass even when the
// velocities have changed in between (the driver changes none), and no pass
// after forgetStrain reads it: epsilon's production is
// Cs1 1.3 Cgamma G^2 V e / k from the kept strain, 0 from the new, still field.
TEST(TurbulenceSources, StrainKeptForEpsilonOnly) {
  InProjectDir dir;
  ShearGrid s;
  const double G = 0.8, V = 0.25;
  const double kept = EpsilonCs1 * 1.3 * 5.0 * G * G * V * 0.003 / 0.02;
  FlagKatoLaunder = 0;
  setField(Cxvel, [G](int c) { return G * Czcenter[c]; });
  keepStrain();
  Equation = 5;
  turbulence(1, NoCells);
  setField(Cxvel, [](int) { return 0.0; });
  reuseStrain();
  Equation = 6;
  turbulence(1, NoCells);
  for (int k : {2, 3}) EXPECT_NEAR(Csource[s.inner(k)], kept, 1e-12 * kept);
  forgetStrain();
  turbulence(1, NoCells);
  for (int k : {2, 3}) EXPECT_NEAR(Csource[s.inner(k)], 0.0, 1e-15);
  // Without a k pass that kept it there is nothing to reuse.
  reuseStrain();
  turbulence(1, NoCells);
  EXPECT_NEAR(Csource[s.inner(2)], 0.0, 1e-15);
  forgetStrain();
}

// A uniform flow and a solid-body rotation produce nothing in either form.
TEST(TurbulenceSources, NoProductionWithoutStrain) {
  InProjectDir dir;
  ShearGrid s;
  Equation = 5;
  for (int kl : {0, 1}) {
    FlagKatoLaunder = kl;
    setField(Cxvel, [](int) { return 0.4; });
    setField(Cyvel, [](int) { return -0.2; });
    turbulence(1, NoCells);
    EXPECT_NEAR(Csource[s.inner(2)], 0.0, 1e-15);
    setField(Cxvel, [](int c) { return -0.3 * Cycenter[c]; });
    setField(Cyvel, [](int c) { return 0.3 * Cxcenter[c]; });
    turbulence(1, NoCells);
    EXPECT_NEAR(Csource[s.inner(2)], 0.0, 1e-15);
  }
}

// Sinks and the epsilon (omega) sources, per model: S is the production of
// the cell, k = 0.02, e = 0.003, V = 0.25.
TEST(TurbulenceSources, SinksAndSecondQuantitySources) {
  const double k = 0.02, e = 0.003, V = 0.25, G = 0.8, S = 5.0 * G * G * V;
  struct Case {
    int model, equation;
    double cap, source;
  };
  const double eta = G * k / e, eta3 = eta * eta * eta;
  const double Crng = (1.0 - eta / 4.38) * 0.0845 * eta3 / (1.0 + 0.012 * eta3) + 1.68;
  const Case cases[] = {
      {0, 5, V * 1000 * e / k, S},
      {0, 6, V * 1.92 * 1000 * e / k, 1.44 * 1.3 * S * e / k},
      {1, 6, Crng * 1000 * e * V / k, S * 1.42 * e / k},
      {16, 5, V * 1000 * 0.09 * e, S},
      {15, 5, V * 1000 * 0.09 * e, S},  // both k-omega models sink k by beta* k omega
      {15, 6, V * 1000 * 0.072 * e, S * 0.52 * e / k},
      {17, 6, V * 1.92 * 1000 * e / k, 1.44 * 1.3 * S * e / k},
  };
  InProjectDir dir;
  for (const Case& t : cases) {
    setControlDefaults();
    ShearGrid s;
    setField(Cxvel, [G](int c) { return G * Czcenter[c]; });
    TurbulenceModel = t.model;
    Equation = t.equation;
    turbulence(1, NoCells);
    const int c = s.inner(2);
    EXPECT_NEAR(Cap[c], t.cap, 1e-9 * t.cap) << "model " << t.model << " eq " << t.equation;
    EXPECT_NEAR(Csource[c], t.source, 1e-9 * t.source) << "model " << t.model << " eq " << t.equation;
  }
}

// RNG: at eta = 4.38 the coefficient is 1.68.
TEST(TurbulenceSources, RngCoefficientAtEta0) {
  InProjectDir dir;
  ShearGrid s;
  const double k = 0.02, e = 0.003, G = 4.38 * e / k;
  setField(Cxvel, [G](int c) { return G * Czcenter[c]; });
  TurbulenceModel = 1;
  Equation = 6;
  turbulence(1, NoCells);
  EXPECT_NEAR(Cap[s.inner(2)], 1.68 * 1000 * e * 0.25 / k, 1e-9);
}

// A wall cell produces nothing but keeps its sink; models without transport
// and F 121 leave the arrays as the caller had them.
TEST(TurbulenceSources, WallCellsAndSwitches) {
  InProjectDir dir;
  ShearGrid s;
  setField(Cxvel, [](int c) { return Czcenter[c]; });
  Equation = 5;
  const int bed = s.inner(1);  // on the bed
  turbulence(1, NoCells);
  EXPECT_EQ(Csource[bed], 0.0);
  EXPECT_NEAR(Cap[bed], 0.25 * 1000 * 0.003 / 0.02, 1e-9);
  setField(Cap, [](int) { return 123.0; });
  setField(Csource, [](int) { return 7.0; });
  FlagTurbDLL = 1;
  turbulence(1, NoCells);
  EXPECT_EQ(Cap[s.inner(2)], 123.0);
  EXPECT_NE(Csource[s.inner(2)], 7.0);
  FlagTurbDLL = 0;
  for (int m = 2; m <= 7; ++m) {
    TurbulenceModel = m;
    setField(Csource, [](int) { return 7.0; });
    turbulence(1, NoCells);
    EXPECT_EQ(Cap[s.inner(2)], 123.0) << m;
    EXPECT_EQ(Csource[s.inner(2)], 7.0) << m;
  }
}

// F 71 value 4: a stable suspension takes at most 0.1 % of the production
// (both bounds apply, the tighter decides); an unstable one adds nothing.
TEST(TurbulenceSources, BuoyancyOfAStableAndAnUnstableColumn) {
  InProjectDir dir;
  ShearGrid s;
  setField(Cxvel, [](int c) { return Czcenter[c]; });  // P = G^2 V = 0.25
  TurbDensFlag = 4;
  FlagTSC = 1;
  Equation = 5;
  const int c = s.inner(2);
  setField(Cconc[0], [](int n) { return 0.1 - 0.02 * Czcenter[n] * 4; });  // lighter above
  turbulence(1, NoCells);
  EXPECT_NEAR(Csource[c], 5.0 * 0.25 * (1.0 - 0.001), 1e-12);
  setField(Cconc[0], [](int n) { return 0.02 * Czcenter[n] * 4; });  // heavier above
  turbulence(1, NoCells);
  EXPECT_NEAR(Csource[c], 5.0 * 0.25, 1e-12);
  // A F 525 value below 0.001 bounds the loss tighter: 0.0005 gives 0.05 %.
  setField(Cconc[0], [](int n) { return 0.1 - 0.02 * Czcenter[n] * 4; });
  coeffTurbFlag5 = 0.0005;
  turbulence(1, NoCells);
  EXPECT_NEAR(Csource[c], 5.0 * 0.25 * (1.0 - 0.0005), 1e-12);
}

// Sources are the same on one range and on the drivers' chunks.
TEST(TurbulenceSources, SameSourcesOnChunksAndThreads) {
  InProjectDir dir;
  ASSERT_TRUE(FlowGrid::sloping(8, 4).build());
  markWallsBelowSurface();
  setField(Ckinen, [](int c) { return 0.001 * (1 + c % 7); });
  setField(Cepsilon, [](int c) { return 1e-4 * (1 + c % 5); });
  setField(Cxvel, [](int c) { return 0.3 * Czcenter[c] + 0.01 * (c % 3); });
  setField(Cyvel, [](int c) { return 0.1 * Cxcenter[c]; });
  setField(Cgamma, [](int c) { return 1.0 + 0.1 * (c % 4); });
  for (int eq : {5, 6}) {
    Equation = eq;
    turbulence(WCStart, WCEnd);
    const std::vector<double> cap = copy(Cap), src = copy(Csource);
    for (int threads : {1, 4}) {
      setField(Cap, [](int) { return 0.0; });
      setField(Csource, [](int) { return 0.0; });
      runChunked(turbulence, 4, threads);
      for (int c = 1; c <= NoCells; ++c) {
        ASSERT_EQ(Cap[c], cap[c]) << c;
        ASSERT_EQ(Csource[c], src[c]) << c;
      }
    }
  }
}

// F 71 values 5 and 6 in a weakly stable suspension: N = 9.81 (s - 1) dC / dz
// between the cells below and above, P = G^2 V = 0.25 for u = z.
TEST(TurbulenceSources, DampingFactorAndEpsilonBuoyancy) {
  InProjectDir dir;
  ShearGrid s;
  ASSERT_TRUE(allocate1(CdampDensity, NoCells + 1));
  setField(Cxvel, [](int c) { return Czcenter[c]; });
  FlagTSC = 1;
  const int c = s.inner(2);
  const double P = 0.25, V = 0.25, N = 9.81 * (1.65 * -0.004) / 0.5;
  // Neutral: the factor is 1.
  TurbDensFlag = 5;
  Equation = 5;
  turbulence(1, NoCells);
  EXPECT_NEAR(CdampDensity[c], 1.0, 1e-12);
  EXPECT_NEAR(Csource[c], 5.0 * P, 1e-12);
  setField(Cconc[0], [](int n) { return 0.1 - 0.008 * Czcenter[n]; });
  turbulence(1, NoCells);
  const double G = N * V, A = (P + G) * (P + G), B = (-0.33 * G + P) * P;
  EXPECT_NEAR(CdampDensity[c], A / B, 1e-9);
  EXPECT_NEAR(Csource[c], 5.0 * P, 1e-12);  // production itself unchanged
  // Strong stratification: the factor stops at 0.001.
  setField(Cconc[0], [](int n) { return 0.1 - 0.08 * Czcenter[n]; });
  turbulence(1, NoCells);
  EXPECT_EQ(CdampDensity[c], 0.001);
  // Value 6: the epsilon production gains -C3e N V, k is bounded as with 4.
  setField(Cconc[0], [](int n) { return 0.1 - 0.008 * Czcenter[n]; });
  TurbDensFlag = 6;
  Equation = 6;
  turbulence(1, NoCells);
  const double Pe = P + N * V * -0.33;
  EXPECT_NEAR(Csource[c], 1.44 * 1.3 * Pe * 5.0 * 0.003 / 0.02, 1e-9);
  Equation = 5;
  turbulence(1, NoCells);
  EXPECT_NEAR(Csource[c], 5.0 * P * (1 - 0.001), 1e-12);
}
