// The pressure-correction equation: face coefficients by F 184 and F 271,
// their symmetry, the mass defect with the discharge groups, the time series
// of the discharges, the outlet pressure and the clamp.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

void varyingInverseDiagonals() {
  for (int c = 1; c <= NoCells; ++c) CinvAp[c] = 1e-3 * (1.0 + 0.37 * std::sin(1.3 * c));
}

// An inner face between two cells of one column and one between two columns.
int innerFace(bool vertical) {
  for (int f = 1; f <= NoSurfaces; ++f)
    if (Fcell1[f] > 0 && Fcell2[f] > 0 && (Ftype1[f] == 6) == vertical && Ftype1[f] != 5) return f;
  return 0;
}

double sideCoefficient(int code, int c) {
  switch (code) {
    case 1: return Cas[c];
    case 2: return Cae[c];
    case 3: return Can[c];
    case 4: return Caw[c];
    case 5: return Cab[c];
    case 6: return Cat[c];
  }
  return NAN;
}

}  // namespace

TEST(PressureCoeff, SymmetricAcrossEveryInnerFaceOfTheSlopingGrid) {
  InProjectDir p;
  const FlowGrid g = FlowGrid::sloping();
  ASSERT_TRUE(g.build());
  varyingInverseDiagonals();
  pressure_coeff();
  int checked = 0;
  for (int c = 1; c <= NoCells; ++c) {
    const struct {
      int nb, face, back;
      double here;
      const double* there;
    } sides[] = {{Ccelle[c], Cflatee[c], Ccelle[c] ? Cflatew[Ccelle[c]] : -1, Cae[c], Caw},
                 {Ccelln[c], Cflaten[c], Ccelln[c] ? Cflates[Ccelln[c]] : -1, Can[c], Cas},
                 {Ccellt[c], Cflatet[c], Ccellt[c] ? Cflateb[Ccellt[c]] : -1, Cat[c], Cab}};
    for (const auto& s : sides) {
      if (s.nb <= 0 || s.face != s.back) continue;
      EXPECT_EQ(s.here, s.there[s.nb]) << "cell " << c << " and " << s.nb;
      EXPECT_GT(s.here, 0.0);
      ++checked;
    }
  }
  EXPECT_GT(checked, NoCells);
  // A boundary face gives its cell no coefficient.
  for (int c = 1; c <= NoCells; ++c) {
    if (Ccellw[c] == 0) {
      EXPECT_EQ(Caw[c], 0.0);
    }
    if (Ccellb[c] == 0) {
      EXPECT_EQ(Cab[c], 0.0);
    }
  }
}

// One face between columns, CinvAp 1e-3 and 3e-3 on its sides, equal
// distances: the mean is 2e-3, the larger 3e-3. F 5 raises the area to
// 0.3 of the 1 m2 top face of the second cell.
TEST(PressureCoeff, FaceCoefficientByF184AndF271) {
  InProjectDir p;
  const FlowGrid g = FlowGrid::box();
  ASSERT_TRUE(g.build());
  const int f = innerFace(false);
  ASSERT_GT(f, 0);
  const int c1 = Fcell1[f], c2 = Fcell2[f];
  ASSERT_NEAR(Fdist1[f], Fdist2[f], 1e-12);
  ASSERT_NEAR(Farea[Cflatet[c2]], 1.0, 1e-12);
  const double A = Farea[f];
  ASSERT_LT(A, 0.3);
  struct Case {
    int f184;
    double expected;
  };
  const Case cases[] = {{0, 2.0 * A * A}, {4, 2.0 * A * A}, {3, 3.0 * A * A}, {5, 1000.0 * 0.09 * 2e-3}};
  for (const Case& k : cases) {
    for (int c = 1; c <= NoCells; ++c) CinvAp[c] = 1e-3;
    CinvAp[c2] = 3e-3;
    FlagPCalg = k.f184;
    pressure_coeff();
    EXPECT_NEAR(sideCoefficient(Ftype1[f], c1), k.expected, 1e-12) << "F 184 " << k.f184;
    EXPECT_NEAR(sideCoefficient(Ftype2[f], c2), k.expected, 1e-12) << "F 184 " << k.f184;
  }
  // F 271 1: the storage of the surface is shared between columns only.
  FlagPCalg = 0;
  FlagTFS2 = 1;
  TimeStep = 2.0;
  for (int c = 1; c <= NoCells; ++c) CinvAp[c] = 1e-3;
  pressure_coeff();
  const int n = Bnocells[Cbed[c1]];
  ASSERT_GT(n, 1);
  EXPECT_NEAR(sideCoefficient(Ftype1[f], c1), A * A + 0.125 * 2.0 / (9.81 * 2.0) / n, 1e-12);
  const int v = innerFace(true);
  ASSERT_EQ(Fcell1[v], Fcell2[v] - 1);
  EXPECT_NEAR(Cat[Fcell1[v]], Farea[v] * Farea[v], 1e-12);
}

// Inner fluxes cancel in the sum over the cells, the boundary carries none:
// what is left is the inflow of group 1 minus the outflow of group 2,
// 1.5 - 1.0 m3/s = 500 kg/s, spread over each group's cells by area.
TEST(PressureFluxes, MassDefectSumsToTheNetInflowOfTheGroups) {
  InProjectDir p;
  const FlowGrid g = FlowGrid::sloping();
  ASSERT_TRUE(g.build());
  for (int f = 1; f <= NoSurfaces; ++f) Fflux[f] = Fcell1[f] > 0 && Fcell2[f] > 0 ? 3.0 * std::sin(0.7 * f) : 0.0;
  pressure_fluxes();
  double sum = 0.0;
  for (int c = 1; c <= NoCells; ++c) sum += Csource[c];
  EXPECT_NEAR(sum, 500.0, 1e-9);
  EXPECT_NEAR(GlobFluxDefect, 500.0, 1e-9);
  EXPECT_DOUBLE_EQ(DischargeArray[1], 1500.0);
  EXPECT_DOUBLE_EQ(DischargeArray[2], 1000.0);

  // The fluxes alone: a cell's defect is its inflow minus its outflow.
  for (int f = 1; f <= NoSurfaces; ++f) Fflux[f] = 0.0;
  const int c = NoCells / 2;
  Fflux[Cflatew[c]] = 2.0;  // in through the west face
  Fflux[Cflatet[c]] = 0.5;  // out through the top face
  discharges[1] = discharges[2] = 0.0;
  DischargeStruct[1].discharge = DischargeStruct[2].discharge = 0.0;
  pressure_fluxes();
  EXPECT_NEAR(Csource[c], 1.5, 1e-12);
}

TEST(PressureFluxes, DischargesFromTheTimeSeries) {
  InProjectDir p;
  const FlowGrid g = FlowGrid::box();
  ASSERT_TRUE(g.build());
  double times[] = {0.0, 100.0, 200.0}, hout[] = {1.0, 2.0, 3.0};
  double rows[3][10] = {};
  rows[0][1] = 1.0, rows[1][1] = 2.0, rows[2][1] = 4.0;
  double* rowp[3] = {rows[0], rows[1], rows[2]};
  TimeInTime = times;
  TimeInHout = hout;
  QDinn = rowp;
  TimeInNo = 3;
  FlagDischargeTime = 1;
  struct Case {
    double t, q1;
  };
  // Between records linear; after the last the last holds; before the first
  // the first interval goes on: at -50 s, 1 - 0.5 * (2 - 1).
  const Case cases[] = {{50.0, 1500.0}, {150.0, 3000.0}, {300.0, 4000.0}, {-50.0, 500.0}, {100.0, 2000.0}};
  for (const Case& k : cases) {
    stimet = k.t;
    pressure_fluxes();
    EXPECT_NEAR(DischargeArray[1], k.q1, 1e-9) << "t = " << k.t;
  }
  TimeInNo = 1;  // a single record holds its values
  stimet = 500.0;
  pressure_fluxes();
  EXPECT_NEAR(DischargeArray[1], 1000.0, 1e-9);
  TimeInTime = TimeInHout = nullptr;
  QDinn = nullptr;
  TimeInNo = 0;
}

// F 234 1 with gravity: the outlet cells get the hydrostatic pressure at
// their centres (water at 1 m) and no source.
TEST(PressureFluxes, OutletCellsGetTheHydrostaticPressure) {
  InProjectDir p;
  const FlowGrid g = FlowGrid::box();
  ASSERT_TRUE(g.build());
  FlagGravity = 1;
  FlagSurfPresDownstream = 1;
  pressure_fluxes();
  const DischargeGroup& G = DischargeStruct[2];
  for (int e = 0; e < G.surfno; ++e) {
    const int f = G.face[e], c = Fcell1[f] ? Fcell1[f] : Fcell2[f];
    EXPECT_NEAR(Cpres[c], 9810.0 * (1.0 - Czcenter[c]), 1e-6);
    EXPECT_EQ(Csource[c], 0.0);
  }
}

TEST(PressureFluxes, ClampOfF373) {
  InProjectDir p;
  const FlowGrid g = FlowGrid::box();
  ASSERT_TRUE(g.build());
  for (int f = 1; f <= NoSurfaces; ++f) Fflux[f] = Fcell1[f] > 0 && Fcell2[f] > 0 ? std::sin(f) : 0.0;
  FlagPresCorrStab = 5;
  pressure_fluxes();
  double lo = 0, hi = 0;
  for (int c = 1; c <= NoCells; ++c) {
    lo = std::min(lo, Csource[c]);
    hi = std::max(hi, Csource[c]);
  }
  EXPECT_DOUBLE_EQ(lo, -0.05);
  EXPECT_DOUBLE_EQ(hi, 0.05);
}

// Two one-cell columns side by side carry consecutive cell numbers; the
// face between them is a face between columns and gets the storage share of
// F 271 1: 1000 A2 <1/ap> + 0.125 (1 + 1) / (9.81 dt) / 1.
TEST(PressureCoeff, StorageShareOfOneCellColumnsWithConsecutiveNumbers) {
  InProjectDir p;
  SmallGrid g;
  g.nx = 1, g.ny = 2, g.nz = 1;
  g.build();
  const int f = Cflaten[1];
  ASSERT_EQ(Fcell1[f], 1);
  ASSERT_EQ(Fcell2[f], 2);
  Ftype1[f] = 3;
  Ftype2[f] = 1;
  Fdist1[f] = Fdist2[f] = 0.5;
  Bnocells[1] = Bnocells[2] = 1;
  CinvAp[1] = CinvAp[2] = 1e-3;
  FlagTFS2 = 1;
  TimeStep = 1.0;
  WFStart = WFEnd = f;
  pressure_coeff();
  EXPECT_NEAR(Can[1], 1.0 + 0.25 / 9.81, 1e-12);
  EXPECT_NEAR(Cas[2], 1.0 + 0.25 / 9.81, 1e-12);
}

// F 287 7: every column of the block loses 250 (four corner level changes)
// times its plan area / (F 105 dt), spread over its cells. Level change
// 0.004 m at every grid line, 1 m2 columns, F 105 10, dt 1 s: 0.4 kg/s per
// column, from the 500 kg/s net inflow of the groups.
TEST(PressureFluxes, SurfaceStorageOfF287TakesEachColumnOnce) {
  InProjectDir p;
  const FlowGrid g = FlowGrid::box();
  ASSERT_TRUE(g.build());
  FlagTFS = 1;
  FlagGlobFlux = 7;
  TimeStep = 1.0;
  IterWaterUpdate = 10;
  for (int i = 0; i < xnumber; ++i)
    for (int j = 0; j < ynumber; ++j) Surfaces[4][i][j] = 0.004;
  pressure_fluxes();
  double sum = 0.0;
  for (int c = 1; c <= NoCells; ++c) sum += Csource[c];
  EXPECT_NEAR(sum, 500.0 - 0.4 * g.nx * g.ny, 1e-9);
  const int c = static_cast<int>(zval[3][3][0]);
  ASSERT_GT(c, 0);
  EXPECT_NEAR(Csource[c], -0.4 / Bnocells[Cbed[c]], 1e-12);
}
