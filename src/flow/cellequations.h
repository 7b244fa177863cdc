// The pieces every flow driver assembles its cell equations from: the face
// mass fluxes, the convection-diffusion coefficients, the transient term and
// the diagonal raise, the conditions of the discharge groups, and the chunks
// of the parallel stages. waterflow, boundary and momentumStage are declared
// with the other driver stages in flow/stages.h.
#pragma once

#include <omp.h>

#include <cmath>

#include "flow/stages.h"
#include "solvers/share.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"

// The interval rule of the flow drivers: x counts as a multiple of n when the
// remainder of x / n is below 0.001 in magnitude (never for n = 0).
inline bool multipleOf(double x, double n) { return std::fabs(std::fmod(x, n)) < 0.001; }

// ---- Face mass fluxes (kg/s, positive from Fcell1 to Fcell2) ----

// The face loop of waterflow for the faces first..last, with the per-face
// steps of F 203 4 and of the top faces (F 36 50, F 226 1). Writes only the
// faces of the range.
void waterflowFaces(int first, int last);
// The steps of waterflow that read or write faces of the whole grid: nested
// block faces closed, quasi-neighbour sides summed, the uneven block edge
// (F 348). Run once after every chunk's face loop.
void waterflowWhole();
// The own face of every cell with a quasi-neighbour list (F 137) takes the
// sum of the fluxes of the listed cells' faces toward it.
void sumQuasiNeighbourFluxes();
// Balances the flux across the uneven edge between blocks 1 and 2.
void correctFluxUneven();
// New fluxes of WFStart..WFEnd: one call, or the face chunks in one parallel
// region followed by the whole-grid steps.
void waterflowStage(bool parallel);

// ---- Convection-diffusion coefficients ----

// Diffusion multiplier of the equation in force (k-epsilon Prandtl numbers).
double diffusionFactor();
// Power-law coefficients of the faces first..last, then the whole-grid steps
// (Crank-Nicolson scaling, quasi-neighbour lists).
void coeff_make(int first, int last);
// The face loop of coeff_make alone, for one chunk.
void coeff_makeFaces(int first, int last);
// The whole-grid steps of coeff_make, once after all chunks.
void coeff_makeWhole();
// coeff_make over WFStart..WFEnd: one call, or the face chunks in one
// parallel region followed by the whole-grid steps.
void coeffMakeStage(bool parallel);
// Second-order upwind coefficients with the fixed weights 1.5 and 0.5 over
// the faces first..last (the velocity drivers with K 6 value 1 for u); each
// face writes only its two cells' coefficients on its own sides.
void coeff_make_sou2(int first, int last);
// Coefficients of the quasi-neighbour lists (F 137) of the cells
// WCStart..WCEnd and of the list cells toward them; the power-law or, with
// K 6 value 1 for the equation in force, the second-order pass.
void QNGridCoeff();
// The sum of the list coefficients of cell c (F 137), with their
// second-neighbour coefficients when `second`; 0 without lists.
double quasiNeighbourSum(int c, bool second);
// The central coefficient of p' before its options: the six neighbour
// coefficients of cell c and, with F 137, the list coefficients that stand
// for a listed side, so that a uniform p' balances every cell.
inline double pressureNeighbourSum(int c) {
  const double a = Cae[c] + Caw[c] + Can[c] + Cas[c] + Cat[c] + Cab[c];
  return QNFlag > 0 ? a + quasiNeighbourSum(c, false) : a;
}
// The makers of the parallel k stage and of grid sequencing.
void coeff_make_pow(int first, int last);
void coeff_MGS(int first, int last);
// Extra diffusion conductance (kg/s) of bed-form smoothing (F 176).
double coeff_bedform(int face, int c1, int c2);

// ---- Transient term and diagonal raise ----

// Time derivative (and pseudo-time terms) of the equation in force for
// first..last, then the side damping of block 1.
void addTimestep(int first, int last);
// The per-cell part of addTimestep, for one chunk.
void addTimestepCells(int first, int last);
// 1/Ap of first..last into CinvAp; a diagonal below 1e-30 or above 1e20 is
// left out and the lowest such cell is kept in firstBad (for the report).
void storeInverseAp(int first, int last, int& firstBad);
// Cells inside a nested block take the flow values of the cell they are
// interpolated from (Cinterpolnest), before the components are carried.
void copyNestedFlowValues();
// The side damping of block 1 (F 415), once per build of an equation.
void sideDamping();
// Raises the diagonal of cells with at most two lateral neighbours (F 382).
void addAp(int first, int last);

// ---- Discharge groups ----

// Discharge (kg/s, never negative) an outflow group must carry to balance
// the other groups and the last volume change of the surface.
double computeOutflow(int group);

// ---- Parallel stages ----

// True when a stage runs on the main thread: no chunks (F 206 0), or its
// G 50 switch (index 0..9) holds the value that asks for it.
bool stageOnMainThread(int g50Index);
// Wall-clock stamp k of the main flow driver (none in a slide computation).
void stamp(int k);

// Runs fn(p) for every chunk p = 0..P-1 of the F 206 chunks in one parallel
// region, each thread a contiguous block of chunks.
template <typename Fn>
void forEachChunk(Fn fn) {
  const int P = NoProcessesSolver;
#pragma omp parallel
  {
    int begin, end;
    staticShare(P, omp_get_num_threads(), omp_get_thread_num(), begin, end);
    for (int p = begin; p < end; ++p) fn(p);
  }
}

// Runs the cell phases 0..phases-1 of a stage: cells(s, p, lo, hi) on every
// chunk p, then whole(s) once, before any chunk starts phase s+1. On the main
// thread the whole range is one chunk.
template <typename Cells, typename Whole>
void runPhases(bool parallel, int phases, Cells cells, Whole whole) {
  if (!parallel) {
    for (int s = 0; s < phases; ++s) {
      cells(s, 0, WCStart, WCEnd);
      whole(s);
    }
    return;
  }
  const int P = NoProcessesSolver;
#pragma omp parallel
  {
    int begin, end;
    staticShare(P, omp_get_num_threads(), omp_get_thread_num(), begin, end);
    for (int s = 0; s < phases; ++s) {
      for (int p = begin; p < end; ++p) {
        int lo, hi;
        cellChunk(p, lo, hi);
        if (lo <= hi) cells(s, p, lo, hi);
      }
#pragma omp barrier
#pragma omp single
      whole(s);
    }
  }
}

// ---- Stages of the main driver ----

// Assembles and relaxes the equation of velocity component eq (1 u, 2 v,
// 3 w) from the coefficients of the coefficient stage, in chunks when
// parallel, and measures its residual into MaxResidual[eq]. The explicit
// predictor assembles without the pressure force, the diagonal raise, the
// doublings and the residual.
void assembleVelocityEquation(int eq, bool parallel, bool predictor);
// The continuity record of the last p' equation: GlobContinuity (sum of the
// mass defects of the work range), GlobDefMax and its cell Glob_dmI.
void recordContinuity();

// ---- Pieces the main and the modular flow drivers share ----

// Start of a time step: the previous (and with F 208 the second previous)
// velocities, k, epsilon and components of WCStart..WCEnd; stimet advances
// by one time step.
void copyPreviousTimeStep();
// One more outer iteration in the regression sums of the top-cell pressure of
// every column on the iteration counter (F 143), read by the surface update.
void addPressureRegression();
// Transient runs: the new values of velocity component eq blended with the
// previous time step in triangle cells (F 235 10) and in cells with a small
// bottom face (F 291 first value).
void dampWithPreviousStep(int eq);
// The storage of a moving surface in the p' equation (F 296, F 419), over
// the work range.
void storageTerms();
// The volume storage of single-layer cells at the end of a line of cells
// (F 104).
void endCorrection();
// Top cells of first..last with a cell below take the pressure of the linear
// profile from that cell to zero at the surface.
void linearTopCellPressure(int first, int last);
// Cells of a nested block take F 66 of the velocities of their parent cells.
void nestRelaxation();
// Eddy viscosity, cleared coefficients and sources (the six second
// neighbours too when `second`), the k or epsilon sources (not for the
// models 2..7) and the wall laws of the cells lo..hi.
void turbulenceCellTerms(int lo, int hi, bool second);
// The boundary conditions of k or epsilon, the wall-clock stamp
// boundaryStamp (none when negative), and the terms that act on single cells
// (vegetation, nesting, the one-cell term, the wind), on the main thread.
void turbulenceSources(int eq, int boundaryStamp);
// Second-order upwind coefficients of the faces first..last for the momentum
// equations (K 6 value 1 for u).
void coeff_make_sou2(int first, int last);
