// F data sets 100 to 199.
//
// A refused value of F 101 to F 130 ends with "Error for F <n> in control"
// (no line end); from F 131 on the messages end with a line end. Status 1.
#include <cstring>
#include <map>
#include <string>
#include <utility>

#include "io/dataset.h"
#include "state/log.h"
#include "state/options.h"

namespace {

// "Error for F <n> in control\n", kept for the life of the process.
const char* lineMessage(int n) {
  static std::map<int, std::string> texts;
  std::string& t = texts[n];
  if (t.empty()) t = "Error for F " + std::to_string(n) + " in control\n";
  return t.c_str();
}

DataSet row(int n, std::vector<Value> values, std::vector<Bound> bounds = {}, int required = -1,
            DataSetHook after = nullptr) {
  DataSet d{.letter = 'F', .number = n, .values = std::move(values), .bounds = std::move(bounds)};
  d.required = required;
  d.after = after;
  if (n >= 131) d.message = lineMessage(n);
  return d;
}

// TransWriteFiles[0]: the smallest positive interval, 1000000 when none is.
void smallestInterval(DataSetRead&) {
  TransWriteFiles[0] = 1000000;
  for (int k = 1; k <= 4; ++k)
    if (TransWriteFiles[k] > 0 && TransWriteFiles[k] < TransWriteFiles[0]) TransWriteFiles[0] = TransWriteFiles[k];
}

void writeIntervalsDefault() { std::memset(TransWriteFiles, 0, sizeof TransWriteFiles); }

// The reference-level limits belong to the F 60 1 bed concentration.
void checkReferenceLevel(DataSetRead& d) {
  if (TSCbedrouse != 1) d.refuse();
}

void bedDllOff(DataSetRead&) { FlagBedDLL = 0; }
void keepRhieChow(DataSetRead&) { OrigFlagRhieChow = FlagRhieChow; }

void slidePressureWarning(DataSetRead&) {
  if (FlagPresGrad == 4 && FlagTSC >= 1)
    logf("Warning: F 114 4 is based on a special algorithm for slides, and may give instabilities\n\n");
}

void wallsWithoutLaw(DataSetRead&) { FlagWallAll = 1000; }

// The refined window lies inside the block grid as G 1 stands at this point.
void checkRefinedWindow(DataSetRead& d) {
  if (TetI2 > xnumber || TetJ2 > ynumber || TetI1 > TetI2 || TetJ1 > TetJ2) d.refuse();
}

// One size per data set: the size number (1..20), then its cohesion.
void readCohesion(DataSetRead& d) {
  int k = 0;
  if (!d.s.readInt(k) || k < 1 || k > 20) d.refuseWith(1, "Error for F 131 in control - index\n");
  if (!d.s.readDouble(cohesive[k]) || cohesive[k] < 0)
    d.refuseWith(1, "Error for F 131 in control - negative cohesion\n");
}

void cohesionDefault() { std::memset(cohesive, 0, sizeof cohesive); }

// More than two bed layers only with the F 37 3 method.
void checkBedLayers(DataSetRead& d) {
  if (NoBedLayers != 2 && FlagTSC != 3) d.refuse();
}

void readMinUPlus(DataSetRead& d) {
  if (!d.s.readDouble(MinUPlus) || MinUPlus < 0) d.refuseWith(1, "Error for F 139 in control, 1st. parameter\n");
  if (!d.s.readDouble(MinUPlusK) || MinUPlusK < 0) d.refuseWith(1, "Error for F 139 in control, 2nd. parameter\n");
}

void keepGridStab(DataSetRead&) {
  FlagGridStab2ori = FlagGridStab2;
  FlagGridStab5ori = FlagGridStab5;
}

void keep2DAccSolver(DataSetRead&) { Flag2DAccSolverOri = Flag2DAccSolver; }

// Cyclic inflow; a second value 5 asks for cyclic sediment inflow with its
// relaxation as third value.
void readCyclic(DataSetRead& d) {
  if (!d.s.readInt(FlagCyclic)) d.refuseWith(1, "Error for F 174 in control\n");
  int sediment = 0;
  if (!d.s.readInt(sediment)) {
    FlagCyclicS = 0;
    return;
  }
  FlagCyclicS = sediment;
  if (sediment != 5) return;
  if (!d.s.readDouble(relaxCyclicS) || relaxCyclicS < 0 || relaxCyclicS > 1)
    d.refuseWith(1, "Error for F 174 x 5 in control\n");
}

}  // namespace

std::vector<DataSet> datasetsF100() {
  return {
      {.letter = 'F', .number = 101,
       .values = {I(TransWriteFiles[1], 0), I(TransWriteFiles[2], 0), I(TransWriteFiles[3], 0),
                  I(TransWriteFiles[4], 0)},
       .required = 4, .after = smallestInterval, .defaults = writeIntervalsDefault},
      row(102, {I(FlagMinLevUnstruc, 0)}, {atLeast(0, 0)}, 1),
      row(103, {I(Flag2BedRoughness, 0)}, {atLeast(0, 0)}, 1),
      row(104, {I(FlagEndCorrect, 0)}, {atLeast(0, 0)}, 1),
      row(105, {I(IterWaterUpdate, 10)}, {atLeast(0, 1)}, 1),
      row(106, {D(TopThickness, -1.0)}, {{0, 1e-10, 1e5, false, false, true}}, 1),
      row(109, {D(BedCritTanSlopeUp, 1.23), D(BedCritTanSlopeDown, 0.78), D(BedCritMinDamp, 0.2)},
          {atLeast(0, 0), atLeast(1, 0), range(2, 0, 1)}, 3),
      row(110, {D(HRzmax, 2.0), D(HRmulmin, 0.01)}, {atLeast(0, 0), range(1, 0, 1)}, 2, checkReferenceLevel),
      row(111, {I(FlagBedDLL, 0)}, {range(0, 0, 1)}, 1, bedDllOff),
      row(112, {I(FlagNewGrid, 0)}, {range(0, 0, 100)}, 1),
      {.letter = 'F', .number = 113, .values = {I(FlagRhieChow, 0)}, .bounds = {range(0, 0, 100)}, .required = 1,
       .after = keepRhieChow, .defaults = [] { OrigFlagRhieChow = 0; }},
      row(114, {I(FlagPresGrad, 0)}, {range(0, 0, 100)}, 1, slidePressureWarning),
      row(115, {I(FlagDragDLL, 0)}, {range(0, 0, 500)}, 1),
      row(116, {I(FlagSurfDLL, 0)}, {atLeast(0, 0)}, 1),
      row(120, {I(FlagWallDLL, 0)}, {atLeast(0, 0)}, 1, wallsWithoutLaw),
      row(121, {I(FlagTurbDLL, 0)}, {atLeast(0, 0)}, 1),
      row(125, {I(FlagTSCDLL, 0)}, {atLeast(0, 0)}, 1),
      row(126, {I(FlagNestDLL, 0)}, {atLeast(0, 0)}, 1),
      row(128, {I(FlagPresSetZero, 0)}, {}, 1),
      row(129, {I(FlagBedInterpol, 0)}, {atLeast(0, 0)}, 1),
      row(130, {I(TetI1, 0), I(TetI2, 0), I(TetJ1, 0), I(TetJ2, 0)}, {atLeast(0, 2), atLeast(2, 2)}, 4,
          checkRefinedWindow),
      {.letter = 'F', .number = 131, .reader = readCohesion, .defaults = cohesionDefault},
      {.letter = 'F', .number = 132, .values = {D(FroudeMaxSurface, 0)}, .bounds = {atLeast(0, 0)}, .required = 1,
       .message = "Error for F 132 in control - negative value\n"},
      row(134, {I(NoBedLayers, 2)}, {range(0, 2, 5000)}, 1, checkBedLayers),
      row(135, {I(FlagGravityTerm, 0)}, {atLeast(0, 0)}, 1),
      row(136, {D(PresGradMax, 0)}, {atLeast(0, 0)}, 1),
      row(137, {I(QNFlag, 0)}, {atLeast(0, 0)}, 1),
      row(138, {D(ArtMinKinen, 1e-20)}, {atLeast(0, 0)}, 1),
      {.letter = 'F', .number = 139, .values = {D(MinUPlus, 1.0), D(MinUPlusK, 1.0)}, .reader = readMinUPlus},
      row(140, {I(FlagEpsWallLim, 0)}, {atLeast(0, 0)}, 1),
      row(141, {D(MaxEpsLim, 100.0)}, {atLeast(0, 0)}, 1),
      row(143, {I(PresRegres, 0)}, {atLeast(0, 0)}, 1),
      row(144, {I(FlagBedSmooth, 0), D(ParamBedSmooth, 0)}, {atLeast(0, 0)}, 2),
      row(147,
          {I(ExtrapIter, 20), I(ExtrapAlgo1, 2), I(ExtrapAlgo2, 2), D(ExtrapRelVel, 0.2), D(ExtrapRelK, 1.0),
           D(ExtrapRelE, 1.0)},
          {atLeast(0, 0), atLeast(3, 0), atLeast(4, 0), atLeast(5, 0)}, 6),
      row(148, {D(MaxSurfSlope, -0.1)}, {atLeast(0, 0)}, 1),
      row(149, {D(TurbMultVert, 1.0), D(TurbMultHor, 1.0)}, {atLeast(0, 0), atLeast(1, 0)}, 2),
      row(152, {I(MGSNo, 0)}, {range(0, 0, 10)}, 1),
      row(153, {I(FlagResidual, 1)}, {range(0, 0, 10)}, 1),
      row(154, {I(SurfSmoothFlag, 0), D(SurfSmoothVal, 0)}, {atLeast(0, 1)}, 2),
      row(156, {I(PauseFlag, 0)}, {atLeast(0, 0)}, 1),
      row(157, {I(FlagSimpleCorrections, 0)}, {atLeast(0, 0)}, 1),
      {.letter = 'F', .number = 159,
       .values = {I(FlagGridStab1, 1), I(FlagGridStab2, 0), I(FlagGridStab3, 0), I(FlagGridStab4, 1),
                  I(FlagGridStab5, 0)},
       .bounds = {atLeast(0, 0), atLeast(1, 0), atLeast(2, 0), atLeast(3, 0), atLeast(4, 0)}, .required = 5,
       .message = "Error for F 159 in control\nDefault F 159: 1 0 0 1 0\n", .after = keepGridStab,
       .defaults = [] {
         FlagGridStab2ori = 0;
         FlagGridStab5ori = 0;
       }},
      row(160, {I(FlagBedVol, 0)}, {atLeast(0, 0)}, 1),
      row(162, {D(MinVertDist2, 0)}, {}, 1),
      row(163, {I(FlagBedChange, 0)}, {}, 1),
      row(164, {I(FlagRapSolver, 0)}, {}, 1),
      row(165, {I(FlagUnstrucDir, 0)}, {}, 1),
      row(166, {I(FlagSurfRegen, 0)}, {}, 1),
      {.letter = 'F', .number = 168, .values = {I(Flag2DAccSolver, 0)}, .bounds = {countFits(0, 2)}, .required = 1, .message = lineMessage(168),
       .after = keep2DAccSolver, .defaults = [] { Flag2DAccSolverOri = 0; }},
      row(169, {I(FlagHideEx, 0), D(HideExParam, 0)}, {}, 2),
      row(170, {I(FlagFastWatersolve, 0)}, {}, 1),
      row(171, {I(FlagSIMPLE, 0)}, {}, 1),
      row(172, {I(FlagShearBedform, 0), D(ShearBedformLim, 2.0), D(ShearBedformCoeff, 7.0 / 3.0)}, {atLeast(0, 0)}, 3),
      {.letter = 'F', .number = 174, .values = {I(FlagCyclic, 0), I(FlagCyclicS, 0), D(relaxCyclicS, 0.1)},
       .reader = readCyclic},
      row(175, {D(RelaxTFS, 0.1)}, {}, 1),
      row(176, {I(FlagRBedformsmooth, 0), D(RBedformsmooth, 0)}, {}, 2),
      row(177, {I(FlagHastGrad, 0)}, {}, 1),
      row(178, {I(FlagSurfSmooth, 0)}, {}, 1),
      row(179, {I(FlagSurfUpwind, 1), I(FlagSurfDiffusive, 0)}, {}, 2),
      row(180, {I(FlagSurfDownstream, 0)}, {}, 1),
      row(181, {I(FlagGravity, 0)}, {}, 1),
      row(182, {I(FlagBedslopeCorrection, 0)}, {}, 1),
      row(183, {I(FlagPresDebug, 0)}, {}, 1),
      row(184, {I(FlagPCalg, 0)}, {}, 1),
      row(185, {I(FlagSurfEps, 0), D(SurfEpsCoeff, 0.43)}, {}, 2),
      row(186, {I(FlagTDMA, 0)}, {}, 1),
      row(187, {I(FlagSurfEdge, 0)}, {}, 1),
      row(188, {I(FlagWorkSedim, 0)}, {}, 1),
      row(189, {I(FlagDrevan, 0), D(ParamDrevan, 0)}, {}, 2),
      row(191, {D(ConnectLimit, 1e-5)}, {}, 1),
      row(192, {D(NestNoRatio, 1.0)}, {}, 1),
      row(193, {D(SmallNumberUnstruc, 1e-8)}, {}, 1),
      row(198, {I(FlagSlideDLL, 0)}, {}, 1),
  };
}
