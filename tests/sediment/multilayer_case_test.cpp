// Run letter S with the multi-layer bed on the real engine: the straight
// channel (20 x 5 columns of 1 m, 1 m deep) with three sizes, five layer
// slots and the layer-thickness bed change.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "sediment/balance.h"
#include "state/options.h"
#include "state/sedimentstate.h"
#include "support/case_runner.h"
#include "support/in_dir.h"

namespace {

const std::string kChannel = "G 1 23 8 11 3\nF 314 1 1\nF 237 1 8.0\nF 237 2 8.0\nK 1 3\n";
const std::string kLayers =
    "F 33 1.0 20\nF 37 3\nF 134 5\nF 255 5\nS 1 0.001 0.1\nS 2 0.0005 0.05\nS 3 0.0002 0.02\n"
    "N 0 1 0.3\nN 0 2 0.3\nN 0 3 0.4\nF 1 D\n";

// The rows of the balance tables of the log, split into their columns.
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

// Three steps run through the multi-layer fractions and bed change: every
// step writes its balance, and the change of each size's mass in the stacks
// equals the bed change the sediment step booked for it.
TEST(MultiLayerCase, ThreeSizesRunWholeStepsAndTheStacksHoldTheBookedChange) {
  for (const std::string extra : {"", "F 447 6\nF 412 2\nF 56 5 0.5\n", "F 385 5 2.0\nF 264 1\n"}) {
    SCOPED_TRACE(extra);
    CaseDir dir;
    dir.write("koosurf", straightChannelKoosurf());
    dir.write("control", "F 2 YSX\n" + kChannel + kLayers + extra);
    ASSERT_EQ(dir.run(), 0) << dir.boogie();
    const std::string log = dir.boogie();
    EXPECT_EQ(log.find("Error"), std::string::npos) << log;
    const auto rows = balanceRows(log);
    ASSERT_EQ(rows.size(), 12u) << log;
    for (const auto& r : rows) {
      ASSERT_EQ(r.size(), 10u);
      EXPECT_EQ(r[4], r[5]) << "size " << r[0];  // BedLayerCh and Bedchange
    }
    EXPECT_NE(rows.back()[4], "0");
  }
}

// The continuity report of the multi-layer bed names each size whose
// erosion the stacks did not hold.
TEST(MultiLayerCase, TheReportShowsTheErosionTheStacksDidNotHold) {
  InProjectDir d;
  FlagTSC = 3;
  lnumber = 3;
  Bvollefttot[1] = -2.5;
  Bvollefttot[2] = 1e-9;
  Bvollefttot[3] = -0.125;
  continuityReport(BedChangeSummary{});
  const std::string log = d.dir().boogie();
  EXPECT_NE(log.find("Bvollefttot[1] = -2.500000 kg\nBvollefttot[3] = -0.125000 kg\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("Bvollefttot[2]"), std::string::npos);
}
