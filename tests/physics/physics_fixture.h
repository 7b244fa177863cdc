// Helpers of the turbulence, wall-law and source tests: fields on a grid,
// wall marks and the drivers' way of calling a routine on cell chunks.
#pragma once

#include <omp.h>

#include <functional>
#include <vector>

#include "solvers/share.h"
#include "state/arrays.h"
#include "state/runstate.h"

namespace physics_test {

// Area vectors from the area and unit normal (the hand-built grid has none).
inline void fillAreaVectors() {
  for (int f = 1; f <= NoSurfaces; ++f) {
    Fax[f] = Farea[f] * Fvx[f];
    Fay[f] = Farea[f] * Fvy[f];
    Faz[f] = Farea[f] * Fvz[f];
  }
}

// Every face without a cell on one side is a wall, except the top faces of
// top cells (the water surface); all other faces carry flow.
inline void markWallsBelowSurface() {
  for (int f = 0; f <= NoSurfaces; ++f) Fflagflow[f] = 0;
  for (int f = 1; f <= NoSurfaces; ++f) Fflagflow[f] = (Fcell1[f] > 0 && Fcell2[f] > 0) ? 1 : -1;
  for (int c = 1; c <= NoCells; ++c)
    if (Ccellt[c] == 0) Fflagflow[Cflatet[c]] = 0;
  Fflagflow[0] = 0;
}

inline void setField(double* a, const std::function<double(int)>& v) {
  for (int c = 1; c <= NoCells; ++c) a[c] = v(c);
}

inline std::vector<double> copy(const double* a) { return std::vector<double>(a, a + NoCells + 1); }

// Calls fn(lo, hi) on the chunks of WCStart..WCEnd as the flow drivers do:
// parts chunks shared out among threads threads (1: one call per chunk in
// order on the calling thread).
inline void runChunked(const std::function<void(int, int)>& fn, int parts, int threads) {
  const int first = WCStart, last = WCEnd;
  if (threads <= 1) {
    for (int p = 0; p < parts; ++p) {
      int lo, hi;
      blockOfRange(first, last, parts, p, lo, hi);
      fn(lo, hi);
    }
    return;
  }
#pragma omp parallel num_threads(threads)
  {
    int b, e;
    staticShare(parts, omp_get_num_threads(), omp_get_thread_num(), b, e);
    for (int p = b; p < e; ++p) {
      int lo, hi;
      blockOfRange(first, last, parts, p, lo, hi);
      fn(lo, hi);
    }
  }
}

}  // namespace physics_test
