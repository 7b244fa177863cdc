// The stages of the main flow driver and the services of other subsystems it
// calls, reached through one table so that the frame can run with any of them
// replaced. The entries default to the functions declared here.
#pragma once

// ---- Stages of the flow solver ----

// Face mass fluxes of the faces first..last from the cell velocities.
void waterflow(int firstFace, int lastFace);
// Boundary conditions of the discharge groups for the equation in force.
void boundary();
// Explicit predictor with its pressure solve (F 171 2, 4, 5), inner iteration i.
void explicitPredictor(int i);
// Coefficient stage and the u, v, w equations, inner iteration i.
void momentumStage(int i);
// Pressure correction (F 171 0..3) with R the residual of the previous inner
// iteration; 1 when the flow computation must end at once (a surface step of
// F 36 6 has run), else 0.
int pressureStage(int i, double R);
// k and epsilon equations, inner iteration i.
void turbulenceStage(int i);
// Water-quality component equations, inner iteration i.
void componentStage(int i);
// Convergence, flush and divergence tests and the iteration log after inner
// iteration i; 1 when the computation ends now.
int printEndWaterSolve(int i);
// One line of the time-series log `timeo`.
void TimePrintFunction();
// Empties `timeo` at the start of a computation with print records; ends the
// run with status -3 when it cannot be created.
void truncateTimeo();
// Diagnostic dump of a triangle cell with a large continuity defect.
void printDebugTrekant(int cell, int i);

// Deferred-correction sources of the higher-order convection schemes (K 6
// values 10..19) over the faces first..last; for sediment the size
// grainsize_number.
void coeff_make_source(int first, int last);
// The limiter psi(r) of scheme 10..19 (0 for 18, for other values and where
// it is not a number).
double convectionLimiter(int scheme, double r);

// Block correction of the equation in force (K 5 values 1..3).
void BlockCorrection();
// Feedback of nested blocks to the coarser grid (F 261): the coarse values
// pulled towards their fine cells after the solve (1..9), or coupling terms
// in the coarse equations before it (11..19).
void CoupledSolverNesting();
void CoupledSolver2Nesting();
// Flux corrections of the cross-sections of the columns i1..i2 (F 360).
void fluxCorrFunction(int i1, int i2);
// Continuity correction of the velocities (F 413 2, 3).
void correctContinuity2();

// ---- Services of other subsystems that this build holds only as entries ----

// Free-surface moves: the classic update (regenerates the grid and sets
// FlagGridChange), the transient kinematic method of one block, the outer step
// of the level-set method.
void surface();
void surface_tfs(int copyFlag, int blockNo);
void surface_LS_update();
// The surface step of the level-set method inside the pressure stage (F 36 50).
void surface_LS();
// Pointer test of the cells of the work range ('A' debugging).
void gridTest();
// Coarse two-dimensional levels of the multigrid correction (F 168).
void AlgMGMake();
// Upper pressure limit of a divided run (F 316 8).
void limitPressureMPI();
// Stability-ratio variants of a thixotropic layer (F 289 0..3) on block b.
void ThixoDamp(int b);
void ThixoDamp1(int b);
void ThixoDamp2(int b);
void ThixoDamp3(int b);

// Work ranges of the run control (declared with it as well).
void computeWCStart();

// ---- The table the driver calls through ----

struct FlowDriverCalls {
  void (*metric)();
  void (*bedMake)();
  void (*startup)();
  void (*computeWCStart)();
  void (*setiPresjPres)();
  int (*sialloc)();
  void (*gridTest)();
  void (*modifyGrid)();
  void (*algMGMake)();
  void (*sprintflow)();
  void (*surface)();
  void (*surfaceTfs)(int, int);
  void (*surfaceLSUpdate)();
  void (*groundwater)();
  void (*computeSlideLocation)();
  void (*computeChangeTimestep)();
  void (*limitPressureMPI)();
  void (*thixoDamp[4])(int);  // by F 289: 0, 1, 2, 3
  void (*waterflow)(int, int);
  void (*boundary)();
  void (*explicitPredictor)(int);
  void (*momentumStage)(int);
  int (*pressureStage)(int, double);
  void (*turbulenceStage)(int);
  void (*componentStage)(int);
  int (*printEndWaterSolve)(int);
  void (*timePrintFunction)();
  void (*printDebugTrekant)(int, int);
};

// The calls of WaterSolve. Tests may replace entries (and put them back).
extern FlowDriverCalls flowDriverCalls;
// The entries as the engine has them.
FlowDriverCalls defaultFlowDriverCalls();
