// Run letter Y on the real engine: koosurf read, grid generated.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "support/case_runner.h"

namespace {

}  // namespace

TEST(UnstructureCase, LetterYGeneratesTheStraightChannel) {
  CaseDir dir;
  dir.write("koosurf", straightChannelKoosurf());
  dir.write("control", "F 2 Y\nG 1 23 8 11 1\nF 1 Q\n");
  EXPECT_EQ(dir.run(), 1) << dir.boogie();
  for (const char* line : {"Generating grid with F 64 11 algorithm. ", "End of Unstructure, Iter = 0, NoCells = 900",
                           "Number of antlin points: 1260, NoPoints: 1260", "End Unstructure 900 cells"})
    EXPECT_TRUE(dir.boogieHas(line)) << line << "\n" << dir.boogie();
}

// F 65 sizes too small: the rescue files and control.new are written, the ten
// report lines follow, and the run ends instead of going on with half a grid.
TEST(UnstructureCase, OverflowWritesRescueFilesAndEndsTheRun) {
  CaseDir dir;
  dir.write("koosurf", straightChannelKoosurf());
  dir.write("control", "F 2 YM\nG 1 23 8 11 1\nF 65 800 80000 50000 10000 1000\n");
  EXPECT_EQ(dir.run(), 252) << dir.boogie();
  for (const char* file : {"koosurf.1", "koosurf.2", "control.new"}) EXPECT_TRUE(dir.exists(file)) << file;
  const std::string log = dir.boogie();
  const std::size_t at = log.find("Error: Unstructured arrays are too small. Increase with the F 65 data set.\n");
  ASSERT_NE(at, std::string::npos) << log;
  EXPECT_NE(log.find("NoPoints=0, MaxPoints=50000\nNoSurface=0, MaxFlater=80000\nNoCells=900, MaxCeller=800\n", at),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("the control file.\n\n", at), std::string::npos);
  EXPECT_EQ(log.find("End Unstructure"), std::string::npos);
  EXPECT_EQ(log.find("not available"), std::string::npos) << log;
}
