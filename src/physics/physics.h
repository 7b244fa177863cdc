// Turbulence, wall laws and momentum sources.
#pragma once

int computeRoughness();

// Eddy viscosity of the equation in force (Equation) for the cells
// first..last: Cgamma (faces between columns) and CgammaV (bottom and top
// faces), dynamic viscosities in kg/(m s). Column quantities are taken from
// each cell's own column and only cells of the range are written, so that a
// range cut into chunks gives the field of one call over the whole range.
void GammaCalc(int first, int last);
// Realizable-model viscosity into Cgamma of first..last (F 24 value 17).
void GammaCalcRealizable(int first, int last);
// Damping factor (1 + TDbeta Ri)^TDalpha of the pair lower/upper of one
// column; 1 for neutral or unstable stratification.
double coeff_turbdens(int lower, int upper);
// 9.81 times the vertical gradient of the relative density between the two
// cells (1/s2); positive when the upper cell is heavier.
double densityDamp(int lower, int upper);

// Source terms of the k (Equation 5) or epsilon/omega (6) equation of
// first..last: sets Csource and, with the sinks, Cap.
void turbulence(int first, int last);

// Friction of walls, bed and lid for the velocity equations and the wall
// values of k and epsilon for a..b; wall cells are cleared first.
void wall_laws(int a, int b);

// Weight of the water and surface slope (eq 1..3), wind stress and surface
// turbulence (eq 1, 2, 5, 6), Coriolis force (Equation 1, 2).
void GravityFunction(int eq, int first, int last);
void WindFunction(int eq);
void CoriolisFunction();

// Drag term W of the wind speed U by F 73 (m2/s2 for the quadratic laws).
double windDrag(double U);
// Wind speed and direction at the simulated time: F 52, or the timei series.
void windValues(double& U, double& cx, double& cy);

// Damping of the velocities of a sliding layer (F 289).
void ThixoVelDamp();

// The momentum source terms of the velocity component in force (Equation
// 1..3) over the work range, on the main thread between the assembly loops.
void VelocitySources();
// Epsilon of the one-equation models (F 24 18, 19, 20) from k over the work
// range; any other model, or a model without the heights it divides by, ends
// the run with status -8.
void computeEpsilon();
