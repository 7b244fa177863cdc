// The direct-topology distributions (F 64 14, 15): points, cells and the
// needed surfaces written straight into the topology, numc[i][j][k] the
// point at level k of grid line (i, j).
#pragma once

// True for the F 64 values built here.
bool directTopologyDistribution(int method);

// The cells of every block; D is the largest depth of this build. 0, or -1
// when the F 65 sizes would be passed (tested before the points of a grid
// line and before each cell; the overflow report is the caller's).
int UnstrucDirect(double D);
