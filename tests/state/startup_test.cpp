// The initial flow state: relaxation factors, residual scales from the
// inflow groups, start fields, hydrostatic pressure and wall roughness.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "state/arrays.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/startup.h"
#include "support/case_runner.h"
#include "support/in_dir.h"
#include "support/small_grid.h"
#include "support/three_cell_grid.h"

namespace {

SmallGrid column(int nz) {
  SmallGrid g;
  g.nx = 1, g.ny = 1, g.nz = nz;
  g.water = [](int, int) { return 3.0; };
  return g;
}

}  // namespace

// Letter N starts the flow state before the slide computations: the first
// call logs the relaxation factors, clamped to their bounds (both strict).
TEST(StartupCase, LetterNLogsTheRelaxationFactors) {
  struct Case {
    std::string k3;
    std::string line;
  };
  const Case cases[] = {
      {"K 3 2.0 2.0 2.0 0.001 0.005 0.005\n", "Relaxation: 0.001000 0.001000 0.010000 0.010000"},
      {"K 3 1.99 1.0 1.0 0.0011 1.5 0.02\n", "Relaxation: 1.990000 0.001100 1.500000 0.020000"},
      {"", "Relaxation: 0.800000 0.200000 0.500000 0.500000"},
  };
  for (const Case& c : cases) {
    CaseDir d;
    d.write("control", threeCellControl("UN", "F 248 1\n" + c.k3));
    d.write("unstruc", ThreeCellGrid{}.text());
    d.run();
    EXPECT_TRUE(d.boogieHas(c.line)) << c.k3 << d.boogie();
  }
}

// The first call sets the fields and logs; a second call keeps the fields and
// logs nothing.
TEST(Startup, FirstCallInitialisesLaterCallsRefresh) {
  InProjectDir p;
  column(2).build();
  startup();
  const std::string first = p.dir().boogie();
  EXPECT_NE(first.find("Relaxation: "), std::string::npos);
  EXPECT_DOUBLE_EQ(Ckinen[1], NormK);
  EXPECT_DOUBLE_EQ(Cepsilon[2], NormEps);
  EXPECT_DOUBLE_EQ(NormResidual[1], 0.1);
  EXPECT_DOUBLE_EQ(NormResidual[4], 10.0);
  EXPECT_EQ(block[0].lastCell, NoCells);
  EXPECT_EQ(FlagNeedsToBeInterpolated, 0);
  FlagInitialized = 1;
  Cxvel[1] = 0.7;
  startup();
  EXPECT_EQ(p.dir().boogie(), first);
  EXPECT_DOUBLE_EQ(Cxvel[1], 0.7);
}

// With F 181 the start pressure is hydrostatic: 9810 Pa per metre of water
// above the cell centre. A column of two cells with half heights 1 m (below)
// and 0.5 m (on top) starts with 19620 Pa and 4905 Pa.
TEST(Startup, HydrostaticStartPressure) {
  InProjectDir p;
  SmallGrid g = column(3);
  g.build();
  FlagGravity = 1;
  startup();
  for (int k = 1; k <= 3; ++k) EXPECT_NEAR(Cpres[g.cell(2, 2, k)], 9810.0 * (3.0 - (k - 0.5)), 1e-9) << k;

  InProjectDir q;
  SmallGrid two = column(2);
  two.build();
  Ckdist[1] = 1.0, Ckdist[2] = 0.5;
  FlagGravity = 1;
  startup();
  EXPECT_DOUBLE_EQ(Cpres[2], 4905.0);
  EXPECT_DOUBLE_EQ(Cpres[1], 19620.0);
}

// One inflow group of 1000 l/s over 10 m2: U close to 0.1 m/s and the residual
// scales of the discharge and momentum; the group's k and epsilon.
TEST(Startup, InflowGroupGivesScalesAndTurbulence) {
  InProjectDir p;
  column(1).build();
  NoSurfaces = 2;
  Farea[1] = 4.0, Farea[2] = 6.0;
  DischargeGroup& G = DischargeStruct[1];
  G.inflow = 1, G.discharge = 1000.0, G.surfno = 2, G.face[0] = 1, G.face[1] = 2;
  startup();
  const double U = 1000 * 0.001 / (10 + 1e-5), k = 0.0025 * U * U;
  EXPECT_DOUBLE_EQ(G.area, 10.0);
  EXPECT_DOUBLE_EQ(NormResidual[4], 1010.0);
  EXPECT_NEAR(NormResidual[1], 0.1 + 1000 * U, 1e-9);
  EXPECT_NEAR(G.kinen, k, 1e-15);
  EXPECT_NEAR(G.epsilon, 0.8 * k * std::sqrt(k / (10 + 1e-10)), 1e-18);
  EXPECT_NEAR(Ckinen[1], k, 1e-15);
}

// An inflow group with a discharge whose faces give no area is refused
// instead of dividing the discharge by almost nothing.
TEST(Startup, InflowWithoutAreaIsRefused) {
  InProjectDir p;
  column(1).build();
  DischargeGroup& G = DischargeStruct[2];
  G.inflow = 1, G.discharge = 500.0, G.surfno = 0;
  EXPECT_EXIT(startup(), ::testing::ExitedWithCode(255), "");
  EXPECT_NE(p.dir().boogie().find("Error: inflow discharge group 2 has a discharge of 500.000000 l/s but no inflow area"),
            std::string::npos)
      << p.dir().boogie();
  // An outflow group without faces is no division.
  G.inflow = 0;
  startup();
}

// Wall roughness from Manning's number when F 16 is negative, at least 1e-5.
TEST(Startup, WallRoughness) {
  struct Case {
    double ks, manning, expected;
  };
  for (const Case& c : {Case{-1.0, 26.0, 1.0}, Case{-1.0, 260.0, 1e-5}, Case{0.05, 26.0, 0.05}, Case{0.0, 26.0, 1e-5}}) {
    InProjectDir p;
    column(2).build();
    XksWall = c.ks;
    ManningInit = c.manning;
    startup();
    EXPECT_NEAR(XksWall, c.expected, 1e-15);
    EXPECT_NEAR(Croughness[1], c.expected, 1e-15);
    EXPECT_NEAR(Croughness[2], c.expected, 1e-15);
  }
}

// G 18 records: every cell takes the last record's values; a record without a
// pressure keeps the one before.
TEST(Startup, InitialValuesOfG18) {
  InProjectDir p;
  column(3).build();
  UInitNo = 2;
  const double rec[3][7] = {{}, {0, 1, 2, 3, 4000, 0.1, 0.01}, {0, 0.5, 0.6, 0.7, -1, 0.2, 0.02}};
  for (int r = 1; r <= 2; ++r)
    for (int q = 0; q < 7; ++q) UInit[r][q] = rec[r][q];
  startup();
  for (int c = 1; c <= 3; ++c) {
    EXPECT_DOUBLE_EQ(Cxvel[c], 0.5);
    EXPECT_DOUBLE_EQ(Czvel[c], 0.7);
    EXPECT_DOUBLE_EQ(Ckinen[c], 0.2);
    EXPECT_DOUBLE_EQ(Cpres[c], 4000.0);  // the second record gives no pressure
  }
}
