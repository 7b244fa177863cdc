// Solver strategies this build does not hold yet.
#include "io/log.h"
#include "solvers/solver.h"
#include "state/options.h"

void GaussN(int, int, int) { notAvailable("the parallel solver strategies (F 164 above 20)"); }

void AlgMGSolve() { notAvailable("the two-dimensional multigrid correction (F 168)"); }
