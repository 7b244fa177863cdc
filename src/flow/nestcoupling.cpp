// Feedback of nested grid blocks to the coarser grid (F 261, relaxation r of
// its second value): the coarse cells covered by finer cells are pulled
// towards the fine solution, after the solve (1..9) or through coupling terms
// in the coarse cell equations before it (11..19).
#include <algorithm>

#include "flow/stages.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

inline bool cellOk(int c) { return c >= 1 && c <= NoCells; }
int lastBlock() { return std::clamp(NoBlocks, 0, 99); }

// Calls fn(c) for every cell of block b.
template <class Fn>
void cellsOf(int b, Fn fn) {
  const int lo = std::max(block[b].firstCell, 1), hi = std::min(block[b].lastCell, NoCells);
  for (int c = lo; c <= hi; ++c) fn(c);
}

// The parent cell of a cell of a nested block, 0 for none.
int parentOf(int c) {
  if (!Cinterpolnest) return 0;
  const int p = Cinterpolnest[c];
  return cellOk(p) ? p : 0;
}

}  // namespace

void CoupledSolverNesting() {
  double* phi = Cf;
  if (!phi) return;
  const double r = RelaxCoupledNesting;
  const int nb = lastBlock();
  for (int b = 1; b <= nb; ++b)
    if (block[b].nestLevel < nestlevmax) cellsOf(b, [](int c) { Cap[c] = Csource[c] = 0.0; });
  for (int b = 1; b <= nb; ++b)
    if (block[b].nestLevel > 0)
      cellsOf(b, [phi](int c) {
        const int p = parentOf(c);
        if (p == 0) return;
        Csource[p] += phi[c] * Cvol[c];
        Cap[p] += Cvol[c];
      });
  for (int b = 1; b <= nb; ++b)
    if (block[b].nestLevel < nestlevmax)
      cellsOf(b, [phi, r](int c) {
        // The volume not covered by finer cells keeps the cell's own value.
        const double u = std::max(0.0, Cvol[c] - Cap[c]);
        Cap[c] += u;
        Csource[c] += u * phi[c];
        if (Cap[c] > 0.0) phi[c] = r * Csource[c] / Cap[c] + (1.0 - r) * phi[c];
      });
}

void CoupledSolver2Nesting() {
  double* phi = Cf;
  if (!phi) return;
  const double r = RelaxCoupledNesting;
  const int mode = FlagCoupledNesting, nb = lastBlock();
  if (mode == 16 || mode == 17) {
    const int minLevel = mode == 16 ? 1 : 2;
    for (int b = 1; b <= nb; ++b)
      if (block[b].nestLevel >= minLevel)
        cellsOf(b, [phi, r](int c) {
          const int p = parentOf(c);
          if (p == 0 || !(Cvol[p] > 0.0)) return;
          const double w = Cvol[c] * Cap[p] / Cvol[p];
          Cap[p] += w;
          Csource[p] += r * w * phi[c];
        });
  } else if (mode >= 11 && mode <= 15) {
    // The control file refuses r >= 1 for these forms.
    if (!(r < 1.0)) return;
    for (int b = 1; b <= nb; ++b)
      if (block[b].nestLevel > 0)
        cellsOf(b, [phi, r](int c) {
          const int p = parentOf(c);
          if (p == 0) return;
          Cap[p] = Cap[p] / (1.0 - r);
          Csource[p] += r * phi[c] * Cap[p];
        });
  } else if (mode == 18) {
    if (NoBlocks < 2 || !Cpt || !Cqt) return;
    for (int b = 1; b < nb; ++b)
      if (block[b].nestLevel < nestlevmax) cellsOf(b, [](int c) { Cpt[c] = Cqt[c] = 0.0; });
    if (Ncell && Npcelle && Nweight)
      for (int f = 1; f <= NoNestflater; ++f) {
        const int C = Ncell[f][0], Fc = Npcelle[f];
        if (!(Nweight[f][0] < -1e-20) || !cellOk(C) || !cellOk(Fc)) continue;
        Cpt[C] += phi[Fc];
        Cqt[C] += 1.0;
      }
    for (int b = 1; b < nb; ++b)
      if (block[b].nestLevel < nestlevmax)
        cellsOf(b, [phi, r](int c) {
          if (Cqt[c] > 0.5) Csource[c] += r * Cap[c] * (Cpt[c] / Cqt[c] - phi[c]);
        });
  } else if (mode == 19) {
    if (NoBlocks < 2 || !Cpt || !Cqt) return;
    for (int b = 1; b < nb; ++b)
      if (block[b].nestLevel <= 0) cellsOf(b, [](int c) { Cpt[c] = Cqt[c] = 0.0; });
    for (int b = 1; b <= nb; ++b)
      if (block[b].nestLevel >= 2)
        cellsOf(b, [](int c) {
          const int p = parentOf(c);
          if (p == 0) return;
          Cpt[p] += Csource[c];
          Cqt[p] += Cvol[c];
        });
    for (int b = 1; b < nb; ++b)
      if (block[b].nestLevel <= 0)
        cellsOf(b, [](int c) {
          if (Cvol[c] > 0.0) Csource[c] = Csource[c] * (1.0 - Cqt[c] / Cvol[c]) + Cpt[c];
        });
  }
}
