// Local deepening of the grid where the k equation does not settle (F 395):
// the bottom corners under the bottom cell with the largest k residual are
// lowered to a set depth below the water level.
#include <algorithm>

#include "grid/geometry.h"
#include "state/log.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

bool isCell(int c) { return c >= 1 && c <= NoCells; }

// Lowers point p to the water level of grid line (i, j) less the set depth;
// points and grid lines outside the arrays are left alone.
void lowerTo(int p, int i, int j) {
  if (p < 1 || p > NoPoints || i < 0 || i > xnumber + 1 || j < 0 || j > ynumber + 1) return;
  Pz[p] = std::min(Pz[p], zval[i][j][znumber] - DzModifyGrid);
}

}  // namespace

void ModifyGrid() {
  if (!Bkooi || !Bkooj || !Ckinen_res || !zval || WCStart < 1 || WCEnd < WCStart) return;
  int c = 0;
  double best = 0.0;
  for (int n = WCStart; n <= WCEnd && n <= NoCells; ++n)
    if (Ccellb[n] == 0 && Ckinen_res[n] > best) {
      best = Ckinen_res[n];
      c = n;
    }
  if (c == 0) return;
  const int b = Cbed[c];
  if (b < 1 || b > NoBCells) return;
  const int i = Bkooi[b], j = Bkooj[b];
  lowerTo(Cpoint1[c], i - 1, j - 1);
  lowerTo(Cpoint2[c], i, j - 1);
  lowerTo(Cpoint3[c], i, j);
  lowerTo(Cpoint4[c], i - 1, j);
  if (FlagModifyGrid > 1) {
    if (const int e = Ccelle[c]; isCell(e)) {
      lowerTo(Cpoint2[e], i + 1, j - 1);
      lowerTo(Cpoint3[e], i + 1, j);
    }
    if (const int w = Ccellw[c]; isCell(w)) {
      lowerTo(Cpoint1[w], i - 2, j - 1);
      lowerTo(Cpoint4[w], i - 2, j);
    }
    if (const int s = Ccells[c]; isCell(s)) {
      lowerTo(Cpoint1[s], i - 1, j - 2);
      lowerTo(Cpoint2[s], i, j - 2);
    }
    if (const int nn = Ccelln[c]; isCell(nn)) {
      lowerTo(Cpoint3[nn], i, j + 1);
      lowerTo(Cpoint4[nn], i - 1, j + 1);
    }
  }
  // The same grid with moved corners: measured again as a whole (the group
  // faces stay attached), so that volumes and areas follow the corners.
  const int keep = FlagTestBugMetric;
  FlagTestBugMetric = 1;
  metric();
  FlagTestBugMetric = keep;
  if (debugging == 'D') logf("ModifyGrid algorithm: %d cells, maxresidualcell = %lf\n", c, best);
}
