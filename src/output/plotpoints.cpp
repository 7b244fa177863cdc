#include "output/plotpoints.h"

#include <algorithm>
#include <utility>

#include "output/variables.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

bool insideGrid(int i, int j) { return i >= 0 && i <= xnumber + 1 && j >= 0 && j <= ynumber + 1; }

int validCell(int c) { return (c > 0 && c < MaxCeller) ? c : 0; }
int validPoint(int p) { return (p > 0 && p < MaxPunkter) ? p : 0; }

int lowestCell(int i, int j) {
  if (!zval || !insideGrid(i, j)) return 0;
  return validCell(static_cast<int>(zval[i][j][0]));
}

int cellAbove(int c) { return (c > 0 && Ccellt) ? validCell(Ccellt[c]) : 0; }

// The plan rule per direction: grid-line indices and plot column of index i
// of the window lo..hi.
void planIndex(int i, int lo, int hi, int& gA, int& gB, int& col) {
  if (i < lo) {
    gA = gB = lo - 1;
    col = lo;
  } else if (i > hi) {
    gA = gB = hi;
    col = hi;
  } else {
    gA = i;
    gB = i - 1;
    col = i;
  }
}

}  // namespace

bool makePlanGrid(int blockNo, PlanGrid& grid) {
  grid = PlanGrid{};
  if (blockNo < 1 || blockNo > 99 || !xval || !yval) return false;
  const BlockRecord& r = block[blockNo];
  if (r.i1 < 1 || r.i2 < r.i1 || r.i2 > xnumber || r.j1 < 1 || r.j2 < r.j1 || r.j2 > ynumber) return false;
  grid.block = blockNo;
  grid.i1 = r.i1;
  grid.i2 = r.i2;
  grid.j1 = r.j1;
  grid.j2 = r.j2;
  grid.nx = r.i2 - r.i1 + 3;
  grid.ny = r.j2 - r.j1 + 3;
  grid.points.reserve(static_cast<std::size_t>(grid.nx) * grid.ny);
  for (int j = r.j1 - 1; j <= r.j2 + 1; ++j)
    for (int i = r.i1 - 1; i <= r.i2 + 1; ++i) {
      PlanPoint p{};
      p.i = i;
      p.j = j;
      planIndex(i, r.i1, r.i2, p.iA, p.iB, p.ci);
      planIndex(j, r.j1, r.j2, p.jhi, p.jlo, p.cj);
      p.x = 0.25 * (xval[p.iA][p.jhi] + xval[p.iB][p.jhi] + xval[p.iB][p.jlo] + xval[p.iA][p.jlo]);
      p.y = 0.25 * (yval[p.iA][p.jhi] + yval[p.iB][p.jhi] + yval[p.iB][p.jlo] + yval[p.iA][p.jlo]);
      grid.points.push_back(p);
    }
  return true;
}

double planMean(char letter, const PlanPoint& p) {
  return 0.25 * (gridLineValue(letter, p.iA, p.jhi) + gridLineValue(letter, p.iB, p.jhi) +
                 gridLineValue(letter, p.iB, p.jlo) + gridLineValue(letter, p.iA, p.jlo));
}

int columnCell(int i, int j, int position) {
  int c = lowestCell(i, j);
  for (int k = 2; k <= position && c > 0; ++k) {
    const int up = cellAbove(c);
    if (up <= 0) break;
    c = up;
  }
  return c;
}

void fillNodeGridLines(int i1, int i2, int j1, int j2, int first, int last) {
  if (!Pi || !Pj) return;
  first = std::max(first, 1);
  last = std::min(last, MaxPunkter - 1);
  for (int n = first; n <= last; ++n) Pi[n] = Pj[n] = 0;
  for (int i = std::max(i1, 1); i <= i2 && i <= xnumber + 1; ++i)
    for (int j = std::max(j1, 1); j <= j2 && j <= ynumber + 1; ++j)
      for (int c = lowestCell(i, j), guard = 0; c > 0 && guard < MaxCeller; c = cellAbove(c), ++guard) {
        const int corner[8] = {Cpoint1[c], Cpoint2[c], Cpoint3[c], Cpoint4[c],
                               Cpoint5[c], Cpoint6[c], Cpoint7[c], Cpoint8[c]};
        const int ci[4] = {i - 1, i, i, i - 1}, cj[4] = {j - 1, j - 1, j, j};
        for (int k = 0; k < 8; ++k) {
          const int p = validPoint(corner[k]);
          if (p < first || p > last) continue;
          Pi[p] = ci[k % 4];
          Pj[p] = cj[k % 4];
        }
      }
}

namespace {

// The joined pairs of surfaces, as corner pairs (first surface, second surface).
template <class F>
void forEachJoinedCorner(F f) {
  if (!connFlate || !Fpoint1) return;
  const int rows = std::min(NoConnFlate, MaxConnFlate - 1);
  for (int r = 1; r <= rows; ++r) {
    const int f1 = connFlate[r][0], f2 = connFlate[r][1];
    if (f1 <= 0 || f1 >= MaxFlater || f2 <= 0 || f2 >= MaxFlater) continue;
    const int a[4] = {Fpoint1[f1], Fpoint2[f1], Fpoint3[f1], Fpoint4[f1]};
    const int b[4] = {Fpoint1[f2], Fpoint2[f2], Fpoint3[f2], Fpoint4[f2]};
    for (int k = 0; k < 4; ++k) {
      const int p = validPoint(a[k]), q = validPoint(b[k]);
      if (p > 0 && q > 0 && p != q) f(p, q);
    }
  }
}

}  // namespace

void fillNodeTwinMap(int first, int last) {
  if (!Pc) return;
  first = std::max(first, 1);
  last = std::min(last, MaxPunkter - 1);
  for (int n = first; n <= last; ++n) Pc[n] = n;
  forEachJoinedCorner([&](int p, int q) {
    if (p >= first && p <= last) Pc[p] = q;
  });
}

void NodeRule::build() {
  cells_.clear();
  corners_.clear();
  own_.clear();
  twinStart_.clear();
  twins_.clear();
  if (!zval || !Cpoint1) return;

  std::vector<char> seen(static_cast<std::size_t>(MaxCeller), 0);
  int maxPoint = 0;
  for (int i = 1; i <= xnumber + 1; ++i)
    for (int j = 1; j <= ynumber + 1; ++j)
      for (int c = lowestCell(i, j); c > 0 && !seen[c]; c = cellAbove(c)) {
        seen[c] = 1;
        cells_.push_back(c);
        const int corner[8] = {Cpoint1[c], Cpoint2[c], Cpoint3[c], Cpoint4[c],
                               Cpoint5[c], Cpoint6[c], Cpoint7[c], Cpoint8[c]};
        int distinct[8] = {};
        int n = 0;
        for (int k = 0; k < 8; ++k) {
          const int p = validPoint(corner[k]);
          if (p > 0 && std::find(distinct, distinct + n, p) == distinct + n) distinct[n++] = p;
        }
        for (int k = 0; k < 8; ++k) {
          corners_.push_back(distinct[k]);
          maxPoint = std::max(maxPoint, distinct[k]);
        }
      }

  std::vector<std::pair<int, int>> pairs;
  forEachJoinedCorner([&](int p, int q) {
    pairs.emplace_back(p, q);
    pairs.emplace_back(q, p);
    maxPoint = std::max({maxPoint, p, q});
  });
  std::sort(pairs.begin(), pairs.end());
  pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());

  own_.assign(static_cast<std::size_t>(maxPoint) + 1, 0);
  for (int p : corners_)
    if (p > 0) ++own_[p];
  twinStart_.assign(static_cast<std::size_t>(maxPoint) + 2, 0);
  for (const auto& pq : pairs) ++twinStart_[pq.first + 1];
  for (std::size_t n = 1; n < twinStart_.size(); ++n) twinStart_[n] += twinStart_[n - 1];
  twins_.reserve(pairs.size());
  for (const auto& pq : pairs) twins_.push_back(pq.second);
}

int NodeRule::count(int n) const {
  if (n <= 0 || n >= static_cast<int>(own_.size())) return 0;
  int total = own_[n];
  for (int t = twinStart_[n]; t < twinStart_[n + 1]; ++t) total += own_[twins_[t]];
  return total;
}

void NodeRule::means(const std::vector<double>& cellValues, int last, bool vtkMean, std::vector<double>& out) const {
  out.assign(static_cast<std::size_t>(std::max(last, 0)) + 1, 0.0);
  sum_.assign(own_.size(), 0.0);
  for (std::size_t c = 0; c < cells_.size(); ++c)
    for (int k = 0; k < 8; ++k) {
      const int p = corners_[8 * c + k];
      if (p > 0) sum_[p] += cellValues[c];
    }
  const int known = static_cast<int>(own_.size()) - 1;
  for (int n = 1; n <= last && n <= known; ++n) {
    double s = sum_[n];
    for (int t = twinStart_[n]; t < twinStart_[n + 1]; ++t) s += sum_[twins_[t]];
    const int k = count(n);
    out[n] = vtkMean ? s / (k + 1e-20) : (k > 0 ? s * (1.0 / k) : 0.0);
  }
}
