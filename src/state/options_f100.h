// Options of the F data sets 100 to 199.
#pragma once

inline int NoBedLayers = 2;           // F 134
inline int MGSNo = 0;                 // F 152
inline int Flag2DAccSolver = 0;       // F 168
inline int FlagFastWatersolve = 0;    // F 170
inline int PresRegres = 0;            // F 143
