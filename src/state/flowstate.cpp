#include "state/flowstate.h"

void setFlowStateInitial() {
  GlobContinuity = GlobDefMax = 0.0;
  Glob_dmI = FlagFlushIter = FlagFlowParamChange = FlagPrint = GlobInnerIter = 0;
  RunErrorReported = 0;
}
