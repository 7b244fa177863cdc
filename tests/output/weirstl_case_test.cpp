// Run letter Z on the real engine: weir.txt becomes the closed surface
// weir.stl, checked with VTK's own STL reader.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>
#include <string>

#include "output/vtk_reader.h"
#include "output/output.h"
#include "support/case_runner.h"
#include "support/in_dir.h"

namespace {

std::map<std::string, double> checkStl(const std::string& path) {
  std::map<std::string, double> out;
  const std::string cmd = "/usr/bin/python3 '" TOVAK_SOURCE_DIR "/tests/output/stl_check.py' '" + path + "' 2>/dev/null";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return out;
  char buf[512];
  while (std::fgets(buf, sizeof buf, p)) {
    std::istringstream in(buf);
    std::string key;
    double v;
    if (in >> key >> v) out[key] = v;
  }
  if (pclose(p) != 0) out.clear();
  return out;
}

int count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

const char* kSquare = "0 0 0 0 0 1\n1 0 0 1 0 1\n1 1 0 1 1 1\n0 1 0 0 1 1\n";

}  // namespace

// Four stations of a unit square from z 0 to 1: a wall of 8 triangles and two
// caps of 4, closed, enclosing 1 m3.
TEST(WeirStlCase, UnitSquareGivesAClosedUnitVolume) {
  CaseDir dir;
  dir.write("weir.txt", kSquare);
  dir.write("control", "F 2 Z\n");
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  const std::string stl = dir.read("weir.stl");
  EXPECT_EQ(stl.rfind("solid weir_construction\n", 0), 0u);
  EXPECT_EQ(stl.substr(stl.size() - 18), "endsolid tovaksurf");
  EXPECT_EQ(count(stl, " facet normal 0 0 0\n  outer loop\n"), 16);
  // The first wall triangle and the first triangle of each cap, in the
  // order of their corners.
  EXPECT_NE(stl.find("   vertex 0.000000 0.000000 0.000000\n   vertex 0.000000 0.000000 1.000000\n"
                     "   vertex 1.000000 0.000000 0.000000\n"),
            std::string::npos);
  EXPECT_NE(stl.find("   vertex 0.000000 0.000000 0.000000\n   vertex 1.000000 0.000000 0.000000\n"
                     "   vertex 0.500000 0.500000 0.000000\n"),
            std::string::npos);
  EXPECT_NE(stl.find("   vertex 1.000000 0.000000 1.000000\n   vertex 0.000000 0.000000 1.000000\n"
                     "   vertex 0.500000 0.500000 1.000000\n"),
            std::string::npos);
  if (!vtkAvailable()) GTEST_SKIP() << "VTK for /usr/bin/python3 is not installed";
  const auto v = checkStl(dir.path() + "/weir.stl");
  ASSERT_FALSE(v.empty());
  EXPECT_EQ(v.at("errors"), 0);
  EXPECT_EQ(v.at("triangles"), 16);
  EXPECT_EQ(v.at("points"), 10);
  EXPECT_EQ(v.at("boundary"), 0);
  EXPECT_EQ(v.at("nonmanifold"), 0);
  EXPECT_NEAR(v.at("volume"), 1.0, 1e-9);
}

// An empty weir.txt and a missing one: no weir can be made; the run ends
// with a failure and writes no weir.stl.
TEST(WeirStlCase, EmptyAndMissingInput) {
  {
    CaseDir dir;
    dir.write("weir.txt", "");
    dir.write("control", "F 2 Z\n");
    EXPECT_EQ(dir.run(), 252) << dir.boogie();
    EXPECT_TRUE(dir.boogieHas("Error: the weir.txt file holds no station; no weir.stl is written")) << dir.boogie();
    EXPECT_FALSE(dir.exists("weir.stl"));
  }
  CaseDir dir;
  dir.write("control", "F 2 Z\n");
  EXPECT_EQ(dir.run(), 252) << dir.boogie();
  EXPECT_FALSE(dir.exists("weir.stl"));
}

// More than 499 stations: the first 499 are used and the log says so; a
// station that cannot be read ends the list there, with a warning.
TEST(WeirStlCase, LongAndMalformedInputIsReportedAndCut) {
  std::string many;
  for (int k = 0; k < 600; ++k) many += std::to_string(k) + " 0 0 " + std::to_string(k) + " 0 1\n";
  CaseDir dir;
  dir.write("weir.txt", many);
  dir.write("control", "F 2 Z\n");
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  EXPECT_EQ(count(dir.read("weir.stl"), "endfacet"), 4 * 499);
  EXPECT_TRUE(dir.boogieHas("Warning: the weir.txt file has more than 499 stations; only the first 499 are used"))
      << dir.boogie();

  CaseDir bad;
  bad.write("weir.txt", std::string(kSquare) + "2 2 x 2 2 1\n5 5 5 5 5 5\n");
  bad.write("control", "F 2 Z\n");
  // A station that starts as one and then cannot be read is malformed: the run ends.
  EXPECT_EQ(bad.run(), 2) << bad.boogie();
  EXPECT_FALSE(bad.exists("weir.stl"));
  EXPECT_TRUE(bad.boogieHas("At line 5 of the weir.txt file: 2 2 x 2 2 1")) << bad.boogie();
}

// weir.stl cannot be created: the run ends with -3 instead of writing through
// a missing file.
TEST(WeirStlCase, UncreatableOutputEndsTheRun) {
  CaseDir dir;
  dir.write("weir.txt", kSquare);
  dir.mkdir("weir.stl");
  dir.write("control", "F 2 ZM\n");
  EXPECT_EQ(dir.run(), 253) << dir.boogie();
  EXPECT_TRUE(dir.boogieHas("Error: can not open file 'weir.stl' for writing")) << dir.boogie();
}

// Without weir.txt, and with a station short of values, the run ends; a
// footer ends the stations (result 2, the file holds the stations before it).
TEST(WeirStl, ResultTellsMissingAndUnreadableInput) {
  GTEST_FLAG_SET(death_test_style, "fast");
  InProjectDir p;
  EXPECT_EXIT(makeWeirSTL(), ::testing::ExitedWithCode(252), "");
  EXPECT_FALSE(p.dir().exists("weir.stl"));
  p.dir().write("weir.txt", kSquare);
  EXPECT_EQ(makeWeirSTL(), 0);
  p.dir().write("weir.txt", std::string(kSquare) + "1 2 3\n");
  EXPECT_EXIT(makeWeirSTL(), ::testing::ExitedWithCode(2), "");
  p.dir().write("weir.txt", std::string(kSquare) + "end\n");
  EXPECT_EQ(makeWeirSTL(), 2);
  EXPECT_EQ(count(p.dir().read("weir.stl"), "endfacet"), 16);
}
