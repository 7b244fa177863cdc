// The level corrections just before a grid build: the rise of the grid
// lines of block 1 to the lowest allowed level of the wet columns around
// them (F 371), and the lowering of stagnant shallow water to just above the
// bed, so that the next build drops the pond (F 379).
#include <algorithm>

#include "grid/gridsplit.h"
#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "surface/gridpoints.h"
#include "surface/surface.h"

namespace {

// The four columns that share grid line (i, j) as a corner.
constexpr int kCornerColumns[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};

}  // namespace

void NoGridSplitRise() {
  if (!Bminwaterlevel || !pointbed || NoBlocks < 1) return;
  const surfacegrid::Window w = surfacegrid::pointWindow(block[1]);
  for (int i = w.iLo; i <= w.iHi; ++i)
    for (int j = w.jLo; j <= w.jHi; ++j) {
      double m = -1e20;
      for (const auto& d : kCornerColumns) {
        const int ci = i + d[0], cj = j + d[1];
        if (lowestCellOf(ci, cj) == 0) continue;
        const int b = pointbed[ci][cj];
        if (b >= 1 && b <= NoBCells) m = std::max(m, Bminwaterlevel[b]);
      }
      if (m > -100.0 && m > zval[i][j][znumber]) surfacegrid::setLevel(i, j, m);
    }
}

void reducePonds() {
  if (!Ckinen) return;
  const double limit = CritReducePonds * MinVertDist0;
  for (int bl = 1; bl <= NoBlocks && bl < 100; ++bl) {
    if (!surfacegrid::updatedBlock(bl)) continue;
    const surfacegrid::Window w = surfacegrid::pointWindow(block[bl]);
    for (int i = w.iLo; i <= w.iHi; ++i)
      for (int j = w.jLo; j <= w.jHi; ++j) {
        double s = -1e20;
        for (const auto& d : kCornerColumns) {
          const int c = lowestCellOf(i + d[0], j + d[1]);
          if (c != 0) s = std::max(s, 300.0 * Ckinen[c]);
        }
        if (!(s > 0.0 && s < ShearReducePonds)) continue;
        const double bed = zval[i][j][1];
        double& zs = zval[i][j][znumber];
        if (zs - bed < limit) zs = std::min(zs, bed + 0.5 * MinVertDist0);
      }
  }
}
