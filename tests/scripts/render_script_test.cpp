// scripts/render.py, the pictures of a result: on a small box whose velocity
// magnitude is known everywhere, the colours of the section and the plan view
// are read back from the PNG files and compared with the picture's own colour
// bar; the newest result file is the one drawn; a project without one is told
// how to get it.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/case_runner.h"

namespace {

const std::string kScript = std::string(TOVAK_SOURCE_DIR) + "/scripts/render.py";
const std::string kProbe = std::string(TOVAK_SOURCE_DIR) + "/tests/scripts/png_probe.py";

bool canRender() {
  if (std::system("/usr/bin/python3 -c 'import vtk' >/dev/null 2>&1") != 0) return false;
  return std::getenv("DISPLAY") != nullptr || std::system("command -v Xvfb >/dev/null 2>&1") == 0;
}

// A box 20 m long, 4 m wide and 1 m deep in two hexahedra, along x (or, with
// alongY, along y). The velocity magnitude at the grid points is
// s = z + w/4 + l/20, l the distance along the box and w across it from the
// side w = 0 (0 at the upstream end of the bed of that side, 3 at the
// downstream end of the top of the other); on the side w = 4 the velocity
// points 53 degrees off the long axis, so that its component along the box
// alone is not s.
std::string boxVtk(bool alongY = false) {
  std::ostringstream s;
  s << "# vtk DataFile Version 2.0\nTOVAK 2 test box   0.000000 seconds\nASCII\nDATASET UNSTRUCTURED_GRID\n";
  s << "POINTS 12 double\n";
  for (int k = 0; k < 2; ++k)
    for (int j = 0; j < 2; ++j)
      for (int i = 0; i < 3; ++i) {
        if (alongY) s << 4 * j << " " << 10 * i << " " << k << "\n";
        else s << 10 * i << " " << 4 * j << " " << k << "\n";
      }
  auto p = [](int i, int j, int k) { return i + 3 * (j + 2 * k); };
  s << "CELLS 2 18\n";
  for (int i = 0; i < 2; ++i)
    s << "8 " << p(i, 0, 0) << " " << p(i + 1, 0, 0) << " " << p(i + 1, 1, 0) << " " << p(i, 1, 0) << " "
      << p(i, 0, 1) << " " << p(i + 1, 0, 1) << " " << p(i + 1, 1, 1) << " " << p(i, 1, 1) << "\n";
  s << "CELL_TYPES 2\n12\n12\nPOINT_DATA 12\nVECTORS Velocity float\n";
  for (int k = 0; k < 2; ++k)
    for (int j = 0; j < 2; ++j)
      for (int i = 0; i < 3; ++i) {
        const double speed = k + j + 0.5 * i;  // z + w/4 + l/20 at z = k, w = 4 j, l = 10 i
        const double along = j == 0 ? speed : 0.6 * speed, across = j == 0 ? 0.0 : 0.8 * speed;
        if (alongY) s << across << " " << along << " 0\n";
        else s << along << " " << across << " 0\n";
      }
  return s.str();
}

struct ColourRun {
  int top, bottom, across;
  std::array<int, 3> first, last, left, right;
};
struct Probe {
  int width = 0, height = 0;
  std::vector<ColourRun> runs;
  std::map<std::string, std::array<int, 3>> bar;
};

Probe probe(const std::string& png, const std::vector<std::string>& fractions) {
  std::string cmd = "/usr/bin/python3 '" + kProbe + "' '" + png + "'";
  for (const auto& f : fractions) cmd += " " + f;
  const CommandOutput o = runCommand(cmd);
  Probe out;
  std::istringstream lines(o.text);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream in(line);
    std::string key;
    in >> key;
    if (key == "size") {
      in >> out.width >> out.height;
    } else if (key == "run") {
      ColourRun r{};
      in >> r.top >> r.bottom >> r.across;
      for (int& c : r.first) in >> c;
      for (int& c : r.last) in >> c;
      for (int& c : r.left) in >> c;
      for (int& c : r.right) in >> c;
      out.runs.push_back(r);
    } else if (key == "bar") {
      std::string f;
      std::array<int, 3> c{};
      in >> f >> c[0] >> c[1] >> c[2];
      out.bar[f] = c;
    }
  }
  return out;
}

// Largest channel difference of two colours.
int colourDistance(const std::array<int, 3>& a, const std::array<int, 3>& b) {
  int d = 0;
  for (int k = 0; k < 3; ++k) d = std::max(d, std::abs(a[k] - b[k]));
  return d;
}

std::string colourText(const std::array<int, 3>& c) {
  return std::to_string(c[0]) + " " + std::to_string(c[1]) + " " + std::to_string(c[2]);
}

}  // namespace

// One colour scale for both pictures, 0..3 over the whole box; fractions of
// the bar below.
// Along x: the section through y = 2 shows s = z + 0.5 + x/20: in the middle
// (x = 10) 2 (2/3) at the top and 1 (1/3) at the bed; at mid-depth 1 (1/3) at
// the left end x = 0 and 2 (2/3) at the right end x = 20. The depth is drawn
// 5 times (the least of 1, 2, 5, 10, ... that makes it at least 20 m / 8), so
// the coloured part is 5 m high for 20 m across. The plan view from above
// shows the top z = 1, s = 1 + y/4 + x/20: in the middle 2.5 (5/6) along
// y = 4 at the top of the picture and 1.5 (1/2) along y = 0 at its bottom,
// at y = 2 1.5 (1/2) at the left end and 2.5 (5/6) at the right end; true to
// scale, 4 m high for 20 m across.
// Along y: the section runs along y through x = 2, its colours and shape
// those of the section along x; the plan view, x to the right and y up, is
// 20 m high for 4 m across (at most 900 pixels high) and shows
// s = 1 + x/4 + y/20, 2.5 and 1.5 at the top and the bottom of its middle,
// 1.5 and 2.5 at the left and right ends of its middle row.
TEST(RenderScript, ColoursAreTheVelocityMagnitudeOnTheSharedScaleOfTheBar) {
  if (!canRender()) GTEST_SKIP() << "VTK for /usr/bin/python3 or a display (Xvfb) is missing";
  struct Row {
    bool alongY;
    const char* picture;
    std::array<const char*, 4> fractions;  // top, bottom, left, right
    double heightPerWidth;
  };
  const Row table[] = {
      {false, "velocity_section.png", {"0.6667", "0.3333", "0.3333", "0.6667"}, 5.0 / 20.0},
      {false, "velocity_plan.png", {"0.8333", "0.5", "0.5", "0.8333"}, 4.0 / 20.0},
      {true, "velocity_section.png", {"0.6667", "0.3333", "0.3333", "0.6667"}, 5.0 / 20.0},
      {true, "velocity_plan.png", {"0.8333", "0.5", "0.5", "0.8333"}, 20.0 / 4.0}};
  for (const bool alongY : {false, true}) {
    CaseDir project;
    project.write("ParaView3U.vtk", boxVtk(alongY));
    const std::string out = project.path() + "/pictures";
    const CommandOutput o = runCommand("'" + kScript + "' '" + project.path() + "' '" + out + "'");
    ASSERT_EQ(o.status, 0) << o.text;
    EXPECT_EQ(o.text, "read " + project.path() + "/ParaView3U.vtk\n" + out + "/velocity_section.png\n" + out +
                          "/velocity_plan.png\n");
    for (const Row& row : table) {
      if (row.alongY != alongY) continue;
      SCOPED_TRACE(std::string(alongY ? "along y, " : "along x, ") + row.picture);
      const Probe p = probe(out + "/" + row.picture, {row.fractions.begin(), row.fractions.end()});
      // The data above, the colour bar below, nothing else coloured.
      ASSERT_EQ(p.runs.size(), 2u);
      const ColourRun& data = p.runs[0];
      const int height = data.bottom - data.top + 1;
      EXPECT_LT(data.bottom, p.runs[1].top);
      EXPECT_LE(height, 900);
      EXPECT_NEAR(static_cast<double>(height) / data.across, row.heightPerWidth, 0.02 * row.heightPerWidth);
      const std::array<std::array<int, 3>, 4> seen = {data.first, data.last, data.left, data.right};
      const char* where[] = {"top", "bottom", "left", "right"};
      for (int k = 0; k < 4; ++k) {
        const auto bar = p.bar.at(row.fractions[k]);
        EXPECT_LE(colourDistance(seen[k], bar), 12)
            << where[k] << ": " << colourText(seen[k]) << " against " << colourText(bar) << " at "
            << row.fractions[k] << " of the bar";
      }
    }
  }
}

// Of ParaView3U.vtk and the numbered paru3_NNNNN.vtk the newer one is drawn.
TEST(RenderScript, TheNewestResultFileIsDrawn) {
  if (!canRender()) GTEST_SKIP() << "VTK for /usr/bin/python3 or a display (Xvfb) is missing";
  for (const bool numberedNewer : {true, false}) {
    SCOPED_TRACE(numberedNewer ? "numbered file newer" : "single file newer");
    CaseDir project;
    project.write("ParaView3U.vtk", boxVtk());
    project.write("paru3_00002.vtk", boxVtk());
    const std::string older = project.path() + (numberedNewer ? "/ParaView3U.vtk" : "/paru3_00002.vtk");
    const utimbuf past{1000000000, 1000000000};
    ASSERT_EQ(utime(older.c_str(), &past), 0);
    const CommandOutput o = runCommand("'" + kScript + "' '" + project.path() + "'");
    ASSERT_EQ(o.status, 0) << o.text;
    const std::string newer = numberedNewer ? "paru3_00002.vtk" : "ParaView3U.vtk";
    EXPECT_EQ(o.text.rfind("read " + project.path() + "/" + newer + "\n", 0), 0u) << o.text;
    EXPECT_TRUE(project.exists("velocity_section.png"));
    EXPECT_TRUE(project.exists("velocity_plan.png"));
  }
}

TEST(RenderScript, AProjectWithoutAResultFileIsToldHowToWriteIt) {
  CaseDir project;
  project.write("ParaView3Ux.vtk", boxVtk());  // not a name the engine writes
  const CommandOutput o = runCommand("'" + kScript + "' '" + project.path() + "'");
  EXPECT_EQ(o.status, 2) << o.text;
  EXPECT_NE(o.text.find("set the sixth integer of F 329 in the control file to 1"), std::string::npos) << o.text;
  EXPECT_FALSE(project.exists("velocity_section.png"));
  EXPECT_EQ(runCommand("'" + kScript + "'").status, 2);
}

// The vertical scale of the section: the least of 1, 2, 5, 10, 20, 50, ...
// that is at least the asked ratio.
TEST(RenderScript, VerticalScaleIsTheNextRoundFactor) {
  if (std::system("/usr/bin/python3 -c 'import vtk' >/dev/null 2>&1") != 0) GTEST_SKIP() << "no VTK";
  const std::vector<std::pair<const char*, const char*>> rows = {
      {"0.3", "1"}, {"1", "1"}, {"1.01", "2"}, {"2", "2"}, {"2.5", "5"},
      {"5", "5"},   {"7", "10"}, {"12.5", "20"}, {"20", "20"}, {"21", "50"}, {"600", "1000"}};
  for (const auto& [ratio, factor] : rows) {
    const CommandOutput o = runCommand("/usr/bin/python3 -c \"import sys; sys.path.insert(0, '" +
                                std::string(TOVAK_SOURCE_DIR) + "/scripts'); import render; print(render.nice_factor(" +
                                ratio + "))\"");
    ASSERT_EQ(o.status, 0) << o.text;
    EXPECT_EQ(o.text, std::string(factor) + "\n") << "ratio " << ratio;
  }
}

namespace {

// The box of boxVtk with one scalar array more, whose value at every grid
// point is the velocity magnitude s there.
std::string boxVtkWithScalar(const std::string& name) {
  std::ostringstream s;
  s << boxVtk() << "\nSCALARS " << name << " float\nLOOKUP_TABLE default\n";
  for (int k = 0; k < 2; ++k)
    for (int j = 0; j < 2; ++j)
      for (int i = 0; i < 3; ++i) s << k + j + 0.5 * i << "\n";
  return s.str();
}

}  // namespace

// --field draws a scalar array of the file in place of the velocity: with
// the array equal to the velocity magnitude, the pictures show the colours of
// the velocity pictures at the same places, under the field's own names.
TEST(RenderScript, AFieldIsDrawnFromItsArray) {
  if (!canRender()) GTEST_SKIP() << "VTK for /usr/bin/python3 or a display (Xvfb) is missing";
  const std::vector<std::pair<std::string, std::string>> fields = {
      {"bed", "Bed_level"}, {"bedchange", "Bed_movement"}, {"conc2", "Sediment_conc_size_2"}};
  for (const auto& [field, array] : fields) {
    SCOPED_TRACE(field);
    CaseDir project;
    // Another array first, of other values, which must not be drawn.
    project.write("ParaView3U.vtk", boxVtkWithScalar(array) + "\nSCALARS Other float\nLOOKUP_TABLE default\n" +
                                        std::string("7\n8\n9\n7\n8\n9\n7\n8\n9\n7\n8\n9\n"));
    const CommandOutput o = runCommand("'" + kScript + "' --field " + field + " '" + project.path() + "'");
    ASSERT_EQ(o.status, 0) << o.text;
    EXPECT_EQ(o.text, "read " + project.path() + "/ParaView3U.vtk\n" + project.path() + "/" + field +
                          "_section.png\n" + project.path() + "/" + field + "_plan.png\n");
    const Probe p = probe(project.path() + "/" + field + "_section.png", {"0.6667", "0.3333"});
    ASSERT_EQ(p.runs.size(), 2u);
    EXPECT_LE(colourDistance(p.runs[0].first, p.bar.at("0.6667")), 12) << colourText(p.runs[0].first);
    EXPECT_LE(colourDistance(p.runs[0].last, p.bar.at("0.3333")), 12) << colourText(p.runs[0].last);
  }
}

// A field the file does not hold is told with the G 24 entry that writes it;
// an unknown field with the list of fields.
TEST(RenderScript, AMissingFieldIsToldHowToWriteIt) {
  CaseDir project;
  project.write("ParaView3U.vtk", boxVtk());
  const std::vector<std::pair<std::string, std::string>> rows = {
      {"bed", "'z 1 0'"}, {"bedchange", "'s 1 0'"}, {"depth", "'y 1 0'"}, {"level", "'v 1 0'"}, {"conc3", "'c 1 3'"}};
  if (std::system("/usr/bin/python3 -c 'import vtk' >/dev/null 2>&1") == 0 && canRender())
    for (const auto& [field, entry] : rows) {
      const CommandOutput o = runCommand("'" + kScript + "' --field " + field + " '" + project.path() + "'");
      EXPECT_EQ(o.status, 2) << o.text;
      EXPECT_NE(o.text.find("add the entry " + entry + " to the G 24 data set"), std::string::npos) << o.text;
    }
  const CommandOutput o = runCommand("'" + kScript + "' --field speed '" + project.path() + "'");
  EXPECT_EQ(o.status, 2) << o.text;
  EXPECT_NE(o.text.find("unknown field 'speed'"), std::string::npos) << o.text;
  EXPECT_FALSE(project.exists("speed_section.png"));
}
