// Source terms of the water-quality components: surface releases, inflows,
// the reaction terms of the top cells, the bottom cells and every cell, the
// heat budget, the vertical transfer and the bed model, each worked by hand
// on two columns of three cells.
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>

#include "flow/components.h"
#include "flow/compterms.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"
#include "support/small_grid.h"

namespace {

// Two columns (i = 2, 3) of three cells: cells 1..3 and 4..6 from the bed up.
// Each column is 2 m by 1 m and 1.5 m deep: cells 0.5 m high, Cvol 1 m3
// (V = 1000), top and bottom faces 2 m2 (At = Ab = 2000), west faces 0.5 m2.
// Components: 0 the temperature 20, 1 = 2, 3, 4 and 2 = 0.5, 1.5, 2.5 from
// the bed up in both columns. Time step 2 s, one inner iteration, three BQvar
// rows; component 1 is solved.
class WqCells : public ::testing::Test {
 protected:
  InProjectDir dir;
  SmallGrid g;

  void SetUp() override {
    setRunStateInitial();
    NoComponents = 3;
    TimeStep = 2.0;
    TransInnerIter = 1;
    FlagBedCalc = 3;
    g.nx = 2, g.ny = 1, g.nz = 3;
    g.dx = 2.0;
    g.water = [](int, int) { return 1.5; };
    g.build();
    setRecordsInitial();
    ASSERT_NE(Ccomp, nullptr);
    ASSERT_NE(BQvar, nullptr);
    ASSERT_NE(TimeInTime, nullptr);
    const double c1[] = {2.0, 3.0, 4.0}, c2[] = {0.5, 1.5, 2.5};
    for (int col = 0; col < 2; ++col)
      for (int k = 0; k < 3; ++k) {
        const int c = 3 * col + k + 1;
        Ccomp[0][c] = 20.0;
        Ccomp[1][c] = c1[k];
        Ccomp[2][c] = c2[k];
      }
    Equation = 9;
    clear();
  }
  void clear() {
    for (int c = 0; c <= NoCells; ++c) Cap[c] = Csource[c] = 0.0;
  }
  static ReactionTerm term(int type, int component, std::initializer_list<int> a, std::initializer_list<double> p) {
    ReactionTerm t{};
    t.type = type;
    t.component = component;
    int i = 0;
    for (int v : a) t.arg[i++] = v;
    i = 0;
    for (double v : p) t.parameter[i++] = v;
    return t;
  }
  static void only(const ReactionTerm& t) {
    NoTerms = 1;
    QTerms[0] = t;
  }
};

// E(r) in a cell of V = 1000 with dt = 2, N = 1, r per day by the factor
// 1.182033e-5.
double E(double r) { return (std::exp(1.182033e-5 * r * 2.0) - 1.0) * 1000.0 / 2.0; }

TEST_F(WqCells, GridIsAsDescribed) {
  ASSERT_EQ(NoCells, 6);
  EXPECT_DOUBLE_EQ(Cvol[2], 1.0);
  EXPECT_DOUBLE_EQ(Farea[Cflatet[3]], 2.0);
  EXPECT_DOUBLE_EQ(Farea[Cflateb[1]], 2.0);
  EXPECT_DOUBLE_EQ(Farea[Cflatew[2]], 0.5);
  EXPECT_EQ(Ccellt[3], 0);
  EXPECT_EQ(Ccellb[1], 0);
  EXPECT_EQ(Bcellt[2], 4);
}

// One term of component 1 at a time; C = 2, 3, 4 and C2 = 0.5, 1.5, 2.5 in
// cells 1, 2, 3; T = 20.
TEST_F(WqCells, EachTermTypeByHand) {
  struct Case {
    ReactionTerm t;
    int cell;
    double source;
  };
  const Case cases[] = {
      // top cells: At = 2000
      {term(1001, 1, {}, {0.3}), 3, 0.3 * 2000},
      {term(1001, 1, {}, {0.3}), 2, 0.0},
      {term(1002, 1, {}, {0.3, 5.0}), 3, 0.3 * 2000 * (5.0 - 4.0)},
      {term(1003, 1, {1, 2}, {0.1}), 3, 0.1 * 2000 * 4.0 * 2.5},
      {term(1004, 1, {1, 2}, {0.1}), 3, 2.5 * 2000},          // max(4 0.1 2.5, 2.5)
      {term(1004, 1, {1, 2}, {1.0}), 3, 10.0 * 2000},         // max(4 1 2.5, 2.5)
      {term(1012, 1, {2}, {0.1}), 3, 0.1 * 2000 * 2.5},
      {term(1005, 1, {}, {0.3}), 3, 0.0},                     // no such term
      // bottom cells: V = 1000
      {term(2001, 1, {}, {0.3}), 1, 0.3 * 1000},
      {term(2001, 1, {}, {0.3}), 2, 0.0},
      {term(2002, 1, {2}, {0.3}), 1, 0.3 * 1000 * 0.5},
      {term(2003, 1, {1, 2}, {0.1}), 1, 0.1 * 1000 * 2.0 * 0.5},
      {term(2004, 1, {1, 2}, {2.0}), 1, 2.0 * 1000},          // max(2 2 0.5, 0.5)
      {term(2004, 1, {1, 2}, {0.1}), 1, 0.5 * 1000},          // max(2 0.1 0.5, 0.5)
      // every cell; N dt = 2
      {term(1, 1, {}, {0.1}), 2, 0.1 * 1000 * 0.9},           // (1 - 0.1)^(2 - 1)
      {term(1, 1, {}, {0.0}), 2, 0.0},
      {term(2, 1, {2}, {0.1}), 2, 0.1 * 1000 * 1.5 * 0.9},
      {term(3, 1, {1, 2}, {0.1}), 2, 0.1 * 1000 * 3.0 * 1.5},
      {term(4, 1, {1, 2}, {0.1}), 2, 1.5 * 1000},             // max(3 0.1 1.5, 1.5)
      {term(5, 1, {1, 2}, {0.1}), 2, 2000 * 0.1 * (3.0 - 1.5)},
      {term(120, 1, {2}, {0.1, 0.5}), 2, 3.0 * 1000 * 0.1 * 1.5 / 2.0},
      {term(230, 1, {2, 0}, {0.1, 0.5, 20.0}), 2, 3.0 * 1000 * 0.1 * 0.5},        // min(0.75, 0.5)
      {term(340, 1, {2, 0, 1}, {0.1, 0.5, 20.0, 9.0}), 2, 3.0 * 1000 * 0.1 * 0.25},  // min(0.75, 0.5, 0.25)
      {term(340, 1, {2, 0, 1}, {0.1, 0.5, 20.0, 1.0}), 2, 3.0 * 1000 * 0.1 * 0.5},   // min(0.75, 0.5, 0.75)
      // bed erosion: 300 k = 3 against 1
      {term(2030, 1, {}, {1.0, 0.01, 2.0}), 1, 2000 * 0.01 * 4.0},
      {term(2030, 1, {}, {1.0, 0.01, 2.0}), 2, 0.0},
      // eddy-viscosity exchange at the top: Cgamma 0.01
      {term(1102, 1, {}, {5.0, 0.2}), 3, 0.01 * 0.2 * 2000 * (5.0 - 4.0)},
      {term(1102, 1, {}, {5.0, 0.2}), 2, 0.0},
      // exponential reaction, rate 1.5 x 2 x 3 per day
      {term(122, 1, {2}, {2.0}), 2, E(9.0)},
  };
  for (const Case& k : cases) {
    clear();
    for (int c = 1; c <= NoCells; ++c) {
      Ckinen[c] = 0.01;
      Cgamma[c] = 0.01;
    }
    only(k.t);
    CompSource();
    EXPECT_NEAR(Csource[k.cell], k.source, 1e-9 * (1.0 + std::fabs(k.source)))
        << "type " << k.t.type << " cell " << k.cell;
    EXPECT_EQ(Cap[k.cell], 0.0) << "type " << k.t.type;
  }
}

TEST_F(WqCells, BedErosionNeedsShearAboveTheThreshold) {
  only(term(2030, 1, {}, {1.0, 0.01, 0.0}));
  Ckinen[1] = 1.0 / 300.0;  // 300 k equals the threshold: nothing, whatever p2
  CompSource();
  EXPECT_EQ(Csource[1], 0.0);
}

TEST_F(WqCells, ExponentialChangeTakesTheDayFactorOfTheEngine) {
  // A rate of 1 per day over 43200 s in one inner iteration:
  // exp(1.182033e-5 x 43200) - 1 = exp(0.51063826) - 1, not exp(0.5) - 1.
  TimeStep = 43200.0;
  EXPECT_NEAR(expChange(2, 1.0), (std::exp(0.51063826) - 1.0) * 1000.0 / 43200.0, 1e-9);
  // Over N inner iterations each gets an N-th of the step.
  TransInnerIter = 4;
  EXPECT_NEAR(expChange(2, 1.0), (std::exp(0.51063826 / 4) - 1.0) * 1000.0 / 43200.0, 1e-9);
}

TEST_F(WqCells, TemperatureFactorOfTheExponentialReaction) {
  TemperatureFlag = 1;
  Ccomp[0][2] = 22.0;
  ReactionTerm t = term(122, 1, {2}, {2.0});
  t.parameter[5] = 1.1;
  only(t);
  CompSource();
  EXPECT_NEAR(Csource[2], E(9.0 * 1.21), 1e-9);  // 1.1^(22 - 20)
  // Without the temperature flag the factor is 1.
  clear();
  TemperatureFlag = 0;
  CompSource();
  EXPECT_NEAR(Csource[2], E(9.0), 1e-9);
}

TEST_F(WqCells, TermActsOnlyForItsOwnComponent) {
  only(term(1001, 2, {}, {0.3}));
  CompSource();
  for (int c = 1; c <= NoCells; ++c) EXPECT_EQ(Csource[c], 0.0) << c;
  Equation = 10;
  CompSource();
  EXPECT_DOUBLE_EQ(Csource[3], 600.0);
}

// Type 11 moves F = C p0 At of each cell: 4, 6, 8 for p0 = +-0.001 in
// cells 1, 2, 3 (the same in cells 4, 5, 6).
TEST_F(WqCells, RisingAndSettlingAtTopAndBottom) {
  struct Case {
    double p0;
    double s1, s2, s3;
  };
  const Case cases[] = {
      {0.001, -4.0, 4.0 - 6.0, 6.0},    // the top cell keeps its amount
      {-0.001, -4.0 + 6.0, -6.0 + 8.0, -8.0},  // the bottom cell loses its amount
  };
  for (const Case& k : cases) {
    clear();
    only(term(11, 1, {}, {k.p0}));
    CompSource();
    EXPECT_NEAR(Csource[1], k.s1, 1e-12) << k.p0;
    EXPECT_NEAR(Csource[2], k.s2, 1e-12) << k.p0;
    EXPECT_NEAR(Csource[3], k.s3, 1e-12) << k.p0;
    EXPECT_NEAR(Csource[4], k.s1, 1e-12) << k.p0;
  }
}

// Type 123: F = max(C2 C / (C + p0), 0) p0 At with p0 = 1: 2000 x (0.5 2/3,
// 1.5 3/4, 2.5 4/5) = 666.67, 2250, 4000, moved upwards.
TEST_F(WqCells, VerticalExchangeMovesItsAmountUp) {
  only(term(123, 1, {2}, {1.0, 0.0}));
  CompSource();
  const double F1 = 2000.0 / 3.0, F2 = 2250.0;
  EXPECT_NEAR(Csource[1], -F1, 1e-9);
  EXPECT_NEAR(Csource[2], F1 - F2, 1e-9);
  EXPECT_NEAR(Csource[3], F2, 1e-9);
}

TEST_F(WqCells, SurfaceReleaseInTheFirstTimeStepOnly) {
  SurfDischargeGroup& G = SurfDischargeStruct[0];
  G.component = 1;
  G.cells = 2;
  G.amount = 10.0;
  G.cell[0] = 3;
  G.cell[1] = 6;
  SurfDischargeStruct[1] = G;
  SurfDischargeStruct[1].component = 2;  // another component's release
  struct Case {
    double stimet, source;
  };
  // Each top face 2 m2 of S = 4 m2: 2 x 10 / (4 x 2).
  const Case cases[] = {{2.0, 2.5}, {2.0009, 2.5}, {2.0011, 0.0}, {4.0, 0.0}, {0.0, 0.0}};
  for (const Case& k : cases) {
    clear();
    stimet = k.stimet;
    CompSource();
    EXPECT_DOUBLE_EQ(Csource[3], k.source) << k.stimet;
    EXPECT_DOUBLE_EQ(Csource[6], k.source) << k.stimet;
    EXPECT_EQ(Csource[2], 0.0);
  }
}

// Group 1 brings 10 l/s through the west face of cell 2 (0.5 m2, area 0.5):
// q = 20, Cap += 0.5 x 20 = 10, Csource += 10 x value.
class WqInflow : public WqCells {
 protected:
  void SetUp() override {
    WqCells::SetUp();
    DischargeGroup& G = DischargeStruct[1];
    G.inflow = 1;
    G.component = 1;
    G.surfno = 1;
    G.face[0] = Cflatew[2];
    G.discharge = 10.0;
    G.area = 0.5;
    G.value = 3.0;
  }
};

TEST_F(WqInflow, GroupBringsItsOwnComponent) {
  CompSource();
  EXPECT_DOUBLE_EQ(Cap[2], 10.0);
  EXPECT_DOUBLE_EQ(Csource[2], 30.0);
  EXPECT_EQ(Cap[1], 0.0);
  // Another component's group, and an outflow group, bring nothing.
  for (int variant : {0, 1}) {
    clear();
    if (variant == 0) DischargeStruct[1].component = 2;
    if (variant == 1) DischargeStruct[1].component = 1, DischargeStruct[1].inflow = 0;
    CompSource();
    EXPECT_EQ(Cap[2], 0.0) << variant;
    EXPECT_EQ(Csource[2], 0.0) << variant;
  }
}

TEST_F(WqInflow, ConcentrationOfAnMDataSet) {
  DischargeStruct[1].component = 2;  // the group's own component is another
  CompInflowNo = 1;
  CompInflow[1].order[1] = 0;
  CompInflow[1].value[1] = 7.0;
  CompSource();
  EXPECT_DOUBLE_EQ(Cap[2], 10.0);
  EXPECT_DOUBLE_EQ(Csource[2], 70.0);
  // For the group's own component the M value replaces the group's value:
  // the inflow carries 7, not the mean of 3 and 7. Both terms at once would
  // count the inflow twice (Cap 20) and hold the cell at the mean of the two
  // values: a grid file whose groups carry component 0 with value 0 (a flow
  // model's groups) would halve every inflow temperature an M data set gives.
  clear();
  DischargeStruct[1].component = 1;
  CompSource();
  EXPECT_DOUBLE_EQ(Cap[2], 10.0);
  EXPECT_DOUBLE_EQ(Csource[2], 70.0);
  clear();
  DischargeStruct[1].value = 0.0;
  CompSource();
  EXPECT_DOUBLE_EQ(Csource[2] / Cap[2], 7.0) << "the inflow holds the value of the M data set";
  DischargeStruct[1].value = 3.0;
  // No M data set given for the component: nothing more.
  clear();
  CompInflow[1].order[1] = -1;
  CompSource();
  EXPECT_DOUBLE_EQ(Cap[2], 10.0);
  EXPECT_DOUBLE_EQ(Csource[2], 30.0);
}

TEST_F(WqInflow, ConcentrationOfAnMDataSetFromTheSeries) {
  DischargeStruct[1].component = 2;
  CompInflowNo = 2;
  CompInflow[1].order[1] = 1;  // the second M data set: column 1 of the series
  CompInflow[1].value[1] = 7.0;
  TimeInNo = 2;
  TimeInTime[0] = 0.0, TimeInTime[1] = 10.0;
  Cinn[0][1] = 4.0, Cinn[1][1] = 8.0;
  Cinn[0][0] = Cinn[1][0] = 100.0;
  stimet = 5.0;
  CompSource();
  EXPECT_DOUBLE_EQ(Cap[2], 10.0);
  EXPECT_NEAR(Csource[2], 10.0 * 6.0, 1e-9);
}

// Records at 0, 10 and 20 s with the values 1, 3 and 7.
TEST_F(WqCells, SeriesValueAtTheCurrentTime) {
  TimeInTime[0] = 0.0, TimeInTime[1] = 10.0, TimeInTime[2] = 20.0;
  Irradi[0] = 1.0, Irradi[1] = 3.0, Irradi[2] = 7.0;
  struct Case {
    int records;
    double stimet, value;
  };
  const Case cases[] = {
      {3, 5.0, 2.0},  {3, 10.0, 3.0}, {3, 15.0, 5.0}, {3, 20.0, 7.0}, {3, 25.0, 7.0},
      {3, -5.0, 0.0},  // before record 1: the line through records 0 and 1
      {1, 15.0, 1.0},  {1, -3.0, 1.0},  // a single record holds
      {2, 15.0, 3.0},
  };
  for (const Case& k : cases) {
    TimeInNo = k.records;
    stimet = k.stimet;
    const SeriesPoint s = seriesNow();
    ASSERT_TRUE(s.valid);
    EXPECT_NEAR(s.of(Irradi), k.value, 1e-9) << k.records << " records at " << k.stimet;
  }
  TimeInNo = 0;
  EXPECT_FALSE(seriesNow().valid);
}

// Heat budget with I = 200, Ta = 20, W from the series, p = 0.5, 0.6, 10
// (air vapour pressure), 0.03, 0.97, 1.0 and the water at 20 degrees:
//   Q0 = 0.5 I + 0.0049 293^4 (0.6 + 0.031 sqrt(10)) 0.97
//   back radiation 0.0049 0.97 293^4, conduction 0, evaporation
//   W (es - 10) with es = 4.596 exp(17.27 x 20 / 257.3) = 17.595 mm Hg.
class WqHeat : public WqCells {
 protected:
  void SetUp() override {
    WqCells::SetUp();
    NoComponents = 3;
    Equation = 8;
    TimeInNo = 1;
    Irradi[0] = 200.0;
    AirTemp[0] = 20.0;
    only(term(1060, 0, {}, {0.5, 0.6, 10.0, 0.03, 0.97, 1.0}));
  }
  double heatAt(double wind, double water) {
    clear();
    Winn[0][0] = wind;
    for (int c = 1; c <= NoCells; ++c) Ccomp[0][c] = water;
    CompSource();
    return Csource[3];
  }
};

TEST_F(WqHeat, BudgetByHand) {
  const double T4 = std::pow(293.0, 4);
  const double es = 4.596 * std::exp(17.27 * 20.0 / 257.3);
  const double radiation = 0.5 * 200.0 + 0.0049 * T4 * (0.6 + 0.031 * std::sqrt(10.0)) * 0.97 - 0.0049 * 0.97 * T4;
  // The terms nearly cancel at 1e10: compare to 1e-12 of the radiation.
  const double tol = 1e-12 * std::fabs(2000.0 * 0.0049 * T4);
  EXPECT_NEAR(heatAt(0.0, 20.0), 2000.0 * radiation, tol);  // no wind: only radiation
  EXPECT_NEAR(heatAt(3.0, 20.0), 2000.0 * (radiation - 3.0 * (es - 10.0)), tol);
  EXPECT_EQ(Csource[2], 0.0);  // top cells only
}

TEST_F(WqHeat, MoreEvaporationCools) {
  // Water as warm as the air: no conduction; the wind drives evaporation.
  const double calm = heatAt(1.0, 20.0), windy = heatAt(4.0, 20.0);
  EXPECT_LT(windy, calm);
  // The evaporation term written -(p1 - es) W, with p1 the coefficient 0.6
  // of the atmospheric radiation, is (es - 0.6) W = 17.0 W: it would heat the
  // water the more, the stronger the wind and the warmer the water.
  const double es = 4.596 * std::exp(17.27 * 20.0 / 257.3);
  auto writtenForm = [es](double W) { return -(0.6 - es) * W; };
  EXPECT_GT(writtenForm(4.0), writtenForm(1.0));
  EXPECT_NEAR(calm - windy, 2000.0 * 3.0 * (es - 10.0), 1e-6 * std::fabs(calm));
  // Warmer water evaporates more (and radiates and conducts more).
  EXPECT_LT(heatAt(2.0, 25.0), heatAt(2.0, 20.0));
}

TEST_F(WqHeat, NothingWithoutWeatherSeries) {
  TimeInNo = 0;
  EXPECT_EQ(heatAt(2.0, 20.0), 0.0);
}

// Bed model: bed cells 1 and 2 under cells 1 and 4, component a1 = 2 (0.5),
// BQvar rows 0, 1, 2 with X = 1 at the start, the solved component 2 at the
// bottom, p = 0.5, 1, 1, 1, 2, 0, 1, 1, 1:
//   K0 = 1, S1 = 0.5, S2 = 0.25
//   1st: f = 1/3, A = 0.5, B = 0.25, D = 0.25, X' = 16 (not converged)
//   2nd: f = 1/17.0625, A = 0.25, B = 0.25 (f - 1) + 0.25, D = 16 f (B + A),
//        X' = 4 / D, (X' - 16) / (X' + 16) < 0.01
TEST_F(WqCells, BedModelByHand) {
  only(term(2149, 1, {2, 0, 1, 2}, {0.5, 1.0, 1.0, 1.0, 2.0, 0.0, 1.0, 1.0, 1.0}));
  for (int b : {1, 2}) BQvar[0][b] = BQvar[1][b] = 0.0, BQvar[2][b] = 1.0;
  CompSource();
  const double f = 1.0 / 17.0625, A = 0.25, B = 0.25 * (f - 1.0) + 0.25, D = 16.0 * f * (B + A);
  ASSERT_NEAR(D, 0.2481718525674570, 1e-12);
  for (int b : {1, 2}) {
    const int c = Bcellt[b];
    EXPECT_NEAR(BQvar[0][b], A, 1e-12) << b;
    EXPECT_NEAR(BQvar[1][b], B, 1e-12) << b;
    EXPECT_NEAR(BQvar[2][b], 4.0 / D, 1e-9) << b;
    EXPECT_NEAR(Csource[c], -D * 2000.0, 1e-9) << b;
  }
  // Bed-cell numbers are no cell numbers: cell 2 (middle of column 1) is untouched.
  EXPECT_EQ(Csource[2], 0.0);
}

TEST_F(WqCells, TermsWithRowsOutsideTheComponentsAddNothing) {
  only(term(2, 1, {3}, {0.1}));  // row 3 does not exist with three components
  CompSource();
  for (int c = 1; c <= NoCells; ++c) EXPECT_EQ(Csource[c], 0.0);
  only(term(2149, 1, {2, 0, 1, 3}, {0.5, 1.0, 1.0, 1.0, 2.0, 0.0, 1.0, 1.0, 1.0}));  // BQvar holds rows 0..2
  CompSource();
  for (int c = 1; c <= NoCells; ++c) EXPECT_EQ(Csource[c], 0.0);
}

}  // namespace
