// How the discharge groups reach the source of the pressure correction: each
// distribution worked by hand on a channel of 6 x 3 columns of nine cells
// (1/9 m high, faces of 1/9 m2; group 1 in through the west edge, 1.5 m3/s,
// group 2 out through the east edge, 1 m3/s), with no face flux, so that a
// group cell's source is its share alone. L is the level of a cell (1 at
// the bed), r its row (0 south .. 2 north).
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "io/sidefiles.h"
#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"

namespace {

int rowOf(int c) { return static_cast<int>(std::floor(Cycenter[c])); }
int levelOf(int c) { return static_cast<int>(std::floor(Czcenter[c] * 9.0)) + 1; }
double zOf(int L) { return (L - 0.5) / 9.0; }
inline int groupCell(int f) { return Fcell1[f] != 0 ? Fcell1[f] : Fcell2[f]; }

// The state of the side files and the time series a case sets, put back.
struct Restore {
  ~Restore() {
    inflowj = inflowk = 0;
    FlagHaveReadCyclic = FlagHaveInitiatedCyclic = 0;
    for (int l = 0; l < MaxCyclicLevels; ++l) cyclicU[l] = 0.0;
    TimeInTime = TimeInHout = nullptr;
    QDinn = nullptr;
    TimeInNo = 0;
    MGSCpoint = nullptr;
    MGSGrid = 0;
  }
};

// Builds the channel (`before` ahead of the build, `after` ahead of the
// call), runs pressure_fluxes with no face flux and returns the source.
std::vector<double> groupSources(const std::function<void()>& before, const std::function<void()>& after) {
  before();
  EXPECT_TRUE(FlowGrid::box(6, 3).build());
  for (int f = 1; f <= NoSurfaces; ++f) Fflux[f] = 0.0;
  for (int c = 1; c <= NoCells; ++c) Cxvel[c] = Cyvel[c] = 0.0, CinvAp[c] = 1e-3;
  after();
  pressure_fluxes();
  return std::vector<double>(Csource, Csource + NoCells + 1);
}

// Sums of hand weights over the 27 faces of a group: three columns of levels 1..9.
double overGroup(const std::function<double(int)>& w) {
  double s = 0.0;
  for (int L = 1; L <= 9; ++L) s += 3.0 * w(L);
  return s;
}

}  // namespace

TEST(PressureGroups, DistributionOfEachGroupByHand) {
  const double A = 1.0 / 9.0;  // every group face
  const double weirR = 1000.0 * std::sqrt(9.81 * 3.0 / 3.0);  // A_g 3 m2, width 2 + 0.5 + 0.5 m
  const double ks = 0.03;
  auto shaped = [](int L) { return std::min(1.0, 2.0 * (1.0 - zOf(L))); };
  auto logw = [ks](int L) { return std::log(30.0 * zOf(L) / ks); };
  const double shapedSum = overGroup(shaped) * A, logSum = overGroup(logw) * A;
  auto uByLevel = [] {
    for (int c = 1; c <= NoCells; ++c) Cxvel[c] = 0.1 * levelOf(c);
  };
  auto uniformU = [](double u) {
    return [u] {
      for (int c = 1; c <= NoCells; ++c) Cxvel[c] = u;
    };
  };
  struct Case {
    const char* what;
    int group;
    std::function<void()> before, after;
    std::function<double(int L, int r)> share;
  };
  static double times[] = {0.0, 100.0}, hout[] = {2.0, 2.0};
  static double row[2][10] = {{0, 1.5, 1.0}, {0, 1.5, 1.0}};
  static double* rows[2] = {row[0], row[1]};
  const std::vector<Case> cases = {
      {"uniform outflow", 2, [] {}, [] {}, [](int, int) { return -1000.0 / 27.0; }},
      {"F 180 3, water leaving", 2, [] {}, [&] { FlagTFS = 1, FlagSurfDownstream = 3, uniformU(0.3)(); },
       [A](int, int) { return -1000.0 * A * 0.3; }},
      {"F 180 3, water entering", 2, [] {}, [&] { FlagTFS = 1, FlagSurfDownstream = 3, uniformU(-0.3)(); },
       [](int, int) { return 0.0; }},
      {"F 180 1, r above 3", 2, [] {}, [] { FlagTFS = 1, FlagSurfDownstream = 1; },
       [A](int, int) { return -A * 1000.0 * 1.316 / 3.0; }},
      {"F 180 1, r between", 2, [] {}, [] { FlagTFS = 1, FlagSurfDownstream = 1, DischargeStruct[2].discharge = 2000.0; },
       [A, weirR](int, int) { return -A * 2000.0 * std::pow(weirR / 2000.0, 0.25) / 3.0; }},
      {"F 180 1, r below 0.3", 2, [] {}, [] { FlagTFS = 1, FlagSurfDownstream = 1, DischargeStruct[2].discharge = 20000.0; },
       [A](int, int) { return -A * 20000.0 * 0.74 / 3.0; }},
      {"F 524 1", 1, [] {}, [] { FlagShapeInflow = 1; },
       [&](int L, int) { return shaped(L) * A * 1500.0 / shapedSum; }},
      {"F 202 1", 1, [] {}, [ks] { FlagLogInflow = 1, XksInflow = ks; },
       [&](int L, int) { return logw(L) * A * 1500.0 / logSum; }},
      {"cyclic profile", 1, [] { FlagCyclic = 2, FlagHaveReadCyclic = 1; },
       [] {
         for (int l = 0; l <= 10; ++l) cyclicU[l] = l;
       },
       [](int L, int) { return 1500.0 * L / 135.0; }},
      {"cyclic start", 1, [] { FlagCyclic = 1; },
       [&] {
         Iter = 2, uByLevel();
         for (int c = 1; c <= NoCells; ++c) Cxvel[c] += Cxcenter[c] > 3.0 ? 0.1 : 0.0;  // the outflow side faster
       },
       [](int L, int) { return 1500.0 * (0.1 * L + 0.05) / 14.85; }},
      {"cyclic start, not yet", 1, [] { FlagCyclic = 1; }, [&] { Iter = 1, uByLevel(); },
       [](int, int) { return 1500.0 / 27.0; }},
      {"inflow file", 1, [] { inflowj = 3, inflowk = 5; },
       [] {
         for (int J = 0; J < 6; ++J)
           for (int K = 0; K < 12; ++K) inflowu[J][K] = 1.0, inflowv[J][K] = 0.0;
       },
       [](int L, int r) { return r <= 1 && L <= 4 ? 1500.0 / 8.0 : 0.0; }},
      {"F 234 3, deep: the larger", 2, [] {}, [&] { FlagSurfPresDownstream = 3, uniformU(0.1)(); },
       [A](int, int) { return -1000.0 * A / 3.0; }},
      {"F 234 3, shallow: the smaller", 2, [] {},
       [&] { FlagSurfPresDownstream = 3, DischargeStruct[2].discharge = 30000.0, uniformU(0.1)(); },
       [A](int, int) { return -1000.0 * A * 0.1; }},
      {"F 234 4, above the level: the larger", 2, [] {}, [&] { FlagSurfPresDownstream = 4, uniformU(0.1)(); },
       [A](int, int) { return -1000.0 * A / 3.0; }},
      {"F 234 4, below the level: the smaller", 2, [] {},
       [&] {
         FlagSurfPresDownstream = 4, uniformU(0.1)();
         FlagDischargeTime = 1, TimeInNo = 2, TimeInTime = times, TimeInHout = hout, QDinn = rows, stimet = 50.0;
       },
       [A](int, int) { return -1000.0 * A * 0.1; }},
      {"cyclic outflow", 2, [] { FlagCyclic = -1; },
       [] {
         FlagHaveInitiatedCyclic = 1;
         for (int l = 0; l <= 10; ++l) cyclicU[l] = l;
       },
       [](int L, int) { return -1000.0 * L / 135.0; }},
      {"velocity-weighted outflow", 2, [] {}, [&] { DischargeStruct[2].update = 1, uByLevel(); },
       [](int L, int) { return -1000.0 * L / 135.0; }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    InProjectDir p;
    Restore restore;
    const std::vector<double> S = groupSources(k.before, k.after);
    const DischargeGroup& G = DischargeStruct[k.group];
    ASSERT_EQ(G.surfno, 27);
    for (int e = 0; e < G.surfno; ++e) {
      const int f = G.face[e], c = groupCell(f);
      ASSERT_NEAR(Farea[f], A, 1e-9);
      EXPECT_NEAR(S[c], k.share(levelOf(c), rowOf(c)), 1e-7) << "level " << levelOf(c) << " row " << rowOf(c);
    }
  }
}

// On a coarse level of the grid sequencing (here every cell hands over to
// the bottom cell of its column) the uniform shares go to the coarse cells:
// 1500 / 3 into each bottom cell of the west edge, 1000 / 3 out of the east.
TEST(PressureGroups, CoarseLevelTakesTheSharesOfItsCells) {
  InProjectDir p;
  Restore restore;
  std::vector<int> coarse;
  std::vector<int*> links;
  const std::vector<double> S = groupSources([] {}, [&] {
    coarse.assign(NoCells + 1, 0);
    links.assign(NoCells + 1, nullptr);
    for (int c = 1; c <= NoCells; ++c) coarse[c] = Bcellt[Cbed[c]], links[c] = &coarse[c];
    MGSCpoint = links.data();
    MGSGrid = 2;
  });
  for (int g : {1, 2}) {
    const DischargeGroup& G = DischargeStruct[g];
    for (int e = 0; e < G.surfno; ++e) {
      const int c = groupCell(G.face[e]);
      EXPECT_NEAR(S[c], Ccellb[c] == 0 ? (g == 1 ? 500.0 : -1000.0 / 3.0) : 0.0, 1e-9) << "group " << g;
    }
  }
}

// F 284 with a time step (2 s) and a moving surface: 1 adds to every cell of
// a column Barea relaxPressure F 33 / (n 9.81 dt) = 1 * 0.2 * 3 / (9 * 9.81
// * 2); 2 adds 1000 Barea^2 / ap = 1 to the top cell; 3 the same to every
// cell.
TEST(PressureGroups, SurfaceTermsOfF284OnTheDiagonal) {
  for (int flag : {0, 1, 2, 3}) {
    SCOPED_TRACE(flag);
    InProjectDir p;
    Restore restore;
    groupSources([] {}, [flag] {
      FlagTFS = 1, FlagTFS4 = flag, TimeStep = 2.0, relaxPressure = 0.2, TransInnerIter = 3;
      for (int c = 1; c <= NoCells; ++c) Cap[c] = 0.0;
    });
    for (int c = 1; c <= NoCells; ++c) {
      ASSERT_NEAR(Barea[Cbed[c]], 1.0, 1e-12);
      ASSERT_EQ(Bnocells[Cbed[c]], 9);
      const double expect = flag == 1   ? 0.6 / (9.0 * 9.81 * 2.0)
                            : flag == 2 ? (Ccellt[c] == 0 ? 1.0 : 0.0)
                            : flag == 3 ? 1.0
                                        : 0.0;
      EXPECT_NEAR(Cap[c], expect, 1e-12) << c;
    }
  }
}
