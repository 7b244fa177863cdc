// Tri-diagonal line solvers along the water columns: the bottom and top
// neighbours on the diagonals, the horizontal neighbours on the right-hand
// side at their current values; 1e-20 keeps every pivot away from 0.
#include "solvers/multigrid.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

bool ready() {
  return Cf && Cpt && Cqt && Cap && Cae && Caw && Can && Cas && Cat && Cab && Csource;
}

// Thomas algorithm over the cells first..last. A cell carries the
// elimination of the cell below only when that is its bottom neighbour
// (c - 1), so that each water column is its own system; a vertical link to
// any other cell enters like a horizontal neighbour.
void thomas(int first, int last) {
  double* f = Cf;
  for (int k = first; k <= last; ++k) {
    const int b = Ccellb[k], t = Ccellt[k];
    const bool below = b == k - 1 && k > first;
    const double Pb = below ? Cpt[k - 1] : 0.0, Qb = below ? Cqt[k - 1] : 0.0;
    const double D = Cap[k] - Pb * Cab[k] + 1e-20;
    double rhs = Can[k] * f[Ccelln[k]] + Cas[k] * f[Ccells[k]] + Cae[k] * f[Ccelle[k]] + Caw[k] * f[Ccellw[k]] +
                 Csource[k] + Cab[k] * Qb;
    if (!below) rhs += Cab[k] * f[b];
    const bool above = t == k + 1 && k < last;
    if (!above) rhs += Cat[k] * f[t];
    Cpt[k] = above ? Cat[k] / D : 0.0;
    Cqt[k] = rhs / D;
  }
  for (int k = last; k >= first; --k) {
    const bool above = Ccellt[k] == k + 1 && k < last;
    f[k] = above ? Cpt[k] * f[k + 1] + Cqt[k] : Cqt[k];
  }
}

}  // namespace

void solverTDMA() {
  if (!ready()) return;
  const int first = WCStart < 1 ? 1 : WCStart, last = WCEnd > NoCells ? NoCells : WCEnd;
  if (first > last) return;
  Cf[0] = 0.0;
  thomas(first, last);
}

void solverVertTDMA() {
  if (!ready() || !zval) return;
  Cf[0] = 0.0;
  for (int r = 1; r <= NoBlocks && r < 100; ++r) {
    const BlockRecord& B = block[r];
    if (B.gridLevel != 0 || B.kind != 0) continue;
    const int i1 = B.i1 < 0 ? 0 : B.i1, i2 = B.i2 > xnumber + 1 ? xnumber + 1 : B.i2;
    const int j1 = B.j1 < 0 ? 0 : B.j1, j2 = B.j2 > ynumber + 1 ? ynumber + 1 : B.j2;
    for (int i = i2; i >= i1; --i)
      for (int j = j1; j <= j2; ++j) {
        const int c0 = static_cast<int>(zval[i][j][0]);
        if (c0 < 1 || c0 > NoCells) continue;
        int t = c0;
        while (t < NoCells && Ccellt[t] == t + 1) ++t;
        if (t - c0 < 4) continue;
        thomas(c0, t);
      }
  }
}
