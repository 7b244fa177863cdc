// Results at the interpolation points on small in-process grids: the
// neighbourhood weights, the profile and column records, the discharge per
// unit width, the averaged and slide records, the sections along the points,
// and the value of a field at a height in its column.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "output/interres.h"
#include "output/output.h"
#include "output/plot_grid.h"
#include "output/vtk_reader.h"
#include "support/in_dir.h"

namespace {

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

// Block 1: columns i 2..4, j 2..4 of 2 m x 2 m (x, y 0..6) with `levels`
// cells of 0.5 m over a bed at 0; u is the column's i, v its j.
class Interres : public ::testing::Test {
 protected:
  InProjectDir dir;
  void build(int zn, int levels) {
    allocatePlotModel(8, 8, zn, 2);
    addBoxBlock({2, 4, 2, 4, levels, 0.0, 0.0, 2.0, 2.0, 0.5, 0.0});
    FlagHaveDoneMetric = 1;  // the geometry is the builder's
    for (int c = 1; c <= NoCells; ++c) {
      Cxvel[c] = std::floor(Cxcenter[c] / 2.0) + 2;
      Cyvel[c] = std::floor(Cycenter[c] / 2.0) + 2;
    }
  }
  void points(const std::string& text) {
    dir.dir().write("interpol", text);
    NoInterpol = -1;
  }
  std::string read(const std::string& name) const { return dir.dir().read(name); }
  // the top cell of column (i, j)
  int top(int i, int j) const {
    int c = static_cast<int>(zval[i][j][0]);
    while (Ccellt[c] > 0) c = Ccellt[c];
    return c;
  }
};

}  // namespace

TEST_F(Interres, APointAtACellCentreGivesThatCellTheWeightOfAMillion) {
  build(4, 4);
  InterpolNeighbourhood nb;
  ASSERT_TRUE(interpolNeighbourhood(3.0, 3.0, nb));
  // corner 1 of column (3, 3) is the first of four equally near corners
  EXPECT_EQ(nb.cell[0], top(3, 3));
  EXPECT_EQ(nb.cell[1], top(3, 2));  // south
  EXPECT_EQ(nb.cell[2], top(2, 3));  // west
  EXPECT_EQ(nb.cell[3], top(2, 2));  // south-west
  EXPECT_DOUBLE_EQ(nb.weight[0], 1e6);
  EXPECT_DOUBLE_EQ(nb.weight[1], 1.0 / (2.0 + 1e-6));
  EXPECT_DOUBLE_EQ(nb.weight[2], 1.0 / (2.0 + 1e-6));
  EXPECT_DOUBLE_EQ(nb.weight[3], 1.0 / (std::sqrt(8.0) + 1e-6));
  // on the south-west edge: no south and no south-west cell
  ASSERT_TRUE(interpolNeighbourhood(2.5, 1.0, nb));
  EXPECT_EQ(nb.cell[0], top(3, 2));
  EXPECT_EQ(nb.cell[1], 0);
  EXPECT_EQ(nb.cell[2], top(2, 2));
  EXPECT_EQ(nb.cell[3], 0);
  EXPECT_EQ(nb.weight[1], 0.0);
  EXPECT_EQ(nb.weight[3], 0.0);
  // 20 km away: no neighbourhood
  EXPECT_FALSE(interpolNeighbourhood(20000.0, 0.0, nb));
}

TEST_F(Interres, ProfileRecordsHoldAtMostTwiceZnumberPlusOneLines) {
  build(2, 6);  // six cells per column, znumber 2: five lines at most
  FlagInterpolVal = 2;
  points("M 3.0 3.0\nM 20000 0\n");
  print_interres(0);
  const auto l = linesOf(read("interres"));
  ASSERT_EQ(l.size(), 7u) << read("interres");
  char head[200];
  std::snprintf(head, sizeof head, "M 3.000000 3.000000 %d %d %d %d 1000000.000000 0.500000 0.500000 0.353553",
                top(3, 3), top(3, 2), top(2, 3), top(2, 2));
  EXPECT_EQ(l[0], head);
  // weighted means of the four columns, from the surface down
  const double wc = 1e6, ws = 1.0 / (2 + 1e-6), wsw = 1.0 / (std::sqrt(8.0) + 1e-6), sum = wc + 2 * ws + wsw;
  const double u = (3 * wc + 3 * ws + 2 * ws + 2 * wsw) / sum, v = (3 * wc + 2 * ws + 3 * ws + 2 * wsw) / sum;
  for (int n = 0; n < 5; ++n) {
    std::istringstream in(l[1 + n]);
    double z, uu, vv;
    in >> z >> uu >> vv;
    EXPECT_NEAR(z, 2.75 - 0.5 * n, 1e-6) << l[1 + n];
    EXPECT_NEAR(uu, u, 1e-6);
    EXPECT_NEAR(vv, v, 1e-6);
  }
  EXPECT_EQ(l[6], "M 20000.000000 0.000000 point is more than 10 000 meters outside grid");
  EXPECT_EQ(bechStanddev, 0.0);
}

TEST_F(Interres, ProfileEndsWhenAllFourColumnsEnd) {
  build(10, 3);
  FlagInterpolVal = 2;
  points("M 3.0 3.0\n");
  print_interres(0);
  EXPECT_EQ(linesOf(read("interres")).size(), 4u) << read("interres");  // the M line and three levels
}

TEST_F(Interres, SpeedRecordInsideAndOutsideTheNeighbourhood) {
  build(4, 4);
  FlagInterpolVal = 5;
  points("M 3.0 3.0\nM 3.1 1.0\n");
  print_interres(0);
  const auto l = linesOf(read("interres"));
  ASSERT_EQ(l.size(), 2u);
  const double wc = 1e6, ws = 1.0 / (2 + 1e-6), wsw = 1.0 / (std::sqrt(8.0) + 1e-6);
  const double speed = (wc * std::hypot(3, 3) + ws * std::hypot(3, 2) + ws * std::hypot(2, 3) + wsw * std::hypot(2, 2)) /
                       (wc + 2 * ws + wsw);
  char expect[100];
  std::snprintf(expect, sizeof expect, "N 3.000000 3.000000 %lf", speed);
  EXPECT_EQ(l[0], expect);
  EXPECT_EQ(l[1], "N 3.100000 1.000000 0.000000");  // cells missing: not inside
}

TEST_F(Interres, DischargePerUnitWidthOfAUniformFlowIsVelocityTimesDepth) {
  build(4, 4);  // 2 m deep
  for (int c = 1; c <= NoCells; ++c) {
    Cxvel[c] = 1.5;
    Cyvel[c] = 0.0;
  }
  FlagInterpolVal = 14;
  // a line of points across the flow (y direction)
  points("M 3.0 1.5\nM 3.0 3.0\nM 3.0 4.5\n");
  print_interres(0);
  EXPECT_EQ(read("interres"), "");  // code 14 selects no record
  const auto l = linesOf(read("interres14"));
  ASSERT_EQ(l.size(), 3u);
  for (const std::string& line : l) {
    std::istringstream in(line);
    std::string tag;
    double x, y, q;
    in >> tag >> x >> y >> q;
    EXPECT_EQ(tag, "Q");
    EXPECT_NEAR(q, 3.0, 1e-9) << line;  // 1.5 m/s x 2 m
  }
  // one point has no direction along a line: 0
  points("M 3.0 3.0\n");
  print_interres(0);
  EXPECT_EQ(read("interres14"), "Q 3.000000 3.000000 0.000000\n");
}

TEST_F(Interres, LineDirectionAtTheEndsAndInside) {
  const double xs[3] = {0, 3, 3}, ys[3] = {0, 4, 8};
  double dx, dy;
  lineDirection(xs, ys, 3, 0, dx, dy);
  EXPECT_NEAR(dx, 0.6, 1e-12);
  EXPECT_NEAR(dy, 0.8, 1e-12);
  lineDirection(xs, ys, 3, 1, dx, dy);
  EXPECT_NEAR(dx, 3 / std::hypot(3, 8), 1e-12);
  lineDirection(xs, ys, 3, 2, dx, dy);
  EXPECT_NEAR(dy, 1.0, 1e-12);
  lineDirection(xs, ys, 1, 0, dx, dy);
  EXPECT_EQ(dx, 0.0);
  EXPECT_EQ(dy, 0.0);
}

TEST_F(Interres, MeasuredBedChangeAddsToTheDeviation) {
  build(4, 4);
  for (int i = 1; i <= 4; ++i)
    for (int j = 1; j <= 4; ++j) {
      zval[i][j][1] = 0.1 * i;
      Surfaces[0][i][j] = 0.0;
    }
  FlagInterpolVal = 4;
  points("N 3.0 3.0 0.5\nM 5.0 5.0\n");
  print_interres(0);
  const auto l = linesOf(read("interres"));
  ASSERT_EQ(l.size(), 2u);
  // column (3, 3): corners (2,2) (3,2) (3,3) (2,3), all equally far
  EXPECT_EQ(l[0], "Z 3.000000 3.000000 0.250000 2.000000 0.250000 0.500000");
  EXPECT_NEAR(bechStanddev, 0.25, 1e-9);
  EXPECT_EQ(l[1], "Z 5.000000 5.000000 0.350000 2.000000");  // no measured value
}

TEST_F(Interres, AveragedProfilesExistForThePointsTheTablesHold) {
  build(4, 4);
  ASSERT_TRUE(allocate2(quorz, 4, 200) && allocate2(quorxvel, 4, 200) && allocate2(quoryvel, 4, 200) &&
              allocate2(quorzvel, 4, 200) && allocate2(quork, 4, 200) && allocate2(quoreps, 4, 200) &&
              allocate3(quorc, 4, 200, 3));
  for (int p = 0; p < 4; ++p)
    for (int l = 0; l < 200; ++l) {
      quorz[p][l] = 2.0 * 0.01 * l;
      quorxvel[p][l] = 2.0 * (p + 1);
      quorc[p][l][2] = 4.0;
    }
  NoQuorInterpols = 2;
  NoQuorPoints = 4;
  PrintArrayFlags[10] = 19;
  points("M 1 1\nM 2 2\nM 3 3\nM 4 4\nM 5 5\n");
  print_interres(0);
  const auto l = linesOf(read("interres"));
  ASSERT_EQ(l.size(), 1u + 4 * 201 + 1) << "header, four profiles, the fifth point's line";
  EXPECT_EQ(l[1], "M 1.000000 1.000000");
  EXPECT_EQ(l[2], "0.000000 1.000000 0.000000 0.000000 0.000000 0.000000  0.000000e+00 2.000000e+00");
  EXPECT_EQ(l[3 * 201 + 2].substr(0, 18), "0.000000 4.000000 ");
  EXPECT_EQ(l.back(), "M 5.000000 5.000000");
  EXPECT_EQ(NoQuorInterpols, 0);
  EXPECT_EQ(quorxvel[2][7], 0.0);  // written sums are cleared
  EXPECT_EQ(quorc[1][5][2], 0.0);
}

TEST_F(Interres, SlideMovementTakesTheSmallestValueAtTheBlockEdge) {
  build(4, 4);
  FlagThixo = 1;
  for (int i = 0; i <= 5; ++i)
    for (int j = 0; j <= 5; ++j) Surfaces[6][i][j] = 2000.0;
  Surfaces[6][3][2] = 5.0;
  Surfaces[6][3][3] = 3.0;
  Surfaces[6][3][4] = 1000.0;  // 1000 and more do not count
  PrintArrayFlags[10] = 17;
  points("M 3.0 3.0\n");
  print_interres(0);
  auto l = linesOf(read("interres"));
  ASSERT_EQ(l.size(), 3u);
  EXPECT_EQ(l[1], "SM 3.000000 3.000000 2.000000 3.000000 3 3");
  EXPECT_EQ(l[2], "Average slide movement: 3.000000");
  // without an ordinary block: no record and an average of 0, not 0/0
  block[1].subBed = 1;
  print_interres(0);
  l = linesOf(read("interres"));
  ASSERT_EQ(l.size(), 2u);
  EXPECT_EQ(l[1], "Average slide movement: 0.000000");
}

TEST_F(Interres, NoInterpolFileStillWritesTheHeaderOnceAndLaterCallsReturn) {
  build(4, 4);
  FlagInterpolVal = 1;
  print_interres(1);
  EXPECT_EQ(NoInterpol, -2);
  EXPECT_EQ(linesOf(read("interres.000")).size(), 1u);
  print_interres(1);
  EXPECT_FALSE(dir.dir().exists("interres.001"));
}

TEST_F(Interres, CodeAboveHundredAloneWritesNoRecordFile) {
  build(4, 4);
  PrintArrayFlags[10] = 102;
  points("M 3.0 3.0\nM 3.0 5.0\n");
  print_interres(0);
  EXPECT_FALSE(dir.dir().exists("interres"));
  EXPECT_TRUE(dir.dir().exists("interres14"));
}

TEST_F(Interres, ConcentrationSectionOnEvenLevelsInterpolatesInEachColumn) {
  if (!vtkAvailable()) GTEST_SKIP() << "VTK for /usr/bin/python3 is not installed";
  build(4, 4);  // m = 6: seven levels from 2 m down to 0
  for (int c = 1; c <= NoCells; ++c) Cconc[1][c] = 10.0 * Czcenter[c];
  FlagInterpolVal = 20;
  points("M 3.0 3.0\nM 3.0 5.0\n");
  print_interres(0);
  VtkLoad s = loadVtk(dir.dir().path() + "/ParaView2cc.vtk", {"Concentrations_1"});
  ASSERT_TRUE(s.ran);
  EXPECT_EQ(s.errors, 0);
  EXPECT_EQ(s.dims, (std::array<int, 3>{7, 2, 1}));
  EXPECT_EQ(s.arrays, (std::vector<std::string>{"Concentrations_0", "Concentrations_1", "Concentrations_2"}));
  ASSERT_EQ(s.values["Concentrations_1"].size(), 14u);
  for (int l = 0; l < 7; ++l) {
    const double z = 2.0 - l / 3.0;
    EXPECT_NEAR(s.coords[l][2], z, 1e-6);
    // between the centres 0.25 .. 1.75 the field itself; beyond them the end cell's value
    const double expect = 10.0 * std::clamp(z, 0.25, 1.75);
    EXPECT_NEAR(s.values["Concentrations_1"][l][0], expect, 1e-4) << l;
  }
  EXPECT_EQ(c_points[0], top(3, 3));
}

TEST_F(Interres, SpeedSectionNodesRunFromTheSurfaceToTheBed) {
  if (!vtkAvailable()) GTEST_SKIP() << "VTK for /usr/bin/python3 is not installed";
  build(5, 4);  // six nodes: surface, four centres, then the bed
  FlagInterpolVal = 12;
  points("M 3.0 3.0\nM 3.0 5.0\n");
  print_interres(0);
  VtkLoad s = loadVtk(dir.dir().path() + "/ParaView2c.vtk", {"Velocities"});
  ASSERT_TRUE(s.ran);
  EXPECT_EQ(s.errors, 0);
  EXPECT_EQ(s.dims, (std::array<int, 3>{6, 2, 1}));
  const double expect[6] = {2.0, 1.75, 1.25, 0.75, 0.25, 0.0};
  for (int n = 0; n < 6; ++n) EXPECT_NEAR(s.coords[n][2], expect[n], 1e-3) << n;
  EXPECT_NEAR(s.coords[6][0], 2.0, 1e-9);                             // 2 m along the points
  EXPECT_NEAR(s.values["Velocities"][0][0], std::hypot(3, 3), 1e-4);  // the point's own column
  EXPECT_EQ(s.values["Velocities"][5][0], 0.0);                       // below the last cells
}

// ---- the value of a field at a height ----

TEST_F(Interres, FieldAtAHeightIsLinearBetweenCentresAndTheEndValueBeyond) {
  build(4, 4);
  std::vector<double> f(MaxCeller, 0.0);
  for (int c = 1; c <= NoCells; ++c) f[c] = 1.0 + 2.0 * Czcenter[c];
  const int bottom = static_cast<int>(zval[3][3][0]), upper = Ccellt[Ccellt[bottom]];
  for (int from : {bottom, upper}) {
    EXPECT_NEAR(fieldAtHeight(f.data(), from, 1.0), 3.0, 1e-12);
    EXPECT_NEAR(fieldAtHeight(f.data(), from, 0.3), 1.6, 1e-12);
    EXPECT_NEAR(fieldAtHeight(f.data(), from, 1.7), 4.4, 1e-12);
    EXPECT_DOUBLE_EQ(fieldAtHeight(f.data(), from, 0.1), 1.5);  // below the lowest centre
    EXPECT_DOUBLE_EQ(fieldAtHeight(f.data(), from, 1.95), 4.5);  // above the highest centre
  }
  EXPECT_DOUBLE_EQ(fieldAtHeight(f.data(), upper, 1.25), f[upper]);
  EXPECT_EQ(fieldAtHeight(f.data(), 0, 1.0), 0.0);
}

TEST(InterresSlide, RowsNearTheBlockEdgeTakeTheEdgeMinimumOthersTheDirectValue) {
  InProjectDir dir;
  allocatePlotModel(6, 32, 2, 1);
  addBoxBlock({2, 3, 2, 30, 1, 0.0, 0.0, 1.0, 1.0, 0.5, 0.0});  // rows 2..30, y 0..29
  FlagThixo = 1;
  for (int i = 0; i <= 4; ++i)
    for (int j = 0; j <= 31; ++j) Surfaces[6][i][j] = 10.0 + j;
  Surfaces[6][2][5] = 1.0;   // the least of lines 2..11
  Surfaces[6][2][12] = 0.5;  // outside them
  Surfaces[6][2][25] = 2.0;  // the least of lines 21..30
  PrintArrayFlags[10] = 17;
  // nearest rows: 12 = j1 + 10, 13 = j1 + 11, 20 = j2 - 10
  dir.dir().write("interpol", "M 0.5 10.5\nM 0.5 11.5\nM 0.5 18.5\n");
  NoInterpol = -1;
  print_interres(0);
  const auto l = linesOf(dir.dir().read("interres"));
  ASSERT_EQ(l.size(), 5u) << dir.dir().read("interres");
  EXPECT_EQ(l[1], "SM 0.500000 10.500000 0.500000 1.000000 2 5");
  EXPECT_EQ(l[2], "SM 0.500000 11.500000 0.500000 23.000000 2 13 direct value");
  EXPECT_EQ(l[3], "SM 0.500000 18.500000 0.500000 2.000000 2 25");
  EXPECT_EQ(l[4], "Average slide movement: 1.500000");
}
