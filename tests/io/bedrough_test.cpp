// Bed roughness per column from `bedrough`.
#include <gtest/gtest.h>

#include <cmath>

#include "io/gridfiles.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "support/case_runner.h"
#include "support/in_dir.h"
#include "support/three_cell_grid.h"

TEST(Bedrough, DefaultsAndRecords) {
  struct Case {
    const char* name;
    double ks, manning;
    const char* file;  // nullptr: no file
    double expectDefault;
    int accepted;
  };
  const Case cases[] = {
      {"records inside and outside the columns", 0.05, 50.0, "B 1 1 0.3\nB 6 2 0.4\nB 5 3 0.2\n", 0.05, 2},
      {"empty file", 0.05, 50.0, "", 0.05, 0},
      {"Manning 26", -2.0, 26.0, nullptr, 1.0, -1},
      {"tiny roughness is raised", -2.0, 2600.0, nullptr, 1e-5, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InProjectDir p;
    xnumber = 6, ynumber = 4, znumber = 2;
    ASSERT_EQ(sialloc(), 0);
    XksWall = c.ks;
    ManningInit = c.manning;
    if (c.file) p.dir().write("bedrough", c.file);
    readBedrough();
    EXPECT_NEAR(XksWall, c.expectDefault, 1e-12 * c.expectDefault);
    EXPECT_NEAR(roughness[6][4], c.expectDefault, 1e-12 * c.expectDefault);
    if (c.accepted >= 0) {
      char line[80];
      std::snprintf(line, sizeof line, "Have read %d roughness points from bedrough file", c.accepted);
      EXPECT_TRUE(p.dir().boogieHas(line)) << p.dir().boogie();
    }
    if (c.accepted == 2) {
      EXPECT_DOUBLE_EQ(roughness[1][1], 0.3);
      EXPECT_DOUBLE_EQ(roughness[5][3], 0.2);
      EXPECT_DOUBLE_EQ(roughness[6][2], c.ks);  // column xnumber is passed over
    }
  }
}

TEST(Bedrough, RequiredWithF90) {
  CaseDir d;
  d.write("control", threeCellControl("U", "F 90 1\n"));
  d.write("unstruc", ThreeCellGrid{}.text());
  EXPECT_EQ(d.run(), 251) << d.boogie();
  EXPECT_TRUE(d.boogieHas("Error: bedrough file not found when using F 90 1"));
}
