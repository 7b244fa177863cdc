// A channel whose bed rises across it to a bank, for the grid generation
// tests: the bed of a grid line depends only on its row across the channel,
// so that columns go shallow, dry and steep row by row. Also small readers of
// the generated columns.
#pragma once

#include <vector>

#include "grid/grid_builder.h"

// Bed levels of the grid-line rows across the channel (row 1 first), the same
// all along it; water level `water` everywhere. With across = 'j' the channel
// runs in i and the rows are j = 1..rows.size(); with across = 'i' it runs in
// j and the rows are i = 1..rows.size(). The block has `length` columns along
// the channel and rows.size() - 1 across it, grid lines 1 m apart.
struct SlopingBank {
  std::vector<double> rows;
  int length = 4;
  double water = 1.0;
  char across = 'j';

  BlockGrid grid() const {
    BlockGrid g;
    const int n = static_cast<int>(rows.size());
    g.nx = across == 'j' ? length : n - 1;
    g.ny = across == 'j' ? n - 1 : length;
    g.bed = [r = rows, a = across](int i, int j) { return r[(a == 'j' ? j : i) - 1]; };
    g.water = [w = water](int, int) { return w; };
    return g;
  }
};

// Cells of column (i, j), walked up from its lowest cell.
inline int columnCells(int i, int j) {
  int n = 0;
  for (int c = static_cast<int>(zval[i][j][0]); c > 0; c = Ccellt[c]) ++n;
  return n;
}

inline int lowestCell(int i, int j) { return static_cast<int>(zval[i][j][0]); }

inline int topCell(int i, int j) {
  int c = lowestCell(i, j);
  while (c > 0 && Ccellt[c] > 0) c = Ccellt[c];
  return c;
}
