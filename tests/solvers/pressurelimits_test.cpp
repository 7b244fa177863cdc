// Pressure limits and filters of the pressure step on small column fixtures:
// column means of supercritical columns (F 93), column fluxes from the mass
// defects (F 69 4th value), the column pressure limits (F 426) and the cap
// of a divided run (F 316 8).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "flow/stages.h"
#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

// One column of nz cells, 1 m by 1 m, of the given depth.
SmallGrid column(int nz, double depth) {
  SmallGrid g;
  g.nx = g.ny = 1;
  g.nz = nz;
  g.water = [depth](int, int) { return depth; };
  g.build();
  return g;
}

}  // namespace

// The column fluxes of each variant, cells numbered from the bottom (1) up;
// the defects S, the fluxes through the faces under each cell and over the
// top cell, and w afterwards.
TEST(SeicheFunctions, VerticalFluxesAndVelocitiesFromTheColumnDefects) {
  struct Case {
    const char* what;
    int variant;
    std::vector<double> defects;       // bottom up
    std::vector<double> under;         // flux under each cell, bottom up
    double surface;                    // flux over the top cell
    std::vector<double> w;             // bottom up
    std::vector<double> defectsAfter;  // Csource after
  };
  const Case cases[] = {
      // Top down: the face under each cell gets minus the sum of the defects
      // from the top to that cell; w the mean of its two fluxes / 1000 A.
      {"3: 2 top, 3 bottom", 3, {3, 2}, {-5, -2}, 0, {0.0005 * -7, 0.0005 * -2}, {3, 2}},
      // Balanced to +2.5, -1.25, -1.25 first, then relaxed 0.2 toward the
      // running sum from 0.
      {"4: +3, -1, -1 (top first)",
       4,
       {-1, -1, 3},
       {0, 0.2 * -1.25, 0.2 * -2.5},
       0,
       {0.0005 * (0 - 0.25), 0.0005 * (-0.25 - 0.5), 0.0005 * -0.5},
       {-1.25, -1.25, 2.5}},
      // Bottom up: the face over each cell but the top one carries the sum of
      // the defects below it; the surface face keeps its flux.
      {"5: 2 bottom, 3, 4 top", 5, {2, 3, 4}, {0, 2, 5}, 7, {0.0005 * 2, 0.0005 * 7, 0.0005 * 12}, {2, 3, 4}},
      // w from each cell's own defect, then the faces from the mean w.
      {"2: w from the defects", 2, {2, 4}, {0, 500 * (-0.002 - 0.004)}, 7, {-0.002, -0.004}, {2, 4}},
      // Relaxed 0.2 toward the running sum, w relaxed 0.8 with 0.0001.
      {"1: 2 top, 3 bottom", 1, {3, 2}, {0.2 * -5, 0.2 * -2}, 0, {0.0001 * (-1 - 0.4), 0.0001 * -0.4}, {3, 2}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    InProjectDir p;
    const int nz = static_cast<int>(k.defects.size());
    column(nz, 1.0);
    for (int c = 1; c <= nz; ++c) {
      Csource[c] = k.defects[c - 1];
      Czvel[c] = 0.0;
      Fflux[Cflateb[c]] = 0.0;
    }
    Fflux[Cflatet[nz]] = k.surface;
    Seiche4 = k.variant;
    SeicheFunctions();
    for (int c = 1; c <= nz; ++c) {
      EXPECT_NEAR(Fflux[Cflateb[c]], k.under[c - 1], 1e-9) << "under cell " << c;
      EXPECT_NEAR(Czvel[c], k.w[c - 1], 1e-9) << "w of cell " << c;
      EXPECT_NEAR(Csource[c], k.defectsAfter[c - 1], 1e-9) << "defect of cell " << c;
    }
    EXPECT_EQ(Fflux[Cflatet[nz]], k.surface);
  }
}

// A column of one cell is never touched, whatever the variant.
TEST(SeicheFunctions, AOneCellColumnIsLeftAlone) {
  for (int v = 1; v <= 5; ++v) {
    InProjectDir p;
    column(1, 1.0);
    Csource[1] = 4.0;
    Czvel[1] = 0.3;
    Fflux[Cflateb[1]] = 1.0;
    Fflux[Cflatet[1]] = 2.0;
    Seiche4 = v;
    SeicheFunctions();
    EXPECT_EQ(Czvel[1], 0.3) << v;
    EXPECT_EQ(Fflux[Cflateb[1]], 1.0) << v;
    EXPECT_EQ(Fflux[Cflatet[1]], 2.0) << v;
  }
}

// A supercritical column takes the means of pressure and correction in all
// its cells; a column just below the critical speed keeps its values. The
// columns are found from their cells even without numbered bed cells.
TEST(FroudeHystat, SupercriticalColumnsTakeTheirColumnMeans) {
  InProjectDir p;
  SmallGrid g;
  g.nx = 2, g.ny = 1, g.nz = 2;
  g.build();
  NoBCells = 0;  // a flow run without numbered bed cells
  std::vector<double> pc(NoCells + 1, 0.0);
  Cf = pc.data();
  const double D = 1.0, critical = std::sqrt(9.81 * D);
  for (int k = 1; k <= 2; ++k) {
    const int fast = g.cell(2, 2, k), slow = g.cell(3, 2, k);
    // Mean speed 1.01 and 0.99 times the critical one, from differing cells.
    Cxvel[fast] = (k == 1 ? 0.8 : 1.22) * critical * 0.6;
    Cyvel[fast] = (k == 1 ? 0.8 : 1.22) * critical * 0.8;
    Cxvel[slow] = (k == 1 ? 0.78 : 1.2) * critical;
    Cpres[fast] = Cpres[slow] = 1000.0 * k;
    pc[fast] = pc[slow] = 10.0 * k;
  }
  FroudeHystatFunction();
  for (int k = 1; k <= 2; ++k) {
    EXPECT_NEAR(Cpres[g.cell(2, 2, k)], 1500.0, 1e-9);
    EXPECT_NEAR(pc[g.cell(2, 2, k)], 15.0, 1e-9);
    EXPECT_EQ(Cpres[g.cell(3, 2, k)], 1000.0 * k);
    EXPECT_EQ(pc[g.cell(3, 2, k)], 10.0 * k);
  }
}

// F 426 2 and 3 on a column of two cells 1 m high (centres 0.5 m and 1.5 m
// under the surface); F 426 1 on a column at rest.
TEST(PressureFilter, ColumnLimitsByTheFilterOption) {
  struct Case {
    const char* what;
    int option;
    double bottom, top;                // pressures before (bottom cell, top cell)
    double bottomAfter, topAfter;
  };
  const Case cases[] = {
      {"2: twice hydrostatic at the centre", 2, 40000, 20000, 29430, 9810},
      {"2: below the limits", 2, 29000, 9000, 29000, 9000},
      {"3: growth from the cell above", 3, 40000, 1000, 1000 + 39240 * 0.5, 1000},
      {"3: within the growth", 3, 15000, 1000, 15000, 1000},
      // At rest the column is scaled to the hydrostatic bed pressure 19620.
      {"1: at rest, above hydrostatic", 1, 39240, 19620, 19620, 9810},
      {"1: at rest, below hydrostatic", 1, 10000, 5000, 10000, 5000},
      // A negative bottom pressure has no ratio: the signs are kept.
      {"1: negative bottom pressure", 1, -100, 50, -100, 50},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    InProjectDir p;
    column(2, 2.0);
    Cpres[1] = k.bottom;
    Cpres[2] = k.top;
    FlagPresFilter = k.option;
    pressureFilter();
    EXPECT_NEAR(Cpres[1], k.bottomAfter, 1e-9);
    EXPECT_NEAR(Cpres[2], k.topAfter, 1e-9);
  }
}

// F 426 1 with a Froude number of a third or more keeps the column, below it
// blends toward hydrostatic: 3 Fr = 0.5 gives the target 0.5 pb + 0.5 ph.
TEST(PressureFilter, SlowColumnsBlendTowardHydrostatic) {
  InProjectDir p;
  column(2, 2.0);
  const double wave = std::sqrt(9.81 * 2.0);
  FlagPresFilter = 1;
  Cxvel[1] = Cxvel[2] = wave / 3.0;  // 3 Fr = 1
  Cpres[1] = 39240;
  Cpres[2] = 20000;
  pressureFilter();
  EXPECT_NEAR(Cpres[1], 39240, 1e-6);
  Cxvel[1] = Cxvel[2] = wave / 6.0;  // 3 Fr = 0.5
  pressureFilter();
  const double r = (0.5 * 39240 + 0.5 * 19620) / 39240;
  EXPECT_NEAR(Cpres[1], 39240 * r, 1e-6);
  EXPECT_NEAR(Cpres[2], 20000 * r, 1e-6);
}

// F 316 8: pressures more than 9810 Pa above the reference column's bottom
// pressure are set to it; without F 317 1, with the reference outside the
// grid or in a dry column nothing changes.
TEST(LimitPressureMPI, DeepPressuresTakeTheReference) {
  InProjectDir p;
  SmallGrid g;
  g.nx = 1, g.ny = 3, g.nz = 1;
  g.build();
  auto run = [&](int j) {
    Cpres[g.cell(2, 2, 1)] = 1000;
    Cpres[g.cell(2, 3, 1)] = 10810;  // exactly at the limit
    Cpres[g.cell(2, 4, 1)] = 10811;
    jPresUp[1] = j;
    limitPressureMPI();
    return std::vector<double>{Cpres[g.cell(2, 2, 1)], Cpres[g.cell(2, 3, 1)], Cpres[g.cell(2, 4, 1)]};
  };
  EXPECT_EQ(run(2), (std::vector<double>{1000, 10810, 1000}));
  EXPECT_EQ(run(0), (std::vector<double>{1000, 10810, 10811}));
  EXPECT_EQ(run(ynumber + 5), (std::vector<double>{1000, 10810, 10811}));
  zval[2][2][0] = 0;  // dry reference column
  EXPECT_EQ(run(2), (std::vector<double>{1000, 10810, 10811}));
}
