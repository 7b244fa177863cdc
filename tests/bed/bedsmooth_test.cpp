// The bed filters of F 144 on a box of 1 m columns: spikes and
// checkerboards removed, relaxations in one and two directions, the edge
// exchange keeping the bed volume, the filters that change the volume
// booking it, and a flat bed left flat by every filter.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "bed/bed.h"
#include "bed/corner_box.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"

namespace {

// 6 x 6 columns (2..7), grid lines 1..7; every column wet.
struct SmoothBox : CornerBox {
  explicit SmoothBox(int option, double P, int nx = 6, int ny = 0) : CornerBox(0, nx, ny) {
    FlagBedSmooth = option;
    ParamBedSmooth = P;
  }
};

double& z(int i, int j) { return zval[i][j][1]; }

double levelSum() {
  double s = 0.0;
  for (int i = 0; i <= xnumber + 1; ++i)
    for (int j = 0; j <= ynumber + 1; ++j) s += zval[i][j][1];
  return s;
}

// Sediment, bed forms and flow in every column, for the edge exchanges.
void movingSediment(double conc) {
  for (int c = 1; c <= NoCells; ++c) {
    Cconc[0][c] = conc;
    Cconc[1][c] = conc;
    Cxvel[c] = 0.8;
    Cyvel[c] = 0.3;
    Ckinen[c] = 0.01;
  }
  for (int b = 1; b <= NoBCells; ++b) Bedformheight[b] = 0.2;
}

const double kKg = 0.5 * 1000.0 * 2.65;  // kg per m3 of bed (SolidFrac, density)

}  // namespace

// Every filter leaves a flat bed flat, whatever the flow around it.
TEST(BedSmooth, EveryFilterLeavesAFlatBedFlat) {
  for (int option : {1, 3, 5, 6, 9, 10, 11, 12, 13, 14}) {
    SmoothBox box(option, 0.5);
    movingSediment(0.01);
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) z(i, j) = 0.2;
    for (int b = 1; b <= NoBCells; ++b) BFroude[b] = 1.0, Bfly[b] = 1.0;
    bedsmooth();
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) ASSERT_NEAR(z(i, j), 0.2, 1e-15) << option << " " << i << " " << j;
  }
}

// F 144 10 with P = 1: a one-corner spike is flattened to its neighbours'
// mean, which take a quarter each (and pass it on where they become peaks),
// the sum of the levels held.
TEST(BedSmooth, OptionTenFlattensASpike) {
  SmoothBox box(10, 1.0);
  z(4, 4) = 0.4;
  const double before = levelSum();
  bedsmooth();
  // The neighbours, peaks in turn after the first move, pass on their part.
  double highest = 0.0;
  for (int i = 0; i <= xnumber + 1; ++i)
    for (int j = 0; j <= ynumber + 1; ++j) highest = std::max(highest, z(i, j));
  EXPECT_LT(highest, 0.1 + 1e-15);
  EXPECT_LT(z(4, 4), 0.1);
  EXPECT_NEAR(levelSum(), before, 1e-12);
}

// F 144 9 cuts a corner of a checkerboard but leaves a smooth hump alone.
TEST(BedSmooth, OptionNineCutsACheckerboardAndLeavesAHump) {
  {
    SmoothBox box(9, 0.5);
    for (int i = 1; i <= 7; ++i)
      for (int j = 1; j <= 7; ++j) z(i, j) = (i + j) % 2 == 0 ? 0.1 : 0.0;
    bedsmooth();
    EXPECT_LT(z(4, 4), 0.1 - 0.01);
  }
  {
    SmoothBox box(9, 0.5);
    for (int i = 1; i <= 7; ++i)
      for (int j = 1; j <= 7; ++j) z(i, j) = 0.1 * std::exp(-((i - 4) * (i - 4) + (j - 4) * (j - 4)) / 4.0);
    const double top = z(4, 4), side = z(5, 4);
    bedsmooth();
    EXPECT_EQ(z(4, 4), top);
    EXPECT_EQ(z(5, 4), side);
  }
}

// F 144 11 on one row of columns smooths the two corner lines along i: a
// spike on one line spreads to its neighbours on that line only; on a wide
// grid the same spike also reaches the lines beside it.
TEST(BedSmooth, OptionElevenOnOneRowSmoothsAlongIOnly) {
  {
    SmoothBox box(11, 0.5, 6, 1);
    ASSERT_EQ(block[1].j1, block[1].j2);
    const int J = block[1].j2;
    z(4, J) = 0.2;
    const double before = levelSum();
    bedsmooth();
    EXPECT_LT(z(4, J), 0.2);
    EXPECT_GT(z(3, J), 0.0);
    EXPECT_GT(z(5, J), 0.0);
    for (int i = 0; i <= xnumber + 1; ++i) EXPECT_EQ(z(i, J - 1), 0.0) << i;
    EXPECT_NEAR(levelSum(), before, 1e-12);
  }
  {
    SmoothBox box(11, 0.5);
    z(4, 4) = 0.2;
    bedsmooth();
    EXPECT_GT(z(4, 5), 0.0);
    EXPECT_GT(z(4, 3), 0.0);
  }
}

// F 144 1: every edge exchange keeps A_a dz_a + A_b dz_b = 0, so the bed
// volume stays; with no bed forms the exchange rate is P/20 per step and
// the step between two corners shrinks; with no sediment nothing moves.
TEST(BedSmooth, OptionOneKeepsTheVolumeAndNeedsSediment) {
  {
    SmoothBox box(1, 0.5);
    movingSediment(0.01);
    for (int i = 1; i <= 7; ++i)
      for (int j = 1; j <= 7; ++j) z(i, j) = 0.05 * i + 0.02 * ((i * j) % 3);
    const double V = bedVolume(), step = z(4, 4) - z(4, 3);
    bedsmooth();
    EXPECT_NEAR(bedVolume(), V, 1e-14);
    EXPECT_LT(std::fabs(z(4, 4) - z(4, 3)), std::fabs(step));
    EXPECT_EQ(BedMoveDefectAbs, 0.0);
  }
  {
    SmoothBox box(1, 0.5);
    movingSediment(0.0);
    z(4, 4) = 0.3;
    bedsmooth();
    EXPECT_NEAR(z(4, 4), 0.3, 1e-9);
    EXPECT_NEAR(z(4, 3), 0.0, 1e-9);
  }
}

// F 144 13 moves nothing where no column changes; F 144 14 nothing among
// subcritical columns, while supercritical ones pull the spike down and the
// volume it takes away is booked.
TEST(BedSmooth, OptionsThirteenAndFourteenNeedChangeOrFastFlow) {
  {
    SmoothBox box(13, 1.0);
    z(4, 4) = 0.3;
    bedsmooth();
    EXPECT_EQ(z(4, 4), 0.3);
  }
  {
    SmoothBox box(13, 1.0);
    z(4, 4) = 0.3;
    for (int b = 1; b <= NoBCells; ++b) Bedmove[b] = 0.01;
    bedsmooth();
    // Each move limited to P x the mean change around the corner (0.01): in
    // each of the two passes the spike gives 0.01 and takes a quarter of each
    // of its four neighbours' moves, at most 0.01 each.
    EXPECT_LT(z(4, 4), 0.3 - 0.01);
    EXPECT_GE(z(4, 4), 0.3 - 0.04 - 1e-12);
  }
  for (double froude : {0.6, 1.0}) {
    SmoothBox box(14, 0.5);
    z(4, 4) = 0.3;
    for (int b = 1; b <= NoBCells; ++b) BFroude[b] = froude;
    const double V = bedVolume();
    bedsmooth();
    if (froude <= 0.6) {
      EXPECT_EQ(z(4, 4), 0.3);
      EXPECT_EQ(BedMoveDefectAbs, 0.0);
    } else {
      EXPECT_LT(z(4, 4), 0.3);
      // What the filter takes from the bed is booked as placed too little.
      EXPECT_NEAR(BedMoveDefectSum, (V - bedVolume()) * kKg, 1e-9);
    }
  }
}

// F 144 5 adds P/8 of the neighbours' changes to a changing column, books
// what it adds, and leaves a column of no change alone.
TEST(BedSmooth, OptionFiveFiltersTheColumnChangesAndBooksWhatItAdds) {
  SmoothBox box(5, 0.8);
  const int mid = CornerBox::bedAt(4, 4), east = CornerBox::bedAt(5, 4), quiet = CornerBox::bedAt(7, 7);
  Bedmove[mid] = 0.01;
  Bedmove[east] = 0.02;
  bedsmooth();
  // Forward: mid += 0.1 x 0.02; east += 0.1 x 0.012; backward: east first.
  const double east1 = 0.02 + 0.1 * 0.012, mid1 = 0.012, east2 = east1 + 0.1 * mid1, mid2 = mid1 + 0.1 * east2;
  EXPECT_NEAR(Bedmove[east], east2, 1e-15);
  EXPECT_NEAR(Bedmove[mid], mid2, 1e-15);
  EXPECT_EQ(Bedmove[quiet], 0.0);
  EXPECT_NEAR(BedMoveDefectSum, -(east2 + mid2 - 0.03) * kKg, 1e-9);
}

// F 144 6 on a sloping bed face: the corners in the direction of the face
// normal's horizontal part rise, the others fall, never by more than the
// active layer.
TEST(BedSmooth, OptionSixMovesDownTheSlope) {
  SmoothBox box(6, 0.0);
  movingSediment(0.01);
  for (int c = 1; c <= NoCells; ++c) {
    const int f = Cflateb[c];
    if (f >= 1) Fvx[f] = 0.6, Fvy[f] = 0.0, Fvz[f] = 0.8;
  }
  for (int b = 1; b <= NoBCells; ++b) BSedDistrib[1][0][b] = 0.001;
  gsize[1] = 0.0002;
  bedsmooth();
  // Only column (7, 7) moves corner (7, 7), in the normal's direction.
  EXPECT_GT(z(7, 7), 0.0);
  EXPECT_LE(z(7, 7), 0.001 * 0.71);
  EXPECT_LT(z(1, 1), 0.0);
}

// F 144 3: with equal areas around both corners of every edge the volume
// stays; at the shoreline, where the areas differ, the volume changes and
// the change is booked.
TEST(BedSmooth, OptionThreeBooksWhatUnequalAreasChange) {
  for (bool shore : {false, true}) {
    SmoothBox box(3, 0.5);
    movingSediment(0.01);
    for (int i = 1; i <= 7; ++i)
      for (int j = 1; j <= 7; ++j) z(i, j) = 0.05 * i + 0.02 * ((i * j) % 3);
    if (shore)
      for (int j = 2; j <= 7; ++j) zval[7][j][0] = 0.0;  // the east row of columns dry
    const double V = bedVolume();
    bedsmooth();
    const double change = bedVolume() - V;
    if (!shore) {
      // Only the edges of the box have unequal areas.
      EXPECT_NEAR(BedMoveDefectSum, -change * kKg, 1e-9);
    } else {
      EXPECT_GT(std::fabs(change), 1e-9);
      EXPECT_NEAR(BedMoveDefectSum, -change * kKg, 1e-9);
    }
  }
}

// F 144 12 moves a corner only where all four bed cells around it twist
// beyond P (signed in the backward pass).
TEST(BedSmooth, OptionTwelveNeedsTheTwist) {
  double after[3] = {};
  const double twists[3] = {0.0, -0.5, 0.5};
  for (int n = 0; n < 3; ++n) {
    SmoothBox box(12, 0.3);
    z(4, 4) = 0.3;
    for (int b = 1; b <= NoBCells; ++b) Bfly[b] = twists[n];
    bedsmooth();
    after[n] = z(4, 4);
  }
  EXPECT_EQ(after[0], 0.3);
  // The negative twist passes only the forward test, the positive both.
  EXPECT_LT(after[1], 0.3);
  EXPECT_LT(after[2], after[1]);
}
