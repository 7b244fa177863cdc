// Options of the S, N, M, Q, H, L, T and I data sets.
#pragma once

inline int FlagReadNdata = 0;         // N: accepted N data sets
inline double SedimentSample[20][51]; // N: fraction per distribution and size
inline int CompInflowNo = 0;          // M: accepted M data sets
inline char Title[81];                // T: text from position 1; position 0 stays 0
