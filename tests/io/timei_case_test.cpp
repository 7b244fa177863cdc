// The time series `timei` on the real engine: a transient channel whose
// discharge follows the series, and the refusals of the file, which stop the
// run letters and end the run with a failure status.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "support/case_runner.h"

namespace {

int count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

}  // namespace

// The straight channel, transient with 10 s steps, its two groups taking
// 1 m3/s at 0 s and 2 m3/s at 100 s from two D records. With 'D' debugging
// the series is echoed, and every iteration (one per time step) reports the
// group discharges interpolated at its time: 1000 + 10 t l/s.
TEST(TimeiCase, TransientChannelFollowsTheDischargeSeries) {
  CaseDir dir;
  dir.write("koosurf", straightChannelKoosurf());
  dir.write("control",
            "F 2 YW\nG 1 23 8 5 1\nF 314 1 1\nF 237 1 1.0\nF 237 2 1.0\nK 2 0 0\nF 24 6\n"
            "F 1 D\nF 33 10 3\nK 1 6\n");
  dir.write("timei", "D 0 1.0 1.0 0 0 0 0 0 0 0\nD 100 2.0 2.0 0 0 0 0 0 0 0\n");
  const int status = dir.run();
  const std::string log = dir.boogie();
  ASSERT_EQ(status, 1) << log;
  EXPECT_EQ(log.find("Error"), std::string::npos) << log;
  EXPECT_EQ(dir.read("timei.out"),
            "Time q1 q2 q3 h1 h2 c0\n"
            "0.000000 1.000000 1.000000 0.000000 0.000000 \n"
            "100.000000 2.000000 2.000000 0.000000 0.000000 \n");

  // The time of each iteration and the discharge of each group after it.
  std::vector<double> times, q1, q2;
  std::istringstream in(log);
  std::string line;
  while (std::getline(in, line)) {
    double v = 0;
    int g = 0, faces = 0;
    if (std::sscanf(line.c_str(), "Time: %lf seconds", &v) == 1) times.push_back(v);
    if (std::sscanf(line.c_str(), "Water discharge (l/s), group %d: %lf, surfno: %d", &g, &v, &faces) == 3) {
      EXPECT_GT(faces, 0) << line;
      (g == 1 ? q1 : q2).push_back(v);
    }
  }
  ASSERT_EQ(times.size(), 6u) << log;
  ASSERT_EQ(q1.size(), 6u) << log;
  ASSERT_EQ(q2.size(), 6u) << log;
  for (std::size_t k = 0; k < times.size(); ++k) {
    EXPECT_DOUBLE_EQ(times[k], 10.0 * (k + 1));
    EXPECT_NEAR(q1[k], 1000.0 + 10.0 * times[k], 1e-6) << times[k];
    EXPECT_NEAR(q2[k], 1000.0 + 10.0 * times[k], 1e-6) << times[k];
  }
}

// A refused file ends the run control at the first letter that reads it: the
// second G never comes, and the run ends with status 2. A good file lets both
// letters run and the run end normally.
TEST(TimeiCase, RefusalsEndTheRunWithAFailureStatus) {
  struct Case {
    const char* extra;  // control lines
    std::string timei;
    int code;           // 0: accepted
  };
  std::string twentyOne;
  for (int k = 1; k <= 21; ++k) twentyOne += "O " + std::to_string(k) + " 1\nu 1\n";
  const Case cases[] = {
      {"", "H 0 1 1\nH 10 1 1\n", 0},
      {"", "O 10 26\n", 1},
      {"", "O -1 1\nu 1\n", 2},
      {"", "O 10 1\nu 1\nO 5 1\nu 1\n", 3},
      {"", "O 10 1\nu -1\n", 4},
      {"", "O 10 1\nj 1\n", 5},
      {"", "O 10 1\nc 1 9\n", 6},
      {"", twentyOne, 7},
      {"", "I 0 1 1\n", 8},
      {"", "H 10 1 1\nH 0 1 1\n", 9},
      {"", "N 0 1 1 1\n", 10},
      {"F 81 2\n", "H 0 1 1\nH 1 1 1\nH 2 1 1\n", 11},
      {"", "J 0 1 1 1 1 -1\n", 12},
      {"", "D 0 1 1\n", 14},
      {"", "H 0 1 1\nD 5 1 1 1 1 1 1 1 1 1\n", 15},
      {"", "O 10 1\nq 1 0\n", 17},
      {"", "H 0 1 1\nQ 0 1 1\n", 30},
      {"", "A\n", 44},
      {"", "Q\n", 63},
      {"", "C\n", 64},
      {"", "H 0 1\n", 65},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.timei);
    CaseDir dir;
    dir.write("control", std::string("F 2 GG\nF 33 10 1\n") + c.extra);
    dir.write("timei", c.timei);
    const int status = dir.run();
    const std::string log = dir.boogie();
    if (c.code == 0) {
      EXPECT_EQ(status, 1) << log;
      EXPECT_EQ(log.find("Error"), std::string::npos) << log;
      continue;
    }
    EXPECT_EQ(status, 2) << log;
    EXPECT_EQ(count(log, "Error in timei file: code " + std::to_string(c.code) + "\n"), 1) << log;
    EXPECT_EQ(count(log, "Error in timei file"), 1) << log;
  }
}

// A steady run does not read the series at all.
TEST(TimeiCase, SteadyRunDoesNotReadTheSeries) {
  CaseDir dir;
  dir.write("control", "F 2 G\n");
  dir.write("timei", "H 10 1 1\nH 0 1 1\n");
  EXPECT_EQ(dir.run(), 1) << dir.boogie();
  EXPECT_EQ(dir.boogie().find("timei"), std::string::npos) << dir.boogie();
}
