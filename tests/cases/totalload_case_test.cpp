// Run letter S with the total-load formulas of F 10 on the engine: the
// straight channel of letter Y (20 x 5 columns of 1 m, 1 m deep), one grain
// size, the bed exchange of F 37 2. Without inner flow iterations the water
// stays still, and Einstein's bed load (letter I), which needs the flux of
// the bottom cell, ends the run with status 2 and its line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

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

namespace {

// One cell of a cross-section file: its level range and the three G 24
// values asked for (concentration, horizontal speed, k).
struct SectionCell {
  double z0, z1, c, u, k;
};

// The cells of a ParaCross file by column (keyed by the start of the column
// along the section), bottom first.
std::map<double, std::vector<SectionCell>> sectionColumns(const std::string& text) {
  std::istringstream in(text);
  std::string word;
  std::vector<double> pts;
  std::vector<std::vector<double>> scalars;
  int n = 0;
  while (in >> word) {
    if (word == "POINTS") {
      int np = 0;
      in >> np >> word;
      pts.resize(3 * np);
      for (double& x : pts) in >> x;
    } else if (word == "POLYGONS") {
      in >> n;
    } else if (word == "SCALARS") {
      in >> word >> word >> word >> word;
      scalars.emplace_back(n);
      for (double& x : scalars.back()) in >> x;
    }
  }
  std::map<double, std::vector<SectionCell>> cols;
  if (scalars.size() != 3 || pts.size() != 12u * n) return cols;
  for (int q = 0; q < n; ++q) {
    const double* p = &pts[12 * q];  // corners s0 z1, s1 z4, s1 z8, s0 z5
    cols[p[0]].push_back({p[2], p[11], scalars[0][q], scalars[1][q], scalars[2][q]});
  }
  for (auto& [s, cells] : cols)
    std::sort(cells.begin(), cells.end(), [](const SectionCell& a, const SectionCell& b) { return a.z0 < b.z0; });
  return cols;
}

}  // namespace

// Letter E on a frozen flow of the channel (0.1 mm sand, fall velocity
// 5 mm/s): at equilibrium the bottom cell of the middle column holds the
// Engelund-Hansen load q = 0.05 U^2 sqrt(d/(g(s-1))) theta^1.5 divided by the
// Rouse transport integral of its column, both computed here by hand from the
// section's speeds and the bottom cell's k (tau = 0.3 rho k).
TEST(TotalLoadCase, LetterEHoldsTheEngelundHansenLoadAtTheBed) {
  CaseDir dir;
  const std::string grid = "G 1 23 8 12 1\nF 314 1 1\nF 237 1 1.0\nF 237 2 1.0\nK 2 0 0\nF 16 0.05\n";
  dir.write("koosurf", straightChannelKoosurf());
  dir.write("control", "F 2 YW\n" + grid + "K 1 3000\n");
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  dir.write("result", dir.read("result.end"));
  dir.write("control", "F 2 YRSM\n" + grid +
                           "K 1 100\nF 33 10.0 0\nF 37 2\nS 1 0.0001 0.005\nN 0 1 1.0\nF 11 2.65 0.05\nF 10 E\n"
                           "P 18 1 10\nG 24 3 c 0 1 u 0 0 k 0 0\nF 329 0 0 0 0 0 0 0 0 0 0 1\n");
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  const auto cols = sectionColumns(dir.read("ParaCross_1_10.vtk"));
  ASSERT_EQ(cols.size(), 5u);
  const std::vector<SectionCell>& col = cols.at(2.0);
  ASSERT_EQ(col.size(), 10u);
  const double d = 1e-4, s = 2.65, g = 9.81, w = 0.005;
  const double h = col.back().z1 - col.front().z0, a = 0.5 * (col[0].z1 - col[0].z0);
  double U = 0.0;
  for (const SectionCell& x : col) U += x.u * (x.z1 - x.z0) / h;
  const double tau = 300.0 * col[0].k, theta = tau / (1000.0 * g * (s - 1.0) * d);
  const double q = 0.05 * U * U * std::sqrt(d / (g * (s - 1.0))) * std::pow(theta, 1.5);
  const double z = w / (0.4 * std::sqrt(tau / 1000.0));
  double Q = 0.0;
  for (const SectionCell& x : col) {
    const double zk = 0.5 * (x.z0 + x.z1) - col.front().z0;
    Q += std::pow((h - zk) / zk * a / (h - a), z) * (x.z1 - x.z0) * x.u;
  }
  ASSERT_GT(q, 0.0);
  EXPECT_NEAR(col[0].c, q / Q, 0.02 * q / Q) << "q " << q << " Q " << Q;
}
