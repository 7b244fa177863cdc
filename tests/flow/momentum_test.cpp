// Momentum stage of the main flow driver on a straight channel, the pressure
// stage left out: the inflow momentum alone drives the water.
#include <gtest/gtest.h>

#include <omp.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "flow/cellequations.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/startup.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"

namespace {

struct Fields {
  std::vector<double> u, v, w, invAp;
  double residual[4];
};

// Runs n inner iterations of the momentum stage on a channel of 8 x 4
// columns (inflow west, outflow east) after `options` set what the case needs.
Fields runChannel(int n, const std::function<void()>& options) {
  InProjectDir p;
  EXPECT_TRUE(FlowGrid::box(8, 4).build());
  options();
  startup();
  computeChunkSizes();
  Iter = 1;
  FlagInitializedInvAp = 0;
  for (int i = 1; i <= n; ++i) momentumStage(i);
  Fields f;
  f.u.assign(Cxvel, Cxvel + NoCells + 1);
  f.v.assign(Cyvel, Cyvel + NoCells + 1);
  f.w.assign(Czvel, Czvel + NoCells + 1);
  f.invAp.assign(CinvAp, CinvAp + NoCells + 1);
  for (int e = 1; e <= 3; ++e) f.residual[e] = MaxResidual[e];
  return f;
}

// Mean u of column i (1..8 from the west) in row j (1..4 from the south).
double columnMeanU(const std::vector<double>& u, int i, int j) {
  int c = static_cast<int>(zval[block[1].i1 + i - 1][block[1].j1 + j - 1][0]);
  double s = 0.0;
  int n = 0;
  for (; c > 0; c = Ccellt[c]) s += u[c], ++n;
  return n ? s / n : 0.0;
}

// The own arrays of Cf and Cf_old while a stage has them pointed elsewhere.
double* entryFields[2];

}  // namespace

// The inflow momentum (rho U^2 A, into the channel) is the only force: the
// water moves east in every cell, fastest at the inlet, slowing downstream
// under wall and bed friction; the residual of u is measured.
TEST(MomentumStage, InflowDrivesTheWaterDownstream) {
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::box(8, 4).build());
  startup();
  Iter = 1;
  for (int i = 1; i <= 30; ++i) momentumStage(i);
  for (int c = 1; c <= NoCells; ++c) EXPECT_GT(Cxvel[c], 0.0) << "cell " << c;
  const std::vector<double> u(Cxvel, Cxvel + NoCells + 1);
  ASSERT_EQ(block[1].i2 - block[1].i1 + 1, 8);
  for (int j = 1; j <= 4; ++j)
    for (int i = 1; i < 8; ++i)
      EXPECT_GT(columnMeanU(u, i, j), columnMeanU(u, i + 1, j)) << "column " << i << " row " << j;
  EXPECT_EQ(FlagInitializedInvAp, 1);
  EXPECT_GT(MaxResidual[1], 0.0);
  for (int c = 1; c <= NoCells; ++c) EXPECT_GT(CinvAp[c], 0.0);
  // The inflow cells are marked; the faces carry the new velocities.
  const DischargeGroup& G = DischargeStruct[1];
  for (int e = 0; e < G.surfno; ++e) EXPECT_EQ(Cinout[Fcell1[G.face[e]] ? Fcell1[G.face[e]] : Fcell2[G.face[e]]], 1);
  int east = 0;
  for (int f = 1; f <= NoSurfaces; ++f)
    if (Ftype1[f] == 2 && Fcell1[f] && Fcell2[f]) {
      EXPECT_GT(Fflux[f], 0.0);
      ++east;
    }
  EXPECT_GT(east, 0);
}

// F 206 0 and F 206 4 give the same fields (the solver kept on the main
// thread by the ninth value of G 50, so that only the assembly is split),
// with the wind, Coriolis, one-cell and bed-ratio terms that act in both
// routes alike, on 1 and on 4 threads.
TEST(MomentumStage, SameFieldsWithAndWithoutChunks) {
  auto options = [](int P) {
    return [P]() {
      NoProcessesSolver = P;
      FlagOpenMP[8] = 1;
      Wind[0] = 8.0;
      Wind[1] = 0.6;
      Wind[2] = 0.8;
      FlagCoriolis = 1;
      Coriolis = 1e-3;
      OneCellSource = 1;
      Conecell[5] = 1;
      FlagDamp2 = 3;
      Barea[Cbed[9]] = 5.0;  // a cell whose bottom face is small against its bed cell
      FlagAddApTrekant = 1;
      FlagInvApSmooth = 1;
      Ckdist[1] = 0.001;  // a thin bottom cell: its column shares one 1/ap
    };
  };
  const Fields serial = runChannel(4, options(0));
  for (int threads : {1, 4}) {
    omp_set_num_threads(threads);
    const Fields parallel = runChannel(4, options(4));
    for (size_t c = 1; c < serial.u.size(); ++c) {
      EXPECT_NEAR(parallel.u[c], serial.u[c], 1e-12 * (1.0 + std::fabs(serial.u[c]))) << threads << " cell " << c;
      EXPECT_NEAR(parallel.v[c], serial.v[c], 1e-12 * (1.0 + std::fabs(serial.v[c]))) << threads << " cell " << c;
      EXPECT_NEAR(parallel.w[c], serial.w[c], 1e-12 * (1.0 + std::fabs(serial.w[c]))) << threads << " cell " << c;
      EXPECT_NEAR(parallel.invAp[c], serial.invAp[c], 1e-12 * serial.invAp[c]) << threads << " cell " << c;
    }
    for (int e = 1; e <= 3; ++e) EXPECT_NEAR(parallel.residual[e], serial.residual[e], 1e-12 * serial.residual[e]);
  }
  omp_set_num_threads(1);
  // The column of the thin bottom cell 1 has one value of 1/ap, the mean.
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::box(8, 4).build());
  ASSERT_EQ(Ccellb[1], 0);
  ASSERT_GT(Ccellt[1], 0);
  for (int c = Ccellt[1]; c > 0; c = Ccellt[c]) EXPECT_DOUBLE_EQ(serial.invAp[c], serial.invAp[1]) << c;
  EXPECT_NE(serial.invAp[1], serial.invAp[2 * NoCells / 3]);
}

// Under-relaxation changes the road, not the end: iterated to convergence,
// the channel reaches the same velocities with K 3 0.5 and 0.9.
TEST(MomentumStage, RelaxationLeavesTheConvergedFieldUnchanged) {
  auto relaxed = [](double r) {
    return [r]() {
      relax[1] = relax[2] = relax[3] = r;
    };
  };
  const Fields slow = runChannel(400, relaxed(0.5));
  const Fields fast = runChannel(400, relaxed(0.9));
  ASSERT_LT(slow.residual[1], 1e-6);
  ASSERT_LT(fast.residual[1], 1e-6);
  for (size_t c = 1; c < slow.u.size(); ++c) EXPECT_NEAR(fast.u[c], slow.u[c], 1e-6 * (1.0 + std::fabs(slow.u[c]))) << c;
}

// The sources act in the parallel route: wind from the north-east turns the
// surface water, Coriolis turns the flow; without them the fields differ.
TEST(MomentumStage, WindAndCoriolisActWithChunks) {
  auto base = []() {
    NoProcessesSolver = 4;
    FlagOpenMP[8] = 1;
  };
  const Fields calm = runChannel(3, base);
  const Fields windy = runChannel(3, [&]() {
    base();
    Wind[0] = 10.0;
    Wind[1] = 0.0;
    Wind[2] = 1.0;  // blowing north
  });
  const Fields turned = runChannel(3, [&]() {
    base();
    FlagCoriolis = 1;
    Coriolis = 1e-2;
  });
  double dvWind = 0.0, dvCoriolis = 0.0;
  for (size_t c = 1; c < calm.v.size(); ++c) {
    dvWind += windy.v[c] - calm.v[c];
    dvCoriolis += turned.v[c] - calm.v[c];
  }
  EXPECT_GT(dvWind, 0.0);      // pushed north
  EXPECT_LT(dvCoriolis, 0.0);  // -1000 f u V with u > 0: turned south
}

// Seiche4 leaves w to the pressure correction; a central coefficient of u
// out of range ends the run with the cell dump.
TEST(MomentumStage, WithoutTheWEquation) {
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::box(6, 3).build());
  startup();
  for (int c = 1; c <= NoCells; ++c) Czvel[c] = 0.125;
  Seiche4 = 1;
  momentumStage(1);
  for (int c = 1; c <= NoCells; ++c) EXPECT_EQ(Czvel[c], 0.125);
  Seiche4 = 0;
  momentumStage(2);
  int changed = 0;
  for (int c = 1; c <= NoCells; ++c) changed += Czvel[c] != 0.125;
  EXPECT_GT(changed, 0);
}

TEST(MomentumStageDeathTest, CentralCoefficientOutOfRangeEndsTheRun) {
  GTEST_FLAG_SET(death_test_style, "fast");
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::box(4, 3).build());
  startup();
  invRelaxVelocity = 1e-40;  // every u diagonal relaxed below 1e-30
  // The stage points Cf and Cf_old at the velocities; the driver keeps their
  // own arrays meanwhile, as this does for the ending child.
  entryFields[0] = Cf;
  entryFields[1] = Cf_old;
  EXPECT_EXIT(momentumStage(1), ::testing::ExitedWithCode(2), "");
  EXPECT_EQ(entryFields[0], Cf);  // only the child ran the stage
  std::ifstream in("boogie");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("Error 2, Cap(1) = "), std::string::npos);
}

// F 261 11..19: the serial route adds the coupling terms of the nested blocks
// before it takes 1/ap of u and the residual, the parallel route after them.
// A nest laid over the channel: the last column's cells form a block of
// level 1 whose first cell lies in coarse cell c0. Form 11 with r = 0.5
// doubles the diagonal of c0, so the serial 1/ap there is half the uncoupled
// one, the parallel one the uncoupled one.
TEST(MomentumStage, TheSerialRouteCouplesTheNestBeforeOneOverAp) {
  int c0 = 0, fine = 0;
  auto run = [&](int coupling, int P) {
    InProjectDir p;
    EXPECT_TRUE(FlowGrid::box(8, 4).build());
    NoProcessesSolver = P;
    startup();
    computeChunkSizes();
    const int split = NoCells - 4;  // the last cells: a column of the east edge
    NoBlocks = 2;
    block[2] = block[1];
    block[1].lastCell = split;
    block[2].firstCell = split + 1;
    block[2].lastCell = NoCells;
    block[2].nestLevel = 1;
    nestlevmax = 1;
    if (!Cinterpolnest) allocate1(Cinterpolnest, static_cast<size_t>(NoCells) + 1);
    for (int c = 0; c <= NoCells; ++c) Cinterpolnest[c] = 0;
    c0 = NoCells / 2;
    fine = split + 1;
    Cinterpolnest[fine] = c0;
    FlagCoupledNesting = coupling;
    RelaxCoupledNesting = 0.5;
    Iter = 1;
    FlagInitializedInvAp = 0;
    momentumStage(1);
    const double invAp = CinvAp[c0];
    block[2] = BlockRecord{};
    return invAp;
  };
  const double serialBase = run(0, 0), serialCoupled = run(11, 0);
  EXPECT_NEAR(serialCoupled, 0.5 * serialBase, 1e-12 * serialBase);
  const double parallelBase = run(0, 4), parallelCoupled = run(11, 4);
  EXPECT_EQ(parallelCoupled, parallelBase);
}
