// Values of a cell field at a given height in a water column.
#pragma once

// The value of the cell field f at height z (m) in the column of cell n:
// linear between the two cells of the column whose centres enclose z, with
// the centre distance divided by the sum of their half heights; below the
// lowest centre the lowest cell's value, above the highest centre the top
// cell's value (no extrapolation), at the centre of n the value of n.
// n outside 1..MaxCeller-1 (or a missing field) gives 0.
double interpolatevaluez(const double* f, int n, double z);
