// Ponds and ridges of block 1 (F 394): water columns that no wet path joins
// to the faces of a discharge group get no cells in the grid being built.
#include <algorithm>

#include "grid/gridsplit.h"
#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

bool blockOneInGrid() {
  if (NoBlocks < 1 || !zval || !ant) return false;
  const BlockRecord& B = block[1];
  return B.i1 >= 1 && B.j1 >= 1 && B.i2 <= xnumber && B.j2 <= ynumber && B.i1 <= B.i2 && B.j1 <= B.j2;
}

int bedOfColumn(int i, int j) {
  const int b = pointbed[i][j];
  return b >= 1 && b <= NoBCells ? b : 0;
}

double depthAt(int i, int j) { return zval[i][j][znumber] - zval[i][j][1]; }

}  // namespace

void makeRidge() {
  if (!ridgeI || !ridgeJ || !antlin || !blockOneInGrid()) return;
  for (int i = 0; i <= xnumber + 1; ++i)
    for (int j = 0; j <= ynumber + 1; ++j) ridgeI[i][j] = ridgeJ[i][j] = 0;
  const BlockRecord& B = block[1];
  // Every edge the flood fill may step across, the last row and column of
  // the block included.
  for (int i = B.i1 - 1; i <= B.i2; ++i)
    for (int j = B.j1; j <= B.j2; ++j)
      if (antlin[i][j - 1] > 1 || antlin[i][j] > 1) ridgeI[i][j] = 1;
  if (B.i1 < B.i2)
    for (int i = B.i1; i <= B.i2; ++i)
      for (int j = B.j1 - 1; j <= B.j2; ++j)
        if (antlin[i - 1][j] > 1 || antlin[i][j] > 1) ridgeJ[i][j] = 1;
}

void removePonds() {
  if (!Bponds || !pointbed || !blockOneInGrid() || DischargeStruct[1].noBedCells < 1) return;
  const BlockRecord& B = block[1];
  const bool ridged = FlagRemovePonds > 1000 && ridgeI && ridgeJ;
  for (int b = 0; b <= NoBCells; ++b) Bponds[b] = 0;
  for (int i = B.i1; i <= B.i2; ++i)
    for (int j = B.j1; j <= B.j2; ++j) {
      const int b = bedOfColumn(i, j);
      if (b != 0 && Bdepth)
        Bdepth[b] = 0.25 * (depthAt(i - 1, j - 1) + depthAt(i, j - 1) + depthAt(i, j) + depthAt(i - 1, j));
    }

  // Seeds: every listed bed cell of the groups with faces, the last one included.
  auto listed = [](const DischargeGroup& G, int e) {
    const int b = G.bedCell[e];
    return b >= 1 && b <= NoBCells ? b : 0;
  };
  auto seedGroup = [](const DischargeGroup& G) { return G.surfno >= 1 && G.noBedCells >= 1; };
  double dmax = -1e7;
  for (int g = 1; g <= 9; ++g) {
    const DischargeGroup& G = DischargeStruct[g];
    if (!seedGroup(G)) continue;
    for (int e = 0; e < G.noBedCells && e < MaxGroupBedCells; ++e)
      if (const int b = listed(G, e); b != 0 && Bdepth) dmax = std::max(dmax, Bdepth[b]);
  }
  const double seedLimit = dmax * CoeffPonds;
  for (int g = 1; g <= 9; ++g) {
    const DischargeGroup& G = DischargeStruct[g];
    if (!seedGroup(G)) continue;
    for (int e = 0; e < G.noBedCells && e < MaxGroupBedCells; ++e) {
      const int b = listed(G, e);
      if (b != 0 && (seedLimit < 0.01 || (Bdepth && Bdepth[b] > seedLimit))) Bponds[b] = 1;
    }
  }

  auto spread = [&](int i, int j) {
    const int b = bedOfColumn(i, j);
    if (b == 0 || Bponds[b] != 1) return;
    auto mark = [&](int ni, int nj, bool open) {
      if (!open || ni < B.i1 || ni > B.i2 || nj < B.j1 || nj > B.j2) return;
      const int nb = bedOfColumn(ni, nj);
      if (nb != 0 && ant[ni][nj] > 0) Bponds[nb] = 1;
    };
    mark(i + 1, j, !ridged || ridgeI[i][j] == 1);
    mark(i - 1, j, !ridged || ridgeI[i - 1][j] == 1);
    mark(i, j + 1, !ridged || ridgeJ[i][j] == 1);
    mark(i, j - 1, !ridged || ridgeJ[i][j - 1] == 1);
  };
  const int repeats = FlagRemovePonds > 1000 ? FlagRemovePonds - 1000 : FlagRemovePonds;
  for (int r = 0; r < repeats; ++r) {
    for (int j = B.j1; j <= B.j2; ++j)
      for (int i = B.i1; i <= B.i2; ++i) spread(i, j);
    for (int j = B.j2; j >= B.j1; --j)
      for (int i = B.i2; i >= B.i1; --i) spread(i, j);
  }

  for (int i = B.i1; i <= B.i2; ++i)
    for (int j = B.j1; j <= B.j2; ++j) {
      const int b = bedOfColumn(i, j);
      if (b != 0 && Bponds[b] == 1) continue;
      ant[i][j] = 0;
      if (FlagPondsPres == 1 && Cpres) forColumnUp(lowestCellOf(i, j), [](int c) { Cpres[c] = 0.0; });
    }
}
