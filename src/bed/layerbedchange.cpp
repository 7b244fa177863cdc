// The bed change of the multi-layer bed (F 255 4 and 5): the sediment step
// has already applied the change to the layer stacks, so each column's bed
// level is the fixed bed plus the thickness of its stack, and every grid
// corner takes the mean level of its wet columns. bedchange5 first moves
// sediment between the stacks (sand slides and the moves that work on the
// layers) so that these moves reach the grid in the same step.
#include <omp.h>

#include <algorithm>
#include <cmath>

#include "bed/bed.h"
#include "bed/bedtail.h"
#include "state/log.h"
#include "sediment/morphology.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

inline bool gridLine(int i, int j) { return i >= 0 && j >= 0 && i <= xnumber + 1 && j <= ynumber + 1; }

// Bed cell of column (i, j), 0 where there is none.
int bedOfColumn(int i, int j) {
  if (!gridLine(i, j)) return 0;
  const int b = pointbed[i][j];
  return b >= 1 && b < bedCellCapacity() ? b : 0;
}
inline bool wetBed(int b) { return b >= 1 && Bcellt[b] >= 1; }
inline int topOf(int b) { return std::min(BlayerTop[b], std::max(NoBedLayers - 1, 0)); }

double stackThickness(int b) {
  double s = 0.0;
  for (int k = topOf(b); k >= 0; --k) s += BSedDistrib[k][0][b];
  return s;
}

// The fixed bed of column (i, j): the mean of its four corners.
double fixedBed(int i, int j) {
  return 0.25 * (Surfaces[3][i][j] + Surfaces[3][i - 1][j] + Surfaces[3][i][j - 1] + Surfaces[3][i - 1][j - 1]);
}

// A block the layer bed change treats.
bool layerBlock(const BlockRecord& B) {
  return B.kind == 0 && B.gridLevel == 0 && B.active == 1 && B.subBed == 0;
}

[[noreturn]] void nanLevel(int b, int i, int j) {
  logf("Iter = %d, b=%d, i,j = (%d,%d)\n", Iter, b, i, j);
  fatal(-4, "BSedDistrib[0][b] = %lf %lf\n", BSedDistrib[0][0][b], BSedDistrib[topOf(b)][0][b]);
}

// Level of column (i, j) for corner (ci, cj) of bedchange4; a NaN ends the
// run with the line of the column's place around the corner.
double checkedLevel(int i, int j, int which, int ci, int cj) {
  const int b = bedOfColumn(i, j);
  const double L = fixedBed(i, j) + stackThickness(b);
  if (std::isnan(L)) {
    logf("Error in bedchange4: NAN%d: %lf\n", which, L);
    nanLevel(b, ci, cj);
  }
  return L;
}

// Corner (i, j) of bedchange4 takes the mean level of its wet columns.
void cornerFromStacks4(int i, int j, int later) {
  const int col[4][2] = {{i, j}, {i + 1, j}, {i, j + 1}, {i + 1, j + 1}};
  double sum = 0.0;
  int n = 0;
  for (int m = 0; m < 4; ++m) {
    const int I = col[m][0], J = col[m][1];
    if (I < 1 || J < 1 || !wetBed(bedOfColumn(I, J))) continue;
    sum += checkedLevel(I, J, m + 1, i, j);
    ++n;
  }
  if (n == 0) return;
  const double change = sum / n - zval[i][j][1];
  zval[i][j][1] += change;
  if (later) Surfaces[1][i][j] += change;
}

void moveEdgeCorner(int i, int j, double d, int later) {
  zval[i][j][1] += d;
  if (later) Surfaces[1][i][j] += d;
}


}  // namespace

void bedchange4(int later) {
  otime[38] = omp_get_wtime();
  Barea[0] = 0.0;
  Bedmove[0] = 0.0;
  // F 144 5 filters the change per bed cell before it becomes corner levels.
  if (FlagBedSmooth == 5) bedsmooth();
  for (int n = 1; n <= NoBlocks && n < 100; ++n) {
    const BlockRecord& B = block[n];
    if (!layerBlock(B)) continue;
    const int i1 = std::max(B.i1, 1), i2 = std::min(B.i2, xnumber + 1);
    const int j1 = std::max(B.j1, 1), j2 = std::min(B.j2, ynumber + 1);
    if (i1 > i2 || j1 > j2) continue;
    if (j1 == j2) {
      for (int i = i1 - 1; i <= i2; ++i)
        for (int j = j1 - 1; j <= j2; ++j) cornerFromStacks4(i, j, later);
      continue;
    }
    // The edges along i follow Bedmove of the columns next to them.
    for (int side = 0; side < 2; ++side) {
      const int jc = side == 0 ? j1 : j2, line = side == 0 ? j1 - 1 : j2;
      for (int i = i1; i <= i2; ++i) {
        const double d = i < i2 ? 0.5 * (Bedmove[bedOfColumn(i, jc)] + Bedmove[bedOfColumn(i + 1, jc)])
                                : Bedmove[bedOfColumn(i, jc)];
        moveEdgeCorner(i, line, d, later);
      }
      moveEdgeCorner(i1 - 1, line, Bedmove[bedOfColumn(i1, jc)], later);
    }
    for (int i = i1 - 1; i <= i2; ++i)
      for (int j = j1; j <= j2 - 1; ++j) cornerFromStacks4(i, j, later);
  }
  // The nested copy of the tail takes the accumulated change only after the
  // first step.
  bedChangeTail(false, true, true, later != 0);
}

void bedchange5() {
  otime[38] = omp_get_wtime();
  Barea[0] = 0.0;
  Bedmove[0] = 0.0;
  const int nb = std::min(NoBCells, bedCellCapacity() - 1);
  if (Bbedchange)
    for (int k = 1; k <= lnumber; ++k)
      for (int b = 1; b <= nb; ++b) Bbedchange[k][b] = 0.0;
  // Moves between the stacks first.
  if ((IterAvalanche >= 1 && IterAvalanche != 205 && IterAvalanche != 206) || (IterAvalanche < 1 && FlagSlideDLL > 0))
    computeSandSlide();
  if (FlagBedSmooth4 > 0) bedSmooth4();
  if (FlagBedformSmooth >= 1 && NoBedLayers >= 3) computeBedformSmooth();
  if (BedLoadVectorFlag >= 101 && BedLoadVectorFlag <= 199 && NoBedLayers >= 3) computeExplicitF78();
  // The level of every column from its stack.
  for (int n = 1; n <= NoBlocks && n < 100; ++n) {
    const BlockRecord& B = block[n];
    if (!layerBlock(B)) continue;
    for (int i = std::max(B.i1, 1); i <= std::min(B.i2, xnumber + 1); ++i)
      for (int j = std::max(B.j1, 1); j <= std::min(B.j2, ynumber + 1); ++j) {
        const int b = bedOfColumn(i, j);
        if (b == 0) continue;
        const double t = BlayerTop[b] < 0 ? 0.0 : stackThickness(b);
        if (std::isnan(t)) {
          logf("Error in bedchange5: NAN5: %lf\n", t);
          nanLevel(b, i, j);
        }
        Bedlev[b] = fixedBed(i, j) + t;
      }
  }
  // Every corner takes the mean level of its wet columns.
  for (int n = 1; n <= NoBlocks && n < 100; ++n) {
    const BlockRecord& B = block[n];
    if (!layerBlock(B)) continue;
    for (int i = std::max(B.i1, 1) - 1; i <= std::min(B.i2, xnumber + 1); ++i)
      for (int j = std::max(B.j1, 1) - 1; j <= std::min(B.j2, ynumber + 1); ++j) {
        const int col[4][2] = {{i, j}, {i + 1, j}, {i, j + 1}, {i + 1, j + 1}};
        double sum = 0.0;
        int count = 0;
        for (const auto& p : col) {
          if (p[0] < 1 || p[1] < 1) continue;
          const int b = bedOfColumn(p[0], p[1]);
          if (!wetBed(b)) continue;
          // A column of another block takes its level from its own stack.
          sum += fixedBed(p[0], p[1]) + (BlayerTop[b] < 0 ? 0.0 : stackThickness(b));
          ++count;
        }
        if (count == 0) continue;
        const double change = sum / count - zval[i][j][1];
        zval[i][j][1] += change;
        Surfaces[1][i][j] += change;
      }
  }
  bedChangeTail(false, true, false);
}
