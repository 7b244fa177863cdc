// Bed roughness from the terrain points (run letter K).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "physics/physics.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/flowstate.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

// Three columns (2,2), (3,2), (4,2) of 1 m by 1 m, two cells each, flat bed.
SmallGrid threeColumns() {
  SmallGrid g;
  g.nx = 3;
  g.ny = 1;
  g.nz = 2;
  g.build();
  FlagHaveDoneMetric = 1;  // the geometry is built by hand
  return g;
}

// Points 0.05 m above and below the bed at four places inside column (i, 2).
std::string pointsIn(int i, double offset = 0.05) {
  std::string s;
  const double x = i - 1.5;
  char line[100];
  int n = 0;
  for (double dx : {-0.2, 0.2})
    for (double dy : {-0.2, 0.2}) {
      std::snprintf(line, sizeof line, "E %.3f %.3f %.3f\n", x + dx, 0.5 + dy, (n++ % 2 ? 1 : -1) * offset);
      s += line;
    }
  return s;
}

}  // namespace

// Columns with points get F 295 x the mean distance from the bed plane; the
// column between them takes their value through the fill; one line per
// column goes to bedrough.new and the column and bed-cell roughness follow.
TEST(BedRoughness, MeanDistanceTimesTheFactorAndTheFill) {
  InProjectDir d;
  d.dir().write("geodata", pointsIn(2) + pointsIn(4) + "E 2.0 0.5 0.3\n");  // the last on a border: outside
  SmallGrid g = threeColumns();
  RoughnessFactor = 2.0;
  double* keep = Cf;
  EXPECT_EQ(computeRoughness(), 1);
  EXPECT_EQ(Cf, keep);
  const int c2 = g.cell(2, 2, 1), c3 = g.cell(3, 2, 1), c4 = g.cell(4, 2, 1);
  EXPECT_NEAR(Croughness[c2], 0.1, 1e-9);
  EXPECT_NEAR(Croughness[c4], 0.1, 1e-9);
  EXPECT_NEAR(Croughness[c3], 0.1, 1e-4);
  EXPECT_EQ(d.dir().read("bedrough.new"), "B 2 2 0.100000\nB 3 2 0.100000\nB 4 2 0.100000\n");
  EXPECT_NEAR(roughness[3][2], Croughness[c3], 1e-15);
  EXPECT_NEAR(Broughness[g.bedCell(4, 2)], 0.1, 1e-9);
}

// Points on the plane of the bottom face give roughness 0 there, which is
// held; the empty column between 0 and 0.1 lies half way.
TEST(BedRoughness, PointsOnTheBedGiveZeroAndTheFillAverages) {
  InProjectDir d;
  d.dir().write("geodata", pointsIn(2, 0.0) + pointsIn(4));
  SmallGrid g = threeColumns();
  EXPECT_EQ(computeRoughness(), 1);
  EXPECT_NEAR(Croughness[g.cell(2, 2, 1)], 0.0, 1e-15);
  EXPECT_NEAR(Croughness[g.cell(4, 2, 1)], 0.05, 1e-9);
  EXPECT_NEAR(Croughness[g.cell(3, 2, 1)], 0.025, 1e-4);
}

// Without terrain points letter K has nothing to compute from: the run ends
// with a failure and nothing is written.
TEST(BedRoughness, WithoutPointsTheRunEnds) {
  GTEST_FLAG_SET(death_test_style, "fast");
  InProjectDir d;
  threeColumns();
  EXPECT_EXIT(computeRoughness(), ::testing::ExitedWithCode(252), "");
  EXPECT_FALSE(d.dir().exists("bedrough.new"));
  EXPECT_TRUE(d.dir().boogieHas("Error: run letter K needs terrain points, and no terrain-point file holds any "
                                "(geodata, geodatk, geodatm, geodatn, vastrin)"));
}

// A bedrough.new that cannot be written is an error, not a success: the
// column roughness keeps its values.
TEST(BedRoughness, AnUnwritableFileIsAnError) {
  InProjectDir d;
  d.dir().write("geodata", pointsIn(2));
  d.dir().mkdir("bedrough.new");
  threeColumns();
  roughness[2][2] = 0.7;
  RunErrorReported = 0;
  EXPECT_EQ(computeRoughness(), -1);
  EXPECT_EQ(roughness[2][2], 0.7);
  EXPECT_EQ(RunErrorReported, 1);
  EXPECT_TRUE(d.dir().boogieHas("Error: cannot write the file 'bedrough.new'; the roughness of the columns is not changed"))
      << d.dir().boogie();
  RunErrorReported = 0;
}
