// Discharge groups across surface moves on the real engine: an inflow group
// whose timei discharge is zero when the surface first moves keeps its faces
// on the new grid, so that the water it gives later reaches the outlet.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "support/case_runner.h"

namespace {

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

// The grid file of the straight channel (20 x 5 columns of 1 m, 1 m deep,
// five cells per column) with its inflow group moved from number 1 to 3:
// group 3 is not a generated group, and its discharge comes only from timei.
std::string channelWithInflowGroupThree() {
  CaseDir gen;
  gen.write("koosurf", straightChannelKoosurf());
  gen.write("control", "F 2 YH\nG 1 23 8 7 1\nF 314 1 1\nF 237 1 1.0\nF 237 2 1.0\nK 2 0 0\nF 16 0.05\n");
  EXPECT_EQ(gen.run(), 1) << gen.boogie();
  std::vector<std::string> l = lines(gen.read("unstruc"));
  // The groups follow the cells: group 1 (inflow flag 1) and group 2, each a
  // line of scalars, its 25 faces and its 5 polyline points; then the empty
  // groups 3..9, a line of scalars and an empty face line each.
  std::size_t g1 = 0;
  for (std::size_t n = 0; n < l.size(); ++n)
    if (l[n].rfind("1 0 0 1 999 25 5 ", 0) == 0) {
      g1 = n;
      break;
    }
  EXPECT_GT(g1, 0u);
  EXPECT_EQ(l[g1 + 7].rfind("0 0 0 1 999 25 5 ", 0), 0u);
  EXPECT_EQ(l[g1 + 14].rfind("1 0 0 1 151 0 0 ", 0), 0u);
  std::vector<std::string> out(l.begin(), l.begin() + static_cast<long>(g1));
  out.insert(out.end(), l.begin() + static_cast<long>(g1 + 14), l.begin() + static_cast<long>(g1 + 16));  // empty
  out.insert(out.end(), l.begin() + static_cast<long>(g1 + 7), l.begin() + static_cast<long>(g1 + 14));   // outflow
  out.insert(out.end(), l.begin() + static_cast<long>(g1), l.begin() + static_cast<long>(g1 + 7));        // inflow
  out.insert(out.end(), l.begin() + static_cast<long>(g1 + 16), l.end());
  std::string text;
  for (const std::string& s : out) text += s + "\n";
  return text;
}

}  // namespace

// Transient steps of 10 s, the surface moving every second step from 20 s on
// (G 6, K 1), the group discharges of timei set into the groups (F 435 1):
// no water until 50 s, then 1 m3/s in through group 3 and out through
// group 2 from 150 s. At 400 s every cross-section passes close to 1 m3/s,
// and no group dropped its faces at a move.
TEST(DischargeCase, InflowThatStartsAtZeroPassesEveryCrossSectionAfterSurfaceMoves) {
  CaseDir dir;
  dir.write("koosurf", straightChannelKoosurf());
  dir.write("unstruc", channelWithInflowGroupThree());
  dir.write("control",
            "F 2 UWM\nG 1 23 8 7 1\nK 2 0 1\nF 16 0.05\nF 33 10 3\nK 1 40 2\nG 6 1 0 0 0.1 100.0\nF 91 21 4\n"
            "F 435 1\nF 1 D\n");
  dir.write("timei",
            "D 0 0.0 0.0 0.0 0 0 0 0 0 0 1.0\nD 50 0.0 0.0 0.0 0 0 0 0 0 0 1.0\nD 150 0.0 1.0 1.0 0 0 0 0 0 0 1.0\n"
            "D 100000 0.0 1.0 1.0 0 0 0 0 0 0 1.0\n");
  ASSERT_EQ(dir.run(), 1) << dir.boogie();
  const std::string log = dir.boogie();
  EXPECT_EQ(log.find("Error"), std::string::npos) << log;
  EXPECT_EQ(log.find("dropped"), std::string::npos) << log;
  // The surface moved (and the grid was built again) from 20 s on, while the
  // inflow was still zero, and on through the rise.
  int moves = 0;
  for (const std::string& l : lines(log)) {
    moves += l.rfind("End Unstructure", 0) == 0;
  }
  EXPECT_GT(moves, 5);

  // The cells, numbered column by column (j outer, i inner, five from the
  // bottom up), give each cross-section's discharge: the sum of u times the
  // 1 m x 0.2 m area of its 25 cells.
  std::vector<double> u(501, 0.0);
  for (const std::string& l : lines(dir.read("result.end"))) {
    int c = 0;
    double v = 0;
    if (std::sscanf(l.c_str(), "C %d %lf", &c, &v) == 2 && c >= 1 && c <= 500) u[c] = v;
  }
  for (int i = 2; i <= 21; ++i) {
    double Q = 0.0;
    for (int j = 2; j <= 6; ++j)
      for (int k = 1; k <= 5; ++k) Q += u[((j - 2) * 20 + (i - 2)) * 5 + k] * 0.2;
    EXPECT_GT(Q, 0.75) << "cross-section " << i;
    EXPECT_LT(Q, 1.1) << "cross-section " << i;
  }
}
