// The per-step routines of the sediment loop's statistics: the time step of
// F 350, the cross-section flux correction of F 413 1, the density-current
// statistics of F 71, the morphology statistics of F 404; and the balance:
// the running sums, the defect ratios of F 448, the balance table and the
// time line of the closing report.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <string>

#include "sediment/balance.h"
#include "sediment/morphology.h"
#include "sediment/sediment_fixture.h"
#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/flowstate.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"
#include "support/in_dir.h"

namespace {

std::string logText() {
  std::FILE* f = std::fopen("boogie", "r");
  if (!f) return "";
  std::string s;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) s.append(buf, n);
  std::fclose(f);
  return s;
}

}  // namespace

// TimeStep = max(min, max x (1000 Qref / Q)^p), Q in l/s; a discharge of
// zero or below keeps the step at the reference discharge.
TEST(SedimentStatistics, TheTimeStepFollowsTheDischarge) {
  struct Row {
    double q, maxStep, minStep, qref, power, want;
  } rows[] = {
      {2000.0, 60.0, 1.0, 2.0, 1.0, 60.0},   // at the reference discharge
      {8000.0, 60.0, 1.0, 2.0, 0.5, 30.0},   // four times the discharge, square root: half
      {500.0, 60.0, 1.0, 2.0, 1.0, 240.0},   // a quarter of it: four times the step
      {8000.0, 60.0, 40.0, 2.0, 1.0, 40.0},  // never below the smallest step
      {0.0, 60.0, 1.0, 2.0, 1.0, 60.0},      // no discharge yet
      {-5.0, 60.0, 1.0, 2.0, 1.0, 60.0},
  };
  for (const Row& r : rows) {
    DischargeArray[1] = r.q;
    maxTimeStep = r.maxStep;
    minTimeStep = r.minStep;
    QRefTimeStep = r.qref;
    powTimeStep = r.power;
    TimeStep = -1.0;
    computeTimestep();
    EXPECT_NEAR(TimeStep, r.want, 1e-12 * r.want) << "Q " << r.q;
  }
  DischargeArray[1] = 0.0;
  setControlDefaults();
}

// After the correction every cross-section of block 1 carries the discharge
// of group 1, whatever the fluxes of its east faces were; the share of each
// face stays.
TEST(SedimentStatistics, EveryCrossSectionCarriesTheDischargeOfGroupOne) {
  InProjectDir dir;
  SedimentBox box;
  box.nx = 4;
  box.ny = 3;
  ASSERT_TRUE(box.build());
  DischargeArray[1] = 1500.0;
  // Uneven fluxes: each east face its own value.
  for (int c = 1; c <= NoCells; ++c) Fflux[Cflatee[c]] = 100.0 + 7.0 * (c % 5) + c;
  const int i = block[1].i1 + 1;
  const int c0 = lowestCellOf(i, block[1].j1);
  ASSERT_GT(c0, 0);
  const int f0 = Cflatee[c0], f1 = Cflatee[Ccellt[c0]];
  const double ratio = Fflux[f0] / Fflux[f1];
  correctContinuity();
  for (int x = block[1].i1; x <= block[1].i2; ++x) {
    double sum = 0.0;
    int faces = 0;
    for (int j = block[1].j1; j <= block[1].j2; ++j)
      forColumnUp(lowestCellOf(x, j), [&](int c) {
        sum += Fflux[Cflatee[c]];
        ++faces;
      });
    EXPECT_EQ(faces, 3 * 9) << "i " << x;  // nine cells a column
    EXPECT_NEAR(sum, 1500.0, 1e-9) << "i " << x;
  }
  EXPECT_NEAR(Fflux[f0] / Fflux[f1], ratio, 1e-12);
}

// A current along the bed under a return flow: the walk counts the cells up
// to the first one whose velocity turns negative (that one included), so
// the height is twice their half heights, the discharge twice the sum of
// half height x velocity, the time scale the height over the largest speed.
TEST(SedimentStatistics, TheDensityCurrentEndsWhereTheVelocityTurns) {
  InProjectDir dir;
  TurbDensFlag = 1;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  ASSERT_TRUE(BTheight && BTdischarge && BTugrad);
  const int i = block[1].i1, j = block[1].j1;
  const int c0 = lowestCellOf(i, j);
  ASSERT_GT(c0, 0);
  // Nine cells of 1/9 m (half heights h = 1/18): 0.2, 0.4, 0.3, then -0.1
  // and below.
  const double u[9] = {0.2, 0.4, 0.3, -0.1, -0.2, -0.2, -0.2, -0.2, -0.2};
  int k = 0;
  forColumnUp(c0, [&](int c) { Cxvel[c] = u[k++ % 9]; });
  ASSERT_EQ(k, 9);
  ASSERT_EQ(Ccellt[c0], c0 + 1);  // the column is numbered upwards
  computeDensityStat(block[1].i1, block[1].i2);
  const int b = pointbed[i][j];
  const double h = 1.0 / 18.0;
  EXPECT_NEAR(BTheight[b], 2.0 * 4 * h, 1e-9);
  EXPECT_NEAR(BTdischarge[b], 2.0 * h * (0.2 + 0.4 + 0.3 - 0.1), 1e-9);
  EXPECT_NEAR(BTugrad[b], 2.0 * 4 * h / 0.4, 1e-9);

  // A still column: the whole depth, the smallest velocity of F 82.
  const int c1 = lowestCellOf(i + 1, j);
  forColumnUp(c1, [](int c) { Cxvel[c] = 0.0; });
  computeDensityStat(block[1].i1, block[1].i2);
  const int b1 = pointbed[i + 1][j];
  EXPECT_NEAR(BTheight[b1], 1.0, 1e-9);
  EXPECT_NEAR(BTugrad[b1], 1.0 / TDvelo, 1e-6 / TDvelo);
}

// F 404 1 with R = 0.1: a constant bed change x reaches 0.1 x, 0.19 x,
// 0.271 x; F 404 5 sums it. The turning angle between the bottom and the
// top velocity is relaxed the same way, in degrees of 180/3.1415.
TEST(SedimentStatistics, TheMorphologyStatisticsRelaxTowardsTheBedChange) {
  InProjectDir dir;
  FlagMorphStatistics = 1;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  ASSERT_GE(surfaceCount(), 8);
  for (int n = 1; n <= NoBlocks; ++n) block[n].active = 1;
  const int i = block[1].i1, j = block[1].j1, b = pointbed[i][j];
  MorphInitiated = 0;
  Surfaces[5][i][j] = 99.0;  // cleared at the first call
  for (int bb = 1; bb <= NoBCells; ++bb) Bedmove[bb] = 0.002;
  const int c = Bcellt[b], t = columnTopCell(c);
  for (int x = 1; x <= NoCells; ++x) Cxvel[x] = Cyvel[x] = 0.0;
  Cxvel[c] = 1.0;  // east at the bottom
  Cyvel[t] = 1.0;  // north at the top: turned by a right angle
  const double want[3] = {0.1, 0.19, 0.271};
  for (double w : want) {
    computeMorphStatistics();
    EXPECT_NEAR(Surfaces[5][i][j], w * 0.002, 1e-15);
  }
  const double degrees = 180.0 / 3.1415 * std::asin(1.0);
  EXPECT_NEAR(Surfaces[6][i][j], 0.271 * degrees, 1e-9);
  EXPECT_GT(Surfaces[6][i][j], 0.271 * 90.0 + 1e-4);  // not 180/pi
  EXPECT_EQ(MorphInitiated, 1);

  FlagMorphStatistics = 5;
  computeMorphStatistics();
  EXPECT_NEAR(Surfaces[5][i][j], 0.271 * 0.002 + 0.002, 1e-15);
}

// The balance table of a step: the defect of each size is the inflow less
// the outflow, the suspended change and the change of the bed layers; the
// second defect takes the bed change booked by the fractions instead.
TEST(SedimentBalance, TheTableRowsAndTheLargestPercentage) {
  InProjectDir dir;
  lnumber = 2;
  density = 2.65;
  kIn[1] = 100.0, kUt[1] = 20.0, kSuspo[1] = 5.0, kSusp[1] = 15.0, kLayer2[1] = 69.0, kBedmove[1] = 70.0 / 2.65;
  kIn[2] = 0.0, kUt[2] = 0.0, kSuspo[2] = 0.0, kSusp[2] = 0.0, kLayer2[2] = 0.0, kBedmove[2] = 0.0;
  kIn[0] = 100.0, kUt[0] = 20.0, kSuspo[0] = 5.0, kSusp[0] = 15.0, kLayer2[0] = 69.0, kBedmove[0] = 70.0 / 2.65;
  continuityReport(BedChangeSummary{0.001, -0.003});
  const std::string log = logText();
  // Defect 100 - 20 - 10 - 69 = 1 kg, 1 % of the inflow; Defect2 0.
  EXPECT_NE(log.find("   1             100              20              15              69              70          1 "),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Average bedchange: 0.001000, max: -0.003000\n"), std::string::npos) << log;
  EXPECT_NEAR(PrintMaxErrorSuspSed, 1.0, 1e-9);
  // A size that neither entered nor left: its percentages divide by 1e-10.
  kSusp[2] = 1e-12;
  continuityReport(BedChangeSummary{});
  EXPECT_NEAR(PrintMaxErrorSuspSed, 1.0, 1e-9);  // -1e-12 kg is -1 %: not above the largest
  kSusp[2] = -2e-12;
  continuityReport(BedChangeSummary{});
  EXPECT_NEAR(PrintMaxErrorSuspSed, 2.0, 1e-6);
  setControlDefaults();
  setRunStateInitial();
}

// The sums after the bed change (F 37 2): the bed change in kg, the layer
// masses against the start, the suspended mass; F 448 2 limits the ratio to
// 1 (N = 5 kg over 2 kg).
TEST(SedimentBalance, TheRunningSumsAndTheDefectRatio) {
  InProjectDir dir;
  FlagTSC = 2;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  for (int b = 1; b <= NoBCells; ++b) {
    BSedDistrib[0][0][b] = 0.5;
    BSedDistrib[1][0][b] = 0.01;
    BSedDistrib[0][1][b] = BSedDistrib[1][1][b] = 1.0;
    Bedmove[b] = 0.001;
  }
  kLayer1[0] = kLayer1[1] = 0.0;
  SumBedChange = 0.0;
  for (int c = 1; c <= NoCells; ++c) Cconc[1][c] = 0.001;
  double area = 0.0, volume = 0.0;
  for (int b = 1; b <= NoBCells; ++b) area += Barea[b];
  for (int c = 1; c <= NoCells; ++c) volume += Cvol[c];
  const double perVolume = SolidFrac * 1000.0 * density;
  // N = kIn - kUt - kSusp - kLayer2 = 5 kg and kIn + kSusp + kUt = 2 kg.
  const double S = 0.001 * volume * 1000.0 * density, L = 0.51 * area * perVolume;
  FlagDefectRatio = 2;
  kIn[1] = (7.0 + L) / 2.0;
  kUt[1] = 2.0 - S - kIn[1];
  kSuspo[1] = 0.0;
  const BedChangeSummary s = sedimentBalanceSums();
  EXPECT_NEAR(SumBedChange, 0.001 * area * perVolume, 1e-9);
  EXPECT_NEAR(kLayer2[1], L, 1e-9 * L);
  EXPECT_NEAR(kSusp[1], S, 1e-9 * S);
  EXPECT_NEAR(kSusp[0], kSusp[1], 1e-12);
  EXPECT_NEAR(s.mean, 0.001, 1e-12);
  EXPECT_NEAR(s.largest, 0.001, 1e-12);
  EXPECT_DOUBLE_EQ(kDefectRatio[1], 1.0);
  FlagDefectRatio = 1;
  sedimentBalanceSums();
  EXPECT_NEAR(kDefectRatio[1], 5.0 / kSusp[1], 1e-9);
}

// The closing time line: seconds below 10000 s, hours up to 5e6 s, days
// from there on.
TEST(SedimentBalance, TheClosingTimeLineChoosesItsUnit) {
  InProjectDir dir;
  struct Row {
    double t;
    const char* line;
  } rows[] = {{9999.0, "Time: 9999.000000 seconds\n"},
              {10000.0, "Time: 2.777778 hours\n"},
              {4999999.0, "Time: 1388.888611 hours\n"},
              {5000000.0, "Time: 57.870370 days\n"}};
  for (const Row& r : rows) {
    stimet = r.t;
    closingReport();
    EXPECT_NE(logText().find(r.line), std::string::npos) << r.line;
  }
  stimet = 0.0;
}

namespace {

// The layer stacks of a 3 x 2 box with two sizes (F 37 3): every bed cell has
// layer 0 (0.1 m) and layer 1 (0.2 m), bed cell 3 also layer 2 (0.6 m, solid
// fraction 0.9, all size 1); solid fraction 0.6 elsewhere; fractions 0.5 and
// 0.5 except bed cell 2 layer 1 (0.5 + 0.375: off by 0.125), bed cell 4
// layer 0 (0.5 + 0.75: off by 0.25) and bed cell 5 layer 1 (0.5 + 0.25: off
// by 0.25 as well, but later). The fixed bed lies 1.5 m below the bed, 0.4 m
// lower still at the outer corner of the first column (no other column
// touches it).
void layerStacks() {
  FlagTSC = 3;
  NoBedLayers = 3;
  SolidFrac = 0.6;
  density = 2.65;
  SedimentBox box;
  box.sizes = 2;
  ASSERT_TRUE(box.build());
  ASSERT_EQ(NoBCells, 6);
  for (int b = 1; b <= NoBCells; ++b) {
    ASSERT_NEAR(Barea[b], 1.0, 1e-12);
    BlayerTop[b] = b == 3 ? 2 : 1;
    for (int k = 0; k <= 2; ++k) {
      BSedDistrib[k][0][b] = k == 0 ? 0.1 : k == 1 ? 0.2 : 0.6;
      BSedDistrib[k][1][b] = k == 2 ? 1.0 : 0.5;
      BSedDistrib[k][2][b] = k == 2 ? 0.0 : 0.5;
      Bsolidfraction[k][b] = k == 2 ? 0.9 : 0.6;
    }
    Bedmove[b] = 0.001 * b;
  }
  BSedDistrib[1][2][2] = 0.375;
  BSedDistrib[0][2][4] = 0.75;
  BSedDistrib[1][2][5] = 0.25;
  for (int i = 0; i <= xnumber; ++i)
    for (int j = 0; j <= ynumber; ++j) Surfaces[3][i][j] = zval[i][j][1] - 1.5;
  Surfaces[3][Bkooi[1] - 1][Bkooj[1] - 1] -= 0.4;
  for (int l = 0; l <= 2; ++l) kLayer1[l] = 0.0;
}

}  // namespace

// The checks of the multi-layer stacks, by hand: the largest departure 0.25
// at bed cell 4, layer 0 (the first of the two); the mean solid fraction of
// the 13 layers (12 x 0.6 + 0.9) / 13, 0.3 / 13 above F 26; the layer
// thickness per bed cell (6 x 0.3 + 0.6) / 6 = 0.4 m; the fixed bed 1.5 m
// down, plus a quarter of 0.4 m in the first column: 1.5 + 0.1 / 6 m. The layer masses: 6 x 0.3 x 0.6 + 0.6 x 0.9
// = 1.62 m of solids, 1.08 m of them size 1, times 2650 kg/m3.
TEST(SedimentBalance, TheChecksOfTheLayerStacks) {
  InProjectDir dir;
  layerStacks();
  sedimentBalanceSums();
  EXPECT_DOUBLE_EQ(kSumfrac, 0.25);
  EXPECT_EQ(kSumfracBed, 4);
  EXPECT_EQ(kSumfracLayer, 0);
  EXPECT_NEAR(kSumSolid, 8.1 / 13.0, 1e-12);
  EXPECT_NEAR(kSumBSed0, 0.4, 1e-12);
  EXPECT_NEAR(kSumThick, 1.5 + 0.1 / 6.0, 1e-12);
  EXPECT_NEAR(kLayer2[0], 1.62 * 2650.0, 1e-9);
  EXPECT_NEAR(kLayer2[1], 1.08 * 2650.0, 1e-9);
  debugging = 'D';
  continuityReport(BedChangeSummary{});
  EXPECT_NE(logText().find("Max def. fractions: 0.25 (4,0) BSD[0]=0.1, BtopL=1, delta solidfrac: 0.0230769, "
                           "AvBedThick 1.51667, AvSedD0: 0.4\n"),
            std::string::npos)
      << logText();
  setControlDefaults();
  setRunStateInitial();
}

// A layer whose fractions sum to 1 +- more than 0.5 ends the run (status -4)
// after the report, unless it is an empty layer 0 (at most 1e-7 m); a
// departure of exactly 0.5 goes on.
TEST(SedimentBalanceDeathTest, FractionsFarFromOneEndTheRun) {
  GTEST_FLAG_SET(death_test_style, "fast");
  struct Case {
    int layer;
    double size2, thickness;
    const char* stop;  // the lines after "Average bedchange", "" when the run goes on
  };
  const Case cases[] = {
      {1, 1.125, 0.2,
       "Error sum fractions = 0.625000. Bedmove[4] = 4.000000e-03, lb=1, BlayerTop = 1\n"
       "BSedDistrib[1][0][4] = 2.000000e-01\n"},
      {0, 1.125, 2e-7,
       "Error sum fractions = 0.625000. Bedmove[4] = 4.000000e-03, lb=0, BlayerTop = 1\n"
       "BSedDistrib[0][0][4] = 2.000000e-07\n"},
      {0, 1.125, 1e-7, ""},
      {1, 0.0, 0.2, ""},
  };
  for (const Case& k : cases) {
    InProjectDir dir;
    layerStacks();
    BSedDistrib[k.layer][2][4] = k.size2;
    BSedDistrib[k.layer][0][4] = k.thickness;
    sedimentBalanceSums();
    const std::string tail = "Average bedchange: 0.000000, max: 0.000000\n" + std::string(k.stop);
    // Both in a child: a run that should go on and stops fails here too.
    EXPECT_EXIT(
        {
          continuityReport(BedChangeSummary{});
          std::exit(0);
        },
        ::testing::ExitedWithCode(*k.stop ? 252 : 0), "");
    const std::string log = logText();
    ASSERT_GE(log.size(), tail.size());
    EXPECT_EQ(log.substr(log.size() - tail.size()), tail) << k.layer << " " << k.thickness;
    setControlDefaults();
    setRunStateInitial();
  }
}
