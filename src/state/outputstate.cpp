#include "state/outputstate.h"

#include <cstring>

void setOutputStateInitial() {
  FlagHasOpenedInterres = 0;
  DuneCalls = 0;
  std::memset(DuneIndex1, 0, sizeof DuneIndex1);
  std::memset(DuneIndex2, 0, sizeof DuneIndex2);
  std::memset(DuneDiffVert, 0, sizeof DuneDiffVert);
  nodunesTot = 0;
  oldbraided = braid1 = braid2 = braid3 = 0.0;
  NoTracerStones = -1;
}
