// Coefficients of the suspended-sediment equations: convection by the face
// mass flux with the settling of the grains on the vertical faces, turbulent
// diffusion from the eddy viscosity over the Schmidt number, by the power
// law or the second-order upwind scheme; and the outflow terms of the
// bed-cell balance.
#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "state/log.h"
#include "flow/cellequations.h"
#include "physics/physics.h"
#include "sediment/suspended.h"
#include "solvers/stencils.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/groups.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

// The coefficient arrays of one build by side code: 1 south, 2 east,
// 3 north, 4 west, 5 bottom, 6 top; s2 the second-neighbour arrays of the
// second-order scheme by the same codes.
struct SideRows {
  double* a[7];
  double* s2[7] = {nullptr, Cass, Caee, Cann, Caww, Cabb, Catt};
};

SideRows sharedRows(double* bottom, double* top) { return SideRows{{nullptr, Cas, Cae, Can, Caw, bottom, top}}; }

// The second neighbours above and below of size n (the settling makes them
// differ per size).
void sizeSecondRows(SideRows& rows, int n) {
  rows.s2[5] = sizeSecondBelow(n);
  rows.s2[6] = sizeSecondAbove(n);
}

inline bool cellOk(int c) { return c >= 1 && c <= NoCells; }

inline void store(const SideRows& r, int c, int side, double v) {
  if (cellOk(c) && side >= 1 && side <= 6 && r.a[side]) r.a[side][c] = v;
}
inline void add(double* a, int c, double v) {
  if (a && cellOk(c)) a[c] += v;
}

// The own face of a cell with a quasi-neighbour list (F 137) carries the sum
// of its listed faces and names one listed cell on its far side: the listed
// faces couple those cells (QNGridCoeff). Built like an ordinary face it
// would give that cell a second coupling with the summed flux, so that the
// second-order scheme made or lost sediment there: the makers below skip it
// (listOwnFace).

// A face that the cells meet on their bottom or top side.
inline bool verticalFace(int t1, int t2) { return t1 == 5 || t1 == 6 || t2 == 5 || t2 == 6; }
// Settling acts on the faces with a cell below them: the faces between two
// cells of a column and the water surface, never the bed.
inline bool settlingFace(int t1, int t2) { return t1 == 6 || t2 == 6; }

// Face flux of the sediment (kg/s), the settling included.
inline double sedimentFlux(int f, double w) {
  const double F = Fflux[f];
  return settlingFace(Ftype1[f], Ftype2[f]) ? F - 1000.0 * w * Faz[f] : F;
}

// The power-law factor of a cell Peclet number: 1 at 0, 0 from 10 on.
inline double powerLaw(double Pe) {
  if (Pe > 20.0) return 0.0;
  const double t = 1.0 - 0.1 * Pe;
  return t > 0.0 ? t * t * t * t * t : 0.0;
}

// Face viscosity (kg/(m s)) between c1 and c2.
inline double faceViscosity(int f, int c1, int c2, bool vertical, double r) {
  double G;
  if (TurbulenceModel == 6) {
    G = vertical ? TCvert : TChoriz;
  } else {
    const double* g = vertical ? CgammaV : Cgamma;
    G = (Fdist1[f] * g[c2] + Fdist2[f] * g[c1]) * r;
  }
  if (TurbDensFlag == 3 && vertical) G = MinGamma;
  return G;
}

// Diffusion conductance d (kg/s) of a face with two cells. The power law
// damps the vertical faces; the second-order scheme damps every face.
inline double diffusion(int f, int c1, int c2, double F, bool dampHorizontal) {
  const int t1 = Ftype1[f], t2 = Ftype2[f];
  const bool vertical = verticalFace(t1, t2);
  const double r = 1.0 / (Fdist1[f] + Fdist2[f] + 1e-20);
  const double G = faceViscosity(f, c1, c2, vertical, r);
  const double D = Farea[f] * G * r / Schmidt;
  const double A = powerLaw(std::fabs(F) / (D + 1e-20));
  double phi;
  if (vertical) {
    phi = A * TDCvert;
    if (TurbDensFlag == 1) phi *= coeff_turbdens(c1, c2);
  } else {
    phi = dampHorizontal ? A * TDChoriz : TDChoriz;
  }
  phi = std::max(phi, MinGamma / (G + 1e-20));
  return D * phi;
}

inline void clampRange(int& first, int& last) {
  first = std::max(first, 1);
  last = std::min(last, NoSurfaces);
}

void powerLawPass(const SideRows& rows, double w, int first, int last) {
  clampRange(first, last);
  for (int f = first; f <= last; ++f) {
    if (listOwnFace(f)) continue;
    const int c1 = Fcell1[f], c2 = Fcell2[f];
    if (!cellOk(c1) && !cellOk(c2)) continue;
    const double F = sedimentFlux(f, w);
    const double d = cellOk(c1) && cellOk(c2) ? diffusion(f, c1, c2, F, false) : 0.0;
    store(rows, c1, Ftype1[f], d + std::max(-F, 0.0));
    store(rows, c2, Ftype2[f], d + std::max(F, 0.0));
  }
}

// Convection of the second-order upwind scheme on one face: the upstream
// cell U, the one behind it UU, the weight g of the face value
// g C(U) + (1 - g) C(UU) from the half sizes.
struct Upwind {
  int U, UU;
  double hU, hUU;
  double* Ucoef;    // U's coefficient that takes (g - 1)|F|
  double* down;     // the downstream cell's coefficient towards U
  double* second;   // its second-neighbour coefficient
  int downstream;
};

inline void applyUpwind(const Upwind& u, double F) {
  const double a = std::fabs(F);
  if (u.UU == 0) {
    add(u.down, u.downstream, a);
    if (u.second && cellOk(u.downstream)) u.second[u.downstream] = 0.0;
    return;
  }
  const double g = (2.0 * u.hU + u.hUU) / (u.hU + u.hUU);
  add(u.down, u.downstream, g * a);
  if (u.second && cellOk(u.downstream)) u.second[u.downstream] = (1.0 - g) * a;
  add(u.Ucoef, u.U, (g - 1.0) * a);
}

// The upstream cell of u has a quasi-neighbour list on the side where its
// coefficient toward UU lies.
inline bool listsBehind(const Upwind& u, const double* cas, const double* cae, const double* can,
                        const double* caw) {
  if (QNFlag <= 0 || !cellOk(u.U)) return false;
  const int* count = u.Ucoef == caw ? Cncellw : u.Ucoef == cae ? Cncelle : u.Ucoef == can ? Cncelln
                     : u.Ucoef == cas ? Cncells : nullptr;
  return count && count[u.U] > 0;
}

// Pass 2 of the second-order scheme over first..last; horizontalOnly keeps
// to the four horizontal rows (the turned bed velocities).
void secondOrderConvection(const SideRows& rows, double w, int first, int last, bool horizontalOnly) {
  double *cas = rows.a[1], *cae = rows.a[2], *can = rows.a[3], *caw = rows.a[4], *cab = rows.a[5],
         *cat = rows.a[6];
  for (int f = first; f <= last; ++f) {
    if (listOwnFace(f)) continue;
    const int c1 = Fcell1[f], c2 = Fcell2[f];
    if (!cellOk(c1) || !cellOk(c2)) continue;
    const int t1 = Ftype1[f], t2 = Ftype2[f];
    const double F = horizontalOnly ? Fflux[f] : sedimentFlux(f, w);
    Upwind u{};
    if (F >= 0.0) {
      u.U = c1;
      u.downstream = c2;
      if (t2 == 4 && Ccellw[c2] != 0) {
        u.UU = Ccellw[c1];
        u.hU = Cidist[c1];
        u.hUU = t1 == 2 ? Cidist[u.UU] : Cjdist[u.UU];
        u.Ucoef = t1 == 2 ? caw : cas;
        u.down = caw;
        u.second = rows.s2[4];
      } else if (!horizontalOnly && t2 == 5 && Ccellb[c2] != 0) {
        u.UU = Ccellb[c1];
        u.hU = Ckdist[c1];
        u.hUU = Ckdist[u.UU];
        u.Ucoef = cab;
        u.down = cab;
        u.second = rows.s2[5];
      } else if (t2 == 1 && Ccells[c2] != 0) {
        u.UU = Ccells[c1];
        u.hU = Cjdist[c1];
        u.hUU = t1 == 3 ? Cjdist[u.UU] : Cidist[u.UU];
        u.Ucoef = t1 == 3 ? cas : caw;
        u.down = cas;
        u.second = rows.s2[1];
      } else {
        continue;
      }
    } else {
      u.U = c2;
      u.downstream = c1;
      if (t1 == 3 && Ccelln[c1] != 0) {
        u.UU = Ccelln[c2];
        u.hU = Cjdist[c2];
        u.hUU = t2 == 1 ? Cjdist[u.UU] : Cidist[u.UU];
        u.Ucoef = can;
        u.down = can;
        u.second = rows.s2[3];
      } else if (!horizontalOnly && t1 == 6 && Ccellt[c1] != 0) {
        u.UU = Ccellt[c2];
        u.hU = Ckdist[c2];
        u.hUU = Ckdist[u.UU];
        u.Ucoef = cat;
        u.down = cat;
        u.second = rows.s2[6];
      } else if (t1 == 2 && Ccelle[c1] != 0) {
        u.UU = Ccelle[c2];
        u.hU = Cidist[c2];
        u.hUU = t2 == 4 ? Cidist[u.UU] : Cjdist[u.UU];
        u.Ucoef = cae;
        u.down = cae;
        u.second = rows.s2[2];
      } else {
        continue;
      }
    }
    // Behind an upstream cell that lists its neighbours on that side there
    // is no single cell, and the coefficient that would take U's share is
    // the one the lists replace (set to 0): the face takes the upwind value.
    if (listsBehind(u, cas, cae, can, caw)) u.UU = 0;
    applyUpwind(u, F);
  }
}

void secondOrderPass(const SideRows& rows, double w, int first, int last) {
  clampRange(first, last);
  // Pass 1: the diffusion of every face, replacing what was there. The
  // water surface keeps the settling of the top cell as the power law has
  // it (clean water from above): the top cell is the upstream cell of its
  // bottom face with nothing behind it, so no other term takes the settled
  // sediment out of it, and the cell below would receive sediment that no
  // cell gave.
  for (int f = first; f <= last; ++f) {
    if (listOwnFace(f)) continue;
    const int c1 = Fcell1[f], c2 = Fcell2[f];
    if (!cellOk(c1) && !cellOk(c2)) continue;
    const double F = sedimentFlux(f, w);
    const double d = cellOk(c1) && cellOk(c2) ? diffusion(f, c1, c2, F, true) : 0.0;
    const bool surface = !cellOk(c2) && Ftype1[f] == 6;
    store(rows, c1, Ftype1[f], surface ? std::max(-F, 0.0) : d);
    store(rows, c2, Ftype2[f], d);
  }
  secondOrderConvection(rows, w, first, last, false);
}

bool secondOrder() { return sou[7] == 1; }

bool crankNicolson() { return TimeStep > 1e-8 && CrankNicols > 1e-8; }

// The Crank-Nicolson share of the neighbours, once over the cells of the
// work range (its blocks of G 25 are scaled once each, never again).
void scaleCells(std::initializer_list<double*> arrays) {
  const double k = 1.0 - CrankNicols;
  const int first = std::max(WCStart, 1), last = std::min(WCEnd, NoCells);
  for (double* a : arrays)
    if (a)
      for (int c = first; c <= last; ++c) a[c] *= k;
}

// The sides with quasi-neighbour lists, by the scheme of the sediment
// equation (Equation 7 is set by the caller).
void quasiNeighbours() {
  if (QNFlag > 0) QNGridCoeff();
}

bool perSizeRows(int n) { return n >= 1 && n <= lnumber && Cabm && Catm && Cabm[n] && Catm[n]; }

}  // namespace

void coeff_make1(int first, int last) {
  const SideRows rows = sharedRows(Cab, Cat);
  if (secondOrder()) {
    secondOrderPass(rows, fallvelo[1], first, last);
  } else {
    powerLawPass(rows, fallvelo[1], first, last);
    if (crankNicolson()) scaleCells({Cae, Caw, Can, Cas, Cab, Cat});
  }
  quasiNeighbours();
}

void coeff_make2(int first, int last) {
  for (int n = 1; n <= lnumber; ++n) {
    if (!perSizeRows(n)) break;
    SideRows rows = sharedRows(Cabm[n], Catm[n]);
    if (secondOrder()) {
      sizeSecondRows(rows, n);
      secondOrderPass(rows, fallvelo[n], first, last);
    } else {
      powerLawPass(rows, fallvelo[n], first, last);
      if (crankNicolson()) scaleCells({Cabm[n], Catm[n]});
    }
  }
  // Every pass writes the same shared horizontal values: scaled once.
  if (!secondOrder() && crankNicolson()) scaleCells({Cae, Caw, Can, Cas});
  quasiNeighbours();
}

void coeff_make2m(int first, int last) {
  if (!Caem || !Cawm || !Canm || !Casm) return;
  for (int n = 1; n <= lnumber; ++n) {
    if (!perSizeRows(n)) break;
    SideRows rows{{nullptr, Casm[n], Caem[n], Canm[n], Cawm[n], Cabm[n], Catm[n]}};
    if (secondOrder()) {
      // Every side of the size in its own rows; the horizontal second
      // neighbours, which carry no settling, shared by all sizes.
      sizeSecondRows(rows, n);
      secondOrderPass(rows, fallvelo[n], first, last);
    } else {
      powerLawPass(rows, fallvelo[n], first, last);
    }
  }
}

void coeff_make1H(int first, int last) {
  clampRange(first, last);
  const SideRows rows = sharedRows(nullptr, nullptr);
  const bool second = secondOrder() && Caee && Caww && Cann && Cass;
  if (second)
    for (int f = first; f <= last; ++f) {
      if (settlingFace(Ftype1[f], Ftype2[f])) continue;
      for (int c : {Fcell1[f], Fcell2[f]})
        if (cellOk(c)) Caee[c] = Caww[c] = Cass[c] = Cann[c] = 0.0;
    }
  for (int f = first; f <= last; ++f) {
    if (listOwnFace(f)) continue;
    const int t1 = Ftype1[f], t2 = Ftype2[f];
    if (settlingFace(t1, t2)) continue;
    const int c1 = Fcell1[f], c2 = Fcell2[f];
    if (!cellOk(c1) && !cellOk(c2)) continue;
    double d = 0.0;
    if (cellOk(c1) && cellOk(c2)) {
      const double r = 1.0 / (Fdist1[f] + Fdist2[f] + 1e-20);
      const double G = TurbulenceModel == 6 ? TChoriz : (Fdist1[f] * Cgamma[c2] + Fdist2[f] * Cgamma[c1]) * r;
      d = Farea[f] * G * r * std::max(TDChoriz, MinGamma / (G + 1e-20));
    }
    const double F = Fflux[f];
    const double a1 = second ? d : d + std::max(-F, 0.0), a2 = second ? d : d + std::max(F, 0.0);
    if (t1 >= 1 && t1 <= 4) store(rows, c1, t1, a1);
    if (t2 >= 1 && t2 <= 4) store(rows, c2, t2, a2);
  }
  if (second) secondOrderConvection(rows, 0.0, first, last, true);
}

bool sedimentSeriesWeight(int& k, double& w) {
  const int N = TimeInNo;
  if (FlagDischargeTime == 0 || N <= 0 || !TimeInTime || !QDinn) return false;
  if (N < 2) {
    // One record holds at all times.
    k = 0;
    w = 0.0;
    return true;
  }
  k = 1;
  if (!(stimet < TimeInTime[1])) {
    k = N;
    for (int r = 2; r < N; ++r)
      if (TimeInTime[r] > stimet) {
        k = r;
        break;
      }
  }
  k = std::min(k, N - 1);
  w = std::min(1.0, std::max(0.0, TimeInTime[k] - stimet) / (TimeInTime[k] - TimeInTime[k - 1] + 1e-20));
  return true;
}

void MakeAp(int n) {
  constexpr int kGroups = 9;
  int k = 0;
  double w = 0.0;
  if (!sedimentSeriesWeight(k, w)) {
    for (int g = 1; g <= kGroups; ++g) DischargeArray[g] = DischargeStruct[g].discharge;
  } else {
    const int lo = k > 0 ? k - 1 : 0;
    for (int g = 1; g <= kGroups; ++g)
      if (DischargeStruct[g].surfno > 0 || g <= 2)
        DischargeArray[g] = 1000.0 * ((1.0 - w) * QDinn[k][g] + w * QDinn[lo][g]);
  }
  if (n < 1 || n > lnumber || !Bap) return;
  const int capacity = bedCellCapacity();
  auto faceCell = [](int f) { return Fcell1[f] > 0 ? Fcell1[f] : Fcell2[f]; };
  auto faceOk = [](int f) { return f >= 1 && f <= NoSurfaces; };
  for (int g = 1; g <= kGroups; ++g) {
    const DischargeGroup& G = DischargeStruct[g];
    const int faces = groupFaceCount(G);
    if (faces <= 0 || G.inflow != 0 || (G.update != 0 && G.update != 1)) continue;
    const double Q = DischargeArray[g];
    double S = 0.0;
    if (G.update == 1)
      for (int i = 0; i < faces; ++i) {
        const int f = G.face[i];
        if (!faceOk(f)) continue;
        const int c = faceCell(f);
        if (!cellOk(c)) continue;
        S += std::max(0.0, -Fin[f] * (Cxvel[c] * Fax[f] + Cyvel[c] * Fay[f] + 1e-20));
      }
    for (int i = 0; i < faces; ++i) {
      const int f = G.face[i];
      if (!faceOk(f)) continue;
      const int c = faceCell(f);
      if (!cellOk(c) || Ccellb[c] != 0 || Cbed[c] <= 0 || Cbed[c] >= capacity) continue;
      const int b = Cbed[c];
      double q = Farea[f] * Q / (G.area + 1e-30);
      if (G.update == 1) {
        const double v = std::max(0.0, -Fin[f] * (Cxvel[c] * Fax[f] + Cyvel[c] * Fay[f] + 1e-20));
        q = relaxOutFlux * v * Q / (S + 1e-40) + (1.0 - relaxOutFlux) * q;
      }
      Bap[n][b] += q;
      if (n == 1 && Binout) Binout[b] -= q;
    }
  }
  if (NoNestflater > 0 && lnumber >= 1 && Npcelle && Nflux) {
    const int m = lnumber == 1 ? 1 : n;
    for (int i = 1; i <= std::min(NoNestflater, MaxNester); ++i) {
      const int c = Npcelle[i];
      if (!cellOk(c) || Ccellb[c] != 0 || Nflux[i] >= 0.0 || Cbed[c] <= 0 || Cbed[c] >= capacity) continue;
      Bap[m][Cbed[c]] += -1000.0 * Nflux[i];
    }
  }
}
