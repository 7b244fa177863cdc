// Run-control services this build does not hold yet.
#include "state/log.h"
#include "state/startup.h"

