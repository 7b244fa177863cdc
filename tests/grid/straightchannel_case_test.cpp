// The bed-aligned, direct-topology and quasi-neighbour grids on the real
// engine: the straight channel of 20 x 5 columns, 1 m deep, built by letter
// Y and written by letter M as the 3-D VTK file, read by VTK's own reader;
// and the F 65 overflow of the direct-topology build.
#include <gtest/gtest.h>

#include <string>

#include "output/vtk_reader.h"
#include "support/case_runner.h"

namespace {

int cellsMade(const std::string& log) {
  const std::size_t at = log.find("End Unstructure ");
  if (at == std::string::npos) return -1;
  return std::stoi(log.substr(at + 16));
}

}  // namespace

// F 64 3, 33, 4, 14, 15 and F 137: the channel's 100 m3 of water in
// hexahedra that VTK loads without an error.
TEST(StraightChannelCase, EachGridHoldsTheWaterAndLoadsInVtk) {
  if (!vtkAvailable()) GTEST_SKIP() << "VTK for /usr/bin/python3 is not installed";
  for (const char* choice : {"F 64 3\n", "F 64 33\n", "F 64 4\n", "F 64 14\n", "F 64 15\n", "F 137 1\n"}) {
    CaseDir dir;
    dir.write("koosurf", straightChannelKoosurf());
    dir.write("control", std::string("F 2 YM\nG 1 23 8 11 1\n") + choice + "F 329 1 0 0 0 0 1 0 0 0\nG 24 2 z 1 0 i 1 0\n");
    ASSERT_EQ(dir.run(), 1) << choice << dir.boogie();
    const int cells = cellsMade(dir.boogie());
    ASSERT_GT(cells, 100) << choice;
    const VtkLoad u = loadVtk(dir.path() + "/ParaView3U.vtk");
    ASSERT_TRUE(u.ran) << choice;
    EXPECT_EQ(u.errors, 0) << choice;
    EXPECT_EQ(u.cells, cells) << choice;
    EXPECT_EQ(u.cellTypes.at(12), cells) << choice;
    EXPECT_NEAR(u.volume, 100.0, 1e-6) << choice;
    EXPECT_EQ(u.bounds[5], 1.0) << choice;
  }
}

// F 64 14 with F 65 sizes too small for its points ends with the overflow
// report and status -4 (252), never writing beyond the arrays.
TEST(StraightChannelCase, DirectTopologyOverflowEndsWithTheReport) {
  for (const char* sizes : {"50000 80000 100 10000 1000", "50000 50 50000 10000 1000", "20 80000 50000 10000 1000"}) {
    CaseDir dir;
    dir.write("koosurf", straightChannelKoosurf());
    dir.write("control", std::string("F 2 YM\nG 1 23 8 11 1\nF 64 14\nF 65 ") + sizes + "\n");
    EXPECT_EQ(dir.run(), 252) << sizes << dir.boogie();
    EXPECT_TRUE(dir.boogieHas("Error: Unstructured arrays are too small. Increase with the F 65 data set.")) << sizes;
    EXPECT_EQ(dir.boogie().find("End Unstructure"), std::string::npos) << sizes;
  }
}
