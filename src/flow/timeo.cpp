// The time-series log timeo.
#include "flow/stages.h"
#include "io/log.h"

void TimePrintFunction() { notAvailable("the time-series log timeo"); }
