// F data sets 400 to 555.
#include <algorithm>

#include "io/dataset.h"
#include "state/log.h"
#include "state/options.h"

namespace {

// Shear and Lame moduli of the soil from its Young's modulus and Poisson ratio.
void deriveModuli(DataSetRead&) {
  GModulus = EModulus / (2.0 * (1.0 + PoissonRatio));
  LModulus = EModulus * PoissonRatio / ((1.0 - 2.0 * PoissonRatio) * (1.0 + PoissonRatio));
}

// Erosion kept within the layer stack cannot go with slide mode 204.
void erodeUnderCheck(DataSetRead& d) {
  if (FlagErodeUnder == 0 && IterAvalanche == 204)
    d.refuseWith(1, "Error for combination of F 412 and F 56 / F 270 204 in control file.\n"
                    "The slide will affect more than one layer.\n");
}

// Outlet reference level; method 3 takes its time interval as well.
void readPresDownstream(DataSetRead& d) {
  d.s.readInt(FlagPresDownstream);
  if (FlagPresDownstream < 0) d.refuse();
  if (FlagPresDownstream != 3) return;
  if (!d.s.readDouble(IntervalPresDownstream) || IntervalPresDownstream < 0)
    d.refuseWith(1, "Error for F 416 3 in control\n");
}

void cornersSurfCheck(DataSetRead& d) {
  if (FlagTFS != 7) d.refuse();
}

void tracerSectionCheck(DataSetRead& d) {
  bool ok = (tracerJ1 >= -10 && tracerJ1 <= 0) || (tracerJ1 >= 1 && tracerJ1 <= tracerJ2);
  if (!ok) d.refuse();
}

void bedSmoothCheck(DataSetRead& d) {
  if (FlagErodeUnder == 0)
    d.refuseWith(1, "Error for combination of F 451 and F 412 in control file.\n"
                    "The smoothing will affect more than one layer.\n");
  if (FlagTSC != 3)
    d.refuseWith(1, "The F 451 data set is only used in combination with the F 37 3 data set\n"
                    "An alternative is the F 144 data set\n\n");
}

void raiseOutletDamp(DataSetRead&) {
  if (surfaceDownstreamDamp < 5) surfaceDownstreamDamp = 5;
}

void profilesCheck(DataSetRead& d) {
  if (FlagProfiles != 0 && FlagTSC != 3)
    d.refuseWith(1, "Error for F 453 in control: The option can only be used with F 37 3\n");
}

void duneFormulaCoeff(DataSetRead&) {
  if (FlagDuneFormula == 2) KarimCoeff = 0.085;
  if (FlagDuneFormula == 3) KarimCoeff = 0.47;
}
void karimDefault() { KarimCoeff = 0.47; }

// Discontinued: the run ends whatever the values.
void readDiscontinued495(DataSetRead& d) {
  int n = d.s.readInt(FlagGridStabFix2) ? 1 : 0;
  if (n == 1 && d.s.readDouble(GridDepthFix2)) ++n;
  if (n == 2 && FlagGridStabFix2 >= 0)
    d.refuseWith(1, "F 495 data set is discontinued from 14. nov. 2023 as it will break the ponds algorithm\n\n");
  d.refuse();
}

// Bed-shear factors of the ten classes, one value at a time.
void readShearGridCoeff(DataSetRead& d) {
  for (int j = 1; j <= 10; ++j)
    if (!d.s.readDouble(ShearGridCoeff[j])) d.refuseWith(1, "Error for F 507 in control, j=%d\n", j);
}
void shearGridDefault() {
  std::fill(std::begin(ShearGridCoeff), std::end(ShearGridCoeff), 0.0);
  std::fill(ShearGridCoeff, ShearGridCoeff + 11, 1.0);
}

void varTimeCheck(DataSetRead& d) {
  if (varTimeInterval == 1 || varTimeStart > varTimeEnd) d.refuse();
}

// The limit is given in m3/s and kept in l/s.
void solverLimitToLitres(DataSetRead&) { dischargeSolverLimit *= 1000.0; }

void dune2DCheck(DataSetRead& d) {
  if (FlagWriteDune2D >= 1 && WriteDuneDI == 0)
    d.refuseWith(1, "Error for F 552 / F 370 in control. F 370 must always be used with F 552\n\n");
}

}  // namespace

std::vector<DataSet> datasetsF400() {
  return {
      {.letter = 'F', .number = 400, .values = {I(FlagHCB, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 400 in control"},
      {.letter = 'F', .number = 401, .values = {I(FlagThixoGrid2, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 401 in control"},
      {.letter = 'F', .number = 402, .values = {D(ThixoMinSlideSize, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 402 in control"},
      {.letter = 'F', .number = 403, .values = {I(TFSminFlag, 1), D(TFSminDepth, 0.02)}, .bounds = {atLeast(1, 0)}, .required = 2,
       .message = "Error for F 403 in control"},
      {.letter = 'F', .number = 404, .values = {I(FlagMorphStatistics, 0), D(RelaxMorphStatistics, 0.1)}, .bounds = {atLeast(1, 0)}, .required = 2,
       .message = "Error for F 404 in control"},
      {.letter = 'F', .number = 405, .values = {I(FlagTFS7, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 405 in control"},
      {.letter = 'F', .number = 406, .values = {D(AddValTFS7, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 406 in control"},
      {.letter = 'F', .number = 407, .values = {I(FlagCriticalCross, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 407 in control"},
      {.letter = 'F', .number = 408, .values = {I(FlagBoundaryThixo, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 408 in control"},
      {.letter = 'F', .number = 409, .values = {I(FlagMinDistEps, 0), D(MinDistEps, 0)}, .bounds = {atLeast(0, 0), atLeast(1, 1e-20)}, .required = 2,
       .message = "Error for F 409 in control"},
      {.letter = 'F', .number = 410, .values = {D(EModulus, 6.5e7), D(PoissonRatio, 0.4), I(FlagModulus, 0)}, .bounds = {Bound{1, 0, 0.5, false, true}, range(0, 1e5, 5e10), atLeast(2, 0)}, .required = 3,
       .message = "Error for F 410 in control\n", .after = deriveModuli},
      {.letter = 'F', .number = 411, .values = {D(BankCohesion, 0)}, .bounds = {atLeast(0, 0)},
       .message = "Error for F 411 in control\n"},
      {.letter = 'F', .number = 412, .values = {I(FlagErodeUnder, 1)}, .bounds = {atLeast(0, 0)},
       .message = "Error for F 412 in control\n", .after = erodeUnderCheck},
      {.letter = 'F', .number = 413, .values = {I(FlagCorrectContinuity, 0)}, .bounds = {atLeast(0, 0)},
       .message = "Error for F 413 in control\n"},
      {.letter = 'F', .number = 414, .values = {I(FlagSmoothBedchange, 0)}, .bounds = {atLeast(0, 0)},
       .message = "Error for F 414 in control\n"},
      {.letter = 'F', .number = 415, .values = {I(FlagSideDamp, 0)}, .bounds = {atLeast(0, 0)},
       .message = "Error for F 415 in control\n"},
      {.letter = 'F', .number = 416, .values = {I(FlagPresDownstream, 0), D(IntervalPresDownstream, 100.0)},
       .message = "Error for F 416 in control\n", .reader = readPresDownstream},
      {.letter = 'F', .number = 417, .values = {I(FlagPlastics, 0)}, .bounds = {atLeast(0, 0)},
       .message = "Error for F 417 in control\n"},
      {.letter = 'F', .number = 418, .values = {D(global_fac, 0.2)}, .bounds = {range(0, 0, 10)},
       .message = "Error for F 418 in control\n"},
      {.letter = 'F', .number = 419, .values = {I(FlagPresSurfDamp, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 419 in control\n"},
      {.letter = 'F', .number = 420, .values = {D(DepthBreakPath, -1.0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 420 in control\n"},
      {.letter = 'F', .number = 421, .values = {D(FillStop, -100.0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 421 in control\n"},
      {.letter = 'F', .number = 422, .values = {I(FlagTestNB, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 422 in control\n"},
      {.letter = 'F', .number = 423, .values = {I(FlagRiseNeighbours, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 423 in control\n"},
      {.letter = 'F', .number = 424, .values = {I(FlagTracer, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 424 in control\n"},
      {.letter = 'F', .number = 425, .values = {I(FlagSmoothNewCorners, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 425 in control\n"},
      {.letter = 'F', .number = 426, .values = {I(FlagPresFilter, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 426 in control\n"},
      {.letter = 'F', .number = 427, .values = {I(FlagSurfLimit5, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 427 in control\n"},
      {.letter = 'F', .number = 428, .values = {D(reduceCornersSurf, -1.0)}, .bounds = {range(0, 0, 1)}, .required = 1,
       .message = "Error for F 428 in control\n", .after = cornersSurfCheck},
      {.letter = 'F', .number = 429, .values = {I(FlagRidgeMetric, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 429 in control\n"},
      {.letter = 'F', .number = 430, .values = {I(FlagLimitExpansion, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 430 in control\n"},
      {.letter = 'F', .number = 431, .values = {I(FlagAddAnbShallow, 0), D(ValAddAnbShallow, 0)}, .bounds = {atLeast(0, 0)}, .required = 2,
       .message = "Error for F 431 in control\n"},
      {.letter = 'F', .number = 432, .values = {I(FlagCallSurface, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 432 in control\n"},
      {.letter = 'F', .number = 433, .values = {I(FlagFractionsPrint, 0), D(depthTracer, 0.3)}, .bounds = {atLeast(0, 0), range(1, 0, 1000)}, .required = 2,
       .message = "Error for F 433 in control. Are two numbers given?\n"},
      {.letter = 'F', .number = 434, .values = {I(FlagSplitLayers, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 434 in control\n"},
      {.letter = 'F', .number = 435, .values = {I(FlagUpdateDischarge, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 435 in control\n"},
      {.letter = 'F', .number = 436, .values = {I(FlagCorrTrekant4, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 436 in control\n"},
      {.letter = 'F', .number = 437, .values = {I(FlagCorrTrekant5, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 437 in control\n"},
      {.letter = 'F', .number = 438, .values = {I(FlagWeightComp, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 438 in control\n"},
      {.letter = 'F', .number = 439, .values = {I(FlagDepthDeposit, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 439 in control\n"},
      {.letter = 'F', .number = 440, .values = {D(VertDiffTrekant, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 440 in control\n"},
      {.letter = 'F', .number = 441, .values = {I(FlagMaxFlux, 1)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 441 in control\n"},
      {.letter = 'F', .number = 442, .values = {D(MPMcoeff, 0.25)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 442 in control\n"},
      {.letter = 'F', .number = 443, .values = {I(FlagFracresVersion, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 443 in control\n"},
      {.letter = 'F', .number = 444, .values = {I(FlagGrid13, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 444 in control\n"},
      {.letter = 'F', .number = 445, .values = {D(relaxAvailable, 1.0)}, .bounds = {range(0, 0, 1)}, .required = 1,
       .message = "Error for F 445 in control\n"},
      {.letter = 'F', .number = 446, .values = {I(NumRemoveLayers, 1)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 446 in control\n"},
      {.letter = 'F', .number = 447, .values = {I(FlagArmourDepth, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 447 in control\n"},
      {.letter = 'F', .number = 448, .values = {I(FlagDefectRatio, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 448 in control\n"},
      {.letter = 'F', .number = 449, .values = {I(tracerJ1, 0), I(tracerJ2, 0)}, .required = 2,
       .message = "Error for F 449 in control\n", .after = tracerSectionCheck},
      {.letter = 'F', .number = 450, .values = {I(FlagGroyneArmour, 0), D(GroyneArmour, 0)}, .bounds = {atLeast(0, 0), atLeast(1, 0)}, .required = 2,
       .message = "Error for F 450 in control\n"},
      {.letter = 'F', .number = 451, .values = {I(FlagBedSmooth4, 0), D(BedSmooth4, 0)}, .bounds = {atLeast(0, 0), atLeast(1, 0)}, .required = 2,
       .message = "Error for F 451 in control\n", .after = bedSmoothCheck},
      {.letter = 'F', .number = 452, .values = {D(surfaceDampFactor1, 0.5), D(surfaceDampFactor2, 0.5), I(surfaceDampSec, 9)},
       .bounds = {atLeast(0, 0), atLeast(1, 0), atLeast(2, 1)}, .required = 3,
       .message = "Error for F 452 in control\n", .after = raiseOutletDamp},
      {.letter = 'F', .number = 453, .values = {I(FlagProfiles, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 453 in control\n", .after = profilesCheck},
      {.letter = 'F', .number = 454, .values = {I(skipWatersolve, 1)}, .bounds = {atLeast(0, 1)}, .required = 1,
       .message = "Error for F 454 in control\n"},
      {.letter = 'F', .number = 455, .values = {I(LevelInflowSed, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 455 in control\n"},
      {.letter = 'F', .number = 456, .values = {I(FlagMinLevCorner, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 456 in control\n"},
      {.letter = 'F', .number = 457, .values = {D(cyclicIncreaseFactor, 1.0)}, .bounds = {atLeast(0, 0.01)}, .required = 1,
       .message = "Error for F 457 in control\n"},
      {.letter = 'F', .number = 458, .values = {I(FlagInitiateBedlayers, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 458 in control\n"},
      {.letter = 'F', .number = 459, .values = {I(FlagShearSmooth, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 459 in control\n"},
      {.letter = 'F', .number = 460, .values = {I(FlagSmoothKs, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 460 in control\n"},
      {.letter = 'F', .number = 461, .values = {D(ShiftSourceBed, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 461 in control\n"},
      {.letter = 'F', .number = 462, .values = {I(FlagBedFractionsPrint, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 462 in control\n"},
      {.letter = 'F', .number = 463, .values = {I(NoDownstreamDeposit, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 463 in control\n"},
      {.letter = 'F', .number = 464, .values = {I(FlagOutConc, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 464 in control\n"},
      {.letter = 'F', .number = 465, .values = {I(IterSlideHoriz, 200), I(IterSlideVert, 200)}, .bounds = {atLeast(0, 1), atLeast(1, 1)}, .required = 2,
       .message = "Error for F 465 in control\n"},
      {.letter = 'F', .number = 466, .values = {D(relaxCasulli, 0)}, .bounds = {range(0, 0, 1)}, .required = 1,
       .message = "Error for F 466 in control\n"},
      {.letter = 'F', .number = 467, .values = {I(FlagScaleGridMove, 1)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 467 in control\n"},
      {.letter = 'F', .number = 468, .values = {I(NoCasulliMG, 100)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 468 in control\n"},
      {.letter = 'F', .number = 469, .values = {D(TFSdampwall, 2.0)}, .bounds = {range(0, 0.9, 2.1)}, .required = 1,
       .message = "Error for F 469 in control\n"},
      {.letter = 'F', .number = 470, .values = {I(FlagCasulliCoeff, 0)}, .bounds = {range(0, 0, 10)}, .required = 1,
       .message = "Error for F 470 in control\n"},
      {.letter = 'F', .number = 471, .values = {I(FlagGridConnect, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 471 in control\n"},
      {.letter = 'F', .number = 472, .values = {I(FlagSideSurfDamp, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 472 in control\n"},
      {.letter = 'F', .number = 473, .values = {I(FlagCasulliLimit, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 473 in control\n"},
      {.letter = 'F', .number = 474, .values = {I(FlagGradSurf, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 474 in control\n"},
      {.letter = 'F', .number = 475, .values = {I(FlagFriction, 0)}, .bounds = {range(0, 0, 2)}, .required = 1,
       .message = "Error for F 475 in control\n"},
      {.letter = 'F', .number = 476, .values = {I(FlagDuneFormula, 0)}, .bounds = {range(0, 0, 3)}, .required = 1,
       .message = "Error for F 476 in control\n", .after = duneFormulaCoeff, .defaults = karimDefault},
      {.letter = 'F', .number = 477, .values = {I(FlagScaleFreeSource, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 477 in control\n"},
      {.letter = 'F', .number = 478, .values = {I(FlagNewSurface, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 478 in control\n"},
      {.letter = 'F', .number = 479, .values = {D(updateRatioCriteria, 0.05)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 479 in control\n"},
      {.letter = 'F', .number = 480, .values = {I(FlagDeltaSurface, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 480 in control\n"},
      {.letter = 'F', .number = 481, .values = {I(FlagScalePressure, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 481 in control\n"},
      {.letter = 'F', .number = 482, .values = {I(FlagPresStability, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 482 in control\n"},
      {.letter = 'F', .number = 483, .values = {I(FlagLimitFallvel, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 483 in control\n"},
      {.letter = 'F', .number = 484, .values = {I(FlagSumFractions, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 484 in control\n"},
      {.letter = 'F', .number = 485, .values = {I(FlagExplicitBed, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 485 in control\n"},
      {.letter = 'F', .number = 486, .values = {I(FlagMGSurf, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 486 in control\n"},
      {.letter = 'F', .number = 487, .values = {I(FlagOldPres, 1)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 487 in control\n"},
      {.letter = 'F', .number = 488, .values = {I(UMethod2, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 488 in control\n"},
      {.letter = 'F', .number = 489, .values = {I(FirstIterNo, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 489 in control\n"},
      {.letter = 'F', .number = 490, .values = {I(FlagPressureTest, 1), D(PressureTestFactor, 0.2)}, .bounds = {atLeast(0, 0), atLeast(1, 0)}, .required = 2,
       .message = "Error for F 490 in control\n"},
      {.letter = 'F', .number = 491, .values = {D(CoeffPonds, 0.01)}, .bounds = {range(0, 0, 1)}, .required = 1,
       .message = "Error for F 491 in control\n"},
      {.letter = 'F', .number = 492, .values = {I(FlagGridStabFix1, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 492 in control\n"},
      {.letter = 'F', .number = 493, .values = {I(FlagTriangleAlgo, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 493 in control\n"},
      {.letter = 'F', .number = 494, .values = {I(FlagConcProf, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 494 in control\n"},
      {.letter = 'F', .number = 495, .values = {I(FlagGridStabFix2, 0), D(GridDepthFix2, 0)},
       .message = "Error for F 495 in control\n", .reader = readDiscontinued495},
      {.letter = 'F', .number = 496, .values = {I(FlagPresLatSource, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 496 in control\n"},
      {.letter = 'F', .number = 497, .values = {I(FlagInflowConcVar, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 497 in control\n"},
      {.letter = 'F', .number = 498, .values = {I(FlagDragDune, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 498 in control\n"},
      {.letter = 'F', .number = 499, .values = {I(FlagDuneShearPartCross, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 499 in control\n"},
      {.letter = 'F', .number = 500, .values = {D(EHcoeff, 0.05)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 500 in control\n"},
      {.letter = 'F', .number = 501, .values = {D(restCrit, 10.0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 501 in control\n"},
      {.letter = 'F', .number = 502, .values = {I(FlagBedMove, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 502 in control\n"},
      {.letter = 'F', .number = 503, .values = {I(FlagTriangle10, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 503 in control\n"},
      {.letter = 'F', .number = 504, .values = {D(ThixoGridDistCoeff, 0.6)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 504 in control\n"},
      {.letter = 'F', .number = 505, .values = {D(GravitySlope, 0.015)}, .required = 1,
       .message = "Error for F 505 in control\n"},
      {.letter = 'F', .number = 506, .values = {I(FlagOrderRemovePonds, 1)}, .required = 1,
       .message = "Error for F 506 in control\n"},
      {.letter = 'F', .number = 507, .message = "Error for F 507 in control\n", .reader = readShearGridCoeff,
       .defaults = shearGridDefault},
      {.letter = 'F', .number = 508, .values = {I(FlagGridStab9, 0)}, .required = 1,
       .message = "Error for F 508 in control\n"},
      {.letter = 'F', .number = 509, .values = {D(TurbThick, 1.0)}, .required = 1,
       .message = "Error for F 509 in control\n"},
      {.letter = 'F', .number = 510, .values = {D(GridDistCoeff2, 1.0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 510 in control\n"},
      {.letter = 'F', .number = 511, .values = {D(GridDistCoeff3, 1.0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 511 in control\n"},
      {.letter = 'F', .number = 512, .values = {D(outflowFixShear, 0), D(outflowFixDepth, 0)}, .bounds = {atLeast(0, 0), atLeast(1, 0)}, .required = 2,
       .message = "Error for F 512 in control\n"},
      {.letter = 'F', .number = 513, .values = {D(momentumAddInflow, 0)}, .required = 1,
       .message = "Error for F 513 in control\n"},
      {.letter = 'F', .number = 514, .values = {I(FlagSinkScour, 0), D(deltaSinkScour, 0), D(porosMultiplier, 1.0)}, .bounds = {atLeast(2, 1e-20)}, .required = 3,
       .message = "Error for F 514 in control: Default: F 514 0 0.0 1.0\n"},
      {.letter = 'F', .number = 515, .values = {I(FlagNewSurfUnstruc, 0)}, .required = 1,
       .message = "Error for F 515 in control\n"},
      {.letter = 'F', .number = 516, .values = {I(ofGridI, 1), I(ofGridJ, 1), I(ofGridK, 1)}, .bounds = {atLeast(0, 1), atLeast(1, 1), atLeast(2, 1)}, .required = 3,
       .message = "Error for F 516 in control\n"},
      {.letter = 'F', .number = 517, .values = {I(FlagScaleSurfFroude, 0)}, .required = 1,
       .message = "Error for F 517 in control\n"},
      {.letter = 'F', .number = 518, .values = {I(FlagScaleInterpol, 0)}, .required = 1,
       .message = "Error for F 518 in control\n"},
      {.letter = 'F', .number = 519, .values = {I(FlagFollowSurface, 0)}, .required = 1,
       .message = "Error for F 519 in control\n"},
      {.letter = 'F', .number = 520, .values = {I(NoMGloops, 3)}, .required = 1,
       .message = "Error for F 520 in control\n"},
      {.letter = 'F', .number = 521, .values = {I(FlagExtraDebug, 0)}, .required = 1,
       .message = "Error for F 521 in control\n"},
      {.letter = 'F', .number = 522, .values = {I(FlagBarcelona, 0), I(CrossBarcelona, 0)}, .required = 2,
       .message = "Error for F 522 in control\n"},
      {.letter = 'F', .number = 523, .values = {I(FlagTestBugMetric, 0)}, .required = 1,
       .message = "Error for F 523 in control\n"},
      {.letter = 'F', .number = 524, .values = {I(FlagShapeInflow, 0), D(CoeffShapeInflow, 6.0)}, .required = 2,
       .message = "Error for F 524 in control\n"},
      {.letter = 'F', .number = 525, .values = {D(coeffTurbFlag5, 1.0)}, .required = 1,
       .message = "Error for F 525 in control\n"},
      {.letter = 'F', .number = 526, .values = {I(FlagTVertGrad, 0)}, .required = 1,
       .message = "Error for F 526 in control\n"},
      {.letter = 'F', .number = 527, .values = {D(coeffEpsilon, 1.0)}, .required = 1,
       .message = "Error for F 527 in control\n"},
      {.letter = 'F', .number = 528, .values = {I(FlagGridStab10, 0)}, .required = 1,
       .message = "Error for F 528 in control\n"},
      {.letter = 'F', .number = 529, .values = {I(FlagGridStab11, 0)}, .required = 1,
       .message = "Error for F 529 in control\n"},
      {.letter = 'F', .number = 530, .values = {I(FlagLimitSurf, 0)}, .required = 1,
       .message = "Error for F 530 in control\n"},
      {.letter = 'F', .number = 531, .values = {D(GridRoughnessParam, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 531 in control\n"},
      {.letter = 'F', .number = 532, .values = {I(varTimeInterval, 0), D(varTimeStart, 0), D(varTimeEnd, 0)}, .bounds = {atLeast(2, 0)}, .required = 3,
       .message = "Error for F 532 in control\n", .after = varTimeCheck},
      {.letter = 'F', .number = 533, .values = {I(FlagHorMove, 1)}, .required = 1,
       .message = "Error for F 533 in control\n"},
      {.letter = 'F', .number = 534, .values = {D(coeffTurbC3e, -0.33)}, .required = 1,
       .message = "Error for F 534 in control\n"},
      {.letter = 'F', .number = 535, .values = {I(FlagMakeKoomin, 0)}, .required = 1,
       .message = "Error for F 535 in control\n"},
      {.letter = 'F', .number = 536, .values = {I(FlagReduceEH, 0), D(coeffReduceEH, 0)}, .bounds = {range(1, 0, 1), atLeast(0, 0)}, .required = 2,
       .message = "Error for F 536 in control\n"},
      {.letter = 'F', .number = 537, .values = {I(FlagVandrel, 0)}, .required = 1,
       .message = "Error for F 537 in control\n"},
      {.letter = 'F', .number = 538, .values = {I(FlagDebugGrid, 0)}, .required = 1,
       .message = "Error for F 538 in control\n"},
      {.letter = 'F', .number = 539, .values = {I(FlagWaterlevelModify, 0)}, .required = 1,
       .message = "Error for F 539 in control\n"},
      {.letter = 'F', .number = 540, .values = {I(FlagInitiatePres, 0)}, .required = 1,
       .message = "Error for F 540 in control\n"},
      {.letter = 'F', .number = 541, .values = {D(dischargeSolverLimit, 1e20)}, .required = 1,
       .message = "Error for F 541 in control\n", .after = solverLimitToLitres},
      {.letter = 'F', .number = 542, .values = {I(FlagPondsPres, 0)}, .required = 1,
       .message = "Error for F 542 in control\n"},
      {.letter = 'F', .number = 543, .values = {D(presGradPorosBed, -1.0)}, .required = 1,
       .message = "Error for F 543 in control\n"},
      {.letter = 'F', .number = 544, .values = {D(TurbMultVertU, 1.0), D(TurbMultHorU, 1.0)}, .bounds = {atLeast(0, 0), atLeast(1, 0)}, .required = 2,
       .message = "Error for F 544 in control\n"},
      {.letter = 'F', .number = 545, .values = {I(FlagGravityInitialize, 0)}, .required = 1,
       .message = "Error for F 545 in control\n"},
      {.letter = 'F', .number = 546, .values = {I(FlagWallCorner, 0)}, .required = 1,
       .message = "Error for F 546 in control\n"},
      {.letter = 'F', .number = 547, .values = {I(NoRepeatTimei, 0)}, .required = 1,
       .message = "Error for F 547 in control\n"},
      {.letter = 'F', .number = 548, .values = {I(FlagTriEdges, 0)}, .required = 1,
       .message = "Error for F 548 in control\n"},
      {.letter = 'F', .number = 549, .values = {I(FlagPresCrash, 0)}, .required = 1,
       .message = "Error for F 549 in control\n"},
      {.letter = 'F', .number = 550, .values = {I(FlagFlowDirCor, 0)}, .required = 1,
       .message = "Error for F 550 in control\n"},
      {.letter = 'F', .number = 551, .values = {D(deltaLevelPorosity, 0.01)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 551 in control\n"},
      {.letter = 'F', .number = 552, .values = {I(FlagWriteDune2D, 0)}, .required = 1,
       .message = "Error for F 552 in control\n", .after = dune2DCheck},
      {.letter = 'F', .number = 553, .values = {I(FlagBedformSmooth, 0), D(paramBedformSmooth, 0)}, .bounds = {atLeast(0, 0), atLeast(1, 0)}, .required = 2,
       .message = "Error for F 553 in control\n"},
      {.letter = 'F', .number = 554, .values = {I(FlagConnectStability, 0)}, .required = 1,
       .message = "Error for F 554 in control\n"},
      {.letter = 'F', .number = 555, .values = {I(FlagCorrApSimple, 0)}, .required = 1,
       .message = "Error for F 555 in control\n"},
  };
}
