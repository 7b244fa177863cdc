// The smoothing of the bed change: F 414 passes the deposit of a column
// standing too high to its lowest neighbour; F 451 levels humps and troughs
// of the stack levels; F 553 damps the growth of steps along j. The stack
// moves keep every size's grain volume whatever the column areas.
#include <gtest/gtest.h>

#include <cmath>

#include "bed/bed.h"
#include "bed/stackbox.h"

namespace {

// F 414 on a 3 x 3 box, 1 m of water over a flat grid bed at 0: the middle
// column's stack stands 0.1 m above its grid level; the stacks of its four
// neighbours end (without their top layer) at `below` under the bottom of
// the cells beside the middle bottom cell, the west one at `west` instead.
struct SmoothCase {
  StackBox box;
  int mid, w, s, e, n;
  SmoothCase(int tsc, double below, double west) : box(3, 3, 2, tsc, 2, false) {
    TopThickness = 0.01;
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) zval[i][j][1] = 0.0, Surfaces[3][i][j] = -1.0;
    for (int i = 2; i <= 4; ++i)
      for (int j = 2; j <= 4; ++j) box.setStack(i, j, {1.0, 0.1});
    mid = StackBox::bed(3, 3), w = StackBox::bed(2, 3), s = StackBox::bed(3, 2);
    e = StackBox::bed(4, 3), n = StackBox::bed(3, 4);
    box.setStack(3, 3, {1.05, 0.05});
    for (int b : {s, e, n}) BSedDistrib[0][0][b] = 1.0 - below;
    BSedDistrib[0][0][w] = 1.0 - west;
    for (int b = 1; b <= NoBCells; ++b) Bedmove[b] = 0.0;
    Bedmove[mid] = 0.004;
    if (Bbedchange) Bbedchange[1][mid] = 0.003, Bbedchange[2][mid] = 0.001;
  }
};

}  // namespace

// F 414 1 moves only towards a neighbour lying more than 2t lower; F 414 2
// moves to the lowest neighbour in any case; both with and without the
// per-size change of the multi-layer bed.
TEST(SmoothBedchange, MovesTheDepositToTheLowestNeighbour) {
  struct Row {
    int flag, tsc;
    double below, west;
    bool moves;
  } rows[] = {
      {1, 3, 0.0, 0.015, false},  // no neighbour 2t = 0.02 lower
      {1, 3, 0.0, 0.03, true},    // the west one is
      {2, 3, 0.0, 0.015, true},   // 2 moves every qualifying deposit
      {1, 2, 0.0, 0.015, false},  // the two-layer bed has no Bbedchange
      {2, 2, 0.01, 0.015, true},
  };
  for (const Row& r : rows) {
    SmoothCase c(r.tsc, r.below, r.west);
    FlagSmoothBedchange = r.flag;
    smoothBedchange();
    EXPECT_EQ(Bedmove[c.mid], r.moves ? 0.0 : 0.004) << r.flag << " " << r.tsc;
    EXPECT_EQ(Bedmove[c.w], r.moves ? 0.004 : 0.0) << r.flag << " " << r.tsc;
    if (Bbedchange) {
      EXPECT_EQ(Bbedchange[1][c.w], r.moves ? 0.003 : 0.0);
      EXPECT_EQ(Bbedchange[2][c.w], r.moves ? 0.001 : 0.0);
    }
  }
}

// An erosion, or a column whose stack stands no more than 2t above its grid
// level, keeps its change.
TEST(SmoothBedchange, ErosionAndLowColumnsStay) {
  {
    SmoothCase c(3, 0.0, 0.1);
    FlagSmoothBedchange = 2;
    Bedmove[c.mid] = -0.004;
    smoothBedchange();
    EXPECT_EQ(Bedmove[c.mid], -0.004);
    EXPECT_EQ(Bedmove[c.w], 0.0);
  }
  {
    SmoothCase c(3, 0.0, 0.1);
    FlagSmoothBedchange = 2;
    c.box.setStack(3, 3, {1.0, 0.015});  // less than 2t above the grid level
    smoothBedchange();
    EXPECT_EQ(Bedmove[c.mid], 0.004);
  }
}

// F 451 with BedSmooth4 0 on three columns along i: a hump gives half its
// excess, a quarter to each neighbour; a trough takes a quarter from each.
TEST(BedSmooth4, LevelsHumpsAndTroughsByTheHandAmounts) {
  struct Row {
    double mid, west, midAfter, westAfter;
  } rows[] = {{0.7, 0.3, 0.5, 0.4}, {0.1, 0.5, 0.3, 0.4}};
  for (const Row& r : rows) {
    StackBox box(3, 1, 5, 3, 2, false);
    FlagBedSmooth4 = 1;
    box.setStack(2, 2, {1.0, r.west});
    box.setStack(3, 2, {1.0, r.mid});
    box.setStack(4, 2, {1.0, r.west});
    bedSmooth4();
    EXPECT_NEAR(columnStackLevel(3, 2), -1.0 + r.midAfter, 1e-12);
    EXPECT_NEAR(columnStackLevel(2, 2), -1.0 + r.westAfter, 1e-12);
    EXPECT_NEAR(columnStackLevel(4, 2), -1.0 + r.westAfter, 1e-12);
  }
}

// Within BedSmooth4 x s of the neighbours' mean nothing moves; F 451 1
// never moves along j; F 451 2 on unequal areas keeps every size.
TEST(BedSmooth4, ToleranceDirectionAndGrainVolumes) {
  {
    StackBox box(3, 1, 5, 3, 2, false);
    FlagBedSmooth4 = 1;
    BedSmooth4 = 0.1;  // s = 2 m: tolerance 0.2 m
    box.setStack(3, 2, {1.0, 0.6});
    const double before = columnStackLevel(3, 2);
    bedSmooth4();
    EXPECT_EQ(columnStackLevel(3, 2), before);
  }
  {
    StackBox box(2, 3, 5, 3, 2, false);
    FlagBedSmooth4 = 1;
    box.setStack(2, 3, {1.0, 0.9});
    const double before = columnStackLevel(2, 3);
    bedSmooth4();
    EXPECT_EQ(columnStackLevel(2, 3), before);
    FlagBedSmooth4 = 2;
    bedSmooth4();
    EXPECT_LT(columnStackLevel(2, 3), before - 0.1);
  }
  {
    StackBox box(4, 4, 5);
    FlagBedSmooth4 = 2;
    for (int i = 2; i <= 5; ++i)
      for (int j = 2; j <= 5; ++j) box.setStack(i, j, {1.0, 0.1 + 0.3 * ((i * j) % 3), 0.05 * i});
    const auto before = box.allGrains();
    bedSmooth4();
    StackBox::expectSameGrains(before, box.allGrains(), "F 451 2");
  }
}

// F 553 1: the higher column that gained more gives to the lower one, never
// more than the step or its stack; every size keeps its volume.
TEST(BedformSmooth, DampsStepsAlongJWithinTheStepAndTheStack) {
  StackBox box(2, 3, 5);
  FlagBedformSmooth = 1;
  paramBedformSmooth = 10.0;
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 4; ++j) zval[i][j][1] = 0.1 * j;  // steps of 0.1 m
  for (int b = 1; b <= NoBCells; ++b) Bedmove[b] = 0.0;
  Bedmove[StackBox::bed(2, 3)] = 0.5;  // would move 5 m: the step caps it
  Bedmove[StackBox::bed(3, 3)] = 0.001;
  const double t22 = stackThickness(StackBox::bed(2, 2)), t23 = stackThickness(StackBox::bed(2, 3));
  const double t32 = stackThickness(StackBox::bed(3, 2));
  const auto before = box.allGrains();
  computeBedformSmooth();
  StackBox::expectSameGrains(before, box.allGrains(), "F 553 1");
  EXPECT_NEAR(t23 - stackThickness(StackBox::bed(2, 3)), 0.1, 1e-12);
  EXPECT_NEAR(stackThickness(StackBox::bed(3, 2)) - t32,
              0.01 * Barea[StackBox::bed(3, 3)] / Barea[StackBox::bed(3, 2)], 1e-12);
  EXPECT_GT(stackThickness(StackBox::bed(2, 2)), t22);
  // Fewer than three layers, or F 553 other than 1: nothing.
  for (int layers : {2}) {
    StackBox small(2, 3, layers);
    FlagBedformSmooth = 1;
    paramBedformSmooth = 10.0;
    for (int i = 1; i <= 3; ++i)
      for (int j = 1; j <= 4; ++j) zval[i][j][1] = 0.1 * j;
    Bedmove[StackBox::bed(2, 3)] = 0.5;
    const double t = stackThickness(StackBox::bed(2, 3));
    computeBedformSmooth();
    EXPECT_EQ(stackThickness(StackBox::bed(2, 3)), t);
  }
}
