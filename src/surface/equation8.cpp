// The driver's nine-point surface-height equation from the pressure
// differences between the top cells (F 36 8): the rows of the columns, the
// fixed rows of the reference column and the outlet group, the solve, and
// the corner update.
#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/groups.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "surface/gridpoints.h"
#include "surface/heightequation.h"
#include "surface/surfacesolver.h"

namespace {

constexpr double kFixed = 1e20;  // diagonal of a fixed row

int lowestOf(int c) {
  int low = 0;
  forColumnDown(c, [&low](int x) { low = x; });
  return low;
}

// Fixes the row of column cell c to the change that brings its top level to z.
void fixRow(int c, double z) {
  const int t = columnTopCell(c);
  Cap[c] = kFixed;
  Csource[c] = kFixed * (z - (Czcenter[t] + Ckdist[t]));
}

}  // namespace

void surfaceEquation8(int ref) {
  if (!zval || !Cf) return;
  clearSurfaceEquation(true);
  Ckdist[0] = 0.0;
  if (surfacegrid::onGrid(iPres, jPres)) zval[iPres][jPres][znumber + 1] = GlobZRef;
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    if (!surfacegrid::updatedBlock(b)) continue;
    const surfacegrid::Window w = surfacegrid::pointWindow(block[b]);
    for (int i = w.iLo; i <= w.iHi; ++i)
      for (int j = w.jLo; j <= w.jHi; ++j)
        if (const int c = lowestCellOf(i, j)) coeffTFS8Column(c);
  }
  if (cellInGrid(ref)) fixRow(lowestOf(ref), GlobZRef);
  if (kSurf >= 1 && kSurf <= 9) {
    const DischargeGroup& G = DischargeStruct[kSurf];
    const int n = groupFaceCount(G);
    for (int k = 0; k < n; ++k) {
      const int c = groupFaceCell(G.face[k]);
      if (c != 0 && Ccellb[c] == 0) fixRow(c, GlobZRef);
    }
  }
  const int lo = WCStart < 0 ? 0 : WCStart, hi = WCEnd > NoCells ? NoCells : WCEnd;
  for (int c = lo; c <= hi; ++c) Cf[c] = 0.0;
  surfaceSolver(8);
  if (debugging == 'E') surfaceBugtrap(3);
  Cf[0] = 0.0;
  surfaceUpdate();
}
