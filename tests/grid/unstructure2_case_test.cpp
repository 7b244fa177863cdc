// The second grid generator (F 488) and the refined block (F 130) on the real
// engine: the straight channel generated with Y, written with M and computed
// with W. Each cross-section must pass the inflow; the grids are generated a
// second time in-process to find the faces of each section.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "grid/generate.h"
#include "grid/geometry.h"
#include "grid/grid_builder.h"
#include "io/kread.h"
#include "io/modelfiles.h"
#include "output/vtk_reader.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/case_runner.h"
#include "support/in_dir.h"
#include "support/validation.h"

namespace {

// 1 m3/s in group 1 (west end) and group 2 (east end), fixed lid, constant
// eddy viscosity; the p' equation solved with 200 sweeps.
const std::string kFlow =
    "F 314 1 1\nF 237 1 1.0\nF 237 2 1.0\nK 2 0 0\nF 24 6\nF 293 1\nK 1 2000\nK 4 1 1 1 200 1 1\n";
const std::string kTable = "F 488 1\nF 509 0.3\nG 3 0 0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8 0.9 1.0\n";
// The window column (10, 4) with its ring; the connector columns have one
// neighbour in their block, so F 159 1st is 0.
const std::string kRefined = "G 1 23 20 11 1\nF 130 10 10 4 4\nF 159 0 0 0 1 0\nW 1 50 1 1.0\n";

struct EngineRun {
  CaseDir dir;
  int status = -1;
  explicit EngineRun(const std::string& control) {
    dir.write("koosurf", straightChannelKoosurf());
    dir.write("control", control);
    status = dir.run({"OMP_WAIT_POLICY=passive"});
  }
};

// Regenerates the grid of a control file in-process, with its geometry.
void regenerate(InProjectDir& p, const std::string& control) {
  p.dir().write("koosurf", straightChannelKoosurf());
  p.dir().write("control", control);
  kread();
  ASSERT_GE(AllocateArrays(1, 1, 1), 0.0);
  readKoosurf();
  Unstructure();
  metric();
}

// Discharge (kg/s) through the planes x = 1 .. 19 m: inner faces with an x
// normal whose corners all lie in the plane; of two joined duplicate faces
// only the first counts.
std::map<int, double> crossSections(const std::map<int, double>& flux) {
  std::set<int> second;
  for (int r = 1; r <= NoConnFlate && r < MaxConnFlate; ++r) second.insert(connFlate[r][1]);
  std::map<int, double> planes;
  for (int s = 1; s <= NoSurfaces; ++s) {
    if (Fcell1[s] == 0 || Fcell2[s] == 0 || second.count(s) || std::fabs(Fax[s]) < 0.5 * Farea[s]) continue;
    const double x = Px[Fpoint1[s]];
    if (std::fabs(x - std::round(x)) > 1e-6) continue;
    bool flat = true;
    for (int p : {Fpoint2[s], Fpoint3[s], Fpoint4[s]}) flat = flat && std::fabs(Px[p] - x) < 1e-6;
    if (!flat) continue;
    const auto it = flux.find(s);
    planes[static_cast<int>(std::lround(x))] += it == flux.end() ? NAN : (Fax[s] > 0 ? 1.0 : -1.0) * it->second;
  }
  return planes;
}

double worstSection(const std::map<int, double>& planes) {
  double worst = 0;
  for (const auto& [x, q] : planes) worst = std::max(worst, std::isnan(q) ? NAN : std::fabs(q - 1000.0) / 1000.0);
  return worst;
}

}  // namespace

// Y and M: F 488 2 gives the counts of the adaptive grid; F 488 1 with a 0.3 m
// bed layer under the table 0, 0.1 .. 1.0 gives 12 cells per column, more
// than znumber, which the writers walk.
TEST(Unstructure2Case, LetterYAndPlotFiles) {
  if (!vtkAvailable()) GTEST_SKIP() << "VTK for /usr/bin/python3 is not installed";
  struct Row {
    std::string extra;
    long cells, points;
  };
  for (const Row& r : {Row{"F 488 2\n", 900, 1260}, Row{kTable, 1200, 1638}}) {
    SCOPED_TRACE(r.extra);
    EngineRun run("F 2 YM\nG 1 23 8 11 1\nF 329 1 0 0 0 1 1 0 0 0\nG 24 1 i 1 0\n" + r.extra);
    ASSERT_EQ(run.status, 1) << run.dir.boogie();
    EXPECT_TRUE(run.dir.boogieHas("Generating grid with F 64 11 algorithm2. ")) << run.dir.boogie();
    const VtkLoad u = loadVtk(run.dir.path() + "/ParaView3U.vtk", {"No_cells_vertical_direction"});
    ASSERT_TRUE(u.ran);
    EXPECT_EQ(u.errors, 0);
    EXPECT_EQ(u.cells, r.cells);
    EXPECT_EQ(u.points, r.points);
    EXPECT_NEAR(u.volume, 100.0, 1e-6);
    double bedCells = 0;
    for (std::size_t n = 0; n < u.coords.size(); ++n)
      if (u.coords[n][2] == 0.0) bedCells = u.values.at("No_cells_vertical_direction")[n][0];
    EXPECT_EQ(bedCells, r.cells / 100.0);
    EXPECT_NE(run.dir.read("tecplfe.dat").find("N=" + std::to_string(r.points) + ",E=" + std::to_string(r.cells)),
              std::string::npos);
  }
}

// W on both F 488 grids: every cross-section passes the inflow within 1 %.
TEST(Unstructure2Case, FlowPassesEveryCrossSection) {
  for (const std::string& extra : {std::string("F 488 2\n"), kTable}) {
    SCOPED_TRACE(extra);
    const std::string control = "F 2 YW\nG 1 23 8 11 1\n" + kFlow + extra;
    EngineRun run(control);
    ASSERT_EQ(run.status, 1) << run.dir.boogie();
    EXPECT_TRUE(run.dir.boogieHas("Solution converged")) << run.dir.boogie();
    const ResultField f = readResultFile(run.dir.read("result.end"));
    InProjectDir p;
    regenerate(p, control);
    ASSERT_EQ(static_cast<int>(f.flux.size()), NoSurfaces);
    const std::map<int, double> planes = crossSections(f.flux);
    EXPECT_EQ(planes.size(), 19u);
    EXPECT_TRUE(withinLimit({"F 488 channel largest cross-section discharge error", 100 * worstSection(planes), 1.0,
                             " % of the inflow"}));
  }
}

// F 65 too small for the points of the second generator.
TEST(Unstructure2Case, TooSmallF65EndsWithItsMessage) {
  EngineRun run("F 2 YM\nG 1 23 8 11 1\nF 488 2\nF 65 50000 80000 1000 10000 1000\n");
  EXPECT_EQ(run.status, 252) << run.dir.boogie();
  EXPECT_TRUE(run.dir.boogieHas("Error in grid generation, NoPoints = 1000, increase numbers on F 65 data set"))
      << run.dir.boogie();
  EXPECT_FALSE(run.dir.exists("result.end"));
}

// F 130 on the channel: Y builds the refined block, Connect joins its four
// connector columns to the coarse grid, the coarse and fine cells together
// fill the channel, the plot file of block 1 loads with the hole, and W
// converges with every cross-section, also those through the refined
// region, passing the inflow within 1 %.
TEST(RefinedBlockCase, ChannelWithOneColumnWindow) {
  const std::string control = "F 2 YMW\n" + kFlow + kRefined + "F 329 1 0 0 0 0 1 0 0 0\n";
  EngineRun run(control);
  ASSERT_EQ(run.status, 1) << run.dir.boogie();
  EXPECT_TRUE(run.dir.boogieHas("End Unstructure 1260 cells")) << run.dir.boogie();
  EXPECT_TRUE(run.dir.boogieHas("Solution converged")) << run.dir.boogie();
  if (vtkAvailable()) {
    const VtkLoad u = loadVtk(run.dir.path() + "/ParaView3U.vtk");
    ASSERT_TRUE(u.ran);
    EXPECT_EQ(u.errors, 0);
    EXPECT_EQ(u.cells, 900 - 81);  // block 1 without the 3 x 3 coarse columns
    EXPECT_NEAR(u.volume, 91.0, 1e-6);
  }

  const ResultField f = readResultFile(run.dir.read("result.end"));
  InProjectDir p;
  regenerate(p, "F 2 YMW\n" + kFlow + kRefined);
  ASSERT_EQ(NoBlocks, 2);
  ASSERT_EQ(NoConnect, 12);
  ASSERT_EQ(static_cast<int>(f.flux.size()), NoSurfaces);
  // All cells, coarse and fine, closed and filling the 100 m3.
  double volume = 0, closure = 0;
  for (int c = 1; c <= NoCells; ++c) {
    volume += cellVolume(c);
    closure = std::max(closure, closureDefect(c));
  }
  EXPECT_NEAR(volume, 100.0, 1e-6);
  EXPECT_LT(closure, 1e-9);
  // The connector columns (6, 8), (6, 16), (2, 12), (10, 12) meet coarse
  // cells on their outer side, cell by cell.
  const int coarseLast = block[1].lastCell;
  struct Connector {
    int i, j;
    int* side;
  };
  for (const Connector& k : {Connector{6, 8, Ccells}, Connector{6, 16, Ccelln}, Connector{2, 12, Ccellw},
                             Connector{10, 12, Ccelle}}) {
    int n = 0;
    for (int c = static_cast<int>(zval[k.i][k.j][0]); c > 0; c = Ccellt[c], ++n) {
      EXPECT_GE(k.side[c], 1) << k.i << " " << k.j << " cell " << c;
      EXPECT_LE(k.side[c], coarseLast) << k.i << " " << k.j << " cell " << c;
    }
    EXPECT_EQ(n, 9) << k.i << " " << k.j;
  }
  const std::map<int, double> planes = crossSections(f.flux);
  EXPECT_EQ(planes.size(), 19u);
  for (const auto& [x, q] : planes) EXPECT_NEAR(q, 1000.0, 10.0) << "x = " << x;
  EXPECT_TRUE(withinLimit({"F 130 channel largest cross-section discharge error", 100 * worstSection(planes), 1.0,
                           " % of the inflow"}));
}
