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
inline int UMethod = 11;              // F 64
inline double MinVertDist0 = -0.001; // F 86, F 94
inline double MinVertDist1 = 0.01;  // F 86, F 94
inline double GridDistCoeff = 0.6; // F 87
inline double ArtDiff = 0.0;        // F 14
inline double FillPart = 0.0;       // F 23
inline double FillCriteria = 0.0;   // F 23
inline int FlagTFS = 0;              // F 36
inline int SouComp = 0;              // F 63
inline int TurbDensFlag = 0;         // F 71
inline int BedLoadVectorFlag = 0;    // F 78
inline int FlagBedCalc = 0;          // F 79
inline int FlagWallAll = 0;                   // F 15
inline double XksInflow = 0.0;                // F 16, F 202
inline double MaxDepthScour = 0.0;            // F 41, F 375
inline int FlagMinBedLev = 0;                 // F 41, F 42, F 375: which of them came last
inline int IterAvalanche = 0;                 // F 56, F 270
inline double AngleAvalanche = 1.0;           // F 56, F 270
inline int TFSfroudeforward = 1;              // F 58, F 227
inline double TFSdampwall = 2.0;              // F 58, F 469
