// K, W and P data sets: every bounded value and record count accepted at its
// limit and refused just beyond it. The grid is G 1 20 30 5 1 where a bound
// depends on it.
#include "support/limit_rows.h"

namespace {
const std::string kG1 = "G 1 20 30 5 1\n";

LimitRow own(const std::string& accepted, const std::string& refused, const std::string& message, int status = 2) {
  return {accepted, refused, status, message};
}
std::string times(const std::string& s, int n) {
  std::string t;
  for (int i = 0; i < n; ++i) t += s;
  return t;
}
// K 3 to K 6: the six entries with entry `at` (1 or 6) replaced.
std::string six(const char* k, const char* base, const char* value, int at) {
  std::string t = std::string(k) + " ";
  for (int e = 1; e <= 6; ++e) t += std::string(e == at ? value : base) + (e < 6 ? " " : "");
  return t;
}
LimitRow entries(const char* k, const char* base, const char* limit, const char* beyond) {
  return {six(k, base, limit, 1), six(k, base, beyond, 1), 2, std::string("Input error for ") + k + " in control"};
}
LimitRow lastEntry(const char* k, const char* base, const char* limit, const char* beyond) {
  return {six(k, base, limit, 6), six(k, base, beyond, 6), 2, std::string("Input error for ") + k + " in control"};
}
const std::string kW4 = "Input error for W 4 in control\n";
}  // namespace

TEST(DataSetsKWP, EachLimitIsAcceptedAndTheValueBeyondRefused) {
  expectLimits({
        own("K 2 0 0", "K 2 -1 0", "Input error for K 2 in control"),
        own("K 2 1 1", "K 2 2 1", "Input error for K 2 in control"),
        own("K 2 0 0", "K 2 0 -1", "Input error for K 2 in control"),
        own("K 2 0 1", "K 2 0 2", "Input error for K 2 in control"),
        entries("K 3", "0.5", "0", "-0.001"), entries("K 3", "0.5", "5", "5.001"),
        lastEntry("K 3", "0.5", "0", "-0.001"), lastEntry("K 3", "0.5", "5", "5.001"),
        entries("K 4", "1", "0", "-1"), entries("K 4", "1", "200", "201"),
        lastEntry("K 4", "1", "0", "-1"), lastEntry("K 4", "1", "200", "201"),
        entries("K 5", "0", "0", "-1"), entries("K 5", "0", "20", "21"),
        lastEntry("K 5", "0", "0", "-1"), lastEntry("K 5", "0", "20", "21"),
        entries("K 6", "0", "0", "-1"), entries("K 6", "0", "100", "101"),
        lastEntry("K 6", "0", "0", "-1"), lastEntry("K 6", "0", "100", "101"),
        own("W 1 1 1 1", "W 1 0.999 1 1", "Input error for W 1 in control"),
        own("W 1 1800 1 1", "W 1 1800.01 1 1", "Input error for W 1 in control"),
        own("W 1 50 1e-10 1", "W 1 50 9.9e-11 1", "Input error for W 1 in control"),
        own("W 1 50 1e15 1", "W 1 50 1.001e15 1", "Input error for W 1 in control"),
        own("W 1 50 1 10000", "W 1 50 1 10000.01", "Input error for W 1 in control"),
        own(kG1 + "W 2 2 1 20", kG1 + "W 2 2 0 20", "Input error for W 2 in control"),
        own(kG1 + "W 2 2 1 20", kG1 + "W 2 2 1 21", "Input error for W 2 in control"),
        own(kG1 + "W 2 2 5 5", kG1 + "W 2 2 5 4", "Input error for W 2 in control"),
        own(kG1 + times("W 4 1 0 1 1 30 1 5\n", 29), kG1 + times("W 4 1 0 1 1 30 1 5\n", 30),
            kW4 + "MWallNo = 30, too large\n"),
        own(kG1 + "W 4 1 0 1 1 30 1 5", kG1 + "W 4 0 0 1 1 30 1 5", kW4 + "MWall(1).dir = 0\n"),
        own(kG1 + "W 4 3 0 5 1 20 1 30", kG1 + "W 4 4 0 5 1 20 1 30", kW4 + "MWall(1).dir = 4\n"),
        own(kG1 + "W 4 1 -1 1 1 30 1 5", kG1 + "W 4 1 -2 1 1 30 1 5", kW4 + "MWall(1).posneg = -2\n"),
        own(kG1 + "W 4 1 1 1 1 30 1 5", kG1 + "W 4 1 2 1 1 30 1 5", kW4 + "MWall(1).posneg = 2\n"),
        own(kG1 + "W 4 1 0 1 1 30 1 5", kG1 + "W 4 1 0 1 0 30 1 5", kW4 + "A-MWall(1)\n"),
        own(kG1 + "W 4 1 0 1 7 7 1 5", kG1 + "W 4 1 0 1 8 7 1 5", kW4 + "A-MWall(1)\n"),
        own(kG1 + "W 4 1 0 1 1 30 1 5", kG1 + "W 4 1 0 1 1 30 0 5", kW4 + "A-MWall(1)\n"),
        own(kG1 + "W 4 1 0 1 1 30 5 5", kG1 + "W 4 1 0 1 1 30 6 5", kW4 + "A-MWall(1)\n"),
        own(kG1 + "W 4 1 0 1 1 30 1 5", kG1 + "W 4 1 0 0 1 30 1 5", kW4 + "A-MWall(1).node = 0\n"),
        own(kG1 + "W 4 1 0 20 1 30 1 5", kG1 + "W 4 1 0 21 1 30 1 5", kW4 + "A-MWall(1).node = 21\n"),
        own(kG1 + "W 4 2 0 30 1 20 1 5", kG1 + "W 4 2 0 31 1 20 1 5", kW4 + "A-MWall(1).node = 31\n"),
        own(kG1 + "W 4 3 0 5 1 20 1 30", kG1 + "W 4 3 0 6 1 20 1 30", kW4 + "A-MWall(1).node = 6\n"),
        own(kG1 + "W 4 1 0 1 1 30 1 5", kG1 + "W 4 1 0 1 1 31 1 5", kW4 + "B-MWall(1)\n"),
        own(kG1 + "W 4 1 0 1 1 30 1 5", kG1 + "W 4 1 0 1 1 30 1 6", kW4 + "B-MWall(1)\n"),
        own(kG1 + "W 4 2 0 1 1 20 1 5", kG1 + "W 4 2 0 1 1 21 1 5", kW4 + "B-MWall(1)\n"),
        own(kG1 + "W 4 2 0 1 1 20 1 5", kG1 + "W 4 2 0 1 1 20 1 6", kW4 + "B-MWall(1)\n"),
        own(kG1 + "W 4 3 0 1 1 20 1 30", kG1 + "W 4 3 0 1 1 21 1 30", kW4 + "B-MWall(1)\n"),
        own(kG1 + "W 4 3 0 1 1 20 1 30", kG1 + "W 4 3 0 1 1 20 1 31", kW4 + "B-MWall(1)\n"),
        own(kG1 + "W 6 0 0", kG1 + "W 6 -1 0", "Input error for W 6 in control: fixed point 1 outside the grid\n"),
        own(kG1 + "W 6 20 0", kG1 + "W 6 21 0", "Input error for W 6 in control: fixed point 1 outside the grid\n"),
        own(kG1 + "W 6 0 0", kG1 + "W 6 0 -1", "Input error for W 6 in control: fixed point 1 outside the grid\n"),
        own(kG1 + "W 6 0 30", kG1 + "W 6 0 31", "Input error for W 6 in control: fixed point 1 outside the grid\n"),
        own(times("W 7 0 1 1 0 0\n", 199), times("W 7 0 1 1 0 0\n", 200), "Error, too many W 7 data sets\n"),
        own(kG1 + "W 7 0 0 0 0 0", kG1 + "W 7 -1 0 0 0 0", "Integer error, for data set W 7, 1\n"),
        own(kG1 + "W 7 3 0 0 0 0", kG1 + "W 7 4 0 0 0 0", "Integer error, for data set W 7, 1\n"),
        own(kG1 + "W 7 0 0 0 0 0", kG1 + "W 7 0 -1 0 0 0", "Integer error, for data set W 7, 1\n"),
        own(kG1 + "W 7 0 20 0 0 0", kG1 + "W 7 0 21 0 0 0", "Integer error, for data set W 7, 1\n"),
        own(kG1 + "W 7 0 0 0 0 0", kG1 + "W 7 0 0 -1 0 0", "Integer error, for data set W 7, 1\n"),
        own(kG1 + "W 7 0 0 30 0 0", kG1 + "W 7 0 0 31 0 0", "Integer error, for data set W 7, 1\n"),
        own(kG1 + "P 3 1 0 1 0", kG1 + "P 3 0 0 1 0", "Input error for P 3 in control"),
        own(kG1 + "P 3 1 0 1 0", kG1 + "P 3 1 -1 1 0", "Input error for P 3 in control"),
        own(kG1 + "P 3 1 31 1 0", kG1 + "P 3 1 32 1 0", "Input error for P 3 in control"),
        own(kG1 + "P 3 1 0 1 0", kG1 + "P 3 1 0 0 0", "Input error for P 3 in control"),
        own(kG1 + "P 3 1 0 6 0", kG1 + "P 3 1 0 7 0", "Input error for P 3 in control"),
        own(kG1 + "P 3 1 0 1 0", kG1 + "P 3 1 0 1 -1", "Input error for P 3 in control"),
        own(kG1 + "P 3 1 0 1 1", kG1 + "P 3 1 0 1 2", "Input error for P 3 in control"),
        own("P 6 1 1", "P 6 1.001 1", "Input error for P 6 in control"),
        own("P 12 1 0", "P 12 0 0", "Error 1 reading P 12 data set\n"),
        own("P 12 1 50" + times(" 1", 50), "P 12 1 51", "Error 1 reading P 12 data set\n"),
        own("P 12 1 1 1", "P 12 1 1 0", "Error 2 reading P 12 data set\n"),
        own("P 12 1 1 10000", "P 12 1 1 10001", "Error 2 reading P 12 data set\n"),
        own("P 13 1 0", "P 13 0 0", "Error 1 reading P 13 data set\n"),
        own("P 13 1 50" + times(" 1", 50), "P 13 1 51", "Error 1 reading P 13 data set\n"),
        own("P 13 1 1 1", "P 13 1 1 0", "Error 2 reading P 13 data set\n"),
        own("P 13 1 1 10000", "P 13 1 1 10001", "Error 2 reading P 13 data set\n"),
        own("P 14 0", "P 14 -0.001", "Error reading P 14 data set\n"),
        own("P 15 0", "P 15 -1", "Error reading P 15 data set\n"),
        own(kG1 + "P 16 -1 21 1 31", kG1 + "P 16 -2 21 1 31", "Error reading P 16 data set\n"),
        own(kG1 + "P 16 -1 21 1 31", kG1 + "P 16 -1 22 1 31", "Error reading P 16 data set\n"),
        own(kG1 + "P 16 -1 21 1 31", kG1 + "P 16 -1 21 0 31", "Error reading P 16 data set\n"),
        own(kG1 + "P 16 -1 21 1 31", kG1 + "P 16 -1 21 1 32", "Error reading P 16 data set\n"),
        own("P 17 5 5 1 2 3 1", "P 17 6 5 1 2 3 1", "Error for reading P 17 data set no. 1\n\n", 157),
        own("P 17 2 3 1 5 5 1", "P 17 2 3 1 6 5 1", "Error for reading P 17 data set no. 1\n\n", 157),
        own("P 18 1 5", "P 18 0", "Error for P 18 data set in control file\n\n", 157),
        own(kG1 + "P 18 1 1", kG1 + "P 18 1 0", "Error for number 1 on P 18 data set in control file\n\n", 157),
        own(kG1 + "P 18 2 1 17", kG1 + "P 18 2 1 18", "Error for number 2 on P 18 data set in control file\n\n",
            157)});
}
