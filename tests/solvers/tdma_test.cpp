// The tri-diagonal line solvers: the exact solution of uncoupled columns,
// no coupling carried from one column into the next, the work range kept
// with second-order coefficients, short and dry columns, zero pivots.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "solvers/multigrid.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

// Columns without horizontal coupling (the links exist, their coefficients
// are 0). The bottom cell carries a Cab and the top cell a Cat towards no
// cell: those terms multiply element 0 and must not couple two columns.
void assembleColumns() {
  for (int c = 0; c <= NoCells; ++c) Cap[c] = Cae[c] = Caw[c] = Can[c] = Cas[c] = Cat[c] = Cab[c] = Csource[c] = 0.0;
  for (int c = 1; c <= NoCells; ++c) {
    Cat[c] = 1.0 + 0.1 * (c % 4);
    Cab[c] = 0.8 + 0.05 * (c % 3);
    Cap[c] = Cat[c] + Cab[c] + 0.5 + 0.01 * c;
    Csource[c] = std::sin(1.3 * c);
    Cf[c] = 100.0;  // the line solvers do not start from the field
  }
  Cf[0] = 0.0;
}

// The exact solution of the column bottom..top by Gaussian elimination of
// its dense matrix, the terms towards no cell left out.
std::vector<double> exactColumn(int bottom, int top) {
  const int n = top - bottom + 1;
  std::vector<std::vector<double>> A(n, std::vector<double>(n + 1, 0.0));
  for (int r = 0; r < n; ++r) {
    const int c = bottom + r;
    A[r][r] = Cap[c];
    if (r > 0) A[r][r - 1] = -Cab[c];
    if (r < n - 1) A[r][r + 1] = -Cat[c];
    A[r][n] = Csource[c];
  }
  for (int p = 0; p < n; ++p)
    for (int r = p + 1; r < n; ++r) {
      const double m = A[r][p] / A[p][p];
      for (int k = p; k <= n; ++k) A[r][k] -= m * A[p][k];
    }
  std::vector<double> x(n);
  for (int r = n - 1; r >= 0; --r) {
    double s = A[r][n];
    for (int k = r + 1; k < n; ++k) s -= A[r][k] * x[k];
    x[r] = s / A[r][r];
  }
  return x;
}

void expectExactColumns(const SmallGrid& g) {
  for (int i = g.i1(); i <= g.i2(); ++i)
    for (int j = g.j1(); j <= g.j2(); ++j) {
      const int bottom = g.cell(i, j, 1), top = g.cell(i, j, g.nz);
      const std::vector<double> x = exactColumn(bottom, top);
      for (int c = bottom; c <= top; ++c) EXPECT_NEAR(Cf[c], x[c - bottom], 1e-12 * (1 + std::fabs(x[c - bottom]))) << c;
    }
}

}  // namespace

TEST(Tdma, BothLineSolversGiveTheExactSolutionOfUncoupledColumns) {
  InProjectDir dir;
  SmallGrid g;
  g.nx = 3, g.ny = 2, g.nz = 6;
  FlagTDMA = 1;  // the work arrays
  g.build();
  Cf = Cepsilon;
  Equation = 6;
  assembleColumns();
  solverTDMA();
  expectExactColumns(g);
  assembleColumns();
  solverVertTDMA();
  expectExactColumns(g);
}

// The horizontal neighbours enter at their current values: a column coupled
// to a neighbour column held at 2 solves its system with that known term.
TEST(Tdma, HorizontalNeighboursEnterWithTheirCurrentValues) {
  InProjectDir dir;
  SmallGrid g;
  g.nx = 2, g.ny = 1, g.nz = 5;
  FlagTDMA = 1;
  g.build();
  Cf = Cepsilon;
  Equation = 6;
  assembleColumns();
  for (int k = 1; k <= 5; ++k) {
    const int c = g.cell(2, 2, k);
    Cae[c] = 0.5;
    Cap[c] += 0.5;
    Cf[g.cell(3, 2, k)] = 2.0;
  }
  WCStart = 1;
  WCEnd = 5;
  solverTDMA();
  for (int k = 1; k <= 5; ++k) Csource[k] += 0.5 * 2.0;
  const std::vector<double> x = exactColumn(1, 5);
  for (int c = 1; c <= 5; ++c) EXPECT_NEAR(Cf[c], x[c - 1], 1e-12) << c;
  for (int c = 6; c <= 10; ++c) EXPECT_EQ(Cf[c], 2.0) << "outside the work range";
}

// With second-order coefficients present the solve keeps to the work range.
TEST(Tdma, SecondOrderCoefficientsDoNotWidenTheRange) {
  InProjectDir dir;
  SmallGrid g;
  g.nx = 3, g.ny = 1, g.nz = 5;
  FlagTDMA = 1;
  sou[1] = 1;
  g.build();
  ASSERT_NE(Caee, nullptr);
  Cf = Cxvel;
  Equation = 1;
  assembleColumns();
  WCStart = 6;
  WCEnd = 10;
  solverTDMA();
  for (int c : {1, 5, 11, 15}) EXPECT_EQ(Cf[c], 100.0) << c;
  const std::vector<double> x = exactColumn(6, 10);
  for (int c = 6; c <= 10; ++c) EXPECT_NEAR(Cf[c], x[c - 6], 1e-12) << c;
}

TEST(Tdma, ShortColumnsAreLeftAloneAndZeroPivotsStayFinite) {
  InProjectDir dir;
  SmallGrid g;
  g.nx = 2, g.ny = 2, g.nz = 4;
  FlagSolverVertTDMA = 1;  // the work arrays come with F 344 too
  g.build();
  ASSERT_NE(Cpt, nullptr);
  Cf = Cepsilon;
  Equation = 6;
  assembleColumns();
  solverVertTDMA();
  for (int c = 1; c <= NoCells; ++c) EXPECT_EQ(Cf[c], 100.0) << "a column of four cells";

  for (int c = 1; c <= NoCells; ++c) Cap[c] = Cat[c] = Cab[c] = 0.0;
  solverTDMA();
  for (int c = 1; c <= NoCells; ++c) EXPECT_TRUE(std::isfinite(Cf[c])) << c;
}
