// F 60 2: the van Rijn reference level common to all columns, the mean half
// height of the bottom cells of the wet columns of block 1.
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

std::vector<double> bedConcentrations(int f60) {
  TSCbedrouse = f60;
  concRijn();
  std::vector<double> c(NoBCells + 1, 0.0);
  for (int b = 1; b <= NoBCells; ++b) c[b] = Bconc[1][b];
  return c;
}

}  // namespace

// Van Rijn's reference concentration goes with 1/a. The bottom cell of bed
// cell 1 is made twice as high (half height 2h), column 2 is dry: over the
// N wet columns the mean half height is (2h + (N - 1) h) / N, so with F 60 2
// bed cell 1 gets 2N / (N + 1) times its own-level value and every other wet
// column N / (N + 1) times its own.
TEST(CommonReferenceLevel, MeanHalfHeightOfTheWetBottomCellsOfBlockOne) {
  InProjectDir p;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  gsize[1] = 0.001;
  shieldscoeff = 0.05;
  BedLoadFlag = 0;
  uniformBed({1.0}, 2.0 / 300.0);  // 2 Pa
  ASSERT_GE(NoBCells, 3);
  const int dry = 2;
  Bcellt[dry] = 0;
  Ckdist[Bcellt[1]] *= 2.0;
  const std::vector<double> own = bedConcentrations(0), common = bedConcentrations(2);
  const double N = NoBCells - 1;
  ASSERT_GT(own[1], 0.0);
  ASSERT_LT(own[1], MaxBedConc);
  EXPECT_NEAR(common[1] / own[1], 2.0 * N / (N + 1.0), 1e-9);
  for (int b = 3; b <= NoBCells; ++b) EXPECT_NEAR(common[b] / own[b], N / (N + 1.0), 1e-9) << b;
}
