// The multi-layer fraction step (F 37 3) on many bed cells, and the armour
// depth that limits the supply of each step (F 447).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sediment/layers.h"
#include "sediment/morphology.h"
#include "sediment/multilayer.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"
#include "support/in_dir.h"

namespace {

// Bed cells 1..40 of a multi-layer bed with three sizes of 1, 2, 4 mm and
// five layer slots, areas 2 m2, every one wet.
struct Beds {
  InProjectDir d;
  static constexpr int Count = 40;
  explicit Beds(int sizes = 3, int layers = 5) {
    xnumber = ynumber = 6;
    znumber = 3;
    lnumber = sizes;
    NoBedLayers = layers;
    FlagTSC = 3;
    SolidFrac = 0.6;
    density = 2.65;
    sialloc();
    AllocateArrays(1, 1, 1);
    const double g[4] = {0, 0.001, 0.002, 0.004};
    for (int n = 1; n <= sizes; ++n) gsize[n] = g[n];
    WBStart = 1;
    WBEnd = Count;
    for (int b = 1; b <= Count; ++b) {
      Barea[b] = 2.0;
      Bcellt[b] = 1;
    }
  }
  // A stack of the given layers (thickness, solid fraction, fractions).
  static void set(int b, const std::vector<std::vector<double>>& layers) {
    int k = 0;
    for (const auto& L : layers) {
      BSedDistrib[k][0][b] = L[0];
      Bsolidfraction[k][b] = L[1];
      for (int n = 1; n <= lnumber; ++n) BSedDistrib[k][n][b] = L[1 + n];
      ++k;
    }
    BlayerTop[b] = k - 1;
  }
  static double grains(int b, int n) {
    double s = 0.0;
    for (int k = 0; k <= BlayerTop[b]; ++k) s += BSedDistrib[k][0][b] * Bsolidfraction[k][b] * BSedDistrib[k][n][b];
    return s;
  }
  static double thickness(int b) {
    double s = 0.0;
    for (int k = 0; k <= BlayerTop[b]; ++k) s += BSedDistrib[k][0][b];
    return s;
  }
  // The per-size change of bed cell b and its sum in Bedmove.
  static void change(int b, double a, double c2, double c3) {
    Bbedchange[1][b] = a;
    Bbedchange[2][b] = c2;
    Bbedchange[3][b] = c3;
    Bedmove[b] = a + c2 + c3;
  }
  // A different stack and change in every bed cell: deposits, erosions
  // within and beyond the stack, full stacks.
  static void fill() {
    for (int b = 1; b <= Count; ++b) {
      const double x = 0.001 * (b % 7), y = 0.0007 * (b % 5);
      std::vector<std::vector<double>> L = {{0.5 + x, 0.6, 0.2, 0.3, 0.5}, {0.02 + y, 0.55, 0.5, 0.25, 0.25}};
      if (b % 3 == 0) L.push_back({0.004, 0.6, 0.1, 0.8, 0.1});
      if (b % 4 == 0) L.push_back({0.003, 0.62, 0.3, 0.3, 0.4}), L.push_back({0.002, 0.6, 0.2, 0.2, 0.6});
      set(b, L);
      const double s = (b % 2 ? 1.0 : -1.0) * (1.0 + b % 6);
      change(b, s * 0.0004, -0.0003 * (b % 3), s * 0.0011 * (b % 4));
      if (b % 13 == 0) change(b, -0.4, -0.3, -0.2);  // deeper than the stack
    }
  }
};

struct Snapshot {
  std::vector<double> v;
  static Snapshot take() {
    Snapshot s;
    for (int b = 1; b <= Beds::Count; ++b) {
      s.v.push_back(BlayerTop[b]);
      s.v.push_back(Bedmove[b]);
      for (int k = 0; k < NoBedLayers; ++k) {
        s.v.push_back(Bsolidfraction[k][b]);
        for (int n = 0; n <= lnumber; ++n) s.v.push_back(BSedDistrib[k][n][b]);
      }
    }
    for (int n = 1; n <= lnumber; ++n) s.v.push_back(Bvollefttot[n]);
    return s;
  }
};

std::string boogie() {
  std::ifstream f("boogie");
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

}  // namespace

// The threads split the bed cells, each stack its own: 0, 1, 3 and 4
// threads give the same bits, the uneroded mass included.
TEST(MultiLayerFractions, AnyThreadCountGivesTheSameBits) {
  for (int density : {0, -1, 1}) {
    SCOPED_TRACE(density);
    std::vector<Snapshot> runs;
    for (int threads : {0, 1, 3, 4}) {
      Beds beds;
      FlagDensityAlgo = density;
      NoProcessesSolver = threads;
      Beds::fill();
      morphology3_fractions(0.004);
      runs.push_back(Snapshot::take());
    }
    for (std::size_t r = 1; r < runs.size(); ++r)
      EXPECT_EQ(std::memcmp(runs[0].v.data(), runs[r].v.data(), runs[0].v.size() * sizeof(double)), 0) << r;
  }
}

// Bedmove becomes the change of the stack's thickness; an erosion deeper
// than the stack removes the stack only and books the rest, per size, as a
// negative mass in kg (grain volume per area x area x 1000 x density).
TEST(MultiLayerFractions, BedmoveIsTheStackChangeAndTheMissingErosionIsBooked) {
  Beds beds;
  Beds::set(1, {{0.1, 0.5, 0.2, 0.3, 0.5}, {0.05, 0.5, 0.6, 0.4, 0.0}});
  Beds::set(2, {{0.3, 0.6, 0.2, 0.3, 0.5}});
  Beds::change(1, -0.1, -0.02, -0.2);
  Beds::change(2, 0.001, 0.002, -0.0005);
  const double before2 = Beds::thickness(2);
  WBEnd = 2;
  Bvollefttot[1] = 1.0;  // a running total
  morphology3_fractions(0.004);
  // Grains: size 1 0.025, size 2 0.025, size 3 0.025; demands 0.05, 0.01, 0.1.
  EXPECT_NEAR(Bedmove[1], Beds::thickness(1) - 0.15, 1e-15);
  EXPECT_NEAR(Beds::thickness(1), 0.015 / 0.5, 1e-14);
  EXPECT_NEAR(Bvollefttot[1], 1.0 + (0.025 - 0.05) * 2.0 * 1000.0 * 2.65, 1e-9);
  EXPECT_EQ(Bvollefttot[2], 0.0);
  EXPECT_NEAR(Bvollefttot[3], (0.025 - 0.1) * 2.0 * 1000.0 * 2.65, 1e-9);
  EXPECT_NEAR(Bedmove[2], Beds::thickness(2) - before2, 1e-15);
  EXPECT_NEAR(Bedmove[2], 0.003 - 0.0005 / 0.6 * 0.6, 1e-12);
}

// A dry bed cell keeps its stack and Bedmove, and its Bvolleft is cleared.
TEST(MultiLayerFractions, ADryBedCellIsLeftAsItIs) {
  Beds beds;
  Beds::set(1, {{0.3, 0.6, 0.2, 0.3, 0.5}});
  Beds::change(1, -0.5, 0.0, 0.0);
  Bcellt[1] = 0;
  Bvolleft[1][1] = -3.0;
  WBEnd = 1;
  morphology3_fractions(0.004);
  EXPECT_EQ(Bedmove[1], -0.5);
  EXPECT_EQ(BSedDistrib[0][0][1], 0.3);
  EXPECT_EQ(Bvolleft[1][1], 0.0);
  EXPECT_EQ(Bvollefttot[1], 0.0);
}

// F 264 -1 with one size: spread 0, solid fraction 0.64 in every layer and
// the grain volume of each layer unchanged; F 264 -2 sets F 26 everywhere.
TEST(MultiLayerFractions, TheSpreadRuleGivesPointSixFourForOneSize) {
  Beds beds(1);
  FlagDensityAlgo = -1;
  Beds::set(1, {{0.3, 0.5, 1.0}, {0.1, 0.7, 1.0}});
  const double g0 = 0.3 * 0.5, g1 = 0.1 * 0.7;
  Bbedchange[1][1] = Bedmove[1] = 0.0;
  WBEnd = 1;
  morphology3_fractions(0.001);
  for (int k = 0; k <= 1; ++k) EXPECT_DOUBLE_EQ(Bsolidfraction[k][1], 0.64);
  EXPECT_NEAR(BSedDistrib[0][0][1] * 0.64, g0, 1e-15);
  EXPECT_NEAR(BSedDistrib[1][0][1] * 0.64, g1, 1e-15);
  EXPECT_NEAR(Bedmove[1], (g0 + g1) / 0.64 - 0.4, 1e-15);
  FlagDensityAlgo = -2;
  morphology3_fractions(0.001);
  EXPECT_EQ(Bsolidfraction[0][1], SolidFrac);
  EXPECT_EQ(Bsolidfraction[1][1], SolidFrac);
}

// With two sizes a spread of one octave on each side of the mean: v = 1,
// s = 1 - (0.36 - 0.06) = 0.70.
TEST(MultiLayerFractions, TheSpreadRuleFollowsTheLogTwoVariance) {
  Beds beds(2);
  gsize[1] = 0.001;
  gsize[2] = 0.004;  // two octaves apart: g = m -+ 1
  FlagDensityAlgo = -1;
  Beds::set(1, {{0.3, 0.6, 0.5, 0.5}});
  Bbedchange[1][1] = Bbedchange[2][1] = Bedmove[1] = 0.0;
  WBEnd = 1;
  morphology3_fractions(0.004);
  EXPECT_NEAR(Bsolidfraction[0][1], 0.70, 1e-12);
}

// F 264 above 0 keeps the top layer at T: a thick deposit hands its excess
// to the layer below, a thin top is refilled from it; grains of every size
// are held, and a stack no thicker than T is left alone.
TEST(MultiLayerFractions, TheActiveLayerIsKeptAtItsThickness) {
  const double T = 0.004;
  struct Row {
    const char* what;
    double a, b, c;
  } rows[] = {{"thick deposit", 0.003, 0.004, 0.001}, {"erosion of the top", -0.001, -0.0005, 0.0}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    Beds beds;
    FlagDensityAlgo = 1;
    Beds::set(1, {{0.2, 0.6, 0.2, 0.3, 0.5}, {0.004, 0.55, 0.5, 0.25, 0.25}});
    double before[4];
    for (int n = 1; n <= 3; ++n) before[n] = Beds::grains(1, n);
    Beds::change(1, r.a, r.b, r.c);
    WBEnd = 1;
    morphology3_fractions(T);
    EXPECT_NEAR(BSedDistrib[BlayerTop[1]][0][1], T, 1e-15);
    const double sf = r.a > 0 ? SolidFrac : 0.55;
    EXPECT_NEAR(Beds::grains(1, 1), before[1] + r.a * sf, 1e-14);
    EXPECT_NEAR(Beds::grains(1, 2), before[2] + r.b * sf, 1e-14);
    EXPECT_NEAR(Beds::grains(1, 3), before[3] + r.c * sf, 1e-14);
  }
  Beds beds;
  FlagDensityAlgo = 1;
  Beds::set(1, {{0.001, 0.6, 0.2, 0.3, 0.5}, {0.002, 0.6, 0.5, 0.25, 0.25}});
  Beds::change(1, 0.0, 0.0, 0.0);
  WBEnd = 1;
  morphology3_fractions(T);
  EXPECT_EQ(BSedDistrib[1][0][1], 0.002);
}

// The stack check of debugging D is written after the step, with the
// layer's fraction sum and thickness; the run goes on. (A fraction sum off
// by more than 1e-6 in a thick layer already ends the run in ChangeLayers;
// a single layer of negative thickness passes there.)
TEST(MultiLayerFractions, DebuggingDReportsABadLayerAfterTheStep) {
  Beds beds;
  debugging = 'D';
  NoProcessesSolver = 2;
  Beds::set(1, {{-1e-6, 0.6, 0.2, 0.3, 0.4}});
  Beds::set(2, {{0.3, 0.6, 0.2, 0.3, 0.5}});
  Beds::change(1, 0.0, 0.0, 0.0);
  Beds::change(2, 0.0, 0.0, 0.0);
  WBEnd = 2;
  morphology3_fractions(0.004);
  const std::string log = boogie();
  EXPECT_NE(log.find("Error after function morphology3_fractions sum of grain sizes active layer = 0.900000 for "
                     "bedcell 1\nsize=1, fraction=0.2\nsize=2, fraction=0.3\nsize=3, fraction=0.4\n"
                     "Thickness of layer 0: -1e-06 meters\n"),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("bedcell 2"), std::string::npos);
}

// The armour depth by F 447 for each rule, and the lowest layer erosion may
// reach: the first layer from the top at which the summed thickness passes
// the depth.
TEST(ArmourDepth, EachRuleGivesItsDepthAndTheLowestLayer) {
  Beds beds;
  const double T = 0.004;
  // Layers from the top: 0.002, 0.003, 0.01, then 0.5 (layer 0).
  Beds::set(1, {{0.5, 0.6, 0.2, 0.3, 0.5}, {0.01, 0.6, 0.2, 0.3, 0.5}, {0.003, 0.6, 0.6, 0.2, 0.2},
                {0.002, 0.6, 0.25, 0.35, 0.4}});
  Beds::change(1, 0.0004, -0.0002, 0.0);  // Bedmove 0.0002
  struct Row {
    int rule;
    double depth;
    int armour;
  } rows[] = {
      {0, T - 0.0002, 2},
      {1, 0.001 - 0.0002, 3},
      {2, 0.001, 3},
      {3, T, 2},
      {4, (0.001 - 0.0004) * 0.5, 3},
      {5, std::min((0.001 - 0.0004) * 0.5 / 0.30, (0.002 + 0.0002) * 0.5 / 0.40), 3},
      {6, 0.001, 3},
      {7, T, 2},
      {8, 0.002, 2},
      {9, 0.005, 1},
      {12, T, 2},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.rule);
    FlagArmourDepth = r.rule;
    EXPECT_NEAR(computeArmourDepth(1, T), -r.depth, 1e-15);
    EXPECT_EQ(Barmourthick[1], r.armour);
  }
  // Deeper than the whole stack above layer 0: layer 0.
  FlagArmourDepth = 6;
  gsize[1] = 0.1;
  EXPECT_NEAR(computeArmourDepth(1, T), -0.1, 1e-15);
  EXPECT_EQ(Barmourthick[1], 0);
  // A deposit thicker than gsize[1] under rule 1: depth 0, the top layer.
  FlagArmourDepth = 1;
  Bedmove[1] = 0.2;
  EXPECT_EQ(computeArmourDepth(1, T), 0.0);
  EXPECT_EQ(Barmourthick[1], 3);
}
