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

// ---- Methods and adjustments built elsewhere ----

void backwater();
void groundwater();
// Outlet levels of the reference group before the regeneration.
void computeSurfDownstream();
// Levels of the wet/dry edges (F 187) from the reference level.
void surfaceEdge(double zref);
// Levels of newly wetted corners (F 425) and the surface smoothing (F 154).
void smoothNewCorners();
void surface_smoother();
// Grid-split prevention (F 371) and pond reduction (F 379).
void NoGridSplit();
void NoGridSplitRise();
void reducePonds();

// ---- Services of other subsystems ----

// Braiding index of block 1 (F 368).
double computeBI();
