// The bed-concentration formulas of F 84, the probability of motion, the
// side-erosion terms, the d50 scaling and the sand-mud formula. Every result
// is a volume fraction in the bottom cell of the column.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "sediment/bedconc.h"
#include "state/outfile.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

inline bool cellOk(int c) { return c >= 1 && c <= NoCells; }

inline double Dfac() { return std::pow((density - 1.0) * 9.81e12, 0.3333); }

// Cohesion added to the Engelund-Hansen denominator (Pa, before the factor
// 21.3): the cohesion of the surface layer and the bank cohesion.
double cohesionTerm(const BedCellShear& cell) {
  if (!(BankCohesion > 1e-20 || FlagCohesion > 0)) return 0.0;
  double x = 0.0;
  if (FlagCohesion > 0 && Bcohesion) x += Bcohesion[cell.top][cell.b];
  if (cell.bank && BankCohesion > 1e-20) x += BankCohesion;
  return 21.3 * x;
}

// Engelund-Hansen concentration of diameter d with the denominator N and
// coefficient coeff: the transport of the depth-averaged speed r |u| carried
// by the bottom cell.
double engelundHansen(double d, double N, double coeff, const BedCellShear& cell) {
  const double s = density;
  const double tau = std::max(cell.tau, 0.0);
  N = std::max(N, 1e-20);
  return s * coeff * 1000.0 * cell.r * cell.r * std::sqrt(d / ((s - 1.0) * 9.81)) * std::pow(tau / N, 1.5) *
         cell.speed / (2.0 * s * 1000.0 * Ckdist[cell.c]);
}

// Reference level of the van Rijn formulas (F 60).
double referenceLevel(const BedCellShear& cell) {
  if (TSCbedrouse == 1) return std::max({3.0 * cell.d90, 0.5 * Bedformheight[cell.b], 0.01 * cell.H});
  if (TSCbedrouse == 2 && cell.commonLevel > 0.0) return cell.commonLevel;
  return Ckdist[cell.c];
}

// F 60 1: the concentration at the reference level a carried to the cell
// centre z by a Rouse profile. A reference level above the water surface
// gives the smallest factor.
double rouseTransfer(double cs, double a, const BedCellShear& cell, double w) {
  const double z = Ckdist[cell.c], H = cell.H;
  const double ustar = std::sqrt(0.001 * cell.tau + 1e-20);
  const double Z = std::min(2.5 * w / ustar, HRzmax);
  auto factor = [&](double base) { return std::clamp(std::pow(std::max(base, 0.0), Z), HRmulmin, 1.0); };
  if (z - a > 1e-5) return cs * factor(((H - z) / z) * (a / (H - a)));
  if (z - a < -1e-5) return cs / factor(((H - a) / a) * (z / (H - z)));
  return cs;
}

}  // namespace

void characteristicDiameters(const double* f, double& d50, double& d90, double& dm) {
  const int n = std::clamp(lnumber, 1, 50);
  dm = 0.0;
  for (int l = 1; l <= n; ++l) dm += f[l] * gsize[l];
  if (n == 1) {
    d50 = d90 = dm = gsize[1];
    return;
  }
  // P(l): share of the finer classes plus half of class l
  auto find = [&](double level, double extra) {
    double below = 0.0;
    for (int l = n; l >= 1; --l) {
      const double P = below + 0.5 * f[l];
      if (P > level) {
        if (l == n) return gsize[n];
        const double t = (P - level) / (0.5 * (f[l] + f[l + 1]) + extra);
        return t * gsize[l + 1] + (1.0 - t) * gsize[l];
      }
      below += f[l];
    }
    return -1.0;  // no class above the level
  };
  d90 = find(0.9, 0.0);
  if (d90 < 0.0) d90 = gsize[1];
  d50 = find(0.5, 1e-30);
  if (d50 < 0.0) {
    // no midpoint above 0.5: the formula of classes 1 and 2, beyond gsize[1]
    const double P = (1.0 - f[1]) + 0.5 * f[1];
    const double t = (P - 0.5) / (0.5 * (f[1] + f[2]) + 1e-30);
    d50 = t * gsize[2] + (1.0 - t) * gsize[1];
  }
}

double normalProbability(double x) {
  const double ax = std::fabs(x);
  const double t = 1.0 / (1.0 + 0.2316419 * ax);
  const double P = 1.0 - 0.3989422804 * std::exp(-0.5 * ax * ax) *
                             (t * (0.31938153 + t * (-0.356563782 + t * (1.781477937 + t * (-1.821255978 + 1.330274429 * t)))));
  return x >= 0.0 ? P : 1.0 - P;
}

double bedConcentration(int l, BedCellShear& cell, const CriticalShear& cs) {
  const double s = density, d = gsize[l], w = fallvelo[l], tauc = cs.tauc;
  const int c = cell.c;
  const int F = BedLoadFlag;
  const bool engelund = F == 6 || F == 8 || F == 9 || F == 11 || F == 12;
  double C = 0.0;

  if (engelund) {
    const double N = cs.K * cs.h * d * (s - 1.0) * 1000.0 * 9.81 + cohesionTerm(cell);
    C = engelundHansen(d, N, EHcoeff, cell);
    if (F == 12 && !(cell.tau / tauc >= cs.K)) C = 0.0;
    if (cell.tau < tauc) {
      if (FlagReduceEH == 1) C = 0.0;
      if (FlagReduceEH == 2) C *= std::pow((tauc - cell.tau) / (tauc + 1e-20), 1.0 / coeffReduceEH);
    }
  }
  if (F == 7) {
    ParvelInput in;
    in.tau = cell.tau;
    in.tauc = tauc;
    in.d = d;
    in.d50 = cell.d50;
    in.halfHeight = Ckdist[c];
    in.H = cell.H;
    in.roughness = Croughness[c];
    in.fall = w;
    in.solid = Bsolidfraction ? Bsolidfraction[cell.top][cell.b] : SolidFrac;
    double f[51] = {0.0};
    for (int j = 1; j <= lnumber && j <= 50; ++j) f[j] = BSedDistrib[cell.top][j][cell.b];
    in.fractions = f;
    C = computeConcentrationParvel(in);
  }

  // grain share of the shear on a rough bed
  double g = 1.0;
  if (FlagRoughness == 6) g = std::pow(std::min(1.0, 3.0 * cell.d90 / (Croughness[c] + 1e-30)), 0.25);

  const double e = (cell.tau - tauc) * g;
  if (e > 1e-6) cell.stage += e / tauc;

  double X = (cell.tauE - tauc) * g;
  if (FlagLEA2 > 0 || FlagLEA3 > 0) X = cell.Ms * cell.tauE - tauc;

  if (X <= 1e-6) {
    if (F == 8 || F == 9) C = 0.0;
  } else {
    const double T = X / tauc;
    const double Dstar = Dfac() * d;
    const double a = referenceLevel(cell);
    const double sq = std::sqrt((s - 1.0) * 9.81);
    // the flow through the bottom cell per unit width; a still cell gives
    // the largest value the cap of F 256 then limits
    const double carrier = 2.0 * Ckdist[c] * cell.speed + 1e-20;
    auto bedLoad = [&] {
      return ConcFormBCoeff * std::pow(d, ConcFormBD50) * std::pow(T, ConcFormBTstar) * sq /
             (2.0 * Ckdist[c] * std::pow(Dstar, ConcFormBDstar) * cell.speed + 1e-20);
    };
    auto suspended = [&] {
      double v = ConcFormCoeff * d * std::pow(T, ConcFormTstar) / (std::pow(Dstar, ConcFormDstar) * a);
      if (TSCbedrouse == 1) v = rouseTransfer(v, a, cell, w);
      return v;
    };
    switch (F) {
      case 0: C = suspended(); break;
      case 1: C = bedLoad(); break;
      case 2: C = suspended() + bedLoad(); break;
      case 3: C = 0.0053 * std::pow(T, 2.2) * std::sqrt(d * d * d * (s - 1.0) * 9.81) / carrier; break;
      case 4: C = T * ConcFormBCoeff; break;
      case 5:
        C = std::pow(X, 1.5) / (((s - 1.0) / s) * std::pow(10.0 * MPMcoeff, 1.5) * 9.81) / (1000.0 * s) / carrier;
        break;
      default: break;  // 6..12 keep their value, 13 and above stay 0
    }
  }

  if (FlagRoughness == 5) {
    // probability of motion: falls below one half once the shear is below
    // critical
    if (cell.tau > 0.0)
      C *= normalProbability(-(tauc / cell.tau - 1.0) / 0.45);
    else
      C = 0.0;
  }
  return C;
}

void scaleToD50Load(const BedCellShear& cell, const CriticalShear& last) {
  const double s = density;
  const double N50 = last.K * last.h * cell.d50 * (s - 1.0) * 1000.0 * 9.81 + cohesionTerm(cell);
  const double c50 = engelundHansen(cell.d50, N50, 0.05, cell);
  double S = 0.0;
  for (int l = 1; l <= lnumber; ++l) S += Bconc[l][cell.b] * BSedDistrib[cell.top][l][cell.b];
  const double q = std::min(c50 / (S + 1e-20), 10.0);
  for (int l = 1; l <= lnumber; ++l) Bconc[l][cell.b] *= q;
}

void bankNeighbourhood(int c, int around[9]) {
  auto ok = [](int x) { return cellOk(x) ? x : 0; };
  // The neighbour `step` of cell a, else the neighbour `other` of cell b.
  auto either = [&](int a, const int* step, int b, const int* other) {
    const int x = a ? ok(step[a]) : 0;
    return x ? x : (b ? ok(other[b]) : 0);
  };
  const int s = ok(Ccells[c]), e = ok(Ccelle[c]), n = ok(Ccelln[c]), w = ok(Ccellw[c]);
  around[0] = c, around[1] = s, around[2] = e, around[3] = n, around[4] = w;
  around[5] = either(s, Ccelle, e, Ccells);  // east of south, else south of east
  around[6] = either(e, Ccelln, n, Ccelle);  // north of east, else east of north
  around[7] = either(n, Ccellw, w, Ccelln);  // west of north, else north of west
  around[8] = either(w, Ccells, s, Ccellw);  // south of west, else west of south
}

void sideErosionTerms(BedCellShear& cell) {
  cell.Ms = cell.Mc = 1.0;
  cell.Ca = 0.0;
  const int c = cell.c;
  int around[9];
  bankNeighbourhood(c, around);
  int N = 0;
  for (int k = 1; k < 9; ++k) N += around[k] != 0;

  double DX = 0.0, DY = 0.0, U = 0.0, V = 0.0, S = 0.0, angle = 0.0, sc = 0.0;
  int angles = 0;
  for (int k = 0; k < 9; ++k) {
    const int x = around[k];
    if (x == 0) continue;
    DX += Cxcenter[c] - Cxcenter[x];
    DY += Cycenter[c] - Cycenter[x];
    const double u = Cxvel[x], v = Cyvel[x];
    double speed = std::sqrt(u * u + v * v), mu = u, mv = v;
    if (cellOk(Ccellt[x])) {
      int t = x;
      for (int guard = 0; cellOk(Ccellt[t]) && guard <= NoCells; ++guard) t = Ccellt[t];
      const double ut = Cxvel[t], vt = Cyvel[t];
      speed = 0.5 * (speed + std::sqrt(ut * ut + vt * vt));
      mu = 0.5 * (u + ut);
      mv = 0.5 * (v + vt);
      const double sn = (vt * u - v * ut) / std::sqrt((u * u + v * v) * (ut * ut + vt * vt) + 1e-20);
      angle += std::asin(std::clamp(sn, -1.0, 1.0));
      ++angles;
    }
    U += mu;
    V += mv;
    S += speed;
    if (k == 0) sc = speed;
  }
  const double alpha = angles > 0 ? angle / angles : 0.0;
  const double sigma = (U * DY - V * DX) / (std::sqrt((DX * DX + DY * DY) * (U * U + V * V)) + 1e-30);
  if (alpha * sigma <= 0.0) return;

  const int f = Cflateb[c];
  const double thetaB = std::acos(std::clamp(Fvz[f], -1.0, 1.0)), A = Farea[f], H = cell.H;
  const double deg = 3.141592652 / 180.0;
  auto excessTan = [&](double limitDeg) {
    const double x = thetaB - limitDeg * deg;
    return x > 0.0 ? std::tan(x) : 0.0;
  };
  const double weight = std::fabs(alpha) / 30.0 * std::fabs(sigma);
  if (FlagLEA2 > 0) {
    double hb = (excessTan(CoeffLEA2_teta) * std::sqrt(A) + H) / (H + 1e-30);
    double vr = (N > 0 ? S / N : 0.0) / (sc + 1e-30);
    if (FlagLEA2 == 2) hb *= weight, vr *= weight;
    cell.Ms = (1.0 + CoeffLEA2_k3 * vr * vr) * (1.0 + CoeffLEA2_k2 * hb);
    cell.Mc = 1.0 + CoeffLEA2_k4 * vr;
  }
  if (FlagLEA3 == 1) cell.Ms *= 1.0 + CoeffLEA3 * std::fabs(std::sin(alpha));
  if (FlagLEA3 == 2) cell.Ms *= 1.0 + CoeffLEA3 * std::fabs(std::cos(sigma));
  if (FlagLEA4 > 0) {
    double v = A * excessTan(CoeffLEA4_teta) * std::sqrt(A) * 0.5 / SolidFrac;
    if (FlagLEA4 == 2) v *= weight;
    cell.Ca = v / Cvol[c];
  }
  if (FlagLEA5 > 0) {
    double v = excessTan(CoeffLEA5_teta) * CoeffLEA5_Ub * TimeStep * A / SolidFrac;
    if (FlagLEA4 == 5) v *= weight;
    cell.Ca += v / Cvol[c];
  }
}

double computeConcentrationParvel(const ParvelInput& in) {
  const double d = in.d, d50 = in.d50, tau = in.tau, w = in.fall;
  const double L = std::log10(19.0 * d / d50);
  double pm = -1e-7;
  for (int l = 1; l <= lnumber && l <= 50; ++l)
    if (gsize[l] <= 2e-6) pm += in.fractions[l];
  double a = in.halfHeight;
  if (TSCbedrouse == 1) a = std::max(in.roughness, 0.01 * in.H);
  const double phi = in.solid;
  const double rho = 1.0 - phi + 2.65 * phi;
  const double fb = rho > 1.8 ? 1.0 : rho / 1.8;
  const double taum = (0.029 * std::pow(fb, 10.0) / d50 + 51796.8 * d50) * 0.012903225806451613;
  auto mud = [&] { return taum > tau ? 0.0 : (tau / taum - 1.0) * 4e-6 / (w * 2650.0 + 1e-20); };

  int form = 1;
  double C;
  if (pm > 0.08) {
    C = mud();
  } else {
    // sand part; a grain of d50/19 has no sand share (the limit of the
    // hiding term as log10(19 d/d50) goes to 0)
    double cs = 0.0;
    if (std::fabs(L) > 1e-12) {
      const double taus = in.tauc * (d / d50) * std::pow(1.2787536009528289 / L, 2.0);
      const double y = in.tauc * d / d50;
      const double tauP = tau / ((tau - taus) / y + 1.0);
      if (tau - tauP >= 1e-6 && tauP >= 0.0) {
        const double T = (tau - tauP) / tauP;
        const double Dstar = Dfac() * d;
        cs = ConcFormCoeff * std::max(d, 0.001) * std::pow(T, ConcFormTstar) / (std::pow(Dstar, ConcFormDstar) * a);
      }
    }
    if (pm > 0.05) {
      form = 2;
      const double p = pm / 0.03 - 1.6666666666666667;
      C = p * mud() + (1.0 - p) * cs;
    } else {
      form = 3;
      C = cs;
    }
  }
  if (C < 0.0) {
    if (FILE* f = openWrite("test", "a")) {
      std::fprintf(f, "Achtung: konsform < 0: %.6f size %.6f Fall %i \n ", C, d, form);
      closeOutput(f);
    }
    return 0.0;
  }
  return std::isfinite(C) ? C : 0.0;
}

double computeConcentrationParvel1(const ParvelInput& in) { return computeConcentrationParvel(in); }
