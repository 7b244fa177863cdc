// The local refinement block of F 130 on block grids filled in-process.
#include <gtest/gtest.h>

#include "flow/cellequations.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "grid/generate.h"
#include "grid/grid_builder.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"

namespace {

// Block 1 of 20 x 19 columns (grid lines 1..21 x 1..20, so j2 = 20), coarse
// lines 3 m apart in x, with room in j for the refined block; bed rising in
// x so that the bed levels show the interpolation.
void coarseGrid(BlockGrid& g, int spare = 12) {
  g.nx = 20;
  g.ny = 19;
  g.rows = 3 + spare;
  g.bed = [](int i, int) { return 0.3 * (i - 1); };
  g.water = [](int, int) { return 10.0; };
  g.prepare();
  for (int i = 1; i <= 21; ++i)
    for (int j = 1; j <= 20; ++j) xval[i][j] = 3.0 * (i - 1);
}

void window(int i1, int i2, int j1, int j2) {
  TetI1 = i1;
  TetI2 = i2;
  TetJ1 = j1;
  TetJ2 = j2;
}

}  // namespace

// A one-column window 10 x 5: fine block (2..10, 22..30), nine fine columns
// for each of the 3 x 3 coarse columns 9..11 x 4..6, those outblocked, one
// connector column per side, the inner corners outblocked, 12 coinciding
// points.
TEST(UnstrucTett, OneColumnWindowAfterABlockWithJ2Of20) {
  InProjectDir dir;
  BlockGrid g;
  coarseGrid(g);
  window(10, 10, 5, 5);
  UnstrucTett();
  ASSERT_EQ(NoBlocks, 2);
  const BlockRecord& r = block[2];
  EXPECT_EQ(r.i1, 2);
  EXPECT_EQ(r.i2, 10);
  EXPECT_EQ(r.j1, 22);
  EXPECT_EQ(r.j2, 30);
  EXPECT_EQ(r.kind, 0);
  EXPECT_EQ(r.nestLevel, 2);
  EXPECT_EQ(r.bedFlag, 1);
  EXPECT_EQ(r.levelCount, znumber);
  EXPECT_EQ(r.refSearch, 1);
  EXPECT_EQ(NoConnect, 12);

  for (int i = 8; i <= 12; ++i)
    for (int j = 3; j <= 7; ++j)
      EXPECT_EQ(bedOutBlock[i][j], i >= 9 && i <= 11 && j >= 4 && j <= 6 ? 1 : 0) << i << " " << j;
  // The ring: open only at the connectors.
  for (int i = 2; i <= 10; ++i) {
    EXPECT_EQ(bedOutBlock[i][22], i == 6 ? 0 : 1) << i;
    EXPECT_EQ(bedOutBlock[i][30], i == 6 ? 0 : 1) << i;
  }
  for (int j = 22; j <= 30; ++j) {
    EXPECT_EQ(bedOutBlock[2][j], j == 26 ? 0 : 1) << j;
    EXPECT_EQ(bedOutBlock[10][j], j == 26 ? 0 : 1) << j;
  }
  for (const auto& c : {std::pair{3, 23}, {3, 29}, {9, 23}, {9, 29}}) EXPECT_EQ(bedOutBlock[c.first][c.second], 1);
  EXPECT_EQ(bedOutBlock[5][25], 0);
  EXPECT_EQ(bedOutBlock[4][23], 0);

  // Coarse lines 0 and 3 m apart give 0, 0.99999, 2.00001, 3 (relative to
  // coarse line 8); the bed the same way.
  EXPECT_NEAR(xval[1][21], 21.0, 1e-12);
  EXPECT_NEAR(xval[2][21] - 21.0, 0.99999, 1e-9);
  EXPECT_NEAR(xval[3][21] - 21.0, 2.00001, 1e-9);
  EXPECT_NEAR(xval[4][21], 24.0, 1e-12);
  EXPECT_NEAR(zval[2][21][1], 0.66667 * 2.1 + 0.33333 * 2.4, 1e-12);
  // Fine line j 21 lies on coarse line 3 (y 2), j 24 on coarse line 4.
  EXPECT_NEAR(yval[3][21], 2.0, 1e-12);
  EXPECT_NEAR(yval[3][24], 3.0, 1e-12);
  EXPECT_NEAR(yval[1][22], 0.66667 * 2 + 0.33333 * 3, 1e-12);

  // South connector (6, 22): its outer face runs along the coarse face
  // (9, 3)..(10, 3); the outblocked neighbours collapse onto the same points.
  for (const auto& p : {std::pair{5, 21}, {4, 22}}) {
    EXPECT_DOUBLE_EQ(xval[p.first][p.second], xval[9][3]);
    EXPECT_DOUBLE_EQ(yval[p.first][p.second], yval[9][3]);
  }
  for (const auto& p : {std::pair{6, 21}, {7, 22}}) {
    EXPECT_DOUBLE_EQ(xval[p.first][p.second], xval[10][3]);
    EXPECT_DOUBLE_EQ(zval[p.first][p.second][1], zval[10][3][1]);
  }
  // East connector (10, 26): along (11, 4)..(11, 5).
  EXPECT_DOUBLE_EQ(yval[10][25], yval[11][4]);
  EXPECT_DOUBLE_EQ(xval[10][25], xval[11][4]);
  EXPECT_DOUBLE_EQ(yval[10][26], yval[11][5]);
  EXPECT_DOUBLE_EQ(xval[9][27], xval[11][5]);
  // Corners: two fine points on the coarse corner point.
  EXPECT_DOUBLE_EQ(xval[3][22], xval[8][3]);
  EXPECT_DOUBLE_EQ(yval[2][23], yval[8][3]);
  EXPECT_DOUBLE_EQ(xval[8][29], xval[11][6]);
  EXPECT_DOUBLE_EQ(yval[9][28], yval[11][6]);

  const int want[12][4] = {{3, 22, 2, 23}, {3, 22, 8, 3},   {2, 23, 8, 3},   {9, 28, 8, 29},
                           {9, 28, 11, 6}, {8, 29, 11, 6},  {8, 22, 9, 23},  {8, 22, 11, 3},
                           {9, 23, 11, 3}, {2, 28, 3, 29},  {2, 28, 8, 6},   {3, 29, 8, 6}};
  for (int n = 0; n < 12; ++n) {
    EXPECT_EQ(conn[n].iA, want[n][0]) << n;
    EXPECT_EQ(conn[n].jA, want[n][1]) << n;
    EXPECT_EQ(conn[n].iB, want[n][2]) << n;
    EXPECT_EQ(conn[n].jB, want[n][3]) << n;
  }
}

// A wider window has one connector per coarse face on each side.
TEST(UnstrucTett, WiderWindowConnectors) {
  InProjectDir dir;
  BlockGrid g;
  g.nx = 20;
  g.ny = 19;
  g.rows = 23;
  g.prepare();
  window(5, 7, 4, 5);
  UnstrucTett();
  const BlockRecord& r = block[2];
  EXPECT_EQ(r.i2, 16);
  EXPECT_EQ(r.j2, 33);
  int south = 0, west = 0;
  for (int i = r.i1; i <= r.i2; ++i) south += bedOutBlock[i][r.j1] == 0;
  for (int j = r.j1; j <= r.j2; ++j) west += bedOutBlock[r.i1][j] == 0;
  EXPECT_EQ(south, 3);
  EXPECT_EQ(west, 2);
  EXPECT_EQ(bedOutBlock[6][r.j1], 0);
  EXPECT_EQ(bedOutBlock[9][r.j1], 0);
  EXPECT_EQ(bedOutBlock[12][r.j1], 0);
}

// A second build finds its refined block again: no block and no coinciding
// points are added, and the fine points follow the coarse bed of that build.
TEST(UnstrucTett, SecondBuildReusesTheBlock) {
  InProjectDir dir;
  BlockGrid g;
  coarseGrid(g);
  window(10, 10, 5, 5);
  UnstrucTett();
  zval[9][3][1] = 7.0;
  UnstrucTett();
  EXPECT_EQ(NoBlocks, 2);
  EXPECT_EQ(NoConnect, 12);
  EXPECT_DOUBLE_EQ(zval[5][21][1], 7.0);
}

// Windows that do not fit end the run before anything is written: outside
// block 1 with its ring, beyond the block grid, no room for 12 records.
TEST(UnstrucTett, UnfitWindowsAreRefused) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  struct Row {
    const char* name;
    int i1, i2, j1, j2;
    int connect;
    int spare;
    const char* message;
  };
  const Row rows[] = {
      {"ring beyond the east end", 20, 21, 5, 5, 0, 12, "lies outside block 1"},
      {"ring below the south row", 10, 10, 2, 2, 0, 12, "lies outside block 1"},
      {"beyond G 1 in j", 10, 10, 5, 5, 0, 5, "increase 2nd integer on G 1 data set"},
      {"beyond G 1 in i", 3, 9, 5, 5, 0, 12, "increase 1st integer on G 1 data set"},
      {"connection records full", 10, 10, 5, 5, 190, 12, "12 connection records, 190 of 200 are in use"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EXIT(
        {
          InProjectDir dir;
          BlockGrid g;
          coarseGrid(g, r.spare);
          window(r.i1, r.i2, r.j1, r.j2);
          NoConnect = r.connect;
          std::atexit([] {
            std::ifstream in("boogie");
            std::cerr << in.rdbuf() << "blocks " << NoBlocks << " records " << NoConnect << " outblocked "
                      << bedOutBlock[10][5] << "\n";
          });
          UnstrucTett();
        },
        ::testing::ExitedWithCode(2),
        std::string(r.message) + "(.|\n)*blocks 1 records " + std::to_string(r.connect) + " outblocked 0");
  }
}

// Through the driver: the refined block's cells are made with the others and
// joined to the coarse cells; a second build keeps the block and record
// counts and gives the same grid.
TEST(UnstrucTett, DriverBuildsAndJoinsTheRefinedBlock) {
  InProjectDir dir;
  BlockGrid g;
  g.nx = 20;
  g.ny = 5;
  g.rows = 15;
  g.prepare();
  // Fine lines carry the coarse water level.
  for (int i = 0; i <= xnumber + 1; ++i)
    for (int j = 0; j <= ynumber + 1; ++j) zval[i][j][znumber] = 1.0;
  window(10, 10, 4, 4);
  // A connector column has one neighbour in its own block; the rule that
  // empties such columns (F 159 1st 1) would take it away before Connect.
  FlagGridStab1 = 0;
  ASSERT_EQ(UnstructureBuild(), 1);
  EXPECT_EQ(NoBlocks, 2);
  EXPECT_EQ(NoConnect, 12);
  const int cells = NoCells;
  // Every top cell of the connector columns is joined on its outer side.
  const int south = static_cast<int>(zval[6][8][0]), north = static_cast<int>(zval[6][16][0]);
  const int west = static_cast<int>(zval[2][12][0]), east = static_cast<int>(zval[10][12][0]);
  ASSERT_GT(south, 0);
  ASSERT_GT(east, 0);
  EXPECT_GT(Ccells[south], 0);
  EXPECT_GT(Ccelln[north], 0);
  EXPECT_GT(Ccellw[west], 0);
  EXPECT_GT(Ccelle[east], 0);
  EXPECT_GT(NoConnFlate, 0);
  // The joined faces are no nested outer faces: the nesting coupling empties
  // the flux of every listed face at each iteration, which would close the
  // refined block to the water of the coarse columns it is joined to.
  for (int n = 1; n <= NoConnFlate; ++n)
    for (int side = 0; side < 2; ++side)
      for (int k = 1; k <= NoNestflater; ++k) EXPECT_NE(Npflate[k], connFlate[n][side]) << n << " " << k;
  const int joined = connFlate[1][0];
  Fflux[joined] = 250.0;
  waterflowWhole();
  EXPECT_EQ(Fflux[joined], 250.0);
  ASSERT_EQ(UnstructureBuild(), 1);
  EXPECT_EQ(NoBlocks, 2);
  EXPECT_EQ(NoConnect, 12);
  EXPECT_EQ(NoCells, cells);
}
