// The sediment and component equations on the real engine: the second-order
// scheme with three sizes (F 63 1), the quasi-neighbour grid (F 137) under a
// water-quality component and under sediment, and the timeo balance items of
// a multi-layer run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "support/case_runner.h"

namespace {

std::vector<std::vector<double>> numberRows(const std::string& text, const std::string& prefix) {
  std::vector<std::vector<double>> rows;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(prefix, 0) != 0) continue;
    std::istringstream w(line.substr(prefix.size()));
    std::vector<double> v;
    for (double x; w >> x;) v.push_back(x);
    rows.push_back(v);
  }
  return rows;
}

// The balance rows (index 0..sizes) of the last table of the log.
std::vector<std::vector<double>> lastBalance(const std::string& log, int sizes) {
  std::vector<std::vector<double>> rows;
  std::istringstream in(log);
  std::string line;
  int left = 0;
  while (std::getline(in, line)) {
    if (line.rfind("Size   Inflow", 0) == 0) {
      left = sizes + 1;
      rows.clear();
      continue;
    }
    if (left-- <= 0) continue;
    std::istringstream w(line);
    std::vector<double> v;
    for (double x; w >> x;) v.push_back(x);
    rows.push_back(v);
  }
  return rows;
}

// A channel of 20 x 5 columns of 1 m, water at 1 m; from x = 10 m on the bed
// stands 0.5 m higher, so that the first row of the high columns lists the
// cells of the deep ones on its west side.
std::string steppedChannel() {
  std::ostringstream s;
  for (int i = 1; i <= 21; ++i)
    for (int j = 1; j <= 6; ++j) s << i << " " << j << " " << i - 1 << ".0 " << j - 1 << ".0 " << (i >= 11 ? 0.5 : 0.0) << " 1.0\n";
  return s.str();
}

// 10 x 9 columns of 1 m, 1 m deep.
std::string wideChannel() {
  std::ostringstream s;
  for (int i = 1; i <= 11; ++i)
    for (int j = 1; j <= 10; ++j) s << i << " " << j << " " << i - 1 << ".0 " << j - 1 << ".0 0.0 1.0\n";
  return s.str();
}

const std::string kThreeSizes = "F 16 0.05\nF 37 2\nF 33 60 2\nK 1 4\nK 4 5 5 5 200 5 5\nF 4 0.5 50\nF 11 2.65 0.05\n"
                                "F 106 0.01\nS 1 0.0004 0.03\nS 2 0.0002 0.022\nS 3 0.0001 0.01\nN 0 1 0.4\n"
                                "N 0 2 0.3\nN 0 3 0.3\nF 1 D\n";

// Every row of the balance closes: inflow - outflow - suspended change -
// change of the bed layers within 1 % of the largest of them (and 1e-6 kg).
void expectBalanceCloses(const std::string& log, int sizes) {
  const auto rows = lastBalance(log, sizes);
  ASSERT_EQ(static_cast<int>(rows.size()), sizes + 1) << log;
  for (const auto& r : rows) {
    ASSERT_EQ(r.size(), 10u);
    const double scale = std::max({std::fabs(r[1]), std::fabs(r[2]), std::fabs(r[4]), 1e-4});
    EXPECT_LT(std::fabs(r[6]), 0.01 * scale) << "size " << r[0];
  }
}

}  // namespace

// F 63 1 with three sizes and F 37 2: the run completes, the timeo item f
// prints the run's bed change and outflow, and every size's balance closes.
TEST(SedimentSchemesCase, SecondOrderWithThreeSizes) {
  CaseDir dir;
  dir.write("koosurf", wideChannel());
  dir.write("control", "F 2 YSX\nG 1 13 12 7 3\nF 314 1 1\nF 237 1 1.0\nF 237 2 1.0\nK 2 0 0\n" + kThreeSizes +
                           "F 63 1\nF 53 100 100 1 1\n");
  dir.write("timei", "O 0 1 f 0\n");
  ASSERT_EQ(dir.run(), 0) << dir.boogie();
  const std::string log = dir.boogie();
  EXPECT_EQ(log.find("Error"), std::string::npos) << log;
  expectBalanceCloses(log, 3);
  EXPECT_NE(dir.read("timeo").find("Cont: B I O R "), std::string::npos);
}

// A component through the stepped channel of the quasi-neighbour grid, 1.0
// at the inflow, no sources: the steady solution is 1.0 in every cell, so the
// component's discharge through every cross-section is the water's. Also with
// the second-order scheme (F 63 1), whose vertical second neighbours the
// sweep over the lists must read as the diagonal holds them (left out, the
// cells upstream of the step rose to 1.49).
TEST(SedimentSchemesCase, ComponentThroughQuasiNeighbourListsIsConserved) {
  for (const std::string scheme : {"", "F 63 1\n"}) {
    SCOPED_TRACE(scheme);
    CaseDir dir;
    dir.write("koosurf", steppedChannel());
    dir.write("control",
              "F 2 YW\nG 1 23 8 5 1\nF 314 1 1\nF 237 1 1.0\nF 237 2 1.0\nK 2 0 0\nF 293 1\nK 1 500\n"
              "K 4 1 1 1 200 1 1\nF 137 1\nF 50 1\nM 1 0 1.0\nP 9 1\n" + scheme);
    ASSERT_EQ(dir.run(), 1) << dir.boogie();
    ASSERT_TRUE(dir.boogieHas("Solution converged")) << dir.boogie();
    // The component file of the last iteration.
    std::string last;
    for (int n = 0; n < 1000; ++n) {
      char name[32];
      std::snprintf(name, sizeof name, "compres.%03d", n);
      if (!dir.exists(name)) break;
      last = name;
    }
    ASSERT_FALSE(last.empty()) << dir.boogie();
    const auto rows = numberRows(dir.read(last), "");
    ASSERT_EQ(rows.size(), 300u);
    for (std::size_t c = 0; c < rows.size(); ++c) EXPECT_NEAR(rows[c][0], 1.0, 1e-4) << "cell " << c + 1;
  }
}

// Sediment over the quasi-neighbour grid, with both schemes: the run
// completes without an error and writes a balance row of finite figures for
// every size. (Its balance is checked over 30 steps by
// SedimentBalanceClosesOverQuasiNeighbourLists below.)
TEST(SedimentSchemesCase, SedimentOverQuasiNeighbourLists) {
  for (const std::string scheme : {"", "F 63 1\n"}) {
    SCOPED_TRACE(scheme);
    CaseDir dir;
    dir.write("koosurf", steppedChannel());
    dir.write("control", "F 2 YSX\nG 1 23 8 5 3\nF 314 1 1\nF 237 1 1.0\nF 237 2 1.0\nK 2 0 0\nF 137 1\n" +
                             kThreeSizes + "M 1 1 0.0001\nM 1 2 0.0001\nM 1 3 0.0001\n" + scheme);
    ASSERT_EQ(dir.run(), 0) << dir.boogie();
    const std::string log = dir.boogie();
    EXPECT_EQ(log.find("Error"), std::string::npos) << log;
    EXPECT_EQ(log.find("not available"), std::string::npos) << log;
    const auto rows = lastBalance(log, 3);
    ASSERT_EQ(rows.size(), 4u) << log;
    for (const auto& r : rows)
      for (double x : r) EXPECT_TRUE(std::isfinite(x));
    EXPECT_GT(rows[0][1], 0.0);  // sediment came in
  }
}

// Sediment of three sizes through the stepped channel, whose first high row
// lists the deep cells on its west side, for 30 steps of 60 s: every size's
// balance closes with each bed method (F 37 1 the balance of the held
// bottom cell, 2 settling minus pick-up, 3 the layer stack): what came in
// is what went out, what stays suspended and what the bed took, measured
// both by the layers and by the bed change, within 0.2 % of the inflow. The
// bed would otherwise take the balance of bed-cell terms that F 37 2 and 3
// never set (490 % of the inflow with F 37 2). With the second-order scheme
// (F 63 1) the listed faces are weighted as the listed cells give, the own
// face of a listing cell couples nothing, and a face whose upstream cell
// lists its cells behind takes the upwind value (each fault alone costs
// 0.4 % to 2 % of a size's inflow). With F 37 1 the held bottom cell's
// balance counts the cells two away that read it and that it reads (left
// out: 16 % of the inflow, lists or not).
TEST(SedimentSchemesCase, SedimentBalanceClosesOverQuasiNeighbourLists) {
  for (const std::string method :
       {"F 37 1\n", "F 37 2\n", "F 37 3\nF 134 5\nF 255 5\n", "F 37 1\nF 63 1\n", "F 37 2\nF 63 1\n",
        "F 37 3\nF 134 5\nF 255 5\nF 63 1\n"}) {
    SCOPED_TRACE(method);
    std::string sizes = kThreeSizes;
    sizes.replace(sizes.find("F 37 2\n"), 7, method);
    sizes.replace(sizes.find("K 1 4\n"), 6, "K 1 30\n");
    CaseDir dir;
    dir.write("koosurf", steppedChannel());
    dir.write("control", "F 2 YSX\nG 1 23 8 5 3\nF 314 1 1\nF 237 1 1.0\nF 237 2 1.0\nK 2 0 0\nF 137 1\n" + sizes +
                             "M 1 1 0.0001\nM 1 2 0.0001\nM 1 3 0.0001\n");
    ASSERT_EQ(dir.run(), 0) << dir.boogie();
    const auto rows = lastBalance(dir.boogie(), 3);
    ASSERT_EQ(rows.size(), 4u) << dir.boogie();
    for (const auto& r : rows) {
      ASSERT_EQ(r.size(), 10u);
      ASSERT_GT(r[1], 0.0) << "size " << r[0];
      EXPECT_LT(std::fabs(r[6]), 0.002 * r[1]) << "size " << r[0];  // by the layers
      EXPECT_LT(std::fabs(r[7]), 0.002 * r[1]) << "size " << r[0];  // by the bed change
      EXPECT_GT(r[4], 0.1 * r[1]) << "size " << r[0];                 // the bed took a real share
    }
  }
}

// A multi-layer run with sediment coming in: the timeo item f carries the
// run's bed change and inflow, both non-zero, the same figures as the
// continuity report of that step; x the largest balance error; the report
// has its stack line.
TEST(SedimentSchemesCase, MultiLayerTimeoCarriesTheBalance) {
  CaseDir dir;
  dir.write("koosurf", straightChannelKoosurf());
  dir.write("control",
            "F 2 YSX\nG 1 23 8 11 3\nF 314 1 1\nF 237 1 8.0\nF 237 2 8.0\nK 1 3\nF 33 1.0 20\nF 37 3\nF 134 5\n"
            "F 255 5\nS 1 0.001 0.1\nS 2 0.0005 0.05\nS 3 0.0002 0.02\nN 0 1 0.3\nN 0 2 0.3\nN 0 3 0.4\nF 1 D\n"
            "M 1 1 0.001\nM 1 2 0.001\nM 1 3 0.001\nF 53 100 100 1 1\n");
  dir.write("timei", "O 0 2 f 0 x 0\n");
  ASSERT_EQ(dir.run(), 0) << dir.boogie();
  const std::string log = dir.boogie();
  EXPECT_NE(log.find("Max def. fractions: "), std::string::npos) << log;
  std::vector<std::vector<double>> f;
  std::istringstream in(dir.read("timeo"));
  for (std::string line; std::getline(in, line);) {
    double t, B, I, O, R;
    if (std::sscanf(line.c_str(), "%lf Cont: B I O R %lf %lf %lf %lf", &t, &B, &I, &O, &R) == 5) f.push_back({t, B, I, O});
  }
  ASSERT_FALSE(f.empty()) << dir.read("timeo");
  const auto& last = f.back();
  EXPECT_GT(last[2], 0.0);                  // inflow
  EXPECT_NE(last[1], 0.0);                  // bed change
  // The same figures as the report of that time.
  char head[200];
  std::snprintf(head, sizeof head, "Time: %lf. Continuity: Bedchange ", last[0]);
  const std::size_t at = log.find(head);
  ASSERT_NE(at, std::string::npos) << head << log;
  double B, I, O;
  ASSERT_EQ(std::sscanf(log.c_str() + at + std::string(head).size(), "%lf kg, Inflow %lf kg, Outflow %lf", &B, &I, &O), 3);
  EXPECT_NEAR(last[1], B, 1e-6 * std::fabs(B) + 1e-6);
  EXPECT_NEAR(last[2], I, 1e-6 * std::fabs(I) + 1e-6);
  EXPECT_NEAR(last[3], O, 1e-6 * std::fabs(O) + 1e-6);
}
