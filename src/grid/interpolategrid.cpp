// Carry-over of the fields to a changed grid, column by column: the cells of
// each water column of the new grid take the values of the same column in the
// old grid, newly wet columns are filled from their wet neighbours, and the
// carried fields become the previous-time-step fields of the new grid.
#include <cmath>
#include <initializer_list>

#include "grid/fieldmap.h"
#include "state/log.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

inline bool isCell(int c) { return c >= 1 && c <= NoCells; }
// Cells of the old grid: numbered within the arrays, not within the new count.
inline bool isOldCell(int c) { return c >= 1 && c < MaxCeller; }

// Old field f at cell a.
struct Fields {
  double* now[7];
  double* old[7];
};

Fields fields() {
  return {{Cxvel, Cyvel, Czvel, Cpres, Ckinen, Cepsilon, CinvAp},
          {Cxvel_old, Cyvel_old, Czvel_old, Cpres_old, Ckinen_old, Cepsilon_old, CinvAp_old}};
}

// Cell c takes old cell a: velocities times s, concentrations times r.
void copyCell(const Fields& F, int c, int a, double s, double r) {
  for (int q = 0; q < 7; ++q) {
    if (!F.old[q]) continue;
    F.now[q][c] = F.old[q][a] * (q < 3 ? s : 1.0);
  }
  for (int l = 1; l <= lnumber; ++l) Cconc[l][c] = Cconc_old[l][a] * r;
}

// Cell c takes old[a] (1 - f) + old[a + 1] f of every field.
void blendCells(const Fields& F, int c, int a, double f) {
  for (int q = 0; q < 7; ++q)
    if (F.old[q]) F.now[q][c] = F.old[q][a] * (1.0 - f) + F.old[q][a + 1] * f;
  for (int l = 1; l <= lnumber; ++l) Cconc[l][c] = Cconc_old[l][a] * (1.0 - f) + Cconc_old[l][a + 1] * f;
}

void carryColumn(const Fields& F, int b) {
  const int n = Bnocells[b], nOld = Bnocells_old[b], c = Bcellt[b], cOld = Bcellt_old[b];
  if (n <= 0 || nOld <= 0 || !isCell(c) || !isOldCell(cOld)) return;
  if (!isCell(c + n - 1) || !isOldCell(cOld + nOld - 1)) return;
  const double r = std::fmax(Bdepth_old[b], 0.001) / (Bdepth[b] + 1e-20);
  const double s = FlagScaleInterpol == 1 ? std::fmin(r, 1.0) : 1.0;

  if (n == nOld) {
    for (int m = 0; m < n; ++m) copyCell(F, c + m, cOld + m, s, r);
    return;
  }
  if (nOld == 1) {
    for (int m = 0; m < n; ++m) copyCell(F, c + m, cOld, s, r);
    return;
  }
  if (n == 1) {
    for (int q = 0; q < 7; ++q) {
      if (!F.old[q]) continue;
      double sum = 0.0;
      for (int m = 0; m < nOld; ++m) sum += F.old[q][cOld + m];
      F.now[q][c] = sum * s / nOld;
    }
    for (int l = 1; l <= lnumber; ++l) {
      double sum = 0.0;
      for (int m = 0; m < nOld; ++m) sum += Cconc_old[l][cOld + m];
      Cconc[l][c] = sum * s * r / nOld;
    }
    return;
  }
  // Redistribution: the bottom and top cells take the old ones as they are.
  copyCell(F, c, cOld, 1.0, 1.0);
  copyCell(F, c + n - 1, cOld + nOld - 1, 1.0, 1.0);
  const int oldTop = cOld + nOld - 1;
  for (int m = 1; m <= n - 2; ++m) {
    const int cell = c + m;
    switch (ExtrapAlgo1) {
      case 0: {
        if (!Czcenter_old) break;
        const double z = Czcenter[cell];
        int above = oldTop;
        for (int k = cOld + 1; k <= oldTop; ++k)
          if (Czcenter_old[k] > z) {
            above = k;
            break;
          }
        const int a = above - 1;
        const double span = Czcenter_old[above] - Czcenter_old[a];
        double keep = span != 0.0 ? (Czcenter_old[above] - z) / span : 0.0;
        keep = std::fmin(1.0, std::fmax(0.0, keep));
        blendCells(F, cell, a, 1.0 - keep);
        break;
      }
      case 1: {
        double x = (m + 1.0) * nOld / n;
        x = std::fmin(std::fmax(x, 1.0), nOld - 1.0);
        const int ix = static_cast<int>(x);
        blendCells(F, cell, cOld + ix - 1, x - ix);
        break;
      }
      case 2: {
        const double x = (m + 0.5) * nOld / n + 0.5;
        int ix = static_cast<int>(x);
        ix = ix < 1 ? 1 : ix > nOld - 1 ? nOld - 1 : ix;
        const double f = std::fmin(1.0, std::fmax(0.0, x - ix));
        blendCells(F, cell, cOld + ix - 1, f);
        break;
      }
      default: break;
    }
  }
  // The sediment volume per unit area of the column stays the same.
  if (ExtrapAlgo1 == 2 && Ckdist_old)
    for (int l = 1; l <= lnumber; ++l) {
      double before = 0.0, after = 0.0;
      for (int m = 0; m < nOld; ++m) before += Cconc_old[l][cOld + m] * Ckdist_old[cOld + m];
      for (int m = 0; m < n; ++m) after += Cconc[l][c + m] * Ckdist[c + m];
      const double factor = before / (after + 1e-30);
      for (int m = 0; m < n; ++m) Cconc[l][c + m] *= factor;
    }
}

// Hydrostatic pressure down from cell c: each cell gets the weight of the
// full cells above it plus its own upper half.
void hydrostaticDown(int c) {
  double above = 0.0;
  for (int steps = 0; isCell(c) && steps < NoCells; ++steps) {
    Cpres[c] = 9810.0 * (above + Ckdist[c]);
    above += 2.0 * Ckdist[c];
    c = Ccellb[c];
  }
}

void thixotropicLayer() {
  if (Iter > 0 && Bthixolev && Cthixolev && Cthixorat)
    for (int bb = 1; bb <= NoBlocks && bb < 100; ++bb) {
      const BlockRecord& B = block[bb];
      if (B.subBed <= 0) continue;
      for (int i = B.i1 < 0 ? 0 : B.i1; i <= B.i2 && i <= xnumber + 1; ++i)
        for (int j = B.j1 < 0 ? 0 : B.j1; j <= B.j2 && j <= ynumber + 1; ++j) {
          int c = static_cast<int>(zval[i][j][0]);
          for (int steps = 0; isCell(c) && steps < NoCells; ++steps) {
            const int b = Cbed[c];
            const bool above = b >= 1 && Czcenter[c] > Bthixolev[b];
            Cthixolev[c] = above ? TransInnerIter / 2 : -2;
            Cthixorat[c] = above ? 1.2 : 0.0;
            c = Ccellt[c];
          }
        }
    }
  if (NoBlocks >= 2 && NoBlocks < 100 && block[NoBlocks].subBed > 0) {
    const int lastFirst = block[NoBlocks].firstCell;
    const int last = block[NoBlocks].lastCell > NoCells ? NoCells : block[NoBlocks].lastCell;
    for (int c = block[2].firstCell < 1 ? 1 : block[2].firstCell; c <= last; ++c)
      if (Ccellt[c] < lastFirst) hydrostaticDown(c);
  }
  if (FlagThixo > 1 && FlagUnstrucThixo > 0 && Bcelltt_old && NoBlocks >= 2) {
    const BlockRecord& B2 = block[2];
    for (int b = B2.firstBedCell < 1 ? 1 : B2.firstBedCell; b <= B2.lastBedCell && b <= NoBCells; ++b) {
      const int c = Bcellt[b], n = Bnocells[b], nOld = Bnocells_old[b];
      if (!isCell(c) || n < 2 || !isCell(Ccellt[c])) continue;
      const int c2 = Ccellt[c], t = Bcelltt_old[b];
      if (!isCell(c2 + n - 2)) continue;
      if (n == nOld && isOldCell(t) && isOldCell(t + n - 2)) {
        for (int m = 0; m < n - 1; ++m) {
          Cxvel[c2 + m] = Cxvel_old[t + m];
          Cyvel[c2 + m] = Cyvel_old[t + m];
          Czvel[c2 + m] = Czvel_old[t + m];
          Cpres[c2 + m] = Cpres_old[t + m];
        }
      } else if (t <= 1) {
        for (int m = n - 2; m >= 0; --m) Cxvel[c2 + m] = Cyvel[c2 + m] = Czvel[c2 + m] = 0.0;
        Cxvel[c] = Cyvel[c] = Czvel[c] = 0.0;
        hydrostaticDown(c2 + n - 2);
      } else if (n != nOld) {
        const double inv = 1.0 / (nOld - 1);
        double height = 0.0, u = 0.0, v = 0.0, w = 0.0;
        for (int m = 0; m < nOld - 1 && isOldCell(t + m); ++m) {
          height += 2.0 * Ckdist[t + m];
          u += Cxvel_old[t + m], v += Cyvel_old[t + m], w += Czvel_old[t + m];
        }
        if (std::isnan(inv) || std::isinf(inv) || std::isnan(1.0 / height))
          fatal(-8, "Error in extrapolation, AAA\n\n");
        for (int m = n - 2; m >= 0; --m) {
          Cxvel[c2 + m] = u * inv;
          Cyvel[c2 + m] = v * inv;
          Czvel[c2 + m] = w * inv;
        }
        Cxvel[c] = Cyvel[c] = Czvel[c] = 0.0;
      }
    }
  }
}

// Deposits of the columns that fell dry, from the former bottom cell of the
// old grid (its concentrations and height before the change).
void plasticDeposits() {
  if (FlagPlastics <= 0 || !BplasticDeposits) return;
  for (int b = 1; b <= NoBCells; ++b) {
    const int cOld = Bcellt_old[b];
    if (Bcellt[b] != 0 || !isOldCell(cOld)) continue;
    const double half = Ckdist_old ? Ckdist_old[cOld]
                                   : (Bnocells_old[b] > 0 ? 0.5 * Bdepth_old[b] / Bnocells_old[b] : 0.0);
    for (int l = 1; l <= lnumber; ++l)
      BplasticDeposits[l][b] += 2.0 * Cconc_old[l][cOld] * half * density * 1000.0;
  }
}

void smoothPressures() {
  if (FlagConnectStability < 1 || FlagConnectStability > 99) return;
  Ccelln[0] = 0;
  auto relax = [](int c, int d, double h) {
    if (!isCell(d) || !(std::fabs(Cpres[c] - Cpres[d]) / (19620.0 * h) > 1.0)) return;
    const double m = 0.5 * 0.33 * (Cpres[c] + Cpres[d]);
    Cpres[c] = 0.67 * Cpres[c] + m;
    Cpres[d] = 0.67 * Cpres[d] + m;
    for (int x : {c, d}) {
      int u = Ccellt[x];
      for (int steps = 0; isCell(u) && steps < NoCells; ++steps) {
        Cpres[u] = Cpres[x];
        u = Ccellt[u];
      }
    }
  };
  for (int pass = 0; pass < FlagConnectStability; ++pass)
    for (int bb = 1; bb <= NoBlocks && bb < 100; ++bb) {
      const BlockRecord& B = block[bb];
      for (int i = B.i1 < 0 ? 0 : B.i1; i <= B.i2 && i <= xnumber + 1; ++i)
        for (int j = B.j1 < 0 ? 0 : B.j1; j < B.j2 && j <= ynumber + 1; ++j) {
          const int c = static_cast<int>(zval[i][j][0]);
          if (isCell(c)) relax(c, Ccelln[c], isCell(Ccelln[c]) ? Cjdist[Ccelln[c]] : 1.0);
        }
      for (int i = B.i1 < 0 ? 0 : B.i1; i < B.i2 && i <= xnumber + 1; ++i)
        for (int j = B.j1 < 0 ? 0 : B.j1; j <= B.j2 && j <= ynumber + 1; ++j) {
          const int c = static_cast<int>(zval[i][j][0]);
          if (isCell(c)) relax(c, Ccelle[c], isCell(Ccelle[c]) ? Cidist[Ccelle[c]] : 1.0);
        }
    }
}

}  // namespace

void InterpolateGrid() {
  if (FlagNeedsToBeInterpolated == 0 || !Bnocells || !Cxvel_old || !Cconc_old) return;
  const Fields F = fields();
  // Every cell starts empty: a cell number of the new grid has nothing to do
  // with the cell of that number in the old grid.
  for (int c = 1; c <= NoCells; ++c)
    for (double* a : F.now) a[c] = 0.0;
  for (int l = 1; l <= lnumber; ++l)
    for (int c = 1; c <= NoCells; ++c) Cconc[l][c] = 0.0;
  if (Cthixorat && Cthixolev)
    for (int c = 1; c <= NoCells; ++c) {
      Cthixolev[c] = 0;
      Cthixorat[c] = 0.0;
    }
  if (FlagExtraDebug == 1) logf("In InterpolateGrid before interpolation %d %d\n", NoCells, NoCells0);

  for (int b = 1; b <= NoBCells; ++b) carryColumn(F, b);

  if (FlagExtraDebug == 1) logf("In InterpolateGrid before extrapolation\n");
  if (ExtrapAlgo2 >= 2 && ExtrapAlgo2 <= 4)
    WettingExtrapolation2();
  else if (ExtrapAlgo2 == 5)
    WettingExtrapolation5();
  else
    WettingExtrapolation1();
  if (FlagExtraDebug == 1) logf("In InterpolateGrid after extrapolation\n");
  if (Iter > 2 && FlagPressureTest == 1) PressureTest();

  if (FlagThixo > 0) thixotropicLayer();
  plasticDeposits();

  for (int c = 1; c <= NoCells; ++c) {
    double sum = 0.0;
    for (int l = 1; l <= lnumber; ++l) {
      sum += Cconc[l][c];
      Cconc_old[l][c] = Cconc[l][c];
    }
    Cconc[0][c] = sum;
    for (int q = 0; q < 7; ++q)
      if (F.old[q]) F.old[q][c] = F.now[q][c];
  }

  if (FlagUnstrucThixo > 0 && NoBCells > 0 && NoBlocks >= 2 && block[2].lastBedCell > 1 && Bcelltt_old) {
    for (int b = block[1].firstBedCell < 1 ? 1 : block[1].firstBedCell; b <= block[1].lastBedCell && b <= NoBCells; ++b)
      Bcelltt_old[b] = 0;
    for (int b = block[2].firstBedCell < 1 ? 1 : block[2].firstBedCell; b <= block[2].lastBedCell && b <= NoBCells; ++b)
      Bcelltt_old[b] = isOldCell(Bcellt_old[b]) ? Ccellt[Bcellt_old[b]] : 0;
  }

  if (debugging == 'D')
    for (int l = 0; l <= lnumber; ++l)
      for (int c = 1; c <= NoCells; ++c) {
        const double v = Cconc[l][c];
        if (v > 1.0 || v < 0.0 || std::isnan(v))
          logf("Error in extrapolation of concentrations, Cconc[%d][%d] = %lf\n", l, c, v);
      }

  smoothPressures();
}
