// Turbulence, wall laws and momentum sources.
#pragma once

int computeRoughness();
