// Convection-diffusion coefficients of the cell equations by the power-law
// scheme: upwind convection from the face mass fluxes, diffusion from the
// eddy viscosity, damped on bottom and top faces by the cell Peclet number.
// With the second-order upwind scheme (K 6 value 1) the face value also takes
// the cell beyond the upwind cell, whose coefficient goes into Caee..Cabb.
#include <algorithm>
#include <cmath>

#include "flow/cellequations.h"
#include "solvers/solver.h"
#include "state/log.h"
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
    // molecular diffusion: D max(f, MinGamma/G). The damping is taken once,
    // as the serial route takes it, so that the k field does not depend on
    // whether the stage runs in chunks.
    double Dd = M == Maker::Make ? D * f : D * std::max(f, minGamma / (G + 1e-30));
    if (M != Maker::Grid && bedformSmooth > 0) Dd += coeff_bedform(i, c1, c2);
    const double a1 = Dd + std::max(-F, 0.0), a2 = Dd + std::max(F, 0.0);
    if constexpr (M == Maker::Pow) {
      const int t1 = Ftype1[i], t2 = Ftype2[i];
      // The own face of a cell with a quasi-neighbour list (F 137) has no
      // side code on its far side: the listed faces couple those cells.
      if (t1 == 2 || t1 == 3 || t1 == 6)
        put(sides, c1, t1, a1);
      else if (!listOwnFace(i))
        logf("Error in coefficient1 computation, surface %d, cells %d %d, type %d, area %lf\n", i, c1, c2, t1,
             Farea[i]);
      if (t2 == 1 || t2 == 4 || t2 == 5)
        put(sides, c2, t2, a2);
      else if (!listOwnFace(i))
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


// ---- Second-order upwind ----

// Side codes: 1 south, 2 east, 3 north, 4 west, 5 bottom, 6 top.
inline int opposite(int side) {
  static constexpr int o[7] = {0, 3, 4, 1, 2, 6, 5};
  return side >= 1 && side <= 6 ? o[side] : 0;
}
// The neighbour of cell c on a side (0 for none or a side code out of range).
inline int neighbour(int c, int side) {
  if (!cellOk(c)) return 0;
  switch (side) {
    case 1: return Ccells[c];
    case 2: return Ccelle[c];
    case 3: return Ccelln[c];
    case 4: return Ccellw[c];
    case 5: return Ccellb[c];
    case 6: return Ccellt[c];
    default: return 0;
  }
}
// The face of cell c on a side (0 for none).
inline int faceOf(int c, int side) {
  if (!cellOk(c)) return 0;
  int f = 0;
  switch (side) {
    case 1: f = Cflates[c]; break;
    case 2: f = Cflatee[c]; break;
    case 3: f = Cflaten[c]; break;
    case 4: f = Cflatew[c]; break;
    case 5: f = Cflateb[c]; break;
    case 6: f = Cflatet[c]; break;
    default: break;
  }
  return f >= 1 && f <= NoSurfaces ? f : 0;
}
inline double fluxOf(int f) { return f >= 1 && f <= NoSurfaces ? Fflux[f] : 0.0; }

struct SecondSides {
  double* a[7];
  SecondSides() : a{nullptr, Cass, Caee, Cann, Caww, Cabb, Catt} {}
  double* operator()(int code) const { return code >= 1 && code <= 6 ? a[code] : nullptr; }
};
inline void put2(const SecondSides& sides, int c, int side, double a) {
  if (!cellOk(c)) return;
  if (double* A = sides(side)) A[c] = a;
}

// Diffusion conductance D of an inner face (kg/s) and its face viscosity G,
// floored at MinGamma, as the power-law maker has them; the damping factor f
// of the second-order makers (no power-law factor) and the diffusive part
// Dd = D max(f, MinGamma/G), plus the bed-form smoothing.
double secondOrderDiffusion(int i, int c1, int c2, double s) {
  const bool vertical = Ftype1[i] == 5 || Ftype2[i] == 5;
  const double dist = Fdist1[i] + Fdist2[i] + 1e-20;
  double G;
  if (TurbulenceModel == 6) {
    G = vertical ? TCvert : TChoriz;
  } else {
    const double* g = vertical ? CgammaV : Cgamma;
    G = (Fdist2[i] * g[c1] + Fdist1[i] * g[c2]) / dist;
  }
  G = TurbDensFlag == 3 && vertical ? MinGamma : std::max(G, MinGamma);
  const double D = s * Farea[i] * G / dist;
  double f = TDChoriz;
  if (vertical) {
    f = TDCvert;
    if (TurbDensFlag == 1) f *= coeff_turbdens(c1, c2);
  }
  double Dd = D * std::max(f, MinGamma / (G + 1e-30));
  if (FlagRBedformsmooth > 0) Dd += coeff_bedform(i, c1, c2);
  return Dd;
}

// What the size-weighted second-order branch adds for the flux of face i:
// on side `side` the near cell (downstream of the face) gains nearAdd and
// takes `second` as its second-neighbour coefficient; the upwind cell gains
// farAdd on the same side (the coefficient it shares with the next face
// upstream).
struct SecondOrderShare {
  bool active = false;
  int side = 0, nearCell = 0, farCell = 0;
  double nearAdd = 0, farAdd = 0, second = 0;
};

inline double halfSize(int c, int which) {
  if (!cellOk(c) && c != 0) return 0.0;
  return which == 1 ? Cidist[c] : which == 2 ? Cjdist[c] : Ckdist[c];
}

SecondOrderShare secondOrderShare(int i) {
  SecondOrderShare s;
  if (i < 1 || i > NoSurfaces || listOwnFace(i)) return s;
  const int c1 = Fcell1[i], c2 = Fcell2[i];
  if (!cellOk(c1) || !cellOk(c2)) return s;
  const double F = Fflux[i];
  const int t1 = Ftype1[i], t2 = Ftype2[i];
  int U, near, side, dU, dU2;
  double Fp;
  if (F < 0.0) {
    // Flow from c2 into c1, by the side of c1.
    if (t1 == 3) dU = 2, dU2 = t2 != 1 ? 1 : 2;
    else if (t1 == 6) dU = dU2 = 3;
    else if (t1 == 2) dU = 1, dU2 = t2 != 4 ? 2 : 1;
    else return s;
    if (neighbour(c1, t1) == 0) return s;
    U = c2, near = c1, side = t1, Fp = -F;
  } else {
    // Flow from c1 into c2, by the side of c2.
    if (t2 == 4) dU = 1, dU2 = t1 != 2 ? 2 : 1;
    else if (t2 == 5) dU = dU2 = 3;
    else if (t2 == 1) dU = 2, dU2 = t1 != 3 ? 1 : 2;
    else return s;
    if (neighbour(c2, t2) == 0) return s;
    U = c1, near = c2, side = t2, Fp = F;
  }
  s.active = true;
  s.side = side;
  s.nearCell = near;
  const int U2 = neighbour(U, side);
  if (!cellOk(U2)) {
    s.nearAdd = Fp;
    return s;
  }
  const double a = halfSize(U, dU), b = halfSize(U2, dU2);
  const double r = (2.0 * a + b) / (a + b + 1e-30);
  s.farCell = U;
  s.farAdd = (r - 1.0) * Fp;
  s.nearAdd = r * Fp;
  s.second = (1.0 - r) * Fp;
  return s;
}

// The coefficient of cell c on side `side` (its own face k): the diffusive
// part and the shares of face k and of c's face on the opposite side, added
// in face order, as one pass over all faces after the other would add them.
// Each face writes only its own two sides, so face chunks may run together.
void secondOrderSide(const SideCoefficients& sides, const SecondSides& seconds, int k, int c, int side, double Dd,
                     const SecondOrderShare& own) {
  const int j = faceOf(c, opposite(side));
  SecondOrderShare other;
  if (j != 0 && j != k) other = secondOrderShare(j);
  auto share = [c, side](const SecondOrderShare& s) {
    if (!s.active || s.side != side) return 0.0;
    return (s.nearCell == c ? s.nearAdd : 0.0) + (s.farCell == c ? s.farAdd : 0.0);
  };
  double a = Dd;
  if (j != 0 && j < k) {
    a += share(other);
    a += share(own);
  } else {
    a += share(own);
    a += share(other);
  }
  put(sides, c, side, a);
  put2(seconds, c, side, own.active && own.side == side && own.nearCell == c ? own.second : 0.0);
}

void secondOrderFaces(int first, int last) {
  first = std::max(first, 1);
  last = std::min(last, NoSurfaces);
  if (!Caee || !Caww || !Cann || !Cass || !Catt || !Cabb)
    fatal(-2, "Error: the second-neighbour coefficients of the second-order scheme (K 6 value 1) are not allocated\n");
  const double s = diffusionFactor();
  const SideCoefficients sides;
  const SecondSides seconds;
  for (int k = first; k <= last; ++k) {
    const int c1 = Fcell1[k], c2 = Fcell2[k];
    if (!cellOk(c1) || !cellOk(c2)) {
      put(sides, c1, Ftype1[k], 0.0);
      put2(seconds, c1, Ftype1[k], 0.0);
      put(sides, c2, Ftype2[k], 0.0);
      put2(seconds, c2, Ftype2[k], 0.0);
      continue;
    }
    const double Dd = secondOrderDiffusion(k, c1, c2, s);
    const SecondOrderShare own = secondOrderShare(k);
    secondOrderSide(sides, seconds, k, c1, Ftype1[k], Dd, own);
    secondOrderSide(sides, seconds, k, c2, Ftype2[k], Dd, own);
  }
}

inline bool secondOrderScheme() { return sou[std::clamp(Equation, 0, kEquationTableSize - 1)] == 1; }

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
  if (secondOrderScheme())
    secondOrderFaces(first, last);
  else
    faceLoop<Maker::Make>(first, last);
}

void coeff_makeWhole() {
  if (!secondOrderScheme() && TimeStep > 1e-8 && CrankNicols > 1e-8) {
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
  if (QNFlag > 0) QNGridCoeff();
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

void coeff_make_sou2(int first, int last) {
  // Slot 0 written only when not 0 already: chunks call this together.
  for (double* a : {Cidist, Cjdist, Fflux})
    if (a[0] != 0.0) a[0] = 0.0;
  first = std::max(first, 1);
  last = std::min(last, NoSurfaces);
  if (!Caee || !Caww || !Cann || !Cass || !Catt || !Cabb)
    fatal(-2, "Error: the second-neighbour coefficients of the second-order scheme (K 6 value 1) are not allocated\n");
  const double s = diffusionFactor();
  const SideCoefficients sides;
  const SecondSides seconds;
  const int setPow = FlagSetPow;
  for (int i = first; i <= last; ++i) {
    const double F = Fflux[i];
    const int c1 = Fcell1[i], c2 = Fcell2[i], t1 = Ftype1[i], t2 = Ftype2[i];
    if (!cellOk(c1) || !cellOk(c2)) {
      put(sides, c1, t1, 0.0);
      put2(seconds, c1, t1, 0.0);
      put(sides, c2, t2, 0.0);
      put2(seconds, c2, t2, 0.0);
    } else {
      if (t1 == 1 || t1 == 4 || t1 == 5)
        fatal(-77, "Error in second-order coefficients: face %d between cells %d and %d has side code %d for its "
                   "first cell\n", i, c1, c2, t1);
      if (t2 == 2 || t2 == 3 || t2 == 6)
        fatal(-78, "Error in second-order coefficients: face %d between cells %d and %d has side code %d for its "
                   "second cell\n", i, c1, c2, t2);
      const double Dd = secondOrderDiffusion(i, c1, c2, s);
      if (t1 >= 1 && t1 <= 6) {
        // c1 lies west, south or below: its east, north or top coefficient.
        double a, a2 = 0.0;
        if (neighbour(c2, t1) != 0) {
          a = Dd + std::max(-1.5 * F, 0.0);
          if (F < 0.0) a2 = 0.5 * F;
        } else {
          a = Dd + std::max(-F, 0.0);
        }
        a += std::max(-0.5 * fluxOf(faceOf(c1, opposite(t1))), 0.0);
        put(sides, c1, t1, a);
        put2(seconds, c1, t1, a2);
      }
      if (t2 >= 1 && t2 <= 6) {
        double a, a2 = 0.0;
        if (neighbour(c1, t2) != 0) {
          a = Dd + std::max(1.5 * F, 0.0);
          if (F > 0.0) a2 = -0.5 * F;
        } else {
          a = Dd + std::max(F, 0.0);
        }
        a += std::max(0.5 * fluxOf(faceOf(c2, opposite(t2))), 0.0);
        put(sides, c2, t2, a);
        put2(seconds, c2, t2, a2);
      }
    }
    // F 362: first order again in the east-west (1) or vertical (3) direction.
    if ((setPow == 1 && t1 == 2) || (setPow == 3 && t1 == 6)) {
      double *A1 = setPow == 1 ? Cae : Cat, *B1 = setPow == 1 ? Caee : Catt;
      double *A2 = setPow == 1 ? Caw : Cab, *B2 = setPow == 1 ? Caww : Cabb;
      if (cellOk(c1)) {
        A1[c1] += B1[c1];
        B1[c1] = 0.0;
      }
      if (cellOk(c2)) {
        A2[c2] += B2[c2];
        B2[c2] = 0.0;
      }
    }
  }
}
