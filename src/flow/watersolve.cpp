// The main flow driver: set-up of the grid and the start state, the outer
// iterations (steady iterations or time steps), the inner iterations that run
// the stages in their fixed order, the free-surface moves, the result files at
// the set intervals and the end of the computation. The stages and services
// are called through flowDriverCalls.
#include <cmath>
#include <cstdio>

#include "bed/bed.h"
#include "flow/cellequations.h"
#include "flow/flow.h"
#include "flow/stages.h"
#include "grid/fieldmap.h"
#include "grid/geometry.h"
#include "state/log.h"
#include "output/output.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/flowstate.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/startup.h"
#include "surface/surface.h"

FlowDriverCalls defaultFlowDriverCalls() {
  FlowDriverCalls t{};
  t.metric = metric;
  t.bedMake = BedMake;
  t.startup = startup;
  t.computeWCStart = computeWCStart;
  t.setiPresjPres = SetiPresjPres;
  t.sialloc = sialloc;
  t.gridTest = gridTest;
  t.modifyGrid = ModifyGrid;
  t.algMGMake = AlgMGMake;
  t.sprintflow = sprintflow;
  t.surface = surface;
  t.surfaceTfs = surface_tfs;
  t.surfaceLSUpdate = surface_LS_update;
  t.groundwater = groundwater;
  t.computeSlideLocation = computeSlideLocation;
  t.computeChangeTimestep = computeChangeTimestep;
  t.limitPressureMPI = limitPressureMPI;
  t.thixoDamp[0] = ThixoDamp;
  t.thixoDamp[1] = ThixoDamp1;
  t.thixoDamp[2] = ThixoDamp2;
  t.thixoDamp[3] = ThixoDamp3;
  t.waterflow = waterflow;
  t.boundary = boundary;
  t.explicitPredictor = explicitPredictor;
  t.momentumStage = momentumStage;
  t.pressureStage = pressureStage;
  t.turbulenceStage = turbulenceStage;
  t.componentStage = componentStage;
  t.printEndWaterSolve = printEndWaterSolve;
  t.timePrintFunction = TimePrintFunction;
  t.printDebugTrekant = printDebugTrekant;
  return t;
}

FlowDriverCalls flowDriverCalls = defaultFlowDriverCalls();

namespace {

// Sums over the outer iterations of the run: the iteration residual, the
// inner-loop counters and their number. Zeroed when the first flow
// computation of the run starts.
double AverageMaxResidual = 0.0;
int AverageInnerIter = 0;
int NoAverages = 0;

bool transient() { return TimeStep > 1e-8; }

bool isCell(int c) { return c >= 1 && c <= NoCells; }

bool columnInGrid(int i, int j) { return zval && i >= 0 && i <= xnumber + 1 && j >= 0 && j <= ynumber + 1; }

// Walks down every column from its top cell: the pressure of the water above
// each cell centre, 9810 Pa per metre.
void hydrostaticStart() {
  for (int c = 1; c <= NoCells; ++c) {
    if (Ccellt[c] != 0) continue;
    double d = 0.0;
    for (int cell = c, steps = 0; isCell(cell) && steps < NoCells; cell = Ccellb[cell], ++steps) {
      d += Ckdist[cell];
      Cpres[cell] = 9810.0 * d;
      d += Ckdist[cell];
    }
  }
}

bool printThisIteration() {
  const double it = Iter;
  return debugging == 'D' || debugging == 'E' || Iter <= 9 || Iter == iterGlobalMax ||
         (Iter <= 99 && multipleOf(it, 10)) || multipleOf(it, PrintIterBoogie) ||
         (debugging == 'J' && multipleOf(it, 100));
}

}  // namespace

// Start of a time step: the fields of the previous steps.
void copyPreviousTimeStep() {
  const int first = WCStart < 0 ? 0 : WCStart;
  if (FlagTimeOrder > 0 && Cxvel_old2 && Cyvel_old2 && Czvel_old2 && Cxvel_old && Cyvel_old && Czvel_old)
    for (int c = first; c <= WCEnd; ++c) {
      Cxvel_old2[c] = Cxvel_old[c];
      Cyvel_old2[c] = Cyvel_old[c];
      Czvel_old2[c] = Czvel_old[c];
    }
  if (Cxvel_old && Cyvel_old && Czvel_old && Ckinen_old && Cepsilon_old)
    for (int c = first; c <= WCEnd; ++c) {
      Cxvel_old[c] = Cxvel[c];
      Cyvel_old[c] = Cyvel[c];
      Czvel_old[c] = Czvel[c];
      Ckinen_old[c] = Ckinen[c];
      Cepsilon_old[c] = Cepsilon[c];
    }
  if (FlagTComp == 1 && Ccomp && Ccomp_old)
    for (int m = 0; m < NoComponents; ++m)
      for (int c = first; c <= WCEnd; ++c) Ccomp_old[m][c] = Ccomp[m][c];
  stimet += TimeStep;
}

namespace {

void thixoStability() {
  const int b = NoBlocks >= 2 && block[2].subBed > 0 ? 2 : 1;
  if (FlagThixoDamp >= 0 && FlagThixoDamp <= 3) flowDriverCalls.thixoDamp[FlagThixoDamp](b);
}

}  // namespace

// Sums of the regression of each column's top pressure on the iteration
// counter (F 143), read by the surface update.
void addPressureRegression() {
  ++RegIter;
  if (!PresRegresN || !PresRegresSumX || !PresRegresSumXX || !PresRegresSumPres || !PresRegresSumXPres) return;
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    const BlockRecord& B = block[b];
    if (B.gridLevel != 0) continue;
    for (int i = B.i1; i <= B.i2; ++i)
      for (int j = B.j1; j <= B.j2; ++j) {
        if (!columnInGrid(i, j)) continue;
        int t = static_cast<int>(zval[i][j][0]);
        if (!isCell(t)) continue;
        for (int steps = 0; isCell(Ccellt[t]) && steps < NoCells; ++steps) t = Ccellt[t];
        PresRegresN[i][j] += 1;
        PresRegresSumX[i][j] += RegIter;
        PresRegresSumXX[i][j] += static_cast<double>(RegIter) * RegIter;
        PresRegresSumPres[i][j] += Cpres[t];
        PresRegresSumXPres[i][j] += RegIter * Cpres[t];
      }
  }
}

namespace {

// The pressures of block 1 relative to the reference column (F 481).
void scalePressureToReference() {
  if (NoBlocks < 1) return;
  const int first = block[1].firstCell < 1 ? 1 : block[1].firstCell;
  const int last = block[1].lastCell > NoCells ? NoCells : block[1].lastCell;
  int c0 = iPres > 0 && jPres > 0 && columnInGrid(iPres, jPres) ? static_cast<int>(zval[iPres][jPres][0]) : 0;
  if (!isCell(c0)) c0 = last;
  if (!isCell(c0)) return;
  const double ref = Cpres[c0];
  for (int c = first; c <= last; ++c) Cpres[c] -= ref;
}

bool classicSurfaceMethod() {
  switch (FlagTFS) {
    case 2: case 3: case 4: case 5: case 7: case 8: case 9: case 10: case 21: case 30: return true;
    default: return false;
  }
}

void surfaceAfterOuterIteration(double R) {
  if (FlagCallSurface == 0 && classicSurfaceMethod() && FlagRoof == 1 && Iter != 0 && FlagThixoIsComputing == 0 &&
      multipleOf(Iter, IterWaterUpdate)) {
    if (R < SurfResCrit || (SurfResCrit < 0 && MaxResidual[4] < 0.001) || FlagMPI > 0 || FlagTFS == 3) {
      if (FlagScalePressure > 0) scalePressureToReference();
      flowDriverCalls.surface();
    } else {
      ++NoNumNoSurfUpdate;
    }
  }
  if ((FlagTFS == 1 || (FlagTFS >= 11 && FlagTFS <= 19)) && FlagRoof == 1 && Iter != 0 && FlagThixo < 2)
    flowDriverCalls.surfaceTfs(0, 1);
  if (FlagTFS == 50 && multipleOf(Iter, IterWaterUpdate)) flowDriverCalls.surfaceLSUpdate();
}

void endOfComputation() {
  if (FlagMPI > 0 && FlagPresMPIboundary == 8) flowDriverCalls.limitPressureMPI();
  if (FlagMPI > 0 && FlagTSC == 0) {
    flowDriverCalls.sprintflow();
    return;
  }
  gFlagFlow = 0;
  setRelaxationFactors();
  FlagRhieChow = OrigFlagRhieChow;
  stamp(32);
}

}  // namespace

void WaterSolve() {
  const FlowDriverCalls& call = flowDriverCalls;

  // Set-up.
  Glob_dmI = 0;
  GlobContinuity = 0.0;
  FlagFlushIter = 0;
  double* const entryCf = Cf;
  double* const entryCfOld = Cf_old;
  double* const entryU = Cxvel;
  double* const entryV = Cyvel;
  double* const entryW = Czvel;

  int n = TransInnerIter;
  if (Iter == 1 && FirstIterNo > 0 && FlagThixoIsComputing == 0 && FirstIterNo > n) n = FirstIterNo;

  if (debugging == 'Q')
    fatal(-5,
          "Error: The F 1 Q data set in the control file is only used when generating\n"
          "the grid. It is not used when running the program\n\n");
  if (FlagMPI > 0) {
    logf("Error for F 308 data set in the control file. The data set should not be \n"
         "used when computing the water flow in a TOVAK version that is not MPI enabled\n\n");
    // The computation goes on as a divided run would, but the run must not
    // end as if nothing had been wrong.
    RunErrorReported = 1;
  }

  call.metric();
  if (NoBCells == 0 && (FlagRoughness > 0 || FlagTFS > 10 || FlagTFS == 1 || FlagDragDLL > 0) &&
      (FlagTSC == 0 || Iter == 0))
    call.bedMake();
  call.startup();
  if (FlagTSC == 0 && MGSNo == 0) call.computeWCStart();
  if (FlagInitialized == 0) {
    call.waterflow(WFStart, WFEnd);
    AverageMaxResidual = 0.0;
    AverageInnerIter = 0;
    NoAverages = 0;
  }
  FlagInitialized = 1;
  FlagFlowParamChange = 0;
  if (FlagTSC == 0 && FlagTFS >= 2 && FlagTFS <= 10 && NoBCells == 0) call.bedMake();
  if (FlagTFS > 0 && jPres == 0 && kSurf > 0) call.setiPresjPres();
  if (Cthixolev && Cthixorat && stimet < 1e-9)
    for (int c = WCStart < 0 ? 0 : WCStart; c <= WCEnd; ++c) {
      Cthixolev[c] = 0;
      Cthixorat[c] = 0.0;
    }
  if (TurbDensFlag > 0 && Cconc)
    for (int c = WCStart < 0 ? 0 : WCStart; c <= WCEnd; ++c) {
      double sum = 0.0;
      for (int l = 1; l <= lnumber; ++l) sum += Cconc[l][c];
      Cconc[0][c] = sum;
    }
  if (TimePrintNo > 0 && FlagTSC == 0) truncateTimeo();
  if (FlagGravityInitialize == 1 && FlagGravity > 0) hydrostaticStart();
  if (FlagInitiatePres > 1 || (FlagInitiatePres == 1 && Iter == 1)) initiatePressure();

  const int N = MGSNo > 0 ? 300 : FlagTSC > 0 ? 1 : iterGlobalMax;
  if (FlagTSC == 0 && transient()) stimet = 0.0;
  if (Flag2DAccSolver > 0 && NoBlocks >= 1 && NoBlocks < 100 && block[NoBlocks].kind == 0) call.algMGMake();
  if (FlagTSC == 0) stamp(0);

  double R = 10000.0;
  for (int o = 1; o <= N; ++o) {
    if (FlagTSC == 0 && MGSNo == 0) Iter = o;
    setRelaxationFactors();
    if (NoProcessesSolver > 0) computeChunkSizes();
    if (FlagTSC == 0) FlagPrint = printThisIteration() ? 0 : 1;
    if (transient()) copyPreviousTimeStep();
    if (FlagTSC == 0) {
      if (TimePrintNo > 0 && stimet >= TimePrint[0].time && (multipleOf(Iter, PrintIterTime) || Iter == 2))
        call.timePrintFunction();
      if (FlagThixoDamp == 5) {
        if (FlagGroundwater == 2) call.groundwater();
        call.computeSlideLocation();
        if (FlagThixoTimestep == 1) call.computeChangeTimestep();
      }
    }

    // Inner iterations.
    int i = 1;
    for (; i <= n; ++i) {
      char text[200];
      std::snprintf(text, sizeof text, " VA-Dave %d %d           ", FlagThixoIsComputing, i);
      setProgram(text);
      stamp(1);
      if (FlagGridChange == 1) {
        Equation = 1;
        FlagGridChange = 0;
        call.metric();
        call.startup();
        call.boundary();
        call.waterflow(WFStart, WFEnd);
      }
      if (FlagFlowParamChange == 1) {
        FlagFlowParamChange = 0;
        call.sialloc();
      }
      if (FlagThixoIsComputing == 1 && FlagThixo > 1 && (i > 1 || Iter == 1)) thixoStability();
      if (TurbDensFlag > 0) {
        TDalpha = TurbDensAlphaU;
        TDbeta = TurbDensBetaU;
      }
      if (FlagSIMPLE == 2 || FlagSIMPLE == 4 || FlagSIMPLE == 5) call.explicitPredictor(i);
      if (debugging == 'A') call.gridTest();
      if (FlagSIMPLE != 5) call.momentumStage(i);
      // The pressure correction works in the driver's own array p'.
      Cf = entryCf;
      Cf_old = entryCfOld;
      if (FlagSIMPLE != 4 && FlagSIMPLE != 5 && call.pressureStage(i, R) == 1) return;
      if (!(TurbulenceModel >= 4 && TurbulenceModel <= 7) && FlagThixoIsComputing == 0) call.turbulenceStage(i);
      if (NoComponents > 0) call.componentStage(i);

      // Convergence control.
      R = 0.0;
      for (int e = 1; e <= 6; ++e) {
        if (MaxResidual[e] < 1e-90) MaxResidual[e] = 0.0;
        if (MaxResidual[e] > R) R = MaxResidual[e];
      }
      Cf = entryCf;
      Cf_old = entryCfOld;
      Cxvel = entryU;
      Cyvel = entryV;
      Czvel = entryW;
      if (Ctrekant && i == TransInnerIter && Glob_dmI >= 0 && Glob_dmI <= NoCells) {
        const int code = Ctrekant[Glob_dmI];
        if (code > 0 && code < 27) ++NoErrorsTrekant[code];
        if (FlagCorrTrekant > 0 && debugging == 'D' && MaxResidual[4] < 0.03 && code > 0 && Cpres_res &&
            std::fabs(Cpres_res[Glob_dmI]) > 0.003)
          call.printDebugTrekant(Glob_dmI, i);
      }
      if (FlagModifyGrid > 0 && R > MaxModifyGrid && i > 10) call.modifyGrid();
      if (call.printEndWaterSolve(i) == 1) return;
      if (multipleOf(Iter, IterSurface) && iSurf > 0 && R < ConvSurface && FlagTFS == 0 && FlagRoof == 1)
        call.surface();
      if (transient() && R < TimeBreakLimit && FlagMPI == 0) break;
    }

    // After the inner loop.
    if (FlagThixoIsComputing == 0) {
      if ((PrintRes != 0 && multipleOf(Iter + 1, PrintRes)) || (PrintResAlways != 0 && Iter > PrintResAlways))
        call.sprintflow();
      stamp(26);
    }
    AverageMaxResidual += R;
    AverageInnerIter += i;
    ++NoAverages;
    GlobInnerIter = i;
    if (FlagPrint == 0 && debugging == 'D')
      logf("Average max residual: %lf, Average number of inner iterations: %lf\n",
           AverageMaxResidual / (NoAverages + 1e-20), AverageInnerIter / (NoAverages + 1e-20));
    if (PresRegres > 0) addPressureRegression();
    if (FlagThixoIsComputing == 0) {
      stamp(27);
      otime[28] = otime[29] = otime[30] = otime[27];
    }
    surfaceAfterOuterIteration(R);
    stamp(31);

    if (stimet > TimeEnd) break;
  }
  endOfComputation();
}

void computeChangeTimestep() {
  static double oldTimeStep = -1.0;
  if (oldTimeStep < 0) oldTimeStep = TimeStep;
  TimeStep = oldTimeStep;
  if (NoBlocks >= 1 && block[1].lastCell < WCStart) TimeStep = 0.1 * oldTimeStep;
}

void initiatePressure() {
  if (NoBlocks < 1 || !zval) return;
  const BlockRecord& B = block[1];
  const int jr = B.j2 / 2;
  if (!columnInGrid(B.i2, jr)) return;
  const double zref = zval[B.i2][jr][znumber];
  for (int i = B.i1; i <= B.i2; ++i)
    for (int j = B.j1; j <= B.j2; ++j) {
      if (!columnInGrid(i, j)) continue;
      const double p = 9810.0 * (zval[i][j][znumber] - zref);
      int c = static_cast<int>(zval[i][j][0]);
      for (int steps = 0; isCell(c) && steps < NoCells; ++steps, c = Ccellt[c]) Cpres[c] = p;
    }
}
