// Water-quality components: their source terms and the transport drivers
// (run letter C, and the component pass of the hydrostatic driver).
// Components() is declared with the flow drivers in flow/flow.h.
#pragma once

// Sources, inflows and reaction terms of the component Equation - 8, added to
// Cap and Csource of the cells 1..NoCells.
void CompSource();
// The light-dependent biology terms, called from CompSource.
void CompSourceAlgae();
// The component pass of the hydrostatic driver after each outer iteration.
void SimpleComponents();
// Cap := the sum of the neighbour coefficients of the component equation on
// first..last, the second neighbours with the second-order scheme and, on
// cells with quasi-neighbour lists, the list coefficients in place of the
// side's own: the diagonal of a conservative equation.
void componentDiagonal(int first, int last, bool second);
