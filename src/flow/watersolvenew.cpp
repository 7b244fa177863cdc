// The modular flow driver (F 328 1): the outer and inner iterations of the
// main driver, with each equation handed to its equation driver
// (SimpleVelocities, SimplePressure, SimpleTurbulence) and the one-equation
// turbulence models (F 24 18..20) taking epsilon from k. Services shared with
// the main driver go through flowDriverCalls, the equation drivers through
// modularDriverCalls.
#include <omp.h>

#include <cmath>
#include <cstdio>

#include "flow/cellequations.h"
#include "flow/equationdrivers.h"
#include "flow/flow.h"
#include "flow/stages.h"
#include "state/log.h"
#include "physics/physics.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/flowstate.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/startup.h"

ModularDriverCalls defaultModularDriverCalls() {
  ModularDriverCalls t{};
  t.simpleVelocities = SimpleVelocities;
  t.simplePressure = SimplePressure;
  t.simpleTurbulence = SimpleTurbulence;
  t.computeEpsilon = computeEpsilon;
  return t;
}

ModularDriverCalls modularDriverCalls = defaultModularDriverCalls();

namespace {

// Sums over the outer iterations of the run: the largest residual, the inner
// counters and their number. Zeroed when the first flow computation of the
// run starts.
double AverageMaxResidual = 0.0;
int AverageInnerIter = 0;
int NoAverages = 0;

bool transient() { return TimeStep > 1e-8; }

// The velocity and pressure factors of K 3, with the limits of the start of a
// computation (a factor of 0 would divide the diagonals by 0); the k and
// epsilon factors stay as they are.
void resetVelocityPressureRelaxation() {
  const double k = relaxK, e = relaxEpsilon;
  setRelaxationFactors();
  relaxK = k;
  relaxEpsilon = e;
}

bool printThisIteration() {
  const double it = Iter;
  return debugging == 'D' || debugging == 'E' || Iter <= 9 || Iter == iterGlobalMax ||
         (Iter < 100 && multipleOf(it, 10)) || multipleOf(it, PrintIterBoogie);
}

void thixoStability() {
  const int b = NoBlocks >= 2 && NoBlocks < 100 && block[2].subBed > 0 ? 2 : 1;
  if (FlagThixoDamp >= 0 && FlagThixoDamp <= 3) flowDriverCalls.thixoDamp[FlagThixoDamp](b);
}

void turbulenceEquations() {
  const ModularDriverCalls& eqs = modularDriverCalls;
  const int model = TurbulenceModel;
  if (model >= 4 && model <= 7) return;
  eqs.simpleTurbulence(5);
  if (model >= 18 && model <= 20)
    eqs.computeEpsilon();
  else
    eqs.simpleTurbulence(6);
}

// The largest residual of the iteration; entries below 1e-90 become 0 and a
// NaN does not count.
double largestResidual() {
  double m = 0.0;
  for (int e = 1; e <= 6; ++e) {
    if (MaxResidual[e] < 1e-90) MaxResidual[e] = 0.0;
    if (MaxResidual[e] > m) m = MaxResidual[e];
  }
  return m;
}

bool classicSurfaceMethod() {
  switch (FlagTFS) {
    case 2: case 3: case 4: case 5: case 7: case 8: case 9: case 10: case 21: case 30: return true;
    default: return false;
  }
}

void surfaceAfterOuterIteration(double m) {
  const FlowDriverCalls& call = flowDriverCalls;
  if (classicSurfaceMethod()) {
    if (FlagRoof == 1 && Iter != 0 && multipleOf(Iter, IterWaterUpdate)) {
      if (m < SurfResCrit || (SurfResCrit < 0 && MaxResidual[4] < 0.001) || FlagMPI > 0)
        call.surface();
      else
        ++NoNumNoSurfUpdate;
    }
  } else if (FlagTFS == 1 || (FlagTFS >= 11 && FlagTFS <= 19)) {
    if (FlagRoof == 1 && Iter != 0 && FlagThixo <= 1) call.surfaceTfs(0, 1);
  } else if (FlagTFS == 50) {
    if (multipleOf(Iter, IterWaterUpdate)) call.surfaceLSUpdate();
  }
}

}  // namespace

void WaterSolveNew() {
  const FlowDriverCalls& call = flowDriverCalls;
  const ModularDriverCalls& eqs = modularDriverCalls;

  double* const entryCf = Cf;
  double* const entryCfOld = Cf_old;
  Glob_dmI = 0;
  GlobContinuity = 0.0;
  FlagFlushIter = 0;

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

  // Set-up.
  call.metric();
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
  if (Cthixolev && Cthixorat && stimet < 1e-8)
    for (int c = WCStart < 0 ? 0 : WCStart; c <= WCEnd; ++c) {
      Cthixolev[c] = 0;
      Cthixorat[c] = 0.0;
    }
  if (TimePrintNo > 0 && FlagTSC == 0) truncateTimeo();
  const int N = MGSNo > 0 ? 300 : FlagTSC > 0 ? 1 : iterGlobalMax;
  if (FlagTSC == 0 && transient()) stimet = 0.0;
  if (Flag2DAccSolver > 0 && NoBlocks >= 1 && NoBlocks < 100 && block[NoBlocks].kind == 0) call.algMGMake();
  stamp(0);

  double m = 10000.0;
  for (int outer = 1; outer <= N; ++outer) {
    resetVelocityPressureRelaxation();
    if (FlagTSC == 0) {
      if (MGSNo == 0) Iter = outer;
      FlagPrint = printThisIteration() ? 0 : 1;
    }
    if (transient()) copyPreviousTimeStep();
    if (TimePrintNo > 0 && FlagTSC == 0 && stimet >= TimePrint[0].time && (multipleOf(Iter, PrintIterTime) || Iter == 2))
      call.timePrintFunction();

    // Inner iterations.
    int i = 1;
    for (; i <= TransInnerIter; ++i) {
      char text[64];
      std::snprintf(text, sizeof text, " VA-Dave new %d     ", i);
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
      if (FlagThixo > 1 && (i > 1 || Iter == 1)) thixoStability();
      if (debugging == 'A') call.gridTest();
      stamp(2);
      eqs.simpleVelocities(i);
      otime[9] = omp_get_wtime();
      // The pressure correction works in the driver's own array p'.
      Cf = entryCf;
      Cf_old = entryCfOld;
      eqs.simplePressure(i);
      stamp(17);
      turbulenceEquations();
      stamp(25);

      m = largestResidual();
      Cf = entryCf;
      Cf_old = entryCfOld;
      if (Ctrekant && i == TransInnerIter && Glob_dmI >= 1 && Glob_dmI <= NoCells) {
        const int code = Ctrekant[Glob_dmI];
        if (code > 0 && code < 27) ++NoErrorsTrekant[code];
        if (FlagCorrTrekant > 0 && debugging == 'D' && MaxResidual[4] < 0.03 && code > 0 && Cpres_res &&
            std::fabs(Cpres_res[Glob_dmI]) > 0.003)
          call.printDebugTrekant(Glob_dmI, i);
      }
      if (call.printEndWaterSolve(i) == 1) return;
      if (multipleOf(Iter, IterSurface) && iSurf > 0 && m < ConvSurface && FlagTFS == 0 && FlagRoof == 1)
        call.surface();
      if (transient() && m < TimeBreakLimit && FlagMPI == 0) break;
    }

    // After the inner loop.
    if ((PrintRes != 0 && multipleOf(Iter + 1, PrintRes)) || (PrintResAlways != 0 && Iter > PrintResAlways))
      call.sprintflow();
    GlobInnerIter = i;
    AverageInnerIter += i;
    AverageMaxResidual += m;
    ++NoAverages;
    if (FlagPrint == 0 && debugging == 'D')
      logf("Average max residual: %lf, Average number of inner iterations: %lf\n",
           AverageMaxResidual / (NoAverages + 1e-20), AverageInnerIter / (NoAverages + 1e-20));
    if (PresRegres > 0) addPressureRegression();
    surfaceAfterOuterIteration(m);
  }

  // End of the computation.
  if (FlagMPI > 0) {
    if (FlagPresMPIboundary == 8) call.limitPressureMPI();
    if (FlagTSC == 0) {
      call.sprintflow();
      return;
    }
  }
  gFlagFlow = 0;
  resetVelocityPressureRelaxation();
  FlagRhieChow = OrigFlagRhieChow;
  if (FlagFlush > 0) {
    if (FlagGridStab2 != FlagGridStab2ori) {
      FlagGridStab2 = FlagGridStab2ori;
      FlagGridStab5 = FlagGridStab5ori;
    }
    Flag2DAccSolver = Flag2DAccSolverOri;
  }
}
