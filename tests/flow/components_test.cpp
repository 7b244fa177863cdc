// Transport of the water-quality components through a frozen flow (run
// letter C) and the component pass of the hydrostatic driver, on a box
// channel generated in-process with a uniform flow set by hand: every face
// between two columns carries its share of the discharge eastwards, every
// other face nothing.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "flow/components.h"
#include "flow/components_hooks.h"
#include "flow/flow.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"

namespace {

// A channel of nx x ny columns of 1 m, 1 m deep, Q m3/s entering through
// group 1 (west) and leaving through group 2 (east), F 24 6 with the
// smallest eddy viscosity, so that convection dominates.
struct Channel {
  InProjectDir dir;
  ComponentDriverCalls saved = componentDriverCalls;
  double U = 0.0;  // m/s
  bool ok = false;

  Channel(int nx, int ny, double Q, int components, double dt) {
    NoComponents = components;
    TimeStep = dt;
    TurbulenceModel = 6;
    TChoriz = TCvert = MinGamma;
    FlowGrid g = FlowGrid::box(nx, ny, 1.0);
    g.inflow = g.outflow = Q;
    ok = g.build() && Ccomp && (dt <= 1e-8 || Ccomp_old);
    if (!ok) return;
    U = Q / ny;
    FlagInitialized = 1;  // the flow is given: no start fluxes
    for (int f = 1; f <= NoSurfaces; ++f) {
      Fflux[f] = 0.0;
      const int c1 = Fcell1[f], c2 = Fcell2[f];
      if (c1 < 1 || c2 < 1) continue;
      if (Ftype1[f] == 2) Fflux[f] = 1000.0 * U * Farea[f];
      if (Ftype1[f] == 4) Fflux[f] = -1000.0 * U * Farea[f];
    }
    // The groups carry no component of their own unless a test says so.
    for (DischargeGroup& G : DischargeStruct) G.component = 99;
  }
  ~Channel() { componentDriverCalls = saved; }

  // Concentration v of component k entering through group 1 (an M data set).
  static void inflowOf(int k, double v) {
    CompInflow[1].order[k] = CompInflowNo++;
    CompInflow[1].value[k] = v;
  }

  // Distance of the centre of cell c from the inlet.
  static double fromInlet(int c) {
    double x0 = 1e30;
    for (int d = 1; d <= NoCells; ++d) x0 = std::min(x0, Cxcenter[d] - 0.5);
    return Cxcenter[c] - x0;
  }
};

std::string logText() {
  std::FILE* f = std::fopen("boogie", "r");
  if (!f) return "";
  std::string s;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
  std::fclose(f);
  return s;
}

// What the recording hooks saw.
struct Seen {
  std::vector<int> sourceEquations;
  int solverCalls = 0;
  double worstDiagonal = 0.0;      // largest |Cap - expected| at a source call
  double worstTimeSource = 0.0;    // largest |Csource - expected| at a source call
  bool cfAtComponent = true;       // Cf points at the component at each solver call
  bool cfOldAtComponent = true;    // Cf_old points at its old row (transient pass of the hydrostatic driver)
  bool checkCfOld = false;
  int first = 1, last = 0;         // cells compared
};
Seen seen;

// The rule the hooks check: before the sources of a component, Cap of each
// cell is the sum of its neighbour coefficients plus 1000 Cvol / TimeStep when
// transient, and Csource the old value times that term (0 when steady).
void recordSource() {
  const int n = Equation - 8;
  seen.sourceEquations.push_back(Equation);
  const bool transient = TimeStep > 1e-8;
  for (int c = seen.first; c <= seen.last; ++c) {
    const double a = transient ? 1000.0 * Cvol[c] / TimeStep : 0.0;
    const double diag = Cae[c] + Caw[c] + Can[c] + Cas[c] + Cat[c] + Cab[c] + a;
    const double src = transient ? a * Ccomp_old[n][c] : 0.0;
    seen.worstDiagonal = std::max(seen.worstDiagonal, std::fabs(Cap[c] - diag));
    seen.worstTimeSource = std::max(seen.worstTimeSource, std::fabs(Csource[c] - src));
  }
  if (seen.checkCfOld && Cf_old != Ccomp_old[n]) seen.cfOldAtComponent = false;
  // What a source would add: an inflow term and a fixed value in every cell
  // but the first, which must not reach the next component or pass.
  for (int c = 2; c <= NoCells; ++c) {
    Cap[c] += 1e30 + 250.0;
    Csource[c] += 1e30 * 7.0;
  }
}
void countSolver() {
  ++seen.solverCalls;
  if (Equation < 8 || Equation - 8 >= NoComponents || Cf != Ccomp[Equation - 8]) seen.cfAtComponent = false;
}
void useRecorders(int first, int last) {
  seen = Seen{};
  seen.first = first;
  seen.last = last;
  componentDriverCalls.compSource = recordSource;
  componentDriverCalls.solver = countSolver;
}

}  // namespace

// Steady: one component enters with an M data set, the other as the group's
// own component; after enough passes both fill the channel with their inflow
// concentration (upwind transport of a constant conserves it), also in the
// cells of the outlet. stimet stays at 0.
TEST(Components, SteadyInflowConcentrationsReachTheOutletUnchanged) {
  Channel ch(8, 2, 0.5, 2, 0.0);
  ASSERT_TRUE(ch.ok);
  Channel::inflowOf(0, 5.0);
  DischargeStruct[1].component = 1;
  DischargeStruct[1].value = 2.0;
  TransInnerIter = 200;
  Components();
  EXPECT_EQ(stimet, 0.0);
  for (int c = 1; c <= NoCells; ++c) {
    ASSERT_NEAR(Ccomp[0][c], 5.0, 1e-6) << "cell " << c;
    ASSERT_NEAR(Ccomp[1][c], 2.0, 1e-6) << "cell " << c;
  }
  EXPECT_NE(logText().find("Started components\n"), std::string::npos);
}

// A first-order decay (type 122 on component 0, with the component a1 = 1
// held at 1, at p0 = -432 per day = -0.005 per second) in a flow of
// 0.2 m/s: at steady state the concentration falls as exp(-0.005 x / 0.2)
// along the channel (the upwind cells of 1 m lag the continuous profile by
// less than 1.3 %). Transient passes of 2 s until the profile stands.
TEST(Components, FirstOrderDecayGivesTheExponentialProfile) {
  Channel ch(16, 1, 0.2, 2, 2.0);
  ASSERT_TRUE(ch.ok);
  Channel::inflowOf(0, 10.0);
  Channel::inflowOf(1, 1.0);
  for (int c = 1; c <= NoCells; ++c) Ccomp[1][c] = 1.0;
  QTerms[0] = ReactionTerm{};
  QTerms[0].component = 0;
  QTerms[0].type = 122;
  QTerms[0].arg[0] = 1;
  QTerms[0].parameter[0] = -432.0;
  NoTerms = 1;
  iterGlobalMax = 300;  // 600 s, over seven times the travel time of 80 s
  TransInnerIter = 1;
  Components();
  const double lambda = 432.0 * 1.182033e-5;
  for (int c = 1; c <= NoCells; ++c) {
    const double expected = 10.0 * std::exp(-lambda * Channel::fromInlet(c) / ch.U);
    ASSERT_NEAR(Ccomp[0][c], expected, 0.02 * expected) << "cell " << c << " x " << Channel::fromInlet(c);
    ASSERT_NEAR(Ccomp[1][c], 1.0, 1e-9);
  }
  EXPECT_NEAR(stimet, 600.0, 1e-9);
}

// Before the sources of every component of every pass the diagonal is the
// neighbour sum (plus the time term) again, whatever the sources of the
// component before added to it, and Csource holds only the time term.
TEST(Components, TheDiagonalIsRebuiltBeforeEveryComponentAndPass) {
  struct Case {
    const char* name;
    double dt;
    int steps, inner;
  };
  const Case cases[] = {{"steady", 0.0, 5, 3}, {"transient", 4.0, 3, 2}};
  for (const Case& k : cases) {
    Channel ch(6, 2, 0.5, 3, k.dt);
    ASSERT_TRUE(ch.ok) << k.name;
    for (int n = 0; n < 3; ++n)
      for (int c = 1; c <= NoCells; ++c) Ccomp[n][c] = 1.0 + n;
    iterGlobalMax = k.steps;
    TransInnerIter = k.inner;
    useRecorders(1, NoCells);
    Components();
    const int passes = k.dt > 0 ? k.steps : 1;
    ASSERT_EQ(seen.sourceEquations.size(), static_cast<size_t>(3 * passes * k.inner)) << k.name;
    EXPECT_EQ(seen.worstDiagonal, 0.0) << k.name;
    EXPECT_EQ(seen.worstTimeSource, 0.0) << k.name;
  }
}

// Passes: one outer pass when steady, K 1 time steps when transient, each
// with F 33 inner passes of every component, two solver calls each on the
// component's own field; stimet advances one step per time step.
TEST(Components, PassesAndSolverCallsByTheTimeMode) {
  struct Case {
    const char* name;
    double dt;
    int steps, inner, components;
    int solverCalls;
    double stimetAfter;
    const char* message;
  };
  const Case cases[] = {
      {"steady", 0.0, 7, 3, 2, 1 * 3 * 2 * 2, 0.0, "Loop0 0 2 1"},
      {"transient", 5.0, 4, 2, 2, 4 * 2 * 2 * 2, 20.0, "Loop0 3 1 1"},
      {"no components", 5.0, 4, 2, 0, 0, 20.0, ""},
  };
  for (const Case& k : cases) {
    Channel ch(4, 1, 0.5, k.components, k.dt);
    ASSERT_TRUE(ch.ok || k.components == 0) << k.name;
    iterGlobalMax = k.steps;
    TransInnerIter = k.inner;
    std::memset(mc_message, 0, sizeof mc_message);
    useRecorders(1, 0);
    stimet = 123.0;
    Components();
    EXPECT_EQ(seen.solverCalls, k.solverCalls) << k.name;
    EXPECT_TRUE(seen.cfAtComponent) << k.name;
    EXPECT_NEAR(stimet, k.stimetAfter, 1e-12) << k.name;
    EXPECT_STREQ(mc_message, k.message) << k.name;
    EXPECT_NE(logText().find("Started components\n"), std::string::npos) << k.name;
    // Without components the channel gave no flow: the start fluxes were
    // computed, and the flow counts as initialised.
    EXPECT_EQ(FlagInitialized, 1) << k.name;
  }
}

// A transient computation starts from the concentrations present (a restart
// or an initial distribution) instead of zeros: with no flow and no source a
// field of 3 stays 3 through its time steps.
TEST(Components, ATransientComputationKeepsTheFieldItStartsFrom) {
  Channel ch(4, 1, 0.5, 1, 10.0);
  ASSERT_TRUE(ch.ok);
  for (int f = 1; f <= NoSurfaces; ++f) Fflux[f] = 0.0;
  for (int c = 1; c <= NoCells; ++c) Ccomp[0][c] = 3.0;
  iterGlobalMax = 3;
  Components();
  for (int c = 1; c <= NoCells; ++c) ASSERT_NEAR(Ccomp[0][c], 3.0, 1e-12) << "cell " << c;
}

// A transient computation with print records empties timeo; one that cannot
// create it ends with status -3 and says why.
TEST(Components, TimeoIsEmptiedAndAnUncreatableOneEndsTheRun) {
  {
    Channel ch(4, 1, 0.5, 1, 10.0);
    ASSERT_TRUE(ch.ok);
    std::FILE* f = std::fopen("timeo", "w");
    ASSERT_NE(f, nullptr);
    std::fputs("old lines\n", f);
    std::fclose(f);
    TimePrintNo = 1;
    iterGlobalMax = 1;
    Components();
    struct stat st {};
    ASSERT_EQ(stat("timeo", &st), 0);
    EXPECT_EQ(st.st_size, 0);
  }
  {
    Channel ch(4, 1, 0.5, 1, 10.0);
    ASSERT_TRUE(ch.ok);
    ASSERT_EQ(mkdir("timeo", 0755), 0);
    TimePrintNo = 1;
    iterGlobalMax = 1;
    EXPECT_EXIT(Components(), ::testing::ExitedWithCode(253), "");
    EXPECT_NE(logText().find("Error: can not open file 'timeo' for writing\n"), std::string::npos) << logText();
  }
}

// The hydrostatic driver's pass: the fluxes and coefficients of the flow of
// the iteration, then per component a diagonal of neighbour sums (plus the
// time term) on the work range, the old row at Cf_old, two solver calls on
// the component; Cf and Cf_old are given back.
TEST(SimpleComponents, OnePassOfEveryComponentFromCleanDiagonals) {
  for (double dt : {0.0, 3.0}) {
    Channel ch(6, 2, 0.5, 3, dt);
    ASSERT_TRUE(ch.ok);
    for (int c = 1; c <= NoCells; ++c) Cxvel[c] = ch.U;
    for (int n = 0; n < 3; ++n)
      for (int c = 1; c <= NoCells; ++c) {
        Ccomp[n][c] = 1.0 + n;
        if (Ccomp_old) Ccomp_old[n][c] = 2.0 * n;
      }
    WCStart = 3;
    WCEnd = NoCells - 2;
    useRecorders(WCStart, WCEnd);
    seen.checkCfOld = dt > 0;
    double entry[2];
    double* const savedCf = Cf;
    double* const savedCfOld = Cf_old;
    Cf = &entry[0];
    Cf_old = &entry[1];
    SimpleComponents();
    EXPECT_EQ(seen.sourceEquations, (std::vector<int>{8, 9, 10})) << dt;
    EXPECT_EQ(seen.solverCalls, 6) << dt;
    EXPECT_EQ(seen.worstDiagonal, 0.0) << dt;
    EXPECT_EQ(seen.worstTimeSource, 0.0) << dt;
    EXPECT_TRUE(seen.cfAtComponent) << dt;
    EXPECT_TRUE(seen.cfOldAtComponent) << dt;
    EXPECT_EQ(Cf, &entry[0]);
    EXPECT_EQ(Cf_old, &entry[1]);
    Cf = savedCf;
    Cf_old = savedCfOld;
  }
}
