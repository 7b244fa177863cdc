// Inflow and outflow of the discharge groups in the cell equations: the
// current group discharges, the outflow balance, the marks of the cells at
// group faces and the convective inflow of the current quantity.
#include <algorithm>
#include <cmath>

#include "flow/cellequations.h"
#include "state/log.h"
#include "io/sidefiles.h"
#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/groups.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

constexpr int kGroups = 9;

inline bool cellOk(int c) { return c >= 1 && c <= NoCells; }
inline int faceCount(int g) { return groupFaceCount(DischargeStruct[g]); }

// The grid-sequencing level in force: a group cell on the coarse level.
int coarseCell(int c) {
  for (int l = 1; l < MGSGrid && cellOk(c); ++l) c = MGSCpoint && MGSCpointCols > 0 ? MGSCpoint[c][0] : 0;
  return cellOk(c) ? c : 0;
}

void markOutflow(int g) {
  for (int e = 0; e < faceCount(g); ++e)
    if (const int c = groupFaceCell(DischargeStruct[g].face[e])) Cinout[c] = -g;
}

// Inflow terms at face f of group g with mass flux q per unit area and
// momentum factor m (0.001 q, the inflow velocity): q Farea on the diagonal,
// the inflow value of the equation times q Farea in the source.
void inflowTerms(int g, int f, int c, double q, double m) {
  const DischargeGroup& G = DischargeStruct[g];
  const double A = Farea[f];
  Cap[c] += q * A;
  Cinout[c] = g;
  switch (Equation) {
    case 1:
      Csource[c] += m * q * Fvx[f] * Fin[f] * A;
      break;
    case 2:
      Csource[c] += m * q * Fvy[f] * Fin[f] * A;
      break;
    case 5:
      Csource[c] += G.kinen * q * A;
      break;
    case 6:
      Csource[c] += G.epsilon * q * A;
      break;
    default:
      break;
  }
}

inline bool isInflowGroup(int g) { return DischargeStruct[g].inflow == 1 && DischargeArray[g] > 0.0; }
inline bool isOutflowGroup(int g) { return DischargeStruct[g].inflow == 0 || DischargeArray[g] < 0.0; }

void uniformPass(bool coarse) {
  for (int g = 1; g <= kGroups; ++g) {
    const int n = faceCount(g);
    if (n < 1) continue;
    const DischargeGroup& G = DischargeStruct[g];
    if (isOutflowGroup(g)) {
      if (!coarse) {
        markOutflow(g);
      } else {
        for (int e = 0; e < n; ++e)
          if (const int c = coarseCell(groupFaceCell(G.face[e]))) Cinout[c] = -g;
      }
      continue;
    }
    if (G.inflow != 1 || !(DischargeArray[g] > 0.0)) continue;
    const double q = DischargeArray[g] / (G.area + 1e-30);
    const double m = coarse || FlagNoImpulse != 1 ? 0.001 * q : 0.0;
    const bool extra = !coarse && Equation == 1 && g == 1 && std::fabs(momentumAddInflow) > 1e-10 && FlagDragDLL == 0;
    for (int e = 0; e < n; ++e) {
      const int f = G.face[e];
      int c = groupFaceCell(f);
      if (coarse) c = coarseCell(c);
      if (!c) continue;
      inflowTerms(g, f, c, q, m);
      if (extra) Csource[c] += momentumAddInflow * Farea[f] / (DischargeStruct[1].area + 1e-20);
    }
  }
}

// With the debugging letter R in the first iteration: the values of the
// last face of an inflow group, after the group.
void inflowDebugLines(double q, double zbed, int cell, double m, int face) {
  if (debugging != 'R' || Iter != 1 || !cell) return;
  logf("Boundary condition, logarithmic inflow. uplus = %lf\n", q);
  logf("levbed = %lf, k = %d, Vel = %lf, Area = %lf\n", zbed, cell, m, Farea[face]);
  logf("source = %lf, Equation = %d\n", Csource[cell], Equation);
}

// Velocity full in the lower half of the section, falling linearly to zero
// at its top.
void shapedPass1() {
  for (int g = 1; g <= kGroups; ++g) {
    const int n = faceCount(g);
    if (n < 1) continue;
    if (isOutflowGroup(g)) {
      markOutflow(g);
      continue;
    }
    if (!isInflowGroup(g)) continue;
    const DischargeGroup& G = DischargeStruct[g];
    double top = -100000.0, bottom = 100000.0;
    for (int e = 0; e < n; ++e)
      if (const int c = groupFaceCell(G.face[e])) {
        top = std::max(top, Czcenter[c] + Ckdist[c]);
        bottom = std::min(bottom, Czcenter[c] - Ckdist[c]);
      }
    const double H = top - bottom;
    auto weight = [&](int c) { return H > 0.0 ? std::min(1.0, 2.0 * (top - Czcenter[c]) / H) : 1.0; };
    double sum = 0.0;
    for (int e = 0; e < n; ++e)
      if (const int c = groupFaceCell(G.face[e])) sum += weight(c) * Farea[G.face[e]];
    const double qb = DischargeArray[g] / (sum + 1e-30);
    int lastCell = 0, lastFace = 0;
    double lastQ = 0.0, lastM = 0.0;
    for (int e = n - 1; e >= 0; --e) {
      const int f = G.face[e], c = groupFaceCell(f);
      if (!c) continue;
      const double q = weight(c) * qb, m = FlagNoImpulse == 1 ? 0.0 : 0.001 * q;
      inflowTerms(g, f, c, q, m);
      lastCell = c, lastFace = f, lastQ = q, lastM = m;
    }
    inflowDebugLines(lastQ, bottom, lastCell, lastM, lastFace);
  }
}

// A parabola of the x velocity across the section in y, zero at both ends.
// Only inflow groups carry it; their cells are marked as inflow cells.
void shapedPass2() {
  for (int g = 1; g <= kGroups; ++g) {
    const int n = faceCount(g);
    if (n < 1) continue;
    if (isOutflowGroup(g)) {
      markOutflow(g);
      continue;
    }
    if (!isInflowGroup(g)) continue;
    const DischargeGroup& G = DischargeStruct[g];
    if (!(G.area > 0.0)) continue;
    const double V = DischargeArray[g] / G.area;
    double ymin = 1e20, ymax = -1e20;
    for (int e = 0; e < n; ++e)
      if (const int c = groupFaceCell(G.face[e])) {
        ymin = std::min(ymin, Cycenter[c]);
        ymax = std::max(ymax, Cycenter[c]);
        Cinout[c] = g;
      }
    const double width = ymax - ymin;
    for (int e = 0; e < n; ++e) {
      const int f = G.face[e], c = groupFaceCell(f);
      if (!c) continue;
      const double s = width > 0.0 ? (Cycenter[c] - ymin) / width : 0.5;
      Csource[c] += CoeffShapeInflow * (s - s * s) * 0.001 * V * Farea[f] * V;
      Cap[c] += Farea[f] * V;
    }
  }
}

// Measured profile of the inflow file for group 1, by column and level.
void inflowFilePass() {
  for (int g = 1; g <= kGroups; ++g)
    if (faceCount(g) > 0 && isOutflowGroup(g)) markOutflow(g);
  if (!isInflowGroup(1)) return;
  const DischargeGroup& G = DischargeStruct[1];
  const double q = G.discharge / (G.area + 1e-30);
  int J = 1;
  for (int e = 0; e < faceCount(1); ++e) {
    const int f = G.face[e], c = groupFaceCell(f);
    if (!c) continue;
    if (Ccellt[c] == 0) ++J;
    if (J > inflowj || J >= 500) break;
    const int K = G.faceLevel[e] + 1;
    Cap[c] += q * Farea[f];
    Cinout[c] = 1;
    if (K < 0 || K > inflowk || K >= 51) continue;
    switch (Equation) {
      case 1:
        Csource[c] += inflowu[J][K] * q * Fax[f] * Fin[f];
        break;
      case 2:
        Csource[c] += inflowv[J][K] * q * Fay[f] * Fin[f];
        break;
      case 5:
        Csource[c] += inflowki[J][K] * q * Farea[f];
        break;
      case 6:
        Csource[c] += inflowe[J][K] * q * Farea[f];
        break;
      default:
        break;
    }
  }
}

// Group 1 takes, face by face, the mean of its cell and the paired outflow
// cell of group 2. Only as many entries as both lists hold are paired.
void pairedCyclicPass() {
  const DischargeGroup &A = DischargeStruct[1], &B = DischargeStruct[2];
  const int n = std::min(faceCount(1), faceCount(2));
  const double q = A.discharge / (A.area + 1e-30);
  for (int e = 0; e < n; ++e) {
    const int f1 = A.face[e], c1 = groupFaceCell(f1), c2 = groupFaceCell(B.face[e]);
    if (!c1 || !c2) continue;
    Cinout[c1] = 1;
    Cinout[c2] = -2;
    Cap[c1] += q * Farea[f1];
    switch (Equation) {
      case 1:
        Csource[c1] += 0.5 * (Cxvel[c1] + Cxvel[c2]) * q * Fvx[f1] * Fin[f1] * Farea[f1];
        break;
      case 5:
        Csource[c1] += 0.5 * (Ckinen[c1] + Ckinen[c2]) * q * Farea[f1];
        break;
      case 6:
        Csource[c1] += 0.5 * (Cepsilon[c1] + Cepsilon[c2]) * q * Farea[f1];
        break;
      default:
        break;
    }
  }
}

// A stored profile by face level (the cyclic file or a collected one).
void cyclicProfilePass() {
  for (int g = 1; g <= kGroups; ++g) {
    const int n = faceCount(g);
    if (n < 1) continue;
    const DischargeGroup& G = DischargeStruct[g];
    if (G.inflow == 0) {
      markOutflow(g);
      continue;
    }
    if (G.inflow != 1) continue;
    const double q = G.discharge / (G.area + 1e-30);
    for (int e = 0; e < n; ++e) {
      const int f = G.face[e], c = groupFaceCell(f);
      if (!c) continue;
      const int L = std::clamp(G.faceLevel[e], 0, MaxCyclicLevels - 1);
      Cap[c] += q * Farea[f];
      Cinout[c] = g;
      if (Equation == 1) Csource[c] += cyclicU[L] * q * Fvx[f] * Fin[f] * Farea[f];
      if (Equation == 5) Csource[c] += cyclicK[L] * q * Farea[f];
      if (Equation == 6) Csource[c] += cyclicE[L] * q * Farea[f];
    }
  }
}

// Logarithmic velocity over the height above the bed (F 202).
void logarithmicPass() {
  for (int g = 1; g <= kGroups; ++g) {
    const int n = faceCount(g);
    if (n < 1) continue;
    if (isOutflowGroup(g)) {
      markOutflow(g);
      continue;
    }
    if (!isInflowGroup(g)) continue;
    const DischargeGroup& G = DischargeStruct[g];
    double zb0 = 100000.0;
    for (int e = 0; e < n; ++e)
      if (const int c = groupFaceCell(G.face[e]); c && Ccellb[c] == 0) zb0 = std::min(zb0, Czcenter[c] - Ckdist[c]);
    // Without a roughness height the profile has no scale: equal weights.
    auto weight = [&](int c, double zb) {
      if (!(XksInflow > 0.0)) return 1.0;
      return std::max(std::log(30.0 * (Czcenter[c] - zb) / XksInflow), 1e-7);
    };
    double zb = zb0, sum = 0.0;
    for (int e = n - 1; e >= 0; --e) {
      const int c = groupFaceCell(G.face[e]);
      if (!c) continue;
      if (FlagLogInflow == 2 && Ccellb[c] == 0) zb = Czcenter[c] - Ckdist[c];
      sum += weight(c, zb) * Farea[G.face[e]];
    }
    const double U0 = DischargeArray[g] / (sum + 1e-30);
    zb = zb0;
    int lastCell = 0, lastFace = 0;
    double lastQ = 0.0;
    for (int e = n - 1; e >= 0; --e) {
      const int f = G.face[e], c = groupFaceCell(f);
      if (!c) continue;
      if (FlagLogInflow == 2 && Ccellb[c] == 0) zb = Czcenter[c] - Ckdist[c];
      const double q = weight(c, zb) * U0;
      inflowTerms(g, f, c, q, 0.001 * q);
      lastCell = c, lastFace = f, lastQ = q;
    }
    inflowDebugLines(lastQ, zb, lastCell, 0.001 * lastQ, lastFace);
  }
}

// The profile at the outflow group 2, by face level, averaged over the
// columns of the group.
void collectOutflowProfile() {
  const int top = std::clamp(znumber, 0, MaxCyclicLevels - 1);
  double count[MaxCyclicLevels] = {};
  for (int l = 0; l <= top; ++l) cyclicU[l] = cyclicK[l] = cyclicE[l] = 0.0;
  const DischargeGroup& G = DischargeStruct[2];
  for (int e = 0; e < faceCount(2); ++e) {
    const int c = groupFaceCell(G.face[e]);
    const int L = G.faceLevel[e];
    if (!c || L < 0 || L > top) continue;
    cyclicU[L] += Cxvel[c];
    cyclicK[L] += Ckinen[c];
    cyclicE[L] += Cepsilon[c];
    count[L] += 1.0;
  }
  for (int l = 0; l <= top; ++l)
    if (count[l] > 0.0) {
      cyclicU[l] /= count[l];
      cyclicK[l] /= count[l];
      cyclicE[l] /= count[l];
    }
  if (std::fmod(static_cast<double>(Iter), 100.0 * std::fabs(static_cast<double>(FlagCyclic))) < 0.001) {
    logf("Cyclic values, stimet = %lf\n", stimet);
    for (int l = 1; l <= top; ++l) logf("U, K, E (%d) = %lf %lf %lf\n", l, cyclicU[l], cyclicK[l], cyclicE[l]);
  }
}

void tail() {
  if (SourceKennedy > 0.0 && Equation == 3 && zval) {
    // The lowest cells of the columns i = 2..29 along the second grid line
    // of j.
    if (2 <= ynumber + 1)
      for (int i = 2; i <= std::min(29, xnumber + 1); ++i) {
        const int c = static_cast<int>(zval[i][2][0]);
        if (cellOk(c)) Csource[c] += SourceKennedy;
      }
  }
  if (MGSGrid > 1) {
    uniformPass(true);
    return;
  }
  if (FlagLogInflow > 0 && FlagCyclic == 0) logarithmicPass();
}

double largestResidual() {
  double r = 0.0;
  for (int e = 1; e <= 6; ++e) r = std::max(r, MaxResidual[e]);
  return r;
}

}  // namespace

double computeOutflow(int group) {
  double S = 0.0;
  for (int h = 1; h <= kGroups; ++h)
    if (h != group) S += IO[h].n[0] == 0 ? DischargeArray[h] : -DischargeArray[h];
  // The volume change of the last surface move counts only over a real
  // time: a steady run before its first surface update has none.
  const double span = std::max(TimeStep, stimeWL2 - stimeWL1);
  if (span > 1e-8) S += 1000.0 * SurfVolDefect / span;
  return std::max(0.0, S);
}

void boundary() {
  currentDischarges();
  if (debugging == 'H' && Equation == 1 && FlagDischargeTime != 0)
    for (int g = 1; g <= kGroups; ++g)
      if (faceCount(g) > 0 || g <= 2) logf("Discharge for group %d = %lf, stimet = %lf\n", g, DischargeArray[g], stimet);
  if (FlagUpdateDischarge == 1 && FlagDischargeTime != 0)
    for (int g = 1; g <= kGroups; ++g)
      if (faceCount(g) > 0 || g <= 2) DischargeStruct[g].discharge = DischargeArray[g];

  for (int g = 1; g <= kGroups; ++g) {
    if (faceCount(g) < 1 || DischargeStruct[g].inflow != 0) continue;
    const double D = DischargeArray[g];
    switch (FlagGlobFlux) {
      case 2:
        DischargeArray[g] = computeOutflow(g);
        break;
      case 3:
      case 7:
        DischargeArray[g] = std::max(computeOutflow(g), D);
        break;
      case 4:
        DischargeArray[g] = std::min(computeOutflow(g), D);
        break;
      case 5:
      case 6:
        DischargeArray[g] = std::max(GlobFluxLim1 * D, std::min(computeOutflow(g), GlobFluxLim2 * D));
        break;
      default:
        break;
    }
  }

  if (NoCells >= 1) std::fill(Cinout + 1, Cinout + NoCells + 1, 0);

  if (FlagCyclic < 0 && FlagHaveReadCyclic == 0 && NoCyclesDone < -FlagCyclic && Equation == 1 &&
      largestResidual() < 0.01) {
    collectOutflowProfile();
    FlagHaveInitiatedCyclic = 1;
    ++NoCyclesDone;
  }
  if (FlagCyclic != 0 && DischargeStruct[1].inflow == 1 && Iter > FlagCyclic && DischargeStruct[2].inflow == 0 &&
      FlagHaveReadCyclic == 0 && FlagHaveInitiatedCyclic == 0) {
    pairedCyclicPass();
  } else if (FlagCyclic > 0 && MGSGrid <= 1 &&
             (FlagReadRes == 1 || FlagHaveReadCyclic == 1 || FlagHaveInitiatedCyclic == 1)) {
    cyclicProfilePass();
  } else if (inflowj > 0) {
    inflowFilePass();
  } else if (MGSGrid > 1) {
  } else if (FlagShapeInflow == 2 && Equation == 1) {
    shapedPass2();
  } else if (FlagShapeInflow == 1) {
    shapedPass1();
  } else if (FlagLogInflow != 0) {
  } else if (FlagCyclic != 0 && (Iter >= FlagCyclic || FlagReadRes != 0)) {
  } else {
    uniformPass(false);
  }
  tail();
}
