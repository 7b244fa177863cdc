// Cross sections, results at the interpolation points and the bed-layer VTK
// files on the real engine: the example channel generated with Y (or read
// with B) and written with M.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "output/vtk_reader.h"
#include "support/case_runner.h"

namespace {

std::string exampleKoosurf() {
  std::ifstream in(std::string(TOVAK_SOURCE_DIR) + "/examples/channel/koosurf");
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The example's grid lines: (i, j) -> x, y, bed, water.
struct Line {
  double x, y, bed, water;
};
std::map<std::pair<int, int>, Line> gridLines(const std::string& koosurf) {
  std::map<std::pair<int, int>, Line> out;
  std::istringstream in(koosurf);
  int i, j;
  Line l;
  while (in >> i >> j >> l.x >> l.y >> l.bed >> l.water) out[{i, j}] = l;
  return out;
}

// The example with the bed of grid lines (9..10, 3..4) above the water: the
// column (10, 4) between them is dry.
std::string koosurfWithDryColumn() {
  std::istringstream in(exampleKoosurf());
  std::ostringstream out;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream l(line);
    int i, j;
    double x, y, bed, water;
    if (l >> i >> j >> x >> y >> bed >> water && (i == 9 || i == 10) && (j == 3 || j == 4)) {
      out << i << " " << j << " " << x << " " << y << " 2.000 " << water << "\n";
      continue;
    }
    out << line << "\n";
  }
  return out.str();
}

const std::string kChannel = "T straight channel\nG 1 23 8 11 1\nF 329 1\nG 24 2 z 1 0 i 1 0\n";

}  // namespace

TEST(CrossSectionCase, GridLineTenOfTheExampleChannel) {
  if (!vtkAvailable()) GTEST_SKIP() << "VTK for /usr/bin/python3 is not installed";
  CaseDir dir;
  dir.write("koosurf", koosurfWithDryColumn());
  dir.write("control", "F 2 YM\n" + kChannel + "P 18 1 10\nF 309 1\n");
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  ASSERT_TRUE(dir.boogieHas("End Unstructure 891 cells")) << dir.boogie();

  VtkLoad c = loadVtk(dir.path() + "/ParaCross_1_10.vtk", {"No_cells_vertical_direction", "Bed_level"});
  ASSERT_TRUE(c.ran);
  EXPECT_EQ(c.errors, 0);
  EXPECT_EQ(c.dataset, "vtkPolyData");
  // four wet columns of nine cells: one quadrilateral per cell
  EXPECT_EQ(c.cells, 36);
  EXPECT_EQ(c.cellTypes[9], 36);
  EXPECT_EQ(c.points, 144);
  EXPECT_EQ(c.cellArrays, (std::vector<std::string>{"Velocity", "Bed_level", "No_cells_vertical_direction"}));
  EXPECT_EQ(c.components["Velocity"], 3);
  // the section runs over the 10 m of grid line 10; the dry column (4 m to
  // 6 m) has no polygon but its width still counts
  EXPECT_DOUBLE_EQ(c.bounds[0], 0.0);
  EXPECT_DOUBLE_EQ(c.bounds[1], 10.0);
  for (const auto& p : c.coords) {
    EXPECT_FALSE(p[0] > 4.0 && p[0] < 6.0) << p[0];
    EXPECT_EQ(p[1], 0.0);
  }
  int at4 = 0, at6 = 0;
  for (const auto& cell : c.cellPoints) {
    double lo = 1e9, hi = -1e9;
    for (long id : cell) lo = std::min(lo, c.coords[id][0]), hi = std::max(hi, c.coords[id][0]);
    EXPECT_DOUBLE_EQ(hi - lo, 2.0);  // each column 2 m wide
    at4 += hi == 4.0;
    at6 += lo == 6.0;
  }
  EXPECT_EQ(at4, 9);
  EXPECT_EQ(at6, 9);
  // cells from here up, bottom to top in each column; the bed level is not a
  // value of the section (0)
  ASSERT_EQ(c.values["No_cells_vertical_direction"].size(), 36u);
  for (int n = 0; n < 36; ++n) {
    EXPECT_EQ(c.values["No_cells_vertical_direction"][n][0], 9 - n % 9) << n;
    EXPECT_EQ(c.values["Bed_level"][n][0], 0.0);
  }
  // no interpol file: the interres file without records
  EXPECT_TRUE(dir.boogieHas("Warning: Have not been able to open interpol file")) << dir.boogie();
  EXPECT_EQ(dir.read("interres.000"), "");
}

TEST(InterresCase, ColumnRecordsAreInverseDistanceMeansOfTheCornerGridLines) {
  CaseDir dir;
  const std::string koosurf = exampleKoosurf();
  dir.write("koosurf", koosurf);
  dir.write("interpol", "M 25.3 3.1\nM 71.0 8.9\n");
  dir.write("control", "F 2 YM\n" + kChannel + "F 48 1\n");
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  EXPECT_TRUE(dir.boogieHas("Have read 2 M/N data sets from the interpol file")) << dir.boogie();

  std::istringstream in(dir.read("interres.000"));
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line,
            "Variables: x-coordinate, y-coordinate, bed level, surface level, slide movement, bed movement, original "
            "bed, limit movable bed level");
  const auto lines = gridLines(koosurf);
  // point -> the nearest column (its corner grid lines, by hand)
  struct Expect {
    double x, y;
    int i, j;  // column
  };
  for (const Expect& e : {Expect{25.3, 3.1, 7, 3}, Expect{71.0, 8.9, 16, 6}}) {
    ASSERT_TRUE(std::getline(in, line));
    std::istringstream z(line);
    std::string tag;
    double v[8];
    z >> tag;
    for (double& x : v) ASSERT_TRUE(z >> x) << line;
    EXPECT_EQ(tag, "Z");
    double w = 0, bed = 0, water = 0;
    for (auto [i, j] : {std::pair{e.i - 1, e.j - 1}, {e.i, e.j - 1}, {e.i, e.j}, {e.i - 1, e.j}}) {
      const Line& l = lines.at({i, j});
      const double wk = 1.0 / std::hypot(l.x - e.x, l.y - e.y);
      w += wk;
      bed += wk * l.bed;
      water += wk * l.water;
    }
    EXPECT_NEAR(v[0], e.x, 1e-6);
    EXPECT_NEAR(v[1], e.y, 1e-6);
    EXPECT_NEAR(v[2], bed / w, 2e-6) << line;
    EXPECT_NEAR(v[3], water / w, 2e-6) << line;
    // no slide movement without F 236; no bed movement; the original bed is
    // the koosurf bed as read, which a flow run leaves as it is; the
    // non-erodible level as the grid set-up puts it, -10 m
    EXPECT_EQ(v[4], 0.0);
    EXPECT_EQ(v[5], 0.0);
    EXPECT_NEAR(v[6], bed / w, 2e-6) << line;
    EXPECT_EQ(v[7], -10.0);
  }
  EXPECT_FALSE(std::getline(in, line)) << line;
}

TEST(InterresCase, SectionOfSpeedsAlongTwoPointsLoadsAsAStructuredGrid) {
  if (!vtkAvailable()) GTEST_SKIP() << "VTK for /usr/bin/python3 is not installed";
  CaseDir dir;
  dir.write("koosurf", exampleKoosurf());
  dir.write("interpol", "M 30.0 5.0\nM 30.0 3.0\n");
  dir.write("control", "F 2 YM\n" + kChannel + "F 309 1\nF 48 12\n");
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  VtkLoad s = loadVtk(dir.path() + "/ParaView2c.vtk", {"Velocities"});
  ASSERT_TRUE(s.ran);
  EXPECT_EQ(s.errors, 0);
  EXPECT_EQ(s.dataset, "vtkStructuredGrid");
  EXPECT_EQ(s.dims, (std::array<int, 3>{12, 2, 1}));  // znumber + 1 levels, two points
  EXPECT_EQ(s.points, 24);
  EXPECT_EQ(s.arrays, (std::vector<std::string>{"Velocities"}));
  // the second point 2 m along the line; the first node at the surface
  EXPECT_DOUBLE_EQ(s.bounds[1], 2.0);
  EXPECT_NEAR(s.coords[0][2], 1.5, 1e-6);
  EXPECT_NEAR(s.coords[12][2], 1.5, 1e-6);
  for (int n = 1; n < 12; ++n) EXPECT_LE(s.coords[n][2], s.coords[n - 1][2]) << n;  // going down
  EXPECT_EQ(s.tuples["Velocities"], 24);
}

namespace {

// The alldata file of the example grid with three bed layers (F 37 3, F 134 3,
// one size): every bed cell gets the layers 0.3 m (bottom), 0.2 m and 0.1 m.
std::string threeLayerAlldata(const std::string& text, int& bedCells) {
  std::istringstream in(text);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  auto tokens = [](const std::string& l) {
    std::istringstream s(l);
    std::vector<std::string> t;
    for (std::string x; s >> x;) t.push_back(x);
    return t;
  };
  auto isInt = [](const std::string& t) { return t.find_first_not_of("-0123456789") == std::string::npos; };
  std::ostringstream out;
  bedCells = 0;
  // a bed-cell record "b lowest bed water x y S0 S1 S2 S3 top" ends its line
  // (records of dry lines without a bed cell, ten values, may stand before it)
  for (std::size_t n = 0; n < lines.size(); ++n) {
    const auto t = tokens(lines[n]);
    const std::size_t k = t.size();
    if (k >= 11 && (k - 11) % 10 == 0 && t[k - 1] == "0" && isInt(t[k - 11]) && std::stoi(t[k - 11]) > 0 &&
        n + 1 < lines.size() && tokens(lines[n + 1]).size() == 2) {
      for (std::size_t m = 0; m + 1 < k; ++m) out << t[m] << " ";
      out << "2\n0.1 1 \n0.2 1 \n0.3 1 \n";
      n += 1;
      ++bedCells;
      continue;
    }
    out << lines[n] << "\n";
  }
  return out.str();
}

const std::string kLayers = "F 37 3\nF 255 5\nF 134 3\nS 1 0.01 2.65\n";

}  // namespace

TEST(BedLayerCase, MiddleRowSectionAndThreeDimensionalFileOfAThreeLayerBed) {
  if (!vtkAvailable()) GTEST_SKIP() << "VTK for /usr/bin/python3 is not installed";
  CaseDir dir;
  dir.write("koosurf", exampleKoosurf());
  // Y then M: the generated bed has one layer per column
  dir.write("control", "F 2 YMJ\n" + kChannel + kLayers + "F 329 1 0 0 0 0 1\n");
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  VtkLoad y = loadVtk(dir.path() + "/ParaBed2D.vtk", {"D50", "Dominant_size"});
  ASSERT_TRUE(y.ran);
  EXPECT_EQ(y.errors, 0);
  EXPECT_EQ(y.dataset, "vtkPolyData");
  EXPECT_EQ(y.cells, 20);  // sum of BlayerTop + 1 over the 20 columns of row 4
  EXPECT_EQ(y.cellArrays, (std::vector<std::string>{"D50", "Dominant_size"}));
  EXPECT_DOUBLE_EQ(y.bounds[2], 5.0);  // row 4 lies between y = 4 m and 6 m
  for (const auto& v : y.values["D50"]) EXPECT_NEAR(v[0], 0.01, 1e-9);

  int bedCells = 0;
  dir.write("alldata", threeLayerAlldata(dir.read("alldata.0"), bedCells));
  ASSERT_EQ(bedCells, 100);
  dir.write("control", "F 2 BM\n" + kChannel + kLayers + "F 329 1 0 0 0 0 1\n");
  std::remove((dir.path() + "/ParaBed2D.vtk").c_str());
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  VtkLoad b = loadVtk(dir.path() + "/ParaBed2D.vtk");
  ASSERT_TRUE(b.ran);
  EXPECT_EQ(b.errors, 0);
  ASSERT_EQ(b.cells, 60);  // three layers in each of the 20 columns
  for (int col = 0; col < 20; ++col) {
    // the stack starts at Surfaces level 3, -10 m at every grid line
    const double s3 = -10.0;
    double height = 0, lowest = 1e9;
    for (int l = 0; l < 3; ++l) {
      const auto& cell = b.cellPoints[3 * col + l];
      double lo = 1e9, hi = -1e9;
      for (long id : cell) lo = std::min(lo, b.coords[id][2]), hi = std::max(hi, b.coords[id][2]);
      height += hi - lo;
      lowest = std::min(lowest, lo);
    }
    EXPECT_NEAR(height, 0.6, 1e-6) << col;
    EXPECT_NEAR(lowest, s3, 1e-5) << col;
  }

  // F 449 0 -10: the 3-D file of block 1
  dir.write("control", "F 2 BM\n" + kChannel + kLayers + "F 329 1 0 0 0 0 1\nF 449 0 -10\n");
  std::remove((dir.path() + "/ParaBed2D.vtk").c_str());
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  EXPECT_FALSE(dir.exists("ParaBed2D.vtk"));
  VtkLoad t = loadVtk(dir.path() + "/ParaBed3D.vtk", {"Sediment_fraction_1"});
  ASSERT_TRUE(t.ran);
  EXPECT_EQ(t.errors, 0);
  EXPECT_EQ(t.dataset, "vtkUnstructuredGrid");
  EXPECT_EQ(t.cells, 300);
  EXPECT_EQ(t.cellTypes[12], 300);
  EXPECT_EQ(t.points, 2400);
  EXPECT_NEAR(t.volume, 1000.0 * 0.6, 1e-3);  // 100 m x 10 m of 0.6 m stacks
  for (const auto& v : t.values["Sediment_fraction_1"]) EXPECT_EQ(v[0], 1.0);

  // rows 1 and -2 write no section
  for (const char* rows : {"F 449 1 1\n", "F 449 -2 -2\n"}) {
    dir.write("control", "F 2 BM\n" + kChannel + kLayers + "F 329 1 0 0 0 0 1\n" + rows);
    ASSERT_EQ(dir.run(), 1) << dir.boogie();
    EXPECT_FALSE(dir.exists("ParaBed2D.vtk")) << rows;
  }
}
