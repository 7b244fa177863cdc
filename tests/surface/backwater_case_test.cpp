// Run letter Q on the real engine: the standard-step backwater along a
// rectangular channel 5 m wide (slope 0.001, Strickler 40, 5 m3/s), whose
// levels letter H writes into koosurf.t.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/case_runner.h"

namespace {

constexpr double kS0 = 0.001, kQ = 5.0, kB = 5.0, kM = 40.0;

// Normal depth of the section the backwater sees (the bed panels, R = h).
double normalDepth() { return std::pow(kQ * kQ / (kB * kB * kM * kM * kS0), 1.0 / 3.33333); }

// Grid lines i = 1..n+1 dx apart, j = 1..6 1 m apart; the bed falls toward
// line n+1, which is at 0.
std::string koosurf(int n, double dx, double water) {
  std::ostringstream s;
  s.precision(10);
  for (int i = 1; i <= n + 1; ++i)
    for (int j = 1; j <= 6; ++j)
      s << i << " " << j << " " << dx * (i - 1) << " " << (j - 1) << " " << kS0 * dx * (n + 1 - i) << " " << water
        << "\n";
  return s.str();
}

std::string control(int n, double downstream, const std::string& extra) {
  char buf[200];
  std::snprintf(buf, sizeof buf, "F 2 YQH\nG 1 %d 8 12 1\nW 1 %.6f %.6f %.8f\n", n + 3, kM, kQ, downstream);
  return buf + extra;
}

// Water level per grid line i (on line j = 3) of koosurf.t.
std::map<int, std::pair<double, double>> lineLevels(const std::string& text) {
  std::map<int, std::pair<double, double>> out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    int i, j;
    double x, y, zb, zs;
    if (std::sscanf(line.c_str(), "%d %d %lf %lf %lf %lf", &i, &j, &x, &y, &zb, &zs) == 6 && j == 3)
      out[i] = {zb, zs};
  }
  return out;
}

}  // namespace

// The downstream level at the normal depth stays at the normal depth on every
// line, and the rise equals the bed drop.
TEST(BackwaterCase, NormalDepthIsKeptOnEveryLine) {
  const int n = 20;
  const double hn = normalDepth();
  CaseDir dir;
  dir.write("koosurf", koosurf(n, 1.0, hn + 0.5));
  dir.write("control", control(n, hn, "F 36 30\n"));
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  const auto lv = lineLevels(dir.read("koosurf.t"));
  ASSERT_EQ(lv.size(), static_cast<size_t>(n + 1));
  for (const auto& [i, l] : lv) EXPECT_NEAR(l.second - l.first, hn, 1e-3) << "line " << i;
  const double rise = lv.at(1).second - lv.at(n + 1).second;
  EXPECT_NEAR(rise, kS0 * n, 1e-3);
}

// Behind a weir (1.5 times the normal depth downstream) the levels form an
// M1 curve: the step calculation with the same steps, friction slope
// V^2 / (M^2 R^1.33333), gives the level of every line, and the depth falls
// toward the normal depth upstream.
TEST(BackwaterCase, RaisedOutletGivesTheM1Curve) {
  const int n = 40;
  const double dx = 25.0, hn = normalDepth();
  CaseDir dir;
  dir.write("koosurf", koosurf(n, dx, 1.5 * hn + 1.0));
  dir.write("control", control(n, 1.5 * hn, "F 36 30\n"));
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  const auto lv = lineLevels(dir.read("koosurf.t"));
  ASSERT_EQ(lv.size(), static_cast<size_t>(n + 1));
  double z = 1.5 * hn, lastDepth = 1e9;
  for (int i = n + 1; i >= 1; --i) {
    if (i <= n) {
      const double h = z - kS0 * dx * (n + 1 - i);  // depth on line i at the level downstream
      const double A = kB * h, V = kQ / A;
      z += V * V / (kM * kM * std::pow(A / kB, 1.33333)) * dx;
    }
    const double depth = lv.at(i).second - lv.at(i).first;
    EXPECT_NEAR(lv.at(i).second, z, 0.01) << "line " << i;
    EXPECT_LT(depth, lastDepth + 1e-6) << "line " << i;
    EXPECT_GT(depth, hn) << "line " << i;
    lastDepth = depth;
  }
  EXPECT_LT(lastDepth - hn, 0.1 * (0.5 * hn) + kS0 * dx);
}

// Without F 36 30 or F 343 30 letter Q sets the downstream line only.
TEST(BackwaterCase, OnlyTheDownstreamLineWithoutF36Thirty) {
  const int n = 10;
  CaseDir dir;
  dir.write("koosurf", koosurf(n, 1.0, 1.7));
  dir.write("control", control(n, 1.2, ""));
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  const auto lv = lineLevels(dir.read("koosurf.t"));
  ASSERT_EQ(lv.size(), static_cast<size_t>(n + 1));
  EXPECT_NEAR(lv.at(n + 1).second, 1.2, 1e-6);
  for (int i = 1; i <= n; ++i) EXPECT_NEAR(lv.at(i).second, 1.7, 1e-6) << i;
}

// F 475 above 2 names no friction law: the reader refuses it.
TEST(BackwaterCase, FrictionLawAboveTwoIsRefused) {
  CaseResult r = runControl("F 2 Q\nF 475 3\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(r.has("Error for F 475 in control")) << r.boogie;
}
