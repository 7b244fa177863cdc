// Sand slides: the bed is cut back to the angle of repose (F 56, F 270) by
// repeated sweeps over the grid corners. Every corner pair of a wet column
// steeper than the critical slope moves bed material from the higher to the
// lower corner. With one size the pair is cut back to the critical slope
// keeping the volume; with several sizes (two-layer bed) the top-layer
// sediment of the columns around the higher corner goes to those around the
// lower one. No corner drops below the non-erodible bed, and every move is
// added to the accumulated change at the corners. Main thread.
#include "bed/sandslide.h"

#include <algorithm>
#include <cmath>

#include "bed/bed.h"
#include "state/log.h"
#include "sediment/fractions.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "state/sedimentstate.h"

namespace {

inline bool gridLine(int i, int j) { return i >= 0 && j >= 0 && i <= xnumber + 1 && j <= ynumber + 1; }
inline int sizeCount() { return std::clamp(lnumber, 0, 50); }
inline int cellOk(int c) { return c >= 1 && c <= NoCells ? c : 0; }
inline int bedOf(int c) {
  const int b = cellOk(c) ? Cbed[c] : 0;
  return b >= 1 && b < bedCellCapacity() ? b : 0;
}
inline double areaOf(int c) { return bedOf(c) ? Barea[bedOf(c)] : 0.0; }
inline double armapAt(int i, int j) { return gridLine(i, j) ? armap[i][j] : 0.0; }

// Lowest cell of column (i, j); 0 for a dry column.
int columnCell(int i, int j) {
  if (!gridLine(i, j)) return 0;
  const double v = zval[i][j][0];
  return v >= 1.0 && v < static_cast<double>(NoCells) + 1.0 ? static_cast<int>(v) : 0;
}

bool slideBlock(const BlockRecord& B) { return B.kind == 0 && B.gridLevel == 0 && B.active == 1; }

// The neighbours of a bottom cell, with the diagonal ones reached either way.
struct Around {
  int s, w, e, n, se, sw, nw, ne;
  explicit Around(int c) {
    s = cellOk(Ccells[c]), w = cellOk(Ccellw[c]), e = cellOk(Ccelle[c]), n = cellOk(Ccelln[c]);
    se = s ? cellOk(Ccelle[s]) : 0;
    if (!se && e) se = cellOk(Ccells[e]);
    sw = s ? cellOk(Ccellw[s]) : 0;
    if (!sw && w) sw = cellOk(Ccells[w]);
    nw = n ? cellOk(Ccellw[n]) : 0;
    if (!nw && w) nw = cellOk(Ccelln[w]);
    ne = n ? cellOk(Ccelle[n]) : 0;
    if (!ne && e) ne = cellOk(Ccelln[e]);
  }
};

struct Corner {
  int i, j;
};

// Plan area of corner number k (1..4) of column (i, j): its four columns,
// and across the border of the block window the bed cells beyond.
double cornerArea(int k, int i, int j, const BlockRecord& B, const Around& a) {
  const bool east = i == B.i2, west = i == B.i1, north = j == B.j2, south = j == B.j1;
  double A = 0.0;
  switch (k) {
    case 3:
      A = armapAt(i, j) + armapAt(i + 1, j) + armapAt(i, j + 1) + armapAt(i + 1, j + 1);
      if (east) A += areaOf(a.e);
      if (north) A += areaOf(a.n);
      if (east && north) A += areaOf(a.ne);
      break;
    case 4:
      A = armapAt(i - 1, j) + armapAt(i, j) + armapAt(i - 1, j + 1) + armapAt(i, j + 1);
      if (west) A += areaOf(a.w);
      if (north) A += areaOf(a.n);
      if (west && north) A += areaOf(a.nw);
      break;
    case 1:
      A = armapAt(i - 1, j - 1) + armapAt(i, j - 1) + armapAt(i - 1, j) + armapAt(i, j);
      if (west) A += areaOf(a.w);
      if (south) A += areaOf(a.s);
      if (west && south) A += areaOf(a.sw);
      break;
    default:
      A = armapAt(i, j - 1) + armapAt(i + 1, j - 1) + armapAt(i, j) + armapAt(i + 1, j);
      if (east) A += areaOf(a.e);
      if (south) A += areaOf(a.s);
      if (east && south) A += areaOf(a.se);
      break;
  }
  return A;
}

Corner cornerOf(int k, int i, int j) {
  switch (k) {
    case 1: return {i - 1, j - 1};
    case 2: return {i, j - 1};
    case 3: return {i, j};
    default: return {i - 1, j};
  }
}

// The four pairs of a column: corners and whether crit runs along i.
constexpr int Pairs[4][2] = {{3, 4}, {1, 2}, {4, 1}, {3, 2}};

// One size: the pair is cut back to crit, volume kept by the corner areas;
// the higher corner stops at the non-erodible bed and the lower one then
// rises by the same volume.
void onePair(int p, int i, int j, int c, const BlockRecord& B, const Around& a) {
  const double crit = 2.0 * (p < 2 ? Cidist[c] : Cjdist[c]) * AngleAvalanche;
  int kH = Pairs[p][0], kL = Pairs[p][1];
  Corner H = cornerOf(kH, i, j), L = cornerOf(kL, i, j);
  if (zval[H.i][H.j][1] < zval[L.i][L.j][1]) {
    std::swap(H, L);
    std::swap(kH, kL);
  }
  const double excess = zval[H.i][H.j][1] - zval[L.i][L.j][1] - crit;
  if (!(excess > 0.0)) return;
  const double AH = cornerArea(kH, i, j, B, a), AL = cornerArea(kL, i, j, B, a);
  if (!(AH > 0.0) || !(AL > 0.0)) return;
  double down = excess * AL / (AH + AL);
  down = std::min(down, zval[H.i][H.j][1] - Surfaces[3][H.i][H.j]);
  if (!(down > 0.0)) return;
  const double up = down * AH / AL;
  zval[H.i][H.j][1] -= down;
  zval[L.i][L.j][1] += up;
  Surfaces[1][H.i][H.j] -= down;
  Surfaces[1][L.i][L.j] += up;
}

// Several sizes: the bed cells of the columns around the pair for
// m_updatebed, and the move of half the excess over crit.
void severalPair(int p, int i, int j, int c, const Around& a) {
  const double crit = 2.0 * (p < 2 ? Cidist[c] : Cjdist[c]) * AngleAvalanche;
  // Shared column, the two around P only, the two around Q only.
  int shared, p1, p2, q1, q2;
  switch (p) {
    case 0: shared = a.n, p1 = a.e, p2 = a.ne, q1 = a.w, q2 = a.nw; break;
    case 1: shared = a.s, p1 = a.w, p2 = a.sw, q1 = a.e, q2 = a.se; break;
    case 2: shared = a.w, p1 = a.n, p2 = a.nw, q1 = a.s, q2 = a.sw; break;
    default: shared = a.e, p1 = a.n, p2 = a.ne, q1 = a.s, q2 = a.se; break;
  }
  Corner P = cornerOf(Pairs[p][0], i, j), Q = cornerOf(Pairs[p][1], i, j);
  const bool pHigh = zval[P.i][P.j][1] >= zval[Q.i][Q.j][1];
  const Corner H = pHigh ? P : Q, L = pHigh ? Q : P;
  const double h = (std::fabs(zval[H.i][H.j][1] - zval[L.i][L.j][1]) - crit) * 0.5;
  if (!(h > 0.0)) return;
  const double dz = std::min(h, zval[H.i][H.j][1] - Surfaces[3][H.i][H.j]);
  if (!(dz > 1e-12)) return;
  const int b1 = bedOf(c), b2 = bedOf(shared);
  const int h1 = bedOf(pHigh ? p1 : q1), h2 = bedOf(pHigh ? p2 : q2);
  const int l1 = bedOf(pHigh ? q1 : p1), l2 = bedOf(pHigh ? q2 : p2);
  if (b1 == 0) return;
  m_updatebed(b1, b2, h1, h2, l1, l2, H.i, H.j, L.i, L.j, dz);
}

// Fractions of the sediment in AvalMove, for the receiving columns.
double Moved[51];

}  // namespace

void m_shave(int b, double d) {
  if (b < 1 || !(d > 0.0)) return;
  const int N = sizeCount();
  double*** S = BSedDistrib;
  const double T1 = S[1][0][b], T0 = S[0][0][b];
  const double taken = std::min(d, std::max(T1, 0.0));
  if (N >= 1)
    for (int k = 1; k <= N; ++k) AvalMove[k] += S[1][k][b] * taken * Barea[b];
  // The top layer keeps its thickness and is refilled from the layer below
  // by as much as that layer holds.
  const double refill = std::min(taken, std::max(T0, 0.0));
  const double top = T1 - taken + refill;
  if (N >= 1 && top > 0.0)
    for (int k = 1; k <= N; ++k) S[1][k][b] = (S[1][k][b] * (T1 - taken) + S[0][k][b] * refill) / top;
  S[1][0][b] = top;
  S[0][0][b] = T0 > refill ? T0 - refill : 0.0;
}

void m_rise(int b, double d) {
  if (b < 1 || !(d > 0.0)) return;
  const int N = sizeCount();
  double*** S = BSedDistrib;
  const double T1 = S[1][0][b], T0 = S[0][0][b];
  const double a = std::clamp(TopThick - T1, 0.0, d), rest = d - a;
  for (int k = 1; k <= N; ++k) {
    if (a > 0.0) S[1][k][b] = (S[1][k][b] * T1 + Moved[k] * a) / (T1 + a);
    if (rest > 0.0) S[0][k][b] = (S[0][k][b] * T0 + Moved[k] * rest) / (T0 + rest);
  }
  S[1][0][b] = T1 + a;
  S[0][0][b] = T0 + rest;
}

void m_updatebed(int b1, int b2, int b3, int b4, int b5, int b6, int iH, int jH, int iL, int jL, double dz) {
  const int N = sizeCount();
  double A = 0.0;
  for (int b : {b1, b2, b5, b6})
    if (b > 0) A += Barea[b];
  // Without area to receive it nothing can move.
  if (!(A > 0.0)) return;
  zval[iH][jH][1] -= dz;
  Surfaces[1][iH][jH] -= dz;
  for (int k = 0; k <= 50; ++k) AvalMove[k] = 0.0;
  for (int b : {b1, b2, b3, b4})
    if (b > 0) m_shave(b, 0.25 * dz);
  double V = 0.0;
  for (int k = 1; k <= N; ++k) V += AvalMove[k];
  AvalMove[0] = V;
  zval[iL][jL][1] += 4.0 * V / A;
  Surfaces[1][iL][jL] += 4.0 * V / A;
  for (int k = 1; k <= N; ++k) Moved[k] = V > 0.0 ? AvalMove[k] / V : 0.0;
  for (int k = 1; k <= N; ++k) AvalMove[k] /= 4.0 * A + 1e-20;
  // Each receiving column takes its share of the moved volume, so that every
  // size keeps its volume.
  for (int b : {b1, b2, b5, b6})
    if (b > 0) m_rise(b, V / A);
}

void computeSandSlide() {
  if (IterAvalanche >= 200 && IterAvalanche <= 207) {
    slideMethod(IterAvalanche);
    return;
  }
  if (IterAvalanche <= 0) return;
  const bool one = lnumber == 1;
  if (!one && !(lnumber >= 2 && FlagTSC <= 2)) return;
  if (!zval || !Surfaces || !Cidist || !Cjdist || !Cbed) return;
  if (!one && (!BSedDistrib || NoBedLayers < 2)) return;
  TopThick = activeThickness();
  Cbed[0] = 0;
  for (int sweep = 0; sweep < IterAvalanche; ++sweep)
    for (int n = 1; n <= NoBlocks && n < 100; ++n) {
      const BlockRecord& B = block[n];
      if (!slideBlock(B)) continue;
      for (int i = std::max(B.i1, 1); i <= std::min(B.i2, xnumber + 1); ++i)
        for (int j = std::max(B.j1, 1); j <= std::min(B.j2, ynumber + 1); ++j) {
          const int c = columnCell(i, j);
          if (c == 0) continue;
          const Around a(c);
          for (int p = 0; p < 4; ++p) {
            if (one)
              onePair(p, i, j, c, B, a);
            else
              severalPair(p, i, j, c, a);
          }
        }
    }
}
