// The second surface smoother, run by the transient kinematic surface after
// its move: F 178 chooses one rule that limits the corner levels of a block
//   1     cap from the friction level of the subcritical columns around a point
//   2     friction-slope limit between neighbouring grid points along i
//   3     cap at the mean of the two neighbours plus a slope of 0.1
//   4, 5  band of 0.01 slope around the neighbours (three times below)
//   6, 7  symmetric band of 0.1 (0.2) slope along i, in two sweeps
// and F 361 1 adds a cap by a given slope. Every loop runs with i outer and j
// inner, in place. Points whose neighbours the grid does not hold are left.
#include <algorithm>
#include <cmath>
#include <limits>

#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "surface/gridpoints.h"
#include "surface/surface.h"

using namespace surfacegrid;

namespace {

bool wet(int i, int j) { return lowestCellOf(i, j) != 0; }

// The pair rules: columns on both sides of a grid line.
bool pairAlongI(int i, int j) { return (wet(i, j) && wet(i + 1, j)) || (wet(i, j + 1) && wet(i + 1, j + 1)); }
bool pairAlongJ(int i, int j) { return (wet(i, j) && wet(i, j + 1)) || (wet(i + 1, j) && wet(i + 1, j + 1)); }

double dist(int i1, int j1, int i2, int j2) {
  return std::hypot(xval[i1][j1] - xval[i2][j2], yval[i1][j1] - yval[i2][j2]);
}

double halfHeights(int c0) {
  double H = 0.0;
  forColumnUp(c0, [&H](int x) { H += Ckdist[x]; });
  return H;
}

double roughnessOf(int c) { return Croughness ? Croughness[c] : 0.0; }

// Strickler's friction term ks^(1/3) / (26^2 h^(4/3)), exponents as the rule has them.
double friction(double ks, double h) {
  return std::pow(std::max(ks, 0.0), 0.333333) / (26.0 * 26.0 * std::pow(std::max(h, 0.0), 1.333333));
}

// Rule 1. The start of the largest candidate is the lowest level, not 0 m,
// so that surfaces below the datum are capped as well.
void frictionCap(const Window& w) {
  for (int i = w.iLo; i <= w.iHi; ++i)
    for (int j = w.jLo; j <= w.jHi; ++j) {
      double zc = -std::numeric_limits<double>::infinity();
      bool anyWet = false, supercritical = false;
      for (const auto& col : {std::pair{i, j}, std::pair{i + 1, j}, std::pair{i, j + 1}, std::pair{i + 1, j + 1}}) {
        const int c0 = lowestCellOf(col.first, col.second);
        if (c0 == 0) continue;
        anyWet = true;
        const int bc = Cbed[c0];
        if (bc >= 1 && bc <= NoBCells && BFroude[bc] >= 1.0) {
          supercritical = true;
          continue;
        }
        const int t = columnTopCell(c0);
        const double u = Cxvel[t], v = Cyvel[t], h = 2.0 * halfHeights(c0);
        const double cand = Czcenter[t] + Ckdist[t] +
                            std::sqrt(Cidist[t] * Cidist[t] + Cjdist[t] * Cjdist[t]) * (u * u + v * v) *
                                friction(roughnessOf(c0), h);
        zc = std::max(zc, cand);
      }
      if (anyWet && !supercritical && zc > -std::numeric_limits<double>::infinity())
        zs(i, j) = std::min(zs(i, j), zc + zs(i, j) - zsCopy(i, j));
    }
}

// Rule 2 on the segment from (i-1, j) to (i, j).
void frictionSlope(const BlockRecord& B, const Window& w) {
  for (int i = std::max(B.i1, w.iLo + 1); i <= w.iHi; ++i)
    for (int j = w.jLo; j <= w.jHi; ++j) {
      double Hs = 0.0, qs = 0.0, ks = 0.0;
      int n = 0;
      for (int side = 0; side < 2; ++side) {
        const int cj = side == 0 ? j : j + 1;
        const int c0 = lowestCellOf(i, cj);
        if (c0 == 0) continue;
        const int f = side == 0 ? Cflaten[c0] : Cflates[c0];
        if (!faceInGrid(f)) continue;
        double H = 0.0, q = 0.0;
        forColumnUp(c0, [&](int x) {
          H += Ckdist[x];
          q += (Cxvel[x] * Fvy[f] + Cyvel[x] * Fvx[f]) * Ckdist[x];
        });
        Hs += H;
        qs += q / (H + 1e-20);
        ks += roughnessOf(c0);
        ++n;
      }
      if (n == 0) continue;
      const double H = Hs / n, q = qs / n, k = ks / n, h = 2.0 * H;
      const double d = dist(i, j, i - 1, j);
      const double delta = zs(i - 1, j) - zs(i, j);
      const double s = std::fabs(q) * q * friction(k, h) * d;
      auto froude = [q, h](int pi, int pj) {
        const double r = q * h / (zs(pi, pj) - zval[pi][pj][1] + 1e-20);
        return std::sqrt(r * r * r / (9.81 * q * h + 1e-20));
      };
      if (delta > 0.0 && delta > s && froude(i - 1, j) < 1.0 && froude(i, j) < 1.0) zs(i - 1, j) -= delta - s;
    }
}

// Rules 3..7 along i: the band [min - below r, max + above r] of the two
// neighbours, r = slope |P(i-1, j) - P(i+1, j)|.
void bandAlongI(int i, int j, double slope, double below, double above, bool meanCap) {
  if (!onGrid(i - 1, j) || !onGrid(i + 1, j) || !pairAlongI(i, j)) return;
  const double r = slope * dist(i - 1, j, i + 1, j);
  const double a = zs(i - 1, j), b = zs(i + 1, j);
  if (meanCap)
    zs(i, j) = std::min(zs(i, j), 0.5 * (a + b) + r);
  else
    zs(i, j) = std::clamp(zs(i, j), std::min(a, b) - below * r, std::max(a, b) + above * r);
}

void bandAlongJ(int i, int j, double slope, double below, double above, bool meanCap) {
  if (!onGrid(i, j - 1) || !onGrid(i, j + 1) || !pairAlongJ(i, j)) return;
  const double r = slope * dist(i, j - 1, i, j + 1);
  const double a = zs(i, j - 1), b = zs(i, j + 1);
  if (meanCap)
    zs(i, j) = std::min(zs(i, j), 0.5 * (a + b) + r);
  else
    zs(i, j) = std::clamp(zs(i, j), std::min(a, b) - below * r, std::max(a, b) + above * r);
}

void slopeCap(const BlockRecord& B, const Window& w) {
  for (int i = std::max(B.i1, 1); i <= B.i2 - 1; ++i)
    for (int j = w.jLo; j <= w.jHi; ++j) {
      if (!onGrid(i - 1, j) || !onGrid(i + 1, j) || !pairAlongI(i, j)) continue;
      zs(i, j) = std::min(zs(i, j), zs(i - 1, j) + SurfSlopeVal * dist(i - 1, j, i + 1, j));
    }
}

}  // namespace

void surface_smoother2(int b) {
  if (BFroude) BFroude[0] = 0.0;
  if (b < 1 || b > NoBlocks || b >= 100 || !zval || !xval || !yval) return;
  const BlockRecord& B = block[b];
  const Window w = pointWindow(B);
  switch (FlagSurfSmooth) {
    case 1: frictionCap(w); break;
    case 2: frictionSlope(B, w); break;
    case 3:
      for (int i = B.i1; i <= B.i2; ++i)
        for (int j = w.jLo; j <= w.jHi; ++j) bandAlongI(i, j, 0.1, 0, 0, true);
      for (int i = w.iLo; i <= w.iHi; ++i)
        for (int j = B.j1; j <= B.j2; ++j) bandAlongJ(i, j, 0.1, 0, 0, true);
      break;
    case 4:
    case 5:
      for (int i = B.i1; i <= B.i2; ++i)
        for (int j = w.jLo; j <= w.jHi; ++j) bandAlongI(i, j, 0.01, 3.0, 1.0, false);
      for (int i = B.i1 - 1; i <= B.i1; ++i)
        for (int j = B.j1; j <= B.j2; ++j) bandAlongJ(i, j, 0.01, 3.0, 1.0, false);
      break;
    case 6:
    case 7: {
      const double f = FlagSurfSmooth == 6 ? 0.1 : 0.2;
      for (int start : {B.i1, B.i1 + 1})
        for (int i = start; i <= B.i2 - 1; i += 2)
          for (int j = w.jLo; j <= w.jHi; ++j) bandAlongI(i, j, f, 1.0, 1.0, false);
      break;
    }
    default: break;
  }
  if (FlagSurfSlope == 1) slopeCap(B, w);
}
