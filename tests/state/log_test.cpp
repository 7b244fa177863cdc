#include "state/log.h"

#include <gtest/gtest.h>

#include "state/flowstate.h"
#include "support/in_dir.h"

TEST(Log, FailuresNeverEndWithTheStatusOfANormalEndOrOfLetterX) {
  EXPECT_EQ(failureStatus(1), 2);
  EXPECT_EQ(failureStatus(0), 2);
  EXPECT_EQ(failureStatus(-1), -1);
  EXPECT_EQ(failureStatus(-5), -5);
}

// An Error line that the run goes on after makes the run a failure; a
// warning does not.
TEST(Log, AnErrorLineMarksTheRunAsFailed) {
  InProjectDir p;
  RunErrorReported = 0;
  logf("Warning: a column has no bed cell\n");
  EXPECT_EQ(RunErrorReported, 0);
  logf("Error in setting porosity: value (%d) = %le \n", 3, 2e6);
  EXPECT_EQ(RunErrorReported, 1);
  RunErrorReported = 0;
}
