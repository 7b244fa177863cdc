// The bed change per size applied to a layer stack (ChangeLayers) and the
// operations on the stack that it and the bed routines use.
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <string>
#include <vector>

#include "sediment/layers.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "support/in_dir.h"

namespace {

struct Layer {
  double thick, solid;
  std::vector<double> f;  // fractions of sizes 1..3
};

// Bed cell 1 of a multi-layer bed (F 37 3) with three sizes of 1, 2, 4 mm.
struct Stack {
  InProjectDir d;
  explicit Stack(int layers = 5) {
    xnumber = ynumber = 4;
    znumber = 3;
    lnumber = 3;
    NoBedLayers = layers;
    FlagTSC = 3;
    SolidFrac = 0.6;
    sialloc();
    AllocateArrays(1, 1, 1);
    gsize[1] = 0.001;
    gsize[2] = 0.002;
    gsize[3] = 0.004;
  }
  void set(std::initializer_list<Layer> layers) {
    int k = 0;
    for (const Layer& L : layers) {
      BSedDistrib[k][0][1] = L.thick;
      Bsolidfraction[k][1] = L.solid;
      for (int n = 1; n <= 3; ++n) BSedDistrib[k][n][1] = L.f[n - 1];
      ++k;
    }
    BlayerTop[1] = k - 1;
  }
  // Grain volume per area (m) of size n over the whole stack.
  static double grains(int n) {
    double s = 0.0;
    for (int k = 0; k <= BlayerTop[1]; ++k) s += BSedDistrib[k][0][1] * Bsolidfraction[k][1] * BSedDistrib[k][n][1];
    return s;
  }
  static double change(double a, double b, double c) {
    Bbedchange[1][1] = a;
    Bbedchange[2][1] = b;
    Bbedchange[3][1] = c;
    return a + b + c;
  }
};

const Layer kBottom{2.0, 0.6, {0.2, 0.3, 0.5}};
const Layer kMiddle{0.3, 0.6, {0.5, 0.25, 0.25}};
const Layer kTop{0.01, 0.6, {0.1, 0.8, 0.1}};

// Deposit and then erode the same amounts per size: every size gets its
// grain volume back, whatever the stack held before.
TEST(ChangeLayers, DepositThenErodeRestoresEveryGrainVolume) {
  struct Row {
    const char* what;
    int layers;
    std::initializer_list<Layer> stack;
    double a, b, c;
  } rows[] = {
      {"room on the stack", 5, {kBottom, kMiddle}, 0.003, 0.001, 0.0005},
      {"full stack merges first", 3, {kBottom, kMiddle, kTop}, 0.002, 0.004, 0.001},
      // Layers of one solid fraction: the merge of a full two-layer stack
      // mixes by thickness.
      {"two-layer stack", 2, {{2.0, 0.6, {0.2, 0.3, 0.5}}, kTop}, 0.0001, 0.0, 0.002},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    Stack s(r.layers);
    s.set(r.stack);
    double before[4];
    for (int n = 1; n <= 3; ++n) before[n] = Stack::grains(n);
    ChangeLayers(1, Stack::change(r.a, r.b, r.c));
    EXPECT_NEAR(Stack::grains(1), before[1] + r.a * 0.6, 1e-12);
    EXPECT_NEAR(Stack::grains(3), before[3] + r.c * 0.6, 1e-12);
    EXPECT_LE(BlayerTop[1], r.layers - 1);
    ChangeLayers(1, Stack::change(-r.a, -r.b, -r.c));
    for (int n = 1; n <= 3; ++n) EXPECT_NEAR(Stack::grains(n), before[n], 1e-12) << "size " << n;
    for (int n = 1; n <= 3; ++n) EXPECT_EQ(Bvolleft[n][1], 0.0);
  }
}

// With NoBedLayers 2 and the top index 1, a deposit first merges layer 1
// into layer 0 and then becomes layer 1 by itself.
TEST(ChangeLayers, ATwoLayerStackMergesAndTakesTheDepositOnTop) {
  Stack s(2);
  s.set({kBottom, kTop});
  ChangeLayers(1, Stack::change(0.001, 0.003, 0.0));
  EXPECT_EQ(BlayerTop[1], 1);
  EXPECT_DOUBLE_EQ(BSedDistrib[0][0][1], 2.01);
  EXPECT_NEAR(BSedDistrib[0][2][1], (0.3 * 2.0 + 0.8 * 0.01) / 2.01, 1e-15);
  EXPECT_DOUBLE_EQ(BSedDistrib[1][0][1], 0.004);
  EXPECT_NEAR(BSedDistrib[1][1][1], 0.25, 1e-15);
  EXPECT_NEAR(BSedDistrib[1][2][1], 0.75, 1e-15);
  EXPECT_EQ(BSedDistrib[1][3][1], 0.0);
  EXPECT_DOUBLE_EQ(Bsolidfraction[1][1], 0.6);
}

// An erosion deeper than the whole stack leaves the top index 0, keeps in
// layer 0 what the sizes had beyond their demand and books the rest of each
// demand (grain volume per area) in Bvolleft.
TEST(ChangeLayers, AnErosionDeeperThanTheStackBooksTheDeficit) {
  Stack s;
  s.set({{0.1, 0.5, {0.2, 0.3, 0.5}}, {0.05, 0.5, {0.6, 0.4, 0.0}}});
  // Grains: size 1 0.01 + 0.015 = 0.025, size 2 0.015 + 0.01 = 0.025,
  // size 3 0.025. Demands (x top solid fraction 0.5): 0.05, 0.01, 0.1.
  ChangeLayers(1, Stack::change(-0.1, -0.02, -0.2));
  EXPECT_EQ(BlayerTop[1], 0);
  EXPECT_NEAR(Bvolleft[1][1], 0.025 - 0.05, 1e-15);
  EXPECT_EQ(Bvolleft[2][1], 0.0);
  EXPECT_NEAR(Bvolleft[3][1], 0.025 - 0.1, 1e-15);
  EXPECT_NEAR(BSedDistrib[0][0][1], 0.015 / 0.5, 1e-14);
  EXPECT_NEAR(BSedDistrib[0][2][1], 1.0, 1e-12);
  EXPECT_NEAR(BSedDistrib[1][0][1], 0.0, 0.0);
}

// A size missing in the merged top layers is taken from the layers below by
// F 412: 0 not at all, 1 down to layer 0, 2 down to Barmourthick (the first
// layer below is always tried).
TEST(ChangeLayers, ErosionIntoLowerLayersFollowsF412) {
  struct Row {
    int erodeUnder, armour;
    double left;     // Bvolleft of size 3
    double bottom3;  // grain volume of size 3 left in layer 0
  } rows[] = {
      {0, 0, -0.004, 0.02},
      {1, 0, 0.0, 0.018},
      {2, 1, -0.002, 0.02},
      {2, 0, 0.0, 0.018},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "F 412 " << r.erodeUnder << ", armour " << r.armour);
    Stack s;
    FlagErodeUnder = r.erodeUnder;
    // Size 3: 0.02 of grains in layer 0, 0.002 in layer 1, none above.
    s.set({{0.1, 0.5, {0.3, 0.3, 0.4}},
           {0.01, 0.5, {0.2, 0.4, 0.4}},
           {0.2, 0.5, {0.5, 0.5, 0.0}},
           {0.02, 0.5, {0.5, 0.5, 0.0}}});
    Barmourthick[1] = r.armour;
    // 0.03 m eroded, reaching into layer 2; size 3 asks for 0.004 of grains.
    ChangeLayers(1, Stack::change(-0.022, 0.0, -0.008));
    EXPECT_EQ(BlayerTop[1], 2);
    EXPECT_NEAR(Bvolleft[3][1], r.left, 1e-15);
    EXPECT_NEAR(BSedDistrib[0][0][1] * 0.5 * BSedDistrib[0][3][1], r.bottom3, 1e-15);
  }
}

// A size eroded while the cell gains in total is taken from the stack, and
// what the stack lacks is booked.
TEST(ChangeLayers, ASizeErodedWithinADepositIsTakenFromBelow) {
  Stack s;
  s.set({{0.1, 0.5, {0.5, 0.5, 0.0}}});
  ChangeLayers(1, Stack::change(0.01, 0.0, -0.002));
  EXPECT_EQ(BlayerTop[1], 1);
  EXPECT_DOUBLE_EQ(BSedDistrib[1][0][1], 0.01);
  EXPECT_DOUBLE_EQ(BSedDistrib[1][1][1], 1.0 / (1.0 + 1e-78));
  EXPECT_NEAR(Bvolleft[3][1], -0.002 * 0.6, 1e-18);
}

TEST(ChangeLayers, ABrokenStackEndsWithItsLinesAndMinusFour) {
  Stack s;
  s.set({{0.5, 0.5, {0.2, 0.3, 0.5}}, {0.2, 0.5, {0.2, 0.3, 0.4}}});
  EXPECT_EXIT(ChangeLayers(1, 0.0), ::testing::ExitedWithCode(256 - 4), "");
  const std::string log = s.d.dir().boogie();
  EXPECT_NE(log.find("Error in function ChangeLayers: sum of grain sizes layer 1 = 0.900000 for bedcell 1\n"
                     "size=1, fraction=0.2\nsize=2, fraction=0.3\nsize=3, fraction=0.4\n"
                     "Thickness of active layer: 0.2 meters, movement = 0 meters.\n"
                     "Number of top layer: 1, removed layers = 0\n"),
            std::string::npos)
      << log;
}

TEST(ChangeLayers, AThinLayerWithABadSumPassesAndNoChangeKeepsTheStack) {
  Stack s;
  s.set({{0.5, 0.5, {0.2, 0.3, 0.5}}, {1e-5, 0.5, {0.2, 0.3, 0.4}}});
  ChangeLayers(1, 0.0);
  EXPECT_EQ(BlayerTop[1], 1);
  EXPECT_EQ(BSedDistrib[1][0][1], 1e-5);
  EXPECT_EQ(BSedDistrib[0][3][1], 0.5);
}

// Grain volume of size n taken from one layer: 0.1 m x 0.5 x 0.4 = 0.02 of
// size 3; asking 0.005 leaves 0.015 of 0.045 grains.
TEST(ChangeLayers, ErodeLayerUnderByHand) {
  Stack s;
  s.set({{0.1, 0.5, {0.3, 0.3, 0.4}}});
  EXPECT_EQ(erodeLayerUnder(1, 0, 3, -0.005), 0.0);
  EXPECT_NEAR(BSedDistrib[0][0][1], 0.045 / 0.5, 1e-15);
  EXPECT_NEAR(BSedDistrib[0][3][1], 0.015 / 0.045, 1e-15);
  EXPECT_NEAR(BSedDistrib[0][1][1], 0.3 * 0.05 / 0.045, 1e-15);
  EXPECT_NEAR(erodeLayerUnder(1, 0, 3, -0.02), -0.005, 1e-15);
  EXPECT_EQ(BSedDistrib[0][3][1], 0.0);
}

TEST(ChangeLayers, FindJoinLayerChoosesByItsThreeRules) {
  struct Row {
    const char* what;
    std::initializer_list<Layer> stack;
    int k;
  } rows[] = {
      {"layer under the top thinner than 1.5 T", {kBottom, {0.005, 0.6, {1, 0, 0}}, kTop}, 2},
      {"two layers thinner than 1e-7 together", {kBottom, {5e-8, 0.6, {1, 0, 0}}, {4e-8, 0.6, {1, 0, 0}}, kMiddle, kTop}, 2},
      {"most alike neighbours", {kBottom, kTop, kMiddle, {0.3, 0.6, {0.5, 0.3, 0.2}}, kTop}, 3},
      {"equally alike: the lower pair", {kBottom, kMiddle, {0.3, 0.6, {0.5, 0.3, 0.2}}, kMiddle, kTop}, 2},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    Stack s;
    s.set(r.stack);
    EXPECT_EQ(FindJoinLayer(1), r.k);
  }
}

TEST(ChangeLayers, SplitLayersByF434) {
  for (int option : {1, 2}) {
    Stack s;
    FlagSplitLayers = option;
    s.set({{0.5, 0.5, {0.2, 0.3, 0.5}}, {0.003, 0.6, {0.1, 0.8, 0.1}}});
    SplitLayers(1);
    ASSERT_EQ(BlayerTop[1], 2);
    EXPECT_DOUBLE_EQ(BSedDistrib[1][0][1], option == 1 ? 0.004 : 0.25);
    EXPECT_DOUBLE_EQ(BSedDistrib[0][0][1], option == 1 ? 0.496 : 0.25);
    EXPECT_EQ(BSedDistrib[1][3][1], 0.5);
    EXPECT_EQ(BSedDistrib[2][0][1], 0.003);
    EXPECT_EQ(Bsolidfraction[2][1], 0.6);
  }
  Stack s;  // nothing thicker than 3 T
  FlagSplitLayers = 1;
  s.set({{0.01, 0.5, {0.2, 0.3, 0.5}}});
  SplitLayers(1);
  EXPECT_EQ(BlayerTop[1], 0);
}

TEST(ChangeLayers, MoveSedimentMixesByGrainVolume) {
  Stack s;
  s.set({{0.2, 0.5, {0.2, 0.3, 0.5}}, {0.1, 0.6, {1.0, 0.0, 0.0}}});
  MoveSediment(1, 0, 1, 0.05);
  EXPECT_DOUBLE_EQ(Bsolidfraction[0][1], (0.6 * 0.05 + 0.5 * 0.2) / 0.25);
  EXPECT_NEAR(BSedDistrib[0][1][1], (0.05 * 0.6 + 0.2 * 0.2 * 0.5) / (0.25 * 0.52), 1e-12);
  EXPECT_DOUBLE_EQ(BSedDistrib[1][0][1], 0.05);
  EXPECT_DOUBLE_EQ(BSedDistrib[0][0][1], 0.25);
}

TEST(ChangeLayers, ErosionLayersTakesOneSizeFromTheTopDown) {
  Stack s;
  s.set({{0.2, 0.5, {0.2, 0.3, 0.5}}, {0.1, 0.5, {0.5, 0.5, 0.0}}});
  ErosionLayers(1, 1, 0.02);
  EXPECT_DOUBLE_EQ(BSedDistrib[1][0][1], 0.12);
  EXPECT_NEAR(BSedDistrib[1][1][1], 0.07 / 0.12, 1e-12);
  ErosionLayers(1, 1, -0.1);  // 0.07 from layer 1, 0.03 from layer 0
  EXPECT_NEAR(BSedDistrib[1][0][1], 0.05, 1e-12);
  EXPECT_EQ(BSedDistrib[1][1][1], 0.0);
  EXPECT_NEAR(BSedDistrib[0][1][1] * BSedDistrib[0][0][1], 0.04 - 0.03, 1e-12);
  EXPECT_EQ(BlayerTop[1], 1);
}

}  // namespace
