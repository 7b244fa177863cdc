// The water surface from the water fraction alpha1 of an OpenFOAM case.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "io/modelfiles.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

// Two columns (2,2) and (3,2) of three 1 m cells from the bed at 0 to the
// water level at 3 m: cell centres at 0.5, 1.5 and 2.5 m; cells 1..3 and 4..6.
struct Columns {
  InProjectDir d;
  SmallGrid g;
  Columns() {
    g.nx = 2;
    g.ny = 1;
    g.nz = 3;
    g.water = [](int, int) { return 3.0; };
    g.build();
  }
  static std::string field(const std::vector<double>& alpha) {
    std::ostringstream s;
    s << "FoamFile\n{\n    class volScalarField;\n    object alpha1;\n}\n"
      << "internalField   nonuniform List<scalar> \n" << alpha.size() << "\n(\n";
    for (double a : alpha) s << a << "\n";
    s << ")\n;\n";
    return s.str();
  }
  void write(const std::vector<double>& alpha) const { d.dir().write("alpha1", field(alpha)); }
};

double logged(const CaseDir& d) {
  const std::string log = d.boogie();
  const auto p = log.rfind("water level alpha1(2,2): ");
  if (p == std::string::npos) return -1e9;
  return std::stod(log.substr(p + 25));
}

// The level of column (2,2), logged with F 354 2 2; the grid keeps its levels.
TEST(AlphaSurface, LevelOfAColumn) {
  struct Row {
    std::vector<double> alpha;  // cells at 0.5, 1.5, 2.5 m
    double level;
  };
  const Row rows[] = {
      {{1.0, 0.8, 0.2}, 2.0},   // f = 0.3 / 0.6 between 1.5 and 2.5 m
      {{1.0, 0.6, 0.2}, 1.75},  // f = 0.1 / 0.4
      {{0.9, 0.1, 0.0}, 1.0},   // f = 0.4 / 0.8 between 0.5 and 1.5 m
      {{0.4, 1.0, 1.0}, 0.0},   // the lowest cell is dry: the bed level
      {{1.0, 0.9, 0.6}, 3.0},   // no crossing: the present level
      {{1.0, 0.5, 0.2}, 3.0},   // 0.5 is neither water nor air
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.level);
    Columns c;
    OpenFOAMprintI = 2;
    OpenFOAMprintJ = 2;
    std::vector<double> alpha = r.alpha;
    alpha.insert(alpha.end(), {1.0, 1.0, 1.0});
    c.write(alpha);
    OpenFOAM_MakeSurface();
    EXPECT_DOUBLE_EQ(logged(c.d.dir()), r.level) << c.d.dir().boogie();
    for (int i = 1; i <= 3; ++i)
      for (int j = 1; j <= 2; ++j) EXPECT_EQ(zval[i][j][znumber], 3.0);
  }
}

TEST(AlphaSurface, TheLineLevelsAreTheMeansOfTheColumnsAround) {
  Columns c;
  c.write({1.0, 0.8, 0.2, 1.0, 0.6, 0.2});  // columns at 2.0 and 1.75 m
  OpenFOAM_MakeSurface();
  const double want[4][3] = {{}, {0, 2.0, 2.0}, {0, 1.875, 1.875}, {0, 1.75, 1.75}};
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 2; ++j) EXPECT_DOUBLE_EQ(zval[i][j][znumber], want[i][j]) << i << " " << j;
  // The Cconc row 0 of the cells is not used as scratch.
  for (int k = 1; k <= NoCells; ++k) EXPECT_EQ(Cconc[0][k], 0.0);
}

TEST(AlphaSurfaceDeathTest, FaultsOfTheFieldFile) {
  GTEST_FLAG_SET(death_test_style, "fast");
  struct Row {
    const char* what;
    std::string text;  // "" : no file
    int status;
    const char* line;
  };
  const Row rows[] = {
      {"no file", "", 168, "Error: can not open alpha1 file"},
      {"one value too many", Columns::field({1, 1, 1, 1, 1, 1, 1}), 167,
       "Error in reading alpha 1 file: number of cells is 7, not 6"},
      {"no count", "List<scalar>\n(\n1\n", 167, "Error in reading number of cells from alpha 1 file"},
      {"a value that is no number", "List<scalar>\n6\n(\n1\n1\n1\nx\n", 166, "Error in reading alpha 1 file at cell no. 4"},
      {"too few values", "List<scalar>\n6\n(\n1\n1\n", 166, "Error in reading alpha 1 file at cell no. 3"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    Columns c;
    if (!r.text.empty()) c.d.dir().write("alpha1", r.text);
    EXPECT_EXIT(OpenFOAM_MakeSurface(), ::testing::ExitedWithCode(r.status), "");
    EXPECT_TRUE(c.d.dir().boogieHas(r.line)) << c.d.dir().boogie();
  }
}

TEST(AlphaSurfaceDeathTest, F354OutsideBlock1IsRefused) {
  GTEST_FLAG_SET(death_test_style, "fast");
  for (int j : {1, 3}) {
    Columns c;
    OpenFOAMprintI = 2;
    OpenFOAMprintJ = j;
    c.write({1, 1, 1, 1, 1, 1});
    EXPECT_EXIT(OpenFOAM_MakeSurface(), ::testing::ExitedWithCode(2), "");
    EXPECT_NE(c.d.dir().boogie().find("which is not a column of block 1"), std::string::npos);
  }
}

}  // namespace
