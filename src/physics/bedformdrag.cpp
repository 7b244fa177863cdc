// Drags near the bed: the form drag of dunes spread over the water column and
// the drag inside the roughness layer of the bed.
#include <cmath>

#include "physics/physics.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {
inline bool isCell(int c) { return c >= 1 && c <= NoCells; }
}  // namespace

double duneDragCoefficient(double ks, double U, int n) {
  if (n < 1) return 0.0;
  // 9810/26^2: Strickler's number 26 ks^(-1/6) as the friction of the bed
  // forms, shared over the n cells of the column.
  return std::pow(ks, 0.333) * (U / n) * 14.511834319526628 / n;
}

void computeDragDune() {
  if (Equation < 1 || Equation > 3 || !Bedformheight || NoBlocks < 1) return;
  const BlockRecord& bl = block[1];
  const int first = bl.firstCell < 1 ? 1 : bl.firstCell, last = bl.lastCell > NoCells ? NoCells : bl.lastCell;
  for (int c = first; c <= last; ++c) {
    if (Ccellb[c] != 0) continue;
    const int b = Cbed[c];
    if (b < 1 || b >= bedCellCapacity()) continue;
    int n = 0, top = c;
    double h = 0.0;
    for (int k = c; isCell(k) && n <= NoCells; k = Ccellt[k]) {
      ++n;
      h += 2.0 * Ckdist[k];
      top = k;
    }
    const double delta = Bedformheight[b];
    if (!(delta > 0.0) || !(h > 0.0)) continue;
    const double ks = 1.1 * delta * (1.0 - std::exp(-25.0 * delta / (7.3 * h)));
    const double U = std::sqrt(Cxvel[top] * Cxvel[top] + Cyvel[top] * Cyvel[top]);
    const double D = duneDragCoefficient(ks, U, n);
    for (int k = c, guard = 0; isCell(k) && guard < n; k = Ccellt[k], ++guard) Cap[k] += D;
  }
}

void computeDrevan(int first, int last) {
  if (Equation < 1 || Equation > 2 || !Croughness) return;
  if (first < 1) first = 1;
  if (last > NoCells) last = NoCells;
  for (int c = first; c <= last; ++c) {
    if (Ccellb[c] != 0 || !isCell(Ccellt[c])) continue;
    const double ks = Croughness[c];
    if (!(Ckdist[c] <= ks)) continue;
    // Speed of the first cell above ks that has a cell above it.
    double Uks = 0.0, z = Ckdist[c];
    for (int k = c, m = Ccellt[c], guard = 0; isCell(m) && guard <= NoCells; k = m, m = Ccellt[m], ++guard) {
      z += Ckdist[k] + Ckdist[m];
      if (!isCell(Ccellt[m])) break;
      if (z > ks) {
        Uks = std::sqrt(Cxvel[m] * Cxvel[m] + Cyvel[m] * Cyvel[m]);
        break;
      }
    }
    z = Ckdist[c];
    for (int k = c, guard = 0; isCell(k) && isCell(Ccellt[k]) && z <= ks && guard <= NoCells; ++guard) {
      const double speed = std::sqrt(Cxvel[k] * Cxvel[k] + Cyvel[k] * Cyvel[k]);
      Cap[k] += std::fmax(0.0, speed - z / ks * Uks) * 1000.0 * Cvol[k] * ParamDrevan;
      const int m = Ccellt[k];
      z += Ckdist[k] + Ckdist[m];
      k = m;
    }
  }
}
