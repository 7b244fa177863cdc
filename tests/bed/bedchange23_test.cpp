// The column-wise bed change (F 255 1, bedchange2 with bedchangeCell) and
// the corner-mean bed change (F 255 3, bedchange3) on a box of 1 m columns:
// the bed volume they place, the order of the passes, the remainder each
// cell parity stops at, the Froude limit of the water levels, the corner
// means and the non-erodible level with its booking.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "bed/bed.h"
#include "bed/corner_box.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"

namespace {

const double kKg = 0.5 * 1000.0 * 2.65;  // kg per m3 of bed (SolidFrac, density)

double& z(int i, int j) { return zval[i][j][1]; }
double& moveOf(int i, int j) { return Bedmove[CornerBox::bedAt(i, j)]; }

// Mixed changes in the nine columns; returns their volume.
double mixedChanges() {
  const double move[3][3] = {{0.02, -0.03, 0.05}, {-0.04, 0.06, 0.01}, {0.03, -0.02, -0.05}};
  double V = 0.0;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      moveOf(i + 2, j + 2) = move[i][j];
      V += move[i][j] * Barea[CornerBox::bedAt(i + 2, j + 2)];
    }
  return V;
}

void wavyBed() {
  for (int i = 1; i <= 4; ++i)
    for (int j = 1; j <= 4; ++j) z(i, j) = 0.1 * std::sin(1.3 * i + 0.7 * j) + 0.03 * i;
  for (int c = 1; c <= NoCells; ++c) Cxvel[c] = 0.5, Cyvel[c] = 0.2;
}

}  // namespace

// Without limits the column-wise change places the columns' volume under
// every skew it knows, and the corner-mean change as well.
TEST(BedChangeVariants, BothPlaceTheColumnsVolume) {
  for (int opt = 0; opt <= 6; ++opt) {
    CornerBox box;
    FlagSkewedBedchange = opt;
    wavyBed();
    const double V0 = bedVolume(), asked = mixedChanges();
    bedchange2();
    EXPECT_NEAR(bedVolume() - V0, asked, 1e-9 * 0.31) << "option " << opt;
    EXPECT_EQ(BedMoveDefectAbs, 0.0);
  }
  CornerBox box;
  wavyBed();
  const double V0 = bedVolume(), asked = mixedChanges();
  bedchange3();
  EXPECT_NEAR(bedVolume() - V0, asked, 1e-9 * 0.31);
  EXPECT_NEAR(BedMoveDefectAbs, 0.0, 1e-9);  // rounding only
}

// Deposition is placed before erosion: an eroding column on a fixed bed
// can take back what its depositing neighbour (later in the sweep) put on
// their shared corners, and only the rest is booked.
TEST(BedChangeVariants, ColumnWiseDepositsBeforeItErodes) {
  CornerBox box;
  for (int i = 0; i <= xnumber + 1; ++i)
    for (int j = 0; j <= ynumber + 1; ++j) Surfaces[3][i][j] = z(i, j);
  moveOf(2, 3) = -0.04;  // first in the sweep
  moveOf(3, 3) = 0.04;
  bedchange2();
  // The shared corners (2, 3), (2, 2) got 0.01 each and gave it back.
  EXPECT_NEAR(z(2, 3), 0.0, 1e-12);
  EXPECT_NEAR(z(2, 2), 0.0, 1e-12);
  EXPECT_NEAR(BedMoveDefectAbs, 0.02 * kKg, 1e-6);
  EXPECT_NEAR(BedMoveDefectSum, -0.02 * kKg, 1e-6);
}

// Of two eroding columns the one that loses more than nine tenths of its
// two layers goes first, even when it comes later in the sweep: it takes
// its share of the shared corners, and the other column cannot place all.
TEST(BedChangeVariants, ColumnWiseErodesTheThinLayersFirst) {
  for (bool thin : {true, false}) {
    CornerBox box(0, 4);  // columns 2..5: (3, 3) and (4, 3) have interior corners only
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) Surfaces[3][i][j] = z(i, j) - 0.01;
    for (int b = 1; b <= NoBCells; ++b) BSedDistrib[1][0][b] = 0.5, BSedDistrib[0][0][b] = 0.5;
    const int late = CornerBox::bedAt(4, 3);
    if (thin) BSedDistrib[1][0][late] = BSedDistrib[0][0][late] = 0.005;
    moveOf(3, 3) = -0.04;
    moveOf(4, 3) = -0.02;
    bedchange2();
    // Thin first: it takes 0.005 from each shared corner, the other column
    // finds 0.03 of its 0.04. Otherwise the first column takes all 0.04 and
    // the second its two own corners, 0.02.
    EXPECT_NEAR(BedMoveDefectAbs, thin ? 0.01 * kKg : 0.0, 1e-6) << thin;
  }
}

// Deposition on a column whose corners 2, 3, 4 have no water depth (F 163 1)
// gives back three quarters in every pass, until the remainder falls below
// 1e-9 (even cell) or 1e-10 (odd cell); the remainder is booked.
TEST(BedChangeVariants, ColumnWiseStopsAtTheRemainderOfItsCellParity) {
  bool seen[2] = {false, false};
  for (auto [i, j] : {std::pair{3, 3}, {3, 4}, {4, 3}, {4, 4}}) {
    CornerBox box(0, 4);  // interior columns, each corner standing for 1 m2
    FlagBedChange = 1;
    const int c = Bcellt[CornerBox::bedAt(i, j)];
    const bool odd = c % 2 != 0;
    seen[odd] = true;
    for (auto [I, J] : {std::pair{i, j - 1}, {i - 1, j - 1}, {i - 1, j}}) zval[I][J][znumber] = z(I, J);
    moveOf(i, j) = 0.04;
    bedchange2();
    const double R = BedMoveDefectAbs / kKg, limit = odd ? 1e-10 : 1e-9;
    EXPECT_LT(R, limit) << c;
    EXPECT_GE(R, 0.75 * limit * (1.0 - 1e-6)) << c;
    EXPECT_NEAR(z(i, j), 0.04 - R, 1e-15) << c;
  }
  EXPECT_TRUE(seen[0] && seen[1]);
}

// F 132: a column too shallow for the Froude number lifts its four water
// levels by h - D; 0.5 never touches them.
TEST(BedChangeVariants, ColumnWiseLiftsTheWaterWhereTooShallow) {
  for (double froude : {1.0, 0.5}) {
    CornerBox box;
    FroudeMaxSurface = froude;
    const int b = CornerBox::bedAt(3, 3), c = Bcellt[b];
    Cxvel[c] = 4.0;
    moveOf(3, 3) = 0.04;
    double before[4], bottom = 0.0;
    const int ci[4] = {3, 3, 2, 2}, cj[4] = {3, 2, 2, 3};
    for (int k = 0; k < 4; ++k) before[k] = zval[ci[k]][cj[k]][znumber];
    for (const int* pts : {Cpoint1, Cpoint2, Cpoint3, Cpoint4}) bottom += Pz[pts[c]];
    bedchange2();
    double sumS = 0.0;
    for (int k = 0; k < 4; ++k) sumS += before[k];
    const double D = 0.25 * (sumS - bottom), h = 16.0 / 9.81;
    ASSERT_GT(h, D);
    for (int k = 0; k < 4; ++k)
      EXPECT_NEAR(zval[ci[k]][cj[k]][znumber], before[k] + (froude > 0.5 ? h - D : 0.0), 1e-12) << froude;
  }
}

// The corner mean: 0.1, 0.1, 0.2 and 0 m around an interior corner lift it
// by 0.1 m; one wet column moves a corner by its own change; a corner
// without a wet column stays.
TEST(BedChangeVariants, CornerMeanOfTheWetColumns) {
  {
    CornerBox box;
    moveOf(2, 2) = 0.1, moveOf(3, 2) = 0.1, moveOf(3, 3) = 0.2, moveOf(2, 3) = 0.0;
    bedchange3();
    EXPECT_NEAR(z(2, 2), 0.1, 1e-15);
    EXPECT_NEAR(Surfaces[1][2][2], 0.1, 1e-15);
  }
  {
    CornerBox box;
    moveOf(2, 2) = 0.05;
    for (auto [i, j] : {std::pair{2, 3}, {3, 3}, {3, 2}, {4, 3}, {4, 4}, {3, 4}}) zval[i][j][0] = 0.0;  // dry
    bedchange3();
    EXPECT_NEAR(z(2, 2), 0.05, 1e-15);
    EXPECT_NEAR(z(1, 1), 0.05, 1e-15);
    EXPECT_EQ(z(3, 3), 0.0);
  }
}

// The corner mean stops erosion at the non-erodible level and books the
// cut, and books the sediment it creates where it lifts a corner that lay
// below that level.
TEST(BedChangeVariants, CornerMeanBooksTheCutAndTheLift) {
  CornerBox box;
  Surfaces[3][2][2] = -0.02;  // corner of four columns
  Surfaces[3][1][1] = 0.03;   // box corner, one column, lies 0.03 below its fixed level
  for (int i = 2; i <= 4; ++i)
    for (int j = 2; j <= 4; ++j) moveOf(i, j) = -0.05;
  bedchange3();
  EXPECT_NEAR(z(2, 2), -0.02, 1e-15);
  EXPECT_NEAR(z(1, 1), 0.03, 1e-15);
  // Cut: 0.03 m x 1 m2; lift: 0.08 m x 1/4 m2; both placed more than asked.
  const double expected = -(0.03 * 1.0 + 0.08 * 0.25) * kKg;
  EXPECT_NEAR(BedMoveDefectSum, expected, 1e-9);
  EXPECT_NEAR(BedMoveDefectAbs, -expected, 1e-9);
}

// On a block's edge the corner mean takes the columns across the edge that
// the bed cell map holds there, not the window's slots: with the block cut
// to columns 2..3 (column 4 belonging to the grid beyond, with no cell in
// the level list) the edge corner (3, 3) still takes the mean of its four
// columns, and a corner beyond the block is not moved.
TEST(BedChangeVariants, CornerMeanReachesAcrossTheBlockEdge) {
  CornerBox box;
  block[1].i2 = 3;
  for (int j = 0; j <= ynumber + 1; ++j) zval[4][j][0] = 0.0;
  moveOf(3, 3) = 0.1, moveOf(3, 4) = 0.1, moveOf(4, 4) = 0.2, moveOf(4, 3) = 0.0;
  bedchange3();
  EXPECT_NEAR(z(3, 3), 0.1, 1e-15);
  EXPECT_EQ(z(4, 3), 0.0);
}

// Erosion into the non-erodible level (0.01 m below every corner): what the
// corners take and what is booked add up to the columns' change, in every
// variant and under every skew (F 255 0 with F 205, F 255 1, F 255 3).
TEST(BedChangeVariants, TheCutErosionIsBookedInEveryVariant) {
  auto check = [](const char* name, int opt, void (*variant)()) {
    CornerBox box;
    FlagSkewedBedchange = opt;
    wavyBed();
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) Surfaces[3][i][j] = z(i, j) - 0.01;
    const double V0 = bedVolume();
    double asked = 0.0;
    for (int i = 2; i <= 4; ++i)
      for (int j = 2; j <= 4; ++j) {
        moveOf(i, j) = -0.004 * (i + 2 * j);
        asked += moveOf(i, j);
      }
    variant();
    const double placed = bedVolume() - V0, booked = BedMoveDefectSum / kKg;
    EXPECT_GT(BedMoveDefectAbs, 0.0) << name << " " << opt;
    EXPECT_NEAR(placed + booked, asked, 1e-9) << name << " " << opt;
  };
  for (int opt = 0; opt <= 21; ++opt)
    if (opt != 12) check("F 255 0", opt, bedchange);
  for (int opt = 0; opt <= 6; ++opt) check("F 255 1", opt, bedchange2);
  check("F 255 3", 0, bedchange3);
}

// Erosion of a column whose corners lie on the fixed bed: nothing moves
// and the whole change is booked; with F 1 S the column's lines go to the
// log; with F 163 2 the fixed bed does not hold the erosion.
TEST(BedChangeVariants, ColumnWiseErosionOnTheFixedBed) {
  for (int limit : {0, 2}) {
    CornerBox box;
    FlagBedChange = limit;
    debugging = 'S';
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) Surfaces[3][i][j] = z(i, j);
    moveOf(3, 3) = -0.2;
    bedchange2();
    const std::string log = box.dir.dir().boogie();
    if (limit == 2) {
      EXPECT_NEAR(z(3, 3), -0.05, 1e-15);
      EXPECT_EQ(BedMoveDefectAbs, 0.0);
      EXPECT_EQ(log.find("Warning in bed change"), std::string::npos);
      continue;
    }
    EXPECT_EQ(z(3, 3), 0.0);
    EXPECT_NEAR(BedMoveDefectSum, -0.2 * kKg, 1e-9);
    const int c = Bcellt[CornerBox::bedAt(3, 3)];
    const std::string first = "Warning in bed change, i,j,ii,Bedmove,rest,dz,area = 3 3 " +
                              std::to_string(c % 2 ? 3 : 5) + " -0.2 0.2 -0.2 1\n";
    EXPECT_NE(log.find(first), std::string::npos) << log;
    EXPECT_NE(log.find("Corner 1, move, factor, minmove = 0 4 0\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Cell P: Size 1, Conc: 0, Fraction: 1\n"), std::string::npos) << log;
  }
}
