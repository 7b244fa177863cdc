// The six-point relaxation gives, bit for bit, the plain point Gauss-Seidel
// rule: forward over the range, then backward, each cell taking
//   (ae fE + aw fW + an fN + as fS + at fT + ab fB + source) / ap
// summed in that order from the current field, whatever the cell numbering
// and wherever the range or the blocks of the parallel form cut a column.
// Also the side-code table of the face loops.
#include <gtest/gtest.h>
#include <omp.h>

#include <cmath>
#include <vector>

#include "solvers/share.h"
#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

// The rule itself, one cell at a time.
void referencePass(std::vector<double>& f, int first, int last) {
  auto cell = [&f](int c) {
    const double s = Cae[c] * f[Ccelle[c]] + Caw[c] * f[Ccellw[c]] + Can[c] * f[Ccelln[c]] + Cas[c] * f[Ccells[c]] +
                     Cat[c] * f[Ccellt[c]] + Cab[c] * f[Ccellb[c]] + Csource[c];
    f[c] = s / Cap[c];
  };
  for (int c = first; c <= last; ++c) cell(c);
  for (int c = last; c >= first; --c) cell(c);
}

// Uneven coefficients on every side, also towards missing neighbours (they
// read slot 0, which holds a value of its own), so that a value taken from
// the wrong cell or added in another order changes the result bits.
void assemble(std::vector<double>& f) {
  for (int c = 1; c <= NoCells; ++c) {
    Cae[c] = 0.11 + 0.013 * (c % 7);
    Caw[c] = 0.23 + 0.017 * (c % 5);
    Can[c] = 0.07 + 0.011 * (c % 3);
    Cas[c] = 0.19 + 0.003 * (c % 11);
    Cat[c] = 0.31 + 0.029 * (c % 4);
    Cab[c] = 0.43 + 0.007 * (c % 9);
    Csource[c] = std::sin(0.7 * c) + 0.3;
    Cap[c] = 1.3 * (Cae[c] + Caw[c] + Can[c] + Cas[c] + Cat[c] + Cab[c]);
  }
  f.assign(NoCells + 1, 0.0);
  f[0] = 0.625;
  for (int c = 1; c <= NoCells; ++c) f[c] = 0.1 * std::cos(1.3 * c);
}

// Columns numbered from the top down instead: the top neighbour of a cell
// is the cell before it, the bottom neighbour the cell after.
void numberColumnsDownward(const SmallGrid& g) {
  for (int c = 1; c <= NoCells; ++c) {
    const int k = (c - 1) % g.nz;  // 0 at the top
    Ccellt[c] = k > 0 ? c - 1 : 0;
    Ccellb[c] = k < g.nz - 1 ? c + 1 : 0;
  }
}

struct Range {
  const char* name;
  bool downward;  // column numbering from the top
  int first, last;
  int blocks;     // 0: serial form; else F 206 blocks on one thread
};

}  // namespace

TEST(SolverOrder, RelaxationFollowsThePlainRuleBitForBit) {
  // 3 x 2 columns of 5 cells: 30 cells. Ranges and blocks that start and
  // end inside columns (blocks of 30 cells on 4: 1..7, 8..14, 15..21, 22..30).
  const Range cases[] = {
      {"whole grid, columns upward", false, 1, 30, 0},
      {"range cut inside columns", false, 3, 27, 0},
      {"columns numbered downward", true, 1, 30, 0},
      {"four blocks, columns upward", false, 1, 30, 4},
      {"four blocks, columns downward", true, 1, 30, 4},
  };
  for (const Range& r : cases) {
    InProjectDir p;
    SmallGrid g;
    g.nx = 3, g.ny = 2, g.nz = 5;
    g.build();
    ASSERT_EQ(NoCells, 30);
    if (r.downward) numberColumnsDownward(g);
    std::vector<double> f, expected;
    assemble(f);
    expected = f;
    const int n = 3;
    sweeps[1] = n;
    Equation = 1;
    WCStart = r.first;
    WCEnd = r.last;
    NoProcessesSolver = r.blocks;
    if (r.blocks > 0) omp_set_num_threads(1);
    if (r.blocks == 0) {
      for (int sweep = 0; sweep < n; ++sweep) referencePass(expected, r.first, r.last);
    } else {
      // One thread relaxes the blocks one after the other, each with all
      // its sweeps.
      for (int b = 0; b < r.blocks; ++b) {
        int lo, hi;
        blockOfRange(r.first, r.last, r.blocks, b, lo, hi);
        for (int sweep = 0; sweep < n; ++sweep) referencePass(expected, lo, hi);
      }
    }
    Cf = f.data();
    solver();
    NoProcessesSolver = 0;
    for (int c = 0; c <= NoCells; ++c) EXPECT_EQ(f[c], expected[c]) << r.name << ", cell " << c;
  }
}

TEST(SolverOrder, SideCodesNameTheSixCoefficientArrays) {
  InProjectDir p;
  SmallGrid g;
  g.build();
  const SideCoefficients side;
  struct Row {
    int code;
    double* array;
  };
  const Row rows[] = {{1, Cas}, {2, Cae}, {3, Can}, {4, Caw}, {5, Cab}, {6, Cat},
                      {0, nullptr}, {7, nullptr}, {-1, nullptr}};
  for (const Row& r : rows) {
    EXPECT_EQ(side(r.code), r.array) << r.code;
    EXPECT_EQ(sideCoefficientArray(r.code), r.array) << r.code;
  }
}
