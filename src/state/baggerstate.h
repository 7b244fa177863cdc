// The event table of the dredging and feeding schedule `bagger` (F 386),
// filled once per run when the file is read (NoBaggerTimes, the index of the
// last event, stands in runstate.h; -1 until the file is read). The
// per-grid-point tables baggerZval, zugabeZval and zugabeFractions, sized by
// the second F 386 value, stand in blockgrid.h.
#pragma once

inline constexpr int MaxBaggerEvents = 100;  // T data sets
inline constexpr int MaxBaggerAreas = 20;    // N data sets per event

inline double baggerTime[MaxBaggerEvents][2];                // start, end (s)
inline int baggerFlags[MaxBaggerEvents];                     // 0 dredging, 2 Z, 4 D, 5 E feeding
inline int NoBaggerAreas[MaxBaggerEvents];                   // N data sets of the event
inline int baggerAreas[MaxBaggerEvents][MaxBaggerAreas][4];  // i1, i2, j1, j2
inline double baggerLevels[MaxBaggerEvents];                 // L data set, stored only
