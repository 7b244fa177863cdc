// The parallel strategies of F 164 above 20: which of them repeat bit for bit
// whatever the thread and block counts, the column-aligned block bounds, the
// serial forms against the point solver, the stale work copy at the edges of
// a sub-range, and convergence of every strategy to the solution of the
// equation.
#include <gtest/gtest.h>
#include <omp.h>

#include <cmath>
#include <vector>

#include "solvers/multigrid.h"
#include "solvers/solver.h"
#include "solvers/stencils.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/neighbour_couplings.h"
#include "support/small_grid.h"

namespace {

// A diffusion equation on the box with uneven couplings, a source that varies
// from cell to cell and a diagonal a little above the neighbour sum, so that
// the solution is unique and every strategy converges to it.
void assemble(const SmallGrid& g) {
  for (int c = 0; c <= NoCells; ++c) Cap[c] = Cae[c] = Caw[c] = Can[c] = Cas[c] = Cat[c] = Cab[c] = Csource[c] = 0.0;
  for (int c = 1; c <= NoCells; ++c) {
    const double w = 1.0 + 0.1 * (c % 7);
    if (Ccelle[c]) Cae[c] = w;
    if (Ccellw[c]) Caw[c] = 1.0 + 0.1 * (Ccellw[c] % 7);
    if (Ccelln[c]) Can[c] = 0.5 * w;
    if (Ccells[c]) Cas[c] = 0.5 * (1.0 + 0.1 * (Ccells[c] % 7));
    if (Ccellt[c]) Cat[c] = 3.0;
    if (Ccellb[c]) Cab[c] = 3.0;
    Cap[c] = Cae[c] + Caw[c] + Can[c] + Cas[c] + Cat[c] + Cab[c] + 1.0;
    Csource[c] = std::sin(0.37 * c) + 0.5;
  }
  (void)g;
}

std::vector<double> field() { return std::vector<double>(Cf, Cf + NoCells + 1); }

void startField(double v = 0.0) {
  for (int c = 1; c <= NoCells; ++c) Cf[c] = v + 0.01 * (c % 5);
  Cf[0] = 0.0;
}

// Runs strategy s with t threads and p blocks (F 206) from the start field.
std::vector<double> runStrategy(int s, int threads, int p, int n) {
  FlagRapSolver = s;
  NoProcessesSolver = p;
  omp_set_num_threads(threads);
  startField();
  GaussN(WCStart, WCEnd, n);
  return field();
}

double largestResidual() {
  double r = 0.0;
  for (int c = 1; c <= NoCells; ++c) {
    const double s = Cae[c] * Cf[Ccelle[c]] + Caw[c] * Cf[Ccellw[c]] + Can[c] * Cf[Ccelln[c]] +
                     Cas[c] * Cf[Ccells[c]] + Cat[c] * Cf[Ccellt[c]] + Cab[c] * Cf[Ccellb[c]] + Csource[c];
    r = std::max(r, std::fabs(s - Cap[c] * Cf[c]) / Cap[c]);
  }
  return r;
}

class GaussNTest : public ::testing::Test {
 protected:
  InProjectDir dir;
  SmallGrid g;
  int threadsBefore = omp_get_max_threads();
  void SetUp() override {
    g.nx = 9, g.ny = 7, g.nz = 5;  // 315 cells in 63 columns of 5
    g.build();
    Cf = Cxvel;
    Equation = 1;
    assemble(g);
  }
  void TearDown() override { omp_set_num_threads(threadsBefore); }
};

}  // namespace

// 27 and 29 read only the array the step does not write; 31, 32 and 33 never
// split a column: the fields repeat bit for bit with 1, 2 and 4 threads, and
// the column-aligned ones also for any block count (40 blocks: more than the
// 32 that a fixed table of bounds could hold).
TEST_F(GaussNTest, DeterministicStrategiesRepeatBitForBitForAnyThreadCount) {
  for (int s : {27, 29}) {
    const std::vector<double> one = runStrategy(s, 1, 1, 3);
    for (int t : {2, 4}) EXPECT_EQ(runStrategy(s, t, t, 3), one) << "F 164 " << s << ", " << t << " threads";
  }
  const std::vector<double> hybrid = runStrategy(31, 1, 1, 3);
  for (int s : {31, 32, 33})
    for (int t : {1, 2, 4})
      for (int p : {1, 3, 4, 40}) EXPECT_EQ(runStrategy(s, t, p, 3), hybrid) << "F 164 " << s << " t " << t << " P " << p;
  // The hybrid on thread shares computes the same field on one thread.
  EXPECT_EQ(runStrategy(30, 1, 1, 3), hybrid);
  // The strategies differ from one another: the test compares real work.
  EXPECT_NE(runStrategy(27, 1, 1, 3), hybrid);
  EXPECT_NE(runStrategy(27, 1, 1, 3), runStrategy(21, 1, 1, 3));
}

// The bounds of the worked example: 100 cells from cell 1 in columns of ten,
// three blocks: nominal ends 33, 66, 99 move up to 40, 70 and 100.
TEST(GaussN, ColumnAlignedBoundsEndAtTheTopOfAColumn) {
  InProjectDir dir;
  SmallGrid box;
  box.nx = 10, box.ny = 1, box.nz = 10;
  box.build();
  std::vector<int> bound;
  columnAlignedBounds(bound, 3, 1, 100, static_cast<double>(100 / 3));
  EXPECT_EQ(bound, (std::vector<int>{0, 40, 70, 100}));
  // Fewer cells than blocks: every block but the last is empty.
  columnAlignedBounds(bound, 5, 1, 3, static_cast<double>(3 / 5));
  EXPECT_EQ(bound, (std::vector<int>{0, 0, 0, 0, 0, 3}));
}

// Strategy 21 (serial, six-point) is the point solver multiplying by the
// reciprocal diagonal: the same field but for the last digits.
TEST_F(GaussNTest, TheSerialFormIsThePointSolver) {
  const std::vector<double> serial = runStrategy(21, 1, 0, 2);
  startField();
  Gauss(1, NoCells, 2);
  for (int c = 1; c <= NoCells; ++c) EXPECT_NEAR(serial[c], Cf[c], 1e-13 * std::fabs(Cf[c]) + 1e-15) << c;
  // Values without a strategy of their own relax serially as well.
  EXPECT_EQ(runStrategy(34, 4, 4, 2), serial);
}

// Every strategy, threaded or serial, converges to the solution of the
// equation.
TEST_F(GaussNTest, EveryStrategyConvergesToTheSolution) {
  for (int s : {21, 27, 28, 29, 30, 31, 32, 33}) {
    runStrategy(s, 4, 4, 400);
    EXPECT_LT(largestResidual(), 1e-10) << "F 164 " << s;
  }
}

// A sub-range: its Jacobi steps read the copy at cells outside it. Whatever an
// earlier solve left in the copy there, the result is that of a copy holding
// the field.
TEST_F(GaussNTest, AJacobiStepOnASubRangeDoesNotReadAStaleCopy) {
  WCStart = 101;
  WCEnd = 200;
  for (int s : {27, 29, 31}) {
    for (int c = 1; c <= NoCells; ++c) Cfn[c] = 1e6;  // left by another equation
    const std::vector<double> stale = runStrategy(s, 2, 2, 2);
    startField();
    for (int c = 1; c <= NoCells; ++c) Cfn[c] = Cf[c];
    FlagRapSolver = s;
    GaussN(WCStart, WCEnd, 2);
    EXPECT_EQ(stale, field()) << "F 164 " << s;
    for (int c = 1; c <= NoCells; ++c) {
      if (c < 101 || c > 200) {
        EXPECT_EQ(Cf[c], 0.01 * (c % 5)) << "a cell outside the range was written";
      }
    }
  }
}

// With F 206 0 the dispatcher hands over to the strategies (F 164 21 even
// then); F 164 20 keeps the point solver.
TEST_F(GaussNTest, TheDispatcherHandsOverAboveTwenty) {
  Equation = 1;
  sweeps[1] = 2;
  NoProcessesSolver = 0;
  FlagRapSolver = 29;
  startField();
  solver();
  const std::vector<double> jacobi = field();
  EXPECT_EQ(jacobi, runStrategy(29, 1, 0, 2));
  FlagRapSolver = 20;
  startField();
  solver();
  EXPECT_NE(field(), jacobi);
}

// The pressure correction has the plain sum of its couplings on the
// diagonal. Two cells coupled by 1, no source, the odd-even start 1, -1: an
// undamped Jacobi pair gives it back unchanged, so its defect would never
// go; the damped steps of the pressure correction take it to -0.6, 0.6 and
// then 0.36, -0.36, in the strategies and on the coarse levels alike.
TEST(GaussN, ThePressureCorrectionDampsTheOddEvenPattern) {
  InProjectDir dir;
  SmallGrid g;
  g.nx = 2, g.ny = 1, g.nz = 1;
  g.build();
  Cf = Cpres;
  for (int c = 1; c <= 2; ++c) {
    Cae[c] = Ccelle[c] ? 1.0 : 0.0;
    Caw[c] = Ccellw[c] ? 1.0 : 0.0;
    Cap[c] = 1.0;
    Csource[c] = 0.0;
  }
  struct Case {
    int equation;
    double expected;
  };
  for (const Case k : {Case{1, 1.0}, Case{4, 0.36}}) {
    Equation = k.equation;
    for (int s : {27, 29}) {
      FlagRapSolver = s;
      Cf[1] = 1.0, Cf[2] = -1.0;
      GaussN(1, 2, 1);
      EXPECT_NEAR(Cf[1], k.expected, 1e-15) << "equation " << k.equation << ", F 164 " << s;
      EXPECT_NEAR(Cf[2], -k.expected, 1e-15);
      if (s != 27) continue;  // 29 takes the Jacobi pairs on the levels from 302 cells on
      Cf[1] = 1.0, Cf[2] = -1.0;
      Gauss2D(1, 2, 1);
      EXPECT_NEAR(Cf[1], k.expected, 1e-15) << "levels, equation " << k.equation;
    }
  }
}

// The plain Jacobi pair does not converge on a pressure correction at all: a
// closed basin (a row of six columns of two cells, no fixed cell) has the
// plain neighbour sum on every diagonal, and the odd-even share of the
// solution comes back after every pair, so the defect stays where it started
// however many sweeps are made. The plain step is what every other equation
// takes; the damped step of the pressure correction solves the same system.
TEST(GaussN, ThePlainJacobiPairNeverSolvesAClosedBasin) {
  InProjectDir dir;
  SmallGrid g;
  g.nx = 6, g.ny = 1, g.nz = 2;
  g.build();
  Cf = Cpres;
  neighbourCouplings(1.0, 1.0);  // one row of columns: no north or south
  // A mass defect of zero sum that alternates from cell to cell.
  for (int i = g.i1(); i <= g.i2(); ++i)
    for (int k = 1; k <= 2; ++k) Csource[g.cell(i, g.j1(), k)] = ((i + k) % 2 == 0 ? 1.0 : -1.0);
  auto defect = [] {
    double s = 0.0;
    for (int c = 1; c <= NoCells; ++c) {
      const double r = Cae[c] * Cf[Ccelle[c]] + Caw[c] * Cf[Ccellw[c]] + Cat[c] * Cf[Ccellt[c]] +
                       Cab[c] * Cf[Ccellb[c]] + Csource[c] - Cap[c] * Cf[c];
      s += r * r;
    }
    return std::sqrt(s);
  };
  for (int c = 0; c <= NoCells; ++c) Cf[c] = 0.0;
  const double start = defect();
  ASSERT_GT(start, 1.0);
  for (int s : {29, 27}) {
    FlagRapSolver = s;
    for (int eq : {1, 4}) {
      Equation = eq;
      for (int c = 0; c <= NoCells; ++c) Cf[c] = 0.0;
      GaussN(1, NoCells, 400);
      if (eq == 1)
        EXPECT_GT(defect(), 0.5 * start) << "plain pairs, F 164 " << s;
      else
        EXPECT_LT(defect(), 1e-9 * start) << "damped steps, F 164 " << s;
    }
    if (s != 27) continue;
    // The coarse levels: one layer of the same row.
    for (int eq : {1, 4}) {
      Equation = eq;
      for (int c = 1; c <= NoCells; ++c) Cat[c] = Cab[c] = 0.0, Cap[c] = Cae[c] + Caw[c];
      for (int c = 0; c <= NoCells; ++c) Cf[c] = 0.0;
      const double start2 = defect();
      Gauss2D(1, NoCells, 400);
      if (eq == 1)
        EXPECT_GT(defect(), 0.5 * start2) << "plain pairs on a level";
      else
        EXPECT_LT(defect(), 1e-9 * start2) << "damped steps on a level";
    }
  }
}
