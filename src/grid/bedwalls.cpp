// The bed-layer distributions with walls and shorelines. All three keep a
// layer of cells along the bed: the lowest cell of a column spans the bed to
// the first level above it, and the lowest cells of unequal neighbours link.
// - Steep walls (F 64 7, 37): the upper grid line of a bed slope steeper than
//   2 is marked; there the levels of deeper columns continue below the bed on
//   their straight spacing, and across a side with a marked corner the cells
//   link at equal k.
// - Cracks (F 64 9): faces across which the cell count jumps while the bed
//   rises toward the shallower column; along a crack the cells link at equal
//   k, and beside a crack passing a grid line the deeper column's levels may
//   go a few spacings below the bed.
// - Shorelines (F 64 10): the dry corners of a wet column slide along its
//   edges toward the waterline before its cells are built.
// Every pass runs once per block over its grid lines and columns; nothing is
// allocated.
#include "grid/bedwalls.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "grid/generate.h"
#include "grid/levelrules.h"
#include "state/log.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

using namespace levelrules;

namespace {

enum class Wall { Steep, Crack, Shore };

Wall wallOf(int method) { return method == 9 ? Wall::Crack : method == 10 ? Wall::Shore : Wall::Steep; }

constexpr int kDi[5] = {0, 0, 1, 0, -1}, kDj[5] = {0, -1, 0, 1, 0};
// The two corners of each side (s, e, n, w).
constexpr int kSideCorner[5][2] = {{0, 0}, {1, 2}, {2, 3}, {3, 4}, {4, 1}};

double bedAt(int i, int j) { return zval[i][j][1]; }

// Level at corner fraction f on grid line (i, j); a grid line whose bed lies
// above the water has all its levels at the water.
double levelAt(int i, int j, double f) {
  const double b = zval[i][j][1], s = zval[i][j][znumber];
  if (b > s) f = 0;
  return f * b + (1 - f) * s;
}

double bothThresholds(double f) {
  if (f < 1e-10) return 0;
  if (f > 0.99999) return 1;
  return f;
}

// The jump of the crack face on side s of column (i, j) (0: no crack).
int crackOnSide(int i, int j, int s) {
  switch (s) {
    case SideS: return crackJ[i][j - 1];
    case SideE: return crackI[i][j];
    case SideN: return crackJ[i][j];
    default: return crackI[i - 1][j];
  }
}

// Crack counts of the grid lines of a window: the number of crack faces that
// meet there, 2 for a crack leaving the window over its border.
void countCracks(int i1, int i2, int j1, int j2) {
  for (int j = j1 - 1; j <= j2; ++j)
    for (int i = i1 - 1; i <= i2; ++i)
      vv[i][j] = (crackI[i][j] != 0) + (crackI[i][j + 1] != 0) + (crackJ[i][j] != 0) + (crackJ[i + 1][j] != 0);
  for (int j = j1 - 1; j <= j2; ++j)
    for (int i : {i1 - 1, i2})
      if (vv[i][j] == 1) vv[i][j] = 2;
  for (int i = i1; i <= i2 - 1; ++i)
    for (int j : {j1 - 1, j2})
      if (vv[i][j] == 1) vv[i][j] = 2;
}

// The smallest jump in magnitude of the crack faces at each grid line, taken
// afresh at every grid line (0 where no crack passes).
void smallestJumps(int i1, int i2, int j1, int j2) {
  for (int j = j1 - 1; j <= j2; ++j)
    for (int i = i1 - 1; i <= i2; ++i) {
      int least = 0;
      for (int jump : {crackI[i][j], crackI[i][j + 1], crackJ[i][j], crackJ[i + 1][j]})
        if (jump != 0 && (least == 0 || std::abs(jump) < least)) least = std::abs(jump);
      vn[i][j] = least;
    }
}

// Plan distance between the middles of two grid-line edges (a, b) and (c, d).
double edgeMiddles(int ia, int ja, int ib, int jb, int ic, int jc, int id, int jd) {
  const double dx = (xval[ia][ja] + xval[ib][jb]) - (xval[ic][jc] + xval[id][jd]);
  const double dy = (yval[ia][ja] + yval[ib][jb]) - (yval[ic][jc] + yval[id][jd]);
  return 0.5 * std::sqrt(dx * dx + dy * dy);
}

bool cracks(int dn, double slope) {
  return (dn < -FlagGridCNO && slope > FlagGridVVANG) || (dn > FlagGridCNO && slope < FlagGridVVANG);
}

// Extension pass of F 232: a crack end next to another end closes with it;
// otherwise the crack goes on by one face where the count jumps by more than 1.
void extendCracks(int i1, int i2, int j1, int j2) {
  for (int j = j1; j <= j2 - 1; ++j)
    for (int i = i1; i <= i2 - 1; ++i) {
      if (vv[i][j] != 1) continue;
      if (vv[i - 1][j] == 1) {
        vv[i][j] = vv[i - 1][j] = 0;
        crackJ[i][j] = 0;
        continue;
      }
      if (vv[i][j - 1] == 1) {
        vv[i][j] = vv[i][j - 1] = 0;
        crackI[i][j] = 0;
        continue;
      }
      if (crackI[i][j] != 0 && std::abs(ant[i + 1][j + 1] - ant[i][j + 1]) > 1)
        crackI[i][j + 1] = ant[i + 1][j + 1] - ant[i][j + 1];
      if (crackI[i][j + 1] != 0 && std::abs(ant[i + 1][j] - ant[i][j]) > 1) crackI[i][j] = ant[i + 1][j] - ant[i][j];
      if (crackJ[i][j] != 0 && std::abs(ant[i + 1][j + 1] - ant[i + 1][j]) > 1)
        crackJ[i + 1][j] = ant[i + 1][j + 1] - ant[i + 1][j];
      if (crackJ[i + 1][j] != 0 && std::abs(ant[i][j + 1] - ant[i][j]) > 1) crackJ[i][j] = ant[i][j + 1] - ant[i][j];
    }
}

// Gap filling: a face between two columns that both have a crack on the same
// side, deeper on the same side, becomes a crack itself.
void fillCrackGaps(int i1, int i2, int j1, int j2) {
  for (int j = j1; j <= j2; ++j)
    for (int i = i1; i <= i2 - 1; ++i) {
      const int dn = ant[i + 1][j] - ant[i][j];
      if (dn == 0 || crackI[i][j] != 0) continue;
      if ((crackJ[i][j] > 1 && crackJ[i + 1][j] > 1) || (crackJ[i][j - 1] < -1 && crackJ[i + 1][j - 1] < -1))
        crackI[i][j] = dn;
    }
  for (int j = j1; j <= j2 - 1; ++j)
    for (int i = i1; i <= i2; ++i) {
      const int dn = ant[i][j + 1] - ant[i][j];
      if (dn == 0 || crackJ[i][j] != 0) continue;
      if ((crackI[i][j] > 1 && crackI[i][j + 1] > 1) || (crackI[i - 1][j] < -1 && crackI[i - 1][j + 1] < -1))
        crackJ[i][j] = dn;
    }
}

// True when corner m of column (i, j) lies at a crack that passes its grid
// line: exactly one of the column's two faces there is a crack, across which
// the column is the deeper one by at least 2 cells.
bool passingCrackCorner(int i, int j, int m) {
  const int w = crackI[i - 1][j], s = crackJ[i][j - 1], e = crackI[i][j], n = crackJ[i][j];
  switch (m) {
    case 1: return (w == 0 && s > 1) || (w > 1 && s == 0);
    case 2: return (s == 0 && e < -1) || (s > 1 && e == 0);
    case 3: return (n < -1 && e == 0) || (n == 0 && e < -1);
    default: return (n < -1 && w == 0) || (n == 0 && w > 1);
  }
}

// The cell count of a column read as a top-aligned position: its lowest
// position znumber - ant + 1, within the slots of num.
int lowestPosition(int i, int j) { return std::clamp(znumber - ant[i][j] + 1, 1, znumber + 1); }

bool columnEmpty(int i, int j) { return num[i][j][lowestPosition(i, j)] == 0; }

class WallBuilder {
 public:
  WallBuilder(int method, double D) : wall_(wallOf(method)), D_(D) {}

  // Builds the cells of block b; false when the F 65 sizes are reached.
  bool block(int b) {
    BlockRecord& blk = ::block[b];
    i1_ = blk.i1, i2_ = blk.i2, j1_ = blk.j1, j2_ = blk.j2;
    blk_ = &blk;
    // A fixed-level block follows the levels of its own record under F 64 9
    // and 10, as under the other bed-layer distributions; F 64 7 spreads its
    // columns between fixed bed and surface levels by its own corner rule.
    fixed_ = blk.bedFlag != 1 && wall_ != Wall::Steep;
    blk.firstCell = NoCells + 1;
    blk.firstSurface = NoSurfaces + 1;
    blk.firstPoint = NoPoints + 1;
    levelCounts();
    if (wall_ == Wall::Steep && !fixed_) Grid1Stability(i1_, i2_, j1_, j2_);
    cellCounts();
    numberCells();
    if (wall_ == Wall::Steep) markSteepLines(i1_, i2_, j1_, j2_);
    if (wall_ == Wall::Crack) {
      clearCrackMaps();
      if (!fixed_) findCracks(i1_, i2_, j1_, j2_);
    }
    if (!buildCells()) return false;
    blk.lastCell = NoCells;
    blk.lastSurface = NoSurfaces;
    blk.lastPoint = NoPoints;
    blk.active = 1;
    return true;
  }

 private:
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
        switch (wall_) {
          case Wall::Steep: antlin[i][j] = spreadCount(h, D_, GridDistCoeff); break;
          case Wall::Crack: antlin[i][j] = spreadCount(h, D_, 0.6); break;
          case Wall::Shore:
            antlin[i][j] = h < MinVertDist ? 1
                                           : std::min(2 + wholePart(std::pow(h / D_, GridDistCoeff) * (znumber - 2),
                                                                    znumber - 2),
                                                      znumber);
            break;
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
        ant[i][j] = std::clamp(ant[i][j], 0, znumber - 1);
      }
  }

  void numberCells() {
    const bool steepFixed = wall_ == Wall::Steep && blk_->bedFlag != 1;
    for (int j = j1_; j <= j2_; ++j)
      for (int i = i1_; i <= i2_; ++i) {
        if (ant[i][j] <= 0) continue;
        if (steepFixed) {
          // A wet column of a fixed-level block: nz cells, its own grid line
          // from d2 - d1 up to d2.
          ant[i][j] = fixedLevelCount(*blk_);
          if (ant[i][j] <= 0) continue;
          zval[i][j][znumber] = blk_->d2;
          zval[i][j][1] = blk_->d2 - blk_->d1;
        }
        zval[i][j][0] = NoCells + 1;
        for (int k = znumber - ant[i][j] + 1; k <= znumber; ++k) num[i][j][k] = ++NoCells;
      }
  }

  // The crack maps of this window start empty, whatever an earlier block
  // left next to it.
  void clearCrackMaps() {
    for (int i = i1_ - 1; i <= i2_ + 1; ++i)
      for (int j = j1_ - 1; j <= j2_ + 1; ++j) crackI[i][j] = crackJ[i][j] = vn[i][j] = vv[i][j] = 0;
  }

  double cornerLevel(const ColumnCorners& cc, int i, int j, int m, int k, int c, bool top) const {
    const int gi = cc.ci[m], gj = cc.cj[m];
    if (fixed_) return zval[gi][gj][top ? k : k - 1];
    double f = 0;
    switch (wall_) {
      case Wall::Steep: f = steepCornerFraction(gi, gj, k, c, top); break;
      case Wall::Crack: f = crackCornerFraction(i, j, m, k, c, top); break;
      case Wall::Shore: {
        const double g = antlin[gi][gj] - 1 + 1e-10;
        f = (top ? znumber - k : znumber - k + 1) / g;
        if (top || c > 1) f = std::min(f, 1 - 1 / g);
        f = bothThresholds(f);
        break;
      }
    }
    return levelAt(gi, gj, f);
  }

  // True when the bed-layer links apply on side s of column (i, j): not
  // across a steep corner (F 64 7) or a crack face (F 64 9).
  bool bedLayerSide(int i, int j, int s) const {
    if (wall_ == Wall::Crack) return crackOnSide(i, j, s) == 0;
    if (wall_ == Wall::Shore) return true;
    const ColumnCorners cc(i, j);
    for (int q : kSideCorner[s])
      if (vv[cc.ci[q]][cc.cj[q]] == 1) return false;
    return true;
  }

  // Neighbour on side s of the cell at level k, place c in its column.
  int neighbour(int i, int j, int k, int c, int s) const {
    const bool border = (s == SideS && j == j1_) || (s == SideE && i == i2_) || (s == SideN && j == j2_) ||
                        (s == SideW && i == i1_);
    if (border) return 0;
    const int ni = i + kDi[s], nj = j + kDj[s];
    const int m = ant[i][j], a = ant[ni][nj], d = m - a;
    if (a <= 0) return 0;
    if (d == 0 || fixed_) return num[ni][nj][k];
    const bool layer = bedLayerSide(i, j, s);
    if (c == 1 && layer) return num[ni][nj][znumber - a + 1];
    if (d > 0 && c - 1 <= d && layer) return 0;
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
            NewCell.z[m] = cornerLevel(cc, i, j, m, k, c, false);
            NewCell.z[m + 4] = cornerLevel(cc, i, j, m, k, c, true);
          }
          for (int s = SideS; s <= SideW; ++s) NewCell.cell[s] = neighbour(i, j, k, c, s);
          if (wall_ == Wall::Shore && c == 1 && !fixed_)
            moveShoreCorners(i, j, NewCell.cell[SideS], NewCell.cell[SideE], NewCell.cell[SideN],
                             NewCell.cell[SideW]);
          NewCell.cell[SideB] = num[i][j][k - 1];
          NewCell.cell[SideT] = num[i][j][k + 1];
          NewCell.flate[SideS] = (j > j1_ && NewCell.cell[SideS] != 0) ? Cflaten[NewCell.cell[SideS]] : 0;
          NewCell.flate[SideW] = (i > i1_ && NewCell.cell[SideW] != 0) ? Cflatee[NewCell.cell[SideW]] : 0;
          NewCell.flate[SideB] = NewCell.cell[SideB] != 0 ? Cflatet[NewCell.cell[SideB]] : 0;
          NewCell.flate[SideE] = NewCell.flate[SideN] = NewCell.flate[SideT] = 0;
          // Room for the cell and every surface and point it may add is tested
          // before it is built, the counts after it.
          if (cell < 1 || cell >= MaxCeller || !MakeCellFits()) return stop(cell - 1);
          if (wall_ == Wall::Shore)
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
    NoCells = std::max(built, 0);
    return false;
  }

  Wall wall_;
  double D_;
  int i1_ = 0, i2_ = 0, j1_ = 0, j2_ = 0;
  bool fixed_ = false;
  BlockRecord* blk_ = nullptr;
};

}  // namespace

bool bedWallDistribution(int method) { return method == 7 || method == 37 || method == 9 || method == 10; }

void markSteepLines(int i1, int i2, int j1, int j2) {
  auto slope = [](int ia, int ja, int ib, int jb) {
    const double dx = xval[ib][jb] - xval[ia][ja], dy = yval[ib][jb] - yval[ia][ja];
    return (bedAt(ib, jb) - bedAt(ia, ja)) / std::sqrt(dx * dx + dy * dy + 1e-20);
  };
  for (int j = j1 - 1; j <= j2; ++j)
    for (int i = i1; i <= i2; ++i) {
      const double S = slope(i - 1, j, i, j);
      if (S > 2) vv[i][j] = 1;
      if (S < -2) vv[i - 1][j] = 1;
    }
  for (int j = j1; j <= j2; ++j)
    for (int i = i1 - 1; i <= i2; ++i) {
      const double S = slope(i, j - 1, i, j);
      if (S > 2) vv[i][j] = 1;
      if (S < -2) vv[i][j - 1] = 1;
    }
}

double steepCornerFraction(int gi, int gj, int k, int c, bool top) {
  const double g = antlin[gi][gj] - 1 + 1e-10, cap = 1 - 1 / g;
  if (!top) {
    const double fb = (znumber - k + 1) / g;
    if (vv[gi][gj] == 1) return fb < 1e-10 ? 0 : fb;  // steep: on below the bed
    if (fb <= 1) return bothThresholds(fb);
    vv[gi][gj] = -1;  // out of levels for the rest of the build
    return c == 1 ? 1.0 : bothThresholds(std::min(fb, cap));
  }
  const double ft = (znumber - k) / g;
  switch (vv[gi][gj]) {
    case 1: return ft < 1e-10 ? 0 : ft;
    case -1: return bothThresholds(std::min(ft, cap));
    default: return bothThresholds(ft);
  }
}

void findCracks(int i1, int i2, int j1, int j2) {
  for (int j = j1; j <= j2; ++j)
    for (int i = i1; i <= i2 - 1; ++i) {
      const int dn = ant[i + 1][j] - ant[i][j];
      const double L = edgeMiddles(i + 1, j, i + 1, j - 1, i - 1, j, i - 1, j - 1);
      const double S =
          0.25 * ((bedAt(i + 1, j) + bedAt(i + 1, j - 1)) - (bedAt(i - 1, j) + bedAt(i - 1, j - 1))) / (L + 1e-20);
      if (cracks(dn, S)) crackI[i][j] = dn;
    }
  for (int j = j1; j <= j2 - 1; ++j)
    for (int i = i1; i <= i2; ++i) {
      const int dn = ant[i][j + 1] - ant[i][j];
      const double L = edgeMiddles(i, j + 1, i - 1, j + 1, i, j - 1, i - 1, j - 1);
      const double S =
          0.25 * ((bedAt(i, j + 1) + bedAt(i - 1, j + 1)) - (bedAt(i, j - 1) + bedAt(i - 1, j - 1))) / (L + 1e-20);
      if (cracks(dn, S)) crackJ[i][j] = dn;
    }
  countCracks(i1, i2, j1, j2);
  smallestJumps(i1, i2, j1, j2);
  if (FlagGridQexpand == 1) {
    for (int pass = 0; pass < 10; ++pass) {
      extendCracks(i1, i2, j1, j2);
      countCracks(i1, i2, j1, j2);
    }
    smallestJumps(i1, i2, j1, j2);
  }
  fillCrackGaps(i1, i2, j1, j2);
  // A crack that ends inside the block takes one level off its end, so that
  // the step closes there; a grid line keeps at least its one level.
  for (int j = j1; j <= j2 - 1; ++j)
    for (int i = i1; i <= i2 - 1; ++i)
      if (vv[i][j] == 1 && antlin[i][j] > 1) antlin[i][j] -= 1;
}

double crackCornerFraction(int i, int j, int m, int k, int c, bool top) {
  const ColumnCorners cc(i, j);
  const int gi = cc.ci[m], gj = cc.cj[m];
  const double h = 1 / (antlin[gi][gj] - 1 + 1e-20);
  const int v = vv[gi][gj], jump = vn[gi][gj];
  const bool passing = v == 2 && jump > 1 && passingCrackCorner(i, j, m);
  double f;
  if (!top) {
    const double fb = (znumber - k + 1) * h;
    if (fb <= 1) {
      f = fb;
    } else if (v < 1) {
      vv[gi][gj] = -1;  // out of levels for the rest of the build
      f = c == 1 ? 1 : std::min(fb, 1 - h);
    } else if (v == 1) {
      f = 1;  // a crack ends here
    } else {
      f = passing ? std::min(fb, 1 + (c == 1 ? jump : jump - 1) * h) : fb;
    }
  } else {
    const double ft = (znumber - k) * h;
    if (v < 1)
      f = std::min(ft, 1 - h);
    else if (v == 1)
      f = std::min(ft, 1.0);
    else
      f = passing ? std::min(ft, 1 + (jump - 1) * h) : ft;
  }
  return f < 1e-10 ? 0 : f;
}

void moveShoreCorners(int i, int j, int s, int e, int n, int w) {
  const ColumnCorners cc(i, j);
  double d[5], gx[5], gy[5];
  for (int m = 1; m <= 4; ++m) {
    d[m] = depthAt(cc.ci[m], cc.cj[m]);
    gx[m] = xval[cc.ci[m]][cc.cj[m]];
    gy[m] = yval[cc.ci[m]][cc.cj[m]];
  }
  const bool sw = columnEmpty(i - 1, j - 1), se = columnEmpty(i + 1, j - 1), ne = columnEmpty(i + 1, j + 1),
             nw = columnEmpty(i - 1, j + 1);
  auto place = [](int a, double x, double y) {
    NewCell.x[a] = NewCell.x[a + 4] = x;
    NewCell.y[a] = NewCell.y[a + 4] = y;
  };
  // From the grid positions: a toward b, to the waterline between them, at
  // most F 89 of the edge.
  auto move = [&](int a, int b) {
    const double t = std::min(-d[a] / (d[b] - d[a]), DistGridHoriz);
    place(a, t * gx[b] + (1 - t) * gx[a], t * gy[b] + (1 - t) * gy[a]);
  };
  // From the current positions: a onto the nearer of b and c (c when equal).
  auto collapse = [&](int a, int b, int c) {
    const double db = std::hypot(NewCell.x[b] - NewCell.x[a], NewCell.y[b] - NewCell.y[a]);
    const double dc = std::hypot(NewCell.x[c] - NewCell.x[a], NewCell.y[c] - NewCell.y[a]);
    const int to = db < dc ? b : c;
    place(a, NewCell.x[to], NewCell.y[to]);
  };
  // Corner a dry between corners b and c: toward the wet one, onto the nearer
  // of p and q (q when equal) when both are dry.
  auto corner = [&](int a, int b, int c, int p, int q) {
    if (d[b] > 0 && d[c] < 0)
      move(a, b);
    else if (d[b] < 0 && d[c] > 0)
      move(a, c);
    else if (d[b] < 0 && d[c] < 0)
      collapse(a, p, q);
  };
  if (d[1] < 0 && d[4] > 0 && s == 0 && w > 0 && sw) move(1, 4);
  if (d[2] < 0 && d[3] > 0 && s == 0 && e > 0 && se) move(2, 3);
  if (d[4] < 0 && d[1] > 0 && n == 0 && w > 0 && nw) move(4, 1);
  if (d[3] < 0 && d[2] > 0 && n == 0 && e > 0 && ne) move(3, 2);
  if (d[1] < 0 && d[2] > 0 && w == 0 && s > 0 && sw) move(1, 2);
  if (d[4] < 0 && d[3] > 0 && w == 0 && n > 0 && nw) move(4, 3);
  auto step8 = [&] {
    if (d[3] < 0 && d[4] > 0 && e == 0 && n > 0 && ne) move(3, 4);
  };
  auto step9 = [&] {
    if (s == 0 && w == 0 && sw && d[1] < 0) corner(1, 4, 2, 2, 4);
  };
  auto step10 = [&] {
    if (s == 0 && e == 0 && se && d[2] < 0) corner(2, 1, 3, 1, 3);
  };
  if (d[2] < 0 && d[1] > 0 && e == 0 && s > 0) {
    if (se) move(2, 1);
    if (d[3] < 0) {
      step8();
      step9();
      step10();
    }
  } else {
    step8();
    step9();
    step10();
  }
  if (n == 0 && e == 0 && ne && d[3] < 0) corner(3, 2, 4, 2, 4);
  if (n == 0 && w == 0 && nw && d[4] < 0) corner(4, 3, 1, 3, 1);
}

int UnstrucBedWalls(double D) {
  if (UMethod == 9 && !(crackI && crackJ && vn))
    fatal(-1, "Error: the crack maps of F 64 9 are missing: F 64 must be 9 before the grid arrays are allocated\n");
  WallBuilder builder(UMethod, D);
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    if (::block[b].kind == 1) continue;
    if (UMethod == 9 && ::block[b].subBed != 0) continue;
    if (!builder.block(b)) return -1;
  }
  return 0;
}
