// The classic update of the water surface on small generated grids whose cell
// pressures and velocities are set by hand. Unless a test says otherwise the
// grid is a box of 3 x 2 columns of 1 m (grid lines i = 1..4, j = 1..3, water
// 1 m above a flat bed at 0), and the top cell of column (i, j) holds
//
//            i = 2    i = 3    i = 4
//   j = 3    3000     5000     8000      Pa
//   j = 2    1000     2000     4000
//
// while every cell below a top cell holds -50000 Pa, so that a pressure taken
// from anything but the top cell shows. Grid point (i, j) is the corner of
// the columns (i, j), (i, j+1), (i+1, j+1), (i+1, j) that exist; the mean
// pressures of the twelve points, by hand:
//
//            i = 1    i = 2    i = 3    i = 4
//   j = 3    3000     4000     6500     8000
//   j = 2    2000     2750     4750     6000
//   j = 1    1000     1500     3000     4000
//
// A head is the pressure times 0.000101937 m/Pa.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "grid/fieldmap.h"
#include "grid/generate.h"
#include "grid/geometry.h"
#include "grid/joined_blocks.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"
#include "surface/surface.h"

namespace {

constexpr double kHead = 0.000101937;  // m per Pa
constexpr double kBelowTop = -50000.0;

std::vector<int> columnCells(int i, int j) {
  std::vector<int> cells;
  for (int c = static_cast<int>(zval[i][j][0]); c > 0 && cells.size() <= static_cast<std::size_t>(znumber);
       c = Ccellt[c])
    cells.push_back(c);
  return cells;
}

// Pressure and velocity of the top cell of column (i, j); the cells below get
// kBelowTop and a speed of 99 m/s.
void setColumn(int i, int j, double p, double u = 0.0, double v = 0.0) {
  const std::vector<int> cells = columnCells(i, j);
  ASSERT_FALSE(cells.empty()) << i << " " << j;
  for (int c : cells) {
    Cpres[c] = kBelowTop;
    Cxvel[c] = Cyvel[c] = 99.0;
  }
  Cpres[cells.back()] = p;
  Cxvel[cells.back()] = u;
  Cyvel[cells.back()] = v;
}

double surfaceLevel(int i, int j) { return zval[i][j][znumber]; }

// The box of the header, generated, with its column pressures; the
// reference pair 1.2 m / 500 Pa, relaxation 1, no backwater scaling.
struct Box {
  InProjectDir dir;
  explicit Box(int ny = 2, double u = 0.0, double v = 0.0) {
    setRunStateInitial();
    FlowGrid g = FlowGrid::box(3, ny, 1.0);
    EXPECT_TRUE(g.build());
    const double p[5][4] = {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 1000, 3000}, {0, 0, 2000, 5000}, {0, 0, 4000, 8000}};
    for (int i = 2; i <= 4; ++i)
      for (int j = 2; j <= ny + 1; ++j) setColumn(i, j, p[i][j], u, v);
    GlobZRef = 1.2;
    GlobPresRef = 500.0;
    RelaxSurface = 1.0;
    scaleBackwater2 = 1.0;
  }
};

struct PointPressure {
  int i, j;
  double pbar;
};
const PointPressure kBoxPoints[] = {{1, 1, 1000}, {1, 2, 2000}, {1, 3, 3000}, {2, 1, 1500},
                                    {2, 2, 2750}, {2, 3, 4000}, {3, 1, 3000}, {3, 2, 4750},
                                    {3, 3, 6500}, {4, 1, 4000}, {4, 2, 6000}, {4, 3, 8000}};

}  // namespace

// With full relaxation every point goes to the level whose height above the
// reference level equals its head above the reference pressure; the unrelaxed
// variant does the same whatever the relaxation and the backwater factors are.
TEST(ClassicUpdate, EveryPointGoesToTheLevelOfItsHead) {
  struct Case {
    const char* name;
    int deltaSurface, scaleFree;
    double relax, scale2;
  };
  const Case cases[] = {{"relaxation 1", 0, 0, 1.0, 1.0}, {"F 480", 1, 3, 0.1, 0.5}};
  for (const Case& cs : cases) {
    Box box;
    FlagDeltaSurface = cs.deltaSurface;
    FlagScaleFreeSource = cs.scaleFree;
    RelaxSurface = cs.relax;
    scaleBackwater2 = cs.scale2;
    surfaceClassicUpdate(static_cast<int>(zval[2][2][0]), 0);
    for (const PointPressure& pt : kBoxPoints) {
      const std::string at = std::string(cs.name) + " point " + std::to_string(pt.i) + "," + std::to_string(pt.j);
      const double expected = 1.2 + (pt.pbar - 500.0) * kHead;
      EXPECT_NEAR(surfaceLevel(pt.i, pt.j), expected, 1e-12) << at;
      EXPECT_EQ(zval[pt.i][pt.j][znumber + 1], surfaceLevel(pt.i, pt.j)) << at;
    }
  }
}

// The relaxed change at point (2, 2), 2750 Pa, 1 m: head 2250 x 0.000101937
// = 0.22935825 m above the reference, level 0.2 m below it, so the full change
// is 0.42935825 m. scaleBackwater2 scales it once, and with F 477 3 the head
// a second time.
TEST(ClassicUpdate, RelaxationAndBackwaterFactorScaleTheChange) {
  struct Case {
    double relax, scale2;
    int scaleFree;
    double dz;
  };
  const Case cases[] = {
      {1.0, 1.0, 0, 0.42935825},
      {0.1, 1.0, 0, 0.042935825},
      {0.1, 0.5, 0, 0.5 * 0.1 * 0.42935825},
      {0.1, 0.5, 1, 0.5 * 0.1 * 0.42935825},
      {0.1, 0.5, 3, 0.5 * 0.1 * (0.5 * 0.22935825 + 0.2)},
  };
  for (const Case& cs : cases) {
    const std::string row = std::to_string(cs.relax) + " " + std::to_string(cs.scale2) + " F 477 " +
                            std::to_string(cs.scaleFree);
    Box box;
    RelaxSurface = cs.relax;
    scaleBackwater2 = cs.scale2;
    FlagScaleFreeSource = cs.scaleFree;
    surfaceClassicUpdate(static_cast<int>(zval[2][2][0]), 0);
    EXPECT_NEAR(surfaceLevel(2, 2), 1.0 + cs.dz, 1e-12) << row;
  }
}

// Every move starts afresh: a second move relaxes the point again, by a tenth
// of the 0.9 x 0.42935825 m left after the first.
TEST(ClassicUpdate, EveryMoveMovesThePointsAgain) {
  Box box;
  RelaxSurface = 0.1;
  const int ref = static_cast<int>(zval[2][2][0]);
  surfaceClassicUpdate(ref, 0);
  surfaceClassicUpdate(ref, 0);
  EXPECT_NEAR(surfaceLevel(2, 2), 1.0 + 0.19 * 0.42935825, 1e-12);
}

// A point takes the pressures of the columns that exist and no others: a
// column slot that holds no valid cell number counts as no column, and a point
// without any column stays where it is. Column (2, 2) holds a number past the
// last cell and column (4, 3) a negative one: point (1, 1) loses its only
// column, point (4, 3) too, and point (2, 2) averages its other three
// columns, (3000 + 5000 + 2000) / 3 Pa.
TEST(ClassicUpdate, ColumnSlotsWithoutAValidCellAreNoColumns) {
  Box box;
  zval[2][2][0] = NoCells + 5.0;
  zval[4][3][0] = -3.0;
  surfaceClassicUpdate(0, 0);
  EXPECT_EQ(surfaceLevel(1, 1), 1.0);
  EXPECT_EQ(surfaceLevel(4, 3), 1.0);
  EXPECT_NEAR(surfaceLevel(2, 2), 1.2 + (10000.0 / 3.0 - 500.0) * kHead, 1e-12);
  EXPECT_NEAR(surfaceLevel(3, 3), 1.2 + (5000.0 - 500.0) * kHead, 1e-12);  // (3, 3) alone
}

// Blocks that are not updated keep their levels.
TEST(ClassicUpdate, OnlyUpdatedBlocksMove) {
  struct Case {
    int surfUpdate, gridLevel;
    bool moves;
  };
  const Case cases[] = {{1, 0, true}, {0, 0, false}, {2, 0, false}, {1, 2, false}};
  for (const Case& cs : cases) {
    Box box;
    SurfUpdate[1] = cs.surfUpdate;
    block[1].gridLevel = cs.gridLevel;
    surfaceClassicUpdate(static_cast<int>(zval[2][2][0]), 0);
    const double expected = cs.moves ? 1.2 + (2750.0 - 500.0) * kHead : 1.0;
    EXPECT_NEAR(surfaceLevel(2, 2), expected, 1e-12) << cs.surfUpdate << " " << cs.gridLevel;
  }
}

// F 233 6 and 7 take the column-mean pressures of the bed cells instead of the
// top-cell pressures (here the same values as the header's, with the top cells
// at 1e6 Pa), in the standard and the unrelaxed update.
TEST(ClassicUpdate, ColumnMeanPressuresOfF233) {
  struct Case {
    int nonHydro, deltaSurface;
  };
  const Case cases[] = {{6, 0}, {7, 0}, {6, 1}};
  for (const Case& cs : cases) {
    Box box;
    ASSERT_TRUE(allocate1(Bpresavg, static_cast<std::size_t>(bedCellCapacity())));
    for (int i = 2; i <= 4; ++i)
      for (int j = 2; j <= 3; ++j) {
        const int top = columnCells(i, j).back();
        Bpresavg[Cbed[top]] = Cpres[top];
        Cpres[top] = 1e6;
      }
    FlagNonHydrostaticSurf = cs.nonHydro;
    FlagDeltaSurface = cs.deltaSurface;
    surfaceClassicUpdate(static_cast<int>(zval[2][2][0]), 0);
    for (const PointPressure& pt : kBoxPoints)
      EXPECT_NEAR(surfaceLevel(pt.i, pt.j), 1.2 + (pt.pbar - 500.0) * kHead, 1e-12)
          << "F 233 " << cs.nonHydro << " F 480 " << cs.deltaSurface << " point " << pt.i << "," << pt.j;
  }
}

// Froude floor (F 132) and the speed scaling of F 517 at point (2, 2) (and the
// edge point (1, 1), which has one column), every top cell moving at (u, v),
// every top-cell pressure set to the reference pressure: the head is 0, so
// the change before the limits is the reference level minus the level, 0 with
// the reference at 1 m, 0.4 m with it at 1.4 m.
//   F 132 f: new depth at least (u^2 + v^2) / (f^2 9.81) on wet points only;
//   F 517 1: change times max(1 - speed / max(depth, MinVertDist0), 0.01).
TEST(ClassicUpdate, FroudeFloorAndSpeedScaling) {
  struct Case {
    const char* name;
    int i, j;
    double froude;
    int scaleFroude, deltaSurface;
    double u, v, bed, zRef, minVert, expected;
  };
  const Case cases[] = {
      {"floor", 2, 2, 1.0, 0, 0, 3, 4, 0, 1.0, 0.05, 25.0 / 9.81},
      {"floor of one column", 1, 1, 1.0, 0, 0, 3, 4, 0, 1.0, 0.05, 25.0 / 9.81},
      {"floor at F 132 0.6", 2, 2, 0.6, 0, 0, 3, 4, 0, 1.0, 0.05, 25.0 / (0.36 * 9.81)},
      {"F 132 0.5 is off", 2, 2, 0.5, 0, 0, 3, 4, 0, 1.0, 0.05, 1.0},
      {"dry point has no floor", 2, 2, 1.0, 0, 0, 3, 4, 1.0, 1.0, 0.05, 1.0},
      {"floor below the change", 2, 2, 1.0, 0, 0, 0.3, 0.4, 0, 1.4, 0.05, 1.4},
      {"floor unrelaxed", 2, 2, 1.0, 0, 1, 3, 4, 0, 1.0, 0.05, 25.0 / 9.81},
      {"F 517 half", 2, 2, 0, 1, 0, 0.3, 0.4, 0, 1.4, 0.05, 1.2},
      {"F 517 at least 0.01", 2, 2, 0, 1, 0, 3, 4, 0, 1.4, 0.05, 1.004},
      {"F 517 depth from MinVertDist0", 2, 2, 0, 1, 0, 0.3, 0.4, 0, 1.4, 2.0, 1.3},
      {"F 517 dry point at rest", 2, 2, 0, 1, 0, 0, 0, 1.0, 1.4, -0.001, 1.4},
      {"F 517 dry point moving", 2, 2, 0, 1, 0, 0.3, 0.4, 1.0, 1.4, -0.001, 1.004},
      {"F 517 not unrelaxed", 2, 2, 0, 1, 1, 0.3, 0.4, 0, 1.4, 0.05, 1.4},
  };
  for (const Case& cs : cases) {
    Box box(2, cs.u, cs.v);
    for (int i = 2; i <= 4; ++i)
      for (int j = 2; j <= 3; ++j) Cpres[columnCells(i, j).back()] = 500.0;
    zval[cs.i][cs.j][1] = cs.bed;
    GlobZRef = cs.zRef;
    FroudeMaxSurface = cs.froude;
    FlagScaleSurfFroude = cs.scaleFroude;
    FlagDeltaSurface = cs.deltaSurface;
    MinVertDist0 = cs.minVert;
    surfaceClassicUpdate(static_cast<int>(zval[2][2][0]), 0);
    EXPECT_NEAR(surfaceLevel(cs.i, cs.j), cs.expected, 1e-12) << cs.name;
  }
}

// The slope bound of F 148 on a box of 3 x 1 columns (grid lines i = 1..4,
// j = 1..2), every column at -5000 Pa with the reference at 1 m and 0 Pa: each
// point wants to fall about 0.51 m, the bound 0.1 m per metre of distance to
// the neighbours of the block (left from i >= i1 = 2, right below i2 = 4, up
// below j2 = 2, down from j >= j1 = 2) lets it fall 0.1 m below the lowest
// neighbour level. The neighbours are read as the sweep has left them: only
// the last point of the sweep has nothing but moved neighbours (0.9 m) and
// falls to 0.8 m: (4, 2) in the standard sweep (i upward), (1, 2) in the
// unrelaxed one (i downward). Every other point ends at 0.9 m.
TEST(ClassicUpdate, SlopeBoundReadsTheLevelsTheSweepHasMoved) {
  struct Case {
    int deltaSurface;
    int lowI, lowJ;
  };
  const Case cases[] = {{0, 4, 2}, {1, 1, 2}};
  for (const Case& cs : cases) {
    Box box(1);
    for (int i = 2; i <= 4; ++i) setColumn(i, 2, -5000.0);
    GlobZRef = 1.0;
    GlobPresRef = 0.0;
    MaxSurfSlope = 0.1;
    FlagDeltaSurface = cs.deltaSurface;
    surfaceClassicUpdate(static_cast<int>(zval[2][2][0]), 0);
    for (int i = 1; i <= 4; ++i)
      for (int j = 1; j <= 2; ++j) {
        const double expected = i == cs.lowI && j == cs.lowJ ? 0.8 : 0.9;
        EXPECT_NEAR(surfaceLevel(i, j), expected, 1e-12) << "F 480 " << cs.deltaSurface << " point " << i << "," << j;
      }
  }
}

// Bounds that contradict leave the point. Every column at 0 Pa with the
// reference at 1 m and 0 Pa: each point wants to go to 1 m. On the box of
// 3 x 1 columns:
// - (1, 1), the first point of the sweep, at 1.5 m between its right
//   neighbour at 1 m (at most 1.1 m) and its upper one at 2 m (at least 1.9 m);
// - (4, 2), the last one, at 1.5 m between its left neighbour at 1 m and its
//   lower one (4, 1) at 2 m, which stay where they are for the same reason:
//   (4, 1) is held by (3, 1) at 1 m and (4, 2) at 1.5 m, (3, 2) by its
//   neighbours at 1 m and (4, 2) at 1.5 m.
TEST(ClassicUpdate, ContradictingSlopeBoundsLeaveThePoint) {
  struct Preset {
    int i, j;
    double z;
  };
  struct Case {
    int i, j;
    std::vector<Preset> levels;
  };
  const Case cases[] = {
      {1, 1, {{1, 1, 1.5}, {2, 1, 1.0}, {1, 2, 2.0}}},
      {4, 2, {{4, 2, 1.5}, {3, 2, 1.0}, {4, 1, 2.0}}},
  };
  for (const Case& cs : cases) {
    Box box(1);
    for (int i = 2; i <= 4; ++i) setColumn(i, 2, 0.0);
    GlobZRef = 1.0;
    GlobPresRef = 0.0;
    MaxSurfSlope = 0.1;
    for (const Preset& p : cs.levels) zval[p.i][p.j][znumber] = p.z;
    surfaceClassicUpdate(static_cast<int>(zval[2][2][0]), 0);
    EXPECT_EQ(surfaceLevel(cs.i, cs.j), 1.5) << cs.i << "," << cs.j;
    EXPECT_EQ(zval[cs.i][cs.j][znumber + 1], 1.5) << cs.i << "," << cs.j;
  }
}

// Two reference columns: the reference pair is interpolated by the distances
// d1, d2 of the point to the centres of the two reference cells, w = d1 /
// (d1 + d2). The centres are put on the grid points (1, 1) at (0, 0) and
// (3, 3) at (2, 2); references 1.2 m / 500 Pa and 1.5 m / 3000 Pa.
//   (1, 1): w = 0, 1.2 + (1000 - 500) k;
//   (3, 3): w = 1, 1.5 + (6500 - 3000) k;
//   (2, 2) at (1, 1): d1 = d2, w = 0.5, 1.35 + (2750 - 1750) k.
// The variant has no backwater factor, no Froude floor, no F 517 and always
// takes the top-cell pressures: the second row switches all of them on.
TEST(ClassicUpdate, TwoReferencesInterpolateTheReferencePairByDistance) {
  struct Case {
    const char* name;
    double relax;
    bool noise;
  };
  const Case cases[] = {{"relaxation 1", 1.0, false}, {"other options", 1.0, true}, {"relaxation 0.1", 0.1, false}};
  for (const Case& cs : cases) {
    Box box(2, cs.noise ? 3.0 : 0.0, cs.noise ? 4.0 : 0.0);
    const int ref = static_cast<int>(zval[2][2][0]), ref2 = static_cast<int>(zval[4][3][0]);
    Cxcenter[ref] = xval[1][1];
    Cycenter[ref] = yval[1][1];
    Cxcenter[ref2] = xval[3][3];
    Cycenter[ref2] = yval[3][3];
    GlobZRef2 = 1.5;
    GlobPresRef2 = 3000.0;
    RelaxSurface = cs.relax;
    if (cs.noise) {
      scaleBackwater2 = 0.5;
      FlagScaleFreeSource = 3;
      FroudeMaxSurface = 1.0;
      FlagScaleSurfFroude = 1;
      FlagNonHydrostaticSurf = 6;
      ASSERT_TRUE(allocate1(Bpresavg, static_cast<std::size_t>(bedCellCapacity())));
      for (int b = 1; b <= NoBCells; ++b) Bpresavg[b] = 1e6;
    }
    surfaceClassicUpdate(ref, ref2);
    const struct {
      int i, j;
      double target;
    } points[] = {{1, 1, 1.2 + 500.0 * kHead}, {3, 3, 1.5 + 3500.0 * kHead}, {2, 2, 1.35 + 1000.0 * kHead}};
    for (const auto& pt : points)
      EXPECT_NEAR(surfaceLevel(pt.i, pt.j), 1.0 + cs.relax * (pt.target - 1.0), 1e-9)
          << cs.name << " point " << pt.i << "," << pt.j;
  }
}

// Regression variant. Each column (i, j) recorded the pressures a + b x at the
// iterations x = 10, 20, 30, with a the header's pressure and b = 10 (i - 1)
// Pa per iteration: N = 3, sum x = 60, sum x^2 = 1400, sum p = 3a + 60b,
// sum x p = 60a + 1400b. F 143 1 fits the line and takes it at RegIter = 50,
// a + 50b; F 143 2 takes the mean, a + 20b. A column with one value keeps it.
// The reference pressure becomes the column (iPres, jPres) = (2, 2) value; only
// the points i = 2..4, j = 2..3 move (relaxation 1, reference level 1.2 m),
// to 1.2 + (mean of their columns - reference) x k; the top-cell pressures
// (1e6 Pa) play no part.
TEST(ClassicUpdate, RegressionPressuresFitTheHistory) {
  struct Case {
    const char* name;
    int presRegres, deltaSurface;
    bool singleValue;  // column (4, 3) has one value, 777 Pa
    double fitted[3][2];  // columns i = 2..4, j = 2..3
    double heads[3][2];   // points i = 2..4, j = 2..3: mean minus reference pressure
  };
  const Case cases[] = {
      {"linear fit", 1, 0, false, {{1500, 3500}, {3000, 6000}, {5500, 9500}}, {{2000, 3250}, {4500, 6250}, {6000, 8000}}},
      {"mean", 2, 0, false, {{1200, 3200}, {2400, 5400}, {4600, 8600}}, {{1850, 3100}, {4050, 5800}, {5400, 7400}}},
      {"linear fit before F 480", 1, 1, false, {{1500, 3500}, {3000, 6000}, {5500, 9500}},
       {{2000, 3250}, {4500, 6250}, {6000, 8000}}},
      {"one value", 1, 0, true, {{1500, 3500}, {3000, 6000}, {5500, 777}},
       {{2000, 3250}, {2319.25, 1888.5}, {1638.5, -723}}},
  };
  for (const Case& cs : cases) {
    InProjectDir dir;
    setRunStateInitial();
    PresRegres = cs.presRegres;
    ASSERT_TRUE(FlowGrid::box(3, 2, 1.0).build());
    const double a[5][4] = {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 1000, 3000}, {0, 0, 2000, 5000}, {0, 0, 4000, 8000}};
    for (int i = 2; i <= 4; ++i)
      for (int j = 2; j <= 3; ++j) {
        setColumn(i, j, 1e6);
        const double b = 10.0 * (i - 1);
        PresRegresN[i][j] = 3;
        PresRegresSumX[i][j] = 60;
        PresRegresSumXX[i][j] = 1400;
        PresRegresSumPres[i][j] = 3 * a[i][j] + 60 * b;
        PresRegresSumXPres[i][j] = 60 * a[i][j] + 1400 * b;
      }
    if (cs.singleValue) {
      PresRegresN[4][3] = 1;
      PresRegresSumX[4][3] = 40;
      PresRegresSumXX[4][3] = 1600;
      PresRegresSumPres[4][3] = 777;
      PresRegresSumXPres[4][3] = 777 * 40;
    }
    RegIter = 50;
    iPres = jPres = 2;
    GlobZRef = 1.2;
    GlobPresRef = -1.0;
    FlagDeltaSurface = cs.deltaSurface;
    RelaxSurface = 1.0;
    surfaceClassicUpdate(static_cast<int>(zval[2][2][0]), 0);
    EXPECT_NEAR(GlobPresRef, cs.fitted[0][0], 1e-9) << cs.name;
    for (int i = 2; i <= 4; ++i)
      for (int j = 2; j <= 3; ++j) {
        const std::string at = std::string(cs.name) + " " + std::to_string(i) + "," + std::to_string(j);
        EXPECT_NEAR(PresRegresSumPres[i][j], cs.fitted[i - 2][j - 2], 1e-9) << at;
        EXPECT_NEAR(surfaceLevel(i, j), 1.2 + cs.heads[i - 2][j - 2] * kHead, 1e-12) << at;
      }
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(surfaceLevel(i, 1), 1.0) << cs.name << " first line j, i " << i;
    for (int j = 1; j <= 3; ++j) EXPECT_EQ(surfaceLevel(1, j), 1.0) << cs.name << " first line i, j " << j;
  }
}

// Values recorded at one iteration only have no slope: the fitted pressure is
// their mean, not 0 / 0. A column without values stays at 0.
TEST(ClassicUpdate, RegressionOfValuesAtOneIterationIsTheirMean) {
  InProjectDir dir;
  setRunStateInitial();
  PresRegres = 1;
  ASSERT_TRUE(FlowGrid::box(3, 2, 1.0).build());
  for (int i = 2; i <= 4; ++i)
    for (int j = 2; j <= 3; ++j) {
      setColumn(i, j, 0.0);
      PresRegresN[i][j] = 2;
      PresRegresSumX[i][j] = 40;  // twice iteration 20
      PresRegresSumXX[i][j] = 800;
      PresRegresSumPres[i][j] = 3000;  // 1000 and 2000 Pa
      PresRegresSumXPres[i][j] = 20 * 3000;
    }
  // A column without values keeps its empty sums.
  PresRegresN[4][3] = 0;
  PresRegresSumX[4][3] = PresRegresSumXX[4][3] = PresRegresSumPres[4][3] = PresRegresSumXPres[4][3] = 0.0;
  RegIter = 50;
  iPres = jPres = 2;
  GlobZRef = 1.0;
  surfaceClassicUpdate(static_cast<int>(zval[2][2][0]), 0);
  EXPECT_EQ(PresRegresSumPres[4][3], 0.0);
  EXPECT_EQ(PresRegresSumPres[3][3], 1500.0);
  EXPECT_EQ(GlobPresRef, 1500.0);
  EXPECT_NEAR(surfaceLevel(2, 2), 1.0, 1e-12);
}

// The Froude floor of the regression variant takes the speed of the point's
// own columns: every top cell at (3, 4) m/s lifts every moved point to the
// depth 25 / 9.81 m, above all head levels.
TEST(ClassicUpdate, RegressionKeepsTheFroudeFloor) {
  InProjectDir dir;
  setRunStateInitial();
  PresRegres = 2;
  ASSERT_TRUE(FlowGrid::box(3, 2, 1.0).build());
  for (int i = 2; i <= 4; ++i)
    for (int j = 2; j <= 3; ++j) {
      setColumn(i, j, 0.0, 3.0, 4.0);
      PresRegresN[i][j] = 2;
      PresRegresSumPres[i][j] = 2000;
    }
  iPres = jPres = 2;
  GlobZRef = 1.0;
  FroudeMaxSurface = 1.0;
  surfaceClassicUpdate(static_cast<int>(zval[2][2][0]), 0);
  for (int i = 2; i <= 4; ++i)
    for (int j = 2; j <= 3; ++j) EXPECT_NEAR(surfaceLevel(i, j), 25.0 / 9.81, 1e-12) << i << "," << j;
}

// Two blocks joined east-west, 2 x 2 columns each (plan: A at x = 0..2, B at
// x = 2..4, y = 0..2), 5 cells per column, joined level by level. The top
// cell of the column centred at (x, y) holds 1000 (x + 0.5) + 10000 (y - 0.5)
// Pa: 2000 | 3000 at (1.5 | 2.5, 0.5), 12000 | 13000 at (1.5 | 2.5, 1.5).
// Reference 1 m / 0 Pa; water at 1 m.
// - B's first grid line one index past A's last (no column between them): a
//   point on the joint takes the missing columns from the neighbours across
//   the border, on both sides: (2000 + 12000 + 13000 + 3000) / 4 = 7500 Pa,
//   where its own columns alone give 7000; the corner point of A at (2, 0)
//   takes A's column and, east of it, B's: 2500; the first point of B there
//   gets only its own column, 3000 (no rule fills the others from c3 alone).
//   A neighbour number past the last cell is no neighbour, and the second
//   pass of the filling finds the column through the other side.
// - With TopBed 1 the cells are lifted to the top before the filling, and the
//   filled cells are taken as found: an east neighbour of A's top cell that
//   lies lower in B's column brings its -50000 Pa:
//   (2000 + 12000 - 50000 + 3000) / 4 = -8250 Pa.
// - B's first grid line on A's last (shared): the points of the joint are
//   moved once, by A, with relaxation 0.1 a tenth of 7500 Pa of head, not a
//   second time by B. B's point at (3, 1): (3000 + 13000 + 14000 + 4000) / 4 =
//   8500 Pa, unless block B is not updated.
TEST(ClassicUpdate, JoinedBlocksFillCornersAcrossTheBorderAndMoveSharedPointsOnce) {
  enum Edit { None, EastOfTopIsLower, EastOfColumnCellInvalid };
  struct Point {
    int i, j;
    double pbar;
    bool moves;
  };
  struct Case {
    const char* name;
    bool shared;
    double relax;
    int topBed, surfUpdateB, gridLevelB;
    Edit edit;
    std::vector<Point> points;
  };
  const std::vector<Case> cases = {
      {"filled", false, 1.0, 0, 1, 0, None, {{3, 2, 7500, true}, {4, 2, 7500, true}, {3, 1, 2500, true}, {4, 1, 3000, true}}},
      {"filled, relaxed", false, 0.1, 0, 1, 0, None, {{3, 2, 7500, true}, {4, 2, 7500, true}}},
      {"second pass", false, 1.0, 0, 1, 0, EastOfColumnCellInvalid, {{3, 2, 7500, true}}},
      {"TopBed 0", false, 1.0, 0, 1, 0, EastOfTopIsLower, {{3, 2, 7500, true}}},
      {"TopBed 1", false, 1.0, 1, 1, 0, EastOfTopIsLower, {{3, 2, -8250, true}}},
      {"shared", true, 0.1, 0, 1, 0, None, {{3, 2, 7500, true}, {4, 2, 8500, true}}},
      {"shared, B not updated", true, 0.1, 0, 0, 0, None, {{3, 2, 7500, true}, {4, 2, 0, false}}},
      {"shared, B coarse", true, 0.1, 0, 1, 2, None, {{3, 2, 7500, true}, {4, 2, 0, false}}},
  };
  for (const Case& cs : cases) {
    InProjectDir dir;
    setRunStateInitial();
    JoinedBlocks g;
    g.sharedLine = cs.shared;
    g.prepare();
    NoConnect = 1;
    ASSERT_EQ(UnstructureBuild(), 1) << cs.name;
    metric();
    BedMake();
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) {
        if (zval[i][j][0] < 1) continue;
        const int c = static_cast<int>(zval[i][j][0]);
        setColumn(i, j, 1000.0 * (Cxcenter[c] + 0.5) + 10000.0 * (Cycenter[c] - 0.5));
      }
    const int bFirst = g.firstLineB() + 1;  // B's first column
    if (cs.edit == EastOfTopIsLower) Ccelle[columnCells(3, 3).back()] = columnCells(bFirst, 3)[2];
    if (cs.edit == EastOfColumnCellInvalid) Ccelle[columnCells(3, 3)[0]] = NoCells + 100;
    TopBed = cs.topBed;
    SurfUpdate[2] = cs.surfUpdateB;
    block[2].gridLevel = cs.gridLevelB;
    GlobZRef = 1.0;
    GlobPresRef = 0.0;
    RelaxSurface = cs.relax;
    surfaceClassicUpdate(static_cast<int>(zval[2][2][0]), 0);
    for (const Point& pt : cs.points) {
      const double expected = pt.moves ? 1.0 + cs.relax * pt.pbar * kHead : 1.0;
      EXPECT_NEAR(surfaceLevel(pt.i, pt.j), expected, 1e-12) << cs.name << " point " << pt.i << "," << pt.j;
    }
  }
}

// The column pressure of surfaceNonhydro: for each cell above 0 the mean
// pressure of the cell and the cells below it. Column (2, 2), bottom up, at
// 10, 20, 30, ... Pa: its top cell gives 5 (n + 1) for n cells, its third cell
// (10 + 20 + 30) / 3 = 20; 0, negative numbers and numbers past the last cell
// add nothing.
TEST(ClassicUpdate, ColumnPressureOfCornerCells) {
  Box box;
  const std::vector<int> cells = columnCells(2, 2);
  ASSERT_GE(cells.size(), 3u);
  for (std::size_t k = 0; k < cells.size(); ++k) Cpres[cells[k]] = 10.0 * (k + 1);
  const double n = static_cast<double>(cells.size());
  EXPECT_DOUBLE_EQ(surfaceNonhydro(cells.back(), cells[2], 0, -4), 5.0 * (n + 1) + 20.0);
  EXPECT_DOUBLE_EQ(surfaceNonhydro(NoCells + 1, 0, cells[0], 0), 10.0);
}
