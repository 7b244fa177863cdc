// Production, buoyancy and sinks of the k and epsilon (or omega) equations.
#include <algorithm>
#include <cmath>
#include <vector>

#include "physics/gradient.h"
#include "physics/physics.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

bool touchesWall(int c) {
  return Fflagflow[Cflatee[c]] == -1 || Fflagflow[Cflatew[c]] == -1 || Fflagflow[Cflates[c]] == -1 ||
         Fflagflow[Cflaten[c]] == -1 || Fflagflow[Cflatet[c]] == -1 || Fflagflow[Cflateb[c]] == -1;
}

enum class Strain { compute, keep, reuse };
Strain strainMode = Strain::compute;
std::vector<double> keptStrain;  // per cell, grows with the grid

}  // namespace

void keepStrain() {
  if (keptStrain.size() < static_cast<size_t>(NoCells) + 1) keptStrain.resize(static_cast<size_t>(NoCells) + 1);
  strainMode = Strain::keep;
}
void reuseStrain() {
  if (strainMode == Strain::keep) strainMode = Strain::reuse;
}
void forgetStrain() { strainMode = Strain::compute; }

void turbulence(int first, int last) {
  const int model = TurbulenceModel;
  if (model >= 2 && model <= 7) return;
  // The Kato-Launder form needs the rotation as well: it computes the
  // gradient in every pass.
  const Strain mode = FlagKatoLaunder == 0 ? strainMode : Strain::compute;
  double* kept = keptStrain.data();
  for (int c = first; c <= last; ++c) {
    const double V = Cvol[c];
    if (touchesWall(c)) {
      Csource[c] = 0.0;
    } else {
      double T[3][3];
      double phiS;
      if (mode == Strain::reuse) {
        phiS = kept[c];
      } else {
        velocityGradientVolume(c, T);
        const double sxy = T[0][1] + T[1][0], sxz = T[0][2] + T[2][0], syz = T[1][2] + T[2][1];
        phiS = 2.0 * (T[0][0] * T[0][0] + T[1][1] * T[1][1] + T[2][2] * T[2][2]) + sxy * sxy + sxz * sxz + syz * syz;
        if (mode == Strain::keep) kept[c] = phiS;
      }
      if (TurbDensFlag < 1) {
        if (FlagKatoLaunder == 0) {
          Csource[c] = Cgamma[c] * phiS / V;
        } else if (FlagKatoLaunder == 1) {
          const double oxy = T[0][1] - T[1][0], oxz = T[0][2] - T[2][0], oyz = T[1][2] - T[2][1];
          const double phiO = oxy * oxy + oxz * oxz + oyz * oyz;
          Csource[c] = Cgamma[c] * std::sqrt(std::fabs(phiS * phiO)) / V;
        }
      } else {
        double P = phiS / V;
        const bool k = Equation == 5, e = Equation == 6;
        if ((TurbDensFlag == 4 || TurbDensFlag == 6) && k) {
          const int lower = Ccellb[c] > 0 ? Ccellb[c] : c, upper = Ccellt[c] > 0 ? Ccellt[c] : c;
          double G = lower != upper ? std::min(densityDamp(lower, upper), 0.0) * V : 0.0;
          G = std::max({G, -coeffTurbFlag5 * P, -0.001 * P});
          P += G;
        } else if (TurbDensFlag == 5 && k) {
          const int lower = Ccellb[c] > 0 ? Ccellb[c] : c, upper = Ccellt[c] > 0 ? Ccellt[c] : c;
          const double G = lower != upper ? std::min(densityDamp(lower, upper) * V, 0.0) : 0.0;
          const double A = std::pow(std::max(P + G, 1e-20), 2.0);
          const double B = std::max(1e-40, std::max(coeffTurbC3e * G + P, 1e-20) * std::max(P, 1e-20));
          if (CdampDensity) CdampDensity[c] = std::max(0.001, std::pow(A / B, coeffTurbFlag5));
        } else if (TurbDensFlag == 6 && e) {
          const int lower = Ccellb[c] > 0 ? Ccellb[c] : c, upper = Ccellt[c] > 0 ? Ccellt[c] : c;
          const double N = lower != upper ? densityDamp(lower, upper) : 0.0;
          P += std::min(N, 0.0) * V * coeffTurbC3e;
        }
        Csource[c] = P * Cgamma[c];
      }
    }
    if (FlagTurbDLL > 0) continue;
    const double k = Ckinen[c], e = Cepsilon[c], S = Csource[c];
    if (Equation == 5) {
      // Both k-omega models sink k by beta* k omega.
      Cap[c] = (model == 15 || model == 16) ? V * 1000.0 * 0.09 * e : V * 1000.0 * e / (k + 1e-20);
    } else if (Equation == 6) {
      if (model == 15 || model == 16) {
        Cap[c] = V * 1000.0 * 0.072 * e;
        Csource[c] = S * 0.52 * e / (k + 1e-20);
      } else if (model == 1) {
        const double eta = std::sqrt(S / (Cgamma[c] * V)) * k / (e + 1e-20);
        const double eta3 = eta * eta * eta;
        const double C = (1.0 - eta / 4.38) * 0.0845 * eta3 / (1.0 + 0.012 * eta3) + 1.68;
        Cap[c] = C * 1000.0 * e * V / (k + 1e-20);
        Csource[c] = S * 1.42 * e / (k + 1e-20);
      } else {
        Cap[c] = V * EpsilonCs2 * 1000.0 * e / (k + 1e-20);
        Csource[c] = EpsilonCs1 * 1.3 * S * e / (k + 1e-20);
      }
    }
  }
}
