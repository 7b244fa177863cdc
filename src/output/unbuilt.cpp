// Output this build does not hold yet.
#include "io/log.h"
#include "output/output.h"

void sprintflow() { notAvailable("the result output (run letter M)"); }
int makeWeirSTL() { notAvailable("the weir surface writer (run letter Z)"); }
