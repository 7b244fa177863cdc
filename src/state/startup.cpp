// The initial flow state: inflow areas, residual scales, relaxation factors
// and wall roughness on every call; on the first call of a flow also the
// start fields (zero or G 18 values, hydrostatic pressure, inflow turbulence).
#include "state/startup.h"

#include <cmath>

#include "state/log.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

inline bool isCell(int c) { return c >= 1 && c <= NoCells; }
inline bool isFace(int f) { return f >= 1 && f <= NoSurfaces; }

// Value of a profile of points (z, value), listed from the top down, at level
// z: linear between the two points around z, the end value beyond either end.
double profileAt(const double (*pts)[2], int first, int last, double z) {
  if (last < first) return 0.0;
  if (z >= pts[first][0]) return pts[first][1];
  for (int k = first + 1; k <= last; ++k)
    if (pts[k - 1][0] > z && z >= pts[k][0]) {
      const double t = (pts[k - 1][0] - z) / (pts[k - 1][0] - pts[k][0] + 1e-20);
      return t * pts[k][1] + (1.0 - t) * pts[k - 1][1];
    }
  return pts[last][1];
}

// Pressure of the water standing above each cell, walking down from c.
void addHydrostatic(int c, bool add) {
  double d = 0.0;
  for (int steps = 0; isCell(c) && steps < NoCells; ++steps) {
    d += Ckdist[c];
    Cpres[c] = (add ? Cpres[c] : 0.0) + 9810.0 * d;
    d += Ckdist[c];
    c = Ccellb[c];
  }
}

void hydrostaticBlock(const BlockRecord& B) {
  const int first = B.firstCell < 1 ? 1 : B.firstCell, last = B.lastCell > NoCells ? NoCells : B.lastCell;
  for (int c = first; c <= last; ++c)
    if (Ccellt[c] < B.firstCell) addHydrostatic(c, true);
}

void componentProfiles() {
  if (!Ccomp) return;
  if (TemperatureFlag == 1 && NoVerttemp >= 1 && Seiche7 == 0 && NoComponents >= 1) {
    const int last = NoVerttemp < 49 ? NoVerttemp : 49;
    for (int c = 1; c <= NoCells; ++c) Ccomp[0][c] = profileAt(Verttemp, 1, last, Czcenter[c]);
  }
  for (int q = 0; q < NoQI && q < 10; ++q) {
    const int comp = NoVariable[q];
    if (comp < 0 || comp >= NoComponents) continue;
    const int last = NoVertInit[q] < 49 ? NoVertInit[q] : 49;
    for (int c = 1; c <= NoCells; ++c) {
      const double v = profileAt(VertQInit[q], 1, last, Czcenter[c]);
      Ccomp[comp][c] = v;
      if (TimeStep > 1e-8 && Ccomp_old) Ccomp_old[comp][c] = v;
    }
  }
  if (TemperatureFlag == 1 && NoComponents >= 1) {
    if (Seiche7 == 1)
      for (int b = 1; b <= NoBlocks && b < 100; ++b) {
        const BlockRecord& B = block[b];
        const int half = B.firstCell + (B.lastCell - B.firstCell) / 2;
        for (int c = B.firstCell < 1 ? 1 : B.firstCell; c <= B.lastCell && c <= NoCells; ++c)
          Ccomp[0][c] = c <= half ? 10.0 : 20.0;
      }
    else if (Seiche7 == 2)
      for (int c = 1; c <= NoCells; ++c) Ccomp[0][c] = level - Czcenter[c] <= 2.0 ? 20.0 : 10.0;
  }
}

void roughnessByOption() {
  if (FlagRoughness >= 2 && FlagRoughness <= 6 && FlagInitialized == 1)
    for (int b = WBStart < 1 ? 1 : WBStart; b <= WBEnd && b <= NoBCells; ++b)
      if (Broughness[b] > 1e-10 && isCell(Bcellt[b])) Croughness[Bcellt[b]] = Broughness[b];
  // Dry columns (no cell) are skipped: element 0 belongs to nothing.
  if (FlagRoughness == 1)
    for (int i = 2; i <= xnumber; ++i)
      for (int j = 2; j <= ynumber; ++j) {
        const int c = static_cast<int>(zval[i][j][0]);
        if (!isCell(c)) continue;
        Croughness[c] = roughness[i][j];
        if (Cbed[c] >= 1) Broughness[Cbed[c]] = roughness[i][j];
      }
  if (MGSNo > 0 && MGSCpoint) {
    for (int i = 2; i <= xnumber; ++i)
      for (int j = 2; j <= ynumber; ++j) {
        const int c = static_cast<int>(zval[i][j][0]);
        if (isCell(c) && isCell(MGSCpoint[c][0])) Croughness[MGSCpoint[c][0]] = Croughness[c];
      }
    const int from = NoBlocks - MGSNo + 2;
    if (MGSNo > 2 && MGSCpointCols >= 5 && from >= 1 && from < 100)
      for (int c = block[from].firstCell < 1 ? 1 : block[from].firstCell; c <= NoCells; ++c) {
        double sum = 0.0;
        for (int k = 1; k <= 4; ++k)
          if (isCell(MGSCpoint[c][k])) sum += Croughness[MGSCpoint[c][k]];
        Croughness[c] = 0.25 * sum;
      }
  }
}

}  // namespace

void setRelaxationFactors() {
  // Both bounds strict.
  const double rv = relax[1], rp = relax[4], rk = relax[5], re = relax[6];
  if (rv > 0.001 && rv < 2.0) {
    relaxVelocity = rv;
    invRelaxVelocity = 1.0 / rv;
  } else {
    relaxVelocity = 0.001;
    invRelaxVelocity = 1000.0;
  }
  relaxPressure = rp > 0.001 && rp < 2.0 ? rp : 0.001;
  relaxK = rk > 0.01 && rk < 2.0 ? rk : 0.01;
  relaxEpsilon = re > 0.01 && re < 2.0 ? re : 0.01;
}

void startup() {
  // Inflow areas.
  for (int g = 0; g <= 9; ++g) {
    DischargeGroup& G = DischargeStruct[g];
    if (std::fabs(G.discharge) <= 1e-20) continue;
    double a = 0.0;
    for (int e = 0; e < G.surfno && e < MaxGroupFaces; ++e)
      if (isFace(G.face[e])) a += Farea[G.face[e]];
    G.area = a;
  }

  // Residual scales and the turbulence of the inflow.
  double k = NormK, eps = NormEps, S, M;
  if (FlagMPI > 0) {
    const double Q = DischargeStruct[1].discharge;
    if (FlagNormSet == 0) k = eps = 0.01;
    DischargeStruct[1].kinen = k;
    DischargeStruct[1].epsilon = eps;
    S = M = Q;
    NormResidual[5] = Q * k;
    NormResidual[6] = Q * eps;
  } else {
    S = 10.0;
    M = 0.1;
    for (int g = 0; g <= 9; ++g) {
      DischargeGroup& G = DischargeStruct[g];
      if (G.inflow != 1 || std::fabs(G.discharge) <= 1e-20) continue;
      // The inflow velocity is the discharge over the area: a group without
      // faces would give an arbitrary velocity.
      if (!(G.area > 1e-20))
        fatal(-1,
              "Error: inflow discharge group %d has a discharge of %lf l/s but no inflow area.\n"
              "Its polyline or its levels reach no surface of the grid.\n",
              g, G.discharge);
      const double Q = G.discharge;
      S += Q;
      const double U = Q * 0.001 / (G.area + 1e-5);
      M += Q * U;
      if (FlagNormSet == 0) {
        k = 0.0025 * U * U;
        if (k > 1e-6) {
          eps = 0.8 * k * std::sqrt(k / (G.area + 1e-10));
        } else {
          k = 1e-6;
          eps = 8e-7 * std::sqrt(1e-6 / (G.area + 1e-10));
        }
      }
      G.kinen = k;
      G.epsilon = eps;
      NormResidual[5] = S * k;
      NormResidual[6] = S * eps;
    }
    const double W = Wind[0];
    if (W > 1e-10) {
      double A = 0.0;
      for (int c = 1; c <= NoCells; ++c)
        if (Ccellt[c] == 0 && isFace(Cflatet[c])) A += Farea[Cflatet[c]];
      if (W > 1e-5) {
        const double T = W * W * A;
        M += T;
        S += 0.1 * T;
        if (FlagNormSet == 0) {
          k = 0.0033333 * std::pow(std::fabs(W), 2.5) * 1.2 * 0.5 * 0.001;
          eps = 0.164317 * 2.5 * std::sqrt(k) / ((NoCells >= 1 ? Ckdist[1] : 0.0) + 1e-20);
        }
        NormResidual[5] = S * k;
        NormResidual[6] = S * eps;
      } else {
        M += 0.0001 * A;
        S += 0.1 * 0.0001 * A;
        if (FlagNormSet == 0) {
          k = 1.9999800000000003e-11;
          eps = 3.599928000360001e-17;
        }
        NormResidual[5] = NormResidual[6] = 0.0001 * S;
      }
    }
  }

  setRelaxationFactors();

  const bool first = FlagInitialized == 0;
  if (first) {
    logf("Relaxation: %lf %lf %lf %lf\n", relaxVelocity, relaxPressure, relaxK, relaxEpsilon);
    if (NoProcessesSolver >= 1 && debugging == 'D') {
      logf("OpenMP G 50");
      for (int q = 0; q < 10; ++q) logf(" %d", FlagOpenMP[q]);
      logf("\n");
    }
    if (UInitNo == 0)
      for (int c = 0; c <= NoCells; ++c) {
        CinvAp[c] = Cpres[c] = Cxvel[c] = Cyvel[c] = Czvel[c] = Cconc[0][c] = 0.0;
        Ckinen[c] = k;
        Cepsilon[c] = eps;
        if (TurbDensFlag == 5 && CdampDensity) CdampDensity[c] = 1.0;
      }
    if (FlagGravity > 0)
      for (int c = 1; c <= NoCells; ++c)
        if (Ccellt[c] == 0) addHydrostatic(c, false);
    if (FlagThixo == 1 && NoBlocks >= 1)
      hydrostaticBlock(block[1]);
    else if (FlagThixo >= 2 && NoBlocks >= 2 && block[2].subBed > 0)
      hydrostaticBlock(block[2]);
    for (int r = 1; r <= UInitNo && r < 20; ++r)
      for (int c = 0; c <= NoCells; ++c) {
        CinvAp[c] = 0.0;
        Cxvel[c] = UInit[r][1];
        Cyvel[c] = UInit[r][2];
        Czvel[c] = UInit[r][3];
        Ckinen[c] = UInit[r][5];
        Cepsilon[c] = UInit[r][6];
        Cconc[0][c] = 0.0;
        if (UInit[r][4] > 0.0) Cpres[c] = UInit[r][4];
      }
  }
  block[0].firstCell = 1;
  block[0].lastCell = NoCells;
  if (FlagNormSet == 2) {
    NormResidual[1] = NormResidual[2] = NormResidual[3] = NormVel;
    NormResidual[4] = NormPres;
    NormResidual[5] = NormK;
    NormResidual[6] = NormEps;
  } else {
    NormResidual[1] = NormResidual[2] = NormResidual[3] = M;
    NormResidual[4] = S;
  }
  if (first)
    for (int f = 0; f <= NoSurfaces; ++f) Fflux[f] = 0.0;

  componentProfiles();

  if (XksWall < 0.0) XksWall = std::pow(26.0 / ManningInit, 6.0);
  XksWall = std::fmax(XksWall, 1e-5);
  for (int c = 1; c <= NoCells; ++c) Croughness[c] = XksWall;
  roughnessByOption();

  if (first && PresRegres > 0 && PresRegresSumPres) {
    RegIter = 0;
    for (int b = 1; b <= NoBlocks && b < 100; ++b) {
      const BlockRecord& B = block[b];
      if (B.kind != 0) continue;
      for (int i = B.i1 < 0 ? 0 : B.i1; i <= B.i2 && i <= xnumber + 1; ++i)
        for (int j = B.j1 < 0 ? 0 : B.j1; j <= B.j2 && j <= ynumber + 1; ++j) {
          PresRegresSumPres[i][j] = PresRegresSumXPres[i][j] = 0.0;
          PresRegresSumX[i][j] = PresRegresSumXX[i][j] = PresRegresN[i][j] = 0;
        }
    }
  }
  if (first) FlagNeedsToBeInterpolated = 0;
}
