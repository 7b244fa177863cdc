// Pressure reset after a surface move.
#include "io/log.h"
#include "surface/surface.h"

void computeSetPresZero() { notAvailable("the pressure reset after a surface move (F 128, F 549)"); }
