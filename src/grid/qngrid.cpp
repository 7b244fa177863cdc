// The quasi-neighbour grid (F 137): every water column gets cells from its
// depth, standing on the bed, and the levels at a grid line are shared by all
// columns around it, so that neighbouring cells at the same level meet face
// to face. Where a neighbour column is taller, the top cell of the shorter
// one faces several cells; they are listed for it (Cncell*, Cqncell*), and
// the flow solver couples through those lists.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "grid/generate.h"
#include "grid/levelrules.h"
#include "grid/qngrid.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

using namespace levelrules;

namespace {

constexpr int kDi[5] = {0, 0, 1, 0, -1}, kDj[5] = {0, -1, 0, 1, 0};

bool inWindow(const BlockRecord& B, int i, int j) { return i >= B.i1 && i <= B.i2 && j >= B.j1 && j <= B.j2; }

// The neighbour column of side s lies inside the window.
bool sideInside(const BlockRecord& B, int i, int j, int s) {
  switch (s) {
    case SideS: return j > B.j1;
    case SideE: return i < B.i2;
    case SideN: return j < B.j2;
    default: return i > B.i1;
  }
}

void levelsAndCounts(const BlockRecord& B, double D) {
  for (int j = B.j1 - 1; j <= B.j2; ++j)
    for (int i = B.i1 - 1; i <= B.i2; ++i)
      antlin[i][j] = spreadCount(zval[i][j][znumber] - zval[i][j][1], D, GridDistCoeff);
  for (int j = B.j1; j <= B.j2; ++j)
    for (int i = B.i1; i <= B.i2; ++i) {
      const int a1 = antlin[i - 1][j - 1], a2 = antlin[i][j - 1], a3 = antlin[i][j], a4 = antlin[i - 1][j];
      int n = std::max({a1, a2, a3, a4}) - 1;
      if (a1 + a2 + a3 + a4 < 2 || bedOutBlock[i][j] == 1) n = 0;
      ant[i][j] = std::clamp(n, 0, znumber - 1);
    }
  // The smallest and largest counts of the columns of this block around
  // each grid line.
  for (int j = B.j1 - 1; j <= B.j2; ++j)
    for (int i = B.i1 - 1; i <= B.i2; ++i) {
      int lo = 0, hi = 0;
      for (const auto& c : {std::pair{i, j}, std::pair{i + 1, j}, std::pair{i + 1, j + 1}, std::pair{i, j + 1}}) {
        if (!inWindow(B, c.first, c.second)) continue;
        const int n = ant[c.first][c.second];
        if (n <= 0) continue;
        lo = lo == 0 ? n : std::min(lo, n);
        hi = std::max(hi, n);
      }
      antmin[i][j] = lo;
      antmax[i][j] = hi;
    }
}

}  // namespace

double quasiCornerFraction(int a, int m, int M, int L, int A, bool top) {
  const int q = std::min(L, A);
  double f;
  if (!top) {
    if (a <= 1)
      f = 1;
    else if (m < q)
      f = 1 - static_cast<double>(M - L + 2) / ((M - m + 1) * m);
    else
      f = (L - 2) / (m + 1e-10);
  } else {
    if (a < 2 || L == A + 1)
      f = 1;
    else if (m < q)
      f = 1 - static_cast<double>(M - L + 1) / ((M - m + 1) * m);
    else
      f = (L - 1) / (m + 1e-10);
  }
  if (f > 0.99999) f = 1;
  if (f < 1e-10) f = 0;
  return f;
}

namespace {

bool buildBlock(BlockRecord& B) {
  for (int j = B.j1; j <= B.j2; ++j)
    for (int i = B.i1; i <= B.i2; ++i) {
      const int A = ant[i][j];
      if (A <= 0) continue;
      const ColumnCorners cc(i, j);
      for (int q = 1; q <= 4; ++q) {
        NewCell.x[q] = NewCell.x[q + 4] = xval[cc.ci[q]][cc.cj[q]];
        NewCell.y[q] = NewCell.y[q + 4] = yval[cc.ci[q]][cc.cj[q]];
      }
      for (int L = 2; L <= A + 1; ++L) {
        const int cell = num[i][j][L];
        for (int q = 1; q <= 4; ++q) {
          const int gi = cc.ci[q], gj = cc.cj[q];
          const double b = zval[gi][gj][1], s = zval[gi][gj][znumber];
          const int a = antlin[gi][gj], m = antmin[gi][gj], M = antmax[gi][gj];
          const double fb = quasiCornerFraction(a, m, M, L, A, false), ft = quasiCornerFraction(a, m, M, L, A, true);
          NewCell.z[q] = fb * s + (1 - fb) * b;
          NewCell.z[q + 4] = ft * s + (1 - ft) * b;
        }
        for (int s = SideS; s <= SideW; ++s) {
          NewCell.cell[s] = 0;
          NewCell.flate[s] = 0;
          if (!sideInside(B, i, j, s)) continue;
          const int ni = i + kDi[s], nj = j + kDj[s], Bn = ant[ni][nj];
          if (Bn <= 0) continue;
          NewCell.cell[s] = Bn < L ? num[ni][nj][Bn + 1] : num[ni][nj][L];
          if (s != SideS && s != SideW) continue;
          const int d = A - Bn;
          const bool faceToFace = d == 0 || (d < 0 && L <= A) || (d > 0 && L <= A - d);
          if (NewCell.cell[s] != 0 && faceToFace)
            NewCell.flate[s] = s == SideS ? Cflaten[NewCell.cell[s]] : Cflatee[NewCell.cell[s]];
        }
        NewCell.cell[SideB] = num[i][j][L - 1];
        NewCell.cell[SideT] = num[i][j][L + 1];
        NewCell.flate[SideB] = NewCell.cell[SideB] != 0 ? Cflatet[NewCell.cell[SideB]] : 0;
        NewCell.flate[SideT] = 0;
        if (cell < 1 || cell >= MaxCeller || !MakeCellFits()) {
          NoCells = std::max(cell - 1, 0);
          return false;
        }
        MakeCell(cell);
        if (cell >= MaxCeller - 1 || NoSurfaces >= MaxFlater - 1 || NoPoints >= MaxPunkter - 1) {
          NoCells = cell;
          return false;
        }
      }
    }
  return true;
}

// The lists of the top cell t of column (i, j) toward its taller neighbours.
void listTallerNeighbours(const BlockRecord& B, int i, int j) {
  const int A = ant[i][j], t = num[i][j][A + 1];
  int* counts[5] = {nullptr, Cncells, Cncelle, Cncelln, Cncellw};
  int** lists[5] = {nullptr, Cqncells, Cqncelle, Cqncelln, Cqncellw};
  for (int s = SideS; s <= SideW; ++s) {
    if (!sideInside(B, i, j, s)) continue;
    const int ni = i + kDi[s], nj = j + kDj[s], Bn = ant[ni][nj];
    if (Bn <= 0 || A - Bn >= 0) continue;
    const int count = Bn - A + 1, first = num[ni][nj][A + 1];
    counts[s][t] = count;
    for (int r = 0; r < count; ++r) {
      const int listed = first + r;
      lists[s][t][r] = listed;
      switch (s) {
        case SideS: Fcell2[Cflaten[listed]] = t; break;
        case SideE: Fcell1[Cflatew[listed]] = t; break;
        case SideN: Fcell1[Cflates[listed]] = t; break;
        default: Fcell2[Cflatee[listed]] = t; break;
      }
    }
    const int middle = first + count / 2;
    int f = 0;
    switch (s) {
      case SideS: f = Cflates[t], Fcell1[f] = middle; break;
      case SideE: f = Cflatee[t], Fcell2[f] = middle; break;
      case SideN: f = Cflaten[t], Fcell2[f] = middle; break;
      default: f = Cflatew[t], Fcell1[f] = middle; break;
    }
    Fqndum[f] = 1;
  }
}

}  // namespace

int UnstrucQN(double D) {
  const std::size_t nc = sizeof(int) * static_cast<std::size_t>(MaxCeller);
  for (int* p : {Cncells, Cncelle, Cncelln, Cncellw})
    if (p) std::memset(p, 0, nc);
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    BlockRecord& B = block[b];
    if (B.kind == 1) continue;
    B.firstCell = NoCells + 1;
    B.firstSurface = NoSurfaces + 1;
    B.firstPoint = NoPoints + 1;
    if (B.bedFlag == 1) {
      levelsAndCounts(B, D);
      for (int j = B.j1; j <= B.j2; ++j)
        for (int i = B.i1; i <= B.i2; ++i) {
          if (ant[i][j] <= 0) continue;
          zval[i][j][0] = NoCells + 1;
          for (int L = 2; L <= ant[i][j] + 1; ++L) num[i][j][L] = ++NoCells;
        }
      if (!buildBlock(B)) return -1;
    }
    B.lastCell = NoCells;
    B.lastSurface = NoSurfaces;
    B.lastPoint = NoPoints;
    B.active = 1;
  }
  if (!Cncells || !Cqncells) return 0;
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    const BlockRecord& B = block[b];
    if (B.kind == 1 || B.bedFlag != 1) continue;
    for (int j = B.j1; j <= B.j2; ++j)
      for (int i = B.i1; i <= B.i2; ++i)
        if (ant[i][j] > 0) listTallerNeighbours(B, i, j);
  }
  return 0;
}
