// The bed fractions under the time-triggered interpolation points: the
// nearest grid line, the means of the four bed cells around it, the depth of
// each layer's middle, the top 30 cm of a multi-layer bed, and when a point
// is written.
#include <gtest/gtest.h>

#include <string>

#include "output/output.h"
#include "output/plot_grid.h"
#include "state/outputstate.h"
#include "state/alloc.h"
#include "support/in_dir.h"

namespace {

// Block 1: columns i = 2..5, j = 2..4 of 10 m, grid line (i, j) at
// (10 (i-1), 10 (j-1)); two sizes, bed layers 0..2 in every bed cell. Around
// grid line (2, 2) the top layer's thickness and size-1 fraction vary by bed
// cell; layer 1 is 0.4 m of 10 % size 1 everywhere.
class Fractions : public ::testing::Test {
 protected:
  InProjectDir dir;
  void SetUp() override {
    NoBedLayers = 3;
    allocatePlotModel(8, 6, 4, 2);
    addBoxBlock({2, 5, 2, 4, 1, 0.0, 0.0, 10.0, 10.0, 1.0, 0.0});
    for (int b = 1; b <= NoBCells; ++b) {
      BlayerTop[b] = 2;
      set(b, 0, 1.0, 0.5);
      set(b, 1, 0.4, 0.1);
      set(b, 2, 0.1, 0.3);
    }
    set(pointbed[2][2], 2, 0.1, 0.2);
    set(pointbed[3][2], 2, 0.2, 0.4);
    set(pointbed[3][3], 2, 0.1, 0.6);
    set(pointbed[2][3], 2, 0.2, 0.8);
    NoInterpol = 2;
    xint[0] = 12.0, yint[0] = 13.0, timeint[0] = 100.0, timeFlags[0] = 1;
    xint[1] = 41.0, yint[1] = 31.0, timeint[1] = 150.0, timeFlags[1] = 1;
  }
  static void set(int b, int layer, double thick, double f1) {
    BSedDistrib[layer][0][b] = thick;
    BSedDistrib[layer][1][b] = f1;
    BSedDistrib[layer][2][b] = 1.0 - f1;
  }
};

TEST_F(Fractions, LayersUnderEachPointOnceAfterItsTime) {
  dir.dir().write("interres30", "from an earlier run\n");
  stimet = 100.0;  // exactly the first point's time: not yet
  print_fractions();
  EXPECT_EQ(dir.dir().read("interres30"), "");
  EXPECT_EQ(dir.dir().read("interres40"), "");
  stimet = 101.0;
  print_fractions();
  EXPECT_EQ(dir.dir().read("interres30"),
            "F 12.000000 13.000000 101.000000 sec.  2 0.075000 0.500000 0.500000 \n"
            "1 0.350000 0.100000 0.900000 \n");
  // the top 0.55 m: 0.15 m of half size 1 and 0.4 m of 10 %
  EXPECT_EQ(dir.dir().read("interres40"),
            "F 12.000000 13.000000 101.000000 sec.  Thick: 0.550000 No_layers: 2 Frac: 0.209091 0.790909 \n");
  stimet = 200.0;
  print_fractions();
  // the second point: nearest to grid line (5, 4), which is not searched;
  // the first point is not written again
  EXPECT_EQ(dir.dir().read("interres30"),
            "F 12.000000 13.000000 101.000000 sec.  2 0.075000 0.500000 0.500000 \n"
            "1 0.350000 0.100000 0.900000 \n"
            "F 41.000000 31.000000 200.000000 sec.  2 0.050000 0.300000 0.700000 \n"
            "1 0.300000 0.100000 0.900000 \n");
  EXPECT_EQ(timeFlags[0] + timeFlags[1], 0);
}

// A thin bed never reaches 0.3 m: its line in interres40 ends without it.
TEST_F(Fractions, ThinBedHasNoThickLine) {
  for (int b = 1; b <= NoBCells; ++b) BSedDistrib[1][0][b] = 0.1;
  stimet = 500.0;
  print_fractions();
  EXPECT_EQ(dir.dir().read("interres40"),
            "F 12.000000 13.000000 500.000000 sec.  \nF 41.000000 31.000000 500.000000 sec.  \n");
}

// A two-layer bed: the top layer alone, and no interres40.
TEST_F(Fractions, TwoLayerBedWritesItsTopLayer) {
  NoBedLayers = 2;
  for (int b = 1; b <= NoBCells; ++b) BlayerTop[b] = 1;
  stimet = 101.0;
  print_fractions();
  EXPECT_EQ(dir.dir().read("interres30"), "F 12.000000 13.000000 101.000000 sec.  1 0.200000 0.100000 0.900000 \n");
  EXPECT_FALSE(dir.dir().exists("interres40"));
}

TEST_F(Fractions, NoInterpolFileWritesNothing) {
  NoInterpol = -1;  // not read yet, and there is no file
  stimet = 1000.0;
  print_fractions();
  EXPECT_EQ(NoInterpol, -2);
  EXPECT_FALSE(dir.dir().exists("interres30"));
}

}  // namespace

namespace {

// The profiles balance along the middle line j = 3 of the same block: one
// line per grid line, the bed-change mass weighed with 2.65 t/m3 whatever
// F 11 says, and the full header.
TEST(Profiles, BedChangeMassWithTheDensityOfQuartz) {
  InProjectDir dir;
  NoBedLayers = 2;
  allocatePlotModel(8, 6, 4, 2);
  addBoxBlock({2, 5, 2, 4, 1, 0.0, 0.0, 10.0, 10.0, 1.0, 0.0});
  if (!Bbedchange) {
    ASSERT_TRUE(allocate2(Bbedchange, static_cast<std::size_t>(lnumber + 1), static_cast<std::size_t>(bedCellCapacity())));
  }
  ASSERT_NE(Barea, nullptr);
  for (int b = 1; b <= NoBCells; ++b) Barea[b] = 100.0;
  Bbedchange[1][pointbed[3][3]] = 0.001;  // 0.1 m3 at half solids: 50 l of grains
  density = 2.0;
  SolidFrac = 0.5;
  TimeStep = 60.0;
  stimet = 120.0;
  print_profiles();
  const std::string text = dir.dir().read("profiles");
  const std::string expected =
      "X, LB, zval[1], wl, LB+BSed[0], sdef [kg], sdefc [kg], sdefv [kg], sdefb [kg], bech [m], bmove [m], "
      "time = 120.000000 sec\n\n"
      "5.000000 0.000000 0.000000 0.000000 0.000000 0.000000 0.000000\n"
      "15.000000 132.500000 0.000000 0.000000 132.500000 0.001000 0.000000\n"
      "25.000000 0.000000 0.000000 0.000000 0.000000 0.000000 0.000000\n"
      "35.000000 0.000000 0.000000 0.000000 0.000000 0.000000 0.000000\n";
  EXPECT_EQ(text.substr(0, expected.size()), expected);
  EXPECT_NE(text.find("Total defect: 132.500000 kg, Flux defect: 0.000000 kg, Time change: 0.000000 kg, Bed change: "
                      "132.500000 kg\n"),
            std::string::npos)
      << text;
}

}  // namespace
