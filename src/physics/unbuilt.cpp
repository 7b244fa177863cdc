// Physics this build does not hold yet.
#include "state/log.h"
#include "physics/physics.h"

