// F data sets 300 to 399.
#include <algorithm>

#include "io/dataset.h"
#include "io/dataset_convert.h"
#include "state/log.h"
#include "state/options.h"

namespace {

void newWallCheck(DataSetRead& d) {
  if (FlagNewWall != 0 && FlagWallAll != 0) d.refuse();
}

// One entry of a table of reference grid lines (positions 1..98).
void readPresLine(DataSetRead& d, int* table) {
  int pos = 0, v = 0;
  int n = d.s.readInt(pos) ? 1 : 0;
  if (n == 1 && d.s.readInt(v)) ++n;
  if (n != 2 || pos < 1 || pos > 98 || v < 1) d.refuse();
  table[pos] = v;
}
void readPresUp(DataSetRead& d) { readPresLine(d, jPresUp); }
void readPresDown(DataSetRead& d) { readPresLine(d, jPresDown); }
void presUpDefault() { std::fill(std::begin(jPresUp), std::end(jPresUp), 0); }
void presDownDefault() { std::fill(std::begin(jPresDown), std::end(jPresDown), 0); }

// Result files to write: up to 20 integers 0..199; the first that does not
// convert or lies outside ends the list (an outside one is consumed).
void readPrintFlags(DataSetRead& d) {
  int count = 0;
  while (count < 20) {
    int v = 0;
    if (!d.s.readInt(v) || v < 0 || v > 199) break;
    PrintArrayFlags[count++] = v;
  }
  logf("Have read %d integers from the F 329 data set\n", count);
}
void printFlagsDefault() {
  std::fill(std::begin(PrintArrayFlags), std::end(PrintArrayFlags), 0);
  PrintArrayFlags[0] = PrintArrayFlags[1] = 1;
}

// Cohesion against depth: a count 1..99, then that many depth/cohesion pairs.
void readCohesiveTable(DataSetRead& d) {
  if (!d.s.readInt(NoCohesiveDepth) || NoCohesiveDepth < 1 || NoCohesiveDepth > 99)
    d.refuseWith(1, "Error for F 330 in control - first integer\n");
  for (int i = 0; i < NoCohesiveDepth; ++i) {
    int n = d.s.readDouble(cohesiveDepth[i]) ? 1 : 0;
    if (n == 1 && d.s.readDouble(cohesiveArr[i])) ++n;
    if (n != 2 || cohesiveArr[i] < 0 || cohesiveArr[i] > 1e8 || cohesiveDepth[i] < 0)
      d.refuseWith(1, "Error for F 330 in control, %d parameter\n", i);
  }
}
void cohesiveDefault() {
  std::fill(std::begin(cohesiveDepth), std::end(cohesiveDepth), 0.0);
  std::fill(std::begin(cohesiveArr), std::end(cohesiveArr), 0.0);
}

// Discharge of a group in one domain part; the row must lie in the table.
void readMPIDischarge(DataSetRead& d) {
  if (FlagMPI == 0)
    d.refuseWith(-1, "Error in control file. The F 337 data set can only be used\nwhen preceded by an F 308 (MPI) data set\n\n");
  int part = 0, group = 0;
  double q = 0.0;
  int n = d.s.readInt(part) ? 1 : 0;
  if (n == 1 && d.s.readInt(group)) ++n;
  if (n == 2 && d.s.readDouble(q)) ++n;
  if (n != 3) d.refuseWith(1, "Error for F 337 in control: have not read three numbers\n");
  if (group < 1 || group > 9) d.refuseWith(1, "Error for F 337 in control: 2nd integer not between 1 and 9\n");
  if (part < 0 || part > 99) d.refuseWith(1, "Error for F 337 in control: 1st integer not between 0 and 99\n");
  if (q < 0) d.refuseWith(1, "Error for F 337, group %d, block %d: discharge is too low\n", part, group);
  dischargesMPI[part][group] = q;
}
void dischargesMPIDefault() {
  for (auto& row : dischargesMPI) std::fill(std::begin(row), std::end(row), 0.0);
}

void casulliBlockCheck(DataSetRead& d) {
  if (BlockCasulli >= 3 && Flag2DAccSolver == 0)
    d.refuseWith(1, "Error for F 343 in control\nThis data set must only be used with the F 168 data set\n\n");
}

void timestepAccepted(DataSetRead& d) {
  if (minTimeStep > maxTimeStep) d.refuse();
  d.s.skipSpace();
  FlagComputeTimestep = 1;
}
void timestepDefault() { FlagComputeTimestep = 0; }

void pointIntervalCopy(DataSetRead&) { PointIntervalO = PointInterval; }
void pointIntervalDefault() { PointIntervalO = 1; }

void bedStatCheck(DataSetRead& d) {
  if (BedStatI1 > BedStatI2) d.refuse();
}

void geoScaleOn(DataSetRead&) { FlagGeoScale = 1; }
void geoScaleDefault() { FlagGeoScale = 0; }
void geoMaxMinOn(DataSetRead&) { FlagGeoMaxMin = 1; }
void geoMaxMinDefault() { FlagGeoMaxMin = 0; }
void braidedOn(DataSetRead&) { FlagBraidedIndex = 1; }
void braidedDefault() { FlagBraidedIndex = 0; }

// Dune profiles: a window of grid lines inside the block grid.
void duneWindowCheck(DataSetRead& d) {
  if (WriteDuneI2 < WriteDuneI1 || WriteDuneJ1 >= ynumber - 1 || WriteDuneDI < 1) d.refuse();
  if (WriteDuneJ1 <= 1) d.refuseWith(1, "Error for F370, 4th parameter must be larger than 1\n");
}

// Grid-split prevention; methods 8..11 take a Froude limit as well.
void readGridSplit(DataSetRead& d) {
  int n = d.s.readInt(FlagNoGridSplit) ? 1 : 0;
  if (n == 1 && d.s.readInt(gridSplitKant)) ++n;
  if (n == 2 && d.s.readInt(FlagGridsplitBedmove)) ++n;
  if (n != 3) d.refuseWith(1, "Error for F 371 in control: have not read 3 integers\n");
  if (FlagNoGridSplit < 8 || FlagNoGridSplit > 11) return;
  if (!d.s.readDouble(FroudeSplit) || FroudeSplit < 0.01 || FroudeSplit > 10)
    d.refuseWith(1, "Error for F 371 in control: Error for fourth parameter: FroudeSplit = %lf\n\n", FroudeSplit);
}

void iter2DMGCopy(DataSetRead&) { Iter2DMGori = Iter2DMG; }
void iter2DMGDefault() { Iter2DMGori = 1; }

void scourDepthOn(DataSetRead&) { FlagMinBedLev = 375; }
void bedFormula3(DataSetRead&) { FlagBedConcentration = 3; }

void flushLevelCheck(DataSetRead& d) {
  if (FlushWaterLevelMin > FlushWaterLevelMax) d.refuse();
  FlagFlushWaterLevel = 1;
}
void flushLevelDefault() { FlagFlushWaterLevel = 0; }

void allDataIntervalCheck(DataSetRead& d) {
  if (iterWriteAllData == 0) d.refuse();
}

}  // namespace

std::vector<DataSet> datasetsF300() {
  return {
      {.letter = 'F', .number = 301, .values = {D(MaxCrashDef, 1e10)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 301 in control\n"},
      {.letter = 'F', .number = 303, .values = {I(FlagFracVer0, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 303 in control\n"},
      {.letter = 'F', .number = 304, .values = {I(FlagBedVer, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 304 in control\n"},
      {.letter = 'F', .number = 305, .values = {I(FlagNewWall, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 305 in control\n", .after = newWallCheck},
      {.letter = 'F', .number = 306, .values = {I(FlagUseBedres, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 306 in control\n"},
      {.letter = 'F', .number = 308, .values = {I(FlagMPI, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 308 in control\n"},
      {.letter = 'F', .number = 309, .values = {I(FlagInterpolNew, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 309 in control\n"},
      {.letter = 'F', .number = 310, .values = {I(FlagFixBed, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 310 in control\n"},
      {.letter = 'F', .number = 311, .values = {I(FlagShallowWater, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 311 in control\n"},
      {.letter = 'F', .number = 312, .values = {I(FlagModEpsilon, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 312 in control\n"},
      {.letter = 'F', .number = 313, .values = {I(FlagKoordinaFix, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 313 in control\n"},
      {.letter = 'F', .number = 314, .values = {I(FlagGenerateUpFlux, 0), I(FlagGenerateDownFlux, 0)}, .bounds = {range(0, 0, 1000), range(1, 0, 10)}, .required = 2,
       .message = "Error for F 314 in control\n"},
      {.letter = 'F', .number = 315, .values = {I(FlagGridMPIboundary, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 315 in control\n"},
      {.letter = 'F', .number = 316, .values = {I(FlagPresMPIboundary, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 316 in control\n"},
      {.letter = 'F', .number = 317, .message = "Error for F 317 in control\n", .reader = readPresUp, .defaults = presUpDefault},
      {.letter = 'F', .number = 318, .message = "Error for F 318 in control\n", .reader = readPresDown, .defaults = presDownDefault},
      {.letter = 'F', .number = 319, .values = {I(FlagUnstrucMPI, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 319 in control\n"},
      {.letter = 'F', .number = 320, .values = {I(FlagZeroGradSedim, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 320 in control\n"},
      {.letter = 'F', .number = 322, .values = {I(FlagTimeSurf, 0), I(FlagMomentSurf, 0)}, .bounds = {atLeast(0, 0), atLeast(1, 0)}, .required = 2,
       .message = "Error for F 322 in control\n"},
      {.letter = 'F', .number = 323, .values = {I(FlagSurface2, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 323 in control\n"},
      {.letter = 'F', .number = 324, .values = {I(FlagNormStress, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 324 in control\n"},
      {.letter = 'F', .number = 325, .values = {I(FlagSlide, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 325 in control\n"},
      {.letter = 'F', .number = 326, .values = {D(TimeStepThixo, 1.0), I(IterThixo, 0)}, .bounds = {atLeast(0, 0), atLeast(1, 0)}, .required = 2,
       .message = "Error for F 326 in control\n"},
      {.letter = 'F', .number = 327, .values = {I(FlagInvApSmooth, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 327 in control\n"},
      {.letter = 'F', .number = 328, .values = {I(FlagWaterSolveNew, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 328 in control\n"},
      {.letter = 'F', .number = 329, .message = "Error for F 329 in control\n", .reader = readPrintFlags,
       .defaults = printFlagsDefault},
      {.letter = 'F', .number = 330, .values = {I(NoCohesiveDepth, 0)}, .message = "Error for F 330 in control\n",
       .reader = readCohesiveTable, .defaults = cohesiveDefault},
      {.letter = 'F', .number = 331, .values = {I(znumberThixo, 2)}, .bounds = {atLeast(0, 2)}, .required = 1,
       .message = "Error for F 331 in control\n"},
      {.letter = 'F', .number = 332, .values = {D(ThixoExpansion, 1.0)}, .bounds = {atLeast(0, -0.001)}, .required = 1,
       .message = "Error for F 332 in control\n"},
      {.letter = 'F', .number = 333, .values = {I(FlagGT, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 333 in control\n"},
      {.letter = 'F', .number = 334, .values = {D(ThixoSlideModifier, 1.0), D(ThixoCohesiveModifier, 0.2)}, .bounds = {atLeast(0, -0.001), atLeast(1, 0)}, .required = 2,
       .message = "Error for F 334 in control\n"},
      {.letter = 'F', .number = 335, .values = {D(TimeEnd, 1e50)}, .bounds = {atLeast(0, -0.001)}, .required = 1,
       .message = "Error for F 335 in control\n"},
      {.letter = 'F', .number = 336, .values = {I(FlagThixoTimestep, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 336 in control\n"},
      {.letter = 'F', .number = 337, .message = "Error for F 337 in control\n", .reader = readMPIDischarge,
       .defaults = dischargesMPIDefault},
      {.letter = 'F', .number = 338, .values = {D(ThixoMinGamma, 1000.0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 338 in control\n"},
      {.letter = 'F', .number = 339, .values = {I(FlagUnstrucThixo, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 339 in control\n"},
      {.letter = 'F', .number = 340, .values = {I(FlagOutflow, 0)}, .bounds = {range(0, 1, 9)}, .required = 1,
       .message = "Error for F 340 in control\n"},
      {.letter = 'F', .number = 341, .values = {I(FlagShallowDamp, 0)}, .bounds = {range(0, 0, 9)}, .required = 1,
       .message = "Error for F 341 in control\n"},
      {.letter = 'F', .number = 342, .values = {I(vectorIter, 1)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 342 in control\n"},
      {.letter = 'F', .number = 343, .values = {I(BlockCasulli, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 343 in control\n", .after = casulliBlockCheck},
      {.letter = 'F', .number = 344, .values = {I(FlagSolverVertTDMA, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 344 in control\n"},
      {.letter = 'F', .number = 345, .values = {D(residualCasulli, 1e-5)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 345 in control\n"},
      {.letter = 'F', .number = 346, .values = {I(FlagFroudeDamp, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 346 in control\n"},
      {.letter = 'F', .number = 347, .values = {I(FlagFixSurfSlide, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 347 in control\n"},
      {.letter = 'F', .number = 348, .values = {I(UnevenConnect, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 348 in control\n"},
      {.letter = 'F', .number = 349, .values = {I(FlagOpenFOAMsurface, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 349 in control\n"},
      {.letter = 'F', .number = 350, .values = {D(maxTimeStep, 0), D(minTimeStep, 0), D(QRefTimeStep, 0), D(powTimeStep, 0)},
       .bounds = {atLeast(0, 0), atLeast(1, 0), atLeast(2, 0), atLeast(3, 0)}, .required = 4,
       .message = "Error for F 350 in control\n", .after = timestepAccepted, .defaults = timestepDefault},
      {.letter = 'F', .number = 351, .values = {I(solverFroude, 0), D(solverFroudeLimit, 1.0)}, .bounds = {atLeast(0, 0), atLeast(1, 0.0001)}, .required = 2,
       .message = "Error for F 351 in control\n"},
      {.letter = 'F', .number = 352, .values = {I(FlagTFS5, 0), I(FlagTFS6, 0)}, .required = 2,
       .message = "Error for F 352 in control\n"},
      {.letter = 'F', .number = 353, .values = {I(surfaceDownstreamDamp, 1)}, .required = 1,
       .message = "Error for F 353 in control\n"},
      {.letter = 'F', .number = 354, .values = {I(OpenFOAMprintI, 0), I(OpenFOAMprintJ, 0)}, .required = 2,
       .message = "Error for F 354 in control\n"},
      {.letter = 'F', .number = 355, .values = {I(FlagPresSource, 0), D(CoeffPresSource, 0.5)}, .bounds = {atLeast(0, 0)}, .required = 2,
       .message = "Error for F 355 in control\n"},
      {.letter = 'F', .number = 356, .values = {I(PointInterval, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 356 in control\n", .after = pointIntervalCopy, .defaults = pointIntervalDefault},
      {.letter = 'F', .number = 357, .values = {I(FlagPresSurf, 0), D(CoeffPresSurf, 1e30)}, .bounds = {atLeast(0, -10), atLeast(1, 0)}, .required = 2,
       .message = "Error for F 357 in control\n"},
      {.letter = 'F', .number = 358, .values = {I(BedStatI1, 0), I(BedStatI2, 0), I(BedStatJ1, 0), I(BedStatJ2, 0), D(BedStatTime1, 0), D(BedStatTime2, 0)},
       .bounds = {atLeast(0, 1), countFits(1, 2), countFits(3, 2)}, .required = 6,
       .message = "Error for F 358 in control\n", .after = bedStatCheck},
      {.letter = 'F', .number = 359, .values = {D(SurfULimit, 0), D(SurfUFactor, 0.001)}, .bounds = {atLeast(0, -10), atLeast(1, 0)}, .required = 2,
       .message = "Error for F 359 in control\n"},
      {.letter = 'F', .number = 360, .values = {I(FlagFluxCorr, 0), D(FluxCorrVal, 1.1)}, .bounds = {atLeast(0, 0), atLeast(1, 1e-5)}, .required = 2,
       .message = "Error for F 360 in control\n"},
      {.letter = 'F', .number = 361, .values = {I(FlagSurfSlope, 0), D(SurfSlopeVal, 0)}, .bounds = {atLeast(0, 0), absAtMost(1, 2)}, .required = 2,
       .message = "Error for F 361 in control\n"},
      {.letter = 'F', .number = 362, .values = {I(FlagSetPow, 0)}, .bounds = {range(0, 0, 3)}, .required = 1,
       .message = "Error for F 362 in control\n"},
      {.letter = 'F', .number = 363, .values = {D(geoScaleX, 1.0), D(geoScaleY, 1.0)}, .required = 2,
       .message = "Error for F 363 in control\n", .after = geoScaleOn, .defaults = geoScaleDefault},
      {.letter = 'F', .number = 364, .values = {D(geoMin, 0), D(geoMax, 0)}, .required = 2,
       .message = "Error for F 364 in control\n", .after = geoMaxMinOn, .defaults = geoMaxMinDefault},
      {.letter = 'F', .number = 365, .values = {I(FlagViewInterpol, 0)}, .required = 1,
       .message = "Error for F 365 in control\n"},
      {.letter = 'F', .number = 366, .values = {I(FlagNoImpulse, 0)}, .required = 1,
       .message = "Error for F 366 in control\n"},
      {.letter = 'F', .number = 367, .values = {D(SourceKennedy, -1.0)}, .required = 1,
       .message = "Error for F 367 in control\n"},
      {.letter = 'F', .number = 368, .values = {I(IBraidedStart, 2), D(BraidedTot, 0.001), D(BraidedActive, 0.1), D(BraidedActive2, 0.2), D(BraidedActive3, 0.3), I(BraidCells, 4)}, .required = 6,
       .message = "Error for F 368 in control: have not read 6 numbers\n", .after = braidedOn, .defaults = braidedDefault},
      {.letter = 'F', .number = 369, .values = {I(FlagBugFind, 0)}, .required = 1,
       .message = "Error for F 369 in control: have not read 1 number\n"},
      {.letter = 'F', .number = 370, .values = {I(WriteDuneIter, 0), I(WriteDuneI1, 0), I(WriteDuneI2, 0), I(WriteDuneJ1, 0), I(WriteDuneDI, 0)}, .required = 5,
       .message = "Error for F 370 in control\n", .countMessage = "Error for F 370 in control: have not read 5 integers\n",
       .after = duneWindowCheck},
      {.letter = 'F', .number = 371, .values = {I(FlagNoGridSplit, 0), I(gridSplitKant, 0), I(FlagGridsplitBedmove, 0), D(FroudeSplit, 1.0)},
       .message = "Error for F 371 in control\n", .reader = readGridSplit},
      {.letter = 'F', .number = 372, .values = {I(FlagFilterPressure, 0)}, .required = 1,
       .message = "Error for F 372 in control: have not read 1 number\n"},
      {.letter = 'F', .number = 373, .values = {I(FlagPresCorrStab, 0)}, .required = 1,
       .message = "Error for F 373 in control: have not read 1 number\n"},
      {.letter = 'F', .number = 374, .values = {I(Iter2DMG, 1)}, .required = 1,
       .message = "Error for F 374 in control: have not read 1 number\n", .after = iter2DMGCopy, .defaults = iter2DMGDefault},
      {.letter = 'F', .number = 375, .values = {D(MaxDepthScour, 0)}, .bounds = {range(0, 0, 10000)}, .required = 1,
       .message = "Error for F 375 in control", .after = scourDepthOn},
      {.letter = 'F', .number = 376, .values = {D(BfG_M, 0), D(BfG_k, 0)}, .required = 2,
       .message = "Error for F 376 in control: Have not read two numbers", .after = bedFormula3},
      {.letter = 'F', .number = 377, .values = {I(FlagCyclicSstart, 0)}, .required = 1,
       .message = "Error for F 377 in control: Have not read one number"},
      {.letter = 'F', .number = 378, .values = {I(FlagThalweg, 0)}, .required = 1,
       .message = "Error for F 378 in control: Have not read one number"},
      {.letter = 'F', .number = 379, .values = {I(FlagReducePonds, 0), D(CritReducePonds, 5.0), D(ShearReducePonds, 0.001)}, .required = 3,
       .message = "Error for F 379 in control: Have not read three numbers"},
      {.letter = 'F', .number = 380, .values = {I(FlagGridStab7, 0)}, .required = 1,
       .message = "Error for F 380 in control: Have not read one number"},
      {.letter = 'F', .number = 381, .values = {D(FlushWaterLevelMin, 0), D(FlushWaterLevelMax, 0)}, .required = 2,
       .message = "Error for F 381 in control\n", .after = flushLevelCheck, .defaults = flushLevelDefault},
      {.letter = 'F', .number = 382, .values = {I(FlagAddApTrekant, 0)}, .required = 1,
       .message = "Error for F 382 in control: Have not read one number"},
      {.letter = 'F', .number = 383, .values = {I(FlagGridStab6, 0)}, .required = 1,
       .message = "Error for F 383 in control: Have not read one number"},
      {.letter = 'F', .number = 384, .values = {D(OpenFOAMalpha1X, -1e20), D(OpenFOAMalpha1Z, -1e20)}, .required = 2,
       .message = "Error for F 384 in control: Have not read two numbers"},
      {.letter = 'F', .number = 385, .values = {I(FlagCohesion, 0), D(InitValueCohesion, 0)}, .required = 2,
       .message = "Error for F 385 in control: Have not read two numbers"},
      {.letter = 'F', .number = 386, .values = {I(FlagBagger, 0), I(MaxNoBagger, 0)}, .required = 2,
       .message = "Error for F 386 in control: Have not read two integers: Flag + MaxNo"},
      {.letter = 'F', .number = 387, .values = {D(MinDepthGrid, -1.0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 387 in control"},
      {.letter = 'F', .number = 388, .values = {D(relaxSimpleCorr, 1.0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 388 in control"},
      {.letter = 'F', .number = 389, .values = {I(iterWriteAllData, 1000000)}, .required = 1,
       .message = "Error for F 389 in control", .after = allDataIntervalCheck},
      {.letter = 'F', .number = 390, .values = {I(FlagFixGrid, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 390 in control"},
      {.letter = 'F', .number = 391, .values = {I(FlagGridStab8, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 391 in control"},
      {.letter = 'F', .number = 392, .values = {I(FlagSetZeroBedmove, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 392 in control"},
      {.letter = 'F', .number = 393, .values = {I(FlagSetLimBedOri, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 393 in control"},
      {.letter = 'F', .number = 394, .values = {I(FlagRemovePonds, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 394 in control"},
      {.letter = 'F', .number = 395, .values = {I(FlagModifyGrid, 0), D(MaxModifyGrid, 0), D(DzModifyGrid, 0)}, .bounds = {atLeast(0, 0), atLeast(1, 0), atLeast(2, 0)}, .required = 3,
       .message = "Error for F 395 in control"},
      {.letter = 'F', .number = 396, .values = {I(FlagNoSides, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 396 in control"},
      {.letter = 'F', .number = 397, .values = {I(FlagWallLimiterU, 0), I(FlagWallLimiterK, 0), D(WallLimiterU, 0.1), D(WallLimiterK, 0.1)},
       .bounds = {atLeast(0, 0), atLeast(1, 0), range(2, 1e-6, 1000), range(3, 1e-6, 1000)}, .required = 4,
       .message = "Error for F 397 in control"},
      {.letter = 'F', .number = 398, .values = {D(coeffRoughRijn, 3.0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 398 in control"},
      {.letter = 'F', .number = 399, .values = {I(FlagErrorKoomin, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 399 in control"},
  };
}
