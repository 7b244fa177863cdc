// Grid sequencing: each pass solves the coarsest level first and hands every
// level's solution to the next finer one as its start.
#include "flow/mgssolver.h"

#include <algorithm>

#include "flow/flow.h"
#include "grid/coarselevels.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

double* const* fields() {
  static double* f[6];
  f[0] = Cxvel, f[1] = Cyvel, f[2] = Czvel, f[3] = Cpres, f[4] = Ckinen, f[5] = Cepsilon;
  return f;
}

int levelBlock(int level) { return NoBlocks - MGSNo + level; }

bool levelRange(int level, int& first, int& last) {
  const int r = levelBlock(level);
  if (r < 1 || r >= 100) return false;
  first = block[r].firstCell;
  last = block[r].lastCell;
  return first >= 1 && last >= first && last <= NoCells;
}

// The real-grid column under a level-2 cell: its lowest cell and its top.
bool columnUnder(int c, int& bottom, int& top) {
  bottom = MGSCpoint[c][1];
  if (bottom < 1 || bottom > NoCells) return false;
  top = bottom;
  while (top < NoCells && Ccellt[top] == top + 1) ++top;
  return true;
}

// The four cells of c one level down, all present (a coarse cell of
// level 3 and up is made only for a full group).
bool childrenOf(int c, int ch[4]) {
  if (MGSCpointCols < 5) return false;
  for (int k = 0; k < 4; ++k) {
    ch[k] = MGSCpoint[c][k + 1];
    if (ch[k] < 1 || ch[k] > NoCells) return false;
  }
  return true;
}

inline double floorOf(int field) { return field == 4 ? ArtMinKinen : field == 5 ? 1e-15 : -1e300; }

}  // namespace

void MGSSetLevel(int level) {
  MGSGrid = level;
  BlockID = levelBlock(level);
  if (BlockID < 1 || BlockID >= 100) return;
  const BlockRecord& B = block[BlockID];
  WCStart = B.firstCell;
  WCEnd = B.lastCell;
  WFStart = B.firstSurface;
  WFEnd = B.lastSurface;
  if (level == 1) WCStart = WFStart = 1;
}

void MGSRestrict(int level) {
  int first, last;
  if (!MGSCpoint || level < 2 || !levelRange(level, first, last)) return;
  double* const* F = fields();
  for (int n = 0; n < 6; ++n) {
    double* f = F[n];
    if (!f) continue;
    for (int c = first; c <= last; ++c) {
      if (level == 2) {
        int bottom, top;
        if (!columnUnder(c, bottom, top)) continue;
        double s = 0.0;
        for (int k = bottom; k <= top; ++k) s += f[k];
        f[c] = s / (top - bottom + 1);
      } else {
        int ch[4];
        if (childrenOf(c, ch)) f[c] = 0.25 * (f[ch[0]] + f[ch[1]] + f[ch[2]] + f[ch[3]]);
      }
    }
  }
}

void MGSProlong(int level) {
  int first, last;
  if (!MGSCpoint || level < 2 || !levelRange(level, first, last)) return;
  double* const* F = fields();
  for (int n = 0; n < 6; ++n) {
    double* f = F[n];
    if (!f) continue;
    const double lowest = floorOf(n);
    for (int c = first; c <= last; ++c) {
      if (level == 2) {
        int bottom, top;
        if (!columnUnder(c, bottom, top)) continue;
        double s = 0.0;
        for (int k = bottom; k <= top; ++k) s += f[k];
        const double d = f[c] - s / (top - bottom + 1);
        for (int k = bottom; k <= top; ++k) f[k] = std::max(f[k] + d, lowest);
      } else {
        int ch[4];
        if (!childrenOf(c, ch)) continue;
        const double d = f[c] - 0.25 * (f[ch[0]] + f[ch[1]] + f[ch[2]] + f[ch[3]]);
        for (int k : ch) f[k] = std::max(f[k] + d, lowest);
      }
    }
  }
}

void MGSsolver() {
  void (*solve)() = MGSLevelSolve ? MGSLevelSolve : WaterSolve;
  if (NoBlocks >= 1 && NoBlocks < 100 && block[NoBlocks].gridLevel == 0) MGSCoarserGridMake2D();
  if (FlagInitialized == 1 && MGSNo >= 2)
    for (int L = 2; L <= MGSNo; ++L) {
      MGSSetLevel(L);
      MGSRestrict(L);
    }
  const int N = FlagTSC > 0 ? 20 : iterGlobalMax;
  if (N < 1) return;
  for (int o = 1; o <= N; ++o) {
    if (FlagTSC == 0) Iter = o;
    bool converged = false;
    for (int L = MGSNo; L >= 1; --L) {
      MGSSetLevel(L);
      // A solve that converges says so by clearing gFlagFlow (and writes
      // its results); on the real grid that ends the passes.
      const int flowFlag = gFlagFlow;
      gFlagFlow = 1;
      solve();
      converged = L == 1 && gFlagFlow == 0;
      gFlagFlow = flowFlag;
      if (FlagErrorBreak == 1) return;
      MGSProlong(L);
    }
    if (converged) break;
  }
  MGSSetLevel(1);
}
