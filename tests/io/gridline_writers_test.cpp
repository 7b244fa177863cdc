// The grid-line files written beside a grid: koordina.new (writekoor) and the
// koordina.si1 / koordina.si2 files, read back line by line on a block whose
// first grid line is not 1, at projected coordinates.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "io/gridfiles.h"
#include "io/modelfiles.h"
#include "state/options.h"
#include "support/in_dir.h"
#include "support/projected_block_grid.h"

namespace {

using G = ProjectedBlockGrid;

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

// Every grid line i = i1..i2 (outer), j = j1..j2 (inner) of the fixture, in
// this order and nothing else: i, j - jShift, x, y, bed and, with six values,
// the water level.
void expectGridLines(const std::string& text, int i1, int i2, int j1, int j2, int jShift, int values) {
  const std::vector<std::string> lines = linesOf(text);
  ASSERT_EQ(lines.size(), static_cast<std::size_t>((i2 - i1 + 1) * (j2 - j1 + 1))) << text;
  std::size_t n = 0;
  for (int i = i1; i <= i2; ++i)
    for (int j = j1; j <= j2; ++j, ++n) {
      SCOPED_TRACE("line " + std::to_string(n + 1) + ": " + lines[n]);
      int fi = 0, fj = 0;
      double v[4] = {0, 0, 0, 0};
      char tail = 0;
      const int read = std::sscanf(lines[n].c_str(), "%d %d %lf %lf %lf %lf %c", &fi, &fj, &v[0], &v[1], &v[2],
                                   &v[3], &tail);
      ASSERT_EQ(read, values) << "values on the line";
      EXPECT_EQ(fi, i);
      EXPECT_EQ(fj, j - jShift);
      EXPECT_NEAR(v[0], G::x(i, j), 1e-6);
      EXPECT_NEAR(v[1], G::y(i, j), 1e-6);
      EXPECT_NEAR(v[2], G::bed(i, j), 1e-6);
      if (values == 6) {
        EXPECT_NEAR(v[3], G::water(i), 1e-6);
      }
    }
}

std::string firstLine(const std::string& t) { return t.substr(0, t.find('\n')); }
std::string lastLine(const std::string& t) {
  const std::size_t end = t.size() && t.back() == '\n' ? t.size() - 1 : t.size();
  return t.substr(t.rfind('\n', end - 1) + 1, end - t.rfind('\n', end - 1) - 1);
}

}  // namespace

// Block 1 spans the columns 3..5 in i and j, so its grid lines are 2..5: the
// first row and the first column are grid line 2.
TEST(GridLineWriters, KoordinaNewHoldsEveryGridLineOfBlockOne) {
  struct Case {
    const char* what;
    int roof;      // K 2 second value
    int parts;     // F 308
    const char* file;
    int values;
    const char* first;
    const char* last;
  };
  const Case cases[] = {
      {"fixed lid: water level written", 0, 0, "koordina.new", 6,
       "2 2 500021.000000 7000040.500000 100.220000 103.002000",
       "5 5 500052.500000 7000101.250000 100.550000 103.005000"},
      {"free surface: bed only", 1, 0, "koordina.new", 5, "2 2 500021.000000 7000040.500000 100.220000",
       "5 5 500052.500000 7000101.250000 100.550000"},
      {"divided run names the file by its parts", 0, 1, "koorina.mpi1.new", 6,
       "2 2 500021.000000 7000040.500000 100.220000 103.002000",
       "5 5 500052.500000 7000101.250000 100.550000 103.005000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    InProjectDir p;
    G::build();
    FlagRoof = c.roof;
    FlagMPI = c.parts;
    EXPECT_EQ(writekoor(), 0);
    ASSERT_TRUE(p.dir().exists(c.file));
    const std::string t = p.dir().read(c.file);
    expectGridLines(t, 2, 5, 2, 5, 0, c.values);
    EXPECT_EQ(firstLine(t), c.first);
    EXPECT_EQ(lastLine(t), c.last);
    // The bed-level copy beside it, whatever the lid.
    const std::string si = p.dir().read("koordina.si1");
    expectGridLines(si, 2, 5, 2, 5, 0, 5);
    EXPECT_EQ(firstLine(si), "2 2 500021.000000 7000040.500000 100.220000");
  }
}

// The corners of the first row and column, written out by hand.
TEST(GridLineWriters, FirstRowAndColumnOfKoordinaSi1) {
  InProjectDir p;
  G::build();
  ASSERT_EQ(writekoor(), 0);
  const std::vector<std::string> l = linesOf(p.dir().read("koordina.si1"));
  ASSERT_EQ(l.size(), 16u);
  EXPECT_EQ(l[0], "2 2 500021.000000 7000040.500000 100.220000");
  EXPECT_EQ(l[3], "2 5 500022.500000 7000100.500000 100.250000");
  EXPECT_EQ(l[12], "5 2 500051.000000 7000041.250000 100.520000");
  EXPECT_EQ(l[15], "5 5 500052.500000 7000101.250000 100.550000");
}

// The grid-file writer leaves koordina.si1 for block 1 and, with a second
// block, koordina.si2 whose j lines count from the last j line of block 1.
TEST(GridLineWriters, GridFileWriterLeavesKoordinaSiFiles) {
  for (bool two : {false, true}) {
    SCOPED_TRACE(two ? "two blocks" : "one block");
    InProjectDir p;
    G::build(two);
    FlagWriteUnstruc = 4;  // no cells are needed
    EXPECT_EQ(WriteUnstructure(), 0);
    expectGridLines(p.dir().read("koordina.si1"), 2, 5, 2, 5, 0, 5);
    if (!two) {
      EXPECT_FALSE(p.dir().exists("koordina.si2"));
      continue;
    }
    // Block 2: columns i = 3..4, j = 8..9, so grid lines i = 2..4, j = 7..9,
    // written as j - 5 = 2..4.
    const std::string si2 = p.dir().read("koordina.si2");
    expectGridLines(si2, 2, 4, 7, 9, 5, 5);
    EXPECT_EQ(firstLine(si2), "2 2 500023.500000 7000140.500000 100.270000");
    EXPECT_EQ(lastLine(si2), "4 4 500044.500000 7000181.000000 100.490000");
  }
}
