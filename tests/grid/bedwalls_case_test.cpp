// The bed-layer distributions with steep walls, cracks and sliding shoreline
// corners on the real engine: a channel with a bed step and a dry bank, run
// letters Y, H and M, the grid file and the 3-D VTK file read by VTK's own
// reader.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "output/vtk_reader.h"
#include "support/case_runner.h"

namespace {

// 21 x 6 grid lines 1 m apart: the bed steps up 2.5 m between grid lines 10
// and 11 (a slope of 2.5), the water stands at 4 m, and the north bank
// (grid lines j = 6) lies 0.2 m above the water.
double stepBed(int i, int j) {
  if (j == 6) return 4.2;
  return i >= 11 ? 2.5 : 0.0;
}

std::string stepKoosurf() {
  std::ostringstream s;
  for (int i = 1; i <= 21; ++i)
    for (int j = 1; j <= 6; ++j) s << i << " " << j << " " << i - 1 << ".0 " << j - 1 << ".0 " << stepBed(i, j) << " 4.0\n";
  return s.str();
}

// The water over the plan with the bed between grid lines taken as planes
// over each column: the plan area times the mean of the wet corner depths
// (a dry corner counts 0).
double waterVolume() {
  double v = 0;
  for (int i = 2; i <= 21; ++i)
    for (int j = 2; j <= 6; ++j)
      for (int di : {0, 1})
        for (int dj : {0, 1}) v += 0.25 * std::max(0.0, 4.0 - stepBed(i - di, j - dj));
  return v;
}

std::string control(int method, const std::string& letters, const std::string& more = "") {
  return "F 2 " + letters + "\nG 1 23 8 11 1\nF 64 " + std::to_string(method) + "\n" + more;
}

int cellsBuilt(const std::string& log) {
  const std::size_t at = log.find("End Unstructure ");
  if (at == std::string::npos) return -1;
  return std::stoi(log.substr(at + 16));
}

}  // namespace

// F 64 7 and 37 build the same grid on the stepped channel: the grid files of
// letter H agree byte for byte (F 102 0).
TEST(BedWallsCase, SteepWallsAndTheirTwinWriteTheSameGridFile) {
  std::string files[2];
  for (int twin = 0; twin < 2; ++twin) {
    CaseDir dir;
    dir.write("koosurf", stepKoosurf());
    dir.write("control", control(7 + 30 * twin, "YH"));
    ASSERT_EQ(dir.run(), 1) << dir.boogie();
    EXPECT_GT(cellsBuilt(dir.boogie()), 300);
    ASSERT_TRUE(dir.exists("unstruc"));
    files[twin] = dir.read("unstruc");
  }
  EXPECT_FALSE(files[0].empty());
  EXPECT_EQ(files[0], files[1]);
}

// Each grid loads in VTK's own reader with all its cells as hexahedra and no
// error. The steep walls and the cracks hold more than the water: the deep
// columns beside the step reach below its sloping bed toward a vertical wall
// at grid line 11, which adds at most the 2.5 m x 1 m wedge over the 5 m
// width. The shoreline moves shrink the bank columns in plan.
TEST(BedWallsCase, StepAndBankGridsLoadInVtkWithTheirCells) {
  if (!vtkAvailable()) GTEST_SKIP() << "VTK for /usr/bin/python3 is not installed";
  for (int method : {7, 37, 9, 10}) {
    CaseDir dir;
    dir.write("koosurf", stepKoosurf());
    dir.write("control", control(method, "YHM", "F 329 1 0 0 0 0 1 0 0 0\nG 24 2 z 1 0 i 1 0\n"));
    ASSERT_EQ(dir.run(), 1) << method << "\n" << dir.boogie();
    const int cells = cellsBuilt(dir.boogie());
    ASSERT_GT(cells, 300) << method;
    EXPECT_TRUE(dir.boogieHas("Generating grid with F 64 " + std::to_string(method) + " algorithm. ")) << method;
    const VtkLoad u = loadVtk(dir.path() + "/ParaView3U.vtk");
    ASSERT_TRUE(u.ran) << method;
    EXPECT_EQ(u.errors, 0) << method;
    EXPECT_EQ(u.cells, cells) << method;
    EXPECT_EQ(u.cellTypes.at(12), cells) << method;
    EXPECT_EQ(u.bounds[5], 4.0) << method;
    const double water = waterVolume();
    if (method == 10) {
      EXPECT_GT(u.volume, 0.9 * water) << method;
      EXPECT_LT(u.volume, water - 1.0) << method;
    } else {
      EXPECT_GT(u.volume, water + 1.0) << method;
      EXPECT_LT(u.volume, water + 0.5 * 2.5 * 5 + 0.005 * water) << method;
    }
  }
}
