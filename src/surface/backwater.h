// One-dimensional backwater along block 1 (run letter Q, F 36 30, F 343 30
// and 4, F 477). backwater() itself is declared in surface/surface.h.
#pragma once

// Froude number of the row of columns i of block 1 for the discharge Q
// (m3/s) at the water level z (m): mean velocity over sqrt(g A / B).
double computeFroude(int i, double Q, double z);

// The head profile of the computed pressures, row by row against the next
// row downstream, into Cf of the lowest cells of block 1 (F 343 4).
void backwaterPres();

// d90 of a layer from its fractions f[1..n] of the sizes gsize[1..n]
// (coarsest first), interpolated between the middles of two sizes.
double backwaterD90(const double* f, int n);
