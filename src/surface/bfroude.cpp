// Depth and Froude number of the water columns: per bed cell the water depth,
// the depth-averaged Froude number, the twist of the bed face and, under their
// options, the Froude-limit level and the column-mean pressure.
#include <algorithm>
#include <cmath>

#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/runstate.h"
#include "surface/surface.h"

namespace {

bool cellInGrid(int c) { return c >= 1 && c <= NoCells; }

// Column (i, j) with its four corner grid points inside the grid lines.
bool columnCorners(int i, int j) { return zval && i >= 1 && i <= xnumber + 1 && j >= 1 && j <= ynumber + 1; }

double bedAt(int i, int j) { return zval[i][j][1]; }
double depthAt(int i, int j) { return zval[i][j][znumber] - zval[i][j][1]; }

}  // namespace

void computeBFroude(int first, int last) {
  if (!Bcellt || !Bdepth || !BFroude || !Bfly) return;
  first = std::max(first, 1);
  last = std::min({last, NoBCells, bedCellCapacity() - 1});
  const bool limitLevel = solverFroude == 1 && (FlagTFS == 7 || FlagTFS == 9) && BLevFroude;
  const bool columnPressure = (FlagNonHydrostaticSurf == 6 || FlagNonHydrostaticSurf == 7) && Bpresavg;
  const double L = solverFroudeLimit;

  for (int b = first; b <= last; ++b) {
    const int bottom = cellInGrid(Bcellt[b]) ? Bcellt[b] : 0;
    double s = 0.0, presSum = 0.0;
    int count = 0;
    if (bottom > 0) {
      double S = 0.0, U = 0.0, V = 0.0;
      for (int c = bottom; cellInGrid(c) && count < NoCells; c = Ccellt[c]) {
        S += Ckdist[c];
        U += Cxvel[c] * Ckdist[c];
        V += Cyvel[c] * Ckdist[c];
        presSum += Cpres[c];
        ++count;
      }
      S += 1e-20;
      const double u = U / S, v = V / S;
      s = std::sqrt(u * u + v * v);
      Bdepth[b] = 2.0 * S;
      BFroude[b] = s / std::sqrt(9.81 * Bdepth[b]);
    } else {
      Bdepth[b] = 2e-20;
      BFroude[b] = 0.0;
    }

    const int i = Bkooi ? Bkooi[b] : 0, j = Bkooj ? Bkooj[b] : 0;
    const bool corners = columnCorners(i, j);
    Bfly[b] = corners ? 0.5 * (bedAt(i, j) + bedAt(i - 1, j - 1) - bedAt(i, j - 1) - bedAt(i - 1, j)) /
                            std::sqrt(Barea[b] + 1e-20)
                      : 0.0;

    if (limitLevel) {
      const double hL = s * s / (9.81 * L * L);
      if (FlagTFS == 9) {
        // Level at which the column reaches the limit: its bottom face plus hL
        // (the dummy cell 0 for a column without cells).
        const double value = hL + Czcenter[bottom] - Ckdist[bottom];
        BLevFroude[b] = Iter < 2 ? value : 0.1 * value + 0.9 * BLevFroude[b];
      } else if (BFroude[b] < 0.1) {
        BLevFroude[b] = -10.0;  // not limited
      } else {
        // Largest water depth at the four corners.
        const double hmax =
            corners ? std::max({depthAt(i, j), depthAt(i - 1, j - 1), depthAt(i, j - 1), depthAt(i - 1, j)}) : 0.0;
        const double value = hL - hmax;
        const bool relax = Iter >= 2 && !(BLevFroude[b] < -9.0);
        BLevFroude[b] = relax ? 0.1 * value + 0.9 * BLevFroude[b] : value;
      }
    }

    if (columnPressure) Bpresavg[b] = count > 0 ? presSum / count : 0.0;
  }
}
