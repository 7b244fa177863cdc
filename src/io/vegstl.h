// Vegetation and terrain from a closed STL surface (run letter P,
// computeVegdataFromSTL in io/modelfiles.h): the levels where the vertical
// line through each column centre of block 1 crosses the surface become an
// N record of `vegdata.sl`, 1000.0 inside the body and 0 outside; the first
// vertex of each triangle becomes a point of `geodata.sl`.
#pragma once

// Level of the plane of triangle t (1..NoSTLTriangles of STLarray) above
// (x, y); NaN when the plane is vertical and has no level above a point.
double computeVegdataVertLevel(int t, double x, double y);

// Sorts the crossing levels of every column of block 1 (time level 0 of Bveg,
// the orientations in variable 1 moving with them) and removes the crossings
// counted twice.
void computeVegdataBubblesort();
