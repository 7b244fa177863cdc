// A block grid of grid lines only (no cells), for the terrain readers and the
// bed interpolation: block 1 has columns 2..nx+1 by 2..ny+1, i.e. grid lines
// 1..nx+1 by 1..ny+1, spaced d metres from (0, 0); every bed level starts at
// `bed`. Call inside an InProjectDir.
#pragma once

#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

struct TerrainGrid {
  int nx = 2, ny = 2;
  double d = 10.0;
  double bed = -5.0;

  void build() const {
    setRecordsInitial();
    xnumber = nx + 4;
    ynumber = ny + 4;
    znumber = 3;
    sialloc();
    NoBlocks = 1;
    BlockRecord& B = block[1];
    B.i1 = 2, B.i2 = nx + 1, B.j1 = 2, B.j2 = ny + 1;
    B.bedFlag = 1, B.levelCount = znumber;
    for (int i = 1; i <= nx + 1; ++i)
      for (int j = 1; j <= ny + 1; ++j) {
        xval[i][j] = (i - 1) * d;
        yval[i][j] = (j - 1) * d;
        zval[i][j][1] = bed;
        armap[i][j] = d * d;
      }
  }
};
