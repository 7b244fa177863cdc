// The cell-equation solvers and the pressure-correction equation.
//
// A caller assembles the equation of every cell c of the work range
//   Cap[c] f[c] = Cae f[E] + Caw f[W] + Can f[N] + Cas f[S] + Cat f[T] + Cab f[B] + Csource[c]
// in the global coefficient arrays, points Cf at the field, sets Equation and
// calls solver(). A cell is held at v by Cap += 1e30 and Csource += 1e30 v.
#pragma once

// Relaxes the current equation on WCStart..WCEnd: a fixed number of
// symmetric point Gauss-Seidel sweeps chosen by Equation (K 4), serially or on
// contiguous cell blocks in parallel (F 206). No convergence test.
void solver();

// n symmetric sweeps (a forward and a backward pass each) over first..last.
// With quasi-neighbour lists (F 137) exactly one symmetric pass.
void Gauss(int first, int last, int n);

// The fast driver's combined step: the five rows of Cff (u, v, w, k,
// epsilon) relaxed together with the shared neighbour coefficients, the
// sources in Csourcem rows 0..4 and the inverse diagonals in CinvApf.
void GaussFast(int first, int last, int n);

// Forward passes only, over the cells of a thixotropic layer. Kept for the
// slide computation; the engine does not call it.
void GaussThixo(int first, int last, int n);

// The alternative parallel strategies of F 164 above 20.
void GaussN(int first, int last, int n);

// Number of sweeps for the equation in force: K 4, times 3 for the pressure
// correction (Equation 4).
int solverSweeps();

// The coefficient array of a cell's side by its side code: 1 south Cas,
// 2 east Cae, 3 north Can, 4 west Caw, 5 bottom Cab, 6 top Cat; null for
// any other code.
double* sideCoefficientArray(int code);

// The same map with the six arrays taken once, for loops over many faces:
// a lookup in a local table instead of a call and six global reads per face.
// Valid while the coefficient arrays are not reallocated.
struct SideCoefficients {
  double* a[7];
  SideCoefficients();
  double* operator()(int code) const { return code >= 1 && code <= 6 ? a[code] : nullptr; }
};

// Pressure-correction equation (Equation 4): the six neighbour coefficients
// of every cell from the faces WFStart..WFEnd and the inverse momentum
// diagonals CinvAp.
void pressure_coeff();

// The mass defect of the cells WCStart..WCEnd into Csource, with the
// storage of a moving surface and the inflow and outflow of the discharge
// groups; refreshes DischargeArray and GlobFluxDefect.
void pressure_fluxes();

// The current discharge of every group into DischargeArray (l/s): the group
// values, or the timei series interpolated at stimet (a single record holds
// at all times). Returns the downstream level of the series (0 without one).
double currentDischarges();

// ---- Options of the pressure step ----

// Two-dimensional multigrid correction of the equation in force (F 168).
void AlgMGSolve();
// Stabilisers after the corrections, serial over the work range: the
// pressure jump of single cells (F 136), the vertical velocity and flux
// between stacked cells (F 203), the direction of flow of cells that all
// water leaves (F 550); innerIter decides the warning lines.
void CorrSimpleCorrections(int innerIter);
// Column means of pressure and correction in supercritical columns (F 93).
void FroudeHystatFunction();
// Vertical fluxes of each column rebuilt from its mass defects (F 69).
void SeicheFunctions();
// Pressure limits of the columns of block 1 (F 426).
void pressureFilter();
// Hooks of a divided run's pressure exchange; they do nothing.
void pressure_sourceMPI();
void pressure_sourceMPI2();
void pressure_transferMPI();
