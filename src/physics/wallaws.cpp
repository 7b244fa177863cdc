// Friction of side walls, lid and bed by the rough logarithmic wall law.
#include <algorithm>
#include <atomic>
#include <cmath>

#include "physics/physics.h"
#include "physics/walllaw.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

double sideFriction(int c, int f, int side, const WallConstants& w) {
  const double y = wallDistance(side == 0 ? Cidist[c] : Cjdist[c]);
  double q = w.q(c), kappa = w.kappa, g;
  if (FlagGENMIX == 1 && wallPressureGradient(c, side, g)) q += g * y;
  if (FlagGENMIX == 4 && wallPressureGradient(c, side, g)) {
    const double x = g * 3.16228e-5 / std::pow(std::sqrt(q), 3.0);
    kappa = (0.6 * x + 0.4) / (x + 1.0);
  }
  const double A = Farea[f], yp = w.yplus(c, y);
  if (FlagWallLimiterU == 3 && yp < 11.63) return 31.62 * std::sqrt(q) * A / yp;
  return 31.62 * std::sqrt(q) * kappa * A / std::max(std::log(30.0 * y / w.ksWall), kappa * MinUPlus);
}

double topFriction(int c, int f, const WallConstants& w) {
  const double y = wallDistance(Ckdist[c]), A = Farea[f], a = w.a(c);
  if (FlagWallLimiterU == 3) {
    const double yp = w.yplus(c, y);
    if (yp < 11.63) return a * A / yp;
  } else if (FlagWallLimiterU == 5 && Cgamma[c] < 0.0011) {
    return 0.001 * A / y;
  }
  return a * w.kappa * A / std::max(std::log(30.0 * y / w.ksWall), w.kappa * MinUPlus);
}

double bedFriction(int c, int f, const WallConstants& w) {
  const double y = wallDistance(Ckdist[c]), ks = Croughness[c], A = Farea[f], a = w.a(c);
  double up = std::max(std::log(30.0 * y / ks) / w.kappa, MinUPlus);
  if (FlagWallLimiterU == 4 && y < ks * WallLimiterU)
    up = y / (ks * WallLimiterU) * w.lnLimiterU / w.kappa;  // linear ramp, continuous with the log law
  if (FlagWallLimiterU == 6 && y < 0.5 * ks) up = std::max(up, 11.5 * y / ks + 1.0);
  if (FlagConcProf == 1 && Cconc && Cconc[0][c] > 0.0) up *= 2.5 * Cconc[0][c] + 1.0;
  if (FlagWallLimiterU == 3) {
    const double yp = w.yplus(c, y);
    if (yp < 11.63) return a * A / yp;
  }
  return a * A / up;
}

void velocityWallTerms(int a, int b, const WallConstants& w) {
  for (int c = a; c <= b; ++c) {
    const int fe = Cflatee[c], fw = Cflatew[c], fs = Cflates[c], fn = Cflaten[c], ft = Cflatet[c], fb = Cflateb[c];
    if (Fflagflow[fe] == -1) addVelocityTerm(c, fe, sideFriction(c, fe, 0, w), true);
    if (Fflagflow[fw] == -1) addVelocityTerm(c, fw, sideFriction(c, fw, 0, w), true);
    if (Fflagflow[fs] == -1) addVelocityTerm(c, fs, sideFriction(c, fs, 1, w), true);
    if (Fflagflow[fn] == -1) addVelocityTerm(c, fn, sideFriction(c, fn, 1, w), true);
    if (Fflagflow[ft] == -1) addVelocityTerm(c, ft, topFriction(c, ft, w), false);
    if (Fflagflow[fb] == -1) {
      addVelocityTerm(c, fb, bedFriction(c, fb, w), false);
      const double y = wallDistance(Ckdist[c]), ks = Croughness[c];
      if (FlagWallLimiterU == 1 && Ccellt[c] == 0 && y < WallLimiterU * ks)
        Cap[c] += 1000.0 * Farea[fb] * y * 1e-6 / 1e-10 * std::min(1.0, std::pow(10.0, -std::log10(y / ks) - 2.0));
    }
  }
}

}  // namespace

void thinColumnPass(int a, int b, const WallConstants& w) {
  for (int n = a; n <= b; ++n) {
    // Distance of n's centre above the bed and the column's half depth,
    // taken from n's own column so that any split of a..b gives the same.
    int bottom = n;
    while (Ccellb[bottom] > 0) bottom = Ccellb[bottom];
    double below = 0.0;
    for (int t = bottom; t != n; t = Ccellt[t]) below += 2.0 * Ckdist[t];
    double S = 0.0;
    for (int t = bottom; t > 0; t = Ccellt[t]) S += Ckdist[t];
    if (S >= MinVertDist) continue;
    const double y = below + Ckdist[n], ks = Croughness[bottom];
    const double c0 = Cconc ? Cconc[0][bottom] : 0.0;
    const double yp = w.yplus(n, y), an = w.a(n);
    const bool viscous = FlagWallLimiterU == 3 && yp < 11.63;
    if (Equation >= 1 && Equation <= 3) {
      const int f = Cflateb[n];
      const double A = Farea[f];
      const double cf = viscous ? an * A / yp : an * w.kappa * A / std::max(std::log(30.0 * y / ks), w.kappa * MinUPlus);
      addVelocityTerm(n, f, cf, false);
    } else if (Equation == 5) {
      // The log law of u+ is ln(30 y / ks) / kappa here as everywhere.
      double up = viscous ? yp : std::log(30.0 * y / ks) / w.kappa;
      if (FlagConcProf == 1 && c0 > 0.0) up *= 2.5 * c0 + 1.0;
      up = std::max(up, MinUPlusK);
      const double U2 = Cxvel[n] * Cxvel[n] + Cyvel[n] * Cyvel[n] + Czvel[n] * Czvel[n];
      Cap[n] += std::sqrt(w.kc(n)) * w.cmu75x1000 * up / y * Cvol[n];
      Csource[n] += an / up * U2 / y * Cvol[n];
    } else if (Equation == 6) {
      const double kn = w.kc(n);
      Cap[n] += 1e30;
      Csource[n] += 1e30 * (2.5 * c0 + 1.0) * w.cmu75 * std::pow(kn, 1.5) / (w.kappa * y);
    }
  }
}

void wall_laws(int a, int b) {
  if (FlagNewWall == 1) {
    wall_laws_new(a, b);
    return;
  }
  if (FlagNewWall == 2) {
    wall_laws_river(a, b);
    return;
  }
  // Every thread stores the same values: relaxed atomic accesses, and no
  // store once they hold.
  std::atomic_ref<double> kappa(Xkappa), ks(XksWall);
  if (kappa.load(std::memory_order_relaxed) != 0.4) kappa.store(0.4, std::memory_order_relaxed);
  const double ksOption = ks.load(std::memory_order_relaxed);
  if (ksOption < 1e-6) ks.store(1e-6, std::memory_order_relaxed);
  const WallConstants w(std::max(ksOption, 1e-6));
  if (TurbulenceModel == 3 && (Equation == 5 || Equation == 6)) {
    wallValuesWholeField(a, b, w);
    return;
  }
  for (int c = a; c <= b; ++c) {
    const bool thin = PorosWallFlag == 1 && Ckdist[c] < MinVertDist;
    const bool wall = Fflagflow[Cflatee[c]] == -1 || Fflagflow[Cflatew[c]] == -1 || Fflagflow[Cflates[c]] == -1 ||
                      Fflagflow[Cflaten[c]] == -1 || Fflagflow[Cflatet[c]] == -1 || Fflagflow[Cflateb[c]] == -1;
    if (thin || wall) Cap[c] = Csource[c] = 0.0;
  }
  if (FlagWallAll == 5 || FlagWallAll == 8 || FlagWallAll == 9 || FlagWallAll == 19) {
    wallFamilies(a, b, w);
    return;
  }
  if (FlagWallAll != 0 && FlagWallAll != 11) return;
  if (Equation >= 1 && Equation <= 3)
    velocityWallTerms(a, b, w);
  else if (Equation == 5 || Equation == 6)
    wallValuesStandard(a, b, w);
  if (PorosWallFlag == 1) thinColumnPass(a, b, w);
}
