// The stabilisers after the SIMPLE corrections on small fixtures: the
// pressure jump of single cells (F 136), the vertical velocity and flux
// between stacked cells (F 203) and the direction of flow (F 550).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

std::vector<double> pressures() { return std::vector<double>(Cpres + 1, Cpres + NoCells + 1); }

}  // namespace

// A row of three single cells 1 m wide, F 136 0.01: L = 9810 0.01 1 = 98.1
// Pa. Cells are taken in ascending order and see the pressures as they
// stand; each ends within L of its closest neighbour.
TEST(PressureJumpLimit, SingleCellsStayWithinTheSlopeOfTheirClosestNeighbour) {
  InProjectDir p;
  SmallGrid g;
  g.nx = 3, g.ny = 1, g.nz = 1;
  g.build();
  auto run = [](double limit, std::vector<double> start) {
    for (int c = 1; c <= 3; ++c) Cpres[c] = start[c - 1];
    PresGradMax = limit;
    CorrSimpleCorrections(1);
    return pressures();
  };
  const std::vector<double> after = run(0.01, {1000, 0, 500});
  EXPECT_NEAR(after[0], 98.1, 1e-9);
  EXPECT_EQ(after[1], 0.0);  // closest neighbour cell 1 at 98.1, within L
  EXPECT_NEAR(after[2], 98.1, 1e-9);
  // The default 0 touches nothing.
  EXPECT_EQ(run(0.0, {1000, 0, 500}), (std::vector<double>{1000, 0, 500}));
}

// Along j the half widths in j count: cells 2 m long give L = 196.2 Pa (not
// the 98.1 Pa of the half widths in i), cell 1 is pulled toward cell 2. A
// cell with three lateral neighbours, or with a cell above it, keeps its
// pressure.
TEST(PressureJumpLimit, JDistancesAndCellsThatAreNotLimited) {
  {
    InProjectDir p;
    SmallGrid g;
    g.nx = 1, g.ny = 2, g.nz = 1, g.dy = 2.0;
    g.build();
    Cpres[1] = 0;
    Cpres[2] = 1000;
    PresGradMax = 0.01;
    CorrSimpleCorrections(1);
    EXPECT_NEAR(Cpres[1], 1000 - 196.2, 1e-9);
    EXPECT_EQ(Cpres[2], 1000.0);
  }
  {
    InProjectDir p;
    SmallGrid g;
    g.nx = 3, g.ny = 2, g.nz = 1;
    g.build();
    for (int c = 1; c <= NoCells; ++c) Cpres[c] = 0.0;
    const int middle = g.cell(3, 2, 1);  // w, e and n neighbours
    Cpres[middle] = 5000;
    PresGradMax = 0.01;
    CorrSimpleCorrections(1);
    EXPECT_EQ(Cpres[middle], 5000.0);
  }
  {
    InProjectDir p;
    SmallGrid g;
    g.nx = 2, g.ny = 1, g.nz = 2;
    g.build();
    for (int c = 1; c <= NoCells; ++c) Cpres[c] = 1000.0 * c;
    PresGradMax = 0.01;
    CorrSimpleCorrections(1);
    EXPECT_EQ(pressures(), (std::vector<double>{1000, 2000, 3000, 4000}));
  }
}

// The face between the two stacked cells of a column; both cells move at
// 0.5 m/s horizontally. W by F 203: 1: 0.1 S; 2: Ckdist / Cidist S; 3: r S
// only on faces with r < 0.01.
TEST(VerticalVelocityLimit, VelocitiesAndFluxThroughStackedFacesAreLimited) {
  struct Case {
    const char* what;
    int option;
    double dx, speed;
    double W;  // the limit, or < 0 when the face is left alone
  };
  const Case cases[] = {
      {"1", 1, 1.0, 0.5, 0.05},
      {"1 at rest", 1, 1.0, 0.0, 0.0},
      {"2", 2, 1.0, 0.5, 0.25 / 0.5 * 0.5},
      {"3 on a steep face", 3, 1.0, 0.5, -1},
      {"3 on a flat face", 3, 100.0, 0.5, 0.5 / 200.0 * 0.5},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    InProjectDir p;
    SmallGrid g;
    g.nx = 2, g.ny = 1, g.nz = 2, g.dx = k.dx, g.dy = k.dx;
    g.build();
    const int f = Cflatet[1];
    Ftype1[f] = 6;
    Ftype2[f] = 5;
    const int side = Cflatee[1];  // between the two columns
    Ftype1[side] = 2;
    Ftype2[side] = 4;
    for (int c = 1; c <= NoCells; ++c) {
      Cxvel[c] = 0.6 * k.speed;
      Cyvel[c] = 0.8 * k.speed;
    }
    Czvel[1] = 2.0;
    Czvel[2] = -3.0;
    Fflux[f] = 1e5 * Farea[f];
    Fflux[side] = 1e6;
    FlagVertVelStab = k.option;
    CorrSimpleCorrections(1);
    if (k.W < 0) {
      EXPECT_EQ(Czvel[1], 2.0);
      EXPECT_EQ(Czvel[2], -3.0);
      EXPECT_EQ(Fflux[f], 1e5 * Farea[f]);
    } else {
      EXPECT_NEAR(Czvel[1], k.W, 1e-12);
      EXPECT_NEAR(Czvel[2], -k.W, 1e-12);
      EXPECT_NEAR(Fflux[f], 1000.0 * k.W * Farea[f], 1e-9);
    }
    EXPECT_EQ(Fflux[side], 1e6);
  }
}

// The middle cell of a row of three single cells, the two end cells at the
// discharge groups (never changed): water leaves it through
// its west and east faces and no flux enters it. The first side with a
// neighbour in the order s, w, n, e, b, t (here w) is reversed to -0.01 of
// itself; the warning line is written only with letter K in the last inner
// iteration.
TEST(FlowDirectionCorrection, ACellThatAllWaterLeavesGetsOneFluxReversed) {
  struct Case {
    const char* what;
    char letter;
    int inner, inout;
    double west, east;
    double westAfter;
    bool line;
  };
  const Case cases[] = {
      {"K, last inner iteration", 'K', 3, 0, -1.0, 1.0, 0.01, true},
      {"K, another inner iteration", 'K', 2, 0, -1.0, 1.0, 0.01, false},
      {"no letter K", 'N', 3, 0, -1.0, 1.0, 0.01, false},
      {"a cell at a discharge group", 'K', 3, 1, -1.0, 1.0, -1.0, false},
      {"water enters through the west face", 'K', 3, 0, 1.0, 1.0, 1.0, false},
      {"water enters through the east face", 'K', 3, 0, -1.0, -1.0, -1.0, false},
      // All fluxes zero: nothing changes, so nothing is reported.
      {"no flux at all", 'K', 3, 0, 0.0, 0.0, 0.0, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    InProjectDir p;
    SmallGrid g;
    g.nx = 3, g.ny = 1, g.nz = 1;
    g.build();
    debugging = k.letter;
    TransInnerIter = 3;
    Iter = 7;
    FlagFlowDirCor = 1;
    Cinout[1] = 1;
    Cinout[3] = -2;
    Cinout[2] = k.inout;
    Fflux[Cflatew[2]] = k.west;
    Fflux[Cflatee[2]] = k.east;
    CorrSimpleCorrections(k.inner);
    EXPECT_EQ(Fflux[Cflatew[2]], k.westAfter);
    EXPECT_EQ(Fflux[Cflatee[2]], k.east);
    const std::string log = p.dir().exists("boogie") ? p.dir().boogie() : "";
    EXPECT_EQ(log.find("WarningSC, Iter 7, [3,2], corrected direction of floww(2)\n") != std::string::npos, k.line)
        << log;
    EXPECT_EQ(log.find("WarningSC") != std::string::npos, k.line) << log;
  }
}
