// Surface algorithm 10 (F 36 10): the level each water column would have
// without the pressure of its top cell, carried against the flow from the
// reference column (each column the weighted mean of its downstream
// neighbours, weighted by their distance along the flow); supercritical
// columns are held at their critical depth. Every grid point then moves a
// relaxed fraction towards the mean of that level plus the top-cell head of
// the columns around it.
#include <algorithm>
#include <cmath>

#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "surface/gridpoints.h"
#include "surface/heightequation.h"
#include "surface/surface.h"
#include "surface/surfacesolver.h"

namespace {

constexpr double kFixed = 1e20;
constexpr double kHead = 0.0001019;  // m of water per Pa, as this method has it

inline int cellOr0(int c) { return cellInGrid(c) ? c : 0; }

int lowestOf(int c) {
  int low = 0;
  forColumnDown(c, [&low](int x) { low = x; });
  return low;
}

double froudeOf(int c) {
  if (!BFroude || !Cbed) return 0.0;
  const int b = Cbed[c];
  return b >= 1 && b < bedCellCapacity() ? BFroude[b] : 0.0;
}

// Calls visit(i, j) once for every grid point of the updated blocks.
template <typename F>
void forEachUpdatedPoint(F visit) {
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    if (!surfacegrid::updatedBlock(b)) continue;
    const surfacegrid::Window w = surfacegrid::pointWindow(block[b]);
    for (int i = w.iLo; i <= w.iHi; ++i)
      for (int j = w.jLo; j <= w.jHi; ++j) {
        bool earlier = false;
        for (int e = 1; e < b && !earlier; ++e)
          earlier = surfacegrid::updatedBlock(e) && surfacegrid::pointWindow(block[e]).holds(i, j);
        if (!earlier) visit(i, j);
      }
  }
}

}  // namespace

void algo10ColumnRow(int c, double zref) {
  if (!cellInGrid(c)) return;
  const int t = columnTopCell(c);
  const double u = Cxvel[t], v = Cyvel[t];
  const int nb[4] = {cellOr0(Ccellw[c]), cellOr0(Ccelln[c]), cellOr0(Ccelle[c]), cellOr0(Ccells[c])};
  double* coef[4] = {Caw, Can, Cae, Cas};
  double sum = 0.0;
  for (int k = 0; k < 4; ++k) {
    const int n = nb[k];
    double a = 0.0;
    if (n) a = std::max(1e-20, (Cxcenter[n] - Cxcenter[c]) * u + (Cycenter[n] - Cycenter[c]) * v);
    coef[k][c] = a;
    sum += a;
  }
  Cap[c] = sum;
  Csource[c] = 0.0;
  if (!(sum > 0.0)) {
    // A column without neighbours keeps its start value.
    Cap[c] = 1.0;
    Csource[c] = Cf[c];
  }
  if (froudeOf(c) > 1.0) {
    double H = 0.0;
    forColumnUp(c, [&H](int x) { H += Ckdist[x]; });
    const double D = 2.0 * H;
    const double U = froudeOf(c) * std::sqrt(9.81 * D);
    const double hc = std::pow((U * D) * (U * D) / 9.81, 0.3333333);
    const double zb = Czcenter[c] - Ckdist[c];
    Cap[c] = kFixed;
    Csource[c] = kFixed * std::max(zb + hc - kHead * Cpres[t], zref);
  }
}

void surfaceAlgo10(int refCell, double zref) {
  if (!zval || !Cf || NoCells < 1) return;
  Cpres[0] = 0.0;
  Cf[0] = 0.0;
  const int lo = std::max(WCStart, 1), hi = std::min(WCEnd, NoCells);
  for (int c = lo; c <= hi; ++c) {
    if (Ccellb[c] != 0) continue;
    Caw[c] = Cas[c] = Can[c] = Cae[c] = Csource[c] = 0.0;
    Cap[c] = 0.0001;
    Cf[c] = zref;
  }
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    if (!surfacegrid::updatedBlock(b)) continue;
    const surfacegrid::Window w = surfacegrid::pointWindow(block[b]);
    for (int i = w.iLo; i <= w.iHi; ++i)
      for (int j = w.jLo; j <= w.jHi; ++j)
        if (const int c = lowestCellOf(i, j)) algo10ColumnRow(c, zref);
  }
  if (cellInGrid(refCell)) {
    const int r = lowestOf(refCell);
    Cap[r] = kFixed;
    Csource[r] = kFixed * zref;
  }
  surfaceSolver(42);
  Cf[0] = 0.0;
  Cpres[0] = 0.0;

  forEachUpdatedPoint([](int i, int j) {
    if (!lowestCellOf(i, j) && !lowestCellOf(i, j + 1) && !lowestCellOf(i + 1, j + 1) && !lowestCellOf(i + 1, j))
      return;
    int cell[4] = {lowestCellOf(i, j), lowestCellOf(i, j + 1), lowestCellOf(i + 1, j + 1), lowestCellOf(i + 1, j)};
    if (NoBlocks != 1) surfacegrid::cornerColumns(i, j, cell);
    double level = 0.0, head = 0.0;
    int n = 0;
    for (int k : cell) {
      if (!k) continue;
      ++n;
      // The level is solved at the column's lowest cell; with TopBed 1 the
      // head is that of the top cell.
      level += Cf[k];
      head += Cpres[TopBed == 1 ? columnTopCell(k) : k];
    }
    if (n == 0) return;
    const double z = zval[i][j][znumber];
    const double zt = (level + kHead * head) / n;
    surfacegrid::setLevel(i, j, z + RelaxSurface * (zt - z));
  });
}
