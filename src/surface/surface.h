// Free surface and groundwater.
#pragma once

void backwater();
void groundwater();
// Resets the cell pressures by F 128 FlagPresSetZero (3: hydrostatic below
// the current water surface).
void computeSetPresZero();
