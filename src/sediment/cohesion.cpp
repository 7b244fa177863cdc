// The cohesion of the active layer, updated once per time step from the bed
// levels of the columns of block 1: from the erosion depth by the F 330
// table, or by the F 385 modes 3..7 (mode 5..7 from the deposit above the
// lowest bed level reached).
#include <algorithm>

#include "sediment/morphology.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

// Cohesion from the erosion depth e by the F 330 table, interpolated
// between its rows and held at its ends.
double tableCohesion(double e) {
  const int N = std::min(NoCohesiveDepth, 101);
  if (e < cohesiveDepth[0]) return cohesiveArr[0];
  if (e >= cohesiveDepth[N - 1]) return cohesiveArr[N - 1];
  int k1 = 1;
  while (k1 < N - 1 && !(cohesiveDepth[k1] > e)) ++k1;
  const int k0 = k1 - 1;
  const double span = cohesiveDepth[k1] - cohesiveDepth[k0];
  const double w = std::clamp(span > 0.0 ? (cohesiveDepth[k1] - e) / span : 0.0, 0.0, 1.0);
  return w * cohesiveArr[k0] + (1.0 - w) * cohesiveArr[k1];
}

}  // namespace

void computeCohesion() {
  if (!Bcohesion || NoBlocks < 1 || !zval || !Surfaces || !pointbed) return;
  const bool table = NoCohesiveDepth >= 1;
  const int mode = FlagCohesion;
  if (!table && (mode < 3 || mode > 7)) return;
  if (!table && mode >= 5 && !BcohesionLevel) return;
  const BlockRecord& B = block[1];
  const int nb = bedCellCapacity();
  for (int i = std::max(B.i1, 1); i <= std::min(B.i2, xnumber + 1); ++i)
    for (int j = std::max(B.j1, 1); j <= std::min(B.j2, ynumber + 1); ++j) {
      if (static_cast<int>(zval[i][j][0]) <= 0) continue;
      const int b = pointbed[i][j];
      if (b < 1 || b >= nb) continue;
      const int corner[4][2] = {{i - 1, j - 1}, {i, j - 1}, {i, j}, {i - 1, j}};
      double L = 0.0, S0 = 0.0, depth = 1e30;
      for (const auto& p : corner) {
        L += 0.25 * zval[p[0]][p[1]][1];
        S0 += 0.25 * Surfaces[0][p[0]][p[1]];
        depth = std::min(depth, zval[p[0]][p[1]][znumber] - zval[p[0]][p[1]][1]);
      }
      const int layer = NoBedLayers == 2 && FlagTSC != 3 ? 1 : std::clamp(BlayerTop ? BlayerTop[b] : 0, 0, NoBedLayers);
      double& value = Bcohesion[layer][b];
      if (table) {
        value = tableCohesion(std::max(0.0, S0 - L));
        continue;
      }
      switch (mode) {
        case 3:
          if (depth > 2.0 * MinVertDist1) value = 0.0;
          break;
        case 4:
          if (S0 - L > 4.0 * MinVertDist1) value = 0.0;
          break;
        case 5: {
          BcohesionLevel[b] = std::min(BcohesionLevel[b], L);
          const double h = L - BcohesionLevel[b];
          if (h > MinVertDist0)
            value = 0.0;
          else if (h >= 1e-10)
            value = (MinVertDist0 - h) * InitValueCohesion / MinVertDist0;
          else
            value = InitValueCohesion;
          break;
        }
        case 6: {
          const double h = L - BcohesionLevel[b];
          value = h > 0.01 * MinVertDist1 ? 0.0 : InitValueCohesion;
          BcohesionLevel[b] = std::min(BcohesionLevel[b], L);
          break;
        }
        case 7: {
          const double h = L - BcohesionLevel[b];
          value = h > 0.1 * MinVertDist0 ? 0.0 : InitValueCohesion;
          const int c = Bcellt ? Bcellt[b] : 0;
          if (c >= 1 && c <= NoCells && Ccelle[c] > 0 && Ccelln[c] > 0 && Ccellw[c] > 0 && Ccells[c] > 0)
            BcohesionLevel[b] = std::min(BcohesionLevel[b], L);
          break;
        }
        default: break;
      }
    }
}
