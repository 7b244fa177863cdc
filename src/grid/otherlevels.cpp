// The vertical distributions besides the adaptive one: z levels from the
// level table of G 3/G 30 (F 64 0, 30, 1, 31), levels spread evenly between
// bed and water surface (2, 32, 5, 35) and a continuous layer of cells along
// the bed (6, 36, 12). All of them count levels per grid line, give each
// column as many cells as its richest corner allows minus one, hang the cells
// from the top (the top cell of every column sits at k = znumber) and number
// them from the bottom of each column up, block by block.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "grid/bedaligned.h"
#include "grid/bedwalls.h"
#include "grid/directtopology.h"
#include "grid/generate.h"
#include "grid/levelrules.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace levelrules {

double depthAt(int i, int j) { return zval[i][j][znumber] - zval[i][j][1]; }

int wholePart(double v, int cap) {
  if (!(v < cap)) return cap;
  return v > 0 ? static_cast<int>(v) : 0;
}

int spreadCount(double h, double R, double e) {
  if (h < MinVertDist0) return 1;
  if (h < MinVertDist1) return 2;
  return std::min(2 + wholePart(std::pow(h / R, e) * (znumber - 2), znumber - 2), znumber);
}

// nz is kept below znumber, so that the levels stay above slot 0, which holds
// the lowest cell of the column.
int fixedLevelCount(const BlockRecord& blk) { return std::clamp(blk.levelCount, 0, znumber - 1); }

void fixedLevels(const BlockRecord& blk, int i, int j) {
  const int nz = fixedLevelCount(blk);
  antlin[i][j] = nz + 1;
  if (nz == 0) return;
  for (int m = 0; m <= nz; ++m) zval[i][j][znumber - nz + m] = blk.d2 - (nz - m) * blk.d1 / nz;
}

}  // namespace levelrules

namespace {

using namespace levelrules;

enum class Family { Table0, Table1, Spread2, Spread5, BedLayer6, BedLayer12 };

Family familyOf(int method) {
  switch (method) {
    case 0: case 30: return Family::Table0;
    case 1: case 31: return Family::Table1;
    case 2: case 32: return Family::Spread2;
    case 5: case 35: return Family::Spread5;
    case 6: case 36: return Family::BedLayer6;
    default: return Family::BedLayer12;
  }
}

// F 64 6/36: 1 below MinVertDist, else at least 3 levels.
int bedLayerCount(double h, double D) {
  if (h < MinVertDist) return 1;
  return std::min(2 + std::max(1, wholePart(std::pow(h / D, 0.6) * (znumber - 2), znumber - 2)), znumber);
}

// F 64 0/30: the table from the top down to the first level at or below the
// bed (within 1e-8); the bed moves onto that level.
void tableLevels0(int i, int j) {
  double* z = zval[i][j];
  int kc = 1;
  for (int k = znumber; k >= 1; --k) {
    z[k] = zdistrib[k];
    if (zdistrib[k] < z[1] + 1e-8) {
      kc = k;
      break;
    }
  }
  antlin[i][j] = znumber - kc + 1;
  for (int k = 1; k <= kc; ++k) z[k] = zdistrib[kc];
}

// F 64 1/31: the table from the top down to the first level below the bed
// (within 1e-6), which is pulled up onto the bed; table level 1 is not used.
void tableLevels1(int i, int j) {
  double* z = zval[i][j];
  antlin[i][j] = znumber - 1;
  for (int k = znumber; k >= 2; --k) {
    z[k] = zdistrib[k];
    if (zdistrib[k] < z[1] + 1e-6) {
      for (int q = k; q >= 2; --q) z[q] = z[1];
      antlin[i][j] = znumber - k + 1;
      return;
    }
  }
}

}  // namespace

int levelrules::steepColumnReduction(int i, int j, bool areaLength) {
  const ColumnCorners cc(i, j);
  double d[5];
  int L[5];
  for (int m = 1; m <= 4; ++m) {
    d[m] = depthAt(cc.ci[m], cc.cj[m]);
    L[m] = antlin[cc.ci[m]][cc.cj[m]];
  }
  const double dmax = std::max({d[1], d[2], d[3], d[4]}), dmin = std::min({d[1], d[2], d[3], d[4]});
  const int Lmax = std::max({L[1], L[2], L[3], L[4]}), Lmin = std::min({L[1], L[2], L[3], L[4]});
  // Deepest corner: (i, j) against (i-1, j) on equal depth, then (i, j-1) and
  // (i-1, j-1) only when strictly deeper.
  int deep = d[4] > d[3] ? 4 : 3;
  if (d[2] > d[deep]) deep = 2;
  if (d[1] > d[deep]) deep = 1;
  const double x1 = xval[i - 1][j - 1], y1 = yval[i - 1][j - 1], x2 = xval[i][j - 1], y2 = yval[i][j - 1];
  const double x3 = xval[i][j], y3 = yval[i][j], x4 = xval[i - 1][j], y4 = yval[i - 1][j];
  double s;
  if (areaLength) {
    const double area = 0.5 * ((y4 - y2) * (x3 - x1) - (x4 - x2) * (y3 - y1));
    if (area < 0) return 0;  // corners in clockwise order
    s = std::sqrt(area);
  } else {
    s = std::min(std::hypot(x3 - x2, y3 - y2), std::hypot(x3 - x4, y3 - y4));
  }
  const double e = (dmax - dmin) - s;
  if (!(e > 0 && dmax > 0 && L[deep] > 0)) return 0;
  return std::clamp(wholePart(e * L[deep] / (dmax + 1e-20), Lmax - Lmin), 0, Lmax - Lmin);
}

namespace {

// Level of corner m at corner fraction f (0 at the surface, 1 at the bed).
double spreadLevel(const ColumnCorners& cc, int m, double f) {
  const double b = zval[cc.ci[m]][cc.cj[m]][1], s = zval[cc.ci[m]][cc.cj[m]][znumber];
  if (f < 1e-10) f = 0;
  if (f > 0.99999) f = 1;
  if (b > s) f = 0;
  return f * b + (1 - f) * s;
}

class Builder {
 public:
  Builder(int method, double D) : fam_(familyOf(method)), D_(D) {}

  // Builds the cells of block b; false when the F 65 sizes are reached.
  bool block(int b) {
    BlockRecord& blk = ::block[b];
    i1_ = blk.i1, i2_ = blk.i2, j1_ = blk.j1, j2_ = blk.j2;
    fixed_ = blk.bedFlag != 1;
    blk_ = &blk;
    blk.firstCell = NoCells + 1;
    blk.firstSurface = NoSurfaces + 1;
    blk.firstPoint = NoPoints + 1;
    levelCounts();
    cellCounts();
    numberCells();
    if (!buildCells()) return false;
    blk.lastCell = NoCells;
    blk.lastSurface = NoSurfaces;
    blk.lastPoint = NoPoints;
    blk.active = 1;
    return true;
  }

 private:
  bool table() const { return fam_ == Family::Table0 || fam_ == Family::Table1; }
  bool bedLayer() const { return fam_ == Family::BedLayer6 || fam_ == Family::BedLayer12; }

  void levelCounts() {
    for (int j = j1_ - 1; j <= j2_; ++j)
      for (int i = i1_ - 1; i <= i2_; ++i) {
        // Cells of an earlier block along the window's first row and line are
        // not taken as neighbours of this one.
        std::memset(num[i][j] + 1, 0, sizeof(int) * static_cast<std::size_t>(znumber));
        if (fixed_) {
          fixedLevels(*blk_, i, j);
          continue;
        }
        const double h = depthAt(i, j);
        switch (fam_) {
          case Family::Table0: tableLevels0(i, j); break;
          case Family::Table1: tableLevels1(i, j); break;
          case Family::Spread2: antlin[i][j] = spreadCount(h, MaxDepth + 1e-10, GridDistCoeff); break;
          case Family::Spread5: antlin[i][j] = spreadCount(h, D_, 0.6); break;
          case Family::BedLayer6: antlin[i][j] = bedLayerCount(h, D_); break;
          case Family::BedLayer12: antlin[i][j] = spreadCount(h, D_, GridDistCoeff); break;
        }
      }
  }

  void cellCounts() {
    for (int j = j1_; j <= j2_; ++j)
      for (int i = i1_; i <= i2_; ++i) {
        if (fixed_) {
          ant[i][j] = fixedLevelCount(*blk_);
          continue;
        }
        ant[i][j] = std::max({antlin[i - 1][j - 1], antlin[i][j - 1], antlin[i][j], antlin[i - 1][j]}) - 1;
        if (fam_ == Family::Table0 && bedOutBlock[i][j] == 1) ant[i][j] = 0;
        if (fam_ == Family::Table1 || fam_ == Family::Spread2) ant[i][j] -= steepColumnReduction(i, j, fam_ == Family::Table1);
        ant[i][j] = std::clamp(ant[i][j], 0, znumber - 1);
      }
    if (fam_ == Family::Table0 && !fixed_) levelTableCorners();
  }

  // F 64 0/30: every corner of a cell onto the lowest of the four corner
  // values at its level, so that the cells of a column are level.
  void levelTableCorners() {
    for (int j = j1_; j <= j2_; ++j)
      for (int i = i1_; i <= i2_; ++i) {
        const ColumnCorners cc(i, j);
        for (int k = znumber; k >= znumber - ant[i][j]; --k) {
          double low = zval[cc.ci[1]][cc.cj[1]][k];
          for (int m = 2; m <= 4; ++m) low = std::min(low, zval[cc.ci[m]][cc.cj[m]][k]);
          for (int m = 1; m <= 4; ++m) zval[cc.ci[m]][cc.cj[m]][k] = low;
        }
      }
  }

  void numberCells() {
    for (int j = j1_; j <= j2_; ++j)
      for (int i = i1_; i <= i2_; ++i) {
        if (ant[i][j] <= 0) continue;
        // Under F 64 0/30 an outblocked column of a fixed-level block keeps
        // its cells but no entry in slot 0.
        if (!(fam_ == Family::Table0 && bedOutBlock[i][j] == 1)) zval[i][j][0] = NoCells + 1;
        for (int k = znumber - ant[i][j] + 1; k <= znumber; ++k) num[i][j][k] = ++NoCells;
      }
  }

  // Corner level of corner m, at the bottom or the top of the cell at level k,
  // position c in its column (1 = the lowest).
  double cornerLevel(const ColumnCorners& cc, int m, int k, int c, bool top) const {
    const int gi = cc.ci[m], gj = cc.cj[m];
    if (fixed_ || table()) return zval[gi][gj][top ? k : k - 1];
    const int L = antlin[gi][gj];
    const double g = L - 1 + (fam_ == Family::Spread2 ? 1e-20 : 1e-10);
    double f = (top ? znumber - k : znumber - k + 1) / g;
    if (bedLayer() && (top || c > 1)) f = std::min(f, 1 - 1 / g);
    return spreadLevel(cc, m, f);
  }

  // Neighbour on side s (1 s, 2 e, 3 n, 4 w) of the cell at level k, position
  // c in its column of m cells.
  int neighbour(int i, int j, int k, int c, int s) const {
    static constexpr int di[5] = {0, 0, 1, 0, -1}, dj[5] = {0, -1, 0, 1, 0};
    const bool border = (s == SideS && j == j1_) || (s == SideE && i == i2_) || (s == SideN && j == j2_) ||
                        (s == SideW && i == i1_);
    if (border) return 0;
    const int ni = i + di[s], nj = j + dj[s];
    if (!bedLayer()) return num[ni][nj][k];
    const int m = ant[i][j], a = ant[ni][nj], d = m - a;
    if (a <= 0) return 0;
    if (fam_ == Family::BedLayer12 && m == 1 && a == 1) {
      static constexpr int side[5][4] = {{0, 0, 0, 0}, {-1, -1, 0, -1}, {0, -1, 0, 0}, {0, 0, -1, 0}, {-1, 0, -1, -1}};
      const double h = std::max(0.0, depthAt(i + side[s][0], j + side[s][1])) +
                       std::max(0.0, depthAt(i + side[s][2], j + side[s][3]));
      if (h < MinVertDist) return 0;
    }
    if (d == 0) return num[ni][nj][k];
    if (c == 1) return num[ni][nj][znumber - a + 1];
    if (d > 0 && c - 1 <= d) return 0;
    return num[ni][nj][k];
  }

  bool buildCells() {
    for (int j = j1_; j <= j2_; ++j)
      for (int i = i1_; i <= i2_; ++i) {
        const int n = ant[i][j];
        if (n <= 0) continue;
        const ColumnCorners cc(i, j);
        for (int m = 1; m <= 4; ++m) {
          NewCell.x[m] = NewCell.x[m + 4] = xval[cc.ci[m]][cc.cj[m]];
          NewCell.y[m] = NewCell.y[m + 4] = yval[cc.ci[m]][cc.cj[m]];
        }
        for (int k = znumber - n + 1; k <= znumber; ++k) {
          const int c = k - (znumber - n), cell = num[i][j][k];
          for (int m = 1; m <= 4; ++m) {
            NewCell.z[m] = cornerLevel(cc, m, k, c, false);
            NewCell.z[m + 4] = cornerLevel(cc, m, k, c, true);
          }
          for (int s = SideS; s <= SideW; ++s) NewCell.cell[s] = neighbour(i, j, k, c, s);
          NewCell.cell[SideB] = num[i][j][k - 1];
          NewCell.cell[SideT] = num[i][j][k + 1];
          NewCell.flate[SideS] = (j > j1_ && NewCell.cell[SideS] != 0) ? Cflaten[NewCell.cell[SideS]] : 0;
          NewCell.flate[SideW] = (i > i1_ && NewCell.cell[SideW] != 0) ? Cflatee[NewCell.cell[SideW]] : 0;
          NewCell.flate[SideB] = NewCell.cell[SideB] != 0 ? Cflatet[NewCell.cell[SideB]] : 0;
          NewCell.flate[SideE] = NewCell.flate[SideN] = NewCell.flate[SideT] = 0;
          // Room for the cell and every surface and point it may add is tested
          // before it is built, the counts after it.
          if (cell >= MaxCeller || !MakeCellFits()) return stop(cell - 1);
          if (fam_ == Family::Table1 || fam_ == Family::Spread5 || bedLayer())
            MakeCell(cell);
          else
            MakeCellNew(cell, i, j, k);
          if (cell >= MaxCeller - 1 || NoSurfaces >= MaxFlater - 1 || NoPoints >= MaxPunkter - 1) return stop(cell);
        }
      }
    return true;
  }

  // The generation ends with `built` cells made; the numbers given beyond
  // them name no cell.
  static bool stop(int built) {
    NoCells = built;
    return false;
  }

  Family fam_;
  double D_;
  int i1_ = 0, i2_ = 0, j1_ = 0, j2_ = 0;
  bool fixed_ = false;
  BlockRecord* blk_ = nullptr;
};

}  // namespace

bool otherDistribution(int method) {
  switch (method) {
    case 0: case 1: case 2: case 5: case 6: case 12: case 30: case 31: case 32: case 35: case 36: return true;
    case 7: case 37: case 9: case 10: return true;
    case 3: case 4: case 33: return true;
    case 14: case 15: return true;
    default: return false;
  }
}

int UnstrucOther(double D) {
  if (!otherDistribution(UMethod)) return 0;  // no distribution: an empty grid
  if (bedWallDistribution(UMethod)) return UnstrucBedWalls(D);
  if (bedAlignedDistribution(UMethod)) return UnstrucBedAligned(D);
  if (directTopologyDistribution(UMethod)) return UnstrucDirect(D);
  Builder builder(UMethod, D);
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    if (::block[b].kind == 1) continue;
    if (!builder.block(b)) return -1;
  }
  return 0;
}
