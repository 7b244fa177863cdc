// Options of the F data sets 100 to 199.
#pragma once

inline int NoBedLayers = 2;           // F 134
inline int MGSNo = 0;                 // F 152
inline int Flag2DAccSolver = 0;       // F 168
inline int FlagFastWatersolve = 0;    // F 170
inline int PresRegres = 0;            // F 143
inline int FlagMinLevUnstruc = 0;    // F 102
inline int FlagPresGrad = 0;         // F 114
inline int TetI1 = 0;                // F 130
inline int QNFlag = 0;               // F 137
inline int FlagGridStab1 = 1;        // F 159
inline int FlagGridStab2 = 0;        // F 159
inline int FlagGridStab3 = 0;        // F 159
inline int FlagGridStab4 = 1;        // F 159
inline int FlagGridStab5 = 0;        // F 159
inline double MinVertDist2 = 0.0;   // F 162
inline int FlagUnstrucDir = 0;       // F 165
inline int FlagPresDebug = 0;        // F 183
inline double ConnectLimit = 1e-5;  // F 191
inline double NestNoRatio = 1.0;    // F 192
inline int FlagEndCorrect = 0;       // F 104
inline int FlagDragDLL = 0;          // F 115
inline int FlagBedSmooth = 0;        // F 144
inline int ExtrapAlgo1 = 2;          // F 147
inline int FlagResidual = 1;         // F 153
inline int FlagSIMPLE = 0;           // F 171
inline int FlagCyclic = 0;           // F 174
inline int FlagTDMA = 0;             // F 186
inline int FlagDrevan = 0;           // F 189
