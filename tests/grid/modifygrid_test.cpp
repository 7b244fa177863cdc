// Local deepening of the grid under the bottom cell with the largest k
// residual (F 395), on a flat box of 4 x 2 columns of 1 m x 1 m, water at 1 m.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "grid/geometry.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"

namespace {

int bottomCell(int i, int j) { return static_cast<int>(zval[i][j][0]); }

std::vector<double> volumes() { return std::vector<double>(Cvol, Cvol + NoCells + 1); }

}  // namespace

// Corners lowered to 0.3 m below the bed (water 1 m, F 395 depth 1.3 m): the
// chosen cell gains 0.3 m3; a neighbour that shares two of those corners gains
// the mean of its corner drops, 0.15 m3, or 0.3 m3 when its outer corners are
// lowered too (F 395 2). Column (3, 2) lies on the south edge: no south
// neighbour.
TEST(ModifyGrid, LowersTheCornersUnderTheLargestKResidual) {
  struct Row {
    int flag;
    double east, west, north;
  } rows[] = {{1, 0.15, 0.15, 0.15}, {2, 0.3, 0.3, 0.3}};
  for (const Row& r : rows) {
    InProjectDir p;
    ASSERT_TRUE(FlowGrid::box(4, 2).build());
    ASSERT_TRUE(Ckinen_res);
    FlagModifyGrid = r.flag;
    DzModifyGrid = 1.3;
    const int c = bottomCell(3, 2), e = bottomCell(4, 2), w = bottomCell(2, 2), n = bottomCell(3, 3);
    ASSERT_EQ(Ccelle[c], e);
    ASSERT_EQ(Ccellw[c], w);
    ASSERT_EQ(Ccelln[c], n);
    ASSERT_EQ(Ccells[c], 0);
    Ckinen_res[c] = 2.0;
    Ckinen_res[e] = 1.0;
    const std::vector<double> before = volumes();
    ModifyGrid();
    for (int corner : {Cpoint1[c], Cpoint2[c], Cpoint3[c], Cpoint4[c]}) EXPECT_DOUBLE_EQ(Pz[corner], -0.3);
    EXPECT_NEAR(Cvol[c] - before[c], 0.3, 1e-12) << "F 395 " << r.flag;
    EXPECT_NEAR(Cvol[e] - before[e], r.east, 1e-12) << "F 395 " << r.flag;
    EXPECT_NEAR(Cvol[w] - before[w], r.west, 1e-12) << "F 395 " << r.flag;
    EXPECT_NEAR(Cvol[n] - before[n], r.north, 1e-12) << "F 395 " << r.flag;
    // The cell above the chosen one keeps its volume.
    EXPECT_NEAR(Cvol[Ccellt[c]], before[Ccellt[c]], 1e-12);
  }
}

// Each lowered corner takes the water level of its own grid line: with levels
// that differ from line to line, a corner set from a neighbouring line shows.
TEST(ModifyGrid, EachCornerFollowsTheLevelOfItsGridLine) {
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::box(4, 2).build());
  FlagModifyGrid = 2;
  DzModifyGrid = 1.3;
  for (int i = 0; i <= xnumber + 1; ++i)
    for (int j = 0; j <= ynumber + 1; ++j) zval[i][j][znumber] = 0.5 + 0.01 * i + 0.001 * j;
  const int c = bottomCell(3, 2), e = Ccelle[c], w = Ccellw[c], n = Ccelln[c];
  Ckinen_res[c] = 1.0;
  ModifyGrid();
  // Grid line (i, j) lies at x = i - 1, y = j - 1.
  auto expected = [](int pt) {
    const int i = static_cast<int>(std::lround(Px[pt])) + 1, j = static_cast<int>(std::lround(Py[pt])) + 1;
    return 0.5 + 0.01 * i + 0.001 * j - 1.3;
  };
  const int lowered[] = {Cpoint1[c], Cpoint2[c], Cpoint3[c], Cpoint4[c], Cpoint2[e],
                         Cpoint3[e], Cpoint1[w], Cpoint4[w], Cpoint3[n], Cpoint4[n]};
  for (int pt : lowered) EXPECT_NEAR(Pz[pt], expected(pt), 1e-12) << "point at " << Px[pt] << ", " << Py[pt];
  // The corners beyond the neighbours stay on the bed.
  EXPECT_DOUBLE_EQ(Pz[Cpoint2[Ccelle[e]]], 0.0);
  EXPECT_DOUBLE_EQ(Pz[Cpoint3[Ccelln[e]]], 0.0);
}

TEST(ModifyGrid, CornersAlreadyDeeperStayWhereTheyAre) {
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::box(4, 2).build());
  FlagModifyGrid = 1;
  DzModifyGrid = 0.5;  // 0.5 m above the bed: nothing to lower
  const int c = bottomCell(3, 2);
  Ckinen_res[c] = 1.0;
  const std::vector<double> before = volumes();
  ModifyGrid();
  EXPECT_DOUBLE_EQ(Pz[Cpoint1[c]], 0.0);
  EXPECT_DOUBLE_EQ(Cvol[c], before[c]);
}

// Which cell is chosen: bottom cells of the work range only, the largest
// positive residual, the first of equal ones.
TEST(ModifyGrid, ChoosesTheBottomCellOfTheWorkRangeWithTheLargestResidual) {
  struct Row {
    const char* name;
    double upper, first, second;  // residuals: cell above the first, bottom cells of columns (2,2) and (4,3)
    bool rangeEndsBeforeSecond;
    int chosen;  // 0 none, 1 first, 2 second
  } rows[] = {
      {"larger residual wins", 0.0, 1.0, 2.0, false, 2},
      {"cells above the bottom do not count", 9.0, 1.0, 0.5, false, 1},
      {"the first of equal residuals", 0.0, 2.0, 2.0, false, 1},
      {"outside the work range", 0.0, 1.0, 2.0, true, 1},
      {"no positive residual", 5.0, 0.0, -1.0, false, 0},
  };
  for (const Row& r : rows) {
    InProjectDir p;
    ASSERT_TRUE(FlowGrid::box(4, 2).build());
    FlagModifyGrid = 1;
    DzModifyGrid = 1.3;
    debugging = 'D';
    const int a = bottomCell(2, 2), b = bottomCell(4, 3);
    ASSERT_LT(a, b);
    Ckinen_res[Ccellt[a]] = r.upper;
    Ckinen_res[a] = r.first;
    Ckinen_res[b] = r.second;
    if (r.rangeEndsBeforeSecond) WCEnd = b - 1;
    ModifyGrid();
    EXPECT_EQ(Pz[Cpoint1[a]] < 0.0, r.chosen == 1) << r.name;
    EXPECT_EQ(Pz[Cpoint3[b]] < 0.0, r.chosen == 2) << r.name;
    if (r.chosen != 0) {
      const int cell = r.chosen == 1 ? a : b;
      const double res = r.chosen == 1 ? r.first : r.second;
      char line[100];
      std::snprintf(line, sizeof line, "ModifyGrid algorithm: %d cells, maxresidualcell = %lf", cell, res);
      EXPECT_TRUE(p.dir().boogieHas(line)) << r.name << "\n" << p.dir().boogie();
    }
  }
}

TEST(ModifyGrid, DoesNothingWithoutTheResidualField) {
  InProjectDir p;
  FlagResidual = 0;
  ASSERT_TRUE(FlowGrid::box(4, 2).build());
  ASSERT_EQ(Ckinen_res, nullptr);
  FlagModifyGrid = 1;
  DzModifyGrid = 1.3;
  const int c = bottomCell(3, 2);
  ModifyGrid();
  EXPECT_DOUBLE_EQ(Pz[Cpoint1[c]], 0.0);
}
