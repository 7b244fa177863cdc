// The Tecplot 3-D file of a grid in real projected coordinates (x = 500 000,
// y = 7 000 000) whose block does not start at the first grid lines: the
// levels of a node come from the nearest grid-line point, or between the two
// nearest when the node was moved off its own.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "output/output.h"
#include "output/plot_grid.h"
#include "support/in_dir.h"

namespace {

constexpr double X0 = 500000.0, Y0 = 7000000.0;

// The numbers of the data line of point n (1-based).
std::vector<double> pointLine(const std::string& text, int n) {
  std::istringstream in(text);
  std::string line;
  for (int k = 0; k < 3 + n && std::getline(in, line); ++k) {
  }
  std::istringstream l(line);
  std::vector<double> v;
  double x;
  while (l >> x) v.push_back(x);
  return v;
}

}  // namespace

// Block of 2 x 2 columns of 10 m (i = 3..4, j = 4..5; grid lines 2..4, 3..5)
// with one cell per column, in a grid of 7 x 7 grid lines 10 m apart; the bed
// level of grid-line point (i, j) is 10 i + j. The distance is |dx| + |dy|; a node within 0.001 m of a grid-line
// point takes its level, any other node (1 - w) p + w q with w = d1 / (d1 +
// d2), p and q the levels at the nearest and second nearest point; of equally
// near points the first in the order i, then j, counts.
TEST(Tecplot3dProjected, LevelsOfNodesFromTheNearestGridLines) {
  InProjectDir dir;
  allocatePlotModel(7, 7, 3, 1);
  addBoxBlock({3, 4, 4, 5, 1, X0, Y0, 10.0, 10.0, 1.0, 0.0});
  // Every grid line of G 1 lies in the same projected plane, also those
  // beyond the block.
  for (int i = 1; i <= xnumber; ++i)
    for (int j = 1; j <= ynumber; ++j) {
      xval[i][j] = X0 + (i - 2) * 10.0;
      yval[i][j] = Y0 + (j - 3) * 10.0;
      zval[i][j][1] = 10.0 * i + j;
    }
  // Point of grid-line point (i, j), level k (0 bed, 1 top).
  auto point = [](int i, int j, int k) { return 1 + ((i - 2) * 3 + (j - 3)) * 2 + k; };
  ASSERT_EQ(Px[point(3, 4, 0)], X0 + 10.0);
  ASSERT_EQ(Py[point(3, 4, 0)], Y0 + 10.0);

  struct Case {
    const char* name;
    int i, j, k;
    double dx, dy;
    double level;
  };
  const Case cases[] = {
      {"on its grid-line point", 3, 4, 0, 0.0, 0.0, 34.0},
      // d1 = 2.5 to (3, 4), d2 = 7.5 to (4, 4): w = 0.25
      {"2.5 m east", 3, 4, 1, 2.5, 0.0, 0.75 * 34.0 + 0.25 * 44.0},
      // d1 = 4 to (3, 5), d2 = 6 to (3, 4): w = 0.4
      {"4 m south", 3, 5, 0, 0.0, -4.0, 0.6 * 35.0 + 0.4 * 34.0},
      // d1 = 0.5 to (2, 3); (2, 4) and (3, 3) both at 10: (2, 4) comes first
      {"equally near seconds", 2, 3, 0, 0.25, 0.25, (10.0 * 23.0 + 0.5 * 24.0) / 10.5},
      {"0.0005 m off", 4, 5, 0, -0.0005, 0.0, 45.0},
      // d1 = 0.002, d2 = 9.998 to (3, 5): w = 0.0002
      {"0.002 m off", 4, 5, 1, -0.002, 0.0, 0.9998 * 45.0 + 0.0002 * 35.0},
  };
  for (const Case& c : cases) {
    Px[point(c.i, c.j, c.k)] += c.dx;
    Py[point(c.i, c.j, c.k)] += c.dy;
  }
  TecStrucNo = 1;
  TecStruc[0] = {0, 0, 0, 'z'};
  print_tecplot3d(0);
  const std::string text = dir.dir().read("tecplfe.dat");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<double> v = pointLine(text, point(c.i, c.j, c.k));
    ASSERT_EQ(v.size(), 7u);
    EXPECT_NEAR(v[0], Px[point(c.i, c.j, c.k)], 1e-6);
    EXPECT_NEAR(v[1], Py[point(c.i, c.j, c.k)], 1e-6);
    EXPECT_NEAR(v[6], c.level, 1e-4);
  }
}
