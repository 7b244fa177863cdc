// F 435 1: in a run with a discharge series the interpolated discharge of
// each group is written back into the group record; other values, or a run
// without a series, keep the record's discharge.
#include <gtest/gtest.h>

#include <vector>

#include "flow/cellequations.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/startup.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"

// Group 1 of the channel brings 1500 l/s; the series gives 2 and 4 m3/s at
// 0 and 100 s, at 25 s 2.5 m3/s = 2500 l/s.
TEST(DischargeWriteBack, SeriesValueKeptInTheGroupByF435One) {
  struct Row {
    int f435, series;
    double record;
  };
  const std::vector<Row> rows = {{1, 1, 2500.0}, {0, 1, 1500.0}, {2, 1, 1500.0}, {1, 0, 1500.0}};
  double times[] = {0.0, 100.0};
  double values[2][10] = {};
  values[0][1] = 2.0, values[1][1] = 4.0;
  values[0][2] = values[1][2] = 1.0;
  double* rowPointers[2] = {values[0], values[1]};
  for (const Row& r : rows) {
    InProjectDir d;
    ASSERT_TRUE(FlowGrid::box(6, 3).build());
    startup();
    ASSERT_NEAR(DischargeStruct[1].discharge, 1500.0, 1e-9);
    TimeInTime = times;
    QDinn = rowPointers;
    TimeInNo = 2;
    FlagDischargeTime = r.series;
    FlagUpdateDischarge = r.f435;
    stimet = 25.0;
    Equation = 1;
    boundary();
    EXPECT_NEAR(DischargeArray[1], r.series ? 2500.0 : 1500.0, 1e-9) << r.f435 << " " << r.series;
    EXPECT_NEAR(DischargeStruct[1].discharge, r.record, 1e-9) << r.f435 << " " << r.series;
    TimeInTime = nullptr;
    QDinn = nullptr;
    TimeInNo = 0;
  }
}
