// Face-flux corrections at the shoreline (the corner-column pressure is
// TrekantPresCorr in solvers/corrections.h).
#pragma once

// Relaxes the face fluxes of the triangle cells firstCell..lastCell (by
// Ctrekant, with F 244 relaxTrekant2) toward water passing through them; above
// F 235 8 also the patterns of triangles with their neighbours.
void TrekantFluxCorr(int firstCell, int lastCell);

// The same for the corner columns of block 1, the two open faces of each
// corner over the whole column, weighted by area (F 436).
void TrekantFluxCorr4();
