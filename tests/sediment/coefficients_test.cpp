// Coefficients of the suspended-sediment equation: the power-law factor on
// vertical and horizontal faces, settling at the water surface, the
// second-order upwind stencil, the Crank-Nicolson share and the outflow
// terms of the bed-cell balance.
#include <gtest/gtest.h>

#include <cmath>

#include "physics/physics.h"
#include "sediment/suspended.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "sediment/sediment_fixture.h"

namespace {

void uniformViscosity(double G) {
  for (int c = 0; c <= NoCells; ++c) Cgamma[c] = CgammaV[c] = c > 0 ? G : 0.0;
}

double conductance(int f, double G) { return Farea[f] * G / (Fdist1[f] + Fdist2[f]); }

}  // namespace

// The power-law factor (1 - 0.1 Pe)^5 damps the diffusion of a vertical face
// from 1 at Pe 0 to the minimum MinGamma D / G from Pe 10 on; a horizontal
// face keeps D TDChoriz whatever its Peclet number.
TEST(SedimentCoefficients, PowerLawOnVerticalAndHorizontalFaces) {
  InProjectDir p;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  const double G = 2.0;
  uniformViscosity(G);
  fallvelo[1] = 0.0;
  const int fv = faceOfTypes(6, 5), fh = faceOfTypes(2, 4);
  ASSERT_GT(fv, 0);
  ASSERT_GT(fh, 0);
  const double Dv = conductance(fv, G), Dh = conductance(fh, G);
  const double minimum = MinGamma / G;
  struct Case {
    double Pe, factor;
  };
  const Case cases[] = {{0.0, 1.0}, {5.0, 0.03125}, {10.0, minimum}, {15.0, minimum}, {25.0, minimum}};
  for (const Case& k : cases) {
    Fflux[fv] = k.Pe * Dv;
    coeff_make1(fv, fv);
    EXPECT_NEAR(Cat[Fcell1[fv]], Dv * k.factor, 1e-12 * Dv) << "Pe " << k.Pe;
    EXPECT_NEAR(Cab[Fcell2[fv]], Dv * k.factor + k.Pe * Dv, 1e-12 * Dv) << "Pe " << k.Pe;
    Fflux[fh] = k.Pe * Dh;
    coeff_make1(fh, fh);
    EXPECT_NEAR(Cae[Fcell1[fh]], Dh, 1e-12 * Dh) << "Pe " << k.Pe;
    EXPECT_NEAR(Caw[Fcell2[fh]], Dh + k.Pe * Dh, 1e-12 * Dh) << "Pe " << k.Pe;
  }
  // The Schmidt number divides the diffusivity, F 76 multiplies it.
  Fflux[fh] = 0.0;
  Schmidt = 0.5;
  TDChoriz = 3.0;
  coeff_make1(fh, fh);
  EXPECT_NEAR(Cae[Fcell1[fh]], Dh * 6.0, 1e-12);
}

// Under a still water surface the top cell of a column draws clean water
// from above at the settling rate, Cat = 1000 w Faz, in both schemes: in the
// second-order one nothing else takes the settled sediment out of the top
// cell.
TEST(SedimentCoefficients, TopCellUnderStillWaterSettles) {
  for (int scheme : {0, 1}) {
    InProjectDir p;
    sou[7] = scheme;
    SedimentBox box;
    ASSERT_TRUE(box.build());
    uniformViscosity(1.0);
    for (int f = 1; f <= NoSurfaces; ++f) Fflux[f] = 0.0;
    fallvelo[1] = 0.02;
    coeff_make1(1, NoSurfaces);
    int tops = 0;
    for (int f = 1; f <= NoSurfaces; ++f) {
      if (Fcell2[f] != 0 || Ftype1[f] != 6) continue;
      ++tops;
      const double expected = 1000.0 * 0.02 * Faz[f];
      EXPECT_NEAR(Cat[Fcell1[f]], expected, 1e-12) << "scheme " << scheme << " face " << f;
    }
    EXPECT_EQ(tops, box.nx * box.ny);
  }
}

// Second-order upwind with uniform cells and a uniform flux F along i: an
// interior cell takes 1.5 F from its upstream neighbour and -0.5 F from the
// one behind it, and as the upstream cell of its east face 0.5 F more:
// Caw = d + 2F, Caww = -0.5F, Cae = d.
TEST(SedimentCoefficients, SecondOrderUpwindStencil) {
  InProjectDir p;
  sou[7] = 1;
  SedimentBox box;
  box.nx = 5;
  ASSERT_TRUE(box.build());
  ASSERT_NE(Caww, nullptr);
  const double G = 1.0;
  uniformViscosity(G);
  fallvelo[1] = 0.0;
  const int fh = faceOfTypes(2, 4);
  const double D = conductance(fh, G), F = 0.1 * D;
  for (int f = 1; f <= NoSurfaces; ++f) Fflux[f] = (Ftype1[f] == 2 || Ftype2[f] == 4) ? F : 0.0;
  for (int c = 0; c <= NoCells; ++c) Caee[c] = Caww[c] = Cann[c] = Cass[c] = Catt[c] = Cabb[c] = 0.0;
  coeff_make1(1, NoSurfaces);
  const double d = D * std::pow(0.99, 5);  // Pe 0.1 damps horizontal faces in this scheme
  int interior = 0;
  for (int c = 1; c <= NoCells; ++c) {
    if (!Ccellw[c] || !Ccellw[Ccellw[c]] || !Ccelle[c]) continue;
    ++interior;
    EXPECT_NEAR(Caw[c], d + 2.0 * F, 1e-9) << c;
    EXPECT_NEAR(Caww[c], -0.5 * F, 1e-9) << c;
    EXPECT_NEAR(Cae[c], d, 1e-9) << c;
  }
  EXPECT_GT(interior, 0);
  // The second column has no cell two steps upstream: pure upwind there.
  for (int c = 1; c <= NoCells; ++c)
    if (Ccellw[c] && !Ccellw[Ccellw[c]] && Ccelle[c]) {
      EXPECT_NEAR(Caww[c], 0.0, 0.0);
      EXPECT_NEAR(Caw[c], d + F + 0.5 * F, 1e-9) << c;
    }
}

// The Crank-Nicolson share scales the neighbours of the work range once,
// also when the face range is empty; with several sizes the shared
// horizontal coefficients are scaled once, not once per size.
TEST(SedimentCoefficients, CrankNicolsonScalesTheWorkRangeOnce) {
  InProjectDir p;
  SedimentBox box;
  box.sizes = 3;
  ASSERT_TRUE(box.build());
  uniformViscosity(1.0);
  for (int f = 1; f <= NoSurfaces; ++f) Fflux[f] = 0.0;
  coeff_make1(1, NoSurfaces);
  const int fh = faceOfTypes(2, 4), c = Fcell1[fh];
  const double plainAe = Cae[c], plainAt = Cat[c];
  TimeStep = 1.0;
  CrankNicols = 0.5;
  coeff_make2(1, NoSurfaces);
  EXPECT_NEAR(Cae[c], 0.5 * plainAe, 1e-14);
  for (int n = 1; n <= 3; ++n) EXPECT_NEAR(Catm[n][c], 0.5 * plainAt, 1e-14) << n;

  for (int k = 1; k <= NoCells; ++k) Cae[k] = 1.0;
  WCStart = 1;
  WCEnd = NoCells / 2;
  coeff_make1(1, 0);
  EXPECT_EQ(Cae[1], 0.5);
  EXPECT_EQ(Cae[NoCells / 2], 0.5);
  EXPECT_EQ(Cae[NoCells / 2 + 1], 1.0);
  // No scaling without a time step.
  TimeStep = 1e-20;
  coeff_make1(1, 0);
  EXPECT_EQ(Cae[1], 0.5);
}

// The per-size builder writes all six sides of each size with its own fall
// velocity, and the horizontal-only builder takes the viscosity without the
// Schmidt number and skips every face with a cell below it.
TEST(SedimentCoefficients, PerSizeAndHorizontalBuilders) {
  InProjectDir p;
  BedLoadVectorFlag = 5;
  SedimentBox box;
  box.sizes = 2;
  ASSERT_TRUE(box.build());
  ASSERT_NE(Caem, nullptr);
  uniformViscosity(1.0);
  for (int f = 1; f <= NoSurfaces; ++f) Fflux[f] = 0.0;
  fallvelo[1] = 0.01;
  fallvelo[2] = 0.03;
  coeff_make2m(1, NoSurfaces);
  const int fv = faceOfTypes(6, 5), fh = faceOfTypes(2, 4);
  for (int n = 1; n <= 2; ++n) {
    const double set = 1000.0 * fallvelo[n] * Faz[fv];
    EXPECT_GT(Catm[n][Fcell1[fv]] - Cabm[n][Fcell2[fv]], 0.0);
    EXPECT_NEAR(Catm[n][Fcell1[fv]] - Cabm[n][Fcell2[fv]], set, 1e-12) << n;
    EXPECT_NEAR(Caem[n][Fcell1[fh]], conductance(fh, 1.0), 1e-12) << n;
    EXPECT_NEAR(Cawm[n][Fcell2[fh]], conductance(fh, 1.0), 1e-12) << n;
  }
  Schmidt = 4.0;
  for (int c = 1; c <= NoCells; ++c) Cat[c] = Cab[c] = -1.0;
  Fflux[fh] = 2.0;
  coeff_make1H(1, NoSurfaces);
  EXPECT_NEAR(Cae[Fcell1[fh]], conductance(fh, 1.0), 1e-12);
  EXPECT_NEAR(Caw[Fcell2[fh]], conductance(fh, 1.0) + 2.0, 1e-12);
  EXPECT_EQ(Cat[Fcell1[fv]], -1.0);
  EXPECT_EQ(Cab[Fcell2[fv]], -1.0);
}

// MakeAp: an outflow group books its discharge at the bed cells beside its
// faces, by face area; Binout only for size 1; an inflow group books
// nothing.
TEST(SedimentCoefficients, OutflowTermsOfTheBedCells) {
  InProjectDir p;
  SedimentBox box;
  box.sizes = 2;
  ASSERT_TRUE(box.build());
  DischargeStruct[2].discharge = 50.0;
  DischargeStruct[2].update = 0;
  const DischargeGroup& G = DischargeStruct[2];
  ASSERT_EQ(G.inflow, 0);
  double expected = 0.0;
  for (int i = 0; i < G.surfno; ++i) {
    const int f = G.face[i], c = Fcell1[f] > 0 ? Fcell1[f] : Fcell2[f];
    if (Ccellb[c] == 0) expected += Farea[f] * 50.0 / G.area;
  }
  ASSERT_GT(expected, 0.0);
  MakeAp(1);
  MakeAp(2);
  double sum1 = 0.0, sum2 = 0.0, out = 0.0;
  for (int b = 1; b <= NoBCells; ++b) {
    sum1 += Bap[1][b];
    sum2 += Bap[2][b];
    out += Binout[b];
  }
  EXPECT_NEAR(sum1, expected, 1e-12);
  EXPECT_NEAR(sum2, expected, 1e-12);
  EXPECT_NEAR(out, -expected, 1e-12);
  // Only the bed cells of the east edge take it.
  for (int b = 1; b <= NoBCells; ++b)
    EXPECT_EQ(Bap[1][b] > 0.0, Bkooi[b] == box.nx + 1) << b;
}

// With a timei series the discharge follows it, held before its first and
// after its last record; a single record holds at all times.
TEST(SedimentCoefficients, OutflowDischargeFromTheSeries) {
  InProjectDir p;
  TimeStep = 1.0;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  ASSERT_NE(QDinn, nullptr);
  FlagDischargeTime = 1;
  TimeInNo = 1;
  QDinn[0][2] = 0.03;
  stimet = 500.0;
  MakeAp(1);
  EXPECT_DOUBLE_EQ(DischargeArray[2], 30.0);
  TimeInNo = 3;
  TimeInTime[0] = 0.0, TimeInTime[1] = 100.0, TimeInTime[2] = 200.0;
  QDinn[0][2] = 0.01, QDinn[1][2] = 0.02, QDinn[2][2] = 0.04;
  const double cases[][2] = {{-50.0, 10.0}, {50.0, 15.0}, {150.0, 30.0}, {1000.0, 40.0}};
  for (const auto& k : cases) {
    stimet = k[0];
    MakeAp(1);
    EXPECT_NEAR(DischargeArray[2], k[1], 1e-9) << stimet;
  }
}

// What the reader's refusal of F 78 5..9 with one size and F 37 1 or 2 keeps
// a run from: the per-size rows the slope fluxes are built into do not exist,
// and the builder leaves the one-size equation without a coefficient.
TEST(SedimentCoefficients, SlopeFluxBuilderWithOneSizeBuildsNothing) {
  InProjectDir p;
  FlagTSC = 1;
  BedLoadVectorFlag = 5;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  EXPECT_EQ(Capm, nullptr);
  EXPECT_EQ(Cabm, nullptr);
  EXPECT_EQ(Catm, nullptr);
  uniformViscosity(1.0);
  for (int f = 1; f <= NoSurfaces; ++f) Fflux[f] = (Ftype1[f] == 2 || Ftype2[f] == 4) ? 5.0 : 0.0;
  coeff_make2m(1, NoSurfaces);
  for (int c = 1; c <= NoCells; ++c) {
    EXPECT_EQ(Cae[c] + Caw[c] + Can[c] + Cas[c] + Cab[c] + Cat[c], 0.0) << c;
  }
}

// F 71 on still water (Pe 0), viscosity 2 everywhere, a stable step of
// concentration across one vertical face (0.01 below, clear above): 1
// damps the vertical diffusion by the stratification factor of the pair,
// 3 takes the minimum viscosity on vertical faces; the horizontal faces keep
// theirs.
TEST(SedimentCoefficients, DensityDampingOfTheVerticalFacesByF71) {
  InProjectDir p;
  FlagTSC = 2;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  const double G = 2.0;
  uniformViscosity(G);
  fallvelo[1] = 0.0;
  const int fv = faceOfTypes(6, 5), fh = faceOfTypes(2, 4);
  ASSERT_GT(fv, 0);
  ASSERT_GT(fh, 0);
  for (int c = 1; c <= NoCells; ++c) Cconc[0][c] = Cconc[1][c] = 0.0;
  Cconc[0][Fcell1[fv]] = Cconc[1][Fcell1[fv]] = 0.01;
  Fflux[fv] = Fflux[fh] = 0.0;
  const double Dv = conductance(fv, G), Dh = conductance(fh, G);
  TDbeta = 100.0, TDalpha = -0.5;  // the stratification damping in force
  for (int c = 1; c <= NoCells; ++c) Cxvel[c] = Cyvel[c] = 0.0;
  Cxvel[Fcell2[fv]] = 1.0;  // shear across the face
  const double damp = coeff_turbdens(Fcell1[fv], Fcell2[fv]);
  ASSERT_LT(damp, 0.9);
  ASSERT_GT(damp, MinGamma / G);
  struct Case {
    int f71;
    double vertical;
  };
  const Case cases[] = {{0, Dv}, {1, Dv * damp}, {3, conductance(fv, MinGamma)}};
  for (const Case& k : cases) {
    TurbDensFlag = k.f71;
    coeff_make1(fv, fv);
    coeff_make1(fh, fh);
    EXPECT_NEAR(Cat[Fcell1[fv]], k.vertical, 1e-12 * Dv) << "F 71 " << k.f71;
    EXPECT_NEAR(Cae[Fcell1[fh]], Dh, 1e-12 * Dh) << "F 71 " << k.f71;
  }
  TDbeta = TDalpha = 0.0;
}
