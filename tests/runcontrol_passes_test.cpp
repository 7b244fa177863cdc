// The passes of the run control over the real letter U, and the check after
// the last pass of sediment inflow given twice (in 'timei' and on M data
// sets).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "runcontrol.h"
#include "state/options.h"
#include "state/options_misc.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/three_cell_grid.h"

namespace {

class RunPasses : public ::testing::Test {
 protected:
  void SetUp() override { std::copy(std::begin(runLetterTable), std::end(runLetterTable), saved_); }
  void TearDown() override { std::copy(std::begin(saved_), std::end(saved_), runLetterTable); }
  RunLetterAction saved_[26];
};

int wPasses = 0;

// Counts the passes and takes the grid file away: a U that read it again
// would find none and end the run control.
bool countAndRemoveTheGridFile() {
  ++wPasses;
  std::remove("unstruc");
  return false;
}

// What letter T sets in the state before the end check.
struct Inflow {
  int tsc, dischargeTime, mSets;
};
Inflow inflowState;
bool setInflowState() {
  FlagTSC = inflowState.tsc;
  FlagDischargeTime = inflowState.dischargeTime;
  CompInflowNo = inflowState.mSets;
  return false;
}
bool stopTheRunControl() { return true; }

}  // namespace

// F 20 3 with the letters U and W: the grid is read in the first pass and W
// runs in all three; the grid file gone after the first pass is not missed.
TEST_F(RunPasses, TheGridFileIsReadInTheFirstPassOnly) {
  InProjectDir p;
  p.dir().write("unstruc", ThreeCellGrid{}.text());
  p.dir().write("control", threeCellControl("UW", "F 20 3\n"));
  runLetterTable['W' - 'A'] = countAndRemoveTheGridFile;
  wPasses = 0;
  runEndStatus = 1;
  InitialFunction();
  EXPECT_EQ(NoCells, 3);
  EXPECT_EQ(wPasses, 3);
  EXPECT_EQ(runEndStatus, 1) << p.dir().boogie();
  EXPECT_EQ(FlagInitialFinished, 1);
  EXPECT_EQ(p.dir().boogie().find("Error: can not open 'unstruc' file"), std::string::npos) << p.dir().boogie();
}

// Sediment inflow given twice ends the run with status -6 and its message,
// only when all three hold and only after the last pass: a run control that
// stops early does not check.
TEST_F(RunPasses, SedimentInflowGivenTwiceIsCheckedAfterTheLastPass) {
  GTEST_FLAG_SET(death_test_style, "fast");
  struct Row {
    const char* what;
    const char* letters;
    Inflow state;
    bool stops;
  };
  const std::vector<Row> rows = {
      {"all three", "T", {1, 1, 1}, true},
      {"all three, two passes", "T\nF 20 2", {1, 1, 1}, true},
      {"water only", "T", {0, 1, 1}, false},
      {"no series of discharges", "T", {1, 0, 1}, false},
      {"a negative series flag", "T", {1, -1, 1}, false},
      {"no M data set", "T", {1, 1, 0}, false},
      {"the run control stopped by a letter", "TS", {1, 1, 1}, false},
  };
  for (const Row& r : rows) {
    InProjectDir p;
    p.dir().write("control", threeCellControl(r.letters));
    runLetterTable['T' - 'A'] = setInflowState;
    runLetterTable['S' - 'A'] = stopTheRunControl;
    inflowState = r.state;
    // Every row in a forked copy, so that a check gone wrong ends the copy only.
    EXPECT_EXIT(
        {
          InitialFunction();
          std::exit(0);
        },
        ::testing::ExitedWithCode(r.stops ? 256 - 6 : 0), "")
        << r.what;
    const bool logged = p.dir().boogie().find("Error: Sediment inflow can not be specified in both the timei file and\n"
                                              "on the M data sets in the control file\n\n") != std::string::npos;
    EXPECT_EQ(logged, r.stops) << r.what << "\n" << p.dir().boogie();
  }
}
