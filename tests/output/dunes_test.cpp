// Dune statistics on a sine bed of wavelength 10 m and height 0.2 m on
// 0.5 m columns: crests, troughs, dune length and height, the migration
// speed of the crests, the diffusion profile, and the refusals of a profile
// window beyond the grid.
#include <gtest/gtest.h>

#include <cstring>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "output/output.h"
#include "output/plot_grid.h"
#include "state/outputstate.h"
#include "support/in_dir.h"

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

constexpr double kPi = 3.14159265358979323846;
double sineBed(double x) { return 0.1 * std::sin(2.0 * kPi * x / 10.0); }

// Block 1: columns i = 2..43 of 0.5 m along x (grid line i at x = 0.5 (i-1)),
// rows j = 2..4 of 1 m, three cells of 0.25 m half height per column, the
// water at 1.5 m; velocity 1 m/s along x, eddy viscosity 2 Pa s, an upward
// face speed of 0.01 m/s through every top face; two bed layers of 1 m.
class Dunes : public ::testing::Test {
 protected:
  InProjectDir dir;
  void SetUp() override {
    allocatePlotModel(45, 6, 4, 1);
    addBoxBlock({2, 43, 2, 4, 3, 0.0, 0.0, 0.5, 1.0, 0.5, 0.0});
    for (int c = 1; c <= NoCells; ++c) {
      Cxvel[c] = 1.0;
      Cgamma[c] = 2.0;
      const int f = ++NoSurfaces;
      Cflatet[c] = f;
      Farea[f] = 0.5;
      Fflux[f] = 0.01 * 0.5 * 1000.0;
      Ckinen[c] = 0.01;
    }
    for (int b = 1; b <= NoBCells; ++b) {
      BSedDistrib[0][0][b] = BSedDistrib[1][0][b] = 1.0;
      Bd50[b] = 0.001;
      Bd90[b] = 0.002;
    }
    WriteDuneIter = 10;
    TimeStep = 5.0;
    WriteDuneI1 = 5;
    WriteDuneI2 = 38;
    WriteDuneJ1 = 3;
    WriteDuneDI = 5;
    profileBed(0.0);
  }
  // The grid-line bed levels of the profile, moved downstream by `shift` m.
  static void profileBed(double shift) {
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) zval[i][j][1] = sineBed(0.5 * (i - 1) - shift);
  }
  // The cells follow the sine at the column centres.
  static void columnBed() {
    for (int j = 2; j <= 4; ++j)
      for (int i = 2; i <= 43; ++i)
        for (int c = static_cast<int>(zval[i][j][0]); c > 0; c = Ccellt[c]) Czcenter[c] += sineBed(Cxcenter[c]);
  }
};

TEST_F(Dunes, ProfileDuneLengthHeightAndDiffusion) {
  stimet = 50.0;
  writeDune();
  // crests at the peaks x = 2.5 and 12.5 m (grid lines 6 and 26), the
  // trough between them: one dune, the second crest's dune runs past I2
  EXPECT_EQ(DuneIndex1[6], 1);
  EXPECT_EQ(DuneIndex1[26], 1);
  EXPECT_EQ(DuneIndex1[16], -1);
  EXPECT_EQ(DuneIndex1[11], 0);
  const std::vector<std::string> dune = lines(dir.dir().read("dune"));
  ASSERT_EQ(dune.size(), 2u);
  EXPECT_EQ(dune[0], "Time,  depth,  duneheight, dunelength, dunespeed, K_A, alpha_diff");
  const std::vector<double> d = numbers(dune[1]);
  ASSERT_EQ(d.size(), 7u);
  // depth of the two cells below the top cell; the dune between the crests
  const double h = 1.0, H = 0.2, L = 10.0, u = 1.0;
  const double q = 0.01 * 0.25;                 // face speed times half height
  const double KA = q / (H * u);
  const double gamma = 20 * 2 * 2.0 / 2 / 20;  // the cells' sum over the columns, per cell
  const double S = 1e-8;                       // level water surface: the least slope
  const double adiff = 0.001 * gamma / (std::sqrt(S * 9.81 * h) * h);
  EXPECT_NEAR(d[0], 50.0, 1e-9);
  EXPECT_NEAR(d[1], h, 1e-6);
  EXPECT_NEAR(d[2], H, 1e-6);
  EXPECT_NEAR(d[3], L, 1e-6);
  EXPECT_EQ(d[4], 0.0);  // no crests of an earlier call
  EXPECT_NEAR(d[5], KA, 1e-6);
  EXPECT_NEAR(d[6], adiff, 1e-3 * adiff);

  const std::vector<std::string> diff = lines(dir.dir().read("dunediff"));
  ASSERT_EQ(diff.size(), 2u);
  const std::vector<double> r = numbers(diff[1]);
  ASSERT_EQ(r.size(), 10u);
  EXPECT_NEAR(r[2], gamma, 1e-6);
  EXPECT_NEAR(r[3], u / std::sqrt(9.81 * h), 1e-6);
  EXPECT_NEAR(r[5], H, 1e-6);
  EXPECT_EQ(r[9], 1.0);

  // per level: q / u summed over the dune's 20 columns, over N H
  const std::vector<std::string> vert = lines(dir.dir().read("dunevert"));
  ASSERT_EQ(vert.size(), 4u);
  EXPECT_EQ(vert[1], "Vertical distribution of diffusion parameter [-]:");
  EXPECT_EQ(vert[2], "1 1.250000e-02");
  EXPECT_EQ(vert[3], "2 1.250000e-02");
}

// The old form: the same dune without K_A, a_diff first in dunediff.
TEST_F(Dunes, OldFormWithoutKA) {
  stimet = 50.0;
  writeDuneOld();
  const double h = 1.0, H = 0.2, L = 10.0, gamma = 2.0;
  const double adiff = 0.001 * gamma / (std::sqrt(1e-8 * 9.81 * h) * h);
  const std::vector<std::string> dune = lines(dir.dir().read("dune"));
  ASSERT_EQ(dune.size(), 2u);
  EXPECT_EQ(dune[0], "Time,     dh,       dz,       dx,      U,   ddif");
  const std::vector<double> d = numbers(dune[1]);
  ASSERT_EQ(d.size(), 6u);
  EXPECT_NEAR(d[1], h, 1e-6);
  EXPECT_NEAR(d[2], H, 1e-6);
  EXPECT_NEAR(d[3], L, 1e-6);
  EXPECT_EQ(d[4], 0.0);
  EXPECT_NEAR(d[5], adiff, 1e-3 * adiff);
  const std::vector<std::string> diff = lines(dir.dir().read("dunediff"));
  ASSERT_EQ(diff.size(), 2u);
  EXPECT_EQ(diff[0],
            "dunediff [-], gamma [Pa s], Froude [-], velocity [m/s], duneheight [-], dunelength [-], waterdepth [m], "
            "stimet [s], duneno [-]");
  const std::vector<double> r = numbers(diff[1]);
  ASSERT_EQ(r.size(), 9u);
  EXPECT_NEAR(r[0], adiff, 1e-3 * adiff);
  EXPECT_NEAR(r[1], gamma, 1e-6);
  EXPECT_EQ(r[8], 1.0);
}

// The second old form: per cell and the cell above, |(f + f above) / (f - f
// above)| x 0.5 x 2 x face speed 0.01 x half height 0.25 for u (the fluxes
// q), k and epsilon, over H u of the dune. With u 1.2, 1.0, 0.8, k 0.03,
// 0.01, 0.005 and epsilon 0.004, 0.002, 0.001 from the bottom up:
// q = 11 x 0.0025, 9 x 0.0025 (mean 0.025), k ratios 2 and 3 (mean
// 0.00625), epsilon ratios 3 and 3 (0.0075); u of the column 1.1, H 0.2.
TEST_F(Dunes, SecondOldFormExchangeCoefficients) {
  const double u[3] = {1.2, 1.0, 0.8}, k[3] = {0.03, 0.01, 0.005}, e[3] = {0.004, 0.002, 0.001};
  for (int j = 2; j <= 4; ++j)
    for (int i = 2; i <= 43; ++i) {
      int level = 0;
      for (int c = static_cast<int>(zval[i][j][0]); c > 0 && level < 3; c = Ccellt[c], ++level) {
        Cxvel[c] = u[level];
        Ckinen[c] = k[level];
        Cepsilon[c] = e[level];
      }
    }
  stimet = 50.0;
  writeDuneOld2();
  const std::vector<std::string> dune = lines(dir.dir().read("dune"));
  ASSERT_EQ(dune.size(), 2u);
  EXPECT_EQ(dune[0], "Time,  depth,  duneheight, dunelength, dunespeed, K_A, K_k, K_eps, alpha_diff");
  const std::vector<double> d = numbers(dune[1]);
  ASSERT_EQ(d.size(), 9u);
  const double Hu = 0.2 * 1.1;
  EXPECT_NEAR(d[5], 0.025 / Hu, 1e-5);
  EXPECT_NEAR(d[6], 0.00625 / Hu, 1e-5);
  EXPECT_NEAR(d[7], 0.0075 / Hu, 1e-5);
  EXPECT_EQ(lines(dir.dir().read("dunediff")).size(), 2u);
}

TEST_F(Dunes, SecondOldFormHoldsFiveThousandProfilePoints) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  WriteDuneI2 = 4999;
  EXPECT_EXIT(
      {
        std::atexit([] {
          std::ifstream in("boogie");
          std::cerr << in.rdbuf();
        });
        writeDuneOld2();
      },
      ::testing::ExitedWithCode(256 - 1), "Recompile if the grid has more than 5000 profiles");
}

// A dry column inside the dune and a column of a single cell add nothing to
// the dune's means.
TEST_F(Dunes, DryAndSingleCellColumnsAddNothing) {
  zval[12][3][0] = 0;
  const int single = static_cast<int>(zval[14][3][0]);
  Ccellt[single] = 0;
  writeDune();
  const std::vector<double> d = numbers(lines(dir.dir().read("dune"))[1]);
  EXPECT_NEAR(d[1], 1.0, 1e-6);
  EXPECT_NEAR(d[5], 0.0125, 1e-6);
}

// The crests move one grid line (0.5 m) between calls of every 10 steps of
// 5 s: 0.01 m/s, the mean over the crests matched, not divided by the dunes.
TEST_F(Dunes, SpeedOfTheMatchedCrests) {
  writeDune();
  profileBed(0.5);
  writeDune();
  EXPECT_EQ(DuneIndex1[7], 1);
  EXPECT_EQ(DuneIndex1[27], 1);
  std::vector<std::string> dune = lines(dir.dir().read("dune"));
  ASSERT_EQ(dune.size(), 3u);
  EXPECT_NEAR(numbers(dune[2])[4], 0.5 / (10 * 5.0), 1e-9);
  // a bed that stands still: no crest moved
  writeDune();
  dune = lines(dir.dir().read("dune"));
  EXPECT_EQ(numbers(dune[3])[4], 0.0);
  // the run's sums over the three calls' dunes
  EXPECT_EQ(nodunesTot, 3);
}

TEST_F(Dunes, ProfileWithoutTwoCrestsGivesZeroMeans) {
  profileBed(0.0);
  for (int i = 0; i <= xnumber + 1; ++i) zval[i][3][1] = 0.01 * i;  // a rising bed has no crest
  writeDune();
  const std::vector<double> d = numbers(lines(dir.dir().read("dune"))[1]);
  for (int k : {1, 2, 3, 5, 6}) EXPECT_EQ(d[k], 0.0) << k;
  EXPECT_EQ(lines(dir.dir().read("dunediff")).size(), 1u);
  EXPECT_EQ(lines(dir.dir().read("dunevert")).size(), 2u);
}

// Refused before anything is read: a window beyond the grid lines, a profile
// beyond the crest tables, more levels than the profile tables hold.
TEST_F(Dunes, WindowBeyondTheGridEndsTheRun) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  struct Case {
    int i1, i2, di, z;
    const char* message;
  };
  const std::vector<Case> cases = {
      {5, 42, 5, 4, "the dune profile 5..42 with 5 neighbours on grid line 3 reaches beyond the grid lines 0..46"},
      {3, 38, 5, 4, "the dune profile 3..38 with 5 neighbours on grid line 3 reaches beyond the grid lines 0..46"},
      {5, 9000, 1, 4, "Recompile if the grid has more than 9000 profiles"},
      {5, 38, 5, 900, "Recompile if the grid has more than 899 levels"},
  };
  for (const Case& k : cases) {
    WriteDuneI1 = k.i1, WriteDuneI2 = k.i2, WriteDuneDI = k.di;
    EXPECT_EXIT(
        {
          std::atexit([] {
            std::ifstream in("boogie");
            std::cerr << in.rdbuf();
          });
          znumber = k.z;
          writeDune();
        },
        ::testing::ExitedWithCode(256 - 1), k.message);
  }
}

TEST_F(Dunes, PlanDunesMarksAndBedFormHeight) {
  columnBed();
  // a bed form the flow feels already, which the statistics replace
  for (int b = 1; b <= NoBCells; ++b) Bedformheight[b] = 0.7;
  // exactly level crest columns 6 and 7: a flat top
  for (int j = 2; j <= 4; ++j) Czcenter[static_cast<int>(zval[6][j][0])] = Czcenter[static_cast<int>(zval[7][j][0])];
  stimet = 30.0;
  // A sediment run: the profile series and the plan statistics both write.
  std::memcpy(run, " WS\n                ", 20);
  writeDune();
  writeDune2D();
  // The sine's peaks lie between two column centres: the downstream one of
  // the two equal columns is the crest; the trough lies between 16 and 17.
  for (int j = 2; j <= 4; ++j) {
    EXPECT_EQ(DuneIndex[6][j], 0);
    EXPECT_EQ(DuneIndex[7][j], 1);
    EXPECT_EQ(DuneIndex[27][j], 1);
    EXPECT_EQ(std::min(DuneIndex[16][j], DuneIndex[17][j]), -1);
    EXPECT_EQ(DuneIndex[15][j] + DuneIndex[18][j], 0);
  }
  const std::vector<std::string> detail = lines(dir.dir().read("dunedetail"));
  ASSERT_EQ(detail.size(), 1u + 3u);
  const double H = 2.0 * 0.1 * std::sin(2.0 * kPi * 2.75 / 10.0);
  for (std::size_t n = 1; n <= 3; ++n) {
    const std::vector<double> v = numbers(detail[n]);
    ASSERT_EQ(v.size(), 11u);
    EXPECT_NEAR(v[0], 1.5, 1e-6);                   // water depth: every cell
    EXPECT_NEAR(v[1], H, 1e-6);
    EXPECT_NEAR(v[1], 0.2, 0.05 * 0.2);
    EXPECT_NEAR(v[2], 10.0, 1e-6);
    EXPECT_NEAR(v[3], 1.0, 1e-6);
    EXPECT_NEAR(v[4], 1.0 / std::sqrt(9.81 * 1.5), 1e-6);
    EXPECT_NEAR(v[5], 3.0, 1e-6);                   // 300 k
    EXPECT_NEAR(v[6], 2.0, 1e-6);
    EXPECT_NEAR(v[7], 0.001, 1e-9);
    EXPECT_NEAR(std::fabs(v[9] - 7.5), 0.25, 1e-6);  // a column of the trough
    EXPECT_NEAR(v[10], n - 0.5, 1e-6);
  }
  ASSERT_TRUE(dir.dir().exists("dune2d"));
  const std::vector<std::string> summary = lines(dir.dir().read("dune2d"));
  ASSERT_EQ(summary.size(), 2u);
  const std::vector<double> s = numbers(summary[1]);
  ASSERT_EQ(s.size(), 6u);
  EXPECT_EQ(s[0], 3.0);
  EXPECT_NEAR(s[3], H, 1e-6);
  EXPECT_NEAR(s[4], 10.0, 1e-6);
  // the dunes' columns carry the height, every other bed cell none
  for (int i = 2; i <= 43; ++i)
    EXPECT_NEAR(Bedformheight[pointbed[i][3]], i >= 7 && i < 27 ? H : 0.0, 1e-9) << i;
  // the profile series of the dune file is not touched: the plan summary,
  // created anew at each call, would wipe it out
  const std::vector<std::string> dune = lines(dir.dir().read("dune"));
  ASSERT_EQ(dune.size(), 2u);
  EXPECT_EQ(dune[0], "Time,  depth,  duneheight, dunelength, dunespeed, K_A, alpha_diff");
}

// Without the profile series in the run (no S among the run letters, or no
// F 370 profile) the plan summary is the file dune.
TEST_F(Dunes, PlanDunesAloneWriteTheDuneFile) {
  columnBed();
  const char* letters[] = {" WM\n                ", nullptr};
  for (const char* l : letters) {
    if (l) {
      std::memcpy(run, l, 20);
    } else {
      std::memcpy(run, " S\n                 ", 20);
      WriteDuneI1 = 0;
    }
    writeDune2D();
    const std::vector<std::string> dune = lines(dir.dir().read("dune"));
    ASSERT_EQ(dune.size(), 2u);
    EXPECT_EQ(dune[0], "Number of dunes, time, waterdepth, duneheight, dunelength, velocity");
    if (l) {
      EXPECT_EQ(numbers(dune[1])[0], 3.0);
    }
    EXPECT_FALSE(dir.dir().exists("dune2d"));
  }
}

TEST_F(Dunes, PlanDuneEndsAtADryColumn) {
  columnBed();
  zval[20][3][0] = 0;
  for (int b = 1; b <= NoBCells; ++b) BSedDistrib[0][0][b] = BSedDistrib[1][0][b] = 0.05;  // thinner than the dunes
  FlagMakeKoomin = 0;
  writeDune2D();
  EXPECT_EQ(lines(dir.dir().read("dunedetail")).size(), 1u + 2u);
  EXPECT_EQ(DuneIndex[20][3], 0);
  for (int b = 1; b <= NoBCells; ++b) EXPECT_EQ(Bedformheight[b], 0.0);
  // thick enough, but not beyond 0.9 times F 535
  for (int b = 1; b <= NoBCells; ++b) BSedDistrib[0][0][b] = BSedDistrib[1][0][b] = 1.0;
  FlagMakeKoomin = 3;
  writeDune2D();
  for (int b = 1; b <= NoBCells; ++b) EXPECT_EQ(Bedformheight[b], 0.0);
  FlagMakeKoomin = 2;
  writeDune2D();
  EXPECT_GT(Bedformheight[pointbed[10][2]], 0.19);
}

}  // namespace

namespace {

// A multi-layer bed on 12 rows: the top-layer grain sizes of the three parts
// of cross-section max(i2 / 2, i2 - 100) appended at every call.
TEST(DuneFractions, ThreePartsOfTheCrossSection) {
  InProjectDir dir;
  allocatePlotModel(45, 14, 4, 2);
  addBoxBlock({2, 43, 2, 13, 2, 0.0, 0.0, 0.5, 1.0, 0.5, 0.0});
  FlagTSC = 3;
  WriteDuneIter = 1;
  TimeStep = 60.0;
  WriteDuneI1 = 5;
  WriteDuneI2 = 38;
  WriteDuneJ1 = 3;
  WriteDuneDI = 2;
  for (int j = 2; j <= 13; ++j) {
    const int b = pointbed[21][j];
    const double f1 = j <= 5 ? 0.2 : j <= 9 ? 0.5 : 0.8;  // rows 2..5, 6..9, 10..13
    BlayerTop[b] = 1;
    BSedDistrib[1][1][b] = f1;
    BSedDistrib[1][2][b] = 1.0 - f1;
  }
  stimet = 60.0;
  writeDune();
  stimet = 120.0;
  writeDune();
  EXPECT_EQ(dir.dir().read("barcelona_fr"),
            "Grain size distributions in tree sections: \n\n"
            "60.000000 seconds 0.200000 0.800000  - 0.500000 0.500000  - 0.800000 0.200000  - \n"
            "120.000000 seconds 0.200000 0.800000  - 0.500000 0.500000  - 0.800000 0.200000  - \n");
}

}  // namespace
