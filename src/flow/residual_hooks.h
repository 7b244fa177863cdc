// Test hooks of the residuals: the missing normalisation that residualN met
// in a worker thread and left for residualNCheck.
#pragma once

// The equation recorded, 0 when none.
int residualNPending();
// Forgets the recorded equation.
void residualNClearPending();
