// The block grid: grid lines (i, j), i 0..xnumber+1, j 0..ynumber+1, each with
// its levels k 0..znumber+1. Allocated once by sialloc after the first pass
// over the control file.
#pragma once

inline double **xval, **yval;          // x, y of grid line (i, j), m
inline double*** zval;                 // [1] bed, [znumber] water surface; [0] lowest cell of the column (as double)
inline double*** Surfaces;             // [5 or 8][i][j] level surfaces
inline double **armap, **roughness;    // horizontal column area (m2), bed roughness ks (m)
inline int **pointbed, **bedOutBlock, **pointcell_old;
inline double **P, **Q;                // attraction terms of the elliptic grid smoothing (W 7)
// Under options
inline int** pointcell;                // F 488
inline int*** pointnest;               // F 261 / F 238 [i][j][2]
inline int** wetdryCornerFlag;         // F 425
inline double **bedStatDepth, **bedStatBed, **bedStatDev, **bedStatK;  // F 358
inline double*** baggerZval;           // F 386 [MaxNoBagger][i][j]
inline double* zugabeZval;             // F 386
inline double** zugabeFractions;       // F 386 [MaxNoBagger][lnumber+1]
inline double **PresRegresSumPres, **PresRegresSumXPres;  // F 143
// The iteration sums are doubles: the square of the counter outgrows an int
// between two surface moves of a long run.
inline double **PresRegresSumX, **PresRegresSumXX;  // F 143
inline int **PresRegresN;                          // F 143
inline double*** Tinspace;             // F 294 [InspaceAlloc+2][20][20]
inline double* TinspaceTime;           // F 294

// Number of level surfaces in Surfaces: 8 with F 236 or F 404, else 5.
int surfaceCount();

// Allocates the block-grid arrays; 0 on success, -1 when an allocation fails.
// Ends the process with -2 when znumber exceeds the level table.
int sialloc();
