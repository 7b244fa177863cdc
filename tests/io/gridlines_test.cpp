// Block-grid line files: koosurf read for letter Y and the writers of block 1.
#include <gtest/gtest.h>

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
