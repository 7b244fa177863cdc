// Turbulence equations of the modular flow driver (and of the hydrostatic and
// two-dimensional drivers): k (eq 5) or epsilon (eq 6) built by one routine,
// relaxed by the K 3 factor of the equation itself, measured, solved and held
// above its floor.
#include <algorithm>
#include <vector>

#include "flow/cellequations.h"
#include "flow/control.h"
#include "flow/equationdrivers.h"
#include "flow/stages.h"
#include "state/log.h"
#include "physics/physics.h"
#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"

namespace {

bool secondNeighbours() { return Caee && Caww && Cann && Cass && Catt && Cabb; }

std::vector<double> chunkSums;  // grows with F 206, kept between calls

// The K 3 factor of the equation, not the one a flush may have halved; a
// factor outside 0.01..2 becomes 0.01, as at the start of a computation, so
// that the diagonal is never divided by 0.
double relaxationOf(int eq) {
  const double r = relax[eq];
  return r > 0.01 && r < 2.0 ? r : 0.01;
}

void coefficients(int eq, bool parallel, bool second) {
  if (!parallel) {
    turbulenceCellTerms(WCStart, WCEnd, second);
    coeff_make(WFStart, WFEnd);
    return;
  }
  forEachChunk([second](int p) {
    int lo, hi;
    cellChunk(p, lo, hi);
    if (lo <= hi) turbulenceCellTerms(lo, hi, second);
  });
  // The second-order loop adds to coefficients that two faces share: it runs
  // over all faces at once.
  if (sou[eq] == 1)
    coeff_make(WFStart, WFEnd);
  else if (FlagOpenMP[0] != 0)
    coeff_make_pow(WFStart, WFEnd);
  else
    coeffMakeStage(true);
}

// Transient term, neighbour sums, relaxation of every cell and the residual
// MaxResidual[eq]; in chunks when parallel.
void finalise(int eq, bool second) {
  const bool parallel = NoProcessesSolver > 0 && FlagOpenMP[9] == 0;
  const int P = parallel ? NoProcessesSolver : 1;
  if (static_cast<int>(chunkSums.size()) < P) chunkSums.resize(P);
  std::fill(chunkSums.begin(), chunkSums.begin() + P, 0.0);
  double* phi = Cf;
  const double r = relaxationOf(eq);
  const bool transient = TimeStep > 1e-8;
  const bool quasi = !parallel && QNFlag > 0;
  auto cells = [&](int s, int p, int lo, int hi) {
    if (s == 0) {
      if (transient) addTimestepCells(lo, hi);
      return;
    }
    for (int c = lo; c <= hi; ++c) {
      Cap[c] += Cae[c] + Caw[c] + Can[c] + Cas[c] + Cat[c] + Cab[c];
      if (second) Cap[c] += Caee[c] + Caww[c] + Cann[c] + Cass[c] + Catt[c] + Cabb[c];
      if (quasi) Cap[c] += (second ? 2.0 : 1.0) * quasiNeighbourSum(c);
      Cap[c] /= r;
      Csource[c] += (1.0 - r) * phi[c] * Cap[c];
    }
    chunkResidual(eq, parallel, lo, hi, chunkSums[p]);
  };
  auto whole = [&](int s) {
    if (s == 0 && transient) sideDamping();
  };
  runPhases(parallel, 2, cells, whole);
  if (parallel) {
    residualNCheck();
    double S = 0.0;
    for (int p = 0; p < P; ++p) S += chunkSums[p];
    MaxResidual[eq] = S;
  }
}

}  // namespace

void SimpleTurbulence(int eq) {
  if (eq != 5 && eq != 6) return;
  const int o = eq == 5 ? 0 : 9;
  if (NoProcessesSolver > 0) computeChunkSizes();
  if (TurbDensFlag > 0) {
    TDalpha = TurbDensAlphaT;
    TDbeta = TurbDensBetaT;
  }
  Equation = eq;
  double* const field = eq == 5 ? Ckinen : Cepsilon;
  Cf_old = eq == 5 ? Ckinen_old : Cepsilon_old;
  // k and epsilon keep no second old level.
  if (FlagTimeOrder > 0) Cf_old2 = Cf_old;
  stamp(18 + o);

  // The no-neighbour dummies read by the coefficients.
  Cxvel[0] = Cyvel[0] = Czvel[0] = 0.0;
  Cidist[0] = Cjdist[0] = Fflux[0] = 0.0;
  const bool second = sou[eq] == 1 && secondNeighbours();
  coefficients(eq, NoProcessesSolver > 0 && FlagOpenMP[5] != 1, second);
  stamp(19 + o);
  turbulenceSources(eq, 20 + o);
  stamp(21 + o);

  Cf = field;
  finalise(eq, second);
  if (blockcorr[eq] == 10 && Flag2DAccSolver > 0) AlgMGSolve();
  stamp(22 + o);
  solver();
  stamp(23 + o);
  if (FlagCoupledNesting == 3) CoupledSolverNesting();
  if (eq == 5) {
    for (int c = WCStart; c <= WCEnd; ++c)
      if (!(Ckinen[c] >= ArtMinKinen)) Ckinen[c] = ArtMinKinen;  // a NaN too
  } else {
    // A zero or negative epsilon would give an infinite or negative eddy
    // viscosity: the floor of the main driver.
    for (int c = WCStart; c <= WCEnd; ++c) Cepsilon[c] = std::max(Cepsilon[c], 1e-16);
  }
  stamp(24 + o);
}
