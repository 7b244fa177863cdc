// The filters on the new corner levels before a regeneration: the surface
// smoothing of F 154 and the levels of the wet/dry border of F 425, on
// generated boxes of 1 m columns (block 1: columns i = 2..nx+1, j = 2..ny+1,
// grid points i = 1..nx+1, j = 1..ny+1) whose levels are then set by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "state/alloc.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "grid/fieldmap.h"
#include "grid/generate.h"
#include "grid/geometry.h"
#include "grid/grid_builder.h"
#include "support/in_dir.h"
#include "surface/surface.h"

namespace {

double& slot(int i, int j) { return zval[i][j][znumber]; }
double& copySlot(int i, int j) { return zval[i][j][znumber + 1]; }

// Every grid point of block 1 at z in both slots.
void flat(double z) {
  for (int i = block[1].i1 - 1; i <= block[1].i2; ++i)
    for (int j = block[1].j1 - 1; j <= block[1].j2; ++j) slot(i, j) = copySlot(i, j) = z;
}

// Both slots of a point.
void setPoint(int i, int j, double z) { slot(i, j) = copySlot(i, j) = z; }

std::vector<double> levels() {
  std::vector<double> v;
  for (int i = block[1].i1 - 1; i <= block[1].i2; ++i)
    for (int j = block[1].j1 - 1; j <= block[1].j2; ++j) v.push_back(slot(i, j));
  return v;
}

// The cells of column (i, j) from the lowest up.
std::vector<int> columnCells(int i, int j) {
  std::vector<int> v;
  for (int c = static_cast<int>(zval[i][j][0]); c > 0 && v.size() < 100; c = Ccellt[c]) v.push_back(c);
  return v;
}

struct Box {
  InProjectDir dir;
  explicit Box(int nx = 4, int ny = 4, double depth = 1.0) {
    setRunStateInitial();
    BlockGrid g;
    g.nx = nx;
    g.ny = ny;
    g.water = [depth](int, int) { return depth; };
    g.prepare();
    EXPECT_EQ(UnstructureBuild(), 1);
    metric();
    BedMake();
    EXPECT_GT(NoCells, 0);
    flat(1.0);
  }
};

// The flags of F 425, which the block-grid allocation makes only when F 425
// is set as the control file is read.
bool allocateCornerFlags() {
  return allocate2(wetdryCornerFlag, alloc::extent(xnumber, 2), alloc::extent(ynumber, 2));
}

void smooth(int flag, double s) {
  SurfSmoothFlag = flag;
  SurfSmoothVal = s;
  surface_smoother();
}

}  // namespace

// ---- F 154 1 to 4 ----

// A spike of 2 m at the interior point (3, 3) of a flat 1 m surface, s = 1.
// The sweep runs i = 2..4, j = 2..4 in place: (2, 3) takes (1 + 1 + 2 + 1)/4
// = 1.25 and (3, 2) the same, so (3, 3) becomes the mean of its neighbours as
// the sweep left them, (1.25 + 1.25 + 1 + 1) / 4 = 1.125, in both slots.
TEST(SurfaceSmoother, WeightOneReplacesASpikeByItsNeighboursMean) {
  for (int flag : {1, 2, 3, 4}) {
    SCOPED_TRACE(flag);
    Box box;
    setPoint(3, 3, 2.0);
    smooth(flag, 1.0);
    EXPECT_DOUBLE_EQ(slot(2, 3), 1.25);
    EXPECT_DOUBLE_EQ(slot(3, 2), 1.25);
    EXPECT_DOUBLE_EQ(slot(3, 3), 1.125);
    EXPECT_DOUBLE_EQ(copySlot(3, 3), 1.125);
  }
}

TEST(SurfaceSmoother, WeightZeroChangesNothing) {
  for (int flag : {1, 2, 3, 4, 5}) {
    SCOPED_TRACE(flag);
    Box box;
    for (int i = 1; i <= 5; ++i)
      for (int j = 1; j <= 5; ++j) setPoint(i, j, 1.0 + 0.1 * i * i - 0.07 * j + (i == 3 && j == 3 ? 0.5 : 0.0));
    const std::vector<double> before = levels();
    smooth(flag, 0.0);
    EXPECT_EQ(levels(), before);
  }
}

// Which points of the block a variant treats: a spike of 2 m on a south edge
// point, a west edge point, and a corner, each alone, s = 0.5.
TEST(SurfaceSmoother, EachVariantTreatsItsEdgesAndNeverTheCorners) {
  struct Row {
    int flag;
    bool south, west;
  };
  const Row rows[] = {{1, true, false}, {2, true, true}, {3, false, false}, {4, true, true}};
  struct Spot {
    const char* name;
    int i, j;
    bool Row::*treated;
  };
  const Spot spots[] = {{"south edge", 3, 1, &Row::south}, {"west edge", 1, 3, &Row::west}};
  for (const Row& r : rows) {
    for (const Spot& s : spots) {
      SCOPED_TRACE(std::to_string(r.flag) + " " + s.name);
      Box box;
      setPoint(s.i, s.j, 2.0);
      smooth(r.flag, 0.5);
      // The point before it along the edge took 0.5 x 0.5 x (1 + 2) + 0.5 x 1
      // = 1.25 in the same sweep: 0.5 x 0.5 x (1.25 + 1) + 0.5 x 2 = 1.5625.
      EXPECT_DOUBLE_EQ(slot(s.i, s.j), r.*s.treated ? 1.5625 : 2.0);
    }
    for (auto [ci, cj] : {std::pair{1, 1}, {5, 1}, {1, 5}, {5, 5}}) {
      Box box;
      setPoint(ci, cj, 2.0);
      smooth(r.flag, 0.5);
      EXPECT_EQ(slot(ci, cj), 2.0) << r.flag << " corner " << ci << " " << cj;
      EXPECT_EQ(copySlot(ci, cj), 2.0);
    }
  }
}

// F 154 1 and 2 smooth dry points too; 3 and 4 only points whose four
// columns are wet. Column (3, 3) has no cell: the points (2, 2), (3, 2),
// (2, 3), (3, 3) are its corners.
TEST(SurfaceSmoother, ThreeAndFourSkipPointsNextToADryColumn) {
  for (int flag : {1, 3}) {
    Box box;
    zval[3][3][0] = 0.0;
    setPoint(3, 3, 2.0);
    setPoint(4, 4, 2.0);  // its columns (4..5, 4..5) are wet
    smooth(flag, 1.0);
    EXPECT_EQ(slot(3, 3) == 2.0, flag == 3) << flag;
    EXPECT_LT(slot(4, 4), 2.0) << flag;
  }
}

// A block one column wide (the block record of the box narrowed to column
// i = 3, grid points i = 2..3): no smoothing along i; F 154 2 still treats
// its west and east edges.
TEST(SurfaceSmoother, ABlockOneColumnWideIsSmoothedOnlyOnItsWestAndEastEdges) {
  for (int flag : {1, 2, 5}) {
    Box box;
    block[1].i1 = block[1].i2 = 3;
    setPoint(2, 3, 2.0);
    setPoint(3, 3, 2.0);
    smooth(flag, 1.0);
    // F 154 2, s = 1: (., 2) first takes (1 + 2) / 2 = 1.5, then (., 3)
    // takes (1.5 + 1) / 2.
    const double expected = flag == 2 ? 1.25 : 2.0;
    EXPECT_DOUBLE_EQ(slot(2, 3), expected) << flag;
    EXPECT_DOUBLE_EQ(slot(3, 3), expected) << flag;
  }
}

// F 154 3 and 4 start from a copy of the levels as they stand: a level the
// outlet pinning wrote into slot znumber alone stays with s = 0 and enters
// its neighbours' means with s = 1.
TEST(SurfaceSmoother, ThreeAndFourKeepALevelWrittenIntoTheFirstSlotAlone) {
  for (int flag : {3, 4}) {
    SCOPED_TRACE(flag);
    {
      Box box;
      slot(3, 3) = 0.5;  // the copy still holds 1.0
      smooth(flag, 0.0);
      EXPECT_EQ(slot(3, 3), 0.5);
      EXPECT_EQ(copySlot(3, 3), 0.5);
    }
    {
      Box box;
      slot(3, 3) = 0.5;
      smooth(flag, 1.0);
      EXPECT_DOUBLE_EQ(slot(2, 3), (1.0 + 1.0 + 0.5 + 1.0) / 4);
    }
  }
}

// ---- F 154 5 ----

// Points along a grid line j: (2, 3) 1.0, (3, 3) 1.6, (4, 3) 1.2. The
// pressure below the top cell of column (3, 3) is very negative (r far above
// 3): the point takes the mean of its neighbours along i, 1.1, and is not
// pushed past it; with the pressure at zero head it keeps its level.
TEST(SurfaceSmoother, FiveMovesAPointToItsNeighboursMeanAndNeverPastIt) {
  struct Row {
    const char* name;
    double pressure;
    double s;
    double expected;
  };
  const Row rows[] = {{"strong suction, s 0.5", -1e6, 0.5, 1.1},
                      {"strong suction, s 0.9", -1e7, 0.9, 1.1},
                      {"zero head", 0.0, 0.5, 1.6},
                      {"zero head, s 1", 0.0, 1.0, 1.1}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Box box;
    setPoint(2, 3, 1.0);
    setPoint(3, 3, 1.6);
    setPoint(4, 3, 1.2);
    for (int c : columnCells(3, 3)) Cpres[c] = r.pressure;
    smooth(5, r.s);
    EXPECT_NEAR(slot(3, 3), r.expected, 1e-12);
    EXPECT_EQ(slot(3, 3), copySlot(3, 3));
  }
}

// A column of one cell takes the pressure of its own cell, not that of the
// cell numbered one below it, which belongs to another column.
TEST(SurfaceSmoother, FiveReadsThePressureOfTheColumnsOwnCells) {
  Box box(4, 4, 0.02);
  ASSERT_EQ(columnCells(3, 3).size(), 1u) << "the shallow box should hold one cell per column";
  const int t = columnCells(3, 3)[0];
  ASSERT_GT(t, 1);
  Cpres[t - 1] = -1e7;  // a cell of another column
  Cpres[t] = 0.0;
  setPoint(2, 3, 1.0);
  setPoint(3, 3, 1.6);
  setPoint(4, 3, 1.2);
  smooth(5, 0.5);
  EXPECT_EQ(slot(3, 3), 1.6);
}

// ---- F 425 ----

// F 425 1: column (3, 3) has no cell in the current grid but the generator
// counted cells for it; its four corners, raised to 1.4, are drawn towards
// their neighbours, but not towards the corners (4, 2) and (4, 3) of the
// column (4, 3) east of it, which stays dry (no cells counted), whose levels
// of 0 m do not count. Every other point keeps its level.
TEST(SmoothNewCorners, NewlyWettedCornersAreDrawnTowardsTheirWetNeighbours) {
  Box box;
  FlagSmoothNewCorners = 1;
  ASSERT_TRUE(allocateCornerFlags());
  Bcellt[pointbed[3][3]] = 0;
  ant[3][3] = 4;
  Bcellt[pointbed[4][3]] = 0;
  ant[4][3] = 0;
  for (auto [i, j] : {std::pair{2, 2}, {3, 2}, {3, 3}, {2, 3}}) setPoint(i, j, 1.4);
  setPoint(4, 2, 0.0);
  setPoint(4, 3, 0.0);
  smoothNewCorners();
  for (int i = 1; i <= 5; ++i)
    for (int j = 1; j <= 5; ++j) {
      const bool corner = (i == 2 || i == 3) && (j == 2 || j == 3);
      const bool dry = i == 4 && (j == 2 || j == 3);
      if (corner) {
        EXPECT_GT(slot(i, j), 1.0) << i << " " << j;
        EXPECT_LT(slot(i, j), 1.4) << i << " " << j;
        EXPECT_EQ(copySlot(i, j), slot(i, j));
      } else {
        EXPECT_EQ(slot(i, j), dry ? 0.0 : 1.0) << i << " " << j;
      }
    }
}

// F 425 2 flags the ends of the faces between a column the generator counted
// cells for and one it did not, and only they move (every column has cells,
// so every point counts as a neighbour): ant 0 at column (3, 3) alone flags
// its four corners; at column (5, 3) on the east edge of the block only its
// west face, with the ends (4, 2) and (4, 3), lies inside the scan.
TEST(SmoothNewCorners, TwoDrawsTheEndsOfTheBorderFaces) {
  struct Row {
    int i, j;
    std::vector<std::pair<int, int>> ends;
  };
  const Row rows[] = {{3, 3, {{2, 2}, {2, 3}, {3, 2}, {3, 3}}}, {5, 3, {{4, 2}, {4, 3}}}};
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.i) + " " + std::to_string(r.j));
    Box box;
    FlagSmoothNewCorners = 2;
    ASSERT_TRUE(allocateCornerFlags());
    for (int i = 2; i <= 5; ++i)
      for (int j = 2; j <= 5; ++j) ant[i][j] = 2;
    ant[r.i][r.j] = 0;
    for (auto [i, j] : r.ends) setPoint(i, j, 1.4);
    smoothNewCorners();
    for (int i = 1; i <= 5; ++i)
      for (int j = 1; j <= 5; ++j) {
        const bool end = std::find(r.ends.begin(), r.ends.end(), std::pair{i, j}) != r.ends.end();
        if (end) {
          EXPECT_LT(slot(i, j), 1.4) << i << " " << j;
          EXPECT_GT(slot(i, j), 1.0) << i << " " << j;
        } else {
          EXPECT_EQ(slot(i, j), 1.0) << i << " " << j;
        }
      }
  }
}

TEST(SmoothNewCorners, OtherValuesChangeNoLevel) {
  Box box;
  FlagSmoothNewCorners = 3;
  ASSERT_TRUE(allocateCornerFlags());
  Bcellt[pointbed[3][3]] = 0;
  ant[3][3] = 4;
  setPoint(3, 3, 1.4);
  const std::vector<double> before = levels();
  smoothNewCorners();
  EXPECT_EQ(levels(), before);
}
