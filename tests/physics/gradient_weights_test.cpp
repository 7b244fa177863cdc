// The velocity gradient of a cell interpolates the face velocities by the
// distances of the cell centres: on layers of unequal thickness a linear
// profile u = G z still gives the exact difference G h across a cell of
// height h, and so the k production Cgamma (G h)^2 / V = Cgamma G^2 h.
#include <gtest/gtest.h>

#include "physics/gradient.h"
#include "physics/physics.h"
#include "physics_fixture.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

using namespace physics_test;

namespace {

// 3 x 3 columns of 1 m x 1 m, four layers 0.1, 0.2, 0.3 and 0.4 m thick
// from the bed up (centres 0.05, 0.2, 0.45, 0.8 m). The middle column's
// second and third cells touch no wall.
struct LayeredGrid {
  SmallGrid g;
  static constexpr double kHeight[4] = {0.1, 0.2, 0.3, 0.4};
  static constexpr double kCentre[4] = {0.05, 0.2, 0.45, 0.8};
  LayeredGrid() {
    g.nx = g.ny = 3;
    g.nz = 4;
    g.build();
    fillAreaVectors();
    markWallsBelowSurface();
    for (int c = 1; c <= NoCells; ++c) {
      const int k = (c - 1) % 4;  // columns numbered upward from the bed
      Ckdist[c] = 0.5 * kHeight[k];
      Czcenter[c] = kCentre[k];
      Cvol[c] = kHeight[k];
    }
  }
  int inner(int k) const { return g.cell(3, 3, k); }
};

}  // namespace

TEST(GradientWeights, LinearProfileOnUnequalLayers) {
  InProjectDir dir;
  LayeredGrid s;
  const double G = 0.8;
  setField(Cxvel, [G](int c) { return G * Czcenter[c]; });
  setField(Cgamma, [](int) { return 5.0; });
  setField(Ckinen, [](int) { return 0.02; });
  setField(Cepsilon, [](int) { return 0.003; });
  struct Row {
    int k;     // layer of the middle column
    double h;  // its height
  };
  for (const Row r : {Row{2, 0.2}, Row{3, 0.3}}) {
    const int c = s.inner(r.k);
    double T[3][3];
    velocityGradientVolume(c, T);
    // du/dz integrated over the cell: G h (cell of 1 m2 plan area).
    EXPECT_NEAR(T[2][0], G * r.h, 1e-14) << "layer " << r.k;
    EXPECT_NEAR(T[0][0], 0.0, 1e-14) << "layer " << r.k;
    EXPECT_NEAR(T[0][2], 0.0, 1e-14) << "layer " << r.k;
  }
  Equation = 5;
  turbulence(1, NoCells);
  EXPECT_NEAR(Csource[s.inner(2)], 5.0 * G * G * 0.2, 1e-12);
  EXPECT_NEAR(Csource[s.inner(3)], 5.0 * G * G * 0.3, 1e-12);
}
