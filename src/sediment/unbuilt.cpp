// Sediment computations this build does not hold yet.
#include "io/log.h"
#include "sediment/morphology.h"
#include "sediment/sediment.h"

// Stages of the sediment time loop.
void makeQuorvel() { notAvailable("the profiles at the interpolation points (F 329 19)"); }
