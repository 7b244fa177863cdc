// Pieces of the soil stress computation (computeSoilStress, bed/bed.h).
#pragma once

// MModulus, GModulus, LModulus from F 247 / F 410 (E and the Poisson ratio).
void computeSoilModuli();
// The class of a stress ratio r: 2 above 1.1, 1 from 0.9 to 1.1, else 0.
int stressRatioClass(double r);
// The coefficients of displacement equation 1 (u), 2 (v) or 3 (w) on both
// sides of the faces firstFace..lastFace, by F 259.
void coeff_make_stress(int equation, int firstFace, int lastFace);
// The cross term of direction 1 or 2 at cell: the difference of the vertical
// derivatives of field in the east and west columns times the mean face area.
double computeSourceStressNu(const double* field, int direction, int cell);
