// The switches that put single stages of the flow drivers back on the main
// thread, and the wall-clock stamps of the main driver.
#include <omp.h>

#include "flow/cellequations.h"
#include "state/options.h"
#include "state/runstate.h"

bool stageOnMainThread(int g50Index) {
  if (NoProcessesSolver <= 0) return true;
  const int v = FlagOpenMP[g50Index];
  // The face coefficients of k and the k and epsilon finalisation go back
  // to the main thread on any value; the other stages on the value 1.
  if (g50Index == 0 || g50Index == 9) return v != 0;
  return v == 1;
}

void stamp(int k) {
  if (FlagThixoIsComputing != 0 || k < 0 || k >= 100) return;
  if (k == 0 && FlagTSC != 0) return;
  otime[k] = omp_get_wtime();
}
