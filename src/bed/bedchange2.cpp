// The column-wise bed change (F 255 1): the columns are placed one at a
// time, each seeing the corners that the columns before it moved, in three
// passes: every depositing column, then the columns that lose more than
// nine tenths of their two bed layers, then the other eroding ones. A
// column too shallow for the Froude limit of F 132 lifts its water levels.
// Runs on the main thread.
#include <algorithm>
#include <cmath>

#include "bed/bed.h"
#include "bed/bedtail.h"
#include "bed/columns.h"
#include "bed/cornershares.h"
#include "flow/cellequations.h"
#include "state/log.h"
#include "physics/bedshear.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"

namespace {

using namespace bedcols;

inline int cellOr0(const int* a, int c) { return c >= 1 && c <= NoCells ? a[c] : 0; }

// Ratio of the erosion to the two bed layers of bed cell b.
double erodedShare(int b) {
  const double T1 = BSedDistrib ? BSedDistrib[1][0][b] : 0.0, T0 = BSedDistrib ? BSedDistrib[0][0][b] : 0.0;
  return -Bedmove[b] / (T1 + T0 + 1e-20);
}

struct CellShares {
  double r[5] = {}, w[5] = {}, wa[5] = {}, a[5] = {};
};

void diagnostics(int i, int j, int b, int c, int code, double R, double A, const CellShares& k) {
  const int bc = Bcellt[b];
  const double T1 = BSedDistrib ? BSedDistrib[1][0][b] : 0.0, T0 = BSedDistrib ? BSedDistrib[0][0][b] : 0.0;
  (void)c;
  logf("Warning in bed change, i,j,ii,Bedmove,rest,dz,area = %d %d %d %lg %lg %lg %lg\n", i, j, code, Bedmove[b], R,
       Bedmove[b], A);
  logf("Iter: %d, Thickness top: %lg bottom: %lg\n", Iter, T1, T0);
  logf("Velocity, pressure, bedshear: %lg m/s, %lg m/s, %lg m/s, %lg Pa, %lg Pa\n", Cxvel[bc], Cyvel[bc], Czvel[bc],
       Cpres[bc], 300.0 * Ckinen[bc]);
  double avail = 0.0, placed = 0.0, sumA = 0.0, sumR = 0.0;
  for (int n = 1; n <= 4; ++n) {
    avail += k.a[n] * k.wa[n] / 4.0;
    placed += k.r[n] * k.wa[n] / 4.0;
    sumA += k.a[n];
    sumR += k.r[n];
  }
  logf("Volume available: %lg, eroded: %lg, supp_eroded: %lg, avl_box_2: %lg, avl_box_1: %lg\n", avail, placed,
       Bedmove[b] * A, A / 4.0 * sumA, T1 * A);
  logf("Fluxes through cell (tenws): %e %e %e %e %e\n", Fflux[Cflatet[bc]], Fflux[Cflatee[bc]], Fflux[Cflaten[bc]],
       Fflux[Cflatew[bc]], Fflux[Cflates[bc]]);
  logf("Neighbour cell indexes (tenws): %d %d %d %d %d\n", Ccellt[bc], Ccelle[bc], Ccelln[bc], Ccellw[bc], Ccells[bc]);
  logf("Distances: i: %lf j: %lf k: %lf\n", Cidist[bc], Cjdist[bc], Ckdist[bc]);
  logf("Barea: %lf, m_armap: %lf, Careaz: %lf\n", Barea[b], A, Careaz ? Careaz[bc] : 0.0);
  logf("Distances: av_minmove: %lg, av_move: %lg, vaval/area: %lg, BSedDistrib[TOP]: %lg, BSedDistrib[BED]: %lg, "
       "dz: %lg\n",
       sumA / 4.0, sumR / 4.0, avail / A, T1, T0, Bedmove[b]);
  for (int n = 1; n <= 4; ++n) logf("Corner %d, move, factor, minmove = %lg %lg %lg\n", n, k.r[n], k.w[n], k.a[n]);
  for (int s = 1; s <= lnumber; ++s)
    logf("Cell P: Size %d, Conc: %lg, Fraction: %lg\n", s, Cconc[s][bc], BSedDistrib ? BSedDistrib[1][s][b] : 0.0);
}

}  // namespace

void bedchangeCell(int i, int j, int b, int i1, int i2, int j1, int j2) {
  Barea[0] = 0.0;
  if (!gridLine(i, j) || !gridLine(i - 1, j - 1) || !bedCell(b)) return;
  const double move = Bedmove[b];
  int c = Bcellt[b];
  if (c < 1 || c > NoCells) return;
  if (TopBed == 1)
    for (int guard = 0; guard < NoCells && Ccellt[c] >= 1 && Ccellt[c] <= NoCells; ++guard) c = Ccellt[c];
  const int opt = FlagSkewedBedchange;
  const double p = opt == 1 ? 1.5 : opt == 2 ? 2.0 : opt == 3 ? 5.0 : opt == 4 ? 10.0 : 0.0;
  // Neighbour columns through the cell links, the diagonal ones either way.
  const int w = Ccellw[c], e = Ccelle[c], s = Ccells[c], n = Ccelln[c];
  auto either = [](int first, int second) { return first != 0 ? first : second; };
  const int se = either(cellOr0(Ccelle, s), cellOr0(Ccells, e)), sw = either(cellOr0(Ccellw, s), cellOr0(Ccells, w));
  const int nw = either(cellOr0(Ccellw, n), cellOr0(Ccelln, w)), ne = either(cellOr0(Ccelle, n), cellOr0(Ccelln, e));
  auto area = [&](bool inside, int I, int J, int x) {
    if (inside) return gridLine(I, J) ? armap[I][J] : 0.0;
    return Barea[bedOf(x)];
  };
  const double aE = area(i < i2, i + 1, j, e), aW = area(i > i1, i - 1, j, w);
  const double aS = area(j > j1, i, j - 1, s), aN = area(j < j2, i, j + 1, n);
  const double aSE = area(i < i2 && j > j1, i + 1, j - 1, se), aSW = area(i > i1 && j > j1, i - 1, j - 1, sw);
  const double aNW = area(i > i1 && j < j2, i - 1, j + 1, nw), aNE = area(i < i2 && j < j2, i + 1, j + 1, ne);
  const double A = armap[i][j] + 1e-20;
  CellShares k;
  k.w[1] = A + aE + aN + aNE;
  k.w[2] = A + aE + aS + aSE;
  k.w[3] = A + aW + aS + aSW;
  k.w[4] = A + aW + aN + aNW;
  for (int m = 1; m <= 4; ++m) k.wa[m] = k.w[m];
  const int ci[5] = {0, i, i, i - 1, i - 1}, cj[5] = {0, j, j - 1, j - 1, j};
  const bool erosion = move < 0.0;
  // Skew: a larger factor takes a smaller share.
  if (opt >= 1 && opt <= 4) {
    double zmax = -1e300, zmin = 1e300;
    for (int m = 1; m <= 4; ++m) zmax = std::max(zmax, zval[ci[m]][cj[m]][1]), zmin = std::min(zmin, zval[ci[m]][cj[m]][1]);
    const double q = 1.0 / (zmax - zmin + 1e-20);
    for (int m = 1; m <= 4; ++m) {
      const double z = zval[ci[m]][cj[m]][1];
      k.w[m] *= (erosion ? zmax - z : z - zmin) * q + p;
    }
    keepColumnVolume(k.wa, k.w);
  } else if (opt == 5 || (opt == 6 && erosion)) {
    const int* const pts[5] = {nullptr, Cpoint3, Cpoint2, Cpoint1, Cpoint4};
    for (int m = 1; m <= 4; ++m) {
      const int pt = pts[m][c];
      if (pt < 1 || pt > NoPoints) continue;
      const double d = dotproduct(Cxvel[c], Cyvel[c], Px[pt] - Cxcenter[c], Py[pt] - Cycenter[c]);
      if (d > 0.0) k.w[m] *= 1.0 + d;
    }
    keepColumnVolume(k.wa, k.w);
  }
  for (int m = 1; m <= 4; ++m) {
    const double z = zval[ci[m]][cj[m]][1];
    if (FlagBedChange == 2)
      k.a[m] = 1000.0;
    else if (erosion)
      k.a[m] = std::max(0.0, z - Surfaces[3][ci[m]][cj[m]]);
    else
      k.a[m] = FlagBedChange == 1 ? std::max(0.0, zval[ci[m]][cj[m]][znumber] - z) : 1000.0;
  }
  // Placing, the corners limited in an order and down to a remainder that
  // depend on the parity of the cell.
  const bool odd = c % 2 != 0;
  const int order[2][4] = {{1, 2, 3, 4}, {2, 1, 4, 3}};
  const double threshold = odd ? 1e-10 : 1e-9;
  double V = std::fabs(move), R = 0.0;
  for (int pass = 0; pass < std::max(NumMoveBedchange, 1); ++pass) {
    for (int m = 1; m <= 4; ++m) k.r[m] += V * A / k.w[m];
    R = 0.0;
    for (int x = 0; x < 4; ++x) {
      const int m = order[odd][x];
      if (k.r[m] > k.a[m]) {
        R += (k.r[m] - k.a[m]) * k.wa[m] * 0.25 / A;
        k.r[m] = k.a[m];
      }
    }
    V = R;
    if (R < threshold) break;
  }
  const double kg = R * A * SolidFrac * 1000.0 * density;
  BedMoveDefectSum += move / std::fabs(move + 1e-20) * kg;
  BedMoveDefectAbs += kg;
  if (std::fabs(R) > 1e-6 && debugging == 'S') diagnostics(i, j, b, c, odd ? 3 : 5, R, A, k);
  for (int m = 1; m <= 4; ++m) {
    const double r = erosion ? -k.r[m] : k.r[m];
    zval[ci[m]][cj[m]][1] += r;
    Surfaces[1][ci[m]][cj[m]] += r;
  }
  // Froude limit of the water surface over the column.
  if (FroudeMaxSurface > 0.5) {
    const double h = (Cxvel[c] * Cxvel[c] + Cyvel[c] * Cyvel[c]) / (FroudeMaxSurface * FroudeMaxSurface * 9.81);
    double sumS = 0.0, sumP = 0.0;
    for (int m = 1; m <= 4; ++m) sumS += zval[ci[m]][cj[m]][znumber];
    for (const int* pts : {Cpoint1, Cpoint2, Cpoint3, Cpoint4}) {
      const int pt = pts[c];
      sumP += pt >= 1 && pt <= NoPoints ? Pz[pt] : 0.0;
    }
    const double D = 0.25 * (sumS - sumP);
    if (h > D && D > 0.0) {
      for (int m = 1; m <= 4; ++m) zval[ci[m]][cj[m]][znumber] += h - D;
    } else if (IterWaterUpdate > 10000 && D > 0.0) {
      for (int m = 1; m <= 4; ++m) {
        double* zl = zval[ci[m]][cj[m]];
        if (zl[znumber] > zl[znumber + 1]) zl[znumber] = zl[znumber + 1] + 0.97 * (zl[znumber] - zl[znumber + 1]);
      }
    }
  }
}

void bedchange2() {
  stamp(38);
  Barea[0] = 0.0;
  if (FlagBedSmooth == 5) bedsmooth();
  for (int nb = 1; nb <= NoBlocks && nb < 100; ++nb) {
    const BlockRecord& B = block[nb];
    if (!bedBlock(B)) continue;
    for (int pass = 1; pass <= 3; ++pass)
      for (int i = std::max(B.i1, 1); i <= std::min(B.i2, xnumber + 1); ++i)
        for (int j = std::max(B.j1, 1); j <= std::min(B.j2, ynumber + 1); ++j) {
          const int b = bedOf(columnCell(i, j));
          if (b == 0) continue;
          const double mv = Bedmove[b];
          const bool take = pass == 1   ? mv > 1e-12
                            : pass == 2 ? mv < -1e-12 && erodedShare(b) > 0.9
                                        : mv < -1e-12 && !(erodedShare(b) > 0.9);
          if (take) bedchangeCell(i, j, b, B.i1, B.i2, B.j1, B.j2);
        }
  }
  bedChangeTail(false);
}
