// The cell-equation solver: the sweep counts, the symmetric passes, fixed
// cells, the block division of the parallel form, and a Laplace problem
// driven to its exact linear answer serially and on four threads.
#include "solvers/solver.h"

#include <gtest/gtest.h>
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "solvers/share.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

// Diffusion with unit conductivity on the generated box: conductance
// area / distance on every inner face, the west edge held at 0 and the east
// edge at 1 (half-cell distance). The answer is phi = x / length exactly.
void assembleLaplace(double length, std::vector<double>& field) {
  for (int c = 0; c <= NoCells; ++c) Cap[c] = Cae[c] = Caw[c] = Can[c] = Cas[c] = Cat[c] = Cab[c] = Csource[c] = 0.0;
  for (int f = 1; f <= NoSurfaces; ++f) {
    const int c1 = Fcell1[f], c2 = Fcell2[f];
    if (c1 > 0 && c2 > 0) {
      const double a = Farea[f] / (Fdist1[f] + Fdist2[f]);
      sideCoefficientArray(Ftype1[f])[c1] = a;
      sideCoefficientArray(Ftype2[f])[c2] = a;
    } else if (c1 == 0 && c2 > 0 && Ftype2[f] == 4) {
      Cap[c2] += Farea[f] / Cidist[c2];  // held at 0
    } else if (c2 == 0 && c1 > 0 && Ftype1[f] == 2) {
      const double a = Farea[f] / Cidist[c1];  // held at 1
      Cap[c1] += a;
      Csource[c1] += a;
    }
  }
  for (int c = 1; c <= NoCells; ++c) Cap[c] += Cae[c] + Caw[c] + Can[c] + Cas[c] + Cat[c] + Cab[c];
  field.assign(NoCells + 1, 0.0);
  (void)length;
}

double maxError(const std::vector<double>& f, double length) {
  double e = 0.0;
  for (int c = 1; c <= NoCells; ++c) e = std::max(e, std::fabs(f[c] - Cxcenter[c] / length));
  return e;
}

}  // namespace

TEST(Solver, SweepCountsFollowTheEquation) {
  InProjectDir p;
  struct Case {
    int equation, k4, expected;
  };
  // Defaults: one sweep, the pressure correction five times three.
  EXPECT_EQ((Equation = 1, solverSweeps()), 1);
  EXPECT_EQ((Equation = 4, solverSweeps()), 15);
  EXPECT_EQ((Equation = 6, solverSweeps()), 1);
  const Case cases[] = {{1, 7, 7}, {4, 2, 6}, {5, 0, 0}};
  for (const Case& c : cases) {
    sweeps[c.equation] = c.k4;
    Equation = c.equation;
    EXPECT_EQ(solverSweeps(), c.expected) << c.equation;
  }
}

// Three cells in a row, ap 4, neighbours 1, sources 4, 0, 4, from zero.
// One symmetric sweep by hand: forward 1, 0.25, 1.0625; backward 1.0625,
// (1.0625 + 1) / 4 = 0.515625, (0.515625 + 4) / 4 = 1.12890625.
TEST(Solver, OneSymmetricSweepOfAChain) {
  InProjectDir p;
  SmallGrid g;
  g.nx = 3, g.ny = 1, g.nz = 1;
  g.build();
  std::vector<double> f(NoCells + 1, 0.0);
  auto assemble = [&] {
    for (int c = 1; c <= 3; ++c) {
      Cap[c] = 4.0;
      Cae[c] = Ccelle[c] ? 1.0 : 0.0;
      Caw[c] = Ccellw[c] ? 1.0 : 0.0;
      Can[c] = Cas[c] = Cat[c] = Cab[c] = 0.0;
    }
    Csource[1] = 4.0, Csource[2] = 0.0, Csource[3] = 4.0;
    std::fill(f.begin(), f.end(), 0.0);
    Cf = f.data();
  };
  assemble();
  Equation = 1;
  solver();
  EXPECT_DOUBLE_EQ(f[1], 1.12890625);
  EXPECT_DOUBLE_EQ(f[2], 0.515625);
  EXPECT_DOUBLE_EQ(f[3], 1.0625);

  // No sweeps leave the field alone.
  assemble();
  sweeps[1] = 0;
  solver();
  EXPECT_EQ(f[1], 0.0);
  EXPECT_EQ(f[3], 0.0);

  // The pressure correction with K 4 value 1 makes three sweeps: the same
  // as three sweeps of a velocity, not one.
  assemble();
  sweeps[1] = 3;
  solver();
  const std::vector<double> three = f;
  assemble();
  sweeps[4] = 1;
  Equation = 4;
  solver();
  EXPECT_EQ(f, three);
  EXPECT_NE(f[2], 0.515625);
}

TEST(Solver, FixedCellKeepsItsValueWhateverItsNeighbours) {
  InProjectDir p;
  const FlowGrid g = FlowGrid::box();
  ASSERT_TRUE(g.build());
  std::vector<double> f;
  assembleLaplace(g.nx, f);
  const int held = NoCells / 2;
  Cap[held] += 1e30;
  Csource[held] += 1e30 * 7.0;
  Cf = f.data();
  Equation = 1;
  sweeps[1] = 20;
  solver();
  EXPECT_NEAR(f[held], 7.0, 1e-12);
}

// The example of the block division: 1002 cells from cell 1 on four blocks,
// ten cells on three, and fewer cells than blocks.
TEST(Solver, BlocksOfTheParallelForm) {
  struct Case {
    int first, last, parts;
    std::vector<std::pair<int, int>> blocks;
  };
  const Case cases[] = {
      {1, 1002, 4, {{1, 250}, {251, 500}, {501, 750}, {751, 1002}}},
      {1, 10, 3, {{1, 3}, {4, 6}, {7, 10}}},
      {5, 6, 3, {{5, 4}, {5, 4}, {5, 6}}},
  };
  for (const Case& c : cases)
    for (int p = 0; p < c.parts; ++p) {
      int lo, hi;
      blockOfRange(c.first, c.last, c.parts, p, lo, hi);
      if (c.blocks[p].first > c.blocks[p].second) {
        EXPECT_GT(lo, hi) << c.last << " block " << p;
      } else {
        EXPECT_EQ(lo, c.blocks[p].first) << c.last << " block " << p;
        EXPECT_EQ(hi, c.blocks[p].second) << c.last << " block " << p;
      }
    }
  // Ten items on four threads: 3, 3, 2, 2 from items 0, 3, 6, 8.
  const int begins[] = {0, 3, 6, 8}, ends[] = {3, 6, 8, 10};
  for (int t = 0; t < 4; ++t) {
    int b, e;
    staticShare(10, 4, t, b, e);
    EXPECT_EQ(b, begins[t]);
    EXPECT_EQ(e, ends[t]);
  }
}

TEST(Solver, LaplaceReachesTheExactLinearFieldSeriallyAndOnFourThreads) {
  for (int threads : {0, 4}) {
    InProjectDir p;
    // Cells of 1 m every way, so that the sweeps carry the field along x fast.
    const FlowGrid g = FlowGrid::box(8, 2, 10.0);
    ASSERT_TRUE(g.build());
    std::vector<double> f;
    assembleLaplace(g.nx, f);
    Cf = f.data();
    Equation = 1;
    sweeps[1] = 20;
    NoProcessesSolver = threads;
    if (threads > 0) omp_set_num_threads(threads);
    double err = 1.0;
    for (int call = 0; call < 3000 && err >= 1e-11; ++call) {
      solver();
      err = maxError(f, g.nx);
    }
    NoProcessesSolver = 0;
    EXPECT_LT(err, 1e-10) << threads << " threads";
  }
}

// The fast driver's combined step relaxes its five fields in Cff with the
// inverse diagonals of CinvApf, also when F 206 asks for threads (the block
// form would relax Cf alone). Row r of the chain: ap 4, sources 4, 0, 4
// times (r + 1); one symmetric sweep gives (r + 1) times the chain values.
TEST(Solver, FastCombinedStepSolvesTheFiveFieldsWhateverTheThreads) {
  for (int threads : {0, 3}) {
    InProjectDir p;
    FlagFastWatersolve = 1;
    SmallGrid g;
    g.nx = 3, g.ny = 1, g.nz = 1;
    g.build();
    ASSERT_NE(Cff, nullptr);
    for (int c = 1; c <= 3; ++c) {
      Cae[c] = Ccelle[c] ? 1.0 : 0.0;
      Caw[c] = Ccellw[c] ? 1.0 : 0.0;
      for (int r = 0; r < 5; ++r) {
        CinvApf[r][c] = 0.25;
        Cff[r][c] = 0.0;
        Csourcem[r][c] = c == 2 ? 0.0 : 4.0 * (r + 1);
      }
    }
    NoProcessesSolver = threads;
    Equation = 1;
    solver();
    NoProcessesSolver = 0;
    for (int r = 0; r < 5; ++r) {
      EXPECT_DOUBLE_EQ(Cff[r][1], 1.12890625 * (r + 1)) << threads << " threads, row " << r;
      EXPECT_DOUBLE_EQ(Cff[r][2], 0.515625 * (r + 1)) << threads << " threads, row " << r;
    }
  }
}

namespace {

// Cells other than `free` keep their values: diagonal 1, source the value.
void holdAllBut(int free, const std::vector<double>& f) {
  for (int c = 1; c <= NoCells; ++c) {
    Cae[c] = Caw[c] = Can[c] = Cas[c] = Cat[c] = Cab[c] = 0.0;
    Cap[c] = 1.0;
    Csource[c] = c == free ? 0.0 : f[c];
  }
}

}  // namespace

// Second-order stencil: cell 1 of a chain of three sees cell 3 behind its
// east neighbour: (1 * 5 + 2 * 7) / 4.
TEST(Solver, TwelvePointFormReadsTheSecondNeighbours) {
  InProjectDir p;
  sou[1] = 1;
  SmallGrid g;
  g.nx = 3, g.ny = 1, g.nz = 1;
  g.build();
  ASSERT_NE(Caee, nullptr);
  std::vector<double> f = {0.0, 0.0, 5.0, 7.0};
  holdAllBut(1, f);
  for (int c = 1; c <= 3; ++c) Caee[c] = Caww[c] = Cann[c] = Cass[c] = Catt[c] = Cabb[c] = 0.0;
  Cap[1] = 4.0;
  Cae[1] = 1.0;
  Caee[1] = 2.0;
  Cf = f.data();
  Equation = 1;
  solver();
  EXPECT_DOUBLE_EQ(f[1], 4.75);
  sou[1] = 0;  // the six-point form leaves cell 3 out
  f = {0.0, 0.0, 5.0, 7.0};
  Cf = f.data();
  solver();
  EXPECT_DOUBLE_EQ(f[1], 1.25);
}

// A list of three east neighbours starting at cell 4 reads cells 4, 5 and 6
// with their own coefficients, not the ordinary east coefficient; the form
// makes its one symmetric pass even without sweeps.
TEST(Solver, QuasiNeighbourListReadsConsecutiveCells) {
  InProjectDir p;
  QNFlag = 1;
  SmallGrid g;
  g.nx = 2, g.ny = 1, g.nz = 3;
  g.build();
  ASSERT_NE(Cncelle, nullptr);
  std::vector<double> f = {0.0, 0.0, 0.0, 0.0, 1.0, 10.0, 100.0};
  holdAllBut(1, f);
  Cae[1] = 1000.0;
  Cncelle[1] = 3;
  Cqncelle[1][0] = 4;
  Cqnae[1][0] = 1.0, Cqnae[1][1] = 2.0, Cqnae[1][2] = 3.0;
  sweeps[1] = 0;
  Cf = f.data();
  Equation = 1;
  solver();
  EXPECT_DOUBLE_EQ(f[1], 321.0);
  EXPECT_DOUBLE_EQ(f[6], 100.0);
}

// The quasi-neighbour form of the second-order scheme reads the cell two
// below as the twelve-point form does: its coefficient is in the diagonal,
// so leaving it out would make a uniform field unsolved. The top cell of a
// column of three (cell 2 at 7, cell 1 at 5): (1 * 7 + 2 * 5) / 4, in the
// solver and in the Jacobi form of GaussN.
TEST(Solver, QuasiNeighbourFormReadsTheVerticalSecondNeighbours) {
  for (const bool gaussN : {false, true}) {
    SCOPED_TRACE(gaussN ? "GaussN" : "solver");
    InProjectDir p;
    QNFlag = 1;
    sou[1] = 1;
    SmallGrid g;
    g.nx = 1, g.ny = 1, g.nz = 3;
    g.build();
    ASSERT_NE(Cncelle, nullptr);
    ASSERT_NE(Cabb, nullptr);
    ASSERT_EQ(Ccellb[3], 2);
    ASSERT_EQ(Ccellb[2], 1);
    std::vector<double> f = {0.0, 5.0, 7.0, 0.0};
    holdAllBut(3, f);
    for (int c = 1; c <= 3; ++c) Caee[c] = Caww[c] = Cann[c] = Cass[c] = Catt[c] = Cabb[c] = 0.0;
    Cap[3] = 4.0;
    Cab[3] = 1.0;
    Cabb[3] = 2.0;
    Cf = f.data();
    Equation = 1;
    sweeps[1] = 1;
    if (gaussN)
      GaussN(1, NoCells, 1);
    else
      solver();
    EXPECT_DOUBLE_EQ(f[3], 4.25);
  }
}

// The quasi-neighbour form makes the sweeps of the equation (at least one
// symmetric pass), not one pass whatever the count: with a single pass the
// pressure correction of a grid with lists stays far from solved, and the
// stepped channel with second-order upwinding (QuasiNeighbourCase) diverges
// in its ninth iteration. On a row of
// cells 2..5 (aw = ae = 1, ap = 2.5, cell 4 listed east of 3; cell 1 held
// at 1, cell 6 at 0)
// three sweeps give what three calls of one sweep give, and more than one.
TEST(Solver, QuasiNeighbourFormMakesTheSweepsOfTheEquation) {
  InProjectDir p;
  QNFlag = 1;
  SmallGrid g;
  g.nx = 6, g.ny = 1, g.nz = 1;
  g.build();
  ASSERT_NE(Cncelle, nullptr);
  auto start = [](std::vector<double>& f) {
    f.assign(NoCells + 1, 0.0);
    f[1] = 1.0, f[6] = 0.0;
    holdAllBut(0, f);
    for (int c = 2; c <= 5; ++c) Caw[c] = Cae[c] = 1.0, Cap[c] = 2.5, Csource[c] = 0.0;
    Cae[3] = 0.0;
    Cncelle[3] = 1, Cqncelle[3][0] = 4, Cqnae[3][0] = 1.0;
    Cf = f.data();
    Equation = 1;
  };
  std::vector<double> once, thrice, three;
  start(once);
  sweeps[1] = 1;
  solver();
  start(thrice);
  sweeps[1] = 3;
  solver();
  start(three);
  sweeps[1] = 1;
  for (int k = 0; k < 3; ++k) solver();
  for (int c = 1; c <= NoCells; ++c) EXPECT_DOUBLE_EQ(thrice[c], three[c]) << "cell " << c;
  EXPECT_GT(std::fabs(thrice[4] - once[4]), 1e-3);
}

// The thixotropic kernel: forward passes only; cells whose rate is not above
// 1 are set to 0, the others relaxed.
TEST(Solver, ThixotropicKernelRelaxesOnlyMovingCells) {
  InProjectDir p;
  FlagThixo = 1;
  SmallGrid g;
  g.nx = 3, g.ny = 1, g.nz = 1;
  g.build();
  ASSERT_NE(Cthixorat, nullptr);
  std::vector<double> f = {0.0, 3.0, 3.0, 3.0};
  holdAllBut(0, f);
  Csource[1] = 8.0, Cap[1] = 2.0;
  Cthixorat[1] = 1.5, Cthixorat[2] = 1.0, Cthixorat[3] = 2.0;
  Cf = f.data();
  Equation = 1;
  GaussThixo(1, 3, 1);
  EXPECT_DOUBLE_EQ(f[1], 4.0);
  EXPECT_DOUBLE_EQ(f[2], 0.0);
  EXPECT_DOUBLE_EQ(f[3], 3.0);
}

// Dispatch: in a slide computation (F 236 with its state array) and with the
// ninth value of G 50 the solve stays on the main thread over the whole
// range, so F 206 4 gives the bits of F 206 0. The block form, even on one
// thread, sweeps block after block and ends elsewhere after three sweeps.
TEST(Solver, SerialInASlideRunAndWithTheNinthG50Value) {
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::box(6, 2).build());
  const int threads = omp_get_max_threads();
  omp_set_num_threads(1);
  std::vector<int> thixo(NoCells + 1, 1);
  auto solve = [&](int processes, int ninth, int thixoFlag, int computing) {
    std::vector<double> f;
    assembleLaplace(6.0, f);
    Cf = f.data();
    Equation = 1;
    sweeps[1] = 3;
    NoProcessesSolver = processes;
    FlagOpenMP[8] = ninth;
    FlagThixo = thixoFlag;
    FlagThixoIsComputing = computing;
    Cthixolev = thixoFlag > 0 ? thixo.data() : nullptr;
    solver();
    Cthixolev = nullptr;
    FlagThixoIsComputing = 0;
    return f;
  };
  const std::vector<double> serial = solve(0, 0, 0, 0);
  EXPECT_EQ(solve(4, 1, 0, 0), serial);
  EXPECT_EQ(solve(4, 0, 1, 1), serial);
  EXPECT_NE(solve(4, 0, 0, 0), serial);
  EXPECT_NE(solve(4, 0, 1, 0), serial);  // a slide run that rests
  omp_set_num_threads(threads);
}
