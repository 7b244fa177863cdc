// Cell and face geometry computed by metric.
#include <gtest/gtest.h>
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "grid/geometry.h"
#include "grid/grid_read.h"
#include "state/arrays.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"

namespace {

// Bed z = 0.1 x, surface z = 2 + 0.05 x + 0.02 y over x = 0, 7, 20, 30 and
// y = 0..10: every face is planar, the columns are vertical, and the volumes
// are the integrals of the depth 2 - 0.05 x + 0.02 y.
ThreeCellGrid tiltedGrid() {
  ThreeCellGrid g;
  g.xs[1] = 7.0;
  g.bedSlope = 0.1;
  g.top0 = 2.0;
  g.topX = 0.05;
  g.topY = 0.02;
  return g;
}

// Sum of the outward area vectors of the six faces of cell c.
std::vector<double> faceVectorSum(int c) {
  std::vector<double> s(3, 0.0);
  for (int f : {Cflates[c], Cflatee[c], Cflaten[c], Cflatew[c], Cflateb[c], Cflatet[c]}) {
    const double sign = Fcell1[f] == c ? 1.0 : -1.0;
    s[0] += sign * Fax[f], s[1] += sign * Fay[f], s[2] += sign * Faz[f];
  }
  return s;
}

}  // namespace

TEST(Metric, VolumesAreaAndFaceVectorsOfATiltedGrid) {
  InProjectDir p;
  readGrid(p.dir(), tiltedGrid());
  const double volume[4] = {0, 134.75, 185.25, 85.0};
  double total = 0.0;
  for (int c = 1; c <= 3; ++c) {
    SCOPED_TRACE(c);
    EXPECT_NEAR(Cvol[c], volume[c], 1e-9);
    total += Cvol[c];
    for (double v : faceVectorSum(c)) EXPECT_NEAR(v, 0.0, 1e-9);
  }
  EXPECT_NEAR(total, 405.0, 1e-9);  // the domain: 30 m x 10 m under the two planes

  // The face between cells 1 and 2 at x = 7: 10 m wide, 1.65 to 1.85 m high.
  EXPECT_NEAR(Farea[2], 17.5, 1e-12);
  EXPECT_NEAR(Fvx[2], 1.0, 1e-12);
  EXPECT_EQ(Ftype1[2], 2);
  EXPECT_EQ(Ftype2[2], 4);
  EXPECT_EQ(Fcell11[2], 0);  // nothing west of cell 1
  EXPECT_EQ(Fcell22[2], 3);  // cell 3 east of cell 2
  // Half lengths along i follow the bed and surface slopes (mean rise 0.075 x).
  EXPECT_NEAR(Fdist1[2], 0.5 * std::hypot(7.0, 0.075 * 7.0), 1e-12);
  EXPECT_NEAR(Fdist2[2], 0.5 * std::hypot(13.0, 0.075 * 13.0), 1e-12);
  EXPECT_NEAR(Fdz[2], 1.75, 1e-12);
  // The sloping bed under cell 1 and its normal, pointing up into the cell.
  EXPECT_NEAR(Farea[5], 70.0 * std::sqrt(1.01), 1e-9);
  EXPECT_NEAR(Fvz[5], 1.0 / std::sqrt(1.01), 1e-12);
  EXPECT_EQ(Ftype2[5], 5);
  EXPECT_NEAR(Careaz[1], 70.0, 1e-12);
  // Mean of the corners: bed 0, 0, 0.7, 0.7; surface 2, 2.35, 2.55, 2.2.
  EXPECT_NEAR(Czcenter[1], 10.5 / 8.0, 1e-12);
  // Solving order: the three columns from the bottom cell up, closed by 0.
  EXPECT_EQ(Cisolve[1], 1);
  EXPECT_EQ(Cisolve[2], 2);
  EXPECT_EQ(Cisolve[3], 3);
  EXPECT_EQ(Cisolve[4], 0);
}

TEST(Metric, ResultDoesNotDependOnTheThreadCount) {
  InProjectDir p;
  readGrid(p.dir(), tiltedGrid());
  const std::vector<double> one(Cvol, Cvol + 4), areas(Farea, Farea + 17);
  const int before = omp_get_max_threads();
  omp_set_num_threads(3);
  FlagHaveDoneMetric = 0;
  metric();
  omp_set_num_threads(before);
  EXPECT_EQ(std::vector<double>(Cvol, Cvol + 4), one);
  EXPECT_EQ(std::vector<double>(Farea, Farea + 17), areas);
}

// Once per grid: a second call returns at once, unless F 523; values no side
// sets are cleared rather than kept from an earlier grid.
TEST(Metric, OncePerGridAndNoStaleFaceValues) {
  InProjectDir p;
  readGrid(p.dir(), ThreeCellGrid{});
  Pz[9] += 1.0;  // a top corner of cell 1 moves without a new grid
  metric();
  EXPECT_DOUBLE_EQ(Cvol[1], 100.0);
  FlagTestBugMetric = 1;
  metric();
  EXPECT_DOUBLE_EQ(Cvol[1], 125.0);
  FlagTestBugMetric = 0;

  // The west boundary face 4 has no Fcell1: its side-1 values are 0.
  Fcell11[4] = 7, Fdist1[4] = 42.0, Ftype1[4] = 3;
  FlagHaveDoneMetric = 0;
  metric();
  EXPECT_EQ(Ftype1[4], 0);
  EXPECT_EQ(Fcell11[4], 0);
  EXPECT_EQ(Fdist1[4], 0.0);
  EXPECT_EQ(Ftype2[4], 4);
}

TEST(Metric, VerticalCellSizeLine) {
  InProjectDir p;
  FlagWriteSpecial = 15;
  readGrid(p.dir(), ThreeCellGrid{});
  FlagWriteSpecial = 0;
  EXPECT_TRUE(p.dir().boogieHas("Vertical cell size: Max: 1.000000, Min: 1.000000, Average: 1.000000 m"));
}

// Degenerate cells stop the run with their report and status -1.
TEST(Metric, DegenerateCellsStopTheRun) {
  struct Case {
    const char* name;
    std::string from, to;
    std::string line;
  };
  ThreeCellGrid sunk;
  sunk.top0 = -1.0;
  const std::string grid = ThreeCellGrid{}.text();
  const Case cases[] = {
      {"clockwise corners", "1 3 4 2 9 11 12 10 ", "1 2 4 3 9 10 12 11 ",
       "In metric, Error for cell 1, zero volume: -100.000000"},
      {"top corner shifted by 1e-6 m", "0.000000 0.000000 1.000000\n", "0.000001 0.000000 1.000000\n",
       "In metric, Error for cell 1, skewed in horizontal direction"},
      {"top below the bed", "", "", "In metric, Error for cell 1, negative vertical direction"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CaseDir d;
    std::string file = c.from.empty() ? sunk.text() : grid;
    if (!c.from.empty()) {
      const auto at = file.find(c.from);
      ASSERT_NE(at, std::string::npos);
      file.replace(at, c.from.size(), c.to);
    }
    d.write("control", threeCellControl("U"));
    d.write("unstruc", file);
    EXPECT_EQ(d.run(), 255) << d.boogie();
    EXPECT_TRUE(d.boogieHas(c.line)) << d.boogie();
  }
}

// Triangle cells by F 235 on the sloping channel (cells follow the bed, so
// the east and west faces of a cell differ in height): 2 doubles the areas
// of the faces toward the cell's existing neighbours (cells at the west and
// east walls keep their wall faces), 3 doubles its volume, 22 takes the larger face
// area of each pair for its cross-sections; other cells are left alone.
TEST(Metric, TriangleCellsByF235) {
  InProjectDir p;
  ASSERT_TRUE(FlowGrid::sloping(4, 3).build());
  const int c = static_cast<int>(zval[block[1].i1][block[1].j1 + 1][0]), other = Ccellt[c];
  const int eastern = static_cast<int>(zval[block[1].i2][block[1].j1 + 1][0]);
  ASSERT_EQ(Ccellw[c], 0);
  ASSERT_EQ(Ccelle[eastern], 0);
  ASSERT_GT(Ccelle[c] * Ccelln[c] * Ccells[c], 0);
  const std::vector<double> area(Farea, Farea + NoSurfaces + 1), vol(Cvol, Cvol + NoCells + 1),
      ax(Careax, Careax + NoCells + 1), ay(Careay, Careay + NoCells + 1);
  const double east = area[Cflatee[c]], west = area[Cflatew[c]];
  ASSERT_GT(std::fabs(east - west), 1e-6);
  for (int option : {2, 3, 22}) {
    SCOPED_TRACE(option);
    Ctrekant[c] = Ctrekant[eastern] = 1;
    FlagCorrTrekant = option;
    FlagHaveDoneMetric = 0;
    metric();
    EXPECT_NEAR(Farea[Cflatee[c]], option == 2 ? 2.0 * east : east, 1e-12);
    EXPECT_NEAR(Farea[Cflaten[c]], option == 2 ? 2.0 * area[Cflaten[c]] : area[Cflaten[c]], 1e-12);
    EXPECT_NEAR(Farea[Cflatew[c]], west, 1e-12);
    EXPECT_NEAR(Farea[Cflatee[eastern]], area[Cflatee[eastern]], 1e-12);
    EXPECT_NEAR(Farea[Cflatew[eastern]], option == 2 ? 2.0 * area[Cflatew[eastern]] : area[Cflatew[eastern]], 1e-12);
    EXPECT_NEAR(Cvol[c], option == 3 ? 2.0 * vol[c] : vol[c], 1e-12);
    EXPECT_NEAR(Careax[c], option == 22 ? std::max(east, west) : ax[c], 1e-12);
    EXPECT_NEAR(Careay[c], option == 22 ? std::max(area[Cflates[c]], area[Cflaten[c]]) : ay[c], 1e-12);
    EXPECT_NEAR(Cvol[other], vol[other], 1e-12);
    EXPECT_NEAR(Farea[Cflatee[other]], area[Cflatee[other]], 1e-12);
  }
}

// F 230 1 under a surface tilted 0.1 both ways (top faces' vertical
// component t = 1 / sqrt(1.02)): an inner side face (normal (1, 0, 0)) takes
// s = sqrt(1 - t^2) as its vertical component before normalising, Fvz =
// sqrt(0.02 / 1.04); without F 230 it stays vertical.
TEST(Metric, SideFacesFollowATiltedSurfaceWithF230) {
  for (int f230 : {0, 1}) {
    SCOPED_TRACE(f230);
    InProjectDir p;
    FlagTiltSurf = f230;
    ASSERT_TRUE(FlowGrid::inclined(4, 3).build());
    int f = 0;
    for (int i = 1; i <= NoSurfaces && !f; ++i)
      if (Ftype1[i] == 2 && Fcell1[i] > 0 && Fcell2[i] > 0) f = i;
    ASSERT_GT(f, 0);
    const double fvz = f230 ? std::sqrt(0.02 / 1.04) : 0.0;
    EXPECT_NEAR(Fvz[f], fvz, 1e-9);
    EXPECT_NEAR(Faz[f], Farea[f] * fvz, 1e-9);
    EXPECT_NEAR(Fvx[f] * Fvx[f] + Fvy[f] * Fvy[f] + Fvz[f] * Fvz[f], 1.0, 1e-9);
  }
}
