// Options of the F data sets 300 to 399.
#pragma once

inline int FlagWaterSolveNew = 0;     // F 328
inline int BedStatI1 = 0;             // F 358
inline int BedStatI2 = 0;             // F 358
inline int BedStatJ1 = 0;             // F 358
inline int BedStatJ2 = 0;             // F 358
inline int MaxNoBagger = 0;           // F 386
