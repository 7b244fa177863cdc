// Free-surface condition of the pressure correction.
//
// The pressure correction p' is taken as zero at the water surface. The top
// cell of each column (no cell above) gets a condition on its assembled p'
// equation by F 357 (FlagPresSurf, with the strength C = CoeffPresSurf):
//
//   -1, -10..-4  nothing
//   0            fix the top cell of every column with a cell below
//   1            fix, and clear the mass defect of every top cell
//   2            fix, and clear the mass defect of every other cell that is
//                the lowest of its column
//   -3           fix, and move the top cell's mass defect into the cell below
//   -2           strengthen the top cell by the pressure, r = (p/(9810 d))^4:
//                Cap *= 1 + C r, Cab += C r Cap/3 (Cap before the raise), so
//                that Cab/Cap goes to the 1/3 of the fix as C r grows
//   N >= 3       soft condition: walking down from the top cell by Ccellb,
//                step m adds C to Cap and C (2m+1)/(2m+3) to Cab of the cell
//                it stands on, for at most N cells, and only while the cell
//                below still has a cell below it
//
// The fix sets Cap = 1e20 and Cab = 1e20 d/(2d + db) (d, db: half heights of
// the top cell and the cell below), so p' of the top cell follows the straight
// line between 0 at the surface and p' at the centre of the cell below.
#include <algorithm>

#include "flow/control.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

constexpr double fixedDiagonal = 1e20;

inline bool isCell(int c) { return c >= 1 && c <= NoCells; }

// The cell below c when it is a cell of the grid, else 0.
inline int cellBelow(int c) {
  const int b = Ccellb[c];
  return isCell(b) ? b : 0;
}

inline bool lowestOfColumn(int c) {
  const int b = Cbed[c];
  return b >= 1 && b < bedCellCapacity() && Bcellt[b] == c;
}

inline void fixTop(int top, int below) {
  const double d = Ckdist[top], db = Ckdist[below];
  Cap[top] = fixedDiagonal;
  Cab[top] = fixedDiagonal * d / (2.0 * d + db);
}

inline void pressureStrengthened(int top, double C) {
  const double q = Cpres[top] / (9810.0 * Ckdist[top]);
  const double q2 = q * q;
  const double Cr = C * q2 * q2;
  const double ap = Cap[top];
  Cap[top] = ap * (1.0 + Cr);
  Cab[top] += 0.3333333333 * Cr * ap;
}

// The walk follows Ccellb, so the columns need not be numbered consecutively.
// It ends where the cell below is missing or is the lowest cell of the column,
// after n cells, or at a cell number outside the grid.
inline void softWalk(int top, int n, double C) {
  int x = top;
  const int steps = std::min(n, NoCells);
  for (int m = 0; m < steps; ++m) {
    const int y = cellBelow(x);
    if (y == 0 || cellBelow(y) == 0) return;
    Cap[x] += C;
    Cab[x] += C * (2.0 * m + 1.0) / (2.0 * m + 3.0);
    x = y;
  }
}

}  // namespace

// Threads: the pressure stage calls this in a phase of its own, after every
// chunk of the region has assembled its Cap, Cab and Csource, with the chunk's
// own cell range. Only top cells of the range start work, and everything
// written (the fixes, the moved defect, the soft walk) lies in the column of
// that top cell, even where it reaches cells numbered below firstCell. Each
// cell belongs to one column, so two chunks never write the same cell.
void presSurfFunction(int firstCell, int lastCell) {
  const int mode = FlagPresSurf;
  if (mode < -3 || mode == -1) return;
  const double C = CoeffPresSurf;
  const int first = std::max(firstCell, 1), last = std::min(lastCell, NoCells);
  for (int c = first; c <= last; ++c) {
    const bool top = Ccellt[c] == 0;
    const int below = cellBelow(c);
    if (mode >= 3) {
      if (top) softWalk(c, mode, C);
      continue;
    }
    if (top && below != 0) {
      switch (mode) {
        case -2: pressureStrengthened(c, C); break;
        case -3:
          fixTop(c, below);
          Csource[below] += Csource[c];
          Csource[c] = 0.0;
          break;
        default: fixTop(c, below); break;  // 0, 1, 2
      }
      if (mode == 1) Csource[c] = 0.0;
    } else if (mode == 1 && top) {
      Csource[c] = 0.0;
    } else if (mode == 2 && lowestOfColumn(c)) {
      Csource[c] = 0.0;
    }
  }
}
