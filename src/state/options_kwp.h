// Options of the K, W and P data sets.
#pragma once
inline double level = 0.0;            // W 1: water level (m)
inline int sou[50];                  // K 6 (1..6), F 63 (7..9): convection scheme per equation
