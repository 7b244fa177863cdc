// The side files of the control file: cyclic, inflow and inspace.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "io/sidefiles.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/case_runner.h"
#include "support/in_dir.h"

namespace {

struct SideFileCase {
  const char* name;
  std::string control;
  std::string file;     // the side file's name
  std::string content;  // its text
  int status;
  std::vector<std::string> lines;  // texts boogie must hold
};

void PrintTo(const SideFileCase& c, std::ostream* os) { *os << c.name; }

class SideFile : public ::testing::TestWithParam<SideFileCase> {};

TEST_P(SideFile, GivesItsMessageAndStatus) {
  const SideFileCase& c = GetParam();
  CaseDir d;
  d.write("control", c.control);
  if (!c.file.empty()) d.write(c.file, c.content);
  int st = d.run();
  EXPECT_EQ(st, c.status) << d.boogie();
  for (const std::string& l : c.lines) EXPECT_NE(d.boogie().find(l), std::string::npos) << l << "\n" << d.boogie();
}

const std::string kOneSize = "G 1 20 10 11 1\n";
const std::string kTwoSizes = "G 1 20 10 11 2\nN 0 1 0.5\nN 0 2 0.5\n";
const std::string kTenValues = " 1 2 3 4 5 6 7 8 9 10\n";

INSTANTIATE_TEST_SUITE_P(
    Files, SideFile,
    ::testing::Values(
        // A missing inflow file is no error: its line, then the run goes on.
        SideFileCase{"NoFiles", kOneSize, "", "", 1, {"Have not used inflow file\n", "Mbytes unstructured arrays"}},
        SideFileCase{"InflowRead", kOneSize, "inflow",
                     "D 499 49 1 2 3 4 5\nD 3 7 1 2 3 4 5\n   D 0 0 1 2 3\n4 5\n", 1,
                     {"Have read 3 points in a 499 x 49 array from inflow file\n"}},
        SideFileCase{"InflowJTooLarge", kOneSize, "inflow", "D 500 3 1 2 3 4 5\n", 254,
                     {"Error in reading inflow file, too large indexes in inflow file: 500 3\n"}},
        SideFileCase{"InflowKTooLarge", kOneSize, "inflow", "D 5 50 1 2 3 4 5\n", 254,
                     {"too large indexes in inflow file: 5 50\n"}},
        SideFileCase{"InflowNegativeIndex", kOneSize, "inflow", "D -1 2 1 2 3 4 5\n", 254,
                     {"too large indexes in inflow file: -1 2\n"}},
        SideFileCase{"InflowWrongLetter", kOneSize, "inflow", "E 1 2 1 2 3 4 5\n", 248,
                     {"Error in reading inflow file, the D data set has to be used\n"}},
        // The head is read as a letter and two indexes, and a letter other
        // than D is refused also after good records (where `bedrough`, whose
        // records begin with the fixed B, stops at another letter); text that
        // is no head stops the reading with a warning (reader_errors_test).
        SideFileCase{"InflowAnotherLetterAfterTheRecords", kOneSize, "inflow",
                     "D 1 2 1 2 3 4 5\nD 2 2 1 2 3 4 5\nX 3 4 1 2 3 4 5\n", 248,
                     {"Error in reading inflow file, the D data set has to be used\nAt line 3 of the inflow file: X 3 4 "
                      "1 2 3 4 5\n"}},
        SideFileCase{"InflowShortRecord", kOneSize, "inflow", "D 1 2 1 2 3 4\n", 253,
                     {"Error in reading inflow file for line: 1 2\nNote that five floating point numbers must be "
                      "given\n"}},
        SideFileCase{"CyclicAllLevels", kOneSize + "F 174 1\n", "cyclic",
                     "1 0.1 0.01 0.001\n2 0.2 0.01 0.001\n3 0.3 0.01 0.001\n4 0.4 0.01 0.001\n5 0.5 0.01 0.001\n"
                     "6 0.6 0.01 0.001\n7 0.7 0.01 0.001\n8 0.8 0.01 0.001\n9 0.9 0.01 0.001\n10 1.0 0.01 0.001\n"
                     "11 1.1 0.01 0.001\n",
                     1, {"Have read 11 points from cyclic file\n"}},
        SideFileCase{"CyclicOutOfOrder", kOneSize + "F 174 1\n", "cyclic", "1 1 1 1\n2 1 1 1\n5 1 1 1\n4 1 1 1\n", 1,
                     {"Have read 5 points from cyclic file\n"}},
        SideFileCase{"CyclicMissing", kOneSize + "F 174 1\n", "", "", 1, {"Have not used cyclic file\n"}},
        SideFileCase{"InspaceConstant", kOneSize, "inspace", "A 1\nB 1" + kTenValues, 1, {"Inspace file read: \n"}},
        SideFileCase{"InspaceAWithoutInteger", kOneSize, "inspace", "A 0\n", 248,
                     {"Error in reading the inspace file, the A data set has to be used with an integer\n"}},
        SideFileCase{"InspaceBWithF294", kOneSize + "F 294 1\n", "inspace", "B 1" + kTenValues, 244,
                     {"Error in inspace file or F 294 data set: The B data set in the inspace\nfile can not be used "
                      "with the F 294 data set in the control file\n"}},
        SideFileCase{"InspaceBSizeAboveLnumber", kOneSize, "inspace", "B 2" + kTenValues, 248,
                     {"not correct first integer on the B data set\n"}},
        // The coefficient tables hold sizes 1..19, whatever G 1 says.
        SideFileCase{"InspaceBSizeBeyondTheTable", "G 1 20 10 11 20\nN 0 1 1.0\n", "inspace", "B 20" + kTenValues,
                     248, {"not correct first integer on the B data set\n"}},
        SideFileCase{"InspaceBShort", kTwoSizes, "inspace", "B 2 1 2 3\n", 248,
                     {"Error in reading the inspace file, not enough data on the B data set\n"}},
        SideFileCase{"InspaceTWithoutF294", kOneSize, "inspace", "T 0.0\n", 247,
                     {"Error in reading inspace file, the T data set has to be used together with the F 294 data "
                      "set\n"}},
        SideFileCase{"InspaceThreeLevelsFit", kOneSize + "F 294 1\n", "inspace",
                     "T 0\nC 1" + kTenValues + "T 5\nT 5\nC 1" + kTenValues, 1, {"Inspace file read: \n"}},
        SideFileCase{"InspaceFourthLevel", kOneSize + "F 294 1\n", "inspace", "T 0\nT 1\nT 2\nT 3\n", 246,
                     {"Error in reading inspace file, increase F 294 integer\n"}},
        SideFileCase{"InspaceTimeBackwards", kOneSize + "F 294 2\n", "inspace", "T 0\nT 4\nT 3\n", 245,
                     {"Error in reading inspace file, time steps has to increase for time step 2\n"}},
        SideFileCase{"InspaceCWithoutF294", kOneSize, "inspace", "C 1" + kTenValues, 247,
                     {"the C data set has to be used together with the F 294 data set\n"}},
        SideFileCase{"InspaceCBeforeAnyT", kOneSize + "F 294 1\n", "inspace", "C 1" + kTenValues, 248,
                     {"not correct first integer on the C data set\nfor time step 0.000000\n\n"}},
        SideFileCase{"InspaceCShort", kOneSize + "F 294 1\n", "inspace", "T 1.5\nC 1 1 2 3\n", 248,
                     {"not enough data on the C data set\nfor time step 1.500000, size no: 1, point no: 4\n\n"}}),
    [](const auto& info) { return std::string(info.param.name); });

// In-process: what the readers store.
TEST(SideFileValues, InflowRecordsInAnyOrderFillTheirSlots) {
  InProjectDir dir;
  dir.dir().write("inflow", "D 4 2 1.5 2.5 3.5 4.5 5.5\nD 1 9 -1 -2 -3 -4 -5\n");
  readInflow();
  EXPECT_EQ(inflowj, 4);  // largest indexes, not counts
  EXPECT_EQ(inflowk, 9);
  EXPECT_DOUBLE_EQ(inflowu[4][2], 1.5);
  EXPECT_DOUBLE_EQ(inflowv[4][2], 2.5);
  EXPECT_DOUBLE_EQ(infloww[4][2], 3.5);
  EXPECT_DOUBLE_EQ(inflowki[4][2], 4.5);
  EXPECT_DOUBLE_EQ(inflowe[4][2], 5.5);
  EXPECT_DOUBLE_EQ(inflowe[1][9], -5);
}

TEST(SideFileValues, CyclicStoresTheOutOfOrderLineAtItsExpectedLevel) {
  InProjectDir dir;
  FlagCyclic = 1;
  dir.dir().write("cyclic", "1 0.1 0.2 0.3\n2 1.1 1.2 1.3\n5 2.1 2.2 2.3\n4 9 9 9\n");
  readCyclic();
  EXPECT_EQ(FlagHaveReadCyclic, 1);
  EXPECT_DOUBLE_EQ(cyclicU[2], 1.1);
  EXPECT_DOUBLE_EQ(cyclicE[3], 2.3);  // level 5 given on the third line goes to slot 3
  EXPECT_DOUBLE_EQ(cyclicU[4], 0.0);  // reading stopped
}

TEST(SideFileValues, InspaceCoefficientsConstantAndInTime) {
  {
    InProjectDir dir;
    lnumber = 2;
    dir.dir().write("inspace", "no A record: B 2 0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8 0.9 1.0\n");
    readInspace();
    EXPECT_DOUBLE_EQ(inspace[2][1], 0.1);
    EXPECT_DOUBLE_EQ(inspace[2][10], 1.0);
    EXPECT_EQ(FlagInspace, 0);
  }
  {
    InProjectDir dir;
    EXPECT_DOUBLE_EQ(inspace[2][1], 0.0);  // the defaults clear the coefficients of an earlier file
    lnumber = 1;
    InspaceAlloc = 1;
    ASSERT_EQ(sialloc(), 0);
    dir.dir().write("inspace", "A 1\nT 0.0\nC 1 1 2 3 4 5 6 7 8 9 10\nT 10.0\nC 1 11 12 13 14 15 16 17 18 19 20\n");
    readInspace();
    EXPECT_EQ(FlagInspace, 1);
    EXPECT_EQ(InspaceTimeNo, 2);
    EXPECT_DOUBLE_EQ(TinspaceTime[1], 10.0);
    EXPECT_DOUBLE_EQ(Tinspace[0][1][10], 10.0);
    EXPECT_DOUBLE_EQ(Tinspace[1][1][1], 11.0);
  }
}

TEST(SideFileValues, PrintPointsAreClearedBeforeInspace) {
  InProjectDir dir;
  TimePrintNo = 4;
  TimePrint[3].n = 7;
  TimePrint[3].letter[0] = 'u';
  TimePrint[3].number[24] = 12;
  clearTimePrint();
  EXPECT_EQ(TimePrintNo, 0);
  EXPECT_EQ(TimePrint[3].n, 0);
  EXPECT_EQ(TimePrint[3].letter[0], ' ');
  EXPECT_EQ(TimePrint[3].number[24], 0);
}

}  // namespace
