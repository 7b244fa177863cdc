// The explicit LS surface of transient runs (F 36 50): the inner step
// surface_LS (flow/stages.h) adds each column's level change from the flux
// into its top cell, and surface_LS_update (flow/stages.h) moves the corners
// by the accumulated changes every F 105 iterations and regenerates the grid.
#pragma once

// Side coefficient of a column from the mass inflow F (kg/s) through that
// side and the column's blending number Fr: the outflow side carries the
// weight in slow flow, the inflow side in fast flow, with 5 % of |F| as a
// diffusive part.
double surface_LS_coeff(double F, double Fr);

// Level change (m) of one time step of bed cell b from the vertical mass flux
// F (kg/s) into its top cell; the side coefficients do not enter it.
double surface_LS_source(double F, double aw, double ae, double as, double an, int b);

// Energy-line height difference (m) between the top cell a of a neighbour
// column and the top cell b of the column: the head slope between them,
// limited to 0.3, times their distance, less their top-level difference.
double surface_EL(int a, int b);

// Weight of cell c for the corner at grid point (i, j) (TFSfroudeforward 2):
// in slow flow the corner takes its change from the cells it lies
// downstream of, in fast flow from those upstream, blended in between.
double VectorWeight(int c, int i, int j);
