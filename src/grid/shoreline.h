// The shoreline step of a generation: after all cells, surfaces, points and
// bed cells exist, corner points of wet columns beside dry land are moved so
// that the wet grid follows the water's edge instead of ending in a saw-tooth
// line. Only the coordinates of existing points change (and, with F 102 2, the
// water levels of the block grid): no cell, surface or point is added or
// removed. shorelineSteps (grid/generate.h) runs them in their order.
#pragma once

// Depth limit of the shoreline step by F 102: MinVertDist0 (1, 4),
// MinVertDist1 (3), half MinVertDist0 (2 and other positive values), 0 (0).
double shorelineDepthLimit();

// Moves corners of wet columns along the block-grid edges toward the point
// where the depth equals the limit (at most F 89 of the edge); with F 159 5th
// value 6 collapses shallow edges beside dry columns; with F 102 2 raises the
// water levels to bed + MinVertDist0 first.
void UnstrucHorMove();

// Puts the corner points of the west edge of block 1 back on their grid lines
// where an inflow polyline point marks the edge (F 390 1).
void FixInflowCells();

// The triangulation routines of F 493 0..6: a corner of a wet column whose
// surrounding columns are dry is snapped onto an adjacent corner or pulled
// toward the diagonal one. UnstrucTriangular (F 493 0) also writes the
// triangle codes 1..4 of single-cell columns.
void UnstrucTriangular();
void UnstrucTriangular0();
void UnstrucTriangular2();
void UnstrucTriangular3();
void UnstrucTriangular4();
void UnstrucTriangular5();
void UnstrucTriangular6();

// Replaces the codes of neighbouring single-corner cells by pair and triple
// codes 5..24 (F 235 / F 245 1..30).
void setCorrTrekant();
