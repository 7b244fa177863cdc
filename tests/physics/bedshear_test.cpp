// Bed-shear variants: the log law and its guard where the roughness reaches
// the cell centre, the bed-form share of a row without bed forms, k at the
// inflow and outflow faces, the outflow raise that is not added twice, the
// largest k below the roughness height, and the vector helpers.
#include <gtest/gtest.h>

#include <cmath>

#include "physics/bedshear.h"
#include "sediment/sediment_fixture.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"

namespace {

// Bottom cells of the columns beside the faces of discharge group g.
std::vector<int> groupBottomCells(int g) {
  std::vector<int> out;
  const DischargeGroup& d = DischargeStruct[g];
  for (int m = 0; m < d.surfno; ++m) {
    const int f = d.face[m];
    const int c = Fcell1[f] ? Fcell1[f] : Fcell2[f];
    if (Ccellb[c] == 0) out.push_back(c);
  }
  return out;
}

void setK(double k) {
  for (int c = 1; c <= NoCells; ++c) Ckinen[c] = k;
}

}  // namespace

TEST(BedShear, VectorHelpers) {
  EXPECT_DOUBLE_EQ(dotproduct(1, 2, -2, -4), -1.0);
  EXPECT_DOUBLE_EQ(dotproduct(0, 0, 1, 0), 0.0);
  EXPECT_NEAR(dotproduct(1, 0, 1, 1), std::sqrt(0.5), 1e-15);
  EXPECT_DOUBLE_EQ(crossproduct(1, 2, 3, 4), -2.0);
  InProjectDir p;
  lnumber = 3;
  gsize[1] = 0.004, gsize[2] = 0.002, gsize[3] = 0.001;
  const double f[4] = {0, 0.3, 0.4, 0.3};
  EXPECT_NEAR(computeSieve(f, 50.0), 0.002, 1e-15);
  EXPECT_NEAR(computeSieve(f, 95.0), 0.004, 1e-15);
  lnumber = 1;
  const double one[2] = {0, 1.0};
  EXPECT_DOUBLE_EQ(computeSieve(one, 50.0), 0.004);
}

// F 499 2: 1000 |u|^2 (0.4/ln(30 Ckdist/ks))^2 (6.11307 Pa for 1 m/s over
// ks 0.01 m with a bottom cell 1/9 m high); no shear, not a NaN, where the
// roughness reaches the cell centre or is missing.
TEST(BedShear, LogLawAndItsGuard) {
  InProjectDir p;
  FlagDuneShearPartCross = 2;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  ASSERT_NE(bedshear, nullptr);
  for (int c = 1; c <= NoCells; ++c) Cxvel[c] = 1.0, Cyvel[c] = 0.0, Croughness[c] = 0.01;
  const int i = Bkooi[1], j = Bkooj[1], c = Bcellt[1];
  ASSERT_NEAR(Ckdist[c], 1.0 / 18.0, 1e-10);
  computeBedshear();
  EXPECT_NEAR(bedshear[i][j], 6.113073569476407, 1e-8);
  EXPECT_NEAR(logLawShear(c), 6.113073569476407, 1e-8);
  for (double ks : {30.0 * Ckdist[c], 2.0, 0.0}) {
    for (int x = 1; x <= NoCells; ++x) Croughness[x] = ks;
    computeBedshear();
    EXPECT_EQ(bedshear[i][j], 0.0) << "ks " << ks;
  }
}

// F 499 1 on rows without bed forms: every factor 1, 300 k unchanged; a dry
// column keeps its value.
TEST(BedShear, BedFormShareWithoutBedFormsKeeps300k) {
  InProjectDir p;
  FlagDuneShearPartCross = 1;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  setK(0.01);
  bedshear[0][0] = 7.0;
  computeBedshear();
  for (int b = 1; b <= NoBCells; ++b) EXPECT_NEAR(bedshear[Bkooi[b]][Bkooj[b]], 3.0, 1e-12);
  EXPECT_EQ(bedshear[0][0], 7.0);
}

// F 320: bottom cells at the inflow take k of the first cell inside (2: the
// second); outflow cells only from 20 on, lowered, never raised.
TEST(BedShear, ZeroGradientAtTheOpenBoundaries) {
  InProjectDir p;
  SedimentBox box;
  box.nx = 4;
  ASSERT_TRUE(box.build());
  for (int c = 1; c <= NoCells; ++c) Ckinen[c] = Cxcenter[c];  // 0.5, 1.5, 2.5, 3.5 along the channel
  const std::vector<int> in = groupBottomCells(1), out = groupBottomCells(2);
  ASSERT_FALSE(in.empty());
  ASSERT_FALSE(out.empty());
  struct Case {
    int flag;
    double inK, outK;
  };
  for (const Case& k : {Case{1, 1.5, 3.5}, Case{2, 2.5, 3.5}, Case{20, 1.5, 2.5}, Case{21, 1.5, 1.5}}) {
    for (int c = 1; c <= NoCells; ++c) Ckinen[c] = Cxcenter[c];
    FlagZeroGradSedim = k.flag;
    computeZeroGradSedim();
    for (int c : in) EXPECT_DOUBLE_EQ(Ckinen[c], k.inK) << "F 320 " << k.flag;
    for (int c : out) EXPECT_DOUBLE_EQ(Ckinen[c], k.outK) << "F 320 " << k.flag;
  }
}

// F 512: the outflow bottom cells of columns shallower than the depth gain
// the shear once, however often it is called without a new flow; a new flow
// value is raised from itself; a depth of 0 changes nothing.
TEST(BedShear, OutflowRaiseIsNotAddedTwice) {
  InProjectDir p;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  setK(0.01);
  const std::vector<int> out = groupBottomCells(2);
  ASSERT_FALSE(out.empty());
  outflowFixShear = 3.0;
  outflowFixDepth = 0.0;
  computeOutflowFix();
  for (int c : out) EXPECT_EQ(Ckinen[c], 0.01);
  outflowFixDepth = 2.0;
  computeOutflowFix();
  computeOutflowFix();
  computeOutflowFix();
  for (int c : out) EXPECT_NEAR(300.0 * Ckinen[c], 3.0 + 3.0, 1e-12);
  for (int c : out) Ckinen[c] = 0.025;  // the flow computed k anew
  computeOutflowFix();
  for (int c : out) EXPECT_NEAR(300.0 * Ckinen[c], 7.5 + 3.0, 1e-12);
  EXPECT_EQ(Ckinen[Ccellt[out[0]]], 0.01);  // cells above the bottom are not touched
}

// F 189: 300 x the largest k of the cells whose centre height (in bottom-cell
// heights) lies below ks; a roughness below the bottom cell centre takes the
// bottom cell alone; the top cell is never taken.
TEST(BedShear, LargestKBelowTheRoughness) {
  InProjectDir p;
  FlagDrevan = 1;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  const int b = 1, i = Bkooi[b], j = Bkooj[b];
  int n = 0;
  for (int c = Bcellt[b]; c > 0; c = Ccellt[c]) Ckinen[c] = 0.001 * (++n);  // 0.001, 0.002 ... upwards
  ASSERT_GT(n, 4);
  const double h = Ckdist[Bcellt[b]];
  struct Case {
    double ks, k;
  };
  // centres counted at h, 3h, 5h ...
  for (const Case& k : {Case{0.5 * h, 0.001}, Case{2.5 * h, 0.002}, Case{4.0 * h, 0.003}, Case{50.0, 0.001 * (n - 1)}}) {
    for (int c = 1; c <= NoCells; ++c) Croughness[c] = k.ks;
    computeShearDrevan();
    EXPECT_NEAR(bedshear[i][j], 300.0 * k.k, 1e-12) << "ks " << k.ks;
  }
}
