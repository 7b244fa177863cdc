// The time-series log on the real engine: a transient channel with a print
// record in timei gets one timeo line per printed time step.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "support/case_runner.h"

// 10 s steps, eight of them; the print record starts at 15 s with the
// velocity and the pressure of cell 5; F 53 prints every third step (and the
// second): steps 2, 3 and 6, at 20, 30 and 60 s.
TEST(TimeoCase, APrintRecordGetsItsLinesAtTheSetInterval) {
  CaseDir dir;
  dir.write("koosurf", straightChannelKoosurf());
  dir.write("control",
            "F 2 YW\nG 1 23 8 5 1\nF 314 1 1\nF 237 1 1.0\nF 237 2 1.0\nK 2 0 0\nF 24 6\n"
            "F 33 10 3\nK 1 8\nF 53 100 100 1 3\n");
  dir.write("timei", "O 15 2 u 5 p 5\n");
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  ASSERT_TRUE(dir.exists("timeo")) << dir.boogie();
  std::vector<double> times;
  std::istringstream in(dir.read("timeo"));
  std::string line;
  while (std::getline(in, line)) {
    double t, u, p;
    ASSERT_EQ(std::sscanf(line.c_str(), "%lf %lf %lf", &t, &u, &p), 3) << line;
    EXPECT_GT(u, 0.0) << line;  // the flow runs east
    times.push_back(t);
  }
  EXPECT_EQ(times, (std::vector<double>{20.0, 30.0, 60.0}));
}
