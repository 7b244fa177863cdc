// The bed filters of F 144: grid-scale wiggles of the corner bed levels
// (single-corner spikes, checkerboards, steps between neighbouring corners)
// are smoothed around a bed change so that they do not grow from step to
// step. Option 5 filters the column changes (Bedmove) before the corner
// update, the others move the corner levels after it. Every filter works in
// place on the main thread. The filters that change the bed volume (3, 5, 6
// and 14) book what they add or remove in the defect sums of the bed change.
#include <algorithm>
#include <cmath>

#include "bed/bed.h"
#include "bed/columns.h"
#include "physics/bedshear.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"

namespace {

using namespace bedcols;

inline bool wet(int i, int j) { return columnCell(i, j) > 0; }

// The four columns around corner (i, j) are (i, j), (i+1, j), (i+1, j+1) and
// (i, j+1).
inline bool allWet(int i, int j) { return wet(i, j) && wet(i + 1, j) && wet(i + 1, j + 1) && wet(i, j + 1); }

inline double level(int i, int j) { return gridLine(i, j) ? zval[i][j][1] : 0.0; }

inline void raise(int i, int j, double dz, bool accumulate) {
  if (!gridLine(i, j)) return;
  zval[i][j][1] += dz;
  if (accumulate) Surfaces[1][i][j] += dz;
}

// Plan area of the bottom cells of the wet columns around corner (i, j).
double wetArea(int i, int j) {
  double A = 0.0;
  for (auto [di, dj] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}}) {
    const int c = columnCell(i + di, j + dj);
    if (c > 0) A += Careaz ? Careaz[c] : armap[i + di][j + dj];
  }
  return A;
}

// A volume (m3 of bed) that a filter added (positive) or removed: the bed
// holds that much more than the sediment computation gave it.
void bookFilterVolume(double dV) {
  const double kg = dV * SolidFrac * 1000.0 * density;
  BedMoveDefectSum -= kg;
  BedMoveDefectAbs += std::fabs(kg);
}

template <class F>
void forBlocks(F&& f) {
  for (int n = 1; n <= NoBlocks && n < 100; ++n)
    if (bedBlock(block[n])) f(block[n]);
}

// Water depth of the column above cell c: twice the half heights.
double columnDepth(int c) {
  double h = 0.0;
  for (int x = c, guard = 0; x >= 1 && x <= NoCells && guard < NoCells; x = Ccellt[x], ++guard) h += Ckdist[x];
  return 2.0 * h;
}

inline double speed(int c) { return std::sqrt(Cxvel[c] * Cxvel[c] + Cyvel[c] * Cyvel[c]); }
inline double bedFormHeight(int c) { return Bedformheight ? Bedformheight[bedOf(c)] : 0.0; }
inline double totalConc(int c) { return Cconc && Cconc[0] ? Cconc[0][c] : 0.0; }

// Options 1 and 3: exchange between the two corners a and b of each edge
// between two wet columns c1, c2.
void edgeExchange(bool rateByTime) {
  const double P = ParamBedSmooth;
  auto edge = [&](int c1, int c2, int ia, int ja, int ib, int jb) {
    if (!gridLine(ia, ja) || !gridLine(ib, jb)) return;
    const double Aa = wetArea(ia, ja), Ab = wetArea(ib, jb);
    if (!(Aa + Ab > 0.0)) return;
    const double w = Ab / (Aa + Ab), dzab = zval[ib][jb][1] - zval[ia][ja][1];
    if (rateByTime) {
      auto T = [&](int c) {
        return 0.5 * 7.3 * columnDepth(c) * bedFormHeight(c) /
               (2.0 * Ckdist[c] * totalConc(c) * SolidFrac * speed(c) + 1e-10);
      };
      const double Te = std::max(0.5 * (T(c1) + T(c2)), 20.0 * TimeStep);
      const double d = dzab * TimeStep * P / Te;
      zval[ib][jb][1] -= (1.0 - w) * d;
      zval[ia][ja][1] += w * d;
    } else {
      auto r = [&](int c) {
        const int f = Cflateb[c];
        const double bedArea = f >= 1 && f <= NoSurfaces ? Farea[f] : 0.0;
        return 4.0 * totalConc(c) * Ckdist[c] * speed(c) * TimeStep * bedFormHeight(c) /
               (SolidFrac * columnDepth(c) * 7.3 * bedArea + 1e-20);
      };
      const double d = 0.5 * (r(c1) + r(c2)) * P * dzab;
      zval[ib][jb][1] -= w * d;
      zval[ia][ja][1] += (1.0 - w) * d;
      bookFilterVolume(0.25 * (Aa * (1.0 - w) - Ab * w) * d);
    }
  };
  forBlocks([&](const BlockRecord& B) {
    for (int i = B.i1; i <= B.i2 - 1; ++i)
      for (int j = B.j1; j <= B.j2; ++j) {
        const int c1 = columnCell(i, j), c2 = columnCell(i + 1, j);
        if (c1 > 0 && c2 > 0) edge(c1, c2, i, j - 1, i, j);
      }
    for (int i = B.i1; i <= B.i2; ++i)
      for (int j = B.j1; j <= B.j2 - 1; ++j) {
        const int c1 = columnCell(i, j), c2 = columnCell(i, j + 1);
        if (c1 > 0 && c2 > 0) edge(c1, c2, i - 1, j, i, j);
      }
  });
}

// Option 5: each column change takes P/8 of its neighbours' changes.
void filterColumnChanges() {
  Bedmove[0] = 0.0;
  const double P = ParamBedSmooth;
  auto change = [](int i, int j) { return Bedmove[bedOf(columnCell(i, j))]; };
  auto visit = [&](int i, int j) {
    const int b = bedOf(columnCell(i, j));
    if (b == 0 || Bcellt[b] < 1 || !(std::fabs(Bedmove[b]) > 1e-12)) return;
    const double add = P * 0.125 * (change(i + 1, j) + change(i - 1, j) + change(i, j + 1) + change(i, j - 1));
    Bedmove[b] += add;
    bookFilterVolume(add * Barea[b]);
  };
  forBlocks([&](const BlockRecord& B) {
    for (int i = B.i1; i <= B.i2; ++i)
      for (int j = B.j1; j <= B.j2; ++j) visit(i, j);
    for (int i = B.i2; i >= B.i1; --i)
      for (int j = B.j2; j >= B.j1; --j) visit(i, j);
  });
  Bedmove[0] = 0.0;
}

// Option 6: bed material carried down the bed slope of each wet column.
void slopeTransport() {
  forBlocks([&](const BlockRecord& B) {
    for (int i = B.i1; i <= B.i2; ++i)
      for (int j = B.j1; j <= B.j2; ++j) {
        const int c = columnCell(i, j), b = bedOf(c);
        if (c == 0 || b == 0) continue;
        const int f = Cflateb[c];
        if (f < 1 || f > NoSurfaces) continue;
        const double s = std::sqrt(std::max(0.0, 1.0 - Fvz[f] * Fvz[f]));
        const double tau = Ckinen[c] > 0.0 ? 300.0 * Ckinen[c] : 0.0;
        double S = 0.0;
        bool unbounded = false;
        for (int n = 1; n <= lnumber; ++n) {
          const double term = 0.6 * s * Cconc[n][c];
          if (!(term > 0.0)) continue;  // no slope or no sediment of this size
          if (!(tau > 0.0)) {
            unbounded = true;  // still water: only the layer thickness limits the move
            continue;
          }
          S += term / std::sqrt(tau / (std::fabs(shieldscoeff) * gsize[n] * (density - 1.0) * 9810.0));
        }
        const double u = speed(c);
        double q = unbounded ? (u > 0.0 ? 1e300 : 0.0) : S * 2.0 * Ckdist[c] * u * TimeStep / SolidFrac;
        const double top = BSedDistrib ? BSedDistrib[1][0][b] : q;
        if (top < q) q = top;
        if (!(q > 0.0) || !std::isfinite(q)) continue;
        const int ci[4] = {i, i, i - 1, i - 1}, cj[4] = {j, j - 1, j - 1, j};
        for (int k = 0; k < 4; ++k) {
          if (!gridLine(ci[k], cj[k])) continue;
          const double cs =
              dotproduct(Fvx[f], Fvy[f], xval[ci[k]][cj[k]] - Cxcenter[c], yval[ci[k]][cj[k]] - Cycenter[c]);
          raise(ci[k], cj[k], cs * q, true);
          bookFilterVolume(cs * q * 0.25 * wetArea(ci[k], cj[k]));
        }
      }
  });
}

// The five-point move: the corner gives dz, each neighbour takes dz/4.
void fivePoint(int i, int j, double dz) {
  raise(i, j, -dz, true);
  raise(i + 1, j, 0.25 * dz, true);
  raise(i - 1, j, 0.25 * dz, true);
  raise(i, j + 1, 0.25 * dz, true);
  raise(i, j - 1, 0.25 * dz, true);
}

inline double neighbourMean(int i, int j) {
  return 0.25 * (level(i + 1, j) + level(i - 1, j) + level(i, j + 1) + level(i, j - 1));
}

inline bool interior(int i, int j) { return gridLine(i - 1, j - 1) && gridLine(i + 1, j + 1); }

// Options 9 and 10: single-corner peaks (9: of a checkerboard only).
void removePeaks(bool checkerboard) {
  const double P = ParamBedSmooth;
  forBlocks([&](const BlockRecord& B) {
    const int d = checkerboard ? 2 : 1;
    for (int i = B.i1 + 1; i <= B.i2 - d; ++i)
      for (int j = B.j1 + 1; j <= B.j2 - d; ++j) {
        if (!interior(i, j) || !allWet(i, j)) continue;
        const double z0 = level(i, j);
        const double e = level(i + 1, j), w = level(i - 1, j), n = level(i, j + 1), s = level(i, j - 1);
        bool peak = e < z0 && w < z0 && n < z0 && s < z0;
        if (checkerboard)
          peak = peak && gridLine(i - 2, j - 2) && gridLine(i + 2, j + 2) && e < level(i + 2, j) &&
                 w < level(i - 2, j) && n < level(i, j + 2) && s < level(i, j - 2);
        if (peak) fivePoint(i, j, P * (z0 - neighbourMean(i, j)));
      }
  });
}

// Options 11 and 12: relaxation towards the neighbours, forward and back.
void relaxCorners(bool byTwist) {
  const double P = ParamBedSmooth;
  auto twisted = [&](int i, int j, bool forward) {
    for (auto [di, dj] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}}) {
      const int b = pointbed[i + di][j + dj];
      const double t = bedCell(b) && Bfly ? Bfly[b] : 0.0;
      if (!(forward ? std::fabs(t) > P : t > P)) return false;
    }
    return true;
  };
  auto visit = [&](int i, int j, bool forward) {
    if (!interior(i, j) || !allWet(i, j)) return;
    if (byTwist && !twisted(i, j, forward)) return;
    fivePoint(i, j, P * (level(i, j) - neighbourMean(i, j)));
  };
  const bool oneRow = !byTwist && NoBlocks >= 1 && block[1].j2 == block[1].j1;
  forBlocks([&](const BlockRecord& B) {
    if (oneRow) {
      auto line = [&](int i, int j) {
        if (!gridLine(i - 1, j) || !gridLine(i + 1, j)) return;
        const double dz = P * (level(i, j) - 0.5 * (level(i + 1, j) + level(i - 1, j)));
        raise(i, j, -dz, true);
        raise(i + 1, j, 0.5 * dz, true);
        raise(i - 1, j, 0.5 * dz, true);
      };
      auto step = [&](int i) {
        if (!wet(i, B.j2) || !wet(i + 1, B.j2)) return;
        line(i, B.j2);
        line(i, B.j2 - 1);
      };
      for (int i = B.i1 + 1; i <= B.i2 - 1; ++i) step(i);
      for (int i = B.i2 - 1; i >= B.i1 + 1; --i) step(i);
      return;
    }
    for (int i = B.i1 + 1; i <= B.i2 - 1; ++i)
      for (int j = B.j1 + 1; j <= B.j2 - 1; ++j) visit(i, j, true);
    for (int i = B.i2 - 1; i >= B.i1 + 1; --i)
      for (int j = B.j2 - 1; j >= B.j1 + 1; --j) visit(i, j, false);
  });
}

// Option 13: relaxation limited by the bed change around the corner.
void relaxByChange() {
  Bedmove[0] = 0.0;
  const double P = ParamBedSmooth;
  auto visit = [&](int i, int j) {
    if (!interior(i, j)) return;
    double sum = 0.0;
    for (auto [di, dj] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}}) {
      const int b = pointbed[i + di][j + dj];
      sum += bedCell(b) ? std::fabs(Bedmove[b]) : 0.0;
    }
    const double L = P * 0.25 * sum;
    fivePoint(i, j, std::clamp(level(i, j) - neighbourMean(i, j), -L, L));
  };
  forBlocks([&](const BlockRecord& B) {
    for (int i = B.i1; i <= B.i2 - 1; ++i)
      for (int j = B.j1; j <= B.j2 - 1; ++j) visit(i, j);
    for (int i = B.i2 - 1; i >= B.i1; --i)
      for (int j = B.j2 - 1; j >= B.j1; --j) visit(i, j);
  });
}

// Option 14: each corner relaxed towards the neighbours it reaches through
// supercritical columns (Froude number above 0.6).
void relaxSupercritical() {
  Cbed[0] = 0;
  BFroude[0] = 0.0;
  const double P = ParamBedSmooth;
  auto fr = [](int i, int j) { return BFroude[bedOf(columnCell(i, j))]; };
  auto visit = [&](int i, int j) {
    const bool swWet = wet(i, j);
    const double sw = fr(i, j), se = fr(i + 1, j), ne = fr(i + 1, j + 1), nw = fr(i, j + 1);
    double sum = 0.0;
    int n = 0;
    auto take = [&](bool counts, int I, int J) {
      if (counts && gridLine(I, J)) sum += level(I, J), ++n;
    };
    take(swWet && (sw > 0.6 || se > 0.6), i, j - 1);
    take(se > 0.6 || ne > 0.6, i + 1, j);
    take(ne > 0.6 || nw > 0.6, i, j + 1);
    take(nw > 0.6 || sw > 0.6, i - 1, j);
    if (n == 0 || !gridLine(i, j)) return;
    const double d = P * (sum / n - level(i, j));
    raise(i, j, d, true);
    bookFilterVolume(d * 0.25 * wetArea(i, j));
  };
  forBlocks([&](const BlockRecord& B) {
    for (int i = B.i1 - 1; i <= B.i2; ++i)
      for (int j = B.j1 - 1; j <= B.j2; ++j) visit(i, j);
    for (int i = B.i2; i >= B.i1 - 1; --i)
      for (int j = B.j2; j >= B.j1 - 1; --j) visit(i, j);
  });
}

}  // namespace

void bedsmooth() {
  switch (FlagBedSmooth) {
    case 1: edgeExchange(true); break;
    case 3: edgeExchange(false); break;
    case 5: filterColumnChanges(); break;
    case 6: slopeTransport(); break;
    case 9: removePeaks(true); break;
    case 10: removePeaks(false); break;
    case 11: relaxCorners(false); break;
    case 12: relaxCorners(true); break;
    case 13: relaxByChange(); break;
    case 14: relaxSupercritical(); break;
    default: break;
  }
}
