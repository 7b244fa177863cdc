// Solver strategies this build does not hold yet.
#include "io/log.h"
#include "solvers/solver.h"

void GaussN(int, int, int) { notAvailable("the parallel solver strategies (F 164 above 20)"); }

#include "solvers/corrections.h"

void TrekantPresCorr(int, int) { notAvailable("the corner-column pressure correction (F 437)"); }
