// Run state of the suspended-sediment computation: the mass bookkeeping of a
// time step and what the inflow keeps from one call to the next. Assigned
// their initial values by setSedimentStateInitial() (setRunStateInitial
// calls it).
#pragma once

// Sediment mass (kg) that entered through the inflow groups in the current
// time step: all sizes, and per size (entries 1..lnumber).
inline double SumInflow = 0.0;
inline double kIn[51];
// Sediment mass (kg) deposited in the current step: the bed cells of one
// work range, and the whole grid.
inline double SumBedChangeLoc = 0.0, SumBedChange = 0.0;
// Size whose equation the suspended-load solver is working on.
inline int indexl = 1;

// Averages of the outflow concentration over three fixed periods (F 537):
// one row per period, indexed by size; the steps summed in the current
// period and the period being summed (3 when all are done).
inline double StoreConc[3][51];
inline int nosteps = 0, stage = 0;
inline int StoreConcCleared = 0;  // the rows are zeroed in the first call of a run

// Balance of a sediment run per size (index 0 the total over the sizes), kg
// since the start of the run: left through the outflow groups, suspended at
// the start and now, in the bed layers at the start and their change since,
// the bed change (kg / density), the relative defect (F 448); left uneroded
// where the bed could not supply the demand.
inline double kUt[51], kSuspo[51], kSusp[51], kLayer1[51], kLayer2[51], kBedmove[51], kDefectRatio[51],
    Bvollefttot[51];
inline double bedLimDef[51], suspDef[51];
inline double deltaErrorA[51], deltaErrorB[51], deltaErrorC[51], deltaErrorD[51], deltaErrorE[51], deltaErrorF[51];
inline int noErrorA[51], noErrorB[51], noErrorC[51], noErrorD[51], noErrorE[51], noErrorF[51];
// Run totals of the continuity check (kg): outflow, the suspended change and
// the bed change that a grid move or the bed update left unplaced, the bed
// lost at outflow boundaries, erosion demanded below the non-erodible level.
inline double SumOutflow = 0.0, SuspVolChangeDef = 0.0, BedMoveDefectSum = 0.0, BedMoveDefectAbs = 0.0,
              SumBedMoveDef = 0.0, kLimDef = 0.0;
// Volume of the bed change accumulated at the grid corners (m3), for the
// continuity report; percent of the largest balance defect of the last
// report (written to timeo).
inline double SurfacesBM = 0.0, PrintMaxErrorSuspSed = 0.0;
// Checks of the multi-layer stacks after a step (F 37 3): the largest
// |1 - sum of a layer's fractions| with its bed cell and layer (the first
// one on ties), the mean solid fraction of the layers, the layer thickness
// per bed cell and the mean bed thickness above the fixed bed (m).
inline double kSumfrac = 0.0, kSumSolid = 0.0, kSumBSed0 = 0.0, kSumThick = 0.0;
inline int kSumfracBed = 0, kSumfracLayer = 0;
// Suspended volume of each size (m3) before the grid moves.
inline double totalsusp[51];
// All-data print-out times of the timei file already served; kept for the
// whole process.
inline int AlldataPrintoutDone = 0;

void setSedimentStateInitial();

// The classic sand slides with several sizes: the volume of each size moved
// in one corner move (entry 0 their sum), and the thickness to which the top
// layer of a receiving column is filled.
inline double AvalMove[51];
inline double TopThick = 0.0;
