// A sloping flume with a moving free surface on the real engine: 80 m long,
// 10 m wide, bed slope 0.001, 5 m3/s entering at the upstream end and leaving
// at the downstream end, a rough bed (ks 0.01 m) and the default k-epsilon
// model. The water surface starts horizontal-ish but too low upstream (it
// rises downstream at the bed slope, so the upstream columns are shallower
// and hold fewer cell layers); the reference column at the outlet holds its
// level, and the default surface update moves the grid every 100 iterations
// until the surface falls along the flume, regenerating the grid at every
// move. The depth of the middle reach is the normal depth of Manning's
// formula.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <dirent.h>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "grid/generate.h"
#include "grid/geometry.h"
#include "io/gridfiles.h"
#include "io/kread.h"
#include "io/modelfiles.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/case_runner.h"
#include "support/flume.h"
#include "support/in_dir.h"
#include "support/validation.h"

namespace {

using flumecase::bed;
using flumecase::initialLevel;
using flumecase::kLength;
using flumecase::kQ;
using flumecase::kSlope;
using flumecase::levelFileName;
using flumecase::normalDepth;
using flumecase::Point;
using flumecase::readLevels;
std::string flumeKoosurf() { return flumecase::koosurf(); }
std::string flumeControl() { return flumecase::control(); }

struct FlumeRun {
  CaseDir dir;
  int status = -1;
  FlumeRun() {
    dir.write("koosurf", flumeKoosurf());
    dir.write("control", flumeControl());
    status = dir.run();
  }
};

FlumeRun& flume() {
  static FlumeRun run;
  return run;
}

}  // namespace

TEST(FlumeCase, TheSurfaceSettlesAtTheNormalDepthOfManningsFormula) {
  FlumeRun& r = flume();
  const std::string log = r.dir.boogie();
  ASSERT_EQ(r.status, 1) << log;
  ASSERT_NE(log.find("Solution converged\n"), std::string::npos) << log;

  const std::string name = levelFileName(r.dir.path());
  ASSERT_FALSE(name.empty());
  const std::vector<Point> pts = readLevels(r.dir.read(name));
  ASSERT_EQ(pts.size(), 21u * 6u);

  // Mean depth and level per cross-section x.
  std::map<long, std::pair<double, int>> depth, level;
  for (const Point& p : pts) {
    depth[std::lround(p.x)].first += p.zs - p.zb;
    depth[std::lround(p.x)].second += 1;
    level[std::lround(p.x)].first += p.zs;
    level[std::lround(p.x)].second += 1;
  }
  auto mean = [](const std::pair<double, int>& s) { return s.first / s.second; };

  // The middle reach, 28..52 m: the normal depth within 5 %.
  const double hn = normalDepth();
  double worst = 0;
  for (long x = 28; x <= 52; x += 4) {
    const double d = mean(depth.at(x));
    std::printf("x %ld depth %.4f normal depth %.4f (%.2f %%)\n", x, d, hn, 100.0 * (d - hn) / hn);
    EXPECT_NEAR(d, hn, 0.05 * hn) << "x = " << x;
    worst = std::max(worst, std::fabs(d - hn) / hn);
  }
  EXPECT_TRUE(withinLimit({"Manning normal depth, middle reach, largest deviation", 100 * worst, 5.0, " %"}));
  std::vector<double> xs, ds, xn, dn;
  for (const auto& [x, s] : depth) {
    xs.push_back(static_cast<double>(x));
    ds.push_back(mean(s));
  }
  xn = {0.0, kLength};
  dn = {hn, hn};
  writeValidationPlot("manning_flume", SvgPlot("Depth along a flume of slope 0.001 (ks 0.01 m, 5 m3/s)",
                                               "distance along the flume x (m)", "mean depth of the section (m)")
                                           .curve("Manning normal depth", xn, dn)
                                           .points("computed", xs, ds));
  // The surface slope between 20 and 60 m is near the bed slope. The model's
  // own uniform depth lies a few per cent above Manning's, which the outlet
  // holds, so the surface draws down gently towards the outlet and falls
  // somewhat faster than the bed.
  const double slope = (mean(level.at(20)) - mean(level.at(60))) / 40.0;
  EXPECT_TRUE(withinLimit({"surface slope against the bed slope, relative difference",
                           100 * std::fabs(slope - kSlope) / kSlope, 30.0, " %"}));
  // The level at the reference point stays at the reference level, the level
  // of the reference column's top face at the start (corners at 76 and 80 m).
  const double zref = 0.5 * (initialLevel(76.0) + initialLevel(80.0));
  EXPECT_NEAR(mean(level.at(80)), zref, 0.005);
}

// The trace file: its header, one line of 14 values per move, and the
// reference level of the first move held through all moves.
TEST(FlumeCase, TheReferenceLevelIsHeldThroughEveryMove) {
  FlumeRun& r = flume();
  ASSERT_EQ(r.status, 1) << r.dir.boogie();
  std::istringstream in(r.dir.read("boogie-t"));
  std::string line;
  ASSERT_TRUE(std::getline(in, line));
  EXPECT_EQ(line,
            "Time   dh  Czcenter  Ckdist  iSurfLocal  iPres  jPres   zval   GlobZRef GlobPresRef residualP BI1 dep1 "
            "dep2");
  // The reference column lies between x 76 and 80 at the centre line: its
  // top face stands at the mean of its corner levels.
  const double zref = 0.5 * (initialLevel(76.0) + initialLevel(80.0));
  int moves = 0;
  while (std::getline(in, line)) {
    double v[14];
    int n[3];
    const int got = std::sscanf(line.c_str(), "%lf %lf %lf %lf %d %d %d %lf %lf %lf %lf %lf %lf %lf", v, v + 1,
                                v + 2, v + 3, n, n + 1, n + 2, v + 7, v + 8, v + 9, v + 10, v + 11, v + 12, v + 13);
    ASSERT_EQ(got, 14) << line;
    EXPECT_EQ(n[1], 21);
    EXPECT_EQ(n[2], 4);
    EXPECT_NEAR(v[8], zref, 1e-6) << line;
    ++moves;
  }
  EXPECT_GE(moves, 10);
}

// The grid follows the surface: the upstream columns, shallower at the start,
// gain cell layers as the water rises; every cross-section of the final grid
// passes the inflow within 1e-4.
TEST(FlumeCase, TheRegeneratedGridConservesTheDischarge) {
  FlumeRun& r = flume();
  ASSERT_EQ(r.status, 1) << r.dir.boogie();
  const std::string name = levelFileName(r.dir.path());
  ASSERT_FALSE(name.empty());

  // Cells of the initial grid.
  int initialCells = 0;
  {
    InProjectDir p;
    p.dir().write("koosurf", flumeKoosurf());
    p.dir().write("control", flumeControl());
    kread();
    ASSERT_GE(AllocateArrays(1, 1, 1), 0.0);
    readKoosurf();
    Unstructure();
    initialCells = NoCells;
  }

  // The final grid from the final levels, with the fluxes of the result file.
  std::map<int, double> flux;
  int cells = 0;
  {
    std::istringstream in(r.dir.read("result.end"));
    std::string line;
    while (std::getline(in, line)) {
      int n;
      double v;
      if (std::sscanf(line.c_str(), "F %d %lf", &n, &v) == 2) flux[n] = v;
      if (line.rfind("C ", 0) == 0) ++cells;
    }
  }
  InProjectDir p;
  p.dir().write("koosurf", r.dir.read(name));
  p.dir().write("control", flumeControl());
  kread();
  ASSERT_GE(AllocateArrays(1, 1, 1), 0.0);
  readKoosurf();
  Unstructure();
  metric();
  ASSERT_EQ(NoCells, cells);
  ASSERT_EQ(static_cast<int>(flux.size()), NoSurfaces);
  std::printf("cells: initial %d final %d\n", initialCells, NoCells);
  EXPECT_GT(NoCells, initialCells);

  std::map<long, double> planes;
  for (int s = 1; s <= NoSurfaces; ++s) {
    if (std::fabs(Fax[s]) < 0.5 * Farea[s] || Fcell1[s] == 0 || Fcell2[s] == 0) continue;
    planes[std::lround(Px[Fpoint1[s]])] += (Fax[s] > 0 ? 1.0 : -1.0) * flux.at(s);
  }
  ASSERT_EQ(planes.size(), 19u);
  double worst = 0;
  std::vector<double> xs, errs;
  for (const auto& [x, q] : planes) {
    worst = std::max(worst, std::fabs(q - 1000.0 * kQ) / (1000.0 * kQ));
    EXPECT_NEAR(q, 1000.0 * kQ, 1e-4 * 1000.0 * kQ) << "x = " << x;
    xs.push_back(static_cast<double>(x));
    errs.push_back((q - 1000.0 * kQ) / (1000.0 * kQ));
  }
  EXPECT_TRUE(withinLimit({"moving surface: largest cross-section discharge error", worst, 1e-4, ""}));
  writeValidationPlot("manning_flume_discharge",
                      SvgPlot("Discharge through the cross-sections of the regenerated grid",
                              "distance along the flume x (m)", "relative error of the discharge")
                          .curve("inflow", std::vector<double>{0.0, kLength}, std::vector<double>{0.0, 0.0})
                          .points("computed", xs, errs));
}
