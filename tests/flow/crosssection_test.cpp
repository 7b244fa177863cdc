// The cross-section corrections of block 1 on a small grid: 3 x 2 columns of
// two cells, cross-sections i = 2, 3, 4; group 1 brings Q1 = 100 kg/s.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "flow/stages.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

SmallGrid channel(int nx = 3) {
  SmallGrid g;
  g.nx = nx, g.ny = 2, g.nz = 2;
  g.build();
  DischargeStruct[1].discharge = 100.0;
  return g;
}

// Sets the east (or west) flux of every cell of cross-section i to q / 4.
void setSection(const SmallGrid& g, int i, double q, bool east = true) {
  for (int j = 2; j <= 3; ++j)
    for (int k = 1; k <= 2; ++k) Fflux[east ? Cflatee[g.cell(i, j, k)] : Cflatew[g.cell(i, j, k)]] = q / 4.0;
}

double sectionSum(const SmallGrid& g, int i, bool east = true) {
  double q = 0;
  for (int j = 2; j <= 3; ++j)
    for (int k = 1; k <= 2; ++k) q += Fflux[east ? Cflatee[g.cell(i, j, k)] : Cflatew[g.cell(i, j, k)]];
  return q;
}

}  // namespace

// F 360 1, V = 1.1: a section passing 0.5 Q1 has its east fluxes multiplied
// by 1.1, one passing 1.05 Q1 is left alone, one passing 2 Q1 divided by 1.1;
// the last grid line of the block is no cross-section.
TEST(FluxCorrFunction, EastFluxesPushedTowardTheInflow) {
  InProjectDir p;
  const SmallGrid g = channel();
  FlagFluxCorr = 1;
  FluxCorrVal = 1.1;
  setSection(g, 2, 50.0);
  setSection(g, 3, 105.0);
  setSection(g, 4, 200.0);
  fluxCorrFunction(g.i1(), g.i2());
  EXPECT_NEAR(sectionSum(g, 2), 55.0, 1e-9);
  EXPECT_NEAR(sectionSum(g, 3), 105.0, 1e-9);
  EXPECT_NEAR(sectionSum(g, 4), 200.0, 1e-9);
  setSection(g, 3, 200.0);
  fluxCorrFunction(g.i1(), g.i2());
  EXPECT_NEAR(sectionSum(g, 3), 200.0 / 1.1, 1e-9);
}

// F 360 3: east fluxes raised to the west sum where it exceeds them by more
// than V; a section whose east faces carry nothing gets no ratio (no
// infinite flux), and its west fluxes are not scaled by 0 either.
TEST(FluxCorrFunction, EastAndWestSumsMatchedWithoutDividingByZero) {
  InProjectDir p;
  const SmallGrid g = channel(4);
  FlagFluxCorr = 3;
  FluxCorrVal = 1.1;
  // Variant 3 treats sections first + 1 .. last - 2: of i = 2..5 only i = 3.
  setSection(g, 4, 20.0);
  setSection(g, 3, 50.0, false);
  setSection(g, 3, 40.0);
  fluxCorrFunction(g.i1(), g.i2());
  EXPECT_NEAR(sectionSum(g, 3), 50.0, 1e-9);
  EXPECT_NEAR(sectionSum(g, 3, false), 50.0, 1e-9);
  setSection(g, 3, 0.0);
  fluxCorrFunction(g.i1(), g.i2());
  EXPECT_EQ(sectionSum(g, 3), 0.0);
  EXPECT_NEAR(sectionSum(g, 3, false), 50.0, 1e-9);
  for (int f = 1; f <= NoSurfaces; ++f) EXPECT_TRUE(std::isfinite(Fflux[f])) << f;
  EXPECT_NEAR(sectionSum(g, 4), 20.0, 1e-9);  // outside the sections treated
}

// F 360 2: the vertical fluxes of a cell whose vertical through-flow exceeds
// V times its horizontal one are reduced, never below 1 % in one call.
TEST(FluxCorrFunction, VerticalFluxesDampedToAtLeastOnePerCent) {
  InProjectDir p;
  const SmallGrid g = channel();
  FlagFluxCorr = 2;
  FluxCorrVal = 1.1;
  for (int f = 1; f <= NoSurfaces; ++f) Fflux[f] = 0.0;
  // Two bottom cells of section 2; the cells above them carry enough
  // horizontal flux to stay below V when they see the shared face.
  const int c = g.cell(2, 2, 1), d = g.cell(2, 3, 1);
  Fflux[Cflatee[c]] = 1.0;  // |Fe + Fw| = 1
  Fflux[Cflatet[c]] = 2.2;  // r = 2.2: factor 0.5
  Fflux[Cflatee[d]] = 0.001;  // r = 1e4: factor 0.01
  Fflux[Cflatet[d]] = 10.0;
  Fflux[Cflatee[c + 1]] = Fflux[Cflatee[d + 1]] = 100.0;
  fluxCorrFunction(g.i1(), g.i2());
  EXPECT_NEAR(Fflux[Cflatet[c]], 1.1, 1e-12);
  EXPECT_NEAR(Fflux[Cflatet[d]], 0.1, 1e-12);
}

// F 413: the first cross-sections up to F 452 3rd value. With too little
// water the u equation gets Cap (f - 1) u, f = min(Q1 / Q, 3); with too much
// it is left alone; after the pressure correction u is scaled by Q1 / Q.
TEST(CorrectContinuity2, FirstCrossSectionsHeldToTheInflow) {
  struct Case {
    const char* what;
    int equation, dampSec;
    double q;
    double sourceAfter, uAfter;
  };
  const Case cases[] = {
      {"u, half the inflow", 1, 2, 50.0, 10.0 * 1.0 * 0.3, 0.3},
      {"u, a tenth: f = 3", 1, 2, 10.0, 10.0 * 2.0 * 0.3, 0.3},
      {"u, more than the inflow", 1, 2, 200.0, 0.0, 0.3},
      {"after the correction", 4, 2, 200.0, 0.0, 0.15},
      {"before the block", 4, 1, 200.0, 0.0, 0.3},
      {"another equation", 2, 2, 50.0, 0.0, 0.3},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    InProjectDir p;
    const SmallGrid g = channel();
    setSection(g, 2, k.q);
    for (int c = 1; c <= NoCells; ++c) {
      Cap[c] = 10.0;
      Csource[c] = 0.0;
      Cxvel[c] = 0.3;
    }
    Equation = k.equation;
    surfaceDampSec = k.dampSec;
    correctContinuity2();
    const int c = g.cell(2, 3, 2), other = g.cell(3, 2, 1);
    EXPECT_NEAR(Csource[c], k.sourceAfter, 1e-9);
    EXPECT_NEAR(Cxvel[c], k.uAfter, 1e-12);
    EXPECT_EQ(Csource[other], 0.0);
    EXPECT_EQ(Cxvel[other], 0.3);
  }
}
