// Higher-order convection (K 6 values 10..19; F 63 for the sediment) as a
// deferred correction: the matrix keeps the power-law coefficients, and each
// face adds the difference between a limited higher-order face value and the
// upwind value, times its mass flux, to the sources of its two cells. The
// correction uses the field as it stands before the solve, so the scheme is
// reached as the iterations converge.
#include <algorithm>
#include <cmath>

#include "flow/stages.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

inline bool cellOk(int c) { return c >= 1 && c <= NoCells; }

const double* fieldOf(int eq) {
  switch (eq) {
    case 1: return Cxvel;
    case 2: return Cyvel;
    case 3: return Czvel;
    case 5: return Ckinen;
    case 6: return Cepsilon;
    case 7: return Cconc && grainsize_number >= 0 && grainsize_number <= lnumber ? Cconc[grainsize_number] : nullptr;
    default: return nullptr;
  }
}

}  // namespace

double convectionLimiter(int scheme, double r) {
  double psi;
  switch (scheme) {
    case 10: psi = 0.75 * r + 0.25; break;                                         // QUICK
    case 11: psi = 0.5 * (1.3333 * r + 0.666667); break;                           // third-order upwind-biased
    case 12: psi = std::max(0.0, std::min({2.0 * r, 0.75 * r + 0.25, 4.0})); break;
    case 13: psi = 2.0 * (r + std::fabs(r)) / (r + 3.0); break;
    case 14: psi = (r + std::fabs(r)) / (r + 1.0); break;                          // van Leer
    case 15: psi = std::max({0.0, std::min(2.0 * r, 1.0), std::min(r, 2.0)}); break;  // superbee
    case 16: psi = std::max(0.0, std::min(r, 1.0)); break;                         // minmod
    case 17: psi = 1.0; break;                                                     // linear upwind
    case 19: psi = std::max(0.0, std::min({2.0 * r, 0.5 * r + 0.5, 2.0})); break;  // monotonised central
    default: psi = 0.0; break;  // 18 first-order upwind; no limiter above 19: no correction
  }
  return std::isfinite(psi) ? psi : 0.0;
}

void coeff_make_source(int first, int last) {
  const int eq = Equation;
  const double* phi = fieldOf(eq);
  if (!phi) return;
  const int scheme = sou[std::clamp(eq, 0, kEquationTableSize - 1)];
  const int g = grainsize_number;
  double* target = Csource;
  if (eq == 7 && lnumber > 1) {
    if (!Csourcem || g < 0 || g >= CsourcemRows) return;
    target = Csourcem[g];
  }
  const double settling = eq == 7 && g >= 0 && g <= 50 ? fallvelo[g] * 1000.0 : 0.0;
  first = std::max(first, 1);
  last = std::min(last, NoSurfaces);
  for (int i = first; i <= last; ++i) {
    const int c1 = Fcell1[i], c2 = Fcell2[i];
    if (!cellOk(c1) || !cellOk(c2)) continue;
    double F = Fflux[i];
    if (eq == 7 && (Ftype1[i] == 6 || Ftype2[i] == 6)) F -= settling * Faz[i];
    int U, UU, D;
    if (F > 0.0) {
      U = c1, UU = Fcell11[i], D = c2;
    } else if (F < 0.0) {
      U = c2, UU = Fcell22[i], D = c1;
    } else {
      continue;
    }
    if (!cellOk(UU)) continue;
    const double r = (phi[D] - phi[U]) / (phi[U] - phi[UU] + 1e-30);
    const double corr = 0.5 * F * convectionLimiter(scheme, r) * (phi[U] - phi[UU]);
    target[c1] -= corr;
    target[c2] += corr;
  }
}
