// The statistics files of the sediment loop and the soil stress of letter N
// on the real engine.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/case_runner.h"

namespace {

// A channel of 10 x 9 columns of 1 m (grid lines 1..11 by 1..10), 1 m deep.
std::string wideChannel() {
  std::ostringstream s;
  for (int i = 1; i <= 11; ++i)
    for (int j = 1; j <= 10; ++j) s << i << " " << j << " " << i - 1 << ".0 " << j - 1 << ".0 0.0 1.0\n";
  return s.str();
}

const std::string kSediment = "G 1 13 12 7 2\nF 314 1 1\nF 237 1 1.0\nF 237 2 1.0\nK 2 0 0\nF 16 0.05\n"
                              "F 37 2\nF 33 60 2\nK 1 4\nK 4 5 5 5 200 5 5\nF 4 0.5 50\nF 11 2.65 0.05\n"
                              "F 106 0.01\nS 1 0.0004 0.03\nS 2 0.0002 0.022\nN 0 1 0.5\nN 0 2 0.5\n";

std::vector<std::vector<std::string>> rowsOf(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::istringstream w(line);
    std::vector<std::string> cols;
    for (std::string c; w >> c;) cols.push_back(c);
    rows.push_back(cols);
  }
  return rows;
}

int runSediment(CaseDir& dir, const std::string& extra) {
  dir.write("koosurf", wideChannel());
  dir.write("control", "F 2 YSX\n" + kSediment + extra);
  return dir.run();
}

}  // namespace

// F 522 1 on grid line 5: one line per step in each file, the time and the
// levels of grid points j1 - 1 .. j2 (10 of them): the bed, then the water.
TEST(SedimentFilesCase, CrossSectionLinesPerStep) {
  CaseDir dir;
  ASSERT_EQ(runSediment(dir, "F 522 1 5\n"), 0) << dir.boogie();
  for (const char* name : {"barcelona", "barcelona_wl"}) {
    const auto rows = rowsOf(dir.read(name));
    ASSERT_EQ(rows.size(), 4u) << name;
    for (std::size_t n = 0; n < rows.size(); ++n) {
      ASSERT_EQ(rows[n].size(), 11u) << name;
      EXPECT_DOUBLE_EQ(std::stod(rows[n][0]), 60.0 * (n + 1));
      if (std::string(name) == "barcelona_wl") {
        EXPECT_NEAR(std::stod(rows[n][5]), 1.0, 0.05);
      }
    }
  }
}

// A grid line outside 1..xnumber is refused at reading.
TEST(SedimentFilesCase, CrossSectionOutsideTheGridIsRefused) {
  CaseDir dir;
  EXPECT_EQ(runSediment(dir, "F 522 1 14\n"), 2);
  EXPECT_TRUE(dir.boogieHas("Error for F 522 in control")) << dir.boogie();
}

// F 514: debugging N leaves the header alone; D adds a line per step.
TEST(SedimentFilesCase, ScourLinesWithTheContinuityReport) {
  {
    CaseDir dir;
    ASSERT_EQ(runSediment(dir, "F 514 1 0.0 1.0\n"), 0) << dir.boogie();
    EXPECT_EQ(dir.read("scour"), "Time iteration, time (sec), scour depth (m)\n");
  }
  {
    CaseDir dir;
    ASSERT_EQ(runSediment(dir, "F 514 1 0.0 1.0\nF 1 D\n"), 0) << dir.boogie();
    const auto rows = rowsOf(dir.read("scour"));
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[1][0], "1,");
    EXPECT_EQ(rows[4][0], "4,");
    EXPECT_EQ(rows[4][1], "240.000000,");
  }
}

// Debugging H: every step's bootime line carries Iter, the four counts and
// the six residuals followed by the suspended volume of each size.
TEST(SedimentFilesCase, BootimeLinePerStep) {
  CaseDir dir;
  ASSERT_EQ(runSediment(dir, "F 1 H\n"), 0) << dir.boogie();
  const auto rows = rowsOf(dir.read("bootime"));
  ASSERT_EQ(rows.size(), 4u);
  for (std::size_t n = 0; n < rows.size(); ++n) {
    ASSERT_EQ(rows[n].size(), 1u + 4u + 6u + 2u);
    EXPECT_EQ(rows[n][0], std::to_string(n + 1));
    EXPECT_GE(std::stod(rows[n][12]), 0.0);  // suspended sediment of size 2
  }
}

// Files that cannot be written end the run with their status.
TEST(SedimentFilesCase, UnwritableFilesEndTheRun) {
  {
    CaseDir dir;
    dir.mkdir("scour");
    EXPECT_EQ(runSediment(dir, "F 514 1 0.0 1.0\nF 1 D\n"), 255);
    EXPECT_TRUE(dir.boogieHas("Error writing 'scour' file")) << dir.boogie();
  }
  {
    CaseDir dir;
    dir.mkdir("bootime");
    EXPECT_EQ(runSediment(dir, "F 1 H\n"), 256 - 3);
  }
}

// Letter N with F 248 1 on a grid of 1000 cells: three outer iterations
// write the lines of cell 950 three times; a Poisson ratio of 0.5 is
// refused.
TEST(SoilStressCase, LetterNWritesTheLinesOfCell950) {
  {
    CaseDir dir;
    dir.write("koosurf", straightChannelKoosurf());
    dir.write("control", "F 2 YNX\nG 1 23 8 12 1\nF 248 1\nK 1 3\n");
    ASSERT_EQ(dir.run(), 0) << dir.boogie();
    const std::string log = dir.boogie();
    EXPECT_EQ(log.find("not available"), std::string::npos) << log;
    int forces = 0;
    for (std::size_t p = 0; (p = log.find("Forces cell 950 (Newton): ", p)) != std::string::npos; ++p) ++forces;
    EXPECT_EQ(forces, 3) << log;
    EXPECT_NE(log.find("Stresses cell 950 (Pa): "), std::string::npos);
  }
  {
    CaseDir dir;
    dir.write("control", "F 2 X\nF 247 6.5e7 0.5\n");
    EXPECT_EQ(dir.run(), 2);
    EXPECT_TRUE(dir.boogieHas("Error for F 247 in control")) << dir.boogie();
  }
}
