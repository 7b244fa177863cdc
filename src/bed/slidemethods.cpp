// The slide methods 200..207 of the sand-slide step: 200, 201 and 207 tilt
// the bed plane of a column steeper than the angle of repose back to it
// about the column's centre; 202, 203 and 204 move sediment from a column to
// its lower neighbour through the layer stacks; 205 and 206 move the bed
// change the sediment step has computed but not yet applied. Main thread;
// every change is seen by the pairs and columns after it.
#include <algorithm>
#include <cmath>

#include "bed/sandslide.h"
#include "bed/stackmoves.h"
#include "physics/bedshear.h"
#include "sediment/layers.h"
#include "sediment/steproutines.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

inline int sizes() { return std::clamp(lnumber, 0, 50); }
inline bool treated(const BlockRecord& B) { return B.kind == 0 && B.gridLevel == 0 && B.active == 1; }

int lowestCell(int i, int j) {
  if (i < 0 || j < 0 || i > xnumber + 1 || j > ynumber + 1) return 0;
  const double v = zval[i][j][0];
  return v >= 1.0 && v < static_cast<double>(NoCells) + 1.0 ? static_cast<int>(v) : 0;
}

// ---- Tilting the bed plane (200, 201, 207) ----

void tiltColumn(int method, int i, int j) {
  const int c = lowestCell(i, j);
  if (!c) return;
  double crit = AngleAvalanche;
  if (method == 201) {
    const int f = Cflateb[c];
    const double w = (dotproduct(Fvx[f], Fvy[f], Cxvel[c], Cyvel[c]) + 1.0) * 0.5;
    crit = (1.0 - w) * AngleAvalancheUp + w * AngleAvalanche;
  } else if (FlagBedAngles > 1 && Bavalanche) {
    const int b = Cbed[c];
    if (b >= 1 && b < bedCellCapacity()) crit = Bavalanche[b];
  }
  const double phi = std::atan(crit);
  // Corners 1..4: (i-1, j-1), (i, j-1), (i, j), (i-1, j).
  const int ci[4] = {i - 1, i, i, i - 1}, cj[4] = {j - 1, j - 1, j, j};
  double x[4], y[4], z[4];
  for (int k = 0; k < 4; ++k) x[k] = xval[ci[k]][cj[k]], y[k] = yval[ci[k]][cj[k]], z[k] = zval[ci[k]][cj[k]][1];
  const double d1x = x[2] - x[0], d1y = y[2] - y[0], d1z = z[2] - z[0];
  const double d2x = x[1] - x[3], d2y = y[1] - y[3], d2z = z[1] - z[3];
  const double nx = d2y * d1z - d2z * d1y, ny = d2z * d1x - d2x * d1z, nz = d2x * d1y - d2y * d1x;
  const double N = std::sqrt(nx * nx + ny * ny + nz * nz);
  const double cz = nz / (N + 1e-20);
  const double theta = std::acos(std::clamp(cz, -1.0, 1.0));
  double t = 1e300;
  for (int k = 0; k < 4; ++k) t = std::min(t, z[k] - Surfaces[3][ci[k]][cj[k]]);
  const double g = method == 207 ? std::sin(theta - phi) : std::tan(theta - phi);
  if (!(cz < std::cos(phi)) || !(t > 2.0 * g * std::sqrt(N))) return;
  const double cphi = std::cos(phi);
  const double s = std::sqrt((1.0 - cphi * cphi) / (1.0 - cz * cz));
  const double nxp = nx / (N + 1e-20) * s, nyp = ny / (N + 1e-20) * s;
  const double nzp = method == 207 ? cphi : std::sqrt(std::max(0.0, 1.0 - nxp * nxp - nyp * nyp));
  if (!(nzp > 0.0)) return;
  const double xc = 0.25 * (x[0] + x[1] + x[2] + x[3]), yc = 0.25 * (y[0] + y[1] + y[2] + y[3]);
  const double zc = 0.25 * (z[0] + z[1] + z[2] + z[3]);
  const double D = nxp * xc + nyp * yc + nzp * zc;
  double zn[4];
  bool clipped[4] = {};
  for (int k : {2, 3, 0, 1}) {
    double zp = (D - nxp * x[k] - nyp * y[k]) / nzp;
    const double fixed = Surfaces[3][ci[k]][cj[k]];
    if (zp < fixed) zp = fixed, clipped[k] = true;
    zn[k] = zp;
  }
  // The mean level is held: a corner raised to the fixed bed stays there and
  // the others take its share of the lowering, none below its fixed bed.
  double rest = 4.0 * zc - (zn[0] + zn[1] + zn[2] + zn[3]);
  if (rest >= 0.0) {
    for (int k = 0; k < 4; ++k) zn[k] += 0.25 * rest;
  } else {
    for (int pass = 0; pass < 4 && rest < -1e-15; ++pass) {
      int free = 0;
      for (int k = 0; k < 4; ++k) free += clipped[k] ? 0 : 1;
      if (free == 0) break;
      const double each = rest / free;
      for (int k = 0; k < 4; ++k) {
        if (clipped[k]) continue;
        const double fixed = Surfaces[3][ci[k]][cj[k]];
        const double drop = std::max(each, fixed - zn[k]);
        zn[k] += drop;
        rest -= drop;
        if (zn[k] <= fixed) clipped[k] = true;
      }
    }
  }
  for (int k = 0; k < 4; ++k) {
    zval[ci[k]][cj[k]][1] = zn[k];
    Surfaces[1][ci[k]][cj[k]] += zn[k] - z[k];
  }
}

// ---- Moves between neighbouring columns ----

// Level of column (i, j) for the layer methods: 202..204 the stack level,
// 205 with the pending change added, 206 the grid level.
double pairLevel(int method, int i, int j) {
  if (method == 206) return columnGridLevel(i, j);
  double L = columnStackLevel(i, j);
  if (method == 205) L += Bedmove[columnBedCell(i, j)];
  return L;
}

double critical(int i, int j, int i2, int j2) { return AngleAvalanche * columnCentreDistance(i, j, i2, j2); }

// 203: the top layer of p onto q, its thickness scaled by the areas so that
// the volume is the same; a column keeps its layer 0.
void moveTopLayer(int p, int q) {
  if (BlayerTop[p] < 1 || !(Barea[q] > 0.0)) return;
  const int full = NoBedLayers - 1;
  if (BlayerTop[q] >= full) {
    JoinLayers(q, FindJoinLayer(q));
    if (BlayerTop[q] >= full) return;
  }
  const int tp = BlayerTop[p], tq = BlayerTop[q] + 1;
  BSedDistrib[tq][0][q] = BSedDistrib[tp][0][p] * Barea[p] / Barea[q];
  for (int n = 1; n <= sizes(); ++n) BSedDistrib[tq][n][q] = BSedDistrib[tp][n][p];
  Bsolidfraction[tq][q] = Bsolidfraction[tp][p];
  BSedDistrib[tp][0][p] = 0.0;
  BlayerTop[p] = tp - 1;
  BlayerTop[q] = tq;
}

// From (pi, pj) to (qi, qj) when it stands higher by more than crit.
void layerPair(int method, int pi, int pj, int qi, int qj) {
  const int p = columnBedCell(pi, pj), q = columnBedCell(qi, qj);
  if (!p || !q) return;
  const double diff = pairLevel(method, pi, pj) - pairLevel(method, qi, qj);
  const double crit = critical(pi, pj, qi, qj);
  if (!(diff > crit)) return;
  if (method == 203)
    moveTopLayer(p, q);
  else
    moveStackDepth(p, q, (diff - crit) * 0.5);
}

// 205 and 206 on (i, j) and (i + 1, j): the higher gives to the lower.
void pendingPair(int method, int i, int j) {
  const int a = columnBedCell(i, j), b = columnBedCell(i + 1, j);
  if (!a || !b) return;
  const double La = pairLevel(method, i, j), Lb = pairLevel(method, i + 1, j);
  const int p = La >= Lb ? a : b, q = La >= Lb ? b : a;
  const double diff = std::fabs(La - Lb), crit = critical(i, j, i + 1, j);
  if (!(diff > crit)) return;
  const int N = sizes();
  if (method == 205) {
    const double m = (diff - crit) * 0.5;
    double avail[51] = {};
    computeAvailableFractionMeters(p, avail, -m);
    Bedmove[p] -= m;
    Bedmove[q] += m;
    for (int n = 1; n <= N; ++n) {
      Bbedchange[n][p] -= avail[n];
      Bbedchange[n][q] += avail[n];
    }
    return;
  }
  if (!(Bedmove[p] > 0.0)) return;  // a pending erosion stays
  Bedmove[q] += Bedmove[p];
  Bedmove[p] = 0.0;
  for (int n = 1; n <= N; ++n) {
    Bbedchange[n][q] += Bbedchange[n][p];
    Bbedchange[n][p] = 0.0;
  }
}

void blockMethod(int method, const BlockRecord& B) {
  const int i1 = std::max(B.i1, 1), i2 = std::min(B.i2, xnumber + 1);
  const int j1 = std::max(B.j1, 1), j2 = std::min(B.j2, ynumber + 1);
  switch (method) {
    case 200:
    case 201:
    case 207:
      for (int i = i1; i <= i2; ++i)
        for (int j = j1; j <= j2; ++j) tiltColumn(method, i, j);
      if (method == 207)
        for (int i = i2; i >= i1; --i)
          for (int j = j2; j >= j1; --j) tiltColumn(method, i, j);
      break;
    case 202:
      for (int i = i1; i <= i2; ++i) {
        for (int j = j1; j <= j2 - 1; ++j) layerPair(method, i, j, i, j + 1);
        for (int j = j2 - 1; j >= j1; --j) layerPair(method, i, j + 1, i, j);
      }
      [[fallthrough]];
    case 203:
      for (int j = j1; j <= j2; ++j) {
        for (int i = i1; i <= i2 - 1; ++i) layerPair(method, i, j, i + 1, j);
        for (int i = i2 - 1; i >= i1; --i) layerPair(method, i + 1, j, i, j);
      }
      break;
    case 204:
      for (int i = i1; i <= i2 - 1; ++i)
        for (int j = j1; j <= j2; ++j) {
          if (pairLevel(method, i, j) >= pairLevel(method, i + 1, j))
            layerPair(method, i, j, i + 1, j);
          else
            layerPair(method, i + 1, j, i, j);
        }
      break;
    default:  // 205, 206
      for (int i = i1; i <= i2 - 1; ++i)
        for (int j = j1; j <= j2; ++j) pendingPair(method, i, j);
      break;
  }
}

bool arraysFor(int method) {
  if (!zval || !Surfaces || !xval || !yval || !pointbed) return false;
  if (method == 200 || method == 201 || method == 207) return Cbed && Cflateb;
  if (!BSedDistrib || !BlayerTop || !Bedmove) return false;
  if (method == 206) return Bbedchange != nullptr;
  return Bbedchange && Bsolidfraction && Bvolleft;
}

}  // namespace

void slideMethod(int method) {
  if (method < 200 || method > 207 || !arraysFor(method)) return;
  Barea[0] = 0.0;
  if (Bedmove) Bedmove[0] = 0.0;
  if (Cbed) Cbed[0] = 0;
  for (int k = 1; k <= NoBlocks && k < 100; ++k)
    if (treated(block[k])) blockMethod(method, block[k]);
}
