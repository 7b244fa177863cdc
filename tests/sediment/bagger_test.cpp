// Dredging and feeding by the `bagger` schedule (F 386): the weights of the
// steps of a window, the levels and thicknesses reached, the bag_res record
// and the refusal of schedules that do not fit the grid or the tables.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bed/stackbox.h"
#include "io/gridfiles.h"
#include "sediment/sediment.h"
#include "state/baggerstate.h"
#include "state/sedimentstate.h"

namespace {

void twoEvents() { MaxNoBagger = 2; }

void writeFile(const char* name, const std::string& text) {
  std::ofstream f(name);
  f << text;
}
std::string readFile(const char* name) {
  std::ifstream f(name);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}
std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::stringstream s(text);
  for (std::string l; std::getline(s, l);) out.push_back(l);
  return out;
}

// K records at the grid points i1..i2 x j1..j2.
std::string levels(int i1, int i2, int j1, int j2, double level) {
  std::string s;
  for (int i = i1; i <= i2; ++i)
    for (int j = j1; j <= j2; ++j) s += "K " + std::to_string(i) + " " + std::to_string(j) + " 0 0 " + std::to_string(level) + "\n";
  return s;
}

// A 3 x 3 box (columns 2..4) with a flat bed at 0 and the schedule given.
struct Schedule {
  StackBox box;
  Schedule(const std::string& file, int tsc = 2, int flag = 2) : box(3, 3, 2, tsc, 2, false, twoEvents) {
    FlagBagger = flag;
    TimeStep = 300.0;
    NoBaggerTimes = -1;
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) zval[i][j][1] = Surfaces[0][i][j] = 0.0;
    writeFile("bagger", file);
  }
  // One step at time t: Bedmove from 0, the schedule, the change added to
  // the corners of the area's columns (all alike here).
  static void step(double t, int i1, int i2, int j1, int j2) {
    stimet = t;
    for (int b = 0; b <= NoBCells; ++b) Bedmove[b] = 0.0;
    bagger();
    const double d = Bedmove[pointbed[i2][j2]];
    for (int i = i1 - 1; i <= i2; ++i)
      for (int j = j1 - 1; j <= j2; ++j) zval[i][j][1] += d;
  }
};

double columnLevel(int i, int j) {
  return 0.25 * (zval[i][j][1] + zval[i - 1][j][1] + zval[i][j - 1][1] + zval[i - 1][j - 1][1]);
}

}  // namespace

// A window of 0..1000 s at steps of 300 s dredges with the weights 0.3, 0.6
// and 1 and ends at the K level; bag_res holds one line per action whose
// volumes sum to the change times the areas.
TEST(Bagger, DredgingReachesTheLevelInTheLastStep) {
  Schedule s("T 0 1000\nN 2 4 2 4\n" + levels(2, 4, 2, 4, -0.5));
  const double weights[3] = {0.3, 0.6, 1.0};
  double volume = 0.0;
  for (int n = 0; n < 3; ++n) {
    const double before = columnLevel(3, 3);
    Schedule::step(300.0 * (n + 1), 3, 4, 3, 4);
    const int b = pointbed[3][3];
    EXPECT_NEAR(Bedmove[b], weights[n] * (-0.5 - before), 1e-15) << n;
    for (int i = 3; i <= 4; ++i)
      for (int j = 3; j <= 4; ++j) volume += Bedmove[pointbed[i][j]] * Barea[pointbed[i][j]];
    EXPECT_EQ(Bedmove[pointbed[2][2]], 0.0);  // outside the area
  }
  EXPECT_NEAR(columnLevel(4, 4), -0.5, 1e-15);
  const auto out = lines(readFile("bag_res"));
  ASSERT_EQ(out.size(), 6u) << readFile("bag_res");
  EXPECT_EQ(out[0], "Time [sec], Volume [m3]");
  EXPECT_EQ(out[1], "");
  EXPECT_EQ(out[2], "Have read 1 T data sets and 9 D/E/F/N/K data sets from bagger file");
  double sum = 0.0;
  for (int n = 3; n < 6; ++n) {
    double t = 0.0, v = 0.0;
    ASSERT_EQ(std::sscanf(out[n].c_str(), "%lf, %lf", &t, &v), 2) << out[n];
    EXPECT_EQ(t, 300.0 * (n - 2));
    sum += v;
  }
  EXPECT_NEAR(sum, volume, 1e-5);
  // At the end of the window nothing happens.
  stimet = 1000.0;
  Bedmove[pointbed[3][3]] = 0.0;
  bagger();
  EXPECT_EQ(Bedmove[pointbed[3][3]], 0.0);
}

// Columns already below the level are not raised; a column with a corner
// that has no K record is not dredged (no dredging towards 0 m).
TEST(Bagger, NoRaiseAndNoColumnWithoutItsLevels) {
  {
    Schedule s("T 0 1000\nN 2 4 2 4\n" + levels(2, 4, 2, 4, 0.5));
    Schedule::step(300.0, 3, 4, 3, 4);
    EXPECT_EQ(Bedmove[pointbed[3][3]], 0.0);
  }
  {
    Schedule s("T 0 1000\nN 2 4 2 4\n" + levels(2, 3, 2, 3, -0.5));
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) zval[i][j][1] = 1.0;
    stimet = 900.0;
    bagger();
    EXPECT_NEAR(Bedmove[pointbed[3][3]], -1.5, 1e-15);
    EXPECT_EQ(Bedmove[pointbed[4][3]], 0.0);
    EXPECT_EQ(Bedmove[pointbed[3][4]], 0.0);
    EXPECT_EQ(Bedmove[pointbed[4][4]], 0.0);
  }
}

// Z feeding through the per-size change (F 386 2, F 37 3): 0.3, 0.3 and 0.4
// of the thickness, the mass booked in kIn; a call at the end does nothing.
TEST(Bagger, ZFeedingGivesTheShareOfEachStep) {
  Schedule s("T 0 1000\nN 2 3 2 3\nZ 0.2\nF 0.25 0.75\n", 3, 2);
  const double shares[3] = {0.3, 0.3, 0.4};
  const int b = pointbed[2][2];
  double fed = 0.0;
  for (int n = 0; n < 3; ++n) {
    stimet = 300.0 * (n + 1);
    Bedmove[b] = Bbedchange[1][b] = Bbedchange[2][b] = 0.0;
    bagger();
    EXPECT_NEAR(Bedmove[b], shares[n] * 0.2, 1e-15) << n;
    EXPECT_NEAR(Bbedchange[1][b], 0.25 * shares[n] * 0.2, 1e-15);
    EXPECT_NEAR(Bbedchange[2][b], 0.75 * shares[n] * 0.2, 1e-15);
    fed += Bedmove[b];
  }
  EXPECT_NEAR(fed, 0.2, 1e-15);
  EXPECT_EQ(Bedmove[pointbed[4][4]], 0.0);
  // Four columns of 1 m2, a quarter of size 1.
  EXPECT_NEAR(kIn[1], 4.0 * 0.25 * 0.2 * density * 1000.0 * SolidFrac, 1e-9);
  stimet = 1000.0;
  Bedmove[b] = 0.0;
  bagger();
  EXPECT_EQ(Bedmove[b], 0.0);
}

// F 386 1 mixes the feed into the two top layers: a top layer of 0.1 m
// under a feed of 0.3 m becomes pure feed and the layer below gains 0.3 m.
TEST(Bagger, MixingAThinTopLayer) {
  Schedule s("T 0 1000\nN 2 3 2 3\nZ 1.0\nF 0.25 0.75\n", 2, 1);
  const int b = pointbed[2][2];
  s.box.setStack(2, 2, {1.0, 0.1});
  stimet = 300.0;
  bagger();
  EXPECT_NEAR(Bedmove[b], 0.3, 1e-15);
  EXPECT_EQ(BSedDistrib[1][1][b], 0.25);
  EXPECT_EQ(BSedDistrib[1][2][b], 0.75);
  EXPECT_NEAR(BSedDistrib[0][0][b], 1.3, 1e-15);
  EXPECT_EQ(BSedDistrib[1][0][b], 0.1);
}

// The level-limited feeding (F 386 3) takes from the bed source the same
// mass flux as the plain feeding (F 386 2) for the same thickness.
TEST(Bagger, LevelLimitedFeedingScalesTheSourceLikeThePlainOne) {
  double change[2] = {};
  for (int flag : {2, 3}) {
    Schedule s("T 0 1000\n" + std::string("D 2 2 0 0 0.4\nD 3 2 0 0 0.4\nD 2 3 0 0 0.4\nD 3 3 0 0 0.4\nF 0.5 0.5\n"), 2,
               flag);
    const int b = pointbed[3][3];
    stimet = 600.0;
    bagger();
    EXPECT_NEAR(Bedmove[b], 0.4 * 0.3, 1e-15) << flag;
    change[flag - 2] = Bsource[1][b];
    EXPECT_NEAR(change[flag - 2], -0.5 * 0.12 * 1.0 * SolidFrac * 1000.0 / 300.0, 1e-12);
  }
  EXPECT_EQ(change[1], change[0]);
}

// The block-grid writer reads the schedule without acting on it.
TEST(Bagger, TheGridWriterOnlyReads) {
  Schedule s("T 0 1000\nN 2 4 2 4\n" + levels(2, 4, 2, 4, -0.5), 2, 1);
  stimet = 500.0;
  writekoosurf();
  EXPECT_EQ(NoBaggerTimes, 0);
  EXPECT_EQ(lines(readFile("bag_res")).size(), 3u);
  for (int b = 1; b <= NoBCells; ++b) EXPECT_EQ(Bedmove[b], 0.0);
}

// bagger.cor: the last event on the coarse grid lines 1, 3 of block 1
// (grid lines 1..4), renumbered 1, 2; a level of 0.01 or less in magnitude
// and the points between the coarse lines give no D record.
TEST(Bagger, TheGridWriterSavesTheLastEventCoarsened) {
  Schedule s("T 0 1000\nN 2 4 2 4\n" + levels(2, 4, 2, 4, -0.5) +
                 "T 2000 3000\nF 0.25 0.75\nD 1 1 0 0 -0.3\nD 3 1 0 0 0.01\nD 1 3 0 0 0.02\n"
                 "D 3 3 0 0 -0.8\nD 2 2 0 0 -0.7\n",
             2, 1);
  writekoosurf();
  ASSERT_EQ(NoBaggerTimes, 1);
  auto point = [](int ci, int cj, int i, int j, const char* level) {
    char l[128];
    std::snprintf(l, sizeof l, "D %d %d %lf %lf %s", ci, cj, xval[i][j], yval[i][j], level);
    return std::string(l);
  };
  const std::vector<std::string> expected = {
      "T 2000.000000 3000.000000", "F 0.250000 0.750000 ", point(1, 1, 1, 1, "-0.300000"),
      point(1, 2, 1, 3, "0.020000"), point(2, 2, 3, 3, "-0.800000")};
  EXPECT_EQ(lines(readFile("bagger.cor")), expected) << readFile("bagger.cor");
}

// Schedules that do not fit end the run with their message and status.
TEST(Bagger, RefusesSchedulesThatDoNotFit) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  std::string many, areas = "T 0 10\n";
  for (int n = 0; n < 101; ++n) many += "T 0 10\n";
  for (int n = 0; n < 21; ++n) areas += "N 2 3 2 3\n";
  struct Row {
    std::string file;
    int status;
    const char* message;
  } rows[] = {
      {"T 10 5\n", 256 - 5, "Error for T data set no. 1 in bagger file\n"},
      {"N 2 3 2 3\nT 0 10\n", 256 - 5, "Error for N data set in bagger file: it stands before the first T data set\n"},
      {many, 256 - 5, "Error for T data set no. 101 in bagger file\n"},
      {areas, 256 - 5, "Error for dredging no. 1, N data set no. 21, in bagger file\n"},
      {"T 0 10\nK 2 2 0 0 -1\n", 256 - 6,
       "Error for K data set in bagger file: Dredging no. 1, area no. 0, i=2, j=2, level=-1.000000\n"},
      {"T 0 10\nN 2 3 2 3\nK 4 2 0 0 -1\n", 256 - 6,
       "Error for K data set in bagger file: Dredging no. 1, area no. 1, i=4, j=2, level=-1.000000\n"},
      {"T 0 10\nN 1 3 2 3\n", 256 - 5, "Error for dredging no. 1, N data set no. 1, in bagger file\n"},
      {"T 0 10\nT 0 10\nT 0 10\nZ 0.2\n", 256 - 6,
       "Error for Z data set in bagger file: Feeding no. 3, area no. 0, level=0.200000\n"},
      {"T 0 10\nD 2 2 0 0\n", 256 - 6,
       "Error for D data set in bagger file: Feeding no. 1, area no. 0, i=2, j=2, level=0.000000\n"},
      {"T 0 10\nF 0.5 1.5\n", 256 - 6,
       "Error for F data set in bagger file: Feeding no. 1, area no. 0, i=0, j=0, size = 2, fraction=1.500000\n"},
  };
  // The child is started afresh and shows its log on stderr at its end.
  auto showLog = [] {
    std::atexit([] {
      std::ifstream in("boogie");
      std::cerr << in.rdbuf();
    });
  };
  for (const Row& r : rows) {
    Schedule s(r.file);
    EXPECT_EXIT(
        {
          showLog();
          bagger();
        },
        ::testing::ExitedWithCode(r.status), r.message)
        << r.file;
  }
  Schedule none("");
  std::remove("bagger");
  EXPECT_EXIT(
      {
        showLog();
        bagger();
      },
      ::testing::ExitedWithCode(256 - 8), "Could not open 'baggger' file\n");
}

// D feeding over the first block by F 386 and F 37: into the layers (1), the
// per-size change (2 and 3 with F 37 3, 3 only up to the reference level),
// or the top cell of the water column (4); D values below 0.05 m feed
// nothing except through the plain and level-limited source.
TEST(Bagger, DFeedingActionsByTheirOptions) {
  struct Row {
    int flag, tsc;
    double thickness;
    double bedmove;  // at t = 600 (share 0.3)
  } rows[] = {{1, 2, 0.4, 0.12}, {1, 2, 0.04, 0.0}, {2, 3, 0.4, 0.12}, {2, 3, 0.04, 0.0},
              {3, 3, 0.4, 0.12}, {3, 3, 0.005, 0.0}, {4, 2, 0.4, 0.12}, {4, 2, 0.04, 0.0}};
  for (const Row& r : rows) {
    std::string file = "T 0 1000\n";
    for (int i = 2; i <= 3; ++i)
      for (int j = 2; j <= 3; ++j)
        file += "D " + std::to_string(i) + " " + std::to_string(j) + " 0 0 " + std::to_string(r.thickness) + "\n";
    Schedule s(file + "F 0.5 0.5\n", r.tsc, r.flag);
    const int b = pointbed[3][3];
    stimet = 600.0;
    bagger();
    EXPECT_NEAR(Bedmove[b], r.bedmove, 1e-15) << r.flag << " " << r.tsc << " " << r.thickness;
    if (r.tsc == 3) {
      EXPECT_NEAR(Bbedchange[1][b], 0.5 * r.bedmove, 1e-15);
    }
    if (r.flag == 4) {
      int top = Bcellt[b];
      while (Ccellt[top] >= 1) top = Ccellt[top];
      EXPECT_NEAR(Csourcem[1][top], SolidFrac * 0.5 * r.bedmove * Barea[b] * 1000.0 / 300.0, 1e-12);
      EXPECT_EQ(Csourcem[1][Bcellt[b]], 0.0);
    }
  }
}
