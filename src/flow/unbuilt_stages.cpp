// Stages and services of the flow driver this build does not hold yet. Each
// ends the run with "not available in this build"; building one removes its line.
#include "flow/stages.h"
#include "io/log.h"

void surface_tfs(int, int) { notAvailable("the transient free-surface update (F 36 1, 11..19)"); }
void surface_LS_update() { notAvailable("the level-set free-surface update (F 36 50)"); }
void ThixoDamp(int) { notAvailable("the thixotropic layer stability (F 289 0)"); }
void ThixoDamp1(int) { notAvailable("the thixotropic layer stability (F 289 1)"); }
void ThixoDamp2(int) { notAvailable("the thixotropic layer stability (F 289 2)"); }
void ThixoDamp3(int) { notAvailable("the thixotropic layer stability (F 289 3)"); }
void BlockCorrection() { notAvailable("the block correction (K 5 values 1..3)"); }
void surface_LS() { notAvailable("the level-set free-surface step (F 36 50)"); }
void coeff_make_source(int, int) { notAvailable("the higher-order convection schemes (K 6 values 10..19)"); }
