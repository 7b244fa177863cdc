// The downstream fixed values of the two-dimensional surface equation and the
// stand-alone surface step.
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>

#include "grid/generate.h"
#include "grid/geometry.h"
#include "grid/grid_builder.h"
#include "grid/sloping_bank.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "surface/standalone.h"

namespace {

// A basin of 4 x 3 columns 1 m apart (columns i = 2..5, j = 2..4), bed 0,
// water 1 m, built, measured and numbered; the reference column (5, 3).
void basin() {
  BlockGrid g;
  g.nx = 4;
  g.ny = 3;
  g.prepare();
  MinVertDist0 = 0.005;
  MinVertDist1 = 0.1;
  ASSERT_EQ(UnstructureBuild(), 1);
  metric();
  BedMake();
  iPres = 5;
  jPres = 3;
  for (int c = 0; c <= NoCells; ++c) Cap[c] = Csource[c] = 0.0;
}

void series(std::initializer_list<double> t, std::initializer_list<double> out, std::initializer_list<double> in) {
  for (double** a : {&TimeInTime, &TimeInHout, &TimeInHinn})
    if (!*a) {
      ASSERT_TRUE(allocate1(*a, static_cast<std::size_t>(ArrayTimeSteps + 1)));
    }
  int k = 0;
  for (double v : t) TimeInTime[k++] = v;
  TimeInNo = k;
  k = 0;
  for (double v : out) TimeInHout[k++] = v;
  k = 0;
  for (double v : in) TimeInHinn[k++] = v;
}

double fixedValue(int c) { return Csource[c] / Cap[c]; }

}  // namespace

// The reference column is fixed to H_out less its level, H_out interpolated
// from the series at stimet; a single record holds; without a series the
// change is 0. The second reference takes the upstream level, and the lowest
// cells of the outflow group's faces H_out less their own levels.
TEST(SurfaceDownstream, FixedRowsTakeTheSeriesLevelsLessTheColumnLevels) {
  struct Case {
    int records;
    double t, want;
  };
  for (const Case& k : {Case{2, 50.0, 1.1}, Case{2, 0.0, 1.0}, Case{2, 300.0, 1.2}, Case{1, 50.0, 1.15},
                        Case{0, 50.0, 1.0 /* the column's own zLevel */}}) {
    InProjectDir dir;
    basin();
    if (k.records == 2) series({0.0, 100.0}, {1.0, 1.2}, {1.5, 1.7});
    if (k.records == 1) series({0.0}, {1.15}, {1.5});
    stimet = k.t;
    const int ref = lowestCell(5, 3);
    surface_solver_downstream();
    EXPECT_EQ(Cap[ref], 1e20);
    EXPECT_NEAR(fixedValue(ref), k.want - 1.0, 1e-12) << k.records << " " << k.t;
    for (int c = 1; c <= NoCells; ++c)
      if (c != ref) {
        EXPECT_EQ(Cap[c], 0.0) << c;
      }
  }
  // Second reference (G 6 second value set) at (2, 3), and the outflow group
  // 2 at the east faces of column (5, 2): its lowest cell only.
  InProjectDir dir;
  basin();
  series({0.0, 100.0}, {1.0, 1.2}, {1.5, 1.7});
  stimet = 50.0;
  jSurf = 1;
  iPres2 = 2;
  jPres2 = 3;
  kSurf = 2;
  DischargeGroup& G = DischargeStruct[2];
  G.surfno = 0;
  for (int c = lowestCell(5, 2); c > 0; c = Ccellt[c]) G.face[G.surfno++] = Cflatee[c];
  surface_solver_downstream();
  EXPECT_NEAR(fixedValue(lowestCell(2, 3)), 1.6 - 1.0, 1e-12);
  EXPECT_NEAR(fixedValue(lowestCell(5, 2)), 1.1 - 1.0, 1e-12);
  for (int c = Ccellt[lowestCell(5, 2)]; c > 0; c = Ccellt[c]) EXPECT_EQ(Cap[c], 0.0);
}

// F 36 other than 4: no level-change equation, but the grid is built anew for
// the levels as they stand; F 36 above 1 advances the time outside sediment
// runs. In a sediment run the grid stays and only the change is flagged.
TEST(Surface2DLL, RegeneratesTheGridAlsoWithoutTheLevelEquation) {
  for (int tfs : {0, 2}) {
    for (int tsc : {0, 1}) {
      InProjectDir dir;
      basin();
      FlagTFS = tfs;
      FlagTSC = tsc;
      TimeStep = 3.0;
      stimet = 10.0;
      for (int i = 1; i <= 5; ++i)
        for (int j = 1; j <= 4; ++j) zval[i][j][znumber] = 1.3;
      surface2DLL();
      EXPECT_EQ(FlagGridChange, 1);
      EXPECT_DOUBLE_EQ(stimet, tfs > 1 && tsc == 0 ? 13.0 : 10.0);
      const int t = topCell(3, 3);
      EXPECT_NEAR(Czcenter[t] + Ckdist[t], tsc == 0 ? 1.3 : 1.0, 1e-9) << tfs << tsc;
      EXPECT_DOUBLE_EQ(zval[3][3][znumber], 1.3);
    }
  }
}

// F 36 4 without couplings: the solve gives the fixed change at the fixed
// cell and 0 elsewhere; the corners take RelaxSurface times the mean of their
// columns, so the corners of the reference column move toward H.
TEST(Surface2DLL, LevelEquationMovesTheCornersByTheRelaxedColumnMean) {
  InProjectDir dir;
  basin();
  FlagTFS = 4;
  FlagTSC = 1;
  RelaxSurface = 0.5;
  series({0.0, 100.0}, {1.0, 1.2}, {1.5, 1.7});
  stimet = 45.0;  // H 1.09; the time stays in a sediment run
  Cf = Cfn;
  surface2DLL();
  EXPECT_DOUBLE_EQ(stimet, 45.0);
  const double fixedChange = 1.09 - 1.0;
  EXPECT_NEAR(Cf[lowestCell(5, 3)], fixedChange, 1e-12);
  // Grid point (5, 3) is the north-east corner of the reference column: two
  // of its columns, (5, 3) and (5, 4), exist; (4, 3) has four.
  EXPECT_NEAR(zval[5][3][znumber], 1.0 + 0.5 * fixedChange / 2.0, 1e-12);
  EXPECT_NEAR(zval[4][3][znumber], 1.0 + 0.5 * fixedChange / 4.0, 1e-12);
  EXPECT_NEAR(zval[2][3][znumber], 1.0, 1e-12);
  EXPECT_NEAR(zval[5][3][znumber + 1], zval[5][3][znumber], 0.0);
}

// F 187 1: a point whose column is wet with a dry column north of it and a
// wet one south takes, with its west neighbour, the levels of the points
// south of them (a channel whose bank row j = 4 is dry). F 154 1 smooths the interior points with four neighbours
// and the edge points with three, weighted 0.3333333.
TEST(Surface2DLL, EdgeLevelsAndSmoothingOfTheStep) {
  {
    InProjectDir dir;
    SlopingBank b;
    b.rows = {0.0, 0.0, 0.0, 3.0, 3.0};
    b.length = 4;
    b.grid().prepare();
    MinVertDist0 = 0.005;
    MinVertDist1 = 0.1;
    ASSERT_EQ(UnstructureBuild(), 1);
    metric();
    BedMake();
    ASSERT_GT(lowestCell(3, 4), 0);
    ASSERT_EQ(lowestCell(3, 5), 0);
    FlagTSC = 1;
    FlagTFS = 0;
    FlagSurfEdge = 1;
    SurfUpdate[1] = 1;
    for (int i = 1; i <= 5; ++i)
      for (int j = 1; j <= 5; ++j) zval[i][j][znumber] = zval[i][j][znumber + 1] = 1.0 + 0.01 * j;
    surface2DLL();
    // The shore row j = 4 takes the levels of row 3; the dry row 5 and row 3
    // keep theirs.
    for (int i = 1; i <= 5; ++i) {
      EXPECT_DOUBLE_EQ(zval[i][4][znumber], 1.03) << i;
      EXPECT_DOUBLE_EQ(zval[i][4][znumber + 1], 1.03) << i;
      EXPECT_DOUBLE_EQ(zval[i][3][znumber], 1.03) << i;
      EXPECT_DOUBLE_EQ(zval[i][5][znumber], 1.05) << i;
    }
  }
  InProjectDir dir;
  basin();
  FlagTSC = 1;
  SurfUpdate[1] = 1;
  SurfSmoothFlag = 1;
  SurfSmoothVal = 0.5;
  for (int i = 1; i <= 5; ++i)
    for (int j = 1; j <= 4; ++j) zval[i][j][znumber] = zval[i][j][znumber + 1] = 1.0;
  zval[2][2][znumber + 1] = 1.4;  // an interior point of the first line i1
  zval[2][1][znumber + 1] = 1.3;  // the edge point j1 - 1 of that line
  zval[5][2][znumber + 1] = 1.4;  // the line i2 is not smoothed
  surface2DLL();
  // (2, 2) first, from its unchanged neighbours; then the edge point (2, 1)
  // sees the new (2, 2) in place.
  const double inner = 0.5 * 1.4 + 0.25 * 0.5 * (1.0 + 1.3 + 1.0 + 1.0);
  EXPECT_NEAR(zval[2][2][znumber], inner, 1e-12);
  EXPECT_NEAR(zval[2][1][znumber], 0.5 * 1.3 + 0.3333333 * 0.5 * (1.0 + 1.0 + inner), 1e-12);
  EXPECT_NEAR(zval[2][1][znumber + 1], zval[2][1][znumber], 0.0);
  EXPECT_EQ(zval[5][2][znumber + 1], 1.4);
}
