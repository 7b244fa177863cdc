// The sloping flume of the moving-surface cases: 80 m long, 10 m wide, bed
// slope 0.001, 5 m3/s entering at the west end (group 1) and leaving at the
// east end (group 2), a rough bed (ks 0.01 m). Grid lines 4 m apart along the
// flume (i = 1..21), 2 m across (j = 1..6); the surface starts through the
// normal depth at the outlet, rising downstream at the bed slope. The final
// levels come back in a numbered koosurf file (F 329).
#pragma once

#include <dirent.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace flumecase {

constexpr double kSlope = 0.001, kKs = 0.01, kQ = 5.0, kWidth = 10.0, kLength = 80.0;

// Strickler's coefficient of the bed roughness, M = 26 / ks^(1/6).
inline double manningM() { return 26.0 / std::pow(kKs, 1.0 / 6.0); }

// Normal depth of Manning's formula Q = M A R^(2/3) S^(1/2) in the
// rectangular section (R = A / P with the side walls), by bisection.
inline double normalDepth() {
  double lo = 0.01, hi = 5.0;
  for (int k = 0; k < 200; ++k) {
    const double h = 0.5 * (lo + hi), A = kWidth * h, R = A / (kWidth + 2 * h);
    (manningM() * A * std::pow(R, 2.0 / 3.0) * std::sqrt(kSlope) < kQ ? lo : hi) = h;
  }
  return 0.5 * (lo + hi);
}

inline double bed(double x) { return kSlope * (kLength - x); }
inline double initialLevel(double x) { return normalDepth() - kSlope * (kLength - x); }

inline std::string koosurf() {
  std::ostringstream s;
  s.precision(10);
  for (int i = 1; i <= 21; ++i)
    for (int j = 1; j <= 6; ++j) {
      const double x = 4.0 * (i - 1), y = 2.0 * (j - 1);
      s << i << " " << j << " " << x << " " << y << " " << bed(x) << " " << initialLevel(x) << "\n";
    }
  return s.str();
}

// Reference column at the outlet on the centre line (F 91), the default
// surface update every 100 iterations once the residual is below 1 (K 1,
// G 6, whose third value names the outflow group of the reference when not
// 0), the surface trace (F 1 C) and the final levels in a koosurf file
// (F 329); extra data sets follow. The run letters and the largest number
// of iterations can be changed.
inline std::string control(int referenceGroup = 0, const std::string& extra = "",
                           const std::string& letters = "YW", int iterations = 40000) {
  char w1[80], g6[80], k1[80];
  std::snprintf(w1, sizeof w1, "W 1 %.6f %.6f %.6f\n", manningM(), kQ, normalDepth());
  std::snprintf(g6, sizeof g6, "G 6 1 0 %d 0.1 1.0\n", referenceGroup);
  std::snprintf(k1, sizeof k1, "K 1 %d 100\n", iterations);
  return "F 2 " + letters + "\nG 1 23 8 12 1\nF 314 1 1\nF 237 1 5.0\nF 237 2 5.0\nF 16 0.01\n" + w1 + k1 + g6 +
         "F 91 21 4\nF 1 C\nF 329 1 1 0 0 0 0 0 0 0 0 0 0 0 0 6\n" + extra;
}

// The boundary series `timei` of a transient flume run that holds the
// downstream water level (H records: time, upstream level, downstream level)
// at the normal-depth level of the centre of the outlet columns (x = 78 m).
// With it the reference level stays where the outlet is held, instead of
// following the outlet columns as the grid has them at each move (G 6 with
// an outflow group and no series).
inline double outletLevel() { return normalDepth() + bed(78.0); }
inline std::string heldOutletSeries() {
  char t[160];
  const double up = normalDepth() + bed(2.0), down = outletLevel();
  std::snprintf(t, sizeof t, "H 0 %.6f %.6f\nH 1000000 %.6f %.6f\n", up, down, up, down);
  return t;
}

struct Point {
  double x, y, zb, zs;
};

// The points of a koosurf file.
inline std::vector<Point> readLevels(const std::string& text) {
  std::vector<Point> out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    int i, j;
    Point p;
    if (std::sscanf(line.c_str(), "%d %d %lf %lf %lf %lf", &i, &j, &p.x, &p.y, &p.zb, &p.zs) == 6) out.push_back(p);
  }
  return out;
}

// The numbered koosurf file the end of the computation wrote.
inline std::string levelFileName(const std::string& dir) {
  std::string best;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      const std::string n = e->d_name;
      if (n.rfind("koosurf.", 0) == 0 && n.size() > 8 && std::isdigit(static_cast<unsigned char>(n[8])) && n > best)
        best = n;
    }
    closedir(d);
  }
  return best;
}

}  // namespace flumecase
