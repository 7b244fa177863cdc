// Grid generation this build does not hold yet.
#include "grid/fieldmap.h"
#include "grid/generate.h"
#include "io/log.h"


// Field mapping this build does not hold yet. Where nothing is to be carried
// or attached (a first grid, no discharge), the stubs do nothing.
#include "state/arrays.h"
#include "state/records.h"
#include "state/runstate.h"


int UnstrucThixo3(int) { notAvailable("the sub-bed block (F 236, F 262)"); }
void UnstrucThixo2(int) { notAvailable("the sub-bed block (F 236, F 262)"); }
