// The corner skew of the default bed change (F 205): the shares of the four
// corners of a column skewed by the corner levels, the water depths, the
// flow direction or the bed slope, the column's volume always reaching the
// corners, and option 12 refused where a column moves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "bed/bed.h"
#include "bed/corner_box.h"
#include "bed/cornershares.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"

namespace {

// Plan area each grid line of the 3 x 3 box stands for: 1 inside, 1/2 on an
// edge, 1/4 at a corner of the box.
double cornerArea(int i, int j) { return (i == 1 || i == 4 ? 0.5 : 1.0) * (j == 1 || j == 4 ? 0.5 : 1.0); }

// A wavy bed under a 1 m deep flow towards the north-east, with twisted bed
// cells around the middle column and bottom faces sloping to the east.
void wavyBed() {
  for (int i = 1; i <= 4; ++i)
    for (int j = 1; j <= 4; ++j) zval[i][j][1] = 0.1 * std::sin(1.3 * i + 0.7 * j) + 0.03 * i;
  for (int i = 0; i <= xnumber + 1; ++i)
    for (int j = 0; j <= ynumber + 1; ++j) zval[i][j][znumber] = 1.0;
  for (int c = 1; c <= NoCells; ++c) Cxvel[c] = 0.5, Cyvel[c] = 0.2;
  for (int b = 1; b <= NoBCells; ++b) Bfly[b] = -0.1;
  Bfly[CornerBox::bedAt(3, 3)] = 0.1;
  for (int c = 1; c <= NoCells; ++c) {
    const int f = Cflateb[c];
    if (f >= 1) Fvx[f] = 0.3, Fvy[f] = 0.1, Fvz[f] = std::sqrt(0.9);
  }
}

// Corner levels of the box.
std::vector<double> levels() {
  std::vector<double> z;
  for (int i = 1; i <= 4; ++i)
    for (int j = 1; j <= 4; ++j) z.push_back(zval[i][j][1]);
  return z;
}

}  // namespace

// Without limits every option but 12 gives the corners (change x corner
// area) exactly the volume of the columns, however it skews the shares; and
// the options do skew: each one moves some corner otherwise than option 0.
TEST(BedSkew, EveryOptionPlacesTheColumnsVolume) {
  const double move[3][3] = {{0.02, -0.03, 0.05}, {-0.04, 1.2, 0.01}, {0.03, -0.02, -0.05}};
  std::vector<double> plain;
  for (int opt = 0; opt <= 21; ++opt) {
    if (opt == 12) continue;
    CornerBox box;
    FlagSkewedBedchange = opt;
    wavyBed();
    const std::vector<double> before = levels();
    double asked = 0.0, scale = 0.0;
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) {
        const int b = CornerBox::bedAt(i + 2, j + 2);
        Bedmove[b] = move[i][j];
        asked += move[i][j] * Barea[b];
        scale += std::fabs(move[i][j] * Barea[b]);
      }
    bedchange();
    double given = 0.0;
    for (int i = 1; i <= 4; ++i)
      for (int j = 1; j <= 4; ++j) given += (zval[i][j][1] - before[4 * (i - 1) + j - 1]) * cornerArea(i, j);
    EXPECT_NEAR(given, asked, 1e-9 * scale) << "option " << opt;
    EXPECT_EQ(BedMoveDefectAbs, 0.0) << opt;
    std::vector<double> after = levels();
    if (opt == 0) plain = after;
    const bool skews = !(opt == 7 || opt == 8 || opt == 10 || opt == 0);
    double differs = 0.0;
    for (size_t n = 0; n < after.size(); ++n) differs = std::max(differs, std::fabs(after[n] - plain[n]));
    if (skews) EXPECT_GT(differs, 1e-6) << "option " << opt;
    else EXPECT_EQ(differs, 0.0) << "option " << opt;
  }
}

// On a level column options 1 to 4, 11 and 14 leave the area shares: each
// corner of the middle column moves by a quarter of its change; so does
// option 5 where the water stands still.
TEST(BedSkew, LevelCornersAndStillWaterKeepTheAreaShares) {
  for (int opt : {1, 2, 3, 4, 5, 6, 11, 14})
    for (double move : {0.04, -0.04}) {
      CornerBox box;
      FlagSkewedBedchange = opt;
      for (int b = 1; b <= NoBCells; ++b) Bfly[b] = -0.1;
      Bfly[CornerBox::bedAt(3, 3)] = 0.1;  // option 3 acts on this column
      Bedmove[CornerBox::bedAt(3, 3)] = move;
      bedchange();
      for (auto [i, j] : {std::pair{3, 3}, {2, 3}, {2, 2}, {3, 2}})
        EXPECT_NEAR(zval[i][j][1], move / 4.0, 1e-15) << "option " << opt << " move " << move;
    }
}

// Option 1: the low corner of a depositing column takes more than the high
// ones, the high corners of an eroding column lose more than the low one
// (the low corner ends higher against the high ones in both); option 4 the
// reverse.
TEST(BedSkew, OptionOneFillsTheLowCornersAndOptionFourTheHighOnes) {
  for (int opt : {1, 4})
    for (double move : {0.04, -0.04}) {
      CornerBox box;
      FlagSkewedBedchange = opt;
      for (auto [i, j] : {std::pair{3, 3}, {2, 3}, {3, 2}}) zval[i][j][1] = 0.3;  // corner (2, 2) low
      Bedmove[CornerBox::bedAt(3, 3)] = move;
      bedchange();
      const double low = zval[2][2][1], high = zval[3][3][1] - 0.3;
      if (opt == 1) EXPECT_GT(low, high) << opt << " " << move;
      else EXPECT_LT(low, high) << opt << " " << move;
      // The volume stays that of the column.
      EXPECT_NEAR(low + high + 2.0 * (zval[2][3][1] - 0.3), move, 1e-12);
    }
}

// The weights of options 9 and 13 to 21 (four times the share of each
// corner of the middle column, read from its corner moves) sum to 4 and none
// falls below 0.001, even where a term is 0 (p = 0, a corner at the lowest
// level with erosion in option 14).
TEST(BedSkew, WeightsSumToFourAndKeepEveryCorner) {
  for (int opt : {9, 13, 14, 15, 16, 17, 18, 19, 20, 21})
    for (double move : {0.3, -0.04}) {
      CornerBox box;
      FlagSkewedBedchange = opt;
      f205param = 0.0;
      for (int i = 0; i <= xnumber + 1; ++i)
        for (int j = 0; j <= ynumber + 1; ++j) zval[i][j][znumber] = 0.5;
      zval[3][3][1] = 0.4;
      zval[2][3][1] = 0.1;
      const int b = CornerBox::bedAt(3, 3);
      Bedmove[b] = move;
      bedchange();
      double sum = 0.0, least = 1e9;
      const double z0[5] = {0, 0.4, 0.0, 0.0, 0.1};
      const int ci[5] = {0, 3, 3, 2, 2}, cj[5] = {0, 3, 2, 2, 3};
      for (int k = 1; k <= 4; ++k) {
        const double f = 4.0 * (zval[ci[k]][cj[k]][1] - z0[k]) / move;
        sum += f;
        least = std::min(least, f);
      }
      EXPECT_NEAR(sum, 4.0, 1e-12) << opt << " " << move;
      EXPECT_GE(least, 0.001 - 1e-12) << opt << " " << move;
    }
}

// Option 12 is refused at the first column that moves; a step in which no
// column moves passes.
TEST(BedSkew, OptionTwelveOnlyWhereAColumnMoves) {
  CornerBox box;
  FlagSkewedBedchange = 12;
  bedchange();
  EXPECT_EQ(zval[3][3][1], 0.0);
  Bedmove[CornerBox::bedAt(3, 3)] = 0.01;
  EXPECT_EXIT(bedchange(), ::testing::ExitedWithCode(256 - 3),
              "");
}

// Which corner takes the larger share, by option and direction, on a column
// whose corner (2, 2) lies 0.3 m below the other three under 0.5 m of water
// level: +1 the low corner, -1 a high corner, 0 equal shares.
TEST(BedSkew, EachOptionFavoursItsCorners) {
  struct Row {
    int option, deposit, erode;
  } rows[] = {{1, 1, -1},  {2, 0, -1},  {4, -1, 1}, {9, 0, 0},   {11, 0, -1}, {13, 1, 1},  {14, 1, -1},
              {15, 1, -1}, {16, 1, -1}, {17, 0, 0}, {18, 1, 1},  {19, 1, 0},  {20, 1, -1}, {21, 1, -1}};
  for (const Row& r : rows)
    for (double move : {0.04, -0.04}) {
      CornerBox box;
      FlagSkewedBedchange = r.option;
      for (int i = 0; i <= xnumber + 1; ++i)
        for (int j = 0; j <= ynumber + 1; ++j) zval[i][j][znumber] = 0.5;
      for (auto [i, j] : {std::pair{3, 3}, {2, 3}, {3, 2}}) zval[i][j][1] = 0.3;
      Bedmove[CornerBox::bedAt(3, 3)] = move;
      bedchange();
      const double low = zval[2][2][1] / move, high = (zval[3][3][1] - 0.3) / move;
      const int expected = move > 0.0 ? r.deposit : r.erode;
      if (expected == 0) EXPECT_NEAR(low, high, 1e-12) << r.option << " " << move;
      else if (expected > 0) EXPECT_GT(low, high + 1e-6) << r.option << " " << move;
      else EXPECT_LT(low + 1e-6, high) << r.option << " " << move;
    }
}

// Why the skewed factors are scaled to the column's volume and not back to
// their former sum: a column of plan area 1 among equal columns (every
// corner factor 4), its high corner skewed by 3 and the others by 2 (option
// 1 with p = 2). Scaled to the former sum 16 the factors are 4/9 x (12, 8,
// 8, 8), and the corners, whose changes reach a plan area of 4/4 each, take
// V x (3/16 + 3 x 9/32) = 1.03125 V: three percent of sediment out of
// nothing in every such step. Scaled to the volume they take V.
TEST(BedSkew, FactorsScaledToTheirFormerSumWouldNotHoldTheVolume) {
  const double area[5] = {0.0, 4.0, 4.0, 4.0, 4.0};
  const double g[5] = {0.0, 3.0, 2.0, 2.0, 2.0};
  double w[5], sumBefore = 0.0, sumAfter = 0.0;
  for (int k = 1; k <= 4; ++k) sumBefore += area[k], w[k] = area[k] * g[k], sumAfter += w[k];
  auto placed = [&](const double* f) {
    double v = 0.0;
    for (int k = 1; k <= 4; ++k) v += area[k] / 4.0 * (1.0 / f[k]);
    return v;  // for a column volume of 1
  };
  double formerSum[5];
  for (int k = 1; k <= 4; ++k) formerSum[k] = w[k] * sumBefore / sumAfter;
  EXPECT_NEAR(placed(formerSum), 1.03125, 1e-12);
  keepColumnVolume(area, w);
  EXPECT_NEAR(placed(w), 1.0, 1e-15);
  // The skew itself survives: the high corner still takes the smaller share.
  EXPECT_GT(w[1], w[2]);
  EXPECT_DOUBLE_EQ(w[2], w[3]);
}
