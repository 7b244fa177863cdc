// F data sets 1 to 99.
//
// A refused value ends with "Error for F <n> in control" (no line end) and
// status 1 unless the row says otherwise; a row with `required` refuses a
// data set whose scan converted another number of values.
#include <cmath>
#include <cstring>
#include <utility>

#include "io/dataset.h"
#include "state/log.h"
#include "state/options.h"

namespace {

// A row with the common message.
DataSet row(int n, std::vector<Value> values, std::vector<Bound> bounds = {}, int required = -1,
            DataSetHook after = nullptr) {
  DataSet d{.letter = 'F', .number = n, .values = std::move(values), .bounds = std::move(bounds)};
  d.required = required;
  d.after = after;
  return d;
}

// Run letters: up to 20 characters from the one right after the number (the
// separating blank included); reading stops after the first character that is
// not printable, normally the line end.
void readRun(DataSetRead& d) {
  std::memset(run, ' ', sizeof run);
  for (int i = 0; i < 20; ++i) {
    int c = d.s.get();
    if (c < 0) break;
    run[i] = static_cast<char>(c);
    if (c < 32 || c > 126) break;
  }
}

void runDefault() { std::memset(run, 0, sizeof run); }

// Option letters into options[1..8], read like the run letters; each letter
// switches its flag as it is read.
void readOptionLetters(DataSetRead& d) {
  for (int i = 1; i <= 8; ++i) options[i] = ' ';
  for (int i = 1; i <= 8; ++i) {
    int c = d.s.get();
    if (c < 0) break;
    options[i] = static_cast<char>(c);
    switch (c) {
      case 'N': FlagBedGradient = 1; break;
      case 'B': FlagBedslopeCorrection = 1; break;
      case 'V': FlagPlotVertical = 1; break;
      case 'I': FlagInflowDirection = 1; break;
      case 'A': FlagDiffNonVert = 0; break;
      case 'Z': FlagZ0Small = 1; break;
      case 'X': FlagXCYC = 1; break;
      case 'C': FlagInZero = 0; break;
      case 'P': FlagBedPoros = 1; break;
      case 'G': FlagBedPoros = 2; break;
      case 'E': FlagFlowDirCor = 1; break;
      case 'F':
      case 'S':
        d.refuseWith(-1, "Error for F 7 data set in control file\nUse 10 spaces after the letters on the F 7 data set\n");
      default: break;
    }
    if (c < 32 || c > 126) break;
  }
}

void optionLettersDefault() {
  std::memset(options, 0, sizeof options);
  FlagBedGradient = 0;
  FlagBedslopeCorrection = 0;
  FlagPlotVertical = 0;
  FlagInflowDirection = 0;
  FlagDiffNonVert = 1;
  FlagZ0Small = 0;
  FlagXCYC = 0;
  FlagInZero = 1;
  FlagBedPoros = 0;
  FlagFlowDirCor = 0;
}

// The angle of repose is given in degrees and kept as its sine.
void readReposeAngle(DataSetRead& d) {
  double angle = 0.0;
  if (d.s.readDouble(angle)) SinReposeAngle = std::sin(3.1415926535897 * angle / 180.0);
}

void checkSedimentFormula(DataSetRead& d) {
  if (!std::strchr("AEIMRSY", SedimentFormula) || SedimentFormula == 0) d.refuse();
}

void copyWallRoughness(DataSetRead&) { XksInflow = XksWall; }

void logSedimentScheme(DataSetRead&) { logf("Using SOU scheme for sediment calculations\n"); }

void freeSurfaceSideEffects(DataSetRead&) {
  if (FlagTFS == 1 || (FlagTFS >= 11 && FlagTFS <= 19)) FlagGravity = 1;
  if (FlagTFS == 11) FlagSimpleCorrections = 30;
}

void scourDepthGiven(DataSetRead&) { FlagMinBedLev = 41; }
void scourLevelGiven(DataSetRead&) { FlagMinBedLev = 42; }
void coriolisGiven(DataSetRead&) { FlagCoriolis = 1; }

void checkWind(DataSetRead& d) {
  if (std::fabs(Wind[1]) + std::fabs(Wind[2]) > 2.0) d.refuse();
}

// Convection scheme of the water-quality equations (sou[8], sou[9]) and, in a
// sediment run, of the sediment equation (sou[7]).
void componentScheme(DataSetRead&) {
  if (SouComp == 1) sou[8] = sou[9] = 1;
  if (FlagTSC >= 1) sou[7] = SouComp;
}

void gridAlgorithm(DataSetRead&) {
  switch (UMethod) {
    case 3: case 4: case 8: case 10: case 11: case 12: case 13: case 33: case 38:
      TopBed = 0;
      break;
    default:
      TopBed = UMethod >= 100 ? 0 : 1;
  }
}

void checkSizes(DataSetRead& d) {
  if (MaxPunkter < 6 || MaxCeller < 1 || MaxFlater < 6) d.refuseWith(1, "Error for F 65 in control: too low numbers");
  if (d.count != 5) d.refuseWith(1, "Error for F 65 in control: Have only read %d numbers.", d.count);
  if (MaxNester < 2) MaxNester = 2;
  if (MaxConnFlate < 2) MaxConnFlate = 2;
}

void temperatureComponent(DataSetRead&) {
  if (TemperatureFlag != 1) return;
  std::memcpy(QualityName[0], "Temperature" "        ", 20);  // eight blanks and the zero byte
  if (NoComponents < 1) NoComponents = 1;
}

void componentNamesDefault() { std::memset(QualityName, 0, sizeof QualityName); }

void thermoclineGiven(DataSetRead&) { FlagThermocline = 1; }

// The slide methods 202..205 of F 56 belong to the multi-layer bed: F 37 3
// must stand earlier in the file.
void checkSlideMethod(DataSetRead& d) {
  if (IterAvalanche >= 202 && IterAvalanche <= 205 && FlagTSC != 3)
    d.refuseWith(1, "Error for F 56/F 37 data sets: F 56 204/205 should only be used with F 37 3\n\n");
}

void checkDensityDamping(DataSetRead& d) {
  bool ok = TurbDensAlphaU <= 0 && TurbDensAlphaT <= 0 && TurbDensBetaU >= 0 && TurbDensBetaT >= 0 && TDvelo >= 0;
  if (!ok) d.refuseWith(1, d.row.countMessage, d.count);
}

void minVerticalSize(DataSetRead&) {
  MinVertDist1 = MinVertDist;
  MinVertDist0 = 0.25 * MinVertDist;
}

void froudeHystatGiven(DataSetRead&) { FlagFroudeHystat = 1; }
void minDepths(DataSetRead&) { MinVertDist = MinVertDist1; }

void porousWallParams(DataSetRead&) {
  if (PorosWallFlag == 0) PorosWallFlag = 2;
}

// Globals that only side effects of these data sets set.
void derivedDefaults() {
  FlagMinBedLev = 0;
  FlagCoriolis = 0;
  TopBed = 0;
  FlagThermocline = 0;
  FlagFroudeHystat = 0;
}

}  // namespace

std::vector<DataSet> datasetsF001() {
  std::vector<DataSet> rows = {
      row(1, {C(debugging, 'N')}),
      {.letter = 'F', .number = 2, .reader = readRun, .defaults = runDefault},
      {.letter = 'F', .number = 3, .values = {D(convergence, 1e-6)}, .defaults = derivedDefaults},
      row(4, {D(relax_morph, 0.5), I(iter_morph, 50), D(conv_morph, 0.01)}),
      {.letter = 'F', .number = 5, .values = {D(SinReposeAngle, 1.0)}, .reader = readReposeAngle},
      row(6, {D(ConcFormCoeff, 0.015), D(ConcFormTstar, 1.5), D(ConcFormDstar, 0.3)}),
      {.letter = 'F', .number = 7, .reader = readOptionLetters, .defaults = optionLettersDefault},
      row(8, {D(MaxBedChange, 0.1)}, {range(0, 0, 1)}),
      row(9, {D(EddyMult, 1.0)}, {range(0, 0.1, 10)}),
      row(10, {C(SedimentFormula, 'R')}, {}, -1, checkSedimentFormula),
      row(11, {D(density, 2.65), D(shieldscoeff, -0.047)}, {range(0, 1, 10), atMost(1, 1)}),
      row(12, {D(Schmidt, 1.0)}, {{0, 0, 5, true, false}}),
      row(13, {D(StressDiff, 0)}, {range(0, 0, 5)}),
      row(14, {D(ArtDiff, 0)}, {range(0, 0, 5e10)}),
      row(15, {I(FlagWallAll, 0)}, {range(0, 0, 20)}),
      row(16, {D(XksWall, -2.0)}, {range(0, -3, 10)}, -1, copyWallRoughness),
      row(17, {D(TimeStep, 1e-20)}, {atLeast(0, 1e-10)}),
      row(18, {D(SourDens, 0)}, {range(0, 0.0001, 100)}),
      row(19, {D(InitPres, 0)}, {range(0, 0, 10)}),
      row(20, {I(IterF2, 1)}, {atLeast(0, 1)}),
      row(21, {D(RelaxRhieChow, 1.0)}, {range(0, -1, 20)}),
      row(22, {D(MinPorosity, 0.35), D(RelaxPorosity, 2.0)}, {range(0, 0.001, 1), range(1, -1, 10)}),
      row(23, {D(FillPart, 0), D(FillCriteria, 0)}, {range(0, 0, 1), atLeast(1, 0)}),
      row(24, {I(TurbulenceModel, 0)}, {range(0, 0, 20)}),
      row(25, {D(MinPorosity, 0.35), D(RelaxPorosity, 2.0), D(RoughPoros1, 0.5), D(RoughPoros2, 0.8), I(DiamPoros, 5)},
          {range(0, 0.001, 1), range(1, -1, 10), range(2, 0.001, 1), range(3, 0.001, 1), range(4, 0, 7)}),
      row(26, {D(SolidFrac, 0.5)}, {range(0, 0, 15)}),
      row(27, {I(SedimentScheme, 0)}, {range(0, 0, 10)}, -1, logSedimentScheme),
      // ADConvNo: 10 x xnumber x ynumber as they stand before any data set, that is 0.
      row(28, {I(ADFlag, 1), I(ADSmearNo, 2), I(ADConvNo, 0), D(ADSmearLim, 1.0)},
          {range(0, 0, 1), atLeast(1, 0), atLeast(2, 0), range(3, 0, 100)}),
      row(30, {I(BedFlags[0], 0), I(BedFlags[1], 0), I(BedFlags[2], 0), I(BedFlags[3], 0), I(BedFlags[4], 0),
               I(BedFlags[5], 0)},
          {range(0, 0, 6), range(1, 0, 6), range(2, 0, 6), range(3, 0, 6), range(4, 0, 6), range(5, 0, 6)}),
      row(31, {D(PorosMult1, 0.8), D(PorosMult2, 0.8)}, {range(0, 0, 10), range(1, 0, 10)}),
      row(32, {D(twoDratio, 0)}, {range(0, 0, 1000)}),
      {.letter = 'F', .number = 33, .values = {D(TimeStep, 1e-20), I(TransInnerIter, 1)},
       .bounds = {atLeast(0, 1e-20), atLeast(1, 0)}, .required = 2,
       .countMessage = "Two numbers are required on F 33 data set\n"},
      row(34, {D(ArtEddyVisc, 0)}, {atLeast(0, 0)}),
      row(35, {D(relaxBedShear, 0.5)}, {range(0, 0, 1)}),
      row(36, {I(FlagTFS, 0)}, {range(0, 0, 200)}, -1, freeSurfaceSideEffects),
      row(37, {I(FlagTSC, 0)}, {range(0, 0, 3)}),
      row(38, {D(InputErrorLimit, 1e12)}, {atLeast(0, 0)}),
      row(39, {D(AccBedChange, 1.0)}, {atLeast(0, 0)}),
      row(40, {D(relaxDensityTurb, 0)}, {range(0, 0, 10)}),
      row(41, {D(MaxDepthScour, 0)}, {range(0, 0, 10000)}, -1, scourDepthGiven),
      row(42, {D(MinLevScour, 0)}, {range(0, -10000, 10000)}, -1, scourLevelGiven),
      // The second value is optional: stored only when it converts.
      row(47, {D(InterLimit, 0.05), D(InterALimit, 1e10)}, {atLeast(0, 0)}),
      row(48, {I(FlagInterpolVal, 0)}, {range(0, 0, 100)}),
      row(50, {I(NoComponents, 0)}, {range(0, 0, 10)}),
      row(51, {D(Coriolis, 0)}, {absAtMost(0, 2)}, -1, coriolisGiven),
      row(52, {D(Wind[0], 0), D(Wind[1], 0), D(Wind[2], 0)}, {range(0, 1e-7, 1000)}, 3, checkWind),
      row(53, {I(PrintIterBoogie, 100), I(PrintIterRes, 100), I(PrintIterForce, 1), I(PrintIterTime, 1)},
          {atLeast(0, 1), atLeast(2, 1), atLeast(3, 1)}, 4),
      row(54, {D(TimeBreakLimit, 0.002)}, {atLeast(0, 0)}),
      row(56, {I(IterAvalanche, 0), D(AngleAvalanche, 1.0)}, {atLeast(0, 0), range(1, 0.01, 50)}, 2, checkSlideMethod),
      row(58,
          {I(TFStimeterm, 1), I(TFSpreszero, 0), I(TFSmovewall, 0), I(TFSfroudeforward, 1), D(TFSdiffratio, 0.02),
           D(TFSdampwall, 2.0), D(TFSdampobs, 2.0), D(TFStopvelocity, 0), D(TFSforcesource, 1.0), D(TFSuslope, 0)},
          {range(0, 0, 1), range(1, 0, 1), range(2, 0, 1), range(3, 0, 1), atLeast(4, 0), range(5, 0, 5),
           range(6, 0, 5), range(7, -0.0001, 5), range(8, -0.0001, 5), atLeast(9, 0)}),
      row(60, {I(TSCbedrouse, 0), I(TSCbedforms, 0)}, {range(0, 0, 10), range(1, 0, 10)}, 2),
      row(61, {D(CrankNicols, 0)}, {range(0, 0, 1)}, 1),
      row(62, {I(FlagTComp, 0)}, {range(0, 0, 1)}),
      row(63, {I(SouComp, 0)}, {range(0, 0, 100)}, -1, componentScheme),
      row(64, {I(UMethod, 11)}, {range(0, 0, 500)}, 1, gridAlgorithm),
      {.letter = 'F', .number = 65,
       .values = {I(MaxCeller, 50000), I(MaxFlater, 80000), I(MaxPunkter, 50000), I(MaxNester, 10000),
                  I(MaxConnFlate, 1000)},
       .after = checkSizes},
      row(66, {D(NestInterpolRelax, 0)}, {range(0, 0, 1)}),
      {.letter = 'F', .number = 67, .values = {I(TemperatureFlag, 0)}, .bounds = {range(0, 0, 1)},
       .after = temperatureComponent, .defaults = componentNamesDefault},
      row(68, {I(Hydrostatic, 0)}, {range(0, 0, 10)}, 1),
      row(69, {I(Seiche1, 0), I(Seiche2, 0), I(Seiche3, 0), I(Seiche4, 0), I(Seiche5, 0), I(Seiche6, 0), I(Seiche7, 0)},
          {}, 7),
      row(70, {I(WallFlag, 0)}, {range(0, 0, 100)}, 1),
      row(71, {I(TurbDensFlag, 0)}, {range(0, 0, 100)}, 1),
      row(72, {D(MinGamma, 0.001)}, {range(0, 0, 100)}, 1),
      row(73, {I(WindFlag, 0)}, {range(0, 0, 100)}, 1),
      row(74, {I(TimeRelaxFlag, 0)}, {range(0, 0, 2)}, 1),
      row(75, {D(Thermocline, 0)}, {range(0, -0.5, 40)}, 1, thermoclineGiven),
      row(76, {D(TDChoriz, 1.0), D(TDCvert, 1.0), D(TDCdistrib, 0)}, {range(0, 0, 1000), range(1, 0, 1000), range(2, 0, 1)},
          3),
      row(77, {D(TChoriz, 1.0), D(TCvert, 1.0)}, {atLeast(0, 0), atLeast(1, 0)}, 2),
      row(78, {I(BedLoadVectorFlag, 0), D(BedLoadVectorParam, 0.6)}, {atLeast(0, 0)}, 2),
      row(79, {I(FlagBedCalc, 0), I(lnumber, 1)}, {range(0, 0, 10), range(1, 0, 50)}, 2),
      row(80, {D(Coriolis, 0), D(relaxCoriolis, 0)}, {absAtMost(0, 2), atLeast(1, 0)}, 2, coriolisGiven),
      row(81, {I(ArrayTimeSteps, 200)}, {atLeast(0, 1), countFits(0, 1)}, 1),
      // Its own message for every refusal, with the count of values read.
      {.letter = 'F', .number = 82,
       .values = {D(TurbDensAlphaU, -0.5), D(TurbDensBetaU, 10.0), D(TurbDensAlphaT, -1.5), D(TurbDensBetaT, 3.33),
                  D(TDvelo, 1e-6)},
       .required = 5, .countMessage = "Error for F 82 in control, have read %d of 5 floating point numbers,",
       .after = checkDensityDamping},
      row(83, {D(ConcFormBCoeff, 0.053), D(ConcFormBTstar, 2.1), D(ConcFormBDstar, 0.3), D(ConcFormBD50, 1.5)}, {}, 4),
      row(84, {I(BedLoadFlag, 0)}, {atLeast(0, 0)}, 1),
      row(85, {I(ContinuityFlag, 0)}, {atLeast(0, 0)}, 1),
      row(86, {D(MinVertDist, 0.001)}, {range(0, 0, 10)}, 1, minVerticalSize),
      row(87, {D(GridDistCoeff, 0.6)}, {range(0, 0, 10)}, 1),
      row(88, {D(MaxGamma, 1000)}, {atLeast(0, 0)}, 1),
      row(89, {D(DistGridHoriz, 0.5)}, {range(0, 0.001, 1)}, 1),
      row(90, {I(FlagRoughness, 0)}, {range(0, 0, 10)}, 1),
      row(91, {I(iPres, 0), I(jPres, 0)}, {atLeast(0, 0), atLeast(1, 0)}, 2),
      row(92, {I(PorosWallFlag, 0)}, {atLeast(0, 0)}, 1),
      row(93, {D(FroudeHystat, 1.0)}, {range(0, 0, 1000)}, 1, froudeHystatGiven),
      row(94, {D(MinVertDist0, -0.001), D(MinVertDist1, 0.01)}, {atLeast(1, 0)}, 2, minDepths),
      row(95, {D(BPWparam1, 0.5), D(BPWparam2, 0.2)}, {atLeast(0, 0), atLeast(1, 0)}, 2, porousWallParams),
      row(96, {I(OneCellSource, 0)}, {atLeast(0, 0)}, 1),
      row(98, {I(BlockMethodFlag, 0)}, {atLeast(0, 0)}, 1),
      row(99, {I(BedRecIter, 1)}, {atLeast(0, 1)}, 1),
  };
  return rows;
}
