// Turbulence, wall laws and momentum sources.
#pragma once

// Bed roughness from the terrain points (run letter K): Croughness of the
// bottom cells of block 1, the column roughness, the bed cells and the file
// `bedrough.new`. 0 without terrain points (nothing changes), 1 when done, -1
// when `bedrough.new` cannot be written (an Error line; the column and bed-cell
// roughness keep their values).
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
// The strain term of the production depends on the velocities alone, which
// the k and epsilon passes of one turbulence stage share: the k pass keeps it
// per cell (keepStrain, on the main thread before the pass; it sizes the
// store once), the epsilon pass reads it back (reuseStrain), and forgetStrain
// ends the reuse. Without these calls every pass computes it.
void keepStrain();
void reuseStrain();
void forgetStrain();

// Friction of walls, bed and lid for the velocity equations and the wall
// values of k and epsilon for a..b; wall cells are cleared first.
void wall_laws(int a, int b);

// The modular (F 305 1) and river (F 305 2) wall laws for a..b, which
// wall_laws hands the whole call to, and their pieces: u+ by F 15 at y+ and
// r = y / ks; the velocity term of one face of c (faces: Cflatee..Cflateb,
// dist: Cidist, Cjdist or Ckdist); the k term and the epsilon (omega) fixing
// of one wall direction of c.
void wall_laws_new(int a, int b);
void wall_laws_river(int a, int b);
double wall_laws_uplus(double yplus, double r);
void wall_laws_surface_u(int c, const int* faces, const double* dist);
void wall_laws_surface_k(int c, const double* dist);
void wall_laws_surface_eps(int c, const double* dist);

// Kernels of the fast flow driver on WCStart..WCEnd: the k and epsilon
// production and sinks into rows 3 and 4 of Csourcem and CinvApf, and the
// wall terms of all five rows (u, v, w, k, epsilon) of the wall cells, or of
// the velocity rows 0..2 alone when turbulenceRows is false (the models
// without k and epsilon equations).
void turbulenceFast();
void wallFast(bool turbulenceRows = true);

// Weight of the water and surface slope (eq 1..3), wind stress and surface
// turbulence (eq 1, 2, 5, 6), Coriolis force (Equation 1, 2).
void GravityFunction(int eq, int first, int last);
void WindFunction(int eq);
void CoriolisFunction();
// Bed-near friction of thin edge cells (F 7 P) or of the cells within the
// roughness height (F 92 2, 3) on the bed cells WBStart..WBEnd; no caller
// in a run.
void TSCstabilityFunction(int eq);

// Drag term W of the wind speed U by F 73 (m2/s2 for the quadratic laws).
double windDrag(double U);
// Wind speed and direction at the simulated time: F 52, or the timei series.
void windValues(double& U, double& cx, double& cy);

// Damping of the velocities of a sliding layer (F 289 fourth value).
void ThixoVelDamp();

// Relative density of water at the temperature T (deg C), 1 at 4.03 deg C.
double waterDensity(double T);

// The momentum sources of the velocity equation in force (Equation), in
// their fixed order: boundary conditions, vegetation, dune drag, gravity,
// nesting, wind, density gradients or thermocline buoyancy, Coriolis force,
// turbidity current, deferred correction, one-cell term, diagonal doublings,
// shallow-face damping, bridge drag.
void VelocitySources();
// Epsilon of the one-equation models (F 24 18, 19, 20) from k over the work
// range; any other model, or a model without the heights it divides by, ends
// the run with status -8.
void computeEpsilon();
// Sinking of sediment-laden water (w equation), F 18.
void turbiditycurrentSource();
// Buoyancy of the water against its density at the thermocline temperature
// (w equation), F 75; 9810 x volume x density difference, in N.
void thermoclineBuoyancy();
// 1000 x volume on the diagonal of the dead-end cells (F 96).
void oneCellSource();
// Damping of the flow across faces between the lowest cells of neighbouring
// columns of block 1 where the water is shallow against the cells (F 341).
void sourceShallowDamp();
// Drag of the bridge boxes of G 22 on every cell they overlap.
void sourceBridge();
// Horizontal area of the bed cell of c over the vertical area of its bottom
// face (0 when either is missing); above 1.1 the bottom face is steep.
double steepnessRatio(int c);
// Cap twice as large with the source that keeps a converged phi: an implicit
// under-relaxation by one half in cell c.
void doubleDiagonal(int c, const double* phi);
// The doublings of F 291 (FlagDamp2 1, 2, 3) over the work range.
void doubleSteepCells(const double* phi);

// Form drag of dunes on every cell of the columns of block 1 (Equation 1..3):
// per cell 9810/26^2 ks^0.333 (U/n) A / (n h^0.333) from the bed-form height
// (ks), the top-cell speed U, the plan area A and depth h of the column and
// its number of cells n.
void computeDragDune();
double duneDragCoefficient(double ks, double U, int n);
// Drag inside the roughness layer for the columns whose bottom cells lie in
// first..last (Equation 1, 2, F 189 1); writes cells above the range too.
void computeDrevan(int first, int last);

// Density-gradient force of a temperature field (u, v) and damping of w in
// stable stratification (F 67, F 40, F 69, F 64, G 40). The argument is not
// used; the terms follow Equation.
void DensityGradients(int eq);

// Vegetation, porous zones and solid objects of `vegdata` (F 115): read on
// the first call, Cporosity of every cell from the profiles, then the terms
// of the equation in force (1..3, 5, 6) over all cells.
void extra_source();
// Pressure load (N per m of width) of the column below and including cell
// above the water level W 1, the cell reaching down to it counted from z.
double computeAccHystatForce(int cell, double z);
// Friction of the sliding layer on the second cell of each of its columns
// (F 338), added to Cap of the velocity equation in force.
void wall_thixo();
