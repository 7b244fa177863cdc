// Suspended load with exchange with the bed (F 37 2 and 3). In every inner
// iteration the bottom cell of each water column receives the pick-up from
// the bed, S = min(limit, P): P the pick-up at the effective bed
// concentration, the limit what the bed can supply within the step plus
// what settles (so the net erosion S - D never exceeds the supply). Then
// every size is solved and cleaned. The bed treatment is serial; the linear
// solvers run their own parallel regions.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "flow/stages.h"
#include "state/log.h"
#include "sediment/fractions.h"
#include "sediment/morphology.h"
#include "sediment/multilayer.h"
#include "sediment/steproutines.h"
#include "sediment/suspended.h"
#include "solvers/sizesolvers.h"
#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"

namespace {

inline int bedFirst() { return std::max(WBStart, 1); }
inline int bedLast() { return std::min(WBEnd, bedCellCapacity() - 1); }
inline int bottomCell(int b) {
  const int c = Bcellt[b];
  return c >= 1 && c <= NoCells ? c : 0;
}

// Settling through the bed face of c (kg/s of water, x volume fraction):
// w A 1000 per unit concentration.
inline double settling(int l, int c) { return fallvelo[l] * Faz[Cflateb[c]] * 1000.0; }

// A cohesive size below its critical shear is not picked up.
inline bool heldByCohesion(int l, int c) { return cohesive[l] > 1e-10 && cohesive[l] > 300.0 * Ckinen[c]; }

// F 304: the effective bed concentration at least the cell's, and above 1 at
// most the equilibrium one.
inline double bedVersion(double x, int l, int b, int c) {
  if (FlagBedVer > 0) x = std::max(x, Cconc[l][c]);
  if (FlagBedVer > 0 && FlagBedVer != 1) x = std::min(x, Bconc[l][b]);
  return x;
}

void statusText(const char* fmt, int n) {
  char text[64];
  std::snprintf(text, sizeof text, fmt, n);
  setMessage(text);
}

// F 261 2: after the inner iterations the coarse cells under nested blocks
// take the fine concentrations of sizes 1..sizes (relaxed by F 261 2nd).
void nestingTransfer(int sizes) {
  if (FlagCoupledNesting != 2 || !Cconc) return;
  for (int l = 1; l <= sizes; ++l) {
    if (!Cconc[l]) continue;
    Cf = Cconc[l];
    CoupledSolverNesting();
  }
}

void solveSize(int l, int n, bool source1, bool source3) {
  indexl = l;
  if ((source1 && BedLoadVectorFlag == 1 && n == 1) || (source3 && BedLoadVectorFlag == 3 && n == iter_morph / 2))
    BedVectorSourceCalc(l);
  Cf = Cconc[l];
  if (BedLoadVectorFlag >= 5 && BedLoadVectorFlag <= 9)
    solver2m(l);
  else
    solver2(l);
  clip(l);
}

int activeLayer(int b) { return NoBedLayers == 2 ? 1 : std::clamp(BlayerTop[b], 0, NoBedLayers); }

}  // namespace

double findSuspFraction(int b) {
  if (lnumber < 1) return 1.0;
  const int c = bottomCell(b);
  double s = 0.0;
  for (int l = 1; l <= lnumber; ++l)
    if (Bconc[l][b] > 1e-8) s += Cconc[l][c] / Bconc[l][b];
  return s > 0.02 && s < 1.0 ? 1.0 / s : 1.0;
}

void morphology_tsc_solver_tsc2_single() {
  if (iter_morph < 1) return nestingTransfer(1);
  for (int n = 0; n < iter_morph; ++n) {
    const bool last = n == iter_morph - 1;
    for (int b = bedFirst(); b <= bedLast(); ++b) {
      const int c = bottomCell(b);
      if (c == 0) continue;
      const double D = Cconc[1][c] * settling(1, c);
      const double A = TimeStep > 0.0 ? erodibleMass(1, b, c, false, 0) * SolidFrac / TimeStep : 0.0;
      const double limit = heldByCohesion(1, c) ? 0.0 : D + A;
      const double x = bedVersion(Bconc[1][b], 1, b, c);
      const double S = std::min(limit, settling(1, c) * x);
      Csource[c] = Bsource[1][b] + S;
      if (last) Bsource[1][b] = S;
    }
    statusText("Iter, %d   ", n);
    indexl = 1;
    if (BedLoadVectorFlag == 3 && n == iter_morph / 2) BedVectorSourceCalc(1);
    Cf = Cconc[1];
    solver();
    clip(1);
  }
  nestingTransfer(1);
}

void morphology_tsc_solver_tsc2_multiple() {
  if (iter_morph < 1) return nestingTransfer(lnumber);
  if (FlagFracVer0 == 1)
    for (int l = 1; l <= lnumber; ++l)
      for (int b = bedFirst(); b <= bedLast(); ++b) {
        const int c = bottomCell(b);
        if (c != 0) Capm[l][c] += settling(l, c) - Fflux[Cflateb[c]];
      }
  for (int n = 0; n < iter_morph; ++n) {
    const bool last = n == iter_morph - 1;
    statusText(" Sediment iter %d         ", n);
    for (int l = 1; l <= lnumber; ++l)
      for (int b = bedFirst(); b <= bedLast(); ++b) {
        const int c = bottomCell(b);
        if (c == 0) continue;
        const int top = activeLayer(b);
        if (FlagSumFractions == 2) {
          double sum = 1e-30;
          for (int m = 1; m <= lnumber; ++m) sum += Cconc[m][c];
          Cconc[0][c] = sum;
        }
        const double D = Cconc[l][c] * settling(l, c);
        const double A = TimeStep > 0.0 ? erodibleMass(l, b, c, true, FlagBedVol) * SolidFrac / TimeStep : 0.0;
        const double limit = heldByCohesion(l, c) ? 0.0 : A + D;
        double x = BSedDistrib[top][l][b] * Bconc[l][b];
        if (FlagSumFractions == 1) x *= findSuspFraction(b);
        if (FlagSumFractions == 2) x = std::max(x, Cconc[l][c] / Cconc[0][c] * Bconc[l][b]);
        if (FlagSumFractions == 3) x = Bconc[l][b];
        x = bedVersion(x, l, b, c);
        double S = std::min(limit, settling(l, c) * x);
        if (!(S >= 1e-30)) S = 0.0;
        Csourcem[l][c] = Bsource[l][b] + S;
        if (last) Bsource[l][b] = S;
      }
    for (int l = 1; l <= lnumber; ++l) solveSize(l, n, true, true);
  }
  nestingTransfer(lnumber);
}

// The bottom cells as a layer of their own: their vertical coefficients are
// left out, the exchange with the bed is driven by the horizontal ones. The
// storage term of the step is already in Bsource (and its coefficient in
// Capm), so no second storage term is added.
void morphology_tsc_solver_tsc2_multiple_v2() {
  if (iter_morph < 1) return nestingTransfer(lnumber);
  const double T = TimeStep > 0.0 ? 1000.0 / TimeStep : 0.0;
  for (int l = 1; l <= lnumber; ++l)
    for (int b = bedFirst(); b <= bedLast(); ++b) {
      const int c = bottomCell(b);
      if (c != 0) Capm[l][c] = Cae[c] + Caw[c] + Can[c] + Cas[c] + T * Cvol[c] + Bap[l][b];
    }
  for (int n = 0; n < iter_morph; ++n) {
    const bool last = n == iter_morph - 1;
    statusText(" Sediment iter %d         ", n);
    for (int l = 1; l <= lnumber; ++l)
      for (int b = bedFirst(); b <= bedLast(); ++b) {
        const int c = bottomCell(b);
        if (c == 0) continue;
        const int top = activeLayer(b);
        const double G = Capm[l][c] - T * Cvol[c];
        const double S = std::min(G * BSedDistrib[1][l][b] * BSedDistrib[1][0][b] * SolidFrac,
                                  G * (BSedDistrib[top][l][b] * Bconc[l][b] - Cconc[l][c]));
        Csourcem[l][c] = S + Bsource[l][b];
        if (last) Bsource[l][b] = 0.0;
      }
    statusText("Iter: %d ", n);
    for (int l = 1; l <= lnumber; ++l) {
      indexl = l;
      if ((BedLoadVectorFlag == 1 && n == 1) || (BedLoadVectorFlag == 3 && n == iter_morph / 2))
        BedVectorSourceCalc(l);
      Cf = Cconc[l];
      solver2bed(l);
      clip(l);
    }
  }
  nestingTransfer(lnumber);
}

void morphology_tsc_solver_tsc3_standard() {
  if (!Bupflux || !Bbedchange || !Bsolidfraction) return;
  const double T = activeThickness();
  for (int b = bedFirst(); b <= bedLast(); ++b) {
    Bedmove[b] = 0.0;
    for (int l = 1; l <= lnumber; ++l) Bupflux[l][b] = 0.0;
  }
  double a[51];
  for (int n = 0; n < iter_morph; ++n) {
    statusText("Iter, %d   ", n);
    for (int b = bedFirst(); b <= bedLast(); ++b) {
      const int c = bottomCell(b);
      if (c == 0) continue;
      const int top = std::clamp(BlayerTop[b], -1, NoBedLayers);
      double Z = 0.0;
      for (int k = top; k >= 0; --k) Z -= BSedDistrib[k][0][b];
      const double depth = std::max(FlagArmourDepth == 0 ? Bedmove[b] - T : computeArmourDepth(b, T), Z);
      computeAvailableFraction(b, a, depth);
      double sum = 0.0;
      for (int l = 1; l <= lnumber; ++l) sum += a[l];
      const bool eroding = Bedmove[b] < 0.0;
      const double tau = 300.0 * Ckinen[c];
      for (int l = 1; l <= lnumber; ++l) {
        const double D = Cconc[l][c] * settling(l, c);
        const double A = TimeStep > 0.0 ? a[l] * Barea[b] * 1000.0 / TimeStep : 0.0;
        double limit = FlagMaxFlux == 1 ? A + D : std::max(A, D);
        if (eroding && heldByCohesion(l, c)) limit = 0.0;
        if (eroding && FlagCohesion == 2 && Bcohesion && top >= 0 && Bcohesion[top][b] > tau) limit = 0.0;
        const double x = bedVersion(a[l] / (sum + 1e-30) * Bconc[l][b], l, b, c);
        double S = std::min(limit, settling(l, c) * x);
        if (!(S >= 1e-30)) S = 0.0;
        Csourcem[l][c] = Bsource[l][b] + S;
        Bupflux[l][b] = S;
      }
    }
    for (int l = 1; l <= lnumber; ++l) solveSize(l, n, true, false);
    SumBedChangeLoc = 0.0;
    for (int b = bedFirst(); b <= bedLast(); ++b) computeBedmove(b);
  }
  if (iter_morph >= 1) SumBedChange += SumBedChangeLoc;
}
