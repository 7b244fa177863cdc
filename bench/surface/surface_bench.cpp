// Times one move of the nine-point surface-height equation (F 36 8: rows of
// every column, the fixed reference row, 50 iterations of four sweeps, the
// corner update) on the straight channel of 200 x 50 columns with 10 cells
// each, against the regeneration that follows every move (grid generation,
// geometry, bed cells, face fluxes). Flow eastwards at 0.5 m/s with a small head slope.
// One warm-up, then ten of each; the mean and the fastest are printed.
#include <omp.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "../channel.h"
#include "flow/stages.h"
#include "grid/geometry.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "surface/heightequation.h"

namespace {

void nineOptions() { FlagTFS = 8; }

void regenerate() {
  UnstructureBuild();
  metric();
  BedMake();
  waterflow(WFStart, WFEnd);
}

void flowState() {
  for (int c = 1; c <= NoCells; ++c) {
    Cxvel[c] = 0.5;
    Cyvel[c] = 0.0;
    Cpres[c] = 9810.0 * 0.0001 * (200.0 - Cxcenter[c]);
  }
  for (int b = 1; b <= NoBCells; ++b) BFroude[b] = 0.16;
  Cf = Cfn;
}

}  // namespace

int main() {
  char dir[] = "/tmp/surface_benchXXXXXX";
  const int nx = 200, ny = 50;
  if (!benchChannel(dir, nx, ny, 110000, 330000, 120000, 1, nineOptions)) return 1;
  metric();
  BedMake();
  iPres = nx + 1;
  jPres = ny / 2;
  GlobZRef = 1.0;
  const int ref = static_cast<int>(zval[iPres][jPres][0]);
  if (getenv("SURF_ITER")) iterSurfSolv1 = atoi(getenv("SURF_ITER"));
  const int runs = 10;
  double moveTotal = 0, moveFastest = 1e30, regenTotal = 0, regenFastest = 1e30;
  flowState();
  surfaceEquation8(ref);
  regenerate();
  for (int r = 0; r < runs; ++r) {
    flowState();
    for (int i = 1; i <= nx + 1; ++i)
      for (int j = 1; j <= ny + 1; ++j) zval[i][j][znumber] = zval[i][j][znumber + 1] = 1.0;
    double t0 = omp_get_wtime();
    surfaceEquation8(ref);
    double t = omp_get_wtime() - t0;
    moveTotal += t;
    if (t < moveFastest) moveFastest = t;
    t0 = omp_get_wtime();
    regenerate();
    t = omp_get_wtime() - t0;
    regenTotal += t;
    if (t < regenFastest) regenFastest = t;
  }
  std::printf("grid %d x %d columns, %d cells; F 239 %d iterations of four sweeps\n", nx, ny, NoCells, iterSurfSolv1);
  std::printf("F 36 8 move:   mean %.4f s, fastest %.4f s\n", moveTotal / runs, moveFastest);
  std::printf("regeneration:  mean %.4f s, fastest %.4f s\n", regenTotal / runs, regenFastest);
  std::system((std::string("rm -rf ") + dir).c_str());
  return 0;
}
