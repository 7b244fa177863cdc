// Pressure-correction stage of the main flow driver: one pass removes the
// mass defect of a divergent field and records it; the central coefficient
// of p' by option; the storage of a moving surface; the same result in
// thread chunks and over the whole range; the coupling variants of F 171,
// the top-cell pressure and the triangle-cell options.
#include <gtest/gtest.h>
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "flow/cellequations.h"
#include "flow/control.h"
#include "flow/stages.h"
#include "solvers/corrections.h"
#include "solvers/share.h"
#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/flowstate.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/startup.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"

namespace {

// Grids of 1 m x 1 m columns, inflow along the west and outflow along the
// east edge, both 1 m3/s:
//   Deep:      5 x 3 columns 10 m deep, 9 cells each (10/9 m high);
//   Thin:      5 x 3 columns 1 m deep, 9 cells each (1/9 m high), so that
//              the side faces are small against the top and bottom faces;
//   Single:    5 x 3 columns of one cell 1 m high;
//   SingleRow: 5 x 1 columns of one cell 1 m high;
//   DeepRow:   5 x 1 columns 10 m deep, 9 cells each.
enum class Grid { Deep, Thin, Single, SingleRow, DeepRow };

constexpr double kLayer = 10.0 / 9.0;

FlowGrid makeGrid(Grid kind) {
  const bool row = kind == Grid::SingleRow || kind == Grid::DeepRow;
  const bool deep = kind == Grid::Deep || kind == Grid::DeepRow;
  FlowGrid g = FlowGrid::box(5, row ? 1 : 3, deep ? 10.0 : 1.0);
  if (kind == Grid::Single || kind == Grid::SingleRow) {
    // The generator makes one cell of water shallower than the second value
    // of F 94.
    MinVertDist0 = 0.001;
    MinVertDist1 = 5.0;
  }
  g.inflow = g.outflow = 1.0;
  return g;
}

// Builds the grid and gives it a velocity field whose face fluxes violate
// continuity; inflow and outflow balance, so the p' equation can be solved.
void divergentField(Grid kind) {
  ASSERT_TRUE(makeGrid(kind).build());
  startup();
  for (int c = 1; c <= NoCells; ++c) {
    CinvAp[c] = 1e-3 * (1.0 + 0.2 * std::cos(0.9 * c));
    Cxvel[c] = 0.3 * std::sin(0.7 * c);
    Cyvel[c] = 0.2 * std::cos(1.3 * c);
    Czvel[c] = 0.05 * std::sin(2.1 * c);
    Cpres[c] = 0.0;
  }
  relaxPressure = 0.3;
  Iter = 1;
  computeChunkSizes();
}

// The driver's own array, handed to the stage as p'; filled with rubbish so
// that a stage that does not start its solve from 0 shows it.
double* ownArray(std::vector<double>& pc) {
  pc.assign(NoCells + 1, 0.0);
  for (int c = 1; c <= NoCells; ++c) pc[c] = 7.0 + 0.01 * c;
  Cf = Cf_old = pc.data();
  return pc.data();
}

int runStage(std::vector<double>& pc) {
  ownArray(pc);
  return pressureStage(1, 1.0);
}

// Mass defect of every cell (kg/s, inflow minus outflow) from the face
// fluxes and the discharge groups, spread over each group's faces by area.
std::vector<double> handDefects() {
  std::vector<double> d(NoCells + 1, 0.0);
  for (int f = 1; f <= NoSurfaces; ++f) {
    // The own face of a cell with a quasi-neighbour list (F 137) stands for
    // the listed faces, which count by themselves.
    if (listOwnFace(f)) continue;
    if (Fcell1[f] > 0) d[Fcell1[f]] -= Fflux[f];
    if (Fcell2[f] > 0) d[Fcell2[f]] += Fflux[f];
  }
  for (int g = 1; g <= 2; ++g) {
    const DischargeGroup& G = DischargeStruct[g];
    double area = 0.0;
    for (int e = 0; e < G.surfno; ++e) area += Farea[G.face[e]];
    const double q = (g == 1 ? 1.0 : -1.0) * 1000.0 * discharges[g] / area;
    for (int e = 0; e < G.surfno; ++e) {
      const int f = G.face[e];
      d[Fcell1[f] > 0 ? Fcell1[f] : Fcell2[f]] += q * Farea[f];
    }
  }
  return d;
}

double largest(const std::vector<double>& v) {
  double m = 0.0;
  for (size_t c = 1; c < v.size(); ++c) m = std::max(m, std::fabs(v[c]));
  return m;
}

std::vector<double> copyOf(const double* a, int n) { return std::vector<double>(a, a + n + 1); }

// The six p' coefficients of every cell as pressure_coeff leaves them.
struct Coefficients {
  std::vector<double> e, w, n, s, t, b;
  static Coefficients take() {
    return {copyOf(Cae, NoCells), copyOf(Caw, NoCells), copyOf(Can, NoCells),
            copyOf(Cas, NoCells), copyOf(Cat, NoCells), copyOf(Cab, NoCells)};
  }
  double sum(int c) const { return e[c] + w[c] + n[c] + s[c] + t[c] + b[c]; }
};

Coefficients plainCoefficients() {
  pressure_coeff();
  return Coefficients::take();
}

// Column (i, j) of block 1, counted from 1 at the south-west, and its cell
// k counted from 1 at the bed.
int cellAt(int i, int j, int k = 1) {
  int c = static_cast<int>(zval[block[1].i1 + i - 1][block[1].j1 + j - 1][0]);
  for (int m = 1; m < k && c > 0; ++m) c = Ccellt[c];
  return c;
}
int topOf(int i, int j) {
  int c = cellAt(i, j);
  while (Ccellt[c] > 0) c = Ccellt[c];
  return c;
}

struct Fields {
  std::vector<double> flux, u, v, w, p, pc, ap;
  static Fields take(const std::vector<double>& pc) {
    return {copyOf(Fflux, NoSurfaces), copyOf(Cxvel, NoCells), copyOf(Cyvel, NoCells), copyOf(Czvel, NoCells),
            copyOf(Cpres, NoCells),    pc,                     copyOf(Cap, NoCells)};
  }
};

// Largest difference of two fields, reported at its element when it exceeds
// tol.
void expectClose(const std::vector<double>& a, const std::vector<double>& b, double tol, const std::string& what) {
  ASSERT_EQ(a.size(), b.size()) << what;
  double worst = 0.0;
  size_t at = 0;
  for (size_t k = 0; k < a.size(); ++k)
    if (std::fabs(a[k] - b[k]) > worst) worst = std::fabs(a[k] - b[k]), at = k;
  EXPECT_LE(worst, tol) << what << ", element " << at << ": " << a[at] << " against " << b[at];
}

}  // namespace

// One pass with the default options: the corrected fluxes carry no mass
// defect, the record holds the defects the solve started from, and p' is
// levelled so that the last cell holds -0.001.
TEST(PressureStage, OnePassRemovesTheMassDefect) {
  InProjectDir p;
  divergentField(Grid::Deep);
  sweeps[4] = 3000;
  waterflow(WFStart, WFEnd);
  const std::vector<double> d0 = handDefects();
  const double m0 = largest(d0);
  ASSERT_GT(m0, 10.0);
  double sum = 0.0, sumAbs = 0.0, top = 0.0;
  int at = 1;
  for (int c = 1; c <= NoCells; ++c) {
    sum += d0[c];
    sumAbs += std::fabs(d0[c]);
    if (std::fabs(d0[c]) > top) top = std::fabs(d0[c]), at = c;
  }
  std::vector<double> pc;
  EXPECT_EQ(runStage(pc), 0);
  EXPECT_NEAR(GlobContinuity, sum, 1e-9 * m0);
  EXPECT_DOUBLE_EQ(GlobDefMax, top);
  EXPECT_EQ(Glob_dmI, at);
  EXPECT_NEAR(MaxResidual[4], sumAbs / NormResidual[4], 1e-12 * sumAbs / NormResidual[4]);
  EXPECT_NEAR(pc[NoCells], -0.001, 1e-12 * largest(pc));
  // The stage leaves the equation of p' behind: its source is the defect.
  for (int c = 1; c <= NoCells; ++c) EXPECT_NEAR(Csource[c], d0[c], 1e-9 * m0) << "cell " << c;
  pressure_fluxes();
  EXPECT_LT(largest(copyOf(Csource, NoCells)), 1e-8 * m0);
}

// F 137 with a step across the flow: the top cells of the shallow columns
// list the cells of the deep ones on their west side, and the p' coefficients
// of those sides stand in the lists. A uniform p' balances the equation of
// every cell, and p' solved to the end with the list stencil corrects the
// fluxes (the listed faces' own) so that no cell keeps a mass defect.
TEST(PressureStage, ListedSidesBelongToTheCentralCoefficient) {
  InProjectDir p;
  QNFlag = 1;
  FlowGrid g = FlowGrid::box(4, 2, 1.0);
  g.bed = [](int i, int) { return i >= 4 ? 0.5 : 0.0; };
  g.inflow = g.outflow = 1.0;
  ASSERT_TRUE(g.build());
  int lists = 0;
  for (int c = 1; c <= NoCells; ++c) lists += Cncellw[c] > 0;
  ASSERT_GT(lists, 0);
  startup();
  for (int c = 1; c <= NoCells; ++c) {
    CinvAp[c] = 1e-3 * (1.0 + 0.2 * std::cos(0.9 * c));
    Cxvel[c] = 0.3 * std::sin(0.7 * c);
    Cyvel[c] = 0.2 * std::cos(1.3 * c);
    Czvel[c] = 0.05 * std::sin(2.1 * c);
    Cpres[c] = 0.0;
  }
  relaxPressure = 0.3;
  Iter = 1;
  computeChunkSizes();
  waterflow(WFStart, WFEnd);
  const std::vector<double> d0 = handDefects();
  const double m0 = largest(d0);
  ASSERT_GT(m0, 1.0);
  std::vector<double> pc;
  runStage(pc);
  for (int c = 1; c <= NoCells; ++c) {
    double a = Cae[c] + Caw[c] + Can[c] + Cas[c] + Cat[c] + Cab[c];
    for (int k = 0; k < Cncellw[c]; ++k) a += Cqnaw[c][k];
    EXPECT_NEAR(a, Cap[c], 1e-12 * Cap[c]) << "cell " << c << (Cncellw[c] > 0 ? " with a list" : "");
  }
  // The stage corrected the fluxes with one pass; the rest of the solve
  // corrects them by the change of p'.
  const std::vector<double> once = pc;
  for (int n = 0; n < 20000; ++n) Gauss(WCStart, WCEnd, 1);
  std::vector<double> rest(NoCells + 1, 0.0);
  for (int c = 1; c <= NoCells; ++c) rest[c] = pc[c] - once[c];
  Cf = rest.data();
  SimpleCorrections(WFStart, WFEnd, WCStart, WCEnd);
  const std::vector<double> d = handDefects();
  for (int c = 1; c <= NoCells; ++c) EXPECT_NEAR(d[c], 0.0, 1e-6 * m0) << "cell " << c;
}

// F 258 1: no solve, so p' is 0 until the levelling moves every cell to
// -0.001; a uniform correction moves no flux and no velocity, and the defect
// stays.
TEST(PressureStage, StressTermLeavesTheDefect) {
  InProjectDir p;
  divergentField(Grid::Deep);
  FlagStressTerm = 1;
  waterflow(WFStart, WFEnd);
  const std::vector<double> flux = copyOf(Fflux, NoSurfaces), u = copyOf(Cxvel, NoCells),
                            w = copyOf(Czvel, NoCells), d0 = handDefects();
  std::vector<double> pc;
  runStage(pc);
  for (int c = 1; c <= NoCells; ++c) EXPECT_DOUBLE_EQ(pc[c], -0.001) << "cell " << c;
  EXPECT_EQ(copyOf(Fflux, NoSurfaces), flux);
  EXPECT_EQ(copyOf(Cxvel, NoCells), u);
  EXPECT_EQ(copyOf(Czvel, NoCells), w);
  pressure_fluxes();
  for (int c = 1; c <= NoCells; ++c) EXPECT_NEAR(Csource[c], d0[c], 1e-9 * largest(d0)) << "cell " << c;
}

// The level of p' after the solve: with the default options every cell is
// lowered by the last cell's value plus 0.001; with F 183 beyond the dumps
// (100) or with gravity (F 181) p' keeps the level of the solve.
TEST(PressureStage, LevelOfTheCorrection) {
  auto solve = [](int presDebug, int gravity) {
    InProjectDir p;
    divergentField(Grid::Deep);
    FlagPresDebug = presDebug;
    FlagGravity = gravity;
    std::vector<double> pc;
    runStage(pc);
    return pc;
  };
  const std::vector<double> raw = solve(100, 0), levelled = solve(0, 0), gravity = solve(0, 1);
  const int n = static_cast<int>(raw.size()) - 1;
  ASSERT_GT(std::fabs(raw[n]), 1e-6);
  for (int c = 1; c <= n; ++c)
    EXPECT_NEAR(levelled[c], raw[c] - raw[n] - 0.001, 1e-12 * largest(raw)) << "cell " << c;
  EXPECT_GT(std::fabs(gravity[n] + 0.001), 1e-6);
}

// The central coefficient of p' after the stage, against the neighbour
// coefficients that pressure_coeff gives the same field.
TEST(PressureStage, CentralCoefficientByOption) {
  // Makes a cell's six coefficients small against those of the cells around
  // it: the cell and the neighbours named keep almost no 1/ap.
  auto starve = [](std::vector<int> cells) {
    for (int c : cells) CinvAp[c] = 1e-9;
  };
  struct Row {
    std::string what;
    Grid grid;
    std::function<void()> options;
    std::function<int()> cell;
    std::function<double(int, const Coefficients&)> expected;
  };
  auto sum = [](int c, const Coefficients& a) { return a.sum(c); };
  const std::vector<Row> rows = {
      {"defaults, inner cell", Grid::Deep, [] {}, [] { return cellAt(3, 2, 5); }, sum},
      {"defaults, corner cell", Grid::Deep, [] {}, [] { return cellAt(5, 3, 9); }, sum},
      {"F 555 1, east wall at the bed", Grid::Deep, [] { FlagCorrApSimple = 1; }, [] { return cellAt(5, 2, 1); },
       [](int c, const Coefficients& a) { return 2 * a.w[c] + a.n[c] + a.s[c] + 2 * a.t[c]; }},
      {"F 555 1, west wall at the top", Grid::Deep, [] { FlagCorrApSimple = 1; }, [] { return cellAt(1, 2, 9); },
       [](int c, const Coefficients& a) { return 2 * a.e[c] + a.n[c] + a.s[c] + 2 * a.b[c]; }},
      {"F 555 1, inner cell", Grid::Deep, [] { FlagCorrApSimple = 1; }, [] { return cellAt(3, 2, 5); }, sum},
      {"F 373 1, inner cell", Grid::Thin, [] { FlagPresCorrStab = 1; }, [] { return cellAt(3, 2, 5); },
       [](int c, const Coefficients& a) {
         const double lo = 0.05 * a.sum(c);
         return std::max(a.e[c], lo) + std::max(a.w[c], lo) + std::max(a.n[c], lo) + std::max(a.s[c], lo) +
                a.t[c] + a.b[c];
       }},
      {"F 373 1, west wall", Grid::Thin, [] { FlagPresCorrStab = 1; }, [] { return cellAt(1, 2, 5); },
       [](int c, const Coefficients& a) {
         const double lo = 0.05 * a.sum(c);
         return std::max(a.e[c], lo) + std::max(a.n[c], lo) + std::max(a.s[c], lo) + a.t[c] + a.b[c];
       }},
      {"F 316 4", Grid::Deep, [] { FlagPresMPIboundary = 4; }, [] { return cellAt(3, 2, 5); },
       [](int c, const Coefficients& a) { return a.sum(c) + 1e-6; }},
      {"F 316 5", Grid::Deep, [] { FlagPresMPIboundary = 5; }, [] { return cellAt(3, 2, 5); },
       [](int c, const Coefficients& a) { return a.sum(c) + 0.001; }},
      {"F 316 6", Grid::Deep, [] { FlagPresMPIboundary = 6; }, [] { return cellAt(3, 2, 5); },
       [](int c, const Coefficients& a) { return a.sum(c) + 1.0; }},
      {"F 316 7", Grid::Deep, [] { FlagPresMPIboundary = 7; }, [] { return cellAt(3, 2, 5); }, sum},
      // One-cell columns of 1 m3; the end cells of the row have one
      // neighbour, the others two.
      {"F 104 1, end cell", Grid::SingleRow, [] { FlagEndCorrect = 1; }, [] { return cellAt(1, 1); },
       [](int c, const Coefficients& a) { return a.sum(c) + 1.0; }},
      {"F 104 2, end cell", Grid::SingleRow, [] { FlagEndCorrect = 2; }, [] { return cellAt(5, 1); },
       [](int c, const Coefficients& a) { return a.sum(c) + 2.0; }},
      {"F 104 2, middle cell", Grid::SingleRow, [] { FlagEndCorrect = 2; }, [] { return cellAt(2, 1); }, sum},
      {"F 104 2, end cell of a deep column", Grid::DeepRow, [] { FlagEndCorrect = 2; }, [] { return cellAt(1, 1, 4); },
       sum},
      // The south-east corner lacks east and south: a tenth of its north and
      // west neighbours; the north-west corner lacks west and north: a tenth
      // of its east and south neighbours.
      {"F 184 4, south-east corner", Grid::Single,
       [starve] {
         FlagPCalg = 4;
         starve({cellAt(5, 1), cellAt(5, 2), cellAt(4, 1)});
       },
       [] { return cellAt(5, 1); },
       [](int c, const Coefficients& a) {
         return std::max({a.sum(c), 0.1 * a.sum(cellAt(5, 2)), 0.1 * a.sum(cellAt(4, 1))});
       }},
      {"F 184 4, north-west corner", Grid::Single,
       [starve] {
         FlagPCalg = 4;
         starve({cellAt(1, 3), cellAt(2, 3), cellAt(1, 2)});
       },
       [] { return cellAt(1, 3); },
       [](int c, const Coefficients& a) {
         return std::max({a.sum(c), 0.1 * a.sum(cellAt(2, 3)), 0.1 * a.sum(cellAt(1, 2))});
       }},
      {"F 184 4, corner of a deep column", Grid::Deep,
       [starve] {
         FlagPCalg = 4;
         starve({cellAt(5, 1, 1), cellAt(5, 2, 1), cellAt(4, 1, 1), cellAt(5, 1, 2)});
       },
       [] { return cellAt(5, 1, 1); }, sum},
      {"isolated cell, whole range", Grid::Deep,
       [] {
         const int c = cellAt(3, 2, 5);
         for (int k : {c, Ccelle[c], Ccellw[c], Ccelln[c], Ccells[c], Ccellt[c], Ccellb[c]}) CinvAp[k] = 0.0;
       },
       [] { return cellAt(3, 2, 5); }, [](int, const Coefficients&) { return 1e-10; }},
      {"isolated cell, chunks", Grid::Deep,
       [] {
         const int c = cellAt(3, 2, 5);
         for (int k : {c, Ccelle[c], Ccellw[c], Ccelln[c], Ccells[c], Ccellt[c], Ccellb[c]}) CinvAp[k] = 0.0;
         NoProcessesSolver = 4;
         computeChunkSizes();
       },
       [] { return cellAt(3, 2, 5); }, [](int, const Coefficients&) { return 1.0; }},
      {"isolated cell, chunks with the switch of G 50", Grid::Deep,
       [] {
         const int c = cellAt(3, 2, 5);
         for (int k : {c, Ccelle[c], Ccellw[c], Ccelln[c], Ccells[c], Ccellt[c], Ccellb[c]}) CinvAp[k] = 0.0;
         NoProcessesSolver = 4;
         FlagOpenMP[7] = 1;
         computeChunkSizes();
       },
       [] { return cellAt(3, 2, 5); }, [](int, const Coefficients&) { return 1e-10; }},
  };
  const int threads = omp_get_max_threads();
  omp_set_num_threads(3);
  for (const Row& r : rows) {
    InProjectDir p;
    divergentField(r.grid);
    r.options();
    const Coefficients a = plainCoefficients();
    const int c = r.cell();
    ASSERT_GT(c, 0) << r.what;
    std::vector<double> pc;
    runStage(pc);
    const double want = r.expected(c, a);
    EXPECT_NEAR(Cap[c], want, 1e-13 * want) << r.what;
  }
  omp_set_num_threads(threads);
}

// The storage of a moving surface (F 36 above 0) with a time step of 10 s:
// what each option adds to the central coefficient of a cell, worked from
// the grid of 1 m2 columns, 10/9 m cells, nine to a column, and a depth of
// 4 m plus the number of the bed cell.
TEST(PressureStage, StorageTermsOfAMovingSurface) {
  constexpr double dt = 10.0, g = 9.81;
  auto depth = [](int c) { return 4.0 + Cbed[c]; };
  auto top = [](int c) { return Ccellt[c] == 0; };
  struct Row {
    std::string what;
    int tfs, timeSimple, surfDamp;
    std::function<double(int)> added;
  };
  const std::vector<Row> rows = {
      {"F 296 1", 2, 1, 0, [](int) { return 0.0; }},
      {"F 296 2", 2, 2, 0,
       [depth](int c) { return 2.0 * 1.0 / (dt * 9810.0 * depth(c)) * (0.5 * kLayer); }},
      {"F 296 2 with F 36 1", 1, 2, 0, [](int) { return 0.0; }},
      {"F 296 3", 2, 3, 0,
       [depth](int c) { return 3 * 2 * 2.0 * 1.0 / (dt * 9810.0 * depth(c)) * (0.5 * kLayer); }},
      {"F 296 4", 2, 4, 0, [top](int c) { return top(c) ? 1.0 * 9.81 * 1000.0 / 0.5 : 0.0; }},
      {"F 419 1", 2, 0, 1, [](int) { return 1.0 / (dt * g); }},
      {"F 419 2", 2, 0, 2, [top](int c) { return top(c) ? 1.0 / (dt * g) : 0.0; }},
      {"F 419 3", 2, 0, 3, [](int) { return 1.0 / (9 * dt * g); }},
      {"F 296 4 and F 419 2", 2, 4, 2,
       [top](int c) { return top(c) ? 1.0 * 9.81 * 1000.0 / 0.5 + 1.0 / (dt * g) : 0.0; }},
      {"F 419 1 without F 36", 0, 0, 1, [](int) { return 0.0; }},
  };
  for (const Row& r : rows) {
    InProjectDir p;
    TimeStep = dt;
    divergentField(Grid::Deep);
    for (int b = 1; b <= NoBCells; ++b) Bdepth[b] = 4.0 + b;
    FlagTFS = r.tfs;
    FlagTimeSIMPLE = r.timeSimple;
    FlagPresSurfDamp = r.surfDamp;
    relax[4] = 0.5;
    IterWaterUpdate = 3;
    TransInnerIter = 2;
    waterflow(WFStart, WFEnd);
    const std::vector<double> d0 = handDefects();
    const Coefficients a = plainCoefficients();
    std::vector<double> pc;
    runStage(pc);
    for (int c = 1; c <= NoCells; ++c) {
      const double want = a.sum(c) + r.added(c);
      ASSERT_NEAR(Cap[c], want, 1e-13 * want) << r.what << ", cell " << c;
      // F 296 1 halves the defect in the equation of p'.
      ASSERT_NEAR(Csource[c], (r.timeSimple == 1 ? 0.5 : 1.0) * d0[c], 1e-9 * largest(d0)) << r.what << ", cell " << c;
    }
  }
}

// F 206 4 on three threads and the whole range on the main thread: the same
// central coefficients and residual, and fluxes, velocities, pressure and p'
// within the tolerance of a tight solve, with the options that read other
// cells. The solver stays on the main thread (ninth value of G 50): its
// blocks, each swept to the end on its own, do not meet a tight tolerance.
TEST(PressureStage, ChunksGiveTheResultOfTheWholeRange) {
  struct Row {
    std::string what;
    Grid grid;
    std::function<void()> options;
  };
  const std::vector<Row> rows = {
      {"defaults", Grid::Deep, [] {}},
      {"walls, stabiliser, surface", Grid::Deep,
       [] {
         FlagCorrApSimple = 1;
         FlagPresCorrStab = 1;
         FlagPresMPIboundary = 5;
         FlagGravity = 1;
         FlagTFS = 2;
         FlagTimeSIMPLE = 4;
         FlagPresSurfDamp = 3;
       }},
      // The second half of the cells stands for a sub-bed block: it gets
      // the soft surface condition once more, on its own cells only.
      {"sub-bed block of a slide computation", Grid::Deep,
       [] {
         FlagGravity = 1;
         FlagPresSurf = 3;
         CoeffPresSurf = 1e3;
         FlagThixoIsComputing = 1;
         NoBlocks = 2;
         block[2].subBed = 1;
         block[2].firstCell = NoCells / 2 + 1;
         block[2].lastCell = NoCells;
       }},
      {"corners and ends of one-cell columns", Grid::Single,
       [] {
         FlagPCalg = 4;
         FlagEndCorrect = 1;
         FlagTFS = 2;
         FlagPresSurfDamp = 1;
         for (int c : {cellAt(5, 1), cellAt(5, 2), cellAt(4, 1)}) CinvAp[c] = 1e-9;
       }},
  };
  auto run = [](const Row& r, int P) {
    InProjectDir p;
    TimeStep = 10.0;
    divergentField(r.grid);
    r.options();
    sweeps[4] = 3000;
    NoProcessesSolver = P;
    FlagOpenMP[8] = 1;
    computeChunkSizes();
    std::vector<double> pc;
    runStage(pc);
    Fields f = Fields::take(pc);
    f.ap.push_back(MaxResidual[4]);
    return f;
  };
  const int threads = omp_get_max_threads();
  omp_set_num_threads(3);
  for (const Row& r : rows) {
    const Fields whole = run(r, 0), chunks = run(r, 4);
    // The central coefficients exactly; the residual, summed in chunks, to
    // the last digits.
    ASSERT_EQ(chunks.ap.size(), whole.ap.size());
    EXPECT_TRUE(std::equal(chunks.ap.begin(), chunks.ap.end() - 1, whole.ap.begin())) << r.what;
    EXPECT_NEAR(chunks.ap.back(), whole.ap.back(), 1e-12 * whole.ap.back()) << r.what;
    expectClose(chunks.flux, whole.flux, 1e-9 * largest(whole.flux), r.what + ", fluxes");
    expectClose(chunks.u, whole.u, 1e-9 * largest(whole.u), r.what + ", u");
    expectClose(chunks.w, whole.w, 1e-9 * largest(whole.u), r.what + ", w");
    expectClose(chunks.p, whole.p, 1e-9 * largest(whole.p), r.what + ", pressure");
    expectClose(chunks.pc, whole.pc, 1e-9 * largest(whole.pc), r.what + ", p'");
  }
  omp_set_num_threads(threads);
}

// F 171 1 builds the coefficients of p' from CinvApP and leaves CinvAp, the
// 1/ap of the next face fluxes, as it was; F 171 0 takes CinvAp. Face
// coefficients by hand: 1000 A^2 and the mean 1/ap of the two cells (faces
// midway), A = 10/9 m2 for side faces and 1 m2 for top and bottom faces.
TEST(PressureStage, CoefficientsOfTheSimplecVariant) {
  for (int variant : {0, 1}) {
    InProjectDir p;
    FlagSIMPLE = 1;
    divergentField(Grid::Deep);
    FlagSIMPLE = variant;
    ASSERT_NE(CinvApP, nullptr);
    for (int c = 1; c <= NoCells; ++c) CinvApP[c] = 3e-3 * (1.0 + 0.5 * std::sin(1.1 * c));
    double* const full = CinvAp;
    double* const simplec = CinvApP;
    const std::vector<double> fullBefore = copyOf(CinvAp, NoCells), simplecBefore = copyOf(CinvApP, NoCells);
    std::vector<double> pc;
    runStage(pc);
    EXPECT_EQ(CinvAp, full);
    EXPECT_EQ(CinvApP, simplec);
    EXPECT_EQ(copyOf(CinvAp, NoCells), fullBefore);
    EXPECT_EQ(copyOf(CinvApP, NoCells), simplecBefore);
    const std::vector<double>& r = variant == 1 ? simplecBefore : fullBefore;
    const int c = cellAt(3, 2, 5);
    const double side = 1000.0 * kLayer * kLayer * 0.5, flat = 1000.0 * 0.5;
    EXPECT_NEAR(Cae[c], side * (r[c] + r[Ccelle[c]]), 1e-9 * Cae[c]) << "F 171 " << variant;
    EXPECT_NEAR(Caw[c], side * (r[c] + r[Ccellw[c]]), 1e-9 * Cae[c]) << "F 171 " << variant;
    EXPECT_NEAR(Can[c], side * (r[c] + r[Ccelln[c]]), 1e-9 * Cae[c]) << "F 171 " << variant;
    EXPECT_NEAR(Cas[c], side * (r[c] + r[Ccells[c]]), 1e-9 * Cae[c]) << "F 171 " << variant;
    EXPECT_NEAR(Cat[c], flat * (r[c] + r[Ccellt[c]]), 1e-9 * Cae[c]) << "F 171 " << variant;
    EXPECT_NEAR(Cab[c], flat * (r[c] + r[Ccellb[c]]), 1e-9 * Cae[c]) << "F 171 " << variant;
  }
}

// F 171 3: pass A corrects fluxes and velocities but not the pressure; the
// second pass keeps the velocity change of pass A (with the opposite sign) in
// the predicted velocities, gives the pressure the relaxed p' of pass A and
// then that of its own solve, and corrects the velocities once more. Pass A
// alone is the stage of F 171 0 on the same field.
TEST(PressureStage, SecondPassAddsBothCorrections) {
  std::vector<double> passA, uA, wA;
  {
    InProjectDir p;
    divergentField(Grid::Deep);
    std::vector<double> pc;
    runStage(pc);
    passA = pc;
    uA = copyOf(Cxvel, NoCells);
    wA = copyOf(Czvel, NoCells);
  }
  InProjectDir p;
  FlagSIMPLE = 3;
  divergentField(Grid::Deep);
  ASSERT_NE(CxvelP, nullptr);
  const std::vector<double> u0 = copyOf(Cxvel, NoCells), w0 = copyOf(Czvel, NoCells);
  // The momentum stage leaves its solved velocities here.
  std::copy(Cxvel, Cxvel + NoCells + 1, CxvelP);
  std::copy(Cyvel, Cyvel + NoCells + 1, CyvelP);
  std::copy(Czvel, Czvel + NoCells + 1, CzvelP);
  std::vector<double> pc;
  runStage(pc);
  const double tolU = 1e-12 * largest(u0), tolP = 1e-12 * largest(passA);
  for (int c = 1; c <= NoCells; ++c) {
    EXPECT_NEAR(CxvelP[c], u0[c] - uA[c], tolU) << "cell " << c;
    EXPECT_NEAR(CzvelP[c], w0[c] - wA[c], tolU) << "cell " << c;
    EXPECT_NEAR(Cpres[c], 0.3 * (passA[c] + pc[c]), tolP) << "cell " << c;
  }
  ASSERT_GT(largest(pc), 1e-3 * largest(passA));
  EXPECT_GT(largest([&] {
              std::vector<double> d(NoCells + 1);
              for (int c = 1; c <= NoCells; ++c) d[c] = Cxvel[c] - uA[c];
              return d;
            }()),
            1e-6);
}

// F 36 13..19: the top cell of each column takes the pressure of the
// straight line from 0 at the surface through the centre of the cell below:
// a third of it, the cells being of equal height. Other values leave the
// relaxed correction.
TEST(PressureStage, TopCellPressureFromTheSurface) {
  for (int tfs : {12, 13, 19, 20}) {
    InProjectDir p;
    divergentField(Grid::Deep);
    FlagTFS = tfs;
    FlagGravity = 1;
    std::vector<double> pc;
    runStage(pc);
    const bool rule = tfs >= 13 && tfs <= 19;
    for (int i = 1; i <= 5; ++i)
      for (int j = 1; j <= 3; ++j) {
        const int t = topOf(i, j), b = Ccellb[t];
        ASSERT_GT(std::fabs(Cpres[b]), 1e-3) << "F 36 " << tfs;
        const double want = rule ? Cpres[b] / 3.0 : 0.3 * pc[t];
        EXPECT_NEAR(Cpres[t], want, 1e-12 * std::fabs(Cpres[b])) << "F 36 " << tfs << ", column " << i << "," << j;
      }
  }
}

// F 235 7 halves the defect of every cell with a triangle code (any code
// but 0); F 235 6 smooths p' after the solve at those cells with their four
// lateral neighbours, in cell order, so that a neighbour smoothed before
// counts with its new value and a missing one with 0.
TEST(PressureStage, TriangleCells) {
  auto marked = [] {
    const int a = cellAt(2, 1, 3);
    return std::vector<std::pair<int, int>>{{a, 1}, {Ccelle[a], 2}, {cellAt(4, 2, 5), -1}};
  };
  {
    InProjectDir p;
    divergentField(Grid::Deep);
    for (auto [c, code] : marked()) Ctrekant[c] = code;
    FlagCorrTrekant = 7;
    waterflow(WFStart, WFEnd);
    std::vector<double> want = handDefects();
    for (auto [c, code] : marked()) want[c] *= 0.5;
    std::vector<double> pc;
    runStage(pc);
    expectClose(copyOf(Csource, NoCells), want, 1e-9 * largest(want), "F 235 7");
  }
  auto solve = [&](int option) {
    InProjectDir p;
    divergentField(Grid::Deep);
    for (auto [c, code] : marked()) Ctrekant[c] = code;
    FlagCorrTrekant = option;
    FlagPresDebug = 100;  // no levelling
    std::vector<double> pc;
    runStage(pc);
    return pc;
  };
  const std::vector<double> raw = solve(0), smoothed = solve(6);
  InProjectDir p;
  divergentField(Grid::Deep);  // the neighbours
  std::vector<double> want = raw;
  want[0] = 0.0;
  std::vector<std::pair<int, int>> cells = marked();
  std::sort(cells.begin(), cells.end());
  ASSERT_EQ(Ccells[cells[0].first], 0);
  ASSERT_EQ(Ccellw[cells[1].first], cells[0].first);
  for (auto [c, code] : cells)
    want[c] = 0.75 * want[c] + 0.125 * (want[Ccells[c]] + want[Ccelln[c]] + want[Ccelle[c]] + want[Ccellw[c]]);
  expectClose(smoothed, want, 1e-12 * largest(raw), "F 235 6");
  EXPECT_NE(smoothed, raw);
}

// The continuity record over the work range: the sum of the defects, the
// largest magnitude and the first cell where it occurs (1 when all are 0).
TEST(PressureStage, ContinuityRecord) {
  struct Row {
    std::vector<double> source;  // element 0 belongs to no cell
    int first, last;
    double sum, largest;
    int cell;
  };
  const Row rows[] = {
      {{0, 0, 0, 0}, 1, 3, 0.0, 0.0, 1},
      {{0, 1, -3, 3, 2}, 1, 4, 3.0, 3.0, 2},
      {{0, -0.5, 0.25}, 1, 2, -0.25, 0.5, 1},
      {{0, 9, 1, -2, 9}, 2, 3, -1.0, 2.0, 3},
  };
  InProjectDir p;
  for (const Row& r : rows) {
    std::vector<double> s = r.source;
    Csource = s.data();
    WCStart = r.first;
    WCEnd = r.last;
    GlobContinuity = GlobDefMax = 99.0;
    Glob_dmI = 99;
    recordContinuity();
    EXPECT_DOUBLE_EQ(GlobContinuity, r.sum);
    EXPECT_DOUBLE_EQ(GlobDefMax, r.largest);
    EXPECT_EQ(Glob_dmI, r.cell);
  }
  Csource = nullptr;
}

// F 36 6: in the last inner iteration of a time step (and, in a sediment
// computation, every F 105 iterations) the surface moves right after the
// fluxes and the driver's call ends: nothing of the p' equation is built.
namespace {
int surfaceMoves = 0;
void countSurfaceMove() { ++surfaceMoves; }
}  // namespace

TEST(PressureStage, SurfaceStepOfTheKinematicMethodEndsTheCall) {
  struct Row {
    double R;
    int roof, i, iter, tsc;
    bool moves;
  };
  const Row rows[] = {
      {1.0, 1, 1, 1, 0, true},    {2e6, 1, 1, 1, 0, false}, {1.0, 0, 1, 1, 0, false}, {1.0, 1, 2, 1, 0, false},
      {1.0, 1, 1, 0, 0, false},   {1.0, 1, 1, 20, 1, true}, {1.0, 1, 1, 25, 1, false},
  };
  const FlowDriverCalls saved = flowDriverCalls;
  flowDriverCalls.surface = countSurfaceMove;
  for (const Row& r : rows) {
    InProjectDir p;
    divergentField(Grid::Deep);
    FlagTFS = 6;
    FlagRoof = r.roof;
    TransInnerIter = 1;
    Iter = r.iter;
    FlagTSC = r.tsc;
    IterWaterUpdate = 10;
    surfaceMoves = 0;
    std::fill(Csource, Csource + NoCells + 1, 3.0);
    std::vector<double> pc;
    ownArray(pc);
    const std::vector<double> rubbish = pc;
    const int end = pressureStage(r.i, r.R);
    const std::string what = "R " + std::to_string(r.R) + " K 2 " + std::to_string(r.roof) + " i " +
                             std::to_string(r.i) + " Iter " + std::to_string(r.iter) + " F 37 " + std::to_string(r.tsc);
    EXPECT_EQ(end, r.moves ? 1 : 0) << what;
    EXPECT_EQ(surfaceMoves, r.moves ? 1 : 0) << what;
    EXPECT_EQ(pc == rubbish, r.moves) << what;
    EXPECT_EQ(Csource[1] == 3.0, r.moves) << what;
  }
  flowDriverCalls = saved;
}
