// The boundary time series timei and its echo timei.out.
#include "io/log.h"
#include "io/modelfiles.h"

int ReadTimes() { notAvailable("the time-series reader (timei)"); }
