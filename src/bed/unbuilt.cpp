// Bed computations this build does not hold yet.
#include "bed/bed.h"
#include "io/log.h"

int computeSoilStress() { notAvailable("the soil stress computation (run letter N, F 248 1)"); }
void smoothBedchange() { notAvailable("the bed-change smoothing (F 414)"); }
