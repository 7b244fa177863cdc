// Run letter L: the explicit shallow-water scheme on the depth-averaged block
// of F 311, on a straight channel 20 m long and 5 m wide with its bed at 0.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "flow/flow.h"
#include "grid/generate.h"
#include "grid/geometry.h"
#include "io/kread.h"
#include "io/modelfiles.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/flowstate.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/case_runner.h"
#include "support/in_dir.h"

namespace {

std::string channel(double depth) {
  std::ostringstream s;
  for (int i = 1; i <= 21; ++i)
    for (int j = 1; j <= 6; ++j) s << i << " " << j << " " << i - 1 << ".0 " << j - 1 << ".0 0.0 " << depth << "\n";
  return s.str();
}

void prepare(const InProjectDir& p, const std::string& control, double depth) {
  p.dir().write("koosurf", channel(depth));
  p.dir().write("control", control);
  kread();
  ASSERT_GE(AllocateArrays(1, 1, 1), 0.0);
  readKoosurf();
  Unstructure();
}

}  // namespace

const char* kControl = "F 2 YL\nG 1 23 8 5 1\nF 311 1\nF 33 0.05 1\n";

int countIterLines(const std::string& log, int& first, int& last) {
  std::istringstream in(log);
  std::string line;
  int n = 0;
  first = last = -1;
  while (std::getline(in, line)) {
    int k = 0;
    if (std::sscanf(line.c_str(), "Iter %d", &k) == 1 && line == "Iter " + std::to_string(k)) {
      if (n == 0) first = k;
      last = k;
      ++n;
    }
  }
  return n;
}

// K 1 0: only the set-up runs. From h0 (the cell height) every cell starts
// with hu = 0.2 h0 and the x-flux of momentum 0.04 h0 + 4.905 h0^2; the inflow
// cells (no west neighbour) get the fixed inflow, their west top corners 0.22.
TEST(ShallowWater, SetUpFromTheCellHeight) {
  InProjectDir p;
  prepare(p, std::string(kControl) + "K 1 0\n", 0.3);
  const int before = static_cast<int>(p.dir().boogie().size());
  shallowWater();
  EXPECT_EQ(static_cast<int>(p.dir().boogie().size()), before);
  const BlockRecord& b = block[NoBlocks];
  ASSERT_EQ(b.kind, 1);
  for (int c = b.firstCell; c <= b.lastCell; ++c) {
    EXPECT_NEAR(CU[0][c], 0.3, 1e-12);
    EXPECT_NEAR(CU[1][c], 0.06, 1e-12);
    if (Ccellw[c] == 0) {
      EXPECT_EQ(CF[0][c], 0.066);
      EXPECT_EQ(Pz[Cpoint5[c]], 0.22);
      EXPECT_EQ(Pz[Cpoint8[c]], 0.22);
      EXPECT_EQ(FF[1][Cflatew[c]], 0.257202);
    } else {
      EXPECT_NEAR(CF[1][c], 0.012 + 4.905 * 0.09, 1e-12);
    }
  }
}

// Three steps write "Iter 0" .. "Iter 2"; the west corners end every step at
// 0.22, the east end's corners at 0.2 or more, all corners at 0.1 or more.
// Away from the inflow the uniform start keeps its depth, and the unit
// discharge loses exactly the Manning-Strickler friction of one step:
// hu - 9.81 h dt u|u| / (h^(4/3) M^2).
TEST(ShallowWater, StepsLinesCornersAndFriction) {
  InProjectDir p;
  prepare(p, std::string(kControl) + "K 1 1\n", 0.22);
  shallowWater();
  const BlockRecord& b = block[NoBlocks];
  const double h = 0.22, u = 0.2, dt = 0.05, M = ManningInit;
  const double expected = h * u - 9.81 * h * dt * u * u / (std::pow(h, 1.3333333) * M * M);
  int checked = 0;
  for (int c = b.firstCell; c <= b.lastCell; ++c) {
    if (Cxcenter[c] < 5.0 || Cxcenter[c] > 15.0) continue;
    EXPECT_NEAR(CU[0][c], h, 1e-12) << c;
    EXPECT_NEAR(CU[1][c], expected, 1e-12) << c;
    EXPECT_NEAR(Cxvel[c], expected / h, 1e-12) << c;
    EXPECT_EQ(Cyvel[c], 0.0);
    ++checked;
  }
  EXPECT_EQ(checked, 50);

  InProjectDir q;
  prepare(q, std::string(kControl) + "K 1 3\n", 0.22);
  shallowWater();
  int first = 0, last = 0;
  EXPECT_EQ(countIterLines(q.dir().boogie(), first, last), 3);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(last, 2);
  const BlockRecord& k = block[NoBlocks];
  for (int c = k.firstCell; c <= k.lastCell; ++c) {
    for (int pt : {Cpoint5[c], Cpoint6[c], Cpoint7[c], Cpoint8[c]}) EXPECT_GE(Pz[pt], 0.1);
    if (Ccellw[c] == 0) {
      EXPECT_EQ(Pz[Cpoint5[c]], 0.22);
      EXPECT_EQ(Pz[Cpoint8[c]], 0.22);
    }
    if (Ccelle[c] == 0) {
      for (int pt : {Cpoint5[c], Cpoint6[c], Cpoint7[c], Cpoint8[c]}) EXPECT_GE(Pz[pt], 0.2);
    }
  }
  EXPECT_EQ(RunErrorReported, 0);
}

// Corners below the floors are raised: a shallow channel (0.05 m) ends its
// first step with every corner at 0.1 or more, at the east end 0.2 or more.
TEST(ShallowWater, ShallowCornersAreRaised) {
  InProjectDir p;
  prepare(p, std::string(kControl) + "K 1 1\n", 0.05);
  shallowWater();
  const BlockRecord& b = block[NoBlocks];
  for (int c = b.firstCell; c <= b.lastCell; ++c) {
    const double least = Ccelle[c] == 0 ? 0.2 : 0.1;
    for (int pt : {Cpoint6[c], Cpoint7[c]}) EXPECT_GE(Pz[pt], least) << c;
    if (Cxcenter[c] > 5.0 && Cxcenter[c] < 15.0) {
      EXPECT_EQ(Pz[Cpoint6[c]], 0.1) << c;
    }
  }
}

// Without F 311 run letter L logs its two lines and returns; with F 311 but
// no depth-averaged block (no grid generated) it logs the block error, and
// the run does not end as a success.
TEST(ShallowWaterCase, RefusalsAreLogged) {
  const CaseResult a = runControl("F 2 L\n");
  EXPECT_EQ(a.status, 1) << a.boogie;
  EXPECT_TRUE(a.has("The F 311 data set has to be used in the control file when computing the \nShallow-Water equations\n\n"))
      << a.boogie;
  const CaseResult b = runControl("F 2 L\nF 311 1\n");
  EXPECT_EQ(b.status, 2) << b.boogie;
  EXPECT_TRUE(b.has("Error in computation of Shallow Water Equations: 2D block not correctly made\n")) << b.boogie;
}

// A time step far beyond the scheme's reach drives a depth to 0 or below: the
// computation stops with an Error line instead of running on with values
// that are not numbers, and the run ends with status 2.
TEST(ShallowWaterCase, ALostDepthStopsTheComputation) {
  CaseDir d;
  d.write("koosurf", channel(0.22));
  d.write("control", "F 2 YL\nG 1 23 8 5 1\nF 311 1\nF 33 5.0 1\nK 1 2000\n");
  EXPECT_EQ(d.run(), 2) << d.boogie();
  EXPECT_NE(d.boogie().find("Error in computation of Shallow Water Equations: depth"), std::string::npos)
      << d.boogie();
}
