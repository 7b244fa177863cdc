// Momentum equations of the modular flow driver: what u, v and w share (eddy
// viscosity, face fluxes, coefficients), then each component assembled,
// relaxed, measured and solved. Every momentum source comes from
// VelocitySources on the main thread between the two assembly loops, so the
// chunked form adds the same terms as the serial one.
#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

#include "flow/cellequations.h"
#include "flow/control.h"
#include "flow/equationdrivers.h"
#include "flow/stages.h"
#include "flow/trekant.h"
#include "state/log.h"
#include "physics/physics.h"
#include "solvers/pressource.h"
#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

inline bool cellOk(int c) { return c >= 1 && c <= NoCells; }

double* velocity(int eq) { return eq == 1 ? Cxvel : eq == 2 ? Cyvel : Czvel; }
double* velocityOld(int eq) { return eq == 1 ? Cxvel_old : eq == 2 ? Cyvel_old : Czvel_old; }
double* velocityOld2(int eq) { return eq == 1 ? Cxvel_old2 : eq == 2 ? Cyvel_old2 : Czvel_old2; }

bool secondNeighbours() { return Caee && Caww && Cann && Cass && Catt && Cabb; }

// Per-chunk residual sums and first bad cells, kept between calls: they grow
// with F 206 and are not allocated per iteration.
std::vector<double> chunkSums;
std::vector<int> chunkBadCell;

void prepareChunkRecords(int P) {
  if (static_cast<int>(chunkSums.size()) < P) {
    chunkSums.resize(P);
    chunkBadCell.resize(P);
  }
  std::fill(chunkSums.begin(), chunkSums.begin() + P, 0.0);
  std::fill(chunkBadCell.begin(), chunkBadCell.begin() + P, INT_MAX);
}

void sharedCells(int lo, int hi, bool second) {
  GammaCalc(lo, hi);
  for (int c = lo; c <= hi; ++c) Cae[c] = Caw[c] = Can[c] = Cas[c] = Cat[c] = Cab[c] = 0.0;
  if (second)
    for (int c = lo; c <= hi; ++c) Caee[c] = Caww[c] = Cann[c] = Cass[c] = Catt[c] = Cabb[c] = 0.0;
  if (ompbugtrap > 0) ompbugtrapFunction(lo, hi);
}

// Eddy viscosity, new face fluxes from the last 1/Ap, and the coefficients
// of u.
void sharedSetUp() {
  const bool parallel = NoProcessesSolver > 0 && FlagOpenMP[1] != 1;
  const bool second = sou[1] == 1 && secondNeighbours();
  if (!parallel) {
    sharedCells(WCStart, WCEnd, second);
  } else {
    forEachChunk([second](int p) {
      int lo, hi;
      cellChunk(p, lo, hi);
      if (lo <= hi) sharedCells(lo, hi, second);
    });
  }
  if (FlagInitializedInvAp == 1) waterflowStage(parallel);
  if (FlagCorrTrekant >= 8 && FlagCorrTrekant <= 23) TrekantFluxCorr(WCStart, WCEnd);
  // The second-order loop adds to coefficients that two faces share: it runs
  // over all faces at once.
  if (sou[1] == 1)
    coeff_make_sou2(WFStart, WFEnd);
  else
    coeffMakeStage(parallel);
  stamp(3);
  if (ompbugtrap == 1) computeOmpbugtrap();
}

// F 327: the columns whose bottom cell is thin against its plan size share
// the mean of their 1/Ap.
void smoothInvApColumns() {
  for (int c0 = WCStart; c0 <= WCEnd; ++c0) {
    const int f = Cflateb[c0];
    if (Ccellb[c0] != 0 || f < 1 || f > NoSurfaces || !(Faz[f] > 0.0)) continue;
    if (!(Ckdist[c0] / std::sqrt(Faz[f]) < 0.01)) continue;
    double sum = 0.0;
    int n = 0;
    for (int c = c0, guard = 0; cellOk(c) && guard <= NoCells; c = Ccellt[c], ++guard) sum += CinvAp[c], ++n;
    for (int c = c0, guard = 0; cellOk(c) && guard <= NoCells; c = Ccellt[c], ++guard) CinvAp[c] = sum / n;
  }
}

// Cap and Csource cleared, wall laws and the pressure force; in the serial
// form a thixotropic layer takes the pressure force block by block.
void wallAndPressureTerms(bool parallel) {
  if (parallel) {
    forEachChunk([](int p) {
      int lo, hi;
      cellChunk(p, lo, hi);
      if (lo > hi) return;
      for (int c = lo; c <= hi; ++c) Cap[c] = Csource[c] = 0.0;
      wall_laws(lo, hi);
      pressure_source(lo, hi);
    });
    return;
  }
  for (int c = WCStart; c <= WCEnd; ++c) Cap[c] = Csource[c] = 0.0;
  wall_laws(WCStart, WCEnd);
  if (FlagThixo == 0) {
    pressure_source(WCStart, WCEnd);
    return;
  }
  const int saved = FlagPresGrad;
  for (int b = 1; b <= 2 && b <= NoBlocks; ++b) {
    FlagPresGrad = b == 1 ? 5 : 6;
    const int first = std::max(block[b].firstCell, 1), last = std::min(block[b].lastCell, NoCells);
    if (first <= last) pressure_source(first, last);
  }
  FlagPresGrad = saved;
}

// Assembles, relaxes and measures the equation of component eq.
void assemble(int eq) {
  const bool parallel = NoProcessesSolver > 0 && FlagOpenMP[2] == 0;
  const int P = parallel ? NoProcessesSolver : 1;
  wallAndPressureTerms(parallel);
  VelocitySources();
  if (parallel) stamp(6);
  double* phi = velocity(eq);
  Cf = phi;

  const bool transient = TimeStep > 1e-8;
  const bool lateTime = transient && !parallel && TimeRelaxFlag != 0;
  const bool earlyTime = transient && !lateTime;
  const bool second = sou[eq] == 1 && secondNeighbours();
  const bool quasi = !parallel && QNFlag > 0;
  const double rv = relaxVelocity, irv = invRelaxVelocity;
  prepareChunkRecords(P);

  auto cells = [&](int s, int p, int lo, int hi) {
    switch (s) {
      case 0:
        if (earlyTime) addTimestepCells(lo, hi);
        break;
      case 1:
        if (FlagSIMPLE == 1 && eq == 1 && CinvApP)
          for (int c = lo; c <= hi; ++c) CinvApP[c] = rv / Cap[c];
        for (int c = lo; c <= hi; ++c) {
          Cap[c] += Cae[c] + Caw[c] + Can[c] + Cas[c] + Cat[c] + Cab[c];
          if (second) Cap[c] += Caee[c] + Caww[c] + Cann[c] + Cass[c] + Catt[c] + Cabb[c];
          if (quasi) Cap[c] += (second ? 2.0 : 1.0) * quasiNeighbourSum(c);
        }
        break;
      case 2:
        for (int c = lo; c <= hi; ++c) {
          Cap[c] *= irv;
          Csource[c] += (1.0 - rv) * phi[c] * Cap[c];
        }
        if (lateTime) addTimestepCells(lo, hi);
        break;
      case 3:
        if (eq == 1) storeInverseAp(lo, hi, chunkBadCell[p]);
        break;
      case 4:
        chunkResidual(eq, parallel, lo, hi, chunkSums[p]);
        break;
      default:
        break;
    }
  };
  auto whole = [&](int s) {
    if (s == 0 && earlyTime) sideDamping();
    if (s == 1 && FlagAddApTrekant > 0) addAp(WCStart, WCEnd);
    if (s == 2 && lateTime) sideDamping();
    // After every chunk has its 1/Ap: a column may reach into other chunks.
    if (s == 3 && eq == 1 && parallel && FlagInvApSmooth == 1) smoothInvApColumns();
  };
  runPhases(parallel, 5, cells, whole);

  // Errors found in the chunks are reported here, on the main thread.
  if (eq == 1) {
    const int bad = *std::min_element(chunkBadCell.begin(), chunkBadCell.begin() + P);
    if (bad != INT_MAX) printErrorAp(bad);
  }
  if (parallel) {
    residualNCheck();
    double S = 0.0;
    for (int p = 0; p < P; ++p) S += chunkSums[p];
    MaxResidual[eq] = S;
  }
}

// K 5: 1 block correction in every inner iteration, 2 in the first, 3 in the
// first of the first outer iteration; 10, 11, 12 the multigrid correction
// likewise (with F 168).
void accelerate(int eq, int InnerIter) {
  const int b = blockcorr[eq];
  const bool first = InnerIter == 1, veryFirst = first && Iter == 1;
  if (b == 1 || (b == 2 && first) || (b == 3 && veryFirst)) BlockCorrection();
  if (Flag2DAccSolver > 0 && (b == 10 || (b == 11 && first) || (b == 12 && veryFirst))) AlgMGSolve();
}

}  // namespace

// The quasi-neighbour coefficients of cell c (F 137), side by side e, w, n, s.
double quasiNeighbourSum(int c) {
  double s = 0.0;
  auto side = [&s, c](int* count, double** a) {
    if (!count || !a || !a[c]) return;
    for (int k = 0; k < count[c]; ++k) s += a[c][k];
  };
  side(Cncelle, Cqnae);
  side(Cncellw, Cqnaw);
  side(Cncelln, Cqnan);
  side(Cncells, Cqnas);
  return s;
}

void SimpleVelocities(int InnerIter) {
  Equation = 1;
  if (NoProcessesSolver > 0) computeChunkSizes();
  if (TurbDensFlag > 0) {
    TDalpha = TurbDensAlphaU;
    TDbeta = TurbDensBetaU;
  }
  sharedSetUp();

  const int lastEq = Seiche4 > 0 ? 2 : 3;
  for (int eq = 1; eq <= lastEq; ++eq) {
    Equation = eq;
    Cf = velocity(eq);
    Cf_old = velocityOld(eq);
    if (FlagTimeOrder > 0) Cf_old2 = velocityOld2(eq);
    if (eq > 1 && sou[eq] != sou[eq - 1])
      coeffMakeStage(NoProcessesSolver > 0 && FlagOpenMP[1] != 1 && sou[eq] != 1);
    stamp(4);
    assemble(eq);
    if (FlagCoupledNesting >= 11 && FlagCoupledNesting <= 19) CoupledSolver2Nesting();
    stamp(7);
    FlagInitializedInvAp = 1;
    if (Iter == StopIter + 1 && PrintDebugBoogie != 0 && InnerIter <= 2) printDebug(InnerIter);
    accelerate(eq, InnerIter);
    stamp(8);
    solver();
    dampWithPreviousStep(eq);
    if (FlagCoupledNesting >= 1 && FlagCoupledNesting <= 9) CoupledSolverNesting();
  }
}
