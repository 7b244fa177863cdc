// The horizontal point solver: its serial sweeps against a hand-written
// Gauss-Seidel, the switch to Jacobi pairs at 302 cells, the vertical
// coefficients without influence, and the thread count without influence on
// the threaded forms.
#include <gtest/gtest.h>
#include <omp.h>

#include <cmath>
#include <vector>

#include "solvers/multigrid.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

// A chain of cells along i (one row, one layer): ap 2.5, both neighbours 1,
// a source that varies along the chain.
void assembleChain() {
  for (int c = 0; c <= NoCells; ++c) Cap[c] = Cae[c] = Caw[c] = Can[c] = Cas[c] = Cat[c] = Cab[c] = Csource[c] = 0.0;
  for (int c = 1; c <= NoCells; ++c) {
    Cae[c] = Ccelle[c] ? 1.0 : 0.0;
    Caw[c] = Ccellw[c] ? 1.0 : 0.0;
    Cap[c] = 2.5;
    Csource[c] = std::cos(0.1 * c);
    Cf[c] = 0.0;
  }
  Cf[0] = 0.0;
}

double update(const std::vector<double>& f, int c) {
  return (Cae[c] * f[Ccelle[c]] + Caw[c] * f[Ccellw[c]] + Csource[c]) / Cap[c];
}

// n symmetric Gauss-Seidel sweeps over first..last, written out.
std::vector<double> gaussSeidel(int first, int last, int n) {
  std::vector<double> f(Cf, Cf + NoCells + 1);
  for (int s = 0; s < n; ++s) {
    for (int c = first; c <= last; ++c) f[c] = update(f, c);
    for (int c = last; c >= first; --c) f[c] = update(f, c);
  }
  return f;
}

// n sweeps of two Jacobi steps over first..last.
std::vector<double> jacobiPairs(int first, int last, int n) {
  std::vector<double> f(Cf, Cf + NoCells + 1), g = f;
  for (int s = 0; s < 2 * n; ++s) {
    for (int c = first; c <= last; ++c) g[c] = update(f, c);
    for (int c = first; c <= last; ++c) f[c] = g[c];
  }
  return f;
}

std::vector<double> current() { return std::vector<double>(Cf, Cf + NoCells + 1); }

class Gauss2DTest : public ::testing::Test {
 protected:
  InProjectDir dir;
  SmallGrid g;
  int threadsBefore = omp_get_max_threads();
  void SetUp() override {
    g.nx = 302, g.ny = 1, g.nz = 1;
    g.build();
    Cf = Cpres;
    Equation = 1;
    assembleChain();
  }
  void TearDown() override { omp_set_num_threads(threadsBefore); }
};

}  // namespace

// F 164 29: 302 cells are relaxed by Jacobi pairs, 301 cells by the serial
// Gauss-Seidel sweeps.
TEST_F(Gauss2DTest, SwitchesToJacobiPairsAtThreeHundredAndTwoCells) {
  FlagRapSolver = 29;
  const std::vector<double> jac = jacobiPairs(1, 302, 2);
  Gauss2D(1, 302, 2);
  for (int c = 1; c <= 302; ++c) EXPECT_DOUBLE_EQ(Cf[c], jac[c]) << c;
  EXPECT_NE(jac, gaussSeidel(1, 302, 2));

  assembleChain();
  const std::vector<double> gs = gaussSeidel(1, 301, 2);
  Gauss2D(1, 301, 2);
  EXPECT_EQ(current(), gs);
}

// F 164 27 takes the Jacobi pairs on any range, 31 never: it relaxes serially.
TEST_F(Gauss2DTest, StrategyTwentySevenIsJacobiAndThirtyOneSerial) {
  FlagRapSolver = 27;
  const std::vector<double> jac = jacobiPairs(1, 20, 3);
  Gauss2D(1, 20, 3);
  for (int c = 1; c <= 20; ++c) EXPECT_DOUBLE_EQ(Cf[c], jac[c]) << c;
  assembleChain();
  FlagRapSolver = 31;
  const std::vector<double> gs = gaussSeidel(1, 302, 3);
  Gauss2D(1, 302, 3);
  EXPECT_EQ(current(), gs);
}

// The threaded forms give the same bits with 1, 2 and 4 threads.
TEST_F(Gauss2DTest, ThreadedFormsDoNotDependOnTheThreadCount) {
  for (int s : {27, 29, 30, 33}) {
    FlagRapSolver = s;
    std::vector<double> first;
    for (int t : {1, 2, 4}) {
      omp_set_num_threads(t);
      assembleChain();
      Gauss2D(1, 302, 4);
      if (first.empty())
        first = current();
      else
        EXPECT_EQ(current(), first) << "F 164 " << s << ", " << t << " threads";
    }
  }
}

// Cells of a level have no vertical neighbours in the equation: Cat, Cab and
// the vertical links leave the result alone.
TEST_F(Gauss2DTest, VerticalCoefficientsHaveNoInfluence) {
  const std::vector<double> plain = gaussSeidel(1, 302, 2);
  for (int c = 1; c <= NoCells; ++c) {
    Cat[c] = 7.0;
    Cab[c] = 3.0;
    Ccellt[c] = c % 5 + 1;
    Ccellb[c] = c % 3 + 1;
  }
  Gauss2D(1, 302, 2);
  EXPECT_EQ(current(), plain);
}

// Many sweeps reach the solution of the chain: the residual of every cell
// vanishes.
TEST_F(Gauss2DTest, ConvergesToTheSolutionOfTheLevel) {
  Gauss2D(1, 302, 200);
  for (int c = 1; c <= 302; ++c) EXPECT_NEAR(Cap[c] * Cf[c], Cae[c] * Cf[Ccelle[c]] + Caw[c] * Cf[Ccellw[c]] + Csource[c], 1e-12);
}
