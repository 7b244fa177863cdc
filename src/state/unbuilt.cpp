// Run-control services this build does not hold yet.
#include "io/log.h"
#include "state/startup.h"

