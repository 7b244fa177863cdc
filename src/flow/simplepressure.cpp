// Pressure correction of the modular flow driver (and of the hydrostatic and
// two-dimensional drivers): one plain SIMPLE pass. The face fluxes of the new
// velocities, the p' equation from their mass defects, its solve, the
// corrections of fluxes, velocities and pressure, and the continuity record.
#include <algorithm>
#include <vector>

#include "flow/cellequations.h"
#include "flow/control.h"
#include "flow/equationdrivers.h"
#include "grid/fieldmap.h"
#include "physics/physics.h"
#include "solvers/corrections.h"
#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/flowstate.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

bool surfaceCondition() { return FlagTFS >= 13 && FlagTFS <= 19; }

std::vector<double> chunkSums;  // grows with F 206, kept between calls

// The central coefficients, the residual MaxResidual[4] and the start value
// p' = 0. The serial form floors Ap at 1e-10 and takes the options of F 316,
// F 296 and F 104 (all refused with F 206); the chunked form gives a cell
// without coefficients Ap 1.
void equationSetUp(double* pc) {
  const bool chunked = NoProcessesSolver > 0 && FlagOpenMP[7] != 1;
  if (!chunked) {
    for (int c = WCStart; c <= WCEnd; ++c) {
      Cap[c] = std::max(pressureNeighbourSum(c), 1e-10);
      switch (FlagPresMPIboundary) {
        case 4: Cap[c] += 1e-6; break;
        case 5: Cap[c] += 0.001; break;
        case 6: Cap[c] += 1.0; break;
        default: break;
      }
    }
    if (surfaceCondition()) presSurfFunction(WCStart, WCEnd);
    if (FlagTFS > 0) storageTerms();
    if (FlagEndCorrect != 0) endCorrection();
    MaxResidual[4] = 0.0;
    residual(WCStart, WCEnd);
    for (int c = WCStart; c <= WCEnd; ++c) pc[c] = 0.0;
    return;
  }
  const int P = NoProcessesSolver;
  if (static_cast<int>(chunkSums.size()) < P) chunkSums.resize(P);
  std::fill(chunkSums.begin(), chunkSums.begin() + P, 0.0);
  // The surface condition writes whole columns, which may reach into other
  // chunks: it runs in a phase of its own after every Ap is set.
  runPhases(
      true, 3,
      [pc](int s, int p, int lo, int hi) {
        if (s == 0) {
          for (int c = lo; c <= hi; ++c) {
            const double a = pressureNeighbourSum(c);
            Cap[c] = a < 1e-30 ? 1.0 : std::max(a, 1e-10);
          }
        } else if (s == 1) {
          if (surfaceCondition()) presSurfFunction(lo, hi);
        } else {
          chunkSums[p] = residualN(lo, hi);
          for (int c = lo; c <= hi; ++c) pc[c] = 0.0;
        }
      },
      [](int) {});
  residualNCheck();
  double S = 0.0;
  for (int p = 0; p < P; ++p) S += chunkSums[p];
  MaxResidual[4] = S;
}

void accelerate(int InnerIter) {
  const int b = blockcorr[4];
  const bool first = InnerIter == 1, veryFirst = first && Iter == 1;
  if (b == 1 || (b == 2 && first) || (b == 3 && veryFirst)) BlockCorrection();
  if (Flag2DAccSolver > 0 && (b == 10 || (b == 11 && first) || (b == 12 && veryFirst))) AlgMGSolve();
}

}  // namespace

void SimplePressure(int InnerIter) {
  double* const pc = Cf;  // the caller's own array holds p'
  Equation = 4;
  if (NoProcessesSolver > 0) computeChunkSizes();

  waterflowStage(NoProcessesSolver > 0 && FlagOpenMP[3] != 1);
  stamp(10);
  pressure_coeff();
  pressure_fluxes();
  if (FlagCorrTrekant == 7 && Ctrekant)
    for (int c = 1; c <= NoCells; ++c)
      if (Ctrekant[c] != 0) Csource[c] *= 0.5;
  stamp(11);
  if (NoNestflater > 0) nestsource();
  stamp(12);

  equationSetUp(pc);
  accelerate(InnerIter);
  stamp(13);
  if (FlagStressTerm == 0) solver();
  stamp(14);
  if (Iter == StopIter + 1 && PrintDebugBoogie != 0 && InnerIter <= 2) printDebug(InnerIter);
  if (FlagPresDebug >= 1 && FlagPresDebug <= 99) printDebug2();
  if (FlagPresDebug == 0 && FlagGravity == 0 && NoCells >= 1) {
    // Pins the level of p': the last cell ends at -0.001.
    const double last = pc[NoCells];
    for (int c = WCStart; c <= WCEnd; ++c) pc[c] -= last + 0.001;
  }
  if (FlagFroudeHystat == 1) FroudeHystatFunction();
  stamp(15);
  SimpleCorrectionsStage();
  CorrSimpleCorrections(InnerIter);
  stamp(16);
  if (Seiche4 > 0) SeicheFunctions();
  if (surfaceCondition()) linearTopCellPressure(WCStart, WCEnd);
  if (FlagThixo > 0 && FlagThixoDampVel > 0) ThixoVelDamp();
  if (NoNestflater > 0 && NestInterpolRelax > 1e-8) nestRelaxation();
  recordContinuity();
}
