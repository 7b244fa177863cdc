// Block correction (K 5 values 1..3): one correction per grid line from the
// summed equations of its cells, j-lines first, then i-lines.
#include <gtest/gtest.h>
#include <omp.h>

#include <cmath>
#include <random>
#include <vector>

#include "flow/stages.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

// A grid of nx x ny columns, one cell each, with a diffusion equation:
// coefficient 1 toward every lateral side (at the grid's edge toward a wall
// held at 0), a sink of 0.1 on the diagonal, and the source that makes
// `exact` its solution.
struct Lines {
  InProjectDir dir;
  SmallGrid g;
  std::vector<double> exact;
  Lines(int nx, int ny, bool withSecond = false) {
    setRunStateInitial();
    if (withSecond) sou[1] = 1;
    g.nx = nx, g.ny = ny, g.nz = 1;
    g.build();
    Equation = 1;
    Cf = Cxvel;
    exact.assign(NoCells + 1, 0.0);
    for (int c = 1; c <= NoCells; ++c) exact[c] = std::sin(0.7 * c) + 0.1 * c;
    for (int c = 1; c <= NoCells; ++c) {
      Cae[c] = Caw[c] = Can[c] = Cas[c] = 1.0;
      Cat[c] = Cab[c] = 0.0;
      Cap[c] = Cae[c] + Caw[c] + Can[c] + Cas[c] + 0.1;
    }
    sources();
  }
  void sources() {
    auto x = [this](int c) { return c >= 1 && c <= NoCells ? exact[c] : 0.0; };
    for (int c = 1; c <= NoCells; ++c)
      Csource[c] = Cap[c] * exact[c] - Cae[c] * x(Ccelle[c]) - Caw[c] * x(Ccellw[c]) - Can[c] * x(Ccelln[c]) -
                   Cas[c] * x(Ccells[c]);
  }
  double worstError() const {
    double w = 0.0;
    for (int c = 1; c <= NoCells; ++c) w = std::max(w, std::fabs(Cxvel[c] - exact[c]));
    return w;
  }
};

}  // namespace

// A field that satisfies every cell equation stays as it is, per block and
// across blocks.
TEST(BlockCorrection, ExactFieldIsLeftUnchanged) {
  for (int method : {0, 1}) {
    Lines L(4, 3);
    BlockMethodFlag = method;
    for (int c = 1; c <= NoCells; ++c) Cxvel[c] = L.exact[c];
    BlockCorrection();
    EXPECT_LT(L.worstError(), 1e-12) << method;
  }
}

// A single row of cells: every i-line is one cell, so the i-line system is
// the row's own equation and the correction solves it exactly.
TEST(BlockCorrection, SolvesARowExactly) {
  for (int method : {0, 1}) {
    Lines L(7, 1);
    BlockMethodFlag = method;
    for (int c = 1; c <= NoCells; ++c) Cxvel[c] = 0.0;
    BlockCorrection();
    EXPECT_LT(L.worstError(), 1e-10) << method;
  }
}

// The change of the field is one constant per j-line plus one per i-line,
// also for a cell with a fixed value (Cap 1e30), which stays out of the sums
// but moves with its lines; the summed residual of every i-line is zero
// afterwards.
TEST(BlockCorrection, CorrectionIsConstantAlongLines) {
  for (int method : {0, 1}) {
    SCOPED_TRACE(method);
    Lines L(4, 3);
    BlockMethodFlag = method;
    const int fixed = L.g.cell(3, 3, 1);
    Cap[fixed] = 1e30;
    Csource[fixed] = 1e30 * L.exact[fixed];
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<double> before(NoCells + 1);
    for (int c = 1; c <= NoCells; ++c) before[c] = Cxvel[c] = u(rng);
    BlockCorrection();
    auto d = [&](int i, int j) {
      const int c = L.g.cell(i, j, 1);
      return Cxvel[c] - before[c];
    };
    for (int i = 2; i <= 5; ++i)
      for (int j = 2; j <= 4; ++j) EXPECT_NEAR(d(i, j) - d(i, 2) - d(2, j) + d(2, 2), 0.0, 1e-12) << i << " " << j;
    auto at = [](int c) { return c >= 1 && c <= NoCells ? Cxvel[c] : 0.0; };
    for (int i = 2; i <= 5; ++i) {
      double R = 0.0;
      for (int j = 2; j <= 4; ++j) {
        const int c = L.g.cell(i, j, 1);
        if (c == fixed) continue;
        R += Csource[c] - Cap[c] * Cxvel[c] + Cae[c] * at(Ccelle[c]) + Caw[c] * at(Ccellw[c]) +
             Can[c] * at(Ccelln[c]) + Cas[c] * at(Ccells[c]);
      }
      EXPECT_NEAR(R, 0.0, 1e-9) << i;
    }
  }
}

// A j-line without wet columns gets no correction: its cells (no longer
// reached from the columns) keep their values.
TEST(BlockCorrection, DryLineGetsNoCorrection) {
  Lines L(4, 3);
  for (int i = 2; i <= 5; ++i) zval[i][3][0] = 0;
  for (int c = 1; c <= NoCells; ++c) Cxvel[c] = 0.0;
  BlockCorrection();
  for (int i = 2; i <= 5; ++i) EXPECT_EQ(Cxvel[L.g.cell(i, 3, 1)], 0.0) << i;
  EXPECT_NE(Cxvel[L.g.cell(2, 2, 1)], 0.0);
}

// No correction with the second-order scheme (second neighbours present),
// with quasi-neighbour lists, or with an F 98 other than 0 and 1.
TEST(BlockCorrection, CasesWithoutCorrection) {
  struct Case {
    const char* name;
    void (*set)();
  };
  const Case cases[] = {{"second order", [] { sou[1] = 1; }},
                        {"lists", [] { QNFlag = 1; }},
                        {"F 98 2", [] { BlockMethodFlag = 2; }}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    Lines L(4, 3, true);
    sou[1] = 0;
    k.set();
    for (int c = 1; c <= NoCells; ++c) Cxvel[c] = 0.0;
    BlockCorrection();
    for (int c = 1; c <= NoCells; ++c) EXPECT_EQ(Cxvel[c], 0.0) << c;
  }
}

// Every sequence starts at P = Q = 0, whatever the work vectors hold and
// wherever the block's window starts.
TEST(BlockCorrection, SequencesStartFromZero) {
  auto run = [](double garbage) {
    Lines L(4, 4);
    block[1].j1 = 3;
    block[1].i1 = 3;
    for (int k = 0; k <= 6; ++k) Spt[k] = Sqt[k] = garbage;
    for (int c = 1; c <= NoCells; ++c) Cxvel[c] = 0.0;
    BlockCorrection();
    return std::vector<double>(Cxvel, Cxvel + NoCells + 1);
  };
  EXPECT_EQ(run(0.0), run(1000.0));
}

// F 98 1 strings the j-lines of all blocks into one sequence; more lines than
// the largest grid dimension fit (the work vectors grow), and the exact field
// stays.
TEST(BlockCorrection, ManyBlocksAcrossBlocks) {
  Lines L(2, 5);
  BlockMethodFlag = 1;
  NoBlocks = 4;
  for (int b = 2; b <= 4; ++b) block[b] = block[1];
  ASSERT_GT(4 * 5 + 2, std::max({xnumber, ynumber, znumber}) + 2);
  for (int c = 1; c <= NoCells; ++c) Cxvel[c] = L.exact[c];
  BlockCorrection();
  EXPECT_LT(L.worstError(), 1e-12);
  for (int b = 2; b <= 4; ++b) block[b] = BlockRecord{};
}

// An error that is constant along each j-line is exactly what the j-line
// system solves for: the j-lines remove it, and the i-lines then find
// nothing left.
TEST(BlockCorrection, RemovesAnErrorConstantAlongTheJLines) {
  for (int method : {0, 1}) {
    Lines L(3, 5);
    BlockMethodFlag = method;
    for (int i = 2; i <= 4; ++i)
      for (int j = 2; j <= 6; ++j) {
        const int c = L.g.cell(i, j, 1);
        Cxvel[c] = L.exact[c] + 0.3 * j * j;
      }
    BlockCorrection();
    EXPECT_LT(L.worstError(), 1e-10) << method;
  }
}

// Across blocks (F 98 1) the i-line i takes column (i, j) for every j of the
// blocks' windows; two blocks side by side share their j, and the column
// enters its line once: a row cut into two blocks is still solved exactly.
TEST(BlockCorrection, RowInTwoBlocksAcrossBlocks) {
  Lines L(6, 1);
  BlockMethodFlag = 1;
  NoBlocks = 2;
  block[2] = block[1];
  block[1].i2 = 4;
  block[2].i1 = 5;
  for (int c = 1; c <= NoCells; ++c) Cxvel[c] = 0.0;
  BlockCorrection();
  EXPECT_LT(L.worstError(), 1e-10);
  block[2] = BlockRecord{};
}

// With F 206 the line sums and the corrections of the lines are formed on
// all threads: the field is that of the correction on one thread, bit for
// bit, per block, across blocks, and where blocks share columns (their
// j-lines then correct those columns one after the other).
TEST(BlockCorrection, ThreadsGiveTheFieldOfOneThread) {
  const int kept = omp_get_max_threads();
  struct Case {
    int method, blocks;
  };
  for (const Case k : {Case{0, 1}, Case{1, 1}, Case{1, 3}}) {
    SCOPED_TRACE(testing::Message() << "method " << k.method << ", blocks " << k.blocks);
    std::vector<double> field[2];
    for (int pass = 0; pass < 2; ++pass) {
      Lines L(9, 7);
      BlockMethodFlag = k.method;
      NoBlocks = k.blocks;
      for (int b = 2; b <= k.blocks; ++b) block[b] = block[1];
      std::mt19937 rng(5);
      std::uniform_real_distribution<double> u(-1.0, 1.0);
      for (int c = 1; c <= NoCells; ++c) Cxvel[c] = u(rng);
      NoProcessesSolver = pass == 0 ? 0 : 4;
      omp_set_num_threads(pass == 0 ? 1 : 4);
      BlockCorrection();
      field[pass].assign(Cxvel, Cxvel + NoCells + 1);
      for (int b = 2; b <= k.blocks; ++b) block[b] = BlockRecord{};
      NoProcessesSolver = 0;
    }
    EXPECT_NE(field[0], std::vector<double>(field[0].size(), 0.0));
    EXPECT_EQ(field[0], field[1]);
  }
  omp_set_num_threads(kept);
}
