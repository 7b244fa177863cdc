// The corner-mean bed change (F 255 3): every grid corner moves by the
// plain mean of the bed changes of the wet columns that meet at it, never
// below the non-erodible level. Erosion cut at that level and the lift of a
// corner that lay below it are booked in the defect sums. Runs on the main
// thread.
#include <algorithm>
#include <cmath>
#include <vector>

#include "bed/bed.h"
#include "bed/bedtail.h"
#include "bed/columns.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"

namespace {

using namespace bedcols;

// The cell of a column around a corner: inside the block's window its
// lowest cell, across an edge the column that the bed cell map holds there.
int cornerColumn(const BlockRecord& B, int i, int j) {
  if (i >= B.i1 && i <= B.i2 && j >= B.j1 && j <= B.j2) return columnCell(i, j);
  return neighbourCell(i, j);
}

}  // namespace

void bedchange3() {
  Barea[0] = 0.0;
  if (FlagBedSmooth == 5) bedsmooth();
  const double kg = SolidFrac * 1000.0 * density;
  // A grid line shared by two blocks moves once.
  const int ni = xnumber + 2, nj = ynumber + 2;
  std::vector<char> moved(static_cast<size_t>(ni) * static_cast<size_t>(nj), 0);
  for (int n = 1; n <= NoBlocks && n < 100; ++n) {
    const BlockRecord& B = block[n];
    if (!bedBlock(B)) continue;
    for (int i = std::max(B.i1 - 1, 0); i <= std::min(B.i2, xnumber + 1); ++i)
      for (int j = std::max(B.j1 - 1, 0); j <= std::min(B.j2, ynumber + 1); ++j) {
        char& done = moved[static_cast<size_t>(i) * nj + j];
        if (done) continue;
        int wetCount = 0;
        double S = 0.0, area = 0.0;
        for (auto [di, dj] : {std::pair{0, 0}, {0, 1}, {1, 1}, {1, 0}}) {
          const int c = cornerColumn(B, i + di, j + dj), b = bedOf(c);
          if (c == 0 || b == 0) continue;
          ++wetCount;
          S += Bedmove[b];
          area += 0.25 * Barea[b];
        }
        if (wetCount == 0) continue;
        done = 1;
        const double asked = S / wetCount, z = zval[i][j][1];
        const double znew = std::max(Surfaces[3][i][j], z + asked);
        Surfaces[1][i][j] += znew - z;
        zval[i][j][1] = znew;
        // Defect: the change asked for less the change made (negative where
        // erosion was cut or a corner below the fixed bed was lifted).
        const double defect = (asked - (znew - z)) * area * kg;
        BedMoveDefectSum += defect;
        BedMoveDefectAbs += std::fabs(defect);
      }
  }
  bedChangeTail(false, false);
}
