// The pressure force of the momentum equations by the schemes of F 114, and
// the constant-height interpolation of the pressure.
#include "solvers/pressource.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

bool interior(int c) {
  return Ccellw[c] > 0 && Ccelle[c] > 0 && Ccells[c] > 0 && Ccelln[c] > 0 && Ccellb[c] > 0 && Ccellt[c] > 0;
}

void setPressure(const std::function<double(double, double, double)>& p) {
  for (int c = 1; c <= NoCells; ++c) Cpres[c] = p(Cxcenter[c], Cycenter[c], Czcenter[c]);
}

// The force of equation eq on every cell (Csource after one call from 0).
std::vector<double> forces(int eq) {
  for (int c = 0; c <= NoCells; ++c) Csource[c] = 0.0;
  Equation = eq;
  pressure_source(1, NoCells);
  return std::vector<double>(Csource, Csource + NoCells + 1);
}

}  // namespace

// Hydrostatic pressure under a level surface on a grid whose lines slope:
// the schemes made for it give no horizontal force in interior cells; the
// plain horizontal form (5) does.
TEST(PressureSource, HydrostaticPressureGivesNoHorizontalForceOnSlopingGridLines) {
  struct Case {
    int scheme, f355;
    double tolerance;  // relative to the vertical force
  };
  const Case cases[] = {{0, 0, 1e-10}, {1, 0, 1e-10},  {2, 0, 1e-10},  {3, 0, 1e-10},  {4, 0, 1e-6},
                        {7, 0, 1e-6},  {6, 0, 1e-10},  {8, 0, 1e-10},
                        {8, 10, 1e-10}, {8, 11, 1e-10}, {11, 0, 1e-10}, {20, 0, 1e-10}};
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::inclined().build());
  setPressure([](double, double, double z) { return 9810.0 * (3.0 - z); });
  FlagPresGrad = 0;
  const std::vector<double> w = forces(3);
  int checked = 0;
  for (const Case& k : cases) {
    FlagPresGrad = k.scheme;
    FlagPresSource = k.f355;
    for (int eq : {1, 2}) {
      const std::vector<double> f = forces(eq);
      for (int c = 1; c <= NoCells; ++c) {
        if (!interior(c)) continue;
        EXPECT_LT(std::fabs(f[c]), k.tolerance * std::fabs(w[c])) << "F 114 " << k.scheme << " F 355 " << k.f355
                                                                   << " eq " << eq << " cell " << c;
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 100);
  // The grid-line differences alone see the slope.
  FlagPresGrad = 5;
  const std::vector<double> f = forces(1);
  for (int c = 1; c <= NoCells; ++c) {
    if (interior(c)) {
      EXPECT_GT(std::fabs(f[c]), 1e-3 * std::fabs(w[c]));
    }
  }
}

// A linear pressure p = a x + b y + d z on parallelepiped cells: the full
// form gives the volume times the gradient, the w force the vertical part.
TEST(PressureSource, LinearPressureGivesVolumeTimesGradient) {
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::inclined().build());
  const double a = 120.0, b = -40.0, d = -9810.0;
  setPressure([&](double x, double y, double z) { return a * x + b * y + d * z; });
  for (int scheme : {0, 3, 11}) {
    FlagPresGrad = scheme;
    const std::vector<double> u = forces(1), v = forces(2), w = forces(3);
    for (int c = 1; c <= NoCells; ++c) {
      if (!interior(c)) continue;
      EXPECT_NEAR(u[c], -a * Cvol[c], 1e-9 * std::fabs(d * Cvol[c])) << scheme << " cell " << c;
      EXPECT_NEAR(v[c], -b * Cvol[c], 1e-9 * std::fabs(d * Cvol[c])) << scheme << " cell " << c;
      EXPECT_NEAR(w[c], -d * Cvol[c], 1e-9 * std::fabs(d * Cvol[c])) << scheme << " cell " << c;
    }
  }
}

// p = a x^2 on the box: next to the west wall the first-order end takes
// p[e] - p[c] = a (2 x + 1), the second-order end (4 p[e] - 3 p[c] - p[ee]) / 2
// = 2 a x, at x = 0.5. The wall-cell force is -1/2 (2 A) dI.
TEST(PressureSource, SecondOrderEndsAtAWall) {
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::box(4, 2, 1.0).build());
  const double a = 10.0;
  setPressure([&](double x, double, double) { return a * x * x; });
  struct Case {
    int scheme;
    double dI;
  };
  const Case cases[] = {{0, 2.0 * a}, {5, 2.0 * a}, {3, a}, {2, a}};
  for (const Case& k : cases) {
    FlagPresGrad = k.scheme;
    const std::vector<double> u = forces(1);
    for (int c = 1; c <= NoCells; ++c) {
      if (Ccellw[c] != 0) continue;
      const double A = Farea[Cflatee[c]];
      EXPECT_NEAR(u[c], -A * k.dI, 1e-9) << "F 114 " << k.scheme << " cell " << c;
    }
  }
}

// Thin faces: with a thin west face the forward difference is taken even
// when the east face is thin too; a cell missing its west and south
// neighbours gets no lateral force.
TEST(PressureSource, ThinFacesAndTheCornerRule) {
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::box(4, 2, 1.0).build());
  const double a = 10.0;
  setPressure([&](double x, double y, double) { return a * x * x + y; });
  int c = 0;
  for (int k = 1; k <= NoCells && !c; ++k)
    if (Ccellw[k] > 0 && Ccelle[k] > 0) c = k;
  ASSERT_GT(c, 0);
  const double A = Fax[Cflatee[c]];
  Farea[Cflatew[c]] = 1e-9;
  Farea[Cflatee[c]] = 1e-9;
  FlagPresGrad = 15;
  std::vector<double> u = forces(1);
  EXPECT_NEAR(u[c], -0.5 * (Fax[Cflatew[c]] + A) * (Cpres[Ccelle[c]] - Cpres[c]), 1e-9);
  FlagPresGrad = 0;
  u = forces(1);
  EXPECT_NEAR(u[c], -0.5 * (Fax[Cflatew[c]] + A) * 0.5 * (Cpres[Ccelle[c]] - Cpres[Ccellw[c]]), 1e-9);
  int corner = 0;
  for (int k = 1; k <= NoCells && !corner; ++k)
    if (Ccellw[k] == 0 && Ccells[k] == 0) corner = k;
  ASSERT_GT(corner, 0);
  FlagPresGrad = 15;
  EXPECT_EQ(forces(1)[corner], 0.0);
  EXPECT_EQ(forces(2)[corner], 0.0);
  FlagPresGrad = 0;
  EXPECT_NE(forces(1)[corner], 0.0);
}

// Two columns of three cells, beds 0 and 0.5 m, water at 2 m: centres
// 1/3, 1, 5/3 and 0.75, 1.25, 1.75. Hydrostatic pressure 9810 (2 - z) is
// linear, so interpolation between centres is exact; above a top cell it
// falls to 0 at the surface; toward a bottom cell higher up it holds.
TEST(PressureSource, PressureInterpolatedToTheHeightOfTheCell) {
  InProjectDir p;
  SmallGrid g;
  g.nx = 2, g.ny = 1, g.nz = 3;
  g.bed = [](int i, int) { return i == 2 ? 0.0 : 0.5; };
  g.water = [](int, int) { return 2.0; };
  g.build();
  auto hyd = [](double z) { return 9810.0 * (2.0 - z); };
  for (int c = 1; c <= NoCells; ++c) Cpres[c] = hyd(Czcenter[c]);
  const int a1 = g.cell(2, 2, 1), a2 = g.cell(2, 2, 2), a3 = g.cell(2, 2, 3);
  const int b1 = g.cell(3, 2, 1), b3 = g.cell(3, 2, 3);
  struct Case {
    int c, n;
    double expected;
  };
  const Case cases[] = {
      {a2, b1, hyd(1.0)},           // walk up the lower neighbour column
      {a3, b3, hyd(5.0 / 3.0)},     // walk down the higher one
      {b3, a3, 9810.0 * 0.25},      // above the top centre: falls to 0 at 2 m
      {b1, a1, hyd(0.75)},          // interpolated between 1/3 and 1
      {a1, b1, hyd(0.75)},          // higher bottom cell: its own pressure
      {a2, a2, hyd(1.0)},           // same height
  };
  for (const Case& k : cases) EXPECT_NEAR(interpolatePres(k.c, k.n), k.expected, 1e-9) << k.c << " " << k.n;
}

// Scheme 6 gives the bottom cell of every column no force; the others get
// the constant-height difference, which for hydrostatic pressure under a
// level surface is 0 even where the neighbour columns lie higher or lower.
TEST(PressureSource, ConstantHeightSchemeSkipsBottomCells) {
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::sloping().build());
  setPressure([](double x, double, double z) { return 9810.0 * (2.0 - z) + 50.0 * x; });
  FlagPresGrad = 6;
  for (int eq : {1, 3}) {
    const std::vector<double> f = forces(eq);
    for (int c = 1; c <= NoCells; ++c) {
      if (Ccellb[c] == 0) {
        EXPECT_EQ(f[c], 0.0) << "eq " << eq << " cell " << c;
      }
    }
  }
}

// The fast driver's three rows equal scheme 0 of the three equations.
TEST(PressureSource, FastRowsEqualSchemeZero) {
  InProjectDir p;
  FlagFastWatersolve = 1;
  ASSERT_TRUE(FlowGrid::sloping().build());
  ASSERT_NE(Csourcem, nullptr);
  setPressure([](double x, double y, double z) { return 9810.0 * (2.0 - z) + 30.0 * x * x - 20.0 * y; });
  FlagPresGrad = 0;
  const std::vector<double> u = forces(1), v = forces(2), w = forces(3);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c <= NoCells; ++c) Csourcem[r][c] = 0.0;
  presSourceFast();
  for (int c = 1; c <= NoCells; ++c) {
    EXPECT_DOUBLE_EQ(Csourcem[0][c], u[c]);
    EXPECT_DOUBLE_EQ(Csourcem[1][c], v[c]);
    EXPECT_DOUBLE_EQ(Csourcem[2][c], w[c]);
  }
}

// On a level bed the blended schemes take the pure constant-height
// difference: p = a x + d z gives -a V for u and -d V for w, as scheme 0.
// On grid lines steeper than F 355 C, scheme 9 takes the grid-line
// difference instead: hydrostatic pressure then pushes along the slope.
TEST(PressureSource, BlendedSchemesByBedSlope) {
  {
    InProjectDir p;
    ASSERT_TRUE(FlowGrid::box(4, 3, 2.0).build());
    const double a = 70.0, d = -9810.0;
    setPressure([&](double x, double, double z) { return a * x + d * z; });
    for (int scheme : {9, 10}) {
      FlagPresGrad = scheme;
      const std::vector<double> u = forces(1), w = forces(3);
      for (int c = 1; c <= NoCells; ++c) {
        if (!interior(c)) continue;
        EXPECT_NEAR(u[c], -a * Cvol[c], 1e-10 * std::fabs(d * Cvol[c])) << scheme << " cell " << c;
        EXPECT_NEAR(w[c], -d * Cvol[c], 1e-10 * std::fabs(d * Cvol[c])) << scheme << " cell " << c;
      }
    }
  }
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::inclined().build());
  setPressure([](double, double, double z) { return 9810.0 * (3.0 - z); });
  FlagPresGrad = 9;
  for (double C : {0.5, 0.05}) {
    CoeffPresSource = C;
    const std::vector<double> u = forces(1);
    for (int c = 1; c <= NoCells; ++c) {
      if (!interior(c)) continue;
      // Bed 0.2 m lower two columns east, over four half lengths of the
      // sloping bottom cell (0.5 sqrt(1.01) m each): slope 0.0995; weight of
      // the constant-height difference (C - slope) / C, none above C.
      const double slope = 0.2 / (4.0 * 0.5 * std::sqrt(1.01));
      const double wb = std::max(0.0, (C - slope) / C);
      const double G = Cpres[Ccelle[c]] - Cpres[Ccellw[c]];
      const double dI = 0.5 * G * (1.0 - wb);
      EXPECT_NEAR(u[c], -0.5 * (Fax[Cflatew[c]] + Fax[Cflatee[c]]) * dI, 1e-7) << C << " cell " << c;
    }
  }
}

// What the reader's refusal of F 114 8 with F 496 2 or above keeps a run
// from: without a lateral form the j difference of a hydrostatic pressure
// stays uncorrected on grid lines that slope across the flow, and still
// water is driven sideways; F 496 0 cancels it.
TEST(PressureSource, ConstantHeightSchemeWithoutALateralFormDrivesStillWater) {
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::inclined().build());
  setPressure([](double, double, double z) { return 9810.0 * (3.0 - z); });
  FlagPresGrad = 0;
  const std::vector<double> w = forces(3);
  FlagPresGrad = 8;
  int driven = 0, checked = 0;
  for (int lateral : {0, 2}) {
    FlagPresLatSource = lateral;
    const std::vector<double> f = forces(2);
    for (int c = 1; c <= NoCells; ++c) {
      if (!interior(c)) continue;
      if (lateral == 0) {
        EXPECT_LT(std::fabs(f[c]), 1e-10 * std::fabs(w[c])) << "F 496 " << lateral << " cell " << c;
        ++checked;
      } else {
        driven += std::fabs(f[c]) > 1e-3 * std::fabs(w[c]);
      }
    }
  }
  EXPECT_GT(checked, 50);
  EXPECT_EQ(driven, checked);
  FlagPresGrad = 0;
  FlagPresLatSource = 0;
}
