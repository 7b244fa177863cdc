// The sediment mass of a run on the real engine, at every inflow option: a
// straight channel (20 x 5 columns of 1 m, 1 m deep) fed with three sizes
// coarse enough to settle near the inlet, 40 time steps with the bed changed
// and the grid made anew in every step, started from a converged flow.
// What came in must be found in the outflow, the suspension and the bed.
//
// The sediment equations take the water's face fluxes as they are and hold
// what a cell's water does not balance: a step loses or makes the sum over
// the cells of concentration x continuity residual x time step. The flow is
// therefore converged in every step (the fast settings of the steady flow,
// enough inner iterations), so that the balance closes to 1e-5 of the inflow.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/case_runner.h"

namespace {

// The grid with room for the given number of sizes (G 1) and the two
// discharge groups of 2 m3/s along the first and the last grid line.
std::string channel(int slots) {
  return "G 1 23 8 11 " + std::to_string(slots) + "\nF 314 1 1\nF 237 1 2.0\nF 237 2 2.0\n";
}
const std::string kChannel = channel(3);
// The line-sum correction of the pressure, k and epsilon relaxed by 0.7 and
// more sweeps: the flow of a step converges in its inner iterations.
const std::string kFastFlow = "K 5 0 0 0 1 0 0\nK 3 0.8 0.8 0.8 0.2 0.7 0.7\nK 4 2 2 2 5 3 3\n";

// The converged flow of the channel with the given inflow data sets.
std::string convergedFlow(const std::string& inflow) {
  CaseDir flow;
  flow.write("koosurf", straightChannelKoosurf());
  flow.write("control", "F 2 YW\n" + kChannel + "K 1 3000\n" + inflow);
  EXPECT_EQ(flow.run(), 1) << flow.boogie();
  return flow.read("result.end");
}

struct Balance {
  double in = 0.0, bed = 0.0, defect = 0.0;
};

// The last total row (size 0) of the run's balance tables.
Balance lastTotal(const std::string& log) {
  const auto rows = sedimentBalanceRows(log);
  Balance b;
  for (const auto& r : rows)
    if (r.size() >= 7 && r[0] == "0") b = {std::stod(r[1]), std::stod(r[4]), std::stod(r[6])};
  return b;
}

// The sizes fed: one, or three coarse ones, each at conc.
std::string sizeRows(int sizes, const std::string& conc) {
  if (sizes == 1) return "S 1 0.001 0.1\nN 0 1 1.0\nM 1 1 " + conc + "\n";
  return "S 1 0.002 0.2\nS 2 0.001 0.1\nS 3 0.0005 0.05\nN 0 1 0.3\nN 0 2 0.3\nN 0 3 0.4\n"
         "M 1 1 " + conc + "\nM 1 2 " + conc + "\nM 1 3 " + conc + "\n";
}

// The bed volume (m3) gained over the start level that the bed file of a run
// holds at its end: a header of two lines, then per grid line "i j lowest
// bed water level3 level1" (21 x 6 lines), then the bed cells; the bed of
// each 1 m2 column is the mean of its four corners. Empty when the file does
// not hold every grid line.
std::optional<double> bedVolumeChange(const std::string& bedres, double start) {
  std::istringstream bed(bedres);
  std::string line;
  std::getline(bed, line);
  std::getline(bed, line);
  double z[22][7] = {};
  int lines = 0;
  while (lines < 21 * 6 && std::getline(bed, line)) {
    int i = 0, j = 0;
    double lowest = 0.0, level = 0.0;
    if (std::sscanf(line.c_str(), "%d %d %lf %lf", &i, &j, &lowest, &level) != 4 || i < 1 || i > 21 || j < 1 ||
        j > 6)
      break;
    z[i][j] = level;
    ++lines;
  }
  if (lines != 21 * 6) return std::nullopt;
  double V = 0.0;
  for (int i = 2; i <= 21; ++i)
    for (int j = 2; j <= 6; ++j) V += 0.25 * (z[i - 1][j - 1] + z[i][j - 1] + z[i - 1][j] + z[i][j]) - start;
  return V;
}

// Three sizes (or one) fed at 2 per mille each for 40 steps of 10 s.
std::string sedimentRun(int sizes, int tsc, const std::string& extra) {
  std::string c = "F 2 YRSX\n" + kChannel + "K 1 40\nF 33 10.0 20\nF 37 " + std::to_string(tsc) + "\nF 1 D\n";
  if (tsc == 3) c += "F 134 5\nF 255 5\n";
  return c + sizeRows(sizes, "0.002") + extra;
}

// The same at 1 per mille, with the flow converged in every step; slots is
// the number of sizes the engine holds (G 1), 1 for the single equation.
std::string convergedSedimentRun(int slots, int sizes, int tsc, const std::string& extra) {
  std::string c = "F 2 YRSX\n" + channel(slots) + kFastFlow +
                  "K 1 40\nF 33 10.0 20\nF 37 " + std::to_string(tsc) + "\nF 1 D\n";
  if (tsc == 3) c += "F 134 5\nF 255 5\n";
  return c + sizeRows(sizes, "0.001") + extra;
}

}  // namespace

// F 455 (the two lowest cells of each inflow column) and F 202 (the
// logarithmic inflow profile), with one size (the single equation, and one
// size fed of three the engine holds) and with three, with the two-layer
// bed (F 37 2) and the multi-layer bed (F 37 3): the inflow is the
// discharge times the concentrations times the time (2 m3/s x 0.001 x 400 s
// x 2650 kg/m3 = 2120 kg per size), and with the flow converged in every
// step the defect of the balance stays within 1e-5 of the inflow (a hundred
// times less than with the flow of 20 plain inner iterations). A face cell
// that books another face's water, or sediment booked with other fluxes than
// the water's, loses or makes several per cent.
TEST(SedimentInflowMassCase, EveryInflowOptionKeepsTheFedMass) {
  const std::string uniformFlow = convergedFlow(""), logFlow = convergedFlow("F 202 1 0.05\n");
  struct Case {
    const char* name;
    int slots, sizes, tsc;
    std::string extra;
    bool log;
  };
  const Case cases[] = {
      {"uniform, three sizes", 3, 3, 2, "", false},
      {"F 455 2, one size", 1, 1, 2, "F 455 2\n", false},
      {"F 455 2, three sizes", 3, 3, 2, "F 455 2\n", false},
      {"F 455 2, three sizes, F 37 3", 3, 3, 3, "F 455 2\n", false},
      {"F 202, one size", 1, 1, 2, "F 202 1 0.05\n", true},
      {"F 202, one size, F 37 3", 1, 1, 3, "F 202 1 0.05\n", true},
      {"F 202, one size fed of three", 3, 1, 2, "F 202 1 0.05\n", true},
      {"F 202, three sizes", 3, 3, 2, "F 202 1 0.05\n", true},
      {"F 202, three sizes, F 37 3", 3, 3, 3, "F 202 1 0.05\n", true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    CaseDir dir;
    dir.write("koosurf", straightChannelKoosurf());
    dir.write("result", k.log ? logFlow : uniformFlow);
    dir.write("control", convergedSedimentRun(k.slots, k.sizes, k.tsc, k.extra));
    ASSERT_EQ(dir.run(), 0) << dir.boogie();
    const Balance b = lastTotal(dir.boogie());
    EXPECT_NEAR(b.in, k.sizes * 2120.0, 1e-6 * k.sizes * 2120.0);
    EXPECT_LT(std::fabs(b.defect), 1e-5 * b.in) << "defect " << b.defect << " kg of " << b.in << " kg";
    // The bed the balance holds is the bed of the regenerated grid, with the
    // solid fraction (0.5) and the density (2650 kg/m3).
    const std::optional<double> V = bedVolumeChange(dir.read("bedres.t"), 0.0);
    ASSERT_TRUE(V.has_value());
    EXPECT_NEAR(*V * 0.5 * 2650.0, b.bed, 1e-5 * b.in);
  }
}

// F 455 where the inflow columns hold cells without a face of the inflow
// group: a channel 4 m deep with 39 cells in a column, of which the group
// (F 314 6) takes the levels 1 to 36 from the bed up. The three top cells of
// each inflow column have no inflow face (36 faces a column, 5 x 36 = 180,
// on 36/39 of the 20 m2 section) until the deposit at the inlet lowers the
// level counts. 8 m3/s x 0.001 x 400 s x 2650 kg/m3 = 8480 kg per size; 60
// inner iterations a step converge the flow of the finer grid.
TEST(SedimentInflowMassCase, LowestCellsKeepTheMassWhereInflowCellsHaveNoFace) {
  const std::string channel = "G 1 23 8 41 3\nF 314 6 1\nF 237 1 8.0\nF 237 2 8.0\n";
  CaseDir flow;
  flow.write("koosurf", straightChannelKoosurf(0.0, 4.0));
  flow.write("control", "F 2 YW\n" + channel + kFastFlow + "K 1 3000\n");
  ASSERT_EQ(flow.run(), 1) << flow.boogie();
  CaseDir dir;
  dir.write("koosurf", straightChannelKoosurf(0.0, 4.0));
  dir.write("result", flow.read("result.end"));
  dir.write("control", "F 2 YRSX\n" + channel + kFastFlow + "K 1 40\nF 33 10.0 60\nF 37 2\nF 1 D\n" +
                           sizeRows(3, "0.001") + "F 455 2\n");
  ASSERT_EQ(dir.run(), 0) << dir.boogie();
  const std::string log = dir.boogie();
  const std::string group = "Discharge group 1: Discharge = 8000.000000, Area = ";
  const std::size_t at = log.find(group);
  ASSERT_NE(at, std::string::npos) << log;
  EXPECT_NEAR(std::stod(log.substr(at + group.size())), 20.0 * 36.0 / 39.0, 1e-4);
  EXPECT_NE(log.find("surfaces = 180\n", at), std::string::npos);
  // The level counts change: the grid loses cells where the bed rises.
  const std::string cells = "End Unstructure ";
  const std::size_t last = log.rfind(cells);
  ASSERT_NE(last, std::string::npos);
  EXPECT_LT(std::stoi(log.substr(last + cells.size())), 3900);
  const Balance b = lastTotal(log);
  EXPECT_NEAR(b.in, 3 * 8480.0, 1e-6 * 3 * 8480.0);
  EXPECT_LT(std::fabs(b.defect), 1e-5 * b.in) << "defect " << b.defect << " kg of " << b.in << " kg";
  const std::optional<double> V = bedVolumeChange(dir.read("bedres.t"), 0.0);
  ASSERT_TRUE(V.has_value());
  EXPECT_NEAR(*V * 0.5 * 2650.0, b.bed, 1e-5 * b.in);
}

// On a grid made from koosurf the closing report's bed change is the change
// from the koosurf bed (at 0.5 m here, not 0): the bed levels that the run's
// bed file holds at its end, averaged over the four corners of each 1 m2
// column, less 0.5 m.
TEST(SedimentInflowMassCase, TheReportedBedChangeOfAKoosurfGridIsTheChangeFromItsBed) {
  CaseDir flow;
  flow.write("koosurf", straightChannelKoosurf(0.5, 1.5));
  flow.write("control", "F 2 YW\n" + kChannel + "K 1 3000\n");
  ASSERT_EQ(flow.run(), 1) << flow.boogie();
  CaseDir dir;
  dir.write("koosurf", straightChannelKoosurf(0.5, 1.5));
  dir.write("result", flow.read("result.end"));
  std::string control = sedimentRun(3, 2, "");
  control.replace(control.find("K 1 40"), 6, "K 1 10");
  dir.write("control", control);
  ASSERT_EQ(dir.run(), 0) << dir.boogie();
  const std::optional<double> change = bedVolumeChange(dir.read("bedres.t"), 0.5);
  ASSERT_TRUE(change.has_value());
  const double V = *change;
  const std::string log = dir.boogie();
  const std::size_t at = log.find("Total change in bed levels: ");
  ASSERT_NE(at, std::string::npos) << log;
  const double reported = std::stod(log.substr(at + 28));
  EXPECT_GT(V, 0.1);  // the inlet silts up
  EXPECT_NEAR(reported, V, 1e-5 * std::fabs(V) + 1e-9);
}
