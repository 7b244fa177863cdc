// The weir surface of run letter Z: the stations of a closed outline in
// weir.txt, each a lower and an upper point, become a closed triangulated
// surface in ASCII STL (weir.stl): the wall between the stations and a fan
// from the centroid over the lower and over the upper ring.
#include <array>
#include <cstdio>
#include <vector>

#include "state/log.h"
#include "state/outfile.h"
#include "state/scanner.h"
#include "output/output.h"

namespace {

constexpr int MaxWeirStations = 499;

using Point = std::array<double, 3>;

void facet(std::FILE* f, const Point& a, const Point& b, const Point& c) {
  std::fprintf(f, " facet normal 0 0 0\n");
  std::fprintf(f, "  outer loop\n");
  for (const Point* p : {&a, &b, &c}) std::fprintf(f, "   vertex %lf %lf %lf\n", (*p)[0], (*p)[1], (*p)[2]);
  std::fprintf(f, "  endloop\n");
  std::fprintf(f, " endfacet\n");
}

}  // namespace

int makeWeirSTL() {
  Scanner s;
  if (!s.open("weir.txt")) fatal(-4, "Error: run letter Z needs the file 'weir.txt', which cannot be opened\n");
  std::vector<Point> low, high;
  bool unreadable = false;
  while (true) {
    s.skipSpace();
    if (s.atEnd()) break;
    const std::size_t at = s.position();
    double v[6];
    const char* what = "a station is the lower point x, y, z and the upper point x, y, z";
    if (s.readDoubles(v, 6) != 6) {
      recordFailed(s, at, "weir.txt", what);
      unreadable = true;
      break;
    }
    endOfRecordLine(s, at, "weir.txt", what);
    if (static_cast<int>(low.size()) == MaxWeirStations) {
      logf("Warning: the weir.txt file has more than %d stations; only the first %d are used\n", MaxWeirStations,
           MaxWeirStations);
      break;
    }
    low.push_back({v[0], v[1], v[2]});
    high.push_back({v[3], v[4], v[5]});
  }
  const int n = static_cast<int>(low.size());
  if (n == 0) fatal(-4, "Error: the weir.txt file holds no station; no weir.stl is written\n");
  Point c1{0, 0, 0}, c2{0, 0, 0};
  for (int k = 0; k < n; ++k)
    for (int q = 0; q < 3; ++q) {
      c1[q] += low[k][q] / n;
      c2[q] += high[k][q] / n;
    }
  if (n > 0) {
    low.push_back(low[0]);
    high.push_back(high[0]);
  }

  std::FILE* f = openOutputOrEnd("weir.stl");
  std::fprintf(f, "solid weir_construction\n");
  for (int k = 0; k < n; ++k) {
    facet(f, low[k], high[k], low[k + 1]);
    facet(f, low[k + 1], high[k], high[k + 1]);
  }
  for (int k = 0; k < n; ++k) facet(f, low[k], low[k + 1], c1);
  for (int k = 0; k < n; ++k) facet(f, high[k + 1], high[k], c2);
  std::fprintf(f, "endsolid tovaksurf");
  closeOutput(f);
  return unreadable ? 2 : 0;
}
