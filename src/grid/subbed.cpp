// The sub-bed block: a copy of the plan grid of the host block whose columns
// reach from the host bed down to the non-erodible level, appended after the
// host block's cells. Slides and groundwater are computed on it. Each column
// of UnstrucThixo3 has a bottom cell up to the lower boundary of the sliding
// layer (Surfaces[5]) and a stack of thinner cells above it; UnstrucThixo2
// divides the whole column like a water column.
#include <algorithm>
#include <cmath>

#include "grid/generate.h"
#include "state/log.h"
#include "runcontrol.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

// Window of the sub-bed block below host block b.
struct SubBedWindow {
  int I1, I2, J1, J2;  // host columns
  int s;               // record of the sub-bed block
  int jFirst, jLast;   // sub-bed columns jFirst..jLast; grid lines jFirst-1..jLast
  int off;             // sub-bed line (i, j) belongs to host line (i, j - off)
};

SubBedWindow windowBelow(int b) {
  const BlockRecord& h = block[b];
  SubBedWindow w{h.i1, h.i2, h.j1, h.j2, b + 1, h.j2 + 3, 2 * h.j2 + 3 - h.j1, h.j2 + 3 - h.j1};
  return w;
}

// The sub-bed block overwrites whatever follows the host block's last cell,
// surface and point, and its rows must lie inside the block grid: only a
// grid whose host block is the last one, with rows to spare, is served.
bool roomForSubBed(int b) {
  if (b < 1 || b >= 98 || b > NoBlocks) {
    logf("Error: the sub-bed block needs host block %d, but the grid has %d blocks\n", b, NoBlocks);
    return false;
  }
  // What follows the host block may only be the sub-bed block of this build
  // (made again after a later regeneration of the same grid).
  const BlockRecord& h = block[b];
  const BlockRecord& t = block[NoBlocks == b + 1 && block[b + 1].subBed == 1 ? b + 1 : b];
  if ((NoBlocks != b && &t == &h) || NoCells != t.lastCell || NoSurfaces != t.lastSurface || NoPoints != t.lastPoint) {
    logf("Error: the sub-bed block follows block %d, but other cells follow it in this grid (%d blocks). "
         "Slides and groundwater need a grid of one block\n",
         b, NoBlocks);
    return false;
  }
  const SubBedWindow w = windowBelow(b);
  if (w.I1 < 1 || w.I2 >= xnumber || w.J1 < 1 || w.I2 < w.I1 || w.J2 < w.J1) {
    logf("Error: the window of block %d does not fit the block grid\n", b);
    return false;
  }
  if (w.jLast >= ynumber) {
    logf("Error in allocation of blocks: increase 2nd integer on G 1 data set\n\n");
    logf("The sub-bed block below block %d needs the rows %d..%d, the block grid has %d\n", b, w.jFirst, w.jLast,
         ynumber - 1);
    return false;
  }
  return true;
}

// Step 1 of both generators: the sub-bed record is made the last block.
void countSubBedBlock(int b) {
  const int s = b + 1;
  if (block[s].subBed == 1) {
    if (NoBlocks == b) NoBlocks = s;
  } else {
    NoBCells = 0;
    NoBlocks += 1;
  }
}

void openRecord(const SubBedWindow& w) {
  BlockRecord& r = block[w.s];
  r.i1 = w.I1;
  r.i2 = w.I2;
  r.j1 = w.jFirst;
  r.j2 = w.jLast;
  r.firstCell = NoCells + 1;
  r.firstSurface = NoSurfaces + 1;
  r.firstPoint = NoPoints + 1;
  r.subBed = 1;
}

void closeRecord(const SubBedWindow& w) {
  BlockRecord& r = block[w.s];
  r.lastCell = NoCells;
  r.lastSurface = NoSurfaces;
  r.lastPoint = NoPoints;
}

double& S5(int i, int j) { return Surfaces[5][i][j]; }

// The bed cells of the up to four sub-bed columns around grid line (i, j).
int bedCellsAround(int i, int j, int out[4]) {
  int n = 0;
  const int ci[4] = {i, i + 1, i, i + 1}, cj[4] = {j, j, j + 1, j + 1};
  for (int q = 0; q < 4; ++q) {
    if (ci[q] > xnumber + 1 || cj[q] > ynumber + 1) continue;
    const int bc = pointbed[ci[q]][cj[q]];
    if (bc > 0 && bc <= NoBCells) out[n++] = bc;
  }
  return n;
}

// Mean sliding-layer level of the bed cells around a line; the host bed when
// no level is known there (no bed cell yet, or no slide levels in this run).
double meanSlideLevel(int i, int j, double bedLevel, bool withCellsOnly) {
  if (!Bthixolev) return bedLevel;
  int cells[4];
  const int n = bedCellsAround(i, j, cells);
  double sum = 0;
  int used = 0;
  for (int q = 0; q < n; ++q) {
    if (withCellsOnly && Bcellt[cells[q]] <= 0) continue;
    sum += Bthixolev[cells[q]];
    ++used;
  }
  return used > 0 ? sum / (used + 1e-20) : bedLevel;
}

// Step 3 of UnstrucThixo3: the lower boundary of the sliding layer, from the
// slide levels where three or more of the four columns around a line slide.
void slideBoundary(const SubBedWindow& w) {
  const int jl = w.jLast, jf = w.jFirst - 1;
  if (w.I1 == w.I2 || w.J1 == w.J2) {
    for (int i = w.I1 - 1; i <= w.I2; ++i)
      for (int j = jf; j <= jl; ++j) S5(i, j) = meanSlideLevel(i, j, zval[i][j - w.off][1], false);
    return;
  }
  for (int i = w.I1; i <= w.I2 - 1; ++i)
    for (int j = jf; j <= jl; ++j) {
      const int jh = j - w.off;
      int cells[4];
      const int n = bedCellsAround(i, j, cells);
      int sliding = 0;
      for (int q = 0; q < n; ++q) sliding += Bcellth[cells[q]] > 0;
      double v = zval[i][jh][1];
      if (sliding >= 3 && Bthixolev) {
        double sum = 0;
        for (int q = 0; q < n; ++q) sum += Bthixolev[cells[q]];
        v = sum / (n + 1e-20);
      }
      S5(i, j) = std::max(v, Surfaces[3][i][jh]);
    }
  for (int i = w.I1 - 1; i <= w.I2; ++i) {
    S5(i, jf) = std::max(S5(i, jf), Surfaces[3][i][w.J1 - 1]);
    S5(i, jl) = std::max(S5(i, jl), Surfaces[3][i][w.J2]);
  }
  for (int j = w.jFirst; j <= jl; ++j) {
    const int jh = j - w.off;
    S5(w.I1 - 1, j) = std::max(zval[w.I1 - 1][jh][1], Surfaces[3][w.I1 - 1][jh]);
    S5(w.I2, j) = std::max(zval[w.I2][jh][1], Surfaces[3][w.I2][jh]);
  }
}

// Step 4: plan, top and bottom of every sub-bed grid line; firstTime is the
// generator's own first-call flag.
void linesFromHost(const SubBedWindow& w, double bottomGap, int& firstTime, bool clearSurface7) {
  const bool first = firstTime == 0;
  for (int i = w.I1 - 1; i <= w.I2; ++i)
    for (int j = w.jFirst - 1; j <= w.jLast; ++j) {
      const int jh = j - w.off;
      const double T = zval[i][jh][1], N = Surfaces[3][i][jh];
      xval[i][j] = xval[i][jh];
      yval[i][j] = yval[i][jh];
      zval[i][j][znumber] = T;
      Surfaces[3][i][j] = N;
      if (first) {
        S5(i, j) = S5(i, jh) = T;
        zval[i][j][1] = std::min(N, T - bottomGap);
        if (clearSurface7) Surfaces[7][i][j] = Surfaces[7][i][jh] = 0.0;
      } else {
        const double v = std::min(S5(i, j), T);
        S5(i, j) = S5(i, jh) = v;
        zval[i][j][1] = std::min(N, v - bottomGap);
      }
    }
  firstTime = 1;
}

// The grid lines of the window below the host block: plan from the host's
// line, top at its bed, bottom at the non-erodible level, the slide level
// (the mean of the columns around, at most the bed) in S5 of both lines;
// levels(i, j, T, v, N) sets the level counts of line (i, j) from its top T,
// slide level v and bottom N.
template <class Levels>
void linesBelowHost(const SubBedWindow& w, Levels levels) {
  for (int i = w.I1 - 1; i <= w.I2; ++i)
    for (int j = w.jFirst - 1; j <= w.jLast; ++j) {
      const int jh = j - w.off;
      const double T = zval[i][jh][1], N = Surfaces[3][i][jh];
      const double v = std::min(meanSlideLevel(i, j, T, true), T);
      S5(i, j) = S5(i, jh) = v;
      xval[i][j] = xval[i][jh];
      yval[i][j] = yval[i][jh];
      zval[i][j][znumber] = T;
      zval[i][j][1] = N;
      Surfaces[3][i][j] = N;
      levels(i, j, T, v, N);
    }
}

void clearLineSlots(const SubBedWindow& w) {
  for (int i = w.I1 - 1; i <= w.I2; ++i)
    for (int j = w.jFirst - 1; j <= w.jLast; ++j)
      for (int k = 1; k <= znumber; ++k) num[i][j][k] = 0;
}

// Cells of a column from the level counts of its four corner lines.
int cellsFromCorners(int i, int j, int** lines = antlin) {
  const int a[4] = {lines[i - 1][j - 1], lines[i][j - 1], lines[i][j], lines[i - 1][j]};
  if (a[0] + a[1] + a[2] + a[3] < 2) return 0;
  return std::max(std::max(a[0], a[1]), std::max(a[2], a[3])) - 1;
}

bool builtColumn(int i, int j) { return antmax[i][j] >= 1 || ant[i][j] >= 1; }

bool overLimits() { return NoPoints >= MaxPunkter - 1 || NoSurfaces >= MaxFlater - 1 || NoCells >= MaxCeller - 1; }

// Plan corners of column (i, j) into NewCell, corners 1..4 and 5..8.
void planCorners(int i, int j) {
  const int ci[4] = {i - 1, i, i, i - 1}, cj[4] = {j - 1, j - 1, j, j};
  for (int q = 0; q < 4; ++q) {
    NewCell.x[q + 1] = NewCell.x[q + 5] = xval[ci[q]][cj[q]];
    NewCell.y[q + 1] = NewCell.y[q + 5] = yval[ci[q]][cj[q]];
  }
}

// The surfaces a new cell shares with its west and south neighbours, built
// before it; a surface already joined on both sides is not shared again.
void sharedSideSurfaces(bool westInside, bool southInside) {
  for (int side = 1; side <= 6; ++side) NewCell.flate[side] = 0;
  const int wc = NewCell.cell[SideW], sc = NewCell.cell[SideS];
  if (westInside && wc > 0 && Cflatee[wc] > 0 && Fcell2[Cflatee[wc]] == 0) NewCell.flate[SideW] = Cflatee[wc];
  if (southInside && sc > 0 && Cflaten[sc] > 0 && Fcell2[Cflaten[sc]] == 0) NewCell.flate[SideS] = Cflaten[sc];
}

// The level of a corner of a stack cell between the lower level `low` and the
// top T of its line, by the line's level count a; `bottom` for the cell's
// lower corner, p its place in the stack from 1 at the bottom, top the slot
// of the stack's top cell.
double upperLevel(int k, int p, int a, double low, double T, bool bottom, int top) {
  const double e = a - 1 + 1e-10, cap = 1.0 - 1.0 / e;
  double f = bottom ? (top - k + 1) / e : (top - k) / e;
  if (!bottom || p > 1) f = std::min(f, cap);
  if (f > 0.99999) f = 1.0;
  if (f < 1e-10) f = 0.0;
  if (low > T) f = 0.0;
  return f * low + (1.0 - f) * T;
}

// The cells of a stack: count[i][j] cells ending at slot top, their corner
// levels counted by lines[i][j].
struct Stack {
  int** count;
  int** lines;
  int top;
};

// The side neighbour of the stack cell at level k (place p) of column (i, j)
// in the column (ni, nj), 0 when that column lies beyond the window.
int upperNeighbour(const Stack& st, int i, int j, int ni, int nj, int k, int p, bool beyond) {
  if (beyond) return 0;
  const int m = st.count[ni][nj];
  if (m == 0) return 0;
  const int d = st.count[i][j] - m;
  if (d == 0) return num[ni][nj][k];
  if (p == 1) return num[ni][nj][st.top - m + 1];
  if (d >= 1 && d >= p - 1) return 0;
  return num[ni][nj][k];
}

// Cells of the stack st of column (i, j) between the lower level of each
// corner line (lowLevel) and its upper level (topLevel); bottomCell is the
// column's bottom cell below the stack, joined without exchange (0 when the
// stack is the whole column); below, a cell under the stack joined as its
// bottom neighbour.
template <class LowLevel, class TopLevel>
bool buildStack(const SubBedWindow& w, const Stack& st, int i, int j, LowLevel lowLevel, TopLevel topLevel,
                int bottomCell, int below = 0) {
  const int ci[4] = {i - 1, i, i, i - 1}, cj[4] = {j - 1, j - 1, j, j};
  const int n = st.count[i][j];
  for (int k = st.top - n + 1; k <= st.top; ++k) {
    const int p = k - (st.top - n);
    planCorners(i, j);
    for (int q = 0; q < 4; ++q) {
      const double low = lowLevel(ci[q], cj[q]), T = topLevel(ci[q], cj[q]);
      const int a = st.lines[ci[q]][cj[q]];
      NewCell.z[q + 1] = upperLevel(k, p, a, low, T, true, st.top);
      NewCell.z[q + 5] = upperLevel(k, p, a, low, T, false, st.top);
    }
    NewCell.cell[SideS] = upperNeighbour(st, i, j, i, j - 1, k, p, j == w.jFirst);
    NewCell.cell[SideE] = upperNeighbour(st, i, j, i + 1, j, k, p, i == w.I2);
    NewCell.cell[SideN] = upperNeighbour(st, i, j, i, j + 1, k, p, j == w.jLast);
    NewCell.cell[SideW] = upperNeighbour(st, i, j, i - 1, j, k, p, i == w.I1);
    NewCell.cell[SideB] = p == 1 ? below : num[i][j][k - 1];
    NewCell.cell[SideT] = k + 1 <= st.top ? num[i][j][k + 1] : 0;
    sharedSideSurfaces(i > w.I1, j > w.jFirst);
    const int c = num[i][j][k];
    if (p == 1 && below > 0) {
      NewCell.flate[SideB] = Cflatet[below];
    } else if (p == 1 && bottomCell > 0) {
      // The stack stands on the bottom cell's top surface, but no exchange
      // crosses the lower boundary of the sliding layer.
      Ccellt[bottomCell] = c;
      NewCell.cell[SideB] = 0;
      NewCell.flate[SideB] = Cflatet[bottomCell];
    } else if (p > 1) {
      NewCell.flate[SideB] = Cflatet[num[i][j][k - 1]];
    }
    if (!MakeCellFits()) return false;
    MakeCell(c);
    if (p == 1 && below > 0) Ccellt[below] = c;
    if (p == 1 && bottomCell > 0) {
      Ccellb[c] = 0;
      Fcell2[Cflatet[bottomCell]] = 0;
    }
    if (overLimits()) return false;
  }
  return true;
}

int sizeFailure() { return gridOverflowReport(); }

double waterTop(int i, int j) { return zval[i][j][znumber]; }

// The bottom cell of column (i, j) at slot 2, from the bottom level of its
// corner lines up to topLevel, its side neighbours the bottom cells around.
template <class TopLevel>
bool buildBottomCell(const SubBedWindow& w, int i, int j, TopLevel topLevel) {
  const int ci[4] = {i - 1, i, i, i - 1}, cj[4] = {j - 1, j - 1, j, j};
  planCorners(i, j);
  for (int q = 0; q < 4; ++q) {
    NewCell.z[q + 1] = zval[ci[q]][cj[q]][1];
    NewCell.z[q + 5] = topLevel(ci[q], cj[q]);
  }
  NewCell.cell[SideS] = j > w.jFirst ? num[i][j - 1][2] : 0;
  NewCell.cell[SideE] = i < w.I2 ? num[i + 1][j][2] : 0;
  NewCell.cell[SideN] = j < w.jLast ? num[i][j + 1][2] : 0;
  NewCell.cell[SideW] = i > w.I1 ? num[i - 1][j][2] : 0;
  NewCell.cell[SideB] = 0;
  NewCell.cell[SideT] = num[i][j][3];
  sharedSideSurfaces(i > w.I1, j > w.jFirst);
  if (!MakeCellFits()) return false;
  MakeCell(num[i][j][2]);
  return !overLimits();
}

// Level counts of a line for a thickness, the rule of water columns.
int waterColumnLevels(double thickness, double ratio) {
  if (thickness < MinVertDist0) return 1;
  if (thickness < MinVertDist1) return 2;
  const double x = std::pow(std::max(thickness * ratio, 0.0), GridDistCoeff) * (znumber - 2);
  return std::min(znumber, static_cast<int>(x) + 2);
}

// Steps 1 to 3 of the generators that cut the counts back to the host block:
// the record, the counts and the lower boundary of the sliding layer.
bool openSplitBlock(int b, SubBedWindow& w) {
  if (!roomForSubBed(b)) return false;
  countSubBedBlock(b);
  w = windowBelow(b);
  NoCells = block[b].lastCell;
  NoSurfaces = block[b].lastSurface;
  NoPoints = block[b].lastPoint;
  openRecord(w);
  SurfUpdate[w.s] = 0;
  slideBoundary(w);
  return true;
}

}  // namespace

int UnstrucThixo3(int b) {
  SubBedWindow w;
  if (!openSplitBlock(b, w)) return -1;
  linesFromHost(w, 0.001, FlagFirstTimeThixo3, true);
  const Stack upperStack{ant, antlin, znumber};

  // Level counts of the upper stacks.
  clearLineSlots(w);
  const double ratio = NestNoRatio / (MaxDepth + 1e-10);
  for (int i = w.I1 - 1; i <= w.I2; ++i)
    for (int j = w.jFirst - 1; j <= w.jLast; ++j) {
      const double d = zval[i][j][znumber] - S5(i, j);
      int a = 1;
      if (FlagThixo == 3) {
        a = d > MinVertDist1 ? 2 : 1;
      } else if (d >= MinVertDist1) {
        const double x = std::min(std::pow(d * ratio, ThixoGridDistCoeff) * (znumber - 3), double(znumber - 3));
        a = x > 2.0 ? static_cast<int>(x) + 2 : 4;
      }
      antlin[i][j] = a;
      antmin[i][j] = 2;
    }

  // Upper cells per column; outblocked columns get none.
  for (int i = w.I1; i <= w.I2; ++i)
    for (int j = w.jFirst; j <= w.jLast; ++j) {
      ant[i][j] = cellsFromCorners(i, j);
      antmax[i][j] = 1;
      if (bedOutBlock[i][j] == 1) ant[i][j] = antmax[i][j] = 0;
    }
  Grid2Stability(w.I1, w.I2, w.jFirst, w.jLast);
  // The outblocked boxes of G 13 name host columns: their sub-bed columns lie
  // off rows further north.
  for (int r = 1; r <= OutBlockNo && r < 500; ++r) {
    const OutBlockRecord& o = OutBlock[r];
    for (int i = std::max(o.i1, w.I1); i <= std::min(o.i2, w.I2); ++i)
      for (int j = std::max(o.j1 + w.off, w.jFirst); j <= std::min(o.j2 + w.off, w.jLast); ++j)
        ant[i][j] = antmax[i][j] = 0;
  }

  // Numbers, j outer and i inner, for the columns that get cells.
  for (int j = w.jFirst; j <= w.jLast; ++j)
    for (int i = w.I1; i <= w.I2; ++i) zval[i][j][0] = 0;
  if (FlagUnstrucThixo == 0) {
    for (int j = w.jFirst; j <= w.jLast; ++j)
      for (int i = w.I1; i <= w.I2; ++i) {
        if (!builtColumn(i, j)) continue;
        num[i][j][2] = ++NoCells;
        zval[i][j][0] = NoCells;
        for (int k = znumber - ant[i][j] + 1; k <= znumber; ++k) num[i][j][k] = ++NoCells;
      }
  } else {
    for (int j = w.jFirst; j <= w.jLast; ++j)
      for (int i = w.I1; i <= w.I2; ++i)
        if (builtColumn(i, j)) {
          num[i][j][2] = ++NoCells;
          zval[i][j][0] = NoCells;
        }
    for (int j = w.jFirst; j <= w.jLast; ++j)
      for (int i = w.I1; i <= w.I2; ++i)
        if (builtColumn(i, j))
          for (int k = znumber - ant[i][j] + 1; k <= znumber; ++k) num[i][j][k] = ++NoCells;
  }
  // Every cell is numbered before the first is built: the cell limit is
  // tested once here, the surfaces and points before and after each cell.
  if (NoCells >= MaxCeller - 1) return sizeFailure();

  // Cells: the bottom cell, then the stack above it.
  for (int j = w.jFirst; j <= w.jLast; ++j)
    for (int i = w.I1; i <= w.I2; ++i) {
      if (!builtColumn(i, j)) continue;
      if (!buildBottomCell(w, i, j, [](int li, int lj) { return S5(li, lj); })) return sizeFailure();
      const int bottom = num[i][j][2];
      if (!buildStack(w, upperStack, i, j, [](int li, int lj) { return S5(li, lj); }, waterTop, bottom))
        return sizeFailure();
    }
  closeRecord(w);
  if (MGSNo == 0) computeWCStart();
  return 0;
}

int UnstrucThixo2(int b) {
  if (!roomForSubBed(b)) return -1;
  countSubBedBlock(b);
  const SubBedWindow w = windowBelow(b);
  openRecord(w);

  const double ratio = NestNoRatio / (MaxDepth + 1e-10);
  const Stack upperStack{ant, antlin, znumber};
  clearLineSlots(w);
  linesBelowHost(w, [ratio](int i, int j, double T, double, double N) {
    antlin[i][j] = waterColumnLevels(T - N, ratio);
  });
  for (int j = w.jFirst; j <= w.jLast; ++j)
    for (int i = w.I1; i <= w.I2; ++i) {
      ant[i][j] = cellsFromCorners(i, j);
      antmax[i][j] = 0;
      zval[i][j][0] = 0;
    }
  for (int j = w.jFirst; j <= w.jLast; ++j)
    for (int i = w.I1; i <= w.I2; ++i) {
      if (ant[i][j] <= 0) continue;
      zval[i][j][0] = NoCells + 1;
      for (int k = znumber - ant[i][j] + 1; k <= znumber; ++k) num[i][j][k] = ++NoCells;
    }
  if (NoCells >= MaxCeller - 1) return sizeFailure();
  for (int j = w.jFirst; j <= w.jLast; ++j)
    for (int i = w.I1; i <= w.I2; ++i) {
      if (ant[i][j] <= 0) continue;
      if (!buildStack(w, upperStack, i, j, [](int li, int lj) { return zval[li][lj][1]; }, waterTop, 0))
        return sizeFailure();
    }
  closeRecord(w);
  return 0;
}

int UnstrucThixo4(int b) {
  SubBedWindow w;
  if (!openSplitBlock(b, w)) return -1;
  linesFromHost(w, 0.1, FlagFirstTimeThixo4, false);
  clearLineSlots(w);
  for (int i = w.I1 - 1; i <= w.I2; ++i)
    for (int j = w.jFirst - 1; j <= w.jLast; ++j) antlin[i][j] = antmin[i][j] = 1;
  // One cell per column from the bottom level to the bed, numbered j outer
  // and i inner.
  for (int j = w.jFirst; j <= w.jLast; ++j)
    for (int i = w.I1; i <= w.I2; ++i) {
      ant[i][j] = 1;
      antmax[i][j] = 0;
      num[i][j][2] = ++NoCells;
      zval[i][j][0] = NoCells;
    }
  if (NoCells >= MaxCeller - 1) return sizeFailure();
  for (int j = w.jFirst; j <= w.jLast; ++j)
    for (int i = w.I1; i <= w.I2; ++i)
      if (!buildBottomCell(w, i, j, waterTop)) return sizeFailure();
  closeRecord(w);
  if (MGSNo == 0) computeWCStart();
  return 0;
}

int UnstrucThixo(int b) {
  if (!roomForSubBed(b)) return -1;
  const SubBedWindow w = windowBelow(b);
  if (block[w.s].subBed != 1) {
    NoBlocks += 1;
    NoBCells = 0;
  }
  openRecord(w);
  SurfUpdate[w.s] = 0;

  // Lines: the sliding-layer boundary from the slide levels around them, the
  // bottom at the non-erodible level.
  const double ratio = NestNoRatio / (MaxDepth + 1e-10);
  const int H = znumber / 2;
  auto levels = [ratio](double thickness, int room, bool capAfter) {
    if (thickness < MinVertDist0) return 1;
    if (thickness < MinVertDist1) return 2;
    const double x = std::pow(std::max(thickness * ratio, 0.0), GridDistCoeff) * room;
    return capAfter ? std::min(static_cast<int>(x), room) + 2 : std::min(static_cast<int>(x + 2), room + 1);
  };
  clearLineSlots(w);
  linesBelowHost(w, [&levels, H](int i, int j, double T, double v, double N) {
    antmin[i][j] = levels(v - N, H - 1, false);
    antlin[i][j] = levels(T - v, znumber - H - 1, true);
  });
  // Two stacks per column: below the boundary at slots ..H, above it at
  // slots ..znumber, numbered from the bottom up.
  for (int j = w.jFirst; j <= w.jLast; ++j)
    for (int i = w.I1; i <= w.I2; ++i) {
      antmax[i][j] = cellsFromCorners(i, j, antmin);
      ant[i][j] = cellsFromCorners(i, j, antlin);
      zval[i][j][0] = 0;
    }
  for (int j = w.jFirst; j <= w.jLast; ++j)
    for (int i = w.I1; i <= w.I2; ++i) {
      if (ant[i][j] <= 0 && antmax[i][j] <= 0) continue;
      zval[i][j][0] = NoCells + 1;
      for (int k = H - antmax[i][j] + 1; k <= H; ++k) num[i][j][k] = ++NoCells;
      for (int k = znumber - ant[i][j] + 1; k <= znumber; ++k) num[i][j][k] = ++NoCells;
    }
  if (NoCells >= MaxCeller - 1) return sizeFailure();
  const Stack lowerStack{antmax, antmin, H}, upperStack{ant, antlin, znumber};
  for (int j = w.jFirst; j <= w.jLast; ++j)
    for (int i = w.I1; i <= w.I2; ++i) {
      if (antmax[i][j] > 0 &&
          !buildStack(w, lowerStack, i, j, [](int li, int lj) { return zval[li][lj][1]; },
                      [](int li, int lj) { return S5(li, lj); }, 0))
        return sizeFailure();
      const int below = antmax[i][j] > 0 ? num[i][j][H] : 0;
      if (ant[i][j] > 0 &&
          !buildStack(w, upperStack, i, j, [](int li, int lj) { return S5(li, lj); }, waterTop, 0, below))
        return sizeFailure();
    }
  closeRecord(w);
  return 0;
}
