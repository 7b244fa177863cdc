// Coefficients of the surface-height equation: the link weight and the three
// builders (five-point F 36 4, nine-point with Froude limiters F 36 7,
// nine-point from top-cell pressures F 36 8). Each water column has one row
// at its lowest cell; the value solved for is the change of its level (m).
#include <algorithm>
#include <cmath>

#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "surface/gridpoints.h"
#include "surface/heightequation.h"
#include "surface/surface.h"

namespace {

// A column at rest has Froude number 0: its downstream links divide by this
// at least, so that the weight stays finite (100 times the direction term).
constexpr double kFroudeFloor = 0.01;

inline int cellOr0(int c) { return cellInGrid(c) ? c : 0; }

double bedValue(const double* a, int c) {
  if (!a || !cellInGrid(c) || !Cbed) return 0.0;
  const int b = Cbed[c];
  return b >= 1 && b < bedCellCapacity() ? a[b] : 0.0;
}

int topOf(int c) { return cellInGrid(c) ? columnTopCell(c) : 0; }
double topLevel(int t) { return Czcenter[t] + Ckdist[t]; }

// Half the depth of the column from c upward.
double halfDepth(int c) {
  double h = 0.0;
  forColumnUp(c, [&h](int x) { h += Ckdist[x]; });
  return h;
}


// Stores the weights of slots 1..8 at c.
void storeNine(int c, const double a[9]) {
  Can[c] = a[1];
  Caw[c] = a[3];
  Cas[c] = a[5];
  Cae[c] = a[7];
  if (Cann) Cann[c] = a[2];
  if (Caww) Caww[c] = a[4];
  if (Cass) Cass[c] = a[6];
  if (Caee) Caee[c] = a[8];
}

// Calls visit(i, j, c) for every wet column of the grid-point windows of the
// updated blocks (blocks, then i, then j).
template <typename F>
void forEachColumn(F visit) {
  if (!zval) return;
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    if (!surfacegrid::updatedBlock(b)) continue;
    const surfacegrid::Window w = surfacegrid::pointWindow(block[b]);
    for (int i = w.iLo; i <= w.iHi; ++i)
      for (int j = w.jLo; j <= w.jHi; ++j)
        if (const int c = lowestCellOf(i, j)) visit(i, j, c);
  }
}

// Common start of the nine-point builders.
void nineStart() {
  clearSurfaceEquation(true);
  Ckdist[0] = 0.0;
  if (surfacegrid::onGrid(iPres, jPres)) zval[iPres][jPres][znumber + 1] = GlobZRef;
}

double limitSlope(double g) { return std::clamp(g, -Diffslope, Diffslope); }

double pointLevel(int p) { return p >= 1 && p <= NoPoints ? Pz[p] : 0.0; }

// Highest and lowest of the top corners 5..8 of cell t.
void topCorners(int t, double& hi, double& lo) {
  const int p[4] = {Cpoint5[t], Cpoint6[t], Cpoint7[t], Cpoint8[t]};
  hi = -1e300;
  lo = 1e300;
  for (int k : p) {
    const double z = pointLevel(k);
    hi = std::max(hi, z);
    lo = std::min(lo, z);
  }
}

// The head difference of one link of the F 36 7 builder by F 233.
double headDifference7(int c, int t0, int n, int tk) {
  constexpr double h = 0.000101937;
  const double dz = topLevel(t0) - topLevel(tk);
  switch (FlagNonHydrostaticSurf) {
    case 5:
      return ((Cpres[t0] + Cpres[c]) - (Cpres[tk] + Cpres[n])) * 0.5 * h - dz;
    case 6:
      return (bedValue(Bpresavg, c) - bedValue(Bpresavg, n)) * h - dz;
    case 7:
      return clippedHeadDifference((bedValue(Bpresavg, c) - bedValue(Bpresavg, n)) * h, t0, tk);
    default:
      break;
  }
  const double dp = (Cpres[t0] - Cpres[tk]) * h;
  switch (FlagNonHydrostaticSurf) {
    case 1:
      return dp - ((Cpres[t0] - Cpres[c]) - Cpres[tk] + Cpres[n]) * h - dz;
    case 2:
      return dp + ((Cpres[t0] - Cpres[c]) - Cpres[tk] + Cpres[n]) * h - dz;
    case 3:
    case 4:
      if (c != t0 && tk != n && t0 - 1 >= 1 && tk - 1 >= 1) {
        const double corr = ((Cpres[t0] - Cpres[t0 - 1]) - Cpres[tk] + Cpres[tk - 1]) * h;
        return FlagNonHydrostaticSurf == 3 ? dp - corr - dz : dp + corr - dz;
      }
      return dp - dz;
    default:
      return dp - dz;
  }
}

double limitDepth7(double F, double depth0) {
  switch (FlagSurfLimit3) {
    case -1: return F > 1 ? depth0 : 0.0;
    case -2: return F > 1 ? 1.1 * depth0 : 0.0;
    case -3: return F > 1 ? F * depth0 : 0.0;
    case -4: return F > 0.9 ? depth0 : 0.0;
    case -5: return F > 1 ? F * depth0 : 0.0;
    case -6: return F > 0.5 ? depth0 : 0.0;
    case -7: return F > 1 ? std::pow(F, 0.66666667) * depth0 : 0.0;
    default: return 0.0;
  }
}

void coeffTFS7Column(int i, int j, int c) {
  int L[9], T[9];
  neighbourSlots(c, L);
  for (int k = 0; k < 9; ++k) T[k] = topOf(L[k]);
  const double depth0 = bedValue(Bdepth, c);
  double F = bedValue(BFroude, c);
  double d[9] = {0}, cs[9] = {0}, a[9] = {0};
  double S = 0.0;
  for (int k = 1; k <= 8; ++k) {
    const int n = L[k];
    if (!n) continue;
    const double dx = Cxcenter[n] - Cxcenter[c], dy = Cycenter[n] - Cycenter[c];
    d[k] = std::sqrt(dx * dx + dy * dy);
    const double U = Cxvel[c] + Cxvel[T[0]] + Cxvel[T[k]] + Cxvel[n];
    const double V = Cyvel[c] + Cyvel[T[0]] + Cyvel[T[k]] + Cyvel[n];
    cs[k] = (dx * U + dy * V) / (d[k] * std::sqrt(U * U + V * V) + 1e-20);
    S += std::fabs(cs[k]);
    if (FlagSurfLimit3 == -5) F = std::max(F, bedValue(BFroude, n));
  }
  S /= 2.0;
  const double hLim = limitDepth7(F, depth0);
  Cap[c] = 1e-20;
  Csource[c] = 0.0;
  const double lev0 = topLevel(T[0]);
  for (int k = 1; k <= 8; ++k) {
    if (!T[k]) continue;
    const double r = headDifference7(c, T[0], L[k], T[k]);
    double rr = d[k] * limitSlope(r / (d[k] + 1e-20));
    if ((FlagSurfLimit1 == 1 && cs[k] < 0) || FlagSurfLimit1 == 2) rr = std::max(rr, hLim - depth0);
    const double Fk = bedValue(BFroude, L[k]);
    double w = computeCoeffSurf(cs[k], FlagTFS5 == 0 ? F : Fk);
    if ((FlagTFS6 == 1 || FlagTFS6 == 3) && cs[k] > 0 && F < 1 && Fk > 1) w = 0.0;
    if ((FlagTFS6 == 2 || FlagTFS6 == 3) && cs[k] < 0 && F > 1 && Fk < 1) w = 0.0;
    a[k] = w;
    Csource[c] += rr * w;
    Cap[c] += w;
    if (FlagSurfLimit4 == 1 && F > 1 && cs[k] > 0 && lev0 > topLevel(T[k])) Cap[c] += F;
  }
  switch (FlagSurfLimit2) {
    case 1:
      Cap[c] += S * (F > 1 ? std::max(0.0, 11 - 10 * F) : std::max(0.0, 10 * F - 9));
      break;
    case 2:
      Cap[c] = std::max(Cap[c], 1.0);
      break;
    case 3:
      Cap[c] += S * (F > 1 ? std::max(0.0, (15 - 10 * F) * 0.2) : std::max(0.0, (10 * F - 5) * 0.2));
      break;
    case 4:
      if (Cap[c] < 0.01) {
        Cap[c] = 1.0;
        Csource[c] = depth0 * std::pow(F * F, 0.3333333) - depth0;
      }
      break;
    case 5:
      if (Cap[c] < 0.01) {
        Cap[c] = 1.0;
        Csource[c] = 0.0;
      }
      break;
    default:
      break;
  }
  if (FlagSurfLimit4 == 2) {
    double dmin = 1e20;
    const int pi[4] = {i, i, i - 1, i - 1}, pj[4] = {j, j - 1, j, j - 1};
    for (int m = 0; m < 4; ++m)
      if (surfacegrid::onGrid(pi[m], pj[m])) dmin = std::min(dmin, zval[pi[m]][pj[m]][znumber] - zval[pi[m]][pj[m]][1]);
    if (dmin < MinVertDist0) {
      // The column takes the mean change of its neighbours. One without any
      // keeps Cap 0 and Csource 0: the solver leaves its value as it is.
      Cap[c] = 0.0;
      for (int k = 1; k <= 8; ++k) {
        a[k] = T[k] ? 1.0 : 0.0;
        Cap[c] += a[k];
      }
      Csource[c] = 0.0;
    }
  }
  storeNine(c, a);
  if (FlagTimeSurf > 0) Cap[c] += FlagTimeSurf * F;
}

double limitDepth4(double Fr, double U, double D, int c) {
  if (!(Fr > 1)) return 0.0;
  const int fb = Cflateb[c];
  const double nz = faceInGrid(fb) ? Fvz[fb] : 1.0;
  if (nz < 0.9) {
    // A bed without roughness has an infinite Strickler coefficient and so
    // a normal depth of 0.
    const double ks = Croughness ? Croughness[c] : 0.0;
    if (!(ks > 0)) return 0.0;
    const double strickler = 26.0 / std::pow(ks, 1.0 / 6.0);
    return std::pow((U * D) / (std::sqrt(std::acos(nz)) * strickler + 1e-20), 0.6);
  }
  if (nz > 0.9) return std::pow(U * D / 3.132091952673165, 0.666666666667);
  return 0.0;
}

void coeffTFS4Column(int i, int j, int c) {
  const int t = topOf(c);
  const int from = TopBed == 1 ? t : c;
  const int nb[4] = {topOf(Ccellw[from]), topOf(Ccelle[from]), topOf(Ccells[from]), topOf(Ccelln[from])};
  double* coef[4] = {Caw, Cae, Cas, Can};
  const double H = halfDepth(c);
  double sum = 0.0;
  forColumnUp(c, [&sum](int x) { sum += (Cxvel[x] * Cxvel[x] + Cyvel[x] * Cyvel[x]) * Ckdist[x]; });
  const double U = std::sqrt(sum / (H + 1e-20));
  const double D = 2.0 * H;
  const double Fr = U / std::sqrt(9.81 * D + 1e-20);
  const double u = Cxvel[t], v = Cyvel[t];
  const double st = 1.0 / std::sqrt(u * u + v * v + 1e-20);
  const double hLim = limitDepth4(Fr, U, D, c);
  Csource[c] = 0.0;
  for (int k = 0; k < 4; ++k) {
    coef[k][c] = 0.0;
    const int n = nb[k];
    if (!n) continue;
    const double dx = Cxcenter[n] - Cxcenter[t], dy = Cycenter[n] - Cycenter[t];
    const double d = std::sqrt(dx * dx + dy * dy) + 1e-20;
    double dh = computeDhSurf(d, n, t);
    const double cs = (dx * u + dy * v) * st / d;
    if ((FlagSurfLimit1 == 1 && cs < 0) || FlagSurfLimit1 == 2) dh = std::max(dh, hLim - D);
    const double w = computeCoeffSurf(cs, Fr);
    coef[k][c] = w / d;
    Csource[c] += dh * w / d;
  }
  Cap[c] = Caw[c] + Cae[c] + Cas[c] + Can[c] + 1e-20;
  applySurfLimit2(c, i, j, Fr);
  if (FlagTimeSurf > 0) Cap[c] += FlagTimeSurf * Fr;
}

}  // namespace

double clippedHeadDifference(double dp, int t, int T) {
  double ownHi, ownLo, nbHi, nbLo;
  topCorners(t, ownHi, ownLo);
  topCorners(T, nbHi, nbLo);
  if (dp > 0) return std::max(0.0, dp - (ownHi - nbLo));
  return std::min(0.0, dp - (ownLo - nbHi));
}

void applySurfLimit2(int c, int i, int j, double Fr) {
  switch (FlagSurfLimit2) {
    case 2:
      Cap[c] = std::max(Cap[c], 1.0);
      break;
    case 4:
      if (Cap[c] < 0.01) {
        const int bc = pointbed && surfacegrid::onGrid(i, j) ? pointbed[i][j] : 0;
        const double B = Bdepth && bc >= 1 && bc < bedCellCapacity() ? Bdepth[bc] : 0.0;
        Cap[c] = 1.0;
        Csource[c] = B * std::pow(Fr * Fr, 0.3333333) - B;
      }
      break;
    case 5:
      if (Cap[c] < 0.01) {
        Cap[c] = 1.0;
        Csource[c] = 0.0;
      }
      break;
    case 7:
      Csource[c] += 0.05;
      break;
    default:
      break;
  }
}

// Slots 0..8 of a column cell: itself, N, NW, W, SW, S, SE, E, NE.
void neighbourSlots(int c, int L[9]) {
  const int n = cellOr0(Ccelln[c]), w = cellOr0(Ccellw[c]), s = cellOr0(Ccells[c]), e = cellOr0(Ccelle[c]);
  auto across = [](int first, const int* rel, int second, const int* rel2) {
    const int x = first ? cellOr0(rel[first]) : 0;
    if (x) return x;
    return second ? cellOr0(rel2[second]) : 0;
  };
  L[0] = c;
  L[1] = n;
  L[2] = across(n, Ccellw, w, Ccelln);
  L[3] = w;
  L[4] = across(s, Ccellw, w, Ccells);
  L[5] = s;
  L[6] = across(s, Ccelle, e, Ccells);
  L[7] = e;
  L[8] = across(n, Ccelle, e, Ccelln);
}

double computeCoeffSurf(double cosv, double Fr) {
  double w = 0.0;
  const double q = cosv > -0.2 ? 5.0 * cosv * cosv : -cosv;
  const double p = cosv < 0.1 ? 10.0 * cosv * cosv : cosv;
  const double T = (std::tanh(-20.0 * cosv) + 1.0) / 2.0;
  const double D = Fr - 0.2 < 0 ? 0.0 : (Fr - 0.2 > 1 ? 10.0 : 10.0 * (Fr - 0.2));
  switch (FlagTFS3) {
    case 0:
      if (FlagTFS != 7) {
        if (Fr > 1 && cosv < 0)
          w = Fr * q;
        else if (Fr < 1 && cosv > 0)
          w = 0.03 + p / std::max(Fr, kFroudeFloor);
      } else {
        if (Fr > 1 && cosv < 0)
          w = Fr < 2 ? q * (Fr - 1) : q;
        else if (Fr < 1 && cosv > 0)
          w = Fr < 0.75 ? 0.03 + p * (4 - 4 * Fr) : 0.03 + p;
      }
      break;
    case 1: w = std::max((1 - Fr) * cosv, 0.0); break;
    case 2: w = (1 - Fr) * cosv > 0 ? 0.1 + (1 - Fr) * cosv : 0.1; break;
    case 3: w = std::max((1.3 - Fr) * cosv, 0.0); break;
    case 4: w = std::max((2 - Fr) * cosv, 0.0); break;
    case 5: w = 1.0; break;
    case 6: w = cosv >= -0.1 ? 1.0 : 0.0; break;
    case 7:
      if (cosv > -0.1 && Fr < 2)
        w = std::min(2 - Fr, 1.0);
      else if (cosv < -0.5 && Fr > 2)
        w = cosv * cosv * (Fr - 1);
      break;
    case 8:
      if (Fr > 1 && cosv < 0)
        w = 1.0;
      else if (Fr < 1)
        w = cosv > 0 ? 1.0 : 0.0;
      break;
    case 9: w = 1.0; break;
    case 10: w = D + std::max(cosv, 0.0); break;
    case 11: {
      const double E = Fr < 1 ? 0.0 : (Fr <= 2 ? 100.0 * (Fr - 1) : 100.0);
      w = D + std::max(cosv, 0.0) + E * (cosv <= 0 ? -cosv : 0.0);
      break;
    }
    case 12: w = Fr > 1 && cosv < 0 ? 0.0 : D + std::max(cosv, 0.0); break;
    case 13:
      if (Fr > 0.9 && Fr < 1.1 && cosv > 0)
        w = std::max(T, 5 * (1.1 - Fr));
      else if (Fr < 0.9 && cosv > 0)
        w = std::max(T, 1 / (Fr + 0.1));
      else
        w = T;
      break;
    case 14: w = std::max(T, 1 / (Fr + 0.1)); break;
    case 15: {
      const double Lf = solverFroudeLimit;
      if (Fr > 1 && Fr < Lf && cosv > 0)
        w = std::max(T, (Lf - Fr) / (Lf - 1 + 1e-8));
      else if (Fr < 1 && cosv > 0)
        w = std::max(T, 1.1 / (Fr + 0.1));
      else
        w = T;
      break;
    }
    case 16:
    case 18: {
      const double TT = FlagTFS3 == 16 ? T : (std::tanh(-10.0 * (cosv + 0.1)) + 1.0) / 2.0;
      if (Fr > 1 && Fr < 1.1 && cosv > 0)
        w = std::max(TT, 10 * (1.1 - Fr));
      else if (Fr < 1 && cosv > 0)
        w = std::max(TT, 1.1 / (Fr + 0.1));
      else
        w = TT;
      break;
    }
    case 17: w = Fr < 1 && cosv > 0 ? std::max(T, 1.1 / (Fr + 0.1)) : T; break;
    case 19: {
      const double r = 5 * std::max(1.2 - Fr, 0.2 - cosv);
      w = r > 0 ? std::min(r, 1.0) : 0.0;
      break;
    }
    case 20: {
      const double r = std::clamp(5 * std::max(1.2 - Fr, 0.2 - cosv), 0.0, 1.0);
      w = r;
      if (Fr < 1 && cosv > -0.1) {
        double dd = 1.1 / (Fr + 0.1);
        const double e = 5 * (cosv + 0.1);
        if (e <= 1) dd *= e;
        w = std::max(r, dd);
      }
      break;
    }
    case 21: w = std::max(cosv, 0.0); break;
    default: break;  // refused by the control-file reader
  }
  if (SurfSmoothFlag == 5) w += SurfSmoothVal;
  return w + AddValTFS7;
}

void clearSurfaceEquation(bool ninePoint) {
  const int lo = std::max(WCStart, 0), hi = std::min(WCEnd, NoCells);
  for (int c = lo; c <= hi; ++c) {
    Caw[c] = Cae[c] = Cas[c] = Can[c] = Cat[c] = Cab[c] = Csource[c] = Cf[c] = 0.0;
    Cap[c] = 0.0001;
    if (!ninePoint) continue;
    if (Caww) Caww[c] = 0.0;
    if (Cass) Cass[c] = 0.0;
    if (Cann) Cann[c] = 0.0;
    if (Caee) Caee[c] = 0.0;
  }
  Cf[0] = 0.0;
}

void coeffTFS8Column(int c) {
  int L[9], T[9];
  neighbourSlots(c, L);
  for (int k = 0; k < 9; ++k) T[k] = topOf(L[k]);
  const int t = T[0];
  const double F = bedValue(BFroude, c);
  const double u = Cxvel[t], v = Cyvel[t];
  const double speed = std::sqrt(u * u + v * v + 1e-20);
  const double hd = halfDepth(c);
  double a[9] = {0};
  Cap[c] = 1e-20;
  Csource[c] = 0.0;
  for (int k = 1; k <= 8; ++k) {
    const int tk = T[k];
    if (!tk) continue;
    const double dx = Cxcenter[tk] - Cxcenter[t], dy = Cycenter[tk] - Cycenter[t];
    const double wk = 1.0 / std::sqrt(dx * dx + dy * dy + 1e-20);
    const double cs = (dx * u + dy * v) * wk / speed;
    const double g = limitSlope((Cpres[t] - Cpres[tk]) * wk / 9810.0);
    const double len = 1.0 / (wk + 1e-20);
    double r = g * len - (topLevel(t) - topLevel(tk));
    if (cs < 0) r = std::max(r, -2.0 * hd);  // the level falls by at most the depth
    a[k] = computeCoeffSurf(cs, F) * len;
    Csource[c] += r * a[k];
    Cap[c] += a[k];
  }
  storeNine(c, a);
}

void computeCoeffTFS8() {
  if (!zval || !Cf) return;
  nineStart();
  forEachColumn([](int, int, int c) { coeffTFS8Column(c); });
  setSurfaceBoundary();
}

void computeCoeffTFS7() {
  if (!zval || !Cf) return;
  nineStart();
  forEachColumn([](int i, int j, int c) { coeffTFS7Column(i, j, c); });
  if (FlagTFS7 > 0 && TimeStep > 0) {
    const double add = FlagTFS7 / TimeStep;
    forEachColumn([add](int, int, int c) { Cap[c] += add; });
  }
}

void computeCoeffTFS4() {
  if (!zval || !Cf) return;
  clearSurfaceEquation(false);
  forEachColumn([](int i, int j, int c) { coeffTFS4Column(i, j, c); });
  setSurfaceBoundary();
}
