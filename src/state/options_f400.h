// Options of the F data sets 400 to 555.
#pragma once
inline int FlagMorphStatistics = 0;   // F 404
inline int FlagSmoothNewCorners = 0;  // F 425
inline int UMethod2 = 0;              // F 488
