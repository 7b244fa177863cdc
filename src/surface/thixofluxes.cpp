// The mean level change per slide of the sliding layer (F 236 3): before the
// transient surface moves the mud surface, every slide gets the mean of the
// changes the kinematic condition gives its columns, which the move then
// takes off each of them, so that a slide moves as one body.
//
// The expansion of the layer is written once per move, by the column update
// of the move itself; here it only scales the change.
#include <algorithm>
#include <cmath>

#include "state/log.h"
#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/slidestate.h"
#include "surface/surface.h"

namespace {

double flux(int f) { return faceInGrid(f) ? Fflux[f] : 0.0; }

int subBedBlock() {
  int found = 0;
  for (int b = 0; b <= NoBlocks && b < 100; ++b)
    if (block[b].subBed == 1) found = b;
  return found;
}

double columnChange(int i, int j) {
  const int c0 = lowestCellOf(i, j);
  const int c = columnTopCell(c0);
  const int t = Cflatet[c];
  const double faz = (faceInGrid(t) ? Faz[t] : 0.0) + 1e-20;
  const double net = flux(Cflatee[c]) - flux(Cflatew[c]) + flux(Cflaten[c]) - flux(Cflates[c]) - flux(Cflateb[c]);
  double dz = -net * 0.001 / faz * TimeStep;
  if (dz > 0.0) dz *= ThixoExpansion;
  if (SurfULimit > 0.001) {
    const double U = std::hypot(Cxvel[c], Cyvel[c]);
    dz = U > SurfULimit ? std::min(dz, SurfUFactor * (U - SurfULimit) * TimeStep) : std::min(dz, 0.0);
  }
  int floorCell = c;
  if (FlagSurfUpwind == 1 || FlagSurfUpwind == 2) {
    double H = 0.0, su = 0.0, sv = 0.0;
    forColumnDown(c, [&](int x) {
      H += Ckdist[x];
      su += Cxvel[x] * Ckdist[x];
      sv += Cyvel[x] * Ckdist[x];
      floorCell = x;
    });
    const double U = su / (H + 1e-30), V = sv / (H + 1e-30);
    dz = std::max(dz, (U * U + V * V) / 981.0 - 2.0 * H);
  }
  if (dz < 0.0 && Surfaces && i >= 1 && j >= 1) {
    const double zt = Czcenter[floorCell] + Ckdist[floorCell];
    const double zn = 0.25 * (Surfaces[3][i][j] + Surfaces[3][i - 1][j] + Surfaces[3][i][j - 1] + Surfaces[3][i - 1][j - 1]);
    dz = std::max(dz, -std::max(zt - zn, 0.0));
  }
  return dz;
}

}  // namespace

void computeThixoFluxes() {
  if (BVal[0] == 0) return;
  const int sb = subBedBlock();
  if (sb == 0 || NoBlocks < 0)
    fatal(-99, "Error: the slide list holds slides, but the grid has no sub-bed block to move them in (F 236 3)\n\n");
  for (double& f : kFlux) f = 0.0;
  if (!zval || !pointbed || !Bcellth) return;
  const BlockRecord& B = block[sb];
  for (int i = std::max(B.i1, 1); i <= std::min(B.i2, xnumber + 1); ++i)
    for (int j = std::max(B.j1, 1); j <= std::min(B.j2, ynumber + 1); ++j) {
      const int b = pointbed[i][j];
      if (b < 1 || b > NoBCells) continue;
      if (!cellInGrid(Bcellt[b]) || Ccellt[Bcellt[b]] == 0) continue;
      if (lowestCellOf(i, j) == 0 || Bcellth[b] <= 0) continue;
      const double dz = columnChange(i, j);
      for (int k = 0; k < MaxSlides - 1 && BVal[k] != 0; ++k)
        if (BVal[k] == Bcellth[b]) kFlux[k] += dz;
    }
  // A slide without a counted bed cell is taken as one.
  for (int k = 0; k < MaxSlides - 1 && BVal[k] != 0; ++k) kFlux[k] /= std::max(BNo[k], 1);
}
