#include "state/log.h"

#include <gtest/gtest.h>



TEST(Log, FailuresNeverEndWithTheStatusOfANormalEndOrOfLetterX) {
  EXPECT_EQ(failureStatus(1), 2);
  EXPECT_EQ(failureStatus(0), 2);
  EXPECT_EQ(failureStatus(-1), -1);
  EXPECT_EQ(failureStatus(-5), -5);
}
