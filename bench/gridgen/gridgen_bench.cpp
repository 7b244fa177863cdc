// Times the generation of a 200 x 50 x 10 grid with the default algorithm
// (F 64 11): 201 x 51 grid lines 1 m apart, bed 0, water 1 m, znumber 12, so
// that every column gets 10 cells (100 000 cells). The grid is built once to
// warm up, then ten times; the mean and the fastest build are printed.
#include <omp.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "grid/generate.h"
#include "io/kread.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

int main() {
  char dir[] = "/tmp/gridgen_benchXXXXXX";
  if (!mkdtemp(dir) || chdir(dir) != 0) return 1;
  SetArraysZero();
  setControlDefaults();
  setRecordsInitial();
  const int nx = 200, ny = 50;
  xnumber = nx + 3;
  ynumber = ny + 3;
  znumber = 12;
  lnumber = 1;
  MaxCeller = 110000;
  MaxFlater = 330000;
  MaxPunkter = 120000;
  if (sialloc() != 0 || AllocateArrays(1, 1, 1) < 0) return 1;
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
  if (UnstructureBuild() != 1) return 1;
  const int runs = 10;
  double total = 0, fastest = 1e30;
  for (int r = 0; r < runs; ++r) {
    const double t0 = omp_get_wtime();
    UnstructureBuild();
    const double t = omp_get_wtime() - t0;
    total += t;
    if (t < fastest) fastest = t;
  }
  std::printf("grid %d x %d columns, %d cells, %d surfaces, %d points\n", nx, ny, NoCells, NoSurfaces, NoPoints);
  std::printf("builds: %d, mean %.4f s, fastest %.4f s\n", runs, total / runs, fastest);
  std::system((std::string("rm -rf ") + dir).c_str());
  return 0;
}
