// F 78 23 on the engine: a channel of 20 x 5 columns whose bed rises 0.1 m
// per metre across the flow (southwards down), its flow computed by letter
// W and read back by R, then ten sediment steps of a minute under F 37 1
// with an inflow that brings more than the flow carries, so that the bed
// rises everywhere. With the slope vectors the deposit lies further down
// the cross slope than without them (F 78 0), and the total stays.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "support/case_runner.h"

namespace {

std::string crossSlopeKoosurf() {
  std::ostringstream s;
  for (int i = 1; i <= 21; ++i)
    for (int j = 1; j <= 6; ++j) {
      char line[100];
      std::snprintf(line, sizeof line, "%d %d %d.0 %d.0 %.2f 1.5\n", i, j, i - 1, j - 1, 0.1 * (j - 1));
      s << line;
    }
  return s.str();
}

const std::string kChannel = "G 1 23 8 12 1\nF 314 1 1\nF 237 1 1.0\nF 237 2 1.0\nK 2 0 0\nF 16 0.05\n";

// The first SCALARS block of a legacy VTK file.
std::vector<double> firstBlock(const std::string& text) {
  std::vector<double> out;
  std::istringstream in(text);
  std::string word;
  while (in >> word && word != "SCALARS") {
  }
  in >> word >> word >> word >> word;
  while (in >> word) {
    try {
      out.push_back(std::stod(word));
    } catch (...) {
      break;
    }
  }
  return out;
}

// Row (0 southmost, down the slope) of the deposit's centroid and its sum,
// from the 22 x 7 plan points.
void centroid(const std::vector<double>& move, double& row, double& total) {
  double m = 0.0, y = 0.0;
  for (int r = 0; r < 7; ++r)
    for (int i = 0; i < 22; ++i) {
      m += move[r * 22 + i];
      y += move[r * 22 + i] * r;
    }
  row = y / m;
  total = m;
}

}  // namespace

TEST(BedLoadVectorCase, F78_23PutsTheDepositFurtherDownTheCrossSlope) {
  CaseDir dir;
  dir.write("koosurf", crossSlopeKoosurf());
  dir.write("control", "F 2 YWM\n" + kChannel + "K 1 600\n");
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  dir.write("result", dir.read("result.end"));
  double row[2], total[2];
  const int methods[2] = {0, 23};
  for (int n = 0; n < 2; ++n) {
    dir.write("control", "F 2 YRS\n" + kChannel + "F 37 1\nF 68 2\nF 33 60 1\nK 1 10\nF 78 " +
                             std::to_string(methods[n]) +
                             " 0.6\nS 1 0.0002 0.02\nN 0 1 1.0\nF 11 2.65 0.05\nF 106 0.01\nM 1 1 0.0005\n"
                             "F 329 0 0 0 0 0 0 1 0 0\nG 24 1 U 0 0\n");
    ASSERT_EQ(dir.run(), 1) << dir.boogie();
    // each run writes the first free number
    const std::string name = n == 0 ? "pav2_00000.vtk" : "pav2_00001.vtk";
    ASSERT_TRUE(dir.exists(name)) << dir.boogie();
    const std::vector<double> move = firstBlock(dir.read(name));
    ASSERT_EQ(move.size(), 154u);
    for (double v : move) EXPECT_GT(v, 0.0) << "F 78 " << methods[n];
    centroid(move, row[n], total[n]);
  }
  EXPECT_LT(row[1], row[0] - 0.05);
  EXPECT_NEAR(total[1] / total[0], 1.0, 0.02);
}
