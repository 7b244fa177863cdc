// Stabilisers after the SIMPLE corrections, run once per pressure step on the
// main thread over the whole work range, each by its own option and in this
// order: the pressure jump of single cells (F 136), the vertical velocity and
// flux between stacked cells (F 203), the direction of flow of cells that all
// water leaves (F 550 or letter E of F 7).
#include <algorithm>
#include <cmath>

#include "state/log.h"
#include "solvers/columns.h"
#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

// A single cell (nothing above or below it) with at most two lateral
// neighbours is kept within the pressure difference of the water-level slope
// PresGradMax of its closest neighbour (in pressure); the first of equal
// neighbours in the order w, e, s, n is taken.
void limitPressureJumps() {
  for (int c = std::max(WCStart, 1); c <= WCEnd && c <= NoCells; ++c) {
    if (Ccellb[c] > 0 || Ccellt[c] > 0) continue;
    const int side[4] = {Ccellw[c], Ccelle[c], Ccells[c], Ccelln[c]};
    int present = 0, best = -1;
    double dbest = 0.0;
    for (int k = 0; k < 4; ++k) {
      if (side[k] <= 0) continue;
      ++present;
      const double d = std::fabs(Cpres[side[k]] - Cpres[c]);
      if (best < 0 || d < dbest) {
        best = k;
        dbest = d;
      }
    }
    if (best < 0 || present > 2) continue;
    const int m = side[best];
    const double dist = best < 2 ? Cidist[m] + Cidist[c] : Cjdist[m] + Cjdist[c];
    const double L = 9810.0 * PresGradMax * dist;
    Cpres[c] = std::min(std::max(Cpres[c], Cpres[m] - L), Cpres[m] + L);
  }
}

double horizontalSpeed(int c) { return std::sqrt(Cxvel[c] * Cxvel[c] + Cyvel[c] * Cyvel[c]); }

// Limits w of the two cells of every face between stacked cells, and the
// flux through it, by the horizontal speed of the two cells.
void limitVerticalVelocities() {
  for (int f = std::max(WFStart, 1); f <= WFEnd && f <= NoSurfaces; ++f) {
    const int c1 = Fcell1[f], c2 = Fcell2[f];
    if (!cellInGrid(c1) || !cellInGrid(c2) || (Ftype1[f] != 6 && Ftype2[f] != 6)) continue;
    const double S = 0.5 * (horizontalSpeed(c1) + horizontalSpeed(c2));
    double W;
    if (FlagVertVelStab == 1) {
      W = 0.1 * S;
    } else if (FlagVertVelStab == 2) {
      W = Cidist[c1] > 0.0 ? Ckdist[c1] / Cidist[c1] * S : 0.0;
    } else {
      const double r = (Ckdist[c1] + Ckdist[c2]) / (Cidist[c1] + Cidist[c2] + Cjdist[c1] + Cjdist[c2] + 1e-30);
      if (!(r < 0.01)) continue;
      W = r * S;
    }
    Czvel[c1] = std::clamp(Czvel[c1], -W, W);
    Czvel[c2] = std::clamp(Czvel[c2], -W, W);
    const double q = 1000.0 * W * Farea[f];
    Fflux[f] = std::clamp(Fflux[f], -q, q);
  }
}

double fluxOf(int f) { return faceInGrid(f) ? Fflux[f] : 0.0; }

// A cell that every face flux leaves (or that has none) gets the flux of its
// first face with a neighbour, in the order s, w, n, e, b, t, reversed to a
// hundredth of itself. The warning line is written, with letter K in the last
// inner iteration, only where the flux changed.
void correctFlowDirections(int innerIter) {
  const bool report = debugging == 'K' && innerIter == TransInnerIter;
  for (int c = std::max(WCStart, 1); c <= WCEnd && c <= NoCells; ++c) {
    if (Cinout[c] != 0) continue;
    if (!(fluxOf(Cflateb[c]) <= 0.0 && fluxOf(Cflatet[c]) >= 0.0 && fluxOf(Cflates[c]) <= 0.0 &&
          fluxOf(Cflaten[c]) >= 0.0 && fluxOf(Cflatee[c]) >= 0.0 && fluxOf(Cflatew[c]) <= 0.0))
      continue;
    const int nb[6] = {Ccells[c], Ccellw[c], Ccelln[c], Ccelle[c], Ccellb[c], Ccellt[c]};
    const int face[6] = {Cflates[c], Cflatew[c], Cflaten[c], Cflatee[c], Cflateb[c], Cflatet[c]};
    static const char letter[6] = {'s', 'w', 'n', 'e', 'b', 't'};
    for (int k = 0; k < 6; ++k) {
      if (nb[k] <= 0) continue;
      const int f = face[k];
      if (!faceInGrid(f)) break;
      const double old = Fflux[f];
      Fflux[f] = -0.01 * old;
      if (report && old != 0.0) {
        const int b = Cbed[c];
        const bool bedOk = b >= 1 && b < bedCellCapacity();
        logf("WarningSC, Iter %d, [%d,%d], corrected direction of flow%c(%d)\n", Iter, bedOk ? Bkooi[b] : 0,
             bedOk ? Bkooj[b] : 0, letter[k], c);
      }
      break;
    }
  }
}

}  // namespace

void CorrSimpleCorrections(int innerIter) {
  if (PresGradMax > 1e-20) limitPressureJumps();
  if (FlagVertVelStab >= 1 && FlagVertVelStab <= 3) limitVerticalVelocities();
  if (FlagFlowDirCor == 1) correctFlowDirections(innerIter);
}
