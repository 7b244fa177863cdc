// Levels per grid line (antlin) and cells per water column (ant), and the two
// depth limits that decide when a grid line is dry or shallow.
#include <algorithm>
#include <cmath>

#include "grid/generate.h"
#include "state/log.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {
double depthAt(int i, int j) { return zval[i][j][znumber] - zval[i][j][1]; }
}  // namespace

void MakeAntlin(double ratio, int i1, int i2, int j1, int j2) {
  const double span = znumber - 2;
  for (int j = j1 - 1; j <= j2; ++j)
    for (int i = i1 - 1; i <= i2; ++i) {
      for (int k = 1; k <= znumber; ++k) num[i][j][k] = 0;
      const double h = depthAt(i, j);
      if (h < MinVertDist0) {
        antlin[i][j] = 1;
      } else if (h < MinVertDist1) {
        antlin[i][j] = 2;
      } else {
        const double v = std::pow(h * ratio, GridDistCoeff) * span;
        antlin[i][j] = v < span ? static_cast<int>(v) + 2 : znumber;
      }
    }
}

void MakeAnt(int i1, int i2, int j1, int j2) {
  for (int j = j1; j <= j2; ++j)
    for (int i = i1; i <= i2; ++i) {
      ant[i][j] = std::max({antlin[i - 1][j - 1], antlin[i - 1][j], antlin[i][j], antlin[i][j - 1]}) - 1;
      if (UMethod == 13 && pointcell_old[i][j] == 0) {
        const double mean = 0.25 * (depthAt(i - 1, j - 1) + depthAt(i - 1, j) + depthAt(i, j) + depthAt(i, j - 1));
        if (mean < MinVertDist2) ant[i][j] = 0;
      }
      if (bedOutBlock[i][j] == 1) ant[i][j] = 0;
    }
}

void computeF94() {
  double largest = 0.0;
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    if (block[b].gridLevel != 0) continue;
    for (int i = block[b].i1; i <= block[b].i2; ++i)
      for (int j = block[b].j1; j <= block[b].j2; ++j) largest = std::max(largest, armap[i][j]);
  }
  MinVertDist1 = 0.1 * std::sqrt(largest);
  MinVertDist0 = 0.05 * MinVertDist1;
  if (debugging == 'D') logf("Computed F 94 parameters to %lf %lf\n", MinVertDist0, MinVertDist1);
}
