// The regridding that closes a surface move.
#include "io/log.h"
#include "surface/surface.h"

void computeTailSurf() { notAvailable("the regridding after a surface move"); }
double computeVolRes() { notAvailable("the water volume of the surface move"); }
double computeAvDepth() { notAvailable("the mean depth of the surface move"); }
