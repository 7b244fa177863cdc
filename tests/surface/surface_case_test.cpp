// The surface move on the real engine in a straight channel of 20 x 5 columns
// (1 m3/s, default k-epsilon): the trace file of debug letter J, a dry
// reference column, and a surface driver this build does not hold.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "support/case_runner.h"

namespace {

const std::string kBase = "F 2 YW\nG 1 23 8 5 1\nF 314 1 1\nF 237 1 1.0\nF 237 2 1.0\n";

// Grid lines i = 1..21, j = 1..6, 1 m apart, bed 0, water 1 m; the grid
// points (10..11, 3..4) stand dry (bed 1.5 m above water 1 m), so that the
// column (11, 4) between them has no cell.
std::string channelWithIsland() {
  std::ostringstream s;
  for (int i = 1; i <= 21; ++i)
    for (int j = 1; j <= 6; ++j) {
      const bool dry = (i == 10 || i == 11) && (j == 3 || j == 4);
      s << i << " " << j << " " << i - 1 << ".0 " << j - 1 << ".0 " << (dry ? "1.5" : "0.0") << " 1.0\n";
    }
  return s.str();
}

int valuesOnLine(const std::string& line) {
  std::istringstream in(line);
  double v;
  int n = 0;
  while (in >> v) ++n;
  return n;
}

}  // namespace

// Debug letter J traces every move except those at multiples of 100
// iterations, and every line it begins ends with the depth after the move.
TEST(SurfaceCase, TraceLinesOfLetterJAreCompleteAndSkipEveryHundredth) {
  CaseDir run;
  run.write("koosurf", straightChannelKoosurf());
  // Moves at iterations 20, 40, ..., 140 (before the flow converges): the one
  // at 100 is not traced.
  run.write("control", kBase + "K 1 150 20\nG 6 1 0 0 0.1 1e6\nF 91 21 4\nF 1 J\n");
  ASSERT_EQ(run.run(), 1) << run.boogie();
  std::istringstream in(run.read("boogie-t"));
  std::string line;
  ASSERT_TRUE(std::getline(in, line));
  EXPECT_EQ(line.rfind("Time   dh  Czcenter", 0), 0u) << line;
  int lines = 0;
  while (std::getline(in, line)) {
    EXPECT_EQ(valuesOnLine(line), 14) << line;
    ++lines;
  }
  EXPECT_EQ(lines, 6);
  EXPECT_EQ(run.boogie().find("Solution converged"), std::string::npos);
}

// A reference column without cells, no outflow group for the reference and a
// method other than the shift: the run stops with Error 1 and status -1.
TEST(SurfaceCase, ADryReferenceColumnStopsTheRun) {
  CaseDir run;
  run.write("koosurf", channelWithIsland());
  run.write("control", kBase + "K 1 100 20\nG 6 1 0 0 0.1 1e6\nF 91 11 4\n");
  EXPECT_EQ(run.run(), 255) << run.boogie();
  const std::string log = run.boogie();
  EXPECT_NE(log.find("Error 1 in Surface update, reference cell 11 4 is dry\n"
                     "This may be due to drying up of the reference cell area\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("where X is the number of the discharge group of the outflow region\n\n"), std::string::npos);
}

