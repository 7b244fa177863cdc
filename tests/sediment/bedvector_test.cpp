// Bed-load slope terms: the implicit coefficients of F 78 5..9 between
// bottom cells and the explicit lateral source of F 78 1 and 3.
#include <gtest/gtest.h>

#include <cmath>

#include "sediment/suspended.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"

namespace {

bool buildSloping(bool inclined, int sizes) {
  FlowGrid g = inclined ? FlowGrid::inclined(6, 4) : FlowGrid::box(6, 4);
  g.sizes = sizes;
  if (!g.build()) return false;
  WBStart = 1;
  WBEnd = NoBCells;
  return true;
}

// Flow along x at 0.5 m/s, turbulence k, a top layer of 10 cm holding every
// size, concentration c everywhere.
void movingBed(double k) {
  for (int c = 1; c <= NoCells; ++c) {
    Cxvel[c] = 0.5;
    Cyvel[c] = 0.0;
    Ckinen[c] = k;
    for (int l = 1; l <= lnumber; ++l) Cconc[l][c] = 0.01;
  }
  for (int b = 1; b <= NoBCells; ++b) {
    BlayerTop[b] = 1;
    BSedDistrib[1][0][b] = 0.1;
    for (int l = 1; l <= lnumber; ++l) BSedDistrib[1][l][b] = 1.0 / lnumber;
  }
  for (int l = 1; l <= lnumber; ++l) gsize[l] = 0.0002 * l;
}

double total(const double* a) {
  double s = 0.0;
  for (int c = 1; c <= NoCells; ++c) s += a[c];
  return s;
}

}  // namespace

// A flat bed moves nothing sideways; on a slope the sediment moves from
// bottom cells to their neighbours, the sources summing to 0. Without
// turbulence nothing moves (the factor would be unbounded).
TEST(BedLoadVector, LateralSourceOfTheExplicitMethods) {
  for (bool inclined : {false, true}) {
    InProjectDir p;
    FlagTSC = 1;
    ASSERT_TRUE(buildSloping(inclined, 2));
    movingBed(0.01);
    BedVectorSourceCalc(2);
    double moved = 0.0;
    for (int c = 1; c <= NoCells; ++c) moved += std::fabs(Csourcem[2][c]);
    EXPECT_NEAR(total(Csourcem[2]), 0.0, 1e-15);
    if (inclined) {
      EXPECT_GT(moved, 1e-6);
    } else {
      EXPECT_EQ(moved, 0.0);
    }
    // Only bottom cells lose sediment.
    for (int c = 1; c <= NoCells; ++c) {
      if (Csourcem[2][c] < 0.0) {
        EXPECT_EQ(Ccellb[c], 0) << c;
      }
    }
  }
  InProjectDir p;
  FlagTSC = 1;
  ASSERT_TRUE(buildSloping(true, 2));
  movingBed(0.0);
  BedVectorSourceCalc(1);
  for (int c = 1; c <= NoCells; ++c) EXPECT_EQ(Csourcem[1][c], 0.0) << c;
  // A top layer holding less than one grain of the size moves nothing.
  movingBed(0.01);
  for (int b = 1; b <= NoBCells; ++b) BSedDistrib[1][0][b] = 0.0002;
  BedVectorSourceCalc(1);  // 0.5 x 0.0002 below gsize 0.0002
  for (int c = 1; c <= NoCells; ++c) EXPECT_EQ(Csourcem[1][c], 0.0) << c;
}

// The explicit source lands on the bed cells of bottom cells held at their
// bed value when passed through the bed.
TEST(BedLoadVector, ThroughTheBedIntoBsource) {
  InProjectDir p;
  FlagTSC = 1;
  ASSERT_TRUE(buildSloping(true, 2));
  movingBed(0.01);
  bedVectorSource(2, true);
  double bed = 0.0, moved = 0.0;
  for (int b = 1; b <= NoBCells; ++b) {
    bed += Bsource[2][b];
    moved += std::fabs(Bsource[2][b]);
  }
  EXPECT_GT(moved, 1e-6);
  EXPECT_NEAR(bed + total(Csourcem[2]), 0.0, 1e-15);
  for (int c = 1; c <= NoCells; ++c) {
    if (Ccellb[c] == 0) {
      EXPECT_EQ(Csourcem[2][c], 0.0) << c;
    }
  }
}

// F 78 5..9: upwind slope-flux coefficients between bottom cells, each
// outflow also in the diagonal of the cell it leaves (mass kept); nothing on
// a flat bed or in still water; the factor limited to 1 for F 78 5..8.
TEST(BedLoadVector, ImplicitCoefficients) {
  for (int variant : {5, 7, 9}) {
    InProjectDir p;
    FlagTSC = 1;
    BedLoadVectorFlag = variant;
    ASSERT_TRUE(buildSloping(true, 2));
    movingBed(0.0);
    coeff_make_bedvector(1, NoSurfaces);
    double side = 0.0;
    for (int c = 1; c <= NoCells; ++c) side += Caem[1][c] + Cawm[1][c] + Canm[1][c] + Casm[1][c];
    EXPECT_GT(side, 0.0) << variant;
    EXPECT_NEAR(side, total(Capm[1]), 1e-12) << variant;
    // Zero turbulence: F 78 5 reaches the limit 1, |q| = 1000 Farea |U| r
    // on every face between bottom cells (r = 1 without flux through it).
    double limit = 0.0;
    for (int f = 1; f <= NoSurfaces; ++f) {
      const int c1 = Fcell1[f], c2 = Fcell2[f];
      if (c1 > 0 && c2 > 0 && !Ccellb[c1] && !Ccellb[c2]) limit += 1000.0 * Farea[f] * 0.5;
    }
    if (variant == 5) {
      EXPECT_NEAR(total(Capm[1]), limit, 1e-9);
    } else {
      EXPECT_LT(total(Capm[1]), limit);
    }
  }
  InProjectDir p;
  FlagTSC = 1;
  BedLoadVectorFlag = 6;
  ASSERT_TRUE(buildSloping(true, 2));
  movingBed(0.01);
  for (int c = 1; c <= NoCells; ++c) Cxvel[c] = 0.0;
  coeff_make_bedvector(1, NoSurfaces);
  EXPECT_EQ(total(Capm[1]), 0.0);
  for (int c = 1; c <= NoCells; ++c) EXPECT_FALSE(std::isnan(Caem[1][c]));
}
