// Flow computations this build does not hold yet.
#include "flow/flow.h"
#include "io/log.h"


void WaterSolveHydrostatic() { notAvailable("the hydrostatic flow computation (run letter W, F 68 1)"); }
void WaterSolve2D() { notAvailable("the two-dimensional flow computation (run letter W, F 68 3)"); }
int shallowWater() { notAvailable("the shallow-water computation (run letter L)"); }
