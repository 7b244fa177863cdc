// End-of-iteration control: iteration log, convergence, flush, divergence.
#include "flow/control.h"
#include "io/log.h"

int printEndWaterSolve(int) { notAvailable("the convergence control of the flow computation"); }
void flushFunction(int) { notAvailable("the flush of the flow computation"); }
void printAtCrash() { notAvailable("the crash report of the flow computation"); }
