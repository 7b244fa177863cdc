// Ponds on the real engine: a flume 80 m long with a river 8 m wide (grid
// lines j = 1..4), a dry bank on lines 5 and 6 and, between x = 28 and 52 m,
// a hollow on lines 7 and 8 that no wet column joins to the river. The
// surface moves regenerate the grid; the cell count of each generation is
// in the log ("End Unstructure N cells").
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "support/case_runner.h"

namespace {

constexpr double kS = 0.001, kL = 80.0, kQ = 5.0, kKs = 0.01;

double strickler() { return 26.0 / std::pow(kKs, 1.0 / 6.0); }

// Manning's normal depth of the river (8 m wide, with its side walls).
double normalDepth() {
  double lo = 0.01, hi = 5.0;
  for (int k = 0; k < 200; ++k) {
    const double h = 0.5 * (lo + hi), A = 8.0 * h, R = A / (8.0 + 2.0 * h);
    (strickler() * A * std::pow(R, 2.0 / 3.0) * std::sqrt(kS) < kQ ? lo : hi) = h;
  }
  return 0.5 * (lo + hi);
}

// The hollow's bed lies `hollowDepth` below the water level (the river's
// normal-depth surface).
std::string koosurf(double hollowDepth) {
  std::ostringstream s;
  s.precision(10);
  for (int i = 1; i <= 21; ++i)
    for (int j = 1; j <= 8; ++j) {
      const double x = 4.0 * (i - 1), river = kS * (kL - x), level = river + normalDepth();
      double bed = river;
      if (j == 5 || j == 6) bed = level + 1.0;
      if (j >= 7) bed = i >= 8 && i <= 14 ? level - hollowDepth : level + 1.0;
      s << i << " " << j << " " << x << " " << 2.0 * (j - 1) << " " << bed << " " << level << "\n";
    }
  return s.str();
}

std::string control(const std::string& extra) {
  char w1[100];
  std::snprintf(w1, sizeof w1, "W 1 %.6f %.6f %.6f\n", strickler(), kQ, normalDepth());
  return std::string("F 2 YW\nG 1 23 10 12 1\nF 314 1 1\nF 237 1 5.0\nF 237 2 5.0\nF 16 0.01\n") + w1 +
         "K 1 40000 100\nG 6 1 0 0 0.1 1.0\nF 91 21 3\n" + extra;
}

// The cell counts of the generations in their order.
std::vector<int> cellCounts(const std::string& boogie) {
  std::vector<int> out;
  std::istringstream in(boogie);
  std::string line;
  int n;
  while (std::getline(in, line))
    if (std::sscanf(line.c_str(), "End Unstructure %d cells", &n) == 1) out.push_back(n);
  return out;
}

struct FlumeRun {
  int status;
  std::string boogie;
  std::vector<int> counts;
};

FlumeRun runFlume(double hollowDepth, const std::string& extra) {
  CaseDir dir;
  dir.write("koosurf", koosurf(hollowDepth));
  dir.write("control", control(extra));
  FlumeRun r;
  r.status = dir.run();
  r.boogie = dir.boogie();
  r.counts = cellCounts(r.boogie);
  return r;
}

}  // namespace

// F 394 1: the first grid holds the hollow (the group lists are made from
// it); every regeneration after it leaves the hollow without cells and keeps
// the river, which converges as without the pond removal.
TEST(PondsCase, HollowBehindADryBankIsRemovedAndTheRiverKept) {
  const FlumeRun plain = runFlume(0.5, "");
  const FlumeRun ponds = runFlume(0.5, "F 394 1\n");
  ASSERT_EQ(plain.status, 1) << plain.boogie;
  ASSERT_EQ(ponds.status, 1) << ponds.boogie;
  EXPECT_NE(ponds.boogie.find("Solution converged"), std::string::npos);
  ASSERT_GE(plain.counts.size(), 2u);
  ASSERT_GE(ponds.counts.size(), 2u);
  EXPECT_EQ(ponds.counts.front(), plain.counts.front());
  // 16 hollow columns (i = 8..15, j = 7, 8) of several cells each.
  EXPECT_GE(plain.counts.back() - ponds.counts.back(), 16 * 2);
  EXPECT_GE(ponds.counts.back(), plain.counts.back() * 3 / 4);
}

// F 379 1: a stagnant pool 5 cm deep (below 5 MinVertDist0) loses its one
// cell per column at the next regeneration; without F 379 it stays.
TEST(PondsCase, StagnantShallowPoolDriesAtTheNextRegeneration) {
  const FlumeRun plain = runFlume(0.05, "");
  const FlumeRun reduced = runFlume(0.05, "F 379 1 5 0.001\n");
  ASSERT_EQ(plain.status, 1) << plain.boogie;
  ASSERT_EQ(reduced.status, 1) << reduced.boogie;
  ASSERT_GE(reduced.counts.size(), 2u);
  EXPECT_EQ(reduced.counts.front(), plain.counts.front());
  EXPECT_EQ(plain.counts.back(), plain.counts.front());
  EXPECT_EQ(reduced.counts.back(), plain.counts.front() - 16);
}
