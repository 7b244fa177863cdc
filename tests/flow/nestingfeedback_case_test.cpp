// Two-way nesting (F 261) with the modular flow driver on the real engine: a
// channel of three coarse columns of 10 m x 10 m, 1 m deep, and a nested
// block of 2 x 2 fine columns of 5 m x 5 m lying over the middle coarse
// column. Every fine cell has the middle coarse cell as its parent, so with
// relaxation 1 the feedback after a solve sets the coarse cell to the volume
// mean of the four fine cells (they fill the coarse cell). P 10 100 writes
// the result file after the last of the 100 outer iterations.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support/appendf.h"
#include "support/case_runner.h"
#include "support/validation.h"

namespace {

struct Text {
  std::string t;
  template <class... V>
  void add(const char* fmt, V... v) {
    appendf(t, fmt, v...);
  }
};

// A block of nx x ny columns, one cell each (bed 0 m, water 1 m), columns dx
// by dy from (x0, y0); numbers start after the given bases.
struct Block {
  int nx, ny;
  double x0, y0, dx, dy;
  int pointBase, cellBase, faceBase;
  int face[16][16][6] = {};  // [a][b][s e n w b t]

  int point(int level, int i, int j) const { return pointBase + level * (nx + 1) * (ny + 1) + i * (ny + 1) + j + 1; }
  int cell(int a, int b) const { return a < 0 || b < 0 || a >= nx || b >= ny ? 0 : cellBase + a * ny + b + 1; }
  int points() const { return 2 * (nx + 1) * (ny + 1); }

  void writePoints(Text& o) const {
    for (int level = 0; level < 2; ++level)
      for (int i = 0; i <= nx; ++i)
        for (int j = 0; j <= ny; ++j) o.add("%lf %lf %lf\n", x0 + dx * i, y0 + dy * j, level == 0 ? 0.0 : 1.0);
  }
  // Numbers the faces (south and west only where no neighbour has them) and
  // returns the face lines.
  std::string numberFaces(int& count) {
    Text o;
    count = faceBase;
    for (int a = 0; a < nx; ++a)
      for (int b = 0; b < ny; ++b) {
        const int c = cell(a, b);
        const int sw = point(0, a, b), se = point(0, a + 1, b), ne = point(0, a + 1, b + 1), nw = point(0, a, b + 1);
        const int SW = point(1, a, b), SE = point(1, a + 1, b), NE = point(1, a + 1, b + 1), NW = point(1, a, b + 1);
        int* f = face[a][b];
        if (b == 0) {
          f[0] = ++count;
          o.add("%d %d %d %d %d %d\n", sw, SW, SE, se, 0, c);
        } else {
          f[0] = face[a][b - 1][2];
        }
        f[1] = ++count;
        o.add("%d %d %d %d %d %d\n", se, ne, NE, SE, c, cell(a + 1, b));
        f[2] = ++count;
        o.add("%d %d %d %d %d %d\n", nw, NW, NE, ne, c, cell(a, b + 1));
        if (a == 0) {
          f[3] = ++count;
          o.add("%d %d %d %d %d %d\n", sw, nw, NW, SW, 0, c);
        } else {
          f[3] = face[a - 1][b][1];
        }
        f[4] = ++count;
        o.add("%d %d %d %d %d %d\n", sw, se, ne, nw, 0, c);
        f[5] = ++count;
        o.add("%d %d %d %d %d %d\n", SW, SE, NE, NW, c, 0);
      }
    return o.t;
  }
  void writeCells(Text& o) const {
    for (int a = 0; a < nx; ++a)
      for (int b = 0; b < ny; ++b) {
        const int* f = face[a][b];
        o.add("%d %d %d %d %d %d %d %d ", point(0, a, b), point(0, a + 1, b), point(0, a + 1, b + 1), point(0, a, b + 1),
              point(1, a, b), point(1, a + 1, b), point(1, a + 1, b + 1), point(1, a, b + 1));
        o.add("%d %d %d %d %d %d ", f[0], f[1], f[2], f[3], f[4], f[5]);
        o.add("%d %d %d %d 0 0\n", cell(a, b - 1), cell(a + 1, b), cell(a, b + 1), cell(a - 1, b));
      }
  }
};

// Coarse cells 1..3 (faces 1..16, points 1..16) in block 1, columns (2..4, 2);
// fine cells 4..7 (faces 17..36, points 17..34) in block 2 of nest level 1,
// columns (2..3, 5..6). Group 1 enters through the west face 4, group 2
// leaves through the east face 13 (1 m3/s); groups 3 and 4 take the given
// discharge in and out of the fine block. Two nested-face records without faces
// make the engine map the fine columns to coarse ones.
std::string nestedGrid(double fineLitres) {
  Block coarse{3, 1, 0.0, 0.0, 10.0, 10.0, 0, 0, 0};
  Block fine{2, 2, 10.0, 0.0, 5.0, 5.0, 16, 3, 16};
  int nc = 0, nf = 0;
  const std::string coarseFaces = coarse.numberFaces(nc);
  const std::string fineFaces = fine.numberFaces(nf);
  Text o;
  o.add("%d %d %d %d %d %d %d %d\n", 3, 7, nf, 2, 0, 0, 2, 34);
  coarse.writePoints(o);
  fine.writePoints(o);
  coarse.writeCells(o);
  fine.writeCells(o);
  o.t += coarseFaces + fineFaces;
  o.add("2 4 2 2 0 1 2 1 0 1 1 3 1 %d 1 16 0 0.0 0.0\n", nc);
  o.add("2 3 5 6 1 1 2 0 0 0 4 7 %d %d 17 34 0 0.0 0.0\n", nc + 1, nf);
  o.add("1 0 0 1 999 1 1 1000.0 0.0\n4 \n0.0 5.0\n");
  o.add("0 0 0 1 999 1 1 1000.0 0.0\n13 \n30.0 5.0\n");
  // The fine block passes its own discharge through groups 3 and 4.
  o.add("1 0 0 1 999 2 1 %lf 0.0\n%d %d \n10.0 5.0\n", fineLitres, fine.face[0][0][3], fine.face[0][1][3]);
  o.add("0 0 0 1 999 2 1 %lf 0.0\n%d %d \n20.0 5.0\n", fineLitres, fine.face[1][0][1], fine.face[1][1][1]);
  for (int g = 5; g <= 9; ++g) o.add("1 0 0 1 151 0 0 0.0 0.0\n\n");
  for (int g = 0; g <= 9; ++g) o.add("0 0 0.0 \n");
  for (int i = 1; i <= 4; ++i)
    for (int j = 1; j <= 2; ++j)
      o.add("%d 0.0 1.0 %lf %lf \n", j == 2 && i >= 2 ? i - 1 : 0, 10.0 * (i - 1), 10.0 * (j - 1));
  for (int i = 1; i <= 3; ++i)
    for (int j = 4; j <= 6; ++j)
      o.add("%d 0.0 1.0 %lf %lf \n", i >= 2 && j >= 5 ? fine.cell(i - 2, j - 5) : 0, 10.0 + 5.0 * (i - 1),
            5.0 * (j - 4));
  for (int n = 0; n < 2; ++n) o.add("0 0 0 2 0.0\n0 0 0 0 0\n0 0 0 0 0\n0 0 0 0 0\n0 0 0 0 0\n");
  return o.t;
}

const std::string kControl = "F 2 UW\nG 1 6 8 2 1\nK 2 0 0\nF 65 200 400 400 100 100\nF 328 1\nK 1 100\nP 10 100\n";

struct NestRun {
  CaseDir dir;
  int status = -1;
  explicit NestRun(const std::string& extra, double fineLitres = 1000.0) {
    dir.write("unstruc", nestedGrid(fineLitres));
    dir.write("control", kControl + extra);
    status = dir.run({"OMP_NUM_THREADS=2", "OMP_WAIT_POLICY=passive"});
  }
};

// The mean of a result field (0 u, 3 k, 4 epsilon) over the four fine cells
// 4..7 (equal volumes of 25 m3), which the coarse cell 2 (100 m3) must hold
// after the feedback with relaxation 1.
double fineMean(const ResultField& f, int field) {
  double s = 0.0;
  for (int c = 4; c <= 7; ++c) s += f.cells.at(c).at(field);
  return 0.25 * s;
}

// F 261 3: the feedback after each k and epsilon solve.
TEST(NestingFeedbackCase, CoarseCellUnderTheFineBlockTakesTheirMeanKAndEpsilon) {
  NestRun with("F 261 3 1.0\n");
  ASSERT_EQ(with.status, 1) << with.dir.boogie();
  const ResultField f = readResultFile(with.dir.read("result.0000"));
  ASSERT_EQ(f.cells.size(), 7u) << with.dir.read("result.0000");
  for (int field : {3, 4}) {
    SCOPED_TRACE(field == 3 ? "k" : "epsilon");
    const double mean = fineMean(f, field);
    ASSERT_GT(mean, 0.0);
    // The result file holds nine significant digits.
    EXPECT_NEAR(f.cells.at(2).at(field), mean, 1e-7 * mean);
  }

  // Without the feedback the coarse cell keeps the value of its own
  // equation, which lies well away from the fine mean.
  NestRun without("");
  ASSERT_EQ(without.status, 1) << without.dir.boogie();
  const ResultField g = readResultFile(without.dir.read("result.0000"));
  ASSERT_EQ(g.cells.size(), 7u);
  for (int field : {3, 4}) {
    SCOPED_TRACE(field == 3 ? "k" : "epsilon");
    const double mean = fineMean(g, field);
    EXPECT_GT(std::fabs(g.cells.at(2).at(field) - mean), 1e-3 * mean) << g.cells.at(2).at(field) << " " << mean;
  }
}

// F 261 1 (after each velocity solve, relaxation 1) with 2 m3/s through the
// fine block: its cells carry 2 / (10 m x 1 m) = 0.2 m/s, and the coarse
// cell beneath takes their mean in place of the 1 / (10 x 1) = 0.1 m/s of the
// coarse channel. The pressure correction that follows the feedback in each
// iteration moves the value by far less than the difference.
TEST(NestingFeedbackCase, CoarseCellUnderTheFineBlockTakesTheirMeanVelocity) {
  NestRun with("F 261 1 1.0\n", 2000.0);
  ASSERT_EQ(with.status, 1) << with.dir.boogie();
  const ResultField f = readResultFile(with.dir.read("result.0000"));
  ASSERT_EQ(f.cells.size(), 7u) << with.dir.read("result.0000");
  const double mean = fineMean(f, 0);
  EXPECT_NEAR(mean, 0.2, 1e-3);
  EXPECT_NEAR(f.cells.at(2).at(0), mean, 1e-4 * mean);

  NestRun without("", 2000.0);
  ASSERT_EQ(without.status, 1) << without.dir.boogie();
  const ResultField g = readResultFile(without.dir.read("result.0000"));
  ASSERT_EQ(g.cells.size(), 7u);
  EXPECT_NEAR(fineMean(g, 0), 0.2, 1e-3);
  EXPECT_NEAR(g.cells.at(2).at(0), 0.1, 1e-3);
}

}  // namespace
