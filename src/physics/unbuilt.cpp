// Physics this build does not hold yet.
#include "io/log.h"
#include "physics/physics.h"

void ThixoVelDamp() { notAvailable("the velocity damping of a sliding layer (F 289)"); }
