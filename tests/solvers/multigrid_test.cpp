// The column multigrid: a long-wave error of a pressure Poisson problem
// removed far better than by a sweep alone, whole columns taking one value in
// the pressure form, the column correction of the other equations by hand,
// a column without an open side, the surface forms and their coarse links.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "grid/coarselevels.h"
#include "solvers/multigrid.h"
#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/neighbour_couplings.h"
#include "support/small_grid.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// A pressure-correction equation without fixed cells: lateral couplings 1,
// vertical 2, the diagonal the neighbour sum, and the source of the discrete
// solution p = cos(pi x / L), a wave as long as the channel.
std::vector<double> assemblePoisson(const SmallGrid& g) {
  for (int c = 0; c <= NoCells; ++c) Cap[c] = Cae[c] = Caw[c] = Can[c] = Cas[c] = Cat[c] = Cab[c] = Csource[c] = 0.0;
  std::vector<double> p(NoCells + 1, 0.0);
  for (int i = g.i1(); i <= g.i2(); ++i)
    for (int j = g.j1(); j <= g.j2(); ++j)
      for (int k = 1; k <= g.nz; ++k) p[g.cell(i, j, k)] = std::cos(kPi * (i - g.i1() + 0.5) / g.nx);
  neighbourCouplings(1.0, 2.0);
  for (int c = 1; c <= NoCells; ++c)
    Csource[c] = Cap[c] * p[c] - (Cae[c] * p[Ccelle[c]] + Caw[c] * p[Ccellw[c]] + Can[c] * p[Ccelln[c]] +
                                  Cas[c] * p[Ccells[c]] + Cat[c] * p[Ccellt[c]] + Cab[c] * p[Ccellb[c]]);
  return p;
}

// The distance of the field from the solution p, the constant of the
// equation's null space taken out.
double errorNorm(const std::vector<double>& p) {
  double mean = 0.0;
  for (int c = 1; c <= NoCells; ++c) mean += Cf[c] - p[c];
  mean /= NoCells;
  double s = 0.0;
  for (int c = 1; c <= NoCells; ++c) s += (Cf[c] - p[c] - mean) * (Cf[c] - p[c] - mean);
  return std::sqrt(s);
}

// The coefficients of the 3-D cells, which the multigrid leaves alone (it
// writes only the coarse cells above NoCells).
struct Saved {
  std::vector<double> ap, ae, src;
  Saved() : ap(Cap, Cap + NoCells + 1), ae(Cae, Cae + NoCells + 1), src(Csource, Csource + NoCells + 1) {}
};

}  // namespace

// A pressure Poisson problem whose error is one long wave: one point sweep
// hardly touches it; the multigrid before the sweep takes a share of it.
// The summed couplings make each coarse level stiffer than its children
// (seven levels here), so the share is modest: the point sweeps that follow
// in the pressure step do the rest.
TEST(AlgMGSolve, RemovesALongWaveErrorThatASweepCannot) {
  InProjectDir dir;
  SmallGrid g;
  g.nx = 64, g.ny = 4, g.nz = 4;
  Flag2DAccSolver = 7;
  Iter2DMG = 3;  // F 374: the level-2 sweeps smooth the steps of the injection
  g.build();
  AlgMGMake();
  ASSERT_EQ(NoMGlevels, 7);
  Cf = Cpres;
  Equation = 4;
  const std::vector<double> p = assemblePoisson(g);
  for (int c = 0; c <= NoCells; ++c) Cf[c] = 0.0;
  const double start = errorNorm(p);
  Gauss(1, NoCells, 1);
  const double sweepOnly = errorNorm(p);

  for (int c = 0; c <= NoCells; ++c) Cf[c] = 0.0;
  const Saved before;
  AlgMGSolve();
  // The column field is replaced: every cell of a column takes one value.
  for (int i = g.i1(); i <= g.i2(); ++i)
    for (int j = g.j1(); j <= g.j2(); ++j)
      for (int k = 2; k <= g.nz; ++k) EXPECT_EQ(Cf[g.cell(i, j, k)], Cf[g.cell(i, j, 1)]);
  EXPECT_EQ(std::vector<double>(Cap, Cap + NoCells + 1), before.ap);
  EXPECT_EQ(std::vector<double>(Csource, Csource + NoCells + 1), before.src);
  Gauss(1, NoCells, 1);
  const double withMultigrid = errorNorm(p);
  std::printf("error: start %.3e, one sweep %.3e, multigrid and one sweep %.3e\n", start, sweepOnly,
              withMultigrid);
  EXPECT_LT(withMultigrid, 0.9 * sweepOnly);
}

// The coarse equation of the pressure form is the sum of its children's: a
// row of 4 x 2 columns of two cells, lateral couplings 1 per cell. Level 2
// has 2 per side of a column; the west cell of level 3 joins 2 x 2 columns
// and couples east through its two eastern children, 2 + 2 = 4, its
// diagonal the sum 4 and its source the sum of four columns of two cells.
TEST(AlgMGSolve, ThePressureFormSumsTheCouplingsOnTheCoarseLevels) {
  InProjectDir dir;
  SmallGrid g;
  g.nx = 4, g.ny = 2, g.nz = 2;
  Flag2DAccSolver = 3;
  g.build();
  AlgMGMake();
  ASSERT_GE(NoMGlevels, 3);
  Cf = Cpres;
  Equation = 4;
  neighbourCouplings(1.0, 0.0);
  for (int c = 1; c <= NoCells; ++c) Csource[c] = 0.25, Cf[c] = 0.0;
  AlgMGSolve();
  const BlockRecord& three = block[NoBlocks + 2];
  ASSERT_EQ(three.gridLevel, 3);
  ASSERT_EQ(three.lastCell - three.firstCell + 1, 2);
  const int west = Ccellw[three.firstCell] == 0 ? three.firstCell : three.lastCell;
  const int east = Ccelle[west];
  ASSERT_GT(east, 0);
  EXPECT_DOUBLE_EQ(Cae[west], 4.0);
  EXPECT_DOUBLE_EQ(Caw[east], 4.0);
  EXPECT_DOUBLE_EQ(Can[west] + Cas[west] + Caw[west], 0.0);
  EXPECT_DOUBLE_EQ(Cap[west], 4.0);
  EXPECT_DOUBLE_EQ(Csource[west], 4 * 2 * 0.25);
}

// Other equations: level 2 alone (F 168 1) from the mean residual of each
// column. Two columns coupled east-west by 1 per cell (S = 2), residual r in
// every cell: 2S x1 = S x2 + S r and 2S x2 = S x1 + S r; one sweep from 0
// gives forward x1 = r/2, x2 = 3r/4, backward x2 = 3r/4, x1 = 7r/8, and every
// cell adds its column's value.
TEST(AlgMGSolve, OtherEquationsAddTheColumnCorrection) {
  InProjectDir dir;
  SmallGrid g;
  g.nx = 2, g.ny = 1, g.nz = 2;
  Flag2DAccSolver = 1;
  g.build();
  AlgMGMake();
  ASSERT_NE(Cxvel_res, nullptr);
  Cf = Cxvel;
  Equation = 1;
  for (int c = 1; c <= NoCells; ++c) {
    Cae[c] = Ccelle[c] ? 1.0 : 0.0;
    Caw[c] = Ccellw[c] ? 1.0 : 0.0;
    Can[c] = Cas[c] = 0.0;
    Cap[c] = 5.0;
    Cxvel[c] = 1.0;
    Cxvel_res[c] = 0.4;
  }
  AlgMGSolve();
  for (int k = 1; k <= 2; ++k) {
    EXPECT_DOUBLE_EQ(Cxvel[g.cell(2, 2, k)], 1.0 + 0.875 * 0.4);
    EXPECT_DOUBLE_EQ(Cxvel[g.cell(3, 2, k)], 1.0 + 0.75 * 0.4);
  }
}

// A column with no open side has no coarse equation: its field stays as it
// was, finite, in both forms.
TEST(AlgMGSolve, AColumnWithoutAnOpenSideKeepsItsField) {
  InProjectDir dir;
  SmallGrid g;
  g.nx = 1, g.ny = 1, g.nz = 3;
  Flag2DAccSolver = 1;
  g.build();
  AlgMGMake();
  for (int eq : {4, 1}) {
    Equation = eq;
    Cf = eq == 4 ? Cpres : Cxvel;
    for (int c = 1; c <= NoCells; ++c) {
      Cap[c] = 3.0;
      Csource[c] = 1.0;
      Cf[c] = 5.0;
      Cxvel_res[c] = 0.2;
    }
    AlgMGSolve();
    for (int c = 1; c <= NoCells; ++c) EXPECT_EQ(Cf[c], 5.0) << "equation " << eq;
  }
}

// F 344 picks the line solver after the multigrid: 1 the per-column form
// (columns of five cells and more), 0 none.
TEST(AlgMGSolve, TheLineSolverFollowsByF344) {
  InProjectDir dir;
  SmallGrid g;
  g.nx = 2, g.ny = 1, g.nz = 5;
  Flag2DAccSolver = 1;
  FlagSolverVertTDMA = 1;
  g.build();
  AlgMGMake();
  Cf = Cpres;
  Equation = 4;
  neighbourCouplings(1.0, 1.0, 1.0);  // one row of columns: no north or south
  for (int c = 1; c <= NoCells; ++c) Csource[c] = c;
  AlgMGSolve();
  // The pressure form leaves one value per column; the line solver then
  // solves the columns from the east (i descending), each with the current
  // values of the other column: the west column, solved last, satisfies its
  // equations exactly.
  for (int c = 1; c <= 5; ++c)
    EXPECT_NEAR(Cap[c] * Cf[c],
                Cae[c] * Cf[Ccelle[c]] + Caw[c] * Cf[Ccellw[c]] + Cat[c] * Cf[Ccellt[c]] + Cab[c] * Cf[Ccellb[c]] +
                    Csource[c],
                1e-12)
        << c;
  EXPECT_NE(Cf[6], Cf[10]);
  for (int c = 1; c <= NoCells; ++c) Cf[c] = 0.0;
  FlagSolverVertTDMA = 0;
  AlgMGSolve();
  EXPECT_EQ(Cf[6], Cf[10]) << "no line solver";
}

namespace {

// The surface equation of a row of twelve columns in their bottom cells.
void assembleSurface() {
  for (int c = 1; c <= NoCells; ++c) {
    Cae[c] = Ccelle[c] ? 1.0 : 0.0;
    Caw[c] = Ccellw[c] ? 1.0 : 0.0;
    Can[c] = Ccelln[c] ? 1.0 : 0.0;
    Cas[c] = Ccells[c] ? 1.0 : 0.0;
    Cap[c] = 4.5;
    Csource[c] = std::cos(0.3 * c);
    Cf[c] = 7.0;
  }
}

}  // namespace

// F 168 1 leaves the surface alone; F 168 2 relaxes level 2 alone, one sweep
// from 0, and the bottom cells take the result.
TEST(AlgMGSurf, LevelTwoAloneGivesOneSweepFromZero) {
  InProjectDir dir;
  SmallGrid g;
  g.nx = 12, g.ny = 1, g.nz = 2;
  Flag2DAccSolver = 1;
  g.build();
  AlgMGMake();
  Cf = Cpres;
  assembleSurface();
  AlgMGSurf();
  for (int c = 1; c <= NoCells; ++c) EXPECT_EQ(Cf[c], 7.0);

  Flag2DAccSolver = 2;
  // One symmetric sweep over the bottom cells in column order, from 0.
  std::vector<double> x(13, 0.0);
  auto upd = [&](int q) {
    const int c = g.cell(g.i1() + q - 1, 2, 1);
    x[q] = ((q < 12 ? x[q + 1] : 0.0) * Cae[c] + (q > 1 ? x[q - 1] : 0.0) * Caw[c] + Csource[c]) / Cap[c];
  };
  for (int q = 1; q <= 12; ++q) upd(q);
  for (int q = 12; q >= 1; --q) upd(q);
  AlgMGSurf();
  for (int q = 1; q <= 12; ++q) {
    EXPECT_DOUBLE_EQ(Cf[g.cell(g.i1() + q - 1, 2, 1)], x[q]) << q;
    EXPECT_EQ(Cf[g.cell(g.i1() + q - 1, 2, 2)], 7.0) << "only the bottom cells change";
  }
}

// F 343 3 ties the coarse levels to the reference column by east links for
// the call only: afterwards every coarse cell has its own links again, so
// that later relaxations of the levels do not read the surface cell.
TEST(AlgMGSurfCasulli, LinksToTheReferenceColumnDoNotOutliveTheCall) {
  InProjectDir dir;
  SmallGrid g;
  g.nx = 12, g.ny = 12, g.nz = 1;
  Flag2DAccSolver = 5;
  g.build();
  AlgMGMake();
  Cf = Cpres;
  iPres = g.i2();
  jPres = g.j1();
  const int r = g.cell(iPres, jPres, 1);
  assembleSurface();
  Cap[r] = 1e30;
  Csource[r] = 1e30 * 2.0;
  const int first = block[2].firstCell, last = block[NoBlocks + NoMGlevels - 1].lastCell;
  const std::vector<int> links(Ccelle + first, Ccelle + last + 1);

  AlgMGSurfCasulli();
  const std::vector<double> plain(Cf, Cf + NoCells + 1);
  assembleSurface();
  Cap[r] = 1e30;
  Csource[r] = 1e30 * 2.0;
  BlockCasulli = 3;
  AlgMGSurfCasulli();
  EXPECT_EQ(std::vector<int>(Ccelle + first, Ccelle + last + 1), links);
  EXPECT_NE(std::vector<double>(Cf, Cf + NoCells + 1), plain) << "the tie changed the solve";
}

// ---- The earlier forms, kept but not called by the engine ----

namespace {

// Two columns of two cells in a row (numbered column by column, so that the
// walk of the earlier forms numbers the coarse cells as AlgMGMake does).
struct TwoColumns {
  InProjectDir dir;
  SmallGrid g;
  TwoColumns() {
    g.nx = 2, g.ny = 1, g.nz = 2;
    Flag2DAccSolver = 1;
    g.build();
    AlgMGMake();
    for (int c = 1; c <= NoCells; ++c) {
      Cae[c] = Ccelle[c] ? 1.0 : 0.0;
      Caw[c] = Ccellw[c] ? 1.0 : 0.0;
      Can[c] = Cas[c] = 0.0;
      Cap[c] = 5.0;
    }
  }
};

}  // namespace

// Acc2D: the column sums of the sources (2 and -2) and couplings (2) on level
// 2: 2 x1 = 2 x2 + 2, 2 x2 = 2 x1 - 2; one sweep from 0 gives x1 = 1, x2 = 0
// (forward 1, 0; backward 0, 1), and every cell takes its column's value.
TEST(Acc2D, ColumnsTakeTheirCoarseValue) {
  TwoColumns t;
  Cf = Cpres;
  Equation = 4;
  for (int c = 1; c <= 4; ++c) Csource[c] = c <= 2 ? 1.0 : -1.0;
  Acc2D();
  EXPECT_DOUBLE_EQ(Cpres[1], 1.0);
  EXPECT_DOUBLE_EQ(Cpres[2], 1.0);
  EXPECT_DOUBLE_EQ(Cpres[3], 0.0);
  EXPECT_DOUBLE_EQ(Cpres[4], 0.0);
}

// Acc2Dcoeff sums the diagonals (10) and couplings (2) of each column and
// raises the diagonal by the coupling sum: 12. Acc2Dsolver then relaxes the
// mean residual 0.4 of each column once with those coefficients and no
// source: forward x1 = 2 0.4 / 12, x2 = 2 x1 / 12, backward x2 again, x1 =
// 2 x2 / 12; the field adds them, and Cf stays the caller's.
TEST(Acc2D, TheSolverFormAddsTheRelaxedResidual) {
  TwoColumns t;
  for (int c = 1; c <= 4; ++c) Csource[c] = 0.0;
  EXPECT_EQ(Acc2Dcoeff(5), 1);
  const int c1 = block[2].firstCell;
  EXPECT_DOUBLE_EQ(Cap[c1], 12.0);
  EXPECT_DOUBLE_EQ(Cae[c1], 2.0);
  Equation = 1;
  Cf = Cpres;
  for (int c = 1; c <= 4; ++c) Cxvel[c] = 1.0, Cxvel_res[c] = 0.4;
  Acc2Dsolver(5);
  EXPECT_EQ(Cf, Cpres);
  const double x2 = 2.0 * (2.0 * 0.4 / 12.0) / 12.0, x1 = 2.0 * x2 / 12.0;
  EXPECT_DOUBLE_EQ(Cxvel[1], 1.0 + x1);
  EXPECT_DOUBLE_EQ(Cxvel[2], 1.0 + x1);
  EXPECT_DOUBLE_EQ(Cxvel[3], 1.0 + x2);
}

// Gauss2Dresi relaxes without the source: start 1, 1, couplings 1, diagonal
// 2: forward 0.5, 0.25, backward 0.25, 0.125. AlgMGResidual gives the
// residual over the diagonal, 0 for a fixed cell.
TEST(Acc2D, TheSourceFreeSweepAndTheResidualForm) {
  InProjectDir dir;
  SmallGrid g;
  g.nx = 2, g.ny = 1, g.nz = 1;
  g.build();
  Cf = Cxvel;
  Equation = 1;
  for (int c = 1; c <= 2; ++c) {
    Cae[c] = Ccelle[c] ? 1.0 : 0.0;
    Caw[c] = Ccellw[c] ? 1.0 : 0.0;
    Cap[c] = 2.0, Csource[c] = 5.0, Cf[c] = 1.0;
  }
  Gauss2Dresi(1, 2, 1);
  EXPECT_DOUBLE_EQ(Cf[1], 0.125);
  EXPECT_DOUBLE_EQ(Cf[2], 0.25);

  FlagResidual = 0;
  std::vector<double> out(NoCells + 1, -1.0);
  Cf[1] = 1.0, Cf[2] = 0.0;
  AlgMGResidual(1, 2, 0, out.data());
  EXPECT_DOUBLE_EQ(out[1], (5.0 - 2.0) / 2.0);
  EXPECT_DOUBLE_EQ(out[2], (1.0 + 5.0) / 2.0);
  Cap[2] = 1e30;
  AlgMGResidual(1, 2, 0, out.data());
  EXPECT_EQ(out[2], 0.0);
}

// On a grid of two blocks the levels stand one record further on: the test
// for a small coarsest level looks at the record of that level, not at the
// record with the level's number (here an empty water block), so level 2 of
// twelve columns is kept and relaxed.
TEST(AlgMGSurf, TheSmallLevelTestReadsTheRecordsOfTheLevels) {
  InProjectDir dir;
  SmallGrid g;
  g.nx = 12, g.ny = 1, g.nz = 1;
  Flag2DAccSolver = 2;
  g.build();
  block[2] = BlockRecord{};  // a second block without cells
  NoBlocks = 2;
  AlgMGMake();
  ASSERT_EQ(block[3].gridLevel, 2);
  Cf = Cpres;
  assembleSurface();
  AlgMGSurf();
  for (int c = 1; c <= NoCells; ++c) EXPECT_NE(Cf[c], 7.0) << c;
}

// The outer couplings of a coarse cell of level 3 and up: over 2 x 2 single
// cell columns with (west, east, north, south) couplings SW (1, 2, 3, 4),
// NW (10, 20, 30, 40), NE (100, ...), SE (1000, ...), the one cell of level 3
// has west SW + NW = 11, east NE + SE = 2200, north NW + NE = 330 and south
// SW + SE = 4004, S = 6545. The other equations keep these sums, with the
// diagonal 2 S and the source S q / 4, q the sum of the children's source
// over diagonal (residual 0.4 everywhere: 4 x 0.2), 1309. The pressure form
// joins the cells with the same sums, the diagonal their sum 6545 and the
// source the children's sum (sources 1, 2, 3, 4: 10).
TEST(AlgMGSolve, OuterCouplingsOfACoarseCell) {
  for (int eq : {4, 1}) {
    SCOPED_TRACE(eq);
    InProjectDir dir;
    SmallGrid g;
    g.nx = 2, g.ny = 2, g.nz = 1;
    Flag2DAccSolver = 3;
    NoMGloops = 1;
    g.build();
    AlgMGMake();
    Cf = eq == 4 ? Cpres : Cxvel;
    Equation = eq;
    const int sw = g.cell(2, 2, 1), nw = g.cell(2, 3, 1), ne = g.cell(3, 3, 1), se = g.cell(3, 2, 1);
    const double scale[] = {1.0, 10.0, 100.0, 1000.0};
    int n = 0;
    for (int c : {sw, nw, ne, se}) {
      Caw[c] = 1.0 * scale[n], Cae[c] = 2.0 * scale[n], Can[c] = 3.0 * scale[n], Cas[c] = 4.0 * scale[n];
      Cat[c] = Cab[c] = 0.0;
      Cap[c] = 10.0 * scale[n];
      Csource[c] = ++n;
      Cxvel_res[c] = 0.4;
    }
    for (int c = 0; c <= NoCells; ++c) Cf[c] = 0.0;
    AlgMGSolve();
    const int top = MGSCpoint[MGSCpoint[sw][0]][0];
    ASSERT_GT(top, NoCells);
    for (int c : {nw, ne, se}) ASSERT_EQ(MGSCpoint[MGSCpoint[c][0]][0], top);
    EXPECT_DOUBLE_EQ(Caw[top], 11.0);
    EXPECT_DOUBLE_EQ(Cae[top], 2200.0);
    EXPECT_DOUBLE_EQ(Can[top], 330.0);
    EXPECT_DOUBLE_EQ(Cas[top], 4004.0);
    EXPECT_DOUBLE_EQ(Cap[top], eq == 4 ? 6545.0 : 13090.0);
    EXPECT_NEAR(Csource[top], eq == 4 ? 10.0 : 1309.0, 1e-9);
  }
}
