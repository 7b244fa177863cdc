// Uniform flow over a rough bed with the k-epsilon model on the real engine:
// a wide straight channel (160 m long, 10 m wide, 1 m deep, 1 m3/s; columns of
// 4 m x 2 m, 10 cell layers) with a fixed lid. At mid-length on the centre line the velocity follows the log
// law u = u*/0.4 ln(30 z/ks) of a rough bed, u* taken from the bed shear
// stress the engine computes (the bed-profile lines of P 11 5), between 10 %
// and 90 % of the depth within 5 %.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "grid/generate.h"
#include "grid/geometry.h"
#include "io/kread.h"
#include "io/modelfiles.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/case_runner.h"
#include "support/in_dir.h"
#include "support/validation.h"

namespace {

constexpr double kKs = 0.05;

std::string wideChannel() {
  std::ostringstream s;
  for (int i = 1; i <= 41; ++i)
    for (int j = 1; j <= 6; ++j) s << i << " " << j << " " << 4 * (i - 1) << ".0 " << 2 * (j - 1) << ".0 0.0 1.0\n";
  return s.str();
}

const std::string kControl =
    "F 2 YW\nG 1 43 8 12 1\nF 314 1 1\nF 237 1 1.0\nF 237 2 1.0\nK 2 0 0\nF 16 0.05\nK 1 8000\nP 11 5\n";

}  // namespace

TEST(LogLawCase, VelocityProfileOverARoughBedFollowsTheLogLaw) {
  CaseDir run;
  run.write("koosurf", wideChannel());
  run.write("control", kControl);
  ASSERT_EQ(run.run(), 1) << run.boogie();
  const std::string log = run.boogie();
  ASSERT_NE(log.find("Solution converged\n"), std::string::npos) << log;

  // Velocities of the result file.
  std::map<int, double> u;
  {
    std::istringstream in(run.read("result.end"));
    std::string line;
    while (std::getline(in, line)) {
      int n;
      double v;
      if (std::sscanf(line.c_str(), "C %d %lf", &n, &v) == 2) u[n] = v;
    }
  }
  // Bed shear stress by x and y of the bottom cells: the last block of
  // "x,z_bed,z_surf,shear" lines of the log.
  std::vector<double> shear;
  {
    const auto at = log.rfind("x,z_bed,z_surf,shear\n");
    ASSERT_NE(at, std::string::npos);
    std::istringstream in(log.substr(at));
    std::string line;
    std::getline(in, line);
    double x, zb, zs, t;
    while (std::getline(in, line) && std::sscanf(line.c_str(), "%lf %lf %lf %lf", &x, &zb, &zs, &t) == 4)
      shear.push_back(t);
  }

  // The same grid in-process, for the cell centres.
  InProjectDir p;
  p.dir().write("koosurf", wideChannel());
  p.dir().write("control", kControl);
  kread();
  ASSERT_GE(AllocateArrays(1, 1, 1), 0.0);
  readKoosurf();
  Unstructure();
  metric();
  ASSERT_EQ(static_cast<int>(u.size()), NoCells);

  // The column at x = 82, y = 5 (mid-length, centre line), and the index
  // of its bottom cell among the bottom cells in cell order.
  int bottom = 0, index = 0, seen = 0;
  for (int c = 1; c <= NoCells; ++c) {
    if (Ccellb[c] != 0) continue;
    if (std::fabs(Cxcenter[c] - 82.0) < 0.01 && std::fabs(Cycenter[c] - 5.0) < 0.01) {
      bottom = c;
      index = seen;
    }
    ++seen;
  }
  ASSERT_GT(bottom, 0);
  ASSERT_EQ(static_cast<int>(shear.size()), seen);
  const double ustar = std::sqrt(shear[index] / 1000.0);
  ASSERT_GT(ustar, 0.0);
  int checked = 0;
  double worst = 0;
  std::vector<double> zs, us;
  for (int c = bottom; c != 0; c = Ccellt[c]) {
    const double z = Czcenter[c];  // bed at 0, depth 1 m
    const double law = ustar / 0.4 * std::log(30.0 * z / kKs);
    std::printf("z %.3f u %.5f log law %.5f\n", z, u.at(c), law);
    zs.push_back(z);
    us.push_back(u.at(c));
    if (z < 0.1 || z > 0.9) continue;
    EXPECT_NEAR(u.at(c), law, 0.05 * law) << "z = " << z;
    const double deviation = std::fabs(u.at(c) - law) / law;
    worst = std::isnan(deviation) ? NAN : std::max(worst, deviation);
    ++checked;
  }
  EXPECT_GE(checked, 8);
  EXPECT_TRUE(withinLimit({"log law largest deviation", 100 * worst, 5.0, " %"}));

  // The law from the lowest cell centre to the lid, against the profile.
  std::vector<double> lawZ, lawU;
  for (double z = zs.front(); z < 1.0; z += 0.01) {
    lawZ.push_back(z);
    lawU.push_back(ustar / 0.4 * std::log(30.0 * z / kKs));
  }
  writeValidationPlot("loglaw", SvgPlot("Velocity over a rough bed (ks 0.05 m) at mid-length",
                                        "velocity u (m/s)", "height above the bed z (m)")
                                    .curve("u*/0.4 ln(30 z/ks)", lawU, lawZ)
                                    .points("computed", us, zs));
}
