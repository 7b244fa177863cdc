// Cohesion of the bed layers (F 385) and the file `cohesion`:
//   "i j c1 c0 [c2 .. c(NoBedLayers-1)]" per column, c1 the cohesion of
//   layer 1, c0 of layer 0, then the layers above.
#include <cstdio>

#include "io/gridfiles.h"
#include "state/log.h"
#include "state/scanner.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

// The bed cell of column (i, j), 0 for none: element 0 of the bed arrays
// belongs to no bed cell and is never written.
int bedCellOf(int i, int j) {
  const int p = pointbed[i][j];
  return p >= 1 && p < bedCellCapacity() ? p : 0;
}

int lastLayer() { return NoBedLayers - 1 > 1 ? NoBedLayers - 1 : 1; }

void initialValues() {
  for (int n = 1; n <= NoBlocks && n < 100; ++n) {
    const BlockRecord& B = block[n];
    if (B.kind != 0 || B.gridLevel != 0) continue;
    for (int i = B.i1 < 1 ? 1 : B.i1; i <= B.i2 && i <= xnumber; ++i)
      for (int j = B.j1 < 1 ? 1 : B.j1; j <= B.j2 && j <= ynumber; ++j) {
        const int p = bedCellOf(i, j);
        if (p == 0) continue;
        double value = InitValueCohesion;
        if (FlagCohesion == 4) {
          const int gi[4] = {i, i - 1, i - 1, i}, gj[4] = {j, j, j - 1, j - 1};
          double surface = 0.0, bed = 0.0;
          for (int e = 0; e < 4; ++e) {
            surface += zval[gi[e]][gj[e]][znumber];
            bed += zval[gi[e]][gj[e]][1];
          }
          if (0.25 * (surface - bed) > MinVertDist0) value = 0.0;
        }
        for (int l = 0; l <= lastLayer(); ++l) Bcohesion[l][p] = value;
      }
  }
}

}  // namespace

int setInitialCohesive() {
  if (FlagCohesion <= 0 || !Bcohesion) return FlagCohesion;
  initialValues();
  if (FlagCohesion != 2) return FlagCohesion;

  Scanner s;
  if (!s.open("cohesion")) {
    setMessage("have not been able to open 'cohesion' file ");
    return -20;
  }
  const long limit = static_cast<long>(xnumber + 2) * (ynumber + 2) + 1;
  int records = 0;
  for (long n = 0; n < limit; ++n) {
    s.skipSpace();
    if (s.atEnd()) break;
    const std::size_t at = s.position();
    int ij[2];
    double c[2];
    if (s.readInts(ij, 2) != 2 || s.readDoubles(c, 2) != 2) {
      if (records == 0) return -20;
      unreadableRecord(s, at, "cohesion", "a record is i, j and the cohesion of each bed layer");
    }
    const int i = ij[0], j = ij[1];
    if (!inRange(i, 0, xnumber + 1) || !inRange(j, 0, ynumber + 1)) {
      logf("Error in reading cohesion file: the column (%d,%d) lies outside the G 1 sizes (0..%d, 0..%d)\n", i, j,
           xnumber + 1, ynumber + 1);
      logRecordPlace(s, at, "cohesion");
      fatal(2, nullptr);
    }
    const int p = bedCellOf(i, j);
    if (p > 0) {
      Bcohesion[1][p] = c[0];
      Bcohesion[0][p] = c[1];
    }
    for (int l = 2; l <= NoBedLayers - 1; ++l) {
      double v;
      if (!s.readDouble(v)) unreadableRecord(s, at, "cohesion", "a record is i, j and the cohesion of each bed layer");
      if (p > 0) Bcohesion[l][p] = v;
    }
    ++records;
  }
  logf("Have read %d records from the cohesion file\n", records);
  return records;
}
