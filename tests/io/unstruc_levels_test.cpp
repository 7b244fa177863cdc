// The level files read beside the grid file: koordina, koomink, koomin.
#include <gtest/gtest.h>

#include <string>

#include "support/case_runner.h"
#include "support/three_cell_grid.h"

// A koomin made by the engine's own writer (koomin.bed, up to xnumber-1) is
// read back without complaint.
TEST(LevelFiles, KoominOfTheOwnWriterIsAccepted) {
  CaseDir d;
  d.write("control", threeCellControl("UH"));
  d.write("unstruc", ThreeCellGrid{}.text());
  ASSERT_EQ(d.run(), 1) << d.boogie();
  const std::string bed = d.read("koomin.bed");
  ASSERT_NE(bed.find("\n5 3 "), std::string::npos);  // i = xnumber-1, j = ynumber-1
  d.write("koomin", bed);
  d.write("control", threeCellControl("U"));
  EXPECT_EQ(d.run(), 1) << d.boogie();
  EXPECT_EQ(d.boogie().find("Error"), std::string::npos) << d.boogie();
}

TEST(LevelFiles, LinesThatDoNotFitTheGrid) {
  struct Case {
    const char* name;
    std::string file, text, extra;
    int status;
    std::string line;  // "" : no error line at all
  };
  const Case cases[] = {
      {"koomin 0.005 m off its grid line", "koomin", "1 1 0.005 0 -2\n", "", 1, ""},
      {"koomin 0.02 m off", "koomin", "2 1 10.02 0 -2\n", "", 2, "Error in koomin file for point (2,1)"},
      {"koomin 0.02 m off with F 399", "koomin", "2 1 10.02 0 -2\n", "F 399 1\n", 1, ""},
      {"koomin index beyond the arrays", "koomin", "8 1 0 0 -2\n", "", 255,
       "One of the indexes (8,1) in the koomin file is larger"},
      {"koomin negative index", "koomin", "-1 1 0 0 -2\n", "", 255,
       "One of the indexes (-1,1) in the koomin file is larger"},
      {"koomin level above the bed", "koomin", "2 2 10 10 0.3\n", "", 1,
       "Lowering koomin level from 0.300000 m. to 0.000000 m. at this point."},
      {"koomink index beyond the arrays", "koomink", "1 6 0 0 -2 0\n", "", 255,
       "One of the indexes (1,6) in the koomink file is larger"},
      {"koomink off by more than 1e-5 of the extent", "koomink", "2 1 10.001 0 -2 0\n", "", 2,
       "Error in koomink file for point (2,1)"},
      // koordina passes over a line of another grid (with a word) and goes on.
      {"koordina index beyond the arrays", "koordina", "1 1 0 0 0 1\n9 1 0 0 0 1\n", "", 1,
       "Warning: the grid line (9,1) of the koordina file lies outside the grid of G 1; the line is passed over"},
      {"koordina without F 112", "koordina", "1 1 0 0 0 1\n", "", 1,
       "Warning: if you start a computation with a new water level given in the koordina file,"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CaseDir d;
    d.write("control", threeCellControl("U", c.extra));
    d.write("unstruc", ThreeCellGrid{}.text());
    d.write(c.file, c.text);
    EXPECT_EQ(d.run(), c.status) << d.boogie();
    if (c.line.empty()) {
      EXPECT_EQ(d.boogie().find("Error"), std::string::npos) << d.boogie();
    } else {
      EXPECT_TRUE(d.boogieHas(c.line)) << d.boogie();
    }
    if (c.status == 2) {
      EXPECT_TRUE(d.boogieHas("Error in x or y values in koomin file"));
    }
  }
}
