// The bed concentration of the total-load family (F 10 letters A, E, I, M,
// S, Y) at the wet bed cells of the work range, with d90, the bed-form
// height and the bed roughness.
#include <algorithm>
#include <cmath>

#include "grid/geometry.h"
#include "state/log.h"
#include "physics/bedshear.h"
#include "sediment/bedconc.h"
#include "sediment/bedforms.h"
#include "sediment/sediment.h"
#include "sediment/totalload.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

inline bool cellOk(int c) { return c >= 1 && c <= NoCells; }

double speedOf(int c) { return std::sqrt(Cxvel[c] * Cxvel[c] + Cyvel[c] * Cyvel[c]); }

int surfaceLayer(int b) {
  if (NoBedLayers == 2) return 1;
  return std::clamp(BlayerTop[b], 0, NoBedLayers);
}

double ackersWhite(const TotalLoadColumn& col, double d, double Q) {
  const double s = density;
  const double Dgr = 9999.907897020428 * d * std::pow(9.81 * (s - 1.0), 0.33333);
  double n, m, C, A;
  if (Dgr > 60.0) {
    n = 0.0;
    m = 1.5;
    C = 0.025;
    A = 0.17;
  } else {
    const double lg = std::log10(Dgr);
    n = 1.0 - 0.56 * lg;
    A = 0.23 / std::sqrt(Dgr) + 0.14;
    m = 9.66 / Dgr + 1.34;
    C = std::pow(10.0, 2.86 * lg - lg * lg - 3.53);
    if (Dgr < 1.0) {
      logf("Ackers/White formula not valid for this situation\n");
      n = 1.0;
    }
  }
  const double rough = std::log10(10.0 * col.h / d);
  if (!(rough > 0.0) || !(col.ustar > 0.0)) return 0.0;
  const double Fgr = std::pow(col.ustar, n) / std::sqrt(9.81 * (s - 1.0) * d) *
                     std::pow(col.U / (5.656854249492381 * rough), 1.0 - n);
  const double G = Fgr / A - 1.0;
  if (!(G >= 0.0)) return 0.0;
  const double X = C * std::pow(G, m) * 1e6 * s * d * std::pow(col.U / col.ustar, n) / col.h;
  return X / (1000.0 * s) / Q;
}

}  // namespace

TotalLoadColumn totalLoadColumn(int b) {
  TotalLoadColumn col;
  col.b = b;
  col.c = Bcellt[b];
  col.top = surfaceLayer(b);
  double half = 0.0, flux = 0.0;
  for (int x = col.c, guard = 0; cellOk(x) && guard <= NoCells; x = Ccellt[x], ++guard) {
    half += Ckdist[x];
    flux += speedOf(x) * Ckdist[x];
  }
  col.h = 2.0 * half;
  col.U = half > 0.0 ? flux / half : 0.0;
  // Negative k is no shear.
  col.tau = 300.0 * std::max(Ckinen[col.c], 0.0) + 1e-20;
  col.ustar = std::sqrt(col.tau * 0.001);
  col.S = col.tau / (9810.0 * col.h + 1e-20);
  if (lnumber == 1) {
    col.d90 = gsize[1];
  } else {
    double f[51] = {0.0};
    for (int l = 1; l <= lnumber && l <= 50; ++l) f[l] = BSedDistrib[col.top][l][b];
    col.d90 = computeSieve(f, 90.0);
  }
  if ((FlagRoughness == 4 || FlagRoughness == 5) && Croughness[col.c] > 0.0)
    col.tau *= std::pow(std::min(1.0, 3.0 * col.d90 / Croughness[col.c]), 0.25);
  return col;
}

double rouseTransport(const TotalLoadColumn& col, double w) {
  const double a = Ckdist[col.c], h = col.h;
  if (!(h - a > 0.0)) return 0.0;
  const double z = w / (0.4 * col.ustar);
  double Q = 0.0, below = 0.0;
  for (int x = col.c, guard = 0; cellOk(x) && guard <= NoCells; x = Ccellt[x], ++guard) {
    const double zk = below + Ckdist[x];
    const double base = (h - zk) / zk * a / (h - a);
    Q += (base > 0.0 ? std::pow(base, z) : 0.0) * 2.0 * Ckdist[x] * speedOf(x);
    below += 2.0 * Ckdist[x];
  }
  return Q;
}

double totalLoadCriticalShear(double d, double ustar) {
  if (shieldscoeff > 0.0) return d * std::fabs(shieldscoeff) * (density - 1.0) * 9810.0 + 1e-20;
  return d * (density - 1.0) * shieldsCurve(0, ustar * d / 1e-6) * 9810.0 + 1e-20;
}

double yangCriticalSpeed(double w, double R) {
  if (R >= 70.0) return 2.5 * w;
  // The relation holds from R = 1.2; below, its pole at ln R = 0.06 and
  // its negative branch have no meaning, and the value at 1.2 stands.
  R = std::max(R, 1.2);
  return w * (2.5 / (std::log(R) - 0.06) + 0.66);
}

double totalLoadConcentration(char letter, int l, const TotalLoadColumn& col, double Q, double tauc) {
  const double d = gsize[l], w = fallvelo[l], s = density;
  if (letter == 'I') {
    const double qb = 2.0 * Ckdist[col.c] * speedOf(col.c);
    if (qb <= 1e-20) fatal(2, "Einsteins formula not valid for this situation");
    const double theta = col.tau / (1000.0 * 9.81 * (s - 1.0) * d);
    const double K = 3.6e-11 / (d * d * d * 9.81 * (s - 1.0));
    const double F = std::sqrt(0.66667 + K) - std::sqrt(K);
    return 40.0 * F * theta * theta * theta * std::sqrt((s - 1.0) * 9.81 * d * d * d) / 9.81 / qb;
  }
  if (Q < 1e-10) return 0.0;
  const double theta = col.tau / (1000.0 * 9.81 * (s - 1.0) * d);
  switch (letter) {
    case 'E': {
      const double q = 0.05 * col.U * col.U * std::sqrt(d / (9.81 * (s - 1.0))) * std::pow(theta, 1.5);
      const double C = q / Q;
      if (C > 2.65) {
        logf("Error Engelund Bconc(%d,%d) = %e\n", l, col.b, C);
        logf("  engelund,konc,eqshear = %e %e %e\n", q, Q, tauc);
        logf("  velocity,slope,partfroude = %e %e %e\n", col.U, col.S, theta);
      }
      return C;
    }
    case 'A': return ackersWhite(col, d, Q);
    case 'S': {
      if (!(w > 0.0)) return 0.0;
      const double Y = std::pow(3.28 * col.U * std::pow(col.S, 0.57) / std::pow(3.28 * w, 0.32), 0.0075);
      const double e = -107404.5 + 324214.7 * Y - 326309.6 * Y * Y + 109503.9 * Y * Y * Y;
      return std::pow(10.0, e) / (1000.0 * s) / Q;
    }
    case 'Y': {
      if (!(w > 0.0)) return 0.0;
      const double Vc = yangCriticalSpeed(w, col.ustar * d / 1e-6);
      if (!(col.U > Vc) || !(col.S > 0.0)) return 0.0;
      const double P = std::log10(w * d / 1e-6), B = std::log10(col.ustar / w);
      const double lg = 5.435 - 0.285 * P - 0.457 * B +
                        (1.799 - 0.409 * P - 0.314 * B) * std::log10((col.U - Vc) * col.S / w);
      return std::pow(10.0, lg) / (1000.0 * s) / Q;
    }
    case 'M': {
      if (col.tau < tauc) return 0.0;
      return 0.02578 * (s / (s - 1.0)) * std::pow(col.tau - tauc, 1.5) / (1000.0 * s) / Q;
    }
    default: return 0.0;
  }
}

void concEngelund() {
  if (lnumber < 1 || !Bconc || !BSedDistrib || !Bcellt) return;
  if (NoBCells == 0 && NoCells > 0) BedMake();
  const int cap = bedCellCapacity();
  for (int b = std::max(WBStart, 1); b <= WBEnd && b <= NoBCells && b < cap; ++b) {
    if (!cellOk(Bcellt[b])) continue;
    const TotalLoadColumn col = totalLoadColumn(b);
    Bd90[b] = col.d90;
    double stage = 0.0;
    for (int l = 1; l <= lnumber; ++l) {
      const double tauc = totalLoadCriticalShear(gsize[l], col.ustar);
      const double Q = rouseTransport(col, fallvelo[l]);
      stage += std::max(0.0, (col.tau - tauc) / tauc);
      // Volume fractions beyond F 256 are no equilibrium the bed can give.
      Bconc[l][b] = std::min(totalLoadConcentration(SedimentFormula, l, col, Q, tauc), MaxBedConc);
    }
    BedFormCell form;
    form.b = b;
    form.c = col.c;
    form.top = col.top;
    form.H = col.h;
    form.d90 = col.d90;
    double dm = 0.0;
    for (int l = 1; l <= lnumber; ++l) dm += BSedDistrib[col.top][l][b] * gsize[l];
    form.dm = dm;
    form.tau = col.tau;
    form.U = col.U;
    form.speed = speedOf(col.c);
    form.stage = stage;
    totalLoadBedForms(form);
  }
}
