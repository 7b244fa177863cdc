// The adaptive vertical distribution (F 64 11, the default; also 8, 13, 38 and
// from 100 up): every grid line gets a number of levels from its depth relative
// to the deepest water of the run, every column as many cells as its richest
// corner allows minus one, hanging from the water surface; at each corner the
// levels are spread evenly between bed and surface, so that the extra cells of
// a column pinch out at a corner with fewer levels.
#include <algorithm>
#include <cmath>

#include "grid/generate.h"
#include "grid/gridsplit.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

// Grid lines of corners 1..4 of column (i, j).
struct ColumnCorners {
  int ci[5], cj[5];
  ColumnCorners(int i, int j) : ci{0, i - 1, i, i, i - 1}, cj{0, j - 1, j - 1, j, j} {}
};

// F 159 5th = 4: the bed-plane count of each corner of column (i, j); vv of the
// column becomes the largest of them.
void bedPlaneCounts(int i, int j, const ColumnCorners& cc, int count[5]) {
  for (int m = 0; m < 5; ++m) count[m] = 0;
  double px[5], py[5], pz[5];
  for (int m = 1; m <= 4; ++m) {
    px[m] = xval[cc.ci[m]][cc.cj[m]];
    py[m] = yval[cc.ci[m]][cc.cj[m]];
    pz[m] = zval[cc.ci[m]][cc.cj[m]][1];
  }
  const double d1[3] = {px[3] - px[1], py[3] - py[1], pz[3] - pz[1]};
  const double d2[3] = {px[2] - px[4], py[2] - py[4], pz[2] - pz[4]};
  double n[3] = {d1[1] * d2[2] - d1[2] * d2[1], d1[2] * d2[0] - d1[0] * d2[2], d1[0] * d2[1] - d1[1] * d2[0]};
  const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]) + 1e-20;
  // The normal is taken pointing upwards; its orientation is that of the
  // corner order only.
  const double up = n[2] < 0 ? -1.0 : 1.0;
  for (double& v : n) v = up * v / len;
  vv[i][j] = 0;
  if (n[2] >= 0.93969) return;
  // Reference corner: the lowest of corners 4, 3 and 1.
  int ref = pz[4] <= pz[3] ? 4 : 3;
  if (pz[1] < pz[ref]) ref = 1;
  int largest = 0;
  for (int m = 1; m <= 4; ++m) {
    const int a = antlin[cc.ci[m]][cc.cj[m]];
    const double h =
        std::max(0.0, n[0] * (px[m] - px[ref]) + n[1] * (py[m] - py[ref]) + n[2] * (pz[m] - pz[ref]));
    const double depth = zval[cc.ci[m]][cc.cj[m]][znumber] - pz[m];
    if (a > 1 && depth > 0) count[m] = static_cast<int>(h / (depth / (a - 1)));
    largest = std::max(largest, count[m]);
  }
  vv[i][j] = largest;
}

// Level of corner m of the cell at level k (position p from the bottom of the
// column), at the bottom or the top of the cell.
double cornerLevel(const ColumnCorners& cc, int m, int k, int p, bool top, const int planeCount[5]) {
  const int gi = cc.ci[m], gj = cc.cj[m];
  const int a = antlin[gi][gj];
  double b = zval[gi][gj][1], s = zval[gi][gj][znumber];
  const double e = a - 1 + 1e-10;
  const double cap = 1 - 1 / e;
  double f = top ? (znumber - k) / e : (znumber - k + 1) / e;
  if (top || p > 1) f = std::min(f, cap);
  if (f > 0.99999) f = 1;
  if (f < 1e-10) f = 0;
  switch (FlagGridStab5) {
    case 2: b = std::min(b, s - MinDepthGrid); break;
    case 8: s = std::max(s, b + MinDepthGrid); break;
    case 3:
      if (vv[gi][gj] == 1) b = std::min(b, s - MinVertDist1);
      break;
    default: break;
  }
  if (b > s) f = 0;
  double z = f * b + (1 - f) * s;
  if (FlagGridStab5 == 4 && planeCount[m] > 0 && p <= planeCount[m]) {
    const double g = a > 1 ? std::max(0.0, zval[gi][gj][znumber] - zval[gi][gj][1]) / a : 0.0;
    z -= g * (top ? planeCount[m] - p : planeCount[m] - p + 1);
  }
  return z;
}

// F 159 5th = 3: the upper end of every grid-line edge steeper than 0.37.
void markSteepBed(int i1, int i2, int j1, int j2) {
  auto mark = [](int ia, int ja, int ib, int jb) {
    const double dx = xval[ia][ja] - xval[ib][jb], dy = yval[ia][ja] - yval[ib][jb];
    const double s = (zval[ia][ja][1] - zval[ib][jb][1]) / std::sqrt(dx * dx + dy * dy + 1e-20);
    if (s > 0.37) vv[ia][ja] = 1;
    if (s < -0.37) vv[ib][jb] = 1;
  };
  for (int j = j1; j <= j2; ++j)
    for (int i = i1; i <= i2; ++i) {
      mark(i, j, i - 1, j);
      mark(i, j, i, j - 1);
    }
}

// The side neighbours of the cells: the cell at position p (from the bottom)
// of column (i, j) and side s gets, inside the window (i1..i2, j1..j2):
// - 0 when the neighbour column is dry or beyond the window edge;
// - the neighbour's lowest cell when the counts differ and p = 1 (bottom
//   cells are joined even at different levels);
// - 0 for the extra cells of the taller column (collapsed on that side);
// - else the neighbour's cell at the same level.
// With F 159 5th = 4 the bed-plane counts N of the column and v of the
// neighbour change that: p = N + 1 gets the neighbour's cell at position
// v + 1, and p <= N gets 0 when v < p and that cell otherwise (0 where the
// neighbour has no cell at v + 1).
struct SideLinks {
  int i1, i2, j1, j2;
  static constexpr int col[5][2] = {{0, 0}, {0, -1}, {1, 0}, {0, 1}, {-1, 0}};
  static constexpr int opposite[5] = {0, SideN, SideW, SideS, SideE};

  int rule(int i, int j, int p, int s) const {
    const bool beyond =
        (s == SideS && j == j1) || (s == SideE && i == i2) || (s == SideN && j == j2) || (s == SideW && i == i1);
    if (beyond) return 0;
    const int ni = i + col[s][0], nj = j + col[s][1];
    const int n = std::min(ant[i][j], znumber), m = std::min(ant[ni][nj], znumber), d = n - m;
    if (m <= 0) return 0;
    const int k = znumber - n + p;
    int c;
    if (d != 0 && p == 1)
      c = num[ni][nj][znumber - m + 1];
    else if (d > 0 && p <= d + 1)
      c = 0;
    else
      c = num[ni][nj][k];
    if (FlagGridStab5 == 4) {
      const int N = vv[i][j], v = vv[ni][nj];
      const int other = v >= 0 && v + 1 <= m ? num[ni][nj][znumber - m + 1 + v] : 0;
      if (N == p - 1)
        c = other;
      else if (N >= p)
        c = v < p ? 0 : other;
    }
    return c;
  }

  // The rule, kept with F 159 5th = 4 only where the neighbour's cell links
  // back to this one: a side face belongs to two cells, so links one way
  // only, or many cells onto one, would give faces that name other cells
  // than the cells' own neighbours. Without F 159 5th = 4 the rule is
  // mutual by itself.
  int mutual(int i, int j, int p, int s) const {
    const int c = rule(i, j, p, s);
    if (c == 0 || FlagGridStab5 != 4) return c;
    const int ni = i + col[s][0], nj = j + col[s][1];
    const int lowest = static_cast<int>(zval[ni][nj][0]);
    const int self = num[i][j][znumber - std::min(ant[i][j], znumber) + p];
    return rule(ni, nj, c - lowest + 1, opposite[s]) == self ? c : 0;
  }
};

// F 159 5th = 4 lowers the levels of a grid line by the count of each column
// around it, so the faces a cell takes over from its south and west
// neighbours may place a shared corner at other levels than its bottom face
// or each other, or above its own top. Such a face is not shared: the side
// becomes a wall on both sides, so that every cell stays closed.
void keepClosedCell() {
  double z[9];
  bool set[9] = {};
  auto agrees = [&z, &set](int side) {
    const int f = NewCell.flate[side];
    if (f < 1) return true;
    const int* corner = cellCornersOfSide(side);
    const int pts[4] = {Fpoint1[f], Fpoint2[f], Fpoint3[f], Fpoint4[f]};
    for (int q = 0; q < 4; ++q)
      if (set[corner[q]] && std::fabs(z[corner[q]] - Pz[pts[q]]) > 1e-9) return false;
    // The top corners of the face may not lie below its bottom corners.
    double level[9];
    for (int m = 1; m <= 8; ++m) level[m] = set[m] ? z[m] : NewCell.z[m];
    for (int q = 0; q < 4; ++q) level[corner[q]] = Pz[pts[q]];
    for (int m = 1; m <= 4; ++m)
      if (level[m + 4] < level[m] - 1e-12) return false;
    for (int q = 0; q < 4; ++q) {
      z[corner[q]] = Pz[pts[q]];
      set[corner[q]] = true;
    }
    return true;
  };
  agrees(SideB);
  for (int side : {SideS, SideW}) {
    if (agrees(side)) continue;
    const int c = NewCell.cell[side];
    if (c > 0) (side == SideS ? Ccelln : Ccelle)[c] = 0;
    NewCell.cell[side] = 0;
    NewCell.flate[side] = 0;
  }
}

bool cellsFull() { return NoPoints >= MaxPunkter - 1 || NoSurfaces >= MaxFlater - 1 || NoCells >= MaxCeller - 1; }

// Side cuts of F 159 2nd 9, 10, 13: both grid lines of the side shallower than t.
bool sideCut(int ia, int ja, int ib, int jb) {
  double t;
  switch (FlagGridStab2) {
    case 9: t = MinVertDist0; break;
    case 13: t = MinVertDist1; break;
    case 10: t = 0; break;
    default: return false;
  }
  return zval[ia][ja][znumber] - zval[ia][ja][1] < t && zval[ib][jb][znumber] - zval[ib][jb][1] < t;
}

// Builds the cells of one block; -1 when the F 65 sizes are reached.
int buildBlock(int b) {
  BlockRecord& blk = block[b];
  const int i1 = blk.i1, i2 = blk.i2, j1 = blk.j1, j2 = blk.j2;
  blk.firstCell = NoCells + 1;
  blk.firstSurface = NoSurfaces + 1;
  blk.firstPoint = NoPoints + 1;
  if (MinDepthGrid < 0) MinDepthGrid = MinVertDist0;

  if (blk.nestLevel > 0 && (FlagNestTop == 1 || FlagNestTop == 2))
    for (int i = i1 - 1; i <= i2; ++i)
      for (int j = j1 - 1; j <= j2; ++j) zval[i][j][FlagNestTop == 1 ? znumber : 1] = LevelNestTop;

  const double ratio = (blk.nestLevel > 0 ? 1.0 : NestNoRatio) / (MaxDepth + 1e-10);
  MakeAntlin(ratio, i1, i2, j1, j2);
  if (FlagRemovePonds > 1000) makeRidge();
  Grid1Stability(i1, i2, j1, j2);
  MakeAnt(i1, i2, j1, j2);
  if (FlagRemovePonds > 0) removePonds();
  Grid2Stability(i1, i2, j1, j2);

  for (int i = i1; i <= i2; ++i)
    for (int j = j1; j <= j2; ++j)
      if (bedOutBlock[i][j] == 1) ant[i][j] = 0;

  if (FlagNoGridSplit > 50 && NoBCells > 0 && Bminwaterlevel)
    for (int i = block[1].i1; i <= block[1].i2; ++i)
      for (int j = block[1].j1; j <= block[1].j2; ++j) {
        const int bc = pointbed[i][j];
        if (bc > 0 && Bminwaterlevel[bc] > -10.0) ant[i][j] = std::max(ant[i][j], 1);
      }

  // Cell numbers: consecutive from the bottom of each column up; the top cell
  // of every wet column sits at k = znumber.
  for (int jj = 0; jj <= j2 - j1; ++jj) {
    const int j = FlagUnstrucDir == 0 ? j1 + jj : j2 - jj;
    for (int i = i1; i <= i2; ++i) {
      const int n = std::min(ant[i][j], znumber);
      if (n <= 0) continue;
      zval[i][j][0] = NoCells + 1;
      for (int k = znumber - n + 1; k <= znumber; ++k) num[i][j][k] = ++NoCells;
    }
  }
  if (NoCells >= MaxCeller - 1) return -1;

  if (FlagGridStab5 == 3) markSteepBed(i1, i2, j1, j2);

  // F 159 5th = 4: the bed-plane counts of every wet column first, so that
  // the links to columns visited later use their counts as well.
  if (FlagGridStab5 == 4)
    for (int j = j1; j <= j2; ++j)
      for (int i = i1; i <= i2; ++i) {
        int planeCount[5];
        if (std::min(ant[i][j], znumber) > 0) bedPlaneCounts(i, j, ColumnCorners(i, j), planeCount);
      }

  const SideLinks links{i1, i2, j1, j2};
  for (int j = j1; j <= j2; ++j)
    for (int i = i1; i <= i2; ++i) {
      const int n = std::min(ant[i][j], znumber);
      if (n <= 0) continue;
      const ColumnCorners cc(i, j);
      int planeCount[5] = {0, 0, 0, 0, 0};
      if (FlagGridStab5 == 4) bedPlaneCounts(i, j, cc, planeCount);
      for (int m = 1; m <= 4; ++m) {
        NewCell.x[m] = NewCell.x[m + 4] = xval[cc.ci[m]][cc.cj[m]];
        NewCell.y[m] = NewCell.y[m + 4] = yval[cc.ci[m]][cc.cj[m]];
      }
      for (int k = znumber - n + 1; k <= znumber; ++k) {
        const int p = k - (znumber - n);
        for (int m = 1; m <= 4; ++m) {
          NewCell.z[m] = cornerLevel(cc, m, k, p, false, planeCount);
          NewCell.z[m + 4] = cornerLevel(cc, m, k, p, true, planeCount);
        }
        NewCell.cell[SideB] = num[i][j][k - 1];
        NewCell.cell[SideT] = num[i][j][k + 1];
        for (int s = 1; s <= 4; ++s) NewCell.cell[s] = links.mutual(i, j, p, s);
        if (sideCut(i - 1, j, i, j)) NewCell.cell[SideN] = 0;
        if (sideCut(i, j - 1, i, j)) NewCell.cell[SideE] = 0;
        if (sideCut(i - 1, j - 1, i - 1, j)) NewCell.cell[SideW] = 0;
        if (sideCut(i - 1, j - 1, i, j - 1)) NewCell.cell[SideS] = 0;

        NewCell.flate[SideS] = (j > j1 && NewCell.cell[SideS] != 0) ? Cflaten[NewCell.cell[SideS]] : 0;
        NewCell.flate[SideW] = (i > i1 && NewCell.cell[SideW] != 0) ? Cflatee[NewCell.cell[SideW]] : 0;
        NewCell.flate[SideB] = k > 1 ? Cflatet[num[i][j][k - 1]] : 0;
        NewCell.flate[SideE] = NewCell.flate[SideN] = NewCell.flate[SideT] = 0;
        if (FlagGridStab5 == 4) keepClosedCell();

        if (!MakeCellFits()) return -1;
        MakeCell(num[i][j][k]);
        if (cellsFull()) return -1;
      }
    }

  blk.lastCell = NoCells;
  blk.lastSurface = NoSurfaces;
  blk.lastPoint = NoPoints;
  blk.active = 1;
  return 0;
}

}  // namespace

int UnstrucAdaptive() {
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    if (block[b].kind == 1) continue;
    if (buildBlock(b) < 0) return -1;
  }
  return 0;
}
