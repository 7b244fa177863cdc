// Filters on the new water levels of the grid points before the grid is
// generated again.
//
// surface_smoother (F 154, weight s = SurfSmoothVal of the neighbours):
//   1, 2 (and below 3)  interior points by the mean of their four neighbours,
//                       the south and north edge points by the two along the
//                       edge; 2 also the west and east edges;
//   3, 4                the same, but only where the columns around a point
//                       are wet; 3 leaves the edges alone;
//   5                   along i only, with a weight of 0 or 1 taken from the
//                       pressure below the column's top cell.
// Every variant starts from a copy of the levels in slot znumber+1 (levels
// that the outlet, nesting or flushing rules wrote into slot znumber alone
// count with their new values), updates in place in the loop order, so that
// a point updated earlier in the sweep enters its neighbours with its new
// value, and writes each new level into both slots. The corner points of a
// block keep their levels.
//
// smoothNewCorners (F 425) draws the grid points on a wet/dry border of
// block 1 towards the mean of their neighbours that are not corners of a dry
// column.
#include <algorithm>
#include <cmath>

#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "surface/gridpoints.h"
#include "surface/surface.h"

using namespace surfacegrid;

namespace {

// Interior mean of four, edge mean of two: s x mean + (1 - s) x own, from the
// working copies.
double fourPoint(int i, int j, double s) {
  const double sum = zsCopy(i - 1, j) + zsCopy(i, j - 1) + zsCopy(i + 1, j) + zsCopy(i, j + 1);
  return 0.25 * s * sum + (1.0 - s) * zsCopy(i, j);
}
double twoPoint(int i, int j, int ia, int ja, int ib, int jb, double s) {
  return 0.5 * s * (zsCopy(ia, ja) + zsCopy(ib, jb)) + (1.0 - s) * zsCopy(i, j);
}

// The block's window must lie on the grid with its edges, else it is skipped.
bool wholeBlock(const BlockRecord& B) {
  return B.i1 >= 1 && B.j1 >= 1 && B.i2 <= xnumber + 1 && B.j2 <= ynumber + 1 && B.i1 <= B.i2 && B.j1 <= B.j2;
}

// F 154 1 and 2 (wetOnly false), 3 and 4 (wetOnly true).
void smoothBlock(const BlockRecord& B, double s, bool allEdges, bool wetOnly) {
  const Window w = pointWindow(B);
  copyLevels(w);
  auto wet = [wetOnly](int i, int j) { return !wetOnly || wetColumn(i, j); };
  const bool edgesAlongI = !wetOnly || allEdges;  // 1, 2 and 4 treat the south and north edges
  for (int i = B.i1; i <= B.i2 - 1; ++i) {
    for (int j = B.j1; j <= B.j2 - 1; ++j)
      if (wet(i, j) && wet(i + 1, j) && wet(i, j + 1) && wet(i + 1, j + 1)) setLevel(i, j, fourPoint(i, j, s));
    if (!edgesAlongI) continue;
    const int js = B.j1 - 1, jn = B.j2;
    if (wet(i, B.j1) && wet(i + 1, B.j1)) setLevel(i, js, twoPoint(i, js, i - 1, js, i + 1, js, s));
    if (wet(i, B.j2) && wet(i + 1, B.j2)) setLevel(i, jn, twoPoint(i, jn, i - 1, jn, i + 1, jn, s));
  }
  if (!allEdges || B.j1 >= B.j2) return;
  const int iw = B.i1 - 1, ie = B.i2;
  for (int j = B.j1; j <= B.j2 - 1; ++j)
    if (wet(B.i1, j) && wet(B.i1, j + 1)) setLevel(iw, j, twoPoint(iw, j, iw, j - 1, iw, j + 1, s));
  for (int j = B.j1; j <= B.j2 - 1; ++j)
    if (wet(B.i2, j) && wet(B.i2, j + 1)) setLevel(ie, j, twoPoint(ie, j, ie, j - 1, ie, j + 1, s));
}

// F 154 5: the weight of the two neighbours along i, 0 or 1. A top cell whose
// pressure below it (in the same column; the top cell's own in a column of
// one cell) is at least three of its heights below zero head gets the
// neighbour mean. The weight never exceeds 1, so that no level is pushed past
// the mean of its neighbours.
double pressureWeight(int i, int j, double s) {
  const double fallback = std::clamp(std::trunc(s), 0.0, 1.0);
  const int t = columnTopCell(lowestCellOf(i, j));
  if (t == 0) return fallback;
  const double h = Ckdist[t];
  const int below = cellBelow(t);
  const double p = Cpres[below != 0 ? below : t];
  if (!(h > 0.0)) return fallback;
  const double r = (1.5 * h - p / 9810.0) / (1.5 * h);
  if (!std::isfinite(r)) return fallback;
  const double n = std::trunc(r);
  const double m = std::max(0.0, std::trunc(n - 0.05));
  const double k = std::trunc(0.5 * m);
  return std::clamp(std::trunc(k + s), 0.0, 1.0);
}

void smoothAlongI(const BlockRecord& B, double s) {
  const Window w = pointWindow(B);
  copyLevels(w);
  for (int i = B.i1; i <= B.i2 - 1; ++i)
    for (int j = B.j1 - 1; j <= B.j2; ++j) {
      const double wt = pressureWeight(i, j, s);
      zsCopy(i, j) = 0.5 * wt * (zs(i - 1, j) + zs(i + 1, j)) + (1.0 - wt) * zs(i, j);
    }
  for (int i = w.iLo; i <= w.iHi; ++i)
    for (int j = w.jLo; j <= w.jHi; ++j) zs(i, j) = zsCopy(i, j);
}

// Column (i, j) has no cell in the current grid.
bool noCellNow(int i, int j) {
  if (!pointbed || !Bcellt) return true;
  const int b = pointbed[i][j];
  return b < 1 || b > NoBCells || Bcellt[b] == 0;
}

}  // namespace

void surface_smoother() {
  if (!zval) return;
  const int flag = SurfSmoothFlag;
  const double s = SurfSmoothVal;
  if (flag >= 6) return;
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    if (!updatedBlock(b) || !wholeBlock(block[b])) continue;
    const BlockRecord& B = block[b];
    if (flag < 3)
      smoothBlock(B, s, flag == 2, false);
    else if (flag == 3 || flag == 4)
      smoothBlock(B, s, flag == 4, true);
    else
      smoothAlongI(B, s);
  }
}

void smoothNewCorners() {
  if (!zval || !wetdryCornerFlag || !ant || NoBlocks < 1 || !wholeBlock(block[1])) return;
  const BlockRecord& B = block[1];
  const Window w = pointWindow(B);
  int** flag = wetdryCornerFlag;

  for (int i = w.iLo; i <= w.iHi; ++i)
    for (int j = w.jLo; j <= w.jHi; ++j) flag[i][j] = 1;
  for (int i = B.i1; i <= B.i2; ++i)
    for (int j = B.j1; j <= B.j2; ++j)
      if (noCellNow(i, j)) flag[i - 1][j - 1] = flag[i][j - 1] = flag[i][j] = flag[i - 1][j] = 0;

  if (FlagSmoothNewCorners == 1) {
    for (int i = B.i1; i <= B.i2; ++i)
      for (int j = B.j1; j <= B.j2; ++j) {
        if (!noCellNow(i, j) || ant[i][j] <= 0) continue;
        for (auto [pi, pj] : {std::pair{i - 1, j - 1}, {i, j - 1}, {i, j}, {i - 1, j}})
          if (flag[pi][pj] == 0) flag[pi][pj] = 2;
      }
  } else if (FlagSmoothNewCorners == 2) {
    auto border = [](int a, int b) { return (a == 0 && b > 0) || (b == 0 && a > 0); };
    for (int i = B.i1; i <= B.i2 - 1; ++i)
      for (int j = B.j1; j <= B.j2 - 1; ++j) {
        if (border(ant[i][j], ant[i + 1][j])) flag[i][j] = flag[i][j - 1] = 2;
        if (border(ant[i][j], ant[i][j + 1])) flag[i][j] = flag[i - 1][j] = 2;
      }
  } else {
    return;
  }

  auto treat = [flag](int i, int j) {
    if (flag[i][j] != 2) return;
    double sum = 0.0;
    int n = 0;
    for (auto [pi, pj] : {std::pair{i - 1, j}, {i + 1, j}, {i, j - 1}, {i, j + 1}})
      if (flag[pi][pj] > 0) {
        sum += zs(pi, pj);
        ++n;
      }
    if (n > 0) setLevel(i, j, 0.5 * sum / n + 0.5 * zs(i, j));
  };
  for (int pass = 0; pass < 4; ++pass) {
    for (int i = B.i1; i <= B.i2 - 1; ++i)
      for (int j = B.j1; j <= B.j2 - 1; ++j) treat(i, j);
    for (int i = B.i1; i <= B.i2 - 1; ++i)
      for (int j = B.j2 - 1; j >= B.j1; --j) treat(i, j);
  }
}
