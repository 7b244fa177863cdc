// The bed-layer distributions that treat walls and shorelines of their own:
// steep walls (F 64 7, 37), the crack grid (F 64 9) and sliding shoreline
// corners (F 64 10). They keep the continuous layer of cells along the bed of
// F 64 6 and differ where the bed steps or meets the water.
#pragma once

// True for the F 64 values built here.
bool bedWallDistribution(int method);

// The cells of every block by the distribution of UMethod; D is the largest
// depth of this build. 0, or -1 when the F 65 sizes were reached (the
// overflow report is the caller's).
int UnstrucBedWalls(double D);

// F 64 7, 37: marks with vv 1 the upper grid line of every grid-line edge of
// the window whose bed slope exceeds 2 in magnitude.
void markSteepLines(int i1, int i2, int j1, int j2);

// Corner fraction (0 at the water level, 1 at the bed, above 1 below the bed)
// of the bottom (top false) or top corner on grid line (gi, gj) of the cell at
// level k, place c in its column (1 = the lowest). The bottom corner of a
// grid line that has run out of levels marks it with vv -1 for the rest of
// the build; ask for the bottom corner before the top one.
double steepCornerFraction(int gi, int gj, int k, int c, bool top);

// F 64 9: the crack faces of the window from the cell counts ant (crackI,
// crackJ), their counts and smallest jumps per grid line (vv, vn), the F 232
// extension and clean-up, the gap filling, and one level less at every inner
// crack end (antlin).
void findCracks(int i1, int i2, int j1, int j2);

// Corner fraction of corner m (1..4) of column (i, j) for the cell at level
// k, place c, by the crack rules (the same mark -1 as above).
double crackCornerFraction(int i, int j, int m, int k, int c, bool top);

// F 64 10: slides the dry plan corners of column (i, j) in NewCell toward the
// waterline (F 89) or onto a dry neighbour corner; s, e, n, w are the
// neighbours of the column's lowest cell.
void moveShoreCorners(int i, int j, int s, int e, int n, int w);
