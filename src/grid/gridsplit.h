// Grid-split prevention (F 371) and the level corrections before a grid
// build (F 371 rise, F 379 ponds). NoGridSplit, NoGridSplitRise and
// reducePonds are declared in surface/surface.h.
#pragma once

// The margin dh of an F 371 first value (m).
double gridSplitMargin(int v);

// The level rules of F 371 7 and 8 (wet stretches at the Froude limit), of
// F 371 9 (the level of each cross-section at its Froude limit) and the
// critical-depth rule that no variant selects.
void computeMinwaterlevel2();
void computeMinwaterlevel4();
void computeMinwaterlevel3();

// Ponds and ridges of F 394 (block 1): the wet edges of the level counts,
// and the flood fill from the discharge groups that empties the columns it
// does not reach.
void makeRidge();
void removePonds();

// The deep path of F 371 48 and above (block 1): traces `rute` from the first
// cross-section to the last and keeps the water a margin dh above the bed
// along it (Bminwaterlevel), the given-up entries at -100.
void traceDeepPath(double dh);
// F 423: raises the lowest levels of the side neighbours of column (i, j) to
// level + 0.8 d (above 1 also the diagonal ones).
void riseNeighbours(double level, double d, int i, int j);
// F 407 1: the critical-flow level of the sections through the path cells.
void computeCriticalCross();
// F 351 2: the Froude-limit level of the path cells, level less the height of
// the water column; the caller hands its margin over as a whole number of
// metres (cut toward zero).
void computeSurfLevFroude(int level);
