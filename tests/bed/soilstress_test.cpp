// Linear-elastic soil stress (letter N, F 248 1): a flat block under its own
// weight, fixed at the bed, against the analytic column; the moduli, the
// stress-ratio classes and the lines of cell 950.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "bed/bed.h"
#include "bed/soilstress.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"

namespace {

// A flat block of 3 x 3 columns, 10 cells of 1 m each (12 levels).
struct Block {
  InProjectDir dir;
  explicit Block(void (*options)() = nullptr) {
    FlagSoilStress = 1;
    if (options) options();
    FlowGrid g = FlowGrid::box(3, 3, 10.0);
    g.levels = 12;
    EXPECT_TRUE(g.build());
    iterGlobalMax = 60;
    sweeps[1] = sweeps[2] = sweeps[3] = 40;
  }
};

}  // namespace

// Row 2 of every inner cell is -9810 times its depth below the top; the top
// displacement is -9810 (1 - nu^2) H^2 / (2E); u and v stay 0.
TEST(SoilStress, FlatBlockUnderItsOwnWeightMatchesTheColumn) {
  for (double nu : {0.4, 0.2}) {
    Block b;
    PoissonRatio = nu;
    const double E = EModulus, H = 10.0;
    computeSoilStress();
    int inner = 0, tops = 0;
    for (int c = 1; c <= NoCells; ++c) {
      EXPECT_NEAR(Cxvel[c], 0.0, 1e-12);
      EXPECT_NEAR(Cyvel[c], 0.0, 1e-12);
      const double depth = H - Czcenter[c];
      if (Ccellt[c] >= 1 && Ccellb[c] >= 1) {
        EXPECT_NEAR(Cstress[2][c], -9810.0 * depth, 0.01 * 9810.0 * depth) << c;
        ++inner;
      }
      if (Ccellt[c] < 1) {
        const double top = -9810.0 * (1.0 - nu * nu) * H * H / (2.0 * E);
        EXPECT_NEAR(Czvel[c], top, 0.01 * std::fabs(top)) << c;
        ++tops;
      }
    }
    EXPECT_EQ(inner, 9 * 8);
    EXPECT_EQ(tops, 9);
  }
}

// With nu = 0.4 the moduli are E/1.4, E/2.8 and 0.4E/0.28.
TEST(SoilStress, ModuliOfThePoissonRatio) {
  InProjectDir dir;
  EModulus = 7e7;
  PoissonRatio = 0.4;
  computeSoilModuli();
  EXPECT_DOUBLE_EQ(MModulus, 7e7 / 1.4);
  EXPECT_DOUBLE_EQ(GModulus, 7e7 / 2.8);
  EXPECT_NEAR(LModulus, 0.4 * 7e7 / 0.28, 1e-6);
}

// The class of the stress ratio: 1 from 0.9 to 1.1, both included.
TEST(SoilStress, RatioClasses) {
  struct Row {
    double r;
    int cls;
  } rows[] = {{0.0, 0}, {0.8999, 0}, {0.9, 1}, {1.0, 1}, {1.1, 1}, {1.1000001, 2}, {5.0, 2}};
  for (const Row& r : rows) EXPECT_EQ(stressRatioClass(r.r), r.cls) << r.r;
}

// A grid with a cell 950 gets its two lines in every outer iteration.
TEST(SoilStress, CellNineHundredFiftyLinesPerOuterIteration) {
  InProjectDir dir;
  FlagSoilStress = 1;
  FlowGrid g = FlowGrid::box(10, 10, 10.0);
  g.levels = 12;
  ASSERT_TRUE(g.build());
  ASSERT_GE(NoCells, 950);
  iterGlobalMax = 3;
  computeSoilStress();
  const std::string log = dir.dir().boogie();
  int forces = 0, stresses = 0;
  for (std::size_t p = 0; (p = log.find("Forces cell 950 (Newton): ", p)) != std::string::npos; ++p) ++forces;
  for (std::size_t p = 0; (p = log.find("Stresses cell 950 (Pa): ", p)) != std::string::npos; ++p) ++stresses;
  EXPECT_EQ(forces, 3);
  EXPECT_EQ(stresses, 3);
}

// Variants 2 and 5 build their own coefficients; any other F 259 value takes
// those of 9, so that the equations never stand without coefficients.
TEST(SoilStress, OtherVariantsTakeTheCoefficientsOfNine) {
  InProjectDir dir;
  FlagSoilStress = 1;
  FlowGrid g = FlowGrid::box(3, 3, 10.0);
  g.levels = 12;
  ASSERT_TRUE(g.build());
  auto bottomCoefficient = [](int variant) {
    FlagStressStrain = variant;
    computeSoilModuli();
    for (int c = 0; c <= NoCells; ++c) Cab[c] = Cat[c] = Cae[c] = Caw[c] = Can[c] = Cas[c] = 0.0;
    coeff_make_stress(3, 1, NoSurfaces);
    int c = 1;
    while (Ccellb[c] >= 1) c = Ccellb[c];
    return Cab[c];
  };
  const double nine = bottomCoefficient(9);
  // The bed holds the soil: the normal stiffness over half the cell height.
  EXPECT_NEAR(nine, EModulus / ((1.0 - PoissonRatio * PoissonRatio) * 0.5), 1e-6 * nine);
  EXPECT_EQ(bottomCoefficient(7), nine);
  EXPECT_EQ(bottomCoefficient(4), nine);
  EXPECT_EQ(bottomCoefficient(2), 0.0);
}
