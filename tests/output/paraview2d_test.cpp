// The legacy VTK plan file: a structured grid of the block's plan points with
// its ring, loaded by VTK's own reader; values per route, formats and names.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "output/output.h"
#include "output/plot_grid.h"
#include "output/vtk_reader.h"
#include "support/in_dir.h"

namespace {

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The value rows of one SCALARS block, as written.
std::vector<std::string> scalarRows(const std::string& text, const std::string& name, int rows) {
  std::vector<std::string> out;
  const std::size_t at = text.find("\nSCALARS " + name + " float\nLOOKUP_TABLE default\n");
  if (at == std::string::npos) return out;
  std::istringstream in(text.substr(at + 1));
  std::string line;
  std::getline(in, line);
  std::getline(in, line);
  for (int r = 0; r < rows && std::getline(in, line); ++r) out.push_back(line);
  return out;
}

// Block 1: columns i 2..4, j 2..3 of 10 x 20 m, two 1 m cells each, bed at
// 2 m + i (per grid line); column (4, 3) is dry. Column (5, 2), just outside
// the block, has a cell of its own.
class Paraview2d : public ::testing::Test {
 protected:
  InProjectDir dir;
  void SetUp() override {
    allocatePlotModel(8, 6, 4, 1);
    addBoxBlock({2, 4, 2, 3, 2, 0.0, 0.0, 10.0, 20.0, 1.0, 0.0});
    for (int i = 0; i <= xnumber + 1; ++i)
      for (int j = 0; j <= ynumber + 1; ++j) zval[i][j][1] = 2.0 + i;
    for (int c = 1; c <= NoCells; ++c) {
      Cxvel[c] = 100.0 * c;
      Cyvel[c] = 0.0;
      Czvel[c] = 0.5;
      Ckinen[c] = 0.001 * c;
    }
    zval[4][3][0] = 0;  // dry column
    pointbed[4][3] = 0;
    const int outside = ++NoCells;
    zval[5][2][0] = outside;
    Cxvel[outside] = -7.0;
  }
  std::string path(const std::string& name) const { return dir.dir().path() + "/" + name; }
};

TEST_F(Paraview2d, LoadsAsStructuredGridOfThePlanPoints) {
  TecStrucNo = 3;
  TecStruc[0] = {0, 0, 0, 'z'};
  TecStruc[1] = {0, 0, 0, 'k'};
  TecStruc[2] = {0, 0, 0, 'i'};
  print_paraview2d(0, 0);
  const std::string text = dir.dir().read("ParaView2.vtk");
  EXPECT_TRUE(has(text, " 0.000000 seconds.\nASCII\nDATASET STRUCTURED_GRID\nDIMENSIONS 5 4 1\nPOINTS 20 double\n"));
  EXPECT_TRUE(has(text, "\n\nPOINT_DATA 20\n\nSCALARS Bed_level float\n"));
  // z: the mean bed level of the four grid lines; the ring repeats the block's edge
  EXPECT_EQ(scalarRows(text, "Bed_level", 4),
            (std::vector<std::string>{" 3 3.5 4.5 5.5 6", " 3 3.5 4.5 5.5 6", " 3 3.5 4.5 5.5 6", " 3 3.5 4.5 5.5 6"}));
  // k at the cell of level znode = 2 of the plot column; the dry column (4, 3) gives 0.0
  EXPECT_EQ(scalarRows(text, "Turbulent_k_0", 4)[2], " 0.008 0.008 0.01 0.0 0.0");
  // cells from level 2 up: 1; dry column: 1 (no cell counts itself)
  EXPECT_EQ(scalarRows(text, "No_cells_vertical_direction", 4)[0], " 1 1 1 1 1");
  EXPECT_TRUE(has(text, "\nVECTORS Velocities float\n"));
  EXPECT_EQ(std::string(mc_message), "have written ParaView 2D file  ");

  if (!vtkAvailable()) return;
  VtkLoad load = loadVtk(path("ParaView2.vtk"), {"Velocities"});
  ASSERT_TRUE(load.ran);
  EXPECT_EQ(load.errors, 0);
  EXPECT_EQ(load.dataset, "vtkStructuredGrid");
  EXPECT_EQ(load.dims, (std::array<int, 3>{5, 4, 1}));
  EXPECT_EQ(load.points, 20);
  EXPECT_EQ(load.arrays,
            (std::vector<std::string>{"Bed_level", "Turbulent_k_0", "No_cells_vertical_direction", "Velocities"}));
  ASSERT_EQ(load.coords.size(), 20u);
  EXPECT_DOUBLE_EQ(load.coords[0][0], 0.0);   // block corner
  EXPECT_DOUBLE_EQ(load.coords[6][0], 5.0);   // centre of column (2, 2)
  EXPECT_DOUBLE_EQ(load.coords[6][1], 10.0);
  EXPECT_DOUBLE_EQ(load.coords[6][2], 3.5);   // at the mean bed level
  // velocities of the cell at level 2 of the point's own column (i, j)
  ASSERT_EQ(load.values["Velocities"].size(), 20u);
  EXPECT_DOUBLE_EQ(load.values["Velocities"][6][0], 200.0);  // column (2, 2), cell 2
  EXPECT_DOUBLE_EQ(load.values["Velocities"][9][0], -7.0);   // ring point (5, 2): the column outside
  EXPECT_DOUBLE_EQ(load.values["Velocities"][0][0], 0.0);    // (1, 1): no cells
}

TEST_F(Paraview2d, BedRouteReadsTheBedCellOfThePlotColumn) {
  TecStrucNo = 2;
  TecStruc[0] = {0, 0, 0, 'm'};
  TecStruc[1] = {0, 0, 0, 'D'};
  print_paraview2d(0, 0);
  const std::string text = dir.dir().read("ParaView2.vtk");
  // 300 k of the bottom cell of each column; the dry column (4, 3) has no bed cell
  EXPECT_EQ(scalarRows(text, "Bed_shear", 4)[1], " 0.3 0.3 0.9 1.5 1.5");
  EXPECT_EQ(scalarRows(text, "Bed_shear", 4)[2], " 2.1 2.1 2.7 0.0 0.0");
  // depth-averaged velocity over the whole column of the bed cell
  EXPECT_EQ(scalarRows(text, "Depth-averaged_velocity", 4)[1], " 150 150 350 550 550");
}

TEST_F(Paraview2d, TinyValuesAreWrittenAsZero) {
  TecStrucNo = 1;
  TecStruc[0] = {0, 0, 0, 'k'};
  Ckinen[2] = 5e-15;
  Ckinen[4] = 2e-14;
  print_paraview2d(0, 0);
  EXPECT_EQ(scalarRows(dir.dir().read("ParaView2.vtk"), "Turbulent_k_0", 4)[1], " 0.0 0.0 2e-14 0.006 0.006");
}

TEST_F(Paraview2d, EmptyListWritesThePlanLetter) {
  TecStrucNo = 0;
  TecStruc[0] = {0, 0, 0, 'k'};
  print_paraview2d(0, 0);
  const std::string text = dir.dir().read("ParaView2.vtk");
  EXPECT_EQ(scalarRows(text, "Error", 4),
            (std::vector<std::string>(4, " 0.0 0.0 0.0 0.0 0.0")));
  graph = 'k';
  print_paraview2d(0, 0);
  EXPECT_EQ(scalarRows(dir.dir().read("ParaView2.vtk"), "Turbulent_k_0", 4)[1], " 0.002 0.002 0.004 0.006 0.006");
}

TEST_F(Paraview2d, FileNames) {
  struct Case {
    int numbered, blockNo, printRes, printAlways, mpi;
    std::vector<std::string> names;  // two calls
  };
  const std::vector<Case> cases = {
      {0, 0, 0, 0, 0, {"ParaView2.vtk", "ParaView2.vtk"}},
      {0, 0, 0, 5, 0, {"ParaView2.vtk", "ParaView2.vtk"}},  // P 15 alone does not number it
      {1, 0, 0, 0, 0, {"pav2_00000.vtk", "pav2_00001.vtk"}},
      {0, 0, 1, 0, 0, {"pav2_00000.vtk", "pav2_00001.vtk"}},
      {1, 0, 0, 0, 2, {"pav2.mpi2.00000.vtk", "pav2.mpi2.00001.vtk"}},
      {0, 0, 0, 0, 2, {"ParaView2.mpi2.vtk", "ParaView2.mpi2.vtk"}},
      {1, 3, 0, 0, 0, {"ParaView2_n3.vtk", "ParaView2_n3.vtk"}},  // the first argument does not count
      {1, 3, 1, 0, 0, {"pav2_n3_00000.vtk", "pav2_n3_00001.vtk"}},
      {0, 3, 0, 0, 2, {"ParaView2_n3.mpi2.vtk", "ParaView2_n3.mpi2.vtk"}},
  };
  for (const Case& k : cases) {
    (void)!std::system(("rm -f '" + dir.dir().path() + "'/ParaView2* '" + dir.dir().path() + "'/pav2*").c_str());
    PrintRes = k.printRes, PrintResAlways = k.printAlways, FlagMPI = k.mpi;
    print_paraview2d(k.numbered, k.blockNo);
    EXPECT_TRUE(dir.dir().exists(k.names[0])) << k.names[0];
    print_paraview2d(k.numbered, k.blockNo);
    EXPECT_TRUE(dir.dir().exists(k.names[1])) << k.names[1];
  }
}

}  // namespace
