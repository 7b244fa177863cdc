// The transient sediment computation of run letter S (morphology_tsc): its
// start-up with the bed layers of every column, the terms of the sediment
// equations that the loop assembles itself, and the table of the stages it
// calls, so that tests can run the loop with any stage replaced.
#pragma once

#include "sediment/fractions.h"
#include "sediment/sediment.h"

// ---- Start-up ----

// What the start-up hands to the time loop.
struct MorphologyRun {
  int passes = 1;          // work-block passes per step (largest G 25 value, at least 1)
  double thickness = 0.0;  // active-layer thickness (m)
  double volume0 = 0.0;    // water volume of the work range at the start (m3)
};

// The checks, files, log lines and bed layers before the first step; ends
// the process on input that cannot give a run.
void morphologyStartup(MorphologyRun& run);
// The layer stack of column (i, j) from its corner levels, the N data sets or
// the bed file that was read, checked against the grid (F 310).
void initialiseBedColumn(int i, int j, double a);
// F 310 2 with a bed file: the non-erodible level under each grid point from
// the stacks of the columns around it.
void matchNonErodibleLevel();
// kLayer1: the sediment of the bed layers at the start (kg).
void computeInitialBedMasses();

// ---- Terms of a time step ----

// The time term 1000 Cvol / TimeStep with the neighbour sums into the
// diagonal and the old concentration into the source, over the sediment
// range.
void sedimentTimeTerm();
// F 84 10, or F 78 1 with one size: the coefficients from bottom velocities
// turned by the transverse bed slope, the velocities restored afterwards.
void bedLoadDeflection();
// F 417 1: surface and bed terms of sizes that rise.
void plasticsTerms();
// The work ranges of the sediment step by F 188 (G 25 passes aside), on the
// current grid; the bed change runs it again after a regrid.
void sedimentRanges();
// Inflow, nesting and the bed-cell source and diagonal (Bsource, Bap).
void bedCellTerms();
// Concentrations above 1.5 x F 256 are reset to F 256, with a warning.
void concentrationCap();
// The discharges of the step and the sediment leaving by the outflow groups.
void dischargesAndOutflow();
// F 68 2 and F 255 outside the built options: the bed change into the
// corner sums Surfaces[1] alone, the grid unchanged. Advances the time by
// one step when advanceTime is set.
void cornerUpdateInPlace(bool advanceTime);

// ---- Stages ----

struct SedimentLoopCalls {
  void (*computeTimestep)();
  void (*computeDepthDeposit)();
  void (*computeDensityStat)(int, int);
  void (*computeSlideBlock)();
  int (*computeSlidemovement)();
  bool (*computeWorkBlocks)(int);
  void (*waterSolveNew)();
  void (*waterSolveFast)();
  void (*waterSolve)();
  void (*mgsSolver)();
  void (*waterSolveHydrostatic)();
  void (*waterSolve2D)();
  void (*computeBFroude)(int, int);
  void (*gammaCalc)(int, int);
  void (*correctContinuity)();
  void (*waterflow)(int, int);
  void (*coeffMake1)(int, int);
  void (*coeffMake2)(int, int);
  void (*coeffMake2m)(int, int);
  void (*coeffMake1H)(int, int);
  void (*coeffMakeBedvector)(int, int);
  void (*coeffMakeSource)(int, int);
  void (*computeBedLoadVector)();
  void (*computeBedLoadVector3)();
  void (*computeBedLoadVector4)();
  void (*bedloadVectorExplicitConc)();
  void (*inflowSediment)();
  void (*inflowSedimentM)(int);
  void (*makeAp)(int);
  void (*nestsource)();
  void (*concRijn)();
  void (*concEngelund)();
  void (*bagger)();
  void (*tsc1Single)();
  void (*tsc1Multiple)();
  void (*tsc2Single)();
  void (*tsc2Multiple)();
  void (*tsc2MultipleV2)();
  void (*tsc3Standard)();
  void (*smoothBedchange)();
  void (*computeSandSlide)();
  void (*fractions)(double);
  void (*fractions2)(double);
  void (*fractionsQN)(double);
  void (*fractions3)(double);
  void (*computeExplicitF78)();
  void (*scaleConcGridMove1)();
  void (*printProfiles)();
  void (*bedchange)();
  void (*bedchange2)();
  void (*bedchange3)();
  void (*bedchange4)(int);
  void (*bedchange5)();
  void (*scaleConcGridMove2)();
  void (*writeTransFiles)();
  void (*writeAllData)();
  void (*computeMorphStatistics)();
  void (*computeCohesion)();
  void (*timePrint)();
  void (*sprintflow)();
  void (*printParaview3d)(int);
  void (*writeBraided)();
  void (*writeDune)();
  void (*printFractions)();
  void (*makeBfractionsprint)();
  void (*makeQuorvel)();
  int (*writeConcRes)();  // 0 written, else not
};

// The stages of the sediment loop; they start as the real functions.
extern SedimentLoopCalls sedimentLoopCalls;
// Puts every stage back to the real function.
void resetSedimentLoopCalls();

// ---- Routines of later stages of the sediment road ----

void computeTimestep();
void correctContinuity();
void computeDensityStat(int first, int last);
void computeMorphStatistics();
void computeBedLoadVector();
void computeBedLoadVector3();
void computeBedLoadVector4();
void bedloadVectorExplicitConc();
void morphology_tsc_solver_tsc2_single();
void morphology_tsc_solver_tsc2_multiple();
void morphology_tsc_solver_tsc2_multiple_v2();
void morphology_tsc_solver_tsc3_standard();
void morphology3_fractions(double thickness);
void computeExplicitF78();
void computeCohesion();
void makeQuorvel();
