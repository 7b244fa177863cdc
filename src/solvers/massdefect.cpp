// The source of the pressure-correction equation: each cell's mass defect,
// the storage of a moving surface, and the water the discharge groups bring
// in or take out.
#include <algorithm>
#include <cmath>
#include <vector>

#include "grid/inflowprofile.h"
#include "io/sidefiles.h"
#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/groups.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

constexpr int kGroups = 9;


// Subtracts d from Csource of every cell of the column that starts at its
// bottom cell c.
void subtractFromColumn(int c, double d) {
  for (int k = c, guard = 0; k > 0 && guard <= NoCells; k = Ccellt[k], ++guard) Csource[k] -= d;
}

int columnCells(int c) {
  int n = 0;
  for (int k = c; k > 0 && n <= NoCells; k = Ccellt[k]) ++n;
  return n;
}

// Each cell writes only its own defect: with F 206 threads the cells are
// shared out among them, with the same result.
void massDefect() {
  const int first = WCStart, last = WCEnd;
#pragma omp parallel for schedule(static) if (NoProcessesSolver > 0)
  for (int c = first; c <= last; ++c)
    Csource[c] = -(Fflux[Cflatee[c]] - Fflux[Cflatew[c]] + Fflux[Cflaten[c]] - Fflux[Cflates[c]] +
                   Fflux[Cflatet[c]] - Fflux[Cflateb[c]]);
}

void columnLevelChange() {
  if (FlagTFS2 <= 0 || !Bdeltah) return;
  const double dt = std::max(TimeStep, stimeWL2 - stimeWL1);
  if (!(dt > 0.0)) return;
  for (int b = 1; b <= NoBCells; ++b) {
    const int c = Bcellt[b];
    if (c <= 0 || Bnocells[b] <= 0) continue;
    subtractFromColumn(c, Bdeltah[b] * 1000.0 * Barea[b] / (Bnocells[b] * dt));
  }
}

void surfaceTerms() {
  if (FlagTFS <= 0) return;
  if (FlagGlobFlux == 7 && Surfaces && zval && IterWaterUpdate * TimeStep > 0.0) {
    double** S = Surfaces[4];
    for (int b = 1; b <= NoBlocks && b < 100; ++b) {
      const BlockRecord& B = block[b];
      if (B.gridLevel != 0 || SurfUpdate[b] != 1) continue;
      // The block's own columns i1..i2, j1..j2: a column of the block beside
      // it must not get the storage twice.
      for (int i = std::max(B.i1, 1); i <= B.i2 && i < xnumber; ++i)
        for (int j = std::max(B.j1, 1); j <= B.j2 && j < ynumber; ++j) {
          const int c = static_cast<int>(zval[i][j][0]);
          if (c <= 0 || c > NoCells) continue;
          const int n = columnCells(c);
          const double d = 250.0 * (S[i][j] + S[i - 1][j] + S[i][j - 1] + S[i - 1][j - 1]) * Barea[Cbed[c]] /
                           (IterWaterUpdate * TimeStep) / n;
          subtractFromColumn(c, d);
        }
    }
  }
  if (TimeStep > 1e-8 && NoBCells > 0 && FlagTFS4 >= 1 && FlagTFS4 <= 3) {
    for (int b = 1; b <= NoBCells; ++b) {
      const int bottom = Bcellt[b];
      if (bottom <= 0) continue;
      const double A = Barea[b];
      if (FlagTFS4 == 1) {
        if (Bnocells[b] <= 0) continue;
        const double add = A * relaxPressure * TransInnerIter / (Bnocells[b] * 9.81 * TimeStep);
        for (int k = bottom; k > 0; k = Ccellt[k]) Cap[k] += add;
      } else if (FlagTFS4 == 2) {
        int top = bottom;
        while (Ccellt[top] > 0) top = Ccellt[top];
        Cap[top] += 1000.0 * A * A * CinvAp[top];
      } else {
        for (int k = bottom; k > 0; k = Ccellt[k]) Cap[k] += 1000.0 * A * A * CinvAp[k];
      }
    }
  }
}

}  // namespace

double currentDischarges() {
  const int N = TimeInNo;
  if (FlagDischargeTime == 0 || N <= 0 || !TimeInTime || !QDinn) {
    for (int j = 1; j <= kGroups; ++j) DischargeArray[j] = DischargeStruct[j].discharge;
    return 0.0;
  }
  // Linear interpolation in the series; before its first record the first
  // interval is extended, after its last record the last record holds. A
  // single record holds at all times.
  int lo = 0, hi = 0;
  double w = 0.0;
  if (N >= 2) {
    int l = 1;
    if (!(stimet < TimeInTime[1])) {
      l = N;
      for (int r = 2; r < N; ++r)
        if (TimeInTime[r] > stimet) {
          l = r;
          break;
        }
    }
    l = std::min(l, N - 1);
    lo = l - 1;
    hi = l;
    w = std::max(0.0, TimeInTime[l] - stimet) / (TimeInTime[l] - TimeInTime[l - 1] + 1e-20);
  }
  for (int j = 1; j <= kGroups; ++j)
    if (DischargeStruct[j].surfno > 0 || j <= 2)
      DischargeArray[j] = 1000.0 * (w * QDinn[lo][j] + (1.0 - w) * QDinn[hi][j]);
  return TimeInHout ? w * TimeInHout[lo] + (1.0 - w) * TimeInHout[hi] : 0.0;
}

namespace {

void globalBalance() {
  GlobFluxDefect = 0.0;
  if (FlagMPI != 0) return;
  for (int j = 1; j <= kGroups; ++j) {
    const DischargeGroup& G = DischargeStruct[j];
    if (G.surfno < 1 || !(DischargeArray[j] > 1e-8)) continue;
    GlobFluxDefect += G.inflow != 0 ? DischargeArray[j] : -DischargeArray[j];
  }
}

bool twoDimensionalRange() { return WCStart >= 1 && WCStart <= NoCells && CflagDim[WCStart] == 1; }

template <typename Fn>
void forTwoDimensionalSourceBlocks(Fn fn) {
  for (int b = 1; b <= NoBlocks - 1 && b < 100; ++b)
    if (block[b].nestLevel == 0 && block[b].kind == 0) fn(block[b]);
}

// ---- Distributions of a group's discharge over the cells at its faces ----

inline double cellTop(int c) { return Czcenter[c] + Ckdist[c]; }
inline double cellBottom(int c) { return Czcenter[c] - Ckdist[c]; }
inline int levelOf(const DischargeGroup& G, int e) { return std::clamp(G.faceLevel[e], 0, MaxCyclicLevels - 1); }

void localNormalFlux(const DischargeGroup& G) {
  for (int e = 0; e < groupFaceCount(G); ++e) {
    const int f = G.face[e], c = groupFaceCell(f);
    const double m = 1000.0 * Farea[f] * (-Fin[f]) * (Cxvel[c] * Fvx[f] + Cyvel[c] * Fvy[f]);
    if (m >= 0.0) Csource[c] -= m;
  }
}

double weirFactor(double r) {
  if (r > 3.0) return 1.316;
  if (r >= 0.3) return std::pow(r, 0.25);
  return 0.74;
}

void weir(const DischargeGroup& G) {
  const int n = groupFaceCount(G);
  if (n < 1) return;
  double Ag = 1e-20;
  for (int e = 0; e < n; ++e) Ag += Farea[G.face[e]];
  const int ca = groupFaceCell(G.face[0]), cb = groupFaceCell(G.face[n - 1]);
  const double dx = Cxcenter[ca] - Cxcenter[cb], dy = Cycenter[ca] - Cycenter[cb];
  const double W = std::sqrt(dx * dx + dy * dy) + 1e-20 + Cjdist[ca] + Cjdist[cb];
  const double r = 1000.0 * std::sqrt(9.81 * Ag / W) / G.discharge;
  const double factor = weirFactor(r);
  for (int e = 0; e < n; ++e) {
    const int f = G.face[e];
    Csource[groupFaceCell(f)] -= Farea[f] * G.discharge * factor / Ag;
  }
}

void shapedProfile(const DischargeGroup& G, double Q) {
  const int n = groupFaceCount(G);
  double top = -100000.0, bottom = 100000.0;
  for (int e = 0; e < n; ++e) {
    const int c = groupFaceCell(G.face[e]);
    top = std::max(top, cellTop(c));
    bottom = std::min(bottom, cellBottom(c));
  }
  auto weight = [&](int c) { return std::min(1.0, 2.0 * (top - Czcenter[c]) / (top - bottom)); };
  double sum = 0.0;
  for (int e = 0; e < n; ++e) sum += Farea[G.face[e]] * weight(groupFaceCell(G.face[e]));
  const double q = Q / (sum + 1e-30);
  for (int e = 0; e < n; ++e) {
    const int f = G.face[e], c = groupFaceCell(f);
    Csource[c] += weight(c) * Farea[f] * q;
  }
}

void logarithmicProfile(const DischargeGroup& G, double Q) {
  static thread_local std::vector<double> flux;
  logInflowFluxes(G, Q, flux);
  for (int e = 0; e < groupFaceCount(G); ++e)
    if (const int c = groupFaceCell(G.face[e])) Csource[c] += flux[static_cast<std::size_t>(e)];
}

void cyclicProfile(const DischargeGroup& G) {
  const int n = groupFaceCount(G);
  double sum = 0.0;
  for (int e = 0; e < n; ++e) sum += Farea[G.face[e]] * cyclicU[levelOf(G, e)];
  const double q = G.discharge / (sum + 1e-30);
  for (int e = 0; e < n; ++e) {
    const int f = G.face[e];
    Csource[groupFaceCell(f)] += Farea[f] * cyclicU[levelOf(G, e)] * q;
  }
}

void cyclicStart() {
  const DischargeGroup &G1 = DischargeStruct[1], &G2 = DischargeStruct[2];
  const int n = std::min(groupFaceCount(G1), groupFaceCount(G2));
  auto weight = [&](int e) {
    return std::max(1e-4, 0.5 * (Cxvel[groupFaceCell(G1.face[e])] + Cxvel[groupFaceCell(G2.face[e])]));
  };
  double sum = 0.0;
  for (int e = 0; e < n; ++e) sum += Farea[G1.face[e]] * weight(e);
  const double q = G1.discharge / (sum + 1e-30);
  for (int e = 0; e < n; ++e) Csource[groupFaceCell(G1.face[e])] += weight(e) * Farea[G1.face[e]] * q;
}

void inflowFileProfile(const DischargeGroup& G) {
  const int n = groupFaceCount(G);
  auto walk = [&](double q, bool add) {
    double sum = 0.0;
    int J = 1;
    for (int e = 0; e < n; ++e) {
      const int f = G.face[e], c = groupFaceCell(f);
      if (Ccellt[c] == 0) ++J;
      if (J > inflowj || J >= 500) break;
      const int K = G.faceLevel[e] + 1;
      if (K > inflowk || K < 0 || K > 50) continue;
      const double w = Fax[f] * inflowu[J][K] + Fay[f] * inflowv[J][K];
      if (add)
        Csource[c] += w * q;
      else
        sum += w;
    }
    return sum;
  };
  const double q = G.discharge / (walk(0.0, false) + 1e-30);
  walk(q, true);
}

void depthTest(const DischargeGroup& G, double Q, bool critical, double hout) {
  const int n = groupFaceCount(G);
  const double vbar = G.area > 0.0 ? 0.001 * Q / G.area : 0.0;
  double tops = 0.0, bottoms = 0.0;
  int nbottom = 0, ntop = 0;
  for (int e = 0; e < n; ++e) {
    const int c = groupFaceCell(G.face[e]);
    if (Ccellt[c] == 0) {
      tops += cellTop(c);
      ++ntop;
    }
    if (Ccellb[c] == 0) {
      bottoms += cellBottom(c);
      ++nbottom;
    }
  }
  // A section without a bottom or top cell has no depth or level to judge:
  // the smaller of the two fluxes is taken.
  bool larger;
  if (critical)
    larger = nbottom > 0 && (tops - bottoms) / nbottom > vbar * vbar / 9.81;
  else
    larger = ntop > 0 && tops / ntop > hout;
  for (int e = 0; e < n; ++e) {
    const int f = G.face[e], c = groupFaceCell(f);
    const double qf = -Fin[f] * (Cxvel[c] * Fax[f] + Cyvel[c] * Fay[f] + 1e-20);
    const double pf = Farea[f] * vbar;
    Csource[c] -= 1000.0 * (larger ? std::max(pf, qf) : std::min(pf, qf));
  }
}

void cyclicOutflow(const DischargeGroup& G, double Q) {
  const int n = groupFaceCount(G);
  auto weight = [&](int e) {
    const int f = G.face[e];
    return std::max(0.0, -Fin[f] * (Fax[f] * cyclicU[levelOf(G, e)] + 1e-20));
  };
  double sum = 0.0;
  for (int e = 0; e < n; ++e) sum += weight(e);
  const double q = Q / (sum + 1e-40);
  for (int e = 0; e < n; ++e) Csource[groupFaceCell(G.face[e])] -= weight(e) * q;
}

void velocityWeightedOutflow(const DischargeGroup& G, double Q) {
  const int n = groupFaceCount(G);
  auto weight = [&](int e) {
    const int f = G.face[e], c = groupFaceCell(f);
    return std::max(0.0, -Fin[f] * ((Cxvel[c] + 1e-10) * Fax[f] + Cyvel[c] * Fay[f]));
  };
  double sum = 0.0;
  for (int e = 0; e < n; ++e) sum += weight(e);
  const double q = Q / (sum + 1e-40);
  for (int e = 0; e < n; ++e) Csource[groupFaceCell(G.face[e])] -= weight(e) * q;
}

// Uniform over the group's area; on a coarse level of the grid sequencing
// (hops > 0) into the coarse cell that holds the group's cell.
void uniform(const DischargeGroup& G, double Q, int hops) {
  const int n = groupFaceCount(G);
  double sum = 0.0;
  for (int e = 0; e < n; ++e) sum += Farea[G.face[e]];
  const double q = Q / (sum + 1e-30);
  const double sign = G.inflow == 1 ? 1.0 : -1.0;
  for (int e = 0; e < n; ++e) {
    const int f = G.face[e];
    int c = groupFaceCell(f);
    for (int h = 0; h < hops && c > 0; ++h) c = MGSCpoint[c][0];
    Csource[c] += sign * Farea[f] * q;
  }
}

bool surfaceOutletMethod() { return FlagTFS == 1 || (FlagTFS >= 15 && FlagTFS <= 19); }

void distributeGroup(int j, double hout) {
  const DischargeGroup& G = DischargeStruct[j];
  const double Q = DischargeArray[j];
  const bool in = G.inflow == 1, out = G.inflow == 0;
  const bool cyclicFlags = FlagHaveReadCyclic == 1 || FlagHaveInitiatedCyclic == 1;
  if (out && surfaceOutletMethod() && FlagSurfDownstream == 3) return localNormalFlux(G);
  if (out && surfaceOutletMethod() && FlagSurfDownstream == 1) return weir(G);
  if (in && FlagShapeInflow == 1 && Q > 0.0) return shapedProfile(G, Q);
  if (in && FlagLogInflow > 0 && Q > 0.0) return logarithmicProfile(G, Q);
  if (in && FlagCyclic != 0 && cyclicFlags) return cyclicProfile(G);
  if (j == 1 && in && FlagCyclic > 0 && DischargeStruct[2].inflow == 0 && Iter > FlagCyclic &&
      FlagHaveReadCyclic == 0 && FlagHaveInitiatedCyclic == 0)
    return cyclicStart();
  if (j == 1 && in && inflowj >= 1) return inflowFileProfile(G);
  if (out && FlagSurfPresDownstream == 3) return depthTest(G, Q, true, hout);
  if (out && FlagSurfPresDownstream == 4) return depthTest(G, Q, false, hout);
  if (out && FlagCyclic < 0 && FlagHaveInitiatedCyclic > 0) return cyclicOutflow(G, Q);
  if (out && G.update == 1) return velocityWeightedOutflow(G, Q);
  if (G.update == 0 || in) return uniform(G, Q, 0);
}

void distributeCoarse(int j) {
  const DischargeGroup& G = DischargeStruct[j];
  const double Q = DischargeArray[j];
  const int hops = MGSGrid - 1;
  if (!MGSCpoint) return;
  if (G.update == 0 || G.inflow == 1) return uniform(G, Q, hops);
  if (G.inflow != 0 || G.update != 1) return;
  const int n = groupFaceCount(G);
  auto normal = [&](int f, int c) { return std::max(0.0, -Fin[f] * (Cxvel[c] * Fvx[f] + Cyvel[c] * Fvy[f])); };
  double S = 0.0;
  for (int e = 0; e < n; ++e) {
    const int f = G.face[e];
    S += Farea[f] * normal(f, groupFaceCell(f));
  }
  const double q = Q / (S + 1e-20);
  for (int e = 0; e < n; ++e) {
    const int f = G.face[e];
    int C = groupFaceCell(f);
    for (int h = 0; h < hops && C > 0; ++h) C = MGSCpoint[C][0];
    Csource[C] -= normal(f, C) * q * Farea[f];
  }
}

void outletConditions() {
  if (FlagGravity <= 0 || (FlagSurfPresDownstream != 1 && FlagSurfPresDownstream != 2)) return;
  for (int j = 1; j <= kGroups; ++j) {
    const DischargeGroup& G = DischargeStruct[j];
    if (G.inflow != 0) continue;
    for (int e = 0; e < groupFaceCount(G); ++e) {
      const int c = groupFaceCell(G.face[e]);
      Csource[c] = 0.0;
      if (FlagSurfPresDownstream != 1) continue;
      double h = Ckdist[c];
      for (int k = Ccellt[c], guard = 0; k > 0 && guard <= NoCells; k = Ccellt[k], ++guard) h += 2.0 * Ckdist[k];
      Cpres[c] = 9810.0 * h;
    }
  }
}

}  // namespace

void pressure_fluxes() {
  massDefect();
  columnLevelChange();
  surfaceTerms();
  const double hout = currentDischarges();
  globalBalance();
  const bool twoD = twoDimensionalRange();
  if (twoD)
    forTwoDimensionalSourceBlocks([](const BlockRecord& B) {
      for (int c = std::max(B.firstCell, 1); c <= B.lastCell && c <= NoCells; ++c) Csource[c] = 0.0;
    });
  for (int j = 1; j <= kGroups; ++j) {
    if (DischargeStruct[j].surfno < 1) continue;
    if (MGSGrid <= 1)
      distributeGroup(j, hout);
    else
      distributeCoarse(j);
  }
  if (twoD) {
    int k = WCStart;
    forTwoDimensionalSourceBlocks([&k](const BlockRecord& B) {
      for (int c = std::max(B.firstCell, 1); c <= B.lastCell && c <= NoCells; ++c) {
        if (Ccellt[c] != 0) continue;
        double sum = 0.0;
        for (int m = c, guard = 0; m > 0 && guard <= NoCells; m = Ccellb[m], ++guard) sum += Csource[m];
        Csource[k++] += sum;
      }
    });
  }
  outletConditions();
  if (FlagPresCorrStab >= 2) {
    const double lim = 0.01 * FlagPresCorrStab;
    for (int c = WCStart; c <= WCEnd; ++c) Csource[c] = std::clamp(Csource[c], -lim, lim);
  }
}
