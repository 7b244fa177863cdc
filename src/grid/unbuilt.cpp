// Grid generation this build does not hold yet.
#include "grid/fieldmap.h"
#include "grid/generate.h"
#include "io/log.h"


// Field mapping this build does not hold yet. Where nothing is to be carried
// or attached (a first grid, no discharge), the stubs do nothing.
#include "state/arrays.h"
#include "state/records.h"
#include "state/runstate.h"


void shorelineSteps() { notAvailable("the shoreline steps (F 102)"); }
