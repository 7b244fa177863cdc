// Shares of a column's volume change at its four grid corners.
#pragma once

// A corner k of a column stands for the plan area area[k]/4 and takes the
// level change V / factor[k] of the column's volume V. After the factors
// have been skewed, they are scaled together so that the four corners hold
// the whole volume again: sum area[k]/factor[k] = 4. Arrays are 1..4.
inline void keepColumnVolume(const double* area, double* factor) {
  double s = 0.0;
  for (int k = 1; k <= 4; ++k) s += area[k] / factor[k];
  if (!(s > 0.0)) return;
  for (int k = 1; k <= 4; ++k) factor[k] *= s / 4.0;
}

// Weights of the corner shares scaled to sum 4 (the whole volume), none
// below 0.001, so that every corner keeps a share.
inline void weightsSumFour(double* f) {
  double s = 0.0;
  for (int k = 1; k <= 4; ++k) s += f[k];
  for (int k = 1; k <= 4; ++k) f[k] *= 4.0 / (s + 1e-20);
  for (int round = 0; round < 4; ++round) {
    double low = 0.0, rest = 0.0;
    for (int k = 1; k <= 4; ++k) (f[k] < 0.001 ? low : rest) += f[k] < 0.001 ? 0.001 : f[k];
    if (low == 0.0 || !(rest > 0.0)) return;
    for (int k = 1; k <= 4; ++k) f[k] = f[k] < 0.001 ? 0.001 : f[k] * (4.0 - low) / rest;
  }
}
