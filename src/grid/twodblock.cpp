// The depth-averaged block appended after the three-dimensional grid for the
// hydrostatic and two-dimensional flow drivers (F 68 1, above 2) and for the
// shallow-water scheme (F 311): one cell per water column from the bed to the
// water surface, of kind 1, its cells marked in CflagDim and numbered after
// every three-dimensional cell, so that cells 1..NoCells0 stay as they are.
#include <cstddef>

#include "grid/generate.h"
#include "state/log.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

int overflow() {
  logf("Error: Unstructured arrays are too small. Increase with the F 65 data set.\n \t\t\t\tNoPoints, NoSurfaces, "
       "NoCells = %d %d %d\n",
       NoPoints, NoSurfaces, NoCells);
  return -1;
}

// The record of the block: renewed in place when the last block is already
// of kind 1, else appended. -1 when no record is free.
int openRecord() {
  if (NoBlocks >= 1 && NoBlocks < 100 && block[NoBlocks].kind == 1) NoBlocks -= 1;
  const int m = NoBlocks + 1;
  if (m < 1 || m >= 100) return -1;
  BlockRecord& r = block[m];
  r.firstCell = NoCells + 1;
  r.firstSurface = NoSurfaces + 1;
  r.firstPoint = NoPoints;
  r.nestLevel = 0;
  r.kind = 1;
  return m;
}

bool insideGrid(int i, int j) { return i >= 0 && j >= 0 && i <= xnumber + 1 && j <= ynumber + 1; }

int columnCell(int i, int j) { return insideGrid(i, j) ? num[i][j][1] : 0; }

// Neighbours and shared surfaces of the cell of column (i, j) in window
// (i1, j1): the west and south cells are built before it.
void setNeighbours(int i, int j, int i1, int j1) {
  NewCell.cell[SideS] = columnCell(i, j - 1);
  NewCell.cell[SideE] = columnCell(i + 1, j);
  NewCell.cell[SideN] = columnCell(i, j + 1);
  NewCell.cell[SideW] = columnCell(i - 1, j);
  NewCell.cell[SideB] = NewCell.cell[SideT] = 0;
  for (int s = SideS; s <= SideT; ++s) NewCell.flate[s] = 0;
  if (i > i1 && NewCell.cell[SideW] != 0) NewCell.flate[SideW] = Cflatee[NewCell.cell[SideW]];
  if (j > j1 && NewCell.cell[SideS] != 0) NewCell.flate[SideS] = Cflaten[NewCell.cell[SideS]];
}

// The top cell of the column of c (following Ccellt), 0 for a broken chain.
int topOfColumn(int c) {
  for (int n = 0; n <= NoCells && c >= 1 && c <= NoCells; ++n) {
    if (Ccellt[c] == 0) return c;
    c = Ccellt[c];
  }
  return 0;
}

bool roomForCell() { return NoCells + 1 < MaxCeller - 1; }

// Joins the free sides of the new cells to the cells of the block across
// block interfaces; the work range is the new block.
int connectSides(int first, int last) {
  if (NoConnect <= 0) return 0;
  for (int c = first; c <= last; ++c) {
    if (Ccells[c] == 0 && Connect(Cpoint1[c], Cpoint2[c], c, SideS) == -47) return -47;
    if (Ccelle[c] == 0 && Connect(Cpoint2[c], Cpoint3[c], c, SideE) == -47) return -47;
    if (Ccelln[c] == 0 && Connect(Cpoint3[c], Cpoint4[c], c, SideN) == -47) return -47;
    if (Ccellw[c] == 0 && Connect(Cpoint4[c], Cpoint1[c], c, SideW) == -47) return -47;
  }
  return 0;
}

int closeRecord(int m) {
  BlockRecord& r = block[m];
  NoBlocks = m;
  WCEnd = NoCells;
  r.lastPoint = NoPoints;
  r.lastCell = NoCells;
  r.lastSurface = NoSurfaces;
  WCStart = r.firstCell;
  return connectSides(r.firstCell, r.lastCell);
}

}  // namespace

int HydroStaticMake() {
  const int m = openRecord();
  if (m < 0) return overflow();
  for (int i = 0; i <= xnumber + 1; ++i)
    for (int j = 0; j <= ynumber + 1; ++j) num[i][j][1] = 0;
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    const BlockRecord& blk = block[b];
    for (int j = blk.j1; j <= blk.j2; ++j)
      for (int i = blk.i1; i <= blk.i2; ++i) {
        if (!insideGrid(i, j) || static_cast<int>(zval[i][j][0]) <= 0) continue;
        if (!roomForCell()) return overflow();
        ++NoCells;
        num[i][j][1] = NoCells;
        CflagDim[NoCells] = 1;
      }
    for (int j = blk.j1; j <= blk.j2; ++j)
      for (int i = blk.i1; i <= blk.i2; ++i) {
        if (!insideGrid(i, j)) continue;
        const int c = static_cast<int>(zval[i][j][0]);
        const int cell = num[i][j][1];
        if (c <= 0 || c > NoCells || cell == 0) continue;
        const int t = topOfColumn(c);
        if (t == 0) continue;
        const int low[4] = {Cpoint1[c], Cpoint2[c], Cpoint3[c], Cpoint4[c]};
        const int high[4] = {Cpoint5[t], Cpoint6[t], Cpoint7[t], Cpoint8[t]};
        for (int k = 0; k < 4; ++k) {
          NewCell.x[k + 1] = NewCell.x[k + 5] = Px[low[k]];
          NewCell.y[k + 1] = NewCell.y[k + 5] = Py[low[k]];
          NewCell.z[k + 1] = Pz[low[k]];
          NewCell.z[k + 5] = Pz[high[k]];
        }
        setNeighbours(i, j, blk.i1, blk.j1);
        if (!MakeCellFits()) return overflow();
        MakeCell(cell);
      }
  }
  return closeRecord(m);
}

int HydroStaticMake2() {
  const int m = openRecord();
  if (m < 0) return overflow();
  const BlockRecord& b1 = block[1];
  block[m].i1 = b1.i1;
  block[m].i2 = b1.i2;
  block[m].j1 = b1.j1;
  block[m].j2 = b1.j2;
  for (int j = b1.j1; j <= b1.j2; ++j)
    for (int i = b1.i1; i <= b1.i2; ++i) {
      if (!insideGrid(i, j)) continue;
      if (!roomForCell()) return overflow();
      ++NoCells;
      zval[i][j][0] = NoCells;
      num[i][j][1] = NoCells;
      CflagDim[NoCells] = 1;
    }
  for (int j = b1.j1; j <= b1.j2; ++j)
    for (int i = b1.i1; i <= b1.i2; ++i) {
      if (!insideGrid(i, j) || i < 1 || j < 1) continue;
      const int ci[4] = {i - 1, i, i, i - 1}, cj[4] = {j - 1, j - 1, j, j};
      for (int k = 0; k < 4; ++k) {
        NewCell.x[k + 1] = NewCell.x[k + 5] = xval[ci[k]][cj[k]];
        NewCell.y[k + 1] = NewCell.y[k + 5] = yval[ci[k]][cj[k]];
        NewCell.z[k + 1] = zval[ci[k]][cj[k]][1];
        NewCell.z[k + 5] = zval[ci[k]][cj[k]][znumber];
      }
      setNeighbours(i, j, b1.i1, b1.j1);
      if (!MakeCellFits()) return overflow();
      MakeCell(num[i][j][1]);
    }
  return closeRecord(m);
}
