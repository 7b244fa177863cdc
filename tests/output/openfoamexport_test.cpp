// The OpenFOAM export of block 1, after letter Y on the straight channel
// (20 x 5 columns of 1 m, water 1 m deep, 9 cells per column): the case tree,
// the polyMesh files read back and checked, the readers of the format.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "grid/generate.h"
#include "grid/grid_builder.h"
#include "io/kread.h"
#include "io/modelfiles.h"
#include "output/output.h"
#include "output/vtk_reader.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"

namespace {

void channel(InProjectDir& p, const std::string& extra = "") {
  p.dir().write("koosurf", straightChannelKoosurf());
  p.dir().write("control", "F 2 Y\nG 1 23 8 11 1\nT straight channel\n" + extra);
  kread();
  ASSERT_GE(AllocateArrays(1, 1, 1), 0.0);
  readKoosurf();
  Unstructure();
  DischargeStruct[1].discharge = 1000.0;  // l/s
}

// The list of a polyMesh file: the count before '(' and the entries.
std::vector<std::string> listOf(const std::string& text) {
  std::vector<std::string> out;
  const std::size_t stars = text.rfind("* //\n\n", text.find("\n(\n"));
  std::istringstream in(text.substr(stars == std::string::npos ? 0 : stars + 6));
  int n = -1;
  in >> n;
  std::string line;
  std::getline(in, line);
  std::getline(in, line);  // "("
  for (int k = 0; k < n && std::getline(in, line); ++k) out.push_back(line);
  return out;
}

using Vec = std::array<double, 3>;

struct Mesh {
  std::vector<Vec> points;
  std::vector<std::vector<int>> faces;
  std::vector<int> owner, neighbour;
  struct Patch {
    std::string name, type;
    int n = 0, start = 0;
  };
  std::vector<Patch> patches;
};

Mesh readMesh(const CaseDir& d) {
  Mesh m;
  for (const std::string& l : listOf(d.read("constant/polyMesh/points"))) {
    Vec v;
    std::sscanf(l.c_str(), "(%lf %lf %lf)", &v[0], &v[1], &v[2]);
    m.points.push_back(v);
  }
  for (const std::string& l : listOf(d.read("constant/polyMesh/faces"))) {
    int n = 0;
    std::vector<int> p(4);
    if (l[0] == '3') std::sscanf(l.c_str(), "%d(%d %d %d)", &n, &p[0], &p[1], &p[2]);
    else std::sscanf(l.c_str(), "%d(%d %d %d %d)", &n, &p[0], &p[1], &p[2], &p[3]);
    p.resize(n);
    m.faces.push_back(p);
  }
  for (const std::string& l : listOf(d.read("constant/polyMesh/owner"))) m.owner.push_back(std::stoi(l));
  for (const std::string& l : listOf(d.read("constant/polyMesh/neighbour"))) m.neighbour.push_back(std::stoi(l));
  const std::string b = d.read("constant/polyMesh/boundary");
  const std::regex entry(R"((\w+)\n    \{\n        type\s+(\w+);\n(?:.*\n)*?\s+nFaces\s+(\d+);\n\s+startFace\s+(\d+);)");
  for (auto it = std::sregex_iterator(b.begin(), b.end(), entry); it != std::sregex_iterator(); ++it)
    m.patches.push_back({(*it)[1], (*it)[2], std::stoi((*it)[3]), std::stoi((*it)[4])});
  return m;
}

Vec areaVector(const Mesh& m, const std::vector<int>& f) {
  Vec a{0, 0, 0};
  for (std::size_t k = 0; k < f.size(); ++k) {
    const Vec& p = m.points[f[k]];
    const Vec& q = m.points[f[(k + 1) % f.size()]];
    a[0] += 0.5 * (p[1] * q[2] - p[2] * q[1]);
    a[1] += 0.5 * (p[2] * q[0] - p[0] * q[2]);
    a[2] += 0.5 * (p[0] * q[1] - p[1] * q[0]);
  }
  return a;
}

Vec centre(const Mesh& m, const std::vector<int>& f) {
  Vec c{0, 0, 0};
  for (int p : f)
    for (int q = 0; q < 3; ++q) c[q] += m.points[p][q] / f.size();
  return c;
}

// The boundaryField entries of a field file: patch name -> type.
std::map<std::string, std::string> fieldTypes(const std::string& text) {
  std::map<std::string, std::string> out;
  const std::regex entry(R"(\n    (\w+)\n    \{\n        type\s+(\w+);)");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), entry); it != std::sregex_iterator(); ++it)
    out[(*it)[1]] = (*it)[2];
  return out;
}

std::map<std::string, double> checkFoam(const std::string& dir, std::map<std::string, long>& patches) {
  std::map<std::string, double> out;
  const std::string cmd = "/usr/bin/python3 '" TOVAK_SOURCE_DIR "/tests/output/foam_check.py' '" + dir + "' 2>/dev/null";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return out;
  char buf[512];
  while (std::fgets(buf, sizeof buf, p)) {
    std::istringstream in(buf);
    std::string key, name;
    long n;
    in >> key;
    if (key == "patch" && in >> name >> n) patches[name] = n;
    else if (in >> n) out[key] = n;
  }
  if (pclose(p) != 0) out.clear();
  return out;
}

}  // namespace

// The mesh files: every face once, internal faces upper-triangular, each cell
// in six faces and closed, boundary faces pointing out of their cells, the
// patches in their order after the internal faces.
TEST(OpenFoamExport, ChannelMeshFilesAreAValidPolyMesh) {
  InProjectDir p;
  channel(p);
  writeOpenFOAM3();
  const CaseDir& d = p.dir();
  for (const char* f : {"system/blockMeshDict", "system/controlDict", "0/alpha.water", "0/U", "0/k", "0/epsilon",
                        "0/nut", "0/p_rgh", "0/p", "constant/polyMesh/points", "constant/polyMesh/faces",
                        "constant/polyMesh/owner", "constant/polyMesh/neighbour", "constant/polyMesh/boundary",
                        "levels"})
    EXPECT_TRUE(d.exists(f)) << f;
  EXPECT_FALSE(d.exists("faces"));

  const Mesh m = readMesh(d);
  ASSERT_EQ(m.points.size(), 1260u);
  ASSERT_EQ(m.faces.size(), 3025u);
  ASSERT_EQ(m.owner.size(), 3025u);
  ASSERT_EQ(m.neighbour.size(), 2375u);
  for (std::size_t k = 0; k < 2375; ++k) {
    ASSERT_LT(m.owner[k], m.neighbour[k]) << k;
    if (k > 0) {
      ASSERT_TRUE(m.owner[k - 1] < m.owner[k] || (m.owner[k - 1] == m.owner[k] && m.neighbour[k - 1] < m.neighbour[k]))
          << k;
    }
  }
  std::vector<int> faceCount(900, 0);
  std::vector<Vec> sum(900, Vec{0, 0, 0}), cellCentre(900, Vec{0, 0, 0});
  for (int c = 1; c <= 900; ++c) {
    const int corners[8] = {Cpoint1[c], Cpoint2[c], Cpoint3[c], Cpoint4[c], Cpoint5[c], Cpoint6[c], Cpoint7[c], Cpoint8[c]};
    for (int q : corners)
      for (int r = 0; r < 3; ++r) cellCentre[c - 1][r] += Px[q] * (r == 0) + Py[q] * (r == 1) + Pz[q] * (r == 2);
    for (double& v : cellCentre[c - 1]) v /= 8;
  }
  for (std::size_t k = 0; k < m.faces.size(); ++k) {
    const Vec a = areaVector(m, m.faces[k]);
    const int o = m.owner[k];
    ASSERT_GE(o, 0);
    ASSERT_LT(o, 900);
    ++faceCount[o];
    for (int q = 0; q < 3; ++q) sum[o][q] += a[q];
    const Vec fc = centre(m, m.faces[k]);
    const double out = a[0] * (fc[0] - cellCentre[o][0]) + a[1] * (fc[1] - cellCentre[o][1]) + a[2] * (fc[2] - cellCentre[o][2]);
    EXPECT_GT(out, 0.0) << "face " << k << " points into its owner";
    if (k < 2375) {
      const int n = m.neighbour[k];
      ++faceCount[n];
      for (int q = 0; q < 3; ++q) sum[n][q] -= a[q];
    }
  }
  for (int c = 0; c < 900; ++c) {
    EXPECT_EQ(faceCount[c], 6) << c;
    EXPECT_LT(std::fabs(sum[c][0]) + std::fabs(sum[c][1]) + std::fabs(sum[c][2]), 1e-9) << c;
  }
  ASSERT_EQ(m.patches.size(), 6u);
  const Mesh::Patch want[6] = {{"freeSurface", "patch", 100, 2375}, {"inletWater", "patch", 45, 2475},
                               {"outletWater", "patch", 45, 2520},  {"bedWall", "wall", 100, 2565},
                               {"rightSide", "wall", 180, 2665},     {"leftSide", "wall", 180, 2845}};
  for (int k = 0; k < 6; ++k) {
    EXPECT_EQ(m.patches[k].name, want[k].name);
    EXPECT_EQ(m.patches[k].type, want[k].type);
    EXPECT_EQ(m.patches[k].n, want[k].n) << want[k].name;
    EXPECT_EQ(m.patches[k].start, want[k].start) << want[k].name;
  }
  EXPECT_EQ(Fopenfoam[2375], Cflatet[static_cast<int>(zval[2][2][0]) + 8]);
  const std::string b = d.read("constant/polyMesh/boundary");
  EXPECT_NE(b.find("    object       boundary;\n"), std::string::npos);
  EXPECT_NE(d.read("constant/polyMesh/owner").find("note         \"nPoints: 1260 nCells 900 nFaces: 3025 nInternalFaces 2375\";"),
            std::string::npos);
  EXPECT_EQ(d.read("levels").rfind("Cell no.     levels[m]\n1    0.055556\n", 0), 0u);
  EXPECT_EQ(d.read("0/U").substr(0, 60), "/* OpenFOAM U file from TOVAK 2  straight channel  */\n\n/* In");
  // 1 m3/s over the 5 m2 inlet and outlet.
  EXPECT_NE(d.read("0/U").find("/* Inlet area_x:       5.000000000000 m2"), std::string::npos);
  EXPECT_NE(d.read("0/U").find("        value           uniform (0.200000 0 0);"), std::string::npos);
  // Pressure and buoyant pressure share their dimensions.
  EXPECT_NE(d.read("0/p").find("dimensions      [1 -1 -2 0 0 0 0];"), std::string::npos);
  EXPECT_NE(d.read("0/p_rgh").find("dimensions      [1 -1 -2 0 0 0 0];"), std::string::npos);
}

// Every patch has one type in the blockMeshDict, the boundary file and every
// field: constraint types (symmetryPlane, empty) only on patches of that
// type; F 298 1 makes both sides symmetry planes everywhere.
TEST(OpenFoamExport, PatchTypesAgreeInAllFiles) {
  for (const int sides : {0, 1}) {
    SCOPED_TRACE(sides);
    InProjectDir p;
    channel(p, sides ? "F 298 1 1e20 1e20\n" : "");
    ASSERT_EQ(OpenFOAMsides, sides);
    writeOpenFOAM3();
    const Mesh m = readMesh(p.dir());
    std::map<std::string, std::string> type;
    for (const auto& pt : m.patches) type[pt.name] = pt.type;
    EXPECT_EQ(type["rightSide"], sides ? "symmetryPlane" : "wall");
    EXPECT_EQ(type["leftSide"], sides ? "symmetryPlane" : "wall");
    const std::string dict = p.dir().read("system/blockMeshDict");
    for (const auto& [name, t] : type)
      EXPECT_NE(dict.find("   " + name + "\n   {\n      type " + t + ";\n"), std::string::npos) << name;
    for (const char* field : {"alpha.water", "U", "k", "epsilon", "nut", "p_rgh", "p"}) {
      const std::map<std::string, std::string> ft = fieldTypes(p.dir().read(std::string("0/") + field));
      for (const auto& [name, t] : type) {
        ASSERT_TRUE(ft.count(name)) << field << " " << name;
        const std::string& f = ft.at(name);
        const bool constraint = t == "symmetryPlane";
        EXPECT_EQ(f == "symmetryPlane", constraint) << field << " " << name << " " << f;
        EXPECT_NE(f, "empty") << field << " " << name;
      }
    }
  }
}

// VTK's reader of the format loads the case: 900 cells and the six patches;
// OpenFOAM's own checkMesh, when installed, finds the mesh sound.
TEST(OpenFoamExport, ReadersOfTheFormatLoadTheCase) {
  InProjectDir p;
  channel(p);
  writeOpenFOAM3();
  if (vtkAvailable()) {
    std::map<std::string, long> patches;
    const auto v = checkFoam(p.dir().path(), patches);
    ASSERT_FALSE(v.empty());
    EXPECT_EQ(v.at("errors"), 0);
    EXPECT_EQ(v.at("cells"), 900);
    const std::map<std::string, long> want{{"patch/freeSurface", 100}, {"patch/inletWater", 45},
                                           {"patch/outletWater", 45},  {"patch/bedWall", 100},
                                           {"patch/rightSide", 180},    {"patch/leftSide", 180}};
    for (const auto& [name, n] : want) {
      const std::string shortName = name.substr(6);
      const long got = patches.count(name) ? patches.at(name) : patches.count(shortName) ? patches.at(shortName) : -1;
      EXPECT_EQ(got, n) << name;
    }
  }
  if (std::system("command -v checkMesh >/dev/null 2>&1") != 0) GTEST_SKIP() << "checkMesh is not installed";
  // The solver settings are the user's: checkMesh only needs them present.
  p.dir().write("system/fvSchemes", "FoamFile { version 2.0; format ascii; class dictionary; object fvSchemes; }\n"
                                    "ddtSchemes {} gradSchemes {} divSchemes {} laplacianSchemes {}\n"
                                    "interpolationSchemes {} snGradSchemes {}\n");
  p.dir().write("system/fvSolution", "FoamFile { version 2.0; format ascii; class dictionary; object fvSolution; }\n");
  // Debian's package finds its own settings through WM_PROJECT_DIR.
  std::system(("cd '" + p.dir().path() +
               "' && WM_PROJECT_DIR=${WM_PROJECT_DIR:-/usr/share/openfoam} checkMesh -case . > checkMesh.out 2>&1")
                  .c_str());
  const std::string text = p.dir().read("checkMesh.out");
  EXPECT_NE(text.find("Mesh OK."), std::string::npos) << text;
}

// A zero inlet area (every inlet cell above the F 298 inlet level) writes the
// velocity 0 and says so, instead of an infinite velocity.
TEST(OpenFoamExport, ZeroInletAreaWritesZeroVelocity) {
  InProjectDir p;
  channel(p, "F 298 0 -1 1e20\n");
  writeOpenFOAM3();
  const std::string u = p.dir().read("0/U");
  EXPECT_NE(u.find("    inletWater\n    {\n        type            fixedValue;\n        value           uniform (0.000000 0 0);"),
            std::string::npos)
      << u;
  EXPECT_EQ(u.find("uniform (inf"), std::string::npos);
  EXPECT_TRUE(p.dir().boogieHas("Warning: the inlet area of the OpenFOAM export is zero: the inlet velocity is written as 0"));
}

// A dry column inside block 1 leaves walls that are on no patch: the face
// check ends the run (-5) before any file of the case is written.
TEST(OpenFoamExport, DryInteriorColumnIsRefusedBeforeAnyFile) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        InProjectDir p;
        BlockGrid g;
        g.bed = [](int i, int j) { return i >= 9 && i <= 10 && j >= 3 && j <= 4 ? 2.0 : 0.0; };
        g.prepare();
        UnstructureBuild();
        std::atexit([] {
          std::ifstream in("boogie");
          std::cerr << in.rdbuf();
          for (const char* f : {"system", "0", "constant", "levels", "faces"})
            if (std::ifstream(f)) std::cerr << "written " << f << "\n";
          std::cerr << "end\n";
        });
        writeOpenFOAM3();
      },
      ::testing::ExitedWithCode(251),
      "Error in making OpenFOAM 'faces' file\nNoSurfaces = [0-9]+, OpenFOAM surfaces = [0-9]+\n\nnFacesInternal = "
      "[0-9]+, nFacesSurf = 99, nFacesInlet = 45(.|\n)*nFacesBed = 99(.|\n)*\nend");
}

// The boundary patches of blockMeshDict on the straight channel (x 0..20,
// y 0..5, bed 0, water 1 m; 20 x 5 columns of 9 cells): each patch lists the
// faces of its side, four distinct vertices on the side's plane, turned so
// that the face points out of the channel; the areas add up to the side:
// surface and bed 20 x 5 = 100 m2 in 100 faces, inlet and outlet 5 x 1 m2 in
// 45 faces, the two sides 20 x 1 m2 in 180 faces.
TEST(OpenFoamExport, BlockMeshPatchesHoldTheOutwardFacesOfTheirSides) {
  InProjectDir p;
  channel(p);
  writeOpenFOAM3();
  const std::string dict = p.dir().read("system/blockMeshDict");
  Mesh m;
  {
    std::istringstream in(dict.substr(dict.find("vertices        \n(\n") + 19));
    std::string line;
    while (std::getline(in, line) && line != ");") {
      Vec v;
      ASSERT_EQ(std::sscanf(line.c_str(), " (%lf %lf %lf)", &v[0], &v[1], &v[2]), 3) << line;
      m.points.push_back(v);
    }
  }
  ASSERT_EQ(m.points.size(), 1260u);
  struct Side {
    const char* name;
    int axis;
    double plane, sign, area;
    std::size_t faces;
  };
  const Side sides[] = {{"freeSurface", 2, 1.0, 1, 100, 100}, {"inletWater", 0, 0.0, -1, 5, 45},
                        {"outletWater", 0, 20.0, 1, 5, 45},   {"bedWall", 2, 0.0, -1, 100, 100},
                        {"rightSide", 1, 0.0, -1, 20, 180},   {"leftSide", 1, 5.0, 1, 20, 180}};
  for (const Side& s : sides) {
    SCOPED_TRACE(s.name);
    const std::size_t at = dict.find(std::string("   ") + s.name + "\n   {\n");
    ASSERT_NE(at, std::string::npos);
    std::istringstream in(dict.substr(dict.find("      (\n", at) + 8));
    std::string line;
    std::size_t n = 0;
    double total = 0.0;
    while (std::getline(in, line) && line != "      );") {
      std::vector<int> f(4);
      ASSERT_EQ(std::sscanf(line.c_str(), " (%d %d %d %d)", &f[0], &f[1], &f[2], &f[3]), 4) << line;
      ++n;
      for (int a = 0; a < 4; ++a) {
        ASSERT_GE(f[a], 0);
        ASSERT_LT(f[a], 1260);
        EXPECT_NEAR(m.points[f[a]][s.axis], s.plane, 1e-6) << line;
        for (int b = a + 1; b < 4; ++b) EXPECT_NE(f[a], f[b]) << line;
      }
      const double outward = s.sign * areaVector(m, f)[s.axis];
      EXPECT_GT(outward, 0.0) << line;
      total += outward;
    }
    EXPECT_EQ(n, s.faces);
    EXPECT_NEAR(total, s.area, 1e-4);
  }
}
