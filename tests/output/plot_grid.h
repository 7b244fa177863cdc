// Small hexahedral grids built in-process for the plot-writer tests: boxes of
// columns with uniform levels, numbered as the generator numbers them (cells
// of a column consecutive from the bottom), with bed cells, block records,
// grid lines and, for two blocks side by side, the joined surface pairs.
#pragma once

#include <cstring>
#include <vector>

#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

struct BoxBlock {
  int i1, i2, j1, j2;  // column window
  int levels;          // cells per column
  double x0, y0;       // grid line (i1-1, j1-1)
  double dx, dy, dz;
  double bed;
  int nestLevel = 0;
};

// Sizes, options and every array the writers read (the optional families
// included), zero-filled.
inline void allocatePlotModel(int xn, int yn, int zn, int ln) {
  setRunStateInitial();
  stimet = 0.0;
  DischargeArray[1] = 0.0;
  std::memset(Title, 0, sizeof Title);
  xnumber = xn;
  ynumber = yn;
  znumber = zn;
  lnumber = ln;
  MaxCeller = 2000;
  MaxFlater = 4000;
  MaxPunkter = 4000;
  MaxConnFlate = 200;
  FlagThixo = 1;  // level surfaces 5..7 exist
  NoComponents = 2;
  sialloc();
  AllocateArrays(0, 0, 0);
  const std::size_t nc = MaxCeller, nb = bedCellCapacity(), nl = lnumber + 1, layers = NoBedLayers + 1;
  for (double** p : {&Cxvel_res, &Cyvel_res, &Czvel_res, &Cpres_res, &Ckinen_res, &Cepsilon_res, &Cporosity})
    allocate1(*p, nc);
  allocate2(Ccomp, static_cast<std::size_t>(NoComponents), nc);
  allocate2(Cstress, 13, nc);
  for (double** p : {&Bgroundwater, &Bdefect, &Bfractionsprint, &Bminwaterlevel}) allocate1(*p, nb);
  allocate2(BplasticDeposits, nl, nb);
  allocate2(Bcohesion, layers, nb);
  allocate2(Bsolidfraction, layers, nb);
  allocate2(DuneIndex, static_cast<std::size_t>(xnumber + 3), static_cast<std::size_t>(ynumber + 3));
  for (int b = 0; b < bedCellCapacity(); ++b) Bminwaterlevel[b] = 0.0;
  for (int b = 1; b <= 99; ++b) block[b] = BlockRecord{};
}

// Appends a block of boxes; returns its number.
inline int addBoxBlock(const BoxBlock& g) {
  const int b = ++NoBlocks;
  BlockRecord& r = block[b];
  r.i1 = g.i1;
  r.i2 = g.i2;
  r.j1 = g.j1;
  r.j2 = g.j2;
  r.nestLevel = g.nestLevel;
  r.firstPoint = NoPoints + 1;
  r.firstCell = NoCells + 1;
  const int ni = g.i2 - g.i1 + 2, nj = g.j2 - g.j1 + 2, nk = g.levels + 1;
  auto point = [&](int gi, int gj, int k) {
    return r.firstPoint + ((gi - (g.i1 - 1)) * nj + (gj - (g.j1 - 1))) * nk + k;
  };
  for (int gi = g.i1 - 1; gi <= g.i2; ++gi)
    for (int gj = g.j1 - 1; gj <= g.j2; ++gj) {
      const double x = g.x0 + (gi - (g.i1 - 1)) * g.dx, y = g.y0 + (gj - (g.j1 - 1)) * g.dy;
      xval[gi][gj] = x;
      yval[gi][gj] = y;
      zval[gi][gj][1] = g.bed;
      zval[gi][gj][znumber] = g.bed + g.levels * g.dz;
      for (int k = 0; k < nk; ++k) {
        const int p = point(gi, gj, k);
        Px[p] = x;
        Py[p] = y;
        Pz[p] = g.bed + k * g.dz;
      }
    }
  NoPoints = r.firstPoint + ni * nj * nk - 1;
  auto cellOf = [&](int i, int j, int k) {
    return r.firstCell + ((j - g.j1) * (g.i2 - g.i1 + 1) + (i - g.i1)) * g.levels + (k - 1);
  };
  for (int j = g.j1; j <= g.j2; ++j)
    for (int i = g.i1; i <= g.i2; ++i) {
      const int bed = ++NoBCells;
      pointbed[i][j] = bed;
      Bkooi[bed] = i;
      Bkooj[bed] = j;
      Bcellt[bed] = cellOf(i, j, 1);
      zval[i][j][0] = cellOf(i, j, 1);
      for (int k = 1; k <= g.levels; ++k) {
        const int c = cellOf(i, j, k);
        Cpoint1[c] = point(i - 1, j - 1, k - 1);
        Cpoint2[c] = point(i, j - 1, k - 1);
        Cpoint3[c] = point(i, j, k - 1);
        Cpoint4[c] = point(i - 1, j, k - 1);
        Cpoint5[c] = point(i - 1, j - 1, k);
        Cpoint6[c] = point(i, j - 1, k);
        Cpoint7[c] = point(i, j, k);
        Cpoint8[c] = point(i - 1, j, k);
        Ccellb[c] = k > 1 ? cellOf(i, j, k - 1) : 0;
        Ccellt[c] = k < g.levels ? cellOf(i, j, k + 1) : 0;
        Ccellw[c] = i > g.i1 ? cellOf(i - 1, j, k) : 0;
        Ccelle[c] = i < g.i2 ? cellOf(i + 1, j, k) : 0;
        Ccells[c] = j > g.j1 ? cellOf(i, j - 1, k) : 0;
        Ccelln[c] = j < g.j2 ? cellOf(i, j + 1, k) : 0;
        Cbed[c] = bed;
        Cxcenter[c] = g.x0 + (i - g.i1 + 0.5) * g.dx;
        Cycenter[c] = g.y0 + (j - g.j1 + 0.5) * g.dy;
        Czcenter[c] = g.bed + (k - 0.5) * g.dz;
        Cidist[c] = 0.5 * g.dx;
        Cjdist[c] = 0.5 * g.dy;
        Ckdist[c] = 0.5 * g.dz;
        if (k == 1) {
          const int f = ++NoSurfaces;
          Cflateb[c] = f;
          Fpoint1[f] = Cpoint1[c];
          Fpoint2[f] = Cpoint2[c];
          Fpoint3[f] = Cpoint3[c];
          Fpoint4[f] = Cpoint4[c];
          Fcell2[f] = c;
          Fvz[f] = 1.0;
        }
      }
    }
  NoCells = cellOf(g.i2, g.j2, g.levels);
  r.lastPoint = NoPoints;
  r.lastCell = NoCells;
  return b;
}

// Joins the east side of block w (its column i2) to the west side of block e
// (its column i1), row by row and level by level, as surface pairs.
inline void joinEastWest(int w, int e) {
  const BlockRecord &W = block[w], &E = block[e];
  for (int j = W.j1; j <= W.j2; ++j) {
    int cw = static_cast<int>(zval[W.i2][j][0]);
    int ce = static_cast<int>(zval[E.i1][E.j1 + (j - W.j1)][0]);
    for (; cw > 0 && ce > 0; cw = Ccellt[cw], ce = Ccellt[ce]) {
      const int fw = ++NoSurfaces, fe = ++NoSurfaces;
      Cflatee[cw] = fw;
      Cflatew[ce] = fe;
      Ccelle[cw] = ce;
      Ccellw[ce] = cw;
      // a surface on grid line i: (i, j-1) bottom, (i, j) bottom, (i, j) top, (i, j-1) top
      Fpoint1[fw] = Cpoint2[cw], Fpoint2[fw] = Cpoint3[cw], Fpoint3[fw] = Cpoint7[cw], Fpoint4[fw] = Cpoint6[cw];
      Fpoint1[fe] = Cpoint1[ce], Fpoint2[fe] = Cpoint4[ce], Fpoint3[fe] = Cpoint8[ce], Fpoint4[fe] = Cpoint5[ce];
      for (int f : {fw, fe}) {
        Fcell1[f] = cw;
        Fcell2[f] = ce;
      }
      ++NoConnFlate;
      connFlate[NoConnFlate][0] = fw;
      connFlate[NoConnFlate][1] = fe;
    }
  }
}

// The cells of the grid, each with its centre, for expectations.
struct CellCentre {
  int c;
  double x, y, z;
};
inline std::vector<CellCentre> cellCentres() {
  std::vector<CellCentre> out;
  for (int c = 1; c <= NoCells; ++c) out.push_back({c, Cxcenter[c], Cycenter[c], Czcenter[c]});
  return out;
}
