// Unreadable records on the real engine: koosurf for letter Y, the result
// file for letter R, and the files read beside the grid file for letter U.
// Each ends with its message, the file's name and line, and a failure status.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/case_runner.h"
#include "support/three_cell_grid.h"

namespace {

// A straight channel of 21 x 6 grid lines, i outer: x = 5 (i-1), y = 2 (j-1),
// bed 0.2, water 1.5. Line n holds (i, j) with n = 6 (i-1) + j; line 27 is (5, 3).
std::string channel(double scale = 1.0, double water = 1.5) {
  std::string t;
  char buf[160];
  for (int i = 1; i <= 21; ++i)
    for (int j = 1; j <= 6; ++j) {
      std::snprintf(buf, sizeof buf, "%d %d %.2f %.2f 0.200 %.3f\n", i, j, 5.0 * (i - 1) * scale,
                    2.0 * (j - 1) * scale, water);
      t += buf;
    }
  return t;
}

std::string withLine(std::string text, int number, const std::string& line) {
  std::size_t a = 0;
  for (int k = 1; k < number; ++k) a = text.find('\n', a) + 1;
  const std::size_t e = text.find('\n', a);
  return text.replace(a, e == std::string::npos ? std::string::npos : e - a, line);
}

const char* kChannelControl = "F 2 Y\nG 1 23 8 11 1\n";

TEST(KoosurfCase, ChannelIsReadAndBuilt) {
  CaseDir d;
  d.write("control", kChannelControl);
  d.write("koosurf", channel());
  EXPECT_EQ(d.run(), 1) << d.boogie();
  EXPECT_TRUE(d.boogieHas("Have read koosurf file: max i: 21, max j: 6")) << d.boogie();
  EXPECT_EQ(d.boogie().find("Error"), std::string::npos) << d.boogie();
}

TEST(KoosurfCase, FilesThatCannotBeUsed) {
  const std::string unreadable =
      "cannot be read, six numbers are expected: i, j, x, y, bed level, water level";
  struct Case {
    const char* name;
    std::string koosurf;
    int status;
    std::vector<std::string> lines;  // whole lines of the log
  };
  const Case cases[] = {
      {"NaN level on line 27", withLine(channel(), 27, "5 3 nan 4.00 0.160 1.500"), 2,
       {"Error in reading koosurf file: line 27 " + unreadable,
        "At line 27 of the koosurf file: 5 3 nan 4.00 0.160 1.500"}},
      {"NaN on the first line", withLine(channel(), 1, "1 1 nan 0.00 0.200 1.500"), 2,
       {"Error in reading koosurf file: line 1 " + unreadable}},
      {"infinite coordinate", withLine(channel(), 40, "7 4 inf 6.00 0.200 1.500"), 2,
       {"At line 40 of the koosurf file: 7 4 inf 6.00 0.200 1.500"}},
      {"value beyond the doubles", withLine(channel(), 40, "7 4 30.00 6.00 1e999 1.500"), 2,
       {"Error in reading koosurf file: line 40 " + unreadable}},
      {"last line cut short", withLine(channel(), 126, "21 6 100.00 10.00"), 2,
       {"At line 126 of the koosurf file: 21 6 100.00 10.00"}},
      // A footer is no record: the reading stops there with a word, the grid loads.
      {"words after the grid lines", channel() + "end of the channel\n", 1,
       {"Warning: reading of the koosurf file stopped at line 127, which is not a record; the rest of the file is "
        "ignored"}},
      {"index the arrays cannot hold", withLine(channel(), 27, "2147483647 3 20.00 4.00 0.200 1.500"), 252,
       {"Error in koosurf file: the indexes (2147483647,3) of line 27 are larger than any G 1 data set can give"}},
      {"second index the arrays cannot hold", withLine(channel(), 27, "5 2147483646 20.00 4.00 0.200 1.500"), 252,
       {"Error in koosurf file: the indexes (5,2147483646) of line 27 are larger than any G 1 data set can give"}},
      // The largest index a G 1 value can still answer: the message asks for it.
      {"largest index with a G 1 answer", withLine(channel(), 27, "2147483645 3 20.00 4.00 0.200 1.500"), 252,
       {"The two first integers on G 1 data set should be at least 2147483647 8"}},
      {"empty file", "", 252, {"Error in koosurf file: it holds no grid line"}},
      {"blank lines only", "\n  \n\n", 252, {"Error in koosurf file: it holds no grid line"}},
      {"coordinates 1e9 times larger", channel(1e9), 252,
       {"Error: the grid generated from the koosurf file has no cells. Check its levels and coordinates"}},
      {"water below the bed everywhere", channel(1.0, 0.1), 252,
       {"Error: the grid generated from the koosurf file has no cells. Check its levels and coordinates"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CaseDir d;
    d.write("control", kChannelControl);
    d.write("koosurf", c.koosurf);
    EXPECT_EQ(d.run(), c.status) << d.boogie();
    for (const std::string& l : c.lines) EXPECT_TRUE(d.boogieHas(l)) << l << "\n" << d.boogie();
    EXPECT_EQ(d.boogie().find("at least -"), std::string::npos) << d.boogie();
  }
}

// Letter R: the result file of a 5 x 4 grid-line channel (36 cells) written by
// M, then read back after an edit. Lines 1..6 are the header, 7..42 the cells.
std::string smallKoosurf(int ni, int nj) {
  std::string t;
  char line[128];
  for (int i = 1; i <= ni; ++i)
    for (int j = 1; j <= nj; ++j) {
      std::snprintf(line, sizeof line, "%d %d %.1f %.1f %.2f 1.0\n", i, j, i - 1.0, j - 1.0, -0.01 * i);
      t += line;
    }
  return t;
}

TEST(ResultCase, RecordsThatCannotBeReadEndTheRun) {
  CaseDir first;
  first.write("koosurf", smallKoosurf(5, 4));
  first.write("control", "G 1 7 6 5 1\nF 2 YM\n");
  ASSERT_EQ(first.run(), 1) << first.boogie();
  const std::string written = first.read("result.end");

  auto firstLines = [&written](int count) {
    std::size_t a = 0;
    for (int k = 0; k < count; ++k) a = written.find('\n', a) + 1;
    return written.substr(0, a);
  };
  struct Case {
    const char* name;
    std::string koosurf, result;
    int status;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"file cut short after ten cells", smallKoosurf(5, 4), firstLines(16), 2,
       {"Error reading result file: it ends with 10 of the 36 cell records and 0 of the ",
        "At line 16 of the result file: C 10 "}},
      {"cell record with a word", smallKoosurf(5, 4), withLine(written, 9, "C 3 0 0 zero 0 0 0"), 2,
       {"Error in reading result file: line 9 cannot be read, a C record holds a cell number and six numbers: u, "
        "v, w, k, epsilon, p\n",
        "At line 9 of the result file: C 3 0 0 zero 0 0 0\n"}},
      {"cell record missing its pressure", smallKoosurf(5, 4), withLine(written, 30, "C 24 0 0 0 1e-07 1e-07"), 2,
       {"Error in reading result file: line 30 cannot be read"}},
      // One row of columns less: 24 cells, the counts of the U line differ.
      {"result of another grid", smallKoosurf(5, 3), written, 252,
       {"Error reading result file, array size is not the same as in the grid\n",
        "Number of cells in grid is 24, and number of cells in result file is 36\n"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CaseDir d;
    d.write("koosurf", c.koosurf);
    d.write("result", c.result);
    d.write("control", "G 1 7 6 5 1\nF 2 YRM\n");
    EXPECT_EQ(d.run(), c.status) << d.boogie();
    for (const std::string& l : c.lines) EXPECT_NE(d.boogie().find(l), std::string::npos) << l << "\n" << d.boogie();
    EXPECT_EQ(d.boogie().find("cell values from"), std::string::npos) << d.boogie();
    EXPECT_FALSE(d.exists("result.end"));  // the letters after R do not run
  }
}

// Letter U: the files read beside the grid file.
TEST(LevelFilesCase, LinesThatCannotBeRead) {
  struct Case {
    const char* name;
    std::string file, text, extra;
    int status;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"koomin level not a number", "koomin", "1 1 0 0 -2\n2 1 10 0 x\n", "", 2,
       {"Error in reading koomin file: line 2 cannot be read, five numbers are expected: i, j, x, y, level",
        "At line 2 of the koomin file: 2 1 10 0 x"}},
      {"koomink line one value short", "koomink", "1 1 0 0 -2 0\n2 1 10 0 -2\n", "", 2,
       {"Error in reading koomink file: line 2 cannot be read, six numbers are expected: i, j, x, y, level and one "
        "more value"}},
      {"koordina water level NaN", "koordina", "1 1 0 0 0 nan\n", "", 2,
       {"Error in reading koordina file: line 1 cannot be read, six numbers are expected: i, j, x, y, bed level, "
        "water level"}},
      {"koomin index beyond the arrays says where", "koomin", "1 1 0 0 -2\n8 1 0 0 -2\n", "", 255,
       {"One of the indexes (8,1) in the koomin file is larger", "At line 2 of the koomin file: 8 1 0 0 -2"}},
      {"bedrough record not a number", "bedrough", "B 2 2 0.1\nB 3 2 -\n", "", 2,
       {"At line 2 of the bedrough file: B 3 2 -"}},
      {"bedangle record cut short", "bedangle", "2 2 45 45 0.2 45\n3 2 45 45 0.2\n", "F 274 1\n", 2,
       {"Error in reading bedangle file: line 2 cannot be read, six numbers are expected: i, j and four angle "
        "values"}},
      // Read to the last line: its level is lowered to the bed.
      {"koomin read to its end", "koomin", "1 1 0 0 -2\n2 1 10 0 -2\n2 2 10 10 0.3", "", 1,
       {"Lowering koomin level from 0.300000 m. to 0.000000 m. at this point."}},
      {"koomink read to its end", "koomink", "1 1 0 0 -2 0\n2 1 10 0 -2 0\n2 2 10 10 0.3 0\n\n", "", 1,
       {"Lowering koomink level from 0.300000 m. to 0.000000 m. at this point."}},
      {"bedangle read to its end", "bedangle", "2 2 45 45 0.2 45\n3 2 45 45 0.2 45\n", "F 274 1\n", 1,
       {"Have read 2 bed angle data sets bedangle file"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CaseDir d;
    d.write("control", threeCellControl("U", c.extra));
    d.write("unstruc", ThreeCellGrid{}.text());
    d.write(c.file, c.text);
    EXPECT_EQ(d.run(), c.status) << d.boogie();
    for (const std::string& l : c.lines) EXPECT_TRUE(d.boogieHas(l)) << l << "\n" << d.boogie();
  }
}

// koordina is read to its last line: the block-grid line it sets is the one
// letter H writes to koosurf.t.
TEST(LevelFilesCase, KoordinaIsReadToItsEnd) {
  CaseDir d;
  d.write("control", threeCellControl("UH"));
  d.write("unstruc", ThreeCellGrid{}.text());
  d.write("koordina", "1 2 0 10 0 2\n1 1 0 0 0.25 2.5\n");
  ASSERT_EQ(d.run(), 1) << d.boogie();
  const std::string t = d.read("koosurf.t");
  EXPECT_EQ(t.substr(0, t.find('\n')), "1 1 0.000000 0.000000 0.250000 2.500000") << t;
}

// The grid file: a point that is not a number, a column map with a word.
TEST(UnstrucCase, RecordsThatCannotBeReadSayWhere) {
  {
    CaseDir d;
    d.write("control", threeCellControl("U"));
    d.write("unstruc", withLine(ThreeCellGrid{}.text(), 4, "10.000000 nan 0.000000"));
    EXPECT_EQ(d.run(), 255) << d.boogie();
    EXPECT_TRUE(d.boogieHas("Error in reading 'unstruc' file: have only read 2 of 16 points")) << d.boogie();
    EXPECT_TRUE(d.boogieHas("At line 4 of the unstruc file: 10.000000 nan 0.000000")) << d.boogie();
  }
  {
    CaseDir d;
    d.write("control", threeCellControl("UH", "F 297 2\n"));
    d.write("unstruc", ThreeCellGrid{}.text());
    ASSERT_EQ(d.run(), 1) << d.boogie();
    std::string v2 = d.read("unstruc");
    const std::string lastRow = " 0 0 0 0 0\n";
    ASSERT_EQ(v2.substr(v2.size() - lastRow.size()), lastRow);
    v2.replace(v2.size() - lastRow.size(), lastRow.size(), " 0 0 x 0 0\n");
    int lines = 0;
    for (char ch : v2) lines += ch == '\n';
    d.write("control", threeCellControl("U"));
    d.write("unstruc", v2);
    EXPECT_EQ(d.run(), 255) << d.boogie();
    EXPECT_TRUE(d.boogieHas("Error in reading 'unstruc' file: column (7,3) of the column map is not a cell number"))
        << d.boogie();
    EXPECT_TRUE(d.boogieHas("At line " + std::to_string(lines) + " of the unstruc file:  0 0 x 0 0")) << d.boogie();
  }
}

}  // namespace
