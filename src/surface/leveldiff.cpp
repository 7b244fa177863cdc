// Level differences between neighbouring water columns and limiting depths,
// for the links and columns of the surface-height equations.
//
// computeDhSurf and computeDhMann give the change of the level difference
// between a top cell t and its neighbour n that the pressures (or a friction
// law with the face flux) ask for: the head slope times the distance, minus
// the present difference of their top-face levels. Every head slope is cut at
// Diffslope (F 246).
//
// computeLimdepth gives a limiting depth of a column by F 246's third value;
// every formula gives 0 below its Froude limit.
#include <algorithm>
#include <cmath>

#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "surface/gridpoints.h"
#include "surface/surface.h"

namespace {

constexpr double kG = 9.81;

double topLevel(int c) { return Czcenter[c] + Ckdist[c]; }

double boundSlope(double s) { return std::clamp(s, -Diffslope, Diffslope); }

// Critical depth of the unit discharge U h of a column of speed U and Froude
// number Fr, (q^2 / g)^(1/3), with the divisor sqrt(g) of the formula; the
// second form halves it (6.264... = 2 sqrt(g)).
double criticalDepth(double U, double Fr, double divisor) {
  return std::pow(U * U * U / (kG * Fr * Fr + 1e-30) / divisor, 0.666666666667);
}

}  // namespace

double computeDhSurf(double d, int n, int t) {
  if (!cellInGrid(n) || !cellInGrid(t)) return 0.0;
  double s = (Cpres[t] - Cpres[n]) / (9810.0 * d + 1e-20);
  if (FlagScaleFreeSource > 2) s *= scaleBackwater2;
  s = boundSlope(s);
  return d * s - (topLevel(t) - topLevel(n));
}

double computeDhMann(double d, double M, int n, int t, int f, int sign) {
  if (!cellInGrid(n) || !cellInGrid(t) || !faceInGrid(f)) return 0.0;
  const int ft = Cflatet[t], fn = Cflatet[n];
  const double area = 0.5 * ((faceInGrid(ft) ? Farea[ft] : 0.0) + (faceInGrid(fn) ? Farea[fn] : 0.0));
  const double q = 0.001 * Fflux[f] / (area + 1e-20);
  const double s = boundSlope(sign * q * std::fabs(q) / (M * M * std::pow(Ckdist[t] + Ckdist[n], 1.33333)));
  return d * s - (topLevel(t) - topLevel(n));
}

double computeLimdepth(double Fr, double U, int c) {
  if (!cellInGrid(c)) return 0.0;
  const int rule = FlagSurfLimit3;
  const double froudeLimit = rule == 10 ? 0.9 : 1.0;
  if (!(Fr >= froudeLimit)) return 0.0;

  const int fb = Cflateb[c];
  const double nz = faceInGrid(fb) ? std::clamp(Fvz[fb], -1.0, 1.0) : 1.0;
  const bool steep = nz < 0.9;
  const double ks = Croughness[c];
  const double S = std::sqrt(std::acos(nz));
  auto normalDepth = [U, S](double M) { return std::pow(U / (S * M + 1e-20), 1.5); };

  switch (rule) {
    case 0:
      return steep ? normalDepth(26.0 / std::pow(0.3333 * ks, 1.0 / 6.0)) : criticalDepth(U, Fr, 3.132091952673165);
    case 2: {
      // The velocity head of a quarter of U^2 / g, growing from 0 at Fr 1 to
      // its full value at Fr 2.
      const double v = U * U / (4.0 * kG);
      return Fr < 2.0 ? v * (Fr - 1.0) : v;
    }
    case 5:
      return 0.5 * U * U / kG;
    case 9:
      return steep ? normalDepth(26.0 / std::pow(ks, 0.1666666667)) : criticalDepth(U, Fr, 3.132091952673165);
    case 10: {
      const double m = std::min(normalDepth(26.0 / std::pow(0.3333 * ks, 0.166666666667)), U * U / 39.24);
      const double f = 5.0 * (Fr - 0.9);
      return f < 1.0 ? m * f : m;
    }
    case 11: {
      if (steep) return normalDepth(26.0 / std::pow(0.333333 * ks, 0.1666666667));
      const double h = criticalDepth(U, Fr, 6.26418390534633);
      const double f = 10.0 * (Fr - 1.0);
      return f < 1.0 ? h * f : h;
    }
    default:
      return 0.0;
  }
}

double computeDhSurf2(double d, int n, int t) {
  if (!cellInGrid(n) || !cellInGrid(t)) return 0.0;
  return d * boundSlope((Cpres[t] - Cpres[n]) / (9810.0 * d + 1e-20));
}

double computeDist1(int a, int b) {
  if (!cellInGrid(a) || !cellInGrid(b)) return 0.0;
  return std::hypot(Cxcenter[a] - Cxcenter[b], Cycenter[a] - Cycenter[b]);
}

double computeSlopeWatersurface(int i, int j) {
  using surfacegrid::zs;
  if (!zval || !xval || !yval || NoBlocks < 1) return 0.0;
  const BlockRecord& B = block[1];
  const surfacegrid::Window w = surfacegrid::pointWindow(B);
  if (!w.holds(i, j)) return 0.0;
  // Slope between grid points a and b: |dz| / horizontal distance.
  auto slope = [](int ia, int ja, int ib, int jb) {
    const double d = std::hypot(xval[ia][ja] - xval[ib][jb], yval[ia][ja] - yval[ib][jb]);
    return d > 0.0 ? std::fabs(zs(ia, ja) - zs(ib, jb)) / d : 0.0;
  };
  double si = 0.0, sj = 0.0;
  if (w.iHi > w.iLo) {
    const int a = i == w.iLo ? i : i - 1, b = i == w.iHi ? i : i + 1;
    si = slope(a, j, b, j);
  }
  if (w.jHi > w.jLo) {
    const int a = j == w.jLo ? j : j - 1, b = j == w.jHi ? j : j + 1;
    sj = slope(i, a, i, b);
  }
  return std::max(si, sj);
}
