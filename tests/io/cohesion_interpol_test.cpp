// Cohesion of the bed layers (F 385, file `cohesion`) and the interpolation
// points of `interpol`.
#include <gtest/gtest.h>

#include <string>

#include "io/gridfiles.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/three_cell_state.h"

namespace {

TEST(Interpol, PointsMeasuredChangesAndMarks) {
  InProjectDir d;
  d.dir().write("interpol", "M 1 2\nN 3 4 -0.5\nC\n");
  readInterpol();
  EXPECT_EQ(NoInterpol, 2);
  EXPECT_EQ(xint[0], 1.0);
  EXPECT_EQ(yint[0], 2.0);
  EXPECT_EQ(cint[0], 0);
  EXPECT_EQ(xint[1], 3.0);
  EXPECT_EQ(yint[1], 4.0);
  EXPECT_EQ(bechint[1], -0.5);
  EXPECT_EQ(cint[1], 1);
  EXPECT_EQ(timeFlags[1], 0);
  EXPECT_EQ(FlagBechInt, 1);
  EXPECT_EQ(bechMeasAv, 0.5);
  EXPECT_TRUE(d.dir().boogieHas("Have read 2 M/N data sets from the interpol file")) << d.dir().boogie();
}

TEST(Interpol, TimeRecordsAndTextBetweenTheRecords) {
  InProjectDir d;
  d.dir().write("interpol", "C first; points: T 60 5 6 x M 7 8\n");
  readInterpol();
  ASSERT_EQ(NoInterpol, 2);
  EXPECT_EQ(timeint[0], 60.0);
  EXPECT_EQ(xint[0], 5.0);
  EXPECT_EQ(yint[0], 6.0);
  EXPECT_EQ(timeFlags[0], 1);
  EXPECT_EQ(timeFlags[1], 0);
  EXPECT_EQ(cint[0], 0);
  EXPECT_TRUE(d.dir().boogieHas("Warning: a C record before the first point of the interpol file is passed over"));
}

TEST(Interpol, AMissingFileIsNotedOnce) {
  InProjectDir d;
  readInterpol();
  EXPECT_EQ(NoInterpol, -2);
  EXPECT_TRUE(d.dir().boogieHas("Warning: Have not been able to open interpol file"));
}

TEST(InterpolDeathTest, ARecordWithoutItsNumbersIsAnError) {
  GTEST_FLAG_SET(death_test_style, "fast");
  InProjectDir d;
  d.dir().write("interpol", "M 1 2\nN 3 four 5\n");
  EXPECT_EXIT(readInterpol(), ::testing::ExitedWithCode(2), "");
  EXPECT_NE(d.dir().boogie().find("Error in reading interpol file: line 2 cannot be read"), std::string::npos);
}

// Bed cells 1, 2, 3 stand under the columns (2,2), (3,2), (4,2).
TEST(Cohesion, TheFileGivesLayers1And0ThenTheLayersAbove) {
  ThreeCellState s(1, 3, [] {
    FlagCohesion = 2;
    InitValueCohesion = 5.0;
  });
  ASSERT_NE(Bcohesion, nullptr);
  s.dir().write("cohesion", "3 2 10 20 30\n");
  EXPECT_EQ(setInitialCohesive(), 1);
  EXPECT_EQ(Bcohesion[1][2], 10.0);
  EXPECT_EQ(Bcohesion[0][2], 20.0);
  EXPECT_EQ(Bcohesion[2][2], 30.0);
  for (int l = 0; l <= 2; ++l) EXPECT_EQ(Bcohesion[l][1], 5.0) << "not in the file: F 385";
}

TEST(Cohesion, InitialValuesOfF385) {
  struct Row {
    int flag;
    double depthLimit;  // F 94
    double want;        // cohesion of the 1 m deep columns
  };
  for (const Row& r : {Row{1, -0.001, 5.0}, Row{4, 2.0, 5.0}, Row{4, 0.5, 0.0}}) {
    SCOPED_TRACE(r.flag * 10 + r.depthLimit);
    ThreeCellState s(1, 3, [&r] {
      FlagCohesion = r.flag;
      InitValueCohesion = 5.0;
      MinVertDist0 = r.depthLimit;
    });
    EXPECT_EQ(setInitialCohesive(), r.flag);
    for (int b = 1; b <= 3; ++b)
      for (int l = 0; l <= 2; ++l) EXPECT_EQ(Bcohesion[l][b], r.want) << b << " " << l;
    EXPECT_EQ(Bcohesion[0][0], 0.0);
  }
}

TEST(Cohesion, WithoutTheFileOrAFirstRecordTheResultIsMinus20) {
  for (const char* text : {static_cast<const char*>(nullptr), "3 2 10\n"}) {
    ThreeCellState s(1, 2, [] { FlagCohesion = 2; });
    if (text) s.dir().write("cohesion", text);
    EXPECT_EQ(setInitialCohesive(), -20);
  }
}

TEST(CohesionDeathTest, AColumnOutsideTheGridIsRefused) {
  GTEST_FLAG_SET(death_test_style, "fast");
  ThreeCellState s(1, 2, [] { FlagCohesion = 2; });
  s.dir().write("cohesion", "3 2 1 2\n-1 2 1 2\n");
  EXPECT_EXIT(setInitialCohesive(), ::testing::ExitedWithCode(2), "");
  EXPECT_NE(s.dir().boogie().find("Error in reading cohesion file: the column (-1,2) lies outside the G 1 sizes"),
            std::string::npos)
      << s.dir().boogie();
}

}  // namespace
