// Run letters on the real engine.
#include <gtest/gtest.h>

#include <string>

#include "support/case_runner.h"

TEST(RunLetters, XEndsWithStatusZeroAndNothingAfterItRuns) {
  CaseResult r = runControl("F 2 XW\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_FALSE(r.has("not available")) << r.boogie;
}

// The backwater of letter Q steps along the grid lines of block 1: without
// a grid there is nothing to step along, which is an error, not a success.
TEST(RunLetters, QWithoutAGridEndsWithAnError) {
  CaseResult r = runControl("F 2 Q\n");
  EXPECT_EQ(r.status, 2) << r.boogie;
  EXPECT_TRUE(r.has("Error: the backwater computation needs the grid lines of block 1")) << r.boogie;
}

// A flow computation without a grid and without discharges cannot be
// normalised: it ends with its error and a failure status.
TEST(RunLetters, AFlowWithoutAGridEndsWithAnError) {
  CaseResult r = runControl("F 2 W\n");
  EXPECT_EQ(r.status, 2) << r.boogie;
  EXPECT_TRUE(r.has("residual not set for Equation no. ")) << r.boogie;
}

TEST(RunLetters, TAndLettersWithoutWorkEndNormally) {
  // T does nothing; N does nothing unless F 248 asks; E writes only with
  // components; G computes only with F 262 1.
  CaseResult r = runControl("F 2 TNEG\n");
  EXPECT_EQ(r.status, 1) << r.boogie;
}

// Letter W computes water flow only: F 37 ends the run with status -5 and
// its message before any flow is computed.
TEST(RunLetters, WaterFlowOnlyRefusesTheSedimentMethod) {
  CaseResult r = runControl("F 2 W\nF 37 1\n");
  EXPECT_EQ(r.status, 256 - 5) << r.boogie;
  EXPECT_TRUE(r.has("Error in control file. The F 37 data set should not be used\n"
                    "when computing only water flow (F 2 W)\n\n"))
      << r.boogie;
  EXPECT_FALSE(r.has("residual not set")) << r.boogie;
}
