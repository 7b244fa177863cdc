// K, W and P data sets: defaults, values read, records and refusals.
#include <gtest/gtest.h>

#include <string>

#include "state/options.h"
#include "state/runstate.h"
#include "support/control_rows.h"
#include "support/in_dir.h"

TEST(DataSetsKWP, EachValueHasItsDefaultAndTakesTheValueRead) {
  InProjectDir dir;
  expectValues({
      VALUE("K 1 500 20", iterGlobalMax, 40000, 500),
      VALUE("K 1 500 20", IterSurface, 50000, 20),
      VALUE("K 1 -5 -6", iterGlobalMax, 40000, -5),
      VALUE("K 2 1 0", FlagWall, 0, 1),
      VALUE("K 2 1 0", FlagRoof, 1, 0),
      VALUE("W 1 30 250 12.5", ManningInit, 50.0, 30),
      VALUE("W 1 30 250 12.5", discharge, 1.0, 250),
      VALUE("W 1 30 250 12.5", level, 1.0, 12.5),
      VALUE("W 1 30 250 -50", level, 1.0, -50),
      VALUE("W 1 30 250 12.5", W1Given, 0, 1),
      VALUE("W 2 3 1 5 5", initnumber, 0, 3),
      VALUE("W 2 3 1 5 5", initarray[3], 0, 5),
      VALUE("P 2 2 3 4 5 6", xscale, 1.0, 2),
      VALUE("P 2 2 3 4 5 6", zscale, 1.0, 4),
      VALUE("P 2 2 3 4 5 6", movey, 0, 6),
      VALUE("P 3 1 0 12 0", xnode, 2, 1),
      VALUE("P 3 1 0 12 0", ynode, 2, 0),
      VALUE("P 3 1 0 12 0", znode, 2, 12),
      VALUE("P 3 1 301 1 1", ynode, 2, 301),
      VALUE("P 3 1 0 12 0", lnode, 1, 0),
      VALUE("P 4 v", graph, 'g', 'v'),
      VALUE("P 5 3", OGLindex, 0, 3),
      VALUE("P 6 -1 2", OGLmin, 0, -1),
      VALUE("P 6 -1 2", OGLmax, 0, 2),
      VALUE("P 6 -1 2", OGLminmax, 0, 1),
      VALUE("P 7 h", VerHorPar, 0, 'h'),
      VALUE("P 8 1", FlagGraphAvg, 0, 1),
      VALUE("P 9 20", PrintComp, 0, 20),
      VALUE("P 10 50", PrintRes, 0, 50),
      VALUE("P 11 2", PrintSpecials, 0, 2),
      VALUE("P 12 4 2 10 20", PlotCrossStart, 0, 4),
      VALUE("P 12 4 2 10 20", PlotCrossNo, 0, 2),
      VALUE("P 12 4 2 10 20", PlotCross[2], 0, 20),
      VALUE("P 13 1 3 7 8 9", PlotLongNo, 0, 3),
      VALUE("P 13 1 3 7 8 9", PlotLong[3], 0, 9),
      VALUE("P 14 2.5", TimeTimerPrint, 0, 2.5),
      VALUE("P 15 100", PrintResAlways, 0, 100),
      VALUE("P 16 -1 301 1 301", PrintIStart, 0, -1),
      VALUE("P 16 -1 301 1 301", PrintJEnd, 0, 301),
      VALUE("P 17 1 5 2 3 9 4", NoVProfiles, 0, 1),
      VALUE("P 18 2 10 297", NoCrossPrint, 0, 2),
      VALUE("P 18 2 10 297", CrossPrint[2], 0, 297),
  });
}

// The per-equation tables: defaults of every entry, and K 3 to K 6 setting
// entries 1..6 only.
TEST(DataSetsKWP, PerEquationTables) {
  InProjectDir dir;
  const double relaxDefault[8] = {0, 0.8, 0.8, 0.8, 0.2, 0.5, 0.5, 0};
  const int sweepsDefault[8] = {1, 1, 1, 1, 5, 1, 1, 1};
  for (int e = 0; e < 8; ++e) {
    EXPECT_DOUBLE_EQ(relax[e], relaxDefault[e]) << e;
    EXPECT_EQ(sweeps[e], sweepsDefault[e]) << e;
    EXPECT_EQ(blockcorr[e], 0) << e;
    EXPECT_EQ(sou[e], 0) << e;
  }
  EXPECT_EQ(sweeps[kEquationTableSize - 1], 1);
  EXPECT_DOUBLE_EQ(relax[kEquationTableSize - 1], 0);

  // Values may stand on several lines.
  readControlText("K 3 0.1 0.2\n0.3 0.4 0.5 0.6 0.7\nK 4 11 12 13 14 15 16\nK 5 1 2 3 4 5 6\nK 6 0 1 2 3 4 100\n");
  for (int e = 1; e <= 6; ++e) {
    EXPECT_DOUBLE_EQ(relax[e], 0.1 * e) << e;
    EXPECT_EQ(sweeps[e], 10 + e) << e;
    EXPECT_EQ(blockcorr[e], e) << e;
  }
  EXPECT_EQ(sou[6], 100);
  EXPECT_DOUBLE_EQ(relax[7], 0);  // the seventh value is free text
  EXPECT_EQ(sweeps[7], 1);

  // K 4 cut short by the next data set: the entries keep their values.
  setControlDefaults();
  readControlText("K 4 7 8 9\nF 24 3\n");
  EXPECT_EQ(sweeps[3], 9);
  EXPECT_EQ(sweeps[4], 5);
  EXPECT_EQ(sweeps[6], 1);
  EXPECT_EQ(TurbulenceModel, 3);
}

// Record lists of W 4, W 6, W 7 and P 17: one record per data set, in file order.
TEST(DataSetsKWP, RecordsAreAddedInFileOrder) {
  InProjectDir dir;
  readControlText(
      "W 4 1 -1 10 2 20 3 5\nW 4 3 1 11 1 300 1 300\n"
      "W 6 5 6\nW 6 0 300\n"
      "W 7 2 10 20 0.5 3.5\nW 7 3 1 2 1 2\n"
      "P 17 1 5 2 3 9 4\nP 17 7 8 1 9 9 1\n");
  ASSERT_EQ(MWallNo, 2);
  const WallPatch& w = MWall[1];
  EXPECT_EQ(w.dir, 1);
  EXPECT_EQ(w.posneg, -1);
  EXPECT_EQ(w.node, 10);
  EXPECT_EQ(w.first1, 2);
  EXPECT_EQ(w.last1, 20);
  EXPECT_EQ(w.first2, 3);
  EXPECT_EQ(w.last2, 5);
  EXPECT_EQ(MWall[2].node, 11);

  ASSERT_EQ(FastNo, 2);
  EXPECT_EQ(iFast[1], 5);
  EXPECT_EQ(jFast[1], 6);
  EXPECT_EQ(jFast[2], 300);

  // The file gives the type first.
  ASSERT_EQ(AttractNo, 2);
  EXPECT_EQ(Attract[1].type, 2);
  EXPECT_EQ(Attract[1].i, 10);
  EXPECT_EQ(Attract[1].j, 20);
  EXPECT_DOUBLE_EQ(Attract[1].strength, 0.5);
  EXPECT_DOUBLE_EQ(Attract[1].decay, 3.5);
  EXPECT_EQ(Attract[2].type, 3);

  // The file gives i1, i2, istep, j1, j2, jstep.
  ASSERT_EQ(NoVProfiles, 2);
  const VelocityBox& b = VProfiles[1];
  EXPECT_EQ(b.i1, 1);
  EXPECT_EQ(b.i2, 5);
  EXPECT_EQ(b.istep, 2);
  EXPECT_EQ(b.j1, 3);
  EXPECT_EQ(b.j2, 9);
  EXPECT_EQ(b.jstep, 4);
  EXPECT_EQ(VProfiles[2].i1, 7);

  setControlDefaults();
  EXPECT_EQ(MWallNo, 0);
  EXPECT_EQ(FastNo, 0);
  EXPECT_EQ(AttractNo, 0);
  EXPECT_EQ(NoVProfiles, 0);
}

// The grammar of these letters: the number takes the white space after it,
// and a P data set ends after its own values.
TEST(DataSetsKWP, TheNextLineAfterAPDataSetIsReadAsItStands) {
  InProjectDir dir;
  readControlText("P 4\nWater level\n");
  EXPECT_EQ(graph, 'W');
  EXPECT_DOUBLE_EQ(level, 1.0);  // "ater level" starts nothing

  setControlDefaults();
  readControlText("P 2 1 1 1 0 0\nW 1 40 2 3\n");
  EXPECT_DOUBLE_EQ(ManningInit, 40);

  setControlDefaults();
  readControlText("P 12 1 0\nK 1 7 8\n");
  EXPECT_EQ(PlotCrossNo, 0);
  EXPECT_EQ(iterGlobalMax, 7);

  setControlDefaults();
  readControlText("W 2 0\nK 1 7 8\n");
  EXPECT_EQ(initnumber, 0);
  EXPECT_EQ(iterGlobalMax, 7);
}

class DataSetsKWPRefusal : public ::testing::TestWithParam<RefusalRow> {};

TEST_P(DataSetsKWPRefusal, EndsWithItsMessageAndStatus) { expectRefusal(GetParam()); }

// The 30th W 4, the 20000th W 6, the 200th W 7 and the 1000th P 17.
static std::string repeated(const std::string& line, int n) {
  std::string s;
  for (int k = 0; k < n; ++k) s += line;
  return s;
}
static const std::string kWallPatches30 = repeated("W 4 1 0 5 1 2 1 2\n", 30);
static const std::string kFixedPoints20000 = repeated("W 6 1 1", 20000);  // one turn each: within the turn limit
static const std::string kAttractions200 = repeated("W 7 0 1 1 1 1\n", 200);
static const std::string kProfiles1000 = repeated("P 17 1 1 1 1 1 1\n", 1000);
static const std::string kCrossPrint1000 = "P 18 1000 " + repeated("5 ", 1000) + "\n";

INSTANTIATE_TEST_SUITE_P(
    DataSetsKWP, DataSetsKWPRefusal,
    ::testing::Values(
        RefusalRow{"K 2 -1 1\nF 2 X\n", 2, "Input error for K 2 in control"},
        RefusalRow{"K 2 0 2\n", 2, "Input error for K 2 in control"},
        RefusalRow{"K 3 0.5 0.5 0.5 6\n", 2, "Input error for K 3 in control"},
        RefusalRow{"K 3 0.5 -0.1\n", 2, "Input error for K 3 in control"},
        RefusalRow{"K 3 0.5 0.5 0.5\nF 24 1\n", 2, "Input error for K 3 in control"},
        RefusalRow{"K 4 1 1 201\n", 2, "Input error for K 4 in control"},
        RefusalRow{"K 4 -1\n", 2, "Input error for K 4 in control"},
        RefusalRow{"K 5 0 21\n", 2, "Input error for K 5 in control"},
        RefusalRow{"K 6 0 0 0 0 0 101\n", 2, "Input error for K 6 in control"},
        RefusalRow{"K 6 -1\n", 2, "Input error for K 6 in control"},
        RefusalRow{"W 1 0.5 1 1\n", 2, "Input error for W 1 in control"},
        RefusalRow{"W 1 1801 1 1\n", 2, "Input error for W 1 in control"},
        RefusalRow{"W 1 50 0 1\n", 2, "Input error for W 1 in control"},
        RefusalRow{"W 1 50 1 10001\n", 2, "Input error for W 1 in control"},
        RefusalRow{"W 2 3 5 4 6\n", 2, "Input error for W 2 in control"},
        RefusalRow{"W 2 2 0 4\n", 2, "Input error for W 2 in control"},
        RefusalRow{"W 2 2 4 301\n", 2, "Input error for W 2 in control"},
        RefusalRow{"G 1 50 50 11 1\nW 2 2 4 51\n", 2, "Input error for W 2 in control"},
        RefusalRow{"W 2 2 4\n", 2, "Input error for W 2 in control"},
        RefusalRow{"W 2 -1\n", 2, "Input error for W 2 in control"},
        RefusalRow{"W 2 300\n", 2, "Input error for W 2 in control"},
        RefusalRow{kWallPatches30.c_str(), 2, "Input error for W 4 in control\nMWallNo = 30, too large\n"},
        RefusalRow{"W 4 4 0 5 1 2 1 2\n", 2, "Input error for W 4 in control\nMWall(1).dir = 4\n"},
        RefusalRow{"W 4 1 0 5 1 2 1 2\nW 4 1 2 5 1 2 1 2\n", 2, "Input error for W 4 in control\nMWall(2).posneg = 2\n"},
        RefusalRow{"W 4 1 0 5 0 2 1 2\n", 2, "Input error for W 4 in control\nA-MWall(1)\n"},
        RefusalRow{"W 4 1 0 5 3 2 1 2\n", 2, "Input error for W 4 in control\nA-MWall(1)\n"},
        RefusalRow{"W 4 1 0 5 1 2 3 2\n", 2, "Input error for W 4 in control\nA-MWall(1)\n"},
        RefusalRow{"W 4 1 0 0 1 2 1 2\n", 2, "Input error for W 4 in control\nA-MWall(1).node = 0\n"},
        RefusalRow{"W 4 3 0 12 1 2 1 2\n", 2, "Input error for W 4 in control\nA-MWall(1).node = 12\n"},
        RefusalRow{"W 4 1 0 5 1 2 1 12\n", 2, "Input error for W 4 in control\nB-MWall(1)\n"},
        RefusalRow{"W 4 2 0 5 1 301 1 2\n", 2, "Input error for W 4 in control\nB-MWall(1)\n"},
        RefusalRow{"W 4 3 0 5 1 2 1 301\n", 2, "Input error for W 4 in control\nB-MWall(1)\n"},
        RefusalRow{kFixedPoints20000.c_str(), 2, "Error, too many W 6 data sets\n"},
        RefusalRow{"W 6 -1 2\n", 2, "Input error for W 6 in control: fixed point 1 outside the grid\n"},
        RefusalRow{"W 6 1 1\nW 6 301 2\n", 2, "Input error for W 6 in control: fixed point 2 outside the grid\n"},
        RefusalRow{"W 6 1 301\n", 2, "Input error for W 6 in control: fixed point 1 outside the grid\n"},
        RefusalRow{kAttractions200.c_str(), 2, "Error, too many W 7 data sets\n"},
        RefusalRow{"W 7 4 1 1 1 1\n", 2, "Integer error, for data set W 7, 1\n"},
        RefusalRow{"W 7 0 301 1 1 1\n", 2, "Integer error, for data set W 7, 1\n"},
        RefusalRow{"W 7 0 1 1 1 1\nW 7 0 1 -1 1 1\n", 2, "Integer error, for data set W 7, 2\n"},
        RefusalRow{"P 3 0 1 1 1\n", 2, "Input error for P 3 in control"},
        RefusalRow{"P 3 1 302 1 1\n", 2, "Input error for P 3 in control"},
        RefusalRow{"P 3 1 1 0 1\n", 2, "Input error for P 3 in control"},
        RefusalRow{"P 3 1 1 13 1\n", 2, "Input error for P 3 in control"},
        RefusalRow{"P 3 1 1 1 2\n", 2, "Input error for P 3 in control"},
        RefusalRow{"P 6 2 1\n", 2, "Input error for P 6 in control"},
        RefusalRow{"P 6 1\n", 2, "Input error for P 6 in control"},
        RefusalRow{"P 12 1 51\n", 2, "Error 1 reading P 12 data set\n"},
        RefusalRow{"P 12 0 1 5\n", 2, "Error 1 reading P 12 data set\n"},
        RefusalRow{"P 12 1\n", 2, "Error 1 reading P 12 data set\n"},
        RefusalRow{"P 12 1 2 5 10001\n", 2, "Error 2 reading P 12 data set\n"},
        RefusalRow{"P 12 1 2 5\n", 2, "Error 2 reading P 12 data set\n"},
        RefusalRow{"P 13 1 51\n", 2, "Error 1 reading P 13 data set\n"},
        RefusalRow{"P 13 1 1 0\n", 2, "Error 2 reading P 13 data set\n"},
        RefusalRow{"P 14 -1\n", 2, "Error reading P 14 data set\n"},
        RefusalRow{"P 14 x\n", 2, "Error reading P 14 data set\n"},
        RefusalRow{"P 15 -1\n", 2, "Error reading P 15 data set\n"},
        RefusalRow{"P 16 -2 10 1 10\n", 2, "Error reading P 16 data set\n"},
        RefusalRow{"P 16 1 302 1 10\n", 2, "Error reading P 16 data set\n"},
        RefusalRow{"P 16 1 10 0 10\n", 2, "Error reading P 16 data set\n"},
        RefusalRow{"P 16 1 10 1 302\n", 2, "Error reading P 16 data set\n"},
        RefusalRow{"P 16 1 10 1\n", 2, "Error reading P 16 data set\n"},
        RefusalRow{"P 17 5 1 1 1 2 1\n", 157, "Error for reading P 17 data set no. 1\n\n"},
        RefusalRow{"P 17 1 5 1 1 2 1\nP 17 1 5 1 3 2 1\n", 157, "Error for reading P 17 data set no. 2\n\n"},
        RefusalRow{"P 17 1 5 1 1 2\n", 157, "Error for reading P 17 data set no. 1\n\n"},
        RefusalRow{kProfiles1000.c_str(), 157, "Error for reading P 17 data set no. 1000\n\n"},
        RefusalRow{"P 18 0\n", 157, "Error for P 18 data set in control file\n\n"},
        RefusalRow{"P 18 x\n", 157, "Error for P 18 data set in control file\n\n"},
        RefusalRow{kCrossPrint1000.c_str(), 157, "Error for P 18 data set in control file\n\n"},
        RefusalRow{"P 18 2 5 298\n", 157, "Error for number 2 on P 18 data set in control file\n\n"},
        RefusalRow{"G 1 50 50 11 1\nP 18 1 48\n", 157, "Error for number 1 on P 18 data set in control file\n\n"},
        RefusalRow{"P 18 2 0 5\n", 157, "Error for number 1 on P 18 data set in control file\n\n"},
        RefusalRow{"P 18 3 5 6\n", 157, "Error for number 3 on P 18 data set in control file\n\n"}));
