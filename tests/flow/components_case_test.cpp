// Run letter C on the real engine: the straight channel (20 x 5 columns of
// 1 m, 1 m deep, 1 m3/s from west to east, fixed lid, constant eddy
// viscosity) is computed once with W; a second run reads that flow back with
// R, carries the water-quality components through it with C and writes the
// 3-D VTK file with M, whose node values of the components the tests read.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/case_runner.h"

namespace {

const std::string kChannel = "G 1 23 8 5 2\nF 314 1 1\nF 237 1 1.0\nF 237 2 1.0\nK 2 0 0\nF 24 6\n";

// The converged flow of the channel, left in dir as the result file that
// letter R reads.
bool flowComputed(const CaseDir& dir) {
  dir.write("koosurf", straightChannelKoosurf());
  dir.write("control", "F 2 YW\n" + kChannel + "K 1 2000\n");
  if (dir.run() != 1 || !dir.exists("result.end")) return false;
  dir.write("result", dir.read("result.end"));
  return true;
}

struct NodeField {
  std::vector<std::array<double, 3>> points;
  std::map<std::string, std::vector<double>> scalars;
};

// The points and the SCALARS arrays of a legacy ASCII VTK file.
NodeField readVtk(const std::string& text) {
  NodeField f;
  std::istringstream in(text);
  std::string word;
  while (in >> word) {
    if (word == "POINTS") {
      std::size_t n = 0;
      in >> n >> word;
      f.points.resize(n);
      for (auto& p : f.points) in >> p[0] >> p[1] >> p[2];
    } else if (word == "SCALARS") {
      std::string name, type, lookup, table;
      in >> name >> type >> lookup >> table;
      std::vector<double>& v = f.scalars[name];
      v.resize(f.points.size());
      for (double& x : v) in >> x;
    }
  }
  return f;
}

int countOf(const std::string& text, const std::string& part) {
  int n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

}  // namespace

// Steady: component 1 enters with 3.0 (an M data set) into the frozen flow
// and fills the channel with exactly that concentration; the run logs its
// start line once.
TEST(ComponentsCase, SteadyTransportFillsTheChannelWithTheInflowConcentration) {
  CaseDir dir;
  ASSERT_TRUE(flowComputed(dir)) << dir.boogie();
  dir.write("control", "F 2 YRCM\n" + kChannel +
                           "F 33 1e-20 100\nF 50 2\nM 1 1 3.0\nF 329 1 0 0 0 0 1 0 0 0\nG 24 1 q 1 1\n");
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  const std::string log = dir.boogie();
  EXPECT_EQ(countOf(log, "Started components\n"), 1) << log;
  EXPECT_EQ(log.find("Error"), std::string::npos) << log;
  const NodeField f = readVtk(dir.read("ParaView3U.vtk"));
  ASSERT_EQ(f.points.size(), 504u);
  ASSERT_EQ(f.scalars.count("Water_Quality_1"), 1u);
  for (std::size_t n = 0; n < f.points.size(); ++n)
    ASSERT_NEAR(f.scalars.at("Water_Quality_1")[n], 3.0, 1e-5) << "node " << n;
}

// Transient: component 1 enters with 10.0 and decays by type 122 with the
// rate p0 = -432 per day times component 2, which enters with 1.0 and has no
// term. At the mean velocity of 0.2 m/s the cross-section means settle to
// 10 exp(-0.005 x / 0.2) within 2 % at every section between the ends (a
// node holds the mean of the cells around it); component 2 is 1 everywhere. 300 steps of 2 s, six times the travel
// time.
TEST(ComponentsCase, TransientDecayGivesTheExponentialProfileAlongTheChannel) {
  CaseDir dir;
  ASSERT_TRUE(flowComputed(dir)) << dir.boogie();
  dir.write("control", "F 2 YRCM\n" + kChannel +
                           "K 1 300\nF 33 2.0 1\nF 50 3\nM 1 1 10.0\nM 1 2 1.0\nQ 122 1 2 -432.0 0.0\n"
                           "F 329 1 0 0 0 0 1 0 0 0\nG 24 2 q 1 1 q 1 2\n");
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  EXPECT_TRUE(dir.boogieHas("Started components")) << dir.boogie();
  const std::string vtk = dir.read("ParaView3U.vtk");
  EXPECT_NE(vtk.find("600.000000 seconds"), std::string::npos);
  const NodeField f = readVtk(vtk);
  ASSERT_EQ(f.points.size(), 504u);
  const std::vector<double>& c = f.scalars.at("Water_Quality_1");
  const std::vector<double>& carrier = f.scalars.at("Water_Quality_2");
  const double lambda = 432.0 * 1.182033e-5, U = 1.0 / 5.0;
  // Mean of the nodes of each cross-section x = 1..19.
  std::map<long, std::pair<double, int>> sections;
  for (std::size_t n = 0; n < f.points.size(); ++n) {
    EXPECT_NEAR(carrier[n], 1.0, 1e-6) << "node " << n;
    const long x = std::lround(f.points[n][0]);
    if (x < 1 || x > 19) continue;
    sections[x].first += c[n];
    ++sections[x].second;
  }
  ASSERT_EQ(sections.size(), 19u);
  for (const auto& [x, s] : sections) {
    ASSERT_EQ(s.second, 6 * 4) << "x = " << x;
    const double expected = 10.0 * std::exp(-lambda * x / U);
    EXPECT_NEAR(s.first / s.second, expected, 0.02 * expected) << "x = " << x;
  }
}
