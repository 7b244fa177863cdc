// Options of the F data sets 300 to 399.
#pragma once

inline int FlagWaterSolveNew = 0;     // F 328
