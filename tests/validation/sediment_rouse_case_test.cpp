// The equilibrium profile of suspended sediment in uniform flow on the real
// engine: the wide channel of the log-law case (160 m long, 10 m wide, 1 m
// deep, 1 m3/s, 10 cell layers, rough bed ks 0.05 m) computed by letter W,
// read back by R and held (F 68 2) while letter S lets one grain size settle
// and be picked up from the bed (F 37 2), the outflow concentration fed back
// into the inflow (F 174). Far downstream of the inlet the profile over the
// centre line follows Rouse's
//     c / ca = ((h - z) / z  a / (h - a))^(w / (0.4 u*))
// with a the centre of the bottom cell and u* = sqrt(0.3 k) there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "grid/generate.h"
#include "grid/geometry.h"
#include "io/kread.h"
#include "io/modelfiles.h"
#include "state/alloc.h"
#include "state/arrays.h"
#include "state/runstate.h"
#include "support/case_runner.h"
#include "support/in_dir.h"
#include "support/validation.h"

namespace {

std::string wideChannel() {
  std::ostringstream s;
  for (int i = 1; i <= 41; ++i)
    for (int j = 1; j <= 6; ++j) s << i << " " << j << " " << 4 * (i - 1) << ".0 " << 2 * (j - 1) << ".0 0.0 1.0\n";
  return s.str();
}

const std::string kChannel = "G 1 43 8 12 1\nF 314 1 1\nF 237 1 1.0\nF 237 2 1.0\nK 2 0 0\nF 16 0.05\n";
constexpr double kFall = 0.0033;  // m/s

// The first value of every cell line of a con2res file (cells 1..n).
std::vector<double> concentrations(const std::string& text) {
  std::istringstream in(text);
  int cells = 0, sizes = 0;
  in >> cells >> sizes;
  std::vector<double> c(static_cast<size_t>(cells) + 1, NAN);
  for (int n = 1; n <= cells; ++n) {
    for (int l = 0; l <= sizes; ++l) {
      double v = NAN;
      in >> v;
      if (l == 1) c[n] = v;
    }
  }
  return c;
}

}  // namespace

TEST(SedimentValidation, TheEquilibriumProfileFollowsRouse) {
  CaseDir run;
  run.write("koosurf", wideChannel());
  run.write("control", "F 2 YW\n" + kChannel + "K 1 8000\n");
  ASSERT_EQ(run.run(), 1) << run.boogie();
  ASSERT_TRUE(run.boogieHas("Solution converged")) << run.boogie();
  run.write("result", run.read("result.end"));
  char sediment[400];
  std::snprintf(sediment, sizeof sediment,
                "F 2 YRS\nF 37 2\nF 68 2\nF 33 60 1\nK 1 80\nS 1 0.00004 %g\nN 0 1 1.0\nF 11 2.65 0.05\n"
                "F 106 0.01\nF 174 0 1\nF 4 0.5 100\nF 12 1\n",
                kFall);
  run.write("control", sediment + kChannel);
  ASSERT_EQ(run.run(), 1) << run.boogie();
  const std::vector<double> conc = concentrations(run.read("con2res.new"));
  const ResultField flow = readResultFile(run.read("result.end"));

  InProjectDir p;
  p.dir().write("koosurf", wideChannel());
  p.dir().write("control", "F 2 YW\n" + kChannel);
  kread();
  ASSERT_GE(AllocateArrays(1, 1, 1), 0.0);
  readKoosurf();
  Unstructure();
  metric();
  ASSERT_EQ(static_cast<int>(conc.size()), NoCells + 1);

  // The column at x = 142 m on the centre line: 3.5 adaptation lengths
  // u h / w downstream of the inlet, where the fed-back concentration enters
  // evenly over the depth.
  int bottom = 0;
  for (int c = 1; c <= NoCells; ++c)
    if (Ccellb[c] == 0 && std::fabs(Cxcenter[c] - 142.0) < 0.01 && std::fabs(Cycenter[c] - 5.0) < 0.01) bottom = c;
  ASSERT_GT(bottom, 0);
  const double ustar = std::sqrt(0.3 * flow.cells.at(bottom)[3]);
  const double Z = kFall / (0.4 * ustar);
  EXPECT_GT(Z, 0.5);
  EXPECT_LT(Z, 1.5);
  const double a = Czcenter[bottom], h = 1.0, ca = conc[bottom];
  ASSERT_GT(ca, 1e-7);  // the bed gives sediment up

  // Known answers: Rouse's profile, and the balance w c + e dc/dz = 0
  // integrated exactly with the engine's own eddy diffusivity
  // e = 0.09 k^2 / epsilon (Schmidt number 1), linear between the centres.
  double rouseHalf = 0, rouseDeep = 0, ownWorst = 0, shapeWorst = 0, firstRatio = 0;
  double integral = 0.0, zPrev = a, nuPrev = 0.0;
  std::vector<double> zs, cs, rouse, own;
  for (int c = bottom; c != 0; c = Ccellt[c]) {
    const double z = Czcenter[c];
    const std::vector<double>& f = flow.cells.at(c);
    const double nu = 0.09 * f[3] * f[3] / f[4] + 1e-6;
    if (c != bottom)
      integral += std::fabs(nu - nuPrev) > 1e-12 ? kFall * (z - zPrev) / (nu - nuPrev) * std::log(nu / nuPrev)
                                                 : kFall * (z - zPrev) / nu;
    zPrev = z;
    nuPrev = nu;
    const double r = conc[c] / ca, R = std::pow((h - z) / z * a / (h - a), Z), E = std::exp(-integral);
    std::printf("z %.3f c/ca %.5f Rouse %.5f own diffusivity %.5f\n", z, r, R, E);
    zs.push_back(z);
    cs.push_back(r);
    rouse.push_back(R);
    own.push_back(E);
    if (c == bottom || z > 0.8 * h) continue;
    const double dR = std::fabs(r / R - 1.0), dE = std::fabs(r / E - 1.0);
    if (z <= 0.5 * h) rouseHalf = std::max(rouseHalf, dR);
    rouseDeep = std::max(rouseDeep, dR);
    ownWorst = std::max(ownWorst, dE);
    if (firstRatio == 0.0)
      firstRatio = r / E;
    else
      shapeWorst = std::max(shapeWorst, std::fabs(r / E / firstRatio - 1.0));
  }
  ASSERT_EQ(zs.size(), 10u);
  // The first interval, where the diffusivity doubles within one cell,
  // costs the discretisation some 7 %; above it the profile keeps the shape
  // of the exact solution.
  EXPECT_TRUE(withinLimit({"equilibrium profile against the engine's own diffusivity, largest deviation up to 0.8 h",
                           100 * ownWorst, 10.0, " %"}));
  EXPECT_TRUE(withinLimit({"equilibrium profile shape above the bottom interval against the engine's own diffusivity",
                           100 * shapeWorst, 3.0, " %"}));
  // The k-epsilon eddy viscosity is 0.8 times the parabolic 0.4 u* z (1 - z/h)
  // of Rouse's profile at mid-depth: with the Schmidt number 1 of F 12 the
  // profile falls below Rouse's by up to a third.
  EXPECT_TRUE(withinLimit({"Rouse profile, largest deviation up to half the depth (F 12 1)", 100 * rouseHalf, 32.0,
                           " %"}));
  EXPECT_TRUE(withinLimit({"Rouse profile, largest deviation up to 0.8 h (F 12 1)", 100 * rouseDeep, 40.0, " %"}));

  writeValidationPlot("sediment_rouse",
                      SvgPlot("Suspended sediment in uniform flow, w/(0.4 u*) = " + std::to_string(Z).substr(0, 4),
                              "c / ca", "height above the bed z (m)")
                          .curve("Rouse", rouse, zs)
                          .curve("exact with the engine's diffusivity", own, zs)
                          .points("computed", cs, zs));
}
