// Constants and per-cell quantities shared by the wall laws of the velocities
// and of k and epsilon.
#pragma once

#include <cmath>

#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"

struct WallConstants {
  double cmu, cmu75, cmu75x1000, sqrtCmu1000, lnLimiterU;
  double kappa = 0.4;  // von Karman constant
  double ksWall;       // roughness of side walls and lid (F 16, at least 1e-6)
  explicit WallConstants(double ksWallFloored) : ksWall(ksWallFloored) {
    cmu = TurbulenceModel == 1 ? 0.0845 : 0.09;
    cmu75 = std::pow(cmu, 0.75);
    cmu75x1000 = 1000.0 * cmu75;
    sqrtCmu1000 = 1000.0 * std::sqrt(cmu);
    lnLimiterU = std::log(30.0 * WallLimiterU);
  }
  // k of a wall cell held at least at F 138.
  double kc(int c) const { return Ckinen[c] > ArtMinKinen ? Ckinen[c] : ArtMinKinen; }
  // q = 1000 sqrt(Cmu) k and a = 31.62 sqrt(q), about 1000 u*.
  double q(int c) const { return sqrtCmu1000 * kc(c); }
  double a(int c) const { return 31.62 * std::sqrt(q(c)); }
  // y+ at distance y from the unclipped k.
  double yplus(int c, double y) const { return 1e6 * y * std::sqrt(0.001 * sqrtCmu1000 * Ckinen[c]); }
};

inline double wallDistance(double d) { return d < 1000.0 ? d : 1000.0; }

inline bool isWall(int f) { return Fflagflow[f] == -1; }
inline bool touchesWall(int c) {
  return isWall(Cflatee[c]) || isWall(Cflatew[c]) || isWall(Cflates[c]) || isWall(Cflaten[c]) ||
         isWall(Cflatet[c]) || isWall(Cflateb[c]);
}
inline double speed2(int c) { return Cxvel[c] * Cxvel[c] + Cyvel[c] * Cyvel[c] + Czvel[c] * Czvel[c]; }
inline double conc0(int c) { return Cconc ? Cconc[0][c] : 0.0; }

// Fixes the cell at value with the given weight; several fixings give
// their mean.
inline void fix(int c, double value, double weight) {
  Cap[c] += weight;
  Csource[c] += weight * value;
}

// Friction coefficient cf on face f of cell c: Cap += cf and the source of
// the wall-normal part of the velocity, so that the net force is -cf times
// the wall-parallel velocity. Side faces see the horizontal velocity only.
inline void addVelocityTerm(int c, int f, double cf, bool side) {
  const double nx = Fvx[f], ny = Fvy[f], nz = Fvz[f];
  const double nU = side ? nx * Cxvel[c] + ny * Cyvel[c] : nx * Cxvel[c] + ny * Cyvel[c] + nz * Czvel[c];
  const double ne = Equation == 1 ? nx : Equation == 2 ? ny : side ? 0.0 : nz;
  Cap[c] += cf;
  Csource[c] += cf * nU * ne;
}

// Pressure difference |p1 - p2| / (4 d) of the two neighbours along a wall
// (side 0: the e|w pair, neighbours n and s; side 1: the n|s pair, e and w);
// false when one of them is missing.
inline bool wallPressureGradient(int c, int side, double& g) {
  const int n1 = side == 0 ? Ccelln[c] : Ccelle[c], n2 = side == 0 ? Ccells[c] : Ccellw[c];
  if (n1 <= 0 || n2 <= 0) return false;
  const double d = side == 0 ? Cjdist[c] : Cidist[c];
  g = std::fabs(Cpres[n1] - Cpres[n2]) / (4.0 * d);
  return true;
}

// The k and epsilon terms of the standard law in the wall cells of a..b.
void wallValuesStandard(int a, int b, const WallConstants& w);
// Model 3: k or epsilon of every cell of a..b from the wall law.
void wallValuesWholeField(int a, int b, const WallConstants& w);
// Thin water columns (F 92 value 1): bed terms of each cell of a..b whose
// column is thinner than F 86.
void thinColumnPass(int a, int b, const WallConstants& w);
// Omega of the k-omega model 16 fixed at the walls of cell c (pairs t|b,
// e|w, s|n), and the epsilon under the water surface of a top cell from
// half the depth (F 185 value 1).
void omegaWallPairs(int c, const WallConstants& w);
void surfaceEpsilon(int c, const WallConstants& w);
// The smooth (F 15 5), transitional (8, 9) and mixed (19) families for the
// wall cells of a..b, which wall_laws has cleared.
void wallFamilies(int a, int b, const WallConstants& w);
// u+ of the transitional law at the wall distance yplus for roughness ks,
// the von Karman constant kappa and the friction velocity ustar (y+ from the
// unclipped k for the velocities, from the clipped one for k).
double transitionalUplus(double yplus, double ustar, double ks, double kappa);
