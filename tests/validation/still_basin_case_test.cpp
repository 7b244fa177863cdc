// Closed basins of still water under a fixed lid on the real engine, 20 m x
// 5 m, the lid at 1 m, no inflow and no outflow. Nothing drives a flow, so
// the water stays still: every velocity of the result file stays below
// 1e-6 m/s after 100 iterations.
//   - hydrostatic: a flat bed, the weight of the water in the vertical
//     momentum (F 181 1) and the pressure starting hydrostatic, so that the
//     vertical pressure force must balance the weight in every cell;
//   - mound: a smooth mound of 0.3 m on the bed in the middle, so that the
//     cells are not rectangular, with the k-epsilon model.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "support/case_runner.h"
#include "support/validation.h"

namespace {

constexpr double kLimit = 1e-6;  // m/s

// Grid lines 1 m apart, bed at 0 or mound * exp(-r^2/8) around (10, 2.5),
// water at 1 m.
std::string basinKoosurf(double mound) {
  std::ostringstream s;
  s.precision(10);
  for (int i = 1; i <= 21; ++i)
    for (int j = 1; j <= 6; ++j) {
      const double x = i - 1.0, y = j - 1.0;
      s << i << " " << j << " " << x << " " << y << " " << mound * std::exp(-((x - 10) * (x - 10) + (y - 2.5) * (y - 2.5)) / 8)
        << " 1.0\n";
    }
  return s.str();
}

// Letter M writes the result file after the 100 iterations of W. Without an
// inflow the residuals have no scale of their own: F 200 2 gives them one
// small enough that the run does not stop as converged before 100 (with
// gravity the start is hydrostatic).
const std::string kBasin =
    "F 2 YWM\nG 1 23 8 12 1\nK 2 0 0\nK 1 100\nF 200 2 1e-9 1e-9 1e-9 1e-9\n";

}  // namespace

TEST(StillBasinValidation, StillWaterStaysStillFor100Iterations) {
  struct Row {
    const char* name;
    double mound;
    std::string model;
  };
  const Row rows[] = {{"hydrostatic", 0.0, "F 181 1\n"}, {"mound", 0.3, ""}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    CaseDir dir;
    dir.write("koosurf", basinKoosurf(row.mound));
    dir.write("control", kBasin + row.model);
    ASSERT_EQ(dir.run(), 1) << dir.boogie();
    const std::string log = dir.boogie();
    EXPECT_EQ(log.find("Error"), std::string::npos) << log;
    EXPECT_NE(log.find("\nIter: 100, Resid: "), std::string::npos) << log;

    int cells = 0;
    const auto at = log.find("End Unstructure ");
    ASSERT_NE(at, std::string::npos) << log;
    ASSERT_EQ(std::sscanf(log.c_str() + at, "End Unstructure %d cells", &cells), 1);
    // 20 x 5 columns of up to 10 layers; a mound takes some.
    ASSERT_GT(cells, 900);
    ASSERT_LE(cells, 1000);

    const ResultField f = readResultFile(dir.read("result.end"));
    ASSERT_EQ(static_cast<int>(f.cells.size()), cells);
    double worst = 0;
    std::vector<double> n, speed;
    for (const auto& [c, v] : f.cells) {
      const double s = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
      worst = std::isnan(s) ? NAN : std::max(worst, s);
      n.push_back(c);
      speed.push_back(s);
    }
    EXPECT_TRUE(withinLimit({std::string("still basin (") + row.name + ") largest speed after 100 iterations", worst,
                             kLimit, " m/s"}));

    writeValidationPlot(std::string("still_basin_") + row.name,
                        SvgPlot(std::string("Speed in a closed still basin after 100 iterations (") + row.name + ")",
                                "cell number", "speed (m/s)")
                            .curve("still water", {1.0, static_cast<double>(cells)}, {0.0, 0.0})
                            .curve("limit", {1.0, static_cast<double>(cells)}, {kLimit, kLimit})
                            .points("computed", n, speed));
  }
}
