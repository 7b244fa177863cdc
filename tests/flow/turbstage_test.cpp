// The k-epsilon and component stages of the main flow driver on small box
// channels (inflow west, outflow east) with a sheared velocity field set by
// hand: the lower limits of k and epsilon, the relaxation of both equations
// and the cells the wall laws fix, the models without production and
// dissipation, the residuals in chunks and on the whole range, the
// stratification exponents, and the component equations over the whole grid.
#include <gtest/gtest.h>
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "flow/cellequations.h"
#include "flow/stages.h"
#include "solvers/share.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/startup.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"

namespace {

std::vector<double> copyOf(const double* a) { return std::vector<double>(a, a + NoCells + 1); }

// A cell with all six neighbours: no wall law, no discharge group, no
// surface condition reaches it.
bool interior(int c) { return Ccelle[c] > 0 && Ccellw[c] > 0 && Ccelln[c] > 0 && Ccells[c] > 0 && Ccellt[c] > 0 && Ccellb[c] > 0; }

double neighbourSum(int c) { return Cae[c] + Caw[c] + Can[c] + Cas[c] + Cat[c] + Cab[c]; }

// A channel of 6 x 4 columns 2 m deep (9 cell layers) unless another grid
// is given. `options` runs before the grid is made (the arrays follow the
// options), `field` after the start state; the default field is a sheared
// flow eastwards with k and epsilon varying from cell to cell, k between
// 1.4e-3 and 2.6e-3, epsilon between 7e-5 and 1.3e-4.
struct Channel {
  InProjectDir dir;
  std::vector<double> k0, e0;  // k and epsilon the stage starts from
  bool ok = false;

  // `options` may hand back another grid.
  explicit Channel(const std::function<void()>& options = [] {}, const std::function<void()>& field = sheared,
                   const std::function<FlowGrid()>& grid = [] { return FlowGrid::box(6, 4, 2.0); }) {
    options();
    ok = grid().build();
    if (!ok) return;
    startup();
    field();
    waterflow(1, NoSurfaces);
    Iter = 1;
    computeChunkSizes();
    k0 = copyOf(Ckinen);
    e0 = copyOf(Cepsilon);
  }

  static void sheared() {
    for (int c = 1; c <= NoCells; ++c) {
      Cxvel[c] = 0.4 + 0.15 * Czcenter[c] + 0.05 * std::sin(1.3 * c);
      Cyvel[c] = 0.04 * std::cos(0.7 * c);
      Czvel[c] = 0.01 * std::sin(2.1 * c);
      Ckinen[c] = 2e-3 * (1.0 + 0.3 * std::sin(1.7 * c));
      Cepsilon[c] = 1e-4 * (1.0 + 0.3 * std::cos(1.1 * c));
    }
  }
};

// A grid of one cell (1 m x 1 m x 1 m) with the inflow on its west and the
// outflow on its east face: its equation has no neighbour to couple to. The
// generator makes one cell of water shallower than the second value of F 94;
// call among the options.
FlowGrid singleCell() {
  MinVertDist0 = 0.001;
  MinVertDist1 = 5.0;
  FlowGrid g = FlowGrid::box(1, 1, 1.0);
  g.inflow = g.outflow = 1.0;
  return g;
}

// Sets the thread count for one scope.
struct Threads {
  int saved = omp_get_max_threads();
  explicit Threads(int n) { omp_set_num_threads(n); }
  ~Threads() { omp_set_num_threads(saved); }
};

std::string logText() {
  std::string s;
  if (std::FILE* f = std::fopen("boogie", "r")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
    std::fclose(f);
  }
  return s;
}

// The diagonal, source and neighbour coefficients of the cell dump of
// equation eq (F 218 with the cell number), as the log holds them.
struct Dumped {
  double cap = 0.0, source = 0.0, sum = 0.0;
  bool found = false;
};
Dumped dumpOf(int cell, int eq) {
  Dumped d;
  const std::string log = logText();
  char head[128];
  std::snprintf(head, sizeof head, "cellno = %d, Equation = %d,", cell, eq);
  const auto at = log.find(head);
  if (at == std::string::npos) return d;
  double cf, a[6];
  const auto line = log.find("Cf = ", at);
  const auto anb = log.find("Neigbours anb: wsentb:", at);
  if (line == std::string::npos || anb == std::string::npos) return d;
  if (std::sscanf(log.c_str() + line, "Cf = %lf, Cap = %lf, Csource = %lf", &cf, &d.cap, &d.source) != 3) return d;
  if (std::sscanf(log.c_str() + anb, "Neigbours anb: wsentb: %le %le %le %le %le %le", &a[0], &a[1], &a[2], &a[3], &a[4],
                  &a[5]) != 6)
    return d;
  d.sum = a[0] + a[1] + a[2] + a[3] + a[4] + a[5];
  d.found = true;
  return d;
}

// Sum of |a_nb phi_nb + S - ap phi| over the cells not fixed (Cap below
// 1e15), from the coefficients the stage leaves and the field phi it
// started from, over the residual normalisation of the equation.
double residualByHand(const std::vector<double>& phi, int eq) {
  double sum = 0.0;
  for (int c = 1; c <= NoCells; ++c) {
    if (!(Cap[c] < 1e15)) continue;
    const double s = Cae[c] * phi[Ccelle[c]] + Caw[c] * phi[Ccellw[c]] + Can[c] * phi[Ccelln[c]] +
                     Cas[c] * phi[Ccells[c]] + Cat[c] * phi[Ccellt[c]] + Cab[c] * phi[Ccellb[c]] + Csource[c] -
                     Cap[c] * phi[c];
    sum += std::fabs(s);
  }
  return sum / NormResidual[eq];
}

}  // namespace

// k solved below F 138 is raised to it and nothing else changes: the limit
// lies between the smallest solved k of the same case without it and the
// smallest starting k, so that the wall laws (which read k at the limit at
// least) see the same k in both runs.
TEST(TurbulenceStage, KSolvedBelowTheLowerLimitIsRaisedToIt) {
  constexpr double kLimit = 1.3e-3;  // starting k is at least 1.4e-3
  std::vector<double> free;
  {
    Channel ch;
    ASSERT_TRUE(ch.ok);
    turbulenceStage(1);
    free = copyOf(Ckinen);
  }
  int below = 0;
  for (int c = 1; c < static_cast<int>(free.size()); ++c) below += free[c] < kLimit;
  ASSERT_GT(below, 0);
  ASSERT_LT(below, static_cast<int>(free.size()) - 1);

  Channel ch([] { ArtMinKinen = kLimit; });
  ASSERT_TRUE(ch.ok);
  turbulenceStage(1);
  for (int c = 1; c <= NoCells; ++c) EXPECT_DOUBLE_EQ(Ckinen[c], std::max(free[c], kLimit)) << "cell " << c;
}

// Still water with k of 1e-12 and epsilon of 1e-18: the wall values of
// epsilon, 0.1643 k^1.5 / (0.4 y), lie far below 1e-16, and so do the
// solved values away from the inflow (which brings the k of its group);
// every epsilon ends at 1e-16 or above, the low ones at 1e-16 exactly.
TEST(TurbulenceStage, EpsilonSolvedBelowTheLowerLimitIsRaisedToIt) {
  Channel ch([] {}, [] {
    for (int c = 1; c <= NoCells; ++c) {
      Cxvel[c] = Cyvel[c] = Czvel[c] = 0.0;
      Ckinen[c] = 1e-12;
      Cepsilon[c] = 1e-18;
    }
  });
  ASSERT_TRUE(ch.ok);
  turbulenceStage(1);
  int atLimit = 0;
  for (int c = 1; c <= NoCells; ++c) {
    EXPECT_GE(Cepsilon[c], 1e-16) << "cell " << c;
    EXPECT_GE(Ckinen[c], ArtMinKinen) << "cell " << c;
    atLimit += Cepsilon[c] == 1e-16;
  }
  EXPECT_GT(atLimit, 0);
}

// On a cell without neighbours the relaxed equation (Cap / r, Csource plus
// (1 - r) k Cap) solves to r k1 + (1 - r) k0, k1 being the unrelaxed
// solution and k0 the starting value; a k fixed by the wall laws of F 15 11
// (weight 1e20) is relaxed the same way.
TEST(TurbulenceStage, KIsRelaxedInEveryCell) {
  struct Row {
    const char* what;
    int wallLaw;
  };
  const Row rows[] = {{"k from the wall production", 0}, {"k fixed by F 15 11", 11}};
  for (const Row& row : rows) {
    auto solve = [&](double r, double& k0) {
      Channel ch([&] { FlagWallAll = row.wallLaw; }, [] {
        Cxvel[1] = 0.7;
        Cyvel[1] = 0.1;
        Ckinen[1] = 0.02;
        Cepsilon[1] = 4e-3;
      }, singleCell);
      if (!ch.ok || NoCells != 1) {
        ADD_FAILURE() << row.what << ": no single-cell grid";
        return std::nan("");
      }
      relaxK = r;
      turbulenceStage(1);
      k0 = ch.k0[1];
      return Ckinen[1];
    };
    double k0 = 0.0;
    const double k1 = solve(1.0, k0);
    const double kr = solve(0.3, k0);
    ASSERT_GT(std::fabs(k1 - k0), 0.1 * k0) << row.what;  // the relaxation has something to do
    EXPECT_NEAR(kr, 0.3 * k1 + 0.7 * k0, 1e-12 * k0) << row.what;
  }
}

// Epsilon relaxed by 0.5 against the same case unrelaxed: a free cell has
// Cap doubled and Csource raised by (1 - r) eps0 Cap; a cell whose value the
// wall laws fixed (Cap of 1e30) keeps the equation and the fixed value.
TEST(TurbulenceStage, EpsilonIsRelaxedExceptWhereTheWallLawsFixIt) {
  struct Run {
    std::vector<double> cap, source, eps, e0;
  };
  auto solve = [](double r) {
    Channel ch;
    if (!ch.ok) {
      ADD_FAILURE() << "no grid";
      return Run{};
    }
    relaxEpsilon = r;
    turbulenceStage(1);
    return Run{copyOf(Cap), copyOf(Csource), copyOf(Cepsilon), ch.e0};
  };
  const Run one = solve(1.0), half = solve(0.5);
  int fixedCells = 0, freeCells = 0;
  double moved = 0.0;  // largest change of a fixed value from its start, relative
  ASSERT_GT(one.cap.size(), 1u);
  ASSERT_EQ(half.cap.size(), one.cap.size());
  for (size_t c = 1; c < one.cap.size(); ++c) {
    if (one.cap[c] >= 1e20) {
      ++fixedCells;
      EXPECT_EQ(half.cap[c], one.cap[c]) << c;
      EXPECT_NEAR(half.eps[c], one.eps[c], 1e-12 * one.eps[c]) << c;
      moved = std::max(moved, std::fabs(one.eps[c] - one.e0[c]) / one.eps[c]);
    } else {
      ++freeCells;
      EXPECT_NEAR(half.cap[c], 2.0 * one.cap[c], 1e-12 * half.cap[c]) << c;
      EXPECT_NEAR(half.source[c], one.source[c] + 0.5 * half.e0[c] * half.cap[c], 1e-12 * half.cap[c] * half.e0[c])
          << c;
    }
  }
  EXPECT_GT(fixedCells, 0);
  EXPECT_GT(freeCells, 0);
  EXPECT_GT(moved, 0.1);  // relaxing the fixed cells would show
}

// F 24 2 solves k and epsilon without the production and dissipation terms:
// in a cell away from walls and groups the diagonal is the neighbour sum and
// the source the relaxation term alone. Under F 24 0 the same cell carries
// the dissipation 1000 V eps/k in its diagonal (for epsilon 1000 V C2 eps/k
// with the new k) and a production in its source. k is read from the cell
// dump after its solve, epsilon from the arrays the stage leaves.
TEST(TurbulenceStage, ModelTwoLeavesOutProductionAndDissipation) {
  for (int model : {0, 2}) {
    Channel ch([model] { TurbulenceModel = model; });
    ASSERT_TRUE(ch.ok);
    int cell = 0;
    for (int c = 1; c <= NoCells && !cell; ++c)
      if (interior(c) && interior(Ccellw[c]) && interior(Ccelle[c])) cell = c;
    ASSERT_GT(cell, 0);
    StopIter = 0;
    PrintDebugBoogie = cell;
    const double r = 0.5;
    relaxK = relaxEpsilon = r;
    turbulenceStage(1);
    const double V = Cvol[cell];
    const bool terms = model == 0;

    // k, to the precision of the dump (%lf for Cap and Csource, 7 digits
    // for the neighbour coefficients).
    const Dumped k = dumpOf(cell, 5);
    ASSERT_TRUE(k.found) << logText();
    const double kSink = 1000.0 * V * ch.e0[cell] / (ch.k0[cell] + 1e-20);
    EXPECT_NEAR(k.cap * r, k.sum + (terms ? kSink : 0.0), 1e-6 * (k.cap + 1.0)) << "model " << model;
    ASSERT_GT(kSink, 1e-3 * (k.cap + 1.0));
    const double kRelax = (1.0 - r) * ch.k0[cell] * k.cap;
    if (terms)
      EXPECT_GT(k.source - kRelax, 1e-4);
    else
      EXPECT_NEAR(k.source, kRelax, 1e-6);

    // Epsilon, exactly.
    const double eSink = 1000.0 * V * EpsilonCs2 * ch.e0[cell] / (Ckinen[cell] + 1e-20);
    EXPECT_NEAR(Cap[cell] * r, neighbourSum(cell) + (terms ? eSink : 0.0), 1e-12 * Cap[cell]) << "model " << model;
    const double eRelax = (1.0 - r) * ch.e0[cell] * Cap[cell];
    if (terms)
      EXPECT_GT(Csource[cell] - eRelax, 1e-3 * eRelax);
    else
      EXPECT_NEAR(Csource[cell], eRelax, 1e-12 * eRelax);
  }
}

// MaxResidual[5] and [6] are set by the stage (from a value it must not add
// to), MaxResidual[6] is the sum of the imbalances of the free cells; the
// chunks of F 206 4 on three threads, with the stages switched to the main
// thread one by one by G 50, give the residuals and the solved k and
// epsilon of the whole range. The solver stays on the main thread (G 50
// value 9), so that only the assembly is split.
TEST(TurbulenceStage, ChunksGiveTheResidualsAndFieldsOfTheWholeRange) {
  struct Row {
    const char* what;
    int chunks;
    std::vector<std::pair<int, int>> g50;  // (index, value)
    double timeStep;
  };
  const Row rows[] = {
      {"whole range", 0, {}, 0.0},
      {"chunks", 4, {}, 0.0},
      {"k face coefficients on the main thread", 4, {{0, 1}}, 0.0},
      {"k and epsilon cell parts on the main thread", 4, {{5, 1}, {6, 1}}, 0.0},
      {"finalisation on the main thread", 4, {{9, 2}}, 0.0},
      {"transient with side damping, whole range", 0, {}, 2.0},
      {"transient with side damping, chunks", 4, {}, 2.0},
  };
  struct Result {
    std::vector<double> k, eps;
    double r5, r6;
  };
  auto run = [](const Row& row) {
    Threads threads(3);
    Channel ch([&] {
      NoProcessesSolver = row.chunks;
      FlagOpenMP[8] = 1;
      for (auto [i, v] : row.g50) FlagOpenMP[i] = v;
      TimeStep = row.timeStep;
      FlagSideDamp = 2;
    });
    if (!ch.ok || (row.timeStep > 0.0 && !(Ckinen_old && Cepsilon_old))) {
      ADD_FAILURE() << row.what << ": no grid or no fields of the previous time step";
      return Result{{}, {}, 0.0, 0.0};
    }
    if (row.timeStep > 0.0) {
      for (int c = 1; c <= NoCells; ++c) {
        Ckinen_old[c] = 0.8 * ch.k0[c];
        Cepsilon_old[c] = 1.1 * ch.e0[c];
      }
    }
    MaxResidual[5] = MaxResidual[6] = 1e6;
    turbulenceStage(1);
    EXPECT_NEAR(MaxResidual[6], residualByHand(ch.e0, 6), 1e-10 * MaxResidual[6]) << row.what;
    return Result{copyOf(Ckinen), copyOf(Cepsilon), MaxResidual[5], MaxResidual[6]};
  };
  Result whole[2];
  for (const Row& row : rows) {
    const Result got = run(row);
    EXPECT_GT(got.r5, 0.0) << row.what;
    EXPECT_LT(got.r5, 1e5) << row.what;
    EXPECT_GT(got.r6, 0.0) << row.what;
    EXPECT_LT(got.r6, 1e5) << row.what;
    Result& ref = whole[row.timeStep > 0.0];
    if (row.chunks == 0) {
      ref = got;
      continue;
    }
    EXPECT_NEAR(got.r5, ref.r5, 1e-10 * ref.r5) << row.what;
    EXPECT_NEAR(got.r6, ref.r6, 1e-10 * ref.r6) << row.what;
    ASSERT_EQ(got.k.size(), ref.k.size()) << row.what;
    for (size_t c = 1; c < ref.k.size(); ++c) {
      EXPECT_NEAR(got.k[c], ref.k[c], 1e-10 * ref.k[c]) << row.what << ", cell " << c;
      EXPECT_NEAR(got.eps[c], ref.eps[c], 1e-10 * ref.eps[c]) << row.what << ", cell " << c;
    }
  }
}

// With F 71 above 0 the stratification exponents of F 82 for turbulence
// replace those of the velocities; without it they stay.
TEST(TurbulenceStage, StratificationExponentsOfTheTurbulenceEquations) {
  struct Row {
    int flag;
    double alpha, beta;
  };
  const Row rows[] = {{0, 0.25, 7.0}, {1, -0.7, 5.5}};
  for (const Row& row : rows) {
    Channel ch([&] {
      TurbDensFlag = row.flag;
      TurbDensAlphaT = -0.7;
      TurbDensBetaT = 5.5;
    });
    ASSERT_TRUE(ch.ok);
    TDalpha = 0.25;
    TDbeta = 7.0;
    turbulenceStage(1);
    EXPECT_EQ(TDalpha, row.alpha) << "F 71 " << row.flag;
    EXPECT_EQ(TDbeta, row.beta) << "F 71 " << row.flag;
  }
}

namespace {

// Two components on the standard channel, no group carrying them and no
// reaction term, so that only convection, diffusion and the time term build
// their equations.
struct ComponentChannel : Channel {
  explicit ComponentChannel(double dt, const std::function<void()>& more = [] {})
      : Channel([dt, more] {
          NoComponents = 2;
          TimeStep = dt;
          more();
        }) {
    if (!ok || !Ccomp) {
      ok = false;
      return;
    }
    for (DischargeGroup& G : DischargeStruct) G.component = 99;
    for (int m = 0; m < 2; ++m)
      for (int c = 1; c <= NoCells; ++c) {
        Ccomp[m][c] = 1.0 + m + 0.1 * std::sin(0.3 * c);
        if (Ccomp_old) Ccomp_old[m][c] = 2.0 + m + 0.2 * std::cos(0.9 * c);
      }
  }
};

}  // namespace

// The caller's narrower ranges are put back after the stage, yet the
// components are solved over the whole grid.
TEST(ComponentStage, SolvesTheWholeGridAndPutsTheRangesBack) {
  ComponentChannel ch(0.0);
  ASSERT_TRUE(ch.ok);
  const std::vector<double> c0 = copyOf(Ccomp[0]);
  WCStart = 10;
  WCEnd = NoCells - 10;
  WFStart = 20;
  WFEnd = NoSurfaces - 20;
  componentStage(1);
  EXPECT_EQ(WCStart, 10);
  EXPECT_EQ(WCEnd, NoCells - 10);
  EXPECT_EQ(WFStart, 20);
  EXPECT_EQ(WFEnd, NoSurfaces - 20);
  EXPECT_NE(Ccomp[0][1], c0[1]);
  EXPECT_NE(Ccomp[0][NoCells], c0[NoCells]);
}

// The equation of the last component as the stage leaves it: the neighbour
// sum, plus in a transient run 1000 V/dt on the diagonal and that times the
// value of the previous time step in the source; Equation, Cf and Cf_old
// name the last component.
TEST(ComponentStage, TimeTermOfTheLastComponentByHand) {
  for (double dt : {0.0, 4.0}) {
    ComponentChannel ch(dt);
    ASSERT_TRUE(ch.ok);
    const std::vector<double> old = dt > 0.0 ? copyOf(Ccomp_old[1]) : std::vector<double>(NoCells + 1, 0.0);
    Cf_old = nullptr;
    componentStage(1);
    EXPECT_EQ(Equation, 9);
    EXPECT_EQ(Cf, Ccomp[1]);
    EXPECT_EQ(Cf_old, dt > 0.0 ? Ccomp_old[1] : nullptr);
    for (int c = 1; c <= NoCells; ++c) {
      const double a = dt > 0.0 ? 1000.0 * Cvol[c] / dt : 0.0;
      EXPECT_NEAR(Cap[c], neighbourSum(c) + a, 1e-12 * Cap[c]) << "dt " << dt << ", cell " << c;
      EXPECT_NEAR(Csource[c], a * old[c], 1e-12 * a * old[c]) << "dt " << dt << ", cell " << c;
    }
  }
}

// The coefficients of all components come from equation 8, so its scheme
// flag decides whether second neighbours are summed: K 6 value 1 for the
// second component alone adds nothing to its diagonal.
TEST(ComponentStage, SecondNeighbourSumsFollowTheSchemeOfEquationEight) {
  ComponentChannel ch(0.0, [] { sou[9] = 1; });
  ASSERT_TRUE(ch.ok);
  ASSERT_TRUE(Caee && Caww && Cann && Cass && Catt && Cabb);
  for (int c = 1; c <= NoCells; ++c) Caee[c] = Caww[c] = Cann[c] = Cass[c] = Catt[c] = Cabb[c] = 0.375;
  componentStage(1);
  for (int c = 1; c <= NoCells; ++c) EXPECT_NEAR(Cap[c], neighbourSum(c), 1e-12 * Cap[c]) << c;
}
