// Terrain points and surfaces read from the terrain files: the survey points
// of `geodata` (or its variants) that the bed interpolation and the roughness
// computation read, the deletion triangle of the points, and the triangles of
// an STL surface. Allocated by their readers (not by AllocateArrays).
#pragma once

// Terrain points 0..NoGeo-1 (NoGeo in runstate.h): x, y and level z (m);
// ig marks a point found inside the deletion triangle (1). NoGeo + 5002
// entries each, zero-filled.
inline double *xg, *yg, *zg;
inline int* ig;

// Deletion triangle: corners 1..3, entry 4 a copy of corner 1.
inline double xDelGeo[5], yDelGeo[5];

// Triangles of `stlfile.stl`, 1..NoSTLTriangles: vertex v (0..2), coordinate
// k (x, y, z) of triangle t at STLarray[9 t + 3 v + k].
inline double* STLarray;
inline int NoSTLTriangles = 0;
