// Block-grid line files: koosurf read for letter Y and the writers of block 1.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "io/gridfiles.h"
#include "io/modelfiles.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/case_runner.h"
#include "support/in_dir.h"

namespace {

// Grid lines i = 1..ni, j = 1..nj of a channel: x = 5 (i-1), y = 2 (j-1),
// bed -0.005 (i-1), surface 1; written j outer so that the order is free.
std::string channel(int ni, int nj) {
  std::string t;
  char buf[128];
  for (int j = 1; j <= nj; ++j)
    for (int i = 1; i <= ni; ++i) {
      std::snprintf(buf, sizeof buf, "%d %d %lf %lf %lf %lf\n", i, j, 5.0 * (i - 1), 2.0 * (j - 1), 0.005 * (1 - i),
                    1.0);
      t += buf;
    }
  return t;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

void blockGrid(int x, int y) {
  xnumber = x, ynumber = y, znumber = 2, lnumber = 1;
  ASSERT_EQ(sialloc(), 0);
}

}  // namespace

TEST(Koosurf, ReadBuildsBlockOne) {
  InProjectDir p;
  blockGrid(23, 8);
  p.dir().write("koosurf", channel(21, 6) + "\n\n");  // blank lines at the end are no records
  readKoosurf();
  EXPECT_TRUE(p.dir().boogieHas("Have read koosurf file: max i: 21, max j: 6"));
  EXPECT_EQ(NoBlocks, 1);
  EXPECT_EQ(BlockID, 1);
  const BlockRecord& b = block[1];
  EXPECT_EQ(std::vector<int>({b.i1, b.i2, b.j1, b.j2, b.bedFlag, b.levelCount, b.field14, b.refSearch}),
            std::vector<int>({2, 21, 2, 6, 1, 2, 1, 1}));
  EXPECT_DOUBLE_EQ(xval[21][6], 100.0);
  EXPECT_DOUBLE_EQ(yval[21][6], 10.0);
  EXPECT_DOUBLE_EQ(zval[21][6][1], -0.1);
  EXPECT_DOUBLE_EQ(zval[21][6][2], 1.0);
  EXPECT_DOUBLE_EQ(Surfaces[0][21][6], -0.1);  // the bed as read, where bed changes start
  EXPECT_DOUBLE_EQ(xval[1][1], 0.0);
  EXPECT_DOUBLE_EQ(yval[1][6], 10.0);
}

TEST(Koosurf, RefusedFiles) {
  struct Case {
    const char* name;
    std::string g1, koosurf;
    std::string line;
  };
  const Case cases[] = {
      {"G 1 one short", "G 1 22 8 2 1\n", channel(21, 6),
       "The two first integers on G 1 data set should be at least 23 8"},
      {"index below the grid", "G 1 23 8 2 1\n", channel(21, 6) + "-3 2 0 0 0 1\n",
       "Error in koosurf file: the indexes (-3,2) of line 127 must be 1 or more"},
      {"index zero", "G 1 23 8 2 1\n", "0 2 0 0 0 1\n", "Error in koosurf file: the indexes (0,2) of line 1 must be 1 or more"},
      {"no file", "G 1 23 8 2 1\n", "", "Error, can not open koosurf file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CaseDir d;
    d.write("control", "F 2 Y\n" + c.g1);
    if (!c.koosurf.empty()) d.write("koosurf", c.koosurf);
    EXPECT_EQ(d.run(), 252) << d.boogie();
    EXPECT_TRUE(d.boogieHas(c.line)) << d.boogie();
  }
}

// Block 1 of 5 x 3 grid lines: coarsened to 3 x 2, refined to 9 x 5.
TEST(Koosurf, CoarseAndFineCopiesOfBlockOne) {
  InProjectDir p;
  blockGrid(8, 6);
  p.dir().write("koosurf", channel(5, 3));
  readKoosurf();
  for (int i = 1; i <= 5; ++i)
    for (int j = 1; j <= 3; ++j) Surfaces[3][i][j] = -1.0 - i;
  writekoosurf();

  const auto cor = lines(p.dir().read("koosurf.cor"));
  ASSERT_EQ(cor.size(), 6u);
  EXPECT_EQ(cor.front(), "1 1 0.000000 0.000000 0.000000 1.000000");
  EXPECT_EQ(cor.back(), "3 2 20.000000 4.000000 -0.020000 1.000000");

  const auto fin = lines(p.dir().read("koosurf.fin"));
  ASSERT_EQ(fin.size(), 45u);
  EXPECT_EQ(fin[0], "1 1 0.000000 0.000000 0.000000 1.000000");
  EXPECT_EQ(fin[1], "2 1 2.500000 0.000000 -0.002500 1.000000");  // midpoint towards i + 1
  EXPECT_EQ(fin[2], "1 2 0.000000 1.000000 0.000000 1.000000");   // midpoint towards j + 1
  EXPECT_EQ(fin[3], "2 2 2.500000 1.000000 -0.002500 1.000000");  // centre
  EXPECT_EQ(fin.back(), "9 5 20.000000 4.000000 -0.020000 1.000000");

  const auto minFin = lines(p.dir().read("koomin.fin"));
  ASSERT_EQ(minFin.size(), 45u);
  EXPECT_EQ(minFin[3], "2 2 2.500000 1.000000 -2.500000");

  const auto one = lines(p.dir().read("koosurf.1")), two = lines(p.dir().read("koosurf.2"));
  ASSERT_EQ(one.size(), 15u);
  ASSERT_EQ(two.size(), 15u);
  EXPECT_EQ(one[1], "1 2 0.000000 2.000000 0.000000 1.000000");
  EXPECT_EQ(two[1], "2 1 5.000000 0.000000 -0.005000 1.000000");
}

// Letter A: block 1 from i1 = 2 to i2 = 32 in three parts 2..11, 11..21, 21..32.
TEST(Koosurf, PartsOfADividedRun) {
  InProjectDir p;
  blockGrid(34, 5);
  p.dir().write("koosurf", channel(32, 3));
  readKoosurf();
  FlagMPI = 3;
  writeMPIkoosurf();
  const auto part2 = lines(p.dir().read("koosurf.mpi2"));
  ASSERT_EQ(part2.size(), 12u * 3u);
  EXPECT_EQ(part2.front(), "1 1 45.000000 0.000000 -0.045000 1.000000");  // grid line 10
  EXPECT_EQ(part2.back(), "12 3 100.000000 4.000000 -0.100000 1.000000");  // grid line 21
  EXPECT_EQ(lines(p.dir().read("koosurf.mpi1")).size(), 11u * 3u);
  EXPECT_EQ(lines(p.dir().read("koosurf.mpi3")).size(), 13u * 3u);  // grid lines 20..32
  FlagMPI = 0;
}

TEST(Koosurf, PartsWithoutDivisionAreRefused) {
  CaseDir d;
  d.write("control", "F 2 A\nG 1 10 10 2 1\n");
  EXPECT_EQ(d.run(), 133) << d.boogie();
  EXPECT_TRUE(d.boogieHas("Error writing MPI koosurf files, 0 MPI blocks specified"));
}

// A second koosurf block beside block 1 (j2 = 3): j1 = 3 + 2, its lines at
// j + 3; without the file nothing is added.
TEST(Koosurf, AddedBlockBesideTheLast) {
  InProjectDir p;
  blockGrid(8, 7);
  p.dir().write("koosurf", channel(5, 3));
  readKoosurf();
  p.dir().write("koosurf", channel(4, 2));
  EXPECT_EQ(addBlockKoosurf(), 0);
  ASSERT_EQ(NoBlocks, 2);
  const BlockRecord& b = block[2];
  EXPECT_EQ(std::vector<int>({b.i1, b.i2, b.j1, b.j2, b.nestLevel, b.field14, b.refSearch}),
            std::vector<int>({2, 4, 5, 5, 0, 1, 1}));
  EXPECT_DOUBLE_EQ(xval[4][5], 15.0);  // line (4, 2) of the file
  EXPECT_DOUBLE_EQ(yval[4][5], 2.0);
  EXPECT_DOUBLE_EQ(zval[4][5][1], -0.015);
  EXPECT_DOUBLE_EQ(xval[4][2], 15.0);  // block 1 keeps its own line
  EXPECT_DOUBLE_EQ(yval[4][2], 2.0);
  EXPECT_DOUBLE_EQ(yval[4][3], 4.0);

  std::remove("koosurf");
  EXPECT_EQ(addBlockKoosurf(), -1);
  EXPECT_EQ(NoBlocks, 2);
  EXPECT_TRUE(p.dir().boogieHas("Error opening koosurf file"));
}

// The offset counts in the room the G 1 sizes must leave: block 1 to j2 = 3
// and a block of 3 lines beside it need ynumber - 1 > 6.
TEST(Koosurf, AddedBlockNeedsRoomForItsOffset) {
  GTEST_FLAG_SET(death_test_style, "fast");
  InProjectDir p;
  blockGrid(8, 7);
  p.dir().write("koosurf", channel(5, 3));
  readKoosurf();
  p.dir().write("koosurf", channel(4, 3));
  EXPECT_EXIT(addBlockKoosurf(), ::testing::ExitedWithCode(256 - 4), "");
  EXPECT_TRUE(p.dir().boogieHas("The two first integers on G 1 data set should be at least 6 8"));
}

// koosurf.nes beside block 1 (o = 3). Mode 9: the reference intersection
// (1, 1) moves to (100, 50), the block is scaled by 2 and turned by 90
// degrees (clockwise, the angle counted from the y axis), the water level is
// the record's level; the outblocked box goes to control.nes and G 13.
TEST(Koosurf, NestedBlockPlacedScaledAndTurned) {
  InProjectDir p;
  blockGrid(8, 8);
  p.dir().write("koosurf", channel(5, 3));
  readKoosurf();
  OutBlockNo = 0;
  p.dir().write("koosurf.nes",
                "999999 2 3 2 2 1 1 100 50 2 90 7.5\n"
                "1 1 0 0 -1 3\n2 1 10 0 -1 3\n1 2 0 10 -1 3\n2 2 10 10 -1 3\n");
  EXPECT_EQ(addBlockKoosurfNested(), 0);
  ASSERT_EQ(NoBlocks, 2);
  const BlockRecord& b = block[2];
  EXPECT_EQ(std::vector<int>({b.i1, b.i2, b.j1, b.j2, b.nestLevel, b.field14, b.refSearch}),
            std::vector<int>({2, 2, 5, 5, 1, 0, 0}));
  EXPECT_EQ(BlockID, 0);
  // (dx, dy) = 2 (x - 0, y - 0) about (100, 50), turned a quarter clockwise:
  // (20, 0) -> (0, -20), (0, 20) -> (20, 0), (20, 20) -> (20, -20).
  struct Point {
    int i, j;
    double x, y;
  } points[] = {{1, 4, 100, 50}, {2, 4, 100, 30}, {1, 5, 120, 50}, {2, 5, 120, 30}};
  for (const Point& q : points) {
    EXPECT_NEAR(xval[q.i][q.j], q.x, 1e-9) << q.i << " " << q.j;
    EXPECT_NEAR(yval[q.i][q.j], q.y, 1e-9) << q.i << " " << q.j;
    EXPECT_EQ(zval[q.i][q.j][1], -1.0);
    EXPECT_EQ(zval[q.i][q.j][2], 7.5);
  }
  EXPECT_EQ(lines(p.dir().read("control.nes")),
            std::vector<std::string>({"Add new data set for outblocking to control file: G 13 1 2 3 5 5 2 2"}));
  ASSERT_EQ(OutBlockNo, 1);
  const OutBlockRecord& o = OutBlock[1];
  EXPECT_EQ(std::vector<int>({o.type, o.i1, o.i2, o.j1, o.j2, o.k1, o.k2}), std::vector<int>({1, 2, 3, 5, 5, 2, 2}));
  OutBlockNo = 0;
}

// Mode 0 stores the lines as they are; mode 7 reads a sixth real per line
// and stores nothing; a placement record out of order ends the run.
TEST(Koosurf, NestedBlockModesAndRefusal) {
  GTEST_FLAG_SET(death_test_style, "fast");
  InProjectDir p;
  blockGrid(8, 8);
  p.dir().write("koosurf.nes", "1 1 0 0 -1 3\n2 2 10 10 -1 3\n");
  EXPECT_EQ(addBlockKoosurfNested(), 0);
  ASSERT_EQ(NoBlocks, 1);
  EXPECT_EQ(std::vector<int>({block[1].j1, block[1].j2, block[1].i2}), std::vector<int>({2, 2, 2}));
  EXPECT_EQ(xval[2][2], 10.0);
  EXPECT_EQ(zval[2][2][2], 3.0);

  p.dir().write("koosurf.nes", "999997 2 3 2 2 1 1 100 50 2 90 7.5\n1 1 5 5 -1 3 9\n3 2 5 5 -1 3 9\n");
  EXPECT_EQ(addBlockKoosurfNested(), 0);
  ASSERT_EQ(NoBlocks, 2);
  EXPECT_EQ(std::vector<int>({block[2].j1, block[2].j2, block[2].i2}), std::vector<int>({4, 4, 3}));
  EXPECT_EQ(xval[3][4], 0.0);

  p.dir().write("koosurf.nes", "999998 3 2 2 2 1 1 100 50 2 90 7.5\n1 1 0 0 -1 3\n");
  EXPECT_EXIT(addBlockKoosurfNested(), ::testing::ExitedWithCode(-9999999 & 0xff), "");
  EXPECT_TRUE(p.dir().boogieHas("Error in koosurf.nes file: the placement record of line 1 needs i2 >= i1, j2 >= j1 and a scale of 0 or more"));
  std::remove("koosurf.nes");
  EXPECT_EQ(addBlockKoosurfNested(), -1);
  EXPECT_TRUE(p.dir().boogieHas("Error opening koosurf.nes file"));
}
