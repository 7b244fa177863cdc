// The slope stability and slide letters on the engine: letter N with F 248 2
// on a grid with its sub-bed block, letter D without one, and the reader's
// refusal of F 236 3 without a viscosity.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "support/case_runner.h"

namespace {

// 6 x 4 columns on a bed rising 0.9 m per metre along x, water 20 m high;
// G 1 leaves rows for the sub-bed block.
std::string steepKoosurf() {
  std::ostringstream k;
  for (int i = 1; i <= 7; ++i)
    for (int j = 1; j <= 5; ++j) k << i << " " << j << " " << i - 1 << " " << j - 1 << " " << 10 + 0.9 * (i - 1) << " 20\n";
  return k.str();
}

}  // namespace

TEST(SlideCase, LetterNFindsTheSlidesOfTheSubBedBlock) {
  CaseDir dir;
  dir.write("koosurf", steepKoosurf());
  dir.write("control",
            "F 2 YN\nG 1 9 14 12 1\nF 236 2 0 0 0.3\nF 248 2\nF 33 1.0 2\nF 1 D\nF 465 50 20\n");
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  const std::string log = dir.boogie();
  EXPECT_EQ(log.find("not available"), std::string::npos) << log;
  EXPECT_NE(log.find("Sand slide data, noslides = 1, "), std::string::npos) << log;
}

TEST(SlideCase, LetterDWithoutASubBedBlockEndsWithStatus2) {
  CaseDir dir;
  dir.write("koosurf", steepKoosurf());
  dir.write("control", "F 2 YDM\nG 1 9 14 12 1\n");
  EXPECT_EQ(dir.run(), 2) << dir.boogie();
  EXPECT_NE(dir.boogie().find("Error: Tried to compute sand slide in block 0, which is not prepared for slides\n\n"),
            std::string::npos)
      << dir.boogie();
}

TEST(SlideCase, F236ThreeNeedsAViscosity) {
  CaseDir dir;
  dir.write("koosurf", steepKoosurf());
  dir.write("control", "F 2 Y\nG 1 9 14 12 1\nF 236 3 0 0 0.3\nF 33 1.0 2\n");
  EXPECT_EQ(dir.run(), 2) << dir.boogie();
  EXPECT_NE(dir.boogie().find("Error for F 236 in control: F 236 3 needs a positive viscosity as its 2nd value\n"),
            std::string::npos)
      << dir.boogie();
}
