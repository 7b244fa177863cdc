// The ratio of the depth-averaged speed to the speed of the bottom cell, which
// the Engelund-Hansen formulas square: computed for F 84 6, 8, 9, 11 and 12
// (and the dune formulas), 1 for the others.
#include <gtest/gtest.h>

#include <vector>

#include "sediment/bedconc.h"
#include "sediment/sediment.h"
#include "sediment/sediment_fixture.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"

namespace {

// Bed concentration of the first bed cell with the bottom cells at 0.5 m/s
// and the cells above at `upper`.
double bedConcentrationWith(double upper) {
  for (int c = 1; c <= NoCells; ++c) {
    Cxvel[c] = Ccellb[c] == 0 ? 0.5 : upper;
    Cyvel[c] = Czvel[c] = 0.0;
  }
  concRijn();
  return Bconc[1][1];
}

}  // namespace

// Columns of nine equal cells: with the eight upper cells at twice the bottom
// speed the depth-averaged speed is (1 + 8 x 2) / 9 = 17/9 of it, and the
// Engelund-Hansen concentration (r^2) grows by (17/9)^2 over that of a uniform
// speed; van Rijn's reference concentration does not read the ratio.
TEST(VelocityRatio, EngelundHansenFormulasSquareIt) {
  struct Row {
    int f84;
    double ratio;
  };
  const double r = 17.0 / 9.0;
  const std::vector<Row> rows = {{6, r * r}, {8, r * r}, {1, 1.0}};
  for (const Row& row : rows) {
    InProjectDir p;
    SedimentBox box;
    ASSERT_TRUE(box.build());
    gsize[1] = 0.001;
    shieldscoeff = 0.05;
    BedLoadFlag = row.f84;
    uniformBed({1.0}, 2.0 / 300.0);  // 2 Pa
    int cells = 0;
    for (int c = Bcellt[1]; c != 0; c = Ccellt[c]) ++cells;
    ASSERT_EQ(cells, 9);
    const double uniform = bedConcentrationWith(0.5);
    ASSERT_GT(uniform, 0.0) << row.f84;
    ASSERT_LT(uniform, MaxBedConc) << row.f84;
    EXPECT_NEAR(bedConcentrationWith(1.0) / uniform, row.ratio, 1e-9) << row.f84;
  }
}
