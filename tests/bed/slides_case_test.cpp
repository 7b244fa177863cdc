// The slope stability and slide letters on the engine: letter N with F 248 2
// on a grid with its sub-bed block, letter D with and without one (the time,
// time step and inner iterations of the run kept, a failed slide step ending
// with status 2 after the remaining letters), and the reader's refusal of
// F 236 3 without a viscosity.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

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

// The control of a sub-bed block on the steep bed, transient (1 s steps, 2
// inner iterations, 3 outer iterations), the slide step with its own 0.25 s
// and 3 inner iterations (F 326), and no early end of the inner loop (F 54 0).
std::string slideControl(const std::string& letters, const std::string& extra = "") {
  return "F 2 " + letters +
         "\nG 1 9 14 12 1\nF 236 2 0 0 0.3\nF 248 2\nF 262 1 1e-4\nF 33 1.0 2\nF 54 0\nF 1 D\nF 465 50 20\n"
         "F 326 0.25 3\nK 1 3 3\n" +
         extra;
}

// The inner-iteration counts of the iteration lines, in log order.
std::vector<int> innerIterations(const CaseDir& dir) {
  std::vector<int> n;
  for (const std::string& l : dir.boogieLines())
    if (const auto p = l.find(", InnerIter = "); l.rfind("NoCells = ", 0) == 0 && p != std::string::npos)
      n.push_back(std::stoi(l.substr(p + 14)));
  return n;
}

// 6 x 4 columns with a bed rising 0.9 m per metre across the flow (along j),
// water 20 m high; G 1 leaves rows for the sub-bed block.
std::string sideSlopeKoosurf() {
  std::ostringstream k;
  for (int i = 1; i <= 7; ++i)
    for (int j = 1; j <= 5; ++j) k << i << " " << j << " " << i - 1 << " " << j - 1 << " " << 10 + 0.9 * (j - 1) << " 20\n";
  return k.str();
}

// The volume the slides moved, from the closing report of the sediment loop;
// -1 when the line is missing.
double slideVolume(const std::string& log) {
  const std::string key = "Total volume change due to slides: ";
  const auto p = log.find(key);
  return p == std::string::npos ? -1.0 : std::stod(log.substr(p + key.size()));
}

}  // namespace

// G with F 262 1 advances the time by 3 steps of 1 s; the slide step of D
// runs its 3 outer iterations of 0.25 s with 3 inner iterations each, and then
// gives the run back its time, its step and its inner iterations: the second
// G ends at 6 s (3.75 s if D kept its own time or step), and W takes 2 inner
// iterations again.
TEST(SlideCase, LetterDKeepsTheTimeTheStepAndTheInnerIterations) {
  CaseDir dir;
  dir.write("koosurf", steepKoosurf());
  dir.write("control", slideControl("YGNDGMW"));
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  EXPECT_EQ(dir.boogie().find("Error"), std::string::npos) << dir.boogie();
  EXPECT_EQ(dir.read("result.end").rfind(" 6.000000 seconds\n", 0), 0u) << dir.read("result.end").substr(0, 40);
  EXPECT_EQ(innerIterations(dir), (std::vector<int>{3, 3, 3, 2, 2, 2})) << dir.boogie();
}

// A slide step whose flow fails (F 183 99 stops the flow after its first
// inner iteration as a failure) writes the results, lets the remaining
// letters run (the second N logs its slides again) and ends the run with
// status 2.
TEST(SlideCase, FailedSlideStepWritesResultsRunsTheRestAndEndsWithStatus2) {
  CaseDir dir;
  dir.write("koosurf", steepKoosurf());
  dir.write("control", slideControl("YNDN", "F 183 99\n"));
  EXPECT_EQ(dir.run(), 2) << dir.boogie();
  int slideLines = 0;
  for (const std::string& l : dir.boogieLines()) slideLines += l.rfind("Sand slide data, noslides = ", 0) == 0;
  EXPECT_EQ(slideLines, 2) << dir.boogie();
  EXPECT_EQ(dir.boogie().find("Error"), std::string::npos) << dir.boogie();
  EXPECT_TRUE(dir.exists("result.end"));
}

// Letter N finds the slide and gives the sub-bed block its sliding layer; the
// first D regenerates the grid with that layer (a column of one cell is held
// at rest), the second computes the slide block as a thick flow for a step:
// its cells move, the 192 cells of the water block above it stay at rest,
// and the grid is built again from the moved top.
TEST(SlideCase, LetterDMovesTheSlideBlockAndLeavesTheWater) {
  CaseDir dir;
  dir.write("koosurf", steepKoosurf());
  dir.write("control", "F 2 YNDDM\nG 1 9 14 12 1\nF 236 2 0 0 0.3\nF 248 2\nF 33 1.0 2\nF 1 D\nF 465 50 20\nK 1 3 3\n");
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  int builds = 0;
  for (const std::string& l : dir.boogieLines()) builds += l.rfind("End Unstructure ", 0) == 0;
  EXPECT_EQ(builds, 3) << dir.boogie();
  std::istringstream result(dir.read("result.end"));
  std::string line;
  int cells = 0, moving = 0, movingWater = 0;
  while (std::getline(result, line)) {
    if (line.rfind("C ", 0) != 0) continue;
    std::istringstream in(line.substr(2));
    int c = 0;
    double u = 0, v = 0, w = 0;
    in >> c >> u >> v >> w;
    ++cells;
    if (u != 0 || v != 0 || w != 0) {
      ++moving;
      movingWater += c <= 192;
    }
  }
  EXPECT_GT(cells, 192);
  EXPECT_GT(moving, 0);
  EXPECT_EQ(movingWater, 0);
}

// A sediment run on a side slope with its inflow and outflow generated
// (F 314): letter N right after the grid measures the inflow areas on the
// new grid's faces and finds the slide; S then moves the slide block in its
// steps (F 236 2) and reports the volume the slides moved. The slide layer
// flows with the F 236 viscosity of 1 (without it the creep viscosity of the
// layer, at least F 338 1000, holds the slide nearly at rest).
TEST(SlideCase, LetterNThenSMovesTheSlideBlockInTheSedimentSteps) {
  CaseDir dir;
  dir.write("koosurf", sideSlopeKoosurf());
  dir.write("control",
            "F 2 YNS\nG 1 9 14 12 2\nF 236 2 1 0 0.3\nF 248 2\nF 314 1 1\nF 237 1 1.0\nF 237 2 1.0\nK 2 0 0\n"
            "F 16 0.05\nF 37 2\nF 33 1.0 2\nK 1 3\nK 4 5 5 5 200 5 5\nF 4 0.5 50\nF 11 2.65 0.05\nF 106 0.01\n"
            "S 1 0.0004 0.03\nS 2 0.0002 0.022\nN 0 1 0.5\nN 0 2 0.5\nF 1 D\n");
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  const std::string log = dir.boogie();
  EXPECT_EQ(log.find("Error"), std::string::npos) << log;
  EXPECT_NE(log.find("Sand slide data, noslides = 1, "), std::string::npos) << log;
  EXPECT_GT(slideVolume(log), 1.0) << log;
}

// F 262 2 is the groundwater of the slide computation: letter G leaves it
// (it computes F 262 1 only), and letter N computes the table (here from the
// three wlinit points) before it locates the slides.
TEST(SlideCase, LetterNComputesTheGroundwaterOfF262TwoFirst) {
  for (const bool two : {true, false}) {
    CaseDir dir;
    dir.write("koosurf", steepKoosurf());
    dir.write("wlinit", "3 9 19.5\n4 9 19.5\n5 10 19.0\n");
    dir.write("control", std::string("F 2 YGN\nG 1 9 14 12 1\nF 236 2 0 0 0.3\nF 248 2\nF 33 1.0 2\nF 1 D\n") +
                             (two ? "F 262 2 1e-4\n" : "F 262 0 1e-4\n"));
    ASSERT_EQ(dir.run(), 1) << dir.boogie();
    const std::string log = dir.boogie();
    const auto table = log.find("Have read 3 water level points from wlinit file\n");
    const auto slides = log.find("Sand slide data, noslides = ");
    ASSERT_NE(slides, std::string::npos) << log;
    if (two) {
      ASSERT_NE(table, std::string::npos) << log;
      EXPECT_LT(table, slides);
    } else {
      EXPECT_EQ(table, std::string::npos) << log;
    }
  }
}

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
  EXPECT_TRUE(dir.exists("result.end"));  // letter M still runs
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
