#include "state/runstate.h"

#include <cstring>

#include "state/flowstate.h"
#include "state/outputstate.h"
#include "state/records.h"
#include "state/sedimentstate.h"

void setRunStateInitial() {
  mc_message[0] = mc_program[0] = mc_v1[0] = 0;
  FlagInitialFinished = FlagWhatsRunning = FlagThixoIsComputing = 0;
  WCStart = WCEnd = WFStart = WFEnd = 0;
  Iter = 0;
  FlagInitialized = FlagInitializedInvAp = FlagHaveDoneMetric = FlagGridHasChanged = FlagNeedsToBeInterpolated = FlagGridChange = 0;
  FlagErrorBreak = FlagWantToPrint = 0;
  FlagReadRes = FlagReadAlldata = FlagReadFracres = FlagReadUnstruc = FlagDischargeTime = FlagJTime = FlagBechInt =
      FlagInitPoros = FlagHaveInitiatedCyclic = 0;
  FlagHaveReadCyclic = FlagInspace = InspaceTimeNo = inflowj = inflowk = 0;
  TimeInNo = TimePrintNo = NoAlldataPrintout = 0;
  W1Given = 0;
  NoCells = NoSurfaces = NoPoints = NoBlocks = 0;
  NoBCells = NoNestflater = NoConnect = NoConnFlate = 0;
  NoGeo = FlushedNo = NoCyclesDone = NoNumSurfUpdate = NoNumNoSurfUpdate = NoDepthTimeo = BedStatNo = MorphInitiated =
      MGSGrid = graphN = 0;
  FlagFirstTimeThixo3 = FlagFirstTimeThixo4 = GroundwaterFirstCallDone = 0;
  NoInterpol = NoBaggerTimes = -1;
  NoMGlevels = 0;
  FlagDSO1 = -1;
  BlockID = RoughnessIter = grainsize_number = bnodem = lnodem = 1;
  FlagAngleType = FlagImplicitMPI = 0;
  GlobZRef = maxBackwater = -1e20;
  GlobFluxDefect = SurfVolDefect = MaxDepth = stimeWL1 = stimeWL2 = medianPressure1 = medianPressure2 =
      depthDepositIn = depthDepositOut = deltazscourG = bechMeasAv = AvDepthTimeo = AvShearTimeo1 = AvShearTimeo2 =
          AvShearTimeo3 = AvShearTimeo4 = 0.0;
  otimeWatersolve = otimeSedimsolve = otimeSlidesolve = otimeSlideVertSolve = otimeGridsolve = otimeSurfsolve = 0.0;
  iPres2 = jPres2 = 0;
  GlobPresRef = GlobZRef2 = GlobPresRef2 = oldZvalDownstream = oldZvalUpstream = 0.0;
  scaleBackwater = scaleBackwater2 = 1.0;
  SurfResLimit5 = 0.0;
  SurfMinVertDist0 = 0.0;
  std::memset(NormResidual, 0, sizeof NormResidual);
  relaxVelocity = invRelaxVelocity = relaxPressure = relaxK = relaxEpsilon = 0.0;
  RegIter = WBStart = WBEnd = Equation = 0;
  TDbeta = TDalpha = 0.0;
  Xkappa = 0.4;
  std::memset(blocknested, 0, sizeof blocknested);
  for (int i = 0; i < 30; ++i) DischargeArray[i] = i < 20 ? -1.0 : 0.0;
  std::memset(NoErrorsTrekant, 0, sizeof NoErrorsTrekant);
  std::memset(rute, 0, sizeof rute);
  for (double& c : concBuffer) c = -1.0;
  for (double& b : bechint) b = 1e20;
  NoQuorInterpols = 0;
  bechStanddev = 0.0;
  std::memset(c_points, 0, sizeof c_points);
  stimet = 0.0;
  std::memset(otime, 0, sizeof otime);
  NoCells0 = NoBlocks0 = NoSurfaces0 = NoConnect0 = NoConnFlate0 = nestlevmax = 0;
  std::memset(MaxResidual, 0, sizeof MaxResidual);
  setRecordsInitial();
  setFlowStateInitial();
  setSedimentStateInitial();
  setOutputStateInitial();
}
