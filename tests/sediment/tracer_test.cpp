// Tracer stones: moved with the bed-load speed along the near-bed velocity,
// handed to the next column when they cross into it, recorded in traceres.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sediment/statfiles.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/outputstate.h"
#include "state/runstate.h"
#include "support/case_runner.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

std::vector<std::string> fileLines(const char* name) {
  std::ifstream f(name);
  std::vector<std::string> out;
  for (std::string l; std::getline(f, l);) out.push_back(l);
  return out;
}

// 3 x 3 columns of 1 x 1 m, one cell 1 m high each (Ckdist = Cjdist = 0.5);
// u = 0.4, v = 0.3 and a bed concentration of 0.4: the stones move 0.4 m per
// second along (0.8, 0.6), 0.32 m in x and 0.24 m in y per step of 1 s.
SmallGrid stones(InProjectDir& p, const std::string& file) {
  setControlDefaults();
  setRunStateInitial();
  SmallGrid g;
  g.nx = g.ny = 3;
  g.nz = 1;
  g.build();
  for (double** a : {&tracerX, &tracerY, &DiamTracer})
    if (!*a) {
      EXPECT_TRUE(allocate1(*a, 1000));
    }
  if (!BedTracer) {
    EXPECT_TRUE(allocate1(BedTracer, 1000));
  }
  for (int c = 1; c <= NoCells; ++c) {
    Cxvel[c] = 0.4;
    Cyvel[c] = 0.3;
  }
  for (int b = 1; b <= NoBCells; ++b) Bconc[1][b] = 0.4;
  TimeStep = 1.0;
  if (!file.empty()) p.dir().write("tracer", file);
  return g;
}

}  // namespace

TEST(TracerStones, MoveAlongTheNearBedVelocityAndChangeColumns) {
  InProjectDir p;
  SmallGrid g = stones(p, "stones\nP 0.5 0.5 0.02\nP 2.5 1.5 0.03\n");
  stimet = 10.0;
  tracer();
  ASSERT_EQ(NoTracerStones, 2);
  EXPECT_NEAR(tracerX[0], 0.82, 1e-12);
  EXPECT_NEAR(tracerY[0], 0.74, 1e-12);
  EXPECT_EQ(BedTracer[0], g.bedCell(2, 2));
  EXPECT_EQ(BedTracer[1], g.bedCell(4, 3));
  EXPECT_EQ(DiamTracer[1], 0.03);
  stimet = 11.0;
  tracer();
  // Stone 0 at (1.14, 0.98) has crossed into column (3, 2); stone 1 at
  // (3.14, 1.98) has left the grid.
  EXPECT_NEAR(tracerX[0], 1.14, 1e-12);
  EXPECT_EQ(BedTracer[0], g.bedCell(3, 2));
  EXPECT_EQ(BedTracer[1], g.bedCell(4, 3));
  char line[160];
  std::snprintf(line, sizeof line, "Time step too large for stone number 1, cell indexes (4,3), b=%d, velocity = 0.800000",
                g.bedCell(4, 3));
  EXPECT_TRUE(p.dir().boogieHas(line)) << p.dir().boogie();
  EXPECT_EQ(fileLines("traceres"),
            std::vector<std::string>({"Time  X0  Y0   X1  Y1   ", "",
                                      "10.000000 0.820000 0.740000 2.820000 1.740000 ",
                                      "11.000000 1.140000 0.980000 3.140000 1.980000 "}));
}

TEST(TracerStones, MissingFileEndsTheRun) {
  GTEST_FLAG_SET(death_test_style, "fast");
  InProjectDir p;
  stones(p, "");
  std::remove("tracer");
  EXPECT_EXIT(tracer(), ::testing::ExitedWithCode(255), "");
  EXPECT_TRUE(p.dir().boogieHas("Could not read file 'tracer'. This file is required for the F 424 data set"));
}
