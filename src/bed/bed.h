// Bed change, slides and soil stress.
#pragma once

int computeSoilStress();
void computeSlideLocation();
int computeSlidemovement();
void computeSlideBlock();
void smoothBedchange();
void computeSandSlide();
// The bed filter of F 144 (one option per call; 5 filters Bedmove, the
// others the corner levels).
void bedsmooth();
// The bed change of a time step into the grid corners, and the new grid.
void bedchange();
void bedchange2();
// One column (i, j) of the column-wise bed change, whose block window is
// i1..i2 by j1..j2, b its bed cell.
void bedchangeCell(int i, int j, int b, int i1, int i2, int j1, int j2);
void bedchange3();
void bedchange4(int later);  // later: 0 in the first time step, 1 after it
void bedchange5();
