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
