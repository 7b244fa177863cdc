// Checked access to the water columns and grid lines of the block grid,
// shared by the bed-change variants and the bed filters.
#pragma once

#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace bedcols {

inline bool gridLine(int i, int j) { return i >= 0 && j >= 0 && i <= xnumber + 1 && j <= ynumber + 1; }
inline bool bedCell(int b) { return b >= 1 && b < bedCellCapacity(); }

// Lowest cell of column (i, j); 0 for a dry column or no cell.
inline int columnCell(int i, int j) {
  if (!gridLine(i, j)) return 0;
  const double v = zval[i][j][0];
  return v >= 1.0 && v < static_cast<double>(NoCells) + 1.0 ? static_cast<int>(v) : 0;
}

// A block the bed routines treat: ordinary, not a coarse level, active.
inline bool bedBlock(const BlockRecord& B) { return B.kind == 0 && B.gridLevel == 0 && B.active == 1; }

// The lowest cell of the water column of neighbour column (i, j): the bottom
// cell of its bed cell, followed down; 0 where there is none.
inline int neighbourCell(int i, int j) {
  if (!gridLine(i, j)) return 0;
  const int nb = pointbed[i][j];
  if (!bedCell(nb)) return 0;
  int c = Bcellt[nb];
  if (c < 1 || c > NoCells) return 0;
  for (int guard = 0; guard < NoCells && Ccellb[c] >= 1 && Ccellb[c] <= NoCells; ++guard) c = Ccellb[c];
  return c;
}

inline int bedOf(int c) {
  const int b = c >= 1 && c <= NoCells ? Cbed[c] : 0;
  return bedCell(b) ? b : 0;
}

}  // namespace bedcols
