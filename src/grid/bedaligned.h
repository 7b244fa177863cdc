// The bed-aligned distributions (F 64 3, 33, 4): cells numbered from the bed
// up, num[i][j][m] the m-th cell from the bed.
#pragma once

// True for the F 64 values built here.
bool bedAlignedDistribution(int method);

// The cells of every block; D is the largest depth of this build. 0, or -1
// when the F 65 sizes were reached (the overflow report is the caller's).
int UnstrucBedAligned(double D);

// F 231 1: across the east and then the north face of every inner column of
// the window, the deeper of the face's two grid lines takes the smaller cell
// count of the two columns when neither line has more levels than that
// (grid line (i, j-1), resp. (i-1, j), when both are equally deep).
void smoothCounts(int i1, int i2, int j1, int j2);
