// The local refinement block of F 130: the water columns of the window and one
// ring around them are taken out of the coarse grid and replaced by a nested
// block three times finer in both plan directions, placed in the block grid
// north of the last block. Along the outer ring of the fine block one fine
// column in three stays open and is stretched so that its outer face is one
// coarse face; at the four corners two fine points sit on the coarse corner
// point and are recorded as coinciding. The cells are made afterwards by the
// vertical distribution, and Connect joins fine and coarse columns.
#include <algorithm>

#include "grid/generate.h"
#include "state/log.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

constexpr int MaxConnectRecords = static_cast<int>(sizeof conn / sizeof conn[0]);

struct Window {
  int i1, i2, j1, j2;
};

// The fine window of a refined block placed after block `previous`.
Window fineWindow(int previous) {
  const int base = block[previous].j2;
  return {2, 3 * (TetI2 - TetI1) + 10, base + 2, base + 3 * (TetJ2 - TetJ1) + 10};
}

// A block made by an earlier build for the same window: its record is reused,
// so that a regeneration neither appends a block nor adds coinciding points.
int earlierRefinedBlock() {
  for (int b = 2; b <= NoBlocks && b < 100; ++b) {
    const BlockRecord& r = block[b];
    const Window w = fineWindow(b - 1);
    if (r.kind == 0 && r.nestLevel == 2 && r.refSearch == 1 && r.field14 == 1 && r.field15 == 0 && r.subBed == 0 &&
        r.i1 == w.i1 && r.i2 == w.i2 && r.j1 == w.j1 && r.j2 == w.j2)
      return b;
  }
  return 0;
}

// Everything the routine writes must fit before anything is written.
void refuseUnfitWindow(const Window& w, bool appends) {
  if (NoBlocks < 1) fatal(2, "Error: the F 130 refinement needs a block to refine\n");
  const BlockRecord& b1 = block[1];
  if (TetI1 < 2 || TetI2 < TetI1 || TetJ1 < 2 || TetJ2 < TetJ1 || TetI1 - 2 < b1.i1 - 1 || TetI2 + 1 > b1.i2 ||
      TetJ1 - 2 < b1.j1 - 1 || TetJ2 + 1 > b1.j2)
    fatal(2, "Error: the F 130 window %d %d %d %d with its ring lies outside block 1 (%d..%d, %d..%d)\n", TetI1, TetI2,
          TetJ1, TetJ2, b1.i1, b1.i2, b1.j1, b1.j2);
  if (w.i2 >= xnumber)
    fatal(2, "Error: the F 130 refined block needs %d columns in i: increase 1st integer on G 1 data set\n", w.i2 + 1);
  if (w.j2 >= ynumber)
    fatal(2, "Error: the F 130 refined block needs %d columns in j: increase 2nd integer on G 1 data set\n", w.j2 + 1);
  if (appends && NoBlocks + 1 >= 100) fatal(2, "Error: no room for the F 130 refined block among the 99 blocks\n");
  if (appends && NoConnect + 12 > MaxConnectRecords)
    fatal(2, "Error: the F 130 refined block needs 12 connection records, %d of %d are in use\n", NoConnect,
          MaxConnectRecords);
}

struct PointValue {
  double x, y, z;
};

PointValue coarse(int a, int b) { return {xval[a][b], yval[a][b], zval[a][b][1]}; }

void put(int u, int v, const PointValue& p) {
  xval[u][v] = p.x;
  yval[u][v] = p.y;
  zval[u][v][1] = p.z;
}

PointValue mix(double wa, const PointValue& a, double wb, const PointValue& b) {
  return {wa * a.x + wb * b.x, wa * a.y + wb * b.y, wa * a.z + wb * b.z};
}

PointValue fine(int u, int v) { return {xval[u][v], yval[u][v], zval[u][v][1]}; }

// Fine line of coarse line a (i) and b (j).
int fineI(int a) { return 1 + 3 * (a - (TetI1 - 2)); }
int fineJ(int b, const Window& w) { return w.j1 - 1 + 3 * (b - (TetJ1 - 2)); }

void interpolatePoints(const Window& w) {
  for (int a = TetI1 - 2; a <= TetI2; ++a)
    for (int b = TetJ1 - 2; b <= TetJ2; ++b) {
      const int p = fineI(a), q = fineJ(b, w);
      const PointValue p00 = coarse(a, b), p10 = coarse(a + 1, b), p01 = coarse(a, b + 1), p11 = coarse(a + 1, b + 1);
      put(p, q, p00);
      put(p + 1, q, mix(0.66667, p00, 0.33333, p10));
      put(p + 2, q, mix(0.33333, p00, 0.66667, p10));
      put(p, q + 1, mix(0.66667, p00, 0.33333, p01));
      put(p, q + 2, mix(0.33333, p00, 0.66667, p01));
      put(p + 2, q + 2, mix(0.33333, fine(p, q + 2), 0.66667, mix(0.33333, p10, 0.66667, p11)));
      put(p + 2, q + 1, mix(0.5, fine(p + 2, q), 0.5, fine(p + 2, q + 2)));
      put(p + 1, q + 2, mix(0.5, fine(p, q + 2), 0.5, fine(p + 2, q + 2)));
      put(p + 1, q + 1, mix(0.5, fine(p, q + 1), 0.5, fine(p + 2, q + 1)));
    }
}

void outblockColumns(const Window& w) {
  for (int i = TetI1 - 1; i <= TetI2 + 1; ++i)
    for (int j = TetJ1 - 1; j <= TetJ2 + 1; ++j) bedOutBlock[i][j] = 1;
  for (int i = w.i1; i <= w.i2; ++i)
    for (int j = w.j1; j <= w.j2; ++j) bedOutBlock[i][j] = 1;
  for (int i = w.i1 + 1; i <= w.i2 - 1; ++i)
    for (int j = w.j1 + 1; j <= w.j2 - 1; ++j) bedOutBlock[i][j] = 0;
  bedOutBlock[w.i1 + 1][w.j1 + 1] = bedOutBlock[w.i1 + 1][w.j2 - 1] = 1;
  bedOutBlock[w.i2 - 1][w.j1 + 1] = bedOutBlock[w.i2 - 1][w.j2 - 1] = 1;
  for (int m = w.i1 + 4; m < w.i2 - 3; m += 3) bedOutBlock[m][w.j1] = bedOutBlock[m][w.j2] = 0;
  for (int m = w.j1 + 4; m < w.j2 - 3; m += 3) bedOutBlock[w.i1][m] = bedOutBlock[w.i2][m] = 0;
}

// The connector columns: the outer face of each runs along one coarse face.
void shapeConnectors(const Window& w) {
  int n = 0;
  for (int m = w.i1 + 4; m < w.i2 - 3; m += 3, ++n) {
    const int c = TetI1 - 1 + n;
    const PointValue s0 = coarse(c, TetJ1 - 2), s1 = coarse(c + 1, TetJ1 - 2);
    put(m - 1, w.j1 - 1, s0);
    put(m - 2, w.j1, s0);
    put(m, w.j1 - 1, s1);
    put(m + 1, w.j1, s1);
    const PointValue n0 = coarse(c, TetJ2 + 1), n1 = coarse(c + 1, TetJ2 + 1);
    put(m - 1, w.j2, n0);
    put(m - 2, w.j2 - 1, n0);
    put(m, w.j2, n1);
    put(m + 1, w.j2 - 1, n1);
  }
  n = 0;
  for (int m = w.j1 + 4; m < w.j2 - 3; m += 3, ++n) {
    const int c = TetJ1 - 1 + n;
    const PointValue w0 = coarse(TetI1 - 2, c), w1 = coarse(TetI1 - 2, c + 1);
    put(w.i1 - 1, m - 1, w0);
    put(w.i1, m - 2, w0);
    put(w.i1 - 1, m, w1);
    put(w.i1, m + 1, w1);
    const PointValue e0 = coarse(TetI2 + 1, c), e1 = coarse(TetI2 + 1, c + 1);
    put(w.i2, m - 1, e0);
    put(w.i2 - 1, m - 2, e0);
    put(w.i2, m, e1);
    put(w.i2 - 1, m + 1, e1);
  }
}

void shapeCorners(const Window& w) {
  const PointValue sw = coarse(TetI1 - 2, TetJ1 - 2), se = coarse(TetI2 + 1, TetJ1 - 2);
  const PointValue nw = coarse(TetI1 - 2, TetJ2 + 1), ne = coarse(TetI2 + 1, TetJ2 + 1);
  put(w.i1 + 1, w.j1, sw);
  put(w.i1, w.j1 + 1, sw);
  put(w.i2 - 2, w.j1, se);
  put(w.i2 - 1, w.j1 + 1, se);
  put(w.i1 + 1, w.j2 - 1, nw);
  put(w.i1, w.j2 - 2, nw);
  put(w.i2 - 2, w.j2 - 1, ne);
  put(w.i2 - 1, w.j2 - 2, ne);
}

void addConnections(const Window& w) {
  const int a1 = TetI1 - 2, a2 = TetI2 + 1, b1 = TetJ1 - 2, b2 = TetJ2 + 1;
  const int rows[12][4] = {
      {w.i1 + 1, w.j1, w.i1, w.j1 + 1},     {w.i1 + 1, w.j1, a1, b1},         {w.i1, w.j1 + 1, a1, b1},
      {w.i2 - 1, w.j2 - 2, w.i2 - 2, w.j2 - 1}, {w.i2 - 1, w.j2 - 2, a2, b2},     {w.i2 - 2, w.j2 - 1, a2, b2},
      {w.i2 - 2, w.j1, w.i2 - 1, w.j1 + 1}, {w.i2 - 2, w.j1, a2, b1},         {w.i2 - 1, w.j1 + 1, a2, b1},
      {w.i1, w.j2 - 2, w.i1 + 1, w.j2 - 1}, {w.i1, w.j2 - 2, a1, b2},         {w.i1 + 1, w.j2 - 1, a1, b2}};
  for (const auto& r : rows) {
    BlockConnection& c = conn[NoConnect++];
    c.iA = r[0];
    c.jA = r[1];
    c.iB = r[2];
    c.jB = r[3];
  }
}

}  // namespace

void UnstrucTett() {
  const int again = earlierRefinedBlock();
  const int previous = again > 0 ? again - 1 : NoBlocks;
  const Window w = fineWindow(previous < 1 ? 1 : previous);
  refuseUnfitWindow(w, again == 0);

  int n = again;
  if (n == 0) {
    n = ++NoBlocks;
    BlockRecord& r = block[n];
    r.i1 = w.i1;
    r.i2 = w.i2;
    r.j1 = w.j1;
    r.j2 = w.j2;
    r.kind = 0;
    r.nestLevel = 2;
    r.bedFlag = 1;
    r.levelCount = znumber;
    r.field14 = 1;
    r.field15 = 0;
    r.refSearch = 1;
    r.d1 = r.d2 = 0;
  }
  // The fine points follow the coarse grid of this build, whose bed may have
  // moved since the block was made.
  interpolatePoints(w);
  outblockColumns(w);
  shapeConnectors(w);
  shapeCorners(w);
  if (again == 0) addConnections(w);
}
