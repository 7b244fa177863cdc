// The transient kinematic surface (F 36 1, 11..19). In every time step of a
// transient run each water column of the block turns the fluxes, velocities or
// pressure of its top cell into a change of its level, limits it, spreads it
// over its four corner grid points with upwind weights and adds it to their
// levels. The boundary levels, the smoothing and the regeneration of the grid
// follow, in a sequence of its own (not the regridding tail of the other
// methods).
//
// The same routine moves the surface of the sliding mud layer (F 236) for the
// slide routines: the sub-bed block, whose column (i, j) lies under column
// (i, j - dj) of the water block. Its moved surface becomes the bed of the
// water block.
#include <algorithm>
#include <cmath>

#include "flow/stages.h"
#include "grid/generate.h"
#include "grid/geometry.h"
#include "state/log.h"
#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/slidestate.h"
#include "surface/gridpoints.h"
#include "surface/surface.h"
#include "surface/tfs.h"

using namespace surfacegrid;

namespace {

double flux(int f) { return faceInGrid(f) ? Fflux[f] : 0.0; }
double faceValue(const double* a, int f) { return faceInGrid(f) ? a[f] : 0.0; }
bool bedCellOk(int b) { return b >= 1 && b <= NoBCells; }

// Net lateral outflow of cell c (kg/s).
double lateralOutflow(int c) { return flux(Cflatee[c]) - flux(Cflatew[c]) + flux(Cflaten[c]) - flux(Cflates[c]); }

// The corner grid points 1..4 of column (i, j).
void cornerPoints(int i, int j, int pi[5], int pj[5]) {
  pi[1] = i - 1, pj[1] = j - 1;
  pi[2] = i, pj[2] = j - 1;
  pi[3] = i, pj[3] = j;
  pi[4] = i - 1, pj[4] = j;
}

bool columnOnGrid(int i, int j) { return onGrid(i, j) && onGrid(i - 1, j - 1); }

// Mean of a level surface at the four corners of column (i, j).
double cornerMean(double** s, int i, int j) {
  return 0.25 * (s[i][j] + s[i - 1][j] + s[i][j - 1] + s[i - 1][j - 1]);
}

double columnHalfHeights(int c) {
  double H = 0.0;
  forColumnDown(c, [&H](int x) { H += Ckdist[x]; });
  return H;
}

// The F 36 formula that applies: with the sliding layer every value that has
// no formula of its own takes formula 17.
int formula() {
  const int f = FlagTFS;
  const bool own = f == 1 || (f >= 11 && f <= 16) || f == 18 || f == 19;
  if (FlagThixo >= 2 && !own) return 17;
  return f;
}

double rawLevelChange(int c0, int c) {
  const int t = Cflatet[c];
  const double u = Cxvel[c], v = Cyvel[c], w = Czvel[c];
  const double Fb = flux(Cflateb[c]);
  const double N = lateralOutflow(c), Nb = lateralOutflow(c0);
  const double faz = faceValue(Faz, t) + 1e-20, area = faceValue(Farea, t) + 1e-20;
  const double M = -(N - Fb) * 0.001 / faz * TimeStep;
  const double V = (u * faceValue(Fax, t) + v * faceValue(Fay, t) + w * faceValue(Faz, t)) / faz * TimeStep;
  switch (formula()) {
    case 1: return (Cpres[c] / 9810.0 - Ckdist[c]) * RelaxTFS;
    case 11: return -(N - Fb) / (1000.0 * area) * TimeStep * RelaxTFS;
    case 12: return -Nb / (1000.0 * area) * TimeStep;
    case 13: return TimeStep * RelaxTFS * (u * faceValue(Fvx, t) + v * faceValue(Fvy, t) + w);
    case 14: return V;
    case 15: return 0.5 * (M + V);
    case 16: return M;
    case 17: return TFS17WeightPresCorr * M + (1.0 - TFS17WeightPresCorr) * V;
    case 18: {
      const double around =
          std::fabs(flux(Cflatee[c])) + std::fabs(flux(Cflatew[c])) + std::fabs(flux(Cflaten[c])) + std::fabs(flux(Cflates[c]));
      return 0.001 / faz * TimeStep * (std::min(Fb, around) - N);
    }
    case 19: {
      const double h = 2.0 * columnHalfHeights(c);
      const double r = std::clamp(3.33333 * std::sqrt(u * u + v * v) / (h + 1e-20) - 1.0, 0.0, 1.0);
      return r * 0.5 * (M + V) + (1.0 - r) * (-Nb / (1000.0 * area) * TimeStep);
    }
    default: return 0.0;
  }
}

// The mud-layer steps after formula 17: the floor at the non-erodible level,
// the slide mean, and the expansion of the layer. The expansion measures the
// layer from its lower boundary Bthixolev, so that the solid fraction keeps
// its meaning at any elevation.
double mudLayerSteps(double dz, int c, int bc, int i, int j) {
  const double zt = Czcenter[c] + Ckdist[c];
  if (dz < 0.0 && Surfaces && columnOnGrid(i, j)) dz = std::max(dz, -std::max(zt - cornerMean(Surfaces[3], i, j), 0.0));
  if (FlagThixo == 3 && Bcellth)
    for (int k = 0; k < MaxSlides - 1 && BVal[k] != 0; ++k)
      if (BVal[k] == Bcellth[bc]) dz -= kFlux[k];
  if (FlagThixo >= 2 && dz > 0.0) {
    const double E = ThixoExpansion;
    if (Bsolidfraction && Bthixolev && NoBedLayers >= 1) {
      const double t = zt - Bthixolev[bc] + dz, d = t + (E - 1.0) * dz;
      if (t > 0.0 && d > 0.0) Bsolidfraction[1][bc] = t * Bsolidfraction[1][bc] / d;
    }
    dz *= E;
  }
  return dz;
}

// Options applied before the weights: the velocity limit of F 359 and the
// height limit of F 530.
double limits(double dz, int c) {
  const double u = Cxvel[c], v = Cyvel[c], w = Czvel[c];
  if (SurfULimit > 0.001) {
    const double U = std::sqrt(u * u + v * v);
    dz = U <= SurfULimit ? std::min(dz, 0.0) : std::min(dz, (U - SurfULimit) * SurfUFactor * TimeStep);
  }
  if (FlagLimitSurf >= 1 && FlagLimitSurf <= 5) {
    if (FlagLimitSurf >= 2) {
      static const double f[6] = {0, 0, 0.2, 0.1, 0.3, 0.25};
      const double U3 = std::sqrt(u * u + v * v + w * w);
      const double r = f[FlagLimitSurf] * Cidist[c] / (U3 + 1e-30) / (TimeStep + 1e-30);
      if (r <= 1.0) dz *= r;
    }
    dz = std::clamp(dz, -Ckdist[c], Ckdist[c]);
  }
  return dz;
}

double diffusivePart(double Fr) {
  switch (FlagSurfDiffusive) {
    case 1: return 1.0 / (Fr + 0.0001);
    case 2: return 1.0;
    case 3: return 1.0 / ((Fr + 0.0001) * (Fr + 0.0001));
    case 4: return 1.0 / std::sqrt(Fr + 0.0001);
    default: return 0.0;
  }
}

// Groundwater table under a moved mud surface (F 262 with F 333).
void groundwaterFollows(int bc, double zmean, const double dzk[5]) {
  if (!(FlagGroundwater > 0 && FlagThixo > 0 && FlagGT > 0) || !Bgroundwater || !Bthixolev) return;
  double& g = Bgroundwater[bc];
  const double T = Bthixolev[bc];
  if (!(g > T)) return;
  const double S = dzk[1] + dzk[2] + dzk[3] + dzk[4];
  if (FlagGT == 3) {
    g += 0.7 * 0.25 * S;
    return;
  }
  const double f = std::clamp((g - T) / (zmean - T + 1e-20), 0.0, 1.0);
  g += 0.25 * f * S;
  if (FlagGT == 2 && bedCellOk(bc + 1)) g = std::max(g, Bgroundwater[bc + 1]);
}

bool isSubBed(int b) { return b >= 1 && b <= NoBlocks && b < 100 && block[b].subBed == 1; }

// The sub-bed block hands its new surface to the water block above it: the
// groundwater table follows, and the mud surface becomes the bed.
void subBedTransfer(int b, int dj) {
  const BlockRecord& B = block[b];
  if (FlagGroundwater > 0 && Bgroundwater && Bthixolev)
    for (int i = B.i1; i <= B.i2; ++i)
      for (int j = B.j1; j <= B.j2; ++j) {
        if (!columnOnGrid(i, j) || !columnOnGrid(i, j - dj)) continue;
        const int bc = pointbed[i][j];
        if (!bedCellOk(bc)) continue;
        const double zs4 = 0.25 * (zs(i, j) + zs(i - 1, j) + zs(i, j - 1) + zs(i - 1, j - 1));
        const int jw = j - dj;
        const double zw = 0.25 * (zs(i, jw) + zs(i - 1, jw) + zs(i, jw - 1) + zs(i - 1, jw - 1));
        const double zb = 0.25 * (zval[i][jw][1] + zval[i - 1][jw][1] + zval[i][jw - 1][1] + zval[i - 1][jw - 1][1]);
        double& g = Bgroundwater[bc];
        if (g > Bthixolev[bc]) g += 0.5 * (zs4 - zb);
        g = zw > zs4 ? zw : std::min(g, zs4);
      }
  const Window w = pointWindow(B);
  for (int i = w.iLo; i <= w.iHi; ++i)
    for (int j = w.jLo; j <= w.jHi; ++j)
      if (onGrid(i, j - dj)) zval[i][j - dj][1] = zs(i, j);
}

// Debug letter J: the discharge through two cross-sections of a flume one
// column wide, every 100 iterations. A section beyond the block is taken at
// the block's last column.
void crossSectionLine() {
  if (debugging != 'J' || NoBlocks < 1 || std::fabs(std::fmod(static_cast<double>(Iter), 100.0)) >= 0.001) return;
  const BlockRecord& B = block[1];
  if (B.j1 != B.j2) return;
  int first = surfaceDampSec >= 1 ? surfaceDampSec + 1 : B.i2 / 4;
  int second = B.i2 / 2;
  first = std::clamp(first, B.i1, B.i2);
  second = std::clamp(second, B.i1, B.i2);
  logf("Cross-continuity = %lf %lf m3/s\n", tfsColumnDischarge(first, B.j1), tfsColumnDischarge(second, B.j1));
}

void keepPreviousFields() {
  const double* now[6] = {Cxvel, Cyvel, Czvel, Cpres, Ckinen, Cepsilon};
  double* old[6] = {Cxvel_old, Cyvel_old, Czvel_old, Cpres_old, Ckinen_old, Cepsilon_old};
  if (!Cxvel_old) return;
  for (int q = 0; q < 6; ++q)
    if (old[q] && now[q])
      for (int c = 1; c <= NoCells; ++c) old[q][c] = now[q][c];
}

void regenerate() {
  keepPreviousFields();
  const int r = UnstructureBuild();
  if (r < 0) fatal(-1, "Error: the grid could not be regenerated after the transient surface move (status %d)\n\n", r);
  metric();
  BedMake();
  if (CinvAp)
    for (int c = 1; c <= NoCells; ++c) CinvAp[c] = 0.0;
  waterflow(WFStart, WFEnd);
  if (Flag2DAccSolver > 0 && NoBlocks >= 1 && NoBlocks < 100 && block[NoBlocks].kind == 0 && FlagTSC == 0)
    AlgMGMake();
  FlagGridChange = 1;
}

}  // namespace

double tfsColumnDischarge(int i, int j) {
  double q = 0.0;
  forColumnUp(lowestCellOf(i, j), [&q](int c) { q += faceValue(Fax, Cflatew[c]) * Cxvel[c]; });
  return q;
}

double tfsLevelChange(int c0, int c, int bc, int i, int j) {
  double dz = rawLevelChange(c0, c);
  if (formula() == 17 && FlagThixo >= 1) dz = mudLayerSteps(dz, c, bc, i, j);
  return limits(dz, c);
}

void tfsCornerWeights(int c0, int c, double& dz, double w[5]) {
  const bool upwind = FlagSurfUpwind == 1 || FlagSurfUpwind == 2;
  const int n = upwind ? c0 : c;  // whose neighbours mark the walls
  for (int k = 1; k <= 4; ++k) w[k] = 0.25;
  if (upwind) {
    double H = 0.0, su = 0.0, sv = 0.0;
    forColumnDown(c, [&](int x) {
      H += Ckdist[x];
      su += Cxvel[x] * Ckdist[x];
      sv += Cyvel[x] * Ckdist[x];
    });
    const double U = su / (H + 1e-30), V = sv / (H + 1e-30);
    const double Fr = std::sqrt((U * U + V * V) / (19.62 * H + 1e-20));
    if (bedCellOk(Cbed[c0])) BFroude[Cbed[c0]] = Fr;
    const double D = diffusivePart(Fr);
    dz = std::max(dz, (U * U + V * V) / 981.0 - 2.0 * H);
    double ux = U, uy = V;
    if (FlagSurfUpwind == 2) {
      ux = uy = 0.0;
      for (int x : {c0, Ccelle[c0], Ccellw[c0], Ccelln[c0], Ccells[c0]})
        if (cellInGrid(x)) ux += Cxvel[x], uy += Cyvel[x];
    }
    const int p1 = Cpoint1[c0], p2 = Cpoint2[c0], p3 = Cpoint3[c0], p4 = Cpoint4[c0];
    const double d13x = Px[p3] - Px[p1], d13y = Py[p3] - Py[p1];
    const double d24x = Px[p2] - Px[p4], d24y = Py[p2] - Py[p4];
    const double u24 = ux * d24x + uy * d24y, u13 = ux * d13x + uy * d13y;
    const double a = std::max(0.0, u24), b = std::max(0.0, u13), cc = std::max(0.0, -u24), d = std::max(0.0, -u13);
    if (Fr >= 1.0) {
      w[3] = b, w[1] = d, w[2] = a, w[4] = cc;
    } else {
      w[3] = d, w[1] = b, w[2] = cc, w[4] = a;
    }
    double sum = 0.0;
    for (int k = 1; k <= 4; ++k) sum += (w[k] += D);
    // Still water has no upwind side: the change is shared equally instead
    // of being lost.
    if (sum > 0.0)
      for (int k = 1; k <= 4; ++k) w[k] /= sum + 1e-30;
    else
      for (int k = 1; k <= 4; ++k) w[k] = 0.25;
    if (FlagSideSurfDamp > 0 && (Ccells[c0] == 0 || Ccelln[c0] == 0))
      for (int k = 1; k <= 4; ++k) w[k] = 0.25;
  }
  // A wall corner is shared by half as many columns as an inner one: the
  // default factor 2 keeps the volume of the change.
  const double f = TFSdampwall;
  if (Ccells[n] == 0) w[1] *= f, w[2] *= f;
  if (Ccelln[n] == 0) w[3] *= f, w[4] *= f;
  if (Ccellw[n] == 0) w[4] *= f, w[1] *= f;
  if (Ccelle[n] == 0) w[3] *= f, w[2] *= f;
}

void tfsColumnUpdate(int b, int i, int j, int dj) {
  if (!columnOnGrid(i, j)) return;
  const int bc = pointbed[i][j];
  if (!bedCellOk(bc)) return;
  if (FlagSlide > 1 && cellInGrid(Bcellt[bc]) && Ccellt[Bcellt[bc]] == 0) return;
  const int c0 = lowestCellOf(i, j);
  if (c0 == 0) return;
  const int c = columnTopCell(c0);
  double dz = tfsLevelChange(c0, c, bc, i, j);
  double w[5];
  tfsCornerWeights(c0, c, dz, w);

  int pi[5], pj[5];
  cornerPoints(i, j, pi, pj);
  double dzk[5] = {0, 0, 0, 0, 0};
  for (int k = 1; k <= 4; ++k) {
    dzk[k] = w[k] * dz;
    if (TFSminFlag == 1) {
      // A dry corner (no depth) holds its level.
      const double d = std::max(0.0, zs(pi[k], pj[k]) - zval[pi[k]][pj[k]][1]);
      dzk[k] = std::max(std::min(dzk[k], 0.1 * d), -0.1 * d);
    }
  }
  for (int k : {3, 2, 4, 1}) zs(pi[k], pj[k]) += dzk[k];

  if (FlagThixo > 0) {
    const bool subBed = isSubBed(b);
    const bool levels = Surfaces && surfaceCount() > 6;
    for (int k = 1; k <= 4; ++k) {
      if (levels) Surfaces[6][pi[k]][pj[k]] += dzk[k];
      // The grid point of the water block above: the sub-bed block only.
      if (!subBed || !onGrid(pi[k], pj[k] - dj)) continue;
      if (levels) Surfaces[6][pi[k]][pj[k] - dj] += dzk[k];
      if (FlagFixSurfSlide == 1) zs(pi[k], pj[k] - dj) += dzk[k];
    }
  }
  const double zmean = 0.25 * (zs(i, j) + zs(i - 1, j) + zs(i, j - 1) + zs(i - 1, j - 1));
  groundwaterFollows(bc, zmean, dzk);
}

void surface_tfs(int, int b) {
  setProgram(" Surface_tfs ");
  if (b < 1 || b > NoBlocks || b >= 100 || !zval || NoCells < 1) return;
  Cxvel[0] = Cyvel[0] = 0.0;
  if (FlagThixo == 3) TFS17WeightPresCorr = 1.0;
  const BlockRecord& B = block[b];
  const bool subBed = isSubBed(b);
  const int dj = B.j2 - block[b - 1].j2;

  if (FlagSlide > 0) copyLevels(pointWindow(B));
  if (FlagThixo == 3) computeThixoFluxes();

  // In place, i outer and j inner: a column sees what the columns before it
  // did to the corners they share, and the F 403 limit reads those depths.
  for (int i = B.i1; i <= B.i2; ++i)
    for (int j = B.j1; j <= B.j2; ++j) tfsColumnUpdate(b, i, j, dj);

  if (!subBed) {
    tfsSeriesLevels();
    tfsOutletDamping();
  }
  crossSectionLine();
  if (FlagSurfSmooth > 0 || FlagSurfSlope > 0) surface_smoother2(b);
  if (SurfSmoothFlag > 0) surface_smoother();
  if (!subBed)
    tfsMinimumOutletDepth();
  else if (FlagThixo >= 2)
    subBedTransfer(b, dj);

  if (FlagTSC == 0 || FlagSurfRegen == 1) regenerate();
}
