// The frame of the main flow driver, run on a small box grid with every stage
// and service replaced by a recorder: the order of the stages, the outer and
// inner counts, the previous-step copies, the relaxation factors, the result
// intervals, the stop rules and the options the frame itself selects.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "flow/cellequations.h"
#include "flow/flow.h"
#include "flow/stages.h"
#include "state/arrays.h"
#include "state/alloc.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/flowstate.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"

namespace {

std::vector<std::string> events;
// Residual that every stage leaves in MaxResidual[1..6], by (Iter, inner i).
std::function<double(int, int)> residual;
// Result of printEndWaterSolve and of the pressure stage, by (Iter, inner i).
std::function<int(int, int)> endResult, pressureResult;
// Work done inside the momentum stage, by inner i.
std::function<void(int)> inMomentum;

void note(const std::string& what) { events.push_back(what); }
void noteAt(const std::string& what, int i) { note(what + std::to_string(Iter) + "." + std::to_string(i)); }

void recMetric() { note("metric"); }
void recBedMake() { note("BedMake"); }
void recStartup() { note("startup"); }
void recWCStart() { note("WCStart"); }
void recSetiPres() { note("SetiPresjPres"); }
int recSialloc() {
  note("sialloc");
  return 0;
}
void recGridTest() { note("gridTest"); }
void recModifyGrid() { note("ModifyGrid"); }
void recAlgMG() { note("AlgMGMake"); }
void recSprintflow() { note("results" + std::to_string(Iter)); }
void recSurface() { note("surface" + std::to_string(Iter)); }
void recSurfaceTfs(int copy, int b) { note("tfs" + std::to_string(copy) + std::to_string(b)); }
void recSurfaceLS() { note("LS" + std::to_string(Iter)); }
void recGroundwater() { note("groundwater"); }
void recSlide() { note("slide"); }
void recTimestep() { note("timestep"); }
void recLimitMPI() { note("limitMPI"); }
template <int V>
void recThixo(int b) {
  note("thixo" + std::to_string(V) + "b" + std::to_string(b));
}
void recWaterflow(int first, int last) { note(first == WFStart && last == WFEnd ? "waterflow" : "waterflow?"); }
void recBoundary() { note("boundary"); }
void setResidual(int i) {
  const double r = residual ? residual(Iter, i) : 1.0;
  for (int e = 1; e <= 6; ++e) MaxResidual[e] = r;
}
void recPredictor(int i) {
  noteAt("X", i);
  setResidual(i);
}
void recMomentum(int i) {
  noteAt("M", i);
  setResidual(i);
  if (inMomentum) inMomentum(i);
}
int recPressure(int i, double) {
  noteAt("P", i);
  return pressureResult ? pressureResult(Iter, i) : 0;
}
void recTurbulence(int i) { noteAt("T", i); }
void recComponents(int i) { noteAt("C", i); }
int recEnd(int i) {
  noteAt("E", i);
  return endResult ? endResult(Iter, i) : 0;
}
void recTimePrint() { note("timeo" + std::to_string(Iter)); }
void recDebugTrekant(int c, int i) { note("trekant" + std::to_string(c) + "." + std::to_string(i)); }

FlowDriverCalls recorders() {
  FlowDriverCalls t{};
  t.metric = recMetric;
  t.bedMake = recBedMake;
  t.startup = recStartup;
  t.computeWCStart = recWCStart;
  t.setiPresjPres = recSetiPres;
  t.sialloc = recSialloc;
  t.gridTest = recGridTest;
  t.modifyGrid = recModifyGrid;
  t.algMGMake = recAlgMG;
  t.sprintflow = recSprintflow;
  t.surface = recSurface;
  t.surfaceTfs = recSurfaceTfs;
  t.surfaceLSUpdate = recSurfaceLS;
  t.groundwater = recGroundwater;
  t.computeSlideLocation = recSlide;
  t.computeChangeTimestep = recTimestep;
  t.limitPressureMPI = recLimitMPI;
  t.thixoDamp[0] = recThixo<0>;
  t.thixoDamp[1] = recThixo<1>;
  t.thixoDamp[2] = recThixo<2>;
  t.thixoDamp[3] = recThixo<3>;
  t.waterflow = recWaterflow;
  t.boundary = recBoundary;
  t.explicitPredictor = recPredictor;
  t.momentumStage = recMomentum;
  t.pressureStage = recPressure;
  t.turbulenceStage = recTurbulence;
  t.componentStage = recComponents;
  t.printEndWaterSolve = recEnd;
  t.timePrintFunction = recTimePrint;
  t.printDebugTrekant = recDebugTrekant;
  return t;
}

int count(const std::string& prefix) {
  return static_cast<int>(std::count_if(events.begin(), events.end(),
                                        [&](const std::string& e) { return e.rfind(prefix, 0) == 0; }));
}
bool has(const std::string& e) { return std::find(events.begin(), events.end(), e) != events.end(); }
std::vector<std::string> starting(const std::string& prefix) {
  std::vector<std::string> out;
  for (const auto& e : events)
    if (e.rfind(prefix, 0) == 0) out.push_back(e);
  return out;
}

// A fresh project with a box grid of 4 x 2 columns and the recorders in place.
// Options that size arrays are set in `before`, ahead of the grid build.
class Frame : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = flowDriverCalls; }
  void TearDown() override {
    flowDriverCalls = saved_;
    residual = nullptr;
    endResult = pressureResult = nullptr;
    inMomentum = nullptr;
  }
  // Builds the grid in a new project; the recorders replace every call.
  void start(const std::function<void()>& before = nullptr) {
    dir_.reset();
    dir_ = std::make_unique<InProjectDir>();
    if (before) before();
    ASSERT_TRUE(FlowGrid::box(4, 2).build());
    flowDriverCalls = recorders();
    events.clear();
    iterGlobalMax = 1;
    TransInnerIter = 1;
  }
  std::unique_ptr<InProjectDir> dir_;
  FlowDriverCalls saved_{};
};

}  // namespace

// ---- The road of one computation ----

TEST_F(Frame, StagesRunInTheirFixedOrderAfterTheSetUp) {
  start();
  iterGlobalMax = 2;
  TransInnerIter = 2;
  WaterSolve();
  const std::vector<std::string> expected = {"metric", "startup", "WCStart", "waterflow",  // set-up
                                             "M1.1",   "P1.1",    "T1.1",    "E1.1",     "M1.2", "P1.2", "T1.2",
                                             "E1.2",   "M2.1",    "P2.1",    "T2.1",     "E2.1", "M2.2", "P2.2",
                                             "T2.2",   "E2.2"};
  EXPECT_EQ(events, expected);
  EXPECT_EQ(FlagInitialized, 1);
  EXPECT_EQ(Iter, 2);
}

TEST_F(Frame, TheFirstFluxesAreComputedOnlyInTheFirstComputationOfTheRun) {
  start();
  FlagInitialized = 1;
  WaterSolve();
  EXPECT_EQ(count("waterflow"), 0);
}

TEST_F(Frame, OuterAndInnerCountsFollowK1AndF33) {
  struct Row {
    int outer, inner, iterOnEntry, firstIterNo;
    int stages, lastIter, globInner;
  } rows[] = {
      {0, 3, 0, 0, 0, 0, 0},    // K 1 0: no outer iteration, Iter untouched
      {3, 1, 0, 0, 3, 3, 2},    // three outer iterations of one inner iteration
      {2, 3, 0, 0, 6, 2, 4},    // a steady run always runs all inner iterations
      {1, 0, 0, 0, 0, 1, 1},    // F 33 0: no inner iteration, the counter stays at 1
      {1, 5, 1, 20, 20, 1, 21}, // F 489 raises the count in the call where Iter is 1 on entry
      {1, 5, 0, 20, 5, 1, 6},   // ... and only there
      {1, 5, 1, 3, 5, 1, 6},    // F 489 below F 33 changes nothing
  };
  for (const Row& r : rows) {
    start();
    iterGlobalMax = r.outer;
    TransInnerIter = r.inner;
    Iter = r.iterOnEntry;
    FirstIterNo = r.firstIterNo;
    GlobInnerIter = 0;
    WaterSolve();
    const std::string row = "K 1 " + std::to_string(r.outer) + ", F 33 inner " + std::to_string(r.inner);
    EXPECT_EQ(count("M"), r.stages) << row;
    EXPECT_EQ(Iter, r.lastIter) << row;
    EXPECT_EQ(GlobInnerIter, r.globInner) << row;
  }
}

TEST_F(Frame, ResultsAreWrittenAtTheP10AndP15Intervals) {
  struct Row {
    int printRes, printResAlways, outer;
    std::vector<std::string> written;
  } rows[] = {
      {10, 0, 30, {"results9", "results19", "results29"}},
      {5, 0, 12, {"results4", "results9"}},
      {0, 25, 28, {"results26", "results27", "results28"}},
      {0, 0, 20, {}},
  };
  for (const Row& r : rows) {
    start();
    PrintRes = r.printRes;
    PrintResAlways = r.printResAlways;
    iterGlobalMax = r.outer;
    WaterSolve();
    EXPECT_EQ(starting("results"), r.written) << "P 10 " << r.printRes << ", P 15 " << r.printResAlways;
  }
}

// ---- Relaxation ----

TEST_F(Frame, RelaxationIsResetEveryOuterIterationAndRestoredAtTheEnd) {
  start();
  relax[1] = 0.8;
  relax[4] = 0.3;
  relax[5] = 0.6;
  relax[6] = 0.7;
  OrigFlagRhieChow = 0;
  iterGlobalMax = 2;
  TransInnerIter = 2;
  std::vector<double> seen;
  // A flush halves the factors and toggles F 113 for the rest of its outer
  // iteration.
  inMomentum = [&](int) {
    seen.push_back(relaxVelocity);
    relaxVelocity *= 0.5;
    invRelaxVelocity *= 2.0;
    relaxPressure *= 0.5;
    relaxK *= 0.5;
    relaxEpsilon *= 0.5;
    FlagRhieChow = 1;
  };
  WaterSolve();
  EXPECT_EQ(seen, (std::vector<double>{0.8, 0.4, 0.8, 0.4}));
  EXPECT_DOUBLE_EQ(relaxVelocity, 0.8);
  EXPECT_DOUBLE_EQ(invRelaxVelocity, 1.25);
  EXPECT_DOUBLE_EQ(relaxPressure, 0.3);
  EXPECT_DOUBLE_EQ(relaxK, 0.6);
  EXPECT_DOUBLE_EQ(relaxEpsilon, 0.7);
  EXPECT_EQ(FlagRhieChow, 0);
}

TEST_F(Frame, NoOuterIterationStillRestoresTheRelaxation) {
  start();
  iterGlobalMax = 0;
  relax[1] = 0.5;
  relaxVelocity = 0.25;
  FlagRhieChow = 1;
  OrigFlagRhieChow = 2;
  WaterSolve();
  EXPECT_DOUBLE_EQ(relaxVelocity, 0.5);
  EXPECT_DOUBLE_EQ(invRelaxVelocity, 2.0);
  EXPECT_EQ(FlagRhieChow, 2);
}

TEST_F(Frame, AZeroRelaxationFactorIsNotTakenAsItIs) {
  start();
  relax[1] = 0.0;
  relax[4] = 0.0;
  relax[5] = 0.0;
  relax[6] = 0.0;
  std::vector<double> seen;
  inMomentum = [&](int) { seen = {relaxVelocity, invRelaxVelocity, relaxPressure, relaxK, relaxEpsilon}; };
  WaterSolve();
  EXPECT_EQ(seen, (std::vector<double>{0.001, 1000.0, 0.001, 0.01, 0.01}));
}

// ---- Stop rules ----

TEST_F(Frame, TheEndOfIterationControlEndsTheComputationAtOnce) {
  start();
  relax[1] = 0.8;
  iterGlobalMax = 5;
  TransInnerIter = 3;
  PrintRes = 1;  // results after every outer iteration that ends normally
  endResult = [](int it, int i) { return it == 2 && i == 2 ? 1 : 0; };
  inMomentum = [](int) { relaxVelocity = 0.4; };
  WaterSolve();
  EXPECT_EQ(events.back(), "E2.2");
  EXPECT_EQ(count("M"), 5);
  EXPECT_EQ(starting("results"), std::vector<std::string>{"results1"});
  // The early end keeps the factors of the moment.
  EXPECT_DOUBLE_EQ(relaxVelocity, 0.4);
}

TEST_F(Frame, APressureStageThatEndsTheComputationSkipsTheRestOfTheIteration) {
  start();
  iterGlobalMax = 3;
  pressureResult = [](int it, int) { return it == 2 ? 1 : 0; };
  WaterSolve();
  EXPECT_EQ(events.back(), "P2.1");
  EXPECT_FALSE(has("T2.1"));
  EXPECT_FALSE(has("M3.1"));
}

TEST_F(Frame, ATransientTimeStepEndsItsInnerLoopBelowTheBreakLimit) {
  struct Row {
    double timeStep;
    int mpi;
    double residualAtSecond;
    int stages, globInner;
  } rows[] = {
      {0.5, 0, 0.001, 2, 2},    // R below F 54 after inner iteration 2 of 3
      {0.5, 0, 0.003, 3, 4},    // above it: all three run
      {0.5, 1, 0.001, 3, 4},    // a divided run never ends the loop early
      {1e-20, 0, 0.001, 3, 4},  // a steady run always runs all three
  };
  for (const Row& r : rows) {
    start([&] { TimeStep = r.timeStep; });
    TransInnerIter = 3;
    FlagMPI = r.mpi;
    residual = [&](int, int i) { return i >= 2 ? r.residualAtSecond : 1.0; };
    WaterSolve();
    EXPECT_EQ(count("M"), r.stages) << r.timeStep << " " << r.mpi << " " << r.residualAtSecond;
    EXPECT_EQ(GlobInnerIter, r.globInner);
  }
}

TEST_F(Frame, ATransientComputationStopsAfterTheEndTime) {
  struct Row {
    double timeEnd;
    int steps;
  } rows[] = {{1.2, 3}, {0.1, 1}, {1.0, 3}, {100.0, 10}};
  for (const Row& r : rows) {
    start([] { TimeStep = 0.5; });
    iterGlobalMax = 10;
    TimeEnd = r.timeEnd;
    stimet = 7.0;  // a new transient computation starts its clock at 0
    WaterSolve();
    EXPECT_EQ(count("M"), r.steps) << "F 335 " << r.timeEnd;
    EXPECT_DOUBLE_EQ(stimet, 0.5 * r.steps);
  }
}

// ---- Transient copies ----

TEST_F(Frame, EachTimeStepStartsFromTheFieldsOfTheStepBefore) {
  start([] {
    TimeStep = 0.5;
    FlagTimeOrder = 1;
    FlagTComp = 1;
    NoComponents = 2;
  });
  ASSERT_TRUE(Cxvel_old && Cxvel_old2 && Ccomp_old);
  iterGlobalMax = 3;
  TransInnerIter = 2;
  const int c = NoCells / 2;
  struct Seen {
    double u1, u2, v1, w1, k1, e1, comp1;
  };
  std::vector<Seen> seen;
  inMomentum = [&](int i) {
    if (i == 1) seen.push_back({Cxvel_old[c], Cxvel_old2[c], Cyvel_old[c], Czvel_old[c], Ckinen_old[c],
                                Cepsilon_old[c], Ccomp_old[1][c]});
    const double v = 10.0 * Iter + i;  // the field at the end of step Iter is 10 Iter + 2
    Cxvel[c] = v;
    Cyvel[c] = v + 0.1;
    Czvel[c] = v + 0.2;
    Ckinen[c] = v + 0.3;
    Cepsilon[c] = v + 0.4;
    Ccomp[1][c] = v + 0.5;
  };
  for (int n = 0; n <= NoCells; ++n) Cxvel[n] = Cyvel[n] = Czvel[n] = Ckinen[n] = Cepsilon[n] = Ccomp[1][n] = 0.0;
  WaterSolve();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_DOUBLE_EQ(seen[1].u1, 12.0);
  EXPECT_DOUBLE_EQ(seen[1].u2, 0.0);
  EXPECT_DOUBLE_EQ(seen[2].u1, 22.0);
  EXPECT_DOUBLE_EQ(seen[2].u2, 12.0);
  EXPECT_DOUBLE_EQ(seen[2].v1, 22.1);
  EXPECT_DOUBLE_EQ(seen[2].w1, 22.2);
  EXPECT_DOUBLE_EQ(seen[2].k1, 22.3);
  EXPECT_DOUBLE_EQ(seen[2].e1, 22.4);
  EXPECT_DOUBLE_EQ(seen[2].comp1, 22.5);
}

TEST_F(Frame, ASteadyComputationMakesNoCopiesAndKeepsItsClock) {
  start();
  iterGlobalMax = 2;
  stimet = 3.0;
  WaterSolve();
  EXPECT_DOUBLE_EQ(stimet, 3.0);
}

// ---- Pointers and per-iteration state ----

TEST_F(Frame, TheCurrentFieldPointersAreBackAfterEveryInnerIteration) {
  start();
  TransInnerIter = 3;
  double* const cf = Cf;
  double* const cfOld = Cf_old;
  double* const u = Cxvel;
  std::vector<bool> atEntry;
  inMomentum = [&](int) {
    atEntry.push_back(Cf == cf && Cf_old == cfOld && Cxvel == u);
    Cf = Ckinen;
    Cf_old = Cepsilon;
    Cxvel = Cyvel;
  };
  WaterSolve();
  EXPECT_EQ(atEntry, (std::vector<bool>{true, true, true}));
  EXPECT_EQ(Cf, cf);
  EXPECT_EQ(Cf_old, cfOld);
  EXPECT_EQ(Cxvel, u);
}

// The chunks of the parallel stages are cut once per outer iteration: a work
// range changed inside one counts from the next.
TEST_F(Frame, ChunkSizesAreTakenAtTheStartOfEachOuterIteration) {
  start();
  NoProcessesSolver = 4;
  iterGlobalMax = 2;
  TransInnerIter = 2;
  WCStart = 1;
  ASSERT_GE(NoCells, 40);
  std::vector<int> seen;
  flowDriverCalls.computeWCStart = [] { WCEnd = 40; };
  inMomentum = [&](int i) {
    seen.push_back(deltac);
    if (Iter == 1 && i == 1) WCEnd = 20;
  };
  WaterSolve();
  EXPECT_EQ(seen, (std::vector<int>{10, 10, 5, 5}));
}

TEST_F(Frame, TheIterationLineIsWantedByTheIterationCount) {
  struct Row {
    char debugging;
    int iter;
    int flagPrint;
  } rows[] = {
      {'N', 9, 0},   {'N', 11, 1},  {'N', 90, 0},  {'N', 95, 1},  {'N', 110, 1}, {'N', 200, 0},
      {'N', 249, 1}, {'N', 250, 0},  // K 1, the last one
      {'D', 249, 0}, {'E', 11, 0},  {'J', 200, 0}, {'J', 199, 1},
  };
  std::vector<int> printOf(251, -1);
  for (const Row& r : rows) {
    start();
    iterGlobalMax = 250;
    PrintIterBoogie = r.debugging == 'J' ? 1000 : 100;
    debugging = r.debugging;
    std::fill(printOf.begin(), printOf.end(), -1);
    inMomentum = [&](int) { printOf[Iter] = FlagPrint; };
    WaterSolve();
    EXPECT_EQ(printOf[r.iter], r.flagPrint) << r.debugging << " Iter " << r.iter;
  }
}

TEST_F(Frame, AverageLineOfDebuggingD) {
  start();
  debugging = 'D';
  iterGlobalMax = 2;
  TransInnerIter = 2;
  residual = [](int it, int i) { return i == 2 ? 0.5 / it : 9.0; };
  WaterSolve();
  EXPECT_TRUE(dir_->dir().boogieHas("Average max residual: 0.500000, Average number of inner iterations: 3.000000"))
      << dir_->dir().boogie();
  EXPECT_TRUE(dir_->dir().boogieHas("Average max residual: 0.375000, Average number of inner iterations: 3.000000"))
      << dir_->dir().boogie();
}

TEST_F(Frame, ResidualsBelowTheFloorCountAsZero) {
  start();
  TransInnerIter = 2;
  residual = [](int, int i) { return i == 1 ? 1e-95 : 0.5; };
  std::vector<double> seen;
  endResult = [&](int, int) {
    seen.push_back(MaxResidual[3]);
    return 0;
  };
  WaterSolve();
  EXPECT_EQ(seen, (std::vector<double>{0.0, 0.5}));
}

// ---- Options of the inner iteration ----

TEST_F(Frame, F171SelectsPredictorMomentumAndPressureStages) {
  struct Row {
    int simple;
    std::vector<std::string> stages;
  } rows[] = {
      {0, {"M1.1", "P1.1"}},         {1, {"M1.1", "P1.1"}}, {2, {"X1.1", "M1.1", "P1.1"}},
      {3, {"M1.1", "P1.1"}},         {4, {"X1.1", "M1.1"}}, {5, {"X1.1"}},
  };
  for (const Row& r : rows) {
    start([&] { FlagSIMPLE = r.simple; });
    WaterSolve();
    std::vector<std::string> got;
    for (const auto& e : events)
      if (e[0] == 'X' || e[0] == 'M' || e[0] == 'P') got.push_back(e);
    EXPECT_EQ(got, r.stages) << "F 171 " << r.simple;
  }
}

TEST_F(Frame, TurbulenceAndComponentStagesByModelAndComponents) {
  struct Row {
    int model, thixo, components;
    bool turbulence, comp;
  } rows[] = {
      {0, 0, 0, true, false},  {3, 0, 0, true, false},  {4, 0, 0, false, false}, {7, 0, 0, false, false},
      {8, 0, 0, true, false},  {0, 1, 0, false, false}, {0, 0, 1, true, true},   {6, 1, 2, false, true},
  };
  for (const Row& r : rows) {
    start([&] { NoComponents = r.components; });
    TurbulenceModel = r.model;
    FlagThixoIsComputing = r.thixo;
    WaterSolve();
    EXPECT_EQ(has("T1.1"), r.turbulence) << "F 24 " << r.model << " slide " << r.thixo;
    EXPECT_EQ(has("C1.1"), r.comp) << "components " << r.components;
  }
}

TEST_F(Frame, AGridChangedBySurfaceMoveIsMeasuredAgainInTheNextInnerIteration) {
  start();
  TransInnerIter = 2;
  inMomentum = [](int i) {
    if (i == 1) FlagGridChange = 1;
    Equation = 3;
  };
  // The change is picked up at the start of inner iteration 2.
  WaterSolve();
  const auto at = std::find(events.begin(), events.end(), "E1.1");
  ASSERT_NE(at, events.end());
  EXPECT_EQ(std::vector<std::string>(at + 1, at + 6),
            (std::vector<std::string>{"metric", "startup", "boundary", "waterflow", "M1.2"}));
  EXPECT_EQ(FlagGridChange, 0);
}

TEST_F(Frame, InnerIterationServicesByTheirOptions) {
  struct Row {
    const char* name;
    std::function<void()> set;
    std::string expected;
    int times;
  } rows[] = {
      {"F 1 A", [] { debugging = 'A'; }, "gridTest", 1},
      {"no A", [] {}, "gridTest", 0},
      {"arrays to allocate", [] { FlagFlowParamChange = 1; }, "sialloc", 0},  // cleared by the set-up
      {"F 395 at inner 11 and up", [] { FlagModifyGrid = 1; MaxModifyGrid = 0.5; TransInnerIter = 12; }, "ModifyGrid", 2},
      {"F 395 below its residual", [] { FlagModifyGrid = 1; MaxModifyGrid = 2.0; TransInnerIter = 12; }, "ModifyGrid", 0},
  };
  for (const Row& r : rows) {
    start();
    r.set();
    WaterSolve();
    EXPECT_EQ(count(r.expected), r.times) << r.name;
  }
}

TEST_F(Frame, ArraysAskedForDuringTheComputationAreAllocatedInTheNextInnerIteration) {
  start();
  TransInnerIter = 2;
  inMomentum = [](int i) {
    if (i == 1) FlagFlowParamChange = 1;
  };
  WaterSolve();
  const auto at = std::find(events.begin(), events.end(), "E1.1");
  ASSERT_NE(at, events.end());
  EXPECT_EQ(*(at + 1), "sialloc");
  EXPECT_EQ(FlagFlowParamChange, 0);
}

TEST_F(Frame, StratificationDampingOfTheVelocitiesBeforeTheMomentumStage) {
  start();
  TurbDensFlag = 1;
  TurbDensAlphaU = -0.7;
  TurbDensBetaU = 3.5;
  std::vector<double> seen;
  inMomentum = [&](int) { seen = {TDalpha, TDbeta}; };
  WaterSolve();
  EXPECT_EQ(seen, (std::vector<double>{-0.7, 3.5}));
}

TEST_F(Frame, ThixotropicStabilityVariantOfASlideComputation) {
  struct Row {
    int variant, subBed2, iterOnEntry, inner;
    std::vector<std::string> calls;
  } rows[] = {
      {0, 0, 1, 1, {"thixo0b1"}},
      {3, 0, 1, 1, {"thixo3b1"}},
      {1, 1, 1, 1, {"thixo1b2"}},  // block 2 is the sub-bed block
      {2, 0, 4, 2, {"thixo2b1"}},  // a later step: not in its first inner iteration
      {0, 0, 4, 1, {}},
      {4, 0, 1, 1, {}},
  };
  for (const Row& r : rows) {
    start();
    NoBlocks = 2;
    block[2].subBed = r.subBed2;
    FlagThixo = 2;
    FlagThixoDamp = r.variant;
    FlagThixoIsComputing = 1;
    FlagTSC = 1;  // Iter is the caller's
    Iter = r.iterOnEntry;
    TransInnerIter = r.inner;
    WaterSolve();
    EXPECT_EQ(starting("thixo"), r.calls) << "F 289 " << r.variant;
  }
}

TEST_F(Frame, TriangleCellsWithTheLargestDefectAreCountedInTheLastInnerIteration) {
  start();
  TransInnerIter = 2;
  FlagCorrTrekant = 1;
  debugging = 'D';
  const int c = 3;
  Ctrekant[c] = 5;
  Cpres_res[c] = 0.004;
  residual = [](int, int) { return 0.01; };
  inMomentum = [&](int) { Glob_dmI = c; };
  NoErrorsTrekant[5] = 0;
  WaterSolve();
  EXPECT_EQ(NoErrorsTrekant[5], 1);
  EXPECT_EQ(starting("trekant"), std::vector<std::string>{"trekant3.2"});
}

// ---- Options of the outer iteration and the surface ----

TEST_F(Frame, SurfaceMovesByTheSurfaceMethod) {
  struct Row {
    const char* name;
    std::function<void()> set;
    std::vector<std::string> calls;
  } rows[] = {
      {"steady update at K 1 interval", [] { IterSurface = 2; iSurf = 1; ConvSurface = 0.5; },
       {"surface2", "surface4"}},
      {"steady update above its residual", [] { IterSurface = 2; iSurf = 1; ConvSurface = 0.1; }, {}},
      {"steady update with a fixed lid", [] { IterSurface = 2; iSurf = 1; ConvSurface = 0.5; FlagRoof = 0; }, {}},
      {"classic F 36 2 at F 105 interval", [] { FlagTFS = 2; IterWaterUpdate = 2; SurfResCrit = 0.5; },
       {"surface2", "surface4"}},
      {"classic above F 224", [] { FlagTFS = 2; IterWaterUpdate = 2; SurfResCrit = 0.1; }, {}},
      {"classic F 36 3 whatever the residual", [] { FlagTFS = 3; IterWaterUpdate = 2; SurfResCrit = 0.1; },
       {"surface2", "surface4"}},
      {"classic F 224 below 0 with a small continuity residual",
       [] { FlagTFS = 5; IterWaterUpdate = 4; SurfResCrit = -1.0; residual = [](int, int) { return 0.0005; }; },
       {"surface4"}},
      {"classic F 36 6 is no classic method", [] { FlagTFS = 6; IterWaterUpdate = 1; SurfResCrit = 0.5; }, {}},
      {"classic called elsewhere (F 432)", [] { FlagTFS = 2; IterWaterUpdate = 2; SurfResCrit = 0.5; FlagCallSurface = 1; }, {}},
  };
  for (const Row& r : rows) {
    start();
    iterGlobalMax = 4;
    residual = [](int, int) { return 0.2; };
    r.set();
    WaterSolve();
    EXPECT_EQ(starting("surface"), r.calls) << r.name;
  }
}

TEST_F(Frame, ClassicUpdatesHeldBackByTheResidualAreCounted) {
  start();
  iterGlobalMax = 4;
  FlagTFS = 2;
  IterWaterUpdate = 2;
  SurfResCrit = 0.1;
  NoNumNoSurfUpdate = 0;
  WaterSolve();
  EXPECT_EQ(NoNumNoSurfUpdate, 2);
}

TEST_F(Frame, KinematicAndLevelSetSurfaceSteps) {
  struct Row {
    int tfs, thixo;
    int roof;
    int tfsCalls, lsCalls;
  } rows[] = {{1, 0, 1, 3, 0}, {11, 0, 1, 3, 0}, {19, 0, 1, 3, 0}, {20, 0, 1, 0, 0},
              {1, 2, 1, 0, 0}, {1, 0, 0, 0, 0},  {50, 0, 1, 0, 1}};
  for (const Row& r : rows) {
    start();
    iterGlobalMax = 3;
    IterWaterUpdate = 2;
    FlagTFS = r.tfs;
    FlagThixo = r.thixo;
    FlagRoof = r.roof;
    WaterSolve();
    EXPECT_EQ(count("tfs01"), r.tfsCalls) << "F 36 " << r.tfs;
    EXPECT_EQ(count("LS"), r.lsCalls) << "F 36 " << r.tfs;
  }
}

TEST_F(Frame, PressuresAreShiftedToTheReferenceColumnBeforeAClassicUpdate) {
  start();
  FlagTFS = 2;
  IterWaterUpdate = 1;
  SurfResCrit = 10.0;
  FlagScalePressure = 1;
  iPres = 3;
  jPres = 2;
  const int ref = static_cast<int>(zval[3][2][0]);
  ASSERT_GT(ref, 0);
  for (int c = 1; c <= NoCells; ++c) Cpres[c] = 100.0 + c;
  WaterSolve();
  for (int c : {1, ref, NoCells}) EXPECT_DOUBLE_EQ(Cpres[c], c - ref) << c;
}

TEST_F(Frame, WithoutAReferenceColumnTheLastCellOfBlockOneIsTheReference) {
  start();
  FlagTFS = 2;
  IterWaterUpdate = 1;
  SurfResCrit = 10.0;
  FlagScalePressure = 1;
  for (int c = 1; c <= NoCells; ++c) Cpres[c] = 2.0 * c;
  WaterSolve();
  const int last = block[1].lastCell;
  EXPECT_DOUBLE_EQ(Cpres[1], 2.0 - 2.0 * last);
  EXPECT_DOUBLE_EQ(Cpres[last], 0.0);
}

TEST_F(Frame, TimeSeriesLogAndSlideLoopAtTheStartOfAnOuterIteration) {
  start([] { TimeStep = 1.0; });
  iterGlobalMax = 4;
  TimePrintNo = 1;
  TimePrint[0].time = 1.5;  // reached at the second step
  PrintIterTime = 3;
  WaterSolve();
  EXPECT_EQ(starting("timeo"), (std::vector<std::string>{"timeo2", "timeo3"}));

  start();
  FlagThixoDamp = 5;
  FlagGroundwater = 2;
  FlagThixoTimestep = 1;
  WaterSolve();
  EXPECT_EQ(starting("groundwater").size() + starting("slide").size() + starting("timestep").size(), 3u);
  const auto g = std::find(events.begin(), events.end(), "groundwater");
  ASSERT_NE(g, events.end());
  EXPECT_EQ(*(g + 1), "slide");
  EXPECT_EQ(*(g + 2), "timestep");
}

TEST_F(Frame, PressureRegressionSumsOfTheTopCells) {
  start([] { PresRegres = 1; });
  ASSERT_TRUE(PresRegresN);
  iterGlobalMax = 2;
  RegIter = 0;
  const int i = 3, j = 2;
  int top = static_cast<int>(zval[i][j][0]);
  while (Ccellt[top] != 0) top = Ccellt[top];
  for (int c = 1; c <= NoCells; ++c) Cpres[c] = 1.0;
  Cpres[top] = 500.0;
  WaterSolve();
  EXPECT_EQ(RegIter, 2);
  EXPECT_EQ(PresRegresN[i][j], 2);
  EXPECT_EQ(PresRegresSumX[i][j], 3);
  EXPECT_EQ(PresRegresSumXX[i][j], 5);
  EXPECT_DOUBLE_EQ(PresRegresSumPres[i][j], 1000.0);
  EXPECT_DOUBLE_EQ(PresRegresSumXPres[i][j], 1500.0);
}

// ---- Options of the set-up ----

TEST_F(Frame, SetUpServicesByTheirOptions) {
  struct Row {
    const char* name;
    std::function<void()> set;
    std::string call;
    int times;
  } rows[] = {
      {"bed cells for F 90", [] { NoBCells = 0; FlagRoughness = 1; }, "BedMake", 1},
      {"bed cells for F 36 1", [] { NoBCells = 0; FlagTFS = 1; }, "BedMake", 1},
      {"bed cells for F 36 11", [] { NoBCells = 0; FlagTFS = 11; }, "BedMake", 1},
      {"bed cells for F 115", [] { NoBCells = 0; FlagDragDLL = 1; }, "BedMake", 1},
      {"bed cells for F 36 5", [] { NoBCells = 0; FlagTFS = 5; }, "BedMake", 1},
      {"bed cells exist", [] { FlagRoughness = 1; }, "BedMake", 0},
      {"no option needs bed cells", [] { NoBCells = 0; }, "BedMake", 0},
      {"sediment step after the first", [] { NoBCells = 0; FlagRoughness = 1; FlagTSC = 1; Iter = 3; }, "BedMake", 0},
      {"reference column by group", [] { FlagTFS = 2; kSurf = 1; }, "SetiPresjPres", 1},
      {"reference column known", [] { FlagTFS = 2; kSurf = 1; jPres = 2; }, "SetiPresjPres", 0},
      {"multigrid levels", [] { Flag2DAccSolver = 1; }, "AlgMGMake", 1},
      {"multigrid levels built", [] { Flag2DAccSolver = 1; block[NoBlocks].kind = 2; }, "AlgMGMake", 0},
      {"work ranges of the driver", [] {}, "WCStart", 1},
      {"work ranges of a sediment step", [] { FlagTSC = 1; }, "WCStart", 0},
      {"work ranges of a grid level", [] { MGSNo = 2; iterGlobalMax = 0; }, "WCStart", 0},
  };
  for (const Row& r : rows) {
    start();
    r.set();
    WaterSolve();
    EXPECT_EQ(count(r.call), r.times) << r.name;
  }
}

TEST_F(Frame, CallerSettingsOfASedimentStepAndAGridLevel) {
  // A sediment step: one outer iteration, the caller's Iter and print choice.
  start([] { TimeStep = 0.5; });
  FlagTSC = 1;
  Iter = 7;
  FlagPrint = 1;
  stimet = 3.0;
  iterGlobalMax = 5;
  TimePrintNo = 1;
  dir_->dir().write("timeo", "kept\n");
  int printSeen = -1;
  inMomentum = [&](int) { printSeen = FlagPrint; };
  WaterSolve();
  EXPECT_EQ(count("M"), 1);
  EXPECT_EQ(Iter, 7);
  EXPECT_EQ(printSeen, 1);
  EXPECT_DOUBLE_EQ(stimet, 3.5);
  EXPECT_EQ(dir_->dir().read("timeo"), "kept\n");

  // A grid level: up to 300 outer iterations, Iter untouched.
  start();
  MGSNo = 2;
  Iter = 4;
  endResult = [](int, int) { return 0; };
  WaterSolve();
  EXPECT_EQ(count("M"), 300);
  EXPECT_EQ(Iter, 4);
}

TEST_F(Frame, TheTimeSeriesLogIsEmptiedWhenPrintRecordsExist) {
  start();
  iterGlobalMax = 0;
  dir_->dir().write("timeo", "from an earlier run\n");
  TimePrintNo = 1;
  TimePrint[0].time = 1e9;
  WaterSolve();
  EXPECT_EQ(dir_->dir().read("timeo"), "");
}

// A time-series log that cannot be written ends the run with status -3, and
// the log says why.
TEST_F(Frame, ATimeSeriesLogThatCannotBeWrittenEndsTheRunWithItsReason) {
  start();
  dir_->dir().mkdir("timeo");
  TimePrintNo = 1;
  EXPECT_EXIT(WaterSolve(), ::testing::ExitedWithCode(253), "");
  EXPECT_TRUE(dir_->dir().boogieHas("Error: can not open file 'timeo' for writing")) << dir_->dir().boogie();
}

TEST_F(Frame, HydrostaticStartPressureWithF545) {
  start();
  FlagGravity = 1;
  FlagGravityInitialize = 1;
  iterGlobalMax = 0;
  for (int c = 1; c <= NoCells; ++c) Cpres[c] = -1.0;
  WaterSolve();
  // Water at 1 m over a flat box: 9810 Pa per metre below the surface.
  for (int c = 1; c <= NoCells; ++c) EXPECT_NEAR(Cpres[c], 9810.0 * (1.0 - Czcenter[c]), 1e-9) << c;
}

TEST_F(Frame, TotalConcentrationAndThixotropicMarksAtTheStart) {
  start();
  TurbDensFlag = 1;
  iterGlobalMax = 0;
  for (int c = 1; c <= NoCells; ++c) {
    Cconc[0][c] = 99.0;
    Cconc[1][c] = 0.001 * c;
  }
  WaterSolve();
  for (int c : {1, NoCells}) EXPECT_DOUBLE_EQ(Cconc[0][c], 0.001 * c);
}

TEST_F(Frame, ThixotropicMarksAreClearedAtTheStartOfTheClock) {
  for (double t : {0.0, 5.0}) {
    start();
    ASSERT_TRUE(allocate1(Cthixolev, NoCells + 1) && allocate1(Cthixorat, NoCells + 1));
    iterGlobalMax = 0;
    stimet = t;
    Cthixolev[2] = 4;
    Cthixorat[2] = 1.2;
    WaterSolve();
    EXPECT_EQ(Cthixolev[2], t == 0.0 ? 0 : 4) << t;
    EXPECT_DOUBLE_EQ(Cthixorat[2], t == 0.0 ? 0.0 : 1.2) << t;
  }
}

TEST_F(Frame, StartPressureFromTheWaterLevelsWithF540) {
  struct Row {
    int flag, iterOnEntry;
    bool applied;
  } rows[] = {{1, 1, true}, {1, 0, false}, {2, 0, true}, {0, 1, false}};
  for (const Row& r : rows) {
    start();
    FlagInitiatePres = r.flag;
    Iter = r.iterOnEntry;
    iterGlobalMax = 0;
    for (int c = 1; c <= NoCells; ++c) Cpres[c] = -5.0;
    WaterSolve();
    // Flat water: every column at the reference level.
    EXPECT_DOUBLE_EQ(Cpres[1], r.applied ? 0.0 : -5.0) << "F 540 " << r.flag << " Iter " << r.iterOnEntry;
  }
}

TEST_F(Frame, ADividedRunGoesOnWithItsWarningAndEndsWithTheResultFiles) {
  start();
  FlagMPI = 2;
  iterGlobalMax = 2;
  relax[1] = 0.8;
  inMomentum = [](int) { relaxVelocity = 0.4; };
  WaterSolve();
  EXPECT_TRUE(dir_->dir().boogieHas("Error for F 308 data set in the control file. The data set should not be "))
      << dir_->dir().boogie();
  EXPECT_TRUE(dir_->dir().boogieHas("used when computing the water flow in a TOVAK version that is not MPI enabled"));
  EXPECT_EQ(count("M"), 2);
  EXPECT_EQ(events.back(), "results2");
  EXPECT_FALSE(has("limitMPI"));  // only with F 316 8
  EXPECT_DOUBLE_EQ(relaxVelocity, 0.4);
  EXPECT_EQ(RunErrorReported, 1);

  start();
  FlagMPI = 1;
  FlagPresMPIboundary = 8;
  WaterSolve();
  EXPECT_EQ(std::vector<std::string>(events.end() - 2, events.end()),
            (std::vector<std::string>{"limitMPI", "results1"}));
}

// ---- The two small routines ----

TEST(InitiatePressure, EachColumnTakesThePressureOfItsLevelAboveTheReference) {
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::box(4, 3).build());
  // Block 1 holds columns i 2..5, j 2..4; the reference column is (5, 2).
  ASSERT_EQ(block[1].i2, 5);
  ASSERT_EQ(block[1].j2, 4);
  for (int i = 2; i <= 5; ++i)
    for (int j = 2; j <= 4; ++j) zval[i][j][znumber] = 1.0;
  zval[5][2][znumber] = 0.5;  // the reference level
  zval[2][3][znumber] = 1.5;  // one metre above it
  zval[3][4][znumber] = 0.5;  // level with it
  initiatePressure();
  auto columnPressures = [](int i, int j) {
    std::vector<double> v;
    for (int c = static_cast<int>(zval[i][j][0]); c >= 1 && c <= NoCells; c = Ccellt[c]) v.push_back(Cpres[c]);
    return v;
  };
  const auto high = columnPressures(2, 3), level = columnPressures(3, 4), other = columnPressures(4, 2);
  ASSERT_GE(high.size(), 2u);
  for (double v : high) EXPECT_DOUBLE_EQ(v, 9810.0);
  for (double v : level) EXPECT_DOUBLE_EQ(v, 0.0);
  for (double v : other) EXPECT_DOUBLE_EQ(v, 4905.0);
}

TEST(InitiatePressure, DryColumnsAreLeftAlone) {
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::box(4, 3).build());
  const int c = static_cast<int>(zval[2][2][0]);
  zval[2][2][0] = 0.0;
  zval[2][2][znumber] = 3.0;
  Cpres[c] = -7.0;
  initiatePressure();
  EXPECT_DOUBLE_EQ(Cpres[c], -7.0);
}

TEST(ComputeChangeTimestep, KeepsTheFirstTimeStepAndTakesATenthBeyondBlockOne) {
  InProjectDir p;
  NoBlocks = 2;
  block[1].lastCell = 100;
  TimeStep = 2.0;
  WCStart = 101;
  computeChangeTimestep();
  EXPECT_DOUBLE_EQ(TimeStep, 0.2);
  WCStart = 1;
  computeChangeTimestep();
  EXPECT_DOUBLE_EQ(TimeStep, 2.0);
  TimeStep = 5.0;  // a later step changes nothing: the first one is kept
  computeChangeTimestep();
  EXPECT_DOUBLE_EQ(TimeStep, 2.0);
}
