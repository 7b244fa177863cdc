// The layered bed of a sediment computation in legacy VTK files, and the
// tracer share per bed cell.
#pragma once

// Median diameter (m) of a layer with the size fractions f[1..lnumber]
// (size 1 the coarsest), linear in the diameter between class middles;
// gsize[1] when no class brings the finer share above one half.
double layerD50(const double* f);

// Diameter of the size with the largest fraction (the lower size on equal
// fractions); 0 when every fraction is 0.
double dominantSize(const double* f);

// Sum of the fractions f[1..lnumber] of the tracer sizes: the bed-layer files
// know the sets of 10 and 18 sizes (0 for other size counts); the tracer
// share per bed cell also those of 14 and 22.
double tracerSum(const double* f, bool forFiles);

// Run-long: 1 once the continuity test file `bedtest` has been created.
inline int FlagBedtestCreated = 0;
