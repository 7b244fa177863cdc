// Nested grids: parent cells, the pressure level of nested blocks and the
// coupling terms of nesting faces.
#include <gtest/gtest.h>
#include <omp.h>

#include <vector>

#include "grid/fieldmap.h"
#include "grid/grid_read.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"

namespace {

// Block 1 (level 0) holds cells 1..4, block 2 (nested, level 1) cells 5..8.
void twoLevels() {
  useThreeCellSizes();
  ASSERT_EQ(sialloc(), 0);
  ASSERT_GT(AllocateArrays(1, 1, 1), 0.0);
  ASSERT_NE(Cinterpolnest, nullptr);
  NoCells = 8;
  NoBlocks = 2;
  block[1] = BlockRecord{};
  block[1].firstCell = 1, block[1].lastCell = 4;
  block[2] = BlockRecord{};
  block[2].firstCell = 5, block[2].lastCell = 8, block[2].nestLevel = 1;
  const double centres[9][3] = {{0, 0, 0},   {0, 0, 0},   {3, 0, 0},     {0, 3, 0},   {3, 3, 0},
                                {0.2, 0, 2}, {2.9, 0.1, 0.5}, {1.4, 3, 0}, {10, 10, 0}};
  for (int c = 1; c <= 8; ++c) {
    Cxcenter[c] = centres[c][0], Cycenter[c] = centres[c][1], Czcenter[c] = centres[c][2];
    Cidist[c] = Cjdist[c] = Ckdist[c] = 0.5;
  }
}

std::vector<int> parents() { return {Cinterpolnest[5], Cinterpolnest[6], Cinterpolnest[7], Cinterpolnest[8]}; }

}  // namespace

// The parent search before the bed cells are numbered finds the same parents
// with one thread and with four: a parent two metres below a cell of half
// height 0.5 m is found by both.
TEST(NestedGrids, ParentCellsDoNotDependOnTheThreads) {
  const std::vector<int> expected{1, 2, 3, 0};
  for (int threads : {0, 4}) {
    InProjectDir p;
    twoLevels();
    NoProcessesSolver = threads;
    FlagOpenMP[11] = threads > 0 ? 0 : 1;
    if (threads > 0) omp_set_num_threads(threads);
    NestInterpolRelax = 0.5;
    for (int c = 1; c <= 8; ++c) Cinterpolnest[c] = 3;  // values of an older grid
    setFaceFlowFlags();
    EXPECT_EQ(parents(), expected) << threads << " threads";
    omp_set_num_threads(1);
  }
}

// The pressure of a nested block is shifted to the mean of its parents' pressures.
TEST(NestedGrids, PressureLevelFollowsTheParents) {
  InProjectDir p;
  twoLevels();
  NestInterpolRelax = 0.5;
  setFaceFlowFlags();
  for (int c = 1; c <= 4; ++c) Cpres[c] = 1000.0 * c;  // parents 1, 2, 3: mean 2000
  Cpres[5] = 10, Cpres[6] = 20, Cpres[7] = 30, Cpres[8] = 99;
  scalePressureNested();
  EXPECT_DOUBLE_EQ(Cpres[5], 10 + 1980.0);
  EXPECT_DOUBLE_EQ(Cpres[7], 30 + 1980.0);
  EXPECT_DOUBLE_EQ(Cpres[8], 99 + 1980.0);  // no parent, shifted with its block
  EXPECT_DOUBLE_EQ(Cpres[1], 1000.0);
}

// Coupling terms of one nesting face: water entering the nested block gives
// its donors' values to the nested cell; water leaving gives no term; with
// F 126 nothing is touched.
TEST(NestedGrids, CouplingTermsOfANestingFace) {
  struct Case {
    double u;       // x velocity of the donor (the face normal is +x)
    int dll;        // F 126
    double ap, source, flux;
  };
  const Case cases[] = {
      {2.0, 0, 1000.0 * 2.0 * 4.0, 1000.0 * 2.0 * 4.0 * 2.0, 8.0},  // 2 m/s over 4 m2 into the block
      {-2.0, 0, 0.0, 0.0, -8.0},
      {2.0, 1, 0.0, 0.0, 0.0},
  };
  for (const Case& c : cases) {
    InProjectDir p;
    twoLevels();
    NoSurfaces = 1;
    Fax[1] = 4.0, Fay[1] = Faz[1] = 0.0;
    Fcell1[1] = 1, Fcell2[1] = 5;
    NoNestflater = 1;
    Npflate[1] = 1, Npcelle[1] = 5, Npblock[1] = 2;
    Ncell[1][0] = 1;
    Nvect[1][0][0] = 1.0;
    Cxvel[1] = c.u;
    FlagNestDLL = c.dll;
    Equation = 1;
    nestsource();
    EXPECT_DOUBLE_EQ(Cap[5], c.ap) << c.u << " " << c.dll;
    EXPECT_DOUBLE_EQ(Csource[5], c.source) << c.u << " " << c.dll;
    EXPECT_NEAR(Nflux[1], c.flux, 1e-12) << c.u << " " << c.dll;
  }
}
