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
#include <vector>

#include "state/log.h"
#include "solvers/columns.h"
#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/groups.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "surface/gridpoints.h"
#include "surface/heightequation.h"
#include "surface/surface.h"

namespace {

constexpr double kHeld = 1e20;  // diagonal of a cell held at zero

// The water (kg/s) that the discharge groups bring in through their
// boundary faces (negative where it leaves): the flow carries no flux on a
// face without a cell beyond it, so a column on an inlet or outlet would
// otherwise see its inflow or outflow as a defect.
// Filled for the rows of one move only.
std::vector<double> groupInflow;

void collectGroupInflow() {
  groupInflow.assign(static_cast<std::size_t>(NoSurfaces) + 1, 0.0);
  for (int g = 1; g <= 9; ++g) {
    const DischargeGroup& G = DischargeStruct[g];
    const int n = groupFaceCount(G);
    if (n <= 0 || !(G.area > 0.0)) continue;
    const double perArea = 1000.0 * 0.001 * DischargeArray[g] / G.area;  // kg/s per m2
    for (int k = 0; k < n; ++k) {
      const int f = G.face[k];
      if (!faceInGrid(f) || (Fcell1[f] != 0 && Fcell2[f] != 0)) continue;
      groupInflow[static_cast<std::size_t>(f)] = (G.inflow == 1 ? 1.0 : -1.0) * perArea * Farea[f];
    }
  }
}

// The flux of face f of cell x along the grid direction (west to east,
// south to north): an inner face carries it from its west or south cell to
// its east or north cell; a boundary face of a discharge group carries the
// group's share.
double flux(int f, int x, bool lowSide) {
  if (!faceInGrid(f)) return 0.0;
  if (Fcell1[f] == 0 || Fcell2[f] == 0) {
    const double in = f < static_cast<int>(groupInflow.size()) ? groupInflow[static_cast<std::size_t>(f)] : 0.0;
    if (in != 0.0 && (Fcell1[f] == x || Fcell2[f] == x)) return lowSide ? in : -in;
  }
  return Fflux[f];
}
double height(int p) { return p >= 1 && p <= NoPoints ? Pz[p] : 0.0; }

// Plan area of the column of lowest cell c: the vertical projection of its
// bottom face.
double planArea(int c) {
  const int f = Cflateb[c];
  if (!faceInGrid(f)) return 0.0;
  const double a = Faz ? std::fabs(Faz[f]) : 0.0;
  return a > 0.0 ? a : Farea[f];
}

// A change larger than the depth of its column comes from a flow whose
// balance has not settled (a move before the flow has converged, F 224): the
// log says so once per run.
bool warnedLarge = false;

void warnLargeChange() {
  if (warnedLarge) return;
  for (int c = 1; c <= NoCells; ++c) {
    if (Ccellb[c] != 0) continue;
    double H = 0.0;
    forColumnUp(c, [&H](int x) { H += Ckdist[x]; });
    if (!(std::fabs(Cf[c]) <= 2.0 * H)) {
      warnedLarge = true;
      logf("Warning: the column water balance (F 36 %d) changed the level of cell %d by %lf m, more than its "
           "depth of %lf m; the flow may not have converged before the surface moved (F 224)\n\n",
           FlagTFS, c, Cf[c], 2.0 * H);
      return;
    }
  }
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
    Ss += flux(Cflates[x], x, true);
    Sw += flux(Cflatew[x], x, true);
    Sn += flux(Cflaten[x], x, false);
    Se += flux(Cflatee[x], x, false);
    t = x;
  });
  // The net inflow through the sides of the whole column: the top cell's
  // own sides also carry the exchange with the cells below it, which moves
  // water within the column and not its level.
  Csource[c] = (Ss + Sw - Sn - Se) * 0.001;
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
  // In a steady run a column that passes on less water than it receives
  // (the flow has not reached it yet, or it is a dead end) would take up the
  // whole imbalance in its level: its diagonal is at least its inflow, so
  // that it changes no more than the columns it receives from. One without
  // any flux keeps its level.
  if (!transient) Cap[c] = std::max(Cap[c], Caw[c] + Cae[c] + Cas[c] + Can[c]);
  if (!(Cap[c] > 0.0)) {
    Cap[c] = 1.0;
    Csource[c] = 0.0;
    Caw[c] = Cas[c] = Can[c] = Cae[c] = 0.0;
  }
}

void surface_continuity() {
  if (!zval || !Cf || NoCells < 1) return;
  collectGroupInflow();
  for (int c = 1; c <= NoCells; ++c) continuityColumnRow(c);
  groupInflow.clear();
  for (int c = 1; c <= NoCells; ++c) Cf[c] = 0.0;
  Cf[0] = 0.0;
  // The fast driver's combined step (equation 1 with F 170) would relax its
  // five fields instead of Cf: the balance is solved as the v equation,
  // which has the sweeps of u.
  const int kept = Equation;
  if (FlagFastWatersolve == 1 && Equation == 1) Equation = 2;
  solver();
  Equation = kept;
  Cf[0] = 0.0;
  warnLargeChange();

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
        const int n = surfacegrid::cornerColumns(i, j, cell);
        const double dz = (Cf[cell[0]] + Cf[cell[1]] + Cf[cell[2]] + Cf[cell[3]]) / (n + 1e-20);
        surfacegrid::setLevel(i, j, zval[i][j][znumber] + dz);
      }
  }
}
