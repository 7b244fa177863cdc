// Cross sections on a small in-process grid: counts, the velocity across the
// section, the value formats, distinct array names and the empty section.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "output/output.h"
#include "output/plot_grid.h"
#include "output/vtk_reader.h"
#include "support/in_dir.h"

namespace {

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Block 1: columns i 2..4, j 2..4 of 2 m x 1.5 m, three cells of 0.5 m.
class Cross : public ::testing::Test {
 protected:
  InProjectDir dir;
  void SetUp() override {
    allocatePlotModel(8, 8, 4, 2);
    addBoxBlock({2, 4, 2, 4, 3, 0.0, 0.0, 2.0, 1.5, 0.5, 1.0});
  }
  std::string path(const std::string& name) const { return dir.dir().path() + "/" + name; }
};

}  // namespace

TEST_F(Cross, SectionLoadsWithOnePolygonPerCellAndTheVelocityAcrossIt) {
  if (!vtkAvailable()) GTEST_SKIP() << "VTK for /usr/bin/python3 is not installed";
  // mean flow along x: the component across the section is v
  for (int c = 1; c <= NoCells; ++c) {
    Cxvel[c] = 1.0;
    Cyvel[c] = 0.01 * c;
    Czvel[c] = -0.5;
    Ckinen[c] = c;
  }
  // the column (3, 3) is dry
  zval[3][3][0] = 0;
  TecStrucNo = 1;
  TecStruc[0] = {0, 0, 0, 'k'};
  print_cross3d(1, 3);
  VtkLoad s = loadVtk(path("ParaCross_1_3.vtk"), {"Velocity", "Turbulent_k"});
  ASSERT_TRUE(s.ran);
  EXPECT_EQ(s.errors, 0);
  EXPECT_EQ(s.dataset, "vtkPolyData");
  EXPECT_EQ(s.cells, 6);
  EXPECT_EQ(s.bounds, (std::array<double, 6>{0, 4.5, 0, 0, 1, 2.5}));
  ASSERT_EQ(s.cellArrays.size(), 2u);
  EXPECT_EQ(s.cellArrays, (std::vector<std::string>{"Velocity", "Turbulent_k"}));
  ASSERT_EQ(s.values["Turbulent_k"].size(), 6u);
  // the cells of columns (3, 2) and (3, 4), bottom up
  std::vector<int> cells;
  for (int j : {2, 4})
    for (int c = static_cast<int>(zval[3][j][0]); c > 0; c = Ccellt[c]) cells.push_back(c);
  ASSERT_EQ(s.values["Velocity"].size(), 6u);
  double su = 0, sv = 0;
  for (int c : cells) su += Cxvel[c], sv += Cyvel[c];
  for (int n = 0; n < 6; ++n) {
    const int c = cells[n];
    const double across = (su * Cyvel[c] - sv * Cxvel[c]) / std::sqrt(su * su + sv * sv + 1e-20);
    EXPECT_NEAR(s.values["Velocity"][n][0], across, 1e-5) << n;
    EXPECT_EQ(s.values["Velocity"][n][1], 0.0);
    EXPECT_EQ(s.values["Velocity"][n][2], -0.5);
  }
  const std::string text = dir.dir().read("ParaCross_1_3.vtk");
  EXPECT_TRUE(has(text, "\nPOLYGONS 6 30\n4 0 1 2 3\n")) << text;
  EXPECT_EQ(dir.dir().read("boogie").find("Warning"), std::string::npos);
}

TEST_F(Cross, SmallValuesAreZeroAndNamesAreDistinct) {
  for (int c = 1; c <= NoCells; ++c) Ckinen[c] = 2.5;
  const int first = static_cast<int>(zval[2][2][0]);
  Ckinen[first] = 5e-15;
  TecStrucNo = 4;
  TecStruc[0] = {0, 0, 0, 'k'};
  TecStruc[1] = {0, 0, 104, 'Z'};  // the tracer share: not a section value
  for (int b = 1; b <= NoBCells; ++b) Bfractionsprint[b] = 3.0;
  TecStruc[2] = {1, 0, 0, 'j'};
  TecStruc[3] = {0, 0, 0, 'z'};  // a grid-line letter: 0 in a section
  print_cross3d(1, 2);
  const std::string text = dir.dir().read("ParaCross_1_2.vtk");
  EXPECT_TRUE(has(text, "SCALARS Turbulent_k float\nLOOKUP_TABLE default\n0.0 2.5 2.5 \n2.5 2.5 2.5 \n")) << text;
  EXPECT_TRUE(has(text, "\nSCALARS Error float\nLOOKUP_TABLE default\n0.0 0.0 0.0 \n")) << text;
  EXPECT_TRUE(has(text, "\nSCALARS Error_2 float\n")) << text;
  EXPECT_TRUE(has(text, "SCALARS Bed_level float\nLOOKUP_TABLE default\n0.0 0.0 0.0 \n")) << text;
  EXPECT_TRUE(has(text, "TOVAK 2 2D cross-section file  \n")) << text;
  EXPECT_EQ(mc_message, std::string("have written ParaCross file  "));
}

TEST_F(Cross, AnEmptySectionHasZeroCountsAndStillLoads) {
  if (!vtkAvailable()) GTEST_SKIP() << "VTK for /usr/bin/python3 is not installed";
  block[1].j2 = 1;  // no row
  TecStrucNo = 1;
  TecStruc[0] = {0, 0, 0, 'k'};
  print_cross3d(1, 3);
  const std::string text = dir.dir().read("ParaCross_1_3.vtk");
  EXPECT_TRUE(has(text, "POINTS 0 float\n\nPOLYGONS 0 0\n\nCELL_DATA 0\nVECTORS Velocity float\n\nSCALARS")) << text;
  VtkLoad s = loadVtk(path("ParaCross_1_3.vtk"));
  ASSERT_TRUE(s.ran);
  EXPECT_EQ(s.cells, 0);
}

TEST_F(Cross, GridLinesOutsideTheBlockWriteNothing) {
  print_cross3d(1, 6);
  print_cross3d(3, 3);
  EXPECT_FALSE(dir.dir().exists("ParaCross_1_6.vtk"));
  EXPECT_FALSE(dir.dir().exists("ParaCross_3_3.vtk"));
  EXPECT_TRUE(has(dir.dir().read("boogie"), "Warning: no cross section along grid line 6")) << dir.dir().read("boogie");
}

TEST_F(Cross, NumberedWithPrintIntervalsAndSubBedSectionFromTheInterpolCall) {
  PrintRes = 5;
  print_cross3d(1, 3);
  print_cross3d(1, 3);
  EXPECT_TRUE(dir.dir().exists("parc1_3_00000.vtk"));
  EXPECT_TRUE(dir.dir().exists("parc1_3_00001.vtk"));
  // P 18 through the interpol writer: block 2 as well when it is the sub-bed block
  PrintRes = 0;
  addBoxBlock({2, 4, 6, 7, 1, 0.0, 10.0, 2.0, 1.0, 0.5, -1.0});
  block[2].subBed = 1;
  NoCrossPrint = 1;
  CrossPrint[1] = 4;
  print_interres(0);
  EXPECT_TRUE(dir.dir().exists("ParaCross_1_4.vtk"));
  EXPECT_TRUE(dir.dir().exists("ParaCross_2_4.vtk"));
}

TEST_F(Cross, ValuesThatAreNotFiniteAreWrittenAsZeroWithAWarning) {
  if (!vtkAvailable()) GTEST_SKIP() << "VTK for /usr/bin/python3 is not installed";
  for (int c = 1; c <= NoCells; ++c) Ckinen[c] = 1.0;
  const int first = static_cast<int>(zval[3][2][0]);
  Ckinen[first] = std::numeric_limits<double>::quiet_NaN();
  Czvel[first] = std::numeric_limits<double>::infinity();
  TecStrucNo = 1;
  TecStruc[0] = {0, 0, 0, 'k'};
  print_cross3d(1, 3);
  VtkLoad s = loadVtk(path("ParaCross_1_3.vtk"), {"Turbulent_k", "Velocity"});
  ASSERT_TRUE(s.ran);
  EXPECT_EQ(s.errors, 0);
  ASSERT_EQ(s.values["Turbulent_k"].size(), 9u);
  EXPECT_EQ(s.values["Turbulent_k"][0][0], 0.0);
  EXPECT_EQ(s.values["Turbulent_k"][1][0], 1.0);
  EXPECT_EQ(s.values["Velocity"][0][2], 0.0);
  EXPECT_TRUE(has(dir.dir().read("boogie"),
                  "Warning: 2 values that are not finite numbers were written as 0 in 'ParaCross_1_3.vtk'"))
      << dir.dir().read("boogie");
}
