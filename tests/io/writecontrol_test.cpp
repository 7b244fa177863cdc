// Control data written back: control.new read back by kread gives the same
// option values; the minimal control file; the Z data sets of gridchange.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "io/dataset.h"
#include "io/kread.h"
#include "io/writecontrol.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "support/case_runner.h"
#include "support/in_dir.h"

namespace {

// Every value the data-set rows hold, and the lists and records that
// writeControl writes.
std::vector<double> optionValues() {
  std::vector<double> v;
  for (const DataSet* d : allDataSets())
    for (const Value& x : d->values) v.push_back(valueAsDouble(x));
  for (int e = 1; e <= 6; ++e) {
    v.push_back(relax[e]);
    v.push_back(sweeps[e]);
    v.push_back(blockcorr[e]);
    v.push_back(sou[e]);
  }
  for (int k = 1; k <= znumber; ++k) v.push_back(zdistrib[k]);
  v.push_back(FlagBedGradient);
  v.push_back(FlagBedslopeCorrection);
  v.push_back(FlagBedPoros);
  for (int k = 0; k < 6; ++k) v.push_back(BedFlags[k]);
  for (int r = 0; r <= IONo; ++r) {
    for (int k = 0; k < 8; ++k) v.push_back(IO[r].n[k]);
    for (int k = 0; k < 4; ++k) v.push_back(IO[r].v[k]);
  }
  for (int r = 0; r <= UInitNo; ++r)
    for (int k = 1; k <= 6; ++k) v.push_back(UInit[r][k]);
  for (int r = 0; r <= SedSourceNo; ++r) {
    v.push_back(SedSource[r].group);
    for (int s = 1; s <= lnumber; ++s) v.push_back(SedSource[r].conc[s]);
  }
  for (int r = 0; r <= OutBlockNo; ++r) {
    const OutBlockRecord& o = OutBlock[r];
    for (int x : {o.type, o.i1, o.i2, o.j1, o.j2, o.k1, o.k2}) v.push_back(x);
  }
  for (int k = 0; k <= initnumber; ++k) v.push_back(initarray[k]);
  for (int r = 0; r <= MWallNo; ++r) {
    const WallPatch& w = MWall[r];
    for (int x : {w.dir, w.posneg, w.node, w.first1, w.last1, w.first2, w.last2}) v.push_back(x);
  }
  for (int r = 0; r <= FastNo; ++r) {
    v.push_back(iFast[r]);
    v.push_back(jFast[r]);
  }
  for (int r = 0; r <= AttractNo; ++r) {
    const AttractRecord& a = Attract[r];
    for (double x : {double(a.i), double(a.j), double(a.type), a.strength, a.decay}) v.push_back(x);
  }
  for (int s = 0; s <= lnumber; ++s) {
    v.push_back(gsize[s]);
    v.push_back(fallvelo[s]);
    v.push_back(inflow[s]);
  }
  return v;
}

// The letters of a text data set as the run control and the flags see them.
std::string printable(const char* p, int n) {
  std::string s;
  for (int i = 0; i < n && p[i] >= 32 && p[i] <= 126; ++i) s += p[i];
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

struct Snapshot {
  std::vector<double> values;
  std::string title, runLetters, optionLetters;
};

Snapshot snapshot() {
  return {optionValues(), printable(Title + 1, 79), printable(run, 20), printable(options + 1, 8)};
}

std::string readAndWriteBack(const InProjectDir& dir, const std::string& control, Snapshot& s) {
  dir.dir().write("control", control);
  kread();
  s = snapshot();
  writeControl();
  return dir.dir().read("control.new");
}

TEST(WriteControl, ReadBackGivesTheSameValuesAndTheSameFile) {
  const std::string control =
      "T straight channel\n"
      "F 1 D\nF 2 WM\nF 4 0.6 100 0.02\nF 6 0.02 1.6 0.4\nF 7 NBP\nF 8 0.2\nF 9 2.0\nF 10 E\nF 11 2.5 0.05\n"
      "F 12 0.8\nF 16 0.05\nF 17 0.5\nF 21 0.8\nF 23 0.5 0.1\nF 25 0.4 1.5 0.6 0.7 3\nF 26 0.6\nF 27 1\n"
      "F 30 2 0 1 0 0 0\nF 33 0.5 3\nF 36 1\nF 37 1\n"
      "G 1 20 10 5 1\nG 3 0 0.1 0.4 0.8 1.0\nG 6 5 0 1 0.2 0.001\n"
      "G 7 1 0 0 0 0 0 0 0 1.0 2.0 3.0 4.0\nG 7 2 1 1 1 1 1 1 1 0.5 0.5 0.5 0.5\n"
      "G 12 1 0.001\nG 13 0 3 5 2 4 2 6\nG 13 1 6 7 3 3 2 4\nG 18 0.1 0 0 0 0.001 0.0001\n"
      "P 2 2.0 1.0 1.0 10.0 5.0\nP 3 1 3 2 1\n"
      "S 1 0.00000012345 0.1\nI 1 0.5\n"
      "W 1 30 12.5 3.25\nW 2 2 5 10\nW 4 1 1 5 2 4 2 3\nW 6 3 4\nW 6 7 8\nW 7 2 10 5 0.5 0.25\n"
      "K 1 200 50000\nK 2 0 0\nK 3 0.7 0.7 0.7 0.3 0.4 0.4\nK 4 2 2 2 6 1 1\nK 5 0 0 0 1 0 0\nK 6 1 1 0 0 0 0\n";
  Snapshot first, second, third;
  std::string written, rewritten;
  {
    InProjectDir dir;
    written = readAndWriteBack(dir, control, first);
  }
  {
    InProjectDir dir;
    rewritten = readAndWriteBack(dir, written, second);
  }
  EXPECT_EQ(second.values, first.values);
  EXPECT_EQ(second.title, " straight channel");
  EXPECT_EQ(second.title, first.title);
  EXPECT_EQ(second.runLetters, " WM");
  EXPECT_EQ(second.optionLetters, " NBP");
  // A second round gives the same file: the title does not grow.
  EXPECT_EQ(rewritten, written);
  EXPECT_EQ(written.find('\0'), std::string::npos);
  // The records come back in file order.
  EXPECT_NE(written.find("G 13 0 3 5 2 4 2 6\nG 13 1 6 7 3 3 2 4\n"), std::string::npos) << written;
  EXPECT_NE(written.find("W 7 2 10 5 0.500000 0.250000\n"), std::string::npos) << written;
  // A fine diameter keeps its digits.
  EXPECT_NE(written.find("S 1 1.2345e-07 0.100000\n"), std::string::npos) << written;
}

TEST(WriteControl, DefaultsWriteTheMainLinesOnly) {
  InProjectDir dir;
  Snapshot s;
  std::string text = readAndWriteBack(dir, "no values given\n", s);
  std::vector<std::string> kinds;
  for (size_t b = 0; b < text.size();) {
    size_t e = text.find('\n', b);
    std::string line = text.substr(b, e - b);
    size_t sp = line.find(' ', 2);
    kinds.push_back(line[0] == 'T' ? "T" : line.substr(0, sp));
    b = e + 1;
  }
  const std::vector<std::string> expected = {"T",   "F 2", "F 4", "F 7", "F 11", "F 16", "G 1", "G 3", "P 2",
                                             "P 3", "W 1", "W 2", "K 1", "K 2",  "K 3",  "K 4", "K 5", "K 6"};
  EXPECT_EQ(kinds, expected) << text;
  EXPECT_NE(text.find("F 2                            run choice\n"), std::string::npos) << text;
  EXPECT_NE(text.find("K 1 40000 50000\nK 2 0 1\nK 3 0.800000 0.800000 0.800000 0.200000 0.500000 0.500000 \n"),
            std::string::npos)
      << text;
}

TEST(WriteControlMin, WritesAnEvenLevelTableThatReadsBack) {
  InProjectDir dir;
  dir.dir().write("control", "T small case\nG 1 40 12 11 1\n");
  kread();
  ASSERT_EQ(writeControlMin(), 0);
  const std::string text = dir.dir().read("control");
  EXPECT_NE(text.find("G 1 40 12 11 1     grid and array sizes\n"), std::string::npos) << text;
  EXPECT_NE(text.find("G 3 0.000000 10.000000 20.000000 30.000000 40.000000 50.000000 60.000000 70.000000 "
                      "80.000000 90.000000 100.000000      vertical grid distribution\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("W 2 3 1 20 40\nK 1 40000 60000\nK 2 0 1\n"), std::string::npos) << text;
  kread();
  EXPECT_EQ(printable(Title + 1, 79), " small case");
  EXPECT_EQ(initnumber, 3);
  EXPECT_EQ(initarray[2], 20);
  EXPECT_DOUBLE_EQ(zdistrib[11], 100.0);
  EXPECT_EQ(iterGlobalMax, 40000);
  EXPECT_EQ(IterSurface, 60000);
}

TEST(Gridchange, ZDistributionsSetTheLevelsOfTheirWindow) {
  InProjectDir dir;
  dir.dir().write("control", "G 1 10 8 5 1\nW 1 50 1 4.0\n");
  kread();
  dir.dir().write("control", "G 1 10 8 5 1\nW 1 50 1 4.0\nP 3 1 3 4 1\nZ 3 4 2 8 0 10 20 50 100.0\n");
  gridchange();
  EXPECT_EQ(ynode, 3);
  EXPECT_EQ(znode, 4);
  const double expected[] = {0.0, 0.4, 0.8, 2.0, 4.0};
  for (int k = 1; k <= 5; ++k) {
    EXPECT_DOUBLE_EQ(zval[3][8][k], expected[k - 1]) << k;
    EXPECT_DOUBLE_EQ(zval[5][8][k], (k - 1) * 1.0) << k;  // outside the window: unchanged
  }
  EXPECT_TRUE(dir.dir().read("boogie").find(" In gridchange \n\n") != std::string::npos);
  EXPECT_TRUE(dir.dir().read("boogie").find(" End of gridchange \n\n") != std::string::npos);
}

TEST(GridchangeDeathTest, RefusedZDataSets) {
  const char* rows[] = {
      "Z 3 4 2 8 0 10 20 50 99.9\n",   // does not reach 100
      "Z 1 4 2 8 0 10 20 50 100\n",    // i1 below 2
      "Z 3 4 2 9 0 10 20 50 100\n",    // j2 beyond the grid
      "Z 3 4 2 8 0 30 20 50 100\n",    // falling
      "Z 3 4 2 8 -1 10 20 50 100\n",   // below 0
  };
  for (const char* z : rows) {
    InProjectDir dir;
    dir.dir().write("control", "G 1 10 8 5 1\n");
    kread();
    dir.dir().write("control", std::string("G 1 10 8 5 1\n") + z);
    EXPECT_EXIT(gridchange(), ::testing::ExitedWithCode(2), "") << z;
    EXPECT_NE(dir.dir().read("boogie").find("Input error for Z in control"), std::string::npos) << z;
  }
}

}  // namespace
