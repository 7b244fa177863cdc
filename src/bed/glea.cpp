// The GLEA slope check of the bank columns (F 266 1): a slab of bed material
// 0.4 times the level difference across the column bottom thick is driven
// down the slope by its weight (and, with the groundwater model, by the
// seepage force) and held by friction and cohesion. Where it fails the
// corners of the column move towards their mean, never below the fixed bed.
// Every column is judged on the grid as it stood before the call. Main
// thread; no messages.
#include <algorithm>
#include <cmath>

#include "bed/bed.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "surface/surface.h"

namespace {

inline bool cellOk(int c) { return c >= 1 && c <= NoCells; }
inline bool gridLine(int i, int j) { return i >= 0 && j >= 0 && i <= xnumber + 1 && j <= ynumber + 1; }

int lowestCell(int i, int j) {
  if (!gridLine(i, j)) return 0;
  const double v = zval[i][j][0];
  return v >= 1.0 && v < static_cast<double>(NoCells) + 1.0 ? static_cast<int>(v) : 0;
}

// Groundwater level of the bed cell of cell c; a missing cell reads the
// column's own level (Cbed[0] holds its bed cell meanwhile).
double groundwaterOf(int c) {
  const int b = cellOk(c) ? Cbed[c] : Cbed[0];
  return b >= 1 && b < bedCellCapacity() ? Bgroundwater[b] : 0.0;
}

void checkColumn(int i, int j) {
  const int c = lowestCell(i, j);
  if (!c) return;
  if (lowestCell(i, j + 1) && lowestCell(i, j - 1) && lowestCell(i + 1, j) && lowestCell(i - 1, j)) return;
  const int b = Cbed[c];
  if (b < 1 || b >= bedCellCapacity() || !(Barea[b] > 0.0)) return;
  const double z1 = Pz[Cpoint1[c]], z2 = Pz[Cpoint2[c]], z3 = Pz[Cpoint3[c]], z4 = Pz[Cpoint4[c]];
  const double gx = 0.5 * (z2 - z1 + z3 - z4), gy = 0.5 * (z3 + z4 - z1 - z2);
  const double g = std::sqrt(gx * gx + gy * gy);
  const double V = Barea[b] * 0.4 * g;
  const double W = density * 9810.0 * SolidFrac * V;
  double F = 0.0;
  if (FlagGroundwater > 0 && Bgroundwater) {
    Cbed[0] = b;
    // The slab weight along each direction, with the solid fraction of W.
    const double unit = Barea[b] * 0.4 * 1000.0 * 9.81 * density * SolidFrac;
    const double hw = groundwaterOf(Ccellw[c]), he = groundwaterOf(Ccelle[c]);
    const double hn = groundwaterOf(Ccelln[c]), hs = groundwaterOf(Ccells[c]);
    // The seepage drives down the slope where the table falls with the bed,
    // along i as along j.
    const double Fx = gx * unit * gx / (2.0 * Cidist[c] + 1e-20) + (he - hw) * gx * Cjdist[c] * 1000.0 * 9.81;
    const double Fy = gy * unit * gy / (2.0 * Cjdist[c] + 1e-20) + (hn - hs) * gy * Cidist[c] * 1000.0 * 9.81;
    F = std::sqrt(Fx * Fx + Fy * Fy);
  } else {
    const double cz = std::clamp(Fvz[Cflateb[c]], -1.0, 1.0);
    F = W * std::tan(std::acos(cz));
  }
  const double Rf = SlopeGLEA * W, Rc = CohesionGLEA * Barea[b];
  if (!(F - Rc > Rf)) return;
  const double R = std::max(Rf, Rc);
  const double K = V * (Rc / (R + 1e-30) + 0.02) / Barea[b];
  const double m = 0.25 * (z1 + z2 + z3 + z4);
  const double d[4] = {m - z1, m - z2, m - z3, m - z4};
  const double s = std::fabs(d[0]) + std::fabs(d[1]) + std::fabs(d[2]) + std::fabs(d[3]);
  const int ci[4] = {i - 1, i, i, i - 1}, cj[4] = {j - 1, j - 1, j, j};
  for (int k = 0; k < 4; ++k) {
    const double move = K * d[k] / (s + 1e-20);
    double& z = zval[ci[k]][cj[k]][1];
    z = std::max(z + move, Surfaces[3][ci[k]][cj[k]]);
    Surfaces[1][ci[k]][cj[k]] += move;
  }
}

}  // namespace

void computeGLEA() {
  if (FlagGroundwater > 0) groundwater();
  if (FlagGLEA != 1 || !zval || !Surfaces || !Cbed || !Pz) return;
  Bedmove[0] = 0.0;
  for (int n = 1; n <= NoBlocks && n < 100; ++n) {
    const BlockRecord& B = block[n];
    if (B.kind != 0 || B.gridLevel != 0 || B.active != 1) continue;
    for (int i = std::max(B.i1, 1); i <= std::min(B.i2, xnumber + 1); ++i)
      for (int j = std::max(B.j1, 1); j <= std::min(B.j2, ynumber + 1); ++j) checkColumn(i, j);
  }
  Cbed[0] = 0;
}
