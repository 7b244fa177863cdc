// The lowest allowed water levels of block 1 (F 371 1..47), the rise of the
// grid lines to them and the lowering of stagnant shallow ponds (F 379).
#include "grid/gridsplit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>

#include "grid/generate.h"
#include "grid/geometry.h"
#include "grid/grid_builder.h"
#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "surface/backwater.h"
#include "surface/surface.h"

namespace {

class GridSplit : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::make_unique<InProjectDir>();
    setRunStateInitial();
  }
  void TearDown() override {
    dir_.reset();
    setRunStateInitial();
  }
  const CaseDir& dir() const { return dir_->dir(); }

  // Block of nx x 5 columns 1 m square, flat bed at 0, 1 m of water, with the
  // grid-split arrays of F 371 `variant`.
  static void build(int variant, int nx = 6) {
    FlagNoGridSplit = variant;
    BlockGrid g;
    g.nx = nx;
    g.ny = 5;
    g.prepare();
    ASSERT_EQ(UnstructureBuild(), 1);
    metric();
    BedMake();
    ASSERT_GT(NoCells, 0);
    ASSERT_EQ(Bminwaterlevel != nullptr, variant > 0);
    MinVertDist0 = 0.01;
    MinVertDist1 = 0.2;
  }
  static double minLevel(int i, int j) { return Bminwaterlevel[pointbed[i][j]]; }
  static void setSpeed(int i, int j, double u) {
    forColumnUp(lowestCellOf(i, j), [u](int c) { Cxvel[c] = u; });
  }

 private:
  std::unique_ptr<InProjectDir> dir_;
};

}  // namespace

TEST(GridSplitMargin, TableOfTheFirstValue) {
  MinVertDist0 = 0.01;
  MinVertDist1 = 0.2;
  struct Row {
    int v;
    double dh;
  } rows[] = {{0, 0.05},   {1, 0.015}, {2, 0.01},  {3, 0.005}, {4, 0.4},  {5, 0.03},  {6, 0.6},
              {7, 0.05},   {12, 0.015}, {14, 0.005}, {18, 0.2}, {26, 0.02}, {36, 0.015}, {60, 0.0},
              {61, 0.011}, {63, 2.0},   {65, 0.01}, {66, 0.05}};
  for (const Row& r : rows) EXPECT_NEAR(gridSplitMargin(r.v), r.dh, 1e-12) << r.v;
  DischargeStruct[1].discharge = 9810.0;  // l/s: (9.81 / 9.81)^(1/3) = 1 m
  solverFroudeLimit = 1.0;
  EXPECT_NEAR(gridSplitMargin(64), 1.0, 1e-6);
  DischargeStruct[1].discharge = 0.0;
  MinVertDist0 = -0.001;
  MinVertDist1 = 0.01;
}

// F 371 1: the flowing grid lines of every cross-section have beds 0.2, 0.1
// and 0.3 m (a lower line at 0.0 does not flow), so every column gets 0.3 m
// plus 1.5 MinVertDist0, and the margin for the solver follows the second
// lowest line (0.2 m, water at 1 m).
TEST_F(GridSplit, DeepestFlowingLinesKeepThreeLinesWet) {
  build(1);
  const BlockRecord& B = block[1];
  for (int i = 0; i <= xnumber + 1; ++i) {
    zval[i][2][1] = 0.2;
    zval[i][3][1] = 0.1;
    zval[i][4][1] = 0.3;
    zval[i][5][1] = 0.0;
  }
  for (int i = B.i1; i <= B.i2; ++i) {
    setSpeed(i, 2, 0.5);
    setSpeed(i, 3, 0.5);
  }
  NoGridSplit();
  for (int i = B.i1; i <= B.i2; ++i)
    for (int j = B.j1; j <= B.j2; ++j) {
      EXPECT_NEAR(minLevel(i, j), 0.3 + 1.5 * 0.01, 1e-12) << i << " " << j;
      EXPECT_NEAR(Bminlevdh[pointbed[i][j]], 0.2 + 0.015 - 1.0, 1e-12);
    }
  // Two flowing lines only: the level of the rule without three lines.
  for (int i = B.i1; i <= B.i2; ++i) setSpeed(i, 3, 0.0);
  NoGridSplit();
  EXPECT_NEAR(minLevel(B.i1, B.j1), 0.015 - 10.0, 1e-12);
  EXPECT_NEAR(Bminlevdh[pointbed[B.i1][B.j1]], 0.015 - 10.0, 1e-12);
}

// F 371 9 ends every cross-section within 0.01 of its Froude limit; a
// cross-section without a wet column is passed over instead of searching
// from 1e20.
TEST_F(GridSplit, FroudeLimitLevelOfEachCrossSection) {
  build(9);
  FroudeSplit = 0.5;
  DischargeArray[1] = 2000.0;  // l/s
  const BlockRecord& B = block[1];
  const int dry = B.i1 + 1;
  for (int j = B.j1; j <= B.j2; ++j) {
    Bminwaterlevel[pointbed[dry][j]] = -1000.0;
    zval[dry][j][0] = 0.0;
  }
  NoGridSplit();
  for (int i = B.i1; i <= B.i2; ++i) {
    const double z = minLevel(i, B.j1);
    if (i == dry) {
      EXPECT_EQ(z, -1000.0);
      continue;
    }
    EXPECT_NEAR(computeFroude(i, 2.0, z), 0.5, 0.01) << i;
    for (int j = B.j1; j <= B.j2; ++j) EXPECT_EQ(minLevel(i, j), z);
  }
  EXPECT_EQ(dir().boogie().find("algorithm failed"), std::string::npos) << dir().boogie();
}

// F 371 8: a stretch without discharge gets its mean level less its
// hydraulic depth (the bed of a flat channel); with a discharge above the
// Froude limit the level lies above the water.
TEST_F(GridSplit, WetStretchesAtTheFroudeLimit) {
  build(8);
  FroudeSplit = 0.5;
  NoGridSplit();
  EXPECT_NEAR(minLevel(block[1].i1, block[1].j1), 0.0, 1e-9);
  // 10 m3/s through a 5 m x 1 m section: Fr = 2 / sqrt(9.81) = 0.64.
  for (int f = 1; f <= NoSurfaces; ++f) Fflux[f] = 0.0;
  for (int c = 1; c <= NoCells; ++c) {
    Fflux[Cflatee[c]] = 1000.0 * 10.0 * Careax[c] / 5.0;
    Fflux[Cflatew[c]] = Fflux[Cflatee[c]];
  }
  NoGridSplit();
  const double fr = 2.0 / std::sqrt(9.81);
  const double r = std::pow(0.5 / fr, 0.666667);
  EXPECT_NEAR(minLevel(block[1].i1 + 1, block[1].j1), 1.0 - (1.0 - 1.0 / r) * 1.0, 0.01);
  EXPECT_GT(minLevel(block[1].i1 + 1, block[1].j1), 1.0);
}

// F 371 36: a column whose steepest bed pressure gradient exceeds the margin
// gets the reduced margin for itself only; a later, steeper column gets the
// whole margin.
TEST_F(GridSplit, PressureGradientMarginIsPerColumn) {
  build(36, 8);
  const double dh = 0.015;
  for (int c = 1; c <= NoCells; ++c) Cpres[c] = 0.0;
  // Gradient = dp / (20 x 0.5 x 9810) at the spike and its side neighbours.
  auto spike = [](int i, int j, double g) { Cpres[lowestCellOf(i, j)] = g * 20.0 * 0.5 * 9810.0; };
  spike(3, 3, 1.2 * dh);
  spike(7, 3, 3.0 * dh);
  NoGridSplit();
  EXPECT_NEAR(minLevel(3, 3), 0.2 * dh, 1e-9);
  EXPECT_NEAR(minLevel(7, 3), dh, 1e-9);
  EXPECT_NEAR(minLevel(4, 3), 0.2 * dh, 1e-9);  // beside the first: the same gradient
  EXPECT_NEAR(minLevel(5, 5), -1000.0, 1e-9);
}

// F 371 12 with F 444 1: the nine rows around the fastest one fall from
// base + dh to base + 0.2 dh.
TEST_F(GridSplit, FastestRowKeepsItsNeighbours) {
  build(12, 6);
  FlagGrid13 = 1;
  const BlockRecord& B = block[1];
  for (int i = B.i1; i <= B.i2; ++i) setSpeed(i, 4, 1.0);
  NoGridSplit();
  const double dh = 0.015;
  for (int j = B.j1; j <= B.j2; ++j)
    EXPECT_NEAR(minLevel(B.i1 + 2, j), (1.0 - 0.2 * std::abs(j - 4)) * dh, 1e-12) << j;
}

// F 371 10: a column above the Froude limit is held at its critical-type
// depth above the bed, its side neighbours at 0.6 of it.
TEST_F(GridSplit, ColumnFroudeAboveTheLimit) {
  build(10, 6);
  FroudeSplit = 1.0;
  const int b = pointbed[4][4];
  BFroude[b] = 2.0;
  Bdepth[b] = 0.5;
  NoGridSplit();
  const double hc = std::pow(std::pow(0.5, 1.5) * 2.0, 0.6666666667);
  EXPECT_NEAR(minLevel(4, 4), hc, 1e-9);
  EXPECT_NEAR(minLevel(5, 4), 0.6 * hc, 1e-9);
  EXPECT_NEAR(minLevel(4, 5), 0.6 * hc, 1e-9);
  EXPECT_NEAR(minLevel(5, 5), -1000.0, 1e-9);
}

// A hand-made block of 4 x 5 columns for the deep path (F 371 48): the flow
// runs east along row 2; a corridor of deep columns (3, 3..6) leads north
// between dry columns to a dead end at the block border.
namespace {

void markDry(int i, int j) { zval[i][j][0] = 0; }

void deadEndCorridor() {
  for (int i = 2; i <= 5; ++i)
    for (int j = 2; j <= 6; ++j) Bdepth[pointbed[i][j]] = j == 2 ? 1.5 : i == 3 ? 3.0 : 1.0;
  for (int j = 3; j <= 6; ++j) {
    markDry(2, j);
    markDry(4, j);
    markDry(5, j);
  }
  for (int i = 2; i <= 5; ++i) forColumnUp(lowestCellOf(i, 2), [](int c) { Cxvel[c] = 1.0; });
}

}  // namespace

// The path steps one column at a time from cross-section i1 to i2 and keeps
// each of its columns dh above the mean bed; the corridor it explored and
// gave up keeps the level of its visit, but the entries beyond the final
// path are dropped and marked -100.
TEST_F(GridSplit, DeepPathBacksOutOfADeadEndAndReachesTheLastCrossSection) {
  build(48, 4);
  deadEndCorridor();
  NoGridSplit();
  const int expected[] = {pointbed[2][2], pointbed[3][2], pointbed[4][2], pointbed[5][2], 0, 0, 0};
  for (int n = 0; n < 7; ++n) EXPECT_EQ(rute[n], expected[n]) << n;
  for (int i = 2; i <= 5; ++i) EXPECT_NEAR(minLevel(i, 2), 0.05, 1e-12) << i;
  EXPECT_NEAR(minLevel(3, 3), 0.05, 1e-12);
  EXPECT_NEAR(minLevel(3, 4), 0.05, 1e-12);
  EXPECT_EQ(minLevel(3, 5), -100.0);
  EXPECT_EQ(minLevel(3, 6), -100.0);
  EXPECT_EQ(minLevel(2, 4), -1000.0);
  EXPECT_EQ(DepthBreakPath, 0.1);  // 10 MinVertDist0, kept for the run
}

// F 423 1: every path column raises its side neighbours to base + 0.8 dh;
// the raised neighbours stay open to the path, which still reaches i2 (also
// with F 423 2, which raises the diagonal neighbours as well).
TEST_F(GridSplit, RaisedNeighboursStayOpenToThePath) {
  for (int rise : {1, 2}) {
    SetArraysZero();
    setControlDefaults();
    setRunStateInitial();
    build(48, 4);
    FlagRiseNeighbours = rise;
    for (int i = 2; i <= 5; ++i)
      for (int j = 2; j <= 6; ++j) Bdepth[pointbed[i][j]] = j == 4 ? 1.5 : 1.0;
    for (int i = 2; i <= 5; ++i) forColumnUp(lowestCellOf(i, 4), [](int c) { Cxvel[c] = 1.0; });
    NoGridSplit();
    for (int n = 0; n < 4; ++n) EXPECT_EQ(rute[n], pointbed[n + 2][4]) << rise << " " << n;
    EXPECT_EQ(rute[4], 0) << rise;
    for (int i = 2; i <= 5; ++i) {
      EXPECT_NEAR(minLevel(i, 4), 0.05, 1e-12) << rise;
      EXPECT_NEAR(minLevel(i, 3), 0.04, 1e-12) << rise;
      EXPECT_NEAR(minLevel(i, 5), 0.04, 1e-12) << rise;
      EXPECT_EQ(minLevel(i, 2), -1000.0) << rise;
    }
    FlagRiseNeighbours = 0;
  }
}

// Without flow through the first cross-section the path starts from its
// deepest wet column (here column (2, 5), made deeper by hand).
TEST_F(GridSplit, StillWaterStartsThePathAtTheDeepestColumn) {
  build(48, 4);
  forColumnUp(lowestCellOf(2, 5), [](int c) { Ckdist[c] *= 1.5; });
  NoGridSplit();
  EXPECT_EQ(rute[0], pointbed[2][5]);
  EXPECT_NEAR(minLevel(2, 5), 0.05, 1e-12);
}

// F 351 2 after a path: the Froude-limit level of each path column is the
// margin cut to whole metres less the height of its water column: the
// margin 0.05 m passes 0, so each column gets -1 m (its 1 m of water).
TEST_F(GridSplit, FroudeLimitLevelOfThePathCutsTheMargin) {
  solverFroude = 2;
  build(48, 4);
  ASSERT_NE(BLevFroude, nullptr);
  for (int i = 2; i <= 5; ++i) forColumnUp(lowestCellOf(i, 4), [](int c) { Cxvel[c] = 1.0; });
  NoGridSplit();
  ASSERT_GT(rute[0], 0);
  for (int n = 0; n < 10 && rute[n] > 0; ++n) EXPECT_NEAR(BLevFroude[rute[n]], -1.0, 1e-9) << n;
  // A margin of whole metres reaches the level: 2 m less the 1 m column.
  computeSurfLevFroude(2);
  for (int n = 0; n < 10 && rute[n] > 0; ++n) EXPECT_NEAR(BLevFroude[rute[n]], 1.0, 1e-9) << n;
  solverFroude = 0;
}

// F 407 1: each cross-section through a path column that flows faster than
// critical gets zb + D Fr^0.4 in all its wet columns, Fr from every cell of
// the columns and the full widths of their top cells: 5 columns of 1 m x 1 m
// carrying V = 2 sqrt(9.81) m/s give Fr = 2.
TEST_F(GridSplit, SupercriticalSectionsOfThePathGetTheirCriticalLevel) {
  build(48, 4);
  FlagCriticalCross = 1;
  const double V = 2 * std::sqrt(9.81);
  for (int f = 1; f <= NoSurfaces; ++f) Fflux[f] = std::fabs(Fax[f]) > 1e-9 ? 1000 * V * std::fabs(Fax[f]) : 0.0;
  for (int i = 2; i <= 5; ++i) forColumnUp(lowestCellOf(i, 4), [](int c) { Cxvel[c] = 1.0; });
  NoGridSplit();
  ASSERT_GT(rute[0], 0);
  for (int n = 0; n < 20 && rute[n] > 0; ++n) {
    const int i = Bkooi[rute[n]];
    for (int j = 2; j <= 6; ++j) EXPECT_NEAR(minLevel(i, j), std::pow(2.0, 0.4), 1e-6) << i << " " << j;
  }
  FlagCriticalCross = 0;
}

// The rise lifts both level slots of a grid line to the largest lowest level
// of its wet columns; it never lowers, and -100 or below is no limit.
TEST_F(GridSplit, RiseLiftsTheLinesAroundALimitedColumn) {
  build(1);
  for (int b = 1; b <= NoBCells; ++b) Bminwaterlevel[b] = -1000.0;
  Bminwaterlevel[pointbed[4][4]] = 1.3;
  Bminwaterlevel[pointbed[2][2]] = 0.5;   // below the water: no change
  Bminwaterlevel[pointbed[6][6]] = -100;  // given up
  NoGridSplitRise();
  for (int i : {3, 4})
    for (int j : {3, 4}) {
      EXPECT_DOUBLE_EQ(zval[i][j][znumber], 1.3);
      EXPECT_DOUBLE_EQ(zval[i][j][znumber + 1], 1.3);
    }
  EXPECT_DOUBLE_EQ(zval[5][4][znumber], 1.0);
  EXPECT_DOUBLE_EQ(zval[1][1][znumber], 1.0);
  EXPECT_DOUBLE_EQ(zval[6][6][znumber], 1.0);
}

// F 379 1: a shallow grid line around still water drops to just above the
// bed (slot znumber only); still-standing water with no turbulence at all,
// turbulence at the limit and deep water stay.
TEST_F(GridSplit, StagnantShallowPondsAreLowered) {
  build(0);
  for (int i = 0; i <= xnumber + 1; ++i)
    for (int j = 0; j <= ynumber + 1; ++j) zval[i][j][znumber] = zval[i][j][znumber + 1] = 0.04;
  zval[5][5][znumber] = zval[5][5][znumber + 1] = 1.0;
  for (int c = 1; c <= NoCells; ++c) Ckinen[c] = 1e-6;  // 300 k = 3e-4
  const int still = lowestCellOf(2, 2);
  // Grid line (1, 1) has column (2, 2) as its only wet corner column.
  Ckinen[still] = 0.0;
  Ckinen[lowestCellOf(3, 2)] = 0.001 / 300.0;  // at the limit
  FlagReducePonds = 1;
  reducePonds();
  EXPECT_DOUBLE_EQ(zval[4][4][znumber], 0.005);
  EXPECT_DOUBLE_EQ(zval[4][4][znumber + 1], 0.04);
  EXPECT_DOUBLE_EQ(zval[5][5][znumber], 1.0);
  EXPECT_DOUBLE_EQ(zval[1][1][znumber], 0.04);
  EXPECT_DOUBLE_EQ(zval[2][1][znumber], 0.04);
}

// The regridding tail raises the lines before the grid is built again,
// unless F 351 2 holds the levels itself; F 379 1 lowers the ponds there.
TEST_F(GridSplit, TailRaisesTheLinesUnlessF351Two) {
  for (int froude : {0, 2}) {
    SCOPED_TRACE(froude);
    SetArraysZero();
    setControlDefaults();
    build(1);
    FlagTSC = 1;  // a sediment run keeps its grid here
    solverFroude = froude;
    for (int b = 1; b <= NoBCells; ++b) Bminwaterlevel[b] = -1000.0;
    Bminwaterlevel[pointbed[4][4]] = 1.3;
    // The tail ends in ways that need a whole run; it runs in a copy of this
    // process, which ends with 7 when the line stood at the level expected.
    const double expected = froude == 2 ? 1.0 : 1.3;
    EXPECT_EXIT(
        {
          computeTailSurf();
          std::exit(zval[4][4][znumber] == expected ? 7 : 8);
        },
        ::testing::ExitedWithCode(7), "");
    solverFroude = 0;
    FlagTSC = 0;
    FlagNoGridSplit = 0;
  }
}

// A flume with a deep middle row (lines j = 3, 4 at 0, the banks at 0.5 m),
// all of it flowing: F 371 1 holds every column at the banks plus the
// margin. When the reference falls to 0.2 m, below the banks, the rise before
// the next build keeps three wet grid lines (and cells) in every section;
// without it only the two deep lines stay wet.
TEST_F(GridSplit, LoweredReferenceLeavesThreeWetLines) {
  for (bool rise : {true, false}) {
    SCOPED_TRACE(rise);
    SetArraysZero();
    setControlDefaults();
    FlagNoGridSplit = 1;
    BlockGrid g;
    g.nx = 10;
    g.ny = 5;
    g.bed = [](int, int j) { return j == 3 || j == 4 ? 0.0 : 0.5; };
    g.water = [](int, int) { return 0.8; };
    g.prepare();
    ASSERT_EQ(UnstructureBuild(), 1);
    metric();
    BedMake();
    for (int c = 1; c <= NoCells; ++c) Cxvel[c] = 0.5;
    NoGridSplit();
    const BlockRecord& B = block[1];
    for (int i = B.i1 - 1; i <= B.i2; ++i)
      for (int j = B.j1 - 1; j <= B.j2; ++j) zval[i][j][znumber] = zval[i][j][znumber + 1] = 0.2;
    if (rise) NoGridSplitRise();
    ASSERT_EQ(UnstructureBuild(), 1);
    for (int i = B.i1; i <= B.i2; ++i) {
      int wetLines = 0, cells = 0;
      for (int j = B.j1 - 1; j <= B.j2; ++j)
        if (zval[i][j][znumber] - zval[i][j][1] > MinVertDist0) ++wetLines;
      for (int j = B.j1; j <= B.j2; ++j) cells += lowestCellOf(i, j) != 0;
      if (rise) {
        EXPECT_GE(wetLines, 3) << "section " << i;
        EXPECT_GE(cells, 3) << "section " << i;
      } else {
        EXPECT_EQ(wetLines, 2) << "section " << i;
      }
    }
  }
}

// The critical-depth rule that no variant selects: 0.9 of 1111.1 l/s (no
// flux through the faces) over 5 m width at Froude 1 gives the critical
// depth (1 / (25 g))^(1/3) above the lowest cell bottom.
TEST_F(GridSplit, CriticalDepthRule) {
  build(1);
  for (int f = 1; f <= NoSurfaces; ++f) Fflux[f] = 0.0;
  DischargeArray[1] = 1000.0 / 0.9;
  FroudeSplit = 1.0;
  computeMinwaterlevel3();
  EXPECT_NEAR(minLevel(block[1].i1, block[1].j1), std::cbrt(1.0 / (25.0 * 9.81)), 1e-6);
}

// F 371 24: a single-cell column holds the velocity head of its west face,
// at most the margin, above its east bottom corners.
TEST_F(GridSplit, SingleCellColumnKeepsItsVelocityHead) {
  build(24, 6);
  for (int i = 0; i <= xnumber + 1; ++i)
    for (int j = 0; j <= ynumber + 1; ++j) zval[i][j][znumber] = 0.015;  // shallow: one cell per column
  ASSERT_EQ(UnstructureBuild(), 1);
  metric();
  BedMake();
  MinVertDist0 = 0.01;
  const int c = lowestCellOf(4, 4);
  ASSERT_NE(c, 0);
  ASSERT_EQ(Ccellt[c], 0);
  for (int f = 1; f <= NoSurfaces; ++f) Fflux[f] = 0.0;
  Fflux[Cflatew[c]] = 1000.0 * 0.2 * Farea[Cflatew[c]];  // 0.2 m/s
  NoGridSplit();
  EXPECT_NEAR(minLevel(4, 4), 0.04 / 9.81, 1e-9);
  EXPECT_NEAR(minLevel(5, 4), 0.04 / 9.81, 1e-9);  // the east neighbour, one cell as well
  EXPECT_NEAR(minLevel(3, 3), 0.0, 1e-9);          // no flow: the bed itself
}
