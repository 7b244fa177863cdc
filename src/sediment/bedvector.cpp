// Transport of the bed load down a sloping bed, across the flow, acting on
// the suspended-sediment equations of the bottom cells.
#include <algorithm>
#include <cmath>

#include "sediment/suspended.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

inline bool cellOk(int c) { return c >= 1 && c <= NoCells; }
inline bool bottomCell(int c) { return cellOk(c) && Ccellb[c] == 0; }

double* perSizeSide(int side, int n) {
  switch (side) {
    case 1: return Casm[n];
    case 2: return Caem[n];
    case 3: return Canm[n];
    case 4: return Cawm[n];
    default: return nullptr;
  }
}

}  // namespace

void coeff_make_bedvector(int first, int last) {
  if (!Caem || !Cawm || !Canm || !Casm || !Capm) return;
  first = std::max(first, 1);
  last = std::min(last, NoSurfaces);
  const int variant = BedLoadVectorFlag;
  const bool limited = variant >= 5 && variant <= 8;
  const bool lifted = variant >= 7 && variant <= 9;
  for (int f = first; f <= last; ++f) {
    const int c1 = Fcell1[f], c2 = Fcell2[f];
    if (!bottomCell(c1) || !bottomCell(c2)) continue;
    const double s = ((Czcenter[c2] - Ckdist[c2]) - (Czcenter[c1] - Ckdist[c1])) / (Fdist1[f] + Fdist2[f]);
    if (!(std::fabs(s) > 0.01)) continue;
    const double u = 0.5 * (Cxvel[c1] + Cxvel[c2]), v = 0.5 * (Cyvel[c1] + Cyvel[c2]);
    const double U = std::sqrt(u * u + v * v);
    // Still water moves nothing down the slope (its share along the face
    // would be 0/0).
    if (!(U > 0.0) || !(Farea[f] > 0.0)) continue;
    const double r = std::max(0.0, 1.0 - std::fabs(0.001 * Fflux[f] / Farea[f]) / U);
    const double kmean = 0.5 * (Ckinen[c1] + Ckinen[c2]);
    const double tau = kmean > 0.0 ? 300.0 * kmean : 0.0;
    for (int n = 1; n <= lnumber; ++n) {
      double theta = tau / ((density - 1.0) * gsize[n] * 9810.0);
      if (lifted) theta = 0.4 * theta * theta + 0.06;
      double fac = BedLoadVectorParam / std::sqrt(theta) * s;
      if (limited) fac = std::clamp(fac, -1.0, 1.0);
      const double q = -1000.0 * Farea[f] * U * fac * r;
      const double down12 = std::max(-q, 0.0), down21 = std::max(q, 0.0);
      if (double* a = perSizeSide(Ftype1[f], n)) a[c1] += down12;
      Capm[n][c2] += down12;
      if (double* a = perSizeSide(Ftype2[f], n)) a[c2] += down21;
      Capm[n][c1] += down21;
    }
  }
}

void bedVectorSource(int n, bool throughBed) {
  if (n < 1 || n > lnumber) return;
  double* source = lnumber > 1 ? (Csourcem && n < CsourcemRows ? Csourcem[n] : nullptr) : Csource;
  if (!source) return;
  const int capacity = bedCellCapacity();
  auto book = [&](int c, double m) {
    if (throughBed && Bsource && Ccellb[c] == 0 && Cbed[c] > 0 && Cbed[c] < capacity)
      Bsource[n][Cbed[c]] += m;
    else
      source[c] += m;
  };
  const double tauc = std::fabs(shieldscoeff) * gsize[n] * (density - 1.0) * 9810.0;
  const int first = std::max(WBStart, 1), last = std::min(WBEnd, capacity - 1);
  for (int b = first; b <= last; ++b) {
    const int k = BlayerTop[b];
    if (k < 0 || k > NoBedLayers) continue;
    if (!(BSedDistrib[k][n][b] * BSedDistrib[k][0][b] > gsize[n])) continue;
    const int c = Bcellt[b];
    if (!cellOk(c)) continue;
    const int fb = Cflateb[c];
    const double tau = std::max(300.0 * Ckinen[c], 0.0);
    // Without turbulence the factor has no bound: nothing moves.
    if (!(tau > 0.0)) continue;
    const double sine = std::sqrt(std::max(0.0, 1.0 - Fvz[fb] * Fvz[fb]));
    const double f = BedLoadVectorParam * std::pow(tau / (tauc + 1e-30), -0.5) * sine;
    const double u = Cxvel[c], v = Cyvel[c];
    const double x = (Fvx[fb] * v - Fvy[fb] * u) /
                     (std::sqrt((Fvx[fb] * Fvx[fb] + Fvy[fb] * Fvy[fb]) * (u * u + v * v)) + 1e-30);
    const double Lx = x >= 0.0 ? f * v : -f * v, Ly = x >= 0.0 ? -f * u : f * u;
    const double C = Cconc[n][c];
    // East and north: out of c when the flux is positive; west and south
    // when it is negative (area vectors point from Fcell1 to Fcell2).
    const struct {
      int m, g;
      bool positive;
    } sides[4] = {{Ccelle[c], Cflatee[c], true}, {Ccelln[c], Cflaten[c], true},
                  {Ccellw[c], Cflatew[c], false}, {Ccells[c], Cflates[c], false}};
    for (const auto& s : sides) {
      if (s.m <= 0) continue;
      const double q = 1000.0 * (Fax[s.g] * Lx + Fay[s.g] * Ly);
      const double out = s.positive ? q : -q;
      if (!(out > 0.0)) continue;
      const double M = out * C;
      book(c, -M);
      book(s.m, M);
    }
  }
}

void BedVectorSourceCalc(int n) { bedVectorSource(n, false); }
