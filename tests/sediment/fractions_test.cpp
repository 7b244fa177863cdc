// The two-layer bed after a time step: with one size the active layer fills
// to its thickness before the inactive layer starts and erosion is cut at
// the bottom of the bed; with several sizes, in every case of the update,
// both layers' fractions sum to 1 and the grain volume of each size changes
// by exactly its flux, bar the cut booked in kLimDef; a change within 1e-9 m
// moves nothing, a dry bed cell keeps its layers.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>

#include "sediment/fractions.h"
#include "sediment/sediment_fixture.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"
#include "support/in_dir.h"

namespace {

using Sizes = std::array<double, 3>;

// The flux (m over the step) of size n given as a pick-up (F 37 2, no
// settling) or as the bottom cell's balance (F 37 1, no neighbours): with a
// time step of 10 s, a solid fraction of 0.5 and 1 m2 of bed, 1 kg/s is
// 0.02 m.
void giveFlux(int b, int n, double flux, bool settling) {
  Bsource[n][b] = (settling ? -flux : flux) / 0.02;
}

void prepare(bool settling) {
  TimeStep = 10.0;
  SolidFrac = 0.5;
  for (int l = 1; l <= lnumber; ++l) fallvelo[l] = 0.0;
  for (int c = 1; c <= NoCells; ++c) {
    Cae[c] = Caw[c] = Can[c] = Cas[c] = Cat[c] = 0.0;
    for (int l = 1; l <= lnumber; ++l) {
      if (Catm) Catm[l][c] = 0.0;
      Cconc[l][c] = 0.0;
    }
  }
  for (int b = 1; b <= NoBCells; ++b) {
    ASSERT_NEAR(Barea[b], 1.0, 1e-12);
    for (int l = 1; l <= lnumber; ++l) Bap[l][b] = 0.0, giveFlux(b, l, 0.0, settling);
  }
}

double content(int b, int l) {
  return BSedDistrib[1][l][b] * BSedDistrib[1][0][b] + BSedDistrib[0][l][b] * BSedDistrib[0][0][b];
}

}  // namespace

// One size (F 37 2 routine): 1 mm of deposit on a half-full active layer of
// 2 mm fills it and starts the inactive layer with the rest; further deposit
// goes below; erosion empties the inactive layer first, then thins the active
// one, and what the bed cannot give is booked as the cut.
TEST(TwoLayerFractions, OneSizeFillsTheActiveLayerFirst) {
  InProjectDir p;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  prepare(true);
  gsize[1] = 0.002;
  const double T = activeThickness();
  ASSERT_EQ(T, 0.002);
  const int b = 1;
  BSedDistrib[1][0][b] = 0.001;
  BSedDistrib[1][1][b] = 1.0;
  BSedDistrib[0][0][b] = 0.0;
  struct Step {
    double flux, t1, t0, cut;
  };
  const Step steps[] = {{0.002, 0.002, 0.001, 0.0},
                        {0.001, 0.002, 0.002, 0.0},
                        {-0.0025, 0.0015, 0.0, 0.0},
                        {-0.003, 0.0, 0.0, -0.0015},
                        {1e-10, 0.0, 0.0, 0.0}};
  for (const Step& s : steps) {
    kLimDef = 0.0;
    kBedmove[1] = 0.0;
    giveFlux(b, 1, s.flux, true);
    morphology2_fractions(T);
    EXPECT_NEAR(Bedmove[b], s.flux, 1e-15);
    EXPECT_NEAR(BSedDistrib[1][0][b], s.t1, 1e-15) << s.flux;
    EXPECT_NEAR(BSedDistrib[0][0][b], s.t0, 1e-15) << s.flux;
    EXPECT_NEAR(kLimDef, 0.5 * s.cut * 1000.0 * 2.65 * NoBCells / NoBCells, 1e-9) << s.flux;
    EXPECT_NEAR(kBedmove[1], s.flux * 1000.0 * 0.5, 1e-12);
    EXPECT_EQ(BSedDistrib[1][1][b], 1.0);
  }
  std::string log = p.dir().exists("boogie") ? p.dir().boogie() : "";
  EXPECT_EQ(log.find("Warning"), std::string::npos) << log;
}

// Three sizes, both routines, every case of the update: the fractions of
// each layer sum to 1 and each size's grain volume changes by its flux.
TEST(TwoLayerFractions, SeveralSizesKeepEverySizesVolume) {
  struct Case {
    const char* name;
    double t1, t0;
    Sizes flux;
  };
  const Case cases[] = {
      {"deposit, old mixture moves down", 0.004, 0.1, {0.0005, 0.0003, 0.0002}},
      {"deposit passes through", 0.004, 0.1, {0.003, 0.002, 0.001}},
      {"deposit on a thin active layer", 0.003, 0.1, {0.0005, 0.0003, 0.0002}},
      {"active layer refilled from below", 0.004, 0.1, {-0.0007, -0.0005, 0.0002}},
      {"inactive layer used up", 0.004, 0.0005, {-0.0007, -0.0005, 0.0}},
      {"no inactive layer, erosion", 0.004, 0.0, {-0.0005, -0.0005, 0.0}},
      {"no inactive layer, filled", 0.003, 0.0, {0.001, 0.001, 0.0005}},
      {"no inactive layer, not filled", 0.003, 0.0, {0.0002, 0.0002, 0.0001}},
  };
  for (bool settling : {false, true}) {
    for (const Case& k : cases) {
      InProjectDir p;
      SedimentBox box;
      box.sizes = 3;
      ASSERT_TRUE(box.build());
      prepare(settling);
      gsize[1] = 0.004, gsize[2] = 0.002, gsize[3] = 0.001;
      const double T = activeThickness();
      const Sizes f1 = {0.2, 0.3, 0.5}, f0 = {0.3, 0.3, 0.4};
      for (int b = 1; b <= NoBCells; ++b) {
        BSedDistrib[1][0][b] = k.t1;
        BSedDistrib[0][0][b] = k.t0;
        for (int l = 1; l <= 3; ++l) {
          BSedDistrib[1][l][b] = f1[l - 1];
          BSedDistrib[0][l][b] = k.t0 > 0 ? f0[l - 1] : 0.0;
          giveFlux(b, l, k.flux[l - 1], settling);
        }
      }
      const int b = 1;
      Sizes before;
      for (int l = 1; l <= 3; ++l) before[l - 1] = content(b, l);
      kLimDef = 0.0;
      settling ? morphology2_fractions(T) : morphology_fractions(T);
      const std::string what = std::string(k.name) + (settling ? " (F 37 2)" : " (F 37 1)");
      EXPECT_NEAR(Bedmove[b], k.flux[0] + k.flux[1] + k.flux[2], 1e-15) << what;
      for (int l = 1; l <= 3; ++l) EXPECT_NEAR(content(b, l) - before[l - 1], k.flux[l - 1], 1e-14) << what << " size " << l;
      for (int layer = 0; layer <= 1; ++layer) {
        if (BSedDistrib[layer][0][b] <= 0.0) continue;
        double sum = 0.0;
        for (int l = 1; l <= 3; ++l) {
          EXPECT_GE(BSedDistrib[layer][l][b], 0.0) << what;
          sum += BSedDistrib[layer][l][b];
        }
        EXPECT_NEAR(sum, 1.0, 1e-12) << what << " layer " << layer;
      }
      EXPECT_NEAR(kLimDef, 0.0, 1e-12) << what;
      if (k.t0 == 0.0 && k.flux[0] + k.flux[1] + k.flux[2] + k.t1 >= T) {
        EXPECT_NEAR(BSedDistrib[1][0][b], T, 1e-15) << what;
      }
      const std::string log = p.dir().exists("boogie") ? p.dir().boogie() : "";
      EXPECT_EQ(log.find("Warning"), std::string::npos) << what << log;
    }
  }
}

// Erosion of one size beyond what the active layer holds: the layers give
// its whole active content, Bedmove keeps the full erosion and the rest is
// booked in kLimDef (kg: solid fraction x 1000 x density). A net change
// within 1e-9 m changes nothing; a dry bed cell keeps its layers.
TEST(TwoLayerFractions, CutErosionSmallChangesAndDryCells) {
  InProjectDir p;
  SedimentBox box;
  box.sizes = 3;
  ASSERT_TRUE(box.build());
  prepare(false);
  gsize[1] = 0.004, gsize[2] = 0.002, gsize[3] = 0.001;
  const double T = activeThickness();
  for (int b = 1; b <= NoBCells; ++b) {
    BSedDistrib[1][0][b] = 0.004;
    BSedDistrib[0][0][b] = 0.1;
    for (int l = 1; l <= 3; ++l) BSedDistrib[1][l][b] = BSedDistrib[0][l][b] = l == 3 ? 0.6 : 0.2;
  }
  giveFlux(1, 1, -0.002, false);  // holds 0.0008 m of size 1
  giveFlux(2, 1, 1e-10, false);
  giveFlux(2, 2, -2e-10, false);
  giveFlux(3, 1, 0.001, false);
  const int dry = 3;
  Bcellt[dry] = 0;
  const double before1 = content(1, 1), before2 = BSedDistrib[1][1][2];
  kLimDef = 0.0;
  morphology_fractions(T);
  EXPECT_NEAR(Bedmove[1], -0.002, 1e-15);
  EXPECT_NEAR(content(1, 1) - before1, -0.0008, 1e-14);
  EXPECT_NEAR(kLimDef, 0.5 * (-0.002 + 0.0008) * 1000.0 * 2.65, 1e-9);
  EXPECT_EQ(BSedDistrib[1][1][2], before2);
  EXPECT_EQ(BSedDistrib[1][0][2], 0.004);
  EXPECT_EQ(Bedmove[dry], 0.0);
  EXPECT_EQ(BSedDistrib[1][0][dry], 0.004);
  EXPECT_EQ(BSedDistrib[0][0][dry], 0.1);
}

// The quasi-neighbour routine with two layers: deposition fills the active
// layer, the rest goes below with fractions normalised; one size sets only
// Bedmove.
TEST(TwoLayerFractions, QuasiNeighbourRoutineFillsThenDeposits) {
  InProjectDir p;
  SedimentBox box;
  box.sizes = 2;
  ASSERT_TRUE(box.build());
  prepare(false);
  gsize[1] = 0.004, gsize[2] = 0.001;
  const int b = 1;
  BSedDistrib[1][0][b] = 0.003;
  BSedDistrib[0][0][b] = 0.0;
  BSedDistrib[1][1][b] = BSedDistrib[1][2][b] = 0.5;
  giveFlux(b, 1, 0.002, false);
  giveFlux(b, 2, 0.0, false);
  morphology_QNfractions(0.004);
  EXPECT_NEAR(Bedmove[b], 0.002, 1e-15);
  EXPECT_NEAR(BSedDistrib[1][0][b], 0.004, 1e-15);
  EXPECT_NEAR(BSedDistrib[0][0][b], 0.001, 1e-15);
  EXPECT_NEAR(BSedDistrib[1][1][b], 0.0035 / 0.005, 1e-12);
  EXPECT_NEAR(BSedDistrib[0][1][b] + BSedDistrib[0][2][b], 1.0, 1e-12);
}

// The quasi-neighbour routine takes the bed exchange of the method: F 37 1
// the balance of the held bottom cell (Bsource 0.05 kg/s in, 1 mm), F 37 2
// settling minus pick-up (a pick-up of 0.05 kg/s, -1 mm), whatever a stale
// Bap holds; with one size the layers carry the change: 1 mm onto a 1 mm
// active layer of 2 mm fills it, 1 mm out of it leaves nothing.
TEST(TwoLayerFractions, QuasiNeighbourRoutineTakesTheMethodsExchange) {
  struct Row {
    int tsc;
    double move, t1;
  };
  for (const Row r : {Row{1, 0.001, 0.002}, Row{2, -0.001, 0.0}}) {
    SCOPED_TRACE(r.tsc);
    InProjectDir p;
    FlagTSC = r.tsc;
    SedimentBox box;
    ASSERT_TRUE(box.build());
    prepare(false);
    const int b = 1;
    BSedDistrib[1][0][b] = 0.001;
    BSedDistrib[0][0][b] = 0.0;
    Bsource[1][b] = 0.05;
    Bap[1][b] = 7.0;
    Cconc[1][Bcellt[b]] = 0.0;
    kBedmove[1] = 0.0;
    morphology_QNfractions(0.002);
    EXPECT_NEAR(Bedmove[b], r.move, 1e-15);
    EXPECT_NEAR(BSedDistrib[1][0][b], r.t1, 1e-15);
    EXPECT_NEAR(BSedDistrib[0][0][b], 0.0, 1e-15);
    EXPECT_NEAR(kBedmove[1], r.move * 1000.0 * 0.5, 1e-12);
  }
}

// F 37 1: the flux is what the neighbours bring into the held bottom cell
// and what it keeps (Bap C): 2 kg/s x 0.01 from the north, 1 kg/s x 0.005
// out, 0.015 kg/s = 3e-4 m over 10 s; with the per-size sides of F 78 5..9
// the size's own coefficients count, not the shared ones.
TEST(TwoLayerFractions, BalanceOfTheHeldBottomCell) {
  for (bool perSize : {false, true}) {
    InProjectDir p;
    if (perSize) BedLoadVectorFlag = 5;
    SedimentBox box;
    box.sizes = 2;
    ASSERT_TRUE(box.build());
    prepare(false);
    gsize[1] = 0.004, gsize[2] = 0.001;
    int b = 0;
    for (int x = 1; x <= NoBCells && b == 0; ++x)
      if (Ccelln[Bcellt[x]] > 0) b = x;
    ASSERT_GT(b, 0);
    const int c = Bcellt[b], north = Ccelln[c];
    for (int x = 1; x <= NoBCells; ++x) {
      BSedDistrib[1][0][x] = 0.004;
      BSedDistrib[0][0][x] = 0.1;
      for (int l = 1; l <= 2; ++l) BSedDistrib[1][l][x] = BSedDistrib[0][l][x] = 0.5;
    }
    if (perSize) {
      ASSERT_NE(Canm, nullptr);
      Can[c] = 7.0;  // not the equation of the size
      Canm[1][c] = 2.0;
      Canm[2][c] = 0.0;
    } else {
      Can[c] = 2.0;
    }
    Cconc[1][north] = 0.01;
    Cconc[1][c] = 0.005;
    Bap[1][b] = 1.0;
    morphology_fractions(0.004);
    EXPECT_NEAR(Bedmove[b], 3e-4, 1e-15) << perSize;
    EXPECT_NEAR(content(b, 1) - 0.5 * 0.104, 3e-4, 1e-14) << perSize;
  }
}
