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
