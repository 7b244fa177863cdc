// Options of the K, W and P data sets.
#pragma once
inline double level = 0.0;            // W 1: water level (m)
