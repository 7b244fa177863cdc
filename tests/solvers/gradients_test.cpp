// Values and gradients of a cell field at constant height, on grids made by
// the generator whose cells follow a sloping bed.
#include "solvers/gradients.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"

namespace {

std::vector<double> linearField(double a, double b, double c, double d) {
  std::vector<double> f(NoCells + 1, 0.0);
  for (int k = 1; k <= NoCells; ++k) f[k] = a * Cxcenter[k] + b * Cycenter[k] + c * Czcenter[k] + d;
  return f;
}

bool interior(int c) {
  return Ccellw[c] > 0 && Ccelle[c] > 0 && Ccells[c] > 0 && Ccelln[c] > 0 && Ccellb[c] > 0 && Ccellt[c] > 0;
}

int bottomOf(int c) {
  while (Ccellb[c] > 0) c = Ccellb[c];
  return c;
}
int topOf(int c) {
  while (Ccellt[c] > 0) c = Ccellt[c];
  return c;
}

}  // namespace

// f = ax + by + cz: in interior cells of a grid whose cells follow a bed
// sloping in x and y, the gradient is (a, b, c), its horizontal parts from
// differences at the cell's own height; the grid-line difference alone
// would see the slope.
TEST(FieldGradients, GradientOfALinearFieldOnABedFollowingGrid) {
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::inclined(8, 5).build());
  const double a = 0.7, b = -1.3, cz = 2.9;
  const std::vector<double> f = linearField(a, b, cz, 5.0);
  int checked = 0;
  for (int c = 1; c <= NoCells; ++c) {
    if (!interior(c)) continue;
    EXPECT_NEAR(d_dx_orth_x(f.data(), 1, c), a, 1e-12) << c;
    EXPECT_NEAR(d_dx_orth_x(f.data(), 2, c), b, 1e-12) << c;
    EXPECT_NEAR(d_dx_orth_x(f.data(), 3, c), cz, 1e-12) << c;
    EXPECT_EQ(d_dx_orth_x(f.data(), 4, c), 0.0);
    // Along the grid lines the x difference carries the bed slope 0.1 times c.
    EXPECT_GT(std::fabs(d_dx(f.data(), 1, c) - a), 0.05 * cz) << c;
    ++checked;
  }
  EXPECT_GT(checked, 10);
}

// The difference forms of the same field: normals times the constant-height
// differences, and areas; a top cell takes the grid-line j difference but
// the constant-height i difference.
TEST(FieldGradients, DifferencesByNormalsAndAreas) {
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::inclined(8, 5).build());
  const std::vector<double> f = linearField(0.7, -1.3, 2.9, 0.0);
  const double* F = f.data();
  int checked = 0;
  for (int c = 1; c <= NoCells; ++c) {
    if (!(Ccellw[c] > 0 && Ccelle[c] > 0 && Ccells[c] > 0 && Ccelln[c] > 0)) continue;
    const double dI = 0.5 * (interpolatevalue(F, c, Ccelle[c]) - interpolatevalue(F, c, Ccellw[c]));
    const double dJc = 0.5 * (interpolatevalue(F, c, Ccelln[c]) - interpolatevalue(F, c, Ccells[c]));
    const double dJplain = 0.5 * (F[Ccelln[c]] - F[Ccells[c]]);
    const double Nx = 0.5 * ((Fvx[Cflatew[c]] + Fvx[Cflatee[c]]) * dI + (Fvx[Cflates[c]] + Fvx[Cflaten[c]]) * dJc);
    EXPECT_NEAR(d_di_orth_x(F, 1, c), Nx, 1e-12);
    const bool end = Ccellt[c] == 0 || Ccellb[c] == 0;
    const double dJ = end ? dJplain : dJc;
    const double Ay = 0.5 * ((Fay[Cflatew[c]] + Fay[Cflatee[c]]) * dI + (Fay[Cflates[c]] + Fay[Cflaten[c]]) * dJ);
    EXPECT_NEAR(d_di_orth_xA(F, 2, c), Ay, 1e-9) << c << (end ? " end cell" : "");
    if (end) {
      EXPECT_GT(std::fabs(dJplain - dJc), 1e-3) << "the plain j difference differs at " << c;
    }
    ++checked;
  }
  EXPECT_GT(checked, 10);
}

// interpolatevaluez reproduces a linear profile inside a column and
// extrapolates it past both ends from the two end cells; from the end cell
// itself toward a height beyond it the cell's value stands.
TEST(FieldGradients, InterpolationAlongAColumn) {
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::inclined(4, 3).build());
  const std::vector<double> f = linearField(0.0, 0.0, 3.0, 2.0);
  const double* F = f.data();
  int c = 1;
  while (c <= NoCells && !(Ccellt[c] > 0 && Ccellt[Ccellt[c]] > 0)) ++c;
  ASSERT_LE(c, NoCells) << "a column of three cells";
  const int bottom = bottomOf(c), top = topOf(c);
  const double zb = Czcenter[bottom], zt = Czcenter[top];
  for (double z : {zb, 0.5 * (zb + zt), zt, 0.3 * zb + 0.7 * zt}) {
    EXPECT_NEAR(interpolatevaluez(F, bottom, z), 3.0 * z + 2.0, 1e-12) << z;
    EXPECT_NEAR(interpolatevaluez(F, top, z), 3.0 * z + 2.0, 1e-12) << z;
  }
  // Past the ends, walking from the other end: linear extrapolation.
  EXPECT_NEAR(interpolatevaluez(F, bottom, zt + 0.4), 3.0 * (zt + 0.4) + 2.0, 1e-12);
  EXPECT_NEAR(interpolatevaluez(F, top, zb - 0.4), 3.0 * (zb - 0.4) + 2.0, 1e-12);
  // From the end cell itself: its own value.
  EXPECT_EQ(interpolatevaluez(F, top, zt + 0.4), F[top]);
  EXPECT_EQ(interpolatevaluez(F, bottom, zb - 0.4), F[bottom]);
  // At the same height: the cell's value.
  EXPECT_EQ(interpolatevalue(F, c, c), F[c]);
}

// d 3 for a cell without vertical neighbours is 0; one-sided at the ends.
TEST(FieldGradients, VerticalComponentAtTheColumnEnds) {
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::box(3, 3, 1.0).build());
  const std::vector<double> f = linearField(0.0, 0.0, 4.0, 0.0);
  const int t = topOf(1);
  ASSERT_NE(t, 1);
  EXPECT_NEAR(d_dx_orth_x(f.data(), 3, 1), 4.0, 1e-12);
  EXPECT_NEAR(d_dx_orth_x(f.data(), 3, t), 4.0, 1e-12);
  const int above = Ccellt[1];
  Ccellt[1] = 0;  // cut the column: cell 1 alone
  Ccellb[above] = 0;
  EXPECT_EQ(d_dx_orth_x(f.data(), 3, 1), 0.0);
}

// The grid-line forms on a flat box, where grid lines are level: d_dx and
// d_dxg give (a, b, c) of a linear field in interior cells, and d_diA is
// d_dx times the volume.
TEST(FieldGradients, GridLineFormsOnALevelGrid) {
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::box(5, 4, 2.0).build());
  const double a = 0.7, b = -1.3, cz = 2.9;
  const std::vector<double> f = linearField(a, b, cz, 1.0);
  const double* F = f.data();
  int checked = 0;
  for (int c = 1; c <= NoCells; ++c) {
    if (!interior(c)) continue;
    const double expect[3] = {a, b, cz};
    for (int d = 1; d <= 3; ++d) {
      EXPECT_NEAR(d_dx(F, d, c), expect[d - 1], 1e-10) << d << " " << c;
      EXPECT_NEAR(d_dxg(F, d, c), expect[d - 1], 1e-10) << d << " " << c;
    }
    EXPECT_NEAR(d_diA(F, 1, c), a * Cvol[c], 1e-10);
    EXPECT_EQ(d_dxg(F, 0, c), 0.0);
    ++checked;
  }
  EXPECT_GT(checked, 5);
}

// The normal-stress terms of F 324 on u = a x in a box: F 324 1 subtracts
// 0.5 (du - m) G (sum of Fax of the four side faces), m a third of the
// divergence; F 324 2 adds the term without m; other values add nothing.
TEST(FieldGradients, NormalStressTermsOfTheUEquation) {
  for (int option : {1, 2, 0}) {
    InProjectDir p;
    ASSERT_TRUE(FlowGrid::box(5, 4, 2.0).build());
    const double a = 0.4;
    for (int c = 1; c <= NoCells; ++c) {
      Cxvel[c] = a * Cxcenter[c];
      Cyvel[c] = Czvel[c] = 0.0;
      Cgamma[c] = 2.0;
      Csource[c] = 0.0;
    }
    FlagNormStress = option;
    Equation = 1;
    computeNormStress(1, NoCells);
    for (int c = 1; c <= NoCells; ++c) {
      if (!interior(c)) continue;
      const double sides = Fax[Cflatew[c]] + Fax[Cflatee[c]] + Fax[Cflates[c]] + Fax[Cflaten[c]];
      const double expect = option == 1 ? -0.5 * (a - 0.333333 * a) * 2.0 * sides
                                        : (option == 2 ? 0.5 * a * 2.0 * sides : 0.0);
      EXPECT_NEAR(Csource[c], expect, 1e-9) << option << " " << c;
    }
  }
}
