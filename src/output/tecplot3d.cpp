// The 3-D result as a Tecplot ASCII file with one zone of bricks (FEPOINT):
// one line per grid point with its coordinates, velocity, nested-point flag
// and the G 24 variables, then the eight corners of every cell.
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "state/numbered.h"
#include "state/outfile.h"
#include "output/output.h"
#include "output/plotfile.h"
#include "output/plotpoints.h"
#include "output/variables.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

std::string tecplot3dName() {
  if (numberedOutput()) return findFreeFileName("tec3_", 5, ".dat");
  if (FlagMPI > 0) {
    char text[64];
    std::snprintf(text, sizeof text, "tecplfe.mpi%d.dat", FlagMPI);
    return text;
  }
  return "tecplfe.dat";
}

struct Range {
  int firstPoint = 1, lastPoint = 0, firstCell = 1, lastCell = 0, offset = 0;
};

// The written points and cells by F 268: 0 the whole grid, 1 the blocks up to
// the last one of nesting level 0, 2 the nested blocks. F 268 = 2 without a
// nested block, and any other value, write the whole grid.
Range writtenRange() {
  Range r;
  r.lastPoint = NoPoints;
  r.lastCell = NoCells;
  const int blocks = std::min(NoBlocks, 99);
  if (FlagViewNested == 1) {
    for (int b = 1; b <= blocks; ++b)
      if (block[b].nestLevel == 0) {
        r.lastPoint = block[b].lastPoint;
        r.lastCell = block[b].lastCell;
      }
  } else if (FlagViewNested == 2) {
    Range nested;
    bool found = false;
    for (int b = 1; b <= blocks; ++b)
      if (block[b].nestLevel > 0) {
        nested.lastPoint = block[b].lastPoint;
        nested.lastCell = block[b].lastCell;
        if (block[b - 1].nestLevel == 0) {
          nested.firstPoint = block[b].firstPoint;
          nested.firstCell = block[b].firstCell;
        }
        found = true;
      }
    if (found) r = nested;
  }
  r.firstPoint = std::max(r.firstPoint, 1);
  r.firstCell = std::max(r.firstCell, 1);
  r.lastPoint = std::min(r.lastPoint, MaxPunkter - 1);
  r.lastCell = std::min(r.lastCell, MaxCeller - 1);
  if (FlagViewNested == 2 && r.firstCell <= r.lastCell && Cpoint1) r.offset = Cpoint1[r.firstCell] - 1;
  return r;
}

// Points above this number belong to nested blocks (flag 1 in the No column).
int nestedPointLimit() {
  int limit = 0;
  for (int b = 1; b <= std::min(NoBlocks, 99); ++b)
    if (block[b].nestLevel == 0) limit = block[b].lastPoint;
  return limit;
}

// Nearest and second-nearest grid-line points (i = 1..xnumber, j =
// 1..ynumber) of a position by |dx| + |dy|; equal distances go to the first
// point in the order i outer, j inner. Buckets over the plan keep the search
// short on large grids.
class GridLineSearch {
 public:
  GridLineSearch() {
    for (int i = 1; i <= xnumber; ++i)
      for (int j = 1; j <= ynumber; ++j) pts_.push_back({xval[i][j], yval[i][j], i, j});
    if (pts_.empty()) return;
    double minx = pts_[0].x, maxx = minx, miny = pts_[0].y, maxy = miny;
    for (const P& p : pts_) {
      minx = std::min(minx, p.x);
      maxx = std::max(maxx, p.x);
      miny = std::min(miny, p.y);
      maxy = std::max(maxy, p.y);
    }
    const double side = std::sqrt(static_cast<double>(pts_.size()));
    h_ = std::max({(maxx - minx) / side, (maxy - miny) / side, 1e-9});
    minx_ = minx;
    miny_ = miny;
    nbx_ = static_cast<int>((maxx - minx) / h_) + 1;
    nby_ = static_cast<int>((maxy - miny) / h_) + 1;
    start_.assign(static_cast<std::size_t>(nbx_) * nby_ + 1, 0);
    for (const P& p : pts_) ++start_[bucket(p.x, p.y) + 1];
    for (std::size_t k = 1; k < start_.size(); ++k) start_[k] += start_[k - 1];
    order_.resize(pts_.size());
    std::vector<int> fill(start_.begin(), start_.end() - 1);
    for (std::size_t k = 0; k < pts_.size(); ++k) order_[fill[bucket(pts_[k].x, pts_[k].y)]++] = static_cast<int>(k);
  }

  struct Hit {
    double d = std::numeric_limits<double>::infinity();
    int i = 0, j = 0;
  };

  // False when the grid has no grid-line point.
  bool find(double x, double y, Hit& first, Hit& second) const {
    first = second = Hit{};
    if (pts_.empty()) return false;
    const int qx = clampIndex((x - minx_) / h_, nbx_), qy = clampIndex((y - miny_) / h_, nby_);
    for (int r = 0;; ++r) {
      bool any = false;
      for (int bx = qx - r; bx <= qx + r; ++bx)
        for (int by = qy - r; by <= qy + r; ++by) {
          if (std::max(std::abs(bx - qx), std::abs(by - qy)) != r) continue;
          if (bx < 0 || bx >= nbx_ || by < 0 || by >= nby_) continue;
          any = true;
          const int b = bx * nby_ + by;
          for (int k = start_[b]; k < start_[b + 1]; ++k) {
            const P& p = pts_[order_[k]];
            Hit h{std::fabs(x - p.x) + std::fabs(y - p.y), p.i, p.j};
            if (before(h, first)) {
              second = first;
              first = h;
            } else if (before(h, second)) {
              second = h;
            }
          }
        }
      if (second.i != 0 && second.d <= r * h_) return true;
      if (!any) return true;  // every bucket searched
    }
  }

 private:
  struct P {
    double x, y;
    int i, j;
  };
  static bool before(const Hit& a, const Hit& b) {
    if (a.d != b.d) return a.d < b.d;
    return a.i != b.i ? a.i < b.i : a.j < b.j;
  }
  static int clampIndex(double v, int n) {
    if (!(v >= 0)) return 0;
    return v >= n ? n - 1 : static_cast<int>(v);
  }
  int bucket(double x, double y) const {
    return clampIndex((x - minx_) / h_, nbx_) * nby_ + clampIndex((y - miny_) / h_, nby_);
  }
  std::vector<P> pts_;
  std::vector<int> start_, order_;
  double h_ = 1, minx_ = 0, miny_ = 0;
  int nbx_ = 0, nby_ = 0;
};

// Level of a grid-line letter at a node: the nearest grid-line point's value
// when the node lies on it (within 0.001), else interpolated between the two
// nearest by distance.
double nodeLevel(char letter, const GridLineSearch::Hit& a, const GridLineSearch::Hit& b) {
  if (a.i == 0) return 0.0;
  const double p = gridLineValue(letter, a.i, a.j);
  if (a.d < 0.001 || b.i == 0) return p;
  const double w = a.d / (a.d + b.d);
  return (1.0 - w) * p + w * gridLineValue(letter, b.i, b.j);
}

}  // namespace

void print_tecplot3d(int) {
  const std::string name = tecplot3dName();
  FILE* f = openOutputOrEnd(name);
  FiniteValues finite;

  fillNodeGridLines(2, xnumber, 2, ynumber, 1, std::min(NoPoints, MaxPunkter - 1));

  const int entries = std::clamp(TecStrucNo, 0, 300);
  std::fprintf(f, "TITLE = %cFE_%s %lf sec. %c\n", '"', plotTitle(true).c_str(), finite(stimet), '"');
  std::fprintf(f, "VARIABLES=%cX1%c,%cX2%c,%cX3%c,%cUx%c,%cUy%c,%cNo%c", '"', '"', '"', '"', '"', '"', '"', '"', '"',
               '"', '"', '"');
  for (int e = 0; e < entries; ++e) {
    const TecVariable& v = TecStruc[e];
    std::fprintf(f, ",%c%s%c", '"', variableName(v, PlotFile::Tecplot3D, entryLayer(v, PlotFile::Tecplot3D)).c_str(),
                 '"');
  }
  std::fprintf(f, "\n");

  const Range r = writtenRange();
  const int points = std::max(r.lastPoint - r.firstPoint + 1, 0), cells = std::max(r.lastCell - r.firstCell + 1, 0);
  std::fprintf(f, "ZONE T=%cDischarge: %lf l/s, time: %lf sec%c N=%d,E=%d,F=FEPOINT, ET=BRICK\n", '"',
               finite(DischargeArray[1]), finite(stimet), '"', points, cells);

  fillNodeTwinMap(r.firstPoint, r.lastPoint);
  NodeRule rule;
  rule.build();
  const std::vector<int>& counting = rule.cells();
  std::vector<double> cellValues(counting.size());
  auto nodeMeans = [&](auto value, std::vector<double>& out) {
    const long n = static_cast<long>(counting.size());
#pragma omp parallel for schedule(static)
    for (long k = 0; k < n; ++k) cellValues[k] = value(counting[k]);
    rule.means(cellValues, r.lastPoint, false, out);
  };
  std::vector<double> u, v;
  nodeMeans([](int c) { return Cxvel[c]; }, u);
  nodeMeans([](int c) { return Cyvel[c]; }, v);

  bool levels = false;
  std::vector<std::vector<double>> values(static_cast<std::size_t>(entries));
  for (int e = 0; e < entries; ++e) {
    const TecVariable entry = TecStruc[e];
    lnodem = entry.size;
    if (isGridLineLetter(entry.letter)) levels = true;
    const int layer = entryLayer(entry, PlotFile::Tecplot3D);
    nodeMeans([&](int c) { return cellValue(entry, c, layer, PlotFile::Tecplot3D); }, values[e]);
  }

  std::vector<GridLineSearch::Hit> nearest, second;
  if (levels && xval && yval) {
    GridLineSearch search;
    nearest.resize(static_cast<std::size_t>(std::max(r.lastPoint, 0)) + 1);
    second.resize(nearest.size());
    for (int n = r.firstPoint; n <= r.lastPoint; ++n) search.find(Px[n], Py[n], nearest[n], second[n]);
  }

  const int limit = nestedPointLimit();
  for (int n = r.firstPoint; n <= r.lastPoint; ++n) {
    std::fprintf(f, "%lf %lf %lf %lf %lf %d", finite(Px[n]), finite(Py[n]), finite(Pz[n]), finite(u[n]), finite(v[n]),
                 n > limit ? 1 : 0);
    for (int e = 0; e < entries; ++e) {
      const char letter = TecStruc[e].letter;
      double value = values[e][n];
      if (!nearest.empty() && isGridLineLetter(letter)) value = nodeLevel(letter, nearest[n], second[n]);
      std::fprintf(f, " %le", finite(value));
    }
    std::fprintf(f, "\n");
  }
  for (int c = r.firstCell; c <= r.lastCell; ++c)
    std::fprintf(f, "%d %d %d %d %d %d %d %d\n", Cpoint1[c] - r.offset, Cpoint2[c] - r.offset, Cpoint3[c] - r.offset,
                 Cpoint4[c] - r.offset, Cpoint5[c] - r.offset, Cpoint6[c] - r.offset, Cpoint7[c] - r.offset,
                 Cpoint8[c] - r.offset);
  closeOutput(f);
  finite.report(name);
}
