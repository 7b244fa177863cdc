// The lines the sediment time loop adds to its statistics files in a step:
// `scour` and `inconc.res` with the continuity report, `bootime` every step
// with debugging H. Each file is opened for appending, written and closed.
#pragma once

// F 514: "Iter, time, scour depth"; debugging D with an inspace A record:
// the time and the inflow mass of every size.
void reportStatisticsLines();
// Debugging H: Iter, the inner iterations and grid counts, the six flow
// residuals and the suspended volume of every size.
void bootimeLine();

// Tracer stones of F 424 (no caller in a run): the first call reads `tracer`
// ("P x y diameter" per stone) and starts `traceres`; every call moves each
// stone along the near-bed velocity and appends the time and the positions.
void tracer();
// Moves stone s one time step with the bed-load speed of its column and
// finds the column it has reached among the eight around it.
void computeStoneVelocity(int s);
