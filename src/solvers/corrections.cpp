// The SIMPLE corrections: the solved pressure correction p' (in Cf) corrects
// the face mass fluxes, the cell velocities and the cell pressure.
#include <omp.h>

#include <algorithm>
#include <cmath>

#include "flow/cellequations.h"
#include "solvers/corrections.h"
#include "solvers/differences.h"
#include "solvers/share.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

// ---- Words of the variants ----

inline bool single(int c) { return Ccellb[c] == 0 && Ccellt[c] == 0; }
inline int lateralCount(int c) { return (Ccellw[c] > 0) + (Ccelle[c] > 0) + (Ccells[c] > 0) + (Ccelln[c] > 0); }
// Thin single cells: strictly below half the minimum height for the fluxes,
// at most half of it for the velocities.
inline bool thinEdgeForFlux(int c) { return single(c) && Ckdist[c] < 0.5 * MinVertDist && lateralCount(c) < 4; }
inline bool thinEdgeForVelocity(int c) {
  return single(c) && Ckdist[c] <= 0.5 * MinVertDist && lateralCount(c) < 4;
}
inline int bottomOf(int c) {
  for (int guard = 0; Ccellb[c] > 0 && guard <= NoCells; ++guard) c = Ccellb[c];
  return c;
}
inline double columnDepth(int c) {
  double h = 0.0;
  for (int k = bottomOf(c), guard = 0; k > 0 && guard <= NoCells; k = Ccellt[k], ++guard) h += 2.0 * Ckdist[k];
  return h;
}
inline double depthFactor(double r) { return r < 1.0 ? r * r : 1.0; }

// ---- Flux rule ----

enum class FluxRule { Every, NotThinEdge, NotThinEdgeBottom2, DepthScaled, TopLayer, None };

FluxRule fluxRule() {
  const int v = FlagSimpleCorrections;
  const bool plain = v == 0 || v == 4 || v == 5 || v == 7 || v == 8 || v == 9 || v == 11 || v == 50 || v == 51;
  if (plain) return FluxRule::Every;
  if (FlagTFS == 11) return FluxRule::TopLayer;
  switch (v) {
    case 1: return FluxRule::NotThinEdge;
    case 2: return FluxRule::NotThinEdgeBottom2;
    case 3: return FluxRule::Every;
    case 6: return FluxRule::DepthScaled;
    default: return FluxRule::None;
  }
}

inline double correctionCoefficient(int f, int c1, int c2) {
  const double d1 = Fdist1[f], d2 = Fdist2[f];
  return 1000.0 * Farea[f] * Farea[f] * (d1 * CinvAp[c2] + d2 * CinvAp[c1]) / (d1 + d2);
}

void correctFluxes(int ff, int fl, const double* p) {
  const FluxRule rule = fluxRule();
  if (rule == FluxRule::None) return;
  // Outside the plain variants the third value of F 69 at 1 leaves out the
  // faces between stacked cells.
  const bool plainVariant = rule == FluxRule::Every && FlagSimpleCorrections != 3;
  const bool skipStacked = !plainVariant && Seiche3 == 1;
  for (int f = ff; f <= fl; ++f) {
    const int c1 = Fcell1[f], c2 = Fcell2[f];
    if (c1 <= 0 || c2 <= 0) continue;
    if (skipStacked && (Ftype1[f] == 5 || Ftype2[f] == 5)) continue;
    double s = 1.0;
    switch (rule) {
      case FluxRule::NotThinEdge:
        if (thinEdgeForFlux(c1) || thinEdgeForFlux(c2)) continue;
        break;
      case FluxRule::NotThinEdgeBottom2:
        if (thinEdgeForFlux(c1) || thinEdgeForFlux(c2)) continue;
        if (lateralCount(bottomOf(c1)) < 2 || lateralCount(bottomOf(c2)) < 2) continue;
        break;
      case FluxRule::DepthScaled:
        s = depthFactor((columnDepth(c1) + columnDepth(c2)) / (2.0 * MinVertDist));
        break;
      case FluxRule::TopLayer:
        if (Ccellt[c1] == 0 && Ccellt[c2] == 0) continue;
        break;
      default: break;
    }
    Fflux[f] += s * correctionCoefficient(f, c1, c2) * (p[c1] - p[c2]);
  }
}

// ---- Velocity rule ----

inline Diffs ruleDiffs(const double* p, int c) {
  return {difference(p, c, Ccellw[c], Ccelle[c]), difference(p, c, Ccells[c], Ccelln[c]),
          difference(p, c, Ccellb[c], Ccellt[c])};
}

// The lateral change of u and v and the change of w for differences d and
// factor f; the velocities are lowered by them.
struct Change {
  double u, v, w;
};

inline Change change(int c, const Diffs& d, double f) {
  const double Ai = CinvAp[c] * Careax[c] * Careax[c], Aj = CinvAp[c] * Careay[c] * Careay[c],
               Ak = CinvAp[c] * Careaz[c] * Careaz[c];
  return {f * (Cdxdi[c] * Ai * d.i + Cdxdj[c] * Aj * d.j), f * (Cdydi[c] * Ai * d.i + Cdydj[c] * Aj * d.j),
          f * (Cdzdi[c] * Ai * d.i + Cdzdj[c] * Aj * d.j + Cdzdk[c] * Ak * d.k)};
}

inline void apply(int c, const Change& ch, bool withW) {
  Cxvel[c] -= ch.u;
  Cyvel[c] -= ch.v;
  if (withW) Czvel[c] -= ch.w;
}

enum class VelocityVariant { V0, V0prime, V1, V2, V3, V4, V5, V6, V7, V8, V9, V10, V11, V20, V30, V50, V51, Damped, None };

VelocityVariant velocityVariant() {
  const int v = FlagSimpleCorrections;
  if (v == 0 && Seiche3 == 0) return VelocityVariant::V0;
  if (v == 50) return VelocityVariant::V50;
  if (v == 51) return VelocityVariant::V51;
  if (FlagDamp3 > 0) return VelocityVariant::Damped;
  if (v == 0 && Seiche3 != 2) return VelocityVariant::V0prime;
  switch (v) {
    case 1: return VelocityVariant::V1;
    case 2: return VelocityVariant::V2;
    case 3: return VelocityVariant::V3;
    case 4: return VelocityVariant::V4;
    case 5: return VelocityVariant::V5;
    case 6: return VelocityVariant::V6;
    case 7: return VelocityVariant::V7;
    case 8: return VelocityVariant::V8;
    case 9: return VelocityVariant::V9;
    case 10: return VelocityVariant::V10;
    case 11: return VelocityVariant::V11;
    case 20: return VelocityVariant::V20;
    case 30: return FlagTFS == 11 ? VelocityVariant::V30 : VelocityVariant::None;
    default: return VelocityVariant::None;
  }
}

// One-sided differences halved where the face toward the missing neighbour
// has (almost) no area.
inline Diffs halvedAtClosedFaces(const double* p, int c) {
  Diffs d = ruleDiffs(p, c);
  const bool w = Ccellw[c] > 0, e = Ccelle[c] > 0, s = Ccells[c] > 0, n = Ccelln[c] > 0;
  if (w != e && Farea[w ? Cflatee[c] : Cflatew[c]] < 1e-10) d.i *= 0.5;
  if (s != n && Farea[s ? Cflaten[c] : Cflates[c]] < 1e-10) d.j *= 0.5;
  return d;
}

// The cap of variant 51 from the size of the first grid cell. Its lengths
// are taken as distances, so that grid lines running toward -x or -y do not
// turn every correction round; a zero size gives no cap.
double cap51() {
  const double v = std::fabs((xval[2][2] - xval[1][2]) * (yval[2][2] - yval[2][1]) * MinVertDist0);
  return v > 0.0 ? 3.0 / v : HUGE_VAL;
}

void correctVelocities(int cf, int cl, const double* p) {
  const VelocityVariant variant = velocityVariant();
  const bool w69 = Seiche3 == 0;
  switch (variant) {
    case VelocityVariant::None: return;
    case VelocityVariant::V0:
      for (int c = cf; c <= cl; ++c) apply(c, change(c, ruleDiffs(p, c), relaxSimpleCorr / Cvol[c]), true);
      return;
    case VelocityVariant::V0prime:
      for (int c = cf; c <= cl; ++c) apply(c, change(c, ruleDiffs(p, c), 1.0 / Cvol[c]), false);
      return;
    case VelocityVariant::V1:
      for (int c = cf; c <= cl; ++c)
        if (!thinEdgeForVelocity(c)) apply(c, change(c, ruleDiffs(p, c), 1.0 / Cvol[c]), w69);
      return;
    case VelocityVariant::V2:
      for (int c = cf; c <= cl; ++c)
        if (!thinEdgeForVelocity(c) && lateralCount(bottomOf(c)) >= 2)
          apply(c, change(c, ruleDiffs(p, c), 1.0 / Cvol[c]), w69);
      return;
    case VelocityVariant::V3:
      for (int c = cf; c <= cl; ++c) {
        const Change ch = change(c, ruleDiffs(p, c), 1.0 / Cvol[c]);
        // The column is judged at its bottom cell: its depth without the top cell.
        const int b = bottomOf(c);
        double h = 0.0;
        for (int k = b, guard = 0; k > 0 && Ccellt[k] > 0 && guard <= NoCells; k = Ccellt[k], ++guard)
          h += 2.0 * Ckdist[k];
        if (h / std::sqrt(Farea[Cflateb[b]]) <= 0.1) {
          const double U = 4.54 * std::pow(h / (Croughness[b] + 1e-20), 0.166667) * std::sqrt(Ckinen[b]);
          Cxvel[c] -= std::clamp(ch.u, -U, U);
          Cyvel[c] -= std::clamp(ch.v, -U, U);
        } else {
          apply(c, ch, true);
        }
      }
      return;
    case VelocityVariant::V4:
    case VelocityVariant::V5:
      for (int c = cf; c <= cl; ++c) {
        Diffs d = ruleDiffs(p, c);
        const bool apart = single(c) && !(Ccellw[c] > 0 && Ccelle[c] > 0) && !(Ccells[c] > 0 && Ccelln[c] > 0);
        if (single(c)) d.k = 0.0;
        if (!apart) {
          apply(c, change(c, d, 1.0 / Cvol[c]), w69);
        } else if (variant == VelocityVariant::V4) {
          const double A = CinvAp[c] * Careax[c] * Careay[c];
          Cxvel[c] -= A * (Cdxdi[c] * d.i + Cdxdj[c] * d.j) / Cvol[c];
          Cyvel[c] -= A * (Cdydi[c] * d.i + Cdydj[c] * d.j) / Cvol[c];
        } else {
          const double Ai = CinvAp[c] * Careax[c] * Careax[c];
          const double limit = 0.2 * std::fabs(Cxvel[c]);
          Cxvel[c] -= std::clamp(Ai * (Cdxdi[c] * d.i + Cdxdj[c] * d.j) / Cvol[c], -limit, limit);
          Cyvel[c] -= Ai * (Cdydi[c] * d.i + Cdydj[c] * d.j) / Cvol[c];
        }
      }
      return;
    case VelocityVariant::V6:
      for (int c = cf; c <= cl; ++c)
        apply(c, change(c, ruleDiffs(p, c), depthFactor(columnDepth(c) / MinVertDist) / Cvol[c]), true);
      return;
    case VelocityVariant::V7:
      for (int c = cf; c <= cl; ++c) {
        const bool open = Farea[Cflatee[c]] > 1e-10 && Farea[Cflaten[c]] > 1e-10 && Farea[Cflates[c]] > 1e-10 &&
                          Farea[Cflatew[c]] > 1e-10;
        if (!single(c) || Ckdist[c] > 0.5 * MinVertDist0 || open)
          apply(c, change(c, ruleDiffs(p, c), 1.0 / Cvol[c]), true);
      }
      return;
    case VelocityVariant::V8:
      for (int c = cf; c <= cl; ++c) apply(c, change(c, halvedAtClosedFaces(p, c), 1.0 / Cvol[c]), true);
      return;
    case VelocityVariant::V9:
      for (int c = cf; c <= cl; ++c) {
        // Without a thixotropic layer every cell moves freely.
        const double r = Cthixorat ? std::min(Cthixorat[c], 1.0) : 1.0;
        apply(c, change(c, halvedAtClosedFaces(p, c), r * r * r / Cvol[c]), true);
      }
      return;
    case VelocityVariant::V10:
      for (int c = cf; c <= cl; ++c)
        apply(c, change(c, thinFaceDiffs(p, c, Ccellw[c], Ccelle[c], Ccells[c], Ccelln[c]), 1.0 / Cvol[c]), w69);
      return;
    case VelocityVariant::V20:
      for (int c = cf; c <= cl; ++c) {
        auto sub = [c](int nb, const int* alt) { return nb > 0 || !alt ? nb : alt[c]; };
        const Diffs d = thinFaceDiffs(p, c, sub(Ccellw[c], CcellAw), sub(Ccelle[c], CcellAe), sub(Ccells[c], CcellAs),
                                      sub(Ccelln[c], CcellAn));
        apply(c, change(c, d, 1.0 / Cvol[c]), w69);
      }
      return;
    case VelocityVariant::V11:
      for (int c = cf; c <= cl; ++c) {
        const double Ak = CinvAp[c] * Careaz[c] * Careaz[c];
        Czvel[c] -= Cdzdk[c] * Ak * difference(p, c, Ccellb[c], Ccellt[c]) / Cvol[c];
      }
      return;
    case VelocityVariant::V30:
      for (int c = cf; c <= cl; ++c) {
        const int t = Ccellt[c], b = Ccellb[c];
        if (t <= 0) continue;
        Diffs d = ruleDiffs(p, c);
        d.k = b > 0 ? 0.5 * (p[t] - p[b]) : p[t] - p[c];
        apply(c, change(c, d, 1.0 / Cvol[c]), w69);
      }
      return;
    case VelocityVariant::V50:
      for (int c = cf; c <= cl; ++c) {
        Diffs d = ruleDiffs(p, c);
        double f = 1.0 / Cvol[c];
        if (single(c)) {
          d.k = 0.0;
          if (lateralCount(c) < 4) f *= 0.5;
        }
        apply(c, change(c, d, f), true);
      }
      return;
    case VelocityVariant::V51: {
      const double cap = cap51();
      for (int c = cf; c <= cl; ++c) apply(c, change(c, ruleDiffs(p, c), std::min(1.0 / Cvol[c], cap)), true);
      return;
    }
    case VelocityVariant::Damped:
      for (int c = cf; c <= cl; ++c) {
        double f = 1.0 / Cvol[c];
        const int bottomFace = Cflateb[c];
        if (Faz[bottomFace] != 0.0 && Barea[Cbed[c]] / Faz[bottomFace] > 1.1) f *= 0.5 / FlagDamp3;
        apply(c, change(c, ruleDiffs(p, c), f), true);
      }
      return;
  }
}

// The water-level change of each column from the difference between the
// mean p' of the column and those of its lateral neighbour columns.
void levelChange(int cf, int cl, const double* p) {
  if ((FlagTFS2 != 1 && FlagTFS2 != 2) || !Bdeltah) return;
  auto meanAbove = [p](int c) {
    double s = 0.0;
    for (int k = c, guard = 0; k > 0 && guard <= NoCells; k = Ccellt[k], ++guard) s += p[k];
    const int n = Bnocells[Cbed[c]];
    return n > 0 ? s / n : 0.0;
  };
  for (int c = cf; c <= cl; ++c) {
    if (Ccellb[c] != 0) continue;
    const double P = meanAbove(c);
    double S = 0.0;
    int n = 0;
    for (int m : {Ccellw[c], Ccelle[c], Ccells[c], Ccelln[c]})
      if (m > 0) {
        S += P - meanAbove(m);
        ++n;
      }
    if (n == 0)
      Bdeltah[Cbed[c]] = 0.0;
    else
      Bdeltah[Cbed[c]] += relax[4] * 0.0001019 * S / n;
  }
}

void slideLayerBounds(int cf, int cl) {
  for (int c = cf; c <= cl; ++c) Cpres[c] = std::max(Cpres[c], 0.0);
  for (int c = cf; c <= cl; ++c) {
    if (Ccellt[c] != 0 || Bcellt[Cbed[c]] == c) continue;
    double d = Ckdist[c];
    for (int x = c, guard = 0; x > 0 && guard <= NoCells; ++guard) {
      Cpres[x] = std::min(Cpres[x], 9810.0 * d);
      const int below = Ccellb[x];
      if (below <= 0) break;
      d += Ckdist[x] + Ckdist[below];
      x = below;
    }
  }
}

void topCellPressure(int cf, int cl) {
  for (int c = cf; c <= cl; ++c) {
    const int b = Ccellb[c];
    if (Ccellt[c] != 0 || b <= 0) continue;
    Cpres[c] = Cpres[b] * Ckdist[c] / (2.0 * Ckdist[c] + Ckdist[b]);
  }
}

}  // namespace

void FilterPressure() {
  double* p = Cf;
  const BlockRecord& B = block[1];
  if (!p || !zval) return;
  for (int i = std::max(B.i1, 0); i <= B.i2 && i < xnumber; ++i)
    for (int j = std::max(B.j1, 0); j <= B.j2 && j < ynumber; ++j)
      for (int c = static_cast<int>(zval[i][j][0]), guard = 0; c > 0 && c <= NoCells && guard <= NoCells;
           c = Ccellt[c], ++guard) {
        double lo = HUGE_VAL, hi = -HUGE_VAL;
        int m = 0;
        for (int nb : {Ccellw[c], Ccelle[c], Ccells[c], Ccelln[c]})
          if (nb > 0) {
            lo = std::min(lo, p[nb]);
            hi = std::max(hi, p[nb]);
            ++m;
          }
        if (m < 1 || m > 3) continue;
        const double delta = 981.0 * std::sqrt(Barea[Cbed[c]]);
        p[c] = std::clamp(p[c], lo - delta, hi + delta);
      }
}

void SimpleCorrectionsBefore() {
  if (FlagFilterPressure == 1) FilterPressure();
}

bool SimpleCorrectionsChunk(int ff, int fl, int cf, int cl) {
  const double* p = Cf;
  if (FlagStressTerm > 0) {
    if (FlagStressTerm == 100)
      for (int c = cf; c <= cl; ++c) Cpres[c] = 0.2 * Csource[c];
    else if (FlagStressTerm == 101)
      for (int c = cf; c <= cl; ++c) Cpres[c] += 0.2 * Csource[c];
    return false;
  }
  correctFluxes(ff, fl, p);
  correctVelocities(cf, cl, p);
  levelChange(cf, cl, p);
  if (FlagSIMPLE <= 1)
    for (int c = cf; c <= cl; ++c) Cpres[c] += relaxPressure * p[c];
  return true;
}

void SimpleCorrectionsAfter(int cf, int cl) {
  if (FlagStressTerm > 0) return;
  // The own face of a cell with a quasi-neighbour list carries the sum of
  // the corrected listed faces, not a correction of its own.
  if (QNFlag > 0) sumQuasiNeighbourFluxes();
  if (FlagCorrTrekant5 > 0) TrekantPresCorr(cf, cl);
  if (FlagFilterPressure == 2 && FlagThixoIsComputing == 1) slideLayerBounds(cf, cl);
  if (FlagTFS == 11) topCellPressure(cf, cl);
}

void SimpleCorrections(int ff, int fl, int cf, int cl) {
  SimpleCorrectionsBefore();
  if (SimpleCorrectionsChunk(ff, fl, cf, cl)) SimpleCorrectionsAfter(cf, cl);
}

void SimpleCorrectionsStage() {
  const int P = NoProcessesSolver;
  if (P == 0 || FlagOpenMP[4] == 1) {
    SimpleCorrections(WFStart, WFEnd, WCStart, WCEnd);
    return;
  }
  SimpleCorrectionsBefore();
#pragma omp parallel
  {
    int begin, end;
    staticShare(P, omp_get_num_threads(), omp_get_thread_num(), begin, end);
    for (int chunk = begin; chunk < end; ++chunk) {
      int f0, f1, c0, c1;
      faceChunk(chunk, f0, f1);
      cellChunk(chunk, c0, c1);
      SimpleCorrectionsChunk(f0, f1, c0, c1);
    }
  }
  SimpleCorrectionsAfter(WCStart, WCEnd);
}
