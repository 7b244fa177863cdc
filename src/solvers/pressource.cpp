// The pressure force on each cell for the momentum equations, by the scheme
// of F 114: plain, piezometric, second-order, inclined, constant-height or
// thin-face differences of the pressure across the cell.
#include <algorithm>
#include <cmath>

#include "solvers/differences.h"
#include "solvers/pressource.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

// The equation the force is for: u, v, or w for anything else.
enum class Component { U, V, W };

inline Component component() { return Equation == 1 ? Component::U : Equation == 2 ? Component::V : Component::W; }

// Subtracts the force of the differences dI, dJ, dK: for u and v half the
// sums of the face-area components of each direction's two faces (the k term
// only in the full form), for w the vertical difference on the top face.
inline void force(Component q, int c, double dI, double dJ, double dK, bool full) {
  if (q == Component::W) {
    Csource[c] -= dK * Faz[Cflatet[c]];
    return;
  }
  const double* a = q == Component::U ? Fax : Fay;
  double f = (a[Cflatew[c]] + a[Cflatee[c]]) * dI + (a[Cflates[c]] + a[Cflaten[c]]) * dJ;
  if (full) f += (a[Cflateb[c]] + a[Cflatet[c]]) * dK;
  Csource[c] -= 0.5 * f;
}

inline double dKfirst(int c) { return difference(Cpres, c, Ccellb[c], Ccellt[c]); }

// Piezometric differences: of p + 9810 z.
inline double piezometric(int n) { return Cpres[n] + 9810.0 * Czcenter[n]; }
inline double piezoDifference(int c, int lo, int hi) { return differenceOf(piezometric, c, lo, hi); }
inline double piezoSecondOrder(int c, int lo, int hi, const int* loLink, const int* hiLink) {
  return secondOrderDifferenceOf(piezometric, c, lo, hi, loLink, hiLink);
}

// The vertical difference and the distance it spans.
struct Vertical {
  double dK, Lk;
};
inline Vertical vertical(int c) {
  const int b = Ccellb[c], t = Ccellt[c];
  const double* p = Cpres;
  const double* k = Ckdist;
  if (b > 0 && t > 0) return {0.5 * (p[t] - p[b]), 0.5 * (2.0 * k[c] + k[t] + k[b])};
  if (t > 0) return {p[t] - p[c], k[t] + k[c]};
  if (b > 0) return {p[c] - p[b], k[c] + k[b]};
  return {0.0, 1e-20};
}

inline double distance(int a, int b, bool horizontalOnly) {
  const double dx = Cxcenter[b] - Cxcenter[a], dy = Cycenter[b] - Cycenter[a];
  const double dz = horizontalOnly ? 0.0 : Czcenter[b] - Czcenter[a];
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// The horizontal difference of one direction from the grid-line difference
// and the vertical gradient: the angle of the pressure gradient from the
// vertical in the plane of the grid line gives its horizontal part. dK is
// raised by 1e-20 for each direction that has a neighbour.
double inclinedDifference(int c, int lo, int hi, double& dK, double Lk) {
  if (lo <= 0 && hi <= 0) return 0.0;
  const double* p = Cpres;
  int a, b;
  double dP, scale;
  if (lo > 0 && hi > 0) {
    a = lo, b = hi, dP = 0.5 * (p[hi] - p[lo]), scale = 0.5;
  } else if (hi > 0) {
    a = c, b = hi, dP = p[hi] - p[c], scale = 1.0;
  } else {
    a = lo, b = c, dP = p[c] - p[lo], scale = 1.0;
  }
  const double D0 = distance(a, b, false);
  const double D = scale * D0, H = scale * distance(a, b, true);
  const double alpha = std::asin((Czcenter[b] - Czcenter[a]) / D0);
  const double beta = 1.570796326 - alpha;
  dK += 1e-20;
  const double x = ((dP * Lk) / (D * dK) - std::cos(beta)) / std::sin(beta);
  const double gamma = std::atan(x);
  return std::sin(gamma) * (dK / (Lk * std::cos(gamma))) * H;
}

// Signed power: the sign of the ratio kept for any exponent.
inline double signedPow(double r, double C) { return std::copysign(std::pow(std::fabs(r), C), r); }

// dK scaled by a factor f: none below 0, f times between 0 and 1, all above.
inline double scaledByFactor(double dK, double f) {
  if (f < 0.0) return 0.0;
  if (f <= 1.0) return f * dK;
  return dK;
}

void constantHeightScheme(int first, int last) {
  const Component q = component();
  for (int c = first; c <= last; ++c)
    if (Bcellt[Cbed[c]] != c) Csource[c] -= d_di_orth_Pres(static_cast<int>(q) + 1, c);
}

void correctedScheme(int first, int last) {
  const Component q = component();
  const double C = CoeffPresSource;
  const double* p = Cpres;
  const double* z = Czcenter;
  for (int c = first; c <= last; ++c) {
    const Vertical vk = vertical(c);
    const double Lk = vk.Lk;
    double dK = vk.dK;
    const int w = Ccellw[c], e = Ccelle[c], s = Ccells[c], n = Ccelln[c];
    double dI = 0.0, dzi = 0.0;
    if (w > 0 && e > 0)
      dI = 0.5 * (p[e] - p[w]), dzi = z[e] - z[w];
    else if (e > 0)
      dI = p[e] - p[c], dzi = z[e] - z[c];
    else if (w > 0)
      dI = p[c] - p[w], dzi = z[c] - z[w];
    const double r = dzi / Lk;
    switch (FlagPresSource) {
      case 0: dI -= C * r * dK; break;
      case 1: dI -= 0.5 * signedPow(r, C) * dK; break;
      case 2: dI -= std::pow(0.5, 1.0 / C) * signedPow(r, C) * dK; break;
      case 3:
      case 6: dI -= std::clamp(0.5 * r, -C, C) * dK; break;
      case 4:
        dI -= 0.5 * r * dK;
        dK = scaledByFactor(dK, 2.0 * (-C - Fvx[Cflatet[c]]));
        break;
      case 5:
        dI -= 0.5 * r * dK;
        dK = scaledByFactor(
            dK, std::fabs(2.0 * Fflux[Cflateb[c]] / (Fflux[Cflatew[c]] + Fflux[Cflatee[c]] + 1e-20)) - C);
        break;
      case 7:
        dI -= 0.5 * r * dK;
        dK *= C;
        break;
      case 8: dI -= std::min(r, C) * dK; break;
      case 9: dI = std::min(dI - 0.5 * r * dK, 9810.0 * 4.0 * Cidist[c] * C); break;
      case 10: dI -= 0.5 * r * std::max(dK, -9810.0 * Lk); break;
      case 11: dI -= 0.5 * r * dK * std::min(1.0, (-dK / Lk) / 9810.0); break;
      case 14: {
        const double k = BFroude ? std::clamp(4.0 * BFroude[Cbed[c]], 0.0, 1.0) : 0.0;
        dI -= C * r * dK * k;
        break;
      }
      default: break;
    }
    double dJ = 0.0;
    if (s > 0 || n > 0) {
      double dzj;
      if (s > 0 && n > 0)
        dJ = 0.5 * (p[n] - p[s]), dzj = z[n] - z[s];
      else if (n > 0)
        dJ = p[n] - p[c], dzj = z[n] - z[c];
      else
        dJ = p[c] - p[s], dzj = z[c] - z[s];
      // F 496 2 and above come with F 114 8 only as a refusal of the reader.
      if (FlagPresLatSource == 0)
        dJ -= C * (dzj / Lk) * dK;
      else if (FlagPresLatSource == 1)
        dJ -= 0.5 * signedPow(dzj / Lk, C) * dK;
    }
    if (q == Component::W) {
      Csource[c] -= vk.dK * Faz[Cflatet[c]];
      continue;
    }
    if (FlagOldPres == 1)
      dK = 0.0;
    else if (FlagOldPres == 2)
      dK *= std::max(0.0, (1.0 - Fvz[Cflatet[c]]) - 0.1);
    force(q, c, dI, dJ, dK, true);
  }
}

template <bool kThixo>
void inclinedScheme(int first, int last) {
  const Component q = component();
  const double* p = Cpres;
  for (int c = first; c <= last; ++c) {
    Vertical vk = vertical(c);
    if constexpr (kThixo) {
      const int b = Ccellb[c], t = Ccellt[c];
      if (b > 0 && t > 0 && Cthixorat && Cthixorat[c] > 1.0 && Cthixorat[b] < 1.0) {
        const double r = Cthixorat[c] - Cthixorat[b];
        const double w1 = r < 1.0 ? r : 1.0, w0 = r < 1.0 ? 1.0 - r : 0.0;
        vk.dK = w1 * (p[t] - p[c]) + w0 * vk.dK;
        vk.Lk = w1 * (Ckdist[t] + Ckdist[c]) + w0 * vk.Lk;
      }
    }
    double dK = vk.dK;
    const double dI = inclinedDifference(c, Ccellw[c], Ccelle[c], dK, vk.Lk);
    const double dJ = inclinedDifference(c, Ccells[c], Ccelln[c], dK, vk.Lk);
    force(q, c, dI, dJ, dK, false);
  }
}

template <bool kSubstitutes>
void thinFaceScheme(int first, int last) {
  const Component q = component();
  const bool have = CcellAw && CcellAe && CcellAs && CcellAn;
  for (int c = first; c <= last; ++c) {
    int w = Ccellw[c], e = Ccelle[c], s = Ccells[c], n = Ccelln[c];
    if (kSubstitutes && have) {
      if (w <= 0) w = CcellAw[c];
      if (e <= 0) e = CcellAe[c];
      if (s <= 0) s = CcellAs[c];
      if (n <= 0) n = CcellAn[c];
    }
    const Diffs d = thinFaceDiffs(Cpres, c, w, e, s, n);
    force(q, c, d.i, d.j, d.k, true);
  }
}

}  // namespace

void pressure_source(int first, int last) {
  const Component q = component();
  const double* p = Cpres;
  const int scheme = FlagPresGrad;
  if (scheme < 0 || first > last) return;
  switch (scheme) {
    case 0:
      for (int c = first; c <= last; ++c)
        force(q, c, difference(p, c, Ccellw[c], Ccelle[c]), difference(p, c, Ccells[c], Ccelln[c]), dKfirst(c), true);
      return;
    case 1:
      for (int c = first; c <= last; ++c)
        force(q, c, piezoDifference(c, Ccellw[c], Ccelle[c]), piezoDifference(c, Ccells[c], Ccelln[c]), dKfirst(c),
              false);
      return;
    case 2:
      for (int c = first; c <= last; ++c)
        force(q, c, piezoSecondOrder(c, Ccellw[c], Ccelle[c], Ccellw, Ccelle), piezoDifference(c, Ccells[c], Ccelln[c]),
              secondOrderDifference(p, c, Ccellb[c], Ccellt[c], Ccellb, Ccellt), false);
      return;
    case 3:
      for (int c = first; c <= last; ++c)
        force(q, c, secondOrderDifference(p, c, Ccellw[c], Ccelle[c], Ccellw, Ccelle),
              secondOrderDifference(p, c, Ccells[c], Ccelln[c], Ccells, Ccelln), dKfirst(c), true);
      return;
    case 4: inclinedScheme<false>(first, last); return;
    case 5:
      for (int c = first; c <= last; ++c)
        force(q, c, difference(p, c, Ccellw[c], Ccelle[c]), difference(p, c, Ccells[c], Ccelln[c]), dKfirst(c), false);
      return;
    case 6: constantHeightScheme(first, last); return;
    case 7: inclinedScheme<true>(first, last); return;
    case 8: correctedScheme(first, last); return;
    case 9:
      for (int c = first; c <= last; ++c) Csource[c] -= d_di_anti_Pres(static_cast<int>(q) + 1, c);
      return;
    case 10:
      for (int c = first; c <= last; ++c) Csource[c] -= d_di_anti_Pres2(static_cast<int>(q) + 1, c);
      return;
    default:
      if (scheme < 20)
        thinFaceScheme<false>(first, last);
      else
        thinFaceScheme<true>(first, last);
  }
}

void presSourceFast() {
  if (!Csourcem || CsourcemRows < 3) return;
  const double* p = Cpres;
  for (int c = WCStart; c <= WCEnd; ++c) {
    const double dI = Seiche5 != 0 ? secondOrderDifference(p, c, Ccellw[c], Ccelle[c], Ccellw, Ccelle)
                                   : difference(p, c, Ccellw[c], Ccelle[c]);
    const double dJ = Seiche5 != 0 ? secondOrderDifference(p, c, Ccells[c], Ccelln[c], Ccells, Ccelln)
                                   : difference(p, c, Ccells[c], Ccelln[c]);
    const double dK = dKfirst(c);
    const int w = Cflatew[c], e = Cflatee[c], s = Cflates[c], n = Cflaten[c], b = Cflateb[c], t = Cflatet[c];
    Csourcem[0][c] -= 0.5 * ((Fax[w] + Fax[e]) * dI + (Fax[s] + Fax[n]) * dJ + (Fax[b] + Fax[t]) * dK);
    Csourcem[1][c] -= 0.5 * ((Fay[w] + Fay[e]) * dI + (Fay[s] + Fay[n]) * dJ + (Fay[b] + Fay[t]) * dK);
    Csourcem[2][c] -= dK * Faz[t];
  }
}
