// Convection-diffusion coefficients of the cell equations by the power-law
// scheme: upwind convection from the face mass fluxes, diffusion from the
// eddy viscosity, damped on bottom and top faces by the cell Peclet number.
#include <algorithm>
#include <cmath>

#include "flow/cellequations.h"
#include "solvers/solver.h"
#include "io/log.h"
#include "physics/physics.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

enum class Maker { Make, Pow, Grid };

inline bool cellOk(int c) { return c >= 1 && c <= NoCells; }

// Writes coefficient a of cell c on side `side`; a missing cell gets nothing
// (its coefficient would multiply the empty slot 0 and nothing reads it).
inline void put(const SideCoefficients& sides, int c, int side, double a) {
  if (!cellOk(c)) return;
  if (double* A = sides(side)) A[c] = a;
}

template <Maker M>
void faceLoop(int first, int last) {
  first = std::max(first, 1);
  last = std::min(last, NoSurfaces);
  const double s = diffusionFactor();
  // The arrays and options the loop reads, taken once: the coefficient
  // stores could otherwise alias the double options and force a reload of
  // each of them on every face.
  const SideCoefficients sides;
  const double minGamma = MinGamma, tdcVert = TDCvert, tdcHoriz = TDChoriz, tcVert = TCvert, tcHoriz = TChoriz;
  const int turbulenceModel = TurbulenceModel, turbDens = TurbDensFlag, bedformSmooth = FlagRBedformsmooth;
  for (int i = first; i <= last; ++i) {
    const double F = Fflux[i];
    const int c1 = Fcell1[i], c2 = Fcell2[i];
    const bool inner = cellOk(c1) && cellOk(c2);
    if (!inner) {
      if constexpr (M == Maker::Pow) {
        put(sides, c1, Ftype1[i], 0.0);
        put(sides, c2, Ftype2[i], 0.0);
      } else {
        put(sides, c1, Ftype1[i], std::max(-F, 0.0));
        put(sides, c2, Ftype2[i], std::max(F, 0.0));
      }
      continue;
    }
    const bool vertical = Ftype1[i] == 5 || Ftype2[i] == 5;
    const double dist = Fdist1[i] + Fdist2[i] + 1e-20;
    double G;
    if (turbulenceModel == 6) {
      G = vertical ? tcVert : tcHoriz;
    } else {
      const double* g = vertical ? CgammaV : Cgamma;
      G = (Fdist2[i] * g[c1] + Fdist1[i] * g[c2]) / dist;
    }
    if (turbDens == 3 && vertical)
      G = minGamma;
    else if (M != Maker::Grid)
      G = std::max(G, minGamma);
    const double D = s * Farea[i] * G / dist;
    double f;
    if (vertical) {
      const double Pe = std::fabs(F) / (D + 1e-20);
      double A = 0.0;
      if (Pe <= 20.0) {
        const double t = 1.0 - 0.1 * Pe;
        A = t > 0.0 ? t * t * t * t * t : 0.0;
      }
      f = tdcVert * A;
      if (M != Maker::Grid && turbDens == 1) f *= coeff_turbdens(c1, c2);
    } else {
      f = tdcHoriz;
    }
    // The makers of the k stage and of grid sequencing keep at least the
    // molecular diffusion: D max(f, MinGamma/G).
    double Dd = M == Maker::Make ? D * f : D * std::max(f, minGamma / (G + 1e-30));
    if (M != Maker::Grid && bedformSmooth > 0) Dd += coeff_bedform(i, c1, c2);
    const double a1 = Dd + std::max(-F, 0.0), a2 = Dd + std::max(F, 0.0);
    if constexpr (M == Maker::Pow) {
      const int t1 = Ftype1[i], t2 = Ftype2[i];
      if (t1 == 2 || t1 == 3 || t1 == 6)
        put(sides, c1, t1, a1);
      else
        logf("Error in coefficient1 computation, surface %d, cells %d %d, type %d, area %lf\n", i, c1, c2, t1,
             Farea[i]);
      if (t2 == 1 || t2 == 4 || t2 == 5)
        put(sides, c2, t2, a2);
      else
        logf("Error in coefficient2 computation, surface %d, cells %d %d, type %d, area %lf\n", i, c1, c2, t2,
             Farea[i]);
    } else {
      put(sides, c1, Ftype1[i], a1);
      put(sides, c2, Ftype2[i], a2);
    }
  }
}

// Slot 0 of the fields the makers read through missing neighbours.
// Written only when not already 0, so that chunks calling it together do
// not write the same element.
void clearEmptySlots() {
  for (double* a : {Cidist, Cjdist, Cxvel, Cyvel})
    if (a[0] != 0.0) a[0] = 0.0;
}

}  // namespace

double diffusionFactor() {
  if ((TurbulenceModel == 15 || TurbulenceModel == 16) && Equation > 3) return 0.5;
  if (TurbulenceModel == 1 && Equation > 3) return 1.3900472616068946;
  if (TurbulenceModel == 14 && Equation == 5) return 1.5;
  return 1.0;
}

double coeff_bedform(int face, int c1, int c2) {
  const int m = FlagRBedformsmooth;
  if (m < 1 || m > 4 || Ftype1[face] > 4 || !cellOk(c1) || !cellOk(c2)) return 0.0;
  const double u = 0.5 * (Cxvel[c1] + Cxvel[c2]), v = 0.5 * (Cyvel[c1] + Cyvel[c2]);
  const double B = RBedformsmooth * 1000.0 * Farea[face] * std::hypot(u, v);
  // A cell whose bottom is the bed: no cell below it.
  const bool onBed = Ccellb[c1] == 0 || Ccellb[c2] == 0;
  if (m == 1) return B;
  if (m == 2) return onBed ? B : 0.0;
  if (m == 4 && !onBed) return 0.0;
  const int b1 = Cbed[c1], b2 = Cbed[c2];
  if (!Bedformheight || !Bdepth || b1 < 0 || b2 < 0 || b1 >= bedCellCapacity() || b2 >= bedCellCapacity()) return 0.0;
  return B * 0.5 * (Bedformheight[b1] + Bedformheight[b2]) / (Bdepth[b1] + Bdepth[b2] + 1e-30);
}

void coeff_makeFaces(int first, int last) {
  if (sou[std::clamp(Equation, 0, kEquationTableSize - 1)] == 1)
    notAvailable("the second-order upwind coefficients (K 6 value 1)");
  faceLoop<Maker::Make>(first, last);
}

void coeff_makeWhole() {
  if (TimeStep > 1e-8 && CrankNicols > 1e-8) {
    const double k = 1.0 - CrankNicols;
    for (int c = 1; c <= NoCells; ++c) {
      Cae[c] *= k;
      Caw[c] *= k;
      Can[c] *= k;
      Cas[c] *= k;
      Cat[c] *= k;
      Cab[c] *= k;
    }
  }
  if (QNFlag > 0) notAvailable("the coefficients of quasi-neighbour lists (F 137)");
}

void coeff_make(int first, int last) {
  clearEmptySlots();
  coeff_makeFaces(first, last);
  coeff_makeWhole();
}

void coeffMakeStage(bool parallel) {
  if (!parallel) {
    coeff_make(WFStart, WFEnd);
    return;
  }
  clearEmptySlots();
  forEachChunk([](int p) {
    int lo, hi;
    faceChunk(p, lo, hi);
    if (lo <= hi) coeff_makeFaces(lo, hi);
  });
  coeff_makeWhole();
}

void coeff_make_pow(int first, int last) {
  clearEmptySlots();
  faceLoop<Maker::Pow>(first, last);
}

void coeff_MGS(int first, int last) { faceLoop<Maker::Grid>(first, last); }
