// Source terms of the water-quality components.
#include "flow/components.h"
#include "io/log.h"

void CompSource() { notAvailable("the water-quality source terms"); }
