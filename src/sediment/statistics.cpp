// The time step of F 350, the cross-section flux correction of F 413 1, the
// near-bed density-current statistics of F 71 and the running morphology
// statistics of F 404: per-step routines of the sediment time loop, serial,
// on the main thread.
#include <algorithm>
#include <cmath>

#include "state/log.h"
#include "sediment/morphology.h"
#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

bool bedCellOk(int b) { return b >= 1 && b < bedCellCapacity(); }
int blockCount() { return std::clamp(NoBlocks, 0, 99); }
int clampI(int i) { return std::clamp(i, 0, xnumber + 1); }
int clampJ(int j) { return std::clamp(j, 0, ynumber + 1); }

// Columns (i, j) of the window of block n that lie inside the block grid.
template <class F>
void forBlockColumns(const BlockRecord& B, F visit) {
  for (int i = std::max(B.i1, 0); i <= std::min(B.i2, xnumber + 1); ++i)
    for (int j = std::max(B.j1, 0); j <= std::min(B.j2, ynumber + 1); ++j) visit(i, j);
}

}  // namespace

void computeTimestep() {
  // Without a positive discharge in group 1 (no flow yet, or a group that
  // takes no water in) the ratio has no meaning: the step at the reference
  // discharge stays, never below the smallest step.
  const double q = DischargeArray[1];
  double step = maxTimeStep;
  if (q > 0.0 && QRefTimeStep > 0.0) step = maxTimeStep * std::pow(1000.0 * QRefTimeStep / q, powTimeStep);
  if (!std::isfinite(step)) step = maxTimeStep;
  TimeStep = std::max(minTimeStep, step);
}

void correctContinuity() {
  if (NoBlocks < 1 || !zval || !Cflatee || !Fflux) return;
  const BlockRecord& B = block[1];
  const double Q = DischargeArray[1];
  for (int i = clampI(B.i1); i <= std::min(B.i2, xnumber + 1); ++i) {
    double F = 0.0;
    for (int j = clampJ(B.j1); j <= std::min(B.j2, ynumber + 1); ++j)
      forColumnUp(lowestCellOf(i, j), [&](int c) {
        const int f = Cflatee[c];
        if (faceInGrid(f)) F += Fflux[f];
      });
    const double factor = Q / (F + 1e-20);
    for (int j = clampJ(B.j1); j <= std::min(B.j2, ynumber + 1); ++j)
      forColumnUp(lowestCellOf(i, j), [&](int c) {
        const int f = Cflatee[c];
        if (faceInGrid(f)) Fflux[f] *= factor;
      });
  }
}

void computeDensityStat(int first, int last) {
  if (NoBlocks < 1 || !pointbed || !BTheight || !BTdischarge || !BTugrad) return;
  const BlockRecord& B = block[1];
  for (int i = std::max(first, 0); i <= std::min(last, xnumber + 1); ++i)
    for (int j = clampJ(B.j1); j <= std::min(B.j2, ynumber + 1); ++j) {
      const int b = pointbed[i][j];
      if (!bedCellOk(b)) continue;
      double h = 0.0, q = 0.0, umax = 0.0;
      const int lowest = lowestCellOf(i, j);
      // The walk ends after the first cell above the lowest whose velocity
      // turns against the cell numbered one below it: the top of the
      // current running along the bed.
      for (int c = lowest, n = 0; cellInGrid(c) && n < NoCells; c = cellAbove(c), ++n) {
        h += Ckdist[c];
        q += Ckdist[c] * Cxvel[c];
        umax = std::max(umax, Cxvel[c]);
        if (c != lowest && Cxvel[c] < 0.0 && c - 1 >= 1 && Cxvel[c - 1] > 0.0) break;
      }
      BTheight[b] = 2.0 * h;
      BTdischarge[b] = 2.0 * q;
      BTugrad[b] = 2.0 * h / std::max(umax, TDvelo);
    }
}

void computeMorphStatistics() {
  if (!Surfaces || !pointbed || surfaceCount() < 7) return;
  const int L = blockCount();
  auto active = [](const BlockRecord& B) { return B.active == 1; };
  if (MorphInitiated == 0) {
    for (int n = 1; n <= L; ++n)
      if (active(block[n]))
        forBlockColumns(block[n], [](int i, int j) { Surfaces[5][i][j] = Surfaces[6][i][j] = 0.0; });
    MorphInitiated = 1;
  }
  const double R = RelaxMorphStatistics;
  for (int n = 1; n <= L; ++n) {
    if (!active(block[n])) continue;
    forBlockColumns(block[n], [R](int i, int j) {
      const int b = pointbed[i][j];
      if (!bedCellOk(b)) return;
      const double move = Bedmove[b];
      if (FlagMorphStatistics == 5)
        Surfaces[5][i][j] += move;
      else
        Surfaces[5][i][j] = (1.0 - R) * Surfaces[5][i][j] + R * move;
      const int c = Bcellt[b];
      if (!cellInGrid(c)) return;
      const int t = columnTopCell(c);
      double angle = 0.0;
      if (t != c) {
        const double ub = Cxvel[c], vb = Cyvel[c], ut = Cxvel[t], vt = Cyvel[t];
        // 180/3.1415 rather than 180/pi: the statistics files have always
        // held angles in this measure.
        angle = 57.29746936176985 *
                std::asin(std::clamp((ub * vt - vb * ut) / std::sqrt((ub * ub + vb * vb) * (ut * ut + vt * vt) + 1e-20),
                                     -1.0, 1.0));
      }
      Surfaces[6][i][j] = (1.0 - R) * Surfaces[6][i][j] + R * angle;
    });
  }
}
