// The fast flow driver (F 170): u, v, w, k and epsilon as one block of five
// rows that share one coefficient set, one wall pass, one inflow pass and one
// five-row sweep per inner iteration; then the pressure correction, the
// water-quality components, the stop tests and the log lines, all written
// here. Runs on the main thread; the solvers it calls may use the threads.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "flow/cellequations.h"
#include "flow/components.h"
#include "flow/control.h"
#include "flow/fast.h"
#include "flow/flow.h"
#include "flow/stages.h"
#include "grid/fieldmap.h"
#include "state/log.h"
#include "io/modelfiles.h"
#include "physics/physics.h"
#include "solvers/corrections.h"
#include "solvers/pressource.h"
#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/flowstate.h"
#include "state/groups.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

constexpr int kRows = 5;

bool transient() { return TimeStep > 1e-8; }

double* cellField(int r) {
  switch (r) {
    case 0: return Cxvel;
    case 1: return Cyvel;
    case 2: return Czvel;
    case 3: return Ckinen;
    default: return Cepsilon;
  }
}
double* previousField(int r) {
  switch (r) {
    case 0: return Cxvel_old;
    case 1: return Cyvel_old;
    case 2: return Czvel_old;
    case 3: return Ckinen_old;
    default: return Cepsilon_old;
  }
}
double* residualField(int r) {
  switch (r) {
    case 0: return Cxvel_res;
    case 1: return Cyvel_res;
    case 2: return Czvel_res;
    case 3: return Ckinen_res;
    default: return Cepsilon_res;
  }
}
double relaxationOf(int r) { return r < 3 ? relaxVelocity : r == 3 ? relaxK : relaxEpsilon; }

bool secondNeighbours() { return sou[1] == 1 && Caee && Caww && Cann && Cass && Catt && Cabb; }

double neighbourSum(int c) { return Cae[c] + Caw[c] + Can[c] + Cas[c] + Cat[c] + Cab[c]; }
double secondSum(int c) { return Caee[c] + Caww[c] + Cann[c] + Cass[c] + Catt[c] + Cabb[c]; }

bool rowsReady() { return Cff && CinvApf && Csourcem && CsourcemRows >= kRows; }

bool printThisIteration() {
  const double it = Iter;
  return debugging == 'D' || debugging == 'E' || Iter <= 9 || Iter == iterGlobalMax ||
         (Iter < 100 && multipleOf(it, 10)) || multipleOf(it, PrintIterBoogie);
}

void wholeGrid() {
  WCStart = WFStart = 1;
  WCEnd = NoCells;
  WFEnd = NoSurfaces;
}

// The range of the momentum-turbulence stage: the whole grid, or with nested
// blocks up to the last ordinary block that is not nested at level 1.
void momentumRange() {
  if (MGSNo != 0) return;
  WCStart = WFStart = 1;
  if (NoNestflater > 0) {
    for (int b = 1; b <= NoBlocks && b < 100; ++b)
      if (block[b].kind == 0 && block[b].nestLevel != 1) {
        WCEnd = block[b].lastCell;
        WFEnd = block[b].lastSurface;
      }
  } else {
    WCEnd = NoCells;
    WFEnd = NoSurfaces;
  }
}

// The five rows of the cells of the range, built in one pass per cell:
// transient term, neighbour sums, relaxation and reciprocal.
void buildRows() {
  const bool twelve = secondNeighbours();
  const bool trans = transient() && Cxvel_old && Cyvel_old && Czvel_old && Ckinen_old && Cepsilon_old;
  const double* fld[kRows];
  const double* old[kRows];
  double alpha[kRows];
  for (int r = 0; r < kRows; ++r) {
    fld[r] = cellField(r);
    old[r] = previousField(r);
    alpha[r] = relaxationOf(r);
  }
  for (int c = WCStart; c <= WCEnd; ++c) {
    const double t = trans ? 1000.0 * Cvol[c] / TimeStep : 0.0;
    const double s = neighbourSum(c) + (twelve ? secondSum(c) : 0.0);
    for (int r = 0; r < kRows; ++r) {
      double ap = CinvApf[r][c] + t + s;
      double b = Csourcem[r][c] + (trans ? t * old[r][c] : 0.0);
      ap /= alpha[r];
      b += (1.0 - alpha[r]) * ap * fld[r][c];
      CinvApf[r][c] = 1.0 / ap;
      Csourcem[r][c] = b;
    }
    CinvAp[c] = CinvApf[0][c];
  }
}

// The pressure correction of one inner iteration; true when a surface step of
// F 36 6 ended the computation.
bool pressureCorrection(int i, double lastLargest) {
  const FlowDriverCalls& call = flowDriverCalls;
  Equation = 4;
  call.waterflow(WFStart, WFEnd);
  if (FlagTFS == 6 && lastLargest < 1e6 && FlagRoof == 1 && i == TransInnerIter &&
      (FlagTSC == 0 || (Iter != 0 && multipleOf(Iter, IterWaterUpdate)))) {
    call.surface();
    return true;
  }
  pressure_coeff();
  pressure_fluxes();
  if (NoNestflater > 0) nestsource();
  for (int c = WCStart; c <= WCEnd; ++c) {
    const double a = pressureNeighbourSum(c);
    Cap[c] = a < 1e-30 ? 1.0 : a;
  }
  if (FlagEndCorrect != 0) endCorrection();
  MaxResidual[4] = 0.0;
  residual(WCStart, WCEnd);
  for (int c = WCStart; c <= WCEnd; ++c) Cf[c] = Cfn[c] = 0.0;
  const int m = blockcorr[4];
  if (Flag2DAccSolver > 0 && (m == 10 || (m == 11 && i == 1) || (m == 12 && i == 1 && Iter == 1))) AlgMGSolve();
  if (m == 1 || (m == 2 && i == 1) || (m == 3 && i == 1 && Iter == 1)) BlockCorrection();
  solver();
  if (FlagFroudeHystat == 1) FroudeHystatFunction();
  SimpleCorrections(WFStart, WFEnd, WCStart, WCEnd);
  CorrSimpleCorrections(i);
  if (Seiche4 > 0) SeicheFunctions();
  if (NoNestflater > 0 && NestInterpolRelax > 1e-8) nestRelaxation();
  if (WCStart <= WCEnd)
    recordContinuity();
  else {
    GlobContinuity = GlobDefMax = 0.0;
    Glob_dmI = 1;
  }
  return false;
}

void componentPass(int i, double* entryCf, double* entryCfOld) {
  const FlowDriverCalls& call = flowDriverCalls;
  wholeGrid();
  copyNestedFlowValues();
  Equation = 8;
  GammaCalc(1, NoCells);
  call.waterflow(WFStart, WFEnd);
  coeff_make(WFStart, WFEnd);
  const bool trans = transient();
  for (int n = 0; n < NoComponents; ++n) {
    const int s = SouComp;
    for (int c = WCStart; c <= WCEnd; ++c) {
      Csource[c] = 0.0;
      Cap[c] = neighbourSum(c) + (s == 1 && Caee ? secondSum(c) : 0.0);
      if (QNFlag > 0) Cap[c] += quasiNeighbourSum(c, s == 1);
    }
    Equation = 8 + n;
    if (NoNestflater > 0) nestsource();
    CompSource();
    if (trans && Ccomp_old) {
      Cf_old = Ccomp_old[n];
      for (int c = WCStart; c <= WCEnd; ++c) {
        const double t = 1000.0 * Cvol[c] / TimeStep;
        Cap[c] += t;
        Csource[c] += t * Cf_old[c];
      }
    }
    Cf = Ccomp[n];
    solver();
    solver();
  }
  Cf = entryCf;
  Cf_old = entryCfOld;
  if (FlagTSC == 0 && PrintComp != 0 && i == TransInnerIter && multipleOf(Iter, PrintComp)) writeConqRes();
}

void specialLines() {
  switch (PrintSpecials) {
    case 1:
      if (NoComponents >= 2) {
        double s = 0.0;
        for (int c = WCStart; c <= WCEnd; ++c) s += Ccomp[1][c] * Cvol[c];
        logf("Amount: %e\n", s);
      }
      break;
    case 2:
      if (NoComponents >= 1) {
        double s = 0.0, v = 0.0;
        for (int c = WCStart; c <= WCEnd; ++c) {
          s += Ccomp[0][c] * Cvol[c];
          if (Ccellt[c] == 0) v += Cvol[c];
        }
        logf("Average surface conc.: %e\n", s / v);
      }
      break;
    case 3: {
      double su = 0.0, sv = 0.0;
      int n = 0;
      for (int c = WCStart; c <= WCEnd; ++c)
        if (Ccellt[c] == 0) {
          su += Cxvel[c];
          sv += Cyvel[c];
          ++n;
        }
      const double u = n ? su / n : 0.0, v = n ? sv / n : 0.0;
      logf("Average top velocity: %e\n", std::sqrt(u * u + v * v));
      break;
    }
    case 4:
      logf("Number of cells: %d, surfaces: %d, points: %d\n", NoCells, NoSurfaces, NoPoints);
      break;
    default:
      break;
  }
}

// The end of inner iteration i; true when the computation stops.
bool endOfInnerIteration(int i, double& largest, int& largestEq) {
  const FlowDriverCalls& call = flowDriverCalls;
  if (i == TransInnerIter &&
      ((PrintRes != 0 && multipleOf(Iter + 1, PrintRes)) || (PrintResAlways != 0 && Iter > PrintResAlways))) {
    setV1("Written from watersolve_fast");
    call.sprintflow();
  }
  // Residuals below 1e-90 are 0; a residual that is not a number makes the
  // largest one not a number.
  double m = 0.0;
  bool nan = false;
  for (int e = 1; e <= 6; ++e) {
    if (MaxResidual[e] < 1e-90) MaxResidual[e] = 0.0;
    if (std::isnan(MaxResidual[e])) {
      if (!nan) largestEq = e;
      nan = true;
    } else if (MaxResidual[e] > m) {
      m = MaxResidual[e];
      if (!nan) largestEq = e;
    }
  }
  largest = nan ? NAN : m;
  if (i == TransInnerIter && FlagPrint == 0) {
    logf("Iter: %d, Resid: %8.2e %8.2e %8.2e %8.2e %8.2e %8.2e\n", Iter, MaxResidual[1], MaxResidual[2],
         MaxResidual[3], MaxResidual[4], MaxResidual[5], MaxResidual[6]);
    const int d = Glob_dmI >= 0 && Glob_dmI <= NoCells ? Glob_dmI : 0;
    logf("Cont: %8.2e, DefMax: %8.2e, U,V,W(%d): %8.2e %8.2e %8.2e\n", GlobContinuity, GlobDefMax, Glob_dmI, Cxvel[d],
         Cyvel[d], Czvel[d]);
    specialLines();
  }
  char text[120];
  std::snprintf(text, sizeof text, "%d ResMax: %8.2e for eq: %d", Iter, largest, largestEq);
  setMessage(text);
  if (!nan && largest < 0.001 && TimeStep < 1e-8) {
    logf("Solution converged\n");
    setMessage("Solution converged  ");
    gFlagFlow = 0;
    call.sprintflow();
    return true;
  }
  if (nan || largest > MaxCrashDef) {
    logf("Solution diverged\n");
    setMessage("Solution diverged  ");
    FlagErrorBreak = 1;
    gFlagFlow = 0;
    return true;
  }
  if (FlagTFS == 0 && ContinuityFlag == 0 && std::fabs(GlobContinuity) / NormResidual[4] > 1e-6) {
    logf("Error in continuity\n");
    setMessage("Error in continuity  ");
    gFlagFlow = 0;
    FlagErrorBreak = 1;
    return true;
  }
  if (multipleOf(Iter, IterSurface) && iSurf > 0 && largest < ConvSurface && FlagTFS == 0 && FlagRoof == 1)
    call.surface();
  return false;
}

bool classicSurfaceMethod() {
  switch (FlagTFS) {
    case 2: case 3: case 4: case 5: case 7: case 8: case 9: case 10: case 21: case 30: return true;
    default: return false;
  }
}

}  // namespace

void boundaryFast() {
  if (!Cinout) return;
  for (int c = 0; c <= NoCells; ++c) Cinout[c] = 0;
  if (FlagDischargeTime < 0 || !rowsReady()) return;
  if (FlagDischargeTime > 0) currentDischarges();
  for (int g = 1; g <= 9; ++g) {
    const DischargeGroup& G = DischargeStruct[g];
    const int n = groupFaceCount(G);
    if (n == 0) continue;
    if (G.inflow == 0) {
      for (int e = 0; e < n; ++e)
        if (const int c = groupFaceCell(G.face[e])) Cinout[c] = -g;
      continue;
    }
    if (G.inflow != 1) continue;
    // The series value is already in kg/s; where it is negative the group's
    // own discharge stands in. Only an inflow feeds the rows.
    double Q = G.discharge;
    if (FlagDischargeTime > 0 && (G.surfno > 0 || g <= 2) && DischargeArray[g] >= 0.0) Q = DischargeArray[g];
    if (!(Q > 0.0)) continue;
    const double m = Q / (G.area + 1e-30);
    for (int e = 0; e < n; ++e) {
      const int f = G.face[e], c = groupFaceCell(f);
      if (!c) continue;
      const double A = Farea[f];
      for (int r = 0; r < kRows; ++r) CinvApf[r][c] += A * m;
      Cinout[c] = g;
      Csourcem[0][c] += Fvx[f] * Fin[f] * A * 0.001 * m * m;
      Csourcem[1][c] += Fvy[f] * Fin[f] * A * 0.001 * m * m;
      Csourcem[3][c] += G.kinen * m * A;
      Csourcem[4][c] += G.epsilon * m * A;
    }
  }
}

double residualFast() {
  for (int e = 1; e <= 6; ++e)
    if (NormResidual[e] < 1e-10) fatal(2, "Error, residual not set for equation no. %d\n", e);
  double S[kRows] = {0.0, 0.0, 0.0, 0.0, 0.0};
  if (rowsReady()) {
    const bool twelve = secondNeighbours();
    const bool store = FlagResidual == 1;
    double* res[kRows];
    for (int r = 0; r < kRows; ++r) res[r] = store ? residualField(r) : nullptr;
    for (int c = WCStart; c <= WCEnd; ++c) {
      const int e = Ccelle[c], w = Ccellw[c], n = Ccelln[c], s = Ccells[c], t = Ccellt[c], b = Ccellb[c];
      const int ee = twelve ? Ccelle[e] : 0, ww = twelve ? Ccellw[w] : 0, nn = twelve ? Ccelln[n] : 0,
                ss = twelve ? Ccells[s] : 0, tt = twelve ? Ccellt[t] : 0, bb = twelve ? Ccellb[b] : 0;
      for (int r = 0; r < kRows; ++r) {
        const double inv = CinvApf[r][c];
        if (!(inv > 1e-14)) continue;
        const double* f = Cff[r];
        double sum = Cae[c] * f[e] + Caw[c] * f[w] + Can[c] * f[n] + Cas[c] * f[s] + Cat[c] * f[t] + Cab[c] * f[b];
        if (twelve)
          sum += Caee[c] * f[ee] + Caww[c] * f[ww] + Cann[c] * f[nn] + Cass[c] * f[ss] + Catt[c] * f[tt] +
                 Cabb[c] * f[bb];
        const double d = (sum + Csourcem[r][c]) * inv - f[c];
        S[r] += std::fabs(d);
        if (res[r]) res[r][c] = d;
      }
    }
  }
  MaxResidual[1] = S[0] / NormResidual[1];
  MaxResidual[2] = S[1] / NormResidual[2];
  MaxResidual[3] = S[2] / NormResidual[3];
  MaxResidual[5] = S[3] / NormResidual[5];
  MaxResidual[6] = S[4] / NormResidual[6];
  return MaxResidual[6];
}

void WaterSolveFast() {
  const FlowDriverCalls& call = flowDriverCalls;
  double* const entryCf = Cf;
  double* const entryCfOld = Cf_old;

  // Set-up.
  call.metric();
  if (FlagRoughness > 0 && !Cbed) call.bedMake();
  call.startup();
  if (FlagInitialized == 0) call.waterflow(WFStart, WFEnd);
  FlagInitialized = 1;
  if (FlagTSC == 0) {
    if (FlagTFS >= 2 && FlagTFS <= 10 && NoBCells == 0) call.bedMake();
    if (TimePrintNo > 0) truncateTimeo();
  }
  const int N = MGSNo > 0 ? 300 : FlagTSC > 0 ? 1 : iterGlobalMax;
  if (FlagTSC == 0 && transient()) stimet = 0.0;
  if (Flag2DAccSolver > 0 && NoBlocks >= 1 && NoBlocks < 100 && block[NoBlocks].kind == 0) call.algMGMake();
  if (N < 1) {
    gFlagFlow = 0;
    return;
  }
  if (!rowsReady()) fatal(2, "Error: the five-row arrays of the fast flow driver (F 170) are missing\n");
  double lastLargest = 10000.0;
  int largestEq = 0;

  for (int o = 1; o <= N; ++o) {
    if (MGSNo == 0) {
      wholeGrid();
      if (FlagTSC == 0) Iter = o;
    }
    if (FlagTSC == 0) FlagPrint = printThisIteration() ? 0 : 1;
    if (transient()) copyPreviousTimeStep();
    if (FlagTSC == 0 && TimePrintNo > 0 && stimet >= TimePrint[0].time && (multipleOf(Iter, PrintIterTime) || Iter == 2))
      call.timePrintFunction();

    for (int i = 1; i <= TransInnerIter; ++i) {
      char text[64];
      std::snprintf(text, sizeof text, " VA-Dave fast %d          ", i);
      setProgram(text);
      momentumRange();
      if (FlagGridChange == 1) {
        FlagGridChange = 0;
        call.metric();
        call.startup();
        call.boundary();
        call.waterflow(WFStart, WFEnd);
      }
      // Momentum and turbulence rows.
      Equation = 1;
      GammaCalc(WCStart, WCEnd);
      coeff_make(WFStart, WFEnd);
      for (int r = 0; r < kRows; ++r) {
        const double* f = cellField(r);
        std::copy(f, f + NoCells + 1, Cff[r]);
        for (int c = WCStart; c <= WCEnd; ++c) CinvApf[r][c] = Csourcem[r][c] = 0.0;
      }
      turbulenceFast();
      // The constant-viscosity models have no k and epsilon equations, but
      // the velocities keep their wall friction.
      const bool noTurbulenceRows = TurbulenceModel >= 4 && TurbulenceModel <= 7;
      wallFast(!noTurbulenceRows);
      presSourceFast();
      boundaryFast();
      buildRows();
      residualFast();
      GaussFast(WCStart, WCEnd, sweeps[1]);
      for (int r = 0; r < kRows; ++r) std::copy(Cff[r], Cff[r] + NoCells + 1, cellField(r));
      for (int c = WCStart; c <= WCEnd; ++c) {
        Ckinen[c] = std::max(Ckinen[c], ArtMinKinen);
        Cepsilon[c] = std::max(Cepsilon[c], 1e-16);
      }

      // Pressure correction in the driver's own p' array.
      Cf = entryCf;
      Cf_old = entryCfOld;
      if (pressureCorrection(i, lastLargest)) {
        Cf = entryCf;
        Cf_old = entryCfOld;
        return;
      }
      if (NoComponents > 0) componentPass(i, entryCf, entryCfOld);
      Cf = entryCf;
      Cf_old = entryCfOld;

      double largest = 0.0;
      if (endOfInnerIteration(i, largest, largestEq)) return;
      lastLargest = largest;
      if (transient() && largest < TimeBreakLimit) break;
    }

    if (PresRegres > 0) addPressureRegression();
    if (classicSurfaceMethod() && lastLargest < 1e6 && FlagRoof == 1 &&
        (FlagTSC == 0 || (Iter != 0 && multipleOf(Iter, IterWaterUpdate))))
      call.surface();
  }
  gFlagFlow = 0;
}
