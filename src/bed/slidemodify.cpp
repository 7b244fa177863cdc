// The slide search of the slope stability: the failing columns of the sub-bed
// block joined into labelled slides, the slide list, and per slide its length,
// height, target failure level, centre column and plane.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "bed/slides.h"
#include "state/log.h"
#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/slidestate.h"

namespace {

struct Range {
  int first = 0, last = 0, j1 = 0, j2 = 0;
  bool ok = false;
};

Range slideRange() {
  Range r;
  const int s = slideBlock();
  if (s == 0) return r;
  const BlockRecord& B = block[s];
  r.first = std::max(B.firstBedCell, 1);
  r.last = std::min(B.lastBedCell, NoBCells);
  r.j1 = B.j1;
  r.j2 = B.j2;
  r.ok = r.last >= r.first;
  return r;
}

int lowest(int b) { return b >= 1 && b <= NoBCells && cellInGrid(Bcellt[b]) ? Bcellt[b] : 0; }

double columnTop(int b) {
  const int c = lowest(b);
  if (c == 0) return 0.0;
  const int t = columnTopCell(c);
  return Czcenter[t] + Ckdist[t];
}

// The bed cell of column (i, j), 0 outside the block grid or without one.
int bedAt(int i, int j) {
  if (i < 0 || j < 0 || i > xnumber + 1 || j > ynumber + 1) return 0;
  const int b = pointbed[i][j];
  return b >= 1 && b <= NoBCells ? b : 0;
}

int labelOf(int b, const Range& r) { return b >= r.first && b <= r.last ? Bcellth[b] : 0; }

double thickness(int b) {
  const int i = Bkooi[b], j = Bkooj[b];
  if (i < 1 || j < 1) return 0.0;
  double s = 0;
  const int ci[4] = {i - 1, i, i, i - 1}, cj[4] = {j - 1, j - 1, j, j};
  for (int q = 0; q < 4; ++q) s += zval[ci[q]][cj[q]][znumber] - Surfaces[3][ci[q]][cj[q]];
  return 0.25 * s;
}

void markCandidates(const Range& r) {
  for (int b = r.first; b <= r.last; ++b) {
    const int c = lowest(b);
    const bool free = c != 0 && (Cap[c] < 1e10 || Bcellth[b] > 0);
    Bcellth[b] = free && thickness(b) > 1.5 * TFSminDepth ? b : 0;
  }
}

bool marked(int b, const Range& r) { return labelOf(b, r) > 0; }

void labelAlongJAndWest(const Range& r) {
  for (int b = r.first; b <= r.last; ++b)
    if (!marked(b, r) && marked(b - 1, r) && marked(b + 1, r)) Bcellth[b] = b;
  for (int b = r.first; b <= r.last; ++b)
    if (marked(b, r) && !marked(b - 1, r) && !marked(b + 1, r)) Bcellth[b] = 0;
  for (int sweep = 0; sweep < 50; ++sweep)
    for (int b = r.first + 1; b <= r.last; ++b) {
      if (!marked(b, r)) continue;
      int best = Bcellth[b];
      const int south = labelOf(b - 1, r);
      if (south > 0) best = std::min(best, south);
      const int c = lowest(b);
      const int w = c ? Ccellw[c] : 0;
      const int west = cellInGrid(w) ? labelOf(Cbed[w], r) : 0;
      if (west > 0) best = std::min(best, west);
      Bcellth[b] = best;
    }
}

void widen(const Range& r) {
  auto mark = [&r](int b) {
    if (b >= r.first && b <= r.last && Bcellth[b] == 0) Bcellth[b] = b;
  };
  for (int v = r.first + 2; v <= r.last + 1; ++v) {
    const int b = v - 1;
    if (!marked(b, r)) continue;
    const int j = Bkooj[b];
    if (j == r.j1) {
      if (!marked(v, r))
        mark(v);
      else if (r.j1 == r.j2)
        mark(v - 2);
    } else if (j == r.j2) {
      mark(v - 2);
    } else if (!marked(v, r) && !marked(v - 2, r)) {
      if (FlagThixoGrid == 0) {
        mark(v);
        mark(v - 2);
      } else if (FlagThixoGrid == 1) {
        mark(v >= r.first && v <= r.last && Bstrain[v - 2] > Bstrain[v] ? v : v - 2);
      }
    }
  }
}

void labelFourWays(const Range& r) {
  for (int sweep = 0; sweep < 5000; ++sweep) {
    bool changed = false;
    for (int b = r.first + 1; b <= r.last; ++b) {
      if (!marked(b, r)) continue;
      const int i = Bkooi[b], j = Bkooj[b];
      int best = Bcellth[b];
      const int nbs[4] = {j > r.j1 ? labelOf(b - 1, r) : 0, j < r.j2 ? labelOf(b + 1, r) : 0,
                          labelOf(bedAt(i + 1, j), r), labelOf(bedAt(i - 1, j), r)};
      for (int l : nbs)
        if (l > 0) best = std::min(best, l);
      if (best != Bcellth[b]) {
        Bcellth[b] = best;
        changed = true;
      }
    }
    // Labels only fall: a sweep without a change leaves every later one alike.
    if (!changed) break;
  }
  for (int b = r.first + 1; b <= r.last; ++b) {
    if (!marked(b, r)) continue;
    const int i = Bkooi[b], j = Bkooj[b];
    if (!marked(bedAt(i, j + 1), r) && !marked(bedAt(i - 1, j), r) && !marked(bedAt(i + 1, j), r) &&
        !marked(bedAt(i, j - 1), r))
      Bcellth[b] = 0;
  }
}

bool listed(int label) {
  for (int k = 0; k < MaxSlides - 1; ++k)
    if (BVal[k] == label) return true;
  return false;
}

void buildList(const Range& r) {
  std::memset(BVal, 0, sizeof BVal);
  for (int b = r.first; b <= r.last; ++b) {
    const int l = Bcellth[b];
    if (l <= 0 || listed(l)) continue;
    int k = 0;
    while (k < MaxSlides - 1 && BVal[k] != 0) ++k;
    BVal[k] = l;
  }
}

double depthFactor() {
  double fac = 0.2;
  if (FlagSlide == 2 || FlagSlide == 3) {
    fac = FlagSlide == 2 ? global_fac : 0.3 * std::log10(std::max(ThixoCritshear, 1.0));
    fac = fac <= 0.01 ? 0.01 : std::min(fac, 0.5);
  }
  return fac;
}

}  // namespace

int slideBlock() {
  for (int b = std::min(NoBlocks, 99); b >= 1; --b)
    if (block[b].subBed == 1) return b;
  return 0;
}

int computeBCen(int k, double z) {
  if (k < 0 || k >= MaxSlides) return 0;
  const Range r = slideRange();
  if (!r.ok) return 0;
  int best = 0;
  double dist = 1e10;
  for (int b = r.first; b <= r.last; ++b) {
    if (Bcellth[b] != BVal[k] || lowest(b) == 0) continue;
    const double d = std::fabs(z - columnTop(b));
    if (d < dist) {
      dist = d;
      best = b;
    }
  }
  return best;
}

void computeThixoFlatSurface(int k, int bTop, int bBot, double zTop, double zBot) {
  if (bTop == bBot || k < 0 || k >= MaxSlides) return;
  const int ct = lowest(bTop), cb = lowest(bBot);
  if (ct == 0 || cb == 0) return;
  const double xB = Cxcenter[cb], yB = Cycenter[cb];
  const double dx = Cxcenter[ct] - xB, dy = Cycenter[ct] - yB, dz = zTop - zBot;
  kA[k] = -dx * dz;
  kB[k] = -dy * dz;
  kC[k] = dx * dx + dy * dy;
  kD[k] = -(kA[k] * xB + kB[k] * yB + zBot * kC[k]);
  ikC[k] = -1.0 / (kC[k] + 1e-10);
}

void slideModify() {
  Bcellth[0] = 0;
  const Range r = slideRange();
  if (!r.ok) return;
  markCandidates(r);
  if (FlagGridStab1 == 0) labelAlongJAndWest(r);
  if (FlagGridStab1 > 0 && FlagThixoGrid2 <= 2) widen(r);
  if (FlagGridStab1 != 0) labelFourWays(r);
  for (int b = r.first; b <= r.last; ++b) {
    const int c = lowest(b);
    if (Bcellth[b] != 0 || c == 0) continue;
    Csource[c] = Bthixolev[b] * 1e20;
    Cap[c] = 1e20;
  }
  buildList(r);
  const double fac = depthFactor();
  for (int k = 0; k < MaxSlides - 1 && BVal[k] != 0; ++k) {
    BNo[k] = 0;
    kStrain[k] = 0;
    double zTop = -10000, zBot = 10000;
    int bTop = 0, bBot = 0;
    for (int b = r.first + 1; b <= r.last; ++b) {
      if (Bcellth[b] != BVal[k] || lowest(b) == 0) continue;
      ++BNo[k];
      const double z = columnTop(b);
      if (z > zTop) {
        zTop = z;
        bTop = b;
      }
      if (z < zBot) {
        zBot = z;
        bBot = b;
      }
    }
    if (bTop == 0 || bBot == 0 || bTop == bBot) {
      kLevel[k] = kLength[k] = kHeight[k] = 0;
      BCen[k] = 0;
      continue;
    }
    kHeight[k] = zTop - zBot;
    const int cb = lowest(bBot), ct = lowest(bTop);
    if (FlagGridStab1 != 0)
      kLength[k] = std::min((std::abs(Bkooi[bTop] - Bkooi[bBot]) + 1) * 2 * Cidist[cb],
                            (std::abs(Bkooj[bTop] - Bkooj[bBot]) + 1) * 2 * Cjdist[cb]);
    else
      kLength[k] = std::hypot(Cxcenter[ct] - Cxcenter[cb], Cycenter[ct] - Cycenter[cb]);
    kFac[k] = fac;
    if (FlagSlide == 4 || FlagSlide == 6 || FlagSlide == 7) {
      const double c0 = 10.0 * ThixoCritshear / 17903.25;
      kFac[k] = 0.5 * std::pow(c0 / (kLength[k] * ThixoMySlope + c0 + 1e-30), 0.56);
    }
    kLevel[k] = 0.5 * (zTop + zBot) - kLength[k] * kFac[k];
    BCen[k] = computeBCen(k, 0.5 * (zTop + zBot));
    if (BCen[k] == 0) {
      logf("Error setting BCen[%d] for stimet = %lf ", k, stimet);
      fatal(-4, "zTop = %lf, zBot = %lf, BVal[%d] = %d\n", zTop, zBot, k, BVal[k]);
    }
    const int cc = lowest(BCen[k]);
    kLevel[k] = std::min(kLevel[k], Czcenter[cc] + Ckdist[cc]);
    computeThixoFlatSurface(k, bTop, bBot, zTop, zBot);
  }
}
