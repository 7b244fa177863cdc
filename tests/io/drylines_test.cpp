// The grid lines of dry areas in a grid file with a column map (versions 0
// to 2): where the four columns around a grid-line intersection are all dry,
// the file gives it no position, and the reader smooths it from its four
// neighbours, pass after pass (one pass per column marked by G 13, at least
// 10 with more than one block).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io/modelfiles.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

// Columns i = 2..6, j = 2..5 of 1 m (grid line i at x = i - 1, j at
// y = j - 1). Dry in the column map: i = 4..6, j = 3..4, and (4, 5). The
// intersections (4, 3) and (5, 3) have no wet column around them; (4, 4) has
// one, (5, 5), the last of its four. The line (6, 3) at the east edge touches
// no wet column either: the file gives it no position (0). With `blocks` 2 a
// second block of one column is appended. Written as `version`; a version-3
// file holds the grid-line positions, 0 for the two intersections.
std::string gridFile(const InProjectDir& p, int version, int blocks) {
  MaxCeller = 200, MaxFlater = 600, MaxPunkter = 600;
  SmallGrid g;
  g.nx = 5, g.ny = 4, g.nz = 1;
  g.build();
  for (int i = 4; i <= 6; ++i)
    for (int j = 3; j <= 4; ++j) zval[i][j][0] = 0.0;
  zval[4][5][0] = 0.0;
  for (int i : {4, 5}) xval[i][3] = yval[i][3] = 0.0;
  if (blocks == 2) {
    NoBlocks = NoBlocks0 = 2;
    block[2] = block[1];
    block[2].i1 = block[2].i2 = 2;
    block[2].j1 = block[2].j2 = 2;
  }
  FlagWriteUnstruc = version;
  WriteUnstructure();
  return p.dir().read(version == 2 ? "unstruc.dry" : "unstruc");
}

}  // namespace

// Passes P and the positions after them, worked by hand. Per pass (i rising,
// values of the pass used at once):
//   x(4,3) = (x(3,3) + x(5,3) + x(4,2) + x(4,4)) / 4 = (2 + x(5,3) + 3 + 3) / 4
//   x(5,3) = (x(4,3) + x(6,3) + x(5,2) + x(5,4)) / 4 = (x(4,3) + 0 + 4 + 4) / 4
//   y(4,3) = (2 + y(5,3) + 1 + 3) / 4,  y(5,3) = (y(4,3) + 0 + 1 + 3) / 4
// from 0: P = 1 gives x 2, 2.5 and y 1.5, 1.375; P = 2 gives x 2.625,
// 2.65625 and y 1.84375, 1.4609375; ten passes reach the fixed point (factor
// 1/16 a pass) x 8/3, 8/3 and y 28/15, 22/15 to within 1e-9.
TEST(DryGridLines, SmoothedByPassesOfTheMarkedColumns) {
  struct Row {
    const char* what;
    int version, blocks;
    std::vector<OutBlockRecord> marks;
    double x43, x53, y43, y53;
  };
  const OutBlockRecord one{0, 2, 2, 2, 2, 0, 0}, two{0, 2, 3, 2, 2, 0, 0};
  const std::vector<Row> rows = {
      {"one block, nothing marked", 2, 1, {}, 0.0, 0.0, 0.0, 0.0},
      {"one column marked", 2, 1, {one}, 2.0, 2.5, 1.5, 1.375},
      {"two columns marked", 2, 1, {two}, 2.625, 2.65625, 1.84375, 1.4609375},
      {"one column marked twice", 2, 1, {one, one}, 2.625, 2.65625, 1.84375, 1.4609375},
      {"two blocks, nothing marked: ten passes", 2, 2, {}, 8.0 / 3, 8.0 / 3, 28.0 / 15, 22.0 / 15},
      {"two blocks, one column marked: ten passes", 2, 2, {one}, 8.0 / 3, 8.0 / 3, 28.0 / 15, 22.0 / 15},
      {"a file with grid-line values is not smoothed", 3, 1, {one}, 0.0, 0.0, 0.0, 0.0},
  };
  for (const Row& r : rows) {
    InProjectDir p;
    const std::string text = gridFile(p, r.version, r.blocks);
    SetArraysZero();
    setControlDefaults();
    xnumber = 8, ynumber = 7, znumber = 2;  // as SmallGrid wrote them
    MaxCeller = 200, MaxFlater = 600, MaxPunkter = 600;
    ASSERT_EQ(sialloc(), 0);
    OutBlockNo = static_cast<int>(r.marks.size());
    for (size_t k = 0; k < r.marks.size(); ++k) OutBlock[k + 1] = r.marks[k];
    p.dir().write("unstruc", text);
    ASSERT_EQ(ReadUnstructure(), 0) << r.what << "\n" << p.dir().boogie();
    ASSERT_EQ(NoBlocks, r.blocks) << r.what;
    EXPECT_EQ(xval[2][3], 1.0) << r.what;  // a line of a wet column, from the file
    EXPECT_NEAR(xval[4][3], r.x43, 1e-9) << r.what;
    EXPECT_NEAR(xval[5][3], r.x53, 1e-9) << r.what;
    EXPECT_NEAR(yval[4][3], r.y43, 1e-9) << r.what;
    EXPECT_NEAR(yval[5][3], r.y53, 1e-9) << r.what;
    // One wet column around (4, 4): it keeps the position of the file.
    EXPECT_EQ(xval[4][4], 3.0) << r.what;
    EXPECT_EQ(yval[4][4], 3.0) << r.what;
  }
}
