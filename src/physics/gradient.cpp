// The velocity-gradient integral is defined inline in its header.
#include "physics/gradient.h"
