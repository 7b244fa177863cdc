// Bed-load slope terms: the implicit coefficients of F 78 5..9 between
// bottom cells and the explicit lateral source of F 78 1 and 3.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "sediment/suspended.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"

namespace {

bool buildSloping(bool inclined, int sizes) {
  FlowGrid g = inclined ? FlowGrid::inclined(6, 4) : FlowGrid::box(6, 4);
  g.sizes = sizes;
  if (!g.build()) return false;
  WBStart = 1;
  WBEnd = NoBCells;
  return true;
}

// Flow along x at 0.5 m/s, turbulence k, a top layer of 10 cm holding every
// size, concentration c everywhere.
void movingBed(double k) {
  for (int c = 1; c <= NoCells; ++c) {
    Cxvel[c] = 0.5;
    Cyvel[c] = 0.0;
    Ckinen[c] = k;
    for (int l = 1; l <= lnumber; ++l) Cconc[l][c] = 0.01;
  }
  for (int b = 1; b <= NoBCells; ++b) {
    BlayerTop[b] = 1;
    BSedDistrib[1][0][b] = 0.1;
    for (int l = 1; l <= lnumber; ++l) BSedDistrib[1][l][b] = 1.0 / lnumber;
  }
  for (int l = 1; l <= lnumber; ++l) gsize[l] = 0.0002 * l;
}

double total(const double* a) {
  double s = 0.0;
  for (int c = 1; c <= NoCells; ++c) s += a[c];
  return s;
}

}  // namespace

// A flat bed moves nothing sideways; on a slope the sediment moves from
// bottom cells to their neighbours, the sources summing to 0. Without
// turbulence nothing moves (the factor would be unbounded).
TEST(BedLoadVector, LateralSourceOfTheExplicitMethods) {
  for (bool inclined : {false, true}) {
    InProjectDir p;
    FlagTSC = 1;
    ASSERT_TRUE(buildSloping(inclined, 2));
    movingBed(0.01);
    BedVectorSourceCalc(2);
    double moved = 0.0;
    for (int c = 1; c <= NoCells; ++c) moved += std::fabs(Csourcem[2][c]);
    EXPECT_NEAR(total(Csourcem[2]), 0.0, 1e-15);
    if (inclined) {
      EXPECT_GT(moved, 1e-6);
    } else {
      EXPECT_EQ(moved, 0.0);
    }
    // Only bottom cells lose sediment.
    for (int c = 1; c <= NoCells; ++c) {
      if (Csourcem[2][c] < 0.0) {
        EXPECT_EQ(Ccellb[c], 0) << c;
      }
    }
  }
  InProjectDir p;
  FlagTSC = 1;
  ASSERT_TRUE(buildSloping(true, 2));
  movingBed(0.0);
  BedVectorSourceCalc(1);
  for (int c = 1; c <= NoCells; ++c) EXPECT_EQ(Csourcem[1][c], 0.0) << c;
  // A top layer holding less than one grain of the size moves nothing.
  movingBed(0.01);
  for (int b = 1; b <= NoBCells; ++b) BSedDistrib[1][0][b] = 0.0002;
  BedVectorSourceCalc(1);  // 0.5 x 0.0002 below gsize 0.0002
  for (int c = 1; c <= NoCells; ++c) EXPECT_EQ(Csourcem[1][c], 0.0) << c;
}

// The explicit source lands on the bed cells of bottom cells held at their
// bed value when passed through the bed.
TEST(BedLoadVector, ThroughTheBedIntoBsource) {
  InProjectDir p;
  FlagTSC = 1;
  ASSERT_TRUE(buildSloping(true, 2));
  movingBed(0.01);
  bedVectorSource(2, true);
  double bed = 0.0, moved = 0.0;
  for (int b = 1; b <= NoBCells; ++b) {
    bed += Bsource[2][b];
    moved += std::fabs(Bsource[2][b]);
  }
  EXPECT_GT(moved, 1e-6);
  EXPECT_NEAR(bed + total(Csourcem[2]), 0.0, 1e-15);
  for (int c = 1; c <= NoCells; ++c) {
    if (Ccellb[c] == 0) {
      EXPECT_EQ(Csourcem[2][c], 0.0) << c;
    }
  }
}

// F 78 5..9: upwind slope-flux coefficients between bottom cells, each
// outflow also in the diagonal of the cell it leaves (mass kept); nothing on
// a flat bed or in still water; the factor limited to 1 for F 78 5..8.
TEST(BedLoadVector, ImplicitCoefficients) {
  for (int variant : {5, 7, 9}) {
    InProjectDir p;
    FlagTSC = 1;
    BedLoadVectorFlag = variant;
    ASSERT_TRUE(buildSloping(true, 2));
    movingBed(0.0);
    coeff_make_bedvector(1, NoSurfaces);
    double side = 0.0;
    for (int c = 1; c <= NoCells; ++c) side += Caem[1][c] + Cawm[1][c] + Canm[1][c] + Casm[1][c];
    EXPECT_GT(side, 0.0) << variant;
    EXPECT_NEAR(side, total(Capm[1]), 1e-12) << variant;
    // Zero turbulence: F 78 5 reaches the limit 1, |q| = 1000 Farea |U| r
    // on every face between bottom cells (r = 1 without flux through it).
    double limit = 0.0;
    for (int f = 1; f <= NoSurfaces; ++f) {
      const int c1 = Fcell1[f], c2 = Fcell2[f];
      if (c1 > 0 && c2 > 0 && !Ccellb[c1] && !Ccellb[c2]) limit += 1000.0 * Farea[f] * 0.5;
    }
    if (variant == 5) {
      EXPECT_NEAR(total(Capm[1]), limit, 1e-9);
    } else {
      EXPECT_LT(total(Capm[1]), limit);
    }
  }
  InProjectDir p;
  FlagTSC = 1;
  BedLoadVectorFlag = 6;
  ASSERT_TRUE(buildSloping(true, 2));
  movingBed(0.01);
  for (int c = 1; c <= NoCells; ++c) Cxvel[c] = 0.0;
  coeff_make_bedvector(1, NoSurfaces);
  EXPECT_EQ(total(Capm[1]), 0.0);
  for (int c = 1; c <= NoCells; ++c) EXPECT_FALSE(std::isnan(Caem[1][c]));
}

namespace {

// Two sizes on the inclined grid with flow, their equations built and
// completed, the bottom cells' balance set: ready for the F 37 1 solver.
void inclinedProblem() {
  movingBed(0.01);
  for (int c = 1; c <= NoCells; ++c) Cgamma[c] = CgammaV[c] = 1.0;
  for (int l = 1; l <= lnumber; ++l) fallvelo[l] = 0.001 * l;
  TimeStep = 10.0;
  for (int b = 1; b <= NoBCells; ++b) {
    Barea[b] = 1.0;
    for (int l = 1; l <= lnumber; ++l) Bconc[l][b] = 0.02;
  }
  if (Caem) coeff_make2m(1, NoSurfaces);
  coeff_make2(1, NoSurfaces);
  for (int l = 1; l <= lnumber; ++l) {
    for (int c = 1; c <= NoCells; ++c) {
      const double T = 1000.0 * Cvol[c] / TimeStep;
      const double sides = Caem ? Caem[l][c] + Cawm[l][c] + Canm[l][c] + Casm[l][c] : Cae[c] + Caw[c] + Can[c] + Cas[c];
      Capm[l][c] = T + sides + Cabm[l][c] + Catm[l][c];
      Csourcem[l][c] = T * Cconc[l][c];
    }
    for (int b = 1; b <= NoBCells; ++b) {
      const int c = Bcellt[b];
      Bap[l][b] = 1000.0 * Cvol[c] / TimeStep + Cabm[l][Ccellt[c]];
      Bsource[l][b] = Csourcem[l][c];
    }
  }
}

}  // namespace

// F 78 3 applies the lateral source in inner iteration iter_morph / 2 (0 for
// a single iteration), F 78 1 in iteration 1 (never for a single one); it
// reaches the bottom cells held at their bed value through Bsource.
TEST(BedLoadVector, InnerIterationOfTheExplicitSource) {
  for (int flag : {1, 3}) {
    InProjectDir p;
    FlagTSC = 1;
    BedLoadVectorFlag = flag;
    ASSERT_TRUE(buildSloping(true, 2));
    inclinedProblem();
    std::vector<double> before(Bsource[2], Bsource[2] + NoBCells + 1);
    iter_morph = 1;
    morphology_tsc_solver_tsc1_multiple();
    double changed = 0.0;
    for (int b = 1; b <= NoBCells; ++b) changed += std::fabs(Bsource[2][b] - before[b]);
    if (flag == 3) {
      EXPECT_GT(changed, 1e-9);
    } else {
      EXPECT_EQ(changed, 0.0);
    }
  }
}

// With F 78 5..9 each size is solved with its own horizontal rows, and its
// bed value reads them too: the shared rows, which the per-size builder does
// not write, play no part.
TEST(BedLoadVector, PerSizeRowsServeTheSolverAndTheBedValue) {
  std::vector<double> results[2];
  for (int run = 0; run < 2; ++run) {
    InProjectDir p;
    FlagTSC = 1;
    BedLoadVectorFlag = 6;
    ASSERT_TRUE(buildSloping(true, 2));
    inclinedProblem();
    coeff_make_bedvector(1, NoSurfaces);
    for (int c = 1; c <= NoCells; ++c) Cae[c] = Caw[c] = Can[c] = Cas[c] = run == 0 ? 0.0 : 1e3;
    FlagRapSolver = 25;  // serial: the same sequence of updates in both runs
    iter_morph = 5;
    morphology_tsc_solver_tsc1_multiple();
    for (int l = 1; l <= 2; ++l) results[run].insert(results[run].end(), Cconc[l] + 1, Cconc[l] + NoCells + 1);
  }
  EXPECT_EQ(results[0], results[1]);
  EXPECT_GT(*std::max_element(results[0].begin(), results[0].end()), 0.0);
}
