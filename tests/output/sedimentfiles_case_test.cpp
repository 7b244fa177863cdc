// Files of the sediment time loop and of the dune statistics on the real
// engine: the bed fractions under a time-triggered interpolation point, the
// profiles balance of a channel fed with suspended sediment, the dunes of a
// sine bed, and the braiding statistics of the straight channel.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "output/vtk_reader.h"
#include "support/case_runner.h"

namespace {

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

std::vector<double> numbers(const std::string& line) {
  std::vector<double> out;
  std::istringstream in(line);
  for (double v; in >> v;) out.push_back(v);
  return out;
}

bool startsWith(const std::string& s, const std::string& p) { return s.rfind(p, 0) == 0; }

// The straight channel of 20 x 5 columns of 1 m, 1 m deep, 1 m3/s.
const std::string kChannel = "G 1 23 8 7 1\nF 314 1 1\nF 237 1 1.0\nF 237 2 1.0\nK 2 0 0\nF 16 0.05\n";

// Its flow, computed once.
const std::string& channelFlow() {
  static const std::string flow = [] {
    CaseDir dir;
    dir.write("koosurf", straightChannelKoosurf());
    dir.write("control", "F 2 YW\n" + kChannel + "K 1 600\n");
    EXPECT_EQ(dir.run(), 1) << dir.boogie();
    return dir.read("result.end");
  }();
  return flow;
}

// Steps of 60 s on the channel's flow.
int runSteps(CaseDir& dir, int steps, const std::string& extra) {
  dir.write("koosurf", straightChannelKoosurf());
  dir.write("result", channelFlow());
  dir.write("control", "F 2 YRSX\n" + kChannel + "F 33 60 2\nK 1 " + std::to_string(steps) + "\n" + extra);
  return dir.run();
}

const std::string kTwoLayers = "F 37 2\nK 4 5 5 5 200 5 5\nF 4 0.5 50\nF 11 2.65 0.05\nF 106 0.01\n"
                               "S 1 0.0002 0.022\nN 0 1 1.0\n";
const std::string kMultiLayer = "F 37 3\nF 134 5\nF 255 5\nS 1 0.0002 0.002\nN 0 1 1.0\n";

// A sine bed of wavelength 10 m and height 0.2 m along a channel of 0.5 m
// columns, 30 m long and 5 m wide, the water at 1 m.
std::string sineKoosurf() {
  std::ostringstream s;
  s.precision(17);
  for (int i = 1; i <= 61; ++i)
    for (int j = 1; j <= 6; ++j) {
      const double x = 0.5 * (i - 1);
      s << i << " " << j << " " << x << " " << j - 1 << ".0 " << 0.1 * std::sin(2.0 * 3.14159265358979323846 * x / 10.0)
        << " 1.0\n";
    }
  return s.str();
}
const std::string kSineChannel = "G 1 63 8 11 1\nF 314 1 1\nF 237 1 1.0\nF 237 2 1.0\n";

}  // namespace

// A T point at 60 s: not at the call of exactly 60 s, at the next one, once.
TEST(SedimentFilesCase, FractionsAtTheFirstCallAfterThePointsTime) {
  {
    CaseDir dir;
    dir.write("interpol", "T 60 5.3 2.4\n");
    ASSERT_EQ(runSteps(dir, 1, kTwoLayers + "F 48 30\n"), 0) << dir.boogie();
    EXPECT_EQ(dir.read("interres30"), "");
  }
  CaseDir dir;
  dir.write("interpol", "T 60 5.3 2.4\n");
  ASSERT_EQ(runSteps(dir, 3, kTwoLayers + "F 48 30\n"), 0) << dir.boogie();
  const std::vector<std::string> text = lines(dir.read("interres30"));
  ASSERT_EQ(text.size(), 1u);  // one layer line: the top layer of a two-layer bed
  EXPECT_TRUE(startsWith(text[0], "F 5.300000 2.400000 120.000000 sec.  1 0.005000 1.000000")) << text[0];
  EXPECT_FALSE(dir.exists("interres40"));
}

TEST(SedimentFilesCase, MultiLayerBedHasItsTopThirtyCentimetres) {
  CaseDir dir;
  dir.write("interpol", "T 60 5.3 2.4\n");
  ASSERT_EQ(runSteps(dir, 2, kMultiLayer + "F 48 30\n"), 0) << dir.boogie();
  const std::vector<std::string> deep = lines(dir.read("interres40"));
  ASSERT_EQ(deep.size(), 1u);
  EXPECT_TRUE(startsWith(deep[0], "F 5.300000 2.400000 120.000000 sec.  Thick: ")) << deep[0];
  EXPECT_EQ(deep[0].find("Thick:"), deep[0].rfind("Thick:"));
  // the layers from the top down, each with its depth and fraction
  const std::vector<std::string> layers = lines(dir.read("interres30"));
  ASSERT_GE(layers.size(), 2u);
  EXPECT_TRUE(startsWith(layers[0], "F 5.300000 2.400000 120.000000 sec.  ")) << layers[0];
}

// F 453 1 on a channel fed with 1 per mille of suspended sediment: one line
// per grid line of the middle row and three closing lines; the balance of
// the row closes.
TEST(SedimentFilesCase, ProfilesBalanceOfAChannelFedWithSediment) {
  CaseDir dir;
  ASSERT_EQ(runSteps(dir, 40, kMultiLayer + "F 453 1\nM 1 1 0.001\n"), 0) << dir.boogie();
  const std::vector<std::string> text = lines(dir.read("profiles"));
  ASSERT_EQ(text.size(), 2u + 20u + 3u);
  EXPECT_EQ(text[0],
            "X, LB, zval[1], wl, LB+BSed[0], sdef [kg], sdefc [kg], sdefv [kg], sdefb [kg], bech [m], bmove [m], "
            "time = 2400.000000 sec");
  for (std::size_t n = 2; n < 22; ++n) EXPECT_EQ(numbers(text[n]).size(), 7u) << text[n];
  EXPECT_EQ(numbers(text[2])[0], 0.5);
  EXPECT_EQ(numbers(text[21])[0], 19.5);
  // a step's inflow: 1 m3/s at 1 per mille, 2650 kg/m3, 60 s
  const double stepInflow = 1.0 * 0.001 * 2650.0 * 60.0;
  double total = 0;
  ASSERT_EQ(std::sscanf(text[23].c_str(), "Total defect: %lf kg", &total), 1) << text[23];
  EXPECT_LT(std::fabs(total), 0.01 * stepInflow) << text[23];
  // The inflow and outflow masses of the sediment balance are run totals:
  // the 40 steps' inflow. Booked at the first and last grid line of this
  // balance of one step, they would put thousands of kilograms of defect
  // into a balance that closes within 1.6 kg.
  double bedTotal = 0, runInflow = 0, runOutflow = 0;
  for (const std::string& line : lines(dir.boogie()))
    std::sscanf(line.c_str(), "Continuity: Bedchange %lg kg, Inflow %lg kg, Outflow %lg kg", &bedTotal, &runInflow,
                &runOutflow);
  EXPECT_NEAR(runInflow, 40 * stepInflow, 1e-6 * runInflow);
  EXPECT_GT(runInflow - runOutflow, 100 * 0.01 * stepInflow);
  EXPECT_TRUE(startsWith(text[22], "Deltasum = "));
  EXPECT_TRUE(startsWith(text[24], "Bupflux = "));
  // the bed-change mass of a line: bech x 1 m2 x F 26 0.5 x 1000 x F 11
  for (std::size_t n = 2; n < 22; ++n) {
    const std::vector<double> v = numbers(text[n]);
    EXPECT_NEAR(v[4], v[5] * 0.5 * 1000.0 * 2.65, 1e-3 + 1e-4 * std::fabs(v[4])) << text[n];
  }
}

// The balance weighs its masses with 2.65 whatever F 11 says.
TEST(SedimentFilesCase, ProfilesMassesTakeTheDensityOfQuartz) {
  CaseDir dir;
  ASSERT_EQ(runSteps(dir, 2, kMultiLayer + "F 453 1\nM 1 1 0.001\nF 11 2.0\n"), 0) << dir.boogie();
  const std::vector<std::string> text = lines(dir.read("profiles"));
  ASSERT_EQ(text.size(), 25u);
  bool some = false;
  for (std::size_t n = 2; n < 22; ++n) {
    const std::vector<double> v = numbers(text[n]);
    if (std::fabs(v[5]) < 1e-5) continue;
    some = true;
    EXPECT_NEAR(v[4], v[5] * 0.5 * 1000.0 * 2.65, 1e-3) << text[n];  // bech is written to 1e-6 m
  }
  EXPECT_TRUE(some);
}

TEST(SedimentFilesCase, UnopenableProfilesEndsTheRun) {
  CaseDir dir;
  dir.mkdir("profiles");
  EXPECT_EQ(runSteps(dir, 2, kMultiLayer + "F 453 1\n"), 256 - 5) << dir.boogie();
  EXPECT_TRUE(dir.boogieHas("Can not open profiles file")) << dir.boogie();
}

// W then M with F 552: the dunes of every row of the sine bed, and their
// crests in the plan file.
TEST(SedimentFilesCase, DunesOfASineBedInThePlanFiles) {
  CaseDir dir;
  dir.write("koosurf", sineKoosurf());
  dir.write("control", "F 2 YWM\n" + kSineChannel + "K 1 20\nF 370 1 7 50 3 5\nF 552 1\n");
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  const std::vector<std::string> detail = lines(dir.read("dunedetail"));
  ASSERT_EQ(detail.size(), 1u + 10u);  // two dunes in each of the five rows
  for (std::size_t n = 1; n < detail.size(); ++n) {
    const std::vector<double> v = numbers(detail[n]);
    ASSERT_EQ(v.size(), 11u);
    EXPECT_NEAR(v[2], 10.0, 1e-6);
    EXPECT_NEAR(v[1], 0.2, 0.05 * 0.2);
  }
  // no sediment loop, so no profile series: the summary is the file dune
  const std::vector<std::string> summary = lines(dir.read("dune"));
  ASSERT_EQ(summary.size(), 2u);
  EXPECT_EQ(numbers(summary[1])[0], 10.0);
  EXPECT_FALSE(dir.exists("dune2d"));

  if (!vtkAvailable()) GTEST_SKIP() << "VTK for /usr/bin/python3 is not installed";
  VtkLoad p = loadVtk(dir.path() + "/pav2_00000.vtk", {"Dune_ridges"});
  ASSERT_TRUE(p.ran);
  EXPECT_EQ(p.errors, 0);
  ASSERT_EQ(p.dims, (std::array<int, 3>{62, 7, 1}));
  const auto& ridges = p.values["Dune_ridges"];
  ASSERT_EQ(ridges.size(), 62u * 7u);
  // rows and points from the ring at index 0, so that column i is point
  // i - 1: columns 7, 27 and 47 hold the crests, where the peaks lie between
  // two column centres
  for (int row = 1; row <= 5; ++row)
    for (int i = 2; i <= 61; ++i) {
      const double v = ridges[static_cast<std::size_t>(row * 62 + i - 1)][0];
      if (i == 7 || i == 27 || i == 47)
        EXPECT_EQ(v, 1.0) << i;
      else
        EXPECT_NE(v, 1.0) << i;
    }
}

// S with F 370 every step: one dune along the profile grid lines 7..50 of
// row 3, 10 m long; no crest of an earlier call at the first one.
TEST(SedimentFilesCase, DuneSeriesAlongOneProfile) {
  CaseDir dir;
  dir.write("koosurf", sineKoosurf());
  dir.write("control", "F 2 YSX\n" + kSineChannel + "K 2 0 0\nF 16 0.05\nF 33 60 2\nK 1 3\n" + kTwoLayers +
                           "F 370 1 7 50 3 5\n");
  ASSERT_EQ(dir.run(), 0) << dir.boogie();
  const std::vector<std::string> dune = lines(dir.read("dune"));
  ASSERT_EQ(dune.size(), 1u + 3u);
  EXPECT_EQ(dune[0], "Time,  depth,  duneheight, dunelength, dunespeed, K_A, alpha_diff");
  const std::vector<double> first = numbers(dune[1]);
  ASSERT_EQ(first.size(), 7u);
  EXPECT_EQ(first[0], 60.0);
  EXPECT_NEAR(first[3], 10.0, 1e-6);
  // The height is measured from the bed the run started from (the koosurf
  // bed as read, sine dunes included): three minutes have hardly moved it.
  EXPECT_NEAR(first[2], 0.0, 0.01);
  EXPECT_EQ(first[4], 0.0);
  EXPECT_EQ(lines(dir.read("dunediff")).size(), 1u + 3u);
  EXPECT_TRUE(startsWith(dir.read("dunevert"), "\nVertical distribution of diffusion parameter [-]:\n1 "));
}

TEST(SedimentFilesCase, DuneWindowPastTheGridEndsTheRun) {
  CaseDir dir;
  dir.write("koosurf", sineKoosurf());
  dir.write("control", "F 2 YSX\n" + kSineChannel + "F 33 60 2\nK 1 3\n" + kTwoLayers + "F 370 1 7 60 3 5\n");
  EXPECT_EQ(dir.run(), 256 - 1) << dir.boogie();
  EXPECT_TRUE(dir.boogie().find("Error in F 370 data set: the dune profile 7..60 with 5 neighbours on grid line 3 "
                                "reaches beyond the grid lines 0..64") != std::string::npos)
      << dir.boogie();
  EXPECT_FALSE(dir.exists("dune"));
}

// S with F 368 on the straight channel of a bed too coarse to move: at step
// 100 one line; every cross-section wet and deep across its width, the
// thalweg straight along the first column of the level bed.
TEST(SedimentFilesCase, BraidingStatisticsOfTheStraightChannel) {
  CaseDir dir;
  const std::string coarse = "F 37 2\nK 4 5 5 5 200 5 5\nF 4 0.5 50\nF 11 2.65 0.05\nF 106 0.01\nS 1 0.05 1.0\nN 0 1 1.0\n";
  ASSERT_EQ(runSteps(dir, 100, coarse + "F 368 2 0.001 0.1 0.2 0.3 4\nF 378 1\n"), 0) << dir.boogie();
  const std::vector<std::string> text = lines(dir.read("braided"));
  ASSERT_EQ(text.size(), 3u);
  EXPECT_EQ(text[0], "Time, BIactive1, BIactive2, BIactive3,   BItotal,  BIcell,  BIdepth, sinuosity, sidesfrac");
  const std::vector<double> v = numbers(text[2]);
  ASSERT_EQ(v.size(), 9u);
  EXPECT_EQ(v[0], 6000.0);
  EXPECT_EQ(v[5], 1.0);
  EXPECT_EQ(v[6], 1.0);
  EXPECT_NEAR(v[7], 1.0, 1e-9);
  const std::vector<std::string> thalweg = lines(dir.read("thalweg"));
  ASSERT_EQ(thalweg.size(), 2u + 3u + 20u);
  EXPECT_EQ(thalweg[4], "Time 6000.000000 sec.");
  EXPECT_EQ(thalweg[5], "0.500000 0.500000 0.000000");
}
