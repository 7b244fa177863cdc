// The Tecplot 3-D file: the zone of bricks with N and E equal to the written
// points and cells, data lines that match the grid and the node rule, the
// F 268 ranges, the nested flag and the levels of moved nodes.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "output/output.h"
#include "output/plot_grid.h"
#include "support/in_dir.h"

namespace {

struct TecplotFile {
  std::string title, variables, zone;
  std::vector<std::vector<double>> points;
  std::vector<std::vector<int>> cells;
};

TecplotFile readTecplot(const std::string& text, int n, int e) {
  TecplotFile t;
  std::istringstream in(text);
  std::getline(in, t.title);
  std::getline(in, t.variables);
  std::getline(in, t.zone);
  std::string line;
  for (int k = 0; k < n && std::getline(in, line); ++k) {
    std::istringstream l(line);
    std::vector<double> v;
    double x;
    while (l >> x) v.push_back(x);
    t.points.push_back(v);
  }
  for (int k = 0; k < e && std::getline(in, line); ++k) {
    std::istringstream l(line);
    std::vector<int> v;
    int x;
    while (l >> x) v.push_back(x);
    t.cells.push_back(v);
  }
  return t;
}

std::string zoneLine(double q, double t, int n, int e) {
  char buf[200];
  std::snprintf(buf, sizeof buf, "ZONE T=\"Discharge: %lf l/s, time: %lf sec\" N=%d,E=%d,F=FEPOINT, ET=BRICK", q, t, n, e);
  return buf;
}

// A single block of 2 x 2 columns with three cells each.
TEST(Tecplot3d, ZoneCountsAndDataLinesMatchTheGrid) {
  InProjectDir dir;
  allocatePlotModel(6, 6, 4, 1);
  addBoxBlock({2, 3, 2, 3, 3, 0.0, 0.0, 1.0, 1.0, 1.0, 0.0});
  for (int c = 1; c <= NoCells; ++c) {
    Cxvel[c] = 1.0 + Cxcenter[c] + 2.0 * Cycenter[c] + 3.0 * Czcenter[c];
    Cyvel[c] = 2.0;
    Ckinen[c] = c;
  }
  DischargeArray[1] = 12.5;
  stimet = 3.0;
  std::snprintf(Title, sizeof Title, "%cchannel \"A\"", 0);
  TecStrucNo = 2;
  TecStruc[0] = {0, 0, 0, 'k'};
  TecStruc[1] = {0, 0, 0, 'z'};
  print_tecplot3d(1);
  const TecplotFile t = readTecplot(dir.dir().read("tecplfe.dat"), NoPoints, NoCells);
  EXPECT_EQ(t.title, "TITLE = \"FE_channel 'A' 3.000000 sec. \"");
  EXPECT_EQ(t.variables, "VARIABLES=\"X1\",\"X2\",\"X3\",\"Ux\",\"Uy\",\"No\",\"Turbulent k 0 \",\"Bed level\"");
  EXPECT_EQ(t.zone, zoneLine(12.5, 3.0, NoPoints, 12));
  ASSERT_EQ(NoPoints, 3 * 3 * 4);
  ASSERT_EQ(t.points.size(), 36u);
  for (int n = 1; n <= NoPoints; ++n) {
    const std::vector<double>& p = t.points[n - 1];
    ASSERT_EQ(p.size(), 8u);
    EXPECT_NEAR(p[0], Px[n], 1e-6);
    EXPECT_NEAR(p[1], Py[n], 1e-6);
    EXPECT_NEAR(p[2], Pz[n], 1e-6);
    EXPECT_NEAR(p[4], 2.0, 1e-6);
    EXPECT_EQ(p[5], 0.0);  // no nested block
    EXPECT_NEAR(p[7], 0.0, 1e-12);  // bed level of every grid line
    if (Px[n] == 1.0 && Py[n] == 1.0 && Pz[n] > 0 && Pz[n] < 3) {  // eight cells
      EXPECT_NEAR(p[3], 1.0 + 1.0 + 2.0 + 3.0 * Pz[n], 1e-5);
    }
  }
  // k at the bed corner (0, 0, 0): cell 1 alone; at (1, 1, 0): the four bottom cells 1, 4, 7, 10
  EXPECT_NEAR(t.points[0][6], 1.0, 1e-6);
  ASSERT_EQ(t.cells.size(), 12u);
  for (int c = 1; c <= 12; ++c)
    EXPECT_EQ(t.cells[c - 1], (std::vector<int>{Cpoint1[c], Cpoint2[c], Cpoint3[c], Cpoint4[c], Cpoint5[c],
                                                Cpoint6[c], Cpoint7[c], Cpoint8[c]}));
  for (int n = 1; n <= NoPoints; ++n)
    if (Px[n] == 1.0 && Py[n] == 1.0 && Pz[n] == 0.0) { EXPECT_NEAR(t.points[n - 1][6], (1 + 4 + 7 + 10) / 4.0, 1e-6); }
}

// Main block 1, nested blocks 2 and 3.
class Tecplot3dNested : public ::testing::Test {
 protected:
  InProjectDir dir;
  void SetUp() override {
    allocatePlotModel(14, 6, 4, 1);
    addBoxBlock({2, 3, 2, 3, 1, 0.0, 0.0, 1.0, 1.0, 1.0, 0.0});
    addBoxBlock({6, 7, 2, 3, 1, 10.0, 0.0, 1.0, 1.0, 1.0, 0.0, 1});
    addBoxBlock({10, 11, 2, 3, 1, 20.0, 0.0, 1.0, 1.0, 1.0, 0.0, 1});
  }
};

TEST_F(Tecplot3dNested, RangesByViewOption) {
  struct Case {
    int view;
    int firstPoint, lastPoint, firstCell, lastCell, offset;
  };
  const std::vector<Case> cases = {
      {0, 1, NoPoints, 1, NoCells, 0},
      {1, 1, block[1].lastPoint, 1, block[1].lastCell, 0},
      {2, block[2].firstPoint, block[3].lastPoint, block[2].firstCell, block[3].lastCell, block[2].firstPoint - 1},
      {7, 1, NoPoints, 1, NoCells, 0},  // other values: the whole grid
  };
  for (const Case& k : cases) {
    FlagViewNested = k.view;
    print_tecplot3d(0);
    const int n = k.lastPoint - k.firstPoint + 1, e = k.lastCell - k.firstCell + 1;
    const TecplotFile t = readTecplot(dir.dir().read("tecplfe.dat"), n, e);
    EXPECT_EQ(t.zone, zoneLine(0, 0, n, e)) << "F 268 " << k.view;
    ASSERT_EQ(static_cast<int>(t.points.size()), n);
    ASSERT_EQ(static_cast<int>(t.cells.size()), e);
    for (int p = k.firstPoint; p <= k.lastPoint; ++p) {
      EXPECT_NEAR(t.points[p - k.firstPoint][0], Px[p], 1e-9);
      EXPECT_EQ(t.points[p - k.firstPoint][5], p > block[1].lastPoint ? 1.0 : 0.0) << "point " << p;
    }
    EXPECT_EQ(t.cells[0][0], Cpoint1[k.firstCell] - k.offset);
    if (k.view == 2) { EXPECT_EQ(t.cells[0][0], 1); }
  }
}

TEST_F(Tecplot3dNested, MovedNodesGetLevelsBetweenTheTwoNearestGridLines) {
  for (int i = 0; i <= xnumber + 1; ++i)
    for (int j = 0; j <= ynumber + 1; ++j) {
      zval[i][j][1] = 10.0 * i + j;
      zval[i][j][znumber] = 100.0;
    }
  TecStrucNo = 2;
  TecStruc[0] = {0, 0, 0, 'z'};
  TecStruc[1] = {0, 0, 0, 'y'};
  const int onLine = 1;  // (0, 0, 0): grid line (1, 1)
  const int moved = block[1].firstPoint + 3 * 2;  // (1, 0, 0): grid line (2, 1)
  ASSERT_EQ(Px[moved], 1.0);
  Px[moved] = 0.75;  // a shoreline move: 0.25 from (2, 1), 0.75 from (1, 1)
  Py[moved] = 0.0;
  print_tecplot3d(0);
  const TecplotFile t = readTecplot(dir.dir().read("tecplfe.dat"), NoPoints, NoCells);
  EXPECT_NEAR(t.points[onLine - 1][6], 11.0, 1e-9);
  EXPECT_NEAR(t.points[onLine - 1][7], 89.0, 1e-9);
  // w = 0.25 / (0.25 + 0.75): 0.75 of (2, 1) and 0.25 of (1, 1)
  EXPECT_NEAR(t.points[moved - 1][6], 0.75 * 21.0 + 0.25 * 11.0, 1e-9);
  EXPECT_NEAR(t.points[moved - 1][7], 0.75 * 79.0 + 0.25 * 89.0, 1e-9);
}

TEST(Tecplot3dJoin, NodesOnBothSidesOfAJoinCarryTheMeanOfBothBlocks) {
  InProjectDir dir;
  allocatePlotModel(8, 6, 4, 1);
  const int w = addBoxBlock({2, 2, 2, 3, 2, 0.0, 0.0, 1.0, 1.0, 1.0, 0.0});
  const int e = addBoxBlock({5, 5, 2, 3, 2, 1.0, 0.0, 1.0, 1.0, 1.0, 0.0});
  joinEastWest(w, e);
  for (int c = 1; c <= NoCells; ++c) Ckinen[c] = c <= block[1].lastCell ? 1.0 : 3.0;
  TecStrucNo = 1;
  TecStruc[0] = {0, 0, 0, 'k'};
  print_tecplot3d(0);
  const TecplotFile t = readTecplot(dir.dir().read("tecplfe.dat"), NoPoints, NoCells);
  int onJoin = 0;
  for (int n = 1; n <= NoPoints; ++n) {
    const double expected = Px[n] == 1.0 ? 2.0 : (Px[n] < 1.0 ? 1.0 : 3.0);
    EXPECT_NEAR(t.points[n - 1][6], expected, 1e-9) << "point " << n;
    onJoin += Px[n] == 1.0;
  }
  EXPECT_EQ(onJoin, 2 * 3 * 3);
}

TEST(Tecplot3dNames, FileNames) {
  InProjectDir dir;
  allocatePlotModel(6, 6, 4, 1);
  struct Case {
    int printRes, printAlways, mpi;
    std::vector<std::string> names;
  };
  const std::vector<Case> cases = {
      {0, 0, 0, {"tecplfe.dat", "tecplfe.dat"}},
      {0, 0, 4, {"tecplfe.mpi4.dat", "tecplfe.mpi4.dat"}},
      {1, 0, 0, {"tec3_00000.dat", "tec3_00001.dat"}},
      {0, 2, 4, {"tec3_00000.dat", "tec3_00001.dat"}},  // the same with F 308
  };
  for (const Case& k : cases) {
    (void)!std::system(("rm -f '" + dir.dir().path() + "'/tec*").c_str());
    PrintRes = k.printRes, PrintResAlways = k.printAlways, FlagMPI = k.mpi;
    print_tecplot3d(0);
    EXPECT_TRUE(dir.dir().exists(k.names[0])) << k.names[0];
    print_tecplot3d(0);
    EXPECT_TRUE(dir.dir().exists(k.names[1])) << k.names[1];
  }
}

}  // namespace
