// The smooth (F 15 5), transitional (8), transitional with flow through the
// bed (9) and mixed (19: smooth side walls, rough lid and bed) wall laws:
// friction of the velocities, wall terms of k and the wall value of epsilon.
#include <algorithm>
#include <cmath>

#include "physics/walllaw.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

// The k term of one wall pair with wall value up and production coefficient P.
void kTerm(int c, double y, double up, double P, const WallConstants& w) {
  Cap[c] += std::sqrt(w.kc(c)) * w.cmu75x1000 * up / y * Cvol[c];
  Csource[c] += P * speed2(c) / y * Cvol[c];
}

// Epsilon fixed at Cmu^0.75 k^1.5 / (kappa y), y cut to 1000 m.
void epsTerm(int c, double dist, double kappa, double factor, const WallConstants& w) {
  const double y = wallDistance(dist);
  fix(c, factor * w.cmu75 * std::pow(w.kc(c), 1.5) / (kappa * y), 1e30);
}

bool wallEW(int c) { return isWall(Cflatee[c]) || isWall(Cflatew[c]); }
bool wallNS(int c) { return isWall(Cflaten[c]) || isWall(Cflates[c]); }
bool wallTB(int c) { return isWall(Cflatet[c]) || isWall(Cflateb[c]); }

// Epsilon (or omega) of the wall pairs for the families; a true surface adds
// the water-surface value of F 185 1 under model 16 (families 5 and 19).
// Returns false when the family's own epsilon rule is to follow.
bool epsilonOfModels(int c, bool surface, const WallConstants& w) {
  if (TurbulenceModel == 14 || TurbulenceModel == 15) return true;
  if (TurbulenceModel == 16) {
    omegaWallPairs(c, w);
    if (surface && Ccellt[c] == 0 && FlagSurfEps == 1) surfaceEpsilon(c, w);
    return true;
  }
  return false;
}

// The fixing of the three pairs, the t|b value raised by the concentration.
void epsilonPairs(int c, const WallConstants& w) {
  if (wallEW(c)) epsTerm(c, Cidist[c], w.kappa, 1.0, w);
  if (wallNS(c)) epsTerm(c, Cjdist[c], w.kappa, 1.0, w);
  if (wallTB(c)) epsTerm(c, Ckdist[c], w.kappa, 2.5 * conc0(c) + 1.0, w);
}

// ---- family 5: hydraulically smooth everywhere ----

void smoothVelocity(int c, int f, double dist, bool side, const WallConstants& w) {
  const double y = wallDistance(dist), yp = w.yplus(c, y), A = Farea[f], a = w.a(c);
  const double cf = yp >= 11.626 ? a * w.kappa * A / std::log(9.0 * yp) : a * A / yp;
  addVelocityTerm(c, f, cf, side);
}

void smoothK(int c, double dist, int side, const WallConstants& w) {
  const double y = wallDistance(dist), yp = w.yplus(c, y);
  const double up = yp >= 11.63 ? 2.5 * std::log(9.0 * yp) : yp;
  double P = w.a(c) / up, g;
  if (side == 1 && FlagGENMIX == 1 && wallPressureGradient(c, 1, g)) P += g * y;
  kTerm(c, y, up, P, w);
}

void family5(int c, const WallConstants& w) {
  if (Equation >= 1 && Equation <= 3) {
    if (isWall(Cflatee[c])) smoothVelocity(c, Cflatee[c], Cidist[c], true, w);
    if (isWall(Cflatew[c])) smoothVelocity(c, Cflatew[c], Cidist[c], true, w);
    if (isWall(Cflates[c])) smoothVelocity(c, Cflates[c], Cjdist[c], true, w);
    if (isWall(Cflaten[c])) smoothVelocity(c, Cflaten[c], Cjdist[c], true, w);
    if (isWall(Cflatet[c])) smoothVelocity(c, Cflatet[c], Ckdist[c], false, w);
    if (isWall(Cflateb[c])) smoothVelocity(c, Cflateb[c], Ckdist[c], false, w);
  } else if (Equation == 5) {
    if (wallEW(c)) smoothK(c, Cidist[c], 0, w);
    if (wallNS(c)) smoothK(c, Cjdist[c], 1, w);
    if (wallTB(c)) smoothK(c, Ckdist[c], 2, w);
  } else if (Equation == 6 && !epsilonOfModels(c, true, w)) {
    epsilonPairs(c, w);
  }
}

// ---- families 8 and 9: from smooth to rough by the roughness Reynolds number ----

double ustarOf(int c, const WallConstants& w) { return std::sqrt(0.001 * w.q(c)); }

// Kappa of the bed face: lowered by the suspended load with F 494.
double bedKappa(int c, const WallConstants& w) {
  return FlagConcProf == 1 ? w.kappa / (2.5 * conc0(c) + 1.0) : w.kappa;
}

// The correction for the velocity through the bed (family 9).
double seepageCorrected(int c, double up, double ustar) {
  const int f = Cflateb[c];
  const double vplus = (Cxvel[c] * Fvx[f] + Cyvel[c] * Fvy[f] + Czvel[c] * Fvz[f]) / ustar;
  const double fc = std::clamp(0.25 * vplus, -0.025, 0.1);
  return std::max(up + fc * up * up, 0.025);
}

// u+ of the transitional law for the velocities (y+ from the unclipped k)
// or for k (y+ from the clipped k); the distance is not cut.
double transitional(int c, double y, double kappa, bool forK, const WallConstants& w) {
  const double us = ustarOf(c, w);
  const double yp = forK ? 1e6 * y * us : w.yplus(c, y);
  return transitionalUplus(yp, us, Croughness[c], kappa);
}

void transitionalVelocity(int c, int f, double y, bool side, bool bed, const WallConstants& w) {
  const double kappa = bed ? bedKappa(c, w) : w.kappa;
  double up = transitional(c, y, kappa, false, w);
  if (bed && FlagWallAll == 9) up = seepageCorrected(c, up, ustarOf(c, w));
  addVelocityTerm(c, f, w.a(c) * Farea[f] / up, side);
}

void transitionalK(int c, double y, double kappa, bool seepage, const WallConstants& w) {
  double up = transitional(c, y, kappa, true, w);
  if (seepage) up = seepageCorrected(c, up, ustarOf(c, w));
  kTerm(c, y, up, w.a(c) / up, w);
}

void family8or9(int c, const WallConstants& w) {
  if (Equation >= 1 && Equation <= 3) {
    if (isWall(Cflatee[c])) transitionalVelocity(c, Cflatee[c], Cidist[c], true, false, w);
    if (isWall(Cflatew[c])) transitionalVelocity(c, Cflatew[c], Cidist[c], true, false, w);
    if (isWall(Cflates[c])) transitionalVelocity(c, Cflates[c], Cjdist[c], true, false, w);
    if (isWall(Cflaten[c])) transitionalVelocity(c, Cflaten[c], Cjdist[c], true, false, w);
    if (isWall(Cflatet[c])) transitionalVelocity(c, Cflatet[c], Ckdist[c], false, false, w);
    if (isWall(Cflateb[c])) transitionalVelocity(c, Cflateb[c], Ckdist[c], false, true, w);
  } else if (Equation == 5) {
    if (wallEW(c)) transitionalK(c, Cidist[c], w.kappa, false, w);
    if (wallNS(c)) transitionalK(c, Cjdist[c], w.kappa, false, w);
    if (FlagWallAll == 8) {
      if (wallTB(c)) transitionalK(c, Ckdist[c], isWall(Cflateb[c]) ? bedKappa(c, w) : w.kappa, false, w);
    } else {
      if (isWall(Cflatet[c])) transitionalK(c, Ckdist[c], w.kappa, false, w);
      if (isWall(Cflateb[c])) transitionalK(c, Ckdist[c], bedKappa(c, w), true, w);
    }
  } else if (Equation == 6 && !epsilonOfModels(c, false, w)) {
    epsilonPairs(c, w);
  }
}

// ---- family 19: smooth side walls, rough lid and bed ----

// The pressure gradient along a side wall (side 0: e|w, 1: n|s) as the
// argument x of the kappa and slope of F 273 value 4; false without it.
bool genmix4(int c, int side, const WallConstants& w, double& x) {
  double g;
  if (FlagGENMIX != 4 || !wallPressureGradient(c, side, g)) return false;
  x = g * 3.16228e-5 / std::pow(std::sqrt(w.q(c)), 3.0);
  return true;
}

void mixedSideVelocity(int c, int f, double dist, int side, const WallConstants& w) {
  const double y = wallDistance(dist), yp = w.yplus(c, y), A = Farea[f];
  double q = w.q(c), kappa = w.kappa, g, x;
  if (FlagGENMIX == 1 && wallPressureGradient(c, side, g)) q += g * y;
  if (genmix4(c, side, w, x)) kappa = (0.6 * x + 0.4) / (x + 1.0);
  const double aq = 31.62 * std::sqrt(q);
  addVelocityTerm(c, f, yp >= 11.63 ? kappa * aq * A / std::log(9.0 * yp) : aq * A / yp, true);
}

void mixedTopVelocity(int c, const WallConstants& w) {
  const int f = Cflatet[c];
  const double y = wallDistance(Ckdist[c]), yp = w.yplus(c, y), A = Farea[f], a = w.a(c);
  const bool viscous = (FlagWallLimiterU == 3 && yp < 11.63) || (FlagWallLimiterU == 5 && Cgamma[c] < 0.0011);
  addVelocityTerm(c, f,
                  viscous ? a * A / yp
                          : a * w.kappa * A / std::max(std::log(30.0 * y / w.ksWall), w.kappa * MinUPlus),
                  false);
}

void mixedBedVelocity(int c, const WallConstants& w) {
  const int f = Cflateb[c];
  const double y = wallDistance(Ckdist[c]), yp = w.yplus(c, y), A = Farea[f], a = w.a(c);
  addVelocityTerm(c, f,
                  FlagWallLimiterU == 3 && yp < 11.63
                      ? a * A / yp
                      : a * w.kappa * A / std::max(std::log(30.0 * y / Croughness[c]), w.kappa * MinUPlus),
                  false);
}

void mixedSideK(int c, double dist, int side, const WallConstants& w) {
  const double y = wallDistance(dist), yp = w.yplus(c, y);
  double s = 2.5, x, g;
  if (genmix4(c, side, w, x)) s = (x + 1.0) / (0.6 * x + 0.4);
  const double up = yp >= 11.63 ? std::max(MinUPlusK, s * std::log(9.0 * yp)) : yp;
  double P = w.a(c) / up;
  if (FlagGENMIX == 1 && wallPressureGradient(c, side, g)) P += g * y;
  kTerm(c, y, up, P, w);
}

void mixedBedK(int c, const WallConstants& w) {
  const double y = wallDistance(Ckdist[c]), yp = w.yplus(c, y);
  double up = (FlagWallLimiterU == 3 || FlagWallLimiterU == 5) && yp < 11.63
                  ? yp
                  : 2.5 * std::log(30.0 * y / Croughness[c]);
  if (FlagConcProf == 1) up *= 2.5 * conc0(c) + 1.0;
  up = std::max(up, MinUPlusK);
  kTerm(c, y, up, w.a(c) / up, w);
}

// The distance of the epsilon value enlarged where the neighbour across the
// wall direction flows back against the cell (F 312).
double turnedDistance(int c, double dist, int side) {
  double y = wallDistance(dist);
  if (FlagModEpsilon <= 0) return y;
  int nb = side == 0 ? (Ccelle[c] > 0 ? Ccelle[c] : Ccellw[c]) : (Ccells[c] > 0 ? Ccells[c] : Ccelln[c]);
  if (nb <= 0) return y;
  const double s = Cxvel[c] * Cxvel[nb] + Cyvel[c] * Cyvel[nb];
  if (s >= 0.0) return y;
  const double m = std::sqrt((Cxvel[c] * Cxvel[c] + Cyvel[c] * Cyvel[c]) * (Cxvel[nb] * Cxvel[nb] + Cyvel[nb] * Cyvel[nb]));
  const double cosine = m > 0.0 ? s / m : 0.0;
  return cosine < -0.7 ? y * (1.1 - cosine) : y;
}

// Kappa of a side pair's epsilon with the pressure gradient along the wall
// (F 273 values 4 and 5).
double mixedKappaEps(int c, int side, const WallConstants& w) {
  if (FlagGENMIX != 4 && FlagGENMIX != 5) return w.kappa;
  double g;
  if (!wallPressureGradient(c, side, g)) return w.kappa;
  const double x = 3.16228e-5 / (5196.1 * std::pow(w.kc(c), 1.5)) * g;
  return (0.6 * x + 0.4) / (x + 1.0);
}

void family19(int c, const WallConstants& w) {
  if (Equation >= 1 && Equation <= 3) {
    if (isWall(Cflatee[c])) mixedSideVelocity(c, Cflatee[c], Cidist[c], 0, w);
    if (isWall(Cflatew[c])) mixedSideVelocity(c, Cflatew[c], Cidist[c], 0, w);
    if (isWall(Cflates[c])) mixedSideVelocity(c, Cflates[c], Cjdist[c], 1, w);
    if (isWall(Cflaten[c])) mixedSideVelocity(c, Cflaten[c], Cjdist[c], 1, w);
    if (isWall(Cflatet[c])) mixedTopVelocity(c, w);
    if (isWall(Cflateb[c])) mixedBedVelocity(c, w);
  } else if (Equation == 5) {
    if (wallEW(c)) mixedSideK(c, Cidist[c], 0, w);
    if (wallNS(c)) mixedSideK(c, Cjdist[c], 1, w);
    if (wallTB(c)) mixedBedK(c, w);
  } else if (Equation == 6 && !epsilonOfModels(c, true, w)) {
    const double k15 = w.cmu75 * std::pow(w.kc(c), 1.5);
    if (wallEW(c)) {
      const double y = turnedDistance(c, Cidist[c], 0);
      fix(c, k15 / (mixedKappaEps(c, 0, w) * y), 1e30);
    }
    if (wallNS(c)) {
      const double y = turnedDistance(c, Cjdist[c], 1);
      fix(c, k15 / (mixedKappaEps(c, 1, w) * y), 1e30);
    }
    if (wallTB(c)) epsTerm(c, Ckdist[c], w.kappa, FlagConcProf == 1 ? 2.5 * conc0(c) + 1.0 : 1.0, w);
  }
}

}  // namespace

double transitionalUplus(double yplus, double ustar, double ks, double kappa) {
  const double Y = yplus <= 11.7 ? 11.7 : yplus;
  const double yd = 1e-6 * Y / ustar;  // y itself above y+ 11.7
  const double ksp = 1e6 * ustar * ks;
  double up;
  if (ksp < 2.25)
    up = std::log(9.0 * Y) / kappa;
  else if (ksp > 90.0)
    up = std::log(30.0 * yd / ks) / kappa;
  else
    up = std::sin(0.4258 * (std::log(ksp) - 0.811)) * (3.0 - std::log(ksp) / kappa) + std::log(Y) / kappa + 5.5;
  if (yplus < 11.7) up *= yplus / 11.7;
  return std::max(up, 0.025);
}

void wallFamilies(int a, int b, const WallConstants& w) {
  const int family = FlagWallAll;
  for (int c = a; c <= b; ++c) {
    if (!touchesWall(c)) continue;
    if (family == 5)
      family5(c, w);
    else if (family == 8 || family == 9)
      family8or9(c, w);
    else if (family == 19)
      family19(c, w);
  }
}
