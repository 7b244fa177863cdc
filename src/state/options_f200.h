// Options of the F data sets 200 to 299.
#pragma once

inline int NoProcessesSolver = 0;     // F 206
inline int FlagThixo = 0;             // F 236
inline int FlagSoilStress = 0;        // F 248
inline int FlagGroundwater = 0;       // F 262
inline int FlagNestTop = 0;           // F 238
inline int FlagCoupledNesting = 0;    // F 261
inline int InspaceAlloc = 0;          // F 294
