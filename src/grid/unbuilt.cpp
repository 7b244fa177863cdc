// Grid generation this build does not hold yet.
#include "grid/generate.h"
#include "io/log.h"

int Unstructure() { notAvailable("the grid generation (run letter Y)"); }
