// A grid file of three cells in a row, one cell per water column, written
// in the form the engine's own writer uses (version 3 by default).
//
// Grid lines i = 1..4 (x from `xs`), j = 1..2 (y = 0, 10); block 1 spans the
// columns (2,2), (3,2), (4,2). Bed and surface levels are planes:
// z = bed0 + bedSlope*x at the bottom, z = top0 + topX*x + topY*y on top.
// Group 1 flows in through the west face (4), group 2 out through the east
// face (13).
#pragma once

#include <string>

#include "support/appendf.h"

struct ThreeCellGrid {
  double xs[4] = {0, 10, 20, 30};
  double bed0 = 0.0, bedSlope = 0.0;
  double top0 = 1.0, topX = 0.0, topY = 0.0;
  int version = 3;
  // Lowest cell written for the columns of block 1 (0 marks a dry column).
  int columnCell[3] = {1, 2, 3};

  double bed(double x) const { return bed0 + bedSlope * x; }
  double top(double x, double y) const { return top0 + topX * x + topY * y; }

  std::string text() const {
    std::string t;
    auto add = [&t](const char* fmt, auto... v) { appendf(t, fmt, v...); };
    add("%d %d %d %d %d %d %d %d\n", version, 3, 16, 1, 0, 0, 0, 16);
    // Points 1..8 at the bed, 9..16 on top: (x0,0), (x0,10), (x1,0), ...
    for (int level = 0; level < 2; ++level)
      for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 2; ++j) {
          const double x = xs[i], y = 10.0 * j;
          add("%lf %lf %lf\n", x, y, level == 0 ? bed(x) : top(x, y));
        }
    const char* cells[3] = {"1 3 4 2 9 11 12 10 1 2 3 4 5 6 0 2 0 0 0 0 ",
                            "3 5 6 4 11 13 14 12 7 8 9 2 10 11 0 3 0 1 0 0 ",
                            "5 7 8 6 13 15 16 14 12 13 14 8 15 16 0 0 0 2 0 0 "};
    for (const char* c : cells) add("%s\n", c);
    const char* faces[16] = {"1 9 11 3 0 1 ",   "3 4 12 11 1 2 ",   "2 10 12 4 1 0 ",   "1 2 10 9 0 1 ",
                             "1 3 4 2 0 1 ",    "9 11 12 10 1 0 ",  "3 11 13 5 0 2 ",   "5 6 14 13 2 3 ",
                             "4 12 14 6 2 0 ",  "3 5 6 4 0 2 ",     "11 13 14 12 2 0 ", "5 13 15 7 0 3 ",
                             "7 8 16 15 3 0 ",  "6 14 16 8 3 0 ",   "5 7 8 6 0 3 ",     "13 15 16 14 3 0 "};
    for (const char* f : faces) add("%s\n", f);
    add("%d %d %d %d %d %d %d %d %d %d %d %d %d %d %d %d %d %lf %lf\n", 2, 4, 2, 2, 0, 1, 2, 1, 0, 1, 1, 3, 1, 16, 1,
        16, 0, 0.0, 0.0);
    add("%d %d %d %d %d %d %d %lf %lf\n", 1, 0, 0, 1, 999, 1, 1, 1000.0, 0.0);
    add("%d \n", 4);
    add("%lf %lf\n", 0.0, 5.0);
    add("%d %d %d %d %d %d %d %lf %lf\n", 0, 0, 0, 1, 999, 1, 1, 1000.0, 0.0);
    add("%d \n", 13);
    add("%lf %lf\n", 30.0, 5.0);
    for (int g = 3; g <= 9; ++g) {
      add("%d %d %d %d %d %d %d %lf %lf\n", 1, 0, 0, 1, 151, 0, 0, 0.0, 0.0);
      add("\n");
    }
    for (int g = 0; g <= 9; ++g) add("%d %d %lf \n", 0, 0, 0.0);
    for (int i = 1; i <= 4; ++i)
      for (int j = 1; j <= 2; ++j) {
        const int cell = (j == 2 && i >= 2) ? columnCell[i - 2] : 0;
        const double x = xs[i - 1], y = 10.0 * (j - 1);
        add("%d %lf %lf %lf %lf \n", cell, bed(x), top(x, y), x, y);
      }
    return t;
  }
};

// The control file the grid fits: G 1 6 4 2 1 leaves room for block 1.
inline std::string threeCellControl(const std::string& letters, const std::string& extra = "") {
  return "F 2 " + letters + "\nG 1 6 4 2 1\nK 2 0 0\nF 65 200 400 400 100 100\n" + extra;
}
