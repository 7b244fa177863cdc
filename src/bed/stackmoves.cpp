// Moves between layer stacks, and the column levels the moving routines
// compare. Main thread.
#include "bed/stackmoves.h"

#include <algorithm>
#include <cmath>

#include "sediment/layers.h"
#include "sediment/steproutines.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

inline int sizes() { return std::clamp(lnumber, 0, 50); }
inline bool stackCell(int b) { return b >= 1 && b < bedCellCapacity() && BSedDistrib && BlayerTop; }
inline bool column(int i, int j) { return i >= 1 && j >= 1 && i <= xnumber + 1 && j <= ynumber + 1; }

}  // namespace

double stackThickness(int b) {
  if (!stackCell(b) || BlayerTop[b] < 0) return 0.0;
  double s = 0.0;
  for (int k = std::min(BlayerTop[b], NoBedLayers); k >= 0; --k) s += BSedDistrib[k][0][b];
  return s;
}

double stackGrains(int b, int n) {
  if (!stackCell(b) || !Bsolidfraction || BlayerTop[b] < 0 || n < 1 || n > sizes()) return 0.0;
  double s = 0.0;
  for (int k = std::min(BlayerTop[b], NoBedLayers); k >= 0; --k)
    s += BSedDistrib[k][0][b] * Bsolidfraction[k][b] * BSedDistrib[k][n][b];
  return s * Barea[b];
}

bool takeFromStack(int p, double m, StackTake& t) {
  t = StackTake{};
  if (!stackCell(p) || !Bbedchange || !Bsolidfraction || !Bvolleft || BlayerTop[p] < 0) return false;
  m = std::min(m, stackThickness(p));
  if (!(m > 0.0)) return false;
  const int N = sizes();
  double avail[51] = {};
  computeAvailableFractionMeters(p, avail, -m);
  double kept[51];
  for (int n = 1; n <= N; ++n) {
    t.grains[n] = stackGrains(p, n);
    kept[n] = Bvolleft[n][p];
    Bbedchange[n][p] = -avail[n];
  }
  ChangeLayers(p, -m);
  // The deficit of a move is no erosion loss: the receiver gets what left.
  for (int n = 1; n <= N; ++n) {
    t.grains[n] -= stackGrains(p, n);
    Bvolleft[n][p] = kept[n];
  }
  t.depth = m;
  return true;
}

void giveToStack(int q, const StackTake& t, double share) {
  if (!stackCell(q) || !Bbedchange || !(share > 0.0) || !(Barea[q] > 0.0) || !(SolidFrac > 0.0)) return;
  const int N = sizes();
  double change = 0.0;
  for (int n = 1; n <= N; ++n) {
    // Deposits take the solid fraction of new sediment.
    Bbedchange[n][q] = std::max(0.0, share * t.grains[n] / (Barea[q] * SolidFrac));
    change += Bbedchange[n][q];
  }
  if (change > 0.0) ChangeLayers(q, change);
}

double moveStackDepth(int p, int q, double m) {
  if (p == q) return 0.0;
  if (!stackCell(q) || !(Barea[q] > 0.0)) return 0.0;
  StackTake t;
  if (!takeFromStack(p, m, t)) return 0.0;
  giveToStack(q, t, 1.0);
  return t.depth;
}

int columnBedCell(int i, int j) {
  if (!column(i, j) || !pointbed) return 0;
  const int b = pointbed[i][j];
  return b >= 1 && b < bedCellCapacity() ? b : 0;
}

double columnFixedLevel(int i, int j) {
  if (!column(i, j)) return 0.0;
  return 0.25 * (Surfaces[3][i][j] + Surfaces[3][i - 1][j] + Surfaces[3][i][j - 1] + Surfaces[3][i - 1][j - 1]);
}

double columnGridLevel(int i, int j) {
  if (!column(i, j)) return 0.0;
  return 0.25 * (zval[i][j][1] + zval[i - 1][j][1] + zval[i][j - 1][1] + zval[i - 1][j - 1][1]);
}

double columnStackLevel(int i, int j) { return columnFixedLevel(i, j) + stackThickness(columnBedCell(i, j)); }

double columnCentreDistance(int i1, int j1, int i2, int j2) {
  if (!column(i1, j1) || !column(i2, j2)) return 0.0;
  auto centre = [](double** v, int i, int j) { return 0.25 * (v[i][j] + v[i - 1][j] + v[i][j - 1] + v[i - 1][j - 1]); };
  const double dx = centre(xval, i2, j2) - centre(xval, i1, j1);
  const double dy = centre(yval, i2, j2) - centre(yval, i1, j1);
  return std::sqrt(dx * dx + dy * dy);
}
