// The shoreline corrections on small fixtures: triangle codes set by hand
// (the generator makes no shoreline triangles yet), corner columns made by
// cutting the links of an interior column.
#include <gtest/gtest.h>

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
