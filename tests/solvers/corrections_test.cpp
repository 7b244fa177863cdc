// The SIMPLE corrections: one full pressure step removes the mass defect;
// thread chunks give the result of the whole range; the variants of F 157
// and its companions choose what is corrected.
#include "solvers/corrections.h"

#include <gtest/gtest.h>
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "solvers/share.h"
#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"

namespace {

double maxDefect() {
  double m = 0.0;
  for (int c = 1; c <= NoCells; ++c) m = std::max(m, std::fabs(Csource[c]));
  return m;
}

// Cubic cells (so the sweeps converge fast), equal inflow and outflow, and a
// divergent flux field on the inner faces.
void divergentFlow(const FlowGrid& g) {
  ASSERT_TRUE(g.build());
  for (int c = 1; c <= NoCells; ++c) CinvAp[c] = 1e-3 * (1.0 + 0.2 * std::cos(0.9 * c));
  for (int f = 1; f <= NoSurfaces; ++f) Fflux[f] = Fcell1[f] > 0 && Fcell2[f] > 0 ? 5.0 * std::sin(0.7 * f) : 0.0;
  relaxPressure = 0.3;
}

// Assembles and solves the pressure correction until its residual is far
// below the defect; returns the largest initial defect.
double solvePressureCorrection(std::vector<double>& p) {
  pressure_coeff();
  pressure_fluxes();
  for (int c = 1; c <= NoCells; ++c) Cap[c] = Cae[c] + Caw[c] + Can[c] + Cas[c] + Cat[c] + Cab[c];
  const double m0 = maxDefect();
  p.assign(NoCells + 1, 0.0);
  Cf = p.data();
  Equation = 4;
  sweeps[4] = 50;
  for (int call = 0; call < 400; ++call) {
    solver();
    double r = 0.0;
    for (int c = 1; c <= NoCells; ++c) {
      const double s = Cae[c] * p[Ccelle[c]] + Caw[c] * p[Ccellw[c]] + Can[c] * p[Ccelln[c]] +
                       Cas[c] * p[Ccells[c]] + Cat[c] * p[Ccellt[c]] + Cab[c] * p[Ccellb[c]] + Csource[c] -
                       Cap[c] * p[c];
      r = std::max(r, std::fabs(s));
    }
    if (r < 1e-12 * m0) break;
  }
  return m0;
}

struct Snapshot {
  std::vector<double> flux, u, v, w, p;
  static Snapshot take() {
    Snapshot s;
    s.flux.assign(Fflux, Fflux + NoSurfaces + 1);
    s.u.assign(Cxvel, Cxvel + NoCells + 1);
    s.v.assign(Cyvel, Cyvel + NoCells + 1);
    s.w.assign(Czvel, Czvel + NoCells + 1);
    s.p.assign(Cpres, Cpres + NoCells + 1);
    return s;
  }
  void restore() const {
    std::copy(flux.begin(), flux.end(), Fflux);
    std::copy(u.begin(), u.end(), Cxvel);
    std::copy(v.begin(), v.end(), Cyvel);
    std::copy(w.begin(), w.end(), Czvel);
    std::copy(p.begin(), p.end(), Cpres);
  }
  bool operator==(const Snapshot&) const = default;
};

}  // namespace

TEST(SimpleCorrections, OnePressureStepRemovesTheMassDefect) {
  InProjectDir p;
  FlowGrid g = FlowGrid::box(5, 3, 10.0);
  g.inflow = g.outflow = 1.0;
  divergentFlow(g);
  std::vector<double> pc;
  const double m0 = solvePressureCorrection(pc);
  ASSERT_GT(m0, 1.0);
  SimpleCorrections(WFStart, WFEnd, WCStart, WCEnd);
  pressure_fluxes();
  EXPECT_LT(maxDefect(), 1e-8 * m0);
  // The pressure took the relaxed correction.
  const int c = NoCells / 2;
  EXPECT_NEAR(Cpres[c], 0.3 * pc[c], 1e-12 * std::fabs(pc[c]) + 1e-300);
}

TEST(SimpleCorrections, ThreadChunksGiveTheResultOfTheWholeRange) {
  for (int variant : {0, 3, 6, 10, 50}) {
    InProjectDir p;
    FlowGrid g = FlowGrid::sloping(6, 3);
    divergentFlow(g);
    for (int c = 1; c <= NoCells; ++c) {
      Croughness[c] = 0.01;
      Ckinen[c] = 1e-3;
      Cxvel[c] = 0.5;
    }
    std::vector<double> pc;
    solvePressureCorrection(pc);
    FlagSimpleCorrections = variant;
    const Snapshot before = Snapshot::take();
    SimpleCorrections(WFStart, WFEnd, WCStart, WCEnd);
    const Snapshot whole = Snapshot::take();
    before.restore();
    NoProcessesSolver = 4;
    computeChunkSizes();
    omp_set_num_threads(3);
    SimpleCorrectionsStage();
    NoProcessesSolver = 0;
    EXPECT_TRUE(Snapshot::take() == whole) << "F 157 " << variant;
    EXPECT_FALSE(before == whole) << "F 157 " << variant;
  }
}

// F 137, a step across the flow: the top cells of the shallow columns list
// three cells of the deep ones on their west side. After the correction, on
// one thread and in chunks, the own west face of such a cell carries the sum
// of the corrected listed faces, as waterflow would give it.
TEST(SimpleCorrections, OwnFaceOfAListCarriesTheSumOfTheCorrectedListedFaces) {
  for (int P : {0, 4}) {
    InProjectDir p;
    QNFlag = 1;
    FlowGrid g = FlowGrid::box(4, 2, 1.0);
    g.bed = [](int i, int) { return i >= 4 ? 0.5 : 0.0; };
    g.inflow = g.outflow = 1.0;
    divergentFlow(g);
    std::vector<double> pc(NoCells + 1, 0.0);
    for (int c = 1; c <= NoCells; ++c) pc[c] = 100.0 * std::sin(0.37 * c);
    Cf = pc.data();
    NoProcessesSolver = P;
    computeChunkSizes();
    if (P > 0) omp_set_num_threads(3);
    SimpleCorrectionsStage();
    NoProcessesSolver = 0;
    int lists = 0;
    for (int t = 1; t <= NoCells; ++t) {
      if (Cncellw[t] <= 0) continue;
      ++lists;
      double sum = 0.0;
      for (int k = 0; k < Cncellw[t]; ++k) sum += Fflux[Cflatee[Cqncellw[t][0] + k]];
      EXPECT_NEAR(Fflux[Cflatew[t]], sum, 1e-12 * std::fabs(sum) + 1e-12) << "cell " << t << ", chunks " << P;
      EXPECT_GT(std::fabs(sum), 1e-3) << "cell " << t;
    }
    EXPECT_EQ(lists, 2) << "chunks " << P;
  }
}

// What each option corrects, on a field with a known p': the fluxes of the
// faces, the velocities, the pressure.
TEST(SimpleCorrections, VariantsChooseWhatIsCorrected) {
  struct Case {
    int f157, f69, f291, f36, f171, f258;
    bool flux, velocity, pressure;
  };
  const Case cases[] = {
      {0, 0, 0, 0, 0, 0, true, true, true},     {0, 2, 0, 0, 0, 0, true, false, true},
      {0, 2, 1, 0, 0, 0, true, true, true},     {10, 0, 0, 0, 0, 0, false, true, true},
      {20, 0, 0, 0, 0, 0, false, true, true},   {30, 0, 0, 0, 0, 0, false, false, true},
      {15, 0, 0, 0, 0, 0, false, false, true},  {15, 0, 1, 0, 0, 0, false, true, true},
      {52, 0, 0, 0, 0, 0, false, false, true},  {10, 0, 0, 11, 0, 0, true, true, true},
      {0, 0, 0, 0, 2, 0, true, true, false},    {0, 0, 0, 0, 0, 7, false, false, false},
  };
  for (const Case& k : cases) {
    InProjectDir p;
    divergentFlow(FlowGrid::box(4, 2, 4.0));
    std::vector<double> pc(NoCells + 1);
    for (int c = 1; c <= NoCells; ++c) pc[c] = 100.0 * Cxcenter[c] + 30.0 * Cycenter[c] + 10.0 * Czcenter[c];
    Cf = pc.data();
    FlagSimpleCorrections = k.f157;
    Seiche3 = k.f69;
    FlagDamp3 = k.f291;
    FlagTFS = k.f36;
    FlagSIMPLE = k.f171;
    FlagStressTerm = k.f258;
    const Snapshot before = Snapshot::take();
    SimpleCorrections(WFStart, WFEnd, WCStart, WCEnd);
    const Snapshot after = Snapshot::take();
    const std::string what = "F 157 " + std::to_string(k.f157) + " F 69 " + std::to_string(k.f69) + " F 291 " +
                             std::to_string(k.f291) + " F 36 " + std::to_string(k.f36) + " F 171 " +
                             std::to_string(k.f171) + " F 258 " + std::to_string(k.f258);
    EXPECT_EQ(after.flux != before.flux, k.flux) << what;
    EXPECT_EQ(after.u != before.u, k.velocity) << what;
    if (k.f36 != 11) {
      EXPECT_EQ(after.p != before.p, k.pressure) << what;
    }
  }
}

// The velocity of a cell with both east and west neighbours falls by
// CinvAp Careax^2 (p'e - p'w) / 2 / Cvol along a straight grid line; variant
// 0 scales it by F 388, variant 6 by (depth / F 86)^2 in a shallow column.
TEST(SimpleCorrections, VelocityChangeOfAnInnerCell) {
  InProjectDir p;
  divergentFlow(FlowGrid::box(4, 2, 4.0));
  std::vector<double> pc(NoCells + 1);
  for (int c = 1; c <= NoCells; ++c) pc[c] = 100.0 * Cxcenter[c];
  Cf = pc.data();
  int c = 0;
  for (int k = 1; k <= NoCells && !c; ++k)
    if (Ccellw[k] > 0 && Ccelle[k] > 0) c = k;
  ASSERT_GT(c, 0);
  // p' rises 100 Pa per metre along i; the cell spans 1 m.
  const double full = CinvAp[c] * Careax[c] * Careax[c] * 100.0 * (Cdxdi[c]) / Cvol[c];
  struct Case {
    int f157;
    double relax, minVert, factor;
  };
  const double depth = 4.0;
  const Case cases[] = {{0, 1.0, 0.001, 1.0}, {0, 0.5, 0.001, 0.5}, {6, 1.0, 2.0 * depth, 0.25}, {6, 1.0, depth, 1.0}};
  for (const Case& k : cases) {
    FlagSimpleCorrections = k.f157;
    relaxSimpleCorr = k.relax;
    MinVertDist = k.minVert;
    Cxvel[c] = 0.0;
    SimpleCorrections(WFStart, WFEnd, c, c);
    EXPECT_NEAR(Cxvel[c], -k.factor * full, 1e-12) << "F 157 " << k.f157 << " F 388 " << k.relax;
  }
}

TEST(SimpleCorrections, StressTermSetsThePressureFromTheDefect) {
  InProjectDir p;
  divergentFlow(FlowGrid::box(4, 2, 4.0));
  for (int c = 1; c <= NoCells; ++c) {
    Csource[c] = c;
    Cpres[c] = 1.0;
  }
  std::vector<double> pc(NoCells + 1, 1.0);
  Cf = pc.data();
  FlagStressTerm = 100;
  SimpleCorrections(WFStart, WFEnd, WCStart, WCEnd);
  EXPECT_DOUBLE_EQ(Cpres[7], 1.4);
  FlagStressTerm = 101;
  SimpleCorrections(WFStart, WFEnd, WCStart, WCEnd);
  EXPECT_DOUBLE_EQ(Cpres[7], 2.8);
}

// F 271: the level change of a column is relax[4] 0.0001019 times the mean
// difference of its mean p' to those of its neighbours; a lone column gets 0.
TEST(SimpleCorrections, WaterLevelChangeFromColumnMeans) {
  InProjectDir p;
  FlagTFS2 = 1;
  divergentFlow(FlowGrid::box(3, 1, 4.0));
  ASSERT_NE(Bdeltah, nullptr);
  std::vector<double> pc(NoCells + 1, 0.0);
  const int b1 = static_cast<int>(zval[2][2][0]), b2 = static_cast<int>(zval[3][2][0]),
            b3 = static_cast<int>(zval[4][2][0]);
  for (int k = b2; k > 0; k = Ccellt[k]) pc[k] = 10.0;  // the middle column 10 Pa higher
  Cf = pc.data();
  FlagSimpleCorrections = 52;  // nothing else corrected
  SimpleCorrections(WFStart, WFEnd, WCStart, WCEnd);
  EXPECT_NEAR(Bdeltah[Cbed[b2]], 0.2 * 0.0001019 * 10.0, 1e-15);
  EXPECT_NEAR(Bdeltah[Cbed[b1]], -0.2 * 0.0001019 * 10.0, 1e-15);
  EXPECT_NEAR(Bdeltah[Cbed[b3]], -0.2 * 0.0001019 * 10.0, 1e-15);
}

// p' limited to the range of the lateral neighbours widened by 981 sqrt(A):
// a cell with four lateral neighbours is never limited.
TEST(SimpleCorrections, FilterPressureLimitsEdgeCells) {
  InProjectDir p;
  divergentFlow(FlowGrid::box(3, 3, 4.0));
  std::vector<double> pc(NoCells + 1, 0.0);
  const int edge = static_cast<int>(zval[2][3][0]), centre = static_cast<int>(zval[3][3][0]);
  ASSERT_GT(Ccellt[centre], 0);
  pc[edge] = 5000.0;                // neighbours all at 0: limited to 981 sqrt(1 m2)
  pc[Ccellt[centre]] = 5000.0;      // four lateral neighbours: left alone
  pc[Ccellt[edge]] = 500.0;         // within the widened range: left alone
  Cf = pc.data();
  FilterPressure();
  EXPECT_NEAR(pc[edge], 981.0, 1e-9);
  EXPECT_DOUBLE_EQ(pc[Ccellt[centre]], 5000.0);
  EXPECT_DOUBLE_EQ(pc[Ccellt[edge]], 500.0);
}
