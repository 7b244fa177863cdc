// One-dimensional backwater along block 1: the standard-step curve from the
// downstream line (run letter Q, F 36 30, F 343 30, F 477), the Froude number
// of a row of columns and the row-by-row head profile of F 343 4.
#include "surface/backwater.h"

#include <cmath>

#include "state/log.h"
#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

// Grid lines outside the block grid are read at the nearest line that zval holds.
int lineI(int i) { return i < 0 ? 0 : (i > xnumber + 1 ? xnumber + 1 : i); }
int lineJ(int j) { return j < 0 ? 0 : (j > ynumber + 1 ? ynumber + 1 : j); }

double bedAt(int i, int j) { return zval[lineI(i)][lineJ(j)][1]; }
double planDistance(int ia, int ja, int ib, int jb) {
  ia = lineI(ia), ja = lineJ(ja), ib = lineI(ib), jb = lineJ(jb);
  return std::hypot(xval[ia][ja] - xval[ib][jb], yval[ia][ja] - yval[ib][jb]);
}

// The bed cell under the lowest cell of column (i, j); 0 when there is none.
int bedCellOfColumn(int i, int j) {
  const int c = lowestCellOf(i, j);
  if (c == 0 || !Cbed) return 0;
  const int b = Cbed[c];
  return b >= 1 && b <= NoBCells ? b : 0;
}

void setLineLevel(int i, int j, double z) { zval[i][j][znumber] = zval[i][j][znumber + 1] = z; }

double downstreamLevel() { return GlobZRef < -1000.0 ? level : GlobZRef; }

// Grain roughness of the first iteration: d90 of the bed layer under every
// column of block 1 (and a zero bed-form height with F 475 2).
void grainRoughness(const BlockRecord& B) {
  if (!Bd90) return;
  for (int i = B.i2; i >= B.i1 - 1; --i)
    for (int j = B.j1; j <= B.j2; ++j) {
      const int b = bedCellOfColumn(i, j);
      if (b == 0) continue;
      const int layer = (NoBedLayers == 2 && FlagTSC != 3) ? 1 : (BlayerTop ? BlayerTop[b] : 1);
      double f[51] = {0.0};
      const int n = lnumber < 50 ? lnumber : 50;
      if (BSedDistrib && layer >= 0 && layer <= NoBedLayers)
        for (int k = 1; k <= n; ++k) f[k] = BSedDistrib[layer][k][b];
      Bd90[b] = backwaterD90(f, n);
      if (FlagFriction == 2 && Bedformheight) Bedformheight[b] = 0.0;
    }
}

// Wetted area and perimeter of grid line i at level z.
void wettedSection(const BlockRecord& B, int i, double z, double& A, double& P) {
  A = P = 0.0;
  for (int j = B.j1; j <= B.j2; ++j) {
    const double d1 = z - bedAt(i, j - 1), d2 = z - bedAt(i, j);
    const double w = planDistance(i, j - 1, i, j);
    if (d1 > 0.0 && d2 > 0.0) {
      P += std::sqrt((d2 - d1) * (d2 - d1) + w * w);
      A += (d1 + d2) * w / 2.0;
    } else if (d1 > 0.0 || d2 > 0.0) {
      const double d = d1 > 0.0 ? d1 : d2, e = d1 > 0.0 ? d2 : d1;
      const double wp = w * d / (d - e);
      P += std::sqrt(wp * wp + d * d);
      A += d * wp / 2.0;
    }
  }
}

// Strickler's coefficient of the step onto line i at level z.
double strickler(const BlockRecord& B, int i, double z) {
  if (FlagFriction <= 0) return ManningInit;
  const int top = lnumber >= 1 && lnumber <= 50 ? lnumber : 1;
  const double coarse = gsize[top];
  double sum = 0.0;
  int count = 0;
  for (int j = B.j1; j <= B.j2; ++j) {
    const double d1 = z - bedAt(i, j - 1), d2 = z - bedAt(i, j);
    if (!(d1 > 0.0 && d2 > 0.0)) continue;
    const int b = bedCellOfColumn(i + 1, j);
    if (b == 0 || !Bd90 || !(Bd90[b] > 0.5 * coarse)) continue;
    if (FlagFriction == 1) {
      sum += Bd90[b];
    } else {
      const double hb = Bedformheight ? Bedformheight[b] : 0.0;
      sum += Bd90[b] + 0.33333333 * 1.1 * hb * (1.0 - std::exp(-6.8493150684931505 * hb / (d1 + d2)));
    }
    ++count;
  }
  double ks = sum / (count + 1e-20);
  // A line without a qualifying column takes the coarsest grain, also with
  // bed forms: a zero roughness would take the friction away from the step.
  if (ks < coarse) ks = coarse;
  return 26.0 / (1e-20 + std::pow(ks, 0.166666667));
}

// Length of the step onto line i: twice the half length of the middle
// column's lowest cell, or the distance between lines i and i + 1 at the
// middle when that column is dry or its cells are not measured yet (letter Q
// straight after the grid generation).
double stepLength(const BlockRecord& B, int i) {
  const int jm = (B.j1 + B.j2) / 2;
  const int c = lowestCellOf(i, jm);
  if (c != 0 && Cidist && Cidist[c] > 0.0) return 2.0 * Cidist[c];
  const double xa = 0.5 * (xval[lineI(i)][lineJ(jm - 1)] + xval[lineI(i)][lineJ(jm)]);
  const double ya = 0.5 * (yval[lineI(i)][lineJ(jm - 1)] + yval[lineI(i)][lineJ(jm)]);
  const double xb = 0.5 * (xval[lineI(i + 1)][lineJ(jm - 1)] + xval[lineI(i + 1)][lineJ(jm)]);
  const double yb = 0.5 * (yval[lineI(i + 1)][lineJ(jm - 1)] + yval[lineI(i + 1)][lineJ(jm)]);
  return std::hypot(xa - xb, ya - yb);
}

bool blockOneUsable() {
  if (NoBlocks < 1 || !zval || !xval || !yval) return false;
  const BlockRecord& B = block[1];
  return B.i1 >= 1 && B.j1 >= 1 && B.i2 <= xnumber + 1 && B.j2 <= ynumber + 1;
}

}  // namespace

double backwaterD90(const double* f, int n) {
  if (n < 1) return gsize[1];
  // Cumulative fraction at the middle of size k, counted from the finest size n.
  auto middle = [&](int k) {
    double s = f[k] / 2.0;
    for (int m = k + 1; m <= n; ++m) s += f[m];
    return s;
  };
  if (middle(n) > 0.9) return gsize[n];
  if (n == 1) return gsize[1];
  for (int k = n - 1; k >= 1; --k) {
    const double F = middle(k);
    if (F > 0.9) {
      const double w = 2.0 * (F - 0.9) / (f[k] + f[k + 1]);
      return (1.0 - w) * gsize[k] + w * gsize[k + 1];
    }
  }
  return gsize[1];
}

double computeFroude(int i, double Q, double z) {
  const BlockRecord& B = block[1];
  if (B.j1 > B.j2) return (Q / 1e-20) / 1e-10;
  double A = 0.0, W = 0.0;
  for (int j = B.j1; j <= B.j2; ++j) {
    const double ds = z - 0.5 * (bedAt(i, j - 1) + bedAt(i - 1, j - 1));
    const double dn = z - 0.5 * (bedAt(i, j) + bedAt(i - 1, j));
    const double xs = 0.5 * (xval[lineI(i)][lineJ(j - 1)] + xval[lineI(i - 1)][lineJ(j - 1)]);
    const double ys = 0.5 * (yval[lineI(i)][lineJ(j - 1)] + yval[lineI(i - 1)][lineJ(j - 1)]);
    const double xn = 0.5 * (xval[lineI(i)][lineJ(j)] + xval[lineI(i - 1)][lineJ(j)]);
    const double yn = 0.5 * (yval[lineI(i)][lineJ(j)] + yval[lineI(i - 1)][lineJ(j)]);
    const double w = std::hypot(xn - xs, yn - ys);
    if (ds > 0.0 && dn > 0.0) {
      W += w;
      A += (ds + dn) * w / 2.0;
    } else if (ds > 0.0 || dn > 0.0) {
      const double d = ds > 0.0 ? ds : dn, e = ds > 0.0 ? dn : ds;
      const double wp = w * d / (d - e);
      W += wp;
      A += d * wp / 2.0;
    }
  }
  return (Q / (A + 1e-20)) / std::sqrt(9.81 * A / (W + 1e-20) + 1e-20);
}

void backwater() {
  if (!blockOneUsable()) fatal(2, "Error: the backwater computation needs the grid lines of block 1 (G 1, G 2 and a grid)\n");
  const BlockRecord& B = block[1];
  double z = downstreamLevel();
  maxBackwater = -z;
  const double Q = DischargeArray[1] * 0.001 >= 1e-10 ? DischargeArray[1] * 0.001 : discharge;
  if (FlagFriction >= 1 && Iter <= 1) grainRoughness(B);

  for (int j = B.j1 - 1; j <= B.j2; ++j) setLineLevel(B.i2, j, z);
  if (B.i2 < B.i1) {
    maxBackwater += z;
    return;
  }
  const bool writeLines = FlagTFS == 30 || BlockCasulli == 30;
  const double L = solverFroudeLimit;
  for (int i = B.i2 - 1; i >= B.i1 - 1; --i) {
    double A, P;
    wettedSection(B, i, z, A, P);
    if (A > 0.0 && P > 0.0) {
      const double R = A / P, V = Q / A;
      const double M = strickler(B, i, z);
      const double S = V * V / (M * M * std::pow(R, 1.33333));
      z += S * stepLength(B, i);
      if (solverFroude > 0) {
        const double Fr = computeFroude(i, Q, z);
        if (Fr > L) {
          const double dz = R / 2.0;
          const double Fr2 = computeFroude(i, Q, z + dz);
          z += Fr2 < L ? dz * (Fr - L) / (Fr - Fr2 + 1e-20) : dz * (Fr - L) / (Fr - L + 1e-20);
        }
      }
    } else {
      // No wet panel: no friction loss can be computed, the level goes on unchanged.
      logf("Warning: backwater cross-section %d is dry at level %lf; the level is carried on without a friction step\n",
           i, z);
    }
    if (!writeLines) continue;
    for (int j = B.j1 - 1; j <= B.j2; ++j) setLineLevel(i, j, z);
    if (!Cf) continue;
    for (int j = B.j1; j <= B.j2; ++j) {
      const int c = lowestCellOf(i + 1, j);
      if (c == 0) continue;
      Cf[c] = 0.25 * (zval[i][j - 1][znumber] + z + zval[i + 1][j][znumber] + zval[i + 1][j - 1][znumber]);
    }
  }
  maxBackwater += z;
}

void backwaterPres() {
  if (!blockOneUsable() || !Cf || !Cpres || !Czcenter || !Ckdist) return;
  const BlockRecord& B = block[1];
  const double z0 = downstreamLevel();
  double pPrev = 0.0;
  int n = 0;
  for (int j = B.j1; j <= B.j2; ++j) {
    const int c = lowestCellOf(B.i2, j);
    if (c == 0) continue;
    Cf[c] = 0.0;
    pPrev += Cpres[columnTopCell(c)];
    ++n;
  }
  if (n > 0) pPrev /= n;
  for (int i = B.i2 - 1; i >= B.i1; --i) {
    double p = 0.0, zt = 0.0;
    int m = 0;
    for (int j = B.j1; j <= B.j2; ++j) {
      const int c = lowestCellOf(i, j);
      if (c == 0) continue;
      const int t = columnTopCell(c);
      p += Cpres[t];
      zt += Czcenter[t] + Ckdist[t];
      ++m;
    }
    // A row without cells has no head to give; the next row is taken
    // against the last row that had one.
    if (m == 0) continue;
    p /= m;
    zt /= m;
    double v = (p - pPrev) / 9810.0;
    if (FlagScaleFreeSource > 0) v *= scaleBackwater2;
    v -= zt - z0;
    for (int j = B.j1; j <= B.j2; ++j) {
      const int c = lowestCellOf(i, j);
      if (c != 0) Cf[c] = v;
    }
    pPrev = p;
  }
}
