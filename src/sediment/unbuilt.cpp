// Sediment computations this build does not hold yet.
#include "io/log.h"
#include "sediment/morphology.h"
#include "sediment/sediment.h"

void bagger() { notAvailable("the dredging and feeding schedule (F 386)"); }

// Stages of the sediment time loop.
void computeBedLoadVector() { notAvailable("the bed-load vectors of F 78 2..4"); }
void computeBedLoadVector3() { notAvailable("the bed-load vectors of F 78 21..29"); }
void computeBedLoadVector4() { notAvailable("the bed-load vectors of F 78 31..39"); }
void bedloadVectorExplicitConc() { notAvailable("the explicit bed-load vectors (F 78 200)"); }
void concEngelund() { notAvailable("the bed concentration of the F 10 formulas other than R"); }
void computeExplicitF78() { notAvailable("the lateral slope transport (F 78 101..199)"); }
void makeQuorvel() { notAvailable("the profiles at the interpolation points (F 329 19)"); }
