// Grid-line files, level files and bed roughness read and written beside the
// grid file `unstruc`.
#pragma once

// The level files and the derived state that end ReadUnstructure: koordina,
// koomink / koomin (or the default non-erodible bottom), roughness, plan
// areas, regeneration (version 4, F 112), bed cells and print points.
// The extent of the grid lines met in the grid file gives the koomink
// tolerance. Returns 0, or -58 when koomink / koomin do not fit the grid.
int readLevelFiles(double xMin, double xMax, double yMin, double yMax);

// Bed roughness per column (`bedrough`, "B i j ks").
void readBedrough();
// Angles of repose per column (`bedangle`, F 274).
void readBedangle();
// Cohesion per bed cell and layer from F 385 (and the file `cohesion` with
// F 385 2): F 385 when it is not 2, -20 when `cohesion` is missing or its
// first record incomplete, else the number of records read.
int setInitialCohesive();
// Interpolation points of `interpol` (M, N, T and C records); NoInterpol -2
// when the file does not exist.
void readInterpol();

// Block 1 saved unchanged, coarsened and refined (koosurf.1, .2, .cor, .fin,
// koomin.fin, fracres.cor, bagger.cor).
void writekoosurf();
// Block 1 as koordina.new and koordina.si1.
int writekoor();
// A block read from koosurf, or from koosurf.nes with its placement, beside
// the last block (no caller in a run): 0, or -1 when the file is missing.
int addBlockKoosurf();
int addBlockKoosurfNested();

// The series of version-1 grid files of a transient sediment computation.
void WriteTransFiles();
// Report of the cell-face topology of the work range.
int CheckFparam();
