// The bed-aligned distributions (F 64 3, 33 and 4): the cells of every
// column are numbered from the bed up, so that cells at equal position in
// neighbouring columns form layers along the bed. The levels of a grid line
// divide its depth evenly from the bed; a column with more cells than a
// corner has levels squeezes its upper cells there onto the water level
// (3, 33) or onto the last level below it, keeping a full top cell whose
// neighbours are the top cells of the columns around (4).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "grid/bedaligned.h"
#include "grid/generate.h"
#include "grid/levelrules.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

using namespace levelrules;

namespace {

constexpr int kDi[5] = {0, 0, 1, 0, -1}, kDj[5] = {0, -1, 0, 1, 0};

void countCells(int i1, int i2, int j1, int j2) {
  for (int j = j1; j <= j2; ++j)
    for (int i = i1; i <= i2; ++i)
      ant[i][j] = std::clamp(
          std::max({antlin[i - 1][j - 1], antlin[i][j - 1], antlin[i][j], antlin[i - 1][j]}) - 1, 0, znumber - 1);
}

class AlignedBuilder {
 public:
  AlignedBuilder(int method, double D) : topLayer_(method == 4), D_(D) {}

  bool block(int b) {
    BlockRecord& blk = ::block[b];
    i1_ = blk.i1, i2_ = blk.i2, j1_ = blk.j1, j2_ = blk.j2;
    blk.firstCell = NoCells + 1;
    blk.firstSurface = NoSurfaces + 1;
    blk.firstPoint = NoPoints + 1;
    for (int j = j1_ - 1; j <= j2_; ++j)
      for (int i = i1_ - 1; i <= i2_; ++i) {
        std::memset(num[i][j] + 1, 0, sizeof(int) * static_cast<std::size_t>(znumber));
        antlin[i][j] = spreadCount(depthAt(i, j), D_, GridDistCoeff);
      }
    Grid1Stability(i1_, i2_, j1_, j2_);
    countCells(i1_, i2_, j1_, j2_);
    if (FlagGridIter == 1) {
      smoothCounts(i1_, i2_, j1_, j2_);
      countCells(i1_, i2_, j1_, j2_);
    }
    Grid2Stability(i1_, i2_, j1_, j2_);
    for (int j = j1_; j <= j2_; ++j)
      for (int i = i1_; i <= i2_; ++i) {
        ant[i][j] = std::clamp(ant[i][j], 0, znumber - 1);
        if (ant[i][j] <= 0) continue;
        zval[i][j][0] = NoCells + 1;
        for (int m = 1; m <= ant[i][j]; ++m) num[i][j][m] = ++NoCells;
      }
    if (!buildCells()) return false;
    blk.lastCell = NoCells;
    blk.lastSurface = NoSurfaces;
    blk.lastPoint = NoPoints;
    blk.active = 1;
    return true;
  }

 private:
  // Level of the bottom (top false) or top corner of cell m of a column of A
  // cells on grid line (gi, gj).
  double cornerLevel(int gi, int gj, int m, int A, bool top) const {
    const int L = antlin[gi][gj];
    const double g = L - 1 + 1e-10;
    double f = 1 - (top ? m : m - 1) / g;
    if (topLayer_ && L > 2 && f < 1 / g && (!top || (m >= L - 1 && m < A))) f = 1 / g;
    if (f < 1e-10) f = 0;
    if (f > 0.99999) f = 1;
    const double b = zval[gi][gj][1], s = zval[gi][gj][znumber];
    return std::min((1 - f) * s + f * b, s);
  }

  int neighbour(int i, int j, int m, int A, int s) const {
    // No side on the block's border links, so that every link is mutual
    // until the blocks are joined.
    const bool border = (s == SideS && j == j1_) || (s == SideE && i == i2_) || (s == SideN && j == j2_) ||
                        (s == SideW && i == i1_);
    if (border) return 0;
    const int ni = i + kDi[s], nj = j + kDj[s];
    if (!topLayer_ || m == 1) return num[ni][nj][m];
    const int a = ant[ni][nj];
    if (m == A) return a > 0 ? num[ni][nj][a] : 0;
    return a <= m ? 0 : num[ni][nj][m];
  }

  bool buildCells() {
    for (int j = j1_; j <= j2_; ++j)
      for (int i = i1_; i <= i2_; ++i) {
        const int A = ant[i][j];
        if (A <= 0) continue;
        const ColumnCorners cc(i, j);
        for (int q = 1; q <= 4; ++q) {
          NewCell.x[q] = NewCell.x[q + 4] = xval[cc.ci[q]][cc.cj[q]];
          NewCell.y[q] = NewCell.y[q + 4] = yval[cc.ci[q]][cc.cj[q]];
        }
        for (int m = 1; m <= A; ++m) {
          const int cell = num[i][j][m];
          for (int q = 1; q <= 4; ++q) {
            NewCell.z[q] = cornerLevel(cc.ci[q], cc.cj[q], m, A, false);
            NewCell.z[q + 4] = cornerLevel(cc.ci[q], cc.cj[q], m, A, true);
          }
          for (int s = SideS; s <= SideW; ++s) NewCell.cell[s] = neighbour(i, j, m, A, s);
          NewCell.cell[SideB] = num[i][j][m - 1];
          NewCell.cell[SideT] = m < A ? num[i][j][m + 1] : 0;
          NewCell.flate[SideS] = (j > j1_ && NewCell.cell[SideS] != 0) ? Cflaten[NewCell.cell[SideS]] : 0;
          NewCell.flate[SideW] = (i > i1_ && NewCell.cell[SideW] != 0) ? Cflatee[NewCell.cell[SideW]] : 0;
          NewCell.flate[SideB] = NewCell.cell[SideB] != 0 ? Cflatet[NewCell.cell[SideB]] : 0;
          NewCell.flate[SideE] = NewCell.flate[SideN] = NewCell.flate[SideT] = 0;
          if (cell < 1 || cell >= MaxCeller || !MakeCellFits()) return stop(cell - 1);
          MakeCell(cell);
          if (cell >= MaxCeller - 1 || NoSurfaces >= MaxFlater - 1 || NoPoints >= MaxPunkter - 1) return stop(cell);
        }
      }
    return true;
  }

  static bool stop(int built) {
    NoCells = std::max(built, 0);
    return false;
  }

  bool topLayer_;
  double D_;
  int i1_ = 0, i2_ = 0, j1_ = 0, j2_ = 0;
};

}  // namespace

bool bedAlignedDistribution(int method) { return method == 3 || method == 4 || method == 33; }

void smoothCounts(int i1, int i2, int j1, int j2) {
  // The deeper of the two grid lines of a face takes the smaller cell count
  // of the two columns when neither line has more levels than that.
  auto lift = [](int ia, int ja, int ib, int jb, int M) {
    if (antlin[ia][ja] > M || antlin[ib][jb] > M) return;
    if (depthAt(ib, jb) > depthAt(ia, ja))
      antlin[ib][jb] = M;
    else
      antlin[ia][ja] = M;
  };
  for (int j = j1; j <= j2 - 1; ++j)
    for (int i = i1; i <= i2 - 1; ++i) {
      lift(i, j - 1, i, j, std::min(ant[i][j], ant[i + 1][j]));
      lift(i - 1, j, i, j, std::min(ant[i][j], ant[i][j + 1]));
    }
}

int UnstrucBedAligned(double D) {
  AlignedBuilder builder(UMethod, D);
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    if (::block[b].kind == 1) continue;
    if (!builder.block(b)) return -1;
  }
  return 0;
}
