// Run-long state of the result writers that append to their files through a
// run: the interpolation-point fraction files, the dune statistics along one
// profile and the braiding statistics. Assigned their initial values by
// setOutputStateInitial() (setRunStateInitial calls it).
#pragma once

// 1 after the first call of print_fractions in the run (interres30 and
// interres40 created; later calls append).
inline int FlagHasOpenedInterres = 0;

// Dune statistics along one profile (F 370): calls completed; the class of
// each grid line of the profile in this call and in the previous one (1
// crest, -1 trough, 0 neither); the run's sum of the vertical profile of the
// diffusion parameter per level; the dunes of all calls.
constexpr int kDuneProfilePoints = 9000;
constexpr int kDuneLevels = 900;
inline int DuneCalls = 0;
inline int DuneIndex1[kDuneProfilePoints], DuneIndex2[kDuneProfilePoints];
inline double DuneDiffVert[kDuneLevels];
inline int nodunesTot = 0;

// Braiding statistics (F 368): the main index of the previous call and the
// sums of the three time windows.
inline double oldbraided = 0.0, braid1 = 0.0, braid2 = 0.0, braid3 = 0.0;

// Tracer stones (F 424): the stones read from `tracer`, -1 before the first call.
inline int NoTracerStones = -1;

void setOutputStateInitial();
