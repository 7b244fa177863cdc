// The default bed change (F 255 0): the column changes spread over the grid
// corners by area, the non-erodible level holding with the defect booked,
// the outflow boundary of F 222 and the regrid interval of F 99.
#include <gtest/gtest.h>

#include <string>

#include "bed/bed.h"
#include "bed/bedtail.h"
#include "bed/corner_box.h"
#include "sediment/sediment_fixture.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"
#include "support/in_dir.h"

namespace {

double bed(int i, int j) { return zval[i][j][1]; }

}  // namespace

// Deposition in the middle column: each of its corners rises by a quarter
// of its Bedmove, and the accumulated change follows.
TEST(BedChange, ADepositingColumnRaisesEachCornerByAQuarter) {
  CornerBox box;
  ASSERT_NEAR(armap[3][3], 1.0, 1e-12);
  Bedmove[CornerBox::bedAt(3, 3)] = 0.04;
  bedchange();
  for (auto [i, j] : {std::pair{3, 3}, {2, 3}, {2, 2}, {3, 2}}) {
    EXPECT_NEAR(bed(i, j), 0.01, 1e-15) << i << " " << j;
    EXPECT_NEAR(Surfaces[1][i][j], 0.01, 1e-15);
  }
  EXPECT_EQ(bed(4, 4), 0.0);
  EXPECT_EQ(bed(1, 1), 0.0);
  EXPECT_EQ(BedMoveDefectAbs, 0.0);
}

// An interior corner between four columns rises by their mean Bedmove, and
// the volume given to the corners (change x the area each stands for) is
// the columns' volume where no corner is limited.
TEST(BedChange, AnInteriorCornerTakesTheMeanOfItsColumns) {
  CornerBox box;
  const double move[4][4] = {{}, {0, 0.01, 0.02, 0.03}, {0, 0.04, 0.05, 0.06}, {0, 0.07, 0.08, -0.09}};
  double volume = 0.0;
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j) {
      Bedmove[CornerBox::bedAt(i + 1, j + 1)] = move[i][j];
      volume += move[i][j];
    }
  bedchange();
  EXPECT_NEAR(bed(2, 2), (0.01 + 0.02 + 0.04 + 0.05) / 4.0, 1e-15);
  EXPECT_NEAR(bed(3, 3), (0.05 + 0.06 + 0.08 - 0.09) / 4.0, 1e-15);
  // Corner areas: 1 inside, 1/2 on an edge, 1/4 at a grid corner.
  double given = 0.0;
  for (int i = 1; i <= 4; ++i)
    for (int j = 1; j <= 4; ++j) {
      const double share = (i == 1 || i == 4 ? 0.5 : 1.0) * (j == 1 || j == 4 ? 0.5 : 1.0);
      given += bed(i, j) * share;
    }
  EXPECT_NEAR(given, volume, 1e-14);
}

// Erosion of 0.2 m where only corner 1 lies 0.1 m above the non-erodible
// level: that corner goes down to the level and no further, the others stay,
// and 0.1 m x 1 m2 is booked, negative in the signed sum.
TEST(BedChange, ErosionStopsAtTheNonErodibleLevelAndBooksTheRest) {
  CornerBox box;
  for (int i = 0; i <= xnumber + 1; ++i)
    for (int j = 0; j <= ynumber + 1; ++j) Surfaces[3][i][j] = zval[i][j][1];
  Surfaces[3][3][3] = -0.1;
  Bedmove[CornerBox::bedAt(3, 3)] = -0.2;
  bedchange();
  EXPECT_NEAR(bed(3, 3), -0.1, 1e-12);
  for (auto [i, j] : {std::pair{2, 3}, {2, 2}, {3, 2}}) EXPECT_EQ(bed(i, j), 0.0);
  const double kg = 0.1 * 1.0 * SolidFrac * 1000.0 * density;
  EXPECT_NEAR(BedMoveDefectSum, -kg, 1e-6);
  EXPECT_NEAR(BedMoveDefectAbs, kg, 1e-6);
}

// Deposition is limited only with F 163 1 (by the water depth, 1 m here).
TEST(BedChange, DepositionLimitedByTheWaterDepthWithF163) {
  for (int option : {0, 1}) {
    CornerBox box;
    FlagBedChange = option;
    Bedmove[CornerBox::bedAt(3, 3)] = 6.0;
    bedchange();
    EXPECT_NEAR(bed(3, 3), option == 1 ? 1.0 : 1.5, 1e-12) << option;
    EXPECT_NEAR(BedMoveDefectSum, option == 1 ? 2.0 * SolidFrac * 1000.0 * density : 0.0, 1e-6);
  }
}

// F 222 3: every outflow column gets its initial corners back; variant 1
// lowers the open side of an outflow column on the block edge to one column
// depth below the water level.
TEST(BedChange, OutflowBoundaryByF222) {
  {
    CornerBox box;
    FlagBedDownstream = 3;
    const int b = CornerBox::bedAt(4, 3);
    Binout[b] = -1.0;
    for (auto [i, j] : {std::pair{4, 3}, {4, 2}, {3, 2}, {3, 3}, {2, 2}}) zval[i][j][1] += 0.3;
    bedchange();
    for (auto [i, j] : {std::pair{4, 3}, {4, 2}, {3, 2}, {3, 3}}) EXPECT_EQ(bed(i, j), Surfaces[0][i][j]);
    EXPECT_NEAR(bed(2, 2), 0.3, 1e-15);  // not a corner of the outflow column
  }
  {
    CornerBox box;
    FlagBedDownstream = 1;
    const int b = CornerBox::bedAt(4, 3);
    Binout[b] = -1.0;
    // The east side is open: its corners (4, 3) and (4, 2) come down to the
    // water level (1 m) less the column depth (1 m), none goes up.
    zval[4][3][1] = 0.2;
    zval[4][2][1] = -0.1;
    computeBedBoundary();
    EXPECT_NEAR(bed(4, 3), 0.0, 1e-12);
    EXPECT_NEAR(bed(4, 2), -0.1, 1e-15);
    EXPECT_NEAR(SumBedMoveDef, 0.2 * 0.25 * 1000.0 * density * SolidFrac, 1e-9);
  }
}

// F 99 3: the grid is generated anew in steps 1, 4, 7 only, with the work
// ranges of the new grid, and only then can the suspended mass change
// through the regrid.
TEST(BedChange, RegridEveryF99Steps) {
  CornerBox box(3);
  for (int c = 1; c <= NoCells; ++c) Cconc[1][c] = 0.001 * (c % 7);
  std::string log = box.dir.dir().boogie();
  size_t seen = 0;
  auto count = [](const std::string& text) {
    size_t n = 0;
    for (size_t at = text.find("End Unstructure"); at != std::string::npos; at = text.find("End Unstructure", at + 1))
      ++n;
    return n;
  };
  seen = count(log);
  for (Iter = 1; Iter <= 7; ++Iter) {
    for (int c = 1; c <= NoCells; ++c) Cconc_old[1][c] = Cconc[1][c];
    Bedmove[CornerBox::bedAt(3, 3)] = 0.05;
    const double before = SuspVolChangeDef;
    WCEnd = WFEnd = WBEnd = 2;  // ranges of a step on another grid
    bedchange();
    const size_t now = count(box.dir.dir().boogie());
    const bool regrid = Iter == 1 || Iter == 4 || Iter == 7;
    EXPECT_EQ(now - seen, regrid ? 1u : 0u) << "step " << Iter;
    // A new grid brings the work ranges of its own counts.
    EXPECT_EQ(WCEnd, regrid ? NoCells : 2);
    EXPECT_EQ(WFEnd, regrid ? NoSurfaces : 2);
    EXPECT_EQ(WBEnd, regrid ? NoBCells : 2);
    if (!regrid) {
      EXPECT_EQ(SuspVolChangeDef, before) << "step " << Iter;
    }
    seen = now;
  }
  EXPECT_NE(SuspVolChangeDef, 0.0);
}

// A remainder above F 501 writes the warning block; with the two-layer bed
// there is no per-size bed change, and its lines leave it out.
TEST(BedChange, TheRemainderWarningShowsThePerSizeChangeOnlyWhereItExists) {
  CornerBox box;
  for (int i = 0; i <= xnumber + 1; ++i)
    for (int j = 0; j <= ynumber + 1; ++j) Surfaces[3][i][j] = zval[i][j][1];
  restCrit = 0.01;
  Bedmove[CornerBox::bedAt(3, 3)] = -0.2;
  bedchange();
  const std::string log = box.dir.dir().boogie();
  EXPECT_NE(log.find("Warning in bed change, i,j,b,ii,l,Bedmove,rest,dz,area = 3 3 5 3 100 -0.2 0.2 -0.2 1\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Corner 1, move, factor, minmove, weight = 0 4 0 1\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Cell P: Size 1, Conc: 0, Fraction: 1, Bsource 0\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("Bbedmove"), std::string::npos);
}

// Options of the corner placing on the 3 x 3 box:
//   F 396: the south-west column (2, 2) with 0.04 m of deposit; by default a
//     corner takes V / w, w the area of the block's columns around it: the
//     north-east corner 4 A (0.01), south-east and north-west 2 A (0.02),
//     the south-west one A (0.04); with F 396 every factor is 4 A: 0.01.
//   F 242: 0.2 m of erosion in the middle column where only its north-east
//     corner can go down (0.1 m): one pass gives each corner 0.05 and leaves
//     0.15; a second pass spreads that again, 0.0375 each: 0.0875 and
//     0.1125 left.
//   F 502 1: one pass without limits: every corner 0.05 down.
TEST(BedChange, CornerFactorsPassesAndTheUnlimitedPass) {
  for (int f396 : {0, 1}) {
    CornerBox box;
    FlagNoSides = f396;
    Bedmove[CornerBox::bedAt(2, 2)] = 0.04;
    bedchange();
    EXPECT_NEAR(bed(2, 2), 0.01, 1e-15) << f396;
    EXPECT_NEAR(bed(2, 1), f396 ? 0.01 : 0.02, 1e-15) << f396;
    EXPECT_NEAR(bed(1, 2), f396 ? 0.01 : 0.02, 1e-15) << f396;
    EXPECT_NEAR(bed(1, 1), f396 ? 0.01 : 0.04, 1e-15) << f396;
  }
  struct Case {
    int passes, f502;
    double ne, others, left;
  };
  const Case cases[] = {{1, 0, -0.05, 0.0, 0.15}, {2, 0, -0.0875, 0.0, 0.1125}, {100, 1, -0.05, -0.05, 0.15}};
  for (const Case& k : cases) {
    SCOPED_TRACE(::testing::Message() << "F 242 " << k.passes << " F 502 " << k.f502);
    CornerBox box;
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) Surfaces[3][i][j] = zval[i][j][1];
    Surfaces[3][3][3] = -0.1;
    NumMoveBedchange = k.passes;
    FlagBedMove = k.f502;
    Bedmove[CornerBox::bedAt(3, 3)] = -0.2;
    bedchange();
    EXPECT_NEAR(bed(3, 3), k.ne, 1e-12);
    for (auto [i, j] : {std::pair{2, 3}, {2, 2}, {3, 2}}) EXPECT_NEAR(bed(i, j), k.others, 1e-12);
    EXPECT_NEAR(BedMoveDefectAbs, k.left * SolidFrac * 1000.0 * density, 1e-6);
  }
}

// F 471 1 with F 236: before the change the corner bed levels are rebuilt
// from the level surfaces 0 + 1 + 6 (0.5 + 0.1 + 0.2); without F 236 not.
TEST(BedChange, F471RebuildsTheBedFromTheLevelSurfaces) {
  for (int thixo : {1, 0}) {
    SCOPED_TRACE(thixo);
    InProjectDir dir;
    FlagThixo = 1;  // eight level surfaces
    FlagTSC = 2;
    TimeStep = 1.0;
    SedimentBox sbox;
    sbox.nx = sbox.ny = 3;
    ASSERT_TRUE(sbox.build());
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) {
        Surfaces[0][i][j] = 0.5, Surfaces[1][i][j] = 0.1, Surfaces[6][i][j] = 0.2;
        Surfaces[3][i][j] = zval[i][j][1] - 5.0;
      }
    FlagThixo = thixo;
    FlagGridConnect = 1;
    bedchange();
    for (int i = 1; i <= 4; ++i)
      for (int j = 1; j <= 4; ++j) EXPECT_NEAR(bed(i, j), thixo ? 0.8 : 0.0, 1e-12) << i << " " << j;
  }
}

// F 152 2: a regrid of the bed change builds the coarse two-dimensional
// level again after the new grid, one cell per wet column over its lowest
// cell, and every regrid starts again from the new grid's own blocks, so the
// level is not stacked twice.
TEST(BedChange, RegridRebuildsTheCoarseGridLevels) {
  CornerBox box(1);
  ASSERT_TRUE(allocate2(MGSCpoint, MaxCeller, 5));
  MGSCpointCols = 5;
  MGSNo = 2;
  for (int step = 1; step <= 2; ++step) {
    SCOPED_TRACE(step);
    Iter = step;
    Bedmove[CornerBox::bedAt(3, 3)] = 0.05;
    bedchange();
    ASSERT_EQ(NoBlocks, NoBlocks0 + 1);
    const BlockRecord& L = block[NoBlocks];
    EXPECT_EQ(L.gridLevel, 2);
    EXPECT_EQ(L.lastCell - L.firstCell + 1, 9);
    EXPECT_EQ(L.firstCell, NoCells0 + 1);
    for (int i = 2; i <= 4; ++i)
      for (int j = 2; j <= 4; ++j) {
        const int lowest = static_cast<int>(zval[i][j][0]);
        const int n = MGSCpoint[lowest][0];
        EXPECT_GE(n, L.firstCell) << i << " " << j;
        EXPECT_LE(n, L.lastCell) << i << " " << j;
        EXPECT_EQ(MGSCpoint[n][1], lowest) << i << " " << j;
      }
  }
}
