// The control-file reader on the real engine: grammar, letters, refusals.
#include <gtest/gtest.h>

#include "support/case_runner.h"

TEST(ControlFile, AnEmptyDirectoryGetsAControlFileAndRunsOnDefaults) {
  CaseDir d;
  int st = d.run();
  EXPECT_EQ(st, 1);
  EXPECT_EQ(d.read("control"), "no values given\n");
  auto lines = d.boogieLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "TOVAK 2.618 output file. 11. November 2024.");
  EXPECT_EQ(lines[1], "In kread ");
  EXPECT_NE(d.boogie().find("Have allocated "), std::string::npos);
  EXPECT_NE(d.boogie().find(" Mbytes unstructured arrays\n\n"), std::string::npos);
}

// One row per refusal of the letter table.
struct Refusal {
  const char* control;
  int status;
  const char* message;
};

void PrintTo(const Refusal& r, std::ostream* os) { *os << '"' << r.control << '"'; }

class LetterRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(LetterRefusal, EndsWithItsMessageAndStatus) {
  const Refusal& r = GetParam();
  CaseResult res = runControl(r.control);
  EXPECT_EQ(res.status, r.status) << res.boogie;
  EXPECT_TRUE(res.has(r.message)) << res.boogie;
  // The process ends at once: the later F 2 X is never performed.
  EXPECT_FALSE(res.has("Number of threads")) << res.boogie;
}

INSTANTIATE_TEST_SUITE_P(
    Letters, LetterRefusal,
    ::testing::Values(Refusal{"P 0\nF 2 X\n", 255, "Error in boogie file: data set P 0 does not exist\n\n"},
                      Refusal{"P -4\n", 255, "Error in boogie file: data set P -4 does not exist\n\n"},
                      Refusal{"M 10 1.0\nF 2 X\n", 2, "Error for M 10 data set\nFirst integer must be between 1 and 9\n"},
                      Refusal{"M 0\n", 2, "Error for M 0 data set\n"},
                      Refusal{"I 5 1.0\n", 2, "Input error for I in control"},
                      Refusal{"Q 10001 0\n", 2, "Input error for Q 10001 in control\n"},
                      Refusal{"Q 1 0\n", 2, "Input error for Q 1 in control\n"},
                      Refusal{"S 3 0.001\n", 2, "Input error for S in control: incorrect first integer\n"},
                      Refusal{"F 20 0\n", 2, "Error for F 20 in control"},
                      Refusal{"F 65 100 200 5 10 10\n", 2, "Error for F 65 in control: too low numbers"},
                      Refusal{"F 65 100 200 300 10\n", 2, "Error for F 65 in control: Have only read 4 numbers."},
                      Refusal{"F 206 -2\n", 2, "Error for F 206 in control"}));

TEST(ControlFile, TheLaterOfTwoOccurrencesWinsAndValuesMaySpanLines) {
  CaseResult r = runControl("F 65 1000\n 2000\n3000 4 5\nF 65 100 200 300 0 0\n");
  EXPECT_EQ(r.status, 1) << r.boogie;
  // 100 cells: the byte total shows the smaller sizes of the second occurrence.
  CaseResult big = runControl("F 65 100 200 300 0 0\nF 65 1000 2000 3000 4 5\n");
  EXPECT_EQ(big.status, 1) << big.boogie;
  EXPECT_NE(r.boogie, big.boogie);
  CaseResult same = runControl("F 65 100\n200\n300\n0\n0\n");
  EXPECT_EQ(same.boogie, r.boogie);
}

TEST(ControlFile, FreeTextAndUndispatchedNumbersStartNothing) {
  // Lower-case text, unknown letters (J, O, R, U, V, X ...), numbers no
  // table dispatches, and a letter without a number are all passed over.
  CaseResult r = runControl(
      "this is a remark about the run\n"
      "JORUVXYZ\nF 0 1\nF 29 3\nF 600 7\nF -3 4\nG 99 1\nK 0 1\nW 3 1\nP 44 1\nH 15 2\n"
      "F\nF x\nF 2 X\n");
  EXPECT_EQ(r.status, 0) << r.boogie;
  EXPECT_EQ(r.boogie.find("Error"), std::string::npos) << r.boogie;
}

TEST(ControlFile, TheRunStringTakesEveryCharacterAfterTheNumber) {
  // "F 2" reads from the blank after the number; letters after the tenth
  // position are never performed.
  EXPECT_EQ(runControl("F 2 TTTTTTTTTX\n").status, 1);
  EXPECT_EQ(runControl("F 2 TTTTTTTTX\n").status, 0);
  // A data-set letter inside the text after the values starts a data set.
  EXPECT_EQ(runControl("F 20 1 F 2 X\n").status, 0);
}

TEST(ControlFile, AByteFFDoesNotEndTheFile) {
  std::string control = "T a title\n";
  control += static_cast<char>(0xFF);
  control += "\nF 2 X\n";
  EXPECT_EQ(runControl(control).status, 0);
}

// Data sets beyond the limit (after 330 comment lines here) end the run
// with the limit named: nothing of the file is dropped without a word.
TEST(ControlFile, DataSetsBeyondTheTurnLimitEndTheRun) {
  std::string control;
  for (int n = 0; n < 330; ++n) control += "* " + std::string(97, 'x') + "\n";  // 100 bytes a line
  control += "F 2 X\n";
  CaseResult r = runControl(control);
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(r.has("Error: the control file is longer than the reader's limit of 30000 characters; the data sets "
                    "after line 301 are not read. Shorten the comments or the title"))
      << r.boogie;
  // Only text beyond the limit: nothing is lost, the run goes on.
  EXPECT_EQ(runControl("F 2 X\n" + std::string(30010, '.')).status, 0);
  // Within the limit the letters are read.
  EXPECT_EQ(runControl(std::string(29000, '.') + "\nF 2 X\n").status, 0);
}

TEST(ControlFile, AnUnwritableLogEndsWithStatus253) {
  CaseDir d;
  d.mkdir("boogie");
  d.write("control", "F 2 X\n");
  EXPECT_EQ(d.run(), 253);
}

TEST(ControlFile, AnUnreadableControlEndsWithStatus252) {
  CaseDir d;
  d.mkdir("control");
  EXPECT_EQ(d.run(), 252);
  EXPECT_NE(d.boogie().find("Error, cannot open file 'control'\n"), std::string::npos);
}

TEST(ControlFile, ThreadCountIsLimitedToTheMachine) {
  CaseResult r = runControl("F 206 64\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(r.has("Max. number of threads: ")) << r.boogie;
  EXPECT_TRUE(r.has(", value F 206: 64\n")) << r.boogie;
  EXPECT_FALSE(r.has("Number of threads: 64 (F 206)")) << r.boogie;
}
