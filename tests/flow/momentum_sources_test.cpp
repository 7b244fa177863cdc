// The near-bed drags, vegetation and turbidity current in the momentum stage
// of the main flow driver: the same fields whether the assembly runs on the
// whole range or in chunks, although the roughness-layer drag writes whole
// columns that reach into the next chunk.
#include <gtest/gtest.h>

#include <omp.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <vector>

#include "flow/cellequations.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"
#include "state/startup.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"

namespace {

// u after n inner iterations of the momentum stage on a channel of 8 x 4
// columns (inflow west, outflow east).
std::vector<double> runChannel(int n, const std::function<void()>& options) {
  InProjectDir p;
  FlagDragDLL = 1;  // the vegetation arrays are allocated with the grid
  EXPECT_TRUE(FlowGrid::box(8, 4).build());
  FlagDragDLL = 0;
  options();
  startup();
  computeChunkSizes();
  Iter = 1;
  FlagInitializedInvAp = 0;
  for (int i = 1; i <= n; ++i) momentumStage(i);
  return std::vector<double>(Cxvel, Cxvel + NoCells + 1);
}

std::function<void()> sources(int chunks, bool drags) {
  return [chunks, drags]() {
    NoProcessesSolver = chunks;
    FlagOpenMP[8] = 1;  // the solver on the main thread: only the assembly is split
    XksWall = 0.6;      // a roughness layer over most of the 1 m depth
    if (!drags) return;
    FlagDrevan = 1;
    ParamDrevan = 5.0;
    FlagDragDune = 1;
    for (int b = 1; b <= NoBCells; ++b) Bedformheight[b] = 0.2;
    SourDens = 0.01;
    for (int c = 1; c <= NoCells; ++c) Cconc[0][c] = 0.001;
    FlagDragDLL = 1;
    std::ofstream("vegdata") << "V 5 3 0.0 0.3 0.6 0.9 2 2 2 2\n";
  };
}

}  // namespace

TEST(MomentumStageSources, SameFieldsWithAndWithoutChunks) {
  const std::vector<double> plain = runChannel(4, sources(0, false));
  const std::vector<double> serial = runChannel(4, sources(0, true));
  // The drags act.
  double change = 0;
  for (size_t c = 1; c < serial.size(); ++c) change = std::fmax(change, std::fabs(serial[c] - plain[c]));
  EXPECT_GT(change, 1e-4);
  for (int threads : {1, 4}) {
    omp_set_num_threads(threads);
    const std::vector<double> parallel = runChannel(4, sources(4, true));
    ASSERT_EQ(parallel.size(), serial.size());
    for (size_t c = 1; c < serial.size(); ++c)
      EXPECT_NEAR(parallel[c], serial[c], 1e-12 * (1.0 + std::fabs(serial[c]))) << threads << " cell " << c;
  }
  omp_set_num_threads(1);
}
