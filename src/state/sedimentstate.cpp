#include "state/sedimentstate.h"

#include <cstring>

void setSedimentStateInitial() {
  SumInflow = SumBedChangeLoc = SumBedChange = 0.0;
  std::memset(kIn, 0, sizeof kIn);
  std::memset(kBedmove, 0, sizeof kBedmove);
  kLimDef = 0.0;
  indexl = 1;
  std::memset(StoreConc, 0, sizeof StoreConc);
  nosteps = stage = StoreConcCleared = 0;
}
