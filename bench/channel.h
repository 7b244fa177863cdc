// The straight channel of the benchmarks: nx x ny columns of 1 m by 1 m,
// bed at 0 and water at 1 m, cut into 10 cells per column by the default
// distribution (F 64 11, znumber 12). Sets up the model state in a fresh
// temporary directory and generates the grid once; false on any failure.
// With several grain sizes (F 37 1) the per-size sediment rows exist;
// options, when given, sets further options before the arrays are allocated.
#pragma once

#include <unistd.h>

#include "grid/generate.h"
#include "io/kread.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

inline bool benchChannel(char* dir, int nx, int ny, int cells, int faces, int points, int sizes = 1,
                         void (*options)() = nullptr) {
  if (!mkdtemp(dir) || chdir(dir) != 0) return false;
  SetArraysZero();
  setControlDefaults();
  setRecordsInitial();
  xnumber = nx + 3;
  ynumber = ny + 3;
  znumber = 12;
  lnumber = sizes;
  FlagTSC = sizes > 1 ? 1 : FlagTSC;
  MaxCeller = cells;
  MaxFlater = faces;
  MaxPunkter = points;
  if (options) options();
  if (sialloc() != 0 || AllocateArrays(1, 1, 1) < 0) return false;
  NoBlocks = 1;
  block[1].i1 = 2;
  block[1].i2 = nx + 1;
  block[1].j1 = 2;
  block[1].j2 = ny + 1;
  block[1].bedFlag = 1;
  for (int i = 1; i <= nx + 1; ++i)
    for (int j = 1; j <= ny + 1; ++j) {
      xval[i][j] = i - 1;
      yval[i][j] = j - 1;
      zval[i][j][1] = 0.0;
      zval[i][j][znumber] = 1.0;
    }
  return UnstructureBuild() == 1;
}
