// Power-law convection-diffusion coefficients.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "flow/cellequations.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"

namespace {

// A face between two cells with the given side code of its low cell
// (2 east-west, 6 bottom-top).
int innerFace(int side) {
  for (int f = 1; f <= NoSurfaces; ++f)
    if (Ftype1[f] == side && Fcell1[f] > 0 && Fcell2[f] > 0) return f;
  return 0;
}

// The coefficient of the low cell toward the high one, and back.
double lowCoeff(int f) { return Ftype1[f] == 2 ? Cae[Fcell1[f]] : Cat[Fcell1[f]]; }
double highCoeff(int f) { return Ftype1[f] == 2 ? Caw[Fcell2[f]] : Cab[Fcell2[f]]; }

void viscosity(double g) {
  for (int c = 1; c <= NoCells; ++c) Cgamma[c] = CgammaV[c] = g;
}

std::string logText() {
  std::ifstream in("boogie");
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

struct Fixture {
  InProjectDir dir;
  int vf = 0, hf = 0;
  double Dv = 0, Dh = 0;  // A G / distance with G = 0.5
  Fixture() {
    EXPECT_TRUE(FlowGrid::box(4, 3, 2.0).build());
    vf = innerFace(6);
    hf = innerFace(2);
    viscosity(0.5);
    Dv = Farea[vf] * 0.5 / (Fdist1[vf] + Fdist2[vf]);
    Dh = Farea[hf] * 0.5 / (Fdist1[hf] + Fdist2[hf]);
    Equation = 1;
  }
  void run(double Fv, double Fh) {
    for (int f = 1; f <= NoSurfaces; ++f) Fflux[f] = 0.0;
    Fflux[vf] = Fv;
    Fflux[hf] = Fh;
    coeff_make(1, NoSurfaces);
  }
};

}  // namespace

// Vertical face: D (1 - 0.1 Pe)^5 for Pe <= 20, else 0, plus the upwind
// flux; horizontal face: the full D (times F 76 horizontal) at any Pe.
TEST(PowerLaw, DampingByThePecletNumberOnBottomTopFacesOnly) {
  Fixture x;
  ASSERT_GT(x.vf, 0);
  ASSERT_GT(x.hf, 0);
  struct Case {
    double pe;        // |F| / D on each face
    double sign;      // flux direction
    double damping;   // (1 - 0.1 Pe)^5, 0 above Pe 10
  };
  const Case cases[] = {{0.0, 1.0, 1.0}, {5.0, 1.0, 1.0 / 32.0}, {5.0, -1.0, 1.0 / 32.0},
                        {8.0, 1.0, 0.2 * 0.2 * 0.2 * 0.2 * 0.2},
                        {9.5, 1.0, 0.05 * 0.05 * 0.05 * 0.05 * 0.05}, {10.0, 1.0, 0.0}, {25.0, -1.0, 0.0}};
  for (const Case& k : cases) {
    const double Fv = k.sign * k.pe * x.Dv, Fh = k.sign * k.pe * x.Dh;
    x.run(Fv, Fh);
    EXPECT_NEAR(lowCoeff(x.vf), x.Dv * k.damping + std::max(-Fv, 0.0), 1e-12) << "Pe " << k.pe;
    EXPECT_NEAR(highCoeff(x.vf), x.Dv * k.damping + std::max(Fv, 0.0), 1e-12) << "Pe " << k.pe;
    EXPECT_NEAR(lowCoeff(x.hf), x.Dh + std::max(-Fh, 0.0), 1e-12) << "Pe " << k.pe;
    EXPECT_NEAR(highCoeff(x.hf), x.Dh + std::max(Fh, 0.0), 1e-12) << "Pe " << k.pe;
  }
}

// The viscosity options: F 76 multipliers, F 77 constants of model 6, the
// F 72 floor and its F 71 3 form on vertical faces, the k-epsilon factors.
TEST(PowerLaw, DiffusionByViscosityOptions) {
  Fixture x;
  const double dv = Farea[x.vf] / (Fdist1[x.vf] + Fdist2[x.vf]), dh = Farea[x.hf] / (Fdist1[x.hf] + Fdist2[x.hf]);
  struct Case {
    const char* name;
    int model, turbDens, equation;
    double tdcH, tdcV, tcH, tcV, gamma, minGamma;
    double expectV, expectH;  // conductance over (area / distance)
  };
  const Case cases[] = {
      {"plain", 0, 0, 1, 1, 1, 1, 1, 0.5, 0.001, 0.5, 0.5},
      {"F 76", 0, 0, 1, 3, 0.25, 1, 1, 0.5, 0.001, 0.125, 1.5},
      {"F 77 model 6", 6, 0, 1, 1, 1, 2, 0.1, 0.5, 0.001, 0.1, 2.0},
      {"F 72 floor", 0, 0, 1, 1, 1, 1, 1, 0.5, 0.8, 0.8, 0.8},
      {"F 71 3", 0, 3, 1, 1, 1, 1, 1, 0.5, 0.01, 0.01, 0.5},
      {"model 1, k", 1, 0, 5, 1, 1, 1, 1, 0.5, 0.001, 0.5 * 1.3900472616068946, 0.5 * 1.3900472616068946},
      {"model 15, eps", 15, 0, 6, 1, 1, 1, 1, 0.5, 0.001, 0.25, 0.25},
      {"model 14, k", 14, 0, 5, 1, 1, 1, 1, 0.5, 0.001, 0.75, 0.75},
      {"model 14, eps", 14, 0, 6, 1, 1, 1, 1, 0.5, 0.001, 0.5, 0.5},
      {"model 1, u", 1, 0, 1, 1, 1, 1, 1, 0.5, 0.001, 0.5, 0.5},
  };
  for (const Case& k : cases) {
    TurbulenceModel = k.model;
    TurbDensFlag = k.turbDens;
    Equation = k.equation;
    TDChoriz = k.tdcH;
    TDCvert = k.tdcV;
    TChoriz = k.tcH;
    TCvert = k.tcV;
    MinGamma = k.minGamma;
    viscosity(k.gamma);
    x.run(0.0, 0.0);
    EXPECT_NEAR(lowCoeff(x.vf), k.expectV * dv, 1e-12) << k.name;
    EXPECT_NEAR(highCoeff(x.hf), k.expectH * dh, 1e-12) << k.name;
  }
}

// Crank-Nicolson scales every coefficient by (1 - CN) in a transient run
// only.
TEST(PowerLaw, CrankNicolsonScalesCoefficientsOfTransientRuns) {
  Fixture x;
  for (double step : {1e-20, 2.0}) {
    CrankNicols = 0.5;
    TimeStep = step;
    x.run(0.0, 3.0 * x.Dh);
    const double k = step > 1e-8 ? 0.5 : 1.0;
    EXPECT_NEAR(lowCoeff(x.vf), k * x.Dv, 1e-12) << step;
    EXPECT_NEAR(highCoeff(x.hf), k * (x.Dh + 3.0 * x.Dh), 1e-12) << step;
  }
}

// A face with a missing cell: the existing cell gets only the convective
// part (the flux there is 0, so nothing), coeff_make_pow sets it to 0.
TEST(PowerLaw, BoundaryFacesAndTheOtherMakers) {
  Fixture x;
  // Bed face of a bottom cell.
  int bed = 0;
  for (int f = 1; f <= NoSurfaces && !bed; ++f)
    if (Fcell1[f] == 0 && Fcell2[f] > 0 && Ftype2[f] == 5) bed = f;
  ASSERT_GT(bed, 0);
  Cab[Fcell2[bed]] = 7.0;
  coeff_make(bed, bed);
  EXPECT_EQ(Cab[Fcell2[bed]], 0.0);
  Cab[Fcell2[bed]] = 7.0;
  coeff_make_pow(bed, bed);
  EXPECT_EQ(Cab[Fcell2[bed]], 0.0);

  // Large Pe on a vertical face: coeff_make keeps no diffusion, the makers
  // of the k stage and of grid sequencing keep the molecular part
  // D MinGamma / G.
  MinGamma = 0.05;
  const double F = 30.0 * x.Dv;
  Fflux[x.vf] = F;
  coeff_make(x.vf, x.vf);
  EXPECT_NEAR(highCoeff(x.vf), F, 1e-12);
  coeff_make_pow(x.vf, x.vf);
  EXPECT_NEAR(highCoeff(x.vf), F + x.Dv * 0.05 / 0.5, 1e-12);
  coeff_MGS(x.vf, x.vf);
  EXPECT_NEAR(highCoeff(x.vf), F + x.Dv * 0.05 / 0.5, 1e-12);
  // Horizontal face with F 76 horizontal 2: the damping is applied once.
  // Taken twice, D f max(f, MinGamma/G), it would give 4 D here and, on the
  // vertical faces, D A^2 where the serial k stage has D A: the k field of a
  // run would change with F 206 (TurbulenceStage.ChunksGiveTheResiduals...).
  TDChoriz = 2.0;
  Fflux[x.hf] = 0.0;
  coeff_make_pow(x.hf, x.hf);
  EXPECT_NEAR(highCoeff(x.hf), 2.0 * x.Dh, 1e-12);
  // Grid sequencing has no viscosity floor.
  // With F 76 horizontal 3 and G = 0.01 below MinGamma 0.05:
  // D(0.01) max(3, 5) = 5 D(0.01), where the floored form would give
  // D(0.05) max(3, 1) = 15 D(0.01).
  TDChoriz = 3.0;
  viscosity(0.01);
  coeff_MGS(x.hf, x.hf);
  EXPECT_NEAR(highCoeff(x.hf), 5.0 * x.Dh * 0.01 / 0.5, 1e-12);
  // The maker of the k stage floors G first: D(0.05) max(3, 1).
  coeff_make_pow(x.hf, x.hf);
  EXPECT_NEAR(highCoeff(x.hf), 15.0 * x.Dh * 0.01 / 0.5, 1e-12);
}

// coeff_make_pow writes a coefficient only on the standard sides and logs
// any other side code.
TEST(PowerLaw, PowMakerRefusesNonStandardSides) {
  Fixture x;
  const int f = x.hf, c1 = Fcell1[f], c2 = Fcell2[f];
  Ftype1[f] = 4;  // the low cell claims its west side
  Caw[c1] = Cae[c1] = -1.0;
  Caw[c2] = -1.0;
  Fflux[f] = 0.0;
  coeff_make_pow(f, f);
  EXPECT_EQ(Caw[c1], -1.0);
  EXPECT_EQ(Cae[c1], -1.0);
  EXPECT_NEAR(Caw[c2], x.Dh, 1e-12);
  char line[200];
  std::snprintf(line, sizeof line, "Error in coefficient1 computation, surface %d, cells %d %d, type %d, area %lf\n", f,
                c1, c2, 4, Farea[f]);
  EXPECT_NE(logText().find(line), std::string::npos);
}

// Bed-form smoothing (F 176): B = R 1000 A |mean horizontal velocity| on
// side faces, by the rule of the first value.
TEST(PowerLaw, BedFormDiffusionByF176) {
  Fixture x;
  for (int c = 1; c <= NoCells; ++c) {
    Cxvel[c] = 0.3;
    Cyvel[c] = 0.4;  // speed 0.5
  }
  RBedformsmooth = 0.01;
  // A side face between two bottom cells and one between two upper cells.
  int low = 0, high = 0;
  for (int f = 1; f <= NoSurfaces; ++f) {
    if (Ftype1[f] != 2 || !Fcell1[f] || !Fcell2[f]) continue;
    if (!low && Ccellb[Fcell1[f]] == 0) low = f;
    if (!high && Ccellb[Fcell1[f]] != 0 && Ccellb[Fcell2[f]] != 0) high = f;
  }
  ASSERT_GT(low, 0);
  ASSERT_GT(high, 0) << "needs two cells per column";
  const int b1 = Cbed[Fcell1[low]], b2 = Cbed[Fcell2[low]];
  Bedformheight[b1] = 0.2;
  Bedformheight[b2] = 0.4;
  Bdepth[b1] = 1.0;
  Bdepth[b2] = 2.0;
  const double B = 0.01 * 1000.0 * Farea[low] * 0.5;
  struct Case {
    int m;
    double onBed, above;  // in units of B (above: the upper face, its own B)
  };
  const double ratio = 0.5 * (0.2 + 0.4) / 3.0;
  const Case cases[] = {{1, 1.0, 1.0}, {2, 1.0, 0.0}, {3, ratio, -1}, {4, ratio, 0.0}, {0, 0.0, 0.0}, {5, 0.0, 0.0}};
  for (const Case& k : cases) {
    FlagRBedformsmooth = k.m;
    EXPECT_NEAR(coeff_bedform(low, Fcell1[low], Fcell2[low]), k.onBed * B, 1e-12) << "m " << k.m;
    if (k.above >= 0) {
      EXPECT_NEAR(coeff_bedform(high, Fcell1[high], Fcell2[high]), k.above * 0.01 * 1000.0 * Farea[high] * 0.5, 1e-12)
          << "m " << k.m;
    }
  }
  FlagRBedformsmooth = 1;
  EXPECT_EQ(coeff_bedform(x.vf, Fcell1[x.vf], Fcell2[x.vf]), 0.0);
  // The maker adds it to both coefficients of the face.
  Fflux[low] = 0.0;
  coeff_make(low, low);
  EXPECT_NEAR(lowCoeff(low), Farea[low] * 0.5 / (Fdist1[low] + Fdist2[low]) + B, 1e-12);
}
