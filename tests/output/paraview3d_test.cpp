// The legacy VTK 3-D file: loaded by VTK's own reader with the grid's counts,
// every G 24 array and the node values of the fields; its layout, names and
// edge cases.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "output/output.h"
#include "output/plot_grid.h"
#include "output/vtk_reader.h"
#include "support/in_dir.h"

namespace {

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

double field(double x, double y, double z) { return 0.5 + 2.0 * x - 1.0 * y + 4.0 * z; }

// Block 1: 3 x 2 columns of three 0.5 m cells (x 0..6, y 0..3, z 1..2.5);
// block 2, nested, is not written.
class Paraview3d : public ::testing::Test {
 protected:
  InProjectDir dir;
  void SetUp() override {
    allocatePlotModel(10, 8, 6, 2);
    addBoxBlock({2, 4, 2, 3, 3, 0.0, 0.0, 2.0, 1.5, 0.5, 1.0});
    addBoxBlock({7, 8, 2, 3, 2, 20.0, 0.0, 1.0, 1.0, 1.0, 0.0, 1});
    for (int c = 1; c <= NoCells; ++c) {
      Cxvel[c] = field(Cxcenter[c], Cycenter[c], Czcenter[c]);
      Cyvel[c] = -Cxcenter[c];
      Czvel[c] = 0.1 * Czcenter[c];
      Ckinen[c] = 0.01 * c;
      Cconc[1][c] = 1.0;
      Cconc[2][c] = 2.0;
    }
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) zval[i][j][1] = 100.0 * i + j;  // bed level tells the grid line
  }
  std::string path(const std::string& name) const { return dir.dir().path() + "/" + name; }
};

TEST_F(Paraview3d, LoadsInVtkReaderWithCountsArraysAndNodeValues) {
  if (!vtkAvailable()) GTEST_SKIP() << "VTK for /usr/bin/python3 is not installed";
  TecStrucNo = 5;
  TecStruc[0] = {0, 0, 0, 'z'};
  TecStruc[1] = {0, 0, 0, 'i'};
  TecStruc[2] = {0, 0, 0, 'k'};
  TecStruc[3] = {0, 0, 0, 'H'};
  TecStruc[4] = {1, 2, 0, 'c'};
  print_paraview3d(1);
  VtkLoad load = loadVtk(path("ParaView3U.vtk"), {"Velocity", "Bed_level", "No_cells_vertical_direction"});
  ASSERT_TRUE(load.ran);
  EXPECT_EQ(load.errors, 0);
  EXPECT_EQ(load.dataset, "vtkUnstructuredGrid");
  EXPECT_EQ(load.points, block[1].lastPoint);
  EXPECT_EQ(load.points, 4 * 3 * 4);
  EXPECT_EQ(load.cells, 18);
  EXPECT_EQ(load.cellTypes[12], 18);
  const std::vector<std::string> arrays = {"Velocity", "Bed_level", "No_cells_vertical_direction", "Turbulent_k",
                                           "Residual_horizontal_velocity", "Sediment_conc_size_2"};
  EXPECT_EQ(load.arrays, arrays);
  EXPECT_EQ(load.components["Velocity"], 3);
  ASSERT_EQ(load.coords.size(), 48u);
  ASSERT_EQ(load.values["Velocity"].size(), 48u);
  int interior = 0;
  for (int n = 1; n <= 48; ++n) {
    const auto& x = load.coords[n - 1];
    EXPECT_NEAR(x[0], Px[n], 1e-9);
    EXPECT_NEAR(x[1], Py[n], 1e-9);
    EXPECT_NEAR(x[2], Pz[n], 1e-9);
    // the bed level of the point's own grid line (i = 1 + x/2, j = 1 + y/1.5)
    EXPECT_NEAR(load.values["Bed_level"][n - 1][0], 100.0 * (1 + Px[n] / 2.0) + (1 + Py[n] / 1.5), 1e-6);
    const bool inside = Px[n] > 0 && Px[n] < 6 && Py[n] > 0 && Py[n] < 3 && Pz[n] > 1 && Pz[n] < 2.5;
    if (inside) {
      ++interior;
      // eight cells: the mean of a linear field is its value at the node
      EXPECT_NEAR(load.values["Velocity"][n - 1][0], field(Px[n], Py[n], Pz[n]), 1e-5);
      EXPECT_NEAR(load.values["Velocity"][n - 1][1], -Px[n], 1e-5);
      EXPECT_NEAR(load.values["Velocity"][n - 1][2], 0.1 * Pz[n], 1e-5);
    }
    // cells from here up: 3 at the bed, 1 at the surface, the mean between
    const double z = Pz[n];
    const double cells = z < 1.1 ? 3 : z < 1.6 ? 2.5 : z < 2.1 ? 1.5 : 1;
    EXPECT_NEAR(load.values["No_cells_vertical_direction"][n - 1][0], cells, 1e-9);
  }
  EXPECT_EQ(interior, 2 * 1 * 2);
  // a bed corner carries its one cell
  EXPECT_NEAR(load.values["Velocity"][0][0], field(1.0, 0.75, 1.25), 1e-5);
  // the concentration sum of the written cells (and only those)
  EXPECT_EQ(Cconc[0][1], 3.0);
  EXPECT_EQ(Cconc[0][block[1].lastCell], 3.0);
  EXPECT_EQ(Cconc[0][block[2].firstCell], 0.0);
}

TEST_F(Paraview3d, LayoutLines) {
  print_paraview3d(0);
  const std::string text = dir.dir().read("ParaView3U.vtk");
  EXPECT_EQ(text.rfind("# vtk DataFile Version 2.0\nTOVAK 2 ", 0), 0u);
  EXPECT_TRUE(has(text, " 0.000000 seconds\nASCII\nDATASET UNSTRUCTURED_GRID\nPOINTS 48 double\n"));
  EXPECT_TRUE(has(text, "\n\nCELLS 18 162\n8 "));
  EXPECT_TRUE(has(text, "CELL_TYPES 18\n12\n"));
  EXPECT_TRUE(has(text, "POINT_DATA 48\nVECTORS Velocity float\n"));
  // without G 24 entries the file ends with the velocity lines
  const std::size_t vectors = text.find("VECTORS Velocity float\n");
  std::size_t lines = 0;
  for (std::size_t k = vectors; k < text.size(); ++k) lines += text[k] == '\n';
  EXPECT_EQ(lines, 1u + 48u);
  EXPECT_EQ(text.back(), '\n');
  EXPECT_FALSE(has(text, "SCALARS"));
}

TEST(Paraview3dCells, CornersZeroBasedInCornerOrder) {
  InProjectDir dir;
  allocatePlotModel(4, 4, 4, 1);
  // two cells by hand: corners 1..8 of the first are points 1..8
  NoPoints = 12;
  for (int n = 1; n <= 12; ++n) Px[n] = (n - 1) % 2, Py[n] = ((n - 1) / 2) % 2, Pz[n] = (n - 1) / 4;
  const int corners[2][8] = {{1, 2, 3, 4, 5, 6, 7, 8}, {5, 6, 7, 8, 9, 10, 11, 12}};
  for (int c = 1; c <= 2; ++c) {
    int* cp[8] = {Cpoint1, Cpoint2, Cpoint3, Cpoint4, Cpoint5, Cpoint6, Cpoint7, Cpoint8};
    for (int k = 0; k < 8; ++k) cp[k][c] = corners[c - 1][k];
  }
  NoCells = 2;
  NoBlocks = 1;
  block[1].lastPoint = 12;
  block[1].lastCell = 2;
  print_paraview3d(0);
  const std::string text = dir.dir().read("ParaView3U.vtk");
  EXPECT_TRUE(has(text, "CELLS 2 18\n8 0 1 2 3 4 5 6 7\n8 4 5 6 7 8 9 10 11\nCELL_TYPES 2\n12\n12\nPOINT_DATA 12\n"));
}

TEST(Paraview3dCells, NoCellsStillLoadsAndLeavesConcentrationsAlone) {
  InProjectDir dir;
  allocatePlotModel(4, 4, 4, 1);
  NoPoints = 2;
  NoBlocks = 1;
  block[1].lastPoint = 2;
  block[1].lastCell = 0;
  Cconc[0][1] = 7.0;
  Cconc[1][1] = 1.0;
  print_paraview3d(0);
  const std::string text = dir.dir().read("ParaView3U.vtk");
  EXPECT_TRUE(has(text, "CELLS 0 0\nCELL_TYPES 0\nPOINT_DATA 2\n"));
  EXPECT_EQ(Cconc[0][1], 7.0);
  if (!vtkAvailable()) return;
  VtkLoad load = loadVtk(dir.dir().path() + "/ParaView3U.vtk");
  EXPECT_TRUE(load.ran);
  EXPECT_EQ(load.errors, 0);
  EXPECT_EQ(load.points, 2);
  EXPECT_EQ(load.cells, 0);
}

TEST_F(Paraview3d, ValuesThatAreNotNumbersAreWrittenAsZero) {
  TecStrucNo = 2;
  TecStruc[0] = {0, 0, 0, 'k'};
  TecStruc[1] = {0, 0, 0, 'z'};
  for (int c = 1; c <= NoCells; ++c) Ckinen[c] = std::numeric_limits<double>::quiet_NaN();
  Cxvel[1] = std::numeric_limits<double>::infinity();
  print_paraview3d(0);
  const std::string text = dir.dir().read("ParaView3U.vtk");
  EXPECT_FALSE(has(text, "nan"));
  EXPECT_FALSE(has(text, "inf"));
  EXPECT_TRUE(dir.dir().boogieHas("Warning: 56 values that are not finite numbers were written as 0 in 'ParaView3U.vtk'"));
  if (!vtkAvailable()) return;
  VtkLoad load = loadVtk(path("ParaView3U.vtk"), {"Turbulent_k"});
  EXPECT_EQ(load.errors, 0);
  EXPECT_EQ(load.arrays.size(), 3u);
  ASSERT_EQ(load.values["Turbulent_k"].size(), 48u);
  for (const auto& v : load.values["Turbulent_k"]) EXPECT_EQ(v[0], 0.0);
}

TEST_F(Paraview3d, FileNames) {
  struct Case {
    int printRes, printAlways, alldata, mpi;
    std::vector<std::string> names;  // two calls
  };
  const std::vector<Case> cases = {
      {0, 0, 0, 0, {"ParaView3U.vtk", "ParaView3U.vtk"}},
      {1, 0, 0, 0, {"paru3_00000.vtk", "paru3_00001.vtk"}},
      {0, 3, 0, 0, {"paru3_00000.vtk", "paru3_00001.vtk"}},
      {0, 0, 2, 0, {"paru3_00000.vtk", "paru3_00001.vtk"}},
      {0, 0, 0, 2, {"ParaView3U.mpi2.dat", "ParaView3U.mpi2.dat"}},
      {1, 0, 0, 3, {"paru.mpi3.00000.vtk", "paru.mpi3.00001.vtk"}},
  };
  for (const Case& k : cases) {
    (void)!std::system(("rm -f '" + dir.dir().path() + "'/ParaView3U* '" + dir.dir().path() + "'/paru*").c_str());
    PrintRes = k.printRes, PrintResAlways = k.printAlways, NoAlldataPrintout = k.alldata, FlagMPI = k.mpi;
    print_paraview3d(0);
    EXPECT_TRUE(dir.dir().exists(k.names[0])) << k.names[0];
    print_paraview3d(0);
    EXPECT_TRUE(dir.dir().exists(k.names[1])) << k.names[1];
  }
  NoAlldataPrintout = 0;
}

}  // namespace
