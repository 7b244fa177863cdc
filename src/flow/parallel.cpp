// Chunks of the work ranges for the parallel stages of the flow drivers, the
// switches that put single stages back on the main thread, and the
// wall-clock stamps of the main driver.
#include <omp.h>

#include <algorithm>

#include "flow/cellequations.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

// Chunk p of first..last cut into pieces of `size`, the last chunk ending at
// last. A size left from a larger range gives empty chunks at the end; one
// from a smaller range leaves the rest to the last chunk.
void chunkOf(int first, int last, int size, int p, int& lo, int& hi) {
  const int P = NoProcessesSolver;
  if (P <= 0 || p < 0 || p >= P) {
    lo = first, hi = first - 1;
    return;
  }
  size = std::max(size, 0);
  lo = first + p * size;
  hi = p == P - 1 ? last : std::min(lo + size - 1, last);
}

}  // namespace

void computeChunkSizes() {
  const int P = NoProcessesSolver;
  if (P <= 0) return;
  deltac = (WCEnd - WCStart + 1) / P;
  deltaf = (WFEnd - WFStart + 1) / P;
}

void cellChunk(int p, int& lo, int& hi) { chunkOf(WCStart, WCEnd, deltac, p, lo, hi); }
void faceChunk(int p, int& lo, int& hi) { chunkOf(WFStart, WFEnd, deltaf, p, lo, hi); }

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
