// The shoreline step on the real engine: the sloping flume of the
// moving-surface cases and a river beside a sloping dry bank, both with F 102
// 1, so that every regeneration of the surface moves runs the step.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/case_runner.h"
#include "support/flume.h"

namespace {

using flumecase::Point;

std::map<long, double> meanDepths(const std::vector<Point>& pts) {
  std::map<long, std::pair<double, int>> s;
  for (const Point& p : pts) {
    s[std::lround(p.x)].first += p.zs - p.zb;
    s[std::lround(p.x)].second += 1;
  }
  std::map<long, double> out;
  for (const auto& [x, v] : s) out[x] = v.first / v.second;
  return out;
}

}  // namespace

// The flume has no shore: with F 102 1 (and the triangle codes of F 235 1)
// its surface still settles at Manning's normal depth within 5 % in the
// middle reach.
TEST(ShorelineCase, TheSlopingFlumeStillReachesNormalDepth) {
  CaseDir dir;
  dir.write("koosurf", flumecase::koosurf());
  dir.write("control", flumecase::control(0, "F 102 1\nF 235 1\n"));
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  ASSERT_TRUE(dir.boogieHas("Solution converged")) << dir.boogie();
  const std::string name = flumecase::levelFileName(dir.path());
  ASSERT_FALSE(name.empty());
  const std::map<long, double> depth = meanDepths(flumecase::readLevels(dir.read(name)));
  const double hn = flumecase::normalDepth();
  for (long x = 28; x <= 52; x += 4) EXPECT_NEAR(depth.at(x), hn, 0.05 * hn) << "x = " << x;
}

// A river 6 m wide along the flume with a bank that rises across it: the
// first bank line just above the water, the next ones high. With F 102 1 the
// shore corners move at every regeneration; the run ends normally as without
// the step does and keeps the river at the same depth within 5 %.
TEST(ShorelineCase, ARiverBesideASlopingBankKeepsItsDepthWithTheShorelineStep) {
  auto koosurf = [] {
    std::ostringstream s;
    s.precision(10);
    for (int i = 1; i <= 21; ++i)
      for (int j = 1; j <= 6; ++j) {
        const double x = 4.0 * (i - 1), level = flumecase::initialLevel(x);
        double bed = flumecase::bed(x);
        if (j == 5) bed = level + 0.05;
        if (j == 6) bed = level + 1.0;
        s << i << " " << j << " " << x << " " << 2.0 * (j - 1) << " " << bed << " " << level << "\n";
      }
    return s.str();
  };
  std::map<long, double> depth[2];
  for (int f102 : {0, 1}) {
    CaseDir dir;
    dir.write("koosurf", koosurf());
    dir.write("control", flumecase::control(0, f102 ? "F 102 1\nF 235 1\n" : "", "YWM"));
    ASSERT_EQ(dir.run(), 1) << dir.boogie();
    const std::string name = flumecase::levelFileName(dir.path());
    ASSERT_FALSE(name.empty());
    std::vector<Point> river;
    for (const Point& p : flumecase::readLevels(dir.read(name)))
      if (p.y < 7.0) river.push_back(p);
    depth[f102] = meanDepths(river);
  }
  for (long x = 28; x <= 52; x += 4) {
    std::printf("x %ld depth %.4f with the shoreline step %.4f\n", x, depth[0].at(x), depth[1].at(x));
    EXPECT_NEAR(depth[1].at(x), depth[0].at(x), 0.05 * depth[0].at(x)) << x;
  }
}
