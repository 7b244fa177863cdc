// Free-surface computations this build does not hold yet.
#include "io/log.h"
#include "surface/surface.h"

void backwater() { notAvailable("the backwater computation (run letter Q, F 36 30, F 343 30, F 477)"); }
void groundwater() { notAvailable("the groundwater computation (run letter G)"); }
void NoGridSplit() { notAvailable("the grid-split prevention (F 371)"); }
void NoGridSplitRise() { notAvailable("the grid-split prevention (F 371)"); }
void reducePonds() { notAvailable("the pond reduction (F 379)"); }
