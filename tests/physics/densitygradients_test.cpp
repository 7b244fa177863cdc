// The density-gradient force of a temperature field and the damping of w in
// stable stratification.
#include <gtest/gtest.h>

#include <cmath>

#include "physics/physics.h"
#include "physics_fixture.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

using namespace physics_test;

namespace {

SmallGrid temperatureGrid(int nx, int ny, int nz) {
  NoComponents = 1;
  TemperatureFlag = 1;
  SmallGrid g;
  g.nx = nx;
  g.ny = ny;
  g.nz = nz;
  g.build();
  fillAreaVectors();
  relaxDensityTurb = 1.0;
  return g;
}

void clearEquation() {
  for (int c = 0; c <= NoCells; ++c) Cap[c] = Csource[c] = 0.0;
}

struct Form {
  const char* name;
  int uMethod, seiche1, seiche2;
};
const Form kForms[] = {
    {"level-wise", 0, 0, 0}, {"column-mean", 11, 2, 0}, {"column-mean scaled", 11, 3, 0}, {"surface-following", 11, 0, 3}};

void select(const Form& f) {
  UMethod = f.uMethod;
  Seiche1 = f.seiche1;
  Seiche2 = f.seiche2;
}

}  // namespace

// Two columns of two cells of 0.5 m, each column of one temperature: by
// hand, the top cells gain and the bottom cells lose 9810 x 0.125 x (rho
// east - rho west) in u: the heavier water pushes the bottom water away.
TEST(DensityGradients, TwoColumnsByHandInEveryForm) {
  InProjectDir dir;
  temperatureGrid(2, 1, 2);
  setField(Ccomp[0], [](int c) { return c <= 2 ? 25.0 : 5.0; });
  const double delta = waterDensity(5.0) - waterDensity(25.0);
  ASSERT_GT(delta, 0.0);
  Equation = 1;
  for (const Form& f : kForms) {
    select(f);
    clearEquation();
    DensityGradients(3);
    for (int c = 1; c <= NoCells; ++c) {
      const bool top = Ccellt[c] == 0;
      EXPECT_NEAR(Csource[c], (top ? 1 : -1) * 9810.0 * 0.125 * delta, 1e-9) << f.name << " cell " << c;
      EXPECT_EQ(Cap[c], 0.0);
    }
    // Nothing in the y direction of this grid.
    Equation = 2;
    clearEquation();
    DensityGradients(3);
    for (int c = 1; c <= NoCells; ++c) EXPECT_NEAR(Csource[c], 0.0, 1e-12) << f.name;
    Equation = 1;
  }
}

// The scaled column-mean form (F 69 3): on columns of one temperature each
// the factor is 1 / F 40; it is held between 0.1 and 1.
TEST(DensityGradients, ScaledColumnMeanFactorIsHeldBetweenATenthAndOne) {
  InProjectDir dir;
  temperatureGrid(2, 1, 2);
  setField(Ccomp[0], [](int c) { return c <= 2 ? 25.0 : 5.0; });
  const double delta = waterDensity(5.0) - waterDensity(25.0);
  select(kForms[2]);
  Equation = 1;
  struct Case {
    double relax, factor;
  };
  for (const Case& k : {Case{20.0, 0.1}, Case{0.5, 1.0}, Case{4.0, 0.25}}) {
    relaxDensityTurb = k.relax;
    clearEquation();
    DensityGradients(3);
    // Top cell: G = 9810 x 0.125 delta, column force 9810 x 0.5 delta, share 1/2.
    const double top = -k.relax * (k.factor * 0.125 - 0.25) * 9810.0 * delta;
    EXPECT_NEAR(Csource[2], top, 1e-9) << k.relax;
  }
}

// A temperature that varies in both directions and with depth: the
// level-wise and surface-following forms give every column a zero net source
// while single cells get one; a uniform temperature gives none at all; F 40
// at 0 turns everything off.
TEST(DensityGradients, ColumnsHaveNoNetSourceAndUniformWaterNone) {
  InProjectDir dir;
  SmallGrid g = temperatureGrid(3, 3, 3);
  for (const Form& f : {kForms[0], kForms[3]}) {
    select(f);
    for (int eq : {1, 2}) {
      Equation = eq;
      setField(Ccomp[0], [](int c) { return 4.0 + 2.0 * Cxcenter[c] + 1.3 * Cycenter[c] + 3.0 * Czcenter[c]; });
      clearEquation();
      DensityGradients(3);
      double largest = 0;
      for (int i = g.i1(); i <= g.i2(); ++i)
        for (int j = g.j1(); j <= g.j2(); ++j) {
          double net = 0;
          for (int k = 1; k <= g.nz; ++k) {
            net += Csource[g.cell(i, j, k)];
            largest = std::fmax(largest, std::fabs(Csource[g.cell(i, j, k)]));
          }
          EXPECT_NEAR(net, 0.0, 1e-9) << f.name << " eq " << eq << " column " << i << "," << j;
        }
      EXPECT_GT(largest, 1e-3) << f.name << " eq " << eq;

      setField(Ccomp[0], [](int) { return 12.0; });
      clearEquation();
      DensityGradients(3);
      for (int c = 1; c <= NoCells; ++c) EXPECT_NEAR(Csource[c], 0.0, 1e-12) << f.name;
    }
  }
  setField(Ccomp[0], [](int c) { return 4.0 + 2.0 * Cxcenter[c]; });
  relaxDensityTurb = 0.0;
  select(kForms[0]);
  Equation = 1;
  clearEquation();
  DensityGradients(3);
  for (int c = 1; c <= NoCells; ++c) EXPECT_EQ(Csource[c], 0.0);
}

// Columns of different water levels (the cells of neighbouring columns lie
// at different heights): the surface-following form gives each column a
// zero net source; with heavier water to the east the bottom water is
// pushed west and the top water east.
TEST(DensityGradients, SurfaceFollowingFormOnColumnsOfDifferentLevels) {
  InProjectDir dir;
  NoComponents = 1;
  TemperatureFlag = 1;
  SmallGrid g;
  g.nx = 3;
  g.ny = 1;
  g.nz = 4;
  g.water = [](int i, int) { return 1.0 + 0.2 * i; };
  g.build();
  fillAreaVectors();
  relaxDensityTurb = 1.0;
  select(kForms[3]);
  Equation = 1;
  setField(Ccomp[0], [&](int c) { return 20.0 - 3.0 * Cxcenter[c]; });
  clearEquation();
  DensityGradients(3);
  for (int i = g.i1(); i <= g.i2(); ++i) {
    double net = 0;
    for (int k = 1; k <= g.nz; ++k) {
      net += Csource[g.cell(i, 2, k)];
      EXPECT_TRUE(std::isfinite(Csource[g.cell(i, 2, k)]));
    }
    EXPECT_NEAR(net, 0.0, 1e-9) << i;
  }
  EXPECT_LT(Csource[g.cell(3, 2, 1)], -1e-3);
  EXPECT_GT(Csource[g.cell(3, 2, 4)], 1e-3);
}

// The level-wise form leaves the deviations of the x differences from their
// column mean for the face fluxes; they sum to zero over a column of equal
// cells.
TEST(DensityGradients, LevelWiseFormLeavesTheDeviationsForTheFaceFluxes) {
  InProjectDir dir;
  SmallGrid g = temperatureGrid(2, 1, 4);
  select(kForms[0]);
  Equation = 1;
  setField(Ccomp[0], [](int c) { return Cxcenter[c] < 1.0 ? 20.0 : 8.0; });
  DensityGradients(3);
  double sum = 0, largest = 0;
  for (int k = 1; k <= 4; ++k) {
    sum += Cdensgradi[g.cell(2, 2, k)];
    largest = std::fmax(largest, std::fabs(Cdensgradi[g.cell(2, 2, k)]));
    // The east face of the west column carries the deviation too.
    EXPECT_NE(Fdgrad[Cflatee[g.cell(2, 2, k)]], 0.0);
  }
  EXPECT_NEAR(sum, 0.0, 1e-12);
  EXPECT_GT(largest, 0.0);
}

// Damping of w in stable stratification: K = volume x time step x d x 9810,
// into the diagonal when the source does not push with w, shared when it
// does, none in unstable water.
TEST(DensityGradients, StratificationDampsW) {
  InProjectDir dir;
  temperatureGrid(1, 1, 3);
  Seiche1 = 1;
  NoVerttemp = 1;
  TimeStep = 2.0;
  Equation = 3;
  // Warm over cold: stable. Middle cell 2, its neighbours 1 and 3.
  const double T[] = {0, 5.0, 10.0, 20.0};
  setField(Ccomp[0], [&](int c) { return T[c]; });
  setField(Czvel, [](int) { return 0.1; });
  const double d = (waterDensity(5.0) - waterDensity(20.0)) / (Czcenter[3] - Czcenter[1]);
  const double K = Cvol[2] * 2.0 * d * 9810.0;
  ASSERT_GT(K, 0.0);
  clearEquation();
  DensityGradients(3);
  EXPECT_NEAR(Cap[2], K, 1e-12 * K);
  EXPECT_EQ(Csource[2], 0.0);
  // A source pushing with w at half of K w: half goes to the source.
  clearEquation();
  Csource[2] = 0.5 * K * 0.1;
  DensityGradients(3);
  EXPECT_NEAR(Cap[2], 0.5 * K, 1e-9 * K);
  EXPECT_NEAR(Csource[2], 0.5 * K * 0.1 - 0.5 * K * 0.1, 1e-9 * K);
  // Cold over warm: no damping.
  setField(Ccomp[0], [&](int c) { return T[4 - c]; });
  clearEquation();
  DensityGradients(3);
  for (int c = 1; c <= NoCells; ++c) EXPECT_EQ(Cap[c], 0.0);
  // Without the vertical switch of F 69 nothing.
  setField(Ccomp[0], [&](int c) { return T[c]; });
  Seiche1 = 0;
  clearEquation();
  DensityGradients(3);
  for (int c = 1; c <= NoCells; ++c) EXPECT_EQ(Cap[c], 0.0);
}
