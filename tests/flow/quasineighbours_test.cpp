// Coefficients of quasi-neighbour lists (F 137) on a hand-made fixture: the
// bottom cell of the west column faces all three cells of the next column
// east, each through its own face.
#include <gtest/gtest.h>

#include <cmath>

#include "flow/cellequations.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"
#include "support/small_grid_faces.h"

namespace {

// Three columns of three cells (1 m wide, 1/3 m high). Cell c = (2, 2, 1)
// lists the cells (3, 2, 1..3) on its east side. Eddy viscosity 0.5, so a
// list face (area 1/3, centres 1 m apart) has D = 1/6.
struct ListFixture {
  InProjectDir dir;
  SmallGrid g;
  int c = 0, q[3] = {0, 0, 0};
  ListFixture() {
    setRunStateInitial();
    QNFlag = 1;
    sou[1] = 1;  // the second-neighbour list arrays
    g.nx = 3, g.ny = 1, g.nz = 3;
    g.build();
    fillSmallGridFaces();
    sou[1] = 0;
    c = g.cell(2, 2, 1);
    for (int k = 0; k < 3; ++k) q[k] = g.cell(3, 2, k + 1);
    Cncelle[c] = 3;
    Cqncelle[c][0] = q[0];
    // The list faces run from c to each list cell.
    for (int k = 0; k < 3; ++k) Fcell1[Cflatew[q[k]]] = c;
    for (int x = 1; x <= NoCells; ++x) {
      Cgamma[x] = 0.5;
      Cae[x] = Caw[x] = 55.0;
    }
    for (int f = 1; f <= NoSurfaces; ++f) Fflux[f] = 0.0;
    // Out of c at a Peclet number above 20 (no diffusion left), into c at
    // Pe 0.3, no flux.
    Fflux[Cflatew[q[0]]] = 600.0;
    Fflux[Cflatew[q[1]]] = -0.05;
    Equation = 1;
  }
};

const double kD = 1.0 / 6.0;
const double kD2 = kD * std::pow(1.0 - 0.1 * 0.3, 5);  // Pe 0.3

}  // namespace

TEST(QuasiNeighbours, PowerLawPassGivesListAndBackCoefficients) {
  ListFixture x;
  QNGridCoeff();
  EXPECT_EQ(Cae[x.c], 0.0);
  EXPECT_NEAR(Cqnae[x.c][0], 0.0, 1e-12);
  EXPECT_NEAR(Cqnae[x.c][1], kD2 + 0.05, 1e-12);
  EXPECT_NEAR(Cqnae[x.c][2], kD, 1e-12);
  EXPECT_NEAR(Caw[x.q[0]], 600.0, 1e-12);
  EXPECT_NEAR(Caw[x.q[1]], kD2, 1e-12);
  EXPECT_NEAR(Caw[x.q[2]], kD, 1e-12);
  EXPECT_NEAR(quasiNeighbourSum(x.c, false), kD2 + 0.05 + kD, 1e-12);
  // Cells without lists keep their coefficients.
  for (int c = 1; c <= NoCells; ++c) {
    if (c != x.c) {
      EXPECT_EQ(Cae[c], 55.0) << c;
    }
  }
  EXPECT_EQ(quasiNeighbourSum(x.q[0], false), 0.0);
}

// Second-order pass: flow into c from q1, whose cell beyond (east) exists:
// r = 1.5, second-neighbour coefficient -(r - 1)|F|; for the flow equations
// r is raised by 1.33 because q1 has a west neighbour, for the sediment (7)
// and the components (8) it is not, so that c takes what q1 gives:
// 1.5 |F| - 0.5 |F|. Flow out of c and no flow give D'. The list cells' own
// coefficients stay.
TEST(QuasiNeighbours, SecondOrderPassWeightsTheInflowingListFaces) {
  struct Row {
    int equation;
    double factor;
  };
  for (const Row r : {Row{1, 1.33}, Row{7, 1.0}, Row{8, 1.0}}) {
    SCOPED_TRACE(r.equation);
    ListFixture x;
    Equation = r.equation;
    sou[r.equation] = 1;
    QNGridCoeff();
    EXPECT_EQ(Cae[x.c], 0.0);
    EXPECT_NEAR(Cqnae[x.c][0], 0.0, 1e-12);
    EXPECT_EQ(Cqnaee[x.c][0], 0.0);
    EXPECT_NEAR(Cqnae[x.c][1], kD2 + 1.5 * r.factor * 0.05, 1e-12);
    EXPECT_NEAR(Cqnaee[x.c][1], -0.5 * 0.05, 1e-12);
    EXPECT_NEAR(Cqnae[x.c][2], kD, 1e-12);
    EXPECT_EQ(Cqnaee[x.c][2], 0.0);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(Caw[x.q[k]], 55.0) << k;
    EXPECT_NEAR(quasiNeighbourSum(x.c, true), kD2 + 1.5 * r.factor * 0.05 - 0.5 * 0.05 + kD, 1e-12);
    sou[r.equation] = 0;
    Equation = 1;
  }
}

// A list longer than the list capacity (znumber entries) is cut to it, and
// list cells beyond the grid get no coefficient.
TEST(QuasiNeighbours, ListsAreCheckedAgainstTheirCapacityAndTheGrid) {
  ListFixture x;
  Cncelle[x.c] = 1000;
  Cqncelle[x.c][0] = NoCells - 1;
  QNGridCoeff();
  for (int k = 0; k < znumber; ++k) {
    if (NoCells - 1 + k > NoCells) {
      EXPECT_EQ(Cqnae[x.c][k], 0.0) << k;
    }
  }
  EXPECT_EQ(Cae[x.c], 0.0);
}

// coeff_make builds the lists at its end (F 137 above 0).
TEST(QuasiNeighbours, CoeffMakeEndsWithTheLists) {
  ListFixture x;
  coeff_make(1, NoSurfaces);
  EXPECT_EQ(Cae[x.c], 0.0);
  EXPECT_NEAR(Cqnae[x.c][1], kD2 + 0.05, 1e-12);
}
