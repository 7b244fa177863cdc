// Grid windows given before G 1 are tested again against the final grid size.
#include <gtest/gtest.h>

#include "support/case_runner.h"

namespace {
struct Window {
  const char* dataSet;  // stands before G 1, fits the default 300 x 300 grid
  int status;
  const char* message;
};

void PrintTo(const Window& w, std::ostream* os) { *os << w.dataSet; }

class WindowBeforeG1 : public ::testing::TestWithParam<Window> {};
}  // namespace

TEST_P(WindowBeforeG1, IsRefusedWhenTheFinalGridIsSmaller) {
  const Window& w = GetParam();
  CaseResult small = runControl(std::string(w.dataSet) + "\nG 1 20 8 11 1\n");
  EXPECT_EQ(small.status, w.status) << small.boogie;
  EXPECT_TRUE(small.has(w.message)) << small.boogie;
  // The same window in a grid large enough is accepted.
  CaseResult large = runControl(std::string(w.dataSet) + "\nG 1 100 100 11 1\n");
  EXPECT_EQ(large.status, 1) << large.boogie;
}

INSTANTIATE_TEST_SUITE_P(
    Windows, WindowBeforeG1,
    ::testing::Values(Window{"F 130 2 40 2 5", 2, "Error for F 130 in control"},
                      Window{"W 2 2 3 60", 2, "Input error for W 2 in control"},
                      Window{"W 6 50 4", 2, "Input error for W 6 in control: fixed point 1 outside the grid\n"},
                      Window{"P 16 1 40 1 5", 2, "Error reading P 16 data set\n"},
                      Window{"P 18 1 30", 157, "Error for number 1 on P 18 data set in control file\n\n"}));
