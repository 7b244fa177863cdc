// Groundwater levels in the sub-bed block: Darcy flow under a dry dam between
// two pools, the levels held under wet columns and capped under dry ones,
// the wlinit start, and the ends without a sub-bed block.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "grid/geometry.h"
#include "grid/generate.h"
#include "grid/grid_builder.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "surface/surface.h"

namespace {

// 30 x 3 columns along x: an upstream pool at 10 m over lines 1..9, a dam of
// ground level 12 m over lines 10..21, a downstream pool at 8 m over lines
// 22..31; beds 5 m in the pools; the sub-bed block reaches down to 0 m.
BlockGrid damGrid() {
  BlockGrid g;
  g.nx = 30;
  g.ny = 3;
  g.rows = 9;  // room for the sub-bed rows
  g.bed = [](int i, int) { return i >= 10 && i <= 21 ? 12.0 : 5.0; };
  g.water = [](int i, int) { return i <= 9 ? 10.0 : i >= 22 ? 8.0 : 9.0; };
  return g;
}

void prepareDam() {
  setRunStateInitial();
  FlagGroundwater = 1;
  Conductivity = 1e-4;
  TimeStep = 1e5;
  const BlockGrid g = damGrid();
  g.prepare();
  for (int i = 0; i <= xnumber; ++i)
    for (int j = 0; j <= ynumber; ++j) Surfaces[3][i][j] = 0.0;
  ASSERT_EQ(UnstructureBuild(), 1);
  ASSERT_EQ(NoBlocks, 2);
}

// Sub-bed columns of the middle row, west to east.
int subBedRow() { return block[2].j1 + 1; }
int offset() { return block[2].j2 - block[1].j2; }
double levelUnder(int i) { return Bgroundwater[pointbed[i][subBedRow()]]; }
bool wetAbove(int i) { return zval[i][subBedRow() - offset()][0] > 0; }
double waterAt(int i) {
  int c = static_cast<int>(zval[i][subBedRow() - offset()][0]);
  while (Ccellt[c] > 0) c = Ccellt[c];
  return Czcenter[c] + Ckdist[c];
}

}  // namespace

// Steady Darcy flow: under the wet columns the level is the water level
// above; under the dam, whose columns all have the same section, the head
// falls linearly (within 1 % of the 2 m between the pools), from near 10 m to
// near 8 m; the water columns above carry the same levels.
TEST(Groundwater, LinearHeadDropUnderADryDam) {
  InProjectDir dir;
  prepareDam();
  iterGlobalMax = 99;
  TransInnerIter = 40;
  groundwater();
  const int jr = subBedRow();
  std::vector<int> dam;
  for (int i = 2; i <= 31; ++i) {
    if (wetAbove(i)) {
      EXPECT_NEAR(levelUnder(i), waterAt(i), 1e-9) << i;
      EXPECT_NEAR(Bgroundwater[pointbed[i][jr - offset()]], levelUnder(i), 1e-12) << i;
    } else if (i >= 11 && i <= 21) {
      dam.push_back(i);  // all four corners on the dam
    }
  }
  ASSERT_EQ(dam.size(), 11u);
  const double first = levelUnder(dam.front()), last = levelUnder(dam.back());
  EXPECT_LT(first, 10.0);
  EXPECT_GT(last, 8.0);
  // The thicker dam section carries the same flux with a smaller gradient
  // than the thin pool edges: a good part of the 2 m falls inside it, and the
  // levels fall monotonically from pool to pool.
  EXPECT_GT(first - last, 0.5);
  for (int i = 3; i <= 31; ++i) EXPECT_LE(levelUnder(i), levelUnder(i - 1) + 1e-9) << i;
  for (std::size_t k = 0; k < dam.size(); ++k) {
    const double line = first + (last - first) * k / (dam.size() - 1.0);
    EXPECT_NEAR(levelUnder(dam[k]), line, 0.02) << dam[k];
  }
  EXPECT_NEAR(stimet, 99 * TimeStep, 1e-6);
  // No wlinit: no line about it.
  EXPECT_EQ(dir.dir().boogie().find("Have read"), std::string::npos);
}

// Under a dry column the table starts at most at the ground: the cap goes to
// the lowest cell of the column, where the equation lives, so the first step
// starts from the ground level; with no sweeps the level stays there.
TEST(Groundwater, DryColumnsAreCappedAtTheGround) {
  InProjectDir dir;
  prepareDam();
  // wlinit lists the sub-bed columns of the middle row at 20 m.
  {
    std::ofstream w(dir.dir().path() + "/wlinit");
    for (int i = 2; i <= 31; ++i) w << i << " " << subBedRow() << " " << 20.0 << "\n";
    w << "header or garbage\n" << 5 << " " << subBedRow() << " " << 1.0 << "\n";
  }
  iterGlobalMax = 1;
  TransInnerIter = 0;
  groundwater();
  EXPECT_NE(dir.dir().boogie().find("Have read 30 water level points from wlinit file\n"), std::string::npos)
      << dir.dir().boogie();
  const int c = Bcellt[pointbed[15][subBedRow()]];
  int top = c;
  while (Ccellt[top] > 0) top = Ccellt[top];
  const double ground = Czcenter[top] + Ckdist[top];
  EXPECT_NEAR(ground, 12.0, 1e-9);
  EXPECT_NEAR(levelUnder(15), ground, 1e-9);
  EXPECT_NEAR(groundwaterLevelOfCell(c), ground, 1e-9);
  EXPECT_NEAR(Bgroundwater[pointbed[15][subBedRow() - offset()]], ground, 1e-9);
}

// Records outside the block grid or on columns without a bed cell are
// skipped and not counted; a column listed twice takes the later level.
TEST(Groundwater, WlinitCountsValidRecordsOnly) {
  InProjectDir dir;
  prepareDam();
  {
    std::ofstream w(dir.dir().path() + "/wlinit");
    const int j = subBedRow();
    w << "4 " << j << " 3.5\n";
    w << "4 " << j << " 4.5\n";      // the later level
    w << "0 " << j << " 9.0\n";      // i outside
    w << "4 " << ynumber << " 9\n";  // j outside
    w << "40 2 9\n";                 // i beyond xnumber
    w << "1 1 9\n";                  // no bed cell
  }
  iterGlobalMax = 1;
  TransInnerIter = 0;
  groundwater();
  EXPECT_NE(dir.dir().boogie().find("Have read 2 water level points from wlinit file\n"), std::string::npos)
      << dir.dir().boogie();
}

// Without a sub-bed block: the two error lines and status -9.
TEST(GroundwaterDeathTest, NoSubBedBlockEndsTheRun) {
  InProjectDir dir;
  setRunStateInitial();
  FlagGroundwater = 1;
  const BlockGrid g = damGrid();
  g.prepare();
  FlagGroundwater = 0;
  ASSERT_EQ(UnstructureBuild(), 1);
  FlagGroundwater = 1;
  ASSERT_TRUE(Bgroundwater);
  BedMake();
  metric();
  EXPECT_EXIT(groundwater(), testing::ExitedWithCode(256 - 9), "");
  const std::string log = dir.dir().boogie();
  EXPECT_NE(log.find("Error in groundwater computation: groundwater grid not generated\n"
                     "Data sets F ??? are missing in your control file\n\n"),
            std::string::npos)
      << log;
}

// The coupled surface move of every 100th step is skipped, with a log line,
// while no reference water level is set.
TEST(Groundwater, CoupledMoveNeedsAReferenceLevel) {
  InProjectDir dir;
  prepareDam();
  iterGlobalMax = 200;
  TransInnerIter = 1;
  GlobZRef = -1e20;
  groundwater();
  const std::string log = dir.dir().boogie();
  EXPECT_NE(log.find("Groundwater step 100: no reference water level set, the water surface is not moved\n"),
            std::string::npos);
  EXPECT_NE(log.find("Groundwater step 200: no reference"), std::string::npos);
  EXPECT_EQ(block[2].subBed, 1);
}
