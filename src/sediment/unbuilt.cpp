// Sediment computations this build does not hold yet.
#include "io/log.h"
#include "sediment/morphology.h"
#include "sediment/sediment.h"

void bagger() { notAvailable("the dredging and feeding schedule (F 386)"); }

// Stages of the sediment time loop.
void computeExplicitF78() { notAvailable("the lateral slope transport (F 78 101..199)"); }
void makeQuorvel() { notAvailable("the profiles at the interpolation points (F 329 19)"); }
