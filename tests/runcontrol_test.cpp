// The run control with its letter actions replaced by recorders.
#include "runcontrol.h"

#include <gtest/gtest.h>

#include <string>

#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"

namespace {
std::string performed;

template <char L>
bool record() {
  performed += L;
  return false;
}

class RecordingLetters : public ::testing::Test {
 protected:
  void SetUp() override {
    std::copy(std::begin(runLetterTable), std::end(runLetterTable), saved_);
    runLetterTable['W' - 'A'] = record<'W'>;
    runLetterTable['M' - 'A'] = record<'M'>;
    performed.clear();
  }
  void TearDown() override { std::copy(std::begin(saved_), std::end(saved_), runLetterTable); }
  RunLetterAction saved_[26];
};
}  // namespace

TEST_F(RecordingLetters, PassesRepeatTheRunStringAndSkipOtherCharacters) {
  struct Row {
    const char* control;
    const char* expected;
  } rows[] = {
      {"F 2 WM\nF 20 3\n", "WMWMWM"},
      {"F 2 wM1 W\n", "MW"},
      {"F 2 WMWMWMWMWMWM\n", "WMWMWMWMW"},  // positions 0..9 only; position 0 is the blank
      {"T none\n", ""},
  };
  for (const Row& r : rows) {
    InProjectDir p;
    p.dir().write("control", r.control);
    performed.clear();
    InitialFunction();
    EXPECT_EQ(performed, r.expected) << r.control;
    EXPECT_EQ(FlagInitialFinished, 1);
  }
}

TEST(RunControl, WorkRangesFollowTheMarkedWorkBlocks) {
  InProjectDir p;
  NoCells = 40;
  NoSurfaces = 100;
  NoBlocks = 4;
  for (int k = 1; k <= 4; ++k) {
    block[k].firstCell = 10 * (k - 1) + 1;
    block[k].lastCell = 10 * k;
    block[k].firstSurface = 25 * (k - 1) + 1;
    block[k].lastSurface = 25 * k;
  }
  // No work blocks: the whole grid.
  WorkBlockNo = 0;
  computeWCStart();
  EXPECT_EQ(WCStart, 1);
  EXPECT_EQ(WCEnd, 40);
  EXPECT_EQ(WFEnd, 100);
  // Blocks 2 and 4 marked: everything from block 2 to block 4, block 3 included.
  WorkBlockNo = 4;
  WorkBlock[1] = 0;
  WorkBlock[2] = 1;
  WorkBlock[3] = 0;
  WorkBlock[4] = 1;
  computeWCStart();
  EXPECT_EQ(WCStart, 11);
  EXPECT_EQ(WCEnd, 40);
  EXPECT_EQ(WFStart, 26);
  EXPECT_EQ(WFEnd, 100);
  // None marked: an empty range.
  WorkBlock[2] = WorkBlock[4] = 0;
  computeWCStart();
  EXPECT_EQ(WCStart, 40);
  EXPECT_EQ(WCEnd, 1);
  // A marked block that does not exist does not bring cell 0 in.
  WorkBlockNo = 6;
  WorkBlock[6] = 1;
  WorkBlock[2] = 1;
  computeWCStart();
  EXPECT_EQ(WCStart, 11);
  EXPECT_EQ(WCEnd, 20);
  // A sediment run with a sub-bed last block leaves that block out.
  WorkBlockNo = 0;
  FlagTSC = 1;
  block[4].subBed = 1;
  computeWCStart();
  EXPECT_EQ(WCEnd, 30);
  EXPECT_EQ(WFEnd, 75);
  // Grid sequencing leaves the ranges alone.
  MGSNo = 2;
  WCEnd = 7;
  computeWCStart();
  EXPECT_EQ(WCEnd, 7);
}

// A negative F 37 (which the control file refuses, but the state may hold)
// ends letter W with status -7 and its message.
TEST(RunControlDeathTest, WaterFlowWithANegativeSedimentMethod) {
  GTEST_FLAG_SET(death_test_style, "fast");
  InProjectDir p;
  FlagTSC = -1;
  EXPECT_EXIT(runLetterTable['W' - 'A'](), ::testing::ExitedWithCode(256 - 7), "");
  EXPECT_NE(p.dir().boogie().find("Error in control file: Remove the F 37 data set when computing the water flow only\n"),
            std::string::npos)
      << p.dir().boogie();
}
