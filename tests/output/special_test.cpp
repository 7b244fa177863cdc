// The special result files of the dispatcher, each on a small grid whose
// expected content can be worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "output/output.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}
std::vector<double> numbers(const std::string& line) {
  std::istringstream in(line);
  std::vector<double> v;
  for (double x; in >> x;) v.push_back(x);
  return v;
}

TEST(MeasurementPoints, OneLineOfElevenValuesPerCell) {
  InProjectDir d;
  SmallGrid g;
  g.build();
  for (int c = 1; c <= NoCells; ++c) {
    Cxvel[c] = 0.1 * c;
    Cyvel[c] = -0.2;
    Czvel[c] = 0.003;
    Cpres[c] = 100 + c;
    Ckinen[c] = 0.25;
    Cepsilon[c] = 0.5;
    Cgamma[c] = 2;
    Cconc[0][c] = 1.5e-9;
  }
  writeMeasurementPoints();
  auto l = lines(d.dir().read("TreskPkt.dat"));
  ASSERT_EQ(static_cast<int>(l.size()), NoCells);
  const int c = 6;
  EXPECT_EQ(l[c - 1], "1.500000 0.500000 0.750000 0.600000 -0.200000 0.003000 106.000000 0.250000 0.500000 "
                      "2.000000 1.500000e-09");
  PrintResAlways = 3;
  writeMeasurementPoints();
  writeMeasurementPoints();
  EXPECT_TRUE(d.dir().exists("tresk_00000.dat"));
  EXPECT_TRUE(d.dir().exists("tresk_00001.dat"));
}

TEST(BedData, BottomCellsWithTheLevelOfTheirBottomFace) {
  InProjectDir d;
  SmallGrid g;
  g.nx = 2;
  g.ny = 1;
  g.nz = 3;
  g.bed = [](int i, int) { return i == 2 ? -1.0 : -2.0; };
  g.build();
  writeBedData();
  auto l = lines(d.dir().read("beddata.sim"));
  ASSERT_EQ(l.size(), 2u);
  EXPECT_EQ(l[0], "0.500000 0.500000 -1.000000");
  EXPECT_EQ(l[1], "1.500000 0.500000 -2.000000");
}

TEST(Outline, FreeSidesOfBottomCellsSouthEastNorthWest) {
  InProjectDir d;
  SmallGrid one;
  one.nx = 1;
  one.ny = 1;
  one.build();
  writeOutline();
  EXPECT_EQ(d.dir().read("brolek"), "0.500000 0.000000\n1.000000 0.500000\n0.500000 1.000000\n0.000000 0.500000\n");
  SmallGrid row;
  row.nx = 2;
  row.ny = 1;
  row.build();
  writeOutline();
  // West cell: south, north, west; east cell: south, east, north.
  EXPECT_EQ(d.dir().read("brolek"),
            "0.500000 0.000000\n0.500000 1.000000\n0.000000 0.500000\n"
            "1.500000 0.000000\n2.000000 0.500000\n1.500000 1.000000\n");
}

TEST(Habitat, AreasByDepthAndSpeedClass) {
  InProjectDir d;
  SmallGrid g;
  g.nx = 4;
  g.ny = 1;
  g.nz = 2;
  // Depths 1, 2, 3, 4 m; speeds 0.05, 0.5, 1, 1 m/s (5 % of the largest
  // falls into class 0, the largest into class 19).
  g.water = [](int i, int) { return static_cast<double>(i - 1); };
  g.build();
  const double speed[] = {0.05, 0.5, 1.0, 1.0};
  for (int i = 2; i <= 5; ++i)
    for (int k = 1; k <= 2; ++k) {
      Cxvel[g.cell(i, 2, k)] = 0.6 * speed[i - 2];
      Cyvel[g.cell(i, 2, k)] = 0.8 * speed[i - 2];
    }
  ASSERT_TRUE(writeHabitat());
  auto l = lines(d.dir().read("habitat"));
  ASSERT_EQ(l.size(), 21u);
  EXPECT_EQ(l[0], "Depth (m), area (m2), velocity (m/s), area(m2)");
  std::vector<double> areaD(20), areaV(20);
  for (int n = 0; n < 20; ++n) {
    auto v = numbers(l[n + 1]);
    ASSERT_EQ(v.size(), 4u);
    EXPECT_NEAR(v[0], (n + 1) * 4.0 / 20, 1e-6);
    EXPECT_NEAR(v[2], (n + 1) * 1.0 / 20, 1e-6);
    areaD[n] = v[1];
    areaV[n] = v[3];
  }
  // Depth classes: 20*D/4 - 0.01 -> 4.99, 9.99, 14.99, 19.99.
  EXPECT_EQ(areaD[4], 1.0);
  EXPECT_EQ(areaD[9], 1.0);
  EXPECT_EQ(areaD[14], 1.0);
  EXPECT_EQ(areaD[19], 1.0);
  EXPECT_EQ(areaV[0], 1.0);
  EXPECT_EQ(areaV[9], 1.0);
  EXPECT_EQ(areaV[19], 2.0);
}

TEST(Habitat, ADryModelGivesTwentyEmptyClasses) {
  InProjectDir d;
  SmallGrid{}.build();
  NoCells = 0;
  WCEnd = 0;
  ASSERT_TRUE(writeHabitat());
  auto l = lines(d.dir().read("habitat"));
  ASSERT_EQ(l.size(), 21u);
  for (int n = 1; n <= 20; ++n) EXPECT_EQ(l[n], "0.000000 0.000000 0.000000 0.000000");
}

TEST(SpecialSummary, SlopingAreaFraction) {
  InProjectDir d;
  SmallGrid g;
  g.nx = 2;
  g.ny = 1;
  g.build();
  // The west column's bed dips 0.5 rad towards +x and the flow follows it:
  // 0.5 * cos 0 > 0.2967. The east column's flow runs across its slope.
  const int fw = Cflateb[g.cell(2, 2, 1)], fe = Cflateb[g.cell(3, 2, 1)];
  Fvx[fw] = std::sin(0.5);
  Fvz[fw] = std::cos(0.5);
  Fvx[fe] = std::sin(0.5);
  Fvz[fe] = std::cos(0.5);
  Farea[fw] = 3.0;
  Cxvel[g.cell(2, 2, 2)] = 1.0;
  Cyvel[g.cell(3, 2, 2)] = 1.0;
  ASSERT_TRUE(writeSlopingFraction());
  EXPECT_EQ(d.dir().read("boogie.spe"), "Fraction of sloping area: 0.750000\n");
  NoCells = 0;
  WCEnd = 0;
  ASSERT_TRUE(writeSlopingFraction());
  EXPECT_EQ(d.dir().read("boogie.spe"), "Fraction of sloping area: 0.000000\n");
}

TEST(SpecialSummary, DischargeThroughTheMiddleLine) {
  InProjectDir d;
  SmallGrid g;
  g.nx = 6;
  g.ny = 3;
  g.nz = 2;
  g.build();
  // Block 1 is i 2..7, j 2..4: the line runs through column i = 7/2 - 1 = 2
  // (kept at i1), over all three rows.
  for (int c = 1; c <= NoCells; ++c) {
    Cxvel[c] = 0.5;
    Fflux[Cflatee[c]] = 1000 * 0.5 * Farea[Cflatee[c]] + 1.0;
  }
  ASSERT_TRUE(writeDischargeLine());
  // Six cells, each east face 1 x 0.5 m2.
  EXPECT_EQ(d.dir().read("boogie.spe"), "Discharge (l/s): flux: 1506.000000, velocity*area: 1500.000000\n");
  zval[2][2][0] = 0;  // dry start column
  ASSERT_TRUE(writeDischargeLine());
  EXPECT_EQ(d.dir().read("boogie.spe"), "Discharge (l/s): flux: 0.000000, velocity*area: 0.000000\n");
}

TEST(GridLineLevels, AlwaysNumberedInTheKoosurfLineForm) {
  InProjectDir d;
  SmallGrid g;
  g.nx = 1;
  g.ny = 1;
  g.bed = [](int, int) { return 2.0; };
  g.water = [](int, int) { return 3.5; };
  g.build();
  ASSERT_TRUE(writeKoosurfLevels());
  ASSERT_TRUE(writeKoosurfLevels());
  EXPECT_EQ(d.dir().read("koosurf.0000"),
            "1 1 0.000000 0.000000 2.000000 3.500000\n1 2 0.000000 1.000000 2.000000 3.500000\n"
            "2 1 1.000000 0.000000 2.000000 3.500000\n2 2 1.000000 1.000000 2.000000 3.500000\n");
  EXPECT_TRUE(d.dir().exists("koosurf.0001"));
}

TEST(SlideProfiles, NewFileAndAppendedBlocks) {
  InProjectDir d;
  SmallGrid g;
  g.nx = 2;
  g.ny = 3;
  g.build();
  block[1].subBed = 1;
  std::strcpy(Title + 1, "Slide");
  stimet = 60;
  FlagFirstP = 0;
  // Without the slide and groundwater arrays their columns are 0.
  ASSERT_TRUE(writeSlideProfiles(false));
  EXPECT_EQ(d.dir().read("boogie.spe"),
            "Slide time: 60.000000 seconds\nX, Zsurf, Zthixo, Zgroundwater\n\n"
            "0.500000 1.000000 0.000000 0.000000\n1.500000 1.000000 0.000000 0.000000\n");
  ASSERT_TRUE(writeSlideProfiles(true));
  stimet = 120;
  ASSERT_TRUE(writeSlideProfiles(true));
  EXPECT_EQ(d.dir().read("boogie.spe"),
            "Slide\nX, Zsurf, Zthixo, Zgroundwater\n\n"
            "\nTime: 60.000000 seconds\n0.500000 1.000000 0.000000 0.000000\n1.500000 1.000000 0.000000 0.000000\n"
            "\nTime: 120.000000 seconds\n0.500000 1.000000 0.000000 0.000000\n1.500000 1.000000 0.000000 0.000000\n");
  EXPECT_EQ(FlagFirstP, 1);
  PrintRes = 1;
  ASSERT_TRUE(writeSlideProfiles(false));
  EXPECT_TRUE(d.dir().exists("boogie.spe0000"));
  FlagFirstP = 0;
}

// North flux density 1000 * v through every column's lowest cell.
void setNorthFlux(double v) {
  for (int c = 1; c <= NoCells; ++c) Fflux[Cflaten[c]] = 1000 * v * Farea[Cflaten[c]];
  for (int c = 1; c <= NoCells; ++c) Fflux[Cflatee[c]] = 1000 * 0.25 * Farea[Cflatee[c]];
}

TEST(BedFluxes, LayoutAndTheComparisonWithACoarserGrid) {
  InProjectDir d;
  SmallGrid coarse;
  coarse.nx = 2;
  coarse.ny = 2;
  coarse.gridLinesX = 9;
  coarse.gridLinesY = 9;
  coarse.build();
  setNorthFlux(1.0);
  stimet = 5;
  zval[3][3][0] = 0;  // a dry column writes the empty line
  writeBedFluxes();
  auto l = lines(d.dir().read("bedfluxes"));
  ASSERT_EQ(l.size(), 5u);
  EXPECT_EQ(l[0], "Grid 3 3 3, Time: 5.000000 seconds");
  EXPECT_EQ(l[1], "2 2 250.000000 1000.000000");
  EXPECT_EQ(l[4], "0 0 0.0 0.0");

  // The same flow on a grid of twice the resolution compares to 0; twice
  // the north flux gives |2000 - 1000| / sqrt(250^2 + 1000^2 + 2000^2) for
  // each of the three stored wet columns.
  SmallGrid fine = coarse;
  fine.nx = 4;
  fine.ny = 4;
  fine.build();
  setNorthFlux(1.0);
  compareBedFluxes();
  EXPECT_EQ(d.dir().read("fluxres"), "Ratio: 0.000000\n\n");
  setNorthFlux(2.0);
  compareBedFluxes();
  char expected[64];
  std::snprintf(expected, sizeof expected, "Ratio: %lf\n\n", 1000 / std::sqrt(250.0 * 250 + 1000 * 1000 + 2000 * 2000 + 1e-10));
  EXPECT_EQ(d.dir().read("fluxres"), expected);
}

struct FluxFailure {
  const char* what;
  void (*prepare)(const CaseDir&);
  void (*call)();
  int status;
  const char* message;
};
void PrintTo(const FluxFailure& f, std::ostream* os) { *os << f.what; }
class BedFluxFailure : public ::testing::TestWithParam<FluxFailure> {};

TEST_P(BedFluxFailure, EndsWithItsStatusAndMessage) {
  const FluxFailure& f = GetParam();
  InProjectDir d;
  SmallGrid{}.build();
  f.prepare(d.dir());
  EXPECT_EXIT(f.call(), ::testing::ExitedWithCode(f.status), "");
  EXPECT_NE(d.dir().boogie().find(f.message), std::string::npos) << d.dir().boogie();
}

INSTANTIATE_TEST_SUITE_P(
    Files, BedFluxFailure,
    ::testing::Values(
        FluxFailure{"bedfluxes not writable", [](const CaseDir& d) { d.mkdir("bedfluxes"); }, writeBedFluxes, 249,
                    "Error opening bedfluxes file\n\n"},
        FluxFailure{"fluxres not writable", [](const CaseDir& d) { d.mkdir("fluxres"); }, compareBedFluxes, 249,
                    "Error opening fluxres file\n\n"},
        FluxFailure{"no bedfluxes", [](const CaseDir&) {}, compareBedFluxes, 242, "Error, can not open bedfluxes file\n\n"},
        FluxFailure{"other vertical cell number",
                    [](const CaseDir& d) { d.write("bedfluxes", "Grid 3 3 5, Time: 1.0 seconds\n"); }, compareBedFluxes,
                    242, "Error in bedfluxes file, vertical cell numbers: 5 3\n\n"},
        FluxFailure{"a stored grid of one line",
                    [](const CaseDir& d) { d.write("bedfluxes", "Grid 1 3 3, Time: 1.0 seconds\n2 2 1 1\n"); },
                    compareBedFluxes, 242, "Error in bedfluxes file: its grid 1 3 can not be compared with the grid 3 3"},
        FluxFailure{"a stored grid finer than this one",
                    [](const CaseDir& d) { d.write("bedfluxes", "Grid 5 3 3, Time: 1.0 seconds\n"); }, compareBedFluxes,
                    242, "Error in bedfluxes file: its grid 5 3 can not be compared with the grid 3 3"},
        FluxFailure{"too few lines",
                    [](const CaseDir& d) { d.write("bedfluxes", "Grid 3 3 3, Time: 1.0 seconds\n2 2 1 1\n"); },
                    compareBedFluxes, 242, "Error in bedfluxes file: no line for grid line 2 3"},
        FluxFailure{"measurement file not writable", [](const CaseDir& d) { d.mkdir("TreskPkt.dat"); },
                    writeMeasurementPoints, 253, "Error: can not open file 'TreskPkt.dat' for writing"}));

}  // namespace
