// Values and gradients of a cell field at constant height.
#include "solvers/gradients.h"

#include "solvers/columns.h"
#include "solvers/differences.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

// Walks the column of n to the two cells around height z0 and interpolates
// linearly between them by the half heights; past the column's ends the
// weight leaves 0..1 and the value is extrapolated from the two end cells.
double valueAtHeight(const double* f, int n, double z0) {
  const double* z = Czcenter;
  if (z[n] > z0) {
    if (cellBelow(n) == 0) return f[n];
    int m = n;
    for (int k = 0; k < NoCells && cellBelow(m) != 0 && z0 <= z[m]; ++k) m = cellBelow(m);
    const int up = cellAbove(m);
    const double g = (z0 - z[m]) / (Ckdist[m] + Ckdist[up]);
    return (1.0 - g) * f[m] + g * f[up];
  }
  if (z[n] < z0) {
    if (cellAbove(n) == 0) return f[n];
    int m = n;
    for (int k = 0; k < NoCells && cellAbove(m) != 0 && z[m] <= z0; ++k) m = cellAbove(m);
    const int down = cellBelow(m);
    const double g = (z[m] - z0) / (Ckdist[m] + Ckdist[down]);
    return (1.0 - g) * f[m] + g * f[down];
  }
  return f[n];
}

struct Lateral {
  int w, e, s, n;
};

// The lateral neighbours of c; a missing one replaced by the neighbour of
// the column's bottom cell in that direction (not for the south and north of
// a top or bottom cell when keepJ is set).
Lateral lateralOf(int c, bool keepJ) {
  Lateral L{Ccellw[c], Ccelle[c], Ccells[c], Ccelln[c]};
  const int b = Cbed[c];
  const int B = b >= 1 && b < bedCellCapacity() && cellInGrid(Bcellt[b]) ? Bcellt[b] : 0;
  if (B == 0 || B == c) return L;
  if (L.w <= 0) L.w = Ccellw[B];
  if (L.e <= 0) L.e = Ccelle[B];
  if (!keepJ) {
    if (L.s <= 0) L.s = Ccells[B];
    if (L.n <= 0) L.n = Ccelln[B];
  }
  return L;
}

// The difference across c from lo and hi at c's own height.
double constantHeight(const double* f, int c, int lo, int hi) {
  return differenceOf([f, c](int n) { return interpolatevalue(f, c, n); }, c, lo, hi);
}

bool topOrBottom(int c) { return cellAbove(c) == 0 || cellBelow(c) == 0; }

struct Sums {
  double i, j;
};
Sums areaSums(const double* a, int c) {
  return {a[Cflatew[c]] + a[Cflatee[c]], a[Cflates[c]] + a[Cflaten[c]]};
}

double verticalDifference(const double* f, int c, int below, int above) { return difference(f, c, below, above); }

// The horizontal differences dI, dJ of f at c at constant height; with plainJ
// the j difference of a top or bottom cell along the grid line.
void horizontalDifferences(const double* f, int c, bool plainJ, double& dI, double& dJ) {
  const bool plain = plainJ && topOrBottom(c);
  const Lateral L = lateralOf(c, plain);
  dI = constantHeight(f, c, L.w, L.e);
  dJ = plain ? difference(f, c, Ccells[c], Ccelln[c]) : constantHeight(f, c, L.s, L.n);
}

}  // namespace

double interpolatevalue(const double* f, int c, int n) { return valueAtHeight(f, n, Czcenter[c]); }

double interpolatevaluez(const double* f, int n, double z) {
  return f && cellInGrid(n) ? valueAtHeight(f, n, z) : 0.0;
}

double d_dx_orth_x(const double* f, int d, int c) {
  if (d == 3) {
    const int t = cellAbove(c), b = cellBelow(c);
    if (t && b) return (f[t] - f[b]) / (Ckdist[t] + Ckdist[b] + 2.0 * Ckdist[c]);
    if (t) return (f[t] - f[c]) / (Ckdist[t] + Ckdist[c]);
    if (b) return (f[c] - f[b]) / (Ckdist[b] + Ckdist[c]);
    return 0.0;
  }
  if (d != 1 && d != 2) return 0.0;
  double dI, dJ;
  horizontalDifferences(f, c, false, dI, dJ);
  const Sums S = areaSums(d == 1 ? Fax : Fay, c);
  return 0.5 * (S.i * dI + S.j * dJ) / Cvol[c];
}

double d_di_orth_x(const double* f, int d, int c) {
  if (d == 3) return verticalDifference(f, c, cellBelow(c), cellAbove(c));
  if (d != 1 && d != 2) return 0.0;
  double dI, dJ;
  horizontalDifferences(f, c, false, dI, dJ);
  const Sums N = areaSums(d == 1 ? Fvx : Fvy, c);
  return 0.5 * (N.i * dI + N.j * dJ);
}

double d_di_orth_xA(const double* f, int d, int c) {
  if (d == 3) return verticalDifference(f, c, cellBelow(c), cellAbove(c)) * Faz[Cflatet[c]];
  if (d != 1 && d != 2) return 0.0;
  double dI, dJ;
  horizontalDifferences(f, c, true, dI, dJ);
  const Sums S = areaSums(d == 1 ? Fax : Fay, c);
  return 0.5 * (S.i * dI + S.j * dJ);
}

void computeNormStress(int first, int last) {
  if (FlagNormStress != 1 && FlagNormStress != 2) return;
  if (Equation < 1 || Equation > 3) return;
  const double sign = FlagNormStress == 1 ? -1.0 : 1.0;
  for (int c = first < 1 ? 1 : first; c <= last && c <= NoCells; ++c) {
    const double du = d_dx_orth_x(Cxvel, 1, c), dv = d_dx_orth_x(Cyvel, 2, c), dw = d_dx_orth_x(Czvel, 3, c);
    const double m = FlagNormStress == 1 ? 0.333333 * (du + dv + dw) : 0.0;
    const double G = Cgamma[c];
    if (Equation == 3) {
      Csource[c] += sign * (dw - m) * G * Faz[Cflatet[c]];
    } else {
      const double* a = Equation == 1 ? Fax : Fay;
      const double g = Equation == 1 ? du : dv;
      Csource[c] += sign * 0.5 * (g - m) * G * (a[Cflatew[c]] + a[Cflatee[c]] + a[Cflates[c]] + a[Cflaten[c]]);
    }
  }
}

namespace {

// The cells below and above c by the column numbering, where they exist.
int numberedBelow(int c) { return c > 1 && Ccellb[c] > 0 ? c - 1 : 0; }
int numberedAbove(int c) { return c < NoCells && Ccellt[c] > 0 ? c + 1 : 0; }

// Full difference of the two neighbours, or twice the one-sided one.
double fullDifference(const double* f, int c, int lo, int hi) { return 2.0 * difference(f, c, lo, hi); }

}  // namespace

double d_diA(const double* f, int d, int c) {
  if (d == 3) return difference(f, c, numberedBelow(c), numberedAbove(c)) * Faz[Cflateb[c]];
  if (d != 1 && d != 2) return 0.0;
  const Sums S = areaSums(d == 1 ? Fax : Fay, c);
  return 0.5 * (S.i * difference(f, c, Ccellw[c], Ccelle[c]) + S.j * difference(f, c, Ccells[c], Ccelln[c]));
}

double d_dx(const double* f, int d, int c) {
  if (d == 3) return difference(f, c, numberedBelow(c), numberedAbove(c)) / (2.0 * Ckdist[c]);
  if (d != 1 && d != 2) return 0.0;
  return d_diA(f, d, c) / Cvol[c];
}

double d_dxg(const double* f, int d, int c) {
  if (d == 3) return 0.5 * Faz[Cflateb[c]] * fullDifference(f, c, Ccellb[c], Ccellt[c]) / Cvol[c];
  if (d != 1 && d != 2) return 0.0;
  const Sums S = areaSums(d == 1 ? Fax : Fay, c);
  return 0.25 * (S.i * fullDifference(f, c, Ccellw[c], Ccelle[c]) + S.j * fullDifference(f, c, Ccells[c], Ccelln[c])) /
         Cvol[c];
}
