// The column water balance of F 36 5 and 6: per water column the net inflow
// through the sides of its top cell raises or lowers its level, and the
// upwind flux through each side couples the change to the column the water
// comes from. The equation is in m3/s: a side of mass flux S (kg/s) and
// doubled mean height D (m) gives 0.001 S / D m2/s per metre of level, the
// storage of a transient step the plan area over the time step. It is solved
// with the cell solver; every grid point then moves by the mean solved change
// of the columns around it.
#include <algorithm>
#include <cmath>

#include "solvers/columns.h"
#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "surface/gridpoints.h"
#include "surface/heightequation.h"
#include "surface/surface.h"

namespace {

constexpr double kHeld = 1e20;  // diagonal of a cell held at zero

double flux(int f) { return faceInGrid(f) ? Fflux[f] : 0.0; }
double height(int p) { return p >= 1 && p <= NoPoints ? Pz[p] : 0.0; }

// Plan area of the column of lowest cell c: the vertical projection of its
// bottom face.
double planArea(int c) {
  const int f = Cflateb[c];
  if (!faceInGrid(f)) return 0.0;
  const double a = Faz ? std::fabs(Faz[f]) : 0.0;
  return a > 0.0 ? a : Farea[f];
}

}  // namespace

void continuityColumnRow(int c) {
  if (!cellInGrid(c)) return;
  Caw[c] = Cas[c] = Can[c] = Cae[c] = Csource[c] = Cat[c] = Cab[c] = 0.0;
  if (Ccellb[c] != 0) {
    Cap[c] = kHeld;
    return;
  }
  const bool transient = TimeStep > 1e-8;
  Cap[c] = transient ? planArea(c) / TimeStep : 0.0;
  double Ss = 0.0, Sw = 0.0, Sn = 0.0, Se = 0.0;
  int t = c;
  forColumnUp(c, [&](int x) {
    Ss += flux(Cflates[x]);
    Sw += flux(Cflatew[x]);
    Sn += flux(Cflaten[x]);
    Se += flux(Cflatee[x]);
    t = x;
  });
  Csource[c] = (flux(Cflates[t]) + flux(Cflatew[t]) - flux(Cflaten[t]) - flux(Cflatee[t])) * 0.001;
  auto P = [](int p) { return height(p); };
  const double Ds = P(Cpoint5[t]) + P(Cpoint6[t]) - P(Cpoint1[c]) - P(Cpoint2[c]) + 1e-20;
  const double Dn = P(Cpoint8[t]) + P(Cpoint7[t]) - P(Cpoint3[c]) - P(Cpoint4[c]) + 1e-20;
  const double Dw = P(Cpoint5[t]) + P(Cpoint8[t]) - P(Cpoint1[c]) - P(Cpoint4[c]) + 1e-20;
  const double De = P(Cpoint7[t]) + P(Cpoint6[t]) - P(Cpoint3[c]) - P(Cpoint2[c]) + 1e-20;
  // South and west carry inflow with a positive flux, north and east with a
  // negative one; an outflow side adds to the diagonal.
  auto side = [c](double S, double D, bool inflowPositive, double* coef) {
    const double a = 0.001 * S / D;
    if (inflowPositive ? a > 0 : a < 0)
      coef[c] = std::fabs(a);
    else
      Cap[c] += std::fabs(a);
  };
  side(Ss, Ds, true, Cas);
  side(Sn, Dn, false, Can);
  side(Sw, Dw, true, Caw);
  side(Se, De, false, Cae);
  // A steady column without outflow has nothing that fixes its change: it
  // keeps its level.
  if (!(Cap[c] > 0.0)) {
    Cap[c] = 1.0;
    Csource[c] = 0.0;
    Caw[c] = Cas[c] = Can[c] = Cae[c] = 0.0;
  }
}

void surface_continuity() {
  if (!zval || !Cf || NoCells < 1) return;
  for (int c = 1; c <= NoCells; ++c) continuityColumnRow(c);
  for (int c = 1; c <= NoCells; ++c) Cf[c] = 0.0;
  Cf[0] = 0.0;
  solver();
  Cf[0] = 0.0;

  // Every grid point of the ordinary blocks of the computed grid, once.
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    const BlockRecord& B = block[b];
    if (B.gridLevel != 0 || B.kind != 0 || B.subBed != 0) continue;
    const surfacegrid::Window w = surfacegrid::pointWindow(B);
    for (int i = w.iLo; i <= w.iHi; ++i)
      for (int j = w.jLo; j <= w.jHi; ++j) {
        bool earlier = false;
        for (int e = 1; e < b && !earlier; ++e) {
          const BlockRecord& E = block[e];
          earlier = E.gridLevel == 0 && E.kind == 0 && E.subBed == 0 && surfacegrid::pointWindow(E).holds(i, j);
        }
        if (earlier) continue;
        if (!lowestCellOf(i, j) && !lowestCellOf(i, j + 1) && !lowestCellOf(i + 1, j + 1) && !lowestCellOf(i + 1, j))
          continue;
        int cell[4];
        const int n = fillCornerColumns(i, j, cell);
        const double dz = (Cf[cell[0]] + Cf[cell[1]] + Cf[cell[2]] + Cf[cell[3]]) / (n + 1e-20);
        surfacegrid::setLevel(i, j, zval[i][j][znumber] + dz);
      }
  }
}
