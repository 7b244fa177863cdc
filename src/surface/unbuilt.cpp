// Free-surface computations this build does not hold yet.
#include "io/log.h"
#include "surface/surface.h"

void backwater() { notAvailable("the backwater computation (run letter Q, F 36 30, F 343 30, F 477)"); }
void groundwater() { notAvailable("the groundwater computation (run letter G)"); }
void computeSurfDownstream() { notAvailable("the outlet levels of a surface move (reference on an outflow group)"); }
void surfaceEdge(double) { notAvailable("the wet/dry edge levels of a surface move (F 187)"); }
void smoothNewCorners() { notAvailable("the levels of newly wetted corners (F 425)"); }
void surface_smoother() { notAvailable("the surface smoothing (F 154)"); }
void NoGridSplit() { notAvailable("the grid-split prevention (F 371)"); }
void NoGridSplitRise() { notAvailable("the grid-split prevention (F 371)"); }
void reducePonds() { notAvailable("the pond reduction (F 379)"); }
