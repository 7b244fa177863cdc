// Critical bed shear stress of a grain size: the Shields value, the hiding
// and exposure of mixtures, the bed-slope correction and cohesion.
#include <algorithm>
#include <cmath>

#include "physics/bedshear.h"
#include "sediment/bedconc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

inline bool cellOk(int c) { return c >= 1 && c <= NoCells; }

// Grain Reynolds number of diameter d under the bed shear tau.
inline double grainReynolds(double tau, double d) { return std::sqrt(0.001 * std::max(tau, 0.0)) * d / 1e-6; }

// Mean bed inclination cos (Fvz of the bed faces) over the F 204 window
// around bottom cell c, each cell weighted with its half length.
double windowMeanFvz(int c, double L) {
  double sum = 0.0, weights = 0.0;
  auto walk = [&](int start, const int* next, const double* half) {
    double length = 0.0;
    for (int x = start, guard = 0; cellOk(x) && guard <= NoCells; ++guard) {
      length += 2.0 * half[x];
      sum += Fvz[Cflateb[x]] * half[x];
      weights += half[x];
      if (length >= L) break;
      x = next[x];
    }
  };
  walk(c, Ccellw, Cidist);
  walk(Ccelle[c], Ccelle, Cidist);
  walk(c, Ccells, Cjdist);
  walk(Ccelln[c], Ccelln, Cjdist);
  return sum / (weights + 1e-20);
}

}  // namespace

double shieldsCurve(int curve, double R) {
  auto tail = [](double a, double b, double R) { return a * (1.0 - 0.699 * std::exp(-0.015 * R)) + b; };
  switch (curve) {
    case 1: R = std::clamp(R, 0.01, 100000.0); return tail(0.03, 0.075 / (R + 0.5), R);
    case 2: R = std::clamp(R, 0.01, 100000.0); return tail(0.075, 0.028 / (R + 1.2), R);
    case 3: R = std::clamp(R, 0.01, 100000.0); return tail(0.0475, 0.188 / (R + 1.0), R);
    default: {
      if (R > 500.0) return 0.0624927;
      if (R < 0.2) return 0.6;
      const double x = std::log10(R);
      return std::pow(10.0, -0.99863612 - 0.92539586 * x + 0.54283631 * x * x - 0.084544063 * x * x * x);
    }
  }
}

double hidingFactor(int l, int b, int top, double d50) {
  if (lnumber < 2) return 1.0;
  const double m = HideExParam, d = gsize[l];
  if (FlagHideEx != 2 && FlagHideEx != 4) return 1.0;
  if (NoBedLayers == 2) {
    if (FlagHideEx == 2) return std::pow(d / d50, m);
    double ph = 0.0, pe = 0.0;
    for (int j = 1; j <= lnumber; ++j) {
      const double f = BSedDistrib[top][j][b];
      ph += f * d / (gsize[j] + d);
      pe += f * gsize[j] / (gsize[j] + d);
    }
    return std::pow(ph / pe, m);
  }
  // Several layers: averaged from the top layer down to the first one at
  // which the summed thickness exceeds the active thickness (layer 0 never).
  const int first = std::min(BlayerTop[b], NoBedLayers);
  if (first < 1) return 1.0;
  double thick = 0.0, dsum = 0.0, ph = 0.0, pe = 0.0;
  for (int k = first; k >= 1; --k) {
    const double t = BSedDistrib[k][0][b];
    thick += t;
    for (int j = 1; j <= lnumber; ++j) {
      const double f = BSedDistrib[k][j][b];
      dsum += t * f * gsize[j];
      ph += t * f * d / (gsize[j] + d);
      pe += t * f * gsize[j] / (gsize[j] + d);
    }
    if (thick > TopThickness) break;
  }
  if (FlagHideEx == 2) return std::pow(d / (dsum / (thick + 1e-30)), m);
  return std::pow(ph / (pe + 1e-30), m);
}

bool bedSlopeActs(int b, bool bank) {
  const int v = FlagBedslopeCorrection;
  if (v < 1 || v > 10) return false;
  if (v % 2 == 0 && !bank) return false;  // the even variants: bank cells only
  // only where the two lowest layers hold more than the coarsest grain
  return BSedDistrib[0][0][b] + BSedDistrib[1][0][b] > gsize[1];
}

double bedSlopeFactor(int b, int c, bool bank) {
  if (!bedSlopeActs(b, bank)) return 1.0;
  const int v = FlagBedslopeCorrection;
  // The slope parameters of this bed cell; per-cell values with F 274 above
  // 1 for variants 1 and 2, taken into local copies.
  double up = BedCritTanSlopeUp, down = BedCritTanSlopeDown, minDamp = BedCritMinDamp;
  if ((v == 1 || v == 2) && FlagBedAngles > 1 && BrooksUp && BrooksDown && BrooksLimit) {
    up = BrooksUp[b];
    down = BrooksDown[b];
    minDamp = BrooksLimit[b];
  }
  const int f = Cflateb[c];
  const double a = std::clamp(dotproduct(Fvx[f], Fvy[f], Cxvel[c], Cyvel[c]), -1.0, 1.0);
  const double ap = 0.5 * (a + 1.0);
  const double T = (1.0 - ap) * up + ap * down;
  const double thetaB = std::acos(std::clamp(Fvz[f], -1.0, 1.0));
  auto root = [](double p, double T, double th) {
    const double tt = T * std::tan(th), cs = std::cos(th);
    const double D = (1.0 - tt * tt) * cs * cs + p * p;
    return D >= 0.01 ? p + std::sqrt(D) : p + 0.1;
  };
  double K = 1.0;
  switch (v) {
    case 1:
    case 2: {
      const double s = std::sin(std::acos(a));
      double theta;
      if (sizeBedCritCorr < 1e-7)
        theta = std::fabs(dotproduct(Fvy[f], -Fvx[f], Cxvel[c], Cyvel[c])) * thetaB;
      else
        theta = std::acos(std::clamp(windowMeanFvz(c, sizeBedCritCorr), -1.0, 1.0));
      const double p = -s * std::sin(theta) * T;
      K = std::max(root(p, T, theta), minDamp);
      break;
    }
    case 3:
    case 4: {
      const double p = -a * std::sin(thetaB) * T;
      K = std::max(root(p, T, thetaB), minDamp);
      break;
    }
    case 5:
    case 6: {
      const double phi = std::atan(1.0 / (ap * down + (1.0 - ap) * up));
      K = 0.954 * std::pow(std::max(0.0, 1.0 - (1.0 - std::fabs(a)) * thetaB / phi), 0.372) *
          std::pow(std::max(0.0, 1.0 - a * thetaB / phi), 0.745);
      K = std::max(K, minDamp);
      break;
    }
    case 7:
    case 8:
      K = std::max(std::cos(thetaB) * std::sqrt(std::max(0.0, 1.0 - T * std::tan(thetaB))), minDamp);
      break;
    default: {  // 9, 10
      const double x = 1.0 - thetaB / std::atan(up);
      if (x > 0.0)
        K = std::max(std::pow(x, 0.372), minDamp);
      else
        K = minDamp < 0.0 ? 0.0 : minDamp;
      K = std::min(K, 1.0);
      break;
    }
  }
  return K;
}

CriticalShear criticalShearStress(int l, const BedCellShear& cell) {
  CriticalShear r;
  const double s = density, d = gsize[l];
  if (shieldscoeff > 0.0)
    r.Sh = shieldscoeff * (s - 1.0) * 9810.0;
  else
    r.Sh = shieldsCurve(FlagShields, grainReynolds(cell.tau, d)) * (s - 1.0) * 9810.0;
  r.tauc = r.Sh * d;
  if (BedLoadFlag == 7)  // the sand-mud formula: the critical shear of d50 for every size
    r.tauc = shieldsCurve(0, grainReynolds(cell.tau, cell.d50)) * (s - 1.0) * 9810.0 * cell.d50;
  r.tauc += 1e-20;

  r.h = hidingFactor(l, cell.b, cell.top, cell.d50);
  r.tauc *= r.h;

  if (bedSlopeActs(cell.b, cell.bank)) {
    r.K = bedSlopeFactor(cell.b, cell.c, cell.bank);
    r.tauc = r.Sh * d * r.K * r.h + 1e-20;
  }

  if (cohesive[l] > 1e-10) r.tauc += cohesive[l];
  if ((FlagCohesion > 0 || NoCohesiveDepth > 0) && Bcohesion) r.tauc += Bcohesion[cell.top][cell.b];
  if (cell.bank && BankCohesion > 1e-20) r.tauc += BankCohesion;
  return r;
}
