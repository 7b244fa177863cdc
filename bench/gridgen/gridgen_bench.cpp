// Times the generation of a 200 x 50 column grid: 201 x 51 grid lines 1 m
// apart, bed 0, water 1 m, znumber 12, so that every column gets 10 cells
// (100 000 cells) with the default distribution (F 64 11), 11 cells with the
// bed-layer distributions with steep walls (F 64 7), cracks (F 64 9) and
// sliding shoreline corners (F 64 10). Each grid is built once to warm up,
// then ten times; the mean and the fastest build are printed.
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

namespace {

int benchMethod = 11;

void chooseMethod() { UMethod = benchMethod; }

bool timeBuilds(int method, int nx, int ny) {
  char dir[] = "/tmp/gridgen_benchXXXXXX";
  benchMethod = method;
  if (!benchChannel(dir, nx, ny, 120000, 360000, 130000, 1, chooseMethod)) return false;
  const int runs = 10;
  double total = 0, fastest = 1e30;
  for (int r = 0; r < runs; ++r) {
    const double t0 = omp_get_wtime();
    UnstructureBuild();
    const double t = omp_get_wtime() - t0;
    total += t;
    if (t < fastest) fastest = t;
  }
  std::printf("F 64 %d: grid %d x %d columns, %d cells, %d surfaces, %d points\n", method, nx, ny, NoCells,
              NoSurfaces, NoPoints);
  std::printf("builds: %d, mean %.4f s, fastest %.4f s\n", runs, total / runs, fastest);
  std::system((std::string("rm -rf ") + dir).c_str());
  return true;
}

}  // namespace

int main() {
  for (int method : {11, 7, 9, 10})
    if (!timeBuilds(method, 200, 50)) return 1;
  return 0;
}
