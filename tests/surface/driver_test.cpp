// The free-surface driver's own steps: the braiding index of the trace line,
// the group reference pressure, the backwater factors, the reference cell and
// the shift of the whole surface to the reference level.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "solvers/pressource.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"
#include "surface/driver_parts.h"
#include "surface/surface.h"

namespace {

int columnCellOf(int i, int j) { return static_cast<int>(zval[i][j][0]); }

}  // namespace

// Cross-sections i = 2..5 of a block of 4 x 10 columns, all alike: the shear
// 300 k of each column cell along j decides the channels.
TEST(BraidingIndex, ChannelsAreRunsOfActiveColumns) {
  InProjectDir d;
  setRunStateInitial();
  ASSERT_TRUE(FlowGrid::box(4, 10).build());
  struct Row {
    const char* what;
    std::vector<double> tau;  // j = 2..11
    double bi;
  };
  const double A = 1.0, dead = 0.0, mid = 0.05;  // BraidedTot 0.001, BraidedActive 0.1
  const std::vector<Row> rows = {
      {"one channel reaching the bank", {A, A, A, A, A, A, A, A, A, A}, 1.0},
      {"two channels split by a dry bar", {A, A, A, A, dead, A, A, A, A, A}, 2.0},
      {"a run shorter than BraidCells", {A, A, A, dead, dead, dead, dead, dead, dead, dead}, 0.0},
      {"a moderately active column does not end a run", {A, A, A, A, mid, A, A, A, A, A}, 1.0},
      {"a run ending at the bank on a moderate column", {A, A, A, A, A, A, A, A, A, mid}, 0.0},
      {"a closed run of exactly BraidCells", {dead, A, A, A, A, dead, dead, dead, dead, dead}, 1.0},
  };
  for (const Row& r : rows) {
    for (int i = 2; i <= 5; ++i)
      for (int j = 2; j <= 11; ++j) Ckinen[columnCellOf(i, j)] = r.tau[j - 2] / 300.0;
    EXPECT_NEAR(computeBI(), r.bi, 1e-9) << r.what;
  }
  // Only the cross-sections from IBraidedStart on count; none beyond i2.
  for (int j = 2; j <= 11; ++j) Ckinen[columnCellOf(2, j)] = 0.0;
  for (int i = 3; i <= 5; ++i)
    for (int j = 2; j <= 11; ++j) Ckinen[columnCellOf(i, j)] = A / 300.0;
  EXPECT_NEAR(computeBI(), 0.75, 1e-9);
  IBraidedStart = 3;
  EXPECT_NEAR(computeBI(), 1.0, 1e-9);
  IBraidedStart = 6;
  EXPECT_EQ(computeBI(), 0.0);
}

// The reference pressure of a group: every face of its list, the first one
// included, only top cells, the value at position m/2 + 1 of the sorted
// values; the largest of fewer than three, 0 of none.
TEST(GroupReferencePressure, MiddleValueOfTheTopCellsOfEveryFace) {
  InProjectDir d;
  setRunStateInitial();
  ASSERT_TRUE(FlowGrid::box(8, 4).build());
  // Top faces of the top cells of six columns, and one face below a top cell.
  std::vector<int> top, faces;
  for (int j = 2; j <= 5; ++j)
    for (int i = 2; i <= 3; ++i) {
      int c = columnCellOf(i, j);
      while (Ccellt[c] != 0) c = Ccellt[c];
      top.push_back(c);
    }
  ASSERT_GE(top.size(), 6u);
  int lower = columnCellOf(4, 2);
  ASSERT_NE(Ccellt[lower], 0) << "the box needs two layers";
  DischargeGroup& G = DischargeStruct[5];
  auto set = [&](std::vector<std::pair<int, double>> list) {
    G.surfno = static_cast<int>(list.size());
    for (size_t e = 0; e < list.size(); ++e) {
      G.face[e] = Cflatet[list[e].first];
      Cpres[list[e].first] = list[e].second;
    }
  };
  // m = 5 (1 2 3 4 5): the fourth smallest; the first face counts.
  set({{top[0], 1.0}, {top[1], 5.0}, {top[2], 4.0}, {top[3], 2.0}, {top[4], 3.0}});
  EXPECT_EQ(findMedianPressure(5), 4.0);
  // m = 6 (1 2 3 4 5 100): position 4.
  set({{top[0], 100.0}, {top[1], 5.0}, {top[2], 1.0}, {top[3], 4.0}, {top[4], 2.0}, {top[5], 3.0}});
  EXPECT_EQ(findMedianPressure(5), 5.0);
  // Fewer than three: the largest, nothing read past the values found.
  set({{top[0], 7.0}, {top[1], 3.0}});
  EXPECT_EQ(findMedianPressure(5), 7.0);
  set({{top[0], 3.0}});
  EXPECT_EQ(findMedianPressure(5), 3.0);
  // A face whose cell is not a top cell does not count: m = 2.
  set({{top[0], 3.0}, {top[1], 7.0}, {top[2], 9.0}});
  G.face[2] = Cflatee[lower];
  Cpres[lower] = 50.0;
  EXPECT_EQ(findMedianPressure(5), 7.0);
  G.surfno = 0;
  EXPECT_EQ(findMedianPressure(5), 0.0);
  EXPECT_EQ(findMedianPressure(0), 0.0);
  EXPECT_EQ(findMedianPressure(10), 0.0);
}

// The backwater factors from the outlet and inlet pressures by F 477 and
// F 343 30, worked by hand.
TEST(BackwaterFactors, ScaleByTheRatioOfTheBackwaterRiseToTheHeadDifference) {
  InProjectDir d;
  setRunStateInitial();
  struct Row {
    const char* what;
    int f477, f36, f343;
    double maxBack, m1, m2;
    bool moves;
    double scale, scale2;
  };
  // A head difference of 0.2 m is 1962 Pa.
  const std::vector<Row> rows = {
      {"F 477 0: both 1", 0, 0, 0, 0.05, 1962.0, 0.0, true, 1.0, 1.0},
      {"F 477 4: 1", 4, 0, 0, 0.05, 1962.0, 0.0, true, 1.0, 1.0},
      {"F 477 1: ratio 0.25", 1, 0, 0, 0.05, 1962.0, 0.0, true, 1.0, 0.05 / (0.2 + 1e-7)},
      {"F 477 1: at most 1", 1, 0, 0, 0.4, 1962.0, 0.0, true, 1.0, 1.0},
      {"F 477 1: below 0.05 skips", 1, 0, 0, 0.008, 1962.0, 0.0, false, 1.0, 0.008 / (0.2 + 1e-7)},
      {"F 477 1: a negative head difference skips", 1, 0, 0, 0.05, 0.0, 1962.0, false, 1.0, 0.05 / (-0.2 + 1e-7)},
      {"F 477 3: ratio", 3, 0, 0, 0.05, 1962.0, 0.0, true, 1.0, 0.25},
      {"F 477 3: not below 0", 3, 0, 0, 0.05, 0.0, 1962.0, true, 1.0, 0.0},
      {"F 477 3: not above 1", 3, 0, 0, 0.5, 1962.0, 0.0, true, 1.0, 1.0},
      {"F 36 4 with F 343 30", 0, 4, 30, 0.05, 1962.0, 0.0, true, 0.05 / (0.2 + 1e-7), 1.0},
      {"F 36 4 with F 343 30, rise above the difference", 0, 4, 30, 0.5, 0.0, 1962.0, true, 0.5 / (0.5 + 1e-7), 1.0},
      {"F 343 30 without F 36 4", 0, 2, 30, 0.05, 1962.0, 0.0, true, 1.0, 1.0},
  };
  for (const Row& r : rows) {
    FlagScaleFreeSource = r.f477;
    FlagTFS = r.f36;
    BlockCasulli = r.f343;
    maxBackwater = r.maxBack;
    EXPECT_EQ(backwaterFactors(r.m1, r.m2), r.moves) << r.what;
    EXPECT_NEAR(scaleBackwater, r.scale, 1e-12) << r.what;
    EXPECT_NEAR(scaleBackwater2, r.scale2, 1e-12) << r.what;
  }
}

// F 477 2 takes the level drop along the middle grid line of block 1 off both
// the rise and the head difference.
TEST(BackwaterFactors, Mode2RemovesTheLevelDropOfBlockOne) {
  InProjectDir d;
  setRunStateInitial();
  ASSERT_TRUE(FlowGrid::box(8, 4).build());
  // jm = j2 / 2 + 1 = 3; the level drops 0.1 m from line i1 - 1 = 1 to i2 = 9.
  zval[1][3][znumber] = 1.1;
  zval[9][3][znumber] = 1.0;
  FlagScaleFreeSource = 2;
  maxBackwater = 0.15;
  EXPECT_TRUE(backwaterFactors(2943.0, 0.0));  // 0.3 m of head
  EXPECT_NEAR(scaleBackwater2, (0.15 - 0.1) / (0.3 - 0.1 + 1e-30), 1e-9);
  maxBackwater = 0.05;  // below the drop: the ratio is negative, bounded to 0
  EXPECT_TRUE(backwaterFactors(2943.0, 0.0));
  EXPECT_EQ(scaleBackwater2, 0.0);
}

// The reference cell: the column cell at the reference grid point; where that
// column is dry, the lowest cell of the column of the cell the references
// found; none gives the Error 9 line and 0.
TEST(SurfaceReferenceCell, ColumnCellOrTheLowestCellOfTheReplacement) {
  InProjectDir d;
  setRunStateInitial();
  ASSERT_TRUE(FlowGrid::box(8, 4).build());
  iPres = 9;
  jPres = 3;
  const int own = columnCellOf(9, 3);
  EXPECT_EQ(surfaceReferenceCell(0), own);
  int top = columnCellOf(5, 4);
  const int lowest = top;
  while (Ccellt[top] != 0) top = Ccellt[top];
  zval[9][3][0] = 0.0;
  EXPECT_EQ(surfaceReferenceCell(top), lowest);
  EXPECT_EQ(d.dir().boogie().find("Error 9"), std::string::npos);
  EXPECT_EQ(surfaceReferenceCell(0), 0);
  EXPECT_NE(d.dir().boogie().find("Error 9 in surface computation, reference cell is zero. iPres=9, jPres=3, i=0\n\n\n"),
            std::string::npos);
  // A reference grid point outside the grid has no column cell.
  iPres = 500;
  EXPECT_EQ(surfaceReferenceCell(top), lowest);
}

// F 427 5: three times the mean magnitude of the p' residual over all cells.
TEST(SurfaceDriver, ResidualLimitIsThreeTimesTheMeanResidual) {
  InProjectDir d;
  setRunStateInitial();
  EXPECT_EQ(meanPressureResidual3(), 0.0);  // no cells
  ASSERT_TRUE(FlowGrid::box(2, 2).build());
  double* saved = Cpres_res;
  std::vector<double> res(NoCells + 1, 0.0);
  res[0] = 1000.0;  // the dummy element is not a cell
  res[1] = -0.004;
  res[NoCells] = 0.002;
  Cpres_res = res.data();
  EXPECT_NEAR(meanPressureResidual3(), 3.0 * 0.006 / NoCells, 1e-15);
  Cpres_res = saved;
}
