// Options of the G data sets.
#pragma once

inline int xnumber = 300;             // G 1
inline int ynumber = 300;             // G 1
inline int znumber = 11;              // G 1
inline int lnumber = 1;               // G 1, F 79
inline int WorkBlockNo = 0;           // G 25
inline int WorkBlock[100];            // G 25, entries 1..WorkBlockNo
inline double zdistrib[5000];         // G 3, G 30: vertical level table
constexpr int MaxZnumber = 4997;      // the largest znumber that zdistrib holds
