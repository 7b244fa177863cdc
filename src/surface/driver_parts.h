// Steps of the surface move, open to the tests.
#pragma once

// The column cell of the reference column; the lowest cell of the column of r
// where the reference grid point has none; 0 (with the "Error 9" line) when
// neither exists.
int surfaceReferenceCell(int r);
// The backwater factors of F 343 30 and F 477; false when F 477 1 skips the move.
bool backwaterScaling();
// The factors from the outlet and inlet reference pressures m1, m2 (Pa) and
// the rise of the last backwater curve (maxBackwater).
bool backwaterFactors(double m1, double m2);
// F 36 10: algorithm 10 with the reference level lowered by the head of the
// reference grid point's column cell (0 when that column is dry), from the
// reference cell ref.
void surfaceAlgo10Move(int ref);
// Three times the mean magnitude of the pressure-correction residual.
double meanPressureResidual3();
// Forgets the trace file of a run (the header is written again).
void resetSurfaceDriver();
