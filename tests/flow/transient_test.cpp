// The transient term, the pseudo-time terms, the side damping of block 1
// and the diagonal raise of cells with few lateral neighbours.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "flow/cellequations.h"
#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

// Three fields for the current, previous and second-previous levels.
// The field pointers are put back when the levels go.
struct Levels {
  std::vector<double> now, old, old2;
  double *savedCf = Cf, *savedOld = Cf_old, *savedOld2 = Cf_old2;
  explicit Levels(int n) : now(n + 1, 0.0), old(n + 1, 0.0), old2(n + 1, 0.0) {
    Cf = now.data();
    Cf_old = old.data();
    Cf_old2 = old2.data();
  }
  ~Levels() {
    Cf = savedCf;
    Cf_old = savedOld;
    Cf_old2 = savedOld2;
  }
  Levels(const Levels&) = delete;
  Levels& operator=(const Levels&) = delete;
};

void clearEquation() {
  for (int c = 0; c <= NoCells; ++c) Cap[c] = Csource[c] = Cae[c] = Caw[c] = Can[c] = Cas[c] = Cat[c] = Cab[c] = 0.0;
}

}  // namespace

// One cell of volume V, step dt, a = 1000 V / dt:
//   first order:  ap += a,   S += a po
//   backward second order (F 208): ap += 1.5 a, S += a (2 po - 0.5 poo)
//   Crank-Nicolson 0.5 with one east coefficient 5 (already scaled by 0.5):
//                 ap += a,   S += a po + 0.5/0.5 * 5 (pE - po)
TEST(TransientTerm, TimeSchemesOfOneCellByHand) {
  InProjectDir p;
  SmallGrid g;
  g.nx = 2, g.ny = 1, g.nz = 1;
  g.build();
  Levels L(NoCells);
  const int c = g.cell(2, 2, 1), e = g.cell(3, 2, 1);
  ASSERT_EQ(Ccelle[c], e);
  const double a = 1000.0 * Cvol[c] / 2.0;
  L.old[c] = 1.0, L.old[e] = 2.0, L.old2[c] = 4.0;
  struct Case {
    const char* name;
    int order;
    double cn, ap, source;
  };
  const Case cases[] = {{"first", 0, 0.0, a, a * 1.0},
                        {"second", 1, 0.0, 1.5 * a, a * (2.0 * 1.0 - 0.5 * 4.0)},
                        {"Crank-Nicolson", 0, 0.5, a, a * 1.0 + 5.0 * (2.0 - 1.0)},
                        {"negative order", -1, 0.0, a, a * 1.0}};
  for (const Case& k : cases) {
    clearEquation();
    Cae[c] = 5.0;
    TimeStep = 2.0;
    FlagTimeOrder = k.order;
    CrankNicols = k.cn;
    Equation = 1;
    addTimestep(c, c);
    EXPECT_NEAR(Cap[c], k.ap, 1e-9) << k.name;
    EXPECT_NEAR(Csource[c], k.source, 1e-9) << k.name;
  }
}

// A field constant in space and time solves the assembled transient
// equation unchanged, by every time scheme: the cell equations built from
// the coefficients of a flowing channel, the time term, relaxation, solver.
TEST(TransientTerm, ConstantFieldStaysConstant) {
  struct Case {
    const char* name;
    int order;
    double cn;
  };
  const Case cases[] = {{"first", 0, 0.0}, {"second", 1, 0.0}, {"Crank-Nicolson", 0, 0.5}, {"Crank-Nicolson 0.9", 0, 0.9}};
  for (const Case& k : cases) {
    InProjectDir p;
    ASSERT_TRUE(FlowGrid::sloping(6, 4).build());
    Levels L(NoCells);
    for (int c = 1; c <= NoCells; ++c) {
      Cxvel[c] = 0.4;
      Cyvel[c] = 0.1;
      Cgamma[c] = CgammaV[c] = 0.2;
      L.now[c] = L.old[c] = L.old2[c] = 3.0;
    }
    TimeStep = 0.5;
    FlagTimeOrder = k.order;
    CrankNicols = k.cn;
    relaxVelocity = 0.7;
    invRelaxVelocity = 1.0 / 0.7;
    Equation = 5;  // a scalar: no wall laws, no pressure
    clearEquation();
    waterflow(1, NoSurfaces);
    coeff_make(1, NoSurfaces);
    addTimestep(1, NoCells);
    for (int c = 1; c <= NoCells; ++c) {
      Cap[c] += Cae[c] + Caw[c] + Can[c] + Cas[c] + Cat[c] + Cab[c];
      Cap[c] *= invRelaxVelocity;
      Csource[c] += (1.0 - relaxVelocity) * Cf[c] * Cap[c];
    }
    WCStart = 1, WCEnd = NoCells;
    solver();
    for (int c = 1; c <= NoCells; ++c) ASSERT_NEAR(L.now[c], 3.0, 1e-12) << k.name << " cell " << c;
  }
}

// Pseudo-time and triangle-cell terms: a_i = 1000 V / InnerTimestep with the
// current value, a_t = 1000 V / TimeStep with the old one.
TEST(TransientTerm, PseudoTimeAndTriangleTerms) {
  InProjectDir p;
  SmallGrid g;
  g.nx = 2, g.ny = 1, g.nz = 1;
  g.build();
  Levels L(NoCells);
  const int c = 1, t = 2;  // t is a triangle cell
  Ctrekant[t] = 3;
  L.now[c] = L.now[t] = 2.0;
  L.old[c] = L.old[t] = 1.0;
  const double V = Cvol[c];
  ASSERT_NEAR(Cvol[t], V, 1e-12);
  const double at = 1000.0 * V / 4.0, ai = 1000.0 * V / 0.5;
  struct Case {
    const char* name;
    int inner, presStab, trekant, iter, equation;
    double apC, sC, apT, sT;
  };
  const Case cases[] = {
      {"plain", 0, 0, 0, 1, 1, at, at, at, at},
      {"F 292 1", 1, 0, 0, 1, 1, at + ai, at + 2 * ai, at + ai, at + 2 * ai},
      {"F 292 1, F 482 2", 1, 2, 0, 1, 1, at, at, at, at},
      {"F 482 1", 0, 1, 0, 1, 1, 0, 0, 0, 0},
      {"F 482 1, F 292 5", 5, 1, 0, 1, 1, ai, 2 * ai, ai, 2 * ai},
      {"F 235 1", 0, 0, 1, 1, 1, at, at, 2 * at, 2 * at},
      {"F 235 1 for k", 0, 0, 1, 1, 5, at, at, at, at},
      {"F 235 5", 0, 0, 5, 1, 1, at, at, at, 0},
      {"F 292 2", 2, 0, 0, 1, 1, at, at, at + ai, at + 2 * ai},
      {"F 292 3, Iter 3", 3, 0, 0, 3, 1, at + ai, at + 2 * ai, at + ai, at + 2 * ai},
      {"F 292 3, Iter 2", 3, 0, 0, 2, 1, at, at, at, at},
  };
  for (const Case& k : cases) {
    clearEquation();
    TimeStep = 4.0;
    InnerTimestep = 0.5;
    FlagInnerTimestep = k.inner;
    FlagPresStability = k.presStab;
    FlagCorrTrekant = k.trekant;
    Iter = k.iter;
    Equation = k.equation;
    addTimestep(1, NoCells);
    EXPECT_NEAR(Cap[c], k.apC, 1e-9) << k.name;
    EXPECT_NEAR(Csource[c], k.sC, 1e-9) << k.name;
    EXPECT_NEAR(Cap[t], k.apT, 1e-9) << k.name;
    EXPECT_NEAR(Csource[t], k.sT, 1e-9) << k.name;
  }
}

// Block 1 five columns wide in j: the edge columns times 4, their inner
// neighbours times 2, the middle one unchanged, in every cell of the column
// and whatever the range of the call.
TEST(TransientTerm, SideDampingOfBlockOne) {
  InProjectDir p;
  SmallGrid g;
  g.nx = 2, g.ny = 5, g.nz = 2;
  g.build();
  Levels L(NoCells);
  const double factor[5] = {4, 2, 1, 2, 4};
  struct Case {
    int flag, equation;
    bool damped;
  };
  const Case cases[] = {{1, 1, true}, {1, 3, true}, {1, 5, false}, {2, 5, true}, {2, 1, false}, {0, 1, false}};
  for (const Case& k : cases) {
    clearEquation();
    for (int c = 1; c <= NoCells; ++c) Cap[c] = 1.0;
    TimeStep = 1e30;  // a time term of nothing: the diagonal shows the damping alone
    FlagSideDamp = k.flag;
    Equation = k.equation;
    addTimestep(1, 1);  // the damping covers block 1 whatever the range
    for (int i = g.i1(); i <= g.i2(); ++i)
      for (int j = g.j1(); j <= g.j2(); ++j)
        for (int kk = 1; kk <= g.nz; ++kk)
          EXPECT_NEAR(Cap[g.cell(i, j, kk)], k.damped ? factor[j - g.j1()] : 1.0, 1e-12)
              << "F 415 " << k.flag << " eq " << k.equation << " column " << i << "," << j;
  }
}

// addAp: a corner cell (two lateral neighbours) takes the largest of its
// own diagonal and each neighbour's scaled by the height ratio; a cell with
// three lateral neighbours keeps its own.
TEST(DiagonalRaise, CellsWithAtMostTwoLateralNeighbours) {
  InProjectDir p;
  SmallGrid g;
  g.nx = 3, g.ny = 2, g.nz = 1;
  g.build();
  const int corner = g.cell(2, 2, 1), east = g.cell(3, 2, 1), north = g.cell(2, 3, 1);
  const int edge = g.cell(3, 2, 1);  // west, east and north neighbours
  for (int c = 1; c <= NoCells; ++c) Cap[c] = 1.0;
  Cap[corner] = 2.0;
  Cap[east] = 10.0;
  Cap[north] = 3.0;
  Ckdist[corner] = 0.25;
  Ckdist[east] = 0.5;
  Ckdist[north] = 0.125;
  // corner: max(2, 10 * 0.25/0.5, 3 * 0.25/0.125) = max(2, 5, 6) = 6
  addAp(corner, corner);
  EXPECT_DOUBLE_EQ(Cap[corner], 6.0);
  addAp(edge, edge);
  EXPECT_DOUBLE_EQ(Cap[edge], 10.0);
}
