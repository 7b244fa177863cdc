// Free surface and groundwater.
#pragma once

// ---- The surface move ----

// One move of the free water surface: reference levels, the trace line of
// `boogie-t`, the method of F 323 / F 36, then the regridding tail.
void surface();
// The reference pair (GlobZRef, GlobPresRef) and the second pair of the
// upstream end; returns the top cell of the reference column (or of the
// column that replaces a dry one), 0 when there is none.
int computeSurfaceReferences();
// Shifts the water levels of block 1 by the change of the boundary levels of
// `timei` since the last reference update (F 539).
void modifyWaterlevel();
// Water depth, depth-averaged Froude number, bed twist and, under their
// options, the Froude-limit level and the column-mean pressure of the bed
// cells first..last.
void computeBFroude(int first, int last);
// The default method: every grid point moves from the mean pressure head of
// its corner columns. ref and ref2 are the column cells of the reference
// columns (ref2 0: one reference).
void surfaceClassicUpdate(int ref, int ref2);
// Sum over the given cells of the mean pressure of each one's column (cells
// not above 0 add nothing).
double surfaceNonhydro(int c1, int c2, int c3, int c4);
// Column water balance of F 36 5 and 6: moves every grid point by the mean
// solved level change of the columns around it.
void surface_continuity();
// The row of cell c in that balance: a column's lowest cell gets its
// storage, sides and net inflow (m3/s), every cell above it is held at 0.
void continuityColumnRow(int c);
// F 36 10: the level each column would have without its top-cell pressure,
// carried upstream from the reference column cell refCell at level zref.
void surfaceAlgo10(int refCell, double zref);
// The second surface driver (F 323 1): the method of F 36 by its own routines,
// then the regridding tail.
void surface2();
// The third driver (F 323 2): the corner levels of block 1 relaxed towards
// zero top-cell pressure, then the tail. A dry reference column ends the run.
void surface3();
// The classic pressure-to-level update of every grid point of the updated
// blocks, relaxed by G 6, with the Froude limit of F 132 and the slope limit
// of F 148 (F 36 0 and 2 of the second driver).
void computeSurfClassic();
// F 36 3: every grid point of the ordinary blocks moves by the distance of the
// reference point to GlobZRef (takes GlobZRef when setLevels: the second
// driver with F 236), once even where two blocks share it; the sub-bed block
// stays.
void surfaceShiftToReference(bool setLevels);
// The row of column cell c in algorithm 10 (before the reference row).
void algo10ColumnRow(int c, double zref);

// ---- After the move ----

// Adjusts the new corner levels, regenerates the grid and its geometry,
// carries the fields over, recomputes the face fluxes and resets the state of
// the old grid.
void computeTailSurf();
// Water volume (m3) of the wet columns of the updated blocks.
double computeVolRes();
// Mean water depth (m) over the wet grid points of block 1.
double computeAvDepth();
// Resets the cell pressures by F 128 FlagPresSetZero: -1 clears them, 3 makes
// every column hydrostatic to its water level, 2 raises the columns upstream
// of supercritical faces to a critical-flow head.
void computeSetPresZero();

// ---- Levels before the regeneration ----

// Pins the corners of the open sides of the outlet columns of group FlagDSO1
// to GlobZRef and blends the lines behind them by F 353 10 and 11 (slot
// znumber only).
void computeSurfDownstream();
// The edge rule of F 187 with the reference level zref: levels across wet/dry
// borders (1), outlet pinning with raised lines behind (2..99), outlet blends
// (100, 101), least inflow depth (-1). Writes both level slots.
void surfaceEdge(double zref);
// Draws the grid points on the wet/dry border of block 1 towards their
// neighbours (F 425 1, 2).
void smoothNewCorners();
// Smooths the levels of the updated blocks by F 154 1..5.
void surface_smoother();
// Limits the corner levels of block b after a transient kinematic move by the
// rule of F 178 1..7 and the slope cap of F 361 1.
void surface_smoother2(int b);
// The mean level change of every slide of the sliding layer (F 236 3) into
// kFlux; ends the run (-99) when there are slides and no sub-bed block.
void computeThixoFluxes();

// ---- Surface-height equation: level differences and fixed rows ----

// Level change between top cell t and its neighbour n at horizontal distance
// d (m) that their pressures ask for, minus their present top-level difference;
// the head slope is cut at Diffslope (F 246), scaled by scaleBackwater2 with
// F 477 above 2.
double computeDhSurf(double d, int n, int t);
// The same from the friction law of Strickler coefficient M and the flux of
// face f, with the flow direction sign (+1, -1).
double computeDhMann(double d, double M, int n, int t, int f, int sign);
// Limiting depth (m) of column cell c at Froude number Fr and speed U (m/s) by
// F 246's third value; 0 below the Froude limit of the formula.
double computeLimdepth(double Fr, double U, int c);
// Head difference times d, without the level difference or scaling.
double computeDhSurf2(double d, int n, int t);
// Horizontal distance between the centres of cells a and b.
double computeDist1(int a, int b);
// The larger of the two water-surface slopes at grid point (i, j) of block 1.
double computeSlopeWatersurface(int i, int j);
// Fixed rows of the reference columns and outlet groups; with F 36 9 also the
// group discharges in the column sources and the start levels.
void setSurfaceBoundary();
// Rows of the G 28 weir columns at the weir-formula level (after
// setSurfaceBoundary).
void computeWeirs();

// ---- Methods and adjustments built elsewhere ----

void backwater();
// Groundwater levels Bgroundwater of the sub-bed columns and the water columns
// above them: F 262 1 runs K 1 time steps (each advancing stimet, every 100th
// moving the water surface by surface2 when a reference level is set), other
// values 20. The first call reads wlinit. Ends with -9 (two log lines)
// without a sub-bed block.
void groundwater();
// The coefficients of the groundwater equation on the lowest cells of the
// sub-bed columns, held at the water level under wet columns and capped at
// the ground under dry ones. Ends with -8 without a sub-bed block.
void groundwater_coeff();
// The level the groundwater equation holds for cell c (0 before the first call).
double groundwaterLevelOfCell(int c);
// Grid-split prevention (F 371) and pond reduction (F 379).
void NoGridSplit();
void NoGridSplitRise();
void reducePonds();

// ---- Services of other subsystems ----

// Braiding index of block 1 (F 368).
double computeBI();
