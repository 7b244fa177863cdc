// Walks along a water column of the unstructured grid: the cells of one column
// are linked by Ccellt (upward) and Ccellb (downward); every step is checked
// against the cell count, so that a broken link ends the walk instead of
// reading outside the arrays.
#pragma once

#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/runstate.h"

inline bool cellInGrid(int c) { return c >= 1 && c <= NoCells; }
inline bool faceInGrid(int f) { return f >= 1 && f <= NoSurfaces; }

// The cell above (below) c, 0 at the end of the column or on a broken link.
inline int cellAbove(int c) { return cellInGrid(Ccellt[c]) ? Ccellt[c] : 0; }
inline int cellBelow(int c) { return cellInGrid(Ccellb[c]) ? Ccellb[c] : 0; }

// The top cell of the column of c (c itself when nothing lies above it).
inline int columnTopCell(int c) {
  for (int n = 0, t = cellAbove(c); t != 0 && n < NoCells; ++n, t = cellAbove(c)) c = t;
  return c;
}

// Calls visit(c) for c and every cell above it, in upward order.
template <typename F>
inline void forColumnUp(int c, F visit) {
  for (int n = 0; cellInGrid(c) && n < NoCells; ++n, c = cellAbove(c)) visit(c);
}

// Calls visit(c) for c and every cell below it, in downward order.
template <typename F>
inline void forColumnDown(int c, F visit) {
  for (int n = 0; cellInGrid(c) && n < NoCells; ++n, c = cellBelow(c)) visit(c);
}

// The lowest cell of grid column (i, j) from slot 0 of zval; 0 for a dry
// column or a position outside the block grid.
inline int lowestCellOf(int i, int j) {
  if (!zval || i < 0 || j < 0 || i > xnumber + 1 || j > ynumber + 1) return 0;
  const double v = zval[i][j][0];
  if (!(v >= 1.0 && v < NoCells + 1.0)) return 0;
  return static_cast<int>(v);
}
