// The quasi-neighbour grid (F 137) on the real engine: the flow through a
// straight channel whose north side steps up, so that the short columns of
// the shallow side list the cells of their deep neighbours.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>
#include <cstdio>

#include "grid/generate.h"
#include "grid/geometry.h"
#include "io/kread.h"
#include "io/modelfiles.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/runstate.h"
#include "support/case_runner.h"
#include "support/in_dir.h"

namespace {

// 21 x 6 grid lines 1 m apart, water at 1 m; the bed of the two northern
// grid lines lies 0.5 m higher, so that the northern row of columns has 2
// cells beside rows of 4.
std::string sideStepKoosurf() {
  std::ostringstream s;
  for (int i = 1; i <= 21; ++i)
    for (int j = 1; j <= 6; ++j) s << i << " " << j << " " << i - 1 << ".0 " << j - 1 << ".0 " << (j >= 5 ? 0.5 : 0.0) << " 1.0\n";
  return s.str();
}

const std::string kControl =
    "F 2 YW\nG 1 23 8 5 1\nF 314 1 1\nF 237 1 1.0\nF 237 2 1.0\nK 2 0 0\nF 293 1\nK 1 2000\nK 4 1 1 1 200 1 1\n"
    "F 137 1\n";

}  // namespace

// The last "Iter: n, Resid: ..." line of the log: the six residuals.
std::vector<double> lastResiduals(const std::string& log) {
  std::istringstream in(log);
  std::string line;
  std::vector<double> last;
  while (std::getline(in, line)) {
    int it = 0;
    double r[6];
    if (std::sscanf(line.c_str(), "Iter: %d, Resid: %lf %lf %lf %lf %lf %lf", &it, &r[0], &r[1], &r[2], &r[3], &r[4],
                    &r[5]) == 7)
      last.assign(r, r + 6);
  }
  return last;
}

// The run with the lists ends normally and stays bounded: every residual has
// fallen by two orders from the start, none grows (the u residual levels off
// near 1 %, above the convergence limit; see the lists' coefficients).
TEST(QuasiNeighbourCase, SideStepChannelRunsWithTheListsAndStaysBounded) {
  CaseDir run;
  run.write("koosurf", sideStepKoosurf());
  run.write("control", kControl);
  ASSERT_EQ(run.run({"OMP_WAIT_POLICY=passive"}), 1) << run.boogie();
  const std::string log = run.boogie();
  EXPECT_EQ(log.find("Error"), std::string::npos) << log;
  EXPECT_NE(log.find("End Unstructure 360 cells"), std::string::npos) << log;
  const std::vector<double> r = lastResiduals(log);
  ASSERT_EQ(r.size(), 6u) << log;
  for (double v : r) EXPECT_LT(v, 0.02);

  // The same grid in memory: the shallow row's top cells list their deep
  // neighbours' cells.
  InProjectDir p;
  p.dir().write("koosurf", sideStepKoosurf());
  p.dir().write("control", kControl);
  kread();
  ASSERT_GE(AllocateArrays(1, 1, 1), 0.0);
  readKoosurf();
  Unstructure();
  int listed = 0;
  for (int c = 1; c <= NoCells; ++c) listed += Cncells[c] + Cncelln[c];
  EXPECT_EQ(listed, 20 * 3);
}
