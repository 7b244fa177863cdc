// The direct-topology distributions (F 64 14, 15): the points of a block are
// made first, one column of points per grid line with its levels spread
// evenly from the bed to the water level (numc), and the cells are then
// written straight into the topology, each with the surfaces it needs: a
// bottom surface always, west and south surfaces shared with the neighbours,
// a top surface at the water level and east and north surfaces at the edge
// of the wet area. F 64 15 keeps a bed layer in every column the steep-column
// reduction left whole and joins the lowest cells of such neighbours.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "grid/directtopology.h"
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

// Levels of a grid line of depth h: 1 below MinVertDist0, 2 below
// MinVertDist1, else 1 + the whole part of (h / D)^F87 (znumber - 1).
int directCount(double h, double D) {
  if (h < MinVertDist0) return 1;
  if (h < MinVertDist1) return 2;
  return std::min(1 + wholePart(std::pow(h / D, GridDistCoeff) * (znumber - 1), znumber - 1), znumber);
}

int newFace(int cell1, int cell2, int p1, int p2, int p3, int p4) {
  const int f = ++NoSurfaces;
  Fcell1[f] = cell1;
  Fcell2[f] = cell2;
  Fpoint1[f] = p1;
  Fpoint2[f] = p2;
  Fpoint3[f] = p3;
  Fpoint4[f] = p4;
  return f;
}

class DirectBuilder {
 public:
  DirectBuilder(int method, double D) : bedLayer_(method == 15), D_(D) {}

  bool block(int b) {
    BlockRecord& blk = ::block[b];
    i1_ = blk.i1, i2_ = blk.i2, j1_ = blk.j1, j2_ = blk.j2;
    blk.firstCell = NoCells + 1;
    blk.firstSurface = NoSurfaces + 1;
    blk.firstPoint = NoPoints + 1;
    if (!makePoints()) return false;
    countAndNumber();
    if (!buildCells()) return false;
    if (bedLayer_) joinLowestCells();
    blk.lastCell = NoCells;
    blk.lastSurface = NoSurfaces;
    blk.lastPoint = NoPoints;
    blk.active = 1;
    return true;
  }

 private:
  // One column of points per grid line, from the bed up; below its lowest
  // level numc repeats the bed point. A grid line of one level has its one
  // point on the bed. Room for the points is tested before they are made.
  bool makePoints() {
    const std::size_t slots = sizeof(int) * static_cast<std::size_t>(znumber);
    for (int j = j1_ - 1; j <= j2_; ++j)
      for (int i = i1_ - 1; i <= i2_; ++i) {
        std::memset(num[i][j] + 1, 0, slots);
        std::memset(numc[i][j] + 1, 0, slots);
        const int L = directCount(depthAt(i, j), D_);
        antlin[i][j] = L;
        if (NoPoints + L >= MaxPunkter - 1) return false;
        const double b = zval[i][j][1], s = zval[i][j][znumber];
        for (int k = znumber - L + 1; k <= znumber; ++k) {
          const int p = ++NoPoints;
          Px[p] = xval[i][j];
          Py[p] = yval[i][j];
          Pz[p] = L > 1 ? b + (s - b) * (k - (znumber - L) - 1) / (L - 1) : b;
          numc[i][j][k] = p;
        }
        for (int k = 1; k <= znumber - L; ++k) numc[i][j][k] = numc[i][j][znumber - L + 1];
      }
    return true;
  }

  void countAndNumber() {
    for (int j = j1_; j <= j2_; ++j)
      for (int i = i1_; i <= i2_; ++i) {
        ant[i][j] = std::max({antlin[i - 1][j - 1], antlin[i][j - 1], antlin[i][j], antlin[i - 1][j]}) - 1;
        const int r = steepColumnReduction(i, j, false);
        ant[i][j] = std::clamp(ant[i][j] - r, 0, znumber - 1);
        if (bedLayer_) vv[i][j] = r;
      }
    for (int j = j1_; j <= j2_; ++j)
      for (int i = i1_; i <= i2_; ++i) {
        if (ant[i][j] <= 0) continue;
        zval[i][j][0] = NoCells + 1;
        for (int k = znumber - ant[i][j] + 1; k <= znumber; ++k) num[i][j][k] = ++NoCells;
      }
  }

  // The higher of two points (p when q is none).
  static int higher(int p, int q) { return q != 0 && Pz[q] > Pz[p] ? q : p; }

  bool buildCells() {
    for (int j = j1_; j <= j2_; ++j)
      for (int i = i1_; i <= i2_; ++i) {
        if (ant[i][j] <= 0) continue;
        const ColumnCorners cc(i, j);
        for (int k = znumber - ant[i][j] + 1; k <= znumber; ++k) {
          const int c = num[i][j][k];
          // Room for the cell and the six surfaces it may make.
          if (c < 1 || c >= MaxCeller || NoSurfaces + 6 >= MaxFlater - 1) {
            NoCells = std::max(c - 1, 0);
            return false;
          }
          const int below = num[i][j][k - 1];
          int p[9];
          for (int m = 1; m <= 4; ++m) {
            const int gi = cc.ci[m], gj = cc.cj[m];
            p[m] = numc[gi][gj][k - 1];
            p[m + 4] = numc[gi][gj][k];
            if (bedLayer_ && vv[i][j] == 0) {
              // the first level above the bed of the corner's grid line
              const int L = antlin[gi][gj];
              const int q = L > 1 ? numc[gi][gj][znumber - L + 2] : 0;
              if (below != 0) p[m] = higher(p[m], q);
              p[m + 4] = higher(p[m + 4], q);
            }
          }
          Cpoint1[c] = p[1], Cpoint2[c] = p[2], Cpoint3[c] = p[3], Cpoint4[c] = p[4];
          Cpoint5[c] = p[5], Cpoint6[c] = p[6], Cpoint7[c] = p[7], Cpoint8[c] = p[8];
          const int w = i > i1_ ? num[i - 1][j][k] : 0, e = i < i2_ ? num[i + 1][j][k] : 0;
          const int s = j > j1_ ? num[i][j - 1][k] : 0, n = j < j2_ ? num[i][j + 1][k] : 0;
          Ccellw[c] = w, Ccelle[c] = e, Ccells[c] = s, Ccelln[c] = n;
          Ccellb[c] = below;
          Ccellt[c] = num[i][j][k + 1];
          // bottom, always
          const int fb = newFace(below, c, p[1], p[2], p[3], p[4]);
          Cflateb[c] = fb;
          if (below != 0) Cflatet[below] = fb;
          // A side gets a surface wherever it has area, that is unless both
          // of its vertical edges have zero height; the inner east and north
          // sides are the west and south surfaces of the neighbours.
          if (p[1] != p[5] || p[4] != p[8]) {
            const int f = newFace(w, c, p[1], p[4], p[8], p[5]);
            Cflatew[c] = f;
            if (w != 0) Cflatee[w] = f;
          }
          if (p[1] != p[5] || p[2] != p[6]) {
            const int f = newFace(s, c, p[1], p[5], p[6], p[2]);
            Cflates[c] = f;
            if (s != 0) Cflaten[s] = f;
          }
          if (k == znumber) Cflatet[c] = newFace(c, 0, p[5], p[6], p[7], p[8]);
          if (e == 0 && (p[2] != p[6] || p[3] != p[7])) Cflatee[c] = newFace(c, 0, p[2], p[3], p[7], p[6]);
          if (n == 0 && (p[3] != p[7] || p[4] != p[8])) Cflaten[c] = newFace(c, 0, p[4], p[8], p[7], p[3]);
          if (c >= MaxCeller - 1 || NoSurfaces >= MaxFlater - 1 || NoPoints >= MaxPunkter - 1) {
            NoCells = c;
            return false;
          }
        }
      }
    return true;
  }

  // F 64 15: the lowest cells of neighbouring columns that the reduction
  // left whole face each other, whatever their counts. The surface that
  // joined the cells at equal level before becomes the zero-height side of
  // the cell that keeps it, so that every cell stays closed and names one
  // surface per side.
  void joinLowestCells() {
    for (int j = j1_; j <= j2_; ++j)
      for (int i = i1_; i <= i2_; ++i) {
        if (vv[i][j] != 0 || ant[i][j] <= 0) continue;
        const int c0 = static_cast<int>(zval[i][j][0]);
        if (i > i1_) join(c0, i - 1, j, Ccellw, Ccelle, Cflatew, Cflatee, ant[i][j]);
        if (j > j1_) join(c0, i, j - 1, Ccells, Ccelln, Cflates, Cflaten, ant[i][j]);
      }
  }

  // Joins c0 to the lowest cell of column (ni, nj) on its low side (west or
  // south): low/high are the neighbour arrays of that side and its opposite,
  // lowFace/highFace the surface arrays.
  static void join(int c0, int ni, int nj, int* low, int* high, int* lowFace, int* highFace, int m) {
    const int a = ant[ni][nj];
    if (a <= 0 || a == m || vv[ni][nj] != 0) return;
    const int n0 = static_cast<int>(zval[ni][nj][0]);
    const bool westSide = low == Ccellw;
    if (m < a) {
      // c0 takes the neighbour's lowest cell and its surface; the cell that
      // faced c0 keeps the old surface as its own zero-height side.
      const int old = low[c0], f = lowFace[c0];
      if (old != 0) {
        high[old] = 0;
        if (f != 0 && highFace[old] == f) {
          Fcell2[f] = 0;
          if (westSide) {
            Fpoint1[f] = Cpoint2[old], Fpoint2[f] = Cpoint3[old], Fpoint3[f] = Cpoint7[old], Fpoint4[f] = Cpoint6[old];
          } else {
            Fpoint1[f] = Cpoint4[old], Fpoint2[f] = Cpoint8[old], Fpoint3[f] = Cpoint7[old], Fpoint4[f] = Cpoint3[old];
          }
        }
      }
      lowFace[c0] = highFace[n0];
      if (lowFace[c0] != 0) Fcell2[lowFace[c0]] = c0;
    } else {
      // The neighbour's lowest cell takes c0 and c0's surface; the cell of
      // this column that faced it keeps the old surface as its own side.
      const int old = high[n0], f = highFace[n0];
      if (old != 0) {
        low[old] = 0;
        if (f != 0 && lowFace[old] == f) Fcell1[f] = 0;
      }
      highFace[n0] = lowFace[c0];
      if (highFace[n0] != 0) Fcell1[highFace[n0]] = n0;
    }
    low[c0] = n0;
    high[n0] = c0;
  }

  bool bedLayer_;
  double D_;
  int i1_ = 0, i2_ = 0, j1_ = 0, j2_ = 0;
};

}  // namespace

bool directTopologyDistribution(int method) { return method == 14 || method == 15; }

int UnstrucDirect(double D) {
  if (!numc) fatal(-1, "Error: the point map of F 64 14 and 15 is missing: F 64 must be set before the grid arrays are allocated\n");
  DirectBuilder builder(UMethod, D);
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    if (::block[b].kind == 1) continue;
    if (!builder.block(b)) return -1;
  }
  return 0;
}
