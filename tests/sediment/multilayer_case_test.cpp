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
    const auto rows = sedimentBalanceRows(log);
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

// The multi-layer step on a frozen flow gives the same concentrations, bed
// data and log on one thread (F 206 0) and on four (F 206 4): nothing but the
// two thread lines of the log differ.
TEST(MultiLayerCase, FourThreadsGiveTheSameBedAsOne) {
  const std::string grid = "G 1 23 8 11 3\nF 314 1 1\nF 237 1 1.0\nF 237 2 1.0\nK 2 0 0\nF 16 0.05\n";
  CaseDir flow;
  flow.write("koosurf", straightChannelKoosurf());
  flow.write("control", "F 2 YW\n" + grid + "K 1 3000\n");
  ASSERT_EQ(flow.run(), 1) << flow.boogie();
  auto withoutThreadLines = [](const std::string& log) {
    std::istringstream in(log);
    std::string out, line;
    while (std::getline(in, line))
      if (line.find("threads") == std::string::npos) out += line + "\n";
    return out;
  };
  std::string files[2][3];
  for (int t : {0, 1}) {
    CaseDir dir;
    dir.write("koosurf", straightChannelKoosurf());
    dir.write("result", flow.read("result.end"));
    dir.write("control", "F 2 YRSM\n" + grid +
                             "K 1 5\nF 33 10.0 0\nF 37 3\nF 134 5\nF 255 5\nS 1 0.001 0.1\nS 2 0.0005 0.05\n"
                             "S 3 0.0002 0.02\nN 0 1 0.3\nN 0 2 0.3\nN 0 3 0.4\nF 10 E\nF 1 D\n"
                             "F 329 1 0 0 0 0 0 0 0 0 1\nF 206 " + std::to_string(4 * t) + "\n");
    ASSERT_EQ(dir.run(), 1) << dir.boogie();
    files[t][0] = dir.read("con2res.new");
    files[t][1] = dir.read("beddata.sim");
    files[t][2] = withoutThreadLines(dir.boogie());
    ASSERT_NE(files[t][2].find("Time: 50.000000 seconds"), std::string::npos) << dir.boogie();
  }
  EXPECT_EQ(files[0][0], files[1][0]);
  EXPECT_EQ(files[0][1], files[1][1]);
  EXPECT_EQ(files[0][2], files[1][2]);
}
