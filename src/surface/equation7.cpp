// The driver's nine-point surface-height equation with Froude limiters
// (F 36 7 and 9): per water column the change of its level against its four
// side and four diagonal neighbours, weighted by the flow direction and the
// neighbour's Froude number, the head differences by F 233, the critical
// depth of F 246's third value, the corrections of F 246's second value,
// F 283, F 422, F 428, F 322 and the time term of F 405. F 36 9 keeps only
// the column's own row: its change is its source over its diagonal.
#include <algorithm>
#include <cmath>

#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "surface/gridpoints.h"
#include "surface/heightequation.h"
#include "surface/surface.h"
#include "surface/surfacesolver.h"

namespace {

constexpr double kHead = 0.000101937;  // m of water per Pa

inline int cellOr0(int c) { return cellInGrid(c) ? c : 0; }
int topOf(int c) { return cellInGrid(c) ? columnTopCell(c) : 0; }
double topLevel(int t) { return Czcenter[t] + Ckdist[t]; }

double bedValue(const double* a, int c) {
  if (!a || !Cbed || !cellInGrid(c)) return 0.0;
  const int b = Cbed[c];
  return b >= 1 && b < bedCellCapacity() ? a[b] : 0.0;
}

// Head difference (m) between the column of c (top cell t) and the
// neighbour L (top cell T) by F 233, less the difference of their levels.
double headDifference(int c, int t, int L, int T) {
  const double dlev = topLevel(t) - topLevel(T);
  switch (FlagNonHydrostaticSurf) {
    case 6:
      return (bedValue(Bpresavg, c) - bedValue(Bpresavg, L)) * kHead - dlev;
    case 7:
      return clippedHeadDifference((bedValue(Bpresavg, c) - bedValue(Bpresavg, L)) * kHead, t, T);
    case 5:
      return 0.5 * (Cpres[t] + Cpres[c] - Cpres[T] - Cpres[L]) * kHead - dlev;
    default:
      break;
  }
  double b = (Cpres[t] - Cpres[T]) * kHead;
  const double corr = ((Cpres[t] - Cpres[c]) - Cpres[T] + Cpres[L]) * kHead;
  switch (FlagNonHydrostaticSurf) {
    case 1: b -= corr; break;
    case 2: b += corr; break;
    case 3:
    case 4:
      // The cells just below the two top cells (a column's cells carry
      // consecutive numbers upward).
      if (t != c && T != L && cellInGrid(t - 1) && cellInGrid(T - 1)) {
        const double below = ((Cpres[t] - Cpres[t - 1]) - Cpres[T] + Cpres[T - 1]) * kHead;
        b += FlagNonHydrostaticSurf == 3 ? -below : below;
      }
      break;
    default: break;
  }
  return b - dlev;
}

// The critical depth of F 246's third value (0 where its condition fails).
double criticalDepth(int c, double Fr, double depth0) {
  switch (FlagSurfLimit3) {
    case -1: return Fr > 1 ? depth0 : 0.0;
    case -2: return Fr > 1 ? 1.1 * depth0 : 0.0;
    case -3: return Fr > 1 ? Fr * depth0 : 0.0;
    case -4: return Fr > 0.9 ? depth0 : 0.0;
    case -5: return Fr > 1 ? Fr * depth0 : 0.0;
    case -6: return Fr > 0.5 ? depth0 : 0.0;
    case -7: return Fr > 1 ? std::pow(Fr, 0.66666667) * depth0 : 0.0;
    case -8: {
      if (!(Fr >= 1)) return 0.0;
      const int fb = Cflateb[c];
      const double nz = faceInGrid(fb) ? std::clamp(Fvz[fb], -1.0, 1.0) : 1.0;
      const double U = std::sqrt(9.81 * depth0) * Fr;
      if (nz >= 0.9) return U * U / 9.81;
      const double ks = Croughness ? Croughness[c] : 0.0;
      const double M = 26.0 / std::pow(0.3333 * ks, 1.0 / 6.0);
      return std::pow(U / (std::sqrt(std::acos(nz)) * M + 1e-20), 1.5);
    }
    default: return 0.0;
  }
}

}  // namespace

void coeffDriver7Column(int c) {
  if (!cellInGrid(c)) return;
  int L[9], T[9];
  neighbourSlots(c, L);
  for (int k = 0; k < 9; ++k) T[k] = topOf(L[k]);
  const int t = T[0];
  double Fr = bedValue(BFroude, c);
  const double depth0 = bedValue(Bdepth, c);

  double dist[9] = {0}, cosv[9] = {0}, a[9] = {0};
  double dsum = 0.0, gsum = 0.0;
  int count = 0;
  for (int k = 1; k <= 8; ++k) {
    const int n = L[k];
    if (!n) continue;
    const double dx = Cxcenter[n] - Cxcenter[c], dy = Cycenter[n] - Cycenter[c];
    dist[k] = std::sqrt(dx * dx + dy * dy);
    const double U = Cxvel[c] + Cxvel[T[k]], V = Cyvel[c] + Cyvel[T[k]];
    // Water at rest (or two velocities that cancel) has no direction: the
    // cosine is 0 there.
    const double den = std::sqrt(U * U + V * V) * dist[k];
    cosv[k] = den > 0.0 ? (dx * U + dy * V) / den : 0.0;
    ++count;
    dsum += dist[k];
    gsum += std::fabs(cosv[k]);
    if (FlagSurfLimit3 == -5) Fr = std::max(Fr, bedValue(BFroude, n));
  }
  const double S = 0.5 * gsum;
  Cap[c] = 1e-20;
  Csource[c] = 0.0;
  const double crit = criticalDepth(c, Fr, depth0);

  for (int k = 1; k <= 8; ++k) {
    const int n = L[k];
    if (!n) continue;
    const double hd = headDifference(c, t, n, T[k]);
    double dh = dist[k] * std::clamp(hd / (dist[k] + 1e-20), -Diffslope, Diffslope);
    if ((FlagSurfLimit1 == 1 && cosv[k] < 0) || FlagSurfLimit1 == 2) dh = std::max(dh, crit - depth0);
    double w = computeCoeffSurf(cosv[k], bedValue(BFroude, n));
    if (FlagTestNB == 1) w = w * (dsum / (count + 1e-20)) / (dist[k] + 1e-20);
    if (reduceCornersSurf > -0.1 && k % 2 == 0) w *= reduceCornersSurf;
    a[k] = w;
    Csource[c] += dh * w;
    Cap[c] += w;
    if (FlagSurfLimit4 == 1 && Fr > 1 && cosv[k] > 0 && topLevel(t) > topLevel(T[k])) Cap[c] += Fr;
  }

  switch (FlagSurfLimit2) {
    case 1:
      Cap[c] += S * (Fr > 1 ? std::max(0.0, 11.0 - 10.0 * Fr) : std::max(0.0, 10.0 * Fr - 9.0));
      break;
    case 2:
      Cap[c] = std::max(Cap[c], 1.0);
      break;
    case 3:
      Cap[c] += S * (Fr > 1 ? std::max(0.0, 0.2 * (15.0 - 10.0 * Fr)) : std::max(0.0, 0.2 * (10.0 * Fr - 5.0)));
      break;
    case 4:
      if (Cap[c] < 0.01) {
        Cap[c] = 1.0;
        Csource[c] = depth0 * std::pow(Fr * Fr, 0.3333333) - depth0;
      }
      break;
    case 5:
      for (int k = 1; k <= 8; ++k) a[k] *= std::max(0.0, 1.0 - Fr);
      break;
    case 6:
      Csource[c] *= 0.3;
      break;
    default:
      break;
  }
  if (FlagTFS == 7) {
    Can[c] = a[1];
    Caw[c] = a[3];
    Cas[c] = a[5];
    Cae[c] = a[7];
    if (Cann) Cann[c] = a[2];
    if (Caww) Caww[c] = a[4];
    if (Cass) Cass[c] = a[6];
    if (Caee) Caee[c] = a[8];
  }
  if (FlagTimeSurf > 0) Cap[c] += FlagTimeSurf * Fr;
}

void surfaceEquation7(int ref) {
  if (!zval || !Cf) return;
  clearSurfaceEquation(true);
  Ckdist[0] = 0.0;
  if (surfacegrid::onGrid(iPres, jPres)) zval[iPres][jPres][znumber + 1] = GlobZRef;
  const double timeTerm = FlagTFS7 > 0 ? FlagTFS7 / TimeStep : 0.0;
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    if (!surfacegrid::updatedBlock(b)) continue;
    const surfacegrid::Window w = surfacegrid::pointWindow(block[b]);
    for (int i = w.iLo; i <= w.iHi; ++i)
      for (int j = w.jLo; j <= w.jHi; ++j)
        if (const int c = lowestCellOf(i, j)) coeffDriver7Column(c);
  }
  // The time term once per column, also where the windows of two blocks
  // share a line of columns.
  if (FlagTFS7 > 0)
    for (int b = 1; b <= NoBlocks && b < 100; ++b) {
      if (!surfacegrid::updatedBlock(b)) continue;
      const surfacegrid::Window w = surfacegrid::pointWindow(block[b]);
      for (int i = w.iLo; i <= w.iHi; ++i)
        for (int j = w.jLo; j <= w.jHi; ++j) {
          bool earlier = false;
          for (int e = 1; e < b && !earlier; ++e)
            earlier = surfacegrid::updatedBlock(e) && surfacegrid::pointWindow(block[e]).holds(i, j);
          if (earlier) continue;
          if (const int c = lowestCellOf(i, j)) Cap[c] += timeTerm;
        }
    }
  fixDriverRows(ref);
  const int lo = std::max(WCStart, 0), hi = std::min(WCEnd, NoCells);
  for (int c = lo; c <= hi; ++c) Cf[c] = 0.0;
  surfaceSolver(8);
  if (debugging == 'E') surfaceBugtrap(4);
  Cf[0] = 0.0;
  // The values are level changes for F 36 9 as well.
  if (FlagUpdateDownwind != 0)
    surfaceUpdateDownwind();
  else
    surfaceUpdateOf(ColumnValue::Change);
  if (FlagPreventDiv != 0) surfacePreventDiv();
}
