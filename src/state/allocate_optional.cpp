// The array families that exist only under an option.
#include "state/arrays.h"
#include "state/options.h"

bool allocateOptionalArrays() { return true; }

void initialiseOptionalArrays() {}
