// Pressure reset after a surface move. The pressures carried over from the
// old grid do not belong to the new water levels; F 128 FlagPresSetZero says
// what replaces them:
//   -1  every pressure 0;
//    3  every cell of a column the pressure of the column's water level above
//       the reference level (9810 Pa per m), the same from bottom to top;
//    2  the columns from which supercritical flow leaves are raised to the
//       pressure of the critical-flow head over the face they leave by.
// Other values leave the pressures alone.
#include <algorithm>
#include <cmath>

#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "surface/surface.h"

namespace {

constexpr double kGravity = 9.81;
constexpr double kWaterWeight = 9810.0;  // Pa per m of water

bool isCell(int c) { return c >= 1 && c <= NoCells; }
bool isFace(int f) { return f >= 1 && f <= NoSurfaces; }

bool updatedBlock(int b) { return b >= 1 && b < 100 && block[b].gridLevel == 0 && SurfUpdate[b] == 1; }

bool gridPoint(int i, int j) { return i >= 0 && i <= xnumber + 1 && j >= 0 && j <= ynumber + 1; }

// Lowest cell of column (i, j); 0 for a dry column or a point off the grid.
int columnCell(int i, int j) {
  if (!gridPoint(i, j)) return 0;
  const double v = zval[i][j][0];
  return v >= 1.0 && v < static_cast<double>(NoCells) + 1.0 ? static_cast<int>(v) : 0;
}

// The top cell above cell c (0 for no cell). At most NoCells steps, so that a
// broken chain cannot hold the walk.
int topCell(int c) {
  if (!isCell(c)) return 0;
  for (int n = 0; n < NoCells && isCell(Ccellt[c]); ++n) c = Ccellt[c];
  return c;
}

void clearPressures() {
  for (int c = 0; c <= NoCells; ++c) Cpres[c] = 0.0;
}

void hydrostaticColumns() {
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    if (!updatedBlock(b)) continue;
    const BlockRecord& B = block[b];
    for (int i = B.i1; i <= B.i2; ++i)
      for (int j = B.j1; j <= B.j2; ++j) {
        const int low = columnCell(i, j);
        if (low == 0) continue;
        const int t = topCell(low);
        const double p = kWaterWeight * (Czcenter[t] + Ckdist[t] - GlobZRef);
        int c = low;
        for (int n = 0; n < NoCells && isCell(c); ++n, c = Ccellt[c]) Cpres[c] = p;
      }
  }
}

// Height, area and mass flux of the faces of one side of a column, summed from
// its top cell down.
struct FaceColumn {
  double height = 0.0, area = 0.0, flux = 0.0;
};

FaceColumn sideSums(int top, const int* side) {
  FaceColumn s;
  int c = top;
  for (int n = 0; n < NoCells && isCell(c); ++n, c = Ccellb[c]) {
    const int f = side[c];
    if (!isFace(f)) continue;
    s.height += Fdz[f];
    s.area += Farea[f];
    s.flux += Fflux[f];
  }
  return s;
}

// The face between the columns whose top cells are own and other, with bed
// levels zb1, zb2 at its two ends; side holds the faces of that side of own's
// cells. A supercritical face raises its upstream column to the pressure of
// the critical-flow head.
void raiseUpstream(int own, int other, const int* side, double zb1, double zb2) {
  if (own == 0 || other == 0) return;
  const FaceColumn s = sideSums(own, side);
  const double U = 0.001 * s.flux / (s.area + 1e-20);
  const double froude = std::fabs(U) / std::sqrt(kGravity * s.height + 1e-20);
  if (!(froude > 1.0) || U == 0.0) return;
  const int up = U > 0.0 ? own : other;
  const double u = Cxvel[up], v = Cyvel[up];
  const double level = 0.5 * (zb1 + zb2) + 1.5 * U * U / kGravity - (u * u + v * v) / (2.0 * kGravity);
  const double p = kWaterWeight * (level - GlobZRef) + GlobPresRef;
  int c = up;
  for (int n = 0; n < NoCells && isCell(c); ++n, c = Ccellb[c]) Cpres[c] = std::max(Cpres[c], p);
}

void criticalHeads() {
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    if (!updatedBlock(b)) continue;
    const BlockRecord& B = block[b];
    for (int i = B.i1; i <= B.i2; ++i)
      for (int j = B.j1; j <= B.j2; ++j) {
        const int o = topCell(columnCell(i, j));
        if (o == 0 || !gridPoint(i - 1, j - 1)) continue;
        const int e = topCell(columnCell(i + 1, j));
        const int n = topCell(columnCell(i, j + 1));
        raiseUpstream(o, e, Cflatee, zval[i][j - 1][1], zval[i][j][1]);
        raiseUpstream(o, n, Cflaten, zval[i - 1][j][1], zval[i][j][1]);
      }
  }
}

}  // namespace

void computeSetPresZero() {
  if (!Cpres) return;
  if (FlagPresSetZero == -1) clearPressures();
  if (!zval) return;
  if (FlagPresSetZero == 3) hydrostaticColumns();
  if (FlagPresSetZero == 2) criticalHeads();
}
