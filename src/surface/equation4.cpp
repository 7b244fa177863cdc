// The driver's four-neighbour surface-height equations: F 36 4 solves the
// change of every column's water level from the pressure differences to its
// west, south, east and north neighbours, with the limiters of F 246, F 427,
// F 438, F 422, F 431 and F 322; F 36 21 solves the level itself from the
// head slopes. One row per water column at its lowest cell; the fixed rows of
// the reference column and the outlet groups (fixDriverRows), the solve and
// the corner update follow in surfaceEquation4.
#include <algorithm>
#include <cmath>

#include "state/log.h"
#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/groups.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "surface/backwater.h"
#include "surface/gridpoints.h"
#include "surface/heightequation.h"
#include "surface/surface.h"
#include "surface/surfacesolver.h"

namespace {

constexpr double kFixed = 1e20;  // diagonal of a fixed row

int topOf(int c) { return cellInGrid(c) ? columnTopCell(c) : 0; }
double topLevel(int t) { return Czcenter[t] + Ckdist[t]; }
double faceFlux(int f) { return faceInGrid(f) ? Fflux[f] : 0.0; }

int lowestOf(int c) {
  int low = 0;
  forColumnDown(c, [&low](int x) { low = x; });
  return low;
}

double bedArray(const double* a, int b) { return a && b >= 1 && b < bedCellCapacity() ? a[b] : 0.0; }

// Depth and speed of a column: H the sum of the half heights of its cells,
// D = 2H its depth, U the depth-weighted root-mean-square speed, Fr its
// Froude number.
struct ColumnFlow {
  int t = 0;
  double H = 0.0, D = 0.0, U = 0.0, Fr = 0.0;
};

ColumnFlow columnFlow(int c) {
  ColumnFlow k;
  k.t = topOf(c);
  double sum = 0.0;
  forColumnUp(c, [&](int x) {
    k.H += Ckdist[x];
    sum += (Cxvel[x] * Cxvel[x] + Cyvel[x] * Cyvel[x]) * Ckdist[x];
  });
  k.D = 2.0 * k.H;
  k.U = std::sqrt(sum / (k.H + 1e-20));
  k.Fr = k.U / std::sqrt(9.81 * k.D + 1e-20);
  return k;
}

// The four sides in the order west, south, east, north.
struct Side {
  int* nb;           // neighbour relation
  double* coef;      // coefficient of the row
  int* face;         // the cell's face on that side
  int sign;          // flow direction of the friction law
  bool inflowIsPlus; // a positive flux across the face enters the column
  int di, dj;        // the neighbouring column
  int pi1, pj1, pi2, pj2;  // the two grid points of the side (offsets)
};

void sides(Side s[4]) {
  s[0] = {Ccellw, Caw, Cflatew, -1, true, -1, 0, -1, -1, -1, 0};
  s[1] = {Ccells, Cas, Cflates, -1, true, 0, -1, -1, -1, 0, -1};
  s[2] = {Ccelle, Cae, Cflatee, 1, false, 1, 0, 0, -1, 0, 0};
  s[3] = {Ccelln, Can, Cflaten, 1, false, 0, 1, -1, 0, 0, 0};
}

double pointDepth(int i, int j) {
  return surfacegrid::onGrid(i, j) ? zval[i][j][znumber] - zval[i][j][1] : 0.0;
}

double residual(int c) { return Cpres_res && cellInGrid(c) ? std::fabs(Cpres_res[c]) : 0.0; }

bool wasDry(int i, int j) {
  if (!pointcell_old || !surfacegrid::onGrid(i, j)) return true;
  return pointcell_old[i][j] == 0;
}

// The flux across the face of side k: t's face, c's where t has none.
double sideFlux(const Side& s, int t, int c) {
  const int f = s.face[t];
  return faceFlux(f != 0 ? f : s.face[c]);
}

}  // namespace

void coeffDriver4Column(int i, int j, int c) {
  if (!cellInGrid(c)) return;
  Side side[4];
  sides(side);
  const ColumnFlow k = columnFlow(c);
  const int t = k.t;
  const int from = TopBed == 1 ? t : c;
  Csource[c] = 0.0;

  // The inverse speed of the direction term by F 438 (values above 2, which
  // have no direction term of their own, take the top cell's velocity).
  const double ut = Cxvel[t], vt = Cyvel[t];
  const double um = 0.5 * (ut + Cxvel[c]), vm = 0.5 * (vt + Cyvel[c]);
  double flux[4];
  for (int s = 0; s < 4; ++s) flux[s] = sideFlux(side[s], t, c);
  double q;
  if (FlagWeightComp == 1)
    q = 1.0 / std::sqrt(um * um + vm * vm + 1e-20);
  else if (FlagWeightComp == 2)
    q = 2.0 / (std::fabs(flux[0]) + std::fabs(flux[1]) + std::fabs(flux[2]) + std::fabs(flux[3]) + 1e-20);
  else
    q = 1.0 / std::sqrt(ut * ut + vt * vt + 1e-20);

  const double lim = computeLimdepth(k.Fr, k.U, c);

  int nb[4];
  double d[4] = {0, 0, 0, 0}, dx[4] = {0, 0, 0, 0}, dy[4] = {0, 0, 0, 0};
  double dsum = 0.0;
  int count = 0;
  for (int s = 0; s < 4; ++s) {
    nb[s] = topOf(side[s].nb[from]);
    if (!nb[s]) continue;
    dx[s] = Cxcenter[nb[s]] - Cxcenter[t];
    dy[s] = Cycenter[nb[s]] - Cycenter[t];
    d[s] = std::sqrt(dx[s] * dx[s] + dy[s] * dy[s]);
    dsum += d[s];
    ++count;
  }
  const double dmean = dsum / (count + 1e-20);
  const double M0 = SurfMinVertDist0 != 0.0 ? SurfMinVertDist0 : 1e-20;
  const bool lacksNeighbour = !cellInGrid(Ccelle[t]) || !cellInGrid(Ccellw[t]) || !cellInGrid(Ccelln[t]) ||
                              !cellInGrid(Ccells[t]);

  double asum = 0.0;
  for (int s = 0; s < 4; ++s) {
    const Side& S = side[s];
    S.coef[c] = 0.0;
    const int n = nb[s];
    if (!n) continue;
    double g;
    if (FlagWeightComp == 2)
      g = (S.inflowIsPlus ? std::max(flux[s], 0.0) : std::max(-flux[s], 0.0)) * q;
    else if (FlagWeightComp == 1)
      g = (dx[s] * um + dy[s] * vm) * q / (d[s] + 1e-20);
    else
      g = (dx[s] * ut + dy[s] * vt) * q / (d[s] + 1e-20);
    double a = computeCoeffSurf(g, k.Fr);
    if (FlagAddAnbShallow == 1) {
      const double x = 15.0 - (k.D / MinVertDist1) * ValAddAnbShallow;
      if (x > 0) a += std::min(x, 10.0);
    }
    if (FlagTestNB == 1) a = a * dmean / (d[s] + 1e-20);

    double dh;
    if (FlagSurfLimit1 == 3 && (Ccellt[c] == 0 || k.Fr > 1)) {
      const double ks = Croughness ? Croughness[c] : 0.0;
      const double M = 26.0 / std::pow(0.33333 * ks, 1.0 / 6.0);
      dh = computeDhMann(d[s], M, n, t, S.face[t], S.sign);
    } else {
      dh = computeDhSurf(d[s], n, t) * scaleBackwater;
      if (FlagSurfLimit5 == 4 && !(residual(t) + residual(n) <= 0.005)) dh = 0.0;
      if (FlagSurfLimit5 == 5 && !(residual(t) + residual(n) <= SurfResLimit5)) dh = 0.0;
      if (FlagSurfLimit5 == 6 && lacksNeighbour) dh = 0.0;
    }
    if (FlagSurfLimit1 == 1 && g < 0) dh = std::max(dh, lim - k.D);
    if (FlagSurfLimit1 == 2) dh = std::max(dh, lim - k.D);
    if (FlagSurfLimit1 == 5) {
      const double m = std::max(dh, lim - k.D);
      if (g < -0.4)
        dh = m;
      else if (g < 0)
        dh = dh + 2.5 * (dh - m) * g;
    }
    if (FlagSurfLimit5 == 1 || FlagSurfLimit5 == 3) {
      const double h = std::min(pointDepth(i + S.pi1, j + S.pj1), pointDepth(i + S.pi2, j + S.pj2));
      const double r = h / M0 - MinVertDist0;
      if (r <= 0)
        dh = 0.0;
      else if (r < 1)
        dh *= r;
    }
    if ((FlagSurfLimit5 == 2 || FlagSurfLimit5 == 3) && wasDry(i + S.di, j + S.dj)) dh = 0.0;
    Csource[c] += dh * a;
    S.coef[c] = a;
    asum += a;
  }
  Cap[c] = asum + 1e-20;

  if (FlagSurfLimit1 == 6 || FlagSurfLimit1 == 7 || FlagSurfLimit1 == 8) {
    Csource[c] = std::max(Csource[c], Cap[c] * (0.5 * k.U * k.U / 9.81 - k.D));
    if (FlagSurfLimit1 == 6) Csource[c] = std::min(Csource[c], 3.0 * Cap[c] * MinVertDist1);
    if (FlagSurfLimit1 == 8) Cap[c] += 0.1;
  }
  applySurfLimit2(c, i, j, k.Fr);
  switch (FlagTimeSurf) {
    case 1: Cap[c] += k.Fr; break;
    case 4: Cap[c] += 4.0 * k.Fr; break;
    case 5: Cap[c] += 1.0; break;
    case 6: Cap[c] += std::sqrt(std::max(bedArray(Barea, Cbed[c]), 0.0)) / TimeStep; break;
    case 7: Cap[c] += 1.0 / TimeStep; break;
    default: break;
  }
}

void coeffDriver21Column(int i, int j, int c) {
  if (!cellInGrid(c)) return;
  Side side[4];
  sides(side);
  const ColumnFlow k = columnFlow(c);
  const int t = k.t;
  const int from = TopBed == 1 ? t : c;
  Csource[c] = 0.0;
  // The start value: the mean of the column's corner levels.
  double zsum = 0.0;
  int corners = 0;
  for (int m = 0; m < 4; ++m) {
    const int pi = m == 1 || m == 2 ? i - 1 : i, pj = m >= 2 ? j - 1 : j;
    if (!surfacegrid::onGrid(pi, pj)) continue;
    zsum += zval[pi][pj][znumber];
    ++corners;
  }
  if (corners > 0) Cf[c] = zsum / corners;
  const double ut = Cxvel[t], vt = Cyvel[t];
  const double um = 0.5 * (ut + Cxvel[c]), vm = 0.5 * (vt + Cyvel[c]);
  const double q = 1.0 / std::sqrt(um * um + vm * vm + 1e-20);
  double asum = 0.0;
  for (int s = 0; s < 4; ++s) {
    const Side& S = side[s];
    S.coef[c] = 0.0;
    const int n = topOf(S.nb[from]);
    if (!n) continue;
    const double dx = Cxcenter[n] - Cxcenter[t], dy = Cycenter[n] - Cycenter[t];
    const double d = std::sqrt(dx * dx + dy * dy);
    const double g = (dx * ut + dy * vt) * q / (d + 1e-20);
    const double a = computeCoeffSurf(g, k.Fr);
    const double slope = std::clamp((Cpres[t] - Cpres[n]) / (9810.0 * d + 1e-20), -Diffslope, Diffslope);
    Csource[c] += d * slope * scaleBackwater * a;
    S.coef[c] = a;
    asum += a;
  }
  Cap[c] = asum + 1e-20;
}

namespace {

// Fixes the row of column cell c to v.
void fixRow(int c, double v) {
  Cap[c] = kFixed;
  Csource[c] = kFixed * v;
}

void fixGroup(int g, double z, bool levels) {
  if (g < 1 || g > 9) return;
  const DischargeGroup& G = DischargeStruct[g];
  const int n = groupFaceCount(G);
  for (int e = 0; e < n; ++e) {
    const int c = groupFaceCell(G.face[e]);
    if (c == 0 || Ccellb[c] != 0) continue;
    fixRow(c, levels ? z : z - topLevel(topOf(c)));
    if (FlagTFS == 4 && FlagGradSurf == 1 && cellInGrid(Ccellw[c])) Csource[Ccellw[c]] = 0.0;
  }
}

template <typename F>
void forEachDriverColumn(F visit) {
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    if (!surfacegrid::updatedBlock(b)) continue;
    const surfacegrid::Window w = surfacegrid::pointWindow(block[b]);
    for (int i = w.iLo; i <= w.iHi; ++i)
      for (int j = w.jLo; j <= w.jHi; ++j)
        if (const int c = lowestCellOf(i, j)) visit(i, j, c);
  }
}

}  // namespace

void fixDriverRows(int ref) {
  const bool levels = FlagTFS == 21;
  if (!levels && cellInGrid(ref)) {
    const int low = lowestOf(ref);
    fixRow(low, GlobZRef - topLevel(topOf(low)));
  }
  fixGroup(kSurf, GlobZRef, levels);
  if (FlagTFS == 4 || FlagTFS == 7 || FlagTFS == 9) fixGroup(kSurf2, GlobZRef2, levels);
}

void surfaceEquation4(int ref) {
  if (!zval || !Cf) return;
  const bool levels = FlagTFS == 21;
  static bool warned = false;
  if (levels && !warned && !(kSurf >= 1 && kSurf <= 9 && groupFaceCount(DischargeStruct[kSurf]) > 0)) {
    warned = true;
    logf("Warning: F 36 21 holds its levels only at the faces of the outflow group of G 6 (third value); "
         "without them nothing fixes the level of the surface\n\n");
  }
  clearSurfaceEquation(false);
  if (levels) {
    // Every column starts from the level it has, so that a neighbour outside
    // the updated blocks couples with its own level.
    const int lo = std::max(WCStart, 1), hi = std::min(WCEnd, NoCells);
    for (int c = lo; c <= hi; ++c)
      if (Ccellb[c] == 0) Cf[c] = topLevel(topOf(c));
    forEachDriverColumn(coeffDriver21Column);
  } else {
    forEachDriverColumn(coeffDriver4Column);
  }
  fixDriverRows(ref);
  if (!levels) {
    for (int c = 0; c <= NoCells; ++c) Cf[c] = 0.0;
    if (BlockCasulli == 30) backwater();
    if (BlockCasulli == 4) backwaterPres();
  }
  surfaceSolver(solverFroude != 0 ? 43 : 4);
  if (!levels && (debugging == 'D' || debugging == 'E')) surfaceBugtrap(2);
  Cf[0] = 0.0;
  surfaceUpdateOf(levels ? ColumnValue::Level : ColumnValue::Change);
}
