// The quasi-neighbour grid (F 137): shared levels at the grid lines, the
// cells a top cell faces in a taller neighbour column and the faces that
// name it, on block grids filled in-process.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "grid/generate.h"
#include "grid/geometry.h"
#include "grid/grid_builder.h"
#include "grid/qngrid.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"

namespace {

// znumber 5, F 87 1: a grid line as deep as the deepest has 5 levels, one
// half as deep 3; the columns have 4 and 2 cells.
void prepareQuasi(BlockGrid& g) {
  g.levels = 5;
  setRunStateInitial();
  QNFlag = 1;
  g.prepare();
  GridDistCoeff = 1.0;
  UMethod = 34;  // selects nothing: F 137 builds the grid whatever F 64 says
}

void expectClosed(const std::string& label) {
  for (int c = 1; c <= NoCells; ++c) {
    ASSERT_LT(closureDefect(c), 1e-9) << label << " cell " << c;
    ASSERT_GT(cellVolume(c), 0) << label << " cell " << c;
  }
  EXPECT_EQ(Cpoint1[0], 0) << label;
}

}  // namespace

// A column of 2 cells beside one of 4, sharing two grid lines of 3 levels:
// the levels there are shared (the depth halved, the upper half in three);
// the short column's lower cell shares its face with the tall column's
// lowest cell; its top cell lists the tall column's cells at levels 3, 4
// and 5, has a face of its own marked Fqndum 1 whose far cell is the middle
// one, and each listed cell's face toward it names it.
TEST(QuasiNeighbourGrid, TopCellListsTheTallerNeighboursCells) {
  for (bool tallWest : {true, false}) {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 2, g.ny = 1;
    g.bed = [&](int i, int) { return (tallWest ? i == 1 : i == 3) ? 0.0 : 0.5; };
    prepareQuasi(g);
    ASSERT_EQ(UnstructureBuild(), 1);
    const int ti = tallWest ? 2 : 3, si = tallWest ? 3 : 2;
    const std::string label = tallWest ? "tall west" : "tall east";
    ASSERT_EQ(ant[ti][2], 4) << label;
    ASSERT_EQ(ant[si][2], 2) << label;
    EXPECT_EQ(static_cast<int>(zval[ti][2][0]), num[ti][2][2]) << label;
    const int t = num[si][2][3], low = num[si][2][2];
    int* count = tallWest ? Cncellw : Cncelle;
    int** list = tallWest ? Cqncellw : Cqncelle;
    EXPECT_EQ(count[t], 3) << label;
    for (int r = 0; r < 3; ++r) EXPECT_EQ(list[t][r], num[ti][2][3 + r]) << label << " " << r;
    EXPECT_EQ((tallWest ? Cncelle : Cncellw)[t], 0) << label;
    EXPECT_EQ(Cncells[t] + Cncelln[t], 0) << label;
    EXPECT_EQ(Cncellw[low] + Cncelle[low], 0) << label;
    // the lower cells face to face
    if (tallWest) {
      EXPECT_EQ(Cflatew[low], Cflatee[num[ti][2][2]]) << label;
      EXPECT_EQ(Fcell1[Cflatew[low]], num[ti][2][2]) << label;
    } else {
      EXPECT_EQ(Cflatee[low], Cflatew[num[ti][2][2]]) << label;
      EXPECT_EQ(Fcell2[Cflatee[low]], num[ti][2][2]) << label;
    }
    // the top cell's own face: the middle listed cell beyond it
    const int own = tallWest ? Cflatew[t] : Cflatee[t];
    EXPECT_EQ(Fqndum[own], 1) << label;
    EXPECT_EQ(tallWest ? Fcell1[own] : Fcell2[own], num[ti][2][4]) << label;
    EXPECT_EQ(tallWest ? Fcell2[own] : Fcell1[own], t) << label;
    for (int r = 0; r < 3; ++r) {
      const int listed = num[ti][2][3 + r];
      const int f = tallWest ? Cflatee[listed] : Cflatew[listed];
      EXPECT_EQ(tallWest ? Fcell2[f] : Fcell1[f], t) << label << " " << r;
      EXPECT_EQ(Fqndum[f], 0) << label;
      EXPECT_EQ(tallWest ? Ccelle[listed] : Ccellw[listed], t) << label;
    }
    // Shared levels on the common grid line (2, 1) (tall west) or (2, 1)
    // seen from the other side: bed 0.5, water 1; the lower half one cell,
    // the upper half in three for the tall column and one for the short.
    const double tallLevels[] = {0.5, 0.75, 0.5 + 0.5 * 4 / 6.0, 0.5 + 0.5 * 5 / 6.0, 1.0};
    for (int L = 2; L <= 5; ++L) {
      const int c = num[ti][2][L];
      const double bottom = tallWest ? Pz[Cpoint2[c]] : Pz[Cpoint1[c]];
      const double top = tallWest ? Pz[Cpoint6[c]] : Pz[Cpoint5[c]];
      EXPECT_NEAR(bottom, tallLevels[L - 2], 1e-9) << label << " level " << L;
      EXPECT_NEAR(top, tallLevels[L - 1], 1e-9) << label << " level " << L;
    }
    expectClosed(label);
    // The geometry the flow reads: the listed faces together cover the own
    // face (the upper half of the shared line, in thirds), each lies as far
    // from the top cell's centre as its half width, and its flux runs from
    // west to east.
    metric();
    double listedArea = 0;
    for (int r = 0; r < 3; ++r) {
      const int listed = num[ti][2][3 + r];
      const int f = tallWest ? Cflatee[listed] : Cflatew[listed];
      listedArea += Farea[f];
      EXPECT_NEAR(Farea[f], 0.25 / 3, 1e-9) << label << " " << r;  // the upper half of 0.5 m in three
      EXPECT_NEAR(tallWest ? Fdist2[f] : Fdist1[f], Cidist[t], 1e-12) << label << " " << r;
      EXPECT_NEAR(tallWest ? Fdist1[f] : Fdist2[f], Cidist[listed], 1e-12) << label << " " << r;
      EXPECT_NEAR(Cidist[t], 0.5, 1e-9) << label;
      EXPECT_EQ(tallWest ? Ftype2[f] : Ftype1[f], tallWest ? 4 : 2) << label << " " << r;
      EXPECT_GT(Fax[f], 0) << label << " " << r;
    }
    EXPECT_NEAR(listedArea, Farea[own], 1e-9) << label;
    // the column volumes: plan times the mean corner depth
    double v = 0;
    for (int c = 1; c <= NoCells; ++c) v += cellVolume(c);
    EXPECT_NEAR(v, 0.75 + 0.5, 1e-9) << label;
  }
}

// Columns of equal counts have no lists and share every side face; a block
// with fixed levels gets no cells from this generator.
TEST(QuasiNeighbourGrid, EqualColumnsHaveNoListsAndFixedLevelBlocksNoCells) {
  {
    InProjectDir dir;
    BlockGrid g;
    g.nx = 3, g.ny = 2;
    prepareQuasi(g);
    ASSERT_EQ(UnstructureBuild(), 1);
    EXPECT_EQ(NoCells, 6 * 4);  // 5 levels, 4 cells per column
    for (int c = 1; c <= NoCells; ++c) {
      EXPECT_EQ(Cncells[c] + Cncelle[c] + Cncelln[c] + Cncellw[c], 0) << c;
      if (Ccelle[c]) {
        EXPECT_EQ(Ccellw[Ccelle[c]], c);
        EXPECT_EQ(Cflatee[c], Cflatew[Ccelle[c]]);
      }
    }
    for (int f = 1; f <= NoSurfaces; ++f) EXPECT_EQ(Fqndum[f], 0) << f;
    expectClosed("equal columns");
  }
  InProjectDir dir;
  BlockGrid g;
  g.nx = 2, g.ny = 2;
  prepareQuasi(g);
  block[1].bedFlag = 0;
  block[1].levelCount = 3;
  block[1].d1 = 1;
  block[1].d2 = 2;
  EXPECT_EQ(UnstructureBuild(), 1);
  EXPECT_EQ(NoCells, 0);
  EXPECT_TRUE(dir.dir().boogieHas("Warning: No cells were generated in grid"));
}

// The corner fractions at a grid line whose columns hold 2 to 4 cells: the
// lower level divides the depth in halves, the top half in three layers for
// the tall column; a column's top cell reaches the water level; a dry grid
// line (one level) has every corner at the water level.
TEST(QuasiNeighbourGrid, CornerFractionsShareTheLevelsOfAGridLine) {
  EXPECT_EQ(quasiCornerFraction(3, 2, 4, 2, 4, false), 0.0);
  EXPECT_NEAR(quasiCornerFraction(3, 2, 4, 2, 4, true), 0.5, 1e-9);
  EXPECT_NEAR(quasiCornerFraction(3, 2, 4, 3, 4, true), 4 / 6.0, 1e-12);
  EXPECT_NEAR(quasiCornerFraction(3, 2, 4, 4, 4, true), 5 / 6.0, 1e-12);
  EXPECT_EQ(quasiCornerFraction(3, 2, 4, 5, 4, true), 1.0);
  EXPECT_NEAR(quasiCornerFraction(3, 2, 4, 3, 2, false), 0.5, 1e-9);
  EXPECT_EQ(quasiCornerFraction(3, 2, 4, 3, 2, true), 1.0);
  EXPECT_EQ(quasiCornerFraction(1, 0, 0, 2, 3, false), 1.0);
  EXPECT_EQ(quasiCornerFraction(1, 0, 0, 2, 3, true), 1.0);
}
