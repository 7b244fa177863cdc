// Coarse two-dimensional levels above the three-dimensional grid.
#pragma once

// The levels of the column multigrid (F 168): block records of kind 2 after
// block NoBlocks, level L in record NoBlocks + L - 1, cells numbered after
// NoCells, neither count raised; NoMGlevels, MGSCpoint and the horizontal
// links of the coarse cells. A level that would pass the F 65 cell count ends
// the run (status -1).
void AlgMGMake();

// The real coarse grids of the grid sequencing (F 152): levels 2..F 152 as
// blocks NoBlocks0 + 1 .. with corners (those of the columns), surfaces and
// links, counted in NoCells, NoSurfaces and NoBlocks; the work ranges are
// left on the coarsest level. A level that does not fit the F 65 sizes ends
// the run (status -1).
void MGSCoarserGridMake2D();
