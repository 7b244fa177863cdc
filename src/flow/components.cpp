// Transport of the water-quality components in a given flow field.
#include "flow/components.h"
#include "flow/flow.h"
#include "io/log.h"

void Components() { notAvailable("the water-quality computation (run letter C)"); }
void SimpleComponents() { notAvailable("the component pass of the hydrostatic driver"); }
