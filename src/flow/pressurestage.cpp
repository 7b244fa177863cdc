// Pressure-correction stage of the main flow driver: the face fluxes of the
// new velocities, the equation of the pressure correction p' from their mass
// defects, its solve, and the corrections of fluxes, velocities and pressure;
// with the second pass of F 171 3 and the continuity record that the
// end-of-iteration control reads.
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "flow/cellequations.h"
#include "flow/control.h"
#include "flow/stages.h"
#include "grid/fieldmap.h"
#include "state/log.h"
#include "physics/physics.h"
#include "solvers/corrections.h"
#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/flowstate.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

inline bool cellOk(int c) { return c >= 1 && c <= NoCells; }
inline bool faceOk(int f) { return f >= 1 && f <= NoSurfaces; }
bool slideComputation() { return FlagThixoIsComputing == 1; }

// The last block is a sub-bed block whose first cell lies inside the work
// range.
bool subBedInRange() {
  return NoBlocks >= 1 && NoBlocks < 100 && block[NoBlocks].subBed > 0 && block[NoBlocks].firstCell < WCEnd;
}

int bottomOfColumn(int c) {
  for (int guard = 0; cellOk(Ccellb[c]) && guard < NoCells; ++guard) c = Ccellb[c];
  return c;
}

int cellsInColumn(int top) {
  int n = 0;
  for (int c = top; cellOk(c) && n <= NoCells; c = Ccellb[c]) ++n;
  return n;
}

// F 555: a wall on one side doubles the coefficient across the cell.
void wallDoubling(int c) {
  if (Cae[c] < 1e-15) Caw[c] *= 2.0;
  if (Caw[c] < 1e-15) Cae[c] *= 2.0;
  if (Cab[c] < 1e-15) Cat[c] *= 2.0;
  if (Cat[c] < 1e-15) Cab[c] *= 2.0;
}

// The central coefficient of one cell: the neighbour sum with its floors, the
// stabiliser of F 373 and the additions of F 316. `chunked` selects the floor
// of the parallel route (an isolated cell gets 1).
void centralCoefficient(int c, bool chunked) {
  if (FlagCorrApSimple == 1) wallDoubling(c);
  double ap = pressureNeighbourSum(c);
  if (chunked)
    ap = ap < 1e-30 ? 1.0 : std::max(ap, 1e-10);
  else
    ap = std::max(ap, 1e-10);
  Cap[c] = ap;
  if (FlagPresCorrStab == 1) {
    const double lo = 0.05 * Cap[c];
    if (Ccellw[c] != 0) Caw[c] = std::max(Caw[c], lo);
    if (Ccells[c] != 0) Cas[c] = std::max(Cas[c], lo);
    if (Ccelle[c] != 0) Cae[c] = std::max(Cae[c], lo);
    if (Ccelln[c] != 0) Can[c] = std::max(Can[c], lo);
    Cap[c] = std::max(pressureNeighbourSum(c), 1e-10);
  }
  switch (FlagPresMPIboundary) {
    case 4: Cap[c] += 1e-6; break;
    case 5: Cap[c] += 0.001; break;
    case 6: Cap[c] += 1.0; break;
    default: break;
  }
}

// F 184 4: single-layer corner cells take at least a tenth of the central
// coefficient of their two neighbours. In cell order, as later cells see the
// raised values of earlier ones.
void cornerCells() {
  for (int c = WCStart; c <= WCEnd; ++c) {
    if (Ccellt[c] != 0 || Ccellb[c] != 0) continue;
    const int e = Ccelle[c], w = Ccellw[c], n = Ccelln[c], s = Ccells[c];
    if (e == 0) {
      if (s == 0) Cap[c] = std::max({Cap[c], 0.1 * Cap[n], 0.1 * Cap[w]});
      if (n == 0) Cap[c] = std::max({Cap[c], 0.1 * Cap[w], 0.1 * Cap[s]});
    }
    if (w == 0) {
      if (s == 0) Cap[c] = std::max({Cap[c], 0.1 * Cap[e], 0.1 * Cap[n]});
      if (n == 0) Cap[c] = std::max({Cap[c], 0.1 * Cap[e], 0.1 * Cap[s]});
    }
  }
}

}  // namespace

// Storage of a moving surface in the p' equation (F 296, F 419).
void storageTerms() {
  const double dt = TimeStep, g = 9.81;
  switch (FlagTimeSIMPLE) {
    case 1:
      for (int c = WCStart; c <= WCEnd; ++c) Csource[c] *= 0.5;
      break;
    case 2:
    case 3: {
      if (FlagTFS == 1 || !Bdepth) break;
      const double extra = FlagTimeSIMPLE == 3 ? static_cast<double>(IterWaterUpdate) * TransInnerIter : 1.0;
      // Each cell takes the factor of its own column, from the column's
      // bottom face and depth.
      for (int c = WCStart; c <= WCEnd; ++c) {
        const int b = bottomOfColumn(c);
        const int f = Cflateb[b], bc = Cbed[b];
        if (!faceOk(f) || bc < 1 || bc >= bedCellCapacity() || !(Bdepth[bc] > 0.0)) continue;
        const double fac = extra * 2.0 * Faz[f] / (dt * 9810.0 * Bdepth[bc]);
        Cap[c] += fac * Ckdist[c];
      }
      break;
    }
    case 4:
      for (int c = WCStart; c <= WCEnd; ++c)
        if (Ccellt[c] == 0 && faceOk(Cflateb[c])) Cap[c] += Faz[Cflateb[c]] * 9.81 * 1000.0 / relax[4];
      break;
    default:
      break;
  }
  switch (FlagPresSurfDamp) {
    case 1:
      for (int c = WCStart; c <= WCEnd; ++c)
        if (faceOk(Cflatet[c])) Cap[c] += Farea[Cflatet[c]] / (dt * g);
      break;
    case 2:
      for (int c = WCStart; c <= WCEnd; ++c)
        if (Ccellt[c] == 0 && faceOk(Cflatet[c])) Cap[c] += Farea[Cflatet[c]] / (dt * g);
      break;
    case 3:
      for (int t = WCStart; t <= WCEnd; ++t) {
        if (Ccellt[t] != 0 || !faceOk(Cflatet[t])) continue;
        const double f = Farea[Cflatet[t]] / (cellsInColumn(t) * dt * g);
        for (int c = t, guard = 0; cellOk(c) && guard <= NoCells; c = Ccellb[c], ++guard) Cap[c] += f;
      }
      break;
    default:
      break;
  }
}

// F 104: cells at the end of a line of cells, single-layer, get a storage
// term of their volume.
void endCorrection() {
  for (int c = WCStart; c <= WCEnd; ++c) {
    if (Ccellt[c] != 0 || Ccellb[c] != 0) continue;
    const int lateral = (Ccelle[c] != 0) + (Ccells[c] != 0) + (Ccelln[c] != 0) + (Ccellw[c] != 0);
    if (lateral <= 1) Cap[c] += FlagEndCorrect * Cvol[c];
  }
}

namespace {

// The central coefficients, the conditions that act on them, the residual
// MaxResidual[4] and the start value p' = 0: in chunks, or over the whole
// range. Both routes apply the same options; steps that read or write cells
// of other chunks run between the chunk phases.
void centralStage(double* pc) {
  const bool chunked = NoProcessesSolver > 0 && FlagOpenMP[7] == 0;
  const int P = chunked ? NoProcessesSolver : 1;
  std::vector<double> sums(P, 0.0);
  auto cells = [&](int s, int p, int lo, int hi) {
    switch (s) {
      case 0:
        for (int c = lo; c <= hi; ++c) centralCoefficient(c, chunked);
        break;
      case 1:
        if (FlagGravity > 0) {
          presSurfFunction(lo, hi);
          // The cells of a sub-bed block get the condition of their own
          // surface; in chunks each chunk takes its share of the block.
          if (slideComputation() && subBedInRange()) {
            const int first = std::max(block[NoBlocks].firstCell, chunked ? lo : 1);
            const int last = std::min(std::min(block[NoBlocks].lastCell, NoCells), chunked ? hi : NoCells);
            if (first <= last) presSurfFunction(first, last);
          }
        }
        break;
      case 2:
        if (chunked) sums[p] = residualN(lo, hi);
        for (int c = lo; c <= hi; ++c) pc[c] = 0.0;
        break;
      default:
        break;
    }
  };
  auto whole = [&](int s) {
    if (s == 0 && FlagPCalg == 4) cornerCells();
    if (s == 1) {
      if (FlagTFS > 0) storageTerms();
      if (FlagEndCorrect != 0) endCorrection();
      if (!chunked) {
        MaxResidual[4] = 0.0;
        residual(WCStart, WCEnd);
      }
    }
  };
  runPhases(chunked, 3, cells, whole);
  if (chunked) {
    residualNCheck();
    double S = 0.0;
    for (double v : sums) S += v;
    MaxResidual[4] = S;
  }
}

// Acceleration of the p' equation by K 5 (pass A): the multigrid correction
// (also whenever group 1 carries more than F 541) and the block correction.
void accelerate(int i, bool dischargeTest) {
  const int b = blockcorr[4];
  if (!slideComputation() && Flag2DAccSolver > 0 &&
      (b == 10 || (b == 11 && i == 1) || (b == 12 && i == 1 && Iter == 1) ||
       (dischargeTest && DischargeArray[1] > dischargeSolverLimit)))
    AlgMGSolve();
  if (b == 1 || (b == 2 && i == 1) || (b == 3 && i == 1 && Iter == 1)) BlockCorrection();
}

// F 235 6: p' of triangle cells smoothed with its four lateral neighbours,
// in cell order (a neighbour smoothed before counts with its new value).
void smoothTriangleCells(double* pc) {
  pc[0] = 0.0;
  if (!Ctrekant) return;
  for (int c = 1; c <= NoCells; ++c)
    if (Ctrekant[c] != 0)
      pc[c] = 0.75 * pc[c] + 0.125 * (pc[Ccells[c]] + pc[Ccelln[c]] + pc[Ccelle[c]] + pc[Ccellw[c]]);
}

}  // namespace

// The top cell of a column takes the pressure of the linear profile from zero
// at its top face through the centre of the cell below.
void linearTopCellPressure(int first, int last) {
  for (int t = std::max(first, 1); t <= last && t <= NoCells; ++t) {
    const int b = Ccellb[t];
    if (Ccellt[t] != 0 || !cellOk(b)) continue;
    Cpres[t] = Cpres[b] * Ckdist[t] / (2.0 * Ckdist[t] + Ckdist[b]);
  }
}

// Cells of a nested block take part of the velocities of their parent cells.
void nestRelaxation() {
  if (!Cinterpolnest) return;
  const double r = NestInterpolRelax;
  for (int c = 1; c <= NoCells; ++c) {
    const int p = Cinterpolnest[c];
    if (!cellOk(p)) continue;
    Cxvel[c] = r * Cxvel[p] + (1.0 - r) * Cxvel[c];
    Cyvel[c] = r * Cyvel[p] + (1.0 - r) * Cyvel[c];
    Czvel[c] = r * Czvel[p] + (1.0 - r) * Czvel[c];
  }
}

namespace {

void swapInvAp() {
  if (CinvApP) std::swap(CinvAp, CinvApP);
}

// Second pass of F 171 3: the correction that pass A applied to the
// velocities is kept, and one more p' equation from the net outflow of each
// cell is solved and applied.
void secondPass(int i, double* pc) {
  if (!CxvelP || !CyvelP || !CzvelP) return;
  for (int c = WCStart; c <= WCEnd; ++c) {
    CxvelP[c] -= Cxvel[c];
    CyvelP[c] -= Cyvel[c];
    CzvelP[c] -= Czvel[c];
    Cpres[c] += relaxPressure * pc[c];
  }
  Equation = 1;
  coeff_make(WFStart, WFEnd);
  Equation = 4;
  for (int c = WCStart; c <= WCEnd; ++c) {
    Csource[c] = -(Fflux[Cflatee[c]] - Fflux[Cflatew[c]] + Fflux[Cflaten[c]] - Fflux[Cflates[c]] +
                   Fflux[Cflatet[c]] - Fflux[Cflateb[c]]);
    pc[c] = 0.0;
  }
  pressure_coeff();
  pressure_fluxes();
  accelerate(i, false);
  solver();
  SimpleCorrections(WFStart, WFEnd, WCStart, WCEnd);
  CorrSimpleCorrections(i);
  for (int c = WCStart; c <= WCEnd; ++c) Cpres[c] += relaxPressure * pc[c];
}

}  // namespace

void recordContinuity() {
  GlobContinuity = 0.0;
  GlobDefMax = 0.0;
  Glob_dmI = 1;
  for (int c = WCStart; c <= WCEnd; ++c) {
    GlobContinuity += Csource[c];
    const double d = std::fabs(Csource[c]);
    if (d > GlobDefMax) {
      GlobDefMax = d;
      Glob_dmI = c;
    }
  }
}

int pressureStage(int i, double R) {
  double* const pc = Cf;  // the driver hands over its own array as p'
  Equation = 4;
  Cf_old = pc;

  waterflowStage(!stageOnMainThread(3));
  if (FlagFluxCorr > 0 && NoBlocks >= 1) fluxCorrFunction(block[1].i1, block[1].i2);
  if (slideComputation()) {
    for (int c = WCStart; c <= WCEnd; ++c) {
      const int b = Cbed[c];
      if (b >= 1 && b < bedCellCapacity() && Bcellt[b] == c && faceOk(Cflatet[c])) Fflux[Cflatet[c]] = 0.0;
    }
  } else {
    stamp(10);
  }
  if (FlagTFS == 6 && R < 1e6 && FlagRoof == 1 && i == TransInnerIter && Iter != 0 &&
      (FlagTSC == 0 || multipleOf(Iter, IterWaterUpdate))) {
    flowDriverCalls.surface();
    return 1;
  }
  if (FlagSIMPLE == 1) swapInvAp();
  if (FlagTFS == 50 && R < 1e6 && FlagRoof == 1 && i == TransInnerIter) {
    pressure_fluxes();
    surface_LS();
  }
  pressure_coeff();
  pressure_fluxes();
  if (FlagCorrTrekant == 7 && Ctrekant)
    for (int c = 1; c <= NoCells; ++c)
      if (Ctrekant[c] != 0) Csource[c] *= 0.5;
  stamp(11);
  if (FlagSIMPLE == 1) swapInvAp();
  if (NoNestflater > 0) nestsource();
  stamp(12);

  centralStage(pc);
  accelerate(i, true);
  stamp(13);
  if (FlagStressTerm == 0) solver();
  stamp(14);
  if (FlagCorrTrekant == 6) smoothTriangleCells(pc);
  if (Iter == StopIter + 1 && PrintDebugBoogie != 0 && i <= 2) printDebug(i);
  if (FlagPresDebug >= 1 && FlagPresDebug <= 99) {
    printDebug2();
  } else if (FlagPresDebug == 0 && FlagGravity == 0 && NoCells >= 1) {
    // Pins the level of p': the last cell ends at -0.001.
    // The shift is taken before the loop: the last cell, the end of the
    // work range, is shifted by its own value like every cell before it.
    const double shift = pc[NoCells] + 0.001;
#pragma omp parallel for schedule(static) if (NoProcessesSolver > 0)
    for (int c = WCStart; c <= WCEnd; ++c) pc[c] -= shift;
  }
  if (FlagFroudeHystat == 1) FroudeHystatFunction();
  stamp(15);
  SimpleCorrectionsStage();
  CorrSimpleCorrections(i);
  stamp(16);
  if (Seiche4 > 0) SeicheFunctions();
  if (FlagTFS >= 13 && FlagTFS <= 19) linearTopCellPressure(WCStart, WCEnd);
  if (FlagPresFilter > 0) pressureFilter();
  if (subBedInRange() && NoBlocks >= 2) linearTopCellPressure(block[2].firstCell, block[2].lastCell);
  if (slideComputation() && FlagThixoDampVel > 0) ThixoVelDamp();
  if (FlagCorrectContinuity == 3) correctContinuity2();
  if (NoNestflater > 0 && NestInterpolRelax > 1e-8) nestRelaxation();
  recordContinuity();
  stamp(17);

  if (FlagSIMPLE == 3) secondPass(i, pc);
  return 0;
}
