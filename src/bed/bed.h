// Bed change, slides and soil stress.
#pragma once

int computeSoilStress();
void computeSlideLocation();
int computeSlidemovement();
void computeSlideBlock();
// F 414: the deposit of a column standing too high goes to its lowest
// neighbour (Bedmove, and Bbedchange where the multi-layer bed has it).
void smoothBedchange();
// F 451: humps and troughs of the stack levels levelled by moves between
// the stacks (along i; along j as well with 2).
void bedSmooth4();
// F 553 1 (more than two layers): the growth of steps along j damped.
void computeBedformSmooth();
// F 266: the limit-equilibrium check of the bank columns (after the
// groundwater update with F 262); failing columns flatten towards their mean.
void computeGLEA();
// The pair (i, j-1), (i, j) by the lateral slope method 103.
void functionLateralSediment(int i, int j);
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
