// Carry-over of the fields to a changed grid and the filling of newly wet
// columns.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "grid/fieldmap.h"
#include "grid/geometry.h"
#include "io/modelfiles.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

// One water column before and after the change: cell counts and depths
// (0 cells: dry).
struct Col {
  int nOld;
  double depthOld;
  int nNew;
  double depthNew;
};

// Old fields as functions of the level z of the old cell centre.
double oldU(double z) { return 1.0 + z; }
double oldP(double z) { return 9810.0 * (5.0 - z); }
double oldC(int l, double z) { return 0.01 * l * (1.0 + z); }

// A row of columns (i = 2, 3, ..; j = 2) of block 1: the old grid's columns
// hold the fields above, the new grid's columns are numbered afresh.
struct Row {
  std::vector<Col> cols;
  std::vector<int> newBottom, oldBottom;

  void build() {
    xnumber = static_cast<int>(cols.size()) + 4, ynumber = 5, znumber = 12, lnumber = 2;
    MaxCeller = 400, MaxFlater = 800, MaxPunkter = 800;
    TimeStep = 1.0;
    ASSERT_EQ(sialloc(), 0);
    ASSERT_GT(AllocateArrays(1, 1, 1), 0.0);
    NoBlocks = 1;
    block[1] = BlockRecord{};
    block[1].i1 = 2, block[1].i2 = 1 + static_cast<int>(cols.size()), block[1].j1 = 2, block[1].j2 = 2;
    NoBCells = static_cast<int>(cols.size());
    int cOld = 0, cNew = 0;
    newBottom.assign(cols.size() + 1, 0);
    oldBottom.assign(cols.size() + 1, 0);
    for (int b = 1; b <= NoBCells; ++b) {
      const Col& k = cols[b - 1];
      const int i = b + 1;
      pointbed[i][2] = b;
      Bkooi[b] = i, Bkooj[b] = 2;
      Bnocells_old[b] = k.nOld, Bdepth_old[b] = k.depthOld, Bcellt_old[b] = k.nOld ? cOld + 1 : 0;
      for (int m = 0; m < k.nOld; ++m) {
        const int c = ++cOld;
        const double dz = k.depthOld / k.nOld, z = (m + 0.5) * dz;
        if (Ckdist_old) Ckdist_old[c] = 0.5 * dz;
        if (Czcenter_old) Czcenter_old[c] = z;
        Cxvel_old[c] = oldU(z), Cyvel_old[c] = -oldU(z), Czvel_old[c] = 0.1 * oldU(z);
        Cpres_old[c] = oldP(z), Ckinen_old[c] = 0.01 * oldU(z), Cepsilon_old[c] = 0.001 * oldU(z);
        CinvAp_old[c] = 1e-3 * oldU(z);
        for (int l = 1; l <= lnumber; ++l) Cconc_old[l][c] = oldC(l, z);
      }
      oldBottom[b] = Bcellt_old[b];
      Bnocells[b] = k.nNew, Bdepth[b] = k.depthNew, Bcellt[b] = k.nNew ? cNew + 1 : 0;
      zval[i][2][0] = Bcellt[b];
      for (int m = 0; m < k.nNew; ++m) {
        const int c = ++cNew;
        const double dz = k.depthNew / k.nNew;
        Ckdist[c] = 0.5 * dz, Czcenter[c] = (m + 0.5) * dz;
        Cidist[c] = Cjdist[c] = 0.5;
        Ccellb[c] = m > 0 ? c - 1 : 0;
        Ccellt[c] = m < k.nNew - 1 ? c + 1 : 0;
        Cbed[c] = b;
      }
      newBottom[b] = Bcellt[b];
    }
    NoCells = cNew;
    // Bottom cells of wet neighbour columns are linked.
    for (int b = 1; b < NoBCells; ++b)
      if (Bcellt[b] && Bcellt[b + 1]) {
        Ccelle[Bcellt[b]] = Bcellt[b + 1];
        Ccellw[Bcellt[b + 1]] = Bcellt[b];
      }
    // Whatever the cell numbers held on the old grid.
    for (int c = 1; c <= NoCells; ++c) Cxvel[c] = Cpres[c] = Ckinen[c] = CinvAp[c] = 123.0;
    FlagNeedsToBeInterpolated = 1;
  }
  int cell(int b, int m) const { return newBottom[b] + m; }
  int old(int b, int m) const { return oldBottom[b] + m; }
};

}  // namespace

// Columns that keep their cell count: pressure, k, epsilon and CinvAp are
// copied; velocities are scaled by min(r, 1) with F 518 1; concentrations by
// the depth ratio r = old depth / new depth.
TEST(InterpolateGrid, ColumnsKeepingTheirCells) {
  struct Case {
    int scale;
    double depthOld, depthNew;
    double velocityFactor, concFactor;
  };
  const Case cases[] = {{0, 1.0, 2.0, 1.0, 0.5}, {1, 1.0, 2.0, 0.5, 0.5}, {1, 2.0, 1.0, 1.0, 2.0}, {0, 2.0, 1.0, 1.0, 2.0}};
  for (const Case& k : cases) {
    InProjectDir p;
    FlagScaleInterpol = k.scale;
    Row r;
    r.cols = {{3, k.depthOld, 3, k.depthNew}};
    r.build();
    InterpolateGrid();
    for (int m = 0; m < 3; ++m) {
      const int c = r.cell(1, m);
      EXPECT_DOUBLE_EQ(Cxvel_old[c], Cxvel[c]) << "the old fields follow the new grid";
      EXPECT_NEAR(Cxvel[c], k.velocityFactor * oldU((m + 0.5) * k.depthOld / 3), 1e-12) << k.scale;
      EXPECT_NEAR(Cpres[c], oldP((m + 0.5) * k.depthOld / 3), 1e-9);
      EXPECT_NEAR(CinvAp[c], 1e-3 * oldU((m + 0.5) * k.depthOld / 3), 1e-15);
      EXPECT_NEAR(Cconc[2][c], k.concFactor * oldC(2, (m + 0.5) * k.depthOld / 3), 1e-12);
      EXPECT_NEAR(Cconc[0][c], Cconc[1][c] + Cconc[2][c], 1e-15);
      EXPECT_DOUBLE_EQ(CinvAp_old[c], CinvAp[c]);
    }
    EXPECT_EQ(FlagNeedsToBeInterpolated, 1);  // BedMake clears it
  }
}

// A column shrinking to one cell takes the means; one growing from a single
// cell copies it into every cell; with the level method a new middle cell
// above the old top cell takes the old top values.
TEST(InterpolateGrid, ColumnsChangingTheirCells) {
  {
    InProjectDir p;
    Row r;
    r.cols = {{4, 4.0, 1, 4.0}, {1, 1.0, 3, 1.0}};
    r.build();
    InterpolateGrid();
    EXPECT_NEAR(Cxvel[r.cell(1, 0)], (oldU(0.5) + oldU(1.5) + oldU(2.5) + oldU(3.5)) / 4, 1e-12);
    EXPECT_NEAR(Cpres[r.cell(1, 0)], (oldP(0.5) + oldP(1.5) + oldP(2.5) + oldP(3.5)) / 4, 1e-9);
    for (int m = 0; m < 3; ++m) EXPECT_NEAR(Cxvel[r.cell(2, m)], oldU(0.5), 1e-12);
  }
  {
    InProjectDir p;
    ExtrapAlgo1 = 0;
    Row r;
    r.cols = {{2, 1.0, 3, 3.0}};
    r.build();
    InterpolateGrid();
    EXPECT_NEAR(Cxvel[r.cell(1, 1)], oldU(0.75), 1e-12);
    EXPECT_NEAR(Cxvel[r.cell(1, 0)], oldU(0.25), 1e-12);
    EXPECT_NEAR(Cxvel[r.cell(1, 2)], oldU(0.75), 1e-12);
  }
}

// With the default method a column going from 4 to 6 cells keeps the sediment
// volume of each size; bottom and top keep the ratio of the old bottom and top.
TEST(InterpolateGrid, RedistributionKeepsTheSedimentVolume) {
  InProjectDir p;
  ASSERT_EQ(ExtrapAlgo1, 2);
  Row r;
  r.cols = {{4, 2.0, 6, 3.0}};
  r.build();
  InterpolateGrid();
  for (int l = 1; l <= 2; ++l) {
    double before = 0, after = 0;
    for (int m = 0; m < 4; ++m) before += oldC(l, (m + 0.5) * 0.5) * 0.25;
    for (int m = 0; m < 6; ++m) after += Cconc[l][r.cell(1, m)] * 0.25;
    EXPECT_NEAR(after, before, 1e-12 * before) << l;
    EXPECT_NEAR(Cconc[l][r.cell(1, 0)] / Cconc[l][r.cell(1, 5)], oldC(l, 0.25) / oldC(l, 1.75), 1e-12);
  }
  EXPECT_NEAR(Cxvel[r.cell(1, 0)], oldU(0.25), 1e-12);
  EXPECT_NEAR(Cxvel[r.cell(1, 5)], oldU(1.75), 1e-12);
  // Middle cell m = 1: x = 1.5 x 4 / 6 + 0.5 = 1.5, between old cells 1 and 2.
  EXPECT_NEAR(Cxvel[r.cell(1, 1)], 0.5 * oldU(0.25) + 0.5 * oldU(0.75), 1e-12);
}

// A method that gives the middle cells nothing leaves them empty, not with
// what their numbers held on the old grid.
TEST(InterpolateGrid, NoValueOfAnUnrelatedOldCellIsLeft) {
  InProjectDir p;
  ExtrapAlgo1 = 7;
  Row r;
  r.cols = {{2, 1.0, 4, 2.0}};
  r.build();
  InterpolateGrid();
  for (int m : {1, 2}) {
    EXPECT_EQ(Cxvel[r.cell(1, m)], 0.0);
    EXPECT_EQ(Cpres[r.cell(1, m)], 0.0);
    EXPECT_EQ(CinvAp[r.cell(1, m)], 0.0);
  }
}

// A new column between two old ones: pressure the mean, x velocity 0.2 times
// the sum of the neighbours' (1 and 2 m/s), concentrations 0, the cell above
// equal to the bottom cell.
TEST(InterpolateGrid, NewColumnBetweenTwoOldOnes) {
  InProjectDir p;
  ExtrapAlgo2 = 1;
  Row r;
  r.cols = {{1, 1.0, 1, 1.0}, {0, 0.0, 2, 1.0}, {1, 1.0, 1, 1.0}};
  r.build();
  Cpres_old[r.old(1, 0)] = 9810, Cxvel_old[r.old(1, 0)] = 1;
  Cpres_old[r.old(3, 0)] = 19620, Cxvel_old[r.old(3, 0)] = 2;
  InterpolateGrid();
  const int c = r.cell(2, 0);
  EXPECT_DOUBLE_EQ(Cpres[c], 14715.0);
  EXPECT_NEAR(Cxvel[c], 0.6, 1e-12);
  EXPECT_EQ(Cconc[1][c], 0.0);
  EXPECT_EQ(Cpres[c + 1], Cpres[c]);
  EXPECT_EQ(Cxvel[c + 1], Cxvel[c]);
  EXPECT_EQ(Cconc[2][c + 1], 0.0);
}

// Three new columns beside one wet column are filled in one iteration from
// either end: the forward sweep carries values up the numbering, the backward
// sweep down.
TEST(InterpolateGrid, SweepsFillARowOfNewColumns) {
  for (bool wetFirst : {true, false}) {
    InProjectDir p;
    ExtrapAlgo2 = 2;
    ExtrapIter = 1;
    Row r;
    const Col wet{1, 1.0, 1, 1.0}, fresh{0, 0.0, 1, 1.0};
    r.cols = wetFirst ? std::vector<Col>{wet, fresh, fresh, fresh} : std::vector<Col>{fresh, fresh, fresh, wet};
    r.build();
    InterpolateGrid();
    const double p0 = oldP(0.5);
    for (int b = 1; b <= 4; ++b) EXPECT_NEAR(Cpres[r.cell(b, 0)], p0, 1e-9) << wetFirst << " column " << b;
    // The farthest column holds 0.2 x 0.2 x 0.2 of the wet column's velocity.
    const int far = wetFirst ? 4 : 1;
    EXPECT_NEAR(Cxvel[r.cell(far, 0)], 0.008 * oldU(0.5), 1e-12);
  }
  // Without sweeps the new columns keep zero fields.
  InProjectDir p;
  ExtrapAlgo2 = 2;
  ExtrapIter = 0;
  Row r;
  r.cols = {{1, 1.0, 1, 1.0}, {0, 0.0, 1, 1.0}};
  r.build();
  InterpolateGrid();
  EXPECT_EQ(Cpres[r.cell(2, 0)], 0.0);
}

// With the debug letter D a concentration outside 0..1 is reported and kept.
TEST(InterpolateGrid, ConcentrationsOutsideTheRangeAreReported) {
  InProjectDir p;
  debugging = 'D';
  Row r;
  r.cols = {{1, 1.0, 1, 1.0}};
  r.build();
  Cconc_old[1][r.old(1, 0)] = 1.2;
  Cconc_old[2][r.old(1, 0)] = 0.0;
  InterpolateGrid();
  EXPECT_DOUBLE_EQ(Cconc[1][1], 1.2);
  EXPECT_NE(p.dir().boogie().find("Error in extrapolation of concentrations, Cconc[1][1] = 1.200000"), std::string::npos);
  EXPECT_NE(p.dir().boogie().find("Error in extrapolation of concentrations, Cconc[0][1] = 1.200000"), std::string::npos);
}

// Two grids read one after the other in a transient run: the second has
// deeper water in every column and, in the second case, one more cell per
// column. A field linear in plan stays where the columns keep their cells,
// and the sediment volume of each column stays.
TEST(InterpolateGrid, SecondGridReadCarriesTheFields) {
  struct Case {
    int nz2;
    double water2;
  };
  for (const Case& k : {Case{2, 2.0}, Case{3, 1.5}}) {
    InProjectDir p;
    auto gridText = [&](int nz, double water) {
      SmallGrid g;
      g.nx = 3, g.ny = 2, g.nz = nz;
      g.gridLinesX = 7, g.gridLinesY = 6;
      g.water = [water](int, int) { return water; };
      g.build();
      EXPECT_EQ(WriteUnstructure(), 0);
      return p.dir().read("unstruc");
    };
    // Room for three cells per column in both grids.
    znumber = 4;
    const std::string first = gridText(2, 1.0), second = gridText(k.nz2, k.water2);

    SetArraysZero();
    setControlDefaults();
    xnumber = 7, ynumber = 6, znumber = 4, lnumber = 1;
    MaxCeller = 200, MaxFlater = 600, MaxPunkter = 600;
    TimeStep = 1.0;
    ASSERT_EQ(sialloc(), 0);
    p.dir().write("unstruc", first);
    ASSERT_EQ(ReadUnstructure(), 0) << p.dir().boogie();
    double before[7] = {};
    for (int c = 1; c <= NoCells; ++c) {
      Cxvel_old[c] = 1.0 + 0.1 * Cxcenter[c] + 0.2 * Cycenter[c];
      Cconc_old[1][c] = 0.01 * (1.0 + Czcenter[c]);
      before[Cbed[c]] += Cconc_old[1][c] * 2.0 * Ckdist[c];
    }
    FlagNeedsToBeInterpolated = 1;
    FlagGridHasChanged = 1;
    p.dir().write("unstruc", second);
    ASSERT_EQ(ReadUnstructure(), 0) << p.dir().boogie();
    EXPECT_EQ(FlagNeedsToBeInterpolated, 0);
    for (int b = 1; b <= NoBCells; ++b) {
      ASSERT_EQ(Bnocells[b], k.nz2);
      double after = 0.0;
      for (int c = Bcellt[b]; c < Bcellt[b] + Bnocells[b]; ++c) {
        after += Cconc[1][c] * 2.0 * Ckdist[c];
        if (k.nz2 == 2) { EXPECT_NEAR(Cxvel[c], 1.0 + 0.1 * Cxcenter[c] + 0.2 * Cycenter[c], 1e-12) << c; }
      }
      EXPECT_NEAR(after, before[b], 1e-12) << "column " << b;
    }
  }
}
