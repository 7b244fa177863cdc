// Joining of bed layers: JoinLayers and removeZerolayers.
#include <gtest/gtest.h>

#include "sediment/layers.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "support/in_dir.h"

namespace {

struct Stack {
  InProjectDir d;
  Stack() {
    xnumber = ynumber = 4;
    znumber = 3;
    lnumber = 2;
    NoBedLayers = 4;
    sialloc();
    AllocateArrays(1, 1, 1);
  }
  // Layers 0..top of bed cell 1: thickness and the fraction of size 1.
  void set(std::initializer_list<std::pair<double, double>> layers) {
    int l = 0;
    for (auto [t, f] : layers) {
      BSedDistrib[l][0][1] = t;
      BSedDistrib[l][1][1] = f;
      BSedDistrib[l][2][1] = 1.0 - f;
      ++l;
    }
    BlayerTop[1] = l - 1;
  }
};

TEST(BedLayers, JoinAveragesByThicknessAndMovesTheUpperLayersDown) {
  Stack s;
  s.set({{0.3, 0.2}, {0.1, 0.6}, {0.5, 0.9}});
  JoinLayers(1, 1);
  EXPECT_EQ(BlayerTop[1], 1);
  EXPECT_DOUBLE_EQ(BSedDistrib[0][0][1], 0.4);
  EXPECT_DOUBLE_EQ(BSedDistrib[0][1][1], (0.6 * 0.1 + 0.2 * 0.3) / 0.4);
  EXPECT_DOUBLE_EQ(BSedDistrib[0][2][1], (0.4 * 0.1 + 0.8 * 0.3) / 0.4);
  EXPECT_DOUBLE_EQ(BSedDistrib[1][0][1], 0.5);
  EXPECT_DOUBLE_EQ(BSedDistrib[1][1][1], 0.9);
  for (int k = 0; k <= 2; ++k) EXPECT_EQ(BSedDistrib[2][k][1], 0.0);
}

TEST(BedLayers, ThinLayersAreJoinedAway) {
  struct Row {
    const char* what;
    std::initializer_list<std::pair<double, double>> layers;
    int count, top;
    double bottom;  // thickness of layer 0 afterwards
  };
  const Row rows[] = {
      {"top 0 with an empty layer 0: unchanged", {{0.0, 0.5}}, 0, 0, 0.0},
      {"no thin layer", {{0.3, 0.2}, {0.1, 0.6}}, 0, 1, 0.3},
      {"thin middle layer", {{0.3, 0.2}, {1e-11, 0.6}, {0.2, 0.9}}, 1, 1, 0.3 + 1e-11},
      {"two thin layers in a row", {{0.3, 0.2}, {1e-11, 0.6}, {0.0, 0.6}, {0.2, 0.9}}, 2, 1, 0.3 + 1e-11},
      {"a layer of exactly 1e-10 m stays", {{0.3, 0.2}, {1e-10, 0.6}}, 0, 1, 0.3},
      {"thin layer 0 takes layer 1 in, uncounted", {{1e-12, 0.2}, {0.4, 0.6}}, 0, 0, 0.4 + 1e-12},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    Stack s;
    s.set(r.layers);
    EXPECT_EQ(removeZerolayers(1), r.count);
    EXPECT_EQ(BlayerTop[1], r.top);
    EXPECT_DOUBLE_EQ(BSedDistrib[0][0][1], r.bottom);
  }
}

}  // namespace
