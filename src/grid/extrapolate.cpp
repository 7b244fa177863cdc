// Values of the water columns that are wet for the first time after a grid
// change: the bottom cell takes them from its wet neighbours, sweep after
// sweep, the cells above take the bottom cell's values, and the concentrations
// start at 0. PressureTest reports new columns left without a pressure or with
// a steep one.
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
inline bool isOldCell(int c) { return c >= 1 && c < MaxCeller; }
inline bool present(double p) { return std::fabs(p) > 1e-8; }

bool newlyWet(int b) { return b >= 1 && b <= NoBCells && Bnocells_old[b] == 0 && Bnocells[b] >= 1 && isCell(Bcellt[b]); }

int bedCellAt(int i, int j) {
  if (i < 0 || j < 0 || i > xnumber + 1 || j > ynumber + 1) return 0;
  const int b = pointbed[i][j];
  return b >= 1 && b <= NoBCells ? b : 0;
}

int bottomCellAt(int i, int j) {
  if (i < 0 || j < 0 || i > xnumber + 1 || j > ynumber + 1) return 0;
  const int c = static_cast<int>(zval[i][j][0]);
  return isCell(c) ? c : 0;
}

// The values that neighbours hand to a new bottom cell.
struct Gather {
  int k = 0;
  double p = 0, ke = 0, eps = 0, invAp = 0, u = 0, v = 0, w = 0;
  void add(double p_, double k_, double e_, double a_, double u_, double v_, double w_) {
    ++k;
    p += p_, ke += k_, eps += e_, invAp += a_, u += u_, v += v_, w += w_;
  }
  void addCell(int c) { add(Cpres[c], Ckinen[c], Cepsilon[c], CinvAp[c], Cxvel[c], Cyvel[c], Czvel[c]); }
  void addOldCell(int c) {
    add(Cpres_old[c], Ckinen_old[c], Cepsilon_old[c], CinvAp_old ? CinvAp_old[c] : 0.0, Cxvel_old[c], Cyvel_old[c],
        Czvel_old[c]);
  }
  // Sets cell c; true when a value changed. Velocities are the factor times
  // the sum of the neighbours' velocities, the other fields means.
  bool apply(int c) const {
    if (k == 0) return false;
    const double n = k;
    const double nv[7] = {p / n, ExtrapRelK * ke / n, ExtrapRelE * eps / n, invAp / n,
                          ExtrapRelVel * u,  ExtrapRelVel * v,       ExtrapRelVel * w};
    double* const f[7] = {Cpres, Ckinen, Cepsilon, CinvAp, Cxvel, Cyvel, Czvel};
    bool changed = false;
    for (int q = 0; q < 7; ++q) {
      if (f[q][c] != nv[q]) changed = true;
      f[q][c] = nv[q];
    }
    return changed;
  }
};

void zeroConcentrations(int c) {
  for (int l = 0; l <= lnumber; ++l) Cconc[l][c] = 0.0;
}

// The cells above the bottom cell take its values; concentrations are 0.
void spread(int b) {
  const int c = Bcellt[b], n = Bnocells[b];
  zeroConcentrations(c);
  double* const f[7] = {Cpres, Ckinen, Cepsilon, CinvAp, Cxvel, Cyvel, Czvel};
  for (int m = 1; m < n && isCell(c + m); ++m) {
    for (double* a : f) a[c + m] = a[c];
    zeroConcentrations(c + m);
  }
}

void clearColumn(int b, bool allFields) {
  const int c = Bcellt[b], n = Bnocells[b];
  for (int m = 0; m < n && isCell(c + m); ++m) {
    Cpres[c + m] = 0.0;
    if (allFields) Ckinen[c + m] = Cepsilon[c + m] = CinvAp[c + m] = Cxvel[c + m] = Cyvel[c + m] = Czvel[c + m] = 0.0;
  }
}

// Pressure of the nearest column along j of block 1 that was wet before.
void seedPressures() {
  const BlockRecord& B = block[1];
  for (int i = B.i1; i <= B.i2; ++i)
    for (int j = B.j1; j <= B.j2; ++j) {
      const int b = bedCellAt(i, j);
      if (!newlyWet(b)) continue;
      const bool down = j > B.j2 / 2 + 1;
      for (int jj = down ? j - 1 : j + 1; down ? jj >= B.j1 : jj <= B.j2; jj += down ? -1 : 1) {
        const int nb = bedCellAt(i, jj);
        if (nb < 1 || Bnocells_old[nb] <= 0) continue;
        Cpres[Bcellt[b]] = isCell(Bcellt[nb]) ? Cpres[Bcellt[nb]] : 0.0;
        break;
      }
    }
}

// Forward and backward sweeps until one pair changes nothing.
template <class Neighbours>
void sweepPairs(Neighbours neighbours) {
  for (int it = 0; it < ExtrapIter; ++it) {
    bool changed = false;
    for (int pass = 0; pass < 2; ++pass)
      for (int s = 1; s <= NoBCells; ++s) {
        const int b = pass == 0 ? s : NoBCells + 1 - s;
        if (!newlyWet(b)) continue;
        Gather g;
        neighbours(b, g);
        if (g.apply(Bcellt[b])) changed = true;
      }
    if (!changed) break;
  }
}

}  // namespace

void WettingExtrapolation1() {
  for (int b = 1; b <= NoBCells; ++b)
    if (newlyWet(b)) clearColumn(b, false);
  if (ExtrapIter < 1) return;
  for (int sweep = 1; sweep <= ExtrapIter; ++sweep)
    for (int b = 1; b <= NoBCells; ++b) {
      if (!newlyWet(b)) continue;
      const int c = Bcellt[b], i = Bkooi[b], j = Bkooj[b];
      const int sides[4][3] = {{i + 1, j, Ccelle[c]}, {i - 1, j, Ccellw[c]}, {i, j + 1, Ccelln[c]}, {i, j - 1, Ccells[c]}};
      Gather g;
      for (const auto& s : sides) {
        const int nb = bedCellAt(s[0], s[1]);
        if (nb < 1 || !isCell(Bcellt[nb]) || s[2] < 1) continue;
        if (Bnocells_old[nb] >= 1 && isOldCell(Bcellt_old[nb])) {
          g.addOldCell(Bcellt_old[nb]);
        } else if (ExtrapAlgo2 == 1 && sweep >= 2 && present(Cpres[Bcellt[nb]])) {
          g.addCell(Bcellt[nb]);
        }
      }
      g.apply(c);
      spread(b);
    }
}

void WettingExtrapolation2() {
  Bnocells_old[0] = 0;
  for (int b = 1; b <= NoBCells; ++b)
    if (newlyWet(b)) clearColumn(b, true);
  if (ExtrapAlgo2 == 4 && Iter > 0) seedPressures();
  if (ExtrapIter >= 1)
    sweepPairs([](int b, Gather& g) {
      const int c = Bcellt[b];
      for (int d : {Ccelle[c], Ccellw[c], Ccells[c], Ccelln[c]})
        if (isCell(d) && present(Cpres[d])) g.addCell(d);
    });
  if (ExtrapAlgo2 == 3 && Iter > 0) seedPressures();
  for (int b = 1; b <= NoBCells; ++b)
    if (newlyWet(b)) spread(b);
}

void WettingExtrapolation5() {
  Bnocells_old[0] = 0;
  for (int b = 1; b <= NoBCells; ++b)
    if (newlyWet(b)) clearColumn(b, true);
  if (ExtrapIter >= 1)
    sweepPairs([](int b, Gather& g) {
      const int c = Bcellt[b], i = Bkooi[b], j = Bkooj[b];
      const int sides[4][3] = {{i + 1, j, Ccelle[c]}, {i - 1, j, Ccellw[c]}, {i, j + 1, Ccelln[c]}, {i, j - 1, Ccells[c]}};
      for (const auto& s : sides) {
        const int d = bottomCellAt(s[0], s[1]);
        if (s[2] >= 1 && d >= 1 && present(Cpres[d])) g.addCell(d);
      }
    });
  const BlockRecord& B = block[1];
  for (int b = 1; b <= NoBCells; ++b) {
    if (!newlyWet(b)) continue;
    const int c = Bcellt[b];
    if (present(Cpres[c])) continue;
    Cxvel[c] = Cyvel[c] = Czvel[c] = Ckinen[c] = Cepsilon[c] = 0.0;
    const int i = Bkooi[b];
    double sum = 0.0;
    int n = 0;
    for (int j = B.j1; j <= B.j2; ++j) {
      const int d = bottomCellAt(i, j);
      if (d >= 1 && present(Cpres[d])) {
        sum += Cpres[d];
        ++n;
      }
    }
    if (n > 0) Cpres[c] = sum / n;
  }
  for (int b = 1; b <= NoBCells; ++b)
    if (newlyWet(b)) spread(b);
}

void PressureTest() {
  if (debugging != 'D') return;
  const char* hint = "The problem could be due to the choise on the F 147 data set in the control file.\n";
  for (int b = 1; b <= NoBCells; ++b) {
    const int c = Bcellt[b], cOld = Bcellt_old[b], i = Bkooi[b], j = Bkooj[b];
    const int nbN = bedCellAt(i, j + 1), nbS = bedCellAt(i, j - 1), nbE = bedCellAt(i + 1, j), nbW = bedCellAt(i - 1, j);
    const bool skipThixo = FlagThixo >= 1 && IONo == 0 && NoBlocks >= 2 && b < block[2].firstBedCell;
    if (cOld == 0 && isCell(c) && !present(Cpres[c]) && !skipThixo) {
      logf("Error in extrapolation, non-interpolated pressure\n");
      if (ExtrapAlgo2 < 2) logf("%s", hint);
      logf("BCell = %d, pointbed = %d, Cellno = %d\n", b, pointbed[i][j], c);
      if (Bponds) logf("Bponds = %d\n", Bponds[b]);
      logf("Pres = %lf, Pres_old = %lf\n", Cpres[c], Cpres_old[0]);
      logf("Iter %d, Grid no. [%d,%d]\n", Iter, i, j);
      logf("Bcellt_old(%d) = %d, Bnocells_old = %d, Bnocells = %d\n", b, cOld, Bnocells_old[b], Bnocells[b]);
      const struct {
        const char* text;
        int cell, nb;
      } sides[4] = {{"Ccelln, Bcellt_old, Pres_old, Pres, n = %d, %d, %lf %lf\n", Ccelln[c], nbN},
                    {"Ccells, Bcellt_old, Pres_old, Pres, s = %d, %d, %lf %lf\n", Ccells[c], nbS},
                    {"Ccelle, Bcellt_old, Pres_old, Pres, e = %d, %d, %lf %lf\n", Ccelle[c], nbE},
                    {"Ccellw, Bcellt_old, Pres_old, Pres, w = %d, %d, %lf %lf\n", Ccellw[c], nbW}};
      for (const auto& s : sides) {
        const int d = isCell(s.cell) ? s.cell : 0;
        const int newBottom = s.nb >= 1 && isCell(Bcellt[s.nb]) ? Bcellt[s.nb] : 0;
        logf(s.text, d, s.nb >= 1 ? Bcellt_old[s.nb] : 0, Cpres_old[d], Cpres[newBottom]);
      }
      logf("\n");
    }
    if (!newlyWet(b)) continue;
    const struct {
      const char* warning;
      const char* pres;
      int d;
      bool alongJ;
    } steep[4] = {{"Warning in extrapolation, too high pressure gradients-south\n",
                   "Pres = %lf, Pres_old = %lf, Pres_s = %lf\n", Ccells[c], true},
                  {"Warning in extrapolation, too high pressure gradients-north\n",
                   "Pres = %lf, Pres_old = %lf, Pres_n = %lf\n", Ccelln[c], true},
                  {"Warning in extrapolation, too high pressure gradients-east\n",
                   "Pres = %lf, Pres_old = %lf, Pres_e = %lf\n", Ccelle[c], false},
                  {"Warning in extrapolation, too high pressure gradients-west\n",
                   "Pres = %lf, Pres_old = %lf, Pres_w = %lf\n", Ccellw[c], false}};
    for (const auto& s : steep) {
      if (!isCell(s.d)) continue;
      const double h = s.alongJ ? Cjdist[c] + Cjdist[s.d] : Cidist[c] + Cidist[s.d];
      const double grad = std::fabs(Cpres[s.d] - Cpres[c]) * 0.0001 / h;
      if (!(grad > PressureTestFactor)) continue;
      logf("%s", s.warning);
      if (ExtrapAlgo2 < 2) logf("%s", hint);
      logf("BCell = %d, pointbed = %d, Cellno = %d, grad = %lf\n", b, pointbed[i][j], c, grad);
      logf(s.pres, Cpres[c], Cpres_old[isOldCell(cOld) ? cOld : 0], Cpres[s.d]);
      logf("Iter %d, Grid no. [%d,%d]\n", Iter, i, j);
      logf("Bcellt_old(%d) = %d, Bnocells_old = %d, Bnocells = %d\n", b, cOld, Bnocells_old[b], Bnocells[b]);
      const int olds[4] = {nbN >= 1 ? Bcellt_old[nbN] : 0, nbS >= 1 ? Bcellt_old[nbS] : 0,
                           nbE >= 1 ? Bcellt_old[nbE] : 0, nbW >= 1 ? Bcellt_old[nbW] : 0};
      const char* lines[4] = {"Bcellt_old, Pres_old, n = %d, %lf\n", "Bcellt_old, Pres_old, s = %d, %lf\n",
                              "Bcellt_old, Pres_old, e = %d, %lf\n", "Bcellt_old, Pres_old, w = %d, %lf\n"};
      for (int q = 0; q < 4; ++q) logf(lines[q], olds[q], Cpres_old[isOldCell(olds[q]) ? olds[q] : 0]);
      logf("\n");
    }
  }
}
