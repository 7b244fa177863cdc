// Profiles at the interpolation points (F 329 entry 10 = 19): once per time
// step the velocities, k, epsilon and the concentrations of the water column
// that holds each point are interpolated to 200 levels between its bed and
// its water level and added to the quor sums, which print_interres averages
// over the steps summed. The tables are sized by the number of points. Main
// thread.
#include <algorithm>
#include <vector>

#include "io/gridfiles.h"
#include "state/log.h"
#include "sediment/morphology.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

constexpr int kLevels = 200;
// Per point its grid line i (0: no grid line encloses it) and its levels.
std::vector<int> pointLine;
std::vector<double> pointLevels;

inline bool cellOk(int c) { return c >= 1 && c <= NoCells; }

bool allocateTables(int points) {
  const std::size_t n = static_cast<std::size_t>(points), l = alloc::extent(lnumber, 1);
  for (double*** a : {&quorz, &quorxvel, &quoryvel, &quorzvel, &quork, &quoreps})
    if (!allocate2(*a, n, kLevels)) return false;
  return allocate3(quorc, n, kLevels, l);
}

void setUp(int points) {
  pointLine.assign(static_cast<std::size_t>(points), 0);
  pointLevels.assign(static_cast<std::size_t>(points) * kLevels, 0.0);
  for (int p = 0; p < points; ++p) {
    int line = 0;
    for (int i = 2; i <= xnumber && !line; ++i)
      if (xval[i][2] >= xint[p] && xint[p] > xval[i - 1][2]) line = i;
    pointLine[p] = line;
    for (int n = 0; n < kLevels; ++n) {
      quorz[p][n] = quorxvel[p][n] = quoryvel[p][n] = quorzvel[p][n] = quork[p][n] = quoreps[p][n] = 0.0;
      for (int l = 0; l <= lnumber; ++l) quorc[p][n][l] = 0.0;
    }
    if (!line) continue;
    const double zb = 0.5 * (zval[line - 1][2][1] + zval[line][2][1]), zt = zval[line][2][znumber];
    for (int n = 0; n < kLevels; ++n) pointLevels[p * kLevels + n] = zb + n * (zt - zb) / (kLevels - 1);
  }
}

}  // namespace

void makeQuorvel() {
  if (NoQuorInterpols == 0) {
    if (NoInterpol == -1) readInterpol();
    if (NoInterpol < 1) {
      ++NoQuorInterpols;
      return;
    }
    const int points = std::min(NoInterpol, 10000);
    if (!quorz && !allocateTables(points)) fatal(-1, "Error: the profile tables of %d interpolation points do not fit\n", points);
    if (!quorz) return;
    NoQuorPoints = points;
    setUp(points);
  }
  ++NoQuorInterpols;
  if (!quorz || pointLine.empty()) return;
  const int points = std::min({NoQuorPoints, static_cast<int>(pointLine.size())});
  for (int p = 0; p < points; ++p) {
    const int i = pointLine[p];
    if (!i) continue;
    const double v0 = zval[i][2][0];
    const int c0 = v0 >= 1.0 && v0 < NoCells + 1.0 ? static_cast<int>(v0) : 0;
    for (int n = 0; n < kLevels; ++n) {
      const double z = pointLevels[p * kLevels + n];
      // The summed levels give the level again once divided by the count.
      quorz[p][n] += z;
      for (int k = c0, guard = 0; cellOk(k) && guard < NoCells; k = Ccellt[k], ++guard) {
        const int up = Ccellt[k];
        if (!cellOk(up)) break;
        if (!(z > Czcenter[k] && z < Czcenter[up])) continue;
        const double w = (z - Czcenter[k]) / (Czcenter[up] - Czcenter[k]);
        auto at = [&](const double* f) { return (1.0 - w) * f[k] + w * f[up]; };
        quorxvel[p][n] += at(Cxvel);
        quoryvel[p][n] += at(Cyvel);
        quorzvel[p][n] += at(Czvel);
        quork[p][n] += at(Ckinen);
        quoreps[p][n] += at(Cepsilon);
        for (int l = 0; l <= lnumber; ++l) quorc[p][n][l] += at(Cconc[l]);
        break;
      }
    }
  }
}
