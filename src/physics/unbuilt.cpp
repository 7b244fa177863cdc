// Physics this build does not hold yet.
#include "io/log.h"
#include "physics/physics.h"

int computeRoughness() { notAvailable("the bed roughness computation (run letter K)"); }
