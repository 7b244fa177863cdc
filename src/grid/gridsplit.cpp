// Grid-split prevention (F 371; the deep path of 48 and above is in
// deeppath.cpp): the lowest allowed water level of every column of block 1,
// so that a falling surface cannot leave a cross-section without cells at
// the next grid build.
#include "grid/gridsplit.h"

#include <algorithm>
#include <cmath>

#include "state/log.h"
#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "surface/backwater.h"
#include "surface/surface.h"

namespace {

bool onLines(int i, int j) { return zval && i >= 0 && j >= 0 && i <= xnumber + 1 && j <= ynumber + 1; }

// The bed cell of column (i, j); 0 for none or a position outside the grid.
int bedOf(int i, int j) {
  if (!pointbed || !onLines(i, j)) return 0;
  const int b = pointbed[i][j];
  return b >= 1 && b <= NoBCells ? b : 0;
}

double bedLine(int i, int j) { return zval[i][j][1]; }
double levelLine(int i, int j) { return zval[i][j][znumber]; }

double cornerBedMean(int i, int j) {
  return 0.25 * (bedLine(i - 1, j - 1) + bedLine(i, j - 1) + bedLine(i, j) + bedLine(i - 1, j));
}
double cornerBedLowest(int i, int j) {
  return std::min({bedLine(i - 1, j - 1), bedLine(i, j - 1), bedLine(i, j), bedLine(i - 1, j)});
}

double speedOf(int c) {
  if (c < 0 || c > NoCells || !Cxvel || !Cyvel) return 0.0;
  return std::sqrt(Cxvel[c] * Cxvel[c] + Cyvel[c] * Cyvel[c]);
}

void raiseColumn(int i, int j, double L) {
  const int b = bedOf(i, j);
  if (b != 0) Bminwaterlevel[b] = std::max(Bminwaterlevel[b], L);
}
void assignColumn(int i, int j, double L) {
  const int b = bedOf(i, j);
  if (b != 0) Bminwaterlevel[b] = L;
}

// Number of cells of column (i, j), counted up to two.
int cellsUpToTwo(int i, int j) {
  const int c = lowestCellOf(i, j);
  if (c == 0) return 0;
  return cellAbove(c) != 0 ? 2 : 1;
}

// 5a: the third-lowest bed of the flowing grid lines of each cross-section.
void deepestFlowingLines(const BlockRecord& B, double dh) {
  for (int i = B.i1; i <= B.i2; ++i) {
    double b1 = 100000.0, b2 = 100000.0, b3 = 100000.0, s1 = 0.0, s2 = 0.0;
    for (int j = B.j1; j <= B.j2 - 1; ++j) {
      const double sp = std::max(speedOf(lowestCellOf(i, j)), j == B.j1 ? 0.0 : speedOf(lowestCellOf(i, j - 1)));
      if (!(sp > 0.1)) continue;
      const double bed = bedLine(i, j), s = levelLine(i, j);
      if (bed < b1) {
        b3 = b2;
        b2 = b1, s2 = s1;
        b1 = bed, s1 = s;
      } else if (bed < b2) {
        b3 = b2;
        b2 = bed, s2 = s;
      } else {
        b3 = std::min(b3, bed);
      }
    }
    if (b3 > 99999.0) b2 = b3 = -10.0, s2 = 0.0;
    for (int j = B.j1; j <= B.j2; ++j) {
      const int b = bedOf(i, j);
      if (b == 0) continue;
      Bminwaterlevel[b] = b3 + dh;
      if (Bminlevdh) Bminlevdh[b] = b2 + dh - s2;
    }
  }
}

double faceFlux(int f) { return f >= 1 && f <= NoSurfaces && Fflux ? Fflux[f] : 0.0; }

// 5d: column Froude numbers above the limit.
void columnFroude(const BlockRecord& B) {
  if (!BFroude || !Bdepth || !Bcellt) return;
  for (int i = B.i1; i <= B.i2; ++i)
    for (int j = B.j1; j <= B.j2; ++j) {
      const int b = bedOf(i, j);
      if (b == 0 || Bcellt[b] <= 0) continue;
      const double fr = std::min(BFroude[b], 3.0);
      if (!(fr > FroudeSplit)) continue;
      const double hc = std::pow(std::pow(Bdepth[b], 1.5) * fr / FroudeSplit, 0.6666666667);
      const double base = FlagNoGridSplit == 10 ? 0.5 * cornerBedLowest(i, j) + 0.5 * cornerBedMean(i, j)
                                                : cornerBedMean(i, j);
      raiseColumn(i, j, base + hc);
      raiseColumn(i + 1, j, base + 0.6 * hc);
      raiseColumn(i - 1, j, base + 0.6 * hc);
      raiseColumn(i, j + 1, base + 0.6 * hc);
      raiseColumn(i, j - 1, base + 0.6 * hc);
    }
}

// 5e: the nine rows around the fastest row of each cross-section.
void fastestRow(const BlockRecord& B, double dh) {
  const int K = gridSplitKant;
  for (int i = B.i1; i <= B.i2; ++i) {
    int jmax = 0;
    double best = -1.0;
    for (int j = B.j1 + K; j <= B.j2 - K; ++j) {
      const int c = lowestCellOf(i, j);
      if (c == 0) continue;
      const double u = Cxvel ? Cxvel[c] : 0.0, v = Cyvel ? Cyvel[c] : 0.0;
      const double s = std::sqrt(u * u + v * v + 1e-5);
      if (s > best) best = s, jmax = j;
    }
    // A cross-section without cells in its window has no row to keep.
    if (jmax == 0) continue;
    const int c = lowestCellOf(i, jmax);
    const double cellBottom = Czcenter[c] - Ckdist[c];
    const double base = FlagGrid13 == 1   ? cornerBedMean(i, jmax)
                        : FlagGrid13 == 2 ? 0.5 * cellBottom + 0.5 * cornerBedMean(i, jmax)
                                          : cellBottom;
    for (int j = std::max(jmax - 4, B.j1); j <= std::min(jmax + 4, B.j2); ++j) {
      const double L = base + (1.0 - std::fabs(0.2 * (j - jmax))) * dh;
      assignColumn(i, j, L);
      if (i < B.i2) assignColumn(i + 1, j, L);
      if (i > B.i1) raiseColumn(i - 1, j, L);
    }
  }
}

double faceVelocity(int f) {
  if (f < 1 || f > NoSurfaces || !Fflux || !Farea || !(Farea[f] > 0.0)) return 0.0;
  return Fflux[f] * 0.001 / Farea[f];
}
double pointZ(int p) { return p >= 1 && p <= NoPoints && Pz ? Pz[p] : 0.0; }

// 5f: velocity heads of single-cell columns.
void singleCellHeads(const BlockRecord& B, double dh) {
  const int K = gridSplitKant;
  for (int i = B.i1; i <= B.i2 - 1; ++i)
    for (int j = B.j1 + K; j <= B.j2 - K - 1; ++j) {
      const int c = lowestCellOf(i, j);
      if (c == 0 || cellAbove(c) != 0) continue;
      const double u = faceVelocity(Cflatew[c]);
      const double L1 = std::min(pointZ(Cpoint2[c]), pointZ(Cpoint3[c])) + std::min(u * u / 9.81, dh);
      raiseColumn(i, j, L1);
      if (cellsUpToTwo(i + 1, j) <= 1) raiseColumn(i + 1, j, L1);
      // The second level comes from the north face of the east neighbour's
      // lowest cell; a dry east neighbour gives none.
      const int ce = lowestCellOf(i + 1, j);
      if (ce == 0) continue;
      const double u2 = faceVelocity(Cflaten[ce]);
      const double L2 = std::min(pointZ(Cpoint4[ce]), pointZ(Cpoint3[ce])) + std::min(u2 * u2 / 9.81, dh);
      raiseColumn(i + 1, j, L2);
      if (cellsUpToTwo(i, j + 1) <= 1) raiseColumn(i, j + 1, L2);
    }
}

// 5g: pressure gradients at the bed. The margin is reduced per column where
// the steepest gradient exceeds it, never below 0 and never for the columns
// after it.
void pressureGradients(const BlockRecord& B, double dh) {
  const int K = gridSplitKant;
  for (int i = B.i1; i <= B.i2; ++i)
    for (int j = B.j1 + K; j <= B.j2 - K - 1; ++j) {
      const int c = lowestCellOf(i, j);
      if (c == 0 || !Cpres) continue;
      double gmax = 0.0;
      const int nb[4] = {Ccelle[c], Ccellw[c], Ccelln[c], Ccells[c]};
      for (int k = 0; k < 4; ++k) {
        const int n = nb[k];
        if (n < 1 || n > NoCells) continue;
        const double d = k < 2 ? Cidist[c] : Cjdist[c];
        if (!(d > 0.0)) continue;
        gmax = std::max(gmax, std::fabs(Cpres[n] - Cpres[c]) / (20.0 * d * 9810.0));
      }
      if (!(gmax > dh)) continue;
      const double m = std::max(0.0, std::min(dh, gmax - dh));
      const double zb = cornerBedLowest(i, j);
      raiseColumn(i, j, zb + m);
      raiseColumn(i + 1, j, zb + 0.5 * m);
      raiseColumn(i - 1, j, zb + 0.5 * m);
      raiseColumn(i, j + 1, zb + 0.5 * m);
      raiseColumn(i, j - 1, zb + 0.5 * m);
    }
}

}  // namespace

double gridSplitMargin(int v) {
  switch (v) {
    case 1: case 11: case 12: case 36: case 62: return 1.5 * MinVertDist0;
    case 2: case 13: case 65: return MinVertDist0;
    case 3: case 14: case 19: return 0.5 * MinVertDist0;
    case 4: case 17: case 28: case 38: case 58: return 2.0 * MinVertDist1;
    case 5: case 15: case 25: return 3.0 * MinVertDist0;
    case 6: case 16: case 29: case 39: case 59: return 3.0 * MinVertDist1;
    case 18: case 27: case 37: case 57: return MinVertDist1;
    case 26: return 2.0 * MinVertDist0;
    case 60: return 0.0;
    case 61: return 1.1 * MinVertDist0;
    case 63: return 10.0 * MinVertDist1;
    case 64: {
      const double q = DischargeStruct[1].discharge * 0.001 / (solverFroudeLimit * 9.81);
      return std::pow(q, 0.33333333);
    }
    default: return 0.05;
  }
}

void computeMinwaterlevel2() {
  const BlockRecord& B = block[1];
  if (!Bcellt) return;
  for (int i = B.i1; i <= B.i2; ++i) {
    int j = B.j1;
    while (j <= B.j2) {
      const int b0 = bedOf(i, j);
      if (b0 == 0 || Bcellt[b0] <= 0 || Bcellt[b0] > NoCells) {
        ++j;
        continue;
      }
      const int jStart = j;
      double A = 0.0, Q = 0.0, W = 0.0, Z = 0.0;
      int n = 0;
      for (; j <= B.j2; ++j) {
        const int b = bedOf(i, j);
        if (b == 0 || Bcellt[b] <= 0 || Bcellt[b] > NoCells) break;
        int top = Bcellt[b];
        forColumnUp(Bcellt[b], [&](int c) {
          A += 4.0 * Ckdist[c] * Cjdist[c];
          Q += (faceFlux(Cflatee[c]) + faceFlux(Cflatew[c])) / 2.0;
          top = c;
        });
        W += 2.0 * Cjdist[top];
        Z += Czcenter[top] + Ckdist[top];
        ++n;
      }
      const double fr = std::fabs(Q * 0.001 / (A + 1e-30)) / std::sqrt(9.81 * (A + 1e-30) / (W + 1e-30));
      const double r = std::pow(FroudeSplit / fr, 0.666667);
      const double L = Z / n - (1.0 - 1.0 / (r + 1e-30)) * A / (W + 1e-30);
      for (int jj = jStart; jj < j; ++jj) assignColumn(i, jj, L);
    }
  }
}

void computeMinwaterlevel3() {
  const BlockRecord& B = block[1];
  const double qmin = 0.9 * DischargeArray[1];
  for (int i = B.i1; i <= B.i2; ++i) {
    double Q = 0.0, W = 0.0, zmin = 1e20;
    for (int j = B.j1; j <= B.j2; ++j) {
      const int c0 = lowestCellOf(i, j);
      if (c0 == 0) continue;
      zmin = std::min(zmin, Czcenter[c0] - Ckdist[c0]);
      int top = c0;
      forColumnUp(c0, [&](int c) {
        Q += (faceFlux(Cflatee[c]) + faceFlux(Cflatew[c])) / 2.0;
        top = c;
      });
      W += 2.0 * Cjdist[top];
    }
    if (!(W > 0.0)) continue;  // no wet column
    const double q = std::max(Q, qmin);
    const double hc = std::pow(q * q * 1e-6 / (W * W * 9.81 * FroudeSplit * FroudeSplit), 0.333333333);
    for (int j = B.j1; j <= B.j2; ++j) assignColumn(i, j, zmin + hc);
  }
}

void computeMinwaterlevel4() {
  const BlockRecord& B = block[1];
  const double Q = DischargeArray[1] * 0.001;
  const double fs = FroudeSplit;
  for (int i = B.i2; i >= B.i1; --i) {
    double zmin = 1e20, W = 0.0;
    int wet = 0;
    for (int j = B.j1; j <= B.j2; ++j) {
      if (lowestCellOf(i, j) == 0) continue;
      const double zs = 0.25 * (levelLine(i - 1, j - 1) + levelLine(i, j - 1) + levelLine(i, j) + levelLine(i - 1, j));
      if (zs > 10000.0) {
        logf("Warning, F 371 9 has too high water level as input for time %lf cross-section %d, point %d, wlevel = %lf\n",
             stimet, i, j, zs);
        continue;
      }
      zmin = std::min(zmin, cornerBedMean(i, j));
      W += std::hypot(xval[i][j] - xval[i][j - 1], yval[i][j] - yval[i][j - 1]);
      ++wet;
    }
    // A cross-section without a wet column has no level to search from.
    if (wet == 0 || !(W > 0.0)) continue;
    const double hc = std::pow((Q / W) * (Q / W) / (fs * 9.81 * fs), 0.333333333);
    double z = std::max(zmin + 2.0 * hc, zmin + 2.0 * MinVertDist0);
    const double D = z - zmin;
    double s = 0.1 * D, F = 0.0, F2 = 0.0, taken = 0.0;
    bool found = false;
    for (int it = 0; it < 100 && !found; ++it) {
      F = computeFroude(i, Q, z);
      if (F > fs) {
        F2 = computeFroude(i, Q, z + s);
        const double w = (F - fs) / (std::fabs(F - F2) + 0.01);
        taken = w < 1.0 ? w * s : s;
        z += taken;
      } else {
        F2 = computeFroude(i, Q, z - s);
        const double w = (fs - F) / (std::fabs(F2 - F) + 0.01);
        taken = w < 1.0 ? w * s : s;
        z -= taken;
        s = std::max(0.9 * s, 0.01 * D);
      }
      found = std::fabs(F - fs) < 0.01;
    }
    if (!found) {
      logf("Warning, F 371 9 algorithm failed for time %lf cross-section %d, wlevel = %lf Froude1 = %lf, Froude2 = %lf, "
           "weight = %lf, zmin = %lf, deltaz = %lf, maxdepth = %lf\n",
           stimet, i, z, F, F2, taken, zmin, s, D);
      z = zmin + 2.0 * MinVertDist0;
    }
    for (int j = B.j1; j <= B.j2; ++j) assignColumn(i, j, z);
  }
}

void NoGridSplit() {
  rute[0] = 0;
  if (!Bminwaterlevel || NoBlocks < 1 || !zval) return;
  const BlockRecord& B = block[1];
  if (B.i1 < 1 || B.j1 < 1 || B.i2 > xnumber || B.j2 > ynumber) return;
  const double dh = gridSplitMargin(FlagNoGridSplit);
  if (Cxvel) Cxvel[0] = 0.0;
  if (Cyvel) Cyvel[0] = 0.0;
  for (int i = B.i1; i <= B.i2; ++i)
    for (int j = B.j1; j <= B.j2; ++j) {
      const int b = bedOf(i, j);
      if (b == 0) continue;
      if (FlagNoGridSplit != 9) Bminwaterlevel[b] = -1000.0;
      if (Bminlevdh) Bminlevdh[b] = -10.0;
      if (BLevFroude) BLevFroude[b] = -1000.0;
    }
  const int v = FlagNoGridSplit;
  if (v < 7) deepestFlowingLines(B, dh);
  else if (v <= 8) computeMinwaterlevel2();
  else if (v == 9) computeMinwaterlevel4();
  else if (v <= 11) columnFroude(B);
  else if (v <= 23) fastestRow(B, dh);
  else if (v <= 35) singleCellHeads(B, dh);
  else if (v <= 47) pressureGradients(B, dh);
  else traceDeepPath(dh);
  // The end steps act only after a deep path was traced in this call.
  if (FlagCriticalCross == 1) {
    if (rute[0] < 1) return;
    computeCriticalCross();
  }
  if (solverFroude == 2 && rute[0] > 0) computeSurfLevFroude(static_cast<int>(dh));
}
