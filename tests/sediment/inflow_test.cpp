// Sediment inflow at the discharge groups: the mass that enters, the
// variants that spread it over the section, the time series, the fed-back
// outflow concentration with `outconc`, and the inspace polynomial.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "io/sidefiles.h"
#include "sediment/sediment_fixture.h"
#include "sediment/suspended.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"
#include "support/in_dir.h"

namespace {

double sum(const double* a) {
  double s = 0.0;
  for (int c = 1; c <= NoCells; ++c) s += a[c];
  return s;
}

void inflowOf(double litres, std::initializer_list<double> conc) {
  DischargeStruct[1].discharge = litres;
  CompInflowNo = 1;
  int k = 1;
  for (double c : conc) CompInflow[1].value[k++] = c;
}

}  // namespace

// 100 l/s at a concentration of 0.001 for 10 s bring 100 x 10 x 0.001 x
// 2650 / 1000 = 2.65 kg; the diagonal takes the water, the source water times
// concentration, Binout the water of the bottom cells.
TEST(SedimentInflow, OneHundredLitresAtOnePerMille) {
  InProjectDir p;
  FlagTSC = 1;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  TimeStep = 10.0;
  inflowOf(100.0, {0.001});
  InflowSediment();
  EXPECT_NEAR(SumInflow, 2.65, 1e-12);
  EXPECT_NEAR(kIn[1], 2.65, 1e-12);
  EXPECT_NEAR(sum(Cap), 100.0, 1e-9);
  EXPECT_NEAR(sum(Csource), 0.1, 1e-12);
  double binout = 0.0, bottomWater = 0.0;
  for (int b = 1; b <= NoBCells; ++b) binout += Binout[b];
  const DischargeGroup& G = DischargeStruct[1];
  for (int i = 0; i < G.surfno; ++i)
    if (Ccellb[Fcell2[G.face[i]]] == 0) bottomWater += Farea[G.face[i]] * 100.0 / G.area;
  EXPECT_NEAR(binout, bottomWater, 1e-12);
  EXPECT_GT(binout, 0.0);
}

// Several sizes: each size's mass in kIn, their sum in SumInflow; Binout only
// in the call of size 1. Every variant brings the whole discharge times the
// concentration into the sources: the uniform one, the lowest cells (F 455)
// and the near-bed columns (F 497).
TEST(SedimentInflow, SeveralSizesAndTheirVariants) {
  struct Variant {
    const char* name;
    int lowest, nearBed;
  };
  for (const Variant v : {Variant{"uniform", 0, 0}, Variant{"lowest", 2, 0}, Variant{"near bed", 0, 1}}) {
    InProjectDir p;
    FlagTSC = 1;
    SedimentBox box;
    box.sizes = 3;
    ASSERT_TRUE(box.build());
    TimeStep = 2.0;
    LevelInflowSed = v.lowest;
    FlagInflowConcVar = v.nearBed;
    inflowOf(40.0, {0.001, 0.002, 0.004});
    for (int l = 1; l <= 3; ++l) {
      const double binoutBefore = [] {
        double s = 0.0;
        for (int b = 1; b <= NoBCells; ++b) s += Binout[b];
        return s;
      }();
      InflowSedimentM(l);
      double binout = 0.0;
      for (int b = 1; b <= NoBCells; ++b) binout += Binout[b];
      if (l > 1) {
        EXPECT_EQ(binout, binoutBefore) << v.name;
      }
      EXPECT_NEAR(sum(Csourcem[l]), 40.0 * 0.001 * (1 << (l - 1)), 1e-9) << v.name << " size " << l;
      EXPECT_NEAR(kIn[l], 40.0 * 2.0 * 0.001 * (1 << (l - 1)) * 2.65, 1e-9) << v.name << " size " << l;
      EXPECT_NEAR(sum(Capm[l]), 40.0, 1e-9) << v.name << " size " << l;
    }
    EXPECT_NEAR(SumInflow, 40.0 * 2.0 * 0.007 * 2.65, 1e-9) << v.name;
    // F 455 2: only the two lowest cells of each column carry sediment.
    if (v.lowest == 2) {
      for (int c = 1; c <= NoCells; ++c) {
        if (Csourcem[1][c] > 0.0) {
          EXPECT_TRUE(Ccellb[c] == 0 || Ccellb[Ccellb[c]] == 0) << c;
        }
      }
    }
  }
}

// The logarithmic profile (F 202) puts more water into the upper cells and
// keeps the discharge.
TEST(SedimentInflow, LogarithmicProfileKeepsTheDischarge) {
  InProjectDir p;
  FlagTSC = 1;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  TimeStep = 1.0;
  FlagLogInflow = 1;
  XksInflow = 0.05;
  inflowOf(100.0, {0.001});
  InflowSediment();
  EXPECT_NEAR(sum(Cap), 100.0, 1e-9);
  EXPECT_NEAR(SumInflow, 100.0 * 0.001 * 2.65, 1e-12);
  const int inletCell = Fcell2[DischargeStruct[1].face[0]];
  int top = inletCell;
  while (Ccellt[top]) top = Ccellt[top];
  int bottom = inletCell;
  while (Ccellb[bottom]) bottom = Ccellb[bottom];
  EXPECT_GT(Cap[top], Cap[bottom]);
}

// With the series the group's concentration is column lnumber (j - 1) + l
// of the inflow groups j; a single record holds.
TEST(SedimentInflow, ConcentrationFromTheSeries) {
  InProjectDir p;
  FlagTSC = 1;
  TimeStep = 1.0;
  SedimentBox box;
  box.sizes = 2;
  ASSERT_TRUE(box.build());
  FlagDischargeTime = 1;
  TimeInNo = 2;
  TimeInTime[0] = 0.0, TimeInTime[1] = 10.0;
  QDinn[0][1] = 0.02, QDinn[1][1] = 0.04;
  Cinn[0][2] = 0.001, Cinn[1][2] = 0.003;
  stimet = 5.0;
  InflowSedimentM(2);
  EXPECT_NEAR(DischargeArray[1], 30.0, 1e-9);
  EXPECT_NEAR(sum(Csourcem[2]), 30.0 * 0.002, 1e-12);
  TimeInNo = 1;
  stimet = 100.0;
  for (int c = 1; c <= NoCells; ++c) Csourcem[2][c] = 0.0;
  InflowSedimentM(2);
  EXPECT_NEAR(DischargeArray[1], 20.0, 1e-9);
  EXPECT_NEAR(sum(Csourcem[2]), 20.0 * 0.001, 1e-12);
}

// A cyclic run feeds the outflow mean back into group 1 and writes it to
// outconc every 100 steps; F 174 3 starts from an empty buffer; a group 2
// without faces feeds back nothing.
TEST(SedimentInflow, CyclicFeedBackAndOutconc) {
  InProjectDir p;
  FlagTSC = 1;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  TimeStep = 1.0;
  inflowOf(10.0, {0.5});
  for (int c = 1; c <= NoCells; ++c) Cconc[1][c] = 0.004;
  FlagCyclicS = 2;
  Iter = 200;
  stimet = 12.5;
  InflowSediment();
  EXPECT_NEAR(sum(Csource), 10.0 * 0.004, 1e-12);
  EXPECT_EQ(p.dir().read("outconc"), "12.500000 sec, 0.004\n");
  FlagCyclicS = 3;
  Iter = 201;
  concBuffer[1] = -1.0;  // unset
  for (int c = 1; c <= NoCells; ++c) Csource[c] = 0.0;
  InflowSediment();
  EXPECT_NEAR(sum(Csource), 10.0 * 0.01 * 0.004, 1e-12);
  EXPECT_NEAR(concBuffer[1], 0.00004, 1e-15);
  EXPECT_EQ(p.dir().read("outconc"), "12.500000 sec, 0.004\n");

  DischargeStruct[2].surfno = 0;
  FlagCyclicS = 2;
  Iter = 300;
  for (int c = 1; c <= NoCells; ++c) Csource[c] = 0.0;
  InflowSediment();
  EXPECT_NEAR(sum(Csource), 10.0 * 0.5, 1e-12);
  EXPECT_FALSE(std::isnan(sum(Csource)));
}

// Several sizes write one outconc line per time step, and F 537 appends the
// three period averages once the last period has passed: each average over
// the same steps for every size.
TEST(SedimentInflow, OutconcLineOfSeveralSizesAndPeriodAverages) {
  InProjectDir p;
  FlagTSC = 1;
  SedimentBox box;
  box.sizes = 2;
  ASSERT_TRUE(box.build());
  TimeStep = 1.0;
  FlagOutConc = 5;
  for (int c = 1; c <= NoCells; ++c) Cconc[1][c] = 0.25, Cconc[2][c] = 0.5;
  Iter = 10;
  stimet = 1.0;
  InflowSedimentM(1);
  InflowSedimentM(2);
  EXPECT_EQ(p.dir().read("outconc"), "1.000000 sec, 0.25 0.5 \n");
  FlagVandrel = 1;
  for (double t : {100.0, 300000.0, 600000.0, 800000.0}) {
    stimet = t;
    InflowSedimentM(1);
    InflowSedimentM(2);
  }
  const std::string text = p.dir().read("outconc");
  EXPECT_NE(text.find("Av0: 0.250000 0.500000 \nAv1: 0.250000 0.500000 \nAv2: 0.250000 0.500000 \n"),
            std::string::npos)
      << text;
}

// The inspace polynomial gives the concentration by position; a value above
// 1 ends the run with its message and status -1.
TEST(SedimentInflow, InspacePolynomial) {
  InProjectDir p;
  FlagTSC = 1;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  TimeStep = 1.0;
  // The inspace polynomial leaves the discharges as the flow set them.
  DischargeArray[1] = 10.0;
  FlagInspace = 1;
  for (double& a : inspace[1]) a = 0.0;
  inspace[1][1] = 0.001;
  inflowMult[1] = 2.0;
  InflowSediment();
  EXPECT_NEAR(sum(Csource), 10.0 * 0.002, 1e-12);
  inspace[1][4] = 2.0;  // 2 x depth below the top: above 1 near the bed
  EXPECT_EXIT(InflowSediment(), ::testing::ExitedWithCode(255), "");
  EXPECT_NE(p.dir().boogie().find("Probable error in inspace file. Concentration for size 1 is 1.001\n"),
            std::string::npos)
      << p.dir().boogie();
  EXPECT_NE(p.dir().boogie().find("Location xyz coordinates: ("), std::string::npos);
}

namespace {

// The discharge group 1 made uneven as a deposit at the inlet leaves it:
// its faces get areas that grow with height (0.1, 0.2, 0.3 ... m2 up each
// column), and the second cell of the first column loses its west face (the
// face leaves the group's list, Cflatew becomes 0). The group's area is the
// sum of what is left.
void unevenInletSection() {
  DischargeGroup& G = DischargeStruct[1];
  int kept = 0;
  double area = 0.0;
  bool dropped = false;
  for (int e = 0; e < G.surfno; ++e) {
    const int f = G.face[e], c = Fcell1[f] > 0 ? Fcell1[f] : Fcell2[f];
    int level = 1;
    for (int k = c; Ccellb[k] > 0; k = Ccellb[k]) ++level;
    if (!dropped && level == 2) {
      Cflatew[c] = 0;
      dropped = true;
      continue;
    }
    Farea[f] = 0.1 * level;
    area += Farea[f];
    G.face[kept++] = f;
  }
  ASSERT_TRUE(dropped);
  G.surfno = kept;
  G.area = area;
}

}  // namespace

// F 455 with an uneven inlet: every face cell takes the water of its own face
// on the diagonal (the walked cells and those above them alike), the sediment
// enters the two lowest cells in proportion to their water, and the whole
// discharge brings it: nothing is lost where a cell has no west face or the
// cells of a column differ in area.
TEST(SedimentInflow, LowestCellsBookEachCellsOwnWater) {
  InProjectDir p;
  FlagTSC = 1;
  SedimentBox box;
  box.sizes = 3;
  ASSERT_TRUE(box.build());
  TimeStep = 2.0;
  LevelInflowSed = 2;
  inflowOf(40.0, {0.001, 0.002, 0.004});
  unevenInletSection();
  const DischargeGroup& G = DischargeStruct[1];
  const double q = 40.0 / G.area;
  InflowSedimentM(1);
  double walkedWater = 0.0;
  for (int e = 0; e < G.surfno; ++e) {
    const int f = G.face[e], c = Fcell2[f] > 0 ? Fcell2[f] : Fcell1[f];
    EXPECT_NEAR(Capm[1][c], Farea[f] * q, 1e-12) << "cell " << c;
    const bool walked = Ccellt[c] > 0 && (Ccellb[c] == 0 || Ccellb[Ccellb[c]] == 0);
    if (walked) walkedWater += Farea[f] * q;
    if (!walked) {
      EXPECT_EQ(Csourcem[1][c], 0.0) << "cell " << c;
    }
  }
  for (int e = 0; e < G.surfno; ++e) {
    const int f = G.face[e], c = Fcell2[f] > 0 ? Fcell2[f] : Fcell1[f];
    const bool walked = Ccellt[c] > 0 && (Ccellb[c] == 0 || Ccellb[Ccellb[c]] == 0);
    if (walked) {
      EXPECT_NEAR(Csourcem[1][c], Farea[f] * q * 0.001 * 40.0 / walkedWater, 1e-12) << "cell " << c;
    }
  }
  EXPECT_NEAR(sum(Capm[1]), 40.0, 1e-9);
  EXPECT_NEAR(sum(Csourcem[1]), 40.0 * 0.001, 1e-12);
  EXPECT_NEAR(kIn[1], 40.0 * 2.0 * 0.001 * 2.65, 1e-12);
}

// The logarithmic profile (F 202) with several sizes: each size books the
// water that the pressure step lets in through each face, ln(30 z / ks)
// weighted over the section from its lowest bed, and so the sediment too.
TEST(SedimentInflow, SeveralSizesBookTheLogarithmicProfileOfTheWater) {
  for (const int sizes : {1, 3}) {
    InProjectDir p;
    FlagTSC = sizes == 1 ? 3 : 1;
    SedimentBox box;
    box.sizes = sizes;
    ASSERT_TRUE(box.build());
    TimeStep = 1.0;
    FlagLogInflow = 1;
    XksInflow = 0.05;
    inflowOf(100.0, {0.001, 0.002, 0.004});
    const DischargeGroup& G = DischargeStruct[1];
    double zb = 1e9, S = 0.0;
    for (int e = 0; e < G.surfno; ++e) {
      const int c = Fcell2[G.face[e]] > 0 ? Fcell2[G.face[e]] : Fcell1[G.face[e]];
      if (Ccellb[c] == 0) zb = std::min(zb, Czcenter[c] - Ckdist[c]);
    }
    for (int e = 0; e < G.surfno; ++e) {
      const int c = Fcell2[G.face[e]] > 0 ? Fcell2[G.face[e]] : Fcell1[G.face[e]];
      S += std::log(30.0 * (Czcenter[c] - zb) / 0.05) * Farea[G.face[e]];
    }
    for (int l = 1; l <= sizes; ++l) {
      InflowSedimentM(l);
      for (int e = 0; e < G.surfno; ++e) {
        const int f = G.face[e], c = Fcell2[f] > 0 ? Fcell2[f] : Fcell1[f];
        const double water = 100.0 * std::log(30.0 * (Czcenter[c] - zb) / 0.05) * Farea[f] / S;
        EXPECT_NEAR(Capm[l][c], water, 1e-9) << "size " << l << " cell " << c;
        EXPECT_NEAR(Csourcem[l][c], water * 0.001 * (1 << (l - 1)), 1e-12) << "size " << l << " cell " << c;
      }
      EXPECT_NEAR(sum(Capm[l]), 100.0, 1e-9);
    }
  }
}

// What the reader's refusals of F 455 with F 497 and of an inspace A record
// above 1 keep a run from: the "no source" variant, in which the
// sediment the groups carry enters nowhere and the run goes on without it.
TEST(SedimentInflow, CombinationsWithoutAVariantBringNoSediment) {
  struct Row {
    const char* name;
    int lowest, nearBed, inspaceFlag;
  };
  for (const Row& r : {Row{"F 455 with F 497", 2, 1, 0}, Row{"inspace A 2", 0, 0, 2}}) {
    InProjectDir p;
    FlagTSC = 1;
    SedimentBox box;
    box.sizes = 2;
    ASSERT_TRUE(box.build());
    TimeStep = 2.0;
    LevelInflowSed = r.lowest;
    FlagInflowConcVar = r.nearBed;
    FlagInspace = r.inspaceFlag;
    for (double& a : inspace[1]) a = 0.0;
    inspace[1][1] = 0.001;
    inflowOf(40.0, {0.001, 0.002});
    DischargeArray[1] = 40.0;
    InflowSedimentM(1);
    EXPECT_EQ(sum(Csourcem[1]), 0.0) << r.name;
    EXPECT_EQ(kIn[1], 0.0) << r.name;
  }
}

// F 377 3 with a series of four records (0, 10, 20, 30 s): at 15 s the
// record index is 2 and group 1 brings the series' concentration (0.001);
// at 25 s it is 3: the run turns to cyclic inflow (F 174 2nd value 2) and
// group 1 brings the outflow mean 0.004, and stays so.
TEST(SedimentInflow, CyclicInflowFromTheRecordOfF377) {
  InProjectDir p;
  FlagTSC = 1;
  TimeStep = 1.0;
  SedimentBox box;
  ASSERT_TRUE(box.build());
  FlagDischargeTime = 1;
  TimeInNo = 4;
  for (int r = 0; r < 4; ++r) TimeInTime[r] = 10.0 * r, QDinn[r][1] = 0.01, QDinn[r][2] = 0.01, Cinn[r][1] = 0.001;
  for (int c = 1; c <= NoCells; ++c) Cconc[1][c] = 0.004;
  FlagCyclicSstart = 3;
  Iter = 1;
  struct Case {
    double t;
    int cyclic;
    double conc;
  };
  for (const Case& k : {Case{15.0, 0, 0.001}, Case{25.0, 2, 0.004}, Case{5.0, 2, 0.004}}) {
    stimet = k.t;
    for (int c = 1; c <= NoCells; ++c) Csource[c] = 0.0;
    InflowSediment();
    EXPECT_EQ(FlagCyclicS, k.cyclic) << k.t;
    EXPECT_NEAR(sum(Csource), 10.0 * k.conc, 1e-12) << k.t;
  }
}
