// The shoreline corrections on small fixtures: triangle codes set by hand
// (the generator makes no shoreline triangles yet), corner columns made by
// cutting the links of an interior column.
#include <gtest/gtest.h>

#include <vector>

#include "flow/trekant.h"
#include "solvers/corrections.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

SmallGrid square(int nz) {
  SmallGrid g;
  g.nx = g.ny = 3;
  g.nz = nz;
  g.build();
  return g;
}

}  // namespace

// Single triangles: code 1 with n = 4, e = -2, r = 0.8 ends with 3.2 and
// -2.8 (n - e unchanged); code 2 with r = 1 gives n = w = 2; r = 0 changes
// nothing.
TEST(TrekantFluxCorr, SingleTrianglesRelaxTowardPassingThrough) {
  struct Case {
    int code;
    double r;
    int* const* a;
    int* const* b;
    double fa, fb, fa2, fb2;
  };
  const Case cases[] = {
      {1, 0.8, &Cflaten, &Cflatee, 4, -2, 3.2, -2.8},
      {2, 1.0, &Cflaten, &Cflatew, 3, 1, 2, 2},
      {2, 0.0, &Cflaten, &Cflatew, 3, 1, 3, 1},
      {3, 1.0, &Cflates, &Cflatew, 3, -1, 2, -2},
      {4, 1.0, &Cflates, &Cflatee, 3, 1, 2, 2},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.code);
    InProjectDir p;
    const SmallGrid g = square(1);
    const int c = g.cell(3, 3, 1);
    Ctrekant[c] = k.code;
    relaxTrekant2 = k.r;
    FlagCorrTrekant = 8;
    Fflux[(*k.a)[c]] = k.fa;
    Fflux[(*k.b)[c]] = k.fb;
    TrekantFluxCorr(1, NoCells);
    EXPECT_NEAR(Fflux[(*k.a)[c]], k.fa2, 1e-12);
    EXPECT_NEAR(Fflux[(*k.b)[c]], k.fb2, 1e-12);
  }
}

// Code 5 (two triangles side by side): n(c), e(c) and n(E) relax toward
// d = 0.3333 (n - e - n(E)) with signs +, -, -; only above F 235 8 and with
// F 164 below 20.
TEST(TrekantFluxCorr, PairsOnlyInTheSecondStage) {
  struct Case {
    int option, rap;
    bool acts;
  };
  for (const Case& k : {Case{9, 0, true}, Case{8, 0, false}, Case{9, 20, false}}) {
    InProjectDir p;
    const SmallGrid g = square(1);
    const int c = g.cell(2, 2, 1), E = Ccelle[c];
    Ctrekant[c] = 5;
    relaxTrekant2 = 0.8;
    FlagCorrTrekant = k.option;
    FlagRapSolver = k.rap;
    Fflux[Cflaten[c]] = 1;
    Fflux[Cflatee[c]] = 2;
    Fflux[Cflaten[E]] = 3;
    TrekantFluxCorr(1, NoCells);
    const double d = 0.3333 * (1 - 2 - 3);
    EXPECT_NEAR(Fflux[Cflaten[c]], k.acts ? 0.2 * 1 + 0.8 * d : 1, 1e-12) << k.option << " " << k.rap;
    EXPECT_NEAR(Fflux[Cflatee[c]], k.acts ? 0.2 * 2 - 0.8 * d : 2, 1e-12);
    EXPECT_NEAR(Fflux[Cflaten[E]], k.acts ? 0.2 * 3 - 0.8 * d : 3, 1e-12);
  }
}

// A corner column with its west and south neighbours missing: its open east
// and north faces keep a tenth of their flux and share nine tenths of the
// mean through-flow d = 0.45 (Σn - Σe) by area.
TEST(TrekantFluxCorr4, CornerColumnSharesItsThroughFlow) {
  InProjectDir p;
  const SmallGrid g = square(2);
  const int c = g.cell(3, 3, 1), u = g.cell(3, 3, 2);
  Ccellw[c] = Ccells[c] = 0;
  Fflux[Cflatee[c]] = 1;
  Fflux[Cflatee[u]] = 3;
  Fflux[Cflaten[c]] = 2;
  Fflux[Cflaten[u]] = 6;
  TrekantFluxCorr4();
  const double d = 0.45 * (8 - 4);
  EXPECT_NEAR(Fflux[Cflatee[c]], 0.1 * 1 - 0.5 * d, 1e-12);
  EXPECT_NEAR(Fflux[Cflatee[u]], 0.1 * 3 - 0.5 * d, 1e-12);
  EXPECT_NEAR(Fflux[Cflaten[c]], 0.1 * 2 + 0.5 * d, 1e-12);
  EXPECT_NEAR(Fflux[Cflaten[u]], 0.1 * 6 + 0.5 * d, 1e-12);
}

// The lowest cell of a corner column takes the mean of its two neighbour
// columns' mean pressures; with a third neighbour missing it keeps its own.
TEST(TrekantPresCorr, CornerColumnTakesTheMeanOfItsNeighbourColumns) {
  for (bool third : {false, true}) {
    InProjectDir p;
    const SmallGrid g = square(2);
    for (int c = 1; c <= NoCells; ++c) Cpres[c] = 0.0;
    const int c = g.cell(3, 3, 1);
    Ccelle[c] = Ccells[c] = 0;  // east and south missing: west and north count
    if (third) Ccellw[c] = 0;
    Cpres[c] = 999;
    Cpres[g.cell(2, 3, 1)] = 100;
    Cpres[g.cell(2, 3, 2)] = 300;  // west column mean 200
    Cpres[g.cell(3, 4, 1)] = 500;
    Cpres[g.cell(3, 4, 2)] = 700;  // north column mean 600
    TrekantPresCorr(0, 0);
    EXPECT_EQ(Cpres[c], third ? 999.0 : 400.0);
    EXPECT_EQ(Cpres[g.cell(3, 3, 2)], 0.0);  // only the lowest cell
  }
}

// Each corner of a column, through the pressure corrections with F 437: the
// lowest cell takes the mean of the two existing neighbour columns' means,
// west 200, east 1000, north 600, south 1600 (p' 0, nothing else
// corrected); F 437 0 leaves it at its own 999.
TEST(TrekantPresCorr, EveryCornerThroughTheCorrectionsOfF437) {
  struct Case {
    const char* missing;
    int* const* a;
    int* const* b;
    int f437;
    double p;
  };
  const Case cases[] = {{"E, S", &Ccelle, &Ccells, 1, 400.0}, {"E, N", &Ccelle, &Ccelln, 1, 900.0},
                        {"W, S", &Ccellw, &Ccells, 1, 800.0}, {"W, N", &Ccellw, &Ccelln, 1, 1300.0},
                        {"E, S without F 437", &Ccelle, &Ccells, 0, 999.0}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.missing);
    InProjectDir p;
    const SmallGrid g = square(2);
    std::vector<double> pc(NoCells + 1, 0.0);
    Cf = pc.data();
    const int c = g.cell(3, 3, 1);
    for (int x = 1; x <= NoCells; ++x) Cpres[x] = 0.0;
    Cpres[c] = 999.0;
    const int i[] = {2, 4, 3, 3}, j[] = {3, 3, 4, 2};
    const double lo[] = {100.0, 900.0, 500.0, 1500.0}, hi[] = {300.0, 1100.0, 700.0, 1700.0};
    for (int n = 0; n < 4; ++n) Cpres[g.cell(i[n], j[n], 1)] = lo[n], Cpres[g.cell(i[n], j[n], 2)] = hi[n];
    (*k.a)[c] = 0;
    (*k.b)[c] = 0;
    FlagSimpleCorrections = 52;
    FlagCorrTrekant5 = k.f437;
    SimpleCorrections(WFStart, WFEnd, WCStart, WCEnd);
    EXPECT_DOUBLE_EQ(Cpres[c], k.p);
    EXPECT_EQ(Cpres[g.cell(3, 3, 2)], 0.0);
  }
}
