// The bed concentration: critical shear stress (constant Shields value, the
// Shields curve by hand, hiding, the bed-slope factor and where it acts),
// the characteristic diameters, the formulas of F 84 against hand values and
// their edges, the probability of motion, the sand-mud formula, and the
// driver concRijn on a box of water columns.
#include <gtest/gtest.h>

#include <cmath>

#include "physics/bedshear.h"
#include "sediment/bedconc.h"
#include "sediment/sediment.h"
#include "sediment/sediment_fixture.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

// van Rijn's reference concentration of 1 mm grains (s 2.65, Shields 0.05)
// under 2 Pa at a = Ckdist = 1/18 m (the box's bottom cell), by hand:
// tauc = 0.809325 Pa, T = 1.47120, D* = 25.2703,
// cs = 0.015 d T^1.5 / (D*^0.3 a).
constexpr double kHandCs = 0.00018284621691682304;
constexpr double kHalf = 1.0 / 18.0;

BedCellShear cellAt(int b, double tau) {
  BedCellShear cell;
  cell.b = b;
  cell.c = Bcellt[b];
  cell.top = 1;
  cell.tau = cell.tauE = tau;
  cell.H = 1.0;
  cell.speed = 1.0;
  cell.d50 = cell.d90 = cell.dm = gsize[1];
  return cell;
}

}  // namespace

// F 11 0.05 and 1 mm: 0.809325 Pa whatever the flow; the default Shields
// curve 0 at 1 Pa and 0.2 mm: R = 6.32456, theta = 0.036724, 0.11889 Pa.
TEST(CriticalShear, ShieldsValueAndCurveByHand) {
  InProjectDir p;
  lnumber = 1;
  gsize[1] = 0.001;
  shieldscoeff = 0.05;
  BedCellShear cell;
  for (double tau : {0.0, 1.0, 50.0}) {
    cell.tau = tau;
    EXPECT_NEAR(criticalShearStress(1, cell).tauc, 0.809325, 1e-12) << tau;
  }
  shieldscoeff = -0.047;
  gsize[1] = 0.0002;
  cell.tau = 1.0;
  EXPECT_NEAR(shieldsCurve(0, std::sqrt(0.001) * 200.0), 0.036724, 2e-6);
  EXPECT_NEAR(criticalShearStress(1, cell).tauc, 0.11889, 2e-5);
}

// Curve 0: the polynomial up to R = 500 and from R = 0.2, the constants
// beyond; curves 1..3 hold their values at the limits 0.01 and 1e5.
TEST(CriticalShear, ShieldsCurveLimits) {
  EXPECT_EQ(shieldsCurve(0, 500.0001), 0.0624927);
  EXPECT_EQ(shieldsCurve(0, 0.1999), 0.6);
  EXPECT_NE(shieldsCurve(0, 500.0), 0.0624927);
  EXPECT_NEAR(shieldsCurve(0, 500.0), 0.0624927, 0.004);
  EXPECT_NE(shieldsCurve(0, 0.2), 0.6);
  EXPECT_NEAR(shieldsCurve(1, 1e-6), 0.03 * (1 - 0.699 * std::exp(-0.00015)) + 0.14705882352941177, 1e-15);
  EXPECT_NEAR(shieldsCurve(2, 1e9), 0.075 * (1 - 0.699 * std::exp(-1500.0)) + 2.799966400403195e-07, 1e-15);
  EXPECT_NEAR(shieldsCurve(3, 1e-6), 0.0475 * (1 - 0.699 * std::exp(-0.00015)) + 0.18613861386138614, 1e-15);
  EXPECT_EQ(shieldsCurve(3, 2e5), shieldsCurve(3, 1e5));
}

// Hiding (F 169 2): (d/d50)^m with several sizes, nothing with one; F 169 4
// from the exposure sums.
TEST(CriticalShear, HidingOnlyInMixtures) {
  InProjectDir p;
  SedimentBox box;
  box.sizes = 2;
  ASSERT_TRUE(box.build());
  gsize[1] = 0.004, gsize[2] = 0.001;
  shieldscoeff = 0.05;
  uniformBed({0.5, 0.5}, 0.01);
  BedCellShear cell = cellAt(1, 1.0);
  cell.d50 = 0.002;
  const double plain = criticalShearStress(1, cell).tauc;
  FlagHideEx = 2;
  HideExParam = -0.8;
  EXPECT_NEAR(criticalShearStress(1, cell).tauc, plain * std::pow(2.0, -0.8), 1e-12);
  FlagHideEx = 4;
  // ph = 0.5 (4/8 + 4/5), pe = 0.5 (4/8 + 1/5)
  EXPECT_NEAR(criticalShearStress(1, cell).h, std::pow(1.3 / 0.7, -0.8), 1e-12);
  FlagHideEx = 2;
  lnumber = 1;
  EXPECT_EQ(criticalShearStress(1, cell).h, 1.0);
  EXPECT_NEAR(criticalShearStress(1, cell).tauc, plain, 1e-15);
}

// F 182 3 on a bed that falls eastwards: flow down the slope lowers the
// critical shear, flow up the slope raises it; where the two lowest layers
// are not thicker than the coarsest grain, K = 1 either way. The even
// variant acts only at bank cells.
TEST(CriticalShear, BedSlopeFactorAndWhereItActs) {
  InProjectDir p;
  FlowGrid g = FlowGrid::inclined(4, 3);
  ASSERT_TRUE(g.build());
  WBStart = 1, WBEnd = NoBCells;
  gsize[1] = 0.002;
  shieldscoeff = 0.05;
  uniformBed({1.0}, 0.01, 0.01, 1.0);
  const int b = 1 + NoBCells / 2, c = Bcellt[b];
  FlagBedslopeCorrection = 3;
  auto K = [&](double u) {
    for (int x = 1; x <= NoCells; ++x) Cxvel[x] = u, Cyvel[x] = 0.0;
    BedCellShear cell = cellAt(b, 1.0);
    return criticalShearStress(1, cell).K;
  };
  const double down = K(1.0), up = K(-1.0);
  EXPECT_LT(down, 0.97);
  EXPECT_GT(up, 1.03);
  BSedDistrib[1][0][b] = 0.001;
  BSedDistrib[0][0][b] = 0.001;  // together exactly the coarsest grain
  EXPECT_EQ(K(1.0), 1.0);
  EXPECT_EQ(K(-1.0), 1.0);
  BSedDistrib[0][0][b] = 1.0;
  FlagBedslopeCorrection = 4;
  EXPECT_FALSE(bedSlopeActs(b, false));
  EXPECT_TRUE(bedSlopeActs(b, true));
  EXPECT_EQ(K(1.0), 1.0);
  EXPECT_EQ(c, Bcellt[b]);
}

// Variants 1 and 2 with per-cell slope parameters (F 274 above 1) use them
// for the cell alone: the options keep their values after concRijn.
TEST(CriticalShear, PerCellSlopeParametersLeaveTheOptions) {
  InProjectDir p;
  FlagBedAngles = 2;
  FlowGrid g = FlowGrid::inclined(4, 3);
  ASSERT_TRUE(g.build());
  WBStart = 1, WBEnd = NoBCells;
  ASSERT_NE(BrooksUp, nullptr);
  gsize[1] = 0.002;
  shieldscoeff = 0.05;
  uniformBed({1.0}, 0.01);
  for (int x = 1; x <= NoCells; ++x) Cxvel[x] = 0.3, Cyvel[x] = 1.0;  // across the slope
  FlagBedslopeCorrection = 1;
  const int b = 1 + NoBCells / 2;
  for (int x = 1; x <= NoBCells; ++x) BrooksUp[x] = BrooksDown[x] = 1.23, BrooksLimit[x] = 0.2;
  const double same = bedSlopeFactor(b, Bcellt[b], false);
  for (int x = 1; x <= NoBCells; ++x) BrooksUp[x] = BrooksDown[x] = 3.0, BrooksLimit[x] = 0.05;
  EXPECT_NE(bedSlopeFactor(b, Bcellt[b], false), same);
  concRijn();
  EXPECT_EQ(BedCritTanSlopeUp, 1.23);
  EXPECT_EQ(BedCritTanSlopeDown, 0.78);
  EXPECT_EQ(BedCritMinDamp, 0.2);
}

// Cohesion: F 131 above 1e-10 only, the surface layer's cohesion, the bank
// cohesion at bank cells only.
TEST(CriticalShear, CohesionTerms) {
  InProjectDir p;
  FlagCohesion = 1;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  ASSERT_NE(Bcohesion, nullptr);
  gsize[1] = 0.001;
  shieldscoeff = 0.05;
  BedCellShear cell = cellAt(1, 1.0);
  Bcohesion[1][1] = 0.5;
  EXPECT_NEAR(criticalShearStress(1, cell).tauc, 0.809325 + 0.5, 1e-12);
  cohesive[1] = 1e-11;
  EXPECT_NEAR(criticalShearStress(1, cell).tauc, 0.809325 + 0.5, 1e-12);
  cohesive[1] = 2.0;
  BankCohesion = 4.0;
  EXPECT_NEAR(criticalShearStress(1, cell).tauc, 0.809325 + 2.5, 1e-12);
  cell.bank = true;
  EXPECT_NEAR(criticalShearStress(1, cell).tauc, 0.809325 + 6.5, 1e-12);
}

// Fractions 0.3, 0.4, 0.3 of 4, 2, 1 mm: d50 2 mm (a midpoint at 0.5 does
// not count as above it), d90 4 mm (no midpoint above 0.9); one size: its
// diameter whatever the fraction.
TEST(BedConcentration, CharacteristicDiameters) {
  InProjectDir p;
  lnumber = 3;
  gsize[1] = 0.004, gsize[2] = 0.002, gsize[3] = 0.001;
  double d50, d90, dm;
  const double f[4] = {0, 0.3, 0.4, 0.3};
  characteristicDiameters(f, d50, d90, dm);
  EXPECT_NEAR(d50, 0.002, 1e-15);
  EXPECT_NEAR(d90, 0.004, 1e-15);
  EXPECT_NEAR(dm, 0.0023, 1e-15);
  // midpoints 0.45 (1 mm) and 0.95 (2 mm): both found at 2 mm, with
  // t = 0.05/0.5 for d90 and 0.45/0.5 for d50 towards 1 mm
  const double fine[4] = {0, 0.0, 0.1, 0.9};
  characteristicDiameters(fine, d50, d90, dm);
  EXPECT_NEAR(d90, 0.1 * 0.001 + 0.9 * 0.002, 1e-15);
  EXPECT_NEAR(d50, 0.9 * 0.001 + 0.1 * 0.002, 1e-15);
  lnumber = 1;
  const double one[2] = {0, 0.3};
  characteristicDiameters(one, d50, d90, dm);
  EXPECT_EQ(d50, 0.004);
  EXPECT_EQ(d90, 0.004);
}

// F 84 0 by hand; at tau = tauc nothing moves and nothing adds to the stage.
TEST(BedConcentration, VanRijnByHandAndAtCritical) {
  InProjectDir p;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  gsize[1] = 0.001;
  shieldscoeff = 0.05;
  ASSERT_NEAR(Ckdist[Bcellt[1]], kHalf, 1e-10);
  BedCellShear cell = cellAt(1, 2.0);
  CriticalShear cs = criticalShearStress(1, cell);
  EXPECT_NEAR(bedConcentration(1, cell, cs) / kHandCs, 1.0, 1e-8);
  cell.tau = cell.tauE = cs.tauc;
  cell.stage = 0.0;
  EXPECT_EQ(bedConcentration(1, cell, cs), 0.0);
  EXPECT_EQ(cell.stage, 0.0);
}

// Below the critical shear: F 84 8 gives 0, F 84 6 keeps its
// Engelund-Hansen value; F 84 10 and 13 give 0 above it as well.
TEST(BedConcentration, EngelundHansenFamilyBelowCritical) {
  InProjectDir p;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  gsize[1] = 0.001;
  shieldscoeff = 0.05;
  BedCellShear cell = cellAt(1, 0.5);
  const CriticalShear cs = criticalShearStress(1, cell);
  BedLoadFlag = 6;
  const double eh = bedConcentration(1, cell, cs);
  // s EHcoeff 1000 r^2 sqrt(d/((s-1) 9.81)) (tau/N)^1.5 |u| / (2 s 1000 Ckdist)
  const double N = 0.001 * 1.65 * 9810.0;
  EXPECT_NEAR(eh, 0.05 * std::sqrt(0.001 / (1.65 * 9.81)) * std::pow(0.5 / N, 1.5) / (2.0 * kHalf), 1e-13);
  EXPECT_GT(eh, 0.0);
  BedLoadFlag = 8;
  EXPECT_EQ(bedConcentration(1, cell, cs), 0.0);
  cell.tau = cell.tauE = 3.0;
  for (int flag : {10, 13}) {
    BedLoadFlag = flag;
    EXPECT_EQ(bedConcentration(1, cell, cs), 0.0) << flag;
  }
}

// F 84 9 and 11: every size scaled by the ratio of the d50 load to the
// fraction-weighted sum, but never by more than 10.
TEST(BedConcentration, D50ScalingStopsAtTen) {
  InProjectDir p;
  SedimentBox box;
  box.sizes = 2;
  ASSERT_TRUE(box.build());
  gsize[1] = 0.002, gsize[2] = 0.001;
  shieldscoeff = 0.05;
  uniformBed({0.5, 0.5}, 0.01);
  BedCellShear cell = cellAt(1, 5.0);
  cell.d50 = 0.0015;
  CriticalShear last;
  Bconc[1][1] = 2e-12, Bconc[2][1] = 1e-12;
  scaleToD50Load(cell, last);
  EXPECT_NEAR(Bconc[1][1], 2e-11, 1e-25);
  EXPECT_NEAR(Bconc[2][1], 1e-11, 1e-25);
  Bconc[1][1] = 0.2, Bconc[2][1] = 0.1;  // far above the d50 load
  scaleToD50Load(cell, last);
  EXPECT_LT(Bconc[1][1], 0.2);
  EXPECT_NEAR(Bconc[1][1], 2.0 * Bconc[2][1], 1e-15);
}

// F 90 5: the probability of motion P(-(tauc/tau - 1)/0.45): 0.8667 at twice
// the critical shear, 0.5 at critical, and it falls (0.0131 at half the
// critical shear) rather than rising towards 1.
TEST(BedConcentration, ProbabilityOfMotionFallsBelowCritical) {
  EXPECT_NEAR(normalProbability(1.1111), 0.8667, 5e-5);
  EXPECT_NEAR(normalProbability(0.0), 0.5, 1e-9);
  EXPECT_NEAR(normalProbability(-1.1111), 1.0 - 0.8667, 5e-5);
  InProjectDir p;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  gsize[1] = 0.001;
  shieldscoeff = 0.05;
  BedLoadFlag = 6;
  for (double ratio : {2.0, 0.5}) {
    BedCellShear cell = cellAt(1, ratio * 0.809325);
    const CriticalShear cs = criticalShearStress(1, cell);
    FlagRoughness = 0;
    const double plain = bedConcentration(1, cell, cs);
    FlagRoughness = 5;
    const double factor = bedConcentration(1, cell, cs) / plain;
    EXPECT_NEAR(factor, ratio > 1 ? 0.86674 : 0.013134, 1e-5) << ratio;
  }
}

// Wu (3) and Meyer-Peter-Mueller (5) over a still bottom cell: a finite
// value, which the driver caps at F 256.
TEST(BedConcentration, StillCellGivesTheCapNotInfinity) {
  InProjectDir p;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  gsize[1] = 0.001;
  shieldscoeff = 0.05;
  for (int flag : {3, 5}) {
    BedLoadFlag = flag;
    BedCellShear cell = cellAt(1, 3.0);
    cell.speed = 0.0;
    const double C = bedConcentration(1, cell, criticalShearStress(1, cell));
    EXPECT_TRUE(std::isfinite(C)) << flag;
    EXPECT_GT(C, MaxBedConc) << flag;
    uniformBed({1.0}, 0.01);
    for (int c = 1; c <= NoCells; ++c) Cxvel[c] = Cyvel[c] = 0.0;
    concRijn();
    for (int b = 1; b <= NoBCells; ++b) {
      EXPECT_EQ(Bconc[1][b], MaxBedConc) << flag;
    }
  }
}

// Wu and Meyer-Peter-Mueller by hand for one moving cell.
TEST(BedConcentration, WuAndMeyerPeterMuellerByHand) {
  InProjectDir p;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  gsize[1] = 0.001;
  shieldscoeff = 0.05;
  BedCellShear cell = cellAt(1, 2.0);
  cell.speed = 0.8;
  const CriticalShear cs = criticalShearStress(1, cell);
  const double X = 2.0 - 0.809325, T = X / 0.809325;
  BedLoadFlag = 3;
  EXPECT_NEAR(bedConcentration(1, cell, cs),
              0.0053 * std::pow(T, 2.2) * std::sqrt(1e-9 * 1.65 * 9.81) / (2 * kHalf * 0.8), 1e-12);
  BedLoadFlag = 5;
  EXPECT_NEAR(bedConcentration(1, cell, cs),
              std::pow(X, 1.5) / ((1.65 / 2.65) * std::pow(2.5, 1.5) * 9.81) / 2650.0 / (2 * kHalf * 0.8), 1e-12);
  BedLoadFlag = 4;
  EXPECT_NEAR(bedConcentration(1, cell, cs), T * 0.053, 1e-12);
}

// Sand-mud: above 8 % mud only the mud rate, at 6.5 % half mud and half sand,
// at 5 % or less only sand; a grain of d50/19 has no sand share and gives 0,
// not a NaN.
TEST(BedConcentration, SandMudBlend) {
  InProjectDir p;
  lnumber = 2;
  gsize[1] = 0.0005, gsize[2] = 1e-6;
  ParvelInput in;
  in.tau = 3.0, in.tauc = 0.2, in.d = 0.0005, in.d50 = 0.0004, in.halfHeight = 0.05, in.H = 1.0, in.fall = 0.05;
  double f[3] = {0, 0.9, 0.1};
  in.fractions = f;
  const double mud = computeConcentrationParvel(in);
  f[1] = 0.97, f[2] = 0.03;
  const double sand = computeConcentrationParvel(in);
  f[1] = 0.935, f[2] = 0.065;
  const double blend = computeConcentrationParvel(in);
  EXPECT_GT(mud, 0.0);
  EXPECT_GT(sand, 0.0);
  EXPECT_NE(mud, sand);
  EXPECT_NEAR(blend, 0.5 * (mud + sand), 1e-5 * (mud + sand));  // 1e-7 less mud than 6.5 %
  f[1] = 0.97, f[2] = 0.03;
  in.d = in.d50 / 19.0;
  const double none = computeConcentrationParvel(in);
  EXPECT_EQ(none, 0.0);
}

// The Engelund-Hansen cohesion reads the surface layer of a multi-layer bed.
TEST(BedConcentration, EngelundHansenCohesionOfTheSurfaceLayer) {
  InProjectDir p;
  FlagTSC = 3;
  NoBedLayers = 4;
  FlagCohesion = 1;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  gsize[1] = 0.001;
  shieldscoeff = 0.05;
  BedLoadFlag = 6;
  BedCellShear cell = cellAt(1, 2.0);
  cell.top = 3;
  const CriticalShear cs = criticalShearStress(1, cell);
  const double clean = bedConcentration(1, cell, cs);
  Bcohesion[1][1] = 5.0;  // a buried layer
  EXPECT_EQ(bedConcentration(1, cell, cs), clean);
  Bcohesion[3][1] = 5.0;
  const double N = 0.001 * 1.65 * 9810.0;
  EXPECT_NEAR(bedConcentration(1, cell, cs) / clean, std::pow(N / (N + 21.3 * 5.0), 1.5), 1e-12);
}

// concRijn on the box: every wet bed cell gets the hand value of van Rijn
// from its k; a dry column and the cells of an inactive block keep theirs;
// F 256 caps.
TEST(ConcRijn, BoxByHandDryAndInactive) {
  InProjectDir p;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  gsize[1] = 0.001;
  shieldscoeff = 0.05;
  uniformBed({1.0}, 2.0 / 300.0);
  ASSERT_EQ(block[1].active, 1);
  const int dry = 2, keepC = Bcellt[dry];
  Bcellt[dry] = 0;
  Bconc[1][dry] = 0.123;
  concRijn();
  for (int b = 1; b <= NoBCells; ++b) {
    if (b == dry) continue;
    EXPECT_NEAR(Bconc[1][b] / kHandCs, 1.0, 1e-8) << b;
  }
  EXPECT_EQ(Bconc[1][dry], 0.123);
  EXPECT_EQ(Bd50[1], 0.001);
  Bcellt[dry] = keepC;
  MaxBedConc = 1e-4;
  concRijn();
  EXPECT_EQ(Bconc[1][1], 1e-4);
  block[1].active = 0;
  for (int c = 1; c <= NoCells; ++c) Ckinen[c] = 1.0;
  concRijn();
  EXPECT_EQ(Bconc[1][1], 1e-4);
}

// F 499 2 through concRijn: Bconc from the log-law shear, not from 300 k.
TEST(ConcRijn, LogLawShearReplaces300k) {
  InProjectDir p;
  FlagDuneShearPartCross = 2;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  gsize[1] = 0.001;
  shieldscoeff = 0.05;
  uniformBed({1.0}, 0.0001);  // 0.03 Pa from k: below critical
  // a speed whose log-law shear over ks 0.01 m is 2 Pa
  const double u = std::sqrt(2.0 / 6.113073569476407);
  for (int c = 1; c <= NoCells; ++c) Cxvel[c] = u, Cyvel[c] = 0.0, Croughness[c] = 0.01;
  concRijn();
  for (int b = 1; b <= NoBCells; ++b) {
    EXPECT_NEAR(Bconc[1][b] / kHandCs, 1.0, 1e-8);
  }
}

// F 172 1 with bed forms as high as twice the depth: the depth ratio takes
// its limit (2^(7/3) on the shear), no NaN.
TEST(ConcRijn, BedFormsFillingTheDepthTakeTheLimit) {
  InProjectDir p;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  gsize[1] = 0.001;
  shieldscoeff = 0.05;
  const double tau = 2.0 / std::pow(2.0, 7.0 / 3.0);
  uniformBed({1.0}, tau / 300.0);
  FlagShearBedform = 1;
  for (int b = 1; b <= NoBCells; ++b) Bedformheight[b] = 2.0;
  concRijn();
  for (int b = 1; b <= NoBCells; ++b) {
    EXPECT_NEAR(Bconc[1][b] / kHandCs, 1.0, 1e-8);
  }
}

// suspinit names the formula and computes the bed concentration; a size
// without a diameter is reported and nothing is computed.
TEST(ConcRijn, SuspinitNamesTheFormulaAndChecksDiameters) {
  InProjectDir p;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  gsize[1] = 0.001;
  shieldscoeff = 0.05;
  uniformBed({1.0}, 2.0 / 300.0);
  suspinit();
  std::string log = p.dir().boogie();
  EXPECT_NE(log.find("Using van Rijn's method with parameters: 0.015000 1.500000 0.300000\n"), std::string::npos)
      << log;
  EXPECT_NE(log.find("Have calculated bed sediment concentration\n"), std::string::npos) << log;
  EXPECT_NEAR(Bconc[1][1] / kHandCs, 1.0, 1e-8);
  Bconc[1][1] = 0.0;
  gsize[1] = 0.0;
  suspinit();
  log = p.dir().boogie();
  EXPECT_NE(log.find("Error, diameter for size 1 = 0.000000\n"), std::string::npos) << log;
  EXPECT_EQ(Bconc[1][1], 0.0);
}

// The bed shear of one bed cell (the middle column of the south row) by
// F 279 1, F 459 and F 507, each case set up so that the rule gives exactly
// 2 Pa (van Rijn by hand, kHandCs) while the shear of the bottom cell alone
// is lower. Shears in Pa are 300 k: t of the bottom cell, a of the cell
// above it, n of the bottom cells of the lateral neighbours (e of the east
// one where it differs).
//   F 279 1: max(t 0.5, a 2) = 2;
//   F 459 1: 0.5 t + 0.5 x the mean of the three neighbours (west and north
//     2.5, east 4: 3) = 0.5 + 1.5; 2: 0.333 t + 0.667 n with n 2.5;
//     3: 0.2 t + 0.8 n = 0.2 + 1.8; 4: max(t 0.5, n 2); 5: max(t 0.5, the
//     largest neighbour e 2) where the mean stays below;
//   F 507: t 1 times the coefficient of nine cells, 2, when its first
//     coefficient is above 1 (1.5); not at 1.0.
TEST(ConcRijn, ShearOfNeighboursSmoothingAndCellCount) {
  struct Case {
    const char* what;
    int f279, f459;
    double first507;  // 0: F 507 untouched
    double t, a, n, e;
    bool hand;
  };
  const double t2 = (2.0 - 0.667 * 2.5) / 0.333;
  const Case cases[] = {
      {"F 279 1", 1, 0, 0.0, 0.5, 2.0, 0.5, 0.5, true},
      {"F 279 0", 0, 0, 0.0, 0.5, 2.0, 0.5, 0.5, false},
      {"F 459 1", 0, 1, 0.0, 1.0, 1.0, 2.5, 4.0, true},
      {"F 459 2", 0, 2, 0.0, t2, t2, 2.5, 2.5, true},
      {"F 459 3", 0, 3, 0.0, 1.0, 1.0, 2.25, 2.25, true},
      {"F 459 4", 0, 4, 0.0, 0.5, 0.5, 2.0, 2.0, true},
      {"F 459 5", 0, 5, 0.0, 0.5, 0.5, 1.0, 2.0, true},
      {"F 459 4, one neighbour high", 0, 4, 0.0, 0.5, 0.5, 1.0, 2.0, false},
      {"F 507", 0, 0, 1.5, 1.0, 1.0, 1.0, 1.0, true},
      {"F 507 first value 1", 0, 0, 1.0, 1.0, 1.0, 1.0, 1.0, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    InProjectDir p;
    SedimentBox box;
    ASSERT_TRUE(box.build());
    gsize[1] = 0.001;
    shieldscoeff = 0.05;
    uniformBed({1.0}, k.n / 300.0);
    int b = 0;
    for (int x = 1; x <= NoBCells && !b; ++x)
      if (Ccelle[Bcellt[x]] > 0 && Ccellw[Bcellt[x]] > 0 && Ccells[Bcellt[x]] == 0) b = x;
    ASSERT_GT(b, 0);
    const int c = Bcellt[b];
    Ckinen[c] = k.t / 300.0;
    Ckinen[Ccellt[c]] = k.a / 300.0;
    Ckinen[Ccelle[c]] = k.e / 300.0;
    FlagShearNB = k.f279;
    FlagShearSmooth = k.f459;
    if (k.first507 > 0.0) {
      const int n = ant[Bkooi[b]][Bkooj[b]];
      ASSERT_EQ(n, 9);
      ShearGridCoeff[1] = k.first507;
      ShearGridCoeff[n] = 2.0;
    }
    concRijn();
    if (k.hand) {
      EXPECT_NEAR(Bconc[1][b] / kHandCs, 1.0, 1e-8);
    } else {
      EXPECT_GT(std::fabs(Bconc[1][b] / kHandCs - 1.0), 0.01);
    }
  }
}

// F 60 1 on the box's bottom cell (centre z = 1/18 m, H 1 m, d90 1 mm) under
// 2 Pa with w = 1 cm/s: u* = sqrt(0.002), Z = 2.5 w / u* = 0.559017. The
// reference level a = max(3 d90, half the previous bed-form height, 0.01 H);
// van Rijn's value at a (kHandCs scaled by (1/18) / a) is carried to z:
//   a = 0.01 below z: times (((H - z) / z) (a / (H - a)))^Z;
//   a = 0.1 (bed forms 0.2 m) above z: divided by (((H - a) / a) (z / (H - z)))^Z.
TEST(BedConcentration, RouseTransferOfF60) {
  InProjectDir p;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  gsize[1] = 0.001;
  fallvelo[1] = 0.01;
  shieldscoeff = 0.05;
  TSCbedrouse = 1;
  const double z = kHalf, Z = 2.5 * 0.01 / std::sqrt(0.002);
  struct Case {
    double bedform, a, factor;
  };
  const Case cases[] = {
      {0.0, 0.01, std::pow(((1.0 - z) / z) * (0.01 / 0.99), Z)},
      {0.2, 0.1, 1.0 / std::pow((0.9 / 0.1) * (z / (1.0 - z)), Z)},
  };
  for (const Case& k : cases) {
    Bedformheight[1] = k.bedform;
    BedCellShear cell = cellAt(1, 2.0);
    const CriticalShear cs = criticalShearStress(1, cell);
    EXPECT_NEAR(bedConcentration(1, cell, cs), kHandCs * (kHalf / k.a) * k.factor, 1e-12) << k.a;
  }
}

// F 536 with F 84 6 below the critical shear (half of it): 1 gives 0,
// 2 with F 536 2nd value 2 the Engelund-Hansen value times (1/2)^(1/2).
TEST(BedConcentration, ReductionBelowCriticalOfF536) {
  InProjectDir p;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  gsize[1] = 0.001;
  shieldscoeff = 0.05;
  BedLoadFlag = 6;
  coeffReduceEH = 2.0;
  const double tauc = 0.05 * 1.65 * 9810.0 * 0.001;
  double C[3];
  for (int f536 : {0, 1, 2}) {
    FlagReduceEH = f536;
    BedCellShear cell = cellAt(1, 0.5 * tauc);
    const CriticalShear cs = criticalShearStress(1, cell);
    C[f536] = bedConcentration(1, cell, cs);
  }
  EXPECT_GT(C[0], 0.0);
  EXPECT_EQ(C[1], 0.0);
  EXPECT_NEAR(C[2], C[0] * std::sqrt(0.5), 1e-12 * C[0]);
}

// The side-erosion terms of a bank cell on the inclined box (bed 0.1 up
// northwards and 0.1 down eastwards: theta_b = atan(sqrt(0.02)) = 8.05 deg)
// at the bottom cell of the middle row of the west column: five neighbours
// of the eight (N 5), all to the east of it (DX -3, DY 0). Bottom cells
// flow (1, 0), the cells above (cos 0.3, sin 0.3): every column turns by
// alpha = 0.3 rad, the mean flow points at 0.15 rad, sigma = sin 0.15;
// speeds 1, so S = 6 and vr = 6 / 5.
//   F 214 1 (5 deg, k2 0.2, k3 0.5, k4 0.3): hb = (tan(theta_b - 5 deg)
//     sqrt(A) + H) / H, Ms = (1 + 0.5 vr^2)(1 + 0.2 hb), Mc = 1 + 0.3 vr;
//     2: hb and vr times |alpha| / 30 |sigma|;
//   F 215 1 (0.4): Ms 1 + 0.4 |sin alpha|; 2: 1 + 0.4 |cos sigma|;
//   F 216 1 (3 deg): Ca = A tan(theta_b - 3 deg) sqrt(A) 0.5 / 0.5 / V;
//   F 217 1 (4 deg, Ub 0.02, dt 10 s): Ca = tan(theta_b - 4 deg) 0.02 10 A / 0.5 / V.
// The east column (DX +3) turns against its neighbours: alpha sigma < 0,
// no terms.
TEST(BedConcentration, SideErosionTermsOfABankCell) {
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::inclined(4, 3).build());
  const double phi = 0.3;
  for (int c = 1; c <= NoCells; ++c) {
    const bool bottom = Ccellb[c] == 0;
    Cxvel[c] = bottom ? 1.0 : std::cos(phi);
    Cyvel[c] = bottom ? 0.0 : std::sin(phi);
  }
  const int west = static_cast<int>(zval[block[1].i1][block[1].j1 + 1][0]);
  const int east = static_cast<int>(zval[block[1].i2][block[1].j1 + 1][0]);
  ASSERT_EQ(Ccellw[west], 0);
  ASSERT_EQ(Ccelle[east], 0);
  const int f = Cflateb[west];
  const double A = Farea[f], th = std::acos(Fvz[f]), deg = 3.141592652 / 180.0, H = 1.5, V = Cvol[west];
  ASSERT_NEAR(th, std::atan(std::sqrt(0.02)), 1e-9);
  const double vr = 1.2, sigma = std::sin(0.15), w = phi / 30.0 * sigma;
  const double hb = (std::tan(th - 5.0 * deg) * std::sqrt(A) + H) / H;
  SolidFrac = 0.5;
  TimeStep = 10.0;
  CoeffLEA2_teta = 5.0, CoeffLEA2_k2 = 0.2, CoeffLEA2_k3 = 0.5, CoeffLEA2_k4 = 0.3;
  CoeffLEA3 = 0.4;
  CoeffLEA4_teta = 3.0;
  CoeffLEA5_teta = 4.0, CoeffLEA5_Ub = 0.02;
  struct Case {
    const char* what;
    int lea2, lea3, lea4, lea5;
    double Ms, Mc, Ca;
  };
  const Case cases[] = {
      {"F 214 1", 1, 0, 0, 0, (1 + 0.5 * vr * vr) * (1 + 0.2 * hb), 1 + 0.3 * vr, 0.0},
      {"F 214 2", 2, 0, 0, 0, (1 + 0.5 * vr * vr * w * w) * (1 + 0.2 * hb * w), 1 + 0.3 * vr * w, 0.0},
      {"F 215 1", 0, 1, 0, 0, 1 + 0.4 * std::sin(phi), 1.0, 0.0},
      {"F 215 2", 0, 2, 0, 0, 1 + 0.4 * std::cos(sigma), 1.0, 0.0},
      {"F 216 1", 0, 0, 1, 0, 1.0, 1.0, A * std::tan(th - 3.0 * deg) * std::sqrt(A) / V},
      {"F 217 1", 0, 0, 0, 1, 1.0, 1.0, std::tan(th - 4.0 * deg) * 0.2 * A / 0.5 / V},
  };
  for (const Case& k : cases) {
    FlagLEA2 = k.lea2, FlagLEA3 = k.lea3, FlagLEA4 = k.lea4, FlagLEA5 = k.lea5;
    BedCellShear cell;
    cell.b = Cbed[west], cell.c = west, cell.H = H;
    sideErosionTerms(cell);
    EXPECT_NEAR(cell.Ms, k.Ms, 1e-9) << k.what;
    EXPECT_NEAR(cell.Mc, k.Mc, 1e-9) << k.what;
    EXPECT_NEAR(cell.Ca, k.Ca, 1e-9 * (1.0 + k.Ca)) << k.what;
    cell.c = east, cell.b = Cbed[east];
    sideErosionTerms(cell);
    EXPECT_EQ(cell.Ms, 1.0) << k.what;
    EXPECT_EQ(cell.Ca, 0.0) << k.what;
  }
}

// F 204: the bed slope of variant 1 averaged over a window of bottom cells.
// The bed cell looked at (column 4 of row 3 of 5) is flat, so without a
// window its slope is 0 and K = 1; its east neighbour rises 0.3 m in 1 m
// (Fvz 1/sqrt(1.09)) and the one beyond 0.6 m (1/sqrt(1.36)). Each walk adds
// a cell's length (twice its half length h) and stops once it reaches F 204;
// every cell counts Fvz h, the mean divides by the sum of the h. With 1 m
// each walk takes one cell (west and south from the cell itself, east and
// north from its neighbour); with 2 m two cells each. Across a flat cell the
// flow direction gives a = 0, s = 1, T = (0.6 + 0.8) / 2, and for the slope
// t = acos(mean): p = -sin t T, D = (1 - (T tan t)^2) cos^2 t + p^2, K = p + sqrt(D).
TEST(CriticalShear, WindowMeanSlopeOfF204) {
  InProjectDir p;
  FlowGrid g = FlowGrid::box(7, 5);
  g.bed = [](int i, int) { return i <= 5 ? 0.0 : i == 6 ? 0.3 : 0.9; };
  g.water = [](int, int) { return 2.0; };
  ASSERT_TRUE(g.build());
  WBStart = 1, WBEnd = NoBCells;
  gsize[1] = 0.002;
  shieldscoeff = 0.05;
  uniformBed({1.0}, 0.01, 0.01, 1.0);
  for (int x = 1; x <= NoCells; ++x) Cxvel[x] = 1.0, Cyvel[x] = 0.0;
  FlagBedslopeCorrection = 1;
  BedCritTanSlopeUp = 0.6, BedCritTanSlopeDown = 0.8, BedCritMinDamp = 0.0;
  const int c = static_cast<int>(zval[block[1].i1 + 3][block[1].j1 + 2][0]), b = Cbed[c];
  const int W = Ccellw[c], E = Ccelle[c], EE = Ccelle[E], S = Ccells[c], N = Ccelln[c], NN = Ccelln[N];
  ASSERT_GT(W * EE * S * NN, 0);
  ASSERT_NEAR(Fvz[Cflateb[c]], 1.0, 1e-12);
  const double fE = 1.0 / std::sqrt(1.09), fEE = 1.0 / std::sqrt(1.36), T = 0.7;
  ASSERT_NEAR(Fvz[Cflateb[E]], fE, 1e-9);
  ASSERT_NEAR(Fvz[Cflateb[EE]], fEE, 1e-9);
  ASSERT_NEAR(Cidist[c] + Cidist[W], 1.0, 1e-9);
  ASSERT_GE(2.0 * (Cidist[E] + Cidist[EE]), 2.0);
  auto K = [T](double mean) {
    const double t = std::acos(mean), p = -std::sin(t) * T;
    const double D = (1.0 - std::pow(T * std::tan(t), 2)) * std::cos(t) * std::cos(t) + p * p;
    return p + std::sqrt(D);
  };
  const double one = (Cidist[c] + fE * Cidist[E] + Cjdist[c] + Cjdist[N]) / (Cidist[c] + Cidist[E] + Cjdist[c] + Cjdist[N]);
  const double two = (Cidist[c] + Cidist[W] + fE * Cidist[E] + fEE * Cidist[EE] + Cjdist[c] + Cjdist[S] + Cjdist[N] +
                      Cjdist[NN]) /
                     (Cidist[c] + Cidist[W] + Cidist[E] + Cidist[EE] + Cjdist[c] + Cjdist[S] + Cjdist[N] + Cjdist[NN]);
  struct Case {
    double L, K;
  };
  for (const Case& k : {Case{0.0, 1.0}, Case{1.0, K(one)}, Case{2.0, K(two)}}) {
    sizeBedCritCorr = k.L;
    BedCellShear cell = cellAt(b, 1.0);
    EXPECT_NEAR(criticalShearStress(1, cell).K, k.K, 1e-9) << "F 204 " << k.L;
  }
  EXPECT_LT(K(two), K(one));
}

// The neighbourhood of the side-erosion terms on 3 x 3 columns of one cell:
// the diagonals of the middle cell. South-east is the east neighbour of the
// south cell, and only where that is missing the south neighbour of the east
// cell; the other three diagonals go first along their own direction (north
// of east, west of north, south of west).
TEST(SideErosion, TheDiagonalNeighboursAndTheirOrder) {
  InProjectDir dir;
  SmallGrid g;
  g.nx = g.ny = 3, g.nz = 1;
  g.build();
  const int c = g.cell(3, 3, 1), s = g.cell(3, 2, 1), e = g.cell(4, 3, 1);
  int around[9];
  bankNeighbourhood(c, around);
  const int expected[9] = {c, s, e, g.cell(3, 4, 1), g.cell(2, 3, 1), g.cell(4, 2, 1), g.cell(4, 4, 1),
                           g.cell(2, 4, 1), g.cell(2, 2, 1)};
  for (int k = 0; k < 9; ++k) EXPECT_EQ(around[k], expected[k]) << k;
  // Links that disagree (as at a shoreline): east of south wins.
  Ccelle[s] = g.cell(2, 2, 1);
  Ccells[e] = g.cell(4, 4, 1);
  bankNeighbourhood(c, around);
  EXPECT_EQ(around[5], g.cell(2, 2, 1));
  Ccelle[s] = 0;  // east of south missing: south of east
  bankNeighbourhood(c, around);
  EXPECT_EQ(around[5], g.cell(4, 4, 1));
  // The south-west corner cell: no south-east, north-west or south-west
  // neighbour, its north-east one.
  bankNeighbourhood(g.cell(2, 2, 1), around);
  EXPECT_EQ(around[5], 0);
  EXPECT_EQ(around[6], g.cell(3, 3, 1));
  EXPECT_EQ(around[7], 0);
  EXPECT_EQ(around[8], 0);
}
