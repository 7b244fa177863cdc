#include "solvers/interpolate.h"

#include "state/arrays.h"
#include "state/options.h"

namespace {

int validCell(int c) { return (c > 0 && c < MaxCeller) ? c : 0; }

}  // namespace

double interpolatevaluez(const double* f, int n, double z) {
  n = validCell(n);
  if (!f || n == 0) return 0.0;
  const double zn = Czcenter[n];
  if (z < zn) {
    // down to the first cell whose centre lies below z; hi is the cell above it
    int m = n, hi = 0;
    for (int guard = 0; Czcenter[m] > z && guard < MaxCeller; ++guard) {
      const int b = validCell(Ccellb[m]);
      if (b == 0) return f[m];  // z below the lowest centre
      hi = m;
      m = b;
    }
    const double g = (z - Czcenter[m]) / (Ckdist[m] + Ckdist[hi] + 1e-20);
    return (1.0 - g) * f[m] + g * f[hi];
  }
  if (z > zn) {
    int m = n, lo = 0;
    for (int guard = 0; Czcenter[m] < z && guard < MaxCeller; ++guard) {
      const int t = validCell(Ccellt[m]);
      if (t == 0) return f[m];  // z above the highest centre
      lo = m;
      m = t;
    }
    const double g = (Czcenter[m] - z) / (Ckdist[m] + Ckdist[lo] + 1e-20);
    return (1.0 - g) * f[m] + g * f[lo];
  }
  return f[n];
}
