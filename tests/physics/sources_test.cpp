// Weight of the water, surface slope, wind and Coriolis forces.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "physics/physics.h"
#include "physics_fixture.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

using namespace physics_test;

namespace {

// 2 x 2 columns of nz equal cells, columns of different depths.
SmallGrid columns(int nz) {
  SmallGrid g;
  g.nz = nz;
  g.water = [](int i, int j) { return 1.0 + 0.5 * i + 0.25 * j; };
  g.build();
  fillAreaVectors();
  return g;
}

void clearEquation() {
  for (int c = 0; c <= NoCells; ++c) Cap[c] = Csource[c] = 0.0;
}

}  // namespace

// Under a level surface the weight on the w equation sums to 9810 x the sum
// of the cell volumes in every column of equal cells, by each form of F 181.
TEST(GravitySources, WeightSumsToWaterWeight) {
  InProjectDir dir;
  for (int nz : {1, 2, 3, 5}) {
    columns(nz);
    double volume = 0;
    for (int c = 1; c <= NoCells; ++c) volume += Cvol[c];
    for (int mode : {1, 2, 3}) {
      FlagGravity = mode;
      clearEquation();
      GravityFunction(3, 1, NoCells);
      double sum = 0;
      for (int c = 1; c <= NoCells; ++c) sum += Csource[c];
      EXPECT_NEAR(sum, -9810.0 * volume, 1e-9 * 9810.0 * volume) << "nz " << nz << " F 181 " << mode;
      if (mode == 2) {
        for (int c = 1; c <= NoCells; ++c) EXPECT_DOUBLE_EQ(Csource[c], -9810.0 * Cvol[c]);
      }
    }
    // No weight on u and v, none for other values.
    FlagGravity = 1;
    clearEquation();
    GravityFunction(1, 1, NoCells);
    GravityFunction(2, 1, NoCells);
    FlagGravity = 5;
    GravityFunction(3, 1, NoCells);
    for (int c = 1; c <= NoCells; ++c) EXPECT_EQ(Csource[c], 0.0);
  }
}

// A column of three cells of volumes 1, 2 and 3 m3, by hand.
TEST(GravitySources, ColumnSharesOfThreeCells) {
  InProjectDir dir;
  columns(3);
  struct Case {
    int mode;
    double bottom, middle, top;
  };
  const Case cases[] = {
      {1, 4905.0 * 3, 9810.0 * 2, 4905.0 * 5},
      {2, 9810.0 * 1, 9810.0 * 2, 9810.0 * 3},
      {3, 4905.0 * 3, 2452.5 * (4 + 1 + 3), 4905.0 * 5},
  };
  for (const Case& k : cases) {
    for (int kk = 1; kk <= 3; ++kk) Cvol[kk] = kk;  // column of cells 1, 2, 3
    FlagGravity = k.mode;
    clearEquation();
    GravityFunction(3, 1, 3);
    EXPECT_DOUBLE_EQ(Csource[1], -k.bottom) << k.mode;
    EXPECT_DOUBLE_EQ(Csource[2], -k.middle) << k.mode;
    EXPECT_DOUBLE_EQ(Csource[3], -k.top) << k.mode;
  }
}

// Surface slope (F 135): each cell takes 9810 x the slope component of the
// top face of its column x its volume; a level surface gives nothing; the
// cells of a column get the same whichever chunk holds its top cell. F 181
// value 4 drives u only; a thixotropic run outside its layer flow adds none.
TEST(GravitySources, SurfaceSlopeAndConstantSlope) {
  InProjectDir dir;
  SmallGrid g = columns(3);
  FlagGravityTerm = 1;
  clearEquation();
  GravityFunction(1, 1, NoCells);
  for (int c = 1; c <= NoCells; ++c) EXPECT_EQ(Csource[c], 0.0);
  for (int c = 1; c <= NoCells; ++c)
    if (Ccellt[c] == 0) {
      Fvx[Cflatet[c]] = 0.002 * c;
      Fvy[Cflatet[c]] = -0.001;
    }
  for (int eq : {1, 2}) {
    clearEquation();
    WCStart = 1;
    WCEnd = NoCells;
    runChunked([eq](int a, int b) { GravityFunction(eq, a, b); }, 5, 1);
    for (int i = g.i1(); i <= g.i2(); ++i)
      for (int j = g.j1(); j <= g.j2(); ++j) {
        const int top = g.cell(i, j, 3);
        const double slope = eq == 1 ? 0.002 * top : -0.001;
        for (int k = 1; k <= 3; ++k) {
          const int c = g.cell(i, j, k);
          EXPECT_NEAR(Csource[c], 9810.0 * slope * Cvol[c], 1e-12) << eq << " " << c;
        }
      }
  }
  FlagGravityTerm = 0;
  FlagGravity = 4;
  for (int eq : {1, 2, 3}) {
    clearEquation();
    GravityFunction(eq, 1, NoCells);
    EXPECT_DOUBLE_EQ(Csource[1], eq == 1 ? 9810.0 * 0.015 * Cvol[1] : 0.0) << eq;
  }
  FlagThixo = 1;
  FlagGravity = 1;
  clearEquation();
  GravityFunction(3, 1, NoCells);
  for (int c = 1; c <= NoCells; ++c) EXPECT_EQ(Csource[c], 0.0);
}

// The Coriolis force is normal to the velocity: it does no work.
TEST(CoriolisSource, DoesNoWorkAndHasTheTextbookComponents) {
  InProjectDir dir;
  columns(2);
  Coriolis = 1.2e-4;
  setField(Cxvel, [](int c) { return 0.3 + 0.1 * c; });
  setField(Cyvel, [](int c) { return -0.2 + 0.05 * c * c; });
  std::vector<double> su, sv;
  for (int eq : {1, 2}) {
    Equation = eq;
    clearEquation();
    CoriolisFunction();
    (eq == 1 ? su : sv) = copy(Csource);
    for (int c = 1; c <= NoCells; ++c) EXPECT_EQ(Cap[c], 0.0);
  }
  for (int c = 1; c <= NoCells; ++c) {
    EXPECT_NEAR(su[c], 1000.0 * 1.2e-4 * Cyvel[c] * Cvol[c], 1e-15);
    EXPECT_NEAR(sv[c], -1000.0 * 1.2e-4 * Cxvel[c] * Cvol[c], 1e-15);
    EXPECT_NEAR(Cxvel[c] * su[c] + Cyvel[c] * sv[c], 0.0, 1e-15);
  }
  // The stabiliser of each equation weighs its own component.
  relaxCoriolis = 0.5;
  for (int eq : {1, 2}) {
    Equation = eq;
    clearEquation();
    CoriolisFunction();
    const int c = 3;
    const double L = std::sqrt(2.0 * Cvol[c] * Ckdist[c]), f = 1.2e-4;
    const double expected = eq == 1 ? 0.5 * std::fabs(1000 * f * Cyvel[c] - 1000 * Cxvel[c]) * L
                                    : 0.5 * std::fabs(1000 * f * Cxvel[c] - 1000 * Cyvel[c]) * L;
    EXPECT_NEAR(Cap[c], expected, 1e-12) << eq;
  }
}

// Drag laws of F 73 at the edges of their pieces.
TEST(WindSources, DragLaws) {
  struct Case {
    int flag;
    double U, W;
  };
  const Case cases[] = {
      {0, 5.6, 31.36},        {0, 10.0, 100.0 * (1 + 1.9 * 0.44 * 0.44)}, {1, 2.0, 4.4},
      {2, 1.0, 0.5},          {2, 0.64, 1.25 * 0.512},                  {2, 15.0, 585.0},
      {2, 14.0, 0.5 * std::pow(14.0, 2.5)}, {3, 7.0, 7.0},
  };
  InProjectDir dir;
  for (const Case& k : cases) {
    WindFlag = k.flag;
    EXPECT_NEAR(windDrag(k.U), k.W, 1e-9 * k.W) << k.flag << " " << k.U;
  }
}

// Wind stress on the top cells of u and v, k and epsilon fixed under the
// surface, nothing for w or the pressure.
TEST(WindSources, StressAndSurfaceTurbulence) {
  InProjectDir dir;
  columns(2);
  Wind[0] = 4.0;
  Wind[1] = 0.6;
  Wind[2] = -0.8;
  WCStart = 1;
  WCEnd = NoCells;
  const double W = 16.0, kw = 1.9999799999999998e-06 * W;
  for (int eq : {1, 2, 3, 4, 5, 6}) {
    clearEquation();
    WindFunction(eq);
    for (int c = 1; c <= NoCells; ++c) {
      if (Ccellt[c] != 0 || eq == 3 || eq == 4) {
        EXPECT_EQ(Csource[c], 0.0);
        EXPECT_EQ(Cap[c], 0.0);
        continue;
      }
      const double A = Farea[Cflatet[c]];
      const double expected = eq == 1   ? 0.6 * 0.0012 * W * A
                              : eq == 2 ? -0.8 * 0.0012 * W * A
                              : eq == 5 ? kw
                                        : 0.164317 * 2.5 * std::pow(kw, 1.5) / Ckdist[c];
      const double got = eq <= 2 ? Csource[c] : Csource[c] / Cap[c];
      EXPECT_NEAR(got, expected, 1e-9 * std::fabs(expected)) << eq;
    }
  }
}

// The wind of the timei series: interpolated between records, held after the
// last one and held for a series of a single record.
TEST(WindSources, SeriesInterpolation) {
  InProjectDir dir;
  ASSERT_TRUE(allocate1(TimeInTime, 4));
  ASSERT_TRUE(allocate2(Winn, 4, 3));
  TimeInTime[0] = 0;
  TimeInTime[1] = 100;
  TimeInTime[2] = 300;
  for (int r = 0; r < 3; ++r) {
    Winn[r][0] = 2.0 + 4.0 * r;
    Winn[r][1] = 1.0;
    Winn[r][2] = 0.1 * r;
  }
  struct Case {
    int records;
    double t, U, cy;
  };
  const Case cases[] = {{3, 50, 4.0, 0.05}, {3, 200, 8.0, 0.15}, {3, 1000, 10.0, 0.2}, {1, -50, 2.0, 0.0}};
  for (const Case& k : cases) {
    TimeInNo = k.records;
    stimet = k.t;
    double U, cx, cy;
    windValues(U, cx, cy);
    EXPECT_NEAR(U, k.U, 1e-12) << k.records << " " << k.t;
    EXPECT_NEAR(cx, 1.0, 1e-12);
    EXPECT_NEAR(cy, k.cy, 1e-12);
  }
}

// Weight inside the thixotropic layer of block 1 while its flow is computed:
// a column of three cells of 1, 2 and 3 m3 whose bottom cell opens the block.
TEST(GravitySources, WeightInsideTheThixotropicLayer) {
  InProjectDir dir;
  columns(3);
  for (int k = 1; k <= 3; ++k) Cvol[k] = k;
  FlagThixo = 1;
  FlagThixoIsComputing = 1;
  clearEquation();
  GravityFunction(3, 1, NoCells);
  EXPECT_DOUBLE_EQ(Csource[1], -4905.0 * 3);
  EXPECT_DOUBLE_EQ(Csource[2], -9810.0 * 2);
  EXPECT_DOUBLE_EQ(Csource[3], -4905.0 * 5);
  FlagThixoIsComputing = 0;
}

// Bed-near friction on 3 x 3 columns of bed area 4 m2 (side 2 m): thin single
// cells at the edge of the grid (the middle column has all four neighbours)
// with F 7 P, the cells within half the roughness height with F 92 2 and 3.
TEST(StabilitySource, ThinEdgeCellsAndRoughnessLayer) {
  struct Case {
    const char* what;
    int eq, nz;
    double depth;
    std::function<void()> set;
    double edge, middle, upper;  // Cap of an edge bed cell's lowest cell, the middle one's, an upper cell
  };
  // kc = 0.47453 h (ks/h)^(1/3), h = 0.0008, ks = 0.05: the k of 0.01 above it
  // raises Cap by (k - kc)/kc times itself.
  const double kc = 0.47453 * 0.0008 * std::pow(0.05 / 0.0008, 0.333333);
  const Case cases[] = {
      // |u| 0.5 x 1000 x 0.3 x Ckdist 0.0004 x 2
      {"F 7 P, u", 1, 1, 0.0008, [] { FlagBedPoros = 1; Equation = 1; }, 0.12, 0.0, 0.0},
      {"F 7 P, v", 2, 1, 0.0008, [] { FlagBedPoros = 1; Equation = 2; }, 0.06, 0.0, 0.0},
      {"F 7 P, cells not thin", 1, 1, 0.0012, [] { FlagBedPoros = 1; Equation = 1; }, 0.0, 0.0, 0.0},
      {"F 7 P, k", 5, 1, 0.0008, [] { FlagBedPoros = 1; Equation = 5; }, 2.0 + (0.01 - kc) * 2.0 / kc, 2.0, 0.0},
      // Centres 0.125, 0.375 below 0.5 x ks 1.0: 2 x 0.125 x 1000 x |u| 0.5 x 0.2 x 2
      {"F 92 2", 1, 4, 1.0, [] { PorosWallFlag = 2; Equation = 1; }, 50.0, 50.0, 0.0},
      {"F 92 3", 2, 4, 1.0, [] { PorosWallFlag = 3; Equation = 2; }, 0.25 * 1000 * std::sqrt(0.5) * 0.4,
       0.25 * 1000 * std::sqrt(0.5) * 0.4, 0.0},
      {"F 92 2 for k", 5, 4, 1.0, [] { PorosWallFlag = 2; Equation = 5; }, 2.0, 2.0, 0.0},
  };
  InProjectDir dir;
  for (const Case& k : cases) {
    setControlDefaults();
    SmallGrid g;
    g.nx = g.ny = 3;
    g.nz = k.nz;
    g.water = [&k](int, int) { return k.depth; };
    g.build();
    fillAreaVectors();
    WBStart = 1;
    WBEnd = NoBCells;
    for (int b = 1; b <= NoBCells; ++b) Barea[b] = 4.0;
    setField(Cxvel, [](int) { return -0.5; });
    setField(Cyvel, [](int) { return 0.5; });
    setField(Ckinen, [](int) { return 0.01; });
    setField(Croughness, [&k](int) { return k.nz == 1 ? 0.05 : 1.0; });
    setField(Cap, [&k](int) { return k.eq == 5 ? 2.0 : 0.0; });
    if (k.what == std::string("F 7 P, v")) setField(Cyvel, [](int) { return 0.25; });
    k.set();
    TSCstabilityFunction(k.eq);
    const double base = k.eq == 5 ? 2.0 : 0.0;
    EXPECT_NEAR(Cap[g.cell(2, 2, 1)], k.edge, 1e-12) << k.what;
    EXPECT_NEAR(Cap[g.cell(3, 3, 1)], k.middle, 1e-12) << k.what;
    if (k.nz == 4) {
      EXPECT_NEAR(Cap[g.cell(2, 2, 2)], k.edge, 1e-12) << k.what;
      EXPECT_NEAR(Cap[g.cell(2, 2, 3)], base + k.upper, 1e-12) << k.what;
    }
  }
}
