// Run state: counters, flags and status texts that no data set sets.
// Their initial values are assigned by setRunStateInitial() (kread calls it
// before the control file is read; tests call it to start afresh).
#pragma once

// Status texts for a front end; nothing in the engine reads them.
inline char mc_message[200];
inline char mc_program[200];
inline char mc_v1[200];

// Process and run control.
inline int FlagStart = 0;
inline int FlagInitialFinished = 0;
inline int FlagWhatsRunning = 0;      // 1 while W runs, 2 while S runs
inline int FlagThixoIsComputing = 0;
inline int FlagGridChange = 0;
inline int FlagMPIkoosurf = 0;        // an 'A' among the run letters

// Activity flags for a front end.
inline int gFlagInit = 0, gFlagRead = 0, gFlagWriteR = 0, gFlagFlow = 0, gFlagSedim = 0, gFlagComp = 0;
inline int gFlagWriteX = 0, gFlagMap = 0, gFlagContour = 0, gFlagLong = 0, gFlagVerifyProfile = 0,
           gFlagVerifyMap = 0, gFlagDischarge = 0, gFlagAnim = 0, gFlag3D = 0, gFlagColorMap = 0,
           gFlagVectorColorMap = 0;

// Thread work ranges: the cells and faces the current computation covers.
inline int WCStart = 0, WCEnd = 0, WFStart = 0, WFEnd = 0;

// Iteration and stage state.
inline int Iter = 0;
inline int FlagInitialized = 0, FlagInitializedInvAp = 0, FlagHaveDoneMetric = 0, FlagGridHasChanged = 0,
           FlagNeedsToBeInterpolated = 0;
inline int FlagErrorBreak = 0, FlagWantToPrint = 0;
inline int FlagReadRes = 0, FlagReadAlldata = 0, FlagReadFracres = 0, FlagReadUnstruc = 0, FlagDischargeTime = 0,
           FlagJTime = 0, FlagBechInt = 0, FlagInitPoros = 0, FlagHaveInitiatedCyclic = 0;
inline int FlagHaveReadCyclic = 0, FlagInspace = 0, InspaceTimeNo = 0, inflowj = 0, inflowk = 0;
inline int TimeInNo = 0, TimePrintNo = 0, NoAlldataPrintout = 0;
// Times at which the restart file is written, from the A records of `timei`
// (entries 0..NoAlldataPrintout-1, at most 100).
inline double AlldataPrintout[101];
// Mark of the control-file reader: a W 1 data set was accepted (set by W 1).
inline int W1Given = 0;

// Grid counts.
inline int NoCells = 0, NoSurfaces = 0, NoPoints = 0, NoBlocks = 0, NoBCells = 0, NoNestflater = 0, NoConnect = 0,
           NoConnFlate = 0;
inline int NoGeo = 0, FlushedNo = 0, NoCyclesDone = 0, NoNumSurfUpdate = 0, NoNumNoSurfUpdate = 0, NoDepthTimeo = 0,
           BedStatNo = 0, MorphInitiated = 0, MGSGrid = 0, graphN = 0;
inline int NoInterpol = -1, NoBaggerTimes = -1;
// Levels of the column multigrid hierarchy (AlgMGMake), the 3-D grid counting
// as level 1; 0 while none is built.
inline int NoMGlevels = 0;
// Set after the first sub-bed build: later builds keep the sliding-layer
// boundary of the one before.
inline int FlagFirstTimeThixo3 = 0, FlagFirstTimeThixo4 = 0;
// Set after the first groundwater call of the run (wlinit read or defaults).
inline int GroundwaterFirstCallDone = 0;
inline int FlagDSO1 = -1;
inline int BlockID = 1, RoughnessIter = 1, grainsize_number = 1, bnodem = 1, lnodem = 1;
inline int FlagAngleType = 0, FlagImplicitMPI = 0;
inline double GlobZRef = -1e20, maxBackwater = -1e20;
inline double GlobFluxDefect = 0, SurfVolDefect = 0, MaxDepth = 0, stimeWL1 = 0, stimeWL2 = 0, medianPressure1 = 0,
              medianPressure2 = 0, depthDepositIn = 0, depthDepositOut = 0, deltazscourG = 0, bechMeasAv = 0,
              AvDepthTimeo = 0, AvShearTimeo1 = 0, AvShearTimeo2 = 0, AvShearTimeo3 = 0, AvShearTimeo4 = 0;
inline double otimeWatersolve = 0, otimeSedimsolve = 0, otimeSlidesolve = 0, otimeSlideVertSolve = 0,
              otimeGridsolve = 0, otimeSurfsolve = 0;
inline int iPres2 = 0, jPres2 = 0;
// Reference pairs of the free surface: level (m) and pressure (Pa) at the
// reference column, and the second pair of the upstream end (GlobZRef2 0:
// none); the levels of the last reference update for the level shift (F 539);
// the backwater factors of a surface move (1 unless F 343 30 or F 477 ask).
inline double GlobPresRef = 0, GlobZRef2 = 0, GlobPresRef2 = 0, oldZvalDownstream = 0, oldZvalUpstream = 0,
              scaleBackwater = 1, scaleBackwater2 = 1;
// Residual limit of the level differences under F 427 5 (3 times the mean
// pressure-correction residual), set by each surface move.
inline double SurfResLimit5 = 0;
// The depth limit F 94 as a surface move found it at its start (the shallow
// sides of F 427 1 and 3 scale by it).
inline double SurfMinVertDist0 = 0;

inline double DischargeArray[30];   // current discharge per group, l/s
inline int NoErrorsTrekant[27];
inline int rute[10000];
inline double concBuffer[51];
inline double bechint[10000];
// Interpolation points of `interpol` (0..NoInterpol-1): position (m), time (s),
// 1 when a C record followed the point, 1 for a T record.
inline double xint[10000], yint[10000], timeint[10000];
inline int cint[10000], timeFlags[10000];
// Results at the interpolation points: the number of time levels summed in
// the averaged profiles (F 329 entry 10 = 19), the sum of |computed -
// measured| bed change of the last interres file, and the nearest top cell
// of each point in the last section file (0: none).
inline int NoQuorInterpols = 0;
inline double bechStanddev = 0;
inline int c_points[10000];

// Assigns every value above its initial value.
void setRunStateInitial();

// Simulated time (s) and wall-clock stamps of the stages.
inline double stimet = 0.0;
inline double otime[100];
// Counts of the three-dimensional grid before the appended two-dimensional
// block, and the largest nesting level of the blocks (grid generation).
inline int NoCells0 = 0, NoBlocks0 = 0, NoSurfaces0 = 0, NoConnect0 = 0, NoConnFlate0 = 0, nestlevmax = 0;
// Largest normalised residuals of the last iteration: u, v, w, continuity, k, epsilon (1..6).
inline double MaxResidual[7];

// Set by the initial flow state: residual scales per equation (1..6), the
// under-relaxation factors in use, the pressure-regression counter.
inline double NormResidual[7];
inline double relaxVelocity = 0.0, invRelaxVelocity = 0.0, relaxPressure = 0.0, relaxK = 0.0, relaxEpsilon = 0.0;
inline int RegIter = 0;
// Work range of the bed cells.
inline int WBStart = 0, WBEnd = 0;
// Equation whose coefficients are being assembled (1..3 velocities, 4 pressure
// correction, 5 k, 6 epsilon, 7 and above concentrations and components).
inline int Equation = 0;
// Stratification damping in force, (1 + TDbeta Ri)^TDalpha: the flow drivers
// set them before each equation from F 82 (velocities or turbulence pair).
inline double TDbeta = 0.0, TDalpha = 0.0;
// Von Karman constant of the wall laws; every wall-law entry sets it.
inline double Xkappa = 0.4;
// Per block 1 when it is nested one level deep (F 126 above 0).
inline int blocknested[100];
