// Solvers on whole water columns and on the two-dimensional hierarchy of
// coarse cells that AlgMGMake appends after the grid (block records of kind
// 2, MGSCpoint links): the horizontal point solver of the coarse levels, the
// column multigrid of the cell equations and of the surface equation, and
// the tri-diagonal line solvers.
#pragma once

// Relaxes Cf on first..last with the four horizontal neighbours only (eight
// with second-order coefficients): n symmetric sweeps serially, or Jacobi
// pairs through Cfn in threads under F 164 27 (any range) and 29, 30, 33
// (302 cells and more). With quasi-neighbour lists one symmetric pass.
void Gauss2D(int first, int last, int n);
// The same stencil without the source; kept, the engine does not call it.
void Gauss2Dresi(int first, int last, int n);

// The surface-height equation of each water column, stored in the column's
// bottom cell, summed onto the coarse levels, relaxed from the coarsest down;
// the bottom cells receive the level-2 values. AlgMGSurfCasulli is the form of
// the semi-implicit surface method.
void AlgMGSurf();
void AlgMGSurfCasulli();

// Thomas algorithm along the cell numbers over the work range (each column's
// system in turn, the horizontal neighbours at their current values), and
// the same column by column over the ordinary blocks (columns of five cells
// and more). Work arrays Cpt, Cqt.
void solverTDMA();
void solverVertTDMA();

// The first block record among 1..19 of kind above 0, the column level of the
// multigrid hierarchy (20 when there is none).
int multigridColumnBlock();

// Earlier forms of the two-dimensional acceleration, kept; the engine does
// not call them.
void AlgMGResidual(int first, int last, int ignored, double* out);
// Level 2 made by walking the columns (coarse cells from NoCells + 1 in the
// order of the cells), the coarser levels relaxed once each, the columns set
// to their coarse values.
void Acc2D();
// The coarse coefficients of the walk and of the records up to
// min(F 168, levels), each diagonal raised by its coupling sum; returns that
// number.
int Acc2Dcoeff(int levels);
// The mean residual of each column relaxed on the levels and added to the
// field of the equation (1, 2, 3, 5, 6); Cf is left as the caller set it.
int Acc2Dsolver(int levels);
