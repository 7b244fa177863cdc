// Stages and services of the flow driver this build does not hold yet. Each
// ends the run with "not available in this build"; building one removes its line.
#include "flow/cellequations.h"
#include "flow/stages.h"
#include "io/log.h"

void surface_tfs(int, int) { notAvailable("the transient free-surface update (F 36 1, 11..19)"); }
