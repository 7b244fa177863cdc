// Run letter S with the total-load formulas of F 10 on the engine: the
// straight channel of letter Y (20 x 5 columns of 1 m, 1 m deep), one grain
// size, the bed exchange of F 37 2. Without inner flow iterations the water
// stays still, and Einstein's bed load (letter I), which needs the flux of
// the bottom cell, ends the run with status 2 and its line.
#include <gtest/gtest.h>

#include <string>

#include "support/case_runner.h"

namespace {

const std::string kChannel = "G 1 23 8 11 1\nF 237 1 1.0\nF 237 2 1.0\n";
const std::string kSediment = "F 37 2\nS 1 0.001 0.01\nN 0 1 1.0\nF 11 2.65 0.05\n";

}  // namespace

TEST(TotalLoadCase, LetterIWithStillWaterEndsWithStatus2) {
  CaseDir dir;
  dir.write("koosurf", straightChannelKoosurf());
  dir.write("control", "F 2 YSX\n" + kChannel + kSediment + "K 1 1\nF 33 1.0 0\nF 10 I\n");
  EXPECT_EQ(dir.run(), 2) << dir.boogie();
  const std::string log = dir.boogie();
  ASSERT_GE(log.size(), 46u);
  EXPECT_EQ(log.substr(log.size() - 46), "Einsteins formula not valid for this situation") << log;
}

// The same still channel with letter E: no flow carries nothing, every bed
// concentration is 0 and the run ends at letter X.
TEST(TotalLoadCase, LetterEWithStillWaterCarriesNothing) {
  CaseDir dir;
  dir.write("koosurf", straightChannelKoosurf());
  dir.write("control", "F 2 YSX\n" + kChannel + kSediment +
                           "K 1 1\nF 33 1.0 0\nF 10 E\nF 329 0 0 0 0 0 0 1 0 0\nG 24 1 O 0 1\n");
  EXPECT_EQ(dir.run(), 0) << dir.boogie();
  EXPECT_EQ(dir.boogie().find("Error"), std::string::npos) << dir.boogie();
}
