// Corrections on the cross-sections of block 1 (grid line i with all its
// columns j1..j2, each column from its lowest cell up): the face fluxes pushed
// toward the inflow discharge or their vertical part damped (F 360), and the
// first cross-sections held to the inflow discharge (F 413 2 and 3). Main
// thread only, between the parallel stages.
#include <algorithm>
#include <cmath>

#include "flow/stages.h"
#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

double flux(int f) { return faceInGrid(f) ? Fflux[f] : 0.0; }
void scale(int f, double factor) {
  if (faceInGrid(f)) Fflux[f] *= factor;
}

// Calls visit(c, k) for every cell of cross-section i, k counting the cells
// of each column from 1 at its lowest cell.
template <typename F>
void forSection(int i, F visit) {
  const BlockRecord& B = block[1];
  for (int j = B.j1; j <= B.j2; ++j) {
    int k = 0;
    forColumnUp(lowestCellOf(i, j), [&](int c) { visit(c, ++k); });
  }
}

double eastSum(int i) {
  double q = 0.0;
  forSection(i, [&q](int c, int) { q += flux(Cflatee[c]); });
  return q;
}

double westSum(int i) {
  double q = 0.0;
  forSection(i, [&q](int c, int) { q += flux(Cflatew[c]); });
  return q;
}

// |Fb + Ft| / |Fe + Fw| of a cell; 0 when neither flux moves water.
double verticalRatio(int c) {
  const double v = std::fabs(flux(Cflateb[c]) + flux(Cflatet[c]));
  const double h = std::fabs(flux(Cflatee[c]) + flux(Cflatew[c]));
  return v / (h + 1e-20);
}

}  // namespace

void fluxCorrFunction(int first, int last) {
  const double V = FluxCorrVal;
  const double Q1 = DischargeStruct[1].discharge;
  const int v = FlagFluxCorr;
  if (v < 1 || v > 5 || NoBlocks < 1) return;
  const int from = v == 3 ? first + 1 : first;
  const int to = v == 3 ? last - 2 : last - 1;
  for (int i = std::max(from, 0); i <= to && i <= xnumber + 1; ++i) {
    switch (v) {
      case 1: {
        const double Q = eastSum(i);
        if (Q == 0.0) break;  // a dry section has nothing to scale
        const double ratio = Q1 / Q;
        const double factor = ratio > V ? V : (ratio < 1.0 / V ? 1.0 / V : 1.0);
        if (factor != 1.0) forSection(i, [factor](int c, int) { scale(Cflatee[c], factor); });
        break;
      }
      case 2:
        forSection(i, [V](int c, int) {
          const double r = verticalRatio(c);
          if (!(r > V)) return;
          const double factor = std::max(V / r, 0.01);
          scale(Cflateb[c], factor);
          scale(Cflatet[c], factor);
        });
        break;
      case 3: {
        // Each ratio only where its divisor carries water.
        const double Qe = eastSum(i), Qw = westSum(i);
        if (Qe != 0.0 && Qw / Qe > V) {
          const double factor = Qw / Qe;
          forSection(i, [factor](int c, int) { scale(Cflatee[c], factor); });
        }
        if (Qw != 0.0 && Qe / Qw > V) {
          const double factor = Qe / Qw;
          forSection(i, [factor](int c, int) { scale(Cflatew[c], factor); });
        }
        break;
      }
      case 4:
        forSection(i, [V](int c, int k) {
          if (k < 12) return;
          const int f = Cflatee[c];
          if (faceInGrid(f)) Fflux[f] = std::max(Fflux[f], V * 1000.0 * Farea[f]);
          Cxvel[c] = std::max(Cxvel[c], V);
        });
        break;
      default:
        forSection(i, [V](int c, int) {
          // A cell without horizontal through-flow has no ratio to act on.
          if (!(std::fabs(flux(Cflatee[c]) + flux(Cflatew[c])) > 1e-20)) return;
          const double r = verticalRatio(c);
          if (!(r > V)) return;
          scale(Cflatee[c], r - V + 1.0);
          scale(Cflatew[c], r - V + 1.0);
        });
        break;
    }
  }
}

void correctContinuity2() {
  if ((Equation != 1 && Equation != 4) || NoBlocks < 1) return;
  const double Q1 = DischargeStruct[1].discharge;
  for (int i = std::max(block[1].i1, 0); i <= surfaceDampSec && i <= xnumber + 1; ++i) {
    const double ratio = Q1 / (eastSum(i) + 1e-20);
    if (Equation == 1) {
      // The source raises u by the factor f where too little water passes.
      const double f = ratio >= 3.0 ? 3.0 : std::max(ratio, 1.0);
      if (f != 1.0) forSection(i, [f](int c, int) { Csource[c] += Cap[c] * (f - 1.0) * Cxvel[c]; });
    } else {
      forSection(i, [ratio](int c, int) { Cxvel[c] *= ratio; });
    }
  }
}
