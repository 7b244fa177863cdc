// Where the model-file readers stop, on the real engine: a line after the
// records that is no record at all (a comment, a footer) ends the reading
// with a warning naming the file and the line; a record that is malformed
// within itself (a missing value, a stray extra value, a half number, a grid
// line given twice, one missing) ends the run with the file and the line.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "support/case_runner.h"

namespace {

const std::string kChannel = "G 1 23 8 5 1\nF 314 1 1\nK 2 0 0\nF 24 6\nF 293 1\n";

// The channel's koosurf with line n (from 1) replaced by `text` ("" drops it).
std::string koosurfWith(int n, const std::string& text) {
  std::istringstream in(straightChannelKoosurf());
  std::string out, line;
  for (int k = 1; std::getline(in, line); ++k)
    if (k != n)
      out += line + "\n";
    else if (!text.empty())
      out += text + "\n";
  return out;
}

struct FileCase {
  const char* name;
  std::string letters;
  std::string file;
  std::string text;
  int status;
  std::string line;
};

void runCases(const std::vector<FileCase>& cases) {
  for (const FileCase& c : cases) {
    SCOPED_TRACE(c.name);
    CaseDir d;
    d.write("koosurf", straightChannelKoosurf());
    d.write("control", "F 2 " + c.letters + "\n" + kChannel);
    d.write(c.file, c.text);
    EXPECT_EQ(d.run(), c.status) << d.boogie();
    EXPECT_TRUE(d.boogieHas(c.line)) << d.boogie();
  }
}

}  // namespace

TEST(ModelFileEndsCase, KoosurfStopsAtAFooterAndRefusesMalformedRecords) {
  const std::string six = "six numbers are expected: i, j, x, y, bed level, water level";
  runCases({
      {"a footer", "Y", "koosurf", straightChannelKoosurf() + "# exported from the survey of 2024\n", 1,
       "Warning: reading of the koosurf file stopped at line 127, which is not a record; the rest of the file is "
       "ignored"},
      {"a record short of a value", "Y", "koosurf", koosurfWith(5, "1 5 0 4 0"), 2,
       "Error in reading koosurf file: line 5 cannot be read, " + six},
      {"a stray seventh value", "Y", "koosurf", koosurfWith(1, "1 1 0 0 0 1 9"), 2,
       "Error in reading koosurf file: line 1 cannot be read, " + six},
      {"a half number", "Y", "koosurf", koosurfWith(3, "1 3 0 2 0 1e"), 2,
       "Error in reading koosurf file: line 3 cannot be read, " + six},
      {"a grid line given twice", "Y", "koosurf", koosurfWith(8, "1 2 0 1 0 1"), 252,
       "Error in koosurf file: grid line (1,2) is given twice, at line 2 and at line 8"},
      {"a grid line missing", "Y", "koosurf", koosurfWith(8, ""), 252,
       "Error in koosurf file: grid line (2,2) is missing; the file gives 125 of the 21 x 6 grid lines"},
  });
}

TEST(ModelFileEndsCase, TerrainFilesStopAtAFooterAndRefuseMalformedRecords) {
  const std::string points = "E 0 0 0.5\nE 20 0 0.5\nE 0 5 0.5\nE 20 5 0.5\n";
  runCases({
      {"geodata footer", "YV", "geodata", points + "End of the survey\n", 1,
       "Warning: reading of the geodata file stopped at line 5, which is not a record; the rest of the file is "
       "ignored"},
      {"geodata half number", "YV", "geodata", "E 0 0 0.5\nE 20 0 1e\nE 0 5 0.5\n", 2,
       "Error in reading geodata file: line 2 cannot be read, an E record holds three numbers: x, y, z"},
      {"geodata stray value", "YV", "geodata", "E 0 0 0.5 7\nE 20 0 0.5\n", 2,
       "Error in reading geodata file: line 1 cannot be read, an E record holds three numbers: x, y, z"},
      {"geodata short record", "YV", "geodata", "E 0 0 0.5\nE 20 0\n", 2,
       "Error in reading geodata file: line 2 cannot be read, an E record holds three numbers: x, y, z"},
      {"geodatn stray value shifts nothing", "YV", "geodatn", "0 0 0.5\n20 0 0.5 4\n0 5 0.5\n", 2,
       "Error in reading geodatn file: line 2 cannot be read, a line holds the three numbers x, y and z"},
      {"geodatn footer", "YV", "geodatn", "0 0 0.5\n20 0 0.5\n0 5 0.5\n20 5 0.5\ntotal 4 points\n", 1,
       "Warning: reading of the geodatn file stopped at line 5, which is not a record; the rest of the file is "
       "ignored"},
  });
}

// koordina beside a grid file: a line of another grid's extent is passed
// over with a word, a footer ends the lines.
TEST(ModelFileEndsCase, KoordinaSkipsLinesBeyondTheGridAndStopsAtAFooter) {
  CaseDir d;
  d.write("koosurf", straightChannelKoosurf());
  d.write("control", "F 2 YH\n" + kChannel);
  ASSERT_EQ(d.run(), 1) << d.boogie();
  std::string koordina = straightChannelKoosurf();
  koordina += "40 3 39 2 0 1\n";
  koordina += "-- end --\n";
  d.write("koordina", koordina);
  d.write("control", "F 2 U\n" + kChannel);
  EXPECT_EQ(d.run(), 1) << d.boogie();
  EXPECT_TRUE(d.boogieHas("Warning: the grid line (40,3) of the koordina file lies outside the grid of G 1; the line "
                          "is passed over"))
      << d.boogie();
  EXPECT_TRUE(d.boogieHas("Warning: reading of the koordina file stopped at line 128, which is not a record; the "
                          "rest of the file is ignored"))
      << d.boogie();
}
