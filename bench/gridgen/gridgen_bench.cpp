// Times the generation of a 200 x 50 x 10 grid with the default algorithm
// (F 64 11): 201 x 51 grid lines 1 m apart, bed 0, water 1 m, znumber 12, so
// that every column gets 10 cells (100 000 cells). The grid is built once to
// warm up, then ten times; the mean and the fastest build are printed.
#include <omp.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "../channel.h"
#include "grid/generate.h"
#include "io/kread.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

int main() {
  char dir[] = "/tmp/gridgen_benchXXXXXX";
  const int nx = 200, ny = 50;
  if (!benchChannel(dir, nx, ny, 110000, 330000, 120000)) return 1;
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
