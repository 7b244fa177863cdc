// Suspended load with the bed as a fixed-concentration boundary (F 37 1):
// in every inner iteration each size is relaxed, and the bottom cell of each
// water column is then held at a bed value between what deposition alone
// would leave and what the bed can supply. Also the bed change per size of
// the flux solver.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "state/log.h"
#include "sediment/suspended.h"
#include "solvers/sizesolvers.h"
#include "solvers/solver.h"
#include "solvers/secondneighbours.h"
#include "solvers/stencils.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"

namespace {

inline bool cellOk(int c) { return c >= 1 && c <= NoCells; }

// Implicit bed-slope coefficients (F 78 5..9) give every size its own
// horizontal rows, which its solver and its bed value then use.
bool perSizeSides() { return BedLoadVectorFlag >= 5 && BedLoadVectorFlag <= 9 && Caem && Cawm && Canm && Casm; }

// Critical bed shear stress (Pa) of grains of diameter d: a Shields number
// of 0.03.
double criticalShearOf(double d) { return 0.03 * (density - 1.0) * 9810.0 * d; }

// Erodible sediment of size l at bed cell x: 1000 times its bed volume (m3,
// pores included) in layer 1.
inline double layerOneMass(int l, int x) { return Barea[x] * BSedDistrib[1][l][x] * BSedDistrib[1][0][x] * 1000.0; }

double averagedMass(int l, int b, int c) {
  // Averaged over the column (weight 4), its four side neighbours (2) and
  // its four diagonal neighbours (1).
  const int capacity = bedCellCapacity();
  double sum = 0.0, weights = 0.0;
  auto take = [&](int x, double weight) {
    if (x <= 0 || x >= capacity) return;
    sum += weight * layerOneMass(l, x);
    weights += weight;
  };
  auto diagonal = [](int a, const int* second, int bb, const int* first) {
    const int x = Cbed[second[a]];
    return x > 0 ? x : Cbed[first[bb]];
  };
  take(b, 4.0);
  take(Cbed[Ccelle[c]], 2.0);
  take(Cbed[Ccelln[c]], 2.0);
  take(Cbed[Ccells[c]], 2.0);
  take(Cbed[Ccellw[c]], 2.0);
  take(diagonal(Ccelle[c], Ccells, Ccells[c], Ccelle), 1.0);  // south-east
  take(diagonal(Ccellw[c], Ccelln, Ccelln[c], Ccellw), 1.0);  // north-west
  take(diagonal(Ccellw[c], Ccells, Ccells[c], Ccellw), 1.0);  // south-west
  take(diagonal(Ccelle[c], Ccelln, Ccelln[c], Ccelle), 1.0);  // north-east
  return weights > 0.0 ? sum / weights : 0.0;
}

// Layer 1 scaled by the erodible depth above the non-erodible level at the
// four corners of the column.
double cornerLimitedMass(int l, int b) {
  const int i = Bkooi[b], j = Bkooj[b];
  const double t = BSedDistrib[1][0][b];
  double h = 0.0;
  if (zval && Surfaces && i >= 1 && j >= 1 && i <= xnumber + 1 && j <= ynumber + 1) {
    const int ci[4] = {i, i - 1, i, i - 1}, cj[4] = {j, j, j - 1, j - 1};
    for (int n = 0; n < 4; ++n)
      h += std::min(t, std::max(0.0, zval[ci[n]][cj[n]][1] - Surfaces[3][ci[n]][cj[n]]));
  }
  return layerOneMass(l, b) * h / (4.0 * t + 1e-20);
}

}  // namespace

double erodibleMass(int l, int b, int c, bool several, int bedVol) {
  if (!several) return BSedDistrib[1][0][b] * Barea[b] * 1000.0;
  double M;
  if (bedVol == 1)
    M = cornerLimitedMass(l, b);
  else if (bedVol == 2)
    M = averagedMass(l, b, c);
  else
    M = layerOneMass(l, b);
  if (NoBedLayers > 2) {
    // Deeper layers add their share down to the first layer in which one of
    // the two coarsest sizes lies still and forms more than 1 %.
    const double tau = 300.0 * Ckinen[c];
    for (int k = 2; k <= NoBedLayers; ++k) {
      if (criticalShearOf(gsize[1]) > tau && BSedDistrib[k][1][b] > 0.01) break;
      if (lnumber >= 2 && criticalShearOf(gsize[2]) > tau && BSedDistrib[k][2][b] > 0.01) break;
      M += BSedDistrib[k][l][b] * Barea[b] * BSedDistrib[k][0][b] * 1000.0;
    }
  }
  return M;
}

namespace {

// The quasi-neighbour cells of one side (consecutive numbers from the first
// entry of its list), each with its own coefficient.
double quasiSide(int c, const int* count, int* const* list, double* const* a, const double* C) {
  const int n = count[c];
  if (n <= 0) return 0.0;
  double s = 0.0;
  for (int m = 0; m < n; ++m) {
    const int q = list[c][0] + m;
    if (cellOk(q)) s += a[c][m] * C[q];
  }
  return s;
}

double bedValueOf(int l, int b, bool several) {
  const int c = Bcellt[b];
  const double* C = Cconc[l];
  const bool own = several && perSizeSides();
  const double ae = own ? Caem[l][c] : Cae[c], aw = own ? Cawm[l][c] : Caw[c], an = own ? Canm[l][c] : Can[c],
               as = own ? Casm[l][c] : Cas[c];
  const double at = several ? Catm[l][c] : Cat[c];
  double S = an * C[Ccelln[c]] + as * C[Ccells[c]] + aw * C[Ccellw[c]] + ae * C[Ccelle[c]] + at * C[Ccellt[c]] +
             Bsource[l][b];
  if (QNFlag > 0 && Cncelle && Cqncelle && Cqnae) {
    S += quasiSide(c, Cncelle, Cqncelle, Cqnae, C);
    S += quasiSide(c, Cncellw, Cqncellw, Cqnaw, C);
    S += quasiSide(c, Cncelln, Cqncelln, Cqnan, C);
    S += quasiSide(c, Cncells, Cqncells, Cqnas, C);
  }
  if (sou[7] == 1 && Caee && Caww && Cann && Cass && Catt && Cabb)
    S += secondNeighbourInflow(C, c, several ? sizeSecondAbove(l) : Catt);
  const double Bp = Bap[l][b];
  const double cdep = S / (Faz[Cflateb[c]] * fallvelo[l] * 1000.0 + Bp);
  double csup;
  if (cohesive[l] > 1e-10 && cohesive[l] > 300.0 * Ckinen[c]) {
    csup = S / (Bp + 1e-20);  // a cohesive bed below its critical shear gives nothing
  } else {
    const double M = erodibleMass(l, b, c, several, FlagBedVol == 0 ? 0 : 2);
    csup = ((TimeStep > 0.0 ? M * SolidFrac / TimeStep : 0.0) + S) / Bp;
  }
  int t = 1;
  if (several && NoBedLayers > 2) t = std::clamp(BlayerTop[b], 0, NoBedLayers);
  const double ceq = BSedDistrib[t][l][b] * Bconc[l][b];
  double cb = std::max(cdep, std::min(csup, ceq));
  if (cb < 1e-30) cb = 0.0;
  return cb;
}

// Holds every bottom cell of the bed-cell work range at its bed value.
void fixBedValues(int l, bool several) {
  double* ap = several ? Capm[l] : Cap;
  double* src = several ? Csourcem[l] : Csource;
  const int first = std::max(WBStart, 1), last = std::min(WBEnd, bedCellCapacity() - 1);
  for (int b = first; b <= last; ++b) {
    const int c = Bcellt[b];
    if (!cellOk(c)) continue;
    const double cb = bedValueOf(l, b, several);
    Cconc[l][c] = cb;
    ap[c] = 1e30;
    src[c] = cb * 1e30;
  }
}

void iterationMessage(int n) {
  char text[64];
  std::snprintf(text, sizeof text, "Iter, %d   ", n);
  setMessage(text);
}

}  // namespace

void clip(int l) {
  double* C = Cconc[l];
  const int first = std::max(WCStart, 1), last = std::min(WCEnd, NoCells);
  for (int c = first; c <= last; ++c)
    if (!(C[c] >= 1e-30)) C[c] = 0.0;
}

double bedValue(int l, int b) { return bedValueOf(l, b, lnumber != 1); }

void morphology_tsc_solver_tsc1_single() {
  if (iter_morph < 1) return;
  for (int n = 0; n < iter_morph; ++n) {
    iterationMessage(n);
    indexl = 1;
    Cf = Cconc[1];
    solver();
    clip(1);
    fixBedValues(1, false);
  }
}

void morphology_tsc_solver_tsc1_multiple() {
  if (iter_morph < 1) return;
  const bool ownSides = perSizeSides();
  for (int n = 0; n < iter_morph; ++n) {
    iterationMessage(n);
    for (int l = 1; l <= lnumber; ++l) {
      indexl = l;
      if ((BedLoadVectorFlag == 1 && n == 1) || (BedLoadVectorFlag == 3 && n == iter_morph / 2))
        bedVectorSource(l, true);
      const int first = std::max(WCStart, 1), last = std::min(WCEnd, NoCells);
      for (int c = first; c <= last; ++c) Csource[c] = 0.0;
      Cf = Cconc[l];
      if (ownSides)
        solver2m(l);
      else
        solver2(l);
      clip(l);
      fixBedValues(l, true);
    }
  }
}

void computeBedmove(int b) {
  if (b < 1 || b >= bedCellCapacity() || !Bedmove) return;
  Bedmove[b] = 0.0;
  if (!Bbedchange || !Bupflux || !Bsolidfraction) return;
  const int c = Bcellt[b];
  if (!cellOk(c)) {
    for (int l = 1; l <= lnumber; ++l) Bbedchange[l][b] = 0.0;
    return;
  }
  if (lnumber < 1) return;
  const int top = std::clamp(BlayerTop[b], 0, NoBedLayers);
  const double solid = Bsolidfraction[top][b];
  const double spread = Barea[b] * solid;
  const double Faz0 = Faz[Cflateb[c]];
  for (int l = 1; l <= lnumber; ++l) {
    // A bed cell without area or solids takes no change.
    double dz = spread > 0.0
                    ? (Faz0 * Cconc[l][c] * fallvelo[l] - Bupflux[l][b] * 0.001) * TimeStep / spread
                    : 0.0;
    if (std::fabs(dz) < 1e-15) dz = 0.0;
    Bbedchange[l][b] = dz;
    if (std::fabs(dz) > restCrit && debugging == 'D') {
      logf(
          "Warning in computeBedmove, b=%d, l=%d, Conc=%lf, Barea=%lf, Faz=%lf, Bupflux=%lf, Bbedchange = %lf, "
          "Bsolidfraction = %lf ",
          b, l, Cconc[l][c], Barea[b], Faz0, Bupflux[l][b], dz, solid);
      if (Bkooi[b] > 0) logf("i = %d, j = %d\n", Bkooi[b], Bkooj[b]);
      logf("Csourcem = %lf, Cconc_old = %lf\n", Csourcem && l < CsourcemRows ? Csourcem[l][c] : 0.0,
           Cconc_old ? Cconc_old[l][c] : 0.0);
    }
    Bedmove[b] += dz;
    SumBedChangeLoc += Barea[b] * dz * 1000.0 * density * solid;
  }
}
