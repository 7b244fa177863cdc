// The vertical distributions besides the adaptive one on the real engine:
// run letter Y with each value of F 64, the grid file of letter H, the 3-D VTK
// file of letter M read by VTK's own reader, the empty grid and the F 65
// overflow.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

#include "output/vtk_reader.h"
#include "support/case_runner.h"

namespace {

// 21 x 6 grid lines 1 m apart, the bed rising 0.02 m per line along and 0.08 m
// across the channel, water at 1 m.
double bedAt(int i, int j) { return 0.02 * (i - 1) + 0.08 * (j - 1); }

std::string slopingKoosurf() {
  std::ostringstream s;
  for (int i = 1; i <= 21; ++i)
    for (int j = 1; j <= 6; ++j) s << i << " " << j << " " << i - 1 << ".0 " << j - 1 << ".0 " << bedAt(i, j) << " 1.0\n";
  return s.str();
}

// The water volume over the plan: the bed is a plane, so each column holds
// its plan area times the mean of its corner depths.
double waterVolume() {
  double v = 0;
  for (int i = 2; i <= 21; ++i)
    for (int j = 2; j <= 6; ++j)
      v += 0.25 * (4.0 - bedAt(i - 1, j - 1) - bedAt(i, j - 1) - bedAt(i, j) - bedAt(i - 1, j));
  return v;
}

std::string control(int method, const std::string& letters, const std::string& more = "") {
  return "F 2 " + letters + "\nG 1 23 8 11 1\nF 64 " + std::to_string(method) +
         "\nG 3 0 0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8 0.9 1.0\n" + more;
}

int cellsBuilt(const std::string& log) {
  const std::size_t at = log.find("End Unstructure ");
  if (at == std::string::npos) return -1;
  return std::stoi(log.substr(at + 16));
}

}  // namespace

// F 64 n and n + 30 build the same grid: the grid files of letter H agree
// byte for byte (F 102 0, one block).
TEST(OtherLevelsCase, ValueAndItsTwinWriteTheSameGridFile) {
  for (int n : {0, 1, 3, 5, 6, 7}) {
    std::string files[2];
    for (int twin = 0; twin < 2; ++twin) {
      CaseDir dir;
      dir.write("koosurf", slopingKoosurf());
      dir.write("control", control(n + 30 * twin, "YH"));
      ASSERT_EQ(dir.run(), 1) << n << "\n" << dir.boogie();
      EXPECT_GT(cellsBuilt(dir.boogie()), 100) << n;
      ASSERT_TRUE(dir.exists("unstruc")) << n;
      files[twin] = dir.read("unstruc");
    }
    EXPECT_FALSE(files[0].empty()) << n;
    EXPECT_EQ(files[0], files[1]) << "F 64 " << n << " and " << n + 30;
  }
}

// Each grid loads in VTK's own reader as hexahedra, without errors; the
// distributions that follow the bed fill the water volume.
TEST(OtherLevelsCase, EachGridLoadsInVtkWithItsCellsAndVolume) {
  if (!vtkAvailable()) GTEST_SKIP() << "VTK for /usr/bin/python3 is not installed";
  for (int method : {0, 30, 1, 31, 2, 32, 5, 35, 6, 36, 12, 7, 37, 9, 10, 3, 33, 4}) {
    CaseDir dir;
    dir.write("koosurf", slopingKoosurf());
    dir.write("control", control(method, "YM", "F 329 1 0 0 0 0 1 0 0 0\nG 24 2 z 1 0 i 1 0\n"));
    ASSERT_EQ(dir.run(), 1) << method << "\n" << dir.boogie();
    const int cells = cellsBuilt(dir.boogie());
    ASSERT_GT(cells, 100) << method;
    EXPECT_TRUE(dir.boogieHas("Generating grid with F 64 " + std::to_string(method) + " algorithm. ")) << method;
    const VtkLoad u = loadVtk(dir.path() + "/ParaView3U.vtk");
    ASSERT_TRUE(u.ran) << method;
    EXPECT_EQ(u.errors, 0) << method;
    EXPECT_EQ(u.cells, cells) << method;
    EXPECT_EQ(u.cellTypes.at(12), cells) << method;
    // The reader splits hexahedra with warped faces into tetrahedra, which
    // adds a few tenths of a percent here.
    EXPECT_EQ(u.bounds[5], 1.0) << method;
    if (method == 0 || method == 30)
      EXPECT_GT(u.volume, 1.05 * waterVolume()) << method;  // the beds move down onto the table
    else
      EXPECT_NEAR(u.volume, waterVolume(), 0.005 * waterVolume()) << method;
  }
}

// Values that select no distribution give the empty-grid warning, after which
// letter Y refuses a grid without cells.
TEST(OtherLevelsCase, EmptySelectionsWarnAndUnbuiltOnesRefuse) {
  for (int method : {16, 34, 99}) {
    CaseDir dir;
    dir.write("koosurf", slopingKoosurf());
    dir.write("control", control(method, "Y"));
    EXPECT_EQ(dir.run(), 252) << method;
    EXPECT_TRUE(dir.boogieHas("Warning: No cells were generated in grid")) << method << "\n" << dir.boogie();
    EXPECT_TRUE(dir.boogieHas("End Unstructure 0 cells")) << method;
    EXPECT_EQ(dir.boogie().find("Unstructured arrays are too small"), std::string::npos) << method;
  }
}

// F 65 with 100 cells: the generation ends after the 99th cell with the
// overflow report and status -4. Every overflow ends so, whatever its largest
// count (1, 46, 47 included), never as a full nested-face or face-pair list.
TEST(OtherLevelsCase, OverflowEndsWithItsOwnReportWhateverTheLargestCount) {
  {
    CaseDir dir;
    dir.write("koosurf", slopingKoosurf());
    dir.write("control", control(5, "YM", "F 65 100 80000 50000 10000 1000\n"));
    EXPECT_EQ(dir.run(), 252);
    EXPECT_TRUE(dir.boogieHas("NoCells=99, MaxCeller=100")) << dir.boogie();
    EXPECT_TRUE(dir.exists("control.new"));
  }
  std::set<int> largest;
  auto overflow = [&](const std::string& sizes) {
    CaseDir dir;
    dir.write("koosurf", slopingKoosurf());
    dir.write("control", control(5, "Y", "F 65 " + sizes + "\n"));
    EXPECT_EQ(dir.run(), 252) << sizes;
    const std::string log = dir.boogie();
    EXPECT_NE(log.find("Error: Unstructured arrays are too small. Increase with the F 65 data set.\n"),
              std::string::npos)
        << sizes << "\n" << log;
    EXPECT_EQ(log.find("nested faces"), std::string::npos) << sizes;
    EXPECT_EQ(log.find("End Unstructure"), std::string::npos) << sizes;
    int points = 0, faces = 0, cells = 0;
    const std::size_t at = log.find("NoPoints=");
    if (at != std::string::npos &&
        std::sscanf(log.c_str() + at, "NoPoints=%d, MaxPoints=%*d\nNoSurface=%d, MaxFlater=%*d\nNoCells=%d", &points,
                    &faces, &cells) == 3)
      largest.insert(std::max({points, faces, cells, 1}));
  };
  overflow("1 80000 50000 10000 1000");
  for (int points = 40; points <= 60; ++points) overflow("50000 80000 " + std::to_string(points) + " 10000 1000");
  EXPECT_TRUE(largest.count(1)) << "no overflow with a largest count of 1";
  EXPECT_TRUE(largest.count(46) || largest.count(47)) << "no overflow with a largest count of 46 or 47";
}
