// Turbulence (k, epsilon) and component stages of the main flow driver.
#include "flow/stages.h"
#include "io/log.h"

void turbulenceStage(int) { notAvailable("the k-epsilon stage of the flow computation"); }
void componentStage(int) { notAvailable("the component stage of the flow computation"); }
