// Momentum stage of the main flow driver: the eddy viscosity and the
// convection-diffusion coefficients shared by u, v and w, then each velocity
// component assembled, relaxed and solved, on the whole work range or on cell
// chunks in parallel. Both ways add the same terms, so that the fields do not
// depend on the number of threads.
#include <omp.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

#include "flow/cellequations.h"
#include "flow/control.h"
#include "flow/trekant.h"
#include "grid/fieldmap.h"
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

// Bed-cell area over the vertical area of the bottom face: above 1.1 the
// bottom face is much smaller than its bed cell.
inline double bedRatio(int c) { return steepnessRatio(c); }

// Doubles the central coefficient of x and adds the matching source, which
// leaves a converged field as it is.
inline void doubleCell(int x, const double* phi) { doubleDiagonal(x, phi); }

bool secondNeighbours() { return Caee && Caww && Cann && Cass && Catt && Cabb; }

void clearCoefficients(int lo, int hi) {
  for (int c = lo; c <= hi; ++c) Cae[c] = Caw[c] = Can[c] = Cas[c] = Cat[c] = Cab[c] = 0.0;
  if (sou[1] == 1 && secondNeighbours())
    for (int c = lo; c <= hi; ++c) Caee[c] = Caww[c] = Cann[c] = Cass[c] = Catt[c] = Cabb[c] = 0.0;
}

// The coefficients of u: the fixed-weight second-order maker with K 6 value 1
// for u, else coeff_make.
void velocityCoefficients(bool parallel) {
  if (sou[1] != 1) {
    coeffMakeStage(parallel);
    return;
  }
  if (!parallel) {
    coeff_make_sou2(WFStart, WFEnd);
    return;
  }
  forEachChunk([](int p) {
    int lo, hi;
    faceChunk(p, lo, hi);
    if (lo <= hi) coeff_make_sou2(lo, hi);
  });
}

void coefficientStage(bool parallel) {
  Equation = 1;
  stamp(2);
  if (!parallel) {
    GammaCalc(WCStart, WCEnd);
    clearCoefficients(WCStart, WCEnd);
    if (ompbugtrap > 0) ompbugtrapFunction(WCStart, WCEnd);
  } else {
    forEachChunk([](int p) {
      int lo, hi;
      cellChunk(p, lo, hi);
      if (lo > hi) return;
      GammaCalc(lo, hi);
      clearCoefficients(lo, hi);
      if (ompbugtrap > 0) ompbugtrapFunction(lo, hi);
    });
  }
  if (FlagInitializedInvAp == 1) waterflowStage(parallel);
  if (FlagCorrTrekant >= 8 && FlagCorrTrekant <= 23) TrekantFluxCorr(WCStart, WCEnd);
  if (FlagCorrTrekant4 > 0) TrekantFluxCorr4();
  velocityCoefficients(parallel);
  if (ompbugtrap > 0) computeOmpbugtrap();
  stamp(3);
}

// The terms that act on cells anywhere in the grid, added on the main thread.
// The explicit predictor takes gravity only from F 90 and has no turbidity
// current and no higher-order convection source.
void globalSources(int eq, bool predictor) {
  boundary();
  if (FlagDragDLL > 0) extra_source();
  if (FlagDragDune == 1 && eq <= 3) computeDragDune();
  if (FlagGravity > 0 || (FlagGravityTerm > 0 && !predictor)) GravityFunction(eq, WCStart, WCEnd);
  if (NoNestflater > 0) nestsource();
  if (Wind[0] > 1e-10 && eq != 3) WindFunction(eq);
  if (TemperatureFlag == 1 && FlagThermocline == 0) DensityGradients(3);
  if (FlagThermocline == 1 && eq == 3) thermoclineBuoyancy();
  if (FlagCoriolis == 1) CoriolisFunction();
  if (predictor) return;
  if (SourDens > 0.001 && eq == 3) turbiditycurrentSource();
  if (sou[eq] > 9) coeff_make_source(WFStart, WFEnd);
}

}  // namespace

// Assembles, relaxes and measures the equation of component eq. The explicit
// predictor assembles without the pressure force, the diagonal raise, the
// doublings and the residual.
void assembleVelocityEquation(int eq, bool parallel, bool predictor) {
  const int P = parallel ? NoProcessesSolver : 1;
  const bool slide = FlagThixoIsComputing == 1;
  const int savedPresGrad = FlagPresGrad;
  if (slide) FlagPresGrad = 6;
  runPhases(
      parallel, 1,
      [predictor](int, int, int lo, int hi) {
        for (int c = lo; c <= hi; ++c) Cap[c] = Csource[c] = 0.0;
        wall_laws(lo, hi);
        if (!predictor) pressure_source(lo, hi);
      },
      [](int) {});
  FlagPresGrad = savedPresGrad;
  // The roughness-layer drag writes whole columns, which may reach into the
  // next chunk: it follows the region, on the main thread.
  if (FlagDrevan == 1 && eq <= 2 && !predictor) computeDrevan(WCStart, WCEnd);
  if (slide && FlagThixo != 0) wall_thixo();
  stamp(5);
  globalSources(eq, predictor);
  stamp(6);

  double* phi = velocity(eq);
  Cf = phi;
  const bool transient = TimeStep > 1e-8;
  const bool earlyTime = transient && TimeRelaxFlag == 0, lateTime = transient && TimeRelaxFlag != 0;
  const double rv = relaxVelocity, irv = invRelaxVelocity;
  const bool second = sou[eq] == 1 && secondNeighbours(), lists = QNFlag > 0;
  const bool coupling = FlagCoupledNesting >= 11 && FlagCoupledNesting <= 19 && !predictor;
  std::vector<double> sums(P, 0.0);
  std::vector<int> badCell(P, INT_MAX);

  auto cells = [&](int s, int p, int lo, int hi) {
    switch (s) {
      case 0:
        if (earlyTime) addTimestepCells(lo, hi);
        break;
      case 1:
        if (OneCellSource == 1)
          for (int c = lo; c <= hi; ++c)
            if (Conecell[c] == 1) Cap[c] += 1000.0 * Cvol[c];
        if (FlagSIMPLE == 1 && eq == 1 && CinvApP)
          for (int c = lo; c <= hi; ++c) CinvApP[c] = rv / Cap[c];
        for (int c = lo; c <= hi; ++c) Cap[c] += Cae[c] + Caw[c] + Can[c] + Cas[c] + Cat[c] + Cab[c];
        if (second)
          for (int c = lo; c <= hi; ++c) Cap[c] += Caee[c] + Caww[c] + Cann[c] + Cass[c] + Catt[c] + Cabb[c];
        if (lists)
          for (int c = lo; c <= hi; ++c) Cap[c] += quasiNeighbourSum(c, second);
        break;
      case 2:
        for (int c = lo; c <= hi; ++c) {
          Cap[c] *= irv;
          Csource[c] += (1.0 - rv) * phi[c] * Cap[c];
        }
        if (predictor) break;
        if (FlagCorrTrekant == 11)
          for (int c = lo; c <= hi; ++c)
            if (Ctrekant[c] > 0) doubleCell(c, phi);
        if (FlagDamp2 == 1 || FlagDamp2 == 2)
          for (int c = lo; c <= hi; ++c) {
            if (FlagDamp2 == 1 && (Ccellb[c] != 0 || Ccellt[c] != 0)) continue;
            if (bedRatio(c) > 1.1) doubleCell(c, phi);
          }
        break;
      case 3:
        if (lateTime) addTimestepCells(lo, hi);
        break;
      case 4:
        if (eq == 1) storeInverseAp(lo, hi, badCell[p]);
        break;
      case 5:
        if (predictor) break;
        chunkResidual(eq, parallel, lo, hi, sums[p]);
        break;
      default:
        break;
    }
  };
  auto whole = [&](int s) {
    if (s == 0 && earlyTime) sideDamping();
    if (s == 1 && FlagAddApTrekant > 0 && !predictor) addAp(WCStart, WCEnd);
    if (s == 2 && FlagDamp2 == 3 && !predictor) {
      // Each cell with a small bottom face and each of its lateral
      // neighbours; a neighbour shared by several such cells is doubled each
      // time.
      for (int c = WCStart; c <= WCEnd; ++c)
        if (bedRatio(c) > 1.1) {
          doubleCell(c, phi);
          for (int n : {Ccellw[c], Ccells[c], Ccelle[c], Ccelln[c]})
            if (cellOk(n)) doubleCell(n, phi);
        }
    }
    if (s == 3 && lateTime) sideDamping();
    // The serial route couples the nested blocks before 1/ap and the
    // residual are taken, the parallel route after its region.
    if (s == 3 && !parallel && coupling) CoupledSolver2Nesting();
    if (s == 4 && eq == 1 && FlagInvApSmooth == 1) {
      // Thin bottom cells: the column shares the mean of 1/ap.
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
  };
  runPhases(parallel, 6, cells, whole);

  // Errors found in the chunks are reported here, on the main thread.
  if (eq == 1) {
    const int bad = *std::min_element(badCell.begin(), badCell.end());
    if (bad != INT_MAX) printErrorAp(bad);
  }
  if (predictor) return;
  if (parallel) {
    residualNCheck();
    double S = 0.0;
    for (double v : sums) S += v;
    MaxResidual[eq] = S;
  }
  if (parallel && coupling) CoupledSolver2Nesting();
}

namespace {

void accelerate(int eq, int i) {
  const int b = blockcorr[eq];
  const bool mg = (b == 10 && Flag2DAccSolver > 0) || (b == 11 && Flag2DAccSolver > 0 && i == 1) ||
                  (b == 12 && Flag2DAccSolver > 0 && i == 1 && Iter == 1);
  const bool bc = b == 1 || (b == 2 && i == 1) || (b == 3 && i == 1 && Iter == 1);
  if (mg) AlgMGSolve();
  if (bc) BlockCorrection();
}

// After the solve: blending with the previous time step and the zero
// velocity at the bottom of a sliding layer.
void afterSolve(int eq) {
  double* phi = velocity(eq);
  dampWithPreviousStep(eq);
  if (FlagCoupledNesting >= 1 && FlagCoupledNesting <= 9) CoupledSolverNesting();
  if (FlagThixoIsComputing == 1)
    for (int c = WCStart; c <= WCEnd; ++c) {
      const int b = Cbed[c];
      if (b >= 1 && b < bedCellCapacity() && Bcellt[b] == c) phi[c] = 0.0;
    }
}

// Velocities of a sliding layer limited to a cell length per time step.
void limitSlideVelocities() {
  if (NoBlocks < 2 || !Bthixolev || !(TimeStep > 0.0)) return;
  const BlockRecord& b2 = block[2];
  for (int b = std::max(b2.firstBedCell, 1); b <= std::min(b2.lastBedCell, bedCellCapacity() - 1); ++b) {
    if (Bcellth[b] <= 0) continue;
    const int c0 = Bcellt[b];
    if (!cellOk(c0)) continue;
    int t = c0;
    for (int guard = 0; cellOk(Ccellt[t]) && guard <= NoCells; ++guard) t = Ccellt[t];
    const double L = std::min(Cidist[c0], Cjdist[c0]);
    const double H = std::max(Ckdist[t], Czcenter[t] + Ckdist[t] - Bthixolev[b]);
    const double vmax = std::min(L, H) / TimeStep;
    for (int c = c0, guard = 0; cellOk(c) && guard <= NoCells; c = Ccellt[c], ++guard) {
      Cxvel[c] = std::clamp(Cxvel[c], -vmax, vmax);
      Cyvel[c] = std::clamp(Cyvel[c], -vmax, vmax);
      Czvel[c] = std::clamp(Czvel[c], -vmax, vmax);
    }
  }
}

}  // namespace

// Transient runs: triangle cells (F 235 10) and cells with a small bottom
// face (F 291 first value) blended with the previous time step.
void dampWithPreviousStep(int eq) {
  double* phi = velocity(eq);
  const double* old = velocityOld(eq);
  if (!old) return;
  if (FlagCorrTrekant == 10 && Ctrekant)
    for (int c = WCStart; c <= WCEnd; ++c)
      if (Ctrekant[c] > 0) phi[c] = (1.0 - relaxTrekant1) * phi[c] + relaxTrekant1 * old[c];
  if (FlagDamp1 == 1 || FlagDamp1 == 2)
    for (int c = WCStart; c <= WCEnd; ++c) {
      if (!(bedRatio(c) > 1.1)) continue;
      if (FlagDamp1 == 1)
        phi[c] = 0.5 * phi[c] + 0.5 * old[c];
      else if (Ccellb[c] == 0 && Ccellt[c] == 0)
        phi[c] = 0.2 * phi[c] + 0.8 * old[c];
    }
}

void momentumStage(int i) {
  coefficientStage(!stageOnMainThread(1));
  const int lastEq = Seiche4 > 0 ? 2 : 3;
  for (int eq = 1; eq <= lastEq; ++eq) {
    Equation = eq;
    Cf = velocity(eq);
    Cf_old = velocityOld(eq);
    if (FlagTimeOrder > 0) Cf_old2 = velocityOld2(eq);
    if (eq > 1 && sou[eq] != sou[eq - 1]) coeffMakeStage(!stageOnMainThread(1) && sou[eq] != 1);
    stamp(4);
    assembleVelocityEquation(eq, !stageOnMainThread(2), false);
    stamp(7);
    FlagInitializedInvAp = 1;
    if (FlagCorrectContinuity == 2 && eq == 1) correctContinuity2();
    if (Iter == StopIter + 1 && PrintDebugBoogie != 0 && i <= 2) printDebug(i);
    accelerate(eq, i);
    stamp(8);
    solver();
    afterSolve(eq);
    stamp(9);
  }
  if (FlagThixoIsComputing == 1 && FlagSIMPLE != 4) limitSlideVelocities();
  if (FlagSIMPLE == 3 && CxvelP && CyvelP && CzvelP)
    for (int c = WCStart; c <= WCEnd; ++c) {
      CxvelP[c] = Cxvel[c];
      CyvelP[c] = Cyvel[c];
      CzvelP[c] = Czvel[c];
    }
}
