// Placeholder until the momentum source sequence is merged: no sources.
#include "physics/physics.h"

void VelocitySources() {}
