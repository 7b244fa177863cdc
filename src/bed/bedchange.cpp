// The default bed change (F 255 0): the bed-level change of each water
// column over the step (Bedmove) is spread over the column's four grid
// corners by the plan area each corner stands for, never below the
// non-erodible level Surfaces[3]; what the corners cannot take is spread
// again, and what cannot be placed at all is booked as a mass defect. The
// tail then treats the bed at the outflow boundaries and regenerates the grid
// every F 99 steps. Runs on the main thread.
#include <algorithm>
#include <cmath>

#include "bed/bed.h"
#include "bed/bedtail.h"
#include "bed/columns.h"
#include "bed/cornershares.h"
#include "flow/stages.h"
#include "grid/coarselevels.h"
#include "grid/generate.h"
#include "grid/geometry.h"
#include "io/gridfiles.h"
#include "state/log.h"
#include "physics/bedshear.h"
#include "sediment/morphology.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"
#include "surface/surface.h"

namespace {

using namespace bedcols;

enum { East, South, West, North, SouthEast, SouthWest, NorthWest, NorthEast };

struct Column {
  int i, j, b, c, code, passes;
  double A, q;
  double r[5], w[5], a[5], f[5];
  double wa[5];  // the area factors before the skew: corner k stands for wa[k]/4
  int ci[5], cj[5];
  int nc[8];
};

void warningBlock(const Column& k) {
  const int b = k.b, c = Bcellt[b];
  logf("Warning in bed change, i,j,b,ii,l,Bedmove,rest,dz,area = %d %d %d %d %d %lg %lg %lg %lg\n", k.i, k.j, b,
       k.code, k.passes, Bedmove[b], k.q, Bedmove[b], k.A);
  logf("Iter: %d, Thickness top: %lg bottom: %lg\n", Iter, BSedDistrib[1][0][b], BSedDistrib[0][0][b]);
  logf("Velocity, pressure, bedshear: %lg m/s, %lg m/s, %lg m/s, %lg Pa, %lg Pa\n", Cxvel[c], Cyvel[c], Czvel[c],
       Cpres[c], 300.0 * Ckinen[c]);
  for (int s = 1; s <= lnumber; ++s) logf(" Conc[%d] = %lg", s, Cconc[s][c]);
  logf("\n");
  double avail = 0.0, placed = 0.0, sumA = 0.0, sumR = 0.0;
  for (int n = 1; n <= 4; ++n) {
    avail += k.a[n] * k.w[n] / 4.0;
    placed += k.w[n] * k.r[n] / 4.0;
    sumA += k.a[n];
    sumR += k.r[n];
  }
  logf("Volume available: %lg, eroded: %lg, supp_eroded: %lg, avl_box_2: %lg, avl_box_1: %lg\n", avail, placed,
       Bedmove[b] * k.A, k.A / 4.0 * sumA, BSedDistrib[1][0][b] * k.A);
  logf("Fluxes through cell (tenws): %e %e %e %e %e\n", Fflux[Cflatet[c]], Fflux[Cflatee[c]], Fflux[Cflaten[c]],
       Fflux[Cflatew[c]], Fflux[Cflates[c]]);
  logf("Neighbour cell indexes (tenws): %d %d %d %d %d\n", Ccellt[c], Ccelle[c], Ccelln[c], Ccellw[c], Ccells[c]);
  logf("Distances: i: %lf j: %lf k: %lf\n", Cidist[c], Cjdist[c], Ckdist[c]);
  logf("Barea: %lf, m_armap: %lf, Careaz: %lf\n", Barea[b], armap[k.i][k.j], Careaz ? Careaz[c] : 0.0);
  logf("Distances: av_minmove: %lg, av_move: %lg, vaval/area: %lg, BSedDistrib[TOP]: %lg, BSedDistrib[BED]: %lg, "
       "dz: %lg\n",
       sumA / 4.0, sumR / 4.0, avail / k.A, BSedDistrib[1][0][b], BSedDistrib[0][0][b], Bedmove[b]);
  for (int n = 1; n <= 4; ++n)
    logf("Corner %d, move, factor, minmove, weight = %lg %lg %lg %lg\n", n, k.r[n], k.w[n], k.a[n], k.f[n]);
  // The per-size bed change exists only with the multi-layer bed.
  for (int s = 1; s <= lnumber; ++s)
    if (Bbedchange)
      logf("Cell P: Size %d, Conc: %lg, Fraction: %lg, Bbedmove %lg, Bsource %lg\n", s, Cconc[s][c],
           BSedDistrib[1][s][b], Bbedchange[s][b], Bsource[s][b]);
    else
      logf("Cell P: Size %d, Conc: %lg, Fraction: %lg, Bsource %lg\n", s, Cconc[s][c], BSedDistrib[1][s][b],
           Bsource[s][b]);
}

// Factors: the plan area each corner stands for, four times its share.
void factors(Column& k, const BlockRecord& B) {
  const int i = k.i, j = k.j;
  auto area = [&](int dir, bool inside, int I, int J) {
    if (inside) return gridLine(I, J) ? armap[I][J] : 0.0;
    return Barea[bedOf(k.nc[dir])];
  };
  const double e = area(East, i < B.i2, i + 1, j), w = area(West, i > B.i1, i - 1, j);
  const double s = area(South, j > B.j1, i, j - 1), n = area(North, j < B.j2, i, j + 1);
  const double sw = area(SouthWest, i > B.i1 && j > B.j1, i - 1, j - 1);
  const double se = area(SouthEast, i < B.i2 && j > B.j1, i + 1, j - 1);
  const double ne = area(NorthEast, i < B.i2 && j < B.j2, i + 1, j + 1);
  const double nw = area(NorthWest, i > B.i1 && j < B.j2, i - 1, j + 1);
  const double A = k.A;
  if (FlagNoSides != 0) {
    for (int m = 1; m <= 4; ++m) k.w[m] = 4.0 * A;
    return;
  }
  k.w[1] = A + e + n + ne;
  k.w[2] = A + e + s + se;
  k.w[3] = A + w + s + sw;
  k.w[4] = A + w + n + nw;
}

// The corner point of cell c at corner k of its column (0: none).
int cornerPoint(int c, int k) {
  const int* const pts[5] = {nullptr, Cpoint3, Cpoint2, Cpoint1, Cpoint4};
  const int p = pts[k] ? pts[k][c] : 0;
  return p >= 1 && p <= NoPoints ? p : 0;
}

// F 205: the shares of the corners skewed by their levels, the flow
// direction or the bed slope. The factors of options 1 to 6 and 11 are
// scaled afterwards so that the corners hold the column's whole volume; the
// weights of options 9 and 13 to 21 sum to 4.
void skewShares(Column& k, double move) {
  const int opt = FlagSkewedBedchange;
  if (opt <= 0 || opt > 21 || opt == 7 || opt == 8 || opt == 10) return;
  if (opt == 12) fatal(-3, "Error in F 205 data set. Option 12 is discontinued due to bug\n");
  const bool erosion = move < 0.0;
  const double p = f205param;
  double z[5], s[5];
  double zmax = -1e300, zmin = 1e300, smax = -1e300;
  for (int m = 1; m <= 4; ++m) {
    z[m] = zval[k.ci[m]][k.cj[m]][1];
    s[m] = zval[k.ci[m]][k.cj[m]][znumber];
    zmax = std::max(zmax, z[m]);
    zmin = std::min(zmin, z[m]);
    smax = std::max(smax, s[m]);
  }
  const int c = k.c;
  if (opt <= 6 || opt == 11) {
    const double d = 1.0 / ((zmax - zmin) + 1e-20);
    bool high = false, low = false;  // high: erode the high corners, fill the low ones
    if (opt == 1 || opt == 2 || opt == 3) {
      high = erosion || opt != 2;
      if (opt == 3) {
        const int b = k.b;
        double mean = 0.0;
        for (int dir : {East, South, West, North}) mean += Bfly ? Bfly[bedOf(k.nc[dir])] : 0.0;
        mean *= 0.25;
        const double t = Bfly ? Bfly[b] : 0.0;
        high = (t > 0.03 && mean < -0.03) || (t < -0.03 && mean > 0.03);
      }
    } else if (opt == 4) {
      low = true;
    } else if (opt == 11 && erosion) {
      double depth = 0.0;
      for (int m = 1; m <= 4; ++m) depth += 0.25 * (s[m] - z[m]);
      high = depth > MinVertDist1;
    }
    if (high || low)
      for (int m = 1; m <= 4; ++m) {
        const bool fromTop = high == erosion;  // (zmax - z) for eroding high or filling low with option 4
        k.w[m] *= (fromTop ? zmax - z[m] : z[m] - zmin) * d + p;
      }
    if ((opt == 5 || (opt == 6 && erosion)) && c >= 1 && c <= NoCells)
      for (int m = 1; m <= 4; ++m) {
        const int pt = cornerPoint(c, m);
        if (pt == 0) continue;
        const double cs = dotproduct(Cxvel[c], Cyvel[c], Cxcenter[c] - Px[pt], Cycenter[c] - Py[pt]);
        if (cs > 0.0) k.w[m] *= 1.0 + cs;
      }
    keepColumnVolume(k.wa, k.w);
    return;
  }
  if (opt == 9) {
    const int f = c >= 1 && c <= NoCells ? Cflateb[c] : 0;
    if (f < 1 || f > NoSurfaces) return;
    const double sl = erosion ? -1.0 : std::min(Fvz[f] / BedCritTanSlopeUp, 1.0);
    for (int m = 1; m <= 4; ++m) {
      const int pt = cornerPoint(c, m);
      if (pt != 0) k.f[m] = 1.0 + sl * dotproduct(Fvx[f], Fvy[f], Px[pt] - Cxcenter[c], Py[pt] - Cycenter[c]);
    }
    weightsSumFour(k.f);
    return;
  }
  // Options 13 to 21: level differences D over a range R.
  double R = 0.0, D[5] = {};
  bool skew = true;
  const bool deposition = !erosion;
  auto fromLevel = [&](double top) {
    for (int m = 1; m <= 4; ++m) D[m] = top - z[m];
  };
  auto aboveLowest = [&] {
    for (int m = 1; m <= 4; ++m) D[m] = z[m] - zmin;
  };
  switch (opt) {
    case 13:
    case 18:
    case 19: {
      const double top = std::max(smax, zmin);
      R = top - zmin;
      fromLevel(top);
      skew = opt != 19 || deposition;
      break;
    }
    case 14:
      R = zmax - zmin;
      if (erosion) aboveLowest(); else fromLevel(zmax);
      break;
    case 15:
    case 21:
      R = smax - zmin;
      if (erosion) aboveLowest(); else fromLevel(smax);
      break;
    case 16:
      if (erosion) R = zmax - zmin, aboveLowest(); else R = smax - zmin, fromLevel(smax);
      break;
    case 17: {
      double h = 1e300;
      for (int m = 1; m <= 4; ++m) h = std::min(h, s[m] - z[m]);
      skew = deposition && move > h;
      const double L = std::min(zmin, h - MinVertDist0);
      R = h - L;
      fromLevel(h);
      break;
    }
    case 20: {
      R = smax - zmin;
      const double depth3 = s[3] - z[3];
      if (move > 0.0 || std::min(smax, depth3) < 0.0) fromLevel(smax); else aboveLowest();
      break;
    }
    default:
      skew = false;
  }
  if (skew) {
    const double d = R > 1e-10 ? 1.0 / R : 1e10;
    for (int m = 1; m <= 4; ++m) k.f[m] *= std::max(0.001, std::max(0.0, D[m]) * d + p);
  }
  weightsSumFour(k.f);
}

void place(Column& k, double move) {
  const int order[2][4] = {{1, 2, 3, 4}, {2, 1, 4, 3}};
  const bool odd = k.c % 2 != 0;
  double V = std::fabs(move) * k.A;
  k.q = 0.0;
  k.passes = 0;
  if (FlagBedMove == 1) {
    k.code = 5;
    for (int m = 1; m <= 4; ++m) k.r[m] = k.f[m] * V / k.w[m];
    // The remainder a corner could not hold (erosion); a deposit is never
    // limited here, so nothing of it remains.
    if (move < 0.0)
      for (int m = 1; m <= 4; ++m) k.q += std::max(k.r[m] - k.a[m], 0.0) * k.wa[m] * 0.25 / k.A;
    return;
  }
  k.code = odd ? 3 : 5;
  const int passes = std::max(NumMoveBedchange, 1);
  for (int p = 0; p < passes; ++p) {
    for (int m = 1; m <= 4; ++m) k.r[m] += k.f[m] * V / k.w[m];
    double q = 0.0;
    for (int n = 0; n < 4; ++n) {
      const int m = order[odd][n];
      if (k.r[m] > k.a[m]) {
        q += (k.r[m] - k.a[m]) * k.wa[m] * 0.25 / k.A;
        k.r[m] = k.a[m];
      }
    }
    k.q = q;
    V = q * k.A;
    if (q < 1e-9) break;
    ++k.passes;
  }
}

inline void addCorner(int i, int j, double r) {
  if (!gridLine(i, j)) return;
  zval[i][j][1] += r;
  Surfaces[1][i][j] += r;
}

// The corners of the column on a block edge also exist as corners of the
// column across the edge; they take the same change.
void twinCorners(const Column& k, const BlockRecord& B) {
  const int i = k.i, j = k.j;
  auto at = [&](int dir, int& I, int& J) {
    const int b = bedOf(k.nc[dir]);
    if (b == 0) return false;
    I = Bkooi[b];
    J = Bkooj[b];
    return true;
  };
  int I = 0, J = 0;
  const bool e = k.nc[East] > 0, s = k.nc[South] > 0, w = k.nc[West] > 0, n = k.nc[North] > 0;
  if (i == B.i2 && e && at(East, I, J)) addCorner(I - 1, J, k.r[1]), addCorner(I - 1, J - 1, k.r[2]);
  if (j == B.j1 && s && at(South, I, J)) addCorner(I - 1, J, k.r[3]), addCorner(I, J, k.r[2]);
  if (i == B.i1 && w && at(West, I, J)) addCorner(I, J, k.r[4]), addCorner(I, J - 1, k.r[3]);
  if (j == B.j2 && n && at(North, I, J)) addCorner(I, J - 1, k.r[1]), addCorner(I - 1, J - 1, k.r[4]);
  if (((j == B.j1 && i != B.i1 && !s) || (i == B.i1 && j != B.j1 && !w)) && at(SouthWest, I, J))
    addCorner(I, J, k.r[3]);
  if (((j == B.j1 && i != B.i2 && !s) || (i == B.i2 && j != B.j1 && !e)) && at(SouthEast, I, J))
    addCorner(I - 1, J, k.r[2]);
  if (((j == B.j2 && i != B.i1 && !n) || (i == B.i1 && j != B.j2 && !w)) && at(NorthWest, I, J))
    addCorner(I, J - 1, k.r[4]);
  if (((j == B.j2 && i != B.i2 && !n) || (i == B.i2 && j != B.j2 && !e)) && at(NorthEast, I, J))
    addCorner(I - 1, J - 1, k.r[1]);
}

void treatColumn(int i, int j, const BlockRecord& B) {
  int c = columnCell(i, j);
  if (c == 0) return;
  const int b = bedOf(c);
  if (b == 0 || Bcellt[b] < 1) return;
  const double move = Bedmove[b];
  if (!(std::fabs(move) > 1e-12)) return;
  if (TopBed == 1)
    for (int guard = 0; guard < NoCells && Ccellt[c] >= 1 && Ccellt[c] <= NoCells; ++guard) c = Ccellt[c];
  Column k{};
  k.i = i;
  k.j = j;
  k.b = b;
  k.c = c;
  k.A = armap[i][j] + 1e-20;
  const int di[8] = {1, 0, -1, 0, 1, -1, -1, 1}, dj[8] = {0, -1, 0, 1, -1, -1, 1, 1};
  for (int m = 0; m < 8; ++m) k.nc[m] = neighbourCell(i + di[m], j + dj[m]);
  k.ci[1] = i, k.cj[1] = j;
  k.ci[2] = i, k.cj[2] = j - 1;
  k.ci[3] = i - 1, k.cj[3] = j - 1;
  k.ci[4] = i - 1, k.cj[4] = j;
  for (int m = 1; m <= 4; ++m) k.f[m] = 1.0;
  factors(k, B);
  for (int m = 1; m <= 4; ++m) k.wa[m] = k.w[m];
  skewShares(k, move);
  for (int m = 1; m <= 4; ++m) {
    const double z = zval[k.ci[m]][k.cj[m]][1], s = zval[k.ci[m]][k.cj[m]][znumber];
    if (FlagBedChange == 2)
      k.a[m] = 1000.0;
    else if (move < 0.0)
      k.a[m] = std::max(0.0, z - Surfaces[3][k.ci[m]][k.cj[m]]);
    else
      k.a[m] = FlagBedChange == 1 ? std::max(0.0, s - z) : 1000.0;
  }
  place(k, move);
  const double mass = k.q * k.A * SolidFrac * 1000.0 * density;
  BedMoveDefectSum += move / std::fabs(move + 1e-20) * mass;
  BedMoveDefectAbs += mass;
  if (std::fabs(k.q) > restCrit) warningBlock(k);
  if (move < 0.0)
    for (int m = 1; m <= 4; ++m) k.r[m] = -k.r[m];
  if (FlagBugFind == 1)
    for (int m = 1; m <= 4; ++m) {
      if (!std::isnan(k.r[m])) continue;
      logf("Bug in bedchange: i,j=(%d,%d), move(%d) = %lf\n", i, j, m, k.r[m]);
      logf("factor = %lf, minmove = %lf, arp = %lf\n", k.w[m], k.a[m], k.A);
      if (FlagSkewedBedchange > 0) logf("This could be due to the F 205 data set\n");
    }
  for (int m = 1; m <= 4; ++m) addCorner(k.ci[m], k.cj[m], k.r[m]);
  if (NoBlocks > 1) twinCorners(k, B);
}

double suspendedVolume() {
  double M = 0.0;
  const int lo = std::max(WCStart, 1), hi = std::min(WCEnd, NoCells);
  for (int s = 1; s <= lnumber; ++s)
    for (int c = lo; c <= hi; ++c) M += Cvol[c] * Cconc[s][c];
  return M;
}

bool regridStep() { return BedRecIter > 0 && (Iter - 1) % BedRecIter == 0; }

void surfaceBeforeRegrid() {
  if (FlagCallSurface != 1) return;
  const int t = FlagTFS;
  const bool method = (t >= 2 && t <= 5) || (t >= 7 && t <= 10) || t == 30;
  if (!method || FlagRoof != 1 || Iter == 0 || FlagThixoIsComputing != 0) return;
  if (IterWaterUpdate <= 0 || Iter % IterWaterUpdate != 0) return;
  double Rmax = 0.0;
  for (int n = 1; n <= 6; ++n) Rmax = std::max(Rmax, MaxResidual[n]);
  if (Rmax < SurfResCrit || (SurfResCrit < 0.0 && MaxResidual[4] < 0.001) || FlagMPI > 0 || FlagTFS == 3)
    surface();
  else
    ++NoNumNoSurfUpdate;
}

void gridSplitLevels() {
  if (FlagNoGridSplit <= 0 || FlagGridsplitBedmove <= 0) return;
  if (FlagGridsplitBedmove == 2 && Bminwaterlevel && NoBlocks >= 1) {
    const BlockRecord& B = block[1];
    for (int i = std::max(B.i1, 0); i <= std::min(B.i2, xnumber + 1); ++i)
      for (int j = std::max(B.j1, 0); j <= std::min(B.j2, ynumber + 1); ++j) {
        const int b = pointbed[i][j];
        if (bedCell(b) && Bminwaterlevel[b] > -10.0) Bminwaterlevel[b] += Bedmove[b];
      }
  }
  NoGridSplit();
  if (FlagNoGridSplit > 0) NoGridSplitRise();
}

}  // namespace

void nestToCoarseByLines() {
  if (!pointnest || NoNestflater <= 1 || NoBlocks <= 0) return;
  for (int n = NoBlocks; n >= 1; --n) {
    const BlockRecord& B = block[n];
    if (B.nestLevel > 1) continue;
    for (int i = std::max(B.i1 - 1, 0); i <= std::min(B.i2, xnumber + 1); ++i)
      for (int j = std::max(B.j1 - 1, 0); j <= std::min(B.j2, ynumber + 1); ++j) {
        const int I = pointnest[i][j][0], J = pointnest[i][j][1];
        if (I <= 0 || !gridLine(I, J)) continue;
        zval[i][j][1] = zval[I][J][1];
        Surfaces[1][i][j] = Surfaces[1][I][J];
      }
  }
}

void nestToCoarseByBedCells(bool withChange) {
  if (!Bnestcoarse || NoNestflater <= 1 || NoBCells <= 0) return;
  const int nb = std::min(NoBCells, bedCellCapacity() - 1);
  for (int b = 1; b <= nb; ++b) {
    const int c = Bnestcoarse[b];
    if (c < 1 || c > nb) continue;
    const int I = Bkooi[c], J = Bkooj[c], i = Bkooi[b], j = Bkooj[b];
    if (!gridLine(I, J) || !gridLine(i, j)) continue;
    zval[I][J][1] = zval[i][j][1];
    if (withChange) Surfaces[1][I][J] = Surfaces[1][i][j];
  }
}

void computeBedBoundary() {
  const int v = FlagBedDownstream;
  if (v < 1 || v > 3 || !Binout) return;
  for (int n = 1; n <= NoBlocks && n < 100; ++n) {
    const BlockRecord& B = block[n];
    if (!bedBlock(B)) continue;
    for (int i = std::max(B.i1, 1); i <= std::min(B.i2, xnumber + 1); ++i)
      for (int j = std::max(B.j1, 1); j <= std::min(B.j2, ynumber + 1); ++j) {
        const int c = columnCell(i, j);
        if (c == 0) continue;
        const int b = bedOf(c);
        if (b == 0) continue;
        const int e = Ccelle[c], w = Ccellw[c], s = Ccells[c], nn = Ccelln[c];
        auto reset = [&](int I, int J) { zval[I][J][1] = Surfaces[0][I][J]; };
        if (v == 1) {
          if (!(Binout[b] < -1e-10)) continue;
          if (i != B.i1 && j != B.j1 && i != B.i2 && j != B.j2) continue;
          if ((e == 0) + (w == 0) + (s == 0) + (nn == 0) != 1) continue;
          double H = 0.0;
          for (int x = c, guard = 0; x >= 1 && x <= NoCells && guard < NoCells; x = Ccellt[x], ++guard)
            H += Ckdist[x];
          H *= 2.0;
          auto lower = [&](int I, int J) {
            const double d = (zval[I][J][znumber] - H) - zval[I][J][1];
            if (d >= 0.0) return;
            zval[I][J][1] += d;
            SumBedMoveDef -= d * Barea[b] * 0.25 * 1000.0 * density * SolidFrac;
          };
          if (e == 0) lower(i, j), lower(i, j - 1);
          if (nn == 0) lower(i, j), lower(i - 1, j);
          if (s == 0) lower(i - 1, j - 1), lower(i, j - 1);
          if (w == 0) lower(i - 1, j), lower(i - 1, j - 1);
        } else if (v == 2) {
          if (!(std::fabs(Binout[b]) > 1e-10)) continue;
          if (i == B.i2 && e == 0 && w > 0)
            reset(i, j), reset(i, j - 1);
          else if (i == B.i1 && w == 0 && e > 0)
            reset(i - 1, j), reset(i - 1, j - 1);
          if (j == B.j1 && s == 0 && nn > 0) reset(i - 1, j - 1), reset(i, j - 1);
          if (j == B.j2 && nn == 0 && s > 0) reset(i, j), reset(i - 1, j);
        } else {
          if (!(Binout[b] < -1e-10)) continue;
          reset(i, j), reset(i, j - 1), reset(i - 1, j - 1), reset(i - 1, j);
        }
      }
  }
}

void bedChangeTail(bool full, bool allFilters, bool slides, bool nestChange) {
  const int s = FlagBedSmooth;
  if (s == 1 || s == 3 || (allFilters && (s == 6 || s > 8))) bedsmooth();
  if (full && FlagGLEA > 0) computeGLEA();
  if (full)
    nestToCoarseByLines();
  else
    nestToCoarseByBedCells(nestChange);
  if (FlagBedDownstream != 0) computeBedBoundary();
  if (slides && ((IterAvalanche >= 1 && IterAvalanche != 205 && IterAvalanche != 206) ||
                 (IterAvalanche < 1 && FlagSlideDLL > 0)))
    computeSandSlide();
  // The layer bed change of F 255 4 levels its stacks after the slides.
  if (slides && FlagBedchangeOption == 4 && FlagBedSmooth4 > 0) bedSmooth4();
  const double M1 = suspendedVolume();
  if (regridStep()) {
    if (full) {
      surfaceBeforeRegrid();
      gridSplitLevels();
    }
    // A grid that cannot be built ends the run with the status of its cause.
    Unstructure();
    if (MGSNo > 0) MGSCoarserGridMake2D();
    metric();
    if (full && Iter == 1 && UMethod2 == 0) CheckFparam();
    BedMake();
    // The work ranges of the step belong to the old grid.
    sedimentRanges();
    if (CinvAp)
      for (int c = std::max(WCStart, 1); c <= std::min(WCEnd, NoCells); ++c) CinvAp[c] = 0.0;
    waterflow(WFStart, WFEnd);
  }
  const double M2 = suspendedVolume();
  SuspVolChangeDef += (M1 - M2) * 1000.0 * density;
}

void bedchange() {
  Barea[0] = 0.0;
  Cbed[0] = 0;
  Bcellt[0] = 0;
  if (FlagGridConnect == 1 && FlagThixo > 0)
    for (int n = 1; n <= NoBlocks && n < 100; ++n) {
      const BlockRecord& B = block[n];
      if (!bedBlock(B) || B.subBed != 0) continue;
      for (int i = std::max(B.i1 - 1, 0); i <= std::min(B.i2, xnumber + 1); ++i)
        for (int j = std::max(B.j1 - 1, 0); j <= std::min(B.j2, ynumber + 1); ++j)
          zval[i][j][1] = Surfaces[0][i][j] + Surfaces[1][i][j] + Surfaces[6][i][j];
    }
  if (FlagBedSmooth == 5) bedsmooth();
  for (int n = 1; n <= NoBlocks && n < 100; ++n) {
    const BlockRecord& B = block[n];
    if (!bedBlock(B) || B.subBed != 0) continue;
    for (int i = std::max(B.i1, 1); i <= std::min(B.i2, xnumber + 1); ++i)
      for (int j = std::max(B.j1, 1); j <= std::min(B.j2, ynumber + 1); ++j) treatColumn(i, j, B);
  }
  bedChangeTail(true);
}
