// The transient kinematic surface (F 36 1, 11..19): the pieces of one move of
// surface_tfs (declared with the flow stages), open to the tests.
#pragma once

// Level change (m) of the column whose lowest cell is c0 and top cell c, bed
// cell bc, by the formula of F 36 with the mud-layer steps of F 236 and the
// limits of F 359 and F 530, before it is spread over the corners.
double tfsLevelChange(int c0, int c, int bc, int i, int j);

// The corner weights w[1..4] of the column (corners (i-1, j-1), (i, j-1),
// (i, j), (i-1, j)) by F 179 and F 472 with the wall factors; may raise dz to
// the upwind lower bound and writes the column's Froude number.
void tfsCornerWeights(int c0, int c, double& dz, double w[5]);

// One column of block b (grid-point shift dj to the water block for the
// sub-bed block): level change, weights, the F 403 limit, the corner levels,
// the mud-surface sums and the groundwater table.
void tfsColumnUpdate(int b, int i, int j, int dj);

// Boundary levels of block 1 after the column update: the time-series levels
// at the discharge groups, the outlet damping of F 353 and F 452, and the
// least outlet depth of F 403.
void tfsSeriesLevels();
void tfsOutletDamping();
void tfsMinimumOutletDepth();

// The levels the time series gives now at the outlet and the inlet, and
// whether the series carries a level there (false: nothing is set).
struct TfsBoundaryLevels {
  bool outSet = false, inSet = false;
  double out = 0.0, in = 0.0;
};
TfsBoundaryLevels tfsBoundaryLevels();

// The discharge (m3/s) through the west faces of the cells of column (i, j).
double tfsColumnDischarge(int i, int j);
