// Free-surface computations this build does not hold yet.
#include "io/log.h"
#include "surface/surface.h"

