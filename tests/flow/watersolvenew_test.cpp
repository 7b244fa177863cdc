// The frame of the modular flow driver on a small box grid, with the
// equation drivers and the services replaced by recorders: the order of the
// equations, the turbulence models, the relaxation factors of every outer
// iteration, the result intervals, the stop and the current-field pointers.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "flow/cellequations.h"
#include "flow/equationdrivers.h"
#include "flow/flow.h"
#include "flow/stages.h"
#include "state/arrays.h"
#include "state/flowstate.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"

namespace {

std::vector<std::string> events;
std::function<void(int)> inVelocities;  // work inside SimpleVelocities, by inner i
std::function<int(int)> endResult;      // printEndWaterSolve, by Iter
double* expectedPressureArray = nullptr;
bool pressureArrayRight = true;

void note(const std::string& what) { events.push_back(what); }
std::string at(const std::string& what, int i) { return what + std::to_string(Iter) + "." + std::to_string(i); }

void nothing() {}
int nothingInt() { return 0; }
void nothing2(int, int) {}
void nothing1(int) {}
void recSprintflow() { note("results" + std::to_string(Iter)); }
void recWaterflow(int, int) {}
int recEnd(int i) {
  note(at("E", i));
  return endResult ? endResult(Iter) : 0;
}
void recVelocities(int i) {
  note(at("V", i));
  for (int e = 1; e <= 6; ++e) MaxResidual[e] = 1.0;
  Cf = Cxvel;  // the equation drivers leave Cf at their own fields
  if (inVelocities) inVelocities(i);
}
void recPressure(int i) {
  note(at("P", i));
  pressureArrayRight = pressureArrayRight && Cf == expectedPressureArray;
}
void recTurbulence(int eq) { note("T" + std::to_string(eq)); }
void recEpsilon() { note("eps"); }

FlowDriverCalls recorders() {
  FlowDriverCalls t{};
  t.metric = t.bedMake = t.startup = t.computeWCStart = t.setiPresjPres = t.gridTest = t.modifyGrid = nothing;
  t.algMGMake = t.surface = t.surfaceLSUpdate = t.groundwater = t.computeSlideLocation = nothing;
  t.computeChangeTimestep = t.limitPressureMPI = t.boundary = t.timePrintFunction = nothing;
  t.sialloc = nothingInt;
  t.sprintflow = recSprintflow;
  t.surfaceTfs = nothing2;
  for (auto& f : t.thixoDamp) f = nothing1;
  t.waterflow = recWaterflow;
  t.printEndWaterSolve = recEnd;
  t.printDebugTrekant = nothing2;
  return t;
}

class ModularFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    savedFlow_ = flowDriverCalls;
    savedEquations_ = modularDriverCalls;
    dir_ = std::make_unique<InProjectDir>();
    ASSERT_TRUE(FlowGrid::box(4, 2).build());
    flowDriverCalls = recorders();
    modularDriverCalls = {recVelocities, recPressure, recTurbulence, recEpsilon};
    events.clear();
    inVelocities = nullptr;
    endResult = nullptr;
    expectedPressureArray = Cf;
    pressureArrayRight = true;
    iterGlobalMax = 1;
    TransInnerIter = 1;
  }
  void TearDown() override {
    flowDriverCalls = savedFlow_;
    modularDriverCalls = savedEquations_;
    dir_.reset();
  }
  std::vector<std::string> only(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& e : events)
      if (e.rfind(prefix, 0) == 0) out.push_back(e);
    return out;
  }
  std::unique_ptr<InProjectDir> dir_;
  FlowDriverCalls savedFlow_{};
  ModularDriverCalls savedEquations_{};
};

using Events = std::vector<std::string>;

}  // namespace

// Momentum, pressure, then k and epsilon by F 24: the models 4..7 solve no
// turbulence equation, the one-equation models 18..20 take epsilon from k.
TEST_F(ModularFrame, TheTurbulenceModelChoosesTheEquationsAfterMomentumAndPressure) {
  struct Row {
    int model;
    Events expected;
  };
  const Row rows[] = {
      {0, {"V1.1", "P1.1", "T5", "T6", "E1.1"}},  {3, {"V1.1", "P1.1", "T5", "T6", "E1.1"}},
      {4, {"V1.1", "P1.1", "E1.1"}},               {7, {"V1.1", "P1.1", "E1.1"}},
      {18, {"V1.1", "P1.1", "T5", "eps", "E1.1"}}, {20, {"V1.1", "P1.1", "T5", "eps", "E1.1"}},
      {17, {"V1.1", "P1.1", "T5", "T6", "E1.1"}},
  };
  for (const Row& r : rows) {
    events.clear();
    FlagInitialized = 1;
    TurbulenceModel = r.model;
    WaterSolveNew();
    EXPECT_EQ(events, r.expected) << "F 24 " << r.model;
  }
}

// The pressure correction always lands in the driver's own array, whatever
// the momentum equations left in Cf.
TEST_F(ModularFrame, ThePressureStageGetsTheDriversOwnArray) {
  iterGlobalMax = 2;
  TransInnerIter = 2;
  WaterSolveNew();
  EXPECT_EQ(only("P"), (Events{"P1.1", "P1.2", "P2.1", "P2.2"}));
  EXPECT_TRUE(pressureArrayRight);
  EXPECT_EQ(Cf, expectedPressureArray);
}

// Every outer iteration starts from the K 3 factors of velocity and
// pressure, held inside 0.001..2 as at the start of a computation: a first
// value 0 runs on 0.001; a factor halved during an iteration is rebuilt in
// the next; the k and epsilon factors are left as they are.
TEST_F(ModularFrame, EveryOuterIterationRebuildsTheVelocityAndPressureFactorsWithTheirLimits) {
  struct Row {
    double velocity, pressure, expectedVelocity, expectedPressure;
  } rows[] = {{0.0, 0.0, 0.001, 0.001}, {0.7, 0.3, 0.7, 0.3}, {2.5, 0.2, 0.001, 0.2}};
  for (const Row& r : rows) {
    relax[1] = r.velocity;
    relax[4] = r.pressure;
    relaxK = 0.123;
    relaxEpsilon = 0.456;
    iterGlobalMax = 2;
    std::vector<double> seen;
    inVelocities = [&seen](int) {
      seen.insert(seen.end(), {relaxVelocity, invRelaxVelocity, relaxPressure, relaxK, relaxEpsilon});
      relaxVelocity *= 0.5;  // as a flush does
      relaxK *= 0.5;
    };
    WaterSolveNew();
    ASSERT_EQ(seen.size(), 10u);
    for (int o = 0; o < 2; ++o) {
      EXPECT_DOUBLE_EQ(seen[5 * o], r.expectedVelocity) << r.velocity;
      EXPECT_DOUBLE_EQ(seen[5 * o + 1], 1.0 / r.expectedVelocity) << r.velocity;
      EXPECT_DOUBLE_EQ(seen[5 * o + 2], r.expectedPressure) << r.pressure;
    }
    EXPECT_DOUBLE_EQ(seen[3], 0.123);
    EXPECT_DOUBLE_EQ(seen[8], 0.0615);  // halved once, never rebuilt
    EXPECT_DOUBLE_EQ(seen[4], 0.456);
  }
}

// P 10 5: results after the outer iterations 4, 9 and 14 (Iter + 1 a
// multiple of 5).
TEST_F(ModularFrame, P10WritesResultsWhenTheNextIterationIsAMultiple) {
  iterGlobalMax = 15;
  PrintRes = 5;
  WaterSolveNew();
  EXPECT_EQ(only("results"), (Events{"results4", "results9", "results14"}));
}

// The end-of-iteration control ends the computation at once: no further
// inner or outer iteration, no result write of the interval.
TEST_F(ModularFrame, TheEndOfIterationControlEndsTheComputationAtOnce) {
  iterGlobalMax = 10;
  TransInnerIter = 2;
  PrintRes = 1;
  endResult = [](int it) { return it == 3 ? 1 : 0; };
  WaterSolveNew();
  EXPECT_EQ(only("E"), (Events{"E1.1", "E1.2", "E2.1", "E2.2", "E3.1"}));
  EXPECT_EQ(only("results"), (Events{"results1", "results2"}));
}

// A transient step ends its inner loop once the largest residual is below
// F 54; a steady iteration runs all of its inner iterations.
TEST_F(ModularFrame, ATransientStepEndsItsInnerLoopBelowTheBreakLimit) {
  struct Row {
    double timeStep;
    int inner;
  } rows[] = {{0.0, 5}, {1.0, 3}};
  for (const Row& r : rows) {
    events.clear();
    TimeStep = r.timeStep;
    TransInnerIter = 5;
    TimeBreakLimit = 0.01;
    inVelocities = [](int i) {
      if (i >= 3)
        for (int e = 1; e <= 6; ++e) MaxResidual[e] = 0.001;
    };
    WaterSolveNew();
    EXPECT_EQ(static_cast<int>(only("V").size()), r.inner) << r.timeStep;
    EXPECT_EQ(GlobInnerIter, r.timeStep > 0 ? 3 : 6) << r.timeStep;
  }
}
