// The shoreline step of a generation: point moves along the block-grid edges
// (UnstrucHorMove), the triangulation of corners that reach into dry land
// (F 493) with the triangle codes, the pair and triple codes
// (setCorrTrekant), and the inflow edge put back on its grid lines
// (FixInflowCells). Every routine works on the finished topology and moves
// existing points only; points are shared by all cells that use them, so a
// move holds for every column that meets at the point.
#include "grid/shoreline.h"

#include <algorithm>
#include <cmath>

#include "grid/generate.h"
#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/arrays_optional.h"
#include "state/blockgrid.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"

namespace {

// Corner k (1..8) of cell c: 1..4 the bottom corners at the grid lines
// (i-1, j-1), (i, j-1), (i, j), (i-1, j), 5..8 above them.
int corner(int k, int c) {
  int* const p[9] = {nullptr, Cpoint1, Cpoint2, Cpoint3, Cpoint4, Cpoint5, Cpoint6, Cpoint7, Cpoint8};
  if (!cellInGrid(c)) return 0;
  const int q = p[k][c];
  return q >= 1 && q <= NoPoints ? q : 0;
}

// Coordinates of a point; the dummy point 0 reads and takes nothing.
double zOf(int p) { return p ? Pz[p] : 0.0; }
void setXY(int p, double x, double y) {
  if (!p) return;
  Px[p] = x;
  Py[p] = y;
}
void setZ(int p, double z) {
  if (p) Pz[p] = z;
}

// Neighbour of c through a neighbour array, 0 for none or a broken link.
int nb(const int* a, int c) { return cellInGrid(c) && cellInGrid(a[c]) ? a[c] : 0; }

// One wet column (i, j) as the routines see it before they change anything.
struct Column {
  int i = 0, j = 0, c = 0;
  int gi[5] = {}, gj[5] = {};  // grid line of corner k
  double d[5] = {};            // depth of corner k
  bool singleCell() const { return cellAbove(c) == 0; }
  double gx(int k) const { return xval[gi[k]][gj[k]]; }
  double gy(int k) const { return yval[gi[k]][gj[k]]; }
  double waterAt(int k) const { return zval[gi[k]][gj[k]][znumber]; }
};

double lineDepth(int i, int j) { return zval[i][j][znumber] - zval[i][j][1]; }

bool gridLine(int i, int j) { return i >= 0 && j >= 0 && i <= xnumber + 1 && j <= ynumber + 1; }

Column columnAt(int i, int j) {
  Column k;
  k.i = i;
  k.j = j;
  k.c = lowestCellOf(i, j);
  const int di[5] = {0, -1, 0, 0, -1}, dj[5] = {0, -1, -1, 0, 0};
  for (int q = 1; q <= 4; ++q) {
    k.gi[q] = i + di[q];
    k.gj[q] = j + dj[q];
    k.d[q] = lineDepth(k.gi[q], k.gj[q]);
  }
  return k;
}

// Wet columns of the blocks other than the depth-averaged ones, j outer and
// i inner, over the window the routine visits. A column counts when it has
// cells (ant) and its lowest cell is in the grid.
enum class Visit { All, Interior, InnerI };

template <typename F>
void forWetColumns(Visit v, F visit) {
  if (!zval || !ant) return;
  for (int b = 1; b <= NoBlocks && b < 100; ++b) {
    const BlockRecord& B = block[b];
    if (B.kind == 1) continue;
    const int ia = std::max(v == Visit::All ? B.i1 : B.i1 + 1, 1);
    const int ib = std::min(v == Visit::All ? B.i2 : B.i2 - 1, xnumber);
    const int ja = std::max(v == Visit::Interior ? B.j1 + 1 : B.j1, 1);
    const int jb = std::min(v == Visit::Interior ? B.j2 - 1 : B.j2, ynumber);
    for (int j = ja; j <= jb; ++j)
      for (int i = ia; i <= ib; ++i) {
        if (ant[i][j] <= 0 || lowestCellOf(i, j) == 0) continue;
        Column col = columnAt(i, j);
        visit(B, col);
      }
  }
}

// Calls visit(x) for every cell of the column of c, from c upward.
template <typename F>
void upColumn(int c, F visit) {
  forColumnUp(c, visit);
}

// Corner k of c takes (x, y), and so does the point above corner k in every
// cell of the column.
void moveCornerXY(int c, int k, double x, double y) {
  setXY(corner(k, c), x, y);
  upColumn(c, [&](int x2) { setXY(corner(k + 4, x2), x, y); });
}

// The points of each vertical corner line of the column of c stay in order
// from the bed up: a move that brought a lower point above the one over it
// (a snapped bed point, a raised corner) lifts the points above to it, so
// that no cell turns inside out.
void keepCornerOrder(int c) {
  upColumn(c, [](int x) {
    for (int k = 1; k <= 4; ++k) {
      const int lo = corner(k, x), hi = corner(k + 4, x);
      if (lo && hi && Pz[hi] < Pz[lo]) Pz[hi] = Pz[lo];
    }
  });
}

// Wet and dry neighbour columns by the lowest cell in zval (pointcell for the
// grids of the second generator where the routine says so).
bool wet(int i, int j) { return lowestCellOf(i, j) > 0; }
bool dryByPointcell(int i, int j) {
  if (pointcell) return !gridLine(i, j) || i > xnumber || j > ynumber || pointcell[i][j] == 0;
  return !wet(i, j);
}
bool noCells(int i, int j) { return !gridLine(i, j) || ant[i][j] == 0; }

// Offsets of the three columns around corner k of column (i, j), and of the
// two side columns (the first two) and the diagonal one (the third).
struct Around {
  int di[3], dj[3];
};
constexpr Around kAround[5] = {{{0, 0, 0}, {0, 0, 0}},
                               {{0, -1, -1}, {-1, 0, -1}},   // 1: S, W, SW
                               {{0, 1, 1}, {-1, 0, -1}},     // 2: S, E, SE
                               {{0, 1, 1}, {1, 0, 1}},       // 3: N, E, NE
                               {{0, -1, -1}, {1, 0, 1}}};    // 4: N, W, NW

template <typename Dry>
bool threeDry(const Column& col, int k, Dry dry) {
  for (int q = 0; q < 3; ++q)
    if (!dry(col.i + kAround[k].di[q], col.j + kAround[k].dj[q])) return false;
  return true;
}

// Adjacent and diagonal corners.
constexpr int kAdjA[5] = {0, 2, 1, 2, 1}, kAdjB[5] = {0, 4, 3, 4, 3}, kDiag[5] = {0, 3, 4, 1, 2};

// 0.4 x adjacent + 0.2 x own + 0.4 x other adjacent, from the current points.
void blendTowardAdjacent(int c, int k, double& x, double& y) {
  const int a = corner(kAdjA[k], c), b = corner(kAdjB[k], c), p = corner(k, c);
  x = 0.4 * (a ? Px[a] : 0) + 0.2 * (p ? Px[p] : 0) + 0.4 * (b ? Px[b] : 0);
  y = 0.4 * (a ? Py[a] : 0) + 0.2 * (p ? Py[p] : 0) + 0.4 * (b ? Py[b] : 0);
}

// ---- UnstrucHorMove ----

struct EdgeMove {
  int a, b;          // corner A moves toward corner B
  int wdi, wdj;      // the wet column across the edge
  int d1i, d1j, d2i, d2j;  // the two dry columns beyond the corner
  int x;             // point X of c (F 235 15)
};
constexpr EdgeMove kEdgeMoves[8] = {
    {1, 4, -1, 0, 0, -1, -1, -1, 8}, {2, 3, 1, 0, 0, -1, 1, -1, 7},  {4, 1, -1, 0, 0, 1, -1, 1, 5},
    {3, 2, 1, 0, 0, 1, 1, 1, 6},     {1, 2, 0, -1, -1, 0, -1, -1, 6}, {4, 3, 0, 1, -1, 0, -1, 1, 7},
    {2, 1, 0, -1, 1, 0, 1, -1, 5},   {3, 4, 0, 1, 1, 0, 1, 1, 8}};

void edgeMoves(const Column& col, double h) {
  bool wetAt[3][3];
  for (int a = -1; a <= 1; ++a)
    for (int b = -1; b <= 1; ++b) wetAt[a + 1][b + 1] = wet(col.i + a, col.j + b);
  for (const EdgeMove& m : kEdgeMoves) {
    const double dA = col.d[m.a], dB = col.d[m.b];
    if (!(dA < h && h < dB)) continue;
    if (!wetAt[m.wdi + 1][m.wdj + 1] || wetAt[m.d1i + 1][m.d1j + 1] || wetAt[m.d2i + 1][m.d2j + 1]) continue;
    const double f = std::min(DistGridHoriz, (h - dA) / (dB - dA));
    const double x = (1.0 - f) * col.gx(m.a) + f * col.gx(m.b), y = (1.0 - f) * col.gy(m.a) + f * col.gy(m.b);
    moveCornerXY(col.c, m.a, x, y);
    if (FlagCorrTrekant == 15) {
      const double zx = zOf(corner(m.x, col.c));
      upColumn(col.c, [&](int cell) {
        const int p = corner(m.a, cell);
        if (p) Pz[p] = std::min(Pz[p], zx);
      });
    }
  }
}

// Corner A of c takes the current plan position of corner B.
void collapseOnto(int c, int a, int b) {
  const int p = corner(b, c);
  if (p) moveCornerXY(c, a, Px[p], Py[p]);
}

void collapseShallowEdges(const Column& col) {
  const double M = MinVertDist0;
  const int i = col.i, j = col.j, c = col.c;
  const double* d = col.d;
  auto W = [&](int a, int b) { return wet(i + a, j + b); };
  if (d[1] < M && d[4] < M && W(-1, 0)) {
    if (!W(0, -1) && !W(-1, -1) && W(0, 1) && W(-1, 1))
      collapseOnto(c, 1, 4);
    else if (!W(0, 1) && !W(-1, 1) && W(0, -1) && W(-1, -1))
      collapseOnto(c, 4, 1);
  }
  if (d[2] < M && d[3] < M && W(1, 0)) {
    if (!W(0, -1) && !W(1, -1) && W(0, 1) && W(1, 1))
      collapseOnto(c, 2, 3);
    else if (!W(0, 1) && !W(1, 1) && W(0, -1) && W(1, -1))
      collapseOnto(c, 3, 2);
  }
  if (d[1] < M && d[2] < M && W(0, -1)) {
    if (!W(-1, 0) && !W(-1, -1) && W(1, 0) && W(1, -1))
      collapseOnto(c, 1, 2);
    else if (!W(1, 0) && !W(1, -1) && W(-1, 0) && W(-1, -1))
      collapseOnto(c, 2, 1);
  }
  if (d[4] < M && d[3] < M && W(0, 1)) {
    if (!W(-1, 0) && !W(-1, 1) && W(1, 0) && W(1, 1))
      collapseOnto(c, 4, 3);
    else if (!W(1, 0) && !W(1, 1) && W(-1, 0) && W(-1, 1))
      collapseOnto(c, 3, 4);
  }
}

// ---- UnstrucTriangular ----

// The eight neighbour cells of a column: s, w, e, n and the diagonal ones.
struct Neighbours {
  int s, w, e, n, sw, se, ne, nw;
  bool missing(int k) const {
    switch (k) {
      case 1: return s == 0 && sw == 0 && w == 0;
      case 2: return s == 0 && se == 0 && e == 0;
      case 3: return n == 0 && ne == 0 && e == 0;
      default: return n == 0 && nw == 0 && w == 0;
    }
  }
};

Neighbours neighboursOf(const Column& col) {
  Neighbours q{};
  if (FlagGridStabFix1 == 0) {
    const int r = TopBed == 1 ? columnTopCell(col.c) : col.c;
    q.s = nb(Ccells, r);
    q.w = nb(Ccellw, r);
    q.e = nb(Ccelle, r);
    q.n = nb(Ccelln, r);
    q.sw = nb(Ccells, q.w) ? nb(Ccells, q.w) : nb(Ccellw, q.s);
    q.se = nb(Ccells, q.e) ? nb(Ccells, q.e) : nb(Ccelle, q.s);
    q.ne = nb(Ccelln, q.e) ? nb(Ccelln, q.e) : nb(Ccelle, q.n);
    q.nw = nb(Ccelln, q.w) ? nb(Ccelln, q.w) : nb(Ccellw, q.n);
  } else {
    const int i = col.i, j = col.j;
    q.s = lowestCellOf(i, j - 1);
    q.w = lowestCellOf(i - 1, j);
    q.e = lowestCellOf(i + 1, j);
    q.n = lowestCellOf(i, j + 1);
    q.sw = lowestCellOf(i - 1, j - 1);
    q.se = lowestCellOf(i + 1, j - 1);
    q.ne = lowestCellOf(i + 1, j + 1);
    q.nw = lowestCellOf(i - 1, j + 1);
  }
  return q;
}

// The corner the default algorithm treats: the first whose surrounding
// neighbours are missing, when both its adjacent corners are shallower than
// h; 0 when there is none.
int treatedCorner(const Column& col, const Neighbours& q, double h) {
  for (int k = 1; k <= 4; ++k) {
    if (!q.missing(k)) continue;
    return col.d[kAdjA[k]] < h && col.d[kAdjB[k]] < h ? k : 0;
  }
  return 0;
}

double plan(int p, int r) {
  if (!p || !r) return 0.0;
  return std::hypot(Px[p] - Px[r], Py[p] - Py[r]);
}

// The adjacent corner a snapped corner takes when both are equally near.
constexpr int kSnapTie[5] = {0, 4, 3, 4, 1};

void snapOrPull(const Column& col, int k, double h) {
  const int c = col.c, p = corner(k, c);
  if (!p) return;
  if (col.d[k] < 0.0 || FlagCorrTrekant2 > 0) {
    const int tie = kSnapTie[k], other = tie == kAdjA[k] ? kAdjB[k] : kAdjA[k];
    const int pt = corner(tie, c), po = corner(other, c);
    const int target = po && plan(p, po) < plan(p, pt) ? po : pt;
    if (!target) return;
    Px[p] = Px[target];
    Py[p] = Py[target];
    Pz[p] = Pz[target];
  } else {
    const double m = std::min(col.d[kAdjA[k]], col.d[kAdjB[k]]), q = m / h;
    const double w = q <= 0.5 ? 0.45 : 0.9 * q;
    const int dg = corner(kDiag[k], c);
    if (!dg) return;
    Px[p] = w * Px[p] + (1.0 - w) * Px[dg];
    Py[p] = w * Py[p] + (1.0 - w) * Py[dg];
  }
}

// The heights of a treated corner by F 245 3rd value: 1 collapses its
// vertical line to the surface with the lowest cell at most h thick, 2 shares
// the last h below the surface evenly between the cells of the corner.
void cornerHeights(const Column& col, int k, double h) {
  const int c = col.c;
  double zt = zOf(corner(k + 4, columnTopCell(c)));
  if (FlagCorrTrekant3 == 1) {
    setZ(corner(k + 4, c), zt);
    if (const int p = corner(k, c)) Pz[p] = std::max(Pz[p], zt - h);
    for (int x = cellAbove(c), n = 0; x && n < NoCells; x = cellAbove(x), ++n) {
      setZ(corner(k, x), zt);
      setZ(corner(k + 4, x), zt);
    }
  } else if (FlagCorrTrekant3 == 2) {
    const int cells = std::max(ant[col.i][col.j], 1);
    double z = zt - h;
    upColumn(c, [&](int x) {
      setZ(corner(k, x), z);
      z += h / cells;
      setZ(corner(k + 4, x), z);
    });
  }
}

// z of corner k of c limited to the point above it in c less dz.
void lowerBelowAbove(int c, int k, double dz) {
  const int p = corner(k, c), a = corner(k + 4, c);
  if (p && a) Pz[p] = std::min(Pz[p], Pz[a] - dz);
}

void codeAdjustments(const Column& col, int k, double h) {
  const int c = col.c;
  if (FlagCorrTrekant == 14) {
    lowerBelowAbove(c, kAdjA[k], h);
    lowerBelowAbove(c, kAdjB[k], h);
    lowerBelowAbove(c, kDiag[k], 2.0 * h);
  } else if (FlagCorrTrekant == 15) {
    double top = 0.0;
    bool any = false;
    for (int q = 5; q <= 8; ++q)
      if (const int p = corner(q, c)) {
        top = any ? std::min(top, Pz[p]) : Pz[p];
        any = true;
      }
    if (!any) return;
    setZ(corner(k + 4, c), top);
    if (const int p = corner(k, c)) Pz[p] = std::min(Pz[p], top);
    lowerBelowAbove(c, kDiag[k], Croughness ? Croughness[c] : 0.0);
  }
}

// The outward grid lines of corner k (F 235 17).
constexpr int kOutI[5][3] = {{0, 0, 0}, {-2, -1, -2}, {1, 0, 1}, {1, 1, 0}, {-2, -1, -2}};
constexpr int kOutJ[5][3] = {{0, 0, 0}, {-2, -2, -1}, {-2, -2, -1}, {1, 0, 1}, {1, 1, 0}};

void roughCorner(const Column& col) {
  const int c = col.c;
  const double* d = col.d;
  const double rough = Croughness ? Croughness[c] : 0.0;
  double S = 0.0;
  for (int k = 1; k <= 4; ++k) S += std::max(d[k], 0.0);
  const double ks = std::max(XksWall, rough);
  if (!(0.25 * S < ks)) return;
  int best = 1;
  double deepest = std::max(d[1], 0.0);
  for (int k = 2; k <= 4; ++k)
    if (d[k] > deepest) {
      deepest = d[k];
      best = k;
    }
  if (best == 1 && !(d[1] > 0.0)) return;
  lowerBelowAbove(c, best, 0.2 * rough);
}

void outwardCorners(const Column& col, double h) {
  const double* d = col.d;
  if (!(std::min({d[1], d[2], d[3], d[4]}) < 0.0)) return;
  for (int k = 1; k <= 4; ++k) {
    if (!(d[k] > h)) continue;
    int n = 0;
    double D = 0.0;
    for (int q = 0; q < 3; ++q) {
      const int i = col.i + kOutI[k][q], j = col.j + kOutJ[k][q];
      if (!gridLine(i, j) || antlin[i][j] <= 1) continue;
      ++n;
      D += lineDepth(i, j);
    }
    const double dz = std::min(d[k] - D / (n + 0.5), 0.0);
    if (dz == 0.0) continue;
    const double m = std::max(antlin[col.gi[k]][col.gj[k]], ant[col.i][col.j]);
    int t = 0;
    upColumn(col.c, [&](int x) {
      if (const int p = corner(k, x)) Pz[p] += (1.0 - t / m) * dz;
      ++t;
    });
  }
}

void stabilityCorners(const Column& col, const Neighbours& q) {
  const double M = MinVertDist0;
  const double* d = col.d;
  const int c = col.c;
  auto drop = [&](int k) {
    const int p = corner(k, c), a = corner(k + 4, c);
    if (p && a) Pz[p] = Pz[a] - M;
  };
  if (q.e == 0 && q.n == 0 && d[1] < M && d[2] < M && d[4] < M) drop(3);
  if (q.s == 0 && q.w == 0 && d[2] < M && d[3] < M && d[4] < M) drop(1);
  if (q.s == 0 && q.e == 0 && d[1] < M && d[3] < M && d[4] < M) drop(2);
  if (q.w == 0 && q.n == 0 && d[1] < M && d[2] < M && d[3] < M) drop(4);
}

}  // namespace

double shorelineDepthLimit() {
  switch (FlagMinLevUnstruc) {
    case 0: return 0.0;
    case 1: case 4: return MinVertDist0;
    case 3: return MinVertDist1;
    default: return FlagMinLevUnstruc > 0 ? 0.5 * MinVertDist0 : 0.0;
  }
}

void UnstrucHorMove() {
  if (NoBlocks < 1 || !zval) return;
  const double h = shorelineDepthLimit();
  if (FlagMinLevUnstruc == 2)
    for (int b = 1; b <= NoBlocks && b < 100; ++b) {
      const BlockRecord& B = block[b];
      if (B.kind == 1) continue;
      for (int i = std::max(B.i1 - 1, 0); i <= std::min(B.i2 - 1, xnumber + 1); ++i)
        for (int j = std::max(B.j1, 0); j <= std::min(B.j2, ynumber + 1); ++j)
          zval[i][j][znumber] = std::max(zval[i][j][znumber], zval[i][j][1] + MinVertDist0);
    }
  forWetColumns(Visit::All, [&](const BlockRecord&, const Column& col) {
    edgeMoves(col, h);
    if (FlagGridStab5 == 6) collapseShallowEdges(col);
  });
}

void FixInflowCells() {
  if (NoBlocks < 1 || !zval) return;
  const BlockRecord& B = block[1];
  const int ie = B.i1 - 1;
  if (ie < 0 || B.i1 > xnumber) return;
  for (int g = 1; g <= 9; ++g) {
    const DischargeGroup& G = DischargeStruct[g];
    if (G.inflow != 1) continue;
    const int points = std::min(G.xyno, MaxGroupPoints);
    for (int p = 0; p < points; ++p)
      for (int j = std::max(B.j1, 1); j <= std::min(B.j2, ynumber); ++j) {
        const double xm = 0.5 * (xval[ie][j - 1] + xval[ie][j]), ym = 0.5 * (yval[ie][j - 1] + yval[ie][j]);
        if (!(std::fabs(G.x[p] - xm) + std::fabs(G.y[p] - ym) < 0.001)) continue;
        const int c = lowestCellOf(B.i1, j);
        if (c == 0) continue;
        moveCornerXY(c, 1, xval[ie][j - 1], yval[ie][j - 1]);
        moveCornerXY(c, 4, xval[ie][j], yval[ie][j]);
        if (const int s = lowestCellOf(B.i1, j - 1)) moveCornerXY(s, 4, xval[ie][j - 1], yval[ie][j - 1]);
        if (const int n = lowestCellOf(B.i1, j + 1)) moveCornerXY(n, 1, xval[ie][j], yval[ie][j]);
      }
  }
}

void UnstrucTriangular() {
  const double h = shorelineDepthLimit();
  forWetColumns(Visit::All, [&](const BlockRecord&, const Column& col) {
    const Neighbours q = neighboursOf(col);
    const int k = treatedCorner(col, q, h);
    const bool single = col.singleCell();
    if (k > 0 && (FlagCorrTrekant <= 28 || !single)) {
      snapOrPull(col, k, h);
      if (FlagCorrTrekant == 23 && single) lowerBelowAbove(col.c, kDiag[k], 3.0 * h);
      const int p = corner(k, col.c);
      if (p) moveCornerXY(col.c, k, Px[p], Py[p]);
      cornerHeights(col, k, h);
    }
    if (k > 0 && FlagCorrTrekant >= 1 && FlagCorrTrekant <= 28 && single) {
      Ctrekant[col.c] = k;
      codeAdjustments(col, k, h);
    }
    if (FlagCorrTrekant == 16) roughCorner(col);
    if (FlagCorrTrekant == 17) outwardCorners(col, h);
    if (FlagGridStab8 == 2) stabilityCorners(col, q);
    keepCornerOrder(col.c);
  });
}

void UnstrucTriangular0() {
  const double h = shorelineDepthLimit();
  constexpr int kA[5] = {0, 4, 1, 2, 3}, kB[5] = {0, 2, 3, 4, 1};
  forWetColumns(Visit::All, [&](const BlockRecord& B, const Column& col) {
    const double* d = col.d;
    bool dry3[5];
    for (int k = 1; k <= 4; ++k) dry3[k] = threeDry(col, k, [](int i, int j) { return !wet(i, j); });
    for (int k = 1; k <= 4; ++k) {
      if (!dry3[k] || !(d[k] < h)) continue;
      const int a = kA[k], b = kB[k];
      int X = 0;
      if (d[a] > h && d[b] < h) X = a;
      else if (d[a] < h && d[b] > h) X = b;
      else if (d[a] > h && d[b] > h) {
        const double la = std::hypot(col.gx(a) - col.gx(k), col.gy(a) - col.gy(k));
        const double lb = std::hypot(col.gx(b) - col.gx(k), col.gy(b) - col.gy(k));
        const int tie = k == 1 ? a : b;
        X = la < lb ? a : lb < la ? b : tie;
      }
      if (X) {
        const double f = std::min(DistGridHoriz, (h - d[k]) / (d[X] - d[k]));
        moveCornerXY(col.c, k, (1.0 - f) * col.gx(k) + f * col.gx(X), (1.0 - f) * col.gy(k) + f * col.gy(X));
      } else if (d[a] < h && d[b] < h && FlagMinLevCorner > 0 && !(col.i == B.i1 && col.j == B.j1)) {
        double x = 0.5 * (col.gx(a) + col.gx(b)), y = 0.5 * (col.gy(a) + col.gy(b));
        if (FlagMinLevCorner != 1) {
          x = 0.5 * (col.gx(k) + x);
          y = 0.5 * (col.gy(k) + y);
        }
        moveCornerXY(col.c, k, x, y);
      }
    }
    if (FlagGridStab5 != 7) return;
    // Corners deeper than h beside a dry diagonal column are raised to the
    // bed point of a shallow corner of the same column.
    constexpr int kDi[5] = {0, -1, 1, 1, -1}, kDj[5] = {0, -1, -1, 1, 1};
    struct Rule { int si, sj, ref; };
    constexpr Rule kRules[5][2] = {{{0, 0, 0}, {0, 0, 0}},
                                   {{0, -1, 4}, {-1, 0, 2}},
                                   {{0, -1, 3}, {1, 0, 1}},
                                   {{0, 1, 2}, {1, 0, 4}},
                                   {{0, 1, 1}, {-1, 0, 3}}};
    for (int k = 1; k <= 4; ++k) {
      if (!(d[k] > h) || wet(col.i + kDi[k], col.j + kDj[k])) continue;
      for (const Rule& r : kRules[k]) {
        if (wet(col.i + r.si, col.j + r.sj) || !(d[r.ref] < h)) continue;
        const double zref = zOf(corner(r.ref, col.c));
        upColumn(col.c, [&](int x) {
          if (const int p = corner(k, x)) Pz[p] = std::max(Pz[p], zref);
        });
      }
    }
    keepCornerOrder(col.c);
  });
}

void UnstrucTriangular2() {
  // The weights of the block-grid positions (i-1, j-1), (i-1, j), (i, j-1),
  // (i, j) for each corner; corner 2's are not the mirror of the others.
  constexpr double kW[5][4] = {{0, 0, 0, 0},
                               {0.35, 0.25, 0.25, 0.15},
                               {0.25, 0.25, 0.35, 0.15},
                               {0.15, 0.25, 0.25, 0.35},
                               {0.25, 0.35, 0.15, 0.25}};
  const double h = shorelineDepthLimit();
  forWetColumns(Visit::Interior, [&](const BlockRecord&, const Column& col) {
    const int r = TopBed == 1 ? columnTopCell(col.c) : col.c;
    const int s = nb(Ccells, r), w = nb(Ccellw, r), e = nb(Ccelle, r), n = nb(Ccelln, r);
    int k = 0;
    if (s == 0) k = w == 0 ? 1 : e == 0 ? 2 : 0;
    else if (n == 0) k = e == 0 ? 3 : w == 0 ? 4 : 0;
    if (k == 0) return;
    const int i = col.i, j = col.j;
    const double x = kW[k][0] * xval[i - 1][j - 1] + kW[k][1] * xval[i - 1][j] + kW[k][2] * xval[i][j - 1] +
                     kW[k][3] * xval[i][j];
    const double y = kW[k][0] * yval[i - 1][j - 1] + kW[k][1] * yval[i - 1][j] + kW[k][2] * yval[i][j - 1] +
                     kW[k][3] * yval[i][j];
    moveCornerXY(col.c, k, x, y);
    if (FlagCorrTrekant3 == 1) cornerHeights(col, k, h);
  });
}

namespace {

// F 493 3 and 4: the chosen corner on a grid line of one level is drawn
// between its adjacent corners and kept between the diagonal corner's bed
// point and the diagonal grid line's water level.
void triangular34(bool twoSides) {
  forWetColumns(Visit::Interior, [&](const BlockRecord&, const Column& col) {
    int k = 0;
    for (int q = 1; q <= 4 && k == 0; ++q) {
      const bool sidesDry = dryByPointcell(col.i + kAround[q].di[0], col.j + kAround[q].dj[0]) &&
                            dryByPointcell(col.i + kAround[q].di[1], col.j + kAround[q].dj[1]);
      const bool diagDry = dryByPointcell(col.i + kAround[q].di[2], col.j + kAround[q].dj[2]);
      if (sidesDry && (twoSides || diagDry)) k = q;
    }
    if (k == 0 || antlin[col.gi[k]][col.gj[k]] != 1) return;
    const int c = col.c;
    double x, y;
    blendTowardAdjacent(c, k, x, y);
    const double zd = zOf(corner(kDiag[k], c)), wl = col.waterAt(kDiag[k]);
    auto limit = [&](int p) {
      if (p) Pz[p] = std::min(std::max(Pz[p], zd), wl);
    };
    setXY(corner(k, c), x, y);
    limit(corner(k, c));
    if (UMethod2 != 0) return;
    upColumn(c, [&](int cell) {
      setXY(corner(k + 4, cell), x, y);
      limit(corner(k + 4, cell));
    });
  });
}

}  // namespace

void UnstrucTriangular3() { triangular34(false); }
void UnstrucTriangular4() { triangular34(true); }

void UnstrucTriangular5() {
  forWetColumns(Visit::InnerI, [&](const BlockRecord&, const Column& col) {
    const int c = col.c;
    for (int k = 1; k <= 4; ++k) {
      if (!threeDry(col, k, noCells) || !(antlin[col.gi[k]][col.gj[k]] < 3)) continue;
      const double D = std::max({col.d[kAdjA[k]], col.d[kAdjB[k]], col.d[kDiag[k]]});
      const double e = 0.2 * D - col.d[k];
      if (!(e > 0.0)) continue;
      const double f = D > 0.0 ? std::min(0.5, e / D) : 0.0;
      const int dg = kDiag[k];
      const double x = (1.0 - f) * col.gx(k) + f * col.gx(dg), y = (1.0 - f) * col.gy(k) + f * col.gy(dg);
      const int p = corner(k, c), above = corner(k + 4, c);
      setXY(p, x, y);
      const double wl = col.waterAt(dg);
      if (p && p == above) {
        Pz[p] = wl;
      } else if (p && above) {
        if (antlin[col.gi[k]][col.gj[k]] == 2) {
          Pz[above] = std::min(Pz[above], wl);
          Pz[p] = std::max(std::min(Pz[p], Pz[above] - MinVertDist0), Pz[above] - D);
        }
        setXY(above, x, y);
      }
    }
    keepCornerOrder(c);
  });
}

void UnstrucTriangular6() {
  const double h = shorelineDepthLimit();
  forWetColumns(Visit::All, [&](const BlockRecord&, const Column& col) {
    int k = 0;
    for (int q = 1; q <= 4 && k == 0; ++q)
      if (threeDry(col, q, [](int i, int j) { return !wet(i, j); })) k = q;
    if (k == 0) return;
    const int c = col.c;
    double x, y;
    blendTowardAdjacent(c, k, x, y);
    const int cells = std::max(ant[col.i][col.j], 1);
    double z = col.waterAt(kDiag[k]) - h;
    setXY(corner(k, c), x, y);
    upColumn(c, [&](int cell) {
      setXY(corner(k, cell), x, y);
      setZ(corner(k, cell), z);
      z += h / cells;
      setXY(corner(k + 4, cell), x, y);
      setZ(corner(k + 4, cell), z);
    });
  });
}

void setCorrTrekant() {
  if (FlagCorrTrekant < 1 || FlagCorrTrekant > 30 || !Ctrekant) return;
  auto code = [](int c) { return cellInGrid(c) ? Ctrekant[c] : 0; };
  auto mark = [](int c, int v) {
    if (cellInGrid(c)) Ctrekant[c] = v;
  };
  for (int c = 1; c <= NoCells; ++c) {
    if (Ctrekant[c] == 1) {
      const int e = nb(Ccelle, c), n = nb(Ccelln, c);
      if (code(e) == 2 && code(n) == 4) {
        mark(c, 13), mark(e, 14), mark(n, 24);
      } else if (code(e) == 2) {
        mark(c, 5), mark(e, 6);
      } else if (code(n) == 4) {
        const int ne = nb(Ccelle, n);
        if (code(ne) == 3)
          mark(c, 23), mark(n, 22), mark(ne, 21);
        else
          mark(c, 12), mark(n, 11);
      }
    } else if (Ctrekant[c] == 3) {
      const int s = nb(Ccells, c), w = nb(Ccellw, c);
      if (code(s) == 2 && code(w) == 4) {
        mark(c, 19), mark(s, 18), mark(w, 20);
      } else if (code(s) == 2) {
        const int ws = nb(Ccellw, s);
        if (code(ws) == 1)
          mark(c, 17), mark(s, 16), mark(ws, 15);
        else
          mark(c, 8), mark(s, 7);
      } else if (code(w) == 4) {
        mark(c, 9), mark(w, 10);
      }
    }
  }
}

void shorelineSteps() {
  if (!Cpoint1 || !Px || !zval || !ant) return;
  if (FlagHorMove > 0) UnstrucHorMove();
  switch (FlagTriangleAlgo) {
    case 0: UnstrucTriangular(); break;
    case 1: UnstrucTriangular0(); break;
    case 2: UnstrucTriangular2(); break;
    case 3: UnstrucTriangular3(); break;
    case 4: UnstrucTriangular4(); break;
    case 5: UnstrucTriangular5(); break;
    case 6: UnstrucTriangular6(); break;
    default: break;
  }
  if (FlagCorrTrekant >= 1 && FlagCorrTrekant <= 30) setCorrTrekant();
  if (FlagFixGrid == 1) FixInflowCells();
}
