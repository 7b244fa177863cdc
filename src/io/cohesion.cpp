// The cohesion of the bed layers at the start of a sediment run: the value
// of F 385 everywhere, then the columns of the file `cohesion` (F 385 2).
#include <algorithm>

#include "io/modelfiles.h"
#include "io/scanner.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

bool gridPoint(int i, int j) { return i >= 0 && i <= xnumber + 1 && j >= 0 && j <= ynumber + 1; }
int bedCellAt(int i, int j) {
  if (!gridPoint(i, j)) return 0;
  const int b = pointbed[i][j];
  return b >= 1 && b < bedCellCapacity() ? b : 0;
}

}  // namespace

int setInitialCohesive() {
  if (FlagCohesion == 0 || !Bcohesion) return FlagCohesion;
  const int top = std::max(NoBedLayers - 1, 1);
  for (int n = 1; n <= std::clamp(NoBlocks, 0, 99); ++n) {
    const BlockRecord& B = block[n];
    if (B.kind != 0 || B.gridLevel != 0) continue;
    for (int i = B.i1; i <= B.i2; ++i)
      for (int j = B.j1; j <= B.j2; ++j) {
        const int b = bedCellAt(i, j);
        if (b == 0 || !gridPoint(i - 1, j - 1)) continue;
        double value = InitValueCohesion;
        if (FlagCohesion == 4) {
          const double water = zval[i][j][znumber] + zval[i - 1][j][znumber] + zval[i - 1][j - 1][znumber] +
                               zval[i][j - 1][znumber];
          const double bed = zval[i][j][1] + zval[i - 1][j][1] + zval[i - 1][j - 1][1] + zval[i][j - 1][1];
          if ((water - bed) / 4.0 > MinVertDist0) value = 0.0;
        }
        for (int k = 0; k <= top; ++k) Bcohesion[k][b] = value;
      }
  }
  if (FlagCohesion != 2) return FlagCohesion;
  Scanner s;
  if (!s.open("cohesion")) return -20;
  const long long limit = static_cast<long long>(xnumber + 2) * (ynumber + 2) + 1;
  for (long long r = 0; r < limit; ++r) {
    int ij[2];
    double v[2];
    if (s.readInts(ij, 2) != 2 || s.readDoubles(v, 2) != 2) return r == 0 ? -20 : 2;
    const int b = bedCellAt(ij[0], ij[1]);
    if (b != 0) {
      Bcohesion[1][b] = v[0];
      Bcohesion[0][b] = v[1];
    }
    for (int k = 2; k <= NoBedLayers - 1; ++k) {
      double x;
      if (!s.readDouble(x)) return 2;
      if (b != 0) Bcohesion[k][b] = x;
    }
    s.skipLine();
  }
  return 2;
}
