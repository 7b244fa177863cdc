// The equation drivers of the modular flow driver on a channel of 8 x 4
// columns (inflow west, outflow east): what each builds, the floors and
// limits it applies, and the serial and chunked forms.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "flow/cellequations.h"
#include "flow/equationdrivers.h"
#include "state/alloc.h"
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

// A fresh channel with its start state; `chunks` sets F 206 first.
struct Channel {
  InProjectDir p;
  bool built = false;
  explicit Channel(int chunks = 0) {
    NoProcessesSolver = chunks;
    built = FlowGrid::box(8, 4).build();
    startup();
    Iter = 1;
  }
};

double* pressureArray() { return Cf; }

// The log of the project, on stderr at the end of a death test's child.
void logToStderr() {
  if (FILE* f = std::fopen("boogie", "r")) {
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) std::fwrite(buf, 1, n, stderr);
    std::fclose(f);
  }
}

std::vector<int> bottomCells() {
  std::vector<int> out;
  for (int c = 1; c <= NoCells; ++c)
    if (Ccellb[c] == 0) out.push_back(c);
  return out;
}


// Nesting of the second half of the channel's cells under the first (F 261):
// block 2 (level 1) holds the cells after the middle one; `fine` is the only
// cell with a parent, `coarse`, of the same volume.
struct HalfNested {
  int coarse = 0, fine = 0;
  HalfNested() {
    const int half = NoCells / 2;
    if (!Cinterpolnest) allocate1(Cinterpolnest, static_cast<size_t>(MaxCeller));
    NoBlocks = 2;
    block[2] = block[1];
    block[1].lastCell = half;
    block[2].firstCell = half + 1, block[2].nestLevel = 1;
    nestlevmax = 1;
    coarse = half / 2;
    fine = half + half / 2 + 1;
    Cinterpolnest[fine] = coarse;
  }
  ~HalfNested() { block[2] = BlockRecord{}; }
};

}  // namespace

// ---- SimpleVelocities ----

// With F 69 fourth value above 0 the pressure stage corrects w: only u and v
// are solved, w and its residual keep their values.
TEST(SimpleVelocities, WithSeiche4OnlyUAndVAreSolved) {
  Channel ch;
  ASSERT_TRUE(ch.built);
  Seiche4 = 1;
  for (int c = 1; c <= NoCells; ++c) Cxvel[c] = 0.2, Cyvel[c] = 0.05, Czvel[c] = 0.01;
  MaxResidual[3] = 12345.0;
  SimpleVelocities(1);
  EXPECT_EQ(Equation, 2);
  EXPECT_EQ(MaxResidual[3], 12345.0);
  for (int c = 1; c <= NoCells; ++c) EXPECT_EQ(Czvel[c], 0.01) << c;
  EXPECT_GT(MaxResidual[1], 0.0);
  EXPECT_GT(MaxResidual[2], 0.0);
  EXPECT_EQ(FlagInitializedInvAp, 1);

  Seiche4 = 0;
  SimpleVelocities(2);
  EXPECT_EQ(Equation, 3);
  EXPECT_NE(MaxResidual[3], 12345.0);
}

// F 327 1 in the chunked form: every column whose bottom cell is thin
// against its plan size shares the mean of its 1/Ap, even where the column
// reaches into the next chunk; the serial form does not smooth.
TEST(SimpleVelocities, ThinBottomCellsShareTheColumnMeanOfInverseApInChunksOnly) {
  for (int chunks : {0, 4}) {
    Channel ch(chunks);
    ASSERT_TRUE(ch.built);
    FlagInvApSmooth = 1;
    const std::vector<int> bottoms = bottomCells();
    for (int c : bottoms) Ckdist[c] = 0.001;  // a thin bottom cell
    SimpleVelocities(1);
    int unequal = 0;
    for (int c0 : bottoms) {
      for (int c = Ccellt[c0]; c > 0; c = Ccellt[c]) unequal += std::fabs(CinvAp[c] - CinvAp[c0]) > 1e-12 * CinvAp[c0];
    }
    if (chunks > 0)
      EXPECT_EQ(unequal, 0);
    else
      EXPECT_GT(unequal, 0);
  }
}

// A u diagonal out of range (here by an inverse relaxation of 1e25) ends the
// run through the coefficient report with status 2, in both forms.
TEST(SimpleVelocitiesDeathTest, AnOutOfRangeUDiagonalEndsWithTheReport) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (int chunks : {0, 4}) {
    Channel ch(chunks);
    ASSERT_TRUE(ch.built);
    relaxVelocity = 1e-25;
    invRelaxVelocity = 1e25;
    EXPECT_EXIT(
        {
          std::atexit(logToStderr);
          SimpleVelocities(1);
        },
        ::testing::ExitedWithCode(2), "Error 2, Cap\\(1\\) = .*Water level: ")
        << chunks;
  }
}

// The first call takes the face fluxes the driver computed; from the second
// on, the fluxes are renewed from the 1/Ap of the call before.
TEST(SimpleVelocities, TheFirstCallKeepsTheFluxesTheSecondRenewsThem) {
  Channel ch;
  ASSERT_TRUE(ch.built);
  FlagInitializedInvAp = 0;
  for (int f = 1; f <= NoSurfaces; ++f) Fflux[f] = 0.125;
  SimpleVelocities(1);
  int kept = 0;
  for (int f = 1; f <= NoSurfaces; ++f) kept += Fflux[f] == 0.125;
  EXPECT_EQ(kept, NoSurfaces);
  SimpleVelocities(2);
  kept = 0;
  for (int f = 1; f <= NoSurfaces; ++f) kept += Fflux[f] == 0.125;
  EXPECT_EQ(kept, 0);
}

// K 5 of u: 2 corrects the first inner iteration of every outer iteration,
// 3 only the first inner iteration of the first outer iteration. The u field
// after one call with the correction is compared with the one without.
std::vector<double> uAfterFirstCall(int k5, int outer) {
  Channel ch;
  blockcorr[1] = k5;
  Iter = outer;
  SimpleVelocities(1);
  return std::vector<double>(Cxvel + 1, Cxvel + NoCells + 1);
}

TEST(SimpleVelocities, K5Value3CorrectsOnlyTheFirstIterationOfTheRun) {
  EXPECT_NE(uAfterFirstCall(3, 1), uAfterFirstCall(0, 1));
  EXPECT_EQ(uAfterFirstCall(3, 2), uAfterFirstCall(0, 2));
  EXPECT_NE(uAfterFirstCall(2, 2), uAfterFirstCall(0, 2));
}

// ---- SimplePressure ----

// Without face coefficients (1/Ap of u 0 everywhere) and without any mass
// defect: Ap is 1e-10 in the serial form and 1 in the chunked form; p' is
// pinned so that the last cell holds -0.001; the continuity record names
// cell 1.
TEST(SimplePressure, CellsWithoutCoefficientsAndWithoutDefects) {
  for (int chunks : {0, 4}) {
    Channel ch(chunks);
    ASSERT_TRUE(ch.built);
    for (int g = 1; g <= 2; ++g) DischargeStruct[g].discharge = 0.0;
    for (int c = 0; c <= NoCells; ++c) CinvAp[c] = Cxvel[c] = Cyvel[c] = Czvel[c] = 0.0;
    Glob_dmI = 99;
    GlobContinuity = 5.0;
    double* const pc = pressureArray();
    SimplePressure(1);
    for (int c = 1; c <= NoCells; ++c) {
      ASSERT_EQ(Cap[c], chunks ? 1.0 : 1e-10) << "cell " << c << ", F 206 " << chunks;
      EXPECT_NEAR(pc[c], -0.001, 1e-15) << c;
    }
    EXPECT_EQ(Equation, 4);
    EXPECT_EQ(Glob_dmI, 1);
    EXPECT_EQ(GlobContinuity, 0.0);
    EXPECT_EQ(GlobDefMax, 0.0);
    EXPECT_EQ(MaxResidual[4], 0.0);
  }
}


// F 261 1..9: after each velocity solve the coarse cell takes the value of
// the fine cell covering it (r = 1, equal volumes), so u, v and w of the two
// agree at the end of the stage; without F 261 they do not.
TEST(SimpleVelocities, NestedBlocksPullTheCoarseCellAfterEachSolve) {
  for (int mode : {0, 1}) {
    Channel ch;
    ASSERT_TRUE(ch.built);
    HalfNested n;
    ASSERT_NEAR(Cvol[n.coarse], Cvol[n.fine], 1e-9);
    FlagCoupledNesting = mode;
    RelaxCoupledNesting = 1.0;
    Cyvel[n.fine] = 0.05, Czvel[n.fine] = 0.02;  // the channel has neither
    SimpleVelocities(1);
    for (double* f : {Cxvel, Cyvel, Czvel}) {
      const double d = std::fabs(f[n.coarse] - f[n.fine]);
      if (mode == 1)
        EXPECT_LE(d, 1e-12 * (std::fabs(f[n.fine]) + 1e-12)) << (f == Cxvel ? "u" : f == Cyvel ? "v" : "w");
      else
        EXPECT_GT(d, 1e-6) << (f == Cxvel ? "u" : f == Cyvel ? "v" : "w");
    }
  }
}

// F 261 11..15 before the solve: the coarse cell's equation becomes
// Ap / (1 - r) phi = ... + r phi(fine) Ap / (1 - r), so with r = 1 - 1e-6
// its solved u is the fine cell's u on entry within some 1e-6 of it.
TEST(SimpleVelocities, CouplingTermsBeforeTheSolveHoldTheCoarseCellAtTheFineValue) {
  for (int mode : {0, 11}) {
    Channel ch;
    ASSERT_TRUE(ch.built);
    HalfNested n;
    FlagCoupledNesting = mode;
    RelaxCoupledNesting = 1.0 - 1e-6;
    Cxvel[n.fine] = 0.7;
    SimpleVelocities(1);
    if (mode == 11)
      EXPECT_NEAR(Cxvel[n.coarse], 0.7, 1e-4);
    else
      EXPECT_GT(std::fabs(Cxvel[n.coarse] - 0.7), 0.01);
  }
}

// ---- SimpleTurbulence ----

// k below F 138 is raised to it after the solve; K 5 1 (a block correction)
// has no effect on k.
TEST(SimpleTurbulence, KIsRaisedToItsFloorWithoutABlockCorrection) {
  Channel ch;
  ASSERT_TRUE(ch.built);
  SimpleVelocities(1);
  ArtMinKinen = 0.5;
  blockcorr[5] = 1;
  SimpleTurbulence(5);
  EXPECT_EQ(Equation, 5);
  EXPECT_EQ(Cf, Ckinen);
  EXPECT_EQ(*std::min_element(Ckinen + 1, Ckinen + NoCells + 1), 0.5);
}

// The relaxation is the K 3 value of the equation itself: a k factor that a
// flush halved does not change k, another K 3 value does.
TEST(SimpleTurbulence, TheRelaxationIsTheK3Value) {
  struct Row {
    double k3, halved;
  } rows[] = {{0.5, 0.5}, {0.5, 0.25}, {0.25, 0.25}};
  std::vector<double> k[3];
  for (int r = 0; r < 3; ++r) {
    Channel ch;
    ASSERT_TRUE(ch.built);
    SimpleVelocities(1);
    relax[5] = rows[r].k3;
    relaxK = rows[r].halved;
    SimpleTurbulence(5);
    k[r].assign(Ckinen + 1, Ckinen + NoCells + 1);
  }
  EXPECT_EQ(k[0], k[1]);
  EXPECT_NE(k[0], k[2]);
}

// Epsilon of a field without turbulence solves to 0 in the cells the wall
// laws fix; the floor 1e-16 keeps it positive.
TEST(SimpleTurbulence, EpsilonKeepsAPositiveFloor) {
  Channel ch;
  ASSERT_TRUE(ch.built);
  for (int g = 1; g <= 2; ++g) DischargeStruct[g].kinen = DischargeStruct[g].epsilon = 0.0;
  for (int c = 0; c <= NoCells; ++c) Ckinen[c] = Cepsilon[c] = Cxvel[c] = Cyvel[c] = Czvel[c] = 0.0;
  SimpleTurbulence(6);
  EXPECT_EQ(Equation, 6);
  const double lowest = *std::min_element(Cepsilon + 1, Cepsilon + NoCells + 1);
  EXPECT_EQ(lowest, 1e-16);
}

// F 261 3 couples k (and epsilon) after the solve: the coarse cell takes the
// fine cell's k; F 261 1 couples only the velocities.
TEST(SimpleTurbulence, F261Value3PullsTheCoarseKAfterTheSolve) {
  for (int mode : {1, 3}) {
    Channel ch;
    ASSERT_TRUE(ch.built);
    HalfNested n;
    SimpleVelocities(1);
    FlagCoupledNesting = mode;
    RelaxCoupledNesting = 1.0;
    Ckinen[n.fine] = 0.3;
    SimpleTurbulence(5);
    const double d = std::fabs(Ckinen[n.coarse] - Ckinen[n.fine]);
    if (mode == 3)
      EXPECT_LE(d, 1e-12 * Ckinen[n.fine]);
    else
      EXPECT_GT(d, 1e-6);
  }
}
