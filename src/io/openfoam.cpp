// The water surface from the water fraction `alpha1` of an OpenFOAM case
// computed on the cells of this grid (F 349 1): in every water column of
// block 1 the level where the fraction crosses one half, averaged to the
// grid lines. With F 354 only the level of one column is logged.
//
// Of the field file only the list after the first '>' is read: the number of
// values, '(' and one value per cell, cell 1 first.
#include <cstdio>
#include <vector>

#include "state/log.h"
#include "io/modelfiles.h"
#include "state/scanner.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

// The level of column (i, j): where the fraction falls from above one half to
// below it between two cell centres; the bed level for a column whose lowest
// cell is not under water; the present level when no crossing is found.
double columnLevel(const std::vector<double>& alpha, int i, int j) {
  int c = static_cast<int>(zval[i][j][0]);
  if (c < 0 || c > NoCells) c = 0;
  if (alpha[c] < 0.5) return zval[i][j][1];
  for (int steps = 0; steps < NoCells; ++steps) {
    const int a = Ccellt[c];
    if (a < 1 || a > NoCells) break;
    if (alpha[c] > 0.5 && alpha[a] < 0.5) {
      const double f = (alpha[c] - 0.5) / (alpha[c] - alpha[a]);
      return (1.0 - f) * Czcenter[c] + f * Czcenter[a];
    }
    c = a;
  }
  return zval[i][j][znumber];
}

}  // namespace

void OpenFOAM_MakeSurface() {
  Scanner s;
  if (!s.open("alpha1")) fatal(-88, "Error: can not open alpha1 file\n");
  for (int n = 0; n < 100000; ++n) {
    const int ch = s.get();
    if (ch < 0 || ch == '>') break;
  }
  int count;
  if (!s.readInt(count)) fatal(-89, "Error in reading number of cells from alpha 1 file\n");
  if (count != NoCells) fatal(-89, "Error in reading alpha 1 file: number of cells is %d, not %d\n", count, NoCells);
  s.skipSpace();
  if (s.peek() == '(') s.get();
  // The fractions have a buffer of their own; element 0 (no cell) is dry.
  std::vector<double> alpha(static_cast<std::size_t>(NoCells) + 1, 0.0);
  for (int k = 1; k <= NoCells; ++k)
    if (!s.readDouble(alpha[k])) fatal(-90, "Error in reading alpha 1 file at cell no. %d\n", k);

  if (NoBlocks < 1) fatal(2, "Error: the water surface from alpha1 needs block 1 of the grid\n");
  const BlockRecord& B = block[1];
  const int i1 = B.i1, i2 = B.i2, j1 = B.j1, j2 = B.j2;
  if (i1 < 1 || j1 < 1 || i2 > xnumber || j2 > ynumber || i2 < i1 || j2 < j1)
    fatal(2, "Error: the water surface from alpha1 needs block 1 of the grid inside the G 1 sizes\n");
  const int top = znumber + 1;
  for (int i = i1; i <= i2; ++i)
    for (int j = j1; j <= j2; ++j) zval[i][j][top] = columnLevel(alpha, i, j);

  if (OpenFOAMprintI > 0) {
    const int pi = OpenFOAMprintI, pj = OpenFOAMprintJ;
    if (pi < i1 || pi > i2 || pj < j1 || pj > j2)
      fatal(2, "Error: F 354 names the column (%d,%d), which is not a column of block 1 (%d..%d, %d..%d)\n", pi, pj,
            i1, i2, j1, j2);
    logf("water level alpha1(%d,%d): %lf\n", pi, pj, zval[pi][pj][top]);
    return;
  }

  auto v = [top](int i, int j) { return zval[i][j][top]; };
  auto z = [](int i, int j) -> double& { return zval[i][j][znumber]; };
  for (int i = i1; i <= i2 - 1; ++i)
    for (int j = j1; j <= j2 - 1; ++j) z(i, j) = 0.25 * (v(i, j) + v(i + 1, j) + v(i, j + 1) + v(i + 1, j + 1));
  for (int i = i1; i <= i2 - 1; ++i) {
    z(i, j1 - 1) = 0.5 * (v(i, j1) + v(i + 1, j1));
    z(i, j2) = 0.5 * (v(i, j2) + v(i + 1, j2));
  }
  for (int j = j1; j <= j2 - 1; ++j) {
    z(i1 - 1, j) = 0.5 * (v(i1, j) + v(i1, j + 1));
    z(i2, j) = 0.5 * (v(i2, j) + v(i2, j + 1));
  }
  z(i1 - 1, j1 - 1) = v(i1, j1);
  z(i2, j1 - 1) = v(i2, j1);
  z(i1 - 1, j2) = v(i1, j2);
  z(i2, j2) = v(i2, j2);
  for (int i = i1 - 1; i <= i2 - 1; ++i)
    for (int j = j1 - 1; j <= j2 - 1; ++j) zval[i][j][top] = z(i, j);
}
