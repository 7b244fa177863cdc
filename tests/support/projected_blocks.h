// Grids of one or more blocks of box columns built in-process, each block at
// any grid-line window (not only from index 2) and any plan origin, e.g. real
// projected coordinates at x = 500 000, y = 7 000 000.
//
// Every block b covers the columns i = i1..i2, j = j1..j2 (grid lines i1-1..i2,
// j1-1..j2) with `levels` cells per column from the bed up, dx by dy by dz
// metres; grid line (i1-1, j1-1) lies at (x0, y0). Cells, points and faces are
// numbered block after block; in a block column by column (i outer, j inner),
// the cells of a column consecutive from the bottom, as the generator numbers
// them. A negative dx or dy mirrors the block (its columns then run
// clockwise); areas and volumes stay positive. The blocks are not joined: every side of a block is an open boundary
// face (Fcell1 0 on the west, south and bottom sides, Fcell2 0 on the others).
// Bed cells follow the same order, so block b holds the bed cells
// firstBedCell..lastBedCell of its record.
//
// Call inside an InProjectDir, after the options that decide the optional
// arrays: the first build allocates for the given G 1 counts.
#pragma once

#include <cmath>
#include <vector>

#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

struct BoxColumns {
  int i1, i2, j1, j2;
  int levels;
  double x0, y0;  // grid line (i1-1, j1-1)
  double dx, dy, dz;
  double bed = 0.0;
  int subBed = 0;
  int refSearch = 0;
};

struct ProjectedBlocks {
  int gridLinesX = 8, gridLinesY = 8;  // G 1
  int maxLevels = 6;                   // znumber - 1
  std::vector<BoxColumns> blocks;

  // Cell k (1 = bottom) of column (i, j) of block b (1-based).
  int cell(int b, int i, int j, int k) const {
    const BoxColumns& g = blocks[b - 1];
    return firstCell(b) + ((i - g.i1) * (g.j2 - g.j1 + 1) + (j - g.j1)) * g.levels + (k - 1);
  }
  int bedCell(int b, int i, int j) const {
    const BoxColumns& g = blocks[b - 1];
    int first = 1;
    for (int a = 1; a < b; ++a) first += columns(a);
    return first + (i - g.i1) * (g.j2 - g.j1 + 1) + (j - g.j1);
  }
  // Plan position of grid line (i, j) of block b.
  double x(int b, int i) const { return blocks[b - 1].x0 + (i - (blocks[b - 1].i1 - 1)) * blocks[b - 1].dx; }
  double y(int b, int j) const { return blocks[b - 1].y0 + (j - (blocks[b - 1].j1 - 1)) * blocks[b - 1].dy; }

  void build() const {
    if (!Cflatee) {
      xnumber = gridLinesX;
      ynumber = gridLinesY;
      znumber = maxLevels + 1;
      if (MaxCeller > 2000) MaxCeller = 2000;
      if (MaxFlater > 8000) MaxFlater = 8000;
      if (MaxPunkter > 4000) MaxPunkter = 4000;
      sialloc();
      AllocateArrays(1, 1, 1);
    }
    NoCells = NoSurfaces = NoPoints = NoBCells = 0;
    NoBlocks = 0;
    for (int b = 1; b <= static_cast<int>(blocks.size()); ++b) fillBlock(b);
    block[NoBlocks + 1] = BlockRecord{};
    NoConnect = NoConnFlate = 0;
    NoCells0 = NoCells;
    NoSurfaces0 = NoSurfaces;
    NoBlocks0 = NoBlocks;
    NoConnect0 = NoConnFlate0 = 0;
    WCStart = 1;
    WCEnd = NoCells;
    WFStart = 1;
    WFEnd = NoSurfaces;
  }

 private:
  int columns(int b) const {
    const BoxColumns& g = blocks[b - 1];
    return (g.i2 - g.i1 + 1) * (g.j2 - g.j1 + 1);
  }
  int firstCell(int b) const {
    int first = 1;
    for (int a = 1; a < b; ++a) first += columns(a) * blocks[a - 1].levels;
    return first;
  }

  void fillBlock(int b) const {
    const BoxColumns& g = blocks[b - 1];
    BlockRecord& r = block[b];
    r = BlockRecord{};
    r.i1 = g.i1, r.i2 = g.i2, r.j1 = g.j1, r.j2 = g.j2;
    r.subBed = g.subBed;
    r.refSearch = g.refSearch;
    r.bedFlag = 1;
    r.levelCount = znumber;
    r.active = 1;
    r.field12 = 1;
    r.firstCell = NoCells + 1;
    r.firstSurface = NoSurfaces + 1;
    r.firstPoint = NoPoints + 1;
    r.firstBedCell = NoBCells + 1;
    NoBlocks = b;

    const int nj = g.j2 - g.j1 + 2, nk = g.levels + 1;
    const int firstPoint = r.firstPoint;
    auto point = [&](int gi, int gj, int k) { return firstPoint + ((gi - (g.i1 - 1)) * nj + (gj - (g.j1 - 1))) * nk + k; };
    const double top = g.bed + g.levels * g.dz;
    for (int gi = g.i1 - 1; gi <= g.i2; ++gi)
      for (int gj = g.j1 - 1; gj <= g.j2; ++gj) {
        xval[gi][gj] = x(b, gi);
        yval[gi][gj] = y(b, gj);
        zval[gi][gj][1] = g.bed;
        zval[gi][gj][znumber] = top;
        for (int k = 0; k < nk; ++k) {
          const int p = point(gi, gj, k);
          Px[p] = xval[gi][gj];
          Py[p] = yval[gi][gj];
          Pz[p] = g.bed + k * g.dz;
        }
      }
    NoPoints = point(g.i2, g.j2, g.levels);

    auto newFace = [](int c1, int c2, double area, double vx, double vy, double vz) {
      const int f = ++NoSurfaces;
      Fcell1[f] = c1;
      Fcell2[f] = c2;
      Farea[f] = area;
      Fvx[f] = vx;
      Fvy[f] = vy;
      Fvz[f] = vz;
      return f;
    };
    for (int i = g.i1; i <= g.i2; ++i)
      for (int j = g.j1; j <= g.j2; ++j) {
        const int bc = bedCell(b, i, j);
        zval[i][j][0] = cell(b, i, j, 1);
        pointbed[i][j] = bc;
        Bkooi[bc] = i;
        Bkooj[bc] = j;
        Bcellt[bc] = cell(b, i, j, 1);
        Bnocells[bc] = g.levels;
        Bdepth[bc] = g.levels * g.dz;
        Barea[bc] = std::fabs(g.dx * g.dy);
        for (int k = 1; k <= g.levels; ++k) {
          const int c = cell(b, i, j, k);
          Cxcenter[c] = x(b, i - 1) + 0.5 * g.dx;
          Cycenter[c] = y(b, j - 1) + 0.5 * g.dy;
          Czcenter[c] = g.bed + (k - 0.5) * g.dz;
          Cidist[c] = 0.5 * g.dx;
          Cjdist[c] = 0.5 * g.dy;
          Ckdist[c] = 0.5 * g.dz;
          Cvol[c] = std::fabs(g.dx * g.dy) * g.dz;
          Cbed[c] = bc;
          Ccellw[c] = i > g.i1 ? cell(b, i - 1, j, k) : 0;
          Ccelle[c] = i < g.i2 ? cell(b, i + 1, j, k) : 0;
          Ccells[c] = j > g.j1 ? cell(b, i, j - 1, k) : 0;
          Ccelln[c] = j < g.j2 ? cell(b, i, j + 1, k) : 0;
          Ccellb[c] = k > 1 ? c - 1 : 0;
          Ccellt[c] = k < g.levels ? c + 1 : 0;
          Cpoint1[c] = point(i - 1, j - 1, k - 1);
          Cpoint2[c] = point(i, j - 1, k - 1);
          Cpoint3[c] = point(i, j, k - 1);
          Cpoint4[c] = point(i - 1, j, k - 1);
          Cpoint5[c] = point(i - 1, j - 1, k);
          Cpoint6[c] = point(i, j - 1, k);
          Cpoint7[c] = point(i, j, k);
          Cpoint8[c] = point(i - 1, j, k);
          // Faces towards cells built before are theirs; the others are new.
          const double ax = std::fabs(g.dy) * g.dz, ay = std::fabs(g.dx) * g.dz, az = std::fabs(g.dx * g.dy);
          Cflatew[c] = Ccellw[c] ? Cflatee[Ccellw[c]] : newFace(0, c, ax, 1, 0, 0);
          Cflates[c] = Ccells[c] ? Cflaten[Ccells[c]] : newFace(0, c, ay, 0, 1, 0);
          Cflateb[c] = Ccellb[c] ? Cflatet[Ccellb[c]] : newFace(0, c, az, 0, 0, 1);
          Cflatee[c] = newFace(c, Ccelle[c], ax, 1, 0, 0);
          Cflaten[c] = newFace(c, Ccelln[c], ay, 0, 1, 0);
          Cflatet[c] = newFace(c, Ccellt[c], az, 0, 0, 1);
        }
      }
    NoCells = cell(b, g.i2, g.j2, g.levels);
    NoBCells = bedCell(b, g.i2, g.j2);
    r.lastCell = NoCells;
    r.lastSurface = NoSurfaces;
    r.lastPoint = NoPoints;
    r.lastBedCell = NoBCells;
  }
};
