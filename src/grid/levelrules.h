// Rules shared by the vertical distributions of otherlevels.cpp and
// bedwalls.cpp: the corners of a column, the depth of a grid line, the level
// counts that follow the depth and the levels of a fixed-level block.
#pragma once

#include "state/records.h"

namespace levelrules {

// Grid lines of corners 1..4 of column (i, j).
struct ColumnCorners {
  int ci[5], cj[5];
  ColumnCorners(int i, int j) : ci{0, i - 1, i, i, i - 1}, cj{0, j - 1, j - 1, j, j} {}
};

// Water level less bed of grid line (i, j); negative where the bed lies above
// the water.
double depthAt(int i, int j);

// The whole part of v, at most `cap`; a ratio beyond the depth scale gives the
// cap, so that no count passes znumber.
int wholePart(double v, int cap);

// Levels of a grid line of depth h: 1 below MinVertDist0, 2 below
// MinVertDist1, else 2 + the whole part of (h / R)^e (znumber - 2).
int spreadCount(double h, double R, double e);

// A fixed-level block: its level count nz, kept below znumber, and the nz + 1
// levels from d2 - d1 up to d2 on grid line (i, j).
int fixedLevelCount(const BlockRecord& blk);
void fixedLevels(const BlockRecord& blk, int i, int j);

// The steep-column reduction: the cells a column whose depth varies over its
// width by more than its horizontal size loses, the deep corner's share.
// The length is the square root of the plan area (areaLength; none for
// corners in clockwise order) or the shorter plan edge at grid line (i, j).
int steepColumnReduction(int i, int j, bool areaLength);

}  // namespace levelrules
