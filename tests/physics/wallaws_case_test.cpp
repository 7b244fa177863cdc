// The wall-law families and the modular and river laws on the real engine:
// the straight channel (20 x 5 columns of 1 m, 1 m deep, 4 cell layers, a
// fixed lid, 1 m3/s) with the k-epsilon model; and the combinations the
// reader refuses.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support/case_runner.h"
#include "support/validation.h"

namespace {

const std::string kChannel =
    "F 2 YW\nG 1 23 8 5 1\nF 314 1 1\nF 237 1 1.0\nF 237 2 1.0\nK 2 0 0\nK 1 3000\n";

struct ChannelRun {
  CaseDir dir;
  int status = -1;
  explicit ChannelRun(const std::string& extra) {
    dir.write("koosurf", straightChannelKoosurf());
    dir.write("control", kChannel + extra);
    status = dir.run();
  }
};

}  // namespace

TEST(WallLawCase, ChannelConvergesUnderEveryWallLaw) {
  for (const char* extra : {"F 15 5\n", "F 15 8\n", "F 15 9\n", "F 15 19\n", "F 305 1\n", "F 305 2\n",
                            "F 305 1\nF 15 5\n", "F 305 2\nF 15 8\n"}) {
    ChannelRun r(extra);
    const std::string log = r.dir.boogie();
    EXPECT_EQ(r.status, 1) << extra << log;
    EXPECT_NE(log.find("Solution converged\n"), std::string::npos) << extra << log;
    EXPECT_EQ(log.find("Error"), std::string::npos) << extra << log;
  }
}

// With a roughness of 5 cm every wall cell is fully rough (ks+ far above
// 90), where the transitional law is the rough log law of F 15 0.
TEST(WallLawCase, FullyRoughTransitionalLawGivesTheStandardField) {
  ChannelRun standard("F 16 0.05\n"), transitional("F 16 0.05\nF 15 8\n");
  ASSERT_EQ(standard.status, 1) << standard.dir.boogie();
  ASSERT_EQ(transitional.status, 1) << transitional.dir.boogie();
  const ResultField a = readResultFile(standard.dir.read("result.end"));
  const ResultField b = readResultFile(transitional.dir.read("result.end"));
  ASSERT_EQ(a.cells.size(), 300u);  // 20 x 5 columns of 3 cells
  ASSERT_EQ(b.cells.size(), a.cells.size());
  double scale[6] = {0, 0, 0, 0, 0, 0};
  for (const auto& [n, v] : a.cells)
    for (int i = 0; i < 6; ++i) scale[i] = std::max(scale[i], std::fabs(v[i]));
  for (const auto& [n, v] : a.cells) {
    const std::vector<double>& w = b.cells.at(n);
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(w[i], v[i], 1e-6 * scale[i]) << "cell " << n << " value " << i;
  }
  // A smooth bed (F 15 5) gives another field.
  ChannelRun smooth("F 16 0.05\nF 15 5\n");
  ASSERT_EQ(smooth.status, 1);
  const ResultField c = readResultFile(smooth.dir.read("result.end"));
  EXPECT_GT(std::fabs(c.cells.at(1)[0] - a.cells.at(1)[0]), 1e-3 * scale[0]);
}

// The modular laws have no u+ for F 15 9, 11 or 19 (in either order of the
// data sets): the reader refuses them.
TEST(WallLawCase, TheReaderRefusesCombinationsWithoutAWallLaw) {
  struct Row {
    const char* control;
    const char* message;
  };
  const Row rows[] = {
      {"F 305 1\nF 15 9\n",
       "Error in control file: F 305 1 works only with F 15 0, 5 or 8: the modular and river wall laws have no u+ "
       "for the wall laws of F 15 9\n"},
      {"F 305 2\nF 15 19\n",
       "Error in control file: F 305 2 works only with F 15 0, 5 or 8: the modular and river wall laws have no u+ "
       "for the wall laws of F 15 19\n"},
      {"F 305 1\nF 15 11\n", "F 305 1 works only with F 15 0, 5 or 8"},
  };
  for (const Row& r : rows) {
    ChannelRun run(r.control);
    EXPECT_EQ(run.status, 2) << r.control;
    EXPECT_NE(run.dir.boogie().find(r.message), std::string::npos) << r.control << run.dir.boogie();
    EXPECT_EQ(run.dir.boogie().find("Iter:"), std::string::npos) << r.control;
  }
}

// The layer variants 0 and 3 of F 289 pass the reader in a steady run as in
// a transient one (the layer then has no inertia); the channel's block grid
// has no rows for the sub-bed block they work on.
TEST(WallLawCase, LayerVariantsPassTheReaderSteadyOrTransient) {
  for (const char* control :
       {"F 236 2 0 0 0.8\nF 289 3 0 0 0\n", "F 236 2 0 0 0.8\n", "F 236 2 0 0 0.8\nF 289 3 0 0 0\nF 33 1.0 2\n"}) {
    ChannelRun run(control);
    EXPECT_EQ(run.status, 255) << control;  // the failed sub-bed block ends the build with -1
    EXPECT_NE(run.dir.boogie().find("Error in allocation of blocks: increase 2nd integer on G 1 data set\n"),
              std::string::npos)
        << control << run.dir.boogie();
    EXPECT_EQ(run.dir.boogie().find("needs a transient computation"), std::string::npos) << control;
  }
}

// A transient flow with a sliding water block (F 236 1) builds its velocity
// equations with the layer friction and damps the velocities of resting
// cells after each pressure correction (F 289 fourth value 4).
TEST(WallLawCase, ASlidingBlockRunsWithItsFrictionAndDamping) {
  ChannelRun r("F 236 1 0 0 0.8\nF 33 1.0 5\nF 289 0 0 0 4\nK 1 4\n");
  const std::string log = r.dir.boogie();
  EXPECT_EQ(r.status, 1) << log;
  EXPECT_EQ(log.find("not available"), std::string::npos) << log;
  EXPECT_NE(log.find("Iter: 4,"), std::string::npos) << log;
}
