// The one-dimensional backwater along block 1: d90 of a layer, the Froude
// number of a row of columns, the friction laws of F 475, the Froude cap of
// F 351, dry sections and dry middle columns, and the head profile of the
// computed pressures.
#include "surface/backwater.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "grid/generate.h"
#include "grid/geometry.h"
#include "grid/grid_builder.h"
#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "surface/surface.h"

namespace {

constexpr double kSlope = 0.001, kQ = 2.0, kM = 40.0;

class Backwater : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::make_unique<InProjectDir>();
    setRunStateInitial();
  }
  void TearDown() override {
    dir_.reset();
    setRunStateInitial();
  }
  const CaseDir& dir() const { return dir_->dir(); }

  // A straight channel of nx columns 1 m long and 5 m wide, its bed falling
  // toward the last line at the slope; 2 m of water everywhere.
  static void buildChannel(int nx = 10) {
    BlockGrid g;
    g.nx = nx;
    g.ny = 5;
    g.bed = [nx](int i, int) { return kSlope * (nx + 1 - i); };
    g.water = [](int, int) { return 2.0; };
    g.prepare();
    ASSERT_EQ(UnstructureBuild(), 1);
    metric();
    BedMake();
    ASSERT_GT(NoCells, 0);
    ManningInit = kM;
    discharge = kQ;
    FlagTFS = 30;
  }
  static double lineLevel(int i) { return zval[i][block[1].j1][znumber]; }
  std::vector<double> levels() const {
    std::vector<double> v;
    for (int i = block[1].i1 - 1; i <= block[1].i2; ++i) v.push_back(lineLevel(i));
    return v;
  }

 private:
  std::unique_ptr<InProjectDir> dir_;
};

}  // namespace

// d90 between the middles of two sizes (coarsest first); a layer whose
// cumulative fraction never exceeds 0.9 takes the coarsest size.
TEST(BackwaterD90, InterpolatesBetweenTheMiddlesOfTwoSizes) {
  gsize[1] = 0.02;
  gsize[2] = 0.001;
  gsize[3] = 0.0002;
  struct Row {
    std::vector<double> f;  // f[1..n]
    double d90;
  } rows[] = {
      {{0, 0.1, 0.9}, 0.9 * 0.02 + 0.1 * 0.001},  // F(2) 0.45, F(1) 0.95: w 0.1
      {{0, 1.0}, 0.02},                           // one size
      {{0, 0.0, 0.0}, 0.02},                      // nothing above 0.9
      {{0, 0.2, 0.8}, 0.02},                      // F(1) = 0.9 exactly: not above
  };
  for (int r = 0; r < 4; ++r) {
    const Row& row = rows[r];
    EXPECT_NEAR(backwaterD90(row.f.data(), static_cast<int>(row.f.size()) - 1), row.d90, 1e-12) << r;
  }
  // Three sizes 0, 0.3, 0.7: F(3) 0.35, F(2) 0.85, F(1) 1.0 > 0.9 at k = 1:
  // w = 2 (1.0 - 0.9) / (0 + 0.3) = 2/3, d90 = 1/3 gsize[1] + 2/3 gsize[2].
  const double f3[] = {0, 0.0, 0.3, 0.7};
  EXPECT_NEAR(backwaterD90(f3, 3), gsize[1] / 3.0 + 2.0 * gsize[2] / 3.0, 1e-12);
  gsize[1] = gsize[2] = gsize[3] = 0.0;
}

// Rectangular section 5 m wide, 1 m deep: Fr = (Q / A) / sqrt(g A / B).
TEST_F(Backwater, FroudeNumberOfARectangularRow) {
  buildChannel();
  const int i = 5;
  const double zb = 0.5 * (zval[i][2][1] + zval[i - 1][2][1]);
  const double A = 5.0 * 1.0;
  EXPECT_NEAR(computeFroude(i, kQ, zb + 1.0), (kQ / A) / std::sqrt(9.81 * A / 5.0), 1e-6);
  // Half the width dry: the bed of lines j >= 4 above the level halves A and B.
  for (int ii = 0; ii <= xnumber + 1; ++ii)
    for (int j = 4; j <= block[1].j2; ++j) zval[ii][j][1] = 10.0;
  const double Fr = computeFroude(i, kQ, zb + 1.0);
  EXPECT_GT(Fr, (kQ / A) / std::sqrt(9.81 * A / 5.0) * 1.5);
}

// The downstream line takes W 1's level when no reference is set, and with
// F 36 and F 343 other than 30 the upstream lines keep their levels.
TEST_F(Backwater, UpstreamLinesMoveOnlyWithF36Or343Thirty) {
  buildChannel();
  level = 1.5;
  FlagTFS = 0;
  backwater();
  EXPECT_DOUBLE_EQ(lineLevel(block[1].i2), 1.5);
  EXPECT_DOUBLE_EQ(zval[block[1].i2][block[1].j2][znumber + 1], 1.5);
  EXPECT_DOUBLE_EQ(lineLevel(block[1].i1 - 1), 2.0);
  EXPECT_GT(maxBackwater, 0.0);
  BlockCasulli = 30;
  backwater();
  EXPECT_DOUBLE_EQ(lineLevel(block[1].i1 - 1), 1.5 + maxBackwater);
}

// F 475 1 with d90 = ks everywhere is the Manning law with M = 26 / ks^(1/6);
// F 475 2 without a qualifying column takes the coarsest grain instead of a
// zero roughness.
TEST_F(Backwater, GrainRoughnessMatchesTheStricklerLaw) {
  buildChannel();
  level = 1.2;
  GlobZRef = -1e20;
  gsize[1] = 0.05;
  const double M = 26.0 / std::pow(0.05, 0.166666667);
  ManningInit = M;
  backwater();
  const std::vector<double> manning = levels();
  Iter = 5;  // d90 is not recomputed after the first iteration
  for (int b = 1; b <= NoBCells; ++b) Bd90[b] = 0.05;
  FlagFriction = 1;
  backwater();
  const std::vector<double> grain = levels();
  for (size_t k = 0; k < manning.size(); ++k) EXPECT_NEAR(grain[k], manning[k], 1e-9) << k;
  for (int b = 1; b <= NoBCells; ++b) Bd90[b] = 0.0;
  FlagFriction = 2;
  backwater();
  const std::vector<double> floored = levels();
  for (size_t k = 0; k < manning.size(); ++k) EXPECT_NEAR(floored[k], manning[k], 1e-9) << k;
  gsize[1] = 0.0;
}

// The first iteration computes d90 from the top layer of every column.
TEST_F(Backwater, FirstIterationSetsD90OfTheColumns) {
  buildChannel();
  gsize[1] = 0.02;
  FlagFriction = 1;
  Iter = 1;
  for (int b = 1; b <= NoBCells; ++b) BSedDistrib[1][1][b] = 1.0;
  backwater();
  const int b = pointbed[5][3];
  ASSERT_GT(b, 0);
  EXPECT_DOUBLE_EQ(Bd90[b], 0.02);
  gsize[1] = 0.0;
}

// The Froude cap only raises levels; a low limit raises the curve.
TEST_F(Backwater, FroudeCapNeverLowersALevel) {
  buildChannel();
  level = 0.2;  // shallow: Froude numbers near 0.6
  backwater();
  const std::vector<double> free = levels();
  solverFroude = 1;
  solverFroudeLimit = 5.0;  // never reached
  backwater();
  const std::vector<double> high = levels();
  for (size_t k = 0; k < free.size(); ++k) EXPECT_DOUBLE_EQ(high[k], free[k]) << k;
  solverFroudeLimit = 0.3;
  backwater();
  const std::vector<double> capped = levels();
  for (size_t k = 0; k + 1 < free.size(); ++k) EXPECT_GT(capped[k], free[k] + 1e-3) << k;
  EXPECT_DOUBLE_EQ(capped.back(), free.back());  // the downstream line is given
}

// A line with no wet panel keeps the level and says so; nothing turns NaN.
TEST_F(Backwater, DrySectionCarriesTheLevelOnWithALogLine) {
  buildChannel();
  level = 1.0;
  for (int j = 0; j <= ynumber + 1; ++j) zval[4][j][1] = 5.0;
  backwater();
  for (double z : levels()) EXPECT_TRUE(std::isfinite(z));
  EXPECT_DOUBLE_EQ(lineLevel(4), lineLevel(5));
  EXPECT_NE(dir().boogie().find("Warning: backwater cross-section 4 is dry"), std::string::npos) << dir().boogie();
}

// A dry middle column steps by the distance between the lines, the length
// its cell would have had.
TEST_F(Backwater, DryMiddleColumnStepsTheLineDistance) {
  buildChannel();
  level = 1.0;
  backwater();
  const std::vector<double> wet = levels();
  const int jm = (block[1].j1 + block[1].j2) / 2;
  for (int i = block[1].i1; i <= block[1].i2; ++i) zval[i][jm][0] = 0.0;
  backwater();
  const std::vector<double> dry = levels();
  for (size_t k = 0; k < wet.size(); ++k) EXPECT_NEAR(dry[k], wet[k], 1e-9) << k;
  // Ten steps of 1 m with V 0.4 m/s, R near 1 m: about 1e-3 m of friction loss.
  EXPECT_NEAR(wet.front() - wet.back(), 10 * 0.16 / (kM * kM), 2e-4);
}

// Block 1 with i2 below i1: only the downstream line, and a zero rise.
TEST_F(Backwater, BlockWithoutRowsLeavesZeroRise) {
  buildChannel();
  level = 1.0;
  block[1].i2 = block[1].i1 - 1;
  backwater();
  EXPECT_DOUBLE_EQ(maxBackwater, 0.0);
  EXPECT_DOUBLE_EQ(lineLevel(block[1].i2), 1.0);
}

// The head profile row by row against the next row downstream, less the rise
// of the top faces above the reference; a row without cells is passed over.
TEST_F(Backwater, HeadProfileOfThePressures) {
  buildChannel(6);
  level = 2.0;
  const BlockRecord& B = block[1];
  // Top-cell pressure 9810 (i2 - i) Pa: 1 m of head per row upstream.
  for (int i = B.i1; i <= B.i2; ++i)
    for (int j = B.j1; j <= B.j2; ++j) {
      const int c = lowestCellOf(i, j);
      ASSERT_NE(c, 0);
      Cpres[columnTopCell(c)] = 9810.0 * (B.i2 - i);
    }
  const int empty = B.i2 - 2;
  for (int j = B.j1; j <= B.j2; ++j) zval[empty][j][0] = 0.0;
  backwaterPres();
  for (int i = B.i1; i <= B.i2; ++i) {
    const int c = lowestCellOf(i, B.j1);
    if (c == 0) continue;
    const int t = columnTopCell(c);
    const double zt = Czcenter[t] + Ckdist[t];
    const double head = i == B.i2 ? 0.0 : (i == empty - 1 ? 2.0 : 1.0);
    const double expect = i == B.i2 ? 0.0 : head - (zt - 2.0);
    EXPECT_NEAR(Cf[c], expect, 1e-9) << "row " << i;
  }
}

// One step by hand: 0.5 m of water on the downstream line, 5 m wide, 2 m3/s,
// M 40; the section of the next line upstream at that level is 1 mm
// shallower (bed slope 0.001 over 1 m), and the step is 2 Cidist of the
// middle column of that line, about 1 m.
TEST_F(Backwater, OneStepByHand) {
  buildChannel();
  const BlockRecord& B = block[1];
  level = zval[B.i2][B.j1][1] + 0.5;
  backwater();
  const double h = 0.5 - kSlope, A = 5.0 * h, R = A / 5.0, V = kQ / A;
  const double S = V * V / (kM * kM * std::pow(R, 1.33333));
  const double dx = 2.0 * Cidist[lowestCellOf(B.i2 - 1, (B.j1 + B.j2) / 2)];
  EXPECT_NEAR(dx, 1.0, 1e-3);
  EXPECT_NEAR(lineLevel(B.i2 - 1), level + S * dx, 1e-12);
  EXPECT_NEAR(zval[B.i2 - 1][B.j2][znumber + 1], level + S * dx, 1e-12);
  // Cf of the column between the two lines: the mean of its four corners.
  const int c = lowestCellOf(B.i2, B.j1);
  EXPECT_NEAR(Cf[c], level + 0.5 * S * dx, 1e-12);
}
