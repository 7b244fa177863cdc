// Model-file readers and writers this build does not hold yet.
#include "io/log.h"
#include "io/modelfiles.h"

void bedinter() { notAvailable("the bed interpolation (run letter V)"); }
void computeVegdataFromSTL() { notAvailable("the STL conversion (run letter P)"); }
