// The deep path of the grid-split prevention (F 371 48 and above): one path
// of water columns through block 1, from its first cross-section to its
// last, following the flow and preferring deep columns; the water level along
// it is kept a margin above the bed, so that one connected wet channel
// survives however far the water falls. The path (bed cells, in order) is
// kept in `rute` for the critical-flow levels of F 407 and the Froude-limit
// levels of F 351 2.
#include <algorithm>
#include <cmath>
#include <vector>

#include "grid/gridsplit.h"
#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

constexpr int kRuteSize = static_cast<int>(sizeof(rute) / sizeof(rute[0]));

bool insideBlock(const BlockRecord& B, int i, int j) { return i >= B.i1 && i <= B.i2 && j >= B.j1 && j <= B.j2; }

int bedCellOf(int i, int j) {
  if (!pointbed || i < 0 || j < 0 || i > xnumber + 1 || j > ynumber + 1) return 0;
  const int b = pointbed[i][j];
  return b >= 1 && b <= NoBCells ? b : 0;
}

double meanCornerBed(int i, int j) {
  return 0.25 * (zval[i - 1][j - 1][1] + zval[i][j - 1][1] + zval[i][j][1] + zval[i - 1][j][1]);
}

double cellSpeed(int c) { return std::sqrt(Cxvel[c] * Cxvel[c] + Cyvel[c] * Cyvel[c]); }

void raiseBed(int b, double L) {
  if (b != 0) Bminwaterlevel[b] = std::max(Bminwaterlevel[b], L);
}

// Columns the path has stood on in this call. Kept apart from the levels, so
// that neighbours raised by F 423 stay open to the path. Grows with the bed
// cells only.
std::vector<unsigned char>& visitMarks() {
  static std::vector<unsigned char> marks;
  return marks;
}

// The row of cross-section i1 where the path starts: the largest flow
// (sum of Ckdist x speed over the column), the first of equals; with no flow
// anywhere the deepest wet column. 0 when no column there has cells.
int startRow(const BlockRecord& B) {
  int best = 0, deepest = 0;
  double bestSum = 0, bestDepth = -1;
  for (int j = B.j1; j <= B.j2; ++j) {
    const int c0 = lowestCellOf(B.i1, j);
    if (c0 == 0) continue;
    double sum = 0, depth = 0;
    forColumnUp(c0, [&](int c) {
      sum += Ckdist[c] * cellSpeed(c);
      depth += 2 * Ckdist[c];
    });
    if (sum > bestSum) bestSum = sum, best = j;
    if (depth > bestDepth) bestDepth = depth, deepest = j;
  }
  return best != 0 ? best : deepest;
}

// Entries from..upto of the path, left over from branches given up, are
// emptied and their columns marked as given up (-100).
void dropEntries(int from, int upto) {
  for (int m = from; m <= upto && m < kRuteSize; ++m) {
    if (rute[m] >= 1 && rute[m] <= NoBCells) Bminwaterlevel[rute[m]] = -100.0;
    rute[m] = 0;
  }
}

}  // namespace

void riseNeighbours(double level, double d, int i, int j) {
  static constexpr int side[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
  static constexpr int diagonal[4][2] = {{-1, -1}, {1, 1}, {1, -1}, {-1, 1}};
  for (const auto& s : side) raiseBed(bedCellOf(i + s[0], j + s[1]), level + 0.8 * d);
  if (FlagRiseNeighbours > 1)
    for (const auto& s : diagonal) raiseBed(bedCellOf(i + s[0], j + s[1]), level + 0.8 * d);
}

void traceDeepPath(double dh) {
  if (NoBlocks < 1 || !Bminwaterlevel || !pointbed || !Bkooi || !Bkooj) return;
  const BlockRecord& B = block[1];
  if (DepthBreakPath < 0) DepthBreakPath = 10 * MinVertDist0;
  const int jstart = startRow(B);
  const int clearTo = std::min(5 * B.i2, kRuteSize);
  for (int m = 0; m < clearTo; ++m) rute[m] = 0;
  if (jstart == 0 || B.j2 * B.i2 <= 0) return;
  const int nmax = std::min(B.j2 * B.i2, kRuteSize);

  std::vector<unsigned char>& visited = visitMarks();
  visited.assign(static_cast<std::size_t>(NoBCells) + 1, 0);

  int i = B.i1, j = jstart, n = 0, maxn = 0, steps = 0;
  static constexpr int di[5] = {0, 0, 1, 0, -1}, dj[5] = {0, -1, 0, 1, 0};
  while (true) {
    ++steps;
    maxn = std::max(maxn, n);
    const int b = bedCellOf(i, j);
    if (b == 0) break;
    rute[n] = b;
    visited[b] = 1;
    const double base = meanCornerBed(i, j);
    Bminwaterlevel[b] = base + dh;
    if (FlagRiseNeighbours > 0) riseNeighbours(base, dh, i, j);
    if (FlagRiseNeighbours > 2 && n > 0) raiseBed(rute[n - 1], base + dh);
    if (i == B.i2) {
      if (n > 0) dropEntries(n + 1, maxn);
      break;
    }
    const int c0 = lowestCellOf(i, j), t0 = columnTopCell(c0);
    int flowPick = 0, depthPick = 0;
    double flowBest = -1e8, depthBest = -1e8;
    for (int s = 1; s <= 4; ++s) {
      const int ni = i + di[s], nj = j + dj[s];
      if (!insideBlock(B, ni, nj)) continue;
      const int ck = lowestCellOf(ni, nj), bk = bedCellOf(ni, nj);
      if (ck == 0 || bk == 0 || visited[bk]) continue;
      const int tk = columnTopCell(ck);
      const double align = std::min(
          0.1, (Cxcenter[ck] - Cxcenter[c0]) * Cxvel[t0] + (Cycenter[ck] - Cycenter[c0]) * Cyvel[t0]);
      const double flow = cellSpeed(tk) * Ckdist[tk] * align;
      if (flow > flowBest) flowBest = flow, flowPick = bk;
      if (n > 0 && Bdepth[bk] > depthBest) depthBest = Bdepth[bk], depthPick = bk;
    }
    const int pick = depthPick != 0 && depthBest > DepthBreakPath ? depthPick : flowPick;
    if (pick != 0) {
      i = Bkooi[pick];
      j = Bkooj[pick];
      ++n;
      if (n >= nmax) {
        if (i == B.i2) dropEntries(n, maxn);
        break;
      }
    } else if (n >= 2) {
      --n;
      i = Bkooi[rute[n]];
      j = Bkooj[rute[n]];
    } else {
      break;
    }
    if (steps > 20000) {
      if (i == B.i2) dropEntries(n + 1, maxn);
      break;
    }
  }
}

void computeCriticalCross() {
  auto wet = [](int i, int j) { return lowestCellOf(i, j) != 0; };
  for (int e = 0; e < kRuteSize; ++e) {
    const int b = rute[e];
    if (b < 1) break;
    if (b > NoBCells) continue;
    const int i = Bkooi[b], j = Bkooj[b];
    const int c0 = lowestCellOf(i, j);
    if (c0 == 0) continue;
    int iE = i, iW = i, jN = j, jS = j;
    while (iE + 1 <= std::min(xnumber, 9999) && wet(iE + 1, j)) ++iE;
    while (iW - 1 >= 2 && wet(iW - 1, j)) --iW;
    while (jN + 1 <= std::min(ynumber, 9999) && wet(i, jN + 1)) ++jN;
    while (jS - 1 >= 2 && wet(i, jS - 1)) --jS;
    // Every cell of every column enters the sums, and each top cell its full
    // width.
    double A1 = 0, Q1 = 0, W1 = 0, A2 = 0, Q2 = 0, W2 = 0;
    for (int ii = iW; ii <= iE; ++ii) {
      const int c = lowestCellOf(ii, j);
      forColumnUp(c, [&](int k) {
        A1 += 0.5 * (Farea[Cflates[k]] + Farea[Cflaten[k]]);
        Q1 += 0.5 * (Fflux[Cflates[k]] + Fflux[Cflaten[k]]);
      });
      W1 += 2 * Cidist[columnTopCell(c)];
    }
    for (int jj = jS; jj <= jN; ++jj) {
      const int c = lowestCellOf(i, jj);
      forColumnUp(c, [&](int k) {
        A2 += 0.5 * (Farea[Cflatee[k]] + Farea[Cflatew[k]]);
        Q2 += 0.5 * (Fflux[Cflatee[k]] + Fflux[Cflatew[k]]);
      });
      W2 += 2 * Cjdist[columnTopCell(c)];
    }
    Q1 = std::fabs(Q1) * 0.001;
    Q2 = std::fabs(Q2) * 0.001;
    double D = 0;
    forColumnUp(c0, [&](int k) { D += 2 * Ckdist[k]; });
    const double zb = Czcenter[c0] - Ckdist[c0];
    const bool alongLine = Q1 <= Q2;
    const double A = alongLine ? A2 : A1, Q = alongLine ? Q2 : Q1, W = alongLine ? W2 : W1;
    const double Fr = (Q / (A + 1e-20)) / std::sqrt(9.81 * A / (W + 1e-20));
    if (!(Fr > 1)) continue;
    const double level = zb + D * std::pow(Fr, 0.4);
    auto assign = [&](int ii, int jj) {
      const int c = lowestCellOf(ii, jj);
      if (c != 0 && Cbed[c] >= 1 && Cbed[c] <= NoBCells) Bminwaterlevel[Cbed[c]] = level;
    };
    if (alongLine)
      for (int jj = jS; jj <= jN; ++jj) assign(i, jj);
    else
      for (int ii = iW; ii <= iE; ++ii) assign(ii, j);
  }
}

void computeSurfLevFroude(int level) {
  if (!BLevFroude || NoBlocks < 1) return;
  const int limit = std::min(5 * block[1].i2, kRuteSize);
  for (int e = 0; e < limit; ++e) {
    const int b = rute[e];
    if (b < 1 || b > NoBCells) break;
    const int c = Bcellt[b];
    if (!cellInGrid(c)) break;
    const int t = columnTopCell(c);
    BLevFroude[b] = level - (Czcenter[t] - Czcenter[c] + Ckdist[c] + Ckdist[t]);
  }
}
