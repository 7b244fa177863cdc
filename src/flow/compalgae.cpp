// Light and biology source terms of the water-quality components.
#include "flow/components.h"
#include "io/log.h"

void CompSourceAlgae() { notAvailable("the light and biology source terms"); }
