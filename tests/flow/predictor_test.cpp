// Explicit predictor of F 171 2, 4 and 5: velocities predicted from the
// assembled momentum equations, the face fluxes of the predicted field with
// the quadratic line next to a boundary, the equation of the pressure, and
// with 5 the velocities from the new pressure.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "flow/cellequations.h"
#include "flow/control.h"
#include "flow/stages.h"
#include "physics/physics.h"
#include "solvers/pressource.h"
#include "solvers/share.h"
#include "solvers/solver.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/flowstate.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/startup.h"
#include "support/flow_grid.h"
#include "support/in_dir.h"

namespace {

std::vector<double> copyOf(const double* a, int n) { return std::vector<double>(a, a + n + 1); }

double largest(const std::vector<double>& v) {
  double m = 0.0;
  for (size_t k = 1; k < v.size(); ++k) m = std::max(m, std::fabs(v[k]));
  return m;
}

// A channel of 5 x 3 columns, 10 m deep in nine layers, with inflow along
// the west and outflow along the east edge (both 1 m3/s unless given), and a
// velocity field that varies from cell to cell. `simple` is F 171, set before
// the grid so that the predicted velocities exist.
void channel(int simple, double outflow = 1.0) {
  FlagSIMPLE = simple;
  FlowGrid g = FlowGrid::box(5, 3, 10.0);
  g.inflow = 1.0;
  g.outflow = outflow;
  ASSERT_TRUE(g.build());
  startup();
  computeChunkSizes();
  for (int c = 1; c <= NoCells; ++c) {
    Cxvel[c] = 0.4 + 0.2 * std::sin(0.7 * c);
    Cyvel[c] = 0.1 * std::cos(1.3 * c);
    Czvel[c] = 0.02 * std::sin(2.1 * c);
  }
  Iter = 1;
  FlagInitializedInvAp = 1;
}

// The driver's own array, p', as the predictor finds it in Cf.
double* ownArray(std::vector<double>& pc) {
  pc.assign(NoCells + 1, 0.0);
  Cf = Cf_old = pc.data();
  return pc.data();
}

struct Equation6 {
  std::vector<double> e, w, n, s, t, b, source, ap;
};

// The momentum equations as the predictor assembles them (no pressure force),
// taken after each component.
std::vector<Equation6> assembled() {
  std::vector<Equation6> eqs;
  Equation = 1;
  GammaCalc(WCStart, WCEnd);
  coeff_make(WFStart, WFEnd);
  for (int eq = 1; eq <= 3; ++eq) {
    Equation = eq;
    assembleVelocityEquation(eq, false, true);
    eqs.push_back({copyOf(Cae, NoCells), copyOf(Caw, NoCells), copyOf(Can, NoCells), copyOf(Cas, NoCells),
                   copyOf(Cat, NoCells), copyOf(Cab, NoCells), copyOf(Csource, NoCells), copyOf(Cap, NoCells)});
  }
  return eqs;
}

}  // namespace

// Each predicted component is its neighbour sum plus the source of its
// assembled equation, divided by the central coefficient of u.
TEST(ExplicitPredictor, PredictedVelocitiesFromTheAssembledEquations) {
  InProjectDir p;
  channel(2);
  std::vector<double> pc;
  ownArray(pc);
  const std::vector<Equation6> eqs = assembled();
  const std::vector<double> u = copyOf(Cxvel, NoCells), v = copyOf(Cyvel, NoCells), w = copyOf(Czvel, NoCells);
  ownArray(pc);
  explicitPredictor(1);
  EXPECT_EQ(Cf, pc.data());
  EXPECT_EQ(Cf_old, pc.data());
  EXPECT_EQ(copyOf(Cxvel, NoCells), u);  // no velocity update with 2
  const std::vector<double>* fields[3] = {&u, &v, &w};
  const double* predicted[3] = {CxvelP, CyvelP, CzvelP};
  for (int k = 0; k < 3; ++k) {
    const Equation6& a = eqs[k];
    const std::vector<double>& f = *fields[k];
    for (int c = 1; c <= NoCells; ++c) {
      const double sum = a.e[c] * f[Ccelle[c]] + a.w[c] * f[Ccellw[c]] + a.n[c] * f[Ccelln[c]] +
                         a.s[c] * f[Ccells[c]] + a.t[c] * f[Ccellt[c]] + a.b[c] * f[Ccellb[c]] + a.source[c];
      const double want = sum / eqs[0].ap[c];
      ASSERT_NEAR(predicted[k][c], want, 1e-12 * (std::fabs(want) + largest(f))) << "component " << k + 1 << ", cell " << c;
    }
  }
}

// Faces with both cells and one far cell take the predicted velocity from
// the quadratic through the three cell centres on their line: 0.75 for the
// cell on the far cell's side, 0.375 for the cell across, -0.125 for the far
// cell. Inner faces take the plain interpolation of the predicted velocities
// (no pressure term), faces on the edge of the grid nothing.
TEST(ExplicitPredictor, FluxesOfThePredictedField) {
  InProjectDir p;
  channel(4);
  RelaxRhieChow = 0.7;
  Cpres[7] = 500.0;  // a pressure term would show
  double* const u = Cxvel;
  std::vector<double> pc;
  ownArray(pc);
  explicitPredictor(1);
  EXPECT_EQ(Cxvel, u);
  EXPECT_EQ(RelaxRhieChow, 0.7);
  auto dot = [](int f, double a, double b, double c) { return 1000.0 * (a * Fax[f] + b * Fay[f] + c * Faz[f]); };
  int lines = 0, inner = 0;
  for (int f = 1; f <= NoSurfaces; ++f) {
    const int c1 = Fcell1[f], c2 = Fcell2[f], c11 = Fcell11[f], c22 = Fcell22[f];
    double want;
    if (c1 == 0 || c2 == 0) {
      continue;  // left as the groups and walls have them
    } else if ((c11 > 0) != (c22 > 0)) {
      const int near = c11 > 0 ? c1 : c2, across = c11 > 0 ? c2 : c1, far = c11 > 0 ? c11 : c22;
      auto q = [&](const double* a) { return 0.75 * a[near] + 0.375 * a[across] - 0.125 * a[far]; };
      want = dot(f, q(CxvelP), q(CyvelP), q(CzvelP));
      ++lines;
    } else {
      const double w1 = Fdist2[f] / (Fdist1[f] + Fdist2[f]), w2 = 1.0 - w1;
      auto m = [&](const double* a) { return w1 * a[c1] + w2 * a[c2]; };
      want = dot(f, m(CxvelP), m(CyvelP), m(CzvelP));
      ++inner;
    }
    ASSERT_NEAR(Fflux[f], want, 1e-9 * (std::fabs(want) + 1.0)) << "face " << f;
  }
  EXPECT_GT(lines, 0);
  EXPECT_GT(inner, 0);
}

// F 171 5: the velocities follow from the new pressure, u = pressure force
// / ap + predicted u; the fluxes are those of the new velocities, and the
// residual of p' is the sum of the cells' net outflows over its
// normalisation (inflow and outflow balance).
TEST(ExplicitPredictor, VelocitiesFromTheNewPressure) {
  InProjectDir p;
  channel(5);
  std::vector<double> pc;
  ownArray(pc);
  MaxResidual[4] = 12345.0;
  explicitPredictor(1);
  ASSERT_GT(largest(copyOf(Cpres, NoCells)), 1.0);
  const std::vector<double> flux = copyOf(Fflux, NoSurfaces);
  double* vel[3] = {Cxvel, Cyvel, Czvel};
  const double* predicted[3] = {CxvelP, CyvelP, CzvelP};
  for (int eq = 1; eq <= 3; ++eq) {
    Equation = eq;
    std::fill(Csource, Csource + NoCells + 1, 0.0);
    pressure_source(WCStart, WCEnd);
    ASSERT_GT(largest(copyOf(Csource, NoCells)), 0.0);
    for (int c = 1; c <= NoCells; ++c)
      ASSERT_NEAR(vel[eq - 1][c], Csource[c] * CinvAp[c] + predicted[eq - 1][c], 1e-12) << "component " << eq << ", cell " << c;
  }
  waterflow(WFStart, WFEnd);
  EXPECT_EQ(copyOf(Fflux, NoSurfaces), flux);
  std::vector<double> d(NoCells + 1, 0.0);
  for (int f = 1; f <= NoSurfaces; ++f) {
    if (Fcell1[f] > 0) d[Fcell1[f]] -= Fflux[f];
    if (Fcell2[f] > 0) d[Fcell2[f]] += Fflux[f];
  }
  double sum = 0.0;
  for (int c = 1; c <= NoCells; ++c) sum += std::fabs(d[c]);
  ASSERT_GT(sum, 0.0);
  EXPECT_NEAR(MaxResidual[4], sum / NormResidual[4], 1e-12 * sum / NormResidual[4]);
}

// F 171 4: the velocities are not updated and no pass follows, so the
// continuity record is that of the predictor's pressure equation: here the
// 500 kg/s that the inflow brings beyond the outflow, the largest defect and
// its cell. The stage's end stamp is taken with 4 and 5 only.
TEST(ExplicitPredictor, ContinuityRecordOfThePressureEquation) {
  for (int simple : {2, 4}) {
    InProjectDir p;
    channel(simple, 0.5);
    const std::vector<double> u = copyOf(Cxvel, NoCells);
    std::vector<double> pc;
    ownArray(pc);
    otime[17] = 0.0;
    explicitPredictor(1);
    EXPECT_EQ(copyOf(Cxvel, NoCells), u);
    EXPECT_NEAR(GlobContinuity, 500.0, 1e-9) << "F 171 " << simple;
    // The defect of each cell from the predicted fluxes and the groups.
    pressure_fluxes();
    double top = 0.0;
    int at = 1;
    for (int c = 1; c <= NoCells; ++c)
      if (std::fabs(Csource[c]) > top) top = std::fabs(Csource[c]), at = c;
    EXPECT_DOUBLE_EQ(GlobDefMax, top) << "F 171 " << simple;
    EXPECT_EQ(Glob_dmI, at) << "F 171 " << simple;
    EXPECT_EQ(otime[17] > 0.0, simple == 4) << "F 171 " << simple;
  }
}
