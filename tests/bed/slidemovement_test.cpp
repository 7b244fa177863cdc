// The slide step of letter D and F 236 2 on a sub-bed block, with the stages
// of the flow driver replaced by recorders: the flow is computed on the slide
// block's cells and faces with the F 326 step and inner iterations, and the
// run gets its time, step and inner iterations back.
#include <gtest/gtest.h>

#include <vector>

#include "bed/bed.h"
#include "bed/slides.h"
#include "flow/flow.h"
#include "flow/stages.h"
#include "grid/generate.h"
#include "grid/geometry.h"
#include "grid/grid_builder.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/slidestate.h"
#include "support/in_dir.h"

namespace {

// What the momentum stage saw, one entry per inner iteration.
struct Seen {
  int wcStart, wcEnd, wfStart, wfEnd, inner;
  double step, time;
};
std::vector<Seen> seen;

void recMomentum(int i) {
  seen.push_back({WCStart, WCEnd, WFStart, WFEnd, i, TimeStep, stimet});
  for (int e = 1; e <= 6; ++e) MaxResidual[e] = 1.0;  // no early end of the inner loop
}
int recPressure(int, double) { return 0; }
void quietStage(int) {}
int recEnd(int) { return 0; }
void quiet() {}
void quietRange(int, int) {}

class SlideStep : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = flowDriverCalls; }
  void TearDown() override { flowDriverCalls = saved_; }

  // Host block of 6 x 4 columns on a bed rising 0.9 m per metre, 20 m of
  // water, and the sub-bed block below it; the stages of one inner
  // iteration record, the work-range rule of the run control stays.
  void start() {
    setRunStateInitial();
    resetSlideState();
    FlagThixo = 2;
    BlockGrid g;
    g.nx = 6;
    g.ny = 4;
    g.rows = 9;
    g.bed = [](int i, int) { return 10.0 + 0.9 * (i - 1); };
    g.water = [](int, int) { return 20.0; };
    g.prepare();
    for (int i = 0; i <= xnumber; ++i)
      for (int j = 0; j <= ynumber; ++j) Surfaces[3][i][j] = zval[i][j][1] - 5.0;
    ASSERT_EQ(UnstructureBuild(), 1);
    ASSERT_EQ(slideBlock(), 2);
    BedMake();
    metric();
    flowDriverCalls.momentumStage = recMomentum;
    flowDriverCalls.explicitPredictor = quietStage;
    flowDriverCalls.pressureStage = recPressure;
    flowDriverCalls.turbulenceStage = quietStage;
    flowDriverCalls.componentStage = quietStage;
    flowDriverCalls.printEndWaterSolve = recEnd;
    flowDriverCalls.sprintflow = quiet;
    flowDriverCalls.boundary = quiet;
    flowDriverCalls.startup = quiet;
    flowDriverCalls.waterflow = quietRange;
    seen.clear();
    iterGlobalMax = 2;
    TimeStep = 1.0;
    TransInnerIter = 2;
    stimet = 7.0;
  }
  InProjectDir dir_;
  FlowDriverCalls saved_{};
};

}  // namespace

// Without F 37 the flow of the step covers the slide block alone (the
// work-block rule would give the water block), with the F 326 step and inner
// iterations; afterwards the time, the step and the inner iterations are the
// run's again and the work range is left on the slide block.
TEST_F(SlideStep, ComputesTheSlideBlockAndGivesTheRunItsTimeBack) {
  start();
  IterThixo = 3;
  TimeStepThixo = 0.25;
  const BlockRecord B = block[2];
  ASSERT_GT(B.firstCell, block[1].lastCell);
  ASSERT_EQ(computeSlidemovement(), 0);
  ASSERT_EQ(seen.size(), 6u);  // 2 outer iterations of 3 inner ones
  for (const Seen& s : seen) {
    EXPECT_EQ(s.wcStart, B.firstCell);
    EXPECT_EQ(s.wcEnd, B.lastCell);
    EXPECT_EQ(s.wfStart, B.firstSurface);
    EXPECT_EQ(s.wfEnd, B.lastSurface);
    EXPECT_EQ(s.step, 0.25);
  }
  EXPECT_EQ(seen[2].inner, 3);
  EXPECT_EQ(seen[5].time, 0.5);  // the step's own clock, from 0
  EXPECT_EQ(stimet, 7.0);
  EXPECT_EQ(TimeStep, 1.0);
  EXPECT_EQ(TransInnerIter, 2);
  EXPECT_EQ(WorkBlockNo, 2);
  EXPECT_EQ(WorkBlock[1], 0);
  EXPECT_EQ(WorkBlock[2], 1);
  EXPECT_EQ(FlagThixoIsComputing, 0);
  // The run control's rule is back in the driver's table.
  EXPECT_EQ(flowDriverCalls.computeWCStart, saved_.computeWCStart);
}

// F 326 with no inner iterations: the step runs with the run's own step and
// inner iterations.
TEST_F(SlideStep, WithoutF326ItsIterationsTheRunsStepIsUsed) {
  start();
  IterThixo = 0;
  TimeStepThixo = 0.25;
  ASSERT_EQ(computeSlidemovement(), 0);
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[3].step, 1.0);
  EXPECT_EQ(seen[3].inner, 2);
  EXPECT_EQ(stimet, 7.0);
}

// With F 37 the range is set to the slide block directly and the driver
// keeps it (it sets no range of its own in a sediment step).
TEST_F(SlideStep, WithF37TheRangeIsTheSlideBlock) {
  start();
  FlagTSC = 1;
  Iter = 1;
  const BlockRecord B = block[2];
  ASSERT_EQ(computeSlidemovement(), 0);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen[0].wcStart, B.firstCell);
  EXPECT_EQ(seen[0].wcEnd, B.lastCell);
  EXPECT_EQ(WorkBlockNo, 0);
  EXPECT_EQ(stimet, 7.0);
}
