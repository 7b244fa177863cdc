// A surface step that stands on its own and the fixed values of the
// two-dimensional surface equation at the downstream boundary. No driver
// calls them.
#pragma once

// The level of column (i, j): the top face of its top cell; false when the
// column has no cell.
bool surfaceColumnLevel(int i, int j, double& zLevel);

// Fixes the surface equation at the lowest cell of the reference column to
// the downstream level (the time series of timei at stimet, else the
// column's own level) less the column's level, the same at the second
// reference column with the upstream level, and at the lowest cells of the
// faces of the outflow groups kSurf and kSurf2 with the downstream level.
void surface_solver_downstream();

// A complete surface step: advances the time (F 36 above 1 outside sediment
// runs), with F 36 4 solves a level-change equation fixed at the reference
// column and the outflow group and moves the corners by RelaxSurface times
// the mean of their columns, then levels the wet/dry edges (F 187 1),
// smooths (F 154 1) and builds the grid anew (outside sediment runs).
void surface2DLL();
