// The transient sediment computation of run letter S. After the start-up
// every time step advances the flow (once per work-block pass, or only the
// time where F 454 skips it), assembles and solves the suspended load of
// every size with its exchange with the bed, follows the fractions and moves
// the bed, and writes its files at their intervals. The loop is serial; the
// stages it calls finish their parallel regions before they return.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include <omp.h>

#include "bed/bed.h"
#include "state/outfile.h"
#include "flow/flow.h"
#include "flow/stages.h"
#include "grid/fieldmap.h"
#include "io/gridfiles.h"
#include "state/log.h"
#include "io/modelfiles.h"
#include "output/output.h"
#include "sediment/balance.h"
#include "physics/physics.h"
#include "sediment/morphology.h"
#include "sediment/statfiles.h"
#include "sediment/sediment.h"
#include "sediment/steproutines.h"
#include "sediment/suspended.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/flowstate.h"
#include "state/groups.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"
#include "surface/surface.h"

namespace {

// The concentration restart writer: 0 when the file was written.
int writeConcResult() { return writeConcRes() != 0 ? 1 : 0; }

const SedimentLoopCalls kRealCalls = {
    computeTimestep, computeDepthDeposit, computeDensityStat, computeSlideBlock, computeSlidemovement,
    computeWorkBlocks, WaterSolveNew, WaterSolveFast, WaterSolve, MGSsolver, WaterSolveHydrostatic, WaterSolve2D,
    computeBFroude, GammaCalc, correctContinuity, waterflow, coeff_make1, coeff_make2, coeff_make2m, coeff_make1H,
    coeff_make_bedvector, coeff_make_source, computeBedLoadVector, computeBedLoadVector3, computeBedLoadVector4,
    bedloadVectorExplicitConc, InflowSediment, InflowSedimentM, MakeAp, nestsource, concRijn, concEngelund, bagger,
    morphology_tsc_solver_tsc1_single, morphology_tsc_solver_tsc1_multiple, morphology_tsc_solver_tsc2_single,
    morphology_tsc_solver_tsc2_multiple, morphology_tsc_solver_tsc2_multiple_v2, morphology_tsc_solver_tsc3_standard,
    smoothBedchange, computeSandSlide, morphology_fractions, morphology2_fractions, morphology_QNfractions,
    morphology3_fractions, computeExplicitF78, scaleConcGridMove1, print_profiles, bedchange, bedchange2, bedchange3,
    bedchange4, bedchange5, scaleConcGridMove2, WriteTransFiles, WriteAllData, computeMorphStatistics,
    computeCohesion, TimePrintFunction, sprintflow, print_paraview3d, writeBraided, writeDune, print_fractions,
    make_Bfractionsprint, makeQuorvel, writeConcResult};

bool multipleOf(int n, int m) { return m > 0 && n % m == 0; }
int cellFirst() { return std::max(WCStart, 1); }
int cellLast() { return std::min(WCEnd, NoCells); }
int bedFirst() { return std::max(WBStart, 1); }
int bedLast() { return std::min(WBEnd, bedCellCapacity() - 1); }
int blockCount() { return std::clamp(NoBlocks, 0, 99); }

void copyConcToOld() {
  if (!Cconc_old) return;
  for (int l = 1; l <= lnumber; ++l)
    for (int c = cellFirst(); c <= cellLast(); ++c) Cconc_old[l][c] = Cconc[l][c];
}

// Step 1: this step writes its log lines (0) or is silent (1).
int printSwitch() {
  const bool loud = debugging == 'D' || debugging == 'E' || Iter < 10 || Iter == iterGlobalMax ||
                    (Iter < 100 && Iter % 10 == 0) || multipleOf(Iter, PrintIterBoogie) ||
                    (debugging == 'J' && Iter % 100 == 0);
  return loud ? 0 : 1;
}

// Step 4: the time step of this step.
void chooseTimeStep() {
  if (FlagJTime == 1 && TimeInNo >= 1 && TimeInTime && TimeInTimStep) {
    // Without records the time step of the control file stays.
    int k = 0;
    if (stimet > TimeInTime[0]) {
      k = TimeInNo;
      for (int r = 1; r < TimeInNo; ++r)
        if (TimeInTime[r] >= stimet) {
          k = r;
          break;
        }
    }
    TimeStep = TimeInTimStep[std::min(k, TimeInNo - 1)];
  }
  if (varTimeInterval > 0) {
    if (Iter > varTimeInterval)
      TimeStep = varTimeEnd;
    else if (Iter == 1 || !(varTimeStart > 0.0))
      TimeStep = Iter == 1 ? varTimeStart : varTimeEnd;
    else
      TimeStep = std::min(varTimeEnd, varTimeStart * std::pow(varTimeEnd / varTimeStart,
                                                              static_cast<double>(Iter - 1) / varTimeInterval));
  }
}

// Step 6: the flow driver of one pass.
void runFlowDriver(const SedimentLoopCalls& call) {
  if (FlagWaterSolveNew == 1)
    call.waterSolveNew();
  else if (FlagFastWatersolve >= 1)
    call.waterSolveFast();
  else if (Hydrostatic == 0 && MGSNo == 0)
    call.waterSolve();
  else if (Hydrostatic == 0 && MGSNo > 0)
    call.mgsSolver();
  else if (Hydrostatic == 0)
    return;
  else if (MGSNo >= 1)
    call.mgsSolver();
  else if (Hydrostatic == 1)
    call.waterSolveHydrostatic();
  else if (Hydrostatic == 2) {
    for (int g = 0; g <= 9; ++g) {
      DischargeGroup& G = DischargeStruct[g];
      if (!(std::fabs(G.discharge) > 1e-20)) continue;
      double area = 0.0;
      for (int i = 0; i < groupFaceCount(G); ++i) {
        const int f = G.face[i];
        if (f >= 1 && f <= NoSurfaces) area += Farea[f];
      }
      G.area = area;
    }
  } else if (Hydrostatic == 3) {
    call.waterSolve2D();
  } else if (Hydrostatic == 4) {
    call.waterSolve2D();
    call.waterSolve();
  }
}

// Step 7: the ranges of the sediment part (F 188).

// A failure of the flow or of the coefficients: the results are written and
// the run goes on with the next letters, to end with a failure status.
void failedStep() {
  RunErrorReported = 1;
  setV1("Written from morphology due to error");
  sedimentLoopCalls.sprintflow();
}

void suspendedLoadSolver(const SedimentLoopCalls& call) {
  if (lnumber == 1) {
    if (FlagTSC == 1) call.tsc1Single();
    if (FlagTSC == 2) call.tsc2Single();
    if (FlagTSC == 3) call.tsc3Standard();
    return;
  }
  if (FlagTSC == 1) call.tsc1Multiple();
  if (FlagTSC == 3) call.tsc3Standard();
  if (FlagTSC == 2) {
    if (FlagFracVer0 == 0 || FlagFracVer0 == 1) call.tsc2Multiple();
    if (FlagFracVer0 == 2) call.tsc2MultipleV2();
  }
}

void bugReport() {
  for (int l = 1; l <= lnumber; ++l)
    for (int c = cellFirst(); c <= cellLast(); ++c) {
      const double x = Cconc[l][c];
      if (x >= 0.0 && x <= 1.0) continue;
      logf("Bug found in sediment concentration, size %d, Cell %d, Iter = %d\n", l, c, Iter);
      logf("Concentration = %lf, shear = %lf\n", x, 300.0 * Ckinen[c]);
    }
}

void smallCoefficientReport() {
  for (int l = 1; l <= lnumber; ++l)
    for (int c = cellFirst(); c <= cellLast(); ++c) {
      if (!(Capm[l][c] < 1e-8 || Csourcem[l][c] > 1e8)) continue;
      const int b = std::clamp(Cbed[c], 0, bedCellCapacity() - 1);
      logf("Warning in TSC method: l=%d, i=%d, j=%d, Capm = %lf, Csourcem = %lf\n", l, Bkooi[b], Bkooj[b], Capm[l][c],
           Csourcem[l][c]);
      logf("Vol = %lf, Az = %lf\n", Cvol[c], Faz[Cflateb[c]]);
    }
}

void saveOldFields() {
  copyConcToOld();
  double* fields[7] = {Cxvel, Cyvel, Czvel, Cpres, Ckinen, Cepsilon, CinvAp};
  double* old[7] = {Cxvel_old, Cyvel_old, Czvel_old, Cpres_old, Ckinen_old, Cepsilon_old, CinvAp_old};
  for (int n = 0; n < 7; ++n)
    if (fields[n] && old[n])
      for (int c = cellFirst(); c <= cellLast(); ++c) old[n][c] = fields[n][c];
}

void bedChange(const SedimentLoopCalls& call, double stepStart) {
  // The corner update advances the time only where nothing else did in
  // this step: the time moves once per step.
  if (Hydrostatic == 2) {
    cornerUpdateInPlace(stimet == stepStart);
    return;
  }
  switch (FlagBedchangeOption) {
    case 0: call.bedchange(); break;
    case 1: call.bedchange2(); break;
    case 3: call.bedchange3(); break;
    case 4: call.bedchange4(Iter == 1 ? 0 : 1); break;
    case 5: call.bedchange5(); break;
    default: cornerUpdateInPlace(stimet == stepStart); break;
  }
}

void crossSectionLines() {
  const int i = CrossBarcelona;
  if (NoBlocks < 1 || i < 0 || i > xnumber + 1) return;
  const char* names[2] = {"barcelona", "barcelona_wl"};
  const int slot[2] = {1, znumber};
  for (int n = 0; n < 2; ++n) {
    std::FILE* f = openWrite(names[n], "a");
    if (!f) fatal(-1, n == 0 ? "Error writing 'barcelona' file\n\n" : "Error writing 'barcelona_wl' file\n\n");
    std::fprintf(f, "%lf ", stimet);
    for (int j = std::max(block[1].j1 - 1, 0); j <= std::min(block[1].j2, ynumber + 1); ++j)
      std::fprintf(f, "%lf ", zval[i][j][slot[n]]);
    std::fprintf(f, "\n");
    closeOutput(f);
  }
}

// The wall-clock stamps of a step and, with debugging P, its timing lines:
// the slides, the flow passes and the sediment part, each summed over the
// run.
struct StepTimes {
  double flowStart = 0.0, flowEnd = 0.0;
  void slides(double start) {
    const double now = omp_get_wtime();
    otimeSlidesolve += now - start;
    if (debugging == 'P') logf("Slide computation time: %lf seconds at %lf seconds\n", now - start, now - otime[0]);
    flowStart = now;
  }
  void flow() {
    flowEnd = omp_get_wtime();
    otime[34] = flowEnd;
    otimeWatersolve += flowEnd - flowStart;
    if (debugging == 'P')
      logf("Main grid WaterSolve time %lf seconds, at %lf seconds\n", flowEnd - flowStart, flowEnd - otime[0]);
  }
  void sediment() {
    otime[52] = omp_get_wtime();
    otimeSedimsolve += otime[52] - flowEnd;
    if (debugging != 'P') return;
    otime[33] = otime[25];
    for (int i = 34; i <= 52; ++i)
      logf("MORPH: OpenMP %d = %.16g, %16lf\n", i, otime[i] - otime[0], otime[i] - otime[i - 1]);
    logf("Sediment computation time: %lf seconds at %lf seconds\n", otime[52] - flowEnd, otime[52] - otime[0]);
  }
};

}  // namespace

void sedimentRanges() {
  const int L = blockCount();
  auto emptyRange = [] {
    WCStart = WFStart = WBStart = 0;
    WCEnd = WFEnd = WBEnd = -1;
  };
  if (FlagWorkSedim == 0) {
    WCStart = WFStart = WBStart = 1;
    WCEnd = NoCells;
    WFEnd = NoSurfaces;
    WBEnd = NoBCells;
    for (int k = 1; k <= L; ++k) block[k].active = block[k].gridLevel == 0 ? 1 : 0;
  } else if (FlagWorkSedim == -1) {
    int first = 0, last = 0;
    for (int k = 1; k <= L; ++k) {
      block[k].active = block[k].nestLevel >= 1 ? 1 : 0;
      if (!block[k].active) continue;
      if (first == 0) first = k;
      last = k;
    }
    if (first == 0) {
      emptyRange();  // no nested block: nothing to work on
      return;
    }
    WCStart = block[first].firstCell;
    WFStart = block[first].firstSurface;
    WBStart = block[first].firstBedCell;
    WCEnd = block[last].lastCell;
    WFEnd = block[last].lastSurface;
    WBEnd = block[last].lastBedCell;
  } else if (FlagWorkSedim > 0) {
    const int n = FlagWorkSedim;
    for (int k = 1; k <= L; ++k) block[k].active = k == n ? 1 : 0;
    if (n > L) {
      emptyRange();
      return;
    }
    WCStart = block[n].firstCell;
    WFStart = block[n].firstSurface;
    WBStart = block[n].firstBedCell;
    WCEnd = block[n].lastCell;
    WFEnd = block[n].lastSurface;
    WBEnd = block[n].lastBedCell;
  }
}

SedimentLoopCalls sedimentLoopCalls = kRealCalls;

void resetSedimentLoopCalls() { sedimentLoopCalls = kRealCalls; }

void morphology_tsc() {
  const SedimentLoopCalls& call = sedimentLoopCalls;
  double* const fieldAtStart = Cf;
  MorphologyRun run;
  morphologyStartup(run);

  StepTimes stepTimes;
  Iter = 1;
  while (Iter <= iterGlobalMax) {
    // 1.-3. Log switch, all-data files, time series.
    FlagPrint = printSwitch();
    if (iterWriteAllData > 0 && Iter > 1 && Iter % iterWriteAllData == 0) call.writeAllData();
    if (NoAlldataPrintout > 0 && AlldataPrintoutDone < std::min(NoAlldataPrintout, 100) &&
        stimet > AlldataPrintout[AlldataPrintoutDone]) {
      call.writeAllData();
      call.printParaview3d(0);
      for (int n = 1; n <= blockCount(); ++n) {
        const BlockRecord& B = block[n];
        if (B.kind != 0 || B.gridLevel != 0) continue;
        for (int i = std::max(B.i1 - 1, 0); i <= std::min(B.i2, xnumber + 1); ++i)
          for (int j = std::max(B.j1 - 1, 0); j <= std::min(B.j2, ynumber + 1); ++j) Surfaces[1][i][j] = 0.0;
      }
      ++AlldataPrintoutDone;
    }
    if (TimePrintNo > 0 && TimePrint[0].time <= stimet && stimet > 1e-10 &&
        (multipleOf(Iter, PrintIterTime) || Iter == 2))
      call.timePrint();
    // 4. Time step.
    if (FlagComputeTimestep == 1) call.computeTimestep();
    copyConcToOld();
    if (FlagDepthDeposit > 0) call.computeDepthDeposit();
    if (TurbDensFlag > 0 && NoBlocks >= 1) call.computeDensityStat(block[1].i1, block[1].i2);
    chooseTimeStep();
    // 5. Slides.
    otime[34] = omp_get_wtime();
    if (FlagThixo >= 2 && FlagThixo != 100) {
      if (FlagThixo == 3) {
        call.computeSlideBlock();
      } else if (call.computeSlidemovement() == -1) {
        RunErrorReported = 1;
        return;
      }
    }
    stepTimes.slides(otime[34]);
    // 6. Flow, once per work-block pass.
    const double stepStart = stimet;
    for (int p = 1; p <= run.passes; ++p) {
      if (!call.computeWorkBlocks(p)) continue;  // a pass without blocks has no work
      if (Iter == 1 || multipleOf(Iter, skipWatersolve))
        runFlowDriver(call);
      else
        stimet += TimeStep;
      if (FlagErrorBreak == 1) {
        logf("Written from morphology due to ErrorBreak %d in a WaterSolve function\n", FlagErrorBreak);
        failedStep();
        return;
      }
    }
    stepTimes.flow();
    // 7. Pressure, Froude numbers, sediment ranges.
    if (FlagPresSetZero == 1) {
      Cpres[0] = 0.0;
      for (int c = cellFirst(); c <= cellLast(); ++c) Cpres[c] = 0.0;
    }
    if (Bfly && BFroude && NoBlocks >= 1) call.computeBFroude(block[1].firstBedCell, block[1].lastBedCell);
    sedimentRanges();
    // 8. Bed defect, old concentrations.
    if (FlagBedDefect == 1 && Bdefect)
      for (int b = bedFirst(); b <= bedLast(); ++b)
        for (int k = 0; k <= std::clamp(BlayerTop[b], 0, NoBedLayers); ++k) Bdefect[b] += BSedDistrib[k][0][b];
    copyConcToOld();
    // 9. Transport coefficients.
    Equation = 7;
    call.gammaCalc(WCStart, WCEnd);
    if (FlagCorrectContinuity == 1) call.correctContinuity();
    if (Hydrostatic == 2 && Iter == 1) call.waterflow(WFStart, WFEnd);
    if (sou[7] == 1) {
      for (double* a : {Caee, Caww, Cass, Cann, Cabb, Catt})
        if (a)
          for (int c = cellFirst(); c <= cellLast(); ++c) a[c] = 0.0;
      for (double** rows : {Cattm, Cabbm})
        if (rows)
          for (int l = 1; l <= lnumber; ++l)
            for (int c = cellFirst(); c <= cellLast(); ++c) rows[l][c] = 0.0;
    }
    if (BedLoadVectorFlag >= 5 && BedLoadVectorFlag <= 9)
      call.coeffMake2m(WFStart, WFEnd);
    else if (lnumber == 1 && (FlagTSC == 1 || FlagTSC == 2))
      call.coeffMake1(WFStart, WFEnd);
    else
      call.coeffMake2(WFStart, WFEnd);
    if (FlagErrorBreak == 1) {
      logf("Error: the coefficients of the sediment equations could not be made in time step %d\n", Iter);
      failedStep();
      return;
    }
    // 10. Deflection and time term.
    if (BedLoadFlag == 10 || (BedLoadVectorFlag == 1 && lnumber == 1)) bedLoadDeflection();
    sedimentTimeTerm();
    // 11. Slope terms.
    const int v = BedLoadVectorFlag;
    if (v >= 2 && v <= 4 && FlagTSC == 3) call.computeBedLoadVector();
    if (v >= 5 && v <= 9) call.coeffMakeBedvector(WFStart, WFEnd);
    if (v >= 11 && v <= 19 && FlagTSC == 3) fatal(-8, "F 78 between 11 and 19 does not work\n\n");
    if (v >= 21 && v <= 29) call.computeBedLoadVector3();
    if (v >= 31 && v <= 39 && FlagTSC == 3) call.computeBedLoadVector4();
    if (sou[7] > 1)
      for (int l = 1; l <= lnumber; ++l) {
        grainsize_number = l;
        call.coeffMakeSource(WFStart, WFEnd);
      }
    // 12. Plastics, inflow, bed-cell terms, bed concentration.
    if (FlagPlastics == 1) plasticsTerms();
    bedCellTerms();
    if (SedimentFormula == 'R')
      call.concRijn();
    else if (SedimentFormula == 'A' || SedimentFormula == 'E' || SedimentFormula == 'I' || SedimentFormula == 'M' ||
             SedimentFormula == 'S' || SedimentFormula == 'Y')
      call.concEngelund();
    if (FlagBagger == 4) call.bagger();
    if (debugging == 'D' && lnumber > 1 && Capm && Csourcem) smallCoefficientReport();
    // 13. Suspended load, cap.
    suspendedLoadSolver(call);
    otime[35] = omp_get_wtime();
    if (v == 200) call.bedloadVectorExplicitConc();
    concentrationCap();
    Cf = fieldAtStart;
    if (FlagBugFind == 1) bugReport();
    // 14. Bed adjustments.
    if (FlagSmoothBedchange > 0) call.smoothBedchange();
    if (FlagBagger == 2 || FlagBagger == 3) call.bagger();
    if (IterAvalanche == 205 || IterAvalanche == 206) call.computeSandSlide();
    // 15. Fractions.
    // The multi-layer solver has formed the bed change itself, lists or not.
    if (QNFlag > 0 && FlagTSC != 3)
      call.fractionsQN(run.thickness);
    else if (FlagTSC == 1)
      call.fractions(run.thickness);
    else if (FlagTSC == 2)
      call.fractions2(run.thickness);
    else if (FlagTSC == 3)
      call.fractions3(run.thickness);
    if (debugging == 'P' || debugging == 'D') otime[36] = omp_get_wtime();
    if (NoBedLayers == 2 && v >= 101 && v <= 199) call.computeExplicitF78();
    // 16. Before the grid moves.
    call.scaleConcGridMove1();
    saveOldFields();
    // 17. Discharges and outflow.
    dischargesAndOutflow();
    if (FlagTSC == 3 && Bbedchange && NoBlocks >= 1)
      for (int b = std::max(block[1].firstBedCell, 1); b <= std::min(block[1].lastBedCell, bedCellCapacity() - 1);
           ++b)
        for (int l = 1; l <= lnumber; ++l) kBedmove[l] += Bbedchange[l][b] * Barea[b] * SolidFrac * 1000.0;
    if (FlagBagger == 1) call.bagger();
    if (FlagProfiles > 0 && Iter % FlagProfiles == 0) call.printProfiles();
    // 18. Bed change.
    bedChange(call, stepStart);
    // 19. After the bed change.
    if (FlagScaleGridMove == 1) call.scaleConcGridMove2();
    if (TransWriteFiles[0] > 0 && Iter % TransWriteFiles[0] == 0) call.writeTransFiles();
    if (FlagBarcelona > 0 && Iter % FlagBarcelona == 0) crossSectionLines();
    if (FlagMorphStatistics > 0) call.computeMorphStatistics();
    if (FlagCohesion > 2 || NoCohesiveDepth > 0) call.computeCohesion();
    for (int c = cellFirst(); c <= cellLast(); ++c) {
      double sum = 0.0;
      for (int l = 1; l <= lnumber; ++l) sum += Cconc[l][c];
      Cconc[0][c] = sum;
    }
    // 20. Running sums and the continuity report.
    const BedChangeSummary change = sedimentBalanceSums();
    stepTimes.sediment();
    if (continuityReportDue()) {
      continuityReport(change);
      reportStatisticsLines();
    }
    bootimeLine();
    // 21. Output.
    if ((Hydrostatic == 2 || skipWatersolve > 1) && PrintRes != 0 && multipleOf(Iter, PrintRes)) call.sprintflow();
    if (FlagBraidedIndex > 0 && Iter % 100 == 0) call.writeBraided();
    if (WriteDuneI1 > 0 && multipleOf(Iter, WriteDuneIter)) call.writeDune();
    if (FlagInterpolVal == 30 || PrintArrayFlags[10] == 130) call.printFractions();
    if (FlagFractionsPrint > 0) call.makeBfractionsprint();
    if (PrintArrayFlags[10] == 19) call.makeQuorvel();
    // 22. Stop tests. The filling compares the whole grid with the whole
    // grid at the start, whatever range the sediment part worked on.
    if (FillStop > 0.0) {
      double volume = 0.0;
      for (int c = 1; c <= NoCells; ++c) volume += Cvol[c];
      const double ratio = volume / run.volume0;
      if (ratio < FillStop) {
        logf("Stopped due to %lf percent left of reservoir volume\n\n", 100.0 * ratio);
        break;
      }
    }
    if (stimet > TimeEnd) break;
    ++Iter;
  }

  closingReport();
  if (call.writeConcRes() == 0)
    logf("Have written con2res file \n");
  else
    logf("Could not write con2res file \n");
  closingReportAfterRestart();
  setV1("Written at the end of the sediment computation");
  call.sprintflow();
}
