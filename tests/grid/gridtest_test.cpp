// The pointer test of the grid and the point tests in plan.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "flow/stages.h"
#include "grid/geometry.h"
#include "grid/grid_builder.h"
#include "state/arrays_optional.h"
#include "state/terrain.h"
#include "io/terrain.h"
#include "support/in_dir.h"

namespace {

std::vector<std::string> gridErrors(const InProjectDir& d) {
  std::vector<std::string> out;
  if (!d.dir().exists("boogie")) return out;
  for (const std::string& l : d.dir().boogieLines())
    if (l.find(" in grid for cell ") != std::string::npos) out.push_back(l);
  return out;
}

void buildChannel() {
  BlockGrid g;
  g.nx = 4, g.ny = 3;
  g.prepare();
  ASSERT_EQ(UnstructureBuild(), 1);
  BedMake();
  ASSERT_GT(Bcellt[1], 0);
  WCStart = 1;
  WCEnd = NoCells;
}

std::string line(int code, int c) { return "Error " + std::to_string(code) + " in grid for cell " + std::to_string(c); }

// The second cell of a column whose west neighbour exists.
int secondCellWithWestNeighbour() {
  const int low = static_cast<int>(zval[4][3][0]);
  return Ccellt[low];
}

}  // namespace

// A grid as the generator builds it passes.
TEST(GridTest, GeneratedGridPasses) {
  InProjectDir d;
  buildChannel();
  gridTest();
  EXPECT_EQ(gridErrors(d), std::vector<std::string>{});
}

// Each broken pointer gives its code for the cell that holds it (and for the
// cell it wrongly names, where that one no longer points back).
TEST(GridTest, EachFaultItsCode) {
  struct Case {
    const char* name;
    std::function<std::vector<std::string>()> breakIt;  // returns the expected lines
  };
  const Case cases[] = {
      {"Fcell1 of cell 1's east face is 2",
       [] {
         Fcell1[Cflatee[1]] = 2;
         return std::vector<std::string>{line(7, 1)};
       }},
      {"south neighbour of a north neighbour elsewhere",
       [] {
         const int c = 1, n = Ccelln[c], x = Ccelle[n];
         Ccells[n] = x;
         return std::vector<std::string>{line(2, c), line(1, n)};
       }},
      {"west neighbour of an east neighbour elsewhere",
       [] {
         const int c = 1, e = Ccelle[c], x = Ccelle[e];
         Ccellw[e] = x;
         return std::vector<std::string>{line(4, c), line(3, e)};
       }},
      {"cell below does not point up",
       [] {
         const int c = secondCellWithWestNeighbour(), b = Ccellb[c];
         Ccellt[b] = Ccellt[c];
         return std::vector<std::string>{line(6, b), line(5, c)};
       }},
      {"Fcell2 of a west face",
       [] {
         const int c = secondCellWithWestNeighbour();
         Fcell2[Cflatew[c]] = 1;
         return std::vector<std::string>{line(10, c)};
       }},
      {"third corner of a bottom cell's bottom face",
       [] {
         const int c = static_cast<int>(zval[3][2][0]);
         Fpoint3[Cflateb[c]] = Cpoint7[c];
         return std::vector<std::string>{line(31, c)};
       }},
      {"second corner of an east face",
       [] {
         const int c = secondCellWithWestNeighbour();
         Fpoint2[Cflatee[c]] = Cpoint4[c];
         return std::vector<std::string>{line(14, c), line(22, Ccelle[c])};
       }},
      {"first corner of a north face",
       [] {
         const int c = static_cast<int>(zval[3][2][0]) + 1;
         Fpoint1[Cflaten[c]] = Cpoint1[c];
         return std::vector<std::string>{line(25, c), line(17, Ccelln[c])};
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InProjectDir d;
    buildChannel();
    const std::vector<std::string> expect = c.breakIt();
    gridTest();
    std::vector<std::string> got = gridErrors(d), want = expect;
    std::sort(got.begin(), got.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want);
  }
}

// One line per fault of a cell, in increasing code order; the status text
// holds the last; nothing is repaired.
TEST(GridTest, SeveralFaultsOfOneCellInCodeOrder) {
  InProjectDir d;
  buildChannel();
  const int c = static_cast<int>(zval[3][2][0]);
  const int top = Cflatet[c];
  Fcell1[top] = 0;                      // 9
  Fpoint4[Cflateb[c]] = Cpoint8[c];     // 32
  Fpoint1[top] = Cpoint1[c];            // 33 (and 29 of the cell above: its bottom face)
  gridTest();
  const std::vector<std::string> got = gridErrors(d);
  const std::vector<std::string> want{line(9, c), line(32, c), line(33, c), line(29, c + 1)};
  EXPECT_EQ(got, want);
  EXPECT_EQ(std::string(mc_message), line(29, c + 1) + " ");
  EXPECT_EQ(Fcell1[top], 0);
}

TEST(GridTest, EmptyRangeWritesNothing) {
  InProjectDir d;
  buildChannel();
  Fcell1[Cflatee[1]] = 2;
  WCStart = 5;
  WCEnd = 4;
  gridTest();
  EXPECT_TRUE(gridErrors(d).empty());
  WCStart = 2;
  WCEnd = NoCells;
  gridTest();
  EXPECT_TRUE(gridErrors(d).empty());
}

// A missing east face is a fault of the first generator only.
TEST(GridTest, MissingSideFaceBySecondGenerator) {
  for (int method : {0, 1}) {
    SCOPED_TRACE(method);
    InProjectDir d;
    buildChannel();
    const int c = secondCellWithWestNeighbour();
    Cflatee[c] = 0;
    UMethod2 = method;
    gridTest();
    const std::vector<std::string> want =
        method == 0 ? std::vector<std::string>{line(7, c), line(13, c), line(14, c), line(15, c), line(16, c)}
                    : std::vector<std::string>{};
    EXPECT_EQ(gridErrors(d), want);
  }
}

// Side faces with an area where the cell has no neighbour but the cells
// below it have one: 100..103 for the second cell of a column, 110..113 for
// every cell against the bottom cell; faces of 1e-10 m2 or less never count.
TEST(GridTest, OpenSidesAgainstTheCellsBelow) {
  struct Case {
    int level;  // 2: second cell of the column, 3: third
    char side;
    double area;
    std::vector<int> codes;
  };
  const Case cases[] = {
      {2, 'w', 1.0, {100, 111}}, {2, 'e', 1.0, {101, 110}}, {2, 's', 1.0, {102, 112}},
      {2, 'n', 1.0, {103, 113}}, {3, 'e', 1.0, {110}},      {3, 'w', 1e-10, {}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(1, k.side) + std::to_string(k.level));
    InProjectDir d;
    buildChannel();
    int c = static_cast<int>(zval[3][3][0]);
    for (int l = 1; l < k.level; ++l) c = Ccellt[c];
    int* nb = k.side == 'w' ? Ccellw : k.side == 'e' ? Ccelle : k.side == 's' ? Ccells : Ccelln;
    const int* face = k.side == 'w' ? Cflatew : k.side == 'e' ? Cflatee : k.side == 's' ? Cflates : Cflaten;
    ASSERT_GT(nb[c], 0);
    nb[c] = 0;
    Farea[face[c]] = k.area;
    gridTest();
    std::vector<std::string> want;
    for (int code : k.codes) want.push_back(line(code, c));
    EXPECT_EQ(gridErrors(d), want);
  }
}

TEST(GridTestDeath, LogCannotBeOpened) {
  InProjectDir d;
  buildChannel();
  Fcell1[Cflatee[1]] = 2;
  std::remove((d.dir().path() + "/boogie").c_str());
  d.dir().mkdir("boogie");
  EXPECT_EXIT(gridTest(), ::testing::ExitedWithCode(253), "");
}

TEST(PointTests, InsideTriangle) {
  struct Case {
    const char* name;
    double x, y;
    bool clockwise;
    int expect;
  };
  // The triangle (0, 0), (4, 0), (0, 4), listed clockwise or counter-clockwise.
  const Case cases[] = {
      {"inside, clockwise", 1, 1, true, 1},       {"inside, counter-clockwise", 1, 1, false, -1},
      {"on an edge, clockwise", 2, 0, true, 1},   {"on an edge, counter-clockwise", 2, 0, false, -1},
      {"on the long edge", 2, 2, false, -1},      {"a corner", 0, 4, true, 1},
      {"outside, clockwise", 3, 3, true, 0},      {"outside, counter-clockwise", 3, 3, false, 0},
      {"outside below", 1, -0.001, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.clockwise)
      EXPECT_EQ(insideTriangle(c.x, c.y, 0, 0, 0, 4, 4, 0), c.expect);
    else
      EXPECT_EQ(insideTriangle(c.x, c.y, 0, 0, 4, 0, 0, 4), c.expect);
  }
  // A degenerate triangle: a point on its line counts clockwise, others not at all.
  EXPECT_EQ(insideTriangle(1, 1, 0, 0, 2, 2, 4, 4), 1);
  EXPECT_EQ(insideTriangle(1, 0, 0, 0, 2, 2, 4, 4), 0);
}

TEST(PointTests, InsideTheCellOutline) {
  InProjectDir d;
  FlagTracer = 1;  // the tracer arrays
  buildChannel();
  ASSERT_NE(tracerX, nullptr);
  // Cell 1 is the bottom cell of column (2, 2): plan 0..1 by 0..1.
  const int c = 1;
  ASSERT_EQ(Px[Cpoint1[c]], 0.0);
  ASSERT_EQ(Px[Cpoint3[c]], 1.0);
  std::string pts;
  const double P[][2] = {{0.5, 0.5}, {1.0, 0.5}, {0.0, 0.0}, {0.5, 1.0}, {1.5, 0.5}, {0.999, 0.001}};
  const int expect[] = {1, 0, 0, 0, 0, 1};
  for (const auto& p : P) pts += "E " + std::to_string(p[0]) + " " + std::to_string(p[1]) + " 0\n";
  d.dir().write("geodata", pts);
  ASSERT_EQ(readGeodata(), 0.0);
  for (int n = 0; n < 6; ++n) {
    tracerX[n] = P[n][0];
    tracerY[n] = P[n][1];
    EXPECT_EQ(insideQuadCellGeo(n, c), expect[n]) << n;
    EXPECT_EQ(insideQuadCellTrace(n, c), expect[n]) << n;
  }
  // Clockwise corners: nothing lies inside.
  std::swap(Cpoint2[c], Cpoint4[c]);
  for (int n = 0; n < 6; ++n) EXPECT_EQ(insideQuadCellGeo(n, c), 0) << n;
  EXPECT_EQ(insideQuadCellGeo(6, c), 0);  // no such point
}

TEST(PointTests, InsideQuad) {
  // The unit square clockwise, then counter-clockwise.
  EXPECT_EQ(insideQuad(0.5, 0.5, 0, 0, 0, 1, 1, 1, 1, 0), 1);
  EXPECT_EQ(insideQuad(0.0, 0.5, 0, 0, 0, 1, 1, 1, 1, 0), 0);
  EXPECT_EQ(insideQuad(1.5, 0.5, 0, 0, 0, 1, 1, 1, 1, 0), 0);
  EXPECT_EQ(insideQuad(0.5, 0.5, 0, 0, 1, 0, 1, 1, 0, 1), 0);
}

// The flow driver tests the grid in every iteration under F 1 A: the example
// channel has no fault.
TEST(GridTestCase, ExampleChannelWithDebugA) {
  auto file = [](const char* name) {
    std::FILE* f = std::fopen((std::string(TOVAK_SOURCE_DIR) + "/examples/channel/" + name).c_str(), "r");
    std::string t;
    if (!f) return t;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) t.append(buf, n);
    std::fclose(f);
    return t;
  };
  std::string control = file("control");
  ASSERT_NE(control.find("K 1 6000"), std::string::npos);
  control.replace(control.find("K 1 6000"), 8, "K 1 5");
  CaseDir d;
  d.write("control", control + "F 1 A\n");
  d.write("koosurf", file("koosurf"));
  EXPECT_EQ(d.run(), 1) << d.boogie();
  EXPECT_NE(d.boogie().find("Iter: 5, Resid: "), std::string::npos);
  EXPECT_EQ(d.boogie().find(" in grid for cell "), std::string::npos) << d.boogie();
  EXPECT_EQ(d.boogie().find("not available"), std::string::npos);
}
