// Grid points and columns of the block grid as the level adjustments before a
// regeneration see them: the updated blocks, their grid-point windows clipped
// to the lines zval holds, and checked access to a column's cells.
#pragma once

#include <algorithm>

#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace surfacegrid {

// A block of the computed grid whose water surface moves (G 26).
inline bool updatedBlock(int b) {
  return b >= 1 && b < 100 && b <= NoBlocks && block[b].gridLevel == 0 && SurfUpdate[b] == 1;
}

// A grid point that zval holds.
inline bool onGrid(int i, int j) { return zval && i >= 0 && j >= 0 && i <= xnumber + 1 && j <= ynumber + 1; }

// The grid points i = i1-1..i2, j = j1-1..j2 of a block, clipped to the grid.
struct Window {
  int iLo, iHi, jLo, jHi;
  bool holds(int i, int j) const { return i >= iLo && i <= iHi && j >= jLo && j <= jHi; }
};

inline Window pointWindow(const BlockRecord& B) {
  return {std::max(B.i1 - 1, 0), std::min(B.i2, xnumber + 1), std::max(B.j1 - 1, 0), std::min(B.j2, ynumber + 1)};
}

// Water level of a grid point (slot znumber) and its working copy.
inline double& zs(int i, int j) { return zval[i][j][znumber]; }
inline double& zsCopy(int i, int j) { return zval[i][j][znumber + 1]; }

// Writes a level into both slots.
inline void setLevel(int i, int j, double z) { zval[i][j][znumber] = zval[i][j][znumber + 1] = z; }

// Copies slot znumber into the working copy over a window.
inline void copyLevels(const Window& w) {
  for (int i = w.iLo; i <= w.iHi; ++i)
    for (int j = w.jLo; j <= w.jHi; ++j) zsCopy(i, j) = zs(i, j);
}

// Column (i, j) has a cell in the current grid.
inline bool wetColumn(int i, int j) { return lowestCellOf(i, j) != 0; }

// The grid-point window of the ordinary block of the computed grid that holds
// column (i, j); the whole grid when no block does.
inline Window windowOfColumn(int i, int j) {
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    const BlockRecord& B = block[b];
    if (B.gridLevel == 0 && B.kind == 0 && B.subBed == 0 && i >= B.i1 && i <= B.i2 && j >= B.j1 && j <= B.j2)
      return pointWindow(B);
  }
  return {0, xnumber + 1, 0, ynumber + 1};
}

// The four columns around grid point (i, j): A (i, j), B (i, j+1),
// C (i+1, j+1), D (i+1, j), as their lowest cells; missing ones filled from
// the neighbour relations of those present, in this order, so that a point at
// a block join reaches the cells of the adjoining block. Returns the number
// present.
inline int cornerColumns(int i, int j, int cell[4]) {
  auto cellOr0 = [](int c) { return cellInGrid(c) ? c : 0; };
  int A = lowestCellOf(i, j), B = lowestCellOf(i, j + 1), C = lowestCellOf(i + 1, j + 1), D = lowestCellOf(i + 1, j);
  if (!A) A = B ? cellOr0(Ccells[B]) : 0;
  if (!A) A = D ? cellOr0(Ccellw[D]) : 0;
  if (!B) B = A ? cellOr0(Ccelln[A]) : 0;
  if (!B) B = C ? cellOr0(Ccellw[C]) : 0;
  if (!C) C = B ? cellOr0(Ccelle[B]) : 0;
  if (!C) C = D ? cellOr0(Ccelln[D]) : 0;
  if (!D) D = A ? cellOr0(Ccelle[A]) : 0;
  if (!D) D = C ? cellOr0(Ccells[C]) : 0;
  cell[0] = A;
  cell[1] = B;
  cell[2] = C;
  cell[3] = D;
  return (A != 0) + (B != 0) + (C != 0) + (D != 0);
}

// Some column around grid point (i, j) has a cell (the sum of the lowest-cell
// numbers zval holds is positive).
inline bool anyColumnAround(int i, int j) {
  auto raw = [](int a, int b) { return onGrid(a, b) ? zval[a][b][0] : 0.0; };
  return raw(i, j) + raw(i, j + 1) + raw(i + 1, j + 1) + raw(i + 1, j) > 0;
}

// A point that an earlier updated block holds as well belongs to that block.
inline bool pointOfEarlierBlock(int b, int i, int j) {
  for (int e = 1; e < b && e < 100; ++e)
    if (block[e].gridLevel == 0 && pointWindow(block[e]).holds(i, j)) return true;
  return false;
}

}  // namespace surfacegrid
