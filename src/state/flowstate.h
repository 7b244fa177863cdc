// Run state of the flow computations that the drivers and their stages share.
// setFlowStateInitial() assigns the initial values (setRunStateInitial calls it).
#pragma once

// Continuity record of the last pressure correction: the sum of the cell mass
// defects (kg/s), the largest defect and its cell (0 before any).
inline double GlobContinuity = 0.0, GlobDefMax = 0.0;
inline int Glob_dmI = 0;
// Flushes made in the current flow computation (the driver zeroes it).
inline int FlagFlushIter = 0;
// 1 when options that size the block-grid arrays changed: the next inner
// iteration allocates what is missing.
inline int FlagFlowParamChange = 0;
// 0 when the iteration line of the current outer iteration is written.
inline int FlagPrint = 0;
// Inner iterations of the last outer iteration (the loop counter at its end).
inline int GlobInnerIter = 0;
// Set when a computation wrote an Error line and went on: the run then ends
// with a failure status instead of the status of a normal end.
inline int RunErrorReported = 0;

void setFlowStateInitial();
