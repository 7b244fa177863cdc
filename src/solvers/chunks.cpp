// Chunks of the work ranges for the parallel stages of the flow drivers and
// of the correction stage.
#include <algorithm>

#include "solvers/share.h"
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

