// The pressure force of the momentum equations.
#pragma once

// Subtracts the pressure force (N) on each cell first..last from Csource,
// for the equation in force (1 u, 2 v, anything else w), by the scheme of
// F 114.
void pressure_source(int first, int last);

// The fast driver's three forces at once into rows 0..2 of Csourcem, for
// WCStart..WCEnd (first-order differences, or second-order ends along i and
// j with the fifth value of F 69).
void presSourceFast();

// The pressure of the water column that holds cell n at the height of the
// centre of cell c (Pa): interpolated between the column's cells, extrapolated
// beyond its centres, falling to 0 at the surface above a top cell.
double interpolatePres(int c, int n);

// Forces with the lateral differences taken at the height of the cell's
// centre (equation 1 u, 2 v, 3 w; 0 for others). orth: constant-height only,
// no vertical term in u and v, missing neighbours from the column above the
// bottom cell's neighbours; anti: blended with the grid-line difference by
// the bed slope (anti) or the inclination of the top face (anti2) by F 355;
// orth2: orth without substitute neighbours.
double d_di_orth_Pres(int eq, int c);
double d_di_anti_Pres(int eq, int c);
double d_di_anti_Pres2(int eq, int c);
double d_di_orth_Pres2(int eq, int c);

// Reference pressure of discharge group g: the middle value of the top-cell
// pressures at the faces of its list after the first (at most 49 values),
// the largest one when fewer than three were collected, 0 when none.
double findMedianPressure(int g);
