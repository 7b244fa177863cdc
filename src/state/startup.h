// The initial flow state.
#pragma once

void startup();

// The under-relaxation factors in use from K 3: a velocity or pressure factor
// outside 0.001..2 becomes 0.001, a k or epsilon factor outside 0.01..2 becomes
// 0.01, so that no factor is 0 (its inverse divides the diagonals).
void setRelaxationFactors();
