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
// Grain volume (kg of water equivalent: m3 x 1000 x SolidFrac) per size that
// the two-layer fraction step moved into the bed in the current step, and
// the sediment mass (kg) of erosion cut at the non-movable bed.
inline double kBedmove[51];
inline double kLimDef = 0.0;
// Size whose equation the suspended-load solver is working on.
inline int indexl = 1;

// Averages of the outflow concentration over three fixed periods (F 537):
// one row per period, indexed by size; the steps summed in the current
// period and the period being summed (3 when all are done).
inline double StoreConc[3][51];
inline int nosteps = 0, stage = 0;
inline int StoreConcCleared = 0;  // the rows are zeroed in the first call of a run

void setSedimentStateInitial();
