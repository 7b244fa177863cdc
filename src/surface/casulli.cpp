// The semi-implicit (Casulli) surface equation: couplings, momentum source and
// the line corrections of block 1. Serial, on the main thread.
#include "surface/casulli.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "surface/gridpoints.h"

namespace {

// The cell that carries the level equation of a column.
int equationCell(int lowest) { return lowest != 0 && TopBed == 1 ? columnTopCell(lowest) : lowest; }

int nb(const int* arr, int c) { return cellInGrid(arr[c]) ? arr[c] : 0; }
double area(int f) { return faceInGrid(f) ? Farea[f] : 0.0; }
double flux(int f) { return faceInGrid(f) ? Fflux[f] : 0.0; }

template <typename F>
void forVisitedColumns(F visit) {
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    if (!surfacegrid::updatedBlock(b)) continue;
    const BlockRecord& B = block[b];
    for (int i = std::max(B.i1, 0); i <= B.i2 && i <= xnumber + 1; ++i)
      for (int j = std::max(B.j1, 0); j <= B.j2 && j <= ynumber + 1; ++j) visit(B, i, j);
  }
}

double storageTerm() {
  switch (FlagTimeSurf) {
    case 0: return 0.0;
    case 2: return 1.0 / (InnerTimestep + 1e-30);
    case 3: return 1.0 / std::sqrt(TimeStep * InnerTimestep + 1e-30);
    case 4: return 1.0 / (10.0 * TimeStep);
    default: return 1.0 / TimeStep;
  }
}

// Coupling of equation cell e with its neighbour n across the faces `side` of
// the column of c: Manning's law linearised with the face velocity.
double coupling(int c, const int* sideNb, const int* sideFace, double halfAcrossE, double halfAcrossN,
                double halfAlongE, double halfAlongN, double lowerBound, bool cap) {
  double h = 0, Q = 0;
  forColumnUp(c, [&](int k) {
    h += Ckdist[nb(sideNb, k)] + Ckdist[k];
    Q += flux(sideFace[k]);
  });
  const double A = (halfAcrossE + halfAcrossN) * h;
  double u = std::fabs(0.001 * Q / (A + 1e-30));
  u = std::max(u, lowerBound);
  if (cap) u = std::min(u, 2.0 * std::sqrt(9.81 * std::max(h, 0.0)));
  u = std::max(u, 1e-12);
  return A * ManningInit * ManningInit * std::pow(std::max(h, 0.0), 1.33333) / (u * (halfAlongE + halfAlongN));
}

// Normal velocity of cell x through the face of unit normal (nx, ny).
double normalVelocity(int x, double nx, double ny) { return x > 0 ? Cxvel[x] * nx + Cyvel[x] * ny : 0.0; }

// The source of the velocity difference across one side of the column of c.
void sideSource(int c, int e, int n, const int* sideNb, const int* sideFace, const double* halfAlong, double hf) {
  double A = 0;
  forColumnUp(c, [&](int k) { A += area(sideFace[k]); });
  const int f = sideFace[e];
  if (!faceInGrid(f)) return;
  const double nx = Fvx[f], ny = Fvy[f];
  double Sp = 0, Sw = 0;
  int np = 0, nw = 0;
  int here = c, there = nb(sideNb, c);
  for (int steps = 0; (here != 0 || there != 0) && steps < NoCells; ++steps) {
    if (here != 0) {
      Sw += normalVelocity(there, nx, ny);
      ++np;
    }
    if (there != 0) {
      Sp += normalVelocity(here, nx, ny);
      ++nw;
    }
    here = here != 0 ? cellAbove(here) : 0;
    there = there != 0 ? cellAbove(there) : 0;
  }
  if (nw == 0 || np == 0) return;
  const double Up = Sp / nw, Uw = Sw / np;
  const double src = (Up - Uw) * A * hf / (halfAlong[e] + halfAlong[n]);
  const int fe = Cflateb[e], fn = Cflateb[n];
  if (faceInGrid(fe) && Faz[fe] != 0) Csource[e] -= src / Faz[fe];
  if (faceInGrid(fn) && Faz[fn] != 0) Csource[n] += src / Faz[fn];
}

double depthAt(int i, int j) { return zval[i][j][znumber] - zval[i][j][1]; }

// Line sums of block 1 over the equation cells of the columns (i, j1..j2).
template <typename F>
void forLineCells(const BlockRecord& B, int i, F visit) {
  for (int j = std::max(B.j1, 0); j <= B.j2 && j <= ynumber + 1; ++j)
    if (const int e = equationCell(lowestCellOf(i, j))) visit(e);
}

}  // namespace

void computeCoeffCasulli() {
  Ckdist[0] = 0.0;
  for (int c = std::max(WCStart, 1); c <= WCEnd && c <= NoCells; ++c)
    Caw[c] = Cas[c] = Can[c] = Cae[c] = Cat[c] = Cab[c] = Csource[c] = Cap[c] = Cf[c] = 0.0;
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    if (!surfacegrid::updatedBlock(b)) continue;
    const BlockRecord& B = block[b];
    for (int i = std::max(B.i1, 1); i <= B.i2 && i <= xnumber; ++i) {
      double Ai = 0;
      for (int j = std::max(B.j1, 0); j <= B.j2 && j <= ynumber + 1; ++j)
        forColumnUp(lowestCellOf(i, j), [&](int k) { Ai += area(Cflatew[k]); });
      const double uref = std::max(0.001 * DischargeArray[1] / (Ai + 1e-30), 0.001);
      const double boundWE = FlagCasulliCoeff >= 1 ? 0.2 * uref : 0.0001;
      const double boundSN = FlagCasulliCoeff >= 2 ? 0.2 * uref : 0.0001;
      for (int j = std::max(B.j1, 1); j <= B.j2 && j <= ynumber; ++j) {
        const int c = lowestCellOf(i, j);
        if (c == 0) continue;
        const int e = equationCell(c);
        if (const int w = nb(Ccellw, e)) {
          const double a = coupling(c, Ccellw, Cflatew, Cjdist[e], Cjdist[w], Cidist[e], Cidist[w], boundWE,
                                    FlagCasulliLimit > 0);
          Caw[e] = a / armap[i][j];
          Cae[w] = a / armap[i - 1][j];
        } else {
          Caw[e] = 0.0;
        }
        if (nb(Ccelle, e) == 0) Cae[e] = 0.0;
        if (const int s = nb(Ccells, e)) {
          const double a = coupling(c, Ccells, Cflates, Cidist[e], Cidist[s], Cjdist[e], Cjdist[s], boundSN,
                                    false);
          Cas[e] = a / armap[i][j];
          Can[s] = a / armap[i][j - 1];
        } else {
          Cas[e] = 0.0;
        }
        if (nb(Ccelln, e) == 0) Can[e] = 0.0;
      }
    }
  }
  const double t = storageTerm();
  forVisitedColumns([t](const BlockRecord&, int i, int j) {
    if (i < 1 || j < 1) return;
    const int e = equationCell(lowestCellOf(i, j));
    if (e == 0) return;
    Cap[e] = Cae[e] + Caw[e] + Can[e] + Cas[e];
    Cf[e] = 0.25 * (zval[i - 1][j - 1][znumber] + zval[i - 1][j][znumber] + zval[i][j - 1][znumber] + zval[i][j][znumber]);
    if (FlagTimeSurf == 5) {
      const int bc = pointbed[i][j];
      const double r = bc >= 1 && bc <= NoBCells ? std::max(0.0, BFroude[bc] - 0.1) : 0.0;
      Csource[e] += Cf[e] * (r + t);
      Cap[e] += r + t;
    } else if (FlagTimeSurf > 0) {
      Csource[e] += Cf[e] * t;
      Cap[e] += t;
    }
  });
}

void computeSourceCasulli() {
  forVisitedColumns([](const BlockRecord&, int i, int j) {
    if (i < 1 || j < 1) return;
    const int c = lowestCellOf(i, j);
    if (c == 0) return;
    const int e = equationCell(c);
    if (const int w = nb(Ccellw, e))
      sideSource(c, e, w, Ccellw, Cflatew, Cidist, 0.5 * (depthAt(i - 1, j - 1) + depthAt(i - 1, j)));
    if (const int s = nb(Ccells, e))
      sideSource(c, e, s, Ccells, Cflates, Cjdist, 0.5 * (depthAt(i - 1, j - 1) + depthAt(i, j - 1)));
  });
}

void computeBlockCasulli() {
  if (NoBlocks < 1 || !Cpt || !Cqt) return;
  const BlockRecord& B = block[1];
  const int i1 = std::max(B.i1, 1), i2 = std::min(B.i2, xnumber);
  if (i2 < i1 || i2 + 1 >= MaxCeller) return;
  auto sums = [&B](int i, double& E, double& W, double& P, double& R) {
    E = W = P = R = 0;
    forLineCells(B, i, [&](int c) {
      E += Cae[c];
      W += Caw[c];
      P += Cap[c] - Can[c] - Cas[c];
      R += Can[c] * Cf[nb(Ccelln, c)] + Cas[c] * Cf[nb(Ccells, c)] + Cae[c] * Cf[nb(Ccelle, c)] +
           Caw[c] * Cf[nb(Ccellw, c)] + Csource[c] - Cap[c] * Cf[c];
    });
  };
  Cf[0] = 0.0;
  Cpt[i1] = Cqt[i1] = 0.0;
  for (int i = i1; i <= i2; ++i) {
    double E, W, P, R;
    sums(i, E, W, P, R);
    const double d = Cpt[i] * W - P + 1e-30;
    Cpt[i + 1] = -E / d;
    Cqt[i + 1] = -(R + W * Cqt[i]) / d;
  }
  double x = 0;
  for (int i = i2; i >= i1; --i) {
    x = x * Cpt[i + 1] + Cqt[i + 1];
    forLineCells(B, i, [x](int c) { Cf[c] += x; });
  }
}

void computeBlockCasulliMG() {
  if (NoBlocks < 1) return;
  const BlockRecord& B = block[1];
  const int i1 = std::max(B.i1, 1), i2 = std::min(B.i2, xnumber);
  const int n0 = i2 - i1 + 1;
  if (n0 < 1) return;
  const std::size_t size = static_cast<std::size_t>(3 * xnumber + 6);
  std::vector<double> aE(size, 0.0), aW(size, 0.0), aP(size, 0.0), bb(size, 0.0), phi(size, 0.0);
  // Level L holds the entries start[L]..end[L]; one empty entry separates
  // two levels, so that no level couples to the next one.
  int start[12], end[12], levels = 1;
  start[0] = 1;
  end[0] = n0;
  Cf[0] = 0.0;
  for (int i = i1; i <= i2; ++i) {
    const int m = start[0] + (i - i1);
    int n = 0;
    double sum = 0;
    forLineCells(B, i, [&](int c) {
      aE[m] += Cae[c];
      aW[m] += Caw[c];
      aP[m] += Cap[c] - Can[c] - Cas[c];
      bb[m] += Csource[c];
      sum += Cf[c];
      ++n;
    });
    // A line without cells is a point of its own, held at 0.
    if (n == 0) aP[m] = 1.0;
    phi[m] = n > 0 ? sum / n : 0.0;
  }
  auto count = [&](int L) { return end[L] - start[L] + 1; };
  while (levels <= 10) {
    const int L = levels - 1;
    if (L >= 1 && count(L) < 4) break;
    const int nc = count(L) / 2;
    if (nc < 1) break;
    const int cs = end[L] + 2;
    if (static_cast<std::size_t>(cs + nc) >= size) break;
    start[levels] = cs;
    end[levels] = cs + nc - 1;
    for (int x = 0; x < count(L); ++x) {
      const int f = start[L] + x;
      const int K = std::min(cs + x / 2, end[levels]);
      bb[K] += bb[f];
      aP[K] += aP[f];
      if (x % 2 == 0) {
        aW[K] = 0.5 * aW[f];
        aP[K] -= aE[f] + 0.5 * aW[f];
        phi[K] = phi[f];
      } else {
        aE[K] = 0.5 * aE[f];
        aP[K] -= aW[f] + 0.5 * aE[f];
      }
    }
    if (count(L) % 2 == 0) aE[end[levels]] = aE[end[L]];
    ++levels;
  }
  auto smooth = [&](int L) {
    for (int pass = 0; pass < 2; ++pass) {
      for (int m = start[L]; m <= end[L]; ++m)
        phi[m] = (aE[m] * phi[m + 1] + aW[m] * phi[m - 1] + bb[m]) / (aP[m] + 1e-30);
      for (int m = end[L]; m >= start[L]; --m)
        phi[m] = (aE[m] * phi[m + 1] + aW[m] * phi[m - 1] + bb[m]) / (aP[m] + 1e-30);
    }
  };
  for (int L = levels - 1; L >= 1; --L) {
    if (count(L) < 3) continue;
    smooth(L);
    for (int q = 0; q < count(L - 1); ++q) phi[start[L - 1] + q] = phi[std::min(start[L] + q / 2, end[L])];
  }
  smooth(0);
  for (int i = i1; i <= i2; ++i) {
    const double v = phi[start[0] + (i - i1)];
    forLineCells(B, i, [v](int c) { Cf[c] = v; });
  }
}

void computeFluxCorrectionsCasulli() {
  for (int g = 1; g <= 9; ++g) {
    const DischargeGroup& G = DischargeStruct[g];
    if (G.inflow != 1 || G.surfno < 1) continue;
    const double u = 0.001 * DischargeArray[g] / (1e-30 + G.area);
    for (int k = 0; k < G.surfno && k < MaxGroupFaces; ++k) {
      const int f = G.face[k];
      if (!faceInGrid(f)) continue;
      int b = Fcell1[f] != 0 ? Fcell1[f] : Fcell2[f];
      if (!cellInGrid(b)) continue;
      for (int steps = 0; cellBelow(b) != 0 && steps < NoCells; ++steps) b = cellBelow(b);
      const int fb = Cflateb[b];
      // A column without an east coupling or a bottom area takes no share.
      if (Cae[b] == 0 || !faceInGrid(fb) || Faz[fb] == 0) continue;
      Csource[b] += ((Can[b] + Cas[b] + 2 * Cae[b]) / Cae[b] - 1) * Farea[f] * u / Faz[fb];
    }
  }
}
