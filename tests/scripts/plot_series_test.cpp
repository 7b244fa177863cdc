// scripts/plot_series.py: the readers of timeo and of the engine's VTK
// files, the line along the middle of a grid, and the pictures of a project.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "support/case_runner.h"

namespace {

const std::string kScripts = std::string(TOVAK_SOURCE_DIR) + "/scripts";

bool haveMatplotlib() { return std::system("/usr/bin/python3 -c 'import matplotlib' >/dev/null 2>&1") == 0; }

// Runs python code with plot_series importable.
CommandOutput python(const std::string& code) {
  return runCommand("cd '" + kScripts + "' && /usr/bin/python3 -c \"import plot_series as p\n" + code + "\"");
}

// A grid of 3 x 3 columns (x = 0, 5, 10; y = 0, 1, 2) and two levels
// (z = bed and bed + 1) as the engine's 3-D VTK file, with the bed level
// b + x/10 at every point and the time given.
std::string gridVtk(double time, double b) {
  std::ostringstream s;
  s << "# vtk DataFile Version 2.0\nTOVAK 2 test grid " << time << " seconds\nASCII\nDATASET UNSTRUCTURED_GRID\n";
  s << "POINTS 18 double\n";
  for (int k = 0; k < 2; ++k)
    for (int j = 0; j < 3; ++j)
      for (int i = 0; i < 3; ++i) s << 5 * i << " " << j << " " << b + 0.5 * i + k << "\n";
  auto p = [](int i, int j, int k) { return i + 3 * j + 9 * k; };
  s << "CELLS 4 36\n";
  for (int j = 0; j < 2; ++j)
    for (int i = 0; i < 2; ++i)
      s << "8 " << p(i, j, 0) << " " << p(i + 1, j, 0) << " " << p(i + 1, j + 1, 0) << " " << p(i, j + 1, 0) << " "
        << p(i, j, 1) << " " << p(i + 1, j, 1) << " " << p(i + 1, j + 1, 1) << " " << p(i, j + 1, 1) << "\n";
  s << "CELL_TYPES 4\n12\n12\n12\n12\nPOINT_DATA 18\nVECTORS Velocity float\n";
  for (int n = 0; n < 18; ++n) s << "1 0 0\n";
  s << "\nSCALARS Bed_level float\nLOOKUP_TABLE default\n";
  for (int k = 0; k < 2; ++k)
    for (int j = 0; j < 3; ++j)
      for (int i = 0; i < 3; ++i) s << b + 0.5 * i << "\n";
  return s.str();
}

}  // namespace

// The numeric lines of timeo: the time first, then the values; the "Cont:"
// lines of the f entry and blank lines are left out.
TEST(PlotSeriesScript, TimeoLinesAreTheTimeAndItsValues) {
  CaseDir dir;
  dir.write("timeo", "6.0000e+01 -2.5e-04 1.5 \nCont: B I O R 1 2 3 4\n\n1.2000e+02 -5.0e-04 2.5 \n");
  const CommandOutput o = python("t, r = p.read_timeo('" + dir.path() + "/timeo')\nprint(t, r)");
  ASSERT_EQ(o.status, 0) << o.text;
  EXPECT_EQ(o.text, "[60.0, 120.0] [[-0.00025, 1.5], [-0.0005, 2.5]]\n");
}

// The line along the middle of the grid: one point per distance along the
// longer side, on the middle column across (y = 1), the lowest of it.
TEST(PlotSeriesScript, TheCentreLineTakesTheMiddleColumnAtTheBed) {
  CaseDir dir;
  dir.write("g.vtk", gridVtk(0.0, 2.0));
  const CommandOutput o = python("d = p.read_vtk('" + dir.path() +
                          "/g.vtk')\na, idx, axis = p.centre_line(d['points'])\n"
                          "print(a, axis, [d['points'][n] for n in idx], [d['point']['Bed_level'][n] for n in idx])");
  ASSERT_EQ(o.status, 0) << o.text;
  EXPECT_EQ(o.text,
            "[0.0, 5.0, 10.0] x [(0.0, 1.0, 2.0), (5.0, 1.0, 2.5), (10.0, 1.0, 3.0)] [2.0, 2.5, 3.0]\n");
  // The time of the file's second line.
  const CommandOutput t = python("print(p.vtk_time(p.read_vtk('" + dir.path() + "/g.vtk')))");
  EXPECT_EQ(t.text, "0.0\n");
}

// A project with two numbered VTK files gets its profile picture; a field
// the files do not hold is told with its G 24 entry, a missing timeo with
// what writes it.
TEST(PlotSeriesScript, AProjectGetsItsProfileOrIsToldWhatIsMissing) {
  if (!haveMatplotlib()) GTEST_SKIP() << "no matplotlib for /usr/bin/python3";
  CaseDir dir;
  dir.write("paru3_00000.vtk", gridVtk(3600.0, 0.0));
  dir.write("paru3_00001.vtk", gridVtk(7200.0, 0.1));
  const std::string script = "'" + kScripts + "/plot_series.py'";
  CommandOutput o = runCommand(script + " profile --field bed '" + dir.path() + "'");
  ASSERT_EQ(o.status, 0) << o.text;
  EXPECT_EQ(o.text, dir.path() + "/profile_bed.png\n");
  EXPECT_TRUE(dir.exists("profile_bed.png"));
  o = runCommand(script + " profile '" + dir.path() + "' --field depth");
  EXPECT_EQ(o.status, 2) << o.text;
  EXPECT_NE(o.text.find("add the entry 'y 1 0' to the G 24 data set"), std::string::npos) << o.text;
  o = runCommand(script + " timeo '" + dir.path() + "'");
  EXPECT_EQ(o.status, 2) << o.text;
  EXPECT_NE(o.text.find("no timeo file"), std::string::npos) << o.text;
  EXPECT_EQ(runCommand(script).status, 2);
}
