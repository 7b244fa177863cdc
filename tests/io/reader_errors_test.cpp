// Model files with a record that cannot be read: the reader ends the run with
// the file's name and the line, never goes on with what it has read so far.
// The accepted side: a file that ends normally is read to its end.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "io/gridfiles.h"
#include "io/kread.h"
#include "io/modelfiles.h"
#include "state/scanner.h"
#include "io/sidefiles.h"
#include "output/output.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

bool logHas(const CaseDir& d, const std::string& text) { return d.boogie().find(text) != std::string::npos; }

// ---------------------------------------------------------------------------
// The place of a fault: line number and text of the line holding a position.

TEST(RecordPlace, LineNumberAndTextOfAPosition) {
  struct Row {
    const char* name;
    std::string text;
    std::size_t at;
    int line;
    std::string shown;
  };
  const Row rows[] = {
      {"first byte", "1 2 3\n4 5 6\n", 0, 1, "1 2 3"},
      {"line end belongs to its line", "1 2 3\n4 5 6\n", 5, 1, "1 2 3"},
      {"first byte of the second line", "1 2 3\n4 5 6\n", 6, 2, "4 5 6"},
      {"end after a closed last line", "1 2 3\n4 5 6\n", 12, 2, "4 5 6"},
      {"end of an open last line", "1 2 3\n4 5", 9, 2, "4 5"},
      {"empty line after a blank one", "a\n\nb\n", 2, 2, ""},
      {"empty file", "", 0, 1, ""},
      {"carriage return is no part of the text", "ab\r\ncd\r\n", 1, 1, "ab"},
      {"bytes that cannot be shown", std::string("x\x01y\xff", 4) + "\n", 0, 1, "x?y?"},
      {"long line is cut at 100 bytes", std::string(150, '7') + "\n", 120, 1, std::string(100, '7')},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    Scanner s(r.text);
    EXPECT_EQ(s.lineOf(r.at), r.line);
    EXPECT_EQ(s.lineTextOf(r.at), r.shown);
  }
}

TEST(RecordPlace, UnreadableRecordNamesFileAndLineAndEndsWithStatus2) {
  InProjectDir d;
  Scanner s("1 2\n3 x\n");
  EXPECT_EXIT(unreadableRecord(s, 4, "demo", "two numbers are expected"), ::testing::ExitedWithCode(2), "");
  EXPECT_TRUE(d.dir().boogieHas("Error in reading demo file: line 2 cannot be read, two numbers are expected"))
      << d.dir().boogie();
  EXPECT_TRUE(d.dir().boogieHas("At line 2 of the demo file: 3 x")) << d.dir().boogie();
}

// ---------------------------------------------------------------------------
// Side files of the control file, bed roughness and terrain points.

struct Fault {
  const char* name;
  std::function<void()> prepare;  // options and arrays the reader needs
  const char* file;
  std::string text;
  std::function<void()> read;
  int status;
  std::vector<std::string> lines;  // whole lines the log must hold
};
void PrintTo(const Fault& f, std::ostream* os) { *os << f.name; }

class ReaderFault : public ::testing::TestWithParam<Fault> {};

TEST_P(ReaderFault, EndsWithTheFileAndTheLine) {
  const Fault& f = GetParam();
  InProjectDir d;
  f.prepare();
  d.dir().write(f.file, f.text);
  EXPECT_EXIT(f.read(), ::testing::ExitedWithCode(f.status), "");
  for (const std::string& l : f.lines) EXPECT_TRUE(d.dir().boogieHas(l)) << l << "\n" << d.dir().boogie();
}

// D records j = 0..20, k = 0..3 (84 records), the values (1 + j, 2, 3, 4, 5).
std::string inflowRecords(int badRecord, const std::string& bad) {
  std::string t;
  int n = 0;
  char buf[80];
  for (int j = 0; j <= 20; ++j)
    for (int k = 0; k <= 3; ++k) {
      ++n;
      if (n == badRecord) {
        t += bad + "\n";
        continue;
      }
      std::snprintf(buf, sizeof buf, "D %d %d %d 2 3 4 5\n", j, k, 1 + j);
      t += buf;
    }
  return t;
}

void noSetup() {}
void blockGridOnly() {
  xnumber = 6, ynumber = 4, znumber = 11, lnumber = 1;
  ASSERT_EQ(sialloc(), 0);
}
void cyclicOn() { FlagCyclic = 1, znumber = 11; }
void inspaceInTime() {
  lnumber = 1, InspaceAlloc = 1;
  ASSERT_EQ(sialloc(), 0);
}
void constantInspace() { lnumber = 1; }
void readGeodataByKread() {
  std::FILE* f = std::fopen("control", "w");
  std::fputs("G 1 10 8 11 1\n", f);
  std::fclose(f);
  kread();
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReaderFault,
    ::testing::Values(
        Fault{"InflowIndexNotANumber", noSetup, "inflow", inflowRecords(5, "D 1 nan 1 2 3 4 5"), readInflow, 2,
              {"Error in reading inflow file: line 5 cannot be read, a record is the letter D, the indexes j and k "
               "and five numbers",
               "At line 5 of the inflow file: D 1 nan 1 2 3 4 5"}},
        Fault{"InflowIndexNotAnInteger", noSetup, "inflow", inflowRecords(84, "D 1.5 2 1 2 3 4 5"), readInflow, 2,
              {"Error in reading inflow file: line 84 cannot be read, a record is the letter D, the indexes j and "
               "k and five numbers"}},
        // A record with its own message keeps it and says where it stands.
        Fault{"InflowValueNotANumber", noSetup, "inflow", inflowRecords(3, "D 0 2 1 2 inf 4 5"), readInflow, 253,
              {"Error in reading inflow file for line: 0 2", "At line 3 of the inflow file: D 0 2 1 2 inf 4 5"}},
        Fault{"InflowIndexBeyondTheTable", noSetup, "inflow", "D 1 2 1 2 3 4 5\nD 500 2 1 2 3 4 5\n", readInflow,
              254, {"At line 2 of the inflow file: D 500 2 1 2 3 4 5"}},
        Fault{"CyclicValueNotANumber", cyclicOn, "cyclic", "1 0.1 0.01 0.001\n2 nan 0.01 0.001\n3 0.3 0.01 0.001\n",
              readCyclic, 2,
              {"Error in reading cyclic file: line 2 cannot be read, four numbers are expected: level, u, k, "
               "epsilon",
               "At line 2 of the cyclic file: 2 nan 0.01 0.001"}},
        Fault{"CyclicLineCutShort", cyclicOn, "cyclic", "1 0.1 0.01 0.001\n2 0.2 0.01\n", readCyclic, 2,
              {"At line 2 of the cyclic file: 2 0.2 0.01"}},
        Fault{"InspaceTimeNotANumber", inspaceInTime, "inspace", "A 1\nT 0\nT nan\n", readInspace, 2,
              {"Error in reading inspace file: line 3 cannot be read, a T record holds a time",
               "At line 3 of the inspace file: T nan"}},
        Fault{"InspaceBShortKeepsItsMessage", constantInspace, "inspace", "A 1\nB 1 1 2 3 x\n", readInspace, 248,
              {"Error in reading the inspace file, not enough data on the B data set",
               "At line 2 of the inspace file: B 1 1 2 3 x"}},
        Fault{"BedroughValueNotANumber", blockGridOnly, "bedrough", "B 1 1 0.3\nB 2 2 nan\nB 3 3 0.2\n",
              readBedrough, 2,
              {"Error in reading bedrough file: line 2 cannot be read, a record is the letter B, the indexes i "
               "and j and the roughness",
               "At line 2 of the bedrough file: B 2 2 nan"}},
        Fault{"GeodataLevelNotANumber", noSetup, "geodata", "E 0 0 2.0\nE 1 1 7.0\nE 2 2 nan\nE 3 3 4.0\n",
              readGeodataByKread, 2,
              {"Error in reading geodata file: line 3 cannot be read, an E record holds three numbers: x, y, z",
               "At line 3 of the geodata file: E 2 2 nan"}},
        Fault{"GeodataRecordCutShort", noSetup, "geodata", "E 0 0 2.0\nE 1 1\n", readGeodataByKread, 2,
              {"At line 2 of the geodata file: E 1 1"}}),
    [](const auto& info) { return std::string(info.param.name); });

// The accepted side: files that end normally are read to their last record.
TEST(ReaderEnd, InflowOf84RecordsIsReadToItsEnd) {
  InProjectDir d;
  d.dir().write("inflow", inflowRecords(0, "") + "\n  \n");
  readInflow();
  EXPECT_TRUE(d.dir().boogieHas("Have read 84 points in a 20 x 3 array from inflow file")) << d.dir().boogie();
  EXPECT_DOUBLE_EQ(inflowu[20][3], 21.0);
}

// Text after the records is not a record: reading stops there with a warning
// naming the file and the line, and the records before it stand.
TEST(ReaderEnd, InflowStopsWithAWarningAtTextAfterTheRecords) {
  InProjectDir d;
  d.dir().write("inflow", "D 1 2 1 2 3 4 5\nend of table\nD 3 3 9 9 9 9 9\n");
  readInflow();
  EXPECT_TRUE(d.dir().boogieHas("Warning: reading of the inflow file stopped at line 2, which is not a record; "
                                "the rest of the file is ignored"))
      << d.dir().boogie();
  EXPECT_TRUE(d.dir().boogieHas("At line 2 of the inflow file: end of table")) << d.dir().boogie();
  EXPECT_TRUE(d.dir().boogieHas("Have read 1 points in a 1 x 2 array from inflow file")) << d.dir().boogie();
  EXPECT_DOUBLE_EQ(inflowu[1][2], 1.0);
}

TEST(ReaderEnd, CyclicEndingBeforeTheTopLevelIsNoFault) {
  InProjectDir d;
  cyclicOn();
  d.dir().write("cyclic", "1 0.1 0.01 0.001\n2 0.2 0.01 0.001\n\n");
  readCyclic();
  EXPECT_TRUE(d.dir().boogieHas("Have read 2 points from cyclic file")) << d.dir().boogie();
  EXPECT_DOUBLE_EQ(cyclicU[2], 0.2);
}

// A line of another letter is not a roughness record: reading stops there
// with a warning naming the file and the line, and the run goes on with the
// records before it.
TEST(ReaderEnd, BedroughStopsWithAWarningAtAnotherLetter) {
  InProjectDir d;
  blockGridOnly();
  XksWall = 0.05;
  d.dir().write("bedrough", "B 1 1 0.3\n\nC 2 2 0.4\nB 3 3 0.2\n");
  readBedrough();
  EXPECT_TRUE(d.dir().boogieHas("Warning: reading of the bedrough file stopped at line 3, which is not a record; "
                                "the rest of the file is ignored"))
      << d.dir().boogie();
  EXPECT_TRUE(d.dir().boogieHas("At line 3 of the bedrough file: C 2 2 0.4")) << d.dir().boogie();
  EXPECT_TRUE(d.dir().boogieHas("Have read 1 roughness points from bedrough file")) << d.dir().boogie();
  EXPECT_DOUBLE_EQ(roughness[1][1], 0.3);
  EXPECT_DOUBLE_EQ(roughness[2][2], 0.05);
  EXPECT_DOUBLE_EQ(roughness[3][3], 0.05);
}

TEST(ReaderEnd, BedroughIsReadToItsLastRecord) {
  InProjectDir d;
  blockGridOnly();
  XksWall = 0.05;
  d.dir().write("bedrough", "B 1 1 0.3\nB 2 2 0.4\nB 5 3 0.2");  // no line end after the last record
  readBedrough();
  EXPECT_TRUE(d.dir().boogieHas("Have read 3 roughness points from bedrough file")) << d.dir().boogie();
  EXPECT_DOUBLE_EQ(roughness[5][3], 0.2);
}

// geodata: E records, S lines that form no point (the E of their numbers
// starts no record), Z ends the points. The level is 1 m above the highest
// point read, the level table runs from the lowest to the highest.
TEST(ReaderEnd, TerrainPointsUpToZ) {
  InProjectDir d;
  d.dir().write("geodata", "E 0 0 2.0\nS 1.0E3 2.0E3 30.5 4\nE 1 1 7.0\nZ\nE 2 2 99.0\n");
  readGeodataByKread();
  EXPECT_DOUBLE_EQ(level, 8.0);
  EXPECT_DOUBLE_EQ(zdistrib[1], 2.0);
  EXPECT_DOUBLE_EQ(zdistrib[11], 7.0);
}

// ---------------------------------------------------------------------------
// The result file read by run letter R, written for the small grid of 8 cells
// and 36 surfaces: line 5 is the U line, lines 7..14 the cells, 15..50 the
// surfaces.

std::vector<std::string> splitLines(const std::string& t) {
  std::vector<std::string> out;
  std::size_t a = 0;
  while (a < t.size()) {
    std::size_t e = t.find('\n', a);
    if (e == std::string::npos) e = t.size();
    out.push_back(t.substr(a, e - a));
    a = e + 1;
  }
  return out;
}
std::string joinLines(const std::vector<std::string>& l, std::size_t count) {
  std::string t;
  for (std::size_t n = 0; n < count && n < l.size(); ++n) t += l[n] + "\n";
  return t;
}

void smallGridWithResult() {
  SmallGrid g;
  g.gridLinesX = 8;
  g.build();
  for (int c = 1; c <= NoCells; ++c) Cxvel[c] = Cepsilon[c] = 0.5;
  print_result();
  std::rename("result.end", "result");
}

struct ResultEdit {
  const char* name;
  std::function<std::string(std::vector<std::string>)> edit;  // the lines as written
  int status;
  std::vector<std::string> lines;
};
void PrintTo(const ResultEdit& r, std::ostream* os) { *os << r.name; }
class ResultFault : public ::testing::TestWithParam<ResultEdit> {};

TEST_P(ResultFault, EndsWithTheFileAndTheLine) {
  const ResultEdit& r = GetParam();
  InProjectDir d;
  smallGridWithResult();
  const auto written = splitLines(d.dir().read("result"));
  ASSERT_EQ(written.size(), 50u);
  ASSERT_EQ(written[4], "U 27 8 36 1 0 0");
  d.dir().write("result", r.edit(written));
  EXPECT_EXIT(readres(), ::testing::ExitedWithCode(r.status), "");
  for (const std::string& l : r.lines) EXPECT_TRUE(logHas(d.dir(), l)) << l << "\n" << d.dir().boogie();
  EXPECT_FALSE(logHas(d.dir(), "Have read")) << d.dir().boogie();
}

std::function<std::string(std::vector<std::string>)> replaceLine(int number, std::string with) {
  return [number, with](std::vector<std::string> l) {
    l[number - 1] = with;
    return joinLines(l, l.size());
  };
}

INSTANTIATE_TEST_SUITE_P(
    Files, ResultFault,
    ::testing::Values(
        ResultEdit{"CutShortInTheCells", [](std::vector<std::string> l) { return joinLines(l, 10); }, 2,
                   {"Error reading result file: it ends with 4 of the 8 cell records and 0 of the 36 surface "
                    "records\n",
                    "\nAt line 10 of the result file: C 4 "}},
        ResultEdit{"CutShortInTheSurfaces", [](std::vector<std::string> l) { return joinLines(l, 34); }, 2,
                   {"it ends with 8 of the 8 cell records and 20 of the 36 surface records\n",
                    "\nAt line 34 of the result file: F 20 "}},
        ResultEdit{"CellRecordMissingAValue", replaceLine(9, "C 3 1 2 3 4 5"), 2,
                   {"Error in reading result file: line 9 cannot be read, a C record holds a cell number and six "
                    "numbers: u, v, w, k, epsilon, p\n",
                    "At line 9 of the result file: C 3 1 2 3 4 5\n"}},
        ResultEdit{"CellRecordWithAWord", replaceLine(9, "C 3 1 2 w 4 5 6"), 2,
                   {"At line 9 of the result file: C 3 1 2 w 4 5 6\n"}},
        ResultEdit{"CellRecordWithNaN", replaceLine(12, "C 6 1 2 3 4 nan 6"), 2,
                   {"Error in reading result file: line 12 cannot be read"}},
        ResultEdit{"CellRecordBeyondTheDoubles", replaceLine(12, "C 6 1 2 3 4 1e999 6"), 2,
                   {"At line 12 of the result file: C 6 1 2 3 4 1e999 6\n"}},
        ResultEdit{"SurfaceRecordWithoutFlux", replaceLine(16, "F 2"), 2,
                   {"Error in reading result file: line 16 cannot be read, an F record holds a surface number and "
                    "its flux\n"}},
        ResultEdit{"CountLineCutShort", replaceLine(5, "U 27 8 36 1 0"), 2,
                   {"Error in reading result file: line 5 cannot be read, the U record holds six grid counts\n"}},
        ResultEdit{"CountLineOfAnotherGrid", replaceLine(5, "U 27 8 36 2 0 0"), 252,
                   {"Error reading result file, array size is not the same as in the grid\n",
                    "No. blocks in grid: 1, no. blocks in result file: 2\n"}}),
    [](const auto& info) { return std::string(info.param.name); });

// A grid with a sub-bed block: the file holds the cells of block 1 only, as
// its U line says; those are all it must hold.
TEST(ResultEnd, SubBedGridNeedsTheCellsOfItsUpperBlock) {
  InProjectDir d;
  smallGridWithResult();
  block[1].lastCell = 6;
  block[2].subBed = 1;
  auto l = splitLines(d.dir().read("result"));
  l[4] = "U 27 6 36 1 0 0";
  l.erase(l.begin() + 12, l.begin() + 14);  // C 7 and C 8
  d.dir().write("result", joinLines(l, l.size()));
  readres();
  EXPECT_TRUE(d.dir().boogieHas("Have read 6 cell values from result file")) << d.dir().boogie();
  EXPECT_EQ(FlagInitialized, 1);

  l.erase(l.begin() + 11);  // C 6 as well
  d.dir().write("result", joinLines(l, l.size()));
  EXPECT_EXIT(readres(), ::testing::ExitedWithCode(2), "");
  EXPECT_TRUE(logHas(d.dir(), "it ends with 5 of the 6 cell records and 36 of the 36 surface records\n"))
      << d.dir().boogie();
}

// ---------------------------------------------------------------------------
// The bed restart file keeps its own messages and says where the record stands.

TEST(BedresPlace, UnreadableGridLineNamesItsLine) {
  InProjectDir d;
  SmallGrid{}.build();  // G 1 5 5 3 1, block 1 with grid lines 1..3 x 1..3
  ASSERT_EQ(std::vector<int>({xnumber, ynumber, znumber, lnumber}), std::vector<int>({5, 5, 3, 1}));
  d.dir().write("bedres",
                "Results from TOVAK 2, iter = 0\nK 5 5 3 1 4 1.0 8\n"
                "1 1 0 0 1 -10 0\n1 2 0 nan 1 -10 0\n");
  EXPECT_EXIT(readBedres([] {}), ::testing::ExitedWithCode(253), "");
  EXPECT_TRUE(d.dir().boogieHas("Error in reading bedres file: grid line 1 2 can not be read")) << d.dir().boogie();
  EXPECT_TRUE(d.dir().boogieHas("At line 4 of the bedres file: 1 2 0 nan 1 -10 0")) << d.dir().boogie();
}

}  // namespace
