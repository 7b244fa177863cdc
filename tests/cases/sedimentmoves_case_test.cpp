// Run letter S on the real engine with the routines that move sediment
// between columns: lateral slope transport, the smoothing of the bed change
// and of the layers, the slide methods 200..207 and the dredging schedule,
// on the straight channel (20 x 5 columns of 1 m, 1 m deep).
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "support/case_runner.h"

namespace {

const std::string kTwoLayers = "G 1 23 8 7 1\nF 314 1 1\nF 237 1 1.0\nF 237 2 1.0\nK 2 0 0\nF 16 0.05\n"
                               "F 37 2\nF 33 60 2\nK 1 20\nK 4 5 5 5 200 5 5\nF 4 0.5 50\nF 11 2.65 0.05\n"
                               "F 106 0.01\nS 1 0.0002 0.022\nN 0 1 1.0\n";
const std::string kLayers = "G 1 23 8 11 3\nF 314 1 1\nF 237 1 8.0\nF 237 2 8.0\nK 1 3\n"
                            "F 33 1.0 20\nF 37 3\nF 134 5\nF 255 5\nS 1 0.001 0.1\nS 2 0.0005 0.05\n"
                            "S 3 0.0002 0.02\nN 0 1 0.3\nN 0 2 0.3\nN 0 3 0.4\nF 1 D\n";

// A dredging window over the whole run in columns 6..8 x 3..5, 0.3 m down.
std::string dredging() {
  std::string s = "T 0 100000\nN 5 8 2 5\n";
  for (int i = 5; i <= 8; ++i)
    for (int j = 2; j <= 5; ++j) s += "K " + std::to_string(i) + " " + std::to_string(j) + " 0 0 -0.3\n";
  return s;
}

std::vector<std::vector<std::string>> balanceRows(const std::string& log) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(log);
  std::string line;
  int left = 0;
  while (std::getline(in, line)) {
    if (line.rfind("Size   Inflow", 0) == 0) {
      left = 4;
      continue;
    }
    if (left-- <= 0) continue;
    std::istringstream w(line);
    std::vector<std::string> cols;
    for (std::string c; w >> c;) cols.push_back(c);
    rows.push_back(cols);
  }
  return rows;
}

}  // namespace

// The two-layer bed: every option runs its steps to letter X.
TEST(SedimentMovesCase, TwoLayerOptionsRunToTheEnd) {
  for (const std::string extra : {"F 78 101 0.6\n", "F 78 103 0.6\n", "F 414 2\n", "F 56 200 0.3\n",
                                  "F 270 201 0.2 0.5\n", "F 56 207 0.3\n"}) {
    CaseDir dir;
    dir.write("koosurf", straightChannelKoosurf());
    dir.write("control", "F 2 YSX\n" + kTwoLayers + extra);
    EXPECT_EQ(dir.run(), 0) << extra << dir.boogie();
    const std::string log = dir.boogie();
    EXPECT_EQ(log.find("not available"), std::string::npos) << extra << log;
    EXPECT_NE(log.find("Have written con2res file"), std::string::npos) << extra;
  }
}

// Dredging in every step of a window: one bag_res line per step with the
// volume taken out.
TEST(SedimentMovesCase, DredgingWritesItsVolumesPerStep) {
  CaseDir dir;
  dir.write("koosurf", straightChannelKoosurf());
  dir.write("bagger", dredging());
  dir.write("control", "F 2 YSX\n" + kTwoLayers + "F 386 2 1\n");
  ASSERT_EQ(dir.run(), 0) << dir.boogie();
  std::istringstream in(dir.read("bag_res"));
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  ASSERT_EQ(lines.size(), 23u) << dir.read("bag_res");
  EXPECT_EQ(lines[2], "Have read 1 T data sets and 16 D/E/F/N/K data sets from bagger file");
  for (int n = 3; n < 23; ++n) {
    double t = 0.0, v = 0.0;
    ASSERT_EQ(std::sscanf(lines[n].c_str(), "%lf, %lf", &t, &v), 2);
    EXPECT_DOUBLE_EQ(t, 60.0 * (n - 2));
    EXPECT_LT(v, -1e-4) << lines[n];
  }
}

// The channel one column wide: grid lines 1..21 by 1..2.
std::string narrowChannel() {
  std::ostringstream s;
  for (int i = 1; i <= 21; ++i)
    for (int j = 1; j <= 2; ++j) s << i << " " << j << " " << i - 1 << ".0 " << j - 1 << ".0 0.0 1.0\n";
  return s.str();
}

// The multi-layer bed with the layer moves of every kind: the mass of each
// size in the stacks still changes by what the sediment step booked, so no
// move made or lost sediment. The methods along i alone (203..206) run on a
// channel one column wide and are refused on a wider one.
TEST(SedimentMovesCase, LayerMovesKeepTheBookedChangeOfEverySize) {
  struct Row {
    const char* extra;
    bool narrow;
  } rows[] = {{"F 451 2 0\n", false},        {"F 553 1 0.5\n", false},       {"F 78 101 0.6\n", false},
              {"F 56 202 0.05\n", false},    {"F 414 2\n", false},           {"F 56 203 0.05\n", true},
              {"F 56 204 0.05\n", true},     {"F 270 205 0.01 0.05\n", true}, {"F 270 206 0.01 0.05\n", true}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.extra);
    CaseDir dir;
    dir.write("koosurf", r.narrow ? narrowChannel() : straightChannelKoosurf());
    dir.write("control", "F 2 YSX\n" + kLayers + r.extra);
    const int status = dir.run();
    const std::string log = dir.boogie();
    ASSERT_EQ(status, 0) << log;
    EXPECT_EQ(log.find("not available"), std::string::npos) << log;
    const auto rowsOut = balanceRows(log);
    ASSERT_EQ(rowsOut.size(), 12u) << log;
    for (const auto& b : rowsOut) {
      ASSERT_EQ(b.size(), 10u);
      EXPECT_EQ(b[4], b[5]) << "size " << b[0];
    }
    if (!r.narrow) continue;
    CaseDir wide;
    wide.write("koosurf", straightChannelKoosurf());
    wide.write("control", "F 2 YSX\n" + kLayers + r.extra);
    EXPECT_EQ(wide.run(), 2) << wide.boogie();
    EXPECT_TRUE(wide.boogieHas("Error for F 56 203-206: is only coded for a 2D case")) << wide.boogie();
  }
}
