// Residuals of the cell equations: the normalised sum of |imbalance| in its
// record and plain forms, the stencils, the fixed cells, the per-cell
// residual fields, the reports of large imbalances and the stop on a missing
// normalisation.
#include <gtest/gtest.h>
#include <omp.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "flow/cellequations.h"
#include "flow/control.h"
#include "flow/residual_hooks.h"
#include "state/log.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

// Nine cells in three columns of three, west to east, numbered from the
// bottom up:
//
//     3  6  9
//     2  5  8
//     1  4  7
//
// The field is phi[c] = c. Every cell starts balanced (no neighbour
// coefficients, ap 1, source phi[c]: r = 0); a test unbalances the cells it
// needs. All normalisations are 1 unless a test sets one.
class Residual : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::make_unique<InProjectDir>();
    setRunStateInitial();
    residualNClearPending();
    // Options that make the optional arrays exist: the residual fields
    // (F 153 1, the default), the second-neighbour and quasi-neighbour arrays.
    sou[1] = 1;
    QNFlag = 1;
    grid_.nx = 3, grid_.ny = 1, grid_.nz = 3;
    grid_.build();
    sou[1] = 0;
    QNFlag = 0;
    ASSERT_EQ(NoCells, 9);
    ASSERT_EQ(Ccelle[1], 4);
    ASSERT_EQ(Ccelle[4], 7);
    ASSERT_EQ(Ccellt[1], 2);
    ASSERT_EQ(Ccellt[2], 3);
    ASSERT_EQ(Ccellw[5], 2);
    ASSERT_EQ(Ccelln[5], 0);
    ASSERT_EQ(Ccells[5], 0);
    ASSERT_TRUE(Cxvel_res && Cpres_res && Caee && Cqnae && Cqnaee);
    ASSERT_GE(znumber, 4);
    WCStart = 1, WCEnd = NoCells;
    for (int e = 1; e <= 6; ++e) NormResidual[e] = 1.0;
    Equation = 1;
    for (int c = 1; c <= NoCells; ++c) Cf[c] = c;
    balanceAll();
    std::remove("boogie");  // the allocation lines
  }
  void TearDown() override {
    residualNClearPending();
    dir_.reset();
  }

  static void balance(int c) {
    Cae[c] = Caw[c] = Can[c] = Cas[c] = Cat[c] = Cab[c] = 0.0;
    Caee[c] = Caww[c] = Cann[c] = Cass[c] = Catt[c] = Cabb[c] = 0.0;
    Cncelle[c] = Cncellw[c] = Cncelln[c] = Cncells[c] = 0;
    Cap[c] = 1.0;
    Csource[c] = Cf[c];
  }
  static void balanceAll() {
    for (int c = 1; c <= NoCells; ++c) balance(c);
  }
  // Cell c gets imbalance r (no neighbour terms).
  static void unbalance(int c, double r) { Csource[c] = Cf[c] + r; }

  std::string boogie() const { return dir_->dir().boogie(); }

  std::unique_ptr<InProjectDir> dir_;
  SmallGrid grid_;
};

using ResidualDeathTest = Residual;

double* fieldOf(int eq) {
  double* f[] = {nullptr, Cxvel_res, Cyvel_res, Czvel_res, Cpres_res, Ckinen_res, Cepsilon_res};
  return f[eq];
}

// Coefficients of the first-order example:
//   cell 4 (w 1, e 7, t 5, no b): ae 2, aw 3, at 0.5, ab 7, S 1, ap 10
//     r4 = 2*7 + 3*1 + 0.5*5 + 7*0 + 1 - 10*4 = -19.5
//   cell 5 (w 2, e 8, b 4, t 6, no n): ae 1, aw 1, ab 1, at 2, an 100, S 0, ap 1
//     r5 = 8 + 2 + 4 + 2*6 + 100*0 - 5 = 21
//   sum |r| = 40.5
void firstOrderExample() {
  Cae[4] = 2, Caw[4] = 3, Cat[4] = 0.5, Cab[4] = 7, Csource[4] = 1, Cap[4] = 10;
  Cae[5] = 1, Caw[5] = 1, Cab[5] = 1, Cat[5] = 2, Can[5] = 100, Csource[5] = 0, Cap[5] = 1;
}

}  // namespace

// A field that satisfies its equations exactly: phi = x (1, 2, 3 by
// column), constant up each column. Interior columns ae = aw = 1, ap = 2;
// the west column only ae = 1, ap = 1, S = phi - phi_e = -1; the east
// column only aw = 1, ap = 1, S = +1; at = ab = 1 between cells of a
// column, added to ap.
TEST_F(Residual, ExactSolutionGivesZero) {
  for (int c = 1; c <= NoCells; ++c) {
    const int column = (c - 1) / 3 + 1;
    Cf[c] = column;
    Cae[c] = column < 3 ? 1.0 : 0.0;
    Caw[c] = column > 1 ? 1.0 : 0.0;
    Cat[c] = Ccellt[c] ? 1.0 : 0.0;
    Cab[c] = Ccellb[c] ? 1.0 : 0.0;
    Cap[c] = Cae[c] + Caw[c] + Cat[c] + Cab[c];
    Csource[c] = column == 1 ? -1.0 : column == 3 ? 1.0 : 0.0;
  }
  for (int form : {1, 0}) {
    FlagResidual = form;
    for (int c = 1; c <= NoCells; ++c) Cxvel_res[c] = 7.0;
    MaxResidual[1] = 0.0;
    EXPECT_EQ(residual(1, NoCells), 0.0) << "F 153 " << form;
    EXPECT_EQ(residualN(1, NoCells), 0.0) << "F 153 " << form;
    for (int c = 1; c <= NoCells; ++c)
      EXPECT_EQ(Cxvel_res[c], form == 1 ? 0.0 : 7.0) << "F 153 " << form << " cell " << c;
  }
}

// The first-order example in every equation with a stencil: the sum over
// the normalisation 2 is 40.5 / 2 = 20.25, added to what the entry held; the
// record form writes r / ap into the field of the equation (-19.5 / 10 and
// 21 / 1), the plain form leaves the field alone.
TEST_F(Residual, FirstOrderImbalanceByHand) {
  for (int form : {1, 0})
    for (int eq : {1, 2, 3, 5, 6}) {
      balanceAll();
      firstOrderExample();
      FlagResidual = form;
      Equation = eq;
      NormResidual[eq] = 2.0;
      MaxResidual[eq] = 1.0;
      for (int e = 1; e <= 6; ++e)
        for (int c = 1; c <= NoCells; ++c) fieldOf(e)[c] = -7.0;
      EXPECT_DOUBLE_EQ(residual(1, NoCells), 21.25) << "eq " << eq << " form " << form;
      EXPECT_DOUBLE_EQ(MaxResidual[eq], 21.25);
      EXPECT_DOUBLE_EQ(residualN(1, NoCells), 20.25);
      EXPECT_DOUBLE_EQ(MaxResidual[eq], 21.25) << "residualN leaves the entry alone";
      // A second call adds to the entry again.
      EXPECT_DOUBLE_EQ(residual(1, NoCells), 41.5);
      for (int e = 1; e <= 6; ++e) {
        const bool own = form == 1 && e == eq;
        EXPECT_DOUBLE_EQ(fieldOf(e)[4], own ? -1.95 : -7.0) << "eq " << eq << " field " << e;
        EXPECT_DOUBLE_EQ(fieldOf(e)[5], own ? 21.0 : -7.0) << "eq " << eq << " field " << e;
        EXPECT_DOUBLE_EQ(fieldOf(e)[6], own ? 0.0 : -7.0) << "eq " << eq << " field " << e;
      }
      NormResidual[eq] = 1.0;
    }
}

// Only the cells of the range count: cells 4..4 give |r4| = 19.5, cells
// 5..9 give |r5| = 21, and the record form writes the field of the range
// alone.
TEST_F(Residual, OnlyTheRangeCounts) {
  firstOrderExample();
  for (int c = 1; c <= NoCells; ++c) Cxvel_res[c] = -7.0;
  EXPECT_DOUBLE_EQ(residualN(5, 9), 21.0);
  EXPECT_DOUBLE_EQ(Cxvel_res[5], 21.0);
  EXPECT_EQ(Cxvel_res[4], -7.0);
  EXPECT_DOUBLE_EQ(residualN(4, 4), 19.5);
  EXPECT_DOUBLE_EQ(Cxvel_res[4], -1.95);
  EXPECT_EQ(Cxvel_res[3], -7.0);
}

// Cell 4 of the example with phi[4] = 0, so that r4 = 2*7 + 3*1 + 0.5*5 + 1
// = 20.5 whatever its ap; cell 5 (below it cell 4) then has
// r5 = 8 + 2 + 1*0 + 2*6 - 5 = 17. A cell whose ap is 1e15 or more holds a
// fixed value: it adds nothing and keeps its field.
TEST_F(Residual, FixedCellsAreLeftOut) {
  struct Row {
    int form;
    double ap;
    double sum;
    bool counted;
  };
  const Row rows[] = {{1, 1e30, 17.0, false}, {1, 1e15, 17.0, false}, {1, 9.99e14, 37.5, true},
                      {0, 1e30, 17.0, false}, {0, 1e15, 17.0, false}, {0, 9.99e14, 37.5, true}};
  for (const Row& k : rows) {
    balanceAll();
    firstOrderExample();
    Cf[4] = 0.0;
    Cap[4] = k.ap;
    FlagResidual = k.form;
    Cxvel_res[4] = 99.0;
    MaxResidual[1] = 0.0;
    EXPECT_DOUBLE_EQ(residual(1, NoCells), k.sum) << "form " << k.form << " ap " << k.ap;
    EXPECT_DOUBLE_EQ(residualN(1, NoCells), k.sum) << "form " << k.form << " ap " << k.ap;
    const double field = k.form == 1 && k.counted ? 20.5 / k.ap : 99.0;
    EXPECT_DOUBLE_EQ(Cxvel_res[4], field) << "form " << k.form << " ap " << k.ap;
  }
  Cf[4] = 4.0;
}

// Continuity, record form: the field gets the mass defect of every cell,
// fixed ones too, and S = sum |defect| = 2 + 3 + 0.5 + 0 + 1 + 4 = 10.5.
// residual takes GlobFluxDefect off before dividing by the normalisation
// 0.5; residualN does not. The plain form sums without the subtraction.
TEST_F(Residual, ContinuityRecordForm) {
  const double defect[10] = {0, 2, -3, 0.5, 0, -1, 4, 0, 0, 0};
  for (int c = 1; c <= NoCells; ++c) Csource[c] = defect[c];
  Cap[2] = 1e30;  // a fixed cell still counts here
  Equation = 4;
  NormResidual[4] = 0.5;
  struct Row {
    int form;
    double fluxDefect, serial, chunk;
  };
  const Row rows[] = {{1, 1.5, (10.5 - 1.5) / 0.5, 21.0}, {1, 20.0, (10.5 - 20.0) / 0.5, 21.0}, {0, 1.5, 21.0, 21.0}};
  for (const Row& k : rows) {
    FlagResidual = k.form;
    GlobFluxDefect = k.fluxDefect;
    MaxResidual[4] = 0.0;
    for (int c = 1; c <= NoCells; ++c) Cpres_res[c] = 99.0;
    EXPECT_DOUBLE_EQ(residual(1, NoCells), k.serial) << "form " << k.form << " defect " << k.fluxDefect;
    EXPECT_DOUBLE_EQ(residualN(1, NoCells), k.chunk) << "form " << k.form << " defect " << k.fluxDefect;
    for (int c = 1; c <= NoCells; ++c) EXPECT_EQ(Cpres_res[c], k.form == 1 ? defect[c] : 99.0) << "cell " << c;
  }
}

// An empty range sums nothing: 0, or -GlobFluxDefect for continuity in the
// record form of residual (-1.5 / 0.5).
TEST_F(Residual, EmptyRange) {
  firstOrderExample();
  MaxResidual[1] = MaxResidual[4] = 0.0;
  EXPECT_EQ(residual(5, 4), 0.0);
  EXPECT_EQ(residualN(5, 4), 0.0);
  Equation = 4;
  NormResidual[4] = 0.5;
  GlobFluxDefect = 1.5;
  EXPECT_DOUBLE_EQ(residual(5, 4), -3.0);
  EXPECT_EQ(residualN(5, 4), 0.0);
}

// Second-order stencil (K 6 sou 1) by hand, phi = c:
//   cell 1 (e 4, ee 7, t 2, tt 3): ae 1, aee 2, at 3, att 4, ann 1000 (no
//   n), ap 5, S 0.5
//     first order  r1 = 1*4 + 3*2 + 0.5 - 5*1 = 5.5
//     second order r1 = 5.5 + 2*7 + 4*3 = 31.5
//   cell 9 (w 6, ww 3, b 8, bb 7): aw 1, aww 2, ab 0.5, abb 1, ap 2
//     first order  r9 = 6 + 0.5*8 - 2*9 = -8
//     second order r9 = -8 + 2*3 + 1*7 = 5
// Sums 13.5 and 36.5. The sou of the equation in force decides.
TEST_F(Residual, SecondOrderStencilByHand) {
  Cae[1] = 1, Caee[1] = 2, Cat[1] = 3, Catt[1] = 4, Cann[1] = 1000, Cap[1] = 5, Csource[1] = 0.5;
  Caw[9] = 1, Caww[9] = 2, Cab[9] = 0.5, Cabb[9] = 1, Cap[9] = 2, Csource[9] = 0;
  struct Row {
    int form, eq, sou1, sou2;
    double sum;
  };
  const Row rows[] = {{1, 1, 0, 0, 13.5}, {1, 1, 1, 0, 36.5}, {0, 1, 0, 0, 13.5},
                      {0, 1, 1, 0, 36.5}, {1, 1, 0, 1, 13.5}, {0, 1, 0, 1, 13.5},
                      {1, 2, 0, 1, 36.5}, {0, 2, 0, 1, 36.5}, {1, 2, 1, 0, 13.5}};
  for (const Row& k : rows) {
    FlagResidual = k.form;
    Equation = k.eq;
    sou[1] = k.sou1;
    sou[2] = k.sou2;
    MaxResidual[k.eq] = 0.0;
    EXPECT_DOUBLE_EQ(residual(1, NoCells), k.sum) << "form " << k.form << " eq " << k.eq << " sou " << k.sou1 << k.sou2;
    EXPECT_DOUBLE_EQ(residualN(1, NoCells), k.sum)
        << "form " << k.form << " eq " << k.eq << " sou " << k.sou1 << k.sou2;
    if (k.form == 1) {
      double* field = fieldOf(k.eq);
      EXPECT_DOUBLE_EQ(field[1], (k.sum > 20 ? 31.5 : 5.5) / 5.0);
      EXPECT_DOUBLE_EQ(field[9], (k.sum > 20 ? 5.0 : -8.0) / 2.0);
    }
  }
}

// Quasi-neighbour sides (F 137) by hand, phi = c:
//   cell 1: east list of 2 cells from 4 (cells 4, 5) with qn coefficients
//     2, 3 and second coefficients 0.5, 1 (cells east of 4 and 5: 7, 8);
//     ae 100 and aee 50 are not used by the list; at 1 (t 2), att 7 (tt 3),
//     ap 1.
//     quasi first  r1 = 2*4 + 3*5 + 1*2 - 1 = 24
//     quasi second r1 = 24 + 0.5*7 + 1*8 + 7*3 = 56.5 (att counts as the
//     diagonal holds it: a uniform field must leave no imbalance)
//     plain first  r1 = 100*4 + 1*2 - 1 = 401
//     plain second r1 = 401 + 50*7 + 7*3 = 772
//   cell 7: west side without list: aw 1 (w 4), aww 2 (ww 1), ap 1
//     first r7 = 4 - 7 = -3, second r7 = 4 + 2 - 7 = -1 (both stencils)
//   cell 8: west list of 1 cell from 5, qn 2, second 1 (west of 5: 2);
//     aw 100 (w 5), ap 1
//     quasi first 2*5 - 8 = 2, quasi second 2 + 1*2 = 4, plain 100*5 - 8 = 492
//   cell 3: north list of 1 cell from 6, qn 2, second 1 (north of 6: none);
//     an 10 (no n), ap 1
//     quasi 2*6 - 3 = 9 (both), plain 10*0 - 3 = -3
//   cell 6: south list of 1 cell from 2, qn 4, second 1 (south of 2: none),
//     ap 1
//     quasi 4*2 - 6 = 2 (both), plain -6
// Sums: quasi first 24+3+2+9+2 = 40, quasi second 56.5+1+4+9+2 = 72.5,
// first 401+3+492+3+6 = 905, second 772+1+492+3+6 = 1274. The record form
// (F 153 1) takes the lists as the plain form does: a side with a list has
// its ordinary coefficient at 0 in a real equation, so without them the
// residual of a solved field would never reach 0.
TEST_F(Residual, QuasiNeighbourStencilsByHand) {
  Cncelle[1] = 2, Cqncelle[1][0] = 4;
  Cqnae[1][0] = 2, Cqnae[1][1] = 3, Cqnae[1][2] = 1, Cqnae[1][3] = 1;
  Cqnaee[1][0] = 0.5, Cqnaee[1][1] = 1;
  Cae[1] = 100, Caee[1] = 50, Cat[1] = 1, Catt[1] = 7, Csource[1] = 0;
  Caw[7] = 1, Caww[7] = 2, Csource[7] = 0;
  Cncellw[8] = 1, Cqncellw[8][0] = 5, Cqnaw[8][0] = 2, Cqnaww[8][0] = 1, Caw[8] = 100, Csource[8] = 0;
  Cncelln[3] = 1, Cqncelln[3][0] = 6, Cqnan[3][0] = 2, Cqnann[3][0] = 1, Can[3] = 10, Csource[3] = 0;
  Cncells[6] = 1, Cqncells[6][0] = 2, Cqnas[6][0] = 4, Cqnass[6][0] = 1, Csource[6] = 0;
  struct Row {
    int form, sou1, qn;
    double sum;
  };
  const Row rows[] = {{0, 0, 1, 40.0},  {0, 1, 1, 72.5},  {1, 0, 1, 40.0},  {1, 1, 1, 72.5},
                      {0, 0, 0, 905.0}, {0, 1, 0, 1274.0}, {1, 0, 0, 905.0}, {1, 1, 0, 1274.0}};
  for (const Row& k : rows) {
    FlagResidual = k.form;
    sou[1] = k.sou1;
    QNFlag = k.qn;
    MaxResidual[1] = 0.0;
    EXPECT_DOUBLE_EQ(residual(1, NoCells), k.sum) << "form " << k.form << " sou " << k.sou1 << " qn " << k.qn;
    EXPECT_DOUBLE_EQ(residualN(1, NoCells), k.sum) << "form " << k.form << " sou " << k.sou1 << " qn " << k.qn;
    if (k.form == 1 && k.qn == 1) {
      // The residual field holds r / ap of the list stencil (ap 1).
      EXPECT_DOUBLE_EQ(Cxvel_res[1], k.sou1 == 1 ? 56.5 : 24.0);
      EXPECT_DOUBLE_EQ(Cxvel_res[8], k.sou1 == 1 ? 4.0 : 2.0);
    }
  }
}

// A list count beyond the width of the lists (znumber = 4 here) reads the
// four listed cells 4..7 and no further: r1 = 2*4 + 3*5 + 1*6 + 1*7 + 1*2 - 1
// = 37, the only imbalance. (Cell 2 has no lists: its row of coefficients,
// next to the row of cell 1, counts for nothing.)
TEST_F(Residual, QuasiNeighbourCountBeyondTheListWidth) {
  ASSERT_EQ(znumber, 4);
  Cncelle[1] = 1000, Cqncelle[1][0] = 4;
  Cqnae[1][0] = 2, Cqnae[1][1] = 3, Cqnae[1][2] = 1, Cqnae[1][3] = 1;
  Cqnae[2][0] = Cqnae[2][1] = 1000;
  Cat[1] = 1, Csource[1] = 0;
  FlagResidual = 0;
  QNFlag = 1;
  EXPECT_DOUBLE_EQ(residualN(1, NoCells), 37.0);
  // A list that starts beyond the last cell reads nothing of it: r1 = 2 - 1.
  Cqncelle[1][0] = 10;
  EXPECT_DOUBLE_EQ(residualN(1, NoCells), 1.0);
}

// The chunks of a parallel region add up to the serial sum (u), and the
// residual field is the same.
TEST_F(Residual, ChunkSumsEqualTheSerialSum) {
  for (int c = 1; c <= NoCells; ++c) {
    Cae[c] = 0.5 + 0.1 * c, Caw[c] = 1.5 - 0.05 * c, Cat[c] = 0.3 * (c % 3), Cab[c] = 0.7;
    Cap[c] = 2.0 + 0.01 * c * c;
    Csource[c] = (c % 2 ? 1.0 : -2.0) * c;
  }
  Cap[6] = 1e30;
  MaxResidual[1] = 0.0;
  const double serial = residual(1, NoCells);
  double field[10];
  for (int c = 1; c <= NoCells; ++c) field[c] = Cxvel_res[c], Cxvel_res[c] = 0.0;
  for (int chunks : {1, 2, 4, 9}) {
    NoProcessesSolver = chunks;
    computeChunkSizes();
    std::atomic<double> total{0.0};
    forEachChunk([&total](int p) {
      int lo, hi;
      cellChunk(p, lo, hi);
      const double r = residualN(lo, hi);
      double t = total.load();
      while (!total.compare_exchange_weak(t, t + r)) {
      }
    });
    EXPECT_NEAR(total.load(), serial, 1e-12 * serial) << chunks << " chunks";
    for (int c = 1; c <= NoCells; ++c) EXPECT_DOUBLE_EQ(Cxvel_res[c], field[c]) << "cell " << c;
  }
}

// Report limit L = max(F 38 * norm / NoCells, 0.01), NoCells = 9. In the
// plain forms a cell of u is reported when |r| > L or |r| > 10000, a
// continuity cell when its |defect| > L alone; the record form, the
// quasi-neighbour stencils and fixed cells report nothing. The cell (5,
// phi 5) still counts in the sum.
TEST_F(Residual, LargeResidualReports) {
  struct Row {
    const char* name;
    int eq, form, sou1, qn;
    double limitInput, norm, ap, r;
    const char* line;  // nullptr: not reported
  };
  const Row rows[] = {
      {"above L = 90*1/9", 1, 0, 0, 0, 90, 1, 1, 10.5, "Large residual for f(5,1) : 10.5, value: 5.000000\n"},
      {"below L", 1, 0, 0, 0, 90, 1, 1, 9.5, nullptr},
      {"L of the equation's norm 45*2/9", 2, 0, 0, 0, 45, 2, 1, 10.5,
       "Large residual for f(5,2) : 10.5, value: 5.000000\n"},
      {"below L of the equation's norm", 2, 0, 0, 0, 45, 2, 1, 9.5, nullptr},
      {"L floor 0.01", 1, 0, 0, 0, 0, 1, 1, 0.02, "Large residual for f(5,1) : 0.02, value: 5.000000\n"},
      {"below the floor", 1, 0, 0, 0, 0, 1, 1, 0.005, nullptr},
      {"above 10000", 1, 0, 0, 0, 1e12, 1, 1, 10001, "Large residual for f(5,1) : 10001, value: 5.000000\n"},
      {"negative, above 10000", 1, 0, 0, 0, 1e12, 1, 1, -10001, "Large residual for f(5,1) : 10001, value: 5.000000\n"},
      {"below 10000", 1, 0, 0, 0, 1e12, 1, 1, 9999, nullptr},
      {"second order above 10000", 1, 0, 1, 0, 1e12, 1, 1, 10001,
       "Large residual for f(5,1) : 10001, value: 5.000000\n"},
      {"k above 10000", 5, 0, 0, 0, 1e12, 1, 1, 10001, "Large residual for f(5,5) : 10001, value: 5.000000\n"},
      {"fixed cell", 1, 0, 0, 0, 0, 1, 1e30, 20000, nullptr},
      {"record form", 1, 1, 0, 0, 0, 1, 1, 20000, nullptr},
      {"quasi-neighbour first order", 1, 0, 0, 1, 0, 1, 1, 20000, nullptr},
      {"quasi-neighbour second order", 1, 0, 1, 1, 0, 1, 1, 20000, nullptr},
      {"continuity above L", 4, 0, 0, 0, 90, 1, 1, 10.5, "Large residual for f(5,4) : 10.5, value: 5.000000\n"},
      {"continuity negative", 4, 0, 0, 0, 90, 1, 1, -10.5, "Large residual for f(5,4) : 10.5, value: 5.000000\n"},
      {"continuity below L", 4, 0, 0, 0, 90, 1, 1, 9.5, nullptr},
      {"continuity: 10000 does not count", 4, 0, 0, 0, 1e12, 1, 1, 20000, nullptr},
      {"continuity of a fixed cell", 4, 0, 0, 0, 90, 1, 1e30, 10.5,
       "Large residual for f(5,4) : 10.5, value: 5.000000\n"},
      {"continuity record form", 4, 1, 0, 0, 0, 1, 1, 20000, nullptr},
  };
  for (const Row& k : rows) {
    std::remove("boogie");
    balanceAll();
    if (k.eq == 4)
      for (int c = 1; c <= NoCells; ++c) Csource[c] = 0.0;
    Equation = k.eq;
    FlagResidual = k.form;
    sou[k.eq] = k.sou1;
    QNFlag = k.qn;
    InputErrorLimit = k.limitInput;
    NormResidual[k.eq] = k.norm;
    Cap[5] = k.ap;
    Csource[5] = k.eq == 4 ? k.r : Cf[5] * k.ap + k.r;
    MaxResidual[k.eq] = 0.0;
    const double sum = residual(1, NoCells);
    const std::string log = boogie();
    EXPECT_EQ(log, k.line ? k.line : "") << k.name;
    if (k.ap < 1e15 || k.eq == 4) {
      EXPECT_NEAR(sum, std::fabs(k.r) / k.norm, 1e-9) << k.name;
    }
    sou[k.eq] = 0;
    NormResidual[k.eq] = 1.0;
  }
}

namespace {

// Fields of the dump, distinct per cell; cell 0 keeps 0.
void dumpFields() {
  for (int c = 1; c <= NoCells; ++c) {
    Cxvel[c] = 10.0 * c, Cyvel[c] = c + 0.5, Czvel[c] = -c, Ckinen[c] = 0.1 * c, Cepsilon[c] = 100.0 * c;
    Cgamma[c] = 2.0 * c, Cpres[c] = 1000.0 * c, CinvAp[c] = c;
    Cvol[c] = 3.0 * c, Cidist[c] = c, Cjdist[c] = 10.0 + c, Ckdist[c] = 0.5 * c, Cconc[0][c] = 0.25 * c;
  }
  for (int f = 0; f <= NoSurfaces; ++f) Fflagflow[f] = 0, Fflux[f] = 0.0, Farea[f] = 0.0;
  // The faces of cell 5.
  Farea[Cflatew[5]] = 1.5, Farea[Cflatee[5]] = 2.5, Farea[Cflaten[5]] = 3.5, Farea[Cflates[5]] = 4.5;
  Fflux[Cflatew[5]] = 1, Fflux[Cflatee[5]] = 2, Fflux[Cflaten[5]] = 3, Fflux[Cflates[5]] = 4;
  Fflux[Cflateb[5]] = 5, Fflux[Cflatet[5]] = 6;
  Fflagflow[Cflatet[5]] = 7, Fflagflow[Cflateb[5]] = 3;
  TurbDensFlag = 2, TurbulenceModel = 6, MinGamma = 0.001, ArtEddyVisc = 0.5;
  debugging = 'E';
  InputErrorLimit = 0;  // L = 0.01
  FlagResidual = 0;
}

// The dump of cell 5 (w 2, e 8, no n or s, b 4, t 6) in the first-order
// form: r5 = ae 2 * 8 + aw 1 * 2 + at 3 * 6 + ab 4 * 4 - 5 = 47.
const char* const kFirstOrderDump =
    "Large residual for f(5,1) : 47, value: 5.000000\n"
    "Source, ap, anb = 0 1 1 2 0 0 3 4\n"
    "Vol, Ckdist, areas: 15 2.5 1.5 2.5 3.5 4.5\n"
    "InvAp: 5 2 8 0 0 4 6\n"
    "Fluxes: 1 2 3 4 5 6\n"
    "X-velocities: 50 20 80 0 0 40 60\n"
    "Y-velocities: 5.5 2.5 8.5 0 0 4.5 6.5\n"
    "Z-velocities: -5 -2 -8 0 0 -4 -6\n"
    "kinen: 0.5 0.2 0.8 0 0 0.4 0.6\n"
    "epsilon: 500 200 800 0 0 400 600\n"
    "gamma: 10 4 16 0 0 8 12\n"
    "Pressure: 5000 2000 8000 0 0 4000 6000\n"
    "TurbDensFlag: 2, TurbulenceModel 6, MinGamma 0.001, ArtEddyVisc 0.5\n"
    "Eps-data central: 0 0 0 0 7 3 5 15 2.5 1.25\n"
    "Eps-data west: 0 0 0 0 0 0 2 12 1 0.5\n"
    "Eps-data east: 0 0 0 0 0 0 8 18 4 2\n"
    "Eps-data north: 0 0 0 0 0 0 0 0 0 0\n"
    "Eps-data south: 0 0 0 0 0 0 0 0 0 0\n\n";

// The same cell as a continuity cell with defect 47: five values where the
// lines list neighbours (c, w, e, n, s) and no pressure line.
const char* const kContinuityDump =
    "Large residual for f(5,4) : 47, value: 5.000000\n"
    "Source, ap, anb = 47 1 1 2 0 0 3 4\n"
    "Vol, Ckdist, areas: 15 2.5 1.5 2.5 3.5 4.5\n"
    "InvAp: 5 2 8 0 0\n"
    "Fluxes: 1 2 3 4 5 6\n"
    "X-velocities: 50 20 80 0 0\n"
    "Y-velocities: 5.5 2.5 8.5 0 0\n"
    "Z-velocities: -5 -2 -8 0 0\n"
    "kinen: 0.5 0.2 0.8 0 0\n"
    "epsilon: 500 200 800 0 0\n"
    "gamma: 10 4 16 0 0\n"
    "TurbDensFlag: 2, TurbulenceModel 6, MinGamma 0.001, ArtEddyVisc 0.5\n"
    "Eps-data central: 0 0 0 0 7 3 5 15 2.5 1.25\n"
    "Eps-data west: 0 0 0 0 0 0 2 12 1 0.5\n"
    "Eps-data east: 0 0 0 0 0 0 8 18 4 2\n"
    "Eps-data north: 0 0 0 0 0 0 0 0 0 0\n"
    "Eps-data south: 0 0 0 0 0 0 0 0 0 0\n\n";

}  // namespace

TEST_F(Residual, DumpLinesOfAFirstOrderCell) {
  dumpFields();
  Caw[5] = 1, Cae[5] = 2, Cat[5] = 3, Cab[5] = 4, Csource[5] = 0;
  residual(1, NoCells);
  EXPECT_EQ(boogie(), kFirstOrderDump);
  // Without debugging 'E' the report line alone.
  std::remove("boogie");
  debugging = 'N';
  residualN(1, NoCells);
  EXPECT_EQ(boogie(), "Large residual for f(5,1) : 47, value: 5.000000\n");
}

TEST_F(Residual, DumpLinesOfAContinuityCell) {
  dumpFields();
  for (int c = 1; c <= NoCells; ++c) Csource[c] = 0.0;
  Caw[5] = 1, Cae[5] = 2, Cat[5] = 3, Cab[5] = 4, Csource[5] = 47;
  Equation = 4;
  residual(1, NoCells);
  EXPECT_EQ(boogie(), kContinuityDump);
}

// The second-order form adds the second-neighbour coefficients after the
// source line and epsilon at the second neighbours (ww, ee, nn, ss, bb, tt)
// after the epsilon line. Cell 1 (e 4, ee 7, t 2, tt 3): ae 1, at 1,
// aee 0.5, att 0.25, ap 1: r1 = 4 + 2 + 0.5*7 + 0.25*3 - 1 = 9.25.
TEST_F(Residual, DumpLinesOfASecondOrderCell) {
  dumpFields();
  sou[1] = 1;
  Cae[1] = 1, Cat[1] = 1, Caee[1] = 0.5, Catt[1] = 0.25, Csource[1] = 0;
  residual(1, NoCells);
  const std::string log = boogie();
  EXPECT_EQ(log.rfind("Large residual for f(1,1) : 9.25, value: 1.000000\nSource, ap, anb = 0 1 0 1 0 0 1 0\n"
                      "anbb = 0 0.5 0 0 0.25 0\nVol, Ckdist, areas: 3 0.5 ",
                      0),
            0u)
      << log;
  EXPECT_NE(log.find("\nepsilon: 100 0 400 0 0 0 200\nepsilon,nbb: 0 700 0 0 0 300\ngamma: 2 0 8 0 0 0 4\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("\nPressure: 1000 0 4000 0 0 0 2000\n"), std::string::npos) << log;
  // The first-order dump has neither line.
  std::remove("boogie");
  sou[1] = 0;
  residual(1, NoCells);
  EXPECT_EQ(boogie().find("anbb"), std::string::npos);
  EXPECT_EQ(boogie().find("epsilon,nbb"), std::string::npos);
}

// ---- Missing normalisation ----

namespace {
const char* const kResidualError =
    "Error, residual not set for Equation no. %d\nThis error often occur when inflow discharges are not set.\n\n";
const char* const kResidualNError =
    "Error residual not set for equation %d\n"
    "This error often occurs when the inflow discharge is not set\n"
    "The discharge can be set in the DischargeEditor or on the F 237 data set in the control file\n"
    "Default discharge groups can be set on the F 314 data set in the control file\n\n";

std::string withEquation(const char* fmt, int eq) {
  char buf[512];
  std::snprintf(buf, sizeof buf, fmt, eq);
  return buf;
}
}  // namespace

// A normalisation of 1e-10 is set; below it the run stops (next tests).
TEST_F(Residual, NormalisationAtTheLimitIsSet) {
  firstOrderExample();
  NormResidual[1] = 1e-10;
  EXPECT_DOUBLE_EQ(residual(1, NoCells), 40.5 / 1e-10);
  EXPECT_DOUBLE_EQ(residualN(1, NoCells), 40.5 / 1e-10);
  residualNCheck();  // nothing recorded: returns
  EXPECT_EQ(boogie(), "");
}

TEST_F(ResidualDeathTest, ResidualStopsWithoutNormalisation) {
  GTEST_FLAG_SET(death_test_style, "fast");
  struct Row {
    int eq, first, last;
    double norm;
  };
  const Row rows[] = {{1, 1, 9, 0.0}, {3, 1, 9, 9.9e-11}, {4, 1, 9, 0.0}, {6, 5, 4, 0.0}};
  for (const Row& k : rows) {
    std::remove("boogie");
    Equation = k.eq;
    NormResidual[k.eq] = k.norm;
    EXPECT_EXIT(residual(k.first, k.last), ::testing::ExitedWithCode(2), "") << "eq " << k.eq;
    EXPECT_EQ(boogie(), withEquation(kResidualError, k.eq));
    NormResidual[k.eq] = 1.0;
  }
}

TEST_F(ResidualDeathTest, ResidualNOutsideARegionStopsAtOnce) {
  GTEST_FLAG_SET(death_test_style, "fast");
  struct Row {
    int eq, first, last;
  };
  const Row rows[] = {{2, 1, 9}, {4, 1, 9}, {5, 5, 4}};
  for (const Row& k : rows) {
    std::remove("boogie");
    Equation = k.eq;
    NormResidual[k.eq] = 0.0;
    EXPECT_EXIT(residualN(k.first, k.last), ::testing::ExitedWithCode(2), "") << "eq " << k.eq;
    EXPECT_EQ(boogie(), withEquation(kResidualNError, k.eq));
    NormResidual[k.eq] = 1.0;
  }
}

// In a parallel region every chunk returns 0 and the process goes on; the
// main thread reports the equation after the region and stops.
TEST_F(ResidualDeathTest, ResidualNInARegionStopsAfterTheRegion) {
  GTEST_FLAG_SET(death_test_style, "fast");
  firstOrderExample();
  Equation = 3;
  NormResidual[3] = 0.0;
  std::atomic<int> inactive{0}, nonZero{0}, calls{0};
#pragma omp parallel num_threads(4)
  {
    if (!omp_in_parallel()) {
      inactive = 1;
    } else {
      const int t = omp_get_thread_num();
      const int lo = 1 + 3 * t, hi = t == 3 ? 2 : lo + 2;  // thread 3: an empty chunk
      if (residualN(lo, hi) != 0.0) ++nonZero;
      ++calls;
    }
  }
  if (inactive) GTEST_SKIP() << "no parallel region with more than one thread here";
  EXPECT_EQ(calls, 4);
  EXPECT_EQ(nonZero, 0);
  EXPECT_EQ(residualNPending(), 3);
  EXPECT_EQ(boogie(), "");
  EXPECT_EXIT(residualNCheck(), ::testing::ExitedWithCode(2), "");
  EXPECT_EQ(boogie(), withEquation(kResidualNError, 3));
}

// The first equation recorded is the one reported.
TEST_F(Residual, FirstRecordedEquationWins) {
  std::atomic<int> inactive{0};
  for (int eq : {5, 2}) {
    Equation = eq;
    NormResidual[eq] = 0.0;
#pragma omp parallel num_threads(3)
    {
      if (!omp_in_parallel())
        inactive = 1;
      else
        residualN(1, NoCells);
    }
  }
  if (inactive) GTEST_SKIP() << "no parallel region with more than one thread here";
  EXPECT_EQ(residualNPending(), 5);
}
