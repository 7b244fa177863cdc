// The flow drivers and the other top-level flow computations.
#pragma once

void WaterSolve();
void WaterSolveNew();
void WaterSolveFast();
void WaterSolveHydrostatic();
void WaterSolve2D();
void MGSsolver();
void Components();
int shallowWater();

// Time step of the slide time loop (F 336 1): the first one seen, a tenth of
// it while the work range lies beyond block 1.
void computeChangeTimestep();
// Start pressure from the water levels of block 1 (F 540).
void initiatePressure();
