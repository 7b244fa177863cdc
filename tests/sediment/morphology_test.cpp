// The sediment time loop with its later stages replaced by recorders: the
// order of the steps, the flow skipped by F 454, the stop after a step, the
// failures; the start-up's layer stacks and their check against the grid;
// the equation terms of a step by hand; the per-step routines.
#include <gtest/gtest.h>
#include <omp.h>

#include <cmath>
#include <string>
#include <vector>

#include "state/log.h"
#include "sediment/morphology.h"
#include "sediment/sediment.h"
#include "sediment/sediment_fixture.h"
#include "sediment/steproutines.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/flowstate.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"
#include "support/in_dir.h"

namespace {

std::vector<std::string> trace;
std::vector<int> flowSteps;
int flowRange[2];

void record(const char* name) { trace.push_back(name); }

// Every stage a recorder; the flow driver advances the time as a real one.
void recordAllStages() {
  trace.clear();
  flowSteps.clear();
  SedimentLoopCalls& c = sedimentLoopCalls;
  c.computeTimestep = [] { record("computeTimestep"); };
  c.computeDepthDeposit = [] { record("computeDepthDeposit"); };
  c.computeDensityStat = [](int, int) { record("computeDensityStat"); };
  c.computeSlideBlock = [] { record("computeSlideBlock"); };
  c.computeSlidemovement = [] { record("computeSlidemovement"); return 0; };
  auto flow = [] {
    record("flow");
    flowSteps.push_back(Iter);
    flowRange[0] = WCStart;
    flowRange[1] = WCEnd;
    stimet += TimeStep;
  };
  c.waterSolveNew = c.waterSolveFast = c.waterSolve = c.mgsSolver = c.waterSolveHydrostatic = c.waterSolve2D = flow;
  c.computeBFroude = [](int, int) { record("computeBFroude"); };
  c.gammaCalc = [](int, int) { record("GammaCalc"); };
  c.correctContinuity = [] { record("correctContinuity"); };
  c.waterflow = [](int, int) { record("waterflow"); };
  c.coeffMake1 = [](int, int) { record("coeff_make1"); };
  c.coeffMake2 = [](int, int) { record("coeff_make2"); };
  c.coeffMake2m = [](int, int) { record("coeff_make2m"); };
  c.coeffMake1H = [](int, int) { record("coeff_make1H"); };
  c.coeffMakeBedvector = [](int, int) { record("coeff_make_bedvector"); };
  c.coeffMakeSource = [](int, int) { record("coeff_make_source"); };
  c.computeBedLoadVector = c.computeBedLoadVector3 = c.computeBedLoadVector4 = [] { record("bedLoadVector"); };
  c.bedloadVectorExplicitConc = [] { record("bedloadVectorExplicitConc"); };
  c.inflowSediment = [] { record("InflowSediment"); };
  c.inflowSedimentM = [](int) { record("InflowSedimentM"); };
  c.makeAp = [](int) { record("MakeAp"); };
  c.nestsource = [] { record("nestsource"); };
  c.concRijn = [] { record("concRijn"); };
  c.concEngelund = [] { record("concEngelund"); };
  c.bagger = [] { record("bagger"); };
  c.tsc1Single = [] { record("tsc1_single"); };
  c.tsc1Multiple = [] { record("tsc1_multiple"); };
  c.tsc2Single = [] { record("tsc2_single"); };
  c.tsc2Multiple = [] { record("tsc2_multiple"); };
  c.tsc2MultipleV2 = [] { record("tsc2_multiple_v2"); };
  c.tsc3Standard = [] { record("tsc3_standard"); };
  c.smoothBedchange = [] { record("smoothBedchange"); };
  c.computeSandSlide = [] { record("computeSandSlide"); };
  c.fractions = [](double) { record("morphology_fractions"); };
  c.fractions2 = [](double) { record("morphology2_fractions"); };
  c.fractionsQN = [](double) { record("morphology_QNfractions"); };
  c.fractions3 = [](double) { record("morphology3_fractions"); };
  c.computeExplicitF78 = [] { record("computeExplicitF78"); };
  c.scaleConcGridMove1 = [] { record("scaleConcGridMove1"); };
  c.printProfiles = [] { record("print_profiles"); };
  c.bedchange = [] { record("bedchange"); };
  c.bedchange2 = [] { record("bedchange2"); };
  c.bedchange3 = [] { record("bedchange3"); };
  c.bedchange4 = [](int) { record("bedchange4"); };
  c.bedchange5 = [] { record("bedchange5"); };
  c.scaleConcGridMove2 = [] { record("scaleConcGridMove2"); };
  c.writeTransFiles = [] { record("WriteTransFiles"); };
  c.writeAllData = [] { record("WriteAllData"); };
  c.computeMorphStatistics = [] { record("computeMorphStatistics"); };
  c.computeCohesion = [] { record("computeCohesion"); };
  c.timePrint = [] { record("TimePrintFunction"); };
  c.sprintflow = [] { record("sprintflow"); };
  c.printParaview3d = [](int) { record("print_paraview3d"); };
  c.writeBraided = [] { record("writeBraided"); };
  c.writeDune = [] { record("writeDune"); };
  c.printFractions = [] { record("print_fractions"); };
  c.makeBfractionsprint = [] { record("make_Bfractionsprint"); };
  c.makeQuorvel = [] { record("makeQuorvel"); };
  c.writeConcRes = [] { record("writeConcRes"); return 0; };
}

int count(const std::string& name) {
  int n = 0;
  for (const auto& s : trace) n += s == name;
  return n;
}

// A 3 x 2 box of one size with F 37 2, N data, a time step of 1 s; the
// stages recorded.
struct LoopBox {
  InProjectDir dir;
  LoopBox(int sizes = 1, int tsc = 2, bool secondOrder = false) {
    if (secondOrder) sou[7] = 1;
    FlagTSC = tsc;
    TimeStep = 1.0;
    FlagReadNdata = 1;
    SedimentBox box;
    box.sizes = sizes;
    EXPECT_TRUE(box.build());
    recordAllStages();
  }
  ~LoopBox() { resetSedimentLoopCalls(); }
};

}  // namespace

// One step of F 37 2 with one size calls the stages in the loop's order,
// and the run ends with the concentration restart file and the results.
TEST(MorphologyLoop, OneStepRunsTheStagesInOrder) {
  LoopBox box;
  iterGlobalMax = 1;
  morphology_tsc();
  const std::vector<std::string> want = {"flow",          "computeBFroude", "GammaCalc",       "coeff_make1",       "InflowSediment",
                                         "concRijn",      "tsc2_single",     "morphology2_fractions",
                                         "scaleConcGridMove1", "bedchange",   "scaleConcGridMove2", "writeConcRes",
                                         "sprintflow"};
  EXPECT_EQ(trace, want);
  EXPECT_DOUBLE_EQ(stimet, 1.0);
  EXPECT_FALSE(RunErrorReported);
}

// Debugging P: each step logs the time of its slides, its flow and its
// sediment part, with the stamps of the sediment loop, and the three
// durations add up over the run; D writes the continuity report of a step,
// and every run ends with the closing lines.
TEST(MorphologyLoop, TheTimingLinesOfDebuggingPAndTheReports) {
  LoopBox box;
  iterGlobalMax = 2;
  debugging = 'P';
  otimeWatersolve = otimeSedimsolve = otimeSlidesolve = 0.0;
  sedimentLoopCalls.waterSolve = [] {
    const double t = omp_get_wtime();
    while (omp_get_wtime() - t < 0.002) {
    }
    stimet += TimeStep;
  };
  morphology_tsc();
  const std::string log = box.dir.dir().boogie();
  auto count = [&](const std::string& text) {
    int n = 0;
    for (auto at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("Slide computation time: "), 2) << log;
  EXPECT_EQ(count("Main grid WaterSolve time "), 2);
  EXPECT_EQ(count("MORPH: OpenMP 34 = "), 2);
  EXPECT_EQ(count("MORPH: OpenMP 52 = "), 2);
  EXPECT_EQ(count("Sediment computation time: "), 2);
  EXPECT_GE(otimeWatersolve, 0.004);
  EXPECT_GT(otimeSedimsolve, 0.0);
  EXPECT_EQ(count("Continuity: Bedchange"), 1);  // the closing line; no step report under P
  EXPECT_EQ(count("Grid size: Cells: "), 1);

  debugging = 'D';
  morphology_tsc();
  const std::string log2 = box.dir.dir().boogie().substr(log.size());
  EXPECT_NE(log2.find("Time: 2.000000. Continuity: Bedchange "), std::string::npos) << log2;
  EXPECT_NE(log2.find("Size   Inflow (kg)"), std::string::npos);
  EXPECT_NE(log2.find("Average bedchange: "), std::string::npos);
  EXPECT_EQ(log2.find("Main grid WaterSolve time "), std::string::npos);
}

// The stages chosen by the number of sizes and F 37: coefficient maker,
// inflow with MakeAp (F 37 1 only), solver and fractions.
TEST(MorphologyLoop, SizesAndMethodChooseTheStages) {
  struct Row {
    int sizes, tsc;
    std::vector<std::string> present;
  } rows[] = {
      {1, 1, {"coeff_make1", "InflowSediment", "MakeAp", "tsc1_single", "morphology_fractions"}},
      {2, 1, {"coeff_make2", "InflowSedimentM", "MakeAp", "tsc1_multiple", "morphology_fractions"}},
      {2, 2, {"coeff_make2", "InflowSedimentM", "tsc2_multiple", "morphology2_fractions"}},
      {1, 3, {"coeff_make2", "InflowSedimentM", "tsc3_standard", "morphology3_fractions"}},
  };
  for (const Row& r : rows) {
    LoopBox box(r.sizes, r.tsc);
    FlagBedchangeOption = r.tsc == 3 ? 5 : 0;
    iterGlobalMax = 1;
    morphology_tsc();
    for (const auto& name : r.present) EXPECT_GE(count(name), 1) << r.sizes << " " << r.tsc << " " << name;
    EXPECT_EQ(count("MakeAp"), r.tsc == 1 ? r.sizes : 0) << r.sizes << " " << r.tsc;
  }
}

// F 454 3: the flow is solved in steps 1, 3 and 6; the other steps only
// advance the time, so six steps reach 6 s.
TEST(MorphologyLoop, F454SolvesTheFlowInStepOneAndEveryThirdStep) {
  LoopBox box;
  iterGlobalMax = 6;
  skipWatersolve = 3;
  morphology_tsc();
  EXPECT_EQ(flowSteps, (std::vector<int>{1, 3, 6}));
  EXPECT_DOUBLE_EQ(stimet, 6.0);
  EXPECT_EQ(count("bedchange"), 6);
}

// The end time is tested after a step: an end time below one step still
// runs step 1 with its output and the closing files.
TEST(MorphologyLoop, AnEndTimeBelowOneStepStillRunsStepOne) {
  LoopBox box;
  iterGlobalMax = 10;
  TimeEnd = 0.5;
  morphology_tsc();
  EXPECT_EQ(flowSteps, (std::vector<int>{1}));
  EXPECT_EQ(count("bedchange"), 1);
  EXPECT_EQ(count("writeConcRes"), 1);
  EXPECT_EQ(Iter, 1);
}

// A failing flow driver: its line, the results written, no further stage,
// and the run marked so that it ends with a failure status. A failing
// coefficient maker ends the same way.
TEST(MorphologyLoop, AFlowOrCoefficientFailureWritesTheResultsAndMarksTheRun) {
  for (bool flowFails : {true, false}) {
    LoopBox box;
    iterGlobalMax = 3;
    if (flowFails)
      sedimentLoopCalls.waterSolve = [] { FlagErrorBreak = 1; };
    else
      sedimentLoopCalls.coeffMake1 = [](int, int) { FlagErrorBreak = 1; };
    morphology_tsc();
    EXPECT_EQ(count("sprintflow"), 1) << flowFails;
    EXPECT_EQ(count("concRijn"), 0) << flowFails;
    EXPECT_EQ(count("writeConcRes"), 0) << flowFails;
    EXPECT_TRUE(RunErrorReported) << flowFails;
    if (flowFails) {
      EXPECT_NE(box.dir.dir().boogie().find("Written from morphology due to ErrorBreak 1 in a WaterSolve function\n"),
                std::string::npos);
    }
  }
}

// A G 25 pass that holds no block does no work: the flow runs once per step
// on the range of the block that has work.
TEST(MorphologyLoop, AnEmptyWorkBlockPassIsSkipped) {
  LoopBox box;
  iterGlobalMax = 2;
  WorkBlockNo = 1;
  WorkBlock[1] = 2;  // passes 1 and 2; only pass 2 holds a block
  morphology_tsc();
  EXPECT_EQ(flowSteps, (std::vector<int>{1, 2}));
  EXPECT_EQ(flowRange[0], block[1].firstCell);
  EXPECT_EQ(flowRange[1], block[1].lastCell);
  EXPECT_DOUBLE_EQ(stimet, 2.0);
}

// The corner update of F 255 outside the built options moves the time only
// where the flow did not: once per step with a flow driver, and with F 68 2,
// where no driver runs, through the update itself.
TEST(MorphologyLoop, TheCornerUpdateAdvancesTheTimeOncePerStep) {
  for (int hydrostatic : {0, 2}) {
    LoopBox box;
    iterGlobalMax = 3;
    FlagBedchangeOption = 7;
    Hydrostatic = hydrostatic;
    sedimentLoopCalls.fractions2 = [](double) {
      for (int b = 1; b <= NoBCells; ++b) Bedmove[b] = 0.004;
    };
    morphology_tsc();
    EXPECT_DOUBLE_EQ(stimet, 3.0) << hydrostatic;
    EXPECT_EQ(count("bedchange"), 0);
    EXPECT_EQ(static_cast<int>(flowSteps.size()), hydrostatic == 0 ? 3 : 0);
    // Each grid point gets a quarter of the change of every column around it.
    const BlockRecord& B = block[1];
    for (int i = B.i1 - 1; i <= B.i2; ++i)
      for (int j = B.j1 - 1; j <= B.j2; ++j) {
        int columns = 0;
        for (int di = 0; di <= 1; ++di)
          for (int dj = 0; dj <= 1; ++dj)
            columns += i + di >= B.i1 && i + di <= B.i2 && j + dj >= B.j1 && j + dj <= B.j2;
        EXPECT_NEAR(Surfaces[1][i][j], 3 * 0.001 * columns, 1e-15) << hydrostatic << " " << i << " " << j;
      }
  }
}

// timei time steps (FlagJTime) without records keep the F 33 time step.
TEST(MorphologyLoop, TimeStepsOfAnEmptySeriesKeepTheControlStep) {
  LoopBox box;
  iterGlobalMax = 2;
  FlagJTime = 1;
  TimeInNo = 0;
  TimeStep = 0.7;
  morphology_tsc();
  EXPECT_DOUBLE_EQ(TimeStep, 0.7);
  EXPECT_DOUBLE_EQ(stimet, 1.4);
}

// F 532: the step grows from varTimeStart to varTimeEnd over the interval.
TEST(MorphologyLoop, F532GrowsTheTimeStepGeometrically) {
  LoopBox box;
  iterGlobalMax = 4;
  varTimeInterval = 2;
  varTimeStart = 1.0;
  varTimeEnd = 4.0;
  morphology_tsc();
  // 1, then 1 * 4^(1/2) = 2, then 4, 4.
  EXPECT_DOUBLE_EQ(stimet, 1.0 + 2.0 + 4.0 + 4.0);
}

// ---- Start-up ----

// Thickness T = 2 m between the bed and the non-erodible level, active
// thickness a = 0.3 m: layer 1 is a and layer 0 is T - a, both of the N
// fractions; the initial bed mass follows.
TEST(MorphologyStartup, TheTwoLayersComeFromTheGridLevels) {
  InProjectDir dir;
  FlagTSC = 2;
  TimeStep = 1.0;
  SedimentBox box;
  box.sizes = 2;
  ASSERT_TRUE(box.build());
  FlagReadNdata = 2;
  SedimentSample[0][1] = 0.4;
  SedimentSample[0][2] = 0.6;
  TopThickness = 0.3;
  for (int i = 0; i <= xnumber + 1; ++i)
    for (int j = 0; j <= ynumber + 1; ++j) Surfaces[3][i][j] = zval[i][j][1] - 2.0;
  MorphologyRun run;
  morphologyStartup(run);
  EXPECT_DOUBLE_EQ(run.thickness, 0.3);
  double V = 0.0;
  for (int c = 1; c <= NoCells; ++c) V += Cvol[c];
  EXPECT_DOUBLE_EQ(run.volume0, V);
  for (int b = 1; b <= NoBCells; ++b) {
    EXPECT_NEAR(BSedDistrib[1][0][b], 0.3, 1e-12);
    EXPECT_NEAR(BSedDistrib[0][0][b], 1.7, 1e-12);
    EXPECT_EQ(BSedDistrib[0][2][b], 0.6);
    EXPECT_EQ(BSedDistrib[1][1][b], 0.4);
    EXPECT_EQ(BlayerTop[b], 1);
  }
  EXPECT_NEAR(kLayer1[0], NoBCells * 2.0 * 1.0 * SolidFrac * 1000.0 * density, 1e-6);
  EXPECT_NEAR(kLayer1[2], 0.6 * kLayer1[0], 1e-6);
}

// Without F 106 the coarsest size is the active thickness.
TEST(MorphologyStartup, TheActiveThicknessIsTheCoarsestSizeWithoutF106) {
  InProjectDir dir;
  lnumber = 2;
  gsize[1] = 0.002;
  gsize[2] = 0.0005;
  TopThickness = 0.0;
  EXPECT_DOUBLE_EQ(activeThickness(), 0.002);
  TopThickness = 0.1;
  EXPECT_DOUBLE_EQ(activeThickness(), 0.1);
}

namespace {

// A box whose columns hold T = 2 m of sediment by the grid and a stack of
// `stack` metres read from a bed file (layer 1 first, layer 0 the rest).
struct BedFileBox {
  InProjectDir dir;
  explicit BedFileBox(double layer1, double layer0) {
    FlagTSC = 2;
    TimeStep = 1.0;
    SedimentBox box;
    EXPECT_TRUE(box.build());
    FlagUseBedres = 1;
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) Surfaces[3][i][j] = zval[i][j][1] - 2.0;
    for (int b = 1; b <= NoBCells; ++b) {
      BSedDistrib[1][0][b] = layer1;
      BSedDistrib[0][0][b] = layer0;
      BSedDistrib[1][1][b] = BSedDistrib[0][1][b] = 1.0;
    }
  }
};

}  // namespace

// A stack 25 % thinner than the grid's sediment: F 310 0 refuses it with
// its lines and status -8.
TEST(MorphologyStartup, ABedFileStackOffTheGridIsRefusedUnderF310Zero) {
  BedFileBox box(0.3, 1.2);  // 1.5 m against 2 m
  FlagFixBed = 0;
  EXPECT_EXIT(initialiseBedColumn(2, 2, 0.3), ::testing::ExitedWithCode(256 - 8), "");
  const std::string log = box.dir.dir().boogie();
  EXPECT_NE(log.find("The sediment thickness computed\nfrom the difference between the grid bed level and the "
                     "koordina file\nis 2.000000 meters. The sum of the thickness of the bed sediment layers is "
                     "1.500000 meters\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("The problem can be solved by using F 310 1 or 2 in the control file\n"), std::string::npos);
}

// F 310 1: a thin stack grows at layer 0; a thick one loses the excess
// from the bottom up, a layer at a time.
TEST(MorphologyStartup, F310OneRepairsTheStack) {
  {
    BedFileBox box(0.3, 1.2);
    FlagFixBed = 1;
    initialiseBedColumn(2, 2, 0.3);
    const int b = pointbed[2][2];
    EXPECT_NEAR(BSedDistrib[0][0][b], 1.7, 1e-12);
    EXPECT_NEAR(BSedDistrib[1][0][b], 0.3, 1e-12);
  }
  {
    BedFileBox box(2.2, 0.3);  // 2.5 m against 2 m
    FlagFixBed = 1;
    initialiseBedColumn(2, 2, 0.3);
    const int b = pointbed[2][2];
    EXPECT_EQ(BSedDistrib[0][0][b], 0.0);
    EXPECT_NEAR(BSedDistrib[1][0][b], 2.0, 1e-12);
  }
  {
    // 10 % off exactly... well inside the limit: nothing changes.
    BedFileBox box(0.3, 1.55);
    FlagFixBed = 1;
    initialiseBedColumn(2, 2, 0.3);
    EXPECT_NEAR(BSedDistrib[0][0][pointbed[2][2]], 1.55, 1e-12);
  }
}

// A column whose corners lie below the non-erodible level has a negative
// thickness, and without a bed file its active layer is negative: -44.
TEST(MorphologyStartup, ANegativeActiveLayerEndsTheRun) {
  InProjectDir dir;
  FlagTSC = 2;
  TimeStep = 1.0;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  for (int i = 0; i <= xnumber + 1; ++i)
    for (int j = 0; j <= ynumber + 1; ++j) Surfaces[3][i][j] = zval[i][j][1] + 1.0;
  EXPECT_EXIT(initialiseBedColumn(2, 2, 0.3), ::testing::ExitedWithCode(256 - 44),
              "");
  EXPECT_NE(dir.dir().boogie().find("Error, startup, negative bed layer at i,j=2 2\n"), std::string::npos);
}

// ---- Terms of a step ----

// The time term, the bed-cell diagonal Bap and source Bsource of one size
// with F 37 1, with the neighbour coefficients Cae 1, Caw 2, Can 3, Cas 4,
// Cab 5, Cat 6 everywhere; cells of 1/9 m3 (nine per 1 m column) and a
// step of 2 s give a time term t = 500 / 9.
TEST(MorphologyTerms, TimeTermAndBedCellTermsByHand) {
  LoopBox box(1, 1);
  TimeStep = 2.0;
  for (int c = 1; c <= NoCells; ++c) {
    ASSERT_NEAR(Cvol[c], 1.0 / 9.0, 1e-9);
    Cae[c] = 1.0;
    Caw[c] = 2.0;
    Can[c] = 3.0;
    Cas[c] = 4.0;
    Cab[c] = 5.0;
    Cat[c] = 6.0;
    Cconc_old[1][c] = 0.002;
  }
  sedimentTimeTerm();
  bedCellTerms();
  auto t = [](int c) { return 1000.0 * Cvol[c] / 2.0; };
  for (int b = 1; b <= NoBCells; ++b) {
    const int c = Bcellt[b];
    EXPECT_NEAR(Cap[c], t(c) + 21.0, 1e-12);
    EXPECT_NEAR(Csource[c], t(c) * 0.002, 1e-15);
    EXPECT_NEAR(Bsource[1][b], t(c) * 0.002, 1e-15);
    // Each neighbour's coefficient towards the cell: the cell to the south
    // draws by its Can, the one to the north by its Cas ...; a box of 3 x 2
    // columns has no north neighbour in row 2 and no south one in row 1.
    double want = t(c) + 5.0;  // the time term and the cell above
    if (Ccells[c]) want += 3.0;
    if (Ccelln[c]) want += 4.0;
    if (Ccellw[c]) want += 1.0;
    if (Ccelle[c]) want += 2.0;
    EXPECT_NEAR(Bap[1][b], want, 1e-12) << b;
  }
  EXPECT_EQ(count("InflowSediment"), 1);
  EXPECT_EQ(count("MakeAp"), 1);
  // The middle column of the southern row: west, east and north neighbours.
  const int b = pointbed[block[1].i1 + 1][block[1].j1], c = Bcellt[b];
  EXPECT_NEAR(Bap[1][b], 500.0 / 9.0 + 5.0 + 1.0 + 2.0 + 4.0, 1e-7);
  EXPECT_TRUE(Ccellw[c] && Ccelle[c] && Ccelln[c] && !Ccells[c]);
}

// F 137: a bottom cell that lists the three lowest cells of its east
// neighbour column (a column of one cell beside a taller one) is drawn from
// by all three, each by its Caw of 2: its Bap takes 3 x 2 on that side where
// the neighbour link alone gives 2. The first listed cell, the bottom cell of
// the east column, draws from it by the first list coefficient 0.5, which
// that column's Bap takes; a list that starts above a column's bottom cell
// adds nothing to that column.
TEST(MorphologyTerms, BedCellTermsTakeEveryListedCell) {
  LoopBox box(1, 1);
  TimeStep = 2.0;
  for (int c = 1; c <= NoCells; ++c) {
    Cae[c] = 1.0, Caw[c] = 2.0, Can[c] = 3.0, Cas[c] = 4.0, Cab[c] = 5.0, Cat[c] = 6.0;
  }
  const int bw = pointbed[block[1].i1][block[1].j1], cw = Bcellt[bw];   // south-west column
  const int be = Cbed[Ccelle[cw]], ce = Bcellt[be];                     // its east neighbour
  const int bn = Cbed[Ccelln[cw]], cn = Bcellt[bn];                     // its north neighbour
  ASSERT_EQ(Ccelle[cw], ce);
  ASSERT_EQ(Ccellt[ce], ce + 1);
  ASSERT_EQ(Ccellt[ce + 1], ce + 2);
  const int cne = Ccelle[cn], bne = Cbed[cne];
  std::vector<int> counts[4];
  for (auto& v : counts) v.assign(NoCells + 1, 0);
  std::vector<int> first(NoCells + 1, 0);
  std::vector<int*> lists(NoCells + 1, nullptr);
  std::vector<double> a(NoCells + 1, 0.0);
  std::vector<double*> coeff(NoCells + 1, nullptr);
  int cells[2] = {ce, cne + 1};  // the second list starts above a bottom cell
  double firstCoeff[2] = {0.5, 0.5};
  lists[cw] = &cells[0], lists[cn] = &cells[1];
  coeff[cw] = &firstCoeff[0], coeff[cn] = &firstCoeff[1];
  counts[0][cw] = 3, counts[0][cn] = 2;
  struct Lists {
    Lists(std::vector<int>* n, int** l, double** q) {
      QNFlag = 1;
      Cncelle = n[0].data(), Cncellw = n[1].data(), Cncelln = n[2].data(), Cncells = n[3].data();
      Cqncelle = Cqncellw = Cqncelln = Cqncells = l;
      Cqnae = Cqnaw = Cqnan = Cqnas = q;
    }
    ~Lists() {
      QNFlag = 0;
      Cncelle = Cncellw = Cncelln = Cncells = nullptr;
      Cqncelle = Cqncellw = Cqncelln = Cqncells = nullptr;
      Cqnae = Cqnaw = Cqnan = Cqnas = nullptr;
    }
  } on(counts, lists.data(), coeff.data());
  bedCellTerms();
  const double t = 500.0 / 9.0;
  // The south-west column: the cell above (5), the north one (4), east 3 x 2.
  EXPECT_NEAR(Bap[1][bw], t + 5.0 + 4.0 + 3 * 2.0, 1e-7);
  // The east column: above (5), west (1) plus the list's 0.5, east (2), north (4).
  EXPECT_NEAR(Bap[1][be], t + 5.0 + 1.0 + 0.5 + 2.0 + 4.0, 1e-7);
  // The north row's second column: its list starts above the bottom cell.
  double want = t + 5.0 + 1.0 + 3.0 + (Ccelle[cne] ? 2.0 : 0.0);
  EXPECT_NEAR(Bap[1][bne], want, 1e-7);
}

// F 63 1: the cells two away draw from a bottom cell by their
// second-neighbour coefficients, which its Bap takes as the diagonal of
// their equations does: Caww 0.25 of the cell two east, Cabb 0.5 of the
// third cell of the column (nine cells per column, three columns in a row).
// Both sizes, with the per-size rows below.
TEST(MorphologyTerms, BedCellTermsTakeTheSecondNeighbours) {
  for (const int sizes : {1, 2}) {
    SCOPED_TRACE(sizes);
    LoopBox box(sizes, 1, true);
    ASSERT_NE(Cabb, nullptr);
    TimeStep = 2.0;
    for (int c = 1; c <= NoCells; ++c) {
      Cae[c] = 1.0, Caw[c] = 2.0, Can[c] = 3.0, Cas[c] = 4.0, Cab[c] = 5.0, Cat[c] = 6.0;
      Caee[c] = Cann[c] = Cass[c] = Catt[c] = 0.0;
      Caww[c] = 0.25, Cabb[c] = 0.5;
      for (int l = 1; l <= sizes && sizes > 1; ++l) {
        Cabm[l][c] = 5.0, Catm[l][c] = 6.0;
        if (Cabbm && Cabbm[l]) Cabbm[l][c] = 0.5;
        if (Cattm && Cattm[l]) Cattm[l][c] = 0.0;
      }
    }
    bedCellTerms();
    const double t = 500.0 / 9.0;
    const int west = pointbed[block[1].i1][block[1].j1], middle = pointbed[block[1].i1 + 1][block[1].j1];
    for (int l = 1; l <= sizes; ++l) {
      // West column: above 5, north 4, east 2; the cell two east 0.25, the
      // third cell 0.5.
      EXPECT_NEAR(Bap[l][west], t + 5.0 + 4.0 + 2.0 + 0.25 + 0.5, 1e-7) << l;
      // Middle column: above 5, west 1, east 2, north 4; nothing two away.
      EXPECT_NEAR(Bap[l][middle], t + 5.0 + 1.0 + 2.0 + 4.0 + 0.5, 1e-7) << l;
    }
  }
}

// Several sizes: the shared horizontal and the per-size vertical
// coefficients into Capm, the old concentration into Csourcem.
TEST(MorphologyTerms, TimeTermOfSeveralSizes) {
  LoopBox box(2, 2);
  TimeStep = 2.0;
  for (int c = 1; c <= NoCells; ++c) {
    Cae[c] = 1.0;
    Caw[c] = 2.0;
    Can[c] = 3.0;
    Cas[c] = 4.0;
    for (int l = 1; l <= 2; ++l) {
      Cabm[l][c] = 5.0 * l;
      Catm[l][c] = 6.0 * l;
      Cconc_old[l][c] = 0.001 * l;
    }
  }
  sedimentTimeTerm();
  for (int c = 1; c <= NoCells; ++c)
    for (int l = 1; l <= 2; ++l) {
      const double t = 1000.0 * Cvol[c] / 2.0;
      EXPECT_NEAR(Capm[l][c], t + 10.0 + 11.0 * l, 1e-12);
      EXPECT_NEAR(Csourcem[l][c], t * 0.001 * l, 1e-15);
    }
}

// Above 1.5 x F 256 a concentration is reset with its warning; at
// 1.5 x (and below) it stays.
TEST(MorphologyTerms, TheCapResetsAbove1Point5TimesF256) {
  LoopBox box;
  MaxBedConc = 0.1;
  const int c1 = Bcellt[1], c2 = Bcellt[2];
  Cconc[1][c1] = 0.16;
  Cconc[1][c2] = 0.15;
  concentrationCap();
  EXPECT_EQ(Cconc[1][c1], 0.1);
  EXPECT_EQ(Cconc[1][c2], 0.15);
  const std::string log = box.dir.dir().boogie();
  char want[200];
  std::snprintf(want, sizeof want, "Warning for instability in TSC method: high sediment conc(1,%d)=0.160000, depth = ",
                c1);
  EXPECT_NE(log.find(want), std::string::npos) << log;
  std::snprintf(want, sizeof want, "conc(1,%d)", c2);
  EXPECT_EQ(log.find(want), std::string::npos) << log;
  EXPECT_NE(log.find("Cap = "), std::string::npos);
}

// The deflection turns the bottom velocities for the coefficients and
// gives them back bit for bit; a bottom cell without turbulent energy is
// left unturned (no division by a zero Shields number).
TEST(MorphologyTerms, TheDeflectionTurnsAndRestoresTheBottomVelocities) {
  InProjectDir dir;
  FlagTSC = 2;
  TimeStep = 1.0;
  FlowGrid g = FlowGrid::inclined(3, 3);
  ASSERT_TRUE(g.build());
  WBStart = 1;
  WBEnd = NoBCells;
  recordAllStages();
  gsize[1] = 0.001;
  BedLoadVectorParam = 0.6;
  static std::vector<double> seen;
  seen.clear();
  for (int c = 1; c <= NoCells; ++c) {
    Cxvel[c] = 0.5;
    Cyvel[c] = 0.0;
    Ckinen[c] = 0.01;
  }
  const int still = Bcellt[1];
  Ckinen[still] = 0.0;
  sedimentLoopCalls.coeffMake1H = [](int, int) {
    for (int b = 1; b <= NoBCells; ++b) seen.push_back(Cyvel[Bcellt[b]]);
  };
  bedLoadDeflection();
  ASSERT_EQ(static_cast<int>(seen.size()), NoBCells);
  EXPECT_EQ(seen[0], 0.0);  // no shear: unturned
  for (int b = 2; b <= NoBCells; ++b) {
    const int c = Bcellt[b], f = Cflateb[c];
    const double theta = 3.0 / (0.047 * 0.001 * 1.65 * 9810.0);
    const double a = 0.6 / std::sqrt(theta) * std::sqrt(1.0 - Fvz[f] * Fvz[f]) * (-Fvy[f] * 0.5) /
                     (std::sqrt(0.25 * (Fvx[f] * Fvx[f] + Fvy[f] * Fvy[f])) + 1e-30);
    EXPECT_NEAR(seen[b - 1], -a * 0.5, 1e-12) << b;
    EXPECT_NE(seen[b - 1], 0.0) << b;  // the bed slopes across the flow
  }
  for (int b = 1; b <= NoBCells; ++b) {
    EXPECT_EQ(Cxvel[Bcellt[b]], 0.5);
    EXPECT_EQ(Cyvel[Bcellt[b]], 0.0);
  }
  EXPECT_EQ(count("waterflow"), 1);
  resetSedimentLoopCalls();
}

// The outflow of a step: the concentration times the discharge, the step
// and the density, whatever the faces' share of the area. Before the first
// record of the discharge series the first record holds.
TEST(MorphologyTerms, TheOutflowMassOfAStepByHand) {
  LoopBox box;
  TimeStep = 2.0;
  for (int c = 1; c <= NoCells; ++c) Cconc[1][c] = 0.001;
  double area = 0.0;
  for (int i = 0; i < DischargeStruct[2].surfno; ++i) area += Farea[DischargeStruct[2].face[i]];
  DischargeStruct[2].area = area;
  DischargeStruct[2].discharge = 1000.0;  // l/s
  dischargesAndOutflow();
  const double want = 0.001 * 1000.0 * 2.0 * density;  // 5.3 kg
  EXPECT_NEAR(SumOutflow, want, 1e-9);
  EXPECT_NEAR(kUt[1], want, 1e-9);

  SumOutflow = kUt[1] = 0.0;
  FlagDischargeTime = 1;
  TimeInNo = 2;
  TimeInTime[0] = 10.0;
  TimeInTime[1] = 20.0;
  QDinn[0][2] = 1.0;  // m3/s
  QDinn[1][2] = 3.0;
  stimet = 0.0;  // before the first record
  dischargesAndOutflow();
  EXPECT_DOUBLE_EQ(DischargeArray[2], 1000.0);
  EXPECT_NEAR(SumOutflow, want, 1e-9);
  stimet = 15.0;
  dischargesAndOutflow();
  EXPECT_DOUBLE_EQ(DischargeArray[2], 2000.0);
}

// ---- Per-step routines ----

// -0.3 m from a 0.2 m top layer over a 0.5 m one: the whole top layer and
// 0.1 m of the next, each with its own solid fraction; in metres of bed the
// per-size thicknesses sum to 0.3.
TEST(StepRoutines, AvailableSedimentOfATopLayerAndPartOfTheNext) {
  InProjectDir dir;
  FlagTSC = 3;
  FlagBedchangeOption = 5;
  TimeStep = 1.0;
  SedimentBox box;
  box.sizes = 2;
  ASSERT_TRUE(box.build());
  ASSERT_NE(Bsolidfraction, nullptr);
  const int b = 1;
  BlayerTop[b] = 1;
  BSedDistrib[1][0][b] = 0.2;
  BSedDistrib[1][1][b] = 0.5;
  BSedDistrib[1][2][b] = 0.5;
  BSedDistrib[0][0][b] = 0.5;
  BSedDistrib[0][1][b] = 0.2;
  BSedDistrib[0][2][b] = 0.8;
  Bsolidfraction[1][b] = 0.6;
  Bsolidfraction[0][b] = 0.5;
  double a[51];
  computeAvailableFraction(b, a, -0.3);
  EXPECT_NEAR(a[1], 0.5 * 0.2 * 0.6 + 0.2 * 0.1 * 0.5, 1e-15);
  EXPECT_NEAR(a[2], 0.5 * 0.2 * 0.6 + 0.8 * 0.1 * 0.5, 1e-15);
  computeAvailableFractionMeters(b, a, -0.3);
  EXPECT_NEAR(a[1], 0.12, 1e-15);
  EXPECT_NEAR(a[2], 0.18, 1e-15);
  computeAvailableFractionMeters(b, a, -2.0);  // more than the stack holds
  EXPECT_NEAR(a[1] + a[2], 0.7, 1e-15);
  for (double depth : {0.0, 0.1}) {
    computeAvailableFraction(b, a, depth);
    EXPECT_EQ(a[1] + a[2], 0.0) << depth;
  }
  relaxAvailable = 0.5;
  computeAvailableFraction(b, a, -0.3);
  EXPECT_NEAR(a[1], 0.5 * (0.06 + 0.01), 1e-15);
  relaxAvailable = 0.9999995;
  computeAvailableFraction(b, a, -0.3);
  EXPECT_NEAR(a[1], 0.07, 1e-15);
  double f[51];
  computeFractionBed(f, b, 0.3);
  EXPECT_NEAR(f[1], (0.5 * 0.2 + 0.2 * 0.1) / 0.3, 1e-12);
}

// G 25 with blocks 1 and 3 in pass 1 and block 2 in pass 2: pass 1 runs
// from the first cell of block 1 to the last of block 3, with only those
// two active; a pass no block carries is empty.
TEST(StepRoutines, WorkBlocksOfAPass) {
  InProjectDir dir;
  NoBlocks = 3;
  WorkBlockNo = 3;
  const int passOf[4] = {0, 1, 2, 1};
  for (int k = 1; k <= 3; ++k) {
    WorkBlock[k] = passOf[k];
    block[k].firstCell = 100 * k;
    block[k].lastCell = 100 * k + 99;
    block[k].firstSurface = 1000 * k;
    block[k].lastSurface = 1000 * k + 999;
    block[k].firstBedCell = 10 * k;
    block[k].lastBedCell = 10 * k + 9;
  }
  EXPECT_TRUE(computeWorkBlocks(1));
  EXPECT_EQ(WCStart, 100);
  EXPECT_EQ(WCEnd, 399);
  EXPECT_EQ(WFStart, 1000);
  EXPECT_EQ(WFEnd, 3999);
  EXPECT_EQ(WBStart, 10);
  EXPECT_EQ(WBEnd, 39);
  EXPECT_EQ(block[1].active + block[2].active * 10 + block[3].active * 100, 101);
  EXPECT_FALSE(computeWorkBlocks(5));
  EXPECT_EQ(WCStart, 0);
  EXPECT_LT(WCEnd, WCStart);
  EXPECT_EQ(block[1].active + block[2].active + block[3].active, 0);
  WorkBlockNo = 0;
  NoCells = 50;
  NoSurfaces = 60;
  NoBCells = 7;
  block[3].subBed = 1;  // the last block lies under the bed: left out
  EXPECT_TRUE(computeWorkBlocks(1));
  EXPECT_EQ(WCEnd, 299);
  EXPECT_EQ(WBEnd, 29);
  EXPECT_EQ(block[3].active, 0);
}

// i2 = 30 with F 463 0: the downstream mean covers the grid lines 25..29;
// an eroded bed gives depths of 0, not negative ones.
TEST(StepRoutines, DepositDepthsOfBlockOne) {
  InProjectDir dir;
  TimeStep = 1.0;
  FlowGrid g = FlowGrid::box(30, 2);
  g.cells = 5000;
  ASSERT_TRUE(g.build());
  // Deposits of 0.1 (i - 20) m at the grid lines above 20, erosion of
  // 0.5 m upstream.
  auto change = [](int i) { return i > 20 ? 0.1 * (i - 20) : -0.5; };
  for (int i = 0; i <= xnumber + 1; ++i)
    for (int j = 0; j <= ynumber + 1; ++j) {
      Surfaces[0][i][j] = zval[i][j][1];
      zval[i][j][1] += change(i);
    }
  NoDownstreamDeposit = 0;
  computeDepthDeposit();
  const int i2 = block[1].i2, N = i2 / 6;
  ASSERT_GT(i2 - N, 20);
  EXPECT_EQ(NoDownstreamDeposit, N);
  double want = 0.0;
  for (int i = i2 - N; i <= i2 - 1; ++i) want += change(i);
  EXPECT_NEAR(depthDepositOut, want / N, 1e-12);
  EXPECT_EQ(depthDepositIn, 0.0);  // eroded upstream
}

// The suspended volume of each size is kept across a grid move; F 448 adds
// the defect ratio within 0.9..1.1; a sum that is not a number ends the run
// with -99.
TEST(StepRoutines, ScaleConcGridMoveKeepsTheSuspendedVolume) {
  InProjectDir dir;
  FlagTSC = 2;
  TimeStep = 1.0;
  SedimentBox box;
  box.sizes = 2;
  ASSERT_TRUE(box.build());
  for (int c = 1; c <= NoCells; ++c) {
    Cconc[1][c] = 0.001 * c;
    Cconc[2][c] = 0.002;
  }
  scaleConcGridMove1();
  double before = 0.0;
  for (int c = 1; c <= NoCells; ++c) before += Cconc[1][c] * Cvol[c];
  EXPECT_NEAR(totalsusp[1], before, 1e-15);
  for (int c = 1; c <= NoCells; ++c) {
    Cconc[1][c] *= 3.0;
    Cconc_old[1][c] = 1.0;
  }
  scaleConcGridMove2();
  double after = 0.0;
  for (int c = 1; c <= NoCells; ++c) after += Cconc[1][c] * Cvol[c];
  EXPECT_NEAR(after, before, 1e-15);
  EXPECT_NEAR(Cconc_old[1][1], 1.0 / 3.0, 1e-12);
  FlagDefectRatio = 1;
  kDefectRatio[2] = 0.3;
  scaleConcGridMove1();
  scaleConcGridMove2();
  EXPECT_NEAR(Cconc[2][1], 0.002 * 1.1, 1e-15);
  Cconc[1][5] = std::nan("");
  EXPECT_EXIT(scaleConcGridMove2(), ::testing::ExitedWithCode(256 - 99), "");
}

TEST(StepRoutines, ScaleConcGridMove1WithoutSedimentGivesTheFloor) {
  InProjectDir dir;
  FlagTSC = 2;
  TimeStep = 1.0;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  scaleConcGridMove1();
  EXPECT_EQ(totalsusp[1], 1e-30);
}

// Options of the loop, with the stages recorded:
//   F 421 0.75: each bed change takes a tenth of every cell's volume; after
//     step 3 0.9^3 = 72.9 % is left, below 75 %: the loop stops there;
//   F 188 1: the sediment part works on block 1's own ranges (here set to
//     cells 5..20, surfaces 3..30, bed cells 2..4); -1 without a nested
//     block on none;
//   F 277 1: the bed defect of a step is what the bed change asked (Bedmove
//     0.01 m) less what the stacks took (their thickness grown by 4 mm);
//   F 522 2 (cross-section line 3): the bed and water levels along it at
//     steps 2 and 4 of four.
TEST(MorphologyLoop, StopRangesDefectAndCrossSectionOptions) {
  {
    LoopBox box;
    iterGlobalMax = 6;
    FillStop = 0.75;
    sedimentLoopCalls.bedchange = [] {
      for (int c = 1; c <= NoCells; ++c) Cvol[c] *= 0.9;
    };
    morphology_tsc();
    EXPECT_EQ(flowSteps, (std::vector<int>{1, 2, 3}));
    EXPECT_NE(box.dir.dir().boogie().find("Stopped due to 72.900000 percent left of reservoir volume\n\n"),
              std::string::npos);
  }
  for (int f188 : {0, 1, -1}) {
    SCOPED_TRACE(f188);
    LoopBox box;
    iterGlobalMax = 1;
    FlagWorkSedim = f188;
    block[1].firstCell = 5, block[1].lastCell = 20;
    block[1].firstSurface = 3, block[1].lastSurface = 30;
    block[1].firstBedCell = 2, block[1].lastBedCell = 4;
    static int seen[6];
    sedimentLoopCalls.coeffMake1 = [](int first, int last) {
      seen[0] = WCStart, seen[1] = WCEnd, seen[2] = first, seen[3] = last, seen[4] = WBStart, seen[5] = WBEnd;
    };
    for (int& s : seen) s = -7;
    morphology_tsc();
    const std::vector<int> got(seen, seen + 6);
    if (f188 == 0) {
      EXPECT_EQ(got, (std::vector<int>{1, NoCells, 1, NoSurfaces, 1, NoBCells}));
    } else if (f188 == 1) {
      EXPECT_EQ(got, (std::vector<int>{5, 20, 3, 30, 2, 4}));
    } else {
      EXPECT_LE(seen[1], 0);  // no range to work on
    }
  }
  {
    LoopBox box;
    iterGlobalMax = 1;
    FlagBedDefect = 1;
    std::vector<double> defect(NoBCells + 2, 0.0);
    if (!Bdefect) Bdefect = defect.data();
    sedimentLoopCalls.waterSolve = [] {
      stimet += TimeStep;
      for (int b = 1; b <= NoBCells; ++b) BSedDistrib[1][0][b] = 0.01;  // an active layer 1 cm thick
    };
    sedimentLoopCalls.fractions2 = [](double) {
      for (int b = 1; b <= NoBCells; ++b) {
        Bedmove[b] = 0.01;
        BSedDistrib[1][0][b] += 0.004;
      }
    };
    morphology_tsc();
    for (int b = 1; b <= NoBCells; ++b) EXPECT_NEAR(Bdefect[b], 0.006, 1e-12) << b;
    if (Bdefect == defect.data()) Bdefect = nullptr;
  }
  {
    LoopBox box;
    iterGlobalMax = 4;
    FlagBarcelona = 2;
    CrossBarcelona = 3;
    for (int j = 0; j <= ynumber + 1; ++j) zval[3][j][1] = 0.1 * j, zval[3][j][znumber] = 1.0 + 0.1 * j;
    morphology_tsc();
    const std::string bed = box.dir.dir().read("barcelona"), water = box.dir.dir().read("barcelona_wl");
    std::string wantBed, wantWater;
    for (double t : {2.0, 4.0}) {
      char buf[64];
      std::snprintf(buf, sizeof buf, "%lf ", t);
      wantBed += buf, wantWater += buf;
      for (int j = block[1].j1 - 1; j <= block[1].j2; ++j) {
        std::snprintf(buf, sizeof buf, "%lf ", 0.1 * j);
        wantBed += buf;
        std::snprintf(buf, sizeof buf, "%lf ", 1.0 + 0.1 * j);
        wantWater += buf;
      }
      wantBed += "\n", wantWater += "\n";
    }
    EXPECT_EQ(bed, wantBed);
    EXPECT_EQ(water, wantWater);
  }
}
