// Model-file readers and writers this build does not hold yet.
#include "io/log.h"
#include "io/modelfiles.h"

