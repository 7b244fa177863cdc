// Bed-form height and bed roughness: the stage formula by hand and its
// limits, Karim's relation with the depth-mean speed, the relaxation in
// time, every row of the roughness table, the smoothing of F 460 and the
// hand-over of the roughness to the wall laws by startup.
#include <gtest/gtest.h>

#include <cmath>

#include "sediment/bedforms.h"
#include "sediment/sediment.h"
#include "sediment/sediment_fixture.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/startup.h"
#include "support/in_dir.h"

namespace {

// Bed cell 1 of the box with a surface layer of t1 over layer 0 of t0.
BedFormCell cellWith(double stage, double t1, double t0, double H = 1.0) {
  BSedDistrib[1][0][1] = t1;
  BSedDistrib[0][0][1] = t0;
  BSedDistrib[1][1][1] = 1.0;
  BedFormCell cell;
  cell.b = 1;
  cell.c = Bcellt[1];
  cell.top = 1;
  cell.H = H;
  cell.d90 = cell.dm = 0.001;
  cell.stage = stage;
  return cell;
}

struct FormBox {
  InProjectDir p;
  SedimentBox box;
  FormBox() {
    box.build();
    gsize[1] = 0.001;
  }
};

}  // namespace

// T = 10, H = 1 m, dm = 1 mm: 0.11 (0.001)^0.3 (1 - e^-5) 15 = 0.2061 m by
// hand; a stage of 25 or more gives none; a movable thickness of 0.1 m caps
// the height at 0.05 m, and F 476 1 lifts the caps; three depths cap it too.
TEST(BedForms, StageFormulaByHandAndItsLimits) {
  FormBox t;
  const double hand = 0.11 * std::pow(0.001, 0.3) * (1.0 - std::exp(-5.0)) * 15.0;
  EXPECT_NEAR(duneHeight(cellWith(10.0, 1.0, 1.0)), hand, 1e-12);
  EXPECT_EQ(duneHeight(cellWith(25.0, 1.0, 1.0)), 0.0);
  EXPECT_EQ(duneHeight(cellWith(30.0, 1.0, 1.0)), 0.0);
  EXPECT_EQ(duneHeight(cellWith(10.0, 0.06, 0.04)), 0.05);
  BedFormCell shallow = cellWith(10.0, 10.0, 10.0, 0.01);
  shallow.dm = 0.1;  // 3.28 depths by the formula
  EXPECT_EQ(duneHeight(shallow), 0.03);
  FlagDuneFormula = 1;
  EXPECT_NEAR(duneHeight(cellWith(10.0, 0.06, 0.04)), hand, 1e-12);
  // the stage is the mean over the sizes
  FlagDuneFormula = 0;
  lnumber = 2;
  EXPECT_NEAR(duneHeight(cellWith(20.0, 1.0, 1.0)), hand, 1e-12);
}

// Karim (F 476 2, coefficient 0.085) with the depth-mean speed: H = 2 m,
// U = 1.5 m/s, tau = 10 Pa, dm = 1 mm by hand; the bottom cell's speed and
// the stage play no part; still water has no bed forms.
TEST(BedForms, KarimTakesTheDepthMeanSpeed) {
  FormBox t;
  FlagDuneFormula = 2;
  KarimCoeff = 0.085;
  BedFormCell cell = cellWith(0.0, 1.0, 1.0, 2.0);
  cell.U = 1.5;
  cell.speed = 0.3;
  cell.tau = 10.0;
  const double F2 = 1.5 * 1.5 / (9.81 * 2.0);
  const double S = 10.0 / (9810.0 * 2.0) - 0.0168 * std::pow(0.0005, 0.33) * F2;
  const double hand = 2.0 * std::min(2.0, std::pow(std::pow(6.28 * F2, 1.2) * S / (0.085 * F2), 0.73));
  EXPECT_NEAR(duneHeight(cell), hand, 1e-12);
  EXPECT_GT(hand, 0.0);
  cell.speed = 5.0;
  cell.stage = 40.0;
  EXPECT_NEAR(duneHeight(cell), hand, 1e-12);
  cell.U = 0.0;
  EXPECT_EQ(duneHeight(cell), 0.0);
}

// F 103 2: R = 0.25 goes a quarter of the way, R >= 1 and a new height of 0
// all of it; the share R by hand from Bconc, the bottom cell's flux in a
// time step and the bed form's cross-section 0.5 x 7.3 D H.
TEST(BedForms, RelaxationInTime) {
  EXPECT_DOUBLE_EQ(relaxedDuneHeight(0.2, 0.6, 0.25), 0.3);
  EXPECT_DOUBLE_EQ(relaxedDuneHeight(0.2, 0.6, 1.0), 0.6);
  EXPECT_DOUBLE_EQ(relaxedDuneHeight(0.2, 0.6, 7.0), 0.6);
  EXPECT_DOUBLE_EQ(relaxedDuneHeight(0.2, 0.0, 0.25), 0.0);
  FormBox t;
  BedFormCell cell = cellWith(10.0, 1.0, 1.0);
  Bconc[1][1] = 0.002;
  cell.speed = 0.5;
  TimeStep = 30.0;
  const double D = 0.1;
  const double hand = 0.002 * (2.0 * Ckdist[cell.c] * 0.5 * 30.0) / (0.5 * 7.3 * D * 1.0);
  EXPECT_NEAR(relaxationShare(cell, D), hand, 1e-15);
  // through the bed cell: the stored height moves by the share
  Flag2BedRoughness = 2;
  FlagDuneFormula = 1;
  const double Dnew = duneHeight(cell);
  Bedformheight[1] = 0.0;
  const double R = relaxationShare(cell, Dnew);
  ASSERT_LT(R, 1.0);
  bedFormsAndRoughness(cell);
  EXPECT_NEAR(Bedformheight[1], Dnew * R, 1e-15);
}

// Every row of the roughness table: d90 = 1 mm, D = 0.1 m, H = 1 m; fixed
// bed Th = 0.5 mm, movable Th = 0.2 m; F 16 0.05, F 398 3.
TEST(BedForms, RoughnessTable) {
  InProjectDir p;
  XksWall = 0.05;
  const double d90 = 0.001, D = 0.1, H = 1.0, kg = 0.003;
  const double kf = 1.1 * D * (1.0 - std::exp(-25.0 * D / 7.3));
  struct Row {
    int rough, flag2;
    double Th, ks;
  } rows[] = {
      {2, 0, 0.0005, 0.0015}, {2, 0, 0.2, kg},      {3, 0, 0.0005, 0.0015}, {3, 0, 0.2, kg + kf},
      {2, 2, 0.0002, 0.001},  {6, 2, 0.2, kg + kf}, {2, 1, 0.0005, 0.05},   {2, 1, 0.2, kg},
      {3, 1, 0.0005, 0.05},   {5, 1, 0.2, kg + kf}, {2, 3, 0.0005, 0.05},   {4, 3, 0.0005, 0.05},
      {3, 3, 0.2, kg + kf},   {2, 1, 0.001, 0.05},    {3, 1, 0.001, 0.05},
  };
  for (const Row& r : rows) {
    FlagRoughness = r.rough;
    Flag2BedRoughness = r.flag2;
    double ks = -1.0;
    ASSERT_TRUE(bedRoughness(d90, D, H, r.Th, ks)) << r.rough << " " << r.flag2;
    EXPECT_NEAR(ks, r.ks, 1e-15) << "F 90 " << r.rough << " F 103 " << r.flag2 << " Th " << r.Th;
  }
  double ks = -1.0;
  FlagRoughness = 3;
  Flag2BedRoughness = 4;
  EXPECT_FALSE(bedRoughness(d90, D, H, 0.2, ks));
  Flag2BedRoughness = 0;
  for (int rough : {0, 1, 7}) {
    FlagRoughness = rough;
    EXPECT_FALSE(bedRoughness(d90, D, H, 0.2, ks)) << rough;
  }
}

// The total-load formulas keep their own bed forms and roughness: the stage
// height always within half the movable thickness and three depths (F 476 1
// lifts no limit, F 103 2 relaxes nothing), and on a bed thinner than d90
// max(XksWall, F 398 x thickness) with F 103 0 (the concentration routine of
// F 10 R takes max(min(d90, XksWall), ...)); F 103 2 leaves the roughness.
TEST(BedForms, TheTotalLoadFormulasKeepTheirOwnRules) {
  FormBox t;
  XksWall = 0.07;
  FlagRoughness = 2;
  Flag2BedRoughness = 0;
  const double hand = 0.11 * std::pow(0.001, 0.3) * (1.0 - std::exp(-5.0)) * 15.0;
  struct Case {
    int duneFormula, flag2;
    double t1, t0, height, roughness;
  };
  const Case cases[] = {
      {0, 0, 1.0, 1.0, hand, 3.0 * 0.001},           // thick bed: grains
      {1, 0, 0.06, 0.04, 0.05, 3.0 * 0.001},         // F 476 1: the thickness still caps
      {0, 0, 0.0002, 0.0002, 0.0002, 0.07},          // thinner than d90: max(XksWall, 3 x 0.0004)
      {0, 1, 0.0002, 0.0002, 0.0002, 0.07},          // F 103 1: XksWall
      {0, 2, 1.0, 1.0, hand, -1.0},                  // F 103 2: height not relaxed, roughness kept
  };
  for (const Case& k : cases) {
    FlagDuneFormula = k.duneFormula;
    Flag2BedRoughness = k.flag2;
    Bedformheight[1] = 0.5;
    Broughness[1] = -1.0;
    totalLoadBedForms(cellWith(10.0, k.t1, k.t0));
    EXPECT_NEAR(Bedformheight[1], k.height, 1e-12) << k.duneFormula << " " << k.flag2 << " " << k.t1;
    EXPECT_NEAR(Broughness[1], k.roughness, 1e-15) << k.duneFormula << " " << k.flag2 << " " << k.t1;
  }
  // F 90 3: grains and bed forms on a thick bed.
  FlagRoughness = 3;
  Flag2BedRoughness = 0;
  FlagDuneFormula = 0;
  totalLoadBedForms(cellWith(10.0, 1.0, 1.0));
  EXPECT_NEAR(Broughness[1], 0.003 + 1.1 * hand * (1.0 - std::exp(-25.0 * hand / 7.3)), 1e-12);
}

// concEngelund leaves the roughness unsmoothed whatever F 460 says.
TEST(BedForms, TheTotalLoadFormulasDoNotSmoothTheRoughness) {
  FormBox t;
  FlagRoughness = 2;
  FlagSmoothKs = 2;
  SedimentFormula = 'E';
  fallvelo[1] = 0.1;
  for (int b = 1; b <= NoBCells; ++b) {
    BSedDistrib[1][0][b] = BSedDistrib[0][0][b] = 0.5;
    BSedDistrib[1][1][b] = 1.0;
  }
  for (int c = 1; c <= NoCells; ++c) Cxvel[c] = 1.0, Ckinen[c] = 0.01;
  // Bed cell 1 a fixed bed of roughness XksWall among movable beds of 3 d90:
  // smoothing would spread the 0.05 to its neighbours.
  XksWall = 0.05;
  BSedDistrib[1][0][1] = BSedDistrib[0][0][1] = 0.0;
  gsize[1] = 0.001;
  concEngelund();
  ASSERT_GT(NoBCells, 3);
  EXPECT_EQ(Broughness[1], 0.05);
  for (int b = 2; b <= NoBCells; ++b) EXPECT_NEAR(Broughness[b], 3.0 * 0.001, 1e-15) << b;
}

// F 90 3 with F 103 1 on a fixed bed gives XksWall through concEngelund;
// the next startup hands Broughness to the bottom cell's Croughness.
TEST(BedForms, FixedBedRoughnessReachesTheWallLaws) {
  FormBox t;
  XksWall = 0.07;
  FlagRoughness = 3;
  Flag2BedRoughness = 1;
  SedimentFormula = 'E';
  fallvelo[1] = 0.1;
  for (int b = 1; b <= NoBCells; ++b) {
    BSedDistrib[1][1][b] = 1.0;  // no thickness: a fixed bed
    Broughness[b] = 0.0;
  }
  for (int c = 1; c <= NoCells; ++c) {
    Cxvel[c] = 1.0;
    Ckinen[c] = 0.01;
    Croughness[c] = 0.01;
  }
  concEngelund();
  for (int b = 1; b <= NoBCells; ++b) {
    EXPECT_EQ(Broughness[b], 0.07) << b;
    EXPECT_EQ(Bedformheight[b], 0.0) << b;
  }
  FlagInitialized = 1;
  startup();
  for (int b = 1; b <= NoBCells; ++b) EXPECT_EQ(Croughness[Bcellt[b]], 0.07) << b;
}

// F 460 1 on a single-row block: the interior takes the mean of three from
// the values before, the first and last keep theirs. F 460 2 on the box's
// block of rows: the interior sweeps with the newest values.
TEST(BedForms, RoughnessSmoothing) {
  InProjectDir p;
  SedimentBox box;
  box.nx = 5;
  box.ny = 1;
  ASSERT_TRUE(box.build());
  ASSERT_EQ(block[1].j1, block[1].j2);
  ASSERT_EQ(NoBCells, 5);
  const double ks[6] = {0.0, 1.0, 4.0, 1.0, 7.0, 2.0};
  for (int b = 1; b <= 5; ++b) Broughness[b] = ks[b];
  FlagRoughness = 3;
  FlagSmoothKs = 1;
  smoothRoughness();
  EXPECT_EQ(Broughness[1], 1.0);
  EXPECT_EQ(Broughness[5], 2.0);
  EXPECT_NEAR(Broughness[2], 6.0 * 0.33333, 1e-12);
  EXPECT_NEAR(Broughness[3], 12.0 * 0.33333, 1e-12);
  EXPECT_NEAR(Broughness[4], 10.0 * 0.33333, 1e-12);
  // off without F 90 above 1
  for (int b = 1; b <= 5; ++b) Broughness[b] = ks[b];
  FlagRoughness = 1;
  smoothRoughness();
  EXPECT_EQ(Broughness[3], 1.0);
  // F 460 2: the forward sweep then the backward one, the first from the second
  FlagRoughness = 2;
  FlagSmoothKs = 2;
  smoothRoughness();
  double v[6] = {0.0, 1.0, 4.0, 1.0, 7.0, 2.0};
  for (int b = 2; b <= 4; ++b) v[b] = (v[b - 1] + v[b] + v[b + 1]) * 0.33333333;
  for (int b = 4; b >= 3; --b) v[b] = (v[b - 1] + v[b] + v[b + 1]) * 0.33333333;
  v[1] = v[2];
  for (int b = 1; b <= 5; ++b) EXPECT_NEAR(Broughness[b], v[b], 1e-15) << b;
}

TEST(BedForms, RoughnessSmoothingOfABlockOfRows) {
  InProjectDir p;
  SedimentBox box;
  box.nx = 4;
  box.ny = 3;
  ASSERT_TRUE(box.build());
  const BlockRecord& k = block[1];
  ASSERT_LT(k.j1, k.j2);
  for (int b = 1; b <= NoBCells; ++b) Broughness[b] = 0.0;
  const int centre = pointbed[k.i1 + 1][k.j1 + 1];
  ASSERT_GT(centre, 0);
  Broughness[centre] = 8.0;
  FlagRoughness = 3;
  FlagSmoothKs = 2;
  smoothRoughness();
  // forward: the centre keeps 4/8 of itself; its east neighbour (interior)
  // then takes 1/8 of that; backward: the east one first, then the centre.
  const int east = pointbed[k.i1 + 2][k.j1 + 1];
  double c = 4.0, e = 0.125 * c;
  e = 0.125 * (4.0 * e + c);
  c = 0.125 * (4.0 * c + e);
  EXPECT_NEAR(Broughness[east], e, 1e-15);
  EXPECT_NEAR(Broughness[centre], c, 1e-15);
  EXPECT_EQ(Broughness[pointbed[k.i1][k.j1]], 0.0);  // the edge columns are not smoothed
}
