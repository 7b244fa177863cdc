// The bed-cell index: one bed cell per water column of the ordinary blocks.
#include <omp.h>

#include <cstring>

#include "grid/fieldmap.h"
#include "grid/geometry.h"
#include "state/log.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

inline bool ordinary(const BlockRecord& b) { return b.kind == 0 && b.gridLevel == 0; }

// Clamped column range of a block inside the block grid.
inline int lo(int v) { return v < 1 ? 1 : v; }

void numberBedCells() {
  const int capacity = bedCellCapacity();
  long total = 0;
  bool any = false;
  for (int b = 1; b <= NoBlocks && b < 100; ++b)
    if (ordinary(block[b])) {
      any = true;
      const BlockRecord& B = block[b];
      if (B.i2 >= B.i1 && B.j2 >= B.j1) total += static_cast<long>(B.i2 - B.i1 + 1) * (B.j2 - B.j1 + 1);
    }
  if (total >= capacity)
    fatal(-5, "Error: the blocks of the grid hold %ld water columns, more than the %d bed cells of the G 1 sizes\n",
          total, capacity - 1);
  if (any) NoBCells = static_cast<int>(total);
  for (int i = 0; i <= xnumber + 1; ++i)
    for (int j = 0; j <= ynumber + 1; ++j) pointbed[i][j] = 0;
  int k = 0;
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    BlockRecord& B = block[b];
    B.firstBedCell = k + 1;
    if (ordinary(B))
      for (int i = lo(B.i1); i <= B.i2 && i <= xnumber; ++i)
        for (int j = lo(B.j1); j <= B.j2 && j <= ynumber; ++j) {
          ++k;
          pointbed[i][j] = k;
          Barea[k] = armap[i][j];
          Bkooi[k] = i;
          Bkooj[k] = j;
          Bnocells[k] = 0;
          Bcellt[k] = 0;
          Bdepth[k] = 0.0;
        }
    B.lastBedCell = k;
  }
  Cbed[0] = 0;
  for (int b = 1; b <= NoBCells; ++b) {
    Binout[b] = 0.0;
    Bcellth[b] = 0;
  }
}

void buildColumns() {
  for (int bl = 1; bl <= NoBlocks && bl < 100; ++bl) {
    const BlockRecord& B = block[bl];
    if (!ordinary(B)) continue;
    for (int i = lo(B.i1); i <= B.i2 && i <= xnumber; ++i)
      for (int j = lo(B.j1); j <= B.j2 && j <= ynumber; ++j) {
        const int b = pointbed[i][j];
        if (b < 1 || b > NoBCells) continue;
        int c = static_cast<int>(zval[i][j][0]);
        Bcellt[b] = c >= 1 && c <= NoCells ? c : 0;
        Bnocells[b] = 0;
        double sum = 0.0;
        // A column holds at most every cell once: the bound stops a chain that loops.
        for (int steps = 0; c >= 1 && c <= NoCells && steps < NoCells; ++steps) {
          Cbed[c] = b;
          ++Bnocells[b];
          sum += Ckdist[c];
          c = Ccellt[c];
        }
        Bdepth[b] = 2.0 * sum;
      }
  }
}

void pondLists() {
  if (FlagRemovePonds <= 0 || DischargeStruct[1].noBedCells != 0) return;
  groupBedCellLists();
}

}  // namespace

void groupBedCellLists() {
  for (int g = 1; g <= 9; ++g) {
    DischargeGroup& G = DischargeStruct[g];
    if (G.surfno < 1) continue;
    int n = 0;
    for (int e = 0; e < G.surfno && e < MaxGroupFaces; ++e) {
      const int f = G.face[e];
      if (f < 1 || f > NoSurfaces) continue;
      const int c = Fcell1[f] != 0 ? Fcell1[f] : Fcell2[f];
      if (c < 1 || c > NoCells || Ccellb[c] != 0) continue;
      if (n >= MaxGroupBedCells)
        fatal(-5, "Error: discharge group %d lies on more than %d bed cells\n", g, MaxGroupBedCells);
      G.bedCell[n++] = Cbed[c];
    }
    G.noBedCells = n;
  }
}

void BedMake() {
  // The numbering stays once made, so that a bed cell keeps its bed data
  // across grid changes; a maker that needs a new one sets NoBCells to 0.
  const bool firstNumbering = NoBCells == 0;
  if (firstNumbering) numberBedCells();

  if (FlagGridHasChanged == 1)
    for (int b = 1; b <= NoBCells; ++b) {
      Bcellt_old[b] = Bcellt[b];
      Bnocells_old[b] = Bnocells[b];
      Bdepth_old[b] = Bdepth[b];
    }
  FlagGridHasChanged = 0;
  std::memset(Cbed, 0, sizeof(int) * static_cast<std::size_t>(MaxCeller));

  buildColumns();
  Cbed[0] = 0;
  if (Bnestcoarse && NoNestflater > 1 && firstNumbering) computeBnestcoarse();

  if (Bdeltah)
    for (int b = 1; b <= NoBCells; ++b) Bdeltah[b] = 0.0;

  if (Bnocells && Cxvel_old && FlagNeedsToBeInterpolated == 1) {
    otime[49] = omp_get_wtime();
    if (FlagExtraDebug == 1) logf("In BedMake, before InterpolateGrid\n");
    InterpolateGrid();
    if (FlagExtraDebug == 1) logf("In BedMake, after InterpolateGrid\n");
    if (FlagGenerateUpFlux > 0 || FlagGenerateDownFlux > 0)
      setFluxes();
    else
      InterpolateBoundary();
    FlagNeedsToBeInterpolated = 0;
    otime[50] = omp_get_wtime();
  } else if (groupFacesStale()) {
    // A grid built without a carry-over (steady runs): the groups still hold
    // faces of the grid before.
    if (FlagGenerateUpFlux > 0 || FlagGenerateDownFlux > 0)
      setFluxes();
    else
      InterpolateBoundary();
  }
  if (FlagExtraDebug == 1) logf("In BedMake, before ponds\n");
  pondLists();

  if (ExtrapAlgo1 == 0 && Czcenter_old)
    for (int c = 1; c <= NoCells; ++c) Czcenter_old[c] = Czcenter[c];
  else if (ExtrapAlgo1 == 2 && Ckdist_old)
    for (int c = 1; c <= NoCells; ++c) Ckdist_old[c] = Ckdist[c];
  if (FlagExtraDebug == 1) logf("End BedMake\n");
}
