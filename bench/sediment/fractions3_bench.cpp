// Times the multi-layer fraction step (morphology3_fractions, F 37 3) on
// 250 000 bed cells with three sizes and five layer slots: every bed cell's
// stack takes its per-size change through ChangeLayers, with the active layer
// kept at its thickness (F 264 1). Runs in a temporary directory (the engine
// logs to boogie there). Usage: fractions3_bench [threads...]
#include <omp.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "io/kread.h"
#include "sediment/morphology.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"

namespace {

constexpr int Side = 500;

void fill() {
  for (int b = 1; b <= WBEnd; ++b) {
    Barea[b] = 1.0;
    Bcellt[b] = 1;
    const double x = 0.001 * (b % 7), y = 0.0007 * (b % 5);
    const double L[3][5] = {{0.5 + x, 0.6, 0.2, 0.3, 0.5}, {0.02 + y, 0.55, 0.5, 0.25, 0.25},
                            {0.004, 0.6, 0.1, 0.8, 0.1}};
    const int top = b % 3 == 0 ? 2 : 1;
    for (int k = 0; k <= top; ++k) {
      BSedDistrib[k][0][b] = L[k][0];
      Bsolidfraction[k][b] = L[k][1];
      for (int n = 1; n <= 3; ++n) BSedDistrib[k][n][b] = L[k][1 + n];
    }
    BlayerTop[b] = top;
    const double s = (b % 2 ? 1.0 : -1.0) * (1.0 + b % 6);
    Bbedchange[1][b] = s * 0.0004;
    Bbedchange[2][b] = -0.0003 * (b % 3);
    Bbedchange[3][b] = s * 0.0011 * (b % 4);
    Bedmove[b] = Bbedchange[1][b] + Bbedchange[2][b] + Bbedchange[3][b];
  }
}

}  // namespace

int main(int argc, char** argv) {
  char dir[] = "/tmp/fractions3_benchXXXXXX";
  if (!mkdtemp(dir) || chdir(dir) != 0) return 1;
  SetArraysZero();
  setControlDefaults();
  xnumber = ynumber = Side - 3;
  znumber = 3;
  lnumber = 3;
  NoBedLayers = 5;
  FlagTSC = 3;
  FlagDensityAlgo = 1;
  SolidFrac = 0.6;
  density = 2.65;
  sialloc();
  AllocateArrays(1, 1, 1);
  gsize[1] = 0.004, gsize[2] = 0.002, gsize[3] = 0.001;
  WBStart = 1;
  WBEnd = bedCellCapacity() - 1;
  std::vector<int> counts;
  for (int n = 1; n < argc; ++n) counts.push_back(std::atoi(argv[n]));
  if (counts.empty()) counts = {0, 1, 2, 4, omp_get_num_procs()};
  std::printf("bed cells %d, 3 sizes, 5 layer slots, F 264 1\n", WBEnd);
  for (int t : counts) {
    NoProcessesSolver = t;
    double best = 1e30;
    for (int rep = 0; rep < 5; ++rep) {
      fill();
      const auto a = std::chrono::steady_clock::now();
      morphology3_fractions(0.004);
      const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - a).count();
      if (s < best) best = s;
    }
    std::printf("F 206 %2d: best of 5 %.4f s, %.1f M bed cells/s\n", t, best, WBEnd / best * 1e-6);
  }
  std::string cmd = std::string("rm -rf ") + dir;
  return std::system(cmd.c_str()) == 0 ? 0 : 0;
}
