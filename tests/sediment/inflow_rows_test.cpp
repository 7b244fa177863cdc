// The rows of the inflow table that the sediment inflow reads: the first row
// without a series; with a series the two records around the time, weighted
// by the time to the later one.
#include <gtest/gtest.h>

#include <vector>

#include "sediment/sediment_fixture.h"
#include "sediment/suspended.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"
#include "support/in_dir.h"

// One size, group 1: records at 0 and 10 s with 0.01 and 0.03 m3/s and the
// concentrations 0.001 and 0.003. At 2.5 s the earlier record weighs
// (10 - 2.5) / 10 = 0.75: 15 l/s at 0.0015, a source of 0.0225. Without the
// series the group keeps its own discharge (40 l/s) at the first row's
// concentration 0.001: 0.04.
TEST(SedimentInflowRows, RowsOfTheInflowTable) {
  struct Row {
    const char* what;
    int series;
    double discharge, source;
  };
  const std::vector<Row> rows = {
      {"between two records", 1, 15.0, 15.0 * 0.0015},
      {"no series", 0, 40.0, 40.0 * 0.001},
  };
  for (const Row& r : rows) {
    InProjectDir p;
    FlagTSC = 1;
    TimeStep = 1.0;
    SedimentBox box;
    ASSERT_TRUE(box.build());
    DischargeStruct[1].discharge = 40.0;
    CompInflowNo = 0;
    FlagDischargeTime = r.series;
    TimeInNo = 2;
    TimeInTime[0] = 0.0, TimeInTime[1] = 10.0;
    QDinn[0][1] = 0.01, QDinn[1][1] = 0.03;
    QDinn[0][2] = QDinn[1][2] = 0.02;
    Cinn[0][1] = 0.001, Cinn[1][1] = 0.003;
    stimet = 2.5;
    for (int c = 1; c <= NoCells; ++c) Csource[c] = 0.0;
    InflowSediment();
    EXPECT_NEAR(DischargeArray[1], r.discharge, 1e-9) << r.what;
    double s = 0.0;
    for (int c = 1; c <= NoCells; ++c) s += Csource[c];
    EXPECT_NEAR(s, r.source, 1e-12) << r.what;
  }
}
