// Sediment computations this build does not hold yet.
#include "io/log.h"
#include "sediment/sediment.h"

void concEngelund() { notAvailable("the total-load formulas of F 10 letters other than R"); }
void morphology_tsc() { notAvailable("the sediment computation (run letter S)"); }
void bagger() { notAvailable("the dredging and feeding schedule (F 386)"); }
