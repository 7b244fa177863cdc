// S, N, M, Q, H and I data sets: every bounded value accepted at its limit
// and refused just beyond it. Without G 1 there is one grain size, so S
// accepts the size numbers 1 and 2 and M the entries 0 and 1.
#include "support/limit_rows.h"

namespace {
LimitRow own(const std::string& accepted, const std::string& refused, const std::string& message) {
  return {accepted, refused, 2, message};
}
std::string times(const std::string& s, int n) {
  std::string t;
  for (int i = 0; i < n; ++i) t += s;
  return t;
}
const std::string kS1 = "Input error for S in control in second or third float for i=1\n";
const std::string kMk = "Second integer less than zero, or larger than what is given on F 50 data set\n";
const std::string kM9 = "First integer must be between 1 and 9\n";
}  // namespace

TEST(DataSetsMisc, EachLimitIsAcceptedAndTheValueBeyondRefused) {
  expectLimits({
        own("S 1 0.002 0.1", "S 0 0.002 0.1", "Input error for S in control: incorrect first integer\n"),
        own("S 1 0.002 0.1\nS 2 0.001 0.1", "S 1 0.002 0.1\nS 2 0.001 0.1\nS 3 0.0005 0.1",
            "Input error for S in control: incorrect first integer\n"),
        own("S 1 0 0.1", "S 1 -0.001 0.1", kS1), own("S 1 1e6 0.1", "S 1 1.001e6 0.1", kS1),
        own("S 1 0.002 -1e6", "S 1 0.002 -1.001e6", kS1), own("S 1 0.002 1e6", "S 1 0.002 1.001e6", kS1),
        own("S 1 0.002 0.1\nS 2 0.002 0.1", "S 1 0.002 0.1\nS 2 0.0021 0.1",
            "Input error for S 2 in control file: The coarsest sediment sizes have to be given first\n"),
        own("N 0 1 0.5", "N 0 0 0.5", "Input error for N data set in control file, size 0, fraction 0.500000\n"),
        own("N 0 49 0.5", "N 0 50 0.5", "Input error for N data set in control file, size 50, fraction 0.500000\n"),
        own("N 0 1 0", "N 0 1 -0.001", "Input error for N data set in control file, size 1, fraction -0.001000\n"),
        own("N 0 1 1", "N 0 1 1.001", "Input error for N data set in control file, size 1, fraction 1.001000\n"),
        own("M 1 0 0.5", "M 0 0 0.5", "Error for M 0 data set\n" + kM9),
        own("M 9 0 0.5", "M 10 0 0.5", "Error for M 10 data set\n" + kM9),
        own("M 1 0 0.5", "M 1 -1 0.5", "Error for M 1 -1 data set\n" + kMk),
        own("M 1 1 0.5", "M 1 2 0.5", "Error for M 1 2 data set\n" + kMk),
        own("F 50 5\nM 1 4 0.5", "F 50 5\nM 1 5 0.5", "Error for M 1 5 data set\n" + kMk),
        own("F 50 2\nQ 1 1 0.5", "F 50 2\nQ 1 2 0.5", "Input error for Q 1 in control\n"),
        own("F 50 2\nQ 1 0 0.5", "F 50 2\nQ 1 -1 0.5", "Input error for Q 1 in control\n"),
        own("F 50 2\nQ 10000 0", "F 50 2\nQ 10001 0", "Input error for Q 10001 in control\n"),
        own("F 50 2\nQ 0 0 Name", "F 50 2\nQ -1 0", "Input error for Q -1 in control\n"),
        own("F 50 2\nQ 2 0 2 0.5", "F 50 2\nQ 2 0 3 0.5", "Input error for Q 2 0 in control\n"),
        own("F 50 2\nQ 2 0 0 0.5", "F 50 2\nQ 2 0 -1 0.5", "Input error for Q 2 0 in control\n"),
        own("F 50 2\nQ 120 0 1 0.5 0.5", "F 50 2\nQ 120 0 2 0.5 0.5", "Input error for Q 120 0 in control\n"),
        own("F 50 2\nQ 3 0 0 1 0.5", "F 50 2\nQ 3 0 0 2 0.5", "Input error for Q 3 0 in control\n"),
        own("F 50 2\nQ 3 0 1 0 0.5", "F 50 2\nQ 3 0 2 0 0.5", "Input error for Q 3 0 in control\n"),
        own("H 3 20" + times(" 1.0 2 2", 20), "H 3 21",
            "Input error for H 3 in control\nData points must not exceed 20\n"),
        own("H 3 1 1.0 0 0", "H 3 1 1.0 -1 0", "Input error for H 3 in control\n"),
        own("H 3 1 1.0 16 0", "H 3 1 1.0 17 0", "Input error for H 3 in control\n"),
        own("H 3 1 1.0 0 0", "H 3 1 1.0 0 -1", "Input error for H 3 in control\n"),
        own("H 3 1 1.0 0 16", "H 3 1 1.0 0 17", "Input error for H 3 in control\n"),
        own("I 1 5", "I 2 5", "Input error for I in control")});
}
