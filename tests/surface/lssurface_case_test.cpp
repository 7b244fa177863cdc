// The explicit LS surface (F 36 50) on the real engine: a still basin over a
// bed that slopes both ways, transient with 40 time steps and the corners
// moved and the grid built anew every 5 (F 105).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>

#include "support/case_runner.h"
#include "support/flume.h"

namespace {

std::string basinKoosurf() {
  std::ostringstream s;
  for (int i = 1; i <= 11; ++i)
    for (int j = 1; j <= 6; ++j)
      s << i << " " << j << " " << 2.0 * (i - 1) << " " << 2.0 * (j - 1) << " " << 0.1 * (j - 1) + 0.02 * (i - 1)
        << " 1.0\n";
  return s.str();
}

int count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

}  // namespace

// Every level stays within 1 mm of the still water level through the eight
// updates, each of which builds the grid anew (F 1 D logs every build).
TEST(LSSurfaceCase, AStillBasinKeepsItsLevels) {
  CaseDir dir;
  dir.write("koosurf", basinKoosurf());
  dir.write("control",
            "F 2 YWM\nG 1 14 8 12 1\nK 2 0 1\nF 33 1 10\nK 1 40\nF 36 50\nF 105 5\nF 16 0.01\nF 24 6\nF 1 D\n"
            "F 329 1 1 0 0 0 0 0 0 0 0 0 0 0 0 6\n");
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  const std::string log = dir.boogie();
  EXPECT_EQ(count(log, "End Unstructure "), 1 + 8) << log;
  const std::string name = flumecase::levelFileName(dir.path());
  ASSERT_FALSE(name.empty());
  const auto pts = flumecase::readLevels(dir.read(name));
  ASSERT_EQ(pts.size(), 11u * 6u);
  for (const auto& p : pts) EXPECT_NEAR(p.zs, 1.0, 0.001) << p.x << " " << p.y;
}
