// The bed-load slope vectors of F 78 on boxes whose bed rises northwards
// (the flow runs east): a flat bed changes nothing for any method; 2..4 add
// the outflow at the bottom cell and its sediment at the lower neighbour by
// hand; 21..29 move sources downslope keeping their sum, 21 only at the
// faces beside a boundary, one size on Csource, nothing across a still face;
// 31..39 move what leaves a boundary column into its lower neighbour's
// source; 200 keeps the sediment mass and moves at most half per pair; a
// bottom cell without turbulent energy acts as on a flat bed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "sediment/morphology.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"

namespace {

struct VectorBox {
  InProjectDir p;
  bool ok = false;
  // nx x ny columns of 1 m, 1 m of water over a bed rising `slope` per
  // metre northwards; F 37 tsc, one size of 0.5 mm, a time step of 1 s.
  VectorBox(int nx, int ny, double slope, int tsc = 3) {
    FlagTSC = tsc;
    TimeStep = 1.0;
    FlowGrid g = FlowGrid::box(nx, ny, 1.0);
    g.bed = [slope](int, int j) { return slope * (j - 1); };
    g.water = [slope](int, int j) { return slope * (j - 1) + 1.0; };
    ok = g.build();
    WBStart = 1;
    WBEnd = NoBCells;
    gsize[1] = 0.0005;
    density = 2.65;
    for (int c = 1; c <= NoCells; ++c) {
      Cxvel[c] = 1.0;
      Cyvel[c] = 0.0;
      Ckinen[c] = 0.001;
      Cconc[1][c] = 0.01 + 0.0001 * (c % 13);
      if (Cconc_old) Cconc_old[1][c] = Cconc[1][c] * 0.9;
      if (Capm) Capm[1][c] = 1000.0;
      if (Csourcem) Csourcem[1][c] = 10.0 + (c % 7);
      Csource[c] = 10.0 + (c % 5);
    }
  }
  // Row of a cell (1 southmost).
  static int row(int c) { return static_cast<int>(std::floor(Cycenter[c])) + 1; }
};

std::vector<double> copyOf(const double* a) { return std::vector<double>(a, a + NoCells + 1); }

void runMethod(int method) {
  BedLoadVectorFlag = method;
  if (method >= 2 && method <= 4) computeBedLoadVector();
  if (method >= 21 && method <= 29) computeBedLoadVector3();
  if (method >= 31 && method <= 39) computeBedLoadVector4();
  if (method == 200) bedloadVectorExplicitConc();
}

double sum(const double* a) {
  double s = 0.0;
  for (int c = 1; c <= NoCells; ++c) s += a[c];
  return s;
}

double massOf() {
  double s = 0.0;
  for (int c = 1; c <= NoCells; ++c) s += Cconc[1][c] * Cvol[c];
  return s;
}

}  // namespace

TEST(BedLoadVectors, AFlatBedChangesNothing) {
  for (int method : {2, 3, 4, 21, 22, 23, 29, 31, 32, 33, 34, 39, 200}) {
    VectorBox box(4, 4, 0.0);
    ASSERT_TRUE(box.ok);
    const auto ap = copyOf(Capm[1]), sm = copyOf(Csourcem[1]), s = copyOf(Csource), c = copyOf(Cconc[1]);
    runMethod(method);
    EXPECT_EQ(copyOf(Capm[1]), ap) << method;
    EXPECT_EQ(copyOf(Csourcem[1]), sm) << method;
    EXPECT_EQ(copyOf(Csource), s) << method;
    EXPECT_EQ(copyOf(Cconc[1]), c) << method;
  }
}

// Slope 0.1 over 1 m: every column but the southmost row gets
// A = 0.6 / r x 0.1 x 2 Ckdist x 1 m/s x 1000 on its bottom cell's diagonal,
// and its south neighbour (the only lower one) A x Cconc_old as a source.
TEST(BedLoadVectors, OutflowAndLowerNeighbourSourceByHand) {
  for (int method : {2, 3, 4}) {
    VectorBox box(3, 3, 0.1);
    ASSERT_TRUE(box.ok);
    const auto ap = copyOf(Capm[1]), sm = copyOf(Csourcem[1]);
    runMethod(method);
    const double theta = 0.3 / (1.65 * 0.0005 * 9810.0);
    const double r = method == 3 ? std::sqrt(0.4 * theta * theta + 0.06) : std::sqrt(theta);
    int moved = 0;
    for (int b = 1; b <= NoBCells; ++b) {
      const int c = Bcellt[b];
      const double A = 0.6 / r * 0.1 * 2.0 * Ckdist[c] * 1000.0;
      if (VectorBox::row(c) == 1) {
        EXPECT_EQ(Capm[1][c], ap[c]) << method;
        continue;
      }
      ++moved;
      EXPECT_NEAR(Capm[1][c] - ap[c], A, 1e-9 * A) << method;
      const int s = Ccells[c];
      EXPECT_NEAR(Csourcem[1][s] - sm[s], A * Cconc_old[1][c], 1e-9 * A) << method;
    }
    EXPECT_EQ(moved, 6) << method;
  }
}

// 21..29 keep the sum of the sources and move them downslope (south);
// 21 only at the faces beside a boundary, so that nothing crosses between
// rows 2 and 3 of four.
TEST(BedLoadVectors, FaceSourcesKeepTheirSumAndGoDownslope) {
  auto centroid = [](const double* s) {
    double m = 0.0, y = 0.0;
    for (int c = 1; c <= NoCells; ++c)
      if (Ccellb[c] == 0) {
        m += s[c];
        y += s[c] * Cycenter[c];
      }
    return y / m;
  };
  auto lowerHalf = [](const double* s) {
    double m = 0.0;
    for (int c = 1; c <= NoCells; ++c)
      if (VectorBox::row(c) <= 2) m += s[c];
    return m;
  };
  for (int method : {21, 22, 23, 29}) {
    VectorBox box(3, 4, 0.1);
    ASSERT_TRUE(box.ok);
    const double total = sum(Csourcem[1]), before = centroid(Csourcem[1]), half = lowerHalf(Csourcem[1]);
    runMethod(method);
    EXPECT_NEAR(sum(Csourcem[1]), total, 1e-12 * total) << method;
    EXPECT_LT(centroid(Csourcem[1]), before - 1e-3) << method;
    for (int c = 1; c <= NoCells; ++c) {
      EXPECT_GE(Csourcem[1][c], 0.0);
    }
    if (method == 21) {
      EXPECT_NEAR(lowerHalf(Csourcem[1]), half, 1e-12 * half);
    } else {
      EXPECT_GT(lowerHalf(Csourcem[1]), half + 1e-3) << method;
    }
  }
}

// One size with F 37 2 works on Csource; a still face moves nothing.
TEST(BedLoadVectors, OneSizeOnCsourceAndStillFaces) {
  VectorBox box(3, 4, 0.1, 2);
  ASSERT_TRUE(box.ok);
  const auto s0 = copyOf(Csource);
  const double total = sum(Csource);
  runMethod(23);
  EXPECT_NEAR(sum(Csource), total, 1e-12 * total);
  EXPECT_NE(copyOf(Csource), s0);
  for (int c = 1; c <= NoCells; ++c) Csource[c] = s0[c];
  for (int c = 1; c <= NoCells; ++c) Cxvel[c] = 0.0;
  runMethod(23);
  EXPECT_EQ(copyOf(Csource), s0);
}

// Methods whose factor is sqrt(theta) act as on a flat bed where the bottom
// cells have no turbulent energy; 3 and 23 still act.
TEST(BedLoadVectors, NoTurbulentEnergyIsAFlatBedForTheSquareRootMethods) {
  for (int method : {3, 4, 22, 23, 31, 34, 39}) {
    VectorBox box(3, 4, 0.2);
    ASSERT_TRUE(box.ok);
    for (int c = 1; c <= NoCells; ++c) Ckinen[c] = 0.0;
    const auto ap = copyOf(Capm[1]), sm = copyOf(Csourcem[1]);
    runMethod(method);
    const bool still = copyOf(Capm[1]) == ap && copyOf(Csourcem[1]) == sm;
    EXPECT_EQ(still, method != 3 && method != 23) << method;
  }
}

// 31..39 at a side boundary: the bottom cell of column (1, 2) loses
// X = 0.2 Capm of its lower neighbour (the limit) with its own old
// concentration, which enters that neighbour as a source; the neighbour's
// diagonal stays; columns away from the sides are untouched.
TEST(BedLoadVectors, BoundaryColumnsGiveToTheirLowerNeighbour) {
  VectorBox box(3, 3, 0.2);
  ASSERT_TRUE(box.ok);
  const auto ap = copyOf(Capm[1]), sm = copyOf(Csourcem[1]);
  runMethod(31);
  const int c = static_cast<int>(zval[block[1].i1][block[1].j1 + 1][0]);
  const int n = Ccells[c];
  ASSERT_GT(c, 0);
  ASSERT_GT(n, 0);
  ASSERT_EQ(Ccellw[c], 0);
  EXPECT_NEAR(Capm[1][c] - ap[c], 200.0, 1e-9);
  EXPECT_NEAR(Csourcem[1][n] - sm[n], 200.0 * Cconc_old[1][c], 1e-9);
  EXPECT_EQ(Capm[1][n], ap[n]);
  const int middle = static_cast<int>(zval[block[1].i1 + 1][block[1].j1 + 1][0]);
  EXPECT_EQ(Capm[1][middle], ap[middle]);
}

// 200 keeps the sum of C Cvol; with two columns per row the north one
// gives f = 0.6 x 0.05 / sqrt(0.4 theta^2 + 0.06) of its concentration twice
// (the forward and the backward pass); a huge F 78 value gives at most half
// per pair, a quarter kept after both passes.
TEST(BedLoadVectors, ExplicitConcentrationsKeepTheMassAndMoveAtMostHalf) {
  for (double param : {0.6, 100.0}) {
    VectorBox box(2, 2, 0.1);
    ASSERT_TRUE(box.ok);
    BedLoadVectorParam = param;
    const double mass = massOf();
    const auto before = copyOf(Cconc[1]);
    runMethod(200);
    EXPECT_NEAR(massOf(), mass, 1e-15 * mass + 1e-18) << param;
    const double theta = 0.3 / (9810.0 * 0.0005);
    const double f = std::min(param * 0.05 / std::sqrt(0.4 * theta * theta + 0.06), 0.5);
    if (param > 1.0) {
      EXPECT_EQ(f, 0.5);
    }
    std::vector<int> touched;
    for (int i = block[1].i1; i <= block[1].i2; ++i) {
      const int low = static_cast<int>(zval[i][block[1].j1][0]);
      const int high = static_cast<int>(zval[i][block[1].j1 + 1][0]);
      ASSERT_TRUE(low > 0 && high > 0);
      EXPECT_NEAR(Cconc[1][high], before[high] * (1.0 - f) * (1.0 - f), 1e-15) << param;
      EXPECT_GT(Cconc[1][low], before[low]);
      touched.push_back(low);
      touched.push_back(high);
    }
    for (int c = 1; c <= NoCells; ++c) {
      if (std::find(touched.begin(), touched.end(), c) == touched.end()) {
        EXPECT_EQ(Cconc[1][c], before[c]) << c;
      }
    }
  }
}
