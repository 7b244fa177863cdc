// Pressure forces from differences taken at constant height: the pressure of
// each neighbouring water column is interpolated to the height of the cell's
// own centre.
#include <algorithm>
#include <cmath>

#include "solvers/differences.h"
#include "solvers/pressource.h"
#include "state/arrays.h"
#include "state/options.h"

namespace {

inline double verticalDifference(int c) { return difference(Cpres, c, Ccellb[c], Ccellt[c]); }

inline double constantHeightDifference(int c, int lo, int hi) {
  if (lo > 0 && hi > 0) return 0.5 * (interpolatePres(c, hi) - interpolatePres(c, lo));
  if (hi > 0) return interpolatePres(c, hi) - Cpres[c];
  if (lo > 0) return Cpres[c] - interpolatePres(c, lo);
  return 0.0;
}

struct Neighbours {
  int w, e, s, n;
};

// Missing lateral neighbours replaced from the bottom cell B of the column:
// the cell above B's neighbour (above = true) or that neighbour itself.
Neighbours substituted(int c, bool above) {
  const int B = Bcellt[Cbed[c]];
  auto sub = [above](int own, int fromBottom) {
    if (own > 0) return own;
    if (fromBottom <= 0) return 0;
    return above ? Ccellt[fromBottom] : fromBottom;
  };
  return {sub(Ccellw[c], B > 0 ? Ccellw[B] : 0), sub(Ccelle[c], B > 0 ? Ccelle[B] : 0),
          sub(Ccells[c], B > 0 ? Ccells[B] : 0), sub(Ccelln[c], B > 0 ? Ccelln[B] : 0)};
}

// Half the sum of the area-vector components of a direction's two faces
// times the difference, summed over the directions: the force on the cell.
inline double lateralForce(int eq, int c, double dI, double dJ, double dK, bool vertical) {
  const double* a = eq == 1 ? Fax : Fay;
  double f = (a[Cflatew[c]] + a[Cflatee[c]]) * dI + (a[Cflates[c]] + a[Cflaten[c]]) * dJ;
  if (vertical) f += (a[Cflateb[c]] + a[Cflatet[c]]) * dK;
  return 0.5 * f;
}

double orth(int eq, int c, bool substitutes) {
  if (eq == 3) return verticalDifference(c) * Faz[Cflatet[c]];
  if (eq != 1 && eq != 2) return 0.0;
  const Neighbours nb = substitutes ? substituted(c, true) : Neighbours{Ccellw[c], Ccelle[c], Ccells[c], Ccelln[c]};
  return lateralForce(eq, c, constantHeightDifference(c, nb.w, nb.e), constantHeightDifference(c, nb.s, nb.n), 0.0,
                      false);
}

// The weight of the constant-height difference by the bed slope across the
// cell: 1 on a level bed, 0 from the slope F 355 C upwards. Without a
// positive C every slope is too steep.
inline double slopeWeight(double slope) {
  const double C = CoeffPresSource;
  return C > 0.0 ? std::max(0.0, (C - slope) / C) : 0.0;
}

template <bool kBySlope>
double anti(int eq, int c) {
  double dK = verticalDifference(c);
  if (eq == 3) return dK * Faz[Cflatet[c]];
  if (eq != 1 && eq != 2) return 0.0;
  const Neighbours nb = substituted(c, false);
  const double* p = Cpres;
  double dI = 0.0;
  if (nb.w > 0 && nb.e > 0) {
    double O = interpolatePres(c, nb.e) - interpolatePres(c, nb.w);
    const double G = p[nb.e] - p[nb.w];
    const double nx = Fvx[Cflatet[c]];
    if constexpr (kBySlope) {
      const int B = Bcellt[Cbed[c]];
      const int Be = Bcellt[Cbed[nb.e]], Bw = Bcellt[Cbed[nb.w]];
      const double wb = slopeWeight(std::fabs(Czcenter[Be] - Czcenter[Bw]) / (4.0 * Cidist[B]));
      switch (FlagPresSource) {
        case 10: O = 0.5 * O + 0.5 * G; break;
        case 11: dK *= 1.0 - wb; break;
        case 12: {
          const double f = 2.0 * (-0.7 - nx);
          if (f < 0.0)
            dK = 0.0;
          else if (f <= 1.0)
            dK *= f;
          break;
        }
        default: dK = 0.0;
      }
      dI = 0.5 * (O * wb + G * (1.0 - wb));
    } else {
      double a;
      switch (FlagPresSource) {
        case 20:
          a = 2.0 * (-nx - CoeffPresSource);
          if (a < 0.0) {
            a = 0.0;
            dK = 0.0;
          } else if (a > 1.0) {
            a = 1.0;
          } else {
            dK *= a;
          }
          break;
        case 21:
          a = nx < 0.0 ? -nx : 0.0;
          dK = nx < 0.0 ? std::fabs(nx) * dK : 0.0;
          break;
        case 22:
          a = -nx;
          dK *= std::fabs(nx);
          break;
        default:
          a = std::fabs(nx);
          dK *= std::fabs(nx);
      }
      dI = 0.5 * (O * (1.0 - a) + G * a);
    }
  } else if (nb.e > 0) {
    dI = p[nb.e] - p[c];
  } else if (nb.w > 0) {
    dI = p[c] - p[nb.w];
  }
  const double dJ = constantHeightDifference(c, nb.s, nb.n);
  return lateralForce(eq, c, dI, dJ, dK, true);
}

}  // namespace

double interpolatePres(int c, int n) {
  const double z0 = Czcenter[c];
  const double* z = Czcenter;
  const double* k = Ckdist;
  const double* p = Cpres;
  if (z[n] > z0) {
    if (Ccellb[n] <= 0) return p[n];
    int m = n;
    while (Ccellb[m] > 0 && z0 <= z[m]) m = Ccellb[m];
    const int a = Ccellt[m] > 0 ? Ccellt[m] : m;
    const double f = (z0 - z[m]) / (k[m] + k[a]);
    return (1.0 - f) * p[m] + f * p[a];
  }
  if (z[n] < z0) {
    if (Ccellt[n] <= 0) return p[n] * std::max(0.0, k[n] - (z0 - z[n])) / k[n];
    int m = n;
    while (Ccellt[m] > 0 && z[m] <= z0) m = Ccellt[m];
    const int b = Ccellb[m] > 0 ? Ccellb[m] : Bcellt[Cbed[m]];
    const double f = (z[m] - z0) / (k[m] + k[b]);
    return (1.0 - f) * p[m] + f * p[b];
  }
  return p[n];
}

double d_di_orth_Pres(int eq, int c) { return orth(eq, c, true); }
double d_di_orth_Pres2(int eq, int c) { return orth(eq, c, false); }
double d_di_anti_Pres(int eq, int c) { return anti<true>(eq, c); }
double d_di_anti_Pres2(int eq, int c) { return anti<false>(eq, c); }
