// The classic update of the water surface.
#include "io/log.h"
#include "surface/surface.h"

void surfaceClassicUpdate(int, int) { notAvailable("the classic surface update"); }
double surfaceNonhydro(int, int, int, int) { notAvailable("the column pressure of the classic update"); }
