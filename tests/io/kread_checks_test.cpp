// What the control-file reader does after its first pass: the combination
// checks, the level default from terrain points, the B data sets, the
// outblocked columns and the default block grid.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "io/kread.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "support/case_runner.h"
#include "support/in_dir.h"

namespace {

struct Combination {
  const char* name;
  std::string control;
  int status;
  std::string message;
  bool afterAllocation;  // tested once the block-grid arrays exist
};

void PrintTo(const Combination& c, std::ostream* os) { *os << c.name; }

class CombinationRow : public ::testing::TestWithParam<Combination> {};

TEST_P(CombinationRow, GivesItsMessageAndStatus) {
  const Combination& c = GetParam();
  CaseResult r = runControl("G 1 20 10 11 1\n" + c.control);
  EXPECT_EQ(r.status, c.status) << r.boogie;
  EXPECT_TRUE(r.has(c.message)) << r.boogie;
  // Rows 1 to 11 come before the block grid is allocated, the others after.
  EXPECT_EQ(r.has("Mbytes structured arrays\n"), c.afterAllocation) << r.boogie;
  // A warning lets the run go on to the unstructured arrays.
  EXPECT_EQ(r.has("Mbytes unstructured arrays"), c.status == 1) << r.boogie;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CombinationRow,
    ::testing::Values(
        Combination{"TriangleAlgoWithoutUMethod2", "F 493 5\n", 2,
                    "Error in control file: F 493 5 is only used with F 488 > 0\n\n", false},
        Combination{"UMethod2WithoutTriangleAlgo", "F 488 1\n", 1,
                    "Warning!! F 448 has only been tested with F 493 5.\n\n", true},
        Combination{"SedimentWithoutNDataSets", "G 1 20 10 11 2\nF 37 1\n", 2,
                    "For sediment computations (F 37) it is necessary to specify N data sets\nin the control file, "
                    "or use a 'fracres' file with an 'O' in the F 2 data set\n",
                    false},
        Combination{"SurfaceNineWithoutF323", "F 36 9\n", 1,
                    "Using F 36 9 in the control file should only be done in combination with F 323 1\n\n", true},
        Combination{"Acc2DWithSurfaceThirteen", "F 168 1\nF 36 13\n", 2,
                    "The combination of values on the F 168 and F 36 data sets in the control file \nwill not work. "
                    "It is recommended to set the F 168 data set to zero when using \nyour choise of F 36 data "
                    "set.\n\n",
                    false},
        Combination{"TimeSimpleWithThreads", "F 296 1\nF 206 1\n", 2,
                    "Error in control file: F 296 data set only works for F 206 0\n\n", false},
        Combination{"PresSurfDampWithNewSolver", "F 419 1\nF 328 1\n", 2,
                    "Error in control file: F 319 data set only works with F 206 = 0 and F 328 = 0\n\n", false},
        Combination{"EndCorrectWithThreads", "F 104 1\nF 206 1\n", 2,
                    "Error in control file: F 104 data set only works with F 206 = 0\n\n", false},
        Combination{"MPIBoundaryWithThreads", "F 316 1\nF 206 1\n", 2,
                    "Error in control file: F 316 only works with F 206 = 0\n\n", false},
        Combination{"PresCorrStabWithoutThreads", "F 373 1\n", 2,
                    "Error in control file: F 373 data set will only work with F 206 > 0 and F 328 = 0\n\n", false},
        Combination{"LogInflowWithCyclic", "F 202 1 0.1\nF 174 1\n", 2,
                    "Error in control file: F 202 and (F 174 1st integer != 0) must not be used together\n\n",
                    false},
        Combination{"SedimentWithoutGridMethod", "F 37 1\nF 64 0\n", 255,
                    "Error in control file: When the F 37 data set is used, the F 64 data set must also be given\n"
                    "Often F 64 11 is used in combination with F 37\n",
                    true},
        Combination{"BedchangeWithSmoothing", "F 255 1\nF 144 1 0.5\n", 1,
                    "Warning: possible problem in control file: combination of the F 255 data with one of the F "
                    "144, F 205 or F 266 data sets\n\n",
                    true},
        Combination{"ArmourWithoutBedchange", "F 37 3\n", 255, "Error: Use F 255 5 data set with F 37 3\n", true},
        Combination{"LogInflowWithShapedInflow", "F 202 1 0.1\nF 524 1 6.0\n", 255,
                    "Error: Both F 524 and F 202 are used in the control file. Only one can be used\n\n", true},
        Combination{"ArtificialViscosity", "F 14 0.5\n", 1, "Warning: using artificial viscosity of 5.000000e-01\n",
                    true},
        Combination{"AcceleratedDeposition", "F 23 0.5 0\n", 1, "Using accellertated deposition routine\n", true},
        Combination{"NoGrainSizes", "G 1 20 10 11 0\n", 252,
                    "Error, N - data sets : Sum of fractions = 0.000000e+00\nNumber of N data sets read: 0\n\n", true},
        Combination{"FractionsShort", "G 1 20 10 11 2\nN 0 1 0.5\nN 0 2 0.4\n", 252,
                    "Error, N - data sets : Sum of fractions = 9.000000e-01\nNumber of N data sets read: 2\n\n",
                    true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AfterFirstPass, AFractionFileStandsForTheNDataSets) {
  CaseDir d;
  d.write("control", "G 1 20 10 11 2\nF 37 1\n");
  d.write("fracres", "");
  EXPECT_EQ(d.run(), 1) << d.boogie();
  EXPECT_FALSE(d.boogieHas("For sediment computations (F 37) it is necessary to specify N data sets"));
}

TEST(AfterFirstPass, F370BeyondTheGridEndsTheRun) {
  CaseResult r = runControl("G 1 20 10 11 1\nF 370 1 2 25 3 1\n");
  EXPECT_EQ(r.status, 2) << r.boogie;
  EXPECT_TRUE(r.has("Error in control file: index on F 370 data set larger than number of cross-sections on W 1 "
                    "data set\n"))
      << r.boogie;
}

// In-process: the values the reader leaves.
void readControl(const InProjectDir& dir, const std::string& control) {
  dir.dir().write("control", control);
  kread();
}

TEST(LevelDefault, TerrainPointsSetTheLevelWhenNoW1IsGiven) {
  struct Row {
    const char* control;
    const char* geodata;
    double level;      // expected water level
    double zdistrib2;  // expected zdistrib[2] (NaN: unchanged)
  };
  const Row rows[] = {
      {"G 1 10 8 11 1\n", "E 0 0 2.0\nE 1 1 7.0\nE 2 2 4.5\n", 8.0, 2.5},
      {"G 1 10 8 11 1\nW 1 50 1 3.0\n", "E 0 0 2.0\nE 1 1 7.0\n", 3.0, -1},
      // No terrain point in the file: the defaults stay.
      {"G 1 10 8 11 1\n", "X 0 0 2.0\n", 1.0, -1},
  };
  for (const Row& r : rows) {
    InProjectDir dir;
    dir.dir().write("geodata", r.geodata);
    double zd2 = 0;
    {
      readControl(dir, r.control);
      EXPECT_DOUBLE_EQ(level, r.level) << r.control << r.geodata;
      zd2 = zdistrib[2];
    }
    if (r.zdistrib2 >= 0) {
      EXPECT_DOUBLE_EQ(zd2, r.zdistrib2);
      EXPECT_DOUBLE_EQ(zdistrib[1], 2.0);
      EXPECT_DOUBLE_EQ(zdistrib[11], 7.0);
    }
    // The default block grid reaches from the bed at 0 to the level.
    EXPECT_DOUBLE_EQ(zval[3][4][1], 0.0);
    EXPECT_DOUBLE_EQ(zval[3][4][znumber], r.level);
    EXPECT_DOUBLE_EQ(zval[3][4][znumber + 1], r.level);
    EXPECT_DOUBLE_EQ(zval[3][4][2], r.level / (znumber - 1));
    EXPECT_DOUBLE_EQ(xval[11][9], 11.0);
    EXPECT_DOUBLE_EQ(yval[11][9], 9.0);
    EXPECT_DOUBLE_EQ(Surfaces[3][3][4], -10.0);
  }
}

TEST(BDataSets, AreStoredWithTheirWindows) {
  InProjectDir dir;
  // The B inside the run letters and the title starts nothing; the B data
  // sets between data sets are stored in file order.
  readControl(dir,
              "T Bridge Bend at B 3 4 5 6 7\nG 1 20 10 11 1\nF 2 TTTTTTTTTTB 9 9 9 9 9\n"
              "B 0 7 7 7 7\nB 19 3 5 2 10\nB\n");
  ASSERT_EQ(NoBdatasets, 1);
  const int expected[2][5] = {{0, 2, 20, 2, 10}, {19, 3, 5, 2, 10}};
  for (int r = 0; r < 2; ++r)
    for (int k = 0; k < 5; ++k) EXPECT_EQ(Bdatasets[r][k], expected[r][k]) << r << " " << k;
  // The defaults empty the record table again.
  setControlDefaults();
  EXPECT_EQ(NoBdatasets, -1);
  EXPECT_EQ(Bdatasets[1][0], 0);
}

TEST(BDataSets, RefusedOnes) {
  std::string twentyOne = "G 1 20 10 11 1\n";
  for (int i = 0; i < 21; ++i) twentyOne += "B 1 2 3 4 5\n";
  const std::pair<std::string, bool> rows[] = {
      {"G 1 20 10 11 1\nB 19 2 20 2 10\n", true},
      {"G 1 20 10 11 1\nB 20 2 20 2 10\n", false},
      {"G 1 20 10 11 1\nB -1 2 20 2 10\n", false},
      {"G 1 20 10 11 1\nB 1 21 21 2 10\n", false},  // i1 beyond the grid
      {"G 1 20 10 11 1\nB 1 5 4 2 10\n", false},    // i1 above i2
      {"G 1 20 10 11 1\nB 1 2 20 3 2\n", false},    // j1 above j2
      {"G 1 20 10 11 1\nB 1 2 20 2 1\n", false},    // j2 below 2
      {"G 1 20 10 11 1\nB 1 2 20\n", false},        // short
      {twentyOne, false},                           // the table holds 20
  };
  for (const auto& [control, accepted] : rows) {
    CaseResult r = runControl(control);
    EXPECT_EQ(r.status, accepted ? 1 : 2) << control << r.boogie;
    EXPECT_EQ(r.has("Input error for B in control"), !accepted) << control << r.boogie;
  }
}

TEST(OutBlocks, G13WindowsAreMarked) {
  InProjectDir dir;
  readControl(dir, "G 1 20 10 11 1\nG 13 0 3 5 2 4 2 12\n");
  int marked = 0;
  for (int i = 0; i <= 21; ++i)
    for (int j = 0; j <= 11; ++j) marked += bedOutBlock[i][j];
  EXPECT_EQ(marked, 3 * 3);
  EXPECT_EQ(bedOutBlock[3][2], 1);
  EXPECT_EQ(bedOutBlock[5][4], 1);
  EXPECT_EQ(bedOutBlock[6][4], 0);
}

TEST(AfterFirstPass, HCBRaisesTheComponentsToTheSizes) {
  InProjectDir dir;
  readControl(dir, "G 1 20 10 11 3\nN 0 1 0.2\nN 0 2 0.3\nN 0 3 0.5\nF 400 1\n");
  EXPECT_EQ(NoComponents, 4);
}

// The component scheme of F 63 reaches the sediment equation only from an
// F 63 that stands after F 37: the whole reader keeps what the data set set.
TEST(AfterFirstPass, ComponentSchemeReachesSedimentOnlyAfterF37) {
  struct Row {
    const char* control;
    int sou7, sou8;
  };
  const Row rows[] = {
      {"G 1 20 10 11 1\nF 64 11\nF 63 1\nF 37 1\n", 0, 1},
      {"G 1 20 10 11 1\nF 64 11\nF 37 1\nF 63 1\n", 1, 1},
      {"G 1 20 10 11 1\nF 64 11\nF 37 2\nF 63 5\n", 5, 0},
  };
  for (const Row& r : rows) {
    InProjectDir dir;
    readControl(dir, r.control);
    EXPECT_EQ(sou[7], r.sou7) << r.control;
    EXPECT_EQ(sou[8], r.sou8) << r.control;
    EXPECT_EQ(sou[9], r.sou8) << r.control;
  }
}

}  // namespace

namespace {

// A whole reading of a small straight channel on the real engine: the
// turbulence model, the threads, the block-grid allocation and the title.
TEST(StraightChannel, ReadsToTheEndAndLogsItsSettings) {
  CaseDir d;
  d.write("control",
          "T straight channel\nF 2 T\nF 206 4\nF 314 1 1\nF 237 1 10.0\nF 237 2 10.0\nG 1 23 8 11 1\n"
          "W 1 50.0 10.0 1.0\nK 1 200 50000\nK 2 0 0\n");
  ASSERT_EQ(d.run(), 1) << d.boogie();
  const auto lines = d.boogieLines();
  auto at = [&](const std::string& prefix) {
    auto it = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
    return it == lines.end() ? -1 : static_cast<int>(it - lines.begin());
  };
  EXPECT_GE(at("TurbulenceModel = 0 (F 24)"), 0);
  // F 206 asks for 4 threads, at most what the machine offers.
  int maxThreads = 0, asked = 0;
  ASSERT_EQ(std::sscanf(lines[at("Max. number of threads:")].c_str(), "Max. number of threads: %d, value F 206: %d",
                        &maxThreads, &asked),
            2);
  EXPECT_TRUE(d.boogieHas("Number of threads: " + std::to_string(std::min(4, maxThreads)) + " (F 206)"));
  // Block grid of 25 x 10 grid lines and 13 levels: x, y, armap, roughness
  // (double), pointbed, bedOutBlock, pointcell_old (int), zval and the five
  // Surfaces, each with its row tables.
  const double bytes = 4 * (25 * 10 * 8 + 25 * 8) + 3 * (25 * 10 * 4 + 25 * 8) +
                       (25 * 10 * 13 * 8 + 25 * 10 * 8 + 25 * 8) + (5 * 25 * 10 * 8 + 5 * 25 * 8 + 5 * 8);
  char expected[80];
  std::snprintf(expected, sizeof expected, "Have allocated %12.2lf Mbytes structured arrays", bytes * 1e-6);
  const int alloc = at(expected);
  ASSERT_GE(alloc, 0) << d.boogie();
  // The title follows the allocation, then the side files and the unstructured arrays.
  EXPECT_EQ(lines[alloc + 1], " straight channel ");
  EXPECT_GT(at("Have not used inflow file"), alloc);
  EXPECT_GT(at("Have allocated "), -1);
  EXPECT_TRUE(d.boogie().find("Mbytes unstructured arrays\n\n") != std::string::npos);
}

}  // namespace
