// Kernels of the fast flow driver, which keeps the terms of u, v, w, k and
// epsilon side by side in the five rows of Csourcem (explicit sources) and
// CinvApf (diagonals): the k-epsilon production and sinks with the standard
// constants, and the rough-law wall terms of all five variables.
#include <algorithm>
#include <cmath>

#include "physics/gradient.h"
#include "physics/physics.h"
#include "physics/walllaw.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

bool fastRows() { return CinvApf && Csourcem && CsourcemRows >= 5; }

// Strain-rate production Phi_S of cell c (volume integrals, as for k).
double strainProduction(int c) {
  double T[3][3];
  velocityGradientVolume(c, T);
  const double sxy = T[0][1] + T[1][0], sxz = T[0][2] + T[2][0], syz = T[1][2] + T[2][1];
  return 2.0 * (T[0][0] * T[0][0] + T[1][1] * T[1][1] + T[2][2] * T[2][2]) + sxy * sxy + sxz * sxz + syz * syz;
}

}  // namespace

void turbulenceFast() {
  if (TurbulenceModel >= 2 && TurbulenceModel <= 7) return;
  if (!fastRows()) return;
  for (int c = WCStart; c <= WCEnd; ++c) {
    const double V = Cvol[c];
    if (!touchesWall(c)) Csourcem[3][c] = strainProduction(c) * Cgamma[c] / V;
    const double r = Cepsilon[c] / (Ckinen[c] + 1e-20);
    CinvApf[3][c] = V * 1000.0 * r;
    // The production is formed with the viscosity of the velocities, so the
    // epsilon source takes C1 = 1.44 alone (the factor 1.3 of the epsilon
    // equation makes up for its reduced viscosity, which is not used here).
    Csourcem[4][c] = Csourcem[3][c] * r * 1.44;
    CinvApf[4][c] = r * V * 1920.0;
    if (TurbulenceModel == 1) Csourcem[3][c] *= 0.719;
  }
}

void wallFast(bool turbulenceRows) {
  Xkappa = 0.4;
  if (XksWall < 0.0001) XksWall = 0.0001;
  if (!fastRows()) return;
  const double cmu = TurbulenceModel == 1 ? 0.0845 : 0.09;
  const double sqrtCmu1000 = 1000.0 * std::sqrt(cmu), cmu75 = std::pow(cmu, 0.75);
  for (int c = WCStart; c <= WCEnd; ++c) {
    if (!touchesWall(c)) continue;
    const int rows = turbulenceRows ? 5 : 3;
    for (int r = 0; r < rows; ++r) CinvApf[r][c] = Csourcem[r][c] = 0.0;
    const double kc = Ckinen[c] > ArtMinKinen ? Ckinen[c] : ArtMinKinen;
    const double a = 31.62 * std::sqrt(sqrtCmu1000 * kc);
    const double u = Cxvel[c], v = Cyvel[c], wv = Czvel[c], U2 = u * u + v * v + wv * wv;
    const int faces[6] = {Cflatee[c], Cflatew[c], Cflates[c], Cflaten[c], Cflatet[c], Cflateb[c]};
    const double* dists[6] = {Cidist, Cidist, Cjdist, Cjdist, Ckdist, Ckdist};
    for (int s = 0; s < 6; ++s) {
      const int f = faces[s];
      if (!isWall(f)) continue;
      const double y = wallDistance(dists[s][c]);
      const double yp = 1e6 * y * std::sqrt(0.001 * sqrtCmu1000 * Ckinen[c]);
      const double ks = s == 5 ? Croughness[c] : XksWall;
      const double up =
          FlagWallLimiterU == 3 && yp < 11.63 ? yp : std::max(MinUPlus, 2.5 * std::log(30.0 * y / ks));
      const double cf = a * Farea[f] / up;
      const double nx = Fvx[f], ny = Fvy[f], nz = Fvz[f];
      for (int r = 0; r < 3; ++r) CinvApf[r][c] += cf;
      if (s < 4) {
        const double nU = nx * u + ny * v;
        Csourcem[0][c] += cf * nU * nx;
        Csourcem[1][c] += cf * nU * ny;
      } else {
        const double nU = nx * u + ny * v + nz * wv;
        Csourcem[0][c] += cf * nU * nx;
        Csourcem[1][c] += cf * nU * ny;
        Csourcem[2][c] += cf * nU * nz;
      }
      if (!turbulenceRows) continue;
      CinvApf[3][c] += std::sqrt(kc) * 1000.0 * cmu75 * up / y * Cvol[c];
      Csourcem[3][c] += a / up * U2 / y * Cvol[c];
      CinvApf[4][c] += 1e30;
      Csourcem[4][c] += 1e30 * cmu75 * std::pow(kc, 1.5) / (Xkappa * y);
    }
  }
}
