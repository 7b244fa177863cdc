// Smoothing of the bed change before and around the bed update:
// smoothBedchange (F 414) passes the deposit of a column that already stands
// too high to its lowest neighbour; bedSmooth4 (F 451) levels humps and
// troughs of the layer-stack bed; computeBedformSmooth (F 553) damps the
// growth of steps between neighbouring columns along j. The last two move
// sediment between the stacks (bed/stackmoves.h). Main thread; no messages.
#include <algorithm>
#include <cmath>

#include "bed/bed.h"
#include "bed/stackmoves.h"
#include "sediment/fractions.h"
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

// The smoothing thickness: F 106 when positive, else the largest grain.
double smoothingThickness() {
  if (TopThickness > 0.0) return TopThickness;
  double t = 0.0;
  for (int n = 1; n <= sizes(); ++n) t = std::max(t, gsize[n]);
  return t;
}

// The stack of bed cell b without its top layer.
double stackBelowTop(int b) {
  if (b < 1 || BlayerTop[b] < 1) return 0.0;
  double s = 0.0;
  for (int k = std::min(BlayerTop[b], NoBedLayers) - 1; k >= 0; --k) s += BSedDistrib[k][0][b];
  return s;
}

// The length s of bedSmooth4: twice the distance between the midpoints of
// the two opposite edges of column (i, j) across the direction.
double edgeSpan(int i, int j, bool alongI) {
  double dx, dy;
  if (alongI) {
    dx = xval[i][j] + xval[i][j - 1] - xval[i - 1][j] - xval[i - 1][j - 1];
    dy = yval[i][j] + yval[i][j - 1] - yval[i - 1][j] - yval[i - 1][j - 1];
  } else {
    dx = xval[i][j] + xval[i - 1][j] - xval[i][j - 1] - xval[i - 1][j - 1];
    dy = yval[i][j] + yval[i - 1][j] - yval[i][j - 1] - yval[i - 1][j - 1];
  }
  return std::sqrt(dx * dx + dy * dy);
}

// Column C between its two neighbours L (west or south) and H (east or
// north): a hump gives half its excess to H and L, a trough takes a quarter
// from each.
void levelTriple(int li, int lj, int ci, int cj, int hi, int hj, bool alongI) {
  const int l = columnBedCell(li, lj), c = columnBedCell(ci, cj), h = columnBedCell(hi, hj);
  if (!l || !c || !h) return;
  const double Ll = columnStackLevel(li, lj), Lc = columnStackLevel(ci, cj), Lh = columnStackLevel(hi, hj);
  const double M = 0.5 * (Ll + Lh), tol = BedSmooth4 * edgeSpan(ci, cj, alongI);
  const double hump = (Lc - M) - tol, trough = (M - Lc) - tol;
  if (hump > 0.0) {
    StackTake t;
    if (takeFromStack(c, 0.5 * hump, t)) {
      giveToStack(h, t, 0.5);
      giveToStack(l, t, 0.5);
    }
  }
  if (trough > 0.0) {
    moveStackDepth(l, c, 0.25 * trough);
    moveStackDepth(h, c, 0.25 * trough);
  }
}

bool stacksReady() {
  return BSedDistrib && BlayerTop && Bbedchange && Bsolidfraction && Bvolleft && pointbed && zval && Surfaces &&
         xval && yval;
}

}  // namespace

void smoothBedchange() {
  if (NoBlocks < 1 || !BSedDistrib || !BlayerTop || !Bedmove || !pointbed || !zval || !Surfaces) return;
  const BlockRecord& B = block[1];
  const double t = smoothingThickness();
  Barea[0] = 0.0;
  Bedmove[0] = 0.0;
  const int i1 = std::max(B.i1, 1), i2 = std::min(B.i2, xnumber + 1);
  const int j1 = std::max(B.j1, 1), j2 = std::min(B.j2, ynumber + 1);
  for (int i = i1; i <= i2; ++i)
    for (int j = j1; j <= j2; ++j) {
      const int b = columnBedCell(i, j);
      if (!b) continue;
      const int c = Bcellt[b];
      if (!cellOk(c)) continue;
      if (!(columnStackLevel(i, j) > columnGridLevel(i, j) + 2.0 * t) || !(Bedmove[b] > 0.0)) continue;
      const int ni[4] = {i - 1, i, i + 1, i}, nj[4] = {j, j - 1, j, j + 1};
      const int side[4] = {Ccellw[c], Ccells[c], Ccelle[c], Ccelln[c]};
      int target = 0;
      double best = 0.0;
      for (int k = 0; k < 4; ++k) {
        const int nb = columnBedCell(ni[k], nj[k]);
        if (!nb) continue;
        const int s = side[k];
        const double bottom = cellOk(s) ? Czcenter[s] - Ckdist[s] : 0.0;
        const double D = columnFixedLevel(ni[k], nj[k]) + stackBelowTop(nb) - bottom;
        if (!(D < 10000.0)) continue;
        if (!target || D < best) target = nb, best = D;
      }
      if (!target || !(FlagSmoothBedchange == 2 || std::fabs(best) > 2.0 * t) || !(Barea[target] > 0.0)) continue;
      // The same volume arrives whatever the two areas.
      const double ratio = Barea[b] / Barea[target];
      if (Bbedchange)
        for (int n = 1; n <= sizes(); ++n) {
          Bbedchange[n][target] += Bbedchange[n][b] * ratio;
          Bbedchange[n][b] = 0.0;
        }
      Bedmove[target] += Bedmove[b] * ratio;
      Bedmove[b] = 0.0;
    }
}

void bedSmooth4() {
  if (FlagBedSmooth4 <= 0 || !stacksReady()) return;
  for (int k = 1; k <= NoBlocks && k < 100; ++k) {
    const BlockRecord& B = block[k];
    if (!treated(B)) continue;
    const int i1 = std::max(B.i1, 1), i2 = std::min(B.i2, xnumber + 1);
    const int j1 = std::max(B.j1, 1), j2 = std::min(B.j2, ynumber + 1);
    for (int i = i1 + 1; i <= i2 - 1; ++i)
      for (int j = j1; j <= j2; ++j) levelTriple(i - 1, j, i, j, i + 1, j, true);
    if (FlagBedSmooth4 != 2) continue;
    for (int j = j1 + 1; j <= j2 - 1; ++j)
      for (int i = i1; i <= i2; ++i) levelTriple(i, j - 1, i, j, i, j + 1, false);
  }
}

void computeBedformSmooth() {
  if (NoBedLayers < 3 || FlagBedformSmooth != 1 || !stacksReady() || !Bedmove) return;
  Bedmove[0] = 0.0;
  for (int k = 1; k <= NoBlocks && k < 100; ++k) {
    const BlockRecord& B = block[k];
    if (!treated(B)) continue;
    const int i1 = std::max(B.i1, 1), i2 = std::min(B.i2, xnumber + 1);
    const int j1 = std::max(B.j1, 1), j2 = std::min(B.j2, ynumber + 1);
    for (int i = i1; i <= i2; ++i)
      for (int j = j1 + 1; j <= j2; ++j) {
        const int a = columnBedCell(i, j - 1), b = columnBedCell(i, j);
        if (!a || !b) continue;
        const double dz = columnGridLevel(i, j) - columnGridLevel(i, j - 1);
        if (dz > 0.0 && Bedmove[b] > Bedmove[a]) {
          const double m = std::min({(Bedmove[b] - Bedmove[a]) * paramBedformSmooth, dz, stackThickness(b)});
          moveStackDepth(b, a, m);
        } else if (dz < 0.0 && Bedmove[b] < Bedmove[a]) {
          const double m = std::min({(Bedmove[a] - Bedmove[b]) * paramBedformSmooth, -dz, stackThickness(a)});
          moveStackDepth(a, b, m);
        }
      }
  }
}
