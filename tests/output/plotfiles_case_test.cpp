// The plot files on the real engine: a straight channel generated with Y and
// written with M. The VTK files load in VTK's own reader with the grid's
// counts and every selected array; the Tecplot 3-D file holds the same points,
// cells and node values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "output/vtk_reader.h"
#include "support/case_runner.h"

namespace {

}  // namespace

TEST(PlotFilesCase, StraightChannelLoadsInVtkReaderAndMatchesTecplot) {
  if (!vtkAvailable()) GTEST_SKIP() << "VTK for /usr/bin/python3 is not installed";
  CaseDir dir;
  dir.write("koosurf", straightChannelKoosurf());
  // F 329: [4] Tecplot 3-D, [5] VTK 3-D, [6] VTK plan; G 24: bed level, cells from here up
  dir.write("control", "F 2 YM\nG 1 23 8 11 1\nF 329 1 0 0 0 1 1 1 0 0\nG 24 2 z 1 0 i 1 0\n");
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  ASSERT_TRUE(dir.boogieHas("End Unstructure 900 cells")) << dir.boogie();

  VtkLoad u = loadVtk(dir.path() + "/ParaView3U.vtk", {"Velocity", "Bed_level", "No_cells_vertical_direction"});
  ASSERT_TRUE(u.ran);
  EXPECT_EQ(u.errors, 0);
  EXPECT_EQ(u.dataset, "vtkUnstructuredGrid");
  EXPECT_EQ(u.points, 1260);
  EXPECT_EQ(u.cells, 900);
  EXPECT_EQ(u.cellTypes[12], 900);
  EXPECT_EQ(u.bounds, (std::array<double, 6>{0, 20, 0, 5, 0, 1}));
  EXPECT_NEAR(u.volume, 100.0, 1e-6);  // 20 x 5 x 1 m, every hexahedron the right way round
  EXPECT_EQ(u.arrays, (std::vector<std::string>{"Velocity", "Bed_level", "No_cells_vertical_direction"}));
  ASSERT_EQ(u.values["Bed_level"].size(), 1260u);
  ASSERT_EQ(u.values["No_cells_vertical_direction"].size(), 1260u);
  double bedCells = 0;
  for (std::size_t n = 0; n < 1260; ++n) {
    EXPECT_EQ(u.values["Bed_level"][n][0], 0.0);
    for (double v : u.values["Velocity"][n]) EXPECT_EQ(v, 0.0);
    const double cells = u.values["No_cells_vertical_direction"][n][0];
    if (u.coords[n][2] == 0.0) bedCells = cells;
    if (u.coords[n][2] == 1.0) { EXPECT_EQ(cells, 1.0); }  // a surface node: top cells only
  }
  EXPECT_EQ(bedCells, 9.0);  // 900 cells in 100 columns

  // The Tecplot 3-D file: the same points, cells and node values.
  std::istringstream tec(dir.read("tecplfe.dat"));
  std::string line;
  std::getline(tec, line);
  std::getline(tec, line);
  EXPECT_EQ(line, "VARIABLES=\"X1\",\"X2\",\"X3\",\"Ux\",\"Uy\",\"No\",\"Bed level\",\"No_cells vertical direction\"");
  std::getline(tec, line);
  EXPECT_NE(line.find(" N=1260,E=900,F=FEPOINT, ET=BRICK"), std::string::npos) << line;
  for (std::size_t n = 0; n < 1260 && std::getline(tec, line); ++n) {
    std::istringstream in(line);
    double x, y, z, ux, uy, no, bed, cells;
    ASSERT_TRUE(in >> x >> y >> z >> ux >> uy >> no >> bed >> cells) << line;
    EXPECT_NEAR(x, u.coords[n][0], 1e-6);
    EXPECT_NEAR(y, u.coords[n][1], 1e-6);
    EXPECT_NEAR(z, u.coords[n][2], 1e-6);
    EXPECT_EQ(no, 0.0);
    EXPECT_NEAR(bed, 0.0, 1e-12);
    EXPECT_NEAR(cells, u.values["No_cells_vertical_direction"][n][0], 1e-5);
  }
  ASSERT_EQ(u.cellPoints.size(), 900u);
  for (std::size_t c = 0; c < 900 && std::getline(tec, line); ++c) {
    std::istringstream in(line);
    std::vector<long> ids;
    long id;
    while (in >> id) ids.push_back(id - 1);
    EXPECT_EQ(ids, u.cellPoints[c]) << "cell " << c + 1;
  }

  // The plan file: a structured grid of the block's 20 x 5 columns and its ring.
  VtkLoad p = loadVtk(dir.path() + "/pav2_00000.vtk", {"No_cells_vertical_direction"});
  ASSERT_TRUE(p.ran);
  EXPECT_EQ(p.errors, 0);
  EXPECT_EQ(p.dataset, "vtkStructuredGrid");
  EXPECT_EQ(p.dims, (std::array<int, 3>{22, 7, 1}));
  EXPECT_EQ(p.points, 154);
  EXPECT_EQ(p.arrays, (std::vector<std::string>{"Bed_level", "No_cells_vertical_direction", "Velocities"}));
  EXPECT_EQ(p.bounds, (std::array<double, 6>{0, 20, 0, 5, 0, 0}));
  for (const auto& v : p.values["No_cells_vertical_direction"]) EXPECT_EQ(v[0], 8.0);  // from level 2 of 9 up
}

// Fields given by a result file (letter R): every node value of the VTK file
// is the plain mean of the cells that VTK's reader finds at that point.
TEST(PlotFilesCase, NodeValuesAreTheMeansOfTheEngineCellFields) {
  if (!vtkAvailable()) GTEST_SKIP() << "VTK for /usr/bin/python3 is not installed";
  CaseDir dir;
  dir.write("koosurf", straightChannelKoosurf());
  dir.write("control", "F 2 YM\nG 1 23 8 11 1\n");
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  // the result file of that grid, with a field of our own per cell
  auto u = [](int n) { return 0.01 * n; };
  auto v = [](int n) { return -1.0 * (n % 7); };
  auto w = [](int n) { return 0.001 * (n % 11); };
  auto k = [](int n) { return 0.5 + n % 13; };
  std::istringstream in(dir.read("result.end"));
  std::ostringstream out;
  std::string line;
  int cells = 0;
  while (std::getline(in, line)) {
    if (line.rfind("C ", 0) == 0) {
      const int n = ++cells;
      char buf[200];
      std::snprintf(buf, sizeof buf, "C %d %.10e %.10e %.10e %.10e %.10e %.10e", n, u(n), v(n), w(n), k(n), 0.01, 0.0);
      line = buf;
    }
    out << line << "\n";
  }
  ASSERT_EQ(cells, 900);
  dir.write("result", out.str());
  dir.write("control", "F 2 YRM\nG 1 23 8 11 1\nF 329 1 0 0 0 0 1 0 0 0\nG 24 1 k 1 0\n");
  ASSERT_EQ(dir.run(), 1) << dir.boogie();

  VtkLoad load = loadVtk(dir.path() + "/ParaView3U.vtk", {"Velocity", "Turbulent_k"});
  ASSERT_TRUE(load.ran);
  EXPECT_EQ(load.errors, 0);
  ASSERT_EQ(load.cellPoints.size(), 900u);
  std::vector<std::array<double, 4>> sum(1260, {0, 0, 0, 0});
  std::vector<int> count(1260, 0);
  for (std::size_t c = 0; c < 900; ++c) {
    const int n = static_cast<int>(c) + 1;
    std::vector<long> ids = load.cellPoints[c];
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    for (long p : ids) {
      sum[p][0] += u(n), sum[p][1] += v(n), sum[p][2] += w(n), sum[p][3] += k(n);
      ++count[p];
    }
  }
  ASSERT_EQ(load.values["Velocity"].size(), 1260u);
  ASSERT_EQ(load.values["Turbulent_k"].size(), 1260u);
  for (std::size_t p = 0; p < 1260; ++p) {
    ASSERT_GT(count[p], 0);
    for (int d = 0; d < 3; ++d)
      EXPECT_NEAR(load.values["Velocity"][p][d], sum[p][d] / count[p], 1e-5) << "point " << p;
    EXPECT_NEAR(load.values["Turbulent_k"][p][0], sum[p][3] / count[p], 1e-4 * (1 + sum[p][3] / count[p]))
        << "point " << p;
  }
}

// A plot file that cannot be written ends the run with status -3.
TEST(PlotFilesCase, FileThatCannotBeWrittenEndsTheRun) {
  struct Case {
    std::string flags, file;
  };
  for (const Case& k : std::vector<Case>{{"F 329 1 0 0 0 0 1 0 0 0", "ParaView3U.vtk"},
                                         {"F 329 1 0 0 0 1 0 0 0 0", "tecplfe.dat"},
                                         {"F 329 1 0 0 0 0 0 0 1 0", "ParaView2_n1.vtk"}}) {
    CaseDir dir;
    dir.write("koosurf", straightChannelKoosurf());
    dir.mkdir(k.file);
    dir.write("control", "F 2 YM\nG 1 23 8 11 1\n" + k.flags + "\n");
    EXPECT_EQ(dir.run(), 253) << k.file << "\n" << dir.boogie();
    EXPECT_TRUE(dir.boogieHas("Error: can not open file '" + k.file + "' for writing")) << dir.boogie();
  }
}
