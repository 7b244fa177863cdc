// Vegetation, porous zones and solid objects of `vegdata`: the reader, the
// profile values in time and height, and the terms of each equation.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "physics/physics.h"
#include "physics/vegetation.h"
#include "physics_fixture.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/flowstate.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

using namespace physics_test;

namespace {

// Two columns (2,2) and (3,2) of four cells of 0.25 m: centres at 0.125,
// 0.375, 0.625 and 0.875 m; cells 1..4 and 5..8.
SmallGrid vegGrid(const InProjectDir& d, const std::string& vegdata, int dragFlag = 1, double dx = 1.0) {
  FlagDragDLL = dragFlag;
  d.dir().write("vegdata", vegdata);
  SmallGrid g;
  g.nx = 2;
  g.ny = 1;
  g.nz = 4;
  g.dx = dx;
  g.build();
  fillAreaVectors();
  return g;
}

void clearEquation() {
  for (int c = 0; c <= NoCells; ++c) Cap[c] = Csource[c] = 0.0;
}

const char* kProfile = "V 2 2 0.1 0.3 0.5 0.7 10 20 30 40\n";
// The profile of kProfile at the four cell centres.
const double kValues[] = {0, 11.25, 23.75, 36.25, 0.0};

}  // namespace

// A V record with F 201 at its defaults: no U or T record is needed, text
// in lower case is passed over, the values between levels are linear, a
// centre at or above the highest level gets 0 and a column without records
// 0 everywhere. F 115 1 then adds 1000 x half height x |u| x value.
TEST(Vegetation, ProfileOfAVRecordAndItsDrag) {
  InProjectDir d;
  vegGrid(d, std::string("# profile of one column, in lower case only\n") + kProfile);
  setField(Cxvel, [](int) { return -0.4; });
  Equation = 1;
  clearEquation();
  extra_source();
  EXPECT_EQ(FlagInitPoros, 1);
  EXPECT_EQ(FlagTypeVegdata, 1);
  for (int c = 1; c <= 4; ++c) {
    EXPECT_NEAR(Cporosity[c], kValues[c], 1e-12) << c;
    EXPECT_NEAR(Cap[c], 1000.0 * 0.125 * 0.4 * kValues[c], 1e-9) << c;
  }
  for (int c = 5; c <= 8; ++c) EXPECT_EQ(Cporosity[c], 0.0);
  // A centre below the lowest level takes the lowest value.
  EXPECT_DOUBLE_EQ(vegProfileValue(Cbed[1], 0, 0.05), 10.0);
}

// A records multiply the drag by the bottom-face area; F 115 2 adds
// u |u| to the source of u and v and nothing to w.
TEST(Vegetation, AreaFactorAndTheQuadraticSourceForm) {
  InProjectDir d;
  vegGrid(d, "A 2 2 0.1 0.3 0.5 0.7 10 20 30 40\n", 2, 2.0);
  setField(Cyvel, [](int) { return -0.4; });
  setField(Czvel, [](int) { return 0.3; });
  Equation = 2;
  clearEquation();
  extra_source();
  EXPECT_EQ(FlagTypeVegdata, 2);
  for (int c = 1; c <= 4; ++c) EXPECT_NEAR(Csource[c], 1000.0 * 0.125 * -0.4 * 0.4 * kValues[c] * 2.0, 1e-9) << c;
  Equation = 3;
  clearEquation();
  extra_source();
  for (int c = 1; c <= NoCells; ++c) EXPECT_EQ(Csource[c] + Cap[c], 0.0);
}

// Two time levels at 0 s and 100 s: at 25 s a cell takes 0.75 of level 0
// and 0.25 of level 1; after 100 s level 1 alone; before 0 s level 0 alone.
TEST(Vegetation, TimeLevelsWeighLinearly) {
  InProjectDir d;
  VegTimes = 2;
  vegGrid(d,
          "U 1 4 2\nT 0\nV 2 2 0.1 0.3 0.5 0.7 10 20 30 40\n"
          "T 100\nV 2 2 0.1 0.3 0.5 0.7 50 60 70 80\n");
  Equation = 1;
  struct Case {
    double t, w0, w1;
  };
  for (const Case& k : {Case{25.0, 0.75, 0.25}, Case{150.0, 0.0, 1.0}, Case{-5.0, 1.0, 0.0}}) {
    stimet = k.t;
    clearEquation();
    extra_source();
    const double p0 = 11.25, p1 = 0.875 * 50 + 0.125 * 60;
    EXPECT_NEAR(Cporosity[1], k.w0 * p0 + k.w1 * p1, 1e-9) << k.t;
  }
}

// N records: levels and values times F 514's multiplier, a linear
// resistance 1000 x volume x value on u, v and w, and for k and epsilon the
// wall terms of the open cells with a solid cell above or below.
TEST(Vegetation, NRecordsLinearResistanceAndWallTerms) {
  InProjectDir d;
  porosMultiplier = 2.0;
  // Levels 0.2 .. 0.35 doubled: 0.4 .. 0.7; the values 500 doubled, then 0.
  vegGrid(d, "N 2 2 0.2 0.25 0.3 0.35 500 500 0 0\n", 5);
  Equation = 3;
  clearEquation();
  extra_source();
  EXPECT_EQ(FlagTypeVegdata, 4);
  EXPECT_NEAR(Bveg[1][0][0][0], 0.4, 1e-15);
  // Levels 0.4 0.5 0.6 0.7 with values 1000 1000 0 0: the centres 0.125 and
  // 0.375 lie below the lowest level, 0.625 between two zeros.
  EXPECT_NEAR(Cporosity[1], 1000.0, 1e-9);
  EXPECT_NEAR(Cporosity[2], 1000.0, 1e-9);
  EXPECT_NEAR(Cporosity[3], 0.0, 1e-9);
  for (int c = 1; c <= 4; ++c) EXPECT_NEAR(Cap[c], 1000.0 * Cvol[c] * Cporosity[c], 1e-6) << c;
  setField(Ckinen, [](int) { return 0.01; });
  setField(Cxvel, [](int) { return 0.5; });
  XksWall = 0.01;
  Equation = 5;
  clearEquation();
  extra_source();
  // Only cell 3: open, with the solid cell 2 below.
  const double y = 0.125, up = 2.5 * std::log(30.0 * y / 0.01);
  EXPECT_NEAR(Cap[3], 164.31676725154983 * 0.1 * up / y * Cvol[3], 1e-9);
  EXPECT_NEAR(Csource[3], 31.62 * std::sqrt(3.0) * 0.25 / (up * y) * Cvol[3], 1e-9);
  for (int c : {1, 2, 4, 5}) EXPECT_EQ(Cap[c], 0.0) << c;
  Equation = 6;
  clearEquation();
  extra_source();
  EXPECT_EQ(Cap[3], 1e30);
  EXPECT_NEAR(Csource[3] / 1e30, 0.1643 * std::pow(0.01, 1.5) / (0.4 * y), 1e-12);
}

// F 115 101 with F 513: the u source shares 1000 x F 513 out over the cells
// by volume times value, also when the last cell has no vegetation.
TEST(Vegetation, MomentumOfF513SharedByVolumeAndValue) {
  InProjectDir d;
  momentumAddInflow = 0.3;
  vegGrid(d, kProfile, 101);
  Equation = 1;
  clearEquation();
  extra_source();
  double total = 0;
  for (int c = 1; c <= NoCells; ++c) {
    EXPECT_TRUE(std::isfinite(Csource[c]));
    total += Csource[c];
  }
  EXPECT_NEAR(total, 1000.0 * 0.3, 1e-9);
  EXPECT_NEAR(Csource[2] / Csource[1], 23.75 / 11.25, 1e-12);
}

// In the scour mode the deepest solid column gives the scour, and the
// scour depth never decreases.
TEST(Vegetation, ScourDepthOnlyGrows) {
  InProjectDir d;
  FlagSinkScour = 1;
  deltaSinkScour = 0.05;
  vegGrid(d, "V 2 2 0.1 0.3 0.5 0.7 200 200 200 200\n");
  Equation = 1;
  Surfaces[0][2][2] = 0.5;  // bed level read with the grid, 0.5 m above the bed now
  extra_source();           // the first call sees the values the reader gave
  EXPECT_NEAR(deltazscourG, 0.55, 1e-12);
  Surfaces[0][2][2] = 0.1;
  extra_source();
  EXPECT_NEAR(deltazscourG, 0.55, 1e-12);
}

// With F 1 D a cell value above 1e6 or below -1e7 is reported with its
// column, weight and profile, and the run is marked as failed (it goes on and
// ends with status 2). The levels lie above every centre, so each of the four
// cells of column (2,2) takes the lowest value as it stands.
TEST(Vegetation, ValuesOutOfRangeAreReportedWithF1D) {
  struct Case {
    const char* value;  // the lowest value of the profile, as written in the file
    char debugging;
    int reports;  // cells reported
    const char* firstReport;
  };
  const Case cases[] = {
      {"1.5e6", 'D', 4,
       "Error in setting porosity: value (1) = 1.500000e+06 \n"
       "i=2,j=2,b=1,nx=7,ny=6,iTime=0\n"
       "midt = 1.000000e+00,\n"
       "Bveg[b][iTime][0][0] = 9.000000e-01,Bveg[b][iTime][1][0] = 1.500000e+06\n"
       "Bveg[b][iTime][0][1] = 9.500000e-01,Bveg[b][iTime][1][1] = 0.000000e+00\n"
       "Bveg[b][iTime][0][2] = 9.700000e-01,Bveg[b][iTime][1][2] = 0.000000e+00\n"
       "Bveg[b][iTime][0][3] = 9.900000e-01,Bveg[b][iTime][1][3] = 0.000000e+00\n"
       "Error in setting porosity: value (2) = 1.500000e+06 \n"},
      {"-2e7", 'D', 4, "Error in setting porosity: value (4) = -2.000000e+07 \ni=2,j=2,b=1,nx=7,ny=6,iTime=0\n"},
      {"1e6", 'D', 0, nullptr},    // the limits themselves are in range
      {"-1e7", 'D', 0, nullptr},
      {"1.5e6", 'N', 0, nullptr},  // reported only with F 1 D
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(k.value) + " " + k.debugging);
    InProjectDir d;
    debugging = k.debugging;
    vegGrid(d, std::string("V 2 2 0.9 0.95 0.97 0.99 ") + k.value + " 0 0 0\n");
    Equation = 1;
    extra_source();
    const std::string log = d.dir().boogie();
    int reports = 0;
    for (std::size_t at = log.find("Error in setting porosity"); at != std::string::npos;
         at = log.find("Error in setting porosity", at + 1))
      ++reports;
    EXPECT_EQ(reports, k.reports) << log;
    EXPECT_EQ(RunErrorReported, k.reports > 0 ? 1 : 0);
    if (k.firstReport) {
      EXPECT_NE(log.find(k.firstReport), std::string::npos) << log;
    }
  }
}

// Reading errors end the run with their lines and statuses.
TEST(VegetationDeathTest, ReadingErrorsEndWithTheirStatus) {
  GTEST_FLAG_SET(death_test_style, "fast");
  struct Case {
    const char* name;
    const char* file;
    int vars, levels, times;
    int status;
    std::string line;
  };
  const Case cases[] = {
      {"no U record", kProfile, 2, 4, 1, 250, "Error in vegdata file, U data set is missing\n"},
      {"levels not rising", "V 2 2 0.1 0.3 0.3 0.7 1 2 3 4\n", 1, 4, 1, 248,
       "Error for cell (2,2) at time 0\nLevels must be given in rising order\nLev[1] = 0.300000, Lev[2] = "
       "0.300000\n"},
      {"V index outside", "V 2 9 0.1 0.3 0.5 0.7 1 2 3 4\n", 1, 4, 1, 252,
       "Error in vegdata file: column (2,9) lies outside the block grid (i 0..6, j 0..5)\n"},
      {"N index outside", "N -1 2 0.1 0.3 0.5 0.7 1 2 3 4\n", 1, 4, 1, 252,
       "Error in vegdata file: column (-1,2) lies outside the block grid"},
      {"N number unreadable", "N 2 2 0.1 0.3 0.5 0.7 1 2 x 4\n", 1, 4, 1, 249,
       "Error in Vegdata file, line i=2, j=2, timestep=-1, var=1, level=2\n"},
      {"too few values", "V 2 2 0.1 0.3 0.5 0.7 1 2\n", 1, 4, 1, 248,
       "Have not read sufficient number of vegparam values\n"},
      {"U unlike F 201", "U 1 4 2\n", 1, 4, 1, 251, "U data set does not correspond with F 201"},
      {"too many T records", "U 1 4 1\nT 0\nT 5\n", 1, 4, 1, 252, "number of time steps is larger"},
      {"too few T records", "U 1 4 3\nT 0\nT 5\n", 1, 4, 3, 248,
       "Error in vegdata file: 2 time steps given, while the\nF 201 data set in the control file specifies 3 "
       "data sets\n"},
  };
  for (const Case& k : cases) {
    InProjectDir d;
    VegVars = k.vars;
    VegLevels = k.levels;
    VegTimes = k.times;
    vegGrid(d, k.file);
    Equation = 1;
    EXPECT_EXIT(extra_source(), ::testing::ExitedWithCode(k.status), "") << k.name;
    EXPECT_NE(d.dir().boogie().find(k.line), std::string::npos) << k.name << "\n" << d.dir().boogie();
  }
  InProjectDir d;
  FlagDragDLL = 1;
  SmallGrid g;
  g.build();
  EXPECT_EXIT(extra_source(), ::testing::ExitedWithCode(252), "");
  EXPECT_NE(d.dir().boogie().find("Could not read 'vegdata' file\n"), std::string::npos);
}
