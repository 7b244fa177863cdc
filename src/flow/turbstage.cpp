// Turbulence and component stages of the main flow driver: the transport
// equations of k (Equation 5) and epsilon (6) after the pressure correction,
// then the water-quality components (Equation 8 and up) in the new flow.
#include <algorithm>
#include <cmath>
#include <vector>

#include "flow/cellequations.h"
#include "flow/components.h"
#include "flow/control.h"
#include "flow/stages.h"
#include "grid/fieldmap.h"
#include "state/log.h"
#include "io/modelfiles.h"
#include "physics/physics.h"
#include "solvers/multigrid.h"
#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

bool secondNeighbours() { return Caee && Caww && Cann && Cass && Catt && Cabb; }

void clearCell(int lo, int hi, bool second) {
  for (int c = lo; c <= hi; ++c) {
    Cae[c] = Caw[c] = Can[c] = Cas[c] = Cat[c] = Cab[c] = 0.0;
    Cap[c] = Csource[c] = 0.0;
  }
  if (second)
    for (int c = lo; c <= hi; ++c) Caee[c] = Caww[c] = Cann[c] = Cass[c] = Catt[c] = Cabb[c] = 0.0;
}

}  // namespace

// The cell part of the coefficients: eddy viscosity, the production and
// dissipation terms (not for the models 2..7) and the wall laws.
void turbulenceCellTerms(int lo, int hi, bool second) {
  GammaCalc(lo, hi);
  clearCell(lo, hi, second);
  if (!(TurbulenceModel >= 2 && TurbulenceModel <= 7)) turbulence(lo, hi);
  wall_laws(lo, hi);
}

namespace {

// Coefficients of k or epsilon: cell chunks, then face chunks (k with the
// power-law maker in chunks, as the parallel route has it).
void turbulenceCoefficients(int eq, bool parallel) {
  const bool second = sou[eq] == 1 && secondNeighbours();
  if (!parallel) {
    turbulenceCellTerms(WCStart, WCEnd, second);
    if (eq == 5) Cidist[0] = Cjdist[0] = Fflux[0] = 0.0;
    coeff_make(WFStart, WFEnd);
    return;
  }
  forEachChunk([second](int p) {
    int lo, hi;
    cellChunk(p, lo, hi);
    if (lo <= hi) turbulenceCellTerms(lo, hi, second);
  });
  Cidist[0] = Cjdist[0] = Fflux[0] = 0.0;
  // With K 6 value 1 the second-order coefficients of k are built in face
  // chunks as well, so that the scheme does not depend on the thread count.
  if (eq == 6 || sou[5] == 1) {
    coeffMakeStage(true);
  } else if (!stageOnMainThread(0)) {
    forEachChunk([](int p) {
      int lo, hi;
      faceChunk(p, lo, hi);
      if (lo <= hi) coeff_make_pow(lo, hi);
    });
  } else {
    coeff_make_pow(WFStart, WFEnd);
  }
  // The power-law maker of the chunks leaves the quasi-neighbour lists
  // (F 137) as the last equation left them: k takes its own.
  if (QNFlag > 0 && !(eq == 6 || sou[5] == 1)) QNGridCoeff();
}

}  // namespace

// Boundary conditions and the terms that act on single cells, on the main
// thread.
void turbulenceSources(int eq, int boundaryStamp) {
  boundary();
  stamp(boundaryStamp);
  if (FlagDragDLL > 0) extra_source();
  if (NoNestflater > 0) nestsource();
  if (OneCellSource == 1)
    for (int c = WCStart; c <= WCEnd; ++c)
      if (Conecell[c] == 1) Cap[c] += 1000.0 * Cvol[c];
  if (Wind[0] > 1e-10) WindFunction(eq);
}

namespace {

// Transient term, neighbour sums and relaxation, then the residual into
// MaxResidual[eq]; in chunks when parallel. Epsilon keeps the values the wall
// laws fixed (Cap of 1e20 and more) out of the relaxation.
void finalise(int eq, bool parallel) {
  double* phi = eq == 5 ? Ckinen : Cepsilon;
  Cf = phi;
  const double r = eq == 5 ? relaxK : relaxEpsilon;
  const bool transient = TimeStep > 1e-8;
  const bool second = sou[eq] == 1 && secondNeighbours();
  const bool lists = QNFlag > 0;
  const int P = parallel ? NoProcessesSolver : 1;
  std::vector<double> sums(P, 0.0);
  auto cells = [&](int s, int p, int lo, int hi) {
    if (s == 0) {
      if (transient) addTimestepCells(lo, hi);
      return;
    }
    for (int c = lo; c <= hi; ++c) {
      Cap[c] += Cae[c] + Caw[c] + Can[c] + Cas[c] + Cat[c] + Cab[c];
      if (second) Cap[c] += Caee[c] + Caww[c] + Cann[c] + Cass[c] + Catt[c] + Cabb[c];
      if (lists) Cap[c] += quasiNeighbourSum(c, second);
    }
    for (int c = lo; c <= hi; ++c) {
      if (eq == 6 && !(Cap[c] < 1e20)) continue;
      Cap[c] /= r;
      Csource[c] += (1.0 - r) * phi[c] * Cap[c];
    }
    chunkResidual(eq, parallel, lo, hi, sums[p]);
  };
  auto whole = [&](int s) {
    if (s == 0 && transient) sideDamping();
  };
  runPhases(parallel, 2, cells, whole);
  if (eq == 5 && FlagCoupledNesting == 13) CoupledSolver2Nesting();
  if (parallel) {
    residualNCheck();
    double S = 0.0;
    for (double v : sums) S += v;
    MaxResidual[eq] = S;
  }
}

void accelerate(int eq, int i) {
  const int b = blockcorr[eq];
  if (b == 10 && Flag2DAccSolver > 0) AlgMGSolve();
  if (b == 1 || (b == 2 && i == 1) || (b == 3 && i == 1 && Iter == 1)) BlockCorrection();
}

void debugDump(int i) {
  if (Iter == StopIter + 1 && PrintDebugBoogie != 0 && i <= 2) printDebug(i);
}

}  // namespace

void turbulenceStage(int i) {
  // k.
  Equation = 5;
  Cf_old = Ckinen_old;
  if (FlagTimeOrder > 0) Cf_old2 = Ckinen_old;
  if (TurbDensFlag > 0) {
    TDalpha = TurbDensAlphaT;
    TDbeta = TurbDensBetaT;
  }
  stamp(18);
  Cxvel[0] = Cyvel[0] = Czvel[0] = 0.0;
  // The velocities stay as they are until epsilon has its coefficients.
  keepStrain();
  turbulenceCoefficients(5, !stageOnMainThread(5));
  stamp(19);
  turbulenceSources(5, 20);
  stamp(21);
  finalise(5, !stageOnMainThread(9));
  accelerate(5, i);
  stamp(22);
  solver();
  stamp(23);
  if (FlagCoupledNesting == 3) CoupledSolverNesting();
  debugDump(i);
  const bool parallel = NoProcessesSolver > 0;
  const double kMin = ArtMinKinen;
#pragma omp parallel for schedule(static) if (parallel)
  for (int c = WCStart; c <= WCEnd; ++c) Ckinen[c] = std::max(Ckinen[c], kMin);
  stamp(24);

  // Epsilon.
  Equation = 6;
  Cf = Cepsilon;
  Cf_old = Cepsilon_old;
  if (FlagTimeOrder > 0) Cf_old2 = Cepsilon_old;
  reuseStrain();
  turbulenceCoefficients(6, !stageOnMainThread(6));
  forgetStrain();
  turbulenceSources(6, -1);
  finalise(6, !stageOnMainThread(9));
  accelerate(6, i);
  if (FlagTDMA == 1)
    solverTDMA();
  else
    solver();
#pragma omp parallel for schedule(static) if (parallel)
  for (int c = WCStart; c <= WCEnd; ++c) Cepsilon[c] = std::max(Cepsilon[c], 1e-16);
  debugDump(i);
  if (FlagThixoIsComputing == 0) stamp(25);
}

void componentStage(int i) {
  // The components are carried over the whole grid; the caller's ranges are
  // put back afterwards.
  const int wcs = WCStart, wce = WCEnd, wfs = WFStart, wfe = WFEnd;
  WCStart = 1;
  WCEnd = NoCells;
  WFStart = 1;
  WFEnd = NoSurfaces;
  copyNestedFlowValues();
  Equation = 8;
  GammaCalc(1, NoCells);
  waterflow(WFStart, WFEnd);
  coeff_make(WFStart, WFEnd);
  // The coefficients were built with the scheme of equation 8; it serves
  // every component.
  const bool second = sou[8] == 1 && secondNeighbours();
  const bool transient = TimeStep > 1e-8;
  for (int m = 0; m < NoComponents; ++m) {
    for (int c = 1; c <= NoCells; ++c) Csource[c] = 0.0;
    componentDiagonal(1, NoCells, second);
    Equation = 8 + m;
    if (NoNestflater > 0) nestsource();
    CompSource();
    if (transient && Ccomp_old) {
      Cf_old = Ccomp_old[m];
      for (int c = 1; c <= NoCells; ++c) {
        const double a = 1000.0 * Cvol[c] / TimeStep;
        Cap[c] += a;
        Csource[c] += a * Ccomp_old[m][c];
      }
    }
    Cf = Ccomp[m];
    solver();
    solver();
  }
  if (FlagTSC == 0 && PrintComp != 0 && i == TransInnerIter && multipleOf(Iter, PrintComp)) writeConqRes();
  WCStart = wcs;
  WCEnd = wce;
  WFStart = wfs;
  WFEnd = wfe;
}

void copyNestedFlowValues() {
  if (NoNestflater > 0 && Cinterpolnest)
    for (int c = 1; c <= NoCells; ++c) {
      const int p = Cinterpolnest[c];
      if (p < 1 || p > NoCells) continue;
      Cxvel[c] = Cxvel[p];
      Cyvel[c] = Cyvel[p];
      Czvel[c] = Czvel[p];
      Ckinen[c] = Ckinen[p];
      Cepsilon[c] = Cepsilon[p];
      Cpres[c] = Cpres[p];
      Cgamma[c] = Cgamma[p];
    }
}
