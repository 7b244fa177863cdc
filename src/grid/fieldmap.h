// What the grid readers, metric and BedMake call of the field mapping: the
// face flow flags, the carry-over of the fields to a changed grid, the
// attachment of the discharge groups and the nested grids.
#pragma once

// Flow flags and orientation of the faces, face levels of the discharge
// groups, donor cells of nested blocks (run by metric after the side codes).
void setFaceFlowFlags();

// Carries every field over to the changed grid (BedMake, transient runs).
void InterpolateGrid();

// Builds and attaches the discharge groups 1 and 2 that F 314 asks for.
void setFluxes();
// Attaches every discharge group with a discharge to the faces of the new grid.
void InterpolateBoundary();
// Finds the reference columns of the free surface (G 6, G 62).
void SetiPresjPres();

// Bed cells of the parent grid beneath the columns of nested blocks.
void computeBnestcoarse();
// Water-surface levels of the nested blocks from the coarse grid (F 238).
void interpolateSurfaceNested();

// What a run that stops on a degenerate cell leaves for diagnosis: the
// restart file and, with results, the result files of the output options.
void writeCrashFiles(bool withResults);
