// Levels at the open boundaries of the grid, set on the new corner levels
// before the grid is generated again.
//
// computeSurfDownstream pins the corners of the open sides of the outlet
// columns of the reference group (FlagDSO1) to GlobZRef and, by F 353,
// blends the grid lines behind the outlet towards it: 10 linearly over the
// ten lines behind each outlet column whose east side is open, 11 along a
// parabola over the last ten lines of block 1, level at the upstream end.
// It writes slot znumber only.
//
// surfaceEdge (F 187) writes both slots:
//   1        copies levels across the wet/dry borders of the updated blocks
//            (north/south before east/west);
//   2..99    pins the open sides of the outlet columns of group kSurf to the
//            reference level and raises that many grid lines behind each to
//            at least it;
//   100, 101 pins the east side of those columns and blends the four lines
//            behind it towards the reference;
//   -1       keeps the inflow of group 1 at least 1.0001 MinVertDist0 deep.
//
// An outlet column is found from a face of its group whose cell is the top
// cell of its column; its open sides are those on which its lowest cell has
// no neighbour. Every blend or raise reaches only the grid lines of the block
// that holds the column: an outlet nearer the block edge than the rule's
// reach blends over the lines there are.
#include <algorithm>
#include <cmath>

#include "solvers/columns.h"
#include "state/arrays.h"
#include "state/blockgrid.h"
#include "state/groups.h"
#include "state/options.h"
#include "state/records.h"
#include "state/runstate.h"
#include "surface/gridpoints.h"
#include "surface/surface.h"

using namespace surfacegrid;

namespace {

enum OpenSide { East, West, North, South };
constexpr OpenSide kSides[4] = {East, West, North, South};

// A boundary column: the column indices of the lowest cell of a face's top
// cell and the sides on which that cell has no neighbour.
struct BoundaryColumn {
  int i = 0, j = 0;
  int low = 0;  // lowest cell
  bool open[4] = {false, false, false, false};
  bool found = false;
};

BoundaryColumn boundaryColumn(int face) {
  BoundaryColumn col;
  const int c = groupFaceCell(face);
  if (c == 0 || Ccellt[c] != 0) return col;
  int low = c;
  forColumnDown(c, [&low](int x) { low = x; });
  const int b = Cbed[low];
  if (b < 1 || b > NoBCells) return col;
  col.i = Bkooi[b];
  col.j = Bkooj[b];
  col.low = low;
  if (!onGrid(col.i, col.j) || !onGrid(col.i - 1, col.j - 1)) return col;
  col.open[East] = Ccelle[low] == 0;
  col.open[West] = Ccellw[low] == 0;
  col.open[North] = Ccelln[low] == 0;
  col.open[South] = Ccells[low] == 0;
  col.found = true;
  return col;
}

// The two corners of a side of column (i, j).
struct Corners {
  int ia, ja, ib, jb;
};
Corners sideCorners(int i, int j, OpenSide s) {
  switch (s) {
    case East: return {i, j, i, j - 1};
    case West: return {i - 1, j, i - 1, j - 1};
    case North: return {i, j, i - 1, j};
    default: return {i, j - 1, i - 1, j - 1};
  }
}

// The faces of a group with faces; calls visit(column) for every face whose
// boundary column is found.
template <typename F>
void forBoundaryColumns(int g, F visit) {
  if (g < 1 || g > 9 || !Bkooi || !Bkooj || !Cbed) return;
  const DischargeGroup& G = DischargeStruct[g];
  const int n = groupFaceCount(G);
  for (int k = 0; k < n; ++k) {
    const BoundaryColumn col = boundaryColumn(G.face[k]);
    if (col.found) visit(col);
  }
}

// Linear blend of the lines behind an east outlet at line i: line i-k takes
// (k / L) of the level L lines upstream and the rest of the reference, with
// L = 10 or as many lines as the block holds behind i.
void blendBehindEast(int i, int j, double zref) {
  const Window w = windowOfColumn(i, j);
  const int reach = std::min(10, i - w.iLo);
  if (reach < 2) return;
  for (int p : {j, j - 1}) {
    if (!w.holds(i, p)) continue;
    const double far = zs(i - reach, p);
    for (int k = 1; k < reach; ++k) {
      const double q = static_cast<double>(k) / reach;
      zs(i - k, p) = q * far + (1.0 - q) * zref;
    }
  }
}

// F 353 11: along every grid line j of block 1 the last lines from i2 - L to
// i2 (L = 10, or as many as the block holds) follow the parabola through the
// two end levels that is level at the upstream end, over the distance along
// the grid line.
void parabolaAtEastEnd() {
  if (NoBlocks < 1) return;
  const BlockRecord& B = block[1];
  const Window w = pointWindow(B);
  const int i = B.i2;
  if (i > w.iHi || i < w.iLo) return;
  const int reach = std::min(10, i - w.iLo);
  if (reach < 2) return;
  for (int j = w.jLo; j <= w.jHi; ++j) {
    double along[11] = {0.0};  // distance from line i - reach to line i - k, k = reach..0
    for (int k = reach - 1; k >= 0; --k)
      along[k] = along[k + 1] + std::hypot(xval[i - k][j] - xval[i - k - 1][j], yval[i - k][j] - yval[i - k - 1][j]);
    const double total = along[0];
    if (!(total > 0.0)) continue;
    const double z0 = zs(i, j), zfar = zs(i - reach, j);
    for (int k = 1; k < reach; ++k) {
      const double r = along[k] / total;
      zs(i - k, j) = zfar + (z0 - zfar) * r * r;
    }
  }
}

// Rules 2..99: the corners of the open side take the level, and n lines
// behind it, at the same two positions across, rise to at least it.
void pinAndRaise(const BoundaryColumn& col, OpenSide s, int n, double z) {
  const int i = col.i, j = col.j;
  const Corners c = sideCorners(i, j, s);
  setLevel(c.ia, c.ja, z);
  setLevel(c.ib, c.jb, z);
  const Window w = windowOfColumn(i, j);
  auto raise = [&w, z](int pi, int pj) {
    if (w.holds(pi, pj) && zs(pi, pj) < z) setLevel(pi, pj, z);
  };
  for (int k = 1; k <= n; ++k) switch (s) {
      case East: raise(i - k, j), raise(i - k, j - 1); break;
      case West: raise(i + k - 1, j), raise(i + k - 1, j - 1); break;
      case North: raise(i, j - k), raise(i - 1, j - k); break;
      case South: raise(i, j + k - 1), raise(i - 1, j + k - 1); break;
    }
}

// Rules 100 and 101 behind an east outlet. The weight of the old level,
// (0.2 k)^2 on line i-k (0.04 next to the outlet, 0.64 four lines in), lies
// within 0..1, so that the lines nearer the outlet take more of the
// reference. Rule 101 blends from the level five lines in (or the farthest
// line the block holds) over the lines between. Rule 100 blends from the
// level it changes, so each position across the outlet is blended once: a
// column blends its north position, and its south one only when no outlet
// column lies south of it to blend that as its north position.
void blendEastRule(const BoundaryColumn& col, int rule, double z) {
  const int i = col.i, j = col.j;
  setLevel(i, j, z);
  setLevel(i, j - 1, z);
  const Window w = windowOfColumn(i, j);
  const int behind = i - w.iLo;
  const int south = cellInGrid(Ccells[col.low]) ? Ccells[col.low] : 0;
  const bool southOutlet = south != 0 && Ccelle[south] == 0;
  for (int p : {j, j - 1}) {
    if (!w.holds(i, p)) continue;
    if (rule == 100 && p == j - 1 && southOutlet) continue;
    if (rule == 100) {
      for (int k = 1; k <= std::min(4, behind); ++k) {
        const double q = (0.2 * k) * (0.2 * k);
        setLevel(i - k, p, q * zs(i - k, p) + (1.0 - q) * z);
      }
    } else {
      const int reach = std::min(5, behind);
      if (reach < 2) continue;
      const double far = zs(i - reach, p);
      for (int k = 1; k < reach; ++k) {
        const double q = (static_cast<double>(k) / reach) * (static_cast<double>(k) / reach);
        setLevel(i - k, p, q * far + (1.0 - q) * z);
      }
    }
  }
}

// Rule -1: a corner of the inflow stays at least 1.0001 MinVertDist0 above
// the bed.
void keepInflowDepth(int i, int j) {
  const double least = zval[i][j][1] + 1.0001 * MinVertDist0;
  if (zs(i, j) < least) setLevel(i, j, least);
  else zsCopy(i, j) = zs(i, j);
}

// Rule 1 over the grid points of one updated block.
bool hasCell(int i, int j) {
  const int c = lowestCellOf(i, j);
  if (c == 0) return false;
  const int b = Cbed[c];
  return b >= 1 && b <= NoBCells;
}
void copyAcrossBorders(const BlockRecord& B) {
  const Window w = pointWindow(B);
  for (int i = std::max(w.iLo, 1); i <= w.iHi; ++i)
    for (int j = std::max(w.jLo, 1); j <= w.jHi; ++j) {
      if (!hasCell(i, j)) continue;
      const bool n = hasCell(i, j + 1), s = hasCell(i, j - 1), e = hasCell(i + 1, j), wst = hasCell(i - 1, j);
      if (!n && s) {
        setLevel(i, j, zs(i, j - 1));
        setLevel(i - 1, j, zs(i - 1, j - 1));
      } else if (n && !s) {
        setLevel(i, j - 1, zs(i, j));
        setLevel(i - 1, j - 1, zs(i - 1, j));
      } else if (!e && wst) {
        setLevel(i, j, zs(i - 1, j));
        setLevel(i, j - 1, zs(i - 1, j - 1));
      } else if (e && !wst) {
        setLevel(i - 1, j, zs(i, j));
        setLevel(i - 1, j - 1, zs(i, j - 1));
      }
    }
}

}  // namespace

void computeSurfDownstream() {
  if (!zval) return;
  const int g = FlagDSO1;
  forBoundaryColumns(g, [](const BoundaryColumn& col) {
    for (OpenSide s : kSides) {
      if (!col.open[s]) continue;
      const Corners c = sideCorners(col.i, col.j, s);
      zs(c.ia, c.ja) = GlobZRef;
      zs(c.ib, c.jb) = GlobZRef;
    }
  });
  if (surfaceDownstreamDamp == 10)
    forBoundaryColumns(g, [](const BoundaryColumn& col) {
      if (col.open[East]) blendBehindEast(col.i, col.j, GlobZRef);
    });
  else if (surfaceDownstreamDamp == 11 && xval && yval)
    parabolaAtEastEnd();
}

void surfaceEdge(double zref) {
  if (!zval) return;
  const int rule = FlagSurfEdge;
  if (rule == 1) {
    if (!Cbed) return;
    for (int b = 1; b <= NoBlocks && b < 100; ++b)
      if (updatedBlock(b)) copyAcrossBorders(block[b]);
  } else if (rule >= 2 && rule <= 99) {
    if (kSurf <= 0) return;
    forBoundaryColumns(kSurf, [rule, zref](const BoundaryColumn& col) {
      for (OpenSide s : kSides)
        if (col.open[s]) pinAndRaise(col, s, rule, zref);
    });
  } else if (rule == 100 || rule == 101) {
    if (kSurf <= 0) return;
    forBoundaryColumns(kSurf, [rule, zref](const BoundaryColumn& col) {
      if (col.open[East]) blendEastRule(col, rule, zref);
    });
  } else if (rule == -1) {
    if (DischargeStruct[1].inflow != 1) return;
    forBoundaryColumns(1, [](const BoundaryColumn& col) {
      const bool across[4] = {!col.open[North] && !col.open[South], !col.open[North] && !col.open[South],
                              !col.open[East] && !col.open[West], !col.open[East] && !col.open[West]};
      for (OpenSide s : kSides) {
        if (!col.open[s] || !across[s]) continue;
        const Corners c = sideCorners(col.i, col.j, s);
        keepInflowDepth(c.ia, c.ja);
        keepInflowDepth(c.ib, c.jb);
      }
    });
  }
}
