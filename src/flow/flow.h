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
