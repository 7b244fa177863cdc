// Coefficient trap of the parallel coefficient build (F 223).
#include "flow/control.h"
#include "io/log.h"

void ompbugtrapFunction(int, int) { notAvailable("the coefficient trap (F 223)"); }
void computeOmpbugtrap() { notAvailable("the coefficient trap (F 223)"); }
