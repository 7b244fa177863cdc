// The routines of the fast flow driver (F 170) beside WaterSolveFast.
#pragma once

// Inflow terms of the discharge groups in rows 0..4 of CinvApf (diagonal)
// and Csourcem (source), and the marks Cinout. A group feeds the rows only
// while its current discharge is above 0.
void boundaryFast();
// The normalised residuals of u, v, w, k and epsilon (MaxResidual 1, 2, 3, 5,
// 6): per row the sum over the range of the change one Jacobi step would
// make, d = (sum a_nb phi_nb + b) / a_P - phi; d goes into the residual
// fields with F 153 1. Returns MaxResidual[6].
double residualFast();
