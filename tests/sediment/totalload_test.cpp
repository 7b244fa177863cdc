// The total-load family of F 10 on the box's columns of nine cells 1/9 m
// high, 1 m deep: every letter against its value worked out by hand from
// q and the hand-summed Rouse transport Q, the cap of F 256 and the
// warning of letter E, still water, the edges below critical, the Shields
// options, d90, Yang's critical speed and the still bottom cell of letter I.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "physics/bedshear.h"
#include "sediment/sediment.h"
#include "sediment/sediment_fixture.h"
#include "sediment/totalload.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/in_dir.h"

namespace {

// 0.5 mm grains (s 2.65, w 0.07 m/s, F 11 Shields value 0.05) under
// k = 0.01 (tau = 3 Pa, u* = 0.0547723 m/s) and 1 m/s everywhere: the Rouse
// exponent 3.19505 over the nine cell centres 1/18, 3/18, .. 17/18 with
// a = 1/18 gives Q = 0.1136853 m2/s; each letter's q / Q by hand.
constexpr double kHandQ = 0.1136853138844588;
struct Letter {
  char letter;
  double hand;
};
constexpr Letter kHand[] = {
    {'E', 0.0005516601506452542}, {'A', 0.7922935966110065},    {'S', 0.37789086140176736},
    {'Y', 0.4741690564109857},    {'I', 5.834152890998593e-05}, {'M', 0.0005746261242384111},
};

void uniformColumns(double u, double k) {
  for (int c = 1; c <= NoCells; ++c) {
    Cxvel[c] = u;
    Cyvel[c] = 0.0;
    Ckinen[c] = k;
  }
}

void oneSizeBed(double fraction = 1.0) {
  for (int b = 1; b <= NoBCells; ++b)
    for (int layer = 0; layer <= 1; ++layer) {
      BSedDistrib[layer][0][b] = 0.5;
      BSedDistrib[layer][1][b] = fraction;
    }
}

struct TotalLoadBox {
  InProjectDir p;
  SedimentBox box;
  TotalLoadBox() {
    box.build();
    gsize[1] = 0.0005;
    fallvelo[1] = 0.07;
    density = 2.65;
    shieldscoeff = 0.05;
    oneSizeBed();
    uniformColumns(1.0, 0.01);
  }
};

}  // namespace

TEST(ConcEngelund, EveryLetterIsQOverTheRouseTransportByHand) {
  TotalLoadBox t;
  ASSERT_GT(NoBCells, 1);
  ASSERT_NEAR(Ckdist[Bcellt[1]], 1.0 / 18.0, 1e-9);
  EXPECT_NEAR(rouseTransport(totalLoadColumn(1), 0.07) / kHandQ, 1.0, 1e-8);  // the grid's heights to 1e-10
  MaxBedConc = 10.0;
  for (const Letter& x : kHand) {
    SedimentFormula = x.letter;
    for (int b = 1; b <= NoBCells; ++b) Bconc[1][b] = -1.0;
    concEngelund();
    for (int b = 1; b <= NoBCells; ++b) EXPECT_NEAR(Bconc[1][b] / x.hand, 1.0, 1e-7) << x.letter << " bed cell " << b;
  }
}

// F 256 caps every letter (A, S and Y give more than 0.1 here); letter E
// beyond 2.65 writes its three lines and is capped as well.
TEST(ConcEngelund, TheCapOfF256AndTheWarningOfLetterE) {
  TotalLoadBox t;
  for (char letter : {'A', 'S', 'Y'}) {
    SedimentFormula = letter;
    concEngelund();
    EXPECT_EQ(Bconc[1][1], 0.1) << letter;
  }
  SedimentFormula = 'E';
  uniformColumns(20.0, 30.0);
  concEngelund();
  EXPECT_EQ(Bconc[1][1], 0.1);
  EXPECT_NE(t.p.dir().read("boogie").find("Error Engelund Bconc(1,1) = "), std::string::npos);
  EXPECT_NE(t.p.dir().read("boogie").find("  engelund,konc,eqshear = "), std::string::npos);
  EXPECT_NE(t.p.dir().read("boogie").find("  velocity,slope,partfroude = "), std::string::npos);
}

// Still water (Q = 0) gives 0 for every letter but I; letter M below its
// critical shear and letter A below its mobility give 0 while the column
// flows.
TEST(ConcEngelund, StillWaterAndBelowTheThresholds) {
  TotalLoadBox t;
  uniformColumns(0.0, 0.01);
  for (char letter : {'E', 'A', 'S', 'Y', 'M'}) {
    SedimentFormula = letter;
    Bconc[1][1] = 0.5;
    concEngelund();
    EXPECT_EQ(Bconc[1][1], 0.0) << letter;
  }
  // tau = 0.3 Pa below tauc = 0.40466 Pa
  uniformColumns(1.0, 0.001);
  const TotalLoadColumn col = totalLoadColumn(1);
  ASSERT_LT(col.tau, totalLoadCriticalShear(0.0005, col.ustar));
  SedimentFormula = 'M';
  Bconc[1][1] = 0.5;
  concEngelund();
  EXPECT_EQ(Bconc[1][1], 0.0);
  SedimentFormula = 'E';
  concEngelund();
  EXPECT_GT(Bconc[1][1], 0.0);  // E has no threshold
  // Ackers-White: a slow column stays below the mobility A
  uniformColumns(0.05, 0.0001);
  SedimentFormula = 'A';
  Bconc[1][1] = 0.5;
  concEngelund();
  EXPECT_EQ(Bconc[1][1], 0.0);
}

// Letter I with a still bottom cell ends the run with status 2 and its line.
TEST(ConcEngelund, LetterIWithAStillBottomCellEndsTheRun) {
  TotalLoadBox t;
  SedimentFormula = 'I';
  Cxvel[Bcellt[2]] = 0.0;
  EXPECT_EXIT(concEngelund(), ::testing::ExitedWithCode(2), "");
  EXPECT_NE(t.p.dir().read("boogie").find("Einsteins formula not valid for this situation"), std::string::npos);
}

// A positive F 11 value makes tauc proportional to d and independent of the
// flow; the default follows the Shields curve of the grain Reynolds number.
TEST(ConcEngelund, CriticalShearOfTheShieldsOptions) {
  InProjectDir p;
  density = 2.65;
  shieldscoeff = 0.05;
  for (double ustar : {0.001, 0.05, 1.0}) EXPECT_NEAR(totalLoadCriticalShear(0.0005, ustar), 0.4046625, 1e-9);
  EXPECT_NEAR(totalLoadCriticalShear(0.001, 0.05), 0.809325, 1e-9);
  shieldscoeff = -0.047;
  // R = 1000 u* d / 1e-3: above 500 the constant 0.0624927, below 0.2 0.6
  EXPECT_NEAR(totalLoadCriticalShear(0.001, 1.0), 0.001 * 1.65 * 0.0624927 * 9810.0, 1e-9);
  EXPECT_NEAR(totalLoadCriticalShear(0.0001, 0.001), 0.0001 * 1.65 * 0.6 * 9810.0, 1e-9);
  EXPECT_NE(totalLoadCriticalShear(0.0005, 0.01), totalLoadCriticalShear(0.0005, 0.05));
}

// One size: d90 = gsize[1] whatever its fraction says; several sizes: the
// sieve diameter of the top layer.
TEST(ConcEngelund, D90OfOneAndOfSeveralSizes) {
  {
    TotalLoadBox t;
    oneSizeBed(0.3);
    SedimentFormula = 'E';
    concEngelund();
    EXPECT_EQ(Bd90[1], 0.0005);
  }
  InProjectDir p;
  SedimentBox box;
  box.sizes = 2;
  ASSERT_TRUE(box.build());
  ASSERT_EQ(lnumber, 2);
  gsize[1] = 0.0005;
  gsize[2] = 0.0001;
  for (int layer = 0; layer <= 1; ++layer) {
    BSedDistrib[layer][0][1] = 0.5;
    BSedDistrib[layer][1][1] = 0.4;
    BSedDistrib[layer][2][1] = 0.6;
  }
  const double f[3] = {0.0, 0.4, 0.6};
  EXPECT_EQ(totalLoadColumn(1).d90, computeSieve(f, 90.0));
  EXPECT_GT(totalLoadColumn(1).d90, 0.0001);
  EXPECT_LE(totalLoadColumn(1).d90, 0.0005);
}

// Yang's critical speed: 2.5 w from R = 70; w (2.5 / (ln R - 0.06) + 0.66)
// below; finite and positive across the pole of the relation at
// ln R = 0.06 (held at its value for R = 1.2); a column no faster than it
// carries nothing.
TEST(ConcEngelund, YangCriticalSpeedAndSlowColumns) {
  EXPECT_DOUBLE_EQ(yangCriticalSpeed(0.07, 100.0), 0.175);
  EXPECT_NEAR(yangCriticalSpeed(0.07, 27.386127875258307), 0.10004554740835372, 1e-12);
  const double atRange = 0.07 * (2.5 / (std::log(1.2) - 0.06) + 0.66);
  for (double R : {1.2, 1.0618, 1.06, 0.5, 1e-6, 0.0}) {
    const double v = yangCriticalSpeed(0.07, R);
    EXPECT_TRUE(std::isfinite(v)) << R;
    EXPECT_NEAR(v, atRange, 1e-12) << R;
  }
  TotalLoadBox t;
  SedimentFormula = 'Y';
  uniformColumns(0.1, 0.01);  // U = 0.1 <= Vc = 0.10005
  Bconc[1][1] = 0.5;
  concEngelund();
  EXPECT_EQ(Bconc[1][1], 0.0);
}
