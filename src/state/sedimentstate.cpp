#include "state/sedimentstate.h"

#include <cstring>
#include <initializer_list>

void setSedimentStateInitial() {
  SumInflow = SumBedChangeLoc = SumBedChange = 0.0;
  std::memset(kIn, 0, sizeof kIn);
  indexl = 1;
  std::memset(StoreConc, 0, sizeof StoreConc);
  nosteps = stage = StoreConcCleared = 0;
  for (double* a : {kUt, kSuspo, kSusp, kLayer1, kLayer2, kBedmove, kDefectRatio, Bvollefttot, bedLimDef, suspDef,
                    deltaErrorA, deltaErrorB, deltaErrorC, deltaErrorD, deltaErrorE, deltaErrorF, totalsusp})
    std::memset(a, 0, sizeof kUt);
  for (int* a : {noErrorA, noErrorB, noErrorC, noErrorD, noErrorE, noErrorF}) std::memset(a, 0, sizeof noErrorA);
  SumOutflow = SuspVolChangeDef = BedMoveDefectSum = BedMoveDefectAbs = SumBedMoveDef = kLimDef = 0.0;
  AlldataPrintoutDone = 0;
  SurfacesBM = PrintMaxErrorSuspSed = 0.0;
  kSumfrac = kSumSolid = kSumBSed0 = kSumThick = 0.0;
  kSumfracBed = kSumfracLayer = 0;
}
