// Output this build does not hold yet.
#include "io/log.h"
#include "output/output.h"

int makeWeirSTL() { notAvailable("the weir surface writer (run letter Z)"); }
