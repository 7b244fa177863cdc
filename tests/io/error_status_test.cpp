// A line of the log that says Error goes with a failure status: the inputs
// below are run by the real engine, which must not end with the normal
// status 1 (or 0, the status of letter X) once it has written such a line.
// The few messages that only report a value and keep it end normally.
#include <gtest/gtest.h>

#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/case_runner.h"

namespace {

struct StatusCase {
  const char* name;
  std::string control;
  std::vector<std::pair<std::string, std::string>> files;  // written into the project
  const char* directory;                                   // made in the project, or null
  int status;
  const char* message;  // for a failure the last text of the log; else a text it holds
};

void PrintTo(const StatusCase& c, std::ostream* os) { *os << c.name; }

bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

struct RunResult {
  int status;
  std::string log;
};

RunResult runCase(const StatusCase& c) {
  CaseDir d;
  for (const auto& [name, text] : c.files) d.write(name, text);
  if (c.directory) d.mkdir(c.directory);
  d.write("control", c.control);
  const int status = d.run();
  return {status, d.boogie()};
}

class ErrorLineFails : public ::testing::TestWithParam<StatusCase> {};

// The status is the failure status of the message (0 and 1 become 2), and
// the message is the last thing logged: nothing runs after it.
TEST_P(ErrorLineFails, EndsWithTheMessageAndAFailureStatus) {
  const StatusCase& c = GetParam();
  const RunResult r = runCase(c);
  EXPECT_EQ(r.status, c.status) << r.log;
  EXPECT_TRUE(endsWith(r.log, c.message)) << "log:\n" << r.log << "\nexpected at its end:\n" << c.message;
}

const char kF260[] =
    "Error in control file. The F 260 data set will only work\n"
    "when the F 37 data set is set to 2 or 3\n\n";
const char kNDistribution[] =
    "Input error for N data set in control file: in TOVAK 2 there is only\n"
    "one grain size distribution for the N data sets, and it has number 0.\n"
    "If you want a spatially varying grain size distribution, use the fracres file\n\n";
const char kF370[] =
    "Error in control file: index on F 370 data set larger than number of cross-sections on W 1 data set\n";
const char kF209[] = "Error: the F 209 data set has to be used when generating mpi grids\n";

INSTANTIATE_TEST_SUITE_P(
    Inputs, ErrorLineFails,
    ::testing::Values(
        // Flocculation without the sediment method 2 or 3 that it works with.
        StatusCase{"F260WithoutF37", "F 260 1\n", {}, nullptr, 2, kF260},
        StatusCase{"F260AfterF37One", "F 37 1\nF 260 1\n", {}, nullptr, 2, kF260},
        // Only distribution 0 exists; the fraction of distribution 1 is not kept.
        StatusCase{"NDistributionOne", "N 1 1 1.0\n", {}, nullptr, 2, kNDistribution},
        // Distribution 1 and a size outside the table: the size message ends it.
        StatusCase{"NDistributionOneSize50", "N 1 50 0.5\n", {}, nullptr, 2,
                   "Input error for N data set in control file, size 50, fraction 0.500000\n"},
        // Letter U asks for a grid file that is not there; letter M after it never runs.
        StatusCase{"LetterUWithoutGridFile", "F 2 UM\n", {}, nullptr, 2, "Error: can not open 'unstruc' file\n"},
        // F 370 third value 21 on a grid of 20 cross-sections.
        StatusCase{"F370BeyondTheGrid", "G 1 20 10 11 1\nF 370 1 2 21 3 1\n", {}, nullptr, 2, kF370},
        // Letter H cannot create the grid file (a directory has its name).
        StatusCase{"LetterHCannotWrite", "F 2 H\n", {}, "unstruc", 252, "Error: can not open 'unstruc' file\n"},
        // F 257 2 sends the grid to unstruc.dbg, reported in the log as well.
        StatusCase{"LetterHCannotWriteDebugGrid", "F 2 H\nF 257 2\n", {}, "unstruc.dbg", 252,
                   "Error: can not open 'unstruc.dbg' file\n"},
        // A negative or missing G 51 multiplier would feed negative or stale
        // sediment inflow.
        StatusCase{"G51Negative", "G 1 20 10 11 1\nG 51 -0.5\n", {}, nullptr, 2,
                   "Error for G 51 data set in control file\nInteger no. 1 = -0.500000\n"},
        StatusCase{"G51Missing", "G 1 20 10 11 2\nG 51 1.0\n", {}, nullptr, 2,
                   "Error for G 51 data set in control file\nInteger no. 2 = 1.000000\n"},
        // The pressure force of F 114 8 has no lateral form for F 496 2.
        StatusCase{"F496TwoWithF114Eight", "F 114 8\nF 496 2\n", {}, nullptr, 2,
                   "Error for gradients in j-direction: not coded yet\n\n"}),
    [](const ::testing::TestParamInfo<StatusCase>& i) { return std::string(i.param.name); });

class NormalEnd : public ::testing::TestWithParam<StatusCase> {};

// Status 1, and the log holds the text (a reported and kept value), or, for
// the rows with an empty text, no line that says Error at all.
TEST_P(NormalEnd, EndsWithStatusOne) {
  const StatusCase& c = GetParam();
  const RunResult r = runCase(c);
  EXPECT_EQ(r.status, c.status) << r.log;
  if (*c.message)
    EXPECT_NE(r.log.find(c.message), std::string::npos) << r.log;
  else
    EXPECT_EQ(r.log.find("Error"), std::string::npos) << r.log;
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, NormalEnd,
    ::testing::Values(
        // G 50 reports a value outside its range and keeps it (a stage
        // switch other than 1 leaves the stage parallel).
        StatusCase{"G50ValueThreeKept", "G 50 0 0 0 3 0 0 0 0 0 0\n", {}, nullptr, 1,
                   "Error for G 50 data set in control file\nInteger no. 3 = 3\n"},
        // A zero multiplier is accepted.
        StatusCase{"G51ZeroAccepted", "G 1 20 10 11 1\nG 51 0\n", {}, nullptr, 1, ""},
        // The limits of the refusals above are accepted.
        StatusCase{"F260AfterF37Two", "F 37 2\nF 260 1\n", {}, nullptr, 1, ""},
        StatusCase{"NDistributionZero", "N 0 1 1.0\n", {}, nullptr, 1, ""},
        StatusCase{"F370OnTheLastCrossSection", "G 1 20 10 11 1\nF 370 1 2 20 3 1\n", {}, nullptr, 1, ""},
        StatusCase{"F308WithF209", "F 2 Y\nG 1 23 8 11 1\nF 308 3\nF 209 1.0\n", {{"koosurf", straightChannelKoosurf()}},
                   nullptr, 1, ""},
        StatusCase{"LetterHWrites", "F 2 H\n", {}, nullptr, 1, ""},
        StatusCase{"F496OneWithF114Eight", "F 114 8\nF 496 1\n", {}, nullptr, 1, ""},
        StatusCase{"F496TwoWithF114Six", "F 114 6\nF 496 2\n", {}, nullptr, 1, ""}),
    [](const ::testing::TestParamInfo<StatusCase>& i) { return std::string(i.param.name); });

}  // namespace

// A divided run that generates its part without the fixed reference depth:
// the message, the grid is built all the same and the run goes on; the
// error line ends it with a failure status.
TEST(GridGeneration, F308WithoutF209WritesItsMessageAndGoesOn) {
  CaseDir d;
  d.write("koosurf", straightChannelKoosurf());
  d.write("control", "F 2 Y\nG 1 23 8 11 1\nF 308 3\n");
  EXPECT_EQ(d.run(), 2) << d.boogie();
  const std::string log = d.boogie();
  const std::size_t at = log.find(kF209);
  ASSERT_NE(at, std::string::npos) << log;
  EXPECT_NE(log.find("End Unstructure", at), std::string::npos) << log;
}
