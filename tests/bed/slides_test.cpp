// Slope stability of the sub-bed block: the safety factor of a slide against
// infinite-slope theory, the strain and failure surface of stable and failing
// blocks, the slide search and the slide list.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "bed/bed.h"
#include "bed/slides.h"
#include "grid/generate.h"
#include "grid/geometry.h"
#include "grid/grid_builder.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/slidestate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

// Host block of 6 x 4 columns (1 m), its bed rising along x with slope
// tanBeta, water 20 m high; the sub-bed block below it reaches 5 m down
// (columns 2..7 x 8..11).
void slopeBlock(double tanBeta) {
  setRunStateInitial();
  resetSlideState();
  FlagThixo = 2;
  BlockGrid g;
  g.nx = 6;
  g.ny = 4;
  g.rows = 9;
  g.bed = [tanBeta](int i, int) { return 10.0 + tanBeta * (i - 1); };
  g.water = [](int, int) { return 20.0; };
  g.prepare();
  for (int i = 0; i <= xnumber; ++i)
    for (int j = 0; j <= ynumber; ++j) Surfaces[3][i][j] = zval[i][j][1] - 5.0;
  ASSERT_EQ(UnstructureBuild(), 1);
  ASSERT_EQ(slideBlock(), 2);
  BedMake();
  metric();
}

double topOf(int b) {
  int c = Bcellt[b];
  while (Ccellt[c] > 0) c = Ccellt[c];
  return Czcenter[c] + Ckdist[c];
}

// Every sub-bed column gets the failure level H below its top; the columns
// 3..6 x 9..10 form slide 0 with label `label`.
void uniformSlide(double H, int label) {
  for (int i = 2; i <= 7; ++i)
    for (int j = 8; j <= 11; ++j) {
      const int b = pointbed[i][j];
      Bthixolev[b] = BthixolevMin[b] = topOf(b) - H;
      Bcellth[b] = i >= 3 && i <= 6 && j >= 9 && j <= 10 ? label : 0;
    }
  BVal[0] = label;
}

}  // namespace

// Infinite-slope theory: a dry cohesionless layer of thickness H on a slope
// beta is safe by tan(phi) / tan(beta); the engine's weights give
// 13341.6 tan(phi) / (13600 tan(beta)). A cohesion c adds c / (13600 H tan(beta)).
TEST(SlideSafetyFactor, InfiniteSlopeTheory) {
  InProjectDir dir;
  const double tanBeta = 0.4, H = 1.5;
  slopeBlock(tanBeta);
  ThixoMySlope = 0.6;
  ThixoCritshear = 0.0;
  uniformSlide(H, 77);
  const double sf = computeSlideSF(0);
  const double theory = 13341.6 * 0.6 / (13600.0 * tanBeta);
  EXPECT_NEAR(sf, theory, 0.02 * theory);
  EXPECT_NEAR(sf / (0.6 / tanBeta), 1.0, 0.02);
  EXPECT_DOUBLE_EQ(kSF[0], sf);
  EXPECT_NEAR(kHeightN[0], H, 1e-9);
  EXPECT_NEAR(kHeightD[0], H, 1e-9);
  EXPECT_EQ(kHeightW[0], 0.0);
  EXPECT_NEAR(kGravityI[0], 13600.0 * tanBeta * H, 1e-6 * 13600.0);
  EXPECT_NEAR(kGravityJ[0], 0.0, 1e-9);

  ThixoCritshear = 5000.0;
  const double withCohesion = computeSlideSF(0);
  EXPECT_NEAR(withCohesion - sf, 5000.0 / (13600.0 * H * tanBeta), 1e-3);
  EXPECT_NEAR(kCohesion[0], 5000.0, 1e-9);
}

// A block that resists in every column: no strain, no slide, the failure
// level at the tops.
TEST(SlideLocation, ResistingBlockKeepsItsTops) {
  InProjectDir dir;
  slopeBlock(0.1);
  ThixoMySlope = 0.8;
  IterSlideHoriz = 20;
  IterSlideVert = 5;
  computeSlideLocation();
  for (int b = block[2].firstBedCell; b <= block[2].lastBedCell; ++b) {
    EXPECT_EQ(Bstrain[b], 0.0) << b;
    EXPECT_EQ(Bcellth[b], 0) << b;
    EXPECT_NEAR(Bthixolev[b], topOf(b), 1e-12) << b;
  }
  EXPECT_EQ(BVal[0], 0);
}

// A steep weak block fails: one slide whose failure level lies below the tops
// but not below the mean non-erodible level of each column's corners.
TEST(SlideLocation, SteepWeakBlockFormsASlide) {
  InProjectDir dir;
  slopeBlock(0.9);
  ThixoMySlope = 0.3;
  ThixoCritshear = 0.0;
  IterSlideHoriz = 50;
  IterSlideVert = 20;
  FlagSlide = 0;
  computeSlideLocation();
  ASSERT_GT(BVal[0], 0);
  EXPECT_EQ(BVal[1], 0);
  EXPECT_GT(kLength[0], 0.0);
  EXPECT_GT(BNo[0], 1);
  bool below = false;
  for (int b = block[2].firstBedCell; b <= block[2].lastBedCell; ++b) {
    const int i = Bkooi[b], j = Bkooj[b];
    const double floor = 0.25 * (Surfaces[3][i - 1][j - 1] + Surfaces[3][i][j - 1] + Surfaces[3][i][j] +
                                 Surfaces[3][i - 1][j]);
    EXPECT_GE(Bthixolev[b], floor - 1e-9) << b;
    EXPECT_LE(Bthixolev[b], topOf(b) + 1e-9) << b;
    EXPECT_LE(Bstrain[b], 0.0);
    below = below || Bthixolev[b] < topOf(b) - 0.01;
  }
  EXPECT_TRUE(below);
}

// A stable slide is dissolved by the stability test (F 325 1): its columns are
// back at their tops and the slides after it keep their own values.
TEST(SlideList, RemovingASlideKeepsTheOthersValues) {
  resetSlideState();
  for (int k = 0; k < 3; ++k) {
    BVal[k] = 10 + k;
    BNo[k] = 100 + k;
    kLength[k] = 1.5 * (k + 1);
    kSF[k] = 0.5 + k;
    kHeightD[k] = 7.0 * k;
  }
  removeSlide(1);
  EXPECT_EQ(BVal[0], 10);
  EXPECT_EQ(BVal[1], 12);
  EXPECT_EQ(BVal[2], 0);
  EXPECT_EQ(BNo[1], 102);
  EXPECT_DOUBLE_EQ(kLength[1], 4.5);
  EXPECT_DOUBLE_EQ(kSF[1], 2.5);
  EXPECT_DOUBLE_EQ(kHeightD[1], 14.0);
  EXPECT_DOUBLE_EQ(kLength[0], 1.5);
}

// slideModify: a slide whose tops are all equal has no length, height, level
// or centre; with F 159 0 a lone failing column between resisting ones is
// dropped and a lone resisting one between failing ones added; the plane
// passes through the bottom and the top column.
TEST(SlideModify, GeometryAndTheSearchAlongJ) {
  InProjectDir dir;
  slopeBlock(0.0);
  const int first = block[2].firstBedCell, last = block[2].lastBedCell;
  // All columns free (not held fixed): one slide of equal tops.
  for (int b = first; b <= last; ++b) Cap[Bcellt[b]] = 1.0;
  slideModify();
  ASSERT_GT(BVal[0], 0);
  EXPECT_EQ(kLength[0], 0.0);
  EXPECT_EQ(kHeight[0], 0.0);
  EXPECT_EQ(kLevel[0], 0.0);
  EXPECT_EQ(BCen[0], 0);

  // F 159 0 along the column i = 4 (bed cells numbered with j fastest).
  FlagGridStab1 = 0;
  for (int b = first; b <= last; ++b) {
    Cap[Bcellt[b]] = 1e20;
    Bcellth[b] = 0;
  }
  const int lone = pointbed[4][9];
  Cap[Bcellt[lone]] = 1.0;                 // failing between resisting ones
  const int a = pointbed[6][8], c = pointbed[6][10];
  Cap[Bcellt[a]] = Cap[Bcellt[c]] = 1.0;   // failing around the resisting (6, 9)
  slideModify();
  EXPECT_EQ(Bcellth[lone], 0);
  EXPECT_GT(Bcellth[pointbed[6][9]], 0);
  EXPECT_EQ(Bcellth[pointbed[6][9]], Bcellth[a]);

  // The plane of a slide from (3, 9) at 1 m to (6, 10) at 3 m.
  const int bBot = pointbed[3][9], bTop = pointbed[6][10];
  computeThixoFlatSurface(0, bTop, bBot, 3.0, 1.0);
  auto plane = [](int b) {
    const int x = Bcellt[b];
    return (kA[0] * Cxcenter[x] + kB[0] * Cycenter[x] + kD[0]) * ikC[0];
  };
  EXPECT_NEAR(plane(bBot), 1.0, 1e-6);
  EXPECT_NEAR(plane(bTop), 3.0, 1e-6);
  FlagGridStab1 = 1;
}

// F 236 3: a slide whose resistance reaches its driving force stays still; a
// driven slide moves down the slope of its base, no faster than vmax; cells
// outside every slide are at rest.
TEST(SlideVelocities, ForceBalanceOfEachSlide) {
  InProjectDir dir;
  slopeBlock(0.5);
  ThixoEddyvisc = 1.0;
  TimeStep = 10.0;
  for (int c = 1; c <= NoCells; ++c) Cxvel[c] = Cyvel[c] = Czvel[c] = 3.0;
  // Slide 0 (columns 3..4 x 9..10) driven, slide 1 (6..7 x 9..10) resisting.
  const int l0 = pointbed[3][9], l1 = pointbed[6][9];
  for (int i = 2; i <= 7; ++i)
    for (int j = 8; j <= 11; ++j) {
      const int b = pointbed[i][j];
      Bcellth[b] = j >= 9 && j <= 10 ? (i <= 4 && i >= 3 ? l0 : i >= 6 ? l1 : 0) : 0;
    }
  BVal[0] = l0;
  BVal[1] = l1;
  kGravityI[0] = 6800.0;
  kFriction[0] = 2000.0;
  kHeightN[0] = 0.001;  // vmax = 0.001 / 10
  kGravityI[1] = 6800.0;
  kFriction[1] = 6000.0;
  kCohesion[1] = 800.0;
  kHeightN[1] = 1.0;
  setSlideVelocities();
  const double vmax = 0.0001;
  for (int b = block[2].firstBedCell; b <= block[2].lastBedCell; ++b) {
    int c = Bcellt[b];
    if (Ccellt[c] > 0) c = Ccellt[c];
    if (Bcellth[b] == l0) {
      EXPECT_NEAR(Cxvel[c], -vmax, 1e-15) << b;  // down the rising base, held at vmax
      EXPECT_NEAR(Cyvel[c], 0.0, 1e-15);
    } else {
      EXPECT_EQ(Cxvel[c], 0.0) << b;
      EXPECT_EQ(Cyvel[c], 0.0) << b;
      EXPECT_EQ(Czvel[c], 0.0) << b;
    }
  }
  for (int c = block[2].firstCell; c <= block[2].lastCell; ++c) {
    EXPECT_LE(std::fabs(Cxvel[c]), vmax + 1e-15);
    EXPECT_LE(std::fabs(Cyvel[c]), vmax + 1e-15);
  }
  // Below vmax the speed is the excess force times the thickness over the
  // viscosity: (6800 - 2000) / 6800 of 6800 Pa/m, 0.5 mm thick.
  kHeightN[0] = 0.0005;
  TimeStep = 1e-6;
  setSlideVelocities();
  const int c0 = Bcellt[pointbed[3][9]];
  EXPECT_NEAR(Cxvel[c0], -(6800.0 - 2000.0) * 0.0005, 1e-9);
  EXPECT_EQ(Cxvel[block[1].lastCell], 3.0);  // the host block keeps its flow
}

// The older safety factor drives the layer by the inclination of the column
// tops: a dry cohesionless layer on a plane slope gives exactly
// tan(phi) / tan(beta) = 0.6 / 0.4 (weights 9810 x 1.36 on both sides); a
// cohesion c adds c / (13341.6 H tan(beta)).
TEST(SlideSafetyFactor, OlderFormFromTheInclinationOfTheTops) {
  InProjectDir dir;
  slopeBlock(0.4);
  ThixoMySlope = 0.6;
  ThixoCritshear = 0.0;
  uniformSlide(1.5, 77);
  EXPECT_NEAR(computeSlideSF_old(0), 1.5, 1e-9);
  EXPECT_NEAR(kSF[0], 1.5, 1e-9);
  EXPECT_NEAR(kFriction[0], 13341.6 * 0.6 * 1.5, 1e-6);
  ThixoCritshear = 1000.0;
  EXPECT_NEAR(computeSlideSF_old(0), 1.5 + 1000.0 / (13341.6 * 0.4 * 1.5), 1e-9);
  EXPECT_NEAR(kCohesion[0], 1000.0, 1e-9);
  BVal[0] = 78;  // no column carries the label
  EXPECT_EQ(computeSlideSF_old(0), 0.0);
}

// A slide at rest: over its columns from the block's second bed cell on, the
// energy 1000 sum (u^2 + v^2) V of the cells above the lowest ones and the
// driving weight kHeight / kLength h 13341.6 times the area of the faces
// above the lowest cells against the area times 13341.6 h tan(phi) +
// 0.8 c. Three columns of three cells 0.5 m high on 1 m2 (h = 1, area 2);
// the first column moves fast but is not counted.
TEST(SlideStop, EnergyAndWeightAgainstFrictionAndCohesion) {
  struct Case {
    double height, speed, cohesion;
    int atRest;
  };
  // 20 + 0.2 x 13341.6 x 2 - 2 x 0.8 x 13341.6 < 0; 20 + 0.8 x 13341.6 x 2 -
  // 2 x 0.8 x 13341.6 = 20 > 0; without motion and with a cohesion of 10 the
  // balance is -16, with the motion 20 - 16 = 4.
  const Case cases[] = {{2.0, 0.1, 0.0, 1}, {8.0, 0.1, 0.0, 0}, {8.0, 0.0, 10.0, 1}, {8.0, 0.1, 10.0, 0}};
  InProjectDir dir;
  for (const Case& k : cases) {
    setControlDefaults();
    resetSlideState();
    SmallGrid g;
    g.nx = 3;
    g.ny = 1;
    g.nz = 3;
    g.water = [](int, int) { return 1.5; };
    g.build();
    for (int f = 1; f <= NoSurfaces; ++f) Faz[f] = Farea[f] * Fvz[f];
    block[1].subBed = 1;
    for (int b = 1; b <= NoBCells; ++b) Bcellth[b] = 5;
    BVal[0] = 5;
    kLength[0] = 10.0;
    kHeight[0] = k.height;
    ThixoMySlope = 0.8;
    ThixoCritshear = k.cohesion;
    for (int c = 1; c <= NoCells; ++c) Cxvel[c] = Cbed[c] == 1 ? 100.0 : k.speed;
    EXPECT_EQ(slideStop(0), k.atRest) << k.height << " " << k.speed;
    BVal[0] = 6;
    EXPECT_EQ(slideStop(0), 0);
  }
  block[1].subBed = 0;
}
