// The case runner's reading of an engine's end: a sanitizer report inside the
// engine fails the test even where the test expects that very status.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <csignal>

#include "support/case_runner.h"

namespace {

struct EndRow {
  int waitStatus;
  int status;
  bool sanitizerReport;
};
class EngineEnd : public ::testing::TestWithParam<EndRow> {};

TEST_P(EngineEnd, StatusAndSanitizerFailure) {
  const EndRow r = GetParam();
  int status = 0;
  if (r.sanitizerReport) {
    EXPECT_NONFATAL_FAILURE(status = engineStatus(r.waitStatus), "exit code of a sanitizer report");
  } else {
    status = engineStatus(r.waitStatus);
  }
  EXPECT_EQ(status, r.status);
}

INSTANTIATE_TEST_SUITE_P(Rows, EngineEnd,
                         ::testing::Values(EndRow{W_EXITCODE(0, 0), 0, false},     // letter X
                                           EndRow{W_EXITCODE(1, 0), 1, false},     // normal end
                                           EndRow{W_EXITCODE(2, 0), 2, false},     // a failure
                                           EndRow{W_EXITCODE(253, 0), 253, false}, // status -3
                                           EndRow{W_EXITCODE(76, 0), 76, false},
                                           EndRow{W_EXITCODE(77, 0), 77, true},    // AddressSanitizer
                                           EndRow{W_EXITCODE(78, 0), 78, true},    // UndefinedBehaviorSanitizer
                                           EndRow{W_EXITCODE(79, 0), 79, false},
                                           EndRow{W_EXITCODE(0, SIGSEGV), -1, false}));

}  // namespace
