// Solvers of the per-size sediment equations and of the bed-cell equations.
//
// The equation of size n sits in the per-size rows Capm[n] (diagonal),
// Catm[n], Cabm[n] (cells above and below) and Csourcem[n], with the shared
// horizontal coefficients Cae, Caw, Can, Cas (solver2, solver2bed) or the
// per-size ones Caem[n] .. Casm[n] (solver2m). The caller points Cf at the
// field of size n (Cconc[n]). Each makes 5 symmetric sweeps over
// WCStart..WCEnd, by the form of F 164: 31 or 33 column-aligned blocks (two
// arrays, deterministic), 21..29 serial, otherwise parallel in place.
#pragma once

void solver2(int n);
void solver2m(int n);
// Relaxes only the cells without a cell below them (bottom cells).
void solver2bed(int n);
// Relaxes x per bed cell (first..last) with the two-dimensional equation
// stored at the bottom cells; no value above max survives. 3 sweeps.
void solverB(double* x, int first, int last, double max);
