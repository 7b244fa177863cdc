// Grid sequencing: the transfer of the six fields between the levels, the
// order of the level solves with their work ranges, and the counts of passes.
#include "flow/mgssolver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "flow/flow.h"
#include "grid/coarselevels.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

std::vector<std::string> solves;

void recordSolve() {
  solves.push_back(std::to_string(MGSGrid) + ":" + std::to_string(WCStart) + ".." + std::to_string(WCEnd) + "/" +
                   std::to_string(WFStart) + ".." + std::to_string(WFEnd) + " Iter " + std::to_string(Iter));
}

class MGSsolverTest : public ::testing::Test {
 protected:
  InProjectDir dir;
  SmallGrid g;
  void SetUp() override {
    solves.clear();
    MGSLevelSolve = recordSolve;
  }
  void TearDown() override { MGSLevelSolve = nullptr; }
};

}  // namespace

// A column of two cells with u 1 and 3 under a level-2 cell holding 4:
// d = 4 - 2 = 2, the cells become 3 and 5. k is held at F 138 and epsilon at
// 1e-15 after the shift.
TEST_F(MGSsolverTest, ProlongationShiftsTheColumnByTheCoarseDifference) {
  g.nx = 1, g.ny = 1, g.nz = 2;
  MGSNo = 2;
  g.build();
  MGSCoarserGridMake2D();
  const int n = block[2].firstCell;
  ASSERT_EQ(n, 3);
  Cxvel[1] = 1.0, Cxvel[2] = 3.0, Cxvel[n] = 4.0;
  Ckinen[1] = 0.5, Ckinen[2] = 0.1, Ckinen[n] = 0.0;  // mean 0.3: shift -0.3
  ArtMinKinen = 1e-3;
  Cepsilon[1] = Cepsilon[2] = 1.0, Cepsilon[n] = -4.0;
  MGSProlong(2);
  EXPECT_DOUBLE_EQ(Cxvel[1], 3.0);
  EXPECT_DOUBLE_EQ(Cxvel[2], 5.0);
  EXPECT_DOUBLE_EQ(Ckinen[1], 0.2);
  EXPECT_DOUBLE_EQ(Ckinen[2], 1e-3);
  EXPECT_DOUBLE_EQ(Cepsilon[1], 1e-15);
  // The restriction gives the level-2 cell the column mean.
  MGSRestrict(2);
  EXPECT_DOUBLE_EQ(Cxvel[n], 4.0);
}

// Higher levels: the mean of the four cells below, and the four shifted by
// the difference.
TEST_F(MGSsolverTest, HigherLevelsTakeTheMeanOfTheirFourCells) {
  g.nx = 2, g.ny = 2, g.nz = 1;
  MGSNo = 3;
  g.build();
  MGSCoarserGridMake2D();
  const int top = block[3].firstCell;
  ASSERT_EQ(block[3].lastCell, top);
  const int* ch = MGSCpoint[top] + 1;
  const double v[4] = {1, 2, 3, 6};
  for (int k = 0; k < 4; ++k) Cyvel[ch[k]] = v[k];
  MGSRestrict(3);
  EXPECT_DOUBLE_EQ(Cyvel[top], 3.0);
  Cyvel[top] = 4.0;
  MGSProlong(3);
  for (int k = 0; k < 4; ++k) EXPECT_DOUBLE_EQ(Cyvel[ch[k]], v[k] + 1.0);
}

// Each pass solves the coarsest level first, on its own cells and faces, the
// real grid last over all its cells; a flow-only run counts the passes in
// Iter.
TEST_F(MGSsolverTest, EachPassSolvesFromTheCoarsestLevelDown) {
  g.nx = 2, g.ny = 2, g.nz = 2;
  MGSNo = 3;
  iterGlobalMax = 2;
  g.build();
  const int faces = NoSurfaces;
  MGSsolver();
  ASSERT_EQ(NoBlocks, 3);
  const BlockRecord &two = block[2], &three = block[3];
  auto line = [](int level, int c1, int c2, int f1, int f2, int it) {
    return std::to_string(level) + ":" + std::to_string(c1) + ".." + std::to_string(c2) + "/" + std::to_string(f1) +
           ".." + std::to_string(f2) + " Iter " + std::to_string(it);
  };
  std::vector<std::string> expected;
  for (int it : {1, 2}) {
    expected.push_back(line(3, three.firstCell, three.lastCell, three.firstSurface, three.lastSurface, it));
    expected.push_back(line(2, two.firstCell, two.lastCell, two.firstSurface, two.lastSurface, it));
    expected.push_back(line(1, 1, 8, 1, faces, it));
  }
  EXPECT_EQ(solves, expected);
  EXPECT_EQ(MGSGrid, 1);
  EXPECT_EQ(WCEnd, 8);
}

// One level: the real grid alone, nothing appended; no outer iteration: no
// solve; a sediment run makes 20 passes and leaves Iter alone.
TEST_F(MGSsolverTest, PassCounts) {
  g.nx = 2, g.ny = 1, g.nz = 2;
  MGSNo = 1;
  iterGlobalMax = 3;
  g.build();
  MGSsolver();
  EXPECT_EQ(solves.size(), 3u);
  EXPECT_EQ(NoBlocks, 1);
  EXPECT_EQ(solves[0], "1:1..4/1.." + std::to_string(NoSurfaces) + " Iter 1");
  solves.clear();
  iterGlobalMax = 0;
  MGSsolver();
  EXPECT_TRUE(solves.empty());
  FlagTSC = 1;
  Iter = 7;
  MGSsolver();
  EXPECT_EQ(solves.size(), 20u);
  EXPECT_EQ(Iter, 7);
}

// The passes end once the real grid has converged (its solve clears
// gFlagFlow); converged coarse levels do not end them.
TEST_F(MGSsolverTest, ThePassesEndWhenTheRealGridConverges) {
  g.nx = 2, g.ny = 2, g.nz = 1;
  MGSNo = 2;
  iterGlobalMax = 100;
  g.build();
  MGSLevelSolve = [] {
    recordSolve();
    if (MGSGrid == 2 || Iter == 3) gFlagFlow = 0;
  };
  gFlagFlow = 1;
  MGSsolver();
  EXPECT_EQ(solves.size(), 6u);
  EXPECT_EQ(Iter, 3);
  EXPECT_EQ(gFlagFlow, 1);
}
