// The restart files and the surface from alpha1 on the real engine: letters
// J and B (alldata), F, E and O (con2res, compres, fracres), M with F 329
// entry 15 (fracres), U with F 349 1 (alpha1), and the restart file a
// degenerate cell leaves behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "support/case_runner.h"
#include "support/three_cell_grid.h"

namespace {

const std::string kChannel = "G 1 23 8 5 1\nF 314 1 1\nF 237 1 1.0\nF 237 2 1.0\nK 2 0 0\nF 24 6\n";

std::string run(const CaseDir& d, const std::string& letters, const std::string& extra = "") {
  d.write("control", "F 2 " + letters + "\n" + kChannel + extra);
  const int status = d.run();
  std::ostringstream s;
  s << status;
  return s.str();
}

TEST(RestartFilesCase, BAfterJWritesTheSameFileAgain) {
  CaseDir d;
  d.write("koosurf", straightChannelKoosurf());
  ASSERT_EQ(run(d, "YJJ"), "1") << d.boogie();
  const std::string first = d.read("alldata.0");
  EXPECT_EQ(d.read("alldata.1"), first);
  EXPECT_EQ(first.rfind("3 300 1075 1 0 0 0 504\n", 0), 0u) << first.substr(0, 60);
  EXPECT_FALSE(d.exists("alldata"));
  ASSERT_EQ(std::rename((d.path() + "/alldata.0").c_str(), (d.path() + "/alldata").c_str()), 0);
  ASSERT_EQ(std::remove((d.path() + "/alldata.1").c_str()), 0);
  ASSERT_EQ(run(d, "BJ"), "1") << d.boogie();
  EXPECT_EQ(d.read("alldata.0"), first);
  EXPECT_EQ(d.boogie().find("Error"), std::string::npos) << d.boogie();
}

TEST(RestartFilesCase, BRefusesAFileThatDoesNotFitTheControlFile) {
  CaseDir d;
  d.write("koosurf", straightChannelKoosurf());
  ASSERT_EQ(run(d, "YJ"), "1") << d.boogie();
  std::string text = d.read("alldata.0");
  d.write("alldata", text);
  // Two layers read with three.
  EXPECT_EQ(run(d, "B", "F 37 3\nF 255 5\nF 134 3\n"), "251") << d.boogie();
  EXPECT_NE(d.boogie().find("Error in reading alldata file\n"
                            "The number of sediment sizes in allfile is 1. The number in the control file is 1.\n"
                            "The number of bed layers in allfile is 2. The number in the control file is 3.\n"),
            std::string::npos)
      << d.boogie();
  // Version 4 (bed-movement statistics) without F 404.
  text[0] = '4';
  d.write("alldata", text);
  EXPECT_EQ(run(d, "B"), "201") << d.boogie();
  EXPECT_TRUE(d.boogieHas("Error, it is necessary to use F 404 with this alldata file")) << d.boogie();
}

TEST(RestartFilesCase, BWithoutTheFileEndsTheRun) {
  CaseDir d;
  EXPECT_EQ(run(d, "BJ"), "2") << d.boogie();
  EXPECT_TRUE(d.boogieHas("Error, have not been able to open alldata file")) << d.boogie();
  EXPECT_FALSE(d.exists("alldata.0"));
}

// A clockwise cell stops the geometry with status -1; the restart file is
// written first and the log names it.
TEST(RestartFilesCase, ADegenerateCellLeavesTheRestartFile) {
  CaseDir d;
  std::string grid = ThreeCellGrid{}.text();
  grid.replace(grid.find("1 3 4 2 9 11 12 10 "), 19, "1 2 4 3 9 10 12 11 ");
  d.write("unstruc", grid);
  d.write("control", threeCellControl("U"));
  EXPECT_EQ(d.run(), 255) << d.boogie();
  EXPECT_TRUE(d.boogie().find("In metric, Error for cell 1") != std::string::npos) << d.boogie();
  EXPECT_TRUE(d.boogieHas("Have written the restart file alldata.0 before the stop")) << d.boogie();
  EXPECT_EQ(d.read("alldata.0").rfind("3 3 16 1 0 0 0 16\n", 0), 0u);
}

TEST(RestartFilesCase, ConcentrationsWrittenByFAreReadByO) {
  CaseDir d;
  d.write("koosurf", straightChannelKoosurf());
  ASSERT_EQ(run(d, "YF", "F 37 1\n"), "1") << d.boogie();
  const std::string con = d.read("con2res.new");
  EXPECT_EQ(con.rfind("300 1\n0.000000e+00 0.000000e+00 \n", 0), 0u) << con.substr(0, 40);
  d.write("con2res", con);
  EXPECT_EQ(run(d, "YO", "F 37 1\nF 306 1\n"), "1") << d.boogie();
  // A header one cell short ends the run before any value is read.
  d.write("con2res", "299 1\n" + con.substr(con.find('\n') + 1));
  EXPECT_EQ(run(d, "YO", "F 37 1\nF 306 1\n"), "255") << d.boogie();
  EXPECT_TRUE(d.boogieHas("con2res: No. cells = 299, no. sizes = 1")) << d.boogie();
}

TEST(RestartFilesCase, ComponentsWrittenByE) {
  CaseDir d;
  d.write("koosurf", straightChannelKoosurf());
  ASSERT_EQ(run(d, "YE", "F 50 2\n"), "1") << d.boogie();
  const std::string comp = d.read("compres");
  EXPECT_EQ(comp.rfind("0.000000e+00 0.000000e+00 \n", 0), 0u) << comp.substr(0, 40);
  // A compres that cannot be created ends the run as a failure.
  std::remove((d.path() + "/compres").c_str());
  d.mkdir("compres");
  EXPECT_EQ(run(d, "YE", "F 50 2\n"), "2") << d.boogie();
  EXPECT_TRUE(d.boogieHas("Error: can not open file 'compres' for writing")) << d.boogie();
}

TEST(RestartFilesCase, FracresOfMAndTheSumTestOfO) {
  CaseDir d;
  d.write("unstruc", ThreeCellGrid{}.text());
  d.write("control", threeCellControl("UM", "F 37 1\nF 329 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 1\n"));
  ASSERT_EQ(d.run(), 1) << d.boogie();
  EXPECT_EQ(d.read("fracres.new"),
            "2 2 0.000000 1.000000 0.000000 1.000000\n"
            "3 2 0.000000 1.000000 0.000000 1.000000\n"
            "4 2 0.000000 1.000000 0.000000 1.000000\n");
  d.write("control", threeCellControl("UO", "F 37 1\n"));
  d.write("fracres", "3 2 0.1 0.9995 0.2 1.0\n");
  EXPECT_EQ(d.run(), 1) << d.boogie();
  d.write("fracres", "3 2 0.1 0.998 0.2 1.0\n");
  EXPECT_EQ(d.run(), 253) << d.boogie();
  EXPECT_TRUE(d.boogieHas("Error in fracres, i=3,j=2, sum of fractions = 0.998000")) << d.boogie();
}

// Columns of three 1 m cells (centres at 0.5, 1.5 and 2.5 m) with the water
// fractions 1.0, 0.8 and 0.2: the surface crosses one half at 2.0 m.
struct AlphaProject {
  CaseDir d;
  std::string grid;
  AlphaProject() {
    std::ostringstream k;
    for (int i = 1; i <= 6; ++i)
      for (int j = 1; j <= 3; ++j) k << i << " " << j << " " << i - 1 << ".0 " << j - 1 << ".0 0.0 3.0\n";
    d.write("koosurf", k.str());
    d.write("control", "F 2 YH\nG 1 8 5 5 1\nK 2 0 0\n");
    EXPECT_EQ(d.run(), 1) << d.boogie();
    grid = d.read("unstruc");
    EXPECT_EQ(grid.rfind("3 30 ", 0), 0u) << grid.substr(0, 30);
  }
  int run(const std::string& extra, int values = 30) const {
    std::ostringstream a;
    a << "FoamFile\n{\n    object alpha1;\n}\ninternalField   nonuniform List<scalar> \n" << values << "\n(\n";
    for (int c = 0; c < values; ++c) a << (c % 3 == 0 ? "1" : c % 3 == 1 ? "0.8" : "0.2") << "\n";
    a << ")\n;\n";
    d.write("alpha1", a.str());
    d.write("unstruc", grid);
    d.write("control", "F 2 UH\nG 1 8 5 5 1\nK 2 0 0\nF 349 1\n" + extra);
    return d.run();
  }
  // The water levels of koosurf.t.
  std::string levels() const {
    std::istringstream in(d.read("koosurf.t"));
    std::string out, line;
    while (std::getline(in, line)) out += line.substr(line.rfind(' ') + 1) + " ";
    return out;
  }
};

TEST(AlphaSurfaceCase, TheSurfaceOfTheGridComesFromAlpha1) {
  AlphaProject p;
  ASSERT_EQ(p.run(""), 1) << p.d.boogie();
  std::string all2;
  for (int n = 0; n < 18; ++n) all2 += "2.000000 ";
  EXPECT_EQ(p.levels(), all2);
}

TEST(AlphaSurfaceCase, F354OnlyLogsTheLevelOfItsColumn) {
  AlphaProject p;
  ASSERT_EQ(p.run("F 354 3 2\n"), 1) << p.d.boogie();
  EXPECT_TRUE(p.d.boogieHas("water level alpha1(3,2): 2.000000")) << p.d.boogie();
  std::string all3;
  for (int n = 0; n < 18; ++n) all3 += "3.000000 ";
  EXPECT_EQ(p.levels(), all3);
}

TEST(AlphaSurfaceCase, OneValueTooManyEndsWithMinus89) {
  AlphaProject p;
  const std::string before = p.d.read("koosurf.t");
  EXPECT_EQ(p.run("", 31), 167) << p.d.boogie();
  EXPECT_TRUE(p.d.boogieHas("Error in reading alpha 1 file: number of cells is 31, not 30")) << p.d.boogie();
  EXPECT_EQ(p.d.read("koosurf.t"), before);  // no level written
}

}  // namespace
