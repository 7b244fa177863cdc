// Plot points: the plan grid with its boundary ring, the node maps and the
// node rule that carries cell values to the grid points.
#include "output/plotpoints.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "output/plot_grid.h"
#include "support/in_dir.h"

namespace {

int pointAt(double x, double y, double z) {
  for (int n = 1; n <= NoPoints; ++n)
    if (std::fabs(Px[n] - x) < 1e-9 && std::fabs(Py[n] - y) < 1e-9 && std::fabs(Pz[n] - z) < 1e-9) return n;
  return 0;
}

// Node means of a field given per cell.
std::vector<double> nodeMeans(const NodeRule& rule, double (*field)(int), bool vtkMean) {
  std::vector<double> values;
  for (int c : rule.cells()) values.push_back(field(c));
  std::vector<double> out;
  rule.means(values, NoPoints, vtkMean, out);
  return out;
}

double linearField(int c) { return 1.0 + 2.0 * Cxcenter[c] + 3.0 * Cycenter[c] + 4.0 * Czcenter[c]; }

// 2 x 2 columns of two 1 m cells from (0, 0, 0); one extra point no cell uses.
class NodeRuleBox : public ::testing::Test {
 protected:
  InProjectDir dir;
  void SetUp() override {
    allocatePlotModel(6, 6, 4, 1);
    addBoxBlock({2, 3, 2, 3, 2, 0.0, 0.0, 1.0, 1.0, 1.0, 0.0});
    loose = ++NoPoints;
    Px[loose] = 9, Py[loose] = 9, Pz[loose] = 9;
  }
  int loose = 0;
};

TEST_F(NodeRuleBox, MeansOfTheCellsThatMeetAtEachNode) {
  NodeRule rule;
  rule.build();
  EXPECT_EQ(rule.cells().size(), 8u);
  struct Case {
    double x, y, z;
    int cells;
    double expected;  // the field 1 + 2x + 3y + 4z at cell centres
  };
  const std::vector<Case> cases = {
      {1, 1, 1, 8, 1 + 2 + 3 + 4},             // interior: a linear field's mean is its value there
      {0, 0, 0, 1, 1 + 1 + 1.5 + 2},           // bed corner: the one cell (0.5, 0.5, 0.5)
      {1, 0, 0, 2, 1 + 2 + 1.5 + 2},           // bed edge: two cells
      {1, 1, 2, 4, 1 + 2 + 3 + 6},             // surface middle: four cells at z 1.5
      {2, 2, 1, 2, 1 + 3 + 4.5 + 4},           // outer corner, mid-height: two cells
  };
  for (bool vtk : {true, false}) {
    const std::vector<double> got = nodeMeans(rule, linearField, vtk);
    for (const Case& k : cases) {
      const int n = pointAt(k.x, k.y, k.z);
      ASSERT_GT(n, 0);
      EXPECT_EQ(rule.count(n), k.cells) << k.x << " " << k.y << " " << k.z;
      EXPECT_NEAR(got[n], k.expected, 1e-9) << k.x << " " << k.y << " " << k.z << (vtk ? " vtk" : " tecplot");
    }
    EXPECT_EQ(got[loose], 0.0);  // no cell meets it
  }
}

TEST_F(NodeRuleBox, ACollapsedEdgeCountsTheCellOnce) {
  const int c = static_cast<int>(zval[2][2][0]);  // bottom cell of column (2, 2)
  const int p = Cpoint1[c];
  Cpoint5[c] = p;  // corner 5 collapses onto corner 1
  NodeRule rule;
  rule.build();
  EXPECT_EQ(rule.count(p), 1);
  const std::vector<double> got = nodeMeans(rule, linearField, true);
  EXPECT_NEAR(got[p], linearField(c), 1e-9);
}

TEST_F(NodeRuleBox, NodeGridLinesAndTwinMap) {
  fillNodeGridLines(2, 3, 2, 3, 1, NoPoints);
  EXPECT_EQ(Pi[pointAt(0, 0, 0)], 1);
  EXPECT_EQ(Pj[pointAt(0, 0, 0)], 1);
  EXPECT_EQ(Pi[pointAt(2, 1, 2)], 3);
  EXPECT_EQ(Pj[pointAt(2, 1, 2)], 2);
  Pi[loose] = 7;  // stale from an earlier grid
  fillNodeGridLines(2, 3, 2, 3, 1, NoPoints);
  EXPECT_EQ(Pi[loose], 0);
  fillNodeTwinMap(1, NoPoints);
  for (int n = 1; n <= NoPoints; ++n) EXPECT_EQ(Pc[n], n);
}

// Two blocks side by side, joined along x = 1: cells of the west block hold
// 1, of the east block 3. Points on the join collect the cells of both sides.
TEST(NodeRuleJoin, NodeValuesAlongAJoinComeFromBothBlocks) {
  InProjectDir dir;
  allocatePlotModel(8, 6, 4, 1);
  const int w = addBoxBlock({2, 2, 2, 3, 2, 0.0, 0.0, 1.0, 1.0, 1.0, 0.0});
  const int e = addBoxBlock({5, 5, 2, 3, 2, 1.0, 0.0, 1.0, 1.0, 1.0, 0.0});
  joinEastWest(w, e);
  ASSERT_EQ(NoConnFlate, 4);
  NodeRule rule;
  rule.build();
  const std::vector<double> got =
      nodeMeans(rule, [](int c) { return c <= block[1].lastCell ? 1.0 : 3.0; }, true);
  struct Case {
    double x, y, z;
    int cells;
    double expected;
  };
  const std::vector<Case> cases = {
      {1, 1, 1, 8, 2.0},    // four cells on each side
      {1, 0, 0, 2, 2.0},    // bed corner of the join: one cell each side
      {1, 2, 2, 2, 2.0},
      {0, 1, 1, 4, 1.0},    // away from the join: its own block only
      {2, 1, 1, 4, 3.0},
  };
  fillNodeTwinMap(1, NoPoints);
  for (const Case& k : cases) {
    // both points of a joined pair: the west one and its twin
    for (int b : {w, e}) {
      int n = 0;
      for (int p = block[b].firstPoint; p <= block[b].lastPoint; ++p)
        if (std::fabs(Px[p] - k.x) < 1e-9 && std::fabs(Py[p] - k.y) < 1e-9 && std::fabs(Pz[p] - k.z) < 1e-9) n = p;
      if (n == 0) continue;
      EXPECT_EQ(rule.count(n), k.cells) << "block " << b << " at " << k.x << " " << k.y << " " << k.z;
      EXPECT_NEAR(got[n], k.expected, 1e-9) << "block " << b << " at " << k.x << " " << k.y << " " << k.z;
    }
  }
  // Pc sends a point of the first surface of a pair to its twin
  const int west = Fpoint2[connFlate[1][0]], east = Fpoint2[connFlate[1][1]];
  EXPECT_EQ(Pc[west], east);
  EXPECT_EQ(Pc[east], east);
}

TEST(PlanGridPoints, RingRepeatsTheOutermostColumns) {
  InProjectDir dir;
  allocatePlotModel(6, 6, 4, 1);
  addBoxBlock({2, 4, 2, 3, 1, 0.0, 0.0, 10.0, 20.0, 1.0, 0.0});
  PlanGrid grid;
  ASSERT_TRUE(makePlanGrid(1, grid));
  EXPECT_EQ(grid.nx, 5);
  EXPECT_EQ(grid.ny, 4);
  ASSERT_EQ(grid.points.size(), 20u);
  struct Case {
    int index;
    double x, y;
    int ci, cj;
  };
  const std::vector<Case> cases = {
      {0, 0, 0, 2, 2},     // south-west corner of the block, column (2, 2)
      {1, 5, 0, 2, 2},     // middle of the south edge of column (2, 2)
      {5, 0, 10, 2, 2},    // middle of the west edge of column (2, 2)
      {6, 5, 10, 2, 2},    // centre of column (2, 2)
      {9, 30, 10, 4, 2},   // east edge of the block
      {19, 30, 40, 4, 3},  // north-east corner
  };
  for (const Case& k : cases) {
    const PlanPoint& p = grid.points[k.index];
    EXPECT_DOUBLE_EQ(p.x, k.x) << k.index;
    EXPECT_DOUBLE_EQ(p.y, k.y) << k.index;
    EXPECT_EQ(p.ci, k.ci) << k.index;
    EXPECT_EQ(p.cj, k.cj) << k.index;
  }
  block[2] = BlockRecord{};
  EXPECT_FALSE(makePlanGrid(2, grid));  // no window
  block[2].i1 = 3, block[2].i2 = 7, block[2].j1 = 2, block[2].j2 = 3;  // beyond xnumber
  EXPECT_FALSE(makePlanGrid(2, grid));
}

TEST(PlanGridPoints, CellAtAPositionOfAColumn) {
  InProjectDir dir;
  allocatePlotModel(6, 6, 4, 1);
  addBoxBlock({2, 2, 2, 2, 2, 0.0, 0.0, 1.0, 1.0, 1.0, 0.0});
  const int bottom = static_cast<int>(zval[2][2][0]);
  EXPECT_EQ(columnCell(2, 2, 0), bottom);
  EXPECT_EQ(columnCell(2, 2, 1), bottom);
  EXPECT_EQ(columnCell(2, 2, 2), bottom + 1);
  EXPECT_EQ(columnCell(2, 2, 3), bottom + 1);  // a shorter column gives its top cell
  EXPECT_EQ(columnCell(3, 2, 2), 0);           // dry column
  EXPECT_EQ(columnCell(-1, 2, 2), 0);          // outside the block grid
}

}  // namespace
