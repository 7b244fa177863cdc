// Solver strategies this build does not hold yet.
#include "io/log.h"
#include "solvers/solver.h"
#include "state/options.h"

void GaussN(int, int, int) { notAvailable("the parallel solver strategies (F 164 above 20)"); }

#include "solvers/corrections.h"

void TrekantPresCorr(int, int) { notAvailable("the corner-column pressure correction (F 437)"); }

void AlgMGSolve() { notAvailable("the two-dimensional multigrid correction (F 168)"); }
void CorrSimpleCorrections(int) {
  if (PresGradMax > 1e-20 || (FlagVertVelStab >= 1 && FlagVertVelStab <= 3) || FlagFlowDirCor == 1)
    notAvailable("the stabilisers after the pressure correction (F 136, F 203, F 550)");
}
void FroudeHystatFunction() { notAvailable("the supercritical column pressure (F 93)"); }
void SeicheFunctions() { notAvailable("the column fluxes from the mass defects (F 69)"); }
void pressureFilter() { notAvailable("the pressure filter (F 426)"); }
