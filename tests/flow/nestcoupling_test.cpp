// Feedback of nested blocks to the coarse grid (F 261): the coarse values
// pulled to their fine cells after the solve, and the coupling terms of the
// forms 11..19 before it.
#include <gtest/gtest.h>

#include <cmath>

#include "flow/stages.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

// Block 1 (level 0): the coarse cells 1 and 2, 1 m3 each. Block 2 (level 1):
// the fine cells 3..6, 0.5 m3 each; 3 and 4 lie in cell 1, 5 in cell 2, 6 in
// no coarse cell (so cell 2 is half covered).
struct Nest {
  InProjectDir dir;
  SmallGrid g;
  Nest() {
    setRunStateInitial();
    g.nx = 3, g.ny = 1, g.nz = 2;
    g.build();
    if (!Cinterpolnest) allocate1(Cinterpolnest, static_cast<size_t>(NoCells) + 1);
    NoBlocks = 2;
    block[1].firstCell = 1, block[1].lastCell = 2, block[1].nestLevel = 0;
    block[2] = block[1];
    block[2].firstCell = 3, block[2].lastCell = 6, block[2].nestLevel = 1;
    nestlevmax = 1;
    Cvol[1] = Cvol[2] = 1.0;
    for (int c = 3; c <= 6; ++c) Cvol[c] = 0.5;
    Cinterpolnest[3] = Cinterpolnest[4] = 1;
    Cinterpolnest[5] = 2;
    Cinterpolnest[6] = 0;
    Cf = Cxvel;
    const double phi[7] = {0, 10, 20, 1, 3, 5, 7};
    for (int c = 1; c <= 6; ++c) {
      Cxvel[c] = phi[c];
      Cap[c] = 2.0;
      Csource[c] = 4.0;
    }
  }
  ~Nest() { block[2] = BlockRecord{}; }
};

}  // namespace

// r = 1: a fully covered coarse cell takes the volume-weighted mean of its
// fine cells; the half-covered one mixes in its own value for the uncovered
// half. r = 0.5 goes half way; r = 0 keeps the field but overwrites Cap and
// Csource with the work sums. Fine cells stay.
TEST(NestCoupling, CoarseCellsTakeTheMeanOfTheirFineCells) {
  struct Case {
    double r, c1, c2;
  };
  for (const Case k : {Case{1.0, 2.0, 12.5}, Case{0.5, 6.0, 16.25}, Case{0.0, 10.0, 20.0}}) {
    SCOPED_TRACE(k.r);
    Nest n;
    FlagCoupledNesting = 1;
    RelaxCoupledNesting = k.r;
    CoupledSolverNesting();
    EXPECT_NEAR(Cxvel[1], k.c1, 1e-12);
    EXPECT_NEAR(Cxvel[2], k.c2, 1e-12);
    EXPECT_EQ(Cap[1], 1.0);
    EXPECT_EQ(Csource[1], 0.5 * 1 + 0.5 * 3);
    for (int c = 3; c <= 6; ++c) EXPECT_EQ(Cxvel[c], c == 3 ? 1 : c == 4 ? 3 : c == 5 ? 5 : 7);
  }
}

// Without nested blocks nothing changes, in the after-solve form and in the
// forms 16, 17 and 11..15.
TEST(NestCoupling, WithoutNestingNothingChanges) {
  for (int mode : {1, 11, 15, 16, 17}) {
    SCOPED_TRACE(mode);
    Nest n;
    block[2].nestLevel = 0;
    nestlevmax = 0;
    FlagCoupledNesting = mode;
    RelaxCoupledNesting = 0.5;
    if (mode < 10)
      CoupledSolverNesting();
    else
      CoupledSolver2Nesting();
    for (int c = 1; c <= 6; ++c) {
      EXPECT_EQ(Cap[c], 2.0) << c;
      EXPECT_EQ(Csource[c], 4.0) << c;
    }
    EXPECT_EQ(Cxvel[1], 10.0);
  }
}

// The coupling terms, by hand, with r = 0.5 and parent Cap 2:
// 16: each fine cell adds its volume share of the parent's current Cap,
//     w = 0.5 * Cap / 1: 1 (Cap 3), then 1.5 (Cap 4.5);
// 17: only levels above 1: nothing here;
// 11: Cap / (1 - r) per fine cell (4, then 8), Csource += r phi Cap.
TEST(NestCoupling, CouplingTermsBeforeTheSolve) {
  struct Case {
    int mode;
    double cap1, source1;
  };
  const Case cases[] = {{16, 4.5, 4.0 + 0.5 * 1.0 * 1 + 0.5 * 1.5 * 3},
                        {17, 2.0, 4.0},
                        {11, 8.0, 4.0 + 0.5 * 1 * 4 + 0.5 * 3 * 8}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.mode);
    Nest n;
    FlagCoupledNesting = k.mode;
    RelaxCoupledNesting = 0.5;
    CoupledSolver2Nesting();
    EXPECT_NEAR(Cap[1], k.cap1, 1e-12);
    EXPECT_NEAR(Csource[1], k.source1, 1e-12);
  }
}

// 18: the coarse cell at interface faces with a negative first weight is
// pulled towards the mean of the fine cells there; 19: the covered share of
// the coarse source is replaced by the fine sources (levels 2 and up).
TEST(NestCoupling, InterfaceAndSourceTransferForms) {
  {
    Nest n;
    MaxNester = 4;
    ASSERT_TRUE(allocate1(Cpt, static_cast<size_t>(NoCells) + 1) && allocate1(Cqt, static_cast<size_t>(NoCells) + 1));
    ASSERT_TRUE(allocate2(Ncell, 4, 4) && allocate1(Npcelle, 4) && allocate2(Nweight, 4, 4));
    NoNestflater = 3;
    const int fine[4] = {0, 3, 4, 5};
    const double weight[4] = {0, -0.5, -0.5, 0.5};
    for (int f = 1; f <= 3; ++f) {
      Ncell[f][0] = 1;
      Npcelle[f] = fine[f];
      Nweight[f][0] = weight[f];
    }
    FlagCoupledNesting = 18;
    RelaxCoupledNesting = 0.5;
    CoupledSolver2Nesting();
    // Mean of cells 3 and 4 (face 3 has a positive weight): 2.
    EXPECT_NEAR(Csource[1], 4.0 + 0.5 * 2.0 * (2.0 - 10.0), 1e-12);
    EXPECT_EQ(Csource[2], 4.0);
    NoNestflater = 0;
  }
  {
    Nest n;
    ASSERT_TRUE(allocate1(Cpt, static_cast<size_t>(NoCells) + 1) && allocate1(Cqt, static_cast<size_t>(NoCells) + 1));
    block[2].nestLevel = 2;
    nestlevmax = 2;
    FlagCoupledNesting = 19;
    CoupledSolver2Nesting();
    // Cell 1: covered volume 1 of 1: its source becomes 4 + 4.
    EXPECT_NEAR(Csource[1], 8.0, 1e-12);
    // Cell 2: half covered: 4 * 0.5 + 4.
    EXPECT_NEAR(Csource[2], 6.0, 1e-12);
  }
}
