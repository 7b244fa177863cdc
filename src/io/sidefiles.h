// Side files of the control file, read at the end of kread once the
// block-grid arrays exist: the cyclic inflow profile `cyclic` (F 174), the
// inflow profile table `inflow` and the sediment inflow coefficients
// `inspace` (F 294). A missing file is no error; a file that does not fit its
// tables ends the process with the reader's message and status.
#pragma once

// cyclic: u, k and epsilon per level 1..znumber (entries 1..499 usable).
constexpr int MaxCyclicLevels = 500;
inline double cyclicU[MaxCyclicLevels], cyclicK[MaxCyclicLevels], cyclicE[MaxCyclicLevels];

// inflow: u, v, w, k, epsilon per point across the section j (0..499) and
// level k (0..49); inflowj, inflowk (runstate.h) are the largest indexes read.
constexpr int MaxInflowJ = 499, MaxInflowK = 49;
inline double inflowu[500][51], inflowv[500][51], infloww[500][51], inflowki[500][51], inflowe[500][51];

// inspace: ten coefficients per size (entries 1..10 of sizes 1..19); constant
// (B records) or per time level (T and C records, into Tinspace, with F 294).
inline double inspace[20][20];

// Reads `cyclic` when F 174 is positive.
void readCyclic();
// Reads `inflow` when it exists.
void readInflow();
// Clears the print-point records of `timeo`.
void clearTimePrint();
// Reads `inspace` when it exists.
void readInspace();
// All of the above, in this order (the last step of kread).
void readSideFiles();
