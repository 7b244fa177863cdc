// The plot variables of G 24: the value behind every letter and Z code at a
// cell, a bed cell or a grid line, the percentile rule, and the names.
#include "output/variables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "output/output.h"
#include "output/plot_grid.h"
#include "output/vtk_reader.h"
#include "support/in_dir.h"

namespace {

// One column of three cells (1 bottom .. 3 top, 1 m each, bed at 2 m, water
// at 5 m) on bed cell 1 at grid column (2, 2); two sizes, two bed layers,
// znumber 12. Every source array holds a distinct value.
class PlotVariables : public ::testing::Test {
 protected:
  InProjectDir dir;
  void SetUp() override {
    allocatePlotModel(4, 4, 12, 2);
    addBoxBlock({2, 2, 2, 2, 3, 0.0, 0.0, 1.0, 1.0, 1.0, 2.0});
    const double u[] = {0, 3, 0, 8}, v[] = {0, 4, 2, 6}, k[] = {0, 0.9, -0.3, 0.2}, T[] = {0, 10, 20, 30};
    for (int c = 1; c <= 3; ++c) {
      Cxvel[c] = u[c];
      Cyvel[c] = v[c];
      Ckinen[c] = k[c];
      Ccomp[0][c] = T[c];
    }
    Czvel[2] = -0.05, Cpres[2] = 1500, Cepsilon[2] = 0.02, Cgamma[2] = 3.5, CgammaV[2] = 1.25, Croughness[2] = 0.07;
    Cconc[1][2] = 0.002, Cconc[2][2] = 0.006, Cconc[0][2] = 0.008;
    Cconc[1][1] = 0.01, Cconc[2][1] = 0.03, Cconc[0][1] = 0.5;
    Ccomp[1][2] = 7;
    Cepsilon_res[2] = 0.25, Cxvel_res[2] = 3, Cyvel_res[2] = 4, Czvel_res[2] = 0.5, Cpres_res[2] = 0.125,
    Ckinen_res[2] = 0.0625;
    Cporosity[2] = 0.4, Cstress[0][2] = 55;
    Fvz[Cflateb[1]] = 0.5;
    Bgroundwater[1] = 12.5, Bdefect[1] = 0.8, Bedmove[1] = -0.01, Bfly[1] = -0.4, Bedformheight[1] = 0.15;
    Broughness[1] = 0.3, Bfractionsprint[1] = 0.35, Bminwaterlevel[1] = 9.5, BplasticDeposits[1][1] = 2.5;
    BSedDistrib[0][0][1] = 0.2, BSedDistrib[1][0][1] = 0.3, BSedDistrib[2][0][1] = 0.1;
    BSedDistrib[0][1][1] = 0.5, BSedDistrib[0][2][1] = 0.5, BSedDistrib[1][1][1] = 0.3, BSedDistrib[1][2][1] = 0.7;
    Bsolidfraction[1][1] = 0.6, Bconc[2][1] = 0.004, Bcohesion[1][1] = 900;
    gsize[1] = 0.002, gsize[2] = 0.001;
    di_graph = 0.5;
    Surfaces[1][2][2] = 0.05, Surfaces[3][2][2] = -1.0, Surfaces[5][2][2] = 0.02, Surfaces[6][2][2] = -0.03,
    Surfaces[7][2][2] = 0.07;
  }
};

struct CellCase {
  char letter;
  int code, size, layer, cell;
  PlotFile file;
  double expected;
};

TEST_F(PlotVariables, EveryLetterAtACell) {
  const PlotFile V = PlotFile::Vtk3D, P = PlotFile::VtkPlan, T = PlotFile::Tecplot3D;
  const std::vector<CellCase> cases = {
      {'A', 0, 0, 0, 2, V, 17e6},            // S = 5 + 2 + 10, n = 3, H = 3
      {'B', 0, 0, 0, 3, V, 60.00176960540748},  // bed face Fvz 0.5, 180/3.1415 per radian
      {'C', 0, 0, 0, 2, V, -16.26068427741493},  // bottom (3, 4), top (8, 6)
      {'D', 0, 0, 0, 3, V, 17.0 / 3.0},       // sum(kdist |u|) / sum(kdist)
      {'E', 0, 0, 0, 2, V, 0.25},
      {'F', 0, 0, 0, 1, V, 1.0445579423731808},
      {'G', 0, 0, 0, 2, V, 12.5},
      {'H', 0, 0, 0, 2, V, 5.0},
      {'I', 0, 0, 0, 2, V, 1.25},
      {'J', 0, 0, 0, 1, V, 0.9},
      {'J', 0, 0, 0, 2, V, 0.2},             // from cell 2 up
      {'K', 0, 0, 0, 2, V, 0.0625},
      {'L', 0, 0, 1, 2, V, 0.3},
      {'M', 0, 0, 0, 2, V, 0.0},             // a plan VTK grid-line quantity only
      {'N', 0, 0, 1, 2, V, 0.6},
      {'O', 0, 2, 0, 2, V, 0.004},
      {'P', 0, 0, 0, 2, V, 0.4},
      {'Q', 0, 0, 0, 2, V, 0.8},
      {'R', 0, 0, 0, 2, V, 0.125},
      {'S', 0, 0, 0, 2, V, 0.0},
      {'T', 0, 0, 0, 2, V, 55.0},
      {'U', 0, 0, 0, 2, V, -0.01},
      {'V', 0, 0, 0, 2, V, 2.0},
      {'u', 0, 0, 0, 1, V, 5.0},
      {'W', 0, 0, 0, 2, V, 0.5},
      {'X', 0, 0, 0, 2, V, 0.02},            // level surface 5 at the column of the bed cell
      {'Y', 0, 0, 0, 2, V, 0.4},
      {'Z', 100, 0, 0, 2, V, -0.03},
      {'Z', 101, 0, 0, 2, V, 0.07},
      {'Z', 102, 2, 0, 2, V, 0.75},
      {'Z', 103, 0, 0, 2, V, 0.00125},       // suspended fractions 0.25 and 0.75
      {'Z', 104, 0, 0, 2, V, 0.35},
      {'Z', 105, 0, 0, 2, V, 0.04},          // sizes summed in the bottom cell
      {'Z', 106, 1, 0, 2, V, 0.0},           // the plan file's own
      {'Z', 107, 0, 0, 2, V, 9.5},
      {'Z', 999, 0, 0, 2, V, 0.0},
      {'Z', 105, 0, 0, 2, T, 0.0},           // no Z quantity in the Tecplot files
      {'a', 0, 0, 0, 2, V, 0.0015},          // fractions 0.5 / 0.5: the mean diameter
      {'b', 0, 0, 0, 2, V, 0.15},
      {'c', 0, 1, 0, 2, V, 0.002},
      {'d', 0, 0, 0, 2, V, 3.5},
      {'e', 0, 0, 0, 2, V, 0.02},
      {'f', 0, 2, 1, 2, V, 0.7},
      {'g', 0, 0, 0, 2, V, 0.0},
      {'h', 0, 0, 0, 2, V, 0.15},            // 0.3 over the 2 m from cell 2 up
      {'i', 0, 0, 0, 1, V, 3.0},
      {'i', 0, 0, 0, 3, V, 1.0},
      {'i', 0, 0, 0, 0, V, 1.0},             // no cell
      {'j', 0, 0, 1, 2, V, 900.0},
      {'k', 0, 0, 0, 2, V, -0.3},
      {'l', 0, 0, 0, 2, V, 0.5},             // layers 0 and 1 of two
      {'m', 0, 0, 0, 3, V, 270.0},           // 300 k of the bottom cell
      {'n', 0, 0, 0, 2, V, 0.0},
      {'o', 0, 0, 0, 2, V, 2.0},             // layer 1: 0.3 / 0.7
      {'p', 0, 0, 0, 2, V, 1500.0},
      {'q', 0, 1, 0, 2, V, 7.0},             // component = size in the VTK files
      {'q', 0, 1, 0, 2, T, 20.0},            // component 0 in the Tecplot files
      {'r', 0, 0, 0, 2, V, 0.3},
      {'w', 0, 0, 0, 2, V, -0.05},
      {'x', 0, 0, 0, 1, V, -15.0},           // znumber 12: 0.444 T2 - 0.639 T1 - 0.222 Tt below the top
      {' ', 0, 0, 0, 2, V, 0.0},
      {'[', 0, 0, 0, 2, V, 0.0},
      {'B', 0, 0, 0, 2, P, 60.00176960540748},
  };
  for (const CellCase& k : cases) {
    TecVariable v{0, k.size, k.code, k.letter};
    const double got = cellValue(v, k.cell, k.layer, k.file);
    EXPECT_NEAR(got, k.expected, 1e-9 * (1.0 + std::fabs(k.expected))) << "letter '" << k.letter << "' code " << k.code;
  }
}

TEST_F(PlotVariables, GridLineLettersAndLevelSurfaces) {
  struct Case {
    char letter;
    double expected;
  };
  const std::vector<Case> cases = {{'z', 2.0}, {'v', 5.0}, {'y', 3.0}, {'s', 0.05},
                                   {'t', 3.0},  // bed above the non-erodible level
                                   {'M', -0.03}, {'X', 0.02}, {'k', 0.0}};
  for (const Case& k : cases) EXPECT_DOUBLE_EQ(gridLineValue(k.letter, 2, 2), k.expected) << k.letter;
  EXPECT_EQ(gridLineValue('z', -1, 2), 0.0);
  EXPECT_EQ(gridLineValue('z', 2, ynumber + 2), 0.0);
}

TEST_F(PlotVariables, BedRouteReadsTheBedCell) {
  FlagFractionsPrint = 1;
  FlagPlastics = 1;
  struct Case {
    char letter;
    int code, size, layer;
    double expected;
  };
  const std::vector<Case> cases = {
      {'D', 0, 0, 0, 17.0 / 3.0}, {'m', 0, 0, 0, 270.0}, {'r', 0, 0, 0, 0.3}, {'L', 0, 0, 2, 0.1},
      {'Z', 104, 0, 0, 0.35},      {'Z', 105, 0, 0, 0.5},  // row 0 of the bottom cell
      {'Z', 106, 1, 0, 2.5},       {'Z', 107, 0, 0, 9.5},  {'Z', 100, 0, 0, 0.0}, {'S', 0, 0, 0, 0.0}};
  for (const Case& k : cases) {
    TecVariable v{0, k.size, k.code, k.letter};
    EXPECT_TRUE(onBedRoute(v)) << k.letter;
    EXPECT_NEAR(bedRouteValue(v, 1, k.layer), k.expected, 1e-12) << k.letter << " " << k.code;
  }
  FlagFractionsPrint = 0;
  EXPECT_FALSE(onBedRoute(TecVariable{0, 0, 105, 'Z'}));
  EXPECT_FALSE(onBedRoute(TecVariable{0, 0, 0, 'k'}));
  // a dry bed cell: no bottom cell, no shear
  Bcellt[1] = 0;
  EXPECT_EQ(bedRouteValue(TecVariable{0, 0, 0, 'm'}, 1, 0), 0.0);
}

TEST_F(PlotVariables, RoughnessFallsBackToTheCellWithoutBedRoughness) {
  Broughness[1] = 0.0;
  EXPECT_DOUBLE_EQ(cellValue(TecVariable{0, 0, 0, 'r'}, 2, 0, PlotFile::Vtk3D), 0.07);
  EXPECT_DOUBLE_EQ(bedRouteValue(TecVariable{0, 0, 0, 'r'}, 1, 0), 0.0);
}

TEST_F(PlotVariables, LargestKIsNeverNegativeAndLayerRowsOutsideGiveZero) {
  Ckinen[2] = -0.3, Ckinen[3] = -0.2;
  EXPECT_EQ(cellValue(TecVariable{0, 0, 0, 'J'}, 2, 0, PlotFile::Vtk3D), 0.0);
  for (char letter : {'L', 'N', 'a', 'f', 'j'})
    EXPECT_EQ(cellValue(TecVariable{0, 1, 0, letter}, 2, NoBedLayers + 5, PlotFile::Vtk3D),
              letter == 'a' ? 0.002 : 0.0)  // no fractions: the coarsest diameter
        << letter;
  EXPECT_EQ(cellValue(TecVariable{0, lnumber + 3, 0, 'c'}, 2, 0, PlotFile::Vtk3D), 0.0);
  EXPECT_EQ(cellValue(TecVariable{0, 9, 0, 'q'}, 2, 0, PlotFile::Vtk3D), 0.0);
}

TEST_F(PlotVariables, OptionalArraysThatDoNotExistGiveZero) {
  Cporosity = nullptr;  // the registry still frees the block
  Bgroundwater = nullptr;
  Cstress = nullptr;
  EXPECT_EQ(cellValue(TecVariable{0, 0, 0, 'P'}, 2, 0, PlotFile::Vtk3D), 0.0);
  EXPECT_EQ(cellValue(TecVariable{0, 0, 0, 'G'}, 2, 0, PlotFile::Vtk3D), 0.0);
  EXPECT_EQ(cellValue(TecVariable{0, 0, 0, 'T'}, 2, 0, PlotFile::Vtk3D), 0.0);
}

TEST_F(PlotVariables, PercentileRule) {
  struct Case {
    int sizes;
    std::vector<double> f;  // f[1..sizes]
    double di, expected;
  };
  gsize[3] = 0.0005;
  const std::vector<Case> cases = {
      {2, {0.5, 0.5}, 0.5, 0.0015},          // the mean of the two diameters
      {2, {0.0, 0.0}, 0.5, 0.002},           // nothing: the coarsest size
      {2, {0.0, 1.0}, 0.3, 0.001},           // the finest half already passes
      {1, {1.0}, 0.6, 0.002},                // one size
      {3, {0.2, 0.3, 0.5}, 0.5, 0.0008125},  // cum 0.65 at size 2: w = 0.375
      {2, {0.9, 0.1}, 0.5, 0.0019},          // cum 0.55 at size 1: w = 0.1
  };
  for (const Case& k : cases) {
    lnumber = k.sizes;
    di_graph = k.di;
    std::vector<double> f(51, 0.0);
    for (int s = 1; s <= k.sizes; ++s) f[s] = k.f[s - 1];
    EXPECT_NEAR(percentileDiameter(f.data()), k.expected, 1e-15) << k.sizes << " sizes, di " << k.di;
  }
}

TEST(PlotVariableNames, TextsPerFile) {
  struct Case {
    char letter;
    int code, level, size, layer;
    PlotFile file;
    double di;
    std::string expected;
  };
  const PlotFile TP = PlotFile::TecplotPlan, T3 = PlotFile::Tecplot3D, VP = PlotFile::VtkPlan, V3 = PlotFile::Vtk3D,
                 X = PlotFile::CrossSection;
  const std::vector<Case> cases = {
      {'a', 0, 1, 0, 0, TP, 0.5, "D50 level 1"},
      {'a', 0, 1, 0, 0, TP, 0.05, "D 5 level 1"},
      {'a', 0, 1, 0, 0, TP, 0.29, "D29 level 1"},
      {'a', 0, 3, 0, 2, T3, 0.9, "D90 layer 3"},
      {'a', 0, 3, 0, 2, V3, 0.5, "D50_level3"},
      {'E', 0, 3, 0, 0, VP, 0.5, "Residual_epsilon_3"},
      {'E', 0, 3, 0, 0, TP, 0.5, "Residual epsilon 3 "},
      {'I', 0, 2, 0, 0, TP, 0.5, "Eddy-viscosity-vert2 "},
      {'I', 0, 2, 0, 0, T3, 0.5, "Eddy-viscosity-vert 2 "},
      {'f', 0, 3, 2, 1, V3, 0.5, "Bed_sediment_fraction_layer_1_size_2"},
      {'f', 0, 3, 2, 1, TP, 0.5, "Bed sediment fraction, size 2, level 3"},
      {'f', 0, 3, 2, 1, VP, 0.5, "Bed_sediment_fraction_layer_3_size_2"},
      {'j', 0, 1, 0, 1, VP, 0.5, "Bed_cohesion_2"},
      {'j', 0, 1, 0, 1, X, 0.5, "Error"},
      {'Z', 105, 0, 0, 0, X, 0.5, "Error"},
      {'H', 0, 0, 0, 0, X, 0.5, "Residual_horizontal velocity"},
      {'p', 0, 4, 0, 0, T3, 0.5, "Pressure_4 "},
      {'q', 0, 1, 2, 0, V3, 0.5, "Water_Quality_2 "},
      {'g', 0, 0, 0, 0, T3, 0.5, "Water_level"},
      {'L', 0, 1, 0, 1, VP, 0.5, "Sediment_layer_thickness_level_2"},
      {'Z', 102, 0, 3, 0, V3, 0.5, "Fraction_size_3_[]"},
      {'Z', 101, 0, 0, 0, V3, 0.5, ""},
      {'Z', 108, 0, 0, 0, VP, 0.5, "Dune_ridges"},
      {'Z', 108, 0, 0, 0, V3, 0.5, ""},
      {'Z', 105, 0, 0, 0, TP, 0.5, "Error"},
      {'[', 0, 0, 0, 0, V3, 0.5, "Error"},
      {' ', 0, 0, 0, 0, TP, 0.5, "Error"},
  };
  for (const Case& k : cases) {
    di_graph = k.di;
    EXPECT_EQ(variableName(TecVariable{k.level, k.size, k.code, k.letter}, k.file, k.layer), k.expected)
        << k.letter << " " << k.code;
  }
  di_graph = 0.5;
}

TEST(PlotVariableNames, NamesForVtkHaveNoInnerBlankAndAreNeverEmpty) {
  struct Case {
    std::string raw;
    int code;
    std::string expected;
  };
  const std::vector<Case> cases = {{"Residual_horizontal velocity", 0, "Residual_horizontal_velocity"},
                                   {"Potential bed concentration", 0, "Potential_bed_concentration"},
                                   {"D 5_level1", 0, "D_5_level1"},
                                   {"Water_Quality_2 ", 0, "Water_Quality_2 "},
                                   {"", 101, "Z_code_101"},
                                   {"Bed_level", 0, "Bed_level"}};
  for (const Case& k : cases) EXPECT_EQ(vtkSafeName(k.raw, TecVariable{0, 0, k.code, 'Z'}), k.expected);
}

// Every letter and Z code in one G 24 list: both VTK files load in VTK's
// reader with every array, one per entry, each under a name of its own.
TEST_F(PlotVariables, EveryLetterNameLoadsInVtkReader) {
  if (!vtkAvailable()) GTEST_SKIP() << "VTK for /usr/bin/python3 is not installed";
  di_graph = 0.05;  // the percentile names would carry a blank
  TecStrucNo = 0;
  std::string letters;
  for (char c = 'A'; c <= 'Z'; ++c) letters += c;
  for (char c = 'a'; c <= 'z'; ++c) letters += c;
  letters += " [";
  for (char c : letters)
    if (c != 'Z') TecStruc[TecStrucNo++] = TecVariable{1, 1, 0, c};
  for (int code : {100, 101, 102, 103, 104, 105, 106, 107, 108, 999}) TecStruc[TecStrucNo++] = TecVariable{1, 1, code, 'Z'};
  print_paraview3d(1);
  print_paraview2d(0, 0);
  for (const std::string file : {"ParaView3U.vtk", "ParaView2.vtk"}) {
    VtkLoad load = loadVtk(dir.dir().path() + "/" + file);
    ASSERT_TRUE(load.ran) << file;
    EXPECT_EQ(load.errors, 0) << file;
    EXPECT_EQ(static_cast<int>(load.arrays.size()), TecStrucNo + 1) << file;
    std::set<std::string> unique(load.arrays.begin(), load.arrays.end());
    EXPECT_EQ(unique.size(), load.arrays.size()) << file;
    for (const auto& [name, n] : load.tuples) EXPECT_EQ(n, load.points) << file << " " << name;
  }
}

}  // namespace
