// Physics this build does not hold yet.
#include "io/log.h"
#include "physics/physics.h"

