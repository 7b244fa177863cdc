// Wall values of k and epsilon (or omega) under the standard law, the
// water-surface condition of epsilon and the whole-field law of model 3.
#include <algorithm>
#include <cmath>

#include "physics/walllaw.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

// u+ of the side walls for k (F 397 limiter 3 and the pressure-gradient
// slope of F 273 value 4).
double sideUplusK(int c, int side, double y, const WallConstants& w, bool genmix) {
  const double yp = w.yplus(c, y);
  if (FlagWallLimiterK == 3 && yp < 11.63) return yp;
  double s = 2.5, g;
  if (genmix && FlagGENMIX == 4 && wallPressureGradient(c, side, g)) {
    const double x = 3.16228e-5 / std::pow(std::sqrt(w.q(c)), 3.0) * g;
    s = (x + 1.0) / (0.6 * x + 0.4);
  }
  return std::max(MinUPlusK, s * std::log(30.0 * y / w.ksWall));
}

double bedUplusK(int c, double y, const WallConstants& w) {
  const double ks = Croughness[c], yp = w.yplus(c, y);
  const double ub = std::max(MinUPlusK, 2.5 * std::log(30.0 * y / ks));
  double up;
  if ((FlagWallLimiterK == 3 || FlagWallLimiterK == 5) && yp < 11.63) {
    up = yp;
  } else {
    up = ub;
    if (FlagWallLimiterK == 6 && y < 0.5 * ks) up = std::max(ub, 11.5 * y / ks + 1.0);
    if (FlagWallLimiterK == 1 && Ccellt[c] == 0 && y < ks * WallLimiterK)
      up = std::max(ub, 0.31927 * ManningInit * std::pow(2.0 * y, 0.16666667));
    if (FlagWallLimiterK == 2 && y < ks * WallLimiterK && Bdepth)
      up = std::max(ub, 0.31927 * ManningInit * std::pow(Bdepth[Cbed[c]], 0.16666667));
  }
  if (FlagConcProf == 1 && conc0(c) > 0.0) up *= 2.5 * conc0(c) + 1.0;
  return up;
}

// Production and dissipation of k in a wall cell (F 15 value 0).
void kProductionPair(int c, double y, double up, double P, const WallConstants& w) {
  Cap[c] += std::sqrt(w.kc(c)) * w.cmu75x1000 * up / y * Cvol[c];
  Csource[c] += P * speed2(c) / y * Cvol[c];
}

void kWall(int c, const WallConstants& w) {
  const bool ew = isWall(Cflatee[c]) || isWall(Cflatew[c]);
  const bool ns = isWall(Cflaten[c]) || isWall(Cflates[c]);
  const bool tb = isWall(Cflatet[c]) || isWall(Cflateb[c]);
  const double a = w.a(c);
  if (FlagWallAll == 11) {
    const double U2 = speed2(c);
    auto fixK = [c, U2](double up) { fix(c, 3.33333 * U2 / (up * up), 1e20); };
    if (ew) fixK(sideUplusK(c, 0, wallDistance(Cidist[c]), w, false));
    if (ns) fixK(sideUplusK(c, 1, wallDistance(Cjdist[c]), w, false));
    if (tb) {
      const double y = wallDistance(Ckdist[c]), yp = w.yplus(c, y);
      // The same rough log law as at the side walls, ln(30 y / ks) / kappa.
      double up = (FlagWallLimiterK == 3 || FlagWallLimiterK == 5) && yp < 11.63
                      ? yp
                      : 2.5 * std::log(30.0 * y / Croughness[c]);
      if (FlagConcProf == 1 && conc0(c) > 0.0) up *= 2.5 * conc0(c) + 1.0;
      fixK(std::max(up, MinUPlusK));
    }
    return;
  }
  for (int side = 0; side < 2; ++side) {
    if (!(side == 0 ? ew : ns)) continue;
    const double y = wallDistance(side == 0 ? Cidist[c] : Cjdist[c]);
    const double up = sideUplusK(c, side, y, w, true);
    double P = a / up, g;
    if (FlagGENMIX == 1 && wallPressureGradient(c, side, g)) P += g * y;
    kProductionPair(c, y, up, P, w);
  }
  if (tb) {
    const double y = wallDistance(Ckdist[c]), up = bedUplusK(c, y, w);
    kProductionPair(c, y, up, a / up, w);
  }
}

// Kappa of the epsilon wall value with the pressure gradient along the wall.
double kappaEps(int c, int side, double y, const WallConstants& w) {
  const int n1 = side == 0 ? Ccelln[c] : Ccelle[c], n2 = side == 0 ? Ccells[c] : Ccellw[c];
  if (n1 <= 0 || n2 <= 0) return w.kappa;
  const double d = side == 0 ? Cjdist[c] : Cidist[c];
  const double dp = Cpres[n1] - Cpres[n2];
  if (FlagGENMIX == 2) {
    const double G = 300.0 * Ckinen[c] * dp * y / (2.0 * d);
    const int f1 = side == 0 ? Cflaten[c] : Cflatew[c], f2 = side == 0 ? Cflates[c] : Cflatee[c];
    const double s = (Fvx[f1] + Fvx[f2]) * Cxvel[c] + (Fvy[f1] + Fvy[f2]) * Cyvel[c];
    const double P = s > 0.0 ? std::max(0.0, G) : std::max(0.0, -G);
    return w.kappa / (1.0 + coeffEps * P);
  }
  if (FlagGENMIX == 4 || FlagGENMIX == 5) {
    const double x = 3.16228e-5 / (5196.1 * std::pow(w.kc(c), 1.5)) * std::fabs(dp) / (4.0 * d);
    return (0.6 * x + 0.4) / (x + 1.0);
  }
  return w.kappa;
}

void epsilonWall(int c, const WallConstants& w) {
  const double k15 = std::pow(w.kc(c), 1.5);
  const bool bedWall = isWall(Cflateb[c]);
  if (isWall(Cflatee[c]) || isWall(Cflatew[c])) {
    const double y = wallDistance(Cidist[c]);
    fix(c, w.cmu75 * k15 / (kappaEps(c, 0, y, w) * y), 1e30);
  }
  if (isWall(Cflates[c]) || isWall(Cflaten[c])) {
    double y = wallDistance(Cjdist[c]);
    if (FlagMinDistEps == 1) y = std::max(y, MinDistEps);
    const double v = w.cmu75 * k15 / (kappaEps(c, 1, y, w) * y);
    if (FlagWallCorner != 0 && bedWall)
      Csource[c] += 1e30 * v;
    else
      fix(c, v, 1e30);
  }
  if (isWall(Cflatet[c]) || bedWall) {
    const double y = wallDistance(Ckdist[c]);
    double v = w.cmu75 * k15 / (w.kappa * y);
    if (FlagConcProf == 1) v *= 2.5 * conc0(c) + 1.0;
    fix(c, v, 1e30);
  }
  if (Ccellt[c] == 0 && FlagSurfEps == 1) surfaceEpsilon(c, w);
  if (Ccellt[c] == 0 && FlagSurfEps == 3) {
    const int c1 = Ccellb[c], c2 = c1 > 0 ? Ccellb[c1] : 0;
    if (c1 > 0 && c2 > 0) {
      const double d = 0.5 * ((Ckinen[c] - Ckinen[c1]) * (CgammaV[c] + CgammaV[c1]) -
                              (Ckinen[c1] - Ckinen[c2]) * (CgammaV[c1] + CgammaV[c2]));
      fix(c, std::max(d, 0.0), 1e30);
    }
  }
}

void omegaWall(int c, const WallConstants& w) {
  omegaWallPairs(c, w);
  if (Ccellt[c] == 0 && FlagSurfEps == 1) surfaceEpsilon(c, w);
}

}  // namespace

// Epsilon under the water surface from half the depth h_s (F 185 value 1).
void surfaceEpsilon(int c, const WallConstants& w) {
  double hs = 0.0;
  for (int t = c; t > 0; t = Ccellb[t]) hs += Ckdist[t];
  fix(c, std::pow(w.kc(c), 1.5) / (2.0 * hs * SurfEpsCoeff + 1e-20), 1e30);
}

// Omega at the wall of the k-omega model 16: sqrt(k) / (Cmu^0.25 kappa y).
void omegaWallPairs(int c, const WallConstants& w) {
  const double sk = std::sqrt(w.kc(c));
  auto value = [sk](double dist) {
    return dist >= 1000.0 ? sk / (1000.0 * 0.21908) : sk / (0.21908 * dist + 1e-20);
  };
  if (isWall(Cflatet[c]) || isWall(Cflateb[c])) fix(c, value(Ckdist[c]) * (2.5 * conc0(c) + 1.0), 1e30);
  if (isWall(Cflatee[c]) || isWall(Cflatew[c])) fix(c, value(Cidist[c]), 1e30);
  if (isWall(Cflates[c]) || isWall(Cflaten[c])) fix(c, value(Cjdist[c]), 1e30);
}

void wallValuesStandard(int a, int b, const WallConstants& w) {
  for (int c = a; c <= b; ++c) {
    if (Equation == 5) {
      kWall(c, w);
    } else if (TurbulenceModel == 16) {
      omegaWall(c, w);
    } else if (TurbulenceModel != 14 && TurbulenceModel != 15) {
      epsilonWall(c, w);
    }
  }
}

void wallValuesWholeField(int a, int b, const WallConstants& w) {
  for (int c = a; c <= b; ++c) {
    const double y = wallDistance(0.5 * std::sqrt(Cvol[c] / (2.0 * Ckdist[c] + 1e-20)));
    const double kc = w.kc(c);
    if (Equation == 6) {
      Cap[c] = 1e30;
      Csource[c] = 1e30 * w.cmu75 * std::pow(kc, 1.5) / (w.kappa * y);
    } else {
      const double yp = w.yplus(c, y);
      const double up =
          FlagWallLimiterU == 3 && yp < 11.63 ? yp : std::max(MinUPlusK, 2.5 * std::log(30.0 * y / w.ksWall));
      Cap[c] = std::sqrt(kc) * w.cmu75x1000 * up / y * Cvol[c];
      Csource[c] = w.a(c) / up * speed2(c) / y * Cvol[c];
    }
  }
}
