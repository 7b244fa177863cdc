// Model-file readers and writers this build does not hold yet.
#include "state/log.h"
#include "io/modelfiles.h"

