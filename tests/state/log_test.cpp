#include "state/log.h"

#include <gtest/gtest.h>

#include "support/in_dir.h"


TEST(Log, FailuresNeverEndWithTheStatusOfANormalEndOrOfLetterX) {
  EXPECT_EQ(failureStatus(1), 2);
  EXPECT_EQ(failureStatus(0), 2);
  EXPECT_EQ(failureStatus(-1), -1);
  EXPECT_EQ(failureStatus(-5), -5);
}

// An entry point that is not built ends the run with its one line in the log
// and status 2, never with the status of a normal end.
TEST(LogDeathTest, NotAvailableEndsWithItsLineAndStatus2) {
  GTEST_FLAG_SET(death_test_style, "fast");
  InProjectDir dir;
  EXPECT_EXIT(notAvailable("The water-quality stage"), ::testing::ExitedWithCode(2), "");
  EXPECT_EQ(dir.dir().boogie(), "Error: The water-quality stage is not available in this build\n");
}
