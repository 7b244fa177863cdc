// The suspended-load solvers with bed exchange (F 37 2 and 3): in a closed
// box the sediment of every size only moves between water and bed, no
// concentration goes negative, a cohesive size below its critical shear
// stays in the bed; the pick-up is limited by supply plus deposition, and
// the multi-layer solver's bed change follows from settling and pick-up.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "sediment/fractions.h"
#include "sediment/morphology.h"
#include "sediment/steproutines.h"
#include "sediment/sediment_fixture.h"
#include "sediment/suspended.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"
#include "support/in_dir.h"

namespace {

// The box's discharge groups lose their faces: nothing enters or leaves.
void closeGroups() { DischargeStruct[1].surfno = DischargeStruct[2].surfno = 0; }

// A closed, still box (no face fluxes, no discharge) of three sizes with a
// constant diffusivity; equilibrium concentrations above what the water
// carries, so that the bed gives up sediment.
void closedBox(int tsc) {
  FlagTSC = tsc;
  TimeStep = 20.0;  // a transient run: the previous fields exist
  SedimentBox box;
  box.sizes = 3;
  ASSERT_TRUE(box.build());
  closeGroups();
  TurbulenceModel = 6;
  TCvert = TChoriz = 1.0;
  TimeStep = 20.0;
  SolidFrac = 0.5;
  iter_morph = 60;
  for (int f = 1; f <= NoSurfaces; ++f) Fflux[f] = 0.0;
  const double w[4] = {0.0, 0.002, 0.0005, 0.001};
  const double eq[4] = {0.0, 0.0008, 0.0004, 0.001};
  for (int l = 1; l <= 3; ++l) {
    fallvelo[l] = w[l];
    gsize[l] = 0.0002 * l;
  }
  for (int c = 1; c <= NoCells; ++c) Ckinen[c] = 0.001;  // 0.3 Pa
  for (int b = 1; b <= NoBCells; ++b) {
    // Cells of the second column carry more than equilibrium and deposit.
    for (int l = 1; l <= 3; ++l) Bconc[l][b] = b == 2 ? 0.0 : eq[l];
    for (int k = 0; k < 2; ++k) {
      BSedDistrib[k][0][b] = k == 1 ? 0.004 : 0.5;
      for (int l = 1; l <= 3; ++l) BSedDistrib[k][l][b] = 1.0 / 3.0;
    }
    BlayerTop[b] = 1;
    if (Bsolidfraction)
      for (int k = 0; k < 2; ++k) Bsolidfraction[k][b] = SolidFrac;
  }
  for (int c = 1; c <= NoCells; ++c)
    for (int l = 1; l <= 3; ++l) Cconc[l][c] = Cbed[c] == 0 && c % 3 == 0 ? 0.0005 : 0.0;
}

// Grain mass of size l in the water and in the two-layer bed (kg of water
// units: the density cancels).
double totalMass(int l) {
  double m = 0.0;
  for (int c = 1; c <= NoCells; ++c) m += Cconc[l][c] * Cvol[c];
  for (int b = 1; b <= NoBCells; ++b)
    for (int k = 0; k <= std::max(BlayerTop[b], 1); ++k)
      m += Barea[b] * BSedDistrib[k][0][b] * BSedDistrib[k][l][b] *
           (Bsolidfraction ? Bsolidfraction[k][b] : SolidFrac);
  return m;
}

// The equation of every size as the loop assembles it for a step.
void assemble() {
  for (int l = 1; l <= 3; ++l)
    for (int c = 1; c <= NoCells; ++c) Cconc_old[l][c] = Cconc[l][c];
  WCStart = WFStart = WBStart = 1;
  WCEnd = NoCells;
  WFEnd = NoSurfaces;
  WBEnd = NoBCells;
  coeff_make2(1, NoSurfaces);
  sedimentTimeTerm();
  bedCellTerms();
}

}  // namespace

// Twenty steps of F 37 2 with three sizes (F 303 0): per size the water and
// bed hold the same mass to 1e-8 of it, nothing goes negative, and the
// cohesive third size (critical shear 1 Pa against 0.3 Pa) is never picked
// up where the bed would give it.
TEST(ExchangeSolvers, ClosedBoxKeepsEverySizesMassAndHoldsACohesiveSize) {
  InProjectDir p;
  closedBox(2);
  cohesive[3] = 1.0;
  double start[4];
  for (int l = 1; l <= 3; ++l) start[l] = totalMass(l);
  bool picked[4] = {};
  for (int step = 1; step <= 20; ++step) {
    assemble();
    morphology_tsc_solver_tsc2_multiple();
    for (int l = 1; l <= 3; ++l)
      for (int b = 1; b <= NoBCells; ++b) picked[l] = picked[l] || Bsource[l][b] > 0.0;
    morphology2_fractions(activeThickness());
    for (int l = 1; l <= 3; ++l) {
      EXPECT_NEAR(totalMass(l), start[l], 1e-8 * start[l]) << "step " << step << " size " << l;
      for (int c = 1; c <= NoCells; ++c) ASSERT_GE(Cconc[l][c], 0.0);
    }
  }
  EXPECT_TRUE(picked[1]);
  EXPECT_TRUE(picked[2]);
  EXPECT_FALSE(picked[3]);
  // Without cohesion the third size is picked up like the others.
  cohesive[3] = 0.0;
  assemble();
  morphology_tsc_solver_tsc2_multiple();
  EXPECT_GT(Bsource[3][1], 0.0);
}

// One size: the same balance through solver (F 37 2, single).
TEST(ExchangeSolvers, OneSizeKeepsItsMass) {
  InProjectDir p;
  FlagTSC = 2;
  TimeStep = 20.0;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  closeGroups();
  TurbulenceModel = 6;
  TCvert = TChoriz = 1.0;
  TimeStep = 20.0;
  SolidFrac = 0.5;
  iter_morph = 60;
  for (int f = 1; f <= NoSurfaces; ++f) Fflux[f] = 0.0;
  fallvelo[1] = 0.001;
  gsize[1] = 0.0002;
  for (int b = 1; b <= NoBCells; ++b) {
    Bconc[1][b] = b == 2 ? 0.0 : 0.001;
    BSedDistrib[1][0][b] = 0.004;
    BSedDistrib[0][0][b] = 0.5;
    BSedDistrib[0][1][b] = BSedDistrib[1][1][b] = 1.0;
  }
  auto mass = [] {
    double m = 0.0;
    for (int c = 1; c <= NoCells; ++c) m += Cconc[1][c] * Cvol[c];
    for (int b = 1; b <= NoBCells; ++b) m += Barea[b] * (BSedDistrib[0][0][b] + BSedDistrib[1][0][b]) * SolidFrac;
    return m;
  };
  const double m0 = mass();
  for (int step = 1; step <= 10; ++step) {
    for (int c = 1; c <= NoCells; ++c) Cconc_old[1][c] = Cconc[1][c];
    WCStart = WFStart = WBStart = 1;
    WCEnd = NoCells;
    WFEnd = NoSurfaces;
    WBEnd = NoBCells;
    coeff_make1(1, NoSurfaces);
    sedimentTimeTerm();
    bedCellTerms();
    morphology_tsc_solver_tsc2_single();
    morphology2_fractions(activeThickness());
    EXPECT_NEAR(mass(), m0, 1e-8 * m0) << "step " << step;
  }
  EXPECT_GT(Cconc[1][Bcellt[1]], 0.0);
}

namespace {

// Thick equilibrium load over a bed that can give little within a step: the
// pick-up is cut at supply plus deposition.
void supplyLimitedBox() {
  closedBox(3);
  FlagRapSolver = 21;  // serial sweeps: two runs give the same bits
  for (int b = 1; b <= NoBCells; ++b)
    for (int l = 1; l <= 3; ++l) Bconc[l][b] = 0.05;
}

}  // namespace

// F 37 3, one inner iteration: the supply reaches the active thickness T
// (the largest size, 0.6 mm) below the bed: 0.0006 x 0.5 x 1/3 = 1e-4 m of
// grains per size, 5 kg/s over 1 m2 and 20 s; the bottom cells start clear,
// so the pick-up is exactly that. The bed change of each size is then
// settling minus pick-up over the step, spread over area and solid fraction.
TEST(ExchangeSolvers, MultiLayerPickUpIsCutAtSupplyAndFormsTheBedChange) {
  InProjectDir p;
  supplyLimitedBox();
  iter_morph = 1;
  for (int b = 1; b <= NoBCells; ++b) {
    for (int l = 1; l <= 3; ++l) EXPECT_EQ(Cconc[l][Bcellt[b]], 0.0);
  }
  assemble();
  SumBedChange = 0.0;
  morphology_tsc_solver_tsc3_standard();
  double mass = 0.0;
  for (int b = 1; b <= NoBCells; ++b) {
    const int c = Bcellt[b];
    double sum = 0.0;
    for (int l = 1; l <= 3; ++l) {
      EXPECT_NEAR(Bupflux[l][b], 1e-4 * 1000.0 / 20.0, 1e-15) << b << " " << l;
      const double dz = (Faz[Cflateb[c]] * Cconc[l][c] * fallvelo[l] - Bupflux[l][b] * 0.001) * 20.0 / (1.0 * 0.5);
      EXPECT_NEAR(Bbedchange[l][b], dz, 1e-18);
      EXPECT_LT(Bbedchange[l][b], 0.0);
      sum += Bbedchange[l][b];
      mass += dz * 1000.0 * density * 0.5;
    }
    EXPECT_NEAR(Bedmove[b], sum, 1e-18);
  }
  EXPECT_NEAR(SumBedChange, mass, 1e-12);
}

// Over many iterations the pick-up of each size stays within the supply
// below the changed bed plus the settling of the bottom cell; a cohesive
// size is held only once the bed erodes (not in the first iteration).
TEST(ExchangeSolvers, MultiLayerPickUpNeverExceedsSupplyPlusDeposition) {
  auto run = [](int iterations) {
    supplyLimitedBox();
    cohesive[3] = 1.0;  // 1 Pa against 0.3 Pa
    assemble();
    iter_morph = iterations;
    morphology_tsc_solver_tsc3_standard();
  };
  {
    InProjectDir p;
    run(1);
    EXPECT_GT(Bupflux[3][1], 0.0);
  }
  for (int it : {2, 7}) {
    SCOPED_TRACE(it);
    // The state the first it - 1 iterations leave, then all it of them.
    double before[7] = {}, Cb[4][7] = {};
    {
      InProjectDir p;
      run(it - 1);
      for (int b = 1; b <= NoBCells && b < 7; ++b) {
        before[b] = Bedmove[b];
        for (int l = 1; l <= 3; ++l) Cb[l][b] = Cconc[l][Bcellt[b]];
      }
    }
    InProjectDir p;
    run(it);
    double a[51];
    for (int b = 1; b <= NoBCells && b < 7; ++b) {
      const int c = Bcellt[b];
      computeAvailableFraction(b, a, std::max(before[b] - 0.0006, -0.504));
      for (int l = 1; l <= 3; ++l) {
        const double limit = a[l] * Barea[b] * 1000.0 / 20.0 + Cb[l][b] * fallvelo[l] * Faz[Cflateb[c]] * 1000.0;
        EXPECT_LE(Bupflux[l][b], limit * (1.0 + 1e-12))
            << b << " " << l;
        EXPECT_GT(Bupflux[l == 3 ? 1 : l][b], 0.0);
      }
      EXPECT_LT(before[b], 0.0);
      EXPECT_EQ(Bupflux[3][b], 0.0);
    }
  }
}

// F 303 2: the bottom cells alone, driven by their horizontal coefficients
// G: S = min(G x the erodible layer, G (f x Bconc - C)); Bsource ends at 0.
TEST(ExchangeSolvers, BottomLayerVariantByHand) {
  InProjectDir p;
  closedBox(2);
  FlagFracVer0 = 2;
  iter_morph = 1;
  assemble();
  const int b = 1, c = Bcellt[b];
  const double G = Cae[c] + Caw[c] + Can[c] + Cas[c] + Bap[1][b];
  const double source = Bsource[1][b];
  morphology_tsc_solver_tsc2_multiple_v2();
  const double S = std::min(G * (1.0 / 3.0) * 0.004 * 0.5, G * (1.0 / 3.0 * 0.0008 - 0.0));
  EXPECT_NEAR(Csourcem[1][c], S + source, 1e-15);
  EXPECT_GT(S, 0.0);
  EXPECT_EQ(Bsource[1][b], 0.0);
  EXPECT_NEAR(Capm[1][c], G + 1000.0 * Cvol[c] / 20.0, 1e-12);
}

// No inner iteration: nothing is solved and the bed sources stay.
TEST(ExchangeSolvers, NoInnerIterationsLeaveTheFields) {
  InProjectDir p;
  closedBox(2);
  iter_morph = 0;
  assemble();
  const double before = Bsource[1][1], conc = Cconc[1][5];
  morphology_tsc_solver_tsc2_multiple();
  EXPECT_EQ(Bsource[1][1], before);
  EXPECT_EQ(Cconc[1][5], conc);
}

// F 447 6: the supply reaches only gsize[1] below the bed, so clear water
// over many inner iterations lowers no column by more than gsize[1] in the
// step; the default reaches T below the changed bed and goes deeper.
TEST(ExchangeSolvers, TheArmourDepthLimitsTheErosionOfAStep) {
  for (int rule : {6, 0}) {
    SCOPED_TRACE(rule);
    InProjectDir p;
    supplyLimitedBox();
    FlagArmourDepth = rule;
    assemble();
    iter_morph = 4;
    morphology_tsc_solver_tsc3_standard();
    double lowest = 0.0;
    for (int b = 1; b <= NoBCells; ++b)
      if (Bcellt[b] > 0) lowest = std::min(lowest, Bedmove[b]);
    if (rule == 6) {
      EXPECT_GE(lowest, -gsize[1] - 1e-15);
      EXPECT_LT(lowest, -0.9 * gsize[1]);
    } else {
      EXPECT_LT(lowest, -1.5 * gsize[1]);
    }
  }
}

// One inner iteration of the two-layer multi-size solver, size 1 of bed cell
// 1 (fall velocity 2 mm/s, 1 m2): the pick-up S = min(A + D, P) with the
// supply A = 1/3 x 1 m2 x 4 mm x 1000 x 0.5 / 20 s = 1/30, the deposition
// D = 2 C and P = 2 x, x the effective bed concentration: (1/3) Bconc, then
// by F 484 (1: x s-scaled, 2: at least C / C0 x Bconc, 3: Bconc) and by
// F 304 (1: at least C, 2: also at most Bconc). Bsource keeps S.
TEST(ExchangeSolvers, PickUpOfTheTwoLayerSolverByHand) {
  struct Case {
    const char* what;
    int f304, f484;
    double bconc, c1, cOthers;
    double S;
  };
  const double A = 1.0 / 30.0;
  const Case cases[] = {
      {"supply and deposition", 0, 0, 0.5, 0.001, 0.0, A + 0.002},
      {"pick-up", 0, 0, 0.0006, 0.0, 0.0, 0.0004},
      {"pick-up, a loaded cell", 0, 0, 0.0006, 0.001, 0.0, 0.0004},
      {"F 304 1", 1, 0, 0.0006, 0.001, 0.0, 0.002},
      {"F 304 2", 2, 0, 0.0006, 0.001, 0.0, 0.0012},
      {"F 484 3", 0, 3, 0.0006, 0.0, 0.0, 0.0012},
      {"F 484 2", 0, 2, 0.0006, 0.001, 0.0005, 0.0006},
      {"F 484 1, water below its load", 0, 1, 0.0006, 0.0001, 0.0001, 0.0008},
      {"F 484 1, water above its load", 0, 1, 0.0006, 0.0003, 0.0003, 0.0004},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    InProjectDir p;
    closedBox(2);
    iter_morph = 1;
    assemble();
    for (int b = 1; b <= NoBCells; ++b)
      for (int l = 1; l <= 3; ++l) Bconc[l][b] = k.bconc, Cconc[l][Bcellt[b]] = l == 1 ? k.c1 : k.cOthers;
    FlagBedVer = k.f304;
    FlagSumFractions = k.f484;
    const int c = Bcellt[1];
    ASSERT_NEAR(Barea[1], 1.0, 1e-12);
    ASSERT_NEAR(Faz[Cflateb[c]], 1.0, 1e-12);
    morphology_tsc_solver_tsc2_multiple();
    EXPECT_NEAR(Bsource[1][1], k.S, 1e-12);
  }
}

// The same limit in the one-size solver: the whole active layer
// (4 mm x 1 m2 x 1000 x 0.5 / 20 s) plus the deposition 2 C.
TEST(ExchangeSolvers, PickUpOfTheOneSizeSolverIsCutAtSupplyPlusDeposition) {
  for (double C : {0.0, 0.001}) {
    SCOPED_TRACE(C);
    InProjectDir p;
    FlagTSC = 2;
    TimeStep = 20.0;
    SedimentBox box;
    ASSERT_TRUE(box.build());
    closeGroups();
    SolidFrac = 0.5;
    iter_morph = 1;
    fallvelo[1] = 0.002;
    for (int b = 1; b <= NoBCells; ++b) {
      Bconc[1][b] = 0.5;
      BSedDistrib[1][0][b] = 0.004;
      BSedDistrib[1][1][b] = 1.0;
      Cconc[1][Bcellt[b]] = C;
    }
    WCStart = WFStart = WBStart = 1;
    WCEnd = NoCells;
    WFEnd = NoSurfaces;
    WBEnd = NoBCells;
    coeff_make1(1, NoSurfaces);
    sedimentTimeTerm();
    bedCellTerms();
    for (int b = 1; b <= NoBCells; ++b) Cconc[1][Bcellt[b]] = C;
    morphology_tsc_solver_tsc2_single();
    EXPECT_NEAR(Bsource[1][1], 0.1 + 2.0 * C, 1e-12);
  }
}

// F 441 in the multi-layer solver: the supply 5 kg/s of the active thickness
// and the deposition 2 kg/s (C 0.001 at 2 mm/s) add with 1; otherwise the
// larger of the two limits the pick-up (P = 2000 x 0.05 / 3 above both).
TEST(ExchangeSolvers, MultiLayerLimitByF441) {
  for (int f441 : {1, 0}) {
    SCOPED_TRACE(f441);
    InProjectDir p;
    supplyLimitedBox();
    iter_morph = 1;
    assemble();
    Cconc[1][Bcellt[1]] = 0.001;
    FlagMaxFlux = f441;
    morphology_tsc_solver_tsc3_standard();
    EXPECT_NEAR(Bupflux[1][1], f441 == 1 ? 0.007 : 0.005, 1e-12);
  }
}

// F 261 2 with a nested block: after the inner iterations (and also when
// there are none) a coarse cell fully covered by one fine cell of its own
// volume takes that cell's concentration (r = 1), in every size of the
// several-size solvers and in size 1 of the one-size solver; F 261 1 (the
// flow's own form) transfers nothing here.
TEST(ExchangeSolvers, NestingTransferOfTheConcentrations) {
  struct Row {
    const char* name;
    void (*solve)();
    int mode, iterations, sizesMoved;
  };
  const Row rows[] = {{"multiple", morphology_tsc_solver_tsc2_multiple, 2, 0, 3},
                      {"multiple", morphology_tsc_solver_tsc2_multiple, 2, 2, 3},
                      {"bottom layer", morphology_tsc_solver_tsc2_multiple_v2, 2, 0, 3},
                      {"bottom layer", morphology_tsc_solver_tsc2_multiple_v2, 2, 1, 3},
                      {"single", morphology_tsc_solver_tsc2_single, 2, 0, 1},
                      {"single", morphology_tsc_solver_tsc2_single, 2, 1, 1},
                      {"multiple, F 261 1", morphology_tsc_solver_tsc2_multiple, 1, 0, 0}};
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.name) + " iterations " + std::to_string(r.iterations));
    InProjectDir p;
    closedBox(2);
    const int half = NoCells / 2;
    ASSERT_TRUE(allocate1(Cinterpolnest, static_cast<size_t>(MaxCeller)));
    NoBlocks = 2;
    block[2] = block[1];
    block[1].lastCell = half;
    block[2].firstCell = half + 1, block[2].nestLevel = 1;
    nestlevmax = 1;
    const int coarse = 4, fine = half + 3;
    ASSERT_NEAR(Cvol[coarse], Cvol[fine], 1e-12);
    Cinterpolnest[fine] = coarse;
    for (int l = 1; l <= 3; ++l) {
      Cconc[l][coarse] = 0.0001 * l;
      Cconc[l][fine] = 0.0003 * l + 0.0002;
    }
    FlagCoupledNesting = r.mode;
    RelaxCoupledNesting = 1.0;
    iter_morph = r.iterations;
    assemble();
    double before[4];
    for (int l = 1; l <= 3; ++l) before[l] = Cconc[l][coarse];
    r.solve();
    for (int l = 1; l <= 3; ++l) {
      if (l <= r.sizesMoved) {
        EXPECT_NEAR(Cconc[l][coarse], Cconc[l][fine], 1e-12 * Cconc[l][fine]) << "size " << l;
      } else if (r.iterations == 0 || r.solve == morphology_tsc_solver_tsc2_single) {
        EXPECT_EQ(Cconc[l][coarse], before[l]) << "size " << l;
      }
    }
    block[2] = BlockRecord{};
  }
}
