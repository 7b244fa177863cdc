// Reference levels of the free surface.
#include "io/log.h"
#include "surface/surface.h"

int computeSurfaceReferences() { notAvailable("the surface reference levels"); }
void modifyWaterlevel() { notAvailable("the level shift of F 539"); }
