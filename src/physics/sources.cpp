// Weight of the water, surface slope, wind and Coriolis forces.
#include <algorithm>
#include <cmath>

#include "physics/physics.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

double windDrag(double U) {
  switch (WindFlag) {
    case 0:
      if (U <= 5.6) return U * U;
      return U * U * (1.0 + 1.9 * (1.0 - 5.6 / U) * (1.0 - 5.6 / U));
    case 1:
      return 1.1 * U * U;
    case 2:
      if (U < 1.0) return 1.25 * std::pow(U, 1.5);
      if (U < 15.0) return 0.5 * std::pow(U, 2.5);
      return 2.6 * U * U;
    default:
      return U;
  }
}

void windValues(double& U, double& cx, double& cy) {
  U = Wind[0];
  cx = Wind[1];
  cy = Wind[2];
  if (TimeInNo <= 0 || !Winn || !TimeInTime) return;
  if (TimeInNo == 1) {  // a single record holds its values
    U = Winn[0][0];
    cx = Winn[0][1];
    cy = Winn[0][2];
    return;
  }
  int n = TimeInNo - 1;
  for (int r = 1; r < TimeInNo; ++r)
    if (TimeInTime[r] > stimet) {
      n = r;
      break;
    }
  double w = TimeInTime[n] - stimet;
  if (w < 0.0) w = 0.0;
  w /= TimeInTime[n] - TimeInTime[n - 1] + 1e-20;
  U = (1.0 - w) * Winn[n][0] + w * Winn[n - 1][0];
  cx = (1.0 - w) * Winn[n][1] + w * Winn[n - 1][1];
  cy = (1.0 - w) * Winn[n][2] + w * Winn[n - 1][2];
}

namespace {

// Weight of cell c for the w equation with the column shares of F 181.
double columnWeight(int c, int mode) {
  const double V = Cvol[c];
  const int up = Ccellt[c], down = Ccellb[c];
  if (mode == 2 || (up == 0 && down == 0)) return 9810.0 * V;
  if (up > 0 && down == 0) return 4905.0 * (V + Cvol[up]);
  if (up == 0) return 4905.0 * (V + Cvol[down]);
  return mode == 1 ? 9810.0 * V : 2452.5 * (2.0 * V + Cvol[up] + Cvol[down]);
}

// Weight inside the thixotropic layer of the block record bl (first cell F).
void thixoWeight(int bl, bool subBedBlock) {
  const int F = block[bl].firstCell;
  for (int c = block[bl].firstCell; c <= block[bl].lastCell; ++c) {
    if (c < 1 || c > NoCells) continue;
    if (subBedBlock && c <= Bcellt[Cbed[c]]) continue;
    const double V = Cvol[c];
    const int up = Ccellt[c], down = Ccellb[c];
    double w = 0.0;
    if (up == F) {
      if (!subBedBlock || down > 0) w = 9810.0 * V;
    } else if (up > F) {
      w = down > 0 ? 9810.0 * V : 4905.0 * (V + Cvol[up]);
    } else if (down > 0) {
      w = 4905.0 * (V + Cvol[down]);
    } else if (!subBedBlock) {
      w = 9810.0 * V;
    }
    Csource[c] -= w;
  }
}

}  // namespace

void GravityFunction(int eq, int first, int last) {
  if (FlagThixo > 0 && FlagThixoIsComputing == 0) return;
  if (FlagGravityTerm >= 1 && (eq == 1 || eq == 2)) {
    // Every cell takes the slope of the surface above its own column.
    for (int c = first; c <= last; ++c) {
      int t = c;
      while (Ccellt[t] > 0) t = Ccellt[t];
      const int f = Cflatet[t];
      const double S = 9810.0 * (eq == 1 ? Fvx[f] : Fvy[f]);
      Csource[c] += S * Cvol[c];
    }
  }
  if (eq == 3 && FlagThixo == 0 && FlagGravity >= 1 && FlagGravity <= 3)
    for (int c = first; c <= last; ++c) Csource[c] -= columnWeight(c, FlagGravity);
  if (eq == 3 && FlagThixo >= 1) {
    if (FlagThixo == 1)
      thixoWeight(1, false);
    else if (NoBlocks >= 2 && block[2].subBed > 0)
      thixoWeight(2, true);
  }
  if (FlagGravity == 4 && eq == 1 && FlagThixo == 0)
    for (int c = first; c <= last; ++c) Csource[c] += 9810.0 * GravitySlope * Cvol[c];
}

void WindFunction(int eq) {
  if (eq == 3) return;
  if (eq != 1 && eq != 2 && eq != 5 && eq != 6) return;
  double U, cx, cy;
  windValues(U, cx, cy);
  const double W = windDrag(U);
  const double kw = 1.9999799999999998e-06 * W;
  for (int c = WCStart; c <= WCEnd; ++c) {
    if (Ccellt[c] != 0) continue;
    const double A = Farea[Cflatet[c]];
    if (eq == 1) {
      Csource[c] += cx * 0.0012 * W * A;
    } else if (eq == 2) {
      Csource[c] += cy * 0.0012 * W * A;
    } else if (eq == 5) {
      Cap[c] += 1e30;
      Csource[c] += kw * 1e30;
    } else {
      const double e = kw * (std::sqrt(kw) * 0.164317 * 2.5) / (Ckdist[c] + 1e-20);
      Cap[c] += 1e30;
      Csource[c] += e * 1e30;
    }
  }
}

void CoriolisFunction() {
  if (Equation != 1 && Equation != 2) return;
  const double f = Coriolis;
  for (int c = WCStart; c <= WCEnd; ++c) {
    const double u = Cxvel[c], v = Cyvel[c];
    const double L = std::sqrt(2.0 * Cvol[c] * Ckdist[c]);
    if (Equation == 1) {
      Csource[c] += 1000.0 * f * v * Cvol[c];
      Cap[c] += relaxCoriolis * std::fabs(1000.0 * f * v - 1000.0 * u) * L;
    } else {
      Csource[c] -= 1000.0 * f * u * Cvol[c];
      // The stabiliser of v weighs the equation's own component.
      Cap[c] += relaxCoriolis * std::fabs(1000.0 * f * u - 1000.0 * v) * L;
    }
  }
}

// Friction of thin single-cell columns at the edge of the wet area (F 7 P),
// or of the cells within the roughness height near the bed (F 92 2, 3): an
// added diagonal that brakes the velocity there; with F 7 P the k equation
// of a thin single cell is drawn to the value its roughness allows.
void TSCstabilityFunction(int eq) {
  for (int b = WBStart; b <= WBEnd; ++b) {
    const int c = Bcellt[b];
    if (c <= 0) continue;
    const bool thinSingle = Ccellt[c] == 0 && Ckdist[c] < 0.5 * MinVertDist &&
                            (Ccelle[c] == 0 || Ccellw[c] == 0 || Ccelln[c] == 0 || Ccells[c] == 0);
    const double side = std::sqrt(Barea[b]);
    if (eq <= 3 && FlagBedPoros == 1) {
      if (!thinSingle) continue;
      const double vel = Equation == 1 ? Cxvel[c] : Equation == 2 ? Cyvel[c] : Czvel[c];
      Cap[c] += std::fabs(vel) * 1000.0 * 0.3 * Ckdist[c] * side;
    } else if (eq <= 3 && (PorosWallFlag == 2 || PorosWallFlag == 3)) {
      double below = 0.0;  // height of the bottom face of the cell above the bed
      for (int k = c; k > 0; k = Ccellt[k]) {
        const double z = below + Ckdist[k];
        if (z < Croughness[k] * BPWparam1) {
          const double vel = PorosWallFlag == 3 ? std::sqrt(Cxvel[k] * Cxvel[k] + Cyvel[k] * Cyvel[k])
                             : Equation == 1    ? Cxvel[k]
                             : Equation == 2    ? Cyvel[k]
                                                : Czvel[k];
          Cap[k] += 2.0 * Ckdist[k] * 1000.0 * std::fabs(vel) * BPWparam2 * side;
        }
        below += 2.0 * Ckdist[k];
      }
    } else if (eq == 5 && FlagBedPoros == 1 && thinSingle) {
      const double h = 2.0 * Ckdist[c];
      const double kc = 0.47453 * h * std::pow(Croughness[c] / h, 0.333333);
      Cap[c] += std::max(0.0, Ckinen[c] - kc) * Cap[c] / kc;
    }
  }
}
