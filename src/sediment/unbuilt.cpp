// Sediment computations this build does not hold yet.
#include "io/log.h"
#include "sediment/sediment.h"

void concRijn() { notAvailable("the bed concentration computation (run letter I)"); }
void morphology_tsc() { notAvailable("the sediment computation (run letter S)"); }
void bagger() { notAvailable("the dredging and feeding schedule (F 386)"); }
