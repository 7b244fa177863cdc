// A small structured grid built in-process, for tests of code that reads a
// grid (writers, restart readers) without the grid reader or generator.
//
// Block 1 covers columns i = 2..nx+1, j = 2..ny+1 (grid lines 1..nx+1,
// 1..ny+1), each column nz cells from the bed to the water level, numbered
// column by column from the bottom up. Columns are dx by dy metres; the bed
// and water level of each column come from the callbacks. Call inside an
// InProjectDir: it sets G 1, allocates the block-grid and unstructured arrays
// (once per test) and fills topology, geometry, bed cells and the block record.
#pragma once

#include <functional>

#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

struct SmallGrid {
  int nx = 2, ny = 2, nz = 2;
  double dx = 1.0, dy = 1.0;
  std::function<double(int, int)> bed = [](int, int) { return 0.0; };
  std::function<double(int, int)> water = [](int, int) { return 1.0; };
  // G 1 grid-line counts when not 0 (several grids of one test share them).
  int gridLinesX = 0, gridLinesY = 0;

  int i1() const { return 2; }
  int j1() const { return 2; }
  int i2() const { return nx + 1; }
  int j2() const { return ny + 1; }
  // Cell k (1 = bottom) of column (i, j).
  int cell(int i, int j, int k) const { return ((i - i1()) * ny + (j - j1())) * nz + k; }
  int bedCell(int i, int j) const { return (i - i1()) * ny + (j - j1()) + 1; }

  // Allocates (first call) and fills the arrays.
  void build() const {
    if (!Cflatee) {
      xnumber = gridLinesX > 0 ? gridLinesX : nx + 3;
      ynumber = gridLinesY > 0 ? gridLinesY : ny + 3;
      znumber = nz + 1;
      sialloc();
      AllocateArrays(1, 1, 1);
    }
    fill();
  }

 private:
  int point(int gi, int gj, int k) const { return ((gi - (i1() - 1)) * (ny + 1) + (gj - (j1() - 1))) * (nz + 1) + k + 1; }

  void fill() const {
    NoCells = nx * ny * nz;
    NoPoints = (nx + 1) * (ny + 1) * (nz + 1);
    // Grid lines: corner levels are the mean of the columns that meet there.
    for (int gi = i1() - 1; gi <= i2(); ++gi)
      for (int gj = j1() - 1; gj <= j2(); ++gj) {
        double zb = 0, zw = 0;
        int n = 0;
        for (int i : {gi, gi + 1})
          for (int j : {gj, gj + 1})
            if (i >= i1() && i <= i2() && j >= j1() && j <= j2()) {
              zb += bed(i, j);
              zw += water(i, j);
              ++n;
            }
        zb /= n;
        zw /= n;
        xval[gi][gj] = (gi - 1) * dx;
        yval[gi][gj] = (gj - 1) * dy;
        zval[gi][gj][1] = zb;
        zval[gi][gj][znumber] = zw;
        zval[gi][gj][0] = 0;
        for (int k = 0; k <= nz; ++k) {
          int p = point(gi, gj, k);
          Px[p] = xval[gi][gj];
          Py[p] = yval[gi][gj];
          Pz[p] = zb + (zw - zb) * k / nz;
        }
      }
    int faces = 0;
    auto newFace = [&faces](int c1, int c2, double area, double vx, double vy, double vz) {
      int f = ++faces;
      Fcell1[f] = c1;
      Fcell2[f] = c2;
      Farea[f] = area;
      Fvx[f] = vx;
      Fvy[f] = vy;
      Fvz[f] = vz;
      return f;
    };
    for (int i = i1(); i <= i2(); ++i)
      for (int j = j1(); j <= j2(); ++j) {
        const double zb = bed(i, j), h = water(i, j) - zb, dz = h / nz;
        const int b = bedCell(i, j);
        zval[i][j][0] = cell(i, j, 1);
        Bcellt[b] = cell(i, j, 1);
        Bkooi[b] = i;
        Bkooj[b] = j;
        pointbed[i][j] = b;
        for (int k = 1; k <= nz; ++k) {
          const int c = cell(i, j, k);
          Cxcenter[c] = (i - 1.5) * dx;
          Cycenter[c] = (j - 1.5) * dy;
          Czcenter[c] = zb + (k - 0.5) * dz;
          Cidist[c] = 0.5 * dx;
          Cjdist[c] = 0.5 * dy;
          Ckdist[c] = 0.5 * dz;
          Cvol[c] = dx * dy * dz;
          Cbed[c] = b;
          Ccellw[c] = i > i1() ? cell(i - 1, j, k) : 0;
          Ccelle[c] = i < i2() ? cell(i + 1, j, k) : 0;
          Ccells[c] = j > j1() ? cell(i, j - 1, k) : 0;
          Ccelln[c] = j < j2() ? cell(i, j + 1, k) : 0;
          Ccellb[c] = k > 1 ? c - 1 : 0;
          Ccellt[c] = k < nz ? c + 1 : 0;
          Cpoint1[c] = point(i - 1, j - 1, k - 1);
          Cpoint2[c] = point(i, j - 1, k - 1);
          Cpoint3[c] = point(i, j, k - 1);
          Cpoint4[c] = point(i - 1, j, k - 1);
          Cpoint5[c] = point(i - 1, j - 1, k);
          Cpoint6[c] = point(i, j - 1, k);
          Cpoint7[c] = point(i, j, k);
          Cpoint8[c] = point(i - 1, j, k);
          // Faces towards cells built before are theirs; the others are new.
          Cflatew[c] = Ccellw[c] ? Cflatee[Ccellw[c]] : newFace(0, c, dy * dz, 1, 0, 0);
          Cflates[c] = Ccells[c] ? Cflaten[Ccells[c]] : newFace(0, c, dx * dz, 0, 1, 0);
          Cflateb[c] = Ccellb[c] ? Cflatet[Ccellb[c]] : newFace(0, c, dx * dy, 0, 0, 1);
          Cflatee[c] = newFace(c, Ccelle[c], dy * dz, 1, 0, 0);
          Cflaten[c] = newFace(c, Ccelln[c], dx * dz, 0, 1, 0);
          Cflatet[c] = newFace(c, Ccellt[c], dx * dy, 0, 0, 1);
        }
      }
    NoSurfaces = faces;
    NoBCells = nx * ny;
    NoBlocks = 1;
    BlockRecord& r = block[1];
    r = BlockRecord{};
    r.i1 = i1();
    r.i2 = i2();
    r.j1 = j1();
    r.j2 = j2();
    r.firstBedCell = 1;
    r.lastBedCell = NoBCells;
    r.bedFlag = 1;
    r.levelCount = znumber;
    r.active = 1;
    r.field12 = 1;
    r.firstCell = 1;
    r.lastCell = NoCells;
    r.firstSurface = 1;
    r.lastSurface = NoSurfaces;
    r.firstPoint = 1;
    r.lastPoint = NoPoints;
    block[2] = BlockRecord{};
    // No appended blocks: the counts of the 3-D grid are the whole grid's.
    NoConnect = NoConnFlate = 0;
    NoCells0 = NoCells;
    NoSurfaces0 = NoSurfaces;
    NoBlocks0 = 1;
    NoConnect0 = NoConnFlate0 = 0;
    WCStart = 1;
    WCEnd = NoCells;
    WFStart = 1;
    WFEnd = NoSurfaces;
  }
};
