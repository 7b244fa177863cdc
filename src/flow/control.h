// Residuals of the cell equations, the free-surface condition of the
// pressure correction, the end-of-iteration control with its flush and crash
// report, the diagnostic dumps and the coefficient trap. printEndWaterSolve
// and printDebugTrekant are declared with the driver stages in flow/stages.h.
#pragma once

#include "flow/stages.h"

// ---- Residuals ----

// Normalised sum of |imbalance| of the equation in force over the cells
// first..last, added to MaxResidual[Equation]; returns the new entry. Main
// thread only.
double residual(int first, int last);
// The same sum for one chunk of a parallel region, returned and not stored.
// A missing normalisation found in a worker thread is only recorded: the
// region's caller reports it with residualNCheck after the region.
double residualN(int first, int last);
// Reports a missing normalisation recorded by residualN in a worker thread and
// ends the run; nothing when none was recorded. Main thread, after the region.
void residualNCheck();
// The residual of a chunk of the equation in force: its normalised sum into
// sum when the build runs in chunks, else MaxResidual[eq] from first..last.
void chunkResidual(int eq, bool parallel, int first, int last, double& sum);

// ---- Free-surface condition of the pressure correction (F 357) ----

// Acts on the assembled p' equation of the cells firstCell..lastCell.
void presSurfFunction(int firstCell, int lastCell);

// ---- End of an inner iteration ----

// Resets the fields and applies remedy n of the flush ladder (n = 1, 2, ...).
void flushFunction(int n);
// Crash report of a diverged computation: log lines and emergency output.
void printAtCrash();

// ---- Diagnostic dumps ----

// Dump of the cell PrintDebugBoogie (F 218) in inner iteration InnerIter.
void printDebug(int InnerIter);
// Dump of every cell of the work range with a suspicious pressure correction.
void printDebug2();
// Dump of a cell whose momentum coefficient Cap is out of range; ends the run.
// Main thread only.
[[noreturn]] void printErrorAp(int cell);

// ---- Coefficient trap (F 223) ----

// Fills the neighbour coefficients of firstCell..lastCell with the marker -10.
void ompbugtrapFunction(int firstCell, int lastCell);
// Logs every coefficient of the work range still below -0.01 after the build.
void computeOmpbugtrap();
