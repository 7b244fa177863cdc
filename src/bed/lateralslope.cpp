// Lateral bed-slope transport (F 78 101..199): once per time step, after the
// bed change of the step is known, sediment moves between every pair of
// neighbouring water columns along j from the higher to the lower one, in
// proportion to the bed slope between them and damped by the mobility of the
// giving bed. With two bed layers methods 101..104 work on the active and
// inactive layer in place; with more layers method 101 moves sediment
// through the layer stacks. The moved volume is the same on both sides: the
// receiver's depth is scaled by the ratio of the column areas. Main thread.
#include <algorithm>
#include <cmath>

#include "bed/bed.h"
#include "bed/stackmoves.h"
#include "sediment/morphology.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

inline int sizes() { return std::clamp(lnumber, 0, 50); }
inline bool treated(const BlockRecord& B) { return B.kind == 0 && B.gridLevel == 0 && B.active == 1; }
inline bool cellOk(int c) { return c >= 1 && c <= NoCells; }

// The slope from column A = (i, j-1) up to B = (i, j); 0 where it has no
// length.
double pairSlope(int i, int j) {
  const double L = columnCentreDistance(i, j - 1, i, j);
  if (!(L > 1e-12)) return 0.0;
  return (columnGridLevel(i, j) - columnGridLevel(i, j - 1)) / L;
}

// The mobility divisor sqrt(0.4 theta^2 + 0.06) of a giving bed cell, theta
// the bed shear of its bottom cell over 9810 d50; no d50 gives theta 0.
double mobility(int g) {
  const int c = Bcellt[g];
  double theta = 0.0;
  if (cellOk(c) && Bd50 && Bd50[g] > 0.0) theta = 300.0 * Ckinen[c] / (Bd50[g] * 9810.0);
  return std::sqrt(0.4 * theta * theta + 0.06);
}

inline double speed(int c) { return std::sqrt(Cxvel[c] * Cxvel[c] + Cyvel[c] * Cyvel[c]); }

double activeT103() { return TopThickness >= 0.0 ? TopThickness : gsize[1]; }

// The two-layer move of depth m from the active layer of g to r, the active
// layer of g refilled from below, the receiver's active layer filled to t and
// the rest passed to its inactive layer. Every size keeps its volume.
void twoLayerMove(int g, int r, double m, double t) {
  double*** S = BSedDistrib;
  const int N = sizes();
  double f1g[51];
  for (int n = 1; n <= N; ++n) f1g[n] = S[1][n][g];
  const double t1g = S[1][0][g], t0g = S[0][0][g];
  const double m0 = std::min(m, t0g);
  for (int n = 1; n <= N; ++n) S[1][n][g] = (S[0][n][g] * m0 + f1g[n] * (t1g - m)) / (m0 + (t1g - m) + 1e-20);
  S[0][0][g] = t0g - m0;
  S[1][0][g] = t1g - (m - m0);
  Bedmove[g] -= m;

  const double mr = Barea[r] > 0.0 ? m * Barea[g] / Barea[r] : 0.0;
  const double t1r = S[1][0][r], t0r = S[0][0][r];
  const double mt = std::clamp(t - t1r, 0.0, mr), ml = mr - mt;
  // The excess goes down with the active layer's own composition first, the
  // fed sediment only beyond the whole active layer.
  const double down = std::min(ml, t1r), fedDown = ml - down;
  for (int n = 1; n <= N; ++n) {
    const double f1r = S[1][n][r];
    S[0][n][r] = (f1r * down + f1g[n] * fedDown + S[0][n][r] * t0r) / (t0r + ml + 1e-20);
    S[1][n][r] = (f1r * (t1r - down) + f1g[n] * (mr - fedDown)) / (t1r + mt + 1e-20);
  }
  S[0][0][r] = t0r + ml;
  S[1][0][r] = t1r + mt;
  Bedmove[r] += mr;
}

// The amount of one pair by the two-layer method v; 0 when nothing moves.
double twoLayerAmount(int v, int g, int r, double S, int i, int j) {
  const double P = BedLoadVectorParam, a = std::fabs(S), t1 = BSedDistrib[1][0][g];
  double m = 0.0;
  switch (v) {
    case 101:
      if (!(Bedmove[g] > 0.0)) return 0.0;
      m = std::min(Bedmove[g] * a * P / mobility(g), 0.5 * t1);
      break;
    case 102: {
      const double d = Bedmove[g] - Bedmove[r];
      if (!(d > 0.0)) return 0.0;
      m = std::min(d * a * P / mobility(g), 0.999 * t1);
      break;
    }
    case 103: {
      if (!(t1 > 0.0)) return 0.0;
      const int c = Bcellt[g];
      const double area = Farea[Cflateb[c]];
      if (!(area > 0.0) || !(SolidFrac > 0.0)) return 0.0;
      double C = 0.0;
      for (int n = 1; n <= sizes(); ++n) C += Cconc[n][c];
      m = (2.0 * Ckdist[c] / std::sqrt(area)) * C * speed(c) * (TimeStep / SolidFrac) * a * P / mobility(g);
      m = std::min(m, 0.2 * t1);
      break;
    }
    case 104: {
      const double v0 = zval[i][j][0];
      const int c = v0 >= 1.0 && v0 < NoCells + 1.0 ? static_cast<int>(v0) : 0;
      if (!c) return 0.0;
      m = std::min(Cconc[0][c] * Ckdist[c] * speed(c) * TimeStep * a * P / mobility(g), 0.5 * t1);
      break;
    }
    default: return 0.0;
  }
  return m > 0.0 ? m : 0.0;
}

// One pair of the two-layer bed: A = (i, j-1), B = (i, j).
void twoLayerPair(int v, int i, int j) {
  const int a = columnBedCell(i, j - 1), b = columnBedCell(i, j);
  if (!a || !b || !cellOk(Bcellt[a]) || !cellOk(Bcellt[b])) return;
  for (int g : {a, b})
    if (BSedDistrib[0][0][g] < 0.0) BSedDistrib[0][0][g] = 0.0;
  const double S = pairSlope(i, j);
  if (S == 0.0) return;
  const int g = S > 0.0 ? b : a, r = S > 0.0 ? a : b;
  const double m = twoLayerAmount(v, g, r, S, i, j);
  if (m > 0.0) twoLayerMove(g, r, m, v == 103 ? activeT103() : activeThickness());
}

// One pair of the multi-layer bed by method 101.
void stackPair(int i, int j) {
  const int a = columnBedCell(i, j - 1), b = columnBedCell(i, j);
  if (!a || !b || !cellOk(Bcellt[a]) || !cellOk(Bcellt[b])) return;
  const double S = pairSlope(i, j), P = BedLoadVectorParam;
  if (S > 0.0 && Bedmove[b] > 0.0) {
    const double m = std::min(S * Bedmove[b] * P / mobility(b), stackThickness(b));
    moveStackDepth(b, a, m);
  } else if (S < 0.0 && Bedmove[a] > 0.0) {
    const double m = std::min(-S * Bedmove[a] * P / mobility(a), stackThickness(a));
    moveStackDepth(a, b, m);
  }
}

bool arraysReady() {
  return zval && pointbed && xval && yval && BSedDistrib && BlayerTop && Barea && Bedmove && Bcellt;
}

}  // namespace

void functionLateralSediment(int i, int j) {
  if (!arraysReady() || NoBedLayers != 2) return;
  twoLayerPair(103, i, j);
}

void computeExplicitF78() {
  const int v = BedLoadVectorFlag;
  if (v < 101 || v > 199 || !arraysReady()) return;
  if (NoBedLayers > 2 && v != 101) return;
  if (NoBedLayers < 2) return;
  Barea[0] = 0.0;
  Bedmove[0] = 0.0;
  if (v == 104 && Cconc)
    for (int c = 1; c <= NoCells; ++c) {
      double sum = 0.0;
      for (int n = 1; n <= sizes(); ++n) sum += Cconc[n][c];
      Cconc[0][c] = sum;
    }
  for (int k = 1; k <= NoBlocks && k < 100; ++k) {
    const BlockRecord& B = block[k];
    if (!treated(B)) continue;
    const int i1 = std::max(B.i1, 1), i2 = std::min(B.i2, xnumber + 1);
    const int j1 = std::max(B.j1, 1), j2 = std::min(B.j2, ynumber + 1);
    for (int i = i1; i <= i2; ++i) {
      if (NoBedLayers > 2) {
        if (Bbedchange && Bsolidfraction)
          for (int j = j1 + 1; j <= j2; ++j) stackPair(i, j);
        continue;
      }
      if (v >= 105) continue;  // accepted, moves nothing
      for (int j = j1 + 1; j <= j2; ++j) twoLayerPair(v, i, j);
      if (v == 103)
        for (int j = j2; j >= j1 + 1; --j) twoLayerPair(v, i, j);
    }
  }
}
