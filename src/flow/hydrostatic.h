// The horizontal momentum equations of the hydrostatic and depth-averaged
// flow drivers.
#pragma once

// u (Equation 1), then v (Equation 2), assembled with the wall laws, the
// pressure gradient, the boundary conditions, Coriolis, wind and the
// temperature-driven pressure gradient, relaxed and solved on the work range.
// n = 2: the depth-averaged block, which takes the boundary terms of every
// cell of its columns; n = 3: the three-dimensional cells. A diagonal below
// 1e-30 is reported ("Error 4, Cap(...)"), sets FlagErrorBreak and returns
// with nothing solved. The caller computes the eddy viscosity and the
// coefficients first.
void SimpleWater(int n);
