// The bed restart file: names, layout, and the read-back by readBedres on
// the same grid (the regeneration is left out here: the grid is the one the
// file was written from).
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "output/output.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

int regenerations = 0;
void sameGrid() { ++regenerations; }

// Values with more digits than the fixed-point fields keep.
void fillBedState() {
  MaxDepth = 1.2345678901234567;
  for (int i = 0; i <= xnumber + 1; ++i)
    for (int j = 0; j <= ynumber + 1; ++j) {
      zval[i][j][1] = 100.0 / 3.0 + i * 1e-9;
      zval[i][j][znumber] = 101.0 / 7.0 + j;
      Surfaces[3][i][j] = -10.0 + 1.0 / 3.0;
      Surfaces[1][i][j] = 2.5e-9 * (i + j);
    }
  for (int b = 1; b <= NoBCells; ++b) {
    Broughness[b] = 0.01 + b * 1e-7;
    Croughness[Bcellt[b]] = 0.02 / 3.0;
    Bedformheight[b] = 1e-8 * b;
    for (int l = 0; l <= NoBedLayers; ++l)
      for (int k = 0; k <= lnumber; ++k) BSedDistrib[l][k][b] = (l + 1) * 0.1 + k * 1e-9 + b * 1e-12;
  }
}

struct BedSnapshot {
  std::vector<double> values;
};
BedSnapshot snapshot(int layers) {
  BedSnapshot s;
  s.values.push_back(MaxDepth);
  const BlockRecord& r = block[1];
  for (int i = r.i1 - 1; i <= r.i2; ++i)
    for (int j = r.j1 - 1; j <= r.j2; ++j)
      for (double v : {zval[i][j][0], zval[i][j][1], zval[i][j][znumber], Surfaces[3][i][j], Surfaces[1][i][j]})
        s.values.push_back(v);
  for (int b = 1; b <= NoBCells; ++b) {
    for (double v : {Broughness[b], Croughness[Bcellt[b]], Bedformheight[b]}) s.values.push_back(v);
    for (int l = 0; l < layers; ++l)
      for (int k = 0; k <= lnumber; ++k) s.values.push_back(BSedDistrib[l][k][b]);
  }
  return s;
}
void clearBedState() {
  MaxDepth = 0;
  for (int i = 0; i <= xnumber + 1; ++i)
    for (int j = 0; j <= ynumber + 1; ++j) {
      zval[i][j][1] = zval[i][j][znumber] = Surfaces[3][i][j] = Surfaces[1][i][j] = 0;
    }
  for (int b = 1; b <= NoBCells; ++b) {
    Broughness[b] = Croughness[Bcellt[b]] = Bedformheight[b] = 0;
    for (int l = 0; l <= NoBedLayers; ++l)
      for (int k = 0; k <= lnumber; ++k) BSedDistrib[l][k][b] = 0;
  }
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}
int words(const std::string& line) {
  std::istringstream in(line);
  int n = 0;
  for (std::string w; in >> w;) ++n;
  return n;
}

// Two-layer and multi-layer runs: the layers in a record and the round trip.
struct LayerCase {
  int bedLayers, tsc, sizes;
  int layersWritten;
};
class BedresLayers : public ::testing::TestWithParam<LayerCase> {};

TEST_P(BedresLayers, WrittenFileReadsBackToTheSameValues) {
  const LayerCase& lc = GetParam();
  InProjectDir d;
  NoBedLayers = lc.bedLayers;
  FlagTSC = lc.tsc;
  lnumber = lc.sizes;
  SmallGrid g;
  g.nx = 3;
  g.build();
  fillBedState();
  Iter = 17;
  ASSERT_EQ(writeBedres(), "bedres.t");

  auto l = lines(d.dir().read("bedres.t"));
  const int gridLines = (g.nx + 1) * (g.ny + 1);
  ASSERT_EQ(static_cast<int>(l.size()), 2 + gridLines + NoBCells);
  EXPECT_EQ(l[0], "Results from TOVAK 2.0, iter = 17");
  EXPECT_EQ(l[1].rfind("K 6 5 3 " + std::to_string(lnumber) + " 6    1.23456789012345669 ", 0), 0u) << l[1];
  EXPECT_EQ(l[2].substr(0, 11), "1 1    0.0 ");  // grid line (1, 1): no cell of its own
  const std::string& firstBed = l[2 + gridLines];
  EXPECT_EQ(words(firstBed), 5 + lc.layersWritten * (lnumber + 1));
  EXPECT_EQ(firstBed.back(), ' ');

  const BedSnapshot written = snapshot(lc.layersWritten);
  ASSERT_EQ(std::rename("bedres.t", "bedres"), 0);
  clearBedState();
  regenerations = 0;
  EXPECT_TRUE(readBedres(sameGrid));
  EXPECT_EQ(regenerations, 1);
  const BedSnapshot read = snapshot(lc.layersWritten);
  ASSERT_EQ(read.values.size(), written.values.size());
  // Fixed-point fields: the levels keep 14 decimals, the other reals six.
  for (std::size_t n = 0; n < read.values.size(); ++n)
    EXPECT_NEAR(read.values[n], written.values[n], 5.0000001e-7) << "value " << n;
}

// The fields of a grid-line and a bed-cell record, character by character:
// levels in 20 characters with 14 decimals, the other reals with six.
TEST(Bedres, RecordsHoldFixedPointFields) {
  InProjectDir d;
  NoBedLayers = 2;
  FlagTSC = 0;
  lnumber = 1;
  SmallGrid g;
  g.nx = 2;
  g.ny = 2;
  g.build();
  zval[2][3][0] = 7.0;
  zval[2][3][1] = 12.5;
  zval[2][3][znumber] = 13.25;
  Surfaces[3][2][3] = -2.5;
  Surfaces[1][2][3] = 1.0 / 3.0;
  const int c = Bcellt[1];
  Broughness[1] = 0.05;
  Croughness[c] = 0.1234567;
  Bedformheight[1] = 1e-8;
  BSedDistrib[1][0][1] = 0.25;
  BSedDistrib[1][1][1] = 1.0;
  BSedDistrib[0][0][1] = 2.0;
  BSedDistrib[0][1][1] = 0.4;
  writeBedres();
  auto l = lines(d.dir().read("bedres.t"));
  const int gridLines = (g.nx + 1) * (g.ny + 1);
  bool found = false;
  for (int n = 2; n < 2 + gridLines; ++n)
    if (const std::string& line = l[n]; line.rfind("2 3 ", 0) == 0) {
      EXPECT_EQ(line, "2 3    7.0    12.50000000000000    13.25000000000000 -2.500000 0.333333");
      found = true;
    }
  EXPECT_TRUE(found);
  const std::string firstBed = l[2 + gridLines];
  EXPECT_EQ(firstBed, "1 " + std::to_string(c) + " 0.050000 0.123457 0.000000 0.250000 1.000000 2.000000 0.400000 ");
}

INSTANTIATE_TEST_SUITE_P(Runs, BedresLayers,
                         ::testing::Values(LayerCase{2, 0, 1, 2}, LayerCase{2, 0, 3, 2},
                                           LayerCase{4, 3, 2, 4},   // multi-layer: every layer, top first
                                           LayerCase{4, 1, 2, 2}));  // more layers but F 37 not 3: layers 1, 0

TEST(Bedres, MultiLayerRecordsStartWithTheTopLayer) {
  InProjectDir d;
  NoBedLayers = 3;
  FlagTSC = 3;
  lnumber = 1;
  SmallGrid g;
  g.nx = 1;
  g.ny = 1;
  g.build();
  for (int l = 0; l < 3; ++l) BSedDistrib[l][0][1] = 10 + l;
  writeBedres();
  auto l = lines(d.dir().read("bedres.t"));
  std::istringstream rec(l.back());
  std::vector<double> v;
  for (double x; rec >> x;) v.push_back(x);
  ASSERT_EQ(v.size(), 5u + 3 * 2);
  EXPECT_EQ(v[5], 12);  // layer 2 thickness
  EXPECT_EQ(v[7], 11);
  EXPECT_EQ(v[9], 10);
}

struct NameCase {
  int printRes, printAlways, mpi;
  std::vector<std::string> names;  // three writes
};
class BedresName : public ::testing::TestWithParam<NameCase> {};

TEST_P(BedresName, FixedOrFirstFreeNumber) {
  const NameCase& c = GetParam();
  InProjectDir d;
  SmallGrid{}.build();
  PrintRes = c.printRes;
  PrintResAlways = c.printAlways;
  FlagMPI = c.mpi;
  std::vector<std::string> got;
  for (int n = 0; n < 3; ++n) got.push_back(writeBedres());
  EXPECT_EQ(got, c.names);
}

INSTANTIATE_TEST_SUITE_P(
    Options, BedresName,
    ::testing::Values(NameCase{0, 0, 0, {"bedres.t", "bedres.t", "bedres.t"}},
                      NameCase{0, 0, 2, {"bedres.mpi2.t", "bedres.mpi2.t", "bedres.mpi2.t"}},
                      NameCase{1, 0, 0, {"bedres.0000", "bedres.0001", "bedres.0002"}},
                      NameCase{0, 4, 0, {"bedres.0000", "bedres.0001", "bedres.0002"}},
                      NameCase{3, 0, 2, {"bedres.mpi2.0000", "bedres.mpi2.0001", "bedres.mpi2.0002"}}));

TEST(Bedres, CoarseLevelAndTwoDimensionalBlocksGiveNoGridLines) {
  InProjectDir d;
  SmallGrid g;
  g.build();
  block[2] = block[1];
  block[2].gridLevel = 2;
  block[3] = block[1];
  block[3].kind = 1;
  NoBlocks = 3;
  fillBedState();
  writeBedres();
  EXPECT_EQ(lines(d.dir().read("bedres.t")).size(), 2u + 9 + 4);
  ASSERT_EQ(std::rename("bedres.t", "bedres"), 0);
  EXPECT_TRUE(readBedres(sameGrid));
}

TEST(Bedres, TheShorterTitleOfEarlierFilesIsRead) {
  InProjectDir d;
  SmallGrid{}.build();
  fillBedState();
  writeBedres();
  std::string text = d.dir().read("bedres.t");
  text.replace(0, text.find('\n'), "Results from TOVAK 2, iter = 3");
  d.dir().write("bedres", text);
  clearBedState();
  EXPECT_TRUE(readBedres(sameGrid));
  EXPECT_EQ(MaxDepth, 1.2345678901234567);
}

TEST(Bedres, WithoutAFileNothingChanges) {
  InProjectDir d;
  SmallGrid{}.build();
  zval[2][2][1] = 4.5;
  regenerations = 0;
  EXPECT_FALSE(readBedres(sameGrid));
  EXPECT_EQ(regenerations, 0);
  EXPECT_EQ(zval[2][2][1], 4.5);
  EXPECT_TRUE(d.dir().boogieHas("Have not used 'bedres' file"));
}

// Files that do not fit end the run with status -3 and the reason.
struct Unfit {
  const char* what;
  std::string (*edit)(std::string);
  const char* message;
};
void PrintTo(const Unfit& u, std::ostream* os) { *os << u.what; }
class BedresUnfit : public ::testing::TestWithParam<Unfit> {};

TEST_P(BedresUnfit, EndsWithStatusMinus3) {
  const Unfit& u = GetParam();
  InProjectDir d;
  SmallGrid{}.build();
  fillBedState();
  writeBedres();
  d.dir().write("bedres", u.edit(d.dir().read("bedres.t")));
  EXPECT_EXIT(readBedres(sameGrid), ::testing::ExitedWithCode(253), "");
  EXPECT_NE(d.dir().boogie().find(u.message), std::string::npos) << d.dir().boogie();
}

std::string replaceLine(std::string t, int n, const std::string& with) {
  std::size_t a = 0;
  for (int k = 0; k < n; ++k) a = t.find('\n', a) + 1;
  return t.replace(a, t.find('\n', a) - a, with);
}

INSTANTIATE_TEST_SUITE_P(
    Files, BedresUnfit,
    ::testing::Values(
        Unfit{"other sizes",
              [](std::string t) { return replaceLine(t, 1, "K 9 5 4 1 4 1.0 8"); },
              "Error in reading bedres file: array size is not correct\n"
              "Number of bedres grid lines in i direction is 9, and in control file 5.\n"
              "Number of bedres grid lines in k direction is 4, and in control file 3.\n"},
        Unfit{"not a bedres file", [](std::string t) { return replaceLine(t, 0, "unstruc 4"); },
              "Error in reading bedres file: the first line is not the title of a bedres file"},
        Unfit{"grid lines out of order", [](std::string t) { return replaceLine(t, 3, "1 3 0.0 1 1 1 1"); },
              "Error in reading bedres file: grid line 1 3 stands where 1 2 was expected"},
        Unfit{"short bed-cell record",
              [](std::string t) { return t.substr(0, t.rfind(' ', t.size() - 3)); },
              "Error in reading bedres file: bed cell 4: layer 0 can not be read"}));

TEST(Bedres, AFileThatCannotBeOpenedEndsWithStatusMinus3) {
  InProjectDir d;
  SmallGrid{}.build();
  d.dir().mkdir("bedres.t");
  EXPECT_EXIT(writeBedres(), ::testing::ExitedWithCode(253), "");
  EXPECT_TRUE(d.dir().boogieHas("Error: can not open file 'bedres.t' for writing"));
}

}  // namespace
