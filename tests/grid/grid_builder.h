// A block grid filled in-process for the grid generation tests, and the
// geometry checks computed from the corner points alone.
#pragma once

#include <array>
#include <cmath>
#include <functional>
#include <string>

#include "grid/generate.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "support/in_dir.h"

// One block of nx x ny columns, grid lines 1..nx+1 by 1..ny+1 spaced 1 m,
// with bed and water level given per grid line (i, j) of that numbering.
struct BlockGrid {
  int nx = 20, ny = 5;
  std::function<double(int, int)> bed = [](int, int) { return 0.0; };
  std::function<double(int, int)> water = [](int, int) { return 1.0; };
  int cells = 50000, faces = 80000, points = 50000;
  int sizes = 1;  // grain sizes (G 1)
  int levels = 11;  // znumber (G 1)
  int spareRows = 0;  // grid rows beyond the block's own (room for appended blocks)

  // Sets the sizes, allocates the arrays and fills the block grid.
  void prepare() const {
    setRecordsInitial();
    xnumber = nx + 3;
    ynumber = ny + 3 + spareRows;
    znumber = levels;
    lnumber = sizes;
    MaxCeller = cells;
    MaxFlater = faces;
    MaxPunkter = points;
    sialloc();
    AllocateArrays(1, 1, 1);
    NoBlocks = 1;
    block[1].i1 = 2;
    block[1].i2 = nx + 1;
    block[1].j1 = 2;
    block[1].j2 = ny + 1;
    block[1].bedFlag = 1;
    block[1].levelCount = znumber;
    for (int i = 1; i <= nx + 1; ++i)
      for (int j = 1; j <= ny + 1; ++j) {
        xval[i][j] = i - 1;
        yval[i][j] = j - 1;
        zval[i][j][1] = bed(i, j);
        zval[i][j][znumber] = water(i, j);
      }
  }
};

using Vec = std::array<double, 3>;

inline Vec point(int p) { return {Px[p], Py[p], Pz[p]}; }
inline Vec sub(const Vec& a, const Vec& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
inline Vec cross(const Vec& a, const Vec& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// Area vector of a surface from its four corners: it points from Fcell1 to Fcell2.
inline Vec faceVector(int f) {
  const Vec d1 = sub(point(Fpoint3[f]), point(Fpoint1[f]));
  const Vec d2 = sub(point(Fpoint4[f]), point(Fpoint2[f]));
  const Vec c = cross(d1, d2);
  return {0.5 * c[0], 0.5 * c[1], 0.5 * c[2]};
}
inline Vec faceCentre(int f) {
  Vec c{0, 0, 0};
  for (int p : {Fpoint1[f], Fpoint2[f], Fpoint3[f], Fpoint4[f]})
    for (int q = 0; q < 3; ++q) c[q] += 0.25 * point(p)[q];
  return c;
}

// The six surfaces of a cell with the sign that makes their vectors point out
// of it (the cell is on the low side of its e, n and t surfaces).
inline std::array<std::pair<int, double>, 6> cellFaces(int c) {
  return {{{Cflates[c], -1.0}, {Cflatee[c], 1.0}, {Cflaten[c], 1.0}, {Cflatew[c], -1.0}, {Cflateb[c], -1.0},
           {Cflatet[c], 1.0}}};
}

// Largest component of the sum of the outward face vectors of a cell.
inline double closureDefect(int c) {
  Vec s{0, 0, 0};
  for (auto [f, sign] : cellFaces(c)) {
    const Vec v = faceVector(f);
    for (int q = 0; q < 3; ++q) s[q] += sign * v[q];
  }
  return std::max({std::fabs(s[0]), std::fabs(s[1]), std::fabs(s[2])});
}

// Volume by the divergence theorem over the six faces.
inline double cellVolume(int c) {
  double v = 0;
  for (auto [f, sign] : cellFaces(c)) {
    const Vec a = faceVector(f), m = faceCentre(f);
    v += sign * (a[0] * m[0] + a[1] * m[1] + a[2] * m[2]) / 3.0;
  }
  return v;
}

// The corners of each surface are the cell's corners in the order of its side
// (the same points, or with sameIds false points at the same place); "" when
// every cell agrees with its surfaces, else the first disagreement.
inline std::string cornerOrderFault(bool sameIds = true) {
  const int order[7][4] = {{0, 0, 0, 0}, {1, 5, 6, 2}, {2, 3, 7, 6}, {4, 8, 7, 3},
                           {1, 4, 8, 5}, {1, 2, 3, 4}, {5, 6, 7, 8}};
  for (int c = 1; c <= NoCells; ++c) {
    const int corner[9] = {0,          Cpoint1[c], Cpoint2[c], Cpoint3[c], Cpoint4[c],
                           Cpoint5[c], Cpoint6[c], Cpoint7[c], Cpoint8[c]};
    const int face[7] = {0, Cflates[c], Cflatee[c], Cflaten[c], Cflatew[c], Cflateb[c], Cflatet[c]};
    for (int s = 1; s <= 6; ++s) {
      const int f = face[s];
      const int fp[4] = {Fpoint1[f], Fpoint2[f], Fpoint3[f], Fpoint4[f]};
      for (int q = 0; q < 4; ++q)
        if (sameIds ? fp[q] != corner[order[s][q]]
                    : std::max({std::fabs(Px[fp[q]] - Px[corner[order[s][q]]]),
                                std::fabs(Py[fp[q]] - Py[corner[order[s][q]]]),
                                std::fabs(Pz[fp[q]] - Pz[corner[order[s][q]]])}) > 1e-9)
          return "cell " + std::to_string(c) + " side " + std::to_string(s);
      const bool low = s == 2 || s == 3 || s == 6;
      if ((low ? Fcell1[f] : Fcell2[f]) != c) return "orientation of cell " + std::to_string(c) + " side " + std::to_string(s);
    }
  }
  return "";
}
