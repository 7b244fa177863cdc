// The block-grid editing routines on a block of 10 x 8 columns (grid lines
// 1..11 by 1..9, 1 m apart).
#include <gtest/gtest.h>

#include <cmath>

#include "grid/generate.h"
#include "grid/grid_builder.h"
#include "io/kread.h"
#include "io/modelfiles.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"

namespace {

void uniformBlock() {
  BlockGrid g;
  g.nx = 10;
  g.ny = 8;
  g.bed = [](int i, int) { return 0.1 * i; };
  g.prepare();
}

void fix(int i, int j) {
  ++FastNo;
  iFast[FastNo] = i;
  jFast[FastNo] = j;
}

double worstUniformity() {
  double w = 0;
  for (int i = 1; i <= 11; ++i)
    for (int j = 1; j <= 9; ++j) w = std::max({w, std::fabs(xval[i][j] - (i - 1)), std::fabs(yval[i][j] - (j - 1))});
  return w;
}

}  // namespace

// The border lines are spaced evenly between fixed points; a fixed point and
// the corners stay.
TEST(BlockEdit, SidesSpaceBorderPointsBetweenFixedPoints) {
  InProjectDir dir;
  uniformBlock();
  fix(5, 1);
  xval[5][1] = 6.0;  // the fixed point on the south side, moved by the user
  xval[3][1] = 0.3;
  yval[1][4] = 7.0;
  zval[4][1][1] = 9.0;
  BlockID = 0;
  sides();
  EXPECT_EQ(BlockID, 1);
  EXPECT_DOUBLE_EQ(xval[5][1], 6.0);
  EXPECT_DOUBLE_EQ(xval[1][1], 0.0);
  for (int i = 2; i <= 4; ++i) EXPECT_NEAR(xval[i][1], 6.0 * (i - 1) / 4, 1e-12) << i;
  for (int i = 6; i <= 10; ++i) EXPECT_NEAR(xval[i][1], 6.0 + 4.0 * (i - 5) / 6, 1e-12) << i;
  EXPECT_NEAR(zval[4][1][1], 0.1 * 1 + (0.5 - 0.1) * 3 / 4, 1e-12);
  EXPECT_NEAR(yval[1][4], 3.0, 1e-12);
  // F 308 1 leaves the west side alone.
  yval[1][4] = 7.0;
  FlagMPI = 1;
  sides();
  EXPECT_DOUBLE_EQ(yval[1][4], 7.0);
}

// transfinite smooths the interior back to the even block; a fixed interior
// point stays.
TEST(BlockEdit, TransfiniteSmoothsAndKeepsFixedPoints) {
  InProjectDir dir;
  uniformBlock();
  xval[4][4] += 0.4;
  yval[7][5] -= 0.3;
  transfinite();
  EXPECT_LT(worstUniformity(), 1e-9);
  fix(6, 6);
  xval[6][6] = 5.2;
  transfinite();
  EXPECT_DOUBLE_EQ(xval[6][6], 5.2);
  EXPECT_GT(xval[7][7], 6.0);  // its diagonal neighbours follow it
}

// Itransfinite spaces a free line evenly between its border points and
// breaks a line at its fixed points.
TEST(BlockEdit, ItransfiniteSpacesFreeLinesEvenly) {
  InProjectDir dir;
  uniformBlock();
  for (int j = 2; j <= 8; ++j) yval[4][j] = 0.5 * j * j / 8;
  zval[4][9][znumber] = 3.0;
  fix(6, 3);
  yval[6][3] = 4.0;
  Itransfinite();
  for (int j = 1; j <= 9; ++j) EXPECT_NEAR(yval[4][j], j - 1, 1e-12) << j;
  EXPECT_NEAR(zval[4][5][znumber], 1.0 + 2.0 * 4 / 8, 1e-12);
  EXPECT_DOUBLE_EQ(yval[6][3], 4.0);
  EXPECT_NEAR(yval[6][2], 2.0, 1e-12);
  EXPECT_NEAR(yval[6][5], 4.0 + 4.0 * 2 / 6, 1e-12);
}

// Jtransfinite and Mtransfinite fill the interior from the border lines and
// do not spare fixed points.
TEST(BlockEdit, JAndMTransfiniteInterpolateTheInterior) {
  InProjectDir dir;
  uniformBlock();
  fix(4, 4);
  xval[4][4] = 9.0;
  Jtransfinite();
  EXPECT_NEAR(xval[4][4], 3.0, 1e-12);
  xval[4][4] = 9.0;
  yval[4][4] = 9.0;
  Mtransfinite();
  EXPECT_NEAR(xval[4][4], 3.0, 1e-12);
  EXPECT_NEAR(yval[4][4], 3.0, 1e-12);
  EXPECT_NEAR(zval[4][4][1], 0.4, 1e-12);
}

// elliptic leaves an even block as it is, draws points toward a W 7 line of
// type 2 and keeps fixed points.
TEST(BlockEdit, EllipticKeepsUniformBlocksAndFollowsAttraction) {
  InProjectDir dir;
  uniformBlock();
  elliptic();
  EXPECT_LT(worstUniformity(), 1e-12);

  AttractNo = 1;
  Attract[1] = {6, 0, 2, 1.0, 0.5};
  fix(8, 5);
  elliptic();
  EXPECT_DOUBLE_EQ(xval[8][5], 7.0);
  // East of line 6 the points move west, west of it east.
  EXPECT_LT(xval[7][4], 6.0);
  EXPECT_LT(xval[9][4], 8.0);
  EXPECT_GT(xval[5][4], 4.0);
  EXPECT_GT(xval[3][4], 2.0);
  // The columns next to the line are narrower than those far from it.
  EXPECT_LT(xval[7][4] - xval[6][4], xval[10][4] - xval[9][4]);
  for (int i = 1; i <= 11; ++i)
    for (int j = 1; j <= 9; ++j) ASSERT_TRUE(std::isfinite(xval[i][j]) && std::isfinite(yval[i][j]));
}

// A degenerate interior point (zero Jacobian: its i neighbours, fixed, at one
// place) stays where it is instead of taking a position that is not a number.
TEST(BlockEdit, EllipticLeavesADegeneratePoint) {
  InProjectDir dir;
  uniformBlock();
  xval[6][5] = xval[4][5];
  yval[6][5] = yval[4][5];
  fix(4, 5);
  fix(6, 5);
  xval[5][5] += 0.3;
  const double x = xval[5][5], y = yval[5][5];
  elliptic();
  EXPECT_DOUBLE_EQ(xval[5][5], x);
  EXPECT_DOUBLE_EQ(yval[5][5], y);
  for (int i = 1; i <= 11; ++i)
    for (int j = 1; j <= 9; ++j) ASSERT_TRUE(std::isfinite(xval[i][j]) && std::isfinite(yval[i][j])) << i << " " << j;
}

// The points between the last two fixed points of one line become fixed
// points, spaced evenly.
TEST(BlockEdit, AddLineNoMovePoints) {
  InProjectDir dir;
  uniformBlock();
  fix(3, 4);
  fix(8, 4);
  xval[5][4] = 0.0;
  addLineNoMovePoints();
  EXPECT_EQ(FastNo, 6);
  for (int k = 3; k <= 6; ++k) {
    EXPECT_EQ(iFast[k], k + 1);
    EXPECT_EQ(jFast[k], 4);
  }
  EXPECT_NEAR(xval[5][4], 4.0, 1e-12);
  // Two fixed points on neither one line i nor one line j: nothing.
  fix(2, 2);
  fix(5, 7);
  addLineNoMovePoints();
  EXPECT_EQ(FastNo, 8);
}

// The points of line i between the last three fixed points go onto their
// circle, along the arc through the middle one.
TEST(BlockEdit, ComputeCirclePutsPointsOnTheCircle) {
  InProjectDir dir;
  uniformBlock();
  const double r = 5.0, pi = std::acos(-1.0);
  auto place = [&](int j, double angle) {
    xval[4][j] = 10 + r * std::cos(angle);
    yval[4][j] = 20 + r * std::sin(angle);
  };
  place(2, 0.0);
  place(5, pi / 4);
  place(8, pi / 2);
  fix(4, 2);
  fix(4, 5);
  fix(4, 8);
  computeCircle();
  for (int j = 2; j <= 8; ++j) EXPECT_NEAR(std::hypot(xval[4][j] - 10, yval[4][j] - 20), r, 1e-9) << j;
  for (int j = 3; j <= 8; ++j) {
    const double a = std::atan2(yval[4][j] - 20, xval[4][j] - 10), b = std::atan2(yval[4][j - 1] - 20, xval[4][j - 1] - 10);
    EXPECT_GT(a, b) << j;
  }
  EXPECT_NEAR(std::atan2(yval[4][3] - 20, xval[4][3] - 10), pi / 12, 1e-9);
}

// After Y on the straight channel (grid lines 1..21 by 1..6) with two W 6
// points moved by the user: they keep their place through sides,
// transfinite, Itransfinite and elliptic, and the grid stays finite.
TEST(BlockEdit, FixedPointsOfTheChannelKeepTheirPlace) {
  InProjectDir p;
  p.dir().write("koosurf", straightChannelKoosurf());
  p.dir().write("control", "F 2 Y\nG 1 23 8 11 1\nW 6 8 3\nW 6 15 1\nW 7 2 12 0 1.0 0.5\n");
  kread();
  ASSERT_GE(AllocateArrays(1, 1, 1), 0.0);
  readKoosurf();
  Unstructure();
  ASSERT_EQ(FastNo, 2);
  ASSERT_EQ(AttractNo, 1);
  xval[8][3] = 7.3;
  yval[8][3] = 2.4;
  xval[15][1] = 14.5;
  for (void (*edit)() : {sides, transfinite, Itransfinite, elliptic}) {
    edit();
    EXPECT_DOUBLE_EQ(xval[8][3], 7.3);
    EXPECT_DOUBLE_EQ(yval[8][3], 2.4);
    EXPECT_DOUBLE_EQ(xval[15][1], 14.5);
    EXPECT_DOUBLE_EQ(yval[15][1], 0.0);
  }
  for (int i = 1; i <= 21; ++i)
    for (int j = 1; j <= 6; ++j) ASSERT_TRUE(std::isfinite(xval[i][j]) && std::isfinite(yval[i][j]));
  // sides spaced the south line from the corner to the fixed point evenly.
  EXPECT_NEAR(xval[8][1], 14.5 * 7 / 14, 1e-12);
}

// The attraction scale comes from the block's own extent: the same block
// far from the origin moves the same way.
TEST(BlockEdit, EllipticScaleFollowsTheBlockNotTheOrigin) {
  double moved[2];
  for (int k = 0; k < 2; ++k) {
    InProjectDir dir;
    uniformBlock();
    const double offset = k == 0 ? 0.0 : 25000.0;
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) {
        xval[i][j] += offset;
        yval[i][j] -= offset;
      }
    AttractNo = 1;
    Attract[1] = {6, 0, 2, 1.0, 0.5};
    elliptic();
    moved[k] = xval[7][4] - offset - 6.0;
  }
  EXPECT_LT(moved[0], -0.01);
  EXPECT_NEAR(moved[1], moved[0], 1e-9);
}
