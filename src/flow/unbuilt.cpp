// Flow computations this build does not hold yet.
#include "flow/flow.h"
#include "io/log.h"


int shallowWater() { notAvailable("the shallow-water computation (run letter L)"); }
