// The momentum sources on the real engine: each option runs in the main flow
// driver of the fixed-lid channel (letter Y, then W) and ends normally; a
// thermocline temperature without the temperature component is refused when
// the control file is read.
#include <gtest/gtest.h>

#include <string>

#include "support/case_runner.h"

namespace {

const std::string kChannel =
    "F 2 YW\nG 1 23 8 5 1\nF 314 1 1\nF 237 1 1.0\nF 237 2 1.0\nK 2 0 0\nF 24 6\nK 1 30\n";

}  // namespace

TEST(MomentumSourcesCase, EachSourceRunsInTheMainDriver) {
  struct Row {
    const char* name;
    std::string options;
    std::string vegdata;
  };
  const Row rows[] = {
      {"density gradients (F 67, F 40)", "F 67 1\nF 40 1.0\nF 64 0\n", ""},
      {"thermocline (F 75)", "F 67 1\nF 75 12.0\n", ""},
      {"vegetation (F 115)", "F 115 1\n", "V 8 3 0.0 0.3 0.6 0.9 1 1 1 1\n"},
      {"dune drag (F 498)", "F 498 1\n", ""},
      {"roughness-layer drag (F 189)", "F 189 1 0.5\n", ""},
      {"turbidity current (F 18)", "F 18 0.01\n", ""},
      {"the same with four chunks", "F 206 4\nF 189 1 0.5\nF 115 1\nF 18 0.01\n", "V 8 3 0.0 0.3 0.6 0.9 1 1 1 1\n"},
  };
  for (const Row& r : rows) {
    CaseDir dir;
    dir.write("koosurf", straightChannelKoosurf());
    if (!r.vegdata.empty()) dir.write("vegdata", r.vegdata);
    dir.write("control", kChannel + r.options);
    EXPECT_EQ(dir.run(), 1) << r.name << "\n" << dir.boogie();
    EXPECT_EQ(dir.boogie().find("not available"), std::string::npos) << r.name;
    EXPECT_EQ(dir.boogie().find("Error"), std::string::npos) << r.name << "\n" << dir.boogie();
  }
}

// A thermocline without components is accepted: without the temperature of
// component 0 there is no buoyancy, which the log says.
TEST(MomentumSourcesCase, AThermoclineWithoutComponentsIsAcceptedWithAWarning) {
  CaseResult r = runControl("F 75 12.0\n");
  EXPECT_EQ(r.status, 1) << r.boogie;
  EXPECT_TRUE(r.has("Warning: F 75 without water-quality components (F 50, F 67 1): no thermocline buoyancy\n"))
      << r.boogie;
}

// A vegetation resistance out of range with F 1 D: each cell of the column is
// reported ("Error in setting porosity"), the computation goes on, and the run
// ends with status 2 instead of a normal end. Column (8,3) of the 23 x 8 grid
// (nx and ny printed as 25 and 10) at the one time level, weight 1.
TEST(MomentumSourcesCase, AVegetationValueOutOfRangeEndsTheRunAsAFailure) {
  CaseDir dir;
  dir.write("koosurf", straightChannelKoosurf());
  dir.write("vegdata", "V 8 3 0.9 0.95 0.97 0.99 2e7 0 0 0\n");
  dir.write("control", kChannel + "F 115 1\nF 1 D\n");
  EXPECT_EQ(dir.run(), 2) << dir.boogie();
  const std::string log = dir.boogie();
  const std::string head = "Error in setting porosity: value (";
  const std::size_t at = log.find(head);
  ASSERT_NE(at, std::string::npos) << log;
  const std::size_t close = log.find(") = 2.000000e+07 \ni=8,j=3,b=", at);
  ASSERT_NE(close, std::string::npos) << log;
  EXPECT_EQ(log.find_first_not_of("0123456789", at + head.size()), close) << log;
  EXPECT_NE(log.find(",nx=25,ny=10,iTime=0\nmidt = 1.000000e+00,\n", close), std::string::npos) << log;
}
