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
