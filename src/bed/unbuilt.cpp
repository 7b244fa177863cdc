// Bed computations this build does not hold yet.
#include "bed/bed.h"
#include "io/log.h"

void computeSlideLocation() { notAvailable("the slope stability computation (run letter N, F 248 2)"); }
int computeSlidemovement() { notAvailable("the slide movement computation (run letter D)"); }
void computeSlideBlock() { notAvailable("the slide block computation (F 236 3)"); }
