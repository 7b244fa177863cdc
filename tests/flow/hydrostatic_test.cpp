// The horizontal momentum equations of the hydrostatic and depth-averaged
// drivers.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "flow/equationdrivers.h"
#include "flow/flow.h"
#include "flow/hydrostatic.h"
#include "flow/stages.h"
#include "grid/generate.h"
#include "io/kread.h"
#include "io/modelfiles.h"
#include "support/case_runner.h"
#include "state/arrays.h"
#include "state/flowstate.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

// A cell whose diagonal stays below 1e-30 (no coefficients, no walls, no
// sources) stops SimpleWater before anything is solved: the report names the
// cell, its velocities, volume and neighbours and the column's bed and water
// levels, and FlagErrorBreak is set; neither u nor v changes.
TEST(SimpleWater, ZeroDiagonalStopsBeforeAnySolve) {
  InProjectDir dir;
  SmallGrid g;
  g.nx = 2;
  g.ny = 1;
  g.nz = 2;
  g.build();
  for (int f = 0; f <= NoSurfaces; ++f) Fflagflow[f] = 1;
  WCStart = 1;
  WCEnd = NoCells;
  relaxVelocity = 1.0;
  invRelaxVelocity = 1.0;
  for (int c = 1; c <= NoCells; ++c) {
    Cae[c] = Caw[c] = Can[c] = Cas[c] = Cat[c] = Cab[c] = 0.0;
    Cxvel[c] = 0.1 * c;
    Cyvel[c] = -0.05 * c;
    Cpres[c] = 0.0;
  }
  FlagErrorBreak = 0;
  SimpleWater(3);
  EXPECT_EQ(FlagErrorBreak, 1);
  for (int c = 1; c <= NoCells; ++c) {
    EXPECT_EQ(Cxvel[c], 0.1 * c);
    EXPECT_EQ(Cyvel[c], -0.05 * c);
  }
  const std::string log = dir.dir().boogie();
  EXPECT_NE(log.find("Error 4, Cap(1) = 0.000000e+00\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Velocities: 1.000000e-01 -5.000000e-02 0.000000e+00\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Neighbour indexes: 2 0 3 0 0 0\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Bed level: 0.000000e+00"), std::string::npos) << log;
  EXPECT_NE(log.find("Water level: 1.000000e+00"), std::string::npos) << log;
}

namespace {

int divergedPressureCalls = 0;
void pressureGivingNaN(int) {
  ++divergedPressureCalls;
  MaxResidual[4] = NAN;
}

}  // namespace

// A residual that is not a number stops the depth-averaged driver as
// diverged in that very inner iteration, with FlagErrorBreak set.
TEST(WaterSolve2D, ResidualThatIsNotANumberStopsAsDiverged) {
  InProjectDir p;
  p.dir().write("koosurf", straightChannelKoosurf());
  p.dir().write("control", "F 2 YW\nG 1 23 8 5 1\nF 314 1 1\nF 237 1 1.0\nF 237 2 1.0\nK 2 0 0\nF 68 3\nK 1 5\n");
  kread();
  ASSERT_GE(AllocateArrays(1, 1, 1), 0.0);
  readKoosurf();
  Unstructure();
  computeWCStart();
  const ModularDriverCalls saved = modularDriverCalls;
  modularDriverCalls.simplePressure = pressureGivingNaN;
  divergedPressureCalls = 0;
  FlagErrorBreak = 0;
  WaterSolve2D();
  modularDriverCalls = saved;
  EXPECT_EQ(divergedPressureCalls, 1);
  EXPECT_EQ(FlagErrorBreak, 1);
  EXPECT_EQ(gFlagFlow, 0);
  EXPECT_NE(p.dir().boogie().find("Solution diverged\n"), std::string::npos) << p.dir().boogie();
}
