// The surface-height equation of F 36 8 on the real engine: the sloping
// flume (tests/support/flume.h) reaches the surface of the pressure-head
// update F 36 2, and a closed basin of still water keeps its level.
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

std::vector<Point> finalLevels(const CaseDir& dir) {
  const std::string name = flumecase::levelFileName(dir.path());
  if (name.empty()) return {};
  return flumecase::readLevels(dir.read(name));
}

}  // namespace

// The flume with its reference on the outflow group (every outlet column
// fixed to the reference level), with F 36 2 and with F 36 8: after 8000
// iterations every grid point of the two surfaces agrees within 1 cm.
TEST(Equation8Case, FlumeReachesTheSurfaceOfThePressureHeadUpdate) {
  CaseDir classic, nine;
  classic.write("koosurf", flumecase::koosurf());
  classic.write("control", flumecase::control(2, "F 36 2\n", "YWM", 8000));
  nine.write("koosurf", flumecase::koosurf());
  nine.write("control", flumecase::control(2, "F 36 8\n", "YWM", 8000));
  ASSERT_EQ(classic.run(), 1) << classic.boogie();
  ASSERT_EQ(nine.run(), 1) << nine.boogie();
  EXPECT_EQ(nine.boogie().find("Error"), std::string::npos) << nine.boogie();
  const std::vector<Point> a = finalLevels(classic), b = finalLevels(nine);
  ASSERT_EQ(a.size(), 21u * 6u);
  ASSERT_EQ(b.size(), a.size());
  double worst = 0.0;
  for (std::size_t k = 0; k < a.size(); ++k) {
    ASSERT_EQ(a[k].x, b[k].x);
    worst = std::max(worst, std::fabs(a[k].zs - b[k].zs));
  }
  std::printf("largest difference to F 36 2: %.5f m\n", worst);
  EXPECT_LE(worst, 0.01);
}

// A closed basin of still water, 20 m x 5 m, 1 m deep over a smooth mound of
// 0.3 m, no inflow or outflow, run transient (1 s steps of 10 iterations)
// with F 36 8 and debug letter E: over more than twenty moves every level
// stays within 1 mm of 1 m, and the equation check finds nothing strange.
TEST(Equation8Case, AStillBasinKeepsItsLevel) {
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
            "F 36 8\nF 1 E\nF 329 1 1 0 0 0 0 0 0 0 0 0 0 0 0 6\n");
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  EXPECT_EQ(dir.boogie().find("Warning, strange values"), std::string::npos) << dir.boogie();
  EXPECT_EQ(dir.boogie().find("Error"), std::string::npos) << dir.boogie();
  std::istringstream trace(dir.read("boogie-t"));
  std::string line;
  int moves = -1;
  while (std::getline(trace, line)) ++moves;
  EXPECT_GE(moves, 20);
  const std::vector<Point> pts = finalLevels(dir);
  ASSERT_EQ(pts.size(), 21u * 6u);
  double worst = 0.0;
  for (const Point& p : pts) worst = std::max(worst, std::fabs(p.zs - 1.0));
  std::printf("largest level change %.6f m\n", worst);
  EXPECT_LE(worst, 0.001);
}
