// Option rules of the momentum stage, each worked by hand: the place of the
// time term against the relaxation (F 74), the blending with the previous
// time step (F 291 first value, F 235 10), the block correction of K 5, the
// copy of F 171 3 and the continuity correction of F 413 2.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "flow/cellequations.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/startup.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

// The u field after one momentum stage (inner iteration i of outer iteration
// iter) on a channel of 4 x 2 columns; `before` runs ahead of the grid build
// (options that allocate), `after` after startup.
struct StageRun {
  std::vector<double> u, uP, invAp;
  double relaxVelocity = 0.0;
};
StageRun runChannel(int i, int iter, const std::function<void()>& before, const std::function<void()>& after) {
  InProjectDir p;
  before();
  EXPECT_TRUE(FlowGrid::box(4, 2).build());
  startup();
  after();
  Iter = iter;
  FlagInitializedInvAp = 0;
  momentumStage(i);
  StageRun r;
  r.u.assign(Cxvel, Cxvel + NoCells + 1);
  if (CxvelP) r.uP.assign(CxvelP, CxvelP + NoCells + 1);
  r.invAp.assign(CinvAp, CinvAp + NoCells + 1);
  r.relaxVelocity = relaxVelocity;
  return r;
}

double largestDifference(const std::vector<double>& a, const std::vector<double>& b) {
  double d = 0.0;
  for (size_t c = 1; c < a.size(); ++c) d = std::max(d, std::fabs(a[c] - b[c]));
  return d;
}

}  // namespace

// F 74: with 0 the transient coefficient a = 1000 V / dt is added before the
// division by the relaxation factor r, with 1 after it. The same neighbour
// sum A gives (A + a) / r and A / r + a: the two differ by a (1/r - 1).
TEST(MomentumOptions, TimeTermBeforeOrAfterTheRelaxation) {
  double ap[2] = {0.0, 0.0}, r = 0.0, a = 0.0;
  const int c = 5;
  for (int flag : {0, 1}) {
    const StageRun run = runChannel(1, 1, [] { TimeStep = 2.0; }, [flag] { TimeRelaxFlag = flag; });
    ap[flag] = 1.0 / run.invAp[c];
    r = run.relaxVelocity;
    InProjectDir p;
    TimeStep = 2.0;
    ASSERT_TRUE(FlowGrid::box(4, 2).build());
    a = 1000.0 * Cvol[c] / 2.0;
  }
  ASSERT_GT(r, 0.0);
  ASSERT_LT(r, 1.0);
  EXPECT_NEAR(ap[0] - ap[1], a * (1.0 / r - 1.0), 1e-9 * ap[0]);
}

// After the solve, in a transient run, with u = 1 now and 3 at the previous
// step: F 235 10 blends triangle cells by F 244 (0.25: 0.75 + 0.75 = 1.5);
// F 291 1 blends cells whose bed cell is over 1.1 times their bottom face
// half and half (2); F 291 2 does so 0.2 / 0.8 (2.6), in single-cell columns
// only. A ratio of 1.05 is left alone.
TEST(MomentumOptions, BlendingWithThePreviousStep) {
  struct Case {
    const char* what;
    int nz, damp1, trekant;
    double steep, mild, other;  // u after, in a column of ratio 2, 1.05, 1
  };
  const Case cases[] = {
      {"F 291 1", 2, 1, 0, 2.0, 1.0, 1.0},
      {"F 291 2, single-cell columns", 1, 2, 0, 2.6, 1.0, 1.0},
      {"F 291 2, columns of two cells", 2, 2, 0, 1.0, 1.0, 1.0},
      {"F 235 10 in the triangle cell", 2, 0, 10, 1.0, 1.0, 1.5},
      {"F 291 0", 1, 0, 0, 1.0, 1.0, 1.0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    InProjectDir p;
    TimeStep = 1.0;
    SmallGrid g;
    g.nx = 3, g.ny = 1, g.nz = k.nz;
    g.build();
    ASSERT_NE(Cxvel_old, nullptr);
    WCStart = 1, WCEnd = NoCells;
    const double ratio[3] = {2.0, 1.05, 1.0};
    for (int i = 0; i < 3; ++i) Barea[g.bedCell(2 + i, 2)] = ratio[i];
    for (int c = 1; c <= NoCells; ++c) {
      Faz[Cflateb[c]] = 1.0;
      Cxvel[c] = 1.0;
      Cxvel_old[c] = 3.0;
    }
    FlagDamp1 = k.damp1;
    FlagCorrTrekant = k.trekant;
    relaxTrekant1 = 0.25;
    const int triangle = g.cell(4, 2, k.nz);
    Ctrekant[triangle] = 1;
    dampWithPreviousStep(1);
    const double expect[3] = {k.steep, k.mild, k.other};
    for (int i = 0; i < 3; ++i)
      for (int z = 1; z <= k.nz; ++z) {
        const int c = g.cell(2 + i, 2, z);
        EXPECT_NEAR(Cxvel[c], c == triangle ? k.other : (i == 2 ? 1.0 : expect[i]), 1e-12) << "cell " << c;
      }
  }
}

// K 5: the block correction of u acts with 1 always, with 2 in the first
// inner iteration, with 3 in the first inner iteration of the first outer
// iteration only; an iteration where it acts gives another u than K 5 0.
TEST(MomentumOptions, BlockCorrectionChoice) {
  struct Case {
    int k5, i, iter;
    bool acts;
  };
  const Case cases[] = {{1, 2, 2, true},  {2, 1, 2, true},  {2, 2, 1, false},
                        {3, 1, 1, true},  {3, 1, 2, false}, {3, 2, 1, false}};
  for (const Case& k : cases) {
    SCOPED_TRACE(::testing::Message() << "K 5 " << k.k5 << ", inner " << k.i << ", outer " << k.iter);
    const StageRun plain = runChannel(k.i, k.iter, [] {}, [] {});
    const StageRun corrected = runChannel(k.i, k.iter, [] {}, [&k] { blockcorr[1] = k.k5; });
    if (k.acts) {
      EXPECT_GT(largestDifference(plain.u, corrected.u), 1e-9);
    } else {
      EXPECT_EQ(largestDifference(plain.u, corrected.u), 0.0);
    }
  }
}

// F 171 3 keeps the momentum solution before the pressure correction in
// CxvelP; F 171 2 leaves it alone.
TEST(MomentumOptions, MomentumSolutionKeptForTheSecondPass) {
  for (int flag : {2, 3}) {
    SCOPED_TRACE(flag);
    const StageRun run = runChannel(1, 1, [flag] { FlagSIMPLE = flag; }, [] {});
    ASSERT_FALSE(run.uP.empty());
    int moving = 0;
    for (size_t c = 1; c < run.u.size(); ++c) {
      EXPECT_EQ(run.uP[c], flag == 3 ? run.u[c] : 0.0) << c;
      moving += run.u[c] != 0.0;
    }
    EXPECT_GT(moving, 0);
  }
}

// F 413 2: the u equation of the first cross-sections (to F 452 3rd value)
// gets Cap (f - 1) u, f = min(Q1 / Q, 3), before the solve. With the inflow
// of group 1 raised twentyfold against the flux through the grid, u of
// the first section grows; cells beyond the section stay as without it.
TEST(MomentumOptions, ContinuityCorrectionOfTheFirstSection) {
  auto raised = [](int flag) {
    return [flag] {
      FlagCorrectContinuity = flag;
      surfaceDampSec = block[1].i1;
      DischargeStruct[1].discharge *= 20.0;
      for (int c = 1; c <= NoCells; ++c) Cxvel[c] = 0.2;  // f - 1 acts on u
    };
  };
  const StageRun plain = runChannel(1, 1, [] {}, raised(0));
  const StageRun corrected = runChannel(1, 1, [] {}, raised(2));
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::box(4, 2).build());
  double first = 0.0, firstPlain = 0.0;
  for (int c = 1; c <= NoCells; ++c)
    if (Ccellw[c] == 0) first += corrected.u[c], firstPlain += plain.u[c];
  EXPECT_GT(first, firstPlain);
}

// A slide computation limits the velocities of the sliding block (block 2,
// here the channel's own cells) to a cell length per time step: with the
// layer bottom at the bed (Bthixolev 0), L = min(Cidist, Cjdist) = 0.5 m and
// H = max(Ckdist of the top cell, its top above the layer bottom 1 m): v_max =
// 0.5 / 100 s in the columns whose bed cell carries a layer (Bcellth > 0);
// the other columns and F 171 4 are not limited.
TEST(MomentumOptions, SlideVelocitiesLimitedToACellPerStep) {
  for (int simple : {0, 4}) {
    SCOPED_TRACE(simple);
    std::vector<double> level;
    std::vector<int> limited;
    const StageRun run = runChannel(
        3, 1, [simple] { TimeStep = 100.0, FlagSIMPLE = simple; },
        [&] {
          NoBlocks = 2;
          block[2] = block[1];
          level.assign(NoBCells + 2, 0.0);
          Bthixolev = level.data();
          for (int b = 1; b <= NoBCells; ++b) Bcellth[b] = b % 2;
          FlagThixoIsComputing = 1;
        });
    FlagThixoIsComputing = 0;
    Bthixolev = nullptr;
    InProjectDir p;
    ASSERT_TRUE(FlowGrid::box(4, 2).build());
    double limitedMax = 0.0, freeMax = 0.0;
    for (int c = 1; c <= NoCells; ++c) {
      double& m = Cbed[c] % 2 ? limitedMax : freeMax;
      m = std::max(m, std::fabs(run.u[c]));
    }
    EXPECT_GT(freeMax, 0.01);
    if (simple == 4) {
      EXPECT_GT(limitedMax, 0.01);
    } else {
      EXPECT_LE(limitedMax, 0.005 + 1e-15);
    }
  }
}
