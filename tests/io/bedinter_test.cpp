// Bed levels of the grid lines from the terrain points, nested bed levels and
// the deletion triangle.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "state/log.h"
#include "io/modelfiles.h"
#include "io/terrain.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/terrain.h"
#include "support/in_dir.h"
#include "support/terrain_grid.h"

namespace {

std::string geodata(const std::vector<std::vector<double>>& pts) {
  std::string t;
  char line[120];
  for (const auto& p : pts) {
    std::snprintf(line, sizeof line, "E %.17g %.17g %.17g\n", p[0], p[1], p[2]);
    t += line;
  }
  return t;
}

// Around grid line (2, 2) at (10, 10): one point per quadrant at the
// distances 5, 7, sqrt 2 and sqrt 8 with the levels 1, 2, 3, 4.
const std::vector<double> kNE{13, 14, 1}, kNW{5.8, 15.6, 2}, kSW{9, 9, 3}, kSE{12, 8, 4};

}  // namespace

// The level of the grid line by the quadrants that hold a point, computed by
// hand from the distances (see the points above).
TEST(Bedinter, LevelOfOneGridLineByTheQuadrantsFound) {
  struct Case {
    const char* name;
    std::vector<std::vector<double>> points;
    int bedInterpol;
    double limit;  // InterALimit
    double expect;
    bool warned;
  };
  const Case cases[] = {
      {"four quadrants, inverse distance", {kNE, kNW, kSW, kSE}, 0, 1e10, 2.865121897471686, false},
      {"four quadrants, F 129 1", {kNE, kNW, kSW, kSE}, 1, 1e10, 2.900784526970102, false},
      {"NE and SW", {kNE, kSW}, 0, 1e10, 2.559037581576915, false},
      {"NW and SE with NE", {kNE, kNW, kSE}, 0, 1e10, 3.424439518379350, false},
      {"NE and NW only: their mean", {kNE, kNW}, 0, 1e10, 1.5, true},
      {"points straight north and east are NE", {{10, 13, 1}, kSW}, 0, 1e10, 2.359245517965919, false},
      {"", {{13, 10, 1}, kSW}, 0, 1e10, 2.359245517965919, false},
      {"a point on the grid line", {kNE, kNW, kSW, kSE, {10, 10, 7}}, 0, 1e10, 7.0, false},
      {"a tie in one quadrant: the earlier point", {{13, 14, 1}, {14, 13, 9}}, 0, 1e10, 1.0, true},
      {"nearer point later in the file", {{13, 14, 1}, {11, 11, 9}}, 0, 1e10, 9.0, true},
      {"InterALimit 5, every point 6 m away", {{13.6, 14.8, 1}, {5.2, 13.6, 2}, {6.4, 5.2, 3}, {14.8, 6.4, 4}}, 0, 5,
       -5.0, false},
      {"InterALimit 7, every point 6 m away", {{13.6, 14.8, 1}, {5.2, 13.6, 2}, {6.4, 5.2, 3}, {14.8, 6.4, 4}}, 0, 7,
       2.5, false},
      {"InterALimit above 10000 is no radius", {{7210, 9610, 1}, {-9590, 7210, 2}, {-7190, -9590, 3}, {9610, -7190, 4}},
       0, 10001, 2.5, false},
      {"InterALimit 10000 is a radius", {{7210, 9610, 1}, {-9590, 7210, 2}, {-7190, -9590, 3}, {9610, -7190, 4}}, 0,
       10000, -5.0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InProjectDir p;
    TerrainGrid{}.build();
    FlagBedInterpol = c.bedInterpol;
    InterALimit = c.limit;
    p.dir().write("geodata", geodata(c.points));
    EXPECT_EQ(bedinter(), 0);
    EXPECT_NEAR(zval[2][2][1], c.expect, 1e-12);
    EXPECT_EQ(Surfaces[0][2][2], zval[2][2][1]);  // the interpolated bed starts the bed changes
    const std::string log = p.dir().read("boogie.bed");
    EXPECT_EQ(log.find("\nWarning, using approximate value for i,j=2 2\nWarning, scewed value for i,j=2 2\n") !=
                  std::string::npos,
              c.warned)
        << log;
    EXPECT_STREQ(mc_message, "Finished bed interpolation");
  }
}

// Only blocks marked for interpolation: bedFlag 1, not kind 1, grid level 0.
TEST(Bedinter, OnlyTheBlocksMarkedForIt) {
  struct Case {
    int bedFlag, kind, gridLevel;
    bool interpolated;
  };
  for (const Case& c : {Case{1, 0, 0, true}, Case{0, 0, 0, false}, Case{1, 1, 0, false}, Case{1, 2, 0, true},
                        Case{1, 0, 1, false}}) {
    InProjectDir p;
    TerrainGrid{}.build();
    block[1].bedFlag = c.bedFlag, block[1].kind = c.kind, block[1].gridLevel = c.gridLevel;
    p.dir().write("geodata", geodata({kNE, kNW, kSW, kSE}));
    bedinter();
    EXPECT_EQ(zval[2][2][1] != -5.0, c.interpolated) << c.bedFlag << c.kind << c.gridLevel;
  }
}

// Without a terrain file the levels stay, and the run is told so.
// Letter V without a terrain file has nothing to interpolate from: the run
// ends with a failure instead of keeping the levels as if interpolated.
TEST(Bedinter, NoTerrainFileEndsTheRun) {
  GTEST_FLAG_SET(death_test_style, "fast");
  InProjectDir p;
  TerrainGrid{}.build();
  EXPECT_EXIT(bedinter(), ::testing::ExitedWithCode(252), "");
  EXPECT_NE(p.dir().boogie().find("Error: run letter V needs terrain points, and there is no terrain-point file"),
            std::string::npos);
}

// Points loaded before (by an earlier letter) are used without reading again.
TEST(Bedinter, PointsAlreadyLoadedAreUsed) {
  InProjectDir p;
  TerrainGrid{}.build();
  p.dir().write("geodata", geodata({kNE, kSW}));
  ASSERT_EQ(readGeodata(), 0.0);
  p.dir().write("geodata", geodata({kNE, kNW, kSW, kSE}));
  bedinter();
  EXPECT_NEAR(zval[2][2][1], 2.559037581576915, 1e-12);
}

// F 535: block 1's bed levels become the non-erodible level, and every
// interpolated line lies the offset above it.
TEST(Bedinter, NonErodibleLevelWithF535) {
  InProjectDir p;
  TerrainGrid{}.build();
  FlagMakeKoomin = 2;
  InterALimit = 1.0;
  p.dir().write("geodata", geodata({{10.5, 10.5, 1}, {9.5, 9.5, 3}}));
  bedinter();
  EXPECT_DOUBLE_EQ(zval[2][2][1], 2.0);
  EXPECT_DOUBLE_EQ(Surfaces[3][2][2], 0.0);
  EXPECT_DOUBLE_EQ(Surfaces[3][1][1], -5.0);
  EXPECT_DOUBLE_EQ(zval[1][1][1], -5.0);
}

// Debug letter D: a point nearer than InterLimit gives its level, the
// quadrants tried SE, SW, NW, NE; every line logs where its level came from.
TEST(Bedinter, ExactValuesAndDetailsWithDebugD) {
  for (char letter : {'D', 'N'}) {
    SCOPED_TRACE(letter);
    InProjectDir p;
    TerrainGrid{}.build();
    debugging = letter;
    p.dir().write("geodata", geodata({{10.01, 10.01, 7}, {10.01, 9.99, 8}, kNW, kSW}));
    bedinter();
    const std::string log = p.dir().read("boogie.bed");
    if (letter == 'D') {
      EXPECT_EQ(zval[2][2][1], 8.0);
      EXPECT_NE(log.find("Using exact value for 2 2: 8.000000\n"), std::string::npos) << log;
      // Line (1, 1) at (0, 0) has every point to its north-east, the nearest
      // being point 3 (9, 9).
      EXPECT_NE(log.find("Interpolation point (     1,     1) from      3     -1     -1     -1\n"), std::string::npos)
          << log;
      EXPECT_NE(log.find("Details point (1,1) z-value: 3.000000 d: 12.727922 10000000000.000000"), std::string::npos)
          << log;
    } else {
      EXPECT_GT(zval[2][2][1], 7.0);
      EXPECT_LT(zval[2][2][1], 8.0);
      EXPECT_EQ(log.find("Using exact"), std::string::npos);
      EXPECT_EQ(log.find("Details"), std::string::npos);
    }
  }
}

// F 129 2: lines farther than twice the column width from every point are
// filled from their row, a filled line serving the lines after it; every
// interpolated block is filled; a line nothing can fill keeps its level.
TEST(Bedinter, FillInWithF129) {
  InProjectDir p;
  TerrainGrid g;
  g.nx = 4, g.ny = 5;
  g.build();
  block[1].j2 = 3;  // grid lines j 1..3
  NoBlocks = 2;
  block[2] = block[1];
  block[2].j1 = 6, block[2].j2 = 6;  // grid lines j 5..6
  for (int i = 1; i <= 5; ++i)
    for (int j = 1; j <= 6; ++j) armap[i][j] = 1.0;  // 2 sqrt(A) = 2 m
  FlagBedInterpol = 2;
  InterALimit = 1.0;
  // Row j 1 (y 0): points at lines 1 and 5; row j 2 (y 10) at line 1 only;
  // row j 3 (y 20): none; block 2, row j 5 (y 40): lines 1 and 5.
  p.dir().write("geodata", geodata({{0.1, 0.1, 10}, {40.1, 0.1, 20}, {0.1, 10.1, 30}, {0.1, 40.1, 40}, {40.1, 40.1, 60}}));
  bedinter();
  const double row1[5] = {10, 12.5, 15, 17.5, 20};
  for (int i = 1; i <= 5; ++i) {
    EXPECT_NEAR(zval[i][1][1], row1[i - 1], 1e-12) << i;
    EXPECT_DOUBLE_EQ(zval[i][2][1], 30.0) << i;
    EXPECT_DOUBLE_EQ(zval[i][3][1], -5.0) << i;
    EXPECT_NEAR(zval[i][5][1], 40.0 + 5.0 * (i - 1), 1e-12) << i;
    EXPECT_DOUBLE_EQ(zval[i][4][1], -5.0) << i;  // in no block
  }
  EXPECT_NE(p.dir().read("boogie.bed").find("Warning: 5 grid lines of block 1 lie far from every terrain point"),
            std::string::npos);
}

// F 129 2: a line farther than twice the width of its column (20 m here)
// from its nearest point is filled from its row (here: kept, its row has no
// level), a nearer line interpolated.
TEST(Bedinter, F129MarksLinesFartherThanTwiceTheColumnWidth) {
  InProjectDir p;
  TerrainGrid{}.build();
  FlagBedInterpol = 2;
  p.dir().write("geodata", geodata({{25, 30, 4}}));
  bedinter();
  EXPECT_EQ(zval[2][2][1], -5.0);  // 25 m away
  EXPECT_EQ(zval[3][3][1], 4.0);   // 11.2 m away
}

// A terrain file without points ends letter V, F 129 or not: the bed would
// stay as it was and the run would end as if it had been interpolated.
TEST(Bedinter, F129WithoutPointsEndsTheRun) {
  GTEST_FLAG_SET(death_test_style, "fast");
  InProjectDir p;
  TerrainGrid{}.build();
  FlagBedInterpol = 2;
  p.dir().write("geodata", "Z\n");
  EXPECT_EXIT(bedinter(), ::testing::ExitedWithCode(252), "");
  EXPECT_NE(p.dir().boogie().find("Error: run letter V needs terrain points, and the terrain-point file holds none"),
            std::string::npos)
      << p.dir().boogie();
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j) EXPECT_EQ(zval[i][j][1], -5.0) << i << " " << j;
}

TEST(BedinterDeath, TerrainPointsWithoutMemory) {
  InProjectDir p;
  TerrainGrid{}.build();
  p.dir().write("geodata", geodata({kNE, kSW}));
  alloc::setMemoryLimit(alloc::liveBytes() + 1000);
  EXPECT_EXIT(bedinter(), ::testing::ExitedWithCode(253), "");
  alloc::setMemoryLimit(0);
  EXPECT_NE(p.dir().boogie().find("Error: the arrays of the terrain points do not fit in memory"), std::string::npos)
      << p.dir().boogie();
}

TEST(BedinterDeath, LogCannotBeOpened) {
  InProjectDir p;
  TerrainGrid{}.build();
  p.dir().mkdir("boogie.bed");
  p.dir().write("geodata", geodata({kNE, kSW}));
  EXPECT_EXIT(bedinter(), ::testing::ExitedWithCode(253), "");
  EXPECT_NE(p.dir().boogie().find("Error: cannot open the log file 'boogie.bed'"), std::string::npos);
}

// A coarse grid line inside a nested block takes the bed level of the nested
// column whose lowest cell is nearest, when that lies within twice the half
// sizes of its own lowest cell; dry nested columns take no part.
TEST(Nestbedinterpol, CoarseLinesInsideANestedBlock) {
  for (bool dryNearest : {false, true}) {
    SCOPED_TRACE(dryNearest);
    InProjectDir p;
    TerrainGrid g;
    g.nx = 4;
    g.build();
    MaxCeller = 20, MaxFlater = 20, MaxPunkter = 20;
    AllocateArrays(1, 1, 1);
    NoCells = 10;
    block[1].i2 = 3;  // coarse lines 1..3, 10 m apart
    NoBlocks = 2;
    block[2] = block[1];
    block[2].i1 = 6, block[2].i2 = 7, block[2].j1 = 2, block[2].j2 = 3, block[2].nestLevel = 1;
    for (int i = 5; i <= 7; ++i)
      for (int j = 1; j <= 3; ++j) {
        xval[i][j] = 5.0 * (i - 4);
        yval[i][j] = 5.0 * (j + 0);
      }
    const int cols[4][2] = {{6, 2}, {6, 3}, {7, 2}, {7, 3}};
    const double cx[4] = {7.5, 9.0, 12.5, 12.5}, cy[4] = {7.5, 11.0, 7.5, 12.5};
    for (int k = 0; k < 4; ++k) {
      const int c = k + 1;
      zval[cols[k][0]][cols[k][1]][0] = c;
      zval[cols[k][0]][cols[k][1]][1] = 1.0 + k;
      Surfaces[1][cols[k][0]][cols[k][1]] = 0.5 + k;
      Cxcenter[c] = cx[k];
      Cycenter[c] = cy[k];
    }
    if (dryNearest) zval[6][3][0] = 0;
    zval[2][2][0] = 5;
    Cidist[5] = Cjdist[5] = 5.0;
    zval[1][1][0] = 6;
    Cidist[6] = Cjdist[6] = 5.0;
    nestbedinterpol();
    EXPECT_EQ(zval[2][2][1], dryNearest ? 1.0 : 2.0);
    EXPECT_EQ(Surfaces[1][2][2], dryNearest ? 0.5 : 1.5);
    EXPECT_EQ(zval[1][1][1], -5.0);  // outside the nested block
  }
}

TEST(DelGeodataValues, MarksPointsInsideACounterClockwiseTriangle) {
  InProjectDir p;
  p.dir().write("geodata", geodata({{1, 1, 0}, {5, 0, 0}, {6, 6, 0}, {0, 0, 0}}));
  ASSERT_EQ(readGeodata(), 0.0);
  const double x[3] = {0, 10, 0}, y[3] = {0, 0, 10};
  for (int k = 0; k < 3; ++k) xDelGeo[k + 1] = x[k], yDelGeo[k + 1] = y[k];
  EXPECT_EQ(delGeodataValues(), 0);
  EXPECT_EQ(xDelGeo[4], 0.0);
  EXPECT_EQ(ig[0], 1);
  EXPECT_EQ(ig[1], 1);  // on an edge
  EXPECT_EQ(ig[2], 0);
  EXPECT_EQ(ig[3], 1);  // a corner
  EXPECT_EQ(insideTriGeo(2), 0);

  ig[0] = ig[1] = ig[3] = 0;
  std::swap(xDelGeo[2], xDelGeo[3]);
  std::swap(yDelGeo[2], yDelGeo[3]);
  EXPECT_EQ(delGeodataValues(), -1);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(ig[k], 0);
  for (int k = 0; k < 5; ++k) xDelGeo[k] = yDelGeo[k] = 0.0;
}
