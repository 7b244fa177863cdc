// The pressure reset after a surface move by F 128: cleared, hydrostatic to
// the column's water level, or raised to the critical-flow head upstream of
// supercritical faces.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "grid/generate.h"
#include "grid/geometry.h"
#include "grid/grid_builder.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "surface/surface.h"

namespace {

// A block of nx x ny columns of 1 m x 1 m (grid points 1..nx+1 x 1..ny+1,
// columns 2..nx+1 x 2..ny+1) with its geometry; every pressure starts at
// `start`, the dummy entry included.
bool buildGrid(const BlockGrid& g, double start) {
  g.prepare();
  if (UnstructureBuild() != 1) return false;
  metric();
  BedMake();
  for (int c = 0; c < MaxCeller; ++c) Cpres[c] = start;
  return NoCells > 0;
}

std::vector<int> column(int i, int j) {
  std::vector<int> v;
  for (int c = static_cast<int>(zval[i][j][0]); c > 0; c = Ccellt[c]) v.push_back(c);
  return v;
}

int topCell(int i, int j) { return column(i, j).back(); }

class PresZero : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::make_unique<InProjectDir>();
    setRunStateInitial();
  }
  void TearDown() override {
    dir_.reset();
    setRunStateInitial();
  }

 private:
  std::unique_ptr<InProjectDir> dir_;
};

// Every cell of column (i, j) has pressure p.
void expectColumn(int i, int j, double p) {
  for (int c : column(i, j)) ASSERT_NEAR(Cpres[c], p, 1e-7) << "column " << i << " " << j << " cell " << c;
}

}  // namespace

// Values other than -1, 2 and 3 leave the pressures alone; -1 clears every
// one, the dummy entry 0 too.
TEST_F(PresZero, F128ClearsOrLeavesThePressures) {
  for (int flag : {-1, 0, 1, 4, -2}) {
    SCOPED_TRACE(flag);
    InProjectDir p;
    BlockGrid g;
    g.nx = 3;
    g.ny = 2;
    ASSERT_TRUE(buildGrid(g, 55.0));
    GlobZRef = 0.3;
    FlagPresSetZero = flag;
    computeSetPresZero();
    for (int c = 0; c <= NoCells; ++c) ASSERT_EQ(Cpres[c], flag == -1 ? 0.0 : 55.0) << c;
    EXPECT_EQ(Cpres[NoCells + 1], 55.0);
  }
}

// F 128 3: every cell of a column 9810 (zt - GlobZRef), zt the level of the
// top face of its top cell. Water at 1.2 m over a bed that rises eastwards
// (0.1 m per grid line): every column stands 1.2 m high at the top whatever
// its depth, so with GlobZRef 1.0 every cell gets 9810 x 0.2 = 1962 Pa;
// GlobPresRef (500) is not added. At GlobZRef 1.2 every pressure is 0.
TEST_F(PresZero, F128ThreeMakesEveryColumnHydrostaticToItsWaterLevel) {
  for (double zref : {1.0, 1.2}) {
    SCOPED_TRACE(zref);
    InProjectDir p;
    BlockGrid g;
    g.nx = 4;
    g.ny = 3;
    g.bed = [](int i, int) { return 0.1 * (i - 1); };
    g.water = [](int, int) { return 1.2; };
    ASSERT_TRUE(buildGrid(g, 55.0));
    ASSERT_GT(column(2, 2).size(), 1u);
    GlobZRef = zref;
    GlobPresRef = 500.0;
    FlagPresSetZero = 3;
    computeSetPresZero();
    for (int i = 2; i <= 5; ++i)
      for (int j = 2; j <= 4; ++j) expectColumn(i, j, 9810.0 * (1.2 - zref));
  }
}

// Only the wet columns of updated blocks: block 1 narrowed to the columns
// 3..4 x 2..3, column (4, 3) dry; everything else keeps 55 Pa.
TEST_F(PresZero, F128ThreeLeavesDryColumnsAndOtherBlocksAlone) {
  for (bool updated : {true, false}) {
    SCOPED_TRACE(updated);
    InProjectDir p;
    BlockGrid g;
    g.nx = 4;
    g.ny = 3;
    ASSERT_TRUE(buildGrid(g, 55.0));
    std::vector<int> dry = column(4, 3);
    zval[4][3][0] = 0.0;
    block[1].i1 = 3, block[1].i2 = 4, block[1].j1 = 2, block[1].j2 = 3;
    SurfUpdate[1] = updated ? 1 : 0;
    GlobZRef = 0.5;
    FlagPresSetZero = 3;
    computeSetPresZero();
    for (int i = 2; i <= 5; ++i)
      for (int j = 2; j <= 4; ++j) {
        if (i == 4 && j == 3) continue;
        const bool reset = updated && i >= 3 && i <= 4 && j >= 2 && j <= 3;
        expectColumn(i, j, reset ? 9810.0 * 0.5 : 55.0);
      }
    for (int c : dry) ASSERT_EQ(Cpres[c], 55.0) << c;
  }
}

// F 128 2. Over a flat bed the critical head of a face with velocity U from
// a column whose top cell moves at U is zb + 1.5 U^2/g - U^2/(2g) = zb + U^2/g,
// so P = 9810 (U^2/9.81 - GlobZRef) + GlobPresRef = 1000 U^2 - 9810 GlobZRef
// + GlobPresRef. Water 1 m deep, GlobZRef 1.0, GlobPresRef 500:
//   U = 4 m/s (Froude 4 / sqrt(9.81) = 1.28): P = 16000 - 9810 + 500 = 6690 Pa.
//   U = 3 m/s (Froude 0.96): nothing changes.
// The mass fluxes are set by hand from the velocities: 1000 U times the area.
// Eastwards flow raises every column that has a wet east neighbour (not the
// last one, i = 5); westwards flow the east neighbour of every column (not
// the first one, i = 2); the same northwards and southwards.
TEST_F(PresZero, F128TwoRaisesTheUpstreamColumnOfASupercriticalFace) {
  struct Row {
    const char* what;
    double u, v;
    std::function<bool(int, int)> raised;  // column (i, j) gets P
    double p;
  };
  const Row rows[] = {
      {"east 4 m/s", 4.0, 0.0, [](int i, int) { return i < 5; }, 6690.0},
      {"west 4 m/s", -4.0, 0.0, [](int i, int) { return i > 2; }, 6690.0},
      {"north 4 m/s", 0.0, 4.0, [](int, int j) { return j < 4; }, 6690.0},
      {"south 4 m/s", 0.0, -4.0, [](int, int j) { return j > 2; }, 6690.0},
      {"east 3 m/s, subcritical", 3.0, 0.0, [](int, int) { return false; }, 0.0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    InProjectDir p;
    BlockGrid g;
    g.nx = 4;
    g.ny = 3;
    ASSERT_TRUE(buildGrid(g, 0.0));
    for (int c = 1; c <= NoCells; ++c) {
      Cxvel[c] = r.u;
      Cyvel[c] = r.v;
    }
    for (int c = 1; c <= NoCells; ++c) {
      Fflux[Cflatee[c]] = 1000.0 * r.u * Farea[Cflatee[c]];
      Fflux[Cflaten[c]] = 1000.0 * r.v * Farea[Cflaten[c]];
    }
    GlobZRef = 1.0;
    GlobPresRef = 500.0;
    FlagPresSetZero = 2;
    computeSetPresZero();
    for (int i = 2; i <= 5; ++i)
      for (int j = 2; j <= 4; ++j) expectColumn(i, j, r.raised(i, j) ? r.p : 0.0);
  }
}

// The bed level of a face is the mean of the grid points at its ends: (i, j-1)
// and (i, j) for the east face of column (i, j), (i-1, j) and (i, j) for its
// north face. A bed rising 0.1 m per grid line across the flow and 0.02 m
// per grid line along it, water 1.5 m, 5 m/s (Froude above 1.3 everywhere),
// GlobZRef 1.0, GlobPresRef 0, so P = 9810 zb + 25000 - 9810:
//   east flow, bed 0.1 (j-1) + 0.02 (i-1), east face of column (i, j):
//     zb = 0.1 (j - 1.5) + 0.02 (i - 1), P = 981 (j - 1.5) + 196.2 (i - 1) + 15190
//   north flow, bed 0.1 (i-1) + 0.02 (j-1), north face of column (i, j):
//     zb = 0.1 (i - 1.5) + 0.02 (j - 1), P = 981 (i - 1.5) + 196.2 (j - 1) + 15190
TEST_F(PresZero, F128TwoTakesTheBedLevelAtTheEndsOfTheFace) {
  for (bool east : {true, false}) {
    SCOPED_TRACE(east ? "east" : "north");
    InProjectDir p;
    BlockGrid g;
    g.nx = 4;
    g.ny = 3;
    g.bed = [east](int i, int j) { return east ? 0.1 * (j - 1) + 0.02 * (i - 1) : 0.1 * (i - 1) + 0.02 * (j - 1); };
    g.water = [](int, int) { return 1.5; };
    ASSERT_TRUE(buildGrid(g, 0.0));
    for (int c = 1; c <= NoCells; ++c) {
      Cxvel[c] = east ? 5.0 : 0.0;
      Cyvel[c] = east ? 0.0 : 5.0;
      const int f = east ? Cflatee[c] : Cflaten[c];
      Fflux[f] = 1000.0 * 5.0 * Farea[f];
    }
    GlobZRef = 1.0;
    FlagPresSetZero = 2;
    computeSetPresZero();
    for (int i = 2; i <= 5; ++i)
      for (int j = 2; j <= 4; ++j) {
        const bool raised = east ? i < 5 : j < 4;
        const int across = east ? j : i, along = east ? i : j;
        expectColumn(i, j, raised ? 981.0 * (across - 1.5) + 196.2 * (along - 1) + 15190.0 : 0.0);
      }
  }
}

// A pressure above the critical one stays (pressures are only raised); the
// top-cell velocity of the upstream column lowers the head by (u^2+v^2)/2g.
// One face only: the east face of column (3, 3), flat bed, water 1 m,
// GlobZRef 0, GlobPresRef 0, U = 4 m/s through the face.
//   top cell of (3, 3) at u = 4, v = 3: L = 1.5 x 16/9.81 - 25/19.62,
//   P = 9810 L = 24000 - 12500 = 11500 Pa.
TEST_F(PresZero, F128TwoOnlyRaisesAndUsesTheTopCellVelocity) {
  InProjectDir p;
  BlockGrid g;
  g.nx = 4;
  g.ny = 3;
  ASSERT_TRUE(buildGrid(g, 0.0));
  for (int c : column(3, 3)) Fflux[Cflatee[c]] = 1000.0 * 4.0 * Farea[Cflatee[c]];
  const int t = topCell(3, 3);
  Cxvel[t] = 4.0;
  Cyvel[t] = 3.0;
  const std::vector<int> cells = column(3, 3);
  Cpres[cells[0]] = 20000.0;  // the lowest cell stands above P already
  GlobZRef = 0.0;
  GlobPresRef = 0.0;
  FlagPresSetZero = 2;
  computeSetPresZero();
  EXPECT_EQ(Cpres[cells[0]], 20000.0);
  for (size_t k = 1; k < cells.size(); ++k) EXPECT_NEAR(Cpres[cells[k]], 11500.0, 1e-7) << k;
  for (int c = 1; c <= NoCells; ++c)
    if (c < cells.front() || c > cells.back()) {
      ASSERT_EQ(Cpres[c], 0.0) << c;
    }
}

// A Froude number of exactly 1 changes nothing; just above 1 it raises. The
// face column sums are made exact by hand: only the top cell's east face of
// column (3, 3) has height, area and flux: H = 4/9.81 (9.81 H = 4 to the last
// bit, checked below), A = 1, Q = 2000 kg/s, so U = 2 and F = 2 / sqrt(4) = 1.
TEST_F(PresZero, F128TwoLeavesAFroudeNumberOfExactlyOneAlone) {
  for (double q : {2000.0, 2000.0 * (1.0 + 1e-12)}) {
    SCOPED_TRACE(q);
    InProjectDir p;
    BlockGrid g;
    g.nx = 4;
    g.ny = 3;
    ASSERT_TRUE(buildGrid(g, 0.0));
    const std::vector<int> cells = column(3, 3);
    for (int c : cells) Fdz[Cflatee[c]] = Farea[Cflatee[c]] = Fflux[Cflatee[c]] = 0.0;
    const int f = Cflatee[cells.back()];
    const double H = 4.0 / 9.81;
    ASSERT_EQ(std::sqrt(9.81 * H + 1e-20), 2.0);
    ASSERT_EQ(0.001 * 2000.0 / (1.0 + 1e-20), 2.0);
    Fdz[f] = H;
    Farea[f] = 1.0;
    Fflux[f] = q;
    GlobZRef = -1.0;
    FlagPresSetZero = 2;
    computeSetPresZero();
    const bool above = q > 2000.0;
    // zb 0, U = 2, top cell at rest: P = 9810 (6/9.81 + 1) = 6000 + 9810
    for (int c : cells) ASSERT_NEAR(Cpres[c], above ? 15810.0 : 0.0, 1e-6) << c;
  }
}

// A face to a dry column is not treated; a face to a wet column beyond the
// block is. Block 1 is narrowed to the columns 2..4 (the grid has 2..5):
// with eastwards flow column 4 is raised over its face to column 5; with
// column 5 dry it is not. Column 5 itself lies beyond the block and has no
// face of its own treated.
TEST_F(PresZero, F128TwoTreatsTheFacesToWetColumnsBeyondTheBlock) {
  for (bool wetBeyond : {true, false}) {
    SCOPED_TRACE(wetBeyond);
    InProjectDir p;
    BlockGrid g;
    g.nx = 4;
    g.ny = 3;
    ASSERT_TRUE(buildGrid(g, 0.0));
    for (int c = 1; c <= NoCells; ++c) {
      Cxvel[c] = 4.0;
      Fflux[Cflatee[c]] = 1000.0 * 4.0 * Farea[Cflatee[c]];
    }
    block[1].i2 = 4;
    if (!wetBeyond)
      for (int j = 2; j <= 4; ++j) zval[5][j][0] = 0.0;
    GlobZRef = 1.0;
    GlobPresRef = 500.0;
    FlagPresSetZero = 2;
    computeSetPresZero();
    for (int j = 2; j <= 4; ++j) {
      expectColumn(3, j, 6690.0);
      expectColumn(4, j, wetBeyond ? 6690.0 : 0.0);
      if (wetBeyond) expectColumn(5, j, 0.0);
    }
  }
}
