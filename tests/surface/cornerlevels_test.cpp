// The corner-level update after the surface-height equation.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"
#include "surface/heightequation.h"

namespace {

// 4 x 3 columns of two cells, 1 m apart, water 1 m over a flat bed; both
// level slots at 1 m; every column value v.
SmallGrid basin(double v) {
  SmallGrid g;
  g.nx = 4;
  g.ny = 3;
  g.nz = 2;
  g.build();
  Cf = Cfn;
  for (int c = 0; c <= NoCells; ++c) Cf[c] = Cxvel[c] = Cyvel[c] = 0.0;
  for (int i = g.i1(); i <= g.i2(); ++i)
    for (int j = g.j1(); j <= g.j2(); ++j) Cf[g.cell(i, j, 1)] = v;
  for (int i = 0; i <= xnumber + 1; ++i)
    for (int j = 0; j <= ynumber + 1; ++j) zval[i][j][znumber + 1] = zval[i][j][znumber];
  return g;
}

}  // namespace

// A uniform column value 0.1 with RelaxSurface 0.5 raises every grid point of
// the block by 0.05 m, the edge and corner points (one or two columns) as
// well, records the change in Surfaces level 4 and copies the level into
// slot znumber + 1; points outside the block keep theirs.
TEST(CornerLevels, UniformValueRaisesEveryPoint) {
  InProjectDir d;
  const SmallGrid g = basin(0.1);
  RelaxSurface = 0.5;
  FlagTFS = 8;
  const double outside = zval[g.i2() + 1][g.j2()][znumber];
  surfaceUpdate();
  for (int i = g.i1() - 1; i <= g.i2(); ++i)
    for (int j = g.j1() - 1; j <= g.j2(); ++j) {
      EXPECT_NEAR(zval[i][j][znumber], 1.05, 1e-12) << i << " " << j;
      EXPECT_NEAR(zval[i][j][znumber + 1], 1.05, 1e-12);
      EXPECT_NEAR(Surfaces[4][i][j], 0.05, 1e-12);
    }
  EXPECT_EQ(zval[g.i2() + 1][g.j2()][znumber], outside);
}

// Two updated blocks that share a line of grid points move those points
// once, not once per block.
TEST(CornerLevels, APointSharedByTwoBlocksMovesOnce) {
  InProjectDir d;
  const SmallGrid g = basin(0.1);
  RelaxSurface = 1.0;
  BlockRecord& b1 = block[1];
  block[2] = b1;
  b1.i2 = 3;  // columns 2..3
  block[2].i1 = 4;  // columns 4..5; grid line 3 is shared
  NoBlocks = 2;
  SurfUpdate[1] = SurfUpdate[2] = 1;
  surfaceUpdate();
  for (int j = g.j1() - 1; j <= g.j2(); ++j) EXPECT_NEAR(zval[3][j][znumber], 1.1, 1e-12) << j;
}

// Froude damping of F 346 acts on falling levels only: at a mean Froude
// number of 1 or more F 346 1 keeps 0.0001 of the fall; a rise is never damped.
TEST(CornerLevels, FroudeDampingOfFallingLevels) {
  InProjectDir d;
  struct Case {
    int f346;
    double value, froude, change;
  };
  const Case cases[] = {{1, -0.1, 0.5, -0.1 * 0.5},  {1, -0.1, 1.5, -0.1 * 0.0001}, {2, -0.1, 0.2, -0.1 * 0.3},
                        {2, -0.1, 0.6, -0.1 * 0.001}, {1, 0.1, 1.5, 0.1},            {0, -0.1, 1.5, -0.1},
                        {3, -0.1, 0.5, -0.1}};
  for (const Case& k : cases) {
    const SmallGrid g = basin(k.value);
    RelaxSurface = 1.0;
    FlagFroudeDamp = k.f346;
    for (int b = 1; b <= NoBCells; ++b) BFroude[b] = k.froude;
    surfaceUpdate();
    EXPECT_NEAR(zval[3][3][znumber] - 1.0, k.change, 1e-12) << k.f346 << " " << k.froude;
  }
}

// F 36 9: the column values are levels, relaxed towards the old level by
// F 466; relaxCasulli 1 keeps every level.
TEST(CornerLevels, LevelsOfTheCasulliMethod) {
  InProjectDir d;
  basin(1.2);
  FlagTFS = 9;
  relaxCasulli = 0.25;
  surfaceUpdate();
  EXPECT_NEAR(zval[3][3][znumber], 0.75 * 1.2 + 0.25 * 1.0, 1e-12);
  basin(1.2);
  relaxCasulli = 1.0;
  surfaceUpdate();
  EXPECT_NEAR(zval[3][3][znumber], 1.0, 1e-12);
}

// F 36 9 with new column levels within 0.1 % of the depth of the old ones:
// nothing moves, and the F 381 clamp is not applied either.
TEST(CornerLevels, SettledCasulliLevelsLeaveTheGridAlone) {
  InProjectDir d;
  const SmallGrid g = basin(1.0005);
  FlagTFS = 9;
  FlagFlushWaterLevel = 1;
  FlushWaterLevelMin = 0.0;
  FlushWaterLevelMax = 0.5;
  surfaceUpdate();
  EXPECT_EQ(zval[3][3][znumber], 1.0);
  basin(1.05);
  surfaceUpdate();
  EXPECT_EQ(zval[3][3][znumber], 0.5);
  (void)g;
}

// F 381 clamps the levels of block 1 only; slot znumber + 1 keeps the
// unclamped level.
TEST(CornerLevels, FlushLimitsClampBlockOneOnly) {
  InProjectDir d;
  const SmallGrid g = basin(0.1);
  RelaxSurface = 1.0;
  block[2] = block[1];
  block[1].i2 = 3;
  block[2].i1 = 4;
  NoBlocks = 2;
  SurfUpdate[2] = 1;
  FlagFlushWaterLevel = 1;
  FlushWaterLevelMin = 0.0;
  FlushWaterLevelMax = 1.08;
  surfaceUpdate();
  EXPECT_NEAR(zval[2][3][znumber], 1.08, 1e-12);
  EXPECT_NEAR(zval[2][3][znumber + 1], 1.1, 1e-12);
  EXPECT_NEAR(zval[5][3][znumber], 1.1, 1e-12);
  (void)g;
}

// A column value that is not a number writes the three lines of the
// location and ends the run with status -99.
TEST(CornerLevelsDeathTest, ANaNColumnValueStopsTheRun) {
  GTEST_FLAG_SET(death_test_style, "fast");
  InProjectDir d;
  const SmallGrid g = basin(0.1);
  Cf[g.cell(3, 3, 1)] = std::nan("");
  EXPECT_EXIT(surfaceUpdate(), ::testing::ExitedWithCode(256 - 99), "");
  const std::string log = d.dir().boogie();
  EXPECT_NE(log.find("Error in surface update. index = 4, pres = nan\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Location i=2, j=2, zval[0] = 1, 7, 9, 3\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Cpres[i1-4] = "), std::string::npos) << log;
}

// F 369 1 and a level above 10000 m: the two lines, the restart file and the
// 3-D result file, status -1. A level that is not a number elsewhere is
// named in the log and written as 1000.0.
TEST(CornerLevelsDeathTest, AnImplausibleLevelWritesTheStateAndStops) {
  GTEST_FLAG_SET(death_test_style, "fast");
  InProjectDir d;
  const SmallGrid g = basin(0.0);
  FlagBugFind = 1;
  zval[3][3][znumber] = 20000.0;
  zval[5][4][znumber] = std::nan("");
  EXPECT_EXIT(surfaceUpdate(), ::testing::ExitedWithCode(255), "");
  const std::string log = d.dir().boogie();
  EXPECT_NE(log.find("surfaceUpdate: Bug found for z values in grid: (3,3), Iter = 0\nZ levels: 0.000000 20000.000000\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Warning: the water level of grid point (5,4) is not a number; the restart file holds 1000.0 there\n"),
            std::string::npos)
      << log;
  EXPECT_TRUE(d.dir().exists("alldata.0")) << log;
  EXPECT_TRUE(d.dir().exists("ParaView3U.vtk")) << log;
  (void)g;
}

// Downwind weights: with every velocity pointing away from a grid point each
// present column weighs 1e-10, so the point moves by the plain mean times
// RelaxSurface; with the flow towards the point the upstream column governs.
TEST(CornerLevels, DownwindUpdate) {
  InProjectDir d;
  const SmallGrid g = basin(0.0);
  RelaxSurface = 0.5;
  // Point (3, 3) at x = 2, y = 2; its columns A (3,3) SW, B (3,4) NW, C (4,4)
  // NE, D (4,3) SE.
  const int A = g.cell(3, 3, 1), B = g.cell(3, 4, 1), C = g.cell(4, 4, 1), D = g.cell(4, 3, 1);
  Cf[A] = 0.1;
  Cf[B] = 0.2;
  Cf[C] = 0.3;
  Cf[D] = 0.6;
  Cxvel[A] = -1, Cyvel[A] = -1;
  Cxvel[B] = -1, Cyvel[B] = 1;
  Cxvel[C] = 1, Cyvel[C] = 1;
  Cxvel[D] = 1, Cyvel[D] = -1;
  surfaceUpdateDownwind();
  EXPECT_NEAR(zval[3][3][znumber], 1.0 + 0.5 * 0.3, 1e-9);
  EXPECT_NEAR(zval[3][3][znumber + 1], zval[3][3][znumber], 0.0);
  basin(0.0);
  for (int c = 1; c <= NoCells; ++c) Cxvel[c] = Cyvel[c] = 0.0;
  Cf[A] = 0.1;
  Cf[D] = 0.6;
  Cxvel[A] = 1;  // A's centre lies south-west: the point is downstream of it
  surfaceUpdateDownwind();
  EXPECT_NEAR(zval[3][3][znumber], 1.0 + 0.5 * 0.1, 1e-9);
}

// F 229 1 raises the grid points of a side across which the flow leaves a
// column towards a dry column, never lowers one, and leaves the outer
// columns of the block alone.
TEST(CornerLevels, PreventDivergenceNeverLowersALevel) {
  InProjectDir d;
  const SmallGrid g = basin(0.0);
  FlagPreventDiv = 1;
  TimeStep = 10.0;
  ManningInit = 30.0;
  // Column (4, 3) is interior; column (5, 3) east of it is made dry.
  zval[5][3][0] = 0;
  const int c = g.cell(4, 3, 1), t = g.cell(4, 3, 2);
  (void)c;
  Cxvel[t] = 1.0;
  // Top level of t is 1 m; the east points lie at 0.8 m and 1.5 m.
  zval[4][3][znumber] = zval[4][3][znumber + 1] = 0.8;
  zval[4][2][znumber] = zval[4][2][znumber + 1] = 1.5;
  surfacePreventDiv();
  // S = 1 / (30 * 0.5^(2/3) / 1)^2, zf = 1 - 0.5 S, Courant 10 > 1: g = 1.
  const double S = 1.0 / std::pow(30.0 * std::pow(0.5, 0.666667) / 1.0 + 1e-20, 2.0);
  EXPECT_NEAR(zval[4][3][znumber], 1.0 - 0.5 * S, 1e-9);
  EXPECT_NEAR(zval[4][3][znumber + 1], zval[4][3][znumber], 0.0);
  EXPECT_EQ(zval[4][2][znumber], 1.5);
  // Flow west, away from the dry side, or a dry side of the outer column:
  // nothing changes.
  basin(0.0);
  zval[5][3][0] = 0;
  Cxvel[t] = -1.0;
  zval[4][3][znumber] = 0.8;
  surfacePreventDiv();
  EXPECT_EQ(zval[4][3][znumber], 0.8);
}
