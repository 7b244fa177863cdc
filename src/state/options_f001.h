// Options of the F data sets 1 to 99.
#pragma once

inline char debugging = 'N';          // F 1
inline char run[20];                  // F 2 (no terminating zero)
inline double TimeStep = 1e-20;       // F 17, F 33
inline int IterF2 = 1;                // F 20
inline int FlagTSC = 0;               // F 37
inline int NoComponents = 0;          // F 50, F 67
inline int Hydrostatic = 0;           // F 68
inline int ArrayTimeSteps = 200;      // F 81
inline int MaxCeller = 50000;         // F 65
inline int MaxFlater = 80000;         // F 65
inline int MaxPunkter = 50000;        // F 65
inline int MaxNester = 10000;         // F 65
inline int MaxConnFlate = 1000;       // F 65
inline int TurbulenceModel = 0;       // F 24
