// Free surface and groundwater.
#pragma once

void backwater();
void groundwater();
