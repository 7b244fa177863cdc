// The Tecplot plan file: one ordered zone over the plan points of a block and
// its ring, loaded by VTK's Tecplot reader; the level of each value, the zone
// sizes of any block window, the title and the names.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "output/output.h"
#include "output/plot_grid.h"
#include "output/tecplot_reader.h"
#include "output/vtk_reader.h"
#include "support/in_dir.h"

namespace {

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) out.push_back(line);
  return out;
}

std::vector<double> numbers(const std::string& line) {
  std::vector<double> out;
  std::istringstream in(line);
  double v;
  while (in >> v) out.push_back(v);
  return out;
}

// Block 1: columns i 2..4, j 2..3 of 10 x 20 m, two 1 m cells each; the bed
// of grid line (i, j) at i + 10 j, the water 2 m above. Column (4, 3) is dry.
class TecplotPlan : public ::testing::Test {
 protected:
  InProjectDir dir;
  void SetUp() override {
    allocatePlotModel(8, 6, 4, 1);
    addBoxBlock({2, 4, 2, 3, 2, 0.0, 0.0, 10.0, 20.0, 1.0, 0.0});
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) {
        zval[i][j][1] = i + 10.0 * j;
        zval[i][j][znumber] = zval[i][j][1] + 2.0;
      }
    for (int c = 1; c <= NoCells; ++c) {
      Cxvel[c] = 100.0 * c;
      Cyvel[c] = -c;
      Ckinen[c] = 0.001 * c;
    }
    zval[4][3][0] = 0;
  }
  // The cell at position k (1 bottom, 2 top) of column (i, j) of block 1.
  static int cellOf(int i, int j, int k) { return ((j - 2) * 3 + (i - 2)) * 2 + k; }
  static double planBed(int iA, int iB, int jhi, int jlo) {
    return 0.25 * (zval[iA][jhi][1] + zval[iB][jhi][1] + zval[iB][jlo][1] + zval[iA][jlo][1]);
  }
};

TEST_F(TecplotPlan, OneZoneOverThePlanPointsAndTheirRing) {
  TecStrucNo = 3;
  TecStruc[0] = {0, 0, 0, 'z'};
  TecStruc[1] = {1, 0, 0, 'k'};
  TecStruc[2] = {3, 0, 0, 'k'};  // above the top of a two-cell column: the top cell
  print_tecplot2d(1, 0);
  const std::vector<std::string> text = lines(dir.dir().read("tecplot2.dat"));
  ASSERT_EQ(text.size(), 4u + 20u);
  EXPECT_EQ(text[1], "VARIABLES=\"X1\",\"X2\",\"X3\",\"Ux\",\"Uy\",\"Bed level\",\"Turbulent k 1 \",\"Turbulent k 3 \"");
  EXPECT_EQ(text[2], "ZONE I=5,J=4,F=POINT");
  EXPECT_EQ(text[3], "SOLUTIONTIME=0.000000");
  // exponent form for the variables, six decimals for the rest
  EXPECT_EQ(text[4], "0.000000 0.000000 1.500000 200.000000 -2.000000 1.100000e+01 1.000000e-03 2.000000e-03");

  // rows j outer, points i inner; the ring repeats the outermost columns
  const int pi[5] = {1, 2, 3, 4, 5}, ci[5] = {2, 2, 3, 4, 4}, iA[5] = {1, 2, 3, 4, 4}, iB[5] = {1, 1, 2, 3, 4};
  const int cj[4] = {2, 2, 3, 3}, jhi[4] = {1, 2, 3, 3}, jlo[4] = {1, 1, 2, 3};
  int n = 4;
  for (int r = 0; r < 4; ++r)
    for (int p = 0; p < 5; ++p, ++n) {
      const std::vector<double> v = numbers(text[n]);
      ASSERT_EQ(v.size(), 8u) << text[n];
      SCOPED_TRACE("point " + std::to_string(pi[p]) + " of row " + std::to_string(r + 1));
      EXPECT_NEAR(v[0], 0.25 * (xval[iA[p]][jhi[r]] + xval[iB[p]][jhi[r]] + xval[iB[p]][jlo[r]] + xval[iA[p]][jlo[r]]), 1e-6);
      EXPECT_NEAR(v[1], 0.25 * (yval[iA[p]][jhi[r]] + yval[iB[p]][jhi[r]] + yval[iB[p]][jlo[r]] + yval[iA[p]][jlo[r]]), 1e-6);
      EXPECT_NEAR(v[5], planBed(iA[p], iB[p], jhi[r], jlo[r]), 1e-12);
      if (ci[p] == 4 && cj[r] == 3) {  // dry: the mean bed, no flow, no cell values
        EXPECT_NEAR(v[2], planBed(iA[p], iB[p], jhi[r], jlo[r]), 1e-6);
        for (int k : {3, 4, 6, 7}) EXPECT_EQ(v[k], 0.0);
        continue;
      }
      const int top = cellOf(ci[p], cj[r], 2), bottom = cellOf(ci[p], cj[r], 1);
      EXPECT_NEAR(v[2], Czcenter[top], 1e-6);  // P 3 level 2
      EXPECT_NEAR(v[3], Cxvel[top], 1e-6);
      EXPECT_NEAR(v[4], Cyvel[top], 1e-6);
      EXPECT_NEAR(v[6], Ckinen[bottom], 1e-12);
      EXPECT_NEAR(v[7], Ckinen[top], 1e-12);
    }

  if (!vtkAvailable()) GTEST_SKIP() << "VTK for /usr/bin/python3 is not installed";
  const TecplotLoad t = loadTecplot(dir.dir().path() + "/tecplot2.dat", {"X1", "Bed level"});
  ASSERT_TRUE(t.ran);
  EXPECT_EQ(t.errors, 0);
  EXPECT_EQ(t.dataset, "vtkStructuredGrid");
  EXPECT_EQ(t.points, 20);
  EXPECT_EQ(t.dims, (std::array<int, 3>{5, 4, 1}));
  EXPECT_EQ(t.arrays,
            (std::vector<std::string>{"X1", "X2", "X3", "Ux", "Uy", "Bed level", "Turbulent k 1 ", "Turbulent k 3 "}));
  ASSERT_EQ(t.values.at("X1").size(), 20u);
  EXPECT_EQ(t.values.at("X1")[1], 5.0);
  EXPECT_EQ(t.values.at("Bed level")[6], planBed(2, 1, 2, 1));
}

TEST_F(TecplotPlan, PlotLevelAtTheWaterSurfaceAndAtTheBed) {
  znode = znumber + 1;
  print_tecplot2d(1, 0);
  std::vector<double> v = numbers(lines(dir.dir().read("tecplot2.dat"))[10]);  // row 2, point 2: column (2, 2)
  EXPECT_NEAR(v[2], 2.0 + planBed(2, 1, 2, 1), 1e-6);
  EXPECT_NEAR(v[3], Cxvel[cellOf(2, 2, 2)], 1e-6);
  znode = 1;
  print_tecplot2d(1, 0);
  v = numbers(lines(dir.dir().read("tecplot2.dat"))[10]);
  EXPECT_NEAR(v[2], planBed(2, 1, 2, 1), 1e-6);
  EXPECT_NEAR(v[3], Cxvel[cellOf(2, 2, 1)], 1e-6);
}

// A block whose window starts at i1 = 5 (shown by F 268 2): the zone holds
// its nx x ny plan points, whatever its indices.
TEST_F(TecplotPlan, ZoneOfABlockAwayFromTheGridCornerHoldsItsPoints) {
  addBoxBlock({5, 7, 2, 3, 1, 30.0, 0.0, 10.0, 20.0, 1.0, 0.0});
  FlagViewNested = 2;
  print_tecplot2d(1, 0);
  std::vector<std::string> text = lines(dir.dir().read("tecplot2.dat"));
  EXPECT_EQ(text[2], "ZONE I=5,J=4,F=POINT");
  ASSERT_EQ(text.size(), 4u + 20u);
  EXPECT_NEAR(numbers(text[4])[0], 30.0, 1e-9);  // the block's own south-west corner
  EXPECT_NEAR(numbers(text[23])[0], 60.0, 1e-9);

  // F 268 naming a block without cells, or none at all, shows block 1
  for (int shown : {3, 1}) {
    FlagViewNested = shown;
    print_tecplot2d(1, 0);
    text = lines(dir.dir().read("tecplot2.dat"));
    EXPECT_NEAR(numbers(text[4])[0], 0.0, 1e-9) << shown;
  }
  block[2].lastCell = 1;
  FlagViewNested = 2;
  print_tecplot2d(1, 0);
  EXPECT_NEAR(numbers(lines(dir.dir().read("tecplot2.dat"))[4])[0], 0.0, 1e-9);
}

TEST_F(TecplotPlan, TitleWithoutDoubleQuotes) {
  std::strcpy(Title + 1, "Weir \"A\" study");
  std::strcpy(mc_v1, "Written from \"initial\"");
  ynode = 3;
  print_tecplot2d(1, 0);
  EXPECT_EQ(lines(dir.dir().read("tecplot2.dat"))[0], "TITLE = \"PLAN-3_Weir A study Written from initial\"");
}

TEST_F(TecplotPlan, FileNames) {
  struct Case {
    int blockNo, printRes, printAlways, mpi;
    std::vector<std::string> names;  // two calls
  };
  const std::vector<Case> cases = {
      {0, 0, 0, 0, {"tecplot2.dat", "tecplot2.dat"}},
      {0, 0, 4, 0, {"tec2_00000.dat", "tec2_00001.dat"}},
      {0, 1, 0, 0, {"tec2_00000.dat", "tec2_00001.dat"}},
      {0, 1, 0, 2, {"tec2.mpi2.00000.dat", "tec2.mpi2.00001.dat"}},
      {0, 0, 0, 2, {"tecplot2.mpi2.dat", "tecplot2.mpi2.dat"}},
      {3, 0, 0, 0, {"tecplot2_n3.dat", "tecplot2_n3.dat"}},
      {3, 0, 0, 2, {"tecplot2_n3.mpi2.dat", "tecplot2_n3.mpi2.dat"}},
      {3, 1, 0, 0, {"tec2_n3_00000.dat", "tec2_n3_00001.dat"}},
      {3, 0, 1, 2, {"tec2_n3_00000.dat", "tec2_n3_00001.dat"}},  // no .mpi form
  };
  for (const Case& k : cases) {
    (void)!std::system(("rm -f '" + dir.dir().path() + "'/tec*").c_str());
    PrintRes = k.printRes, PrintResAlways = k.printAlways, FlagMPI = k.mpi;
    print_tecplot2d(1, k.blockNo);
    EXPECT_TRUE(dir.dir().exists(k.names[0])) << k.names[0];
    print_tecplot2d(1, k.blockNo);
    EXPECT_TRUE(dir.dir().exists(k.names[1])) << k.names[1];
  }
}

TEST_F(TecplotPlan, UnopenableFileEndsTheRun) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  dir.dir().mkdir("tecplot2.dat");
  EXPECT_EXIT(
      {
        std::atexit([] {
          std::ifstream in("boogie");
          std::cerr << in.rdbuf();
        });
        print_tecplot2d(1, 0);
      },
      ::testing::ExitedWithCode(256 - 3), "Error: can not open file 'tecplot2.dat' for writing");
}

}  // namespace
