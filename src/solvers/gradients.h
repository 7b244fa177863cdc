// Values and gradients of any cell field f (one double per cell, 1-based):
// the value of f in a neighbouring water column at a given height, and
// differences and gradient components in which the horizontal differences are
// taken at the height of the cell's own centre. They only read the grid and
// f, allocate nothing and may be called from any thread.
#pragma once

// f in the column of cell n at the centre height of cell c: linear between the
// two cells around that height, extrapolated from the two end cells beyond
// the column's ends; f[n] where n's column holds n alone on that side.
double interpolatevalue(const double* f, int c, int n);
// The same at height z (m).
double interpolatevaluez(const double* f, int n, double z);

// Component d (1 x, 2 y, 3 z) of the gradient of f at cell c (per m): the
// horizontal components from differences at constant height through the face
// area vectors, the vertical one from the cells above and below.
double d_dx_orth_x(const double* f, int d, int c);
// The difference of f across c weighted by the unit face normals (d 1, 2),
// or the vertical difference (d 3).
double d_di_orth_x(const double* f, int d, int c);
// The difference of f across c weighted by the face areas (d 1, 2; a top or
// bottom cell takes the plain difference along j), or the vertical difference
// times the top face's Faz (d 3).
double d_di_orth_xA(const double* f, int d, int c);

// Normal-stress terms of the velocity equation in force added to Csource of
// the cells first..last (F 324 1 and 2).
void computeNormStress(int first, int last);

// Differences along the grid lines with the cell's own neighbours, without
// interpolation: weighted by face areas (d_diA), as gradient components
// (d_dx), and from full neighbour differences (d_dxg).
double d_diA(const double* f, int d, int c);
double d_dx(const double* f, int d, int c);
double d_dxg(const double* f, int d, int c);
