// What the grid readers, metric and BedMake call of the field mapping: the
// face flow flags, the carry-over of the fields to a changed grid, the
// attachment of the discharge groups and the nested grids.
#pragma once

// Flow flags and orientation of the faces, face levels of the discharge
// groups, donor cells of nested blocks (run by metric after the side codes).
void setFaceFlowFlags();
// Flow flag of a boundary face of almost no area: 2 where the bottom cell of
// its column continues into the neighbour column on that side, else 0.
int findFlagflowTriangle(int face);

// Carries every field over to the changed grid (BedMake, transient runs).
void InterpolateGrid();
// Fill the columns wet for the first time (one of them per carry-over, F 147).
void WettingExtrapolation1();
void WettingExtrapolation2();
void WettingExtrapolation5();
// Reports new columns without a pressure or with a steep one (letter D).
void PressureTest();

// Builds and attaches the discharge groups 1 and 2 that F 314 asks for.
void setFluxes();
// Attaches every discharge group with a discharge to the faces of the new grid.
void InterpolateBoundary();
// Finds the reference columns of the free surface (G 6, G 62).
void SetiPresjPres();
// The face lists of the groups were read with the present grid: their faces
// become flow faces and their cells are marked (grid readers, after metric).
void groupFacesRead();
// True while the face lists of the groups still hold faces of a grid before
// the present one (a grid was built and the groups are not attached yet).
bool groupFacesStale();
// The geometry of a new grid has been computed: the lists are stale until
// attached or read again.
void groupFacesOfNewGrid();
// Flow flags of the listed faces again, when the lists belong to the grid.
void remarkGroupFaces();

// Bed cells of the parent grid beneath the columns of nested blocks.
void computeBnestcoarse();
// Water-surface levels of the nested blocks from the coarse grid (F 238).
void interpolateSurfaceNested();
// Parent cells of the cells of nested blocks (Cinterpolnest).
void computeCinterpolnest();
// Shifts the pressure of each nested block to the mean of its parent cells.
void scalePressureNested();
// Adds the coupling terms of the nested-block faces to the coefficients of
// the equation being assembled (Equation).
void nestsource();

// What a run that stops on a degenerate cell leaves for diagnosis: the
// restart file and, with results, the result files of the output options.
void writeCrashFiles(bool withResults);
