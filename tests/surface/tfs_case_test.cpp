// The transient kinematic surface (F 36 16) on the real engine, in a flume of
// 60 columns 2 m long and 2 columns 1 m wide, water 1 m deep over a flat bed,
// group 1 at the west end and group 2 (outlet) at the east end, each passing
// a trickle of 1 l/s. The levels at grid points come from print records of
// timei ('h' items) in timeo, one line per time step.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "support/case_runner.h"

namespace {

std::string flumeKoosurf(double level) {
  std::ostringstream s;
  for (int i = 1; i <= 61; ++i)
    for (int j = 1; j <= 3; ++j) s << i << " " << j << " " << 2.0 * (i - 1) << " " << j - 1 << ".0 0.0 " << level << "\n";
  return s.str();
}

// Transient steps of dt with 10 inner iterations, the surface moved in every
// step by formula 16 and smoothed by F 154 1 0.1.
std::string control(double dt, int steps, const std::string& extra = "") {
  char buf[256];
  std::snprintf(buf, sizeof buf,
                "F 2 YW\nG 1 64 6 12 1\nF 314 1 1\nF 237 1 0.001\nF 237 2 0.001\nF 24 6\nW 1 50 0.001 1.0\n"
                "K 2 0 1\nF 33 %g 10\nK 1 %d\nF 36 16\nF 154 1 0.1\n",
                dt, steps);
  return buf + extra;
}

// Rows of timeo: the time, then the printed values.
std::vector<std::vector<double>> readTimeo(const std::string& text) {
  std::vector<std::vector<double>> rows;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream ls(line);
    std::vector<double> r;
    double v;
    while (ls >> v) r.push_back(v);
    if (!r.empty()) rows.push_back(r);
  }
  return rows;
}

// The time at which column k of the rows first reaches the level, linear
// between the lines; -1 when it never does.
double arrival(const std::vector<std::vector<double>>& rows, size_t k, double level) {
  for (size_t n = 1; n < rows.size(); ++n) {
    const double a = rows[n - 1][k], b = rows[n][k];
    if (a < level && b >= level) return rows[n - 1][0] + (level - a) / (b - a) * (rows[n][0] - rows[n - 1][0]);
  }
  return -1.0;
}

}  // namespace

// The downstream level of timei rises by 2 cm within the first second: the
// rise runs up the flume at the speed of a long wave, sqrt(g h) = 3.13 m/s
// for 1 m of water, within 5 %, taken from the times at which the level at
// x = 100 m and x = 50 m has risen by half of it.
TEST(TfsCase, ARiseOfTheOutletLevelTravelsUpstreamAtTheLongWaveSpeed) {
  CaseDir dir;
  dir.write("koosurf", flumeKoosurf(1.0));
  dir.write("control", control(0.1, 400));
  dir.write("timei", "H 0 0 1.0\nH 1 0 1.02\nH 1000 0 1.02\nO 0 2 h 51 2 h 26 2\n");
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  const auto rows = readTimeo(dir.read("timeo"));
  ASSERT_GE(rows.size(), 399u);
  const double t100 = arrival(rows, 1, 1.01), t50 = arrival(rows, 2, 1.01);
  ASSERT_GT(t100, 0.0);
  ASSERT_GT(t50, t100);
  const double speed = 50.0 / (t50 - t100);
  EXPECT_NEAR(speed, std::sqrt(9.81 * 1.0), 0.05 * std::sqrt(9.81)) << t100 << " " << t50;
  double highest = 0.0;
  for (const auto& r : rows) highest = std::max({highest, r[1], r[2]});
  EXPECT_LT(highest, 1.06);  // the rise arrives as a rise, not as a growing oscillation
}

// A closed basin of still water (no groups): 100 steps leave every level
// within 1 mm of where it stood.
TEST(TfsCase, AClosedStillBasinKeepsItsLevels) {
  CaseDir dir;
  dir.write("koosurf", flumeKoosurf(1.0));
  dir.write("control",
            "F 2 YW\nG 1 64 6 12 1\nF 24 6\nK 2 0 1\nF 33 0.1 10\nK 1 100\nF 36 16\n"
            "F 200 2 1000 1000 1000 1000\n");
  dir.write("timei", "O 0 6 h 1 1 h 1 2 h 20 2 h 40 3 h 61 2 h 61 3\n");
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  const auto rows = readTimeo(dir.read("timeo"));
  ASSERT_EQ(rows.size(), 100u);
  for (const auto& r : rows)
    for (size_t k = 1; k < r.size(); ++k) EXPECT_NEAR(r[k], 1.0, 0.001) << r[0] << " " << k;
}

// The outlet grid points follow the downstream level of timei in time and
// hold its last record; where the series drops below the bed the outlet
// keeps TFSminDepth (F 403) of water.
TEST(TfsCase, OutletFollowsTheSeriesAndKeepsTheLeastDepth) {
  CaseDir dir;
  dir.write("koosurf", flumeKoosurf(1.0));
  dir.write("control", control(0.1, 30, "F 403 1 0.05\n"));
  // 1.0 m at 0 s, 1.02 m from 1 s, the last record at 2 s.
  dir.write("timei", "H 0 0 1.0\nH 1 0 1.02\nH 2 0 1.02\nO 0 2 h 61 1 h 61 2\n");
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  auto series = [](double t) { return t >= 1.0 ? 1.02 : 1.0 + 0.02 * std::max(t, 0.0); };
  const auto rows = readTimeo(dir.read("timeo"));
  ASSERT_EQ(rows.size(), 30u);
  for (const auto& r : rows)
    for (size_t k = 1; k <= 2; ++k) {
      // The level of the step's move, taken at the time the step began or ended.
      EXPECT_GE(r[k], series(r[0] - 0.1) - 1e-6) << r[0];
      EXPECT_LE(r[k], series(r[0]) + 1e-6) << r[0];
    }
  EXPECT_NEAR(rows.back()[1], 1.02, 1e-6);

  CaseDir low;
  low.write("koosurf", flumeKoosurf(1.0));
  low.write("control", control(0.1, 5, "F 403 1 0.05\n"));
  low.write("timei", "H 0 0 -0.5\nH 10 0 -0.5\nO 0 2 h 61 1 h 61 2\n");
  ASSERT_EQ(low.run(), 1) << low.boogie();
  const auto lowRows = readTimeo(low.read("timeo"));
  ASSERT_EQ(lowRows.size(), 5u);
  // The line of the first step is written before the first move.
  for (size_t n = 1; n < lowRows.size(); ++n)
    for (size_t k = 1; k <= 2; ++k) EXPECT_NEAR(lowRows[n][k], 0.05, 1e-6) << lowRows[n][0];
}
