// Run letter L: the explicit depth-averaged shallow-water scheme on the
// depth-averaged block of F 311. A predictor-corrector on h, hu, hv with v
// held at 0, a fixed inflow (0.22 m deep, 0.066 m2/s) at the west end, a
// zero-gradient outflow at the east end and Manning-Strickler bed friction;
// the computed depths become the levels of the block's top corners.
#include <algorithm>
#include <cmath>

#include "flow/flow.h"
#include "grid/geometry.h"
#include "state/log.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/flowstate.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

constexpr double kHalfG = 4.905;  // 9.81 / 2
constexpr double kInflowDepth = 0.22, kInflowQ = 0.066;
constexpr double kInflowMomentum = 0.257202;   // 0.066^2/0.22 + 4.905 * 0.22^2
constexpr double kInflowYMomentum = 0.237402;  // 4.905 * 0.22^2

bool cellIn(int c) { return c >= WCStart && c <= WCEnd; }
double depthOf(int c) { return cellIn(c) ? CU[0][c] : 0.0; }

// The mean new depth over c and the cells around one of its top corners.
double cornerDepth(int c, int a, int b, int diag) {
  double s = CU[0][c];
  int n = 1;
  for (int k : {a, b, diag})
    if (k > 0 && cellIn(k)) {
      s += depthOf(k);
      ++n;
    }
  return s / n;
}

int diagonal(int first, int firstSide, int second, int secondSide) {
  const int d = first > 0 ? firstSide : 0;
  if (d > 0) return d;
  return second > 0 ? secondSide : 0;
}

void faceValues(double dt) {
  for (int f = WFStart; f <= WFEnd; ++f) {
    const int c1 = Fcell1[f], c2 = Fcell2[f];
    if (c1 > 0 && c2 > 0) {
      double pred[3];
      for (int r = 0; r < 3; ++r) {
        FG[r][f] = 0.5 * (CG[r][c1] + CG[r][c2]);
        const double a = 0.5 * (CU[r][c1] + CU[r][c2]);
        double d = dt / (2.0 * (Fdist1[f] + Fdist2[f])) * (CF[r][c2] - CF[r][c1]);
        const double lim = 0.05 * a;
        d = d > 0.0 ? std::min(d, lim) : std::max(d, -lim);
        pred[r] = a - d;
      }
      const double h = pred[0], u = pred[1] / h;
      FF[0][f] = h * u;
      FF[1][f] = h * u * u + kHalfG * h * h;
      FF[2][f] = 0.0;
      FF[3][f] = h;
      continue;
    }
    const int c = c1 > 0 ? c1 : c2;
    if (c <= 0) continue;
    if (f == Cflatew[c]) continue;  // the fixed inflow
    if (f == Cflatee[c]) {
      const int w = Cflatew[c];
      for (int r = 0; r < 3; ++r) {
        FF[r][f] = FF[r][w];
        FG[r][f] = FG[r][w];
      }
      FF[3][f] = CU[0][c];
      continue;
    }
    for (int r = 0; r < 3; ++r) {
      FF[r][f] = CF[r][c] * Fvx[f];
      FG[r][f] = CG[r][c] * Fvy[f];
    }
    FF[3][f] = CU[0][c];
  }
}

void cellUpdate(double dt) {
  const double M = ManningInit;
  for (int c = WCStart; c <= WCEnd; ++c) {
    const double h = CU[0][c], A = Faz[Cflateb[c]];
    const int e = Cflatee[c], w = Cflatew[c], s = Cflates[c], n = Cflaten[c];
    auto Q = [](int x) { return FF[0][x] * Fax[x] / FF[3][x] + FG[0][x] * Fay[x]; };
    auto Mx = [](int x) { return FF[1][x] * Fax[x]; };
    // Outflow through the east and north faces, inflow through the west and
    // south faces, in both directions alike.
    CU[0][c] = h - dt * (Q(e) - Q(w) + Q(n) - Q(s)) / A;
    CU[1][c] -= dt * (Mx(e) - Mx(w) + Mx(n) - Mx(s)) / (A * h);
    CU[2][c] = 0.0;
    double u = CU[1][c] / h;
    CU[1][c] += -9.81 * h * dt * u * std::fabs(u) / (std::pow(h, 1.3333333) * M * M);
    u = CU[1][c] / CU[0][c];
    Cxvel[c] = u;
    Cyvel[c] = 0.0;
    CF[0][c] = h * u;
    CF[1][c] = h * u * u + kHalfG * h * h;
    CF[2][c] = 0.0;
    CG[0][c] = CG[1][c] = 0.0;
    CG[2][c] = kHalfG * h * h;
  }
}

void raise(int c, double least) {
  for (int p : {Cpoint5[c], Cpoint6[c], Cpoint7[c], Cpoint8[c]})
    if (Pz[p] < least) Pz[p] = least;
}

void corners() {
  for (int c = WCStart; c <= WCEnd; ++c) {
    const int e = Ccelle[c], w = Ccellw[c], n = Ccelln[c], s = Ccells[c];
    Pz[Cpoint5[c]] = cornerDepth(c, s, w, diagonal(w, Ccells[w], s, Ccellw[s]));
    Pz[Cpoint6[c]] = cornerDepth(c, s, e, diagonal(e, Ccells[e], s, Ccelle[s]));
    Pz[Cpoint7[c]] = cornerDepth(c, n, e, diagonal(e, Ccelln[e], n, Ccelle[n]));
    Pz[Cpoint8[c]] = cornerDepth(c, n, w, diagonal(w, Ccelln[w], n, Ccellw[n]));
    if (e == 0) raise(c, 0.2);
    raise(c, 0.1);
  }
  for (int c = WCStart; c <= WCEnd; ++c)
    if (Ccellw[c] == 0) Pz[Cpoint5[c]] = Pz[Cpoint8[c]] = kInflowDepth;
}

}  // namespace

int shallowWater() {
  if (FlagShallowWater == 0) {
    logf("The F 311 data set has to be used in the control file when computing the \n");
    logf("Shallow-Water equations\n\n");
    return 0;
  }
  if (NoBlocks < 1 || NoBlocks >= 100 || block[NoBlocks].kind != 1 || !CU || !CF || !CG || !FF || !FG) {
    logf("Error in computation of Shallow Water Equations: 2D block not correctly made\n");
    RunErrorReported = 1;
    return 0;
  }
  const BlockRecord& b = block[NoBlocks];
  auto blockRange = [&b]() {
    WCStart = b.firstCell;
    WCEnd = b.lastCell;
    WFStart = b.firstSurface;
    WFEnd = b.lastSurface;
  };
  // The cell heights give the start depth: the geometry of a grid that was
  // just generated is computed first.
  metric();
  blockRange();
  if (WCStart < 1 || WCEnd > NoCells || WFEnd > NoSurfaces || WCStart > WCEnd) {
    logf("Error in computation of Shallow Water Equations: 2D block not correctly made\n");
    RunErrorReported = 1;
    return 0;
  }

  const double h0 = 2.0 * Ckdist[WCStart];
  for (int c = WCStart; c <= WCEnd; ++c) {
    CU[0][c] = h0;
    CU[1][c] = 0.2 * h0;
    CU[2][c] = 0.0;
    CF[0][c] = 0.2 * h0;
    CF[1][c] = 0.04 * h0 + kHalfG * h0 * h0;
    CF[2][c] = 0.0;
    CG[0][c] = CG[1][c] = 0.0;
    CG[2][c] = kHalfG * h0 * h0;
  }
  for (int c = WCStart; c <= WCEnd; ++c) {
    if (Ccellw[c] != 0) continue;
    Pz[Cpoint5[c]] = Pz[Cpoint8[c]] = kInflowDepth;
    const int w = Cflatew[c], t = Cflatet[c];
    FF[0][w] = kInflowQ;
    FF[1][w] = kInflowMomentum;
    FF[2][w] = 0.0;
    FF[3][w] = kInflowDepth;
    FG[0][w] = FG[1][w] = 0.0;
    FG[2][w] = kInflowYMomentum;
    CF[0][c] = kInflowQ;
    CF[1][c] = kInflowMomentum;
    CF[2][c] = 0.0;
    Fvx[t] = 0.1;
    Fvz[t] = 0.994987;
  }
  if (iterGlobalMax < 1) return 0;

  const double dt = TimeStep;
  for (int n = 0; n < iterGlobalMax; ++n) {
    faceValues(dt);
    cellUpdate(dt);
    corners();
    // The scheme has no stability control: a depth that is no longer
    // positive ends the computation instead of spreading through the grid.
    for (int c = WCStart; c <= WCEnd; ++c)
      if (!(CU[0][c] > 0.0) || !std::isfinite(CU[1][c])) {
        logf("Error in computation of Shallow Water Equations: depth %e in cell %d at step %d. Reduce the time step "
             "(F 33)\n",
             CU[0][c], c, n);
        RunErrorReported = 1;
        return 0;
      }
    metric();
    blockRange();
    logf("Iter %d\n", n);
  }
  return 0;
}
