// Inputs a run letter needs and grids it cannot run on, on the real engine:
// each ends with a message and a failure status, never as a normal end.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "support/case_runner.h"

namespace {

const std::string kChannel = "G 1 23 8 5 1\nF 314 1 1\nK 2 0 0\nF 24 6\nF 293 1\n";

struct LetterCase {
  const char* name;
  const char* letters;
  const char* file;  // written when not null
  const char* text;
  int status;
  const char* line;
};

}  // namespace

TEST(MissingInputCase, ALetterWithoutItsInputEndsWithAFailure) {
  const LetterCase cases[] = {
      {"Z without weir.txt", "Z", nullptr, "", 252,
       "Error: run letter Z needs the file 'weir.txt', which cannot be opened"},
      {"Z with a station short of a value", "Z", "weir.txt", "0 0 0 0 0 1\n1 0 0 1 0\n", 2,
       "Error in reading weir.txt file: line 2 cannot be read, a station is the lower point x, y, z and the upper "
       "point x, y, z"},
      {"Z with a stray seventh value", "Z", "weir.txt", "0 0 0 0 0 1 7\n1 0 0 1 0 1\n", 2,
       "Error in reading weir.txt file: line 1 cannot be read, a station is the lower point x, y, z and the upper "
       "point x, y, z"},
      {"Z with no station", "Z", "weir.txt", "# weir of the intake\n", 252,
       "Error: the weir.txt file holds no station; no weir.stl is written"},
      {"V with an empty terrain file", "YV", "geodata", "", 252,
       "Error: run letter V needs terrain points, and the terrain-point file holds none"},
      {"V without a terrain file", "YV", nullptr, "", 252,
       "Error: run letter V needs terrain points, and there is no terrain-point file (geodata, geodatk, geodatm, "
       "geodatn, vastrin)"},
      {"K without a terrain file", "YK", nullptr, "", 252,
       "Error: run letter K needs terrain points, and no terrain-point file holds any (geodata, geodatk, geodatm, "
       "geodatn, vastrin)"},
  };
  for (const LetterCase& c : cases) {
    SCOPED_TRACE(c.name);
    CaseDir d;
    d.write("koosurf", straightChannelKoosurf());
    d.write("control", std::string("F 2 ") + c.letters + "\n" + kChannel);
    if (c.file) d.write(c.file, c.text);
    EXPECT_EQ(d.run(), c.status) << d.boogie();
    EXPECT_TRUE(d.boogieHas(c.line)) << d.boogie();
  }
}

// A weir.txt that ends with a footer: the stations before it make the weir,
// the footer is named in a warning.
TEST(MissingInputCase, AWeirFileWithAFooterIsReadUpToIt) {
  CaseDir d;
  d.write("control", "F 2 Z\n" + kChannel);
  d.write("weir.txt", "0 0 0 0 0 1\n1 0 0 1 0 1\n1 1 0 1 1 1\nend of stations\n");
  EXPECT_EQ(d.run(), 1) << d.boogie();
  EXPECT_TRUE(d.boogieHas("Warning: reading of the weir.txt file stopped at line 4, which is not a record; the rest "
                          "of the file is ignored"))
      << d.boogie();
  EXPECT_TRUE(d.exists("weir.stl"));
}

// A version-4 grid file holds no points or cells: the grid is generated from
// its grid lines and the koordina levels. Levels that leave no water make no
// cell, and the run ends instead of computing and writing nothing.
TEST(MissingInputCase, AVersion4GridFileWhoseGridHasNoCellsEndsTheRun) {
  CaseDir d;
  d.write("koosurf", straightChannelKoosurf());
  d.write("control", "F 2 YH\nF 297 4\n" + kChannel);
  ASSERT_EQ(d.run(), 1) << d.boogie();
  ASSERT_TRUE(d.exists("unstruc"));
  std::ostringstream dry;
  for (int i = 1; i <= 21; ++i)
    for (int j = 1; j <= 6; ++j) dry << i << " " << j << " " << i - 1 << " " << j - 1 << " 0.0 0.0\n";
  d.write("koordina", dry.str());
  d.write("control", "F 2 UM\n" + kChannel);
  EXPECT_EQ(d.run(), 252) << d.boogie();
  EXPECT_TRUE(d.boogieHas("Error: the grid generated from the grid lines of the unstruc file has no cells. Check its "
                          "levels and coordinates"))
      << d.boogie();
  EXPECT_FALSE(d.exists("result.end"));
}
