// The bed-layer VTK files and the tracer share on small in-process grids:
// median diameter, dominant size and tracer sets by hand, the section and
// 3-D files with their variables, rows that write nothing, and bedtest.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "output/output.h"
#include "output/parabed.h"
#include "output/plot_grid.h"
#include "output/vtk_reader.h"
#include "support/in_dir.h"

namespace {

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Block 1: columns i 2..4, j 3..5 of 1 m x 2 m; bed layers in every column
// but (3, 4); Surfaces level 3 at -2 m.
class ParaBed : public ::testing::Test {
 protected:
  InProjectDir dir;
  void build(int sizes) {
    NoBedLayers = 4;
    allocatePlotModel(8, 8, 3, sizes);
    addBoxBlock({2, 4, 3, 5, 1, 0.0, 0.0, 1.0, 2.0, 0.5, 0.0});
    for (int k = 1; k <= sizes; ++k) gsize[k] = 0.1 / k;
    for (int i = 0; i <= 9; ++i)
      for (int j = 0; j <= 9; ++j) Surfaces[3][i][j] = -2.0;
    for (int b = 1; b <= NoBCells; ++b) {
      BlayerTop[b] = 2;
      for (int L = 0; L <= 2; ++L) {
        BSedDistrib[L][0][b] = 0.1 * (L + 1);
        for (int k = 1; k <= sizes; ++k) BSedDistrib[L][k][b] = k == 1 ? 1.0 : 0.0;
      }
    }
    BlayerTop[pointbed[3][4]] = -1;
  }
  std::string read(const std::string& name) const { return dir.dir().read(name); }
  std::string path(const std::string& name) const { return dir.dir().path() + "/" + name; }
};

}  // namespace

TEST_F(ParaBed, MedianDiameterOfATwoSizeLayerByHand) {
  lnumber = 2;
  gsize[1] = 0.01;
  gsize[2] = 0.001;
  // finer share at the middle of class 1: 0.6/2 + 0.6/2 + 0.4/2 = 0.8;
  // w = 2 (0.8 - 0.5) / (0.6 + 0.4) = 0.6: 0.6 x 0.001 + 0.4 x 0.01
  const double f[3] = {0, 0.4, 0.6};
  EXPECT_NEAR(layerD50(f), 0.0046, 1e-15);
  // more than half in the finest class: its diameter
  const double fine[3] = {0, 0.2, 1.2};
  EXPECT_EQ(layerD50(fine), 0.001);
  // an empty layer: the coarsest diameter, dominant size 0
  const double empty[3] = {0, 0, 0};
  EXPECT_EQ(layerD50(empty), 0.01);
  EXPECT_EQ(dominantSize(empty), 0.0);
  // the larger fraction wins, the lower size on a tie
  EXPECT_EQ(dominantSize(f), 0.001);
  const double tie[3] = {0, 0.5, 0.5};
  EXPECT_EQ(dominantSize(tie), 0.01);
  lnumber = 1;
  const double one[2] = {0, 0.3};
  EXPECT_EQ(layerD50(one), 0.01);
}

TEST_F(ParaBed, TracerSetsBySizeCount) {
  std::vector<double> f(23, 0.0);
  for (int k = 1; k <= 22; ++k) f[k] = k;
  const std::vector<std::pair<int, double>> both = {{10, 3 + 5 + 7 + 9}, {18, 2 + 4 + 5 + 6 + 8 + 9 + 10 + 12 + 13 + 14 + 16 + 17}};
  for (auto [n, sum] : both) {
    lnumber = n;
    EXPECT_EQ(tracerSum(f.data(), true), sum) << n;
    EXPECT_EQ(tracerSum(f.data(), false), sum) << n;
  }
  lnumber = 14;
  EXPECT_EQ(tracerSum(f.data(), false), 3 + 4 + 6 + 7 + 9 + 10 + 12 + 13);
  EXPECT_EQ(tracerSum(f.data(), true), 0.0);  // the files know no set of 14 sizes
  lnumber = 22;
  EXPECT_EQ(tracerSum(f.data(), false), 3 + 5 + 7 + 9 + 11 + 13 + 15 + 17 + 19 + 21);
  lnumber = 3;
  EXPECT_EQ(tracerSum(f.data(), true), 0.0);
}

TEST_F(ParaBed, TracerShareOfTheTopLayersPerBedCell) {
  build(10);
  FlagFractionsPrint = 1;
  depthTracer = 0.3;
  const int thin = 1, thick = 2, none = pointbed[3][4];
  // thin: 0.05 + 0.05 + 0.05 m, tracer shares 0.2, 0.4, 0.6 (bottom up): all averaged
  // thick: top 0.2 m share 1, then 0.2 m share 0 reaches below 0.3 m and counts whole
  for (int L = 0; L <= 2; ++L) {
    BSedDistrib[L][0][thin] = 0.05;
    for (int k = 1; k <= 10; ++k) BSedDistrib[L][k][thin] = 0.0;
    BSedDistrib[L][3][thin] = 0.2 * (L + 1);
    BSedDistrib[L][1][thin] = 1.0 - 0.2 * (L + 1);
    BSedDistrib[L][0][thick] = 0.2;
    for (int k = 1; k <= 10; ++k) BSedDistrib[L][k][thick] = 0.0;
    BSedDistrib[L][L == 2 ? 5 : 2][thick] = 1.0;
  }
  BSedDistrib[0][0][thick] = 5.0;  // not reached
  Bfractionsprint[none] = 7.0;
  make_Bfractionsprint();
  EXPECT_NEAR(Bfractionsprint[thin], 0.4, 1e-12);
  EXPECT_NEAR(Bfractionsprint[thick], 0.5, 1e-12);
  EXPECT_EQ(Bfractionsprint[none], 0.0);
  // a stack that reaches exactly depthTracer goes on to the next layer:
  // 0.25 m share 1, 0.25 m share 1, then 1 m share 0
  const int exact = 3;
  depthTracer = 0.5;
  for (int L = 0; L <= 2; ++L) {
    for (int k = 1; k <= 10; ++k) BSedDistrib[L][k][exact] = 0.0;
    BSedDistrib[L][0][exact] = L == 0 ? 1.0 : 0.25;
    BSedDistrib[L][L == 0 ? 1 : 7][exact] = 1.0;
  }
  make_Bfractionsprint();
  EXPECT_NEAR(Bfractionsprint[exact], 0.5 / 1.5, 1e-12);
  // off, or a size count without a set: nothing written
  Bfractionsprint[thin] = 9.0;
  FlagFractionsPrint = 0;
  make_Bfractionsprint();
  EXPECT_EQ(Bfractionsprint[thin], 9.0);
}

TEST_F(ParaBed, RowSectionLoadsWithItsVariablesAndEmptyColumns) {
  if (!vtkAvailable()) GTEST_SKIP() << "VTK for /usr/bin/python3 is not installed";
  build(3);
  FlagBedFractionsPrint = 1;
  FlagFractionsPrint = 1;
  writeParaBed3(1, 0);  // the middle row: (3 + 5) / 2 = 4
  VtkLoad s = loadVtk(path("ParaBed2D.vtk"), {"D50", "Tracer", "Sediment_fraction_1"});
  ASSERT_TRUE(s.ran);
  EXPECT_EQ(s.errors, 0);
  EXPECT_EQ(s.dataset, "vtkPolyData");
  EXPECT_EQ(s.cells, 6);  // three layers in columns (2, 4) and (4, 4)
  EXPECT_EQ(s.cellArrays, (std::vector<std::string>{"D50", "Sediment_fraction_1", "Sediment_fraction_2",
                                                    "Sediment_fraction_3", "Dominant_size", "Tracer"}));
  // distance along the row, across the column without layers; y the mean of the grid lines
  const std::array<double, 6> bounds{0, 3, 3, 3, -2, -1.4};
  for (int k = 0; k < 6; ++k) EXPECT_NEAR(s.bounds[k], bounds[k], 1e-6) << k;
  for (const auto& v : s.values["D50"]) EXPECT_NEAR(v[0], 0.1, 1e-7);
  for (const auto& v : s.values["Tracer"]) EXPECT_EQ(v[0], 0.0);  // no tracer set of 3 sizes
  const std::string text = read("ParaBed2D.vtk");
  EXPECT_TRUE(has(text, "SCALARS D50 float 1\nLOOKUP_TABLE default\n 0.1 0.1 0.1\n\n 0.1 0.1 0.1\n")) << text;
  EXPECT_TRUE(has(text, "SCALARS Sediment_fraction_2 float 1\nLOOKUP_TABLE default\n 0.0 0.0 0.0\n")) << text;
  EXPECT_TRUE(has(text, "TOVAK 2 2D bed file  \n")) << text;
  EXPECT_TRUE(has(text, "0.000000 3.000000 -2.000000  1.000000 3.000000 -2.000000  1.000000 3.000000 -1.900000  "
                        "0.000000 3.000000 -1.900000\n"))
      << text;
  EXPECT_EQ(mc_message, std::string("have written ParaBed file  "));
}

TEST_F(ParaBed, ColumnLineSectionUsesPlanCoordinates) {
  build(3);
  writeParaBed5(1, 4);
  const std::string text = read("ParaBed2DC.vtk");
  EXPECT_TRUE(has(text, "POINTS 36 float\n2.500000 0.000000 -2.000000  2.500000 2.000000 -2.000000  "
                        "2.500000 2.000000 -1.900000  2.500000 0.000000 -1.900000\n"))
      << text;
  EXPECT_TRUE(has(text, "POLYGONS 9 45\n")) << text;
}

TEST_F(ParaBed, RowsOutsideTheBlockWriteNothing) {
  build(3);
  for (int j : {1, 2, -2, 6}) writeParaBed3(1, j);  // the block's rows are 3..5
  for (int i : {1, -1, 5}) writeParaBed5(1, i);
  EXPECT_FALSE(dir.dir().exists("ParaBed2D.vtk"));
  EXPECT_FALSE(dir.dir().exists("ParaBed2DC.vtk"));
  writeParaBed3(1, 3);
  EXPECT_TRUE(dir.dir().exists("ParaBed2D.vtk"));
}

TEST_F(ParaBed, ThreeDimensionalFileHoldsHexahedraOfTheLayers) {
  if (!vtkAvailable()) GTEST_SKIP() << "VTK for /usr/bin/python3 is not installed";
  build(3);
  writeParaBed4(1);
  VtkLoad t = loadVtk(path("ParaBed3D.vtk"), {"Sediment_fraction_1"});
  ASSERT_TRUE(t.ran);
  EXPECT_EQ(t.errors, 0);
  EXPECT_EQ(t.cells, 24);  // eight columns of three layers
  EXPECT_EQ(t.points, 192);
  EXPECT_EQ(t.cellTypes[12], 24);
  EXPECT_NEAR(t.volume, 8 * 2.0 * 0.6, 1e-5);
  EXPECT_EQ(t.cellArrays, (std::vector<std::string>{"Sediment_fraction_1", "Sediment_fraction_2", "Sediment_fraction_3"}));
  // with F 433: the tracer share only
  FlagFractionsPrint = 1;
  PrintRes = 1;
  writeParaBed4(1);
  const std::string text = read("pab3_00000.vtk");
  EXPECT_TRUE(has(text, "CELL_DATA 24\n\nSCALARS Tracer float 1\nLOOKUP_TABLE default\n0.0 0.0 0.0 \n")) << text;
  EXPECT_FALSE(has(text, "D50"));
}

TEST_F(ParaBed, ContinuityTestFileIsCreatedOnceAndAppended) {
  build(3);
  FlagMorphStatistics = 5;
  FlagBedtestCreated = 0;
  Iter = 7;
  writeParaBed3(1, 3);
  Iter = 8;
  writeParaBed3(1, 4);
  const std::string text = read("bedtest");
  EXPECT_EQ(text.rfind("Continuity test file: Bed defect, Bedmove[b],Sum BSedDistrib[0], Surf[OR]-Surf[LB], Cxvel, "
                       "Cyvel, Ckinen\n\n\nIter 7\n\n",
                       0),
            0u)
      << text;
  EXPECT_TRUE(has(text, "\nIter 8\n\n")) << text;
  // column (2, 3): T = 0.6, S3 = -2, d = 0 - (-2) = 2, m = 0
  EXPECT_TRUE(has(text, "\n1.400000 0.000000 -1.400000 0.600000 2.000000 -2.000000 0.000000 0.000000 0.000000\n")) << text;
  FlagBedtestCreated = 0;
}

TEST_F(ParaBed, StructuredFormsLoadWithTheirLevels) {
  if (!vtkAvailable()) GTEST_SKIP() << "VTK for /usr/bin/python3 is not installed";
  build(3);
  // layers hanging from the bed (0 m) at the column centres and borders
  writeParaBed(1);
  VtkLoad a = loadVtk(path("ParaBed3.vtk"), {"Sediment_fraction_1"});
  ASSERT_TRUE(a.ran);
  EXPECT_EQ(a.errors, 0);
  EXPECT_EQ(a.dims, (std::array<int, 3>{5, 5, 6}));
  ASSERT_EQ(a.points, 150);
  // the node at the centre of column (2, 3): levels l = -1..4
  const double hanging[6] = {0.0, -0.3, -0.5, -0.6, -0.6, -2.0};
  for (int l = 0; l < 6; ++l) {
    const auto& p = a.coords[l * 25 + 1 * 5 + 1];
    EXPECT_NEAR(p[0], 0.5, 1e-6);
    EXPECT_NEAR(p[1], 1.0, 1e-6);
    EXPECT_NEAR(p[2], hanging[l], 1e-6) << l;
  }
  // column (3, 4) has no layer: at the bed down to the last level
  EXPECT_NEAR(a.coords[3 * 25 + 2 * 5 + 2][2], 0.0, 1e-6);
  EXPECT_EQ(a.arrays, (std::vector<std::string>{"Sediment_fraction_1", "Sediment_fraction_2", "Sediment_fraction_3"}));
  for (const auto& v : a.values["Sediment_fraction_1"]) EXPECT_TRUE(v[0] == 1.0 || v[0] == 0.0);

  // layers standing on the non-erodible level (-2 m) at the grid points
  writeParaBed2(1);
  VtkLoad b = loadVtk(path("ParaBed3.vtk"), {"Sediment_fraction_1"});
  ASSERT_TRUE(b.ran);
  EXPECT_EQ(b.errors, 0);
  EXPECT_EQ(b.dims, (std::array<int, 3>{4, 4, 5}));
  EXPECT_EQ(b.cells, 36);
  EXPECT_EQ(b.cellArrays, (std::vector<std::string>{"Sediment_fraction_1", "Sediment_fraction_2", "Sediment_fraction_3"}));
  const double standing[5] = {-2.0, -1.9, -1.7, -1.7, -1.7};
  for (int l = 0; l < 5; ++l) EXPECT_NEAR(b.coords[l * 16][2], standing[l], 1e-6) << l;
  EXPECT_EQ(mc_message, std::string("have written ParaView 3D file  "));
}
