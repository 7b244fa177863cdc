// Source terms of the water-quality components: surface releases in the first
// time step, inflow through the discharge groups, and the reaction terms of
// the Q data sets (the light-dependent ones in compalgae.cpp).
#include <algorithm>
#include <cmath>

#include "flow/components.h"
#include "flow/compterms.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/groups.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

SeriesPoint seriesNow() {
  SeriesPoint s;
  // The records the series arrays hold.
  const int n = std::min(TimeInNo, ArrayTimeSteps + 1);
  if (n < 1 || !TimeInTime) return s;
  s.valid = true;
  if (n == 1) {
    s.w = 0.0;  // a single record holds at all times
    return s;
  }
  int r = n - 1;
  for (int k = 1; k < n; ++k)
    if (TimeInTime[k] > stimet) {
      r = k;
      break;
    }
  s.lo = r - 1;
  s.hi = r;
  s.w = std::max(0.0, TimeInTime[r] - stimet) / (TimeInTime[r] - TimeInTime[r - 1] + 1e-20);
  return s;
}

double expChange(int c, double r) {
  const int N = std::max(TransInnerIter, 1);
  return std::expm1(kPerDay * r * TimeStep / N) * 1000.0 * Cvol[c] / TimeStep;
}

void verticalTransfer(int c, double F) {
  if (F > 0.0) {
    const int up = Ccellt[c];
    if (up < 1 || up > NoCells) return;
    Csource[c] -= F;
    Csource[up] += F;
  } else if (F < 0.0) {
    Csource[c] += F;
    const int down = Ccellb[c];
    if (down >= 1 && down <= NoCells) Csource[down] -= F;
  }
}

namespace {

double faceArea(int f) { return f >= 1 && f <= NoSurfaces ? 1000.0 * Farea[f] : 0.0; }

}  // namespace

double topArea(int c) { return faceArea(Cflatet[c]); }
double bottomArea(int c) { return faceArea(Cflateb[c]); }

bool termRowsExist(const ReactionTerm& t, int n) {
  for (int i = 0; i < n; ++i)
    if (t.arg[i] < 0 || t.arg[i] >= NoComponents) return false;
  return true;
}

double temperatureFactor(int c, double theta) {
  if (TemperatureFlag != 1 || theta <= 0.0) return 1.0;
  return std::pow(theta, Ccomp[0][c] - 20.0);
}

namespace {

bool isTop(int c) { return Ccellt[c] == 0; }
bool isBottom(int c) { return Ccellb[c] == 0; }

// One-time releases at the surface, spread over the first time step in
// proportion to the top-face areas.
void surfaceReleases(int comp) {
  if (std::fabs(stimet - TimeStep) >= 0.001) return;
  for (const SurfDischargeGroup& G : SurfDischargeStruct) {
    const int n = std::clamp(G.cells, 0, 100);
    if (n < 1 || G.component != comp) continue;
    double S = 0.0;
    for (int e = 0; e < n; ++e) {
      const int c = G.cell[e];
      if (c >= 1 && c <= NoCells) S += topArea(c) / 1000.0;
    }
    for (int e = 0; e < n; ++e) {
      const int c = G.cell[e];
      if (c >= 1 && c <= NoCells) Csource[c] += topArea(c) / 1000.0 * G.amount / (S * TimeStep + 1e-30);
    }
  }
}

// Inflow of concentration value through the faces of group G.
void groupInflow(const DischargeGroup& G, double value) {
  const double q = G.discharge / (G.area + 1e-30);
  const int n = groupFaceCount(G);
  for (int e = 0; e < n; ++e) {
    const int f = G.face[e];
    const int c = groupFaceCell(f);
    if (c == 0) continue;
    Cap[c] += Farea[f] * q;
    Csource[c] += value * Farea[f] * q;
  }
}

// An M data set that gives this component a concentration for group g.
bool mDataSetGives(int g, int comp) { return CompInflowNo >= 1 && comp <= 19 && CompInflow[g].order[comp] >= 0; }

void inflows(int comp) {
  // The group's own component, unless an M data set gives that component a
  // concentration for the group: the inflow then carries the M value alone
  // (adding both would mix the M value with the group's, 0 by default, and
  // halve it).
  for (int g = 1; g <= 9; ++g) {
    const DischargeGroup& G = DischargeStruct[g];
    if (G.surfno > 0 && G.inflow == 1 && G.component == comp && !mDataSetGives(g, comp)) groupInflow(G, G.value);
  }
  if (CompInflowNo < 1 || comp > 19) return;
  const SeriesPoint s = Cinn ? seriesNow() : SeriesPoint{};
  for (int g = 1; g <= 9; ++g) {
    const DischargeGroup& G = DischargeStruct[g];
    const int order = CompInflow[g].order[comp];
    if (G.surfno <= 0 || G.inflow != 1 || order < 0) continue;
    if (!s.valid)
      groupInflow(G, CompInflow[g].value[comp]);
    else if (order < 20)  // the series has 20 concentration columns
      groupInflow(G, s.of(Cinn, order));
  }
}

// The plain reaction terms of the top cells, the bottom cells and every cell.
void plainTerm(const ReactionTerm& t, double* const* C, int comp) {
  const double* p = t.parameter;
  const int a1 = t.arg[0], a2 = t.arg[1], a3 = t.arg[2];
  const double Ndt = std::max(TransInnerIter, 1) * TimeStep;
  auto monod = [&](int a, double half, int c) { return C[a][c] / (half + C[a][c]); };
  switch (t.type) {
    case 1001:
    case 1002:
    case 1003:
    case 1004:
    case 1012: {
      const int rows = t.type == 1003 || t.type == 1004 ? 2 : t.type == 1012 ? 1 : 0;
      if (!termRowsExist(t, rows)) return;
      for (int c = 1; c <= NoCells; ++c) {
        if (!isTop(c)) continue;
        const double At = topArea(c);
        switch (t.type) {
          case 1001: Csource[c] += p[0] * At; break;
          case 1002: Csource[c] += p[0] * At * (p[1] - C[comp][c]); break;
          case 1003: Csource[c] += p[0] * At * C[a1][c] * C[a2][c]; break;
          case 1004: Csource[c] += std::max(C[a1][c] * p[0] * C[a2][c], C[a2][c]) * At; break;
          default: Csource[c] += p[0] * At * C[a1][c]; break;
        }
      }
      return;
    }
    case 2001:
    case 2002:
    case 2003:
    case 2004: {
      if (!termRowsExist(t, t.type == 2001 ? 0 : t.type == 2002 ? 1 : 2)) return;
      for (int c = 1; c <= NoCells; ++c) {
        if (!isBottom(c)) continue;
        const double V = 1000.0 * Cvol[c];
        switch (t.type) {
          case 2001: Csource[c] += p[0] * V; break;
          case 2002: Csource[c] += p[0] * V * C[a1][c]; break;
          case 2003: Csource[c] += p[0] * V * C[a1][c] * C[a2][c]; break;
          default: Csource[c] += std::max(C[a1][c] * p[0] * C[a2][c], C[a2][c]) * V; break;
        }
      }
      return;
    }
    case 1:
    case 2: {
      if (!termRowsExist(t, t.type == 2 ? 1 : 0)) return;
      const double decay = std::pow(1.0 - std::fabs(p[0]), Ndt - 1.0);
      for (int c = 1; c <= NoCells; ++c) {
        const double s = p[0] * 1000.0 * Cvol[c] * decay;
        Csource[c] += t.type == 1 ? s : s * C[a1][c];
      }
      return;
    }
    case 3:
    case 4:
      if (!termRowsExist(t, 2)) return;
      for (int c = 1; c <= NoCells; ++c) {
        const double V = 1000.0 * Cvol[c];
        Csource[c] += t.type == 3 ? p[0] * V * C[a1][c] * C[a2][c] : std::max(C[a1][c] * p[0] * C[a2][c], C[a2][c]) * V;
      }
      return;
    case 5:
      // Exchange through the bottom face driven by the difference of two
      // components.
      if (!termRowsExist(t, 2)) return;
      for (int c = 1; c <= NoCells; ++c) Csource[c] += bottomArea(c) * p[0] * (C[a1][c] - C[a2][c]);
      return;
    case 120:
    case 230:
    case 340: {
      const int rows = t.type == 120 ? 1 : t.type == 230 ? 2 : 3;
      if (!termRowsExist(t, rows)) return;
      for (int c = 1; c <= NoCells; ++c) {
        double m = monod(a1, p[1], c);
        if (rows >= 2) m = std::min(m, monod(a2, p[2], c));
        if (rows >= 3) m = std::min(m, monod(a3, p[3], c));
        Csource[c] += C[comp][c] * 1000.0 * Cvol[c] * p[0] * m;
      }
      return;
    }
    default:
      return;
  }
}

bool isPlain(int type) {
  return (type >= 1001 && type <= 1012) || (type >= 2001 && type <= 2004) || (type >= 1 && type <= 5) ||
         type == 120 || type == 230 || type == 340;
}

// Bed erosion from the bed shear stress 300 k.
void bedErosion(const ReactionTerm& t) {
  const double* p = t.parameter;
  for (int c = 1; c <= NoCells; ++c) {
    if (!isBottom(c)) continue;
    const double excess = 300.0 * Ckinen[c] - p[0];
    if (excess > 0.0) Csource[c] += bottomArea(c) * p[1] * std::pow(excess, p[2]);
  }
}

// Heat budget of the top cells: short-wave and atmospheric radiation in,
// back radiation, conduction and evaporation out. Vapour pressures in mm Hg,
// p2 the one of the air.
void heatBudget(const ReactionTerm& t, double* const* C) {
  const SeriesPoint s = seriesNow();
  if (!s.valid || !Irradi || !AirTemp || !Winn) return;  // no weather series
  const double* p = t.parameter;
  const double I = s.of(Irradi), Ta = s.of(AirTemp), W = s.of(Winn, 0);
  const double Q0 = p[0] * I + 0.0049 * std::pow(273.0 + Ta, 4) * (p[1] + 0.031 * std::sqrt(p[2])) * (1.0 - p[3]);
  for (int c = 1; c <= NoCells; ++c) {
    if (!isTop(c)) continue;
    const double T = C[0][c];
    const double es = 4.596 * std::exp(17.27 * T / (T + 237.3));
    Csource[c] += topArea(c) * (Q0 - 0.0049 * p[4] * std::pow(273.0 + T, 4) - p[5] * W * (T - Ta) - (es - p[2]) * W);
  }
}

// Bed model of type 2149: per bed cell an iteration of the bed state
// (BQvar rows a2, a3, a4) against the component a1 of the cell above it; the
// flux it gives leaves the bottom cell.
void bedModel(const ReactionTerm& t, double* const* C, int comp) {
  const double* p = t.parameter;
  const int a1 = t.arg[0], ra = t.arg[1], rb = t.arg[2], rx = t.arg[3];
  if (!termRowsExist(t, 1) || !BQvar || p[3] == 0.0) return;
  for (int r : {ra, rb, rx})
    if (r < 0 || r >= FlagBedCalc) return;
  const int nb = std::min(NoBCells, bedCellCapacity() - 1);
  const double K0 = 0.5 * p[4] / p[3];
  for (int b = 1; b <= nb; ++b) {
    const int c = Bcellt[b];
    if (c < 1 || c > NoCells) continue;
    double X = BQvar[rx][b], Xn = X, A = 0.0, B = 0.0, D = 0.0;
    const double S1 = BQvar[ra][b] + p[6] * C[a1][c] / p[3];
    const double S2 = BQvar[rb][b] + p[0] * p[2] * C[a1][c];
    for (int it = 0; it < 100; ++it) {
      const double den = 0.5 * p[4] / X + K0 + p[1] * X;
      const double f = den != 0.0 && std::isfinite(den) ? K0 / den : 0.0;
      A = S1 - p[0] * A;
      B = B * (f - 1.0) * K0 / p[3] + S2;
      D = p[2] * p[7] * X * f * B + p[8] * X * f * A;
      Xn = D != 0.0 ? p[4] * C[comp][c] / D : X;
      if (Xn + X == 0.0 || (Xn - X) / (Xn + X) < 0.01) break;
      X = Xn;
    }
    BQvar[ra][b] = A;
    BQvar[rb][b] = B;
    BQvar[rx][b] = Xn;
    Csource[c] -= D * p[1] * bottomArea(c);
  }
}

}  // namespace

void CompSource() {
  const int comp = Equation - 8;
  if (!Ccomp || comp < 0 || comp >= NoComponents) return;
  double* const* C = Ccomp;
  const double* Cc = C[comp];

  surfaceReleases(comp);
  inflows(comp);

  const int nt = std::clamp(NoTerms, 0, MaxTerms);
  auto terms = [nt, comp](int type, auto&& act) {
    for (int n = 0; n < nt; ++n)
      if (QTerms[n].component == comp && QTerms[n].type == type) act(QTerms[n]);
  };

  for (int n = 0; n < nt; ++n)
    if (QTerms[n].component == comp && isPlain(QTerms[n].type)) plainTerm(QTerms[n], C, comp);

  CompSourceAlgae();

  terms(2030, [](const ReactionTerm& t) { bedErosion(t); });
  terms(1060, [C](const ReactionTerm& t) { heatBudget(t, C); });
  terms(123, [C, Cc](const ReactionTerm& t) {
    if (!termRowsExist(t, 1)) return;
    const double p0 = t.parameter[0];
    for (int c = 1; c <= NoCells; ++c) {
      const double den = Cc[c] + p0;
      const double F = den != 0.0 ? std::max(C[t.arg[0]][c] * Cc[c] / den, 0.0) * p0 * topArea(c) : 0.0;
      verticalTransfer(c, F);
    }
  });
  terms(1102, [Cc](const ReactionTerm& t) {
    if (!Cgamma) return;
    for (int c = 1; c <= NoCells; ++c)
      if (isTop(c)) Csource[c] += Cgamma[c] * t.parameter[1] * topArea(c) * (t.parameter[0] - Cc[c]);
  });
  terms(122, [C, Cc](const ReactionTerm& t) {
    if (!termRowsExist(t, 1)) return;
    for (int c = 1; c <= NoCells; ++c)
      Csource[c] += expChange(c, C[t.arg[0]][c] * t.parameter[0] * Cc[c] * temperatureFactor(c, t.parameter[5]));
  });
  terms(11, [Cc](const ReactionTerm& t) {
    for (int c = 1; c <= NoCells; ++c) verticalTransfer(c, std::max(Cc[c], 0.0) * t.parameter[0] * topArea(c));
  });
  terms(2149, [C, comp](const ReactionTerm& t) { bedModel(t, C, comp); });
}
