// G data sets: every bounded value and every record count accepted at its
// limit and refused just beyond it. The grid is G 1 20 30 5 1 where a bound
// depends on it.
#include "support/limit_rows.h"

namespace {
const std::string kG1 = "G 1 20 30 5 1\n";

LimitRow G(int n, const std::string& accepted, const std::string& refused, bool lineEnd = false) {
  LimitRow r = commonLimit('G', n, "", "", lineEnd);
  r.accepted = accepted, r.refused = refused;
  r.message.replace(0, 9, "Input error for");
  return r;
}
LimitRow own(const std::string& accepted, const std::string& refused, const char* message, int status = 2) {
  return {accepted, refused, status, message};
}
std::string times(const std::string& s, int n) {
  std::string t;
  for (int i = 0; i < n; ++i) t += s;
  return t;
}
constexpr const char* kG62 = "Input error for one of the values on the G 62 data set in the in control file\n";
constexpr const char* kG24Level = "Error in G 24 data set, variable no. 1\n";
constexpr const char* kG28 = "Error for G 28 in the control file, 1 occurrence\n";
constexpr const char* kG29 = "Error for G 29 in control file\n\n";
}  // namespace

TEST(DataSetsG, EachLimitIsAcceptedAndTheValueBeyondRefused) {
  expectLimits({
        G(2, kG1 + "G 2 2 20 2 30", kG1 + "G 2 1 20 2 30"), G(2, kG1 + "G 2 2 20 2 30", kG1 + "G 2 2 21 2 30"),
        G(2, kG1 + "G 2 2 20 2 30", kG1 + "G 2 2 20 1 30"), G(2, kG1 + "G 2 2 20 2 30", kG1 + "G 2 2 20 2 31"),
        G(2, kG1 + "G 2 5 5 2 30", kG1 + "G 2 6 5 2 30"), G(2, kG1 + "G 2 2 20 7 7", kG1 + "G 2 2 20 8 7"),
        own(kG1 + "G 3 0 0.5 0.5 0.7 1", kG1 + "G 3 0 0.5 0.4999 0.7 1", "Input error for G 3 in control, j= 3\n"),
        G(4, kG1 + "G 4 24 34 9 0.5", kG1 + "G 4 25 34 9 0.5"), G(4, kG1 + "G 4 24 34 9 0.5", kG1 + "G 4 24 35 9 0.5"),
        G(4, kG1 + "G 4 24 34 9 0.5", kG1 + "G 4 24 34 10 0.5"), G(4, kG1 + "G 4 0 0 0 0.5", kG1 + "G 4 -1 0 0 0.5"),
        G(4, kG1 + "G 4 0 0 0 0.5", kG1 + "G 4 0 -1 0 0.5"), G(4, kG1 + "G 4 0 0 0 0.5", kG1 + "G 4 0 0 -1 0.5"),
        own(kG1 + "G 5 0 24 0 34 0 9 0.5", kG1 + "G 5 -1 24 0 34 0 9 0.5",
            "Input error for G 5 in control\nWrong first indexes"),
        own(kG1 + "G 5 0 24 0 34 0 9 0.5", kG1 + "G 5 0 24 0 35 0 9 0.5",
            "Input error for G 5 in control\nWrong second indexes"),
        own(kG1 + "G 5 3 3 0 34 0 9 0.5", kG1 + "G 5 4 3 0 34 0 9 0.5",
            "Input error for G 5 in control\nWrong match beween indexes"),
        G(6, "G 6 0 0 0 0.1 0.01", "G 6 -1 0 0 0.1 0.01", true),
        G(6, "G 6 50000 0 0 0.1 0.01", "G 6 50001 0 0 0.1 0.01", true),
        G(6, "G 6 0 0 0 0.1 0.01", "G 6 0 -1 0 0.1 0.01", true),
        G(6, "G 6 0 0 0 0.1 0.01", "G 6 0 0 -1 0.1 0.01", true),
        G(6, "G 6 0 0 0 1e-5 0.01", "G 6 0 0 0 9.9e-6 0.01", true),
        G(6, "G 6 0 0 0 10 0.01", "G 6 0 0 0 10.001 0.01", true),
        G(6, "G 6 0 0 0 0.1 1e-10", "G 6 0 0 0 0.1 9.9e-11", true),
        G(6, "G 6 0 0 0 0.1 1e7", "G 6 0 0 0 0.1 1.0001e7", true),
        own("G 62 0 0 0 0 0.1 0.01", "G 62 -1 0 0 0 0.1 0.01", kG62),
        own("G 62 50000 0 0 0 0.1 0.01", "G 62 50001 0 0 0 0.1 0.01", kG62),
        own("G 62 0 0 0 0 0.1 0.01", "G 62 0 -1 0 0 0.1 0.01", kG62),
        own("G 62 0 0 0 0 0.1 0.01", "G 62 0 0 -1 0 0.1 0.01", kG62),
        own("G 62 0 0 0 0 0.1 0.01", "G 62 0 0 0 -1 0.1 0.01", kG62),
        own("G 62 0 0 0 0 1e-5 0.01", "G 62 0 0 0 0 9.9e-6 0.01", kG62),
        own("G 62 0 0 0 0 10 0.01", "G 62 0 0 0 0 10.001 0.01", kG62),
        own("G 62 0 0 0 0 0.1 1e-10", "G 62 0 0 0 0 0.1 9.9e-11", kG62),
        own("G 62 0 0 0 0 0.1 10", "G 62 0 0 0 0 0.1 10.001", kG62),
        own(times("G 7 1 0 0 0 0 0 0 0 0 0 0 0\n", 19), times("G 7 1 0 0 0 0 0 0 0 0 0 0 0\n", 20),
            "Input error for G 7 in control\nData sets must not exceed 19\n"),
        own(kG1 + "G 9 1", kG1 + "G 9 0", "Error for G 9 in control"),
        own(kG1 + "G 9 20", kG1 + "G 9 21", "Error for G 9 in control"),
        G(10, kG1 + "G 10 2 21 2 31 2 6 1", kG1 + "G 10 1 21 2 31 2 6 1"),
        G(10, kG1 + "G 10 2 21 2 31 2 6 1", kG1 + "G 10 2 22 2 31 2 6 1"),
        G(10, kG1 + "G 10 2 21 2 31 2 6 1", kG1 + "G 10 2 21 1 31 2 6 1"),
        G(10, kG1 + "G 10 2 21 2 31 2 6 1", kG1 + "G 10 2 21 2 32 2 6 1"),
        G(10, kG1 + "G 10 2 21 2 31 2 6 1", kG1 + "G 10 2 21 2 31 1 6 1"),
        G(10, kG1 + "G 10 2 21 2 31 2 6 1", kG1 + "G 10 2 21 2 31 2 7 1"),
        G(11, kG1 + "G 11 2 21 2 31 2 6 1 1", kG1 + "G 11 2 21 2 31 2 7 1 1"),
        own(times("G 10 2 3 2 3 2 3 1\n", 10) + times("G 11 2 3 2 3 2 3 1 1\n", 9),
            times("G 10 2 3 2 3 2 3 1\n", 10) + times("G 11 2 3 2 3 2 3 1 1\n", 10),
            "Input error for G 11 in control\nData sets must not exceed 19\n"),
        own("G 12 1 0", "G 12 0 0", "Input error for G 12, first parameter, in control"),
        own("G 12 9 0", "G 12 10 0", "Input error for G 12, first parameter, in control"),
        own("G 12 1 0", "G 12 1 -0.001", "Input error for G 12, concentration, in control"),
        own("G 12 1 1", "G 12 1 1.001", "Input error for G 12, concentration, in control"),
        own(times("G 12 1 0\n", 19), times("G 12 1 0\n", 20),
            "Input error for G 12 in control\nData sets must not exceed 19\n"),
        G(13, kG1 + "G 13 0 2 21 2 31 2 6", kG1 + "G 13 -1 2 21 2 31 2 6"),
        G(13, kG1 + "G 13 4 2 21 2 31 2 6", kG1 + "G 13 5 2 21 2 31 2 6"),
        G(13, kG1 + "G 13 0 2 21 2 31 2 6", kG1 + "G 13 0 1 21 2 31 2 6"),
        G(13, kG1 + "G 13 0 2 21 2 31 2 6", kG1 + "G 13 0 2 22 2 31 2 6"),
        G(13, kG1 + "G 13 0 2 21 2 31 2 6", kG1 + "G 13 0 2 21 1 31 2 6"),
        G(13, kG1 + "G 13 0 2 21 2 31 2 6", kG1 + "G 13 0 2 21 2 32 2 6"),
        G(13, kG1 + "G 13 0 2 21 2 31 2 6", kG1 + "G 13 0 2 21 2 31 1 6"),
        G(13, kG1 + "G 13 0 2 21 2 31 2 6", kG1 + "G 13 0 2 21 2 31 2 7"),
        own(times("G 13 0 2 3 2 3 2 3\n", 499), times("G 13 0 2 3 2 3 2 3\n", 500),
            "Input error for G 13 in control\nData sets must not exceed 499\n"),
        G(14, kG1 + "G 14 1 2 2 2", kG1 + "G 14 0 2 2 2"), G(14, kG1 + "G 14 6 2 2 2", kG1 + "G 14 7 2 2 2"),
        G(14, kG1 + "G 14 1 2 2 2", kG1 + "G 14 1 1 2 2"), G(14, kG1 + "G 14 1 21 2 2", kG1 + "G 14 1 22 2 2"),
        G(14, kG1 + "G 14 1 2 2 2", kG1 + "G 14 1 2 1 2"), G(14, kG1 + "G 14 1 2 31 2", kG1 + "G 14 1 2 32 2"),
        G(14, kG1 + "G 14 1 2 2 2", kG1 + "G 14 1 2 2 1"), G(14, kG1 + "G 14 1 2 2 6", kG1 + "G 14 1 2 2 7"),
        own(times("G 14 1 2 2 2\n", 29), times("G 14 1 2 2 2\n", 30),
            "Input error for G 14 in control\nData sets must not exceed 29\n"),
        own(times("G 18 0 0 0 0 0 0\n", 19), times("G 18 0 0 0 0 0 0\n", 20),
            "Increase array for G 18 and recompile\n", 254),
        G(22, kG1 + "G 22 2 20 2 30 0 1 1e-5", kG1 + "G 22 1 20 2 30 0 1 1e-5", true),
        G(22, kG1 + "G 22 2 20 2 30 0 1 1e-5", kG1 + "G 22 2 21 2 30 0 1 1e-5", true),
        G(22, kG1 + "G 22 2 20 2 30 0 1 1e-5", kG1 + "G 22 2 20 1 30 0 1 1e-5", true),
        G(22, kG1 + "G 22 2 20 2 30 0 1 1e-5", kG1 + "G 22 2 20 2 31 0 1 1e-5", true),
        G(22, kG1 + "G 22 5 5 2 30 0 1 1e-5", kG1 + "G 22 6 5 2 30 0 1 1e-5", true),
        G(22, kG1 + "G 22 2 20 7 7 0 1 1e-5", kG1 + "G 22 2 20 8 7 0 1 1e-5", true),
        G(22, kG1 + "G 22 2 20 2 30 1 1 1e-5", kG1 + "G 22 2 20 2 30 1.001 1 1e-5", true),
        G(22, kG1 + "G 22 2 20 2 30 0 1 1e-5", kG1 + "G 22 2 20 2 30 0 1 9.9e-6", true),
        own(times("G 22 2 3 2 3 0 1 1\n", 19), times("G 22 2 3 2 3 0 1 1\n", 20),
            "Input error for G 22 in control\nNumber of data sets must not exceed 19\n"),
        own("G 24 0", "G 24 -1", "The G 24 data set has to include a positive integer first\n"),
        own("G 24 299" + times(" V 0 0", 299), "G 24 300", "Too many points in G 24 data set\n"),
        own("F 404 1 0.1 G 24 1 Z 100 0 0", "F 404 1 0.1 G 24 1 Z 99 0 0",
            "Error for G 24 data set. The Z variable needs an extra integer\n\n"),
        own("G 24 1 Z 1000 0 0", "G 24 1 Z 1001 0 0", "Error for G 24 data set. The Z variable needs an extra integer\n\n"),
        own("G 24 1 V 0 0", "G 24 1 V -1 0", kG24Level), own("G 24 1 V 11 0", "G 24 1 V 12 0", kG24Level),
        own("G 24 1 V 0 1", "G 24 1 V 0 2", kG24Level), own("G 24 1 V 0 0", "G 24 1 V 0 -1", kG24Level),
        own("G 25 1 0", "G 25 0", "Error first integer on G 25 data set\n"),
        own("G 25 99" + times(" 1", 99), "G 25 100", "Error first integer on G 25 data set\n"),
        own("G 25 2 0 20", "G 25 2 0 21", "Error for integer no. 3 on G 25 data set\n"),
        own("G 25 2 0 20", "G 25 2 -1 20", "Error for integer no. 2 on G 25 data set\n"),
        own("G 26 1 1", "G 26 0", "Error first integer on G 26 data set\n"),
        own("G 26 90" + times(" 1", 90), "G 26 91", "Error first integer on G 26 data set\n"),
        own("G 26 2 0 10", "G 26 2 0 11", "Error after reading 3 integer in the G 26 data set\n"),
        own("G 26 2 0 10", "G 26 2 -1 10", "Error after reading 2 integer in the G 26 data set\n"),
        own(kG1 + "G 28 2 18 2 28 0 1 1", kG1 + "G 28 2 19 2 28 0 1 1", kG28, 255),
        own(kG1 + "G 28 2 18 2 28 0 1 1", kG1 + "G 28 2 18 2 29 0 1 1", kG28, 255),
        own(kG1 + "G 28 5 5 2 28 0 1 1", kG1 + "G 28 6 5 2 28 0 1 1", kG28, 255),
        own(kG1 + "G 28 2 18 7 7 0 1 1", kG1 + "G 28 2 18 8 7 0 1 1", kG28, 255),
        own(kG1 + "G 28 2 18 2 28 0 1 1", kG1 + "G 28 2 18 2 28 0 0.999 1", kG28, 255),
        own(kG1 + "G 28 2 18 2 28 0 3 1", kG1 + "G 28 2 18 2 28 0 3.001 1", kG28, 255),
        own(kG1 + "G 28 2 18 2 28 0 1 1", kG1 + "G 28 2 18 2 28 0 1 0.999", kG28, 255),
        own(kG1 + "G 28 2 18 2 28 0 1 3", kG1 + "G 28 2 18 2 28 0 1 3.001", kG28, 255),
        own(kG1 + "G 29 2 20 2 30", kG1 + "G 29 1 20 2 30", kG29, 255),
        own(kG1 + "G 29 2 20 2 30", kG1 + "G 29 2 21 2 30", kG29, 255),
        own(kG1 + "G 29 2 20 2 30", kG1 + "G 29 2 20 1 30", kG29, 255),
        own(kG1 + "G 29 2 20 2 30", kG1 + "G 29 2 20 2 31", kG29, 255),
        own(kG1 + "G 29 5 5 2 30", kG1 + "G 29 6 5 2 30", kG29, 255),
        own(kG1 + "G 29 2 20 7 7", kG1 + "G 29 2 20 8 7", kG29, 255),
        G(30, kG1 + "G 30 0 0.2 0.2 0.6 1", kG1 + "G 30 -0.001 0.2 0.2 0.6 1"),
        G(30, kG1 + "G 30 0 0.2 0.2 0.6 1", kG1 + "G 30 0 0.2 0.1999 0.6 1"),
        own("G 31 1 0", "G 31 0 0", "Input error for G 31 in control - first parameter"),
        own("G 31 20 0", "G 31 21 0", "Input error for G 31 in control - first parameter"),
        own("G 31 1 0", "G 31 1 -0.001", "Input error for G 31 in control - second parameter"),
        G(40, "G 40 1 0 5", "G 40 0", true), G(40, "G 40 49" + times(" 0 5", 49), "G 40 50", true),
        G(41, "G 41 0 1 0 5", "G 41 -1 1 0 5"), G(41, "G 41 0 1 0 5", "G 41 0 0"),
        G(41, "G 41 0 49" + times(" 0 5", 49), "G 41 0 50"),
        own(times("G 41 0 1 0 5\n", 10), times("G 41 0 1 0 5\n", 11),
            "Input error for G 41 in control - too many data sets"),
        own(times("G 42 1 1\n", 20), times("G 42 1 1\n", 21), "Too many G 42 data sets\n")});
}
