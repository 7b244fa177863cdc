// The level adjustments of the regridding on the real engine: the sloping
// flume (tests/support/flume.h) with surface smoothing and the wet/dry edge
// rule, the flume with its reference on the outflow group, whose outlet
// corners are pinned to the reference level, and a closed basin of still
// water whose surface moves twenty times with smoothing and border levels.
#include <gtest/gtest.h>

#include <algorithm>
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

// Mean depth per cross-section x of the final levels.
std::map<long, double> sectionDepths(const std::vector<Point>& pts) {
  std::map<long, std::pair<double, int>> sum;
  for (const Point& p : pts) {
    sum[std::lround(p.x)].first += p.zs - p.zb;
    sum[std::lround(p.x)].second += 1;
  }
  std::map<long, double> out;
  for (const auto& [x, s] : sum) out[x] = s.first / s.second;
  return out;
}

// The values of the lines of the surface trace after its header.
std::vector<std::vector<double>> traceLines(const std::string& text) {
  std::vector<std::vector<double>> out;
  std::istringstream in(text);
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::istringstream l(line);
    std::vector<double> v;
    double d;
    while (l >> d) v.push_back(d);
    out.push_back(v);
  }
  return out;
}

}  // namespace

// F 154 1 and F 187 1 on the flume: the middle reach still stands at
// Manning's normal depth within 5 %.
TEST(SurfaceLevelsCase, SmoothedFlumeReachesTheNormalDepth) {
  CaseDir dir;
  dir.write("koosurf", flumecase::koosurf());
  dir.write("control", flumecase::control(0, "F 154 1 0.5\nF 187 1\n"));
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  ASSERT_NE(dir.boogie().find("Solution converged\n"), std::string::npos) << dir.boogie();
  const std::string name = flumecase::levelFileName(dir.path());
  ASSERT_FALSE(name.empty());
  const std::vector<Point> pts = flumecase::readLevels(dir.read(name));
  ASSERT_EQ(pts.size(), 21u * 6u);
  const std::map<long, double> depth = sectionDepths(pts);
  const double hn = flumecase::normalDepth();
  for (long x = 28; x <= 52; x += 4) {
    std::printf("x %ld depth %.4f normal depth %.4f\n", x, depth.at(x), hn);
    EXPECT_NEAR(depth.at(x), hn, 0.05 * hn) << "x = " << x;
  }
  EXPECT_GE(traceLines(dir.read("boogie-t")).size(), 10u);
}

// The reference on the outflow group (G 6 third value 2): every move pins
// the corners of the outlet line to the reference level before the grid is
// generated again, so the outlet line of the levels that letter M writes
// after 8000 iterations (the moves begin once the residual is below 1) stands at the reference level of the last
// move (the ninth value of its trace line). The reference level is the top
// level of the outlet column at each move, which the pinning and the
// upstream corners together set, so it moves from move to move.
TEST(SurfaceLevelsCase, OutletCornersStandAtTheReferenceLevel) {
  CaseDir dir;
  dir.write("koosurf", flumecase::koosurf());
  dir.write("control", flumecase::control(2, "", "YWM", 8000));
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  const std::vector<std::vector<double>> trace = traceLines(dir.read("boogie-t"));
  ASSERT_GE(trace.size(), 25u);
  ASSERT_EQ(trace.back().size(), 14u);
  const double zref = trace.back()[8];
  ASSERT_NE(zref, trace.front()[8]);
  const std::string name = flumecase::levelFileName(dir.path());
  ASSERT_FALSE(name.empty());
  int outlet = 0;
  for (const Point& p : flumecase::readLevels(dir.read(name)))
    if (std::lround(p.x) == 80) {
      EXPECT_NEAR(p.zs, zref, 2e-6) << "y = " << p.y;
      ++outlet;
    }
  EXPECT_EQ(outlet, 6);
}

// A closed basin of still water, 20 m x 5 m, 1 m deep over a smooth mound
// of 0.3 m on the bed, no inflow or outflow, run transient (1 s steps of 10
// iterations, so that it does not stop as converged) with the surface moved
// by the reference column in the middle, F 154 2 and F 425 1: after more than
// twenty moves every level lies within 1 mm of 1 m.
TEST(SurfaceLevelsCase, AStillBasinKeepsItsLevelOverTwentyMoves) {
  std::ostringstream k;
  k.precision(10);
  for (int i = 1; i <= 21; ++i)
    for (int j = 1; j <= 6; ++j) {
      const double x = i - 1.0, y = j - 1.0;
      k << i << " " << j << " " << x << " " << y << " "
        << 0.3 * std::exp(-((x - 10) * (x - 10) + (y - 2.5) * (y - 2.5)) / 8) << " 1.0\n";
    }
  CaseDir dir;
  dir.write("koosurf", k.str());
  dir.write("control",
            "F 2 YWM\nG 1 23 8 12 1\nK 1 420 20\nF 33 1.0 10\nF 200 2 1e-9 1e-9 1e-9 1e-9\nG 6 1 0 0 0.1 1e6\nF 91 11 3\n"
            "F 154 2 0.5\nF 425 1\nF 1 C\nF 329 1 1 0 0 0 0 0 0 0 0 0 0 0 0 6\n");
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  EXPECT_EQ(dir.boogie().find("Error"), std::string::npos) << dir.boogie();
  const std::vector<std::vector<double>> trace = traceLines(dir.read("boogie-t"));
  EXPECT_GE(trace.size(), 20u);
  for (const std::vector<double>& line : trace) {
    ASSERT_EQ(line.size(), 14u);
    EXPECT_NEAR(line[13], trace.front()[12], 0.001);  // mean depth after each move
  }
  const std::string name = flumecase::levelFileName(dir.path());
  ASSERT_FALSE(name.empty());
  const std::vector<Point> pts = flumecase::readLevels(dir.read(name));
  ASSERT_EQ(pts.size(), 21u * 6u);
  double worst = 0.0;
  for (const Point& p : pts) worst = std::max(worst, std::fabs(p.zs - 1.0));
  std::printf("largest level change %.6f m\n", worst);
  EXPECT_LE(worst, 0.001);
}
