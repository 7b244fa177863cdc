// Higher-order convection as a deferred correction (K 6 values 10..19): the
// limiters, the correction of each face from the field before the solve,
// and the faces and equations that get none.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "flow/stages.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"
#include "support/small_grid_faces.h"

namespace {

// A row of five cells along x (axis 0) or z (axis 2).
struct Row {
  InProjectDir dir;
  SmallGrid g;
  explicit Row(int axis = 0) {
    setRunStateInitial();
    g.nx = axis == 0 ? 5 : 1;
    g.nz = axis == 2 ? 5 : 1;
    g.ny = 1;
    if (axis == 2) g.water = [](int, int) { return 5.0; };
    g.build();
    fillSmallGridFaces();
    for (int f = 1; f <= NoSurfaces; ++f) Fflux[f] = 0.0;
    for (int c = 0; c <= NoCells; ++c) Csource[c] = 0.0;
  }
  int cell(int k) const { return g.nx > 1 ? g.cell(1 + k, 2, 1) : g.cell(2, 2, k); }
};

}  // namespace

TEST(DeferredCorrection, LimiterValues) {
  struct Case {
    int scheme;
    double r, psi;
  };
  const Case cases[] = {
      {10, 2.0, 1.75},  {11, 2.0, 0.5 * (2.6666 + 0.666667)}, {12, 10.0, 4.0}, {12, 0.1, 0.2},
      {13, 3.0, 2.0},   {14, 3.0, 1.5},  {15, 0.5, 1.0},  {15, 3.0, 2.0},  {16, 2.0, 1.0},
      {16, 0.3, 0.3},   {17, 5.0, 1.0},  {18, 1.0, 0.0},  {19, 0.25, 0.5}, {19, 2.0, 1.5},
      {19, 9.0, 2.0},
      // No limiter above 19: no correction.
      {20, 1.0, 0.0},   {55, 1.0, 0.0},  {100, 1.0, 0.0},
      // 0/0 counts as no correction.
      {14, -1.0, 0.0},  {13, -3.0, 0.0},
  };
  for (const Case& k : cases)
    EXPECT_NEAR(convectionLimiter(k.scheme, k.r), k.psi, 1e-12) << k.scheme << " r " << k.r;
}

// A linear field (r = 1): every scheme but 18 gives psi = 1, the exact face
// value; at an extremum (r < 0) 12..16 and 19 give none, 10, 11, 17 still
// correct.
TEST(DeferredCorrection, LinearFieldAndExtremum) {
  for (int s = 10; s <= 19; ++s) {
    const double lin = convectionLimiter(s, 1.0);
    if (s == 18) {
      EXPECT_EQ(lin, 0.0);
    } else {
      EXPECT_NEAR(lin, 1.0, 1e-4) << s;
    }
    const double ext = convectionLimiter(s, -0.5);
    if ((s >= 12 && s <= 16) || s == 19) {
      EXPECT_EQ(ext, 0.0) << s;
    } else if (s != 18) {
      EXPECT_NE(ext, 0.0) << s;
    }
  }
}

// On a linear field the face between cells 3 and 4 moves 0.5 F (phi_U -
// phi_UU) from the upwind to the downstream cell, making its face value
// exact, in both flow directions; the face next to the inlet, whose upwind
// cell has no cell beyond it, gets nothing; a uniform field gets nothing.
TEST(DeferredCorrection, FaceCorrectionOfALinearField) {
  for (double F : {12.0, -12.0}) {
    SCOPED_TRACE(F);
    Row row;
    Equation = 1;
    sou[1] = 14;
    for (int c = 1; c <= NoCells; ++c) Cxvel[c] = 1.0 + 0.5 * Cxcenter[c];
    for (int f = 1; f <= NoSurfaces; ++f)
      if (Ftype1[f] == 2) Fflux[f] = F;
    const int c3 = row.cell(3), c4 = row.cell(4), f = Cflatee[c3];
    coeff_make_source(f, f);
    const double step = 0.5 * (Cxcenter[c4] - Cxcenter[c3]);
    // Face value phi_U + 0.5 (phi_U - phi_UU) = phi at the face.
    const double upwind = F > 0 ? Cxvel[c3] : Cxvel[c4];
    const double face = 1.0 + 0.5 * 0.5 * (Cxcenter[c3] + Cxcenter[c4]);
    const double corr = F * (face - upwind);
    EXPECT_NEAR(corr, 0.5 * F * (F > 0 ? 1 : -1) * step, 1e-12);
    EXPECT_NEAR(Csource[c3], -corr, 1e-12);
    EXPECT_NEAR(Csource[c4], corr, 1e-12);

    // Next to the inlet (upwind cell at the row's end): nothing.
    for (int c = 0; c <= NoCells; ++c) Csource[c] = 0.0;
    const int edge = F > 0 ? Cflatee[row.cell(1)] : Cflatew[row.cell(5)];
    coeff_make_source(edge, edge);
    for (int c = 1; c <= NoCells; ++c) EXPECT_EQ(Csource[c], 0.0) << c;

    // A uniform field: nothing anywhere.
    for (int c = 1; c <= NoCells; ++c) Cxvel[c] = 3.0;
    coeff_make_source(1, NoSurfaces);
    for (int c = 1; c <= NoCells; ++c) EXPECT_EQ(Csource[c], 0.0) << c;
  }
}

// The field follows the equation: k for 5, epsilon for 6; the pressure
// correction (4) and the components (8) get no correction.
TEST(DeferredCorrection, FieldByEquation) {
  struct Case {
    int eq;
    double* (*field)();
    bool corrected;
  };
  const Case cases[] = {{2, [] { return Cyvel; }, true},    {3, [] { return Czvel; }, true},
                        {5, [] { return Ckinen; }, true},   {6, [] { return Cepsilon; }, true},
                        {4, [] { return Cxvel; }, false},   {8, [] { return Cxvel; }, false}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.eq);
    Row row;
    Equation = k.eq;
    sou[k.eq] = 17;
    double* phi = k.field();
    for (int c = 1; c <= NoCells; ++c) phi[c] = c * c;
    for (int f = 1; f <= NoSurfaces; ++f)
      if (Ftype1[f] == 2) Fflux[f] = 5.0;
    coeff_make_source(1, NoSurfaces);
    double total = 0.0;
    for (int c = 1; c <= NoCells; ++c) total += std::fabs(Csource[c]);
    if (k.corrected) {
      EXPECT_GT(total, 0.0);
    } else {
      EXPECT_EQ(total, 0.0);
    }
  }
}

// The sediment (equation 7): the settling flux of the size turns the upwind
// direction of a bottom/top face; with an upward water flux smaller than the
// settling, the upper cell is upwind and the cell above it is the one beyond.
TEST(DeferredCorrection, SettlingReversesTheUpwindCellOfTheSediment) {
  Row row(2);
  Equation = 7;
  sou[7] = 17;
  grainsize_number = 1;
  fallvelo[1] = 0.01;
  const int c2 = row.cell(2), c3 = row.cell(3), c4 = row.cell(4), f = Cflatet[c2];
  for (int c = 1; c <= NoCells; ++c) Cconc[1][c] = 0.1 * Czcenter[c];
  Fflux[f] = 2.0;  // kg/s upwards; settling 0.01 * 1000 * 1 m2 = 10 kg/s downwards
  coeff_make_source(f, f);
  const double F = 2.0 - 10.0;
  const double corr = 0.5 * F * (Cconc[1][c3] - Cconc[1][c4]);
  EXPECT_NEAR(Csource[c2], -corr, 1e-12);
  EXPECT_NEAR(Csource[c3], corr, 1e-12);
  fallvelo[1] = 0.0;
  grainsize_number = 1;
}
