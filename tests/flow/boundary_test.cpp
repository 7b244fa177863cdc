// Conditions of the discharge groups in the cell equations.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "flow/cellequations.h"
#include "io/sidefiles.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/startup.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"

namespace {

inline int groupCell(int f) { return Fcell1[f] != 0 ? Fcell1[f] : Fcell2[f]; }

double groupArea(int g) {
  double A = 0.0;
  for (int e = 0; e < DischargeStruct[g].surfno; ++e) A += Farea[DischargeStruct[g].face[e]];
  return A;
}

void clearEquation() {
  for (int c = 0; c <= NoCells; ++c) Cap[c] = Csource[c] = 0.0;
}

std::string logText() {
  std::ifstream in("boogie");
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// A box channel with group 1 (1.5 m3/s in, west) and group 2 (out, east).
struct Channel {
  InProjectDir dir;
  Channel() : Channel([] {}) {}
  // `before` sets what the grid build reads (the face levels of the groups).
  explicit Channel(const std::function<void()>& before) {
    before();
    EXPECT_TRUE(FlowGrid::box(6, 3).build());
    startup();
  }
};

}  // namespace

// Uniform inflow: each inflow face gives its cell q A on the diagonal and,
// for u, the momentum flux rho U^2 A (U = Q / (1000 A_group), pointing
// into the channel, +x); k and epsilon their group values times q A; w
// nothing but the diagonal. Cells at the groups are marked +1 and -2.
TEST(Boundary, UniformInflowTermsAndMarks) {
  Channel ch;
  const DischargeGroup& G = DischargeStruct[1];
  ASSERT_GT(G.surfno, 0);
  const double Q = 1500.0, A = groupArea(1), q = Q / A, U = Q / (1000.0 * A);
  ASSERT_NEAR(G.discharge, Q, 1e-9);
  DischargeStruct[1].kinen = 0.02;
  DischargeStruct[1].epsilon = 0.003;
  struct Case {
    int eq;
    double sourcePerArea;  // Csource / Farea of the face
  };
  const Case cases[] = {{1, 1000.0 * U * U}, {2, 0.0}, {3, 0.0}, {5, 0.02 * q}, {6, 0.003 * q}, {4, 0.0}};
  for (const Case& k : cases) {
    clearEquation();
    Equation = k.eq;
    boundary();
    for (int e = 0; e < G.surfno; ++e) {
      const int f = G.face[e], c = groupCell(f);
      EXPECT_NEAR(Cap[c], q * Farea[f], 1e-9) << "eq " << k.eq;
      EXPECT_NEAR(Csource[c], k.sourcePerArea * Farea[f], 1e-9) << "eq " << k.eq;
      EXPECT_EQ(Cinout[c], 1);
    }
    const DischargeGroup& O = DischargeStruct[2];
    for (int e = 0; e < O.surfno; ++e) {
      const int c = groupCell(O.face[e]);
      EXPECT_EQ(Cinout[c], -2);
      EXPECT_EQ(Cap[c], 0.0);
      EXPECT_EQ(Csource[c], 0.0);
    }
  }
  // Momentum of the whole inlet: rho U^2 A_group.
  clearEquation();
  Equation = 1;
  boundary();
  double total = 0.0;
  for (int c = 1; c <= NoCells; ++c) total += Csource[c];
  EXPECT_NEAR(total, 1000.0 * U * U * A, 1e-9);
}

// An inflow group with no discharge is left alone; with a negative one it
// counts as an outflow group. F 366 1 drops the momentum, F 513 adds a
// momentum spread by face area.
TEST(Boundary, DischargeSignAndMomentumOptions) {
  Channel ch;
  const DischargeGroup& G = DischargeStruct[1];
  const int f0 = G.face[0], c0 = groupCell(f0);
  const double A = groupArea(1);
  struct Case {
    const char* name;
    double discharge;
    int noImpulse;
    double addMomentum;
    int mark;
    double cap, source;  // at the first face
  };
  const double q = 1500.0 / A;
  const Case cases[] = {
      {"zero", 0.0, 0, 0.0, 0, 0.0, 0.0},
      {"negative", -5.0, 0, 0.0, -1, 0.0, 0.0},
      {"F 366", 1500.0, 1, 0.0, 1, q * Farea[f0], 0.0},
      {"F 513", 1500.0, 0, 40.0, 1, q * Farea[f0], (0.001 * q * q + 40.0 / A) * Farea[f0]},
  };
  for (const Case& k : cases) {
    DischargeStruct[1].discharge = k.discharge;
    FlagNoImpulse = k.noImpulse;
    momentumAddInflow = k.addMomentum;
    clearEquation();
    Equation = 1;
    boundary();
    EXPECT_EQ(Cinout[c0], k.mark) << k.name;
    EXPECT_NEAR(Cap[c0], k.cap, 1e-9) << k.name;
    EXPECT_NEAR(Csource[c0], k.source, 1e-9) << k.name;
  }
}

// Outflow balance of F 287 with group 1 bringing D1 and group 2 at 1000:
// the balance O of group 2 is D1 (every other group an inflow).
TEST(Boundary, OutflowBalanceOfF287) {
  Channel ch;
  struct Case {
    int flag;
    double d1, expect;
  };
  const Case cases[] = {{0, 1500, 1000}, {2, 1500, 1500}, {2, 700, 700},   {3, 700, 1000}, {7, 1500, 1500},
                        {4, 700, 700},   {4, 1500, 1000}, {6, 5000, 2000}, {6, 100, 500},  {5, 1500, 1500}};
  for (const Case& k : cases) {
    DischargeStruct[1].discharge = k.d1;
    FlagGlobFlux = k.flag;
    GlobFluxLim1 = 0.5;
    GlobFluxLim2 = 2.0;
    clearEquation();
    Equation = 3;
    boundary();
    EXPECT_NEAR(DischargeArray[2], k.expect, 1e-9) << "F 287 " << k.flag << " D1 " << k.d1;
  }
}

// computeOutflow: + the groups marked inflow by G 7 (or without G 7), - the
// others, + the surface volume change over the time step, never below 0.
TEST(Boundary, ComputeOutflowByHand) {
  Channel ch;
  for (int h = 1; h <= 9; ++h) DischargeArray[h] = 0.0;
  DischargeArray[1] = 300.0;
  DischargeArray[3] = 50.0;
  DischargeArray[2] = 999.0;  // the group itself does not count
  EXPECT_NEAR(computeOutflow(2), 350.0, 1e-12);
  IO[3].n[0] = 1;  // group 3 takes water out
  EXPECT_NEAR(computeOutflow(2), 250.0, 1e-12);
  TimeStep = 10.0;
  SurfVolDefect = 2.0;  // m3 over 10 s: 200 kg/s
  EXPECT_NEAR(computeOutflow(2), 450.0, 1e-12);
  SurfVolDefect = -100.0;
  EXPECT_EQ(computeOutflow(2), 0.0);
  // A steady run before any surface update has no time span: no volume term.
  TimeStep = 1e-20;
  stimeWL1 = stimeWL2 = 0.0;
  SurfVolDefect = 2.0;
  EXPECT_NEAR(computeOutflow(2), 250.0, 1e-12);
  IO[3].n[0] = 0;
}

// Discharges of a time series interpolated at stimet, with the 'H' lines.
TEST(Boundary, DischargeFromTheTimeSeriesWithTheHLines) {
  Channel ch;
  double times[] = {0.0, 100.0};
  double rows[2][10] = {};
  rows[0][1] = 1.0, rows[1][1] = 3.0;
  rows[0][2] = 0.5, rows[1][2] = 0.5;
  double* rowp[2] = {rows[0], rows[1]};
  TimeInTime = times;
  QDinn = rowp;
  TimeInNo = 2;
  FlagDischargeTime = 1;
  stimet = 25.0;
  debugging = 'H';
  FlagUpdateDischarge = 1;
  Equation = 1;
  clearEquation();
  boundary();
  EXPECT_NEAR(DischargeArray[1], 1500.0, 1e-9);
  EXPECT_NEAR(DischargeStruct[1].discharge, 1500.0, 1e-9);
  EXPECT_NE(logText().find("Discharge for group 1 = 1500.000000, stimet = 25.000000\n"), std::string::npos);
  EXPECT_NE(logText().find("Discharge for group 2 = 500.000000, stimet = 25.000000\n"), std::string::npos);
  TimeInTime = nullptr;
  QDinn = nullptr;
  TimeInNo = 0;
}

// Shaped inflow (F 524 1): full velocity in the lower half of the section,
// falling linearly to 0 at the top; the group discharge is kept.
// Logarithmic inflow (F 202 1): q proportional to ln(30 z / ks) above the
// bed (flat at 0 here).
TEST(Boundary, ShapedAndLogarithmicProfiles) {
  InProjectDir dir;
  ASSERT_TRUE(FlowGrid::box(6, 3, 2.0).build());
  startup();
  const DischargeGroup& G = DischargeStruct[1];
  const double Q = 1500.0;
  for (int variant : {1, 2}) {
    FlagShapeInflow = variant == 1 ? 1 : 0;
    FlagLogInflow = variant == 2 ? 1 : 0;
    XksInflow = 0.05;
    clearEquation();
    Equation = 3;
    boundary();
    double sum = 0.0;
    for (int e = 0; e < G.surfno; ++e) sum += Cap[groupCell(G.face[e])];
    EXPECT_NEAR(sum, Q, 1e-9) << variant;
    for (int e = 0; e < G.surfno; ++e) {
      const int f = G.face[e], c = groupCell(f);
      const double z = Czcenter[c], qf = Cap[c] / Farea[f];
      // Compare with the bottom cell of the same column.
      int b = c;
      while (Ccellb[b]) b = Ccellb[b];
      const double qb = Cap[b] / Farea[Cflatew[b]];
      if (variant == 1) {
        const double expect = z <= 1.0 ? 1.0 : (2.0 - z) / 1.0;  // 2 (top - z) / H, top 2, H 2
        EXPECT_NEAR(qf / qb, expect, 1e-9) << "shaped, z " << z;
      } else {
        const double zb = Czcenter[b];
        EXPECT_NEAR(qf / qb, std::log(30.0 * z / 0.05) / std::log(30.0 * zb / 0.05), 1e-9) << "log, z " << z;
      }
    }
  }
}

// F 367: the w equation gets a fixed source in the lowest cell of the
// columns i = 2..29 along the second j line, whatever the block's window:
// on a channel of 32 columns (i = 2..33) the columns 30..33 get nothing.
TEST(Boundary, KennedySourceAlongTheSecondLine) {
  InProjectDir dir;
  ASSERT_TRUE(FlowGrid::box(32, 3).build());
  startup();
  ASSERT_LE(block[1].i1, 2);
  ASSERT_GE(block[1].i2, 33);
  SourceKennedy = 5.0;
  for (int eq : {3, 1}) {
    clearEquation();
    Equation = eq;
    boundary();
    int n = 0;
    for (int i = block[1].i1; i <= block[1].i2; ++i) {
      const int c = static_cast<int>(zval[i][2][0]);
      if (c < 1 || Cinout[c] != 0) continue;
      ++n;
      const double expected = eq == 3 && i >= 2 && i <= 29 ? 5.0 : 0.0;
      EXPECT_NEAR(Csource[c], expected, 1e-12) << "equation " << eq << ", i " << i;
    }
    EXPECT_GE(n, 30);
  }
}

// With the debugging letter R in the first iteration the shaped pass logs,
// like the logarithmic pass, the last face of each inflow group: its q, the
// bed of the section, its cell, its velocity 0.001 q and its area, then the
// cell's source.
TEST(Boundary, ShapedPassWritesTheDebugLinesOfTheLastFace) {
  Channel ch;
  debugging = 'R';
  Iter = 1;
  FlagShapeInflow = 1;
  clearEquation();
  Equation = 1;
  boundary();
  const std::string log = logText();
  const DischargeGroup& G = DischargeStruct[1];
  ASSERT_GT(G.surfno, 0);
  const int f = G.face[0], c = groupCell(f);
  const double q = Cap[c] / Farea[f];
  char line[256];
  std::snprintf(line, sizeof line, "Boundary condition, logarithmic inflow. uplus = %lf\n", q);
  EXPECT_NE(log.find(line), std::string::npos) << log;
  std::snprintf(line, sizeof line, "levbed = %lf, k = %d, Vel = %lf, Area = %lf\n", 0.0, c, 0.001 * q, Farea[f]);
  EXPECT_NE(log.find(line), std::string::npos) << log;
  std::snprintf(line, sizeof line, "source = %lf, Equation = %d\n", Csource[c], 1);
  EXPECT_NE(log.find(line), std::string::npos) << log;
  // Not after the first iteration.
  Iter = 2;
  const std::size_t before = logText().size();
  boundary();
  EXPECT_EQ(logText().size(), before);
}

// Inflow through the east edge: the momentum points into the channel, west.
TEST(Boundary, InflowThroughTheEastEdgePushesWest) {
  Channel ch;
  DischargeStruct[1].inflow = 0;
  DischargeStruct[2].inflow = 1;
  DischargeStruct[2].discharge = 800.0;
  DischargeStruct[2].area = groupArea(2);
  const double A = groupArea(2), U = 800.0 / (1000.0 * A);
  clearEquation();
  Equation = 1;
  boundary();
  const DischargeGroup& G = DischargeStruct[2];
  ASSERT_GT(G.surfno, 0);
  for (int e = 0; e < G.surfno; ++e) {
    const int f = G.face[e], c = groupCell(f);
    EXPECT_NEAR(Csource[c], -1000.0 * U * U * Farea[f], 1e-9);
    EXPECT_EQ(Cinout[c], 2);
  }
  for (int e = 0; e < DischargeStruct[1].surfno; ++e) EXPECT_EQ(Cinout[groupCell(DischargeStruct[1].face[e])], -1);
}

// Shaped inflow 2 (F 524 2, u only): a parabola across the section in y,
// C (s - s^2) 0.001 V^2 A with s from 0 at the south to 1 at the north edge
// and V = Q / A_group; the diagonal takes V A. Only the inflow group.
TEST(Boundary, ParabolicInflowAcrossTheSection) {
  Channel ch;
  FlagShapeInflow = 2;
  CoeffShapeInflow = 6.0;
  const DischargeGroup& G = DischargeStruct[1];
  const double V = 1500.0 / groupArea(1);
  double ymin = 1e20, ymax = -1e20;
  for (int e = 0; e < G.surfno; ++e) {
    ymin = std::min(ymin, Cycenter[groupCell(G.face[e])]);
    ymax = std::max(ymax, Cycenter[groupCell(G.face[e])]);
  }
  ASSERT_NEAR(ymax - ymin, 2.0, 1e-9);  // three 1 m rows: centres 1 m apart
  clearEquation();
  Equation = 1;
  boundary();
  for (int e = 0; e < G.surfno; ++e) {
    const int f = G.face[e], c = groupCell(f);
    const double s = (Cycenter[c] - ymin) / 2.0;
    EXPECT_NEAR(Csource[c], 6.0 * (s - s * s) * 0.001 * V * V * Farea[f], 1e-9);
    EXPECT_NEAR(Cap[c], V * Farea[f], 1e-9);
    EXPECT_EQ(Cinout[c], 1);
  }
  for (int e = 0; e < DischargeStruct[2].surfno; ++e) {
    const int c = groupCell(DischargeStruct[2].face[e]);
    EXPECT_EQ(Cap[c], 0.0);
    EXPECT_EQ(Cinout[c], -2);
  }
}

// Paired cyclic inflow (F 174 above 0, after its iteration): face i of group
// 1 takes the mean u of its cell and of the cell at face i of group 2.
TEST(Boundary, PairedCyclicInflow) {
  Channel ch;
  FlagCyclic = 2;
  Iter = 3;
  for (int c = 1; c <= NoCells; ++c) Cxvel[c] = 0.1 * c;
  const DischargeGroup &A = DischargeStruct[1], &B = DischargeStruct[2];
  ASSERT_EQ(A.surfno, B.surfno);
  const double q = 1500.0 / A.area;
  clearEquation();
  Equation = 1;
  boundary();
  for (int e = 0; e < A.surfno; ++e) {
    const int f = A.face[e], c1 = groupCell(f), c2 = groupCell(B.face[e]);
    EXPECT_NEAR(Csource[c1], 0.5 * (Cxvel[c1] + Cxvel[c2]) * q * Fvx[f] * Fin[f] * Farea[f], 1e-9);
    EXPECT_NEAR(Cap[c1], q * Farea[f], 1e-9);
    EXPECT_EQ(Cinout[c1], 1);
    EXPECT_EQ(Cinout[c2], -2);
  }
  // Before its iteration the uniform inflow serves.
  Iter = 1;
  clearEquation();
  boundary();
  const int f0 = A.face[0], c0 = groupCell(f0);
  EXPECT_NEAR(Csource[c0], 0.001 * q * q * Farea[f0], 1e-9);
}

namespace {

// The side-file and cyclic state a test sets, put back when it ends.
struct CyclicState {
  ~CyclicState() {
    inflowj = inflowk = 0;
    FlagHaveReadCyclic = FlagHaveInitiatedCyclic = NoCyclesDone = 0;
    for (int l = 0; l < MaxCyclicLevels; ++l) cyclicU[l] = cyclicK[l] = cyclicE[l] = 0.0;
  }
};

// Row (0 south .. 2 north) and level (1 = bottom of the nine 1/9 m cells) of
// a cell of the channel, from its centre.
int rowOf(int c) { return static_cast<int>(std::floor(Cycenter[c])); }
int levelOf(int c) { return static_cast<int>(std::floor(Czcenter[c] * 9.0)) + 1; }

}  // namespace

// Inflow file (inflowj 3, inflowk 5): only group 1, with q = Q / A; the
// columns of the list count from 2 like grid lines (J = row + 2), levels
// from 2 at the bottom cell (K = level + 1). Columns beyond inflowj get
// nothing; levels beyond inflowk get only the diagonal. u source:
// inflowu[J][K] q Fax Fin.
TEST(Boundary, InflowFileProfileByColumnAndLevel) {
  CyclicState restore;
  Channel ch([] {
    inflowj = 3;
    inflowk = 5;
  });
  for (int J = 0; J < 6; ++J)
    for (int K = 0; K < 12; ++K) inflowu[J][K] = 10.0 * J + K, inflowki[J][K] = 0.5 * J + 0.01 * K;
  const DischargeGroup& G = DischargeStruct[1];
  const double q = G.discharge / G.area;
  for (int eq : {1, 5}) {
    clearEquation();
    Equation = eq;
    boundary();
    int given = 0, none = 0;
    for (int e = 0; e < G.surfno; ++e) {
      const int f = G.face[e], c = groupCell(f), J = rowOf(c) + 2, K = levelOf(c) + 1;
      if (J > 3) {
        EXPECT_EQ(Cap[c], 0.0);
        EXPECT_EQ(Cinout[c], 0);
        ++none;
        continue;
      }
      ++given;
      EXPECT_NEAR(Cap[c], q * Farea[f], 1e-9);
      EXPECT_EQ(Cinout[c], 1);
      const double s = K > 5 ? 0.0 : eq == 1 ? inflowu[J][K] * q * Fax[f] * Fin[f] : inflowki[J][K] * q * Farea[f];
      EXPECT_NEAR(Csource[c], s, 1e-9) << "eq " << eq << " J " << J << " K " << K;
    }
    EXPECT_EQ(given, 18);
    EXPECT_EQ(none, 9);
    for (int e = 0; e < DischargeStruct[2].surfno; ++e) EXPECT_EQ(Cinout[groupCell(DischargeStruct[2].face[e])], -2);
  }
}

// A cyclic profile read from its file (F 174 2): every inflow face takes the
// value of its level, cyclicU[L] q Fvx Fin A for u, cyclicK[L] q A for k.
TEST(Boundary, CyclicProfileByLevel) {
  CyclicState restore;
  Channel ch([] {
    FlagCyclic = 2;
    FlagHaveReadCyclic = 1;
  });
  Iter = 1;
  for (int l = 0; l <= 10; ++l) cyclicU[l] = 0.1 * l, cyclicK[l] = 0.001 * l;
  const DischargeGroup& G = DischargeStruct[1];
  const double q = G.discharge / G.area;
  for (int eq : {1, 5}) {
    clearEquation();
    Equation = eq;
    boundary();
    for (int e = 0; e < G.surfno; ++e) {
      const int f = G.face[e], c = groupCell(f), L = levelOf(c);
      EXPECT_NEAR(Cap[c], q * Farea[f], 1e-9);
      const double s = eq == 1 ? 0.1 * L * q * Fvx[f] * Fin[f] * Farea[f] : 0.001 * L * q * Farea[f];
      EXPECT_NEAR(Csource[c], s, 1e-9) << "eq " << eq << " level " << L;
      EXPECT_EQ(Cinout[c], 1);
    }
    for (int e = 0; e < DischargeStruct[2].surfno; ++e) EXPECT_EQ(Cinout[groupCell(DischargeStruct[2].face[e])], -2);
  }
}

// F 174 -2: with every residual below 0.01 the u equation collects the
// outflow profile of group 2 by level, the mean of its columns (u = 0.1 L +
// 0.01 row: 0.1 L + 0.01), at most twice; afterwards the inflow gets no
// terms. With a residual of 0.02 nothing is collected and the paired pass
// serves.
TEST(Boundary, OutflowProfileCollectedForNegativeF174) {
  CyclicState restore;
  Channel ch([] { FlagCyclic = -2; });
  Iter = 1;
  for (int c = 1; c <= NoCells; ++c) Cxvel[c] = 0.1 * levelOf(c) + 0.01 * rowOf(c);
  for (int e = 1; e <= 6; ++e) MaxResidual[e] = 0.02;
  Equation = 1;
  clearEquation();
  boundary();
  EXPECT_EQ(NoCyclesDone, 0);
  EXPECT_EQ(FlagHaveInitiatedCyclic, 0);
  const int f0 = DischargeStruct[1].face[0], c0 = groupCell(f0);
  EXPECT_GT(Cap[c0], 0.0);  // the paired pass
  for (int e = 1; e <= 6; ++e) MaxResidual[e] = 0.005;
  for (int call = 1; call <= 3; ++call) {
    clearEquation();
    boundary();
    EXPECT_EQ(NoCyclesDone, std::min(call, 2));
  }
  EXPECT_EQ(FlagHaveInitiatedCyclic, 1);
  for (int L = 1; L <= 9; ++L) EXPECT_NEAR(cyclicU[L], 0.1 * L + 0.01, 1e-12) << L;
  for (int c = 1; c <= NoCells; ++c) {
    EXPECT_EQ(Cap[c], 0.0);
    EXPECT_EQ(Cinout[c], 0);
  }
}
