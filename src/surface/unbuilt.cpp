// Free-surface computations this build does not hold yet.
#include "io/log.h"
#include "surface/surface.h"

void surface_continuity() { notAvailable("the column continuity surface (F 36 5, 6)"); }
void surfaceAlgo10(int, double) { notAvailable("the surface algorithm 10 (F 36 10)"); }
