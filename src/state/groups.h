// The faces of the discharge groups and the cells they belong to.
#pragma once

#include <algorithm>

#include "state/arrays.h"
#include "state/records.h"
#include "state/runstate.h"

// The cell a group face belongs to: Fcell1, or Fcell2 where Fcell1 is 0;
// 0 for a face or cell number outside the grid.
inline int groupFaceCell(int f) {
  if (f < 1 || f > NoSurfaces) return 0;
  const int c = Fcell1[f] != 0 ? Fcell1[f] : Fcell2[f];
  return c >= 1 && c <= NoCells ? c : 0;
}

// The number of faces listed for a group, within its list.
inline int groupFaceCount(const DischargeGroup& G) { return std::clamp(G.surfno, 0, MaxGroupFaces); }
