// Depth and Froude number of the water columns.
#include "io/log.h"
#include "surface/surface.h"

void computeBFroude(int, int) { notAvailable("the column depths and Froude numbers"); }
