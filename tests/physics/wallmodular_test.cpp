// The modular (F 305 1) and river (F 305 2) wall laws.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "physics/physics.h"
#include "physics_fixture.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

using namespace physics_test;

namespace {

// nx x ny columns of nz cells of 1 x 1 x (1/nz) m with the given walls.
struct Column {
  SmallGrid g;
  Column(int nx, int ny, int nz) {
    g.nx = nx;
    g.ny = ny;
    g.nz = nz;
    g.build();
    fillAreaVectors();
    for (int f = 0; f <= NoSurfaces; ++f) Fflagflow[f] = 0;
    setField(Cxvel, [](int c) { return 0.3 + 0.01 * c; });
    setField(Cyvel, [](int) { return 0.1; });
    setField(Czvel, [](int) { return 0.02; });
    setField(Ckinen, [](int) { return 0.002; });
    setField(Croughness, [](int) { return 0.05; });
  }
  static void wall(int f) { Fflagflow[f] = -1; }
  static void run(int eq) {
    Equation = eq;
    for (int c = 0; c <= NoCells; ++c) Cap[c] = Csource[c] = 0.0;
    wall_laws(WCStart, WCEnd);
  }
};

double aOf(double k) { return 31.62 * std::sqrt(300.0 * k); }

}  // namespace

// F 305 1: a cell walled at e and w gets two velocity terms but one k term
// and one epsilon fixing.
TEST(ModularWallLaw, OppositeWallsGiveTwoFrictionsOneKTermOneFixing) {
  InProjectDir dir;
  Column col(1, 1, 1);
  WCStart = 1;
  WCEnd = NoCells;
  FlagNewWall = 1;
  const double y = 0.5, up = 2.5 * std::log(30.0 * y / 0.05), a = aOf(0.002), A = 1.0;
  col.wall(Cflatee[1]);
  col.run(1);
  const double one = Cap[1];
  EXPECT_NEAR(one, a * A / up, 1e-12);
  col.wall(Cflatew[1]);
  col.run(1);
  EXPECT_NEAR(Cap[1], 2.0 * one, 1e-12);
  col.run(5);
  const double V = Cvol[1];
  EXPECT_NEAR(Cap[1], std::sqrt(0.002) * 1000.0 * std::pow(0.09, 0.75) * up / y * V, 1e-9);
  col.run(6);
  EXPECT_EQ(Cap[1], 1e30);
  EXPECT_NEAR(Csource[1] / Cap[1], 0.1643 * std::pow(0.002, 1.5) / (0.4 * y), 1e-15);
  // Omega of model 16 from sqrt(k), and Cmu stays 0.09 under the RNG model.
  TurbulenceModel = 16;
  col.run(6);
  EXPECT_NEAR(Csource[1] / Cap[1], std::sqrt(0.002) / (0.21908 * y), 1e-9);
  TurbulenceModel = 1;
  col.run(1);
  EXPECT_NEAR(Cap[1], 2.0 * one, 1e-12);
}

// F 305 2: the lid is no wall (no friction, the cell is not cleared); bed
// forms below the bed cell's centre keep the bed friction there, bed forms
// three cells high share it equally among those cells; bed forms above
// the whole column share it among all its cells.
TEST(RiverWallLaw, BedFrictionSharedWithinTheBedForms) {
  InProjectDir dir;
  Column col(1, 1, 5);  // cells of 0.2 m, centres 0.1, 0.3, 0.5, 0.7, 0.9
  WCStart = 1;
  WCEnd = NoCells;
  FlagNewWall = 2;
  col.wall(Cflateb[1]);
  col.wall(Cflatet[5]);
  // The bed cell's friction at its own distance (Ckdist 0.1).
  const double up = 2.5 * std::log(30.0 * 0.1 / 0.05), cf = aOf(0.002) * 1.0 / up;
  struct Row {
    double height;
    int cells;
  };
  ASSERT_TRUE(Bedformheight || allocate1(Bedformheight, NoBCells + 1));
  for (const Row r : {Row{0.0, 1}, Row{0.55, 3}, Row{0.35, 2}, Row{5.0, 5}}) {
    Bedformheight[1] = r.height;
    Equation = 1;
    for (int c = 0; c <= NoCells; ++c) Cap[c] = Csource[c] = 7.0;
    wall_laws(1, NoCells);
    for (int c = 1; c <= 5; ++c) {
      // The bed cell is cleared, the others keep what they held.
      const double expect = (c == 1 ? 0.0 : 7.0) + (c <= r.cells ? cf / r.cells : 0.0);
      EXPECT_NEAR(Cap[c], expect, 1e-12) << r.height << " cell " << c;
    }
    // The source of the bed face stays in the bed cell.
    EXPECT_NE(Csource[1], 7.0);
    EXPECT_EQ(Csource[2], 7.0);
  }
}

// The river law cut into chunks that split columns gives the terms of one
// call over the whole range, each chunk writing only its own cells.
TEST(RiverWallLaw, ChunksGiveTheTermsOfTheWholeRange) {
  InProjectDir dir;
  Column col(3, 2, 4);
  WCStart = 1;
  WCEnd = NoCells;
  FlagNewWall = 2;
  markWallsBelowSurface();
  ASSERT_TRUE(Bedformheight || allocate1(Bedformheight, NoBCells + 1));
  for (int b = 1; b <= NoBCells; ++b) Bedformheight[b] = 0.2 * b;
  for (int eq : {1, 2, 3, 5, 6}) {
    col.run(eq);
    const std::vector<double> ap = copy(Cap), su = copy(Csource);
    for (int parts : {3, 5, 7}) {
      Equation = eq;
      for (int c = 0; c <= NoCells; ++c) Cap[c] = Csource[c] = 0.0;
      runChunked(wall_laws, parts, 2);
      for (int c = 1; c <= NoCells; ++c) {
        EXPECT_EQ(Cap[c], ap[c]) << eq << " " << parts << " " << c;
        EXPECT_EQ(Csource[c], su[c]) << eq << " " << parts << " " << c;
      }
    }
  }
}

// u+ of the modular laws by F 15: 0 never below F 139, 5 viscous below
// y+ 11.63.
TEST(ModularWallLaw, UplusByFamily) {
  InProjectDir dir;
  FlagWallAll = 0;
  MinUPlus = 3.0;
  EXPECT_EQ(wall_laws_uplus(100.0, 0.1), 3.0);
  EXPECT_NEAR(wall_laws_uplus(100.0, 10.0), 2.5 * std::log(300.0), 1e-12);
  FlagWallAll = 5;
  EXPECT_EQ(wall_laws_uplus(11.62, 1.0), 11.62);
  EXPECT_NEAR(wall_laws_uplus(11.64, 1.0), 2.5 * std::log(9.0 * 11.64), 1e-12);
}
