// The levels at the open boundaries before a regeneration: the outlet pinning
// with the F 353 blends and the edge rules of F 187, on generated boxes of
// 1 m columns (block 1: columns i = 2..nx+1, j = 2..ny+1, grid points
// i = 1..nx+1, j = 1..ny+1) with discharge group 1 along the west edge
// (inflow) and group 2 along the east edge (outflow). The water stands 1 m
// deep over a flat bed at 0; the new levels are set by hand afterwards.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"
#include "surface/surface.h"

namespace {

double& slot(int i, int j) { return zval[i][j][znumber]; }
double& copySlot(int i, int j) { return zval[i][j][znumber + 1]; }

struct Box {
  InProjectDir dir;
  int nx, ny;
  Box(int nx_ = 6, int ny_ = 3) : nx(nx_), ny(ny_) {
    setRunStateInitial();
    FlowGrid g = FlowGrid::box(nx, ny, 1.0);
    EXPECT_TRUE(g.build());
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) slot(i, j) = copySlot(i, j) = 1.0;
  }
  int east() const { return nx + 1; }
};

}  // namespace

// ---- computeSurfDownstream ----

// The outlet columns (7, 2..4) are open to the east, the two at the walls
// also to the south or north: the east line and the wall corners one line in
// take the reference level in slot znumber; the copies and every other point
// keep theirs.
TEST(SurfDownstream, PinsTheCornersOfTheOpenSidesOfTheOutletColumns) {
  Box box;
  FlagDSO1 = 2;
  GlobZRef = 0.8;
  computeSurfDownstream();
  for (int i = 1; i <= 7; ++i)
    for (int j = 1; j <= 4; ++j) {
      const bool pinned = i == 7 || (i == 6 && (j == 1 || j == 4));
      EXPECT_EQ(slot(i, j), pinned ? 0.8 : 1.0) << i << " " << j;
      EXPECT_EQ(copySlot(i, j), 1.0) << i << " " << j;
    }
}

// Faces of cells below the top cell of a column do not find it: with the
// faces of the top cells taken out of the group nothing is pinned.
TEST(SurfDownstream, OnlyFacesOfTopCellsFindAnOutletColumn) {
  Box box;
  DischargeGroup& G = DischargeStruct[2];
  int kept = 0;
  for (int k = 0; k < G.surfno; ++k) {
    const int c = Fcell1[G.face[k]] != 0 ? Fcell1[G.face[k]] : Fcell2[G.face[k]];
    if (Ccellt[c] != 0) G.face[kept++] = G.face[k];
  }
  ASSERT_GT(kept, 0);
  G.surfno = kept;
  FlagDSO1 = 2;
  GlobZRef = 0.8;
  computeSurfDownstream();
  for (int i = 1; i <= 7; ++i)
    for (int j = 1; j <= 4; ++j) EXPECT_EQ(slot(i, j), 1.0) << i << " " << j;
}

// F 353 10: the nine lines behind the outlet blend linearly between the level
// ten lines upstream and the reference: line 13 - k takes 0.1 k of line 3
// and the rest of the reference.
TEST(SurfDownstream, Blend10IsLinearOverTheTenLinesBehindTheOutlet) {
  Box box(12, 3);
  FlagDSO1 = 2;
  GlobZRef = 0.5;
  surfaceDownstreamDamp = 10;
  for (int j = 1; j <= 4; ++j) slot(3, j) = 1.5;
  computeSurfDownstream();
  for (int j = 1; j <= 4; ++j) {
    EXPECT_EQ(slot(13, j), 0.5);
    for (int k = 1; k <= 9; ++k) EXPECT_NEAR(slot(13 - k, j), 0.1 * k * 1.5 + (1 - 0.1 * k) * 0.5, 1e-12) << k;
    EXPECT_EQ(slot(3, j), 1.5);
    EXPECT_EQ(slot(2, j), 1.0);
  }
}

// An outlet four lines from the west edge of its block: the blend spans the
// lines there are (line 5 - k takes k / 4 of line 1), and nothing is written
// outside the block (the sanitizer build checks the memory).
TEST(SurfDownstream, Blend10NearTheBlockEdgeUsesTheLinesThereAre) {
  Box box(4, 3);
  FlagDSO1 = 2;
  GlobZRef = 0.5;
  surfaceDownstreamDamp = 10;
  for (int j = 0; j <= ynumber + 1; ++j) slot(0, j) = 99.0;
  computeSurfDownstream();
  for (int j = 1; j <= 4; ++j) {
    for (int k = 1; k <= 3; ++k) EXPECT_NEAR(slot(5 - k, j), 0.25 * k * 1.0 + (1 - 0.25 * k) * 0.5, 1e-12);
    EXPECT_EQ(slot(1, j), 1.0);
    EXPECT_EQ(slot(0, j), 99.0);
  }
}

// F 353 11: the parabola through the end levels of the last ten lines of
// block 1, level at the upstream end, over the distance along the grid line:
// the same for a channel along x and one along y (whose x does not change
// along a grid line), and on uneven spacing it follows the distance.
TEST(SurfDownstream, Parabola11FollowsTheDistanceAlongTheGridLine) {
  struct Row {
    const char* name;
    bool alongY;
  };
  for (const Row& r : {Row{"along x", false}, Row{"along y", true}}) {
    SCOPED_TRACE(r.name);
    Box box(12, 3);
    FlagDSO1 = 0;  // F 353 11 works whatever the outlet group is
    surfaceDownstreamDamp = 11;
    // Line i lies at s(i) = (i - 3)^2 / 10 along the channel from line 3.
    for (int i = 1; i <= 13; ++i)
      for (int j = 1; j <= 4; ++j) {
        const double s = (i - 3.0) * (i - 3.0) / 10.0;
        xval[i][j] = r.alongY ? j - 1.0 : s;
        yval[i][j] = r.alongY ? s : j - 1.0;
      }
    for (int j = 1; j <= 4; ++j) {
      slot(3, j) = 2.0;
      slot(13, j) = 1.0;
    }
    computeSurfDownstream();
    for (int j = 1; j <= 4; ++j)
      for (int k = 1; k <= 9; ++k) {
        const double f = (10.0 - k) * (10.0 - k) / 100.0;  // s(13 - k) / s(13)
        EXPECT_NEAR(slot(13 - k, j), 2.0 + (1.0 - 2.0) * f * f, 1e-12) << k;
      }
  }
}

// ---- surfaceEdge ----

// Rule 1 on 3 x 2 columns, every point at its own level: the wall columns
// see a dry column to the north or south and copy across it, before the
// east/west rule, so every point takes the level of its line's point j = 2.
TEST(SurfaceEdge, Rule1CopiesAcrossNorthSouthBordersFirst) {
  Box box(3, 2);
  for (int i = 1; i <= 4; ++i)
    for (int j = 1; j <= 3; ++j) slot(i, j) = copySlot(i, j) = 10.0 * i + j;
  FlagSurfEdge = 1;
  surfaceEdge(0.0);
  for (int i = 1; i <= 4; ++i)
    for (int j = 1; j <= 3; ++j) {
      EXPECT_EQ(slot(i, j), 10.0 * i + 2) << i << " " << j;
      EXPECT_EQ(copySlot(i, j), slot(i, j));
    }
}

// Rule 1 on a single row of columns (north and south both dry): the end
// columns copy across their open west and east sides; the middle one, wet on
// both, stays.
TEST(SurfaceEdge, Rule1CopiesAcrossEastWestBordersWhenNorthAndSouthAgree) {
  Box box(3, 1);
  for (int i = 1; i <= 4; ++i)
    for (int j = 1; j <= 2; ++j) slot(i, j) = copySlot(i, j) = 10.0 * i + j;
  FlagSurfEdge = 1;
  surfaceEdge(0.0);
  EXPECT_EQ(slot(1, 1), 21.0);
  EXPECT_EQ(slot(1, 2), 22.0);
  EXPECT_EQ(slot(2, 1), 21.0);
  EXPECT_EQ(slot(3, 2), 32.0);
  EXPECT_EQ(slot(4, 1), 31.0);
  EXPECT_EQ(slot(4, 2), 32.0);
}

// Rule 2: the outlet corners take the reference level and the two lines
// behind rise to it, in both slots; a reference below the water lowers the
// pinned corners only, never the lines behind.
TEST(SurfaceEdge, Rule2PinsTheOutletAndRaisesTwoLinesWithoutLowering) {
  {
    Box box;
    kSurf = 2;
    FlagSurfEdge = 2;
    surfaceEdge(1.2);
    for (int j = 1; j <= 4; ++j) {
      for (int i = 5; i <= 7; ++i) {
        EXPECT_EQ(slot(i, j), 1.2) << i << " " << j;
        EXPECT_EQ(copySlot(i, j), 1.2);
      }
      EXPECT_EQ(slot(4, j), 1.0);
    }
  }
  {
    Box box;
    kSurf = 2;
    FlagSurfEdge = 2;
    surfaceEdge(0.8);
    for (int j = 1; j <= 4; ++j) EXPECT_EQ(slot(7, j), 0.8);
    for (int j = 2; j <= 3; ++j)
      for (int i = 1; i <= 6; ++i) EXPECT_EQ(slot(i, j), 1.0) << i << " " << j;
  }
}

// Rule 99 reaches beyond the block: every line of the block rises, nothing
// outside it is written. Without kSurf the rule does nothing.
TEST(SurfaceEdge, OutletRulesStayInsideTheBlockAndNeedTheGroup) {
  {
    Box box;
    for (int j = 0; j <= ynumber + 1; ++j) slot(0, j) = -5.0;
    kSurf = 2;
    FlagSurfEdge = 99;
    surfaceEdge(1.2);
    for (int i = 1; i <= 7; ++i)
      for (int j = 1; j <= 4; ++j) EXPECT_EQ(slot(i, j), 1.2) << i << " " << j;
    for (int j = 0; j <= ynumber + 1; ++j) EXPECT_EQ(slot(0, j), -5.0);
  }
  for (int rule : {2, 50, 100, 101}) {
    Box box;
    kSurf = 0;
    FlagSurfEdge = rule;
    surfaceEdge(1.2);
    for (int i = 1; i <= 7; ++i)
      for (int j = 1; j <= 4; ++j) EXPECT_EQ(slot(i, j), 1.0) << rule;
  }
}

// Rules 100 and 101 behind the east outlet at line 7, reference 0.5: line
// 7 - k keeps (0.2 k)^2 of its own level (100) or of line 2's (101, here
// 2.0) and takes the rest from the reference, the same on every row.
TEST(SurfaceEdge, Rules100And101BlendFourLinesWithAWeightWithinOne) {
  for (int rule : {100, 101}) {
    SCOPED_TRACE(rule);
    Box box;
    for (int j = 1; j <= 4; ++j) slot(2, j) = copySlot(2, j) = 2.0;
    kSurf = 2;
    FlagSurfEdge = rule;
    surfaceEdge(0.5);
    const double from = rule == 100 ? 1.0 : 2.0;
    for (int j = 1; j <= 4; ++j) {
      EXPECT_EQ(slot(7, j), 0.5);
      for (int k = 1; k <= 4; ++k) {
        const double q = 0.04 * k * k;
        EXPECT_NEAR(slot(7 - k, j), q * from + (1 - q) * 0.5, 1e-12) << k;
        EXPECT_EQ(copySlot(7 - k, j), slot(7 - k, j));
      }
      EXPECT_EQ(slot(2, j), 2.0);
    }
  }
}

// Rule -1: the inflow corners of the middle column (2, 3) rise to 1.0001
// MinVertDist0 above the bed as the level falls to the bed; the wall columns
// (2, 2) and (2, 4), open on two adjacent sides, are not treated; a level
// above the least depth stays.
TEST(SurfaceEdge, RuleMinus1KeepsTheInflowDepth) {
  Box box;
  ASSERT_GT(MinVertDist0, 0.0);
  for (int j = 1; j <= 4; ++j) slot(1, j) = copySlot(1, j) = 0.0;
  slot(1, 3) = 0.5;
  FlagSurfEdge = -1;
  surfaceEdge(99.0);
  const double least = 1.0001 * MinVertDist0;
  EXPECT_DOUBLE_EQ(slot(1, 2), least);
  EXPECT_DOUBLE_EQ(copySlot(1, 2), least);
  EXPECT_EQ(slot(1, 3), 0.5);
  EXPECT_EQ(slot(1, 1), 0.0);
  EXPECT_EQ(slot(1, 4), 0.0);
  for (int i = 2; i <= 7; ++i) EXPECT_EQ(slot(i, 2), 1.0);
}

// Rule -1 works on group 1 only while it is an inflow group.
TEST(SurfaceEdge, RuleMinus1NeedsAnInflowGroup1) {
  Box box;
  DischargeStruct[1].inflow = 0;
  for (int j = 1; j <= 4; ++j) slot(1, j) = 0.0;
  FlagSurfEdge = -1;
  surfaceEdge(0.0);
  for (int j = 1; j <= 4; ++j) EXPECT_EQ(slot(1, j), 0.0);
}
