// The free-surface driver: one move of the water surface.
#include "io/log.h"
#include "surface/surface.h"

void surface() { notAvailable("the free-surface update"); }
double computeBI() { notAvailable("the braiding index"); }
