// Run letter I on the engine: after a k-epsilon flow in the straight channel
// (letter Y, then W), letter I computes the bed concentration and letter M
// writes it with the bed shear 300 k into the plan VTK file (after a flow
// that left no bed cells, letter I numbers them); at every
// column it equals van Rijn's reference concentration computed by hand from
// that shear (constant Shields value 0.05, 0.1 mm grains, a = the half
// height of the bottom cell).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "grid/generate.h"
#include "grid/geometry.h"
#include "io/kread.h"
#include "io/modelfiles.h"
#include "state/arrays.h"
#include "state/options.h"
#include "state/runstate.h"
#include "support/case_runner.h"
#include "support/in_dir.h"

namespace {

const std::string kChannel =
    "F 2 YWIM\nG 1 23 8 12 1\nF 314 1 1\nF 237 1 1.0\nF 237 2 1.0\nK 2 0 0\nF 16 0.05\nK 1 600\n"
    "S 1 0.0001 0.005\nF 11 2.65 0.05\nF 329 0 0 0 0 0 0 1 0 0\nG 24 2 O 0 1 m 0 0\n";

// The value blocks of the SCALARS sections of a legacy VTK file, in order.
std::vector<std::vector<double>> scalarBlocks(const std::string& text) {
  std::vector<std::vector<double>> out;
  std::istringstream in(text);
  std::string word;
  while (in >> word) {
    if (word == "SCALARS") {
      out.emplace_back();
      in >> word >> word >> word >> word;  // name, type, LOOKUP_TABLE default
      continue;
    }
    if (out.empty() || word == "VECTORS") {
      if (word == "VECTORS") break;
      continue;
    }
    out.back().push_back(std::stod(word));
  }
  return out;
}

// Half height of the bottom cells of the channel's grid, generated in
// process from the same files.
double bottomHalfHeight(const CaseDir& dir) {
  InProjectDir p;
  p.dir().write("koosurf", dir.read("koosurf"));
  p.dir().write("control", dir.read("control"));
  kread();
  if (AllocateArrays(1, 1, 1) < 0.0) return -1.0;
  readKoosurf();
  Unstructure();
  metric();
  BedMake();
  if (NoBCells < 1) return -1.0;
  const double a = Ckdist[Bcellt[1]];
  for (int b = 1; b <= NoBCells; ++b)
    if (std::fabs(Ckdist[Bcellt[b]] - a) > 1e-9 * a) return -1.0;
  return a;
}

// The straight channel of the sediment runs (three grain sizes, fixed lid).
const std::string kSedimentChannel = "G 1 23 8 12 3\nF 314 1 1\nF 237 1 1.0\nF 237 2 1.0\nK 2 0 0\nF 16 0.05\n";

// Computes the flow of that channel in dir and leaves it as the `result` file
// that letter R reads; false when the run did not end normally.
bool writeChannelFlow(CaseDir& dir) {
  dir.write("koosurf", straightChannelKoosurf());
  dir.write("control", "F 2 YWM\n" + kSedimentChannel + "K 1 600\n");
  if (dir.run() != 1) return false;
  dir.write("result", dir.read("result.end"));
  return true;
}

}  // namespace

TEST(BedConcentrationCase, LetterIGivesVanRijnFromTheBottomCellsK) {
  CaseDir dir;
  dir.write("koosurf", straightChannelKoosurf());
  dir.write("control", kChannel);
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  // the plan file of the letter M (numbered in a steady run)
  ASSERT_TRUE(dir.exists("pav2_00000.vtk")) << dir.boogie();
  const std::vector<std::vector<double>> blocks = scalarBlocks(dir.read("pav2_00000.vtk"));
  ASSERT_EQ(blocks.size(), 2u);
  ASSERT_EQ(blocks[0].size(), blocks[1].size());
  const double a = bottomHalfHeight(dir);
  ASSERT_GT(a, 0.0);

  const double d = 0.0001, tauc = 0.05 * 1.65 * 9810.0 * d;
  const double Dstar = d * std::pow(1.65 * 9.81e12, 0.3333);
  int moving = 0;
  for (std::size_t n = 0; n < blocks[0].size(); ++n) {
    const double C = blocks[0][n], tau = blocks[1][n];
    if (tau <= tauc * 1.001) {
      EXPECT_LE(C, 1e-6) << "point " << n;
      continue;
    }
    ++moving;
    const double T = (tau - tauc) / tauc;
    const double hand = 0.015 * d * std::pow(T, 1.5) / (std::pow(Dstar, 0.3) * a);
    EXPECT_NEAR(C / hand, 1.0, 3e-5 + 1e-5 / T) << "point " << n << " tau " << tau;
  }
  EXPECT_GT(moving, static_cast<int>(blocks[0].size()) / 2);
}

// Letter I with F 90 3 on the channel's fixed bed (no movable layer before a
// sediment run): no bed forms, and the roughness of the fixed bed, d90 with
// F 103 0 and the wall roughness of F 16 with F 103 1, at every column.
TEST(BedConcentrationCase, LetterIGivesTheFixedBedItsRoughnessByF103) {
  for (const auto& [flag, ks] : {std::pair{0, 0.0001}, std::pair{1, 0.05}}) {
    CaseDir dir;
    dir.write("koosurf", straightChannelKoosurf());
    dir.write("control", kChannel.substr(0, kChannel.find("G 24")) + "F 90 3\nF 103 " + std::to_string(flag) +
                             "\nG 24 2 b 0 0 r 0 0\n");
    ASSERT_EQ(dir.run(), 1) << dir.boogie();
    ASSERT_TRUE(dir.exists("pav2_00000.vtk")) << dir.boogie();
    const std::vector<std::vector<double>> blocks = scalarBlocks(dir.read("pav2_00000.vtk"));
    ASSERT_EQ(blocks.size(), 2u);
    ASSERT_EQ(blocks[1].size(), 154u);
    for (std::size_t n = 0; n < blocks[1].size(); ++n) {
      EXPECT_EQ(blocks[0][n], 0.0) << "F 103 " << flag << " point " << n;
      EXPECT_NEAR(blocks[1][n], ks, 1e-9) << "F 103 " << flag << " point " << n;
    }
  }
}

// A whole sediment run on a frozen flow: the channel's flow from letter W,
// read back by R, then ten steps of a minute of three grain sizes under
// F 37 1 with the in-place corner update (F 68 2). The inflow brings 0.0005
// of each size, more than the flow carries, so the bed rises along the
// whole channel, most at the inlet and less with every column downstream;
// the coarse size settles first and takes a larger share of the active
// layer at the inlet; every column's fractions still sum to one. (The flow
// read by R is the flow of the run: the start-up carries no field over from
// a grid before it, which would leave still water.)
TEST(BedConcentrationCase, ASedimentRunOfThreeSizesRaisesTheBedWhereTheInflowBringsMore) {
  CaseDir dir;
  ASSERT_TRUE(writeChannelFlow(dir)) << dir.boogie();
  dir.write("control", "F 2 YRS\n" + kSedimentChannel +
                           "F 37 1\nF 68 2\nF 33 60 1\nK 1 10\n"
                           "S 1 0.0004 0.055\nS 2 0.0002 0.022\nS 3 0.0001 0.007\n"
                           "N 0 1 0.3\nN 0 2 0.4\nN 0 3 0.3\nF 11 2.65 0.05\nF 106 0.01\n"
                           "M 1 1 0.0005\nM 1 2 0.0005\nM 1 3 0.0005\n"
                           "F 329 0 0 0 0 0 0 1 0 0\nG 24 5 U 0 0 l 0 0 f 1 1 f 1 2 f 1 3\n");
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  const std::string log = dir.boogie();
  EXPECT_NE(log.find("Have written con2res file"), std::string::npos) << log;
  EXPECT_EQ(log.find("Error"), std::string::npos) << log;
  EXPECT_EQ(log.find("Warning"), std::string::npos) << log;
  EXPECT_TRUE(dir.exists("con2res.new"));
  ASSERT_TRUE(dir.exists("pav2_00000.vtk")) << log;
  const std::string vtk = dir.read("pav2_00000.vtk");
  EXPECT_NE(vtk.find(" 600.000000 seconds"), std::string::npos) << "ten steps of 60 s";

  // Plan points: 22 along the channel (x = 0, 0.5, 1.5, .., 20) by 7 across.
  const std::vector<std::vector<double>> b = scalarBlocks(vtk);
  ASSERT_EQ(b.size(), 5u);
  const std::vector<double>&move = b[0], &thick = b[1];
  ASSERT_EQ(move.size(), 154u);
  for (int p = 0; p < 154; ++p) {
    const int i = p % 22;
    SCOPED_TRACE("plan point " + std::to_string(p));
    EXPECT_NEAR(b[2][p] + b[3][p] + b[4][p], 1.0, 1e-5);
    if (i <= 1) {
      EXPECT_GT(move[p], 1e-3);  // the first column rises by millimetres in the last step
      EXPECT_GT(move[p], 10 * move[p - i + 21]);
      EXPECT_GT(thick[p], thick[p - i + 21] + 0.03);
      EXPECT_GT(b[2][p], 0.5);  // the coarse size gains on its 0.3 at the start
    } else {
      EXPECT_GT(move[p], 0.0);
      EXPECT_LE(move[p], move[p - 1] * (1 + 1e-9));  // less deposit with every column downstream
    }
  }
}

// A whole sediment run with the bed exchange of F 37 2 on a flow computed in
// every step: the channel's flow from letter W, read back by R, then five
// steps of a minute of three grain sizes under clear-water inflow, with the
// default bed change to the grid corners and a new grid every step. The
// inflow picks sediment up from the bed, so the bed goes down in the first
// columns; each step's grid is generated anew (logged with its cell count
// under the debug letter D) and the run ends normally.
TEST(BedConcentrationCase, AnExchangeRunUnderClearWaterLowersTheBedNearTheInflow) {
  CaseDir dir;
  ASSERT_TRUE(writeChannelFlow(dir)) << dir.boogie();
  dir.write("control", "F 2 YRS\nF 1 D\n" + kSedimentChannel +
                           "F 37 2\nF 33 60 5\nK 1 10\nF 4 3 20\n"
                           "S 1 0.0004 0.055\nS 2 0.0002 0.022\nS 3 0.0001 0.007\n"
                           "N 0 1 0.3\nN 0 2 0.4\nN 0 3 0.3\nF 11 2.65 0.05\nF 106 0.01\n"
                           "F 329 0 0 0 0 0 0 1 0 0\nG 24 5 U 0 0 l 0 0 f 1 1 f 1 2 f 1 3\n");
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  const std::string log = dir.boogie();
  EXPECT_NE(log.find("Have written con2res file"), std::string::npos) << log;
  EXPECT_EQ(log.find("Error"), std::string::npos) << log;
  int grids = 0;
  for (size_t at = log.find("End Unstructure"); at != std::string::npos; at = log.find("End Unstructure", at + 1)) {
    int cells = 0;
    EXPECT_EQ(std::sscanf(log.c_str() + at, "End Unstructure %d cells", &cells), 1);
    EXPECT_GT(cells, 0);
    ++grids;
  }
  EXPECT_GE(grids, 5) << log;
  ASSERT_TRUE(dir.exists("pav2_00000.vtk")) << log;
  const std::vector<std::vector<double>> b = scalarBlocks(dir.read("pav2_00000.vtk"));
  ASSERT_EQ(b.size(), 5u);
  const std::vector<double>& move = b[0];
  ASSERT_EQ(move.size(), 154u);
  for (int p = 0; p < 154; ++p) {
    SCOPED_TRACE("plan point " + std::to_string(p));
    if (p % 22 <= 1 && p / 22 >= 1 && p / 22 <= 5) {
      EXPECT_LT(move[p], 0.0);
    }
    EXPECT_NEAR(b[2][p] + b[3][p] + b[4][p], 1.0, 1e-5);
  }
}
