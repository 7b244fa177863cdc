// Free-surface computations this build does not hold yet.
#include "io/log.h"
#include "surface/surface.h"

void backwater() { notAvailable("the backwater computation (run letter Q)"); }
void groundwater() { notAvailable("the groundwater computation (run letter G)"); }
void computeSetPresZero() { notAvailable("the pressure reset of the free surface (F 549)"); }
