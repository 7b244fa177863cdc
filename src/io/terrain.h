// Terrain points of `geodata`: "E x y z" records. An S starts a line of four
// numbers that forms no point, a Z ends the points, every other byte is passed
// over. Every reader of the file takes its points from here.
#pragma once

#include "io/scanner.h"

// The next point of the file into xyz; false at Z or at the end of the file.
// An E record whose three numbers cannot be read (NaN and infinity are not
// numbers) ends the run with the file's name and the line.
bool nextTerrainPoint(Scanner& s, const char* file, double xyz[3]);
