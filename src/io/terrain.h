// Terrain points of `geodata`: "E x y z" records. An S starts a line of four
// numbers that forms no point, a Z ends the points, every other byte is passed
// over. Every reader of the file takes its points from here.
#pragma once

#include "state/scanner.h"

// The next point of the file into xyz; false at Z or at the end of the file.
// An E record whose three numbers cannot be read (NaN and infinity are not
// numbers) ends the run with the file's name and the line.
bool nextTerrainPoint(Scanner& s, const char* file, double xyz[3]);

// Reads the terrain points of the first terrain file that exists (geodata,
// geodatk, geodatm, geodatn, vastrin; geodata.mpiN under F 308) into xg, yg,
// zg, ig and NoGeo, logging to `boogie.bed`, which it empties. Returns 0, -1
// when `boogie.bed` cannot be created, -2 when no terrain file exists, or the
// bytes of the arrays that could not be allocated (then NoGeo is 0 and no
// array is held). A record that cannot be read, and a `vastrin` raster that
// is malformed or larger than the block grid it defines, end the run.
double readGeodata();

// Bed levels of coarser grid lines covered by nested blocks, from the lowest
// cells of the nested block nearest to them.
void nestbedinterpol();
// Marks (ig 1) the terrain points inside the deletion triangle xDelGeo,
// yDelGeo; -1 (nothing marked) when the triangle runs clockwise, else 0.
int delGeodataValues();
// 1 when terrain point p lies inside the deletion triangle or on its edges.
int insideTriGeo(int p);
