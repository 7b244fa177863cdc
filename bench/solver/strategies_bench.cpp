// Times the parallel strategies of F 164 and the column multigrid on the
// channel of the grid-generation bench: 200 x 50 columns of 10 cells each
// (100 000 cells, F 64 11, znumber 12). The pressure-correction equation is
// assembled from the real geometry (pressure_coeff with a uniform inverse
// diagonal) and relaxed by solver() with the default 15 sweeps, for each
// strategy with the thread counts given on the command line (default 1 2 4;
// F 206 set to the count). Prints the best of five solves in milliseconds,
// then the time of AlgMGMake and of one AlgMGSolve (F 168 3).
#include <omp.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../channel.h"
#include "grid/coarselevels.h"
#include "grid/geometry.h"
#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

std::vector<double> field;

double bestSolve(int rounds) {
  double best = 1e30;
  for (int r = 0; r < rounds; ++r) {
    std::fill(field.begin(), field.end(), 0.0);
    const double t0 = omp_get_wtime();
    solver();
    best = std::min(best, omp_get_wtime() - t0);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> counts;
  for (int a = 1; a < argc; ++a) counts.push_back(std::atoi(argv[a]));
  if (counts.empty()) counts = {1, 2, 4};
  char dir[] = "/tmp/strategies_benchXXXXXX";
  const int nx = 200, ny = 50;
  if (!benchChannel(dir, nx, ny, 120000, 330000, 120000, 1, [] { Flag2DAccSolver = 3; })) return 1;
  metric();
  WCStart = 1;
  WCEnd = NoCells;
  WFStart = 1;
  WFEnd = NoSurfaces;
  for (int c = 1; c <= NoCells; ++c) CinvAp[c] = 1e-3;
  pressure_coeff();
  for (int c = 1; c <= NoCells; ++c) {
    Cap[c] = Cae[c] + Caw[c] + Can[c] + Cas[c] + Cat[c] + Cab[c] + 1e-9;
    Csource[c] = 1e-3 * ((c % 7) - 3);
  }
  field.assign(MaxCeller, 0.0);
  Cf = field.data();
  Equation = 4;
  std::printf("grid %d x %d columns, %d cells; %d sweeps per solve; best of 5 solves in ms\n", nx, ny, NoCells,
              solverSweeps());
  std::printf("F 164");
  for (int t : counts) std::printf("  %2d thr", t);
  std::printf("\n");
  for (int s : {0, 21, 27, 28, 29, 30, 31, 32, 33}) {
    FlagRapSolver = s;
    std::printf("%5d", s);
    for (int t : counts) {
      NoProcessesSolver = t == 1 && s == 0 ? 0 : t;
      omp_set_num_threads(t);
      solver();
      std::printf("  %6.2f", 1e3 * bestSolve(5));
    }
    std::printf("\n");
  }
  FlagRapSolver = 0;
  NoProcessesSolver = 0;
  omp_set_num_threads(1);
  double t0 = omp_get_wtime();
  AlgMGMake();
  const double make = omp_get_wtime() - t0;
  std::fill(field.begin(), field.end(), 0.0);
  t0 = omp_get_wtime();
  AlgMGSolve();
  const double mg = omp_get_wtime() - t0;
  std::printf("AlgMGMake %.2f ms (%d levels), AlgMGSolve of p' (F 168 3, 1 thread) %.2f ms\n", 1e3 * make, NoMGlevels,
              1e3 * mg);
  std::system((std::string("rm -rf ") + dir).c_str());
  return 0;
}
