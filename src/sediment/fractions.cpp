// Grain-size fractions of the two-layer bed after a time step.
#include "sediment/fractions.h"

#include <algorithm>
#include <cmath>

#include "state/log.h"
#include "solvers/secondneighbours.h"
#include "solvers/stencils.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"

namespace {

inline bool cellOk(int c) { return c >= 1 && c <= NoCells; }
inline double concAt(int n, int x) { return cellOk(x) ? Cconc[n][x] : 0.0; }

enum class FluxKind { Balance, Settling, Quasi };

// Implicit bed-slope coefficients (F 78 5..9) give every size its own sides,
// as the bed value of the bottom cell used them.
bool perSizeSides() { return BedLoadVectorFlag >= 5 && BedLoadVectorFlag <= 9 && Caem && Cawm && Canm && Casm; }

double quasiSide(int c, const int* count, int* const* list, double* const* a, int n) {
  if (!count || !list || !a || count[c] <= 0) return 0.0;
  double s = 0.0;
  for (int m = 0; m < count[c]; ++m) s += a[c][m] * concAt(n, list[c][0] + m);
  return s;
}

// Sediment of size n (kg/s) that the bottom cell c hands to bed cell b.
double flowToBed(FluxKind kind, int n, int b, int c) {
  if (kind == FluxKind::Settling) return Cconc[n][c] * Faz[Cflateb[c]] * fallvelo[n] * 1000.0 - Bsource[n][b];
  const bool own = lnumber > 1 && perSizeSides();
  const double ae = own ? Caem[n][c] : Cae[c], aw = own ? Cawm[n][c] : Caw[c], an = own ? Canm[n][c] : Can[c],
               as = own ? Casm[n][c] : Cas[c];
  const double at = (lnumber > 1 && Catm) ? Catm[n][c] : Cat[c];
  double q = an * concAt(n, Ccelln[c]) + as * concAt(n, Ccells[c]) + aw * concAt(n, Ccellw[c]) +
             ae * concAt(n, Ccelle[c]) + at * concAt(n, Ccellt[c]) + Bsource[n][b] - Bap[n][b] * Cconc[n][c];
  // The second-order scheme's cells two away, as the bed value read them.
  if (sou[7] == 1 && Caee && Caww && Cann && Cass && Catt && Cabb)
    q += secondNeighbourInflow(Cconc[n], c, lnumber > 1 ? sizeSecondAbove(n) : Catt);
  if (kind == FluxKind::Quasi && Cncelle) {
    q += quasiSide(c, Cncelle, Cqncelle, Cqnae, n);
    q += quasiSide(c, Cncellw, Cqncellw, Cqnaw, n);
    q += quasiSide(c, Cncelln, Cqncelln, Cqnan, n);
    q += quasiSide(c, Cncells, Cqncells, Cqnas, n);
  }
  return q;
}

// One size: only the thicknesses change. Erosion beyond both layers is cut;
// the bed change the layers carried out is returned.
double oneSize(int b, double B, double T) {
  double& t1 = BSedDistrib[1][0][b];
  double& t0 = BSedDistrib[0][0][b];
  const double before = t1 + t0;
  if (B < -1e-9) {
    if (t0 > -B) {
      t0 += B;
    } else if (t0 >= 1e-15) {
      t1 = std::max(t1 + t0 + B, 0.0);
      t0 = 0.0;
    } else {
      t0 = 0.0;
      t1 = std::max(t1 + B, 0.0);
    }
  } else if (B > 1e-9) {
    if (t0 > 1e-15) {
      t0 += B;
    } else {
      const double x = t1 + B;
      if (x >= T) {
        t0 = x - T;
        t1 = T;
      } else {
        t1 = x;
      }
    }
  } else {
    return B;  // within 1e-9 m nothing moves and nothing is cut
  }
  return t1 + t0 - before;
}

void clearTinyFractions(int b) {
  for (int layer = 0; layer <= 1; ++layer)
    for (int n = 1; n <= lnumber; ++n)
      if (std::fabs(BSedDistrib[layer][n][b]) < 1e-15) BSedDistrib[layer][n][b] = 0.0;
}

void twoLayerStep(double T, FluxKind kind, bool alwaysReplace) {
  const int cap = bedCellCapacity();
  const int first = std::max(WBStart, 1), last = std::min(WBEnd, cap - 1);
  const int sizes = std::clamp(lnumber, 1, 50);
  double flux[51], a[51];
  for (int b = first; b <= last; ++b) {
    const int c = Bcellt[b];
    if (!cellOk(c)) {
      Bedmove[b] = 0.0;
      continue;
    }
    const double scale = 0.001 / SolidFrac * TimeStep / (Barea[b] + 1e-20);
    double B = 0.0;
    for (int n = 1; n <= sizes; ++n) {
      flux[n] = flowToBed(kind, n, b, c) * scale;
      B += flux[n];
      kBedmove[n] += Barea[b] * flux[n] * 1000.0 * SolidFrac;
    }
    Bedmove[b] = B;
    double dz;
    if (sizes == 1) {
      dz = oneSize(b, B, T);
    } else {
      double thick2 = 0.0, SumG = 1.0;
      const double t1 = BSedDistrib[1][0][b];
      dz = updateTwoLayers(b, flux, T, alwaysReplace, a, thick2, SumG);
      clearTinyFractions(b);
      if (t1 + dz < 0.0) printErrorMorphology1(b, t1 + dz, dz);
      if ((SumG < 0.99 || SumG > 1.01) && std::fabs(B) > 1e-8) printErrorMorphology2(b, SumG, dz);
      for (int l = 1; l <= sizes; ++l) {
        const double f = BSedDistrib[1][l][b];
        if (f > 1.0 || f < 0.0) printErrorMorphology3(Iter, b, c, l, a, dz, thick2, SumG);
      }
    }
    kLimDef += SolidFrac * (B - dz) * Barea[b] * 1000.0 * density;
  }
}

void printSecondLine(int b, double d) {
  logf("Bedmove = %lf, bedmove = %lf, InactiveThickness = %lf\n", Bedmove[b], d, BSedDistrib[0][0][b]);
}

}  // namespace

double activeThickness() {
  if (TopThickness > 0.0) return TopThickness;
  double g = 0.0;
  for (int l = 1; l <= lnumber && l <= 50; ++l) g = std::max(g, gsize[l]);
  return g;
}

double updateTwoLayers(int b, const double* flux, double T, bool alwaysReplace, double* a, double& thick2,
                       double& SumG) {
  const int sizes = std::clamp(lnumber, 1, 50);
  double t1 = BSedDistrib[1][0][b], t0 = BSedDistrib[0][0][b];
  double f1[51], f0[51];
  double S = 0.0;
  for (int n = 1; n <= sizes; ++n) {
    f1[n] = BSedDistrib[1][n][b];
    f0[n] = BSedDistrib[0][n][b];
    a[n] = std::max(flux[n] + f1[n] * t1, 0.0);
    S += a[n];
  }
  const double dz = S - t1, ez = -dz;
  SumG = 1.0;
  thick2 = 0.0;
  auto sumOf = [&](const double* f) {
    double s = 0.0;
    for (int n = 1; n <= sizes; ++n) s += f[n];
    return s;
  };
  if (dz < -1e-9) {
    if (t0 > ez) {  // the active layer is refilled from below
      for (int n = 1; n <= sizes; ++n) f1[n] = (f0[n] * ez + a[n]) / (t1 + 1e-30);
      t0 -= ez;
      thick2 = ez;
      SumG = sumOf(f1);
    } else if (t0 >= 1e-15) {  // the inactive layer is used up
      double num[51], sum = 0.0;
      for (int n = 1; n <= sizes; ++n) sum += num[n] = f0[n] * t0 + a[n];
      for (int n = 1; n <= sizes; ++n) f1[n] = num[n] / (sum + 1e-20);
      t1 = t1 + t0 - ez;
      t0 = 0.0;
    } else {  // no inactive layer: the active layer thins
      t0 = 0.0;
      t1 = std::max(t1 - ez, 0.0);
      if (alwaysReplace) {
        for (int n = 1; n <= sizes; ++n) f1[n] = a[n] / (S + 1e-20);
      } else {
        double first = a[1];
        if (S < 1e-50) S += 1e-50, first += 1e-50;
        for (int n = 1; n <= sizes; ++n) f1[n] = (n == 1 ? first : a[n]) / S;
      }
    }
  } else if (dz > 1e-9) {
    if (t0 > 1e-15) {  // deposition onto an inactive layer
      bool replace = alwaysReplace;
      if (!replace) {
        double m = 0.0;
        for (int n = 1; n <= sizes; ++n) m = std::min(m, flux[n] / (f1[n] + 1e-20));
        replace = dz - m > T;
      }
      if (replace) {  // the deposit passes through the active layer
        for (int n = 1; n <= sizes; ++n) {
          f1[n] = a[n] / S;
          f0[n] = (f1[n] * dz + f0[n] * t0) / (t0 + dz);
        }
        SumG = sumOf(f0);
      } else {  // a thickness dz of the old active mixture moves down
        for (int n = 1; n <= sizes; ++n) {
          f0[n] = (f1[n] * dz + f0[n] * t0) / (t0 + dz);
          f1[n] = (f1[n] * (t1 - dz) + flux[n]) / (t1 + 1e-15);
        }
        SumG = sumOf(f1);
      }
      t0 += dz;
    } else if (t1 + dz >= T) {  // the active layer fills up, the rest starts layer 0
      for (int n = 1; n <= sizes; ++n) f1[n] = f0[n] = a[n] / S;
      t0 = t1 + dz - T;
      t1 = T;
      if (alwaysReplace) SumG = sumOf(f1);
    } else {
      for (int n = 1; n <= sizes; ++n) f1[n] = a[n] / S;
      t1 += dz;
      if (alwaysReplace) SumG = sumOf(f1);
    }
  } else {
    return dz;
  }
  BSedDistrib[1][0][b] = t1;
  BSedDistrib[0][0][b] = t0;
  for (int n = 1; n <= sizes; ++n) {
    BSedDistrib[1][n][b] = f1[n];
    BSedDistrib[0][n][b] = f0[n];
  }
  return dz;
}

void morphology_fractions(double T) { twoLayerStep(T, FluxKind::Balance, false); }
void morphology2_fractions(double T) { twoLayerStep(T, FluxKind::Settling, true); }
void morphology2_fractions2(double T) { morphology2_fractions(T); }

void morphology2_fractions1(double T) {
  morphology2_fractions(T);
  const int cap = bedCellCapacity();
  for (int b = std::max(WBStart, 1); b <= std::min(WBEnd, cap - 1); ++b)
    if (cellOk(Bcellt[b]) && BSedDistrib[1][0][b] < 0.0)
      fatal(-44, "Error, negative bed layer at i,j=%d %d\n", Bkooi[b], Bkooj[b]);
}

void morphology_QNfractions(double T) {
  const int cap = bedCellCapacity();
  const int first = std::max(WBStart, 1), last = std::min(WBEnd, cap - 1);
  const int sizes = std::clamp(lnumber, 1, 50);
  double flux[51], a[51], f1[51], f0[51];
  // The bed receives what the suspended-load solver exchanged with it: with
  // F 37 1 the balance of the held bottom cell, whose neighbours include the
  // listed cells; with F 37 2 the settling minus the pick-up, which the lists
  // do not touch (the balance form would read bed-cell terms that this
  // method never sets).
  const FluxKind kind = FlagTSC == 2 ? FluxKind::Settling : FluxKind::Quasi;
  for (int b = first; b <= last; ++b) {
    const int c = Bcellt[b];
    if (!cellOk(c)) {
      Bedmove[b] = 0.0;
      continue;
    }
    const double scale = 0.001 / SolidFrac * TimeStep / (Barea[b] > 0.0 ? Barea[b] : 1e-20);
    double B = 0.0;
    for (int n = 1; n <= sizes; ++n) {
      flux[n] = flowToBed(kind, n, b, c) * scale;
      B += flux[n];
      kBedmove[n] += Barea[b] * flux[n] * 1000.0 * SolidFrac;
    }
    Bedmove[b] = B;
    // One size: the layers carry the change, as in the other routines (the
    // bed would otherwise move while its layers kept their mass).
    if (sizes == 1) oneSize(b, B, T);
    if (sizes == 1 || NoBedLayers != 2) continue;

    double t1 = BSedDistrib[1][0][b], t0 = BSedDistrib[0][0][b], S = 0.0;
    for (int n = 1; n <= sizes; ++n) {
      f1[n] = BSedDistrib[1][n][b];
      f0[n] = BSedDistrib[0][n][b];
      a[n] = std::max(flux[n] + f1[n] * t1, 0.0);
      S += a[n];
    }
    const double dz = S - t1, ez = -dz;
    double thick2 = 0.0, SumG = 0.0;
    if (dz > 1e-9) {
      double t1n = t1, r = dz;
      if (t1 < T) {
        t1n = std::min(t1 + dz, T);
        r = t1 + dz - t1n;
      }
      t1 = t1n;
      for (int n = 1; n <= sizes; ++n) f1[n] = a[n] / (S + 1e-30);
      if (r > 1e-9) {
        double sum = 0.0;
        for (int n = 1; n <= sizes; ++n) sum += f0[n] = (f1[n] * r + f0[n] * t0) / (t0 + r);
        for (int n = 1; n <= sizes; ++n) f0[n] /= sum + 1e-30;
        SumG = 1.0 / (sum + 1e-30);
        t0 += r;
      }
    } else if (dz < -1e-9) {
      const double e = std::min(t0, ez);
      thick2 = e;
      t1 += std::min(t0 - ez, 0.0);
      t0 = std::max(t0 - ez, 0.0);
      for (int n = 1; n <= sizes; ++n) {
        f1[n] = std::min((e * f0[n] + a[n]) / (t1 + 1e-30), 1.0);
        SumG += f1[n];
      }
    }
    BSedDistrib[1][0][b] = t1;
    BSedDistrib[0][0][b] = t0;
    for (int n = 1; n <= sizes; ++n) {
      BSedDistrib[1][n][b] = f1[n];
      BSedDistrib[0][n][b] = f0[n];
    }
    if (t1 < 0.0) fatal(-44, "Error, negative bed layer at i,j=%d %d\n", Bkooi[b], Bkooj[b]);
    for (int l = 1; l <= sizes; ++l)
      if (f1[l] < 0.0 || f1[l] > 1.0) {
        logf("Error in TSC1: Iter=%d, b=%d, c=%d, l=%d, i=%d, j=%d\n", Iter, b, c, l, Bkooi[b], Bkooj[b]);
        logf("BSedDistrib[%d,%d] = %lf %lf %lf %lf\n", l, b, f1[l], t1, f0[l], t0);
        logf("dummy = %lg, thick2=%lg, SumG=%lg, midA[%d]=%lg\n", dz, thick2, SumG, l, a[l]);
      }
  }
}

void printErrorMorphology1(int b, double a, double d) {
  logf("Warning, erosion %lf below fixed bed at i,j=%d %d\n", a, Bkooi[b], Bkooj[b]);
  printSecondLine(b, d);
}

void printErrorMorphology2(int b, double sum, double d) {
  logf("Warning, SumG = %lf at i,j=%d %d\n", sum, Bkooi[b], Bkooj[b]);
  printSecondLine(b, d);
}

void printErrorMorphology3(int iteration, int b, int c, int l, const double* a, double d, double thick2, double sum) {
  logf("TSC error, fractions: Iter=%d, b=%d, c=%d, l=%d, i=%d, j=%d\n", iteration, b, c, l, Bkooi[b], Bkooj[b]);
  logf("BSedDistrib[l=%d,b=%d] = %lf %lf %lf %lf\n", l, b, BSedDistrib[1][l][b], BSedDistrib[1][0][b],
       BSedDistrib[0][l][b], BSedDistrib[0][0][b]);
  logf("bedmove = %lg, thick2=%lg, SumG=%lg, midA[%d]=%lg\n", d, thick2, sum, l, a[l]);
}
