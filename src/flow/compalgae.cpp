// Light and biology source terms of the water-quality components: growth
// limited by light, nutrients and temperature, uptake, decay, buoyancy and
// migration of colonies, relaxation towards the light or another component,
// and a component that carries the light of its cell.
#include <algorithm>
#include <cmath>

#include "flow/components.h"
#include "flow/compterms.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

// Kinematic viscosity of water (m2/s) at the temperature x (deg C).
double viscosity(double x) { return 1e-6 * std::exp(0.55234 - 0.026668 * x); }

// Light limitation p (1 - exp(-x / q)) and Monod factor x / (p + x).
double lightLimit(double x, double p, double q) { return p * (1.0 - std::exp(-x / (q + 1e-30))); }
double monod(double x, double p) { return x / (p + x); }
// The bounds come from the input and may stand in either order.
double clampTo(double x, double lo, double hi) { return std::min(std::max(x, lo), hi); }

// The top cell of the column of c.
int topOf(int c) {
  for (int steps = 0; steps < NoCells; ++steps) {
    const int up = Ccellt[c];
    if (up < 1 || up > NoCells) break;
    c = up;
  }
  return c;
}

// Attenuation of the light from the surface to the centre of c for the
// extinction coefficient kappa: the top cell with half its height, the cells
// between with their full height, c with half its height.
double attenuation(int c, double kappa) {
  const int t = topOf(c);
  double f = std::exp(-kappa * Ckdist[t]);
  if (c == t) return f;
  int steps = 0;
  for (int k = Ccellt[c]; k != t && k >= 1 && k <= NoCells && steps < NoCells; k = Ccellt[k], ++steps)
    f *= std::exp(-2.0 * kappa * Ckdist[k]);
  return f * std::exp(-kappa * Ckdist[c]);
}

// The irradiance at the surface now; 0 without a series.
double surfaceLight() { return Irradi ? seriesNow().of(Irradi) : 0.0; }

struct Light {
  double I, Iplus;
};
Light lightAt(int c, double I0, double kappa) {
  const double I = I0 * std::min(attenuation(c, kappa), 1.0);
  return {I, std::max(I, 0.0)};
}

void fix(int c, double v) {
  Cap[c] = 1e30;
  Csource[c] = v * 1e30;
}

// Component rows each type reads as a1, a2, ...
int rowsOf(int type) {
  switch (type) {
    case 162: case 121: case 161: case 132: case 133: case 113: case 131:
      return 1;
    case 281: case 252: case 291: case 261: case 272: case 282: case 221:
      return 2;
    case 361: case 371:
      return 3;
    default:
      return 0;
  }
}

// The light of a cell under the shading components of type 6100.
double shadedLight(const ReactionTerm& t, int c, double I0) {
  const double* p = t.parameter;
  const int m = std::min(t.arg[0], 5);
  double f = 1.0;
  for (int k = 0; k < m; ++k) {
    const int a = t.arg[k + 1];
    if (a < 0 || a >= NoComponents) continue;
    f = std::min(f * attenuation(c, p[2 * k] * Ccomp[a][c] + p[2 * k + 1]), 1.0);
  }
  return std::max(I0 * f, 0.0);
}

void applyTerm(const ReactionTerm& t, int comp) {
  double* const* C = Ccomp;
  const double* Cc = C[comp];
  const double* p = t.parameter;
  const int a1 = t.arg[0], a2 = t.arg[1], a3 = t.arg[2];
  const double dt = TimeStep;
  const double I0 = surfaceLight();
  for (int c = 1; c <= NoCells; ++c) {
    const double x = Cc[c];
    const double V = 1000.0 * Cvol[c];
    switch (t.type) {
      case 152: {
        const Light L = lightAt(c, I0, p[0]);
        Csource[c] += expChange(c, clampTo(lightLimit(L.I, p[1], p[2]), p[3], p[4])) * x;
        break;
      }
      case 162: {
        const Light L = lightAt(c, I0, p[0] * C[a1][c] + p[1]);
        Csource[c] += expChange(c, clampTo(lightLimit(L.Iplus, p[2], p[3]), p[4], p[5])) * x;
        break;
      }
      case 81: {
        const Light L = lightAt(c, I0, p[0] * x + p[1]);
        const double rho =
            std::clamp(x + (p[2] * L.Iplus / (p[5] + L.Iplus + 1e-30) - p[3] * L.Iplus - p[4]) * dt, 0.7, 1.5);
        const double nu = TemperatureFlag == 1 ? viscosity(C[0][c]) : 1e-6;
        verticalTransfer(c, std::max(x, 0.0) * (1.0 - rho) * 0.545 / nu * p[6] * (p[6] / p[7]) * topArea(c));
        break;
      }
      case 42: {
        const Light L = lightAt(c, I0, p[0] * x + p[1]);
        Csource[c] += expChange(c, lightLimit(L.Iplus, p[2], p[3])) * x;
        break;
      }
      case 6100:
        Cap[c] += 1e30;
        Csource[c] += shadedLight(t, c, I0) * 1e30;
        break;
      case 281: {
        const Light L = lightAt(c, I0, p[0] * x + p[1]);
        const double r = std::min({lightLimit(L.Iplus, p[2], p[3]), p[4] * monod(C[a1][c], p[5]),
                                   p[4] * monod(C[a2][c], p[6])}) *
                         temperatureFactor(c, p[7]);
        Csource[c] += expChange(c, r) * x;
        break;
      }
      case 361: {
        const double r = std::min({lightLimit(C[a1][c], p[0], p[1]), p[2] * monod(C[a2][c], p[3]),
                                   p[2] * monod(C[a3][c], p[4])}) *
                         temperatureFactor(c, p[5]);
        Csource[c] += expChange(c, r) * x;
        break;
      }
      case 252: {
        const double r =
            std::min(lightLimit(C[a1][c], p[0], p[1]), p[2] * monod(C[a2][c], p[3])) * temperatureFactor(c, p[4]);
        Csource[c] += expChange(c, r) * x;
        break;
      }
      case 291: {
        const Light L = lightAt(c, I0, p[0] * C[a1][c] + p[1]);
        const double r =
            std::min({lightLimit(L.Iplus, p[2], p[3]), p[4] * monod(x, p[5]), p[4] * monod(C[a2][c], p[6])}) *
            temperatureFactor(c, p[7]) * p[8];
        Csource[c] -= expChange(c, r) * x;
        break;
      }
      case 371: {
        const double r =
            std::min({lightLimit(C[a1][c], p[0], p[1]), p[2] * monod(x, p[3]), p[2] * monod(C[a2][c], p[4])}) *
            temperatureFactor(c, p[5]) * p[6];
        Csource[c] -= expChange(c, r) * x;
        break;
      }
      case 261: {
        const double r =
            std::min(lightLimit(C[a1][c], p[0], p[1]), p[2] * monod(x, p[3])) * temperatureFactor(c, p[4]) * p[5];
        Csource[c] -= expChange(c, r) * x;
        break;
      }
      case 121:
        Csource[c] += expChange(c, C[a1][c] * p[0] * x * temperatureFactor(c, p[5]));
        break;
      case 272: {
        const Light L = lightAt(c, I0, p[0] * C[a1][c] + p[1]);
        const double r =
            clampTo(std::min(lightLimit(L.I, p[2], p[3]), C[a2][c] / (p[4] + C[a2][c] + 1e-30)), p[5], p[6]);
        Csource[c] += expChange(c, r) * x;
        break;
      }
      case 151: {
        const Light L = lightAt(c, I0, p[0]);
        fix(c, std::clamp(x + (p[1] * L.I / (p[4] + L.I + 1e-30) - p[2] * L.I - p[3]) * dt, 0.7, 1.5));
        break;
      }
      case 161: {
        const Light L = lightAt(c, I0, p[0] * C[a1][c] + p[1]);
        fix(c, std::clamp(x + (p[2] * L.Iplus / (p[5] + L.Iplus + 1e-30) - p[3] * L.Iplus - p[4]) * dt, 0.7, 1.5));
        break;
      }
      case 282: {
        const Light L = lightAt(c, I0, p[0] * C[a1][c] + p[1]);
        fix(c, clampTo(x + (p[2] * L.Iplus / (p[5] + L.Iplus + 1e-30) - p[3] * C[a2][c] - p[4]) * dt, p[6], p[7]));
        break;
      }
      case 132: {
        const Light L = lightAt(c, I0, p[0] * C[a1][c] + p[1]);
        const double s = dt / p[2];
        fix(c, s < 1.0 ? s * L.Iplus + (1.0 - s) * x : L.Iplus);
        break;
      }
      case 133: {
        const Light L = lightAt(c, I0, p[0] * C[a1][c] + p[1]);
        Csource[c] += (L.Iplus - x) * std::min(1.0, dt / p[2]) * V / dt;
        break;
      }
      case 113:
        Csource[c] += (C[a1][c] - x) * std::min(1.0, dt / p[2]) * V / dt;
        break;
      case 221:
        verticalTransfer(c, std::max(x, 0.0) * (1.0 - C[a1][c]) * 0.545 / viscosity(C[a2][c]) * p[0] * (p[0] / p[1]) *
                                topArea(c));
        break;
      case 131: {
        const double wmax = 2.0 * Ckdist[c] / (dt + 1e-30);
        const double w =
            std::clamp((1.0 - C[a1][c]) * 0.545 / viscosity(p[2]) * p[0] * (p[0] / p[1]), -wmax, wmax);
        verticalTransfer(c, std::max(x, 0.0) * w * topArea(c));
        break;
      }
      case 51: {
        const Light L = lightAt(c, I0, p[0] * x + p[1]);
        verticalTransfer(c, std::max(x, 0.0) * std::clamp((p[2] - L.Iplus) / p[4], -1.0, 1.0) * p[3] * topArea(c));
        break;
      }
      default:
        return;
    }
  }
}

// The order in which the types are applied.
constexpr int kOrder[] = {152, 162, 81, 42, 6100, 281, 361, 252, 291, 371, 261,
                          121, 272, 151, 161, 282, 132, 133, 113, 221, 131, 51};

}  // namespace

void CompSourceAlgae() {
  if (NoTerms < 1) return;
  const int comp = Equation - 8;
  if (!Ccomp || comp < 0 || comp >= NoComponents) return;
  const int nt = std::min(NoTerms, MaxTerms);
  for (int type : kOrder)
    for (int n = 0; n < nt; ++n) {
      const ReactionTerm& t = QTerms[n];
      if (t.type != type || t.component != comp || !termRowsExist(t, rowsOf(type))) continue;
      applyTerm(t, comp);
    }
}
