// Free-surface condition of the pressure correction.
#include "flow/control.h"
#include "io/log.h"

void presSurfFunction(int, int) { notAvailable("the free-surface condition of the pressure correction (F 357)"); }
