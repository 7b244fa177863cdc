// Bed load turned down the slope by F 78: an outflow at the bottom cell of
// a sloping column with its sediment placed at the lower neighbours (2..4),
// sources moved across the faces between bottom cells (21..29), the same at
// side boundaries (31..39), and concentrations moved between neighbouring
// columns after the solve (200).
#include <algorithm>
#include <cmath>

#include "sediment/morphology.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

inline bool cellOk(int c) { return c >= 1 && c <= NoCells; }

double speedOf(int c) { return std::sqrt(Cxvel[c] * Cxvel[c] + Cyvel[c] * Cyvel[c]); }

double bedLevelOf(int c) { return Czcenter[c] - Ckdist[c]; }

// Shields number of size l under the mean k.
double shields(double k, int l) { return k > 0.0 ? 300.0 * k / ((density - 1.0) * gsize[l] * 9810.0) : 0.0; }

// Slope factor r of the method; 0 where the method has no value (the
// square root of a zero Shields number): such a bed acts as a flat one.
double slopeFactor(int method, double theta) {
  switch (method) {
    case 2:
    case 32: return theta > 0.02 ? std::sqrt(theta) : 0.1414213562373095;
    case 4:
    case 22:
    case 31:
    case 34:
    case 35:
    case 36:
    case 37:
    case 38:
    case 39: return std::sqrt(std::max(theta, 0.0));
    default: return std::sqrt(0.4 * theta * theta + 0.06);
  }
}

// The columns of block 1 with their lowest cell and bed cell.
template <class F>
void forWetColumns(F&& body) {
  if (NoBlocks < 1 || !zval || !pointbed) return;
  const BlockRecord& k = block[1];
  const int cap = bedCellCapacity();
  for (int i = std::max(k.i1, 1); i <= std::min(k.i2, xnumber); ++i)
    for (int j = std::max(k.j1, 1); j <= std::min(k.j2, ynumber); ++j) {
      const int c = static_cast<int>(zval[i][j][0]);
      const int b = pointbed[i][j];
      if (!cellOk(c) || b < 1 || b >= cap) continue;
      body(i, j, c, b);
    }
}

// The steepest lower side neighbour p of c (drop d1) and the next q (drop
// d2), in the order west, east, south, north; 0 for none.
void lowestNeighbours(int c, int& p, double& d1, int& q, double& d2) {
  const int side[4] = {Ccellw[c], Ccelle[c], Ccells[c], Ccelln[c]};
  double drop[4];
  for (int n = 0; n < 4; ++n) drop[n] = cellOk(side[n]) ? bedLevelOf(c) - bedLevelOf(side[n]) : 0.0;
  p = 0;
  d1 = 0.0;
  for (int n = 0; n < 4; ++n)
    if (cellOk(side[n]) && drop[n] > d1) {
      p = side[n];
      d1 = drop[n];
    }
  q = 0;
  d2 = 0.0;
  for (int n = 0; n < 4; ++n)
    if (cellOk(side[n]) && side[n] != p && drop[n] > d2 && drop[n] < d1) {
      q = side[n];
      d2 = drop[n];
    }
}

bool perSizeRows(int l) { return Capm && Csourcem && l < CsourcemRows; }

}  // namespace

void computeBedLoadVector() {
  if (!Cconc_old) return;
  const int method = BedLoadVectorFlag;
  forWetColumns([&](int i, int j, int c, int b) {
    double lo = zval[i][j][1], hi = lo;
    for (int x : {i - 1, i})
      for (int y : {j - 1, j}) {
        lo = std::min(lo, zval[x][y][1]);
        hi = std::max(hi, zval[x][y][1]);
      }
    if (!(Barea[b] > 0.0)) return;
    const double s = (hi - lo) / std::sqrt(Barea[b]);
    if (!(s > 0.02)) return;
    int p, q;
    double d1, d2;
    lowestNeighbours(c, p, d1, q, d2);
    if (!(d1 > 1e-6)) return;
    const double u = speedOf(c);
    for (int l = 1; l <= lnumber; ++l) {
      if (!perSizeRows(l)) continue;
      const double r = slopeFactor(method, shields(Ckinen[c], l));
      if (!(r > 0.0)) continue;
      const double A = BedLoadVectorParam / r * s * 2.0 * Ckdist[c] * u * 1000.0;
      Capm[l][c] += A;
      Csourcem[l][p] += Cconc_old[l][c] * A * d1 / (d1 + d2);
      if (q > 0) Csourcem[l][q] += A * Cconc_old[l][c] * d2 / (d1 + d2);
    }
  });
}

void computeBedLoadVector3() {
  const int method = BedLoadVectorFlag;
  // One size with F 37 1 or 2 is solved on Csource.
  const bool single = lnumber == 1 && (FlagTSC == 1 || FlagTSC == 2);
  for (int f = std::max(WFStart, 1); f <= std::min(WFEnd, NoSurfaces); ++f) {
    const int c1 = Fcell1[f], c2 = Fcell2[f];
    if (!cellOk(c1) || !cellOk(c2) || Ccellb[c1] != 0 || Ccellb[c2] != 0) continue;
    if (method == 21 && Fcell11[f] != 0 && Fcell22[f] != 0) continue;
    const double dist = Fdist1[f] + Fdist2[f];
    if (!(dist > 0.0) || !(Farea[f] > 0.0)) continue;
    const double s = (bedLevelOf(c2) - bedLevelOf(c1)) / dist;
    if (!(std::fabs(s) > 0.01)) continue;
    const double u = 0.5 * (Cxvel[c1] + Cxvel[c2]), v = 0.5 * (Cyvel[c1] + Cyvel[c2]);
    const double U = std::sqrt(u * u + v * v);
    // A still face carries nothing along it.
    if (!(U > 0.0)) continue;
    const double g = std::max(0.0, 1.0 - std::fabs(Fflux[f] / Farea[f] * 0.001) / U);
    const double k = 0.5 * (Ckinen[c1] + Ckinen[c2]);
    for (int l = 1; l <= lnumber; ++l) {
      double* src = single ? Csource : (perSizeRows(l) ? Csourcem[l] : nullptr);
      if (!src) continue;
      const double r = slopeFactor(method, shields(k, l));
      if (!(r > 0.0)) continue;
      const double R = std::clamp(BedLoadVectorParam / r * s, -1.0, 1.0);
      const double T = -Farea[f] * 1000.0 * U * R * g;
      if (T > 0.0) {
        const double m = std::max(0.0, std::min(T * Cconc[l][c1], src[c1]));
        src[c1] -= m;
        src[c2] += m;
      } else {
        const double m = std::max(0.0, std::min(-T * Cconc[l][c2], src[c2]));
        src[c1] += m;
        src[c2] -= m;
      }
    }
  }
}

void computeBedLoadVector4() {
  if (!Cconc_old) return;
  const int method = BedLoadVectorFlag;
  forWetColumns([&](int, int, int c, int b) {
    const int fb = Cflateb[c];
    if (fb < 1 || fb > NoSurfaces) return;
    const double nz = std::clamp(std::fabs(Fvz[fb]), 0.0, 1.0);
    const double t = std::tan(std::acos(nz));
    if (!(t > 0.1)) return;
    if (cellOk(Ccelle[c]) && cellOk(Ccelln[c]) && cellOk(Ccellw[c]) && cellOk(Ccells[c])) return;
    int n, q;
    double d1, d2;
    lowestNeighbours(c, n, d1, q, d2);
    if (!(d1 > 1e-6) || !(Barea[b] > 0.0)) return;
    const double u = speedOf(c);
    for (int l = 1; l <= lnumber; ++l) {
      if (!perSizeRows(l)) continue;
      const double r = slopeFactor(method, shields(Ckinen[c], l));
      if (!(r > 0.0)) continue;
      double X = 2.0 * Ckdist[c] * u * TimeStep * std::sqrt(Barea[b]) * 1000.0 * (BedLoadVectorParam / r) * t * 1000.0;
      X = std::clamp(X, 0.0, 0.2 * std::max(Capm[l][n], 0.0));
      // What leaves c with its concentration enters n as a source.
      Capm[l][c] += X;
      Csourcem[l][n] += X * Cconc_old[l][c];
    }
  });
}

void bedloadVectorExplicitConc() {
  if (NoBlocks < 1 || !zval || !xval || !yval || !Cconc || !Cvol) return;
  const BlockRecord& k = block[1];
  auto lowest = [](int i, int j) {
    const int c = static_cast<int>(zval[i][j][0]);
    return cellOk(c) ? c : 0;
  };
  auto bedLevel = [](int i, int j) {
    return 0.25 * (zval[i][j][1] + zval[i - 1][j][1] + zval[i][j - 1][1] + zval[i - 1][j - 1][1]);
  };
  auto pair = [&](int i, int j) {
    const int cl = lowest(i, j - 1), ch = lowest(i, j);
    if (!cl || !ch || !(Cvol[cl] > 0.0) || !(Cvol[ch] > 0.0)) return;
    const double X = xval[i][j] + xval[i - 1][j] - xval[i][j - 2] - xval[i - 1][j - 2];
    const double Y = yval[i][j] + yval[i - 1][j] - yval[i][j - 2] - yval[i - 1][j - 2];
    const double L = std::sqrt(X * X + Y * Y);
    if (!(L > 0.0)) return;
    const double s = (bedLevel(i, j) - bedLevel(i, j - 1)) / (0.5 * L);
    if (!(std::fabs(s) > 0.02)) return;
    const int give = s > 0.0 ? ch : cl, take = s > 0.0 ? cl : ch;
    const double kk = Ckinen[give] > 0.0 ? Ckinen[give] : 0.0;
    for (int l = 1; l <= lnumber; ++l) {
      const double theta = 300.0 * kk / (9810.0 * gsize[l]);
      const double f = std::clamp(BedLoadVectorParam * std::fabs(s) / std::sqrt(0.4 * theta * theta + 0.06), 0.0, 0.5);
      const double m = f * Cconc[l][give];
      Cconc[l][give] -= m;
      Cconc[l][take] += m * Cvol[give] / Cvol[take];
    }
  };
  // Corners i-1, j-2 must exist.
  const int i1 = std::max(k.i1, 1), i2 = std::min(k.i2, xnumber);
  const int j1 = std::max(k.j1, 1), j2 = std::min(k.j2, ynumber);
  for (int i = i1; i <= i2; ++i) {
    for (int j = j1 + 1; j <= j2; ++j) pair(i, j);
    for (int j = j2; j >= j1 + 1; --j) pair(i, j);
  }
}
