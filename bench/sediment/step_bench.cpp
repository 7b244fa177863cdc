// Times a time step of the sediment computation (run letter S) on a straight
// channel of 200 x 50 columns (1 m x 0.4 m, 1 m deep) with 10 cell layers:
// 100 000 cells, three grain sizes, the bed exchange of F 37 2 with 50 inner
// iterations of the suspended load (F 4), the flow computed in step 1 only
// (F 454; 30 inner iterations from still water) and the bed change with a new
// grid every step. The whole run goes through the engine's run control in
// this process; the stages of the sediment loop are wrapped to time them.
// For each thread count (F 206 and OpenMP alike) it prints the seconds per
// step from step 2 on (mean over the steps) and the shares of the
// coefficients, the per-size solvers with the bed exchange, the bed
// concentration, the fractions and the bed change with the regrid.
// Usage: step_bench [steps] [threads...]   (default 6 steps; 1 2 4 and all)
#include <omp.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "io/kread.h"
#include "runcontrol.h"
#include "sediment/morphology.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

enum Stage { Coefficients, Solvers, BedConcentration, Fractions, BedChange, Flow, StageCount };
const char* const kNames[StageCount] = {"coefficients", "per-size solvers", "bed concentration", "fractions",
                                        "bed change + regrid", "flow"};

SedimentLoopCalls real;
double spent[StageCount];
std::vector<double> stepStarts;  // wall time at the start of each step's sediment part
double loopEnd = 0.0;            // after the last step, before the closing files

template <Stage S, class... A>
struct Timed {
  static inline void (*inner)(A...) = nullptr;
  static void call(A... a) {
    const double t = omp_get_wtime();
    inner(a...);
    spent[S] += omp_get_wtime() - t;
  }
};

void wrapStages() {
  resetSedimentLoopCalls();
  real = sedimentLoopCalls;
  SedimentLoopCalls& c = sedimentLoopCalls;
  Timed<Coefficients, int, int>::inner = real.coeffMake2;
  c.coeffMake2 = Timed<Coefficients, int, int>::call;
  Timed<Solvers>::inner = real.tsc2Multiple;
  c.tsc2Multiple = Timed<Solvers>::call;
  Timed<BedConcentration>::inner = real.concRijn;
  c.concRijn = Timed<BedConcentration>::call;
  Timed<Fractions, double>::inner = real.fractions2;
  c.fractions2 = Timed<Fractions, double>::call;
  Timed<BedChange>::inner = real.bedchange;
  c.bedchange = Timed<BedChange>::call;
  Timed<Flow>::inner = real.waterSolve;
  c.waterSolve = Timed<Flow>::call;
  c.writeConcRes = [] {
    loopEnd = omp_get_wtime();
    return real.writeConcRes();
  };
  c.gammaCalc = [](int a, int b) {
    stepStarts.push_back(omp_get_wtime());
    if (stepStarts.size() == 2)
      for (double& s : spent) s = 0.0;  // the shares count from step 2 on
    real.gammaCalc(a, b);
  };
}

bool writeFile(const std::string& name, const std::string& text) {
  std::FILE* f = std::fopen(name.c_str(), "w");
  if (!f) return false;
  std::fputs(text.c_str(), f);
  return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int steps = argc > 1 ? std::atoi(argv[1]) : 6;
  std::vector<int> threads;
  for (int a = 2; a < argc; ++a) threads.push_back(std::atoi(argv[a]));
  if (threads.empty()) threads = {1, 2, 4, omp_get_num_procs()};
  char dir[] = "/tmp/step_benchXXXXXX";
  if (!mkdtemp(dir) || chdir(dir) != 0) return 1;

  std::string koosurf;
  char line[96];
  for (int i = 1; i <= 201; ++i)
    for (int j = 1; j <= 51; ++j) {
      std::snprintf(line, sizeof line, "%d %d %g %g 0.0 1.0\n", i, j, (i - 1) * 1.0, (j - 1) * 0.4);
      koosurf += line;
    }
  writeFile("koosurf", koosurf);

  std::printf("threads  s/step  coefficients  per-size solvers  bed concentration  fractions  bed change+regrid  rest\n");
  for (int t : threads) {
    char control[1024];
    std::snprintf(control, sizeof control,
                  "F 2 YS\nG 1 203 53 12 3\nF 314 1 1\nF 237 1 10.0\nF 237 2 10.0\nK 2 0 0\nF 16 0.05\n"
                  "F 65 110000 350000 120000 12000 1000\nF 37 2\nF 33 30 30\nK 1 %d\nF 454 100000\nF 4 0.5 50\n"
                  "S 1 0.0004 0.055\nS 2 0.0002 0.022\nS 3 0.0001 0.007\nN 0 1 0.3\nN 0 2 0.4\nN 0 3 0.3\n"
                  "F 11 2.65 0.05\nF 106 0.01\nM 1 1 0.0002\nM 1 2 0.0002\nM 1 3 0\nF 206 %d\n",
                  steps, t);
    writeFile("control", control);
    omp_set_num_threads(t);
    SetArraysZero();
    setControlDefaults();
    setRunStateInitial();
    wrapStages();
    for (double& s : spent) s = 0.0;
    stepStarts.clear();
    runEndStatus = 1;
    InitialFunction();
    const double end = loopEnd;
    if (runEndStatus != 1 || static_cast<int>(stepStarts.size()) != steps) {
      std::fprintf(stderr, "the run with %d threads did not end normally (status %d, %zu steps)\n", t, runEndStatus,
                   stepStarts.size());
      return 1;
    }
    // Steps 2..n: from the sediment part of step 2 to the end of the loop,
    // per step; the shares of the stages in the same time.
    const double total = end - stepStarts[1];
    const double perStep = total / (steps - 1);
    std::printf("%7d  %6.3f", t, perStep);
    const double scale = 1.0 / total;
    double shared = 0.0;
    for (int s = 0; s < Flow; ++s) {
      std::printf("  %*.1f %%", s == 0 ? 10 : s == 1 ? 14 : s == 2 ? 15 : s == 3 ? 7 : 15, 100.0 * spent[s] * scale);
      shared += spent[s] * scale;
    }
    std::printf("  %4.1f %%\n", 100.0 * (1.0 - shared));
    std::fflush(stdout);
  }
  for (int s = 0; s < StageCount; ++s) (void)kNames[s];
  resetSedimentLoopCalls();
  for (const char* f : {"koosurf", "control", "boogie", "result.end", "con2res.new", "bedres.t", "timei.out"})
    std::remove(f);
  if (chdir("/") == 0) rmdir(dir);
  return 0;
}
