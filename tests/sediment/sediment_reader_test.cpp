// What the control-file reader refuses of the suspended-sediment options:
// combinations that would leave an equation without its coefficient rows,
// and inflow options that would bring no sediment at all.
#include <gtest/gtest.h>

#include <string>

#include "support/case_runner.h"

namespace {

struct Refusal {
  const char* name;
  std::string control;
  std::string message;
};

void PrintTo(const Refusal& r, std::ostream* os) { *os << r.name; }

class SedimentRefusal : public ::testing::TestWithParam<Refusal> {};

const std::string kSlope = "F 78 5 0.6\n";
const std::string kSecondOrder = "F 63 1\n";

}  // namespace

TEST_P(SedimentRefusal, EndsWithItsMessage) {
  const Refusal& r = GetParam();
  CaseResult run = runControl("G 1 20 10 11 1\n" + r.control);
  EXPECT_EQ(run.status, 2) << run.boogie;
  EXPECT_TRUE(run.has(r.message)) << run.boogie;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SedimentRefusal,
    ::testing::Values(
        Refusal{"SlopeRowsWithOneSize", "F 37 1\n" + kSlope,
                "Error in control file: F 78 5..9 needs several grain sizes (G 1) or F 37 3\n"},
        Refusal{"SlopeRowsWithOneSizeF37Two", kSlope + "F 37 2\n",
                "Error in control file: F 78 5..9 needs several grain sizes (G 1) or F 37 3\n"},
        Refusal{"LowestCellsAndNearBed", "F 455 2\nF 497 1\n",
                "Error in control file: F 455 and F 497 must not be used together\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// Accepted: the slope coefficients with F 37 3, the second-order scheme with
// one size and F 37 1, with the per-size equations of F 37 3 (before or
// after F 37), and each inflow variant alone.
TEST(SedimentReader, WorkingCombinationsPass) {
  for (const std::string& control :
       {std::string("F 37 3\nF 255 5\n") + kSlope, "F 37 1\n" + kSecondOrder,
        "F 37 3\nF 255 5\n" + kSecondOrder, kSecondOrder + "F 37 3\nF 255 5\n", std::string("F 455 2\n"),
        std::string("F 497 1\n")}) {
    CaseResult run = runControl("G 1 20 10 11 1\n" + control);
    EXPECT_FALSE(run.has("Error in control file: F 78 5..9")) << control << run.boogie;
    EXPECT_FALSE(run.has("Error in control file: F 63 1")) << control << run.boogie;
    EXPECT_FALSE(run.has("Error in control file: F 455 and F 497")) << control << run.boogie;
    EXPECT_TRUE(run.has("Mbytes structured arrays")) << control << run.boogie;
  }
}

// An inspace A record of 2 (which no inflow variant serves) is refused, and
// so is inspace with F 455 for several sizes.
TEST(SedimentReader, InspaceWithoutAnInflowVariant) {
  struct Case {
    std::string control, inspace, message;
  };
  const Case cases[] = {
      {"G 1 20 10 11 1\n", "A 2\n", "Error in reading the inspace file, the A data set takes the value 1"},
      {"G 1 20 10 11 1\nF 37 3\nF 255 5\nF 455 2\n", "A 1\nB 1 0 0 0 0 0 0 0 0 0 0\n",
       "Error: the inspace file can not be used with F 455 or F 497 for several grain sizes"},
  };
  for (const Case& c : cases) {
    CaseDir dir;
    dir.write("control", c.control);
    dir.write("inspace", c.inspace);
    EXPECT_EQ(dir.run(), 248) << dir.boogie();
    EXPECT_TRUE(dir.boogieHas(c.message)) << dir.boogie();
  }
  CaseDir ok;
  ok.write("control", "G 1 20 10 11 1\n");
  ok.write("inspace", "A 1\nB 1 0.001 0 0 0 0 0 0 0 0 0\n");
  ok.run();
  EXPECT_TRUE(ok.boogieHas("Inspace file read: ")) << ok.boogie();
}
