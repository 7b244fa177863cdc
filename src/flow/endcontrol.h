// Test hooks of the end-of-iteration control: the largest residual of the
// last call, which the next call compares with (it lives for the whole
// process otherwise).
#pragma once

// Sets the largest residual of the "previous" call: the next call of
// printEndWaterSolve takes it as the residual to compare with.
void setEndControlMax(double max);
// The largest residual of the last call (NaN when one residual was not a number).
double endControlMax();

// A cell speed above this (m/s) ends a flow computation as diverged,
// whatever its residual.
constexpr double kDivergedSpeed = 1000.0;
