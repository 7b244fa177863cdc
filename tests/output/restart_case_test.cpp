// Result and bed restart files on the real engine: a grid generated from
// koosurf, written by M, read back by R and written again by M.
#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "support/case_runner.h"

namespace {

// Block 1 of 4 x 3 columns with a gently sloping bed under a 1 m water level.
std::string koosurf(int ni = 5, int nj = 4) {
  std::string t;
  char line[128];
  for (int i = 1; i <= ni; ++i)
    for (int j = 1; j <= nj; ++j) {
      std::snprintf(line, sizeof line, "%d %d %.1f %.1f %.2f 1.0\n", i, j, i - 1.0, j - 1.0, -0.01 * i);
      t += line;
    }
  return t;
}
const char* kSizes = "G 1 7 6 5 1\n";

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

// The tokens of lines from..end; numbers compared as doubles, within tol.
void expectSameNumbers(const std::string& a, const std::string& b, std::size_t from, double tol = 0.0) {
  auto la = splitLines(a), lb = splitLines(b);
  ASSERT_EQ(la.size(), lb.size());
  for (std::size_t n = from; n < la.size(); ++n) {
    std::istringstream ia(la[n]), ib(lb[n]);
    std::string ta, tb;
    while (ia >> ta) {
      ASSERT_TRUE(static_cast<bool>(ib >> tb)) << "line " << n;
      char* ea;
      char* eb;
      double da = std::strtod(ta.c_str(), &ea), db = std::strtod(tb.c_str(), &eb);
      if (*ea == 0 && *eb == 0)
        // The result file keeps nine significant digits ("%14.8e"), the bed
        // file six decimals.
        EXPECT_NEAR(da, db, std::max(tol, 6e-9 * std::fabs(da))) << "line " << n << ": " << la[n] << " / " << lb[n];
      else
        EXPECT_EQ(ta, tb) << "line " << n;
    }
    EXPECT_FALSE(static_cast<bool>(ib >> tb)) << "line " << n;
  }
}

// A flow field a restart must keep: tiny k and epsilon, small velocities.
std::string withFlowField(const std::string& written) {
  std::string out;
  char buf[256];
  for (const std::string& l : splitLines(written)) {
    int n = 0;
    if (l.rfind("C ", 0) == 0 && std::sscanf(l.c_str(), "C %d", &n) == 1) {
      std::snprintf(buf, sizeof buf, "C %d %.16e %.16e %.16e %.16e %.16e %.16e", n, 0.1 * n + 1e-9, -2.5e-12 * n, 3e-5,
                    3.3e-8 * n, 1e-7, 9810.123456789 + n);
      out += buf;
    } else if (l.rfind("F ", 0) == 0 && std::sscanf(l.c_str(), "F %d", &n) == 1) {
      std::snprintf(buf, sizeof buf, "F %d %.16e", n, 0.001 * n - 0.05);
      out += buf;
    } else {
      out += l;
    }
    out += "\n";
  }
  return out;
}

// Bed-cell values with more digits than the six decimals of the file:
// roughness, bed-form height, thickness and fractions of both layers.
std::string withBedValues(const std::string& written) {
  std::string out;
  int line = 0;
  for (const std::string& l : splitLines(written)) {
    std::istringstream in(l);
    std::vector<std::string> w;
    for (std::string t; in >> t;) w.push_back(t);
    if (line++ >= 2 && w.size() == 9) {
      w[2] = "0.0123456789012";
      w[4] = "1.5e-9";
      w[5] = "0.2500000001";
      w[6] = "1e-07";
      w[8] = "0.9999999";
      std::string r;
      for (const auto& t : w) r += t + " ";
      out += r;
    } else {
      out += l;
    }
    out += "\n";
  }
  return out;
}

TEST(RestartCase, MWritesResultAndBedFilesThatRReadsBackToTheSameValues) {
  CaseDir d;
  d.write("koosurf", koosurf());
  d.write("control", std::string(kSizes) + "F 2 YHUM\n");
  ASSERT_EQ(d.run(), 1) << d.boogie();
  ASSERT_TRUE(d.exists("result.end"));
  ASSERT_TRUE(d.exists("bedres.t"));
  auto bed = splitLines(d.read("bedres.t"));
  ASSERT_GE(bed.size(), 2u);
  EXPECT_EQ(bed[0], "Results from TOVAK 2.0, iter = 0");
  EXPECT_EQ(bed[1].rfind("K 7 6 5 1 12 ", 0), 0u) << bed[1];

  const std::string result = withFlowField(d.read("result.end"));
  const std::string bedres = withBedValues(d.read("bedres.t"));
  d.write("result", result);
  d.write("bedres", bedres);
  d.write("control", std::string(kSizes) + "F 2 YRM\n");
  ASSERT_EQ(d.run(), 1) << d.boogie();
  EXPECT_TRUE(d.boogieHas("Have read 36 cell values from result file")) << d.boogie();
  EXPECT_EQ(d.boogie().find("Error"), std::string::npos) << d.boogie();
  // From the U line on, the field written again is the field read; the bed
  // values to the six decimals of their fields.
  expectSameNumbers(result, d.read("result.end"), 4);
  expectSameNumbers(bedres, d.read("bedres.t"), 1, 5.0000001e-7);
}

TEST(RestartCase, BinaryResultReadsBackBitForBitAndRefusesAnotherGrid) {
  CaseDir d;
  d.write("koosurf", koosurf());
  d.write("control", std::string(kSizes) + "F 48 15\nF 2 YHUM\n");
  ASSERT_EQ(d.run(), 1) << d.boogie();
  const std::string first = d.read("resultb");
  ASSERT_FALSE(first.empty());
  d.write("control", std::string(kSizes) + "F 48 15\nF 2 YRM\n");
  ASSERT_EQ(d.run(), 1) << d.boogie();
  EXPECT_TRUE(d.boogieHas("Have read 36 cell values from resultb file")) << d.boogie();
  EXPECT_EQ(d.read("resultb"), first);

  // One row of columns less: other counts, the file is refused.
  d.write("koosurf", koosurf(5, 3));
  d.write("control", std::string(kSizes) + "F 48 15\nF 2 YR\n");
  EXPECT_EQ(d.run(), 252);
  // The file is raw doubles: its length does not fit the other grid.
  EXPECT_NE(d.boogie().find("bytes do not fit a grid of"), std::string::npos) << d.boogie();
}

TEST(RestartCase, RepeatedMWithP10WritesTheSeriesWithoutOverwriting) {
  CaseDir d;
  d.write("koosurf", koosurf());
  d.write("result.0001", "an earlier result\n");
  d.write("control", std::string(kSizes) + "P 10 1\nF 2 YHUMMM\n");
  ASSERT_EQ(d.run(), 1) << d.boogie();
  for (const char* n : {"result.0000", "result.0002", "result.0003", "bedres.0000", "bedres.0001", "bedres.0002"})
    EXPECT_TRUE(d.exists(n)) << n;
  EXPECT_FALSE(d.exists("result.0004"));
  EXPECT_FALSE(d.exists("result.end"));
  EXPECT_EQ(d.read("result.0001"), "an earlier result\n");
}

TEST(RestartCase, RWithoutAResultFileEndsTheRun) {
  CaseDir d;
  d.write("koosurf", koosurf());
  d.write("control", std::string(kSizes) + "F 2 YRM\n");
  EXPECT_EQ(d.run(), 253);
  EXPECT_TRUE(d.boogieHas("Have not used 'bedres' file")) << d.boogie();
  EXPECT_NE(d.boogie().find("Error: have not been able to open the file 'result' for reading"), std::string::npos);
  EXPECT_FALSE(d.exists("result.end"));
}

TEST(RestartCase, AResultFileThatCannotBeWrittenEndsTheRun) {
  CaseDir d;
  d.write("koosurf", koosurf());
  d.mkdir("result.end");
  d.write("control", std::string(kSizes) + "F 2 YM\n");
  EXPECT_EQ(d.run(), 253);
  EXPECT_TRUE(d.boogieHas("Error: can not open file 'result.end' for writing")) << d.boogie();
}

}  // namespace
