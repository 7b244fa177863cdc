// Point Gauss-Seidel solver of the surface equation and its check.
#include <cmath>

#include "state/log.h"
#include "solvers/multigrid.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "surface/surfacesolver.h"

namespace {

inline bool isCell(int c) { return c >= 1 && c <= NoCells; }
inline int cellOr0(int c) { return isCell(c) ? c : 0; }

bool updated(int b) { return b >= 1 && b < 100 && block[b].gridLevel == 0 && SurfUpdate[b] == 1; }

int columnCell(int i, int j) {
  if (i < 0 || j < 0 || i > xnumber + 1 || j > ynumber + 1) return 0;
  return cellOr0(static_cast<int>(zval[i][j][0]));
}

// A row without diagonal (an isolated column that takes the mean of
// neighbours it does not have) leaves its value as it is.
double fivePoint(int c) {
  if (Cap[c] == 0.0) return Cf[c];
  return (Cae[c] * Cf[cellOr0(Ccelle[c])] + Caw[c] * Cf[cellOr0(Ccellw[c])] + Can[c] * Cf[cellOr0(Ccelln[c])] +
          Cas[c] * Cf[cellOr0(Ccells[c])] + Csource[c]) /
         Cap[c];
}

// A diagonal neighbour: across a then b, else across b then a.
int diagonal(const int* a, const int* b, int c) {
  const int x = cellOr0(a[c]);
  const int y = x > 0 ? cellOr0(b[x]) : 0;
  if (y > 0) return y;
  const int z = cellOr0(b[c]);
  return z > 0 ? cellOr0(a[z]) : 0;
}

// Links of weight 0 are skipped: most rows of the nine-point equations
// couple only the downstream (or only the upstream) side, and the diagonal
// neighbours cost two lookups each.
double ninePoint(int c) {
  if (Cap[c] == 0.0) return Cf[c];
  double s = Csource[c];
  if (Cae[c] != 0.0) s += Cae[c] * Cf[cellOr0(Ccelle[c])];
  if (Caw[c] != 0.0) s += Caw[c] * Cf[cellOr0(Ccellw[c])];
  if (Can[c] != 0.0) s += Can[c] * Cf[cellOr0(Ccelln[c])];
  if (Cas[c] != 0.0) s += Cas[c] * Cf[cellOr0(Ccells[c])];
  if (Caee && Caee[c] != 0.0) s += Caee[c] * Cf[diagonal(Ccelln, Ccelle, c)];
  if (Cass && Cass[c] != 0.0) s += Cass[c] * Cf[diagonal(Ccells, Ccelle, c)];
  if (Cann && Cann[c] != 0.0) s += Cann[c] * Cf[diagonal(Ccelln, Ccellw, c)];
  if (Caww && Caww[c] != 0.0) s += Caww[c] * Cf[diagonal(Ccells, Ccellw, c)];
  return s / Cap[c];
}

double lowerBound(int c, double v, bool bounded) {
  if (!bounded || !BLevFroude) return v;
  const int b = Cbed[c];
  if (b < 1 || b >= bedCellCapacity()) return v;
  return std::fmax(v, BLevFroude[b]);
}

int firstOf(int b) { return block[b].firstCell < 1 ? 1 : block[b].firstCell; }
int lastOf(int b) { return block[b].lastCell > NoCells ? NoCells : block[b].lastCell; }

void cellSweeps(bool bounded) {
  for (int it = 0; it < iterSurfSolv2; ++it) {
    for (int b = 1; b <= NoBlocks; ++b) {
      if (!updated(b)) continue;
      for (int c = firstOf(b); c <= lastOf(b); ++c)
        if (Ccellb[c] == 0) Cf[c] = lowerBound(c, fivePoint(c), bounded);
    }
    double sum = 0.0;
    long count = 0;
    for (int b = 1; b <= NoBlocks; ++b) {
      if (!updated(b)) continue;
      for (int c = lastOf(b); c >= firstOf(b); --c) {
        if (Ccellb[c] != 0) continue;
        const double v = lowerBound(c, fivePoint(c), bounded);
        sum += std::fabs(v - Cf[c]);
        ++count;
        Cf[c] = v;
      }
    }
    if (sum / (count + 1e-15) < residualCasulli) break;
  }
}

void plainColumnSweeps(bool bounded) {
  for (int it = 0; it < iterSurfSolv1; ++it)
    for (int dir = 0; dir < 4; ++dir)
      for (int b = 1; b <= NoBlocks; ++b) {
        if (!updated(b)) continue;
        const BlockRecord& B = block[b];
        const bool iDown = dir >= 2, jDown = dir % 2 == 1;
        for (int ii = B.i1; ii <= B.i2; ++ii) {
          const int i = iDown ? B.i1 + B.i2 - ii : ii;
          for (int jj = B.j1; jj <= B.j2; ++jj) {
            const int j = jDown ? B.j1 + B.j2 - jj : jj;
            const int c = columnCell(i, j);
            if (c > 0) Cf[c] = lowerBound(c, ninePoint(c), bounded);
          }
        }
      }
}

// The rows of the nine-point equation gathered per grid column, block by
// block, i outer and j inner: the column cells lie ten and more cells apart,
// so that reading their coefficients from the cell arrays in every sweep
// costs a cache line per coefficient. The sweeps read the rows from here and
// write Cf in place, in the same order and with the same arithmetic.
struct NineRow {
  int c;      // column cell, 0 for a dry column
  int nb[8];  // E, W, N, S, NE, SE, NW, SW
  double ap, source, a[8];
};
NineRow* nineRows = nullptr;
std::size_t nineRowCount = 0;

bool gatherRows() {
  std::size_t n = 0;
  for (int b = 1; b <= NoBlocks; ++b)
    if (updated(b) && block[b].i2 >= block[b].i1 && block[b].j2 >= block[b].j1)
      n += static_cast<std::size_t>(block[b].i2 - block[b].i1 + 1) * static_cast<std::size_t>(block[b].j2 - block[b].j1 + 1);
  if (!nineRows) nineRowCount = 0;
  if (n > nineRowCount) {
    if (nineRows) alloc::release(reinterpret_cast<void**>(&nineRows));
    nineRowCount = 0;
    if (!allocate1(nineRows, n)) return false;
    nineRowCount = n;
  }
  std::size_t r = 0;
  for (int b = 1; b <= NoBlocks; ++b) {
    if (!updated(b)) continue;
    const BlockRecord& B = block[b];
    for (int i = B.i1; i <= B.i2; ++i)
      for (int j = B.j1; j <= B.j2; ++j) {
        NineRow& R = nineRows[r++];
        const int c = columnCell(i, j);
        R.c = c;
        if (c == 0) continue;
        R.ap = Cap[c];
        R.source = Csource[c];
        const int nb[8] = {cellOr0(Ccelle[c]),           cellOr0(Ccellw[c]),           cellOr0(Ccelln[c]),
                           cellOr0(Ccells[c]),           diagonal(Ccelln, Ccelle, c), diagonal(Ccells, Ccelle, c),
                           diagonal(Ccelln, Ccellw, c), diagonal(Ccells, Ccellw, c)};
        const double a[8] = {Cae[c], Caw[c], Can[c], Cas[c], Caee ? Caee[c] : 0.0, Cass ? Cass[c] : 0.0,
                             Cann ? Cann[c] : 0.0, Caww ? Caww[c] : 0.0};
        for (int k = 0; k < 8; ++k) {
          R.nb[k] = nb[k];
          R.a[k] = a[k];
        }
      }
  }
  return true;
}

inline double ninePointRow(const NineRow& R) {
  if (R.ap == 0.0) return Cf[R.c];
  double s = R.source;
  for (int k = 0; k < 8; ++k)
    if (R.a[k] != 0.0) s += R.a[k] * Cf[R.nb[k]];
  return s / R.ap;
}

void columnSweeps(bool bounded) {
  if (iterSurfSolv1 <= 0) return;
  if (!gatherRows()) {
    plainColumnSweeps(bounded);
    return;
  }
  for (int it = 0; it < iterSurfSolv1; ++it)
    for (int dir = 0; dir < 4; ++dir) {
      std::size_t base = 0;
      for (int b = 1; b <= NoBlocks; ++b) {
        if (!updated(b)) continue;
        const BlockRecord& B = block[b];
        if (B.i2 < B.i1 || B.j2 < B.j1) continue;
        const int ni = B.i2 - B.i1 + 1, nj = B.j2 - B.j1 + 1;
        const bool iDown = dir >= 2, jDown = dir % 2 == 1;
        for (int ii = 0; ii < ni; ++ii) {
          const int i = iDown ? ni - 1 - ii : ii;
          const NineRow* line = nineRows + base + static_cast<std::size_t>(i) * nj;
          for (int jj = 0; jj < nj; ++jj) {
            const NineRow& R = line[jDown ? nj - 1 - jj : jj];
            if (R.c > 0) Cf[R.c] = lowerBound(R.c, ninePointRow(R), bounded);
          }
        }
        base += static_cast<std::size_t>(ni) * nj;
      }
    }
}

void threePasses() {
  for (int pass = 0; pass < 3; ++pass)
    for (int b = 1; b <= NoBlocks; ++b) {
      if (!updated(b)) continue;
      const BlockRecord& B = block[b];
      for (int i = B.i2; i >= B.i1; --i) {
        for (int j = B.j1; j <= B.j2; ++j)
          if (const int c = columnCell(i, j)) Cf[c] = fivePoint(c);
        for (int j = B.j2; j >= B.j1; --j)
          if (const int c = columnCell(i, j)) Cf[c] = fivePoint(c);
      }
    }
}

double deltah(int c) {
  const int b = Cbed[c];
  return b >= 1 && b < bedCellCapacity() ? Bdeltah[b] : 0.0;
}

double levelChange(int c) {
  const int b = Cbed[c];
  if (Cap[c] == 0.0) return deltah(c);
  const double src = b >= 1 && b < bedCellCapacity() && BsourceLS ? BsourceLS[b] : 0.0;
  return (Cae[c] * deltah(cellOr0(Ccelle[c])) + Caw[c] * deltah(cellOr0(Ccellw[c])) +
          Can[c] * deltah(cellOr0(Ccelln[c])) + Cas[c] * deltah(cellOr0(Ccells[c])) + src) /
         Cap[c];
}

void levelChangeSweeps() {
  if (!Bdeltah) return;
  for (int it = 0; it < iterSurfSolv1; ++it) {
    for (int b = 1; b <= NoBlocks; ++b) {
      if (!updated(b)) continue;
      for (int c = firstOf(b); c <= lastOf(b); ++c) {
        if (Ccellb[c] != 0 || Cbed[c] < 1 || Cbed[c] >= bedCellCapacity()) continue;
        const double v = levelChange(c);
        Bdeltah[Cbed[c]] = std::fabs(v) < 1e-80 ? 0.0 : v;
      }
    }
    for (int b = 1; b <= NoBlocks; ++b) {
      if (!updated(b)) continue;
      for (int c = lastOf(b); c >= firstOf(b); --c)
        if (Ccellb[c] == 0 && Cbed[c] >= 1 && Cbed[c] < bedCellCapacity()) Bdeltah[Cbed[c]] = levelChange(c);
    }
  }
}

void multigridStep(bool casulliAllowed) {
  if (casulliAllowed && FlagTFS == 9 && FlagMGSurf == 0)
    AlgMGSurfCasulli();
  else
    AlgMGSurf();
}

}  // namespace

void surfaceSolver(int mode) {
  if (!Cf || !zval) return;
  switch (mode) {
    case 4:
      if (FlagBugFind == 1) surfaceBugtrap(8);
      if (Flag2DAccSolver > 0 && BlockCasulli > 2) multigridStep(true);
      if (FlagBugFind == 1) surfaceBugtrap(9);
      cellSweeps(false);
      break;
    case 43:
      if (Flag2DAccSolver > 0 && (iterSurfSolv2 < 10 || BlockCasulli == 3)) multigridStep(false);
      cellSweeps(true);
      break;
    case 8:
      columnSweeps(false);
      break;
    case 83:
      columnSweeps(true);
      break;
    case 42:
      threePasses();
      break;
    case 41:
      levelChangeSweeps();
      break;
    default:
      break;
  }
  // The lowest levels of the grid-split prevention bound water levels: not
  // the roughness field that the roughness interpolation solves here.
  if (FlagNoGridSplit > 0 && Bminlevdh && NoBlocks >= 1 && Cf != Croughness) {
    const BlockRecord& B = block[1];
    for (int i = B.i1; i <= B.i2; ++i)
      for (int j = B.j1; j <= B.j2; ++j) {
        const int c = columnCell(i, j);
        if (c == 0 || Cbed[c] < 1 || Cbed[c] >= bedCellCapacity()) continue;
        Cf[c] = std::fmax(Cf[c], Bminlevdh[Cbed[c]]);
      }
  }
}

void surfaceBugtrap(int location) {
  double sumAp = 0, sumSource = 0, sumF = 0;
  long n = 0;
  for (int b = 1; b <= NoBlocks; ++b) {
    if (!updated(b)) continue;
    const BlockRecord& B = block[b];
    for (int i = B.i1; i <= B.i2; ++i)
      for (int j = B.j1; j <= B.j2; ++j) {
        const int c = columnCell(i, j);
        if (c == 0 || !(Cap[c] < 1e10)) continue;
        sumSource += Csource[c];
        sumAp += Cap[c];
        sumF += Cf[c];
        ++n;
      }
    for (int c = firstOf(b); c <= lastOf(b); ++c) {
      if (Ccellb[c] != 0) continue;
      const double v = Cf[c];
      const bool strange = std::isnan(v) || (std::fabs(v) > 1e-10 && (Cap[c] < 1e-5 || Cae[c] < -1e-10 ||
                                                                        Caw[c] < -1e-10 || Cas[c] < -1e-10 ||
                                                                        Can[c] < -1e-10 || v > 1000 || v < -1000));
      if (!strange) continue;
      const int bc = Cbed[c];
      const double fr = BFroude && bc >= 1 && bc < bedCellCapacity() ? BFroude[bc] : 0.0;
      logf("Warning, strange values in surface algorithm, F 36 %d, cell %d\n", FlagTFS, c);
      logf("Called from location %d\n", location);
      logf("Cap, Cae, Caw, Cas, Can, Cf, Csource = %lf %lf %lf %lf %lf %lf %lf\n", Cap[c], Cae[c], Caw[c], Cas[c],
           Can[c], v, Csource[c]);
      logf("Froude no.: %lf\n", fr);
    }
  }
  if (location == 9 && debugging == 'D') {
    logf("Special data for F 369 1: \n");
    for (int b = 1; b <= 12 && b < 100; ++b) logf("Block %d, cellstart %d, cellend %d\n", b, block[b].firstCell, block[b].lastCell);
    logf("\n");
  }
  if (FlagTFS == 4 || FlagTFS == 7)
    logf("Surface sums: Cap = %lf, Csource = %lf, Cf = %lf\n", sumAp / (n + 1e-20), sumSource / (n + 1e-20),
         sumF / (n + 1e-20));
}
