// Corrections at the shoreline: the face fluxes of cells collapsed to
// triangles in plan (and of pairs and groups of them) relaxed toward water
// passing through the cell, in through one lateral face and out through the
// other (F 235 8..23); the same for whole corner columns of block 1 (F 436);
// and the pressure of a corner column from its two neighbour columns (F 437).
// Main thread only: they write faces of neighbouring cells.
#include "flow/trekant.h"

#include "solvers/columns.h"
#include "solvers/corrections.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

// A face of a cell's side, by the face array of that side; 0 for a missing
// cell, so that its flux is neither read nor written.
struct Face {
  int f;
  double sign;  // +d or -d in the pattern
};

double fluxOf(int f) { return faceInGrid(f) ? Fflux[f] : 0.0; }

// Every face of the set takes (1 - r) F + r (sign d), d computed before.
template <int N>
void relax(const Face (&faces)[N], double d, double r) {
  for (const Face& x : faces)
    if (faceInGrid(x.f)) Fflux[x.f] = (1.0 - r) * Fflux[x.f] + r * x.sign * d;
}

void singleTriangle(int c, double r) {
  const double n = fluxOf(Cflaten[c]), e = fluxOf(Cflatee[c]), s = fluxOf(Cflates[c]), w = fluxOf(Cflatew[c]);
  switch (Ctrekant[c]) {
    case 1: {
      const Face F[] = {{Cflaten[c], 1}, {Cflatee[c], -1}};
      relax(F, 0.5 * (n - e), r);
      break;
    }
    case 2: {
      const Face F[] = {{Cflaten[c], 1}, {Cflatew[c], 1}};
      relax(F, 0.5 * (n + w), r);
      break;
    }
    case 3: {
      const Face F[] = {{Cflates[c], 1}, {Cflatew[c], -1}};
      relax(F, 0.5 * (s - w), r);
      break;
    }
    case 4: {
      const Face F[] = {{Cflates[c], 1}, {Cflatee[c], 1}};
      relax(F, 0.5 * (s + e), r);
      break;
    }
    default:
      break;
  }
}

// The patterns of a triangle with its neighbours; a pattern whose neighbour
// cell is missing is left alone.
void trianglePattern(int c, double r) {
  const int E = Ccelle[c], W = Ccellw[c], N = Ccelln[c], S = Ccells[c];
  const int n = Cflaten[c], e = Cflatee[c], s = Cflates[c], w = Cflatew[c];
  switch (Ctrekant[c]) {
    case 5: {
      if (!cellInGrid(E)) return;
      const int nE = Cflaten[E];
      const Face F[] = {{n, 1}, {e, -1}, {nE, -1}};
      relax(F, 0.3333 * (fluxOf(n) - fluxOf(e) - fluxOf(nE)), r);
      break;
    }
    case 7: {
      if (!cellInGrid(N)) return;
      const int wN = Cflatew[N];
      const Face F[] = {{w, 1}, {n, 1}, {wN, -1}};
      relax(F, 0.3333 * (fluxOf(n) + fluxOf(w) - fluxOf(wN)), r);
      break;
    }
    case 9: {
      if (!cellInGrid(W)) return;
      const int sW = Cflates[W];
      const Face F[] = {{s, 1}, {w, -1}, {sW, -1}};
      relax(F, 0.3333 * (fluxOf(s) - fluxOf(w) - fluxOf(sW)), r);
      break;
    }
    case 11: {
      if (!cellInGrid(S)) return;
      const int eS = Cflatee[S];
      const Face F[] = {{e, 1}, {s, 1}, {eS, -1}};
      relax(F, 0.3333 * (fluxOf(s) + fluxOf(e) - fluxOf(eS)), r);
      break;
    }
    case 13: {
      if (!cellInGrid(N) || !cellInGrid(E)) return;
      const int eN = Cflatee[N], nE = Cflaten[E];
      const Face F[] = {{eN, 1}, {nE, -1}, {n, 1}, {e, -1}};
      relax(F, 0.5 * (fluxOf(eN) - fluxOf(nE)), r);
      break;
    }
    case 16: {
      if (!cellInGrid(W) || !cellInGrid(N)) return;
      const int nW = Cflaten[W], wN = Cflatew[N];
      const Face F[] = {{nW, 1}, {wN, 1}, {n, -1}, {w, -1}};
      relax(F, 0.5 * (fluxOf(nW) + fluxOf(wN)), r);
      break;
    }
    case 19: {
      if (!cellInGrid(S) || !cellInGrid(W)) return;
      const int wS = Cflatew[S], sW = Cflates[W];
      const Face F[] = {{wS, 1}, {sW, -1}, {s, 1}, {w, -1}};
      relax(F, 0.5 * (fluxOf(wS) - fluxOf(sW)), r);
      break;
    }
    case 22: {
      if (!cellInGrid(E) || !cellInGrid(S)) return;
      const int sE = Cflates[E], eS = Cflatee[S];
      const Face F[] = {{sE, 1}, {eS, 1}, {e, -1}, {s, -1}};
      relax(F, 0.5 * (fluxOf(sE) + fluxOf(eS)), r);
      break;
    }
    default:
      break;
  }
}

// The interior columns of block 1 (i1 < i < i2, j1 < j < j2) with cells.
template <typename F>
void forInnerColumns(F visit) {
  if (NoBlocks < 1) return;
  const BlockRecord& B = block[1];
  for (int i = B.i1 + 1; i < B.i2; ++i)
    for (int j = B.j1 + 1; j < B.j2; ++j)
      if (const int c = lowestCellOf(i, j)) visit(c);
}

// One corner of a column: the two open faces (arrays a and b of the cells)
// take a tenth of their old flux plus their area's share of nine tenths of
// the column's mean through-flow, d = 0.45 (sa Σa + sb Σb), with the signs
// ga and gb of the table.
void cornerColumn(int bottom, const int* a, const int* b, double sa, double sb, double ga, double gb) {
  double Fa = 0.0, Fb = 0.0, Aa = 0.0, Ab = 0.0;
  forColumnUp(bottom, [&](int c) {
    if (faceInGrid(a[c])) {
      Fa += Fflux[a[c]];
      Aa += Farea[a[c]];
    }
    if (faceInGrid(b[c])) {
      Fb += Fflux[b[c]];
      Ab += Farea[b[c]];
    }
  });
  if (!(Aa > 0.0) || !(Ab > 0.0)) return;
  const double d = 0.5 * 0.9 * (sa * Fa + sb * Fb);
  forColumnUp(bottom, [&](int c) {
    if (faceInGrid(a[c])) Fflux[a[c]] = 0.1 * Fflux[a[c]] + ga * Farea[a[c]] * d / Aa;
    if (faceInGrid(b[c])) Fflux[b[c]] = 0.1 * Fflux[b[c]] + gb * Farea[b[c]] * d / Ab;
  });
}

// The mean pressure of a column from cell c upward.
double columnMeanPressure(int c) {
  double p = 0.0;
  int n = 0;
  forColumnUp(c, [&](int k) {
    p += Cpres[k];
    ++n;
  });
  return n > 0 ? p / n : 0.0;
}

}  // namespace

void TrekantFluxCorr(int firstCell, int lastCell) {
  Ctrekant[0] = 0;
  const double r = relaxTrekant2;
  const int first = firstCell < 1 ? 1 : firstCell;
  const int last = lastCell > NoCells ? NoCells : lastCell;
  for (int c = first; c <= last; ++c)
    if (Ctrekant[c] >= 1 && Ctrekant[c] <= 4) singleTriangle(c, r);
  if (FlagCorrTrekant > 8 && FlagRapSolver < 20)
    for (int c = first; c <= last; ++c)
      if (Ctrekant[c] >= 5) trianglePattern(c, r);
}

void TrekantFluxCorr4() {
  forInnerColumns([](int c) {
    const bool E = Ccelle[c] > 0, W = Ccellw[c] > 0, N = Ccelln[c] > 0, S = Ccells[c] > 0;
    // South-east: open w and n, d = 0.45 (Σn + Σw).
    if (!E && !S) cornerColumn(c, Cflatew, Cflaten, 1, 1, 1, 1);
    // South-west: open e and n, d = 0.45 (Σn - Σe).
    if (!W && !S) cornerColumn(c, Cflatee, Cflaten, -1, 1, -1, 1);
    // North-east: open w and s, d = 0.45 (Σs - Σw).
    if (!E && !N) cornerColumn(c, Cflatew, Cflates, -1, 1, -1, 1);
    // North-west: open e and s, d = 0.45 (Σe + Σs).
    if (!W && !N) cornerColumn(c, Cflatee, Cflates, 1, 1, 1, 1);
  });
}

// Only the lowest cell of a corner column takes the value.
void TrekantPresCorr(int, int) {
  forInnerColumns([](int c) {
    const int E = Ccelle[c], W = Ccellw[c], N = Ccelln[c], S = Ccells[c];
    int a = 0, b = 0;
    if (E <= 0 && S <= 0 && W > 0 && N > 0) {
      a = W;
      b = N;
    } else if (E <= 0 && N <= 0 && S > 0 && W > 0) {
      a = S;
      b = W;
    } else if (W <= 0 && S <= 0 && E > 0 && N > 0) {
      a = E;
      b = N;
    } else if (W <= 0 && N <= 0 && E > 0 && S > 0) {
      a = E;
      b = S;
    } else {
      return;
    }
    if (!cellInGrid(a) || !cellInGrid(b)) return;
    Cpres[c] = 0.5 * columnMeanPressure(a) + 0.5 * columnMeanPressure(b);
  });
}
