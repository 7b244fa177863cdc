// The grid file `unstruc` read by run letter U and written back by letter H.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/case_runner.h"
#include "support/three_cell_grid.h"

namespace {

// Replaces the first occurrence of `from` (which must be there).
std::string replaced(std::string text, const std::string& from, const std::string& to) {
  const auto at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

}  // namespace

TEST(UnstrucFile, ReadAndWrittenBackUnchanged) {
  ThreeCellGrid g;
  g.xs[1] = 7.0;
  g.bedSlope = 0.1;
  g.topX = 0.05;
  g.topY = 0.02;
  g.top0 = 2.0;
  CaseDir d;
  d.write("control", threeCellControl("UH"));
  d.write("unstruc", g.text());
  ASSERT_EQ(d.run(), 1) << d.boogie();
  EXPECT_EQ(d.read("unstruc"), g.text());
  EXPECT_TRUE(d.boogieHas("In ReadUnstructure:"));
  EXPECT_TRUE(d.boogieHas("Group 1, surfaces 1, xyno 1, discharge 1000.000000 l/s Dirichlet boundary condition"));
  EXPECT_TRUE(d.boogieHas("Group 2, surfaces 1, xyno 1, discharge 1000.000000 l/s Dirichlet boundary condition"));
  // The block-grid lines of block 1 beside it.
  const std::string t = d.read("koosurf.t");
  EXPECT_EQ(t.substr(0, t.find('\n', t.find('\n') + 1)),
            "1 1 0.000000 0.000000 0.000000 2.000000\n1 2 0.000000 10.000000 0.000000 2.200000");
}

// A version-2 file (column map) rebuilds the block grid from the cells: read
// back, it gives the same grid as the version-3 file it was written from.
TEST(UnstrucFile, ColumnMapRebuildsTheBlockGrid) {
  ThreeCellGrid g;
  g.xs[2] = 14.0;
  g.bedSlope = -0.01;
  g.topY = 0.03;
  CaseDir d;
  d.write("control", threeCellControl("UH", "F 297 2\n"));
  d.write("unstruc", g.text());
  ASSERT_EQ(d.run(), 1) << d.boogie();
  const std::string v2 = d.read("unstruc");
  EXPECT_EQ(v2.substr(0, v2.find('\n')), "2 3 16 1 0 0 0 16 6 4");
  d.write("control", threeCellControl("UH"));
  ASSERT_EQ(d.run(), 1) << d.boogie();
  EXPECT_EQ(d.read("unstruc"), g.text());
}

TEST(UnstrucFile, VersionFourHoldsNoCells) {
  CaseDir d;
  d.write("control", threeCellControl("UH", "F 297 4\n"));
  d.write("unstruc", ThreeCellGrid{}.text());
  ASSERT_EQ(d.run(), 1) << d.boogie();
  const std::string v4 = d.read("unstruc");
  EXPECT_EQ(v4.substr(0, v4.find('\n')), "4 3 16 1 0 0 0 16");
  // Header, block, two groups of three lines, seven of two, ten surface-release
  // lines and the eight grid lines: no points, cells or faces.
  EXPECT_EQ(std::count(v4.begin(), v4.end(), '\n'), 1 + 1 + 6 + 14 + 10 + 8);
}

TEST(UnstrucFile, VersionTwoWithADryColumnGoesToTheDryFile) {
  ThreeCellGrid g;
  g.columnCell[2] = 0;
  CaseDir d;
  d.write("control", threeCellControl("UH", "F 297 2\n"));
  d.write("unstruc", g.text());
  ASSERT_EQ(d.run(), 1) << d.boogie();
  EXPECT_TRUE(d.exists("unstruc.dry"));
  EXPECT_TRUE(d.boogieHas("WARNING: You are writing an unstruc file which does not cover the whole domain"));
  EXPECT_EQ(d.read("unstruc"), g.text());  // the grid file read stays as it was
}

// Files that do not fit the arrays, the records or their own counts end with
// the reader's message and status, never with a write outside an array.
TEST(UnstrucFile, FilesThatDoNotFitAreRefused) {
  const std::string grid = ThreeCellGrid{}.text();
  const std::string header = "3 3 16 1 0 0 0 16\n";
  struct Case {
    const char* name;
    std::string control, file;
    int status;
    std::string line;
  };
  const std::string tooSmall = "Error reading the 'unstruc' file: the allocated arrays are smaller than the ";
  const Case cases[] = {
      {"cells equal to the F 65 size", "F 65 3 400 400 100 100\n", grid, 251, tooSmall},
      {"cells above the F 65 size", "F 65 2 400 400 100 100\n", grid, 251, tooSmall},
      {"points equal to the F 65 size", "F 65 200 400 16 100 100\n", grid, 251, tooSmall},
      {"faces equal to the F 65 size", "F 65 200 16 400 100 100\n", grid, 251, tooSmall},
      {"nested faces equal to the F 65 size", "F 65 200 400 400 2 100\n",
       replaced(grid, header, "3 3 16 1 0 0 2 16\n"), 251, tooSmall},
      {"point number beyond the points", "", replaced(grid, "1 3 4 2 9 11 12 10 1", "1 3 4 2 9 11 12 17 1"), 255,
       "Error in reading 'unstruc' file: cell 1 refers to number 17 outside the grid"},
      {"face with a negative cell", "", replaced(grid, "7 8 16 15 3 0 ", "7 8 16 15 -3 0 "), 255,
       "Error in reading 'unstruc' file: surface 13 refers to number -3 outside the grid"},
      {"cell section cut short", "", grid.substr(0, grid.find("5 7 8 6 13")), 255,
       "Error in reading unstruc file. Have only read 2 cells, while supposed to read 3 cells"},
      {"negative cell count", "", replaced(grid, header, "3 -3 16 1 0 0 0 16\n"), 255,
       "Error in reading unstruc file. Have only read 0 cells, while supposed to read -3 cells"},
      {"more blocks than records", "", replaced(grid, header, "3 3 16 100 0 0 0 16\n"), 255,
       "Error in reading 'unstruc' file: 100 blocks, at most 99 fit"},
      {"group with too many faces", "",
       replaced(grid, "1 0 0 1 999 1 1 1000", "1 0 0 1 999 2000000 1 1000"), 255,
       "Error in reading 'unstruc' file: discharge group 1 lists 2000000 surfaces"},
      {"group face beyond the faces", "", replaced(grid, "\n4 \n", "\n40 \n"), 255,
       "Error in reading 'unstruc' file: discharge group 1 refers to surface 40"},
      {"grid line naming no cell", "", replaced(grid, "\n3 0.000000 1.000000 30", "\n9 0.000000 1.000000 30"), 255,
       "Error in reading 'unstruc' file: grid line (4,2) refers to a cell outside the grid"},
      {"block reaching the last G 1 column", "", "", 2, "Error on 1st integer, G 1 data set "},
      {"version 2 made for other G 1 sizes", "", replaced(grid, header, "2 3 16 1 0 0 0 16 60 20\n"), 2,
       "must be the same as when the unstruc file was created (G 1 60 20 ..)."},
      {"more work blocks than blocks", "G 25 2 1 2\n", grid, 2,
       "Error on first integer on G 25 data set in control file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CaseDir d;
    std::string control = threeCellControl("U", c.control);
    std::string file = c.file;
    if (file.empty()) {  // the block against G 1 x = 4
      control = "F 2 U\nG 1 4 4 2 1\nK 2 0 0\nF 65 200 400 400 100 100\n";
      file = grid;
    }
    d.write("control", control);
    d.write("unstruc", file);
    EXPECT_EQ(d.run(), c.status) << d.boogie();
    EXPECT_TRUE(d.boogieHas(c.line)) << d.boogie();
  }
}

TEST(UnstrucFile, MissingFileIsReportedAndEndsTheRun) {
  CaseDir d;
  d.write("control", threeCellControl("U"));
  EXPECT_EQ(d.run(), 2);
  EXPECT_TRUE(d.boogieHas("Error: can not open 'unstruc' file"));
}

TEST(UnstrucFile, ControlFileOverridesTheGroups) {
  CaseDir d;
  d.write("control", threeCellControl("U", "F 237 2 2.5\nF 263 1 1\n"));
  d.write("unstruc", ThreeCellGrid{}.text());
  ASSERT_EQ(d.run(), 1) << d.boogie();
  EXPECT_TRUE(d.boogieHas("Group 1, surfaces 1, xyno 1, discharge 1000.000000 l/s zero gradient boundary condition"));
  EXPECT_TRUE(d.boogieHas("Group 2, surfaces 1, xyno 1, discharge 2500.000000 l/s Dirichlet boundary condition"));
}

// The column map of a file that ends without a final line end: its last
// number is a cell number like every other one in the map.
TEST(UnstrucFile, ColumnMapLastNumberWithoutLineEndIsChecked) {
  CaseDir d;
  d.write("control", threeCellControl("UH", "F 297 2\n"));
  d.write("unstruc", ThreeCellGrid{}.text());
  ASSERT_EQ(d.run(), 1) << d.boogie();
  std::string v2 = d.read("unstruc");
  const std::string lastRow = " 0 0 0 0 0\n";
  ASSERT_EQ(v2.substr(v2.size() - lastRow.size()), lastRow);
  v2.resize(v2.size() - lastRow.size());
  struct Case {
    const char* last;
    int status;
  };
  for (const Case& c : {Case{"0", 1}, Case{"3", 1}, Case{"99", 255}, Case{"-2", 255}}) {
    SCOPED_TRACE(c.last);
    d.write("control", threeCellControl("U"));
    d.write("unstruc", v2 + " 0 0 0 0 " + c.last);
    EXPECT_EQ(d.run(), c.status) << d.boogie();
    EXPECT_EQ(d.boogieHas(std::string("Error in reading 'unstruc' file: column (7,5) of the column map")),
              c.status != 1)
        << d.boogie();
  }
}

// The top level of a discharge group against the G 1 levels (2 here): below
// them it is raised to them without a word by F 276 1; with F 276 0 it stays
// and the group, which has a discharge, gets the warning and the advice of
// at least znumber + 2 levels; exactly at them it gets the warning also with
// F 276 1; above them nothing happens.
TEST(UnstrucFile, TopLevelOfTheGroupsByF276) {
  struct Case {
    const char* top;
    const char* f276;
    const char* written;
    bool warned;
  };
  const Case cases[] = {{"1", "", "1 0 0 1 2 1 1", false},
                        {"1", "F 276 0\n", "1 0 0 1 1 1 1", true},
                        {"2", "", "1 0 0 1 2 1 1", true},
                        {"999", "", "1 0 0 1 999 1 1", false}};
  const std::string group1 = "1 0 0 1 999 1 1 1000.000000 0.000000\n";
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(k.top) + " " + k.f276);
    CaseDir d;
    d.write("control", threeCellControl("UH", k.f276));
    d.write("unstruc", replaced(ThreeCellGrid{}.text(), group1,
                                std::string("1 0 0 1 ") + k.top + " 1 1 1000.000000 0.000000\n"));
    ASSERT_EQ(d.run(), 1) << d.boogie();
    EXPECT_NE(d.read("unstruc").find(std::string(k.written) + " 1000.000000 0.000000\n"), std::string::npos)
        << d.read("unstruc");
    EXPECT_EQ(d.boogie().find("Warning, low value on TO integer in dialog box for discharge group 1\n"
                              "Advice: if you are not sure what you are doing: increase number to at least 4 \n") !=
                  std::string::npos,
              k.warned)
        << d.boogie();
  }
}
