// Run letter G on the engine (F 262 1): a grid with its sub-bed block gets its
// groundwater levels and the run ends normally; without a grid the two error
// lines and status -9.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "support/case_runner.h"

namespace {

// 30 x 3 columns: pools at 10 m and 8 m on either side of a dry dam of
// ground level 12 m; G 1 leaves rows for the sub-bed block.
std::string damKoosurf() {
  std::ostringstream k;
  for (int i = 1; i <= 31; ++i)
    for (int j = 1; j <= 4; ++j)
      k << i << " " << j << " " << i - 1 << " " << j - 1 << " " << (i >= 10 && i <= 21 ? 12.0 : 5.0) << " "
        << (i <= 9 ? 10.0 : i >= 22 ? 8.0 : 9.0) << "\n";
  return k.str();
}

}  // namespace

TEST(GroundwaterCase, LetterGRunsOnTheSubBedBlock) {
  CaseDir dir;
  dir.write("koosurf", damKoosurf());
  dir.write("control", "F 2 YG\nG 1 33 14 12 1\nF 262 1 1e-4\nF 33 100000 40\nK 1 99 100\n");
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  const std::string log = dir.boogie();
  EXPECT_NE(log.find("Warning: F 262 data is set without setting slide data set F 236\n\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("Error"), std::string::npos) << log;
  EXPECT_EQ(log.find("not available"), std::string::npos) << log;
}

TEST(GroundwaterCase, WithoutTheSubBedBlockTheRunEnds) {
  CaseDir dir;
  dir.write("koosurf", damKoosurf());
  dir.write("control", "F 2 G\nG 1 33 14 12 1\nF 262 1 1e-4\nF 33 100000 40\nK 1 99 100\n");
  EXPECT_EQ(dir.run(), 256 - 9) << dir.boogie();
  EXPECT_NE(dir.boogie().find("Error in groundwater computation: groundwater grid not generated\n"
                              "Data sets F ??? are missing in your control file\n\n"),
            std::string::npos)
      << dir.boogie();
}
