// The Tecplot plan file on the real engine: the straight channel generated
// with Y and written with M loads in VTK's Tecplot reader.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "output/tecplot_reader.h"
#include "output/vtk_reader.h"
#include "support/case_runner.h"

TEST(TecplotPlanCase, StraightChannelLoadsInTheTecplotReader) {
  CaseDir dir;
  dir.write("koosurf", straightChannelKoosurf());
  // F 48 7: the plan file; G 24: bed level, water depth, k at level 1
  dir.write("control", "F 2 YM\nG 1 23 8 11 1\nF 48 7\nG 24 3 z 1 0 y 1 0 k 1 0\n");
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  std::istringstream in(dir.read("tecplot2.dat"));
  std::vector<std::string> text;
  for (std::string line; std::getline(in, line);) text.push_back(line);
  ASSERT_EQ(text.size(), 4u + 154u);
  EXPECT_EQ(text[0], "TITLE = \"PLAN-2_ Written from initial\"");
  EXPECT_EQ(text[2], "ZONE I=22,J=7,F=POINT");
  EXPECT_FALSE(dir.exists("tecplot2_n1.dat"));  // only F 48 18 writes the blocks' own files

  if (!vtkAvailable()) GTEST_SKIP() << "VTK for /usr/bin/python3 is not installed";
  const TecplotLoad t = loadTecplot(dir.path() + "/tecplot2.dat", {"X1", "X2", "Depth"});
  ASSERT_TRUE(t.ran);
  EXPECT_EQ(t.errors, 0);
  EXPECT_EQ(t.dataset, "vtkStructuredGrid");
  EXPECT_EQ(t.points, 154);
  EXPECT_EQ(t.dims, (std::array<int, 3>{22, 7, 1}));
  EXPECT_EQ(t.arrays, (std::vector<std::string>{"X1", "X2", "X3", "Ux", "Uy", "Bed level", "Depth", "Turbulent k 1 "}));
  // the ring at the channel's edges, the columns' centres inside
  const std::vector<double>& x = t.values.at("X1");
  const std::vector<double>& y = t.values.at("X2");
  ASSERT_EQ(x.size(), 154u);
  EXPECT_EQ(x[0], 0.0);
  EXPECT_EQ(x[1], 0.5);
  EXPECT_EQ(x[21], 20.0);
  EXPECT_EQ(y[22], 0.5);
  EXPECT_EQ(y[153], 5.0);
  for (double d : t.values.at("Depth")) EXPECT_EQ(d, 1.0);

  // F 48 18: one file per block
  dir.write("control", "F 2 YM\nG 1 23 8 11 1\nF 48 18\n");
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  EXPECT_TRUE(dir.exists("tecplot2_n1.dat"));
}
