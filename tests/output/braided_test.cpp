// Braiding statistics: the channels of each cross-section of block 1 by the
// run rule, the indexes of the braided file, the thalweg and its sinuosity,
// the drop warning and the averages of the three time windows.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "output/braided.h"
#include "output/output.h"
#include "output/plot_grid.h"
#include "state/outputstate.h"
#include "support/in_dir.h"
#include "surface/surface.h"

namespace {

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

std::vector<double> numbers(const std::string& line) {
  std::vector<double> out;
  std::istringstream in(line);
  for (double v; in >> v;) out.push_back(v);
  return out;
}

// Block 1: cross-sections i = 2..5, columns j = 2..16 of 10 x 20 m, one 1 m
// cell each, bed at 0, water at 1 m. Thresholds as the F 368 defaults:
// BraidedTot 0.001, activity 0.1, 0.2, 0.3 Pa, BraidCells 4.
class Braiding : public ::testing::Test {
 protected:
  InProjectDir dir;
  void SetUp() override {
    allocatePlotModel(8, 18, 4, 1);
    addBoxBlock({2, 5, 2, 16, 1, 0.0, 0.0, 10.0, 20.0, 1.0, 0.0});
    IBraidedStart = 2;
  }
  static int cell(int i, int j) { return static_cast<int>(zval[i][j][0]); }
  // The same shear pattern (Pa, for j = 2..16) in every cross-section.
  static void shear(const std::vector<double>& tau) {
    for (int i = 2; i <= 5; ++i)
      for (int j = 2; j <= 16; ++j) Ckinen[cell(i, j)] = tau[j - 2] / 300.0;
  }
  std::vector<double> lastLine() const { return numbers(lines(dir.dir().read("braided")).back()); }
};

TEST_F(Braiding, ChannelCountsByThreshold) {
  const double A = 1.0, o = 0.0, m = 0.05, q = 0.25;  // active, dead, moderate, active but for the third threshold
  struct Row {
    const char* what;
    std::vector<double> tau;
    double bi1, bi2, bi3, total;
  };
  const std::vector<Row> rows = {
      {"three runs of BraidCells", {A, A, A, A, o, A, A, A, A, o, A, A, A, A, o}, 3, 3, 3, 3},
      {"a run ending in moderate cells at j2", {o, o, o, o, o, o, o, o, o, o, A, A, A, A, m}, 0, 0, 0, 1},
      {"a run reaching the bank", {o, o, o, o, o, o, o, o, o, o, o, A, A, A, A}, 1, 1, 1, 1},
      {"moderate cells neither lengthen nor end a run", {A, A, m, A, A, o, o, o, o, o, o, o, o, o, o}, 1, 1, 1, 1},
      {"a run too short", {A, A, A, o, A, A, A, o, o, o, o, o, o, o, o}, 0, 0, 0, 0},
      {"active for the first two thresholds only", {q, q, q, q, q, o, A, A, A, A, o, o, o, o, o}, 2, 2, 1, 2},
  };
  for (const Row& r : rows) {
    shear(r.tau);
    writeBraided();
    const std::vector<double> v = lastLine();
    ASSERT_EQ(v.size(), 9u) << r.what;
    EXPECT_EQ(v[1], r.bi1) << r.what;
    EXPECT_EQ(v[2], r.bi2) << r.what;
    EXPECT_EQ(v[3], r.bi3) << r.what;
    EXPECT_EQ(v[4], r.total) << r.what;
    EXPECT_EQ(v[5], 1.0) << r.what;  // every column wet: one run of cells
    EXPECT_EQ(v[6], 1.0) << r.what;  // and of depth
    EXPECT_NEAR(computeBI(), r.bi1, 1e-12) << r.what;
  }
}

// A dry column has no shear, whatever the value of the cell array's entry 0.
TEST_F(Braiding, DryColumnHasNoShear) {
  shear(std::vector<double>(15, 1.0));
  for (int i = 2; i <= 5; ++i) zval[i][9][0] = 0;  // column j = 9 dry in every cross-section
  Ckinen[0] = 1.0;
  EXPECT_EQ(columnShear(2, 9), 0.0);
  EXPECT_NEAR(computeBI(), 2.0, 1e-12);
  writeBraided();
  const std::vector<double> v = lastLine();
  EXPECT_EQ(v[1], 2.0);
  EXPECT_EQ(v[5], 2.0);  // cells: two runs either side of the dry column
  EXPECT_EQ(v[6], 1.0);  // the dry column still has depth at its corners
  EXPECT_EQ(Ckinen[0], 1.0);  // the statistics change no model state
}

TEST_F(Braiding, DepthRunsByTheCornerGridLines) {
  for (int i = 1; i <= 5; ++i) zval[i][8][znumber] = zval[i][8][1];  // grid line j = 8 dry
  writeBraided();
  // columns 8 and 9 share grid line 8 but still have depth at their other corners
  EXPECT_EQ(lastLine()[6], 1.0);
  for (int i = 1; i <= 5; ++i) zval[i][9][znumber] = zval[i][9][1];  // column 9 dry at all four corners
  writeBraided();
  EXPECT_EQ(lastLine()[6], 2.0);
}

// Straight channel, equal beds: the thalweg runs along the first column.
// A parabolic bed across the channel puts the thalweg point at its vertex.
TEST_F(Braiding, ThalwegAndSinuosity) {
  FlagThalweg = 1;
  shear(std::vector<double>(15, 1.0));
  stimet = 60.0;
  writeBraided();
  EXPECT_NEAR(lastLine()[7], 1.0, 1e-12);
  EXPECT_NEAR(lastLine()[8], 1.0, 1e-12);  // both banks active
  std::vector<std::string> t = lines(dir.dir().read("thalweg"));
  ASSERT_EQ(t.size(), 3u + 4u);
  EXPECT_EQ(t[2], "Time 60.000000 sec.");
  EXPECT_EQ(t[3], "5.000000 10.000000 0.000000");

  // Bed level (y - y0)^2 across every cross-section, y0 4 m north of the
  // centre of column j = 9; the thalweg in cross-section 3 one column
  // further north, so that the thalweg zigzags.
  for (int i = 2; i <= 5; ++i) {
    const double y0 = Cycenter[cell(i, 9)] + 4.0 + (i == 3 ? 20.0 : 0.0);
    for (int j = 2; j <= 16; ++j) {
      const int c = cell(i, j);
      const double dy = Cycenter[c] - y0;
      Czcenter[c] = dy * dy + 0.5;
    }
  }
  writeBraided();
  t = lines(dir.dir().read("thalweg"));
  ASSERT_EQ(t.size(), 7u + 3u + 4u);
  for (int i = 2; i <= 5; ++i) {
    const int c = cell(i, i == 3 ? 10 : 9);
    const std::vector<double> p = numbers(t[static_cast<std::size_t>(10 + i - 2)]);
    EXPECT_NEAR(p[0], Cxcenter[c], 1e-6);
    EXPECT_NEAR(p[1], Cycenter[c] + 4.0, 1e-6);  // the vertex
    EXPECT_NEAR(p[2], 16.0, 1e-6);
  }
  const double hop = std::hypot(10.0, 20.0);
  EXPECT_NEAR(lastLine()[7], (hop + hop + 10.0) / 30.0, 1e-6);
}

TEST_F(Braiding, ThalwegPointStaysInItsCell) {
  FlagThalweg = 1;
  // The lowest bed in a tall cell of column 9, whose centre lies between
  // those of its neighbours: the parabola through the three centres is
  // nearly flat and its vertex far outside the cell.
  for (int i = 2; i <= 5; ++i) {
    for (int j = 2; j <= 16; ++j) Czcenter[cell(i, j)] = 1.0;  // bed 0.5
    Czcenter[cell(i, 9)] = 5.0;
    Ckdist[cell(i, 9)] = 5.0;
    Czcenter[cell(i, 8)] = 1.0;
    Czcenter[cell(i, 10)] = 9.1;
  }
  writeBraided();
  const std::vector<std::string> t = lines(dir.dir().read("thalweg"));
  ASSERT_EQ(t.size(), 3u + 4u);
  const std::vector<double> p = numbers(t[3]);
  EXPECT_NEAR(p[1], Cycenter[cell(2, 9)] - Cjdist[cell(2, 9)], 1e-6);  // at the cell's south face
  EXPECT_NEAR(p[2], 0.0, 1e-12);
}

TEST_F(Braiding, DropWarningAndWindowAverages) {
  TimeStep = 2520.0;  // one call per window at one call per 100 steps
  shear({1, 1, 1, 1, 0, 1, 1, 1, 1, 0, 1, 1, 1, 1, 0});
  stimet = 100.0;
  writeBraided();  // first window: 3
  EXPECT_EQ(dir.dir().read("boogie").find("Drop in BI"), std::string::npos);
  shear(std::vector<double>(15, 0.0));
  stimet = 300000.0;
  writeBraided();  // second window: 0, a drop from 3
  EXPECT_NE(dir.dir().read("boogie").find("Drop in BI index, 3.000000 -> 0.000000, wl downstream 1.000000, "
                                          "wl upstream 1.000000\n\n"),
            std::string::npos)
      << dir.dir().read("boogie");
  shear({1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
  stimet = 756000.0;
  writeBraided();  // third window: 1, and the report
  const std::vector<std::string> text = lines(dir.dir().read("braided"));
  EXPECT_EQ(text.back(), "Averaged BI: 3.000000 0.000000 1.000000");
  stimet = 756001.0;  // outside the report's interval
  writeBraided();
  EXPECT_EQ(lines(dir.dir().read("braided")).size(), text.size() + 1);
}

TEST_F(Braiding, NoCrossSectionGivesALineOfZeros) {
  IBraidedStart = 6;
  stimet = 5.0;
  writeBraided();
  EXPECT_EQ(lines(dir.dir().read("braided")).back(),
            "5.000000 0.000000 0.000000 0.000000 0.000000 0.000000 0.000000 0.000000 0.000000");
  EXPECT_EQ(computeBI(), 0.0);
}

TEST_F(Braiding, UnopenableFileEndsTheRun) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  dir.dir().mkdir("braided");
  EXPECT_EXIT(
      {
        std::atexit([] {
          std::ifstream in("boogie");
          std::cerr << in.rdbuf();
        });
        writeBraided();
      },
      ::testing::ExitedWithCode(256 - 1), "Error in opening braided file");
}

}  // namespace
